#include "foundation/KCabXML.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/Scratch.h"
#include "foundation/XMLReader.h"

const char* const kKCabXMLNamespace = "http://korvel.invalid/xml/cabinet/3";

namespace {

// Nested DICT elements deeper than this are not read (error flag set).
constexpr int kMaxDictDepth = 64;

struct SKCabXMLExportDesc {
  SKOpenFile* file;
  char* pending;  // the file's bytes not yet written: pieces are small, writes are not
  ASInt32 pendingLength;
  ASInt32 pendingSize;
  char* buffer;
  ASInt32 size;
  char* position;
  ASInt32 room;
  ASInt32 total;
  ASInt32 depth;
  bool failed;  // a piece did not reach the file
};

void FlushPending(SKCabXMLExportDesc* d) {
  if (d->pendingLength > 0 && KFileWriteBytes(d->file, d->pending, d->pendingLength) != d->pendingLength)
    d->failed = true;
  d->pendingLength = 0;
}

void Put(SKCabXMLExportDesc* d, const char* piece, ASInt32 length) {
  if (length <= 0) return;
  if (d->file) {
    if (length > d->pendingSize - d->pendingLength) FlushPending(d);
    if (length >= d->pendingSize) {
      if (KFileWriteBytes(d->file, piece, length) != length) d->failed = true;
    } else {
      std::memcpy(d->pending + d->pendingLength, piece, (size_t)length);
      d->pendingLength += length;
    }
  }
  d->total += length;
  if (d->buffer) {
    if (length < d->room) {
      std::memcpy(d->position, piece, (size_t)length);
      d->position[length] = 0;
      d->position += length;
      d->room -= length;
    } else {
      d->room = 0;  // this and every later piece are left out
    }
  }
}

void Put(SKCabXMLExportDesc* d, const char* piece) { Put(d, piece, (ASInt32)std::strlen(piece)); }

void PutEscaped(SKCabXMLExportDesc* d, const char* text) {
  ASInt32 len = (ASInt32)std::strlen(text);
  if (!MakeEntitiesNeeded(text, len)) {
    Put(d, text, len);
    return;
  }
  KScratch<4000> out((size_t)MakeEntitiesSizeNeeded(text, len));
  ASInt32 n = 0;
  MakeEntities(text, len, out.data(), (ASInt32)out.size(), &n);
  Put(d, out.data(), n);
}

void PutIndent(SKCabXMLExportDesc* d, ASInt32 depth) {
  static const char kBlanks[] = "                                                                ";
  while (depth > 0) {
    ASInt32 n = depth < 64 ? depth : 64;
    Put(d, kBlanks, n);
    depth -= n;
  }
}

void PutElement(SKCabXMLExportDesc* d, const char* tag, const char* key, const char* text, bool escapeText) {
  Put(d, "<");
  Put(d, tag);
  Put(d, " N='");
  PutEscaped(d, key);
  Put(d, "'>");
  if (escapeText) PutEscaped(d, text);
  else Put(d, text);
  Put(d, "</");
  Put(d, tag);
  Put(d, ">");
}

// A double as the cabinet's fixed form ("%.4f", "%.7f" below 0.01) when that
// text reads back as the same value, else in the shortest form that does:
// every double comes back exactly, however large, small or long.
void FormatDouble(double v, char* out, size_t size) {
  double a = std::fabs(v);
  int n = CLocaleSnprintf(out, size, (a > 0 && a < 0.01) ? "%.7f" : "%.4f", v);
  if (n > 0 && (size_t)n < size) {
    double back = CLocaleStrtod(out, nullptr);
    if (std::memcmp(&back, &v, sizeof v) == 0) return;
  }
  std::to_chars_result r = std::to_chars(out, out + size - 1, v);
  *r.ptr = 0;
}

void WriteItems(SKCabXMLExportDesc* d, SKCab* cab);

ASBool WriteEntry(SKCab* cab, const char* key, ASInt32 type, void* data) {
  SKCabXMLExportDesc* d = static_cast<SKCabXMLExportDesc*>(data);
  if (key[0] == '.') return 1;  // run-time values: no trace at all
  PutIndent(d, d->depth);
  char num[64];
  switch (type) {
    case kKCabTypeBool:
      PutElement(d, "B", key, KCabGetBool(cab, key, 0) ? "1" : "0", false);
      break;
    case kKCabTypeInt:
      CLocaleSnprintf(num, sizeof num, "%ld", (long)KCabGetInt(cab, key, 0));
      PutElement(d, "I", key, num, false);
      break;
    case kKCabTypeUns:
      CLocaleSnprintf(num, sizeof num, "%lu", (unsigned long)KCabGetUns(cab, key, 0));
      PutElement(d, "U", key, num, false);
      break;
    case kKCabTypeAtom:
      PutElement(d, "A", key, ASAtomGetString(KCabGetAtom(cab, key, ASAtomNull)), true);
      break;
    case kKCabTypeDouble:
      FormatDouble(KCabGetDouble(cab, key, 0.0), num, sizeof num);
      PutElement(d, "F", key, num, false);
      break;
    case kKCabTypeString:
      PutElement(d, "S", key, KCabGetString(cab, key), true);
      break;
    case kKCabTypeNull:
      PutElement(d, "NULL", key, "", false);
      break;
    case kKCabTypeCab: {
      SKCab* sub = KCabGetCab(cab, key);
      if (!sub || KCabGetBool(sub, "KRVLNoExport", 0)) break;
      Put(d, "<DICT N='");
      PutEscaped(d, key);
      Put(d, "'>");
      d->depth += 2;
      PutIndent(d, d->depth);
      Put(d, "<ITEMS>\n");
      WriteItems(d, sub);
      PutIndent(d, d->depth);
      Put(d, "</ITEMS>");
      d->depth -= 2;
      PutIndent(d, d->depth);
      Put(d, "</DICT>\n");
      break;
    }
    default:
      break;  // host text, binary and named pointers are never written
  }
  Put(d, "\n");
  return 1;
}

void WriteItems(SKCabXMLExportDesc* d, SKCab* cab) { KCabConstEnum(cab, WriteEntry, d); }

void WriteDocument(SKCabXMLExportDesc* d, SKCab* cab) {
  Put(d, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n");
  Put(d, "<RUVURAZAR xmlns=\"");
  Put(d, kKCabXMLNamespace);
  Put(d, "\">\n");
  Put(d, "<ITEMS>\n");
  if (cab) WriteItems(d, cab);
  Put(d, "</ITEMS>");
  Put(d, "\n</RUVURAZAR>\n");
}

// ---- reading ---------------------------------------------------------------

bool OnlyBlanks(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
  return *p == 0;
}

// A number with nothing but blanks after it ("0.5" is no integer, "2x" no
// number). *tooLarge (may be null) tells a whole number beyond long long.
bool ReadLong(const char* text, int base, long long* out, bool* tooLarge = nullptr) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, base);
  if (tooLarge) *tooLarge = end != text && errno == ERANGE && OnlyBlanks(end);
  if (end == text || errno == ERANGE || !OnlyBlanks(end)) return false;
  *out = v;
  return true;
}

