// The page-size element and the accessors of exported page sizes.
#include "kctl/PageSizeElem.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <algorithm>

#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/PageSizeDialogs.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "pdftools/PageSizes.h"

namespace {

constexpr ASInt32 kTraceKeyBase = 32768;
constexpr size_t kOrientationStemBytes = 88;
constexpr size_t kOrientationKeyBytes = 100;
const char kMissing[] = "Missing or unexpected size";

// ---- The page-size collection's cabinets

bool IsBlank(SKCab* size) { return PageSizeCabIsBlankPage(size); }
bool IsBackground(SKCab* size) { return PageSizeCabIsBackground(size); }
const char* NameOf(SKCab* size) { return PageSizeCabGetName(size); }
bool NameEqual(SKCab* a, SKCab* b) { return PageSizeCabNameEqual(a, b); }
bool ContentsEqual(SKCab* a, SKCab* b) { return PageSizeCabContentsEqual(a, b); }
bool ContentsEqualSwapped(SKCab* a, SKCab* b) { return PageSizeCabContentsEqualSwapped(a, b); }
std::string ShortFormat(SKCab* size, int bytes) {
  std::string out((size_t)bytes, '\0');
  PageSizeCabShortFormat(size, out.data(), bytes);
  out.resize(std::strlen(out.c_str()));
  return out;
}
std::string FeedbackFormat(SKCab* size) {
  char out[1000] = {0};
  PageSizeCabFeedbackFormat(size, out, (int)sizeof out);
  return out;
}

// ---- The element's records

struct SPageSizeElemExt {
  ASUns16 flags;
  SKCtlElem* orientContainer;
  SKCtlElem* tall;
  SKCtlElem* wide;
  SKCtlElem* best;
  SKCtlElem* feedbackContainer;
  SKCtlElem* feedbackText;
  KCtlActionCallBack callback;
  void* userData;
};

// Per running dialog, in its trace under the pop-up's id + 32768.
struct SPageSizeData {
  SKCab* kept;  // copies of loaded sizes that no list item had; made on first use
  SPageSizeElemExt* rec;
  ASInt32 shown;  // the entry chosen before the user's latest choice
};

SPageSizeData* DataBlock(SMacDialogInfo* dialog, ASInt32 id) {
  SDialogTrace* trace = dialog ? FindDialogTrace(dialog) : nullptr;
  return trace ? static_cast<SPageSizeData*>(DialogTraceGetData(trace, id + kTraceKeyBase, nullptr)) : nullptr;
}

bool IsMoreChoices(ASAtom key) { return key == Atom(kPageSizeMoreChoicesKey) || key == Atom(kPageSizeMoreChoicesKey2); }

// The page size attached to entry index, null for none or a more-choices item.
SKCab* EntrySize(SMacDialogInfo* dialog, ASInt32 id, ASInt32 index) {
  if (index < 0) return nullptr;
  intptr_t d = MacMenuGetAttachedData(dialog, id, index);
  if (d == 0 || d == (intptr_t)-1) return nullptr;
  auto* item = reinterpret_cast<SKCab*>(d);
  if (KCabGetType(item, "E") == kKCabTypeAtom && IsMoreChoices(KCabGetAtom(item, "E", ASAtomNull))) return nullptr;
  return item;
}

SKCab* ChosenSize(SMacDialogInfo* dialog, ASInt32 id) { return EntrySize(dialog, id, MacMenuGetCurSel(dialog, id)); }

void ShowElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, bool show) {
  if (e) KCtlShowOrHideElem(dialog, data, e, show ? 1 : 0);
}

