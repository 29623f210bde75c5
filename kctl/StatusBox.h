// The status box: the one progress and cancel display of the plug-in, pushed
// and popped around long work. While status boxes are switched off every
// operation does nothing and the cancel tests answer false.
#pragma once

#include "host/AS.h"

// Copies at most 99 bytes of the title (whole characters); used when the box
// is next created.
void SetStatusBoxTitleUtf8(const char* title);
// Clears the status cancel flag and opens the box (or brings it to the
// front). A cancel the user gave that no poll has reported yet stays set.
void OpenStatusBox();
// Clears the status cancel flag as OpenStatusBox does, opens the box when
// closed and shows the text.
void SetStatusBoxTextUtf8(const char* text);
void CloseStatusBox();
// Bracket nested work that may open, label or close the box; after the pop
// both cancel flags are as they were at the push, or set when the user
// cancelled in between and no poll reported it.
void PushStatusBox();
void PopStatusBox();
// True when the user asked to cancel or the box was closed since it was last
// opened or labelled (the client data is not used). The event queue is
// looked at once per three-second slot, and whenever the marks changed; the
// flag answers on every call.
ASBool CheckStatusBoxCancel(void* clientData);
ASBool CheckStatusBoxKCancel(void* clientData);
void KCancelClearFlag();
ASBool TestStatusCancelFlag();
CancelProc StatusBoxGetCancelProc(void** clientData);
CancelProc StatusBoxGetKCancelProc(void** clientData);
// The box's one progress monitor; *clientData is left as the caller had it.
// With autoClose the monitor's end operation closes the box.
ProgressMonitor StatusBoxGetProgressMonitor(void** clientData, ASBool autoClose);

// Parts of the work, for the percentage of the host's status line: the work
// until the matching end takes share/of of the part it is in (the run the
// host program performs, when in none). The first operation of the monitor
// in a part takes the whole part: work of several phases gives each its part,
// and the line's percentage of the run only grows.
void StatusBoxBeginPart(ASInt32 share, ASInt32 of);
void StatusBoxEndPart();
// A part for the life of a block, ended on every way out of it.
struct SStatusBoxPart {
  SStatusBoxPart(ASInt32 share, ASInt32 of) { StatusBoxBeginPart(share, of); }
  ~SStatusBoxPart() { StatusBoxEndPart(); }
  SStatusBoxPart(const SStatusBoxPart&) = delete;
  SStatusBoxPart& operator=(const SStatusBoxPart&) = delete;
};

// Enables the box (1, the initial value). While 0, opening, closing and
// polling do nothing and the polls answer 0.
extern ASInt16 gStatusBoxVisible;

// The running status dialog, or null.
struct SMacDialogInfo;
SMacDialogInfo* StatusBoxDialog();
// Fills the first count of the ten marks (clamped to 0..10) and redraws;
// nothing without a running box or when that many are filled already.
void KStatusDialogSetVisibleBlobs(ASInt32 count);
ASInt32 KStatusDialogGetVisibleBlobs();
// The plug-in's unload: closes the box and frees the saved states and the
// progress monitor; the flags and the poll's memory start afresh.
void StatusBoxTerm();
