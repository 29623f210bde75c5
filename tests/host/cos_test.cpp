#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

class CosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pd = PDDocCreate();
    doc = PDDocGetCosDoc(pd);
  }
  void TearDown() override {
    if (pd) PDDocClose(pd);
    EXPECT_EQ(0, ASStmOpenCount());
  }
  PDDoc pd = nullptr;
  CosDoc doc = nullptr;
};

std::string ReadAllStm(ASStm s) {
  std::string out;
  char buf[100];
  for (;;) {
    ASSize_t n = ASStmRead(buf, 1, sizeof buf, s);
    out.append(buf, n);
    if (n < sizeof buf) break;
  }
  return out;
}

std::string StreamData(CosObj stream, CosStreamOpenMode mode) {
  ASStm s = CosStreamOpenStm(stream, mode);
  std::string out = ReadAllStm(s);
  ASStmClose(s);
  return out;
}

}  // namespace

TEST_F(CosTest, ScalarsDirectAndIndirect) {
  for (ASBool indirect : {0, 1}) {
    struct Case {
      CosObj obj;
      CosType type;
    } cases[] = {
        {CosNewInteger(doc, indirect, -42), CosInteger},
        {CosNewInteger64(doc, indirect, 5000000000LL), CosInteger},
        {CosNewFixed(doc, indirect, fixedHalf), CosReal},
        {CosNewReal(doc, indirect, 2.25f), CosReal},
        {CosNewBoolean(doc, indirect, 1), CosBoolean},
        {CosNewName(doc, indirect, A("Helvetica")), CosName},
        {CosNewString(doc, indirect, "a\0b", 3), CosString},
        {CosNewDict(doc, indirect, 4), CosDict},
        {CosNewArray(doc, indirect, 4), CosArray},
    };
    for (const Case& c : cases) {
      EXPECT_EQ(c.type, CosObjGetType(c.obj));
      EXPECT_EQ(indirect, CosObjIsIndirect(c.obj));
      EXPECT_EQ(doc, CosObjGetDoc(c.obj));
      if (indirect) EXPECT_GT(CosObjGetID(c.obj), 0);
      else EXPECT_EQ(0, CosObjGetID(c.obj));
    }
    EXPECT_EQ(-42, CosIntegerValue(cases[0].obj));
    EXPECT_EQ(5000000000LL, CosInteger64Value(cases[1].obj));
    EXPECT_EQ(INT32_MAX, CosIntegerValue(cases[1].obj)) << "saturated";
    EXPECT_EQ(fixedHalf, CosFixedValue(cases[2].obj));
    EXPECT_FLOAT_EQ(2.25f, CosFloatValue(cases[3].obj));
    EXPECT_EQ(1, CosBooleanValue(cases[4].obj));
    EXPECT_EQ(A("Helvetica"), CosNameValue(cases[5].obj));
    ASSize_t len = 0;
    const char* bytes = CosStringValue(cases[6].obj, &len);
    ASSERT_EQ(3u, len);
    EXPECT_EQ(0, std::memcmp(bytes, "a\0b", 3));
  }
  EXPECT_EQ(CosNull, CosObjGetType(CosNewNull()));
}

TEST_F(CosTest, NumberReadersConvertAndSaturate) {
  struct Case {
    double value;
    ASInt32 asInt;
    ASFixed asFixed;
    ASBool inFixedRange;
  } cases[] = {
      {3.7, 3, ASFloatToFixed(3.7), 1},
      {-3.7, -3, ASFloatToFixed(-3.7), 1},
      {40000.0, 40000, fixedPositiveInfinity, 0},
      {-1e12, INT32_MIN, fixedNegativeInfinity, 0},
  };
  for (const Case& c : cases) {
    CosObj o = CosNewDouble(doc, 0, c.value);
    EXPECT_EQ(c.asInt, CosIntegerValue(o)) << c.value;
    EXPECT_EQ(c.asFixed, CosFixedValue(o)) << c.value;
    EXPECT_EQ(c.inFixedRange, CosNumberIsWithinASFixedRange(o)) << c.value;
  }
  EXPECT_EQ(ASInt32ToFixed(7), CosFixedValue(CosNewInteger(doc, 0, 7)));
}

