// The inline-image scan: given the bytes after BI, how many make up the
// image up to and including EI.
//
// The data length is computed from the image's dictionary when the data are
// not filtered (or /L gives it, read even from a dictionary that does not
// read otherwise); filtered data end where their filter's data
// end: hexadecimal and base-85 data at their end markers, Flate data where
// the deflate stream ends, DCT data at the image's end marker, run-length
// data at their end code. Otherwise (other filters, data that do not read)
// the data are searched for an EI between white space and what reads as
// content: tokens that end in an operator.
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "host/ASStm.h"
#include "host/CosPriv.h"

using namespace hostpdf;

namespace {

constexpr size_t kMaxDict = 65536;
constexpr size_t kProcEvery = 65536;

bool IsWhite(unsigned char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool IsDelim(unsigned char c) { return std::strchr("()<>[]{}/%", c) != nullptr && c != 0; }

struct Scan {
  const std::string& d;
  size_t pos = 0;
  explicit Scan(const std::string& data) : d(data) {}
  bool End() const { return pos >= d.size(); }
  unsigned char Peek() const { return (unsigned char)d[pos]; }

  void SkipWhiteAndComments() {
    while (!End()) {
      if (IsWhite(Peek())) {
        ++pos;
      } else if (Peek() == '%') {
        while (!End() && Peek() != '\r' && Peek() != '\n') ++pos;
      } else {
        return;
      }
    }
  }

  // Steps over one token; returns false when the data end inside it.
  bool SkipToken() {
    unsigned char c = Peek();
    if (c == '(') {
      int depth = 0;
      while (!End()) {
        unsigned char x = Peek();
        ++pos;
        if (x == '\\') {
          if (End()) return false;
          ++pos;
        } else if (x == '(') {
          ++depth;
        } else if (x == ')' && --depth == 0) {
          return true;
        }
      }
      return false;
    }
    if (c == '<') {
      if (pos + 1 < d.size() && d[pos + 1] == '<') {
        pos += 2;
        return true;
      }
      size_t close = d.find('>', pos);
      if (close == std::string::npos) return false;
      pos = close + 1;
      return true;
    }
    if (c == '>') {
      pos += (pos + 1 < d.size() && d[pos + 1] == '>') ? 2 : 1;
      return true;
    }
    if (c == '[' || c == ']' || c == '{' || c == '}') {
      ++pos;
      return true;
    }
    size_t from = pos;
    if (c == '/') ++pos;
    while (!End() && !IsWhite(Peek()) && !IsDelim(Peek())) ++pos;
    if (pos == from) ++pos;  // a stray delimiter such as ')' is a token of its own
    return true;
  }

  bool KeywordAt(size_t at, const char* word) const {
    size_t n = std::strlen(word);
    if (at + n > d.size() || d.compare(at, n, word) != 0) return false;
    return at + n == d.size() || IsWhite((unsigned char)d[at + n]) || IsDelim((unsigned char)d[at + n]);
  }
};

QPDFObjectHandle Get(QPDFObjectHandle dict, const char* shortKey, const char* longKey) {
  QPDFObjectHandle v = dict.getKey(shortKey);
  return v.isNull() ? dict.getKey(longKey) : v;
}

// Components per sample, or 0 when unknown.
int Components(QPDFObjectHandle cs, QPDFObjectHandle resources, int depth = 0) {
  if (depth > 4) return 0;
  if (cs.isName()) {
    std::string n = cs.getName();
    if (n == "/G" || n == "/DeviceGray" || n == "/CalGray" || n == "/I" || n == "/Indexed") return 1;
    if (n == "/RGB" || n == "/DeviceRGB" || n == "/CalRGB" || n == "/Lab") return 3;
    if (n == "/CMYK" || n == "/DeviceCMYK") return 4;
    if (resources.isDictionary()) {
      QPDFObjectHandle spaces = resources.getKey("/ColorSpace");
      if (spaces.isDictionary() && spaces.hasKey(n)) return Components(spaces.getKey(n), resources, depth + 1);
    }
    return 0;
  }
  if (cs.isArray() && cs.getArrayNItems() > 0 && cs.getArrayItem(0).isName()) {
    std::string family = cs.getArrayItem(0).getName();
    if (family == "/I" || family == "/Indexed" || family == "/Separation" || family == "/CalGray") return 1;
    if (family == "/CalRGB" || family == "/Lab") return 3;
    if (family == "/DeviceN" && cs.getArrayNItems() > 1 && cs.getArrayItem(1).isArray())
      return cs.getArrayItem(1).getArrayNItems();
    if (family == "/ICCBased" && cs.getArrayNItems() > 1 && cs.getArrayItem(1).isStream()) {
      QPDFObjectHandle n = cs.getArrayItem(1).getDict().getKey("/N");
      if (n.isInteger() && n.getIntValue() > 0 && n.getIntValue() <= 32) return (int)n.getIntValue();
    }
  }
  return 0;
}

std::string FirstFilter(QPDFObjectHandle f) {
  if (f.isName()) return f.getName();
  if (f.isArray() && f.getArrayNItems() > 0 && f.getArrayItem(0).isName()) return f.getArrayItem(0).getName();
  return std::string();
}

// EI at `at` standing alone: white space before, and after it white space, a
// delimiter or the end.
bool StandaloneEI(const std::string& d, size_t at, size_t dataStart) {
  if (at + 2 > d.size() || d[at] != 'E' || d[at + 1] != 'I') return false;
  if (at > dataStart && !IsWhite((unsigned char)d[at - 1])) return false;
  return at + 2 == d.size() || IsWhite((unsigned char)d[at + 2]) || IsDelim((unsigned char)d[at + 2]);
}

bool IsOperator(const std::string& t) {
  static const char* const kOperators[] = {
      "b",  "B",  "b*", "B*", "BDC", "BI", "BMC", "BT", "BX", "c",  "cm", "CS", "cs", "d",  "d0", "d1", "Do",
      "DP", "EI", "EMC", "ET", "EX", "f",  "F",  "f*", "G",  "g",  "gs", "h",  "i",  "ID", "j",  "J",  "K",
      "k",  "l",  "m",  "M",  "MP", "n",  "q",  "Q",  "re", "RG", "rg", "ri", "s",  "S",  "SC", "sc", "SCN",
      "scn", "sh", "T*", "Tc", "Td", "TD", "Tf", "Tj", "TJ", "TL", "Tm", "Tr", "Ts", "Tw", "Tz", "v",  "w",
      "W",  "W*", "y",  "'",  "\""};
  for (const char* op : kOperators)
    if (t == op) return true;
  return false;
}

bool IsNumber(const std::string& t) {
  size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  bool digit = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') digit = true;
    else if (t[i] == '.' && !point) point = true;
    else return false;
  }
  return digit;
}

// What follows a real EI is content: operands (strings may hold any byte)
// that end in an operator, or the end of the data. Image data that happen
// to hold "EI" rarely read so.
bool LooksLikeContent(const std::string& d, size_t from) {
  Scan s(d);
  s.pos = from;
  for (int tokens = 0; tokens < 64; ++tokens) {
    s.SkipWhiteAndComments();
    if (s.End()) return true;
    unsigned char c = s.Peek();
    size_t start = s.pos;
    if (c < 32 || c >= 127) return false;  // a control or high byte outside any string
    if (c == '(' || c == '[' || c == ']' || c == '{' || c == '}') {
      if (!s.SkipToken()) return false;
      continue;
    }
    if (c == '<') {
      if (!s.SkipToken()) return false;
      if (s.pos - start >= 2 && d[start + 1] != '<')  // a hexadecimal string holds hex digits
        for (size_t i = start + 1; i + 1 < s.pos; ++i)
          if (!std::isxdigit((unsigned char)d[i]) && !IsWhite((unsigned char)d[i])) return false;
      continue;
    }
    if (!s.SkipToken()) return false;
    std::string t = d.substr(start, s.pos - start);
    for (unsigned char x : t)
      if (x < 33 || x >= 127) return false;
    if (t[0] == '/' || t[0] == '>') continue;
    if ((t[0] >= '0' && t[0] <= '9') || t[0] == '+' || t[0] == '-' || t[0] == '.') {
      if (!IsNumber(t)) return false;
      continue;
    }
    if (t == "true" || t == "false" || t == "null") continue;
    return IsOperator(t);
  }
  return false;
}

// Where data of a filter end, from the data themselves: npos when the
// filter is not one read here or the data do not read as it.
size_t FlateEnd(const std::string& d, size_t from) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::string::npos;
  unsigned char out[16384];
  z.next_in = (Bytef*)(d.data() + from);
  z.avail_in = (uInt)std::min<size_t>(d.size() - from, UINT32_MAX);
  int r = Z_OK;
  while (r == Z_OK) {
    z.next_out = out;
    z.avail_out = sizeof out;
    r = inflate(&z, Z_NO_FLUSH);
  }
  size_t used = (size_t)(z.next_in - (const Bytef*)(d.data() + from));
  inflateEnd(&z);
  return r == Z_STREAM_END ? from + used : std::string::npos;
}

