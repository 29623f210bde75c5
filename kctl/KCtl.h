// The KCtl dialog model: every dialog of the plug-in is described at run time
// as a tree of elements. The layout sizes and places them, the Mac layer
// turns the laid-out tree into a platform item list and runs it, and the
// runtime connects the elements to values held in cabinets.
//
// A description is built once per showing by the dialog's own code, shown by
// one run (SKCtlData) at a time, then freed. Building calls return their
// element so that calls nest; none fails other than by the foundation's
// out-of-memory exception, and each record is linked only once complete.
#pragma once

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;
struct SMacTextMetricDesc;
struct SKCtlElem;
struct SKCtlDialog;
struct SKCtlData;

// ---- Element types

enum EKCtlType : ASInt32 {
  kKCtlStaticText = 0,
  kKCtlEditText = 1,
  kKCtlPushButton = 2,
  kKCtlCheckBox = 3,
  kKCtlRadioButton = 4,
  kKCtlPulldown = 5,
  kKCtlListBox = 6,
  kKCtlTree = 7,
  kKCtlFiller = 8,
  kKCtlSpecial = 9,
  kKCtlIcon = 10,
  kKCtlPicture = 11,
  kKCtlFrame = 12,
  kKCtlGroupBox = 13,
  kKCtlContainer = 14,
  kKCtlUserPane = 15
};

// ---- Element flags

enum : ASUns32 {
  kKCtlFlagOK = 0x1,                // after its click actions: verify, store, end with its id
  kKCtlFlagCancel = 0x2,            // after its click actions: end with its id
  kKCtlFlagNoRole = 0x4,            // the button only runs its actions
  kKCtlFlagNoGap = 0x8,             // no vertical gap before the next row
  kKCtlFlagSameRow = 0x10,          // the next sibling continues on this row
  kKCtlFlagRowKeepX = 0x20,         // with 0x10: the row's x does not take the extra column gap
  kKCtlFlagRowNoDrop = 0x40,        // with 0x10: the followers do not start lower
  kKCtlFlagMultiSelect = 0x80,      // list box and tree
  kKCtlFlagBevelRadio = 0x100,      // radio shown as a bevel button
  kKCtlFlagInBody = 0x200,          // push button placed in the body, not the button row
  kKCtlFlagChecked = 0x400,         // check box checked at start; user pane shown
  kKCtlFlagHidden = 0x800,          // hidden at initialisation
  kKCtlFlagDisabled = 0x1000,       // disabled at initialisation (ignored with 0x800)
  kKCtlFlagRight = 0x2000,          // placed at the right end of the available width
  kKCtlFlagCentre = 0x4000,         // centred in the available width
  kKCtlFlagBottom = 0x8000,         // bottom-anchored with everything after it
  kKCtlFlagNoAdvance = 0x10000,     // the next element takes the same place
  kKCtlFlagStoreAlways = 0x20000,   // stored even when hidden or disabled (bevel: rounded)
  kKCtlFlagAppendUnknown = 0x40000, // pulldown: a stored item not in the list is appended
  kKCtlFlagOwnsItemList = 0x80000,  // the element destroys its item list
  kKCtlFlagOwnsKey = 0x100000,      // the element owns a copy of its export key
  kKCtlFlagFullWidth = 0x200000,    // the width extends to the right edge
  kKCtlFlagOneLine = 0x400000,      // text measured on one line (types 0 to 4)
  kKCtlFlagMinLine = 0x800000,      // static text: at least one line high
  kKCtlFlagImageOrSmall = 0x1000000,  // with 0x400000 on a picture: image control; push button: small row
  kKCtlFlagSkipLoadHidden = 0x80000000u  // not loaded, nor its children, while hidden
};

// Description flags (read when the dialog window is destroyed, and by the Mac layer).
enum : ASUns32 {
  kKCtlDialogFreeDescription = 0x1,
  kKCtlDialogFreeData = 0x2,
  kKCtlDialogDestroyExportCab = 0x4,
  kKCtlDialogPlainBackground = 0x10
};

// ---- Triggers, actions and callback returns

enum EKCtlActionTriggerType : ASInt32 {
  kKCtlTriggerAny = 0,
  kKCtlTriggerClick = 1,
  kKCtlTriggerChecked = 2,
  kKCtlTriggerUnchecked = 3,
  kKCtlTriggerEditChanged = 4,
  kKCtlTriggerEditChangedByUser = 5,
  kKCtlTriggerSelectionChanged = 6,
  kKCtlTriggerDoubleClick = 7,
  kKCtlTriggerSpecial = 8,
  kKCtlTriggerInit = 9,
  kKCtlTriggerLoaded = 10,
  kKCtlTriggerItemListFilled = 11,
  kKCtlTriggerBeforeLoad = 12,
  kKCtlTriggerAfterLoad = 13,
  kKCtlTriggerStored = 14,
  kKCtlTriggerDestroyed = 15,
  kKCtlTriggerDescriptionDestroyed = 16,
  kKCtlTriggerTerminate = 17,
  kKCtlTriggerShown = 18,
  kKCtlTriggerHidden = 19,
  kKCtlTriggerFrontDocChanged = 20
};

