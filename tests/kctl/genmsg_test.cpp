// The message setup dialog for translators, driven through the platform's
// driver: choosing a message folder, loading its spreadsheets into the test
// table, switching the test table's language, looking keys up, and what OK
// stores.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "kctl/LanguageDialogs.h"
#include "foundation/MessageTable.h"
#include "foundation/MessageLoad.h"
#include "host/ASExtension.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/PfTestSupport.h"
#include "support/Spreadsheets.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

constexpr const char* kTitle = "Internal message setup";
constexpr const char* kRestart = "Restart Acrobat for change to message processing";
constexpr const char* kUnusable = "The message directory cannot be used: it holds no language folder with spreadsheets";

PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
std::string Text(int32_t id) { return PfText(Front(), PfDriverItemById(Front(), id)); }
void Press(const char* caption) { PfDriverPressButton(Front(), caption); }
void TypeId(const char* text) { PfDriverTypeText(Front(), PfDriverItemById(Front(), 103), text, true); }

class GenMsg : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    PfResetAll();
    AVAlertRecordStart();
    ASHostVersionSet(9, 0);
    ASHostSetPreferencesFolder(prefs.path().c_str());
    LanguageTerm();
    MarkMessageCachesValid();
  }
  void TearDown() override {
    LanguageTerm();
    MarkMessageCachesValid();
    ASHostSetPreferencesFolder(nullptr);
    EXPECT_EQ(0, MacLiveDialogCount()) << "every dialog is disposed of";
    AVAlertRecordStop();
    PfResetAll();
  }

  // A folder of spreadsheets: en and fr, one key each plus an English-only one.
  std::string Sheets() {
    std::string root = dir.file("msgs");
    std::filesystem::create_directories(root + "/en");
    std::filesystem::create_directories(root + "/fr");
    WriteWholeFile(root + "/en/a.xml", Sheet(SheetRow({"test.greet", "Hello"}) + SheetRow({"test.only", "Only"})));
    WriteWholeFile(root + "/fr/a.xml", Sheet(SheetRow({"test.greet", "Bonjour"})));
    return root;
  }

  static std::string StoredFolder() {
    char lang[8], folder[1024];
    GetUserLang(nullptr, lang, sizeof lang, folder, sizeof folder);
    return folder;
  }

  TempDir prefs;
  TempDir dir;
};

TEST_F(GenMsg, ChooseLoadSwitchLookUpAndStore) {
  std::string folder = Sheets();
  PfChooseFolderQueueAnswer(folder.c_str());
  ASSERT_TRUE(SetUserLang(nullptr, "fr"));  // the test table starts in the user's language
  MessageCapture capture;
  std::vector<std::string> seen;
  // Clicks and typing reach the dialog as events: each step reads what the
  // step before it did.
  PfScript script;
  script.Then([&] {
    seen.push_back(PfGetWindowTitleUTF8(PfGetDialogWindow(Front())));
    PfDriverPressButton(Front(), GetMessageFromTableByKey(gSystemMessageTable, "common.button.browse"));
  });
  script.Then([&] { TypeId("test.greet"); });
  script.Then([&] {
    seen.push_back(Text(102));  // nothing loaded yet
    Press("Load tables");
  });
  script.Then([&] {
    seen.push_back(Text(101));
    seen.push_back(Text(102));  // cleared by the load
    TypeId("test.greet");
  });
  script.Then([&] {
    seen.push_back(Text(102));
    TypeId("no.such.key");
  });
  script.Then([&] {
    seen.push_back(Text(102));
    Press("Change testing language...");
  });
  script.Then([&] {
    // The language dialog over the test table, without a default entry, on
    // the test table's language; the other entry is English.
    PfDialogRef lang = Front();
    int16_t pulldown = PfDriverItemByKey(lang, "Lang");
    seen.push_back(PfText(lang, pulldown));
    PfDriverChoosePopup(lang, pulldown, PfDriverGetValue(lang, pulldown) == 1 ? 1 : 0);
  });
  script.Then([&] { PfDriverPressReturn(); });
  script.Then([&] { TypeId("test.greet"); });
  script.Then([&] {
    seen.push_back(Text(102));
    PfDriverSetChecked(Front(), PfDriverItemByKey(Front(), "UseMsgDir"), true);
  });
  script.Then([&] { PfDriverPressReturn(); });
  EXPECT_TRUE(RunGenMsgUI(nullptr));
  EXPECT_EQ((std::vector<std::string>{kTitle, "(Tables not loaded)", "Loaded table", "", "Bonjour", "(Unknown)", "fr",
                                      "Hello"}),
            seen);
  EXPECT_EQ(folder, StoredFolder());
  EXPECT_EQ(1u, capture.Count("Language changed. Some strings may not change until Acrobat is restarted."));
  EXPECT_EQ(1u, capture.Count(kRestart));
  EXPECT_FALSE(MessageCacheValid()) << "a language change flushes the kept texts";
}

