#include "PlugInTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCabXML.h"
#include "foundation/KFile.h"
#include "host/AVAlert.h"
#include "frame/CmdColl.h"
#include "frame/ImpMenus.h"
#include "frame/ProcMan.h"
#include "host/AS.h"
#include "platform/PfResource.h"

namespace kvtest {

namespace {

SKCab* gUIParams = nullptr;
SKCab* gProcessParams = nullptr;

void Keep(SKCab** slot, SKCab* copy) {
  if (*slot) KCabDestroy(*slot);
  *slot = copy;
}

ASBool RecordingUI(SKCab*, SKCab* params) {
  Keep(&gUIParams, KCabDup(params));
  Calls().push_back("UI");
  if (KCabGetBool(params, "Test:UIRaise", 0)) ASRaise(genErrGeneral);
  KCabPutBool(params, "Test:UISeen", 1);
  return KCabGetBool(params, "Test:UIAnswer", 1);
}

// Runs before the command's own start step.
void RecordingStart(SKCab* run, SKCab* args) {
  SKCab* params = KCabGetCab(run, "Params");
  SKCab* seen = KCabDup(params);
  // The play control may not outlive the run: its caller is kept as text.
  KCabPutStringCopy(seen, "Run:Caller", CallerOf(params).c_str());
  KCabRemove(seen, ".PlayControl");
  KCabPutBool(seen, "Run:HasDoc", ProcManGetSourcePDDoc(run) != nullptr);
  KCabPutBool(seen, "Run:Stamping", suspendAutoStamping);
  Keep(&gProcessParams, seen);
  Calls().push_back("Start");
  const char* cancelAt = KCabGetString(run, "Params:Test:CancelAt");
  if (cancelAt && std::string(cancelAt) == "Start") ProcManMarkCancelProcess(run, "cancelled at Start");
  const char* raiseAt = KCabGetString(run, "Params:Test:RaiseAt");
  if (raiseAt && std::string(raiseAt) == "Start") ASRaise(genErrGeneral);
  KCabPutInt(run, "Result:Started", 1);
  (void)args;
}

SKCab* Build(const char* key) {
  ModuleCalls().push_back(std::string("build:") + key);
  SKCab* command = NewTestCommand(key, true, "Working", true);
  KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)RecordingUI, nullptr);
  KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType,
                                  (KCabFunctionPointer)RecordingStart, nullptr);
  return command;
}

ASBool Answer(const char* name) {
  ModuleCalls().push_back(name);
  return gPanelAnswer ? 1 : 0;
}

}  // namespace

bool gPanelAnswer = true;

std::string PlugInSession::BundleResources() { return std::string(KV_TEST_BUILD_DIR) + "/plugins/kv3/Resources"; }

PlugInSession::PlugInSession() {
  ASHostSetPreferencesFolder(prefs_.path().c_str());
  PfBundleSetResourcesFolder(BundleResources().c_str());
}

PDDoc PlugInSession::OpenDocument(const std::string& name, int pages) const {
  std::string path = prefs_.file(name);
  kvfix::WriteSimple(path, pages);
  PDDoc doc = OpenExistingPDDocFromUtf8String(path.c_str());
  OpenView(doc, 0);
  return doc;
}

std::vector<std::string> RecordedAlerts() {
  std::vector<std::string> alerts;
  for (const AVAlertRecord& r : AVAlertRecorded()) alerts.push_back(r.kind + ": " + r.message);
  return alerts;
}

PlugInSession::~PlugInSession() {
  CloseAllViews();
  ASHostSetPreferencesFolder(nullptr);
}

std::vector<std::string>& ModuleCalls() {
  static std::vector<std::string> calls;
  return calls;
}

void InstallTestModules(bool commands, bool panels) {
  KVCommandModulesClear();
  SKVCommandModules m{};
  if (commands) {
    m.NewCmdMgrForCreateTestFile = [] { return Build("CreateSample"); };
    m.NewCmdMgrForInsertBlanks = [] { return Build("InsertBlanks"); };
    m.NewCmdMgrForTrimAndShift = [] { return Build("TrimAndShift"); };
    m.NewCmdMgrForBooklet = [] { return Build("SimpleBooklet"); };
    m.NewCmdMgrForShuffle = [] { return Build("Shuffle"); };
    m.NewCmdMgrForEvenOddShuffle = [] { return Build("EvenOddShuffle"); };
    m.NewCmdMgrForNup = [] { return Build("Nup"); };
    m.NewCmdMgrForJoin2Pages = [] { return Build("Join2Pages"); };
    m.NewCmdMgrForReverseDocument = [] { return Build("ReversePageOrder"); };
  }
  if (panels) {
    m.ReadGeneralPrefs = [] { return Answer("ReadGeneralPrefs"); };
    m.DoPrefsDialog = [] { return Answer("Prefs"); };
    m.RestartLastTabbedDialog = [] { return Answer("LastTabbed"); };
    m.CreateImpositionControlPanel = []() -> ASInt32 {
      ModuleCalls().push_back("ControlPanel");
      return 1;
    };
    m.ControlPanelEnableDisableButtons = [] { ModuleCalls().push_back("Refresh"); };
    m.StartHelpCentre = [] { return Answer("Help"); };
    m.AboutVelmora = [](void*) { ModuleCalls().push_back("About"); };
    m.DoRememberLast = [] { return Answer("Record"); };
    m.StartPlay = [] { return Answer("Play"); };
  }
  KVCommandModuleAdd(m);
}

SKCab* LastUIParams() { return gUIParams; }
SKCab* LastProcessParams() { return gProcessParams; }
void ForgetSeenParams() {
  Keep(&gUIParams, nullptr);
  Keep(&gProcessParams, nullptr);
}

void WriteCabFile(const std::string& path, SKCab* cab) {
  ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
  std::string text((size_t)need + 1, '\0');
  ASInt32 got = 0;
  ASSERT_TRUE(WriteKCabToXMLBuffer(text.data(), need + 1, cab, &got));
  text.resize(std::strlen(text.c_str()));
  WriteWholeFile(path, text);
}

std::string CallerOf(SKCab* params) {
  if (const char* kept = params ? KCabGetString(params, "Run:Caller") : nullptr) return kept;
  auto* play = params ? (SKCab*)KCabGetPointerNamedType(params, ".PlayControl", "KCab") : nullptr;
  const char* caller = play ? KCabGetString(play, "Caller") : nullptr;
  return caller ? caller : "";
}

}  // namespace kvtest
