// The dialog model: descriptions, elements, export records, actions, item
// lists, dialog groups and run data, and how they are freed.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlMac.h"

// The run's per-element records: in the order made, found by element.
struct SKCtlInfoTable {
  std::vector<SKCtlElemInfo*> order;
  std::unordered_map<SKCtlElem*, SKCtlElemInfo*> byElem;
};

namespace {

template <typename T>
T* NewZeroed() {
  void* p = ASmallocWithException(sizeof(T));
  std::memset(p, 0, sizeof(T));
  return static_cast<T*>(p);
}

// Parses "![part;part...]": each part is w or h, = or +, then decimal digits.
bool ParseEscape(const char* text, SKCtlSizeEscape* out, const char** rest) {
  SKCtlSizeEscape e{-1, -1, 0, 0};
  if (!text || text[0] != '!' || text[1] != '[' || !std::strchr(text + 2, ']')) return false;
  const char* p = text + 2;
  for (;;) {
    char which = *p++;
    if (which != 'w' && which != 'h') return false;
    char op = *p++;
    if (op != '=' && op != '+') return false;
    if (!std::isdigit((unsigned char)*p)) return false;
    ASInt32 n = 0;
    while (std::isdigit((unsigned char)*p)) {
      n = n * 10 + (*p++ - '0');
      // The values live in 16-bit fields: a larger one is no size at all.
      if (n > 32767) return false;
    }
    if (which == 'w')
      (op == '=' ? e.width : e.extraWidth) = n;
    else
      (op == '=' ? e.height : e.extraHeight) = n;
    if (*p == ';') {
      ++p;
      continue;
    }
    if (*p != ']') return false;
    ++p;
    break;
  }
  if (out) *out = e;
  if (rest) *rest = p;
  return true;
}

SKCtlAction* AppendAction(SKCtlElem* element, ASInt32 trigger, ASInt32 action) {
  SKCtlAction* a = NewZeroed<SKCtlAction>();
  a->trigger = trigger;
  a->action = action;
  SKCtlAction** at = &element->actions;
  while (*at) at = &(*at)->next;
  *at = a;
  return a;
}

SKCtlExport* ExportOf(SKCtlElem* element) {
  if (!element->exportRec) element->exportRec = NewZeroed<SKCtlExport>();
  return element->exportRec;
}

void FreeElementList(SKCtlElem* element) {
  while (element) {
    SKCtlElem* next = element->nextSibling;
    FreeElementList(element->firstChild);
    ASfree(element->text);
    if (SKCtlExport* ex = element->exportRec) {
      if (ex->kind == kKCtlExportProc && ex->proc)
        ex->proc(nullptr, -1, kKCtlExportDestroy, nullptr, nullptr, ex->user);
      if (element->flags & kKCtlFlagOwnsKey) ASfree(ex->key);
      ASfree(ex);
    }
    for (SKCtlAction* a = element->actions; a; a = a->next)
      if (a->callback && (a->trigger == kKCtlTriggerDescriptionDestroyed || a->trigger == kKCtlTriggerAny) &&
          (a->action == kKCtlActionCall || a->action == kKCtlActionLoadAndCall))
        a->callback(nullptr, -1, kKCtlTriggerDescriptionDestroyed, a->user);
    for (SKCtlAction* a = element->actions; a;) {
      SKCtlAction* n = a->next;
      ASfree(a);
      a = n;
    }
    if ((element->flags & kKCtlFlagOwnsItemList) && element->itemList) KCabDestroy(element->itemList);
    ASfree(element->tooltip);
    ASfree(element);
    element = next;
  }
}

struct ItemWalk {
  KCtlItemProc proc;
  void* data;
};

ASBool ItemEnum(SKCab* cab, const char* key, ASInt32 type, void* data) {
  if (type != kKCabTypeCab) return 1;
  ItemWalk* w = static_cast<ItemWalk*>(data);
  SKCab* item = KCabGetCab(cab, key);
  return item ? w->proc(item, w->data) : 1;
}

// The item's key when "E" holds an atom.
bool ItemKey(SKCab* item, ASAtom* key) {
  if (KCabGetType(item, "E") != kKCabTypeAtom) return false;
  *key = KCabGetAtom(item, "E", ASAtomNull);
  return true;
}

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower((unsigned char)*a) != std::tolower((unsigned char)*b)) return false;
  return *a == *b;
}

}  // namespace

