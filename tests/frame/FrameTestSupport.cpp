#include "FrameTestSupport.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "frame/CmdColl.h"
#include "frame/CmdList.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "kctl/StatusBox.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"

// ---------------------------------------------------------------------------
// Views.

namespace kvtest {

AVDoc OpenView(PDDoc doc, ASInt32 page) {
  AVDoc view = AVDocOpenFromPDDoc(doc, nullptr);
  AVPageViewGoTo(AVDocGetPageView(view), page);
  return view;
}

void CloseAllViews() {
  for (AVDoc v : OpenViews()) AVDocClose(v, 1);
}

}  // namespace kvtest

// ---------------------------------------------------------------------------
// Messages and the fake command.

namespace kvtest {

StatusBoxSeen& StatusSeen() {
  static StatusBoxSeen seen;
  return seen;
}

void ResetStatusBox() {
  StatusBoxTerm();
  PfFlushEvents(kPfEveryEvent);
  StatusSeen() = StatusBoxSeen();
}

bool StatusBoxOpen() { return StatusBoxDialog() != nullptr; }

void LoadMessages() { [[maybe_unused]] static const bool loaded = LoadEnglishMessages(); }

std::string Text(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

std::string CallsText() {
  std::string out;
  for (const std::string& c : Calls()) out += (out.empty() ? "" : " ") + c;
  return out;
}

namespace {

// Records the call, then cancels or raises when the run's parameters say so.
void Act(SKCab* run, const std::string& name) {
  Calls().push_back(name);
  const char* cancelAt = KCabGetString(run, "Params:Test:CancelAt");
  if (cancelAt && name == cancelAt) ProcManMarkCancelProcess(run, ("cancelled at " + name).c_str());
  const char* raiseAt = KCabGetString(run, "Params:Test:RaiseAt");
  if (raiseAt && name == raiseAt) ASRaise(genErrGeneral);
}

std::string CallbackName(SKCab* args) {
  std::string key = ASAtomGetString(KCabGetAtom(args, "Callback", ASAtomNull));
  return key.substr(key.find(':') + 1);
}

void Step(SKCab* run, SKCab* args) { Act(run, CallbackName(args)); }

void PerPage(SKCab* run, SKCab* args) {
  auto page = (PDPage)KCabGetPointerNamedType(args, "PDPage", "PDPage");
  KVCommandProcessingPage(run, args);
  std::string name = "P" + std::to_string(page ? PDPageGetNumber(page) : -1);
  if (SMacDialogInfo* box = StatusBoxDialog()) {
    StatusSeen().everOpen = true;
    StatusSeen().marks.push_back(KStatusDialogGetVisibleBlobs());
    char label[300];
    MacDialogGetItemTextUTF8(box, 100, label, sizeof label);
    StatusSeen().label = label;
    const char* cancelAt = KCabGetString(run, "Params:Test:UserCancelAt");
    if (cancelAt && name == cancelAt)
      PfDriverClickItem(box->dialog, PfDriverItemById(box->dialog, 2), 0);
  }
  Act(run, name);
  KCabPutInt(run, "Result:Sum", KCabGetInt(run, "Result:Sum", 0) + (page ? PDPageGetNumber(page) : 0));
}

ASBool UI(SKCab*, SKCab* params) {
  Calls().push_back("UI");
  if (KCabGetBool(params, "Test:UIRaise", 0)) ASRaise(genErrGeneral);
  KCabPutBool(params, "Test:UISeen", 1);
  return KCabGetBool(params, "Test:UIAnswer", 1);
}

SKCab* Describer(SKCab*, SKCab* params) {
  Calls().push_back("Describer");
  SKCab* lines = KCabNewInner();
  DescribeRange(lines, params);
  return lines;
}

void PutCallback(SKCab* control, const char* key, ProcManCallback callback) {
  KCabPutFunctionPointerNamedType(control, key, kProcManCallbackType, (KCabFunctionPointer)callback, nullptr);
}

}  // namespace

SKCab* NewTestCommand(const char* key, bool perPage, const char* statusTitle, bool withUI) {
  SKCab* command = KCabNewInner();
  KCabPutStringCopy(command, "Name", key);
  KCabPutAtom(command, "Key", ASAtomFromString(key));
  KCabPutInt(command, "Version", 3);
  SKCab* defaults = KCabNewInner();
  KCabPutInt(defaults, "Copies", 1);
  KCabPutCab(command, "DefaultParams", defaults);
  SKCab* control = KCabNewInner();
  for (const char* step : {"Initialise", "CheckSource", "Start", "Finish", "Cancelled", "Terminate"}) {
    PutCallback(control, step, Step);
  }
  if (perPage) PutCallback(control, "PerPage", PerPage);
  if (statusTitle) KCabPutStringCopy(control, "Props:StatusTitle", statusTitle);
  KCabPutBool(control, "Props:CanHandleAToA", 1);
  KCabPutCab(command, "Control", control);
  if (withUI) KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)UI, nullptr);
  KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType, (KCabFunctionPointer)Describer,
                                  nullptr);
  KCabPutStringCopy(command, "BatchGroup", "Test");
  return command;
}

void PrepareTestCollection() {
  LoadMessages();
  if (GetDefaultCmdColl()) return;
  PrepareDefaultCmdCollIdentity("KRVL_KorvelVelmora3", "Korvel Velmora 3", "Korvel Velmora 3.0k", 1);
  PrepareDefaultCmdColl();
  CommandListControllerSetCmdColl(DefaultCommandListController(), GetDefaultCmdColl());
  CmdCollAddCommand(nullptr, NewTestCommand("TestCmd", true, "Working", true));
  CmdCollAddCommand(nullptr, NewTestCommand("TestNoPages", false, nullptr, false));
  SKCab* ignored = NewTestCommand("TestIgnored", true, nullptr, false);
  KCabPutBool(ignored, "Control:Props:IgnoreInList", 1);
  CmdCollAddCommand(nullptr, ignored);
  CmdCollAddSupportedFeature(nullptr, "kv2base", "Base product");
  CmdCollAddSupportedFeature(nullptr, "plugin", "Plug-in");
}

}  // namespace kvtest
