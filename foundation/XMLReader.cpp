#include "foundation/XMLReader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "foundation/MFUtil.h"
#include "foundation/Scratch.h"
#include "foundation/TextConv.h"

namespace {

bool IsXMLSpace(char c) { return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' '; }

char* CopyText(const char* s, ASInt32 n) {
  char* p = static_cast<char*>(ASmallocWithException((ASSize_t)n + 1));
  if (n) std::memcpy(p, s, (size_t)n);
  p[n] = 0;
  return p;
}

SXMLElement* Append(SXMLDoc* doc, EXMLNodeType type, const char* raw, ASInt32 rawLength) {
  SXMLElement* e = static_cast<SXMLElement*>(ASmallocWithException(sizeof(SXMLElement)));
  std::memset(e, 0, sizeof *e);
  e->type = type;
  e->raw = raw;
  e->rawLength = rawLength;
  if (doc->last) doc->last->next = e;
  else doc->first = e;
  doc->last = e;
  if (type != kXMLCharData && type != kXMLEndOfDocument) {
    ASInt32 n = 0;
    while (n < rawLength && !IsXMLSpace(raw[n])) ++n;
    e->name = CopyText(raw, n);
  }
  if (!doc->root && (type == kXMLStartTag || type == kXMLEmptyTag)) doc->root = e;
  return e;
}

// Index of `what` at or after `from`, accepted by `ok`, or -1.
template <class Ok>
ASInt32 FindFrom(const char* t, ASInt32 len, ASInt32 from, const char* what, Ok ok) {
  ASInt32 w = (ASInt32)std::strlen(what);
  for (ASInt32 i = from; i + w <= len; ++i)
    if (std::memcmp(t + i, what, (size_t)w) == 0 && ok(i)) return i;
  return -1;
}

bool StartsWith(const char* t, ASInt32 len, ASInt32 at, const char* what) {
  ASInt32 w = (ASInt32)std::strlen(what);
  return at + w <= len && std::memcmp(t + at, what, (size_t)w) == 0;
}

// The first '>' at or after `from` outside quotes (and, with brackets, outside
// nested square brackets), or -1.
ASInt32 FindTagEnd(const char* t, ASInt32 len, ASInt32 from, bool brackets) {
  char quote = 0;
  int depth = 0;
  for (ASInt32 i = from; i < len; ++i) {
    char c = t[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (brackets && c == '[') {
      ++depth;
    } else if (brackets && c == ']' && depth > 0) {
      --depth;
    } else if (c == '>' && depth == 0) {
      return i;
    }
  }
  return -1;
}

// ---- entities ---------------------------------------------------------------

struct NamedEntity {
  const char* name;
  char ch;
};
const NamedEntity kEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"apos", '\''}, {"quot", '"'}};

// Walks text expanding entities; put(bytes, n, isEntity) returns false when
// the output is full. Returns true when every entity was known and everything fitted.
template <class Put>
bool WalkEntities(const char* text, ASInt32 length, Put put) {
  bool ok = true;
  ASInt32 i = 0;
  while (i < length) {
    if (text[i] != '&') {
      ASInt32 j = i;
      while (j < length && text[j] != '&') ++j;
      if (!put(text + i, j - i, false)) return false;
      i = j;
      continue;
    }
    ASInt32 semi = -1;
    for (ASInt32 k = i + 1; k < length && k - i <= 99; ++k)
      if (text[k] == ';') {
        semi = k;
        break;
      }
    if (semi < 0) return false;  // too long, or never closed
    char entity[101];
    ASInt32 n = semi - i;
    std::memcpy(entity, text + i, (size_t)n);
    entity[n] = 0;
    char out[8];
    ASInt32 outLen = 0;
    for (const NamedEntity& e : kEntities)
      if (std::strcmp(entity + 1, e.name) == 0) {
        out[0] = e.ch;
        outLen = 1;
      }
    ASUns32 cp;
    if (!outLen && entity[1] == '#' && HandleNumber(entity, &cp)) outLen = UnicodeOrdinalToUTF8(cp, out);
    if (!outLen) {
      out[0] = '?';
      outLen = 1;
      ok = false;
    }
    if (!put(out, outLen, true)) return false;
    i = semi + 1;
  }
  return ok;
}

