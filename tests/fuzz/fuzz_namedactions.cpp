// The named-action store is a settings file anyone can edit: read the bytes
// as the store's contents and use every category and action they name
// through the named-action calls and the automation table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KCabXML.h"
#include "frame/Automation.h"
#include "frame/FrameTestSupport.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"

namespace {

void Drop(const char*, ASInt32, void*) {}

std::vector<std::string> Keys(SKCab* cab) {
  std::vector<std::string> keys;
  if (!cab) return keys;
  KCabConstEnum(
      cab,
      [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->push_back(key);
        return 1;
      },
      &keys);
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  static SKCabPersist* store = [] {
    kvtest::PrepareTestCollection();
    KVAutomationProcs()->playAction("");  // no user from here on
    SAutoMessageState quiet{kAutoMessageModeFilterNoPrompts, Drop, nullptr};
    RestoreAutoMessageState(&quiet);
    SKCabPersist* p = KVMemPersist();
    KCabPersistSetDirectory(p, "");  // nothing is read or written
    return p;
  }();
  SKCab* contents = KCabReadFromBuffer(reinterpret_cast<const char*>(data), (ASInt32)size, nullptr);
  if (!contents) return 0;
  KCabDestroy(store->master);
  store->master = contents;
  store->loaded = 1;

  DURING
    SKCab* memory = KVMemoryGetCategoryCollectionCopy();
    for (const std::string& category : Keys(memory)) {
      ASAtom key = ASAtomFromString(category.c_str());
      KVMemoryCategoryExistsByKey(key);
      SKCab* items = KVMemoryGetItemCollectionCopy(key);
      for (const std::string& item : Keys(items)) {
        ASAtom itemKey = ASAtomFromString(item.c_str());
        char small[3], large[200];
        KVMemoryItemNameFromKey(key, itemKey, small, sizeof small);
        if (!KVMemoryItemNameFromKey(key, itemKey, large, sizeof large)) continue;
        KVMemoryItemExists(key, large);
        KVMemoryGetItemInternalKey(key, large);
        if (SKCab* list = KVMemoryGetItemCopy(key, large)) KCabDestroy(list);
        KVMemoryMarkItemPlayed(key, large);
        KVMemoryPlaybackItem(key, large, nullptr, "Krvl:Fuzz");
        KVAutomationProcs()->playAction(large);
        KVAutomationProcs()->playAction((category + ":" + large).c_str());
        if (size & 1) KVMemoryDeleteItem(key, large);
      }
      if (items) KCabDestroy(items);
      SKCab* list = KCabNewInner();
      KCabPutAtom(list, "Category", ASAtomFromString("OneCommand_V1"));
      KVMemoryAddItem2(key, "added", list, nullptr);
    }
    KCabDestroy(memory);
    KVMemoryGetOrAddCategoryByKeyAndName(ASAtomFromString("TestCmd"), "TestCmd", 1);
  HANDLER
  END_HANDLER
  return 0;
}
