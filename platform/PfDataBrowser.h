// Data browsers: list-view controls whose rows are item ids and whose cell
// contents come from the owner's item-data procedure.
#pragma once

#include "platform/PfControl.h"
#include "platform/PfString.h"

typedef uint32_t PfDataBrowserItemID;
typedef uint32_t PfDataBrowserPropertyID;
typedef struct PfDataBrowserItemDataRec* PfDataBrowserItemDataRef;

// Notifications.
enum : int32_t {
  kPfDataBrowserItemSelected = 5,
  kPfDataBrowserItemDeselected = 6,
  kPfDataBrowserItemDoubleClicked = 7,
  kPfDataBrowserSelectionSetChanged = 14
};

// Selection flags.
enum : uint32_t { kPfDataBrowserSelectOnlyOne = 2 };

// How PfSetDataBrowserSelectedItems changes the selection.
enum EPfDataBrowserSetOption : int32_t {
  kPfDataBrowserItemsAdd = 0,
  kPfDataBrowserItemsAssign = 1,
  kPfDataBrowserItemsToggle = 2,
  kPfDataBrowserItemsRemove = 3
};

constexpr int32_t kPfDataBrowserRowHeight = 18;
constexpr PfErr kPfErrDataBrowserPropertyNotSupported = -4971;

// Answers the text of (item, property) with PfSetDataBrowserItemDataText.
typedef PfErr (*PfDataBrowserItemDataProc)(PfControlRef browser, PfDataBrowserItemID item,
                                            PfDataBrowserPropertyID property, PfDataBrowserItemDataRef itemData,
                                            bool setValue);
typedef void (*PfDataBrowserItemNotificationProc)(PfControlRef browser, PfDataBrowserItemID item, int32_t message);

PfControlRef PfCreateDataBrowserControl(PfWindowRef window, const PfRect& bounds);
PfErr PfSetDataBrowserCallbacks(PfControlRef browser, PfDataBrowserItemDataProc itemData,
                                PfDataBrowserItemNotificationProc notification);
PfErr PfSetDataBrowserSelectionFlags(PfControlRef browser, uint32_t flags);
PfErr PfAddDataBrowserColumn(PfControlRef browser, PfDataBrowserPropertyID property, int32_t width);
PfErr PfSetDataBrowserHeaderHeight(PfControlRef browser, int32_t height);
PfErr PfSetDataBrowserHasScrollBars(PfControlRef browser, bool horizontal, bool vertical);

PfErr PfAddDataBrowserItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items);
// count 0 removes every item.
PfErr PfRemoveDataBrowserItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items);
// selectedOnly counts the selected items.
PfErr PfGetDataBrowserItemCount(PfControlRef browser, bool selectedOnly, int32_t* count);
PfErr PfSetDataBrowserSelectedItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items,
                                    EPfDataBrowserSetOption option);
// The first and last selected items in row order; 0 and 0 when none.
PfErr PfGetDataBrowserSelectionAnchor(PfControlRef browser, PfDataBrowserItemID* first, PfDataBrowserItemID* last);
bool PfIsDataBrowserItemSelected(PfControlRef browser, PfDataBrowserItemID item);
// The row (0-based) of an item, -1 when absent.
int32_t PfGetDataBrowserItemRow(PfControlRef browser, PfDataBrowserItemID item);
// The cell text of (item, first column) through the item-data procedure.
int32_t PfCopyDataBrowserItemText(PfControlRef browser, PfDataBrowserItemID item, char* buffer, int32_t size);

// For item-data procedures.
PfErr PfSetDataBrowserItemDataText(PfDataBrowserItemDataRef itemData, PfStringRef text);
