// The plug-in's handshake and start: messages in the user's language from the
// bundle or a translator's folder, the titles, the tool button, the commands,
// the menus and the automation table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PlugInTestSupport.h"
#include "foundation/ProductName.h"
#include "pdftools/PageTemplate.h"
#include "fixtures/Fixtures.h"
#include "foundation/Alerts.h"
#include "kctl/LanguageDialogs.h"
#include "foundation/MessageTable.h"
#include "frame/Automation.h"
#include "frame/CmdColl.h"
#include "frame/ImpMenus.h"
#include "frame/PlugIn.h"
#include "frame/ToolButton.h"
#include "host/AVAlert.h"
#include "host/PIAutomation.h"
#include "kctl/KCtlAutomation.h"
#include "kctl/StatusBox.h"
#include "kctl/mac/MacDialog.h"
#include "pdftools/DocCache.h"
#include "pdftools/PageSizes.h"
#include "platform/PfResource.h"
#include "support/Spreadsheets.h"

namespace {

const char* const kFailed = "Internal error. Failed to load messages. Please report";

std::vector<std::string> Alerts() { return kvtest::RecordedAlerts(); }

bool Has(const std::vector<std::string>& alerts, const std::string& text) {
  for (const std::string& a : alerts)
    if (a == text) return true;
  return false;
}

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

using kvtest::Sheet;
std::string Row(std::initializer_list<const char*> cells) { return kvtest::SheetRow(cells); }

class PlugInStart : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::InstallTestModules(true, true);
    AVAlertRecordStart();
    AVAppSetLanguage("ENU");
  }
  void TearDown() override {
    AVAlertRecordStop();
    KCtlAutomationStop();
  }

  // A translator's folder: language "en" whose texts end in "(folder)".
  std::string MessageFolder(bool broken = false) {
    std::string folder = session_.prefs() + "/translations";
    std::filesystem::create_directories(folder + "/en");
    std::filesystem::create_directories(folder + "/xx");
    kvtest::WriteWholeFile(folder + "/en/texts.xml", Sheet(Row({"common.button.ok", "OK (folder)"}) +
                                                           Row({"impmenu1.cmd.nup", "N-up (folder)"})));
    kvtest::WriteWholeFile(folder + "/xx/texts.xml", broken ? "<Workbook" : Sheet(Row({"common.button.ok", "Xx"})));
    return folder;
  }

  kvtest::PlugInSession session_;
};

TEST(Handshake, NamesTheExtensionAndItsCallbacks) {
  PIHandshakeData data{};
  data.size = sizeof data;
  data.extensionName = ASAtomNull;
  EXPECT_FALSE(PIHandshake(0x10000, &data));
  EXPECT_FALSE(PIHandshake(0x20001, &data));
  EXPECT_EQ(ASAtomNull, data.extensionName) << "nothing is registered";
  EXPECT_EQ(nullptr, data.initCallback);
  EXPECT_FALSE(PIHandshake(kPIHandshakeVersion, nullptr));
  PIHandshakeData small{};
  small.size = sizeof small - 1;
  EXPECT_FALSE(PIHandshake(kPIHandshakeVersion, &small));

  ASSERT_TRUE(PIHandshake(kPIHandshakeVersion, &data));
  EXPECT_STREQ("KRVL_KorvelVelmora3", ASAtomGetString(data.extensionName));
  EXPECT_EQ(nullptr, data.exportHFTsCallback);
  EXPECT_EQ(nullptr, data.importReplaceAndRegisterCallback);
  ASSERT_NE(nullptr, data.initCallback);
  ASSERT_NE(nullptr, data.unloadCallback);
  EXPECT_TRUE(data.unloadCallback());
}

