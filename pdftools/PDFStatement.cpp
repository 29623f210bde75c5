#include "pdftools/PDFStatement.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/MFUtil.h"
#include "host/AS.h"
#include "host/AV.h"

namespace {

ASErrorCode gStatementTooLong = 0;
ASErrorCode gExpectedNumber = 0;
ASErrorCode gNumberRange = 0;
CosInlineImageProc gInlineImageProc = nullptr;

// Severity the toolkit registers its own errors with.
constexpr ASInt32 kErrorClass = 4;

void RegisterTooLong() {
  if (!gStatementTooLong)
    gStatementTooLong = ASRegisterErrorString(kErrorClass, "Cannot process PDF file - internal statement is too long");
}

void RegisterNumberErrors() {
  if (!gExpectedNumber)
    gExpectedNumber = ASRegisterErrorString(
        kErrorClass, "Internal error in PDF page contents - expected a number, found something else.");
  if (!gNumberRange)
    gNumberRange = ASRegisterErrorString(kErrorClass, "Internal error in PDF page contents - number out of range.");
}

ASBool InlineImageGoOn(void*) { return 1; }

// Older hosts take no progress callback for the scan; ask again next time,
// since the version may only become known later.
CosInlineImageProc InlineImageProc() {
  if (!gInlineImageProc) {
    ASInt16 major = 0, minor = 0;
    AVAppGetVersion(&major, &minor);
    if (major > 4) gInlineImageProc = ASCallbackCreateProto(CosInlineImageProc, InlineImageGoOn);
  }
  return gInlineImageProc;
}

inline bool IsWhite(unsigned char b) { return gPDFCharClass[b] == kPDFCharWhite; }
inline bool IsRegular(unsigned char b) { return gPDFCharClass[b] == kPDFCharRegular; }

// Bytes that end a run inside a literal string.
struct StringStops {
  bool stop[256];
  constexpr StringStops() : stop() {
    stop[(unsigned char)'('] = true;
    stop[(unsigned char)')'] = true;
    stop[(unsigned char)'\\'] = true;
  }
};
constexpr StringStops kStringStops;

// The read position: a byte of a block with data, or the start of the
// chain's empty last block once the stream has ended.
struct Cursor {
  SPDFStatementBlock* block;
  const char* p;
  const char* end;

  bool Ended() const { return block->count == 0; }
  void Settle() {
    while (p == end && block->count != 0) {
      block = block->next;
      p = block->data;
      end = p + block->count;
    }
  }
  void Advance() {
    ++p;
    Settle();
  }
};

// Emitted bytes are counted whether or not they fit; only those that fit
// are stored, so an oversized statement is still consumed to its end.
struct Output {
  char* w;
  ASInt64 remaining;

