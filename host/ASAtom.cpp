#include "host/ASAtom.h"

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

struct AtomTable {
  std::deque<std::string> strings;  // deque: element addresses never move
  std::unordered_map<std::string_view, ASAtom> index;
};

AtomTable& Table() {
  static AtomTable* table = new AtomTable;  // lives for the process, even past static destruction
  return *table;
}

}  // namespace

ASAtom ASAtomFromString(const char* s) {
  if (!s) return ASAtomNull;
  AtomTable& t = Table();
  auto it = t.index.find(std::string_view(s));
  if (it != t.index.end()) return it->second;
  ASAtom atom = (ASAtom)t.strings.size();
  if (atom == ASAtomNull) atom += 1;  // 0xFFFF is never handed out; its slot stays empty
  // Keep the deque index equal to the atom: pad the skipped slot.
  while (t.strings.size() < atom) t.strings.emplace_back();
  t.strings.emplace_back(s);
  t.index.emplace(std::string_view(t.strings.back()), atom);
  return atom;
}

ASBool ASAtomExistsForString(const char* s) {
  if (!s) return 0;
  return Table().index.count(std::string_view(s)) ? 1 : 0;
}

const char* ASAtomGetString(ASAtom atom) {
  AtomTable& t = Table();
  if (atom == ASAtomNull || atom >= t.strings.size()) return "";
  return t.strings[atom].c_str();
}

ASUns32 ASAtomGetCount() {
  AtomTable& t = Table();
  return (ASUns32)t.index.size();
}
