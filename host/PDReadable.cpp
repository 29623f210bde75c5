// Pages qpdf could not read. qpdf's parser gives up on an object it cannot
// take (values nested deeper than it allows, syntax it cannot recover from)
// and hands out null instead; the page tree's walk passes nulls over, so
// such a page would vanish without a word and a command would work on the
// rest. An open therefore looks again at every null the page tree names:
// an object the file holds whose bytes are more than a plain word (null, a
// reference to nothing) is a lost page, and the file is damaged. How deep
// the values nest is measured from the object's own bytes, since qpdf says
// only that it gave up.
#include <qpdf/Buffer.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFXRefEntry.hh>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "host/PDPriv.h"

namespace hostpdf {
namespace {

// Bytes one at a time from a reader of pieces; the last byte got can be
// given back (the end cannot: a piece that is empty ends the bytes).
class ByteSource {
 public:
  template <class F>
  explicit ByteSource(F&& read) : read_(std::forward<F>(read)) {}
  int Get() {
    if (at_ >= piece_.size()) {
      if (done_) return -1;
      piece_ = read_();
      at_ = 0;
      if (piece_.empty()) {
        done_ = true;
        return -1;
      }
    }
    return (unsigned char)piece_[at_++];
  }
  void Unget() {
    if (at_ > 0) --at_;
  }