char* KCtlCopyString(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text);
  char* copy = static_cast<char*>(ASmallocWithException(n + 1));
  std::memcpy(copy, text, n + 1);
  return copy;
}

ASBool KCtlParseSizeEscape(const char* text, SKCtlSizeEscape* escape, const char** rest) {
  return ParseEscape(text, escape, rest) ? 1 : 0;
}

// ---- Building

SKCtlDialog* KCtlNewDialog(const char* title, ASUns32 flags) {
  SKCtlDialog* d = NewZeroed<SKCtlDialog>();
  d->flags = flags;
  d->radioGroupCounter = 0x7fffffff;
  DURING
    SKCtlSizeEscape e;
    const char* rest = nullptr;
    if (title && ParseEscape(title, &e, &rest)) {
      if (e.width > 0) d->suggestedWidth = e.width;
      if (e.height > 0) d->suggestedHeight = e.height;
      d->extraWidth = e.extraWidth;
      d->extraHeight = e.extraHeight;
      d->title = KCtlCopyString(rest);
    } else {
      d->title = KCtlCopyString(title);
    }
    d->privateCab = KCabNewInner();
  HANDLER
    ASfree(d->title);
    ASfree(d);
    RERAISE();
  END_HANDLER
  return d;
}

SKCtlElem* KCtlAddNewElement(SKCtlDialog* dialog, ASInt32 type, ASUns32 flags, ASInt16 controlId, const char* text,
                             SKCtlElem* parent) {
  char* copy = KCtlCopyString(text);
  SKCtlElem* e;
  DURING
    e = NewZeroed<SKCtlElem>();
  HANDLER
    ASfree(copy);
    RERAISE();
  END_HANDLER
  e->dialog = dialog;
  e->type = type;
  e->flags = flags;
  e->text = copy;
  e->controlId = controlId;
  SKCtlElem** first = parent ? &parent->firstChild : &dialog->root;
  if (!*first) {
    *first = e;
  } else {
    SKCtlElem* last = *first;
    while (last->nextSibling) last = last->nextSibling;
    last->nextSibling = e;
    e->prevSibling = last;
  }
  if (dialog->chainLast)
    dialog->chainLast->nextInChain = e;
  else
    dialog->chainFirst = e;
  dialog->chainLast = e;
  return e;
}

SKCtlElem* KCtlAddNewElementWithResourceRef(SKCtlDialog* dialog, ASInt32 type, ASUns32 flags, ASInt16 controlId,
                                            ASInt32 resourceId, SKCtlElem* parent) {
  SKCtlElem* e = KCtlAddNewElement(dialog, type, flags, controlId, nullptr, parent);
  e->resourceId = resourceId;
  return e;
}

SKCtlElem* KCtlForceElementSize(ASInt16 width, ASInt16 height, SKCtlElem* element) {
  element->forcedWidth = width;
  element->forcedHeight = height;
  return element;
}

SKCtlElem* KCtlSetFixedPosition(ASInt16 x, ASInt16 y, SKCtlElem* element) {
  element->fixedX = x;
  element->fixedY = y;
  return element;
}

SKCtlElem* KCtlRadioButtonSetGroup(ASUns32 code, SKCtlElem* element) {
  element->radioGroup = code;
  return element;
}

SKCtlElem* KCtlElemSetItemList(SKCab* list, SKCtlElem* element) {
  if (element->flags & kKCtlFlagOwnsItemList) {
    if (element->itemList && element->itemList != list) KCabDestroy(element->itemList);
  }
  element->itemList = list;
  return element;
}

