#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "support/MessageCapture.h"
#include "tests/foundation/KCabDump.h"

namespace {

using kvtest::DumpKCab;

class KCabUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    blocks_ = ASMemOutstandingBlocks();
    cab_ = KCabNewInner();
  }
  void TearDown() override {
    KCabDestroy(cab_);
    EXPECT_EQ(blocks_, ASMemOutstandingBlocks()) << "host blocks leaked";
  }

  kvtest::MessageCapture reports_;
  ASInt64 blocks_ = 0;
  SKCab* cab_ = nullptr;
};

TEST_F(KCabUtilTest, NumericKeyFormsUseTheDecimalText) {
  KCabPutStringCopyNumKey(cab_, 42, "forty-two");
  KCabPutStringCopyNumKey(cab_, -3, "minus");
  KCabPutCab(cab_, "7", KCabNewInner());
  EXPECT_STREQ("forty-two", KCabGetString(cab_, "42"));
  EXPECT_STREQ("forty-two", KCabGetStringNumKey(cab_, 42));
  EXPECT_TRUE(KCabKnownNumKey(cab_, -3));
  EXPECT_FALSE(KCabKnownNumKey(cab_, 3));
  EXPECT_NE(nullptr, KCabGetCabNumKey(cab_, 7));
  EXPECT_EQ(nullptr, KCabGetCabNumKey(cab_, 42));
  // -3 is not numeric: it enumerates after the numbers.
  EXPECT_EQ("{7={};42=s:forty-two;-3=s:minus;}", DumpKCab(cab_));
}

TEST_F(KCabUtilTest, AnonymousSubCabinetsReportTheirKeys) {
  EXPECT_STREQ("0", ASAtomGetString(KCabPutCabAnon(cab_, KCabNewInner())));
  EXPECT_EQ(1, KCabPutCabReturnKey(cab_, KCabNewInner()));
  KCabRemove(cab_, "0");
  EXPECT_EQ(0, KCabPutCabReturnKey(cab_, KCabNewInner()));
  EXPECT_STREQ("2", ASAtomGetString(KCabPutCabAnon(cab_, KCabNewInner())));
}

TEST_F(KCabUtilTest, ARefusedAnonymousPutNamesNoKey) {
  EXPECT_STREQ("0", ASAtomGetString(KCabPutCabAnon(cab_, KCabNewInner())));
  SKCab* owned = KCabGetCabNumKey(cab_, 0);
  // The store is refused: no key, neither the last one used nor the owner's.
  EXPECT_EQ(ASAtomNull, KCabPutCabAnon(cab_, owned));
  EXPECT_EQ(-1, KCabPutCabReturnKey(cab_, owned));
  SKCab* other = KCabNewInner();
  EXPECT_EQ(-1, KCabPutCabReturnKey(other, owned));
  EXPECT_EQ(ASAtomNull, KCabPutCabAnon(cab_, cab_));
  EXPECT_EQ(4u, reports_.Count("KCab error: cabinet already owned"));
  EXPECT_EQ("{0={};}", DumpKCab(cab_));
  EXPECT_TRUE(KCabIsEmpty(other));
  KCabDestroy(other);
}

TEST_F(KCabUtilTest, NamedPointersFromTheHostAllocatorAreFreedWithIt) {
  void* block = ASmallocWithException(64);
  KCabPutPointerNamedType(cab_, "buffer", "Buffer", block, KCabDestroyPointerWithKfree);
  SKCab* copy = KCabDup(cab_);
  KCabDestroy(copy);
  EXPECT_EQ(block, KCabGetPointerNamedType(cab_, "buffer", "Buffer"));
  // The fixture's leak check proves the block is freed with the cabinet.
}

// ---- Lists of doubles

struct ArrayCase {
  std::vector<double> values;
  const char* text;
};

