// Loading, storing and verifying element values; filling pulldowns, lists
// and trees from item lists.
#include "kctl/KCtlExport.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/Scratch.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/DialogHelpers.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/MacListBox.h"
#include "kctl/mac/MacTree.h"
#include "platform/PfSystem.h"

namespace {

constexpr size_t kIntTextBytes = 20;
constexpr size_t kRealTextBytes = 30;
constexpr size_t kStringTextBytes = 10000;

ASInt32 IdOf(SKCtlData* data, SKCtlElem* e) { return KCtlPlatformGetElemControlId(data, e); }

bool HiddenNow(SKCtlData* data, SKCtlElem* e) {
  SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
  return i->hiddenBySelf || i->hiddenByParent;
}

bool ShownAndEnabled(SKCtlData* data, SKCtlElem* e) {
  SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
  return !i->hiddenBySelf && !i->hiddenByParent && !i->disabled;
}

// The control's UTF-8 text, at most bytes long.
std::vector<char> ReadText(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, size_t bytes) {
  std::vector<char> text(bytes + 1, 0);
  if (dialog) MacDialogGetItemTextUTF8(dialog, IdOf(data, e), text.data(), (ASInt32)text.size());
  return text;
}

bool ItemKey(SKCab* item, ASAtom* key) {
  if (!item || KCabGetType(item, "E") != kKCabTypeAtom) return false;
  *key = KCabGetAtom(item, "E", ASAtomNull);
  return true;
}

// The item cabinet attached to an entry; 0 and all-ones mean none.
SKCab* AttachedItem(SMacDialogInfo* dialog, ASInt32 id, ASInt32 index) {
  if (!dialog || index < 0) return nullptr;
  intptr_t d = MacMenuGetAttachedData(dialog, id, index);
  if (d == 0 || d == (intptr_t)-1) return nullptr;
  return reinterpret_cast<SKCab*>(d);
}

// A cabinet that lives as long as the run's record of the element.
SKCab* KeptItems(SKCtlData* data, SKCtlElem* e) {
  SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
  if (!i->keptItems) i->keptItems = KCabNewInner();
  return i->keptItems;
}

void AdoptList(SKCtlData* data, SKCtlElem* element, SKCab* list) {
  if (element->itemList == list) return;
  if ((element->flags & kKCtlFlagOwnsItemList) && element->itemList) {
    // Entries that were not cleared may still point into the old list: it
    // stays with the run until the run ends.
    KCabPutCab(KeptItems(data, element), "", element->itemList);
  }
  element->itemList = list;
}

void ShowInt(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, ASInt32 v) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", (long)v);
  if (dialog) KCtlPlatformSetControlText(dialog, data, e, text);
}

// Selecting in a pulldown from an item sub-cabinet: by its "E"; an unknown
// item is appended when the element asks for it.
ASBool PulldownSelectItem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* item) {
  ASAtom key;
  if (ItemKey(item, &key) && KCtlPulldownSelectByKey(dialog, data, e, key)) return 1;
  if (!(e->flags & kKCtlFlagAppendUnknown) || !dialog) return 0;
  const char* s = KCabGetString(item, "S");
  if (!s) return 0;
  // The stored cabinet belongs to the export cabinet, which may replace it:
  // the entry points to a copy of the run's own.
  SKCab* copy = KCabDup(item);
  KCabPutCab(KeptItems(data, e), "", copy);
  ASInt32 id = IdOf(data, e);
  MacMenuUpdateStart(dialog, id);
  ASInt32 index = MacMenuAddItemUTF8(dialog, id, s);
  MacMenuAttachData(dialog, id, index, reinterpret_cast<intptr_t>(copy));
  MacMenuSetCurSel(dialog, id, index);
  MacMenuUpdateComplete(dialog, id);
  KCtlDoAction(dialog, data, e, kKCtlTriggerSelectionChanged);
  return 1;
}

ASBool ListSelectItem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* item) {
  ASAtom key;
  return ItemKey(item, &key) ? KCtlListSelectByKey(dialog, data, e, key) : 0;
}

