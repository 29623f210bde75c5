// The event queue and the virtual clock.
//
// Events wait in one FIFO queue until a caller takes them: the modal-dialog
// step, the dialog-select road, a status poll, or the dispatcher that the host
// installs for its windows. Nothing waits on real time: the clock moves only
// when a caller sleeps, delays or advances it, so every run is reproducible.
#pragma once

#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;

enum EPfEventKind : uint16_t {
  kPfNullEvent = 0,
  kPfMouseDown = 1,
  kPfMouseUp = 2,
  kPfKeyDown = 3,
  kPfKeyUp = 4,
  kPfAutoKey = 5,
  kPfUpdateEvt = 6,
  kPfActivateEvt = 8
};

// Event masks: one bit per kind.
enum : uint16_t {
  kPfMouseDownMask = 1u << kPfMouseDown,
  kPfMouseUpMask = 1u << kPfMouseUp,
  kPfKeyDownMask = 1u << kPfKeyDown,
  kPfKeyUpMask = 1u << kPfKeyUp,
  kPfAutoKeyMask = 1u << kPfAutoKey,
  kPfUpdateMask = 1u << kPfUpdateEvt,
  kPfActivateMask = 1u << kPfActivateEvt,
  kPfEveryEvent = 0xFFFF
};

// Modifier bits of an event.
enum : uint16_t {
  kPfActiveFlag = 0x0001,  // activate events: 1 activates, 0 deactivates
  kPfBtnState = 0x0080,
  kPfCmdKey = 0x0100,
  kPfShiftKey = 0x0200,
  kPfAlphaLock = 0x0400,
  kPfOptionKey = 0x0800,
  kPfControlKey = 0x1000
};

// Character codes of the keys the dialogs look at.
enum : uint32_t {
  kPfEnterChar = 3,
  kPfBackspaceChar = 8,
  kPfTabChar = 9,
  kPfReturnChar = 13,
  kPfEscapeChar = 27,
  kPfLeftArrowChar = 28,
  kPfRightArrowChar = 29,
  kPfUpArrowChar = 30,
  kPfDownArrowChar = 31,
  kPfForwardDeleteChar = 127
};

// message: key events carry the character as a Unicode scalar value in bits
// 0-20; activate and update events carry the window (pointer-sized).
struct PfEvent {
  uint16_t what;
  uintptr_t message;
  uint32_t when;
  PfPoint where;  // global coordinates
  uint16_t modifiers;
};

inline uint32_t PfEventChar(const PfEvent& e) { return (uint32_t)(e.message & 0x1FFFFFu); }
inline PfWindowRef PfEventWindow(const PfEvent& e) { return (PfWindowRef)e.message; }

// Posting. The event is stamped with the current tick.
void PfPostEvent(const PfEvent& event);
void PfPostMouseDown(PfPoint where, uint16_t modifiers);
void PfPostMouseUp(PfPoint where, uint16_t modifiers);
void PfPostKeyDown(uint32_t character, uint16_t modifiers);
void PfPostActivate(PfWindowRef window, bool active);
void PfPostUpdate(PfWindowRef window);

// Takes the first queued event whose kind the mask allows; other kinds stay
// queued in order. With none queued, an update event is made for the
// frontmost visible window with an invalid area when the mask allows updates.
// Returns false (and a null event) when nothing is there.
bool PfGetNextEvent(uint16_t mask, PfEvent* event);
// As PfGetNextEvent; with nothing there, the event source (if any) is asked
// for more, and failing that the clock advances by sleepTicks (at least 1).
bool PfWaitNextEvent(uint16_t mask, PfEvent* event, uint32_t sleepTicks);
// Takes the mouse-up that ends the click being handled: the first queued
// mouse-up, provided no mouse-down comes before it. False when there is none.
bool PfTakeMouseUp(PfEvent* event);
// Looks without taking.
bool PfEventAvail(uint16_t mask, PfEvent* event);
int32_t PfQueueLength();
void PfFlushEvents(uint16_t mask);

// Called when a wait finds the queue empty; returns true when it posted
// something. The dialog driver's scripts run through it.
typedef bool (*PfEventSourceProc)(void* client);
void PfSetEventSource(PfEventSourceProc proc, void* client);
void PfGetEventSource(PfEventSourceProc* proc, void** client);

// The dispatcher is how events reach windows outside modal loops: the host
// installs one that routes each event to its window's handlers.
typedef void (*PfEventDispatchProc)(const PfEvent* event, void* client);
void PfSetEventDispatcher(PfEventDispatchProc proc, void* client);
void PfGetEventDispatcher(PfEventDispatchProc* proc, void** client);
// Hands queued events to the dispatcher one by one (at most max, max < 0 for
// all), including those posted meanwhile. Returns how many were handed on;
// without a dispatcher nothing is taken.
int32_t PfDispatchEvents(int32_t max);

// The event the dispatcher is handling now (null outside a dispatch), for
// handlers that are called without it.
const PfEvent* PfGetCurrentEvent();

// Pointer and keyboard state as of the last event taken.
PfPoint PfGetMouse();
bool PfButton();
uint16_t PfGetCurrentKeyModifiers();
void PfSetCurrentKeyModifiers(uint16_t modifiers);

// The virtual clock: ticks of 1/60 second since the platform started.
uint32_t PfTickCount();
// Seconds since 1904-01-01 (the platform's epoch), moving with the ticks.
uint32_t PfSecondsNow();
void PfClockAdvance(uint32_t ticks);
// Waits by moving the clock; *finalTicks (may be null) receives the tick count after.
void PfDelay(uint32_t ticks, uint32_t* finalTicks);
// Double-click interval and caret blink period, in ticks.
uint32_t PfGetDblTime();
uint32_t PfGetCaretTime();
