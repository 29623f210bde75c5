// The join command: its definition, the last-page refusal and question of
// its dialog, and its start callback with and without a window, in
// playback, and when the user keeps the bleed.
#include <gtest/gtest.h>

#include <string>

#include "../engine/EngineTestSupport.h"
#include "PageCmdsTestSupport.h"
#include "commands/JoinCmd.h"
#include "foundation/KCab.h"
#include "frame/ProcMan.h"
#include "host/AVAlert.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

class JoinCmd : public PageCmdTest {
 protected:
  Definition def{NewCmdMgrForJoin2Pages};
  JoinCmd() { Uses(&def); }

  // Runs the command on the view's document (or on doc without a view), with
  // "Interactive" when given.
  bool RunOn(AVDoc view, PDDoc doc, int interactive = -1) {
    SKCab* params = KCabNewInner();
    if (interactive >= 0) KCabPutBool(params, "Interactive", interactive);
    if (view) {
      KCabPutAtom(params, "Source:SourceType", ASAtomFromString("AVDoc"));
      KCabPutPointerNamedType(params, "Source:Source", "KAVDoc", view, nullptr);
    } else {
      ProcManSetSourcePDDoc(params, doc);
    }
    return CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr);
  }
};

TEST_F(JoinCmd, TheModuleRegistersItsDefinition) {
  EXPECT_EQ(&NewCmdMgrForJoin2Pages, KVCommandModules().NewCmdMgrForJoin2Pages);
  EXPECT_EQ(ASAtomFromString("Join2Pages"), KCabGetAtom(def, "Key", ASAtomNull));
  EXPECT_STREQ("Join two pages", KCabGetString(def, "Name"));
  EXPECT_TRUE(KCabIsEmpty(KCabGetCab(def, "DefaultParams")));
  EXPECT_EQ(1, KCabGetInt(def, "Version", 0));
  EXPECT_TRUE(KCabGetBool(def, "Control:Props:CanHandleAToA", 0));
  EXPECT_NE(nullptr, KCabGetString(def, "BatchGroup"));
  EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(def, "Control:Start", kProcManCallbackType));
  SKCab* params = KCabNewInner();
  EXPECT_EQ("", def.Describe(params)) << "no parameters, no lines";
  KCabDestroy(params);
}

// On the last page the dialog refuses before it asks; elsewhere the
// question's answer is the dialog's.
TEST_F(JoinCmd, TheDialogRefusesOnTheLastPageAndOtherwiseAsks) {
  struct Case {
    ASInt32 page;
    int interactive;  // -1: absent
    ASInt32 answer;
    bool accepted;
    bool asked;
    bool refused;
  };
  const Case cases[] = {{2, -1, 1, false, false, true}, {2, 1, 1, false, false, true}, {1, -1, 1, true, true, false},
                        {1, -1, 2, false, true, false}, {2, 0, 1, true, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << " interactive " << c.interactive << " answer " << c.answer);
    CloseAllViews();
    View(3, c.page);
    AVAlertClearRecorded();
    capture->Clear();
    AVAlertQueueAnswer(c.answer);
    SKCab* params = KCabNewInner();
    if (c.interactive >= 0) KCabPutBool(params, "Interactive", c.interactive);
    EXPECT_EQ(c.accepted, (bool)def.UI(params));
    KCabDestroy(params);
    EXPECT_EQ(c.asked, !AVAlertRecorded().empty());
    EXPECT_EQ(c.refused ? std::vector<std::string>{MsgText("impmenu1.cannotjoinlastpage")} : std::vector<std::string>{},
              Errors());
    AVAlertClearAnswers();
  }
}

TEST_F(JoinCmd, TheCurrentPageJoinsTheNextInItsWindow) {
  AVDoc view = View(3, 1);
  ASSERT_TRUE(RunOn(view, nullptr));
  EXPECT_EQ("Page1|Page2Page3|", Saved(AVDocGetPDDoc(view)));
  EXPECT_EQ(1, AVPageViewGetPageNum(AVDocGetPageView(view))) << "the joined page is shown";
}

// Without a user's page (no window, or a replay) only a pair is joined.
TEST_F(JoinCmd, WithoutAUsersPageOnlyAPairIsJoined) {
  struct Case {
    bool window;
    int interactive;
    int pages;
    ASInt32 page;
    bool joined;
  };
  const Case cases[] = {{true, 0, 2, 1, true},  {true, 0, 3, 0, false}, {false, -1, 2, 0, true},
                        {false, -1, 3, 0, false}, {false, 0, 1, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "window " << c.window << " pages " << c.pages);
    CloseAllViews();
    capture->Clear();
    AVDoc view = c.window ? View(c.pages, c.page) : nullptr;
    PDDoc doc = view ? AVDocGetPDDoc(view) : Doc(c.pages);
    EXPECT_EQ(c.joined, RunOn(view, doc, c.interactive));
    EXPECT_EQ(c.joined ? 1 : c.pages, PDDocGetNumPages(doc));
    EXPECT_EQ(c.joined ? std::vector<std::string>{} : std::vector<std::string>{MsgText("join.error.twopages")},
              Errors());
  }
}

// Run without its dialog (as kvhost --command does) on the last page: the
// user hears why and the run does not count as done.
TEST_F(JoinCmd, TheLastPageWithoutTheDialogIsRefused) {
  AVDoc view = View(3, 2);
  EXPECT_FALSE(RunOn(view, nullptr));
  EXPECT_EQ(std::vector<std::string>{MsgText("impmenu1.cannotjoinlastpage")}, Errors());
  EXPECT_EQ("Page1|Page2|Page3|", Saved(AVDocGetPDDoc(view)));
}

// A page that cannot be read, or whose size cannot be read once it is
// acquired, fails the run: the error reaches the caller (which reports it
// and writes no history), the pages stay as they were and none stays acquired.
TEST_F(JoinCmd, APageThatCannotBeReadFailsTheRun) {
  for (const char* call : {"PDDocAcquirePage", "PDPageGetCropBox"}) {
    SCOPED_TRACE(call);
    PDDoc doc = Doc(2);
    ASFaultInject(call, genErrGeneral);
    EXPECT_EQ(genErrGeneral, ErrorOf([&] { RunOn(nullptr, doc, 0); }));
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "no page stays acquired";
    EXPECT_EQ("Page1|Page2|", Saved(doc));
  }
}

TEST_F(JoinCmd, KeepingTheBleedCancelsTheRun) {
  PDDoc doc = NewDocWithPages({PageDef{{0, 0, 200, 200}, "", nullptr}, PageDef{{0, 0, 200, 200}, "", [](CosDoc d, CosObj p) {
                                        CosObj box = CosNewArray(d, 0, 4);
                                        const double v[4] = {10, 10, 190, 190};
                                        for (int k = 0; k < 4; ++k) CosArrayPut(box, k, CosNewFixed(d, 0, Fx(v[k])));
                                        CosDictPutKeyString(p, "TrimBox", box);
                                      }}});
  docs.push_back(doc);
  AVAlertQueueAnswer(2);
  EXPECT_FALSE(RunOn(nullptr, doc, 0));
  EXPECT_EQ(2, PDDocGetNumPages(doc));
  AVAlertClearAnswers();
}

}  // namespace