ASBool LoadList(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* cab, const char* key) {
  SKCtlExport* ex = e->exportRec;
  ASInt32 id = IdOf(data, e);
  if (e->flags & kKCtlFlagMultiSelect) {
    if (dialog) MacListBoxMultiClearSelect(dialog, id);
    SKCab* stored = KCabGetCab(cab, key);
    if (!stored) return 0;
    if (KCabGetAtom(stored, "Type", ASAtomNull) == ASAtomFromString(kKCtlMultiListType)) {
      ASBool any = 0;
      for (long n = 0;; ++n) {
        SKCab* item = KCabGetCabNumKey(stored, n);
        if (!item) break;
        if (ListSelectItem(dialog, data, e, item)) any = 1;
      }
      return any;
    }
    return ListSelectItem(dialog, data, e, stored);
  }
  if (ex->kind == kKCtlExportListAtom) {
    if (KCabGetType(cab, key) != kKCabTypeAtom) return 0;
    return KCtlListSelectByKey(dialog, data, e, KCabGetAtom(cab, key, ASAtomNull));
  }
  SKCab* stored = KCabGetCab(cab, key);
  return stored ? ListSelectItem(dialog, data, e, stored) : 0;
}

void LoadPulldown(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* cab, const char* key) {
  SKCtlExport* ex = e->exportRec;
  if (ex->kind == kKCtlExportListAtom) {
    if (KCabGetType(cab, key) == kKCabTypeAtom)
      KCtlPulldownSelectByKey(dialog, data, e, KCabGetAtom(cab, key, ASAtomNull));
  } else if (ex->kind == kKCtlExportPulldownString) {
    const char* s = KCabGetString(cab, key);
    if (!s) return;
    ASAtom k = KCtlSearchItemListForStringGetKey(e->itemList, s, 0);
    if (k == ASAtomNull) k = KCtlSearchItemListForStringGetKey(e->itemList, s, 1);
    if (k != ASAtomNull) KCtlPulldownSelectByKey(dialog, data, e, k);
  } else if (SKCab* item = KCabGetCab(cab, key)) {
    PulldownSelectItem(dialog, data, e, item);
  }
}

void LoadOne(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* cab) {
  KCtlDoAction(dialog, data, e, kKCtlTriggerBeforeLoad);
  SKCtlExport* ex = e->exportRec;
  if (ex && ex->key && (!data->onlyKnownKeys || KCabKnown(cab, ex->key))) {
    const char* key = ex->key;
    ASInt32 id = IdOf(data, e);
    if (ex->kind == kKCtlExportProc) {
      if (ex->proc) ex->proc(dialog, id, kKCtlExportLoad, cab, key, ex->user);
    } else {
      switch (e->type) {
        case kKCtlStaticText:
        case kKCtlEditText:
          if (ex->kind == kKCtlExportInt) {
            ASInt32 v = KCabGetInt(cab, key, 0);
            if (ex->param1 != 0 || ex->param2 != 0) {
              // Without a maximum the range is open above.
              if (v < ex->param1)
                v = ex->param1;
              else if (ex->param2 != 0 && v > ex->param2)
                v = ex->param2;
            }
            ShowInt(dialog, data, e, v);
          } else if (ex->kind == kKCtlExportByType || ex->kind == kKCtlExportString) {
            const char* s = KCabGetString(cab, key);
            if (s && dialog) KCtlPlatformSetControlText(dialog, data, e, s);
          } else if (ex->kind == kKCtlExportReal) {
            double v = KCabGetNumber(cab, key, 0.0);
            if (ex->realMin != 0 || ex->realMax != 0) {
              if (v < ex->realMin)
                v = ex->realMin;
              else if (ex->realMax != 0 && v > ex->realMax)
                v = ex->realMax;
            }
            if (dialog) SetControlTextFromDouble4p(dialog, id, v);
          }
          break;
        case kKCtlCheckBox: {
          bool on = KCabGetType(cab, key) == kKCabTypeBool ? KCabGetBool(cab, key, 0) != 0
                                                            : (e->flags & kKCtlFlagChecked) != 0;
          KCtlSetOrClearCheckBoxById(dialog, data, id, on ? 1 : 0);
          break;
        }
        case kKCtlRadioButton:
          if (ex->kind == kKCtlExportBoolean) {
            if (KCabGetType(cab, key) == kKCabTypeBool && (KCabGetBool(cab, key, 0) != 0) == (ex->param1 != 0))
              KCtlSetOneRadioButtonInGroupById(dialog, data, id);
          } else if (KCabGetType(cab, key) == kKCabTypeAtom &&
                     KCabGetAtom(cab, key, ASAtomNull) == (ASAtom)ex->param1) {
            KCtlSetOneRadioButtonInGroupById(dialog, data, id);
          }
          break;
        case kKCtlPulldown:
          LoadPulldown(dialog, data, e, cab, key);
          break;
        case kKCtlListBox:
          LoadList(dialog, data, e, cab, key);
          break;
        default:
          break;
      }
    }
  }
  KCtlDoAction(dialog, data, e, kKCtlTriggerAfterLoad);
}

