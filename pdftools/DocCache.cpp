#include "pdftools/DocCache.h"

#include <cstring>
#include <initializer_list>

#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/KCosStream.h"
#include "pdftools/PDFAtoms.h"

const char* const baseFontName[kBaseFontCount + 1] = {
    "Times-Roman",    "Times-Bold",           "Times-Italic",  "Times-BoldItalic",
    "Helvetica",      "Helvetica-Bold",       "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier",        "Courier-Bold",         "Courier-Oblique",   "Courier-BoldOblique",
    "Symbol",         "ZapfDingbats",         "DefaultJapanese1",  nullptr};

namespace {

ASAtom A(const char* name) { return ASAtomFromString(name); }

bool IsDict(CosObj o) { return CosObjGetType(o) == CosDict; }

bool IsName(CosObj o, ASAtom name) { return CosObjGetType(o) == CosName && CosNameValue(o) == name; }

// [/Separation /All /DeviceCMYK f] and nothing else counts as the colour space.
bool IsAllSepsSpace(CosObj o) {
  return CosObjGetType(o) == CosArray && CosArrayLength(o) == 4 && IsName(CosArrayGet(o, 0), atom[K_Separation]);
}

CosObj CacheDict(CosDoc cosDoc) { return CosDictGetKeyString(CosDocGetRoot(cosDoc), kDocCacheKey); }

CosObj Integer(CosDoc doc, ASInt32 v) { return CosNewInteger(doc, 0, v); }
CosObj Name(CosDoc doc, const char* v) { return CosNewName(doc, 0, A(v)); }

CosObj IntegerArray(CosDoc doc, std::initializer_list<ASInt32> values) {
  CosObj array = CosNewArray(doc, 0, (ASInt32)values.size());
  ASInt32 i = 0;
  for (ASInt32 v : values) CosArrayPut(array, i++, Integer(doc, v));
  return array;
}

struct SCacheUpgrade {
  CosDoc doc;
  bool changed;
};

ASBool UpgradeFontEntry(CosObj, CosObj value, void* clientData) {
  auto* u = static_cast<SCacheUpgrade*>(clientData);
  if (!IsDict(value) || !IsName(CosDictGet(value, atom[K_Type]), atom[K_Font])) return 1;
  CosObj encoding = CosDictGet(value, atom[K_Encoding]);
  if (!IsDict(encoding)) return 1;
  CosObj base = CosDictGet(encoding, atom[K_BaseEncoding]);
  if (CosObjGetType(base) != CosName || CosObjGetType(CosDictGet(encoding, atom[K_Differences])) != CosNull) return 1;
  CosDictPut(value, atom[K_Encoding], CosNewName(u->doc, 0, CosNameValue(base)));
  u->changed = true;
  return 1;
}

ASBool AddMissingEntry(CosObj key, CosObj value, void* clientData) {
  CosObj into = *static_cast<CosObj*>(clientData);
  if (!CosDictKnown(into, CosNameValue(key))) CosDictPut(into, CosNameValue(key), CopyObjIfDirect(value));
  return 1;
}

}  // namespace

void SetCachedDocObject(CosDoc cosDoc, ASAtom key, CosObj obj) {
  CosObj cache = CacheDict(cosDoc);
  if (!IsDict(cache)) {
    cache = CosNewDict(cosDoc, 1, 3);
    CosDictPutKeyString(CosDocGetRoot(cosDoc), kDocCacheKey, cache);
  }
  CosDictPut(cache, key, obj);
}

CosObj CachedDocObject(CosDoc cosDoc, ASAtom key) {
  FixCacheEncodings(cosDoc);
  CosObj cache = CacheDict(cosDoc);
  if (!IsDict(cache)) return CosNewNull();
  return CosDictGet(cache, key);
}