TEST_F(PlugInStart, AFreshStartPreparesEverything) {
  ASSERT_TRUE(MasterInit());
  EXPECT_TRUE(Alerts().empty()) << Alerts().front();
  EXPECT_EQ("OK", Msg("common.button.ok"));
  EXPECT_EQ(ASAtomFromString("en"), GetMessageTableCurrentLang(gSystemMessageTable));
  EXPECT_EQ(kAutoMessageModeKCtl, gAutoMessageMode.mode) << "alerts are the framework's from now on";
  EXPECT_STREQ("Korvel Velmora 3.0k", gKCtlAlertTitle);
  EXPECT_EQ(gExtensionID, gMacExtensionID);
  EXPECT_GT(gMacPluginResFile, 1) << "the bundle's resources are the plug-in's resource file";
  EXPECT_EQ(1, PfCurResFile()) << "the host's stays current";
  ASSERT_NE(nullptr, kvToolButton);
  ASSERT_NE(nullptr, GetDefaultCmdColl());
  EXPECT_NE(nullptr, CmdCollFindCommand(nullptr, ASAtomFromString("Nup")));
  AVMenuItem nup = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), "KRVL:Velmora3:nUpPages");
  EXPECT_NE(nullptr, nup);
  AVMenuItemRelease(nup);
  EXPECT_EQ(KVAutomationProcs(), PIGetAutomation());
  for (const std::string& c : kvtest::ModuleCalls())
    EXPECT_EQ(0u, c.rfind("build:", 0)) << c << ": nothing but the commands' builders runs at start";
  EXPECT_TRUE(MyUnload());
}

TEST_F(PlugInStart, UnloadingLeavesNothingBehind) {
  ASSERT_TRUE(MasterInit());
  // What a session leaves: an open status box with a pushed state, a cached
  // background file and the page-size collection.
  PushStatusBox();
  OpenStatusBox();
  std::string background = session_.prefs() + "/background.pdf";
  kvfix::WriteSimple(background, 2);
  STemplateInfo templ{};
  TemplateInfoSetPath(&templ, background.c_str());
  templ.to = 1;
  ASSERT_NE(nullptr, CachedTemplatePDDoc(&templ, 0));
  ASInt32 docsBefore = PDGetOpenDocCount();
  ASSERT_NE(nullptr, GetSystemDefaultPageSizeCollection());
  ASSERT_NE(nullptr, StatusBoxDialog());

  EXPECT_TRUE(MyUnload());
  EXPECT_EQ(nullptr, StatusBoxDialog());
  EXPECT_EQ(0, MacLiveDialogCount());
  EXPECT_EQ(docsBefore - 1, PDGetOpenDocCount()) << "the background file is closed";
  EXPECT_EQ(nullptr, gSystemDefaultPageSizeCollection);
  EXPECT_TRUE(MyUnload()) << "twice is harmless";
}

// A host that ran the plug-in unattended and unloads it: the responder does
// not go on answering dialogs past the plug-in's life, nor in its next one
// before the table is called again.
TEST_F(PlugInStart, UnloadingStopsTheDialogResponder) {
  ASSERT_TRUE(MasterInit());
  ASSERT_TRUE(KVAutomationProcs()->answerDialogs(
      "<?xml version=\"1.0\"?><RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\"><ITEMS>"
      "<DICT N=\"0\"><ITEMS><B N=\"On\">1</B></ITEMS></DICT></ITEMS></RUVURAZAR>"));
  EXPECT_TRUE(KCtlAutomationActive());
  EXPECT_TRUE(MyUnload());
  EXPECT_FALSE(KCtlAutomationActive());
  ASSERT_TRUE(MasterInit());
  EXPECT_FALSE(KCtlAutomationActive());
  EXPECT_TRUE(MyUnload());
}

TEST_F(PlugInStart, TheHostsLanguageIsAskedWhenTheUserChoseNone) {
  AVAppSetLanguage("XXX");  // a language the host cannot name: English
  EXPECT_TRUE(MasterInit());
  EXPECT_EQ(ASAtomFromString("en"), GetMessageTableCurrentLang(gSystemMessageTable));
}

TEST_F(PlugInStart, ALanguageWithoutMessagesNeedsTheUsersChoice) {
  AVAppSetLanguage("DEU");
  EXPECT_FALSE(MasterInit()) << "refusing the chooser with the built-in strings ends the start";
  EXPECT_TRUE(Alerts().empty()) << "without a further message";
}

