// Item lists and image headers arrive as bytes; neither may crash the
// platform whatever they hold.
#include <cstddef>
#include <cstdint>

#include "platform/Pf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SPfImageInfo info;
  PfImageIdentify(data, size, &info);
  if (size > 0 && (data[0] & 1)) {
    PfHandle items = PfNewHandleFromData(data + 1, size - 1);
    PfDialogRef d = PfNewDialog(PfSetRect(10, 40, 300, 300), "fuzz", true, 5, true, false, 0, items, 0);
    if (d) {
      for (int16_t i = 1; i <= PfCountDialogItems(d); ++i) {
        char buf[300];
        PfGetDialogItemText(d, i, buf, sizeof buf);
        PfHideDialogItem(d, i);
        PfShowDialogItem(d, i);
      }
      PfDrawDialog(d);
      PfPostKeyDown(kPfTabChar, 0);
      PfPostKeyDown('x', 0);
      PfPostKeyDown('.', kPfCmdKey);
      int16_t hit;
      PfModalDialog(nullptr, &hit);
    }
  }
  PfResetAll();
  return 0;
}
