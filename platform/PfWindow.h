// Windows: bounds, class, order, visibility, titles and properties.
//
// A window's content bounds are in global coordinates; its structure adds the
// frame (a title bar of kPfTitleBarHeight for the kinds that have one).
// Windows are ordered front to back in three layers: modal windows (the
// alert and modal classes), then floating windows, then the others. The front
// visible window is the key window.
#pragma once

#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;
typedef struct PfDialogRec* PfDialogRef;

// Window kinds by definition procedure.
enum : int16_t {
  kPfDocumentProc = 0,
  kPfDialogBoxProc = 1,
  kPfPlainDialogProc = 2,
  kPfNoGrowDocProc = 4,
  kPfMovableModalProc = 5
};

enum EPfWindowClass : int32_t {
  kPfAlertWindowClass = 1,
  kPfMovableAlertWindowClass = 2,
  kPfModalWindowClass = 3,
  kPfMovableModalWindowClass = 4,
  kPfFloatingWindowClass = 5,
  kPfDocumentWindowClass = 6
};

enum EPfWindowRegion : int32_t {
  kPfWindowStructureRgn = 32,
  kPfWindowContentRgn = 33,
  kPfWindowTitleBarRgn = 0
};

// Where a point lies (PfFindWindow).
enum EPfWindowPart : int16_t {
  kPfInDesk = 0,
  kPfInMenuBar = 1,
  kPfInContent = 3,
  kPfInDrag = 4,
  kPfInGoAway = 6
};

constexpr int32_t kPfTitleBarHeight = 22;

// A new window, behind the others unless inFront. The title is UTF-8; text
// that is not well-formed is shown with its bad bytes replaced.
PfWindowRef PfNewWindow(const PfRect& contentBounds, const char* titleUTF8, bool visible, int16_t procId,
                        bool inFront, bool goAway, PfRefCon refCon);
void PfDisposeWindow(PfWindowRef window);
bool PfIsValidWindow(PfWindowRef window);
int32_t PfWindowCount();

int16_t PfGetWindowProcId(PfWindowRef window);
bool PfWindowHasCloseBox(PfWindowRef window);
EPfWindowClass PfGetWindowClass(PfWindowRef window);
// Moving to or from the floating class reorders the window.
PfErr PfSetWindowClass(PfWindowRef window, EPfWindowClass windowClass);

void PfShowWindow(PfWindowRef window);
void PfHideWindow(PfWindowRef window);
bool PfIsWindowVisible(PfWindowRef window);
// Brings to the front (within its layer), shows nothing that is hidden.
void PfBringToFront(PfWindowRef window);
// Brings to the front and makes it the active window.
void PfSelectWindow(PfWindowRef window);
// Front to back over all windows, visible or not; null at the end.
PfWindowRef PfFrontWindow();
PfWindowRef PfFrontVisibleWindow();
PfWindowRef PfGetNextWindow(PfWindowRef window);
bool PfIsWindowActive(PfWindowRef window);
// Highlights (activates) a window without reordering.
void PfHiliteWindow(PfWindowRef window, bool active);

PfErr PfGetWindowBounds(PfWindowRef window, EPfWindowRegion region, PfRect* bounds);
// Content or structure bounds; the other follows.
PfErr PfSetWindowBounds(PfWindowRef window, EPfWindowRegion region, const PfRect& bounds);
// Moves the content's top-left to (h, v) in global coordinates.
void PfMoveWindow(PfWindowRef window, int32_t h, int32_t v);
void PfSizeWindow(PfWindowRef window, int32_t width, int32_t height);
// Height of the frame above the content.
int32_t PfWindowTitleBarHeight(PfWindowRef window);

PfErr PfSetWindowTitleUTF8(PfWindowRef window, const char* titleUTF8);
// At most size - 1 bytes, cut at a character boundary, terminated.
int32_t PfCopyWindowTitleUTF8(PfWindowRef window, char* buffer, int32_t size);
const char* PfGetWindowTitleUTF8(PfWindowRef window);

PfRefCon PfGetWRefCon(PfWindowRef window);
void PfSetWRefCon(PfWindowRef window, PfRefCon refCon);

// Properties by creator and tag, any size.
PfErr PfSetWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag, size_t size, const void* data);
// *actualSize (may be null) receives the stored size; a smaller buffer gets
// kPfErrPropertyBufferTooSmall and nothing copied.
PfErr PfGetWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag, size_t bufferSize, size_t* actualSize,
                          void* buffer);
PfErr PfRemoveWindowProperty(PfWindowRef window, PfFourCC creator, PfFourCC tag);
// Pointer properties: stored as sizeof(void*) bytes.
PfErr PfSetWindowPropertyPtr(PfWindowRef window, PfFourCC creator, PfFourCC tag, void* pointer);
// Null when the property is absent or not pointer-sized.
void* PfGetWindowPropertyPtr(PfWindowRef window, PfFourCC creator, PfFourCC tag);

// Where a global point lies: the part code and the window (null outside windows).
EPfWindowPart PfFindWindow(PfPoint where, PfWindowRef* window);
// Coordinates of the window's content (local: the content's top-left is 0, 0).
PfPoint PfGlobalToLocal(PfWindowRef window, PfPoint global);
PfPoint PfLocalToGlobal(PfWindowRef window, PfPoint local);

// Drawing needs: an invalid area makes an update event; drawing validates.
void PfInvalWindowRect(PfWindowRef window, const PfRect& localRect);
void PfInvalWindowAll(PfWindowRef window);
void PfValidWindowAll(PfWindowRef window);
bool PfWindowNeedsUpdate(PfWindowRef window);

// Drags the window: the next queued mouse-up gives the new place; the
// content is kept within limit (global coordinates).
void PfDragWindow(PfWindowRef window, PfPoint start, const PfRect& limit);

// The dialog of a dialog window, null for other windows.
PfDialogRef PfGetDialogFromWindow(PfWindowRef window);
