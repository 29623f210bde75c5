// The shuffle and even/odd commands' definitions, describers and dialog
// checks, and their dialogs driven headless through the platform's dialog
// driver as a user would: typed rules, refused OKs, the group-size
// feedback, the preview's step buttons, classic mode and the action radios.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands/EvenOddCmd.h"
#include "commands/Prefs.h"
#include "commands/ShuffleCmd.h"
#include "commands/ShuffleSupport.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "frame/CmdColl.h"
#include "frame/ProcMan.h"
#include "host/ASFixed.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtlHarness.h"
#include "kctl/mac/PDFCtl.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"

namespace {

using namespace kvtest;

const auto* const kMessages = ::testing::AddGlobalTestEnvironment(new EnglishMessagesEnvironment);

std::string Text(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }


std::vector<std::string> Lines(SKCab* lines) {
  std::vector<std::string> out;
  for (long k = 0; KCabKnownNumKey(lines, k); ++k) out.push_back(KCabGetStringNumKey(lines, k));
  return out;
}

// ---- definitions

TEST(ShuffleDefinition, KeysDefaultsAndCallbacks) {
  KCabHolder command(NewCmdMgrForShuffle());
  EXPECT_EQ(ASAtomFromString("Shuffle"), KCabGetAtom(command.get(), "Key", ASAtomNull));
  EXPECT_EQ(Text("impmenu1.cmd.shuffle"), KCabGetString(command.get(), "Name"));
  SKCab* d = KCabGetCab(command.get(), "DefaultParams");
  ASSERT_TRUE(d);
  EXPECT_TRUE(KCabGetBool(d, "NewDoc", 0));
  EXPECT_EQ(16, KCabGetInt(d, "GroupSize", 0));
  EXPECT_EQ(ASAtomFromString("Normal"), KCabGetAtom(d, "Type", ASAtomNull));
  EXPECT_STREQ("", KCabGetString(d, "Order"));
  EXPECT_EQ(2, KCabGetInt(d, "PreviewRows", 0));
  EXPECT_EQ(2, KCabGetInt(d, "PreviewCols", 0));
  EXPECT_TRUE(KCabGetFunctionPointerNamedType(command.get(), "Control:Start", kProcManCallbackType));
  EXPECT_TRUE(KCabGetFunctionPointerNamedType(command.get(), "UI", kCmdMgrUIProcType));
  EXPECT_TRUE(KCabGetFunctionPointerNamedType(command.get(), "Describer", kCmdMgrDescriberProcType));
  EXPECT_EQ(1, KCabGetInt(command.get(), "Version", 0));
  EXPECT_TRUE(ProcManBoolProperty(command.get(), "Control:Props:CanHandleAToA", d));
}

TEST(EvenOddDefinition, InPlaceOnlyForReorderingActions) {
  KCabHolder command(NewCmdMgrForEvenOddShuffle());
  EXPECT_EQ(ASAtomFromString("EvenOddShuffle"), KCabGetAtom(command.get(), "Key", ASAtomNull));
  SKCab* d = KCabGetCab(command.get(), "DefaultParams");
  ASSERT_TRUE(d);
  EXPECT_EQ(ASAtomFromString("No"), KCabGetAtom(d, "Action", ASAtomNull));
  EXPECT_FALSE(KCabKnown(d, "NewDoc"));
  EXPECT_TRUE(KCabGetFunctionPointerNamedType(command.get(), "Control:Start", kProcManCallbackType));
  struct Case {
    const char* action;
    bool inPlace;
  } cases[] = {{"No", true}, {"OddsFirst", true}, {"Split", false}, {"Merge", false}, {"Bogus", true}};
  for (const Case& c : cases) {
    KCabHolder params(KCabNewInner());
    KCabPutAtom(params.get(), "Action", ASAtomFromString(c.action));
    EXPECT_EQ(c.inPlace, (bool)ProcManBoolProperty(command.get(), "Control:Props:CanHandleAToA", params.get()))
        << c.action;
  }
}

// ---- feedback, descriptions, describers

std::string Feedback(int pages, int group) {
  char text[600];
  ShuffleGroupFeedbackText(pages, group, text, sizeof text);
  return text;
}

std::string Format(const char* key, const char* sig, long a, const char* b, long c, const char* d, long e = 0,
                   const char* f = nullptr) {
  char out[600];
  if (f) FormatMessageByKeyUTF8(nullptr, key, nullptr, out, sizeof out, sig, a, b, c, d, e, f);
  else FormatMessageByKeyUTF8(nullptr, key, nullptr, out, sizeof out, sig, a, b, c, d);
  return out;
}

TEST(ShuffleFeedback, ExactAndPaddedGroups) {
  const std::string pages = Text("common.pages"), page = Text("common.page");
  const std::string groups = Text("uiimp.5.groups"), group = Text("uiimp.5.group");
  EXPECT_EQ(Format("uiimp.5.notexactgroups", "lslsls", 10, pages.c_str(), 3, groups.c_str(), 2, pages.c_str()),
            Feedback(10, 4));
  EXPECT_EQ(Format("uiimp.5.notexactgroups", "lslsls", 9, pages.c_str(), 3, groups.c_str(), 3, pages.c_str()),
            Feedback(9, 4));
  EXPECT_EQ(Format("uiimp.5.notexactgroups", "lslsls", 7, pages.c_str(), 2, groups.c_str(), 1, page.c_str()),
            Feedback(7, 4));
  EXPECT_EQ(Format("uiimp.5.exactgroups", "lsls", 8, pages.c_str(), 1, group.c_str()), Feedback(8, 8));
  EXPECT_EQ(Format("uiimp.5.exactgroups", "lsls", 1, page.c_str(), 1, group.c_str()), Feedback(1, 1));
  // A group size of 0 divides nothing.
  EXPECT_EQ(Format("uiimp.5.exactgroups", "lsls", 10, pages.c_str(), 0, groups.c_str()), Feedback(10, 0));
}

TEST(ShuffleDescription, EveryBindingType) {
  struct Case {
    const char* type;
    std::string text;
  } cases[] = {{"Normal", Text("uikv.shuf.bindingnormal")},
               {"SaddleStitch", Text("uikv.shuf.bindingsaddle")},
               {"CutStacksSingle", Text("uikv.shuf.bindingsinglecut")},
               {"CutStacksDouble", Text("uikv.shuf.bindingdoublecut")},
               {"CutSignatures", "Cut signatures"},
               {"Sideways", Text("uikv.shuf.bindingnormal")}};
  for (const Case& c : cases) {
    KCabHolder params(KCabNewInner());
    KCabPutAtom(params.get(), "Type", ASAtomFromString(c.type));
    char text[1000];
    ShuffleOrderDescription(params.get(), text, sizeof text);
    EXPECT_EQ(c.text, text) << c.type;
  }
  KCabHolder params(KCabNewInner());
  char small[8];
  ShuffleOrderDescription(params.get(), small, sizeof small);
  EXPECT_EQ(Text("uikv.shuf.bindingnormal").substr(0, 7), small);
}

TEST(ShuffleDescriber, ThreeLinesWithTheRuleOnOneLine) {
  KCabHolder params(KCabNewInner());
  KCabPutInt(params.get(), "GroupSize", 4);
  KCabPutAtom(params.get(), "Type", ASAtomFromString("SaddleStitch"));
  KCabPutStringCopy(params.get(), "Order", "4 1\r\n3 2");
  KCabHolder lines(CmdMgrShuffleDescriber(nullptr, params.get()));
  std::vector<std::string> got = Lines(lines.get());
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(Text("uikv.shuf.type") + Text("uikv.shuf.bindingsaddle"), got[1]);
  EXPECT_EQ(Text("uikv.shuf.ruledesc") + "4 1  3 2", got[2]);
  EXPECT_NE(std::string::npos, got[0].find('4'));
  // A long rule is cut to the line.
  KCabPutStringCopy(params.get(), "Order", std::string(5000, '7').c_str());
  KCabHolder long_(CmdMgrShuffleDescriber(nullptr, params.get()));
  EXPECT_EQ(999u, Lines(long_.get())[2].size());
}

TEST(EvenOddDescriber, LinesByAction) {
  struct Case {
    const char* action;
    size_t lines;
    const char* first;
  } cases[] = {{"No", 3, "uikv.eodd.desc.1"},
               {"OddsFirst", 3, "uikv.eodd.desc.2"},
               {"Split", 1, "uikv.eodd.desc.3"},
               {"Merge", 1, "uikv.eodd.desc.4"}};
  for (const Case& c : cases) {
    KCabHolder params(KCabNewInner());
    KCabPutAtom(params.get(), "Action", ASAtomFromString(c.action));
    KCabPutBool(params.get(), "ReverseEven", 1);
    KCabHolder lines(CmdMgrEvenOddShuffleDescriber(nullptr, params.get()));
    std::vector<std::string> got = Lines(lines.get());
    ASSERT_EQ(c.lines, got.size()) << c.action;
    EXPECT_EQ(Text(c.first), got[0]);
    if (c.lines == 3) {
      char want[600];
      FormatMessageByKeyUTF8(nullptr, "uikv.eodd.desc.10", nullptr, want, sizeof want, "s",
                             Text("common.yesword").c_str());
      EXPECT_EQ(want, got[1]);
    }
  }
}

// ---- the checks behind OK

TEST(ShuffleValidation, RulesAndGroupSizes) {
  struct Case {
    const char* rule;
    int group;
    bool newDoc, forPreview, interactive;
    bool ok;
    const char* firstMessageKey;  // null: none
  } cases[] = {
      {"", 4, true, false, true, false, "uiimp.5.noshufflelist"},
      {"4 1 3 2", 4, false, false, true, true, nullptr},
      {"1 2 3 9", 4, true, false, true, false, nullptr},  // the engine's page-outside-group message
      {"1 1 2 3 4", 4, false, false, true, false, nullptr},  // in place: duplicates refused
      {"1 1 2 3 4", 4, true, false, true, true, nullptr},    // new document: asked (default yes)
      {"1 1 2 3 4", 4, false, true, true, true, nullptr},    // for the preview: asked
      {"1 1 2 3 4", 4, false, false, false, true, nullptr},  // playback: asked
      {"1 2", 0, true, false, true, false, "pagemg.7.grouptoosmall"},
  };
  for (const Case& c : cases) {
    MessageCapture capture;
    KCabHolder params(KCabNewInner());
    KCabPutStringCopy(params.get(), "Order", c.rule);
    KCabPutInt(params.get(), "GroupSize", c.group);
    KCabPutBool(params.get(), "NewDoc", c.newDoc);
    EXPECT_EQ(c.ok, (bool)ShuffleRuleValidationForCab(params.get(), c.forPreview, c.interactive)) << c.rule;
    if (!c.ok) {
      EXPECT_FALSE(capture.messages().empty()) << c.rule;
    }
    if (c.firstMessageKey) {
      ASSERT_FALSE(capture.messages().empty());
      EXPECT_EQ(Text(c.firstMessageKey), capture.messages()[0].text);
    }
  }
}

TEST(EvenOddChecks, RefusalsAndQuestions) {
  struct Case {
    const char* name;
    const char* action;
    bool reverse, flip, newDoc, interactive;
    int pages;  // -1: no document
    bool ok;
    const char* message;
  } cases[] = {
      {"NothingToDo", "No", false, false, false, true, 5, false, "pagemg.6.willdonothing"},
      {"JustACopy", "No", false, false, true, true, 5, true, nullptr},  // asked, default yes
      {"ReverseOnePage", "No", true, false, false, true, 1, false, "pagemg.6.justonepage"},
      {"ReverseTwoPages", "No", true, false, false, true, 2, true, nullptr},
      {"ReverseNoDocument", "No", true, false, false, true, -1, true, nullptr},
      {"OddsFirstTwoPages", "OddsFirst", false, false, false, true, 2, false, "pagemg.6.lessthanthree"},
      {"OddsFirstThreePages", "OddsFirst", false, false, false, true, 3, true, nullptr},
      {"PlaybackSkipsPageCounts", "OddsFirst", false, false, false, false, 1, true, nullptr},
      {"SplitAlways", "Split", false, false, false, true, 1, true, nullptr},
      {"MergeAlways", "Merge", false, false, false, true, -1, true, nullptr},
  };
  for (const Case& c : cases) {
    MessageCapture capture;
    KCabHolder values(KCabNewInner());
    KCabPutAtom(values.get(), "Action", ASAtomFromString(c.action));
    KCabPutBool(values.get(), "ReverseEven", c.reverse);
    KCabPutBool(values.get(), "FlipEven", c.flip);
    KCabPutBool(values.get(), "NewDoc", c.newDoc);
    EXPECT_EQ(c.ok, (bool)EvenOddValuesOk(values.get(), c.interactive, c.pages)) << c.name;
    if (c.message) {
      ASSERT_EQ(1u, capture.messages().size()) << c.name;
      EXPECT_EQ(Text(c.message), capture.messages()[0].text) << c.name;
    }
  }
  // The question about a mere copy: answering no keeps the dialog open.
  MessageCapture capture(false);
  AVAlertQueueAnswer(2);
  KCabHolder values(KCabNewInner());
  KCabPutAtom(values.get(), "Action", ASAtomFromString("No"));
  KCabPutBool(values.get(), "NewDoc", 1);
  EXPECT_FALSE(EvenOddValuesOk(values.get(), 1, 5));
  AVAlertClearAnswers();
}

// ---- dialogs driven as a user would

class ShuffleDialogs : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    savedClassic = gKVClassic;
    gKVClassic = 0;
  }
  void TearDown() override {
    for (AVDoc v : views) AVDocClose(v, 1);
    gKVClassic = savedClassic;
    PDFCtlTerm();
    KCtlFixture::TearDown();
  }
  void OpenDoc(int pages) {
    PDDoc doc = PDDocCreate();
    ASFixedRect box{};
    box.right = ASInt32ToFixed(612);
    box.top = ASInt32ToFixed(792);
    for (int k = 0; k < pages; ++k) PDPageRelease(PDDocCreatePage(doc, k - 1, box));
    views.push_back(AVDocOpenFromPDDoc(doc, nullptr));
  }
  static void Press(const char* captionKey) {
    PfDriverClickItem(Front(), PfDriverItemByCaption(Front(), Text(captionKey).c_str()), 0);
  }
  static std::string FrontTitle() {
    PfDialogRef d = Front();
    if (!d) return "";
    const char* title = PfGetWindowTitleUTF8(PfGetDialogWindow(d));
    return title ? title : "";
  }

  std::vector<AVDoc> views;
  ASBool savedClassic = 0;
};

