#include "frame/KVMemory.h"

#include <climits>
#include <cstring>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/TextCut.h"
#include "frame/CmdList.h"
#include "frame/FramePrivate.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/ProcMan.h"
#include "host/AV.h"
#include "pdftools/DateStamp.h"

using frame_detail::CabHolder;
using frame_detail::Msg;

namespace {

const char* const kMemory = "Memory";

// The text a key files under, or null for keys that name no single entry of
// "Memory" (the null atom, paths, and the collection's own "Category").
const char* KeyText(ASAtom key) {
  if (key == ASAtomNull) return nullptr;
  const char* text = ASAtomGetString(key);
  if (!text || !*text || std::strchr(text, ':') || std::strcmp(text, "Category") == 0) return nullptr;
  return text;
}

void PutStamp(SKCab* cab, const char* key) {
  char stamp[32];
  KCabPutStringCopy(cab, key, GetAcrobatTimeStamp(stamp, sizeof stamp));
}

// "Memory" checked out of the named-action store for one change, stored back
// on every way out (a change that raised is stored as far as it got).
class MemoryCheckout {
 public:
  MemoryCheckout() : store_(KVMemPersist()), memory_(KCabPersistStartCabWrite(store_, kMemory)) {}
  ~MemoryCheckout() {
    DURING
      KCabPersistEndStoreCabWrite(store_, kMemory, memory_);
    HANDLER
    END_HANDLER
  }
  MemoryCheckout(const MemoryCheckout&) = delete;
  MemoryCheckout& operator=(const MemoryCheckout&) = delete;
  SKCab* get() const { return memory_; }

 private:
  SKCabPersist* store_;
  SKCab* memory_;
};

SKCab* CategoryIn(SKCab* memory, ASAtom key) {
  const char* text = KeyText(key);
  return text && memory ? KCabGetCab(memory, text) : nullptr;
}

// The action of that name in a category's "Item" collection, and its key.
SKCab* ItemIn(SKCab* category, const char* name, ASAtom* itemKey) {
  if (itemKey) *itemKey = ASAtomNull;
  SKCab* items = category && name ? KCabGetCab(category, "Item") : nullptr;
  return items ? KCabCollGetCab(items, "Name", name, itemKey) : nullptr;
}

}  // namespace

ASAtom KVMemoryAddCategory(ASAtom key, const char* name, ASBool system) {
  const char* text = KeyText(key);
  MemoryCheckout memory;
  if (KCabGetType(memory.get(), "Category") != kKCabTypeAtom)
    KCabPutAtom(memory.get(), "Category", ASAtomFromString("KVCatCollection_V1"));
  CabHolder category(KCabNewInner());
  KCabPutStringCopy(category.get(), "Name", name ? name : "");
  KCabPutAtom(category.get(), "Category", ASAtomFromString("KVCmdCollection_V1"));
  KCabPutCab(category.get(), "Item", KCabNewInner());
  if (system) KCabPutBool(category.get(), "System", 1);
  if (text) {
    KCabPutCab(memory.get(), text, category.Release());
    return key;
  }
  return KCabCollAddCab(memory.get(), "Name", name ? name : "", category.Release());
}

SKCab* KVMemoryGetCategoryCollectionCopy() { return LoadKVParametersNoNull(kMemory); }

ASBool KVMemoryCategoryExistsByKey(ASAtom key) {
  CabHolder memory(LoadKVParameters(kMemory));
  return CategoryIn(memory.get(), key) ? 1 : 0;
}

ASAtom KVMemoryGetOrAddCategoryByKeyAndName(ASAtom key, const char* name, ASBool system) {
  if (KVMemoryCategoryExistsByKey(key)) return key;
  return KVMemoryAddCategory(key, name, system);
}

SKCab* KVMemoryGetItemCollectionCopy(ASAtom key) {
  CabHolder memory(LoadKVParameters(kMemory));
  SKCab* category = CategoryIn(memory.get(), key);
  if (!category || KCabGetType(category, "Item") != kKCabTypeCab) return nullptr;
  return KCabDetachCab(category, "Item");
}

SKCab* KVMemoryGetItemCopy(ASAtom key, const char* name) {
  CabHolder memory(LoadKVParameters(kMemory));
  SKCab* item = ItemIn(CategoryIn(memory.get(), key), name, nullptr);
  if (!item || KCabGetType(item, "Item") != kKCabTypeCab) return nullptr;
  return KCabDetachCab(item, "Item");
}

ASBool KVMemoryItemExists(ASAtom key, const char* name) {
  CabHolder memory(LoadKVParameters(kMemory));
  return ItemIn(CategoryIn(memory.get(), key), name, nullptr) ? 1 : 0;
}

