// The file layer: file names that may not exist yet, open files that are cut
// to what was written when they close, folder iteration, the plug-in's and the
// preferences' folders, file error texts, host path names, PDF documents by
// path, and the computer's and user's names.
//
// Paths are POSIX paths in UTF-8 here. A path too long for the platform is
// refused, never cut.
#pragma once

#include <ctime>
#include <string>

#include "host/AS.h"

// The plug-in bundle folder (POSIX path), stored by the plug-in's entry when
// the host loads it; null until then.
extern const char* gPluginBundle;

struct SKFileName {
  char* path;          // whole POSIX path, own copy
  char creator[4];     // "DAZO" by default
  char fileType[4];    // "TEXT" by default
  ASBool known;        // the name lies in an existing folder (the file may be missing)
};

struct SKOpenFile {
  SKFileName* name;    // own copy
  ASBool writing;
  ASFile file;         // on the host's default file system
  ASFilePos64 position;
  ASFilePos64 highestWritten;
};

struct SMacFindFileHandle;

struct SKFindFileData {
  char fullPath[1000];
  char* name;       // into fullPath
  char* extension;  // after the name's last ".", else the end of the name
  ASBool isFolder;
};

SKFileName* NewBlankKFileName();
// Null when the path is empty, too long, or its folder does not exist.
SKFileName* NewKFileNameFromUtf8(const char* path);
SKFileName* DuplicateKFileName(const SKFileName* name);
void DestroyKFileNameOnly(SKFileName* name);  // never touches the file
ASBool RenameFileByKFileName(const SKFileName* from, const SKFileName* to);
ASBool DeleteFileByKFileName(const SKFileName* name);
// Comparable times; 0 when the file cannot be looked at.
time_t KFileNameGetModificationTime(const SKFileName* name);

SKOpenFile* OpenKFileToRead(const SKFileName* name);
SKOpenFile* OpenKFileToWrite(const SKFileName* name);
ASInt32 KFileReadBytes(SKOpenFile* file, void* buffer, ASInt32 count);
// 0 on error.
ASInt32 KFileWriteBytes(SKOpenFile* file, const void* data, ASInt32 count);
// -1 on error.
ASInt64 KFileGetSize(SKOpenFile* file);
// A file opened to write is cut to the highest position written first. False
// when cutting or closing failed (the record is freed either way); a null file
// gives true.
ASBool CloseAndDestroyKFile(SKOpenFile* file);

// Folder iteration ("." and ".." are never reported).
SMacFindFileHandle* MacFindFirstFileInFolder(const char* folder, SKFindFileData* data);
ASBool MacFindNextFileInFolder(SMacFindFileHandle* handle, SKFindFileData* data);
ASBool MacFindNextFileInFolderPOSIX(SMacFindFileHandle* handle, SKFindFileData* data);
ASBool MacFindClose(SMacFindFileHandle* handle);

// Paths. Folder paths end with "/". False (and "???" where stated) on failure,
// including an answer that does not fit.
ASBool MacGetPreferencesFolderPath(char* out, ASInt32 size);
ASBool PluginFileName(char* out, ASInt32 size);
ASBool PluginFileNameUTF8POSIXNative(char* out, ASInt32 size);
void StripPluginFileName(char* name);

// Fills `format` (a message text) with the file name for its first %s and the
// folder for its second ("/" for a file in the top folder, "." for a bare
// name); nothing else of the text is interpreted.
void FormatFileError(char* out, ASInt32 size, const char* format, const char* path, ASBool pathIsNative);

ASPathName ASPathNameFromPlatformString(const char* text);
ASPathName ASFileSysCreatePathNameUtf8(const char* text);
ASBool PlatformStringIsExistingFile(const char* text);
// A path's display or device-independent text. A path is never cut: out gets
// the whole text when it fits in size bytes with its NUL, else the empty text.
// Each returns the size the whole text needs (NUL included), 0 when the path
// has no text; a result above size means the text did not fit.
ASInt32 ASPathNameToFriendlyName(ASPathName path, char* out, ASInt32 size);
ASInt32 ASPathNameToFriendlyNameUTF8(ASPathName path, char* out, ASInt32 size);
ASInt32 ASPathNameToDIPathNameUTF8(ASPathName path, char* out, ASInt32 size);
ASInt32 DIPathToFriendlyName(const char* text, char* out, ASInt32 size);
// The device-independent path whole, of any length and any character, as
// UTF-8. Empty when the path has none.
std::string ASPathNameToDIPathStringUTF8(ASPathName path);

void GetTheComputerName(char* out, ASInt32 size);
void GetTheComputerNameUtf8(char* out, ASInt32 size);
void GetTheUserName(char* out, ASInt32 size);
// True with the platform's fixed names (kvhost --static-id): the names above
// are empty, and a file records no folder of the machine it was made on.
ASBool TheNamesAreFixed();

// ---- PDF documents by path, on the host's default file system -------------

typedef struct _t_PDDocRec* PDDoc;

// Null on every failure (raised errors are swallowed).
PDDoc OpenExistingPDDocFromPlatformString(const char* text);
PDDoc OpenExistingPDDocFromUtf8String(const char* text);
// With report set, failures are told to the user: the file as it was looked
// for (a relative path is taken from the current folder), and why it did not
// open.
PDDoc OpenExistingPDDocFromUtf8StringReport(const char* text, ASBool report);
PDDoc OpenExistingPDDocFromDIPath(const char* diPath, ASBool report);
// The open document whose file has the same device-independent path on the
// same file system (null file system: the default), or null.
PDDoc FindOpenPDDocForASPathName(ASFileSys fileSys, ASPathName path);
PDDoc FindOpenPDDocForDIPath(const char* diPath);
PDDoc FindOpenPDDocForUTF8Path(const char* path);
// The host's open-file dialog for one existing PDF, titled with the prompt;
// the chosen path name (owned by the caller) or null when cancelled.
ASPathName GetExistingPDFPathName(const char* promptUTF8);

// The choose-folder dialog with the prompt (UTF-8), opening at startFolder
// when that is an existing folder. True with the chosen folder's POSIX path in
// out (at most size - 1 bytes); false when cancelled. The dialog argument is
// not used.
ASBool BrowseToDirectory(void* dialog, char* out, ASInt32 size, const char* prompt, const char* startFolder);
