// System information, the beep and URL launching.
#pragma once

#include "platform/PfTypes.h"

// The system's answers by selector ('menu', 'sysv', 'sys1', 'sys2', 'sys3').
// 'menu' has bit 1 set (the Aqua menu layout); 'sysv' is 0x1049.
PfErr PfGestalt(PfFourCC selector, int32_t* response);
// Tests change or remove (present false) an answer.
void PfGestaltSet(PfFourCC selector, int32_t value, bool present);

// Appearance metrics by number: 0 scroll bar width (15), 2 check box height
// (18), 3 radio button height (18), 4 edit text white space (3), 5 edit text
// frame outset (3), 19 push button height (20), 50 check box width (16), 52
// radio button width (16). Unknown numbers give kPfErrParam.
PfErr PfGetThemeMetric(int32_t metric, int32_t* value);

void PfSysBeep();
int32_t PfBeepCount();

// Opening a web page or file in the user's browser is recorded, not performed.
PfErr PfLaunchURLUTF8(const char* url);
int32_t PfLaunchedURLCount();
// The n-th launched address (0-based), or null.
const char* PfLaunchedURL(int32_t index);

// The computer's and the user's names as the system gives them, looked up
// once a process ("?" when the system gives none). With fixed names (kvhost
// --static-id) both are empty: the same job then saves the same bytes on
// every machine, and a file carries no names of the machine or the person
// that made it.
const char* PfComputerName();
const char* PfUserName();
void PfSetFixedNames(bool fixed);
// Whether fixed names are on: what else would tell the machine or the folder
// a job ran in (a source file's folder) is left out as well.
bool PfFixedNames();

// Disposes of every window, dialog, control, list, menu and text-edit record,
// empties the queue, the clipboard and the recorders, and resets the clock,
// the desktop and the system answers. Tests call it between cases.
void PfResetAll();