void Feedback(SMacDialogInfo* dialog, ASInt32 id, SPageSizeElemExt* rec) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !rec) return;
  SKCab* size = ChosenSize(dialog, id);
  if (size && IsBlank(size)) {
    double w = KCabGetDouble(size, "Width", 0), h = KCabGetDouble(size, "Height", 0);
    bool bestChecked = rec->best && MacDialogItemIsChecked(dialog, KCtlPlatformGetElemControlId(data, rec->best));
    if (!bestChecked) {
      SKCtlElem* which = h >= w ? rec->tall : rec->wide;
      if (which) KCtlSetOneRadioButtonInGroupById(dialog, data, KCtlPlatformGetElemControlId(data, which));
    }
    ShowElem(dialog, data, rec->orientContainer, true);
    ShowElem(dialog, data, rec->feedbackContainer, false);
  } else if (size && IsBackground(size) && rec->feedbackText) {
    KCtlPlatformSetControlText(dialog, data, rec->feedbackText, FeedbackFormat(size).c_str());
    ShowElem(dialog, data, rec->feedbackContainer, true);
    ShowElem(dialog, data, rec->orientContainer, false);
  } else {
    ShowElem(dialog, data, rec->orientContainer, false);
    ShowElem(dialog, data, rec->feedbackContainer, false);
  }
}

void Refill(SMacDialogInfo* dialog, ASInt32 id, SPageSizeElemExt* rec) {
  SKCab* collection = GetSystemDefaultPageSizeCollection();
  SKCab* list = PageSizeCollectionMakeItemList(collection, rec->flags);
  KCtlFillPulldownFromKCabById(dialog, id, list, 1, 1);
}

// The entry now shown is the one to come back to.
void RememberShown(SMacDialogInfo* dialog, ASInt32 id) {
  if (SPageSizeData* block = DataBlock(dialog, id)) block->shown = MacMenuGetCurSel(dialog, id);
}

// Offers a copy of size (with its name, or the borrowed one) as one more
// entry and returns its index; -1 without the dialog's data.
ASInt32 AddKeptEntry(SMacDialogInfo* dialog, ASInt32 id, SKCab* size, const char* name) {
  SPageSizeData* block = DataBlock(dialog, id);
  if (!block) return -1;
  if (!block->kept) block->kept = KCabNewInner();
  SKCab* copy = KCabDup(size);
  KCabPutCab(block->kept, "", copy);
  if (name) KCabPutStringCopy(copy, "Name", name);
  MacMenuUpdateStart(dialog, id);
  ASInt32 index = MacMenuAddItemUTF8(dialog, id, ShortFormat(copy, 500).c_str());
  MacMenuAttachData(dialog, id, index, reinterpret_cast<intptr_t>(copy));
  MacMenuUpdateComplete(dialog, id);
  return index;
}

ASInt32 IndexOfKey(SMacDialogInfo* dialog, ASInt32 id, ASAtom key) {
  ASInt32 count = MacMenuCountItems(dialog, id);
  for (ASInt32 k = 0; k < count; ++k) {
    intptr_t d = MacMenuGetAttachedData(dialog, id, k);
    if (d == 0 || d == (intptr_t)-1) continue;
    auto* item = reinterpret_cast<SKCab*>(d);
    if (KCabGetType(item, "E") == kKCabTypeAtom && KCabGetAtom(item, "E", ASAtomNull) == key) return k;
  }
  return -1;
}

// The more-choices dialogs' own cabinet: it keeps the user's last entries.
SKCab* MoreSizesCab() {
  static SKCab* cab = nullptr;
  if (!cab) cab = KCabNewInner();
  return cab;
}

