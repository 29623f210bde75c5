#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/ContentFixtures.h"
#include "host/AS.h"
#include "host/PD.h"
#include "pdftools/PDFStatement.h"
#include "pdftools/StatementReading.h"
#include "support/HostPdf.h"

using kvtest::ErrorOf;
using kvtest::Joined;
using kvtest::ReadStatements;
using kvtest::Statement;

namespace {

#define BYTES(x) std::string(x, sizeof(x) - 1)

struct Expect {
  std::string text;
  ASInt32 code;  // -1: the end of the stream
};

struct ReaderCase {
  const char* what;
  std::string bytes;
  std::vector<Expect> statements;
};

TEST(StatementReader, CutsStatementsAsTheSyntaxSays) {
  const ReaderCase cases[] = {
      {"line break belongs to the next statement", "0 0 1 rg\n", {{"0 0 1 rg", 45}, {"\n", -1}}},
      {"name and number", "/F1 12 Tf", {{"/F1 12 Tf", 56}, {"", -1}}},
      {"escaped parenthesis", "[(a\\)b) 3 (x)] TJ", {{"[(a\\)b) 3 (x)] TJ", 58}, {"", -1}}},
      {"nested parentheses", "(a (b) c) Tj q", {{"(a (b) c) Tj", 57}, {" q", 42}, {"", -1}}},
      {"operand words", "true false null trueX", {{"true false null trueX", 0}, {"", -1}}},
      {"operand word at the end", "q true", {{"q", 42}, {" true", -1}}},
      {"dictionary", "<</MCID 3>> BDC", {{"<</MCID 3>> BDC", 6}, {"", -1}}},
      {"base-85 string", "<~87cURD]i~> Tj\n", {{"<~87cURD]i~> Tj", 57}, {"\n", -1}}},
      {"hex string", "<48 65> Tj", {{"<48 65> Tj", 57}, {"", -1}}},
      {"comment before an operator", "% note\nq", {{"% note\nq", 42}, {"", -1}}},
      {"comment ends at CR", "%x\rQ", {{"%x\rQ", 43}, {"", -1}}},
      {"dangling operands", "q 1 0 0", {{"q", 42}, {" 1 0 0", -1}}},
      {"braces and brackets", "{ [ ] } sh", {{"{ [ ] } sh", 74}, {"", -1}}},
      {"quotes", "(a) ' 1 2 (b) \"", {{"(a) '", 71}, {" 1 2 (b) \"", 72}, {"", -1}}},
      {"signs and points start operands", "-.5 +3 .25 w", {{"-.5 +3 .25 w", 67}, {"", -1}}},
      {"regular bytes end a number only at white space", "12) 3", {{"12) 3", -1}}},
      {"a close parenthesis starts a keyword", ") x", {{")", 0}, {" x", 0}, {"", -1}}},
      {"high bytes are regular", "\x80\xFF Q", {{"\x80\xFF", 0}, {" Q", 43}, {"", -1}}},
      {"NUL is white space", BYTES("q\0Q"), {{"q", 42}, {BYTES("\0Q"), 43}, {"", -1}}},
      {"a name stops at a delimiter", "/A/B(c)Tj", {{"/A/B(c)Tj", 57}, {"", -1}}},
      {"empty stream", "", {{"", -1}}},
      {"white space only", " \t\r\n\f", {{" \t\r\n\f", -1}}},
  };
  for (const ReaderCase& c : cases) {
    std::vector<Statement> got = ReadStatements(c.bytes);
    ASSERT_EQ(c.statements.size(), got.size()) << c.what;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(c.statements[i].text, got[i].text) << c.what << " #" << i;
      if (c.statements[i].code < 0)
        EXPECT_EQ("", got[i].op) << c.what;
      else
        EXPECT_EQ(c.statements[i].code, got[i].code) << c.what << " #" << i << " op " << got[i].op;
    }
    EXPECT_EQ(c.bytes, Joined(got)) << c.what;
  }
}

