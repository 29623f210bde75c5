#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/TextConv.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

// Builders over one document.
struct Maker {
  CosDoc doc;
  CosObj Int(ASInt64 v, bool ind = false) const { return CosNewInteger64(doc, ind, v); }
  CosObj Real(double v, bool ind = false) const { return CosNewDouble(doc, ind, v); }
  CosObj Name(const char* n, bool ind = false) const { return CosNewNameFromString(doc, ind, n); }
  CosObj Str(const std::string& s, bool ind = false) const { return CosNewString(doc, ind, s.data(), s.size()); }
  CosObj Dict(std::vector<std::pair<const char*, CosObj>> entries, bool ind = false) const {
    CosObj d = CosNewDict(doc, ind, (ASInt32)entries.size());
    for (auto& [k, v] : entries) CosDictPut(d, A(k), v);
    return d;
  }
  CosObj Arr(std::vector<CosObj> items, bool ind = false) const {
    CosObj a = CosNewArray(doc, ind, (ASInt32)items.size());
    for (size_t i = 0; i < items.size(); ++i) CosArrayPut(a, (ASInt32)i, items[i]);
    return a;
  }
  // A stream of the bytes; with flate they are compressed by the host.
  CosObj Stream(const std::string& bytes, bool flate = false, CosObj extra = CosNewNull()) const {
    CosObj attrs = CosObjGetType(extra) == CosDict ? extra : CosNewDict(doc, false, 2);
    if (flate) CosDictPut(attrs, A("Filter"), CosNewName(doc, false, A("FlateDecode")));
    ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
    CosObj s = CosNewStream(doc, true, stm, 0, flate, attrs, CosNewNull(), (ASInt32)bytes.size());
    ASStmClose(stm);
    return s;
  }
};

std::string ReadAll(CosObj stream, CosStreamOpenMode mode) {
  ASStm stm = CosStreamOpenStm(stream, mode);
  std::string out;
  char buf[8192];
  for (ASSize_t n; (n = ASStmRead(buf, 1, sizeof buf, stm)) > 0;) out.append(buf, n);
  ASStmClose(stm);
  return out;
}

std::string Bytes(size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  unsigned x = seed;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = (char)(x >> 16);
  }
  return s;
}

// Changes every direct container reachable from o without passing a
// reference: a key added to each dictionary, an element to each array.
void MutateDirectParts(CosObj o, bool top = true) {
  if (!top && CosObjIsIndirect(o)) return;
  CosType t = CosObjGetType(o);
  std::vector<CosObj> members;
  if (t == CosDict) {
    CosObjEnum(
        o,
        [](CosObj, CosObj v, void* c) -> ASBool {
          static_cast<std::vector<CosObj>*>(c)->push_back(v);
          return true;
        },
        &members);
    CosDictPut(o, A("Mutated"), CosNewInteger(CosObjGetDoc(o), false, 1));
  } else if (t == CosArray) {
    for (ASInt32 i = 0; i < CosArrayLength(o); ++i) members.push_back(CosArrayGet(o, i));
    CosArrayInsert(o, 0, CosNewInteger(CosObjGetDoc(o), false, 7));
  }
  for (CosObj m : members) MutateDirectParts(m, false);
}

// Calls visit for every object reachable from o, following references (each
// indirect object once) and stream dictionaries.
void Walk(CosObj o, const std::function<void(CosObj)>& visit, std::set<std::pair<CosDoc, ASInt32>>& seen) {
  std::vector<CosObj> todo{o};
  while (!todo.empty()) {
    CosObj x = todo.back();
    todo.pop_back();
    if (CosObjIsIndirect(x) && !seen.insert({CosObjGetDoc(x), CosObjGetID(x)}).second) continue;
    visit(x);
    CosType t = CosObjGetType(x);
    CosObj c = t == CosStream ? CosStreamDict(x) : x;
    if (t == CosStream) visit(c);
    if (t == CosDict || t == CosStream) {
      CosObjEnum(
          c,
          [](CosObj, CosObj v, void* p) -> ASBool {
            static_cast<std::vector<CosObj>*>(p)->push_back(v);
            return true;
          },
          &todo);
    } else if (t == CosArray) {
      for (ASInt32 i = 0; i < CosArrayLength(x); ++i) todo.push_back(CosArrayGet(x, i));
    }
  }
}

