// The platform half of the KCtl dialog framework: measures elements with the
// platform's text metrics, turns a laid-out description into a platform item
// list, gives every element its control id and item index, makes the dialog
// window, puts texts, pop-up menus, frames and bevel buttons in place when the
// dialog initialises, and runs it modal or modeless through the dialog trace
// and the platform dialog engine. The neutral KCtl code calls the hooks whose
// names end in Platform or begin with KCtlPlatform.
#pragma once

#include "kctl/KCtl.h"
#include "kctl/mac/MacDialog.h"

struct SKCtlSizeInfo;

// ---- Running

// Lays the dialog out and runs it modally; the terminating control id (1 OK,
// 2 Cancel, or the id it was ended with).
ASInt32 KCtlPlatformTestModal(SKCtlData* data, MacDialogProc dialogProc);
// Makes the run data of a description that frees itself with its run, then
// runs it modally on the cabinets; the description is freed also when making
// the run data fails.
ASInt32 KCtlPlatformRunModal(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab, MacDialogProc dialogProc);
// The same with "Interactive" in the run's own values, where the stock
// controls look whether a user is there.
ASInt32 KCtlPlatformRunModalInteractive(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab,
                                        MacDialogProc dialogProc, ASBool interactive);
// Starts it modeless; its info, null on failure.
SMacDialogInfo* KCtlPlatformTestModeless(SKCtlData* data, MacDialogProc dialogProc);
// Makes the run data of a self-freeing description as KCtlPlatformRunModal
// does and starts it modeless; its info, null on failure.
SMacDialogInfo* KCtlPlatformRunModeless(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab,
                                        MacDialogProc dialogProc);
// The filter of every KCtl dialog: makes the window (101) and initialises its items (1).
ASInt32 KCtlMacDialogFilter(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);

// ---- Measuring and layout hooks

// Natural size of an element showing text (null: its own text) at the width
// limit; sizeInfo may be null.
void KCtlGetElemSizePlatform(SKCtlData* data, SKCtlElem* elem, const char* text, ASInt32* width, ASInt32* height,
                             ASInt32 maxWidth, ASInt32 x, ASInt32 y, SKCtlSizeInfo* sizeInfo);
// Minimum button width, standard gap, smallest gap, gap between split rows,
// outer insets left and right.
void KCtlGetButtonSpacingInfoPlatform(SKCtlData* data, SKCtlElem* elem, ASInt32* minWidth, ASInt32* gap,
                                      ASInt32* minGap, ASInt32* rowGap, ASInt32* insetLeft, ASInt32* insetRight);
// The usable bounds of the active document's screen less 20 wide and 30 high.
void KCtlGetMaxDialogSizePlatform(ASInt32* width, ASInt32* height);
// The first OK-role button goes last, then the first Cancel-role button just
// before it; the others keep their order.
void KCtlShuffleButtonArrayPlatform(SKCtlData* data, SKCtlElem** buttons, ASInt32 count);
// The current size of the element's platform item; 0, 0 when it has none.
void KCtlGetElemLiveSizePlatform(SMacDialogInfo* info, SKCtlElem* elem, ASInt32* width, ASInt32* height);

// ---- Controls of a running dialog

void KCtlPlatformShowOrHideSingleControl(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, ASBool show);
void KCtlPlatformEnableOrDisableSingleControl(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, ASBool enable);
void KCtlPlatformEnableToolTipForElem(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, ASBool on);
void KCtlPlatformSetControlText(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, const char* utf8);
// The generated control id when it is 1 or more, else the declared one.
ASInt32 KCtlPlatformGetElemControlId(SKCtlData* data, SKCtlElem* elem);
// The first element along the chain with that effective id; null below 1.
SKCtlElem* KCtlPlatformGetElemFromControlId(SKCtlData* data, ASInt32 id);

// ---- Run data

void KCtlDataInitPlatform(SMacDialogInfo* dialog, SKCtlData* data);
void KCtlDataTermPlatform(SKCtlData* data);
// Marks a run as waiting for its window (pending 1) or not; with 0 the
// result says whether it was waiting.
ASBool KCtlMacRunPending(SKCtlData* data, ASBool pending);
void KCtlElemTermPlatform(SKCtlData* data, SKCtlElemInfo* info);
void KCtlMacClearPrefText(SKCtlData* data, SKCtlElem* elem);
void KCtlDataIdlePlatform(SKCtlData* data);
void KCtlPlatformSetDominantLanguage(ASInt32 language);

// ---- The item list (exposed for tests)

// Gives every element without an id the next one and label ids where needed.
void KCtlMacSetControlIdsForList(SKCtlData* data);
// Builds the platform item list into data->itemList (a PfHandle).
void KCtlMacCreateItemList(SKCtlData* data);
void KCtlMacWMInitForList(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* first);

// Theme metrics the layer reads (2, 3, 4, 5, 19, 50, 52); 0 for others.
ASInt32 KCtlMacThemeMetric(ASInt32 which);
enum : ASInt32 { kKCtlThemeBoxHeight = 3, kKCtlThemeBoxWidth = 52 };

// Text measuring flags of the layer.
enum : ASUns32 { kKCtlMeasureText = 0x4000, kKCtlMeasureEdit = 0x4002, kKCtlMeasureSmall = 0x4100 };
