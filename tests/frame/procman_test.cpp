// The process manager: callback order over generated documents, page
// ranges, parameter errors, cancel from a callback and from the status box.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include <functional>
#include <string>

#include "FrameTestSupport.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "frame/CmdList.h"
#include "frame/ProcMan.h"
#include "kctl/StatusBox.h"
#include "platform/Pf.h"
#include "support/HostPdf.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

class ProcManTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareTestCollection();
    Calls().clear();
    ResetStatusBox();
    CloseAllViews();
    pages = PDGetAcquiredPageCount();
  }
  void TearDown() override {
    for (PDDoc d : docs) PDDocClose(d);
    CloseAllViews();
    EXPECT_EQ(pages, PDGetAcquiredPageCount()) << "pages left acquired";
  }

  // A view on doc, which then belongs to the view.
  AVDoc View(PDDoc doc, ASInt32 page) {
    docs.erase(std::remove(docs.begin(), docs.end(), doc), docs.end());
    return OpenView(doc, page);
  }
  PDDoc Doc(int pageCount) {
    std::string path = dir.file("doc" + std::to_string(docs.size()) + ".pdf");
    kvfix::WriteSimple(path, pageCount);
    docs.push_back(OpenPdf(path));
    return docs.back();
  }

  // A run of the named test command over doc, its parameters set by setup.
  SKCab* NewRun(const char* key, PDDoc doc, const std::function<void(SKCab*)>& setup = nullptr) {
    SKCab* command = CmdCollFindCommand(nullptr, ASAtomFromString(key));
    SKCab* run = KCabNewInner();
    KCabPutCab(run, "Control", KCabDup(KCabGetCab(command, "Control")));
    KCabPutCab(run, "Params", KCabNewInner());
    if (doc) ProcManSetSourcePDDoc(run, doc);
    if (setup) setup(run);
    return run;
  }

  TempDir dir;
  std::vector<PDDoc> docs;
  ASInt32 pages = 0;
};

struct RangeCase {
  const char* name;
  std::function<void(SKCab*)> setup;
  const char* pagesCalled;  // the per-page calls, in order
  int pagesToDo;
  int firstPage;
  const char* errorKey;  // the parameter error shown, or null
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

void SubDoc(SKCab* run) { KCabPutAtom(run, "Source:Range:RangeType", ASAtomFromString("SubDoc")); }

const RangeCase kRanges[] = {
    {"all", nullptr, "P0 P1 P2 P3 P4", 5, 0, nullptr},
    {"odd", [](SKCab* r) { KCabPutAtom(r, "Source:Range:EvenOdd", ASAtomFromString("Odd")); }, "P0 P2 P4", 3, 0,
     nullptr},
    {"even", [](SKCab* r) { KCabPutAtom(r, "Source:Range:EvenOdd", ASAtomFromString("Even")); }, "P1 P3", 2, 1,
     nullptr},
    {"from-to",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", 2);
       KCabPutInt(r, "Source:Range:To", 4);
     },
     "P1 P2 P3", 3, 1, nullptr},
    {"from-for",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", 2);
       KCabPutInt(r, "Source:Range:For", 2);
     },
     "P1 P2", 2, 1, nullptr},
    {"words",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutStringCopy(r, "Source:Range:From", " 2 ");
       KCabPutStringCopy(r, "Source:Range:To", "LAST - 1");
     },
     "P1 P2 P3", 3, 1, nullptr},
    {"step",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:Step", 2);
     },
     "P0 P2 P4", 3, 0, nullptr},
    {"step-even",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:Step", 3);
       KCabPutAtom(r, "Source:Range:EvenOdd", ASAtomFromString("Even"));
     },
     "P3", 1, 3, nullptr},
    // "To" beyond the document is clipped by the run, not by the count.
    {"to-beyond",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:To", 99);
     },
     "P0 P1 P2 P3 P4", 99, 0, nullptr},
    {"none-selected",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", 1);
       KCabPutInt(r, "Source:Range:To", 1);
       KCabPutAtom(r, "Source:Range:EvenOdd", ASAtomFromString("Even"));
     },
     "", 0, -1, nullptr},
    {"from-beyond",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", 6);
     },
     "", 0, -1, "procmgr.1.a.2"},
    {"from-zero",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", 0);
     },
     "", 6, -1, "pmint.err.bad.firstpage"},
    {"from-negative",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:From", -5);
     },
     "", 0, -1, "pmint.err.bad.firstpage"},
    {"to-zero",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:To", 0);
     },
     "", 0, -1, "pmint.err.bad.lastpage"},
    {"step-zero",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutInt(r, "Source:Range:Step", 0);
     },
     "", 0, 0, "pmint.err.bad.step"},
    {"bad-word",
     [](SKCab* r) {
       SubDoc(r);
       KCabPutStringCopy(r, "Source:Range:To", "lastly");
     },
     "", 0, 0, "common.err.badpagenumber"},
    {"bad-evenodd", [](SKCab* r) { KCabPutAtom(r, "Source:Range:EvenOdd", ASAtomFromString("Sideways")); }, "", 0,
     0, "pmint.err.bad.evenodd"},
    {"bad-rangetype", [](SKCab* r) { KCabPutAtom(r, "Source:Range:RangeType", ASAtomFromString("Most")); }, "", 0, 0,
     "pmint.err.bad.rangetype"},
    // A document without a view has no current page.
    {"current-page-no-view",
     [](SKCab* r) { KCabPutAtom(r, "Source:Range:RangeType", ASAtomFromString("CurrentPage")); }, "", 0, 0,
     "impcmd.1.a.3"},
};

