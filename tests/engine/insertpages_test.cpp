// Inserted blank and file pages: positions, conditions, sizes borrowed from
// pages, batch refusals, new documents, copies collated or not, ranges, and
// files that are missing or damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/EnginePrefs.h"
#include "engine/InsertPages.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/ASFixed.h"
#include "pdftools/CommandHistory.h"
#include "kctl/StatusBox.h"
#include "pdftools/PageStamp.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

SKCab* Condition(const char* condition, const char* relation, int number) {
  SKCab* p = KCabNewInner();
  if (condition) KCabPutAtom(p, "Condition", ASAtomFromString(condition));
  if (relation) KCabPutAtom(p, "ConditionRelation", ASAtomFromString(relation));
  KCabPutInt(p, "ConditionNumber", number);
  return p;
}

struct ConditionCase {
  const char* condition;
  const char* relation;
  int number;
  int pages;
  int limit;
};
void PrintTo(const ConditionCase& c, std::ostream* os) {
  *os << (c.condition ? c.condition : "-") << " " << (c.relation ? c.relation : "-") << " " << c.number << " on "
      << c.pages;
}
class ConditionTest : public PagesTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(ConditionTest, Limit) {
  const ConditionCase& c = GetParam();
  SKCab* p = Condition(c.condition, c.relation, c.number);
  EXPECT_EQ(c.limit, InsertPageConditionGetMaxToInsert(p, c.pages));
  KCabDestroy(p);
}

constexpr int kNo = kInsertNoLimit;
INSTANTIATE_TEST_SUITE_P(
    Table, ConditionTest,
    ::testing::Values(ConditionCase{nullptr, nullptr, 0, 5, kNo}, ConditionCase{"Always", "Odd", 0, 5, kNo},
                      ConditionCase{"If", "Odd", 0, 5, kNo}, ConditionCase{"If", "Odd", 0, 6, 0},
                      ConditionCase{"Unless", "Odd", 0, 5, 0}, ConditionCase{"Until", "Odd", 0, 6, 1},
                      ConditionCase{"Until", nullptr, 0, 5, 1}, ConditionCase{"Until", "Even", 0, 6, 0},
                      ConditionCase{"If", "LessThan", 4, 3, kNo}, ConditionCase{"Unless", "LessThan", 4, 3, 0},
                      ConditionCase{"Until", "LessThan", 4, 3, 0}, ConditionCase{"Until", "LessThan", 4, 5, kNo},
                      ConditionCase{"If", "AtLeast", 4, 3, 0}, ConditionCase{"Until", "AtLeast", 10, 3, 7},
                      ConditionCase{"Until", "AtLeast", 2, 3, 0}, ConditionCase{"If", "DivisibleBy", 4, 8, kNo},
                      ConditionCase{"Unless", "DivisibleBy", 4, 8, 0}, ConditionCase{"Until", "DivisibleBy", 4, 6, 2},
                      ConditionCase{"Until", "DivisibleBy", 4, 8, 0},
                      // Only 0 is a multiple of 0; a negative divisor counts as its size.
                      ConditionCase{"Until", "DivisibleBy", 0, 6, 0}, ConditionCase{"If", "DivisibleBy", 0, 0, kNo},
                      ConditionCase{"Until", "DivisibleBy", -4, 6, 2},
                      ConditionCase{"If", "Sideways", 0, 6, kNo}, ConditionCase{"Sometimes", "Odd", 0, 6, kNo}));

struct BlankCase {
  const char* name;
  int pages;
  int current;  // the view's page, -1: no view
  std::function<void(SKCab*)> setup;
  bool result;
  int first;
  int count;
  const char* order;
};
void PrintTo(const BlankCase& c, std::ostream* os) { *os << c.name; }
class BlankTest : public PagesTest, public ::testing::WithParamInterface<BlankCase> {};

