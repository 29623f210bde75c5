#include "pdftools/PageSizes.h"

#include <cmath>
#include <cstring>
#include <string>

#include "pdftools/PageTemplate.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "pdftools/DateStamp.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/PageUnits.h"

SKCab* gSystemDefaultPageSizeCollection = nullptr;

namespace {

constexpr const char* kSetting = "pagesize";
constexpr const char* kSizesKey = "Sizes";
constexpr double kPointsPerInch = 72.0;
constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kTolerance = 0.001;  // points
constexpr size_t kTextSize = 1000;    // texts hold 999 bytes
constexpr ASInt32 kFewSheets = 30000;  // below this the feedback names the number of sheets

const SKCabEnumWord kTypeWords[] = {{kPageSizeBlank, "Blank"}, {kPageSizeBackground, "Background"}, {0, nullptr}};

SKCabPersist* gPersist = nullptr;

void PutOut(const std::string& text, char* buffer, int size) {
  if (size > 0) CopyCutUTF8(buffer, (size_t)size, text.c_str());
}

const char* NameOf(SKCab* cab) { return cab ? KCabGetString(cab, "Name") : nullptr; }
bool HasName(SKCab* cab) {
  const char* n = NameOf(cab);
  return n && *n;
}
bool IsSystem(SKCab* cab) { return KCabGetBool(cab, "System", 0) != 0; }

ASInt32 From(SKCab* cab) { return KCabGetInt(cab, "From", 0); }
ASInt32 To(SKCab* cab) { return KCabGetInt(cab, "To", 0); }
ASInt64 Repeat(SKCab* cab) {
  return KCabGetType(cab, "Repeat") == kKCabTypeInt ? KCabGetInt(cab, "Repeat", 0) : (ASInt64)To(cab) - From(cab) + 1;
}

SKCab* NewEntry(const char* name, const char* type, ASBool markAnonymous) {
  SKCab* cab = KCabNewInner();
  DURING
    KCabPutAtom(cab, "Type", ASAtomFromString(type));
    if (name && *name) KCabPutStringCopy(cab, "Name", name);
    else if (markAnonymous) KCabPutBool(cab, "KRVLNoExport", 1);
    char stamp[50];
    KCabPutStringCopy(cab, "Created", GetAcrobatTimeStamp(stamp, sizeof stamp));
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  return cab;
}

// Every sub-cabinet entry of a collection in key order; the callback must not
// change the collection.
template <class F>
void ForEachEntry(SKCab* collection, F&& f) {
  if (!collection) return;
  KCabConstEnum(
      collection,
      [](SKCab* c, const char* key, ASInt32 type, void* data) -> ASBool {
        if (type == kKCabTypeCab) (*static_cast<F*>(data))(KCabGetCab(c, key), key);
        return 1;
      },
      &f);
}

// The last entry that matches, and its key.
template <class F>
SKCab* FindLast(SKCab* collection, ASAtom* key, F&& match) {
  SKCab* found = nullptr;
  ASAtom foundKey = ASAtomNull;
  ForEachEntry(collection, [&](SKCab* entry, const char* k) {
    if (match(entry)) {
      found = entry;
      foundKey = ASAtomFromString(k);
    }
  });
  if (key) *key = foundKey;
  return found;
}

bool NameIs(SKCab* entry, const char* name) {
  const char* n = NameOf(entry);
  return n && name && std::strcmp(n, name) == 0;
}

bool SameBlank(SKCab* a, SKCab* b, bool swapped) {
  double aw = KCabGetNumber(a, "Width", 0), ah = KCabGetNumber(a, "Height", 0);
  double bw = KCabGetNumber(b, swapped ? "Height" : "Width", 0);
  double bh = KCabGetNumber(b, swapped ? "Width" : "Height", 0);
  return std::fabs(aw - bw) < kTolerance && std::fabs(ah - bh) < kTolerance;
}

bool SameBackground(SKCab* a, SKCab* b) {
  if (From(a) != From(b) || To(a) != To(b) || Repeat(a) != Repeat(b)) return false;
  const char* pa = KCabGetString(a, "DIPath");
  const char* pb = KCabGetString(b, "DIPath");
  if (!pa || !pb) return !pa && !pb;
  return std::strcmp(pa, pb) == 0;
}

bool ContentsEqual(SKCab* a, SKCab* b, bool swapped) {
  if (!a || !b) return false;
  if (PageSizeCabIsBackground(a)) return PageSizeCabIsBackground(b) && SameBackground(a, b);
  return PageSizeCabIsBlankPage(b) && SameBlank(a, b, swapped);
}

std::string SizeText(ASFixed width, ASFixed height) {
  char text[kPageSizeTextSize];
  return FormatPageSize2(text, width, height, (ASInt32)CurrentUnits());
}

std::string BlankSizeText(SKCab* cab) {
  return SizeText(FloatToFixed((float)KCabGetNumber(cab, "Width", 0)),
                  FloatToFixed((float)KCabGetNumber(cab, "Height", 0)));
}

// The text after the last separator of any platform.
const char* LeafName(const char* path) {
  const char* leaf = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\' || *p == ':') leaf = p + 1;
  return leaf;
}

template <class... Args>
std::string Formatted(const char* key, const char* fallback, const char* signature, Args... args) {
  char text[kTextSize];
  FormatMessageByKeyUTF8(nullptr, key, fallback, text, sizeof text, signature, args...);
  return text;
}

std::string ShortText(SKCab* cab) {
  if (PageSizeCabIsBlankPage(cab)) {
    std::string size = BlankSizeText(cab);
    if (!HasName(cab)) return size;
    std::string name = NameOf(cab);
    CutUTF8(name, 899);
    return Formatted("uicustsz.pagenameandsize", "%s (%s)", "ss", name.c_str(), size.c_str());
  }
  if (HasName(cab)) return NameOf(cab);
  const char* path = KCabGetString(cab, "DIPath");
  if (!path || !*path) return "Missing filename!";
  std::string text = LeafName(path);
  text += Formatted("uicustsz.shortpage", ", page %d", "d", (int)From(cab) + 1);
  if (To(cab) != From(cab)) text += Formatted("uicustsz.shortpageto", " to %d", "d", (int)To(cab) + 1);
  return text;
}

std::string LongText(SKCab* cab) {
  if (PageSizeCabIsBlankPage(cab))
    return Formatted("uicustsz.blanksheets", "Blank sheets of %s", "s", BlankSizeText(cab).c_str());
  const char* path = KCabGetString(cab, "DIPath");
  if (!path || !*path) return "Missing filename!";
  int first = From(cab) + 1, last = To(cab) + 1;
  ASInt64 repeat = Repeat(cab);
  std::string tail;
  if (repeat == 0)
    tail = Formatted("uicustsz.pagesonce", ", pages %d to %d, once", "dd", first, last);
  else if (repeat == (ASInt64)To(cab) - From(cab) + 1)
    tail = Formatted("uicustsz.pagesrepeated", ", pages %d to %d, repeated", "dd", first, last);
  else
    tail = Formatted("uicustsz.pagesrepeatlastn", ", pages %d to %d, repeating the last %d", "ddd", first, last,
                     (int)repeat);
  // The path gives way first so that the range stays readable.
  std::string text = Msg("uicustsz.backgroundsfrom");
  CutUTF8(text, kTextSize - 1);
  std::string shownPath = path;
  size_t room = kTextSize - 1 - text.size();
  CutUTF8(shownPath, room > tail.size() ? room - tail.size() : 0);
  text += shownPath;
  CutUTF8(tail, kTextSize - 1 - text.size());
  return text + tail;
}

std::string FeedbackText(SKCab* cab) {
  if (!PageSizeCabIsBackground(cab)) return "";
  STemplateInfo templ{};
  // The path as it is, of any length: the template opens it by itself.
  TemplateInfoSetPath(&templ, KCabGetString(cab, "DIPath"));
  templ.from = From(cab);
  templ.to = To(cab);
  ASInt64 repeat = Repeat(cab);
  templ.repeat = repeat < 0 ? 0 : repeat > 0x7FFFFFFF ? 0x7FFFFFFF : (ASInt32)repeat;
  std::string text;
  DURING
    text = Msg(TemplateAllSameSize(&templ, 0) ? "uicustsz.pagessize" : "uicustsz.firstpagesize");
    ASFixedPoint size = TemplatePageSize(&templ, 0, 0);
    if (size.h == 0) {
      text = Msg("uicustsz.dontknow");
    } else {
      text += SizeText(size.h, size.v);
      if (size.h < size.v) text += Msg("uicustsz.tall");
      else if (size.h > size.v) text += Msg("uicustsz.wide");
      ASInt32 sheets = TemplateMaxPages(&templ);
      if (sheets < kFewSheets)
        text += Formatted("uicustsz.maxsheets", ", at most %d %s", "ds", (int)sheets,
                          Msg(sheets == 1 ? "uicustsz.maxsheetssingle" : "uicustsz.maxsheetsplural"));
    }
  HANDLER
    text = Msg("uicustsz.dontknow");
  END_HANDLER
  return text;
}

// The standard sizes: the ISO ones in whole millimetres as the standards give
// them, the North American ones in points.
struct SStandardSize {
  const char* name;  // lower case, without blanks
  double width;
  double height;
  bool mm;
};
const SStandardSize kStandardSizes[] = {
    {"a0", 841, 1189, true},     {"a1", 594, 841, true},      {"a2", 420, 594, true},
    {"a3", 297, 420, true},      {"a4", 210, 297, true},      {"a5", 148, 210, true},
    {"a6", 105, 148, true},      {"a7", 74, 105, true},       {"a8", 52, 74, true},
    {"a9", 37, 52, true},        {"a10", 26, 37, true},       {"b0", 1000, 1414, true},
    {"b1", 707, 1000, true},     {"b2", 500, 707, true},      {"b3", 353, 500, true},
    {"b4", 250, 353, true},      {"b5", 176, 250, true},      {"b6", 125, 176, true},
    {"b7", 88, 125, true},       {"b8", 62, 88, true},        {"b9", 44, 62, true},
    {"b10", 31, 44, true},       {"c0", 917, 1297, true},     {"c1", 648, 917, true},
    {"c2", 458, 648, true},      {"c3", 324, 458, true},      {"c4", 229, 324, true},
    {"c5", 162, 229, true},      {"c6", 114, 162, true},      {"c7", 81, 114, true},
    {"c8", 57, 81, true},        {"c9", 40, 57, true},        {"c10", 28, 40, true},
    {"ra0", 860, 1220, true},    {"ra1", 610, 860, true},     {"ra2", 430, 610, true},
    {"ra3", 305, 430, true},     {"ra4", 215, 305, true},     {"sra0", 900, 1280, true},
    {"sra1", 640, 900, true},    {"sra2", 450, 640, true},    {"sra3", 320, 450, true},
    {"sra4", 225, 320, true},    {"letter", 612, 792, false}, {"legal", 612, 1008, false},
    {"tabloid", 792, 1224, false}, {"ledger", 1224, 792, false}, {"executive", 522, 756, false},
    {"statement", 396, 612, false}, {"halfletter", 396, 612, false},
};

// The name as the table holds names: lower case, blanks left out.
std::string StandardKey(const char* name) {
  std::string key;
  for (const char* p = name; *p; ++p) {
    const char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    key += c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
  }
  return key;
}

}  // namespace

