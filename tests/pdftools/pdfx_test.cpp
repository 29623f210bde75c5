// PDF/X: classification, the validation of two documents' settings, trim
// boxes for imposed pages, and carrying PDF/X over into imposed documents.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "pdftools/PDFX.h"
#include "support/CosDescribe.h"
#include "support/DocTestUtil.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

std::string Xmp(PDDoc doc, const char* ns, const char* name) {
  ASText tns = ASTextFromUnicode(ns, kUTF8), path = ASTextFromUnicode(name, kUTF8);
  ASText value = PDDocGetXAPMetadataProperty(doc, tns, path);
  std::string out = value ? ASTextGetUTF8(value) : "<none>";
  ASTextDestroy(value);
  ASTextDestroy(tns);
  ASTextDestroy(path);
  return out;
}

void SetXmp(PDDoc doc, const char* ns, const char* prefix, const char* name, const char* value) {
  ASText tns = ASTextFromUnicode(ns, kUTF8), pre = ASTextFromUnicode(prefix, kUTF8),
         path = ASTextFromUnicode(name, kUTF8), v = ASTextFromUnicode(value, kUTF8);
  PDDocSetXAPMetadataProperty(doc, tns, pre, path, v);
  for (ASText t : {tns, pre, path, v}) ASTextDestroy(t);
}

std::string Packet(PDDoc doc) {
  ASText p = PDDocGetXAPMetadata(doc);
  std::string out = ASTextGetUTF8(p);
  ASTextDestroy(p);
  return out;
}

void SetInfoString(PDDoc doc, const char* key, const std::string& value) {
  PDDocSetInfo(doc, key, value.data(), (ASInt32)value.size());
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

CosObj Info(PDDoc doc) { return CosDocGetInfoDict(PDDocGetCosDoc(doc)); }

// What a test document declares. Null leaves a thing out.
struct Decl {
  const char* version = nullptr;
  const char* conformance = nullptr;
  const char* trapped = nullptr;  // a name
  const char* xmpVersion = nullptr;
  const char* intentId = nullptr;
  const char* registry = "http://www.color.org";
  int pages = 0;
  bool content = false;  // pages with Contents
};

CosObj MakeIntent(CosDoc cos, const char* s, const char* id, const char* registry) {
  CosObj intent = CosNewDict(cos, 0, 4);
  CosDictPut(intent, A("Type"), CosNewName(cos, 0, A("OutputIntent")));
  CosDictPut(intent, A("S"), CosNewName(cos, 0, A(s)));
  if (id) CosDictPut(intent, A("OutputConditionIdentifier"), CosNewString(cos, 0, id, std::strlen(id)));
  if (registry) CosDictPut(intent, A("RegistryName"), CosNewString(cos, 0, registry, std::strlen(registry)));
  return intent;
}

CosObj Stream(CosDoc cos, const std::string& bytes) {
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  CosObj s = CosNewStream(cos, 1, stm, 0, 0, CosNewNull(), CosNewNull(), (ASInt32)bytes.size());
  ASStmClose(stm);
  return s;
}

class PdfxTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (PDDoc d : docs) PDDocClose(d);
  }
  PDDoc Make(const Decl& d) {
    PDDoc doc = PDDocCreate();
    docs.push_back(doc);
    CosDoc cos = PDDocGetCosDoc(doc);
    for (int i = 0; i < d.pages; ++i) {
      PDPage page = PDDocCreatePage(doc, i - 1, ASFixedRect{0, 792 << 16, 612 << 16, 0});
      if (d.content) PDPageAddCosContents(page, Stream(cos, "0 0 m 10 10 l S"));
      PDPageRelease(page);
    }
    if (d.version) SetInfoString(doc, "GTS_PDFXVersion", d.version);
    if (d.conformance) SetInfoString(doc, "GTS_PDFXConformance", d.conformance);
    if (d.trapped) {
      if (CosObjGetType(Info(doc)) != CosDict) SetInfoString(doc, "Producer", "test");
      CosDictPut(Info(doc), A("Trapped"), CosNewName(cos, 0, A(d.trapped)));
    }
    if (d.xmpVersion) SetXmp(doc, kXMPNamespacePDFXId, "pdfxid", "GTS_PDFXVersion", d.xmpVersion);
    if (d.intentId) {
      CosObj intents = CosNewArray(cos, 0, 1);
      CosArrayPut(intents, 0, MakeIntent(cos, "GTS_PDFX", d.intentId, d.registry));
      CosDictPut(CosDocGetRoot(cos), A("OutputIntents"), intents);
    }
    return doc;
  }
  PDDoc File(const std::string& name, void (*write)(const std::string&)) {
    std::string path = dir.file(name);
    write(path);
    docs.push_back(OpenPdf(path));
    return docs.back();
  }
  TempDir dir;
  std::vector<PDDoc> docs;
};