struct Nesting {
  SKCtlData* data;
  explicit Nesting(SKCtlData* d) : data(d) { ++data->loadNesting; }
  ~Nesting() { --data->loadNesting; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
};

void LoadTree(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* first, SKCab* cab) {
  for (SKCtlElem* e = first; e; e = e->nextSibling) {
    if ((e->flags & kKCtlFlagSkipLoadHidden) && HiddenNow(data, e)) continue;
    {
      Nesting n(data);
      LoadOne(dialog, data, e, cab);
    }
    LoadTree(dialog, data, e->firstChild, cab);
  }
}

void LoadAll(SMacDialogInfo* dialog, SKCtlData* data, SKCab* cab) {
  Nesting n(data);
  LoadTree(dialog, data, data->dialog->root, cab);
}

SKCab* MultiSelection(SMacDialogInfo* dialog, ASInt32 id) {
  SKCab* out = KCabNewInner();
  DURING
    KCabPutAtom(out, "Type", ASAtomFromString(kKCtlMultiListType));
    ASInt32 count = dialog ? MacListBoxMultiGetSelCount(dialog, id) : 0;
    if (count > 0) {
      std::vector<ASInt32> rows((size_t)count);
      count = MacListBoxMultiGetSelectedIndexList(dialog, id, rows.data(), count);
      for (ASInt32 k = 0; k < count; ++k)
        if (SKCab* item = AttachedItem(dialog, id, rows[(size_t)k])) KCabPutCab(out, "", KCabDup(item));
    }
  HANDLER
    KCabDestroy(out);
    RERAISE();
  END_HANDLER
  return out;
}

void StoreItem(SKCab* cab, const char* key, ASInt32 kind, SKCab* item) {
  if (!item) return;
  if (kind == kKCtlExportListAtom) {
    ASAtom k;
    if (ItemKey(item, &k)) KCabPutAtom(cab, key, k);
  } else if (kind == kKCtlExportPulldownString) {
    if (const char* s = KCabGetString(item, "S")) KCabPutStringCopy(cab, key, s);
  } else {
    KCabPutCab(cab, key, KCabDup(item));
  }
}

void StoreOne(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, SKCab* cab) {
  if (!(e->flags & kKCtlFlagStoreAlways) && !ShownAndEnabled(data, e)) return;
  SKCtlExport* ex = e->exportRec;
  if (ex && ex->key) {
    const char* key = ex->key;
    ASInt32 id = IdOf(data, e);
    if (ex->kind == kKCtlExportProc) {
      if (ex->proc) ex->proc(dialog, id, kKCtlExportStore, cab, key, ex->user);
    } else {
      switch (e->type) {
        case kKCtlStaticText:
        case kKCtlEditText:
          if (ex->kind == kKCtlExportInt) {
            ASInt32 v = 0;
            if (!StringToInt32(ReadText(dialog, data, e, kIntTextBytes).data(), &v)) v = 0;
            KCabPutInt(cab, key, v);
          } else if (ex->kind == kKCtlExportReal) {
            double v = 0;
            if (!StringToFloat(ReadText(dialog, data, e, kRealTextBytes).data(), &v)) v = 0;
            KCabPutDouble(cab, key, v);
          } else if (ex->kind == kKCtlExportByType || ex->kind == kKCtlExportString) {
            KCabPutStringCopy(cab, key, ReadText(dialog, data, e, kStringTextBytes).data());
          }
          break;
        case kKCtlCheckBox:
          KCabPutBool(cab, key, dialog && MacDialogItemIsChecked(dialog, id) ? 1 : 0);
          break;
        case kKCtlRadioButton:
          if (dialog && MacDialogItemIsChecked(dialog, id)) {
            if (ex->kind == kKCtlExportBoolean)
              KCabPutBool(cab, key, ex->param1 ? 1 : 0);
            else if (ex->param1 != 0)
              KCabPutAtom(cab, key, (ASAtom)ex->param1);
          }
          break;
        case kKCtlPulldown:
          if (dialog) {
            // An entry without a key names no value: nothing is put.
            SKCab* item = AttachedItem(dialog, id, MacMenuGetCurSel(dialog, id));
            ASAtom itemKey;
            if (ItemKey(item, &itemKey)) StoreItem(cab, key, ex->kind, item);
          }
          break;
        case kKCtlListBox:
          if (e->flags & kKCtlFlagMultiSelect)
            KCabPutCab(cab, key, MultiSelection(dialog, id));
          else if (dialog)
            StoreItem(cab, key, ex->kind == kKCtlExportListAtom ? ex->kind : kKCtlExportByType,
                      AttachedItem(dialog, id, MacListBoxGetSelectedIndex(dialog, id)));
          break;
        default:
          break;
      }
    }
  }
  KCtlDoAction(dialog, data, e, kKCtlTriggerStored);
}

void StoreTree(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* first, SKCab* cab) {
  for (SKCtlElem* e = first; e; e = e->nextSibling) {
    StoreOne(dialog, data, e, cab);
    StoreTree(dialog, data, e->firstChild, cab);
  }
}

// False when the element refuses its value.
bool VerifyOne(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e) {
  SKCtlExport* ex = e->exportRec;
  if (!ex || !ex->key || !ShownAndEnabled(data, e)) return true;
  ASInt32 id = IdOf(data, e);
  if (ex->kind == kKCtlExportProc)
    return !ex->proc || ex->proc(dialog, id, kKCtlExportVerify, data->exportCab, ex->key, ex->user) != 1;
  if (e->type != kKCtlEditText) return true;
  if (ex->kind == kKCtlExportInt) {
    ASInt32 v;
    if (!StringToInt32(ReadText(dialog, data, e, kIntTextBytes).data(), &v)) return false;
    return ex->param2 == 0 || (v >= ex->param1 && v <= ex->param2);
  }
  if (ex->kind == kKCtlExportReal) {
    double v;
    if (!StringToFloat(ReadText(dialog, data, e, kRealTextBytes).data(), &v) || !std::isfinite(v)) return false;
    return ex->realMax == 0 || (v >= ex->realMin && v <= ex->realMax);
  }
  if (ex->kind == kKCtlExportByType || ex->kind == kKCtlExportString) {
    if (ex->param2 <= 0) return true;
    return std::strlen(ReadText(dialog, data, e, kStringTextBytes).data()) <= (size_t)ex->param2;
  }
  return true;
}

bool VerifyTree(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* first, SKCtlElem** failed) {
  for (SKCtlElem* e = first; e; e = e->nextSibling) {
    if (!VerifyOne(dialog, data, e)) {
      *failed = e;
      return false;
    }
    if (!VerifyTree(dialog, data, e->firstChild, failed)) return false;
  }
  return true;
}

}  // namespace