SKCtlElem* KCtlElemSetTooltip(const char* text, SKCtlElem* element) {
  char* copy = KCtlCopyString(text);
  ASfree(element->tooltip);
  element->tooltip = copy;
  return element;
}

ASUns32 KCtlDialogNewButtonGroupCode(SKCtlDialog* dialog) { return (ASUns32)--dialog->radioGroupCounter; }

void KCtlDialogSuggestSize(SKCtlDialog* dialog, ASInt32 width, ASInt32 height) {
  if (dialog->suggestedWidth == 0) dialog->suggestedWidth = width;
  if (dialog->suggestedHeight == 0) dialog->suggestedHeight = height;
}

SKCtlElem* KCtlSetExportKey(const char* key, SKCtlElem* element) {
  char* owned = nullptr;
  if (element->flags & kKCtlFlagOwnsKey) owned = KCtlCopyString(key ? key : "");
  SKCtlExport* ex;
  DURING
    ex = ExportOf(element);
  HANDLER
    ASfree(owned);
    RERAISE();
  END_HANDLER
  if (element->flags & kKCtlFlagOwnsKey) {
    ASfree(ex->key);
    ex->key = owned;
  } else {
    ex->key = const_cast<char*>(key);
  }
  return element;
}

SKCtlElem* KCtlSetExportKeyAtom(const char* key, ASAtom atom, SKCtlElem* element) {
  if (!key) return element;
  KCtlSetExportKey(key, element);
  element->exportRec->param1 = (ASInt32)atom;
  return element;
}

SKCtlElem* KCtlSetExportKeyEditString(const char* key, ASInt32 maxLength, SKCtlElem* element) {
  KCtlSetExportKey(key, element);
  element->exportRec->kind = kKCtlExportString;
  element->exportRec->param2 = maxLength;
  return element;
}

SKCtlElem* KCtlSetExportKeyEditInt(const char* key, ASInt32 minimum, ASInt32 maximum, SKCtlElem* element) {
  KCtlSetExportKey(key, element);
  element->exportRec->kind = kKCtlExportInt;
  element->exportRec->param1 = minimum;
  element->exportRec->param2 = maximum;
  return element;
}

SKCtlElem* KCtlSetExportKeyListAtom(const char* key, SKCtlElem* element) {
  KCtlSetExportKey(key, element);
  element->exportRec->kind = kKCtlExportListAtom;
  return element;
}

SKCtlElem* KCtlSetExportKeyBoolean(const char* key, ASBool value, SKCtlElem* element) {
  KCtlSetExportKey(key, element);
  element->exportRec->kind = kKCtlExportBoolean;
  element->exportRec->param1 = value ? 1 : 0;
  return element;
}

SKCtlElem* KCtlSetExportKeyProc(const char* key, KCtlExportCallBack proc, void* user, SKCtlElem* element) {
  KCtlSetExportKey(key, element);
  element->exportRec->kind = kKCtlExportProc;
  element->exportRec->proc = proc;
  element->exportRec->user = user;
  return element;
}

SKCtlElem* KCtlSetActionCallback(SKCtlElem* element, ASInt32 trigger, KCtlActionCallBack callback, void* user) {
  SKCtlAction* a = AppendAction(element, trigger, kKCtlActionCall);
  a->callback = callback;
  a->user = user;
  return element;
}

SKCtlElem* KCtlSetActionId(SKCtlElem* element, ASInt32 trigger, ASInt32 action, ASInt16 id) {
  AppendAction(element, trigger, action)->targetId = id;
  return element;
}

SKCtlElem* KCtlSetActionElem(SKCtlElem* element, ASInt32 trigger, ASInt32 action, SKCtlElem* target) {
  AppendAction(element, trigger, action)->target = target;
  return element;
}

SKCtlElem* KCtlSetActionIdKey(SKCtlElem* element, ASInt32 trigger, ASInt32 action, ASInt16 id, ASAtom key) {
  SKCtlAction* a = AppendAction(element, trigger, action);
  a->targetId = id;
  a->key = key;
  return element;
}

