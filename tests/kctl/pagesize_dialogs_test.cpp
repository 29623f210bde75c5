// The page-size dialogs driven through the platform's driver: the more-sizes
// chooser, a new blank size, the review dialog, and the new background page
// dialog with its verification.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCabDump.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "pdftools/PageTemplate.h"
#include "host/AV.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeDialogs.h"
#include "kctl/PageSizeElem.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"
#include "support/TestPageSizes.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

class PageSizeDialogs : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    TestPageSizes::Install();
    ForgetLastAddBackgroundPath();
    AVAppClearOpenDialogAnswers();
  }
  void TearDown() override {
    ForgetLastAddBackgroundPath();
    AVAppClearOpenDialogAnswers();
    TestPageSizes::Uninstall();
    KCtlFixture::TearDown();
  }
  std::string Pdf(int pages, const char* name = "form.pdf") {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  TempDir dir;
};

std::string Title() { return PfGetWindowTitleUTF8(PfGetDialogWindow(KCtlFixture::Front())); }
void TypeKey(const char* key, const char* text) {
  PfDriverTypeText(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key), text, true);
}
void ClickKey(const char* key) { PfDriverClickItem(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key), 0); }

TEST_F(PageSizeDialogs, CancellingTheChooserAnswersFalseAndBackReturnsToIt) {
  SKCab* cab = KCabNewInner();
  std::vector<std::string> titles;
  PfScript script;
  script.Then([&] {
    titles.push_back(Title());
    PfDriverPressReturn();  // a new blank size
  });
  script.Then([&] {
    titles.push_back(Title());
    PfDriverPressEscape();  // back
  });
  script.Then([&] {
    titles.push_back(Title());
    PfDriverPressEscape();
  });
  EXPECT_FALSE(DoMoreSizesDialog(cab, 1));
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.moresizes.title"), Msg("dlg.newcustomsize.title"),
                                      Msg("dlg.moresizes.title")}),
            titles);
  EXPECT_EQ(ASAtomFromString("NewBlank"), KCabGetAtom(cab, "What", ASAtomNull));
  KCabDestroy(cab);
}

TEST_F(PageSizeDialogs, TheBackgroundChoiceIsOfferedOnlyWhenAllowed) {
  for (ASBool allowed : {0, 1}) {
    SKCab* cab = KCabNewInner();
    KCabPutAtom(cab, "What", ASAtomFromString("NewBackground"));
    bool enabled = false, checkedBlank = false;
    PfScript script;
    script.Then([&] {
      enabled = PfDriverIsEnabled(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "What=NewBackground"));
      checkedBlank = PfDriverGetValue(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "What=NewBlank"));
      PfDriverPressEscape();
    });
    EXPECT_FALSE(DoMoreSizesDialog(cab, allowed));
    EXPECT_EQ(allowed != 0, enabled);
    // Not allowed: the remembered background choice is not left checked in a disabled button.
    EXPECT_EQ(!allowed, checkedBlank);
    KCabDestroy(cab);
  }
}

struct BlankCase {
  const char* name;
  const char* width;
  const char* height;
  const char* title;
  const char* alert;  // message key, or null
  bool added;
};

// The text the too-large refusal shows.
std::string TooLarge() {
  char text[1000];
  FormatMessageByKeyUTF8(nullptr, "pagesizes.err.toolarge", nullptr, text, sizeof text, "f", 14400.0);
  return text;
}