ASInt32 SelChangeCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user) {
  auto* rec = static_cast<SPageSizeElemExt*>(user);
  switch (trigger) {
    case kKCtlTriggerInit: {
      SDialogTrace* trace = FindDialogTrace(dialog);
      SPageSizeData block{nullptr, rec, -1};
      if (trace) DialogTraceSetData(trace, id + kTraceKeyBase, (ASInt32)sizeof block, &block);
      break;
    }
    case kKCtlTriggerItemListFilled: {
      // The fresh list keeps the entry the runtime chose from the old one.
      ASInt32 before = MacMenuGetCurSel(dialog, id);
      Refill(dialog, id, rec);
      ASInt32 count = MacMenuCountItems(dialog, id);
      if (count > 0 && MacMenuGetCurSel(dialog, id) < 0) MacMenuSetCurSel(dialog, id, before >= 0 && before < count ? before : 0);
      Feedback(dialog, id, rec);
      RememberShown(dialog, id);
      break;
    }
    case kKCtlTriggerSelectionChanged: {
      ASAtom key = KCtlGetSelectedPulldownItemKey(dialog, id);
      if (IsMoreChoices(key)) {
        SPageSizeData* block = DataBlock(dialog, id);
        ASInt32 before = block ? block->shown : -1;
        // The size chosen before, by identity: the list may be made anew.
        KCabHolder previous(EntrySize(dialog, id, before) ? KCabDup(EntrySize(dialog, id, before)) : nullptr);
        SKCab* cab = MoreSizesCab();
        KCabRemove(cab, ".AddedKey");
        bool changed = DoMoreSizesDialog(cab, key == Atom(kPageSizeMoreChoicesKey)) != 0;
        if (!MacDialogInfoIsLive(dialog)) break;
        ASInt32 index = -1;
        bool same = !changed;  // the entry chosen before is chosen again
        if (changed) {
          Refill(dialog, id, rec);
          if (KCabGetType(cab, ".AddedKey") == kKCabTypeAtom)
            index = IndexOfKey(dialog, id, KCabGetAtom(cab, ".AddedKey", ASAtomNull));
          if (index < 0 && previous.get()) {
            ASAtom was = KCabGetType(previous.get(), "E") == kKCabTypeAtom ? KCabGetAtom(previous.get(), "E", ASAtomNull)
                                                                           : ASAtomNull;
            index = was != ASAtomNull ? IndexOfKey(dialog, id, was) : -1;
            if (index < 0) index = AddKeptEntry(dialog, id, previous.get(), nullptr);
            same = index >= 0;
          }
          // Nothing chosen before: the more-choices entry again, which is no size.
          if (index < 0) index = 0;
        } else {
          // Nothing changed: the list is the same, and so is the choice.
          index = before >= 0 ? before : 0;
        }
        if (index < MacMenuCountItems(dialog, id)) MacMenuSetCurSel(dialog, id, index);
        key = KCtlGetSelectedPulldownItemKey(dialog, id);
        if (same || !EntrySize(dialog, id, index)) {
          // The user's choice as it was: nothing to tell the caller.
          Feedback(dialog, id, rec);
          RememberShown(dialog, id);
          break;
        }
      }
      RememberShown(dialog, id);
      if (key != ASAtomNull && !IsMoreChoices(key)) {
        Feedback(dialog, id, rec);
        if (rec->callback) return rec->callback(dialog, id, kKCtlTriggerSelectionChanged, rec->userData);
      }
      break;
    }
    case kKCtlTriggerDestroyed:
      if (SPageSizeData* block = DataBlock(dialog, id)) {
        if (block->kept) KCabDestroy(block->kept);
        block->kept = nullptr;
      }
      break;
    case kKCtlTriggerDescriptionDestroyed:
      ASfree(rec);
      break;
    default:
      break;
  }
  return kKCtlCallBackGoOn;
}

ASInt32 CheckCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user) {
  auto* rec = static_cast<SPageSizeElemExt*>(user);
  if (trigger == kKCtlTriggerChecked && rec->callback) return rec->callback(dialog, id, trigger, rec->userData);
  return kKCtlCallBackGoOn;
}

void SelectEntry(SMacDialogInfo* dialog, ASInt32 id, ASInt32 index, SPageSizeElemExt* rec) {
  MacMenuSetCurSel(dialog, id, index);
  Feedback(dialog, id, rec);
  RememberShown(dialog, id);
}