char* ExpandToNew(const char* text, ASInt32 length) {
  ASInt32 need = ExpandEntitiesSizeNeeded(text, length);
  char* out = static_cast<char*>(ASmallocWithException((ASSize_t)need + 1));
  ASInt32 n = 0;
  ExpandEntities(text, length, out, need, &n);
  out[n] = 0;
  return out;
}

void FreeAttributes(SXMLKeyValueListItem* item) {
  while (item) {
    SXMLKeyValueListItem* next = item->next;
    ASfree(item);
    item = next;
  }
}

// Visits the attributes of a tag's text in order: visit(key, keyLength,
// value, valueLength, quoted) gets the value as written, without its quotes.
// Either quote is taken, so that the same value reads the same whichever the
// writer chose. An unquoted value runs to the next blank; text that is no
// attribute (a key without "=") ends the scan.
template <class Visit>
void ScanAttributes(const SXMLElement* e, Visit visit) {
  const char* t = e->raw;
  ASInt32 n = e->rawLength, i = 0;
  while (i < n && !IsXMLSpace(t[i])) ++i;  // the name
  for (;;) {
    while (i < n && IsXMLSpace(t[i])) ++i;
    if (i >= n) return;
    ASInt32 keyStart = i;
    while (i < n && !IsXMLSpace(t[i]) && t[i] != '=') ++i;
    ASInt32 keyEnd = i;
    while (i < n && IsXMLSpace(t[i])) ++i;
    if (i >= n || t[i] != '=') return;
    ++i;
    while (i < n && IsXMLSpace(t[i])) ++i;
    if (i >= n) return;
    const bool quoted = t[i] == '"' || t[i] == '\'';
    ASInt32 valueStart, valueEnd;
    if (quoted) {
      char q = t[i++];
      valueStart = i;
      while (i < n && t[i] != q) ++i;
      valueEnd = i;
      if (i < n) ++i;
    } else {
      valueStart = i;
      while (i < n && !IsXMLSpace(t[i])) ++i;
      valueEnd = i;
    }
    if (!visit(t + keyStart, keyEnd - keyStart, t + valueStart, valueEnd - valueStart, quoted)) return;
  }
}

void ReadAttributes(SXMLElement* e) {
  ScanAttributes(e, [e](const char* key, ASInt32 kl, const char* v, ASInt32 vl, bool quoted) {
    if (!quoted) return true;  // an unquoted value is passed over
    if (std::memchr(v, '&', (size_t)vl)) {
      char* expanded = ExpandToNew(v, vl);
      DURING
        XMLKeyValueListItemCreate(key, expanded, kl, -1, &e->attributes);
      HANDLER
        ASfree(expanded);
        RERAISE();
      END_HANDLER
      ASfree(expanded);
    } else {
      XMLKeyValueListItemCreate(key, v, kl, vl, &e->attributes);
    }
    return true;
  });
}

