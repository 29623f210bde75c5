// Command lists: the controller and the history it writes, walking,
// feature lists, verification and replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include <cstring>
#include <functional>
#include <string>

#include "FrameTestSupport.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "frame/CmdColl.h"
#include "pdftools/CommandHistory.h"
#include "frame/CmdList.h"
#include "frame/ProcMan.h"
#include "host/AVAlert.h"
#include "support/HostPdf.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

SKCab* Node(const char* category) {
  SKCab* node = KCabNewInner();
  KCabPutAtom(node, "Category", ASAtomFromString(category));
  return node;
}

SKCab* Element(const char* category, const char* command, const std::function<void(SKCab*)>& params = nullptr) {
  SKCab* node = Node(category);
  if (command) KCabPutAtom(node, "Command", ASAtomFromString(command));
  SKCab* p = KCabNewInner();
  if (params) params(p);
  KCabPutCab(node, "Params", p);
  return node;
}

SKCab* List(std::initializer_list<SKCab*> children, const char* category = "CommandList_V1") {
  SKCab* list = Node(category);
  for (SKCab* child : children) KCabPutCab(list, "", child);
  return list;
}

class CmdListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareTestCollection();
    Calls().clear();
    ResetStatusBox();
    CloseAllViews();
    gPDFXMode = 0;
    tokens = KCabGetInt(DefaultCommandListController(), "CommandToken", -1);
  }
  void TearDown() override {
    for (PDDoc d : docs) PDDocClose(d);
    CloseAllViews();
    gPDFXMode = 0;
    EXPECT_EQ(tokens, KCabGetInt(DefaultCommandListController(), "CommandToken", -1)) << "runs left open";
  }
  // A view on doc, which then belongs to the view.
  AVDoc View(PDDoc doc, ASInt32 page) {
    docs.erase(std::remove(docs.begin(), docs.end(), doc), docs.end());
    return OpenView(doc, page);
  }
  PDDoc Doc(int pages) {
    std::string path = dir.file("doc" + std::to_string(docs.size()) + ".pdf");
    kvfix::WriteSimple(path, pages);
    docs.push_back(OpenPdf(path));
    return docs.back();
  }
  // Runs a command on doc as the command runner does, recording it.
  bool Run(const char* key, PDDoc doc, const std::function<void(SKCab*)>& setup = nullptr) {
    SKCab* command = CmdCollFindCommand(nullptr, ASAtomFromString(key));
    SKCab* params = KCabNewInner();
    if (setup) setup(params);
    ProcManSetSourcePDDoc(params, doc);
    return CmdMgrRunProcess(command, params, nullptr, nullptr, DefaultCommandListController());
  }
  SKCab* HistoryOf(PDDoc doc, char* description = nullptr, ASInt32 size = 0) {
    return PDDocGetCommandListAsKCab(doc, description, size);
  }

  TempDir dir;
  std::vector<PDDoc> docs;
  ASInt32 tokens = 0;
};

// ---- the controller and the history

TEST_F(CmdListTest, TokensOfNestedRuns) {
  SKCab* controller = NewCommandListController();
  SKCab* identity = NewCmdCollIdentity("C", "N", "F", 1);
  SKCab* coll = NewCmdColl(identity);
  CommandListControllerSetCmdColl(controller, coll);
  SKCab* command = NewTestCommand("Nested", false, nullptr, false);
  SKCab* outer = KCabNewInner();
  SKCab* inner = KCabNewInner();
  SKCab* params = KCabNewInner();
  EXPECT_EQ(1, CommandListControllerStartCommand(controller, command, outer, params));
  EXPECT_EQ(2, CommandListControllerStartCommand(controller, command, inner, params));
  EXPECT_STREQ("C", KCabGetString(controller, "2:Identity:Code"));
  EXPECT_NE(nullptr, KCabGetCab(controller, "2:Command:Control"));
  CommandListControllerEndCommandFail(inner);
  EXPECT_EQ(1, KCabGetInt(controller, "CommandToken", -1));
  EXPECT_FALSE(KCabKnown(controller, "2"));
  // A run ends once.
  CommandListControllerEndCommandFail(inner);
  EXPECT_EQ(1, KCabGetInt(controller, "CommandToken", -1));
  CommandListControllerEndCommandOk(outer);  // no document: nothing written
  EXPECT_EQ(0, KCabGetInt(controller, "CommandToken", -1));
  EXPECT_FALSE(KCabKnown(controller, "1"));
  for (SKCab* c : {controller, coll, command, outer, inner, params}) KCabDestroy(c);
}

