#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/MessageTable.h"
#include "foundation/SystemLang.h"
#include "foundation/TextConv.h"
#include "host/AVAlert.h"
#include "support/MessageCapture.h"

namespace {

class MessageTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Alerts convert their texts; the converter's shared context is made on
    // first use and lives for the process.
    UTF8ToPlatformNativeBytesNeededTerm("");
    blocks_ = ASMemOutstandingBlocks();
    table_ = NewMessageTable(ASAtomFromString("en"));
  }
  void TearDown() override {
    SetMessageDebugMode(0);
    MarkMessageCachesValid();
    DestroyMessageTable(table_);
    EXPECT_EQ(blocks_, ASMemOutstandingBlocks()) << "host blocks leaked";
  }
  std::string Get(const char* key) { return GetMessageFromTableByKey(table_, key); }
  bool Add(const char* key, const char* text, bool escapes = false) {
    return AddMessageCopy(key, text, table_, escapes ? 1 : 0) != 0;
  }

  kvtest::MessageCapture reports_;  // questions answer with their default
  ASInt64 blocks_ = 0;
  SMessageTable* table_ = nullptr;
};

TEST_F(MessageTableTest, KeysAreNormalisedBeforeLookup) {
  ASSERT_TRUE(Add("a.b", "T"));
  ASSERT_TRUE(Add("menu.2", "two"));
  ASSERT_TRUE(Add("menu.x2", "ex-two"));
  struct Case {
    const char* key;
    const char* text;
  };
  for (Case c : {Case{"a.b", "T"}, Case{"A.B", "T"}, Case{" a . b ", "T"}, Case{"a\t.b", "T"}, Case{"a", ""},
                 Case{"a.b.c", ""}, Case{"a.x", "a.x"}, Case{"menu.2", "two"}, Case{"menu.02", "two"},
                 Case{"MENU.002", "two"}, Case{"menu.x2", "ex-two"}, Case{"menu.X2", "ex-two"}, Case{"", ""},
                 Case{"a..b", "a..b"}, Case{"a.b x", "a.b x"}}) {
    EXPECT_EQ(c.text, Get(c.key)) << "key '" << c.key << "'";
  }
  EXPECT_TRUE(KnownMessageInTableByKey(table_, "A . B"));
  EXPECT_FALSE(KnownMessageInTableByKey(table_, "a"));
  EXPECT_FALSE(KnownMessageInTableByKey(table_, "a.b.c"));
  EXPECT_FALSE(KnownMessageInTableByKey(nullptr, "a.b"));
  EXPECT_STREQ("a.b", GetMessageFromTableByKey(nullptr, "a.b"));
  // Outside debug mode nothing is reported.
  EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(MessageTableTest, DebugModeReportsAndShowsTheKey) {
  ASSERT_TRUE(Add("a.b", "T"));
  SetMessageDebugMode(1);
  struct Case {
    const char* key;
    const char* text;
    const char* firstReport;
  };
  for (Case c : {Case{"a", "a", "Reference to incomplete message key follows:"},
                 Case{"a.b.c", "a.b.c", "Reference to message key with extra data follows:"},
                 Case{"a.x", "a.x", "Reference to missing message 'a.x'"},
                 Case{"a..b", "a..b", "Invalid message key follows."}}) {
    SetMessageDebugMode(1);
    reports_.Clear();
    EXPECT_EQ(c.text, Get(c.key));
    ASSERT_FALSE(reports_.messages().empty()) << c.key;
    EXPECT_EQ(0u, reports_.texts()[0].find(c.firstReport)) << reports_.texts()[0];
  }
}

TEST_F(MessageTableTest, DebugQuestionsTurnReportingOffOnCancel) {
  SetMessageDebugMode(1);
  // With no prompts the question takes its default, which is "no".
  Get("missing.key");
  EXPECT_FALSE(GetMessageDebugMode());
  ASSERT_EQ(1u, reports_.messages().size());
  EXPECT_EQ(kAutoMessageConfirm, reports_.messages()[0].type);
  EXPECT_NE(std::string::npos, reports_.texts()[0].find("OK to continue error reporting, Cancel to stop"));

  // With prompts shown, the host's confirmation answers.
  kvtest::MessageCapture prompts(false);
  AVAlertRecordStart();
  AVAlertQueueAnswer(1);
  AVAlertQueueAnswer(2);
  SetMessageDebugMode(1);
  Get("missing.one");
  EXPECT_TRUE(GetMessageDebugMode());
  Get("missing.two");
  EXPECT_FALSE(GetMessageDebugMode());
  ASSERT_EQ(2u, AVAlertRecorded().size());
  EXPECT_EQ("confirm", AVAlertRecorded()[0].kind);
  AVAlertRecordStop();
}

TEST_F(MessageTableTest, ALaterDefinitionWins) {
  ASSERT_TRUE(Add("a.b", "first"));
  ASSERT_TRUE(Add("A . B", "second"));
  EXPECT_EQ("second", Get("a.b"));
}

TEST_F(MessageTableTest, KeysThatConflictWithTheTreeAreRefused) {
  struct Case {
    const char* existing;
    const char* added;
    bool result;
    const char* debugReport;  // the question shown in debug mode, or null
  };
  const Case cases[] = {
      {"a.b", "a.b.c", true, "Attempt to define message x.y.z when x.y already exists"},
      {"a.b.c", "a.b", true, "Attempt to define message x.y when x.y.z already exists"},
      {"a.b", "a.b.c.d", false, nullptr},
  };
  for (bool debug : {false, true}) {
    for (const Case& c : cases) {
      SMessageTable* t = NewMessageTable(ASAtomFromString("en"));
      ASSERT_TRUE(AddMessageCopy(c.existing, "old", t, 0));
      SetMessageDebugMode(debug);
      reports_.Clear();
      EXPECT_EQ(c.result, AddMessageCopy(c.added, "new", t, 0) != 0) << c.added;
      EXPECT_STREQ("old", GetMessageFromTableByKey(t, c.existing));
      EXPECT_FALSE(KnownMessageInTableByKey(t, c.added));
      std::vector<std::string> texts = reports_.texts();
      // The shape conflict is always reported, with the key.
      ASSERT_GE(texts.size(), 2u);
      EXPECT_EQ("Attempt to add message when shorter key already used, follows:", texts[texts.size() - 2]);
      EXPECT_EQ(c.added, texts.back());
      if (debug && c.debugReport) {
        EXPECT_EQ(0u, texts[0].find(c.debugReport)) << texts[0];
      }
      if (!debug) {
        EXPECT_EQ(2u, texts.size());
      }
      SetMessageDebugMode(0);
      DestroyMessageTable(t);
    }
  }
}

TEST_F(MessageTableTest, BadKeysAreNotAdded) {
  EXPECT_FALSE(Add("a..b", "x"));
  EXPECT_FALSE(Add("", "x"));
  EXPECT_FALSE(Add("a b.c", "x"));
  EXPECT_EQ(3u, reports_.Count("Reference to bad message string follows:"));
  EXPECT_FALSE(MessageTableLangHasMessages(table_, ASAtomFromString("en")));
}

TEST_F(MessageTableTest, KeyValidationHappensInDebugModeOnly) {
  std::string key40 = "k" + std::string(39, 'x');
  std::string key41 = "k" + std::string(40, 'x');
  struct Case {
    std::string key;
    bool valid;
  };
  for (const Case& c : {Case{key40, true}, Case{key41, false}, Case{"a.b", true}, Case{" a . 12 ", true},
                        Case{"_x.y_1", true}, Case{"1x.y", false}, Case{"a.", false}, Case{".a", false},
                        Case{"a-b", false}, Case{"a b", false}}) {
    EXPECT_EQ(c.valid, ValidMessageKey(c.key.c_str()) != 0) << "'" << c.key << "'";
  }
  EXPECT_TRUE(Add(key41.c_str(), "long"));  // not validated outside debug mode
  EXPECT_EQ("long", Get(key41.c_str()));
  SetMessageDebugMode(1);
  EXPECT_FALSE(Add((key41 + "y").c_str(), "longer"));
  SetMessageKeyValidationSuppressed(1);
  EXPECT_TRUE(Add((key41 + "z").c_str(), "loading"));
  SetMessageKeyValidationSuppressed(0);
}

TEST_F(MessageTableTest, SplittingGivesAtomsAndComplementedNumbers) {
  ASUns32 code = 0;
  const char* rest = nullptr;
  ASSERT_TRUE(SplitMessageKey(" Menu . x", &code, &rest));
  EXPECT_EQ(ASAtomFromString("menu"), code);
  EXPECT_STREQ(" x", rest);
  ASSERT_TRUE(SplitMessageKey("012", &code, &rest));
  EXPECT_EQ(~12u, code);
  EXPECT_EQ(nullptr, rest);
  EXPECT_FALSE(SplitMessageKey("a b", &code, &rest));
}

TEST_F(MessageTableTest, ABranchGrowsToTwiceItsRoomPlusTwenty) {
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Add(("m.k" + std::to_string(i)).c_str(), "x"));
  ASInt32 before = MessageTableMemoryUsed();
  ASSERT_TRUE(Add("m.k20", "x"));
  // A leaf counts 4 bytes, the 40 new slots 8 each.
  EXPECT_EQ(before + 4 + 40 * 8, MessageTableMemoryUsed());
  for (int i = 0; i <= 20; ++i) EXPECT_EQ("x", Get(("m.k" + std::to_string(i)).c_str()));
}