ASBool KCtlParseInt32(const char* text, ASInt32* value, ASBool whole) {
  ASInt32 v;
  if (!StringToInt32(text, &v)) return 0;
  if (whole) {
    // Past the number StringToInt32 read: blanks, a sign and digits.
    const char* p = text;
    while (std::isspace((unsigned char)*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    while (std::isdigit((unsigned char)*p)) ++p;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p) return 0;
  }
  if (value) *value = v;
  return 1;
}

// ---- Loading and storing

void KCtlLoadElementsFromCab(SMacDialogInfo* dialog, SKCtlData* data, ASBool withPosition) {
  if (!data) return;
  if (withPosition && data->posCab && dialog) {
    ASInt32 x = KCabGetInt(data->posCab, "PosX", -99999);
    ASInt32 y = KCabGetInt(data->posCab, "PosY", -99999);
    if (x != -99999 && y != -99999)
      SetVisibleDialogPos(dialog, x, y);
    else
      CentreDialog(dialog);
  }
  if (data->exportCab) LoadAll(dialog, data, data->exportCab);
}

void KCtlLoadElementsFromSpecificCab(SMacDialogInfo* dialog, SKCab* cab) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !cab) return;
  SKCab* saved = data->exportCab;
  ASBool savedOnly = data->onlyKnownKeys;
  data->exportCab = cab;
  data->onlyKnownKeys = 1;
  DURING
    LoadAll(dialog, data, cab);
  HANDLER
    data->exportCab = saved;
    data->onlyKnownKeys = savedOnly;
    RERAISE();
  END_HANDLER
  data->exportCab = saved;
  data->onlyKnownKeys = savedOnly;
}

