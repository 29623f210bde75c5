// File systems, path names and open files.
//
// A file system is a record of procedures registered with the host by name.
// The default one works on POSIX paths; its device-independent path text is
// the absolute POSIX path. Path names belong to the file system that made
// them and are released through it.
#pragma once

#include "host/ASAtom.h"
#include "host/ASTypes.h"

// Open modes.
enum : ASUns16 {
  ASFILE_READ = 1,
  ASFILE_WRITE = 2,
  ASFILE_CREATE = 4,
  ASFILE_SERIAL = 8
};

typedef ASErrorCode (*ASFileSysOpenProc)(ASPathName path, ASUns16 mode, ASMDFile* file);
typedef ASErrorCode (*ASFileSysCloseProc)(ASMDFile file);
typedef ASErrorCode (*ASFileSysFlushProc)(ASMDFile file);
typedef ASErrorCode (*ASFileSysSetPosProc)(ASMDFile file, ASFilePos64 pos);
typedef ASErrorCode (*ASFileSysGetPosProc)(ASMDFile file, ASFilePos64* pos);
typedef ASErrorCode (*ASFileSysSetEofProc)(ASMDFile file, ASFilePos64 pos);
typedef ASErrorCode (*ASFileSysGetEofProc)(ASMDFile file, ASFilePos64* pos);
typedef ASSize_t (*ASFileSysReadProc)(void* buffer, ASSize_t itemSize, ASSize_t count, ASMDFile file,
                                      ASErrorCode* error);
typedef ASSize_t (*ASFileSysWriteProc)(const void* buffer, ASSize_t itemSize, ASSize_t count, ASMDFile file,
                                       ASErrorCode* error);
typedef ASErrorCode (*ASFileSysRemoveProc)(ASPathName path);
typedef ASErrorCode (*ASFileSysRenameProc)(ASMDFile* file, ASPathName oldPath, ASPathName newPath);
typedef ASBool (*ASFileSysIsSameFileProc)(ASMDFile file, ASPathName path, ASPathName otherPath);
typedef ASErrorCode (*ASFileSysGetNameProc)(ASPathName path, char* name, ASInt32 maxLength);
typedef ASPathName (*ASFileSysGetTempPathNameProc)(ASPathName siblingPath);
typedef ASPathName (*ASFileSysCopyPathNameProc)(ASPathName path);
typedef char* (*ASFileSysDIPathFromPathProc)(ASPathName path, ASPathName relativeTo);
typedef ASPathName (*ASFileSysPathFromDIPathProc)(const char* diPath, ASPathName relativeTo);
typedef void (*ASFileSysDisposePathNameProc)(ASPathName path);
typedef ASAtom (*ASFileSysGetFileSysNameProc)();
typedef ASUns32 (*ASFileSysGetStorageFreeSpaceProc)(ASPathName path);
typedef ASErrorCode (*ASFileSysFlushVolumeProc)(ASPathName path);
typedef ASUns32 (*ASFileSysGetFileFlagsProc)(ASMDFile file);
typedef void* ASFileSysUnusedProc;
// pathSpecType: "POSIXPath" or "Cstring" (the same here): pathSpec is a
// NUL-terminated path text.
typedef ASPathName (*ASFileSysCreatePathNameProc)(ASAtom pathSpecType, const void* pathSpec, const void* mustBeZero);

// The record a file system hands to the host. Slots a file system does not
// offer stay null. size is sizeof(ASFileSysRec).
struct _t_ASFileSysRec {
  ASSize_t size;
  ASFileSysOpenProc open;
  ASFileSysCloseProc close;
  ASFileSysFlushProc flush;
  ASFileSysSetPosProc setpos;
  ASFileSysGetPosProc getpos;
  ASFileSysSetEofProc seteof;
  ASFileSysGetEofProc geteof;
  ASFileSysReadProc read;
  ASFileSysWriteProc write;
  ASFileSysRemoveProc remove;
  ASFileSysRenameProc rename;
  ASFileSysIsSameFileProc isSameFile;
  ASFileSysGetNameProc getName;
  ASFileSysGetTempPathNameProc getTempPathName;
  ASFileSysCopyPathNameProc copyPathName;
  ASFileSysDIPathFromPathProc diPathFromPath;
  ASFileSysPathFromDIPathProc pathFromDIPath;
  ASFileSysDisposePathNameProc disposePathName;
  ASFileSysGetFileSysNameProc getFileSysName;
  ASFileSysGetStorageFreeSpaceProc getStorageFreeSpace;
  ASFileSysFlushVolumeProc flushVolume;
  ASFileSysGetFileFlagsProc getFileFlags;
  ASFileSysUnusedProc readAsync;
  ASFileSysUnusedProc writeAsync;
  ASFileSysUnusedProc abortAsync;
  ASFileSysUnusedProc yield;
  ASFileSysUnusedProc mreadRequest;
  ASFileSysUnusedProc getStatus;
  ASFileSysCreatePathNameProc createPathName;
  ASFileSysUnusedProc reserved[8];
};
typedef struct _t_ASFileSysRec ASFileSysRec;

