#include "foundation/MessageTable.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/MFUtil.h"
#include "foundation/SystemLang.h"
#include "foundation/TextCut.h"

// A node is a text leaf (text points right behind the node) or a branch
// (text null) with its part codes and children.
struct SMessageNode {
  char* text;
};

namespace {

struct SMessageBranch {
  SMessageNode head;
  ASInt32 capacity;
  ASInt32 count;
  ASUns32* parts;
  SMessageNode** children;
};

// Memory accounting, in the units the message-folder report has always used.
constexpr ASInt32 kBranchBytes = 164;
constexpr ASInt32 kSlotBytes = 8;
constexpr ASInt32 kLeafBytes = 4;
constexpr ASInt32 kTableBytes = 4;
constexpr ASInt32 kFirstCapacity = 20;
constexpr size_t kMaxKeyLength = kMessageKeyMaxLength;
constexpr size_t kMaxPartLength = 127;
constexpr size_t kMaxParts = 64;
constexpr size_t kMaxDiagnostic = 1999;

ASInt32 gMessageMemory = 0;
bool gDebug = false;
bool gValidationSuppressed = false;
bool gCacheValid = true;
ASInt32 gDiagnosticShowing = 0;
char gSystemLang[30] = "????";

bool IsLeaf(const SMessageNode* n) { return n->text != nullptr; }
SMessageBranch* AsBranch(SMessageNode* n) { return reinterpret_cast<SMessageBranch*>(n); }

SMessageNode* NewBranch() {
  auto* b = (SMessageBranch*)ASmallocWithException(sizeof(SMessageBranch));
  std::memset(b, 0, sizeof *b);
  b->parts = (ASUns32*)UnfilteredASmalloc(sizeof(ASUns32) * kFirstCapacity);
  b->children = (SMessageNode**)UnfilteredASmalloc(sizeof(SMessageNode*) * kFirstCapacity);
  if (!b->parts || !b->children) {
    ASfree(b->parts);
    ASfree(b->children);
    ASfree(b);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  b->capacity = kFirstCapacity;
  gMessageMemory += kBranchBytes;
  return &b->head;
}

SMessageNode* NewLeaf(const char* text) {
  size_t n = std::strlen(text);
  auto* leaf = (SMessageNode*)ASmallocWithException(sizeof(SMessageNode) + n + 1);
  leaf->text = (char*)(leaf + 1);
  std::memcpy(leaf->text, text, n + 1);
  gMessageMemory += kLeafBytes;
  return leaf;
}

void FreeNode(SMessageNode* n) {
  if (!n) return;
  if (!IsLeaf(n)) {
    SMessageBranch* b = AsBranch(n);
    for (ASInt32 i = 0; i < b->count; ++i) FreeNode(b->children[i]);
    ASfree(b->parts);
    ASfree(b->children);
  }
  ASfree(n);
}

SMessageNode** FindChild(SMessageNode* n, ASUns32 code) {
  SMessageBranch* b = AsBranch(n);
  for (ASInt32 i = 0; i < b->count; ++i)
    if (b->parts[i] == code) return &b->children[i];
  return nullptr;
}

void AppendChild(SMessageNode* n, ASUns32 code, SMessageNode* child) {
  SMessageBranch* b = AsBranch(n);
  if (b->count == b->capacity) {
    ASInt32 capacity = b->capacity * 2 + kFirstCapacity;
    auto* parts = (ASUns32*)ASreallocWithException(b->parts, sizeof(ASUns32) * (size_t)capacity);
    b->parts = parts;
    auto* children = (SMessageNode**)ASreallocWithException(b->children, sizeof(SMessageNode*) * (size_t)capacity);
    b->children = children;
    gMessageMemory += kSlotBytes * (capacity - b->capacity);
    b->capacity = capacity;
  }
  b->parts[b->count] = code;
  b->children[b->count] = child;
  ++b->count;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

ASInt32 FindLang(const SMessageTable* table, ASAtom lang) {
  for (ASInt32 i = 0; i < table->langCount; ++i)
    if (table->langs[i] == lang) return i;
  return -1;
}

void Diagnose2(const char* first, const char* key) {
  GenMsg2Message2(first);
  GenMsg2Message2(key);
}

void Diagnose(const char* first, const char* key) {
  GenMsg2Message(first);
  GenMsg2Message(key);
}

const char* Missing(const char* key) {
  if (gDebug) {
    std::string text = std::string("Reference to missing message '") + key + "'";
    GenMsg2Message2(text.c_str());
  }
  return key;
}

enum class Walk { kText, kMissing, kExtra, kIncomplete };

// Walks the key through the current language's tree.
Walk WalkKey(SMessageTable* table, const char* key, const char** text) {
  SMessageNode* node = table->currentRoot;
  const char* p = key;
  for (;;) {
    ASUns32 code;
    const char* rest;
    if (!node || IsLeaf(node) || !SplitMessageKey(p, &code, &rest)) return Walk::kMissing;
    SMessageNode** child = FindChild(node, code);
    if (!child) return Walk::kMissing;
    if (!rest) {
      if (!IsLeaf(*child)) return Walk::kIncomplete;
      *text = (*child)->text;
      return Walk::kText;
    }
    if (IsLeaf(*child)) return Walk::kExtra;
    node = *child;
    p = rest;
  }
}

}  // namespace

SMessageTable* gSystemMessageTable = nullptr;

void InitSystemMessageTable() {
  char lang[30] = "????";
  GetSystemLang(lang, (ASInt32)sizeof lang, 0);
  std::memcpy(gSystemLang, lang, sizeof lang);
  if (!gSystemMessageTable) gSystemMessageTable = NewMessageTable(ASAtomFromString("en"));
}

const char* MessageSystemLang() { return gSystemLang; }

SMessageTable* NewMessageTable(ASAtom lang) {
  auto* table = (SMessageTable*)ASmallocWithException(sizeof(SMessageTable));
  std::memset(table, 0, sizeof *table);
  DURING
    SetMessageTableCurrentLang(table, lang, 1);
  HANDLER
    DestroyMessageTable(table);
    RERAISE();
  END_HANDLER
  gMessageMemory += kTableBytes;
  return table;
}

void DestroyMessageTable(SMessageTable* table) {
  if (!table) return;
  for (ASInt32 i = 0; i < table->langCount; ++i) FreeNode(table->roots[i]);
  ASfree(table->langs);
  ASfree(table->roots);
  if (table == gSystemMessageTable) gSystemMessageTable = nullptr;
  ASfree(table);
}

ASBool SetMessageTableCurrentLang(SMessageTable* table, ASAtom lang, ASBool addIfMissing) {
  if (!table) return 0;
  ASInt32 i = FindLang(table, lang);
  if (i >= 0) {
    table->currentRoot = table->roots[i];
    table->currentLang = lang;
    return 1;
  }
  if (!addIfMissing) return 0;
  SMessageNode* root = NewBranch();
  size_t n = (size_t)table->langCount + 1;
  auto* langs = (ASAtom*)UnfilteredASmalloc(sizeof(ASAtom) * n);
  auto* roots = (SMessageNode**)UnfilteredASmalloc(sizeof(SMessageNode*) * n);
  if (!langs || !roots) {
    ASfree(langs);
    ASfree(roots);
    FreeNode(root);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  if (table->langCount) {
    std::memcpy(langs, table->langs, sizeof(ASAtom) * (n - 1));
    std::memcpy(roots, table->roots, sizeof(SMessageNode*) * (n - 1));
  }
  langs[n - 1] = lang;
  roots[n - 1] = root;
  ASfree(table->langs);
  ASfree(table->roots);
  table->langs = langs;
  table->roots = roots;
  table->langCount = (ASInt32)n;
  table->currentRoot = root;
  table->currentLang = lang;
  return 0;
}

void SetMessageTableCurrentLangDefault(SMessageTable* table) {
  if (table && table->langCount > 0) SetMessageTableCurrentLang(table, table->langs[0], 0);
}

ASAtom GetMessageTableCurrentLang(SMessageTable* table) { return table ? table->currentLang : ASAtomNull; }

void MessageTableGetLangArray(SMessageTable* table, ASAtom** langs, ASInt32* count) {
  if (langs) *langs = table ? table->langs : nullptr;
  if (count) *count = table ? table->langCount : 0;
}

ASBool MessageTableLangKnown(SMessageTable* table, ASAtom lang) { return table && FindLang(table, lang) >= 0; }

ASBool MessageTableLangHasMessages(SMessageTable* table, ASAtom lang) {
  if (!table) return 0;
  ASInt32 i = FindLang(table, lang);
  return i >= 0 && AsBranch(table->roots[i])->count > 0;
}

ASBool ValidMessageKey(const char* key) {
  if (!key || std::strlen(key) > kMaxKeyLength) return 0;
  const char* p = key;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (IsDigit(*p)) {
      while (IsDigit(*p)) ++p;
    } else if (IsLetter(*p)) {
      while (IsLetter(*p) || IsDigit(*p)) ++p;
    } else {
      return 0;  // empty or bad part
    }
    while (IsBlank(*p)) ++p;
    if (!*p) return 1;
    if (*p != '.') return 0;
    ++p;
  }
}

ASBool SplitMessageKey(const char* key, ASUns32* code, const char** rest) {
  if (!key) return 0;
  if (gDebug && !gValidationSuppressed && !ValidMessageKey(key)) {
    Diagnose("Invalid message key follows.", key);
    return 0;
  }
  const char* p = key;
  while (IsBlank(*p)) ++p;
  char part[kMaxPartLength + 1];
  size_t n = 0;
  for (; *p && *p != '.' && !IsBlank(*p); ++p) {
    if (n == kMaxPartLength) return 0;  // parts that long are not supported
    part[n++] = (*p >= 'A' && *p <= 'Z') ? (char)(*p - 'A' + 'a') : *p;
  }
  part[n] = 0;
  // An empty part names nothing.
  if (n == 0) return 0;
  if (IsDigit(part[0])) {
    // Numbers as atoi reads them, kept within 31 bits so that their
    // complements never meet an atom.
    ASUns32 value = 0;
    for (size_t i = 0; i < n && IsDigit(part[i]); ++i) {
      value = value * 10 + (ASUns32)(part[i] - '0');
      if (value > 0x7FFFFFFFu) value = 0x7FFFFFFFu;
    }
    *code = ~value;
  } else {
    *code = ASAtomFromString(part);
  }
  while (IsBlank(*p)) ++p;
  if (!*p) {
    *rest = nullptr;
    return 1;
  }
  if (*p != '.') return 0;
  *rest = p + 1;
  return 1;
}

ASBool AddMessage(const char* key, char* text, SMessageTable* table, ASBool handleEscapes) {
  if (!table || !table->currentRoot || !key) return 0;
  // Split the whole key first, so that a key that does not split leaves no
  // empty branches behind.
  ASUns32 codes[kMaxParts];
  size_t parts = 0;
  for (const char* p = key; p;) {
    const char* rest = nullptr;
    if (parts == kMaxParts || !SplitMessageKey(p, &codes[parts], &rest)) {
      Diagnose("Reference to bad message string follows:", key);
      return 0;
    }
    ++parts;
    p = rest;
  }
  SMessageNode* node = table->currentRoot;
  for (size_t i = 0; i + 1 < parts; ++i) {
    if (IsLeaf(node)) {
      Diagnose("Attempt to add message when shorter key already used, follows:", key);
      return 0;
    }
    SMessageNode** child = FindChild(node, codes[i]);
    if (child) {
      node = *child;
      continue;
    }
    SMessageNode* branch = NewBranch();
    DURING
      AppendChild(node, codes[i], branch);
    HANDLER
      FreeNode(branch);
      RERAISE();
    END_HANDLER
    node = branch;
  }
  ASInt32 formatCode = 0;
  if (handleEscapes && text) GenMsg2HandleEscapes(text, &formatCode);
  if (IsLeaf(node)) {
    GenMsg2Message2("Attempt to define message x.y.z when x.y already exists");
    Diagnose("Attempt to add message when shorter key already used, follows:", key);
    return 1;
  }
  SMessageNode** child = FindChild(node, codes[parts - 1]);
  if (child && !IsLeaf(*child)) {
    GenMsg2Message2("Attempt to define message x.y when x.y.z already exists");
    Diagnose("Attempt to add message when shorter key already used, follows:", key);
    return 1;
  }
  SMessageNode* leaf = NewLeaf(text ? text : "");
  if (child) {
    // The later definition wins.
    FreeNode(*child);
    gMessageMemory -= kLeafBytes;
    *child = leaf;
  } else {
    DURING
      AppendChild(node, codes[parts - 1], leaf);
    HANDLER
      FreeNode(leaf);
      RERAISE();
    END_HANDLER
  }
  return 1;
}

ASBool AddMessageCopy(const char* key, const char* text, SMessageTable* table, ASBool handleEscapes) {
  std::string copy = text ? text : "";
  return AddMessage(key, copy.data(), table, handleEscapes);
}

const char* GetMessageFromTableByKey(SMessageTable* table, const char* key) {
  if (!key) return "";
  if (!table) return key;
  const char* text = nullptr;
  switch (WalkKey(table, key, &text)) {
    case Walk::kText:
      return text;
    case Walk::kMissing:
      return Missing(key);
    case Walk::kExtra:
      if (!gDebug) return "";
      Diagnose("Reference to message key with extra data follows:", key);
      return key;
    case Walk::kIncomplete:
      if (!gDebug) return "";
      Diagnose2("Reference to incomplete message key follows:", key);
      return key;
  }
  return key;
}

const char* GetMessageFromTableByKeyAndLang(SMessageTable* table, const char* key, ASAtom lang) {
  if (!table) return key ? key : "";
  SMessageNode* root = table->currentRoot;
  ASAtom current = table->currentLang;
  SetMessageTableCurrentLang(table, lang, 0);
  const char* text = key;
  DURING
    text = GetMessageFromTableByKey(table, key);
  HANDLER
    table->currentRoot = root;
    table->currentLang = current;
    RERAISE();
  END_HANDLER
  table->currentRoot = root;
  table->currentLang = current;
  return text;
}

ASBool KnownMessageInTableByKey(SMessageTable* table, const char* key) {
  if (!table || !key) return 0;
  const char* text = nullptr;
  bool saved = gDebug;
  gDebug = false;  // a question, not a reference: no reports
  Walk w = WalkKey(table, key, &text);
  gDebug = saved;
  return w == Walk::kText;
}

void SetMessageDebugMode(ASBool on) { gDebug = on != 0; }
ASBool GetMessageDebugMode() { return gDebug; }
void SetMessageKeyValidationSuppressed(ASBool on) { gValidationSuppressed = on != 0; }
ASInt32 MessageTableMemoryUsed() { return gMessageMemory; }
ASBool MessageCacheValid() { return gCacheValid; }
void FlushMessageCaches() { gCacheValid = false; }
void MarkMessageCachesValid() { gCacheValid = true; }
ASBool MessageDiagnosticShowing() { return gDiagnosticShowing > 0; }

namespace {

struct EscapeScan {
  std::string original;  // for the reports
  bool good = true;

  void Bad(const char* what) {
    good = false;
    GenMsg2Message(what);
    GenMsg2Message(original.c_str());
  }
};

// Index just past the bracket that closes at or after i: the first ']' not
// preceded by a backslash; -1 when none does.
long CloseOfBracket(const char* t, long i) {
  for (; t[i]; ++i) {
    if (t[i] == '\\' && t[i + 1]) {
      ++i;
      continue;
    }
    if (t[i] == ']') return i + 1;
  }
  return -1;
}

}  // namespace

ASBool GenMsg2HandleEscapes(char* text, ASInt32* formatCode) {
  if (!text || !std::strchr(text, '\\')) return 1;
  EscapeScan scan{std::string(text)};
  long in = 0;
  long out = 0;
  int keptBrackets = 0;  // open \m[ brackets whose ']' is still to drop
  char* t = text;
  for (;;) {
    char c = t[in];
    if (!c) break;
    if (c == ']' && keptBrackets > 0) {
      --keptBrackets;
      ++in;
      continue;
    }
    if (c != '\\') {
      t[out++] = t[in++];
      continue;
    }
    char e = t[in + 1];
    switch (e) {
      case 'n': t[out++] = '\n'; in += 2; continue;
      case 's': t[out++] = ' '; in += 2; continue;
      case 't': t[out++] = '\t'; in += 2; continue;
      case 'z': t[out] = 0; return scan.good;
      case '[': case ']': case '\\': t[out++] = e; in += 2; continue;
      case '&': in += 2; continue;
      case 'm': {
        char f = t[in + 2];
        if (f == 'n') { t[out++] = '\n'; in += 3; continue; }
        if (f == 's') { t[out++] = ' '; in += 3; continue; }
        if (f == '[') { ++keptBrackets; in += 3; continue; }
        scan.Bad("Bad escape character following \\m; next message will show bad line");
        t[out++] = t[in++];
        t[out++] = t[in++];
        continue;
      }
      case 'w': {
        char f = t[in + 2];
        if (f == 'n') { t[out++] = ' '; in += 3; continue; }
        if (f == 's') { in += 3; continue; }
        if (f == '[') {
          long end = CloseOfBracket(t, in + 3);
          if (end < 0) {
            scan.Bad("Unterminated \\w[ escape; next message will show bad line");
            in = (long)std::strlen(t);  // the rest belongs to the dropped variant
          } else {
            in = end;
          }
          continue;
        }
        scan.Bad("Bad escape character following \\w; next message will show bad line");
        t[out++] = t[in++];
        t[out++] = t[in++];
        continue;
      }
      case '!': {
        char f = t[in + 2];
        char g = f ? t[in + 3] : 0;
        if (f == 'm' && g == '[') {
          t[out++] = '!';
          t[out++] = '[';
          in += 4;
          continue;
        }
        if (f == 'w' && g == '[') {
          long end = CloseOfBracket(t, in + 4);
          if (end < 0) {
            scan.Bad("Unterminated \\!w[ escape; next message will show bad line");
            in = (long)std::strlen(t);
          } else {
            in = end;
          }
          continue;
        }
        scan.Bad("Bad escape character following \\!; next message will show bad line");
        t[out++] = t[in++];
        t[out++] = t[in++];
        continue;
      }
      case 'f': {
        char f = t[in + 2];
        if (f == 'n' || f == 's' || f == 'b') {
          if (formatCode) *formatCode = f == 'n' ? -1 : f == 's' ? -2 : -3;
          in += 3;
          continue;
        }
        scan.Bad("Bad escape character following \\f; next message will show bad line");
        // The escape stays and the scan ends: keep the rest as it is.
        std::memmove(t + out, t + in, std::strlen(t + in) + 1);
        return 0;
      }
      default:
        scan.Bad("Bad escape character following \\; next message will show bad line");
        std::memmove(t + out, t + in, std::strlen(t + in) + 1);
        return 0;
    }
  }
  t[out] = 0;
  if (keptBrackets > 0) {
    scan.Bad("Unterminated \\m[ escape; next message will show bad line");
  }
  return scan.good;
}

void GenMsg2Message(const char* text) {
  ++gDiagnosticShowing;
  DURING
    ErrMessageUTF8(text);
  HANDLER
  END_HANDLER
  --gDiagnosticShowing;
}

void GenMsg2Message2(const char* text) {
  if (!gDebug) return;
  static const char kSuffix[] = "\nOK to continue error reporting, Cancel to stop";
  std::string question = text ? text : "";
  size_t room = kMaxDiagnostic - (sizeof kSuffix - 1);
  CutUTF8(question, room);
  question += kSuffix;
  ++gDiagnosticShowing;
  DURING
    if (!ConfirmMessageUTF8(question.c_str(), 2)) gDebug = false;
  HANDLER
  END_HANDLER
  --gDiagnosticShowing;
}
