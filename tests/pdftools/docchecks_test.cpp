// Document checks, the save version and the small Cos operations.
#include <gtest/gtest.h>

#include <string>

#include "fixtures/PermissionFixtures.h"
#include "host/AS.h"
#include "host/PD.h"
#include "pdftools/CosOps.h"
#include "pdftools/DocChecks.h"
#include "pdftools/KCosStream.h"
#include "support/CosStreamBytes.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using kvtest::ErrorOf;
using kvtest::ScopedDoc;

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new kvtest::EnglishMessagesEnvironment);

ASAtom A(const char* s) { return ASAtomFromString(s); }

std::string ErrorText(ASErrorCode e) {
  char text[300];
  ASGetErrorString(e, text, sizeof text);
  return text;
}

std::string Message(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

// ---- protection and XFA ----------------------------------------------------

TEST(DocChecks, ProtectedAndXFADocumentsAreRefused) {
  kvtest::TempDir dir;
  struct Case {
    const char* what;
    bool edit, annotate, xfa;
    int refusal;  // 0 none, 1 protected, 2 XFA
  } cases[] = {
      {"open document", true, true, false, 0},
      {"edit but no annotations", true, false, false, 1},
      {"annotations but no editing", false, true, false, 1},
      {"neither", false, false, false, 1},
      {"XFA form", true, true, true, 2},
      {"protected XFA form", false, false, true, 2},
  };
  for (const Case& c : cases) {
    std::string path = dir.file(std::string(c.what) + ".pdf");
    kvfix::WritePermissions(path, c.edit, c.annotate, c.xfa);
    ScopedDoc doc(kvtest::OpenPdf(path));
    EXPECT_EQ(c.xfa, PDDocIsXFA(doc) != 0) << c.what;
    ASErrorCode xfa = ErrorOf([&] { ExceptionIfXFA(doc); });
    EXPECT_EQ(c.xfa ? util1ExceptionXFA : 0, xfa) << c.what;
    ASErrorCode e = ErrorOf([&] { ExceptionIfPDDocProtected(doc); });
    ASErrorCode want = c.refusal == 0 ? 0 : c.refusal == 1 ? util1ExceptionFileProtected : util1ExceptionXFA;
    EXPECT_EQ(want, e) << c.what;
    if (e) {
      EXPECT_EQ(Message(c.refusal == 1 ? "util1.protected" : "util1.xfa"), ErrorText(e)) << c.what;
    }
  }
  EXPECT_NE(util1ExceptionXFA, util1ExceptionFileProtected);
  EXPECT_NE(0, util1ExceptionFileProtected);
}

TEST(DocChecks, XFAEntryMustBeInAnAcroFormDictionary) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj catalog = CosDocGetRoot(doc);
  EXPECT_FALSE(PDDocIsXFA(pd));
  CosObj form = CosNewDict(doc, 1, 2);
  CosDictPut(catalog, A("AcroForm"), form);
  EXPECT_FALSE(PDDocIsXFA(pd));
  CosDictPut(form, A("XFA"), CosNewArray(doc, 0, 0));
  EXPECT_TRUE(PDDocIsXFA(pd));
  // Not a dictionary: no form at all.
  CosDictPut(catalog, A("AcroForm"), CosNewArray(doc, 0, 1));
  EXPECT_FALSE(PDDocIsXFA(pd));
}

TEST(DocChecks, SetupRegistersOnce) {
  Util1_SetupModule();
  ASErrorCode first = util1ExceptionXFA;
  Util1_SetupModule();
  EXPECT_EQ(first, util1ExceptionXFA);
  EXPECT_TRUE(util1SetupDone);
  EXPECT_EQ("Cannot invert matrix - bad page in PDF", ErrorText(util1ExceptionBadMatrix));
}

// ---- save version --------------------------------------------------------------

struct SaveVersionDoc {
  ScopedDoc pd{PDDocCreate()};
  CosObj catalog;
  SaveVersionDoc(int major, int minor) {
    CosDoc doc = PDDocGetCosDoc(pd);
    catalog = CosDocGetRoot(doc);
    if (major >= 0) CosDictPut(catalog, A("KRVL_SaveMajorVersion"), CosNewInteger(doc, 0, major));
    if (minor >= 0) CosDictPut(catalog, A("KRVL_SaveMinorVersion"), CosNewInteger(doc, 0, minor));
  }
  int Major() { return CosIntegerValue(CosDictGet(catalog, A("KRVL_SaveMajorVersion"))); }
  int Minor() { return CosIntegerValue(CosDictGet(catalog, A("KRVL_SaveMinorVersion"))); }
};