// Every object reachable from o belongs to doc; returns how many indirect
// objects were reached.
size_t ExpectAllIn(CosObj o, CosDoc doc) {
  std::set<std::pair<CosDoc, ASInt32>> seen;
  Walk(
      o,
      [&](CosObj x) {
        if (CosObjGetType(x) != CosNull) {
          EXPECT_EQ(doc, CosObjGetDoc(x)) << Describe(x);
        }
      },
      seen);
  return seen.size();
}

class CosCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = PDDocCreate();
    other = PDDocCreate();
    m = Maker{PDDocGetCosDoc(doc)};
    o = Maker{PDDocGetCosDoc(other)};
    streams = ASStmOpenCount();
    // Text conversion keeps one block for good from its first use (error
    // texts are converted when they are registered); count from after it.
    UTF8ToPlatformNativeBytesNeededTerm("x");
    blocks = ASMemOutstandingBlocks();
  }
  void TearDown() override {
    ASFaultClearAll();
    ASMemClearFailure();
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(streams, ASStmOpenCount()) << "streams left open";
    EXPECT_EQ(blocks, ASMemOutstandingBlocks()) << "host blocks not freed";
    PDDocClose(doc);
    PDDocClose(other);
  }
  PDDoc doc = nullptr, other = nullptr;
  Maker m{}, o{};
  ASInt32 streams = 0;
  ASInt64 blocks = 0;
  TempDir dir;
};

// ---- shallow copies ----------------------------------------------------------

TEST_F(CosCopyTest, CopyObjIfDirectSharesIndirectAndRebuildsDirect) {
  CosObj font = m.Dict({{"Type", m.Name("Font")}}, true);
  CosObj indirect = m.Dict({{"F1", font}}, true);
  EXPECT_TRUE(CosObjEqual(indirect, CopyObjIfDirect(indirect)));

  CosObj direct = m.Dict({{"Font", font}, {"Arr", m.Arr({m.Int(1), m.Int(2)})}, {"S", m.Str("ab")}});
  CosObj copy = CopyObjIfDirect(direct);
  EXPECT_FALSE(CosObjIsIndirect(copy));
  EXPECT_FALSE(CosObjEqual(direct, copy));
  EXPECT_TRUE(CosObjEqual(font, CosDictGet(copy, A("Font"))));
  EXPECT_FALSE(CosObjEqual(CosDictGet(direct, A("Arr")), CosDictGet(copy, A("Arr"))));
  EXPECT_EQ(Describe(direct), Describe(copy));
}