TEST_F(CosTest, WrongTypesRaiseHostErrors) {
  CosObj name = CosNewName(doc, 0, A("X"));
  CosObj dict = CosNewDict(doc, 0, 1);
  CosObj array = CosNewArray(doc, 0, 1);
  struct Case {
    const char* what;
    std::function<void()> call;
    ASErrorCode code;
  } cases[] = {
      {"integer of a name", [&] { CosIntegerValue(name); }, cosErrBadType},
      {"boolean of a dict", [&] { CosBooleanValue(dict); }, cosErrBadType},
      {"name of an array", [&] { CosNameValue(array); }, cosErrBadType},
      {"string of a name", [&] { CosStringValue(name, nullptr); }, cosErrBadType},
      {"dict get on an array", [&] { CosDictGet(array, A("K")); }, cosErrExpectedDict},
      {"dict put on a name", [&] { CosDictPut(name, A("K"), name); }, cosErrExpectedDict},
      {"array length of a dict", [&] { CosArrayLength(dict); }, cosErrExpectedArray},
      {"stream dict of a dict", [&] { CosStreamDict(dict); }, cosErrExpectedStream},
      {"open a dict as stream", [&] { CosStreamOpenStm(dict, cosOpenFiltered); }, cosErrExpectedStream},
      {"put into the null object", [&] { CosDictPut(CosNewNull(), A("K"), name); }, genErrBadParm},
  };
  for (const Case& c : cases) EXPECT_EQ(c.code, ErrorOf(c.call)) << c.what;
}

TEST_F(CosTest, CopiedStringAndNameTexts) {
  ASSize_t len = 99;
  char* s = CosCopyStringValue(CosNewString(doc, 0, "ab\0c", 4), &len);
  EXPECT_EQ(4u, len);
  EXPECT_EQ(0, std::memcmp(s, "ab\0c", 5)) << "bytes and a NUL after them";
  ASfree(s);
  char* n = CosCopyNameStringValue(CosNewName(doc, 1, A("Name With Space")), &len);
  EXPECT_STREQ("Name With Space", n);
  EXPECT_EQ(15u, len);
  ASfree(n);
}

TEST_F(CosTest, DictionaryPutGetKnownRemove) {
  CosObj d = CosNewDict(doc, 1, 4);
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(d, A("Missing"))));
  EXPECT_FALSE(CosDictKnown(d, A("Missing")));
  CosDictPut(d, A("A"), CosNewInteger(doc, 0, 1));
  CosDictPutKeyString(d, "B", CosNewName(doc, 0, A("Bee")));
  EXPECT_TRUE(CosDictKnown(d, A("A")));
  EXPECT_TRUE(CosDictKnownKeyString(d, "B"));
  EXPECT_EQ(1, CosIntegerValue(CosDictGetKeyString(d, "A")));
  CosDictPut(d, A("A"), CosNewNull());
  EXPECT_FALSE(CosDictKnown(d, A("A"))) << "putting null removes";
  CosDictRemoveKeyString(d, "B");
  CosDictRemove(d, A("NeverThere"));
  EXPECT_FALSE(CosDictKnown(d, A("B")));
}

namespace {
struct Seen {
  std::vector<std::string> keys;
  int stopAfter = 1000;
  CosObj dict{};
};
ASBool RecordKeys(CosObj key, CosObj value, void* data) {
  Seen* s = static_cast<Seen*>(data);
  s->keys.push_back(ASAtomGetString(CosNameValue(key)));
  if (CosObjGetType(s->dict) == CosDict) CosDictRemove(s->dict, A("C"));  // changes what is enumerated
  (void)value;
  return (int)s->keys.size() < s->stopAfter;
}
ASBool RecordItems(CosObj item, CosObj, void* data) {
  static_cast<std::vector<ASInt32>*>(data)->push_back(CosIntegerValue(item));
  return 1;
}
}  // namespace