TEST_P(BlankTest, InsertsWhereAsked) {
  const BlankCase& c = GetParam();
  PDDoc doc = nullptr;
  AVPageView pageView = nullptr;
  if (c.current >= 0) {
    AVDoc view = View(c.pages, c.current);
    doc = AVDocGetPDDoc(view);
    pageView = AVDocGetPageView(view);
  } else {
    doc = Doc(c.pages);
  }
  SKCab* p = KCabNewInner();
  c.setup(p);
  ASInt32 first = -9, count = -9;
  EXPECT_EQ(c.result, InsertBlankPagesFromCab(pageView, doc, p, 0, &first, &count) != 0) << testing::PrintToString(Errors());
  if (c.result) {
    EXPECT_EQ(c.first, first);
    EXPECT_EQ(c.count, count);
  }
  EXPECT_EQ(c.order, OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "blank.pdf"));
  KCabDestroy(p);
}

void Where(SKCab* p, const char* where, int count) {
  KCabPutAtom(p, "Where", ASAtomFromString(where));
  KCabPutInt(p, "Count", count);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, BlankTest,
    ::testing::Values(
        BlankCase{"AtEnd", 3, 0, [](SKCab* p) { Where(p, "AtEnd", 2); }, true, 3, 2, "Page 1,Page 2,Page 3,?,?"},
        BlankCase{"BeforeFirst", 2, 0, [](SKCab* p) { Where(p, "BeforeCur", 1); }, true, 0, 1, "?,Page 1,Page 2"},
        BlankCase{"AfterCurrent", 3, 1, [](SKCab* p) { Where(p, "AfterCur", 1); }, true, 2, 1,
                  "Page 1,Page 2,?,Page 3"},
        BlankCase{"AtStart", 2, -1,
                  [](SKCab* p) {
                    Where(p, "AtStart", 1);
                    KCabPutAtom(p, "WhatSize", ASAtomFromString("SameAsPage"));
                    KCabPutInt(p, "SizeAsPage", 2);
                  },
                  true, 0, 1, "?,Page 1,Page 2"},
        BlankCase{"AfterNum", 3, -1,
                  [](SKCab* p) {
                    Where(p, "AfterNum", 1);
                    KCabPutInt(p, "PageNum", 1);
                    KCabPutAtom(p, "WhatSize", ASAtomFromString("SameAsPage"));
                    KCabPutInt(p, "SizeAsPage", 99);
                  },
                  true, 1, 1, "Page 1,?,Page 2,Page 3"},
        BlankCase{"AfterNumPastTheEnd", 3, 0,
                  [](SKCab* p) {
                    Where(p, "AfterNum", 1);
                    KCabPutInt(p, "PageNum", 4);
                  },
                  false, 0, 0, "Page 1,Page 2,Page 3"},
        BlankCase{"CountMissing", 3, 0, [](SKCab* p) { KCabPutAtom(p, "Where", ASAtomFromString("AtEnd")); }, true, 0,
                  0, "Page 1,Page 2,Page 3"},
        BlankCase{"UntilEven", 5, 0,
                  [](SKCab* p) {
                    Where(p, "AtEnd", 10);
                    KCabPutAtom(p, "Condition", ASAtomFromString("Until"));
                    KCabPutAtom(p, "ConditionRelation", ASAtomFromString("Even"));
                  },
                  true, 5, 1, "Page 1,Page 2,Page 3,Page 4,Page 5,?"},
        BlankCase{"UntilDivisibleBy4", 6, 0,
                  [](SKCab* p) {
                    Where(p, "AtEnd", 10);
                    KCabPutAtom(p, "Condition", ASAtomFromString("Until"));
                    KCabPutAtom(p, "ConditionRelation", ASAtomFromString("DivisibleBy"));
                    KCabPutInt(p, "ConditionNumber", 4);
                  },
                  true, 6, 2, "Page 1,Page 2,Page 3,Page 4,Page 5,Page 6,?,?"},
        BlankCase{"IfOddOnSix", 6, 0,
                  [](SKCab* p) {
                    Where(p, "AtEnd", 3);
                    KCabPutAtom(p, "Condition", ASAtomFromString("If"));
                    KCabPutAtom(p, "ConditionRelation", ASAtomFromString("Odd"));
                  },
                  true, 0, 0, "Page 1,Page 2,Page 3,Page 4,Page 5,Page 6"},
        BlankCase{"BatchCannotUseCurrentPage", 2, -1, [](SKCab* p) { Where(p, "AtEnd", 1); }, false, 0, 0,
                  "Page 1,Page 2"},
        BlankCase{"BatchCannotInsertAtCurrent", 2, -1,
                  [](SKCab* p) {
                    Where(p, "AfterCur", 1);
                    KCabPutAtom(p, "WhatSize", ASAtomFromString("SameAsPage"));
                    KCabPutInt(p, "SizeAsPage", 1);
                  },
                  false, 0, 0, "Page 1,Page 2"},
        BlankCase{"UnknownSize", 2, 0,
                  [](SKCab* p) {
                    Where(p, "AtEnd", 1);
                    KCabPutAtom(p, "WhatSize", ASAtomFromString("Huge"));
                  },
                  false, 0, 0, "Page 1,Page 2"},
        BlankCase{"CustomWithoutSize", 2, 0,
                  [](SKCab* p) {
                    Where(p, "AtEnd", 1);
                    KCabPutAtom(p, "WhatSize", ASAtomFromString("Custom"));
                  },
                  false, 0, 0, "Page 1,Page 2"},
        BlankCase{"AbsurdCount", 2, 0, [](SKCab* p) { Where(p, "AtEnd", 2000000000); }, false, 0, 0,
                  "Page 1,Page 2"}));

