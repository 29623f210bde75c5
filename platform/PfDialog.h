// Dialogs built from item lists, the modal-dialog step and the dialog-select
// road for modeless dialogs.
//
// Item list format (what PfNewDialog reads; 16-bit values big-endian):
//   u16 count of items minus one
//   per item: u32 placeholder (0); i16 top, left, bottom, right; u8 kind;
//             u8 data length; data; a pad byte when 14 + length is odd.
// Text items (buttons, check boxes, radios, static and edit texts) carry their
// text (at most 255 bytes); resource items (kinds 7, 32, 64) carry two bytes:
// a 16-bit resource id; other items carry no data.
//
// Items count from 1. Kinds 4, 5, 6 make push button, check box and radio
// controls titled with the item's text; kind 7 makes the control of a
// registered control template (PfRegisterControlTemplate). Adding 128 to a kind
// disables the item: clicks on it report no hit. A hidden item lies
// kPfHiddenItemOffset units to the right of its place.
#pragma once

#include "platform/PfEvent.h"
#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;
typedef struct PfDialogRec* PfDialogRef;
typedef struct PfControlRec* PfControlRef;
typedef struct PfTERec* PfTEHandle;

enum : uint8_t {
  kPfUserItem = 0,
  kPfButtonItem = 4,
  kPfCheckBoxItem = 5,
  kPfRadioItem = 6,
  kPfResControlItem = 7,
  kPfStaticTextItem = 8,
  kPfEditTextItem = 16,
  kPfIconItem = 32,
  kPfPictureItem = 64,
  kPfItemDisableBit = 128
};

constexpr int32_t kPfHiddenItemOffset = 16384;
constexpr int32_t kPfItemTextLimit = 255;

// Dialog flags.
enum : uint32_t {
  kPfDialogThemeBackground = 0x1,
  kPfDialogPlainBackground = 0x2
};

typedef void (*PfUserItemProc)(PfDialogRef dialog, int16_t item);
// A modal filter returns true when it handled the event; *itemHit is then
// what the modal step reports (0: no item).
typedef bool (*PfModalFilterProc)(PfDialogRef dialog, PfEvent* event, int16_t* itemHit);

// Writes one item into an item list at `at` (which must have room: 14 bytes
// plus the data, padded to even) and returns the bytes written.
size_t PfItemListWriteItem(uint8_t* at, uint8_t kind, const PfRect& rect, const void* data, uint8_t length);
// The bytes an item with that much data takes.
size_t PfItemListItemSize(uint8_t length);

// The dialog takes the item list (disposed with the dialog, also when the
// list is malformed and null is returned).
PfDialogRef PfNewDialog(const PfRect& bounds, const char* titleUTF8, bool visible, int16_t procId, bool inFront,
                        bool goAway, PfRefCon refCon, PfHandle itemList, uint32_t flags);
void PfDisposeDialog(PfDialogRef dialog);
bool PfIsValidDialog(PfDialogRef dialog);
int32_t PfLiveDialogCount();
// Tests: while on, the next dialog made takes the address of the last one
// disposed, as the C allocator often does and a checking allocator never
// does. Turning it off frees the record kept aside.
void PfReuseDialogRecordsForTest(bool on);
PfWindowRef PfGetDialogWindow(PfDialogRef dialog);
uint32_t PfGetDialogFlags(PfDialogRef dialog);
PfRefCon PfGetDialogRefCon(PfDialogRef dialog);
void PfSetDialogRefCon(PfDialogRef dialog, PfRefCon refCon);

int16_t PfCountDialogItems(PfDialogRef dialog);
// Kind of an item, -1 when there is no such item.
int32_t PfGetDialogItemKind(PfDialogRef dialog, int16_t item);
void PfSetDialogItemKind(PfDialogRef dialog, int16_t item, uint8_t kind);
bool PfGetDialogItemRect(PfDialogRef dialog, int16_t item, PfRect* rect);
void PfSetDialogItemRect(PfDialogRef dialog, int16_t item, const PfRect& rect);
PfControlRef PfGetDialogItemControl(PfDialogRef dialog, int16_t item);
// Puts a control in the item's place; the control it held before is disposed
// when disposeOld is set, else left to the caller.
void PfSetDialogItemControl(PfDialogRef dialog, int16_t item, PfControlRef control, bool disposeOld);
PfUserItemProc PfGetDialogItemProc(PfDialogRef dialog, int16_t item);
void PfSetDialogItemProc(PfDialogRef dialog, int16_t item, PfUserItemProc proc);
int16_t PfGetDialogItemResId(PfDialogRef dialog, int16_t item);

// Static and edit texts. Setting keeps at most kPfItemTextLimit bytes, cut at
// a character boundary; getting copies at most size - 1 bytes, terminated.
void PfSetDialogItemText(PfDialogRef dialog, int16_t item, const char* text);
int32_t PfGetDialogItemText(PfDialogRef dialog, int16_t item, char* buffer, int32_t size);

void PfHideDialogItem(PfDialogRef dialog, int16_t item);
void PfShowDialogItem(PfDialogRef dialog, int16_t item);
// The item at a local point (first in item order), 0 when none.
int16_t PfFindDialogItem(PfDialogRef dialog, PfPoint local);

void PfSetDialogDefaultItem(PfDialogRef dialog, int16_t item);
int16_t PfGetDialogDefaultItem(PfDialogRef dialog);
void PfSetDialogCancelItem(PfDialogRef dialog, int16_t item);
int16_t PfGetDialogCancelItem(PfDialogRef dialog);

// Gives an edit text the keyboard focus (the text-edit record then works on
// it) with the selection start..end.
void PfSelectDialogItemText(PfDialogRef dialog, int16_t item, int32_t start, int32_t end);
// The focus item, 0 when none.
int16_t PfGetDialogKeyboardFocusItem(PfDialogRef dialog);
// The dialog's text-edit record (null when it has no edit text).
PfTEHandle PfGetDialogTextEdit(PfDialogRef dialog);

void PfDrawDialog(PfDialogRef dialog);
void PfDrawDialogItem(PfDialogRef dialog, int16_t item);

// The standard handling of one event by a dialog. True when the event belongs
// to a dialog window.
bool PfIsDialogEvent(const PfEvent* event);
// Handles the event for its dialog: clicks track controls and place the
// caret, keys go to the focus (Tab moves it to the next edit text), Command
// X, C and V cut, copy and paste, activate and update events activate and
// draw. True with the dialog and item when an enabled item was hit.
bool PfDialogSelect(const PfEvent* event, PfDialogRef* dialog, int16_t* itemHit);
// One modal step for the front dialog: takes events (through the filter
// first) until an enabled item is hit or the filter reports one. When the
// queue stays empty past the stall limit, a Command-period is posted for the
// dialog so that a modal dialog without input cannot hang; when three of
// them in one step change nothing, the step returns -1.
void PfModalDialog(PfModalFilterProc filter, int16_t* itemHit);
int32_t PfModalStallCount();
void PfSetModalStallTicks(uint32_t ticks);
