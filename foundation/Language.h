// Which language the plug-in speaks: the user's stored choice (settings
// "general", sub-cabinet "lang": "common" the language code, "msgdir" the
// message folder), the host's and the system's languages as fallbacks. The
// dialogs that change them are the dialog framework's (kctl/LanguageDialogs.h).
#pragma once

#include "host/AS.h"

struct SKCab;

// Empty strings when nothing is stored; each value cut to its buffer.
void GetUserLang(const char* unused, char* lang, ASInt32 langSize, char* folder, ASInt32 folderSize);
// The one rule for a stored message folder, at start and in the message
// setup: in use when not empty and not set aside behind a "*". Whether it
// can be read is MessageFolderUsable's (MessageLoad.h) to say.
ASBool MessageFolderInUse(const char* stored);
// Store and commit; false when the settings could not be written.
ASBool SetUserLang(const char* unused, const char* lang);
ASBool SetMessageDirFolder(const char* unused, const char* folder);
// The host's language code (e.g. "en", "pt-br"); false when none.
ASBool GetApplicationLang(char* buffer, ASInt32 size);
