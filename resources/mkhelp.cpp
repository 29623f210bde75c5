// Builds the help resources of the plug-in bundle: the product logo (a
// one-page PDF drawn here in vector operators) and the two manuals, set from
// their text files into plain PDF pages (Helvetica, A4-sized pages).
//
// usage: kv_mkhelp logo OUT.pdf
//        kv_mkhelp manual IN.txt OUT.pdf
//
// Manual text: the first line is the title; a line starting with "# " is a
// heading; an empty line ends a paragraph; other lines are wrapped.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  *out = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// A PDF of numbered objects, written with its cross-reference table.
class PdfWriter {
 public:
  // Reserves the next object number.
  int Reserve() {
    objects_.emplace_back();
    return (int)objects_.size();
  }
  void Set(int number, const std::string& body) { objects_[(size_t)number - 1] = body; }
  int Add(const std::string& body) {
    int n = Reserve();
    Set(n, body);
    return n;
  }
  int AddStream(const std::string& dict, const std::string& data) {
    std::ostringstream s;
    s << "<< " << dict << " /Length " << data.size() << " >>\nstream\n" << data << "\nendstream";
    return Add(s.str());
  }
  bool Write(const std::string& path, int root, int info) const {
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects_.size(); ++i) {
      offsets.push_back(out.size());
      out += std::to_string(i + 1) + " 0 obj\n" + objects_[i] + "\nendobj\n";
    }
    size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects_.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t o : offsets) {
      char line[24];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
      out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects_.size() + 1) + " /Root " + std::to_string(root) +
           " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), (std::streamsize)out.size());
    return (bool)f;
  }

 private:
  std::vector<std::string> objects_;
};

// A PDF string literal (the texts are plain ASCII).
std::string Literal(const std::string& text) {
  std::string out = "(";
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += (c >= 32 && c < 127) ? c : '?';
  }
  return out + ")";
}

// A circle of radius r around (x, y) as four Bezier arcs.
std::string Circle(double x, double y, double r) {
  const double k = 0.5523 * r;
  char s[400];
  std::snprintf(s, sizeof s,
                "%.2f %.2f m %.2f %.2f %.2f %.2f %.2f %.2f c %.2f %.2f %.2f %.2f %.2f %.2f c "
                "%.2f %.2f %.2f %.2f %.2f %.2f c %.2f %.2f %.2f %.2f %.2f %.2f c h\n",
                x + r, y, x + r, y + k, x + k, y + r, x, y + r, x - k, y + r, x - r, y + k, x - r, y, x - r, y - k,
                x - k, y - r, x, y - r, x + k, y - r, x + r, y - k, x + r, y);
  return s;
}