ASBool FixCacheEncodings(CosDoc cosDoc) {
  InitGlobalAtomTable();
  CosObj root = CosDocGetRoot(cosDoc);
  CosObj old = CosDictGetKeyString(root, kOldDocCacheKey);
  if (!IsDict(old)) return 0;
  SCacheUpgrade u{cosDoc, false};
  CosObjEnum(old, UpgradeFontEntry, &u);
  CosObj space = CosDictGet(old, A("AllSepsColor"));
  if (IsAllSepsSpace(space)) {
    CosArrayPut(space, 3, AllSeparationFunction(cosDoc));
    u.changed = true;
  }
  if (!u.changed) return 0;
  // The old cache goes, so that the upgrade is not made again on the next
  // read; a cache already under the new key keeps its own entries.
  CosObj cache = CacheDict(cosDoc);
  if (IsDict(cache)) {
    CosObjEnum(old, AddMissingEntry, &cache);
  } else {
    CosDictPutKeyString(root, kDocCacheKey, old);
  }
  CosDictRemoveKeyString(root, kOldDocCacheKey);
  return 1;
}

CosObj AllSeparationFunction(CosDoc cosDoc) {
  InitGlobalAtomTable();
  static const char kSamples[8] = {0, 0, 0, 0, (char)0xFF, (char)0xFF, (char)0xFF, (char)0xFF};
  CosObj attributes = CosNewDict(cosDoc, 0, 5);
  DURING
    CosDictPut(attributes, atom[K_FunctionType], Integer(cosDoc, 0));
    CosDictPut(attributes, atom[K_Domain], IntegerArray(cosDoc, {0, 1}));
    CosDictPut(attributes, atom[K_Range], IntegerArray(cosDoc, {0, 1, 0, 1, 0, 1, 0, 1}));
    CosDictPut(attributes, atom[K_BitsPerSample], Integer(cosDoc, 8));
    CosDictPut(attributes, atom[K_Size], IntegerArray(cosDoc, {2}));
  HANDLER
    CosObjDestroy(attributes);
    RERAISE();
  END_HANDLER
  return KCosNewStreamFromBytes(cosDoc, kSamples, (ASInt32)sizeof kSamples, attributes);
}

CosObj AllSeparationColourSpace(CosDoc cosDoc) {
  InitGlobalAtomTable();
  ASAtom key = A("AllSepsColor");
  CosObj cached = CachedDocObject(cosDoc, key);
  if (IsAllSepsSpace(cached)) return cached;
  CosObj space = CosNewArray(cosDoc, 1, 4);
  CosArrayPut(space, 0, CosNewName(cosDoc, 0, atom[K_Separation]));
  CosArrayPut(space, 1, CosNewName(cosDoc, 0, atom[K_All]));
  CosArrayPut(space, 2, CosNewName(cosDoc, 0, atom[K_DeviceCMYK]));
  CosArrayPut(space, 3, AllSeparationFunction(cosDoc));
  SetCachedDocObject(cosDoc, key, space);
  return space;
}