TEST_F(ShuffleDialogs, TypedRuleAndGroupSizeComeBackOnOk) {
  OpenDoc(10);
  MessageCapture capture;
  KCabHolder params(KCabDup(KCabGetCab(KCabHolder(NewCmdMgrForShuffle()).get(), "DefaultParams")));
  KCabPutInt(params.get(), "PageCount", 99);  // a document is open: its count counts
  SKCab* source = KCabNewInner();             // the caller's, held across the dialog
  KCabPutCab(params.get(), "Source", source);
  PfScript script;
  std::string feedbackAtStart, feedbackAfterTyping;
  script.Then([&] {
    feedbackAtStart = PfText(Front(), ItemOfId(kShuffleFeedbackId));
    PfDriverTypeText(Front(), ItemOfKey("GroupSize"), "4", true);
  });
  script.Then([&] {
    feedbackAfterTyping = PfText(Front(), ItemOfId(kShuffleFeedbackId));
    PfDriverTypeText(Front(), ItemOfKey("Order"), "4 1 3 2", true);
  });
  script.Then([&] {
    PfDriverPressReturn();
  });
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_EQ(Feedback(10, 16), feedbackAtStart);
  EXPECT_EQ(Feedback(10, 4), feedbackAfterTyping);
  EXPECT_STREQ("4 1 3 2", KCabGetString(params.get(), "Order"));
  EXPECT_EQ(4, KCabGetInt(params.get(), "GroupSize", 0));
  EXPECT_FALSE(KCabKnown(params.get(), "PageCount"));
  EXPECT_EQ(source, KCabGetCab(params.get(), "Source"));
  EXPECT_TRUE(capture.messages().empty());
}