TEST_F(PagesTest, BlankPagesBorrowSizeAndBoxes) {
  AVDoc view = View(2, 1);
  PDDoc doc = AVDocGetPDDoc(view);
  {
    ScopedPage page(doc, 1);
    PDPageSetRotate(page, 90);
    PDPageSetBox(page, ASAtomFromString("TrimBox"),
                 ASFixedRect{ASInt32ToFixed(10), ASInt32ToFixed(700), ASInt32ToFixed(600), ASInt32ToFixed(10)});
  }
  SKCab* p = KCabNewInner();
  Where(p, "AfterCur", 1);
  ASInt32 first = 0, count = 0;
  ASSERT_TRUE(InsertBlankPagesFromCab(AVDocGetPageView(view), doc, p, 1, &first, &count));
  ScopedPage blank(doc, 2);
  ASFixedRect media, trim;
  PDPageGetMediaBox(blank, &media);
  EXPECT_EQ(ASInt32ToFixed(612), media.right) << "the reference page's own media box";
  EXPECT_EQ(90, PDPageGetRotate(blank));
  EXPECT_TRUE(PDPageGetBox(blank, ASAtomFromString("TrimBox"), &trim));

  // Without the preference only the size is taken, as the rotated page shows it.
  gCloneBlankPageBoxes = 0;
  ASSERT_TRUE(InsertBlankPagesFromCab(AVDocGetPageView(view), doc, p, 0, &first, &count));
  gCloneBlankPageBoxes = 1;
  ScopedPage plain(doc, 2);
  PDPageGetMediaBox(plain, &media);
  EXPECT_EQ(ASInt32ToFixed(792), media.right);
  EXPECT_EQ(0, PDPageGetRotate(plain));
  KCabDestroy(p);
}

TEST_F(PagesTest, BlankPagesIntoANewDocument) {
  ForgetViews();
  const ASInt32 number = newDocumentNumber + 1;
  ASInt32 first = -1;
  ASSERT_TRUE(InsertBlankPages(nullptr, nullptr, ASInt32ToFixed(200), ASInt32ToFixed(300), CosNewNull(),
                               kInsertAtEnd, 3, 0, 1, &first));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  char title[200];
  std::snprintf(title, sizeof title, Msg("imputil1.title.blankdocument").c_str(), number);
  EXPECT_EQ(title, views[0].title);
  PDDoc made = AVDocGetPDDoc(views[0].view);
  EXPECT_EQ(3, PDDocGetNumPages(made));
  char creator[64];
  PDDocGetInfo(made, "Creator", creator, sizeof creator);
  EXPECT_STREQ("Korvel Velmora 3.0k", creator);
  EXPECT_EQ(0, SaveAndCheck(made, "blanks.pdf"));
  // No width is what a page trimmed to nothing has: a blank like it is a page.
  EXPECT_TRUE(InsertBlankPages(nullptr, made, 0, ASInt32ToFixed(300), CosNewNull(), kInsertAtEnd, 1, 0, 0, nullptr));
  EXPECT_EQ(4, PDDocGetNumPages(made));
  // A size below nothing is no page.
  EXPECT_FALSE(InsertBlankPages(nullptr, made, -1, ASInt32ToFixed(300), CosNewNull(), kInsertAtEnd, 1, 0, 0, nullptr));
  EXPECT_EQ(4, PDDocGetNumPages(made));
}

