#include "frame/ToolButton.h"

#include <cstdio>
#include <string>

#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/HostTextHolder.h"
#include "foundation/MFUtil.h"
#include "foundation/TextCut.h"
#include "host/AVAlert.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/PlugIn.h"
#include "platform/PfResource.h"

ASBool gKVToolButton = 1;
AVToolButton kvToolButton = nullptr;
void* kvToolButtonIsEnabledCallback = nullptr;
void* kvToolButtonIsMarkedCallback = nullptr;

namespace {

// The icon reads from these bytes: they stay for the plug-in's life.
char* gIconData = nullptr;

constexpr ASInt32 kLabelPriority = 800;
// A tool bar icon is a few kilobytes; a larger file is no icon of ours.
constexpr ASFilePos64 kMaxIconBytes = 16 * 1024 * 1024;
constexpr size_t kLabelSize = 1000;

// The icon from the bundle's "kv3" PNG resource, or null after telling the
// user why (in fixed English: the messages may be what is missing).
AVIcon LoadIcon() {
  char path[1000];
  if (!PfBundleCopyResourcePath("png", "kv3.png", path, sizeof path)) {
    AVAlertNote("KV: Failed to find icon resource");
    return nullptr;
  }
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName pathName = ASFileSysCreatePathName(fs, ASAtomFromString("POSIXPath"), path, nullptr);
  ASFile file = nullptr;
  if (!pathName || ASFileSysOpenFile(fs, pathName, ASFILE_READ, &file) != 0 || !file) {
    AVAlertNote("KV: Failed to read icon resource");
    if (pathName) ASFileSysReleasePath(fs, pathName);
    return nullptr;
  }
  ASFileSysReleasePath(fs, pathName);

  AVIcon icon = nullptr;
  ASStm stm = nullptr;
  char* data = nullptr;
  DURING
    ASFilePos64 length = ASFileGetEOF64(file);
    if (length < 0 || length > kMaxIconBytes) ASRaise(genErrBadParm);
    data = (char*)ASmallocWithException((ASSize_t)length + 1);
    ASSize_t got = ASFileRead(file, data, (ASSize_t)length);
    ASFileClose(file);
    file = nullptr;
    stm = ASMemStmRdOpen(data, got);
    AVIconDataRec rec{stm, 0};
    icon = AVAppCreateIconBundle6(kAVSysPNGIcon, &rec, 1);
  HANDLER
    icon = nullptr;
  END_HANDLER
  if (file) ASFileClose(file);
  ASStmClose(stm);
  if (icon) {
    ASfree(gIconData);
    gIconData = data;
  } else {
    ASfree(data);
  }
  if (!icon) AVAlertNote("KV: Failed to read icon bundle");
  return icon;
}

}  // namespace

void kvToolButtonExecute(void*) { ExecuteImpositionCommand(kImpCmdLastTabbedDialog, "Krvl:DirectUI"); }
ASBool kvToolButtonIsEnabled(void*) { return 1; }
ASBool kvToolButtonIsMarked(void*) { return 0; }

void InitKVToolbutton() {
  AVIcon icon = LoadIcon();
  AVToolBar bar = AVAppGetToolBar();
  AVToolButton end = AVToolBarGetButtonByName(bar, ASAtomFromString("endToolsGroup"));
  kvToolButtonIsEnabledCallback = ASCallbackCreate(gExtensionID, (void*)kvToolButtonIsEnabled);
  kvToolButtonIsMarkedCallback = ASCallbackCreate(gExtensionID, (void*)kvToolButtonIsMarked);

  kvToolButton = AVToolButtonNew(ASAtomFromString(kKVExtensionCode), icon, 1, 0);
  AVToolButtonSetExecuteProc(kvToolButton, kvToolButtonExecute, nullptr);
  AVToolButtonSetComputeEnabledProc(kvToolButton, (AVComputeEnabledProc)kvToolButtonIsEnabledCallback, nullptr);
  AVToolButtonSetComputeMarkedProc(kvToolButton, (AVComputeMarkedProc)kvToolButtonIsMarkedCallback, nullptr);
  const char* fullName = CurrentProductString(kProductFullName);
  AVToolButtonSetHelpText(kvToolButton, fullName);

  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  if (major > 9) {
    std::string label = std::string(" ") + fullName;
    CutUTF8(label, kLabelSize - 1);
    HostTextHolder text(label.c_str());
    KGlueAVToolButtonSetLabelText(kvToolButton, text.get(), (ASInt16)kLabelPriority);
  }
  AVToolBarAddButton(bar, kvToolButton, 1, end);
}
