// The automation table: commands, named actions and recorded histories run
// without a user; dialogs answered, alerts printed by the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "foundation/Alerts.h"
#include "kctl/KCtlAlert.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/KParams.h"
#include "frame/Automation.h"
#include "frame/CommandModules.h"
#include "pdftools/CommandHistory.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "host/AVAlert.h"
#include "kctl/KCtlAutomation.h"
#include "kctl/mac/MacDialog.h"

namespace {

ASAtom A(const char* text) { return ASAtomFromString(text); }

using kvtest::RecordedAlerts;

void Collect(const char* text, void* data) { static_cast<std::vector<std::string>*>(data)->push_back(text); }

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    kvtest::InstallTestModules(true, true);
    InitKVCommands(0);
    SetAlertKCtlMode("Korvel Velmora 3.0k");  // as after the plug-in's start
    kvtest::Calls().clear();
    kvtest::ModuleCalls().clear();
    kvtest::ForgetSeenParams();
    AVAlertRecordStart();
    procs_ = KVAutomationProcs();
  }
  void TearDown() override {
    AVAlertRecordStop();
    KCtlAutomationStop();
    kvtest::ResetStatusBox();
  }

  PDDoc OpenDocument(const char* name, int pages) { return session_.OpenDocument(name, pages); }

  kvtest::PlugInSession session_;
  const PIAutomationProcs* procs_ = nullptr;
};

TEST_F(Automation, ACommandRunsWithoutItsDialogOnItsRememberedParameters) {
  PDDoc doc = OpenDocument("a.pdf", 2);
  SKCab* mine = KCabNewInner();
  KCabPutInt(mine, "Mine", 3);
  MergeAndStoreKVParameters("Last:Nup", mine);
  KCabDestroy(mine);
  ASSERT_TRUE(procs_->runCommand("Nup", nullptr));
  EXPECT_EQ(std::string::npos, kvtest::CallsText().find("UI")) << "no dialog";
  ASSERT_NE(nullptr, kvtest::LastProcessParams());
  EXPECT_EQ(3, KCabGetInt(kvtest::LastProcessParams(), "Mine", 0));
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:HasDoc", 0)) << "on the active document";
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:Stamping", 0));
  EXPECT_EQ("Krvl:Automation", kvtest::CallerOf(kvtest::LastProcessParams()));
  EXPECT_TRUE(PDDocHasCommandList(doc));
  EXPECT_EQ(kImpCmdNup, latestImpositionCommand);
  EXPECT_TRUE(HasCommandCompleted(kImpCmdNup));
  EXPECT_EQ(1u, std::count(kvtest::ModuleCalls().begin(), kvtest::ModuleCalls().end(), "ReadGeneralPrefs"));
  EXPECT_EQ(0, suspendAutoStamping);
  EXPECT_TRUE(KCtlAutomationActive()) << "from now on dialogs are answered";
}

TEST_F(Automation, GivenParametersGoOverTheDefaultsAndAreNotRemembered) {
  OpenDocument("a.pdf", 1);
  ASSERT_TRUE(procs_->runCommand("Nup", nullptr));
  SKCab* xml = KCabNewInner();
  KCabPutInt(xml, "Mine", 7);
  std::string path = session_.prefs() + "/p.xml";
  kvtest::WriteCabFile(path, xml);
  KCabDestroy(xml);
  std::string text = kvtest::ReadWholeFile(path);
  SKCab* before = LoadKVParameters("Last:Nup");
  ASSERT_TRUE(procs_->runCommand("Nup", text.c_str()));
  EXPECT_EQ(7, KCabGetInt(kvtest::LastProcessParams(), "Mine", 0));
  EXPECT_EQ(1, KCabGetInt(kvtest::LastProcessParams(), "Copies", 0)) << "the defaults fill in the rest";
  SKCab* after = LoadKVParameters("Last:Nup");
  ASSERT_NE(nullptr, before);
  ASSERT_NE(nullptr, after);
  EXPECT_FALSE(KCabKnown(after, "Mine")) << "not remembered";
  KCabDestroy(before);
  KCabDestroy(after);
}

