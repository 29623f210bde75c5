// Registration of the commands, the settings stores and running a command by
// key with remembered parameters.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KCabXML.h"
#include "foundation/KFile.h"
#include "frame/CmdColl.h"
#include "pdftools/CommandHistory.h"
#include "frame/KVCommands.h"
#include "frame/ProcMan.h"
#include "host/AVAlert.h"
#include "support/MessageCapture.h"

namespace {

ASAtom A(const char* text) { return ASAtomFromString(text); }

// The command's remembered parameters as stored, or null.
SKCab* Stored(const char* key) { return LoadKVParameters((std::string("Last:") + key).c_str()); }

class KVCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    kvtest::InstallTestModules(true, true);
    InitKVCommands(0);
    kvtest::Calls().clear();
    kvtest::ForgetSeenParams();
  }
  void TearDown() override { kvtest::ResetStatusBox(); }

  PDDoc OpenDocument(int pages) { return session_.OpenDocument("doc.pdf", pages); }

  // Sets the remembered parameters of key.
  void Remember(const char* key, SKCab* params) {
    MergeAndStoreKVParameters((std::string("Last:") + key).c_str(), params);
    KCabDestroy(params);
  }

  kvtest::PlugInSession session_;
};

TEST_F(KVCommands, RegistrationBuildsEveryModuleInOrderOnceWithIdentityAndFeatures) {
  std::vector<std::string> built;
  for (const std::string& c : kvtest::ModuleCalls())
    if (c.rfind("build:", 0) == 0) built.push_back(c.substr(6));
  EXPECT_EQ((std::vector<std::string>{"CreateSample", "InsertBlanks", "TrimAndShift", "SimpleBooklet", "Shuffle",
                                      "EvenOddShuffle", "Nup", "Join2Pages", "ReversePageOrder"}),
            built);
  for (const std::string& key : built) EXPECT_NE(nullptr, CmdCollFindCommand(nullptr, A(key.c_str()))) << key;

  SKCab* identity = KCabGetCab(GetDefaultCmdColl(), "_CollectionIdentity");
  ASSERT_NE(nullptr, identity);
  EXPECT_STREQ("KRVL_KorvelVelmora3", KCabGetString(identity, "Code"));
  EXPECT_STREQ("Korvel Velmora 3", KCabGetString(identity, "Name"));
  EXPECT_STREQ("Korvel Velmora 3.0k", KCabGetString(identity, "FullName"));
  EXPECT_EQ(1, KCabGetInt(identity, "Version", 0));
  for (const char* feature : {"kv2base", "plugin", "KV2.9", "kv3alphabase"})
    EXPECT_TRUE(CmdCollSupportsFeature(nullptr, feature, nullptr)) << feature;
  const char* description = nullptr;
  CmdCollSupportsFeature(nullptr, "kv2base", &description);
  EXPECT_STREQ("Korvel Velmora 2.0 Base product", description);

  size_t before = kvtest::ModuleCalls().size();
  InitKVCommands(0);
  EXPECT_EQ(before, kvtest::ModuleCalls().size()) << "registration happens once per plug-in life";
}

TEST(KVCommandsRegistration, AMissingOrFailingModuleLeavesTheOthersIn) {
  kvtest::LoadMessages();
  kvtest::PlugInSession session;
  KVCommandModulesClear();
  SKVCommandModules m{};
  m.NewCmdMgrForNup = [] { return kvtest::NewTestCommand("Nup", false, nullptr, false); };
  m.NewCmdMgrForShuffle = []() -> SKCab* { ASRaise(genErrNoMemory); };
  m.NewCmdMgrForReverseDocument = [] { return kvtest::NewTestCommand("ReversePageOrder", false, nullptr, false); };
  KVCommandModuleAdd(m);
  kvtest::MessageCapture capture;
  InitKVCommands(0);
  EXPECT_NE(nullptr, CmdCollFindCommand(nullptr, A("Nup")));
  EXPECT_NE(nullptr, CmdCollFindCommand(nullptr, A("ReversePageOrder")));
  EXPECT_EQ(nullptr, CmdCollFindCommand(nullptr, A("Shuffle")));
  EXPECT_EQ(1u, capture.messages().size()) << "the failing module is reported";
  EXPECT_TRUE(CmdCollSupportsFeature(nullptr, "kv3alphabase", nullptr));
}

