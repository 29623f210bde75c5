// A command history read from a PDF is untrusted cabinet XML: read arbitrary
// bytes as a cabinet, write the result back and read that again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<char> bytes(data, data + size);
  DURING
    ASBool error = 0;
    SKCab* cab = KCabReadFromBuffer(bytes.data(), (ASInt32)bytes.size(), &error);
    if (cab) {
      ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
      std::string out((size_t)need + 1, '\0');
      WriteKCabToXMLBuffer(out.data(), need + 1, cab, nullptr);
      SKCab* again = KCabReadFromBuffer(out.data(), need, &error);
      if (again) KCabDestroy(again);
      KCabDestroy(cab);
    }
  HANDLER
  END_HANDLER
  return 0;
}