// Pairs start and end tags in one pass. An end tag closes the innermost open
// start tag of its name, and every tag left open inside it; an end tag whose
// name is not open is ignored. Walking the chain of open tags for each end tag
// would make a run of unmatched end tags quadratic, so every name gets a number
// and the stack position of its innermost open tag.
void PairTags(SXMLDoc* doc) {
  size_t starts = 0;
  for (SXMLElement* e = doc->first; e; e = e->next)
    if (e->type == kXMLStartTag) ++starts;
  if (!starts) return;
  size_t capacity = 16;
  while (capacity < 2 * starts) capacity *= 2;
  struct Slot {
    const char* name;  // null: free
    size_t id;
  };
  struct Open {
    SXMLElement* tag;
    size_t id;
    size_t outerSameName;  // stack position of the next open tag of that name, or kNone
  };
  constexpr size_t kNone = ~(size_t)0;
  KScratch<1024> slotBlock(capacity * sizeof(Slot));
  KScratch<1024> innermostBlock(starts * sizeof(size_t));
  KScratch<1024> stackBlock(starts * sizeof(Open));
  Slot* slots = reinterpret_cast<Slot*>(slotBlock.data());
  size_t* innermost = reinterpret_cast<size_t*>(innermostBlock.data());
  Open* stack = reinterpret_cast<Open*>(stackBlock.data());
  for (size_t i = 0; i < capacity; ++i) slots[i] = Slot{nullptr, 0};
  size_t names = 0, depth = 0;
  // The slot of a name: its own, or the free one where it belongs.
  auto slotOf = [&](const char* name) -> Slot* {
    size_t h = 14695981039346656037ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
      h = (h ^ *p) * 1099511628211ull;
    for (size_t i = h & (capacity - 1);; i = (i + 1) & (capacity - 1))
      if (!slots[i].name || std::strcmp(slots[i].name, name) == 0) return &slots[i];
  };
  for (SXMLElement* e = doc->first; e; e = e->next) {
    if (e->type == kXMLStartTag) {
      Slot* slot = slotOf(e->name);
      if (!slot->name) {
        *slot = Slot{e->name, names};
        innermost[names++] = kNone;
      }
      e->enclosing = depth ? stack[depth - 1].tag : nullptr;
      stack[depth] = Open{e, slot->id, innermost[slot->id]};
      innermost[slot->id] = depth++;
    } else if (e->type == kXMLEndTag) {
      Slot* slot = slotOf(e->name);
      if (!slot->name || innermost[slot->id] == kNone) continue;
      size_t at = innermost[slot->id];
      SXMLElement* s = stack[at].tag;
      s->match = e;
      e->match = s;
      while (depth > at) {
        --depth;
        innermost[stack[depth].id] = stack[depth].outerSameName;
        if (depth > at) stack[depth].tag->closedBy = e;
      }
    }
  }
}

}  // namespace

SXMLDoc* NewXMLDocFromBuffer(const char* bytes, ASInt32 length) {
  if (!bytes) return nullptr;
  if (length < 0) length = (ASInt32)std::strlen(bytes);
  SXMLDoc* doc = static_cast<SXMLDoc*>(ASmallocWithException(sizeof(SXMLDoc)));
  std::memset(doc, 0, sizeof *doc);
  const unsigned char* u = reinterpret_cast<const unsigned char*>(bytes);
  DURING
    if (length >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
      ASInt32 need = UTF16ToUTF8BytesNeeded(bytes, length);
      doc->text = static_cast<char*>(ASmallocWithException((ASSize_t)need + 1));
      doc->ownsText = 1;
      doc->length = UTF16ToUTF8(bytes, doc->text, length, need);
      doc->text[doc->length] = 0;
    } else if (!ValidUTF8String(bytes, length)) {
      doc->text = CopyText(bytes, length);
      doc->ownsText = 1;
      doc->length = length;
      RecoverBadUTF8String(doc->text, &doc->length, '?');
      doc->text[doc->length] = 0;
    } else {
      doc->text = const_cast<char*>(bytes);  // read only: never written while not owned
      doc->length = length;
    }
  HANDLER
    FreeXMLDoc(doc);
    RERAISE();
  END_HANDLER
  return doc;
}

SXMLDoc* NewXMLDocFromFile(const char* path) {
  ASInt32 length = 0;
  char* bytes = GetFileAsBuffer(path, &length);
  if (!bytes) return nullptr;
  SXMLDoc* doc = nullptr;
  DURING
    doc = NewXMLDocFromBuffer(bytes, length);
  HANDLER
    ASfree(bytes);
    RERAISE();
  END_HANDLER
  if (!doc->ownsText) {
    doc->ownsText = 1;  // the file's block is the document's to free
  } else {
    ASfree(bytes);
  }
  return doc;
}

