// The reverse command: its definition, the three-button question, its
// describer, and reversing in place or into a new document.
#include <gtest/gtest.h>

#include <string>

#include "PageCmdsTestSupport.h"
#include "commands/ReverseCmd.h"
#include "foundation/KCab.h"
#include "frame/ProcMan.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

class ReverseCmd : public PageCmdTest {
 protected:
  Definition def{NewCmdMgrForReverseDocument};
  ReverseCmd() { Uses(&def); }

  bool RunOn(PDDoc doc, const std::function<void(SKCab*)>& setup) {
    SKCab* params = KCabNewInner();
    if (setup) setup(params);
    ProcManSetSourcePDDoc(params, doc);
    return CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr);
  }
};

TEST_F(ReverseCmd, TheModuleRegistersItsDefinition) {
  EXPECT_EQ(&NewCmdMgrForReverseDocument, KVCommandModules().NewCmdMgrForReverseDocument);
  EXPECT_EQ(ASAtomFromString("ReversePageOrder"), KCabGetAtom(def, "Key", ASAtomNull));
  EXPECT_STREQ("Reverse the page order", KCabGetString(def, "Name"));
  EXPECT_TRUE(KCabIsEmpty(KCabGetCab(def, "DefaultParams")));
  EXPECT_EQ(1, KCabGetInt(def, "Version", 0));
  EXPECT_TRUE(KCabGetBool(def, "Control:Props:CanHandleAToA", 0));
  EXPECT_NE(nullptr, KCabGetString(def, "BatchGroup"));
}

// The first button asks for a copy, the second for this document; the
// third, or closing the question, runs nothing and keeps the parameters.
TEST_F(ReverseCmd, TheQuestionChoosesWhereTheReversedPagesGo) {
  struct Case {
    const char* press;  // a button's caption, or null for Escape
    bool accepted;
    int newDoc;  // -1: left as it was (absent)
  };
  const Case cases[] = {{"New document", true, 1}, {"This document", true, 0}, {"Cancel", false, -1},
                        {nullptr, false, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.press ? c.press : "Escape");
    SKCab* params = KCabNewInner();
    PfScript script;
    std::string text;
    script.Then([&] {
      PfDialogRef d = Front();
      ASSERT_NE(nullptr, d);
      text = PfDump(d);
      if (c.press) {
        EXPECT_TRUE(PfDriverPressButton(d, c.press));
      } else {
        PfDriverPressEscape();
      }
    });
    EXPECT_EQ(c.accepted, (bool)def.UI(params));
    EXPECT_NE(std::string::npos, text.find(MsgText("impmenu1.confirm.reverse"))) << text;
    if (c.newDoc < 0) {
      EXPECT_FALSE(KCabKnown(params, "NewDoc"));
    } else {
      EXPECT_EQ(c.newDoc, KCabGetBool(params, "NewDoc", 7));
    }
    KCabDestroy(params);
  }
}

TEST_F(ReverseCmd, TheDescriberNamesANewDocumentOnly) {
  for (int newDoc : {-1, 0, 1}) {
    SKCab* params = KCabNewInner();
    if (newDoc >= 0) KCabPutBool(params, "NewDoc", newDoc);
    EXPECT_EQ(newDoc == 1 ? "Into a new document" : "", def.Describe(params)) << newDoc;
    KCabDestroy(params);
  }
}

// Recorded parameters without "NewDoc" reverse in place.
TEST_F(ReverseCmd, InPlaceUnlessANewDocumentIsAskedFor) {
  for (int newDoc : {-1, 0}) {
    SCOPED_TRACE(newDoc);
    PDDoc doc = Doc(3);
    ASSERT_TRUE(RunOn(doc, [&](SKCab* p) {
      if (newDoc >= 0) KCabPutBool(p, "NewDoc", newDoc);
    }));
    EXPECT_EQ("Page3|Page2|Page1|", Saved(doc, "inplace.pdf"));
    EXPECT_TRUE(ViewsOpened().empty());
  }
}

TEST_F(ReverseCmd, ANewDocumentLeavesTheSourceAlone) {
  PDDoc doc = Doc(4);
  ASSERT_TRUE(RunOn(doc, [](SKCab* p) { KCabPutBool(p, "NewDoc", 1); }));
  EXPECT_EQ("Page1|Page2|Page3|Page4|", Saved(doc, "source.pdf"));
  std::vector<OpenedView> views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ("Page4|Page3|Page2|Page1|", Saved(AVDocGetPDDoc(views[0].view), "copy.pdf"));
}

}  // namespace