TEST_F(ShuffleDialogs, EmptyRuleKeepsTheDialogOpenAndCancelKeepsTheParameters) {
  MessageCapture capture;
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "");
  KCabPutInt(params.get(), "GroupSize", 8);
  PfScript script;
  bool stillOpen = false;
  std::string feedback;
  script.Then([&] {
    feedback = PfText(Front(), ItemOfId(kShuffleFeedbackId));
    PfDriverTypeText(Front(), ItemOfKey("GroupSize"), "12", true);
    PfDriverPressReturn();
  });
  script.Then([&] {
    stillOpen = FrontTitle() == Text("dlg.shuffle1.title");
    PfDriverPressEscape();
  });
  EXPECT_FALSE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Text("uiimp.5.noactivedoc"), feedback);
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ(Text("uiimp.5.noshufflelist"), capture.messages()[0].text);
  EXPECT_EQ(8, KCabGetInt(params.get(), "GroupSize", 0));
}

TEST_F(ShuffleDialogs, BetterGroupSizeIsOfferedAndTaken) {
  MessageCapture capture;
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "4 1 3 2");
  KCabPutInt(params.get(), "GroupSize", 16);
  KCabPutBool(params.get(), "NewDoc", 1);
  PfScript script;
  std::string question;
  script.Then([] { PfDriverPressReturn(); });
  script.Then([&] {
    // The three-button question about the group size: Yes.
    question = FrontTitle();
    Press("common.button.yes");
  });
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_EQ(4, KCabGetInt(params.get(), "GroupSize", 0));
  EXPECT_NE(Text("dlg.shuffle1.title"), question);
}