TEST_F(PagesTest, BlankPagesStopWhenCancelled) {
  PDDoc doc = Doc(1);
  ClickStatusCancel();
  ASInt32 first = 0;
  EXPECT_FALSE(InsertBlankPages(nullptr, doc, ASInt32ToFixed(200), ASInt32ToFixed(300), CosNewNull(), kInsertAtEnd, 5,
                                0, 1, &first));
  char text[200];
  std::snprintf(text, sizeof text, Msg("imputil1.insertcancelled").c_str(), 0);
  EXPECT_EQ(std::vector<std::string>{text}, Errors());
  EXPECT_EQ(1, PDDocGetNumPages(doc));
}

// ---- file pages

struct FileCase {
  const char* name;
  int filePages;
  std::function<void(SKCab*)> setup;
  bool result;
  int gained;
  const char* order;  // of a two-page document with pages renamed by rotation 180
};
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
class FileTest : public PagesTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileTest, InsertsTheFilesPages) {
  const FileCase& c = GetParam();
  PDDoc doc = Doc(2);
  for (ASInt32 i = 0; i < 2; ++i) {
    ScopedPage page(doc, i);
    PDPageSetRotate(page, 180);
  }
  SKCab* p = KCabNewInner();
  KCabPutStringCopy(p, "Path", File(c.filePages).c_str());
  c.setup(p);
  ASInt32 gained = -1;
  EXPECT_EQ(c.result, InsertFilePages(doc, 0, p, 0, &gained) != 0) << testing::PrintToString(Errors());
  EXPECT_EQ(c.gained, gained);
  EXPECT_EQ(c.order, OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "filepages.pdf"));
  KCabDestroy(p);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileTest,
    ::testing::Values(
        FileCase{"All", 2, [](SKCab*) {}, true, 2, "Page 1/180,Page 1,Page 2,Page 2/180"},
        FileCase{"Collated", 2, [](SKCab* p) { KCabPutInt(p, "Copies", 3); }, true, 6,
                 "Page 1/180,Page 1,Page 2,Page 1,Page 2,Page 1,Page 2,Page 2/180"},
        FileCase{"NotCollated", 2,
                 [](SKCab* p) {
                   KCabPutInt(p, "Copies", 3);
                   KCabPutBool(p, "Collate", 0);
                 },
                 true, 6, "Page 1/180,Page 1,Page 1,Page 1,Page 2,Page 2,Page 2,Page 2/180"},
        FileCase{"Range", 5,
                 [](SKCab* p) {
                   KCabPutAtom(p, "Range", ASAtomFromString("FromTo"));
                   KCabPutInt(p, "FromPage", 2);
                   KCabPutInt(p, "ToPage", 3);
                 },
                 true, 2, "Page 1/180,Page 2,Page 3,Page 2/180"},
        FileCase{"RangeCutToTheFile", 3,
                 [](SKCab* p) {
                   KCabPutAtom(p, "Range", ASAtomFromString("FromTo"));
                   KCabPutInt(p, "FromPage", 3);
                   KCabPutInt(p, "ToPage", 30);
                 },
                 true, 1, "Page 1/180,Page 3,Page 2/180"},
        FileCase{"FirstPagePastTheEnd", 2,
                 [](SKCab* p) {
                   KCabPutAtom(p, "Range", ASAtomFromString("FromTo"));
                   KCabPutInt(p, "FromPage", 5);
                 },
                 false, 0, "Page 1/180,Page 2/180"},
        FileCase{"NoCopies", 2, [](SKCab* p) { KCabPutInt(p, "Copies", 0); }, false, 0, "Page 1/180,Page 2/180"},
        // Under a limit both roads make the same number of copies.
        FileCase{"CollatedUnderALimit", 2,
                 [](SKCab* p) {
                   KCabPutInt(p, "Copies", 3);
                   KCabPutAtom(p, "Condition", ASAtomFromString("Until"));
                   KCabPutAtom(p, "ConditionRelation", ASAtomFromString("AtLeast"));
                   KCabPutInt(p, "ConditionNumber", 5);
                 },
                 true, 3, "Page 1/180,Page 1,Page 2,Page 1,Page 2/180"},
        FileCase{"NotCollatedUnderALimit", 2,
                 [](SKCab* p) {
                   KCabPutInt(p, "Copies", 3);
                   KCabPutBool(p, "Collate", 0);
                   KCabPutAtom(p, "Condition", ASAtomFromString("Until"));
                   KCabPutAtom(p, "ConditionRelation", ASAtomFromString("AtLeast"));
                   KCabPutInt(p, "ConditionNumber", 5);
                 },
                 true, 3, "Page 1/180,Page 1,Page 1,Page 2,Page 2/180"},
        FileCase{"AbsurdCopies", 2, [](SKCab* p) { KCabPutInt(p, "Copies", 2000000000); }, false, 0,
                 "Page 1/180,Page 2/180"}));