class ProcManRangeTest : public ProcManTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(ProcManRangeTest, CallsThePagesOfTheRange) {
  const RangeCase& c = GetParam();
  PDDoc doc = Doc(5);
  SKCab* run = NewRun("TestCmd", doc, c.setup);
  KCabRemove(run, "Control:Props:StatusTitle");
  MessageCapture messages;
  ProcManRunProcess(run);

  std::string perPage;
  for (const std::string& call : Calls()) {
    if (call[0] == 'P') perPage += (perPage.empty() ? "" : " ") + call;
  }
  EXPECT_EQ(c.pagesCalled, perPage);
  if (c.errorKey) {
    EXPECT_TRUE(KCabGetBool(run, "ProcMan:Cancelled", 0));
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ(kAutoMessageError, messages.messages()[0].type);
    std::string shown = messages.messages()[0].text;
    std::string text = Text(c.errorKey);
    EXPECT_EQ(text.substr(0, text.find('%')), shown.substr(0, text.find('%')));
    EXPECT_EQ(Text("pmint.err.prefix") + shown, KCabGetString(run, "ProcMan:CancelReason"));
    EXPECT_NE(std::string::npos, CallsText().find("Cancelled Terminate"));
    EXPECT_EQ(std::string::npos, CallsText().find("Start")) << "refused before its work began";
    EXPECT_FALSE(KCabKnown(run, "ProcMan:PagesToDo")) << "nothing counted for a refused range";
  } else {
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_FALSE(KCabGetBool(run, "ProcMan:Cancelled", 0));
    EXPECT_EQ(c.pagesToDo, KCabGetInt(run, "ProcMan:PagesToDo", -99));
    EXPECT_EQ(c.firstPage, KCabGetInt(run, "ProcMan:FirstPage", -99));
    // Start and Finish run even when no page is selected.
    EXPECT_EQ(0u, CallsText().find("Initialise CheckSource Start"));
    EXPECT_NE(std::string::npos, CallsText().find("Finish Terminate"));
  }
  KCabDestroy(run);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ProcManRangeTest, ::testing::ValuesIn(kRanges),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& ch : n) if (ch == '-') ch = '_';
                           return n;
                         });

