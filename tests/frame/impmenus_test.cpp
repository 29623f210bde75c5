// The command table, the plug-in's menus and their enable tests, and the
// dispatcher every user command goes through.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "fixtures/PermissionFixtures.h"
#include "foundation/KFile.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/ToolButton.h"
#include "kctl/mac/MacDialog.h"
#include "support/MessageCapture.h"

namespace {

ASAtom A(const char* text) { return ASAtomFromString(text); }

struct Item {
  std::string name;
  std::string title;
  bool enabled;
};

std::vector<Item> ItemsOf(AVMenu menu) {
  std::vector<Item> items;
  for (ASInt32 i = 0, n = menu ? AVMenuGetNumMenuItems(menu) : 0; i < n; ++i) {
    AVMenuItem item = AVMenuAcquireMenuItemByIndex(menu, i);
    char title[300];
    AVMenuItemGetTitle(item, title, sizeof title);
    items.push_back({ASAtomGetString(AVMenuItemGetName(item)), title, AVMenuItemIsEnabled(item) != 0});
    AVMenuItemRelease(item);
  }
  return items;
}

std::vector<std::string> NamesOf(AVMenu menu) {
  std::vector<std::string> names;
  for (const Item& i : ItemsOf(menu)) names.push_back(i.name);
  return names;
}

// The enabled state of the menu item of that name (false when there is none).
bool Enabled(const char* name) {
  AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), name);
  bool enabled = item && AVMenuItemIsEnabled(item);
  if (item) AVMenuItemRelease(item);
  return enabled;
}

bool Execute(const char* name) {
  AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), name);
  if (!item) return false;
  bool ran = AVMenuItemExecute(item);
  AVMenuItemRelease(item);
  return ran;
}

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    kvtest::InstallTestModules(true, true);
    InitKVCommands(0);
    kvtest::ModuleCalls().clear();
    kvtest::Calls().clear();
    kvtest::ForgetSeenParams();
    kvtest::gPanelAnswer = true;
  }
  void TearDown() override {
    modalDepth = 0;
    suspendAutoStamping = 0;
    kvtest::ResetStatusBox();
  }

  PDDoc OpenDocument(int pages) { return session_.OpenDocument("doc.pdf", pages); }

  // Sets the remembered parameters of key.
  void Remember(const char* key, const char* entry, const char* value) {
    SKCab* params = KCabNewInner();
    KCabPutStringCopy(params, entry, value);
    MergeAndStoreKVParameters((std::string("Last:") + key).c_str(), params);
    KCabDestroy(params);
  }

  size_t Count(const char* call) {
    size_t n = 0;
    for (const std::string& c : kvtest::ModuleCalls()) n += c == call;
    return n;
  }

  kvtest::PlugInSession session_;
};

TEST(CommandTable, RowsByNumberAndByKey) {
  kvtest::LoadMessages();
  struct Case {
    EImpositionCommand command;
    const char* key;  // null: a panel row
    const char* menuItem;
  };
  const Case cases[] = {
      {1, "SimpleBooklet", "KRVL:Velmora3:Booklet"},
      {3, "Nup", "KRVL:Velmora3:nUpPages"},
      {4, "Join2Pages", "KRVL:Velmora3:JoinTwoPages"},
      {5, "TrimAndShift", "KRVL:Velmora3:TrimAndShift"},
      {6, "ReversePageOrder", "KRVL:Velmora3:ReversePages"},
      {7, "EvenOddShuffle", "KRVL:Velmora3:ShuffleEvenOdd"},
      {8, "Shuffle", "KRVL:Velmora3:ShufflePagesForVelmora"},
      {9, "CreateSample", "KRVL:Velmora3:CreateSample"},
      {10, "InsertBlanks", "KRVL:Velmora3:InsertBlankPages"},
      {19, nullptr, "KRVL:Velmora3:ControlPanel"},
      {20, nullptr, "KRVL:Velmora3:Remember"},
      {21, nullptr, "KRVL:Velmora3:Playback"},
      {22, nullptr, "KRVL:Velmora3:Prefs"},
      {24, nullptr, "KRVL:Velmora3:About"},
      {25, nullptr, "KRVL:Velmora3:Help"},
      {27, "PageTools", "KRVL:Velmora3:ImpDoc"},
      {28, "PageSizes", "KRVL:Velmora3:FixPageSize"},
      {29, "Splitter", "KRVL:Velmora3:SplitPages"},
      {31, nullptr, "LastTabbedDialog"},
  };
  for (const Case& c : cases) {
    SImpositionCommandRow* row = FindImpositionCommandRow(c.command);
    ASSERT_NE(nullptr, row) << c.command;
    EXPECT_STREQ(c.menuItem, row->menuItemName);
    EXPECT_EQ(c.key ? A(c.key) : ASAtomNull, ImpositionCommandToCmdKey(c.command)) << c.command;
    EXPECT_EQ(c.key == nullptr, row->uiProc != nullptr) << c.command;
    if (c.key) {
      EXPECT_EQ(c.command, CmdKeyToImpositionCommand(A(c.key)));
    }
    EXPECT_FALSE(HasCommandCompleted(c.command));
  }
  for (EImpositionCommand unused : {0u, 2u, 11u, 18u, 23u, 26u, 30u, 32u, 1000u}) {
    EXPECT_EQ(nullptr, FindImpositionCommandRow(unused)) << unused;
    EXPECT_EQ(ASAtomNull, ImpositionCommandToCmdKey(unused)) << unused;
  }
  EXPECT_EQ(20u, CmdKeyToImpositionCommand(ASAtomNull)) << "the first panel row";
  EXPECT_EQ(0u, CmdKeyToImpositionCommand(A("NoSuchKey")));
  EXPECT_STREQ("N-up pages", FindImpositionCommandRow(3)->title) << "titles are the title keys' texts";
  EXPECT_STREQ("Split pages", FindImpositionCommandRow(29)->title);
}