TEST_F(CmdListTest, SuccessfulRunsAreAppendedToTheHistory) {
  PDDoc doc = Doc(4);
  EXPECT_TRUE(Run("TestCmd", doc));
  EXPECT_TRUE(Run("TestCmd", doc, [](SKCab* p) {
    KCabPutAtom(p, "Source:Range:RangeType", ASAtomFromString("SubDoc"));
    KCabPutInt(p, "Source:Range:From", 2);
  }));
  EXPECT_FALSE(Run("TestCmd", doc, [](SKCab* p) { KCabPutStringCopy(p, "Test:CancelAt", "Finish"); }));
  EXPECT_TRUE(Run("TestIgnored", doc));

  PDDoc back = docs.back();
  std::string path = dir.file("history.pdf");
  SavePdf(doc, path);
  EXPECT_EQ(0, QpdfCheck(path));
  docs.push_back(back = OpenPdf(path));
  char description[1000];
  SKCab* history = HistoryOf(back, description, sizeof description);
  ASSERT_NE(nullptr, history);
  EXPECT_EQ(Text("cmd.list.1.a.1"), description);
  EXPECT_EQ(ASAtomFromString("HistoryList_V1"), KCabGetAtom(history, "Category", ASAtomNull));
  // Two items: the cancelled run and the command kept out of lists add none.
  EXPECT_TRUE(KCabKnown(history, "1"));
  EXPECT_FALSE(KCabKnown(history, "2"));
  SKCab* item = KCabGetCab(history, "1");
  EXPECT_EQ(ASAtomFromString("HistoryItem_V1"), KCabGetAtom(item, "Category", ASAtomNull));
  EXPECT_EQ(ASAtomFromString("TestCmd"), KCabGetAtom(item, "Command", ASAtomNull));
  EXPECT_EQ(3, KCabGetInt(item, "Version", -1));
  EXPECT_STREQ("KRVL_KorvelVelmora3", KCabGetString(item, "Provider:Code"));
  EXPECT_EQ(2, KCabGetInt(item, "Params:Source:Range:From", -1));
  EXPECT_EQ(3, KCabGetInt(item, "Result:PagesProcessed", -1));
  EXPECT_EQ(1 + 2 + 3, KCabGetInt(item, "Result:Sum", -1));
  ASSERT_NE(nullptr, KCabGetString(item, "Desc:0"));
  EXPECT_NE(std::string::npos, std::string(KCabGetString(item, "Desc:0")).find("2"));
  EXPECT_STREQ("kv2base", KCabGetString(history, "Requires"));
  KCabDestroy(history);
}

TEST_F(CmdListTest, PDFXModeWritesTheCatalogOnly) {
  PDDoc doc = Doc(1);
  gPDFXMode = 1;
  EXPECT_TRUE(Run("TestNoPages", doc));
  EXPECT_FALSE(PDNameTreeIsValid(PDDocGetNameTree(doc, ASAtomFromString("EmbeddedFiles"))));
  EXPECT_TRUE(PDDocHasCommandList(doc));
}

