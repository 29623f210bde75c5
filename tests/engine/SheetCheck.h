// Reading imposed sheets back for the engine's tests: the content of a page,
// a small interpreter that follows the graphics state, text positions and
// marked content of a sheet, and the independent readers (qpdf, poppler's
// pdftotext and pdftoppm) on saved files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/CLocale.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/StatementReading.h"
#include "support/CosStreamBytes.h"
#include "support/TempDir.h"

namespace kvtest {

// The decoded content of a page: its stream, or its streams joined by line feeds.
inline std::string PageContentBytes(PDDoc doc, ASInt32 index) {
  PDPage page = PDDocAcquirePage(doc, index);
  CosObj contents = CosDictGetKeyString(PDPageGetCosObj(page), "Contents");
  std::string out;
  if (CosObjGetType(contents) == CosStream) {
    out = CosStreamBytes(contents);
  } else if (CosObjGetType(contents) == CosArray) {
    for (ASInt32 i = 0; i < CosArrayLength(contents); ++i) {
      if (i) out += "\n";
      out += CosStreamBytes(CosArrayGet(contents, i));
    }
  }
  PDPageRelease(page);
  return out;
}

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, h = 0, v = 0;
  // this applied first, then m.
  Matrix Then(const Matrix& m) const {
    return {a * m.a + b * m.c,         a * m.b + b * m.d,         c * m.a + d * m.c,
            c * m.b + d * m.d,         h * m.a + v * m.c + m.h,   h * m.b + v * m.d + m.v};
  }
  void Apply(double x, double y, double* ox, double* oy) const {
    *ox = a * x + c * y + h;
    *oy = b * x + d * y + v;
  }
};

// What a small interpreter sees in a sheet's content.
struct SheetScan {
  bool qBalanced = true;       // never more Q than q, and as many of each
  bool markedBalanced = true;  // BMC/BDC against EMC likewise
  bool textBalanced = true;    // BT against ET, never nested
  int maxQDepth = 0;
  std::vector<std::string> tags;       // BMC/BDC tags in order
  std::vector<std::string> imposedIds; // /ID of each KRVL_imposed_1
  struct Show {
    std::string font;    // the resource name in force
    std::string pageId;  // the KRVL_imposed_2 /ID around it ("" outside)
    double x, y;         // the text origin on the sheet
  };
  std::vector<Show> shows;
  std::vector<std::string> doNames;          // XObjects painted, in order
  std::vector<std::string> statementsByOp;   // operator of every statement
  std::vector<Matrix> clipsCtm;              // the matrix in force at each "W n"
};

namespace detail {

// Operands of a statement: numbers and names (strings, arrays and
// dictionaries are stepped over as a whole).
inline void Operands(const std::string& text, std::vector<double>* numbers, std::vector<std::string>* names) {
  size_t i = 0;
  const size_t n = text.size();
  auto delimiter = [](char c) { return std::strchr("()<>[]{}/%", c) != nullptr; };
  auto white = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0; };
  while (i < n) {
    char c = text[i];
    if (white(c)) {
      ++i;
    } else if (c == '%') {
      while (i < n && text[i] != '\n' && text[i] != '\r') ++i;
    } else if (c == '(') {
      int depth = 0;
      for (; i < n; ++i) {
        if (text[i] == '\\') {
          ++i;
          continue;
        }
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0) {
          ++i;
          break;
        }
      }
    } else if (c == '<' && i + 1 < n && text[i + 1] == '<') {
      int depth = 0;
      for (; i + 1 < n; ++i) {
        if (text[i] == '<' && text[i + 1] == '<') ++depth, ++i;
        else if (text[i] == '>' && text[i + 1] == '>' && --depth == 0) {
          i += 2;
          break;
        }
      }
    } else if (c == '<') {
      while (i < n && text[i] != '>') ++i;
      ++i;
    } else if (c == '[' || c == ']' || c == '{' || c == '}' || c == ')' || c == '>') {
      ++i;
    } else if (c == '/') {
      size_t s = ++i;
      while (i < n && !white(text[i]) && !delimiter(text[i])) ++i;
      names->push_back(text.substr(s, i - s));
    } else {
      size_t s = i;
      while (i < n && !white(text[i]) && !delimiter(text[i])) ++i;
      std::string token = text.substr(s, i - s);
      char* end = nullptr;
      double v = CLocaleStrtod(token.c_str(), &end);
      if (end && *end == 0 && !token.empty()) numbers->push_back(v);
    }
  }
}

