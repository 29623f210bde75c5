// A command list read from a PDF or a settings file is untrusted: read the
// bytes as a cabinet, walk, verify and replay it over a small document, and
// use the bytes as a feature list and a page word too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/KCabXML.h"
#include "frame/CmdList.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "frame/FrameTestSupport.h"
#include "host/PD.h"

namespace {

void Drop(const char*, ASInt32, void*) {}

ASBool Count(ECmdItemCategory, SKCab*, ASInt32, void* data) {
  ++*static_cast<int*>(data);
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  static bool ready = [] {
    kvtest::PrepareTestCollection();
    SAutoMessageState quiet{kAutoMessageModeFilterNoPrompts, Drop, nullptr};
    RestoreAutoMessageState(&quiet);
    return true;
  }();
  (void)ready;
  std::string text(reinterpret_cast<const char*>(data), size);
  DURING
    FeaturesListChecker(text.c_str());
    // The bytes as a describer's format, for a page word and a number.
    KCabHolder range(KCabNewInner());
    KCabPutStringCopy(range.get(), "s", "last - 3");
    KCabPutInt(range.get(), "n", 7);
    char line[200];
    SPrintfUnboundedIntOrStringDecimalFormat(range.get(), "s", 1, line, sizeof line, text.c_str());
    SPrintfUnboundedIntOrStringDecimalFormat(range.get(), "n", 1, line, sizeof line, text.c_str());
    ASInt32 page = 0;
    ResolveSingleRangeElemString(text.c_str(), &page, 7);
    SKCab* list = KCabReadFromBuffer(text.data(), (ASInt32)text.size(), nullptr);
    if (list) {
      int visits = 0;
      EnumCommandListInner(list, -1, 7, Count, &visits);
      PDDoc doc = PDDocCreate();
      for (int i = 0; i < 3; ++i) PDPageRelease(PDDocCreatePage(doc, i - 1, ASFixedRect{0, 792 << 16, 612 << 16, 0}));
      SKCab* play = KCabNewInner();
      KCabPutBool(play, "Interactive", (ASBool)(size & 1));
      ReplayCommandListOnPDDocInplace(list, doc, play);
      KCabDestroy(play);
      PDDocClose(doc);
      KCabDestroy(list);
    }
  HANDLER
  END_HANDLER
  return 0;
}
