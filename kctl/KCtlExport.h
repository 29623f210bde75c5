// Export and import of dialog values: every element with an export record
// has a key in the run's export cabinet. Values are loaded at initialisation,
// verified and stored back when the dialog is confirmed, and dialog code can
// store into or load from other cabinets on demand.
#pragma once

#include "kctl/KCtl.h"

// Optional positioning, then (with an export cabinet) every element.
void KCtlLoadElementsFromCab(SMacDialogInfo* dialog, SKCtlData* data, ASBool withPosition);
// Loads only the elements whose key cab holds; the run's export cabinet and
// only-known-keys flag are restored afterwards, also when an exception passes.
void KCtlLoadElementsFromSpecificCab(SMacDialogInfo* dialog, SKCab* cab);
// The export cabinet, after storing the position (optionally) and every element.
SKCab* KCtlStoreElementsToCab(SMacDialogInfo* dialog, SKCtlData* data, ASBool withPosition);
// Stores every element into cab (after copying the export cabinet's entries
// into it when asked); returns cab.
SKCab* KCtlAdvanceExport(SMacDialogInfo* dialog, SKCab* cab, ASBool copyFirst);
// True without an export cabinet or when every visible enabled element verifies.
ASBool KCtlVerifyElements(SMacDialogInfo* dialog, SKCtlData* data);
// The element whose value the running dialog's last verification refused,
// or null when it passed or has not run: the automation responder names it.
// It is kept in the dialog's run data and goes with it.
SKCtlElem* KCtlLastRefusedElement(SMacDialogInfo* dialog);
// The procedure's result, or 1 without one. A null cab means the export cabinet.
ASInt32 KCtlCallCustomExportProc(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASInt32 callKind,
                                 SKCab* cab);

// Filling from item lists. With adopt the list becomes the element's.
void KCtlFillPulldownFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list,
                              ASBool clear, ASBool adopt);
void KCtlFillPulldownFromKCabById(SMacDialogInfo* dialog, ASInt32 id, SKCab* list, ASBool clear, ASBool adopt);
void KCtlFillListBoxFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list,
                             ASBool clear, ASBool adopt);
void KCtlFillTreeFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list, ASBool clear,
                          ASBool adopt);

// Pulldown queries.
SKCab* KCtlGetSelectedPulldownItem(SMacDialogInfo* dialog, ASInt32 id);
ASAtom KCtlGetSelectedPulldownItemKey(SMacDialogInfo* dialog, ASInt32 id);
ASBool PulldownSelectFromKeyById(SMacDialogInfo* dialog, ASInt32 id, ASAtom key);

// Selects the entry whose item key is key and fires trigger 6; false when
// none matches.
ASBool KCtlPulldownSelectByKey(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASAtom key);
// Selects (or adds to a multiple selection) the row whose item key is key.
ASBool KCtlListSelectByKey(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASAtom key);

// The type of a multiple-selection list's stored cabinet.
constexpr const char* kKCtlMultiListType = "KCtlMultiList";