TEST_F(PagesTest, FilePagesRefuseWhatCannotBeRead) {
  PDDoc doc = Doc(2);
  SKCab* p = KCabNewInner();
  SetupExceptions();
  EXPECT_EQ(impUtil1ExceptionNoFile, ErrorOf([&] { InsertFilePages(doc, 0, p, 0, nullptr); }));

  std::string garbage = dir.file("garbage.pdf"), truncated = dir.file("truncated.pdf");
  kvfix::WriteGarbage(garbage);
  kvfix::WriteTruncated(truncated);
  for (const std::string& path : {dir.file("missing.pdf"), garbage}) {
    KCabPutStringCopy(p, "Path", path.c_str());
    capture->Clear();
    EXPECT_FALSE(InsertFilePages(doc, 0, p, 0, nullptr)) << path;
    ASSERT_EQ(1u, Errors().size());
    EXPECT_NE(std::string::npos, Errors()[0].find(path.substr(path.rfind('/') + 1))) << Errors()[0];
  }
  // A damaged file that opens repaired gives what it has, or nothing; the
  // document stays sound either way.
  KCabPutStringCopy(p, "Path", truncated.c_str());
  ErrorOf([&] { InsertFilePages(doc, 0, p, 0, nullptr); });
  EXPECT_EQ(0, SaveAndCheck(doc, "after-damaged.pdf"));
  KCabDestroy(p);
}

// Pages of a file are inserted as they are: a new document of them carries
// neither the file's command history nor provenance stamps.
TEST_F(PagesTest, InsertedFilePagesBringNoHistory) {
  const std::string path = dir.file("with-history.pdf");
  {
    ScopedDoc source(OpenPdf(File(2)));
    SKCab* list = KCabNewInner();
    KCabPutAtom(list, "Category", ASAtomFromString("HistoryList_V1"));
    SKCab* item = KCabNewInner();
    KCabPutAtom(item, "Category", ASAtomFromString("HistoryItem_V1"));
    KCabPutAtom(item, "Command", ASAtomFromString("Nup"));
    KCabPutCab(list, "", item);
    ASSERT_TRUE(PDDocStoreCommandListFromKCab(source, list, "what was done to the file", 0));
    KCabDestroy(list);
    SavePdf(source, path);
    ScopedDoc back(OpenPdf(path));
    ASSERT_TRUE(PDDocHasCommandList(back));
  }
  for (const char* where : {"NewDoc", "AtEnd"}) {
    SCOPED_TRACE(where);
    SKCab* p = KCabNewInner();
    KCabPutStringCopy(p, "Path", path.c_str());
    KCabPutAtom(p, "Where", ASAtomFromString(where));
    ForgetViews();
    PDDoc target = std::string(where) == "NewDoc" ? nullptr : Doc(1);
    ASSERT_TRUE(InsertFilePagesFromCab(nullptr, target, p, 0, nullptr, nullptr));
    KCabDestroy(p);
    if (!target) {
      auto views = ViewsOpened();
      ASSERT_EQ(1u, views.size());
      target = AVDocGetPDDoc(views[0].view);
    }
    const ASInt32 n = PDDocGetNumPages(target);
    ASSERT_GE(n, 2);
    EXPECT_FALSE(PDDocHasCommandList(target));
    for (ASInt32 i = n - 2; i < n; ++i) {
      ScopedPage page(target, i);
      EXPECT_FALSE(PageHasStamp(page)) << i;
    }
    EXPECT_EQ(0, SaveAndCheck(target, "inserted.pdf"));
  }
}