SKCtlElem* KCtlSetActionVisibleIfCheckedId(SKCtlElem* element, ASInt16 id) {
  KCtlSetActionId(element, kKCtlTriggerChecked, kKCtlActionShow, id);
  return KCtlSetActionId(element, kKCtlTriggerUnchecked, kKCtlActionHide, id);
}

SKCtlElem* KCtlSetActionVisibleIfCheckedElem(SKCtlElem* element, SKCtlElem* target) {
  KCtlSetActionElem(element, kKCtlTriggerChecked, kKCtlActionShow, target);
  return KCtlSetActionElem(element, kKCtlTriggerUnchecked, kKCtlActionHide, target);
}

SKCtlElem* KCtlSetActionEnabledIfCheckedElem(SKCtlElem* element, SKCtlElem* target) {
  KCtlSetActionElem(element, kKCtlTriggerChecked, kKCtlActionEnable, target);
  return KCtlSetActionElem(element, kKCtlTriggerUnchecked, kKCtlActionDisable, target);
}

// ---- Item lists

SKCab* KCtlAddListItemToCab(SKCab* list, const char* text, ASAtom key) {
  SKCab* item = KCabNewInner();
  DURING
    KCabPutStringCopy(item, "S", text);
    KCabPutAtom(item, "E", key);
  HANDLER
    KCabDestroy(item);
    RERAISE();
  END_HANDLER
  KCabPutCab(list, "", item);
  return item;
}

void KCtlForEachListItem(SKCab* list, KCtlItemProc proc, void* data) {
  if (!list || !proc) return;
  ItemWalk w{proc, data};
  KCabConstEnum(list, ItemEnum, &w);
}

SKCab* KCtlSortItemList(SKCab* list) {
  struct Entry {
    std::string key;
    std::string text;
  };
  std::vector<Entry> entries;
  auto collect = [](SKCab* cab, const char* key, ASInt32 type, void* data) -> ASBool {
    if (type != kKCabTypeCab) return 1;
    SKCab* item = KCabGetCab(cab, key);
    const char* s = item ? KCabGetString(item, "S") : nullptr;
    if (s) static_cast<std::vector<Entry>*>(data)->push_back({key, s});
    return 1;
  };
  if (list) KCabConstEnum(list, collect, &entries);
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return CompareUTF8Strings(a.text.c_str(), b.text.c_str()) < 0;
  });
  // The list is the sort's from the call on: it goes also when the sort fails.
  SKCab* sorted = nullptr;
  DURING
    sorted = KCabNewInner();
    for (const Entry& e : entries) {
      SKCab* item = KCabDetachCab(list, e.key.c_str());
      if (item) KCabPutCab(sorted, "", item);
    }
  HANDLER
    if (sorted) KCabDestroy(sorted);
    if (list) KCabDestroy(list);
    RERAISE();
  END_HANDLER
  if (list) KCabDestroy(list);
  return sorted;
}

SKCab* KCtlSearchItemListForKey(SKCab* list, ASAtom key) {
  struct Find {
    ASAtom key;
    SKCab* found;
  } f{key, nullptr};
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* data) -> ASBool {
        Find* f = static_cast<Find*>(data);
        ASAtom k;
        if (ItemKey(item, &k) && k == f->key) {
          f->found = item;
          return 0;
        }
        return 1;
      },
      &f);
  return f.found;
}

const char* KCtlSearchItemListForKeyGetString(SKCab* list, ASAtom key) {
  SKCab* item = KCtlSearchItemListForKey(list, key);
  return item ? KCabGetString(item, "S") : nullptr;
}

ASAtom KCtlSearchItemListForStringGetKey(SKCab* list, const char* text, ASBool ignoreCase) {
  struct Find {
    const char* text;
    bool ignoreCase;
    ASAtom found;
  } f{text ? text : "", ignoreCase != 0, ASAtomNull};
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* data) -> ASBool {
        Find* f = static_cast<Find*>(data);
        ASAtom k;
        if (!ItemKey(item, &k)) return 1;
        const char* s = KCabGetString(item, "S");
        if (!s) return 1;
        if (f->ignoreCase ? EqualIgnoringCase(s, f->text) : std::strcmp(s, f->text) == 0) {
          f->found = k;
          return 0;
        }
        return 1;
      },
      &f);
  return f.found;
}

