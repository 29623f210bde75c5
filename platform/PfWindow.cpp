#include "platform/PfWindow.h"

#include <algorithm>
#include <cstring>

#include "platform/PfDesktop.h"
#include "platform/PfInternal.h"
#include "platform/PfString.h"

namespace {

bool IsFloating(PfWindowRef w) { return w->windowClass == kPfFloatingWindowClass; }

// Layers front to back: modal windows, floating windows, the others.
int Layer(PfWindowRef w) {
  if (w->windowClass <= kPfMovableModalWindowClass) return 0;
  return IsFloating(w) ? 1 : 2;
}

// Puts the window at the front of its layer.
void PlaceInFront(PfWindowRef window) {
  auto& ws = PfG().windows;
  ws.erase(std::remove(ws.begin(), ws.end(), window), ws.end());
  auto at = ws.begin();
  while (at != ws.end() && Layer(*at) < Layer(window)) ++at;
  ws.insert(at, window);
}

// Puts the window at the back of its layer.
void PlaceBehind(PfWindowRef window) {
  auto& ws = PfG().windows;
  ws.erase(std::remove(ws.begin(), ws.end(), window), ws.end());
  auto at = ws.begin();
  while (at != ws.end() && Layer(*at) <= Layer(window)) ++at;
  ws.insert(at, window);
}

int32_t TitleBar(int16_t procId) {
  return (procId == kPfDocumentProc || procId == kPfNoGrowDocProc || procId == kPfMovableModalProc) ? kPfTitleBarHeight
                                                                                                      : 0;
}

void Changed(PfWindowRef w) { PfNotify(kPfNoticeWindowChanged, w); }

}  // namespace

PfWindowRef PfNewWindow(const PfRect& contentBounds, const char* titleUTF8, bool visible, int16_t procId,
                        bool inFront, bool goAway, PfRefCon refCon) {
  PfWindowRef w = new PfWindowRec;
  w->content = contentBounds;
  w->procId = procId;
  w->goAway = goAway;
  w->title = PfCleanUTF8(titleUTF8);
  w->visible = visible;
  w->invalid = visible;
  w->refCon = refCon;
  w->windowClass = procId == kPfMovableModalProc ? kPfMovableModalWindowClass : kPfDocumentWindowClass;
  w->pen.size = PfPoint{1, 1};
  w->clip = PfSetRect(-32767, -32767, 32767, 32767);
  if (inFront)
    PlaceInFront(w);
  else
    PlaceBehind(w);
  PfNotify(kPfNoticeWindowCreated, w);
  if (visible && inFront) PfSelectWindow(w);
  return w;
}

bool PfIsValidWindow(PfWindowRef window) { return PfIsLiveWindow(window); }
int32_t PfWindowCount() { return (int32_t)PfG().windows.size(); }

void PfDisposeWindow(PfWindowRef window) {
  if (!PfIsLiveWindow(window)) return;
  PfGlobals& g = PfG();
  if (window->dialog) {
    // A dialog window goes with its dialog.
    PfDisposeDialog(window->dialog);
    return;
  }
  while (!window->lists.empty()) PfLDispose(window->lists.back());
  while (!window->controls.empty()) PfDisposeControl(window->controls.back());
  for (PfTEHandle te : g.textEdits)
    if (te->window == window) te->window = nullptr;
  bool wasFront = PfFrontVisibleWindow() == window;
  g.windows.erase(std::remove(g.windows.begin(), g.windows.end(), window), g.windows.end());
  if (g.port == window) g.port = nullptr;
  PfNotify(kPfNoticeWindowDisposed, window);
  delete window;
  if (wasFront) {
    PfWindowRef next = PfFrontVisibleWindow();
    if (next && !next->active) {
      next->active = true;
      PfPostActivate(next, true);
    }
  }
}

int16_t PfGetWindowProcId(PfWindowRef window) { return PfIsLiveWindow(window) ? window->procId : 0; }
bool PfWindowHasCloseBox(PfWindowRef window) { return PfIsLiveWindow(window) && window->goAway; }

EPfWindowClass PfGetWindowClass(PfWindowRef window) {
  return PfIsLiveWindow(window) ? window->windowClass : kPfDocumentWindowClass;
}

PfErr PfSetWindowClass(PfWindowRef window, EPfWindowClass windowClass) {
  if (!PfIsLiveWindow(window)) return kPfErrParam;
  if (windowClass < kPfAlertWindowClass || windowClass > kPfDocumentWindowClass) return kPfErrParam;
  window->windowClass = windowClass;
  PlaceInFront(window);
  Changed(window);
  return kPfNoErr;
}

void PfShowWindow(PfWindowRef window) {
  if (!PfIsLiveWindow(window) || window->visible) return;
  window->visible = true;
  window->invalid = true;
  Changed(window);
}

