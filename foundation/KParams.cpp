#include "foundation/KParams.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/RunCab.h"
#include "host/ASNearest.h"

namespace {

// The table's text of key, else the built-in one.
const char* Text(const char* key, const char* fallback) {
  return KnownMessageInTableByKey(gSystemMessageTable, key) ? GetMessageFromTableByKey(gSystemMessageTable, key)
                                                            : fallback;
}

bool AllDigits(const char* p) {
  if (!*p) return false;
  for (; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

bool KeyMatches(const char* pattern, const char* key) {
  if (std::strcmp(pattern, "#") == 0) return AllDigits(key);
  if (std::strcmp(pattern, "E#") == 0) return key[0] == 'E' && AllDigits(key + 1);
  return std::strcmp(pattern, key) == 0;
}

bool IsPattern(const char* key) { return std::strchr(key, '#') != nullptr; }

// The top-level key a definition makes known ("Source" for "Source:Range:From").
std::string TopKey(const char* key) {
  const char* colon = std::strchr(key, ':');
  return colon ? std::string(key, (size_t)(colon - key)) : std::string(key);
}

const char* FoundName(ASInt32 type) {
  switch (type) {
    case kKCabTypeBool:
      return Text("kparam.kind.bool", "true or false");
    case kKCabTypeInt:
      return Text("kparam.kind.int", "a whole number");
    case kKCabTypeUns:
      return Text("kparam.found.uns", "an unsigned whole number");
    case kKCabTypeAtom:
      return Text("kparam.kind.word", "a word");
    case kKCabTypeDouble:
      return Text("kparam.kind.number", "a number");
    case kKCabTypeString:
      return Text("kparam.kind.text", "text");
    case kKCabTypeCab:
      return Text("kparam.kind.cab", "a sub-cabinet");
    case kKCabTypeNull:
      return Text("kparam.found.null", "null");
    case kKCabTypeBinary:
      return Text("kparam.found.binary", "binary data");
    default:
      return Text("kparam.kind.any", "a value of the system");
  }
}

// The cabinet XML element a user writes for the kind.
const char* KindTag(EKParamKind kind) {
  switch (kind) {
    case kKParamBool:
      return "<B>";
    case kKParamInt:
      return "<I>";
    case kKParamNumber:
      return "<F>";
    case kKParamNumberList:
    case kKParamText:
      return "<S>";
    case kKParamWord:
      return "<A>";
    case kKParamPage:
      return "<I> or <S>";
    default:
      return "<DICT>";
  }
}

std::string Number(double v) {
  char text[64];
  KParamFormatNumber(v, text, sizeof text);
  return text;
}

// A value out of its range, with the digits it takes to see that it is: a
// length just past its limit is not shown as the limit itself.
std::string Outside(double v, double min, double max) {
  std::string text = Number(v);
  for (int digits = 7; digits <= 17 && std::isfinite(v); ++digits) {
    const double shown = CLocaleStrtod(text.c_str(), nullptr);
    if (shown < min || shown > max) break;
    char more[64];
    CLocaleSnprintf(more, sizeof more, "%.*g", digits, v);
    text = more;
  }
  return text;
}

std::string Range(const SKParamDef* def) {
  char text[200];
  KParamFormatRange(def, text, sizeof text);
  return text;
}

std::string Words(const SKParamDef* def) {
  char text[1000];
  KParamFormatWords(def, text, sizeof text);
  return text;
}

// A message of the table, or its built-in text when the table has none.
template <typename... Args>
void Say(char* out, size_t size, const char* key, const char* fallback, const char* signature, Args... args) {
  FormatMessageByKeyUTF8(nullptr, key, fallback, out, size, signature, args...);
}

struct SCheck {
  EKParamCheckMode mode;
  char* why;
  size_t size;
};

bool KindRefused(SCheck& c, const char* key, const SKParamDef* def, ASInt32 found) {
  Say(c.why, c.size, "kparam.err.kind", "%s: %s (written %s) is needed, not %s.", "ssss", key,
      KParamKindName(def->kind), KindTag(def->kind), FoundName(found));
  return false;
}

// The page count a page text is read against before the document is known.
constexpr ASInt32 kKParamAnyPageCount = 999999;

bool InRange(const SKParamDef* def, double v) { return std::isfinite(v) && v >= def->min && v <= def->max; }

bool RangeRefused(SCheck& c, const char* key, const SKParamDef* def, double v) {
  Say(c.why, c.size, "kparam.err.range", "%s = %s is refused: it must be %s from %s.", "ssss", key,
      Outside(v, def->min, def->max).c_str(), KParamKindName(def->kind), Range(def).c_str());
  return false;
}

bool CheckWord(SCheck& c, const SKParamDef* def, SKCab* params, const char* key) {
  if (!def->words) return true;
  const char* word = ASAtomGetString(KCabGetAtom(params, key, ASAtomNull));
  if (!word) word = "";
  for (const SKCabEnumWord* w = def->words; w->word; ++w)
    if (std::strcmp(w->word, word) == 0) return true;
  if (def->flags & kKParamRefuseUnknownWord) {
    Say(c.why, c.size, "kparam.err.word", "%s = %s is refused: the words it takes are %s.", "sss", key, word,
        Words(def).c_str());
    return false;
  }
  if (c.mode == kKParamCheckRun) {
    // The readers fall back to the list's default (stored files keep working),
    // or, without one, leave the value unused.
    char text[1200];
    if (const char* fallback = KParamDefaultWord(def))
      Say(text, sizeof text, "kparam.warn.word", "%s = %s is not a word it takes (%s): %s is used instead.", "ssss",
          key, word, Words(def).c_str(), fallback);
    else
      Say(text, sizeof text, "kparam.warn.wordignored", "%s = %s is not a word it takes (%s): it is ignored.", "sss",
          key, word, Words(def).c_str());
    WarnMessageUTF8(text);
  }
  return true;
}

bool CheckNumberList(SCheck& c, const SKParamDef* def, const char* key, const char* text) {
  const char* p = text;
  // Counted to the end: the message says how many were given.
  long count = 0;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (!*p) {
      // The readers take the first maxCount and drop the rest.
      if (def->maxCount <= 0 || count <= def->maxCount) return true;
      Say(c.why, c.size, "kparam.err.listcount", "%s holds %ld numbers, which is refused: it takes at most %d.", "sld",
          key, count, (int)def->maxCount);
      return false;
    }
    ++count;
    char* end = nullptr;
    errno = 0;
    double v = CLocaleStrtod(p, &end);
    if (end == p) {
      Say(c.why, c.size, "kparam.err.list", "%s = \"%s\" is refused: it must be numbers separated by blanks, each from %s.",
          "sss", key, text, Range(def).c_str());
      return false;
    }
    if (errno == ERANGE && !std::isfinite(v)) v = v > 0 ? INFINITY : -INFINITY;
    if (!InRange(def, v)) {
      Say(c.why, c.size, "kparam.err.listentry", "%s = \"%s\" is refused: %s is not a number from %s.", "ssss", key,
          text, Outside(v, def->min, def->max).c_str(), Range(def).c_str());
      return false;
    }
    p = end;
  }
}

bool CheckPageSize(SCheck& c, const SKParamDef* def, SKCab* size, const char* key) {
  const char* type = ASAtomGetString(KCabGetAtom(size, "Type", ASAtomNull));
  if (type && std::strcmp(type, "Background") == 0) {
    if (!KCabGetString(size, "DIPath")) {
      Say(c.why, c.size, "kparam.err.background", "%s: pages of a file need DIPath, the file's path.", "s", key);
      return false;
    }
    for (const char* side : {"From", "To"}) {
      if (KCabGetType(size, side) != kKCabTypeInt || KCabGetInt(size, side, -1) < 0) {
        std::string full = std::string(key) + ":" + side;
        Say(c.why, c.size, "kparam.err.pages", "%s: a page of the file, counted from 0, is needed.", "s", full.c_str());
        return false;
      }
    }
    return true;
  }
  for (const char* side : {"Width", "Height"}) {
    std::string full = std::string(key) + ":" + side;
    ASInt32 type = KCabGetType(size, side);
    double v = 0;
    if (type == kKCabTypeDouble) {
      v = KCabGetDouble(size, side, 0);
    } else if (type == kKCabTypeInt) {
      v = KCabGetInt(size, side, 0);
      if (c.mode == kKParamCheckRun) KCabPutDouble(size, side, v);
    } else {
      Say(c.why, c.size, "kparam.err.pagesize",
          "%s needs Width and Height in points (with Type Blank), or pages of a file (with Type Background).", "s",
          key);
      return false;
    }
    if (!InRange(def, v)) {
      Say(c.why, c.size, "kparam.err.range", "%s = %s is refused: it must be %s from %s.", "ssss", full.c_str(),
          Outside(v, def->min, def->max).c_str(), KParamKindName(kKParamNumber), Range(def).c_str());
      return false;
    }
  }
  return true;
}

bool CheckValue(SCheck& c, const SKParamDef* def, SKCab* params, const char* key) {
  const ASInt32 type = KCabGetType(params, key);
  if (type == kKCabTypeAbsent) return true;
  switch (def->kind) {
    case kKParamBool:
      return type == kKCabTypeBool || KindRefused(c, key, def, type);
    case kKParamInt:
    case kKParamPage: {
      if (def->kind == kKParamPage && type == kKCabTypeString) {
        // A text that names no page would be read as no page at all, and the
        // run would go on at a page nobody asked for.
        ASInt32 page = 0;
        const char* text = KCabGetString(params, key);
        if (ResolveSingleRangeElemString(text, &page, kKParamAnyPageCount)) return true;
        Say(c.why, c.size, "kparam.err.pagetext",
            "%s = \"%s\" is refused: a page is given by its number (from 1) or by a text such as \"last\" or "
            "\"last-2\".",
            "ss", key, text ? text : "");
        return false;
      }
      double v;
      if (type == kKCabTypeInt) {
        v = KCabGetInt(params, key, 0);
      } else if (type == kKCabTypeUns) {
        v = KCabGetUns(params, key, 0);
        // The readers take whole numbers only as signed ones.
        if (c.mode == kKParamCheckRun && v <= INT32_MAX) KCabPutInt(params, key, (ASInt32)v);
      } else {
        return KindRefused(c, key, def, type);
      }
      return InRange(def, v) || RangeRefused(c, key, def, v);
    }
    case kKParamNumber: {
      double v;
      if (type == kKCabTypeDouble) {
        v = KCabGetDouble(params, key, 0);
      } else if (type == kKCabTypeInt || type == kKCabTypeUns) {
        v = type == kKCabTypeInt ? KCabGetInt(params, key, 0) : KCabGetUns(params, key, 0);
        // A whole number is the same real: the readers take reals only.
        if (c.mode == kKParamCheckRun) KCabPutDouble(params, key, v);
      } else {
        return KindRefused(c, key, def, type);
      }
      return InRange(def, v) || RangeRefused(c, key, def, v);
    }
    case kKParamNumberList:
      if (type != kKCabTypeString) return KindRefused(c, key, def, type);
      return CheckNumberList(c, def, key, KCabGetString(params, key));
    case kKParamWord:
      if (type != kKCabTypeAtom) return KindRefused(c, key, def, type);
      return CheckWord(c, def, params, key);
    case kKParamText:
      return type == kKCabTypeString || KindRefused(c, key, def, type);
    case kKParamPageSize:
      if (type != kKCabTypeCab) return KindRefused(c, key, def, type);
      return CheckPageSize(c, def, KCabGetCab(params, key), key);
    case kKParamCab:
      return type == kKCabTypeCab || KindRefused(c, key, def, type);
    default:
      return true;
  }
}

struct SKeys {
  std::vector<std::string> keys;
};

std::vector<std::string> TopKeys(SKCab* params) {
  SKeys k;
  KCabConstEnum(
      params,
      [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<SKeys*>(data)->keys.emplace_back(key);
        return 1;
      },
      &k);
  return k.keys;
}

bool KnownTopKey(const SKParamTable* table, const char* key) {
  if (KParamTableFind(table, key)) return true;
  for (const SKParamDef* const* g = table->groups; g && *g; ++g)
    for (const SKParamDef* s = *g; s->key; ++s)
      if (std::strchr(s->key, ':') && TopKey(s->key) == key) return true;
  return false;
}

// The value of a word in the definition's words, or false.
bool WordValue(const SKParamDef* def, const char* word, ASInt32* value) {
  for (const SKCabEnumWord* w = def && def->words ? def->words : nullptr; w && w->word; ++w)
    if (std::strcmp(w->word, word) == 0) {
      *value = w->value;
      return true;
    }
  return false;
}

// Whether the condition holds of params; the value the command reads of its
// mode, as a rule writes it, in shown.
bool WhenHolds(const SKParamTable* table, SKCab* params, const SKParamWhen& when, std::string* shown) {
  const SKParamDef* def = KParamTableFind(table, when.mode);
  std::string value;
  switch (KCabGetType(params, when.mode)) {
    case kKCabTypeAbsent:
      if (when.unset) value = when.unset;
      else if (const char* fallback = KParamDefaultWord(def)) value = fallback;
      else if (def && def->kind == kKParamBool) value = "0";
      else return false;
      break;
    case kKCabTypeBool:
      value = KCabGetBool(params, when.mode, 0) ? "1" : "0";
      break;
    case kKCabTypeAtom: {
      const char* word = ASAtomGetString(KCabGetAtom(params, when.mode, ASAtomNull));
      value = word ? word : "";
      ASInt32 v = 0;
      // An unknown word is read as the words' default (a warning says so).
      if (def && def->words && !WordValue(def, value.c_str(), &v)) {
        const char* fallback = KParamDefaultWord(def);
        if (!fallback) return false;
        value = fallback;
      }
      break;
    }
    default:
      return false;
  }
  ASInt32 current = 0;
  const bool byWords = WordValue(def, value.c_str(), &current);
  const std::string values = when.values ? when.values : "";
  for (size_t at = 0; at < values.size();) {
    size_t end = values.find(' ', at);
    if (end == std::string::npos) end = values.size();
    const std::string one = values.substr(at, end - at);
    ASInt32 v = 0;
    if (byWords ? WordValue(def, one.c_str(), &v) && v == current : one == value) {
      *shown = value;
      return true;
    }
    at = end + 1;
  }
  return false;
}

// "A, B or C" of the names.
std::string OrList(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) out += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  return out;
}

// "Consec, Single or CutStacks" of "Consec Single CutStacks".
std::string OrWords(const char* values) {
  std::vector<std::string> words;
  std::string word;
  for (const char* p = values ? values : "";; ++p) {
    if (*p && *p != ' ') {
      word += *p;
      continue;
    }
    if (!word.empty()) words.push_back(word);
    word.clear();
    if (!*p) break;
  }
  return OrList(words);
}

// The names nearest to typed, as "A or B"; empty when none is near.
std::string NearestOf(const char* typed, const std::vector<std::string>& names) {
  std::vector<const char*> texts;
  for (const std::string& n : names) texts.push_back(n.c_str());
  ASInt32 nearest[8];
  const ASInt32 n = ASNearestNames(typed, texts.data(), (ASInt32)texts.size(), nearest, 8);
  std::vector<std::string> found;
  for (ASInt32 i = 0; i < n; ++i) found.push_back(names[(size_t)nearest[i]]);
  return OrList(found);
}

// The values of when's mode under which a key it names is read: the words
// (one for each value) or the truth values that when does not name.
std::vector<std::string> ReadValues(const SKParamTable* table, const SKParamWhen& when) {
  const SKParamDef* def = KParamTableFind(table, when.mode);
  std::vector<std::string> candidates;
  if (def && def->kind == kKParamBool) {
    candidates = {"1", "0"};
  } else if (def && def->words) {
    std::vector<ASInt32> seen;
    for (const SKCabEnumWord* w = def->words; w->word; ++w) {
      if (std::find(seen.begin(), seen.end(), w->value) != seen.end()) continue;
      seen.push_back(w->value);
      candidates.emplace_back(w->word);
    }
  }
  const std::string values = when.values ? when.values : "";
  std::vector<std::string> read;
  for (const std::string& c : candidates) {
    bool named = false;
    ASInt32 value = 0, v = 0;
    const bool byWords = WordValue(def, c.c_str(), &value);
    for (size_t at = 0; at < values.size() && !named;) {
      size_t end = values.find(' ', at);
      if (end == std::string::npos) end = values.size();
      const std::string one = values.substr(at, end - at);
      named = byWords ? WordValue(def, one.c_str(), &v) && v == value : one == c;
      at = end + 1;
    }
    if (!named) read.push_back(c);
  }
  return read;
}

// The key, or the group it lies in, is what the rule names.
bool RuleNames(const SKParamUnread* rule, const std::string& key) {
  const size_t n = std::strlen(rule->key);
  return key.compare(0, n, rule->key) == 0 && (key.size() == n || key[n] == ':');
}

// False, said, when the rule (which holds) leaves the key unread under a value a setting can change.
bool UnreadAllowed(SCheck& c, const SKParamTable* table, const SKParamUnread* rule, const std::string& key) {
  const std::vector<std::string> first = ReadValues(table, rule->when);
  if (first.empty()) return true;  // read under no value: nothing to say but what the run warns
  if (!rule->also.mode) {
    Say(c.why, c.size, "kparam.err.unread", "%s is read only with %s %s: add --set %s=%s, or leave %s out.",
        "ssssss", key.c_str(), rule->when.mode, OrList(first).c_str(), rule->when.mode, first[0].c_str(),
        key.c_str());
    return false;
  }
  const std::vector<std::string> second = ReadValues(table, rule->also);
  if (second.empty()) return true;
  Say(c.why, c.size, "kparam.err.unread2",
      "%s is read only with %s %s or with %s %s: add --set %s=%s or --set %s=%s, or leave %s out.", "ssssssssss",
      key.c_str(), rule->when.mode, OrList(first).c_str(), rule->also.mode, OrList(second).c_str(), rule->when.mode,
      first[0].c_str(), rule->also.mode, second[0].c_str(), key.c_str());
  return false;
}

// The keys a person may give: every definition but patterns and the system's own.
std::vector<std::string> UserKeys(const SKParamTable* table) {
  std::vector<std::string> keys;
  for (const SKParamDef* const* g = table && table->groups ? table->groups : nullptr; g && *g; ++g)
    for (const SKParamDef* s = *g; s->key; ++s)
      if (!IsPattern(s->key) && !(s->flags & kKParamInternal) &&
          std::find(keys.begin(), keys.end(), s->key) == keys.end())
        keys.emplace_back(s->key);
  return keys;
}

// False, said, for a key the table does not have.
bool TypedKeyKnown(SCheck& c, const SKParamTable* table, const std::string& key) {
  if (KParamTableFind(table, key.c_str())) return true;
  const size_t colon = key.find(':');
  // A part of a page size: the setting reader has read it as one.
  const SKParamDef* top = colon == std::string::npos ? nullptr : KParamTableFind(table, key.substr(0, colon).c_str());
  if (top && top->kind == kKParamPageSize) return true;
  if (KnownTopKey(table, key.c_str())) {
    Say(c.why, c.size, "kvset.err.group",
        "%s cannot be set on its own: it holds a group of values or a value the system keeps; give it in a parameter "
        "file.",
        "s", key.c_str());
    return false;
  }
  const std::string nearest = NearestOf(key.c_str(), UserKeys(table));
  const char* command = table->command ? table->command : "";
  if (!nearest.empty())
    Say(c.why, c.size, "kparam.err.typedkey", "%s is not a parameter of %s; did you mean %s?", "sss", key.c_str(),
        command, nearest.c_str());
  else
    Say(c.why, c.size, "kparam.err.typedkeyfar", "%s is not a parameter of %s: docs/parameters.md lists the keys it "
        "takes.", "ss", key.c_str(), command);
  return false;
}

}  // namespace

