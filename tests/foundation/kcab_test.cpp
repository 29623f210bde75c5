#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/KCabPrivate.h"
#include "foundation/MFUtil.h"
#include "support/MessageCapture.h"
#include "tests/foundation/KCabDump.h"

namespace {

using kvtest::DumpKCab;

const char kConstEnumReport[] = "KCab error: cannot modify while running constant enumeration";
const char kAlreadyOwned[] = "KCab error: cabinet already owned";
const char kDestroyOwned[] = "KCab failure: attempt to destroy cabinet owned by another";

// Every test: reports captured, and no host block left behind.
class KCabTest : public ::testing::Test {
 protected:
  void SetUp() override { blocks_ = ASMemOutstandingBlocks(); }
  void TearDown() override { EXPECT_EQ(blocks_, ASMemOutstandingBlocks()) << "host blocks leaked"; }

  kvtest::MessageCapture reports_;
  ASInt64 blocks_ = 0;
};

std::vector<std::string> Keys(SKCab* cab) {
  std::vector<std::string> keys;
  KCabConstEnum(
      cab,
      [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->push_back(key);
        return 1;
      },
      &keys);
  return keys;
}

using Strings = std::vector<std::string>;

// ---- Types, keys and paths

TEST_F(KCabTest, EachTypeReadsBackOnlyThroughItsOwnGetter) {
  SKCab* cab = KCabNewInner();
  void* block = ASmalloc(3);
  std::memcpy(block, "xyz", 3);
  KCabPutBool(cab, "b", 1);
  KCabPutInt(cab, "i", -7);
  KCabPutUns(cab, "u", 0xFFFFFFFFu);
  KCabPutAtom(cab, "a", ASAtomFromString("Tall"));
  KCabPutDouble(cab, "d", 2.5);
  KCabPutStringCopy(cab, "s", "text");
  KCabPutBinary(cab, "x", block, 3);
  KCabPutNull(cab, "n");
  KCabPutCab(cab, "c", KCabNewInner());
  int target = 0;
  KCabPutPointerNamedType(cab, "p", "KPDDoc", &target, nullptr);

  struct Case {
    const char* key;
    ASInt32 type;
  };
  for (Case c : {Case{"b", kKCabTypeBool}, Case{"i", kKCabTypeInt}, Case{"u", kKCabTypeUns}, Case{"a", kKCabTypeAtom},
                 Case{"d", kKCabTypeDouble}, Case{"s", kKCabTypeString}, Case{"x", kKCabTypeBinary},
                 Case{"n", kKCabTypeNull}, Case{"c", kKCabTypeCab}, Case{"p", kKCabTypeNamedPointer},
                 Case{"none", kKCabTypeAbsent}}) {
    EXPECT_EQ(c.type, KCabGetType(cab, c.key)) << c.key;
    EXPECT_EQ(c.type != kKCabTypeAbsent, KCabKnown(cab, c.key) != 0) << c.key;
    // Every getter but the matching one gives its default.
    EXPECT_EQ(c.type == kKCabTypeBool ? 1 : 5, KCabGetBool(cab, c.key, 5)) << c.key;
    EXPECT_EQ(c.type == kKCabTypeInt ? -7 : 42, KCabGetInt(cab, c.key, 42)) << c.key;
    EXPECT_EQ(c.type == kKCabTypeUns ? 0xFFFFFFFFu : 9u, KCabGetUns(cab, c.key, 9)) << c.key;
    EXPECT_EQ(c.type == kKCabTypeAtom ? ASAtomFromString("Tall") : ASAtomNull, KCabGetAtom(cab, c.key, ASAtomNull));
    EXPECT_EQ(c.type == kKCabTypeDouble ? 2.5 : -1.0, KCabGetDouble(cab, c.key, -1.0)) << c.key;
    EXPECT_EQ(c.type == kKCabTypeString, KCabGetString(cab, c.key) != nullptr) << c.key;
    EXPECT_EQ(c.type == kKCabTypeBinary, KCabGetBinary(cab, c.key, nullptr) != nullptr) << c.key;
    EXPECT_EQ(c.type == kKCabTypeCab, KCabGetCab(cab, c.key) != nullptr) << c.key;
    EXPECT_EQ(c.type == kKCabTypeNamedPointer ? &target : nullptr, KCabGetPointerNamedType(cab, c.key, "KPDDoc"));
  }
  EXPECT_STREQ("text", KCabGetString(cab, "s"));
  ASUns32 length = 0;
  EXPECT_EQ(0, std::memcmp("xyz", KCabGetBinary(cab, "x", &length), 3));
  EXPECT_EQ(3u, length);
  // A named pointer answers only to its own type name.
  EXPECT_EQ(nullptr, KCabGetPointerNamedType(cab, "p", "KAVDoc"));
  KCabDestroy(cab);
  EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(KCabTest, StoringUnderAKeyReplacesWhateverItHeld) {
  SKCab* cab = KCabNewInner();
  KCabPutStringCopy(cab, "k", "text");
  KCabPutInt(cab, "k", 5);
  EXPECT_EQ(nullptr, KCabGetString(cab, "k"));
  EXPECT_EQ(5, KCabGetInt(cab, "k", 0));
  KCabPutStringCopy(cab, "k", nullptr);
  EXPECT_STREQ("", KCabGetString(cab, "k"));
  EXPECT_EQ(Strings{"k"}, Keys(cab));
  KCabDestroy(cab);
}

// Builds {A: <what>} for the path cases.
void PutUnderA(SKCab* cab, const std::string& what) {
  if (what == "double") KCabPutDouble(cab, "A", 1.5);
  if (what == "string") KCabPutStringCopy(cab, "A", "s");
  if (what == "null") KCabPutNull(cab, "A");
  if (what == "nullcab") KCabPutCab(cab, "A", nullptr);
  if (what == "cab") {
    SKCab* sub = KCabNewInner();
    KCabPutInt(sub, "X", 1);
    KCabPutCab(cab, "A", sub);
  }
}

TEST_F(KCabTest, ReadingThroughNonCabinetsGivesTheDefaultAndCreatesNothing) {
  for (const char* what : {"missing", "double", "string", "null", "nullcab"}) {
    SKCab* cab = KCabNewInner();
    PutUnderA(cab, what);
    std::string before = DumpKCab(cab);
    EXPECT_EQ(7, KCabGetInt(cab, "A:B", 7)) << what;
    EXPECT_FALSE(KCabKnown(cab, "A:B")) << what;
    EXPECT_EQ(kKCabTypeAbsent, KCabGetType(cab, "A:B:C")) << what;
    EXPECT_EQ(nullptr, KCabGetCab(cab, "A:B")) << what;
    EXPECT_EQ(nullptr, KCabDetachCab(cab, "A:B")) << what;
    KCabRemove(cab, "A:B");
    EXPECT_EQ(before, DumpKCab(cab)) << what;
    KCabDestroy(cab);
  }
}

TEST_F(KCabTest, WritingThroughNonCabinetsReplacesThemWithCabinets) {
  struct Case {
    const char* what;
    const char* after;
  };
  for (Case c : {Case{"missing", "{A={B=i:5;};}"}, Case{"double", "{A={B=i:5;};}"}, Case{"string", "{A={B=i:5;};}"},
                 Case{"nullcab", "{A={B=i:5;};}"}, Case{"cab", "{A={B=i:5;X=i:1;};}"}}) {
    SKCab* cab = KCabNewInner();
    PutUnderA(cab, c.what);
    KCabPutInt(cab, "A:B", 5);
    EXPECT_EQ(c.after, DumpKCab(cab)) << c.what;
    EXPECT_EQ(5, KCabGetInt(cab, "A:B", 0));
    KCabDestroy(cab);
  }
}

TEST_F(KCabTest, PathsWalkNestedCabinets) {
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "Source:Range:From", 3);
  KCabPutStringCopy(cab, "Source:Range:RangeType", "SubDoc");
  KCabPutInt(cab, "Source::Range:To", 9);  // an empty component names nothing
  EXPECT_EQ("{Source={Range={From=i:3;RangeType=s:SubDoc;To=i:9;};};}", DumpKCab(cab));
  SKCab* range = KCabGetCab(cab, "Source:Range");
  ASSERT_NE(nullptr, range);
  ASAtom key = ASAtomNull;
  EXPECT_TRUE(KCabParentKey(range, &key));
  EXPECT_STREQ("Range", ASAtomGetString(key));
  EXPECT_FALSE(KCabParentKey(cab, &key));
  KCabRemove(cab, "Source:Range:From");
  EXPECT_FALSE(KCabKnown(cab, "Source:Range:From"));
  // A long component works like any other.
  std::string longKey(600, 'k');
  KCabPutInt(cab, (longKey + ":v").c_str(), 4);
  EXPECT_EQ(4, KCabGetInt(cab, (longKey + ":v").c_str(), 0));
  KCabDestroy(cab);
}

// ---- Order

TEST_F(KCabTest, EnumerationOrdersNumericKeysFirstByLengthThenBytes) {
  struct Case {
    Strings stored;
    Strings visited;
  };
  const Case cases[] = {
      {{"10", "9", "b", "A", "007"}, {"9", "10", "007", "A", "b"}},
      {{"99", "007", "12a", "-5", "Key2", "Key10", "B", "a"}, {"99", "007", "-5", "12a", "B", "Key10", "Key2", "a"}},
      {{"2", "10", "007", "1", "0"}, {"0", "1", "2", "10", "007"}},
      {{"z", "y", "x"}, {"x", "y", "z"}},
  };
  for (const Case& c : cases) {
    SKCab* cab = KCabNewInner();
    for (const std::string& k : c.stored) KCabPutInt(cab, k.c_str(), 1);
    EXPECT_EQ(c.visited, Keys(cab));
    // The mutable enumeration orders the same way.
    Strings mutableOrder;
    KCabEnum(
        cab,
        [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
          static_cast<Strings*>(data)->push_back(key);
          return 1;
        },
        &mutableOrder);
    EXPECT_EQ(c.visited, mutableOrder);
    KCabDestroy(cab);
  }
}

TEST_F(KCabTest, EnumerationStopsWhenTheCallbackSaysSo) {
  SKCab* cab = KCabNewInner();
  for (const char* k : {"a", "b", "c"}) KCabPutInt(cab, k, 1);
  int calls = 0;
  KCabConstEnum(
      cab,
      [](SKCab*, const char*, ASInt32, void* data) -> ASBool { return ++*static_cast<int*>(data) < 2; }, &calls);
  EXPECT_EQ(2, calls);
  KCabDestroy(cab);
}

// ---- Anonymous numbering

TEST_F(KCabTest, AnonymousKeysFillTheLowestGapAfterARemoval) {
  struct Step {
    const char* op;  // "put" anonymous, "rm KEY", "set KEY"
    const char* expectKeys;
  };
  struct Case {
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {{{"put", "0"}, {"put", "0 1"}, {"put", "0 1 2"}, {"rm 1", "0 2"}, {"put", "0 1 2"}, {"put", "0 1 2 3"}}},
      {{{"set 1", "1"}, {"set 3", "1 3"}, {"put", "0 1 3"}, {"put", "0 1 2 3"}, {"put", "0 1 2 3 4"}}},
      // 007 is not 7: it does not take 7's place.
      {{{"set 007", "007"}, {"put", "0 007"}}},
      {{{"put", "0"}, {"put", "0 1"}, {"rm 0", "1"}, {"put", "0 1"}, {"put", "0 1 2"}}},
      // A path ending in ':' numbers inside the sub-cabinet.
      {{{"put", "0"}}},
  };
  for (const Case& c : cases) {
    SKCab* cab = KCabNewInner();
    for (const Step& s : c.steps) {
      std::string op = s.op;
      if (op == "put")
        KCabPutInt(cab, "", 1);
      else if (op.rfind("rm ", 0) == 0)
        KCabRemove(cab, op.substr(3).c_str());
      else
        KCabPutInt(cab, op.substr(4).c_str(), 1);
      std::string keys;
      for (const std::string& k : Keys(cab)) keys += (keys.empty() ? "" : " ") + k;
      EXPECT_EQ(s.expectKeys, keys) << "after " << op;
    }
    KCabDestroy(cab);
  }
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "List:", 1);
  KCabPutInt(cab, "List:", 2);
  EXPECT_EQ("{List={0=i:1;1=i:2;};}", DumpKCab(cab));
  KCabDestroy(cab);
}