// A copy's direct parts are its own; its indirect parts are the original's.
TEST_F(CosCopyTest, CopiesAreIndependentInDirectPartsAndShareIndirectOnes) {
  CosObj shared = m.Dict({{"Kind", m.Name("Shared")}}, true);
  CosObj sharedArr = m.Arr({m.Int(5)}, true);
  auto nested = [&](bool ind) {
    return m.Dict({{"Inner", m.Dict({{"Deep", m.Arr({m.Int(1), m.Dict({{"X", m.Str("x")}}), shared})}})},
                   {"List", m.Arr({m.Arr({m.Int(2)}), sharedArr, m.Str("s")})},
                   {"Ref", shared},
                   {"N", m.Int(3)}},
                  ind);
  };
  struct Case {
    const char* what;
    std::function<CosObj()> source;
    std::function<CosObj(CosObj)> copy;
    int indirect;  // the copy's top: 1 indirect, 0 direct
  };
  const Case cases[] = {
      {"CopyObj of a direct dictionary", [&] { return nested(false); }, CopyObj, 0},
      {"CopyObj of an indirect dictionary", [&] { return nested(true); }, CopyObj, 1},
      {"CopyObjAsDirect of an indirect dictionary", [&] { return nested(true); }, CopyObjAsDirect, 0},
      {"CopyDict direct", [&] { return nested(true); }, [](CosObj x) { return CopyDict(x, true); }, 0},
      {"CopyDict indirect as source", [&] { return nested(true); }, [](CosObj x) { return CopyDict(x, false); }, 1},
      {"CopyArray of an indirect array",
       [&] { return m.Arr({nested(false), shared, m.Arr({m.Str("q")})}, true); },
       [](CosObj x) { return CopyArray(x, false); }, 1},
      {"CopyObjAsDirect of an array",
       [&] { return m.Arr({nested(false), sharedArr}, true); }, CopyObjAsDirect, 0},
      {"CopyObjIfDirect of a direct array", [&] { return m.Arr({nested(false), shared}); }, CopyObjIfDirect, 0},
  };
  for (const Case& c : cases) {
    CosObj src = c.source();
    std::string before = Describe(src);
    CosObj copy = c.copy(src);
    EXPECT_EQ(c.indirect, CosObjIsIndirect(copy)) << c.what;
    EXPECT_FALSE(CosObjEqual(src, copy)) << c.what;
    EXPECT_EQ(before, Describe(copy)) << c.what << ": same contents, same references";
    MutateDirectParts(copy);
    EXPECT_EQ(before, Describe(src)) << c.what << ": the original changed with its copy";
    EXPECT_NE(before, Describe(copy)) << c.what;
  }
  // The shared objects were reached through copies and are still the originals.
  CosDictPut(shared, A("Touched"), m.Int(1));
  CosObj copy = CopyObj(nested(false));
  EXPECT_TRUE(CosDictKnown(CosDictGet(copy, A("Ref")), A("Touched")));
}

TEST_F(CosCopyTest, CopyObjOfScalarsKeepsIndirectnessAndValue) {
  CosObj i = m.Int(7, true);
  CosObj ci = CopyObj(i);
  EXPECT_TRUE(CosObjIsIndirect(ci));
  EXPECT_NE(CosObjGetID(i), CosObjGetID(ci));
  EXPECT_EQ(7, CosIntegerValue(ci));
  CosObj di = CopyObjAsDirect(i);
  EXPECT_FALSE(CosObjIsIndirect(di));
  EXPECT_EQ(7, CosIntegerValue(di));

  struct Case {
    CosObj obj;
    CosType type;
  };
  const Case cases[] = {{m.Int(1LL << 40, true), CosInteger}, {m.Real(12345678.5, true), CosReal},
                        {m.Real(0.123456, true), CosReal},    {CosNewBoolean(m.doc, true, true), CosBoolean},
                        {m.Name("Nm", true), CosName},        {m.Str(std::string("a\0b", 3), true), CosString}};
  for (const Case& c : cases) {
    for (CosObj copy : {CopyObj(c.obj), CopyObjAsDirect(c.obj)}) {
      EXPECT_EQ(c.type, CosObjGetType(copy));
      EXPECT_TRUE(CosObjContentsEqual(c.obj, copy)) << Describe(c.obj) << " vs " << Describe(copy);
      EXPECT_EQ(Describe(CopyObjAsDirect(c.obj)), Describe(copy));
    }
    EXPECT_TRUE(CosObjIsIndirect(CopyObj(c.obj)));
    EXPECT_FALSE(CosObjIsIndirect(CopyObjAsDirect(c.obj)));
  }
  EXPECT_EQ(1LL << 40, CosInteger64Value(CopyObj(cases[0].obj)));
  EXPECT_EQ(12345678.5, CosDoubleValue(CopyObj(cases[1].obj)));

  // Direct numbers and names are returned as they are; strings are new.
  CosObj direct = m.Int(9);
  EXPECT_TRUE(CosObjEqual(direct, CopyObj(direct)));
  CosObj s = m.Str("abc", true);
  EXPECT_NE(CosObjGetID(s), CosObjGetID(CopyObj(s)));

  // Streams and nulls come back as they are; CopyStream leaves non-streams alone.
  CosObj stream = m.Stream("data");
  EXPECT_TRUE(CosObjEqual(stream, CopyObj(stream)));
  EXPECT_TRUE(CosObjEqual(stream, CopyObjAsDirect(stream)));
  CosObj name = m.Name("ab");
  EXPECT_TRUE(CosObjEqual(name, CopyStream(name)));
  EXPECT_EQ(CosNull, CosObjGetType(CopyObj(CosNewNull())));
}

