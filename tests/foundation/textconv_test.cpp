#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "foundation/TextConv.h"

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += (char)b;
  return s;
}

std::vector<int> Units(const std::string& ucs2) {
  std::vector<int> u;
  for (size_t i = 0; i + 1 < ucs2.size(); i += 2) u.push_back(((unsigned char)ucs2[i] << 8) | (unsigned char)ucs2[i + 1]);
  return u;
}

std::string ToUCS2(const std::string& utf8, ASInt32 size = 1000) {
  std::string out((size_t)size, '\0');
  ASInt32 n = UTF8ToUCS2(utf8.data(), out.data(), (ASInt32)utf8.size(), size, '?');
  out.resize((size_t)n);
  return out;
}

}  // namespace

TEST(TextConv, Validation) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii", true},
      {B({0xC3, 0x9F}), true},
      {B({0xEF, 0xBF, 0xBE}), true},  // U+FFFE is allowed
      {B({0xF0, 0x9F, 0x98, 0x80}), true},  // outside the Basic Multilingual Plane
      {B({0xF4, 0x8F, 0xBF, 0xBF}), true},  // U+10FFFF
      {B({0xEF, 0xBB, 0xBF}), true},  // U+FEFF
      {B({0xEF, 0xBF, 0xAE}), true},  // U+FFEE
      {B({0xC0, 0x80}), false},       // overlong NUL
      {B({0xC1, 0xBF}), false},
      {B({0xE0, 0x80, 0x80}), false},  // overlong three-byte
      {B({0xF0, 0x8F, 0xBF, 0xBF}), false},  // overlong four-byte
      {B({0xF4, 0x90, 0x80, 0x80}), false},  // above U+10FFFF
      {B({0xF8, 0x88, 0x80, 0x80, 0x80}), false},  // five bytes
      {B({0xF0, 0x9F, 0x98}), false},  // cut off
      {B({0xED, 0xA0, 0x80}), false},  // U+D800
      {B({0x80}), false},
      {B({0x41, 0xE2, 0x82}), false},  // cut off
      {B({0xFE}), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.valid, (bool)ValidUTF8String(c.text.data(), (ASInt32)c.text.size())) << testing::PrintToString(c.text);
    EXPECT_EQ(c.valid, (bool)ValidUTF8String(c.text.c_str(), -1));
  }
}

TEST(TextConv, Repair) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {B({0x41, 0x80, 0x80, 0x80, 0x42}), "A?B"},
      {B({0x41, 0xE2, 0x82}), "A?"},  // cut-off tail becomes one '?'
      {B({0xC3, 0x9F, 0x41}), B({0xC3, 0x9F, 0x41})},
      {B({0xF0, 0x9F, 0x98, 0x80, 0x41}), B({0xF0, 0x9F, 0x98, 0x80, 0x41})},
      {B({0xED, 0xA0, 0x80, 0x41}), "?A"},  // an encoded surrogate
      {B({0x41, 0xF0, 0x9F, 0x98}), "A?"},
      {B({0xC0, 0x80, 0xC3, 0x9F}), "?"},  // the damaged run swallows following non-ASCII bytes
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string buf = c.in;
    ASInt32 len = (ASInt32)buf.size();
    RecoverBadUTF8String(buf.data(), &len, '?');
    EXPECT_EQ(c.out, buf.substr(0, (size_t)len)) << testing::PrintToString(c.in);
    EXPECT_TRUE(ValidUTF8String(buf.data(), len));
  }
}

