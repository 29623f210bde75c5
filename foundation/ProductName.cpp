#include "foundation/ProductName.h"

#include <cstring>
#include <string>

#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"

const char* CurrentProductString(ASInt32 which) {
  static char* cached[4] = {nullptr, nullptr, nullptr, nullptr};
  if (which < 0 || which > 3) return "?";
  if (cached[which]) return cached[which];
  auto known = [](const char* key, const char* fallback) {
    std::string text = KnownMessageInTableByKey(gSystemMessageTable, key) ? GetMessageFromTableByKey(gSystemMessageTable, key) : fallback;
    CutUTF8(text, 199);
    return text;
  };
  const std::string base = known("config.productnamebase.kv", "Korvel Velmora");
  const std::string shortName = known("config.productnameshort.kv", "Korvel Velmora 3");
  std::string text;
  switch (which) {
    case kProductShortName:
      text = shortName;
      break;
    case kProductMenuName:
      text = shortName + "...";
      break;
    default:
      text = base + " 3.0k";
      break;
  }
  char* block = static_cast<char*>(ASmallocWithException(text.size() + 1));
  std::memcpy(block, text.c_str(), text.size() + 1);
  cached[which] = block;
  return block;
}