TEST_F(ShuffleDialogs, ClassicModeHasNoAssistantNorDescription) {
  struct Case {
    ASBool classic;
    bool assistant;
  } cases[] = {{0, true}, {1, false}};
  for (const Case& c : cases) {
    gKVClassic = c.classic;
    KCabHolder params(KCabNewInner());
    KCabPutAtom(params.get(), "Type", ASAtomFromString("SaddleStitch"));
    PfScript script;
    bool assistant = false, description = false;
    script.Then([&] {
      assistant = PfDriverItemByCaption(Front(), Text("dlg.shuffle1.20").c_str()) > 0;
      description = PfDriverItemByCaption(Front(), Text("uikv.shuf.bindingsaddle").c_str()) > 0;
      PfDriverPressEscape();
    });
    EXPECT_FALSE(CmdMgrShuffleUI(nullptr, params.get()));
    EXPECT_EQ(c.assistant, assistant) << c.classic;
    EXPECT_EQ(c.assistant, description) << c.classic;
  }
}

TEST_F(ShuffleDialogs, OptionsDialogOffersTwoBindingsInClassicMode) {
  struct Case {
    ASBool classic;
    bool cutStacks;
  } cases[] = {{0, true}, {1, false}};
  for (const Case& c : cases) {
    gKVClassic = c.classic;
    KCabHolder params(KCabNewInner());
    PfScript script;
    bool saddle = false, cut = false;
    std::string description;
    script.Then([&] {
      Press(c.classic ? "dlg.shuffle1.5" : "dlg.shuffle1.22");
    });
    script.Then([&] {
      saddle = ItemOfKey("Type=SaddleStitch") > 0;
      cut = ItemOfKey("Type=CutStacksDouble") > 0;
      PfDriverClickItem(Front(), ItemOfKey("Type=SaddleStitch"), 0);
      PfDriverPressReturn();
    });
    script.Then([&] {
      if (!c.classic) description = PfText(Front(), ItemOfId(kShuffleDescriptionId));
      PfDriverPressEscape();
    });
    CmdMgrShuffleUI(nullptr, params.get());
    EXPECT_TRUE(saddle);
    EXPECT_EQ(c.cutStacks, cut);
    if (!c.classic) {
      EXPECT_EQ(Text("uikv.shuf.bindingsaddle"), description);
    }
    // The main dialog was cancelled: the parameters stay.
    EXPECT_FALSE(KCabKnown(params.get(), "Type"));
  }
}

