#include "frame/ParamSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/KParams.h"
#include "foundation/MessageFormat.h"
#include "pdftools/PageSizes.h"

namespace {

struct SUnit {
  const char* name;
  double points;
};
const SUnit kUnits[] = {{"pt", 1.0}, {"mm", 72.0 / 25.4}, {"cm", 720.0 / 25.4}, {"in", 72.0}};

// The parts of a page size a setting may give one by one.
const SKCabEnumWord kSizeTypeWords[] = {{0, "Blank"}, {1, "Background"}, {0, nullptr}};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

std::string Lowered(std::string t) {
  for (char& c : t) c = Lower(c);
  return t;
}

std::string Trimmed(const std::string& t) {
  size_t from = 0, to = t.size();
  while (from < to && IsBlank(t[from])) ++from;
  while (to > from && IsBlank(t[to - 1])) --to;
  return t.substr(from, to - from);
}

// A number at the start of text: a sign, digits with a point, an exponent;
// or nan, inf, infinity. The rest of the text is left in *rest.
bool ReadNumber(const std::string& text, double* value, std::string* rest) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (const char* word : {"infinity", "inf", "nan"}) {
    const size_t n = std::strlen(word);
    if (Lowered(text.substr(i, n)) == word) {
      const double v = word[0] == 'n' ? NAN : INFINITY;
      *value = i > 0 && text[0] == '-' ? -v : v;
      *rest = text.substr(i + n);
      return true;
    }
  }
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  *value = CLocaleStrtod(text.substr(0, i).c_str(), nullptr);
  *rest = text.substr(i);
  return true;
}

// A number alone, the whole text.
bool ReadPlainNumber(const std::string& text, double* value) {
  std::string rest;
  return ReadNumber(Trimmed(text), value, &rest) && rest.empty();
}

// A number and its unit word ("" when none), the whole text.
bool ReadAmount(const std::string& text, double* value, std::string* unit) {
  std::string rest;
  if (!ReadNumber(Trimmed(text), value, &rest)) return false;
  *unit = Lowered(Trimmed(rest));
  return true;
}

// The points of an amount in unit ("" is points); false for a unit that is
// no length's.
bool ToPoints(double value, const std::string& unit, double* points) {
  if (unit.empty()) {
    *points = value;
    return true;
  }
  for (const SUnit& u : kUnits) {
    if (unit == u.name) {
      *points = value * u.points;
      return true;
    }
  }
  return false;
}

bool ReadLength(const std::string& text, double* points) {
  double v;
  std::string unit;
  return ReadAmount(text, &v, &unit) && ToPoints(v, unit, points);
}

// Digits with a sign, of any length; *value is exact within the cabinet's
// whole numbers, and only says how far outside them it lies beyond.
bool ReadWhole(const std::string& text, double* value) {
  const std::string t = Trimmed(text);
  size_t i = t.size() && (t[0] == '+' || t[0] == '-') ? 1 : 0;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (!IsDigit(t[k])) return false;
  *value = CLocaleStrtod(t.c_str(), nullptr);
  return true;
}

bool ReadBool(const std::string& text, ASBool* value) {
  const std::string t = Lowered(Trimmed(text));
  for (const char* yes : {"1", "true", "yes"})
    if (t == yes) return (*value = 1), true;
  for (const char* no : {"0", "false", "no"})
    if (t == no) return (*value = 0), true;
  return false;
}

bool IsLength(const SKParamDef* def) { return def->unit && std::strcmp(def->unit, "pt") == 0; }

// A length typed in a unit lands on a limit of its range within the rounding
// of the conversion: 508mm is 1440 pt, as 20in is.
double OnLimit(const SKParamDef* def, double v) {
  if (!std::isfinite(v)) return v;
  const double tolerance = 1e-9 * std::max(1.0, std::fabs(v));
  if (std::fabs(v - def->max) <= tolerance) return def->max;
  if (std::fabs(v - def->min) <= tolerance) return def->min;
  return v;
}