TEST_F(CmdListTest, RunsInPDFXModeAfterAnAttachedHistoryKeepEveryItem) {
  PDDoc doc = Doc(1);
  EXPECT_TRUE(Run("TestNoPages", doc));  // the history goes into the catalog and the attachment
  gPDFXMode = 1;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Run("TestNoPages", doc));
  std::string path = dir.file("pdfx.pdf");
  SavePdf(doc, path);
  EXPECT_EQ(0, QpdfCheck(path));
  docs.push_back(OpenPdf(path));
  for (PDDoc d : {doc, docs.back()}) {
    SKCab* history = HistoryOf(d);
    ASSERT_NE(nullptr, history);
    EXPECT_TRUE(KCabKnown(history, "3")) << "four runs, four items";
    EXPECT_FALSE(KCabKnown(history, "4"));
    KCabDestroy(history);
  }
}

TEST_F(CmdListTest, AnUnreadableHistoryIsReplaced) {
  PDDoc doc = Doc(1);
  PDDocStoreCommandListFromXML(doc, "not a cabinet", "old description", 0);
  EXPECT_TRUE(Run("TestNoPages", doc));
  char description[1000];
  SKCab* history = HistoryOf(doc, description, sizeof description);
  ASSERT_NE(nullptr, history);
  EXPECT_STREQ("old description", description);
  EXPECT_EQ(ASAtomFromString("TestNoPages"), KCabGetAtom(history, "0:Command", ASAtomNull));
  EXPECT_FALSE(KCabKnown(history, "1"));
  KCabDestroy(history);
}

// ---- walking

ASBool Record(ECmdItemCategory category, SKCab*, ASInt32 index, void* data) {
  auto* out = static_cast<std::string*>(data);
  *out += (out->empty() ? "" : " ") + std::to_string((int)category) + "@" + std::to_string(index);
  return 1;
}

TEST_F(CmdListTest, WalkFlags) {
  SKCab* list = List({Element("OneCommand_V1", "TestCmd"), List({Element("HistoryItem_V1", "TestCmd")}),
                      Node("KVCmdCollection_V1")});
  struct {
    ASInt32 flags;
    bool answer;
    const char* visits;
  } cases[] = {
      // Other nodes are visited with any visiting flag, and end the walk.
      {kCmdListVisitLeaves, false, "4@0 1@0 6@2"},
      {kCmdListVisitContainers, false, "3@-1 3@-1 6@2"},
      {kCmdListVisitOthers, false, "6@2"},
      {kCmdListVisitLeaves | kCmdListVisitContainers | kCmdListVisitOthers, false, "3@-1 4@0 3@-1 1@0 6@2"},
  };
  for (const auto& c : cases) {
    std::string visits;
    EXPECT_EQ(c.answer, EnumCommandListInner(list, -1, c.flags, Record, &visits) != 0) << c.flags;
    EXPECT_EQ(c.visits, visits) << c.flags;
  }
  // Failing on other nodes raises with the message's text.
  std::string visits;
  ASErrorCode code = ErrorOf([&] { EnumCommandListInner(list, -1, kCmdListFailOnOthers | 1, Record, &visits); });
  ASSERT_NE(0, code);
  char text[300];
  ASGetErrorString(code, text, sizeof text);
  EXPECT_EQ(Text("cmd.list.3.a.11"), text);
  // Without the other node the walk succeeds; a gap ends the children.
  KCabRemove(list, "2");
  KCabPutCab(list, "5", Node("KVCmdCollection_V1"));
  visits.clear();
  EXPECT_TRUE(EnumCommandListInner(list, -1, kCmdListVisitLeaves, Record, &visits));
  KCabDestroy(list);
}

TEST_F(CmdListTest, DeepNestingIsRefused) {
  SKCab* list = Element("OneCommand_V1", "TestCmd");
  for (int i = 0; i < 200; ++i) list = List({list});
  std::string visits;
  EXPECT_FALSE(EnumCommandListInner(list, -1, kCmdListVisitLeaves, Record, &visits));
  EXPECT_EQ("0@0", visits);  // the node past the limit, as an invalid one
  MessageCapture messages;
  SKCab* play = KCabNewInner();
  EXPECT_FALSE(VerifyCommandListUsable(nullptr, list, play));
  EXPECT_EQ(std::vector<std::string>{Text("cmd.list.3.a.1")}, messages.texts());
  KCabDestroy(play);
  KCabDestroy(list);
}