ASBool ParseXMLDoc(SXMLDoc* doc) {
  if (!doc || doc->first) return 1;
  const char* t = doc->text;
  const ASInt32 len = doc->length;
  ASInt32 pos = 0;
  for (;;) {
    if (pos >= len) {
      Append(doc, kXMLEndOfDocument, t + len, 0);
      break;
    }
    if (t[pos] != '<') {
      ASInt32 end = pos;
      while (end < len && t[end] != '<') ++end;
      Append(doc, kXMLCharData, t + pos, end - pos);
      pos = end;
    } else if (StartsWith(t, len, pos, "<!--")) {
      ASInt32 from = pos + 4;
      ASInt32 end = FindFrom(t, len, from, "-->", [&](ASInt32 k) { return k == from || t[k - 1] != '-'; });
      Append(doc, kXMLComment, t + from, (end < 0 ? len : end) - from);
      pos = end < 0 ? len : end + 3;
    } else if (StartsWith(t, len, pos, "<![CDATA[")) {
      ASInt32 from = pos + 9;
      ASInt32 end = FindFrom(t, len, from, "]]>", [&](ASInt32 k) { return k == from || t[k - 1] != ']'; });
      Append(doc, kXMLCharData, t + from, (end < 0 ? len : end) - from);
      pos = end < 0 ? len : end + 3;
    } else if (StartsWith(t, len, pos, "<!")) {
      ASInt32 end = FindTagEnd(t, len, pos + 1, true);
      Append(doc, kXMLInstruction, t + pos + 1, (end < 0 ? len : end) - pos - 1);
      pos = end < 0 ? len : end + 1;
    } else if (StartsWith(t, len, pos, "<?")) {
      char quote = 0;
      ASInt32 end = -1;
      for (ASInt32 i = pos + 2; i + 1 < len; ++i) {
        if (quote) {
          if (t[i] == quote) quote = 0;
        } else if (t[i] == '"' || t[i] == '\'') {
          quote = t[i];
        } else if (t[i] == '?' && t[i + 1] == '>') {
          end = i + 1;
          break;
        }
      }
      Append(doc, kXMLInstruction, t + pos + 1, (end < 0 ? len : end) - pos - 1);
      pos = end < 0 ? len : end + 1;
    } else {
      ASInt32 end = FindTagEnd(t, len, pos + 1, false);
      ASInt32 stop = end < 0 ? len : end;
      if (pos + 1 < len && t[pos + 1] == '/') {
        ASInt32 from = pos + 2, n = 0;
        while (from + n < stop && !IsXMLSpace(t[from + n])) ++n;
        Append(doc, kXMLEndTag, t + from, n);
      } else if (end > pos + 1 && t[end - 1] == '/') {
        Append(doc, kXMLEmptyTag, t + pos + 1, end - 1 - (pos + 1));
      } else if (end >= 0 && end != len - 1) {
        Append(doc, kXMLStartTag, t + pos + 1, end - (pos + 1));
      } else {
        Append(doc, kXMLEmptyTag, "BADBAD", 6);
      }
      pos = end < 0 ? len : end + 1;
    }
  }
  PairTags(doc);
  return 1;
}

void FreeXMLDoc(SXMLDoc* doc) {
  if (!doc) return;
  SXMLElement* e = doc->first;
  while (e) {
    SXMLElement* next = e->next;
    ASfree(e->name);
    ASfree(e->textCache);
    FreeAttributes(e->attributes);
    ASfree(e);
    e = next;
  }
  if (doc->ownsText) ASfree(doc->text);
  ASfree(doc);
}

SXMLElement* XMLElementFindChildElement(SXMLElement* parent, const char* name, SXMLElement* previous) {
  if (!parent || parent->type != kXMLStartTag) return nullptr;
  SXMLElement* n;
  if (previous) {
    if (previous->type == kXMLStartTag) {
      if (!previous->match) return nullptr;
      n = previous->match->next;
    } else {
      n = previous->next;
    }
  } else {
    n = parent->next;
  }
  auto wanted = [&](SXMLElement* e) { return !name || std::strcmp(name, e->name) == 0; };
  SXMLElement* end = parent->match ? parent->match : parent->closedBy;
  while (n && n != end && n->type != kXMLEndOfDocument) {
    if (n->type == kXMLStartTag) {
      if (wanted(n)) return n;
      if (!n->match) return nullptr;
      n = n->match->next;
      continue;
    }
    if (n->type == kXMLEmptyTag && wanted(n)) return n;
    n = n->next;
  }
  return nullptr;
}