std::string RangeText(const SKParamDef* def) {
  char text[200];
  KParamFormatRange(def, text, sizeof text);
  return text;
}

std::string WordsText(const SKParamDef* def) {
  char text[1000];
  KParamFormatWords(def, text, sizeof text);
  return text;
}

struct SSay {
  char* why;
  size_t size;
  // The refusal "KEY takes WHAT, not "VALUE"." of a message key.
  bool Takes(const char* message, const char* fallback, const std::string& key, const std::string& what,
             const std::string& value) {
    FormatMessageByKeyUTF8(nullptr, message, fallback, why, size, "sss", key.c_str(), what.c_str(), value.c_str());
    return false;
  }
  bool Takes2(const char* message, const char* fallback, const std::string& key, const std::string& what,
              const std::string& value, const std::string& more) {
    FormatMessageByKeyUTF8(nullptr, message, fallback, why, size, "ssss", key.c_str(), what.c_str(), value.c_str(),
                           more.c_str());
    return false;
  }
  bool Key(const char* message, const char* fallback, const std::string& key) {
    FormatMessageByKeyUTF8(nullptr, message, fallback, why, size, "s", key.c_str());
    return false;
  }
};

// The entries of the collection by name, in its order, each name once.
std::vector<std::string> SizeNames(SKCab* sizes) {
  std::vector<std::string> names;
  if (!sizes) return names;
  KCabConstEnum(
      sizes,
      [](SKCab* c, const char* key, ASInt32 type, void* data) -> ASBool {
        auto* names = static_cast<std::vector<std::string>*>(data);
        const char* name = type == kKCabTypeCab ? PageSizeCabGetName(KCabGetCab(c, key)) : nullptr;
        if (!name || !*name) return 1;
        for (const std::string& n : *names)
          if (Lowered(n) == Lowered(name)) return 1;
        names->push_back(name);
        return 1;
      },
      &names);
  return names;
}

// The page size a named entry stands for, as a parameter holds it: the blank
// size, or the background's file and pages; null when no entry has the name.
SKCab* NamedSize(SKCab* sizes, const std::string& name) {
  if (!sizes || name.empty()) return nullptr;
  struct SFind {
    std::string name;
    SKCab* found = nullptr;
  } f{Lowered(name)};
  // The last match, as the collection's own lookups take it.
  KCabConstEnum(
      sizes,
      [](SKCab* c, const char* key, ASInt32 type, void* data) -> ASBool {
        auto* f = static_cast<SFind*>(data);
        SKCab* entry = type == kKCabTypeCab ? KCabGetCab(c, key) : nullptr;
        const char* n = entry ? PageSizeCabGetName(entry) : nullptr;
        if (n && Lowered(n) == f->name) f->found = entry;
        return 1;
      },
      &f);
  if (!f.found) return nullptr;
  KCabHolder size(KCabNewInner());
  double w = 0, h = 0;
  if (PageSizeCabGetBlankSize(f.found, &w, &h)) {
    KCabPutAtom(size.get(), "Type", ASAtomFromString("Blank"));
    KCabPutDouble(size.get(), "Width", w);
    KCabPutDouble(size.get(), "Height", h);
    return size.Release();
  }
  if (!PageSizeCabIsBackground(f.found)) return nullptr;
  KCabPutAtom(size.get(), "Type", ASAtomFromString("Background"));
  KCabPutStringCopy(size.get(), "DIPath", KCabGetString(f.found, "DIPath"));
  for (const char* side : {"From", "To", "Repeat"})
    if (KCabGetType(f.found, side) == kKCabTypeInt) KCabPutInt(size.get(), side, KCabGetInt(f.found, side, 0));
  return size.Release();
}

