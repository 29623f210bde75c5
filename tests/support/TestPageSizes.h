// The test programs' page-size service for the dialog framework's neighbour
// table: a small page-size collection kept in memory, following the
// page-size cabinet's keys ("Type", "Name", "Width", "Height", "DIPath",
// "From", "To", "Repeat", "System", "KRVLNoExport"), with plain texts of its
// own for the formats. Not part of the product.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "kctl/KCtlNeighbours.h"

namespace kvtest {

class TestPageSizes {
 public:
  // Installs the service with a fresh collection of three system sizes:
  // "Letter" 612 x 792, "A4" 595.276 x 841.89 and "Tabloid" 792 x 1224.
  static void Install() {
    Reset();
    SKCtlNeighbourProcs procs = *KCtlNeighbours();
    procs.getSystemDefaultPageSizeCollection = [] { return Coll(); };
    procs.saveSystemDefaultPageSizeCollection = [] { ++Saves(); };
    procs.newPageSizeCabBlankPoints = NewBlank;
    procs.newPageSizeBackground = NewBackground;
    procs.pageSizeCabGetType = Type;
    procs.pageSizeCabGetName = Name;
    procs.pageSizeCabIsAnon = [](SKCab* c) -> ASBool { return IsAnon(c); };
    procs.pageSizeCabNameEqual = [](SKCab* a, SKCab* b) -> ASBool {
      const char* n = Name(a);
      return a && b && n && *n && Name(b) && std::strcmp(n, Name(b)) == 0;
    };
    procs.pageSizeCabContentsEqual = [](SKCab* a, SKCab* b) -> ASBool { return Equal(a, b, false); };
    procs.pageSizeCabContentsEqualSwapped = [](SKCab* a, SKCab* b) -> ASBool { return Equal(a, b, true); };
    procs.pageSizeCollectionAddOrReplace = AddOrReplace;
    procs.pageSizeCollectionDeleteByName = [](SKCab* coll, const char* name) -> ASBool {
      std::string key = Find(coll, [&](SKCab* e) { return Name(e) && name && std::strcmp(Name(e), name) == 0; });
      if (key.empty() || KCabGetBool(KCabGetCab(coll, key.c_str()), "System", 0)) return 0;
      KCabRemove(coll, key.c_str());
      return 1;
    };
    procs.pageSizeCollectionDeleteAnonByContents = [](SKCab* coll, SKCab* sample) -> ASBool {
      std::string key = Find(coll, [&](SKCab* e) {
        return IsAnon(e) && !KCabGetBool(e, "System", 0) && Equal(e, sample, false);
      });
      if (key.empty()) return 0;
      KCabRemove(coll, key.c_str());
      return 1;
    };
    procs.pageSizeCabShortFormat = Short;
    procs.pageSizeCabLongFormat = [](SKCab* c, char* out, int size) {
      Put(out, size, (Type(c) == 1 ? "Pages of " + std::string(Str(c, "DIPath")) : "Blank sheets " + Size(c)).c_str());
    };
    procs.pageSizeCabFeedbackFormat = [](SKCab* c, char* out, int size) {
      Put(out, size, Type(c) == 1 ? ("Sheets from " + std::string(Str(c, "DIPath"))).c_str() : "");
    };
    KCtlSetNeighbourProcs(&procs);
  }
  static void Uninstall() {
    KCtlSetNeighbourProcs(nullptr);
    Reset();
  }
  static void Reset() {
    if (Coll()) KCabDestroy(Coll());
    Coll() = KCabNewInner();
    Saves() = 0;
    for (auto [name, w, h] : {std::tuple{"Letter", 612.0, 792.0}, std::tuple{"A4", 595.276, 841.89},
                              std::tuple{"Tabloid", 792.0, 1224.0}}) {
      SKCab* c = NewBlank(name, w, h, 0);
      KCabPutBool(c, "System", 1);
      KCabPutCab(Coll(), "", c);
    }
  }
  static SKCab*& Coll() {
    static SKCab* coll = nullptr;
    return coll;
  }
  static int& Saves() {
    static int saves = 0;
    return saves;
  }
  // The names (or short texts) of the entries, in order.
  static std::vector<std::string> Entries() {
    std::vector<std::string> out;
    KCabConstEnum(
        Coll(),
        [](SKCab* c, const char* k, ASInt32, void* d) -> ASBool {
          char text[200];
          Short(KCabGetCab(c, k), text, sizeof text);
          static_cast<std::vector<std::string>*>(d)->push_back(text);
          return 1;
        },
        &out);
    return out;
  }
  static void Short(SKCab* c, char* out, int size) {
    std::string text;
    if (Type(c) == 1) {
      std::string path = Str(c, "DIPath");
      text = IsAnon(c) ? path.substr(path.find_last_of('/') + 1) + " p." + std::to_string(KCabGetInt(c, "From", 0) + 1)
                       : Name(c);
    } else {
      text = IsAnon(c) ? Size(c) : std::string(Name(c)) + " (" + Size(c) + ")";
    }
    Put(out, size, text.c_str());
  }