  void Put(char c) {
    if (remaining > 0) *w++ = c;
    --remaining;
  }
  void Span(const char* s, size_t n) {
    if (remaining > 0) {
      size_t k = n < (size_t)remaining ? n : (size_t)remaining;
      std::memcpy(w, s, k);
      w += k;
    }
    remaining -= (ASInt64)n;
  }
};

// Emits bytes while pred holds, across blocks.
template <class Pred>
inline void EmitWhile(Cursor& c, Output& o, Pred pred) {
  for (;;) {
    const char* s = c.p;
    const char* e = c.end;
    while (s < e && pred((unsigned char)*s)) ++s;
    o.Span(c.p, (size_t)(s - c.p));
    c.p = s;
    if (s < e || c.Ended()) return;
    c.Settle();
  }
}

// A literal string after its "(": up to the ")" that closes it; escaped
// bytes never count. Stops early when the stream ends.
void EmitLiteralString(Cursor& c, Output& o) {
  ASInt64 depth = 1;
  while (!c.Ended()) {
    const char* s = c.p;
    const char* e = c.end;
    while (s < e && !kStringStops.stop[(unsigned char)*s]) ++s;
    o.Span(c.p, (size_t)(s - c.p));
    c.p = s;
    if (s == e) {
      c.Settle();
      continue;
    }
    char x = *s;
    o.Put(x);
    c.Advance();
    if (x == '\\') {
      if (c.Ended()) return;  // a backslash at the very end escapes nothing
      o.Put(*c.p);
      c.Advance();
    } else if (x == '(') {
      ++depth;
    } else if (--depth == 0) {
      return;
    }
  }
}

// The keyword at the cursor: emitted, with its length and first bytes.
struct Keyword {
  ASInt64 length = 0;
  char head[5] = {};
};

Keyword EmitKeyword(Cursor& c, Output& o) {
  Keyword k;
  for (;;) {
    const char* s = c.p;
    const char* e = c.end;
    while (s < e && IsRegular((unsigned char)*s)) ++s;
    const ASInt64 n = s - c.p;
    for (ASInt64 i = 0; i < n && k.length + i < (ASInt64)sizeof k.head; ++i) k.head[k.length + i] = c.p[i];
    k.length += n;
    o.Span(c.p, (size_t)n);
    c.p = s;
    if (s < e || c.Ended()) return k;
    c.Settle();
  }
}

bool Is(const Keyword& k, const char* word) {
  size_t n = std::strlen(word);
  return k.length == (ASInt64)n && std::memcmp(k.head, word, n) == 0;
}

// The scan is shown a window of the bytes after BI that starts small and
// grows (up to room, what the buffer still holds) while the scan needs more:
// a stream of many small images is not copied a buffer's worth per image.
constexpr ASInt64 kFirstImageWindow = 1024;
// An answer is taken only when the window reaches this far past the image
// (or the stream ends): the scan judges an EI by the bytes after it, and a
// window cut just behind a false EI must not decide differently from a
// longer one.
constexpr ASInt64 kImageVerdictMargin = 256;

bool ScanNeedsMore(ASErrorCode e) { return e == cosErrInlineTooLong || e == cosErrInlineNeedMore || e == 1; }

// Copies bytes after BI to out and returns how many of them make up the
// image, its closing EI included, with where its parts lie. Raises the
// statement-too-long error when the image does not fit in room.
ASInt64 ScanInlineImage(Cursor ahead, char* out, ASInt64 room, CosObj resources, CosInlineImageParts* parts) {
  ASInt64 copied = 0;
  ASInt64 window = room < kFirstImageWindow ? room : kFirstImageWindow;
  for (;;) {
    while (copied < window && !ahead.Ended()) {
      ASInt64 n = ahead.end - ahead.p;
      if (n > window - copied) n = window - copied;
      std::memcpy(out + copied, ahead.p, (size_t)n);
      copied += n;
      ahead.p += n;
      ahead.Settle();
    }
    const bool atStreamEnd = ahead.Ended();
    const bool canGrow = !atStreamEnd && window < room;

    ASStm m = ASMemStmRdOpen(out, (ASSize_t)copied);
    CosObj image = CosNewNull();
    ASInt64 count = 0;
    ASErrorCode error = 0;
    DURING
      count = CosParseInlineImageParts(m, CosObjGetDoc(resources), resources, InlineImageProc(), nullptr, &image,
                                       atStreamEnd ? 1 : 0, parts);
    HANDLER
      error = ERRORCODE;
    END_HANDLER
    ASStmClose(m);
    if (!error && CosObjGetType(image) != CosNull) CosObjDestroy(image);

    const bool unsure = !error && !atStreamEnd && count + kImageVerdictMargin > copied;
    if (canGrow && (unsure || (error && ScanNeedsMore(error)))) {
      window = window > room / 8 ? room : window * 8;
      continue;
    }
    // Near the end of the buffer the answer waits for a bigger buffer too.
    if (unsure) ASRaise(PDFStatementTooLongError());
    if (error) {
      // Cut short by the buffer, not by the stream: a bigger buffer will do.
      if (ScanNeedsMore(error) && !atStreamEnd) ASRaise(PDFStatementTooLongError());
      ASRaise(error);
    }
    while (count > 0 && IsWhite((unsigned char)out[count - 1])) --count;
    if (count < 2 || count > copied) ASRaise(genErrInternal);
    return count;
  }
}

void FreeBlocks(SNextPDFStatement* r) {
  SPDFStatementBlock* b = r->firstBlock;
  while (b) {
    SPDFStatementBlock* next = b->next;
    ASfree(b);
    b = next;
  }
  r->firstBlock = r->lastBlock = r->currentBlock = nullptr;
  r->position = r->endOfData = nullptr;
}

}  // namespace

ASErrorCode PDFStatementTooLongError() {
  RegisterTooLong();
  return gStatementTooLong;
}

