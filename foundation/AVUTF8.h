// The host calls that take a title or a name, with UTF-8 in place of host text.
#pragma once

#include "host/AV.h"

// A menu item titled in UTF-8 (through the host's text call when the host has
// it, else through the native-text call). Returns the new item.
AVMenuItem AVMenuItemNewUTF8(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                             char shortcut, ASUns16 flags, AVIcon icon, ExtensionID extension);
// Opens a window on the document, titled in UTF-8 (null: no title of its own).
AVDoc AVDocOpenFromPDDocUTF8(PDDoc doc, const char* title);
// The window's title as UTF-8: at most size - 1 bytes and a NUL.
void AVWindowGetTitleUTF8(AVWindow window, char* out, ASInt32 size);
