#include "platform/PfEvent.h"

#include <deque>

#include "platform/PfInternal.h"

namespace {

// Seconds from 1904-01-01 to 2001-01-01: the clock starts at a fixed date so
// that runs are reproducible.
constexpr uint32_t kEpochSeconds = 3061152000u;

struct EventState {
  std::deque<PfEvent> queue;
  uint64_t ticks = 0;
  PfEventSourceProc source = nullptr;
  void* sourceClient = nullptr;
  PfEventDispatchProc dispatcher = nullptr;
  void* dispatcherClient = nullptr;
  PfPoint mouse{0, 0};
  bool button = false;
  uint16_t modifiers = 0;
  bool inSource = false;
  const PfEvent* current = nullptr;
};

EventState& E() {
  static EventState state;
  return state;
}

void Took(const PfEvent& ev) {
  EventState& e = E();
  if (ev.what == kPfMouseDown || ev.what == kPfMouseUp) {
    e.mouse = ev.where;
    e.button = ev.what == kPfMouseDown;
  }
  if (ev.what != kPfNullEvent && ev.what != kPfUpdateEvt && ev.what != kPfActivateEvt) e.modifiers = ev.modifiers;
  PfNotify(kPfNoticeEventTaken, nullptr, nullptr, nullptr, &ev);
}

bool TakeMatching(uint16_t mask, PfEvent* event, bool remove) {
  EventState& e = E();
  for (auto it = e.queue.begin(); it != e.queue.end(); ++it) {
    if (it->what < 16 && (mask & (1u << it->what))) {
      *event = *it;
      if (remove) {
        e.queue.erase(it);
        Took(*event);
      }
      return true;
    }
  }
  if (mask & kPfUpdateMask) {
    for (PfWindowRef w : PfG().windows) {
      if (w->visible && w->invalid) {
        *event = PfEvent{};
        event->what = kPfUpdateEvt;
        event->message = (uintptr_t)w;
        event->when = PfTickCount();
        // Whoever takes the update draws the window.
        if (remove) w->invalid = false;
        return true;
      }
    }
  }
  *event = PfEvent{};
  event->when = PfTickCount();
  event->where = e.mouse;
  event->modifiers = e.modifiers;
  return false;
}

}  // namespace

void PfEventReset() {
  EventState& e = E();
  e = EventState{};
}

void PfPostEvent(const PfEvent& event) {
  PfEvent ev = event;
  ev.when = PfTickCount();
  E().queue.push_back(ev);
  PfNotify(kPfNoticeEventPosted, nullptr, nullptr, nullptr, &ev);
}

void PfPostMouseDown(PfPoint where, uint16_t modifiers) {
  PfEvent ev{};
  ev.what = kPfMouseDown;
  ev.where = where;
  ev.modifiers = modifiers | kPfBtnState;
  PfPostEvent(ev);
}

void PfPostMouseUp(PfPoint where, uint16_t modifiers) {
  PfEvent ev{};
  ev.what = kPfMouseUp;
  ev.where = where;
  ev.modifiers = modifiers;
  PfPostEvent(ev);
}

void PfPostKeyDown(uint32_t character, uint16_t modifiers) {
  PfEvent ev{};
  ev.what = kPfKeyDown;
  ev.message = character & 0x1FFFFFu;
  ev.where = E().mouse;
  ev.modifiers = modifiers;
  PfPostEvent(ev);
}

void PfPostActivate(PfWindowRef window, bool active) {
  PfEvent ev{};
  ev.what = kPfActivateEvt;
  ev.message = (uintptr_t)window;
  ev.modifiers = active ? kPfActiveFlag : 0;
  PfPostEvent(ev);
}

void PfPostUpdate(PfWindowRef window) {
  PfEvent ev{};
  ev.what = kPfUpdateEvt;
  ev.message = (uintptr_t)window;
  PfPostEvent(ev);
}

bool PfGetNextEvent(uint16_t mask, PfEvent* event) { return TakeMatching(mask, event, true); }

bool PfEventAvail(uint16_t mask, PfEvent* event) { return TakeMatching(mask, event, false); }

bool PfWaitNextEvent(uint16_t mask, PfEvent* event, uint32_t sleepTicks) {
  if (TakeMatching(mask, event, true)) return true;
  EventState& e = E();
  // A source that posts while another source call is running would recurse
  // through a modal dialog it opened; each level asks it again.
  if (e.source) {
    if (e.source(e.sourceClient) && TakeMatching(mask, event, true)) return true;
  }
  PfClockAdvance(sleepTicks ? sleepTicks : 1);
  event->when = PfTickCount();
  return false;
}

bool PfTakeMouseUp(PfEvent* event) {
  auto& q = E().queue;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (it->what == kPfMouseDown) return false;
    if (it->what == kPfMouseUp) {
      *event = *it;
      q.erase(it);
      Took(*event);
      return true;
    }
  }
  return false;
}

int32_t PfQueueLength() { return (int32_t)E().queue.size(); }

void PfFlushEvents(uint16_t mask) {
  auto& q = E().queue;
  for (auto it = q.begin(); it != q.end();) {
    if (it->what < 16 && (mask & (1u << it->what)))
      it = q.erase(it);
    else
      ++it;
  }
}

void PfSetEventSource(PfEventSourceProc proc, void* client) {
  E().source = proc;
  E().sourceClient = client;
}

void PfGetEventSource(PfEventSourceProc* proc, void** client) {
  if (proc) *proc = E().source;
  if (client) *client = E().sourceClient;
}

void PfSetEventDispatcher(PfEventDispatchProc proc, void* client) {
  E().dispatcher = proc;
  E().dispatcherClient = client;
}

void PfGetEventDispatcher(PfEventDispatchProc* proc, void** client) {
  if (proc) *proc = E().dispatcher;
  if (client) *client = E().dispatcherClient;
}

int32_t PfDispatchEvents(int32_t max) {
  EventState& e = E();
  int32_t n = 0;
  while (e.dispatcher && (max < 0 || n < max)) {
    PfEvent ev;
    if (!PfGetNextEvent(kPfEveryEvent, &ev)) break;
    const PfEvent* outer = e.current;
    e.current = &ev;
    struct Restore {
      EventState& e;
      const PfEvent* outer;
      ~Restore() { e.current = outer; }
    } restore{e, outer};
    e.dispatcher(&ev, e.dispatcherClient);
    ++n;
  }
  return n;
}

const PfEvent* PfGetCurrentEvent() { return E().current; }

PfPoint PfGetMouse() { return E().mouse; }
bool PfButton() { return E().button; }
uint16_t PfGetCurrentKeyModifiers() { return E().modifiers; }
void PfSetCurrentKeyModifiers(uint16_t modifiers) { E().modifiers = modifiers; }

uint32_t PfTickCount() { return (uint32_t)E().ticks; }
uint32_t PfSecondsNow() { return kEpochSeconds + (uint32_t)(E().ticks / 60); }
void PfClockAdvance(uint32_t ticks) { E().ticks += ticks; }
void PfDelay(uint32_t ticks, uint32_t* finalTicks) {
  PfClockAdvance(ticks);
  if (finalTicks) *finalTicks = PfTickCount();
}
uint32_t PfGetDblTime() { return 30; }
uint32_t PfGetCaretTime() { return 30; }