TEST_F(KCabUtilTest, DoubleListsAreTrimmedNumbersEachFollowedByABlank) {
  const ArrayCase cases[] = {
      {{72, 0.25, -3}, "72 0.25 -3 "},
      {{1, 2.5}, "1 2.5 "},
      {{}, ""},
      {{0.12346, 10.0, 0.0}, "0.1235 10 0 "},
      {{-0.0001}, "-0.0001 "},
  };
  for (const ArrayCase& c : cases) {
    KCabPutDoubleArray(cab_, "list", c.values.data(), (ASInt32)c.values.size());
    EXPECT_STREQ(c.text, KCabGetString(cab_, "list"));
  }
}

TEST_F(KCabUtilTest, DoubleListsReadBackUpToTheMaximum) {
  struct Case {
    const char* text;  // null: missing key
    ASInt32 max;
    ASInt32 count;
    bool whole;
    std::vector<double> values;
  };
  const Case cases[] = {
      {"72 0.25 -3 ", 30, 3, true, {72, 0.25, -3}},
      {"72 0.25 -3 ", 2, 2, false, {72, 0.25}},
      {"72 0.25 -3", 3, 3, true, {72, 0.25, -3}},
      {"1 x 2", 10, 1, false, {1}},
      {"", 10, 0, true, {}},
      {nullptr, 10, 0, false, {}},
      {" \t\r\n\f1\n2 ", 10, 2, true, {1, 2}},
      {"1e400", 10, 0, false, {}},  // out of range
      {"1,5", 10, 1, false, {1}},   // a comma is no decimal point
      {"4 5", 0, 0, false, {}},
  };
  for (const Case& c : cases) {
    KCabRemove(cab_, "list");
    if (c.text) KCabPutStringCopy(cab_, "list", c.text);
    double values[30] = {};
    ASInt32 count = -1;
    EXPECT_EQ(c.whole, KCabGetDoubleArray(cab_, "list", values, c.max, &count) != 0) << (c.text ? c.text : "null");
    EXPECT_EQ(c.count, count) << (c.text ? c.text : "null");
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(c.values[i], values[i]);
  }
}

TEST_F(KCabUtilTest, DoubleListsRoundTripExtremeValuesWithoutAFixedBuffer) {
  std::vector<double> values = {1e300, -0.0001, -1.7976931348623157e308, 123456.789, 0};
  for (int i = 0; i < 500; ++i) values.push_back(1e300 + i);
  KCabPutDoubleArray(cab_, "list", values.data(), (ASInt32)values.size());
  std::vector<double> back(values.size());
  ASInt32 count = 0;
  ASSERT_TRUE(KCabGetDoubleArray(cab_, "list", back.data(), (ASInt32)back.size(), &count));
  ASSERT_EQ((ASInt32)values.size(), count);
  EXPECT_EQ(1e300, back[0]);
  EXPECT_EQ(-0.0001, back[1]);
  EXPECT_EQ(-1.7976931348623157e308, back[2]);
  EXPECT_EQ(123456.789, back[3]);
}

// Runs the body with a comma-decimal locale in force, when one is installed.
class CommaLocale {
 public:
  CommaLocale() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    saved_ = previous ? previous : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"}) {
      if (std::setlocale(LC_ALL, name)) {
        active_ = std::localeconv()->decimal_point[0] == ',';
        if (active_) return;
      }
    }
    std::setlocale(LC_ALL, saved_.c_str());
  }
  ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

TEST_F(KCabUtilTest, DoubleListsIgnoreACommaDecimalUserLocale) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no comma-decimal locale installed";
  const double values[] = {2.5, -0.0001, 1e300};
  KCabPutDoubleArray(cab_, "list", values, 3);
  const char* text = KCabGetString(cab_, "list");
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(nullptr, std::strchr(text, ','));
  EXPECT_EQ(0, std::strncmp(text, "2.5 -0.0001 1", 13));
  double back[3] = {};
  ASInt32 count = 0;
  EXPECT_TRUE(KCabGetDoubleArray(cab_, "list", back, 3, &count));
  EXPECT_EQ(3, count);
  EXPECT_EQ(2.5, back[0]);
  EXPECT_EQ(-0.0001, back[1]);
  EXPECT_EQ(1e300, back[2]);
  // A list written by a comma locale's printf would not read as one number.
  KCabPutStringCopy(cab_, "list", "2,5 ");
  EXPECT_FALSE(KCabGetDoubleArray(cab_, "list", back, 3, &count));
  EXPECT_EQ(2.0, back[0]);
}

