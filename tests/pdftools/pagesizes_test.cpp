// The page-size collection: entries and their comparisons, adding, replacing
// and deleting around the system entries, loading from the store and the two
// supplied files, saving only the user's named sizes, and the texts for
// lists, summaries and the feedback line.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdint>
#include <string>
#include <vector>

#include "pdftools/PageTemplate.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"
#include "host/ASExtension.h"
#include "host/AV.h"
#include "pdftools/PageSizes.h"
#include "pdftools/PageUnits.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

std::string Short(SKCab* cab, int size = 1000) {
  std::string out((size_t)size, 'X');
  PageSizeCabShortFormat(cab, out.data(), size);
  return out.c_str();
}
std::string Long(SKCab* cab) {
  char out[1000];
  PageSizeCabLongFormat(cab, out, sizeof out);
  return out;
}
std::string Feedback(SKCab* cab) {
  char out[1000];
  PageSizeCabFeedbackFormat(cab, out, sizeof out);
  return out;
}

// The entries of a collection as "name" or "name*" for system entries.
std::vector<std::string> Names(SKCab* collection) {
  std::vector<std::string> out;
  KCabConstEnum(
      collection,
      [](SKCab* c, const char* key, ASInt32, void* data) -> ASBool {
        SKCab* e = KCabGetCab(c, key);
        const char* n = PageSizeCabGetName(e);
        std::string s = n ? n : "(anon)";
        if (KCabGetBool(e, "System", 0)) s += "*";
        static_cast<std::vector<std::string>*>(data)->push_back(s);
        return 1;
      },
      &out);
  return out;
}

class PageSizes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    ASHostSetPreferencesFolder(prefs.path().c_str());
    ASHostVersionSet(9, 0);
    Util1ForgetHostVersion();
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));  // points
    PageSizeCollectionTerm();
  }
  void TearDown() override {
    PageSizeCollectionTerm();
    TemplateCacheTerm();
    ASHostVersionSet(9, 0);
    Util1ForgetHostVersion();
    ASHostSetPreferencesFolder(nullptr);
  }

  // A supplied file in the user's settings folder, "Sizes" holding sizes.
  static void Supply(const char* setting, std::initializer_list<SKCab*> sizes) {
    SKCabPersist* p = NewKCabPersist(setting);
    KCabPersistSetWriteableDirectory(p);
    SKCab* copy = KCabPersistStartCabWrite(p, "Sizes");
    KCabPersistMakeWritableEmpty(copy);
    for (SKCab* s : sizes) KCabPutCabAnon(copy, s);
    KCabPersistEndStoreCabWrite(p, "Sizes", copy);
    DestroyKCabPersist(p, 1);
  }
  static std::vector<std::string> StoredNames() {
    SKCabPersist* p = NewKCabPersist("pagesize");
    KCabPersistSetWriteableDirectory(p);
    SKCab* sizes = KCabPersistGetCabRead(p, "Sizes");
    DestroyKCabPersist(p, 0);
    std::vector<std::string> names = sizes ? Names(sizes) : std::vector<std::string>{};
    if (sizes) KCabDestroy(sizes);
    return names;
  }

  TempDir prefs;
  TempDir dir;
};

// The built-in sizes on a host that supports large pages, in order.
std::vector<std::string> BuiltIn() {
  return {"Acrobat 3.0 Maximum*",
          "Maximum*",
          Msg("uicustsz.sizeelevenbyseventeen") + "*",
          Msg("uicustsz.sizeuslegal") + "*",
          Msg("uicustsz.sizehalfusletter") + "*",
          Msg("uicustsz.sizeusletter") + "*",
          "a5*",
          "a4*",
          "a3*"};
}

// ---- Entries

