// An order list comes from a dialog, a remembered parameter cabinet or a
// recorded command list: read any bytes as one, check it with any group
// size, draw its preview into a small buffer, and run the shuffle over a
// small document.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/OrderList.h"
#include "engine/OrderListPreview.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

namespace {

void Drop(const char*, ASInt32, void*) {}

// A document of n blank pages, made once and reset for every input.
PDDoc Fresh(ASInt32 n) {
  PDDoc doc = PDDocCreate();
  for (ASInt32 i = 0; i < n; ++i) {
    PDPage page = PDDocCreatePage(doc, i - 1, ASFixedRect{0, 792 << 16, 612 << 16, 0});
    PDPageRelease(page);
  }
  return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 4096) return 0;
  static bool ready = [] {
    InitSystemMessageTable();
    SAutoMessageState quiet{kAutoMessageModeFilterNoPrompts, Drop, nullptr};
    RestoreAutoMessageState(&quiet);
    return true;
  }();
  (void)ready;
  // The first two bytes choose the group size (-8 .. 1015 and 0 for the
  // whole document) and the list type; the rest is the list.
  const ASInt32 group = (ASInt32)data[0] * 4 - 8 + (data[1] & 3);
  const EOrderListType type = (EOrderListType)((data[1] >> 2) % 6);
  std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

  DURING
    char error[kOrderListErrorSize];
    const char* cursor = text.c_str();
    ASInt32 page = 0;
    EWhatRotate turn = kWhatRotateNone;
    ASInt32 tokens = 0;
    while (OrderListGetNextToken(&cursor, &page, &turn, error)) {
      if (turn < kWhatRotateNone || turn > kWhatRotate270) __builtin_trap();
      ++tokens;
    }
    if (std::strlen(error) >= kOrderListErrorSize) __builtin_trap();

    std::vector<ASInt32> pages(8);
    OrderListFillArray(text.c_str(), pages.data(), nullptr, (ASInt32)pages.size());
    OrderListVerify(text.c_str(), group, 0);
    OrderListVerify(text.c_str(), group, 1);

    SKCab* params = KCabNewInner();
    KCabPutStringCopy(params, "Order", text.c_str());
    KCabPutInt(params, "GroupSize", group);
    ASInt32 better = 0;
    OrderListHasBetterGroupSize(params, &better);
    if (SOrderInfo* info = NewOrderInfo(params)) {
      if (info->count != tokens) __builtin_trap();
      DestroyOrderInfo(info);
    }
    KCabDestroy(params);

    char preview[600];
    std::memset(preview, '#', sizeof preview);
    ASInt32 width = 0, height = 0, sheets = 0;
    FormatOrderListDisplay(preview, 512, &width, &height, &sheets, text.c_str(), group, type, 7, 1 + data[0] % 5,
                           1 + data[1] % 4, data[0] % 3);
    if (preview[512] != '#' || std::strlen(preview) > 511) __builtin_trap();
    FormatShuffleLiveSheets(preview, 512, &width, &height, text.c_str(), text.c_str(), 3, 2, data[1] & 1,
                            (EWhatRotate)(data[0] & 3), (EWhatRotate)(data[1] & 3));
    if (preview[512] != '#') __builtin_trap();

    // The shuffle itself, on short lists only: every token makes a page.
    if (text.size() <= 64) {
      PDDoc doc = Fresh(5);
      DURING
        OrderListExecuteInner(nullptr, doc, text.c_str(), group % 12, data[1] & 1, type);
      HANDLER
      END_HANDLER
      PDDocClose(doc);
      std::vector<AVDoc> views;
      AVAppEnumDocs(
          [](AVDoc v, void* all) -> ASBool {
            static_cast<std::vector<AVDoc>*>(all)->push_back(v);
            return 1;
          },
          &views);
      for (AVDoc v : views) AVDocClose(v, 1);
    }
  HANDLER
  END_HANDLER
  return 0;
}
