// Small pieces the page commands (sample, insert, join, reverse) share when
// they build their definitions, describers and dialogs. Not an interface of
// the commands library.
#pragma once

#include <cstddef>
#include <cstring>

#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "frame/CmdColl.h"

namespace pagecmds {

// The text of a message key in the system message table ("" when unknown).
inline const char* Msg(const char* key) {
  const char* text = GetMessageFromTableByKey(gSystemMessageTable, key);
  return text ? text : "";
}

inline ASAtom Atom(const char* text) { return ASAtomFromString(text); }

// An atom entry compared with a word; an absent entry reads as dflt.
inline bool AtomIs(SKCab* cab, const char* key, const char* word, const char* dflt) {
  ASAtom value = KCabGetAtom(cab, key, dflt ? Atom(dflt) : ASAtomNull);
  return value != ASAtomNull && value == Atom(word);
}

inline void PutCallback(SKCab* cab, const char* key, ProcManCallback proc) {
  KCabPutFunctionPointerNamedType(cab, key, kProcManCallbackType, (KCabFunctionPointer)proc, nullptr);
}
inline void PutBoolProperty(SKCab* cab, const char* key, ProcManBoolPropertyProc proc) {
  KCabPutFunctionPointerNamedType(cab, key, kProcManBoolPropertyProcType, (KCabFunctionPointer)proc, nullptr);
}
inline void PutUI(SKCab* cab, CmdMgrUIProc proc) {
  KCabPutFunctionPointerNamedType(cab, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)proc, nullptr);
}
inline void PutDescriber(SKCab* cab, CmdMgrDescriberProc proc) {
  KCabPutFunctionPointerNamedType(cab, "Describer", kCmdMgrDescriberProcType, (KCabFunctionPointer)proc, nullptr);
}

// One description line, appended under the empty key so the lines keep order.
inline void AddLine(SKCab* lines, const char* text) { KCabPutStringCopy(lines, "", text); }

// Copies text into out (size bytes) without its first '&' (captions mark
// their shortcut letter with it).
inline void CopyWithoutAmpersand(char* out, size_t size, const char* text) {
  if (!size) return;
  size_t n = 0;
  bool removed = false;
  for (const char* p = text ? text : ""; *p && n + 1 < size; ++p) {
    if (*p == '&' && !removed) {
      removed = true;
      continue;
    }
    out[n++] = *p;
  }
  out[n] = 0;
}

// Appends text to a NUL-terminated buffer of size bytes, cutting it to fit.
inline void Append(char* out, size_t size, const char* text) {
  size_t have = std::strlen(out);
  if (have + 1 >= size || !text) return;
  std::strncat(out, text, size - have - 1);
}

// Destroys a cabinet this scope still owns.
class CabHolder {
 public:
  explicit CabHolder(SKCab* cab = nullptr) : cab_(cab) {}
  ~CabHolder() {
    if (cab_) KCabDestroy(cab_);
  }
  CabHolder(const CabHolder&) = delete;
  CabHolder& operator=(const CabHolder&) = delete;
  SKCab* get() const { return cab_; }
  SKCab* Release() {
    SKCab* c = cab_;
    cab_ = nullptr;
    return c;
  }

 private:
  SKCab* cab_;
};

}  // namespace pagecmds