// The user's language selects the test table's language after a load,
// whatever its atom (atoms are 32 bits wide).
TEST_F(GenMsg, TheLoadSelectsTheUsersLanguageWithALargeAtom) {
  for (int i = 0; ASAtomGetCount() <= 0x10000; ++i) ASAtomFromString(("genmsg.filler." + std::to_string(i)).c_str());
  ASSERT_GT(ASAtomFromString("zz-high"), ASAtomNull);
  std::string folder = Sheets();
  std::filesystem::create_directories(folder + "/zz-high");
  WriteWholeFile(folder + "/zz-high/a.xml", Sheet(SheetRow({"test.greet", "Servus"})));
  ASSERT_TRUE(SetUserLang(nullptr, "zz-high"));
  ASSERT_TRUE(SetMessageDirFolder(nullptr, folder.c_str()));
  std::string seen;
  PfScript script;
  script.Then([&] { Press("Load tables"); });
  script.Then([&] { TypeId("test.greet"); });
  script.Then([&] {
    seen = Text(102);
    PfDriverPressEscape();
  });
  EXPECT_FALSE(RunGenMsgUI(nullptr));
  EXPECT_EQ("Servus", seen);
}

TEST_F(GenMsg, ButtonsWithoutAFolderOrTables) {
  MessageCapture capture;
  std::string status;
  PfScript script;
  script.Then([&] { Press("Load tables"); });
  script.Then([&] {
    status = Text(101);
    Press("Change testing language...");
  });
  script.Then([&] { PfDriverPressEscape(); });
  EXPECT_FALSE(RunGenMsgUI(nullptr));
  EXPECT_EQ("Set a folder name", status);
  EXPECT_EQ(1u, capture.Count("You must load the tables first"));
  EXPECT_EQ("", StoredFolder()) << "Cancel stores nothing";
}

TEST_F(GenMsg, AFailedLoadIsKeptOnlyWhenTheUserSaysSo) {
  std::string folder = dir.file("broken");
  std::filesystem::create_directories(folder + "/en");
  WriteWholeFile(folder + "/en/a.xml", "<Other/>");
  ASSERT_TRUE(SetMessageDirFolder(nullptr, ("*" + folder).c_str()));
  for (ASInt32 answer : {2, 1}) {
    SCOPED_TRACE(answer);
    MessageCapture capture(false);  // the question reaches the host's alert
    AVAlertQueueAnswer(answer);
    std::vector<std::string> seen;
    PfScript script;
    script.Then([&] { Press("Load tables"); });
    script.Then([&] {
      seen.push_back(Text(101));
      TypeId("test.greet");
    });
    script.Then([&] {
      seen.push_back(Text(102));
      PfDriverPressEscape();
    });
    EXPECT_FALSE(RunGenMsgUI(nullptr));
    ASSERT_FALSE(AVAlertRecorded().empty());
    EXPECT_EQ("Use problem table anyway?", AVAlertRecorded().back().message);
    if (answer == 2)
      EXPECT_EQ((std::vector<std::string>{"Failed to load table", "(Tables not loaded)"}), seen);
    else
      EXPECT_EQ((std::vector<std::string>{"Loaded table", "(Unknown)"}), seen);
    AVAlertClearRecorded();
  }
}