// Width x height, each with a unit or, when one of them has none, the
// other's: 85x55mm, 8.5 x 11 in, 210mm x 297mm, 612x792.
SKCab* SidesSize(const std::string& text) {
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return nullptr;
  double w, h;
  std::string wu, hu;
  if (!ReadAmount(text.substr(0, x), &w, &wu) || !ReadAmount(text.substr(x + 1), &h, &hu)) return nullptr;
  if (wu.empty()) wu = hu;
  if (hu.empty()) hu = wu;
  if (!ToPoints(w, wu, &w) || !ToPoints(h, hu, &h)) return nullptr;
  SKCab* size = KCabNewInner();
  KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
  KCabPutDouble(size, "Width", w);
  KCabPutDouble(size, "Height", h);
  return size;
}

// A standard size by its name (A4, SRA3, Letter, ...), as a blank size.
SKCab* StandardSize(const std::string& text) {
  double w = 0, h = 0;
  if (!PageSizeFromStandardName(text.c_str(), &w, &h)) return nullptr;
  SKCab* size = KCabNewInner();
  KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
  KCabPutDouble(size, "Width", w);
  KCabPutDouble(size, "Height", h);
  return size;
}

// The size text names, as the collection's names, the standard names and
// two sides are tried in turn; null when it names none.
SKCab* TypedSize(SKCab* sizes, const std::string& text) {
  SKCab* size = NamedSize(sizes, text);
  if (!size) size = StandardSize(text);
  if (!size) size = SidesSize(text);
  return size;
}

// An orientation written into a size ("A4 landscape"): the word the
// orientation keys take for it, and in *rest the text without it; null when
// no word of the text is one.
const char* OrientationIn(const std::string& text, std::string* rest) {
  struct SWay {
    const char* word;
    const char* way;
  };
  static const SWay kWays[] = {{"landscape", "Wide"}, {"wide", "Wide"}, {"portrait", "Tall"}, {"tall", "Tall"}};
  auto isWordChar = [](char c) { return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'z'); };
  for (size_t from = 0; from < text.size();) {
    if (!isWordChar(text[from])) {
      ++from;
      continue;
    }
    size_t to = from;
    while (to < text.size() && isWordChar(text[to])) ++to;
    const std::string word = Lowered(text.substr(from, to - from));
    for (const SWay& w : kWays) {
      if (word != w.word) continue;
      std::string left = text.substr(0, from) + " " + text.substr(to);
      const char* strip = " \t\r\n,;-_()/";
      const size_t a = left.find_first_not_of(strip), b = left.find_last_not_of(strip);
      *rest = a == std::string::npos ? std::string() : left.substr(a, b - a + 1);
      return w.way;
    }
    from = to;
  }
  return nullptr;
}

// The names a refusal offers: the collection's (a few, when the user has
// saved many) and then the standard families. A collection name that is a
// standard one is said by its family.
std::string OfferedSizeNames(SKCab* sizes) {
  constexpr size_t kMostShown = 12;
  std::vector<std::string> own;
  for (const std::string& n : SizeNames(sizes))
    if (!PageSizeFromStandardName(n.c_str(), nullptr, nullptr)) own.push_back(n);
  std::string names;
  for (size_t i = 0; i < own.size() && i < kMostShown; ++i) names += own[i] + ", ";
  if (own.size() > kMostShown) {
    char more[100];
    FormatMessageByKeyUTF8(nullptr, "kvset.err.pagesizemore", "%d more", more, sizeof more, "d",
                           (int)(own.size() - kMostShown));
    names += std::string(more) + ", ";
  }
  return names + PageSizeStandardNamesText();
}