void** KCtlGetDialogPrivatePointer(SKCtlDialog* dialog) {
  void** slot = static_cast<void**>(ASmallocWithException(sizeof(void*)));
  *slot = nullptr;
  KCabPutPointerNamedType(dialog->privateCab, "", "void**", slot, KCabDestroyPointerWithKfree);
  return slot;
}

// ---- Dialog groups

SKCtlDialogGroup* NewKCtlDialogGroup() { return NewZeroed<SKCtlDialogGroup>(); }

void KCtlDialogGroupAddDialog(SKCtlDialogGroup* group, SKCtlDialog* dialog) {
  SKCtlDialogGroupItem* item = NewZeroed<SKCtlDialogGroupItem>();
  item->dialog = dialog;
  item->next = group->first;
  group->first = item;
  group->sizeComputed = 0;
}

void DestroyKCtlDialogGroup(SKCtlDialogGroup* group) {
  if (!group) return;
  for (SKCtlDialogGroupItem* i = group->first; i;) {
    SKCtlDialogGroupItem* n = i->next;
    ASfree(i);
    i = n;
  }
  ASfree(group);
}

// ---- Run data

SKCtlData* KCtlCreateData(SKCtlDialog* dialog) {
  SKCtlData* data = NewZeroed<SKCtlData>();
  DURING
    data->infos = new SKCtlInfoTable();
    data->ownCab = KCabNewInner();
  HANDLER
    delete data->infos;
    ASfree(data);
    RERAISE();
  END_HANDLER
  data->dialog = dialog;
  return data;
}

void KCtlDataSetExportCab(SKCtlData* data, SKCab* exportCab, SKCab* posCab) {
  data->exportCab = exportCab;
  data->posCab = posCab;
}

void KCtlDataSetGroup(SKCtlData* data, SKCtlDialogGroup* group, ASBool flag) {
  data->group = group;
  data->groupFlag = flag;
  data->sizesValid = 0;
}

SKCtlElemInfo* KCtlElemFindInfo(SKCtlData* data, SKCtlElem* element) {
  auto found = data->infos->byElem.find(element);
  if (found != data->infos->byElem.end()) return found->second;
  SKCtlElemInfo* info = NewZeroed<SKCtlElemInfo>();
  info->elem = element;
  try {
    data->infos->order.push_back(info);
    data->infos->byElem.emplace(element, info);
  } catch (...) {
    if (!data->infos->order.empty() && data->infos->order.back() == info) data->infos->order.pop_back();
    ASfree(info);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  return info;
}

ASInt32 KCtlDataInfoCount(SKCtlData* data) { return data ? (ASInt32)data->infos->order.size() : 0; }

SKCtlElemInfo* KCtlDataInfoAt(SKCtlData* data, ASInt32 index) {
  if (!data || index < 0 || index >= (ASInt32)data->infos->order.size()) return nullptr;
  return data->infos->order[(size_t)index];
}

void KCtlDestroyData(SKCtlData* data) {
  if (!data) return;
  KCtlDataTermPlatform(data);
  for (SKCtlElemInfo* info : data->infos->order) {
    KCtlElemTermPlatform(data, info);
    ASfree(info);
  }
  delete data->infos;
  if (data->tooltipCab) KCabDestroy(data->tooltipCab);
  if (data->ownCab) KCabDestroy(data->ownCab);
  ASfree(data);
}

void KCtlDestroyDialog(SKCtlDialog* dialog) {
  if (!dialog) return;
  FreeElementList(dialog->root);
  ASfree(dialog->title);
  if (dialog->privateCab) KCabDestroy(dialog->privateCab);
  ASfree(dialog);
}