TEST_F(PlugInStart, ALanguageChosenInTheChooserIsStoredAndUsed) {
  AVAppSetLanguage("DEU");
  KCtlAutomationStart(nullptr, 0);  // the chooser is answered with its first language
  ASSERT_TRUE(MasterInit());
  EXPECT_EQ(1, KCtlAutomationAnsweredCount());
  char lang[20], folder[100];
  GetUserLang(nullptr, lang, sizeof lang, folder, sizeof folder);
  EXPECT_STREQ("en", lang);
  EXPECT_EQ(ASAtomFromString("en"), GetMessageTableCurrentLang(gSystemMessageTable));
}

TEST_F(PlugInStart, DeclinedFolderPathsAreNotOffered) {
  std::string real = MessageFolder();
  for (const std::string& folder : {"*" + real, std::string("*")}) {
    SetMessageDirFolder(nullptr, folder.c_str());
    AVAlertClearRecorded();
    ASSERT_TRUE(MasterInit()) << folder;
    EXPECT_TRUE(Alerts().empty()) << folder << ": " << Alerts().front();
    EXPECT_EQ("OK", Msg("common.button.ok")) << folder;
  }
}

// A folder that gives no texts is not a successful load: the built-in texts
// are used, without a question, and the user is told once which folder it was.
TEST_F(PlugInStart, AnUnusableFolderFallsBackToTheBuiltInTexts) {
  std::string empty = session_.prefs() + "/empty";
  std::filesystem::create_directories(empty);
  std::string plain = session_.prefs() + "/plain";
  kvtest::WriteWholeFile(plain, "not a folder");
  std::string bare = session_.prefs() + "/bare";
  std::filesystem::create_directories(bare + "/en");
  for (const std::string& folder : {session_.prefs() + "/missing", empty, plain, std::string("ab"), bare}) {
    SetMessageDirFolder(nullptr, folder.c_str());
    AVAlertClearRecorded();
    gAutoMessageMode.mode = kAutoMessageModeHostAlert;  // as before a start
    ASSERT_TRUE(MasterInit()) << folder;
    EXPECT_EQ("OK", Msg("common.button.ok")) << folder;
    ASSERT_EQ(1u, Alerts().size()) << folder;
    EXPECT_NE(std::string::npos, Alerts()[0].find("The message folder " + folder + " cannot be used")) << Alerts()[0];
    char lang[20], stored[1000];
    GetUserLang(nullptr, lang, sizeof lang, stored, sizeof stored);
    EXPECT_EQ(folder, std::string(stored)) << "kept for when it can be read again";
  }
}

// Sheets that give no text at all leave nothing to choose between: the
// built-in texts are used without the question, as for a folder that cannot
// be read, and the folder's empty languages are not offered.
TEST_F(PlugInStart, AFolderWhoseSheetsGiveNoTextsFallsBackToTheBuiltInTexts) {
  std::string folder = session_.prefs() + "/broken";
  std::filesystem::create_directories(folder + "/de");
  kvtest::WriteWholeFile(folder + "/de/texts.xml", "<Workbook");
  SetMessageDirFolder(nullptr, folder.c_str());
  ASSERT_TRUE(MasterInit());
  EXPECT_FALSE(Has(Alerts(), "confirm: Problem with message directory. Use built in strings instead?"));
  size_t told = 0;
  for (const std::string& a : Alerts())
    if (a.find("The message folder " + folder + " cannot be used") != std::string::npos) ++told;
  EXPECT_EQ(1u, told);
  EXPECT_EQ("OK", Msg("common.button.ok"));
  EXPECT_EQ(Msg("impmenu1.cmd.nup"), std::string(FindImpositionCommandRow(kImpCmdNup)->title));
  EXPECT_NE("impmenu1.cmd.nup", Msg("impmenu1.cmd.nup"));
  EXPECT_FALSE(GetMessageDebugMode()) << "the built-in texts are complete";
  EXPECT_FALSE(MessageTableLangKnown(gSystemMessageTable, ASAtomFromString("de")));
}

// The message setup accepts any folder it can read; the start reads the same,
// a two-letter one too.
TEST_F(PlugInStart, AShortFolderThatCanBeReadIsOffered) {
  std::string folder = MessageFolder();
  std::string saved = std::filesystem::current_path();
  std::filesystem::current_path(folder + "/..");
  std::filesystem::rename(folder, "ab");
  SetMessageDirFolder(nullptr, "ab");
  AVAlertQueueAnswer(1);  // use the folder
  bool started = MasterInit();
  std::filesystem::current_path(saved);
  ASSERT_TRUE(started);
  EXPECT_TRUE(Has(Alerts(), "confirm: Korvel Velmora 3 will use message directory ab, or Cancel to reset to internal "
                            "strings"));
  EXPECT_EQ("N-up (folder)", Msg("impmenu1.cmd.nup"));
}

