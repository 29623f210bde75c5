// Order-list previews: the cell cursor of every list type, the content text
// of cells and sheets, sizes, and buffers too small for the picture.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/OrderListPreview.h"
#include "foundation/MFUtil.h"

using namespace kvtest;

namespace {

// The labels of the next count cells ("2>" for a turned one).
std::string Cells(SCellData* cells, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    char label[16];
    EWhatRotate turn = kWhatRotateNone;
    ASInt32 page = 0;
    NextOrderListCellInfo(cells, label, &turn, &page);
    out += (out.empty() ? "" : " ") + std::string(label);
    if (turn == kWhatRotate90) out += ">";
    if (std::string(label) == "X") EXPECT_EQ(-1, page);
    else EXPECT_EQ(std::stoi(label), page);
  }
  return out;
}

// The labels drawn into a content text, in order.
std::vector<std::string> Labels(const std::string& content) {
  std::vector<std::string> out;
  std::regex tj(R"(\(((?:[^)\\]|\\.)*)\)Tj)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), tj); it != std::sregex_iterator(); ++it)
    out.push_back((*it)[1]);
  return out;
}

struct CursorCase {
  const char* list;
  int group;
  EOrderListType type;
  int pages;
  int count;
  const char* cells;
};
// Test names print the case, not a dump of its bytes.
void PrintTo(const CursorCase& c, std::ostream* os) { *os << '"' << c.list << "\" of " << c.pages << " pages"; }
class CursorTest : public PagesTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorTest, MapsCellsToPages) {
  const CursorCase& c = GetParam();
  SCellData* cells = NewOrderListCellData(c.list, c.group, c.type, c.pages);
  EXPECT_EQ(c.cells, Cells(cells, c.count));
  ASfree(cells);
}

INSTANTIATE_TEST_SUITE_P(
    Types, CursorTest,
    ::testing::Values(CursorCase{"2 1", 2, kOrderListNormal, 3, 6, "2 1 X 3 X X"},
                      CursorCase{"1 2> x", 2, kOrderListNormal, 4, 6, "1 2> X 3 4> X"},
                      CursorCase{"1 2 3 4", 4, kOrderListSaddleStitch, 8, 8, "1 2 7 8 3 4 5 6"},
                      // Odd groups take one page more from the back than from the front.
                      CursorCase{"1 2 3 4 5", 5, kOrderListSaddleStitch, 10, 11, "1 2 8 9 10 3 4 5 6 7 X"},
                      CursorCase{"5 1 4 2 3", 5, kOrderListSaddleStitch, 8, 10, "X 1 X 2 8 7 3 6 4 5"},
                      CursorCase{"1 2 3", 3, kOrderListCutStacksSingle, 9, 9, "1 4 7 2 5 8 3 6 9"},
                      CursorCase{"1 2", 2, kOrderListCutStacksSingle, 4, 4, "1 3 2 4"},
                      CursorCase{"1 2 3 4", 4, kOrderListCutStacksDouble, 8, 8, "1 2 5 6 3 4 7 8"},
                      CursorCase{"1 2 3 4 5", 8, kOrderListCutSignatures, 16, 5, "1 2 3 4 9"},
                      CursorCase{"0 99999999999", 2, kOrderListNormal, 3, 2, "X X"},
                      CursorCase{"", 2, kOrderListNormal, 3, 2, "X X"},
                      CursorCase{"1", -4, kOrderListSaddleStitch, 2, 3, "1 2 X"}));

TEST_F(PagesTest, OffsetMovesByCells) {
  SCellData* cells = NewOrderListCellData("2 1 x", 2, kOrderListNormal, 6);
  OffsetOrderListCellData(cells, 4);  // second group, second token
  EXPECT_EQ("3 X 6", Cells(cells, 3));
  OffsetOrderListCellData(cells, 9);  // past the end
  EXPECT_EQ("X", Cells(cells, 1));
  OffsetOrderListCellData(cells, -5);
  EXPECT_EQ("2", Cells(cells, 1));
  ASfree(cells);
}

TEST_F(PagesTest, OffsetIntoAnOddSaddleGroup) {
  SCellData* cells = NewOrderListCellData("1 2 3 4 5", 5, kOrderListSaddleStitch, 10);
  OffsetOrderListCellData(cells, 6);  // second group, second token
  EXPECT_EQ("4 5 6 7 X", Cells(cells, 5));
  ASfree(cells);
}

TEST_F(PagesTest, DisplayShowsTwoSheets) {
  char buffer[8000];
  ASInt32 width = 0, height = 0, sheets = 0;
  FormatOrderListDisplay(buffer, sizeof buffer, &width, &height, &sheets, "2 1", 2, kOrderListNormal, 3, 2, 1, 0);
  EXPECT_EQ((std::vector<std::string>{"2", "1", "X", "3"}), Labels(buffer));
  EXPECT_EQ(2 * 54 + 14, width);
  EXPECT_EQ(27 + 5, height);
  EXPECT_EQ(2, sheets);
  EXPECT_NE(nullptr, std::strstr(buffer, "0.8 g 2 2 55 28 re B ")) << "the grey sheet";
  EXPECT_NE(nullptr, std::strstr(buffer, " 1 0 0 1 63 0 cm ")) << "the second sheet beside the first";
  EXPECT_NE(nullptr, std::strstr(buffer, " 1 0 0 1 4 4 cm ")) << "the top-left cell";
}