// ---- feature lists

struct FeatureCase {
  const char* text;
  bool ok;
  const char* reported;  // the %s of cmd.list.3.b.2, or "syntax", or null
};

const FeatureCase kFeatures[] = {
    {"kv2base", true, nullptr},
    {"kv2base; plugin", true, nullptr},
    {"  kv2base  ;plugin  ", true, nullptr},
    {"kv2base [Base product];", true, nullptr},
    {"", true, nullptr},
    {"   ", true, nullptr},
    {";kv2base", false, "syntax"},
    {"kv2base (x)", false, "syntax"},
    {"(kv2base)", false, "syntax"},
    {"kv2base plugin", false, "syntax"},
    {"kv2base;;plugin", false, "syntax"},
    {"kv9", false, "kv9"},
    {"kv2base;kv9[Version nine]", false, "Version nine"},
    {"kv9 [unterminated", false, "unterminated"},
};

TEST_F(CmdListTest, FeatureLists) {
  for (const FeatureCase& c : kFeatures) {
    MessageCapture messages;
    EXPECT_EQ(c.ok, FeaturesListChecker(c.text) != 0) << c.text;
    if (!c.reported) {
      EXPECT_TRUE(messages.messages().empty()) << c.text;
      continue;
    }
    ASSERT_EQ(1u, messages.messages().size()) << c.text;
    EXPECT_EQ(kAutoMessageError, messages.messages()[0].type);
    if (std::string(c.reported) == "syntax") {
      EXPECT_EQ(Text("cmd.list.3.b.3"), messages.messages()[0].text) << c.text;
    } else {
      char expected[300];
      std::snprintf(expected, sizeof expected, Text("cmd.list.3.b.2").c_str(), c.reported);
      EXPECT_EQ(expected, messages.messages()[0].text) << c.text;
    }
  }
  // Only the first 198 characters of a name count.
  std::string name = "kv2base" + std::string(191, 'x');
  MessageCapture messages;
  EXPECT_FALSE(FeaturesListChecker((name + "yyy").c_str()));
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_NE(std::string::npos, messages.messages()[0].text.find(name));
  EXPECT_EQ(std::string::npos, messages.messages()[0].text.find("y"));
}

// ---- verification

struct VerifyCase {
  const char* name;
  std::function<SKCab*()> list;
  bool interactive;
  const char* errorKey;  // null: usable
};
void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.name; }

const VerifyCase kVerify[] = {
    {"usable", [] { return List({Element("OneCommand_V1", "TestCmd")}); }, false, nullptr},
    {"no-command", [] { return List({Element("OneCommand_V1", nullptr)}); }, false, "cmd.list.3.a.2"},
    {"unknown-command", [] { return List({Element("OneCommand_V1", "Teleport")}); }, false, "cmd.list.3.a.3"},
    {"collection-entry-as-command", [] { return List({Element("OneCommand_V1", "_Features")}); }, false,
     "cmd.list.3.a.3"},
    {"other-node", [] { return List({Element("OneCommand_V1", "TestCmd"), Node("Whatever")}); }, false,
     "cmd.list.3.a.1"},
    {"params-requires",
     [] {
       return List({Element("OneCommand_V1", "TestCmd", [](SKCab* p) { KCabPutStringCopy(p, "Requires", "kv9"); })});
     },
     false, "cmd.list.3.b.2"},
    {"only-ignored",
     [] {
       SKCab* e = Element("OneCommand_V1", "TestCmd");
       KCabPutBool(e, "Ignore", 1);
       return List({e});
     },
     false, "cmd.list.3.a.5"},
    // A history item of a command kept out of lists is not playable...
    {"ignored-history-item", [] { return List({Element("HistoryItem_V1", "TestIgnored")}); }, false,
     "cmd.list.3.a.5"},
    // ...but the same command as a one-command element is.
    {"ignored-as-one-command", [] { return List({Element("OneCommand_V1", "TestIgnored")}); }, true, nullptr},
    {"not-in-place", [] { return List({Element("OneCommand_V1", "TestIgnored")}); }, false, nullptr},
    {"empty", [] { return List({}); }, false, "cmd.list.3.a.5"},
};

