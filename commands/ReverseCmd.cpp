// The reverse command ("ReversePageOrder"): the page order of a document
// reversed in place or in a reversed copy. One parameter, "NewDoc".
#include "commands/ReverseCmd.h"

#include "commands/PageCmdsCommon.h"
#include "commands/ParamTables.h"
#include "engine/EvenOdd.h"
#include "foundation/ProductName.h"
#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/ProcMan.h"
#include "kctl/KCtlAlert.h"

using namespace pagecmds;

ASBool CmdMgrReverseDocumentUI(SKCab*, SKCab* params) {
  ASInt32 button = KCtlAlertCustomButtons(CurrentProductString(kProductFullName), Msg("impmenu1.confirm.reverse"),
                                          Msg("impmenu1.button.newreverse"), Msg("impmenu1.button.samereverse"),
                                          Msg("impmenu1.button.cancelreverse"));
  if (button != 1 && button != 2) return 0;
  KCabPutBool(params, "NewDoc", button == 1);
  return 1;
}

SKCab* CmdMgrReverseDocumentDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DURING
    if (KCabGetBool(params, "NewDoc", 0)) AddLine(lines, Msg("common.desc.newdoc"));
    DescribeParamRefusal(lines, "ReversePageOrder", params);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  return lines;
}

void ReverseDocumentCallBackStart(SKCab* run, SKCab*) {
  if (!CommandParamsAccepted(run, "ReversePageOrder")) return;
  PDDoc doc = ProcManGetSourcePDDoc(run);
  ASUns16 done = KCabGetBool(run, "Params:NewDoc", 0) ? CopyAndReverseEntireDocument(doc) : ReverseEntireDocument(doc);
  // Stopped in the status box: the run did not do what it says.
  if (!done) ProcManMarkCancelProcess(run, nullptr);
}

SKCab* NewCmdMgrForReverseDocument() {
  return NewPageCommand("ReversePageOrder", "impmenu1.cmd.reversepages", CmdMgrReverseDocumentUI,
                        CmdMgrReverseDocumentDescriber, [](SKCab* command) {
                          PutCallback(command, "Control:Start", ReverseDocumentCallBackStart);
                          KCabPutCab(command, "DefaultParams", KCabNewInner());
                          PutBatchGroupAndVersion(command);
                          KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
                        });
}

KV_COMMAND_MODULE(.NewCmdMgrForReverseDocument = NewCmdMgrForReverseDocument)