// ---- stream copies --------------------------------------------------------------

TEST_F(CosCopyTest, CopyStreamKeepsEncodedBytesFilterAndOtherEntries) {
  std::string plain = std::string(3000, 'x') + Bytes(500);
  CosObj shared = m.Dict({{"K", m.Int(1)}}, true);
  CosObj attrs = m.Dict({{"Extra", shared}, {"Length", m.Int(3)}, {"Arr", m.Arr({m.Int(4)})}});
  CosObj src = m.Stream(plain, true, attrs);
  std::string raw = ReadAll(src, cosOpenRaw);
  ASSERT_LT(raw.size(), plain.size());

  CosObj copy = CopyStream(src);
  ASSERT_EQ(CosStream, CosObjGetType(copy));
  EXPECT_NE(CosObjGetID(src), CosObjGetID(copy));
  EXPECT_EQ(raw, ReadAll(copy, cosOpenRaw));
  EXPECT_EQ(plain, ReadAll(copy, cosOpenFiltered));
  CosObj dict = CosStreamDict(copy);
  EXPECT_EQ(A("FlateDecode"), CosNameValue(CosDictGet(dict, A("Filter"))));
  EXPECT_TRUE(CosObjEqual(shared, CosDictGet(dict, A("Extra"))));
  EXPECT_FALSE(CosObjEqual(CosDictGet(CosStreamDict(src), A("Arr")), CosDictGet(dict, A("Arr"))));
  EXPECT_EQ((ASInt32)raw.size(), CosStreamLength(copy));
}

// Data below one block goes through memory, a full block and more through a
// temporary file: with temporary files failing, only the small copies work.
TEST_F(CosCopyTest, CopyStreamSizesAroundTheBlock) {
  struct Case {
    size_t size;
    bool needsTempFile;
  };
  const Case cases[] = {{0, false},     {1, false},     {59999, false},
                        {60000, true},  {60001, true},  {150001, true}};
  for (const Case& c : cases) {
    std::string data = Bytes(c.size, (unsigned)c.size);
    CosObj src = m.Stream(data);
    CosObj copy = CopyStream(src);
    EXPECT_EQ(data, ReadAll(copy, cosOpenRaw)) << c.size;
    CosObj clone = CloneObject(o.doc, src);
    EXPECT_EQ(data, ReadAll(clone, cosOpenRaw)) << c.size;

    ASFaultInject("ASFileSysOpenFile", fileErrOpenFailed, 0, 1);
    ASErrorCode err = ErrorOf([&] { CopyStream(src); });
    ASFaultClearAll();
    EXPECT_EQ(c.needsTempFile, err != 0) << c.size;
  }
}

TEST_F(CosCopyTest, CopyStreamFailuresReleaseEverything) {
  struct Case {
    const char* call;
    size_t size;
  };
  const Case cases[] = {{"CosNewStream", 100},  {"CosNewStream", 70000}, {"ASFileWrite", 130000},
                        {"CosStreamOpenStm", 10}, {"ASFileRead", 70000}};
  for (const Case& c : cases) {
    CosObj src = m.Stream(Bytes(c.size));
    ASFaultInject(c.call, genErrGeneral, 0, 1);
    ASErrorCode err = ErrorOf([&] { CopyStream(src); });
    ASFaultClearAll();
    EXPECT_EQ(genErrGeneral, err) << c.call << " " << c.size;
    EXPECT_EQ(streams, ASStmOpenCount()) << c.call;
    EXPECT_EQ(blocks, ASMemOutstandingBlocks()) << c.call;
  }
  CosObj small = m.Stream("abc");
  ASMemInjectFailure(0, 1);
  EXPECT_NE(0, ErrorOf([&] { CopyStream(small); }));
  ASMemClearFailure();
}