TEST_F(ProcManTest, CallbackOrderOfAPlainRun) {
  PDDoc doc = Doc(2);
  SKCab* run = NewRun("TestNoPages", doc);
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise CheckSource Start Finish Terminate", CallsText());
  // Without a per-page callback the status box is never shown: closing a
  // box would have left its status flag set.
  EXPECT_FALSE(TestStatusCancelFlag());
  EXPECT_FALSE(StatusBoxOpen());
  EXPECT_EQ(doc, ProcManGetSourcePDDoc(run));
  EXPECT_EQ(nullptr, ProcManGetSourceAVDoc(run));
  EXPECT_EQ(2, ProcManGetNumPagesToDo(run));
  KCabDestroy(run);
}

TEST_F(ProcManTest, CurrentPageOfTheSourceView) {
  PDDoc doc = Doc(5);
  View(doc, 3);
  SKCab* run = NewRun("TestCmd", nullptr, [](SKCab* r) {
    ProcManSetSourceCurrentAVDoc(r);
    KCabPutAtom(r, "Source:Range:RangeType", ASAtomFromString("CurrentPage"));
  });
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise CheckSource Start P3 Finish Terminate", CallsText());
  EXPECT_EQ(doc, ProcManGetSourcePDDoc(run));
  EXPECT_EQ(3, KCabGetInt(run, "Result:CurrentPage", -1));
  EXPECT_EQ(5, KCabGetInt(run, "Result:DocPages", -1));
  EXPECT_EQ(1, KCabGetInt(run, "Result:PagesProcessed", -1));
  KCabDestroy(run);
}

struct SourceCase {
  const char* name;
  std::function<void(SKCab*)> setup;
  const char* errorKey;
};
void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

const SourceCase kSources[] = {
    {"default-without-view", [](SKCab* r) { KCabRemove(r, "Source"); }, "pmint.err.no.currentavdoc"},
    {"avdoc-missing", [](SKCab* r) { KCabPutAtom(r, "Source:SourceType", ASAtomFromString("AVDoc")); },
     "pmint.err.no.avdoc"},
    {"pddoc-missing", [](SKCab* r) { KCabRemove(r, "Source:Source"); }, "cmd.list.2.a.5"},
    {"unknown", [](SKCab* r) { KCabPutAtom(r, "Source:SourceType", ASAtomFromString("Clipboard")); },
     "pmint.err.bad.sourcetype"},
    // A command that needs a document is not started without one.
    {"none", [](SKCab* r) { ProcManSetSourceNone(r); }, "common.err.noopendocument"},
    {"file-name", [](SKCab* r) { KCabPutAtom(r, "Source:SourceType", ASAtomFromString("PlatformFileName")); },
     "common.err.noopendocument"},
    {"link-without-link",
     [](SKCab* r) {
       KCabPutAtom(r, "Source:SourceType", ASAtomFromString("Link"));
       KCabRemove(r, "Source:Source");
     },
     "cmd.list.2.a.5"},
};

class ProcManSourceTest : public ProcManTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(ProcManSourceTest, SourceErrorsCancelBeforeCheckSource) {
  PDDoc doc = Doc(1);
  SKCab* run = NewRun("TestCmd", doc, GetParam().setup);
  MessageCapture messages;
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise Cancelled Terminate", CallsText());
  ASSERT_EQ(1u, messages.messages().size());
  std::string text = Text(GetParam().errorKey);
  EXPECT_EQ(text.substr(0, text.find('%')), messages.messages()[0].text.substr(0, text.find('%')));
  KCabDestroy(run);
}

INSTANTIATE_TEST_SUITE_P(Sources, ProcManSourceTest, ::testing::ValuesIn(kSources), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (ch == '-') ch = '_';
  return n;
});

TEST_F(ProcManTest, ACommandThatNeedsNoDocumentRunsStartAndFinishOnlyWithoutOne) {
  SKCab* run = NewRun("TestCmd", nullptr, [](SKCab* r) {
    ProcManSetSourceNone(r);
    KCabPutBool(r, "Control:Props:UIDoesntNeedAVDoc", 1);
  });
  MessageCapture messages;
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise CheckSource Start Finish Terminate", CallsText());
  EXPECT_TRUE(messages.messages().empty());
  KCabDestroy(run);
}

