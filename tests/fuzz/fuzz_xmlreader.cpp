// Feeds arbitrary bytes to the XML reader and asks every question it answers,
// and checks its tag pairing against the plain definition: an end tag closes
// the innermost open start tag of its name and every tag open inside it (which
// remember it as the tag that closed them), and is ignored when no tag of its
// name is open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
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
// The pairing by its definition, walking the open tags for every end tag.
void CheckPairing(SXMLDoc* doc) {
  std::unordered_map<SXMLElement*, SXMLElement*> expected, closedBy;
  std::vector<SXMLElement*> open;
  for (SXMLElement* e = doc->first; e; e = e->next) {
    if (e->type == kXMLStartTag) {
      open.push_back(e);
    } else if (e->type == kXMLEndTag) {
      for (size_t i = open.size(); i-- > 0;) {
        if (std::strcmp(open[i]->name, e->name) != 0) continue;
        expected[open[i]] = e;
        expected[e] = open[i];
        for (size_t k = i + 1; k < open.size(); ++k) closedBy[open[k]] = e;
        open.resize(i);
        break;
      }
    }
  }
  for (SXMLElement* e = doc->first; e; e = e->next) {
    auto it = expected.find(e);
    SXMLElement* want = it == expected.end() ? nullptr : it->second;
    if (e->match != want) std::abort();
    auto c = closedBy.find(e);
    if (e->closedBy != (c == closedBy.end() ? nullptr : c->second)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<char> bytes(data, data + size);
  DURING
    SXMLDoc* doc = NewXMLDocFromBuffer(bytes.data(), (ASInt32)bytes.size());
    if (doc) {
      ParseXMLDoc(doc);
      if (size <= 1 << 16) CheckPairing(doc);
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