// ---- cloning --------------------------------------------------------------------

TEST_F(CosCopyTest, CloneKeepsScalarValuesAndIndirectness) {
  const CosObj cases[] = {m.Int(-5),
                          m.Int(1LL << 40, true),
                          m.Real(0.123456),           // fixed point would give 0.12346
                          m.Real(12345678.5, true),   // single precision would give 12345678
                          m.Real(40000.25),           // beyond fixed point
                          CosNewBoolean(m.doc, false, true),
                          m.Name("Helvetica", true),
                          m.Str(std::string("a\0b\xff", 4), true)};
  for (CosObj c : cases) {
    CosObj clone = CloneObject(o.doc, c);
    EXPECT_EQ(CosObjGetType(c), CosObjGetType(clone)) << Describe(c);
    EXPECT_EQ(CosObjIsIndirect(c), CosObjIsIndirect(clone)) << Describe(c);
    EXPECT_EQ(Describe(CopyObjAsDirect(c)), Describe(CopyObjAsDirect(clone)));
    if (CosObjGetType(c) == CosReal) {
      EXPECT_EQ(CosDoubleValue(c), CosDoubleValue(clone));
    }
    if (CosObjGetType(c) == CosInteger) {
      EXPECT_EQ(CosInteger64Value(c), CosInteger64Value(clone));
    }
    EXPECT_EQ(o.doc, CosObjGetDoc(clone));
  }
  EXPECT_EQ(CosNull, CosObjGetType(CloneObject(o.doc, CosNewNull())));
}

// A whole page tree (page, parent, kids, contents, fonts) cloned from a file:
// the clone refers to nothing of its source, holds the same contents, keeps
// the cycles of Parent and Kids, and is written as a sound file.
TEST_F(CosCopyTest, ClonedPageTreeHoldsNoReferenceIntoItsSource) {
  std::string path = dir.file("inherited.pdf");
  kvfix::WriteInherited(path);
  ScopedDoc src(OpenPdf(path));
  ScopedPage page(src, 0);
  CosObj pageDict = PDPageGetCosObj(page);

  CosObj clone = CloneObject(o.doc, pageDict);
  size_t reached = ExpectAllIn(clone, o.doc);
  std::set<std::pair<CosDoc, ASInt32>> seen;
  Walk(pageDict, [](CosObj) {}, seen);
  EXPECT_EQ(seen.size(), reached) << "each object cloned once";
  EXPECT_TRUE(CosObjContentsEqual(pageDict, clone));

  // Parent -> Kids leads back to the clone itself, not to a second copy.
  CosObj kids = CosDictGet(CosDictGet(clone, A("Parent")), A("Kids"));
  bool found = false;
  for (ASInt32 i = 0; i < CosArrayLength(kids); ++i) found = found || CosObjEqual(CosArrayGet(kids, i), clone);
  EXPECT_TRUE(found);

  // Stream data came along: the contents decode to the same text.
  CosObj contents = CosDictGet(clone, A("Contents"));
  EXPECT_EQ(ReadAll(CosDictGet(pageDict, A("Contents")), cosOpenFiltered), ReadAll(contents, cosOpenFiltered));

  CosDictPut(CosDocGetRoot(o.doc), A("KVClone"), clone);
  std::string out = dir.file("clone.pdf");
  SavePdf(other, out);
  EXPECT_EQ(0, QpdfCheck(out));
  ScopedDoc back(OpenPdf(out));
  CosObj reread = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(back)), A("KVClone"));
  EXPECT_TRUE(CosObjContentsEqual(pageDict, reread));

  // Every call makes new objects.
  CosObj again = CloneObject(o.doc, pageDict);
  EXPECT_NE(CosObjGetID(clone), CosObjGetID(again));
}