TEST(SaveVersion, RaisedOnlyWhenRecordedAndLower) {
  struct Case {
    int storedMajor, storedMinor, major, minor;
    bool result;
    int wantMajor, wantMinor;
  } cases[] = {
      {1, 4, 1, 6, true, 1, 6}, {1, 7, 1, 6, true, 1, 7}, {1, 6, 1, 6, true, 1, 6},
      {1, 7, 2, 0, true, 2, 0}, {2, 0, 1, 7, true, 2, 0},
      {1, -1, 1, 3, true, 1, 3},  // a missing minor reads as 0
  };
  for (const Case& c : cases) {
    SaveVersionDoc d(c.storedMajor, c.storedMinor);
    EXPECT_EQ(c.result, AddPDFSaveVersion(d.pd, c.major, c.minor) != 0);
    EXPECT_EQ(c.wantMajor, d.Major());
    EXPECT_EQ(c.wantMinor, d.Minor());
  }
  SaveVersionDoc none(-1, -1);
  EXPECT_FALSE(AddPDFSaveVersion(none.pd, 1, 7));
  EXPECT_FALSE(CosDictKnown(none.catalog, A("KRVL_SaveMajorVersion")));
  EXPECT_FALSE(CosDictKnown(none.catalog, A("KRVL_SaveMinorVersion")));
  // A damaged record does not stop the command: it is overwritten.
  SaveVersionDoc damaged(-1, -1);
  CosDictPut(damaged.catalog, A("KRVL_SaveMajorVersion"), CosNewName(PDDocGetCosDoc(damaged.pd), 0, A("x")));
  EXPECT_TRUE(AddPDFSaveVersion(damaged.pd, 1, 5));
  EXPECT_EQ(1, damaged.Major());
  EXPECT_EQ(5, damaged.Minor());
}

TEST(SaveVersion, FromTheSourceDocumentsVersion) {
  kvtest::TempDir dir;
  kvfix::WritePermissions(dir.file("source.pdf"), true, true, false);
  ScopedDoc source(kvtest::OpenPdf(dir.file("source.pdf")));
  ASInt16 major = 0, minor = 0;
  PDDocGetVersion(source, &major, &minor);
  SaveVersionDoc d(1, 0);
  EXPECT_TRUE(AddPDFSaveVersionFromDoc(d.pd, source));
  EXPECT_EQ(major, d.Major());
  EXPECT_EQ(minor, d.Minor());
}

// ---- Cos operations ------------------------------------------------------------

TEST(CosOps, ArrayMembershipAndConcatenation) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj shared = CosNewDict(doc, 1, 1);
  CosObj array = CosNewArray(doc, 1, 3);
  CosArrayPut(array, 0, CosNewName(doc, 0, A("PDF")));
  CosArrayPut(array, 1, shared);
  CosArrayPut(array, 2, CosNewInteger(doc, 0, 7));
  EXPECT_TRUE(IsObjectInArray(array, CosNewName(doc, 0, A("PDF"))));
  EXPECT_TRUE(IsObjectInArray(array, shared));
  EXPECT_TRUE(IsObjectInArray(array, CosNewInteger(doc, 0, 7)));
  EXPECT_FALSE(IsObjectInArray(array, CosNewName(doc, 0, A("Text"))));
  EXPECT_FALSE(IsObjectInArray(array, CosNewDict(doc, 1, 1)));  // another dictionary, however alike
  EXPECT_FALSE(IsObjectInArray(CosNewArray(doc, 0, 0), shared));

  CosObj out = CosNewNull();
  ConcatenateToArray(doc, array, &out, CosNewName(doc, 0, A("Text")));
  ASSERT_EQ(CosArray, CosObjGetType(out));
  EXPECT_TRUE(CosObjIsIndirect(out));
  EXPECT_FALSE(CosObjEqual(out, array));
  ASSERT_EQ(4, CosArrayLength(out));
  EXPECT_EQ(3, CosArrayLength(array));
  EXPECT_TRUE(CosObjEqual(shared, CosArrayGet(out, 1)));
  EXPECT_EQ(A("Text"), CosNameValue(CosArrayGet(out, 3)));

  CosObj direct = CosNewArray(doc, 0, 0);
  ConcatenateToArray(doc, direct, &out, CosNewInteger(doc, 0, 1));
  EXPECT_FALSE(CosObjIsIndirect(out));
  ASSERT_EQ(1, CosArrayLength(out));
  EXPECT_EQ(1, CosIntegerValue(CosArrayGet(out, 0)));
}