// After the JPEG's end-of-image marker: segments are stepped over by their
// lengths, entropy-coded data up to the next marker that is not a restart.
size_t DctEnd(const std::string& d, size_t from) {
  auto at = [&](size_t i) { return (unsigned char)d[i]; };
  if (from + 2 > d.size() || at(from) != 0xFF || at(from + 1) != 0xD8) return std::string::npos;
  size_t i = from + 2;
  while (i + 1 < d.size()) {
    if (at(i) != 0xFF) return std::string::npos;
    unsigned char m = at(i + 1);
    if (m == 0xFF) {  // fill
      ++i;
      continue;
    }
    if (m == 0xD9) return i + 2;
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      i += 2;
      continue;
    }
    if (i + 3 >= d.size()) return std::string::npos;
    size_t length = ((size_t)at(i + 2) << 8) | at(i + 3);
    if (length < 2) return std::string::npos;
    i += 2 + length;
    if (m != 0xDA) continue;
    // A scan's data: FF 00 is a stuffed byte, FF D0..D7 a restart.
    while (i + 1 < d.size() && !(at(i) == 0xFF && at(i + 1) != 0 && !(at(i + 1) >= 0xD0 && at(i + 1) <= 0xD7))) ++i;
  }
  return std::string::npos;
}

size_t RunLengthEnd(const std::string& d, size_t from) {
  size_t i = from;
  while (i < d.size()) {
    unsigned char n = (unsigned char)d[i];
    if (n == 128) return i + 1;
    i += n < 128 ? (size_t)n + 2 : 2;
  }
  return std::string::npos;
}

