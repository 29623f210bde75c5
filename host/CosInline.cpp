// The inline-image scan: given the bytes after BI, how many make up the
// image up to and including EI.
//
// The data length is computed from the image's dictionary when the data are
// not filtered (or /L gives it); hexadecimal and base-85 data end at their
// end markers; other filtered data are searched for an EI that stands
// between white space and what can follow an operator.
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

// What follows a real EI is content: text bytes for a while.
bool LooksLikeContent(const std::string& d, size_t from) {
  size_t end = std::min(d.size(), from + 32);
  for (size_t i = from; i < end; ++i) {
    unsigned char c = (unsigned char)d[i];
    if (c < 32 && !IsWhite(c)) return false;
    if (c >= 127) return false;
  }
  return true;
}

}  // namespace

ASInt32 CosParseInlineImage(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                            CosObj* image) {
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
    try {
      QPDFObjectHandle parsed = QPDFObjectHandle::parse("<<" + d.substr(0, idAt) + ">>", "inline image");
      if (parsed.isDictionary()) dict = parsed;
    } catch (...) {
      // An unreadable dictionary leaves the search for EI.
    }
    QPDFObjectHandle res = CosObjGetType(resources) == CosDict ? Handle(resources) : QPDFObjectHandle::newNull();

    size_t dataEnd = std::string::npos;  // where the data end, when known
    QPDFObjectHandle length = dict.getKey("/L");
    if (length.isNull()) length = dict.getKey("/Length");
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
    }

    size_t ei = std::string::npos;
    if (dataEnd != std::string::npos) {
      size_t p = dataEnd;
      while (p < d.size() && IsWhite((unsigned char)d[p])) ++p;
      if (p + 2 > d.size()) ASRaise(cosErrInlineNeedMore);
      if (StandaloneEI(d, p, p)) ei = p;
    }
    if (ei == std::string::npos) {
      // Searched for: the computed end did not meet an EI, or there was none.
      for (size_t p = dataStart; p + 2 <= d.size(); ++p) {
        tick(p - dataStart + 1);
        if (StandaloneEI(d, p, dataStart) && LooksLikeContent(d, p + 2)) {
          ei = p;
          break;
        }
      }
    }
    if (ei == std::string::npos) ASRaise(cosErrInlineNeedMore);
    if (proc && !proc(clientData)) ASRaise(genErrCancelled);
    if (image && doc) *image = FromNewDirect(doc, dict);
    return (ASInt32)(ei + 2);
  });
}
