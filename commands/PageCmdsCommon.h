// Small pieces the page commands (sample, insert, join, reverse) share when
// they build their definitions, describers and dialogs. Not an interface of
// the commands library.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>

#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"

namespace pagecmds {

using ::Atom;
using ::Msg;

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
  CopyCutUTF8(out + have, size - have, text);
}

using CabHolder = KCabHolder;

// A new definition with its key, name (by message key), dialog and
// describer; fill adds the rest. The caller owns it.
inline SKCab* NewPageCommand(const char* key, const char* nameKey, CmdMgrUIProc ui, CmdMgrDescriberProc describer,
                             const std::function<void(SKCab*)>& fill) {
  SKCab* command = KCabNewInner();
  DURING
    KCabPutAtom(command, "Key", Atom(key));
    KCabPutStringCopy(command, "Name", Msg(nameKey));
    PutUI(command, ui);
    PutDescriber(command, describer);
    fill(command);
  HANDLER
    KCabDestroy(command);
    RERAISE();
  END_HANDLER
  return command;
}

// What the commands that batches may run carry: the product's group and the
// definition's version.
inline void PutBatchGroupAndVersion(SKCab* command) {
  KCabPutStringCopy(command, "BatchGroup", CurrentProductString(kProductShortName));
  KCabPutInt(command, "Version", 1);
}

// An OK that refuses (with "common.err.nopagesize") a custom size without an
// exported "Page": the radios under key say which size is chosen.
inline ASInt32 OkRefusingCustomWithoutPage(SMacDialogInfo* dialog, const char* key) {
  // The values are not stored yet: look at what the dialog would store.
  CabHolder seen(KCabNewInner());
  KCtlAdvanceExport(dialog, seen.get(), 0);
  if (AtomIs(seen.get(), key, "Custom", nullptr) && !ExportedPageSizeExists(seen.get(), "Page")) {
    ErrMessageUTF8(Msg("common.err.nopagesize"));
    return kKCtlCallBackStop;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

// A dialog titled by the message, built by build, shown modally on params
// (export and position cabinet, "Interactive" copied into the run with
// default true) after prepare; its description and run go with it. The
// terminating control id.
inline ASInt32 RunParamsDialog(const char* titleKey, SKCab* params, const std::function<void(SKCtlDialog*)>& build,
                               const std::function<void()>& prepare = nullptr) {
  SKCtlDialog* d = KCtlNewDialog(Msg(titleKey), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  DURING
    KCtlDialogSuggestSize(d, 450, 300);
    build(d);
    if (prepare) prepare();
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return KCtlPlatformRunModalInteractive(d, params, params, nullptr, KCabGetBool(params, "Interactive", 1));
}

}  // namespace pagecmds
