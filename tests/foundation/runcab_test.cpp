// The run cabinet as callbacks read it: page words and elements, properties.
#include <gtest/gtest.h>

#include <string>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "foundation/RunCab.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

struct WordCase {
  const char* text;
  bool ok;
  int page;
};

const WordCase kWords[] = {
    {"3", true, 2},         {"  0  ", true, 0},          {"10", true, 9},          {"last", true, 9},
    {"LAST", true, 9},      {" Last - 2 ", true, 7},     {"last-99", true, 0},     {"letzte", true, 9},
    {"Dernier -1", true, 8}, {"\xc3\xbaltima", true, 9}, {"\xc3\x9altima", true, 9}, {"\xc3\x9aLTIMA-3", true, 6},
    {"", false, 0},         {"abc", false, 0},           {"3x", false, 0},         {"last3", false, 0},
    {"lastly", false, 0},   {"last -", false, 0},        {"-3", false, 0},         {"99999999999999999", true, INT32_MAX},
};

TEST(RunCab, PageWords) {
  for (const WordCase& c : kWords) {
    ASInt32 page = -42;
    ASBool ok = ResolveSingleRangeElemString(c.text, &page, 10);
    EXPECT_EQ(c.ok, ok != 0) << c.text;
    if (c.ok) {
      EXPECT_EQ(c.page, page) << c.text;
    }
  }
}

TEST(RunCab, SinglePageElements) {
  ScopedEnglishMessages messages;
  TempDir dir;
  kvfix::WriteSimple(dir.file("six.pdf"), 6);
  ScopedDoc doc(OpenPdf(dir.file("six.pdf")));
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "a", 4);
  KCabPutStringCopy(cab, "b", "last - 1");
  KCabPutStringCopy(cab, "c", "somewhere");
  KCabPutInt(cab, "d", 0);
  EXPECT_EQ(3, GetSinglePageRangeElem(cab, "a", doc, 1));
  EXPECT_EQ(4, GetSinglePageRangeElem(cab, "b", doc, 1));
  EXPECT_EQ(-1, GetSinglePageRangeElem(cab, "c", doc, 0));
  EXPECT_EQ(-1, GetSinglePageRangeElem(cab, "missing", doc, 0));
  ASErrorCode code = ErrorOf([&] { GetSinglePageRangeElem(cab, "c", doc, 1); });
  ASSERT_NE(0, code);
  char text[200];
  ASGetErrorString(code, text, sizeof text);
  EXPECT_STREQ(GetMessageFromTableByKey(gSystemMessageTable, "common.err.badpagenumber"), text);
  // Registered once: the same code every time.
  EXPECT_EQ(code, ErrorOf([&] { GetSinglePageRangeElem(cab, "d", doc, 1); }));

  // Without a document a word counts against a very long document.
  ASInt32 page = 0;
  EXPECT_TRUE(ResolveSingleRangeElem(cab, "b", 1, &page, nullptr));
  EXPECT_EQ(999999999 - 2, page);
  EXPECT_TRUE(ResolveSingleRangeElem(cab, "missing", 7, &page, nullptr));
  EXPECT_EQ(6, page);
  KCabDestroy(cab);
}

TEST(RunCab, BoolProperties) {
  SKCab* cab = KCabNewInner();
  KCabPutBool(cab, "Yes", 1);
  KCabPutInt(cab, "Number", 1);
  KCabPutFunctionPointerNamedType(cab, "Computed", kProcManBoolPropertyProcType,
                                  (KCabFunctionPointer)+[](SKCab*, SKCab* args) -> ASBool {
                                    return KCabGetBool(args, "Answer", 0);
                                  },
                                  nullptr);
  SKCab* args = KCabNewInner();
  KCabPutBool(args, "Answer", 1);
  EXPECT_TRUE(ProcManBoolProperty(cab, "Yes", args));
  EXPECT_FALSE(ProcManBoolProperty(cab, "Number", args));
  EXPECT_FALSE(ProcManBoolProperty(cab, "Missing", args));
  EXPECT_TRUE(ProcManBoolProperty(cab, "Computed", args));
  KCabPutBool(args, "Answer", 0);
  EXPECT_FALSE(ProcManBoolProperty(cab, "Computed", args));
  KCabDestroy(args);
  KCabDestroy(cab);
}

}  // namespace
