// The switchboard of the modeless "tabbed" dialogs: which one was open last
// (reopened by the tool button and the last-dialog command), closing them
// all, and their window positions for the run. The control panel is the one
// class there is.
#pragma once

#include "host/AS.h"

struct SKCab;
struct SKCtlData;
struct SMacDialogInfo;

enum ESwitchedDialogClass : ASInt32 { kSwitchedDialogControlPanel = 3 };

// The class last opened or started (the control panel at first).
extern ESwitchedDialogClass lastTabbedDialog;

// The dialogs' "PosX"/"PosY" for the rest of the run (made on first use,
// never stored).
SKCab* VelmoraTabbedDialogPosCabinet();
// Called while a tabbed dialog prepares its run data; nothing to do.
void TabbedDialogInitKCtlData(SKCtlData* data);
// Opens the dialog of the class (and remembers it); a failure is reported.
void StartTabbedDialog(ESwitchedDialogClass dialogClass);
// Reopens the last one; true.
ASBool RestartLastTabbedDialog();
void CloseAllTabbedDialogs();
// A tabbed dialog reports its opening and its closing (which keeps its position).
void TabbedDialogOpening(SMacDialogInfo* dialog, ESwitchedDialogClass dialogClass);
void TabbedDialogClosing(SMacDialogInfo* dialog);