TEST(KVCommandsStores, StoreChoiceByName) {
  kvtest::PlugInSession session;
  struct Case {
    const char* name;
    bool memory;
  };
  for (const Case& c : {Case{"Memory", true}, Case{"MemoryOfActions", true}, Case{"Memor", false},
                        Case{"memory", false}, Case{"xMemory", false}, Case{"Last:Nup", false}, Case{"", false},
                        Case{nullptr, false}}) {
    EXPECT_EQ(c.memory ? KVMemPersist() : KVMainPersist(), SelectKVPersist(c.name)) << (c.name ? c.name : "null");
  }
  EXPECT_NE(KVMainPersist(), KVMemPersist());
  EXPECT_STREQ("kv3", KVMainPersist()->name);
  EXPECT_STREQ("kvplusmemory3", KVMemPersist()->name);
  EXPECT_TRUE(KVMemPersist()->syncMode);
  EXPECT_FALSE(KVMainPersist()->syncMode);
  EXPECT_TRUE(KVMainPersist()->autoCommit && KVMemPersist()->autoCommit);

  char key[kKVPersistKeySize];
  FillKVPersistKey(key, sizeof key, A("Nup"));
  EXPECT_STREQ("Last:Nup", key);
  char small[7];
  FillKVPersistKey(small, sizeof small, A("Nup"));
  EXPECT_STREQ("Last:N", small);
}

TEST(KVCommandsStores, MergeKeepsWhatTheGivenCabinetLacksAndCommitsAtOnce) {
  kvtest::PlugInSession session;
  EXPECT_EQ(nullptr, LoadKVParameters("Last:Help"));
  SKCab* empty = LoadKVParametersNoNull("Last:Help");
  ASSERT_NE(nullptr, empty);
  EXPECT_TRUE(KCabIsEmpty(empty));
  KCabDestroy(empty);

  SKCab* first = KCabNewInner();
  KCabPutInt(first, "A", 1);
  KCabPutInt(first, "B", 2);
  MergeAndStoreKVParameters("Last:Help", first);
  KCabPutInt(first, "A", 10);
  KCabRemove(first, "B");
  MergeAndStoreKVParameters("Last:Help", first);
  KCabDestroy(first);
  SKCab* stored = LoadKVParameters("Last:Help");
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ(10, KCabGetInt(stored, "A", 0));
  EXPECT_EQ(2, KCabGetInt(stored, "B", 0));
  KCabDestroy(stored);

  // Committed: the file on disk has it.
  SKFileName* file = NewKFileNameFromUtf8(session.settings("kv3.xml").c_str());
  SKCab* onDisk = KCabReadFromKFileName(file, nullptr);
  DestroyKFileNameOnly(file);
  ASSERT_NE(nullptr, onDisk);
  EXPECT_EQ(10, KCabGetInt(onDisk, "Last:Help:A", 0));
  KCabDestroy(onDisk);
}

TEST(KVCommandsStores, SettingsOfTheOlderStoreLoseTheClassicMode) {
  kvtest::PlugInSession session;
  std::filesystem::create_directories(session.settings(""));
  SKCab* old = KCabNewInner();
  KCabPutBool(old, "Last:General:Classic", 1);
  KCabPutInt(old, "Last:General:Keep", 7);
  KCabPutInt(old, "Last:Nup:Copies", 3);
  kvtest::WriteCabFile(session.settings("kv.xml"), old);
  KCabDestroy(old);

  SKCab* general = LoadKVParameters("Last:General");
  ASSERT_NE(nullptr, general);
  EXPECT_FALSE(KCabKnown(general, "Classic"));
  EXPECT_EQ(7, KCabGetInt(general, "Keep", 0));
  KCabDestroy(general);
  SKCab* nup = LoadKVParameters("Last:Nup");
  ASSERT_NE(nullptr, nup);
  EXPECT_EQ(3, KCabGetInt(nup, "Copies", 0));
  KCabDestroy(nup);
  EXPECT_TRUE(std::filesystem::exists(session.settings("kv3.xml"))) << "the cleaned settings are stored under the new name";
}

