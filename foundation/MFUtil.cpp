#include "foundation/MFUtil.h"

#include <cstdio>
#include <cstring>

#include "foundation/Alerts.h"
#include "foundation/MessageTable.h"
#include "foundation/Scratch.h"
#include "foundation/TextConv.h"

ASErrorCode genExceptionCannotAccessTempFile = 0;
ASErrorCode genExceptionCannotOpenTempFile = 0;
ASErrorCode genExceptionFileLogicError = 0;
ASErrorCode genExceptionOutOfMemory = 0;
ASErrorCode genExceptionCantWrite = 0;

namespace {

ASBool mfutilSetupDone = 0;
ASBool mfutilSetupRunning = 0;

constexpr ASUns32 kGenFileMarker = 97;

ASErrorCode RegisterMessage(ASUns8 severity, const char* key) {
  return ASRegisterErrorStringUTF8(severity, GetMessageFromTableByKey(gSystemMessageTable, key));
}

// Registers the five codes once. The registration itself may run out of
// memory and raise again: that nested raise finds the registration running
// and falls back on the host's own code, and a registration that fails is
// tried again by the next raise. Done is set only when all five are known.
void SetupMFUtil() {
  if (mfutilSetupDone || mfutilSetupRunning) return;
  mfutilSetupRunning = 1;
  ASErrorCode codes[5] = {};
  bool ok = true;
  DURING
    codes[0] = RegisterMessage(2, "mfutil.exception.cantaccesstempfile");
    codes[1] = RegisterMessage(2, "mfutil.exception.cantopentempfile");
    codes[2] = ASRegisterErrorString(4, "Internal error - logic error accessing GenFileInfo");
    codes[3] = RegisterMessage(4, "mfutil.exception.outofmemory");
    codes[4] = RegisterMessage(4, "mfutil.exception.cantwritefile");
  HANDLER
    ok = false;
  END_HANDLER
  mfutilSetupRunning = 0;
  if (!ok) return;
  genExceptionCannotAccessTempFile = codes[0];
  genExceptionCannotOpenTempFile = codes[1];
  genExceptionFileLogicError = codes[2];
  genExceptionOutOfMemory = codes[3];
  genExceptionCantWrite = codes[4];
  mfutilSetupDone = 1;
}

// The host's own code for a foundation code that is not registered yet.
ASErrorCode HostCodeFor(const ASErrorCode* codeVariable) {
  if (codeVariable == &genExceptionOutOfMemory) return genErrNoMemory;
  if (codeVariable == &genExceptionCantWrite) return fileErrWrite;
  if (codeVariable == &genExceptionCannotOpenTempFile || codeVariable == &genExceptionCannotAccessTempFile)
    return fileErrOpenFailed;
  return genErrInternal;
}

}  // namespace

void RaiseMFUtilException(ASErrorCode* codeVariable) {
  SetupMFUtil();
  if (!codeVariable) ASRaise(genErrBadParm);
  ASRaise(*codeVariable ? *codeVariable : HostCodeFor(codeVariable));
}

ASErrorCode ASRegisterErrorStringUTF8(ASUns8 severity, const char* text) {
  if (!text) text = "";
  KScratch<> native((size_t)UTF8ToPlatformNativeBytesNeededTerm(text));
  UTF8ToPlatformNativeTerm(text, native.data(), (ASInt32)native.size(), '?');
  return ASRegisterErrorString(severity, native.data());
}

void* ASmallocWithException(ASSize_t size) {
  void* p = ASmalloc(size);
  if (!p) RaiseMFUtilException(&genExceptionOutOfMemory);
  return p;
}

void* ASreallocWithException(void* block, ASSize_t size) {
  void* p = ASrealloc(block, size);
  if (!p) RaiseMFUtilException(&genExceptionOutOfMemory);
  return p;
}

void* UnfilteredASmalloc(ASSize_t size) { return ASmalloc(size); }

ASSize_t ASFileWriteWithException(ASFile file, const void* data, ASSize_t count) {
  ASSize_t written = ASFileWrite(file, data, count);
  if (written != count) RaiseMFUtilException(&genExceptionCantWrite);
  return written;
}

void SafeASStmClose(ASStm* stream) {
  if (!stream || !*stream) return;
  ASStm s = *stream;
  *stream = nullptr;
  ASStmClose(s);
}

SGenFileInfo* NewTempFile() {
  SGenFileInfo* info = static_cast<SGenFileInfo*>(ASmallocWithException(sizeof(SGenFileInfo)));
  std::memset(info, 0, sizeof *info);
  // Whatever was made is released before any raise: the caller gets nothing to
  // free, and the file system keeps no empty file the temporary name reserved.
  auto fail = [&](const char* report) {
    if (report) ErrMessageUTF8(report);
    if (info->path) {
      ASFileSysRemoveFile(info->fileSys, info->path);
      ASFileSysReleasePath(info->fileSys, info->path);
    }
    ASfree(info);
    RaiseMFUtilException(&genExceptionCannotOpenTempFile);
  };
  info->fileSys = ASGetDefaultFileSys();
  if (!info->fileSys->getTempPathName) fail("Library missing getTempPathName");
  info->path = ASFileSysGetTempPathName(info->fileSys, nullptr);
  if (!info->path) fail("Library missing getTempPathName");
  ASErrorCode err = ASFileSysOpenFile(info->fileSys, info->path, ASFILE_READ | ASFILE_WRITE | ASFILE_CREATE,
                                      &info->file);
  if (err) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "ASFileSysOpenFile error %08x", (unsigned)err);
    fail(buf);
  }
  info->segmentStart = 0;
  info->segmentEnd = 0;
  DURING
    info->stream = ASFileStmWrOpen(info->file, 0);
  HANDLER
    ASFileClose(info->file);
    info->file = nullptr;
    fail(nullptr);
  END_HANDLER
  info->marker = kGenFileMarker;
  return info;
}

void StartTempStream(SGenFileInfo* info) {
  info->segmentStart = info->segmentEnd;
  ASFileSetPos64(info->file, info->segmentStart);
}

ASStm TempStreamGetStm(SGenFileInfo* info) { return info->stream; }

void EndTempStream(SGenFileInfo* info) {
  // Every byte written must be in the file before its position is read.
  if (info->stream) ASStmFlush(info->stream);
  info->segmentEnd = ASFileGetPos64(info->file);
}

ASFilePos64 TempStreamStartPos(SGenFileInfo* info) { return info->segmentStart; }

ASFilePos64 TempStreamLength(SGenFileInfo* info) { return info->segmentEnd - info->segmentStart; }

ASFile TempStreamGetASFile(SGenFileInfo* info) { return info->file; }

void TempStreamReset(SGenFileInfo*) {}

void DestroyTempFile(SGenFileInfo* info) {
  if (!info) return;
  if (info->marker != kGenFileMarker) RaiseMFUtilException(&genExceptionFileLogicError);
  SafeASStmClose(&info->stream);
  ASFileClose(info->file);
  ASFileSysRemoveFile(info->fileSys, info->path);
  ASFileSysReleasePath(info->fileSys, info->path);
  info->marker = 0;
  ASfree(info);
}