// Settings go over the defaults and over given parameters, each read by the
// command's own table, which the command modules offer; they are not
// remembered. One that does not read stops the run before it starts.
TEST_F(Automation, SettingsAreReadByTheCommandsTableAndGoOverTheGivenParameters) {
  static const SKParamDef kDefs[] = {{"FitAcross", kKParamInt, 0, 100, nullptr, 0, "columns", "", nullptr},
                                     {"Margin", kKParamNumber, 0, 1440, nullptr, 0, "pt", "", nullptr},
                                     {nullptr, kKParamAny, 0, 0, nullptr, 0, nullptr, nullptr, nullptr}};
  static const SKParamDef* const kGroups[] = {kDefs, nullptr};
  static const SKParamTable kTable{"Nup", "", kGroups, nullptr, nullptr, nullptr};
  SKVCommandModules tables{};
  tables.CommandParamTable = [](const char* key) -> const SKParamTable* {
    return std::string(key) == "Nup" ? &kTable : nullptr;
  };
  KVCommandModuleAdd(tables);
  OpenDocument("a.pdf", 1);
  ASSERT_TRUE(procs_->runCommand("Nup", nullptr));
  SKCab* before = LoadKVParameters("Last:Nup");
  ASSERT_GE(procs_->size, sizeof(PIAutomationProcs));

  SKCab* xml = KCabNewInner();
  KCabPutInt(xml, "FitAcross", 2);
  KCabPutInt(xml, "Mine", 7);
  std::string path = session_.prefs() + "/p.xml";
  kvtest::WriteCabFile(path, xml);
  KCabDestroy(xml);
  const std::string text = kvtest::ReadWholeFile(path);
  const char* const settings[] = {"FitAcross=3", "Margin=10mm", "FitAcross=4"};
  ASSERT_TRUE(procs_->runCommandWithSettings("Nup", text.c_str(), nullptr, settings, 3));
  SKCab* seen = kvtest::LastProcessParams();
  ASSERT_NE(nullptr, seen);
  EXPECT_EQ(4, KCabGetInt(seen, "FitAcross", 0)) << "the last setting wins over the file";
  EXPECT_NEAR(28.3465, KCabGetDouble(seen, "Margin", 0), 1e-4);
  EXPECT_EQ(7, KCabGetInt(seen, "Mine", 0)) << "the file's other values stay";
  EXPECT_EQ(1, KCabGetInt(seen, "Copies", 0)) << "the defaults fill in the rest";
  ASSERT_TRUE(procs_->runCommandWithSettings("Nup", nullptr, nullptr, settings, 1));
  EXPECT_EQ(3, KCabGetInt(kvtest::LastProcessParams(), "FitAcross", 0)) << "without a file, over the defaults";
  EXPECT_FALSE(KCabKnown(kvtest::LastProcessParams(), "Mine"));
  SKCab* after = LoadKVParameters("Last:Nup");
  ASSERT_NE(nullptr, before);
  ASSERT_NE(nullptr, after);
  EXPECT_EQ(KCabGetType(before, "FitAcross"), KCabGetType(after, "FitAcross")) << "not remembered";
  EXPECT_FALSE(KCabKnown(after, "Margin"));
  KCabDestroy(before);
  KCabDestroy(after);

  // Refused: said as the run's error, and nothing runs.
  kvtest::ForgetSeenParams();
  AVAlertClearRecorded();
  const char* const unreadable[] = {"Margin=1em"};
  EXPECT_FALSE(procs_->runCommandWithSettings("Nup", nullptr, nullptr, unreadable, 1));
  EXPECT_EQ(nullptr, kvtest::LastProcessParams());
  EXPECT_EQ(std::vector<std::string>{"error: Margin takes a length from 0 to 1440 pt, with a unit mm, cm, in or pt "
                                     "(without one, points), not \"1em\"."},
            RecordedAlerts());

  // The check says why, without an alert, and runs nothing.
  AVAlertClearRecorded();
  std::vector<std::string> why;
  const char* const outside[] = {"Margin=1in", "FitAcross=101"};
  EXPECT_FALSE(procs_->checkSettings("Nup", outside, 2, Collect, &why));
  EXPECT_EQ(std::vector<std::string>{"FitAcross = 101 is refused: it must be a whole number from 0 to 100 columns."}, why);
  EXPECT_TRUE(procs_->checkSettings("Nup", outside, 1, Collect, &why));
  EXPECT_TRUE(procs_->checkSettings("NoSuch", unreadable, 1, Collect, &why)) << "running it says there is none";
  EXPECT_TRUE(RecordedAlerts().empty());
  EXPECT_EQ(nullptr, kvtest::LastProcessParams());
  kvtest::InstallTestModules(true, true);
}

