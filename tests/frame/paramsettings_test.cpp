// Parameters given as "KEY=VALUE" text: each value read as the kind its key
// has in a command's table and stored as a parameter file stores it, or
// refused with the key and what it takes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "FrameTestSupport.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/KParams.h"
#include "frame/ParamSettings.h"
#include "pdftools/PageSizes.h"

namespace {

const SKCabEnumWord kWays[] = {{0, "Tall"}, {1, "Wide"}, {0, nullptr}};

constexpr SKParamDef Def(const char* key, EKParamKind kind, double min = 0, double max = 0, const char* unit = nullptr,
                         const SKCabEnumWord* words = nullptr) {
  return {key, kind, min, max, words, 0, unit, "", nullptr};
}

const SKParamDef kDefs[] = {Def("Flag", kKParamBool, 0, 1),
                            Def("Count", kKParamInt, 1, 100, "pages"),
                            Def("Scale", kKParamNumber, 0.01, 10),
                            Def("Margin", kKParamNumber, 0, 1440, "pt"),
                            Def("Gaps", kKParamNumberList, 0, 1440, "pt"),
                            Def("Steps", kKParamNumberList, 0, 10),
                            Def("Way", kKParamWord, 0, 0, nullptr, kWays),
                            Def("Any", kKParamWord),
                            Def("Name", kKParamText),
                            Def("At", kKParamPage, 1, 999999),
                            Def("Sheet", kKParamPageSize, 1, 14400, "pt"),
                            Def("SheetOrientation", kKParamWord, 0, 0, nullptr, kWays),
                            Def("Source", kKParamCab),
                            Def("Source:Range:From", kKParamPage, 1, 999999),
                            Def("Window", kKParamAny),
                            Def(nullptr, kKParamAny)};
const SKParamDef* const kGroups[] = {kDefs, nullptr};
const SKParamTable kTable{"Test", "", kGroups, nullptr, nullptr, nullptr};

std::string Number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", v);
  return text;
}

// What params holds under key: its element and value, a page size by parts.
std::string Shown(SKCab* params, const char* key) {
  switch (KCabGetType(params, key)) {
    case kKCabTypeBool:
      return "B " + std::to_string(KCabGetBool(params, key, 0));
    case kKCabTypeInt:
      return "I " + std::to_string(KCabGetInt(params, key, 0));
    case kKCabTypeDouble:
      return "F " + Number(KCabGetDouble(params, key, 0));
    case kKCabTypeAtom:
      return std::string("A ") + ASAtomGetString(KCabGetAtom(params, key, ASAtomNull));
    case kKCabTypeString:
      return std::string("S ") + KCabGetString(params, key);
    case kKCabTypeCab: {
      std::string text = "DICT";
      SKCab* size = KCabGetCab(params, key);
      for (const char* part : {"Type", "Width", "Height", "DIPath", "From", "To", "Repeat", "Name"}) {
        std::string shown = Shown(size, part);
        if (shown != "absent") text += std::string(" ") + part + "=" + shown.substr(2);
      }
      return text;
    }
    case kKCabTypeAbsent:
      return "absent";
    default:
      return "other";
  }
}

class ParamSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeCabBlankMm("a4", 210, 297, 0));
    PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeCabBlankPoints("Card", 243, 153, 0));
    PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeBackground("Letterhead", "/files/head.pdf", 0, 1, 1, 0));
  }
  // The setting applied to empty parameters: what key then holds, or the
  // refusal.
  std::string Applied(const std::string& setting, const char* key) {
    KCabHolder params(KCabNewInner());
    char why[1200];
    if (!KVParamSettingApply(&kTable, sizes.get(), params.get(), setting.c_str(), why, sizeof why))
      return std::string("refused: ") + why;
    return Shown(params.get(), key);
  }
  std::string Checked(const std::string& setting) {
    KCabHolder params(KCabNewInner());
    char why[1200];
    if (!KVParamSettingCheck(&kTable, sizes.get(), params.get(), setting.c_str(), why, sizeof why))
      return std::string("refused: ") + why;
    return "accepted";
  }

  KCabHolder sizes{KCabNewInner()};
};

