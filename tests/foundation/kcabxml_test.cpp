#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/KFile.h"
#include "support/TempDir.h"

namespace {

struct Cab {
  SKCab* c;
  Cab() : c(KCabNewInner()) {}
  explicit Cab(SKCab* owned) : c(owned) {}
  ~Cab() {
    if (c) KCabDestroy(c);
  }
};

std::string ToXML(SKCab* cab) {
  ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
  std::string out((size_t)need + 1, '\0');
  ASInt32 needed = 0;
  EXPECT_TRUE(WriteKCabToXMLBuffer(out.data(), need + 1, cab, &needed));
  EXPECT_EQ(need, needed);
  out.resize((size_t)need);
  return out;
}

SKCab* FromXML(const std::string& xml, ASBool* error = nullptr) {
  return KCabReadFromBuffer(xml.data(), (ASInt32)xml.size(), error);
}

std::string Doc(const std::string& items) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<RUVURAZAR xmlns=\"") + kKCabXMLNamespace +
         "\">\n<ITEMS>\n" + items + "</ITEMS>\n</RUVURAZAR>\n";
}

// Compares two cabinets entry by entry (doubles bit for bit).
bool SameCab(SKCab* a, SKCab* b, std::string* why);

struct CompareState {
  SKCab* other;
  std::string* why;
  bool same = true;
  int count = 0;
};

ASBool CompareEntry(SKCab* cab, const char* key, ASInt32 type, void* data) {
  CompareState* s = static_cast<CompareState*>(data);
  ++s->count;
  auto fail = [&](const std::string& what) {
    *s->why = std::string(key) + ": " + what;
    s->same = false;
    return (ASBool)0;
  };
  if (KCabGetType(s->other, key) != type) return fail("type");
  switch (type) {
    case kKCabTypeBool: if (KCabGetBool(cab, key, 9) != KCabGetBool(s->other, key, 8)) return fail("bool"); break;
    case kKCabTypeInt: if (KCabGetInt(cab, key, 9) != KCabGetInt(s->other, key, 8)) return fail("int"); break;
    case kKCabTypeUns: if (KCabGetUns(cab, key, 9) != KCabGetUns(s->other, key, 8)) return fail("uns"); break;
    case kKCabTypeAtom: if (KCabGetAtom(cab, key, 9) != KCabGetAtom(s->other, key, 8)) return fail("atom"); break;
    case kKCabTypeString:
      if (std::strcmp(KCabGetString(cab, key), KCabGetString(s->other, key)) != 0) return fail("string");
      break;
    case kKCabTypeDouble: {
      double x = KCabGetDouble(cab, key, 0), y = KCabGetDouble(s->other, key, 1);
      bool same = std::isnan(x) ? std::isnan(y) : std::memcmp(&x, &y, sizeof x) == 0;
      if (!same) return fail("double " + std::to_string(x) + " came back as " + std::to_string(y));
      break;
    }
    case kKCabTypeCab:
      if (!SameCab(KCabGetCab(cab, key), KCabGetCab(s->other, key), s->why)) return fail("sub: " + *s->why);
      break;
    default: break;
  }
  return 1;
}

ASBool CountEntry(SKCab*, const char*, ASInt32, void* data) {
  ++*static_cast<int*>(data);
  return 1;
}

bool SameCab(SKCab* a, SKCab* b, std::string* why) {
  CompareState s{b, why};
  KCabConstEnum(a, CompareEntry, &s);
  int other = 0;
  KCabConstEnum(b, CountEntry, &other);
  if (s.same && other != s.count) {
    *why = "entry count";
    return false;
  }
  return s.same;
}

}  // namespace

TEST(KCabXML, ExactBytesOfASmallCabinet) {
  Cab cab;
  KCabPutInt(cab.c, "Count", 3);
  KCabPutStringCopy(cab.c, ".Temp", "never written");
  KCabPutStringCopy(cab.c, "Name", "a<b");
  EXPECT_EQ(Doc("<I N='Count'>3</I>\n<S N='Name'>a&lt;b</S>\n"), ToXML(cab.c));
}