const SKParamDef* KParamTableFind(const SKParamTable* table, const char* key) {
  if (!table || !key) return nullptr;
  for (const SKParamDef* const* g = table->groups; g && *g; ++g)
    for (const SKParamDef* s = *g; s->key; ++s)
      if (KeyMatches(s->key, key)) return s;
  return nullptr;
}

void KParamTableEnum(const SKParamTable* table, void (*proc)(const SKParamDef* def, void* data), void* data) {
  if (!table || !proc) return;
  for (const SKParamDef* const* g = table->groups; g && *g; ++g)
    for (const SKParamDef* s = *g; s->key; ++s) proc(s, data);
}

ASBool KParamCheckDef(const SKParamDef* def, SKCab* params, const char* key, EKParamCheckMode mode, char* why,
                       size_t size) {
  char scratch[8];
  SCheck c{mode, why && size ? why : scratch, why && size ? size : sizeof scratch};
  c.why[0] = 0;
  if (!def || !params || !key) return 1;
  return CheckValue(c, def, params, key) ? 1 : 0;
}

ASBool KParamCheck(const SKParamTable* table, SKCab* params, EKParamCheckMode mode, char* why, size_t size) {
  char scratch[8];
  SCheck c{mode, why && size ? why : scratch, why && size ? size : sizeof scratch};
  c.why[0] = 0;
  if (!table || !params) return 1;
  const std::vector<std::string> keys = TopKeys(params);
  if (mode == kKParamCheckRun) {
    for (const std::string& key : keys) {
      // Keys beginning with "." belong to the running system and are never
      // stored; the settings store keeps its bookkeeping in remembered ones.
      if (key[0] == '.' || key == kKCabPersistMaintKey || KnownTopKey(table, key.c_str())) continue;
      char text[1200];
      Say(text, sizeof text, "kparam.warn.key", "%s is not a parameter of %s: it is ignored (see docs/parameters.md).",
          "ss", key.c_str(), table->command ? table->command : "");
      WarnMessageUTF8(text);
    }
  }
  // In the table's order, so that the first refusal does not depend on the file.
  for (const SKParamDef* const* g = table->groups; g && *g; ++g) {
    for (const SKParamDef* s = *g; s->key; ++s) {
      if (IsPattern(s->key)) {
        for (const std::string& key : keys)
          if (KeyMatches(s->key, key.c_str()) && !CheckValue(c, s, params, key.c_str())) return 0;
        continue;
      }
      if (!CheckValue(c, s, params, s->key)) return 0;
      if ((s->flags & kKParamRequired) && KCabGetType(params, s->key) == kKCabTypeAbsent) {
        Say(c.why, c.size, s->missingKey ? s->missingKey : "kparam.err.missing", "%s is not set.", "s", s->key);
        return 0;
      }
    }
  }
  if (table->crossCheck && !table->crossCheck(params, c.why, c.size)) return 0;
  return 1;
}