TEST(KVCommandsStores, CurrentSettingsKeepTheClassicMode) {
  kvtest::PlugInSession session;
  std::filesystem::create_directories(session.settings(""));
  SKCab* current = KCabNewInner();
  KCabPutBool(current, "Last:General:Classic", 1);
  kvtest::WriteCabFile(session.settings("kv3.xml"), current);
  KCabDestroy(current);
  SKCab* general = LoadKVParameters("Last:General");
  ASSERT_NE(nullptr, general);
  EXPECT_TRUE(KCabGetBool(general, "Classic", 0));
  KCabDestroy(general);
}

TEST_F(KVCommands, AFirstRunStartsFromTheDefaultsAndRemembersTheAcceptedValues) {
  PDDoc doc = OpenDocument(3);
  EXPECT_EQ(nullptr, Stored("Nup"));
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, "Krvl:DirectUI"));
  ASSERT_NE(nullptr, kvtest::LastUIParams());
  EXPECT_EQ(1, KCabGetInt(kvtest::LastUIParams(), "Copies", 0)) << "the dialog starts from the defaults";
  EXPECT_TRUE(KCabGetBool(kvtest::LastUIParams(), "Interactive", 0));
  ASSERT_NE(nullptr, kvtest::LastProcessParams());
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Test:UISeen", 0)) << "the process gets the dialog's values";
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:HasDoc", 0)) << "on the front document";
  SKCab* stored = Stored("Nup");
  ASSERT_NE(nullptr, stored);
  EXPECT_TRUE(KCabGetBool(stored, "Test:UISeen", 0));
  EXPECT_EQ(1, KCabGetInt(stored, "Copies", 0));
  KCabDestroy(stored);
  EXPECT_EQ("UI Initialise CheckSource Start P0 P1 P2 Finish Describer Terminate", kvtest::CallsText());
  EXPECT_TRUE(PDDocHasCommandList(doc)) << "the run is recorded in the document's history";
}

TEST_F(KVCommands, StoredParametersAreUsedAsStoredUnlessReset) {
  OpenDocument(1);
  SKCab* old = KCabNewInner();
  KCabPutInt(old, "Old", 5);  // an older version's parameters: no "Copies"
  Remember("Nup", old);
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(5, KCabGetInt(kvtest::LastUIParams(), "Old", 0));
  EXPECT_FALSE(KCabKnown(kvtest::LastUIParams(), "Copies")) << "new defaults are not merged in";

  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 1, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_FALSE(KCabKnown(kvtest::LastUIParams(), "Old")) << "a reset starts from the defaults alone";
  EXPECT_EQ(1, KCabGetInt(kvtest::LastUIParams(), "Copies", 0));
  SKCab* stored = Stored("Nup");
  EXPECT_FALSE(KCabKnown(stored, "Old"));
  KCabDestroy(stored);
}

TEST_F(KVCommands, ACancelledDialogStoresNothingAndRunsNothing) {
  OpenDocument(1);
  SKCab* params = KCabNewInner();
  KCabPutBool(params, "Test:UIAnswer", 0);
  KCabPutInt(params, "Mine", 4);
  Remember("Nup", params);
  EXPECT_FALSE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ("UI", kvtest::CallsText());
  SKCab* stored = Stored("Nup");
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ(4, KCabGetInt(stored, "Mine", 0));
  EXPECT_FALSE(KCabKnown(stored, "Test:UISeen")) << "the dialog's edits are not stored";
  KCabDestroy(stored);
}

TEST_F(KVCommands, ADialogThatRaisesCountsAsCancelled) {
  OpenDocument(1);
  SKCab* params = KCabNewInner();
  KCabPutBool(params, "Test:UIRaise", 1);
  Remember("Nup", params);
  EXPECT_FALSE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ("UI", kvtest::CallsText());
}

TEST_F(KVCommands, TheCallerIsGivenKeptOrUnknown) {
  OpenDocument(1);
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ("Krvl:Unknown", kvtest::CallerOf(kvtest::LastUIParams())) << "a first call without a caller";
  EXPECT_EQ("Krvl:Unknown", kvtest::CallerOf(kvtest::LastProcessParams()));
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, "Krvl:DirectUI"));
  EXPECT_EQ("Krvl:DirectUI", kvtest::CallerOf(kvtest::LastUIParams()));
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ("Krvl:DirectUI", kvtest::CallerOf(kvtest::LastUIParams())) << "a call without one keeps the stored one";
}