TEST_F(PageSizeDialogs, NewBlankSizes) {
  const BlankCase cases[] = {
      {"named", "400", "300", "Card", nullptr, true},
      {"unnamed", "400", "300", "", nullptr, true},
      {"zero width", "0", "300", "Card", "pagesizes.err.badsize", false},
      {"negative height", "400", "-2", "Card", "pagesizes.err.badsize", false},
      {"a system name", "400", "300", "A4", "pagesizes.err.cannotreplacesystemname", false},
      {"the largest page", "14400", "200", "Banner", nullptr, true},
      {"wider than the largest page", "14401", "200", "Banner", "pagesizes.err.toolarge", false},
      {"higher than the largest page", "200", "100000", "", "pagesizes.err.toolarge", false},
  };
  for (const BlankCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestPageSizes::Reset();
    SKCab* cab = KCabNewInner();
    MessageCapture capture;
    PfScript script;
    script.Then([&] {
      TypeKey("Width", c.width);
      TypeKey("Height", c.height);
      TypeKey("Name", c.title);
    });
    script.Then([] { PfDriverPressReturn(); });
    EXPECT_EQ(c.added, DoAddBlankPageSizeDialog(cab) != 0) << "a refused size is no change";
    std::vector<std::string> expectedAlerts;
    if (c.alert) expectedAlerts.push_back(std::string(c.alert) == "pagesizes.err.toolarge" ? TooLarge() : Msg(c.alert));
    EXPECT_EQ(expectedAlerts, capture.texts());
    EXPECT_EQ(c.added ? 4u : 3u, TestPageSizes::Entries().size());
    EXPECT_EQ(c.added, TestPageSizes::Saved()) << "saved when added";
    std::vector<std::string> stored;
    if (c.added && *c.title) stored.push_back(c.title);
    EXPECT_EQ(stored, TestPageSizes::StoredNames()) << "the store keeps only named sizes";
    EXPECT_EQ(c.added, KCabKnown(cab, ".AddedKey") != 0) << "only an added size is named";
    if (c.added) {
      EXPECT_EQ(PageSizeItemKey(KCabGetCabNumKey(TestPageSizes::Coll(), 3)), KCabGetAtom(cab, ".AddedKey", ASAtomNull));
      EXPECT_EQ(!*c.title, KCabGetBool(KCabGetCabNumKey(TestPageSizes::Coll(), 3), "KRVLNoExport", 0));
    }
    KCabDestroy(cab);
  }
}

TEST_F(PageSizeDialogs, CancellingANewBlankSizeChangesNothing) {
  SKCab* cab = KCabNewInner();
  PfScript script;
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(DoAddBlankPageSizeDialog(cab));
  EXPECT_EQ(3u, TestPageSizes::Entries().size());
  KCabDestroy(cab);
}

TEST_F(PageSizeDialogs, ReviewDeletesNamedAndUnnamedSizes) {
  KCabPutCab(TestPageSizes::Coll(), "", NewPageSizeCabBlankPoints("Card", 400, 300, 1));
  KCabPutCab(TestPageSizes::Coll(), "", NewPageSizeCabBlankPoints(nullptr, 100, 200, 1));
  struct Case {
    const char* entry;
    bool deleted;
    int saves;
    const char* alert;
  };
  const Case cases[] = {
      {"Card (400 x 300 pt)", true, 1, nullptr},
      {"100 x 200 pt", true, 0, nullptr},  // unnamed sizes are never stored
      {"A4 (595 x 841 pt)", false, 0, "uicustsz.cantdelete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    TestPageSizes::ForgetSaves();
    SKCab* cab = KCabNewInner();
    MessageCapture capture;
    std::string longText;
    PfScript script;
    script.Then([&] {
      SMacDialogInfo* d = KCtlFixture::FrontInfo();
      for (ASInt32 k = 0; k < MacMenuCountItems(d, 102); ++k) {
        auto* item = reinterpret_cast<SKCab*>(MacMenuGetAttachedData(d, 102, k));
        if (item && c.entry == std::string(KCabGetString(item, "S")))
          PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOfId(102), k);
      }
    });
    script.Then([&] {
      longText = PfText(KCtlFixture::Front(), KCtlFixture::ItemOfId(101));
      PfDriverPressReturn();
    });
    size_t before = TestPageSizes::Entries().size();
    EXPECT_EQ(c.deleted, DoReviewPageSizeDialog(TestPageSizes::Coll(), cab) != 0);
    EXPECT_EQ(c.deleted ? before - 1 : before, TestPageSizes::Entries().size());
    EXPECT_EQ(c.saves == 1, TestPageSizes::Saved());
    EXPECT_EQ(0u, longText.find("Blank sheets")) << longText;
    ASSERT_GE(capture.texts().size(), 1u) << "the question";
    if (c.alert) {
      EXPECT_EQ(Msg(c.alert), capture.texts().back());
    }
    EXPECT_FALSE(KCabKnown(cab, "Entry")) << "the dialog's values are its own";
    KCabDestroy(cab);
  }
}

// ---- New background page

SKCab* BackgroundCab(const std::string& path, const char* top, ASInt32 from, ASInt32 to, const char* inner,
                     ASInt32 repeat) {
  SKCab* cab = KCabNewInner();
  KCabPutASPathName(cab, "File", PosixPath(path));
  if (top) KCabPutAtom(cab, "Top", ASAtomFromString(top));
  if (from) KCabPutInt(cab, "From", from);
  if (to) KCabPutInt(cab, "To", to);
  if (inner) KCabPutAtom(cab, "Inner", ASAtomFromString(inner));
  if (repeat) KCabPutInt(cab, "Repeat", repeat);
  return cab;
}