TEST_F(ProcManTest, SourceInTheParametersMovesUp) {
  PDDoc doc = Doc(3);
  SKCab* run = NewRun("TestNoPages", nullptr, [&](SKCab* r) {
    KCabPutCab(KCabGetCab(r, "Params"), "Source", KCabNewInner());
    KCabPutAtom(r, "Params:Source:Range:RangeType", ASAtomFromString("SubDoc"));
    KCabPutInt(r, "Params:Source:Range:From", 3);
    // With "Params:Source" present the source is written there.
    ProcManSetSourcePDDoc(r, doc);
  });
  EXPECT_TRUE(KCabKnown(run, "Params:Source:Source"));
  EXPECT_FALSE(KCabKnown(run, "Source"));
  ProcManRunProcess(run);
  EXPECT_FALSE(KCabKnown(run, "Params:Source"));
  EXPECT_EQ(doc, ProcManGetSourcePDDoc(run));
  EXPECT_EQ(2, KCabGetInt(run, "ProcMan:FirstPage", -1));
  EXPECT_EQ(1, ProcManGetNumPagesToDo(run));
  KCabDestroy(run);
}

struct CancelCase {
  const char* at;
  const char* calls;
};
void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.at; }

const CancelCase kCancels[] = {
    {"Initialise", "Initialise Cancelled Terminate"},
    {"CheckSource", "Initialise CheckSource Cancelled Terminate"},
    {"Start", "Initialise CheckSource Start Cancelled Terminate"},
    // The page being worked on is finished; no further page starts.
    {"P1", "Initialise CheckSource Start P0 P1 Cancelled Terminate"},
    // A Finish that cancels is followed by Cancelled.
    {"Finish", "Initialise CheckSource Start P0 P1 P2 Finish Cancelled Terminate"},
};

class ProcManCancelTest : public ProcManTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(ProcManCancelTest, CancelFromACallback) {
  PDDoc doc = Doc(3);
  SKCab* run = NewRun("TestCmd", doc, [](SKCab* r) { KCabPutStringCopy(r, "Params:Test:CancelAt", GetParam().at); });
  KCabRemove(run, "Control:Props:StatusTitle");
  ProcManRunProcess(run);
  EXPECT_EQ(GetParam().calls, CallsText());
  EXPECT_TRUE(KCabGetBool(run, "ProcMan:Cancelled", 0));
  EXPECT_EQ(std::string("cancelled at ") + GetParam().at, KCabGetString(run, "ProcMan:CancelReason"));
  KCabDestroy(run);
}

INSTANTIATE_TEST_SUITE_P(Cancels, ProcManCancelTest, ::testing::ValuesIn(kCancels),
                         [](const auto& info) { return std::string(info.param.at); });

TEST_F(ProcManTest, ProgressAndCancelThroughTheStatusBox) {
  PDDoc doc = Doc(5);
  // The user clicks Cancel while page 2 is worked on: the poll before the
  // next page takes the click, and no further page starts.
  SKCab* run = NewRun("TestCmd", doc, [](SKCab* r) { KCabPutStringCopy(r, "Params:Test:UserCancelAt", "P1"); });
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise CheckSource Start P0 P1 Cancelled Terminate", CallsText());
  EXPECT_EQ(Text("procmgr.1.a.1"), KCabGetString(run, "ProcMan:CancelReason"));
  // Five pages: the marks show (10 x done + 2) / 5 as each page starts.
  EXPECT_EQ((std::vector<int>{0, 2}), StatusSeen().marks);
  EXPECT_EQ("Working", StatusSeen().label);
  EXPECT_FALSE(StatusBoxOpen());
  EXPECT_EQ(0, PfQueueLength()) << "the poll took the click";
  KCabDestroy(run);
}