TEST_F(ShuffleDialogs, PreviewStepsAndRefusesTooManyColumns) {
  struct Case {
    int cols;
    bool drawn;
  } cases[] = {{2, true}, {11, false}};
  for (const Case& c : cases) {
    KCabHolder params(KCabNewInner());
    KCabPutStringCopy(params.get(), "Order", "1 2 3 4 5 6 7 8");
    KCabPutInt(params.get(), "GroupSize", 8);
    KCabPutInt(params.get(), "PreviewCols", c.cols);
    KCabPutInt(params.get(), "PreviewRows", 2);
    KCabPutInt(params.get(), "PageCount", 32);
    PfScript script;
    bool prevAtStart = true, nextAtStart = false, prevAfterNext = false;
    int offsetAfterNext = -1;
    script.Then([&] {
      prevAtStart = PfDriverIsEnabled(Front(), ItemOfId(kShufflePreviewPrevId));
      nextAtStart = PfDriverIsEnabled(Front(), ItemOfId(kShufflePreviewNextId));
      if (nextAtStart) PfDriverClickItem(Front(), ItemOfId(kShufflePreviewNextId), 0);
    });
    script.Then([&] {
      prevAfterNext = PfDriverIsEnabled(Front(), ItemOfId(kShufflePreviewPrevId));
      PfDriverPressReturn();
    });
    EXPECT_TRUE(RunShufflePreviewDialog(params.get(), 0));
    offsetAfterNext = KCabGetInt(params.get(), ".SheetOffset", -1);
    EXPECT_FALSE(prevAtStart);
    EXPECT_EQ(c.drawn, nextAtStart) << c.cols;
    EXPECT_EQ(c.drawn, prevAfterNext) << c.cols;
    EXPECT_EQ(c.drawn ? 2 : 0, offsetAfterNext) << c.cols;
  }
}