// ---- Standard sizes

ASBool PageSizeFromStandardName(const char* name, double* width, double* height) {
  if (!name) return 0;
  const std::string key = StandardKey(name);
  for (const SStandardSize& s : kStandardSizes) {
    if (key != s.name) continue;
    const double scale = s.mm ? kPointsPerMm : 1.0;
    if (width) *width = s.width * scale;
    if (height) *height = s.height * scale;
    return 1;
  }
  return 0;
}

const char* PageSizeStandardNamesText() {
  return "A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, Letter, Legal, Tabloid, Ledger, Executive, Statement, "
         "Half letter";
}

// ---- Entries

SKCab* NewPageSizeCabBlankPoints(const char* name, double width, double height, ASBool markAnonymous) {
  SKCab* cab = NewEntry(name, "Blank", markAnonymous);
  DURING
    KCabPutDouble(cab, "Width", width);
    KCabPutDouble(cab, "Height", height);
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  return cab;
}

SKCab* NewPageSizeCabBlankInches(const char* name, double width, double height, ASBool markAnonymous) {
  return NewPageSizeCabBlankPoints(name, width * kPointsPerInch, height * kPointsPerInch, markAnonymous);
}

SKCab* NewPageSizeCabBlankMm(const char* name, double width, double height, ASBool markAnonymous) {
  return NewPageSizeCabBlankPoints(name, width * kPointsPerMm, height * kPointsPerMm, markAnonymous);
}