// How a read reports the element that did not read.
struct SRead {
  ASBool* error;
  SKCabXMLReadProblem* problem;
  const char* start;  // the document's text, for line numbers (null: unknown)
  ASInt32 length;
};

// The line of at in the text from start, counted from 1; 0 when at is not
// in the text.
ASInt32 LineAt(const char* start, ASInt32 length, const char* at) {
  const std::less_equal<const char*> le;
  if (!start || !at || !le(start, at) || !le(at, start + length)) return 0;
  ASInt32 line = 1;
  for (const char* q = start; q < at; ++q)
    if (*q == '\n') ++line;
  return line;
}

void Failed(SRead* r, SXMLElement* c, const char* kind, const char* key, const char* text,
            EKCabXMLProblem reason = kKCabXMLBadElement) {
  if (r->error) *r->error = 1;
  SKCabXMLReadProblem* p = r->problem;
  if (!p || p->kind[0]) return;  // the first one is kept
  std::snprintf(p->kind, sizeof p->kind, "%s", kind);
  std::snprintf(p->key, sizeof p->key, "%s", key ? key : "");
  std::snprintf(p->text, sizeof p->text, "%s", text ? text : "");
  p->reason = reason;
  p->line = LineAt(r->start, r->length, c->raw);
}

SKCab* ReadItems(SXMLElement* items, SRead* r, int depth);