ASAtom KVMemoryGetItemInternalKey(ASAtom key, const char* name) {
  CabHolder memory(LoadKVParameters(kMemory));
  ASAtom itemKey = ASAtomNull;
  ItemIn(CategoryIn(memory.get(), key), name, &itemKey);
  return itemKey;
}

ASBool KVMemoryItemNameFromKey(ASAtom categoryKey, ASAtom itemKey, char* buffer, size_t size) {
  if (!buffer || size < 1) return 0;
  buffer[0] = 0;
  CabHolder memory(LoadKVParameters(kMemory));
  SKCab* category = CategoryIn(memory.get(), categoryKey);
  SKCab* items = category ? KCabGetCab(category, "Item") : nullptr;
  const char* itemText = KeyText(itemKey);
  SKCab* item = items && itemText ? KCabGetCab(items, itemText) : nullptr;
  const char* name = item ? KCabGetString(item, "Name") : nullptr;
  if (!name) return 0;
  CopyCutUTF8(buffer, size, name);
  return 1;
}

void KVMemoryAddItem2(ASAtom key, const char* name, SKCab* list, SKCab* memory) {
  CabHolder owned(list);
  if (!list) return;
  auto add = [&](SKCab* m) {
    SKCab* category = CategoryIn(m, key);
    if (!category) return;
    SKCab* items = KCabGetCab(category, "Item");
    if (!items) {
      items = KCabNewInner();
      KCabPutCab(category, "Item", items);
    }
    if (KCabGetType(list, "Stats:Created") != kKCabTypeString) PutStamp(list, "Stats:Created");
    CabHolder item(KCabNewInner());
    KCabPutCab(item.get(), "Item", owned.Release());
    KCabCollAddCab(items, "Name", name ? name : "", item.Release());
  };
  if (memory) {
    add(memory);
  } else {
    MemoryCheckout checkout;
    add(checkout.get());
  }
}

void KVMemoryDeleteItem(ASAtom key, const char* name) {
  MemoryCheckout memory;
  ASAtom itemKey = ASAtomNull;
  SKCab* category = CategoryIn(memory.get(), key);
  if (ItemIn(category, name, &itemKey)) KCabRemove(KCabGetCab(category, "Item"), ASAtomGetString(itemKey));
}

void KVMemoryMarkItemPlayed(ASAtom key, const char* name) {
  MemoryCheckout memory;
  SKCab* item = ItemIn(CategoryIn(memory.get(), key), name, nullptr);
  SKCab* list = item ? KCabGetCab(item, "Item") : nullptr;
  if (!list) return;
  // A stored count is read from a file: it may be anything, also the largest int.
  ASInt32 count = KCabGetInt(list, "Stats:Count", 0);
  if (count < 0) count = 0;
  KCabPutInt(list, "Stats:Count", count == INT32_MAX ? count : count + 1);
  PutStamp(list, "Stats:Updated");
}

ASBool KVMemoryPlaybackItemFromCmdList(SKCab* list, SKCab* messages, const char* caller) {
  if (!list) {
    ErrMessageUTF8(Msg("uiimp.mem.cannotplay"));
    return 0;
  }
  CabHolder play(KCabNewInner());
  KCabPutBool(play.get(), "Interactive", 1);
  KCabPutStringCopy(play.get(), "Caller", caller ? caller : "");
  if (messages) KCabPutPointerNamedType(play.get(), "MessageCab", "KCab", messages, nullptr);
  KCabPutBool(play.get(), "UseActiveAVDoc", 1);
  AVDoc view = AVAppGetActiveDoc();
  return ReplayCommandListOnPDDocInplace(list, view ? AVDocGetPDDoc(view) : nullptr, play.get());
}

namespace {

struct SPlayback {
  SKCab* list;
  SKCab* messages;
  const char* caller;
};

ASBool PlayList(void* data) {
  auto* p = static_cast<SPlayback*>(data);
  return KVMemoryPlaybackItemFromCmdList(p->list, p->messages, p->caller);
}

}  // namespace

ASBool KVMemoryPlaybackItem(ASAtom key, const char* name, SKCab* messages, const char* caller) {
  CabHolder list(KVMemoryGetItemCopy(key, name));
  if (!list.get()) return KVMemoryPlaybackItemFromCmdList(nullptr, messages, caller);
  // Through the dispatcher's road, as every run: the playback dialog's and
  // the host program's alike.
  SPlayback playback{list.get(), messages, caller};
  return ExecuteImpositionRun(kImpCmdNone, Msg("cmdlist.task.replay"), PlayList, &playback);
}