// A stream that ends inside a token ends its last statement there, without
// an operator and without a byte from beyond the end.
TEST(StatementReader, TruncatedStreamsEndWithoutReadingPastTheEnd) {
  const char* cases[] = {
      "(unterminated (nested", "(ends after a backslash \\", "/NameAtEnd", "<48656C6C", "<~abc", "<~abc~",
      "q >",                   "0 0 m >",                    "% no line end", "12.5", "<",
  };
  for (const char* bytes : cases) {
    std::string data = bytes;
    std::vector<Statement> got = ReadStatements(data);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ("", got.back().op) << bytes;
    EXPECT_EQ(data, Joined(got)) << bytes;
  }
  // The same where the stream ends exactly with its first read-ahead block.
  for (const char* tail : {"(\\", ">", "<~x", "<~x~", "(a"}) {
    std::string data = std::string(kPDFStatementBlockSize - std::strlen(tail), ' ') + tail;
    ASSERT_EQ((size_t)kPDFStatementBlockSize, data.size());
    std::vector<Statement> got = ReadStatements(data);
    EXPECT_EQ(data, Joined(got)) << tail;
    EXPECT_EQ("", got.back().op);
  }
}

TEST(StatementReader, TokensThatStraddleReadAheadBlocks) {
  // Every position of a statement lands on a block boundary once.
  const std::string statement = "/Span <</A (x\\)y) /B <~ab~>>> BDC [(p) -12.5 <4142>] TJ ";
  for (size_t shift = 0; shift < statement.size(); ++shift) {
    std::string data = std::string(kPDFStatementBlockSize - shift, ' ') + statement + statement;
    std::vector<Statement> got = ReadStatements(data);
    ASSERT_EQ(5u, got.size()) << shift;
    EXPECT_EQ(kPDFVerb_BDC, got[0].code);
    EXPECT_EQ(kPDFVerb_TJ, got[1].code);
    EXPECT_EQ(kPDFVerb_TJ, got[3].code);
    EXPECT_EQ(data, Joined(got)) << shift;
  }
}

TEST(StatementReader, RawModeTakesDelimitersOneByOne) {
  std::vector<Statement> got = ReadStatements("[/A (b c)] x", 60000, CosNewNull(), 1);
  ASSERT_EQ(5u, got.size());
  EXPECT_EQ("[/A", got[0].text);
  EXPECT_EQ(" (b", got[1].text);
  EXPECT_EQ(" c)", got[2].text);
  EXPECT_EQ("] x", got[3].text);
  EXPECT_EQ("x", got[3].op);
  EXPECT_EQ("", got[4].text);
}

TEST(StatementReader, InlineImageIsOneStatementEndingInEI) {
  std::string data = BYTES("q BI /W 1 /H 1 /BPC 8 /CS /G ID \xFF EI\nQ");
  std::vector<Statement> got = ReadStatements(data);
  ASSERT_EQ(4u, got.size());
  EXPECT_EQ(BYTES(" BI /W 1 /H 1 /BPC 8 /CS /G ID \xFF EI"), got[1].text);
  EXPECT_EQ(kPDFVerb_EI, got[1].code);
  EXPECT_EQ("\nQ", got[2].text);
  EXPECT_EQ(data, Joined(got));

  // Data that hold E I between white space: the computed length wins.
  data = BYTES("BI /W 4 /H 1 /BPC 8 /CS /G ID  EI  EI Q");
  got = ReadStatements(data);
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(BYTES("BI /W 4 /H 1 /BPC 8 /CS /G ID  EI  EI"), got[0].text);
  EXPECT_EQ(kPDFVerb_Q, got[1].code);
}

