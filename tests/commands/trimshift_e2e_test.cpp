// Trim and shift as a user runs it: kvhost with the real plug-in bundle runs
// the command on generated PDFs, by key with a parameter cabinet and through
// its menu item with the wizard answered; the saved files are read back with
// qpdf and poppler's pdfinfo.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::CabXML;
using kvtest::Shell;
using kvtest::ShellOutcome;

const std::string kMenuItem = "KRVL:Velmora3:TrimAndShift";

struct Box {
  double l = 0, b = 0, r = 0, t = 0;
};

// "MediaBox" or "CropBox" of every page, as pdfinfo reads them.
std::vector<Box> Boxes(const std::string& pdf, const char* which, int pages) {
  ShellOutcome r = Shell("pdfinfo -box -f 1 -l " + std::to_string(pages) + " " + pdf);
  std::vector<Box> out;
  std::istringstream in(r.out);
  std::string line;
  const std::string tag = std::string(which) + ":";
  while (std::getline(in, line)) {
    size_t at = line.find(tag);
    if (line.rfind("Page", 0) != 0 || at == std::string::npos) continue;
    Box b;
    std::istringstream nums(line.substr(at + tag.size()));
    nums >> b.l >> b.b >> b.r >> b.t;
    out.push_back(b);
  }
  return out;
}

std::string Show(const Box& b) {
  char text[100];
  std::snprintf(text, sizeof text, "[%.2f %.2f %.2f %.2f]", b.l, b.b, b.r, b.t);
  return text;
}

class TrimShiftHost : public ::testing::Test {
 protected:
  ShellOutcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  // Writes the cabinet (and destroys it).
  std::string Cabinet(const char* name, SKCab* cab) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, CabXML(cab));
    KCabDestroy(cab);
    return path;
  }
  static void Check(const std::string& pdf) {
    ShellOutcome q = Shell("qpdf --check " + pdf);
    EXPECT_EQ(0, q.status) << q.out;
  }

  kvtest::TempDir dir;
};

SKCab* Params(std::initializer_list<std::pair<const char*, const char*>> atoms) {
  SKCab* p = KCabNewInner();
  for (const auto& a : atoms) KCabPutAtom(p, a.first, ASAtomFromString(a.second));
  return p;
}