TEST_F(PdfxTest, Classification) {
  struct Case {
    const char* what;
    Decl decl;
    ASInt32 expect;
  };
  auto info = [](const char* v, const char* c = nullptr) {
    Decl d;
    d.version = v;
    d.conformance = c;
    return d;
  };
  auto xmp = [](const char* v) {
    Decl d;
    d.xmpVersion = v;
    return d;
  };
  Decl both = info("PDF/X-3:2002");
  both.xmpVersion = "PDF/X-4";
  const Case cases[] = {
      {"nothing", Decl{}, kPDFXNone},
      {"X-3:2002", info("PDF/X-3:2002"), kPDFX32002},
      {"X-3:2003", info("PDF/X-3:2003"), kPDFX32003},
      {"X-1a:2003", info("PDF/X-1a:2003"), kPDFX1a2003},
      {"X-4", info("PDF/X-4"), kPDFX4},
      {"X-4p", info("PDF/X-4p"), kPDFX4p},
      {"X-5g", info("PDF/X-5g"), kPDFX5g},
      {"X-5n", info("PDF/X-5n"), kPDFX5n},
      {"X-5pg", info("PDF/X-5pg"), kPDFX5pg},
      {"X-1:2001 with its conformance", info("PDF/X-1:2001", "PDF/X-1a:2001"), kPDFX1a2001},
      {"X-1:2001 alone", info("PDF/X-1:2001"), kPDFXUnknown},
      {"X-1:2001 of another conformance", info("PDF/X-1:2001", "PDF/X-1:2001"), kPDFXUnknown},
      {"a version nobody knows", info("PDF/X-9"), kPDFXUnknown},
      {"a version of another case", info("pdf/x-4"), kPDFXUnknown},
      {"an empty version", info(""), kPDFXUnknown},
      {"XMP X-4 alone", xmp("PDF/X-4"), kPDFX4},
      {"XMP X-5pg alone", xmp("PDF/X-5pg"), kPDFX5pg},
      {"XMP X-3 alone is not read", xmp("PDF/X-3:2002"), kPDFXNone},
      {"XMP with a version nobody knows", xmp("PDF/X-7"), kPDFXNone},
      {"Info wins over XMP", both, kPDFX32002},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expect, GetFilePDFXClassification(Make(c.decl))) << c.what;

  // Texts with zero bytes and the byte-order mark, stored as they are.
  PDDoc utf16 = Make(Decl{});
  const std::string x4("\xFE\xFF\0P\0D\0F\0/\0X\0-\0" "4", 16);
  SetInfoString(utf16, "GTS_PDFXVersion", x4);
  EXPECT_EQ(kPDFX4, GetFilePDFXClassification(utf16)) << "X-4 written as UTF-16";
  // A version that is no string leaves the question to XMP.
  PDDoc named = Make(xmp("PDF/X-4p"));
  SetInfoString(named, "Title", "named");
  CosDictPut(Info(named), A("GTS_PDFXVersion"), CosNewName(PDDocGetCosDoc(named), 0, A("PDF/X-3:2002")));
  EXPECT_EQ(kPDFX4p, GetFilePDFXClassification(named));
  {
    ScopedHostVersion old(5);
    EXPECT_EQ(kPDFXNone, GetFilePDFXClassification(Make(xmp("PDF/X-4")))) << "no XMP on hosts up to 5";
  }

  EXPECT_EQ(kPDFX1a2001, GetFilePDFXClassification(File("x1a.pdf", kvfix::WritePdfx1a)));
  EXPECT_EQ(kPDFX32002, GetFilePDFXClassification(File("x3.pdf", kvfix::WritePdfx3)));
  EXPECT_EQ(kPDFX4, GetFilePDFXClassification(File("meta.pdf", kvfix::WriteWithMetadata)));
}