bool StorePageSize(SSay& say, const SKParamDef* def, SKCab* sizes, SKCab* params, const std::string& key,
                   const std::string& value) {
  const std::string text = Trimmed(value);
  SKCab* size = TypedSize(sizes, text);
  if (!size) {
    // The orientation has keys of its own, named after the size's key as the
    // dialogs name them (Page, PageOrientation; FixedSize,
    // FixedSizeOrientation).
    const std::string orientationKey = key + "Orientation";
    std::string rest;
    if (const char* way = OrientationIn(text, &rest)) {
      KCabHolder plain(rest.empty() ? nullptr : TypedSize(sizes, rest));
      if (plain.get()) {
        FormatMessageByKeyUTF8(nullptr, "kvset.err.pagesizeturned",
                               "%s takes a page size without its orientation, not \"%s\": set %s=%s and %s=%s.",
                               say.why, say.size, "ssssss", key.c_str(), value.c_str(), key.c_str(), rest.c_str(),
                               orientationKey.c_str(), way);
        return false;
      }
      FormatMessageByKeyUTF8(nullptr, "kvset.err.pagesizeway",
                             "%s takes a page size: a name (%s) or width x height, such as 85x55mm or 8.5x11in, not "
                             "\"%s\"; the orientation is set apart, by %s=%s.",
                             say.why, say.size, "sssss", key.c_str(), OfferedSizeNames(sizes).c_str(), value.c_str(),
                             orientationKey.c_str(), way);
      return false;
    }
    return say.Takes("kvset.err.pagesize",
                     "%s takes a page size: a name (%s) or width x height, such as 85x55mm or 8.5x11in, not \"%s\".",
                     key, OfferedSizeNames(sizes), value);
  }
  for (const char* side : {"Width", "Height"})
    if (KCabGetType(size, side) == kKCabTypeDouble) KCabPutDouble(size, side, OnLimit(def, KCabGetDouble(size, side, 0)));
  KCabPutCab(params, key.c_str(), size);
  return true;
}

bool StoreLengths(SSay& say, const SKParamDef* def, SKCab* params, const std::string& key, const std::string& value) {
  std::vector<double> values;
  std::string rest = value;
  for (;;) {
    size_t from = 0;
    while (from < rest.size() && IsBlank(rest[from])) ++from;
    if (from == rest.size()) break;
    size_t to = from;
    // A unit may stand apart from its number ("5 mm 10 mm").
    while (to < rest.size() && !IsBlank(rest[to])) ++to;
    size_t next = to;
    while (next < rest.size() && IsBlank(rest[next])) ++next;
    size_t unitEnd = next;
    while (unitEnd < rest.size() && !IsBlank(rest[unitEnd])) ++unitEnd;
    std::string word = rest.substr(from, to - from);
    const std::string after = Lowered(rest.substr(next, unitEnd - next));
    bool unitApart = false;
    for (const SUnit& u : kUnits) unitApart = unitApart || after == u.name;
    if (unitApart && IsLength(def)) {
      word += after;
      to = unitEnd;
    }
    double v;
    bool read = IsLength(def) ? ReadLength(word, &v) : ReadPlainNumber(word, &v);
    if (!read) {
      if (IsLength(def))
        return say.Takes("kvset.err.lengths",
                         "%s takes lengths separated by blanks, each from %s, with a unit mm, cm, in or pt (without "
                         "one, points), not \"%s\".",
                         key, RangeText(def), value);
      return say.Takes("kvset.err.numbers", "%s takes numbers separated by blanks, each from %s, not \"%s\".", key,
                       RangeText(def), value);
    }
    values.push_back(OnLimit(def, v));
    rest = rest.substr(to);
  }
  // Written as the dialogs write such lists.
  KCabPutDoubleArray(params, key.c_str(), values.data(), (ASInt32)values.size());
  return true;
}

// A whole number that does not fit the cabinet's lies outside every range:
// said as the table says a number out of range.
bool WholeOutOfRange(SSay& say, const SKParamDef* def, const std::string& key, double v) {
  char number[64];
  KParamFormatNumber(v, number, sizeof number);
  FormatMessageByKeyUTF8(nullptr, "kparam.err.range", "%s = %s is refused: it must be %s from %s.", say.why, say.size,
                         "ssss", key.c_str(), number, KParamKindName(def->kind), RangeText(def).c_str());
  return false;
}

