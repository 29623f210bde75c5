// A --set KEY=VALUE is untrusted text from a command line: each line of the
// input is one setting, read by every command's table (lengths with units,
// page sizes by name or sides, paths into groups) and stored over the same
// parameters, which are then checked as a run checks them (warnings
// silenced).
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/ParamTables.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KParams.h"
#include "frame/ParamSettings.h"
#include "pdftools/PageSizes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  static SKCab* const sizes = [] {
    gAutoMessageMode.mode = kAutoMessageModeSilent;
    return NewPageSizeCollectionDefault();
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  DURING
    for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
      SKCab* params = KCabNewInner();
      char why[1200];
      for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string setting = text.substr(start, end - start);
        KVParamSettingCheck(c->table, sizes, params, setting.c_str(), why, sizeof why);
        start = end + 1;
      }
      KParamCheck(c->table, params, kKParamCheckRun, why, sizeof why);
      KCabDestroy(params);
    }
  HANDLER
  END_HANDLER
  return 0;
}