void PfHideWindow(PfWindowRef window) {
  if (!PfIsLiveWindow(window) || !window->visible) return;
  bool wasFront = PfFrontVisibleWindow() == window;
  window->visible = false;
  if (window->active) {
    window->active = false;
    PfPostActivate(window, false);
  }
  Changed(window);
  if (wasFront) {
    PfWindowRef next = PfFrontVisibleWindow();
    if (next && !next->active) {
      next->active = true;
      PfPostActivate(next, true);
    }
  }
}

bool PfIsWindowVisible(PfWindowRef window) { return PfIsLiveWindow(window) && window->visible; }

void PfBringToFront(PfWindowRef window) {
  if (!PfIsLiveWindow(window)) return;
  PlaceInFront(window);
  Changed(window);
}

void PfSelectWindow(PfWindowRef window) {
  if (!PfIsLiveWindow(window)) return;
  for (PfWindowRef w : PfG().windows) {
    if (w != window && w->active && !IsFloating(w)) {
      w->active = false;
      PfPostActivate(w, false);
    }
  }
  PlaceInFront(window);
  if (!window->active) {
    window->active = true;
    PfPostActivate(window, true);
  }
  Changed(window);
}

PfWindowRef PfFrontWindow() { return PfG().windows.empty() ? nullptr : PfG().windows.front(); }

PfWindowRef PfFrontVisibleWindow() {
  for (PfWindowRef w : PfG().windows)
    if (w->visible) return w;
  return nullptr;
}

PfWindowRef PfGetNextWindow(PfWindowRef window) {
  auto& ws = PfG().windows;
  auto it = std::find(ws.begin(), ws.end(), window);
  if (it == ws.end() || ++it == ws.end()) return nullptr;
  return *it;
}

bool PfIsWindowActive(PfWindowRef window) { return PfIsLiveWindow(window) && window->active; }

void PfHiliteWindow(PfWindowRef window, bool active) {
  if (!PfIsLiveWindow(window) || window->active == active) return;
  window->active = active;
  Changed(window);
}

int32_t PfWindowTitleBarHeight(PfWindowRef window) { return PfIsLiveWindow(window) ? TitleBar(window->procId) : 0; }

PfErr PfGetWindowBounds(PfWindowRef window, EPfWindowRegion region, PfRect* bounds) {
  if (!PfIsLiveWindow(window) || !bounds) return kPfErrParam;
  PfRect r = window->content;
  int32_t bar = TitleBar(window->procId);
  switch (region) {
    case kPfWindowContentRgn:
      break;
    case kPfWindowStructureRgn:
      r.top -= bar;
      break;
    case kPfWindowTitleBarRgn:
      r.bottom = r.top;
      r.top -= bar;
      break;
    default:
      return kPfErrParam;
  }
  *bounds = r;
  return kPfNoErr;
}

PfErr PfSetWindowBounds(PfWindowRef window, EPfWindowRegion region, const PfRect& bounds) {
  if (!PfIsLiveWindow(window)) return kPfErrParam;
  PfRect r = bounds;
  if (region == kPfWindowStructureRgn)
    r.top += TitleBar(window->procId);
  else if (region != kPfWindowContentRgn)
    return kPfErrParam;
  if (r.bottom < r.top) r.bottom = r.top;
  if (r.right < r.left) r.right = r.left;
  window->content = r;
  window->invalid = true;
  Changed(window);
  return kPfNoErr;
}

void PfMoveWindow(PfWindowRef window, int32_t h, int32_t v) {
  if (!PfIsLiveWindow(window)) return;
  PfRect r = window->content;
  PfOffsetRect(&r, h - r.left, v - r.top);
  PfSetWindowBounds(window, kPfWindowContentRgn, r);
}

void PfSizeWindow(PfWindowRef window, int32_t width, int32_t height) {
  if (!PfIsLiveWindow(window)) return;
  PfRect r = window->content;
  r.right = r.left + std::max(0, width);
  r.bottom = r.top + std::max(0, height);
  PfSetWindowBounds(window, kPfWindowContentRgn, r);
}

PfErr PfSetWindowTitleUTF8(PfWindowRef window, const char* titleUTF8) {
  if (!PfIsLiveWindow(window)) return kPfErrParam;
  window->title = PfCleanUTF8(titleUTF8);
  Changed(window);
  return kPfNoErr;
}

int32_t PfCopyWindowTitleUTF8(PfWindowRef window, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  if (!PfIsLiveWindow(window)) {
    buffer[0] = 0;
    return 0;
  }
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, window->title.data(), window->title.size());
}

const char* PfGetWindowTitleUTF8(PfWindowRef window) { return PfIsLiveWindow(window) ? window->title.c_str() : ""; }