TEST_F(ProcManTest, AllPagesAdvanceTheMarksAndTheBoxCloses) {
  PDDoc doc = Doc(4);
  SKCab* run = NewRun("TestCmd", doc);
  ProcManRunProcess(run);
  EXPECT_EQ("Initialise CheckSource Start P0 P1 P2 P3 Finish Terminate", CallsText());
  EXPECT_EQ((std::vector<int>{0, 3, 5, 8}), StatusSeen().marks);
  EXPECT_FALSE(StatusBoxOpen());
  KCabDestroy(run);
}

TEST_F(ProcManTest, EmptyStatusTitleOpensTheBoxWithoutText) {
  PDDoc doc = Doc(1);
  SKCab* run = NewRun("TestCmd", doc, [](SKCab* r) { KCabPutStringCopy(r, "Control:Props:StatusTitle", ""); });
  ProcManRunProcess(run);
  EXPECT_TRUE(StatusSeen().everOpen);
  EXPECT_EQ(" \n \n \n \n", StatusSeen().label) << "the label keeps the room it reserves";
  EXPECT_FALSE(StatusBoxOpen());
  KCabDestroy(run);
}

TEST_F(ProcManTest, ARaisingCallbackEndsTheRunCleanly) {
  PDDoc doc = Doc(3);
  SKCab* controller = DefaultCommandListController();
  ASInt32 tokens = KCabGetInt(controller, "CommandToken", -1);
  SKCab* command = CmdCollFindCommand(nullptr, ASAtomFromString("TestCmd"));
  SKCab* params = KCabNewInner();
  KCabPutStringCopy(params, "Test:RaiseAt", "P1");
  ProcManSetSourcePDDoc(params, doc);  // no "Source" in params: lands in params itself
  SKCab* result = nullptr;
  ASErrorCode code = ErrorOf([&] { CmdMgrRunProcess(command, params, &result, nullptr, controller); });
  EXPECT_EQ(genErrGeneral, code);
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ("Initialise CheckSource Start P0 P1", CallsText());
  // The page is released (TearDown), the status box closed, the token ended.
  EXPECT_FALSE(StatusBoxOpen());
  EXPECT_EQ(tokens, KCabGetInt(controller, "CommandToken", -1));
  EXPECT_FALSE(KCabKnown(controller, std::to_string(tokens + 1).c_str()));
}

// The user's document is checked, not what a command's source step may put
// in its place (a copy of it, which is never protected).
TEST_F(ProcManTest, ProtectedDocumentIsRefusedBeforeCheckSource) {
  std::string path = dir.file("restricted.pdf");
  kvfix::WriteRestricted(path);
  docs.push_back(OpenPdf(path));
  SKCab* run = NewRun("TestCmd", docs.back());
  EXPECT_NE(0, ErrorOf([&] { ProcManRunProcess(run); }));
  EXPECT_EQ("Initialise", CallsText());
  KCabDestroy(run);
}

TEST_F(ProcManTest, ADocumentWithoutPagesIsRefusedUnlessTheCommandNeedsNone) {
  MessageCapture messages;
  PDDoc empty = Doc(0);
  ASSERT_EQ(0, PDDocGetNumPages(empty));
  SKCab* run = NewRun("TestCmd", empty);
  ProcManRunProcess(run);
  EXPECT_TRUE(KCabGetBool(run, "ProcMan:Cancelled", 0));
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_EQ(kAutoMessageError, messages.messages()[0].type);
  EXPECT_EQ(Text("common.err.nopages"), messages.messages()[0].text);
  EXPECT_EQ(std::string::npos, CallsText().find("CheckSource")) << CallsText();
  EXPECT_EQ(std::string::npos, CallsText().find("Start")) << CallsText();
  KCabDestroy(run);

  // A command that makes pages (inserting them, say) starts on an empty document.
  Calls().clear();
  run = NewRun("TestCmd", empty, [](SKCab* r) { KCabPutBool(r, "Control:Props:UIDoesntNeedAVDoc", 1); });
  ProcManRunProcess(run);
  EXPECT_FALSE(KCabGetBool(run, "ProcMan:Cancelled", 0));
  EXPECT_NE(std::string::npos, CallsText().find("CheckSource Start")) << CallsText();
  KCabDestroy(run);
}