TEST_F(ShuffleDialogs, EditingTheAssistantsRuleAsksOnce) {
  MessageCapture capture(false);
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "4 1 3 2");
  KCabPutInt(params.get(), "GroupSize", 4);
  KCabPutBool(params.get(), "FromAssistant", 1);
  AVAlertQueueAnswer(1);  // yes: edit by hand
  PfScript script;
  script.Then([&] {
    PfDriverTypeText(Front(), ItemOfKey("Order"), "4 1", true);
    PfDriverTypeText(Front(), ItemOfKey("Order"), "4 1 3 2", true);
    PfDriverPressReturn();
  });
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  AVAlertClearAnswers();
  size_t questions = 0;
  for (const AVAlertRecord& r : AVAlertRecorded()) questions += r.message == Text("uikv.shuf.assistant.warning");
  EXPECT_EQ(1u, questions);
  EXPECT_FALSE(KCabGetBool(params.get(), "FromAssistant", 1));
}

TEST_F(ShuffleDialogs, AnsweringNoReopensTheAssistantAndRefusesTheEdit) {
  MessageCapture capture(false);
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "4 1 3 2");
  KCabPutInt(params.get(), "GroupSize", 4);
  KCabPutBool(params.get(), "FromAssistant", 1);
  AVAlertQueueAnswer(2);  // no: back to the assistant
  PfScript script;
  std::string reopened;
  script.Then([&] { PfDriverTypeText(Front(), ItemOfKey("Order"), "9", true); });
  script.Then([&] {
    reopened = FrontTitle();
    PfDriverPressEscape();  // leave the assistant
  });
  script.Then([] { PfDriverPressEscape(); });  // and the shuffle dialog
  EXPECT_FALSE(CmdMgrShuffleUI(nullptr, params.get()));
  AVAlertClearAnswers();
  EXPECT_EQ(Text("dlg.shufass.1.title"), reopened);
  EXPECT_STREQ("4 1 3 2", KCabGetString(params.get(), "Order"));
  EXPECT_TRUE(KCabGetBool(params.get(), "FromAssistant", 0));
}