TEST_F(PlugInStart, DecliningTheFolderRemembersItAsDeclined) {
  std::string folder = MessageFolder();
  SetMessageDirFolder(nullptr, folder.c_str());
  AVAlertQueueAnswer(2);
  ASSERT_TRUE(MasterInit());
  ASSERT_EQ(1u, Alerts().size());
  EXPECT_EQ("confirm: Korvel Velmora 3 will use message directory " + folder +
                ", or Cancel to reset to internal strings",
            Alerts()[0]);
  EXPECT_EQ("OK", Msg("common.button.ok")) << "the built-in strings";
  char lang[20], stored[1000];
  GetUserLang(nullptr, lang, sizeof lang, stored, sizeof stored);
  EXPECT_EQ("*" + folder, std::string(stored));
}

TEST_F(PlugInStart, AnAcceptedFolderIsUsedAndItsLanguagesAreOffered) {
  std::string folder = MessageFolder();
  SetMessageDirFolder(nullptr, folder.c_str());
  AVCursor before = AVSysGetCursor();
  ASSERT_TRUE(MasterInit()) << "refusing the chooser over a folder still starts";
  EXPECT_TRUE(GetMessageDebugMode());
  EXPECT_EQ(before, AVSysGetCursor()) << "the cursor is put back";
  EXPECT_EQ("N-up (folder)", Msg("impmenu1.cmd.nup"));
  EXPECT_EQ("N-up (folder)", std::string(FindImpositionCommandRow(kImpCmdNup)->title));
}

TEST_F(PlugInStart, ABrokenFolderOffersTheBuiltInStrings) {
  struct Case {
    ASInt32 answer;  // to "use built in strings instead?"
    const char* ok;
  };
  for (const Case& c : {Case{1, "OK"}, Case{2, "OK (folder)"}}) {
    std::string folder = MessageFolder(true);
    SetMessageDirFolder(nullptr, folder.c_str());
    AVAlertClearRecorded();
    gAutoMessageMode.mode = kAutoMessageModeHostAlert;  // as before a start
    AVAlertQueueAnswer(1);  // use the folder
    AVAlertQueueAnswer(1);  // the folder reader's note of the memory it took
    AVAlertQueueAnswer(c.answer);
    ASSERT_TRUE(MasterInit()) << c.answer;
    EXPECT_TRUE(Has(Alerts(), "confirm: Problem with message directory. Use built in strings instead?"));
    SetMessageTableCurrentLang(gSystemMessageTable, ASAtomFromString("en"), 0);
    EXPECT_EQ(c.ok, Msg("common.button.ok")) << c.answer;
  }
}

TEST_F(PlugInStart, BuiltInMessagesThatDoNotLoadEndTheStart) {
  kvtest::TempDir resources;
  std::filesystem::create_directories(resources.file("MSGB"));
  struct Case {
    const char* what;
    const char* control;
    const char* texts;
  };
  for (const Case& c : {Case{"no resources", nullptr, nullptr},
                        Case{"a text that is its own key", "en\t1001\n", "common.button.ok\tcommon.button.ok\n"},
                        Case{"an empty text", "en\t1001\n", "common.button.ok\t\n"}}) {
    std::filesystem::remove_all(resources.file("MSGB"));
    std::filesystem::create_directories(resources.file("MSGB"));
    if (c.control) kvtest::WriteWholeFile(resources.file("MSGB/123"), c.control);
    if (c.texts) kvtest::WriteWholeFile(resources.file("MSGB/1001"), c.texts);
    PfBundleSetResourcesFolder(resources.path().c_str());
    AVAlertClearRecorded();
    EXPECT_FALSE(MasterInit()) << c.what;
    EXPECT_TRUE(Has(Alerts(), std::string("note: ") + kFailed)) << c.what;
  }
}

}  // namespace