TEST_F(GenMsg, TheStoredFolderPresetsTheDialogAndOKKeepsTheValues) {
  ASSERT_TRUE(SetMessageDirFolder(nullptr, "*/srv/msgs"));
  bool used = true;
  std::string shown;
  PfScript script;
  script.Then([&] {
    used = PfDriverGetValue(Front(), PfDriverItemByKey(Front(), "UseMsgDir"));
    shown = PfText(Front(), PfDriverItemByKey(Front(), "MsgDir"));
    TypeId("kept.key");
  });
  script.Then([&] { PfDriverPressReturn(); });
  MessageCapture capture;
  EXPECT_TRUE(RunGenMsgUI(nullptr));
  EXPECT_FALSE(used) << "a folder kept aside is shown but not in use";
  EXPECT_EQ("/srv/msgs", shown);
  EXPECT_EQ("*/srv/msgs", StoredFolder());
  EXPECT_TRUE(capture.messages().empty());

  std::string id;
  script.Then([&] {
    id = PfText(Front(), PfDriverItemById(Front(), 103));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(RunGenMsgUI(nullptr));
  EXPECT_EQ("kept.key", id) << "the values of the last opening come back";
}

struct CabCase {
  const char* name;
  const char* stored;
  bool use;
  const char* dir;  // null: no "MsgDir"
  const char* after;
  const char* message;  // null: none
};

TEST_F(GenMsg, ApplyingTheValues) {
  const CabCase cases[] = {
      {"use without a folder", "/old", true, nullptr, "/old", "You must choose a folder to set message directory"},
      {"use a missing folder", "", true, "/no/such/folder", "", kUnusable},
      {"use a folder without languages", "", true, "@empty", "", kUnusable},
      {"use a folder whose language folder is empty", "", true, "@bare", "", kUnusable},
      {"use the stored folder again", "@msgs", true, "@msgs", "@msgs", nullptr},
      {"use a new folder", "*/msgs", true, "@msgs", "@msgs", kRestart},
      {"stop using a folder in use", "/msgs", false, "/msgs", "*/msgs", kRestart},
      {"keep a folder aside", "*/msgs", false, "/other", "*/other", nullptr},
      {"nothing at all", "", false, nullptr, "", nullptr},
  };
  // "@msgs", "@empty" and "@bare": a readable folder of sheets, an empty one,
  // and one whose only language folder is empty.
  std::string sheets = Sheets();
  std::string empty = dir.file("empty");
  std::filesystem::create_directories(empty);
  std::string bare = dir.file("bare");
  std::filesystem::create_directories(bare + "/en");
  auto real = [&](const char* text) {
    std::string t = text ? text : "";
    return t == "@msgs" ? sheets : t == "@empty" ? empty : t == "@bare" ? bare : t;
  };
  for (const CabCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetMessageDirFolder(nullptr, real(c.stored).c_str()));
    SKCab* values = KCabNewInner();
    KCabPutBool(values, "UseMsgDir", c.use);
    if (c.dir) KCabPutStringCopy(values, "MsgDir", real(c.dir).c_str());
    MessageCapture capture;
    SetGenMsgCab(nullptr, values);
    KCabDestroy(values);
    EXPECT_EQ(real(c.after), StoredFolder());
    if (c.message)
      EXPECT_EQ((std::vector<std::string>{c.message}), capture.texts());
    else
      EXPECT_TRUE(capture.texts().empty());
  }
}

TEST_F(GenMsg, AFolderThatCannotBeStoredIsNotReportedAsChanged) {
  // A preferences "folder" that is a plain file: nothing can be written there.
  std::string blocker = dir.file("blocker");
  WriteWholeFile(blocker, "x");
  ASHostSetPreferencesFolder(blocker.c_str());
  SKCab* values = KCabNewInner();
  KCabPutBool(values, "UseMsgDir", 1);
  KCabPutStringCopy(values, "MsgDir", Sheets().c_str());
  MessageCapture capture;
  SetGenMsgCab(nullptr, values);
  KCabDestroy(values);
  ASSERT_FALSE(capture.texts().empty());
  EXPECT_EQ("Unable to store language settings", capture.texts().back());
  EXPECT_EQ(0u, capture.Count(kRestart));
}

}  // namespace
