// Stock controls: ready-made groups of KCtl elements that the command dialogs
// share. Each builder adds its elements under a parent with the caller's
// element flags and returns the element the caller goes on with; values move
// only through export keys. Export keys given by callers are copied.
//
// Lengths are shown in the dialog's page unit (fixed for the life of the
// running dialog) and stored in points; scales are shown as percentages and
// stored as factors. kKCtlNoNumber stands for "no number" in the cabinets.
#pragma once

#include "kctl/KCtl.h"

struct SKCab;
struct SMacDialogInfo;

constexpr double kKCtlNoNumber = -9879870000000.0;

// The page-range field's "no integer" value.
constexpr ASInt32 kKCtlNoRangeInt = (ASInt32)0xe5341234u;

// ---- Buttons

SKCtlElem* KCtlStock_OkButton(SKCtlDialog* dialog);
SKCtlElem* KCtlStock_CancelButton(SKCtlDialog* dialog);

// ---- Numeric fields

SKCtlElem* KCtlStock_PercentageAsScaleInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                            const char* key);
SKCtlElem* KCtlStock_PageUnitInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                   const char* key);
// Up to count lengths, separated by blanks; only count of first and count is read.
SKCtlElem* KCtlStock_PageUnitListInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt32 first,
                                       ASInt32 count, ASInt16 width, const char* key);
// A page number ("3"), stored as an integer, or a page text ("last - 2"),
// stored as a string.
SKCtlElem* KCtlStock_PageRangeIntOrStringInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                               const char* key);

// ---- Prompt rows: return the row; the edit fields through the out arguments (may be null).

SKCtlElem* KCtlStock_PromptCount(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                 const char* trailer, const char* key, ASInt32 minimum, ASInt32 maximum,
                                 SKCtlElem** edit);
SKCtlElem* KCtlStock_PromptPageCount(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                     const char* key, ASInt32 minimum, ASInt32 maximum, SKCtlElem** edit);
SKCtlElem* KCtlStock_PromptPageUnits(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                     const char* label, const char* key, SKCtlElem** edit);
SKCtlElem* KCtlStock_Prompt2PageUnits(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label1,
                                      const char* label2, const char* key1, const char* key2, SKCtlElem** edit1,
                                      SKCtlElem** edit2);
SKCtlElem* KCtlStock_CurrentPageUnitText(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent);

// The running dialog's page unit (the user's units when it first asks).
ASInt32 KCtlStockDialogPageUnits(SMacDialogInfo* dialog);
// The five units' long names, keyed by the unit's word; made once.
SKCab* PageUnitsListKCab();

// ---- Radio groups

SKCtlElem* KCtlStock_EvenOdd(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* key);
SKCtlElem* KCtlStock_EdgeRadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key);
SKCtlElem* KCtlStock_DirectionRadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key);
SKCtlElem* KCtlStock_Align6Or9RadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key, ASBool sixOnly,
                                        ASBool reverse, KCtlActionCallBack callback, void* userData);

// ---- Folder chooser row: returns the path text.

SKCtlElem* KCtlStock_Directory(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                               const char* prompt, const char* key, ASInt16 id);

// ---- Interactive runs (the run data's "Interactive", default true)

void KCtlStock_SetElemHiddenUnlessInteractive(SKCtlDialog* dialog, SKCtlElem* elem);
void KCtlStock_SetElemDisabledUnlessInteractive(SKCtlDialog* dialog, SKCtlElem* elem);
// Nothing on this platform.
void KCtlStock_SetElemDisabledUnlessPlugin(SKCtlDialog* dialog, SKCtlElem* elem);
// The run's "Interactive" (true without a run).
ASBool KCtlStockDialogIsInteractive(SMacDialogInfo* dialog);

// ---- Page scope, first form

enum : ASInt32 {
  kKCtlScopeDefaultAll = 1,      // the whole-file button is the default
  kKCtlScopeDefaultRange = 2,    // the sub-range button is the default
  kKCtlScopeNoGroupBox = 4,      // a plain container instead of a titled group box
  kKCtlScopeNoCurrentPage = 8,
  kKCtlScopeNoAllDoc = 16,
  kKCtlScopeNoEvenOdd = 32
};
SKCtlElem* KCtlStock_PageScope1(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt32 pageCount,
                                ASInt32 ignored1, ASInt32 ignored2, ASInt32 scopeFlags, const char* scopeKey,
                                const char* fromKey, const char* toKey, const char* evenOddKey, SKCtlElem** ofText);

// ---- Tab strips. entries: one sub-cabinet per tab under numeric keys with
// "S" (text), "E" (key atom) and "D" (bool, default); the strip takes it.

ASInt32 KCtlStockTabCreate(SKCtlDialog* dialog, SKCtlElem* parent, SKCab* entries, KCtlActionCallBack callback,
                           const char* key, SKCtlElem** row);
SKCtlElem* KCtlStockTabGetElemForAction(SKCtlDialog* dialog, ASInt32 tabId, ASAtom keyAtom);
void KCtlStockTabSetActionId(SKCtlDialog* dialog, ASInt32 tabId, ASAtom keyAtom, ASInt32 actionType,
                             ASInt16 targetId);

// ---- Information line: a container whose first child holds the text element.

void KCtlInfoElementSetInfoText(SMacDialogInfo* dialog, SKCtlElem* info, const char* text, const char* tooltip,
                                ASBool noTooltipText);
void KCtlInfoElementSetTextFromDescCab(SMacDialogInfo* dialog, SKCtlElem* info, SKCab* descCab);

// ---- Host paths in cabinets: a named pointer of type "ASPathName", released
// through the default file system when the entry goes.

void KCabPutASPathName(SKCab* cab, const char* key, ASPathName path);
void KCabDestroyASPathName(void* path);
ASPathName KCabGetASPathName(SKCab* cab, const char* key);

// ---- Controls bound to the host's open documents

typedef struct _t_AVDocRec* AVDoc;

// The page scope under the process manager's run keys ("Source:Range:RangeType",
// "Source:Range:From", "Source:Range:To", "Source:Range:EvenOdd"). Without a
// document the "of" text shows the front document's page count at start.
SKCtlElem* KCtlStock_PageScope2(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, AVDoc document,
                                ASInt32 scopeFlags);
// The span of pages (first to last selected, not halved for even or odd
// pages) that the dialog's current choice selects in the front document; 0
// without one or in a run that is not interactive.
ASInt32 KCtlStock_PageScope2_GetNumPagesToProcess(SMacDialogInfo* dialog);
// A pop-up of the host's document windows, exporting the chosen document
// under key as a named pointer of type "KAVDoc" (not owned) and its identity
// (KCtlStockDocIdentity) under key followed by "Id".
SKCtlElem* KCtlStock_WindowList(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* key);
EKCtlExportCallBackReturn KAVDocListExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                           const char* key, void* user);
// The item list of the windows (sorted by title), owned by the caller. Each
// item holds "AVDoc" and its identity "AVDocId".
SKCab* KCtlStockNewWindowList();
// A number for an open document that no other document is given, also one
// opened later at the same address; 0 for null.
ASUns32 KCtlStockDocIdentity(AVDoc doc);
// The open document of that identity, or null once it has closed.
AVDoc KCtlStockDocFromIdentity(ASUns32 identity);
// The document the window list exported under key, while it is open: null
// when it has closed since, also when another document now has its address.
AVDoc KCtlStockExportedDoc(SKCab* cab, const char* key);