SKCab* NewPageSizeBackground(const char* name, const char* diPath, long from, long to, long repeat,
                             ASBool markAnonymous) {
  SKCab* cab = NewEntry(name, "Background", markAnonymous);
  DURING
    KCabPutStringCopy(cab, "DIPath", diPath);
    KCabPutInt(cab, "From", (ASInt32)from);
    KCabPutInt(cab, "To", (ASInt32)to);
    KCabPutInt(cab, "Repeat", (ASInt32)repeat);
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  return cab;
}

void PageSizeCabSetNoSave(SKCab* cab, ASBool on) {
  if (!cab) return;
  if (on) KCabPutBool(cab, "KRVLNoExport", 1);
  else KCabRemove(cab, "KRVLNoExport");
}

ASInt32 PageSizeCabGetType(SKCab* cab) {
  if (!cab) return -1;
  return KCabEkAtomToEnumTable(KCabGetAtom(cab, "Type", ASAtomNull), kTypeWords);
}

ASBool PageSizeCabIsBlankPage(SKCab* cab) { return PageSizeCabGetType(cab) == kPageSizeBlank; }

ASBool PageSizeCabGetBlankSize(SKCab* cab, double* width, double* height) {
  if (!PageSizeCabIsBlankPage(cab) || !KCabHasNumber(cab, "Width") || !KCabHasNumber(cab, "Height")) return 0;
  if (width) *width = KCabGetNumber(cab, "Width", 0);
  if (height) *height = KCabGetNumber(cab, "Height", 0);
  return 1;
}
ASBool PageSizeCabIsBackground(SKCab* cab) { return PageSizeCabGetType(cab) == kPageSizeBackground; }
const char* PageSizeCabGetName(SKCab* cab) { return NameOf(cab); }
ASBool PageSizeCabIsAnon(SKCab* cab) { return !HasName(cab); }

