// Parameter tables: what a check refuses (and how it says so), what it only
// warns about, what it changes, and the texts the reference is made from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KParams.h"
#include "support/MessageCapture.h"

namespace {

const SKCabEnumWord kSides[] = {{0, "Left"}, {1, "Right"}, {1, "Other"}, {1, nullptr}};
const SKCabEnumWord kModes[] = {{0, "On"}, {1, "Off"}, {-1, nullptr}};

const SKParamDef kDefs[] = {
    {"Flag", kKParamBool, 0, 1, nullptr, 0, nullptr, "a flag", nullptr},
    {"Count", kKParamInt, 1, 100, nullptr, 0, "pages", "a count", nullptr},
    {"Scale", kKParamNumber, 0.01, 10, nullptr, 0, nullptr, "a scale", nullptr},
    {"Gaps", kKParamNumberList, 0, 1440, nullptr, 0, "pt", "gaps", nullptr, 4},
    {"Side", kKParamWord, 0, 0, kSides, 0, nullptr, "falls back", nullptr},
    {"Mode", kKParamWord, 0, 0, kModes, kKParamRefuseUnknownWord, nullptr, "refuses", nullptr},
    {"Loose", kKParamWord, 0, 0, kModes, 0, nullptr, "ignored", nullptr},
    {"Name", kKParamText, 0, 0, nullptr, 0, nullptr, "text", nullptr},
    {"Page", kKParamPageSize, 1, 14400, nullptr, 0, "pt", "a size", nullptr},
    {"At", kKParamPage, 1, 999999, nullptr, 0, nullptr, "a page", nullptr},
    {"Sub", kKParamCab, 0, 0, nullptr, kKParamInternal, nullptr, "kept", nullptr},
    {"Source:Range:From", kKParamPage, 1, 999999, nullptr, 0, nullptr, "nested", nullptr},
    {"#", kKParamInt, -1, 9, nullptr, kKParamInternal, nullptr, "cells", nullptr},
    {"E#", kKParamAny, 0, 0, nullptr, kKParamInternal, nullptr, "cells", nullptr},
    {nullptr, kKParamAny, 0, 0, nullptr, 0, nullptr, nullptr, nullptr}};
const SKParamDef* const kGroups[] = {kDefs, nullptr};
const SKParamTable kTable{"Test", "a test table", kGroups, nullptr, nullptr, nullptr};

SKCab* Blank(double w, double h) {
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutDouble(page, "Width", w);
  KCabPutDouble(page, "Height", h);
  return page;
}

struct Case {
  const char* name;
  std::function<void(SKCab*)> put;
  const char* refusal;  // null: accepted
};

// Every kind over the values a hostile file holds; each refusal names the
// key, the value and what the key takes.
TEST(KParams, RefusalsNameTheKeyTheValueAndTheRange) {
  const Case cases[] = {
      {"nothing given", [](SKCab*) {}, nullptr},
      {"count in range", [](SKCab* p) { KCabPutInt(p, "Count", 100); }, nullptr},
      {"count 0", [](SKCab* p) { KCabPutInt(p, "Count", 0); },
       "Count = 0 is refused: it must be a whole number from 1 to 100 pages."},
      {"count negative", [](SKCab* p) { KCabPutInt(p, "Count", -5); },
       "Count = -5 is refused: it must be a whole number from 1 to 100 pages."},
      {"count huge", [](SKCab* p) { KCabPutInt(p, "Count", 2147483647); },
       "Count = 2147483647 is refused: it must be a whole number from 1 to 100 pages."},
      {"count as text", [](SKCab* p) { KCabPutStringCopy(p, "Count", "two"); },
       "Count: a whole number (written <I>) is needed, not text."},
      {"count as a real", [](SKCab* p) { KCabPutDouble(p, "Count", 2); },
       "Count: a whole number (written <I>) is needed, not a number."},
      {"scale nan", [](SKCab* p) { KCabPutDouble(p, "Scale", NAN); },
       "Scale = nan is refused: it must be a number from 0.01 to 10."},
      {"scale inf", [](SKCab* p) { KCabPutDouble(p, "Scale", INFINITY); },
       "Scale = inf is refused: it must be a number from 0.01 to 10."},
      {"scale -1e308", [](SKCab* p) { KCabPutDouble(p, "Scale", -1e308); },
       "Scale = -1e+308 is refused: it must be a number from 0.01 to 10."},
      {"scale 1e308", [](SKCab* p) { KCabPutDouble(p, "Scale", 1e308); },
       "Scale = 1e+308 is refused: it must be a number from 0.01 to 10."},
      {"scale 0", [](SKCab* p) { KCabPutDouble(p, "Scale", 0); },
       "Scale = 0 is refused: it must be a number from 0.01 to 10."},
      {"scale as a whole number", [](SKCab* p) { KCabPutInt(p, "Scale", 2); }, nullptr},
      {"flag as a whole number", [](SKCab* p) { KCabPutInt(p, "Flag", 1); },
       "Flag: true or false (written <B>) is needed, not a whole number."},
      {"gaps", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", " 0 12.5  1440 "); }, nullptr},
      {"gap too big", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "6 1e9"); },
       "Gaps = \"6 1e9\" is refused: 1000000000 is not a number from 0 to 1440 pt."},
      {"gap nan", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "nan"); },
       "Gaps = \"nan\" is refused: nan is not a number from 0 to 1440 pt."},
      {"gap beyond doubles", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "1e999"); },
       "Gaps = \"1e999\" is refused: inf is not a number from 0 to 1440 pt."},
      {"as many gaps as it takes", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "1 2\t3 4 \n"); }, nullptr},
      {"a gap too many", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "1 2 3 4 5"); },
       "Gaps holds 5 numbers, which is refused: it takes at most 4."},
      {"65000 gaps",
       [](SKCab* p) {
         std::string many;
         for (int i = 0; i < 65000; ++i) many += "6 ";
         KCabPutStringCopy(p, "Gaps", many.c_str());
       },
       "Gaps holds 65000 numbers, which is refused: it takes at most 4."},
      {"a list as the dialogs write it", [](SKCab* p) {
         const double gaps[] = {1, 2, 3, 4, 5};
         KCabPutDoubleArray(p, "Gaps", gaps, 5);
       },
       "Gaps holds 5 numbers, which is refused: it takes at most 4."},
      {"gaps not numbers", [](SKCab* p) { KCabPutStringCopy(p, "Gaps", "6 wide"); },
       "Gaps = \"6 wide\" is refused: it must be numbers separated by blanks, each from 0 to 1440 pt."},
      {"refused word", [](SKCab* p) { KCabPutAtom(p, "Mode", ASAtomFromString("Bogus")); },
       "Mode = Bogus is refused: the words it takes are On, Off."},
      {"word as text", [](SKCab* p) { KCabPutStringCopy(p, "Mode", "On"); },
       "Mode: a word (written <A>) is needed, not text."},
      {"page size", [](SKCab* p) { KCabPutCab(p, "Page", Blank(612, 792)); }, nullptr},
      {"page width 0", [](SKCab* p) { KCabPutCab(p, "Page", Blank(0, 792)); },
       "Page:Width = 0 is refused: it must be a number from 1 to 14400 pt."},
      {"page height nan", [](SKCab* p) { KCabPutCab(p, "Page", Blank(612, NAN)); },
       "Page:Height = nan is refused: it must be a number from 1 to 14400 pt."},
      {"page width tiny", [](SKCab* p) { KCabPutCab(p, "Page", Blank(1e-300, 792)); },
       "Page:Width = 1e-300 is refused: it must be a number from 1 to 14400 pt."},
      {"page without sides",
       [](SKCab* p) {
         SKCab* page = KCabNewInner();
         KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
         KCabPutCab(p, "Page", page);
       },
       "Page needs Width and Height in points (with Type Blank), or pages of a file (with Type Background)."},
      {"background without a file",
       [](SKCab* p) {
         SKCab* page = KCabNewInner();
         KCabPutAtom(page, "Type", ASAtomFromString("Background"));
         KCabPutCab(p, "Page", page);
       },
       "Page: pages of a file need DIPath, the file's path."},
      {"page as text", [](SKCab* p) { KCabPutStringCopy(p, "Page", "A4"); },
       "Page: a page size (written <DICT>) is needed, not text."},
      {"page text", [](SKCab* p) { KCabPutStringCopy(p, "At", "last-2"); }, nullptr},
      {"page 0", [](SKCab* p) { KCabPutInt(p, "At", 0); },
       "At = 0 is refused: it must be a page number or page text from 1 to 999999."},
      {"nested page", [](SKCab* p) { KCabPutInt(p, "Source:Range:From", -3); },
       "Source:Range:From = -3 is refused: it must be a page number or page text from 1 to 999999."},
      {"pattern key", [](SKCab* p) { KCabPutInt(p, "12", 10); },
       "12 = 10 is refused: it must be a whole number from -1 to 9."},
      {"sub-cabinet as text", [](SKCab* p) { KCabPutStringCopy(p, "Sub", "x"); },
       "Sub: a sub-cabinet (written <DICT>) is needed, not text."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* params = KCabNewInner();
    c.put(params);
    char why[1200] = "untouched";
    const ASBool ok = KParamCheck(&kTable, params, kKParamCheckLook, why, sizeof why);
    EXPECT_EQ(c.refusal == nullptr, ok != 0);
    EXPECT_EQ(c.refusal ? c.refusal : "", std::string(why));
    KCabDestroy(params);
  }
}

