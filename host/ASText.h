// Host text objects. Inside, a host text holds UTF-8.
#pragma once

#include "host/ASTypes.h"

// Unicode formats for ASTextSetUnicode / ASTextGetUnicodeCopy.
typedef enum {
  kUTF16BigEndian = 0,
  kUTF16HostEndian = 1,
  kUTF8 = 2,
  kUTF32BigEndian = 3,
  kUTF32HostEndian = 4
} ASUnicodeFormat;

// Host encodings for ASTextSetEncoded / ASTextGetEncoded. The host's own
// encoding (ASGetHostEncoding) is UTF-8 here.
typedef ASInt32 ASHostEncoding;
enum { kASHostEncodingUTF8 = 0, kASHostEncodingPDFDoc = 1, kASHostEncodingLatin1 = 2 };
ASHostEncoding ASGetHostEncoding();

ASText ASTextNew();
void ASTextDestroy(ASText text);  // null accepted
ASText ASTextDup(ASText text);
ASText ASTextFromUnicode(const void* text, ASUnicodeFormat format);
ASText ASTextFromSizedUnicode(const void* text, ASUnicodeFormat format, ASInt32 byteLength);
ASText ASTextFromEncoded(const char* text, ASHostEncoding encoding);
// A PDF text string: UTF-16BE after FE FF, else PDFDocEncoding.
ASText ASTextFromPDText(const char* text);
ASText ASTextFromSizedPDText(const char* text, ASInt32 length);

void ASTextSetUnicode(ASText text, const void* value, ASUnicodeFormat format);
void ASTextSetSizedUnicode(ASText text, const void* value, ASUnicodeFormat format, ASInt32 byteLength);
void ASTextSetEncoded(ASText text, const char* value, ASHostEncoding encoding);
void ASTextSetPDText(ASText text, const char* value);
void ASTextSetSizedPDText(ASText text, const char* value, ASInt32 length);
void ASTextCopy(ASText to, ASText from);
void ASTextCat(ASText to, ASText from);
void ASTextMakeEmpty(ASText text);
ASBool ASTextIsEmpty(ASText text);
ASInt32 ASTextCmp(ASText a, ASText b);

// Copies from ASmalloc, freed by the caller with ASfree. UTF-16 copies end in
// a 16-bit zero. The PD text copy is PDFDocEncoding when the text fits it, else
// FE FF and UTF-16BE; *length receives its byte count when not null.
void* ASTextGetUnicodeCopy(ASText text, ASUnicodeFormat format);
char* ASTextGetEncodedCopy(ASText text, ASHostEncoding encoding);
char* ASTextGetPDTextCopy(ASText text, ASInt32* length);
// Owned by the text, valid until the text changes.
const char* ASTextGetUTF8(ASText text);
const char* ASTextGetEncoded(ASText text, ASHostEncoding encoding);