EKCtlExportCallBackReturn ExportCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                         const char* key, void* user) {
  auto* rec = static_cast<SPageSizeElemExt*>(user);
  if (!dialog || !cab || !key) return 0;
  if (kind == kKCtlExportLoad) {
    SKCab* loaded = KCabGetCab(cab, key);
    if (!loaded) return 0;
    ASInt32 count = MacMenuCountItems(dialog, id);
    for (ASInt32 k = 0; k < count; ++k) {
      SKCab* item = EntrySize(dialog, id, k);
      if (item && NameEqual(loaded, item) && ContentsEqual(loaded, item)) {
        SelectEntry(dialog, id, k, rec);
        return 0;
      }
    }
    // An unnamed size that is a named one turned borrows its name, but only
    // for the entry it gets: the caller's values stay as they are until OK.
    const char* loadedName = NameOf(loaded);
    const char* borrowed = nullptr;
    if (!loadedName || !*loadedName) {
      for (ASInt32 k = 0; k < count; ++k) {
        SKCab* item = EntrySize(dialog, id, k);
        const char* name = item ? NameOf(item) : nullptr;
        if (name && *name && ContentsEqualSwapped(loaded, item)) {
          borrowed = name;
          break;
        }
      }
    }
    for (ASInt32 k = 0; k < count; ++k) {
      SKCab* item = EntrySize(dialog, id, k);
      if (item && ContentsEqual(loaded, item)) {
        SelectEntry(dialog, id, k, rec);
        return 0;
      }
    }
    // A size no entry has is offered as one more entry, not dropped.
    ASInt32 index = AddKeptEntry(dialog, id, loaded, borrowed);
    if (index >= 0) SelectEntry(dialog, id, index, rec);
  } else if (kind == kKCtlExportStore) {
    // A more-choices entry is no size: nothing is stored for it.
    SKCab* item = ChosenSize(dialog, id);
    if (!item) return 0;
    SKCab* stored = KCabDup(item);
    KCabRemove(stored, "E");
    KCabRemove(stored, "S");
    KCabRemove(stored, "System");
    KCabPutCab(cab, key, stored);
  }
  return 0;
}

bool GetBlank(SKCab* size, double* width, double* height) { return PageSizeCabGetBlankSize(size, width, height) != 0; }

void CopyOut(const std::string& text, char* buffer, ASInt32 size) {
  if (size > 0) CopyCutUTF8(buffer, (size_t)size, text.c_str());
}

// The item key of a collection entry: its place in the collection, which no
// other entry shares, whatever the entries show.
ASAtom ItemKeyForCollectionKey(const char* key) { return Atom((std::string("#") + key).c_str()); }

}  // namespace

void PageSizeOrientationKey(const char* key, char* out, size_t size) {
  std::string stem = key ? key : "";
  CutUTF8(stem, kOrientationStemBytes);
  std::snprintf(out, size, "%sOrientation", stem.c_str());
}

ASAtom PageSizeItemKey(SKCab* entry) {
  ASAtom key = ASAtomNull;
  if (!entry || !KCabParentKey(entry, &key) || key == ASAtomNull) return ASAtomNull;
  return ItemKeyForCollectionKey(ASAtomGetString(key));
}