// Filtered data are searched for their EI; an EI followed by bytes that are
// not content is part of the data. The answer must not depend on how much
// of the stream the scan was shown.
TEST(StatementReader, SearchedInlineImageEndsAtTheRealEI) {
  const std::string head = "BI /W 4 /H 4 /BPC 8 /CS /G /F /Fl ID ";
  std::vector<size_t> positions;
  for (size_t base : {0u, 1024u, 8192u, 30000u, 65536u})
    for (size_t at = base > 64 ? base - 64 : 0; at < base + 16; ++at) positions.push_back(at);
  for (size_t falseAt : positions) {
    std::string data = head + std::string(falseAt, 'A') + " EI" + std::string(12, ' ') + "\x01\x02\x03 EI Q";
    std::vector<Statement> got = ReadStatements(data);
    ASSERT_EQ(3u, got.size()) << falseAt;
    EXPECT_EQ(data.substr(0, data.size() - 2), got[0].text) << falseAt;
    EXPECT_EQ(kPDFVerb_EI, got[0].code);
    EXPECT_EQ(kPDFVerb_Q, got[1].code);
  }
}

// An image whose data are shorter than it says, before words that read as
// no content: the content's end is in sight, so the image ends at its lone EI
// and the words after it are read as statements, as a viewer draws them.
TEST(StatementReader, ADamagedImageBeforeJunkEndsAtItsLoneEI) {
  const std::string data = BYTES("q BI /W 4 /H 1 /BPC 8 /CS /G ID  EI EM0 \xD8Tr Q");
  std::vector<Statement> got = ReadStatements(data);
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(kPDFVerb_q, got[0].code);
  EXPECT_EQ(" BI /W 4 /H 1 /BPC 8 /CS /G ID  EI", got[1].text);
  EXPECT_EQ(kPDFVerb_EI, got[1].code);
  EXPECT_EQ(1, std::count_if(got.begin(), got.end(), [](const Statement& g) { return g.code == kPDFVerb_Q; }));
}

// An image whose end was searched for is pinned by its data's length (an /L
// last before ID, the white space before EI not counted): read again with
// other bytes after it, bytes that would end it elsewhere (no content after
// its EI, a later EI before content), it ends where it ended. An image whose
// length or filter placed its EI, and an EI that ends no image, are left as
// they are.
TEST(StatementReader, AnImageWhoseEndWasSearchedForIsPinnedByItsLength) {
  struct Case {
    const char* what;
    std::string image;  // the first statement
    std::string after;  // what followed it where it was read
    std::string pinned;  // the statement pinned ("": as it was)
  };
  const Case cases[] = {
      {"a dictionary that does not read", BYTES("BI /W 3 /H x\xD8 /G ID  EI/x\xD8 Q  EI"), " Q",
       BYTES("BI /W 3 /H x\xD8 /G /L 9 ID  EI/x\xD8 Q  EI")},
      {"a filter not read here", "BI /W 4 /H 4 /CS /G /BPC 8 /F /LZW ID a EI zz qq EI", " Q",
       "BI /W 4 /H 4 /CS /G /BPC 8 /F /LZW /L 10 ID a EI zz qq EI"},
      {"its own /L places no EI", "BI /W 4 /H 1 /BPC 8 /CS /G /L 2 ID abcd EI", "\nQ",
       "BI /W 4 /H 1 /BPC 8 /CS /G /L 2 /L 4 ID abcd EI"},
      {"a dictionary ending in a string", "q BI /W 4 /H 4 /F /LZW /Ti (x)ID z EI", " Q", " BI /W 4 /H 4 /F /LZW /Ti (x) /L 1 ID z EI"},
      {"placed by its computed length", "BI /W 4 /H 1 /BPC 8 /CS /G ID  EI  EI", " Q", ""},
      {"placed by its filter's end", "BI /W 1 /H 1 /CS /RGB /BPC 8 /F /AHx ID FF0000> EI", " Q", ""},
      {"an EI that ends no image", "1 0 0 1 0 0 cm EI", " Q", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = c.image + c.after;
    SNextPDFStatement* reader = CreateNextPDFStatementInfo();
    ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
    OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
    ASInt32 size = 64;  // small: the pin grows the buffer
    char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
    char* op = nullptr;
    ASInt32 length = 0;
    std::string statement;
    do {  // the statement that ends in EI
      ASSERT_EQ(0, NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0));
      statement = std::string(buffer, (size_t)length);
    } while (ClassifyPDFVerb(op) != kPDFVerb_EI);
    char* end = buffer + length;
    PinInlineImageEndInStatementExt(&buffer, &size, &end, &op, reader);
    const std::string got(buffer, (size_t)(end - buffer));
    EXPECT_EQ(0, *end);
    EXPECT_STREQ("EI", op);
    const std::string expected = c.pinned.empty() ? statement : c.pinned;
    EXPECT_EQ(expected, got.substr(got.size() - std::min(got.size(), expected.size())));
    ASfree(buffer);
    CloseNextPDFStatementInfo(reader);
    DestroyNextPDFStatementInfo(reader);
    if (c.pinned.empty()) continue;
    for (const std::string& other : {std::string(BYTES("\nE\xD8")), std::string(BYTES(" \xD8 EI Q")), std::string()}) {
      const std::vector<Statement> again = ReadStatements(got + other);
      ASSERT_FALSE(again.empty());
      EXPECT_EQ(got, again[0].text) << other;
    }
  }
}

