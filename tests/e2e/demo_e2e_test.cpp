// The demo (scripts/demo.sh) as `make demo` runs it: every command runs on
// example parameters of its own and is described from its history, a failed
// command or a result qpdf faults fails the demo, and the crop marks of its
// impositions lie on their sheets.
#include <gtest/gtest.h>

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

Outcome RunDemo(const std::string& results) {
  return Shell("'" + kvtest::SourcePath("scripts/demo.sh") + "' '" + KV_TEST_BUILD_DIR + "' '" + results + "'");
}

// The command keys kvhost lists.
std::vector<std::string> CommandKeys(const std::string& prefs) {
  Outcome listed = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --prefs '" + prefs + "' --list-commands");
  std::vector<std::string> keys;
  std::istringstream in(listed.out);
  for (std::string line; std::getline(in, line);)
    if (line.find('\t') != std::string::npos) keys.push_back(line.substr(0, line.find('\t')));
  return keys;
}

// What the demo printed under "KEY:", up to the next empty line.
std::string Description(const std::string& out, const std::string& key) {
  const size_t at = out.find("\n" + key + ":\n");
  if (at == std::string::npos) return "";
  const size_t from = at + key.size() + 3;
  const size_t to = out.find("\n\n", from);
  return out.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

TEST(Demo, RunsEveryCommandOnExampleParametersOfItsOwn) {
  kvtest::TempDir dir;
  const std::vector<std::string> keys = CommandKeys(dir.path());
  ASSERT_FALSE(keys.empty());
  for (const std::string& key : keys)
    EXPECT_TRUE(fs::exists(kvtest::SourcePath("scripts/demo/" + key + ".xml"))) << key << " has no example parameters";

  Outcome r = RunDemo(dir.file("demo"));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("did not complete")) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("warning")) << r.out;
  for (const std::string& key : keys) {
    if (key == "CreateSample") continue;  // it makes the document the others run on
    SCOPED_TRACE(key);
    EXPECT_TRUE(fs::exists(dir.file("demo/" + key + "/front.pdf"))) << r.out;
    const std::string said = Description(r.out, key);
    EXPECT_EQ(0u, said.rfind("  ", 0)) << "described line by line:\n" << r.out;
    EXPECT_NE(std::string::npos, said.find_first_not_of(' ')) << r.out;
  }
  // Commands that take parameters show them: no empty description.
  EXPECT_EQ("  Into a new document", Description(r.out, "ReversePageOrder"));
}

TEST(Demo, FailsWhenACommandDoesNot) {
  // A copy of the demo whose n-up example names no sheet: that run is refused.
  kvtest::TempDir dir;
  fs::copy(kvtest::SourcePath("scripts"), dir.file("scripts"), fs::copy_options::recursive);
  kvtest::WriteWholeFile(dir.file("scripts/demo/Nup.xml"),
                         "<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n<ITEMS>\n"
                         "<B N='UseScale'>1</B>\n</ITEMS>\n</RUVURAZAR>\n");
  Outcome r = Shell("'" + dir.file("scripts/demo.sh") + "' '" + KV_TEST_BUILD_DIR + "' '" + dir.file("demo") + "'");
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Nup did not complete")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Failed: Nup")) << r.out;
  // The other commands still ran.
  EXPECT_NE(std::string::npos, r.out.find("\nSimpleBooklet:\n")) << r.out;
}

// The points the path operators of the crop and registration marks
// (marked "KRVL_regmark") go through, as x, y pairs.
std::vector<std::pair<double, double>> MarkPoints(const std::string& content) {
  std::vector<std::pair<double, double>> points;
  const std::string open = "/KRVL_regmark BMC";
  for (size_t at = content.find(open); at != std::string::npos; at = content.find(open, at + 1)) {
    const size_t end = content.find("\nQ\nEMC", at);
    std::istringstream in(content.substr(at + open.size(), end == std::string::npos ? std::string::npos : end - at));
    std::vector<double> operands;
    for (std::string token; in >> token;) {
      char* rest = nullptr;
      const double value = std::strtod(token.c_str(), &rest);
      if (rest && *rest == 0 && !token.empty()) {
        operands.push_back(value);
        continue;
      }
      size_t take = token == "m" || token == "l" ? 2 : token == "c" ? 6 : token == "re" ? 4 : 0;
      if (take && operands.size() >= take) {
        const double* p = &operands[operands.size() - take];
        if (token == "re") {
          points.push_back({p[0], p[1]});
          points.push_back({p[0] + p[2], p[1] + p[3]});
        } else {
          for (size_t i = 0; i < take; i += 2) points.push_back({p[i], p[i + 1]});
        }
      }
      operands.clear();
    }
  }
  return points;
}

TEST(Demo, CropMarksLieOnTheirSheets) {
  kvtest::TempDir dir;
  Outcome r = RunDemo(dir.file("demo"));
  ASSERT_EQ(0, r.status) << r.out;
  for (const char* key : {"Nup", "SimpleBooklet"}) {
    SCOPED_TRACE(key);
    QPDF pdf;
    pdf.processFile(dir.file(std::string("demo/") + key + "/front.pdf").c_str());
    size_t marks = 0;
    int number = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      ++number;
      const QPDFObjectHandle::Rectangle sheet = page.getMediaBox().getArrayAsRectangle();
      Pl_Buffer sink("content");
      page.pipeContents(&sink);
      std::unique_ptr<Buffer> bytes(sink.getBuffer());
      const std::string content(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize());
      for (const auto& [x, y] : MarkPoints(content)) {
        ++marks;
        EXPECT_TRUE(x >= sheet.llx && x <= sheet.urx && y >= sheet.lly && y <= sheet.ury)
            << "sheet " << number << ": a mark reaches " << x << ", " << y << " outside [" << sheet.llx << " "
            << sheet.lly << " " << sheet.urx << " " << sheet.ury << "]";
      }
    }
    EXPECT_GT(marks, 0u) << "the example draws crop marks";
  }
}

}  // namespace
