// Conveniences on the cabinet: numeric keys, anonymous sub-cabinets, lists of
// doubles, collections and the words of enumerations.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KCabPrivate.h"
#include "foundation/MFUtil.h"

namespace {

struct NumKey {
  char text[24];
  explicit NumKey(long n) { std::snprintf(text, sizeof text, "%ld", n); }
};

bool IsPDFWhite(char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

// Skips PDF white space; NUL counts as white space but also ends the text.
const char* SkipWhite(const char* p) {
  while (*p && IsPDFWhite(*p)) ++p;
  return p;
}

struct CollFind {
  const char* fieldKey;
  const char* fieldValue;
  SKCab* found;
  ASAtom key;
};

ASBool CollFindProc(SKCab* cab, const char* key, ASInt32 type, void* data) {
  auto* f = (CollFind*)data;
  if (type != kKCabTypeCab) return 1;
  SKCab* member = KCabGetCab(cab, key);
  const char* value = KCabGetString(member, f->fieldKey);
  if (value && !std::strcmp(value, f->fieldValue)) {
    f->found = member;
    f->key = ASAtomFromString(key);
    return 0;
  }
  return 1;
}

}  // namespace

SKCab* KCabGetCabNumKey(SKCab* cab, long n) { return KCabGetCab(cab, NumKey(n).text); }
const char* KCabGetStringNumKey(SKCab* cab, long n) { return KCabGetString(cab, NumKey(n).text); }
void KCabPutStringCopyNumKey(SKCab* cab, long n, const char* text) { KCabPutStringCopy(cab, NumKey(n).text, text); }
ASBool KCabKnownNumKey(SKCab* cab, long n) { return KCabKnown(cab, NumKey(n).text); }

ASAtom KCabPutCabAnon(SKCab* cab, SKCab* sub) {
  // The key the store used; a refused store names no entry.
  SKCabEntry* e = KCabPutCabEntry(cab, "", sub);
  return e ? e->key : ASAtomNull;
}

long KCabPutCabReturnKey(SKCab* cab, SKCab* sub) {
  SKCabEntry* e = KCabPutCabEntry(cab, "", sub);
  if (!e || !sub) return -1;
  return std::strtol(e->keyText, nullptr, 10);
}

void KCabDestroyPointerWithKfree(void* pointer) { ASfree(pointer); }

void KCabPutDoubleArray(SKCab* cab, const char* key, const double* values, ASInt32 count) {
  if (!cab) return;
  // Each value as TrimDouble writes it and one blank; any double fits.
  size_t capacity = 16 * (size_t)(count > 0 ? count : 0) + 1;
  size_t used = 0;
  char* text = (char*)ASmallocWithException(capacity);
  text[0] = 0;
  DURING
    char number[kTrimDoubleBufferSize];
    for (ASInt32 i = 0; values && i < count; ++i) {
      size_t n = std::strlen(TrimDouble(values[i], number));
      if (used + n + 2 > capacity) {
        capacity = (used + n + 2) * 2;
        text = (char*)ASreallocWithException(text, capacity);
      }
      std::memcpy(text + used, number, n);
      used += n;
      text[used++] = ' ';
      text[used] = 0;
    }
    KCabPutStringCopy(cab, key, text);
  HANDLER
    ASfree(text);
    RERAISE();
  END_HANDLER
  ASfree(text);
}

double KCabGetNumber(SKCab* cab, const char* key, double defaultValue) {
  switch (KCabGetType(cab, key)) {
    case kKCabTypeDouble:
      return KCabGetDouble(cab, key, defaultValue);
    case kKCabTypeInt:
      return KCabGetInt(cab, key, 0);
    case kKCabTypeUns:
      return KCabGetUns(cab, key, 0);
    default:
      return defaultValue;
  }
}

ASBool KCabHasNumber(SKCab* cab, const char* key) {
  ASInt32 type = KCabGetType(cab, key);
  return type == kKCabTypeDouble || type == kKCabTypeInt || type == kKCabTypeUns;
}

ASBool KCabGetDoubleArray(SKCab* cab, const char* key, double* values, ASInt32 maxCount, ASInt32* count) {
  ASInt32 n = 0;
  if (count) *count = 0;
  const char* p = KCabGetString(cab, key);
  if (!p) return 0;
  for (ASInt32 i = 0; i < maxCount; ++i) {
    p = SkipWhite(p);
    if (!*p) return 1;
    char* end = nullptr;
    errno = 0;
    double v = CLocaleStrtod(p, &end);
    if (end == p) break;
    if (errno == ERANGE) return 0;
    if (values) values[n] = v;
    ++n;
    if (count) *count = n;
    p = end;
  }
  p = SkipWhite(p);
  return *p ? 0 : 1;
}

SKCab* KCabCollGetCab(SKCab* collection, const char* fieldKey, const char* fieldValue, ASAtom* key) {
  CollFind f{fieldKey, fieldValue, nullptr, ASAtomNull};
  if (collection && fieldValue) KCabConstEnum(collection, CollFindProc, &f);
  if (key) *key = f.key;
  return f.found;
}

ASAtom KCabCollAddCab(SKCab* collection, const char* fieldKey, const char* fieldValue, SKCab* member) {
  if (!collection || !member) return ASAtomNull;
  ASAtom key = ASAtomNull;
  SKCab* old = KCabCollGetCab(collection, fieldKey, fieldValue, &key);
  KCabPutStringCopy(member, fieldKey, fieldValue);
  if (!old) return KCabPutCabAnon(collection, member);
  return KCabPutCabEntry(collection, ASAtomGetString(key), member) ? key : ASAtomNull;
}

const char* KCabEkEnumToStringTable(ASInt32 value, const SKCabEnumWord* words) {
  for (; words && words->word; ++words)
    if (words->value == value) return words->word;
  return "?";
}

ASInt32 KCabEkAtomToEnumTable(ASAtom atom, const SKCabEnumWord* words) {
  if (!words) return 0;
  // The null atom is what callers get back as KCabGetAtom's default: no word
  // names it, and the host is not asked for its text.
  const char* text = atom == ASAtomNull ? nullptr : ASAtomGetString(atom);
  for (; words->word; ++words)
    if (text && words->word[0] == text[0] && ASAtomFromString(words->word) == atom) return words->value;
  return words->value;
}

const char* KCabEkEnumToString(ASInt32 value, ...) {
  va_list args;
  va_start(args, value);
  const char* result = "?";
  for (;;) {
    ASInt32 v = va_arg(args, int);
    const char* word = va_arg(args, const char*);
    if (!word) break;
    if (v == value) {
      result = word;
      break;
    }
  }
  va_end(args);
  return result;
}

ASInt32 KCabEkAtomToEnum(ASAtom atom, ...) {
  va_list args;
  va_start(args, atom);
  const char* text = atom == ASAtomNull ? nullptr : ASAtomGetString(atom);
  ASInt32 result = 0;
  for (;;) {
    ASInt32 v = va_arg(args, int);
    const char* word = va_arg(args, const char*);
    result = v;
    if (!word) break;
    if (text && word[0] == text[0] && ASAtomFromString(word) == atom) break;
  }
  va_end(args);
  return result;
}