TEST(KCabXML, ExactBytesOfNestingNumbersAndMarkers) {
  Cab cab;
  KCabPutDouble(cab.c, "a", 0.005);
  KCabPutDouble(cab.c, "b", 0.05);
  KCabPutDouble(cab.c, "c", 0);
  KCabPutDouble(cab.c, "d", -0.001);
  KCabPutBool(cab.c, "e", 1);
  KCabPutNull(cab.c, "f");
  KCabPutUns(cab.c, "g", 4000000000u);
  KCabPutAtom(cab.c, "h", ASAtomFromString("Tall"));
  KCabPutBinary(cab.c, "i", ASmalloc(4), 4);
  SKCab* sub = KCabNewInner();
  KCabPutInt(sub, "10", 1);
  KCabPutInt(sub, "9", 2);
  KCabPutStringCopy(sub, "q", "it's \"x\" & y");
  KCabPutCab(cab.c, "sub", sub);
  SKCab* hidden = KCabNewInner();
  KCabPutBool(hidden, "KRVLNoExport", 1);
  KCabPutInt(hidden, "x", 1);
  KCabPutCab(cab.c, "zhidden", hidden);
  EXPECT_EQ(Doc("<F N='a'>0.0050000</F>\n"
                "<F N='b'>0.0500</F>\n"
                "<F N='c'>0.0000</F>\n"
                "<F N='d'>-0.0010000</F>\n"
                "<B N='e'>1</B>\n"
                "<NULL N='f'></NULL>\n"
                "<U N='g'>4000000000</U>\n"
                "<A N='h'>Tall</A>\n"
                "\n"  // binary: indentation (none at depth 0) and a line feed
                "<DICT N='sub'>  <ITEMS>\n"
                "  <I N='9'>2</I>\n"
                "  <I N='10'>1</I>\n"
                "  <S N='q'>it&apos;s &quot;x&quot; &amp; y</S>\n"
                "  </ITEMS></DICT>\n"
                "\n"
                "\n"),  // the marked sub-cabinet leaves only its line feed
            ToXML(cab.c));
  KCabPutBool(hidden, "KRVLNoExport", 0);
  EXPECT_NE(std::string::npos, ToXML(cab.c).find("<B N='KRVLNoExport'>0</B>"));
}