TEST_F(TrimShiftHost, TrimsTheTopOfEveryPageInPlace) {
  std::string in = Doc("in.pdf", 3), out = dir.file("out.pdf");
  SKCab* p = Params({{"Trim", "Smaller"}, {"TrimEdge", "Top"}});
  KCabPutBool(p, "NewDoc", 0);
  KCabPutDouble(p, "TrimBy", 100);
  ShellOutcome r = Kvhost(in + " --params " + Cabinet("p.xml", p) + " --command TrimAndShift --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  Check(out);
  std::vector<Box> crop = Boxes(out, "CropBox", 3), media = Boxes(out, "MediaBox", 3);
  ASSERT_EQ(3u, crop.size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ("[0.00 0.00 612.00 692.00]", Show(crop[i])) << i;
    EXPECT_EQ("[0.00 0.00 612.00 792.00]", Show(media[i])) << i;
  }
  // The command is in the saved file's history, described.
  ShellOutcome h = Kvhost("--history " + out);
  EXPECT_TRUE(h.Says("TrimAndShift")) << h.out;
  EXPECT_TRUE(h.Says("Trim the top edge by 100 points")) << h.out;
}

TEST_F(TrimShiftHost, ShiftsIntoANewDocumentAndLeavesTheSourceAlone) {
  std::string in = Doc("in.pdf", 2), saved = dir.file("all");
  std::filesystem::create_directory(saved);
  SKCab* p = Params({{"Shift", "Fixed"}, {"ShiftDir", "Right"}});
  KCabPutBool(p, "NewDoc", 1);
  KCabPutDouble(p, "ShiftFrom", 20);
  ShellOutcome r =
      Kvhost(in + " --params " + Cabinet("p.xml", p) + " --command TrimAndShift --save-all " + saved);
  ASSERT_EQ(0, r.status) << r.out;
  std::string out = saved + "/Trimmed and shifted 1.pdf";
  Check("'" + out + "'");
  std::vector<Box> crop = Boxes("'" + out + "'", "CropBox", 2), media = Boxes("'" + out + "'", "MediaBox", 2);
  ASSERT_EQ(2u, crop.size());
  for (int i = 0; i < 2; ++i) {
    // The window moves left over the page, so the content shows further right.
    EXPECT_EQ("[-20.00 0.00 592.00 792.00]", Show(crop[i])) << i;
    EXPECT_EQ("[-20.00 0.00 612.00 792.00]", Show(media[i])) << i;
  }
  for (const Box& b : Boxes(in, "CropBox", 2)) EXPECT_EQ("[0.00 0.00 612.00 792.00]", Show(b));
}

// Creep over signatures of eight pages: the outermost pages keep their
// place, the innermost move by the full amount, alternate pages the other way.
struct CreepCase {
  const char* name;
  ASInt32 every;
  int pages;
};
void PrintTo(const CreepCase& c, std::ostream* os) { *os << c.name; }
class TrimShiftCreepHost : public TrimShiftHost, public ::testing::WithParamInterface<CreepCase> {};

TEST_P(TrimShiftCreepHost, MovesTheInnerPagesOfEachSignature) {
  const CreepCase& c = GetParam();
  std::string in = Doc("in.pdf", c.pages), out = dir.file("out.pdf");
  SKCab* p = Params({{"Shift", "Creep"}});
  KCabPutBool(p, "NewDoc", 0);
  KCabPutInt(p, "CreepEvery", c.every);
  KCabPutDouble(p, "ShiftFrom", 0);
  KCabPutDouble(p, "ShiftTo", -4);
  ShellOutcome r = Kvhost(in + " --params " + Cabinet("p.xml", p) + " --command TrimAndShift --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  Check(out);
  std::vector<Box> crop = Boxes(out, "CropBox", c.pages);
  ASSERT_EQ((size_t)c.pages, crop.size());
  // One signature: 0, then 1/3, 2/3 and all of the shift towards the middle,
  // odd pages one way and even pages the other, and back out.
  const double left[8] = {0, -4.0 / 3, 8.0 / 3, -4, 4, -8.0 / 3, 4.0 / 3, 0};
  for (int i = 0; i < c.pages; ++i) {
    EXPECT_NEAR(left[i % 8], crop[i].l, 0.02) << "page " << i + 1;
    EXPECT_NEAR(left[i % 8] + 612, crop[i].r, 0.02) << "page " << i + 1;
    EXPECT_NEAR(0, crop[i].b, 0.001) << "page " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimShiftCreepHost,
                         ::testing::Values(CreepCase{"Signatures", 8, 16}, CreepCase{"WholeDocument", -4, 8}));

TEST_F(TrimShiftHost, TheMenuRunsTheWizardAnsweredStepByStep) {
  std::string in = Doc("in.pdf", 2), out = dir.file("out.pdf");
  // The menu item is listed under its name.
  ShellOutcome menus = Kvhost("--list-menus");
  ASSERT_TRUE(menus.Says(kMenuItem)) << menus.out;
  // The steps in turn: in place; extend the right edge by 30; no shift.
  SKCab* answers = KCabNewInner();
  SKCab* step1 = KCabNewInner();
  KCabPutBool(step1, "NewDoc", 0);
  KCabPutCab(answers, "0", step1);
  SKCab* step2 = Params({{"Trim", "Bigger"}, {"TrimEdge", "Right"}});
  KCabPutDouble(step2, "TrimBy", 30);
  KCabPutCab(answers, "1", step2);
  KCabPutCab(answers, "2", Params({{"Shift", "None"}}));
  ShellOutcome r = Kvhost(in + " --answers " + Cabinet("a.xml", answers) + " --menu " + kMenuItem + " --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  Check(out);
  for (const Box& b : Boxes(out, "CropBox", 2)) EXPECT_EQ("[0.00 0.00 642.00 792.00]", Show(b));
  for (const Box& b : Boxes(out, "MediaBox", 2)) EXPECT_EQ("[0.00 0.00 642.00 792.00]", Show(b));
}

// A uniform trim with no size to trim to does not run: the step fails, the
// user hears why, and nothing is saved.
TEST_F(TrimShiftHost, AUniformTrimWithoutASizeFails) {
  std::string in = Doc("in.pdf", 2), out = dir.file("out.pdf");
  SKCab* p = Params({{"Trim", "Uniform"}});
  KCabPutBool(p, "NewDoc", 0);
  ShellOutcome r = Kvhost(in + " --params " + Cabinet("p.xml", p) + " --command TrimAndShift --save " + out);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("A uniform trim needs a page size")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ("[0.00 0.00 612.00 792.00]", Show(Boxes(in, "CropBox", 2).at(1)));
}

TEST_F(TrimShiftHost, AWizardThatRefusesItsAnswersRunsNothing) {
  std::string in = Doc("in.pdf", 1), out = dir.file("out.pdf");
  // Nothing to trim and nothing to shift: the last step refuses Finish.
  SKCab* answers = KCabNewInner();
  SKCab* step1 = KCabNewInner();
  KCabPutBool(step1, "NewDoc", 0);
  KCabPutCab(answers, "0", step1);
  KCabPutCab(answers, "1", Params({{"Trim", "None"}}));
  KCabPutCab(answers, "2", Params({{"Shift", "None"}}));
  ShellOutcome r = Kvhost(in + " --answers " + Cabinet("a.xml", answers) + " --menu " + kMenuItem + " --save " + out);
  EXPECT_NE(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("Nothing would change")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