CosObj BaseFontDict(CosDoc cosDoc, ASInt32 code) {
  InitGlobalAtomTable();
  if (code < 0 || code >= kBaseFontCount) ASRaise(genErrBadParm);
  if (code < kDefaultJapanese1) {
    CosObj font = CosNewDict(cosDoc, 1, 4);
    CosDictPut(font, atom[K_Type], CosNewName(cosDoc, 0, atom[K_Font]));
    CosDictPut(font, atom[K_Subtype], CosNewName(cosDoc, 0, atom[K_Type1]));
    CosDictPut(font, atom[K_Name], Name(cosDoc, baseFontName[code]));
    CosDictPut(font, atom[K_BaseFont], Name(cosDoc, baseFontName[code]));
    return font;
  }

  CosObj font = CosNewDict(cosDoc, 1, 10);
  CosObj descendant = CosNewDict(cosDoc, 1, 10);
  CosObj descriptor = CosNewDict(cosDoc, 1, 10);
  CosObj descendants = CosNewArray(cosDoc, 1, 1);

  CosDictPut(font, atom[K_Type], CosNewName(cosDoc, 0, atom[K_Font]));
  CosDictPut(font, atom[K_Subtype], CosNewName(cosDoc, 0, atom[K_Type0]));
  CosDictPut(font, atom[K_Name], Name(cosDoc, "F0"));
  CosDictPut(font, atom[K_BaseFont], Name(cosDoc, "DefaultJapaneseFont"));
  CosArrayPut(descendants, 0, descendant);
  CosDictPut(font, atom[K_DescendantFonts], descendants);
  CosDictPut(font, atom[K_Encoding], Name(cosDoc, "90ms-RKSJ-H"));

  CosDictPut(descendant, atom[K_Type], CosNewName(cosDoc, 0, atom[K_Font]));
  CosDictPut(descendant, atom[K_Subtype], CosNewName(cosDoc, 0, atom[K_CIDFontType2]));
  CosDictPut(descendant, atom[K_BaseFont], Name(cosDoc, "DefaultJapaneseFont"));
  CosDictPut(descendant, A("WinCharSet"), Integer(cosDoc, 128));
  CosDictPut(descendant, atom[K_FontDescriptor], descriptor);
  CosObj system = CosNewDict(cosDoc, 0, 3);
  CosDictPut(system, A("Registry"), CosNewString(cosDoc, 0, "Adobe", 5));
  CosDictPut(system, A("Ordering"), CosNewString(cosDoc, 0, "Japan1", 6));
  CosDictPut(system, A("Supplement"), Integer(cosDoc, 2));
  CosDictPut(descendant, A("CIDSystemInfo"), system);
  CosDictPut(descendant, A("DW"), Integer(cosDoc, 1000));
  CosDictPut(descendant, atom[K_W], IntegerArray(cosDoc, {231, 389, 500, 631, 631, 500}));

  CosDictPut(descriptor, atom[K_Type], Name(cosDoc, "FontDescriptor"));
  CosDictPut(descriptor, A("FontName"), Name(cosDoc, "DefaultJapaneseFont"));
  static const struct {
    const char* key;
    ASInt32 value;
  } kNumbers[] = {{"Flags", 39},     {"MissingWidth", 538}, {"StemV", 98},   {"StemH", 98},
                  {"ItalicAngle", 0}, {"CapHeight", 846},   {"XHeight", 592}, {"Ascent", 846},
                  {"Descent", -154}, {"Leading", 0},       {"MaxWidth", 1000}, {"AvgWidth", 538}};
  CosDictPut(descriptor, A("FontBBox"), IntegerArray(cosDoc, {-150, -154, 1100, 846}));
  for (const auto& n : kNumbers) CosDictPut(descriptor, A(n.key), Integer(cosDoc, n.value));
  static const char kPanose[12] = {1, 5, 2, 2, 6, 9, 0, 0, 0, 0, 0, 0};
  CosObj style = CosNewDict(cosDoc, 0, 1);
  CosDictPut(style, A("Panose"), CosNewString(cosDoc, 0, kPanose, sizeof kPanose));
  CosDictPut(descriptor, A("Style"), style);
  return font;
}

ASFixed BaseFontStringWidth(ASInt32 code, ASFixed size, const char* text, ASInt32 length, ASInt32 encoding) {
  if (code < 0 || code >= kBaseFontCount) return 0;
  if (code == kDefaultJapanese1) return size / 2;
  const ASInt16* table = nullptr;
  switch (encoding) {
    case kEncodingStandard: table = baseFontWidths; break;
    case kEncodingWindows: table = baseFontWidthsWindows; break;
    case kEncodingMac:
    case kEncodingMac2: table = baseFontWidthsMac; break;
    default: return 0;
  }
  if (!text) return 0;
  size_t count = length < 0 ? std::strlen(text) : (size_t)length;
  const ASInt16* row = table + (size_t)code * 256;
  ASInt64 sum = 0;
  for (size_t i = 0; i < count; ++i) sum += row[(unsigned char)text[i]];
  float points = (float)size / 65536.0f;
  double width = (double)points * (double)sum / 1000.0;
  return FloatToFixed((float)width);
}
