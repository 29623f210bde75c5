#include "engine/OrderListPreview.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include "engine/EngineFixed.h"
#include "foundation/CLocale.h"
#include "foundation/MFUtil.h"
#include "foundation/TextCut.h"
#include "host/ASFixed.h"
#include "pdftools/DocCache.h"

namespace {

constexpr ASInt32 kPitch = 27;
constexpr ASInt32 kCell = 24;
// Grids beyond this many cells a side draw nothing more: the buffer is full long before.
constexpr ASInt64 kMaxSide = 100000;

// Bytes still free in the buffer (terminating zero kept).
ASInt32 Room(const char* buffer, ASInt32 capacity) {
  if (capacity <= 0) return 0;
  return capacity - 1 - (ASInt32)strnlen(buffer, (size_t)capacity - 1);
}

void Append(char* buffer, ASInt32 capacity, const char* text) {
  const ASInt32 room = Room(buffer, capacity);
  if (room <= 0) return;
  const size_t used = std::strlen(buffer);
  CopyCutUTF8(buffer + used, (size_t)room + 1, text);
}

void AppendF(char* buffer, ASInt32 capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
void AppendF(char* buffer, ASInt32 capacity, const char* format, ...) {
  char piece[256];
  va_list args;
  va_start(args, format);
  CLocaleVsnprintf(piece, sizeof piece, format, args);
  va_end(args);
  Append(buffer, capacity, piece);
}

bool Full(const char* buffer, ASInt32 capacity) { return Room(buffer, capacity) <= 0; }

// Reads the next token at the cursor's read position.
bool ReadToken(SCellData* cells, ASInt32* page, EWhatRotate* rotate) {
  char error[kOrderListErrorSize];
  return OrderListGetNextToken(&cells->readPos, page, rotate, error) != 0;
}

}  // namespace

SCellData* NewOrderListCellData(const char* list, ASInt32 groupSize, EOrderListType type, ASInt32 pageCount) {
  auto* cells = static_cast<SCellData*>(ASmallocWithException(sizeof(SCellData)));
  std::memset(cells, 0, sizeof *cells);
  cells->listStart = cells->readPos = list ? list : "";
  cells->groupSize = std::max<ASInt32>(groupSize, 1);
  cells->type = (cells->groupSize == 1 || type < kOrderListNormal || type > kOrderListCutSignatures) ? kOrderListNormal
                                                                                                    : type;
  cells->pageCount = std::max<ASInt32>(pageCount, 0);
  const ASInt64 G = cells->groupSize;
  const ASInt64 R = (cells->pageCount + G - 1) / G;
  cells->groupCount = (ASInt32)R;
  cells->paddedCount = EngineSat32(G * R);
  ASInt32 page = 0;
  EWhatRotate turn = kWhatRotateNone;
  while (ReadToken(cells, &page, &turn)) ++cells->tokenCount;
  cells->readPos = cells->listStart;
  return cells;
}

void NextOrderListCellInfo(SCellData* cells, char* label, EWhatRotate* rotate, ASInt32* page) {
  ASInt32 k = -1;
  EWhatRotate turn = kWhatRotateNone;
  if (!ReadToken(cells, &k, &turn)) {
    // The list starts again on the next group.
    cells->groupBase = EngineSat32((ASInt64)cells->groupBase + 1);
    if (cells->groupBase >= cells->groupCount) cells->finished = 1;
    cells->readPos = cells->listStart;
    if (!ReadToken(cells, &k, &turn)) k = -1;
  }
  ASInt64 mapped = -1;
  if (!cells->finished && k >= 1)
    mapped = OrderListSlotSourcePage(cells->type, cells->groupBase, k, cells->groupSize, cells->paddedCount);
  const bool real = mapped >= 1 && mapped <= cells->pageCount;
  if (label) {
    if (real) CLocaleSnprintf(label, 16, "%ld", (long)mapped);
    else std::strcpy(label, "X");
  }
  if (rotate) *rotate = turn;
  if (page) *page = real ? (ASInt32)mapped : -1;
}

void OffsetOrderListCellData(SCellData* cells, ASInt32 count) {
  if (cells->tokenCount <= 0) return;
  count = std::max<ASInt32>(count, 0);
  const ASInt64 tokens = cells->tokenCount;
  if (tokens * cells->groupCount <= count) {
    cells->finished = 1;
    return;
  }
  cells->finished = 0;
  cells->readPos = cells->listStart;
  cells->groupBase = EngineSat32(count / tokens);
  ASInt32 page = 0;
  EWhatRotate turn = kWhatRotateNone;
  for (ASInt64 i = 0; i < count % tokens; ++i) ReadToken(cells, &page, &turn);
}

// ---- drawing

void tr(char* buffer, ASInt32 capacity, ASInt32 x, ASInt32 y) {
  AppendF(buffer, capacity, " 1 0 0 1 %ld %ld cm ", (long)x, (long)y);
}

void FrameCell(char* buffer, ASInt32 capacity, ASInt32 columns, ASInt32 rows) {
  AppendF(buffer, capacity, "0.8 g %ld %ld %ld %ld re B ", 2L, 2L, (long)((ASInt64)columns * kPitch + 1),
          (long)((ASInt64)rows * kPitch + 1));
}

void Box(char* buffer, ASInt32 capacity, const char* label, EWhatRotate rotate, ASBool red) {
  static const char* const turns[4] = {"", " q 0 -1 1 0 0 24 cm", " q -1 0 0 -1 24 24 cm", " q 0 1 -1 0 24 0 cm"};
  const ASInt32 turn = rotate & 3;
  Append(buffer, capacity, turns[turn]);
  Append(buffer, capacity, "\n0 w 1 g 0 0 24 24 re B  4 2 m 20 2 l S ");
  const double w = ASFixedToFloat(BaseFontStringWidth(kHelvetica, ASInt32ToFixed(12), label, -1, kEncodingMac2));
  double size = 12, x = (kCell - w) / 2;
  if (w > 22) {
    size = 264 / w;
    x = 1;
  }
  const double y = (kCell - size) / 2;
  AppendF(buffer, capacity, "\n%s BT /%s %.2f Tf", red ? "1 0 0 rg" : "0 g", "H", size);
  AppendF(buffer, capacity, " 1 0 0 1 %.2f %.2f Tm", x, y);
  Append(buffer, capacity, "(");
  for (const char* p = label; *p && Room(buffer, capacity) >= 4; ++p) {
    char piece[3] = {0, 0, 0};
    if (*p == '(' || *p == ')' || *p == '\\') {
      piece[0] = '\\';
      piece[1] = *p;
    } else {
      piece[0] = *p;
    }
    Append(buffer, capacity, piece);
  }
  Append(buffer, capacity, ")Tj ET ");
  if (turn) Append(buffer, capacity, "Q ");
}

void FormatSheet(char* buffer, ASInt32 capacity, SCellData* cells, ASInt32 columns, ASInt32 rows, ASInt32 sheet) {
  if (cells->tokenCount <= 0) return;
  Append(buffer, capacity, "\nq ");
  // The cells before the sheet, saturated: a huge sheet number is past the end.
  const ASInt64 perSheet = std::clamp<ASInt64>(rows, 0, kMaxSide) * std::clamp<ASInt64>(columns, 0, kMaxSide);
  const ASInt64 before = sheet <= 0 ? 0 : perSheet > 0 && sheet > INT32_MAX / perSheet ? INT32_MAX : sheet * perSheet;
  OffsetOrderListCellData(cells, EngineSat32(before));
  FrameCell(buffer, capacity, columns, rows);
  tr(buffer, capacity, 4, EngineSat32((ASInt64)rows * kPitch - 23));
  for (ASInt64 r = 0; r < std::min<ASInt64>(rows, kMaxSide) && !Full(buffer, capacity); ++r) {
    Append(buffer, capacity, " q ");
    for (ASInt64 c = 0; c < std::min<ASInt64>(columns, kMaxSide) && !Full(buffer, capacity); ++c) {
      char label[16];
      EWhatRotate turn = kWhatRotateNone;
      NextOrderListCellInfo(cells, label, &turn, nullptr);
      Box(buffer, capacity, label, turn, 0);
      tr(buffer, capacity, kPitch, 0);
    }
    Append(buffer, capacity, " Q ");
    tr(buffer, capacity, 0, -kPitch);
  }
  Append(buffer, capacity, " Q\n");
}

void FormatOrderListDisplay(char* buffer, ASInt32 capacity, ASInt32* width, ASInt32* height, ASInt32* sheetCount,
                            const char* list, ASInt32 groupSize, EOrderListType type, ASInt32 pageCount,
                            ASInt32 columns, ASInt32 rows, ASInt32 firstSheet) {
  if (capacity > 0) buffer[0] = 0;
  SCellData* cells = NewOrderListCellData(list, groupSize, groupSize == 1 ? kOrderListNormal : type, pageCount);
  ASInt64 sheets = 1;
  if (cells->tokenCount > 0 && rows > 0 && columns > 0) {
    const ASInt64 perSheet = (ASInt64)rows * columns;
    sheets = ((ASInt64)cells->tokenCount * cells->groupCount + perSheet - 1) / perSheet;
  }
  if (sheetCount) *sheetCount = EngineSat32(sheets);
  FormatSheet(buffer, capacity, cells, columns, rows, firstSheet);
  tr(buffer, capacity, EngineSat32((ASInt64)columns * kPitch + 9), 0);
  FormatSheet(buffer, capacity, cells, columns, rows, EngineSat32((ASInt64)firstSheet + 1));
  ASfree(cells);
  if (width) *width = EngineSat32((ASInt64)columns * 54 + 14);
  if (height) *height = EngineSat32((ASInt64)rows * kPitch + 5);
}

void FormatLiveSheet(char* buffer, ASInt32 capacity, const char* text, ASInt32 columns, ASInt32 rows) {
  Append(buffer, capacity, "\nq ");
  FrameCell(buffer, capacity, columns, rows);
  tr(buffer, capacity, 4, EngineSat32((ASInt64)rows * kPitch - 23));
  const char* p = text ? text : "";
  for (ASInt64 r = 0; r < std::min<ASInt64>(rows, kMaxSide) && !Full(buffer, capacity); ++r) {
    Append(buffer, capacity, " q ");
    for (ASInt64 c = 0; c < std::min<ASInt64>(columns, kMaxSide) && !Full(buffer, capacity); ++c) {
      while (*p == ' ') ++p;
      bool red = false;
      while (*p == 'r' || *p == 'G') red |= *p++ == 'r';
      if (*p == '?') {
        ++p;
        Box(buffer, capacity, "?", kWhatRotateNone, red);
      } else {
        char error[kOrderListErrorSize];
        ASInt32 page = 0;
        EWhatRotate turn = kWhatRotateNone;
        if (OrderListGetNextToken(&p, &page, &turn, error)) {
          char label[16];
          if (page == -1) std::strcpy(label, "X");
          else CLocaleSnprintf(label, sizeof label, "%d", (int)page);
          Box(buffer, capacity, label, turn, red);
        }
      }
      tr(buffer, capacity, kPitch, 0);
    }
    Append(buffer, capacity, " Q ");
    tr(buffer, capacity, 0, -kPitch);
  }
  Append(buffer, capacity, " Q\n");
}

void FormatShuffleLiveSheets(char* buffer, ASInt32 capacity, ASInt32* width, ASInt32* height, const char* firstText,
                             const char* secondText, ASInt32 columns, ASInt32 rows, ASUns16 stacked,
                             EWhatRotate firstTurn, EWhatRotate secondTurn) {
  if (capacity > 0) buffer[0] = 0;
  struct Sheet {
    const char* text;
    ASInt32 columns, rows;
    ASInt64 width, height;
  };
  auto make = [&](const char* text, EWhatRotate turn) {
    Sheet s{text, columns, rows, 0, 0};
    if ((turn & 1) != 0) std::swap(s.columns, s.rows);
    s.width = (ASInt64)s.columns * kPitch + 5;
    s.height = (ASInt64)s.rows * kPitch + 5;
    return s;
  };
  const Sheet first = make(firstText, firstTurn), second = make(secondText, secondTurn);
  if (stacked) {
    FormatLiveSheet(buffer, capacity, second.text, second.columns, second.rows);
    tr(buffer, capacity, 0, EngineSat32(second.height + 4));
    FormatLiveSheet(buffer, capacity, first.text, first.columns, first.rows);
    if (width) *width = EngineSat32(std::max(first.width, second.width));
    if (height) *height = EngineSat32(first.height + second.height + 4);
  } else {
    FormatLiveSheet(buffer, capacity, first.text, first.columns, first.rows);
    tr(buffer, capacity, EngineSat32(first.width + 4), 0);
    FormatLiveSheet(buffer, capacity, second.text, second.columns, second.rows);
    if (width) *width = EngineSat32(first.width + second.width + 4);
    if (height) *height = EngineSat32(std::max(first.height, second.height));
  }
}