ASErrorCode PDFStatementExpectedNumberError() {
  RegisterNumberErrors();
  return gExpectedNumber;
}

ASErrorCode PDFStatementNumberRangeError() {
  RegisterNumberErrors();
  return gNumberRange;
}

SNextPDFStatement* CreateNextPDFStatementInfo() {
  RegisterTooLong();
  auto* r = static_cast<SNextPDFStatement*>(ASmallocWithException(sizeof(SNextPDFStatement)));
  std::memset(r, 0, sizeof *r);
  r->resources = CosNewNull();
  return r;
}

void OpenStmForNextPDFStatement(SNextPDFStatement* r, CosObj resources, ASStm stream) {
  if (!r) ASRaise(genErrBadParm);
  r->stream = stream;
  r->resources = resources;
  r->imageEndSearched = 0;
  FreeBlocks(r);
  DURING
    for (;;) {
      auto* b = static_cast<SPDFStatementBlock*>(ASmallocWithException(sizeof(SPDFStatementBlock)));
      b->next = nullptr;
      b->count = 0;
      if (r->lastBlock)
        r->lastBlock->next = b;
      else
        r->firstBlock = b;
      r->lastBlock = b;
      ASSize_t got = stream ? ASStmRead(b->data, 1, kPDFStatementBlockSize, stream) : 0;
      b->count = (ASInt32)got;
      if (got == 0) break;
    }
  HANDLER
    // A chain without its empty last block cannot be read: drop it.
    FreeBlocks(r);
    RERAISE();
  END_HANDLER
  r->currentBlock = r->firstBlock;
  r->position = r->firstBlock->data;
  r->endOfData = r->position + r->firstBlock->count;
}

ASInt32 NextPDFStatement(char* buffer, ASInt32* length, char** op, SNextPDFStatement* r, ASUns16 raw) {
  if (!r || !length || !op) ASRaise(genErrBadParm);
  r->imageEndSearched = 0;
  const ASInt64 capacity = *length;
  Output o{buffer, capacity};
  char* opText = nullptr;

  // Nothing moves in the record until the statement is complete, so a
  // statement that is too long is read again from its start.
  auto finish = [&](Cursor& c, ASInt32 result) -> ASInt32 {
    if (o.remaining <= 0) ASRaise(PDFStatementTooLongError());
    *o.w = 0;
    r->currentBlock = c.block;
    r->position = c.p;
    r->endOfData = c.end;
    *length = (ASInt32)(capacity - o.remaining);
    *op = result == 0 ? opText : nullptr;
    return result;
  };

  if (!r->currentBlock) {
    // Never opened: an empty stream.
    if (capacity <= 0) ASRaise(PDFStatementTooLongError());
    *buffer = 0;
    *length = 0;
    *op = nullptr;
    return 1;
  }
  Cursor c{r->currentBlock, r->position, r->endOfData};
  c.Settle();

  for (;;) {
    if (c.Ended()) return finish(c, 1);
    const unsigned char b = (unsigned char)*c.p;
    const unsigned char cls = gPDFCharClass[b];
    if (cls == kPDFCharWhite) {
      EmitWhile(c, o, IsWhite);
      continue;
    }
    if (cls == kPDFCharDelimiter) {
      o.Put((char)b);
      c.Advance();
      if (raw) continue;
      switch (b) {
        case '%':
          EmitWhile(c, o, [](unsigned char x) { return x != '\r' && x != '\n'; });
          break;
        case '(':
          EmitLiteralString(c, o);
          break;
        case '/':
          EmitWhile(c, o, IsRegular);
          break;
        case '<':
          if (c.Ended()) break;
          if (*c.p == '<') {
            o.Put('<');
            c.Advance();
          } else if (*c.p == '~') {
            o.Put('~');
            c.Advance();
            EmitWhile(c, o, [](unsigned char x) { return x != '~'; });
            // The closing "~" and the byte after it, as far as the stream goes.
            for (int i = 0; i < 2 && !c.Ended(); ++i) {
              o.Put(*c.p);
              c.Advance();
            }
          } else {
            EmitWhile(c, o, [](unsigned char x) { return x != '>'; });
            if (!c.Ended()) {
              o.Put('>');
              c.Advance();
            }
          }
          break;
        case '>':
          // Taken with the byte after it (">>"), when there is one.
          if (!c.Ended()) {
            o.Put(*c.p);
            c.Advance();
          }
          break;
        default:  // [ ] { }
          break;
      }
      continue;
    }
    if (b == '+' || b == '-' || b == '.' || (b >= '0' && b <= '9')) {
      EmitWhile(c, o, IsRegular);
      continue;
    }

    // A keyword: an operator, unless it is one of the three operand words.
    opText = o.w;
    Keyword k = EmitKeyword(c, o);
    if (o.remaining > 0) *o.w = 0;
    if (Is(k, "true") || Is(k, "false") || Is(k, "null")) {
      opText = nullptr;
      continue;
    }
    if (!Is(k, "BI")) return finish(c, 0);

    // An inline image: the host's scan tells how many of the bytes after BI
    // make it up; they are in the buffer then.
    CosInlineImageParts parts{};
    char* const afterBI = o.w;
    const ASInt64 count = ScanInlineImage(c, afterBI, o.remaining > 0 ? o.remaining : 0, r->resources, &parts);

    // The image's bytes are in the buffer already; step over them.
    ASInt64 left = count;
    while (left > 0) {
      ASInt64 n = c.end - c.p;
      if (n > left) n = left;
      c.p += n;
      left -= n;
      c.Settle();
    }
    o.w += count;
    o.remaining -= count;
    if (o.remaining > 0) *o.w = 0;
    opText = o.w - 2;
    const ASInt32 result = finish(c, 0);
    if (parts.searched && parts.idAt >= 0 && parts.dataStart <= parts.eiAt && parts.eiAt + 2 <= count) {
      ASInt32 data = parts.eiAt - parts.dataStart;
      if (data > 0 && IsWhite((unsigned char)afterBI[parts.eiAt - 1])) --data;
      r->imageEndSearched = 1;
      r->imageIdAt = (ASInt32)(afterBI - buffer) + parts.idAt;
      r->imageDataLength = data;
    }
    return result;
  }
}