const char* XMLElementSubkeyValue(SXMLElement* element, const char* key) {
  if (!element || !key || element->type == kXMLCharData || element->type == kXMLEndOfDocument) return nullptr;
  if (!element->attributes) ReadAttributes(element);
  for (SXMLKeyValueListItem* i = element->attributes; i; i = i->next)
    if (std::strcmp(i->key, key) == 0) return i->value;
  return nullptr;
}

ASBool XMLItemFindSubkey(SXMLElement* element, const char* key, char* out, ASInt32 size) {
  if (!element || !key || !out || size < 1 || element->type == kXMLCharData) return 0;
  const ASInt32 wanted = (ASInt32)std::strlen(key);
  bool found = false;
  ScanAttributes(element, [&](const char* k, ASInt32 kl, const char* v, ASInt32 vl, bool quoted) {
    if (kl != wanted || std::memcmp(k, key, (size_t)kl) != 0) return true;
    ASInt32 w = 0;
    if (quoted) {
      ExpandEntities(v, vl, out, size - 1, &w);
    } else {
      w = vl < size - 1 ? vl : size - 1;
      std::memcpy(out, v, (size_t)w);
    }
    out[w] = 0;
    found = true;
    return false;
  });
  return found ? 1 : 0;
}

const char* XMLElementGetText(SXMLElement* element) {
  if (!element) return nullptr;
  if (element->type == kXMLEmptyTag) return "";
  if (element->type != kXMLStartTag) return nullptr;
  if (element->textCache) return element->textCache;
  // An unmatched tag's text ends where the tag enclosing it ended (else at the
  // end of the document), so that the texts of many unclosed tags cannot each
  // run over the rest of the document.
  SXMLElement* end = element->match ? element->match : element->closedBy;
  ASSize_t need = 1;
  for (SXMLElement* e = element->next; e && e != end && e->type != kXMLEndOfDocument; e = e->next)
    need += e->type == kXMLCharData ? (ASSize_t)ExpandEntitiesSizeNeeded(e->raw, e->rawLength) : 1;
  char* out = static_cast<char*>(ASmallocWithException(need));
  ASSize_t w = 0;
  for (SXMLElement* e = element->next; e && e != end && e->type != kXMLEndOfDocument; e = e->next) {
    if (e->type == kXMLCharData) {
      ASInt32 n = 0;
      ExpandEntities(e->raw, e->rawLength, out + w, (ASInt32)(need - 1 - w), &n);
      w += (ASSize_t)n;
    } else {
      out[w++] = ' ';
    }
  }
  out[w] = 0;
  element->textCache = out;
  return out;
}

void XMLKeyValueListItemCreate(const char* key, const char* value, ASInt32 keyLength, ASInt32 valueLength,
                               SXMLKeyValueListItem** head) {
  if (!key) key = "";
  if (!value) value = "";
  if (keyLength < 0) keyLength = (ASInt32)std::strlen(key);
  if (valueLength < 0) valueLength = (ASInt32)std::strlen(value);
  // One allocation: the item, then the key and the value.
  char* block = static_cast<char*>(
      ASmallocWithException(sizeof(SXMLKeyValueListItem) + (ASSize_t)keyLength + (ASSize_t)valueLength + 2));
  SXMLKeyValueListItem* item = reinterpret_cast<SXMLKeyValueListItem*>(block);
  item->key = block + sizeof(SXMLKeyValueListItem);
  std::memcpy(item->key, key, (size_t)keyLength);
  item->key[keyLength] = 0;
  item->value = item->key + keyLength + 1;
  std::memcpy(item->value, value, (size_t)valueLength);
  item->value[valueLength] = 0;
  item->next = head ? *head : nullptr;
  if (head) *head = item;
}

char* GetFileAsBuffer(const char* path, ASInt32* length) {
  if (length) *length = 0;
  if (!path) return nullptr;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path, "rb"), std::fclose);
  if (!f) return nullptr;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return nullptr;
  long size = std::ftell(f.get());
  if (size < 0 || size >= 0x7FFFFFFF) return nullptr;
  if (std::fseek(f.get(), 0, SEEK_SET) != 0) return nullptr;
  char* buf = static_cast<char*>(ASmallocWithException((ASSize_t)size + 1));
  if (size > 0 && std::fread(buf, 1, (size_t)size, f.get()) != (size_t)size) {
    ASfree(buf);
    return nullptr;
  }
  buf[size] = 0;
  if (length) *length = (ASInt32)size;
  return buf;
}