 private:
  static const char* Str(SKCab* c, const char* key) {
    const char* s = c ? KCabGetString(c, key) : nullptr;
    return s ? s : "";
  }
  static void Put(char* out, int size, const char* text) {
    if (size <= 0) return;
    std::snprintf(out, (size_t)size, "%s", text);
  }
  static std::string Size(SKCab* c) {
    char text[64];
    std::snprintf(text, sizeof text, "%g x %g pt", KCabGetDouble(c, "Width", 0), KCabGetDouble(c, "Height", 0));
    return text;
  }
  static SKCab* NewBlank(const char* name, double w, double h, ASBool anon) {
    SKCab* c = KCabNewInner();
    KCabPutAtom(c, "Type", ASAtomFromString("Blank"));
    if (name && *name) KCabPutStringCopy(c, "Name", name);
    else if (anon) KCabPutBool(c, "KRVLNoExport", 1);
    KCabPutDouble(c, "Width", w);
    KCabPutDouble(c, "Height", h);
    return c;
  }
  static SKCab* NewBackground(const char* name, const char* di, long from, long to, long repeat, ASBool anon) {
    SKCab* c = KCabNewInner();
    KCabPutAtom(c, "Type", ASAtomFromString("Background"));
    if (name && *name) KCabPutStringCopy(c, "Name", name);
    else if (anon) KCabPutBool(c, "KRVLNoExport", 1);
    KCabPutStringCopy(c, "DIPath", di);
    KCabPutInt(c, "From", (ASInt32)from);
    KCabPutInt(c, "To", (ASInt32)to);
    KCabPutInt(c, "Repeat", (ASInt32)repeat);
    return c;
  }
  static ASInt32 Type(SKCab* c) {
    return c && KCabGetAtom(c, "Type", ASAtomNull) == ASAtomFromString("Background") ? 1 : 0;
  }
  static const char* Name(SKCab* c) { return c ? KCabGetString(c, "Name") : nullptr; }
  static bool IsAnon(SKCab* c) { return !Name(c) || !*Name(c); }
  static bool Equal(SKCab* a, SKCab* b, bool swapped) {
    if (!a || !b || Type(a) != Type(b)) return false;
    if (Type(a) == 1) {
      return KCabGetInt(a, "From", 0) == KCabGetInt(b, "From", 0) && KCabGetInt(a, "To", 0) == KCabGetInt(b, "To", 0) &&
             KCabGetInt(a, "Repeat", -1) == KCabGetInt(b, "Repeat", -1) && std::string(Str(a, "DIPath")) == Str(b, "DIPath");
    }
    double aw = KCabGetDouble(a, "Width", 0), ah = KCabGetDouble(a, "Height", 0);
    double bw = KCabGetDouble(b, swapped ? "Height" : "Width", 0), bh = KCabGetDouble(b, swapped ? "Width" : "Height", 0);
    return std::fabs(aw - bw) < 0.001 && std::fabs(ah - bh) < 0.001;
  }
  template <class F>
  static std::string Find(SKCab* coll, F&& match) {
    struct Walk {
      F* match;
      std::string key;
    } walk{&match, ""};
    KCabConstEnum(
        coll,
        [](SKCab* c, const char* k, ASInt32 type, void* d) -> ASBool {
          auto* w = static_cast<Walk*>(d);
          if (type == kKCabTypeCab && (*w->match)(KCabGetCab(c, k))) w->key = k;
          return 1;
        },
        &walk);
    return walk.key;
  }
  static ASBool AddOrReplace(SKCab* coll, SKCab* cab) {
    const char* name = Name(cab);
    if (name && *name) {
      std::string key = Find(coll, [&](SKCab* e) { return Name(e) && std::strcmp(Name(e), name) == 0; });
      if (!key.empty()) {
        if (KCabGetBool(KCabGetCab(coll, key.c_str()), "System", 0)) return 0;
        KCabRemove(coll, key.c_str());
      }
    }
    KCabPutCab(coll, "", cab);
    return 1;
  }
};

}  // namespace kvtest
