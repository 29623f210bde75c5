// The status box: opening, labelling and closing; the cancel flags set by a
// user's click or Command-period through the platform's event queue; the
// three-second poll slot; push and pop; the progress monitor's marks.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "foundation/ProductName.h"
#include "foundation/AVUTF8.h"
#include "kctl/DocWindow.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/ASExtension.h"
#include "host/Notify.h"
#include "host/PD.h"
#include "kctl/StatusBox.h"
#include "support/EnglishMessages.h"
#include "support/Terminal.h"

using namespace kvtest;

namespace {

std::string Text(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

const std::string kEmpty = "\xE2\x97\x8B";
const std::string kFilled = "\xE2\x97\x8F";

class StatusBoxTest : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    StatusBoxTerm();
    gStatusBoxVisible = 1;
    SetStatusBoxTitleUtf8("Working");
    PfSetEventDispatcher(MacDialogDispatchEvent, nullptr);
  }
  void TearDown() override {
    StatusBoxTerm();
    gStatusBoxVisible = 1;
    PfSetEventDispatcher(nullptr, nullptr);
    KCtlFixture::TearDown();
  }

  static PfDialogRef Box() { return StatusBoxDialog() ? StatusBoxDialog()->dialog : nullptr; }
  static std::string BoxText(ASInt32 id) { return PfText(Box(), PfDriverItemById(Box(), id)); }
  static std::string Label() { return BoxText(100); }
  static std::string Title() { return PfGetWindowTitleUTF8(PfGetDialogWindow(Box())); }
  static std::string Marks() {
    std::string s;
    for (ASInt32 id = 101; id <= 110; ++id) s += BoxText(id) == kFilled ? "*" : (BoxText(id) == kEmpty ? "o" : "?");
    return s;
  }
  // A user's click on the box's Cancel button, left in the event queue.
  static void ClickCancel() { ASSERT_TRUE(PfDriverClickItem(Box(), PfDriverItemById(Box(), 2), 0)); }
  // Moves the platform clock into the next three-second slot.
  static void NextSlot() { PfClockAdvance(3 * 60); }
};

TEST_F(StatusBoxTest, OpensWithTitleLabelAndEmptyMarks) {
  SetStatusBoxTextUtf8("Imposing pages");
  ASSERT_NE(nullptr, Box());
  EXPECT_EQ("Working", Title());
  EXPECT_EQ("Imposing pages", Label());
  EXPECT_EQ("oooooooooo", Marks());
  EXPECT_EQ(Text("common.button.cancel"), BoxText(2));
  EXPECT_TRUE(PfIsWindowVisible(PfGetDialogWindow(Box())));
  // Opening again raises the same box and keeps its label.
  SMacDialogInfo* first = StatusBoxDialog();
  OpenStatusBox();
  EXPECT_EQ(first, StatusBoxDialog());
  EXPECT_EQ("Imposing pages", Label());
  EXPECT_EQ(1, MacLiveDialogCount());
  CloseStatusBox();
  EXPECT_EQ(nullptr, StatusBoxDialog());
}

TEST_F(StatusBoxTest, TitleKeepsNinetyNineBytesAndFallsBackToTheProductName) {
  SetStatusBoxTitleUtf8(std::string(120, 'T').c_str());
  OpenStatusBox();
  EXPECT_EQ(std::string(99, 'T'), Title());
  CloseStatusBox();

  // A character across the 99th byte goes whole.
  SetStatusBoxTitleUtf8((std::string(98, 'T') + "\xC3\xA9" + "x").c_str());
  OpenStatusBox();
  EXPECT_EQ(std::string(98, 'T'), Title());
  CloseStatusBox();

  SetStatusBoxTitleUtf8("");
  OpenStatusBox();
  EXPECT_EQ(CurrentProductString(kProductShortName), Title());
}