SKCab* PageSizeCollectionMakeItemList(SKCab* collection, ASUns16 flags) {
  KCabHolder sizes(KCabNewInner());
  struct SEntry {
    SKCab* cab;
    std::string key;
  };
  std::vector<SEntry> entries;
  if (collection)
    KCabConstEnum(
        collection,
        [](SKCab* c, const char* k, ASInt32 type, void* out) -> ASBool {
          if (type == kKCabTypeCab) static_cast<std::vector<SEntry>*>(out)->push_back({KCabGetCab(c, k), k});
          return 1;
        },
        &entries);
  for (const SEntry& entry : entries) {
    bool wanted = (IsBlank(entry.cab) && (flags & kPageSizeBlanks)) ||
                  (IsBackground(entry.cab) && (flags & kPageSizeBackgrounds));
    if (!wanted) continue;
    SKCab* copy = KCabDup(entry.cab);
    KCabPutCab(sizes.get(), "", copy);
    KCabRemove(copy, "KRVLNoExport");
    KCabPutStringCopy(copy, "S", ShortFormat(entry.cab, 4096).c_str());
    KCabPutAtom(copy, "E", ItemKeyForCollectionKey(entry.key.c_str()));
  }
  KCabHolder sorted(KCtlSortItemList(sizes.Release()));
  // The more-choices entry comes first whatever the sizes are called.
  KCabHolder list(KCabNewInner());
  if (flags & kPageSizeMoreChoices) {
    std::string text = std::string(" ") + Msg("uicustsz.morechoices");
    KCtlAddListItemToCab(list.get(), text.c_str(),
                         Atom((flags & kPageSizeBackgrounds) ? kPageSizeMoreChoicesKey : kPageSizeMoreChoicesKey2));
  }
  for (long k = 0; KCabGetCabNumKey(sorted.get(), k); ++k) {
    char key[24];
    std::snprintf(key, sizeof key, "%ld", k);
    KCabPutCab(list.get(), "", KCabDetachCab(sorted.get(), key));
  }
  return list.Release();
}

SKCtlElem* KCtlElemFromPageSizeCollection(SKCtlDialog* dialog, ASUns32 elemFlags, SKCtlElem* parent,
                                          ASUns16 pageSizeFlags, ASInt16 controlId, const char* exportKey,
                                          KCtlActionCallBack callback, void* userData) {
  auto* rec = static_cast<SPageSizeElemExt*>(ASmallocWithException(sizeof(SPageSizeElemExt)));
  std::memset(rec, 0, sizeof *rec);
  SKCtlElem* popup = nullptr;
  DURING
    SKCab* collection = GetSystemDefaultPageSizeCollection();
    bool numbered = (pageSizeFlags & kPageSizeNumberedIds) && controlId != -1;
    ASInt16 tallId = numbered ? (ASInt16)(controlId + 1) : -1, wideId = numbered ? (ASInt16)(controlId + 2) : -1;
    ASInt16 containerId = numbered ? (ASInt16)(controlId + 3) : -1, bestId = numbered ? (ASInt16)(controlId + 4) : -1;
    popup = KCtlAddNewElement(dialog, kKCtlPulldown, elemFlags | 0xc0000 | kKCtlFlagOwnsKey, controlId, "", parent);
    KCtlElemSetItemList(PageSizeCollectionMakeItemList(collection, 7), popup);
    KCtlSetExportKeyProc(exportKey, ExportCallback, rec, popup);
    // The caller hears a change once, from the element's own action below,
    // after the feedback has turned the orientation buttons.
    if (pageSizeFlags & kPageSizeOrientation) {
      char orientKey[kOrientationKeyBytes];
      PageSizeOrientationKey(exportKey, orientKey, sizeof orientKey);
      bool noFrame = (pageSizeFlags & kPageSizeNoFrame) != 0;
      rec->orientContainer =
          KCtlAddNewElement(dialog, kKCtlUserPane, noFrame ? 0u : (ASUns32)kKCtlFlagRight, containerId, nullptr, popup);
      bool withBest = (pageSizeFlags & kPageSizeBest) != 0;
      struct SButton {
        const char* message;
        const char* atom;
        ASUns32 flags;
        ASInt16 id;
        SKCtlElem** slot;
      } buttons[] = {
          {"pagesizes.orient.tall", "Tall", 0x100410, tallId, &rec->tall},
          {"pagesizes.orient.wide", "Wide", withBest ? 0x100010u : 0x100000u, wideId, &rec->wide},
          {"pagesizes.orient.best", "Best", noFrame ? 0x300000u : 0x100000u, bestId, &rec->best},
      };
      for (int k = 0; k < (withBest ? 3 : 2); ++k) {
        SKCtlElem* r = KCtlAddNewElement(dialog, kKCtlRadioButton, buttons[k].flags, buttons[k].id,
                                         Msg(buttons[k].message), rec->orientContainer);
        KCtlSetExportKeyAtom(orientKey, Atom(buttons[k].atom), r);
        KCtlRadioButtonSetGroup((ASUns32)Atom(orientKey), r);
        if (callback) KCtlSetActionCallback(r, kKCtlTriggerChecked, CheckCallback, rec);
        *buttons[k].slot = r;
      }
      rec->feedbackContainer = KCtlAddNewElement(dialog, kKCtlUserPane, 0, -1, nullptr, popup);
      rec->feedbackText = KCtlAddNewElement(dialog, kKCtlStaticText, 0xa00000, -1, " ", rec->feedbackContainer);
    }
    rec->flags = pageSizeFlags;
    rec->callback = callback;
    rec->userData = userData;
  HANDLER
    // Once the pop-up holds the record, its description-destroyed action frees it.
    if (!popup) ASfree(rec);
    RERAISE();
  END_HANDLER
  KCtlSetActionCallback(popup, kKCtlTriggerAny, SelChangeCallback, rec);
  return popup;
}