TEST_F(ProcManTest, RunProcessHandsOutTheResult) {
  PDDoc doc = Doc(4);
  SKCab* command = CmdCollFindCommand(nullptr, ASAtomFromString("TestCmd"));
  SKCab* params = KCabNewInner();
  ProcManSetSourcePDDoc(params, doc);
  SKCab* old = KCabNewInner();
  KCabPutInt(old, "CurrentPage", 2);
  SKCab* result = nullptr;
  EXPECT_TRUE(CmdMgrRunProcess(command, params, &result, old, nullptr));
  ASSERT_NE(nullptr, result);
  EXPECT_EQ(0 + 1 + 2 + 3, KCabGetInt(result, "Sum", -1));
  EXPECT_EQ(4, KCabGetInt(result, "PagesProcessed", -1));
  EXPECT_EQ(0, KCabGetInt(result, "FirstPage", -1));
  // Without a view the old current page is carried over.
  EXPECT_EQ(2, KCabGetInt(result, "CurrentPage", -1));
  KCabDestroy(result);
  KCabDestroy(old);

  // A cancelled run answers false; a null result pointer discards the result.
  params = KCabNewInner();
  ProcManSetSourcePDDoc(params, doc);
  KCabPutStringCopy(params, "Test:CancelAt", "P2");
  EXPECT_FALSE(CmdMgrRunProcess(command, params, nullptr, nullptr, nullptr));
}

TEST_F(ProcManTest, ParamErrorStringCutsAndFormats) {
  SKCab* run = KCabNewInner();
  MessageCapture messages;
  std::string longWord(300, 'w');
  ParamErrorString(run, "bad word <%s>", longWord.c_str());
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_EQ("bad word <" + std::string(99, 'w') + ">", messages.messages()[0].text);
  EXPECT_TRUE(ProcManIsCancelled(run));
  KCabDestroy(run);
}

TEST_F(ProcManTest, SourceLinks) {
  std::string path = dir.file("linked.pdf");
  kvfix::WriteSimple(path, 2);
  SKSourceLink link{};
  link.platformFileName = (char*)path.c_str();
  link.noAVDoc = 1;
  EXPECT_FALSE(KSourceLinkCanHaveAVDoc(&link));
  EXPECT_EQ(nullptr, KSourceLinkGetAVDoc(&link));
  SKCab* run = NewRun("TestNoPages", nullptr, [&](SKCab* r) {
    KCabPutAtom(r, "Source:SourceType", ASAtomFromString("Link"));
    KCabPutPointerNamedType(r, "Source:Source", kPKSourceLinkType, &link, nullptr);
  });
  ProcManRunProcess(run);
  ASSERT_NE(nullptr, link.pdDoc);
  docs.push_back(link.pdDoc);
  EXPECT_EQ(link.pdDoc, ProcManGetSourcePDDoc(run));
  EXPECT_EQ(2, ProcManGetNumPagesToDo(run));
  KCabDestroy(run);

  SKSourceLink fresh{};
  fresh.makeNewDoc = 1;
  fresh.windowTitle = (char*)"Copy ";
  fresh.titleCounter = 1;
  EXPECT_TRUE(KSourceLinkCanHaveAVDoc(&fresh));
  AVDoc view = KSourceLinkGetAVDoc(&fresh);  // the view owns the new document
  ASSERT_NE(nullptr, view);
  EXPECT_EQ(fresh.pdDoc, AVDocGetPDDoc(view));
  EXPECT_EQ(view, KSourceLinkGetAVDoc(&fresh));  // cached
  char title[100];
  AVWindowGetTitleUTF8(AVDocGetAVWindow(view), title, sizeof title);
  EXPECT_STREQ("Copy 5", title);
}

}  // namespace
