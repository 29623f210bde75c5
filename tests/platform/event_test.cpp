#include <gtest/gtest.h>

#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;

namespace {

class EventQueue : public PfFixture {};

TEST_F(EventQueue, TakesInPostingOrderAndLeavesOtherKindsQueued) {
  PfPostKeyDown('a', 0);
  PfPostMouseDown(PfPoint{10, 20}, 0);
  PfPostKeyDown('b', kPfShiftKey);
  PfPostMouseUp(PfPoint{11, 21}, 0);

  PfEvent ev;
  ASSERT_TRUE(PfGetNextEvent(kPfMouseDownMask | kPfMouseUpMask, &ev));
  EXPECT_EQ(kPfMouseDown, ev.what);
  EXPECT_EQ(20, ev.where.v);
  ASSERT_TRUE(PfGetNextEvent(kPfKeyDownMask, &ev));
  EXPECT_EQ('a', (int)PfEventChar(ev));
  ASSERT_TRUE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ('b', (int)PfEventChar(ev));
  EXPECT_EQ(kPfShiftKey, PfGetCurrentKeyModifiers());
  ASSERT_TRUE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ(kPfMouseUp, ev.what);
  EXPECT_FALSE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ(kPfNullEvent, ev.what);
}

TEST_F(EventQueue, AClickTakesOnlyItsOwnMouseUp) {
  PfPostMouseDown(PfPoint{1, 1}, 0);
  PfPostKeyDown('k', 0);
  PfPostMouseUp(PfPoint{2, 2}, 0);
  PfPostMouseDown(PfPoint{3, 3}, 0);
  PfPostMouseUp(PfPoint{4, 4}, 0);
  PfEvent ev;
  ASSERT_TRUE(PfGetNextEvent(kPfMouseDownMask, &ev));
  ASSERT_TRUE(PfTakeMouseUp(&ev));
  EXPECT_EQ(2, ev.where.h) << "keys in between do not matter";
  EXPECT_FALSE(PfTakeMouseUp(&ev)) << "the next mouse-up belongs to the next click";
  EXPECT_EQ(3, PfQueueLength());
}

TEST_F(EventQueue, AvailPeeksWithoutTakingAndFlushRemovesByMask) {
  PfPostKeyDown('x', 0);
  PfPostMouseDown(PfPoint{1, 1}, 0);
  PfEvent ev;
  EXPECT_TRUE(PfEventAvail(kPfMouseDownMask, &ev));
  EXPECT_EQ(2, PfQueueLength());
  PfFlushEvents(kPfKeyDownMask);
  EXPECT_EQ(1, PfQueueLength());
  EXPECT_FALSE(PfEventAvail(kPfKeyDownMask, &ev));
}

TEST_F(EventQueue, InvalidVisibleWindowMakesOneUpdateWhenTheQueueIsEmpty) {
  PfWindowRef w = PfNewWindow(PfSetRect(50, 50, 250, 150), "W", true, kPfDocumentProc, true, false, 0);
  PfFlushEvents(kPfEveryEvent);
  PfEvent ev;
  PfPostKeyDown('k', 0);
  ASSERT_TRUE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ(kPfKeyDown, ev.what);  // queued input comes before updates
  ASSERT_TRUE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ(kPfUpdateEvt, ev.what);
  EXPECT_EQ(w, PfEventWindow(ev));
  EXPECT_FALSE(PfGetNextEvent(kPfEveryEvent, &ev));  // taking the update validated the window
  PfHideWindow(w);
  PfInvalWindowAll(w);
  PfFlushEvents(kPfEveryEvent);
  EXPECT_FALSE(PfGetNextEvent(kPfUpdateMask, &ev));  // hidden windows get none
}

TEST_F(EventQueue, WaitAsksTheSourceThenSleepsOnTheVirtualClock) {
  struct Source {
    int calls = 0;
    static bool Proc(void* self) {
      auto* s = (Source*)self;
      if (++s->calls == 1) {
        PfPostKeyDown('s', 0);
        return true;
      }
      return false;
    }
  } source;
  PfSetEventSource(&Source::Proc, &source);
  uint32_t t0 = PfTickCount();
  PfEvent ev;
  ASSERT_TRUE(PfWaitNextEvent(kPfEveryEvent, &ev, 5));
  EXPECT_EQ('s', (int)PfEventChar(ev));
  EXPECT_EQ(t0, PfTickCount());
  EXPECT_FALSE(PfWaitNextEvent(kPfEveryEvent, &ev, 5));
  EXPECT_EQ(t0 + 5, PfTickCount());
  EXPECT_FALSE(PfWaitNextEvent(kPfEveryEvent, &ev, 0));
  EXPECT_EQ(t0 + 6, PfTickCount()) << "a wait always moves the clock";
  EXPECT_EQ(3, source.calls);
  PfSetEventSource(nullptr, nullptr);
}

TEST_F(EventQueue, DispatcherGetsEveryEventIncludingThosePostedMeanwhile) {
  struct Log {
    std::vector<uint16_t> kinds;
    static void Proc(const PfEvent* e, void* self) {
      auto* l = (Log*)self;
      l->kinds.push_back(e->what);
      if (e->what == kPfKeyDown && PfEventChar(*e) == 'a') PfPostKeyDown('b', 0);
    }
  } log;
  EXPECT_EQ(0, PfDispatchEvents(-1)) << "without a dispatcher nothing is taken";
  PfSetEventDispatcher(&Log::Proc, &log);
  PfPostKeyDown('a', 0);
  PfPostMouseDown(PfPoint{0, 0}, 0);
  EXPECT_EQ(3, PfDispatchEvents(-1));
  EXPECT_EQ((std::vector<uint16_t>{kPfKeyDown, kPfMouseDown, kPfKeyDown}), log.kinds);
  PfPostKeyDown('z', 0);
  PfPostKeyDown('z', 0);
  EXPECT_EQ(1, PfDispatchEvents(1));
  EXPECT_EQ(1, PfQueueLength());
}

TEST_F(EventQueue, EventsAreStampedAndTheMouseFollowsThem) {
  PfClockAdvance(100);
  PfPostMouseDown(PfPoint{7, 8}, kPfCmdKey);
  PfClockAdvance(10);
  PfEvent ev;
  ASSERT_TRUE(PfGetNextEvent(kPfEveryEvent, &ev));
  EXPECT_EQ(100u, ev.when);
  EXPECT_TRUE(ev.modifiers & kPfBtnState);
  EXPECT_EQ((PfPoint{7, 8}), PfGetMouse());
  EXPECT_TRUE(PfButton());
}

class Clock : public PfFixture {};

TEST_F(Clock, TicksAndSecondsMoveTogetherOnlyWhenAsked) {
  uint32_t t = PfTickCount(), s = PfSecondsNow();
  EXPECT_EQ(t, PfTickCount());
  PfClockAdvance(59);
  EXPECT_EQ(s, PfSecondsNow());
  PfClockAdvance(1);
  EXPECT_EQ(s + 1, PfSecondsNow());
  uint32_t final = 0;
  PfDelay(8, &final);
  EXPECT_EQ(t + 68, final);
  PfClockAdvance(180);
  EXPECT_EQ(s + 4, PfSecondsNow());
  PfResetAll();
  EXPECT_EQ(0u, PfTickCount());
  EXPECT_EQ(s - t / 60, PfSecondsNow()) << "every run starts at the same date";
}

TEST_F(Clock, IntervalsOfTheUserInterface) {
  EXPECT_EQ(30u, PfGetDblTime());
  EXPECT_EQ(30u, PfGetCaretTime());
}

}  // namespace