inline std::string PropertyName(const std::string& text, const char* key) {
  size_t at = text.find(std::string("/") + key);
  if (at == std::string::npos) return "";
  size_t s = text.find('/', at + 1);
  if (s == std::string::npos) return "";
  size_t e = s + 1;
  while (e < text.size() && !std::isspace((unsigned char)text[e]) && text[e] != '/' && text[e] != '>') ++e;
  return text.substr(s + 1, e - s - 1);
}

}  // namespace detail

inline SheetScan ScanSheet(const std::string& content) {
  SheetScan scan;
  std::vector<Statement> statements = ReadStatements(content);
  std::vector<Matrix> ctm(1);
  std::vector<std::string> marked;  // tags open
  std::vector<std::string> markedIds;
  int q = 0, mc = 0;
  bool inText = false;
  Matrix tm, tlm;
  std::string font;
  double leading = 0;
  for (const Statement& s : statements) {
    if (s.op.empty()) continue;
    scan.statementsByOp.push_back(s.op);
    if (s.code == kPDFVerb_EI) continue;
    std::vector<double> num;
    std::vector<std::string> names;
    std::string operands = s.text.substr(0, s.text.size() - s.op.size());
    detail::Operands(operands, &num, &names);
    auto showText = [&] {
      double x, y;
      tm.Then(ctm.back()).Apply(0, 0, &x, &y);
      std::string id;
      for (size_t i = marked.size(); i-- > 0;)
        if (marked[i] == "KRVL_imposed_2") {
          id = markedIds[i];
          break;
        }
      scan.shows.push_back({font, id, x, y});
    };
    switch (s.code) {
      case kPDFVerb_q:
        ctm.push_back(ctm.back());
        scan.maxQDepth = std::max(scan.maxQDepth, ++q);
        break;
      case kPDFVerb_Q:
        if (q == 0) scan.qBalanced = false;
        else {
          --q;
          ctm.pop_back();
        }
        break;
      case kPDFVerb_cm:
        if (num.size() >= 6) {
          Matrix m{num[0], num[1], num[2], num[3], num[4], num[5]};
          ctm.back() = m.Then(ctm.back());
        }
        break;
      case kPDFVerb_n:
        scan.clipsCtm.push_back(ctm.back());
        break;
      case kPDFVerb_BMC:
      case kPDFVerb_BDC:
        ++mc;
        scan.tags.push_back(names.empty() ? "" : names[0]);
        marked.push_back(names.empty() ? "" : names[0]);
        markedIds.push_back(detail::PropertyName(operands, "ID"));
        if (!names.empty() && names[0] == "KRVL_imposed_1") scan.imposedIds.push_back(markedIds.back());
        break;
      case kPDFVerb_EMC:
        if (mc == 0) scan.markedBalanced = false;
        else {
          --mc;
          marked.pop_back();
          markedIds.pop_back();
        }
        break;
      case kPDFVerb_BT:
        if (inText) scan.textBalanced = false;
        inText = true;
        tm = tlm = Matrix();
        break;
      case kPDFVerb_ET:
        if (!inText) scan.textBalanced = false;
        inText = false;
        break;
      case kPDFVerb_Tf:
        if (!names.empty()) font = names[0];
        break;
      case kPDFVerb_TL:
        if (!num.empty()) leading = num[0];
        break;
      case kPDFVerb_Td:
      case kPDFVerb_TD:
        if (num.size() >= 2) {
          if (s.code == kPDFVerb_TD) leading = -num[1];
          tlm = Matrix{1, 0, 0, 1, num[0], num[1]}.Then(tlm);
          tm = tlm;
        }
        break;
      case kPDFVerb_Tm:
        if (num.size() >= 6) tm = tlm = Matrix{num[0], num[1], num[2], num[3], num[4], num[5]};
        break;
      case kPDFVerb_TStar:
        tlm = Matrix{1, 0, 0, 1, 0, -leading}.Then(tlm);
        tm = tlm;
        break;
      case kPDFVerb_Tj:
      case kPDFVerb_TJ:
        showText();
        break;
      case kPDFVerb_Quote:
      case kPDFVerb_DoubleQuote:
        tlm = Matrix{1, 0, 0, 1, 0, -leading}.Then(tlm);
        tm = tlm;
        showText();
        break;
      case kPDFVerb_Do:
        scan.doNames.push_back(names.empty() ? "" : names[0]);
        break;
      default:
        break;
    }
  }
  if (q != 0) scan.qBalanced = false;
  if (mc != 0) scan.markedBalanced = false;
  if (inText) scan.textBalanced = false;
  return scan;
}