TEST_F(PageSizes, NewEntriesCarryTheirKeys) {
  SKCab* a4 = NewPageSizeCabBlankMm("A4", 210, 297, 1);
  EXPECT_NEAR(595.2756, KCabGetDouble(a4, "Width", 0), 1e-4);
  EXPECT_NEAR(841.8898, KCabGetDouble(a4, "Height", 0), 1e-4);
  EXPECT_STREQ("A4", PageSizeCabGetName(a4));
  EXPECT_FALSE(KCabKnown(a4, "KRVLNoExport")) << "a named size is not marked";
  EXPECT_EQ(0, std::string(KCabGetString(a4, "Created")).rfind("D:", 0));
  EXPECT_TRUE(PageSizeCabIsBlankPage(a4));

  SKCab* anon = NewPageSizeCabBlankInches("", 8.5, 11, 1);
  EXPECT_DOUBLE_EQ(612, KCabGetDouble(anon, "Width", 0));
  EXPECT_TRUE(PageSizeCabIsAnon(anon));
  EXPECT_TRUE(KCabGetBool(anon, "KRVLNoExport", 0));
  PageSizeCabSetNoSave(anon, 0);
  EXPECT_FALSE(KCabKnown(anon, "KRVLNoExport"));
  SKCab* unmarked = NewPageSizeCabBlankPoints(nullptr, 10, 10, 0);
  EXPECT_FALSE(KCabKnown(unmarked, "KRVLNoExport"));

  SKCab* bg = NewPageSizeBackground(nullptr, "/Jobs/form.pdf", 1, 3, 2, 1);
  EXPECT_EQ(kPageSizeBackground, PageSizeCabGetType(bg));
  EXPECT_STREQ("/Jobs/form.pdf", KCabGetString(bg, "DIPath"));
  EXPECT_EQ(3, KCabGetInt(bg, "To", 0));
  EXPECT_EQ(2, KCabGetInt(bg, "Repeat", 0));

  KCabPutAtom(bg, "Type", ASAtomFromString("Hologram"));
  EXPECT_EQ(kPageSizeBlank, PageSizeCabGetType(bg)) << "an unknown type counts as blank";
  EXPECT_EQ(-1, PageSizeCabGetType(nullptr));
  for (SKCab* c : {a4, anon, unmarked, bg}) KCabDestroy(c);
}

struct EqualCase {
  const char* name;
  SKCab* a;
  SKCab* b;
  bool equal;
  bool swapped;
};

TEST_F(PageSizes, ContentsComparisons) {
  auto blank = [](double w, double h) { return NewPageSizeCabBlankPoints("x", w, h, 0); };
  auto bg = [](const char* path, long from, long to, long repeat) {
    SKCab* c = NewPageSizeBackground(nullptr, path, from, to, repeat, 0);
    if (repeat < 0) KCabRemove(c, "Repeat");  // the default: all of the range
    if (!path) KCabRemove(c, "DIPath");
    return c;
  };
  std::vector<EqualCase> cases = {
      {"within a thousandth", blank(595.276, 841.89), blank(595.2765, 841.8899), true, false},
      {"a thousandth apart", blank(595.276, 841.89), blank(595.277, 841.89), false, false},
      {"turned", blank(595, 842), blank(842, 595), false, true},
      {"square", blank(500, 500), blank(500, 500), true, true},
      {"blank and background", blank(500, 500), bg("/a.pdf", 0, 0, 1), false, false},
      {"same background", bg("/a.pdf", 0, 3, 4), bg("/a.pdf", 0, 3, -1), true, true},
      {"other repeat", bg("/a.pdf", 0, 3, 1), bg("/a.pdf", 0, 3, -1), false, false},
      {"other file", bg("/a.pdf", 0, 3, 1), bg("/b.pdf", 0, 3, 1), false, false},
      {"both without a file", bg(nullptr, 0, 3, 1), bg(nullptr, 0, 3, 1), true, true},
      {"one without a file", bg(nullptr, 0, 3, 1), bg("/a.pdf", 0, 3, 1), false, false},
  };
  for (const EqualCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.equal, (bool)PageSizeCabContentsEqual(c.a, c.b));
    EXPECT_EQ(c.swapped, (bool)PageSizeCabContentsEqualSwapped(c.a, c.b));
    KCabDestroy(c.a);
    KCabDestroy(c.b);
  }
  SKCab* a = blank(1, 1);
  EXPECT_FALSE(PageSizeCabContentsEqual(a, nullptr));
  EXPECT_FALSE(PageSizeCabNameEqual(a, nullptr));
  SKCab* anon = NewPageSizeCabBlankPoints(nullptr, 1, 1, 0);
  EXPECT_FALSE(PageSizeCabNameEqual(anon, anon)) << "no name, no match";
  EXPECT_FALSE(PageSizeCabNameEqual(a, anon));
  EXPECT_TRUE(PageSizeCabNameEqual(a, a));
  KCabDestroy(a);
  KCabDestroy(anon);
}

