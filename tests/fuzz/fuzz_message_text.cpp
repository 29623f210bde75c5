// Message texts come from resources and translators' spreadsheets: the
// escape rewriter, the key splitter, the format check and the resource line
// reader must take any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static bool once = [] {
    SAutoMessageState quiet{kAutoMessageModeSilent, nullptr, nullptr};
    RestoreAutoMessageState(&quiet);
    return true;
  }();
  (void)once;
  unsigned selector = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();  // up to the first NUL, as the callers see it

  // Escapes: in place, never longer.
  std::string escaped = text;
  ASInt32 code = 0;
  GenMsg2HandleEscapes(escaped.data(), &code);
  if (std::string(escaped.c_str()).size() > text.size()) __builtin_trap();

  // Keys and texts in a table.
  SetMessageDebugMode(selector & 1);
  SMessageTable* table = NewMessageTable(ASAtomFromString("en"));
  AddMessageCopy(text.c_str(), "x", table, 0);
  AddMessageCopy("a.b", text.c_str(), table, 1);
  GetMessageFromTableByKey(table, text.c_str());
  KnownMessageInTableByKey(table, text.c_str());
  ValidMessageKey(text.c_str());
  SetMessageDebugMode(0);

  // A text accepted for a signature formats safely with those arguments.
  char out[256];
  switch (selector % 6) {
    case 0: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "", 0); break;
    case 1: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "d", 7); break;
    case 2: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "s", "word"); break;
    case 3: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "ds", 7, "word"); break;
    case 4: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "ff", 1.5, 2.5); break;
    default: FormatMessageTextUTF8(out, sizeof out, text.c_str(), nullptr, "k", "lzps", 9L, (size_t)3, out, "w"); break;
  }
  // The same bytes as message resource data, plain or packed.
  ReadMessageLinesFromBuffer2(reinterpret_cast<const char*>(data + 1), (ASInt32)(size - 1), table);
  DestroyMessageTable(table);
  return 0;
}