// ---- independent readers on saved files -----------------------------------------------

struct PopplerWord {
  std::string text;
  double xMin, yMin, xMax, yMax;  // points, origin at the top left
};

// The words pdftotext finds on a page (1-based).
inline std::vector<PopplerWord> PopplerWords(const std::string& pdf, int page) {
  TempDir dir;
  std::string out = dir.file("words.html");
  std::string cmd = "pdftotext -q -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf +
                    "' '" + out + "'";
  std::vector<PopplerWord> words;
  if (std::system(cmd.c_str()) != 0) return words;
  std::string html = ReadWholeFile(out);
  std::regex word(R"re(<word xMin="([0-9.\-]+)" yMin="([0-9.\-]+)" xMax="([0-9.\-]+)" yMax="([0-9.\-]+)">([^<]*)</word>)re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    words.push_back({m[5].str(), CLocaleStrtod(m[1].str().c_str(), nullptr), CLocaleStrtod(m[2].str().c_str(), nullptr),
                     CLocaleStrtod(m[3].str().c_str(), nullptr), CLocaleStrtod(m[4].str().c_str(), nullptr)});
  }
  return words;
}

inline const PopplerWord* FindWord(const std::vector<PopplerWord>& words, const std::string& text) {
  for (const PopplerWord& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

// A page rendered in gray at one pixel per point (pdftoppm).
struct GrayImage {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;
  // (x, y) in points with y up from the bottom, as in the PDF.
  int At(double x, double y) const {
    int px = (int)std::floor(x), py = height - 1 - (int)std::floor(y);
    if (px < 0 || py < 0 || px >= width || py >= height) return -1;
    return pixels[(size_t)py * (size_t)width + (size_t)px];
  }
};

inline GrayImage RenderGray(const std::string& pdf, int page) {
  TempDir dir;
  std::string prefix = dir.file("page");
  std::string cmd = "pdftoppm -q -gray -r 72 -aa no -aaVector no -f " + std::to_string(page) + " -l " +
                    std::to_string(page) + " -singlefile '" + pdf + "' '" + prefix + "'";
  GrayImage image;
  if (std::system(cmd.c_str()) != 0) return image;
  std::ifstream in(prefix + ".pgm", std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> image.width >> image.height >> maxValue;
  in.get();
  if (magic != "P5" || image.width <= 0 || image.height <= 0) return GrayImage();
  image.pixels.resize((size_t)image.width * (size_t)image.height);
  in.read(reinterpret_cast<char*>(image.pixels.data()), (std::streamsize)image.pixels.size());
  return image;
}

}  // namespace kvtest