TEST_F(KCabTest, ManyAnonymousEntriesKeepTheirOrder) {
  SKCab* cab = KCabNewInner();
  for (int i = 0; i < 300; ++i) KCabPutInt(cab, "", i);
  Strings keys = Keys(cab);
  ASSERT_EQ(300u, keys.size());
  for (int i = 0; i < 300; ++i) EXPECT_EQ(std::to_string(i), keys[(size_t)i]);
  EXPECT_EQ(123, KCabGetInt(cab, "123", -1));
  KCabDestroy(cab);
}

// ---- Ownership

TEST_F(KCabTest, PuttingAnOwnedCabinetIsRefusedAndChangesNothing) {
  SKCab* a = KCabNewInner();
  SKCab* b = KCabNewInner();
  SKCab* sub = KCabNewInner();
  KCabPutInt(sub, "v", 1);
  KCabPutCab(a, "S", sub);
  KCabPutStringCopy(b, "S", "old");
  KCabPutCab(b, "S", sub);
  EXPECT_EQ(1u, reports_.Count(kAlreadyOwned));
  EXPECT_EQ("{S={v=i:1;};}", DumpKCab(a));
  EXPECT_EQ("{S=s:old;}", DumpKCab(b));
  KCabDestroy(a);
  KCabDestroy(b);
}