TEST_F(CosTest, EnumerationCanStopAndSeesChanges) {
  CosObj d = CosNewDict(doc, 0, 4);
  for (const char* k : {"B", "A", "C", "D"}) CosDictPut(d, A(k), CosNewInteger(doc, 0, 1));
  Seen all;
  EXPECT_TRUE(CosObjEnum(d, RecordKeys, &all));
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "D"}), all.keys);
  Seen two;
  two.stopAfter = 2;
  EXPECT_FALSE(CosObjEnum(d, RecordKeys, &two));
  EXPECT_EQ(2u, two.keys.size());
  Seen removing;
  removing.dict = d;
  EXPECT_TRUE(CosObjEnum(d, RecordKeys, &removing));
  EXPECT_EQ((std::vector<std::string>{"A", "B", "D"}), removing.keys) << "a key removed meanwhile is skipped";

  CosObj a = CosNewArray(doc, 0, 3);
  for (int i = 0; i < 3; ++i) CosArrayPut(a, i, CosNewInteger(doc, 0, i * 10));
  std::vector<ASInt32> items;
  EXPECT_TRUE(CosObjEnum(a, RecordItems, &items));
  EXPECT_EQ((std::vector<ASInt32>{0, 10, 20}), items);
}

TEST_F(CosTest, ArrayPutInsertRemove) {
  CosObj a = CosNewArray(doc, 1, 0);
  CosArrayPut(a, 3, CosNewInteger(doc, 0, 7));
  ASSERT_EQ(4, CosArrayLength(a)) << "put past the end grows the array";
  EXPECT_EQ(CosNull, CosObjGetType(CosArrayGet(a, 1)));
  EXPECT_EQ(CosNull, CosObjGetType(CosArrayGet(a, 99))) << "out of range reads null";
  EXPECT_EQ(CosNull, CosObjGetType(CosArrayGet(a, -1)));
  CosArrayInsert(a, 0, CosNewInteger(doc, 0, 1));
  CosArrayInsert(a, 100, CosNewInteger(doc, 0, 9));
  ASSERT_EQ(6, CosArrayLength(a));
  EXPECT_EQ(1, CosIntegerValue(CosArrayGet(a, 0)));
  EXPECT_EQ(9, CosIntegerValue(CosArrayGet(a, 5)));
  CosArrayRemove(a, CosNewInteger(doc, 0, 7));
  EXPECT_EQ(5, CosArrayLength(a));
  CosArrayRemoveNth(a, 0);
  CosArrayRemoveNth(a, 50);
  EXPECT_EQ(4, CosArrayLength(a));
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { CosArrayPut(a, -1, CosNewNull()); }));
}

TEST_F(CosTest, DirectContainersKeepValueSemantics) {
  CosObj first = CosNewDict(doc, 1, 1), second = CosNewDict(doc, 1, 1);
  CosObj box = CosNewArray(doc, 0, 4);
  CosDictPut(first, A("Box"), box);
  CosArrayPut(box, 0, CosNewInteger(doc, 0, 5));  // adopted: the container sees later changes
  EXPECT_EQ(1, CosArrayLength(CosDictGet(first, A("Box"))));

  CosDictPut(second, A("Box"), box);  // already has a parent: a copy goes in
  CosArrayPut(box, 1, CosNewInteger(doc, 0, 6));
  EXPECT_EQ(2, CosArrayLength(CosDictGet(first, A("Box"))));
  EXPECT_EQ(1, CosArrayLength(CosDictGet(second, A("Box"))));

  CosObj fromFirst = CosDictGet(first, A("Box"));
  CosDictPut(first, A("Again"), fromFirst);  // read out of a container: copied too
  CosArrayPut(CosDictGet(first, A("Again")), 0, CosNewInteger(doc, 0, 99));
  EXPECT_EQ(5, CosIntegerValue(CosArrayGet(CosDictGet(first, A("Box")), 0)));
  EXPECT_TRUE(CosObjEqual(fromFirst, CosDictGet(first, A("Box")))) << "the same direct object reads the same handle";

  CosObj copy = CosObjCopyDirect(fromFirst);
  EXPECT_FALSE(CosObjEqual(copy, fromFirst));
  EXPECT_EQ(CosArrayLength(fromFirst), CosArrayLength(copy));
}

