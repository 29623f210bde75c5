// Content streams cut into statements.
//
// A statement is everything from the end of the previous operator up to and
// including the next one: the white space and comments before it, its
// operands and the operator keyword. An inline image (BI ... ID ... EI) is
// one statement whose operator is its EI. Laid end to end, the statements of
// a stream and the bytes reported with the end (what follows the last
// operator) are exactly the stream.
//
// Calling order: CreateNextPDFStatementInfo, then per stream
// OpenStmForNextPDFStatement and NextPDFStatementExt until it answers 1,
// CloseNextPDFStatementInfo; DestroyNextPDFStatementInfo at the end.
#pragma once

#include "host/ASTypes.h"
#include "host/Cos.h"

// Byte classes of the content-stream syntax.
enum : unsigned char { kPDFCharRegular = 0, kPDFCharWhite = 1, kPDFCharDelimiter = 2 };
// One entry per byte value: NUL, tab, LF, FF, CR and space are white space;
// % ( / < > [ ] { } delimiters; everything else, ")" included, regular.
extern const unsigned char gPDFCharClass[256];

inline bool PDFCharIsWhite(char c) { return gPDFCharClass[(unsigned char)c] == kPDFCharWhite; }
inline bool PDFCharIsDelimiter(char c) { return gPDFCharClass[(unsigned char)c] == kPDFCharDelimiter; }
inline bool PDFCharIsRegular(char c) { return gPDFCharClass[(unsigned char)c] == kPDFCharRegular; }

// Operator codes. Callers compare them as numbers; the values are fixed.
enum EPDFVerb : ASInt32 {
  kPDFVerbUnknown = 0,  // a text that is not an operator
  kPDFVerbNone = 1,     // no text (null or empty)
  kPDFVerb_b = 2,
  kPDFVerb_B = 3,
  kPDFVerb_bStar = 4,
  kPDFVerb_BStar = 5,
  kPDFVerb_BDC = 6,
  kPDFVerb_BI = 7,
  kPDFVerb_BMC = 8,
  kPDFVerb_BT = 9,
  kPDFVerb_BX = 10,
  kPDFVerb_c = 11,
  kPDFVerb_cm = 12,
  kPDFVerb_cs = 13,
  kPDFVerb_CS = 14,
  kPDFVerb_d = 15,
  kPDFVerb_d0 = 16,
  kPDFVerb_d1 = 17,
  kPDFVerb_Do = 18,
  kPDFVerb_DP = 19,
  kPDFVerb_EI = 20,
  kPDFVerb_EMC = 21,
  kPDFVerb_ET = 22,
  kPDFVerb_EX = 23,
  kPDFVerb_f = 24,
  kPDFVerb_F = 25,
  kPDFVerb_fStar = 26,
  kPDFVerb_g = 27,
  kPDFVerb_G = 28,
  kPDFVerb_gs = 29,
  kPDFVerb_h = 30,
  kPDFVerb_i = 31,
  kPDFVerb_ID = 32,
  kPDFVerb_j = 33,
  kPDFVerb_J = 34,
  kPDFVerb_k = 35,
  kPDFVerb_K = 36,
  kPDFVerb_l = 37,
  kPDFVerb_m = 38,
  kPDFVerb_M = 39,
  kPDFVerb_MP = 40,
  kPDFVerb_n = 41,
  kPDFVerb_q = 42,
  kPDFVerb_Q = 43,
  kPDFVerb_re = 44,
  kPDFVerb_rg = 45,
  kPDFVerb_RG = 46,
  kPDFVerb_s = 47,
  kPDFVerb_S = 48,
  kPDFVerb_sc = 49,
  kPDFVerb_SC = 50,
  kPDFVerb_scn = 51,
  kPDFVerb_SCN = 52,
  kPDFVerb_Tc = 53,
  kPDFVerb_Td = 54,
  kPDFVerb_TD = 55,
  kPDFVerb_Tf = 56,
  kPDFVerb_Tj = 57,
  kPDFVerb_TJ = 58,
  kPDFVerb_TL = 59,
  kPDFVerb_Tm = 60,
  kPDFVerb_Tr = 61,
  kPDFVerb_Ts = 62,
  kPDFVerb_Tw = 63,
  kPDFVerb_Tz = 64,
  kPDFVerb_TStar = 65,
  kPDFVerb_v = 66,
  kPDFVerb_w = 67,
  kPDFVerb_W = 68,
  kPDFVerb_WStar = 69,
  kPDFVerb_y = 70,
  kPDFVerb_Quote = 71,        // '
  kPDFVerb_DoubleQuote = 72,  // "
  kPDFVerb_ri = 73,
  kPDFVerb_sh = 74,
  kPDFVerbCount = 75
};

// The classifier's trie: each list is an array of nodes ending with a node
// whose character is 0; a node's code is that of the text ending there (0
// where the text is only a prefix).
struct SPDFVerbNode {
  char c;
  ASInt32 code;
  const SPDFVerbNode* child;
};
extern const SPDFVerbNode lookup_main[];

