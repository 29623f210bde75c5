// Where the words of a PDF stand, as an independent reader (pdftotext -bbox)
// sees them on the shown pages, and how the words of one source page were
// placed on an imposed output: which sheet holds them, by what map, and
// whether that map keeps them upright (a plain scale and shift, no turn).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/Shell.h"

namespace kvtest {

struct SWord {
  std::string text;
  double x0, y0, x1, y1;  // top-left origin, y down, in points
  double cx() const { return (x0 + x1) / 2; }
  double cy() const { return (y0 + y1) / 2; }
};

struct SPageWords {
  double width = 0, height = 0;  // as pdftotext reports them
  std::vector<SWord> words;
};

namespace wordboxes_detail {

inline double Attr(const std::string& line, const char* name) {
  std::string key = std::string(name) + "=\"";
  size_t at = line.find(key);
  return at == std::string::npos ? 0.0 : std::atof(line.c_str() + at + key.size());
}

inline std::string Unescape(std::string s) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& e : kEntities)
    for (size_t at; (at = s.find(e.first)) != std::string::npos;) s.replace(at, std::strlen(e.first), e.second);
  return s;
}

}  // namespace wordboxes_detail

// Every shown page's words; an unreadable file gives none.
inline std::vector<SPageWords> ReadWordBoxes(const std::string& pdf) {
  using namespace wordboxes_detail;
  // Its complaints stay out of the word list ("no word list" for an empty page).
  ShellOutcome r = Shell("(pdftotext -q -bbox '" + pdf + "' - 2>/dev/null)");
  std::vector<SPageWords> pages;
  size_t start = 0;
  while (start < r.out.size()) {
    size_t end = r.out.find('\n', start);
    if (end == std::string::npos) end = r.out.size();
    std::string line = r.out.substr(start, end - start);
    start = end + 1;
    if (line.find("<page ") != std::string::npos) {
      pages.emplace_back();
      pages.back().width = Attr(line, "width");
      pages.back().height = Attr(line, "height");
    } else if (line.find("<word ") != std::string::npos && !pages.empty()) {
      size_t open = line.find('>'), close = line.rfind("</word>");
      if (open == std::string::npos || close == std::string::npos || close < open) continue;
      pages.back().words.push_back(SWord{Unescape(line.substr(open + 1, close - open - 1)), Attr(line, "xMin"),
                                         Attr(line, "yMin"), Attr(line, "xMax"), Attr(line, "yMax")});
    }
  }
  // The word boxes include text that optional content hides; the plain text
  // does not. A page keeps the words its plain text shows, read page by page
  // (a page's unbalanced marked content must not hide the next one's text).
  std::vector<std::map<std::string, int>> shown(pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string n = std::to_string(i + 1);
    ShellOutcome plain = Shell("(pdftotext -q -f " + n + " -l " + n + " '" + pdf + "' - 2>/dev/null)");
    std::string word;
    for (char c : plain.out + " ") {
      if (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f') {
        if (!word.empty()) ++shown[i][word];
        word.clear();
      } else {
        word += c;
      }
    }
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    std::map<std::string, int> left = shown[i];
    std::vector<SWord> kept;
    for (SWord& w : pages[i].words)
      if (left[w.text]-- > 0) kept.push_back(std::move(w));
    pages[i].words = std::move(kept);
  }
  return pages;
}

// How one source page's words sit on the output.
struct SPlacement {
  int sheet = -1;          // the output page that holds most of them (0-based), -1 for none
  size_t words = 0;        // the source page's words
  size_t found = 0;        // of them, found on that sheet (as many times as the source has them)
  std::string missing;     // the words not found there, blank-separated
  size_t anchors = 0;      // words once on the source page and once on the sheet: the map is fitted on them
  double scale = 0;        // out = scale * source + shift
  double shiftX = 0, shiftY = 0;
  double worst = 0;        // the farthest an anchor stands from the map, in output points
  // A plain scale and shift that every anchor follows: nothing turned or mirrored.
  bool Upright() const { return anchors >= 3 && scale > 0 && worst <= 1.0 + 2.0 * scale; }
  double FoundShare() const { return words ? (double)found / (double)words : 1.0; }
};