TEST_F(MessageTableTest, LanguagesHaveTreesOfTheirOwn) {
  ASAtom en = ASAtomFromString("en");
  ASAtom de = ASAtomFromString("de");
  ASAtom fr = ASAtomFromString("fr");
  ASSERT_TRUE(Add("common.ok", "OK"));
  EXPECT_FALSE(SetMessageTableCurrentLang(table_, de, 0));
  EXPECT_EQ(en, GetMessageTableCurrentLang(table_));
  EXPECT_FALSE(SetMessageTableCurrentLang(table_, de, 1));  // added, and selected
  EXPECT_EQ(de, GetMessageTableCurrentLang(table_));
  EXPECT_TRUE(MessageTableLangKnown(table_, de));
  EXPECT_FALSE(MessageTableLangHasMessages(table_, de));
  EXPECT_EQ("common.ok", Get("common.ok"));
  ASSERT_TRUE(Add("common.ok", "Gut"));
  EXPECT_TRUE(MessageTableLangHasMessages(table_, de));
  EXPECT_STREQ("OK", GetMessageFromTableByKeyAndLang(table_, "common.ok", en));
  EXPECT_EQ(de, GetMessageTableCurrentLang(table_));
  EXPECT_STREQ("Gut", GetMessageFromTableByKeyAndLang(table_, "common.ok", fr));  // unknown: the current one
  SetMessageTableCurrentLangDefault(table_);
  EXPECT_EQ(en, GetMessageTableCurrentLang(table_));
  EXPECT_TRUE(SetMessageTableCurrentLang(table_, de, 1));
  ASAtom* langs = nullptr;
  ASInt32 count = 0;
  MessageTableGetLangArray(table_, &langs, &count);
  ASSERT_EQ(2, count);
  EXPECT_EQ(en, langs[0]);
  EXPECT_EQ(de, langs[1]);
}

