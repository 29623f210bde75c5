#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "host/Notify.h"
#include "support/BytesFileSys.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

// The fixtures, written once for the whole program.
const TempDir& Fixtures() {
  static TempDir dir;
  static bool written = (kvfix::WriteAll(dir.path()), true);
  (void)written;
  return dir;
}

std::string Fix(const char* name) { return Fixtures().file(name); }

class PDTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = ASFileOpenCount();
    docs = PDGetOpenDocCount();
    Fixtures();
  }
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(files, ASFileOpenCount()) << "files left open";
    EXPECT_EQ(docs, PDGetOpenDocCount()) << "documents left open";
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
    EXPECT_EQ(0, ASStmOpenCount());
  }
  ASInt32 files = 0, docs = 0;
  TempDir out;
};

// Reads every page's boxes, rotation, matrix and contents: what a caller does
// with a document, which must not crash on damaged ones.
void WalkEverything(PDDoc doc) {
  ASInt32 n = PDDocGetNumPages(doc);
  for (ASInt32 i = 0; i < n; ++i) {
    ScopedPage page(doc, i);
    ASFixedRect r;
    ASFixedMatrix m;
    PDPageGetMediaBox(page, &r);
    PDPageGetCropBox(page, &r);
    PDPageGetBox(page, ASAtomFromString("TrimBox"), &r);
    PDPageGetRotate(page);
    PDPageGetDefaultMatrix(page, &m);
    PDPageGetCosResources(page);
    CosObj contents = PDPageGetCosContents(page);
    std::vector<CosObj> streams;
    if (CosObjGetType(contents) == CosStream) streams.push_back(contents);
    if (CosObjGetType(contents) == CosArray)
      for (ASInt32 k = 0; k < CosArrayLength(contents); ++k) streams.push_back(CosArrayGet(contents, k));
    for (CosObj s : streams) {
      if (CosObjGetType(s) != CosStream) continue;
      ErrorOf([&] {
        ASStm stm = CosStreamOpenStm(s, cosOpenFiltered);
        char buf[256];
        while (ASStmRead(buf, 1, sizeof buf, stm) == sizeof buf) {
        }
        ASStmClose(stm);
      });
    }
  }
}

}  // namespace