// One pass over the children of one element name. Returns false when the
// pass ended early on a bad element.
bool ReadPass(SKCab* cab, SXMLElement* items, const char* kind, SRead* r, int depth) {
  for (SXMLElement* c = XMLElementFindChildElement(items, kind, nullptr); c;
       c = XMLElementFindChildElement(items, kind, c)) {
    const char* key = XMLElementSubkeyValue(c, "N");
    bool needsText = std::strcmp(kind, "NULL") != 0 && std::strcmp(kind, "DICT") != 0;
    const char* text = needsText ? XMLElementGetText(c) : nullptr;
    if (!key || (needsText && !text)) {
      Failed(r, c, kind, key, text);
      return false;
    }
    bool ok = true;
    bool tooLarge = false;  // a whole number all the same
    if (kind[0] == 'I') {
      long long v = 0;
      bool read = ReadLong(text, 0, &v, &tooLarge);
      ok = read && v >= INT32_MIN && v <= INT32_MAX;
      tooLarge = tooLarge || (read && !ok);
      if (ok) KCabPutInt(cab, key, (ASInt32)v);
    } else if (kind[0] == 'U') {
      long long v = 0;
      const char* t = text;
      while (*t == ' ' || *t == '\t' || *t == '\n' || *t == '\r') ++t;
      bool read = *t != '-' && ReadLong(t, 10, &v, &tooLarge);
      ok = read && v >= 0 && v <= (long long)UINT32_MAX;
      tooLarge = *t != '-' && (tooLarge || (read && v > (long long)UINT32_MAX));
      if (ok) KCabPutUns(cab, key, (ASUns32)v);
    } else if (kind[0] == 'F') {
      char* end = nullptr;
      errno = 0;
      double v = CLocaleStrtod(text, &end);
      ok = end != text && !(errno == ERANGE && std::isinf(v)) && OnlyBlanks(end);
      if (ok) KCabPutDouble(cab, key, v);
    } else if (kind[0] == 'B') {
      long long v;
      ok = ReadLong(text, 10, &v);
      // A number the 16-bit boolean cannot hold keeps its truth, not its low bits.
      if (ok) KCabPutBool(cab, key, (ASBool)(v >= 0 && v <= 0xFFFF ? v : (v != 0)));
    } else if (kind[0] == 'S') {
      KCabPutStringCopy(cab, key, text);
    } else if (kind[0] == 'A') {
      KCabPutAtom(cab, key, ASAtomFromString(text));
    } else if (kind[0] == 'N') {
      KCabPutNull(cab, key);
    } else {  // DICT
      SXMLElement* sub = XMLElementFindChildElement(c, "ITEMS", nullptr);
      if (!sub || depth + 1 >= kMaxDictDepth) {
        ok = false;
      } else if (sub->type == kXMLEmptyTag) {
        KCabPutCab(cab, key, KCabNewInner());
      } else {
        SKCab* inner = ReadItems(sub, r, depth + 1);
        if (inner) KCabPutCab(cab, key, inner);
        else ok = false;
      }
    }
    if (!ok) {
      Failed(r, c, kind, key, text, tooLarge ? kKCabXMLNumberTooLarge : kKCabXMLBadElement);
      return false;
    }
  }
  return true;
}

SKCab* ReadItems(SXMLElement* items, SRead* r, int depth) {
  if (!items) return nullptr;
  SKCab* cab = KCabNewInner();
  DURING
    for (const char* kind : {"I", "U", "F", "B", "S", "A", "NULL", "DICT"}) ReadPass(cab, items, kind, r, depth);
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  return cab;
}

}  // namespace

ASBool WriteKCabToXMLKFile(SKOpenFile* file, SKCab* cab) {
  if (!file) return 0;
  KScratch<4000> pending(64 << 10);
  SKCabXMLExportDesc d{};
  d.file = file;
  d.pending = pending.data();
  d.pendingSize = (ASInt32)pending.size();
  WriteDocument(&d, cab);
  FlushPending(&d);
  return d.failed ? 0 : 1;
}