TEST_F(KCabTest, ACabinetCannotGoIntoItselfOrItsDescendants) {
  SKCab* root = KCabNewInner();
  KCabPutInt(root, "A:B:v", 1);
  SKCab* b = KCabGetCab(root, "A:B");
  KCabPutCab(root, "self", root);
  KCabPutCab(b, "loop", root);
  KCabPutCab(root, "A:B:deeper:loop", root);  // refused before the path is made
  EXPECT_EQ(3u, reports_.Count(kAlreadyOwned));
  EXPECT_EQ("{A={B={v=i:1;};};}", DumpKCab(root));
  KCabDestroy(root);
}

TEST_F(KCabTest, DestroyingALentCabinetIsRefusedUntilItIsDetached) {
  SKCab* parent = KCabNewInner();
  KCabPutInt(parent, "S:v", 1);
  SKCab* sub = KCabGetCab(parent, "S");
  KCabDestroy(sub);
  EXPECT_EQ(1u, reports_.Count(kDestroyOwned));
  EXPECT_EQ("{S={v=i:1;};}", DumpKCab(parent));
  SKCab* detached = KCabDetachCab(parent, "S");
  EXPECT_EQ(sub, detached);
  EXPECT_EQ("{}", DumpKCab(parent));
  EXPECT_EQ(1, KCabGetInt(detached, "v", 0));
  KCabDestroy(detached);
  KCabDestroy(parent);
  EXPECT_EQ(1u, reports_.messages().size());
}

