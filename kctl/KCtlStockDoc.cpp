// Stock controls bound to the host's open documents: the page scope under the
// process manager's run keys, and the pop-up of document windows.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/AVUTF8.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/RunCab.h"
#include "host/AV.h"
#include "host/Notify.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"

namespace {

constexpr ASInt32 kNoDocPageCount = 999999;
constexpr ASInt32 kWindowTitleBytes = 200;

// ---- Identities of open documents

struct SDocIdentity {
  AVDoc doc;
  ASUns32 identity;
};

std::vector<SDocIdentity>& Identities() {
  static std::vector<SDocIdentity> known;
  return known;
}

ASUns32 gNextIdentity = 1;

void ForgetDoc(AVDoc doc, void*) {
  auto& known = Identities();
  known.erase(std::remove_if(known.begin(), known.end(), [&](const SDocIdentity& i) { return i.doc == doc; }),
              known.end());
}

bool IsOpenDoc(AVDoc doc) {
  struct SFind {
    AVDoc doc;
    bool found;
  } find{doc, false};
  AVAppEnumDocs(
      [](AVDoc d, void* data) -> ASBool {
        auto* f = static_cast<SFind*>(data);
        if (d == f->doc) f->found = true;
        return f->found ? 0 : 1;
      },
      &find);
  return find.found;
}

// A document's identity goes when it closes. The notification is asked for
// again each time (the host counts it once), and identities of documents no
// longer open go as well, in case a close went unheard.
void KeepIdentitiesCurrent() {
  static void* callback = nullptr;
  if (!callback) callback = ASCallbackCreate(nullptr, reinterpret_cast<void*>(ForgetDoc));
  AVAppRegisterNotification(AVDocWillCloseNSEL, nullptr, callback, nullptr);
  auto& known = Identities();
  known.erase(std::remove_if(known.begin(), known.end(), [](const SDocIdentity& i) { return !IsOpenDoc(i.doc); }),
              known.end());
}

std::string IdentityKey(const char* key) { return std::string(key ? key : "") + "Id"; }

ASInt32 OfPagesInitialise(SMacDialogInfo* dialog, ASInt32 id, ASInt32, void*) {
  if (!dialog) return kKCtlCallBackGoOn;
  AVDoc front = AVAppGetActiveDoc();
  char text[256] = {0};
  if (front && KCtlStockDialogIsInteractive(dialog))
    FormatMessageByKeyUTF8(nullptr, "common.scope.page.of", "of %d", text, sizeof text, "d",
                           (int)PDDocGetNumPages(AVDocGetPDDoc(front)));
  MacDialogSetItemTextUTF8(dialog, id, text);
  return kKCtlCallBackGoOn;
}

struct SWindowWalk {
  SKCab* list;
  long counter;
};

ASBool AVWindowlistCallback(AVWindow win, void* clientData) {
  auto* walk = static_cast<SWindowWalk*>(clientData);
  AVDoc doc = AVWindowGetAVDoc(win);
  if (!doc) return 1;
  char title[kWindowTitleBytes + 1];
  AVWindowGetTitleUTF8(win, title, (ASInt32)sizeof title);
  char number[24];
  std::snprintf(number, sizeof number, "%ld", walk->counter++);
  SKCab* item = KCtlAddListItemToCab(walk->list, title, Atom(number));
  KCabPutPointerNamedType(item, "AVDoc", "KAVDoc", doc, nullptr);
  KCabPutUns(item, "AVDocId", KCtlStockDocIdentity(doc));
  return 1;
}

}  // namespace

SKCtlElem* KCtlStock_PageScope2(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, AVDoc document,
                                ASInt32 scopeFlags) {
  PDDoc pd = document ? AVDocGetPDDoc(document) : nullptr;
  ASInt32 count = pd ? PDDocGetNumPages(pd) : kNoDocPageCount;
  SKCtlElem* of = nullptr;
  SKCtlElem* group = KCtlStock_PageScope1(dialog, flags, parent, count, 0, 0, scopeFlags, "Source:Range:RangeType",
                                          "Source:Range:From", "Source:Range:To", "Source:Range:EvenOdd", &of);
  if (!pd && of) KCtlSetActionCallback(of, kKCtlTriggerInit, OfPagesInitialise, nullptr);
  return group;
}