// 1 for null or empty text, the operator's code for an exact (case-sensitive)
// match, 0 otherwise.
EPDFVerb ClassifyPDFVerb(const char* text);
// The operator text of a code from 2 to 74, else null.
const char* PDFVerbText(ASInt32 code);

// One read-ahead block. The chain always ends with a block whose count is 0.
constexpr ASInt32 kPDFStatementBlockSize = 16384;
struct SPDFStatementBlock {
  char data[kPDFStatementBlockSize];
  SPDFStatementBlock* next;
  ASInt32 count;
};

struct SNextPDFStatement {
  ASStm stream;
  CosObj resources;
  SPDFStatementBlock* firstBlock;
  SPDFStatementBlock* lastBlock;
  SPDFStatementBlock* currentBlock;
  const char* position;
  const char* endOfData;
  // The statement just read, when it is an inline image whose end was
  // searched for (see CosInlineImageParts): where its ID stands in the
  // statement and how long its data are (the white space before EI not
  // counted). imageEndSearched is 0 after any other statement.
  ASBool imageEndSearched;
  ASInt32 imageIdAt;
  ASInt32 imageDataLength;
};

// The statement-too-long error (registered by CreateNextPDFStatementInfo).
ASErrorCode PDFStatementTooLongError();
// The two errors of the number readers (registered on first use).
ASErrorCode PDFStatementExpectedNumberError();
ASErrorCode PDFStatementNumberRangeError();

// A new reader without blocks; raises when memory runs out.
SNextPDFStatement* CreateNextPDFStatementInfo();
// Reads the whole stream (decoded content) into memory and starts at its
// first byte. resources (the Resources dictionary in force, or null) goes to
// the host's inline-image scan. The reader may be opened again for another
// stream; it does not close the stream it read before.
void OpenStmForNextPDFStatement(SNextPDFStatement* reader, CosObj resources, ASStm stream);

// Reads the next statement into buffer. On entry *length is the capacity; on
// return it is the number of bytes the statement took from the stream, and
// the buffer holds them followed by a NUL. Returns 0 with *op pointing at the
// operator inside the buffer, or 1 at the end of the stream with *op null
// (the buffer then holds whatever followed the last operator). A statement
// that does not fit in capacity - 1 bytes is read to its end, and the
// statement-too-long error is raised with the reader still before it. With
// raw set, every delimiter counts as a single ordinary byte.
ASInt32 NextPDFStatement(char* buffer, ASInt32* length, char** op, SNextPDFStatement* reader, ASUns16 raw);
// As NextPDFStatement with at most half of *bufferSize used per statement;
// the buffer (from the host allocator, owned by the caller) is replaced by
// one twice as large until the statement fits.
ASInt32 NextPDFStatementExt(char** buffer, ASInt32* bufferSize, ASInt32* length, char** op,
                            SNextPDFStatement* reader, ASUns16 raw);

// A copy that writes other bytes after an inline image than its stream had
// (a statement dropped, the end of the stream moved) may make the image end
// elsewhere when the copy is read, where the end was searched for. Called on
// the statement just read (as the reader left it in buffer, up to *end),
// this gives such an image an /L entry with its data's length, last before
// its ID, so that it ends where the reader ended it whatever follows; other
// statements are left as they are. The buffer grows as needed (its owner
// frees it); *end and *op move with the bytes.
void PinInlineImageEndInStatementExt(char** buffer, ASInt32* bufferSize, char** end, char** op,
                                     const SNextPDFStatement* reader);

// Frees the blocks and closes the stream (the stream field is cleared).
void CloseNextPDFStatementInfo(SNextPDFStatement* reader);
// Frees the blocks and the record; the stream is not closed. Null accepted.
void DestroyNextPDFStatementInfo(SNextPDFStatement* reader);

// Scanners over statement text from *position up to end. Each leaves
// *position just after what it read (where it stopped, on an error).
// Numbers: white space and comments, an optional sign, digits with at most
// one point. No digit raises the expected-number error; a magnitude above
// 32767.499 the number-out-of-range error.
ASFixed ParseGetFixed(char** position, const char* end);
ASInt32 ParseGetInteger(char** position, const char* end);
// Six numbers: a, b, c, d, h, v.
ASFixedMatrix ParseGetMatrix(char** position, const char* end);
// Stops on white space or "%": true; at the end: false.
ASBool ParseFindWhiteSpace(char** position, const char* end);
// Skips white space and comments: true on another byte, false at the end.
ASBool ParseSkipWhiteSpace(char** position, const char* end);
// Steps over a leading "/" and regular bytes: true on white space or a
// delimiter, false at the end.
ASBool ParseFoundNameEnd(char** position, const char* end);
// Skips white space and comments: true when a "/" follows.
ASBool ParseNameNext(char** position, const char* end);
// The position of the value after the name /key (past the white space and
// comments that follow it), or null when the name does not occur. Searches
// the text flat: names inside nested dictionaries, arrays or strings count.
char* ParseSearchNameValue(char* start, char* end, const char* key);