// ---- Collections

TEST_F(PageSizes, SystemEntriesAreNeverReplacedOrDeleted) {
  SKCab* coll = KCabNewInner();
  PageSizeCollectionAddBuiltin(coll, NewPageSizeCabBlankMm("a4", 210, 297, 0));
  SKCab* mine = NewPageSizeCabBlankPoints("a4", 1, 1, 0);
  EXPECT_FALSE(PageSizeCollectionAddOrReplace(coll, mine)) << "the name belongs to a system size";
  EXPECT_TRUE(PageSizeCollectionNameIsSystem(coll, "a4"));
  EXPECT_FALSE(PageSizeCollectionNameIsSystem(coll, nullptr));
  EXPECT_FALSE(PageSizeCollectionDeleteByName(coll, "a4"));
  KCabDestroy(mine);  // refused: still the caller's

  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeCabBlankPoints("Card", 100, 200, 0)));
  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeCabBlankPoints(nullptr, 300, 400, 1)));
  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeCabBlankPoints("Card", 110, 210, 0)));
  EXPECT_EQ((std::vector<std::string>{"a4*", "Card", "(anon)"}), Names(coll))
      << "the old Card is replaced, the new one under the first free number";
  ASAtom key = ASAtomNull;
  SKCab* card = PageSizeCollectionFindCabByName(coll, "Card", &key);
  ASSERT_NE(nullptr, card);
  EXPECT_DOUBLE_EQ(110, KCabGetDouble(card, "Width", 0));
  EXPECT_EQ(card, KCabGetCab(coll, ASAtomGetString(key)));

  SKCab* sample = NewPageSizeCabBlankPoints("other name", 300, 400, 0);
  EXPECT_NE(nullptr, PageSizeCollectionFindByContents(coll, sample, 1, nullptr));
  KCabPutDouble(sample, "Width", 110);
  KCabPutDouble(sample, "Height", 210);
  EXPECT_EQ(card, PageSizeCollectionFindByContents(coll, sample, 0, nullptr));
  EXPECT_EQ(nullptr, PageSizeCollectionFindByContents(coll, sample, 1, nullptr)) << "Card has a name";
  EXPECT_FALSE(PageSizeCollectionDeleteAnonByContents(coll, sample));
  KCabPutDouble(sample, "Width", 300);
  KCabPutDouble(sample, "Height", 400);
  EXPECT_TRUE(PageSizeCollectionDeleteAnonByContents(coll, sample));
  EXPECT_TRUE(PageSizeCollectionDeleteByName(coll, "Card"));
  EXPECT_FALSE(PageSizeCollectionDeleteByName(coll, "Card"));
  EXPECT_EQ((std::vector<std::string>{"a4*"}), Names(coll));

  // A cabinet that already sits elsewhere is refused, not torn out of it.
  SKCab* other = KCabNewInner();
  SKCab* held = NewPageSizeCabBlankPoints("Held", 1, 1, 0);
  KCabPutCab(other, "x", held);
  EXPECT_FALSE(PageSizeCollectionAddOrReplace(coll, held));
  EXPECT_EQ(held, KCabGetCab(other, "x"));
  KCabDestroy(other);
  KCabDestroy(sample);
  KCabDestroy(coll);
}