TEST_F(PageSizeDialogs, BackgroundVerificationTurnsTheChoiceIntoARange) {
  std::string ten = Pdf(10);
  struct Case {
    const char* name;
    const char* top;
    ASInt32 from, to;
    const char* inner;
    ASInt32 repeat;
    bool ok;
    ASInt32 f, t, r;
    const char* alert;
  };
  const Case cases[] = {
      {"all, repeated", "E1", 0, 0, nullptr, 0, true, 0, 9, 10, nullptr},
      {"all, once", "E2", 0, 0, nullptr, 0, true, 0, 9, 0, nullptr},
      {"no choice counts as all", nullptr, 0, 0, nullptr, 0, true, 0, 9, 10, nullptr},
      {"a range, repeated", "E3", 3, 5, "E1", 0, true, 2, 4, 3, nullptr},
      {"a range, once", "E3", 3, 5, "E2", 0, true, 2, 4, 0, nullptr},
      {"the last two repeat", "E3", 3, 5, "E3", 2, true, 2, 4, 2, nullptr},
      {"too many repeat", "E3", 3, 5, "E3", 7, true, 2, 4, 3, "uicustsz.repeatreduced"},
      {"none repeat", "E3", 3, 5, "E3", 0, false, 0, 0, 0, "uicustsz.repeatlessthanone"},
      {"from zero", "E3", 0, 5, "E1", 0, false, 0, 0, 0, "uicustsz.badrange"},
      {"past the end", "E3", 3, 11, "E1", 0, false, 0, 0, 0, "uicustsz.badrange"},
      {"backwards", "E3", 6, 5, "E1", 0, false, 0, 0, 0, "uicustsz.badrange"},
      // Entries that were never the dialog's: no overflow on the way.
      {"the smallest integer", "E3", (ASInt32)0x80000000, 5, "E1", 0, false, 0, 0, 0, "uicustsz.badrange"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* cab = BackgroundCab(ten, c.top, c.from, c.to, c.inner, c.repeat);
    MessageCapture capture;
    SKCab* made = nullptr;
    EXPECT_EQ(c.ok, BackgroundDialogCoreVerify(cab, &made, nullptr, 1, 1) != 0);
    std::vector<std::string> alerts;
    if (c.alert) alerts.push_back(Msg(c.alert));
    EXPECT_EQ(alerts, capture.texts());
    if (c.ok) {
      ASSERT_NE(nullptr, made);
      EXPECT_EQ(c.f, KCabGetInt(made, "From", -1));
      EXPECT_EQ(c.t, KCabGetInt(made, "To", -1));
      EXPECT_EQ(c.r, KCabGetInt(made, "Repeat", -1));
      EXPECT_EQ(ten, KCabGetString(made, "DIPath"));
      EXPECT_TRUE(KCabGetBool(made, "KRVLNoExport", 0)) << "unnamed: not to be saved";
      KCabDestroy(made);
    }
    capture.Clear();
    EXPECT_EQ(c.ok, BackgroundDialogCoreVerify(cab, nullptr, "x", 1, 0) != 0);
    if (c.alert) {
      EXPECT_TRUE(capture.texts().empty()) << "refusals are silent without alerts";
    }
    KCabDestroy(cab);
  }
}

TEST_F(PageSizeDialogs, BackgroundVerificationRefusesAMissingOrUnreadableFile) {
  MessageCapture capture;
  SKCab* cab = KCabNewInner();
  EXPECT_FALSE(BackgroundDialogCoreVerify(cab, nullptr, nullptr, 1, 1));
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.newbackground.5")}), capture.texts());
  KCabDestroy(cab);
  std::string garbage = dir.file("garbage.pdf");
  kvfix::WriteGarbage(garbage);
  cab = BackgroundCab(garbage, "E1", 0, 0, nullptr, 0);
  capture.Clear();
  EXPECT_FALSE(BackgroundDialogCoreVerify(cab, nullptr, nullptr, 1, 1));
  ASSERT_EQ(1u, capture.texts().size());
  EXPECT_NE(std::string::npos, capture.texts()[0].find(Msg("imputil2.task.getpagecount")));
  EXPECT_EQ(nullptr, LastAddBackgroundPath()) << "only a counted file is remembered";
  capture.Clear();
  EXPECT_FALSE(BackgroundDialogCoreVerify(cab, nullptr, nullptr, 1, 0));
  EXPECT_TRUE(capture.texts().empty()) << "without alerts a file that does not open is refused silently";
  KCabDestroy(cab);
}

// Paths of any length and character: the size names the file as it is.
TEST_F(PageSizeDialogs, BackgroundsKeepLongAndNonBmpPathsWhole) {
  std::string folder = dir.file(std::string(160, 'd') + "\xF0\x9F\x93\x84");  // a folder named with U+1F4C4
  std::filesystem::create_directories(folder);
  folder += "/" + std::string(160, 'e') + "\xC3\xA9";
  std::filesystem::create_directories(folder);
  std::string path = folder + "/form.pdf";
  ASSERT_GT(path.size(), 300u);
  kvfix::WriteSimple(path, 3);
  SKCab* cab = BackgroundCab(path, "E1", 0, 0, nullptr, 0);
  MessageCapture capture;
  SKCab* made = nullptr;
  ASSERT_TRUE(BackgroundDialogCoreVerify(cab, &made, nullptr, 1, 1));
  EXPECT_TRUE(capture.texts().empty());
  EXPECT_EQ(path, KCabGetString(made, "DIPath"));
  // The template made from it opens the file.
  SKCab* values = KCabNewInner();
  KCabPutCab(values, "Sheet", made);
  STemplateInfo t{};
  ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(values, "Sheet", &t, 0));
  EXPECT_STREQ(path.c_str(), t.path);
  EXPECT_EQ(3, t.repeat);
  EXPECT_NE(0, TemplatePageSize(&t, 0, 1).h) << "the page measured, not refused as a file that cannot be opened";
  EXPECT_TRUE(capture.texts().empty());
  TemplateCacheTerm();
  KCabDestroy(values);
  KCabDestroy(cab);
}