// Stores value under key as def's kind.
bool StoreAs(SSay& say, const SKParamDef* def, SKCab* sizes, SKCab* params, const std::string& key,
             const std::string& value) {
  const char* k = key.c_str();
  switch (def->kind) {
    case kKParamBool: {
      ASBool b;
      if (!ReadBool(value, &b))
        return say.Takes("kvset.err.bool", "%s takes %s (1 or 0, yes or no), not \"%s\".", key,
                         KParamKindName(def->kind), value);
      KCabPutBool(params, k, b);
      return true;
    }
    case kKParamInt:
    case kKParamPage: {
      double v;
      if (!ReadWhole(value, &v)) {
        // A page may be named by a page text ("last-1").
        if (def->kind == kKParamPage) {
          KCabPutStringCopy(params, k, value.c_str());
          return true;
        }
        return say.Takes("kvset.err.int", "%s takes a whole number from %s, not \"%s\".", key, RangeText(def), value);
      }
      if (v < INT32_MIN || v > INT32_MAX) return WholeOutOfRange(say, def, key, v);
      KCabPutInt(params, k, (ASInt32)v);
      return true;
    }
    case kKParamNumber: {
      double v;
      if (IsLength(def) ? !ReadLength(value, &v) : !ReadPlainNumber(value, &v)) {
        if (IsLength(def))
          return say.Takes("kvset.err.length",
                           "%s takes a length from %s, with a unit mm, cm, in or pt (without one, points), not \"%s\".",
                           key, RangeText(def), value);
        return say.Takes("kvset.err.number", "%s takes a number from %s, not \"%s\".", key, RangeText(def), value);
      }
      KCabPutDouble(params, k, OnLimit(def, v));
      return true;
    }
    case kKParamNumberList:
      return StoreLengths(say, def, params, key, value);
    case kKParamWord: {
      const std::string word = Trimmed(value);
      if (word.empty()) {
        const std::string words = WordsText(def);
        if (words.empty()) {
          FormatMessageByKeyUTF8(nullptr, "kvset.err.anyword", "%s takes a word, not \"%s\".", say.why, say.size, "ss",
                                 k, value.c_str());
          return false;
        }
        return say.Takes("kvset.err.word", "%s takes one of the words %s, not \"%s\".", key, words, value);
      }
      if (!def->words) {
        KCabPutAtom(params, k, ASAtomFromString(word.c_str()));
        return true;
      }
      // Typed words are read in any letter case, as page names are, and
      // stored as the table spells them; a word it does not take is a mistake.
      for (const SKCabEnumWord* w = def->words; w->word; ++w) {
        if (Lowered(w->word) == Lowered(word)) {
          KCabPutAtom(params, k, ASAtomFromString(w->word));
          return true;
        }
      }
      const std::string nearest = KParamNearestWords(def, word.c_str());
      if (!nearest.empty())
        return say.Takes2("kvset.err.wordnear", "%s takes one of the words %s, not \"%s\"; did you mean %s?", key,
                          WordsText(def), value, nearest);
      return say.Takes("kvset.err.word", "%s takes one of the words %s, not \"%s\".", key, WordsText(def), value);
    }
    case kKParamText:
      KCabPutStringCopy(params, k, value.c_str());
      return true;
    case kKParamPageSize:
      return StorePageSize(say, def, sizes, params, key, value);
    default:
      return say.Key("kvset.err.group",
                     "%s cannot be set on its own: it holds a group of values or a value the system keeps; give it "
                     "in a parameter file.",
                     key);
  }
}

// What a part of a page size holds, under the page size's bounds.
bool SizePartDef(const SKParamDef* size, const std::string& part, const std::string& key, SKParamDef* def) {
  *def = SKParamDef{nullptr, kKParamText, 0, 0, nullptr, 0, nullptr, nullptr, nullptr};
  def->key = key.c_str();
  if (part == "Width" || part == "Height") {
    def->kind = kKParamNumber;
    def->min = size->min;
    def->max = size->max;
    def->unit = "pt";
  } else if (part == "Type") {
    def->kind = kKParamWord;
    def->words = kSizeTypeWords;
    def->flags = kKParamRefuseUnknownWord;
  } else if (part == "From" || part == "To" || part == "Repeat") {
    def->kind = kKParamInt;
    def->min = 0;
    def->max = INT32_MAX;
  } else if (part != "DIPath") {
    return false;
  }
  return true;
}

