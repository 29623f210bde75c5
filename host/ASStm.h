// Host streams: memory and procedure read streams, file read and write streams,
// procedure write streams.
#pragma once

#include "host/ASTypes.h"

// Fills up to size bytes; returns the count, 0 at the end.
typedef ASInt32 (*ASStmProc)(char* data, ASInt32 size, void* clientData);
// Takes size bytes; returns the count it took.
typedef ASInt32 (*ASStmWriteProc)(const char* data, ASInt32 size, void* clientData);
// Called once when the stream closes.
typedef void (*ASStmDestroyProc)(void* clientData);

// Reads the bytes in place: they must outlive the stream.
ASStm ASMemStmRdOpen(const char* data, ASSize_t length);
// Reads through the procedure: a read keeps calling it until the count is
// filled or it returns 0.
ASStm ASProcStmRdOpen(ASStmProc readProc, void* clientData);
// destroyProc may be null.
ASStm ASProcStmWrOpen(ASStmWriteProc writeProc, ASStmDestroyProc destroyProc, void* clientData);
// Read from the file's current position onwards.
ASStm ASFileStmRdOpen(ASFile file, ASSize_t bufferSize);
// Writes through at the file's current position: nothing is held back, so
// the file's position always accounts for every byte written.
ASStm ASFileStmWrOpen(ASFile file, ASSize_t bufferSize);

// Items moved; a short count on reading means the end. Errors raise.
ASSize_t ASStmRead(void* buffer, ASSize_t itemSize, ASSize_t count, ASStm stm);
ASSize_t ASStmWrite(const void* buffer, ASSize_t itemSize, ASSize_t count, ASStm stm);
void ASStmFlush(ASStm stm);
void ASStmClose(ASStm stm);  // null accepted
// Number of streams open (tests look for leaks with it).
ASInt32 ASStmOpenCount();

// Host-internal: a stream over a custom source. The PDF layer opens Cos
// stream data through it.
struct ASStmSourceProcs {
  // Fills up to size bytes, returns the count, 0 at the end; raises on errors.
  ASSize_t (*read)(void* clientData, char* buffer, ASSize_t size);
  ASSize_t (*write)(void* clientData, const char* buffer, ASSize_t size);
  void (*flush)(void* clientData);
  void (*destroy)(void* clientData);
};
ASStm ASStmOpenCustom(const ASStmSourceProcs* procs, void* clientData, ASBool forWriting);

// Host-internal: the file behind a file read or write stream, else null.
ASFile ASStmGetFile(ASStm stm);
// Host-internal: moves a memory or file stream to an absolute position;
// false for streams that cannot move.
ASBool ASStmSetPos(ASStm stm, ASFilePos64 pos);