TEST(CosOps, StreamsFromDataCompressAbove30Bytes) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  for (ASInt32 length : {0, 7, 30, 31, 5000}) {
    std::string data;
    for (ASInt32 i = 0; i < length; ++i) data += (char)('a' + i % 5);
    ASInt32 slots = CosDocSlotCount(doc);
    CosObj s = MakeStreamFromData(doc, data.data(), length);
    ASSERT_EQ(CosStream, CosObjGetType(s)) << length;
    EXPECT_TRUE(CosObjIsIndirect(s));
    CosObj filter = CosDictGet(s, A("Filter"));
    if (length > 30) {
      EXPECT_EQ(A("FlateDecode"), CosNameValue(filter)) << length;
      EXPECT_NE(data, kvtest::CosStreamBytes(s, cosOpenRaw));
    } else {
      EXPECT_EQ(CosNull, CosObjGetType(filter)) << length;
      EXPECT_EQ(data, kvtest::CosStreamBytes(s, cosOpenRaw));
    }
    EXPECT_EQ(data, kvtest::CosStreamBytes(s, cosOpenFiltered)) << length;
    EXPECT_EQ(slots, CosDocSlotCount(doc)) << "the attribute dictionary is given back";
  }
  EXPECT_EQ(0, ASStmOpenCount());
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { MakeStreamFromData(doc, "x", -1); }));
}

TEST(CosOps, KCosNewStreamPassesItsArguments) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  std::string data = "0123456789";
  ASStm m = ASMemStmRdOpen(data.data(), data.size());
  CosObj attributes = CosNewDict(doc, 0, 1);
  CosDictPut(attributes, A("Subtype"), CosNewName(doc, 0, A("Form")));
  CosObj s = KCosNewStream(doc, 1, m, 2, 0, attributes, CosNewNull(), 5);
  ASStmClose(m);
  EXPECT_EQ("23456", kvtest::CosStreamBytes(s, cosOpenFiltered));
  EXPECT_EQ(A("Form"), CosNameValue(CosDictGet(s, A("Subtype"))));
}

TEST(CosOps, GenerateUnusedKey) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  struct Case {
    std::vector<const char*> keys;
    const char* next;
  } cases[] = {
      {{}, "S1"},
      {{"S3", "S12", "Sx", "T99"}, "S13"},
      {{"S"}, "S1"},
      {{"S0"}, "S1"},
      {{"S007"}, "S8"},
      {{"S1a", "S-4", "s9", "S 2"}, "S1"},
      {{"S9223372036854775806"}, "S9223372036854775807"},
      // Beyond the largest number: the first free one.
      {{"S99999999999999999999999", "S1", "S2"}, "S3"},
  };
  for (const Case& c : cases) {
    CosObj dict = CosNewDict(doc, 0, 4);
    for (const char* k : c.keys) CosDictPut(dict, A(k), CosNewInteger(doc, 0, 1));
    EXPECT_STREQ(c.next, ASAtomGetString(GenerateUnusedKey(dict))) << c.next;
  }
}

TEST(CosOps, StringEqualityReadsUTF16) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  auto S = [&](const std::string& bytes) { return CosNewString(doc, 0, bytes.data(), bytes.size()); };
  EXPECT_TRUE(CosObjIsStringEqualTo(S("abc"), "abc"));
  EXPECT_TRUE(CosObjIsStringEqualTo(S(std::string("\xFE\xFF\0a\0b\0c", 8)), "abc"));
  EXPECT_FALSE(CosObjIsStringEqualTo(S(std::string("\xFE\xFF\0a", 4)), "abc"));
  EXPECT_FALSE(CosObjIsStringEqualTo(S(std::string("\xFF\xFE" "a\0b\0c\0", 8)), "abc"));
  EXPECT_FALSE(CosObjIsStringEqualTo(S(std::string("\xFE\xFF\0a\0b\1c", 8)), "abc"));
  EXPECT_FALSE(CosObjIsStringEqualTo(S("abd"), "abc"));
  EXPECT_TRUE(CosObjIsStringEqualTo(S(""), ""));
  EXPECT_TRUE(CosObjIsStringEqualTo(S("\xFE\xFF"), ""));
  EXPECT_TRUE(CosObjIsStringEqualTo(S("PDF/X-4"), "PDF/X-4"));
  EXPECT_FALSE(CosObjIsStringEqualTo(S("PDF/X-4p"), "PDF/X-4"));
  EXPECT_FALSE(CosObjIsStringEqualTo(CosNewName(doc, 0, A("abc")), "abc"));
  EXPECT_FALSE(CosObjIsStringEqualTo(CosNewNull(), "abc"));
}

}  // namespace
