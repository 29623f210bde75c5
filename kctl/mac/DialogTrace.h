// The dialog trace: one record per running dialog, tying the platform dialog
// to keyed data blocks and a chain of filter procedures. The engine always
// runs a traced dialog with MacDialogMasterProc, which hands each message to
// the record's filters.
#pragma once

#include "kctl/mac/MacDialog.h"

struct SDialogTraceData;
struct SDialogTraceFilter;

struct SDialogTrace {
  SMacDialogInfo* dialog;  // set at the create message
  SDialogTraceData* data;  // newest first
  SDialogTraceFilter* filters;  // newest first
  SDialogTrace* older;
  SDialogTrace* newer;
  ASInt16 destroyOnClose;
  ASInt32 nesting;
  ASInt32 initialFocusId;
  void* user;
  // Not in the original record: set when a destroy message arrives while
  // messages are still being delivered, so that the record goes last.
  ASInt16 destroyPending;
};

SDialogTrace* NewDialogTrace();
void DestroyDialogTrace(SDialogTrace* trace);
SDialogTrace* FindDialogTrace(SMacDialogInfo* dialog);
// The engine's disposal of a dialog record: records that still name it (a
// record kept past its dialog) name no dialog from now on.
void DialogTraceForgetDialog(SMacDialogInfo* dialog);
void* DialogTraceSetData(SDialogTrace* trace, ASInt32 key, ASInt32 size, const void* initial);
void* DialogTraceGetData(SDialogTrace* trace, ASInt32 key, ASInt32* size);
void DialogTraceAddFilter(SDialogTrace* trace, MacDialogProc proc);
ASInt32 DialogTraceMacRunModalDialogWithFilter(SDialogTrace* trace, MacDialogProc dialogProc, MacDialogProc filter,
                                               void* user, ASBool destroyOnClose);
SMacDialogInfo* DialogTraceMacStartModelessDialogWithFilter(SDialogTrace* trace, MacDialogProc dialogProc,
                                                            MacDialogProc filter, void* user, ASBool destroyOnClose);
void DialogTraceRequestInitialfocus(SMacDialogInfo* dialog, ASInt32 id);
ASInt32 MacDialogMasterProc(SMacDialogInfo* dialog, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);
// Shows a host failure that a dialog step contained (the host's text for the code).
void MacReportDialogFailure(ASErrorCode code);
// Live records (tests).
ASInt32 DialogTraceCount();
