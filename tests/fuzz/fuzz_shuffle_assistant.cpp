// The shuffle assistant reads grids that users type and cabinets that come
// from remembered parameters or recorded command lists: any sizes, page
// numbers, turns and rules. Classify and generate every grid, draw its live
// texts, and turn the generated (or given) rule back into a grid.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "commands/ShuffleAssistant.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"

namespace {

void Drop(const char*, ASInt32, void*) {}

ASInt32 Int(const uint8_t* p) {
  return (ASInt32)((uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8 || size > 2048) return 0;
  static bool ready = [] {
    InitSystemMessageTable();
    SAutoMessageState quiet{kAutoMessageModeFilterNoPrompts, Drop, nullptr};
    RestoreAutoMessageState(&quiet);
    return true;
  }();
  (void)ready;
  // Header: rows and columns (mostly small, sometimes wild), page count,
  // flags; then four bytes per cell; whatever is left is a rule.
  const ASInt32 rows = (data[0] & 0x80) ? (ASInt32)(int8_t)data[0] * 1000 : data[0] % 10;
  const ASInt32 cols = (data[1] & 0x80) ? (ASInt32)(int8_t)data[1] * 1000 : data[1] % 10;
  const ASInt32 pages = (data[2] & 0x80) ? Int(data + 2) : data[2] * 4 + data[3];
  const uint8_t flags = data[6];
  const uint8_t groupByte = data[7];
  size_t at = 8;

  SKCab* values = KCabNewInner();
  SKCab* target = KCabNewInner();
  DURING
    KCabPutInt(values, "PreviewRows", rows);
    KCabPutInt(values, "PreviewCols", cols);
    KCabPutInt(values, "PageCount", pages);
    KCabPutBool(values, "Front90", flags & 1);
    KCabPutBool(values, "Back180", (flags >> 1) & 1);
    static const char* const kTurns[] = {"R0", "R90", "R180", "R270"};
    KCabPutAtom(values, "RotateFront", ASAtomFromString(kTurns[(flags >> 2) & 3]));
    const ASInt32 cells = (flags & 0x80) ? 2 : 64;
    for (ASInt32 n = 0; n < cells && at + 4 <= size; ++n, at += 4) {
      ASInt32 page = (data[at] & 0x80) ? Int(data + at) : data[at + 3] % 40 - 1;
      KCabPutInt(values, std::to_string(n).c_str(), page);
      KCabPutBool(values, ("E" + std::to_string(n)).c_str(), data[at + 1] & 1);
    }
    EOrderListType type = kOrderListNormal;
    char message[300];
    ASInt32 cls = ClassifyInputWrapper(values, &type, message, sizeof message);
    if (!std::memchr(message, 0, sizeof message)) __builtin_trap();
    std::string rule, front, back;
    ASInt32 group = 0;
    for (ASInt32 k = kGridClassNone; k <= kGridClassNSided + 1; ++k) GenerateRule(values, k, &rule, &group, flags & 0x40);
    if (cls && GenerateRule(values, cls, &rule, &group, 0)) {
      if (group < 1) __builtin_trap();
      KCabPutStringCopy(values, "Order", rule.c_str());
      KCabPutInt(values, "GroupSize", group);
    } else if (at < size) {
      KCabPutStringCopy(values, "Order", std::string(reinterpret_cast<const char*>(data) + at, size - at).c_str());
      KCabPutInt(values, "GroupSize", groupByte % 20);
    }
    ASInt32 front_ = 0, back_ = 0;
    ShuffleAssistantLiveTexts(values, &front, &back, &front_, &back_);
    if (front.size() > 1000 || back.size() > 1000) __builtin_trap();
    ASInt32 r = 0, c = 0;
    if (ShuffleRuleCouldConvertToAssistant2(values, &r, &c)) {
      ASInt32 out = 0;
      ShuffleRuleConvertToAssistant(values, target, r, c, pages, &out);
    }
    ShuffleRuleConvertToAssistant(values, target, rows, cols, 0, nullptr);
  HANDLER
  END_HANDLER
  KCabDestroy(target);
  KCabDestroy(values);
  return 0;
}