int WriteLogo(const std::string& path) {
  PdfWriter pdf;
  // A friendly robot folding a sheet, beside the product's name.
  std::string c;
  c += "0.16 0.23 0.35 rg 0 0 250 145 re f\n";                  // night-blue ground
  c += "0.93 0.55 0.18 rg 18 22 96 100 re f\n";                 // the robot's body
  c += "0.98 0.96 0.90 rg 30 84 72 28 re f\n";                  // its visor
  c += "0.16 0.23 0.35 rg " + Circle(50, 98, 7) + "f " + Circle(82, 98, 7) + "f\n";  // eyes
  c += "0.16 0.23 0.35 RG 3 w 1 J 48 70 m 66 62 l 84 70 l S\n";  // smile
  c += "0.93 0.55 0.18 RG 4 w 66 122 m 66 136 l S " + Circle(66, 138, 4) + "0.93 0.55 0.18 rg f\n";  // aerial
  c += "0.98 0.96 0.90 rg 34 30 28 30 re f 68 30 28 30 re f\n";  // two pages on its chest
  c += "0.16 0.23 0.35 RG 1 w 62 30 m 68 30 l S 62 60 m 68 60 l S\n";
  c += "BT 0.98 0.96 0.90 rg /F1 28 Tf 126 80 Td " + Literal("Velmora") + " Tj ET\n";
  c += "BT 0.93 0.55 0.18 rg /F1 11 Tf 128 60 Td " + Literal("Impose pages for print") + " Tj ET\n";
  c += "BT 0.70 0.74 0.82 rg /F1 9 Tf 128 44 Td " + Literal("Korvel") + " Tj ET\n";

  int font = pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
  int contents = pdf.AddStream("", c);
  int pages = pdf.Reserve();
  int page = pdf.Add("<< /Type /Page /Parent " + std::to_string(pages) +
                     " 0 R /MediaBox [0 0 250 145] /Resources << /Font << /F1 " + std::to_string(font) +
                     " 0 R >> >> /Contents " + std::to_string(contents) + " 0 R >>");
  pdf.Set(pages, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  int root = pdf.Add("<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  int info = pdf.Add("<< /Title (Velmora logo) /Producer (kv_mkhelp) >>");
  return pdf.Write(path, root, info) ? 0 : 1;
}

// ---- manuals

struct Line {
  std::string text;
  double size;
  bool bold;
  double gapBefore;
};

// Wraps a paragraph at about the width of the page's text column.
void Wrap(const std::string& paragraph, size_t width, double size, std::vector<Line>* lines) {
  std::istringstream words(paragraph);
  std::string word, line;
  bool first = true;
  while (words >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines->push_back({line, size, false, first ? 8.0 : 0.0});
      first = false;
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines->push_back({line, size, false, first ? 8.0 : 0.0});
}

int WriteManual(const std::string& in, const std::string& path) {
  std::string text;
  if (!ReadFile(in, &text)) {
    std::fprintf(stderr, "kv_mkhelp: cannot read %s\n", in.c_str());
    return 1;
  }
  std::istringstream source(text);
  std::string raw, paragraph, title;
  std::vector<Line> lines;
  auto flush = [&] {
    if (!paragraph.empty()) Wrap(paragraph, 88, 11, &lines);
    paragraph.clear();
  };
  while (std::getline(source, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    if (title.empty()) {
      title = raw;
      lines.push_back({raw, 22, true, 0});
      continue;
    }
    if (raw.empty()) {
      flush();
    } else if (raw.rfind("# ", 0) == 0) {
      flush();
      lines.push_back({raw.substr(2), 14, true, 16});
    } else {
      paragraph += (paragraph.empty() ? "" : " ") + raw;
    }
  }
  flush();

  PdfWriter pdf;
  int regular = pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  int bold = pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
  int pages = pdf.Reserve();
  std::vector<int> kids;
  const double top = 800, bottom = 60, left = 60;
  size_t at = 0;
  int number = 0;
  while (at < lines.size() || number == 0) {
    ++number;
    std::string c;
    double y = top;
    while (at < lines.size()) {
      const Line& l = lines[at];
      double step = l.gapBefore + l.size * 1.35;
      if (y - step < bottom && y < top) break;
      y -= step;
      char pos[64];
      std::snprintf(pos, sizeof pos, "%.1f %.1f Td", left, y);
      c += std::string("BT /") + (l.bold ? "F2 " : "F1 ") + std::to_string((int)l.size) + " Tf " + pos + " " +
           Literal(l.text) + " Tj ET\n";
      ++at;
    }
    c += "BT /F1 9 Tf 290 30 Td " + Literal(std::to_string(number)) + " Tj ET\n";
    int contents = pdf.AddStream("", c);
    kids.push_back(pdf.Add("<< /Type /Page /Parent " + std::to_string(pages) +
                           " 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 " + std::to_string(regular) +
                           " 0 R /F2 " + std::to_string(bold) + " 0 R >> >> /Contents " +
                           std::to_string(contents) + " 0 R >>"));
  }
  std::string kidList;
  for (int k : kids) kidList += std::to_string(k) + " 0 R ";
  pdf.Set(pages, "<< /Type /Pages /Kids [" + kidList + "] /Count " + std::to_string(kids.size()) + " >>");
  int root = pdf.Add("<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  int info = pdf.Add("<< /Title " + Literal(title) + " /Producer (kv_mkhelp) >>");
  return pdf.Write(path, root, info) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string what = argc > 1 ? argv[1] : "";
  if (what == "logo" && argc == 3) return WriteLogo(argv[2]);
  if (what == "manual" && argc == 4) return WriteManual(argv[2], argv[3]);
  std::fprintf(stderr, "usage: kv_mkhelp logo OUT.pdf | kv_mkhelp manual IN.txt OUT.pdf\n");
  return 2;
}