ASBool PageSizeCabNameEqual(SKCab* a, SKCab* b) { return a && b && HasName(a) && NameIs(b, NameOf(a)); }

ASBool PageSizeCabContentsEqual(SKCab* a, SKCab* b) { return ContentsEqual(a, b, false); }
ASBool PageSizeCabContentsEqualSwapped(SKCab* a, SKCab* b) { return ContentsEqual(a, b, true); }

// ---- Collections

SKCab* PageSizeCollectionFindCabByName(SKCab* collection, const char* name, ASAtom* key) {
  return FindLast(collection, key, [&](SKCab* e) { return NameIs(e, name); });
}

SKCab* PageSizeCollectionFindByContents(SKCab* collection, SKCab* sample, ASBool anonymousOnly, ASAtom* key) {
  return FindLast(collection, key, [&](SKCab* e) {
    return (!anonymousOnly || !HasName(e)) && PageSizeCabContentsEqual(e, sample);
  });
}

ASBool PageSizeCollectionNameIsSystem(SKCab* collection, const char* name) {
  if (!name) return 0;
  SKCab* entry = PageSizeCollectionFindCabByName(collection, name, nullptr);
  return entry && IsSystem(entry);
}

ASBool PageSizeCollectionAddOrReplace(SKCab* collection, SKCab* cab) {
  if (!collection || !cab) return 0;
  ASAtom parentKey;
  if (KCabParentKey(cab, &parentKey)) return 0;  // it belongs to another cabinet: taking it would fail
  if (HasName(cab)) {
    ASAtom key;
    if (SKCab* old = PageSizeCollectionFindCabByName(collection, NameOf(cab), &key)) {
      if (IsSystem(old)) return 0;
      KCabRemove(collection, ASAtomGetString(key));
    }
  }
  KCabPutCabAnon(collection, cab);
  return 1;
}

ASBool PageSizeCollectionDeleteByName(SKCab* collection, const char* name) {
  ASAtom key;
  SKCab* entry = FindLast(collection, &key, [&](SKCab* e) { return NameIs(e, name) && !IsSystem(e); });
  if (!entry) return 0;
  KCabRemove(collection, ASAtomGetString(key));
  return 1;
}

ASBool PageSizeCollectionDeleteAnonByContents(SKCab* collection, SKCab* sample) {
  ASAtom key;
  SKCab* entry = FindLast(collection, &key, [&](SKCab* e) {
    return !HasName(e) && !IsSystem(e) && PageSizeCabContentsEqual(e, sample);
  });
  if (!entry) return 0;
  KCabRemove(collection, ASAtomGetString(key));
  return 1;
}

void PageSizeCollAppendAsSystem(SKCab* source, SKCab* target) {
  if (!source || !target || source == target) return;
  ForEachEntry(source, [&](SKCab* entry, const char*) {
    if (!HasName(entry) || PageSizeCollectionFindCabByName(target, NameOf(entry), nullptr)) return;
    SKCab* copy = KCabDup(entry);
    KCabPutBool(copy, "System", 1);
    KCabPutCabAnon(target, copy);
  });
}

void PageSizeCollCopyNamedNonSystem(SKCab* source, SKCab* target) {
  if (!source || !target || source == target) return;
  ForEachEntry(source, [&](SKCab* entry, const char*) {
    if (HasName(entry) && !IsSystem(entry)) KCabPutCabAnon(target, KCabDup(entry));
  });
}