TEST_F(PdfxTest, ValidationOfTwoDocuments) {
  struct Case {
    const char* what;
    Decl a, b;
    ASInt32 expect;
  };
  auto d = [](const char* v, const char* trapped = nullptr, const char* intent = nullptr, int pages = 1,
              bool content = true) {
    Decl x;
    x.version = v;
    x.conformance = v && std::string(v) == "PDF/X-1:2001" ? "PDF/X-1a:2001" : nullptr;
    x.trapped = trapped;
    x.intentId = intent;
    x.pages = pages;
    x.content = content;
    return x;
  };
  const Case cases[] = {
      {"neither", d(nullptr), d(nullptr), kPDFXNeitherDeclares},
      {"only B", d(nullptr), d("PDF/X-3:2002"), kPDFXOnlyBDeclares},
      {"only A, B has content", d("PDF/X-3:2002"), d(nullptr), kPDFXOnlyADeclares},
      {"only A, B blank pages", d("PDF/X-3:2002"), d(nullptr, nullptr, nullptr, 3, false), 0},
      {"only A, B without pages", d("PDF/X-3:2002"), d(nullptr, nullptr, nullptr, 0, false), 0},
      {"only A, unknown, B blank", d("PDF/X-9"), d(nullptr, nullptr, nullptr, 1, false), kPDFXUnknownVersion},
      {"both unknown", d("PDF/X-9"), d("PDF/X-8"), kPDFXUnknownVersion},
      {"X-1a:2003 and X-1a:2001", d("PDF/X-1a:2003"), d("PDF/X-1:2001"), 0},
      {"X-3:2003 and X-3:2002", d("PDF/X-3:2003"), d("PDF/X-3:2002"), 0},
      {"X-1a and X-3", d("PDF/X-1a:2003"), d("PDF/X-3:2002"), kPDFXIncompatible},
      {"X-4 and X-4p", d("PDF/X-4"), d("PDF/X-4p"), kPDFXIncompatible},
      {"unknown and X-3", d("PDF/X-9"), d("PDF/X-3:2002"), kPDFXIncompatible},
      {"trapped True and Unknown", d("PDF/X-4", "True"), d("PDF/X-4", "Unknown"), 0},
      {"trapped True and none", d("PDF/X-4", "True"), d("PDF/X-4"), 0},
      {"trapped True and False", d("PDF/X-4", "True"), d("PDF/X-4", "False"), kPDFXTrappedMismatch},
      {"trapped none and True", d("PDF/X-4"), d("PDF/X-4", "True"), kPDFXTrappedMismatch},
      {"same intents", d("PDF/X-4", nullptr, "FOGRA39"), d("PDF/X-4", nullptr, "FOGRA39"), 0},
      {"other intents", d("PDF/X-4", nullptr, "FOGRA39"), d("PDF/X-4", nullptr, "SWOP"), kPDFXIntentMismatch},
      {"one intent", d("PDF/X-4", nullptr, "FOGRA39"), d("PDF/X-4"), 0},
      {"all three", d("PDF/X-9", "True", "A"), d("PDF/X-9", "False", "B"),
       kPDFXUnknownVersion | kPDFXTrappedMismatch | kPDFXIntentMismatch},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expect, PDFXImpositionValidation(Make(c.a), Make(c.b))) << c.what;

  // The fixtures: two different PDF/X versions.
  PDDoc x1a = File("x1a.pdf", kvfix::WritePdfx1a), x3 = File("x3.pdf", kvfix::WritePdfx3);
  EXPECT_EQ(kPDFXIncompatible, PDFXImpositionValidation(x1a, x3));
  EXPECT_EQ(0, PDFXImpositionValidation(x1a, x1a));
}

