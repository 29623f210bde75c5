// The records behind the platform's handles. Private to platform/.
#pragma once

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/PfControl.h"
#include "platform/PfDialog.h"
#include "platform/PfDraw.h"
#include "platform/PfEvent.h"
#include "platform/PfFont.h"
#include "platform/PfList.h"
#include "platform/PfMenu.h"
#include "platform/PfObserver.h"
#include "platform/PfResource.h"
#include "platform/PfTextEdit.h"
#include "platform/PfWindow.h"

struct PfWindowRec {
  PfRect content{};
  int16_t procId = 0;
  bool goAway = false;
  std::string title;
  bool visible = false;
  bool active = false;
  EPfWindowClass windowClass = kPfDocumentWindowClass;
  PfRefCon refCon = 0;
  std::map<std::pair<PfFourCC, PfFourCC>, std::vector<uint8_t>> properties;
  std::vector<PfControlRef> controls;  // in the order made
  std::vector<PfListRef> lists;
  PfDialogRef dialog = nullptr;
  std::deque<PfDrawOp> ops;
  bool invalid = false;
  // Port state.
  PfPenState pen{};
  PfRect clip{};
  EPfFont font = kPfSystemFont;
};

struct PfMenuItemRec {
  std::string text;
  bool enabled = true;
  bool checked = false;
  PfRefCon refCon = 0;
};

struct PfMenuRec {
  int16_t id = 0;
  std::string title;
  std::vector<PfMenuItemRec> items;
  bool inserted = false;
  bool popup = false;
};

struct PfControlRec {
  PfWindowRef window = nullptr;
  int16_t procId = 0;
  PfRect bounds{};
  bool visible = true;
  bool active = true;
  int32_t value = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
  int16_t hilite = 0;
  std::string title;
  PfRefCon refCon = 0;
  std::string text;                // static text controls: their text
  bool textAsString = false;       // set through 'cfst'
  int16_t bevelKind = 0;
  int16_t bevelBehavior = 0;
  PfMenuRef menu = nullptr;        // pop-up buttons
  std::vector<SPfTabInfo> tabs;    // tab controls
  std::string helpTag;
  bool hasHelpTag = false;
  EPfHelpTagSide helpSide = kPfHelpTagSideDefault;
  std::map<std::pair<PfFourCC, PfFourCC>, void*> properties;
  // Data browsers.
  struct Browser* browser = nullptr;
};

struct PfTERec {
  PfWindowRef window = nullptr;
  std::string text;
  int32_t selStart = 0;
  int32_t selEnd = 0;
  PfRect dest{};
  PfRect view{};
  bool active = false;
  bool caretOn = false;
  uint32_t lastBlink = 0;
  int32_t blinks = 0;
  EPfFont font = kPfSystemFont;
};

struct PfListRec {
  PfWindowRef window = nullptr;
  PfRect view{};
  int32_t columns = 1;
  int32_t rows = 0;
  PfPoint cellSize{};
  std::vector<std::vector<uint8_t>> cells;  // row-major
  std::vector<uint8_t> selected;
  int32_t top = 0;
  bool drawing = true;
  bool hasGrow = false;
  PfListDefProc definition = nullptr;
  PfControlRef vScroll = nullptr;
  PfRefCon refCon = 0;
  PfCell lastClick{-1, -1};
  uint32_t lastClickTime = 0;
  bool haveLastClick = false;
  int32_t anchor = -1;
};

struct PfDialogItemRec {
  uint8_t kind = 0;
  PfRect rect{};
  std::string text;  // static and edit texts (edit texts may hold more than 255 bytes through the text edit)
  PfControlRef control = nullptr;
  PfUserItemProc proc = nullptr;
  int16_t resId = 0;
};

struct PfDialogRec {
  PfWindowRef window = nullptr;
  std::vector<PfDialogItemRec> items;
  int16_t defaultItem = 0;
  int16_t cancelItem = 0;
  int16_t focus = 0;
  PfTEHandle te = nullptr;
  PfRefCon refCon = 0;
  uint32_t flags = 0;
};

// Process-wide state of the platform.
struct PfGlobals {
  std::vector<PfWindowRef> windows;  // front to back
  std::vector<PfMenuRef> menus;      // every live menu
  std::vector<PfMenuRef> menuList;   // inserted menus
  std::vector<PfControlRef> controls;
  std::vector<PfListRef> lists;
  std::vector<PfTEHandle> textEdits;
  std::vector<PfDialogRef> dialogs;
  PfWindowRef port = nullptr;
};

PfGlobals& PfG();

// Shared helpers across the layer.
// The text as well-formed UTF-8: bad bytes become U+FFFD.
std::string PfCleanUTF8(const char* text, size_t length);
inline std::string PfCleanUTF8(const char* text) { return text ? PfCleanUTF8(text, std::strlen(text)) : std::string(); }
void PfNotify(EPfNoticeKind kind, PfWindowRef window, PfControlRef control = nullptr, const PfDrawOp* op = nullptr,
              const PfEvent* event = nullptr);
PfDialogItemRec* PfDialogItemAt(PfDialogRef dialog, int16_t item);
bool PfIsLiveWindow(PfWindowRef window);
// Detaches a control from its window list and frees it.
void PfControlFree(PfControlRef control);
void PfListFree(PfListRef list);
void PfDialogFree(PfDialogRef dialog);
// Resets of each module (PfResetAll).
void PfEventReset();
void PfDesktopResetState();
void PfSystemReset();
void PfTEResetScrap();
void PfResourceReset();
void PfObserverReset();
void PfDriverReset();
void PfModalReset();
void PfChooseFolderReset();
// Focus bookkeeping: moves the text edit to item (0 none) with a selection.
void PfDialogSetFocus(PfDialogRef dialog, int16_t item, int32_t start, int32_t end);
// Data browser (PfDataBrowser.cpp).
void PfBrowserFree(PfControlRef control);
bool PfBrowserTrack(PfControlRef control, PfPoint local);
void PfBrowserDraw(PfControlRef control);
