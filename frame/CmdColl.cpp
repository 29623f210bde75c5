#include "frame/CmdColl.h"

#include <cstring>

#include "foundation/KCab.h"
#include "frame/CmdList.h"
#include "frame/FramePrivate.h"
#include "frame/ProcMan.h"

using frame_detail::CabHolder;

SKCab* gDefaultCmdColl = nullptr;
SKCab* gDefaultCmdCollIdentity = nullptr;

namespace {

SKCab* CollectionOrDefault(SKCab* collection) { return collection ? collection : gDefaultCmdColl; }

// Texts that name one plain entry of a cabinet: no path, not empty.
bool IsPlainKeyText(const char* text) { return text && *text && !std::strchr(text, ':'); }

}  // namespace

SKCab* NewCmdCollIdentity(const char* code, const char* name, const char* fullName, ASInt32 version) {
  SKCab* identity = KCabNewInner();
  KCabPutStringCopy(identity, "Code", code);
  KCabPutStringCopy(identity, "Name", name);
  KCabPutStringCopy(identity, "FullName", fullName);
  KCabPutInt(identity, "Version", version);
  return identity;
}

SKCab* NewCmdColl(SKCab* identity) {
  SKCab* collection = KCabNewInner();
  if (identity) KCabPutCab(collection, "_CollectionIdentity", identity);
  return collection;
}

void PrepareDefaultCmdCollIdentity(const char* code, const char* name, const char* fullName, ASInt32 version) {
  if (!gDefaultCmdCollIdentity) gDefaultCmdCollIdentity = NewCmdCollIdentity(code, name, fullName, version);
}

void PrepareDefaultCmdColl() {
  if (gDefaultCmdColl) return;
  // The collection holds a copy: the identity global stays valid on its own.
  gDefaultCmdColl = NewCmdColl(gDefaultCmdCollIdentity ? KCabDup(gDefaultCmdCollIdentity) : nullptr);
}

SKCab* GetDefaultCmdColl() { return gDefaultCmdColl; }

void CmdCollAddCommand(SKCab* collection, SKCab* command) {
  if (!command) return;
  collection = CollectionOrDefault(collection);
  ASAtom key = KCabGetAtom(command, "Key", ASAtomNull);
  const char* text = key == ASAtomNull ? nullptr : ASAtomGetString(key);
  if (!collection || !IsPlainKeyText(text) || text[0] == '_') {
    // Nothing will own it: the caller handed it over.
    KCabDestroy(command);
    return;
  }
  KCabPutCab(collection, text, command);
}

SKCab* CmdCollFindCommand(SKCab* collection, ASAtom key) {
  collection = CollectionOrDefault(collection);
  if (!collection || key == ASAtomNull) return nullptr;
  const char* text = ASAtomGetString(key);
  // Keys come from recorded lists too: only a definition filed under its own
  // key counts, never the identity, the features or a path into a command.
  if (!IsPlainKeyText(text)) return nullptr;
  SKCab* command = KCabGetCab(collection, text);
  if (!command || KCabGetAtom(command, "Key", ASAtomNull) != key) return nullptr;
  return command;
}

void CmdCollAddSupportedFeature(SKCab* collection, const char* name, const char* description) {
  collection = CollectionOrDefault(collection);
  if (!collection || !IsPlainKeyText(name)) return;
  SKCab* features = KCabGetCab(collection, "_Features");
  if (!features) {
    features = KCabNewInner();
    KCabPutCab(collection, "_Features", features);
  }
  KCabPutStringCopy(features, name, description);
}

ASBool CmdCollSupportsFeature(SKCab* collection, const char* name, const char** description) {
  if (description) *description = nullptr;
  collection = CollectionOrDefault(collection);
  if (!collection || !IsPlainKeyText(name)) return 0;
  SKCab* features = KCabGetCab(collection, "_Features");
  const char* text = features ? KCabGetString(features, name) : nullptr;
  if (!text) return 0;
  if (description) *description = text;
  return 1;
}

SKCab* CmdMgrRunUI(SKCab* command, SKCab* params) {
  auto ui = (CmdMgrUIProc)KCabGetFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType);
  if (!ui) return params;
  ASBool accepted = 0;
  DURING
    accepted = ui(command, params);
  HANDLER
    // A dialog that failed counts as cancelled; its error is not shown here.
    accepted = 0;
  END_HANDLER
  if (accepted) return params;
  KCabDestroy(params);
  return nullptr;
}

ASBool CmdMgrRunProcess(SKCab* command, SKCab* params, SKCab** result, SKCab* oldResult, SKCab* controller) {
  if (result) *result = nullptr;
  CabHolder run(KCabNewInner());
  if (SKCab* control = KCabGetCab(command, "Control")) KCabPutCab(run.get(), "Control", KCabDup(control));
  if (params) KCabPutCab(run.get(), "Params", params);
  if (oldResult) KCabPutCab(run.get(), "OldResult", KCabDup(oldResult));
  if (controller) CommandListControllerStartCommand(controller, command, run.get(), params);

  ProcManRunProcess(run.get());  // an exception leaves through the holder

  ASBool cancelled = KCabGetBool(run.get(), "ProcMan:Cancelled", 0);
  if (result && KCabGetType(run.get(), "Result") == kKCabTypeCab) *result = KCabDetachCab(run.get(), "Result");
  return cancelled ? 0 : 1;
}