// ---- Escapes

struct EscapeCase {
  const char* in;
  const char* out;
  bool good;
  ASInt32 formatCode;  // 0 when none is set
  size_t reports;
};

TEST_F(MessageTableTest, EscapesAreRewrittenInPlace) {
  const EscapeCase cases[] = {
      {"plain", "plain", true, 0, 0},
      {"Line\\none\\w[Win]\\m[Mac]", "Line\none" "Mac", true, 0, 0},
      {"a\\sb\\tc", "a b\tc", true, 0, 0},
      {"cut\\zhere", "cut", true, 0, 0},
      {"\\[x\\]\\\\", "[x]\\", true, 0, 0},
      {"a\\&b", "ab", true, 0, 0},
      {"\\mn\\ms|\\wn\\ws|", "\n | |", true, 0, 0},
      {"\\m[keep \\] this]", "keep ] this", true, 0, 0},
      {"\\w[drop \\] this]x", "x", true, 0, 0},
      {"\\!m[x]", "![x]", true, 0, 0},
      {"a\\!w[gone]b", "ab", true, 0, 0},
      {"\\fnA", "A", true, -1, 0},
      {"\\fsA", "A", true, -2, 0},
      {"\\fbA", "A", true, -3, 0},
      {"\\m[a\\nb]", "a\nb", true, 0, 0},
      // Bad escapes stay, are reported with the whole text, and the scan goes on...
      {"a\\mxb\\n", "a\\mxb\n", false, 0, 2},
      {"a\\wqb", "a\\wqb", false, 0, 2},
      {"a\\!qb\\s", "a\\!qb ", false, 0, 2},
      // ...except after a lone backslash or a bad \f, where it ends.
      {"a\\qb\\n", "a\\qb\\n", false, 0, 2},
      {"\\sa\\fqb\\n", " a\\fqb\\n", false, 0, 2},
      {"end\\", "end\\", false, 0, 2},
      {"end\\m", "end\\m", false, 0, 2},
      // Unterminated brackets: the m variant keeps its text, the w variant
      // drops the rest; both are reported.
      {"a\\m[open", "aopen", false, 0, 2},
      {"a\\w[open", "a", false, 0, 2},
      {"a\\!w[open", "a", false, 0, 2},
      {"a\\w[x\\]", "a", false, 0, 2},
  };
  for (const EscapeCase& c : cases) {
    reports_.Clear();
    std::string text = c.in;
    ASInt32 code = 0;
    EXPECT_EQ(c.good, GenMsg2HandleEscapes(text.data(), &code) != 0) << c.in;
    EXPECT_STREQ(c.out, text.c_str()) << c.in;
    EXPECT_EQ(c.formatCode, code) << c.in;
    ASSERT_EQ(c.reports, reports_.messages().size()) << c.in;
    if (c.reports) {
      const std::string first = reports_.texts()[0];
      EXPECT_TRUE(first.rfind("Bad escape", 0) == 0 || first.rfind("Unterminated", 0) == 0) << first;
      EXPECT_EQ(c.in, reports_.texts()[1]);
    }
  }
}

