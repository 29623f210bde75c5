#include "frame/Describe.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "frame/FramePrivate.h"

using frame_detail::Msg;

namespace {

constexpr size_t kPieceSize = 100;  // at most 99 bytes of text
constexpr size_t kLineSize = 1000;

const char* WordOf(ASInt32 value, const char* const* keys, ASInt32 count) {
  return Msg(value >= 0 && value < count ? keys[value] : "common.unknownorbad");
}

// The format made to print a string where it prints its one integer: the
// first conversion ("%%" is none) is replaced whole, flags, width and length
// included, by "%s" (keeping a "n$" position). False when that conversion is
// not an integer one.
bool StringFormatOf(const char* format, char* out, size_t size) {
  std::string text = format ? format : "";
  for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at)) {
    if (at + 1 < text.size() && text[at + 1] == '%') {
      at += 2;
      continue;
    }
    size_t p = at + 1, digits = p;
    while (p < text.size() && std::isdigit((unsigned char)text[p])) ++p;
    std::string position = p > digits && p < text.size() && text[p] == '$' ? text.substr(digits, ++p - digits) : "";
    if (position.empty()) p = at + 1;
    while (p < text.size() && std::strchr("-+ #0'", text[p])) ++p;
    while (p < text.size() && (std::isdigit((unsigned char)text[p]) || text[p] == '.')) ++p;
    while (p < text.size() && std::strchr("hlLqjzt", text[p])) ++p;
    if (p >= text.size() || !std::strchr("diuoxX", text[p])) return false;
    text.replace(at, p + 1 - at, "%" + position + "s");
    std::snprintf(out, size, "%s", text.c_str());
    return true;
  }
  return false;
}

// The message's text formatted with one integer, into a piece.
void IntPiece(char* out, const char* key, ASInt32 value) {
  FormatMessageByKeyUTF8(nullptr, key, nullptr, out, kPieceSize, "d", (int)value);
}

}  // namespace

const char* EdgeDescription(ASInt32 edge) {
  static const char* const keys[] = {"common.edge.topword", "common.edge.bottomword", "common.edge.leftword",
                                     "common.edge.rightword"};
  return WordOf(edge, keys, 4);
}

const char* DirectionDescription(ASInt32 direction) {
  static const char* const keys[] = {"common.direction.upword", "common.direction.downword",
                                     "common.direction.leftword", "common.direction.rightword"};
  return WordOf(direction, keys, 4);
}

const char* PageAlignDescription(ASInt32 alignment) {
  static const char* const keys[] = {"common.align.bottomleftwords",  "common.align.bottomcentrewords",
                                     "common.align.bottomrightwords", "common.align.topleftwords",
                                     "common.align.topcentre",        "common.align.toprightwords",
                                     "common.align.leftcentreword",   "common.align.rightcentrewords",
                                     "common.align.centrewords"};
  return WordOf(alignment, keys, 9);
}

const char* YesNoDescription(ASBool flag) { return Msg(flag ? "common.yesword" : "common.noword"); }

ASInt32 SPrintfUnboundedIntOrStringDecimalFormat(SKCab* cab, const char* key, ASInt32 defaultValue, char* out,
                                                  size_t size, const char* format) {
  if (!out || size == 0) return 0;
  out[0] = 0;
  // Formats come from the message table: checked against what is passed.
  if (KCabGetType(cab, key) == kKCabTypeString) {
    // A format that does not take the value prints the value alone, never
    // the bare template.
    char adapted[kLineSize];
    const char* use = StringFormatOf(format, adapted, sizeof adapted) ? adapted : format;
    FormatMessageTextUTF8(out, size, use, "%s", nullptr, "s", KCabGetString(cab, key));
  } else {
    FormatMessageTextUTF8(out, size, format, "%d", nullptr, "d", (int)KCabGetInt(cab, key, defaultValue));
  }
  return (ASInt32)std::strlen(out);
}

void DescribeRangeWithCustomData(SKCab* description, SKCab* params, ASAtom evenOdd, ASAtom rangeType,
                                 const char* fromKey, const char* toKey, const char* forKey, const char* stepKey) {
  const bool odd = evenOdd == Atom("Odd"), even = evenOdd == Atom("Even");
  char line[kLineSize];
  if (rangeType == Atom("AllDoc")) {
    std::snprintf(line, sizeof line, "%s", Msg(odd ? "imputil.3.a.1" : even ? "imputil.3.a.2" : "imputil.3.a.3"));
  } else if (rangeType == Atom("CurrentPage")) {
    std::snprintf(line, sizeof line, "%s", Msg(odd ? "imputil.3.a.4" : even ? "imputil.3.a.5" : "imputil.3.a.6"));
  } else if (rangeType == Atom("SubDoc")) {
    char from[kPieceSize], to[kPieceSize], step[kPieceSize] = "", parity[kPieceSize] = "";
    ASInt32 fromType = KCabGetType(params, fromKey);
    if (fromType == kKCabTypeInt || fromType == kKCabTypeString) {
      // A page word ("last - 3") is described as written, as "To" is.
      SPrintfUnboundedIntOrStringDecimalFormat(params, fromKey, 1, from, sizeof from, Msg("imputil.3.a.8"));
    } else {
      std::snprintf(from, sizeof from, "%s", Msg("imputil.3.a.7"));
    }
    ASInt32 toType = KCabGetType(params, toKey);
    if (toType == kKCabTypeInt || toType == kKCabTypeString) {
      SPrintfUnboundedIntOrStringDecimalFormat(params, toKey, 1, to, sizeof to, Msg("imputil.3.a.11"));
    } else if (KCabGetType(params, forKey) == kKCabTypeInt) {
      IntPiece(to, "imputil.3.a.10", KCabGetInt(params, forKey, 0));
    } else {
      std::snprintf(to, sizeof to, "%s", Msg("imputil.3.a.9"));
    }
    if (KCabGetType(params, stepKey) == kKCabTypeInt && KCabGetInt(params, stepKey, 1) != 1) {
      IntPiece(step, "imputil.3.a.12", KCabGetInt(params, stepKey, 1));
    }
    if (odd) std::snprintf(parity, sizeof parity, "%s", Msg("imputil.3.a.13"));
    else if (even) std::snprintf(parity, sizeof parity, "%s", Msg("imputil.3.a.14"));
    FormatMessageByKeyUTF8(nullptr, "imputil.3.a.15", nullptr, line, sizeof line, "ssss", from, to, step, parity);
  } else {
    std::snprintf(line, sizeof line, "%s", Msg("imputil.3.a.16"));
  }
  KCabPutStringCopy(description, "", line);
}

void DescribeRange(SKCab* description, SKCab* params) {
  DescribeRangeWithCustomData(description, params, KCabGetAtom(params, "Source:Range:EvenOdd", Atom("Both")),
                              KCabGetAtom(params, "Source:Range:RangeType", Atom("AllDoc")), "Source:Range:From",
                              "Source:Range:To", "Source:Range:For", "Source:Range:Step");
}