ASBool WriteKCabToXMLBuffer(char* buffer, ASInt32 size, SKCab* cab, ASInt32* needed) {
  SKCabXMLExportDesc d{};
  d.buffer = buffer;
  d.size = buffer ? (size > 0 ? size : 0) : 0;
  d.position = buffer;
  d.room = d.size;
  if (d.size > 0) buffer[0] = 0;
  if (!buffer) d.buffer = nullptr;
  WriteDocument(&d, cab);
  if (needed) *needed = d.total;
  return buffer && d.total < d.size ? 1 : 0;
}

ASInt32 KCabToXMLBufferBytesNeeded(SKCab* cab) {
  ASInt32 needed = 0;
  WriteKCabToXMLBuffer(nullptr, 0, cab, &needed);
  return needed;
}

SKCab* KCabFromXMLElement(SXMLElement* items, ASBool* error) {
  SRead r{error, nullptr, nullptr, 0};
  return ReadItems(items, &r, 0);
}

SKCab* KCabFromParsedXML(SXMLDoc* doc, ASBool* error) { return KCabFromParsedXMLWithProblem(doc, error, nullptr); }

namespace {

// Says why the document is refused (the first reason kept); false.
bool Refused(SKCabXMLReadProblem* p, EKCabXMLProblem reason, ASInt32 line, const char* found,
             const char* closer = nullptr, ASInt32 closerLine = 0) {
  if (!p || p->reason != kKCabXMLReadFine) return false;
  p->reason = reason;
  p->line = line;
  std::snprintf(p->found, sizeof p->found, "%s", found ? found : "");
  std::snprintf(p->closer, sizeof p->closer, "%s", closer ? closer : "");
  p->closerLine = closerLine;
  return false;
}

// Where a node's text begins for a person: after blanks and a byte-order mark.
ASInt32 TextBegins(const char* raw, ASInt32 length) {
  ASInt32 i = 0;
  for (;;) {
    if (i < length && (raw[i] == ' ' || raw[i] == '\t' || raw[i] == '\r' || raw[i] == '\n')) ++i;
    else if (i + 3 <= length && std::memcmp(raw + i, "\xEF\xBB\xBF", 3) == 0) i += 3;
    else return i;
  }
}

// The start of a node's text as a person reads it: up to the line's end, cut.
std::string Opening(const char* raw, ASInt32 length) {
  const ASInt32 i = TextBegins(raw, length);
  ASInt32 j = i;
  while (j < length && j - i < 60 && raw[j] != '\n' && raw[j] != '\r') ++j;
  return std::string(raw + i, (size_t)(j - i));
}

bool Blank(const SXMLElement* e) { return Opening(e->raw, e->rawLength).empty(); }

// A node that stands in the text (the reader's mark of a tag the text ended
// inside does not).
bool InText(const SXMLDoc* doc, const SXMLElement* e) {
  const std::less_equal<const char*> le;
  return le(doc->text, e->raw) && le(e->raw, doc->text + doc->length);
}

// The root element, its name and namespace: what every read needs.
bool RootAccepted(SXMLDoc* doc, SKCabXMLReadProblem* p) {
  SXMLElement* root = doc->root;
  const ASInt32 length = doc->length;
  const ASInt32 lastLine = LineAt(doc->text, length, doc->text + length);
  if (!root) {
    for (SXMLElement* e = doc->first; e; e = e->next)
      if (e->type == kXMLCharData && !Blank(e))
        return Refused(p, kKCabXMLNoElement, LineAt(doc->text, length, e->raw + TextBegins(e->raw, e->rawLength)),
                       Opening(e->raw, e->rawLength).c_str());
    return Refused(p, kKCabXMLNoElement, 0, "");
  }
  if (!InText(doc, root)) return Refused(p, kKCabXMLCutOff, lastLine, "");  // a tag the text ends inside
  const ASInt32 line = LineAt(doc->text, length, root->raw);
  if (std::strcmp(root->name, "RUVURAZAR") != 0) return Refused(p, kKCabXMLForeignRoot, line, root->name);
  char ns[sizeof SKCabXMLReadProblem::found];
  if (XMLItemFindSubkey(root, "xmlns", ns, sizeof ns) && std::strcmp(ns, kKCabXMLNamespace) != 0)
    return Refused(p, kKCabXMLForeignNamespace, line, ns);
  if (root->type != kXMLStartTag) return Refused(p, kKCabXMLNoItems, line, root->name);
  if (!root->match) return Refused(p, kKCabXMLUnclosed, line, root->name, "", lastLine);
  return true;
}

// Markup a person's text must not have: an element left open, an end tag
// that closes none, a tag or comment the text ends inside, anything but
// blanks, comments and declarations outside the root element.
bool WellFormed(SXMLDoc* doc, SKCabXMLReadProblem* p) {
  const char* text = doc->text;
  const ASInt32 length = doc->length;
  // Lines are counted only for the node refused: counting for every node
  // would make a long text quadratic.
  auto lineOf = [&](const char* at) { return LineAt(text, length, at); };
  bool inRoot = false, pastRoot = false;
  const char* after = text;  // where the text stands after the node before
  for (SXMLElement* e = doc->first; e && e->type != kXMLEndOfDocument; e = e->next) {
    const bool inText = InText(doc, e);
    const char* at = !inText ? after : e->type == kXMLCharData ? e->raw + TextBegins(e->raw, e->rawLength) : e->raw;
    if (e == doc->root) inRoot = true;
    const bool outside = !inRoot || pastRoot;
    if (!inText) return Refused(p, kKCabXMLCutOff, lineOf(at), "");
    if (e->type == kXMLStartTag && !e->match) {
      if (e->closedBy)
        return Refused(p, kKCabXMLUnclosed, lineOf(at), e->name, e->closedBy->name, lineOf(e->closedBy->raw));
      return Refused(p, kKCabXMLUnclosed, lineOf(at), e->name, "", lineOf(text + length));
    }
    if (e->type == kXMLEndTag && !e->match) return Refused(p, kKCabXMLStrayEnd, lineOf(at), e->name);
    // A comment, a section or a declaration the reader ran to the end of the text.
    const bool toTheEnd = e->raw + e->rawLength == text + length;
    if (toTheEnd && (e->type == kXMLComment || e->type == kXMLInstruction))
      return Refused(p, kKCabXMLCutOff, lineOf(at), "");
    if (outside && (e->type == kXMLStartTag || e->type == kXMLEmptyTag || (e->type == kXMLCharData && !Blank(e)))) {
      std::string found = e->type == kXMLCharData ? Opening(e->raw, e->rawLength) : "<" + std::string(e->name) + ">";
      return Refused(p, kKCabXMLOutsideRoot, lineOf(at), found.c_str());
    }
    if (e == doc->root->match) pastRoot = true;
    after = e->raw + e->rawLength;
  }
  return true;
}

bool Named(const char* name, const char* what) { return std::strcmp(name, what) == 0; }

// The kinds of entry an ITEMS element holds.
bool EntryKind(const char* name) {
  for (const char* kind : {"I", "U", "F", "B", "S", "A", "NULL", "DICT"})
    if (Named(name, kind)) return true;
  return false;
}

// What the reading of a well-formed text would pass over without a word: the
// root and a DICT hold one ITEMS, an ITEMS holds entries, an entry holds its
// text (a DICT its ITEMS). Comments and declarations may stand anywhere.
bool Shaped(SXMLDoc* doc, SKCabXMLReadProblem* p) {
  struct Open {
    SXMLElement* tag;
    bool holdsItems;  // the root or a DICT
    bool hadItems;
  };
  std::vector<Open> open{{doc->root, true, false}};
  auto lineOf = [&](const char* at) { return LineAt(doc->text, doc->length, at); };
  for (SXMLElement* e = doc->root->next; e && e != doc->root->match && e->type != kXMLEndOfDocument; e = e->next) {
    if (e->type == kXMLEndTag) {
      if (open.size() > 1) open.pop_back();
      continue;
    }
    Open& in = open.back();
    const char* within = in.tag->name;
    if (e->type == kXMLCharData) {
      if (Blank(e) || (!in.holdsItems && !Named(within, "ITEMS"))) continue;  // blanks, or a value's text
      return Refused(p, kKCabXMLStrayText, lineOf(e->raw + TextBegins(e->raw, e->rawLength)),
                     Opening(e->raw, e->rawLength).c_str(), within);
    }
    if (e->type != kXMLStartTag && e->type != kXMLEmptyTag) continue;
    const char* name = e->name;
    const bool items = Named(name, "ITEMS");
    if (!items && !EntryKind(name) && !Named(name, "RUVURAZAR"))
      return Refused(p, kKCabXMLForeignKind, lineOf(e->raw), name, within);
    if (in.holdsItems ? !items : !(Named(within, "ITEMS") && EntryKind(name)))
      return Refused(p, kKCabXMLMisplaced, lineOf(e->raw), name, within);
    if (items) {
      if (in.hadItems) return Refused(p, kKCabXMLSecondItems, lineOf(e->raw), name, within);
      in.hadItems = true;
    }
    if (e->type == kXMLStartTag) open.push_back({e, Named(name, "DICT"), false});
  }
  return true;
}

SKCab* FromParsed(SXMLDoc* doc, ASBool* error, SKCabXMLReadProblem* problem, bool wellFormed) {
  if (error) *error = 0;
  if (problem) std::memset(problem, 0, sizeof *problem);
  if (!doc) return nullptr;
  if (!RootAccepted(doc, problem)) return nullptr;
  if (wellFormed && (!WellFormed(doc, problem) || !Shaped(doc, problem))) return nullptr;
  SXMLElement* root = doc->root;
  SXMLElement* items = XMLElementFindChildElement(root, "ITEMS", nullptr);
  if (!items) {
    Refused(problem, kKCabXMLNoItems, LineAt(doc->text, doc->length, root->raw), root->name);
    return nullptr;
  }
  if (items->type == kXMLEmptyTag) return KCabNewInner();
  SRead r{error, problem, doc->text, doc->length};
  return ReadItems(items, &r, 0);
}

SKCab* FromBuffer(const char* buffer, ASInt32 length, ASBool* error, SKCabXMLReadProblem* problem,
                  bool wellFormed) {
  if (error) *error = 0;
  if (problem) std::memset(problem, 0, sizeof *problem);
  SXMLDoc* doc = NewXMLDocFromBuffer(buffer, length);
  if (!doc) return nullptr;
  SKCab* cab = nullptr;
  DURING
    ParseXMLDoc(doc);
    cab = FromParsed(doc, error, problem, wellFormed);
  HANDLER
    FreeXMLDoc(doc);
    RERAISE();
  END_HANDLER
  FreeXMLDoc(doc);
  return cab;
}

}  // namespace