TEST_F(ShuffleDialogs, AssistantBuildsTheRuleFromTheStartingGrid) {
  MessageCapture capture;
  KCabHolder params(KCabDup(KCabGetCab(KCabHolder(NewCmdMgrForShuffle()).get(), "DefaultParams")));
  KCabPutInt(params.get(), "PreviewRows", 2);
  KCabPutInt(params.get(), "PreviewCols", 1);
  PfScript script;
  std::string step1, step2;
  script.Then([&] { Press("dlg.shuffle1.20"); });
  script.Then([&] {
    step1 = FrontTitle();
    PfDriverPressReturn();  // Next with 2 x 1 and 8 pages
  });
  script.Then([&] {
    step2 = FrontTitle();
    PfDriverPressReturn();  // Finish: 8 above 1
  });
  script.Then([] { PfDriverPressReturn(); });  // the main dialog's OK
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_EQ(Text("dlg.shufass.1.title"), step1);
  EXPECT_EQ(Text("dlg.shufass.2.title"), step2);
  EXPECT_STREQ("4 1 3 2 ", KCabGetString(params.get(), "Order"));
  EXPECT_EQ(4, KCabGetInt(params.get(), "GroupSize", 0));
  EXPECT_EQ(ASAtomFromString("SaddleStitch"), KCabGetAtom(params.get(), "Type", ASAtomNull));
  EXPECT_TRUE(KCabGetBool(params.get(), "FromAssistant", 0));
  EXPECT_TRUE(capture.messages().empty()) << capture.texts()[0];
}

// A typed rule that a grid can show opens the assistant on that grid; Finish
// writes the same rule back.
TEST_F(ShuffleDialogs, AssistantOpensOnTheGridOfTheTypedRule) {
  MessageCapture capture;
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "1 3 5 7 4 2 8 6");
  KCabPutInt(params.get(), "GroupSize", 8);
  KCabPutInt(params.get(), "PreviewRows", 2);
  KCabPutInt(params.get(), "PreviewCols", 2);
  PfScript script;
  std::vector<std::string> cells;
  std::string rows;
  script.Then([&] { Press("dlg.shuffle1.20"); });
  script.Then([&] {
    rows = PfText(Front(), ItemOfKey("PreviewRows"));
    PfDriverPressReturn();
  });
  script.Then([&] {
    for (const char* key : {"0", "1", "2", "3"}) cells.push_back(PfText(Front(), ItemOfKey(key)));
    PfDriverPressReturn();
  });
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_EQ("2", rows);
  EXPECT_EQ((std::vector<std::string>{"1", "3", "5", "7"}), cells);
  EXPECT_STREQ("1 3 5 7 4 2 8 6 ", KCabGetString(params.get(), "Order"));
  EXPECT_EQ(8, KCabGetInt(params.get(), "GroupSize", 0));
  EXPECT_TRUE(capture.messages().empty());
}

TEST_F(ShuffleDialogs, PreviewCountsComeBackToTheMainDialog) {
  KCabHolder params(KCabNewInner());
  KCabPutStringCopy(params.get(), "Order", "2 1");
  KCabPutInt(params.get(), "GroupSize", 2);
  KCabPutBool(params.get(), "NewDoc", 1);
  PfScript script;
  std::string pagesShown;
  script.Then([&] { Press("dlg.shuffle1.11"); });
  script.Then([&] {
    pagesShown = PfText(Front(), ItemOfKey("PageCount"));
    PfDriverTypeText(Front(), ItemOfKey("PreviewCols"), "3", true);
  });
  script.Then([] { PfDriverPressReturn(); });  // the preview's OK
  script.Then([] { PfDriverPressReturn(); });  // the shuffle dialog's OK
  EXPECT_TRUE(CmdMgrShuffleUI(nullptr, params.get()));
  EXPECT_EQ("8", pagesShown);  // no document: 8 pages
  EXPECT_EQ(3, KCabGetInt(params.get(), "PreviewCols", 0));
  EXPECT_EQ(2, KCabGetInt(params.get(), "PreviewRows", 0));
  EXPECT_EQ(8, KCabGetInt(params.get(), "PageCount", 0));
}