TEST_F(StatusBoxTest, ClosingLeavesTheStatusFlagSetUntilTheNextOpenOrText) {
  OpenStatusBox();
  EXPECT_FALSE(TestStatusCancelFlag());
  CloseStatusBox();
  EXPECT_TRUE(TestStatusCancelFlag());
  EXPECT_TRUE(TestStatusCancelFlag());
  SetStatusBoxTextUtf8("again");
  EXPECT_FALSE(TestStatusCancelFlag());
  // The host closing the window counts as closing the box.
  AVWindowUserClose(StatusBoxDialog()->avWindow, false);
  EXPECT_EQ(nullptr, StatusBoxDialog());
  EXPECT_TRUE(TestStatusCancelFlag());
}

TEST_F(StatusBoxTest, AClickOnCancelIsSeenByTheNextRealPoll) {
  SetStatusBoxTextUtf8("Working hard");
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  NextSlot();
  ClickCancel();
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
  // The poll took the click and its release; the box stays open.
  EXPECT_EQ(0, PfQueueLength());
  EXPECT_NE(nullptr, StatusBoxDialog());
}

TEST_F(StatusBoxTest, CommandPeriodCancelsAndOtherKeysAreDropped) {
  OpenStatusBox();
  CheckStatusBoxCancel(nullptr);
  NextSlot();
  PfDriverKey('x', 0);
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  EXPECT_EQ(0, PfQueueLength()) << "the key went nowhere else";
  NextSlot();
  PfDriverPressCommandPeriod();
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
}

TEST_F(StatusBoxTest, OtherEventsStayQueuedAndClicksElsewhereCancelNothing) {
  OpenStatusBox();
  CheckStatusBoxCancel(nullptr);
  NextSlot();
  PfPostUpdate(PfGetDialogWindow(Box()));
  PfPostMouseDown(PfPoint{5, 5}, 0);  // on the desktop, far from the box
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  EXPECT_EQ(1, PfQueueLength()) << "the update event is left for its window";
  PfFlushEvents(kPfEveryEvent);
  // Without a box a click on nothing cancels nothing.
  CloseStatusBox();
  KCancelClearFlag();
  NextSlot();
  PfPostMouseDown(PfPoint{5, 5}, 0);
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
}

TEST_F(StatusBoxTest, PollsWithinOneSlotAndWithTheSameMarksLookAtNothing) {
  ProgressMonitor pm = StatusBoxGetProgressMonitor(nullptr, 0);
  SetStatusBoxTextUtf8("slots");
  pm->setDuration(10, nullptr);
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  ClickCancel();
  // Same slot, same marks: the queue is not looked at, so the click waits
  // there; the poll answers the flag, which nothing has set yet.
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  EXPECT_EQ(2, PfQueueLength());
  // New marks make the next poll a real one within the slot.
  pm->setCurrValue(3, nullptr);
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  // Flag set, same slot and marks: the queue is left alone, the flag answers.
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  EXPECT_TRUE(TestStatusCancelFlag());
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
  NextSlot();
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
}

TEST_F(StatusBoxTest, TheButtonsOwnActionCancelsAtOnceForTheDirectTests) {
  SetStatusBoxTextUtf8("Working");
  CheckStatusBoxCancel(nullptr);
  // The host hands the click to the box's window: the button's action runs.
  ClickCancel();
  PfDriverPump();
  EXPECT_EQ(Text("uistatbx.status.cancelled"), Label());
  EXPECT_FALSE(PfDriverIsEnabled(Box(), PfDriverItemById(Box(), 2)));
  EXPECT_TRUE(TestStatusCancelFlag());
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr)) << "seen by the next poll, within the slot too";
  NextSlot();
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  // Reopening clears the status flag, not the K flag.
  SetStatusBoxTextUtf8("next job");
  EXPECT_FALSE(TestStatusCancelFlag());
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
  KCancelClearFlag();
  EXPECT_FALSE(TestStatusCancelFlag());
  EXPECT_FALSE(CheckStatusBoxKCancel(nullptr));
}