TEST_F(Automation, TheProductSaysItsVersion) {
  std::vector<std::string> lines;
  procs_->productVersion(Collect, &lines);
  EXPECT_EQ(std::vector<std::string>{"Korvel Velmora 3.0k"}, lines);
}

TEST_F(Automation, ProblemsAreToldByTheHostAndAreNoSuccess) {
  OpenDocument("a.pdf", 1);
  struct Case {
    const char* key;
    const char* params;
    const char* alert;
  };
  for (const Case& c : {Case{"NoSuch", nullptr, "error: There is no command NoSuch; --list-commands lists the commands."},
                        Case{"Nup", "<not cabinet xml",
                             "error: The command parameters could not be read: the text ends inside a tag or comment "
                             "on line 1; is the file cut off?"},
                        Case{"", nullptr, nullptr}}) {
    AVAlertClearRecorded();
    kvtest::Calls().clear();
    EXPECT_FALSE(procs_->runCommand(c.key, c.params)) << c.key;
    EXPECT_EQ("", kvtest::CallsText()) << c.key;
    if (c.alert) {
      EXPECT_EQ(std::vector<std::string>{c.alert}, RecordedAlerts()) << c.key;
      ASSERT_FALSE(AVAlertRecorded().empty());
      EXPECT_EQ("Korvel Velmora 3.0k", AVAlertRecorded()[0].title);
    }
  }
  SKCab* params = KCabNewInner();
  KCabPutStringCopy(params, "Test:RaiseAt", "Start");
  MergeAndStoreKVParameters("Last:Nup", params);
  KCabPutStringCopy(params, "Test:RaiseAt", "nowhere");
  KCabPutStringCopy(params, "Test:CancelAt", "Start");
  MergeAndStoreKVParameters("Last:Shuffle", params);
  KCabDestroy(params);
  AVAlertClearRecorded();
  EXPECT_FALSE(procs_->runCommand("Nup", nullptr));
  ASSERT_EQ(1u, RecordedAlerts().size());
  EXPECT_EQ(0u, RecordedAlerts()[0].rfind("error: Could not complete N-up pages:", 0)) << RecordedAlerts()[0];
  EXPECT_FALSE(HasCommandCompleted(kImpCmdNup));
  EXPECT_FALSE(procs_->runCommand("Shuffle", nullptr)) << "a cancelled run";
  EXPECT_EQ(0, suspendAutoStamping);
}

// A table of one whole number, as the commands' tables give their keys.
const SKParamDef kCountDefs[] = {{"Count", kKParamInt, 1, 100, nullptr, 0, "pages", "pages", nullptr},
                                 {nullptr, kKParamAny, 0, 0, nullptr, 0, nullptr, nullptr, nullptr}};
const SKParamDef* const kCountGroups[] = {kCountDefs, nullptr};
const SKParamTable kCountTable = {"Nup", "a test table", kCountGroups, nullptr, nullptr, nullptr};
const SKParamTable* FindCountTable(const char* command) {
  return std::string(command) == "Nup" ? &kCountTable : nullptr;
}