inline SPlacement FindPlacement(const SPageWords& source, const std::vector<SPageWords>& output) {
  SPlacement p;
  p.words = source.words.size();
  std::map<std::string, int> wanted;
  for (const SWord& w : source.words) ++wanted[w.text];
  // The sheet with most of the page's words.
  for (size_t s = 0; s < output.size(); ++s) {
    std::map<std::string, int> have;
    for (const SWord& w : output[s].words) ++have[w.text];
    size_t found = 0;
    for (const auto& e : wanted) found += (size_t)std::min(e.second, have[e.first]);
    if (p.sheet < 0 || found > p.found) {
      p.sheet = (int)s;
      p.found = found;
    }
  }
  if (p.sheet < 0) return p;
  std::map<std::string, int> onSheet;
  std::string joined;  // the sheet's words run together: a reader may split a word where it was set tight
  for (const SWord& w : output[(size_t)p.sheet].words) {
    ++onSheet[w.text];
    joined += w.text;
  }
  for (const auto& e : wanted) {
    if (onSheet[e.first] >= e.second || joined.find(e.first) == std::string::npos) {
      for (int k = onSheet[e.first]; k < e.second; ++k) p.missing += (p.missing.empty() ? "" : " ") + e.first;
      continue;
    }
    p.found += (size_t)(e.second - onSheet[e.first]);  // found, split
  }
  std::vector<std::pair<const SWord*, const SWord*>> pairs;
  for (const SWord& w : source.words) {
    if (wanted[w.text] != 1 || onSheet[w.text] != 1) continue;
    for (const SWord& o : output[(size_t)p.sheet].words)
      if (o.text == w.text) pairs.emplace_back(&w, &o);
  }
  p.anchors = pairs.size();
  if (pairs.size() < 2) return p;
  double mx = 0, my = 0, ox = 0, oy = 0;
  for (auto& e : pairs) {
    mx += e.first->cx();
    my += e.first->cy();
    ox += e.second->cx();
    oy += e.second->cy();
  }
  const double n = (double)pairs.size();
  mx /= n, my /= n, ox /= n, oy /= n;
  double num = 0, den = 0;
  for (auto& e : pairs) {
    double dx = e.first->cx() - mx, dy = e.first->cy() - my;
    num += dx * (e.second->cx() - ox) + dy * (e.second->cy() - oy);
    den += dx * dx + dy * dy;
  }
  if (den <= 0) return p;
  p.scale = num / den;
  p.shiftX = ox - p.scale * mx;
  p.shiftY = oy - p.scale * my;
  for (auto& e : pairs) {
    double ex = p.scale * e.first->cx() + p.shiftX - e.second->cx();
    double ey = p.scale * e.first->cy() + p.shiftY - e.second->cy();
    p.worst = std::max(p.worst, std::hypot(ex, ey));
  }
  return p;
}

// Where the map puts the source page's words on the sheet: the box around
// them, x0 y0 x1 y1.
inline std::vector<double> PlacedWords(const SPlacement& p, const SPageWords& source) {
  std::vector<double> box{1e9, 1e9, -1e9, -1e9};
  for (const SWord& w : source.words) {
    double a = p.scale * w.x0 + p.shiftX, b = p.scale * w.y0 + p.shiftY;
    double c = p.scale * w.x1 + p.shiftX, d = p.scale * w.y1 + p.shiftY;
    box = {std::min({box[0], a, c}), std::min({box[1], b, d}), std::max({box[2], a, c}), std::max({box[3], b, d})};
  }
  return box;
}

inline bool BoxesOverlap(const std::vector<double>& a, const std::vector<double>& b) {
  return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

}  // namespace kvtest