// Loops that give the box a new text for each step before they poll: the
// user's cancel is seen by the next poll of either kind, whatever text came
// in between; once a poll reported it, the next step's text starts afresh.
TEST_F(StatusBoxTest, ACancelSurvivesTheNextStepsTextUntilAPollSeesIt) {
  void* unused = nullptr;
  struct Case {
    const char* name;
    CancelProc poll;
  };
  const Case cases[] = {{"status poll", CheckStatusBoxCancel},
                        {"K poll", CheckStatusBoxKCancel},
                        {"the host's cancel procedure", StatusBoxGetCancelProc(&unused)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KCancelClearFlag();
    SetStatusBoxTextUtf8("Page 1");
    ASSERT_FALSE(c.poll(nullptr));
    // The host hands the click to the box: the button's own action runs.
    ClickCancel();
    PfDriverPump();
    SetStatusBoxTextUtf8("Page 2");
    SetStatusBoxTextUtf8("Page 3");
    EXPECT_TRUE(c.poll(nullptr)) << "the next poll sees the cancel";
    SetStatusBoxTextUtf8("Cleaning up");
    EXPECT_FALSE(CheckStatusBoxCancel(nullptr)) << "reported once, the next step starts afresh";
    EXPECT_TRUE(CheckStatusBoxKCancel(nullptr)) << "the K flag stays until it is cleared";
    CloseStatusBox();  // the next case clicks the Cancel button of a new box
  }
  // A box that closed takes an unreported cancel with it: the next work starts clean.
  KCancelClearFlag();
  SetStatusBoxTextUtf8("Last job");
  ClickCancel();
  PfDriverPump();
  CloseStatusBox();
  SetStatusBoxTextUtf8("Next job");
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
}

TEST_F(StatusBoxTest, ACancelDuringNestedWorkOutlivesThePop) {
  SetStatusBoxTextUtf8("Outer work");
  PushStatusBox();
  SetStatusBoxTextUtf8("Inner work");
  ClickCancel();
  PfDriverPump();
  PopStatusBox();
  EXPECT_EQ("Outer work", Label());
  SetStatusBoxTextUtf8("Outer work, next step");
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr)) << "the outer loop stops too";
}

TEST_F(StatusBoxTest, SwitchedOffEverythingIsQuiet) {
  gStatusBoxVisible = 0;
  OpenStatusBox();
  SetStatusBoxTextUtf8("nothing");
  EXPECT_EQ(nullptr, StatusBoxDialog());
  PfDriverPressCommandPeriod();
  NextSlot();
  EXPECT_FALSE(CheckStatusBoxCancel(nullptr));
  EXPECT_FALSE(CheckStatusBoxKCancel(nullptr));
  ProgressMonitor pm = StatusBoxGetProgressMonitor(nullptr, 1);
  pm->beginOperation(nullptr);
  EXPECT_EQ(nullptr, StatusBoxDialog());
  EXPECT_EQ(1, PfQueueLength()) << "no poll took the key";
  PfFlushEvents(kPfEveryEvent);
  // Switched off while open: close leaves the box alone.
  gStatusBoxVisible = 1;
  OpenStatusBox();
  gStatusBoxVisible = 0;
  CloseStatusBox();
  EXPECT_NE(nullptr, StatusBoxDialog());
  gStatusBoxVisible = 1;
}

struct MarkCase {
  ASInt32 duration;
  ASInt32 value;
  ASInt32 marks;
};

// Test names print the case, not a dump of its bytes.
void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.value << " of " << c.duration; }

class StatusBoxMarks : public StatusBoxTest, public ::testing::WithParamInterface<MarkCase> {};

const MarkCase kMarkCases[] = {
    {3, 1, 3},       // (10 + 1) / 3
    {7, 7, 10},      {10, 5, 5},      {0, 1, 10},     // duration 0 counts as 1
    {-5, 0, 0},      {40000, 40000, 10},              // both clamped to 32767
    {40000, 16383, 5},                                // (163830 + 16383) / 32767
    {100, -50, 0},   {100, 4, 0},     {100, 5, 1},   {2, 1, 5}, {32767, 32767, 10},
    {100, -300000000, 0}, {1, INT32_MIN, 0},          // far below 0: no overflow, no marks
};

