// The test program's side of the frame's neighbours: a status box that
// records what the frame asks of it and cancels when told to, document
// views held in memory, the toolkit's protection check and the engine's
// PDF/X switch. None of this is part of the product.
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
struct StatusBoxRecorder {
  std::vector<std::string> events;  // "open", "text:..", "close", "begin", "duration:N", "value:N", "end"
  int polls = 0;
  int cancelAtPoll = 0;  // the poll that answers "cancel" (0: never)
  bool open = false;
  void Reset() { *this = StatusBoxRecorder(); }
};
StatusBoxRecorder& StatusBox();

// ---- document views (only where the host has no views of its own yet)
bool FakeViewsAvailable();
// Shows doc in a view at the 0-based page and makes it the active one.
AVDoc OpenFakeView(PDDoc doc, ASInt32 page);
void CloseAllFakeViews();
// Views opened through AVDocOpenFromPDDocUTF8, with their titles.
std::vector<std::string>& OpenedViewTitles();

// ---- messages
// Loads en.txt into the system message table once.
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
//   "Test:UIAnswer" (bool, default true): the UI's answer; "Test:UIRaise" (bool).
// statusTitle (may be null) goes into "Control:Props:StatusTitle".
SKCab* NewTestCommand(const char* key, bool perPage, const char* statusTitle, bool withUI);

// The plug-in's default collection holding the test commands "TestCmd"
// (per-page, status title "Working"), "TestNoPages" (no per-page callback)
// and "TestIgnored" (IgnoreInList true), and the features kv2base and plugin.
void PrepareTestCollection();

}  // namespace kvtest