// ---- Accessors

SKCab* ExportedPageSizeGetPageSizeCab(SKCab* cab, const char* key) { return cab && key ? KCabGetCab(cab, key) : nullptr; }

ASBool ExportedPageSizeExists(SKCab* cab, const char* key) { return ExportedPageSizeGetPageSizeCab(cab, key) != nullptr; }

const char* ExportedPageSizeGetName(SKCab* cab, const char* key) { return NameOf(ExportedPageSizeGetPageSizeCab(cab, key)); }

ASBool ExportedPageSizeIsAnon(SKCab* cab, const char* key) {
  SKCab* size = ExportedPageSizeGetPageSizeCab(cab, key);
  if (!size) return 0;
  return PageSizeCabIsAnon(size);
}

ASBool ExportedPageSizeIsBlankPage(SKCab* cab, const char* key) { return IsBlank(ExportedPageSizeGetPageSizeCab(cab, key)); }

ASBool ExportedPageSizeIsBackground(SKCab* cab, const char* key) {
  return IsBackground(ExportedPageSizeGetPageSizeCab(cab, key));
}

ASBool ExportedPageSizeGetBlankSize(SKCab* cab, const char* key, double* width, double* height) {
  return GetBlank(ExportedPageSizeGetPageSizeCab(cab, key), width, height);
}

ASBool ExportedPageSizeGetForcedOrientation(SKCab* cab, const char* key, ASAtom* orientation) {
  if (!ExportedPageSizeIsBlankPage(cab, key)) return 0;
  char orientKey[kOrientationKeyBytes];
  PageSizeOrientationKey(key, orientKey, sizeof orientKey);
  if (KCabGetType(cab, orientKey) != kKCabTypeAtom) return 0;
  if (orientation) *orientation = KCabGetAtom(cab, orientKey, ASAtomNull);
  return 1;
}

ASBool ExportedPageSizeGetBlankSizeWithForcedOrientation(SKCab* cab, const char* key, double* width,
                                                         double* height) {
  double w = 0, h = 0;
  if (!ExportedPageSizeGetBlankSize(cab, key, &w, &h)) return 0;
  ASAtom orientation = ASAtomNull;
  if (ExportedPageSizeGetForcedOrientation(cab, key, &orientation)) {
    double small = std::min(w, h), large = std::max(w, h);
    if (orientation == Atom("Tall")) {
      w = small;
      h = large;
    } else if (orientation == Atom("Wide")) {
      w = large;
      h = small;
    }
  }
  *width = w;
  *height = h;
  return 1;
}

