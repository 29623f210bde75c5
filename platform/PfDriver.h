// The dialog driver: tests and automation act on dialogs the way a user
// does, by posting mouse and key events that the dialog's own filters and
// the modal or modeless roads then handle. Nothing here changes a dialog
// directly, except scrolling a list so that a row can be clicked (scrolling
// is the platform's own affair).
//
// Scripts: steps queued with PfDriverScriptAdd run one at a time whenever a
// wait for events finds the queue empty (a modal dialog waiting for its
// user), so a test can drive a dialog that is created and run inside the call
// under test.
#pragma once

#include "platform/PfDialog.h"
#include "platform/PfTypes.h"

// How the layer above names items: control ids and export keys.
struct SPfDriverResolver {
  // The item of a control id, 0 when none.
  int16_t (*itemForId)(PfDialogRef dialog, int32_t controlId);
  // The control id of an item.
  int32_t (*idForItem)(PfDialogRef dialog, int16_t item);
  // The item of an export key, 0 when none (may be null).
  int16_t (*itemForKey)(PfDialogRef dialog, const char* key);
};
void PfDriverSetResolver(const SPfDriverResolver* resolver);

// Finding. A null title finds the frontmost visible dialog.
PfDialogRef PfDriverFindDialog(const char* titleUTF8);
int16_t PfDriverItemById(PfDialogRef dialog, int32_t controlId);
int16_t PfDriverItemByKey(PfDialogRef dialog, const char* key);
// The first item whose text, control title or shown text equals the caption.
int16_t PfDriverItemByCaption(PfDialogRef dialog, const char* captionUTF8);
int32_t PfDriverIdOfItem(PfDialogRef dialog, int16_t item);

// Acting: each posts the events of the gesture and returns false when the
// item cannot take it (missing or hidden).
bool PfDriverClickItem(PfDialogRef dialog, int16_t item, uint16_t modifiers);
bool PfDriverClickAt(PfDialogRef dialog, PfPoint local, uint16_t modifiers);
// Presses the button whose caption this is.
bool PfDriverPressButton(PfDialogRef dialog, const char* captionUTF8);
bool PfDriverTypeText(PfDialogRef dialog, int16_t item, const char* textUTF8, bool replace);
bool PfDriverSetChecked(PfDialogRef dialog, int16_t item, bool on);
// Chooses a pop-up entry (0-based) by pressing the pop-up and releasing on the entry.
bool PfDriverChoosePopup(PfDialogRef dialog, int16_t item, int32_t index);
bool PfDriverChooseTab(PfDialogRef dialog, int16_t item, int32_t tab);
// Clicks a list row of the list in a user item. dx is the offset from the
// cell's left edge (negative: the cell's centre); clicks 2 makes a double click.
bool PfDriverClickListRow(PfDialogRef dialog, int16_t item, int32_t row, int32_t dx, uint16_t modifiers, int32_t clicks);
void PfDriverKey(uint32_t character, uint16_t modifiers);
void PfDriverPressReturn();
void PfDriverPressEscape();
void PfDriverPressCommandPeriod();
void PfDriverPressTab();
// Hands queued events to the dispatcher (modeless dialogs in host windows).
int32_t PfDriverPump();

// Reading back.
// Edit and static texts in full, control titles or shown texts, a pop-up's chosen entry.
int32_t PfDriverGetText(PfDialogRef dialog, int16_t item, char* buffer, int32_t size);
// A control's value; -1 for items without control.
int32_t PfDriverGetValue(PfDialogRef dialog, int16_t item);
bool PfDriverIsVisible(PfDialogRef dialog, int16_t item);
bool PfDriverIsEnabled(PfDialogRef dialog, int16_t item);
int32_t PfDriverListRowCount(PfDialogRef dialog, int16_t item);
bool PfDriverListRowSelected(PfDialogRef dialog, int16_t item, int32_t row);
// A text description of the dialog, one line per item. Returns the length of
// the whole description; at most size - 1 bytes are written.
int32_t PfDriverDump(PfDialogRef dialog, char* buffer, int32_t size);

// Scripts.
typedef void (*PfDriverStepProc)(void* client);
void PfDriverScriptAdd(PfDriverStepProc step, void* client);
void PfDriverScriptClear();
int32_t PfDriverScriptPending();
// Makes the script the event source (PfSetEventSource).
void PfDriverScriptInstall();