TEST(TextConv, UTF8ToUCS2Units) {
  struct Case {
    std::string in;
    std::vector<int> units;
  };
  const Case cases[] = {
      {"AB", {0x41, 0x42}},
      {B({0xF0, 0x9F, 0x98, 0x80, 0x41}), {0xD83D, 0xDE00, 0x41}},  // a surrogate pair
      {B({0xF4, 0x90, 0x80, 0x80, 0x41}), {0x3F, 0x41}},  // above U+10FFFF: one replacement
      {B({0xED, 0xA0, 0x80}), {0x3F}},
      {B({0xC3, 0x41}), {0x3F}},  // the second byte goes with the bad lead
      {B({0xE2, 0x82, 0xAC}), {0x20AC}},
      {B({0x41, 0xE2, 0x82}), {0x41, 0x3F}},  // cut off: one replacement, then the end
      {B({0x41, 0xF8}), {0x41, 0x3F}},        // five-byte lead at the very end: no step past the end
      {B({0x41, 0xFC, 0x80}), {0x41, 0x3F}},
      {B({0x80, 0x80}), {0x3F, 0x3F}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.units, Units(ToUCS2(c.in))) << testing::PrintToString(c.in);
  // A pair is never split by the end of the destination.
  std::string emoji = B({0x41, 0xF0, 0x9F, 0x98, 0x80});
  EXPECT_EQ((std::vector<int>{0x41}), Units(ToUCS2(emoji, 4)));
  EXPECT_EQ(6, UTF8ToUCS2BytesNeeded(emoji.data(), (ASInt32)emoji.size()));
}

TEST(TextConv, BytesNeededMatchesWhatTheConverterWrites) {
  std::mt19937 rng(7);
  std::vector<std::string> inputs = {B({0x80, 0x80, 0x80}), B({0xF0, 0x9F, 0x98, 0x80}), B({0x41, 0xFD}),
                                     B({0xE2, 0x82}), "plain"};
  const int pool[] = {0x41, 0x80, 0xBF, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0xFE, 0xFF, 0xF8, 0xFC, 0xC0};
  for (int i = 0; i < 2000; ++i) {
    std::string s;
    int len = (int)(rng() % 12);
    for (int k = 0; k < len; ++k) s += (char)pool[rng() % (sizeof pool / sizeof pool[0])];
    inputs.push_back(s);
  }
  for (const std::string& s : inputs) {
    ASInt32 need = UTF8ToUCS2BytesNeeded(s.data(), (ASInt32)s.size());
    EXPECT_EQ(need, (ASInt32)ToUCS2(s, 4096).size()) << testing::PrintToString(s);
    if (s.find('\0') == std::string::npos) {
      EXPECT_EQ(need + 2, UTF8ToUCS2BytesNeededTerm(s.c_str()));
    }
  }
}

TEST(TextConv, UCS2AndUTF16ToUTF8) {
  char out[16];
  std::string euro = B({0x20, 0xAC});
  EXPECT_EQ(0, UCS2ToUTF8(euro.data(), out, 2, 2)) << "no partial sequence";
  EXPECT_EQ(3, UCS2ToUTF8(euro.data(), out, 2, 3));
  EXPECT_EQ(B({0xE2, 0x82, 0xAC}), std::string(out, 3));
  EXPECT_EQ(0, UCS2ToUTF8(euro.data(), out, 1, 16)) << "fewer than two bytes give nothing";

  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {B({0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}), B({0xF0, 0x9F, 0x98, 0x80})},
      {B({0x00, 0xDF}), B({0xC3, 0x9F})},
      {B({0x00, 0x41, 0x00}), "A"},                    // odd last byte ignored
      {B({0x00, 0x41, 0xD8, 0x3D}), "A"},              // high surrogate at the end ends the text
      {B({0xD8, 0x3D, 0x00, 0x41}), "?A"},             // high surrogate without its low half
      {B({0xDE, 0x00, 0x00, 0x42}), "?B"},             // lone low surrogate
  };
  for (const Case& c : cases) {
    ASInt32 n = UTF16ToUTF8(c.in.data(), out, (ASInt32)c.in.size(), sizeof out);
    EXPECT_EQ(c.out, std::string(out, (size_t)n)) << testing::PrintToString(c.in);
    EXPECT_EQ(n, UTF16ToUTF8BytesNeeded(c.in.data(), (ASInt32)c.in.size()));
    EXPECT_TRUE(ValidUTF8String(out, n));
    EXPECT_EQ(c.out, std::string(out, (size_t)UCS2ToUTF8(c.in.data(), out, (ASInt32)c.in.size(), sizeof out)))
        << "UCS-2 joins pairs too";
  }
}

TEST(TextConv, PlatformUnicodeSourceIsNeverWritten) {
  const ASUns16 src[] = {0x0041, 0x00DF, 0x20AC, 0};
  ASUns16 copy[4];
  std::memcpy(copy, src, sizeof src);
  char out[16];
  ASInt32 n = PlatformUnicodeToUTF8Term(src, out, sizeof out);
  EXPECT_EQ(7, n);
  EXPECT_STREQ("A\xC3\x9F\xE2\x82\xAC", out);
  EXPECT_EQ(0, std::memcmp(copy, src, sizeof src));
  EXPECT_EQ(7, PlatformUnicodeToUTF8BytesNeededTerm(src));

  ASUns16 units[8];
  EXPECT_EQ(8, UTF8ToPlatformUnicodeTerm("A\xC3\x9F\xE2\x82\xAC", units, sizeof units, '?'));
  EXPECT_EQ(0x20AC, units[2]);
  EXPECT_EQ(0, units[3]);
}