SKCab* KCtlStoreElementsToCab(SMacDialogInfo* dialog, SKCtlData* data, ASBool withPosition) {
  if (!data) return nullptr;
  if (withPosition) KCtlStorePos(dialog, data);
  if (data->exportCab) StoreTree(dialog, data, data->dialog->root, data->exportCab);
  return data->exportCab;
}

SKCab* KCtlAdvanceExport(SMacDialogInfo* dialog, SKCab* cab, ASBool copyFirst) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !cab) return cab;
  if (copyFirst && data->exportCab && data->exportCab != cab) KCabCopy(data->exportCab, cab);
  SKCab* saved = data->exportCab;
  data->exportCab = cab;
  DURING
    StoreTree(dialog, data, data->dialog->root, cab);
  HANDLER
    data->exportCab = saved;
    RERAISE();
  END_HANDLER
  data->exportCab = saved;
  return cab;
}

SKCtlElem* KCtlLastRefusedElement(SMacDialogInfo* dialog) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  return data && data->dialog ? data->refused : nullptr;
}

ASBool KCtlVerifyElements(SMacDialogInfo* dialog, SKCtlData* data) {
  if (data) data->refused = nullptr;
  if (!data || !data->exportCab) return 1;
  SKCtlElem* failed = nullptr;
  if (VerifyTree(dialog, data, data->dialog->root, &failed)) return 1;
  data->refused = failed;
  PfSysBeep();
  if (dialog) MacDialogSelectEditItem(dialog, IdOf(data, failed));
  return 0;
}

ASInt32 KCtlCallCustomExportProc(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASInt32 callKind,
                                 SKCab* cab) {
  if (!element || !element->exportRec || element->exportRec->kind != kKCtlExportProc || !element->exportRec->proc)
    return 1;
  if (!cab && data) cab = data->exportCab;
  ASInt32 id = data ? IdOf(data, element) : -1;
  return element->exportRec->proc(dialog, id, callKind, cab, element->exportRec->key, element->exportRec->user);
}

// ---- Filling

namespace {

// Adds an entry for every item with a display text, the item itself attached
// to it: the list must outlive the entries.
void AddAttachedEntries(SMacDialogInfo* dialog, ASInt32 id, SKCab* list,
                        ASInt32 (*add)(SMacDialogInfo*, ASInt32, const char*)) {
  struct Fill {
    SMacDialogInfo* dialog;
    ASInt32 id;
    ASInt32 (*add)(SMacDialogInfo*, ASInt32, const char*);
  } fill{dialog, id, add};
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* p) -> ASBool {
        Fill* f = static_cast<Fill*>(p);
        const char* s = KCabGetString(item, "S");
        if (!s) return 1;
        ASInt32 index = f->add(f->dialog, f->id, s);
        if (index >= 0) MacMenuAttachData(f->dialog, f->id, index, reinterpret_cast<intptr_t>(item));
        return 1;
      },
      &fill);
}

}  // namespace

void KCtlFillPulldownFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list,
                              ASBool clear, ASBool adopt) {
  if (!element) return;
  if (dialog) {
    ASInt32 id = IdOf(data, element);
    MacMenuUpdateStart(dialog, id);
    if (clear) MacMenuClear(dialog, id);
    AddAttachedEntries(dialog, id, list, MacMenuAddItemUTF8);
    MacMenuUpdateComplete(dialog, id);
  }
  if (adopt) AdoptList(data, element, list);
}

