// A parameter file is untrusted cabinet XML: read arbitrary bytes with the
// reader of a person's text, which names what is wrong, then check the
// cabinet against every command's table, looking and running (warnings
// silenced).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "commands/ParamTables.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/KParams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  static const bool silenced = [] {
    gAutoMessageMode.mode = kAutoMessageModeSilent;
    return true;
  }();
  (void)silenced;
  std::vector<char> bytes(data, data + size);
  DURING
    ASBool error = 0;
    SKCabXMLReadProblem problem;
    SKCab* cab = KCabReadWellFormedFromBuffer(bytes.data(), (ASInt32)bytes.size(), &error, &problem);
    if (cab) {
      for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
        char why[1200];
        KParamCheck(c->table, cab, kKParamCheckLook, why, sizeof why);
        SKCab* copy = KCabDup(cab);
        KParamCheck(c->table, copy, kKParamCheckRun, why, sizeof why);
        KCabDestroy(copy);
      }
      KCabDestroy(cab);
    }
  HANDLER
  END_HANDLER
  return 0;
}