ASInt32 NextPDFStatementExt(char** buffer, ASInt32* bufferSize, ASInt32* length, char** op, SNextPDFStatement* r,
                            ASUns16 raw) {
  if (!buffer || !bufferSize || !length) ASRaise(genErrBadParm);
  for (;;) {
    *length = *bufferSize / 2;
    ASInt32 result = 0;
    ASErrorCode error = 0;
    DURING
      result = NextPDFStatement(*buffer, length, op, r, raw);
    HANDLER
      error = ERRORCODE;
    END_HANDLER
    if (!error) return result;
    if (error != gStatementTooLong || *bufferSize > INT32_MAX / 2) ASRaise(error);
    ASInt32 grown = *bufferSize < 64 ? 128 : *bufferSize * 2;
    ASfree(*buffer);
    // The caller frees whatever *buffer holds, also after a failed allocation.
    *buffer = nullptr;
    *buffer = static_cast<char*>(ASmallocWithException((ASSize_t)grown));
    *bufferSize = grown;
  }
}

void PinInlineImageEndInStatementExt(char** buffer, ASInt32* bufferSize, char** end, char** op,
                                     const SNextPDFStatement* r) {
  if (!buffer || !*buffer || !bufferSize || !end || !*end || !op || !r) ASRaise(genErrBadParm);
  if (!r->imageEndSearched || r->imageIdAt < 0 || r->imageIdAt > *end - *buffer) return;
  // The last /L counts: one the image has already did not place its EI.
  char entry[32];
  const bool spaced = r->imageIdAt > 0 && IsWhite((unsigned char)(*buffer)[r->imageIdAt - 1]);
  const int n = std::snprintf(entry, sizeof entry, spaced ? "/L %ld " : " /L %ld ", (long)r->imageDataLength);
  if (n <= 0 || (size_t)n >= sizeof entry) ASRaise(genErrInternal);
  const ASInt64 used = *end - *buffer;
  const ASInt64 need = used + n + 1;
  if (need > (ASInt64)*bufferSize) {
    if (need > INT32_MAX) ASRaise(PDFStatementTooLongError());
    char* old = *buffer;
    char* moved = static_cast<char*>(ASreallocWithException(old, (ASSize_t)need));
    *end = moved + (*end - old);
    if (*op) *op = moved + (*op - old);
    *buffer = moved;
    *bufferSize = (ASInt32)need;
  }
  char* id = *buffer + r->imageIdAt;
  std::memmove(id + n, id, (size_t)(*end - id) + 1);  // the NUL after the statement too
  std::memcpy(id, entry, (size_t)n);
  *end += n;
  if (*op && *op >= id) *op += n;
}

