// The real page-size collection set up for tests: a preferences folder of
// its own whose supplied "pagesize.sys" offers three system sizes in place of
// the built-in ones ("Letter" 612 x 792, "A4" 595.276 x 841.89 and "Tabloid"
// 792 x 1224 points), page units in points, and a look at what the store
// holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/PageSizes.h"
#include "support/TempDir.h"

namespace kvtest {

class TestPageSizes {
 public:
  static void Install() {
    Uninstall();
    Dir() = std::make_unique<TempDir>();
    ASHostSetPreferencesFolder(Dir()->path().c_str());
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));
    SKCabPersist* p = NewKCabPersist("pagesize.sys");
    KCabPersistSetWriteableDirectory(p);
    SKCab* sizes = KCabPersistStartCabWrite(p, "Sizes");
    KCabPutCabAnon(sizes, NewPageSizeCabBlankPoints("Letter", 612, 792, 0));
    KCabPutCabAnon(sizes, NewPageSizeCabBlankPoints("A4", 595.276, 841.89, 0));
    KCabPutCabAnon(sizes, NewPageSizeCabBlankPoints("Tabloid", 792, 1224, 0));
    KCabPersistEndStoreCabWrite(p, "Sizes", sizes);
    DestroyKCabPersist(p, 1);
  }
  static void Uninstall() {
    PageSizeCollectionTerm();
    if (Dir()) ASHostSetPreferencesFolder(nullptr);
    Dir().reset();
  }
  // Forgets the user's sizes: the next use loads the three system sizes alone.
  static void Reset() {
    PageSizeCollectionTerm();
    ForgetSaves();
  }
  static SKCab* Coll() { return GetSystemDefaultPageSizeCollection(); }

  // Whether the store was written since the last Install, Reset or ForgetSaves.
  static bool Saved() { return std::filesystem::exists(SettingsFolder() + "pagesize.xml"); }
  // Removes the store's files (the collection in memory stays).
  static void ForgetSaves() {
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator(SettingsFolder(), ec)) {
      std::string name = f.path().filename().string();
      if (name.rfind("pagesize", 0) == 0 && name.rfind("pagesize.sys", 0) != 0) std::filesystem::remove(f.path(), ec);
    }
  }
  // The names of the sizes in the store.
  static std::vector<std::string> StoredNames() {
    std::vector<std::string> out;
    SKCabPersist* p = NewKCabPersist("pagesize");
    KCabPersistSetWriteableDirectory(p);
    SKCab* sizes = KCabPersistGetCabRead(p, "Sizes");
    DestroyKCabPersist(p, 0);
    if (!sizes) return out;
    KCabConstEnum(
        sizes,
        [](SKCab* c, const char* k, ASInt32 type, void* d) -> ASBool {
          const char* name = type == kKCabTypeCab ? PageSizeCabGetName(KCabGetCab(c, k)) : nullptr;
          if (name) static_cast<std::vector<std::string>*>(d)->push_back(name);
          return 1;
        },
        &out);
    KCabDestroy(sizes);
    return out;
  }
  // The short texts of the collection's entries, in order.
  static std::vector<std::string> Entries() {
    std::vector<std::string> out;
    KCabConstEnum(
        Coll(),
        [](SKCab* c, const char* k, ASInt32, void* d) -> ASBool {
          static_cast<std::vector<std::string>*>(d)->push_back(Short(KCabGetCab(c, k)));
          return 1;
        },
        &out);
    return out;
  }
  static std::string Short(SKCab* size) {
    char text[1000];
    PageSizeCabShortFormat(size, text, sizeof text);
    return text;
  }

 private:
  static std::unique_ptr<TempDir>& Dir() {
    static std::unique_ptr<TempDir> dir;
    return dir;
  }
  static std::string SettingsFolder() { return Dir() ? Dir()->path() + "/Korvel/" : std::string(); }
};

}  // namespace kvtest