TEST_F(KVCommands, WithoutAProcessNothingRunsAndTheAnswerIsFalse) {
  OpenDocument(1);
  EXPECT_FALSE(ExecuteKVCommand(A("Nup"), 0, 1, 0, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ("UI", kvtest::CallsText());
  SKCab* stored = Stored("Nup");
  EXPECT_TRUE(KCabGetBool(stored, "Test:UISeen", 0)) << "accepted values are stored all the same";
  KCabDestroy(stored);
}

TEST_F(KVCommands, ACancelledProcessKeepsTheDialogsValues) {
  OpenDocument(2);
  SKCab* params = KCabNewInner();
  KCabPutStringCopy(params, "Test:CancelAt", "Start");
  Remember("Nup", params);
  EXPECT_FALSE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  SKCab* stored = Stored("Nup");
  EXPECT_TRUE(KCabGetBool(stored, "Test:UISeen", 0));
  KCabDestroy(stored);
}

TEST_F(KVCommands, AnExceptionFromTheProcessPassesOnAfterTheParametersAreStored) {
  OpenDocument(2);
  SKCab* params = KCabNewInner();
  KCabPutStringCopy(params, "Test:RaiseAt", "Start");
  Remember("Nup", params);
  ASErrorCode caught = 0;
  DURING
    ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(genErrGeneral, caught);
  SKCab* stored = Stored("Nup");
  EXPECT_TRUE(KCabGetBool(stored, "Test:UISeen", 0));
  KCabDestroy(stored);
  // The check-out ended: the next run starts from the stored values again.
  SKCab* fix = KCabNewInner();
  KCabPutStringCopy(fix, "Test:RaiseAt", "nowhere");
  Remember("Nup", fix);
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
}

TEST_F(KVCommands, GivenParametersAreTheCallersAndNotRemembered) {
  OpenDocument(2);
  SKCab* given = KCabNewInner();
  KCabPutInt(given, "Mine", 9);
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 1, 1, given, 0, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_TRUE(KCabGetBool(given, "Test:UISeen", 0)) << "edited in place";
  EXPECT_FALSE(KCabGetBool(given, "NewDoc", 1)) << "a new document was not allowed";
  EXPECT_FALSE(KCabGetBool(kvtest::LastProcessParams(), "NewDoc", 1));
  EXPECT_EQ(nullptr, Stored("Nup"));
  // With reset, the given cabinet is emptied and takes the defaults.
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 1, 0, 1, given, 1, 1, 0, nullptr, nullptr, nullptr));
  EXPECT_FALSE(KCabKnown(given, "Mine"));
  EXPECT_EQ(1, KCabGetInt(given, "Copies", 0));
  KCabDestroy(given);
}

TEST_F(KVCommands, ANonInteractiveRunHasNoSourceUnlessItKeepsOne) {
  PDDoc doc = OpenDocument(2);
  kvtest::MessageCapture capture;
  // A command that needs a document is refused before it starts.
  EXPECT_FALSE(ExecuteKVCommand(A("Nup"), 0, 0, 1, nullptr, 1, 0, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(nullptr, kvtest::LastProcessParams()) << "Start never ran";
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ(kvtest::Text("common.err.noopendocument"), capture.messages()[0].text);

  SKCab* given = KCabNewInner();
  ProcManSetSourcePDDoc(given, doc);
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 0, 1, given, 1, 0, 1, nullptr, nullptr, nullptr));
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:HasDoc", 0)) << "keep source";
  KCabDestroy(given);
}

