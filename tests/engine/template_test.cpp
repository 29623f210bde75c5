// Template pages: sequence numbers and repeats, the one-entry background
// cache, sizes, identity, insertion from blank sizes and background files,
// and backgrounds that are missing, protected, too short or damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/TemplatePages.h"
#include "fixtures/Fixtures.h"
#include "foundation/MessageTable.h"
#include "host/ASFixed.h"
#include "support/HostPdf.h"
#include "support/TemplateInfos.h"

using namespace kvtest;

namespace {

class TemplateTest : public PagesTest {
 protected:
  void TearDown() override {
    TemplateCacheTerm();
    PagesTest::TearDown();
  }
};

TEST_F(TemplateTest, InsertsBackgroundPagesInTurn) {
  STemplateInfo t = FileTemplate(File(4), 1, 3, 1);
  PDDoc doc = Doc(1);
  ASInt32 first = -1;
  ASSERT_TRUE(InsertTemplatePages(nullptr, doc, &t, 1, kInsertAtEnd, 4, 0, 0, 0, &first));
  EXPECT_EQ(1, first);
  EXPECT_EQ("Page 1,Page 3,Page 4,Page 4,Page 4", OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "template.pdf"));

  STemplateInfo blank = BlankTemplate(100, 200);
  ASSERT_TRUE(InsertTemplatePages(nullptr, doc, &blank, 0, kInsertAtStart, 2, 0, 1, 1, &first));
  EXPECT_EQ(0, first);
  EXPECT_EQ("?,?,Page 1,Page 3,Page 4,Page 4,Page 4", OrderText(doc));
  EXPECT_TRUE(InsertTemplatePages(nullptr, doc, &blank, 0, kInsertAtStart, 0, 0, 0, 0, &first));
  EXPECT_FALSE(InsertTemplatePages(nullptr, doc, &blank, 0, kInsertAfterNum, 1, 99, 0, 0, &first));
}

// A blank size is the user's: one of no area, or no number, is refused with
// its message before any page is made or any document opened.
TEST_F(TemplateTest, BlankSizesOfNoAreaAreRefused) {
  const struct {
    double w, h;
  } sizes[] = {{0, 200}, {100, 0}, {-100, 200}, {std::nan(""), 200}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
    STemplateInfo blank = BlankTemplate(s.w, s.h);
    PDDoc doc = Doc(1);
    capture->Clear();
    ForgetViews();
    for (PDDoc target : {doc, (PDDoc) nullptr})
      EXPECT_FALSE(InsertTemplatePages(nullptr, target, &blank, 0, kInsertAtEnd, 2, 0, 0, 0, nullptr));
    EXPECT_EQ((std::vector<std::string>(2, GetMessageFromTableByKey(gSystemMessageTable, "common.err.nopagesize"))), Errors());
    EXPECT_EQ(1, PDDocGetNumPages(doc));
    EXPECT_TRUE(ViewsOpened().empty());
  }
}

TEST_F(TemplateTest, TemplatePagesIntoANewDocument) {
  STemplateInfo blank = BlankTemplate(100, 200);
  ForgetViews();
  ASSERT_TRUE(InsertTemplatePages(nullptr, nullptr, &blank, 0, kInsertAtEnd, 2, 0, 0, 0, nullptr));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ(2, PDDocGetNumPages(AVDocGetPDDoc(views[0].view)));
}

struct BadCase {
  const char* name;
  std::function<STemplateInfo(PagesTest*)> make;
  ASErrorCode* code;
  int reports;  // messages when the template is measured with reporting twice
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
class BadTemplateTest : public TemplateTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadTemplateTest, RaisesItsCodeAndLeavesNoPage) {
  const BadCase& c = GetParam();
  STemplateInfo t = c.make(this);
  PDDoc doc = Doc(1);
  TemplatePageSize(&t, 0, 1);
  TemplatePageSize(&t, 0, 1);
  EXPECT_EQ((size_t)c.reports, Errors().size()) << testing::PrintToString(Errors());
  const ASErrorCode code = ErrorOf([&] { InsertTemplatePages(nullptr, doc, &t, 1, kInsertAtEnd, 2, 0, 1, 1, nullptr); });
  EXPECT_NE(0, code);
  EXPECT_EQ(*c.code, code);
  EXPECT_EQ(1, PDDocGetNumPages(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "after.pdf"));
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, BadTemplateTest,
    ::testing::Values(
        BadCase{"Missing", [](PagesTest* t) { return FileTemplate(t->dir.file("missing.pdf"), 0, 0, 0); },
                &templateExceptionCannotUse, 1},
        BadCase{"Garbage",
                [](PagesTest* t) {
                  kvfix::WriteGarbage(t->dir.file("garbage.pdf"));
                  return FileTemplate(t->dir.file("garbage.pdf"), 0, 0, 0);
                },
                &templateExceptionCannotUse, 1},
        BadCase{"Protected",
                [](PagesTest* t) {
                  kvfix::WriteRestricted(t->dir.file("restricted.pdf"));
                  return FileTemplate(t->dir.file("restricted.pdf"), 0, 0, 1);
                },
                &templateProtected, 0},
        BadCase{"RangePastTheFile", [](PagesTest* t) { return FileTemplate(t->File(1), 3, 5, 1); },
                &templateExceptionCannotUse, 0},
        BadCase{"RunsOut", [](PagesTest* t) { return FileTemplate(t->File(3), 0, 0, 0); }, &templateExceptionRunOut,
                0}));

}  // namespace