TEST_F(CosTest, EqualityAndHash) {
  PDDoc other = PDDocCreate();
  CosDoc doc2 = PDDocGetCosDoc(other);
  CosObj ind = CosNewDict(doc, 1, 0);
  CosObj holder = CosNewArray(doc, 0, 1);
  CosArrayPut(holder, 0, ind);
  CosObj dA = CosNewDict(doc, 0, 0), dB = CosNewDict(doc, 0, 0);
  struct Case {
    const char* what;
    CosObj a, b;
    bool equal;
  } cases[] = {
      {"indirect read back", ind, CosArrayGet(holder, 0), true},
      {"indirect by number", ind, CosDocGetObjByID(doc, CosObjGetID(ind), CosObjGetGeneration(ind)), true},
      {"same number, other document", CosNewInteger(doc, 1, 1), CosNewInteger(doc2, 1, 1), false},
      {"integers by value", CosNewInteger(doc, 0, 4), CosNewInteger(doc2, 0, 4), true},
      {"big integers by value", CosNewInteger64(doc, 0, 1LL << 40), CosNewInteger64(doc, 0, 1LL << 40), true},
      {"reals by value", CosNewDouble(doc, 0, 1.5), CosNewDouble(doc, 0, 1.5), true},
      {"strings by bytes", CosNewString(doc, 0, "xy", 2), CosNewString(doc, 0, "xy", 2), true},
      {"string against name", CosNewString(doc, 0, "ab", 2), CosNewName(doc, 0, A("ab")), false},
      {"direct dicts by identity", dA, dB, false},
      {"a direct dict and itself", dA, dA, true},
      {"direct against indirect", CosNewInteger(doc, 0, 1), CosNewInteger(doc, 1, 1), false},
      {"nulls", CosNewNull(), CosDictGet(ind, A("None")), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.equal, (bool)CosObjEqual(c.a, c.b)) << c.what;
    if (c.equal) {
      EXPECT_EQ(CosObjHash(c.a), CosObjHash(c.b)) << c.what;
    }
  }
  PDDocClose(other);
}

TEST_F(CosTest, StreamsFromMemoryEncodedOrNot) {
  std::string text(500, 'x');
  text += "the end";
  CosObj attrs = CosNewDict(doc, 0, 2);
  CosDictPut(attrs, A("Filter"), CosNewName(doc, 0, A("FlateDecode")));
  CosDictPut(attrs, A("Length"), CosNewInteger(doc, 0, 3));  // the host's business: ignored
  CosDictPut(attrs, A("Custom"), CosNewInteger(doc, 0, 1));
  ASStm m = ASMemStmRdOpen(text.data(), text.size());
  CosObj encoded = CosNewStream(doc, 1, m, 0, 1, attrs, CosNewNull(), -1);
  ASStmClose(m);
  std::string raw = StreamData(encoded, cosOpenRaw);
  EXPECT_LT(raw.size(), text.size()) << "compressed at once";
  EXPECT_EQ(raw, StreamData(encoded, cosOpenUnfiltered));
  EXPECT_EQ(text, StreamData(encoded, cosOpenFiltered));
  EXPECT_EQ((ASInt32)raw.size(), CosStreamLength(encoded));
  CosObj dict = CosStreamDict(encoded);
  EXPECT_EQ(A("FlateDecode"), CosNameValue(CosDictGet(dict, A("Filter"))));
  EXPECT_EQ(1, CosIntegerValue(CosDictGet(encoded, A("Custom")))) << "dictionary calls work on streams";

  // Already encoded bytes are stored as they are; start and length pick a slice.
  std::string hex = "junk48656C6C6F>more";
  CosObj hexAttrs = CosNewDict(doc, 0, 1);
  CosDictPut(hexAttrs, A("Filter"), CosNewName(doc, 0, A("ASCIIHexDecode")));
  m = ASMemStmRdOpen(hex.data(), hex.size());
  CosObj plain = CosNewStream64(doc, 1, m, 4, 0, hexAttrs, CosNewNull(), 11);
  ASStmClose(m);
  EXPECT_EQ("48656C6C6F>", StreamData(plain, cosOpenRaw));
  EXPECT_EQ("Hello", StreamData(plain, cosOpenFiltered));

  // From the current position (-1) to the end.
  m = ASMemStmRdOpen(text.data(), text.size());
  char skip[500];
  ASStmRead(skip, 1, 500, m);
  CosObj tail = CosNewStream(doc, 1, m, -1, 0, CosNewNull(), CosNewNull(), -1);
  ASStmClose(m);
  EXPECT_EQ("the end", StreamData(tail, cosOpenFiltered));

  CosObj badFilter = CosNewDict(doc, 0, 1);
  CosDictPut(badFilter, A("Filter"), CosNewName(doc, 0, A("DCTDecode")));
  m = ASMemStmRdOpen(text.data(), text.size());
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { CosNewStream(doc, 1, m, 0, 1, badFilter, CosNewNull(), -1); }))
      << "a filter the host cannot encode with";
  ASStmClose(m);
}