void KParamFormatNumber(double value, char* out, size_t size) {
  if (!out || !size) return;
  if (std::isnan(value)) {
    CLocaleSnprintf(out, size, "nan");
  } else if (std::isinf(value)) {
    CLocaleSnprintf(out, size, "%s", value > 0 ? "inf" : "-inf");
  } else if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    CLocaleSnprintf(out, size, "%.0f", value);
  } else {
    CLocaleSnprintf(out, size, "%.6g", value);
  }
}

void KParamFormatRange(const SKParamDef* def, char* out, size_t size) {
  if (!out || !size) return;
  out[0] = 0;
  if (!def) return;
  switch (def->kind) {
    case kKParamInt:
    case kKParamNumber:
    case kKParamNumberList:
    case kKParamPage:
    case kKParamPageSize: {
      std::string text = Number(def->min) + " to " + Number(def->max);
      if (def->unit && *def->unit) text += std::string(" ") + def->unit;
      CLocaleSnprintf(out, size, "%s", text.c_str());
      break;
    }
    default:
      break;
  }
}

void KParamFormatWords(const SKParamDef* def, char* out, size_t size) {
  if (!out || !size) return;
  out[0] = 0;
  if (!def || !def->words) return;
  std::string text;
  for (const SKCabEnumWord* w = def->words; w->word; ++w) text += (text.empty() ? "" : ", ") + std::string(w->word);
  CLocaleSnprintf(out, size, "%s", text.c_str());
}