void KCtlFillPulldownFromKCabById(SMacDialogInfo* dialog, ASInt32 id, SKCab* list, ASBool clear, ASBool adopt) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return;
  KCtlFillPulldownFromKCab(dialog, data, KCtlPlatformGetElemFromControlId(data, id), list, clear, adopt);
}

void KCtlFillListBoxFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list,
                             ASBool clear, ASBool adopt) {
  if (!element) return;
  if (dialog) {
    ASInt32 id = IdOf(data, element);
    if (clear) MacListBoxClear(dialog, id);
    AddAttachedEntries(dialog, id, list, MacListBoxAddItemUTF8);
    MacListBoxEndUpdate(dialog, id);
  }
  if (adopt) AdoptList(data, element, list);
}

void KCtlFillTreeFromKCab(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, SKCab* list, ASBool clear,
                          ASBool adopt) {
  if (!element) return;
  if (dialog) {
    ASInt32 id = IdOf(data, element);
    SKCtlElemInfo* info = KCtlElemFindInfo(data, element);
    if (clear) {
      // The tree never owns what is attached to its rows; the run's copies go
      // once the rows are gone.
      MacTreeClear(dialog, id);
      if (info->treeCopies) KCabMakeEmpty(info->treeCopies);
    }
    if (!info->treeCopies) info->treeCopies = KCabNewInner();
    struct Fill {
      SMacDialogInfo* dialog;
      ASInt32 id;
      SKCab* copies;
    } fill{dialog, id, info->treeCopies};
    KCtlForEachListItem(
        list,
        [](SKCab* item, void* p) -> ASBool {
          Fill* f = static_cast<Fill*>(p);
          const char* s = KCabGetString(item, "S");
          if (!s) return 1;
          ASInt32 index = MacTreeAddItemUtf8(f->dialog, f->id, s, KCabGetInt(item, "I", 0));
          SKCab* copy = KCabDup(item);
          KCabPutCab(f->copies, "", copy);
          MacTreeAttachCab(f->dialog, f->id, index, copy);
          return 1;
        },
        &fill);
    MacTreeEndUpdate(dialog, id);
  }
  if (adopt) AdoptList(data, element, list);
}

// ---- Selecting

ASBool KCtlPulldownSelectByKey(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASAtom key) {
  if (!dialog || !element) return 0;
  ASInt32 id = IdOf(data, element);
  ASInt32 count = MacMenuCountItems(dialog, id);
  for (ASInt32 k = 0; k < count; ++k) {
    ASAtom itemKey;
    if (ItemKey(AttachedItem(dialog, id, k), &itemKey) && itemKey == key) {
      MacMenuSetCurSel(dialog, id, k);
      KCtlDoAction(dialog, data, element, kKCtlTriggerSelectionChanged);
      return 1;
    }
  }
  return 0;
}

ASBool KCtlListSelectByKey(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASAtom key) {
  if (!dialog || !element) return 0;
  ASInt32 id = IdOf(data, element);
  ASInt32 count = MacListBoxCountItems(dialog, id);
  for (ASInt32 row = 0; row < count; ++row) {
    ASAtom itemKey;
    if (ItemKey(AttachedItem(dialog, id, row), &itemKey) && itemKey == key) {
      if (element->flags & kKCtlFlagMultiSelect)
        MacListBoxMultiSelectItem(dialog, id, row, 1);
      else
        MacListBoxSetSelectedIndex(dialog, id, row);
      return 1;
    }
  }
  return 0;
}

SKCab* KCtlGetSelectedPulldownItem(SMacDialogInfo* dialog, ASInt32 id) {
  if (!dialog) return nullptr;
  return AttachedItem(dialog, id, MacMenuGetCurSel(dialog, id));
}

ASAtom KCtlGetSelectedPulldownItemKey(SMacDialogInfo* dialog, ASInt32 id) {
  ASAtom key;
  return ItemKey(KCtlGetSelectedPulldownItem(dialog, id), &key) ? key : ASAtomNull;
}

ASBool PulldownSelectFromKeyById(SMacDialogInfo* dialog, ASInt32 id, ASAtom key) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return 0;
  return KCtlPulldownSelectByKey(dialog, data, KCtlPlatformGetElemFromControlId(data, id), key);
}