TEST(TextConv, UnicodeOrdinal) {
  struct Case {
    ASUns32 cp;
    std::string utf8;
  };
  const Case cases[] = {
      {0x41, "A"},
      {0xDF, B({0xC3, 0x9F})},
      {0x20AC, B({0xE2, 0x82, 0xAC})},
      {0x1F600, B({0xF0, 0x9F, 0x98, 0x80})},
      {0x3FFFFFF, B({0xFB, 0xBF, 0xBF, 0xBF, 0xBF})},
      {0x7FFFFFFF, B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF})},
  };
  for (const Case& c : cases) {
    char out[8];
    std::memset(out, 0x55, sizeof out);
    ASInt32 n = UnicodeOrdinalToUTF8(c.cp, out);
    EXPECT_EQ(c.utf8, std::string(out, (size_t)n));
    EXPECT_EQ(0, out[n]);
  }
}

namespace {

// Runs a terminated conversion into a buffer of exactly `size` bytes with a
// guard zone behind it, and checks the guard and the terminator.
template <class F>
void CheckEverySize(const char* what, int maxSize, int terminatorBytes, F convert) {
  for (int size = 0; size <= maxSize; ++size) {
    std::vector<unsigned char> buf((size_t)size + 16, 0xAA);
    ASInt32 n = convert(buf.data(), size);
    for (size_t i = (size_t)size; i < buf.size(); ++i) ASSERT_EQ(0xAA, buf[i]) << what << " wrote past size " << size;
    ASSERT_LE(n, size) << what;
    if (size >= terminatorBytes) {
      ASSERT_GE(n, terminatorBytes) << what << " size " << size;
      for (int k = 1; k <= terminatorBytes; ++k) ASSERT_EQ(0, buf[(size_t)(n - k)]) << what << " size " << size;
    }
  }
}

}  // namespace

TEST(TextConv, TermConversionsStayInsideEveryBufferSize) {
  const char* utf8 = "A\xC3\x9F\xE2\x82\xAC\xF0\x9F\x98\x80z";
  const ASUns16 units[] = {0x41, 0xDF, 0x20AC, 0xD83D, 0xDE00, 0x7A, 0};
  CheckEverySize("UTF8ToUCS2Term", 24, 2, [&](unsigned char* b, int size) {
    return UTF8ToUCS2Term(utf8, (char*)b, size, '?');
  });
  CheckEverySize("UTF8ToPlatformUnicodeTerm", 24, 2, [&](unsigned char* b, int size) {
    return UTF8ToPlatformUnicodeTerm(utf8, (ASUns16*)b, size, '?');
  });
  CheckEverySize("PlatformUnicodeToUTF8Term", 24, 1, [&](unsigned char* b, int size) {
    return PlatformUnicodeToUTF8Term(units, (char*)b, size);
  });
  CheckEverySize("UTF8ToPlatformNativeTerm", 24, 1, [&](unsigned char* b, int size) {
    return UTF8ToPlatformNativeTerm(utf8, (char*)b, size, '?');
  });
  CheckEverySize("PlatformNativeToUTF8Term", 24, 1, [&](unsigned char* b, int size) {
    return PlatformNativeToUTF8Term(utf8, (char*)b, size, '?');
  });
  CheckEverySize("PlatformUnicodeToPlatformNativeTerm", 24, 1, [&](unsigned char* b, int size) {
    return PlatformUnicodeToPlatformNativeTerm(units, (char*)b, size, '?');
  });
  CheckEverySize("PlatformNativeToPlatformUnicodeTerm", 24, 2, [&](unsigned char* b, int size) {
    return PlatformNativeToPlatformUnicodeTerm(utf8, (ASUns16*)b, size, '?');
  });
}

TEST(TextConv, NativeIsUTF8AndSizesAgree) {
  const char* text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";
  ASInt32 need = UTF8ToPlatformNativeBytesNeededTerm(text);
  std::vector<char> out((size_t)need);
  EXPECT_EQ(need, UTF8ToPlatformNativeTerm(text, out.data(), need, '?'));
  EXPECT_STREQ(text, out.data());
  // Outside the Basic Multilingual Plane too, both ways.
  char emoji[16];
  UTF8ToPlatformNativeTerm("a\xF0\x9F\x98\x80z", emoji, sizeof emoji, '?');
  EXPECT_STREQ("a\xF0\x9F\x98\x80z", emoji);
  PlatformNativeToUTF8Term("a\xF0\x9F\x98\x80z", emoji, sizeof emoji, '?');
  EXPECT_STREQ("a\xF0\x9F\x98\x80z", emoji) << "never the six bytes of two encoded surrogates";
  EXPECT_EQ((ASInt32)std::strlen(text) + 1, PlatformNativeToUTF8BytesNeededTerm(text));
  // A long text takes the allocated scratch road.
  std::string big(5000, 'x');
  big += "\xC3\x9F";
  std::vector<char> back(big.size() + 1);
  EXPECT_EQ((ASInt32)big.size() + 1, PlatformNativeToUTF8Term(big.c_str(), back.data(), (ASInt32)back.size(), '?'));
  EXPECT_EQ(big, back.data());
}