TEST(KCabXML, EveryDoubleComesBackExactly) {
  struct Case {
    double value;
    const char* text;  // as written
  };
  const Case cases[] = {
      {0.005, "0.0050000"},  // values the fixed forms hold keep them
      {-0.25, "-0.2500"},
      {612.0, "612.0000"},
      {1e300, "1e+300"},  // too long for the fixed form: cut once, read back as 1e62
      {-1e308, "-1e+308"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {2.2250738585072014e-308, "2.2250738585072014e-308"},
      {4.9406564584124654e-324, "5e-324"},
      {1.0 / 3.0, "0.3333333333333333"},
      {0.1 + 0.2, "0.30000000000000004"},
      {123456.78901, "123456.78901"},
      {9007199254740993.0, "9007199254740992.0000"},
      {-0.0, "-0.0000"},
      {1e-9, "1e-09"},
      {HUGE_VAL, "inf"},
      {-HUGE_VAL, "-inf"},
  };
  for (const Case& c : cases) {
    Cab cab;
    KCabPutDouble(cab.c, "v", c.value);
    std::string xml = ToXML(cab.c);
    EXPECT_NE(std::string::npos, xml.find(std::string("<F N='v'>") + c.text + "</F>")) << xml;
    ASBool error = 1;
    Cab back(FromXML(xml, &error));
    ASSERT_NE(nullptr, back.c);
    EXPECT_FALSE(error) << c.text;
    double got = KCabGetDouble(back.c, "v", 0);
    EXPECT_EQ(0, std::memcmp(&got, &c.value, sizeof got)) << c.text << " came back as " << got;
  }
  Cab nan;
  KCabPutDouble(nan.c, "v", std::nan(""));
  Cab back(FromXML(ToXML(nan.c)));
  EXPECT_TRUE(std::isnan(KCabGetDouble(back.c, "v", 0)));
}

TEST(KCabXML, ShortBufferHoldsWholePiecesAndTheFullLength) {
  Cab cab;
  KCabPutStringCopy(cab.c, "Name", "value");
  std::string full = ToXML(cab.c);
  for (ASInt32 size : {0, 1, 10, 45, (ASInt32)full.size()}) {
    std::vector<char> buf((size_t)size + 1, 'Z');
    ASInt32 needed = 0;
    EXPECT_FALSE(WriteKCabToXMLBuffer(buf.data(), size, cab.c, &needed));
    EXPECT_EQ((ASInt32)full.size(), needed);
    if (size > 0) {
      std::string got = buf.data();
      EXPECT_LT(got.size(), (size_t)size);
      EXPECT_EQ(full.substr(0, got.size()), got);
    }
    EXPECT_EQ('Z', buf[(size_t)size]) << "nothing past the given size";
  }
}

TEST(KCabXML, ReadingNumbers) {
  struct Case {
    const char* element;
    ASInt32 type;
    double value;
    bool error;
  };
  const Case cases[] = {
      {"<I N='k'>010</I>", kKCabTypeInt, 8, false},
      {"<I N='k'>0x10</I>", kKCabTypeInt, 16, false},
      {"<I N='k'> -7 </I>", kKCabTypeInt, -7, false},
      {"<I N='k'>2147483648</I>", kKCabTypeAbsent, 0, true},
      {"<I N='k'>abc</I>", kKCabTypeAbsent, 0, true},
      {"<U N='k'>4294967295</U>", kKCabTypeUns, 4294967295.0, false},
      {"<U N='k'>4294967296</U>", kKCabTypeAbsent, 0, true},
      {"<U N='k'>-1</U>", kKCabTypeAbsent, 0, true},
      {"<B N='k'>2</B>", kKCabTypeBool, 2, false},
      {"<B N='k'>65536</B>", kKCabTypeBool, 1, false},
      {"<B N='k'>0</B>", kKCabTypeBool, 0, false},
      {"<F N='k'>1.5</F>", kKCabTypeDouble, 1.5, false},
      {"<F N='k'>1e999</F>", kKCabTypeAbsent, 0, true},
      {"<F N='k'>x</F>", kKCabTypeAbsent, 0, true},
      // A number followed by anything but blanks does not read.
      {"<I N='k'>0.5</I>", kKCabTypeAbsent, 0, true},
      {"<I N='k'>2x</I>", kKCabTypeAbsent, 0, true},
      {"<U N='k'>7 pages</U>", kKCabTypeAbsent, 0, true},
      {"<B N='k'>1 yes</B>", kKCabTypeAbsent, 0, true},
      {"<F N='k'>72pt</F>", kKCabTypeAbsent, 0, true},
      {"<F N='k'> 2.5e1 \n</F>", kKCabTypeDouble, 25, false},
      {"<F N='k'>nan</F>", kKCabTypeDouble, NAN, false},
  };
  for (const Case& c : cases) {
    ASBool error = 7;
    Cab cab(FromXML(Doc(c.element), &error));
    ASSERT_NE(nullptr, cab.c) << c.element;
    EXPECT_EQ(c.error, (bool)error) << c.element;
    EXPECT_EQ(c.type, KCabGetType(cab.c, "k")) << c.element;
    switch (c.type) {
      case kKCabTypeInt: EXPECT_EQ((ASInt32)c.value, KCabGetInt(cab.c, "k", 0)); break;
      case kKCabTypeUns: EXPECT_EQ((ASUns32)c.value, KCabGetUns(cab.c, "k", 0)); break;
      case kKCabTypeBool: EXPECT_EQ((ASBool)c.value, KCabGetBool(cab.c, "k", 9)); break;
      case kKCabTypeDouble:
        if (std::isnan(c.value)) EXPECT_TRUE(std::isnan(KCabGetDouble(cab.c, "k", 0)));
        else EXPECT_EQ(c.value, KCabGetDouble(cab.c, "k", 0));
        break;
      default: break;
    }
  }
}

TEST(KCabXML, PassesByKindAndIncompleteElements) {
  ASBool error = 0;
  Cab cab(FromXML(Doc("<S N='a'>1</S><S>no key</S><S N='c'>3</S><I N='i'>5</I>"
                      "<I N='dup'>1</I><S N='dup'>later kind wins</S><NULL N='n'/>"
                      "<DICT N='d'><ITEMS/></DICT><DICT N='nodict'></DICT>"),
                  &error));
  ASSERT_NE(nullptr, cab.c);
  EXPECT_TRUE(error);
  EXPECT_STREQ("1", KCabGetString(cab.c, "a"));
  EXPECT_FALSE(KCabKnown(cab.c, "c")) << "the S pass ended at the bad element";
  EXPECT_EQ(5, KCabGetInt(cab.c, "i", 0));
  EXPECT_EQ(kKCabTypeInt, KCabGetType(cab.c, "dup")) << "S's pass ended before it reached dup";
  EXPECT_EQ(kKCabTypeNull, KCabGetType(cab.c, "n"));
  EXPECT_TRUE(KCabIsEmpty(KCabGetCab(cab.c, "d")));
  EXPECT_FALSE(KCabKnown(cab.c, "nodict"));
}

// The first element that does not read is named with its kind, key, text
// and line, also inside a sub-cabinet and in a document of the reader's own
// copy (UTF-16 text).
TEST(KCabXML, TheFirstBadElementIsNamedWithItsLine) {
  struct Case {
    std::string xml;
    const char* kind;
    const char* key;
    const char* text;
    ASInt32 line;
  };
  const std::string head = std::string("<RUVURAZAR xmlns=\"") + kKCabXMLNamespace + "\">\n<ITEMS>\n";
  const std::string tail = "</ITEMS>\n</RUVURAZAR>\n";
  const Case cases[] = {
      {head + "<B N='UseScale'>1</B>\n<I N='FitAcross'>two</I>\n" + tail, "I", "FitAcross", "two", 4},
      {head + "<F N='LMgn'>18pt</F>\n<F N='RMgn'>x</F>\n" + tail, "F", "LMgn", "18pt", 3},
      {head + "<DICT N='Page'><ITEMS>\n<F N='Width'>wide</F>\n</ITEMS></DICT>\n" + tail, "F", "Width", "wide", 4},
      {head + "\n\n<I>3</I>\n" + tail, "I", "", "3", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    ASBool error = 0;
    SKCabXMLReadProblem problem;
    Cab cab(KCabReadFromBufferWithProblem(c.xml.data(), (ASInt32)c.xml.size(), &error, &problem));
    ASSERT_NE(nullptr, cab.c);
    EXPECT_TRUE(error);
    EXPECT_STREQ(c.kind, problem.kind);
    EXPECT_STREQ(c.key, problem.key);
    EXPECT_STREQ(c.text, problem.text);
    EXPECT_EQ(c.line, problem.line);
  }
  // UTF-16 text is read from a copy: the line still counts.
  std::string utf8 = head + "<I N='a'>1</I>\n<I N='b'>x</I>\n" + tail;
  std::string utf16 = "\xFE\xFF";
  for (char ch : utf8) {
    utf16 += '\0';
    utf16 += ch;
  }
  ASBool error = 0;
  SKCabXMLReadProblem problem;
  Cab cab(KCabReadFromBufferWithProblem(utf16.data(), (ASInt32)utf16.size(), &error, &problem));
  ASSERT_NE(nullptr, cab.c);
  EXPECT_STREQ("b", problem.key);
  EXPECT_EQ(4, problem.line);
  // A document that reads leaves the problem empty.
  Cab fine(KCabReadFromBufferWithProblem((head + tail).data(), (ASInt32)(head + tail).size(), &error, &problem));
  EXPECT_FALSE(error);
  EXPECT_STREQ("", problem.kind);
  EXPECT_EQ(0, problem.line);
}

TEST(KCabXML, RootAndNamespace) {
  struct Case {
    std::string xml;
    bool reads;
  };
  const Case cases[] = {
      {"<RUVURAZAR><ITEMS><I N='a'>1</I></ITEMS></RUVURAZAR>\n", true},
      {"<RUVURAZAR xmlns=\"http://other.example/ns\"><ITEMS></ITEMS></RUVURAZAR>\n", false},
      {"<OTHER><ITEMS></ITEMS></OTHER>\n", false},
      {"<RUVURAZAR><ITEMS></ITEMS>", false},  // no matching end tag
      {"<RUVURAZAR></RUVURAZAR>\n", false},
      {"not xml at all", false},
  };
  for (const Case& c : cases) {
    ASBool error = 0;
    Cab cab(FromXML(c.xml, &error));
    EXPECT_EQ(c.reads, cab.c != nullptr) << c.xml;
    EXPECT_FALSE(error);
  }
}

// A text that is no cabinet, or not well-formed, is refused with why and
// where: the reader of a person's text refuses what the reader of stored
// files makes the best of, and both say why they refuse what both refuse.
// A hand-written text reads as XML does: its namespace and keys in either
// quote, entities and character references in keys as in values, by both
// readers.
TEST(KCabXML, AttributesInEitherQuoteAndWithEntities) {
  struct Case {
    const char* root;
    const char* entry;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">", "<S N='a'>x</S>", "a", "x"},
      {"<RUVURAZAR xmlns='http://korvel.invalid/xml/cabinet/3'>", "<S N=\"a\">x</S>", "a", "x"},
      {"<RUVURAZAR xmlns = 'http://korvel.invalid/xml/cabinet/3' >", "<S N = 'a' >x</S>", "a", "x"},
      {"<RUVURAZAR xmlns='http&#x3A;//korvel.invalid/xml/cabinet/3'>", "<S N='a&amp;b'>x&amp;y</S>", "a&b", "x&y"},
      {"<RUVURAZAR\n  xmlns='http://korvel.invalid/xml/cabinet/3'>", "<S N='&#233;t&#xE9;'>&lt;&#233;&gt;</S>",
       "\xC3\xA9t\xC3\xA9", "<\xC3\xA9>"},
      {"<RUVURAZAR>", "<S N='it&apos;s'>&quot;q&quot;</S>", "it's", "\"q\""},
  };
  for (const Case& c : cases) {
    const std::string xml = std::string(c.root) + "\n<ITEMS>\n" + c.entry + "\n</ITEMS>\n</RUVURAZAR>\n";
    SCOPED_TRACE(xml);
    for (bool strict : {false, true}) {
      ASBool error = 1;
      SKCabXMLReadProblem problem;
      Cab cab(strict ? KCabReadWellFormedFromBuffer(xml.data(), (ASInt32)xml.size(), &error, &problem)
                     : KCabReadFromBufferWithProblem(xml.data(), (ASInt32)xml.size(), &error, &problem));
      ASSERT_NE(nullptr, cab.c) << strict << ": " << problem.reason << " " << problem.found;
      EXPECT_FALSE(error);
      EXPECT_STREQ(c.value, KCabGetString(cab.c, c.key)) << strict;
    }
  }
  // Another namespace is named as written, without its quotes.
  const std::string other = "<RUVURAZAR xmlns='http://other.example/ns'><ITEMS/></RUVURAZAR>\n";
  SKCabXMLReadProblem problem;
  Cab cab(KCabReadWellFormedFromBuffer(other.data(), (ASInt32)other.size(), nullptr, &problem));
  EXPECT_EQ(nullptr, cab.c);
  EXPECT_EQ(kKCabXMLForeignNamespace, problem.reason);
  EXPECT_STREQ("http://other.example/ns", problem.found);
}

TEST(KCabXML, ARefusedTextSaysWhyAndWhere) {
  const std::string open = std::string("<RUVURAZAR xmlns=\"") + kKCabXMLNamespace + "\">\n";
  const std::string whole = open + "<ITEMS>\n<B N='NewDoc'>1</B>\n</ITEMS>\n</RUVURAZAR>\n";
  struct Case {
    const char* what;
    std::string xml;
    bool storedReads;  // the reader of stored files reads it all the same
    EKCabXMLProblem reason;
    ASInt32 line;
    const char* found;
    const char* closer;
    ASInt32 closerLine;
  };
  const Case cases[] = {
      {"no XML", "Count: 4\nSize: A4\n", false, kKCabXMLNoElement, 1, "Count: 4", "", 0},
      {"blank lines, then text", "\n\n  just words", false, kKCabXMLNoElement, 3, "just words", "", 0},
      {"nothing", "", false, kKCabXMLNoElement, 0, "", "", 0},
      {"another root", "<?xml version='1.0'?>\n<html><body/></html>\n", false, kKCabXMLForeignRoot, 2, "html", "", 0},
      {"another namespace", "<RUVURAZAR xmlns=\"http://other.example/ns\"><ITEMS/></RUVURAZAR>", false,
       kKCabXMLForeignNamespace, 1, "http://other.example/ns", "", 0},
      {"no ITEMS", open + "</RUVURAZAR>\n", false, kKCabXMLNoItems, 1, "RUVURAZAR", "", 0},
      {"cut off", whole.substr(0, 70), false, kKCabXMLUnclosed, 1, "RUVURAZAR", "", 3},
      {"cut off in the root's tag", "<RUVURAZAR xmlns=", false, kKCabXMLCutOff, 1, "", "", 0},
      {"ITEMS left open", open + "<ITEMS>\n<B N='NewDoc'>1</B>\n</RUVURAZAR>\n", true, kKCabXMLUnclosed, 2, "ITEMS",
       "RUVURAZAR", 4},
      {"an entry left open", open + "<ITEMS>\n<DICT N='Page'><ITEMS>\n</DICT>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLUnclosed, 3, "ITEMS", "DICT", 4},
      {"an end tag of nothing", open + "<ITEMS>\n<B N='NewDoc'>1</B></I>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLStrayEnd, 3, "I", "", 0},
      {"an element after the root", whole + "<ITEMS/>\n", true, kKCabXMLOutsideRoot, 6, "<ITEMS>", "", 0},
      {"text after the root", whole + "\nPS: thanks\n", true, kKCabXMLOutsideRoot, 7, "PS: thanks", "", 0},
      {"a comment cut off after the root", whole + "<!-- unfinished", true, kKCabXMLCutOff, 6, "", "", 0},
      {"a tag cut off after the root", whole + "\n<ITE", true, kKCabXMLCutOff, 7, "", "", 0},
      // What the reading of stored files passes over, and its contents with it.
      {"a second ITEMS", open + "<ITEMS>\n<B N='NewDoc'>1</B>\n</ITEMS>\n<ITEMS>\n<I N='Count'>2</I>\n</ITEMS>\n"
       "</RUVURAZAR>\n", true, kKCabXMLSecondItems, 5, "ITEMS", "RUVURAZAR", 0},
      {"a second empty ITEMS", open + "<ITEMS/>\n<ITEMS>\n</ITEMS>\n</RUVURAZAR>\n", true, kKCabXMLSecondItems, 3,
       "ITEMS", "RUVURAZAR", 0},
      {"a second ITEMS in a DICT", open + "<ITEMS>\n<DICT N='Page'><ITEMS/>\n<ITEMS><F N='Width'>5</F></ITEMS>"
       "</DICT>\n</ITEMS>\n</RUVURAZAR>\n", true, kKCabXMLSecondItems, 4, "ITEMS", "DICT", 0},
      {"an element of another kind", open + "<ITEMS>\n<B N='UseScale'>1</B>\n<Q N='FitAcross'>3</Q>\n</ITEMS>\n"
       "</RUVURAZAR>\n", true, kKCabXMLForeignKind, 4, "Q", "ITEMS", 0},
      {"an empty element of another kind", open + "<ITEMS>\n<Q N='FitAcross'/>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLForeignKind, 3, "Q", "ITEMS", 0},
      {"another kind inside a value", open + "<ITEMS>\n<S N='Order'>2 <b>1</b></S>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLForeignKind, 3, "b", "S", 0},
      {"an entry in the root", open + "<I N='Count'>2</I>\n<ITEMS/>\n</RUVURAZAR>\n", true, kKCabXMLMisplaced, 2,
       "I", "RUVURAZAR", 0},
      {"an entry in a DICT", open + "<ITEMS>\n<DICT N='Page'>\n<F N='Width'>5</F><ITEMS/></DICT>\n</ITEMS>\n"
       "</RUVURAZAR>\n", true, kKCabXMLMisplaced, 4, "F", "DICT", 0},
      {"an ITEMS in an ITEMS", open + "<ITEMS>\n<ITEMS><I N='Count'>2</I></ITEMS>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLMisplaced, 3, "ITEMS", "ITEMS", 0},
      {"an entry in an entry", open + "<ITEMS>\n<S N='a'><I N='b'>1</I></S>\n</ITEMS>\n</RUVURAZAR>\n", true,
       kKCabXMLMisplaced, 3, "I", "S", 0},
      {"text beside the entries", open + "<ITEMS>\n<I N='Count'>2</I>\n FitAcross 3\n</ITEMS>\n</RUVURAZAR>\n",
       true, kKCabXMLStrayText, 4, "FitAcross 3", "ITEMS", 0},
      {"text in the root", open + "<ITEMS/>\nCount=2\n</RUVURAZAR>\n", true, kKCabXMLStrayText, 3, "Count=2",
       "RUVURAZAR", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASBool error = 0;
    SKCabXMLReadProblem problem;
    Cab strict(KCabReadWellFormedFromBuffer(c.xml.data(), (ASInt32)c.xml.size(), &error, &problem));
    EXPECT_EQ(nullptr, strict.c);
    EXPECT_EQ(c.reason, problem.reason);
    EXPECT_EQ(c.line, problem.line);
    EXPECT_STREQ(c.found, problem.found);
    EXPECT_STREQ(c.closer, problem.closer);
    EXPECT_EQ(c.closerLine, problem.closerLine);
    Cab stored(KCabReadFromBufferWithProblem(c.xml.data(), (ASInt32)c.xml.size(), &error, &problem));
    EXPECT_EQ(c.storedReads, stored.c != nullptr);
    if (!c.storedReads) {
      EXPECT_EQ(c.reason, problem.reason) << "the stored files' reader says the same";
    }
  }
  // What a person's text may hold: a byte-order mark, a declaration,
  // comments and blanks around the root.
  for (const std::string& fine :
       {whole, "\xEF\xBB\xBF" + whole, "<?xml version='1.0'?>\n<!-- mine -->\n" + whole + "\n\n",
        open + "<ITEMS/>\n</RUVURAZAR>",
        open + "<!-- a note -->\n<ITEMS>\n<!-- gaps -->\n<S N='HSpace'><![CDATA[6 6]]></S>\n<NULL N='n'></NULL>\n"
               "<DICT N='Page'><!-- sheet --><ITEMS><F N='Width'>5</F></ITEMS>\n</DICT>\n</ITEMS>\n</RUVURAZAR>\n"}) {
    SCOPED_TRACE(fine);
    ASBool error = 1;
    SKCabXMLReadProblem problem;
    Cab cab(KCabReadWellFormedFromBuffer(fine.data(), (ASInt32)fine.size(), &error, &problem));
    EXPECT_NE(nullptr, cab.c);
    EXPECT_FALSE(error);
    EXPECT_EQ(kKCabXMLReadFine, problem.reason);
  }
}

// A whole number beyond what its element holds is told apart from text that
// is no number.
TEST(KCabXML, AWholeNumberTooLargeForItsElementIsSaidSo) {
  struct Case {
    const char* element;
    EKCabXMLProblem reason;
  };
  const Case cases[] = {
      {"<I N='Count'>99999999999</I>", kKCabXMLNumberTooLarge},
      {"<I N='Count'>-2147483649</I>", kKCabXMLNumberTooLarge},
      {"<I N='Count'>999999999999999999999999</I>", kKCabXMLNumberTooLarge},
      {"<U N='Count'>4294967296</U>", kKCabXMLNumberTooLarge},
      {"<I N='Count'>2.5</I>", kKCabXMLBadElement},
      {"<I N='Count'>lots</I>", kKCabXMLBadElement},
      {"<U N='Count'>-1</U>", kKCabXMLBadElement},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    std::string xml = Doc(std::string(c.element) + "\n");
    ASBool error = 0;
    SKCabXMLReadProblem problem;
    Cab cab(KCabReadWellFormedFromBuffer(xml.data(), (ASInt32)xml.size(), &error, &problem));
    EXPECT_TRUE(error);
    EXPECT_EQ(c.reason, problem.reason);
    EXPECT_STREQ("Count", problem.key);
    EXPECT_EQ(4, problem.line);
  }
}

TEST(KCabXML, DeepNestingStopsWithTheErrorFlag) {
  std::string items;
  for (int i = 0; i < 200; ++i) items += "<DICT N='d'><ITEMS>";
  for (int i = 0; i < 200; ++i) items += "</ITEMS></DICT>";
  ASBool error = 0;
  Cab cab(FromXML(Doc(items), &error));
  ASSERT_NE(nullptr, cab.c);
  EXPECT_TRUE(error);
}

TEST(KCabXML, RandomCabinetsRoundTrip) {
  std::mt19937 rng(42);
  for (int round = 0; round < 50; ++round) {
    Cab cab;
    std::function<void(SKCab*, int)> fill = [&](SKCab* c, int depth) {
      int n = (int)(rng() % 8);
      for (int i = 0; i < n; ++i) {
        std::string key = (rng() % 3 == 0) ? std::to_string(rng() % 50) : "k" + std::to_string(rng() % 100);
        switch (rng() % 8) {
          case 0: KCabPutBool(c, key.c_str(), (ASBool)(rng() % 2)); break;
          case 1: KCabPutInt(c, key.c_str(), (ASInt32)rng()); break;
          case 2: KCabPutUns(c, key.c_str(), (ASUns32)rng()); break;
          case 3: KCabPutAtom(c, key.c_str(), ASAtomFromString(("a<&>" + std::to_string(rng() % 9)).c_str())); break;
          case 4: KCabPutStringCopy(c, key.c_str(), ("s'\"&<>\xC3\xA9 " + std::to_string(rng())).c_str()); break;
          case 5: KCabPutNull(c, key.c_str()); break;
          case 6: {
            // Any bit pattern: every magnitude, subnormals, infinities and NaNs.
            ASUns64 bits = ((ASUns64)rng() << 32) | rng();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            KCabPutDouble(c, key.c_str(), rng() % 2 ? v : ((double)(int)(rng() % 2000000) - 1000000) / 10000.0);
            break;
          }
          case 7:
            if (depth < 4) {
              SKCab* sub = KCabNewInner();
              fill(sub, depth + 1);
              KCabPutCab(c, key.c_str(), sub);
            }
            break;
        }
      }
    };
    fill(cab.c, 0);
    ASBool error = 0;
    std::string xml = ToXML(cab.c);
    Cab back(FromXML(xml, &error));
    ASSERT_NE(nullptr, back.c);
    EXPECT_FALSE(error);
    std::string why;
    EXPECT_TRUE(SameCab(cab.c, back.c, &why)) << why << "\n" << xml;
  }
}

TEST(KCabXML, CommaDecimalLocaleChangesNothing) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
  std::string saved = setlocale(LC_NUMERIC, nullptr);
  const char* active = nullptr;
  for (const char* n : names)
    if (setlocale(LC_NUMERIC, n)) {
      active = n;
      break;
    }
  if (!active) GTEST_SKIP() << "no comma-decimal locale installed";
  Cab cab;
  KCabPutDouble(cab.c, "x", 1.25);
  std::string xml = ToXML(cab.c);
  EXPECT_NE(std::string::npos, xml.find("<F N='x'>1.2500</F>"));
  Cab back(FromXML(xml));
  EXPECT_EQ(1.25, KCabGetDouble(back.c, "x", 0));
  setlocale(LC_NUMERIC, saved.c_str());
}

TEST(KCabXML, FilesAndCallerBuffers) {
  kvtest::TempDir dir;
  Cab cab;
  KCabPutStringCopy(cab.c, "k", "v");
  SKFileName* name = NewKFileNameFromUtf8(dir.file("s.xml").c_str());
  SKOpenFile* f = OpenKFileToWrite(name);
  EXPECT_TRUE(WriteKCabToXMLKFile(f, cab.c));
  EXPECT_TRUE(CloseAndDestroyKFile(f));
  EXPECT_EQ(ToXML(cab.c), kvtest::ReadWholeFile(dir.file("s.xml")));
  ASBool error = 1;
  Cab back(KCabReadFromKFileName(name, &error));
  ASSERT_NE(nullptr, back.c);
  EXPECT_FALSE(error);
  EXPECT_STREQ("v", KCabGetString(back.c, "k"));
  DestroyKFileNameOnly(name);

  SKFileName* missing = NewKFileNameFromUtf8(dir.file("missing.xml").c_str());
  EXPECT_EQ(nullptr, KCabReadFromKFileName(missing, &error));
  DestroyKFileNameOnly(missing);

  // UTF-16 text and text needing repair are read without touching the caller's bytes.
  std::string xml = ToXML(cab.c);
  std::string utf16 = "\xFE\xFF";
  for (char c : xml) {
    utf16 += '\0';
    utf16 += c;
  }
  std::string before = utf16;
  Cab fromUtf16(FromXML(utf16));
  ASSERT_NE(nullptr, fromUtf16.c);
  EXPECT_STREQ("v", KCabGetString(fromUtf16.c, "k"));
  EXPECT_EQ(before, utf16);
}
