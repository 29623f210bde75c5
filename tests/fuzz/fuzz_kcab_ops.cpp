// Random programs of cabinet operations, enumerations whose callbacks change
// the cabinet included: nothing may touch freed memory or lose an entry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"

namespace {

// What copies and duplicates of one program may build, in entries, the
// counting before each included: a cabinet copied into itself doubles with
// every step, and a short program would otherwise spend the run's time (not
// find faults) building millions.
constexpr size_t kMostCopiedEntries = 1 << 12;

struct EntryCount {
  size_t n = 0;
  size_t limit = 0;
};

ASBool CountEntry(SKCab* cab, const char* key, ASInt32 type, void* data) {
  auto* count = static_cast<EntryCount*>(data);
  if (++count->n > count->limit) return 0;
  if (type == kKCabTypeCab)
    if (SKCab* sub = KCabGetCab(cab, key)) KCabConstEnum(sub, CountEntry, count);
  return count->n <= count->limit;
}

// The entries of cab and its sub-cabinets, counted up to limit + 1.
size_t EntriesUpTo(SKCab* cab, size_t limit) {
  EntryCount count{0, limit};
  KCabConstEnum(cab, CountEntry, &count);
  return count.n;
}

struct Program {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  SKCab* roots[2] = {nullptr, nullptr};
  int depth = 0;
  size_t copied = 0;  // entries copied, duplicated or counted so far

  // False when copying source would go past the bound; what was counted to
  // learn it is spent either way.
  bool MayCopy(SKCab* source) {
    const size_t room = kMostCopiedEntries - copied;
    const size_t n = EntriesUpTo(source, room);
    copied += std::min(n, room);
    return n <= room;
  }

  bool More() const { return at < size; }
  uint8_t Next() { return at < size ? data[at++] : 0; }

  std::string Key() {
    static const char* parts[] = {"a", "b", "0", "1", "10", "007", "", "S"};
    uint8_t k = Next();
    std::string key = parts[k & 7];
    if (k & 8) key = std::string(parts[(k >> 4) & 7]) + ":" + key;
    return key;
  }

  SKCab* Cab() {
    SKCab* root = roots[Next() & 1];
    uint8_t k = Next();
    if (k & 1) {
      SKCab* sub = KCabGetCab(root, Key().c_str());
      if (sub) return sub;
    }
    return root;
  }

  static ASBool Visit(SKCab*, const char*, ASInt32, void* self) {
    auto* p = static_cast<Program*>(self);
    if (!p->More()) return 0;
    if (p->depth < 3) {
      ++p->depth;
      p->Step();
      --p->depth;
    }
    return p->Next() != 0;
  }

  void Step() {
    switch (Next() % 14) {
      case 0: KCabPutInt(Cab(), Key().c_str(), 1); break;
      case 1: KCabPutStringCopy(Cab(), Key().c_str(), "text"); break;
      case 2: KCabPutCab(Cab(), Key().c_str(), KCabNewInner()); break;
      case 3: {
        // Owned cabinets only: the store is refused. (A root handed to the
        // other root would leave this program holding a lent pointer.)
        SKCab* into = Cab();
        std::string key = Key();
        SKCab* sub = Cab();
        ASAtom atom;
        if (KCabParentKey(sub, &atom)) KCabPutCab(into, key.c_str(), sub);
        break;
      }
      case 4: KCabRemove(Cab(), Key().c_str()); break;
      case 5: KCabMakeEmpty(Cab()); break;
      case 6: KCabDestroy(KCabDetachCab(Cab(), Key().c_str())); break;
      case 7: {
        SKCab* from = Cab();
        SKCab* into = Cab();
        if (MayCopy(from)) KCabCopy(from, into);
        break;
      }
      case 8: {
        SKCab* c = Cab();
        if (MayCopy(c)) KCabDestroy(KCabDup(c));
        break;
      }
      case 9: KCabConstEnum(Cab(), Visit, this); break;
      case 10: KCabEnum(Cab(), Visit, this); break;
      case 11: {
        SKCab* c = Cab();
        ASAtom atom;
        if (KCabParentKey(c, &atom)) KCabDestroy(c);  // refused: owned by its parent
        break;
      }
      case 12: KCabPutCabAnon(Cab(), KCabNewInner()); break;
      default: {
        double values[3] = {1.5, -0.0001, 1e300};
        SKCab* c = Cab();
        KCabPutDoubleArray(c, "d", values, 3);
        ASInt32 n = 0;
        KCabGetDoubleArray(c, "d", values, 3, &n);
        break;
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool once = [] {
    SAutoMessageState quiet{kAutoMessageModeSilent, nullptr, nullptr};
    RestoreAutoMessageState(&quiet);
    return true;
  }();
  (void)once;
  Program p{data, size};
  p.roots[0] = KCabNewInner();
  p.roots[1] = KCabNewInner();
  while (p.More()) {
    size_t before = p.at;
    p.Step();
    if (p.at == before) break;
  }
  KCabDestroy(p.roots[0]);
  KCabDestroy(p.roots[1]);
  return 0;
}