enum EKCtlActionType : ASInt32 {
  kKCtlActionHide = 0,
  kKCtlActionDisable = 1,
  kKCtlActionShow = 2,
  kKCtlActionEnable = 3,
  kKCtlActionFocus = 4,
  kKCtlActionCheck = 5,
  kKCtlActionUncheck = 6,
  kKCtlActionSelectRadio = 7,
  kKCtlActionSetFromKey = 8,
  kKCtlActionOK = 9,
  kKCtlActionEnd = 10,
  kKCtlActionVerifyAndStore = 11,
  kKCtlActionStore = 12,
  kKCtlActionLoadAndCall = 13,
  kKCtlActionCall = 14
};

enum EKCtlActionCallBackReturn : ASInt32 {
  kKCtlCallBackGoOn = 0,
  kKCtlCallBackStop = 1,
  kKCtlCallBackEnd = 2,                   // end with the action's target id, nothing stored
  kKCtlCallBackVerifyCommitTerminate = 3, // verify, store, end with the element's id
  kKCtlCallBackCommitTerminate = 4        // store, end with the element's id
};

// The dialog is null and the id -1 for trigger 16 (the description is freed).
typedef ASInt32 (*KCtlActionCallBack)(SMacDialogInfo* dialog, ASInt32 controlId, ASInt32 trigger, void* user);

// ---- Export kinds and custom export procedures

enum EKCtlExportKind : ASInt32 {
  kKCtlExportByType = 0,
  kKCtlExportString = 1,
  kKCtlExportInt = 2,
  kKCtlExportReal = 3,
  kKCtlExportListAtom = 4,
  kKCtlExportPulldownString = 5,
  kKCtlExportBoolean = 6,
  kKCtlExportProc = 7
};

enum EKCtlExportCallBackType : ASInt32 {
  kKCtlExportLoad = 0,
  kKCtlExportStore = 1,
  kKCtlExportVerify = 2,
  kKCtlExportVerifyReport = 3,  // as verify; on failure beep and select the field
  kKCtlExportDestroy = 4        // free the user data; dialog, cab and key are null, id -1
};

// 0 valid, 1 refused (read only for verification).
typedef ASInt32 EKCtlExportCallBackReturn;
typedef EKCtlExportCallBackReturn (*KCtlExportCallBack)(SMacDialogInfo* dialog, ASInt32 controlId, ASInt32 callKind,
                                                        SKCab* cab, const char* key, void* user);

// ---- Records

// At most one per element; made by the first export call.
struct SKCtlExport {
  char* key;         // owned with kKCtlFlagOwnsKey, else borrowed (must outlive the element)
  ASInt32 kind;      // EKCtlExportKind
  ASInt32 param1;    // kind 2: minimum; radio (kind 0) and kind 6: the atom or boolean value
  ASInt32 param2;    // kind 1: maximum length in bytes (0 unlimited); kind 2: maximum
  double realMin;    // kind 3 (both 0: unbounded)
  double realMax;
  KCtlExportCallBack proc;  // kind 7
  void* user;               // kind 7
};

struct SKCtlAction {
  SKCtlAction* next;
  ASInt32 trigger;        // EKCtlActionTriggerType; 0 matches every trigger
  ASInt32 action;         // EKCtlActionType
  ASInt16 targetId;
  SKCtlElem* target;      // wins over targetId; its control id is looked up when the action runs
  ASAtom key;             // action 8
  KCtlActionCallBack callback;  // actions 13 and 14
  void* user;
};

struct SKCtlElem {
  SKCtlDialog* dialog;
  ASInt32 type;  // EKCtlType
  ASUns32 flags;
  char* text;    // owned UTF-8 caption or null; may begin with the size escape
  SKCtlElem* firstChild;
  SKCtlElem* nextSibling;
  SKCtlElem* prevSibling;
  SKCtlElem* nextInChain;
  ASInt16 controlId;  // -1: the platform gives one
  ASInt16 forcedWidth;  // 0: not forced; signed
  ASInt16 forcedHeight;
  ASInt16 fixedX;  // both 0: placed by the flow
  ASInt16 fixedY;
  ASInt16 sizeInfoOverride[2];  // copied into the size information when not 0
  ASInt32 resourceId;
  ASUns32 radioGroup;
  SKCab* itemList;
  SKCtlExport* exportRec;
  SKCtlAction* actions;
  char* tooltip;
};

