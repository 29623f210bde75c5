// XMP metadata, name trees and the inline-image scan.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

const char* const kPdfxNs = "http://www.npes.org/pdfx/ns/id/";
const char* const kDcNs = "http://purl.org/dc/elements/1.1/";
const char* const kXmpNs = "http://ns.adobe.com/xap/1.0/";

struct Text {
  ASText t;
  explicit Text(const char* s) : t(s ? ASTextFromUnicode(s, kUTF8) : nullptr) {}
  explicit Text(ASText owned) : t(owned) {}
  ~Text() { ASTextDestroy(t); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  operator ASText() const { return t; }
  std::string str() const { return t ? ASTextGetUTF8(t) : "<null>"; }
};

std::string Property(PDDoc doc, const char* ns, const char* path) {
  Text nsText(ns), pathText(path);
  Text value(PDDocGetXAPMetadataProperty(doc, nsText, pathText));
  return value.str();
}

void SetProperty(PDDoc doc, const char* ns, const char* prefix, const char* path, const char* value) {
  Text a(ns), b(prefix), c(path), d(value);
  PDDocSetXAPMetadataProperty(doc, a, b, c, d);
}

}  // namespace

TEST(XmpTest, PropertiesReadByNamespaceAndPath) {
  TempDir dir;
  kvfix::WriteWithMetadata(dir.file("m.pdf"));
  ScopedDoc doc(OpenPdf(dir.file("m.pdf")));
  struct Case {
    const char* ns;
    const char* path;
    const char* value;
  } cases[] = {
      {kPdfxNs, "GTS_PDFXVersion", "PDF/X-4"},          // an attribute
      {kPdfxNs, "pdfxid:GTS_PDFXVersion", "PDF/X-4"},   // the prefix in the path is only a label
      {kDcNs, "title", "A Title"},                      // the first item of an Alt
      {kDcNs, "title[1]", "A Title"},
      {kDcNs, "title[2]", "<null>"},
      {kXmpNs, "CreatorTool", "<null>"},
      {"http://wrong.example/", "GTS_PDFXVersion", "<null>"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, Property(doc, c.ns, c.path)) << c.path;
}

TEST(XmpTest, SetChangeAndRemoveProperties) {
  TempDir dir;
  kvfix::WriteWithMetadata(dir.file("m.pdf"));
  ScopedDoc doc(OpenPdf(dir.file("m.pdf")));
  SetProperty(doc, kXmpNs, "xmp", "CreatorTool", "Korvel");
  SetProperty(doc, kPdfxNs, "pdfxid", "GTS_PDFXVersion", "PDF/X-5g");
  SetProperty(doc, kDcNs, "dc", "title", "New & <Title>");
  EXPECT_EQ("Korvel", Property(doc, kXmpNs, "CreatorTool"));
  EXPECT_EQ("PDF/X-5g", Property(doc, kPdfxNs, "GTS_PDFXVersion"));
  EXPECT_EQ("New & <Title>", Property(doc, kDcNs, "title"));
  EXPECT_TRUE(PDDocGetFlags(doc) & PDDocNeedsSave);
  SavePdf(doc, dir.file("out.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("out.pdf")));
  ScopedDoc back(OpenPdf(dir.file("out.pdf")));
  EXPECT_EQ("Korvel", Property(back, kXmpNs, "CreatorTool"));
  SetProperty(back, kXmpNs, "xmp", "CreatorTool", nullptr);
  SetProperty(back, kPdfxNs, "pdfxid", "GTS_PDFXVersion", "");
  EXPECT_EQ("<null>", Property(back, kXmpNs, "CreatorTool"));
  EXPECT_EQ("<null>", Property(back, kPdfxNs, "GTS_PDFXVersion"));
  // A prefix already bound to another namespace is not reused for this one.
  SetProperty(back, "http://other.example/ns/", "dc", "Thing", "x");
  EXPECT_EQ("x", Property(back, "http://other.example/ns/", "Thing"));
  EXPECT_EQ("New & <Title>", Property(back, kDcNs, "title")) << "the existing dc binding is left alone";
}

TEST(XmpTest, WholePacketAndDocumentsWithout) {
  ScopedDoc doc(PDDocCreate());
  Text packet(PDDocGetXAPMetadata(doc));
  EXPECT_NE(std::string::npos, packet.str().find("rdf:RDF")) << "an empty packet for a document without";
  EXPECT_EQ("<null>", Property(doc, kXmpNs, "CreatorTool"));
  PDDocClearFlags(doc, PDDocNeedsSave);
  SetProperty(doc, kXmpNs, "xmp", "CreatorTool", nullptr);
  EXPECT_FALSE(PDDocGetFlags(doc) & PDDocNeedsSave) << "removing nothing changes nothing";
  SetProperty(doc, kXmpNs, "xmp", "CreatorTool", "Made");
  EXPECT_EQ("Made", Property(doc, kXmpNs, "CreatorTool"));
  // The packet as text: replaced whole, refused when it is not XML.
  std::string whole = Text(PDDocGetXAPMetadata(doc)).str();
  size_t at = whole.find("<xmp:");
  ASSERT_NE(std::string::npos, at);
  Text edited((whole.substr(0, at) + "<xmp:Nickname>nick</xmp:Nickname>" + whole.substr(at)).c_str());
  PDDocSetXAPMetadata(doc, edited);
  EXPECT_EQ("nick", Property(doc, kXmpNs, "Nickname"));
  Text broken("<x:xmpmeta><unclosed>");
  EXPECT_EQ(xmpErrBadPacket, ErrorOf([&] { PDDocSetXAPMetadata(doc, broken); }));
  EXPECT_EQ("Made", Property(doc, kXmpNs, "CreatorTool"));
}

namespace {
ASBool CollectKeys(CosObj key, CosObj, void* data) {
  ASSize_t n = 0;
  const char* s = CosStringValue(key, &n);
  static_cast<std::vector<std::string>*>(data)->push_back(std::string(s, n));
  return 1;
}
std::vector<std::string> Keys(PDNameTree tree) {
  std::vector<std::string> keys;
  PDNameTreeEnum(tree, CollectKeys, &keys);
  return keys;
}
}  // namespace

TEST(NameTreeTest, ReadPutAndRemove) {
  TempDir dir;
  kvfix::WriteNameTree(dir.file("n.pdf"));
  ScopedDoc doc(OpenPdf(dir.file("n.pdf")));
  CosDoc cos = PDDocGetCosDoc(doc);
  PDNameTree tree = PDDocGetNameTree(doc, A("EmbeddedFiles"));
  ASSERT_TRUE(PDNameTreeIsValid(tree));
  EXPECT_FALSE(PDNameTreeIsValid(PDDocGetNameTree(doc, A("Dests"))));
  EXPECT_EQ((std::vector<std::string>{"a", "c", "e"}), Keys(tree));
  ASSize_t n;
  EXPECT_STREQ("vc", CosStringValue(PDNameTreeGet(tree, "c", 1), &n));
  EXPECT_EQ(CosNull, CosObjGetType(PDNameTreeGet(tree, "b", 1)));
  for (const char* k : {"b", "f", "0", "ca", "c"}) PDNameTreePut(tree, CosNewString(cos, 0, k, std::strlen(k)), CosNewInteger(cos, 0, 1));
  EXPECT_EQ((std::vector<std::string>{"0", "a", "b", "c", "ca", "e", "f"}), Keys(tree));
  EXPECT_EQ(CosInteger, CosObjGetType(PDNameTreeGet(tree, "c", 1))) << "an existing key's value is replaced";
  EXPECT_TRUE(PDNameTreeRemove(tree, "a", 1));
  EXPECT_FALSE(PDNameTreeRemove(tree, "zz", 2));
  EXPECT_EQ(cosErrBadType, ErrorOf([&] { PDNameTreePut(tree, CosNewInteger(cos, 0, 1), CosNewNull()); }));
  SavePdf(doc, dir.file("out.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("out.pdf")));
  ScopedDoc back(OpenPdf(dir.file("out.pdf")));
  EXPECT_EQ((std::vector<std::string>{"0", "b", "c", "ca", "e", "f"}), Keys(PDDocGetNameTree(back, A("EmbeddedFiles"))));
}

TEST(NameTreeTest, CreatedTreesStaySortedWhenTheyGrow) {
  ScopedDoc doc(PDDocCreate());
  CosDoc cos = PDDocGetCosDoc(doc);
  PDNameTree tree = PDDocCreateNameTree(doc, A("EmbeddedFiles"));
  ASSERT_TRUE(PDNameTreeIsValid(tree));
  EXPECT_TRUE(CosObjEqual(PDNameTreeGetCosObj(tree), PDNameTreeGetCosObj(PDDocCreateNameTree(doc, A("EmbeddedFiles")))));
  std::vector<std::string> want;
  for (int i = 299; i >= 0; --i) {
    char key[8];
    std::snprintf(key, sizeof key, "k%03d", i);
    want.insert(want.begin(), key);
    PDNameTreePut(tree, CosNewString(cos, 0, key, 4), CosNewInteger(cos, 0, i));
  }
  EXPECT_EQ(want, Keys(tree));
  EXPECT_EQ(123, CosIntegerValue(PDNameTreeGet(tree, "k123", 4)));
  EXPECT_TRUE(CosDictKnown(PDNameTreeGetCosObj(tree), A("Kids"))) << "grown past one leaf";
}

// Keys put in order split the last leaf again and again; every key is then
// found where the leaves' limits say, and can be removed.
TEST(NameTreeTest, EveryKeyOfAGrownTreeCanBeRemoved) {
  ScopedDoc doc(PDDocCreate());
  CosDoc cos = PDDocGetCosDoc(doc);
  PDNameTree tree = PDDocCreateNameTree(doc, A("Dests"));
  for (int i = 0; i < 300; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "k%03d", i);
    PDNameTreePut(tree, CosNewString(cos, 0, key, 4), CosNewInteger(cos, 0, i));
  }
  for (int i = 299; i >= 0; --i) {  // last first: no removal mends a leaf's limits for the next
    char key[8];
    std::snprintf(key, sizeof key, "k%03d", i);
    EXPECT_TRUE(PDNameTreeRemove(tree, key, 4)) << key;
  }
  EXPECT_TRUE(Keys(tree).empty());
}

namespace {

// The scan over the bytes after BI, as the statement reader hands them over.
ASInt32 Scan(CosDoc doc, CosObj resources, const std::string& bytes, CosObj* image = nullptr) {
  ASStm m = ASMemStmRdOpen(bytes.data(), bytes.size());
  ASInt32 n = -1;
  ASErrorCode e = ErrorOf([&] { n = CosParseInlineImage(m, doc, resources, nullptr, nullptr, image); });
  ASStmClose(m);
  return e ? -(ASInt32)ErrGetCode(e) : n;
}

}  // namespace

TEST(InlineImageTest, FindsTheEndOfEachKindOfData) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj res = CosNewDict(doc, 0, 1);
  CosObj spaces = CosNewDict(doc, 0, 1);
  CosObj icc = CosNewArray(doc, 0, 2);
  CosArrayPut(icc, 0, CosNewName(doc, 0, A("ICCBased")));
  std::string profile = "not a real profile";
  CosObj iccDict = CosNewDict(doc, 0, 1);
  CosDictPut(iccDict, A("N"), CosNewInteger(doc, 0, 3));
  ASStm pm = ASMemStmRdOpen(profile.data(), profile.size());
  CosArrayPut(icc, 1, CosNewStream(doc, 1, pm, 0, 0, iccDict, CosNewNull(), -1));
  ASStmClose(pm);
  CosDictPut(spaces, A("CS0"), icc);
  CosDictPut(res, A("ColorSpace"), spaces);

  std::string tail = "\nQ 0 0 m";
#define LIT(x) std::string(x, sizeof(x) - 1)
  struct Case {
    const char* what;
    std::string bytes;
    ASInt32 expect;  // the count up to EI; negative: the error code's low bits
  } cases[] = {
      {"gray, data holding E I", LIT(" /W 4 /H 1 /BPC 8 /CS /G ID \x20\x45\x49\x20 EI") + tail, 0},
      {"long names", LIT(" /Width 2 /Height 2 /BitsPerComponent 1 /ColorSpace /DeviceGray ID \x80\x40 EI") + tail, 0},
      {"image mask", LIT(" /W 9 /H 1 /IM true ID \xFF\x80 EI") + tail, 0},
      {"named ICC space", LIT(" /W 1 /H 1 /BPC 8 /CS /CS0 ID EIx EI") + tail, 0},
      {"hex data", LIT(" /W 1 /H 1 /CS /RGB /BPC 8 /F /AHx ID FF0000> EI") + tail, 0},
      {"base-85 data", LIT(" /W 1 /H 1 /CS /G /BPC 8 /F /A85 ID z~> EI") + tail, 0},
      {"flate data searched", LIT(" /W 4 /H 1 /CS /G /BPC 8 /F /Fl ID x\x9c\x01\x02 EI") + tail, 0},
      {"a stray parenthesis in the dictionary", LIT(" /W 1 ) /H 1 /CS /G ID \x00 EI") + tail, 0},
      {"a comment in the dictionary", LIT(" /W 1 % note\n /H 1 /CS /G ID \x00 EI") + tail, 0},
      {"cut short in the data", LIT(" /W 4 /H 4 /CS /G ID abcd"), -(ASInt32)ErrGetCode(cosErrInlineNeedMore)},
      {"cut short in the dictionary", LIT(" /W 4 /H"), -(ASInt32)ErrGetCode(cosErrInlineNeedMore)},
      {"no EI at all", LIT(" /W 1 /H 1 /CS /G /F /Fl ID xyz"), -(ASInt32)ErrGetCode(cosErrInlineNeedMore)},
  };
  for (Case& c : cases) {
    if (c.expect == 0) c.expect = (ASInt32)(c.bytes.size() - tail.size());
    EXPECT_EQ(c.expect, Scan(doc, res, c.bytes)) << c.what;
  }
  std::string huge = " /W 1 /H 1 " + std::string(70000, ' ') + "/X 1";
  EXPECT_EQ(-(ASInt32)ErrGetCode(cosErrInlineTooLong), Scan(doc, res, huge));

  CosObj image;
  std::string first = cases[0].bytes;
  Scan(doc, res, first, &image);
  ASSERT_EQ(CosDict, CosObjGetType(image));
  EXPECT_EQ(4, CosIntegerValue(CosDictGet(image, A("W"))));
  CosObjDestroy(image);
}

namespace {

std::string Deflate(const std::string& raw) {
  uLongf size = compressBound((uLong)raw.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), (uLong)raw.size());
  out.resize(size);
  return out;
}

// A JPEG's markers around data that hold "EI" and high bytes: an APP0
// segment, a scan with a stuffed byte and a restart, the end marker.
std::string FakeJpeg() {
  std::string j = LIT("\xFF\xD8");
  std::string app = " EI \xC4\xFF EI\n";
  j += LIT("\xFF\xE0") + (char)0 + (char)(app.size() + 2) + app;
  std::string sos = LIT("\x01\x01\x00\x00\x3F\x00");
  j += LIT("\xFF\xDA") + (char)0 + (char)(sos.size() + 2) + sos;
  j += LIT("\x12 EI \xFF\x00\x9A\xFF\xD3\x45\x49\x20\xFE");
  j += LIT("\xFF\xD9");
  return j;
}

}  // namespace

// Filtered data end where their filter says, whatever follows them: text in
// a single-byte encoding or CID strings after EI, a second image at once.
TEST(InlineImageTest, FilteredDataEndWhereTheirFilterSays) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj res = CosNewDict(doc, 0, 1);
  // Deflate data of bytes that compress to hold "EI" and high bytes.
  std::string pixels;
  for (int i = 0; i < 300; ++i) pixels += (char)(i * 37 % 251);
  const std::string flate = Deflate(pixels);
  const std::string latin1 = LIT("BT /F1 12 Tf (\xDC") + "ber) Tj ET";
  const std::string cid = LIT("BT /F2 12 Tf <0102> Tj (\x82\xA0\xFF\xFE) Tj ET");
  struct Case {
    const char* what;
    std::string image;  // the bytes after BI up to and including EI
    std::string after;
  } cases[] = {
      {"flate before text with a high byte", " /W 300 /H 1 /CS /G /BPC 8 /F /Fl ID " + flate + " EI", "\n" + latin1},
      {"flate before a CID string", "/W 300/H 1/CS/G/BPC 8/F/FlateDecode ID " + flate + "\nEI", " " + cid},
      {"two flate images back to back", "/W 300/H 1/CS/G/BPC 8/F/Fl ID " + flate + "EI",
       " BI/W 100/H 1/CS/RGB/BPC 8/F/Fl ID " + flate + "EI Q"},
      {"DCT", " /W 8 /H 8 /CS /RGB /BPC 8 /F /DCT ID " + FakeJpeg() + " EI", " " + latin1},
      {"DCT in a filter array", " /W 8 /H 8 /CS /RGB /BPC 8 /F [/DCTDecode] ID " + FakeJpeg() + "\nEI", " " + cid},
      {"run length", LIT(" /W 6 /H 1 /CS /G /BPC 8 /F /RL ID \x02 EI\xFD\x45\x80 EI"), "\n" + latin1},
      // A filter not read here: searched, and an EI before binary bytes is no end.
      {"searched past binary", LIT(" /W 4 /H 4 /CS /G /BPC 8 /F /LZW ID \x80 EI \x01\x9F\xFF EI"),
       " " + latin1},
      {"searched past an EI before junk words", " /W 4 /H 4 /CS /G /BPC 8 /F /LZW ID a EI zz qq 0.0.1 x EI",
       " " + cid},
  };
  for (const Case& c : cases) {
    std::string bytes = c.image + c.after;
    EXPECT_EQ((ASInt32)c.image.size(), Scan(doc, res, bytes)) << c.what;
  }
}


// Data shorter than the image says, and nothing after any EI that reads as
// content: mid-content the scan waits for more bytes; given the rest of the
// content it ends the image at its first lone EI rather than failing the
// whole content.
TEST(InlineImageTest, ADamagedImageAtTheEndOfTheContentEndsAtItsFirstLoneEI) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  const std::string image = " /W 4 /H 1 /BPC 8 /CS /G ID  EI";
  const std::string bytes = image + LIT(" EM0 \xD8Tr EIx");
  EXPECT_EQ(-(ASInt32)ErrGetCode(cosErrInlineNeedMore), Scan(doc, CosNewNull(), bytes));
  ASStm m = ASMemStmRdOpen(bytes.data(), bytes.size());
  ASInt32 n = -1;
  ASErrorCode e = ErrorOf([&] { n = CosParseInlineImageToEnd(m, doc, CosNewNull(), nullptr, nullptr, nullptr); });
  ASStmClose(m);
  EXPECT_EQ(0, e);
  EXPECT_EQ((ASInt32)image.size(), n);
}