TEST(CommandTable, RowsAppendBehindTheEndRow) {
  kvtest::LoadMessages();
  InitCommandTable();
  AddMenu("Test:Extra", 40, nullptr, "Extra", A("Extra"));
  EXPECT_EQ(40u, CmdKeyToImpositionCommand(A("Extra")));
  EXPECT_STREQ("Extra", FindImpositionCommandRow(40)->title);
  size_t rows = 0;
  while (commandTable[rows].command != kImpCmdNone) ++rows;
  EXPECT_EQ(20u, rows);
  EXPECT_EQ(nullptr, commandTable[rows].menuItemName);
}

TEST_F(Dispatcher, TheSubmenuAndTheHostsItems) {
  ASSERT_TRUE(InitImpMenus());
  AVMenubar bar = AVAppGetMenubar();
  AVMenu extensions = AVMenubarAcquireMenuByName(bar, "Extensions");
  std::vector<Item> top = ItemsOf(extensions);
  ASSERT_EQ(1u, top.size());
  EXPECT_EQ("KRVL:Velmora3:ImposeSub", top[0].name);
  EXPECT_EQ("Korvel Velmora 3", top[0].title);
  AVMenu impose = AVMenubarAcquireMenuByName(bar, "KRVL:Velmora3:Impose");
  ASSERT_NE(nullptr, impose);
  char title[100];
  AVMenuGetTitle(impose, title, sizeof title);
  EXPECT_STREQ("Imposition", title);
  EXPECT_EQ((std::vector<std::string>{"KRVL:Velmora3:ControlPanel", "KRVL:Velmora3:Remember",
                                      "KRVL:Velmora3:Playback", "KRVL:Velmora3:Sep", "KRVL:Velmora3:Booklet",
                                      "KRVL:Velmora3:nUpPages", "KRVL:Velmora3:JoinTwoPages", "KRVL:Velmora3:Sep",
                                      "KRVL:Velmora3:ShuffleEvenOdd", "KRVL:Velmora3:ShufflePagesForVelmora",
                                      "KRVL:Velmora3:ReversePages", "KRVL:Velmora3:TrimAndShift",
                                      "KRVL:Velmora3:Sep", "KRVL:Velmora3:InsertBlankPages",
                                      "KRVL:Velmora3:CreateSample"}),
            NamesOf(impose));
  std::vector<Item> items = ItemsOf(impose);
  EXPECT_EQ("Control Panel...", items[0].title) << "titles lose their \"&\"";
  EXPECT_EQ("Reverse Page Order...", items[10].title);
  EXPECT_EQ("-", items[3].title);
  AVMenuRelease(impose);
  AVMenuRelease(extensions);

  for (const char* host : {"Help", "AboutExtensions", "Prefs"}) {
    AVMenu menu = AVMenubarAcquireMenuByName(bar, host);
    std::vector<std::string> names = NamesOf(menu);
    AVMenuRelease(menu);
    std::string expected = std::string("KRVL:Velmora3:") + (std::string(host) == "AboutExtensions" ? "About"
                                                            : std::string(host) == "Help"           ? "Help"
                                                                                                      : "Prefs");
    ASSERT_FALSE(names.empty()) << host;
    EXPECT_EQ(expected, names.back()) << host;
  }
}