TEST_F(PageSizes, AppendingAndCopyingBetweenCollections) {
  SKCab* source = KCabNewInner();
  KCabPutCabAnon(source, NewPageSizeCabBlankPoints("Card", 1, 1, 0));
  KCabPutCabAnon(source, NewPageSizeCabBlankPoints(nullptr, 2, 2, 1));
  KCabPutCabAnon(source, NewPageSizeCabBlankPoints("Poster", 3, 3, 0));
  KCabPutStringCopy(source, "note", "not an entry");
  PageSizeCollectionAddBuiltin(source, NewPageSizeCabBlankPoints("Sys", 4, 4, 0));
  SKCab* target = KCabNewInner();
  KCabPutCabAnon(target, NewPageSizeCabBlankPoints("Card", 9, 9, 0));
  PageSizeCollAppendAsSystem(source, target);
  EXPECT_EQ((std::vector<std::string>{"Card", "Poster*", "Sys*"}), Names(target));
  SKCab* copied = KCabNewInner();
  PageSizeCollCopyNamedNonSystem(source, copied);
  EXPECT_EQ((std::vector<std::string>{"Card", "Poster"}), Names(copied));
  for (SKCab* c : {source, target, copied}) KCabDestroy(c);
}

// ---- Standard sizes

// Each standard name gives its size exactly: the ISO sizes from their whole
// millimetres, the North American ones in points; in any letter case and
// with blanks anywhere.
TEST(StandardPageSizes, NamesGiveTheirExactSizes) {
  constexpr double mm = 72.0 / 25.4;
  struct Case {
    const char* name;
    double width, height;
  } cases[] = {
      {"A0", 841 * mm, 1189 * mm},   {"A4", 210 * mm, 297 * mm},    {"a10", 26 * mm, 37 * mm},
      {"B0", 1000 * mm, 1414 * mm},  {"B5", 176 * mm, 250 * mm},    {"b10", 31 * mm, 44 * mm},
      {"C0", 917 * mm, 1297 * mm},   {"C4", 229 * mm, 324 * mm},    {"C10", 28 * mm, 40 * mm},
      {"RA0", 860 * mm, 1220 * mm},  {"RA4", 215 * mm, 305 * mm},   {"SRA0", 900 * mm, 1280 * mm},
      {"SRA3", 320 * mm, 450 * mm},  {"sra3", 320 * mm, 450 * mm},  {"SRA4", 225 * mm, 320 * mm},
      {"Letter", 612, 792},          {"LETTER", 612, 792},          {"Legal", 612, 1008},
      {"Tabloid", 792, 1224},        {"Ledger", 1224, 792},         {"Executive", 522, 756},
      {"Statement", 396, 612},       {"Half letter", 396, 612},     {"HalfLetter", 396, 612},
      {" sra 3 ", 320 * mm, 450 * mm},
  };
  for (const Case& c : cases) {
    double w = 0, h = 0;
    ASSERT_TRUE(PageSizeFromStandardName(c.name, &w, &h)) << c.name;
    EXPECT_DOUBLE_EQ(c.width, w) << c.name;
    EXPECT_DOUBLE_EQ(c.height, h) << c.name;
  }
}

// Names beyond the families, and texts that only begin or end as one, are
// none; the sizes asked for stay as they were.
TEST(StandardPageSizes, OtherNamesAreNone) {
  for (const char* name : {"A11", "B11", "C11", "RA5", "SRA5", "A", "4", "A4 landscape", "A4x", "US letter",
                           "Letters", "A-4", "", "A00", "A4\xc2\xa0"}) {
    double w = -1, h = -1;
    EXPECT_FALSE(PageSizeFromStandardName(name, &w, &h)) << name;
    EXPECT_EQ(-1, w) << name;
    EXPECT_EQ(-1, h) << name;
  }
  EXPECT_FALSE(PageSizeFromStandardName(nullptr, nullptr, nullptr));
  EXPECT_TRUE(PageSizeFromStandardName("A4", nullptr, nullptr)) << "the sizes may go unasked";
}

// The text that lists the names names what reads: each family's first and
// last, and every name it gives whole.
TEST(StandardPageSizes, TheListedNamesRead) {
  std::string text = PageSizeStandardNamesText();
  EXPECT_EQ("A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, Letter, Legal, Tabloid, Ledger, Executive, Statement, "
            "Half letter",
            text);
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find(", ", from);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(from, end - from);
    const size_t dash = item.find('-');
    for (const std::string& name : dash == std::string::npos
                                       ? std::vector<std::string>{item}
                                       : std::vector<std::string>{item.substr(0, dash), item.substr(dash + 1)})
      EXPECT_TRUE(PageSizeFromStandardName(name.c_str(), nullptr, nullptr)) << name;
    from = end + 2;
  }
}