TEST_F(KCabTest, DestroyingTwiceIsReportedNotRepeated) {
  // A cabinet's record is not freed when its magic is wrong: fake one.
  SKCab fake{};
  fake.magic = kKCabDeadMagic;
  KCabDestroy(&fake);
  EXPECT_EQ(1u, reports_.Count("KCab failure: attempt to free a cabinet already freed or overwritten"));
}

// ---- Named pointers

struct DestroyLog {
  static std::vector<void*>& Log() {
    static std::vector<void*> log;
    return log;
  }
  static void Destroy(void* p) { Log().push_back(p); }
};

TEST_F(KCabTest, SharedHoldersAreDestroyedOnceByTheLastUser) {
  DestroyLog::Log().clear();
  int target = 0;
  SKCab* a = KCabNewInner();
  KCabPutPointerNamedType(a, "doc", "KPDDoc", &target, DestroyLog::Destroy);
  SKCab* fast = KCabDup(a);
  SKCab* merged = KCabNewInner();
  KCabPutInt(merged, "other", 1);
  KCabCopy(a, merged);  // merge copy: shares the holder
  SKCab* nested = KCabNewInner();
  KCabPutCab(nested, "in", KCabDup(a));
  EXPECT_EQ(&target, KCabGetPointerNamedType(merged, "doc", "KPDDoc"));
  KCabDestroy(a);
  KCabDestroy(fast);
  KCabDestroy(nested);
  EXPECT_TRUE(DestroyLog::Log().empty());
  KCabRemove(merged, "doc");
  EXPECT_EQ(std::vector<void*>{&target}, DestroyLog::Log());
  KCabDestroy(merged);
  EXPECT_EQ(1u, DestroyLog::Log().size());
}

TEST_F(KCabTest, ReplacingANamedPointerReleasesItsHolder) {
  DestroyLog::Log().clear();
  int x = 0, y = 0;
  SKCab* cab = KCabNewInner();
  KCabPutPointerNamedType(cab, "p", "T", &x, DestroyLog::Destroy);
  KCabPutPointerNamedType(cab, "p", "T", &y, DestroyLog::Destroy);
  EXPECT_EQ(std::vector<void*>{&x}, DestroyLog::Log());
  KCabPutInt(cab, "p", 1);
  EXPECT_EQ((std::vector<void*>{&x, &y}), DestroyLog::Log());
  KCabDestroy(cab);
}

void SomeFunction() {}

TEST_F(KCabTest, HoldersWithoutDestroyProcedureAreCopiedNotShared) {
  SKCab* a = KCabNewInner();
  KCabPutFunctionPointerNamedType(a, "f", "ProcManCallback", SomeFunction, nullptr);
  SKCab* b = KCabNewInner();
  KCabPutInt(b, "x", 1);
  KCabCopy(a, b);
  SKCabNamedPointer* ha = nullptr;
  SKCabNamedPointer* hb = nullptr;
  for (SKCabEntry* e = a->first; e; e = e->next) ha = e->value.named;
  for (SKCabEntry* e = b->first; e; e = e->next)
    if (e->type == kKCabTypeNamedPointer) hb = e->value.named;
  ASSERT_TRUE(ha && hb);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(1, ha->useCount);
  EXPECT_EQ(1, hb->useCount);
  EXPECT_EQ(SomeFunction, KCabGetFunctionPointerNamedType(b, "f", "ProcManCallback"));
  KCabDestroy(a);
  KCabDestroy(b);
}

// ---- Mutation during enumeration

// {X: {Y: {one: 1, two: 2}}}, for the enumerations over Y below.
SKCab* NestedRoot() {
  SKCab* root = KCabNewInner();
  KCabPutInt(root, "X:Y:one", 1);
  KCabPutInt(root, "X:Y:two", 2);
  return root;
}

void Enumerate(bool constant, SKCab* cab, KCabEnumProc proc, void* data) {
  if (constant)
    KCabConstEnum(cab, proc, data);
  else
    KCabEnum(cab, proc, data);
}


struct Mutation {
  const char* name;
  std::function<void(SKCab*, const char* key)> change;  // done once, at key "b"
  Strings constVisited;
  Strings mutableVisited;
  const char* after;
};