PfRefCon PfGetWRefCon(PfWindowRef window) { return PfIsLiveWindow(window) ? window->refCon : 0; }
void PfSetWRefCon(PfWindowRef window, PfRefCon refCon) {
  if (PfIsLiveWindow(window)) window->refCon = refCon;
}

PfErr PfSetWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag, size_t size, const void* data) {
  if (!PfIsLiveWindow(window) || (size && !data)) return kPfErrParam;
  const uint8_t* p = (const uint8_t*)data;
  window->properties[{creator, tag}] = std::vector<uint8_t>(p, p + size);
  return kPfNoErr;
}

PfErr PfGetWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag, size_t bufferSize, size_t* actualSize,
                          void* buffer) {
  if (!PfIsLiveWindow(window)) return kPfErrParam;
  auto it = window->properties.find({creator, tag});
  if (it == window->properties.end()) return kPfErrPropertyNotFound;
  if (actualSize) *actualSize = it->second.size();
  if (!buffer) return kPfNoErr;
  if (bufferSize < it->second.size()) return kPfErrPropertyBufferTooSmall;
  if (!it->second.empty()) std::memcpy(buffer, it->second.data(), it->second.size());
  return kPfNoErr;
}

PfErr PfRemoveWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag) {
  if (!PfIsLiveWindow(window)) return kPfErrParam;
  return window->properties.erase({creator, tag}) ? kPfNoErr : kPfErrPropertyNotFound;
}

PfErr PfSetWindowPropertyPtr(PfWindowRef window, PfFourCC creator, PfFourCC tag, void* pointer) {
  return PfSetWindowProperty(window, creator, tag, sizeof pointer, &pointer);
}

void* PfGetWindowPropertyPtr(PfWindowRef window, PfFourCC creator, PfFourCC tag) {
  void* pointer = nullptr;
  size_t actual = 0;
  if (PfGetWindowProperty(window, creator, tag, 0, &actual, nullptr) != kPfNoErr || actual != sizeof pointer)
    return nullptr;
  PfGetWindowProperty(window, creator, tag, sizeof pointer, &actual, &pointer);
  return pointer;
}

EPfWindowPart PfFindWindow(PfPoint where, PfWindowRef* window) {
  if (window) *window = nullptr;
  if (PfScreenFromPoint(where) == 0 && where.v < PfMenuBarHeight()) return kPfInMenuBar;
  for (PfWindowRef w : PfG().windows) {
    if (!w->visible) continue;
    PfRect structure;
    PfGetWindowBounds(w, kPfWindowStructureRgn, &structure);
    if (!PfPtInRect(where, structure)) continue;
    if (window) *window = w;
    if (PfPtInRect(where, w->content)) return kPfInContent;
    // The close box sits at the title bar's left end.
    if (w->goAway && where.h < structure.left + 20) return kPfInGoAway;
    return kPfInDrag;
  }
  return kPfInDesk;
}

PfPoint PfGlobalToLocal(PfWindowRef window, PfPoint global) {
  if (!PfIsLiveWindow(window)) return global;
  return PfPoint{global.h - window->content.left, global.v - window->content.top};
}

PfPoint PfLocalToGlobal(PfWindowRef window, PfPoint local) {
  if (!PfIsLiveWindow(window)) return local;
  return PfPoint{local.h + window->content.left, local.v + window->content.top};
}

void PfInvalWindowRect(PfWindowRef window, const PfRect& localRect) {
  if (PfIsLiveWindow(window) && !PfEmptyRect(localRect)) window->invalid = true;
}

void PfInvalWindowAll(PfWindowRef window) {
  if (PfIsLiveWindow(window)) window->invalid = true;
}

void PfValidWindowAll(PfWindowRef window) {
  if (PfIsLiveWindow(window)) window->invalid = false;
}

bool PfWindowNeedsUpdate(PfWindowRef window) { return PfIsLiveWindow(window) && window->invalid; }

void PfDragWindow(PfWindowRef window, PfPoint start, const PfRect& limit) {
  if (!PfIsLiveWindow(window)) return;
  PfEvent up;
  if (!PfTakeMouseUp(&up)) return;
  int32_t dh = up.where.h - start.h, dv = up.where.v - start.v;
  if (!dh && !dv) return;
  PfRect r = window->content;
  PfOffsetRect(&r, dh, dv);
  // Keep the title bar reachable: the content's top-left stays inside the limit.
  int32_t h = std::clamp(r.left, limit.left, std::max(limit.left, limit.right - 1));
  int32_t v = std::clamp(r.top, limit.top + TitleBar(window->procId), std::max(limit.top, limit.bottom - 1));
  PfMoveWindow(window, h, v);
}

PfDialogRef PfGetDialogFromWindow(PfWindowRef window) { return PfIsLiveWindow(window) ? window->dialog : nullptr; }