ASBool ExportedPageSizeFormat(SKCab* cab, const char* key, ASBool forced, char* buffer, ASInt32 size) {
  SKCab* ps = ExportedPageSizeGetPageSizeCab(cab, key);
  std::string text = kMissing;
  bool ok = false;
  if (ps && IsBackground(ps)) {
    const char* path = KCabGetString(ps, "DIPath");
    if (path) {
      long f = KCabGetInt(ps, "From", 0), t = KCabGetInt(ps, "To", 0);
      long all = t - f + 1;
      long r = KCabGetType(ps, "Repeat") == kKCabTypeInt ? KCabGetInt(ps, "Repeat", 0) : all;
      char out[2000];
      if (r != all)
        std::snprintf(out, sizeof out, "Page %ld to %ld (repeat %ld) of file %s", f + 1, t + 1, r, path);
      else
        std::snprintf(out, sizeof out, "Page %ld to %ld of file %s", f + 1, t + 1, path);
      text = out;
      ok = true;
    }
  } else if (ps && IsBlank(ps)) {
    double w = 0, h = 0;
    bool got = forced ? ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, key, &w, &h) != 0 : GetBlank(ps, &w, &h);
    if (got) {
      char out[1000];
      double wi = w / 72.0, hi = h / 72.0;
      FormatMessageByKeyUTF8(nullptr, "uicustsz.desc.pagesize", "%.2f x %.2f in (%.1f x %.1f mm)", out, sizeof out,
                             "ffff", wi, hi, wi * 25.4, hi * 25.4);
      text = out;
      ok = true;
    }
  }
  CopyOut(text, buffer, size);
  return ok ? 1 : 0;
}

ASBool ExportedPageSizeFillTemplateInfo(SKCab* cab, const char* key, STemplateInfo* templ, ASBool forced) {
  SKCab* ps = ExportedPageSizeGetPageSizeCab(cab, key);
  if (!ps || !templ) return 0;
  *templ = STemplateInfo{};
  // At most 39 bytes, never the first half of a character.
  CopyCutUTF8(templ->name, sizeof templ->name, NameOf(ps));
  if (IsBlank(ps)) {
    double w = 0, h = 0;
    bool got = forced ? ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, key, &w, &h) != 0 : GetBlank(ps, &w, &h);
    if (!got) return 0;
    templ->blank = 1;
    // Through single precision, as the engine's sizes were always made; sizes
    // beyond the fixed range saturate instead of wrapping.
    auto toFixed = [](double points) -> ASFixed {
      float scaled = (float)points * 65536.0f;
      if (!(scaled == scaled)) return 0;
      if (scaled >= 2147483647.0f) return (ASFixed)0x7FFFFFFF;
      if (scaled <= -2147483648.0f) return (ASFixed)0x80000000;
      return (ASFixed)scaled;
    };
    templ->width = toFixed(w);
    templ->height = toFixed(h);
    return 1;
  }
  if (IsBackground(ps)) {
    templ->blank = 0;
    TemplateInfoSetPath(templ, KCabGetString(ps, "DIPath"));
    templ->from = KCabGetInt(ps, "From", 0);
    templ->to = KCabGetInt(ps, "To", 0);
    templ->repeat = KCabGetType(ps, "Repeat") == kKCabTypeInt ? KCabGetInt(ps, "Repeat", 0)
                                                                : (ASInt32)((ASInt64)templ->to - templ->from + 1);
    templ->failedToOpen = 0;
    return 1;
  }
  ErrMessageUTF8("Internal error: Unsupported page size in ExportedPageSizeFillTemplateInfo");
  return 0;
}

ASBool ExportPageSizeFromTemplateInfo(SKCab* cab, const char* key, const STemplateInfo* templ) {
  if (!cab || !key || !templ) return 0;
  char name[sizeof templ->name + 1];
  std::memcpy(name, templ->name, sizeof templ->name);
  name[sizeof templ->name] = 0;
  const char* given = name[0] ? name : nullptr;
  SKCab* made = nullptr;
  if (templ->blank) {
    made = NewPageSizeCabBlankPoints(given, (double)((float)templ->width / 65536.0f),
                                     (double)((float)templ->height / 65536.0f), 0);
  } else {
    made = NewPageSizeBackground(given, templ->path ? templ->path : "", templ->from, templ->to, templ->repeat, 0);
  }
  if (!made) return 0;
  KCabPutCab(cab, key, made);
  return 1;
}