// The data length a dictionary that does not read still gives: the last /L
// at its top level followed by a whole number, else the last /Length, as
// the last of duplicated keys counts where a dictionary does read. A copy
// that pins a searched image's end puts its /L there last. -1: none.
long long LengthOfUnreadableDictionary(const std::string& d, size_t idAt) {
  Scan s(d);
  long long lastL = -1, lastLength = -1;
  int depth = 0;
  while (true) {
    s.SkipWhiteAndComments();
    if (s.End() || s.pos >= idAt) break;
    const size_t start = s.pos;
    if (!s.SkipToken()) break;
    const std::string t = d.substr(start, s.pos - start);
    if (t == "[" || t == "<<") {
      ++depth;
      continue;
    }
    if (t == "]" || t == ">>") {
      depth = std::max(0, depth - 1);
      continue;
    }
    if (depth != 0 || (t != "/L" && t != "/Length")) continue;
    s.SkipWhiteAndComments();
    const size_t value = s.pos;
    if (s.End() || value >= idAt || !s.SkipToken()) break;
    const std::string v = d.substr(value, s.pos - value);
    if (v.empty() || v.size() > 12 || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    (t == "/L" ? lastL : lastLength) = std::stoll(v);
  }
  return lastL >= 0 ? lastL : lastLength;
}

ASInt32 ParseInlineImage(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                         CosObj* image, bool toEnd, CosInlineImageParts* parts) {
  if (image) *image = CosNewNull();
  if (!stm) ASRaise(genErrBadParm);
  return Guard([&]() -> ASInt32 {
    std::string d = ReadStm(stm);
    if (d.size() > (size_t)INT32_MAX) ASRaise(cosErrInlineTooLong);
    auto tick = [&](size_t done) {
      if (proc && done % kProcEvery == 0 && !proc(clientData)) ASRaise(genErrCancelled);
    };

    // The dictionary: tokens up to the keyword ID.
    Scan s(d);
    size_t idAt = std::string::npos;
    for (;;) {
      s.SkipWhiteAndComments();
      if (s.End()) ASRaise(s.pos > kMaxDict ? cosErrInlineTooLong : cosErrInlineNeedMore);
      if (s.KeywordAt(s.pos, "ID")) {
        idAt = s.pos;
        break;
      }
      if (s.pos > kMaxDict) ASRaise(cosErrInlineTooLong);
      if (!s.SkipToken()) ASRaise(cosErrInlineNeedMore);
    }
    size_t dataStart = idAt + 2;
    if (dataStart >= d.size()) ASRaise(cosErrInlineNeedMore);
    if (IsWhite((unsigned char)d[dataStart])) ++dataStart;

    QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
    bool readable = false;
    try {
      QPDFObjectHandle parsed = QPDFObjectHandle::parse("<<" + d.substr(0, idAt) + ">>", "inline image");
      if (parsed.isDictionary()) {
        dict = parsed;
        readable = true;
      }
    } catch (...) {
      // An unreadable dictionary gives only its length, else leaves the search for EI.
    }
    QPDFObjectHandle res = CosObjGetType(resources) == CosDict ? Handle(resources) : QPDFObjectHandle::newNull();

    size_t dataEnd = std::string::npos;  // where the data end, when known
    QPDFObjectHandle length = dict.getKey("/L");
    if (length.isNull()) length = dict.getKey("/Length");
    if (!readable) {
      const long long n = LengthOfUnreadableDictionary(d, idAt);
      if (n >= 0) length = QPDFObjectHandle::newInteger(n);
    }
    std::string filter = FirstFilter(Get(dict, "/F", "/Filter"));
    if (length.isInteger() && length.getIntValue() >= 0) {
      long long n = length.getIntValue();
      if ((unsigned long long)n > d.size() - dataStart) ASRaise(cosErrInlineNeedMore);
      dataEnd = dataStart + (size_t)n;
    } else if (filter.empty()) {
      QPDFObjectHandle w = Get(dict, "/W", "/Width"), h = Get(dict, "/H", "/Height");
      QPDFObjectHandle bpc = Get(dict, "/BPC", "/BitsPerComponent");
      QPDFObjectHandle mask = Get(dict, "/IM", "/ImageMask");
      bool isMask = mask.isBool() && mask.getBoolValue();
      int comps = isMask ? 1 : Components(Get(dict, "/CS", "/ColorSpace"), res);
      long long bits = isMask ? 1 : bpc.isInteger() ? bpc.getIntValue() : 8;
      if (w.isInteger() && h.isInteger() && comps > 0 && bits > 0 && bits <= 16 && w.getIntValue() > 0 &&
          h.getIntValue() > 0 && w.getIntValue() < (1 << 24) && h.getIntValue() < (1 << 24)) {
        unsigned long long row = ((unsigned long long)w.getIntValue() * (unsigned long long)comps *
                                      (unsigned long long)bits + 7) / 8;
        unsigned long long total = row * (unsigned long long)h.getIntValue();
        if (total > d.size() - dataStart) ASRaise(cosErrInlineNeedMore);
        dataEnd = dataStart + (size_t)total;
      }
    } else if (filter == "/AHx" || filter == "/ASCIIHexDecode") {
      size_t gt = d.find('>', dataStart);
      if (gt == std::string::npos) ASRaise(cosErrInlineNeedMore);
      dataEnd = gt + 1;
    } else if (filter == "/A85" || filter == "/ASCII85Decode") {
      size_t eod = d.find("~>", dataStart);
      if (eod == std::string::npos) ASRaise(cosErrInlineNeedMore);
      dataEnd = eod + 2;
    } else if (filter == "/Fl" || filter == "/FlateDecode") {
      dataEnd = FlateEnd(d, dataStart);
    } else if (filter == "/DCT" || filter == "/DCTDecode") {
      dataEnd = DctEnd(d, dataStart);
    } else if (filter == "/RL" || filter == "/RunLengthDecode") {
      dataEnd = RunLengthEnd(d, dataStart);
    }
    // Filtered data read to their end: the EI is not before it.
    size_t searchFrom = dataStart;
    if (dataEnd != std::string::npos && !filter.empty()) searchFrom = dataEnd;

    size_t ei = std::string::npos;
    if (dataEnd != std::string::npos) {
      size_t p = dataEnd;
      while (p < d.size() && IsWhite((unsigned char)d[p])) ++p;
      if (p + 2 > d.size()) ASRaise(cosErrInlineNeedMore);
      if (StandaloneEI(d, p, p)) ei = p;
    }
    const bool searched = ei == std::string::npos;
    if (searched) {
      // Searched for: the computed end did not meet an EI, or there was none.
      size_t firstAlone = std::string::npos;
      for (size_t p = searchFrom; p + 2 <= d.size(); ++p) {
        tick(p - dataStart + 1);
        if (!StandaloneEI(d, p, searchFrom)) continue;
        if (firstAlone == std::string::npos) firstAlone = p;
        if (LooksLikeContent(d, p + 2)) {
          ei = p;
          break;
        }
      }
      if (ei == std::string::npos && toEnd) ei = firstAlone;
    }
    if (ei == std::string::npos) ASRaise(cosErrInlineNeedMore);
    if (proc && !proc(clientData)) ASRaise(genErrCancelled);
    if (image && doc) *image = FromNewDirect(doc, dict);
    if (parts) *parts = CosInlineImageParts{(ASInt32)idAt, (ASInt32)dataStart, (ASInt32)ei, (ASBool)(searched ? 1 : 0)};
    return (ASInt32)(ei + 2);
  });
}

}  // namespace

ASInt32 CosParseInlineImage(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                            CosObj* image) {
  return ParseInlineImage(stm, doc, resources, proc, clientData, image, false, nullptr);
}

ASInt32 CosParseInlineImageToEnd(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc,
                                 void* clientData, CosObj* image) {
  return ParseInlineImage(stm, doc, resources, proc, clientData, image, true, nullptr);
}

ASInt32 CosParseInlineImageParts(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                                 CosObj* image, ASBool toEnd, CosInlineImageParts* parts) {
  return ParseInlineImage(stm, doc, resources, proc, clientData, image, toEnd != 0, parts);
}