SKCab* KCabFromParsedXMLWithProblem(SXMLDoc* doc, ASBool* error, SKCabXMLReadProblem* problem) {
  return FromParsed(doc, error, problem, false);
}

SKCab* KCabReadFromBuffer(const char* buffer, ASInt32 length, ASBool* error) {
  return KCabReadFromBufferWithProblem(buffer, length, error, nullptr);
}

SKCab* KCabReadFromBufferWithProblem(const char* buffer, ASInt32 length, ASBool* error,
                                     SKCabXMLReadProblem* problem) {
  return FromBuffer(buffer, length, error, problem, false);
}

SKCab* KCabReadWellFormedFromBuffer(const char* buffer, ASInt32 length, ASBool* error,
                                    SKCabXMLReadProblem* problem) {
  return FromBuffer(buffer, length, error, problem, true);
}

SKCab* KCabReadFromKFileName(const SKFileName* name, ASBool* error) {
  if (error) *error = 0;
  SKOpenFile* file = OpenKFileToRead(name);
  if (!file) return nullptr;
  ASInt64 size = KFileGetSize(file);
  if (size < 0 || size >= INT32_MAX) {  // a size that cannot be read is a failed read
    CloseAndDestroyKFile(file);
    return nullptr;
  }
  char* bytes = static_cast<char*>(UnfilteredASmalloc((ASSize_t)size + 1));
  if (!bytes) {
    CloseAndDestroyKFile(file);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  ASInt32 got = size > 0 ? KFileReadBytes(file, bytes, (ASInt32)size) : 0;
  CloseAndDestroyKFile(file);
  if (got != (ASInt32)size) {
    ASfree(bytes);
    return nullptr;
  }
  bytes[size] = 0;
  SKCab* cab = nullptr;
  DURING
    cab = KCabReadFromBuffer(bytes, (ASInt32)size, error);
  HANDLER
    ASfree(bytes);
    RERAISE();
  END_HANDLER
  ASfree(bytes);
  return cab;
}
