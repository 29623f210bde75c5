// A command module of the end-to-end tests only (built into the test bundle
// kv3test, never into kv3): a page-reversing command in the "ReversePageOrder"
// slot, so that the frame's roads - the menu and its dialog, the command by
// key with remembered or given parameters, the history, replays and named
// actions - can be driven through kvhost before the product's own modules
// exist. Its dialog "Test reverse" has one check box, "Really"; without it
// the run is cancelled.
#include <string>

#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlMac.h"

namespace {

ASBool ReverseUI(SKCab*, SKCab* params) {
  SKCtlDialog* d = KCtlNewDialog("Test reverse", kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  KCtlSetExportKey("Really", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, "Really reverse the pages", nullptr));
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  SKCtlData* data = KCtlCreateData(d);
  KCtlDataSetExportCab(data, params, nullptr);
  return KCtlPlatformTestModal(data, nullptr) == 1;
}

void ReverseStart(SKCab* run, SKCab*) {
  if (!KCabGetBool(run, "Params:Really", 0)) {
    ProcManMarkCancelProcess(run, "not really");
    return;
  }
  PDDoc doc = ProcManGetSourcePDDoc(run);
  ASInt32 n = doc ? PDDocGetNumPages(doc) : 0;
  // The last page moves in front of the i-th, for every i.
  for (ASInt32 i = 0; i + 1 < n; ++i) PDDocMovePage(doc, i - 1, n - 1);
}

void ReversePerPage(SKCab* run, SKCab* args) { KVCommandProcessingPage(run, args); }

SKCab* ReverseDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DescribeRange(lines, params);
  return lines;
}

void Put(SKCab* cab, const char* key, ProcManCallback proc) {
  KCabPutFunctionPointerNamedType(cab, key, kProcManCallbackType, (KCabFunctionPointer)proc, nullptr);
}

SKCab* NewTestReverseCommand() {
  SKCab* command = KCabNewInner();
  KCabPutStringCopy(command, "Name", "Test reverse");
  KCabPutAtom(command, "Key", ASAtomFromString("ReversePageOrder"));
  KCabPutInt(command, "Version", 1);
  KCabPutBool(command, "DefaultParams:Really", 1);
  Put(command, "Control:Start", ReverseStart);
  Put(command, "Control:PerPage", ReversePerPage);
  KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)ReverseUI, nullptr);
  KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                  (KCabFunctionPointer)ReverseDescriber, nullptr);
  KCabPutStringCopy(command, "BatchGroup", "Test");
  return command;
}

}  // namespace

KV_COMMAND_MODULE(.NewCmdMgrForReverseDocument = NewTestReverseCommand)