// What runs on is what stored files hold: unknown keys and words of a key
// with a fallback warn (naming the key, the word, the words and what is used),
// and the run goes on; looking only says nothing and changes nothing.
TEST(KParams, UnknownKeysAndFallbackWordsWarnAndGoOn) {
  SKCab* params = KCabNewInner();
  KCabPutInt(params, "Cuont", 3);
  KCabPutAtom(params, "Side", ASAtomFromString("Up"));
  KCabPutAtom(params, "Loose", ASAtomFromString("Maybe"));
  KCabPutInt(params, "E3", 1);
  KCabPutBool(params, ".Running", 1);
  KCabPutInt(params, kKCabPersistMaintKey, 1);
  KCabPutBool(params, "Source:Other", 1);
  {
    kvtest::MessageCapture capture;
    char why[1200];
    EXPECT_TRUE(KParamCheck(&kTable, params, kKParamCheckLook, why, sizeof why));
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_TRUE(KParamCheck(&kTable, params, kKParamCheckRun, why, sizeof why));
    EXPECT_EQ((std::vector<std::string>{
                  "Cuont is not a parameter of Test: it is ignored (see docs/parameters.md).",
                  "Side = Up is not a word it takes (Left, Right, Other): Right is used instead.",
                  "Loose = Maybe is not a word it takes (On, Off): it is ignored.",
              }),
              capture.texts());
    for (const auto& m : capture.messages()) EXPECT_EQ(kAutoMessageWarning, m.type);
  }
  KCabDestroy(params);
}