class VerifyTest : public CmdListTest, public ::testing::WithParamInterface<VerifyCase> {};

TEST_P(VerifyTest, Verify) {
  SKCab* list = GetParam().list();
  SKCab* play = KCabNewInner();
  KCabPutBool(play, "Interactive", GetParam().interactive);
  MessageCapture messages;
  EXPECT_EQ(GetParam().errorKey == nullptr, VerifyCommandListUsable(nullptr, list, play) != 0);
  if (GetParam().errorKey) {
    ASSERT_EQ(1u, messages.messages().size());
    std::string text = Text(GetParam().errorKey);
    EXPECT_EQ(text.substr(0, text.find('%')), messages.messages()[0].text.substr(0, text.find('%')));
  } else {
    EXPECT_TRUE(messages.messages().empty());
  }
  KCabDestroy(play);
  KCabDestroy(list);
}

INSTANTIATE_TEST_SUITE_P(Lists, VerifyTest, ::testing::ValuesIn(kVerify), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (ch == '-') ch = '_';
  return n;
});

TEST_F(CmdListTest, InPlaceNeedsTheCommandsConsent) {
  SKCab* command = CmdCollFindCommand(nullptr, ASAtomFromString("TestNoPages"));
  KCabPutBool(command, "Control:Props:CanHandleAToA", 0);
  SKCab* list = List({Element("OneCommand_V1", "TestNoPages")});
  SKCab* play = KCabNewInner();
  MessageCapture messages;
  EXPECT_FALSE(VerifyCommandListUsable(nullptr, list, play));
  EXPECT_EQ(std::vector<std::string>{Text("cmd.list.3.a.4")}, messages.texts());
  KCabPutBool(play, "Interactive", 1);
  EXPECT_TRUE(VerifyCommandListUsable(nullptr, list, play));
  KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  KCabDestroy(play);
  KCabDestroy(list);
}

// ---- replay

TEST_F(CmdListTest, ReplayOfARecordedHistory) {
  PDDoc recorded = Doc(6);
  EXPECT_TRUE(Run("TestCmd", recorded, [](SKCab* p) {
    KCabPutAtom(p, "Source:Range:EvenOdd", ASAtomFromString("Even"));
  }));
  EXPECT_TRUE(Run("TestNoPages", recorded));
  SKCab* history = HistoryOf(recorded);
  ASSERT_NE(nullptr, history);

  PDDoc target = Doc(5);
  Calls().clear();
  SKCab* play = KCabNewInner();
  KCabPutBool(play, "Interactive", 0);
  SKCab* messages = KCabNewInner();
  KCabPutPointerNamedType(play, "MessageCab", "KCab", messages, nullptr);
  EXPECT_TRUE(ReplayCommandListOnPDDocInplace(history, target, play));
  // The recorded even pages of the new document, then the second command;
  // the describer runs for each history item written.
  EXPECT_EQ(
      "Initialise CheckSource Start P1 P3 Finish Describer Terminate "
      "Initialise CheckSource Start Finish Describer Terminate",
      CallsText());
  EXPECT_EQ(1, KCabGetInt(play, "LastCommandIndex", -1));
  EXPECT_EQ(ASAtomFromString("TestNoPages"), KCabGetAtom(play, "LastCommandKey", ASAtomNull));
  EXPECT_TRUE(KCabIsEmpty(messages));

  SKCab* replayed = HistoryOf(target);
  ASSERT_NE(nullptr, replayed);
  EXPECT_TRUE(KCabKnown(replayed, "1"));
  // Batch runs never make a new document.
  EXPECT_FALSE(KCabGetBool(replayed, "0:Params:NewDoc", 1));
  EXPECT_FALSE(KCabGetBool(replayed, "0:Params:Interactive", 1));
  EXPECT_FALSE(KCabKnown(replayed, "0:Params:.PlayControl"));
  KCabDestroy(replayed);
  KCabDestroy(history);
  KCabDestroy(messages);
  KCabDestroy(play);
}