TEST_F(CosCopyTest, CloneCopiesCyclesAsCyclesAndSharedObjectsOnce) {
  std::string path = dir.file("cyclic.pdf");
  kvfix::WriteCyclicObjects(path);
  ScopedDoc src(OpenPdf(path));
  CosObj self = CosDocGetObjByID(PDDocGetCosDoc(src), 4, 0);
  ASSERT_EQ(CosDict, CosObjGetType(self));
  CosObj clone = CloneObject(o.doc, self);
  EXPECT_TRUE(CosObjEqual(clone, CosDictGet(clone, A("Self"))));
  CosObj arr = CosDictGet(clone, A("Arr"));
  EXPECT_TRUE(CosObjEqual(arr, CosArrayGet(arr, 0)));
  EXPECT_TRUE(CosObjEqual(clone, CosArrayGet(arr, 1)));
  ExpectAllIn(clone, o.doc);

  CosObj shared = m.Dict({{"V", m.Int(1)}}, true);
  CosObj holder = m.Dict({{"A", shared}, {"B", m.Arr({shared, shared})}});
  CosObj c = CloneObject(o.doc, holder);
  CosObj ca = CosDictGet(c, A("A"));
  EXPECT_TRUE(CosObjIsIndirect(ca));
  EXPECT_TRUE(CosObjEqual(ca, CosArrayGet(CosDictGet(c, A("B")), 1)));
  EXPECT_FALSE(CosObjIsIndirect(c));
}

// A stream whose dictionary leads back to the stream, and a reference to an
// object that no longer exists.
TEST_F(CosCopyTest, CloneStreamsAndMissingObjects) {
  CosObj stream = m.Stream(std::string(2000, 'z'), true);
  CosObj owner = m.Dict({{"Contents", stream}}, true);
  CosDictPut(stream, A("Owner"), owner);
  CosObj gone = m.Dict({}, true);
  CosObj holder = m.Dict({{"S", stream}, {"Gone", gone}, {"Keep", m.Int(1)}, {"List", m.Arr({gone, m.Int(2)})}});
  CosObjDestroy(gone);

  CosObj clone = CloneObject(o.doc, holder);
  ExpectAllIn(clone, o.doc);
  CosObj cs = CosDictGet(clone, A("S"));
  EXPECT_TRUE(CosObjEqual(cs, CosDictGet(CosDictGet(cs, A("Owner")), A("Contents"))));
  EXPECT_EQ(std::string(2000, 'z'), ReadAll(cs, cosOpenFiltered));
  EXPECT_EQ(A("FlateDecode"), CosNameValue(CosDictGet(cs, A("Filter"))));
  EXPECT_FALSE(CosDictKnown(clone, A("Gone")));
  EXPECT_EQ(CosNull, CosObjGetType(CosArrayGet(CosDictGet(clone, A("List")), 0)));
  EXPECT_TRUE(CosObjContentsEqual(holder, clone));

  CosDictPut(CosDocGetRoot(o.doc), A("KVClone"), clone);
  std::string out = dir.file("streams.pdf");
  SavePdf(other, out);
  EXPECT_EQ(0, QpdfCheck(out));
}

// Long chains of references are walked without recursion.
TEST_F(CosCopyTest, CloneAndCompareLongChains) {
  const int n = 20000;
  auto chain = [&](const Maker& mk, int last) {
    CosObj head = mk.Dict({{"I", mk.Int(last)}}, true);
    for (int i = 1; i < n; ++i) head = mk.Dict({{"Next", head}, {"I", mk.Int(i)}}, true);
    return head;
  };
  CosObj a = chain(m, 0);
  CosObj clone = CloneObject(o.doc, a);
  EXPECT_TRUE(CosObjContentsEqual(a, clone));
  EXPECT_FALSE(CosObjContentsEqual(a, chain(o, 1)));
  int length = 0;
  for (CosObj x = clone; CosObjGetType(x) == CosDict; x = CosDictGet(x, A("Next"))) ++length;
  EXPECT_EQ(n, length);
}

// ---- comparison ------------------------------------------------------------------