TEST_F(PagesTest, EmptyListDrawsNoCells) {
  char buffer[2000];
  ASInt32 width = 0, height = 0, sheets = 0;
  FormatOrderListDisplay(buffer, sizeof buffer, &width, &height, &sheets, "", 4, kOrderListNormal, 8, 2, 2, 0);
  EXPECT_TRUE(Labels(buffer).empty());
  EXPECT_EQ(1, sheets);
}

TEST_F(PagesTest, CellTextOfATurnedRedLabel) {
  char buffer[1000] = "";
  Box(buffer, sizeof buffer, "12", kWhatRotate90, 1);
  EXPECT_EQ(std::string(" q 0 -1 1 0 0 24 cm\n0 w 1 g 0 0 24 24 re B  4 2 m 20 2 l S \n1 0 0 rg BT /H 12.00 Tf"
                        " 1 0 0 1 5.33 6.00 Tm(12)Tj ET Q "),
            buffer);
}

TEST_F(PagesTest, WideLabelsShrinkToFit) {
  char buffer[1000] = "";
  Box(buffer, sizeof buffer, "123456", kWhatRotateNone, 0);
  // Six digits are 40.03 units wide at 12: the size becomes 264 / 40.03.
  std::cmatch m;
  ASSERT_TRUE(std::regex_search(buffer, m, std::regex(R"(/H ([0-9.]+) Tf 1 0 0 1 ([0-9.]+) ([0-9.]+) Tm)")));
  const double size = std::stod(m[1]);
  EXPECT_NEAR(22.0, 40.03 * size / 12, 0.02);
  EXPECT_EQ("1.00", m[2].str());
}

TEST_F(PagesTest, LabelsAreEscaped) {
  char buffer[1000] = "";
  Box(buffer, sizeof buffer, "a(b)\\", kWhatRotateNone, 0);
  EXPECT_NE(nullptr, std::strstr(buffer, "(a\\(b\\)\\\\)Tj"));
}

TEST_F(PagesTest, SmallBuffersStopAtTheirCapacity) {
  for (int capacity : {1, 2, 17, 100, 333}) {
    std::vector<char> buffer((size_t)capacity + 8, '#');
    ASInt32 width = 0, height = 0, sheets = 0;
    FormatOrderListDisplay(buffer.data(), capacity, &width, &height, &sheets, "1 2 3 4", 4, kOrderListNormal, 16, 4, 4,
                           0);
    EXPECT_EQ((size_t)capacity - 1, std::strlen(buffer.data())) << capacity;
    EXPECT_EQ('#', buffer[(size_t)capacity]) << "nothing written past the capacity";
  }
  // Absurd grids stop when the buffer is full.
  std::vector<char> buffer(5000);
  ASInt32 width = 0, height = 0, sheets = 0;
  FormatOrderListDisplay(buffer.data(), 5000, &width, &height, &sheets, "1 2", 2, kOrderListNormal, 4, 2000000000,
                         2000000000, 2000000000);
  EXPECT_EQ(4999u, std::strlen(buffer.data()));
}

TEST_F(PagesTest, LiveSheetsFromCellTexts) {
  char buffer[8000];
  ASInt32 width = 0, height = 0;
  FormatShuffleLiveSheets(buffer, sizeof buffer, &width, &height, "1 x r3< ?", "r? 2* G4 5", 2, 2, 0,
                          kWhatRotateNone, kWhatRotateNone);
  EXPECT_EQ((std::vector<std::string>{"1", "X", "3", "?", "?", "2", "4", "5"}), Labels(buffer));
  EXPECT_EQ(2 * (2 * 27 + 5) + 4, width);
  EXPECT_EQ(2 * 27 + 5, height);
  EXPECT_NE(nullptr, std::strstr(buffer, "1 0 0 rg BT /H 12.00 Tf 1 0 0 1 8.66 6.00 Tm(3)")) << "r makes it red";

  // Stacked, the second sheet turned a quarter: its rows and columns change places.
  FormatShuffleLiveSheets(buffer, sizeof buffer, &width, &height, "1 2 3", "4 5 6", 3, 1, 1, kWhatRotateNone,
                          kWhatRotate90);
  EXPECT_EQ(3 * 27 + 5, width);
  EXPECT_EQ((27 + 5) + (3 * 27 + 5) + 4, height);
  EXPECT_EQ((std::vector<std::string>{"4", "5", "6", "1", "2", "3"}), Labels(buffer)) << "second sheet first";
}

}  // namespace
