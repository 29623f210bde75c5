// Host exceptions of the foundation, allocation and writing that raise, and
// temporary files that receive generated streams segment by segment.
#pragma once

#include "host/AS.h"

// The foundation's own error codes: 0 until the first RaiseMFUtilException
// registers all five.
extern ASErrorCode genExceptionCannotAccessTempFile;
extern ASErrorCode genExceptionCannotOpenTempFile;
extern ASErrorCode genExceptionFileLogicError;
extern ASErrorCode genExceptionOutOfMemory;
extern ASErrorCode genExceptionCantWrite;

// Registers the five codes on first use, then raises the one held by *codeVariable.
[[noreturn]] void RaiseMFUtilException(ASErrorCode* codeVariable);

// Registers a UTF-8 error text (converted to the platform encoding) and
// returns its fresh code.
ASErrorCode ASRegisterErrorStringUTF8(ASUns8 severity, const char* text);

// The host allocator; null raises genExceptionOutOfMemory.
void* ASmallocWithException(ASSize_t size);
void* ASreallocWithException(void* block, ASSize_t size);
// The host allocator alone: null on failure, never raises.
void* UnfilteredASmalloc(ASSize_t size);
// A short write raises genExceptionCantWrite; returns the bytes written.
ASSize_t ASFileWriteWithException(ASFile file, const void* data, ASSize_t count);
// Clears the variable, then closes the stream it held; a null variable is left alone.
void SafeASStmClose(ASStm* stream);

// One temporary file that receives written segments. Segments are appended,
// never rewritten, so every slice handed out stays valid until the file is
// destroyed.
struct SGenFileInfo {
  ASUns32 marker;  // 97 while the record is alive
  ASFile file;
  ASFileSys fileSys;
  ASPathName path;
  ASFilePos64 segmentStart;
  ASFilePos64 segmentEnd;
  ASStm stream;
};

SGenFileInfo* NewTempFile();
void StartTempStream(SGenFileInfo* info);
ASStm TempStreamGetStm(SGenFileInfo* info);
void EndTempStream(SGenFileInfo* info);
ASFilePos64 TempStreamStartPos(SGenFileInfo* info);
ASFilePos64 TempStreamLength(SGenFileInfo* info);
ASFile TempStreamGetASFile(SGenFileInfo* info);
void TempStreamReset(SGenFileInfo* info);
void DestroyTempFile(SGenFileInfo* info);