TEST_F(CmdListTest, FullModeWithoutInteractionRunsAsBatch) {
  PDDoc doc = Doc(2);
  SKCab* element = Element("OneCommand_V1", "TestCmd", [](SKCab* p) { KCabPutBool(p, "NewDoc", 1); });
  KCabPutAtom(element, "UIMode", ASAtomFromString("Full"));
  SKCab* list = List({element});
  SKCab* play = KCabNewInner();
  KCabPutBool(play, "Interactive", 0);
  EXPECT_TRUE(ReplayCommandListOnPDDocInplace(list, doc, play));
  EXPECT_EQ(std::string::npos, CallsText().find("UI"));
  SKCab* history = HistoryOf(doc);
  ASSERT_NE(nullptr, history);
  EXPECT_FALSE(KCabGetBool(history, "0:Params:NewDoc", 1));
  KCabDestroy(history);
  KCabDestroy(play);
  KCabDestroy(list);
}

TEST_F(CmdListTest, FullModeShowsTheDialog) {
  PDDoc doc = Doc(2);
  View(doc, 0);
  SKCab* list = List({Element("OneCommand_V1", "TestCmd")});
  KCabPutAtom(list, "UIMode", ASAtomFromString("Full"));  // the list's mode overrides the element's
  SKCab* play = KCabNewInner();
  KCabPutBool(play, "Interactive", 1);
  EXPECT_TRUE(ReplayCommandListOnPDDocInplace(list, doc, play));
  EXPECT_EQ(0u, CallsText().find("UI Initialise"));
  EXPECT_FALSE(KCabKnown(play, "OverrideUI"));  // taken out after the replay

  // A dialog that is cancelled stops the replay.
  Calls().clear();
  KCabPutBool(KCabGetCab(list, "0"), "Params:Test:UIAnswer", 0);
  EXPECT_FALSE(ReplayCommandListOnPDDocInplace(list, doc, play));
  EXPECT_EQ("UI", CallsText());
  KCabDestroy(play);
  KCabDestroy(list);
}

TEST_F(CmdListTest, InteractiveReplayNeedsAnOpenDocument) {
  PDDoc doc = Doc(1);
  SKCab* list = List({Element("OneCommand_V1", "TestCmd")});
  SKCab* play = KCabNewInner();
  KCabPutBool(play, "Interactive", 1);
  MessageCapture messages;
  EXPECT_FALSE(ReplayCommandListOnPDDocInplace(list, doc, play));
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_NE(std::string::npos, messages.messages()[0].text.find(Text("common.err.noopendocument")));
  EXPECT_TRUE(Calls().empty());
  KCabDestroy(play);
  KCabDestroy(list);
}

TEST_F(CmdListTest, APromptAnsweredNoStopsTheReplay) {
  PDDoc doc = Doc(1);
  SKCab* second = Element("OneCommand_V1", "TestNoPages");
  KCabPutBool(second, "DoPrompt", 1);
  KCabPutStringCopy(second, "PromptText", "Go on?");
  SKCab* list = List({Element("OneCommand_V1", "TestNoPages"), second});
  SKCab* play = KCabNewInner();
  MessageCapture messages(false);  // questions go to the host's alert
  AVAlertRecordStart();
  AVAlertQueueAnswer(2);
  EXPECT_FALSE(ReplayCommandListOnPDDocInplace(list, doc, play));
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ("Go on?", AVAlertRecorded()[0].message);
  AVAlertRecordStop();
  EXPECT_EQ("Initialise CheckSource Start Finish Describer Terminate", CallsText());
  KCabDestroy(play);
  KCabDestroy(list);
}