// A text that does not read is named with the file it came from, with what
// is wrong and where; a whole number out of range with the range its key
// takes. Nothing runs.
TEST_F(Automation, ATextThatDoesNotReadIsNamedWithItsFileAndWhy) {
  OpenDocument("a.pdf", 1);
  const std::string open = std::string("<RUVURAZAR xmlns=\"") + kKCabXMLNamespace + "\">\n";
  const std::string unclosed = open + "<ITEMS>\n<I N='FitAcross'>2</I>\n</RUVURAZAR>\n";
  const std::string large = open + "<ITEMS>\n<I N='Count'>99999999999</I>\n</ITEMS>\n</RUVURAZAR>\n";
  SKVCommandModules tables{};
  tables.CommandParamTable = FindCountTable;
  KVCommandModuleAdd(tables);
  struct Case {
    const char* what;
    std::function<ASBool()> run;
    const char* alert;
  };
  const Case cases[] = {
      {"no end tag", [&] { return procs_->runCommandWithSettings("Nup", unclosed.c_str(), "jobs/p.xml", nullptr, 0); },
       "error: The command parameters in jobs/p.xml could not be read: line 2, <ITEMS> is not closed before "
       "</RUVURAZAR> on line 4; add its </ITEMS>."},
      {"too large, with the key's range",
       [&] { return procs_->runCommandWithSettings("Nup", large.c_str(), "p.xml", nullptr, 0); },
       "error: The command parameters in p.xml could not be read: line 3, Count holds 99999999999, which is out of "
       "its range: Count takes a whole number from 1 to 100 pages."},
      {"too large, a command without the key",
       [&] { return procs_->runCommandWithSettings("Shuffle", large.c_str(), "p.xml", nullptr, 0); },
       "error: The command parameters in p.xml could not be read: line 3, Count holds 99999999999, a whole number "
       "beyond what an <I> element holds (-2147483648 to 2147483647)."},
      {"no file to name", [&] { return procs_->runCommand("Nup", unclosed.c_str()); },
       "error: The command parameters could not be read: line 2, <ITEMS> is not closed before </RUVURAZAR> on line "
       "4; add its </ITEMS>."},
      {"answers of another kind", [&] { return procs_->answerDialogsFrom("<html>\n</html>\n", "a.xml"); },
       "error: The dialog answers in a.xml could not be read as cabinet XML: line 1 begins with the element <html>, "
       "where cabinet XML begins with <RUVURAZAR>."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AVAlertClearRecorded();
    kvtest::Calls().clear();
    kvtest::ForgetSeenParams();
    EXPECT_FALSE(c.run());
    EXPECT_EQ(std::vector<std::string>{c.alert}, RecordedAlerts());
    EXPECT_EQ(nullptr, kvtest::LastProcessParams()) << "nothing ran";
  }
}

TEST_F(Automation, CommandsAreListedWithTheirTitles) {
  std::vector<std::string> lines;
  procs_->listCommands(Collect, &lines);
  EXPECT_EQ((std::vector<std::string>{"CreateSample\tSample document", "EvenOddShuffle\tEven and odd pages",
                                      "InsertBlanks\tInsert pages", "Join2Pages\tJoin two pages", "Nup\tN-up pages",
                                      "ReversePageOrder\tReverse the page order", "Shuffle\tShuffle pages",
                                      "SimpleBooklet\tBooklet", "TrimAndShift\tTrim and shift"}),
            lines);
}

TEST_F(Automation, HistoriesAreShownAndReplayedOnTheActiveDocument) {
  PDDoc first = OpenDocument("a.pdf", 2);
  std::vector<std::string> xml;
  EXPECT_FALSE(procs_->historyXML(first, Collect, &xml));
  EXPECT_EQ(std::vector<std::string>{"error: " + kvtest::Text("kvauto.err.nohistory")}, RecordedAlerts());
  EXPECT_FALSE(procs_->replayHistory(first));

  ASSERT_TRUE(procs_->runCommand("Nup", nullptr));
  ASSERT_TRUE(procs_->historyXML(first, Collect, &xml));
  ASSERT_EQ(1u, xml.size());
  EXPECT_NE(std::string::npos, xml[0].find("HistoryList_V1"));
  EXPECT_NE(std::string::npos, xml[0].find("Nup"));

  PDDoc second = OpenDocument("b.pdf", 3);
  kvtest::Calls().clear();
  AVAlertClearRecorded();
  ASSERT_TRUE(procs_->replayHistory(first)) << (RecordedAlerts().empty() ? "" : RecordedAlerts()[0]);
  EXPECT_NE(std::string::npos, kvtest::CallsText().find("P2")) << "the active document's pages";
  EXPECT_EQ("Krvl:Automation", kvtest::CallerOf(kvtest::LastProcessParams()));
  EXPECT_TRUE(PDDocHasCommandList(second));
}

TEST_F(Automation, NamedActionsPlayByNameOrByCommandAndName) {
  OpenDocument("a.pdf", 1);
  SKCab* list = KCabNewInner();
  KCabPutAtom(list, "Category", A("OneCommand_V1"));
  KCabPutAtom(list, "Command", A("Nup"));
  KCabPutCab(list, "Params", KCabNewInner());
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddCategory(A("Shuffle"), "Shuffle", 1);
  KVMemoryAddItem2(A("Nup"), "mine", KCabDup(list), nullptr);
  KCabPutAtom(list, "Command", A("Shuffle"));
  KVMemoryAddItem2(A("Shuffle"), "both", KCabDup(list), nullptr);
  KVMemoryAddItem2(A("Shuffle"), "mine", list, nullptr);

  EXPECT_TRUE(procs_->playAction("both"));
  EXPECT_TRUE(procs_->playAction("Shuffle:mine"));
  EXPECT_TRUE(procs_->playAction("mine"));
  SKCab* played = KVMemoryGetItemCopy(A("Shuffle"), "mine");
  EXPECT_EQ(1, KCabGetInt(played, "Stats:Count", 0));
  KCabDestroy(played);
  played = KVMemoryGetItemCopy(A("Nup"), "mine");
  EXPECT_EQ(1, KCabGetInt(played, "Stats:Count", 0)) << "a plain name plays the first category's";
  KCabDestroy(played);

  AVAlertClearRecorded();
  for (const char* missing : {"nobody", "Nup:nobody", "Nobody:mine", ":mine"}) EXPECT_FALSE(procs_->playAction(missing));
  EXPECT_EQ(4u, RecordedAlerts().size());
  EXPECT_EQ("error: " + kvtest::Text("uiimp.mem.cannotplay"), RecordedAlerts()[0]);
}

// Every road a run can take is the dispatcher's: the general preferences
// are read, stamping is held off while it runs, a modal dialog refuses it.
TEST_F(Automation, EveryRoadIsTheDispatchersRoad) {
  PDDoc doc = OpenDocument("a.pdf", 2);
  ASSERT_TRUE(procs_->runCommand("Nup", nullptr));  // a history to replay
  SKCab* list = KCabNewInner();
  KCabPutAtom(list, "Category", A("OneCommand_V1"));
  KCabPutAtom(list, "Command", A("Nup"));
  KCabPutCab(list, "Params", KCabNewInner());
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "mine", list, nullptr);

  struct Road {
    const char* name;
    std::function<bool()> run;
  };
  const Road roads[] = {
      {"--command", [&] { return procs_->runCommand("Nup", nullptr) != 0; }},
      {"--menu", [&] { return ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI") != 0; }},
      {"--play", [&] { return procs_->playAction("mine") != 0; }},
      {"--replay", [&] { return procs_->replayHistory(doc) != 0; }},
      {"playback dialog", [&] { return KVMemoryPlaybackItem(A("Nup"), "mine", nullptr, "Krvl:PlaybackItem") != 0; }},
  };
  for (const Road& road : roads) {
    SCOPED_TRACE(road.name);
    kvtest::ModuleCalls().clear();
    kvtest::ForgetSeenParams();
    suspendAutoStamping = 0;
    EXPECT_TRUE(road.run());
    EXPECT_EQ(1u, std::count(kvtest::ModuleCalls().begin(), kvtest::ModuleCalls().end(), "ReadGeneralPrefs"));
    ASSERT_NE(nullptr, kvtest::LastProcessParams());
    EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:Stamping", 0));
    EXPECT_EQ(0, suspendAutoStamping);

    modalDepth = 1;
    kvtest::ForgetSeenParams();
    AVAlertClearRecorded();
    EXPECT_FALSE(road.run());
    modalDepth = 0;
    EXPECT_EQ(nullptr, kvtest::LastProcessParams()) << "nothing ran under a modal dialog";
    EXPECT_EQ(std::vector<std::string>{"error: " + kvtest::Text("impmenu1.mustclosedialog")}, RecordedAlerts());
  }
}

TEST_F(Automation, AnswersForDialogsFromNowOn) {
  EXPECT_FALSE(KCtlAutomationActive());
  procs_->answerDialogs("not xml");
  EXPECT_EQ(std::vector<std::string>{"error: The dialog answers could not be read as cabinet XML: line 1 holds \"not "
                                     "xml\", not an element; cabinet XML is a RUVURAZAR element that holds one ITEMS "
                                     "element."},
            RecordedAlerts());
  EXPECT_TRUE(KCtlAutomationActive()) << "dialogs are answered with OK all the same";
  procs_->answerDialogs(nullptr);
  EXPECT_TRUE(KCtlAutomationActive());
  AVAlertClearRecorded();
  WarnMessageUTF8("careful");
  NoteMessageUTF8("noted");
  EXPECT_TRUE(ConfirmMessageUTF8("sure?", 1));
  EXPECT_EQ((std::vector<std::string>{"warning: careful", "note: noted", "confirm: sure?"}), RecordedAlerts());
}

TEST_F(Automation, TheOutcomeOfMenuItems) {
  OpenDocument("a.pdf", 1);
  procs_->takeMenuOutcome();
  EXPECT_EQ(-1, procs_->takeMenuOutcome());
  ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI");
  EXPECT_EQ(1, procs_->takeMenuOutcome());
}

}  // namespace
