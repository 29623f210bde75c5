// Progress monitors and cancel procedures, as long operations take them.
#pragma once

#include "host/ASTypes.h"

typedef void (*PMBeginOperationProc)(void* clientData);
typedef void (*PMEndOperationProc)(void* clientData);
typedef void (*PMSetDurationProc)(ASInt32 duration, void* clientData);
typedef void (*PMSetCurrValueProc)(ASInt32 value, void* clientData);
typedef ASInt32 (*PMGetDurationProc)(void* clientData);
typedef ASInt32 (*PMGetCurrValueProc)(void* clientData);
typedef void (*PMSetTextProc)(ASText text, void* clientData);

struct _t_ProgressMonitor {
  ASSize_t size;
  PMBeginOperationProc beginOperation;
  PMEndOperationProc endOperation;
  PMSetDurationProc setDuration;
  PMSetCurrValueProc setCurrValue;
  PMGetDurationProc getDuration;
  PMGetCurrValueProc getCurrValue;
  PMSetTextProc setText;
};
typedef struct _t_ProgressMonitor ProgressMonitorRec;
typedef struct _t_ProgressMonitor* ProgressMonitor;

// Answers true when the operation should stop.
typedef ASBool (*CancelProc)(void* clientData);

// Helpers that call a monitor's procedures when they exist (null monitor accepted).
void ProgressMonitorBegin(ProgressMonitor m, void* clientData);
void ProgressMonitorEnd(ProgressMonitor m, void* clientData);
void ProgressMonitorSetDuration(ProgressMonitor m, ASInt32 duration, void* clientData);
void ProgressMonitorSetCurrValue(ProgressMonitor m, ASInt32 value, void* clientData);
