// The KCtl runtime: while a KCtl dialog runs, every platform message reaches
// KCtlDialogFilter, which turns it into triggers, fires the matching actions
// of each element, sets the dialog up at initialisation and tears it down at
// destruction. Actions are the only way a dialog declares its behaviour.
//
// Dialog code may re-enter the runtime from callbacks (show, enable, load,
// fire triggers) and may end the dialog; callers stop walking when an action
// returns false.
#pragma once

#include "kctl/KCtl.h"
#include "kctl/mac/MacDialog.h"

struct SDialogTrace;

// Always 0. Handles 1 initialise, 2 command, 3 destroy, 5 notify, 6 special.
ASInt32 KCtlDialogFilter(SMacDialogInfo* dialog, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);

// Fires trigger on one element: false when processing stopped (an action or
// callback ended the dialog or asked to stop).
ASBool KCtlDoAction(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASInt32 trigger);
// Fires trigger on every element in chain order; false at the first stop.
ASBool KCtlDoUserActionForDialog(SMacDialogInfo* dialog, ASInt32 trigger);

void KCtlTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id);
// Stores, then terminates.
void KCtlCommitTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id);
// False (and nothing else) when verification fails; else stores and terminates.
ASBool KCtlVerifyCommitTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id);

void KCtlShowOrHideElemById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool show);
void KCtlShowOrHideElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASBool show);
void KCtlEnableOrDisableElemById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool enable);
void KCtlEnableOrDisableElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASBool enable);
// Whether the element shows (neither it nor a parent hid it) in this run.
ASBool KCtlElemIsVisible(SKCtlData* data, SKCtlElem* element);
ASBool KCtlElemIsEnabled(SKCtlData* data, SKCtlElem* element);

// False when a fired action stopped; an unknown id gives true.
ASBool KCtlSetOrClearCheckBoxById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool check);
ASBool KCtlSetOneRadioButtonInGroupById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id);
// Whether something was set.
ASBool KCtlSetElementFromListItemKeyById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASAtom key);

// The run data of a running dialog (data block 1 of its trace), or null.
SKCtlData* KCtlDataForDialog(SMacDialogInfo* dialog);
SKCab* KCtlExportCabForDialog(SMacDialogInfo* dialog);
// A trace record holding the run as block 1 and KCtlDialogFilter as filter.
SDialogTrace* NewDialogTraceForKCtl(SKCtlData* data);

void KCtlSetTooltipForElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, const char* text);
const char* KCtlGetTooltipForElem(SKCtlData* data, SKCtlElem* element);
// Puts the dialog's position as "PosX" and "PosY" into the position cabinet.
void KCtlStorePos(SMacDialogInfo* dialog, SKCtlData* data);

// Data block key of the run in the trace.
constexpr ASInt32 kKCtlTraceDataKey = 1;