struct SCase {
  const char* setting;
  const char* key;
  std::string result;
};

// Each kind reads its own forms and stores what a file would hold.
TEST_F(ParamSettings, ValuesAreReadAsTheirKeysKind) {
  const SCase cases[] = {
      {"Flag=1", "Flag", "B 1"},
      {"Flag=yes", "Flag", "B 1"},
      {"Flag=FALSE", "Flag", "B 0"},
      {"Count=12", "Count", "I 12"},
      {"Count=-3", "Count", "I -3"},
      {"Count=+7", "Count", "I 7"},
      {"Scale=0.7", "Scale", "F 0.7000"},
      {"Scale=1e-1", "Scale", "F 0.1000"},
      {"Scale=.5", "Scale", "F 0.5000"},
      {"Margin=10mm", "Margin", "F 28.3465"},
      {"Margin=1cm", "Margin", "F 28.3465"},
      {"Margin=0.5in", "Margin", "F 36.0000"},
      {"Margin=18pt", "Margin", "F 18.0000"},
      {"Margin=18", "Margin", "F 18.0000"},
      {"Margin=2.5 MM", "Margin", "F 7.0866"},
      {"Gaps=5mm 10 mm 3", "Gaps", "S 14.1732 28.3465 3 "},
      {"Steps=1 2.5", "Steps", "S 1 2.5 "},
      {"Gaps=", "Gaps", "S "},
      {"Way=Wide", "Way", "A Wide"},
      // Typed words are read in any letter case and stored as the table spells them.
      {"Way=wide", "Way", "A Wide"},
      {"Way=TALL", "Way", "A Tall"},
      {"Way=Wdie", "Way", "refused: Way takes one of the words Tall, Wide, not \"Wdie\"; did you mean Wide?"},
      {"Way=Sideways", "Way", "refused: Way takes one of the words Tall, Wide, not \"Sideways\"."},
      {"Any=Whatever", "Any", "A Whatever"},
      {"Name=two words", "Name", "S two words"},
      {"Name=", "Name", "S "},
      {"Name=a=b", "Name", "S a=b"},
      {"At=3", "At", "I 3"},
      {"At=last-1", "At", "S last-1"},
      {"Source:Range:From=2", "Source:Range:From", "I 2"},
      // A key the table does not know is kept, as text, for its check to warn about.
      {"Unknown=5", "Unknown", "S 5"},
  };
  for (const SCase& c : cases) EXPECT_EQ(c.result, Applied(c.setting, c.key)) << c.setting;
}