 private:
  std::function<std::string()> read_;
  std::string piece_;
  size_t at_ = 0;
  bool done_ = false;
};

bool IsWhite(int c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool IsDelimiter(int c) { return std::strchr("()<>[]{}/%", c) != nullptr; }

// What the bytes of one object show.
struct ObjectScan {
  // The object is a plain word: null, or a reference to an object the file
  // lacks. qpdf read what the file says, and no page was lost.
  bool plainWord = false;
  long long depth = 0;  // the deepest nesting of arrays and dictionaries, the object itself 1
};

// Scans one object's value: from after "N G obj" (withHeader) or from its
// start in an object stream, up to the end of its first value.
ObjectScan ScanObject(ByteSource& in, bool withHeader) {
  ObjectScan scan;
  int headerWords = withHeader ? 3 : 0;
  long long depth = 0;
  bool first = true;
  for (;;) {
    int c = in.Get();
    if (c < 0) break;
    if (IsWhite(c)) continue;
    if (c == '%') {
      while (c >= 0 && c != '\n' && c != '\r') c = in.Get();
      continue;
    }
    bool opens = false, closes = false;
    std::string word;
    if (c == '[') {
      opens = true;
    } else if (c == ']') {
      closes = true;
    } else if (c == '<') {
      int d = in.Get();
      if (d == '<') {
        opens = true;
      } else {
        while (d >= 0 && d != '>') d = in.Get();  // a hex string
      }
    } else if (c == '>') {
      if (in.Get() == '>') closes = true;
      else in.Unget();
    } else if (c == '(') {
      int nest = 1;
      while (nest > 0) {
        int d = in.Get();
        if (d < 0) break;
        if (d == '\\') in.Get();
        else if (d == '(') ++nest;
        else if (d == ')') --nest;
      }
    } else if (c == '/') {
      for (int d = in.Get(); d >= 0; d = in.Get())
        if (IsWhite(d) || IsDelimiter(d)) {
          in.Unget();
          break;
        }
    } else {
      word += (char)c;
      for (int d = in.Get(); d >= 0; d = in.Get()) {
        if (IsWhite(d) || IsDelimiter(d)) {
          in.Unget();
          break;
        }
        if (word.size() < 16) word += (char)d;
      }
    }
    if (headerWords > 0) {
      // "N G obj": anything else means the offset does not lead to the object.
      if (word.empty() || (headerWords == 1 ? word != "obj" : word.find_first_not_of("0123456789") != std::string::npos))
        return scan;
      --headerWords;
      continue;
    }
    // An object that ends before its values close was cut short.
    if (word == "endobj" || (depth == 0 && word == "stream")) break;
    if (first && depth == 0 && !opens) {
      scan.plainWord = !word.empty();
      break;  // a plain value (or junk): nothing nests
    }
    first = false;
    if (opens && ++depth > scan.depth) scan.depth = depth;
    if (closes && --depth <= 0) break;
  }
  return scan;
}

// The deepest nesting qpdf's parser takes, found once by asking it; 0 when
// it takes more than is worth asking about.
long long ReaderDepthLimit() {
  static const long long limit = [] {
    auto parses = [](int depth) {
      try {
        QPDFObjectHandle::parse(std::string((size_t)depth, '[') + std::string((size_t)depth, ']'));
        return true;
      } catch (...) {
        return false;
      }
    };
    int lo = 1, hi = 4096;
    if (parses(hi)) return 0LL;
    while (hi - lo > 1) {  // parses(lo), not parses(hi)
      int mid = lo + (hi - lo) / 2;
      (parses(mid) ? lo : hi) = mid;
    }
    return (long long)lo;
  }();
  return limit;
}

constexpr size_t kPiece = 65536;

// The object's bytes as the file holds them; false when the file has no
// such object (a reference to nothing is null, and no page was lost).
bool ScanStored(PDDoc doc, QPDFObjGen og, ObjectScan* scan) {
  QPDF& q = QOf(doc);
  auto table = q.getXRefTable();
  auto it = table.find(og);
  if (it == table.end()) return false;
  const QPDFXRefEntry& entry = it->second;
  if (entry.getType() == 1) {
    long long at = entry.getOffset();
    ByteSource in([&]() {
      std::string piece = ReadInputBytes(doc, at, kPiece);
      at += (long long)piece.size();
      return piece;
    });
    *scan = ScanObject(in, true);
    return true;
  }
  if (entry.getType() != 2) return false;
  // In an object stream: its header pairs object numbers with offsets.
  std::string data;
  long long first = 0;
  try {
    QPDFObjectHandle stream = q.getObjectByID(entry.getObjStreamNumber(), 0);
    if (!stream.isStream()) return true;
    QPDFObjectHandle f = stream.getDict().getKey("/First");
    first = f.isInteger() ? f.getIntValue() : 0;
    auto buffer = stream.getStreamData(qpdf_dl_generalized);
    data.assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
  } catch (...) {
    return true;  // held, but neither the object nor its depth can be read
  }
  long long offset = -1;
  const char* p = data.c_str();
  const char* end = p + std::min<size_t>(data.size(), first > 0 ? (size_t)first : data.size());
  while (p < end) {
    char* after = nullptr;
    const long long number = std::strtoll(p, &after, 10);
    if (after == p) break;
    const char* at = after;
    const long long off = std::strtoll(at, &after, 10);
    if (after == at) break;
    p = after;
    if (number == og.getObj()) {
      offset = off;
      break;
    }
  }
  if (offset < 0 || first + offset >= (long long)data.size()) return true;
  bool given = false;
  ByteSource in([&]() {
    if (given) return std::string();
    given = true;
    return data.substr((size_t)(first + offset));
  });
  *scan = ScanObject(in, false);
  return true;
}

// Whether qpdf said it gave up on the object for its nesting.
bool QpdfSaidTooDeep(PDDoc doc, QPDFObjGen og) {
  const std::string object = "object " + std::to_string(og.getObj()) + " " + std::to_string(og.getGen());
  for (const std::string& w : doc->warnings)
    if (w.find(object) != std::string::npos && w.find("deeply nested") != std::string::npos) return true;
  return false;
}

}  // namespace

void CheckPagesReadable(PDDoc doc) {
  EnsurePages(doc);
  if (doc->tooDeep.getObj() != 0) {
    // The pages below would be lost without a word: the file is damaged.
    char detail[200];
    std::snprintf(detail, sizeof detail,
                  "its page tree nests more than %d levels of page-tree nodes (node object %d, after page %d, is "
                  "deeper), and this program reads at most %d",
                  kMaxPageTreeDepth, doc->tooDeep.getObj(), (int)doc->pagesBeforeTooDeep, kMaxPageTreeDepth);
    ASRaise(ASRegisterErrorDetail(pdErrBadDocument, detail));
  }
  for (const auto& [og, before] : doc->nullKids) {
    ObjectScan scan;
    if (!ScanStored(doc, og, &scan)) continue;
    if (scan.plainWord) continue;  // junk in the page tree, not a page
    const long long limit = ReaderDepthLimit();
    char detail[200];
    const int page = before + 1, object = og.getObj();
    if (limit > 0 && scan.depth > limit) {
      std::snprintf(detail, sizeof detail,
                    "page %d (object %d) nests arrays and dictionaries %lld levels deep, and the PDF reader takes "
                    "at most %lld",
                    page, object, scan.depth, limit);
    } else if (limit > 0 && QpdfSaidTooDeep(doc, og)) {
      std::snprintf(detail, sizeof detail,
                    "page %d (object %d) nests arrays and dictionaries deeper than the %lld levels the PDF reader "
                    "takes",
                    page, object, limit);
    } else {
      std::snprintf(detail, sizeof detail, "page %d (object %d) cannot be read", page, object);
    }
    ASRaise(ASRegisterErrorDetail(pdErrBadDocument, detail));
  }
}

}  // namespace hostpdf