TEST_F(PagesTest, FilePagesFromCabIntoANewDocument) {
  SKCab* p = KCabNewInner();
  KCabPutStringCopy(p, "DIPath", File(3).c_str());
  KCabPutAtom(p, "Where", ASAtomFromString("NewDoc"));
  ForgetViews();
  ASInt32 first = -1, count = -1;
  ASSERT_TRUE(InsertFilePagesFromCab(nullptr, nullptr, p, 0, &first, &count));
  EXPECT_EQ(0, first);
  EXPECT_EQ(3, count);
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ("Page 1,Page 2,Page 3", OrderText(AVDocGetPDDoc(views[0].view)));

  // A failure closes the new document again.
  const ASInt32 open = PDGetOpenDocCount();
  KCabPutStringCopy(p, "DIPath", dir.file("missing.pdf").c_str());
  EXPECT_FALSE(InsertFilePagesFromCab(nullptr, nullptr, p, 0, &first, &count));
  EXPECT_EQ(open, PDGetOpenDocCount());

  KCabPutAtom(p, "Where", ASAtomFromString("BeforeCur"));
  EXPECT_FALSE(InsertFilePagesFromCab(nullptr, Doc(1), p, 0, &first, &count));
  EXPECT_EQ(Msg("imputil1.err.batchcurrentpage"), Errors().back());
  KCabDestroy(p);
}

}  // namespace


namespace {

TEST_F(PagesTest, CustomSizesInsertTemplatePages) {
  PDDoc doc = Doc(2);
  SKCab* p = KCabNewInner();
  Where(p, "AtEnd", 2);
  KCabPutAtom(p, "WhatSize", ASAtomFromString("Custom"));
  SKCab* size = KCabNewInner();
  KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
  KCabPutStringCopy(size, "Name", "Card");
  KCabPutDouble(size, "Width", 300);
  KCabPutDouble(size, "Height", 200);
  KCabPutCab(p, "Page", size);
  KCabPutAtom(p, "PageOrientation", ASAtomFromString("Tall"));
  ASInt32 first = -1, count = -1;
  ASSERT_TRUE(InsertBlankPagesFromCab(nullptr, doc, p, 0, &first, &count));
  EXPECT_EQ(2, first);
  EXPECT_EQ(2, count);
  {
    ScopedPage page(doc, 3);
    ASFixedRect media;
    PDPageGetMediaBox(page, &media);
    EXPECT_EQ(ASInt32ToFixed(200), media.right) << "turned tall";
    EXPECT_EQ(ASInt32ToFixed(300), media.top);
  }

  // A background file's pages from the "Offset" sequence number on.
  SKCab* background = KCabNewInner();
  KCabPutAtom(background, "Type", ASAtomFromString("Background"));
  KCabPutStringCopy(background, "DIPath", File(3).c_str());
  KCabPutInt(background, "From", 0);
  KCabPutInt(background, "To", 2);
  KCabPutInt(background, "Repeat", 1);
  KCabPutCab(p, "Page", background);
  KCabPutInt(p, "Offset", 1);
  Where(p, "AtStart", 3);
  ASSERT_TRUE(InsertBlankPagesFromCab(nullptr, doc, p, 0, &first, &count)) << testing::PrintToString(Errors());
  EXPECT_EQ("Page 2,Page 3,Page 3,Page 1,Page 2,?,?", OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "custom.pdf"));
  KCabDestroy(p);
}

}  // namespace

namespace {

TEST_F(PagesTest, FailedBlankInsertionClosesItsNewDocument) {
  const ASInt32 open = PDGetOpenDocCount();
  ForgetViews();
  ASFaultInject("PDDocCreatePage", genErrGeneral, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([] {
              InsertBlankPages(nullptr, nullptr, ASInt32ToFixed(200), ASInt32ToFixed(300), CosNewNull(),
                               kInsertNewDoc, 3, 0, 1, nullptr);
            }));
  ASFaultClearAll();
  EXPECT_EQ(open, PDGetOpenDocCount());
  EXPECT_TRUE(ViewsOpened().empty());
  EXPECT_EQ(nullptr, StatusBoxDialog());
}

}  // namespace
