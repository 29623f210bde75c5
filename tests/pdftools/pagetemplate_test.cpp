// Page templates: sequence numbers, identity, sizes and the background cache.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fixtures/Fixtures.h"
#include "host/ASFixed.h"
#include "pdftools/PageTemplate.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TemplateInfos.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

class PageTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadEnglishMessages(); }
  void TearDown() override { TemplateCacheTerm(); }
  // A fixture file of n pages, its path.
  std::string File(int pages) {
    std::string path = dir.file("doc" + std::to_string(++serial) + ".pdf");
    kvfix::WriteSimple(path, pages);
    return path;
  }
  TempDir dir;
  int serial = 0;
};

TEST_F(PageTemplateTest, SequenceNumbersRepeatTheLastPages) {
  STemplateInfo t = FileTemplate("/nowhere.pdf", 2, 4, 2);
  std::string pages;
  for (int s = 0; s <= 6; ++s) pages += std::to_string(2 + TemplateSequenceToZeroBasedPageOffset(&t, s)) + " ";
  EXPECT_EQ("2 3 4 3 4 3 4 ", pages);
  EXPECT_EQ(kTemplateNoLimit, TemplateMaxPages(&t));

  t.repeat = 0;
  EXPECT_EQ(2, TemplateSequenceToZeroBasedPageOffset(&t, 2));
  EXPECT_EQ(-1, TemplateSequenceToZeroBasedPageOffset(&t, 3)) << "ran out";
  EXPECT_EQ(3, TemplateMaxPages(&t));

  // A repeat longer than the range repeats the range; it never reaches before it.
  t.repeat = 50;
  EXPECT_EQ(0, TemplateSequenceToZeroBasedPageOffset(&t, 3));
  EXPECT_EQ(1, TemplateSequenceToZeroBasedPageOffset(&t, 4));
  EXPECT_EQ(-1, TemplateSequenceToZeroBasedPageOffset(&t, -1));
  t.to = 1;  // an inverted range has no pages
  t.repeat = 0;
  EXPECT_EQ(-1, TemplateSequenceToZeroBasedPageOffset(&t, 0));
  EXPECT_EQ(0, TemplateMaxPages(&t));

  STemplateInfo blank = BlankTemplate(595, 842);
  EXPECT_EQ(-1, TemplateSequenceToZeroBasedPageOffset(&blank, 0));
  EXPECT_EQ(kTemplateNoLimit, TemplateMaxPages(&blank));
}

TEST_F(PageTemplateTest, Identity) {
  STemplateInfo a = FileTemplate("/a.pdf", 0, 3, 1), b = a;
  EXPECT_TRUE(TemplatesAreIdentical(&a, &b));
  b.repeat = 2;
  EXPECT_FALSE(TemplatesAreIdentical(&a, &b));
  STemplateInfo x = BlankTemplate(595, 842), y = BlankTemplate(595, 842);
  std::strcpy(y.name, "A4");
  EXPECT_TRUE(TemplatesAreIdentical(&x, &y));
  EXPECT_FALSE(TemplatesAreIdentical(&x, &a));
  EXPECT_TRUE(TemplatesAreIdentical(&a, &a));
}

TEST_F(PageTemplateTest, BlankSizesNeverRunOut) {
  STemplateInfo t = BlankTemplate(595, 842);
  for (int s : {0, 7, 1000000}) {
    ASFixedPoint size = TemplatePageSize(&t, s, 0);
    EXPECT_EQ(ASFloatToFixed(595), size.h);
    EXPECT_EQ(ASFloatToFixed(842), size.v);
  }
  EXPECT_TRUE(TemplateAllSameSize(&t, 0));
  EXPECT_EQ(nullptr, CachedTemplatePDDoc(&t, 0));
}

TEST_F(PageTemplateTest, BackgroundOpensOnceAndStaysCached) {
  STemplateInfo t = FileTemplate(File(4), 1, 3, 1);
  const ASInt32 open = PDGetOpenDocCount();
  PDDoc first = CachedTemplatePDDoc(&t, 1);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, CachedTemplatePDDoc(&t, 1));
  EXPECT_EQ(open + 1, PDGetOpenDocCount());
  ASFixedPoint size = TemplatePageSize(&t, 5, 0);
  EXPECT_EQ(ASInt32ToFixed(612), size.h);
  EXPECT_TRUE(TemplateAllSameSize(&t, 0));

  // Another background replaces it in the cache.
  STemplateInfo other = FileTemplate(File(2), 0, 1, 0);
  EXPECT_NE(nullptr, CachedTemplatePDDoc(&other, 1));
  EXPECT_EQ(open + 1, PDGetOpenDocCount());
}

}  // namespace