TEST_F(PDTest, OpeningGoodAndDamagedFiles) {
  struct Case {
    const char* file;
    ASBool repair;
    ASErrorCode error;
    ASInt32 pages;
    bool warned;
  } cases[] = {
      {"simple.pdf", 1, 0, 3, false},
      {"inherited.pdf", 1, 0, 5, false},
      {"rotated.pdf", 1, 0, 9, false},
      {"annotated.pdf", 1, 0, 2, false},
      {"tagged.pdf", 1, 0, 1, false},
      {"restricted.pdf", 1, 0, 2, false},
      {"encrypted.pdf", 1, pdErrNeedPassword, 0, false},
      {"brokenxref.pdf", 1, 0, 3, true},
      {"brokenxref.pdf", 0, pdErrBadDocument, 0, false},
      {"cyclictree.pdf", 1, 0, 2, true},
      {"wrongtypes.pdf", 1, 0, 2, true},
      {"cyclicobjects.pdf", 1, 0, 1, false},
      {"noroot.pdf", 1, pdErrBadDocument, 0, false},
      {"garbage.pdf", 1, pdErrNotPDF, 0, false},
      {"truncated.pdf", 1, pdErrBadDocument, 0, false},
      {"does-not-exist.pdf", 1, fileErrFNF, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PDDoc doc = nullptr;
    testing::internal::CaptureStderr();
    ASErrorCode e = ErrorOf([&] { doc = OpenPdf(Fix(c.file), c.repair); });
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ("", printed) << "qpdf's warnings are kept, never printed";
    EXPECT_EQ(c.error, e);
    if (!doc) continue;
    EXPECT_EQ(c.pages, PDDocGetNumPages(doc));
    WalkEverything(doc);
    EXPECT_EQ(c.warned, PDDocGetWarningCount(doc) > 0);
    if (c.warned) {
      EXPECT_NE(nullptr, PDDocGetWarning(doc, 0));
    }
    EXPECT_EQ(nullptr, PDDocGetWarning(doc, 9999));
    PDDocClose(doc);
  }
}

// A file that does not read says what it is: empty, no PDF at all (no
// header anywhere), or a PDF too damaged to repair (a header, wherever it is).
TEST_F(PDTest, AnUnreadableFileIsToldEmptyNotAPDFOrDamaged) {
  const std::string junk(2000, 'x');
  const std::string block(64 << 10, 'y');
  struct Case {
    const char* name;
    std::string bytes;
    ASErrorCode error;
  } cases[] = {
      {"empty", "", pdErrEmptyFile},
      {"one byte", "\n", pdErrNotPDF},
      {"text", "Dear customer,\nthe proofs follow.\n", pdErrNotPDF},
      {"header past the first 1024 bytes", junk + "%PDF-1.4\n1 0 obj\n", pdErrBadDocument},
      {"header across the reader's blocks", block.substr(3) + "%PDF-1.7\n", pdErrBadDocument},
      {"almost a header", junk + "%PDF 1.4\n%PD", pdErrNotPDF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteWholeFile(out.file("f.pdf"), c.bytes);
    EXPECT_EQ(c.error, ErrorOf([&] { OpenPdf(out.file("f.pdf")); }));
  }
}

// A page qpdf gives up on reads as null; the walk would pass it over and a
// command work on the rest. The open refuses the file instead, saying which
// page and why; nulls that are no lost page are passed over as before.
TEST_F(PDTest, APageTheReaderCannotTakeMakesTheFileDamaged) {
  const std::string damaged = "The file is damaged and could not be repaired: ";
  struct Case {
    const char* name;
    kvfix::DeepNesting how;
    std::string text;  // the error's text; empty: the file opens
    ASInt32 pages;
  };
  auto nesting = [](int depth, bool dicts, int deepPage, bool objectStream) {
    kvfix::DeepNesting how;
    how.depth = depth;
    how.dicts = dicts;
    how.deepPage = deepPage;
    how.objectStream = objectStream;
    return how;
  };
  kvfix::DeepNesting unparsable = nesting(1, false, 2, false), plainNull = unparsable, dangling = unparsable;
  unparsable.deepBody = ">> /Type /Page";
  // The last object of an object stream, its last byte a lone ">".
  kvfix::DeepNesting cutShort = nesting(1, false, 3, true);
  cutShort.deepBody = "<< /Type /Page /Parent 2 0 R >";
  plainNull.literalNull = true;
  dangling.deepPage = 0;
  dangling.dangling = true;
  const std::string tooDeep = " levels deep, and the PDF reader takes at most 500.";
  const Case cases[] = {
      {"arrays", nesting(100001, false, 2, false),
       damaged + "page 2 (object 5) nests arrays and dictionaries 100001" + tooDeep, 0},
      {"dictionaries", nesting(20001, true, 2, false),
       damaged + "page 2 (object 5) nests arrays and dictionaries 20001" + tooDeep, 0},
      {"the first page", nesting(100001, false, 1, false),
       damaged + "page 1 (object 4) nests arrays and dictionaries 100001" + tooDeep, 0},
      {"arrays in an object stream", nesting(100001, false, 3, true),
       damaged + "page 3 (object 6) nests arrays and dictionaries 100001" + tooDeep, 0},
      {"dictionaries in an object stream", nesting(20001, true, 2, true),
       damaged + "page 2 (object 5) nests arrays and dictionaries 20001" + tooDeep, 0},
      {"one level past the limit", nesting(501, false, 2, false),
       damaged + "page 2 (object 5) nests arrays and dictionaries 501" + tooDeep, 0},
      {"at the limit", nesting(500, true, 2, false), "", 3},
      {"at the limit in an object stream", nesting(500, false, 2, true), "", 3},
      {"syntax qpdf cannot recover from", unparsable, damaged + "page 2 (object 5) cannot be read.", 0},
      {"a page cut short at the end of an object stream", cutShort, damaged + "page 3 (object 6) cannot be read.", 0},
      {"the word null as a page", plainNull, "", 2},
      {"a kid naming an object the file lacks", dangling, "", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = out.file("deep.pdf");
    kvfix::WriteDeeplyNested(path, c.how);
    PDDoc doc = nullptr;
    const ASErrorCode e = ErrorOf([&] { doc = OpenPdf(path); });
    if (c.text.empty()) {
      ASSERT_EQ(0, e);
      EXPECT_EQ(c.pages, PDDocGetNumPages(doc));
      PDDocClose(doc);
      continue;
    }
    EXPECT_EQ(nullptr, doc);
    ASSERT_NE(0, e);
    char text[300] = {};
    ASGetErrorString(e, text, sizeof text);
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(ErrSeverityError, ErrGetSeverity(e));
    // The same failure again is the same code: the registered codes are not spent.
    EXPECT_EQ(e, ErrorOf([&] { doc = OpenPdf(path); }));
    // Without repair as with it.
    EXPECT_EQ(e, ErrorOf([&] { doc = OpenPdf(path, 0); }));
  }
}

TEST_F(PDTest, RepairedFileIsMarkedAndSavesClean) {
  ScopedDoc doc(OpenPdf(Fix("brokenxref.pdf")));
  EXPECT_TRUE(PDDocGetFlags(doc) & PDDocWasRepaired);
  SavePdf(doc, out.file("repaired.pdf"));
  EXPECT_EQ(0, QpdfCheck(out.file("repaired.pdf")));
}

namespace {
std::string gSupply;
int gAsked = 0;
ASBool SupplyPassword(PDDoc doc) {
  ++gAsked;
  if (gSupply.empty()) return 0;
  return PDDocAuthorize(doc, pdPermAll, gSupply.c_str());
}
}  // namespace

TEST_F(PDTest, PasswordsAndPermissions) {
  ASPathName p = PosixPath(Fix("encrypted.pdf"));
  struct Case {
    const char* password;
    ASErrorCode error;
    PDPerms perms;
  } cases[] = {
      {"user", 0, pdPermOpen | pdPermPrint | pdPermHighPrint | pdPermSaveAs},
      {"owner", 0, pdPermAll},
      {"wrong", pdErrNeedPassword, 0},
  };
  for (const Case& c : cases) {
    PDDoc doc = nullptr;
    EXPECT_EQ(c.error, ErrorOf([&] { doc = PDDocOpenWithPassword(p, nullptr, c.password, 1); })) << c.password;
    if (!doc) continue;
    PDPerms perms = PDDocGetPermissions(doc);
    EXPECT_EQ(c.perms, perms & (c.perms | pdPermEdit | pdPermEditNotes)) << c.password;
    EXPECT_TRUE(PDDocGetFlags(doc) & PDDocIsEncrypted);
    PDDocClose(doc);
  }

  // Through an authorisation procedure: asked, answered, retried.
  gSupply = "user";
  gAsked = 0;
  PDDoc doc = PDDocOpen(p, nullptr, SupplyPassword, 1);
  EXPECT_EQ(1, gAsked);
  EXPECT_EQ(2, PDDocGetNumPages(doc));
  PDDocClose(doc);
  gSupply = "wrong";
  gAsked = 0;
  EXPECT_EQ(pdErrNeedPassword, ErrorOf([&] { PDDocOpen(p, nullptr, SupplyPassword, 1); }));
  EXPECT_LE(gAsked, 2) << "a wrong answer is not asked for again and again";
  gSupply.clear();
  EXPECT_EQ(pdErrNeedPassword, ErrorOf([&] { PDDocOpen(p, nullptr, SupplyPassword, 1); }));
  ASFileSysReleasePath(nullptr, p);

  // An empty user password: opens, but editing is not permitted.
  ScopedDoc restricted(OpenPdf(Fix("restricted.pdf")));
  PDPerms perms = PDDocGetPermissions(restricted);
  EXPECT_FALSE(perms & pdPermEdit);
  EXPECT_FALSE(perms & pdPermEditNotes);
  EXPECT_TRUE(perms & pdPermPrint);
  ScopedDoc plain(OpenPdf(Fix("simple.pdf")));
  EXPECT_EQ(pdPermAll, PDDocGetPermissions(plain));
}

TEST_F(PDTest, SaveRoundTripAndDocumentFile) {
  ScopedDoc doc(OpenPdf(Fix("simple.pdf")));
  EXPECT_STREQ(Fix("simple.pdf").c_str(), ASFileSysPOSIXPath(nullptr, PDDocGetPathName(doc)));
  EXPECT_NE(nullptr, PDDocGetFile(doc));
  {
    ScopedPage page(doc, 0);
    PDPageSetRotate(page, 90);
  }
  EXPECT_TRUE(PDDocGetFlags(doc) & PDDocNeedsSave);

  // A copy leaves the document as it was.
  SavePdf(doc, out.file("copy.pdf"), PDSaveFull | PDSaveCopy);
  EXPECT_STREQ(Fix("simple.pdf").c_str(), ASFileSysPOSIXPath(nullptr, PDDocGetPathName(doc)));
  EXPECT_TRUE(PDDocGetFlags(doc) & PDDocNeedsSave);

  SavePdf(doc, out.file("saved.pdf"));
  EXPECT_STREQ(out.file("saved.pdf").c_str(), ASFileSysPOSIXPath(nullptr, PDDocGetPathName(doc)));
  EXPECT_FALSE(PDDocGetFlags(doc) & PDDocNeedsSave);
  EXPECT_FALSE(CosDocIsDirty(PDDocGetCosDoc(doc)));
  for (const char* f : {"copy.pdf", "saved.pdf"}) {
    EXPECT_EQ(0, QpdfCheck(out.file(f))) << f;
    ScopedDoc back(OpenPdf(out.file(f)));
    ScopedPage page(back, 0);
    EXPECT_EQ(90, PDPageGetRotate(page)) << f;
  }

  // Saved over its own file while the document still reads from it.
  {
    ScopedPage page(doc, 1);
    PDPageSetRotate(page, 180);
  }
  PDDocSave(doc, PDSaveFull, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(0, QpdfCheck(out.file("saved.pdf")));
  ScopedDoc again(OpenPdf(out.file("saved.pdf")));
  ScopedPage second(again, 1);
  EXPECT_EQ(180, PDPageGetRotate(second));
  WalkEverything(doc);
}

TEST_F(PDTest, FailedSaveLeavesTheOldFileWhole) {
  std::string target = out.file("target.pdf");
  kvfix::WriteSimple(target, 1);
  std::string before = ReadWholeFile(target);
  ScopedDoc doc(OpenPdf(Fix("inherited.pdf")));
  for (const char* call : {"PDDocSave", "ASFileWrite", "ASFileSysRenameFile"}) {
    ASFaultInject(call, fileErrDiskFull);
    EXPECT_EQ(fileErrDiskFull, ErrorOf([&] { SavePdf(doc, target); })) << call;
    EXPECT_EQ(before, ReadWholeFile(target)) << call;
    ASFaultClearAll();
  }
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(out.path())) entries += e.is_regular_file();
  EXPECT_EQ(1u, entries) << "no temporary file is left behind";
  PDDoc fresh = PDDocCreate();
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { PDDocSave(fresh, PDSaveFull, nullptr, nullptr, nullptr, nullptr); }))
      << "a new document needs a path";
  PDDocClose(fresh);
}

TEST_F(PDTest, DeterministicIDsAndObjectStreams) {
  ScopedDoc doc(OpenPdf(Fix("inherited.pdf")));
  SavePdf(doc, out.file("a.pdf"), PDSaveFull | PDSaveCopy);
  SavePdf(doc, out.file("b.pdf"), PDSaveFull | PDSaveCopy);
  EXPECT_EQ(ReadWholeFile(out.file("a.pdf")), ReadWholeFile(out.file("b.pdf")));
  SavePdf(doc, out.file("objstm.pdf"), PDSaveFull | PDSaveCopy, PDSaveObjStmGenerate);
  SavePdf(doc, out.file("flat.pdf"), PDSaveFull | PDSaveCopy, PDSaveObjStmDisable);
  EXPECT_NE(std::string::npos, ReadWholeFile(out.file("objstm.pdf")).find("/ObjStm"));
  EXPECT_EQ(std::string::npos, ReadWholeFile(out.file("flat.pdf")).find("/ObjStm"));
  for (const char* f : {"a.pdf", "objstm.pdf", "flat.pdf"}) EXPECT_EQ(0, QpdfCheck(out.file(f))) << f;
}

TEST_F(PDTest, FlagsAndDeleteOnClose) {
  std::string temp = out.file("temporary.pdf");
  kvfix::WriteSimple(temp, 1);
  PDDoc doc = OpenPdf(temp);
  EXPECT_EQ(0, PDDocGetFlags(doc) & (PDDocNeedsSave | PDDocDeleteOnClose));
  PDDocSetFlags(doc, PDDocDeleteOnClose | PDDocNeedsSave);
  PDDocClearFlags(doc, PDDocNeedsSave);
  EXPECT_EQ(PDDocDeleteOnClose, PDDocGetFlags(doc) & (PDDocNeedsSave | PDDocDeleteOnClose));
  PDDocClose(doc);
  EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(PDTest, InformationEntries) {
  ScopedDoc doc(PDDocCreate());
  EXPECT_EQ(0, PDDocGetInfo(doc, "Title", nullptr, 0));
  PDDocSetInfo(doc, "Title", "A long title", 12);
  char small[5];
  EXPECT_EQ(12, PDDocGetInfo(doc, "Title", small, sizeof small));
  EXPECT_STREQ("A lo", small);
  char big[64];
  PDDocGetInfo(doc, "Title", big, sizeof big);
  EXPECT_STREQ("A long title", big);
  PDDocSetInfo(doc, "Title", nullptr, 0);
  EXPECT_EQ(0, PDDocGetInfo(doc, "Title", big, sizeof big));
  ScopedDoc meta(OpenPdf(Fix("metadata.pdf")));
  EXPECT_EQ(7, PDDocGetInfo(meta, "GTS_PDFXVersion", big, sizeof big));
  EXPECT_STREQ("PDF/X-4", big);
}

TEST_F(PDTest, VersionFollowsPageSources) {
  ScopedDoc target(PDDocCreate());
  ASInt16 major = 0, minor = 0;
  PDDocGetVersion(target, &major, &minor);
  EXPECT_EQ(1, major);
  EXPECT_EQ(3, minor);
  // A newer source raises the version the target is saved with.
  std::string bytes17 = ReadWholeFile(Fix("tagged.pdf"));
  ASSERT_EQ(0u, bytes17.find("%PDF-1."));
  bytes17[7] = '7';
  WriteWholeFile(out.file("v17.pdf"), bytes17);
  ScopedDoc newer(OpenPdf(out.file("v17.pdf")));
  PDDocInsertPages(target, PDLastPage, newer, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  PDDocGetVersion(newer, &major, &minor);
  ASInt16 tMajor = 0, tMinor = 0;
  PDDocGetVersion(target, &tMajor, &tMinor);
  EXPECT_EQ(major, tMajor);
  EXPECT_EQ(minor, tMinor);
  SavePdf(target, out.file("merged.pdf"));
  char header[9] = {};
  std::string bytes = ReadWholeFile(out.file("merged.pdf"));
  std::memcpy(header, bytes.data(), 8);
  EXPECT_EQ("%PDF-" + std::to_string(major) + "." + std::to_string(minor), std::string(header));
}

TEST_F(PDTest, OpenFromAFileOfAnotherFileSystem) {
  std::string bytes = ReadWholeFile(Fix("inherited.pdf"));
  BytesFileSys fs;
  ASFile file = fs.OpenFile(bytes.data(), bytes.size());
  ASSERT_NE(nullptr, file);
  PDDoc doc = PDDocOpenFromASFile(file, nullptr, 1);
  EXPECT_EQ(5, PDDocGetNumPages(doc));
  EXPECT_EQ(file, PDDocGetFile(doc));
  WalkEverything(doc);
  PDDocClose(doc);
  EXPECT_EQ(0, ASFileClose(file)) << "the file stays the caller's";
}

TEST_F(PDTest, SourceClosedBeforeTheCopyIsSaved) {
  ScopedDoc target(PDDocCreate());
  std::string text;
  {
    PDDoc source = OpenPdf(Fix("simple.pdf"));
    PDDocInsertPages(target, PDLastPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
    PDDocClose(source);
  }
  SavePdf(target, out.file("copied.pdf"));
  EXPECT_EQ(0, QpdfCheck(out.file("copied.pdf")));
  ScopedDoc back(OpenPdf(out.file("copied.pdf")));
  ScopedPage page(back, 2);
  ASStm s = CosStreamOpenStm(PDPageGetCosContents(page), cosOpenFiltered);
  char buf[200] = {};
  ASStmRead(buf, 1, sizeof buf - 1, s);
  ASStmClose(s);
  EXPECT_NE(nullptr, std::strstr(buf, "(Page 3)"));
}

namespace {
std::vector<std::string> gEvents;
void OnOpen(PDDoc doc, ASInt32 error, void*) { gEvents.push_back(doc ? "open" : "open-failed:" + std::to_string(error != 0)); }
void OnClose(PDDoc, void*) { gEvents.push_back("close"); }
void OnSave(PDDoc, ASInt32 error, void*) { gEvents.push_back(error ? "save-failed" : "save"); }
ASBool CountDocs(PDDoc, void* data) {
  ++*static_cast<int*>(data);
  return 1;
}
}  // namespace

TEST_F(PDTest, DocumentNotificationsAndEnumeration) {
  gEvents.clear();
  AVAppRegisterNotification(PDDocDidOpenNSEL, nullptr, (void*)OnOpen, nullptr);
  AVAppRegisterNotification(PDDocWillCloseNSEL, nullptr, (void*)OnClose, nullptr);
  AVAppRegisterNotification(PDDocDidSaveNSEL, nullptr, (void*)OnSave, nullptr);
  PDDoc doc = OpenPdf(Fix("simple.pdf"));
  ErrorOf([&] { OpenPdf(Fix("garbage.pdf")); });
  int n = 0;
  PDEnumDocs(CountDocs, &n);
  EXPECT_EQ(docs + 1, n);
  SavePdf(doc, out.file("n.pdf"));
  PDDocClose(doc);
  AVAppUnregisterNotification(PDDocDidOpenNSEL, nullptr, (void*)OnOpen, nullptr);
  AVAppUnregisterNotification(PDDocWillCloseNSEL, nullptr, (void*)OnClose, nullptr);
  AVAppUnregisterNotification(PDDocDidSaveNSEL, nullptr, (void*)OnSave, nullptr);
  EXPECT_EQ((std::vector<std::string>{"open", "open-failed:1", "save", "close"}), gEvents);
}
