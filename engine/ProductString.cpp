#include "engine/ProductString.h"

#include <string>

#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"

namespace {

const char* const kBuiltInName = "Korvel Velmora";

// A message text when the table has one, else the built-in text: the name is
// asked for before the messages are loaded.
std::string TextOf(const char* key, const char* builtIn) {
  if (!gSystemMessageTable || !KnownMessageInTableByKey(gSystemMessageTable, key)) return builtIn;
  const char* text = GetMessageFromTableByKey(gSystemMessageTable, key);
  return text && *text ? text : builtIn;
}

std::string Compute(ASInt32 form) {
  if (form == kProductStringMenu) return TextOf("common.product.menuname", kBuiltInName);
  if (form == kProductStringFull) {
    char text[300];
    std::string builtIn = std::string(kBuiltInName) + " %s";
    std::string format = TextOf("common.product.fullname", builtIn.c_str());
    FormatMessageTextUTF8(text, sizeof text, format.c_str(), builtIn.c_str(), nullptr, "s", kKVProductVersion);
    return text;
  }
  return TextOf("common.product.name", kBuiltInName);
}

}  // namespace

const char* CurrentProductString(ASInt32 form) {
  if (form != kProductStringMenu && form != kProductStringFull) form = kProductStringPlain;
  static std::string cached[3];
  std::string fresh = Compute(form);
  // Replaced only when the text changed, so that earlier answers stay valid.
  if (fresh != cached[form]) cached[form] = fresh;
  return cached[form].c_str();
}