TEST_F(Dispatcher, TheHelpItemPrefersTheHostsExtensionsHelpMenu) {
  AVMenubar bar = AVAppGetMenubar();
  AVMenu using_ = AVMenuNew("Using Extensions", "UsingExtensions", nullptr);
  AVMenubarAddMenu(bar, using_, APPEND_MENU);
  InitImpMenus();
  EXPECT_EQ(std::vector<std::string>{"KRVL:Velmora3:Help"}, NamesOf(using_));
  AVMenu help = AVMenubarAcquireMenuByName(bar, "Help");
  for (const std::string& name : NamesOf(help)) EXPECT_NE("KRVL:Velmora3:Help", name);
  AVMenuRelease(help);
  AVMenuRelease(using_);
}

TEST_F(Dispatcher, AHostWithoutExtensionsGetsNoCommandItemsAndEveryCommandCountsAsEnabled) {
  AVMenu extensions = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "Extensions");
  AVMenuRemove(extensions);
  AVMenuRelease(extensions);
  ASSERT_TRUE(InitImpMenus());
  EXPECT_EQ(nullptr, AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), "KRVL:Velmora3:nUpPages"));
  EXPECT_NE(nullptr, AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), "KRVL:Velmora3:Help"));
  for (EImpositionCommand c : {1u, 3u, 19u, 20u, 21u, 31u}) EXPECT_TRUE(MenuItemEnabledForCommand(c)) << c;
}

TEST_F(Dispatcher, EnableTestsFollowTheFrontDocumentAndItsPermissions) {
  InitImpMenus();
  const char* documentItems[] = {"KRVL:Velmora3:Booklet",        "KRVL:Velmora3:nUpPages",
                                 "KRVL:Velmora3:JoinTwoPages",   "KRVL:Velmora3:ShuffleEvenOdd",
                                 "KRVL:Velmora3:ShufflePagesForVelmora", "KRVL:Velmora3:ReversePages",
                                 "KRVL:Velmora3:TrimAndShift"};
  const char* alwaysItems[] = {"KRVL:Velmora3:ControlPanel", "KRVL:Velmora3:Playback",
                               "KRVL:Velmora3:InsertBlankPages", "KRVL:Velmora3:CreateSample"};
  for (const char* item : documentItems) EXPECT_FALSE(Enabled(item)) << item << " without a document";
  for (const char* item : alwaysItems) EXPECT_TRUE(Enabled(item)) << item;
  EXPECT_FALSE(MenuItemEnabledForCommand(kImpCmdNup)) << "the control panel asks the same tests";
  EXPECT_TRUE(MenuItemEnabledForCommand(kImpCmdInsertBlanks));

  struct Case {
    bool edit, annotate, enabled;
  };
  for (const Case& c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false},
                        Case{false, false, false}}) {
    std::string path = session_.prefs() + "/perm.pdf";
    kvfix::WritePermissions(path, c.edit, c.annotate, false);
    PDDoc doc = OpenExistingPDDocFromUtf8String(path.c_str());
    ASSERT_NE(nullptr, doc);
    AVDoc view = kvtest::OpenView(doc, 0);
    for (const char* item : documentItems) EXPECT_EQ(c.enabled, Enabled(item)) << item << c.edit << c.annotate;
    for (const char* item : alwaysItems) EXPECT_TRUE(Enabled(item)) << item;
    EXPECT_EQ(c.enabled, StandardComputeEnabled((void*)kImpositionEditMask) != 0);
    EXPECT_TRUE(StandardComputeEnabled(nullptr)) << "mask 0 only needs a document";
    AVDocClose(view, 1);
  }
}

TEST_F(Dispatcher, TheRecordItemWaitsForACommandOtherThanTheControlPanel) {
  InitImpMenus();
  EXPECT_FALSE(Enabled("KRVL:Velmora3:Remember"));
  EXPECT_FALSE(ExecuteImpositionCommand(kImpCmdControlPanel, "Krvl:DirectUI")) << "opening the panel is no command";
  EXPECT_EQ(1u, Count("ControlPanel"));
  EXPECT_EQ(kImpCmdNone, latestImpositionCommand);
  EXPECT_FALSE(HasCommandCompleted(kImpCmdControlPanel));
  EXPECT_FALSE(Enabled("KRVL:Velmora3:Remember"));

  EXPECT_TRUE(ExecuteImpositionCommand(kImpCmdAbout, "Krvl:DirectUI"));
  EXPECT_EQ(1u, Count("About"));
  EXPECT_EQ(kImpCmdAbout, latestImpositionCommand);
  EXPECT_TRUE(HasCommandCompleted(kImpCmdAbout));
  EXPECT_TRUE(Enabled("KRVL:Velmora3:Remember"));
  latestImpositionCommand = kImpCmdControlPanel;
  EXPECT_TRUE(Enabled("KRVL:Velmora3:Remember")) << "once enabled, it stays enabled";
}

