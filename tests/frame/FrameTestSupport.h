// The test program's side of the frame's neighbours that are not built yet:
// a status box that records what the frame asks of it and cancels when told
// to, the toolkit's protection check and the engine's PDF/X switch. None of
// this is part of the product. Views are the host's own.
//
// Also: the plug-in's message texts loaded from resources/messages/en.txt,
// and a fake command whose callbacks record the order they are called in.
#pragma once

#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "frame/Imports.h"
#include "host/PD.h"

namespace kvtest {

// ---- status box
// The real status box of the dialog framework, seen from the fake command's
// per-page callback: how many marks it showed and its label at each page.
struct StatusBoxSeen {
  std::vector<int> marks;
  std::string label;
  bool everOpen = false;
};
StatusBoxSeen& StatusSeen();
// Closes the box and starts its state (flags, saved states, poll clock) afresh.
void ResetStatusBox();
// Whether the box is open now.
bool StatusBoxOpen();

// ---- document views
// Opens a view on doc at the 0-based page and makes it the active one; the
// view owns the document from then on.
AVDoc OpenView(PDDoc doc, ASInt32 page);
// Closes every view with its document.
void CloseAllViews();

// ---- messages
// Loads en.txt into the system message table once (the program stops when
// it cannot be read).
void LoadMessages();
// The message text of a key (after LoadMessages).
std::string Text(const char* key);

// ---- the fake command
// Every callback of the fake command appends to this: "Initialise",
// "CheckSource", "Start", "P<n>" (0-based page), "Finish", "Cancelled",
// "Terminate", "UI", "Describer".
std::vector<std::string>& Calls();
std::string CallsText();  // joined by blanks

// A definition with key, every callback (PerPage when perPage), a describer,
// and a UI when withUI. The callbacks act on the run's "Params:Test:*":
//   "Test:CancelAt" (string): the call that marks the run cancelled ("Start", "P2", ...);
//   "Test:RaiseAt" (string): the call that raises genErrGeneral;
//   "Test:UserCancelAt" (string): the page ("P1", ...) during which the user
//     clicks the status box's Cancel (the click waits in the event queue);
//   "Test:UIAnswer" (bool, default true): the UI's answer; "Test:UIRaise" (bool).
// statusTitle (may be null) goes into "Control:Props:StatusTitle".
SKCab* NewTestCommand(const char* key, bool perPage, const char* statusTitle, bool withUI);

// The plug-in's default collection holding the test commands "TestCmd"
// (per-page, status title "Working"), "TestNoPages" (no per-page callback)
// and "TestIgnored" (IgnoreInList true), and the features kv2base and plugin.
void PrepareTestCollection();

}  // namespace kvtest
