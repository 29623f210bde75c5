// The host calls that take a title or a name, with UTF-8 in place of host text.
#pragma once

#include "host/AV.h"

// A menu item titled in UTF-8 (through the host's text call when the host has
// it, else through the native-text call). Returns the new item.
AVMenuItem AVMenuItemNewUTF8(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                             char shortcut, ASUns16 flags, AVIcon icon, ExtensionID extension);
// Windows opened with a UTF-8 title: AVDocOpenFromPDDocUTF8 (kctl/DocWindow.h),
// which takes the status box down while the window opens.
// The window's title as UTF-8: at most size - 1 bytes and a NUL.
void AVWindowGetTitleUTF8(AVWindow window, char* out, ASInt32 size);