// A key is a name or a path of names; keys that begin with "." belong to the
// running system.
bool GoodKey(const std::string& key) {
  if (key.empty() || key[0] == '.' || key[0] == ':' || key.back() == ':') return false;
  return key.find("::") == std::string::npos;
}

// Stores the setting; def receives the definition its value is checked by
// (null for a key the table does not know).
bool Apply(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, SSay& say,
           SKParamDef* part, const SKParamDef** def) {
  *def = nullptr;
  const char* eq = setting ? std::strchr(setting, '=') : nullptr;
  if (!eq || eq == setting) {
    FormatMessageByKeyUTF8(nullptr, "kvset.err.form", "\"%s\" is no setting: KEY=VALUE is needed, such as FitAcross=2.",
                           say.why, say.size, "s", setting ? setting : "");
    return false;
  }
  const std::string key(setting, (size_t)(eq - setting));
  const std::string value(eq + 1);
  if (!GoodKey(key))
    return say.Key("kvset.err.key", "\"%s\" is no key: a key is a name, or a path of names such as Page:Width.", key);
  if (!params) return true;
  if (const SKParamDef* found = KParamTableFind(table, key.c_str())) {
    if (!StoreAs(say, found, sizes, params, key, value)) return false;
    *def = found;
    return true;
  }
  const size_t colon = key.find(':');
  const SKParamDef* top = colon == std::string::npos ? nullptr : KParamTableFind(table, key.substr(0, colon).c_str());
  if (top && top->kind == kKParamPageSize) {
    const std::string name = key.substr(colon + 1);
    if (!SizePartDef(top, name, key, part))
      return say.Key("kvset.err.sizepart",
                     "%s is no part of a page size: its parts are Type, Width, Height, DIPath, From, To and Repeat.",
                     key);
    if (!StoreAs(say, part, sizes, params, key, value)) return false;
    *def = part;
    return true;
  }
  if (top && top->kind != kKParamCab && top->kind != kKParamAny) {
    FormatMessageByKeyUTF8(nullptr, "kvset.err.path", "%s cannot be set: %s holds one value, not a group of them.",
                           say.why, say.size, "ss", key.c_str(), top->key);
    return false;
  }
  // A path into a group names a key the table does not have.
  if (top && colon + 1 < key.size() && top->kind == kKParamCab) {
    KParamCheckTypedKey(table, key.c_str(), say.why, say.size);
    return false;
  }
  if (top) return StoreAs(say, top, sizes, params, key, value);  // refused: the group is the system's
  // Not in the table: kept as text, which the table's check warns about.
  KCabPutStringCopy(params, key.c_str(), value.c_str());
  return true;
}

// Applies the setting and, when asked, holds its value to the table's range
// without a word shown.
ASBool ApplyAndCheck(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, bool check,
                     char* why, size_t size) {
  char scratch[8];
  SSay say{why && size ? why : scratch, why && size ? size : sizeof scratch};
  say.why[0] = 0;
  SKParamDef part{};
  const SKParamDef* def = nullptr;
  if (!Apply(table, sizes, params, setting, say, &part, &def)) return 0;
  if (!check || !params) return 1;
  const std::string key(setting, (size_t)(std::strchr(setting, '=') - setting));
  // A key typed for a command is one of its own.
  if (!def) return table ? KParamCheckTypedKey(table, key.c_str(), say.why, say.size) : 1;
  return KParamCheckDef(def, params, key.c_str(), kKParamCheckLook, say.why, say.size) ? 1 : 0;
}

}  // namespace

ASBool KVParamSettingApply(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, char* why,
                           size_t size) {
  return ApplyAndCheck(table, sizes, params, setting, false, why, size);
}

ASBool KVParamSettingCheck(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, char* why,
                           size_t size) {
  return ApplyAndCheck(table, sizes, params, setting, true, why, size);
}