// Where the parts of an image lie, and whether its end was searched for. A
// dictionary that does not read still gives its length: the last /L at its
// top level (a copy puts its own last), else the last /Length.
TEST(InlineImageTest, TellsWhereTheImagesPartsLieAndReadsALengthFromAnyDictionary) {
  ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  struct Case {
    const char* what;
    std::string bytes;  // after BI: ID once, then one white space
    int endingEI;       // which EI after ID ends the image (1: the first)
    bool searched;
  };
  const Case cases[] = {
      {"the computed length", " /W 4 /H 1 /BPC 8 /CS /G ID  EI  EI Q", 2, false},
      {"searched for", LIT(" /W 3 /H x\xD8 /G ID  EI/x\xD8 Q  EI Q"), 2, true},
      {"unreadable, with an /L", LIT(" /W 3 /H x\xD8 /G /L 9 ID  EI/x\xD8 Q  EI Q"), 2, false},
      {"unreadable, the last /L counts", LIT(" /L 1 /H x\xD8 /L 9 ID  EI/x\xD8 Q  EI Q"), 2, false},
      {"unreadable, the last /L counts, not the first", LIT(" /L 9 /H x\xD8 /L 1 ID  EI/x\xD8 Q  EI Q"), 1, false},
      {"unreadable, /Length without /L", LIT(" /Length 9 /H x\xD8 ID  EI/x\xD8 Q  EI Q"), 2, false},
      {"unreadable, an /L inside an array is no length", LIT(" /D [/L 1] /H x\xD8 ID  EI/x\xD8 Q  EI Q"), 2,
       true},
      {"unreadable, an /L without a whole number", LIT(" /L 1.0 /H x\xD8 ID  EI/x\xD8 Q  EI Q"), 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ASInt32 idAt = (ASInt32)c.bytes.find(" ID ") + 1;
    size_t eiAt = (size_t)idAt + 2;
    for (int k = 0; k < c.endingEI; ++k) eiAt = c.bytes.find("EI", eiAt + 1);
    ASStm m = ASMemStmRdOpen(c.bytes.data(), c.bytes.size());
    CosInlineImageParts parts{-1, -1, -1, 0};
    ASInt32 n = -1;
    ASErrorCode e =
        ErrorOf([&] { n = CosParseInlineImageParts(m, doc, CosNewNull(), nullptr, nullptr, nullptr, 0, &parts); });
    ASStmClose(m);
    ASSERT_EQ(0, e);
    EXPECT_EQ((ASInt32)eiAt + 2, n);
    EXPECT_EQ(idAt, parts.idAt);
    EXPECT_EQ(idAt + 3, parts.dataStart);
    EXPECT_EQ((ASInt32)eiAt, parts.eiAt);
    EXPECT_EQ(c.searched, parts.searched != 0);
  }
}