ASInt32 KCtlStock_PageScope2_GetNumPagesToProcess(SMacDialogInfo* dialog) {
  AVDoc front = AVAppGetActiveDoc();
  if (!front || !KCtlStockDialogIsInteractive(dialog) || !KCtlDataForDialog(dialog)) return 0;
  PDDoc doc = AVDocGetPDDoc(front);
  ASInt32 count = PDDocGetNumPages(doc);
  SKCab* cab = KCabNewInner();
  ASInt64 first = 1, last = count;
  DURING
    KCtlAdvanceExport(dialog, cab, 1);
    ASAtom type = KCabGetAtom(cab, "Source:Range:RangeType", ASAtomNull);
    if (type == Atom("CurrentPage")) {
      first = last = (ASInt64)AVPageViewGetPageNum(AVDocGetPageView(front)) + 1;
    } else if (type == Atom("SubDoc")) {
      ASInt32 f = 0, l = count - 1, step = 1;
      if (ResolveRangeForSubDoc(cab, &f, &l, &step, doc)) {
        first = (ASInt64)f + 1;
        last = (ASInt64)l + 1;
      } else {
        // A range that does not read selects nothing, not the whole document.
        first = 1;
        last = 0;
      }
    }
    ASAtom evenOdd = KCabGetAtom(cab, "Source:Range:EvenOdd", ASAtomNull);
    if (evenOdd == Atom("Even")) {
      if (first % 2 != 0) ++first;
      if (last % 2 != 0) --last;
    } else if (evenOdd == Atom("Odd")) {
      if (first % 2 == 0) ++first;
      if (last % 2 == 0) --last;
    }
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  KCabDestroy(cab);
  // Only pages the document has are processed: a range past its end counts
  // up to the last page.
  if (first < 1) first = 1;
  if (last > count) last = count;
  ASInt64 n = last - first + 1;
  return n < 0 ? 0 : (ASInt32)n;
}

SKCab* KCtlStockNewWindowList() {
  static AVWindowEnumProc callback = nullptr;
  if (!callback) callback = ASCallbackCreateProto(AVWindowEnumProc, AVWindowlistCallback);
  SWindowWalk walk{KCabNewInner(), 1};
  DURING
    AVAppEnumWindows(callback, &walk);
  HANDLER
    KCabDestroy(walk.list);
    RERAISE();
  END_HANDLER
  return KCtlSortItemList(walk.list);
}

SKCtlElem* KCtlStock_WindowList(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* key) {
  SKCab* list = KCtlStockNewWindowList();
  SKCtlElem* popup;
  DURING
    popup = KCtlAddNewElement(dialog, kKCtlPulldown, flags | kKCtlFlagOwnsItemList | kKCtlFlagOwnsKey, -1, " ",
                              parent);
  HANDLER
    KCabDestroy(list);
    RERAISE();
  END_HANDLER
  KCtlElemSetItemList(list, popup);
  return KCtlSetExportKeyProc(key, KAVDocListExport, nullptr, popup);
}

EKCtlExportCallBackReturn KAVDocListExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                           const char* key, void*) {
  if (!dialog) return 0;
  if (kind == kKCtlExportLoad) {
    // The held document only while it is the same one, not whatever opened at its address since.
    void* held = KCtlStockExportedDoc(cab, key);
    // Answers without a user name the window by its title.
    const char* title = KCabGetType(cab, key) == kKCabTypeString ? KCabGetString(cab, key) : nullptr;
    ASInt32 count = MacMenuCountItems(dialog, id), chosen = 0;
    for (ASInt32 k = 0; (held || title) && k < count; ++k) {
      auto* item = reinterpret_cast<SKCab*>(MacMenuGetAttachedData(dialog, id, k));
      if (!item || item == reinterpret_cast<SKCab*>(-1)) continue;
      const char* itemTitle = KCabGetString(item, "S");
      if ((held && KCabGetPointerNamedType(item, "AVDoc", "KAVDoc") == held) ||
          (title && itemTitle && std::strcmp(itemTitle, title) == 0)) {
        chosen = k;
        break;
      }
    }
    if (count > 0) MacMenuSetCurSel(dialog, id, chosen);
  } else if (kind == kKCtlExportStore) {
    if (SKCab* item = KCtlGetSelectedPulldownItem(dialog, id)) {
      KCabPutPointerNamedType(cab, key, "KAVDoc", KCabGetPointerNamedType(item, "AVDoc", "KAVDoc"), nullptr);
      KCabPutUns(cab, IdentityKey(key).c_str(), KCabGetUns(item, "AVDocId", 0));
    }
  }
  return 0;
}

ASUns32 KCtlStockDocIdentity(AVDoc doc) {
  if (!doc) return 0;
  KeepIdentitiesCurrent();
  auto& known = Identities();
  for (const SDocIdentity& i : known)
    if (i.doc == doc) return i.identity;
  known.push_back({doc, gNextIdentity++});
  return known.back().identity;
}

AVDoc KCtlStockDocFromIdentity(ASUns32 identity) {
  if (identity == 0) return nullptr;
  KeepIdentitiesCurrent();
  for (const SDocIdentity& i : Identities())
    if (i.identity == identity) return i.doc;
  return nullptr;
}

AVDoc KCtlStockExportedDoc(SKCab* cab, const char* key) {
  auto doc = static_cast<AVDoc>(KCabGetPointerNamedType(cab, key, "KAVDoc"));
  if (!doc) return nullptr;
  std::string idKey = IdentityKey(key);
  // Without an identity (values not made by the list) the document counts while it is open.
  if (KCabGetType(cab, idKey.c_str()) != kKCabTypeUns) {
    KeepIdentitiesCurrent();
    return IsOpenDoc(doc) ? doc : nullptr;
  }
  return KCtlStockDocFromIdentity(KCabGetUns(cab, idKey.c_str(), 0)) == doc ? doc : nullptr;
}