TEST_F(PageSizeDialogs, TheBackgroundDialogMakesAndSelectsARange) {
  std::string ten = Pdf(10, "letterhead.pdf");
  AVAppQueueOpenDialogAnswer(ten.c_str());
  SKCab* cab = KCabNewInner();
  KCabPutStringCopy(cab, "Name", "Head");
  bool okBefore = true, okAfter = false;
  std::string fileName, from, to, repeat;
  PfScript script;
  script.Then([&] {
    okBefore = PfDriverIsEnabled(KCtlFixture::Front(), KCtlFixture::ItemOfId(1));
    PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str());
  });
  script.Then([&] {
    PfDialogRef d = KCtlFixture::Front();
    okAfter = PfDriverIsEnabled(d, KCtlFixture::ItemOfId(1));
    ClickKey("Top=E3");
  });
  script.Then([&] {
    PfDialogRef d = KCtlFixture::Front();
    for (int16_t i = 1; i <= PfCountDialogItems(d); ++i)
      if (PfText(d, i) == "letterhead.pdf" || PfText(d, i).find("letterhead") != std::string::npos) fileName = PfText(d, i);
    from = PfText(d, PfDriverItemByKey(d, "From"));
    to = PfText(d, PfDriverItemByKey(d, "To"));
    repeat = PfText(d, PfDriverItemByKey(d, "Repeat"));
    TypeKey("From", "3");
    TypeKey("To", "5");
  });
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_TRUE(DoAddBackgroundDialog(cab));
  EXPECT_FALSE(okBefore);
  EXPECT_TRUE(okAfter);
  EXPECT_NE(std::string::npos, fileName.find("letterhead")) << fileName;
  EXPECT_EQ("1", from);
  EXPECT_EQ("10", to);
  EXPECT_EQ("1", repeat);
  SKCab* added = KCabGetCabNumKey(TestPageSizes::Coll(), 3);
  ASSERT_NE(nullptr, added);
  EXPECT_STREQ("Head", KCabGetString(added, "Name"));
  EXPECT_EQ(2, KCabGetInt(added, "From", -1));
  EXPECT_EQ(4, KCabGetInt(added, "To", -1));
  EXPECT_EQ(3, KCabGetInt(added, "Repeat", -1));
  EXPECT_EQ(PageSizeItemKey(added), KCabGetAtom(cab, ".AddedKey", ASAtomNull));
  EXPECT_EQ((std::vector<std::string>{"Head"}), TestPageSizes::StoredNames());
  EXPECT_NE(nullptr, KCabGetASPathName(cab, "File")) << "the entries stay for the next run";
  KCabDestroy(cab);

  // The next dialog without a file offers the one just verified.
  SKCab* next = KCabNewInner();
  std::string nextTo;
  bool nextOk = false;
  PfScript again;
  again.Then([&] {
    nextTo = PfText(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "To"));
    nextOk = PfDriverIsEnabled(KCtlFixture::Front(), KCtlFixture::ItemOfId(1));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(DoAddBackgroundDialog(next));
  EXPECT_EQ("10", nextTo);
  EXPECT_TRUE(nextOk);
  KCabDestroy(next);
}