// ---- Collections

SKCab* Member(const char* extra) {
  SKCab* m = KCabNewInner();
  KCabPutStringCopy(m, "Extra", extra);
  return m;
}

TEST_F(KCabUtilTest, CollectionsFindMembersByTheirNameField) {
  ASAtom a = KCabCollAddCab(cab_, "Name", "A4", Member("first"));
  ASAtom b = KCabCollAddCab(cab_, "Name", "Letter", Member("second"));
  EXPECT_STREQ("0", ASAtomGetString(a));
  EXPECT_STREQ("1", ASAtomGetString(b));
  KCabPutInt(cab_, "9", 1);  // not a sub-cabinet: passed over
  ASAtom key = 0;
  SKCab* found = KCabCollGetCab(cab_, "Name", "Letter", &key);
  EXPECT_EQ(b, key);
  EXPECT_STREQ("second", KCabGetString(found, "Extra"));
  EXPECT_EQ(nullptr, KCabCollGetCab(cab_, "Name", "Legal", &key));
  EXPECT_EQ(ASAtomNull, key);
  EXPECT_EQ(nullptr, KCabCollGetCab(cab_, "Name", nullptr, nullptr));
}

TEST_F(KCabUtilTest, AddingTheSameNameTwiceReplacesTheFirstMemberInPlace) {
  KCabCollAddCab(cab_, "Name", "A4", Member("first"));
  KCabCollAddCab(cab_, "Name", "B5", Member("other"));
  ASAtom again = KCabCollAddCab(cab_, "Name", "A4", Member("replaced"));
  EXPECT_STREQ("0", ASAtomGetString(again));
  EXPECT_EQ("{0={Extra=s:replaced;Name=s:A4;};1={Extra=s:other;Name=s:B5;};}", DumpKCab(cab_));
  // Re-adding a member the collection already holds is refused, and says so.
  EXPECT_EQ(ASAtomNull, KCabCollAddCab(cab_, "Name", "A4", KCabGetCabNumKey(cab_, 0)));
  EXPECT_EQ(1u, reports_.Count("KCab error: cabinet already owned"));
}

// ---- Enumeration words

const SKCabEnumWord kSizing[] = {{0, "Sufficient"}, {1, "LetterWide"}, {2, "A4Wide"}, {3, "Custom"}, {0, nullptr}};

TEST_F(KCabUtilTest, EnumerationWordsMapBothWays) {
  struct Case {
    ASInt32 value;
    const char* word;
  };
  for (Case c : {Case{2, "A4Wide"}, Case{7, "?"}, Case{0, "Sufficient"}, Case{3, "Custom"}}) {
    EXPECT_STREQ(c.word, KCabEkEnumToString(c.value, 0, "Sufficient", 1, "LetterWide", 2, "A4Wide", 3, "Custom", 0,
                                            nullptr));
    EXPECT_STREQ(c.word, KCabEkEnumToStringTable(c.value, kSizing));
  }
  struct AtomCase {
    ASAtom atom;
    ASInt32 value;
  };
  for (AtomCase c : {AtomCase{ASAtomFromString("Custom"), 3}, AtomCase{ASAtomFromString("LetterWide"), 1},
                     AtomCase{ASAtomFromString("Cust"), 5}, AtomCase{ASAtomFromString("Unlisted"), 5},
                     AtomCase{ASAtomNull, 5}}) {
    EXPECT_EQ(c.value, KCabEkAtomToEnum(c.atom, 0, "Sufficient", 1, "LetterWide", 2, "A4Wide", 3, "Custom", 5,
                                        nullptr));
  }
  EXPECT_EQ(3, KCabEkAtomToEnumTable(ASAtomFromString("Custom"), kSizing));
  EXPECT_EQ(0, KCabEkAtomToEnumTable(ASAtomFromString("Unlisted"), kSizing));
  EXPECT_EQ(0, KCabEkAtomToEnumTable(ASAtomNull, kSizing));
}

}  // namespace
