// Controls: value, range, highlight, title, data by tag, help tags.
//
// A control belongs to a window and lies in its local coordinates. Tracking a
// click takes the next queued mouse-up as the place the button was released;
// with none queued it is released where it was pressed.
#pragma once

#include "platform/PfString.h"
#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;
typedef struct PfControlRec* PfControlRef;
typedef struct PfMenuRec* PfMenuRef;

// Control kinds by definition procedure.
enum : int16_t {
  kPfPushButProc = 0,
  kPfCheckBoxProc = 1,
  kPfRadioButProc = 2,
  kPfScrollBarProc = 16,
  kPfBevelButtonProc = 33,
  kPfTabProc = 128,
  kPfUserPaneProc = 256,
  kPfStaticTextProc = 288,
  kPfDataBrowserProc = 352,
  kPfPopupButtonProc = 1008
};

// Highlight values and part codes.
enum : int16_t {
  kPfNoPart = 0,
  kPfMenuPart = 2,
  kPfButtonPart = 10,
  kPfCheckBoxPart = 11,
  kPfUpButtonPart = 20,
  kPfDownButtonPart = 21,
  kPfPageUpPart = 22,
  kPfPageDownPart = 23,
  kPfIndicatorPart = 129,
  kPfInactiveHilite = 255
};

// Data tags.
constexpr PfFourCC kPfControlStaticTextTextTag = PfMakeFourCC("text");      // native text bytes
constexpr PfFourCC kPfControlStaticTextCFStringTag = PfMakeFourCC("cfst");  // a PfStringRef
constexpr PfFourCC kPfControlBevelButtonKindTag = PfMakeFourCC("bebk");     // int16 button kind
constexpr PfFourCC kPfControlBevelButtonBehaviorTag = PfMakeFourCC("pglc"); // int16 behaviour
constexpr PfFourCC kPfControlPopupButtonMenuTag = PfMakeFourCC("mhan");     // a PfMenuRef
constexpr PfFourCC kPfControlPopupButtonMenuIdTag = PfMakeFourCC("mnid");   // int16 menu id
constexpr PfFourCC kPfControlTabInfoTag = PfMakeFourCC("tabi");             // SPfTabInfo, part = tab

constexpr int32_t kPfPopupItemHeight = 18;
constexpr int32_t kPfTabHeight = 24;

struct SPfTabInfo {
  int16_t version;
  int16_t iconSuiteId;
  char nameUTF8[64];
};

// A new control. For pop-up buttons the minimum is the menu id of an
// inserted menu (the control takes that menu); the maximum follows its items.
PfControlRef PfNewControl(PfWindowRef window, const PfRect& bounds, const char* titleUTF8, bool visible,
                          int32_t value, int32_t minimum, int32_t maximum, int16_t procId, PfRefCon refCon);
void PfDisposeControl(PfControlRef control);
bool PfIsValidControl(PfControlRef control);
int32_t PfLiveControlCount();
PfWindowRef PfGetControlOwner(PfControlRef control);
int16_t PfGetControlProcId(PfControlRef control);

// Values are kept within minimum..maximum at both ends.
int32_t PfGetControlValue(PfControlRef control);
void PfSetControlValue(PfControlRef control, int32_t value);
int32_t PfGetControlMinimum(PfControlRef control);
void PfSetControlMinimum(PfControlRef control, int32_t minimum);
int32_t PfGetControlMaximum(PfControlRef control);
void PfSetControlMaximum(PfControlRef control, int32_t maximum);

// 0 normal, a part code highlights that part, 255 inactive (disabled).
void PfHiliteControl(PfControlRef control, int16_t hilite);
int16_t PfGetControlHilite(PfControlRef control);
// Window activation: an inactive window's controls draw dimmed but keep their hilite.
void PfActivateControl(PfControlRef control, bool active);
bool PfIsControlActive(PfControlRef control);

void PfShowControl(PfControlRef control);
void PfHideControl(PfControlRef control);
bool PfIsControlVisible(PfControlRef control);
void PfSetControlVisibility(PfControlRef control, bool visible);

void PfGetControlBounds(PfControlRef control, PfRect* bounds);
void PfSetControlBounds(PfControlRef control, const PfRect& bounds);
void PfMoveControl(PfControlRef control, int32_t h, int32_t v);
void PfSizeControl(PfControlRef control, int32_t width, int32_t height);

PfErr PfSetControlTitleUTF8(PfControlRef control, const char* titleUTF8);
int32_t PfCopyControlTitleUTF8(PfControlRef control, char* buffer, int32_t size);
const char* PfGetControlTitleUTF8(PfControlRef control);
PfRefCon PfGetControlReference(PfControlRef control);
void PfSetControlReference(PfControlRef control, PfRefCon refCon);

// Data by tag; a tag the kind does not answer to gives kPfErrDataNotSupported.
// 'cfst' takes and gives a PfStringRef: setting retains the caller's string,
// getting hands out a retained string the caller releases.
PfErr PfSetControlData(PfControlRef control, int16_t part, PfFourCC tag, size_t size, const void* data);
PfErr PfGetControlData(PfControlRef control, int16_t part, PfFourCC tag, size_t bufferSize, void* buffer,
                       size_t* actualSize);
PfErr PfGetControlDataSize(PfControlRef control, int16_t part, PfFourCC tag, size_t* size);
bool PfControlAnswersTag(PfControlRef control, PfFourCC tag);

// The pop-up menu of a pop-up button (null for other kinds).
PfMenuRef PfGetControlPopupMenu(PfControlRef control);
int16_t PfGetControlPopupMenuId(PfControlRef control);
// Where a pop-up's item (1-based) appears while its menu is open (global coordinates).
bool PfPopupItemRect(PfControlRef control, int32_t item, PfRect* globalRect);
// Where a tab (1-based) lies (local coordinates).
bool PfTabRect(PfControlRef control, int32_t tab, PfRect* localRect);

// Controls of a window, front (last made) first for hit testing.
int16_t PfFindControl(PfPoint local, PfWindowRef window, PfControlRef* control);
// Tracks a click that started at local. Returns the part released on, 0 when
// released outside or the control is inactive or hidden. Pop-ups take the item
// released on as their value, tabs the tab, scroll bars step their value.
int16_t PfTrackControl(PfControlRef control, PfPoint local);
int32_t PfCountControls(PfWindowRef window);
PfControlRef PfGetIndexedControl(PfWindowRef window, int32_t index);

void PfDrawOneControl(PfControlRef control);
void PfDrawControls(PfWindowRef window);

// Properties by creator and tag; pointers are kept pointer-sized.
PfErr PfSetControlPropertyPtr(PfControlRef control, PfFourCC creator, PfFourCC tag, void* pointer);
// Null when absent.
void* PfGetControlPropertyPtr(PfControlRef control, PfFourCC creator, PfFourCC tag);
PfErr PfRemoveControlProperty(PfControlRef control, PfFourCC creator, PfFourCC tag);

// Help tags.
enum EPfHelpTagSide : int16_t { kPfHelpTagSideDefault = 0, kPfHelpTagSideTop = 1, kPfHelpTagSideBottom = 2 };
PfErr PfSetControlHelpTagUTF8(PfControlRef control, const char* textUTF8, EPfHelpTagSide side);
// Null when the control has none.
const char* PfGetControlHelpTagUTF8(PfControlRef control);