TEST_F(ShuffleDialogs, EvenOddActionsShowTheirOptions) {
  OpenDoc(5);
  MessageCapture capture;
  KCabHolder params(KCabDup(KCabGetCab(KCabHolder(NewCmdMgrForEvenOddShuffle()).get(), "DefaultParams")));
  PfScript script;
  bool optionsAtStart = false, mergeAtStart = true, optionsOnMerge = true, mergeOnMerge = false;
  bool optionsOnSplit = true, stillOpen = false;
  script.Then([&] {
    optionsAtStart = PfDriverIsVisible(Front(), ItemOfKey("ReverseEven"));
    mergeAtStart = PfDriverIsVisible(Front(), ItemOfKey("OddAVDoc"));
    PfDriverClickItem(Front(), ItemOfKey("Action=Merge"), 0);
  });
  script.Then([&] {
    optionsOnMerge = PfDriverIsVisible(Front(), ItemOfKey("ReverseEven"));
    mergeOnMerge = PfDriverIsVisible(Front(), ItemOfKey("OddAVDoc"));
    PfDriverClickItem(Front(), ItemOfKey("Action=Split"), 0);
  });
  script.Then([&] {
    optionsOnSplit = PfDriverIsVisible(Front(), ItemOfKey("ReverseEven")) ||
                     PfDriverIsVisible(Front(), ItemOfKey("OddAVDoc"));
    PfDriverClickItem(Front(), ItemOfKey("Action=No"), 0);
  });
  script.Then([&] {
    PfDriverPressReturn();  // nothing ticked: refused
  });
  script.Then([&] {
    stillOpen = FrontTitle() == Text("dlg.evenodd1.title");
    PfDriverSetChecked(Front(), ItemOfKey("FlipEven"), true);
  });
  script.Then([&] {
    PfDriverPressReturn();
  });
  EXPECT_TRUE(CmdMgrEvenOddShuffleUI(nullptr, params.get()));
  EXPECT_TRUE(optionsAtStart);
  EXPECT_FALSE(mergeAtStart);
  EXPECT_FALSE(optionsOnMerge);
  EXPECT_TRUE(mergeOnMerge);
  EXPECT_FALSE(optionsOnSplit);
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ(Text("pagemg.6.willdonothing"), capture.messages()[0].text);
  EXPECT_TRUE(KCabGetBool(params.get(), "FlipEven", 0));
  EXPECT_EQ(ASAtomFromString("No"), KCabGetAtom(params.get(), "Action", ASAtomNull));
}

TEST_F(ShuffleDialogs, EvenOddPlaybackDisablesSplitMergeAndNewDoc) {
  KCabHolder params(KCabNewInner());
  KCabPutBool(params.get(), "Interactive", 0);
  PfScript script;
  bool split = true, merge = true, newDoc = true, odds = false;
  script.Then([&] {
    split = PfDriverIsEnabled(Front(), ItemOfKey("Action=Split"));
    merge = PfDriverIsEnabled(Front(), ItemOfKey("Action=Merge"));
    newDoc = PfDriverIsEnabled(Front(), ItemOfKey("NewDoc"));
    odds = PfDriverIsEnabled(Front(), ItemOfKey("Action=OddsFirst"));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(CmdMgrEvenOddShuffleUI(nullptr, params.get()));
  EXPECT_FALSE(split);
  EXPECT_FALSE(merge);
  EXPECT_FALSE(newDoc);
  EXPECT_TRUE(odds);
}

}  // namespace