void CloseNextPDFStatementInfo(SNextPDFStatement* r) {
  if (!r) return;
  FreeBlocks(r);
  SafeASStmClose(&r->stream);
}

void DestroyNextPDFStatementInfo(SNextPDFStatement* r) {
  if (!r) return;
  FreeBlocks(r);
  ASfree(r);
}

// ---- scanners over statement text ------------------------------------------

namespace {

char* SkipWhiteAndComments(char* p, const char* end) {
  while (p < end) {
    if (IsWhite((unsigned char)*p)) {
      ++p;
    } else if (*p == '%') {
      while (p < end && *p != '\r' && *p != '\n') ++p;
    } else {
      break;
    }
  }
  return p;
}

double ParseNumber(char** position, const char* end, bool allowPoint) {
  char* p = SkipWhiteAndComments(*position, end);
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  double value = 0.0, scale = 1.0;
  bool digit = false, point = false;
  for (; p < end; ++p) {
    char ch = *p;
    if (ch >= '0' && ch <= '9') {
      digit = true;
      if (point) {
        scale *= 0.1;
        value += (ch - '0') * scale;
      } else {
        value = value * 10.0 + (ch - '0');
      }
    } else if (ch == '.' && allowPoint && !point) {
      point = true;
    } else {
      break;
    }
  }
  *position = p;
  if (!digit) ASRaise(PDFStatementExpectedNumberError());
  if (std::fabs(value) > 32767.499) ASRaise(PDFStatementNumberRangeError());
  return negative ? -value : value;
}

}  // namespace

ASFixed ParseGetFixed(char** position, const char* end) {
  float value = (float)ParseNumber(position, end, true);
  return (ASFixed)(value * 65536.0f);
}

ASInt32 ParseGetInteger(char** position, const char* end) { return (ASInt32)ParseNumber(position, end, false); }

ASFixedMatrix ParseGetMatrix(char** position, const char* end) {
  ASFixedMatrix m;
  m.a = ParseGetFixed(position, end);
  m.b = ParseGetFixed(position, end);
  m.c = ParseGetFixed(position, end);
  m.d = ParseGetFixed(position, end);
  m.h = ParseGetFixed(position, end);
  m.v = ParseGetFixed(position, end);
  return m;
}

ASBool ParseFindWhiteSpace(char** position, const char* end) {
  char* p = *position;
  while (p < end && !IsWhite((unsigned char)*p) && *p != '%') ++p;
  *position = p;
  return p < end;
}

ASBool ParseSkipWhiteSpace(char** position, const char* end) {
  *position = SkipWhiteAndComments(*position, end);
  return *position < end;
}

ASBool ParseFoundNameEnd(char** position, const char* end) {
  char* p = *position;
  if (p < end && *p == '/') ++p;
  while (p < end && IsRegular((unsigned char)*p)) ++p;
  *position = p;
  return p < end;
}

ASBool ParseNameNext(char** position, const char* end) {
  *position = SkipWhiteAndComments(*position, end);
  return *position < end && **position == '/';
}

char* ParseSearchNameValue(char* start, char* end, const char* key) {
  if (!start || !end || !key) return nullptr;
  const size_t keyLength = std::strlen(key);
  char* p = start;
  for (;;) {
    p = SkipWhiteAndComments(p, end);
    if (p >= end) return nullptr;
    if (*p != '/') {
      while (p < end && !IsWhite((unsigned char)*p) && *p != '%' && *p != '/') ++p;
      continue;
    }
    char* name = p + 1;
    if ((size_t)(end - name) > keyLength && std::memcmp(name, key, keyLength) == 0 &&
        !IsRegular((unsigned char)name[keyLength])) {
      return SkipWhiteAndComments(name + keyLength, end);
    }
    p = name;
    if (p < end && *p == '/') ++p;
    while (p < end && IsRegular((unsigned char)*p)) ++p;
  }
}
