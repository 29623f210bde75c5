#include "foundation/HostGlue.h"

#include <cstring>

#include "foundation/MFUtil.h"

namespace {

void NullProcOne(void*) {}
void NullProcTwo(ASInt32, void*) {}
ASInt32 NullProcThree(void*) { return 1; }
ASBool NullCancelProc(void*) { return 0; }

template <class F>
F Callback(F proc) {
  return reinterpret_cast<F>(ASCallbackCreate(nullptr, reinterpret_cast<void*>(proc)));
}

}  // namespace

ProgressMonitor GetNullProgressMonitor(void**) {
  static ProgressMonitor monitor = nullptr;
  if (!monitor) {
    monitor = static_cast<ProgressMonitor>(ASmallocWithException(sizeof(ProgressMonitorRec)));
    std::memset(monitor, 0, sizeof(ProgressMonitorRec));
    monitor->size = sizeof(ProgressMonitorRec);
    monitor->beginOperation = Callback(NullProcOne);
    monitor->endOperation = Callback(NullProcOne);
    monitor->setDuration = Callback(NullProcTwo);
    monitor->setCurrValue = Callback(NullProcTwo);
    monitor->getDuration = Callback(NullProcThree);
    monitor->getCurrValue = Callback(NullProcThree);
  }
  return monitor;
}

CancelProc GetNullCancelProc(void**) { return NullCancelProc; }

ASText KGluePDDocGetXAPMetadata(PDDoc doc) { return PDDocGetXAPMetadata(doc); }

void KGluePDDocSetXAPMetadata(PDDoc doc, ASText packet) { PDDocSetXAPMetadata(doc, packet); }

void KGluePDDocSetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText prefix, ASText path, ASText value) {
  PDDocSetXAPMetadataProperty(doc, nameSpace, prefix, path, value);
}

ASText KGluePDDocGetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText path) {
  ASText result = nullptr;
  DURING
    result = PDDocGetXAPMetadataProperty(doc, nameSpace, path);
  HANDLER
    result = nullptr;
  END_HANDLER
  return result;
}

void KGlueAVToolButtonSetLabelText(AVToolButton button, ASText text, ASInt16 position) {
  AVToolButtonSetLabelText(button, text, (ASInt32)position);
}

CosObj KKCosNewNameFromObj(CosDoc doc, ASBool indirect, CosObj stringObj) {
  char* text = CosCopyStringValue(stringObj, nullptr);
  CosObj name = CosNewNull();
  DURING
    name = CosNewNameFromString(doc, indirect, text);
  HANDLER
    ASfree(text);
    RERAISE();
  END_HANDLER
  ASfree(text);
  return name;
}