TEST_F(PdfxTest, OutputIntents) {
  PDDoc doc = Make(Decl{});
  CosDoc cos = PDDocGetCosDoc(doc);
  EXPECT_EQ(CosNull, CosObjGetType(PDDocOutputIntent(doc)));
  CosObj intents = CosNewArray(cos, 0, 5);
  CosArrayPut(intents, 0, CosNewInteger(cos, 0, 1));
  CosArrayPut(intents, 1, MakeIntent(cos, "GTS_PDFA1", "not X", nullptr));
  CosArrayPut(intents, 2, MakeIntent(cos, "GTS_PDFX", nullptr, nullptr));
  CosArrayPut(intents, 3, MakeIntent(cos, "GTS_PDFX", "the one", nullptr));
  CosArrayPut(intents, 4, MakeIntent(cos, "GTS_PDFX", "too late", nullptr));
  CosDictPut(CosDocGetRoot(cos), A("OutputIntents"), intents);
  EXPECT_EQ("the one", StringBytes(CosDictGet(PDDocOutputIntent(doc), A("OutputConditionIdentifier"))));
  CosDictPut(CosDocGetRoot(cos), A("OutputIntents"), CosNewInteger(cos, 0, 3));
  EXPECT_EQ(CosNull, CosObjGetType(PDDocOutputIntent(doc)));

  auto intent = [&](const char* id, const char* registry) { return MakeIntent(cos, "GTS_PDFX", id, registry); };
  auto withProfile = [&](const std::string& bytes) {
    CosObj i = intent(nullptr, nullptr);
    CosDictPut(i, A("DestOutputProfile"), Stream(cos, bytes));
    return i;
  };
  auto withRef = [&](const char* name, const char* sum) {
    CosObj i = intent(nullptr, nullptr);
    CosObj ref = CosNewDict(cos, 0, 2);
    if (name) CosDictPut(ref, A("ProfileName"), CosNewString(cos, 0, name, std::strlen(name)));
    if (sum) CosDictPut(ref, A("CheckSum"), CosNewString(cos, 0, sum, std::strlen(sum)));
    CosDictPut(i, A("DestOutputProfileRef"), ref);
    return i;
  };
  struct Case {
    const char* what;
    CosObj a, b;
    bool equal;
  };
  const Case cases[] = {
      {"two nulls", CosNewNull(), CosNewNull(), true},
      {"a dictionary and a null", intent("X", "R"), CosNewNull(), false},
      {"a null and a dictionary", CosNewInteger(cos, 0, 1), intent("X", "R"), false},
      {"same identifier and registry", intent("X", "R"), intent("X", "R"), true},
      {"same identifier, no registries", intent("X", nullptr), intent("X", nullptr), true},
      {"other registry", intent("X", "R"), intent("X", "S"), false},
      {"other identifier", intent("X", "R"), intent("Y", "R"), false},
      {"identifier on one side only", intent(nullptr, nullptr), intent("X", nullptr), false},
      {"identifier on A only", intent("X", nullptr), intent(nullptr, nullptr), false},
      {"equal profiles", withProfile("profile bytes"), withProfile("profile bytes"), true},
      {"other profiles", withProfile("profile bytes"), withProfile("other bytes"), false},
      {"profile on A only", withProfile("profile bytes"), intent(nullptr, nullptr), false},
      {"equal profile references", withRef("FOGRA39", "1234"), withRef("FOGRA39", "1234"), true},
      {"other checksums", withRef("FOGRA39", "1234"), withRef("FOGRA39", "9999"), false},
      {"a reference on one side", withRef("FOGRA39", "1234"), intent(nullptr, nullptr), false},
      {"no profile at all", intent(nullptr, nullptr), intent(nullptr, nullptr), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.equal, OutputIntentsEqual(c.a, c.b) != 0) << c.what;
}

TEST_F(PdfxTest, TrappedAndEmptyDocuments) {
  PDDoc doc = Make(Decl{});
  const ASAtom unknown = A("Unknown");
  EXPECT_EQ(unknown, PDDocTrappedValue(doc)) << "no Info";
  SetInfoString(doc, "Trapped", "True");
  EXPECT_EQ(unknown, PDDocTrappedValue(doc)) << "a string is no name";
  CosDictPut(Info(doc), A("Trapped"), CosNewName(PDDocGetCosDoc(doc), 0, A("True")));
  EXPECT_EQ(A("True"), PDDocTrappedValue(doc));

  EXPECT_TRUE(EmptyFileCandidateForPDFX(doc)) << "no pages";
  Decl blank;
  blank.pages = 3;
  PDDoc blanks = Make(blank);
  EXPECT_TRUE(EmptyFileCandidateForPDFX(blanks));
  for (const char* key : {"Contents", "Resources", "Annots", "AA"}) {
    PDDoc one = Make(blank);
    ScopedPage page(one, 2);
    CosDictPut(PDPageGetCosObj(page), A(key), CosNewDict(PDDocGetCosDoc(one), 0, 1));
    EXPECT_FALSE(EmptyFileCandidateForPDFX(one)) << key;
  }
  // Resources inherited from the tree do not count: the page has none of its own.
  PDDoc inherited = File("inherited.pdf", kvfix::WriteInherited);
  EXPECT_FALSE(EmptyFileCandidateForPDFX(inherited)) << "its pages have contents";
  EXPECT_EQ(0, PDDocGetAcquiredPageCount(inherited));
}

TEST_F(PdfxTest, TrimBoxesForImposedPages) {
  PDDoc doc = File("boxes.pdf", kvfix::WriteInherited);
  CosDoc cos = PDDocGetCosDoc(doc);
  std::vector<std::string> before;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    ScopedPage page(doc, i);
    CosObj dict = PDPageGetCosObj(page);
    ASFixedRect crop, media;
    PDPageGetCropBox(page, &crop);
    PDPageGetMediaBox(page, &media);
    EXPECT_TRUE(PDFXImpositionPageSetting(page));
    CosObj trim = CosDictGet(dict, A("TrimBox"));
    ASSERT_EQ(CosArray, CosObjGetType(trim)) << i;
    EXPECT_FALSE(CosObjIsIndirect(trim));
    ASFixedRect got;
    EXPECT_TRUE(PDPageGetBox(page, A("TrimBox"), &got));
    // The crop box in force, within the media box (page 2 inherits a crop box wider than its own media box).
    ASFixedRect want{std::max(crop.left, media.left), std::min(crop.top, media.top), std::min(crop.right, media.right),
                     std::max(crop.bottom, media.bottom)};
    EXPECT_EQ(0, std::memcmp(&want, &got, sizeof want)) << "page " << i;
  }
  // A page with a trim box or an art box keeps what it has.
  PDDoc other = Make(Decl{});
  PDPage withTrim = PDDocCreatePage(other, PDBeforeFirstPage, ASFixedRect{0, 100 << 16, 100 << 16, 0});
  PDPage withArt = PDDocCreatePage(other, 0, ASFixedRect{0, 100 << 16, 100 << 16, 0});
  PDPageSetBox(withTrim, A("TrimBox"), ASFixedRect{10 << 16, 90 << 16, 90 << 16, 10 << 16});
  PDPageSetBox(withArt, A("ArtBox"), ASFixedRect{5 << 16, 95 << 16, 95 << 16, 5 << 16});
  std::string trimBefore = Describe(PDPageGetCosObj(withTrim));
  PDFXImpositionPageSetting(withTrim);
  PDFXImpositionPageSetting(withArt);
  EXPECT_EQ(trimBefore, Describe(PDPageGetCosObj(withTrim)));
  EXPECT_FALSE(CosDictKnown(PDPageGetCosObj(withArt), A("TrimBox")));
  // Without a crop box the media box serves.
  PDPage plain = PDDocCreatePage(other, 1, ASFixedRect{0, 200 << 16, 300 << 16, 0});
  PDFXImpositionPageSetting(plain);
  EXPECT_EQ("[0 0 300 200 ]", Describe(CosDictGet(PDPageGetCosObj(plain), A("TrimBox"))));
  // A page without any box of its own or inherited gets no broken one.
  PDPage boxless = PDDocCreatePage(other, 2, ASFixedRect{0, 200 << 16, 300 << 16, 0});
  CosDictRemove(PDPageGetCosObj(boxless), A("MediaBox"));
  PDFXImpositionPageSetting(boxless);
  EXPECT_FALSE(CosDictKnown(PDPageGetCosObj(boxless), A("TrimBox")));
  // A crop box beyond the media box is clipped to it; one outside it gives none.
  struct Clip {
    ASFixedRect crop;
    const char* trim;  // null: no trim box
  };
  const Clip clips[] = {
      {ASFixedRect{-50 << 16, 5000 << 16, 5000 << 16, -50 << 16}, "[0 0 300 200 ]"},
      {ASFixedRect{100 << 16, 500 << 16, 700 << 16, -20 << 16}, "[100 0 300 200 ]"},
      {ASFixedRect{400 << 16, 500 << 16, 700 << 16, 300 << 16}, nullptr},
  };
  std::vector<PDPage> clipped;
  for (const Clip& c : clips) {
    PDPage page = PDDocCreatePage(other, 3, ASFixedRect{0, 200 << 16, 300 << 16, 0});
    clipped.push_back(page);
    PDPageSetBox(page, A("CropBox"), c.crop);
    PDFXImpositionPageSetting(page);
    CosObj trim = CosDictGet(PDPageGetCosObj(page), A("TrimBox"));
    if (c.trim)
      EXPECT_EQ(c.trim, Describe(trim));
    else
      EXPECT_FALSE(CosDictKnown(PDPageGetCosObj(page), A("TrimBox"))) << Describe(trim);
  }
  for (PDPage p : clipped) PDPageRelease(p);
  for (PDPage p : {withTrim, withArt, plain, boxless}) PDPageRelease(p);
  (void)cos;
  SavePdf(doc, dir.file("trimmed.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("trimmed.pdf")));
}

TEST_F(PdfxTest, CarryingPDFXIntoAnImposedDocument) {
  PDDoc source = File("x1a.pdf", kvfix::WritePdfx1a);
  PDDoc target = PDDocCreate();
  docs.push_back(target);
  PDDocInsertPages(target, PDLastPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(CosNull, CosObjGetType(Info(target))) << "a new document has no Info";
  EXPECT_EQ(kPDFXOnlyADeclares, PDFXImpositionValidation(source, target));

  EXPECT_TRUE(PDFXImpositionDocumentSetting(source, target));
  CosObj info = Info(target);
  ASSERT_EQ(CosDict, CosObjGetType(info));
  for (const char* key : {"CreationDate", "Creator", "GTS_PDFXConformance", "GTS_PDFXVersion", "ModDate", "Producer",
                          "Title"})
    EXPECT_EQ(StringBytes(CosDictGet(Info(source), A(key))), StringBytes(CosDictGet(info, A(key)))) << key;
  EXPECT_EQ(A("False"), PDDocTrappedValue(target));
  EXPECT_EQ(kPDFX1a2001, GetFilePDFXClassification(target));
  EXPECT_EQ(0, PDFXImpositionValidation(source, target));

  // XMP mirrors the target's Info and carries the media-management entries.
  EXPECT_EQ("Korvel fixtures", Xmp(target, kXMPNamespaceXMP, "CreatorTool"));
  EXPECT_EQ("PDF/X-1:2001", Xmp(target, kXMPNamespacePDFXId, "GTS_PDFXVersion"));
  EXPECT_EQ("qpdf", Xmp(target, kXMPNamespacePDF, "Producer"));
  EXPECT_EQ("False", Xmp(target, kXMPNamespacePDF, "Trapped"));
  EXPECT_EQ("default", Xmp(target, kXMPNamespaceXMPMM, "RenditionClass"));
  EXPECT_EQ("1", Xmp(target, kXMPNamespaceXMPMM, "VersionID"));
  std::string packet = Packet(target);
  EXPECT_EQ(std::string::npos, packet.find("xap:")) << packet;

  // The output intents are a clone living in the target.
  CosObj intent = PDDocOutputIntent(target);
  ASSERT_EQ(CosDict, CosObjGetType(intent));
  EXPECT_EQ(PDDocGetCosDoc(target), CosObjGetDoc(intent));
  EXPECT_TRUE(CosObjContentsEqual(CosDictGet(intent, A("DestOutputProfile")),
                                  CosDictGet(PDDocOutputIntent(source), A("DestOutputProfile"))));

  std::string out = dir.file("imposed.pdf");
  SavePdf(target, out);
  EXPECT_EQ(0, QpdfCheck(out));
  ScopedDoc back(OpenPdf(out));
  EXPECT_EQ(kPDFX1a2001, GetFilePDFXClassification(back));
  EXPECT_EQ(0, PDFXImpositionValidation(source, back));
}

TEST_F(PdfxTest, WhatTheTargetKeeps) {
  PDDoc source = File("x3.pdf", kvfix::WritePdfx3);
  Decl d;
  d.version = "PDF/X-1a:2003";
  d.trapped = "False";
  d.intentId = "FOGRA39";  // the same intent as the source's
  d.pages = 1;
  PDDoc target = Make(d);
  SetInfoString(target, "Title", "Kept title");
  SetInfoString(target, "Creator", "Kept creator");
  SetXmp(target, kXMPNamespaceXMPMM, "xmpMM", "VersionID", "3");
  CosObj intentsBefore = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(target)), A("OutputIntents"));
  std::string intentsText = Describe(intentsBefore);

  PDFXImpositionDocumentSetting(source, target);
  EXPECT_EQ("Kept title", StringBytes(CosDictGet(Info(target), A("Title"))));
  EXPECT_EQ("Kept creator", StringBytes(CosDictGet(Info(target), A("Creator"))));
  EXPECT_EQ("Kept creator", Xmp(target, kXMPNamespaceXMP, "CreatorTool")) << "XMP mirrors the target's Info";
  EXPECT_EQ("PDF/X-3:2002", StringBytes(CosDictGet(Info(target), A("GTS_PDFXVersion")))) << "the version is overwritten";
  EXPECT_EQ(A("True"), PDDocTrappedValue(target));
  EXPECT_EQ("3", Xmp(target, kXMPNamespaceXMPMM, "VersionID"));
  EXPECT_EQ("proof", Xmp(target, kXMPNamespaceXMPMM, "RenditionClass"));
  EXPECT_EQ("PDF/X-3:2002", Xmp(target, kXMPNamespacePDFXId, "GTS_PDFXVersion")) << "mirrored from the Info";
  EXPECT_EQ(intentsText, Describe(CosDictGet(CosDocGetRoot(PDDocGetCosDoc(target)), A("OutputIntents"))))
      << "an equal intent is left alone";
}

TEST_F(PdfxTest, AnXMPDeclarationIsCarriedOver) {
  PDDoc source = File("meta.pdf", kvfix::WriteWithMetadata);
  PDDoc target = Make(Decl{});
  PDFXImpositionDocumentSetting(source, target);
  EXPECT_EQ("PDF/X-4", Xmp(target, kXMPNamespacePDFXId, "GTS_PDFXVersion"));
  EXPECT_EQ(kPDFX4, GetFilePDFXClassification(target));
}

TEST_F(PdfxTest, OneDocumentOnBothSidesOnlyComparesIntents) {
  PDDoc doc = File("x1a.pdf", kvfix::WritePdfx1a);
  std::string info = Describe(Info(doc));
  std::string packet = Packet(doc);
  PDFXImpositionDocumentSetting(doc, doc);
  EXPECT_EQ(info, Describe(Info(doc)));
  // The old prefixes of its packet are brought up to date, nothing else.
  std::string now = Packet(doc);
  EXPECT_EQ(std::string::npos, now.find("xap:"));
  EXPECT_EQ("default", Xmp(doc, kXMPNamespaceXMPMM, "RenditionClass"));
  EXPECT_EQ(packet.size(), now.size());
}

TEST_F(PdfxTest, OldHostsGetNoXMP) {
  ScopedHostVersion old(5);
  PDDoc source = File("x1a.pdf", kvfix::WritePdfx1a);
  PDDoc target = Make(Decl{});
  PDFXImpositionDocumentSetting(source, target);
  EXPECT_EQ("PDF/X-1:2001", StringBytes(CosDictGet(Info(target), A("GTS_PDFXVersion"))));
  EXPECT_FALSE(CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(target)), A("Metadata")));
}

