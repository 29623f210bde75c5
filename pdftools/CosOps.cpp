#include "pdftools/CosOps.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "host/AS.h"
#include "pdftools/KCosStream.h"
#include "pdftools/PDFAtoms.h"

namespace {

// Streams this short gain nothing from compression.
constexpr ASInt32 kCompressAbove = 30;

// The number of a key "S<digits>" ("S" alone: 0), saturated at LONG_MAX;
// -1 for any other key.
long KeyNumber(const char* key) {
  if (key[0] != 'S') return -1;
  long n = 0;
  for (const char* p = key + 1; *p; ++p) {
    if (*p < '0' || *p > '9') return -1;
    int digit = *p - '0';
    n = n > (LONG_MAX - digit) / 10 ? LONG_MAX : n * 10 + digit;
  }
  return n;
}

ASAtom KeyAtom(long n) {
  char text[32];
  std::snprintf(text, sizeof text, "S%ld", n);
  return ASAtomFromString(text);
}

}  // namespace

ASBool IsObjectInArray(CosObj array, CosObj obj) {
  for (ASInt32 i = CosArrayLength(array) - 1; i >= 0; --i)
    if (CosObjEqual(CosArrayGet(array, i), obj)) return 1;
  return 0;
}

void ConcatenateToArray(CosDoc cosDoc, CosObj array, CosObj* out, CosObj obj) {
  ASInt32 length = CosArrayLength(array);
  CosObj result = CosNewArray(cosDoc, CosObjIsIndirect(array), length + 1);
  for (ASInt32 i = length - 1; i >= 0; --i) CosArrayPut(result, i, CosArrayGet(array, i));
  CosArrayPut(result, length, obj);
  *out = result;
}

CosObj MakeStreamFromData(CosDoc cosDoc, const char* data, ASInt32 length) {
  InitGlobalAtomTable();
  if (length < 0 || (!data && length > 0)) ASRaise(genErrBadParm);
  CosObj attributes = CosNewDict(cosDoc, 0, 5);
  if (length > kCompressAbove) CosDictPut(attributes, atom[K_Filter], CosNewName(cosDoc, 0, atom[K_FlateDecode]));
  return KCosNewStreamFromBytes(cosDoc, data ? data : "", length, attributes);
}

ASBool GenerateUnusedKeyEnum(CosObj key, CosObj, void* clientData) {
  long* highest = static_cast<long*>(clientData);
  long n = KeyNumber(ASAtomGetString(CosNameValue(key)));
  if (n > *highest) *highest = n;
  return 1;
}

ASAtom GenerateUnusedKey(CosObj dict) {
  long highest = 0;
  CosObjEnum(dict, GenerateUnusedKeyEnum, &highest);
  if (highest < LONG_MAX) return KeyAtom(highest + 1);
  // One more than the highest does not exist: take the first free number.
  for (long n = 1;; ++n) {
    ASAtom key = KeyAtom(n);
    if (!CosDictKnown(dict, key)) return key;
  }
}

ASBool CosObjIsStringEqualTo(CosObj obj, const char* text) {
  if (CosObjGetType(obj) != CosString || !text) return 0;
  ASSize_t length = 0;
  const char* bytes = CosStringValue(obj, &length);
  const size_t textLength = std::strlen(text);
  if (length == textLength) return length == 0 || std::memcmp(bytes, text, length) == 0;
  if (length != 2 + 2 * textLength || (unsigned char)bytes[0] != 0xFE || (unsigned char)bytes[1] != 0xFF) return 0;
  for (size_t i = 0; i < textLength; ++i)
    if (bytes[2 + 2 * i] != 0 || bytes[3 + 2 * i] != text[i]) return 0;
  return 1;
}