TEST_P(StatusBoxMarks, ValueShowsTenTimesValuePlusHalfDurationOverDuration) {
  const MarkCase& c = GetParam();
  ProgressMonitor pm = StatusBoxGetProgressMonitor(nullptr, 0);
  pm->beginOperation(nullptr);
  pm->setDuration(c.duration, nullptr);
  pm->setCurrValue(c.value, nullptr);
  EXPECT_EQ(c.marks, KStatusDialogGetVisibleBlobs());
  EXPECT_EQ(std::string((size_t)c.marks, '*') + std::string((size_t)(10 - c.marks), 'o'), Marks());
  EXPECT_EQ(std::min(std::max(c.duration, 1), 32767), pm->getDuration(nullptr));
  EXPECT_EQ(std::min(c.value, 32767), pm->getCurrValue(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Table, StatusBoxMarks, ::testing::ValuesIn(kMarkCases));

TEST_F(StatusBoxTest, MarksClampAndAnUnchangedCountDoesNotRedraw) {
  OpenStatusBox();
  PfWindowRef w = PfGetDialogWindow(Box());
  KStatusDialogSetVisibleBlobs(12);
  EXPECT_EQ("**********", Marks());
  KStatusDialogSetVisibleBlobs(4);
  EXPECT_EQ("****oooooo", Marks());
  KStatusDialogSetVisibleBlobs(-3);
  EXPECT_EQ("oooooooooo", Marks());
  AVWindow host = StatusBoxDialog()->avWindow;
  ASInt32 draws = AVWindowGetDrawCount(host);
  PfDrawClear(w);
  KStatusDialogSetVisibleBlobs(0);
  EXPECT_EQ(draws, AVWindowGetDrawCount(host));
  KStatusDialogSetVisibleBlobs(2);
  EXPECT_GT(AVWindowGetDrawCount(host), draws);
}

TEST_F(StatusBoxTest, EndOperationFillsOrCloses) {
  ProgressMonitor pm = StatusBoxGetProgressMonitor(nullptr, 0);
  EXPECT_EQ(pm, StatusBoxGetProgressMonitor(nullptr, 0)) << "one record";
  EXPECT_EQ(sizeof(ProgressMonitorRec), pm->size);
  EXPECT_EQ(nullptr, pm->setText);
  pm->beginOperation(nullptr);
  EXPECT_EQ(10, pm->getDuration(nullptr));
  pm->setDuration(8, nullptr);
  pm->setCurrValue(2, nullptr);
  pm->endOperation(nullptr);
  ASSERT_NE(nullptr, StatusBoxDialog());
  EXPECT_EQ("**********", Marks());
  StatusBoxGetProgressMonitor(nullptr, 1);
  pm->beginOperation(nullptr);
  EXPECT_EQ("**********", Marks()) << "begin leaves the marks";
  pm->endOperation(nullptr);
  EXPECT_EQ(nullptr, StatusBoxDialog());
  EXPECT_TRUE(TestStatusCancelFlag());
  pm->beginOperation(nullptr);
  EXPECT_FALSE(TestStatusCancelFlag());
  EXPECT_EQ("oooooooooo", Marks()) << "a new box starts empty";
}

TEST_F(StatusBoxTest, PushOpenCloseThenPopBringsTheBoxBack) {
  SetStatusBoxTextUtf8("Outer work");
  PfDriverPressCommandPeriod();
  NextSlot();
  ASSERT_TRUE(CheckStatusBoxCancel(nullptr));
  PushStatusBox();
  // The nested work: closes the box, opens one of its own, clears the flags.
  CloseStatusBox();
  KCancelClearFlag();
  SetStatusBoxTextUtf8("Inner work");
  EXPECT_EQ("Inner work", Label());
  PopStatusBox();
  ASSERT_NE(nullptr, StatusBoxDialog());
  EXPECT_EQ("Outer work", Label());
  EXPECT_TRUE(TestStatusCancelFlag());
  EXPECT_TRUE(CheckStatusBoxKCancel(nullptr));
}

TEST_F(StatusBoxTest, PushWithTheBoxClosedPopClosesIt) {
  PushStatusBox();
  SetStatusBoxTextUtf8("nested");
  PfDriverPressCommandPeriod();
  NextSlot();
  EXPECT_TRUE(CheckStatusBoxCancel(nullptr));
  PopStatusBox();
  EXPECT_EQ(nullptr, StatusBoxDialog());
  EXPECT_FALSE(TestStatusCancelFlag());
  EXPECT_FALSE(CheckStatusBoxKCancel(nullptr));
  PopStatusBox();  // an empty stack: nothing
  EXPECT_EQ(nullptr, StatusBoxDialog());
}

TEST_F(StatusBoxTest, NestedPushesRestoreInOrderAndLongLabelsSurvive) {
  std::string longLabel(250, 'L');
  SetStatusBoxTextUtf8(longLabel.c_str());
  PushStatusBox();
  SetStatusBoxTextUtf8("two");
  PushStatusBox();
  CloseStatusBox();
  PopStatusBox();
  EXPECT_EQ("two", Label());
  PopStatusBox();
  EXPECT_EQ(longLabel, Label());
}

TEST_F(StatusBoxTest, CancelProceduresAreThePolls) {
  void* data = reinterpret_cast<void*>(1);
  EXPECT_EQ(CheckStatusBoxCancel, StatusBoxGetCancelProc(&data));
  EXPECT_EQ(nullptr, data);
  data = reinterpret_cast<void*>(1);
  EXPECT_EQ(CheckStatusBoxKCancel, StatusBoxGetKCancelProc(&data));
  EXPECT_EQ(nullptr, data);
  data = reinterpret_cast<void*>(1);
  StatusBoxGetProgressMonitor(&data, 0);
  EXPECT_EQ(reinterpret_cast<void*>(1), data) << "left as the caller had it";
}

}  // namespace

// A titled window opens with the status box taken down on hosts after 7, and
// the box comes back with its label; older hosts leave the box alone.
namespace {
bool gBoxUpAtOpen = false;
void NoteBoxAtOpen(AVDoc, ASInt32, void*) { gBoxUpAtOpen = StatusBoxDialog() != nullptr; }
}  // namespace

TEST_F(StatusBoxTest, WindowTitlesInUTF8) {
  AVDoc titled = AVDocOpenFromPDDocUTF8(PDDocCreate(), "Sheets \xC3\xA9t\xC3\xA9");
  AVDoc untitled = AVDocOpenFromPDDocUTF8(PDDocCreate(), nullptr);
  char out[64];
  AVWindowGetTitleUTF8(AVDocGetAVWindow(titled), out, sizeof out);
  EXPECT_STREQ("Sheets \xC3\xA9t\xC3\xA9", out);
  AVWindowGetTitleUTF8(AVDocGetAVWindow(untitled), out, sizeof out);
  EXPECT_STREQ("Untitled", out);
  AVDocClose(titled, 1);
  AVDocClose(untitled, 1);
}

TEST_F(StatusBoxTest, TitledWindowOpensWithTheBoxDownOnNewerHosts) {
  ASSERT_TRUE(AVAppRegisterNotification(AVDocDidOpenNSEL, nullptr, reinterpret_cast<void*>(NoteBoxAtOpen), nullptr));
  struct Case {
    ASInt16 major;
    bool boxUpDuringOpen;
  };
  for (Case c : {Case{9, false}, Case{8, false}, Case{7, true}}) {
    SCOPED_TRACE(c.major);
    ASHostVersionSet(c.major, 0);
    SetStatusBoxTextUtf8("Making sheets");
    gBoxUpAtOpen = !c.boxUpDuringOpen;
    AVDoc view = AVDocOpenFromPDDocUTF8(PDDocCreate(), "Sheets");
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(c.boxUpDuringOpen, gBoxUpAtOpen);
    ASSERT_NE(nullptr, StatusBoxDialog());
    EXPECT_EQ("Making sheets", Label());
    AVDocClose(view, 1);
  }
  ASHostVersionSet(9, 0);
  AVAppUnregisterNotification(AVDocDidOpenNSEL, nullptr, reinterpret_cast<void*>(NoteBoxAtOpen), nullptr);
}

// Within a step the box's parts share the host's percentage: the monitor's
// work in a part fills it, and a part ends with its block, also when the
// work in it fails, so that the next part follows it.
TEST_F(StatusBoxTest, PartsShareTheStepOnTheHostsLine) {
  auto work = [](const char* text, ASInt32 upTo) {
    SetStatusBoxTextUtf8(text);
    void* data = nullptr;
    ProgressMonitor pm = StatusBoxGetProgressMonitor(&data, 0);
    pm->beginOperation(data);
    pm->setDuration(10, data);
    for (ASInt32 v = 0; v <= upTo; ++v) pm->setCurrValue(v, data);
    pm->endOperation(data);
  };
  StderrOnTerminal terminal(100);
  ASSERT_TRUE(terminal.ok());
  AVAppSetStepLabel("step 1 of 1, Nup");
  {
    SStatusBoxPart part(30, 100);
    work("Copying", 5);
  }
  DURING
    SStatusBoxPart part(20, 100);
    work("Placing", 10);
    ASRaise(genErrGeneral);
  HANDLER
  END_HANDLER
  {
    SStatusBoxPart part(1, 1);
    work("Tidying up", 5);
    CloseStatusBox();
  }
  AVAppSetStepLabel(nullptr);
  const std::string out = terminal.Take();
  for (const char* row : {"\rstep 1 of 1, Nup: copying, 5 of 10, 15 %\x1b[K", "\rstep 1 of 1, Nup: copying, 30 %\x1b[K",
                          "\rstep 1 of 1, Nup: placing, 10 of 10, 50 %\x1b[K",
                          "\rstep 1 of 1, Nup: tidying up, 5 of 10, 75 %\x1b[K"})
    EXPECT_NE(std::string::npos, out.find(row)) << row << "\n" << out;
  EXPECT_EQ("\r\x1b[K", out.substr(out.size() - 4)) << out;
}

// On a terminal the host's status line shows what the box shows: its text
// in lower-case words, and the progress while the monitor runs, counted in
// the monitor's own numbers (the marks stop at 32767 steps, the count and the
// percentage do not); closing the box clears the line. With the boxes
// switched off it shows nothing.
TEST_F(StatusBoxTest, TheHostsStatusLineShowsTheBox) {
  // The box labelled, its monitor run to each of values, the box closed;
  // the marks shown before the end.
  auto work = [](ASInt32 duration, std::vector<ASInt32> values) {
    SetStatusBoxTextUtf8("Copying");
    void* data = nullptr;
    ProgressMonitor pm = StatusBoxGetProgressMonitor(&data, 0);
    pm->beginOperation(data);
    pm->setDuration(duration, data);
    for (ASInt32 v : values) pm->setCurrValue(v, data);
    const std::string marks = Marks();
    pm->endOperation(data);
    CloseStatusBox();
    return marks;
  };
  {
    StderrOnTerminal terminal(80);
    ASSERT_TRUE(terminal.ok());
    EXPECT_EQ("**********", work(100000, {50000, 99999})) << "the marks count to 32767";
    EXPECT_EQ(
        "\rcopying\x1b[K\rcopying, 0 %\x1b[K\rcopying, 50000 of 100000, 50 %\x1b[K"
        "\rcopying, 99999 of 100000, 99 %\x1b[K\rcopying\x1b[K\r\x1b[K",
        terminal.Take());
  }
  {
    StderrOnTerminal terminal(80);
    gStatusBoxVisible = 0;
    work(10, {5});
    EXPECT_EQ("", terminal.Take());
  }
}