TEST_F(KCabTest, EnumerationsSurviveChangesMadeByTheirCallback) {
  const std::vector<Mutation> cases = {
      {"remove current", [](SKCab* c, const char* k) { KCabRemove(c, k); }, {"a", "b", "c", "d"},
       {"a", "b", "c", "d"}, "{a=i:1;c=i:1;d=i:1;}"},
      {"replace current", [](SKCab* c, const char* k) { KCabPutStringCopy(c, k, "new"); }, {"a", "b", "c", "d"},
       {"a", "b", "c", "d"}, "{a=i:1;b=s:new;c=i:1;d=i:1;}"},
      {"remove next", [](SKCab* c, const char*) { KCabRemove(c, "c"); }, {"a", "b", "d"}, {"a", "b", "d"},
       "{a=i:1;b=i:1;d=i:1;}"},
      {"add later", [](SKCab* c, const char*) { KCabPutInt(c, "bb", 2); }, {"a", "b", "bb", "c", "d"},
       {"a", "b", "c", "d"}, "{a=i:1;b=i:1;bb=i:2;c=i:1;d=i:1;}"},
      {"add earlier", [](SKCab* c, const char*) { KCabPutInt(c, "0", 2); }, {"a", "b", "c", "d"}, {"a", "b", "c", "d"},
       "{0=i:2;a=i:1;b=i:1;c=i:1;d=i:1;}"},
      {"remove current, add later", [](SKCab* c, const char* k) {
         KCabRemove(c, k);
         KCabPutInt(c, "zz", 3);
       },
       {"a", "b", "c", "d", "zz"}, {"a", "b", "c", "d"}, "{a=i:1;c=i:1;d=i:1;zz=i:3;}"},
      {"detach current", [](SKCab* c, const char* k) { KCabDestroy(KCabDetachCab(c, k)); }, {"a", "b", "c", "d"},
       {"a", "b", "c", "d"}, "{a=i:1;c=i:1;d=i:1;}"},
      {"make empty", [](SKCab* c, const char*) { KCabMakeEmpty(c); }, {"a", "b"}, {"a", "b"}, "{}"},
      {"copy into itself", [](SKCab* c, const char*) { KCabCopy(c, c); }, {"a", "b", "c", "d"}, {"a", "b", "c", "d"},
       "{a=i:1;b={};c=i:1;d=i:1;}"},
  };
  for (bool constant : {true, false}) {
    for (const Mutation& m : cases) {
      SKCab* cab = KCabNewInner();
      KCabPutInt(cab, "a", 1);
      if (std::string(m.name) == "detach current" || std::string(m.name) == "copy into itself")
        KCabPutCab(cab, "b", KCabNewInner());
      else
        KCabPutInt(cab, "b", 1);
      KCabPutInt(cab, "c", 1);
      KCabPutInt(cab, "d", 1);
      struct Run {
        const Mutation* m;
        Strings visited;
      } run{&m, {}};
      KCabEnumProc proc = [](SKCab* c, const char* key, ASInt32, void* data) -> ASBool {
        auto* r = static_cast<Run*>(data);
        r->visited.push_back(key);
        if (std::string(key) == "b") r->m->change(c, key);
        return 1;
      };
      reports_.Clear();
      Enumerate(constant, cab, proc, &run);
      EXPECT_EQ(constant ? m.constVisited : m.mutableVisited, run.visited) << m.name << (constant ? " (const)" : "");
      std::string after = m.after;
      if (std::string(m.name) == "copy into itself") after = "{a=i:1;b={};c=i:1;d=i:1;}";
      EXPECT_EQ(after, DumpKCab(cab)) << m.name;
      // Changes under a constant enumeration are reported; under the mutable one they are allowed.
      bool changes = std::string(m.name) != "copy into itself";
      EXPECT_EQ(constant && changes, reports_.Count(kConstEnumReport) > 0) << m.name;
      KCabDestroy(cab);
    }
  }
}

TEST_F(KCabTest, ACabinetUnderEnumerationIsNotFreedByItsCallback) {
  using Attack = std::function<void(SKCab* root)>;
  const std::vector<std::pair<const char*, Attack>> attacks = {
      {"remove", [](SKCab* root) { KCabRemove(root, "X"); }},
      {"replace", [](SKCab* root) { KCabPutInt(root, "X", 1); }},
      {"make empty", [](SKCab* root) { KCabMakeEmpty(root); }},
      {"copy over", [](SKCab* root) {
         SKCab* other = KCabNewInner();
         KCabPutInt(other, "X", 2);
         KCabCopy(other, root);
         KCabDestroy(other);
       }},
  };
  for (bool constant : {true, false}) {
    for (const auto& [name, attack] : attacks) {
      SKCab* root = NestedRoot();
      SKCab* y = KCabGetCab(root, "X:Y");
      struct Run {
        SKCab* root;
        const Attack* attack;
        int visits;
      } run{root, &attack, 0};
      KCabEnumProc proc = [](SKCab*, const char*, ASInt32, void* data) -> ASBool {
        auto* r = static_cast<Run*>(data);
        if (r->visits++ == 0) (*r->attack)(r->root);
        return 1;
      };
      reports_.Clear();
      Enumerate(constant, y, proc, &run);
      EXPECT_EQ(2, run.visits) << name;
      EXPECT_EQ(1u, reports_.messages().size()) << name;
      EXPECT_EQ(2, KCabGetInt(root, "X:Y:two", 0)) << name;
      // Once the enumeration is over, the same change goes through.
      reports_.Clear();
      attack(root);
      EXPECT_TRUE(reports_.messages().empty()) << name;
      KCabDestroy(root);
    }
  }
}

