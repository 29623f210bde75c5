// The command history inside a PDF: written, saved, checked by qpdf,
// reopened and read back; damaged and hostile histories.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "pdftools/CommandHistory.h"
#include "support/DocTestUtil.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CommandHistory, ExportCheckerAddsTheBaseFeature) {
  struct {
    const char* before;  // null: no "Requires"
    const char* after;
  } cases[] = {{nullptr, "kv2base"}, {"plugin", "kv2base;plugin"}, {"plugin;kv2base", "plugin;kv2base"},
               {"xkv2basey", "xkv2basey"}};
  for (const auto& c : cases) {
    SKCab* list = KCabNewInner();
    KCabPutAtom(list, "Category", ASAtomFromString("HistoryList_V1"));
    if (c.before) KCabPutStringCopy(list, "Requires", c.before);
    EXPECT_TRUE(KVExportChecker(list));
    EXPECT_STREQ(c.after, KCabGetString(list, "Requires"));
    KCabDestroy(list);
  }
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadEnglishMessages(); }
  void TearDown() override {
    for (PDDoc d : docs) PDDocClose(d);
  }
  PDDoc Doc(int pages = 2) {
    std::string path = dir.file("in" + std::to_string(docs.size()) + ".pdf");
    kvfix::WriteSimple(path, pages);
    docs.push_back(OpenPdf(path));
    return docs.back();
  }
  PDDoc Reopen(PDDoc doc, const std::string& name) {
    std::string path = dir.file(name);
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path)) << path;
    docs.push_back(OpenPdf(path));
    return docs.back();
  }
  // The uncompressed form of a saved file, by qpdf.
  std::string Qdf(const std::string& name) {
    std::string path = dir.file(name);
    return ShellOutput("qpdf --qdf --object-streams=disable '" + path + "' -");
  }

  static SKCab* History(const char* text) {
    SKCab* list = KCabNewInner();
    KCabPutAtom(list, "Category", ASAtomFromString("HistoryList_V1"));
    SKCab* item = KCabNewInner();
    KCabPutAtom(item, "Category", ASAtomFromString("HistoryItem_V1"));
    KCabPutAtom(item, "Command", ASAtomFromString("Nup"));
    KCabPutStringCopy(item, "Params:Text", text);
    KCabPutDouble(item, "Params:Scale", 0.75);
    KCabPutCab(list, "", item);
    return list;
  }

  TempDir dir;
  std::vector<PDDoc> docs;
};

TEST_F(HistoryTest, StoredSavedReopenedAndReadBack) {
  PDDoc doc = Doc();
  EXPECT_FALSE(PDDocHasCommandList(doc));
  SKCab* list = History("gr\xc3\xbc\xc3\x9f <&> \"x\"");
  ASSERT_TRUE(PDDocStoreCommandListFromKCab(doc, list, "Done to this file \xe2\x80\x93 twice", 0));
  // The export check marked the list with the base feature.
  EXPECT_STREQ("kv2base", KCabGetString(list, "Requires"));
  KCabDestroy(list);

  PDDoc back = Reopen(doc, "out.pdf");
  std::string attachments = ShellOutput("qpdf --list-attachments '" + dir.file("out.pdf") + "'");
  EXPECT_NE(std::string::npos, attachments.find("KRVL.command.history")) << attachments;
  std::string qdf = Qdf("out.pdf");
  EXPECT_NE(std::string::npos, qdf.find("/KRVL_DocInfo"));
  EXPECT_NE(std::string::npos, qdf.find("/Type /EmbeddedFile"));
  EXPECT_NE(std::string::npos, qdf.find("(rerevudivizoza.xml)"));

  ASSERT_TRUE(PDDocHasCommandList(back));
  char description[1000];
  SKCab* read = PDDocGetCommandListAsKCab(back, description, sizeof description);
  ASSERT_NE(nullptr, read);
  EXPECT_STREQ("Done to this file \xe2\x80\x93 twice", description);
  EXPECT_EQ(ASAtomFromString("HistoryList_V1"), KCabGetAtom(read, "Category", ASAtomNull));
  EXPECT_STREQ("gr\xc3\xbc\xc3\x9f <&> \"x\"", KCabGetString(read, "0:Params:Text"));
  EXPECT_DOUBLE_EQ(0.75, KCabGetDouble(read, "0:Params:Scale", 0));
  EXPECT_STREQ("kv2base", KCabGetString(read, "Requires"));
  KCabDestroy(read);

  // A short buffer gets a cut description, whole characters only.
  char shortBuffer[20];
  PDDocGetCommandListHistoryObj(back, shortBuffer, sizeof shortBuffer);
  EXPECT_STREQ("Done to this file ", shortBuffer);
}