TEST(StatementReader, InlineImageSizedByANamedColourSpace) {
  kvtest::ScopedDoc pd(PDDocCreate());
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj res = CosNewDict(doc, 0, 1);
  CosObj spaces = CosNewDict(doc, 0, 1);
  CosDictPut(spaces, ASAtomFromString("CS0"), CosNewName(doc, 0, ASAtomFromString("DeviceRGB")));
  CosDictPut(res, ASAtomFromString("ColorSpace"), spaces);
  // Three data bytes, one of them making " EI " look like the end.
  std::string data = BYTES("BI /W 1 /H 1 /BPC 8 /CS /CS0 ID EI  EI Q");
  std::vector<Statement> got = ReadStatements(data, 60000, res);
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(BYTES("BI /W 1 /H 1 /BPC 8 /CS /CS0 ID EI  EI"), got[0].text);
  EXPECT_EQ(data, Joined(got));
}

TEST(StatementReader, LongStatementsGrowTheBuffer) {
  // 40000 bytes with a 60000-byte buffer: one growth to 120000.
  std::string text = "(" + std::string(40000 - 5, 'a') + ") Tj";
  ASSERT_EQ(40000u, text.size());
  ASInt32 finalSize = 0;
  std::vector<Statement> got = ReadStatements(text + " Q", 60000, CosNewNull(), 0, &finalSize);
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(text, got[0].text);
  EXPECT_EQ(120000, finalSize);

  // An inline image larger than the buffer grows it until it fits.
  std::string image = "BI /W 300 /H 100 /BPC 8 /CS /RGB ID " + std::string(90000, 'x') + " EI";
  got = ReadStatements("q " + image + " Q", 60000, CosNewNull(), 0, &finalSize);
  ASSERT_EQ(4u, got.size());
  EXPECT_EQ(" " + image, got[1].text);
  EXPECT_EQ(kPDFVerb_EI, got[1].code);
  EXPECT_EQ(240000, finalSize);

  // A tiny starting buffer grows as often as needed.
  std::string page = kvfix::TextAndGraphicsContent(0);
  EXPECT_EQ(page, Joined(ReadStatements(page, 2)));
}

// The statement that does not fit is read to its end, then refused; the
// reader stays before it so that a larger buffer reads it again.
TEST(StatementReader, TooLongLeavesTheReaderBeforeTheStatement) {
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  std::string data = "q 1 2 3 re Q";
  ASStm stm = ASMemStmRdOpen(data.data(), data.size());
  OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
  char buffer[64];
  char* op = nullptr;
  ASInt32 length = 2;
  ASSERT_EQ(0, NextPDFStatement(buffer, &length, &op, reader, 0));
  EXPECT_EQ("q", std::string(buffer, (size_t)length));

  // " 1 2 3 re" is 9 bytes: a capacity of exactly 9 leaves no room for the NUL.
  for (ASInt32 capacity : {3, 9}) {
    length = capacity;
    EXPECT_EQ(PDFStatementTooLongError(), ErrorOf([&] { NextPDFStatement(buffer, &length, &op, reader, 0); }))
        << capacity;
  }
  length = 10;
  ASSERT_EQ(0, NextPDFStatement(buffer, &length, &op, reader, 0));
  EXPECT_EQ(" 1 2 3 re", std::string(buffer, (size_t)length));
  EXPECT_STREQ("re", op);
  CloseNextPDFStatementInfo(reader);
  DestroyNextPDFStatementInfo(reader);
}