TEST_F(Dispatcher, AnEngineCommandRunsThroughItsRememberedParameters) {
  OpenDocument(2);
  InitImpMenus();
  suspendAutoStamping = 0;
  EXPECT_TRUE(ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI"));
  EXPECT_EQ(kImpCmdNup, latestImpositionCommand);
  EXPECT_TRUE(HasCommandCompleted(kImpCmdNup));
  EXPECT_EQ(1u, Count("Refresh")) << "the control panel re-tests its buttons";
  EXPECT_EQ(1u, Count("ReadGeneralPrefs"));
  ASSERT_NE(nullptr, kvtest::LastProcessParams());
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:Stamping", 0)) << "stamping is held off while it runs";
  EXPECT_EQ(0, suspendAutoStamping) << "and given back afterwards";
  EXPECT_EQ("Krvl:DirectUI", kvtest::CallerOf(kvtest::LastUIParams()));
  SKCab* stored = LoadKVParameters("Last:Nup");
  ASSERT_NE(nullptr, stored);
  EXPECT_TRUE(KCabGetBool(stored, "Test:UISeen", 0));
  KCabDestroy(stored);

  suspendAutoStamping = 1;  // a dispatch inside another one
  EXPECT_TRUE(ExecuteImpositionCommand(kImpCmdReversePages, "Krvl:DirectUI"));
  EXPECT_EQ(1, suspendAutoStamping);
  EXPECT_EQ(2u, Count("ReadGeneralPrefs")) << "asked at every dispatch; the module reads once";
}

TEST_F(Dispatcher, ACancelledCommandMarksNothing) {
  OpenDocument(1);
  Remember("Nup", "Test:CancelAt", "Start");
  EXPECT_FALSE(ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI"));
  EXPECT_FALSE(HasCommandCompleted(kImpCmdNup));
  EXPECT_EQ(kImpCmdNone, latestImpositionCommand);
  EXPECT_EQ(0u, Count("Refresh"));
}

TEST_F(Dispatcher, AnExceptionIsReportedWithTheCommandsTitle) {
  OpenDocument(1);
  Remember("Nup", "Test:RaiseAt", "Start");
  suspendAutoStamping = 0;
  kvtest::MessageCapture capture;
  EXPECT_FALSE(ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI"));
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ(0u, capture.messages()[0].text.rfind("Could not complete N-up pages:\n", 0)) << capture.messages()[0].text;
  EXPECT_EQ(0, suspendAutoStamping);
  EXPECT_FALSE(HasCommandCompleted(kImpCmdNup));
  EXPECT_EQ(kImpCmdNone, latestImpositionCommand);
}

TEST_F(Dispatcher, AModalDialogRefusesEveryCommand) {
  OpenDocument(1);
  InitImpMenus();
  modalDepth = 1;
  suspendAutoStamping = 0;
  kvtest::MessageCapture capture;
  for (EImpositionCommand c : {kImpCmdNup, kImpCmdPrefs, kImpCmdLastTabbedDialog}) {
    EXPECT_FALSE(ExecuteImpositionCommand(c, "Krvl:DirectUI")) << c;
    EXPECT_EQ(0, suspendAutoStamping);
  }
  kvToolButtonExecute(nullptr);
  EXPECT_EQ(4u, capture.Count(kvtest::Text("impmenu1.mustclosedialog")));
  EXPECT_EQ("", kvtest::CallsText()) << "nothing ran";
  EXPECT_EQ(0u, Count("Prefs") + Count("LastTabbed"));
}

TEST_F(Dispatcher, UnknownNumbersDoNothingQuietly) {
  kvtest::MessageCapture capture;
  for (EImpositionCommand c : {0u, 2u, 30u, 99u}) EXPECT_FALSE(ExecuteImpositionCommand(c, "Krvl:DirectUI")) << c;
  EXPECT_TRUE(capture.messages().empty());
}

TEST_F(Dispatcher, PanelRowsCallTheirPanel) {
  struct Case {
    EImpositionCommand command;
    const char* call;
  };
  for (const Case& c : {Case{kImpCmdRecord, "Record"}, Case{kImpCmdPlayback, "Play"}, Case{kImpCmdPrefs, "Prefs"},
                        Case{kImpCmdHelp, "Help"}, Case{kImpCmdLastTabbedDialog, "LastTabbed"}}) {
    kvtest::gPanelAnswer = false;
    EXPECT_FALSE(ExecuteImpositionCommand(c.command, "Krvl:DirectUI")) << c.call;
    EXPECT_FALSE(HasCommandCompleted(c.command)) << c.call;
    kvtest::gPanelAnswer = true;
    EXPECT_TRUE(ExecuteImpositionCommand(c.command, "Krvl:DirectUI")) << c.call;
    EXPECT_TRUE(HasCommandCompleted(c.command)) << c.call;
    EXPECT_EQ(c.command, latestImpositionCommand);
    EXPECT_EQ(2u, Count(c.call)) << c.call;
  }
  EXPECT_EQ(0u, Count("Refresh")) << "panel rows do not refresh the control panel";
}

TEST_F(Dispatcher, AMissingPanelSaysSoAndCompletesNothing) {
  KVCommandModulesClear();
  kvtest::MessageCapture capture;
  for (EImpositionCommand c : {kImpCmdRecord, kImpCmdPlayback, kImpCmdPrefs, kImpCmdAbout, kImpCmdHelp,
                               kImpCmdControlPanel, kImpCmdLastTabbedDialog}) {
    EXPECT_FALSE(ExecuteImpositionCommand(c, "Krvl:DirectUI")) << c;
    EXPECT_FALSE(HasCommandCompleted(c));
  }
  ASSERT_EQ(7u, capture.messages().size());
  EXPECT_EQ("\"Preferences\" is not available in this build of the plug-in.", capture.messages()[2].text);
}

TEST_F(Dispatcher, MenuItemsRunAsTheUserChoosesThem) {
  OpenDocument(1);
  InitImpMenus();
  EXPECT_TRUE(Execute("KRVL:Velmora3:nUpPages"));
  EXPECT_EQ("Krvl:DirectUI", kvtest::CallerOf(kvtest::LastUIParams()));
  EXPECT_EQ(kImpCmdNup, latestImpositionCommand);

  EXPECT_TRUE(Execute("KRVL:Velmora3:Help"));
  EXPECT_TRUE(Execute("KRVL:Velmora3:About"));
  EXPECT_EQ(1u, Count("Help"));
  EXPECT_EQ(1u, Count("About"));
  EXPECT_EQ(kImpCmdNup, latestImpositionCommand) << "help and about of the host's menus skip the dispatcher";
  EXPECT_TRUE(Execute("KRVL:Velmora3:Prefs"));
  EXPECT_EQ(1u, Count("Prefs"));
  EXPECT_EQ(kImpCmdPrefs, latestImpositionCommand) << "the preferences item goes through it";
}

TEST_F(Dispatcher, HelpAndAboutOfTheHostsMenusReadThePreferencesFirst) {
  InitImpMenus();
  // Opened first of all, they must see the web-access and classic-mode choices.
  EXPECT_TRUE(Execute("KRVL:Velmora3:Help"));
  EXPECT_EQ((std::vector<std::string>{"ReadGeneralPrefs", "Help"}), kvtest::ModuleCalls());
  kvtest::ModuleCalls().clear();
  EXPECT_TRUE(Execute("KRVL:Velmora3:About"));
  EXPECT_EQ((std::vector<std::string>{"ReadGeneralPrefs", "About"}), kvtest::ModuleCalls());
}

TEST_F(Dispatcher, TheOutcomeOfDispatchesForTheHostProgram) {
  OpenDocument(1);
  ImpositionTakeDispatchOutcome();
  EXPECT_EQ(-1, ImpositionTakeDispatchOutcome());
  ExecuteImpositionCommand(kImpCmdControlPanel, "Krvl:DirectUI");
  EXPECT_EQ(-1, ImpositionTakeDispatchOutcome()) << "opening the panel is no command";
  ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI");
  EXPECT_EQ(1, ImpositionTakeDispatchOutcome());
  EXPECT_EQ(-1, ImpositionTakeDispatchOutcome()) << "taken once";
  ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI");
  kvtest::gPanelAnswer = false;
  ExecuteImpositionCommand(kImpCmdPrefs, "Krvl:DirectUI");
  ExecuteImpositionCommand(kImpCmdNup, "Krvl:DirectUI");
  EXPECT_EQ(0, ImpositionTakeDispatchOutcome()) << "one that did not complete spoils the lot";
}

}  // namespace
