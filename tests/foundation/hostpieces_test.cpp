// The in-memory file system, the host glue by version, the contents streamer
// and the UTF-8 wrappers of the host's window calls.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/AVUTF8.h"
#include "foundation/ContentsStreamer.h"
#include "foundation/HostGlue.h"
#include "foundation/MemFileSys.h"
#include "host/HostTables.h"
#include "support/HostPdf.h"
#include "support/ScopedStm.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

ASFileSys MemFS() {
  ASFileSys fs = nullptr;
  InitMemFileSystem(&fs);
  return ASFileSysGetFileSysByName(A(kMemFileSysName));
}

struct OwnedText {
  ASText t;
  explicit OwnedText(const char* s) : t(ASTextFromUnicode(s, kUTF8)) {}
  ~OwnedText() { ASTextDestroy(t); }
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
};

}  // namespace

TEST(MemFileSys, ReadsInChunksAndStopsAtTheEnd) {
  std::string block(1000, 'x');
  ASFile f = CreateInMemoryASFile(block.data(), block.size());
  ASSERT_NE(nullptr, f);
  char buf[300];
  std::vector<ASSize_t> got;
  for (int i = 0; i < 5; ++i) got.push_back(ASFileRead(f, buf, sizeof buf));
  EXPECT_EQ((std::vector<ASSize_t>{300, 300, 300, 100, 0}), got);
  // The procedure itself counts bytes, whatever the item size.
  ASFileSetPos64(f, 0);
  got.clear();
  ASErrorCode readError = 0;
  for (int i = 0; i < 5; ++i) got.push_back(MemFS()->read(buf, 300, 1, ASFileGetMDFile(f), &readError));
  EXPECT_EQ((std::vector<ASSize_t>{300, 300, 300, 100, 0}), got);
  EXPECT_EQ(0, readError);
  // Positions are kept within the block.
  ASFileSetPos64(f, 5000);
  EXPECT_EQ(1000, ASFileGetPos64(f));
  EXPECT_EQ(0u, ASFileRead(f, buf, 10));
  ASFileSetPos64(f, -7);
  EXPECT_EQ(0, ASFileGetPos64(f));
  EXPECT_EQ(1000, ASFileGetEOF64(f));
  // Nothing is written, truncated or flushed away.
  EXPECT_EQ(1, ErrorOf([&] { ASFileWrite(f, "y", 1); }));
  EXPECT_EQ(1, ErrorOf([&] { ASFileSetEOF64(f, 3); }));
  // A size times count that overflows reads nothing.
  ASErrorCode e = 0;
  EXPECT_EQ(0u, MemFS()->read(buf, std::numeric_limits<ASSize_t>::max(), 2, ASFileGetMDFile(f), &e));
  EXPECT_NE(0, e);
  EXPECT_EQ(0, ASFileClose(f));
}

TEST(MemFileSys, PathsNameOnlyBlocksHandedOut) {
  ASFileSys fs = MemFS();
  std::string block(0x20, 'b');
  ASFile f = CreateInMemoryASFile(block.data(), block.size());
  ASPathName p = ASFileAcquirePathName(f);
  char* text = ASFileSysDIPathFromPath(fs, p, nullptr);
  ASSERT_NE(nullptr, text);
  unsigned number = 0, length = 0;
  ASSERT_EQ(2, std::sscanf(text, "/MEM/%08X/%08X", &number, &length));
  EXPECT_EQ(0x20u, length);
  EXPECT_EQ(22u, std::strlen(text));
  ASPathName back = ASFileSysPathFromDIPath(fs, text, nullptr);
  ASSERT_NE(nullptr, back);
  char* again = ASFileSysDIPathFromPath(fs, back, nullptr);
  EXPECT_STREQ(text, again);
  EXPECT_TRUE(fs->isSameFile(ASFileGetMDFile(f), back, nullptr));
  // Texts that name no block handed out, or its wrong length, make no path.
  char forged[40];
  std::snprintf(forged, sizeof forged, "/MEM/%08X/%08X", number, 0x21u);
  for (const char* t : {(const char*)forged, "/MEM/7FFFFFFF/00000010", "/MEM/", "garbage", ""})
    EXPECT_EQ(nullptr, ASFileSysPathFromDIPath(fs, t, nullptr)) << t;
  char name[10];
  EXPECT_EQ(0, ASFileSysGetNameFromPath(fs, back, name, sizeof name));
  EXPECT_STREQ("Unnamed m", name);
  EXPECT_EQ(0x7FFFFFFu, ASFileSysGetStorageFreeSpace(fs, back));
  EXPECT_EQ(nullptr, ASFileSysGetTempPathName(fs, back));
  EXPECT_EQ(1, ASFileSysRemoveFile(fs, back));
  // Opening to write or create is refused.
  ASFile w = nullptr;
  EXPECT_EQ(1, ASFileSysOpenFile(fs, back, ASFILE_READ | ASFILE_WRITE, &w));
  EXPECT_EQ(2, ASFileSysOpenFile(fs, back, ASFILE_READ | ASFILE_CREATE, &w));
  ASfree(text);
  ASfree(again);
  ASFileSysReleasePath(fs, back);
  ASFileSysReleasePath(fs, p);
  ASFileClose(f);
}