TEST(StatementReader, BrokenInlineImagePassesTheHostErrorOn) {
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  std::string data = "q BI /W 4 /H 4 /CS /G ID abc";
  ASStm stm = ASMemStmRdOpen(data.data(), data.size());
  OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
  ASInt32 size = 60000;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  char* op = nullptr;
  ASInt32 length = 0;
  ASSERT_EQ(0, NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0));
  // Cut short by the stream's end, not by the buffer: no growth, the scan's error.
  EXPECT_EQ(cosErrInlineNeedMore, ErrorOf([&] { NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0); }));
  EXPECT_EQ(60000, size);
  // The reader is still before the image.
  EXPECT_EQ(cosErrInlineNeedMore, ErrorOf([&] { NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0); }));
  ASfree(buffer);
  CloseNextPDFStatementInfo(reader);
  DestroyNextPDFStatementInfo(reader);
}

TEST(StatementReader, ReopeningReadsTheNextStream) {
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  char buffer[256];
  char* op = nullptr;
  ASInt32 length = 0;
  // Never opened: an empty stream.
  length = sizeof buffer;
  EXPECT_EQ(1, NextPDFStatement(buffer, &length, &op, reader, 0));
  EXPECT_EQ(0, length);
  for (const char* data : {"q Q", "1 w"}) {
    ASStm stm = ASMemStmRdOpen(data, std::strlen(data));
    OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
    length = sizeof buffer;
    ASSERT_EQ(0, NextPDFStatement(buffer, &length, &op, reader, 0));
    EXPECT_EQ(std::string(data).substr(0, (size_t)length), std::string(buffer, (size_t)length));
    ASStmClose(stm);
  }
  DestroyNextPDFStatementInfo(reader);
}

TEST(StatementReader, OpenFailureLeavesNoChain) {
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  std::string data(100000, ' ');
  // The second round runs with the module's first-use set-up done.
  for (int round = 0; round < 2; ++round) {
    ASStm stm = ASMemStmRdOpen(data.data(), data.size());
    ASInt64 before = ASMemOutstandingBlocks();
    ASMemInjectFailure(3, 1);
    ASErrorCode e = kvtest::ErrorOf([&] { OpenStmForNextPDFStatement(reader, CosNewNull(), stm); });
    ASMemClearFailure();
    EXPECT_NE(0, e);
    EXPECT_EQ(nullptr, reader->firstBlock);
    if (round == 1) {
      EXPECT_EQ(before, ASMemOutstandingBlocks());
    }
    CloseNextPDFStatementInfo(reader);
  }
  DestroyNextPDFStatementInfo(reader);
}

// ---- operator codes ------------------------------------------------------

TEST(ClassifyPDFVerb, EveryOperatorHasItsCode) {
  // The operator set of the content-stream syntax, in code order from 2.
  const char* const operators[] = {
      "b",  "B",  "b*", "B*", "BDC", "BI", "BMC", "BT", "BX", "c",  "cm", "cs", "CS", "d",  "d0", "d1", "Do", "DP",
      "EI", "EMC", "ET", "EX", "f",  "F",  "f*", "g",  "G",  "gs", "h",  "i",  "ID", "j",  "J",  "k",  "K",  "l",
      "m",  "M",  "MP", "n",  "q",  "Q",  "re", "rg", "RG", "s",  "S",  "sc", "SC", "scn", "SCN", "Tc", "Td", "TD",
      "Tf", "Tj", "TJ", "TL", "Tm", "Tr", "Ts", "Tw", "Tz", "T*", "v",  "w",  "W",  "W*", "y",  "'",  "\"", "ri",
      "sh"};
  ASSERT_EQ(73u, sizeof operators / sizeof operators[0]);
  for (ASInt32 i = 0; i < 73; ++i) {
    EXPECT_EQ(i + 2, ClassifyPDFVerb(operators[i])) << operators[i];
    EXPECT_STREQ(operators[i], PDFVerbText(i + 2));
  }
}