// ---- The plug-in's collection

TEST_F(PageSizes, BuiltInSizesFollowTheHost) {
  SKCab* coll = GetSystemDefaultPageSizeCollection();
  EXPECT_EQ(BuiltIn(), Names(coll));
  EXPECT_EQ(coll, GetSystemDefaultPageSizeCollection()) << "loaded once";
  EXPECT_DOUBLE_EQ(200 * 72, KCabGetDouble(PageSizeCollectionFindCabByName(coll, "Maximum", nullptr), "Width", 0));
  SKCab* a3 = PageSizeCollectionFindCabByName(coll, "a3", nullptr);
  EXPECT_NEAR(297 * 72 / 25.4, KCabGetDouble(a3, "Width", 0), 1e-9);
  EXPECT_NEAR(420 * 72 / 25.4, KCabGetDouble(a3, "Height", 0), 1e-9);

  PageSizeCollectionTerm();
  ASHostVersionSet(3, 0);
  Util1ForgetHostVersion();
  coll = GetSystemDefaultPageSizeCollection();
  std::vector<std::string> small = BuiltIn();
  small.erase(small.begin());
  EXPECT_EQ(small, Names(coll));
  EXPECT_DOUBLE_EQ(45 * 72, KCabGetDouble(PageSizeCollectionFindCabByName(coll, "Maximum", nullptr), "Width", 0));
}

TEST_F(PageSizes, OnlyTheUsersNamedSizesAreSavedAndTheyWinOverSystemNames) {
  SKCab* coll = GetSystemDefaultPageSizeCollection();
  // A user's size under a built-in name cannot go in now ...
  SKCab* mine = NewPageSizeCabBlankPoints("a4", 600, 850, 0);
  EXPECT_FALSE(PageSizeCollectionAddOrReplace(coll, mine));
  KCabDestroy(mine);
  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeCabBlankPoints("Card", 100, 200, 0)));
  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeCabBlankPoints(nullptr, 300, 400, 1)));
  ASSERT_TRUE(PageSizeCollectionAddOrReplace(coll, NewPageSizeBackground("Letterhead", "/forms/lh.pdf", 0, 1, 1, 0)));
  SaveSystemDefaultPageSizeCollection();
  EXPECT_EQ((std::vector<std::string>{"Card", "Letterhead"}), StoredNames());

  // ... but one stored earlier under it keeps it, and the built-in a4 stays out.
  Supply("pagesize", {NewPageSizeCabBlankPoints("Card", 100, 200, 0), NewPageSizeCabBlankPoints("a4", 600, 850, 0)});
  PageSizeCollectionTerm();
  coll = GetSystemDefaultPageSizeCollection();
  std::vector<std::string> expected = {"Card", "a4"};
  for (const std::string& n : BuiltIn())
    if (n != "a4*") expected.push_back(n);
  EXPECT_EQ(expected, Names(coll));
  EXPECT_FALSE(PageSizeCollectionNameIsSystem(coll, "a4"));
  EXPECT_TRUE(PageSizeCollectionDeleteByName(coll, "a4"));
}

TEST_F(PageSizes, SuppliedFilesAddSizesOrReplaceTheBuiltInOnes) {
  Supply("pagesize", {NewPageSizeCabBlankPoints("Mine", 1, 1, 0)});
  Supply("pagesize.xtra", {NewPageSizeCabBlankPoints("Extra", 2, 2, 0), NewPageSizeCabBlankPoints("Mine", 5, 5, 0)});
  std::vector<std::string> expected = {"Mine", "Extra*"};
  for (const std::string& n : BuiltIn()) expected.push_back(n);
  EXPECT_EQ(expected, Names(GetSystemDefaultPageSizeCollection()));

  Supply("pagesize.sys", {NewPageSizeCabBlankPoints("House", 3, 3, 0), NewPageSizeCabBlankPoints(nullptr, 4, 4, 0)});
  PageSizeCollectionTerm();
  EXPECT_EQ((std::vector<std::string>{"Mine", "Extra*", "House*"}), Names(GetSystemDefaultPageSizeCollection()))
      << "no built-in sizes, and no unnamed supplied ones";
  SaveSystemDefaultPageSizeCollection();
  EXPECT_EQ((std::vector<std::string>{"Mine"}), StoredNames());
}