TEST_F(PdfxTest, SingleEntriesAndProperties) {
  PDDoc a = Make(Decl{}), b = Make(Decl{});
  CosDoc ca = PDDocGetCosDoc(a);
  SetInfoString(a, "Title", "A");
  SetInfoString(b, "Title", "B");
  CosObj ia = Info(a), ib = Info(b);
  // A value that refers to other objects is cloned whole into the target.
  CosObj nested = CosNewDict(ca, 1, 1);
  CosDictPut(nested, A("Deep"), CosNewString(ca, 1, "deep", 4));
  CosDictPut(ia, A("Extra"), nested);
  CloneInfoSetting(ia, ib, A("Extra"), 0);
  CosObj copied = CosDictGet(ib, A("Extra"));
  EXPECT_EQ(PDDocGetCosDoc(b), CosObjGetDoc(copied));
  EXPECT_EQ("deep", StringBytes(CosDictGet(copied, A("Deep"))));
  CloneInfoSetting(ia, ib, A("Title"), 0);
  EXPECT_EQ("B", StringBytes(CosDictGet(ib, A("Title"))));
  CloneInfoSetting(ia, ib, A("Title"), 1);
  EXPECT_EQ("A", StringBytes(CosDictGet(ib, A("Title"))));
  CloneInfoSetting(ia, ib, A("Missing"), 1);
  EXPECT_FALSE(CosDictKnown(ib, A("Missing")));
  CloneInfoSetting(CosNewNull(), ib, A("Title"), 1);
  CloneInfoSetting(ia, CosNewNull(), A("Title"), 1);

  // Info to XMP: strings (PDFDocEncoding or UTF-16) and names; nothing else.
  SetInfoString(a, "Creator", std::string("\xFE\xFF\0G\0r\0\xFC\0\xDF", 10));
  CloneInfoToMetadata(ia, a, A("Creator"), kXMPNamespaceXMP, "xmp", "CreatorTool");
  EXPECT_EQ("Gr\xC3\xBC\xC3\x9F", Xmp(a, kXMPNamespaceXMP, "CreatorTool"));
  CosDictPut(ia, A("Trapped"), CosNewName(ca, 0, A("Unknown")));
  CloneInfoToMetadata(ia, a, A("Trapped"), kXMPNamespacePDF, "pdf", "Trapped");
  EXPECT_EQ("Unknown", Xmp(a, kXMPNamespacePDF, "Trapped"));
  CosDictPut(ia, A("Producer"), CosNewInteger(ca, 0, 7));
  CloneInfoToMetadata(ia, a, A("Producer"), kXMPNamespacePDF, "pdf", "Producer");
  EXPECT_EQ("<none>", Xmp(a, kXMPNamespacePDF, "Producer"));

  // Properties: set when missing or different, left alone otherwise.
  SetXmp(a, kXMPNamespaceXMPMM, "xmpMM", "VersionID", "7");
  CloneMetaDataSourceToTarget(a, b, kXMPNamespaceXMPMM, "xmpMM", "VersionID");
  EXPECT_EQ("7", Xmp(b, kXMPNamespaceXMPMM, "VersionID"));
  SetXmp(a, kXMPNamespaceXMPMM, "xmpMM", "VersionID", "8");
  CloneMetaDataSourceToTarget(a, b, kXMPNamespaceXMPMM, "xmpMM", "VersionID");
  EXPECT_EQ("8", Xmp(b, kXMPNamespaceXMPMM, "VersionID"));
  SetXmp(b, kXMPNamespaceXMPMM, "xmpMM", "RenditionClass", "mine");
  CloneMetaDataSourceToTarget(a, b, kXMPNamespaceXMPMM, "xmpMM", "RenditionClass");
  EXPECT_EQ("mine", Xmp(b, kXMPNamespaceXMPMM, "RenditionClass")) << "nothing to copy";
  PDDocClearFlags(b, PDDocNeedsSave);
  CosDocSetDirty(PDDocGetCosDoc(b), 0);
  CloneMetaDataSourceToTarget(a, b, kXMPNamespaceXMPMM, "xmpMM", "VersionID");
  EXPECT_FALSE(CosDocIsDirty(PDDocGetCosDoc(b))) << "an equal property is not written again";
}