// The callbacks read the caller's interactive word, whatever an earlier
// dialog left remembered.
TEST_F(KVCommands, TheProcessSeesTheCallersInteractiveWordNotARememberedOne) {
  OpenDocument(2);
  // As the real command: it runs with or without a document.
  KCabPutBool(CmdCollFindCommand(nullptr, A("InsertBlanks")), "Control:Props:UIDoesntNeedAVDoc", 1);
  for (int remembered : {-1, 0, 1}) {
    if (remembered >= 0) {
      SKCab* params = KCabNewInner();
      KCabPutBool(params, "Interactive", remembered);
      Remember("InsertBlanks", params);
    }
    for (ASBool interactive : {0, 1}) {
      SCOPED_TRACE("remembered " + std::to_string(remembered) + ", interactive " + std::to_string(interactive));
      kvtest::ForgetSeenParams();
      EXPECT_TRUE(ExecuteKVCommand(A("InsertBlanks"), 0, 0, 1, nullptr, 1, interactive, 0, nullptr, nullptr, nullptr));
      ASSERT_NE(nullptr, kvtest::LastProcessParams());
      EXPECT_EQ(interactive, KCabGetBool(kvtest::LastProcessParams(), "Interactive", 2));
      EXPECT_EQ((bool)interactive, (bool)KCabGetBool(kvtest::LastProcessParams(), "Run:HasDoc", 0));
      SKCab* stored = Stored("InsertBlanks");
      ASSERT_NE(nullptr, stored);
      EXPECT_EQ(remembered >= 0 ? remembered : 2, KCabGetBool(stored, "Interactive", 2)) << "left as remembered";
      KCabDestroy(stored);
    }
  }
}

TEST_F(KVCommands, TheRunsResultIsHandedOut) {
  OpenDocument(3);
  SKCab* result = nullptr;
  EXPECT_TRUE(ExecuteKVCommand(A("Nup"), 0, 0, 1, nullptr, 1, 1, 0, &result, nullptr, nullptr));
  ASSERT_NE(nullptr, result);
  EXPECT_EQ(1, KCabGetInt(result, "Started", 0));
  EXPECT_EQ(3, KCabGetInt(result, "PagesProcessed", 0));
  KCabDestroy(result);
}

TEST_F(KVCommands, AnUnknownCommandIsReportedAndIsNoSuccess) {
  kvtest::MessageCapture capture;
  EXPECT_FALSE(ExecuteKVCommand(A("NoSuchCommand"), 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, nullptr));
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ("Internal error: command not found", capture.messages()[0].text);
  EXPECT_EQ(nullptr, Stored("NoSuchCommand"));

  SKCab* params = LoadKVCommandParams(A("NoSuchCommand"));
  ASSERT_NE(nullptr, params);
  EXPECT_TRUE(KCabIsEmpty(params));
  KCabDestroy(params);
  EXPECT_EQ(2u, capture.messages().size());
}

TEST_F(KVCommands, CommandParametersComeFromTheStoreElseTheDefaults) {
  SKCab* defaults = LoadKVCommandParams(A("Shuffle"));
  EXPECT_EQ(1, KCabGetInt(defaults, "Copies", 0));
  KCabDestroy(defaults);
  SKCab* mine = KCabNewInner();
  KCabPutInt(mine, "Copies", 6);
  Remember("Shuffle", mine);
  SKCab* stored = LoadKVCommandParams(A("Shuffle"));
  EXPECT_EQ(6, KCabGetInt(stored, "Copies", 0));
  KCabDestroy(stored);
}

TEST_F(KVCommands, AOneCommandListFromTheRememberedParameters) {
  SKCab* mine = KCabNewInner();
  KCabPutInt(mine, "Copies", 2);
  Remember("Join2Pages", mine);
  struct Case {
    ECmdUIMode mode;
    const char* word;
  };
  for (const Case& c : {Case{kCmdUIModeNone, "None"}, Case{kCmdUIModeFull, "Full"}, Case{kCmdUIModeBatch, "Batch"}}) {
    SKCab* list = KVSingleCommandFromLast(A("Join2Pages"), c.mode);
    EXPECT_EQ(kCmdItemOneCommand, CmdListNodeCategory(list));
    EXPECT_EQ(A(c.word), KCabGetAtom(list, "UIMode", ASAtomNull));
    EXPECT_EQ(A("Join2Pages"), KCabGetAtom(list, "Command", ASAtomNull));
    EXPECT_EQ(2, KCabGetInt(list, "Params:Copies", 0));
    const char* created = KCabGetString(list, "Stats:Created");
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(16u, std::strlen(created)) << created;
    EXPECT_EQ(0, std::strncmp(created, "D:20", 4)) << created;
    KCabDestroy(list);
  }
}

}  // namespace