void PageSizeCollectionAddBuiltin(SKCab* collection, SKCab* cab) {
  KCabPutBool(cab, "System", 1);
  KCabPutCabAnon(collection, cab);
}

SKCab* NewPageSizeCollectionDefault() {
  SKCab* collection = KCabNewInner();
  DURING
    const bool large = SupportsAcrobat4PageSizes();
    if (large) PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankInches("Acrobat 3.0 Maximum", 45, 45, 0));
    double maximum = large ? 200 : 45;
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankInches("Maximum", maximum, maximum, 0));
    PageSizeCollectionAddBuiltin(collection,
                                 NewPageSizeCabBlankInches(Msg("uicustsz.sizeelevenbyseventeen"), 11, 17, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankInches(Msg("uicustsz.sizeuslegal"), 8.5, 14, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankInches(Msg("uicustsz.sizehalfusletter"), 5.5, 8.5, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankInches(Msg("uicustsz.sizeusletter"), 8.5, 11, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankMm("a5", 148, 210, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankMm("a4", 210, 297, 0));
    PageSizeCollectionAddBuiltin(collection, NewPageSizeCabBlankMm("a3", 297, 420, 0));
  HANDLER
    KCabDestroy(collection);
    RERAISE();
  END_HANDLER
  return collection;
}

// ---- The plug-in's collection

SKCabPersist* PageSizePersist() {
  if (!gPersist) {
    SKCabPersist* p = NewKCabPersist(kSetting);
    DURING
      KCabPersistSetWriteableDirectory(p);
      KCabPersistSetAutoCommitMode(p, 1);
    HANDLER
      DestroyKCabPersist(p, 0);
      RERAISE();
    END_HANDLER
    gPersist = p;
  }
  return gPersist;
}

SKCab* GetSystemDefaultPageSizeCollection() {
  if (gSystemDefaultPageSizeCollection) return gSystemDefaultPageSizeCollection;
  SKCab* user = nullptr;
  SKCab* xtra = nullptr;
  SKCab* sys = nullptr;
  DURING
    user = KCabPersistGetCabRead(PageSizePersist(), kSizesKey);
    xtra = ReadKCabFromXMLDirectorySearch("pagesize.xtra", kSizesKey);
    sys = ReadKCabFromXMLDirectorySearch("pagesize.sys", kSizesKey);
    if (!user) user = KCabNewInner();
    // Appending skips names already there: a size the user saved under a
    // system name keeps that name.
    PageSizeCollAppendAsSystem(xtra, user);
    if (!sys) sys = NewPageSizeCollectionDefault();
    PageSizeCollAppendAsSystem(sys, user);
  HANDLER
    if (user) KCabDestroy(user);
    if (xtra) KCabDestroy(xtra);
    if (sys) KCabDestroy(sys);
    RERAISE();
  END_HANDLER
  if (xtra) KCabDestroy(xtra);
  KCabDestroy(sys);
  gSystemDefaultPageSizeCollection = user;
  return user;
}

void SaveSystemDefaultPageSizeCollection() {
  if (!gSystemDefaultPageSizeCollection) return;
  SKCabPersist* p = PageSizePersist();
  SKCab* sizes = KCabPersistStartCabWrite(p, kSizesKey);
  DURING
    KCabPersistMakeWritableEmpty(sizes);
    PageSizeCollCopyNamedNonSystem(gSystemDefaultPageSizeCollection, sizes);
  HANDLER
    KCabPersistEndDiscardCabWrite(p, kSizesKey, sizes);
    RERAISE();
  END_HANDLER
  KCabPersistEndStoreCabWrite(p, kSizesKey, sizes);
}

void PageSizeCollectionTerm() {
  if (gSystemDefaultPageSizeCollection) KCabDestroy(gSystemDefaultPageSizeCollection);
  gSystemDefaultPageSizeCollection = nullptr;
  if (gPersist) DestroyKCabPersist(gPersist, 0);
  gPersist = nullptr;
}

// ---- Texts

void PageSizeCabShortFormat(SKCab* cab, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  std::string text = cab ? ShortText(cab) : std::string();
  CutUTF8(text, kTextSize - 1);
  PutOut(text, buffer, size);
}

void PageSizeCabLongFormat(SKCab* cab, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  PutOut(cab ? LongText(cab) : std::string(), buffer, size);
}

void PageSizeCabFeedbackFormat(SKCab* cab, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  std::string text = cab ? FeedbackText(cab) : std::string();
  CutUTF8(text, kTextSize - 1);
  PutOut(text, buffer, size);
}
