#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/ASMem.h"
#include "host/ASText.h"

TEST(HostText, PDTextBothEncodings) {
  struct Case {
    std::string pd;
    std::string utf8;
  };
  const Case cases[] = {
      {"Hello", "Hello"},
      {"\x80\x93", "\xE2\x80\xA2\xEF\xAC\x81"},  // bullet, fi ligature in PDFDocEncoding
      {std::string("\xFE\xFF\x00\x41\x20\xAC", 6), "A\xE2\x82\xAC"},
      {std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6), "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    ASText t = ASTextFromSizedPDText(c.pd.data(), (ASInt32)c.pd.size());
    EXPECT_EQ(c.utf8, ASTextGetUTF8(t));
    ASTextDestroy(t);
  }
  // Unsized UTF-16 PD text runs to the 16-bit zero, past embedded zero bytes.
  const char utf16[] = "\xFE\xFF\x00\x41\x00\x42\x00\x00";
  ASText t = ASTextFromPDText(utf16);
  EXPECT_STREQ("AB", ASTextGetUTF8(t));
  ASTextDestroy(t);
}

TEST(HostText, PDTextCopyChoosesTheSmallestFaithfulForm) {
  ASText t = ASTextFromUnicode("plain", kUTF8);
  ASInt32 len = 0;
  char* pd = ASTextGetPDTextCopy(t, &len);
  EXPECT_EQ(5, len);
  EXPECT_STREQ("plain", pd);
  ASfree(pd);
  ASTextSetUnicode(t, "\xE4\xB8\xAD", kUTF8);  // a CJK character: needs UTF-16
  pd = ASTextGetPDTextCopy(t, &len);
  ASSERT_EQ(4, len);
  EXPECT_EQ(0, std::memcmp(pd, "\xFE\xFF\x4E\x2D", 4));
  ASfree(pd);
  ASTextDestroy(t);
}

TEST(HostText, UnicodeRoundTrips) {
  const char* utf8 = "a\xC3\x9F\xE2\x82\xAC\xF0\x9F\x98\x80";
  ASText t = ASTextFromUnicode(utf8, kUTF8);
  for (ASUnicodeFormat f : {kUTF16BigEndian, kUTF16HostEndian, kUTF32BigEndian, kUTF32HostEndian}) {
    void* copy = ASTextGetUnicodeCopy(t, f);
    ASText back = ASTextFromUnicode(copy, f);
    EXPECT_STREQ(utf8, ASTextGetUTF8(back)) << f;
    ASTextDestroy(back);
    ASfree(copy);
  }
  char* enc = ASTextGetEncodedCopy(t, ASGetHostEncoding());
  EXPECT_STREQ(utf8, enc);
  ASfree(enc);
  EXPECT_STREQ("a\xDF??", ASTextGetEncoded(t, kASHostEncodingLatin1));
  ASTextDestroy(t);
}

TEST(HostText, EditAndCompare) {
  ASText a = ASTextFromEncoded("abc", kASHostEncodingUTF8);
  ASText b = ASTextDup(a);
  EXPECT_EQ(0, ASTextCmp(a, b));
  ASText c = ASTextFromUnicode("d", kUTF8);
  ASTextCat(b, c);
  EXPECT_STREQ("abcd", ASTextGetUTF8(b));
  EXPECT_LT(ASTextCmp(a, b), 0);
  ASTextMakeEmpty(a);
  EXPECT_TRUE(ASTextIsEmpty(a));
  EXPECT_TRUE(ASTextIsEmpty(nullptr));
  ASTextDestroy(a);
  ASTextDestroy(b);
  ASTextDestroy(c);
  ASTextDestroy(nullptr);
}