TEST_F(HistoryTest, AHistoryWrittenWithoutTheAttachmentIsReadFromTheCatalog) {
  PDDoc doc = Doc();
  PDDocStoreCommandListFromXML(doc, "<first/>", "first", 0);
  // PDF/X mode: only the catalog gets the new text; the attachment stays.
  PDDocStoreCommandListFromXML(doc, "<second/>", "second", 1);
  char description[100];
  char* text = PDDocGetCommandListAsXML(doc, description, sizeof description);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("<second/>", text) << "the newer history";
  EXPECT_STREQ("first", description) << "the description travels with the attachment";
  ASfree(text);

  PDDoc back = Reopen(doc, "both.pdf");
  text = PDDocGetCommandListAsXML(back, description, sizeof description);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("<second/>", text);
  ASfree(text);
  std::string qdf = Qdf("both.pdf");
  EXPECT_EQ(1u, Count(qdf, "<first/>"));
  EXPECT_EQ(1u, Count(qdf, "<second/>"));

  // Written with the attachment again, both hold the same stream once more.
  PDDocStoreCommandListFromXML(back, "<third/>", "third", 0);
  text = PDDocGetCommandListAsXML(back, description, sizeof description);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("<third/>", text);
  EXPECT_STREQ("third", description);
  ASfree(text);
}

TEST_F(HistoryTest, CatalogOnlyGivesAnEmptyDescription) {
  PDDoc doc = Doc();
  PDDocStoreCommandListFromXML(doc, "<only/>", "ignored", 1);
  PDDoc back = Reopen(doc, "catalog.pdf");
  EXPECT_EQ(std::string::npos, ShellOutput("qpdf --list-attachments '" + dir.file("catalog.pdf") + "'").find("KRVL"));
  char description[100] = "stale";
  char* text = PDDocGetCommandListAsXML(back, description, sizeof description);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("<only/>", text);
  EXPECT_STREQ("", description);
  ASfree(text);
}

TEST_F(HistoryTest, WritingTwiceLeavesOneHistory) {
  PDDoc doc = Doc();
  SKCab* list = History("one");
  PDDocStoreCommandListFromKCab(doc, list, "d", 0);
  KCabPutStringCopy(list, "0:Params:Text", "two");
  PDDocStoreCommandListFromKCab(doc, list, "d", 0);
  KCabDestroy(list);
  Reopen(doc, "twice.pdf");
  std::string qdf = Qdf("twice.pdf");
  EXPECT_EQ(1u, Count(qdf, "<RUVURAZAR"));
  EXPECT_EQ(1u, Count(qdf, "/Filespec"));
  EXPECT_NE(std::string::npos, qdf.find(">two<"));
}

TEST_F(HistoryTest, TextsAroundTheReadPieceSize) {
  PDDoc doc = Doc();
  for (size_t size : {size_t(1), size_t(30), size_t(31), size_t(3999), size_t(4000), size_t(4001), size_t(100000)}) {
    std::string text;
    for (size_t i = 0; i < size; ++i) text += (char)('a' + (i * 7) % 26);
    PDDocStoreCommandListFromXML(doc, text.c_str(), "", 0);
    char* back = PDDocGetCommandListAsXML(doc, nullptr, 0);
    ASSERT_NE(nullptr, back) << size;
    EXPECT_EQ(text, back) << size;
    ASfree(back);
  }
}