// Registry. Registering the same record twice is accepted once.
ASBool ASFileRegisterFileSys(ExtensionID extension, ASFileSys fileSys);
ASBool ASFileUnregisterFileSys(ExtensionID extension, ASFileSys fileSys);
ASFileSys ASGetDefaultFileSys();
ASFileSys ASFileSysGetFileSysByName(ASAtom name);

// Path names. Texts returned by ASFileSysDIPathFromPath come from ASmalloc and
// are freed by the caller.
ASPathName ASFileSysCreatePathName(ASFileSys fileSys, ASAtom pathSpecType, const void* pathSpec,
                                   const void* mustBeZero);
ASPathName ASFileSysPathFromDIPath(ASFileSys fileSys, const char* diPath, ASPathName relativeTo);
char* ASFileSysDIPathFromPath(ASFileSys fileSys, ASPathName path, ASPathName relativeTo);
ASPathName ASFileSysCopyPath(ASFileSys fileSys, ASPathName path);
void ASFileSysReleasePath(ASFileSys fileSys, ASPathName path);
ASPathName ASFileSysGetTempPathName(ASFileSys fileSys, ASPathName siblingPath);
// The same with the reason for a failure (a missing folder, permission
// denied, ...); *temp is null on failure.
ASErrorCode ASFileSysAcquireTempPathName(ASFileSys fileSys, ASPathName siblingPath, ASPathName* temp);
// The path a write to `path` replaces: the end of its chain of symbolic links
// (the path itself when it is no link, or on a file system without links).
// A copy the caller releases; a loop of links is an error.
ASErrorCode ASFileSysAcquireLinkTarget(ASFileSys fileSys, ASPathName path, ASPathName* target);
// Puts a closed, written temporary file in the place of target, atomically:
// it takes the owner (where allowed) and permissions of the file it replaces,
// is renamed over it, and the folder is flushed so that the rename survives a
// crash.
ASErrorCode ASFileSysReplaceFile(ASFileSys fileSys, ASPathName temp, ASPathName target);
ASErrorCode ASFileSysGetNameFromPath(ASFileSys fileSys, ASPathName path, char* name, ASInt32 maxLength);
ASErrorCode ASFileSysRemoveFile(ASFileSys fileSys, ASPathName path);
// Renames a closed file.
ASErrorCode ASFileSysRenameFile(ASFileSys fileSys, ASPathName oldPath, ASPathName newPath);
ASUns32 ASFileSysGetStorageFreeSpace(ASFileSys fileSys, ASPathName path);

// Open files. ASFileSysOpenFile returns 0 and the file, or an error code.
ASErrorCode ASFileSysOpenFile(ASFileSys fileSys, ASPathName path, ASUns16 mode, ASFile* file);
// Closes and forgets the file; returns the file system's error, 0 on success.
ASErrorCode ASFileClose(ASFile file);
// Read and write return the bytes moved; an error of the file system raises.
ASSize_t ASFileRead(ASFile file, void* buffer, ASSize_t count);
ASSize_t ASFileWrite(ASFile file, const void* buffer, ASSize_t count);
void ASFileSetPos64(ASFile file, ASFilePos64 pos);
ASFilePos64 ASFileGetPos64(ASFile file);
void ASFileSetEOF64(ASFile file, ASFilePos64 pos);
ASFilePos64 ASFileGetEOF64(ASFile file);
// Puts what was written on the disk (fsync on the default file system).
ASErrorCode ASFileFlush(ASFile file);
ASFileSys ASFileGetFileSys(ASFile file);
ASUns16 ASFileGetOpenMode(ASFile file);
// A copy of the file's path name, released by the caller through the file system.
ASPathName ASFileAcquirePathName(ASFile file);
// The file system's own record behind an open file.
ASMDFile ASFileGetMDFile(ASFile file);
// Number of files open through the host (tests look for leaks with it).
ASInt32 ASFileOpenCount();

// The POSIX path behind a path name when fileSys is the default file system,
// else null. Valid while the path name lives.
const char* ASFileSysPOSIXPath(ASFileSys fileSys, ASPathName path);