TEST_F(CosCopyTest, ContentComparisonTable) {
  CosObj missing = m.Dict({}, true);
  CosObj nullRef = m.Dict({{"K", missing}});
  CosObjDestroy(missing);
  std::string big = Bytes(4097);
  std::string bigOther = big;
  bigOther.back() ^= 1;
  struct Case {
    const char* what;
    CosObj a, b;
    bool equal;
  };
  const Case cases[] = {
      {"integer 3 and real 3.0", m.Int(3), m.Real(3.0), true},
      {"reals equal in fixed point only", m.Real(1.00001), m.Real(1.000011), false},
      {"reals beyond fixed point", m.Real(40000.5), m.Real(50000.5), false},
      {"integers beyond fixed point", m.Int(40000), m.Int(50000), false},
      {"integer and real beyond fixed point", m.Int(40000), m.Real(40000.0), true},
      {"64-bit integers", m.Int(1LL << 40), m.Int((1LL << 40) + 1), false},
      {"string and name", m.Str("ab"), m.Name("ab"), false},
      {"strings with NULs", m.Str(std::string("a\0b", 3)), m.Str(std::string("a\0b", 3), true), true},
      {"strings differing after a NUL", m.Str(std::string("a\0b", 3)), m.Str(std::string("a\0c", 3)), false},
      {"names", m.Name("X"), m.Name("X", true), true},
      {"booleans", CosNewBoolean(m.doc, false, true), CosNewBoolean(m.doc, false, false), false},
      {"nulls", CosNewNull(), CosNewNull(), true},
      {"null and zero", CosNewNull(), m.Int(0), false},
      {"null-valued key and no key", nullRef, m.Dict({}), true},
      {"extra key", m.Dict({{"K", m.Int(1)}}), m.Dict({}), false},
      {"same entries", m.Dict({{"K", m.Int(1)}, {"L", m.Str("s")}}), m.Dict({{"L", m.Str("s")}, {"K", m.Real(1)}}),
       true},
      {"different values", m.Dict({{"K", m.Int(1)}}), m.Dict({{"K", m.Int(2)}}), false},
      {"different lengths", m.Arr({m.Int(1), m.Int(2)}), m.Arr({m.Int(1), m.Int(2), m.Int(3)}), false},
      {"nested arrays", m.Arr({m.Int(1), m.Arr({m.Int(2), m.Name("N")})}),
       m.Arr({m.Int(1), m.Arr({m.Int(2), m.Name("N")}, true)}), true},
      {"nested arrays differing deep", m.Arr({m.Arr({m.Arr({m.Int(2)})})}), m.Arr({m.Arr({m.Arr({m.Int(3)})})}),
       false},
      {"indirect dictionaries of two documents", m.Dict({{"A", m.Arr({m.Int(1)})}}, true),
       o.Dict({{"A", o.Arr({o.Int(1)})}}, true), true},
      {"streams alike", m.Stream(big), o.Stream(big), true},
      {"streams differing in the last byte", m.Stream(big), m.Stream(bigOther), false},
      {"streams with different dictionaries", m.Stream("abc", false, m.Dict({{"X", m.Int(1)}})), m.Stream("abc"),
       false},
      {"streams with and without a filter", m.Stream("abc", true), m.Stream("abc"), false},
      {"stream and dictionary", m.Stream("abc"), m.Dict({}), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.equal, (bool)CosObjContentsEqual(c.a, c.b)) << c.what;
    EXPECT_EQ(c.equal, (bool)CosObjContentsEqual(c.b, c.a)) << c.what << " (reversed)";
  }
  EXPECT_TRUE(CosDictContentsEqual(nullRef, m.Dict({})));
  EXPECT_TRUE(CosDictContentsEqual(m.Dict({}), nullRef));
}