TEST_F(HistoryTest, OversizedHistoryIsNotRead) {
  PDDoc doc = Doc();
  std::string text((size_t)kCommandHistoryMaxBytes + 1, ' ');
  PDDocStoreCommandListFromXML(doc, text.c_str(), "", 1);
  EXPECT_TRUE(PDDocHasCommandList(doc));
  EXPECT_EQ(nullptr, PDDocGetCommandListAsXML(doc, nullptr, 0));
  EXPECT_EQ(nullptr, PDDocGetCommandListAsKCab(doc, nullptr, 0));
}

TEST_F(HistoryTest, DamagedHistoriesReadAsNone) {
  PDDoc doc = Doc();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj info = CosNewDict(cos, 1, 1);
  CosDictPutKeyString(CosDocGetRoot(cos), "KRVL_DocInfo", info);

  // Flate data that does not inflate.
  CosObj attributes = CosNewDict(cos, 0, 1);
  CosDictPutKeyString(attributes, "Filter", CosNewNameFromString(cos, 0, "FlateDecode"));
  const char garbage[] = "this is not deflated data at all";
  ASStm stm = ASMemStmRdOpen(garbage, sizeof garbage - 1);
  CosObj bad = CosNewStream(cos, 1, stm, 0, 0, attributes, CosNewNull(), sizeof garbage - 1);
  ASStmClose(stm);
  CosDictPutKeyString(info, "CommandHistory", bad);
  EXPECT_TRUE(PDDocHasCommandList(doc));
  EXPECT_EQ(nullptr, PDDocGetCommandListAsKCab(doc, nullptr, 0));

  // Text that is not cabinet XML.
  PDDocStoreCommandListFromXML(doc, "<html><body>hello</body></html>", "", 1);
  EXPECT_EQ(nullptr, PDDocGetCommandListAsKCab(doc, nullptr, 0));

  // Something that is not a stream.
  CosDictPutKeyString(info, "CommandHistory", CosNewInteger(cos, 0, 7));
  EXPECT_FALSE(PDDocHasCommandList(doc));
  EXPECT_EQ(nullptr, PDDocGetCommandListAsXML(doc, nullptr, 0));

  // "KRVL_DocInfo" that is not a dictionary is replaced when writing.
  CosDictPutKeyString(CosDocGetRoot(cos), "KRVL_DocInfo", CosNewInteger(cos, 0, 1));
  PDDocStoreCommandListFromXML(doc, "<x/>", "", 1);
  EXPECT_TRUE(PDDocHasCommandList(doc));
}

// A history entry that points at another part of the document must not
// take that part with it when the history is rewritten.
TEST_F(HistoryTest, ASharedStreamSurvivesRewriting) {
  PDDoc doc = Doc();
  CosDoc cos = PDDocGetCosDoc(doc);
  ScopedPage page(doc, 0);
  CosObj contents = PDPageGetCosContents(page);
  ASSERT_EQ(CosStream, CosObjGetType(contents));
  CosObj info = CosNewDict(cos, 1, 1);
  CosDictPutKeyString(CosDocGetRoot(cos), "KRVL_DocInfo", info);
  CosDictPutKeyString(info, "CommandHistory", contents);

  PDDocStoreCommandListFromXML(doc, "<new/>", "", 0);
  EXPECT_EQ(CosStream, CosObjGetType(PDPageGetCosContents(page)));
  PDDoc back = Reopen(doc, "shared.pdf");
  EXPECT_NE(std::string::npos, ShellOutput("pdftotext '" + dir.file("shared.pdf") + "' -").find("Page 1"));
  char* text = PDDocGetCommandListAsXML(back, nullptr, 0);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("<new/>", text);
  ASfree(text);
}

}  // namespace