// A key the chosen mode does not read is warned about when the user gave it,
// naming the key, the mode as the command reads it and that it is ignored:
// an alias or an unknown word counts as the word the command reads, a mode
// not set as its unset value (else the words' default, else 0); one
// warning a key; nothing for keys the user did not give.
TEST(KParams, KeysAModeDoesNotReadAreWarnedAboutWhenGiven) {
  const SKParamUnread unread[] = {{"Count", {"Side", "Right"}},
                                  {"Scale", {"Flag", "0"}},
                                  {"Scale", {"Side", "Left"}},
                                  {"Gaps", {"Flag", "1"}, {"Side", "Left"}},
                                  {"Name", {"Mode", "Off", "Off"}},
                                  {"At", {"Loose", "Off"}},
                                  {nullptr, {}}};
  SKParamTable table = kTable;
  table.unread = unread;
  struct UnreadCase {
    const char* name;
    std::function<void(SKCab*)> put;  // the parameters the run has
    std::vector<const char*> given;
    std::vector<std::string> says;
  };
  const UnreadCase cases[] = {
      {"a word of the mode", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Right")); }, {"Count"},
       {"Count is not read with Side = Right: it is ignored."}},
      {"an alias counts as its word", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Other")); }, {"Count"},
       {"Count is not read with Side = Other: it is ignored."}},
      {"an unknown word counts as the default", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Up")); },
       {"Count"}, {"Count is not read with Side = Right: it is ignored."}},
      {"the default word when not set", [](SKCab*) {}, {"Count"}, {"Count is not read with Side = Right: it is ignored."}},
      {"another word reads it", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Left")); }, {"Count"}, {}},
      {"not given, not warned", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Right")); }, {"Flag"}, {}},
      {"a bool mode, 0 when not set", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Right")); }, {"Scale"},
       {"Scale is not read with Flag = 0: it is ignored."}},
      {"one warning a key", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Left")); }, {"Scale"},
       {"Scale is not read with Flag = 0: it is ignored."}},
      {"both conditions", [](SKCab* p) {
         KCabPutBool(p, "Flag", 1);
         KCabPutAtom(p, "Side", ASAtomFromString("Left"));
       }, {"Gaps"}, {"Gaps is not read with Flag = 1 and Side = Left: it is ignored."}},
      {"one condition only", [](SKCab* p) { KCabPutBool(p, "Flag", 1); }, {"Gaps"}, {}},
      {"the rule's unset value", [](SKCab*) {}, {"Name"}, {"Name is not read with Mode = Off: it is ignored."}},
      {"a mode without a default, not set: no rule", [](SKCab*) {}, {"At"}, {}},
      {"several keys", [](SKCab* p) { KCabPutAtom(p, "Side", ASAtomFromString("Right")); }, {"Count", "Name"},
       {"Count is not read with Side = Right: it is ignored.", "Name is not read with Mode = Off: it is ignored."}},
  };
  for (const UnreadCase& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* params = KCabNewInner();
    c.put(params);
    SKCab* given = KCabNewInner();
    for (const char* key : c.given) KCabPutInt(given, key, 1);
    {
      kvtest::MessageCapture capture;
      KParamWarnUnread(&table, params, given);
      KParamWarnUnread(&table, params, nullptr);
      EXPECT_EQ(std::vector<std::string>(c.says.begin(), c.says.end()), capture.texts());
      for (const auto& m : capture.messages()) EXPECT_EQ(kAutoMessageWarning, m.type);
    }
    KCabDestroy(given);
    KCabDestroy(params);
  }
  // In words, for the reference.
  EXPECT_EQ("Flag = 1 and Side = Left", KParamUnreadWhenText(&unread[3]));
  const SKParamUnread either{"Count", {"Side", "Left Right"}};
  EXPECT_EQ("Side = Left or Right", KParamUnreadWhenText(&either));
  const SKParamUnread three{"Count", {"Side", "Left Right Other"}};
  EXPECT_EQ("Side = Left, Right or Other", KParamUnreadWhenText(&three));
}

// Running turns whole numbers of real keys into reals (and unsigned ones of
// whole-number keys into signed ones), which is what the readers take.
TEST(KParams, RunningStoresWholeNumbersAsTheReadersTakeThem) {
  SKCab* params = KCabNewInner();
  KCabPutInt(params, "Scale", 2);
  KCabPutUns(params, "Count", 7);
  SKCab* page = KCabNewInner();
  KCabPutInt(page, "Width", 612);
  KCabPutInt(page, "Height", 792);
  KCabPutCab(params, "Page", page);
  char why[1200];
  ASSERT_TRUE(KParamCheck(&kTable, params, kKParamCheckLook, why, sizeof why));
  EXPECT_EQ(kKCabTypeInt, KCabGetType(params, "Scale")) << "looking changes nothing";
  ASSERT_TRUE(KParamCheck(&kTable, params, kKParamCheckRun, why, sizeof why));
  EXPECT_EQ(2.0, KCabGetDouble(params, "Scale", 0));
  EXPECT_EQ(7, KCabGetInt(params, "Count", 0));
  EXPECT_EQ(612.0, KCabGetDouble(params, "Page:Width", 0));
  EXPECT_EQ(792.0, KCabGetDouble(params, "Page:Height", 0));
  KCabDestroy(params);
}

// A required key and the table's own rule across keys refuse too; the
// table-order check makes the first refusal the same whatever the file's order.
TEST(KParams, RequiredKeysAndRulesAcrossKeys) {
  static const SKParamDef defs[] = {
      {"Low", kKParamInt, 0, 10, nullptr, 0, nullptr, "", nullptr},
      {"High", kKParamInt, 0, 10, nullptr, kKParamRequired, nullptr, "", nullptr},
      {nullptr, kKParamAny, 0, 0, nullptr, 0, nullptr, nullptr, nullptr}};
  static const SKParamDef* const groups[] = {defs, nullptr};
  auto rule = [](SKCab* p, char* why, size_t size) -> ASBool {
    if (KCabGetInt(p, "Low", 0) <= KCabGetInt(p, "High", 0)) return 1;
    std::snprintf(why, size, "Low above High");
    return 0;
  };
  const SKParamTable table{"Rules", "", groups, rule, nullptr, nullptr};
  struct RuleCase {
    std::function<void(SKCab*)> put;
    const char* refusal;
  };
  const RuleCase cases[] = {
      {[](SKCab*) {}, "High is not set."},
      {[](SKCab* p) { KCabPutInt(p, "High", 3); }, nullptr},
      {[](SKCab* p) {
         KCabPutInt(p, "High", 3);
         KCabPutInt(p, "Low", 4);
       },
       "Low above High"},
      {[](SKCab* p) {
         KCabPutInt(p, "High", 30);
         KCabPutInt(p, "Low", 40);
       },
       "Low = 40 is refused: it must be a whole number from 0 to 10."},
  };
  for (const RuleCase& c : cases) {
    SKCab* params = KCabNewInner();
    c.put(params);
    char why[1200] = "";
    EXPECT_EQ(c.refusal == nullptr, KParamCheck(&table, params, kKParamCheckLook, why, sizeof why) != 0);
    EXPECT_EQ(c.refusal ? c.refusal : "", std::string(why));
    KCabDestroy(params);
  }
}

TEST(KParams, TextsForTheReference) {
  char text[200];
  KParamFormatRange(KParamTableFind(&kTable, "Scale"), text, sizeof text);
  EXPECT_STREQ("0.01 to 10", text);
  KParamFormatRange(KParamTableFind(&kTable, "Gaps"), text, sizeof text);
  EXPECT_STREQ("0 to 1440 pt", text);
  KParamFormatRange(KParamTableFind(&kTable, "Flag"), text, sizeof text);
  EXPECT_STREQ("", text);
  KParamFormatWords(KParamTableFind(&kTable, "Side"), text, sizeof text);
  EXPECT_STREQ("Left, Right, Other", text);
  EXPECT_STREQ("Right", KParamDefaultWord(KParamTableFind(&kTable, "Side")));
  EXPECT_EQ(nullptr, KParamDefaultWord(KParamTableFind(&kTable, "Mode")));
  ASSERT_NE(nullptr, KParamTableFind(&kTable, "007"));
  EXPECT_STREQ("#", KParamTableFind(&kTable, "007")->key);
  ASSERT_NE(nullptr, KParamTableFind(&kTable, "E12"));
  EXPECT_STREQ("E#", KParamTableFind(&kTable, "E12")->key);
  EXPECT_EQ(nullptr, KParamTableFind(&kTable, "E"));
  EXPECT_EQ(nullptr, KParamTableFind(&kTable, "Source"));
  const std::pair<double, const char*> numbers[] = {{14400, "14400"}, {0.01, "0.01"},       {-3, "-3"},
                                                    {595.2755905511812, "595.276"}, {NAN, "nan"}, {-INFINITY, "-inf"}};
  for (const auto& [value, written] : numbers) {
    KParamFormatNumber(value, text, sizeof text);
    EXPECT_STREQ(written, text);
  }
}

}  // namespace