TEST_F(KCabTest, ACabinetDestroyedUnderEnumerationGoesWhenItEnds) {
  using Destroy = std::function<void(SKCab* root)>;
  const std::vector<std::pair<const char*, Destroy>> ways = {
      {"destroy the root", [](SKCab* root) { KCabDestroy(root); }},
      {"detach and destroy", [](SKCab* root) { KCabDestroy(KCabDetachCab(root, "X")); }},
  };
  for (bool constant : {true, false}) {
    for (const auto& [name, destroy] : ways) {
      SKCab* root = NestedRoot();
      SKCab* y = KCabGetCab(root, "X:Y");
      struct Run {
        SKCab* root;
        const Destroy* destroy;
        Strings visited;
      } run{root, &destroy, {}};
      KCabEnumProc proc = [](SKCab* c, const char* key, ASInt32, void* data) -> ASBool {
        auto* r = static_cast<Run*>(data);
        if (r->visited.empty()) (*r->destroy)(r->root);
        // Still whole for the rest of the enumeration.
        r->visited.push_back(key + std::string("=") + std::to_string(KCabGetInt(c, key, -1)));
        return 1;
      };
      ASInt64 before = ASMemOutstandingBlocks();
      Enumerate(constant, y, proc, &run);
      EXPECT_EQ((Strings{"one=1", "two=2"}), run.visited) << name;
      EXPECT_LT(ASMemOutstandingBlocks(), before) << name;  // freed at the end
      EXPECT_TRUE(reports_.messages().empty()) << name;
      if (std::string(name) == "detach and destroy") {
        EXPECT_EQ("{}", DumpKCab(root));
        KCabDestroy(root);
      }
    }
  }
}

TEST_F(KCabTest, CopyingACabinetIntoItsOwnParentReadsAStableSource) {
  SKCab* parent = KCabNewInner();
  KCabPutInt(parent, "S:S:v", 1);
  KCabPutInt(parent, "S:a", 2);
  KCabCopy(KCabGetCab(parent, "S"), parent);
  EXPECT_EQ("{S={v=i:1;};a=i:2;}", DumpKCab(parent));
  EXPECT_TRUE(reports_.messages().empty());
  KCabDestroy(parent);
}

TEST_F(KCabTest, CopyingACabinetIntoItsDescendantCopiesTheTreeAsItWas) {
  SKCab* root = KCabNewInner();
  KCabPutInt(root, "a", 1);
  KCabPutInt(root, "D:x", 2);
  KCabCopy(root, KCabGetCab(root, "D"));
  EXPECT_EQ("{D={D={x=i:2;};a=i:1;x=i:2;};a=i:1;}", DumpKCab(root));
  KCabDestroy(root);
}

TEST_F(KCabTest, AnExceptionInAConstantEnumerationPassesThroughAndEndsIt) {
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "a", 1);
  ASErrorCode caught = 0;
  ASInt32 depth = ASExceptionFrameDepth();
  DURING
    KCabConstEnum(
        cab, [](SKCab*, const char*, ASInt32, void*) -> ASBool { ASRaise(genErrBadParm); }, nullptr);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(genErrBadParm, caught);
  EXPECT_EQ(depth, ASExceptionFrameDepth());
  EXPECT_EQ(0, cab->constEnumDepth);
  KCabPutInt(cab, "b", 1);  // no longer under enumeration: no report
  EXPECT_TRUE(reports_.messages().empty());
  KCabDestroy(cab);
}

// An owner's clean-up that raises (closing a document may) while an error
// unwinds through a holder: the first error comes through, nothing aborts,
// and the rest of the cabinet is freed all the same.
TEST_F(KCabTest, ACleanUpThatRaisesWhileAnErrorUnwindsStaysInside) {
  DestroyLog::Log().clear();
  static int first = 0, second = 0;
  auto raising = [](void* p) {
    DestroyLog::Destroy(p);
    ASRaise(genErrNoMemory);
  };
  ASErrorCode caught = 0;
  ASInt32 depth = ASExceptionFrameDepth();
  DURING
    KCabHolder held(KCabNewInner());
    KCabPutPointerNamedType(held.get(), "a", "T", &first, raising);
    KCabPutPointerNamedType(held.get(), "b:c", "T", &second, DestroyLog::Destroy);
    KCabPutStringCopy(held.get(), "d", "text");
    ASRaise(genErrBadParm);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(genErrBadParm, caught);
  EXPECT_EQ(depth, ASExceptionFrameDepth());
  EXPECT_EQ((std::vector<void*>{&first, &second}), DestroyLog::Log());

  // Destroyed when an enumeration that raised ends.
  DestroyLog::Log().clear();
  SKCab* cab = KCabNewInner();
  KCabPutPointerNamedType(cab, "a", "T", &first, raising);
  caught = 0;
  DURING
    KCabConstEnum(
        cab,
        [](SKCab* c, const char*, ASInt32, void*) -> ASBool {
          KCabDestroy(c);
          ASRaise(genErrBadParm);
        },
        nullptr);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(genErrBadParm, caught);
  EXPECT_EQ((std::vector<void*>{&first}), DestroyLog::Log());
}

// ---- Copies