TEST_F(PageSizes, SavingBeforeLoadingWritesNothing) {
  Supply("pagesize", {NewPageSizeCabBlankPoints("Kept", 1, 1, 0)});
  SaveSystemDefaultPageSizeCollection();
  EXPECT_EQ((std::vector<std::string>{"Kept"}), StoredNames());
}

// ---- Texts

TEST_F(PageSizes, ShortTexts) {
  struct Case {
    const char* name;
    SKCab* cab;
    std::string text;
  };
  auto page = [](int n) {
    std::string t = Msg("uicustsz.shortpage");
    return t.replace(t.find("%d"), 2, std::to_string(n));
  };
  auto pageTo = [](int n) {
    std::string t = Msg("uicustsz.shortpageto");
    return t.replace(t.find("%d"), 2, std::to_string(n));
  };
  auto named = [](const std::string& name, const std::string& size) {
    std::string t = Msg("uicustsz.pagenameandsize");
    t.replace(t.find("%s"), 2, name);
    return t.replace(t.find("%s", name.size()), 2, size);
  };
  SKCab* noPath = NewPageSizeBackground(nullptr, "", 0, 0, 1, 0);
  std::vector<Case> cases = {
      {"anonymous blank", NewPageSizeCabBlankPoints(nullptr, 612, 792, 1), "612 x 792 pt"},
      {"named blank", NewPageSizeCabBlankPoints("Letter", 612, 792, 0), named("Letter", "612 x 792 pt")},
      {"anonymous background", NewPageSizeBackground(nullptr, "/Jobs/form.pdf", 1, 3, 3, 1),
       "form.pdf" + page(2) + pageTo(4)},
      {"no separator", NewPageSizeBackground(nullptr, "form.pdf", 1, 3, 3, 1), "form.pdf" + page(2) + pageTo(4)},
      {"other separators", NewPageSizeBackground(nullptr, "Disk:Jobs\\form.pdf", 1, 3, 3, 1),
       "form.pdf" + page(2) + pageTo(4)},
      {"one page", NewPageSizeBackground(nullptr, "/Jobs/form.pdf", 4, 4, 1, 1), "form.pdf" + page(5)},
      {"named background", NewPageSizeBackground("Letterhead", "/Jobs/form.pdf", 4, 4, 1, 0), "Letterhead"},
      {"no file", noPath, "Missing filename!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, Short(c.cab));
    KCabDestroy(c.cab);
  }

  SKCab* letter = NewPageSizeCabBlankPoints(nullptr, 612, 792, 1);
  EXPECT_EQ("612 ", Short(letter, 5)) << "cut to the buffer";
  std::string untouched = "abc";
  PageSizeCabShortFormat(letter, untouched.data(), 0);
  EXPECT_EQ("abc", untouched);
  AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{1}));
  EXPECT_EQ("8.50 x 11.00 in", Short(letter)) << "in the user's units";
  KCabDestroy(letter);

  AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));
  SKCab* longName = NewPageSizeCabBlankPoints(std::string(2000, 'n').c_str(), 612, 792, 0);
  EXPECT_EQ(named(std::string(899, 'n'), "612 x 792 pt"), Short(longName, 5000)) << "the name gives way to the size";
  KCabDestroy(longName);
  SKCab* longBackground = NewPageSizeBackground(std::string(2000, 'n').c_str(), "/f.pdf", 0, 0, 1, 0);
  EXPECT_EQ(std::string(999, 'n'), Short(longBackground, 5000));
  KCabDestroy(longBackground);
}