const char* KParamDefaultWord(const SKParamDef* def) {
  if (!def || !def->words) return nullptr;
  const SKCabEnumWord* end = def->words;
  while (end->word) ++end;
  for (const SKCabEnumWord* w = def->words; w->word; ++w)
    if (w->value == end->value) return w->word;
  return nullptr;
}

const char* KParamKindName(EKParamKind kind) {
  switch (kind) {
    case kKParamBool:
      return Text("kparam.kind.bool", "true or false");
    case kKParamInt:
      return Text("kparam.kind.int", "a whole number");
    case kKParamNumber:
      return Text("kparam.kind.number", "a number");
    case kKParamNumberList:
      return Text("kparam.kind.list", "a list of numbers");
    case kKParamWord:
      return Text("kparam.kind.word", "a word");
    case kKParamText:
      return Text("kparam.kind.text", "text");
    case kKParamPage:
      return Text("kparam.kind.page", "a page number or page text");
    case kKParamPageSize:
      return Text("kparam.kind.pagesize", "a page size");
    case kKParamCab:
      return Text("kparam.kind.cab", "a sub-cabinet");
    default:
      return Text("kparam.kind.any", "a value of the system");
  }
}

void KParamWarnUnread(const SKParamTable* table, SKCab* params, SKCab* given) {
  if (!table || !table->unread || !params || !given) return;
  for (const std::string& key : TopKeys(given)) {
    for (const SKParamUnread* rule = table->unread; rule->key; ++rule) {
      if (key != rule->key) continue;
      std::string mode, also;
      if (!WhenHolds(table, params, rule->when, &mode)) continue;
      if (rule->also.mode && !WhenHolds(table, params, rule->also, &also)) continue;
      char text[1200];
      if (rule->also.mode)
        Say(text, sizeof text, "kparam.warn.unread2", "%s is not read with %s = %s and %s = %s: it is ignored.",
            "sssss", key.c_str(), rule->when.mode, mode.c_str(), rule->also.mode, also.c_str());
      else
        Say(text, sizeof text, "kparam.warn.unread", "%s is not read with %s = %s: it is ignored.", "sss", key.c_str(),
            rule->when.mode, mode.c_str());
      WarnMessageUTF8(text);
      break;  // one warning a key
    }
  }
  // A key inside a group ("Source:Range:From") is given when its path is.
  std::vector<std::string> warned;
  for (const SKParamUnread* rule = table->unread; rule->key; ++rule) {
    if (!std::strchr(rule->key, ':') || !KCabKnown(given, rule->key)) continue;
    if (std::find(warned.begin(), warned.end(), rule->key) != warned.end()) continue;
    std::string mode;
    if (!WhenHolds(table, params, rule->when, &mode) || rule->also.mode) continue;
    char text[1200];
    Say(text, sizeof text, "kparam.warn.unread", "%s is not read with %s = %s: it is ignored.", "sss", rule->key,
        rule->when.mode, mode.c_str());
    WarnMessageUTF8(text);
    warned.emplace_back(rule->key);
  }
}

