// Observers: a viewer or snapshot renderer attaches here and sees windows,
// drawing and events as they happen, without touching the plug-in.
#pragma once

#include "platform/PfDraw.h"
#include "platform/PfEvent.h"

typedef struct PfControlRec* PfControlRef;

enum EPfNoticeKind : int32_t {
  kPfNoticeWindowCreated = 1,
  kPfNoticeWindowDisposed = 2,
  kPfNoticeWindowChanged = 3,  // bounds, title, visibility, order, class or activity
  kPfNoticeDrawn = 4,
  kPfNoticeEventPosted = 5,
  kPfNoticeEventTaken = 6,
  kPfNoticeControlChanged = 7  // value, range, highlight, visibility, bounds, title
};

struct SPfNotice {
  EPfNoticeKind kind;
  PfWindowRef window;
  PfControlRef control;
  const PfDrawOp* op;
  const PfEvent* event;
};

typedef void (*PfObserverProc)(const SPfNotice* notice, void* client);
// Returns a token for PfRemoveObserver (never 0).
int32_t PfAddObserver(PfObserverProc proc, void* client);
void PfRemoveObserver(int32_t token);