SKCab* RichCabinet() {
  SKCab* cab = KCabNewInner();
  KCabPutBool(cab, "bool", 1);
  KCabPutInt(cab, "int", -3);
  KCabPutUns(cab, "uns", 7);
  KCabPutAtom(cab, "atom", ASAtomFromString("Wide"));
  KCabPutDouble(cab, "double", 0.125);
  KCabPutStringCopy(cab, "string", "hello");
  KCabPutStringCopy(cab, "empty", "");
  void* bin = ASmalloc(4);
  std::memcpy(bin, "\x01\x02\x03\x04", 4);
  KCabPutBinary(cab, "binary", bin, 4);
  KCabPutNull(cab, "null");
  KCabPutStringCopy(cab, "sub:deep:text", "inner");
  KCabPutInt(cab, "sub:10", 10);
  KCabPutInt(cab, "sub:9", 9);
  KCabPutInt(cab, "", 0);
  KCabPutInt(cab, "", 1);
  return cab;
}

TEST_F(KCabTest, FastCopyAndMergeCopyGiveTheSameCabinet) {
  SKCab* source = RichCabinet();
  SKCab* fast = KCabDup(source);
  SKCab* merged = KCabNewInner();
  KCabPutInt(merged, "stale", 1);
  KCabRemove(merged, "stale");  // empty, but not eligible for the fast road
  KCabPutStringCopy(merged, "int", "replaced");
  KCabCopy(source, merged);
  EXPECT_EQ(DumpKCab(source), DumpKCab(fast));
  EXPECT_EQ(DumpKCab(source), DumpKCab(merged));
  // The fast copy is one block per level; the merge copy is not.
  ASSERT_NE(nullptr, fast->bulk);
  for (SKCabEntry* e = fast->first; e; e = e->next) EXPECT_TRUE(e->flags & kKCabFlagInBulk);
  EXPECT_EQ(nullptr, merged->bulk);
  SKCab* fastSub = KCabGetCab(fast, "sub");
  ASSERT_NE(nullptr, fastSub);
  EXPECT_NE(nullptr, fastSub->bulk);
  EXPECT_EQ(fast, fastSub->parent);
  // Binary data is the copy's own.
  EXPECT_NE(KCabGetBinary(source, "binary", nullptr), KCabGetBinary(fast, "binary", nullptr));
  // Entries of a bulk block can be replaced and removed like any other.
  KCabPutStringCopy(fast, "string", "changed");
  KCabRemove(fast, "sub:deep");
  KCabPutInt(fast, "sub:deep", 1);
  KCabDestroy(KCabDetachCab(fast, "sub"));
  KCabDestroy(source);
  EXPECT_STREQ("changed", KCabGetString(fast, "string"));
  KCabDestroy(fast);
  KCabDestroy(merged);
}

TEST_F(KCabTest, CopyIntoAnEmptyCabinetTakesTheFastRoad) {
  SKCab* source = RichCabinet();
  SKCab* destination = KCabNewInner();
  KCabCopy(source, destination);
  EXPECT_NE(nullptr, destination->bulk);
  EXPECT_EQ(DumpKCab(source), DumpKCab(destination));
  // Emptied, it keeps its block and copies by merging from then on.
  KCabMakeEmpty(destination);
  void* block = destination->bulk;
  KCabCopy(source, destination);
  EXPECT_EQ(block, destination->bulk);
  EXPECT_EQ(DumpKCab(source), DumpKCab(destination));
  KCabDestroy(source);
  KCabDestroy(destination);
}

TEST_F(KCabTest, MergeCopyReplacesSubCabinetsWhole) {
  SKCab* destination = KCabNewInner();
  KCabPutInt(destination, "S:x", 1);
  KCabPutInt(destination, "S:y", 2);
  KCabPutInt(destination, "keep", 3);
  SKCab* source = KCabNewInner();
  KCabPutInt(source, "S:x", 9);
  KCabCopy(source, destination);
  EXPECT_EQ("{S={x=i:9;};keep=i:3;}", DumpKCab(destination));
  KCabDestroy(source);
  KCabDestroy(destination);
}

TEST_F(KCabTest, DupOfEmptyAndNull) {
  SKCab* empty = KCabNewInner();
  SKCab* copy = KCabDup(empty);
  EXPECT_TRUE(KCabIsEmpty(copy));
  EXPECT_EQ(nullptr, copy->bulk);
  EXPECT_EQ(nullptr, KCabDup(nullptr));
  EXPECT_TRUE(KCabIsEmpty(nullptr));
  KCabDestroy(empty);
  KCabDestroy(copy);
}

// ---- Running out of memory