TEST_F(PdfxTest, FindAndChange) {
  struct Case {
    const char* text;
    const char* find;
    const char* replacement;
    const char* expect;
  };
  const Case cases[] = {
      {"<xap:A/><xap:B/>", "<xap:", "<xmp:", "<xmp:A/><xmp:B/>"},
      {"aaaa", "aa", "bb", "bbbb"},
      {"aaa", "aa", "bb", "bba"},
      {"abc", "abc", "abcd", "abc"},  // lengths differ: nothing
      {"abc", "", "", "abc"},
      {"", "x", "y", ""},
      {"no match here", "zz", "yy", "no match here"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    FindAndChange(text.data(), c.find, c.replacement);
    EXPECT_EQ(c.expect, text) << c.text << " / " << c.find;
  }
  FindAndChange(nullptr, "a", "b");
}

TEST_F(PdfxTest, XMPPrefixesOfNewDocuments) {
  PDDoc old = File("x1a.pdf", kvfix::WritePdfx1a);
  ASSERT_NE(std::string::npos, Packet(old).find("<xap:CreatorTool>"));
  MungeMetadataAfterPDDocCreate(old);
  std::string packet = Packet(old);
  EXPECT_NE(std::string::npos, packet.find("<xmp:CreatorTool>Korvel fixtures</xmp:CreatorTool>")) << packet;
  EXPECT_NE(std::string::npos, packet.find("xmlns:xmpMM=")) << packet;
  EXPECT_EQ("Korvel fixtures", Xmp(old, kXMPNamespaceXMP, "CreatorTool"));
  EXPECT_EQ("1", Xmp(old, kXMPNamespaceXMPMM, "VersionID"));

  // A document without XMP gets none.
  PDDoc fresh = Make(Decl{});
  MungeMetadataAfterPDDocCreate(fresh);
  EXPECT_FALSE(CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(fresh)), A("Metadata")));

  // Renaming a packet that declares both prefixes on one element would give
  // it two declarations of "xmp": that part stays as it was, the rest is renamed.
  PDDoc both = Make(Decl{});
  const std::string twoPrefixes =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
      "<rdf:Description rdf:about=\"\" xmlns:xap=\"http://ns.adobe.com/xap/1.0/\" "
      "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"><xap:CreatorTool>one</xap:CreatorTool></rdf:Description>"
      "<rdf:Description rdf:about=\"\" xmlns:xapMM=\"http://ns.adobe.com/xap/1.0/mm/\">"
      "<xapMM:VersionID>4</xapMM:VersionID></rdf:Description>"
      "</rdf:RDF></x:xmpmeta>";
  ASText t = ASTextFromUnicode(twoPrefixes.c_str(), kUTF8);
  PDDocSetXAPMetadata(both, t);
  ASTextDestroy(t);
  MungeMetadataAfterPDDocCreate(both);
  std::string after = Packet(both);
  EXPECT_EQ(1u, Count(after, "xmlns:xmp=")) << after;
  EXPECT_EQ(1u, Count(after, "xmlns:xap=")) << after;
  EXPECT_EQ(1u, Count(after, "xmlns:xmpMM=")) << after;
  EXPECT_EQ("one", Xmp(both, kXMPNamespaceXMP, "CreatorTool"));
  EXPECT_EQ("4", Xmp(both, kXMPNamespaceXMPMM, "VersionID"));
}

}  // namespace