struct SKCtlDialog {
  ASUns32 flags;
  SKCtlElem* root;
  SKCtlElem* chainFirst;
  SKCtlElem* chainLast;
  char* title;
  ASInt32 suggestedWidth;
  ASInt32 suggestedHeight;
  ASInt32 extraHeight;
  ASInt32 extraWidth;
  ASInt32 radioGroupCounter;
  SKCab* privateCab;
};

struct SKCtlDialogGroupItem {
  SKCtlDialog* dialog;
  SKCtlDialogGroupItem* next;
  ASBool fixed;
  ASInt32 width;
  ASInt32 height;
};

struct SKCtlDialogGroup {
  SKCtlDialogGroupItem* first;
  ASBool sizeComputed;
  ASInt32 width;
  ASInt32 height;
};

// One element's run-time record in one run.
struct SKCtlElemInfo {
  SKCtlElem* elem;
  ASInt32 generatedId;  // below 1: none
  ASInt16 x;
  ASInt16 y;
  ASInt16 w;
  ASInt16 h;
  ASBool hiddenByParent;
  ASBool hiddenBySelf;
  ASBool disabled;
  // Platform fields (the Mac layer's).
  ASBool generated;     // the element has its platform item
  ASInt32 itemIndex;    // 0: none
  char* prefText;       // pre-formatted text, owned
  ASInt32 labelId;      // a second item that shows the element's text
  ASBool textAtInit;    // the text is set through UTF-8 at initialisation
  SKCab* treeCopies;    // copies of item cabinets attached to tree rows, owned by the run
  SKCab* keptItems;     // item cabinets entries still point to after their owner let go
};

struct SKCtlInfoTable;  // the run's per-element records (KCtlModel.cpp)

// One showing of a description.
struct SKCtlData {
  SKCtlInfoTable* infos;
  SKCtlDialog* dialog;
  ASBool modal;
  ASInt32 width;  // laid out
  ASInt32 height;
  ASBool sizesValid;
  SKCab* exportCab;  // borrowed unless description flag 4
  SKCab* posCab;     // borrowed: "PosX", "PosY"
  SKCab* ownCab;     // "Interactive" and the dialog code's values
  SKCab* tooltipCab; // tooltip texts by control id, made on first use
  SMacDialogInfo** windowSlot;  // receives the running dialog at initialisation
  SKCtlDialogGroup* group;
  ASBool groupFlag;
  ASBool valuesLoaded;
  ASInt32 loadNesting;
  ASBool destroyed;
  ASBool onlyKnownKeys;
  ASInt32 resultId;
  ASBool terminating;       // trigger 17 is being fired
  SMacDialogInfo* running;  // the platform dialog while it runs
  SKCtlElem* refused;       // the element the last verification refused, this run only
  // Platform part (the Mac layer's).
  void* itemList;  // a platform handle, owned until the dialog window takes it
  ASInt32 itemCounter;
  SMacTextMetricDesc* textMetric;
};

// ---- Size escape: "![w=N;h+N]text"

struct SKCtlSizeEscape {
  ASInt32 width;       // "w=": -1 unset
  ASInt32 height;      // "h=": -1 unset
  ASInt32 extraWidth;  // "w+": 0 unset
  ASInt32 extraHeight; // "h+": 0 unset
};
// True when text begins with a valid escape; *rest (may be null) then points
// after the first "]". Numbers above 32767 make the escape invalid.
ASBool KCtlParseSizeEscape(const char* text, SKCtlSizeEscape* escape, const char** rest);

// ---- Building

SKCtlDialog* KCtlNewDialog(const char* title, ASUns32 flags);
SKCtlElem* KCtlAddNewElement(SKCtlDialog* dialog, ASInt32 type, ASUns32 flags, ASInt16 controlId, const char* text,
                             SKCtlElem* parent);
SKCtlElem* KCtlAddNewElementWithResourceRef(SKCtlDialog* dialog, ASInt32 type, ASUns32 flags, ASInt16 controlId,
                                            ASInt32 resourceId, SKCtlElem* parent);
SKCtlElem* KCtlForceElementSize(ASInt16 width, ASInt16 height, SKCtlElem* element);
SKCtlElem* KCtlSetFixedPosition(ASInt16 x, ASInt16 y, SKCtlElem* element);
SKCtlElem* KCtlRadioButtonSetGroup(ASUns32 code, SKCtlElem* element);
// Takes ownership only when the element has kKCtlFlagOwnsItemList (an owned
// list it held before is destroyed).
SKCtlElem* KCtlElemSetItemList(SKCab* list, SKCtlElem* element);
// An owned copy of the tooltip text (null clears it).
SKCtlElem* KCtlElemSetTooltip(const char* text, SKCtlElem* element);
ASUns32 KCtlDialogNewButtonGroupCode(SKCtlDialog* dialog);
void KCtlDialogSuggestSize(SKCtlDialog* dialog, ASInt32 width, ASInt32 height);