TEST_F(MessageTableTest, AddingWithEscapesStoresTheRewrittenText) {
  std::string text = "Line\\none\\w[Win]\\m[Mac]";
  ASSERT_TRUE(AddMessage("a.b", text.data(), table_, 1));
  EXPECT_EQ("Line\noneMac", Get("a.b"));
  EXPECT_EQ("Line\noneMac", std::string(text.c_str()));  // changed in place
  ASSERT_TRUE(Add("a.c", "raw\\n"));
  EXPECT_EQ("raw\\n", Get("a.c"));
}

// ---- Globals

TEST_F(MessageTableTest, TheSystemTableIsMadeOnce) {
  ASSERT_EQ(nullptr, gSystemMessageTable);
  InitSystemMessageTable();
  ASSERT_NE(nullptr, gSystemMessageTable);
  SMessageTable* first = gSystemMessageTable;
  EXPECT_EQ(ASAtomFromString("en"), GetMessageTableCurrentLang(first));
  InitSystemMessageTable();
  EXPECT_EQ(first, gSystemMessageTable);
  std::string lang = MessageSystemLang();
  EXPECT_TRUE(lang.size() == 2 || lang == "????") << lang;
  DestroyMessageTable(gSystemMessageTable);
  EXPECT_EQ(nullptr, gSystemMessageTable);
}

TEST_F(MessageTableTest, TheCacheFlagHoldsUntilFlushed) {
  EXPECT_TRUE(MessageCacheValid());
  FlushMessageCaches();
  EXPECT_FALSE(MessageCacheValid());
}

TEST(SystemLang, RegionsMapToLanguages) {
  struct Case {
    ASInt32 region;
    const char* lang;
  };
  for (Case c : {Case{0, "en"}, Case{20, "gr"}, Case{40, "gr"}, Case{17, nullptr}, Case{53, "zh"}, Case{92, "de"},
                 Case{-1, nullptr}}) {
    const char* got = LanguageOfRegionCode(c.region);
    if (c.lang)
      EXPECT_STREQ(c.lang, got) << c.region;
    else
      EXPECT_EQ(nullptr, got) << c.region;
  }
}

TEST(SystemLang, TheUsersLocaleGivesTheRegion) {
  struct Case {
    const char* lang;
    ASInt32 region;
    const char* code;  // null: GetSystemLang fails
  };
  std::string saved[3];
  const char* vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (int i = 0; i < 3; ++i) {
    const char* v = std::getenv(vars[i]);
    saved[i] = v ? v : std::string("\x01");
    unsetenv(vars[i]);
  }
  for (Case c : {Case{"de_DE.UTF-8", 3, "de"}, Case{"el_GR", 20, "gr"}, Case{"zh_TW.UTF-8", 53, "zh"},
                 Case{"C", 0, "en"}, Case{"", 0, "en"}, Case{"fi_FI", -1, nullptr}}) {
    setenv("LANG", c.lang, 1);
    EXPECT_EQ(c.region, SystemRegionCode()) << c.lang;
    char buffer[30] = "????";
    EXPECT_EQ(c.code != nullptr, GetSystemLang(buffer, sizeof buffer, 0) != 0) << c.lang;
    EXPECT_STREQ(c.code ? c.code : "????", buffer) << c.lang;
  }
  setenv("LANG", "fr_FR", 1);
  setenv("LC_ALL", "ja_JP", 1);  // LC_ALL goes first
  EXPECT_EQ(14, SystemRegionCode());
  for (int i = 0; i < 3; ++i) {
    if (saved[i] == "\x01")
      unsetenv(vars[i]);
    else
      setenv(vars[i], saved[i].c_str(), 1);
  }
}

}  // namespace