// Cycles end: equal cycles are equal, a difference anywhere in them is found.
TEST_F(CosCopyTest, ComparisonOfCycles) {
  auto ring = [](const Maker& mk, int size, int mark) {
    std::vector<CosObj> nodes;
    for (int i = 0; i < size; ++i) nodes.push_back(mk.Dict({{"I", mk.Int(i == size - 1 ? mark : i)}}, true));
    for (int i = 0; i < size; ++i) CosDictPut(nodes[i], A("Next"), nodes[(i + 1) % size]);
    CosDictPut(nodes[0], A("Self"), nodes[0]);
    return nodes[0];
  };
  EXPECT_TRUE(CosObjContentsEqual(ring(m, 5, 0), ring(o, 5, 0)));
  EXPECT_FALSE(CosObjContentsEqual(ring(m, 5, 0), ring(o, 5, 1)));
  EXPECT_FALSE(CosObjContentsEqual(ring(m, 5, 0), ring(o, 4, 0)));

  // Two documents from one file: their page trees compare page by page.
  std::string path = dir.file("inherited.pdf");
  kvfix::WriteInherited(path);
  ScopedDoc d1(OpenPdf(path)), d2(OpenPdf(path));
  ScopedPage a0(d1, 0), b0(d2, 0), b1(d2, 1);
  EXPECT_TRUE(CosObjContentsEqual(PDPageGetCosObj(a0), PDPageGetCosObj(b0)));
  EXPECT_FALSE(CosObjContentsEqual(PDPageGetCosObj(a0), PDPageGetCosObj(b1)));
}

// ---- counting and key lists ----------------------------------------------------------

TEST_F(CosCopyTest, DictCountElements) {
  CosObj missing = m.Dict({}, true);
  CosObj d = m.Dict({{"A", m.Int(1)}, {"B", m.Arr({})}, {"C", missing}});
  EXPECT_EQ(3, DictCountElements(d));
  EXPECT_EQ(0, DictCountElements(m.Arr({m.Int(1)})));
  EXPECT_EQ(0, DictCountElements(m.Stream("x")));
  EXPECT_EQ(0, DictCountElements(CosNewNull()));
}

TEST_F(CosCopyTest, DictKeyListGrowth) {
  struct Case {
    int keys;
    ASInt32 capacity;
  };
  for (const Case c : {Case{0, 20}, Case{20, 20}, Case{21, 50}, Case{25, 50}, Case{51, 110}}) {
    CosObj d = m.Dict({});
    std::set<std::string> want;
    for (int i = 0; i < c.keys; ++i) {
      std::string k = "Key" + std::to_string(i);
      CosDictPut(d, A(k.c_str()), m.Int(i));
      want.insert(k);
    }
    SDictKeyList* list = NewDictKeyList(d);
    EXPECT_EQ(c.keys, list->count);
    EXPECT_EQ(c.capacity, list->capacity);
    EXPECT_EQ(c.keys > 20, list->heapKeys != nullptr);
    EXPECT_TRUE(CosObjEqual(d, list->obj));
    std::set<std::string> got;
    for (ASInt32 i = 0; i < list->count; ++i) got.insert(list->keys[i]);
    EXPECT_EQ(want, got);
    DestroyDictKeyList(list);
  }
  CosObj stream = m.Stream("x", false, m.Dict({{"Foo", m.Int(1)}}));
  SDictKeyList* list = NewDictKeyList(stream);
  EXPECT_TRUE(CosObjEqual(CosStreamDict(stream), list->obj));
  std::set<std::string> keys(list->keys, list->keys + list->count);
  EXPECT_TRUE(keys.count("Foo"));
  DestroyDictKeyList(list);

  CosObj i = m.Int(4);
  list = NewDictKeyList(i);
  EXPECT_EQ(0, list->count);
  EXPECT_TRUE(CosObjEqual(i, list->obj));
  DestroyDictKeyList(list);
  DestroyDictKeyList(nullptr);
}

// Memory running out part-way raises and leaves nothing behind.
TEST_F(CosCopyTest, DictKeyListOutOfMemory) {
  CosObj d = m.Dict({});
  for (int i = 0; i < 60; ++i) CosDictPut(d, A(("K" + std::to_string(i)).c_str()), m.Int(i));
  for (ASInt32 skip : {0, 1, 20, 21, 51, 52}) {
    ASMemInjectFailure(skip, 1);
    ASErrorCode err = ErrorOf([&] { DestroyDictKeyList(NewDictKeyList(d)); });
    ASMemClearFailure();
    EXPECT_NE(0, err) << skip;
    EXPECT_EQ(blocks, ASMemOutstandingBlocks()) << skip;
  }
}

}  // namespace