TEST_F(PageSizes, LongTexts) {
  auto fill = [](const char* key, std::vector<std::string> args) {
    std::string t = Msg(key);
    for (const std::string& a : args) t.replace(t.find('%'), 2, a);
    return t;
  };
  const std::string from = Msg("uicustsz.backgroundsfrom");
  struct Case {
    SKCab* cab;
    std::string text;
  };
  std::vector<Case> cases = {
      {NewPageSizeCabBlankPoints("Letter", 612, 792, 0), fill("uicustsz.blanksheets", {"612 x 792 pt"})},
      {NewPageSizeBackground(nullptr, "/f.pdf", 1, 3, 0, 0), from + "/f.pdf" + fill("uicustsz.pagesonce", {"2", "4"})},
      {NewPageSizeBackground(nullptr, "/f.pdf", 1, 3, 3, 0),
       from + "/f.pdf" + fill("uicustsz.pagesrepeated", {"2", "4"})},
      {NewPageSizeBackground(nullptr, "/f.pdf", 1, 3, 2, 0),
       from + "/f.pdf" + fill("uicustsz.pagesrepeatlastn", {"2", "4", "2"})},
      {NewPageSizeBackground(nullptr, "", 1, 3, 2, 0), "Missing filename!"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, Long(c.cab));
    KCabDestroy(c.cab);
  }
  // A very long path gives way; the range stays.
  SKCab* deep = NewPageSizeBackground(nullptr, ("/" + std::string(3000, 'd') + ".pdf").c_str(), 1, 3, 0, 0);
  std::string text = Long(deep);
  EXPECT_EQ(999u, text.size());
  EXPECT_EQ(fill("uicustsz.pagesonce", {"2", "4"}), text.substr(text.size() - fill("uicustsz.pagesonce", {"2", "4"}).size()));
  KCabDestroy(deep);
}

TEST_F(PageSizes, FeedbackMeasuresTheBackgroundFile) {
  std::string three = dir.file("three.pdf"), one = dir.file("one.pdf");
  kvfix::WriteSimple(three, 3);
  kvfix::WriteSimple(one, 1);
  // A file deep in folders named beyond the basic plane: the path as it is.
  std::string folder = dir.file(std::string(200, 'f') + "\xF0\x9F\x93\x84");
  std::filesystem::create_directories(folder);
  std::string far = folder + "/" + std::string(150, 'g') + ".pdf";
  ASSERT_GT(far.size(), 300u);
  kvfix::WriteSimple(far, 3);
  auto sheets = [](int n) {
    std::string t = Msg("uicustsz.maxsheets");
    t.replace(t.find("%d"), 2, std::to_string(n));
    return t.replace(t.find("%s"), 2, Msg(n == 1 ? "uicustsz.maxsheetssingle" : "uicustsz.maxsheetsplural"));
  };
  const std::string size = "612 x 792 pt" + Msg("uicustsz.tall");
  struct Case {
    const char* name;
    SKCab* cab;
    std::string text;
  };
  std::vector<Case> cases = {
      {"blank", NewPageSizeCabBlankPoints(nullptr, 612, 792, 1), ""},
      {"used once", NewPageSizeBackground(nullptr, three.c_str(), 0, 2, 0, 1),
       Msg("uicustsz.pagessize") + size + sheets(3)},
      {"one page once", NewPageSizeBackground(nullptr, one.c_str(), 0, 0, 0, 1),
       Msg("uicustsz.pagessize") + size + sheets(1)},
      {"repeated without end", NewPageSizeBackground(nullptr, three.c_str(), 0, 2, 1, 1),
       Msg("uicustsz.pagessize") + size},
      {"unreadable", NewPageSizeBackground(nullptr, dir.file("missing.pdf").c_str(), 0, 2, 0, 1),
       Msg("uicustsz.dontknow")},
      {"a long path beyond the basic plane", NewPageSizeBackground(nullptr, far.c_str(), 0, 2, 0, 1),
       Msg("uicustsz.pagessize") + size + sheets(3)},
  };
  MessageCapture capture;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, Feedback(c.cab));
    KCabDestroy(c.cab);
  }
  EXPECT_TRUE(capture.messages().empty()) << "the feedback line raises no alerts";
}

}  // namespace
