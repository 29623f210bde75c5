// The control panel: a modeless window with one button per user command,
// each running its command through the dispatcher as the menu does and
// enabled by the same test as the command's menu item. It follows the
// host's documents and page views to keep the buttons current.
#pragma once

#include "frame/ImpMenus.h"
#include "host/AS.h"

struct SKCtlDialog;
struct SKCtlElem;
struct SMacDialogInfo;

// The running panel (set once its values are loaded), or null.
extern SMacDialogInfo* controlPanelDialogHandle;
// The host's active document when the buttons were last refreshed.
extern AVDoc lastAVDocForControlPanelNotify;

// Opens the panel, or leaves the open one; 1.
ASInt32 CreateImpositionControlPanel();
// Ends an open panel with result 0.
void CloseImpositionControlPanel();
// Every button of an open panel tests its command again.
void ControlPanelEnableDisableButtons();
// The host's notifications and idle procedure that keep the buttons current
// (registered at the first opening, for the plug-in's life).
void UIKVCtl_PageViewDidChange(AVPageView view, ASInt16 how, void* clientData);
void UIKVCtl_FrontDocDidChange(AVDoc doc, void* clientData);
void UIKVCtl_AVDocClosed(AVDoc doc, void* clientData);
void UIKVCtl_IdleProc(void* clientData);

// One button for command under parent; returns it.
SKCtlElem* ControlPanelButton2(SKCtlDialog* dialog, SKCtlElem* parent, ASUns32 flags, const char* text,
                               EImpositionCommand command);
