#include <gtest/gtest.h>

#include <string>

#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "support/MessageCapture.h"

namespace {

TEST(MessageFormat, ConversionsMustTakeTheArgumentsGiven) {
  struct Case {
    const char* text;
    const char* signature;
    bool matches;
  };
  const Case cases[] = {
      {"plain text", "", true},
      {"100%% done", "", true},
      {"%d pages", "d", true},
      {"%5.2f x %-8.3f", "ff", true},
      {"%ld of %ld", "ll", true},
      {"%lu", "l", true},
      {"%s: %d", "sd", true},
      {"%x %X %o %u %c %hd", "dddddd", true},
      {"%zu bytes", "z", true},
      {"%lld", "L", true},
      {"%p", "p", true},
      {"%1000.1000f", "f", true},
      {"%.8888888888F", "f", false},  // a width or precision that would build gigabytes
      {"%99999d", "d", false},
      {"%lf", "f", true},
      {"only %s", "sd", true},        // fewer conversions than arguments is fine
      {"%2$s then %1$d", "ds", true},  // translators may reorder
      {"%1$d %1$d", "d", true},
      {"%s", "", false},             // more conversions than arguments
      {"%d", "s", false},            // wrong type
      {"%s", "d", false},
      {"%ld", "d", false},
      {"%d", "l", false},
      {"%n", "d", false},            // never
      {"%*d", "dd", false},          // no '*' widths
      {"%.*f", "df", false},
      {"%Lf", "f", false},
      {"%ls", "s", false},
      {"%2$s", "ds", false},         // position 1 never used: its type is unknown
      {"%1$d %s", "ds", false},      // mixed positional and sequential
      {"%3$d", "dd", false},         // beyond the arguments
      {"%1$d %1$s", "d", false},
      {"50%", "", false},            // cut off
      {"%y", "d", false},
      {"%5%", "", true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.matches, MessageFormatMatches(c.text, c.signature) != 0) << c.text;
  EXPECT_FALSE(MessageFormatMatches(nullptr, "d"));
}

TEST(MessageFormat, TextsThatDoNotFitFallBack) {
  char out[100];
  EXPECT_EQ(kMessageFormatText, FormatMessageTextUTF8(out, sizeof out, "Page %d of %d", "built-in %d/%d", "k.pages",
                                                      "dd", 3, 9));
  EXPECT_STREQ("Page 3 of 9", out);
  EXPECT_EQ(kMessageFormatFallback, FormatMessageTextUTF8(out, sizeof out, "Page %s of %s %s", "built-in %d/%d",
                                                          "k.pages", "dd", 3, 9));
  EXPECT_STREQ("built-in 3/9", out);
  EXPECT_EQ(kMessageFormatKey, FormatMessageTextUTF8(out, sizeof out, "%s%s%s%s%n", nullptr, "k.pages", "dd", 3, 9));
  EXPECT_STREQ("k.pages", out);
  EXPECT_EQ(kMessageFormatText, FormatMessageTextUTF8(out, 6, "%s", nullptr, "k", "s", "truncated"));
  EXPECT_STREQ("trunc", out);
}

TEST(MessageFormat, MessagesByKeyUseTheTableThenTheFallbackThenTheKey) {
  kvtest::MessageCapture reports;
  SMessageTable* table = NewMessageTable(ASAtomFromString("en"));
  AddMessageCopy("util.pages", "%d of %d pages", table, 0);
  AddMessageCopy("util.bad", "%s of %s pages", table, 0);
  char out[100];
  EXPECT_EQ(kMessageFormatText, FormatMessageByKeyUTF8(table, "util.pages", "%d/%d", out, sizeof out, "dd", 2, 5));
  EXPECT_STREQ("2 of 5 pages", out);
  EXPECT_EQ(kMessageFormatFallback, FormatMessageByKeyUTF8(table, "util.bad", "%d/%d", out, sizeof out, "dd", 2, 5));
  EXPECT_STREQ("2/5", out);
  EXPECT_EQ(kMessageFormatFallback, FormatMessageByKeyUTF8(table, "util.none", "%d/%d", out, sizeof out, "dd", 2, 5));
  EXPECT_STREQ("2/5", out);
  EXPECT_EQ(kMessageFormatKey, FormatMessageByKeyUTF8(table, "util.bad", nullptr, out, sizeof out, "dd", 2, 5));
  EXPECT_STREQ("util.bad", out);
  EXPECT_TRUE(reports.messages().empty());
  // In debug mode a text that does not fit is reported.
  SetMessageDebugMode(1);
  FormatMessageByKeyUTF8(table, "util.bad", "%d/%d", out, sizeof out, "dd", 2, 5);
  ASSERT_FALSE(reports.messages().empty());
  EXPECT_NE(std::string::npos, reports.texts()[0].find("does not fit its arguments"));
  SetMessageDebugMode(0);
  DestroyMessageTable(table);
}

}  // namespace
