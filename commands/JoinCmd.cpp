// The join command ("Join2Pages"): the current page and the next one become
// one page, side by side. It has no parameters of its own.
#include "commands/JoinCmd.h"

#include "commands/PageCmdsCommon.h"
#include "commands/ParamTables.h"
#include "engine/JoinPages.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/ProcMan.h"
#include "host/AV.h"
#include "host/PD.h"

using namespace pagecmds;

namespace {

// The 0-based current page of the window, 0 without one.
ASInt32 CurrentPage(AVDoc window) {
  AVPageView view = window ? AVDocGetPageView(window) : nullptr;
  return view ? AVPageViewGetPageNum(view) : 0;
}

}  // namespace

ASBool CmdMgrJoin2PagesUI(SKCab*, SKCab* params) {
  if (KCabGetBool(params, "Interactive", 1)) {
    AVDoc window = AVAppGetActiveDoc();
    PDDoc doc = window ? AVDocGetPDDoc(window) : nullptr;
    if (doc && CurrentPage(window) >= PDDocGetNumPages(doc) - 1) {
      ErrMessageUTF8(Msg("impmenu1.cannotjoinlastpage"));
      return 0;
    }
  }
  return ConfirmMessageUTF8(Msg("impmenu1.confirm.join"), 1);
}

SKCab* CmdMgrJoin2PagesDescriber(SKCab*, SKCab*) { return KCabNewInner(); }

void Join2PagesCallBackStart(SKCab* run, SKCab*) {
  if (!CommandParamsAccepted(run, "Join2Pages")) return;
  PDDoc doc = ProcManGetSourcePDDoc(run);
  AVDoc window = ProcManGetSourceAVDoc(run);
  const ASBool interactive = KCabGetBool(run, "Params:Interactive", 1);
  const ASInt32 pages = doc ? PDDocGetNumPages(doc) : 0;
  ASInt32 page = CurrentPage(window);
  if (!window || !interactive) {
    // Without a user to point at a page, only a pair is unambiguous.
    if (pages != 2) {
      ErrMessageUTF8(Msg("join.error.twopages"));
      ProcManMarkCancelProcess(run, nullptr);
      return;
    }
    page = 0;
  } else if (page >= pages - 1) {
    // Run without its dialog on the last page: nothing follows to join.
    ErrMessageUTF8(Msg("impmenu1.cannotjoinlastpage"));
    ProcManMarkCancelProcess(run, nullptr);
    return;
  }
  // A user who keeps the bleed keeps the document as it was.
  if (!JoinTwoPages(window, doc, page, 1, interactive)) ProcManMarkCancelProcess(run, nullptr);
}

SKCab* NewCmdMgrForJoin2Pages() {
  return NewPageCommand("Join2Pages", "impmenu1.cmd.jointwopages", CmdMgrJoin2PagesUI, CmdMgrJoin2PagesDescriber,
                        [](SKCab* command) {
                          PutCallback(command, "Control:Start", Join2PagesCallBackStart);
                          KCabPutCab(command, "DefaultParams", KCabNewInner());
                          PutBatchGroupAndVersion(command);
                          KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
                        });
}

KV_COMMAND_MODULE(.NewCmdMgrForJoin2Pages = NewCmdMgrForJoin2Pages)