// A page size by a name of the collection, in any letter case, or by its
// sides with their units; a part of one by its path.
TEST_F(ParamSettings, PageSizesTakeANameOrTheirSides) {
  const SCase cases[] = {
      {"Sheet=A4", "Sheet", "DICT Type=Blank Width=595.2756 Height=841.8898"},
      {"Sheet=card", "Sheet", "DICT Type=Blank Width=243.0000 Height=153.0000"},
      {"Sheet= Card ", "Sheet", "DICT Type=Blank Width=243.0000 Height=153.0000"},
      {"Sheet=Letterhead", "Sheet", "DICT Type=Background DIPath=/files/head.pdf From=0 To=1 Repeat=1"},
      {"Sheet=85x55mm", "Sheet", "DICT Type=Blank Width=240.9449 Height=155.9055"},
      {"Sheet=8.5 x 11 in", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=210mm X 297mm", "Sheet", "DICT Type=Blank Width=595.2756 Height=841.8898"},
      {"Sheet=1in x 36", "Sheet", "DICT Type=Blank Width=72.0000 Height=2592.0000"},
      {"Sheet=1in x 36pt", "Sheet", "DICT Type=Blank Width=72.0000 Height=36.0000"},
      {"Sheet=612x792", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet:Width=10in", "Sheet:Width", "F 720.0000"},
      {"Sheet:Type=Blank", "Sheet:Type", "A Blank"},
      {"Sheet:DIPath=/a.pdf", "Sheet:DIPath", "S /a.pdf"},
      {"Sheet:From=2", "Sheet:From", "I 2"},
      {"Sheet=B12", "Sheet",
       "refused: Sheet takes a page size: a name (Card, Letterhead, A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, "
       "Letter, Legal, Tabloid, Ledger, Executive, Statement, Half letter) or width x height, such as 85x55mm or "
       "8.5x11in, not \"B12\"."},
      {"Sheet=85x55px", "Sheet", "refused: Sheet takes a page size: a name (Card, Letterhead, A0-A10"},
      {"Sheet=85", "Sheet", "refused: Sheet takes a page size"},
      {"Sheet:Depth=1", "Sheet",
       "refused: Sheet:Depth is no part of a page size: its parts are Type, Width, Height, DIPath, From, To and Repeat."},
      {"Sheet:Width=wide", "Sheet",
       "refused: Sheet:Width takes a length from 1 to 14400 pt, with a unit mm, cm, in or pt (without one, points), "
       "not \"wide\"."},
  };
  for (const SCase& c : cases) {
    std::string got = Applied(c.setting, c.key);
    EXPECT_EQ(c.result, got.substr(0, c.result.size())) << c.setting << "\n" << got;
  }
}

// A page size as operators say it: the names of the page-size lists, then the
// standard ISO and North American names, in any letter case, each giving its
// exact size in points.
TEST_F(ParamSettings, StandardSizesAreTakenByName) {
  PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeCabBlankInches("US letter", 8.5, 11, 0));
  PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeCabBlankInches("Tabloid (11 x 17 in)", 11, 17, 0));
  // A name of the lists wins over a standard one.
  PageSizeCollectionAddBuiltin(sizes.get(), NewPageSizeCabBlankPoints("Ledger", 100, 50, 0));
  const SCase cases[] = {
      {"Sheet=Letter", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=letter", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=LETTER", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=Legal", "Sheet", "DICT Type=Blank Width=612.0000 Height=1008.0000"},
      {"Sheet=Tabloid", "Sheet", "DICT Type=Blank Width=792.0000 Height=1224.0000"},
      {"Sheet=SRA3", "Sheet", "DICT Type=Blank Width=907.0866 Height=1275.5906"},
      {"Sheet=sra3", "Sheet", "DICT Type=Blank Width=907.0866 Height=1275.5906"},
      {"Sheet=RA0", "Sheet", "DICT Type=Blank Width=2437.7953 Height=3458.2677"},
      {"Sheet=A10", "Sheet", "DICT Type=Blank Width=73.7008 Height=104.8819"},
      {"Sheet=B5", "Sheet", "DICT Type=Blank Width=498.8976 Height=708.6614"},
      {"Sheet=C4", "Sheet", "DICT Type=Blank Width=649.1339 Height=918.4252"},
      {"Sheet=Executive", "Sheet", "DICT Type=Blank Width=522.0000 Height=756.0000"},
      {"Sheet=Statement", "Sheet", "DICT Type=Blank Width=396.0000 Height=612.0000"},
      {"Sheet=Half letter", "Sheet", "DICT Type=Blank Width=396.0000 Height=612.0000"},
      {"Sheet= half LETTER ", "Sheet", "DICT Type=Blank Width=396.0000 Height=612.0000"},
      {"Sheet=US letter", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=us LETTER", "Sheet", "DICT Type=Blank Width=612.0000 Height=792.0000"},
      {"Sheet=Tabloid (11 x 17 in)", "Sheet", "DICT Type=Blank Width=792.0000 Height=1224.0000"},
      {"Sheet=a4", "Sheet", "DICT Type=Blank Width=595.2756 Height=841.8898"},
      {"Sheet=Card", "Sheet", "DICT Type=Blank Width=243.0000 Height=153.0000"},
      {"Sheet=ledger", "Sheet", "DICT Type=Blank Width=100.0000 Height=50.0000"},
  };
  for (const SCase& c : cases) EXPECT_EQ(c.result, Applied(c.setting, c.key)) << c.setting;
}

// A size that names no size is refused with the names there are; one with
// its orientation written in points to the key that sets the orientation,
// and when the rest is a size, says both settings.
TEST_F(ParamSettings, ARefusedSizeSaysTheNamesAndWhereTheOrientationGoes) {
  const std::string names =
      "a name (Card, Letterhead, A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, Letter, Legal, Tabloid, Ledger, "
      "Executive, Statement, Half letter) or width x height, such as 85x55mm or 8.5x11in, ";
  const SCase cases[] = {
      {"Sheet=A11", "", "Sheet takes a page size: " + names + "not \"A11\"."},
      {"Sheet=SRA5", "", "Sheet takes a page size: " + names + "not \"SRA5\"."},
      {"Sheet=RA5", "", "Sheet takes a page size: " + names + "not \"RA5\"."},
      {"Sheet=A4 landscape", "",
       "Sheet takes a page size without its orientation, not \"A4 landscape\": set Sheet=A4 and "
       "SheetOrientation=Wide."},
      {"Sheet=Letter Portrait", "",
       "Sheet takes a page size without its orientation, not \"Letter Portrait\": set Sheet=Letter and "
       "SheetOrientation=Tall."},
      {"Sheet=wide card", "",
       "Sheet takes a page size without its orientation, not \"wide card\": set Sheet=card and SheetOrientation=Wide."},
      {"Sheet=210x297mm (landscape)", "",
       "Sheet takes a page size without its orientation, not \"210x297mm (landscape)\": set Sheet=210x297mm and "
       "SheetOrientation=Wide."},
      {"Sheet=SRA3-tall", "",
       "Sheet takes a page size without its orientation, not \"SRA3-tall\": set Sheet=SRA3 and SheetOrientation=Tall."},
      {"Sheet=A11 landscape", "",
       "Sheet takes a page size: " + names + "not \"A11 landscape\"; the orientation is set apart, by "
       "SheetOrientation=Wide."},
      {"Sheet=landscape", "",
       "Sheet takes a page size: " + names + "not \"landscape\"; the orientation is set apart, by "
       "SheetOrientation=Wide."},
      // A word that only begins as one is no orientation.
      {"Sheet=Widescreen", "", "Sheet takes a page size: " + names + "not \"Widescreen\"."},
  };
  for (const SCase& c : cases) EXPECT_EQ("refused: " + c.result, Applied(c.setting, "Sheet")) << c.setting;
}

// Many saved sizes are offered a few by name and the rest by their number,
// so that the standard names still fit the refusal.
TEST_F(ParamSettings, ManySavedSizesAreOfferedInShort) {
  for (int i = 1; i <= 20; ++i)
    PageSizeCollectionAddOrReplace(sizes.get(),
                                   NewPageSizeCabBlankPoints(("Size " + std::to_string(i)).c_str(), 100, 100, 0));
  const std::string got = Applied("Sheet=A11", "Sheet");
  const std::string head =
      "refused: Sheet takes a page size: a name (Card, Letterhead, Size 1, Size 2, Size 3, Size 4, Size 5, Size 6, "
      "Size 7, Size 8, Size 9, Size 10, 10 more, A0-A10, B0-B10";
  EXPECT_EQ(head, got.substr(0, head.size())) << got;
  EXPECT_NE(std::string::npos, got.find("Half letter) or width x height")) << got;
}

// A value that does not read as its kind, and a setting that is none, are
// refused with the key and what it takes.
TEST_F(ParamSettings, WhatDoesNotReadIsRefusedWithTheKeyAndWhatItTakes) {
  const SCase cases[] = {
      {"Flag=2", "", "Flag takes true or false (1 or 0, yes or no), not \"2\"."},
      {"Count=1.5", "", "Count takes a whole number from 1 to 100 pages, not \"1.5\"."},
      {"Count=12pages", "", "Count takes a whole number from 1 to 100 pages, not \"12pages\"."},
      {"Count=", "", "Count takes a whole number"},
      {"Scale=70%", "", "Scale takes a number from 0.01 to 10, not \"70%\"."},
      {"Scale=7mm", "", "Scale takes a number from 0.01 to 10, not \"7mm\"."},
      {"Margin=10px", "",
       "Margin takes a length from 0 to 1440 pt, with a unit mm, cm, in or pt (without one, points), not \"10px\"."},
      {"Margin=mm", "", "Margin takes a length"},
      {"Margin=0x10", "", "Margin takes a length"},
      {"Margin=10 mm 2", "", "Margin takes a length"},
      {"Gaps=5,3", "",
       "Gaps takes lengths separated by blanks, each from 0 to 1440 pt, with a unit mm, cm, in or pt (without one, "
       "points), not \"5,3\"."},
      {"Steps=1 2mm", "", "Steps takes numbers separated by blanks, each from 0 to 10, not \"1 2mm\"."},
      {"Way=", "", "Way takes one of the words Tall, Wide, not \"\"."},
      {"Any= ", "", "Any takes a word, not \" \"."},
      {"Source=x", "",
       "Source cannot be set on its own: it holds a group of values or a value the system keeps; give it in a "
       "parameter file."},
      {"Source:Other=1", "", "Source:Other is not a parameter of Test"},
      {"Window=1", "", "Window cannot be set on its own"},
      {"Count:Sub=1", "", "Count:Sub cannot be set: Count holds one value, not a group of them."},
      {"NoEquals", "", "\"NoEquals\" is no setting: KEY=VALUE is needed, such as FitAcross=2."},
      {"=5", "", "\"=5\" is no setting"},
      {".Hidden=1", "", "\".Hidden\" is no key: a key is a name, or a path of names such as Page:Width."},
      {"A::B=1", "", "\"A::B\" is no key"},
      {"Sheet:=1", "", "\"Sheet:\" is no key"},
      {":Sheet=1", "", "\":Sheet\" is no key"},
  };
  for (const SCase& c : cases) {
    std::string got = Applied(c.setting, "Count");
    EXPECT_EQ("refused: " + c.result, got.substr(0, c.result.size() + 9)) << c.setting << "\n" << got;
  }
}

// The check reads the value as applying does, then holds it to the table's
// range with the table's own words; it shows nothing.
TEST_F(ParamSettings, TheCheckRefusesWhatTheTableRefuses) {
  const SCase cases[] = {
      {"Count=50", "", "accepted"},
      {"Count=0", "", "refused: Count = 0 is refused: it must be a whole number from 1 to 100 pages."},
      {"Count=99999999999", "", "refused: Count = 99999999999 is refused: it must be a whole number from 1 to 100 pages."},
      {"Count=-99999999999999999999", "", "refused: Count = -1e+20 is refused: it must be a whole number from 1 to 100 pages."},
      {"Count=2147483647", "", "refused: Count = 2147483647 is refused: it must be a whole number from 1 to 100 pages."},
      {"Count=x", "", "refused: Count takes a whole number from 1 to 100 pages, not \"x\"."},
      {"Margin=-1mm", "", "refused: Margin = -2.83465 is refused: it must be a number from 0 to 1440 pt."},
      {"Margin=21in", "", "refused: Margin = 1512 is refused: it must be a number from 0 to 1440 pt."},
      // A length in a unit meets its limit within the rounding of the conversion,
      // and one just past it is shown with the digits that tell it from the limit.
      {"Margin=508mm", "", "accepted"},
      {"Margin=50.8cm", "", "accepted"},
      {"Margin=20in", "", "accepted"},
      {"Margin=inf", "", "refused: Margin = inf is refused: it must be a number from 0 to 1440 pt."},
      {"Margin=1440.0004", "", "refused: Margin = 1440.0004 is refused: it must be a number from 0 to 1440 pt."},
      {"Margin=508.0001mm", "", "refused: Margin = 1440.0003 is refused: it must be a number from 0 to 1440 pt."},
      {"Gaps=508mm 508.0001mm", "", "refused: Gaps = \"1440 1440.0003 \" is refused: 1440.0003 is not a number from 0 "
       "to 1440 pt."},
      {"Scale=nan", "", "refused: Scale = nan is refused: it must be a number from 0.01 to 10."},
      {"Gaps=1mm 600mm", "", "refused: Gaps = \"2.8346 1700.7874 \" is refused: 1700.79 is not a number from 0 to 1440 pt."},
      {"Sheet=0x10mm", "", "refused: Sheet:Width = 0 is refused: it must be a number from 1 to 14400 pt."},
      {"Sheet=201x1in", "", "refused: Sheet:Width = 14472 is refused: it must be a number from 1 to 14400 pt."},
      {"Sheet=5080mm x 200in", "", "accepted"},
      {"Sheet:Width=0", "", "refused: Sheet:Width = 0 is refused: it must be a number from 1 to 14400 pt."},
      {"Sheet:Type=Paper", "", "refused: Sheet:Type takes one of the words Blank, Background, not \"Paper\"."},
      {"Sheet:Type=blank", "", "accepted"},
      {"Sheet:Width=10in", "", "accepted"},
      {"Way=wide", "", "accepted"},
      // Typed keys are the table's own.
      {"Unknown=5", "", "refused: Unknown is not a parameter of Test: docs/parameters.md lists the keys it takes."},
      {"Cuont=5", "", "refused: Cuont is not a parameter of Test; did you mean Count?"},
      {"Source:Range:Form=2", "", "refused: Source:Range:Form is not a parameter of Test; did you mean Source:Range:From?"},
  };
  for (const SCase& c : cases) EXPECT_EQ(c.result, Checked(c.setting)) << c.setting;
}

// Settings go over what the parameters hold, a later one winning; a part of
// a page size changes only that part; a refused one changes nothing.
TEST_F(ParamSettings, LaterSettingsWinAndARefusedOneChangesNothing) {
  KCabHolder params(KCabNewInner());
  KCabPutInt(params.get(), "Count", 5);
  char why[1200];
  for (const char* s : {"Count=6", "Sheet=A4", "Count=7", "Sheet:Width=10in"})
    ASSERT_TRUE(KVParamSettingApply(&kTable, sizes.get(), params.get(), s, why, sizeof why)) << s << ": " << why;
  EXPECT_EQ("I 7", Shown(params.get(), "Count"));
  EXPECT_EQ("DICT Type=Blank Width=720.0000 Height=841.8898", Shown(params.get(), "Sheet"));
  for (const char* s : {"Count=x", "Sheet=B12", "Sheet:Depth=1", "Gaps=1,2"})
    EXPECT_FALSE(KVParamSettingApply(&kTable, sizes.get(), params.get(), s, why, sizeof why)) << s;
  EXPECT_EQ("I 7", Shown(params.get(), "Count"));
  EXPECT_EQ("DICT Type=Blank Width=720.0000 Height=841.8898", Shown(params.get(), "Sheet"));
  EXPECT_EQ("absent", Shown(params.get(), "Gaps"));
  // Without a table every key is unknown: its value is kept as text.
  ASSERT_TRUE(KVParamSettingApply(nullptr, nullptr, params.get(), "Count=8", why, sizeof why));
  EXPECT_EQ("S 8", Shown(params.get(), "Count"));
}

}  // namespace