SKCtlElem* KCtlSetExportKey(const char* key, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyAtom(const char* key, ASAtom atom, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyEditString(const char* key, ASInt32 maxLength, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyEditInt(const char* key, ASInt32 minimum, ASInt32 maximum, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyListAtom(const char* key, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyBoolean(const char* key, ASBool value, SKCtlElem* element);
SKCtlElem* KCtlSetExportKeyProc(const char* key, KCtlExportCallBack proc, void* user, SKCtlElem* element);

SKCtlElem* KCtlSetActionCallback(SKCtlElem* element, ASInt32 trigger, KCtlActionCallBack callback, void* user);
SKCtlElem* KCtlSetActionId(SKCtlElem* element, ASInt32 trigger, ASInt32 action, ASInt16 id);
SKCtlElem* KCtlSetActionElem(SKCtlElem* element, ASInt32 trigger, ASInt32 action, SKCtlElem* target);
SKCtlElem* KCtlSetActionIdKey(SKCtlElem* element, ASInt32 trigger, ASInt32 action, ASInt16 id, ASAtom key);
SKCtlElem* KCtlSetActionVisibleIfCheckedId(SKCtlElem* element, ASInt16 id);
SKCtlElem* KCtlSetActionVisibleIfCheckedElem(SKCtlElem* element, SKCtlElem* target);
SKCtlElem* KCtlSetActionEnabledIfCheckedElem(SKCtlElem* element, SKCtlElem* target);

// ---- Item lists: one sub-cabinet per item under the empty key, holding "S"
// (display text) and "E" (key atom); tree items may hold "I" (indent level).

SKCab* KCtlAddListItemToCab(SKCab* list, const char* text, ASAtom key);
// A new list of the same items ordered by display text (stable); items without
// "S" are dropped. The items are moved and the input list destroyed.
SKCab* KCtlSortItemList(SKCab* list);
SKCab* KCtlSearchItemListForKey(SKCab* list, ASAtom key);
const char* KCtlSearchItemListForKeyGetString(SKCab* list, ASAtom key);
// ASAtomNull when no item matches.
ASAtom KCtlSearchItemListForStringGetKey(SKCab* list, const char* text, ASBool ignoreCase);
// Calls proc for every item sub-cabinet in list order until it returns false.
typedef ASBool (*KCtlItemProc)(SKCab* item, void* data);
void KCtlForEachListItem(SKCab* list, KCtlItemProc proc, void* data);

// A pointer-sized slot, null at first, that lives as long as the description.
void** KCtlGetDialogPrivatePointer(SKCtlDialog* dialog);

// ---- Dialog groups (assistants whose pages share one size)

SKCtlDialogGroup* NewKCtlDialogGroup();
void KCtlDialogGroupAddDialog(SKCtlDialogGroup* group, SKCtlDialog* dialog);
void DestroyKCtlDialogGroup(SKCtlDialogGroup* group);  // frees the members, not the descriptions
void KCtlDialogGroupGetSize(SKCtlDialogGroup* group, ASInt32* width, ASInt32* height);

// ---- Run data

SKCtlData* KCtlCreateData(SKCtlDialog* dialog);
void KCtlDataSetExportCab(SKCtlData* data, SKCab* exportCab, SKCab* posCab);
void KCtlDataSetGroup(SKCtlData* data, SKCtlDialogGroup* group, ASBool flag);
void KCtlDestroyData(SKCtlData* data);
// The element's record in this run, appended when missing.
SKCtlElemInfo* KCtlElemFindInfo(SKCtlData* data, SKCtlElem* element);
// Every record of the run in the order made (for the Mac layer).
ASInt32 KCtlDataInfoCount(SKCtlData* data);
SKCtlElemInfo* KCtlDataInfoAt(SKCtlData* data, ASInt32 index);

void KCtlDestroyDialog(SKCtlDialog* dialog);

// ---- Small shared helpers

// An owned copy (host allocator, raising); null stays null.
char* KCtlCopyString(const char* text);
// Integers as the edit fields read them: leading blanks skipped, an optional
// sign, decimal digits. With whole, nothing but trailing blanks may follow;
// else what follows is ignored. False when there are no digits or the value
// leaves the 32-bit range.
ASBool KCtlParseInt32(const char* text, ASInt32* value, ASBool whole);
