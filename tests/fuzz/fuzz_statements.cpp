// Content streams are untrusted: read arbitrary bytes statement by statement
// (inline images included), check that the statements give back the bytes,
// and run the number, matrix and name scanners over every statement.
//
// The first byte chooses the starting buffer size, raw mode and whether the
// resources name a colour space; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "pdftools/PDFStatement.h"

namespace {

CosObj Resources(bool named) {
  static CosDoc doc = CosDocCreate();
  static CosObj res = [] {
    CosObj r = CosNewDict(doc, 1, 1);
    CosObj spaces = CosNewDict(doc, 0, 1);
    CosDictPut(spaces, ASAtomFromString("CS0"), CosNewName(doc, 0, ASAtomFromString("DeviceRGB")));
    CosDictPut(r, ASAtomFromString("ColorSpace"), spaces);
    return r;
  }();
  return named ? res : CosNewNull();
}

void Scan(char* start, char* end) {
  DURING
    char* p = start;
    ParseGetMatrix(&p, end);
  HANDLER
  END_HANDLER
  DURING
    char* p = start;
    while (p < end) {
      char* before = p;
      ParseGetInteger(&p, end);
      if (p == before) break;
    }
  HANDLER
  END_HANDLER
  for (const char* key : {"CS", "ColorSpace", "W", ""}) {
    char* value = ParseSearchNameValue(start, end, key);
    if (value && (value < start || value > end)) __builtin_trap();
  }
  char* p = start;
  while (ParseFindWhiteSpace(&p, end) && ParseSkipWhiteSpace(&p, end)) {
    char* q = p;
    if (ParseNameNext(&q, end)) ParseFoundNameEnd(&q, end);
    if (q < p || q > end) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t mode = data[0];
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  ASInt32 bufferSize = (mode & 3) == 0 ? 60000 : (mode & 3) == 1 ? 64 : (mode & 3) == 2 ? 7 : 1;
  const ASUns16 raw = (mode & 4) ? 1 : 0;
  CosObj resources = Resources(mode & 8);

  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)bufferSize));
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  std::string joined;
  bool failed = false;
  DURING
    OpenStmForNextPDFStatement(reader, resources, stm);
    for (;;) {
      ASInt32 length = 0;
      char* op = nullptr;
      ASInt32 r = NextPDFStatementExt(&buffer, &bufferSize, &length, &op, reader, raw);
      if (length < 0 || length >= bufferSize / 2 || buffer[length] != 0) __builtin_trap();
      if (op && (op < buffer || op + std::strlen(op) != buffer + length)) __builtin_trap();
      joined.append(buffer, (size_t)length);
      ClassifyPDFVerb(op);
      Scan(buffer, op ? op : buffer + length);
      if (r == 1) break;
    }
  HANDLER
    failed = true;
  END_HANDLER
  CloseNextPDFStatementInfo(reader);
  DestroyNextPDFStatementInfo(reader);
  ASfree(buffer);
  // Statements laid end to end are the stream.
  if (!failed && joined != bytes) __builtin_trap();
  return 0;
}