// Parameters read from a file must not hang or crash a replay.
TEST_F(CmdListTest, HostileParametersEndTheReplay) {
  PDDoc doc = Doc(3);
  const char* xml =
      "<?xml version=\"1.0\"?><RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\"><ITEMS>"
      "<A N=\"Category\">CommandList_V1</A>"
      "<DICT N=\"0\"><ITEMS><A N=\"Category\">OneCommand_V1</A><A N=\"Command\">TestCmd</A>"
      "<DICT N=\"Params\"><ITEMS><A N=\"Source:Range:RangeType\">SubDoc</A>"
      "<I N=\"Source:Range:To\">2147483647</I><I N=\"Source:Range:Step\">1</I></ITEMS></DICT>"
      "<DICT N=\"Result\"><ITEMS><I N=\"CurrentPage\">-5</I></ITEMS></DICT></ITEMS></DICT>"
      "<DICT N=\"1\"><ITEMS><A N=\"Category\">OneCommand_V1</A><A N=\"Command\">TestCmd</A>"
      "<DICT N=\"Params\"><ITEMS><A N=\"Source:Range:RangeType\">SubDoc</A>"
      "<I N=\"Source:Range:Step\">0</I></ITEMS></DICT></ITEMS></DICT>"
      "</ITEMS></RUVURAZAR>";
  SKCab* list = KCabReadFromBuffer(xml, (ASInt32)std::strlen(xml), nullptr);
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(ASAtomFromString("CommandList_V1"), KCabGetAtom(list, "Category", ASAtomNull));
  SKCab* play = KCabNewInner();
  MessageCapture messages;
  EXPECT_FALSE(ReplayCommandListOnPDDocInplace(list, doc, play));
  // The first runs over the whole document; the second's step is refused.
  EXPECT_EQ(0u, CallsText().find("Initialise CheckSource Start P0 P1 P2 Finish"));
  EXPECT_NE(std::string::npos, CallsText().find("Initialise CheckSource Cancelled Terminate"));
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_NE(std::string::npos, messages.messages()[0].text.find("0"));
  KCabDestroy(play);
  KCabDestroy(list);
}

// A command that replays a list holding itself: the nesting ends.
SKCab* gSelfList = nullptr;
int gSelfStarts = 0;
void ReplaySelf(SKCab* run, SKCab*) {
  ++gSelfStarts;
  SKCab* play = KCabNewInner();
  ReplayCommandListOnPDDocInplace(gSelfList, ProcManGetSourcePDDoc(run), play);
  KCabDestroy(play);
}

TEST_F(CmdListTest, SelfReplayingListsEnd) {
  SKCab* command = NewTestCommand("TestSelf", false, nullptr, false);
  KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)ReplaySelf,
                                  nullptr);
  CmdCollAddCommand(nullptr, command);
  PDDoc doc = Doc(1);
  gSelfList = List({Element("OneCommand_V1", "TestSelf")});
  gSelfStarts = 0;
  MessageCapture messages;
  SKCab* play = KCabNewInner();
  EXPECT_TRUE(ReplayCommandListOnPDDocInplace(gSelfList, doc, play));
  EXPECT_EQ(kCmdListMaxReplayNesting, gSelfStarts);
  EXPECT_EQ(1u, messages.messages().size());
  KCabDestroy(play);
  KCabDestroy(gSelfList);
  gSelfList = nullptr;
}

TEST_F(CmdListTest, PlayControlOfParameters) {
  SKCab* params = KCabNewInner();
  SKCab* play = ParamsGetOrCreatePlayControl(params);
  ASSERT_NE(nullptr, play);
  KCabPutStringCopy(play, "Caller", "Krvl:DirectUI");
  EXPECT_EQ(play, ParamsGetOrCreatePlayControl(params));
  SKCab* copy = KCabDup(params);
  EXPECT_STREQ("Krvl:DirectUI", KCabGetString(ParamsGetOrCreatePlayControl(copy), "Caller"));
  KCabDestroy(params);
  EXPECT_STREQ("Krvl:DirectUI", KCabGetString(ParamsGetOrCreatePlayControl(copy), "Caller"));
  KCabDestroy(copy);  // the play control goes with the last holder
}

}  // namespace