TEST_F(CosTest, DamagedStreamsGiveWhatCanBeDecoded) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "0 0 m " + std::to_string(i) + " 10 l S\n";
  CosObj attrs = CosNewDict(doc, 0, 1);
  CosDictPut(attrs, A("Filter"), CosNewName(doc, 0, A("FlateDecode")));
  ASStm m = ASMemStmRdOpen(text.data(), text.size());
  CosObj whole = CosNewStream(doc, 1, m, 0, 1, attrs, CosNewNull(), -1);
  ASStmClose(m);
  std::string raw = StreamData(whole, cosOpenRaw);
  std::string cut = raw.substr(0, raw.size() / 2);
  m = ASMemStmRdOpen(cut.data(), cut.size());
  CosObj truncated = CosNewStream(doc, 1, m, 0, 0, attrs, CosNewNull(), -1);
  ASStmClose(m);
  std::string part = StreamData(truncated, cosOpenFiltered);
  EXPECT_GT(part.size(), 0u);
  EXPECT_LT(part.size(), text.size());
  EXPECT_EQ(text.substr(0, part.size()), part) << "the part that could be decoded";
  EXPECT_GT(PDDocGetWarningCount(pd), 0) << "and the damage is reported";
  std::string junk = "not flate at all";
  m = ASMemStmRdOpen(junk.data(), junk.size());
  CosObj garbage = CosNewStream(doc, 1, m, 0, 0, attrs, CosNewNull(), -1);
  ASStmClose(m);
  EXPECT_EQ(cosErrDamagedStream, ErrorOf([&] { CosStreamOpenStm(garbage, cosOpenFiltered); }));
  EXPECT_EQ(junk, StreamData(garbage, cosOpenRaw));
}

TEST_F(CosTest, StreamFromASliceOfAFile) {
  TempDir dir;
  std::string path = dir.file("segments.bin");
  WriteWholeFile(path, "first-segment|second-segment");
  ASPathName p = PosixPath(path);
  ASFile f = nullptr;
  ASSERT_EQ(0, ASFileSysOpenFile(nullptr, p, ASFILE_READ | ASFILE_WRITE, &f));
  ASFileSetPos64(f, 28);
  ASStm writer = ASFileStmWrOpen(f, 0);  // a temporary file's write stream, as callers hand it over
  CosObj s = CosNewStream64(doc, 1, writer, 14, 0, CosNewNull(), CosNewNull(), 14);
  EXPECT_EQ("second-segment", StreamData(s, cosOpenFiltered));
  EXPECT_EQ(28, ASFileGetPos64(f)) << "the file's position is left as it was";
  ASStmClose(writer);
  ASFileClose(f);
  ASFileSysReleasePath(nullptr, p);
}