std::string KParamUnreadWhenText(const SKParamUnread* rule) {
  if (!rule) return "";
  std::string text = std::string(rule->when.mode) + " = " + OrWords(rule->when.values);
  if (rule->also.mode) text += std::string(" and ") + rule->also.mode + " = " + OrWords(rule->also.values);
  return text;
}

ASBool KParamCheckTyped(const SKParamTable* table, SKCab* params, const char* const* keys, ASInt32 count, char* why,
                        size_t size) {
  char scratch[8];
  SCheck c{kKParamCheckLook, why && size ? why : scratch, why && size ? size : sizeof scratch};
  c.why[0] = 0;
  if (!table || !params || !keys) return 1;
  for (ASInt32 i = 0; i < count; ++i) {
    const std::string key = keys[i] ? keys[i] : "";
    if (key.empty() || key[0] == '.') continue;
    if (!TypedKeyKnown(c, table, key)) return 0;
    for (const SKParamUnread* rule = table->unread; rule && rule->key; ++rule) {
      if (!RuleNames(rule, key)) continue;
      std::string mode, also;
      if (!WhenHolds(table, params, rule->when, &mode)) continue;
      if (rule->also.mode && !WhenHolds(table, params, rule->also, &also)) continue;
      if (!UnreadAllowed(c, table, rule, key)) return 0;
    }
  }
  return 1;
}

ASBool KParamCheckTypedKey(const SKParamTable* table, const char* key, char* why, size_t size) {
  char scratch[8];
  SCheck c{kKParamCheckLook, why && size ? why : scratch, why && size ? size : sizeof scratch};
  c.why[0] = 0;
  return !table || !key || TypedKeyKnown(c, table, key) ? 1 : 0;
}

std::string KParamNearestKeys(const SKParamTable* table, const char* key) { return NearestOf(key, UserKeys(table)); }

std::string KParamNearestWords(const SKParamDef* def, const char* word) {
  std::vector<std::string> words;
  for (const SKCabEnumWord* w = def && def->words ? def->words : nullptr; w && w->word; ++w) words.emplace_back(w->word);
  return NearestOf(word, words);
}
