// Feeds arbitrary bytes to the XML reader and asks every question it answers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/XMLReader.h"

namespace {
void Walk(SXMLElement* parent, int depth) {
  if (depth > 64) return;
  XMLElementGetText(parent);
  XMLElementSubkeyValue(parent, "N");
  char buf[32];
  XMLItemFindSubkey(parent, "N", buf, sizeof buf);
  for (SXMLElement* c = XMLElementFindChildElement(parent, nullptr, nullptr); c;
       c = XMLElementFindChildElement(parent, nullptr, c))
    Walk(c, depth + 1);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<char> bytes(data, data + size);
  DURING
    SXMLDoc* doc = NewXMLDocFromBuffer(bytes.data(), (ASInt32)bytes.size());
    if (doc) {
      ParseXMLDoc(doc);
      for (SXMLElement* e = doc->first; e; e = e->next) {
        XMLElementSubkeyValue(e, "A");
        XMLElementGetText(e);
      }
      if (doc->root) Walk(doc->root, 0);
      FreeXMLDoc(doc);
    }
  HANDLER
  END_HANDLER
  return 0;
}