TEST_F(PageSizeDialogs, ChoosingTheSameFileAgainKeepsTheEdits) {
  std::string six = Pdf(6);
  AVAppQueueOpenDialogAnswer(six.c_str());
  AVAppQueueOpenDialogAnswer(six.c_str());
  SKCab* cab = KCabNewInner();
  std::string to;
  PfScript script;
  script.Then([&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); });
  script.Then([&] { ClickKey("Top=E3"); });
  script.Then([&] { TypeKey("To", "4"); });
  script.Then([&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); });
  script.Then([&] {
    to = PfText(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "To"));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(DoAddBackgroundDialog(cab));
  EXPECT_EQ("4", to);
  KCabDestroy(cab);
}

TEST_F(PageSizeDialogs, AFileThatIsNoPdfLeavesTheOptionsDisabled) {
  std::string garbage = dir.file("notes.pdf");
  kvfix::WriteGarbage(garbage);
  AVAppQueueOpenDialogAnswer(garbage.c_str());
  SKCab* cab = KCabNewInner();
  MessageCapture capture;
  bool ok = true, topEnabled = true;
  PfScript script;
  script.Then([&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); });
  script.Then([&] {
    ok = PfDriverIsEnabled(KCtlFixture::Front(), KCtlFixture::ItemOfId(1));
    topEnabled = PfDriverIsEnabled(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "Top=E1"));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(DoAddBackgroundDialog(cab));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(topEnabled);
  ASSERT_EQ(1u, capture.texts().size());
  EXPECT_NE(std::string::npos, capture.texts()[0].find(Msg("imputil2.task.getpagecount")));
  KCabDestroy(cab);
}

// A file that is no PDF, chosen after a good one, leaves the dialog as it
// was: the good file shown, its page options and OK still there to use.
TEST_F(PageSizeDialogs, AFailedChoiceAfterAGoodOneChangesNothing) {
  std::string six = Pdf(6, "good.pdf");
  std::string garbage = dir.file("bad.pdf");
  kvfix::WriteGarbage(garbage);
  AVAppQueueOpenDialogAnswer(six.c_str());
  AVAppQueueOpenDialogAnswer(garbage.c_str());
  SKCab* cab = KCabNewInner();
  MessageCapture capture;
  bool ok = false, topEnabled = false;
  std::string to, fileName;
  PfScript script;
  script.Then([&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); });
  script.Then([&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); });
  script.Then([&] {
    PfDialogRef d = KCtlFixture::Front();
    ok = PfDriverIsEnabled(d, KCtlFixture::ItemOfId(1));
    topEnabled = PfDriverIsEnabled(d, PfDriverItemByKey(d, "Top=E1"));
    to = PfText(d, PfDriverItemByKey(d, "To"));
    for (int16_t i = 1; i <= PfCountDialogItems(d); ++i)
      if (PfText(d, i).find("good") != std::string::npos) fileName = PfText(d, i);
    PfDriverPressReturn();
  });
  EXPECT_TRUE(DoAddBackgroundDialog(cab));
  EXPECT_TRUE(ok);
  EXPECT_TRUE(topEnabled);
  EXPECT_EQ("6", to);
  EXPECT_NE(std::string::npos, fileName.find("good")) << fileName;
  ASSERT_EQ(1u, capture.texts().size()) << "the failed file's message";
  SKCab* added = KCabGetCabNumKey(TestPageSizes::Coll(), 3);
  ASSERT_NE(nullptr, added);
  EXPECT_EQ(six, KCabGetString(added, "DIPath"));
  KCabDestroy(cab);
}

TEST_F(PageSizeDialogs, ABackgroundNamedLikeASystemSizeIsRefused) {
  std::string ten = Pdf(10);
  SKCab* cab = BackgroundCab(ten, "E1", 0, 0, nullptr, 0);
  KCabPutStringCopy(cab, "Name", "A4");
  MessageCapture capture;
  SKCab* made = reinterpret_cast<SKCab*>(1);
  EXPECT_FALSE(BackgroundDialogVerifyAndMakeCab(cab, &made));
  EXPECT_EQ(nullptr, made);
  EXPECT_EQ((std::vector<std::string>{Msg("pagesizes.err.cannotreplacesystemname")}), capture.texts());
  EXPECT_FALSE(KCabKnown(cab, ".AddedKey")) << "a refused size is not reported as added";
  EXPECT_EQ(3u, TestPageSizes::Entries().size());
  EXPECT_FALSE(TestPageSizes::Saved());
  KCabDestroy(cab);
}

}  // namespace