TEST_F(CosTest, DocumentRootTrailerInfoAndDirtyFlag) {
  EXPECT_EQ(A("Catalog"), CosNameValue(CosDictGet(CosDocGetRoot(doc), A("Type"))));
  EXPECT_EQ(CosDict, CosObjGetType(CosDocGetTrailer(doc)));
  EXPECT_EQ(CosNull, CosObjGetType(CosDocGetInfoDict(doc))) << "a new document has no information dictionary";
  PDDocSetInfo(pd, "Title", "T", 1);
  EXPECT_EQ(CosDict, CosObjGetType(CosDocGetInfoDict(doc)));

  CosDocSetDirty(doc, 0);
  PDDocClearFlags(pd, PDDocNeedsSave);
  CosNewDict(doc, 0, 0);
  EXPECT_FALSE(CosDocIsDirty(doc)) << "a direct object changes nothing yet";
  CosDictPut(CosDocGetRoot(doc), A("Mark"), CosNewInteger(doc, 0, 1));
  EXPECT_TRUE(CosDocIsDirty(doc));
  EXPECT_TRUE(PDDocGetFlags(pd) & PDDocNeedsSave);
  CosDocSetDirty(doc, 0);
  EXPECT_FALSE(CosDocIsDirty(doc));
}

namespace {
ASBool CountObjects(CosObj, CosObj, void* data) {
  int* n = static_cast<int*>(data);
  return ++*n < 3;
}
}  // namespace

TEST_F(CosTest, EnumerateIndirectObjectsAndStop) {
  for (int i = 0; i < 5; ++i) CosNewInteger(doc, 1, i);
  int n = 0;
  EXPECT_FALSE(CosDocEnumIndirect(doc, CountObjects, &n));
  EXPECT_EQ(3, n);
}

TEST_F(CosTest, SlotsAreReusedAndStaleHandlesCaught) {
  CosObj d = CosNewDict(doc, 1, 1);
  CosObj inner = CosNewArray(doc, 0, 1);
  CosDictPut(d, A("In"), inner);
  ASInt32 before = CosDocSlotCount(doc);
  for (int i = 0; i < 100; ++i) CosDictGet(d, A("In"));
  EXPECT_EQ(before, CosDocSlotCount(doc)) << "the same direct object keeps one slot";
  CosObj temp = CosNewString(doc, 0, "t", 1);
  EXPECT_EQ(before + 1, CosDocSlotCount(doc));
  CosObjDestroy(temp);
  EXPECT_EQ(before, CosDocSlotCount(doc));
  EXPECT_EQ(cosErrInvalidObj, ErrorOf([&] { CosObjGetType(temp); }));

  CosObj gone = CosNewInteger(doc, 1, 5);
  CosObjDestroy(gone);
  EXPECT_EQ(CosNull, CosObjGetType(gone)) << "a destroyed indirect object reads as null";
}

TEST_F(CosTest, ObjectsOfOtherOrClosedDocuments) {
  PDDoc other = PDDocCreate();
  CosDoc doc2 = PDDocGetCosDoc(other);
  CosObj foreign = CosNewDict(doc2, 1, 0);
  CosObj mine = CosNewDict(doc, 1, 0);
  EXPECT_EQ(cosErrDocMismatch, ErrorOf([&] { CosDictPut(mine, A("F"), foreign); }));
  EXPECT_EQ(cosErrDocMismatch, ErrorOf([&] { CosDictPut(mine, A("F"), CosNewArray(doc2, 0, 0)); }));
  CosDictPut(mine, A("N"), CosNewInteger(doc2, 0, 3));  // plain values travel
  CosDictPut(mine, A("S"), CosNewString(doc2, 0, "s", 1));
  EXPECT_EQ(3, CosIntegerValue(CosDictGet(mine, A("N"))));
  PDDocClose(other);
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { CosObjGetType(foreign); }));
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { CosDocGetRoot(doc2); }));
}