TEST_F(KCabTest, RunningOutOfMemoryRaisesAndLeavesNothingBehind) {
  // The first raise registers the foundation's codes, which makes the text
  // converter's shared context: once, for the process.
  DURING
    RaiseMFUtilException(&genExceptionOutOfMemory);
  HANDLER
  END_HANDLER
  blocks_ = ASMemOutstandingBlocks();
  SKCab* source = RichCabinet();
  DestroyLog::Log().clear();
  int target = 0;
  KCabPutPointerNamedType(source, "sub:p", "T", &target, DestroyLog::Destroy);
  std::string expected = DumpKCab(source);
  using Work = std::function<void()>;
  SKCab* destination = nullptr;
  const std::vector<std::pair<const char*, Work>> works = {
      {"dup", [&] { KCabDestroy(KCabDup(source)); }},
      {"merge", [&] {
         destination = KCabNewInner();
         KCabPutInt(destination, "x", 1);
         KCabCopy(source, destination);
       }},
      {"put path", [&] {
         destination = KCabNewInner();
         KCabPutStringCopy(destination, "a:b:c", "text");
       }},
      {"anon sub", [&] {
         destination = KCabNewInner();
         KCabPutCab(destination, "list:", KCabNewInner());
       }},
  };
  for (const auto& [name, work] : works) {
    bool finished = false;
    for (ASInt32 skip = 0; !finished && skip < 200; ++skip) {
      ASInt64 before = ASMemOutstandingBlocks();
      destination = nullptr;
      ASMemInjectFailure(skip, 1);
      ASErrorCode code = 0;
      DURING
        work();
        finished = true;
      HANDLER
        code = ERRORCODE;
      END_HANDLER
      ASMemClearFailure();
      if (!finished) {
        EXPECT_EQ(genExceptionOutOfMemory, code) << name << " at " << skip;
      }
      KCabDestroy(destination);
      EXPECT_EQ(before, ASMemOutstandingBlocks()) << name << " at allocation " << skip;
    }
    EXPECT_TRUE(finished) << name;
  }
  EXPECT_EQ(expected, DumpKCab(source));
  EXPECT_TRUE(DestroyLog::Log().empty());
  KCabDestroy(source);
  EXPECT_EQ(1u, DestroyLog::Log().size());
}

}  // namespace

namespace {

// Large cabinets keep an index by key: random stores, removals, anonymous
// stores and detaches must agree with a plain model at every step.
TEST_F(KCabTest, LargeCabinetsAgreeWithAModelThroughRandomChanges) {
  SKCab* cab = KCabNewInner();
  std::map<std::string, int> model;  // key -> int value (sub-cabinets count as -1)
  unsigned seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  for (int step = 0; step < 6000; ++step) {
    unsigned r = next();
    std::string key = (r & 1) ? std::to_string(next() % 700) : "k" + std::to_string(next() % 500);
    switch (next() % 6) {
      case 0:
      case 1:
        KCabPutInt(cab, key.c_str(), step);
        model[key] = step;
        break;
      case 2:
        KCabRemove(cab, key.c_str());
        model.erase(key);
        break;
      case 3: {
        KCabPutCab(cab, key.c_str(), KCabNewInner());
        model[key] = -1;
        break;
      }
      case 4: {
        SKCab* sub = KCabDetachCab(cab, key.c_str());
        if (sub) {
          EXPECT_EQ(-1, model[key]);
          model.erase(key);
          KCabDestroy(sub);
        }
        break;
      }
      default: {
        ASAtom atom = KCabPutCabAnon(cab, KCabNewInner());
        model[ASAtomGetString(atom)] = -1;
        break;
      }
    }
    if (step % 500 == 0 || step == 5999) {
      ASSERT_EQ(model.size(), cab->count);
      for (const auto& [k, v] : model) {
        if (v == -1) {
          ASSERT_NE(nullptr, KCabGetCab(cab, k.c_str())) << k;
        } else {
          ASSERT_EQ(v, KCabGetInt(cab, k.c_str(), -2)) << k;
        }
      }
      // Order: numeric keys by length then bytes, then the others.
      Strings keys = Keys(cab);
      ASSERT_EQ(model.size(), keys.size());
      for (size_t i = 1; i < keys.size(); ++i) {
        const std::string& a = keys[i - 1];
        const std::string& b = keys[i];
        bool an = a[0] != 'k', bn = b[0] != 'k';
        bool ordered = an != bn ? an : an ? (a.size() != b.size() ? a.size() < b.size() : a < b) : a < b;
        ASSERT_TRUE(ordered) << a << " before " << b;
      }
    }
    for (const char* missing : {"k9999", "99999"}) ASSERT_FALSE(KCabKnown(cab, missing));
  }
  EXPECT_NE(nullptr, cab->index);
  SKCab* copy = KCabDup(cab);
  EXPECT_EQ(DumpKCab(cab), DumpKCab(copy));
  KCabMakeEmpty(cab);
  EXPECT_EQ(nullptr, cab->index);
  KCabDestroy(copy);
  KCabDestroy(cab);
}

// The index is a cache: without memory for it, lookups still work.
TEST_F(KCabTest, LargeCabinetsWorkWithoutMemoryForTheirIndex) {
  SKCab* cab = KCabNewInner();
  for (int i = 0; i < 24; ++i) KCabPutInt(cab, "", i);
  ASMemInjectFailure(1, 1);  // the entry succeeds, the index fails
  KCabPutInt(cab, "", 24);
  ASMemClearFailure();
  EXPECT_EQ(nullptr, cab->index);
  for (int i = 25; i < 100; ++i) KCabPutInt(cab, "", i);
  EXPECT_NE(nullptr, cab->index);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(i, KCabGetInt(cab, std::to_string(i).c_str(), -1));
  KCabDestroy(cab);
}

}  // namespace