TEST(TextConv, SmallHelpers) {
  const unsigned char u16[] = {0x00, 0x41, 0x01, 0x00, 0x00, 0x00};
  EXPECT_EQ(4, CountBytesTo16BitZero(u16));
  EXPECT_EQ(2, CountCharactersTo16BitZero(u16));
  EXPECT_TRUE(UTF8StringIsNot7BitASCIITerm("a\xC3\x9F"));
  EXPECT_FALSE(UTF8StringIsNot7BitASCIITerm("abc"));
  EXPECT_LT(CompareUTF8Strings("a", "\xC3\x9F"), 0) << "bytes compare unsigned";
  EXPECT_EQ(0, CompareUTF8Strings("x", "x"));
  ASText t = ASTextNewFromUTF8("\xC3\x9F");
  EXPECT_STREQ("\xC3\x9F", ASTextGetUTF8(t));
  ASTextDestroy(t);
  t = ASTextNewFromNative("n\xC3\xA4");
  EXPECT_STREQ("n\xC3\xA4", ASTextGetUTF8(t));
  ASTextDestroy(t);
}

namespace {

// Well-formed UTF-8 by the Unicode standard's table of byte sequences,
// written apart from the codec under test.
bool WellFormed(const std::string& s) {
  size_t i = 0;
  auto in = [&](size_t k, int lo, int hi) {
    return k < s.size() && (unsigned char)s[k] >= lo && (unsigned char)s[k] <= hi;
  };
  while (i < s.size()) {
    unsigned char b = (unsigned char)s[i];
    if (b <= 0x7F) { i += 1; continue; }
    if (b >= 0xC2 && b <= 0xDF && in(i + 1, 0x80, 0xBF)) { i += 2; continue; }
    int lo = 0x80, hi = 0xBF;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
    if (b >= 0xE0 && b <= 0xEF && in(i + 1, lo, hi) && in(i + 2, 0x80, 0xBF)) { i += 3; continue; }
    lo = 0x80, hi = 0xBF;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
    if (b >= 0xF0 && b <= 0xF4 && in(i + 1, lo, hi) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
      i += 4;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

TEST(TextConv, EveryConversionWritesValidUTF8) {
  std::mt19937 rng(11);
  // Bytes around every boundary of the UTF-8 tables, and 16-bit units around the surrogates.
  const int bytePool[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0,
                          0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFC, 0xFE, 0xFF, 0xBB, 0xAE};
  const ASUns16 unitPool[] = {0x41, 0xDF, 0x7FF, 0x800, 0xFEFF, 0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00};
  std::vector<std::string> texts = {"a\xF0\x9F\x98\x80z", B({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})};
  std::vector<std::vector<ASUns16>> unitTexts = {{0x61, 0xD83D, 0xDE00, 0x7A}, {0xD83D}, {0xDE00, 0xD83D, 0x41}};
  for (int i = 0; i < 3000; ++i) {
    std::string t;
    std::vector<ASUns16> u;
    int len = (int)(rng() % 10);
    for (int k = 0; k < len; ++k) {
      int b = bytePool[rng() % (sizeof bytePool / sizeof bytePool[0])];
      if (b) t += (char)b;
      u.push_back(unitPool[rng() % (sizeof unitPool / sizeof unitPool[0])]);
    }
    texts.push_back(t);
    unitTexts.push_back(u);
  }
  for (const std::string& t : texts) {
    const ASInt32 n = (ASInt32)t.size();
    for (ASInt32 size : {3, 64}) {  // a full destination ends at a character boundary
      std::vector<char> out((size_t)size + 1, 0);
      auto check = [&](const char* what, ASInt32 written) {
        ASSERT_TRUE(WellFormed(std::string(out.data(), (size_t)written))) << what << " " << testing::PrintToString(t);
      };
      check("UTF8ToPlatformNative", UTF8ToPlatformNative(t.data(), out.data(), n, size, '?'));
      check("PlatformNativeToUTF8", PlatformNativeToUTF8(t.data(), out.data(), n, size, '?'));
      check("UTF8ToPlatformNativeTerm", UTF8ToPlatformNativeTerm(t.c_str(), out.data(), size, '?') - 1);
      check("PlatformNativeToUTF8Term", PlatformNativeToUTF8Term(t.c_str(), out.data(), size, '?') - 1);
    }
    std::string repaired = t;
    ASInt32 len = n;
    RecoverBadUTF8String(repaired.data(), &len, '?');
    ASSERT_TRUE(WellFormed(repaired.substr(0, (size_t)len))) << testing::PrintToString(t);
    EXPECT_EQ(WellFormed(t), (bool)ValidUTF8String(t.data(), n)) << testing::PrintToString(t);
    EXPECT_EQ(UTF8ToPlatformNativeBytesNeededTerm(t.c_str()),
              UTF8ToPlatformNativeTerm(t.c_str(), std::vector<char>(200).data(), 200, '?'));
  }
  // Every road from 16-bit units back to UTF-8 gives what went in, so a
  // character above U+FFFF (the first text's) crosses each as a surrogate
  // pair, neither dropped nor replaced.
  for (const std::string& t : texts) {
    const ASInt32 n = (ASInt32)t.size();
    std::vector<char> clean(4 * t.size() + 4);
    std::string expect(clean.data(), (size_t)UTF8ToPlatformNative(t.data(), clean.data(), n, (ASInt32)clean.size(), '?'));
    if (expect.rfind("\xEF\xBB\xBF", 0) == 0) expect.erase(0, 3);  // a leading U+FEFF reads as a byte order mark
    std::vector<char> be(2 * t.size() + 2);
    const ASInt32 beBytes = UTF8ToUCS2(t.data(), be.data(), n, (ASInt32)be.size(), '?');
    std::vector<ASUns16> units(t.size() + 1, 0);
    const ASInt32 unitBytes = UTF8ToPlatformUnicode(t.data(), units.data(), n, (ASInt32)(2 * t.size()), '?');
    char out[64];
    const std::string shown = testing::PrintToString(t);
    EXPECT_EQ(expect, std::string(out, (size_t)UTF16ToUTF8(be.data(), out, beBytes, sizeof out))) << shown;
    EXPECT_EQ((ASInt32)expect.size(), UTF16ToUTF8BytesNeeded(be.data(), beBytes)) << shown;
    EXPECT_EQ(expect, std::string(out, (size_t)UCS2ToUTF8(be.data(), out, beBytes, sizeof out))) << shown;
    EXPECT_EQ(expect, std::string(out, (size_t)PlatformUnicodeToUTF8(units.data(), out, unitBytes, sizeof out))) << shown;
    EXPECT_EQ((ASInt32)expect.size(), PlatformUnicodeToUTF8BytesNeeded(units.data(), unitBytes)) << shown;
    EXPECT_EQ((ASInt32)expect.size() + 1, PlatformUnicodeToUTF8Term(units.data(), out, sizeof out)) << shown;
    EXPECT_EQ(expect, std::string(out)) << shown;
    EXPECT_EQ((ASInt32)expect.size() + 1, PlatformUnicodeToPlatformNativeTerm(units.data(), out, sizeof out, '?'))
        << shown;
    EXPECT_EQ(expect, std::string(out)) << shown;
  }
  for (const std::vector<ASUns16>& u : unitTexts) {
    std::string be;
    for (ASUns16 x : u) be += std::string{(char)(x >> 8), (char)(x & 0xFF)};
    std::vector<ASUns16> term(u);
    term.push_back(0);
    for (ASInt32 size : {3, 64}) {
      std::vector<char> out((size_t)size + 1, 0);
      auto check = [&](const char* what, ASInt32 written) {
        ASSERT_TRUE(WellFormed(std::string(out.data(), (size_t)written))) << what << " " << testing::PrintToString(u);
      };
      const ASInt32 bytes = (ASInt32)be.size();
      check("UCS2ToUTF8", UCS2ToUTF8(be.data(), out.data(), bytes, size));
      check("UTF16ToUTF8", UTF16ToUTF8(be.data(), out.data(), bytes, size));
      check("PlatformUnicodeToUTF8", PlatformUnicodeToUTF8(u.data(), out.data(), bytes, size));
      check("PlatformUnicodeToUTF8Term", PlatformUnicodeToUTF8Term(term.data(), out.data(), size) - 1);
      check("PlatformUnicodeToPlatformNativeTerm",
            PlatformUnicodeToPlatformNativeTerm(term.data(), out.data(), size, '?') - 1);
    }
  }
}