TEST(MemFileSys, RegisteredOnce) {
  ASFileSys first = nullptr, second = reinterpret_cast<ASFileSys>(0x1);
  EXPECT_TRUE(InitMemFileSystem(&first));
  EXPECT_TRUE(InitMemFileSystem(&second));
  EXPECT_EQ(reinterpret_cast<ASFileSys>(0x1), second) << "later calls leave the out-argument alone";
  EXPECT_EQ(MemFS(), ASFileSysGetFileSysByName(A(kMemFileSysName)));
}

namespace {
std::string gResource;
ASBool FetchResource(const char type[4], ASInt32 number, const void** data, ASSize_t* size) {
  if (std::memcmp(type, "PDF ", 4) != 0 || number != 174) return 0;
  *data = gResource.data();
  *size = gResource.size();
  return 1;
}
}  // namespace

TEST(MemFileSys, DocumentsOnBlocksAndResources) {
  TempDir dir;
  kvfix::WriteInherited(dir.file("logo.pdf"));
  std::string bytes = ReadWholeFile(dir.file("logo.pdf"));
  ASInt32 files = ASFileOpenCount();
  PDDoc doc = OpenInMemoryPDF(bytes.data(), bytes.size());
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ(5, PDDocGetNumPages(doc));
  CloseInMemoryPDF(doc);
  EXPECT_EQ(files, ASFileOpenCount());
  std::string junk = "not a document at all";
  EXPECT_EQ(pdErrNotPDF, ErrorOf([&] { OpenInMemoryPDF(junk.data(), junk.size()); }));
  EXPECT_EQ(files, ASFileOpenCount()) << "the file of a failed opening is closed";

  EXPECT_EQ(nullptr, OpenInMemoryPDFFromPlatformResource("PDF", 174)) << "no way to the resources yet";
  gResource = bytes;
  SetMemResourceFetchProc(FetchResource);
  PDDoc logo = OpenInMemoryPDFFromPlatformResource("PDF", 174);
  ASSERT_NE(nullptr, logo);
  EXPECT_EQ(5, PDDocGetNumPages(logo));
  CloseInMemoryPDF(logo);
  EXPECT_EQ(nullptr, OpenInMemoryPDFFromPlatformResource("PDF", 175));
  SetMemResourceFetchProc(nullptr);
}