TEST(ClassifyPDFVerb, UnknownAndEmptyTexts) {
  EXPECT_EQ(kPDFVerbNone, ClassifyPDFVerb(nullptr));
  EXPECT_EQ(kPDFVerbNone, ClassifyPDFVerb(""));
  EXPECT_EQ(kPDFVerb_Quote, ClassifyPDFVerb("'"));
  for (const char* text : {"T", "BD", "EM", "S*", "Tjj", "rG", "scN", "SCn", "bt", "trueX", "true", "q ", " q",
                           "d2", "BDCX", "\x80", "Q*"})
    EXPECT_EQ(kPDFVerbUnknown, ClassifyPDFVerb(text)) << text;
  EXPECT_EQ(nullptr, PDFVerbText(0));
  EXPECT_EQ(nullptr, PDFVerbText(1));
  EXPECT_EQ(nullptr, PDFVerbText(75));
}

// ---- numbers, matrices and names in statements ----------------------------

struct NumberCase {
  const char* text;
  ASFixed value;
  int consumed;  // bytes read
};

TEST(ParseGetFixed, ReadsNumbersAsTheContentWriterPrintsThem) {
  const NumberCase cases[] = {
      {"-0.5", -32768, 4},
      {"1", 65536, 1},
      {"  % c\n 12.5 Tf", 12 * 65536 + 32768, 11},
      {"+3", 3 * 65536, 2},
      {".5", 32768, 2},
      {"-.25", -16384, 4},
      {"1.2.3", (ASFixed)(1.2f * 65536.0f), 3},
      {"7.", 7 * 65536, 2},
      {"1e5", 65536, 1},
      {"32767.499", (ASFixed)(32767.499f * 65536.0f), 9},
      {"-32767.499", (ASFixed)(-32767.499f * 65536.0f), 10},
      {"0000000000000000000000002", 2 * 65536, 25},
      {"0.00001", 0, 7},
      {"-0.00001", 0, 8},
  };
  for (const NumberCase& c : cases) {
    std::string text = c.text;
    char* p = text.data();
    EXPECT_EQ(c.value, ParseGetFixed(&p, text.data() + text.size())) << c.text;
    EXPECT_EQ(c.consumed, p - text.data()) << c.text;
  }
}

TEST(ParseGetFixed, RefusesWhatIsNotANumberOrTooLarge) {
  struct Bad {
    const char* text;
    bool range;
    int stop;
  } cases[] = {{"abc", false, 0},     {"", false, 0},        {"-", false, 1},        {" . ", false, 2},
               {"32767.5", true, 7},  {"-40000", true, 6},   {"%only a comment", false, 15},
               {"99999999999999999999999999999999999999999", true, 41}};
  for (const Bad& c : cases) {
    std::string text = c.text;
    char* p = text.data();
    ASErrorCode e = ErrorOf([&] { ParseGetFixed(&p, text.data() + text.size()); });
    EXPECT_EQ(c.range ? PDFStatementNumberRangeError() : PDFStatementExpectedNumberError(), e) << c.text;
    EXPECT_EQ(c.stop, p - text.data()) << c.text;
  }
  EXPECT_NE(PDFStatementNumberRangeError(), PDFStatementExpectedNumberError());
}

TEST(ParseGetInteger, DigitsOnly) {
  std::string text = "12.7 -7 40000";
  char* p = text.data();
  const char* end = text.data() + text.size();
  EXPECT_EQ(12, ParseGetInteger(&p, end));
  EXPECT_EQ('.', *p);
  // The point is not a number.
  EXPECT_EQ(PDFStatementExpectedNumberError(), ErrorOf([&] { ParseGetInteger(&p, end); }));
  ++p;
  EXPECT_EQ(7, ParseGetInteger(&p, end));
  EXPECT_EQ(-7, ParseGetInteger(&p, end));
  EXPECT_EQ(PDFStatementNumberRangeError(), ErrorOf([&] { ParseGetInteger(&p, end); }));
}