ASBool MakeEntitiesNeeded(const char* text, ASInt32 length) {
  for (ASInt32 i = 0; text && i < length; ++i) {
    char c = text[i];
    if (c == '&' || c == '<' || c == '>' || c == '\'' || c == '"') return 1;
  }
  return 0;
}

namespace {
const char* EntityFor(char c) {
  switch (c) {
    case '"': return "&quot;";
    case '&': return "&amp;";
    case '\'': return "&apos;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return nullptr;
  }
}
}  // namespace

ASInt32 MakeEntitiesSizeNeeded(const char* text, ASInt32 length) {
  ASInt32 n = 1;
  for (ASInt32 i = 0; text && i < length; ++i) {
    const char* e = EntityFor(text[i]);
    n += e ? (ASInt32)std::strlen(e) : 1;
  }
  return n;
}

ASBool MakeEntities(const char* text, ASInt32 length, char* out, ASInt32 size, ASInt32* outLength) {
  if (outLength) *outLength = 0;
  if (!out || size < 1) return 0;
  bool ok = true;
  ASInt32 w = 0;
  for (ASInt32 i = 0; text && i < length; ++i) {
    const char* e = EntityFor(text[i]);
    ASInt32 n = e ? (ASInt32)std::strlen(e) : 1;
    if (size - w < n + 1) {  // room for the piece and a terminator
      ok = false;
      continue;
    }
    if (e) std::memcpy(out + w, e, (size_t)n);
    else out[w] = text[i];
    w += n;
  }
  out[w] = 0;
  if (outLength) *outLength = w;
  return ok;
}

ASInt32 ExpandEntitiesSizeNeeded(const char* text, ASInt32 length) {
  if (!text || length <= 0) return 0;
  if (!std::memchr(text, '&', (size_t)length)) return length;
  ASInt32 n = 0;
  WalkEntities(text, length, [&](const char*, ASInt32 k, bool) {
    n += k;
    return true;
  });
  return n;
}

ASBool ExpandEntities(const char* text, ASInt32 length, char* out, ASInt32 size, ASInt32* outLength) {
  ASInt32 w = 0;
  if (outLength) *outLength = 0;
  if (!text || length <= 0 || !out) return 1;
  bool fitted = true;
  bool ok = WalkEntities(text, length, [&](const char* bytes, ASInt32 k, bool isEntity) {
    if (size - w < k) {
      if (!isEntity && size > w) {
        std::memcpy(out + w, bytes, (size_t)(size - w));  // plain text takes what fits
        w = size;
      }
      fitted = false;
      return false;
    }
    std::memcpy(out + w, bytes, (size_t)k);
    w += k;
    return true;
  });
  if (outLength) *outLength = w;
  return ok && fitted;
}

ASBool HandleNumber(const char* entity, ASUns32* value) {
  if (!entity || entity[0] != '&' || entity[1] != '#') return 0;
  const char* p = entity + 2;
  ASUns64 v = 0;
  if (*p == 'x') {
    ++p;
    int digits = 0;
    for (; *p; ++p, ++digits) {
      int d;
      if (*p >= '0' && *p <= '9') d = *p - '0';
      else if (*p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
      else if (*p >= 'A' && *p <= 'F') d = *p - 'A' + 10;
      else return 0;
      if (digits >= 8) return 0;
      v = v * 16 + (ASUns64)d;
    }
    if (digits == 0) return 0;
  } else {
    int digits = 0;
    for (; *p; ++p, ++digits) {
      if (*p < '0' || *p > '9') return 0;
      v = v * 10 + (ASUns64)(*p - '0');
      if (v > 0x10FFFF) return 0;
    }
    if (digits == 0) return 0;
  }
  // A code point a UTF-8 writer may produce: no NUL, no surrogate, nothing past U+10FFFF.
  if (v < 1 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  if (value) *value = (ASUns32)v;
  return 1;
}