TEST(HostGlue, NullMonitorAndCancel) {
  void* data = reinterpret_cast<void*>(0x5);
  ProgressMonitor a = GetNullProgressMonitor(&data), b = GetNullProgressMonitor(nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(reinterpret_cast<void*>(0x5), data);
  EXPECT_EQ(1, a->getDuration(nullptr));
  EXPECT_EQ(1, a->getCurrValue(nullptr));
  EXPECT_EQ(nullptr, a->setText);
  a->beginOperation(nullptr);
  a->setDuration(10, nullptr);
  a->endOperation(nullptr);
  CancelProc c = GetNullCancelProc(&data);
  EXPECT_FALSE(c(nullptr));
}

TEST(HostGlue, MetadataNamesAndLabels) {
  ScopedDoc doc(PDDocCreate());
  OwnedText ns("http://ns.adobe.com/xap/1.0/"), prefix("xmp"), path("CreatorTool"), value("Korvel"), empty("");
  EXPECT_EQ(nullptr, KGluePDDocGetXAPMetadataProperty(doc, ns.t, path.t));
  EXPECT_EQ(nullptr, KGluePDDocGetXAPMetadataProperty(doc, empty.t, path.t)) << "a raise of the host gives null";
  KGluePDDocSetXAPMetadataProperty(doc, ns.t, prefix.t, path.t, value.t);
  ASText got = KGluePDDocGetXAPMetadataProperty(doc, ns.t, path.t);
  ASSERT_NE(nullptr, got);
  EXPECT_STREQ("Korvel", ASTextGetUTF8(got));
  ASTextDestroy(got);
  ASText packet = KGluePDDocGetXAPMetadata(doc);
  KGluePDDocSetXAPMetadata(doc, packet);
  ASTextDestroy(packet);

  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj name = KKCosNewNameFromObj(cos, 0, CosNewString(cos, 0, "Frm", 3));
  EXPECT_EQ(A("Frm"), CosNameValue(name));
  EXPECT_EQ(cosErrBadType, ErrorOf([&] { KKCosNewNameFromObj(cos, 0, CosNewInteger(cos, 0, 3)); }));

  AVToolButton b = AVToolButtonNew(A("KV_Glue"), nullptr, 0, 0);
  OwnedText label(" Korvel");
  KGlueAVToolButtonSetLabelText(b, label.t, 800);
  OwnedText back("");
  EXPECT_EQ(800, AVToolButtonGetLabelText(b, back.t));
  AVToolButtonDestroy(b);
}

namespace {

CosObj Stream(CosDoc doc, const std::string& text, bool compress) {
  CosObj attrs = CosNewDict(doc, 0, 1);
  if (compress) CosDictPut(attrs, A("Filter"), CosNewName(doc, 0, A("FlateDecode")));
  ASStm m = ASMemStmRdOpen(text.data(), text.size());
  CosObj s = CosNewStream(doc, 1, m, 0, compress, attrs, CosNewNull(), -1);
  ASStmClose(m);
  return s;
}

std::string ReadThrough(SContentsStreamerInfo* info, CosObj contents, size_t step) {
  kvtest::ScopedStm s(ContentsStreamerMakeStm(info, contents));
  std::string out;
  std::vector<char> buf(step);
  for (;;) {
    ASSize_t n = ASStmRead(buf.data(), 1, step, s);
    out.append(buf.data(), n);
    if (n < step) break;
  }
  return out;
}

}  // namespace

TEST(ContentsStreamer, StreamsInOrderWithOneLineFeedBetween) {
  ScopedDoc doc(PDDocCreate());
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj s1 = Stream(cos, "1 0 0 RG", true), s2 = Stream(cos, "0 0 m 9 9 l S", false), s3 = Stream(cos, "Q", true);
  auto array = [&](std::vector<CosObj> items) {
    CosObj a = CosNewArray(cos, 0, 4);
    for (size_t i = 0; i < items.size(); ++i) CosArrayPut(a, (ASInt32)i, items[i]);
    return a;
  };
  struct Case {
    const char* what;
    CosObj contents;
    std::string expect;
  } cases[] = {
      {"three streams", array({s1, s2, s3}), "1 0 0 RG\n0 0 m 9 9 l S\nQ"},
      {"a non-stream between two", array({s1, CosNewInteger(cos, 0, 4), s3}), "1 0 0 RG\nQ"},
      {"no stream at all", array({CosNewNull(), CosNewName(cos, 0, A("X"))}), ""},
      {"an empty array", array({}), ""},
      {"null contents", CosNewNull(), ""},
      {"a single compressed stream", s1, "1 0 0 RG"},
  };
  SContentsStreamerInfo* info = NewContentsStreamer();
  EXPECT_EQ(kContentsStreamerIdle, info->marker);
  for (const Case& c : cases)
    for (size_t step : {1u, 3u, 4096u}) EXPECT_EQ(c.expect, ReadThrough(info, c.contents, step)) << c.what << " " << step;
  EXPECT_EQ(0, ASStmOpenCount()) << "the streamer closes what it opened";
  // Made and then closed without reading: the substream it holds goes too.
  ASStm s = ContentsStreamerMakeStm(info, cases[0].contents);
  EXPECT_EQ(kContentsStreamerMade, info->marker);
  ContentsStreamerCloseStm(info);
  ContentsStreamerCloseStm(info);
  EXPECT_EQ(kContentsStreamerIdle, info->marker);
  ASStmClose(s);
  DestroyContentsStreamer(info);
  DestroyContentsStreamer(nullptr);
  EXPECT_EQ(0, ASStmOpenCount());
}

TEST(ContentsStreamer, DamagedStreamRaisesToTheReader) {
  ScopedDoc doc(PDDocCreate());
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj attrs = CosNewDict(cos, 0, 1);
  CosDictPut(attrs, A("Filter"), CosNewName(cos, 0, A("FlateDecode")));
  std::string junk = "this is not zlib data";
  ASStm m = ASMemStmRdOpen(junk.data(), junk.size());
  CosObj broken = CosNewStream(cos, 1, m, 0, 0, attrs, CosNewNull(), -1);
  ASStmClose(m);
  CosObj a = CosNewArray(cos, 0, 2);
  CosArrayPut(a, 0, Stream(cos, "q", false));
  CosArrayPut(a, 1, broken);
  SContentsStreamerInfo* info = NewContentsStreamer();
  EXPECT_EQ(cosErrDamagedStream, ErrorOf([&] { ReadThrough(info, a, 64); }));
  DestroyContentsStreamer(info);
}

class AVUTF8Test : public ::testing::Test {
 protected:
  void TearDown() override {
    HostRegisterFunctionTables();
    AVAppShutdown();
  }
};

TEST_F(AVUTF8Test, MenuItemsOnBothRoads) {
  const char* title = "Imposition \xE2\x80\x93 N-up";
  AVMenuItem viaText = AVMenuItemNewUTF8(title, "KV:A", nullptr, 0, 0, 0, nullptr, nullptr);
  HFT view = ASExtensionMgrGetHFT(A("AcroView"), ASVersionMake(6, 0));
  ASSERT_NE(nullptr, view);
  HFTReplaceEntry(view, AVMenuItemNewWithASTextSEL, reinterpret_cast<void*>(HFTEntryPlaceholder));
  AVMenuItem viaNative = AVMenuItemNewUTF8(title, "KV:B", nullptr, 0, 'N', 0, nullptr, nullptr);
  for (AVMenuItem item : {viaText, viaNative}) {
    char buf[64];
    AVMenuItemGetTitle(item, buf, sizeof buf);
    EXPECT_STREQ(title, buf);
  }
  EXPECT_EQ('N', AVMenuItemGetShortcut(viaNative));
}

TEST_F(AVUTF8Test, WindowTitlesInAndOut) {
  TempDir dir;
  kvfix::WriteSimple(dir.file("named.pdf"), 1);
  OwnedText name("Sheets \xC3\xA9t\xC3\xA9");
  AVDoc titled = AVDocOpenFromPDDoc(OpenPdf(dir.file("named.pdf")), name.t);
  AVDoc untitled = AVDocOpenFromPDDoc(PDDocCreate(), nullptr);
  char out[64];
  AVWindowGetTitleUTF8(AVDocGetAVWindow(titled), out, sizeof out);
  EXPECT_STREQ("Sheets \xC3\xA9t\xC3\xA9", out);
  AVWindowGetTitleUTF8(AVDocGetAVWindow(untitled), out, sizeof out);
  EXPECT_STREQ("Untitled", out);
  char small[4];
  AVWindowGetTitleUTF8(AVDocGetAVWindow(titled), small, sizeof small);
  EXPECT_STREQ("She", small);
  HFT view = ASExtensionMgrGetHFT(A("AcroView"), ASVersionMake(6, 0));
  HFTReplaceEntry(view, AVWindowGetTitleSEL, nullptr);  // an older host's road
  AVWindowGetTitleUTF8(AVDocGetAVWindow(titled), out, sizeof out);
  EXPECT_STREQ("Sheets \xC3\xA9t\xC3\xA9", out);
}