TEST(ParseGetMatrix, SixNumbersInOrder) {
  std::string text = "2 0 0 -1.5 10.25 -20 cm";
  char* p = text.data();
  ASFixedMatrix m = ParseGetMatrix(&p, text.data() + text.size());
  EXPECT_EQ(2 * 65536, m.a);
  EXPECT_EQ(0, m.b);
  EXPECT_EQ(0, m.c);
  EXPECT_EQ(-98304, m.d);
  EXPECT_EQ(10 * 65536 + 16384, m.h);
  EXPECT_EQ(-20 * 65536, m.v);
  EXPECT_STREQ(" cm", p);
  std::string shortText = "1 0 0 1 5";
  p = shortText.data();
  EXPECT_EQ(PDFStatementExpectedNumberError(),
            ErrorOf([&] { ParseGetMatrix(&p, shortText.data() + shortText.size()); }));
}

TEST(StatementScanners, WhiteSpaceAndNames) {
  std::string text = "/Name1 % c\n  /Next(x)";
  char* p = text.data();
  char* end = text.data() + text.size();
  EXPECT_TRUE(ParseFoundNameEnd(&p, end));
  EXPECT_EQ(6, p - text.data());
  char* q = p;
  EXPECT_TRUE(ParseFindWhiteSpace(&q, end));
  EXPECT_EQ(p, q);
  EXPECT_TRUE(ParseNameNext(&p, end));
  EXPECT_EQ('/', *p);
  EXPECT_TRUE(ParseFoundNameEnd(&p, end));
  EXPECT_EQ('(', *p);
  EXPECT_FALSE(ParseNameNext(&p, end));
  EXPECT_TRUE(ParseSkipWhiteSpace(&p, end));
  EXPECT_EQ('(', *p);

  std::string tail = "abc";
  p = tail.data();
  EXPECT_FALSE(ParseFindWhiteSpace(&p, tail.data() + 3));
  EXPECT_EQ(tail.data() + 3, p);
  std::string blank = "  % only\n ";
  p = blank.data();
  EXPECT_FALSE(ParseSkipWhiteSpace(&p, blank.data() + blank.size()));
  p = tail.data();
  EXPECT_FALSE(ParseFoundNameEnd(&p, tail.data() + 3));
  std::string pct = "ab%c";
  p = pct.data();
  EXPECT_TRUE(ParseFindWhiteSpace(&p, pct.data() + 4));
  EXPECT_EQ('%', *p);
}

TEST(ParseSearchNameValue, FindsTheValueAfterTheName) {
  struct Case {
    const char* text;
    const char* key;
    const char* value;  // the rest of the text from the value; null: not found
  } cases[] = {
      {"/W 4 /H 4 /CS /G ID", "CS", "/G ID"},
      {"/W 4 /H 4 /CS /G ID", "H", "4 /CS /G ID"},
      {"/W 4 /H 4 /CS /G ID", "C", nullptr},
      {"/CSX /CS /RGB", "CS", "/RGB"},
      {"/CS% c\n /G", "CS", "/G"},
      {"<< /A << /CS /X >> >>", "CS", "/X >> >>"},
      {"(in a /CS string) x", "CS", "string) x"},
      {"//CS /CS 1", "CS", "1"},
      {"/W 1 /CS", "CS", nullptr},
      {"/CS/G", "CS", "/G"},
      {"", "CS", nullptr},
      {"% /CS x\n", "CS", nullptr},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    char* found = ParseSearchNameValue(text.data(), text.data() + text.size(), c.key);
    if (!c.value) {
      EXPECT_EQ(nullptr, found) << c.text;
    } else {
      ASSERT_NE(nullptr, found) << c.text;
      EXPECT_EQ(std::string(c.value), std::string(found, text.data() + text.size())) << c.text;
    }
  }
}

}  // namespace
