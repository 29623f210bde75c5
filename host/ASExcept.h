// Host exceptions and error codes.
//
// ASRaise throws a C++ exception that carries the 32-bit code; the frame macros
// are try/catch underneath. Every foreign exception (qpdf, the C++ library) is
// turned into a host code at the host's edge, and a HANDLER sees only host codes.
//
// Code layout: severity in bits 24-31, error system in bits 16-23, code in
// bits 0-15. Codes registered by ASRegisterErrorString get fresh values in the
// registered-errors systems (ErrSysRegistered and up).
#pragma once

#include "host/ASTypes.h"

#define ErrBuildCode(severity, sys, code) \
  ((ASErrorCode)((((ASUns32)(severity)&0xFFu) << 24) | (((ASUns32)(sys)&0xFFu) << 16) | ((ASUns32)(code)&0xFFFFu)))
#define ErrGetSeverity(e) ((ASInt32)(((ASUns32)(e) >> 24) & 0xFFu))
#define ErrGetSystem(e) ((ASInt32)(((ASUns32)(e) >> 16) & 0xFFu))
#define ErrGetCode(e) ((ASInt32)((ASUns32)(e)&0xFFFFu))

// Severity of the host's built-in errors.
enum { ErrSeverityWarning = 0x10, ErrSeverityError = 0x20 };

// Error systems.
enum {
  ErrSysNone = 0,
  ErrSysGeneral = 1,
  ErrSysASFile = 2,
  ErrSysPDDoc = 3,
  ErrSysPDPage = 4,
  ErrSysPDModel = 5,
  ErrSysAcroView = 6,
  ErrSysCos = 7,
  ErrSysXMP = 8,
  ErrSysPDStructure = 17,
  ErrSysRegistered = 40  // and up: codes handed out by ASRegisterErrorString
};

// Built-in codes.
#define genErrNoError 0
#define genErrGeneral ErrBuildCode(ErrSeverityError, ErrSysGeneral, 1)
#define genErrNoMemory ErrBuildCode(ErrSeverityError, ErrSysGeneral, 2)
#define genErrBadParm ErrBuildCode(ErrSeverityError, ErrSysGeneral, 3)
#define genErrBadMatrix ErrBuildCode(ErrSeverityError, ErrSysGeneral, 4)
#define genErrCancelled ErrBuildCode(ErrSeverityError, ErrSysGeneral, 5)
#define genErrBadUnlock ErrBuildCode(ErrSeverityError, ErrSysGeneral, 6)
#define genErrResourceMissing ErrBuildCode(ErrSeverityError, ErrSysGeneral, 7)
#define genErrInternal ErrBuildCode(ErrSeverityError, ErrSysGeneral, 8)
#define genErrStructureDamaged ErrBuildCode(ErrSeverityError, ErrSysGeneral, 15)
#define genErrFontEncoding ErrBuildCode(ErrSeverityError, ErrSysGeneral, 18)

#define fileErrGeneral ErrBuildCode(ErrSeverityError, ErrSysASFile, 1)
#define fileErrOpenFailed ErrBuildCode(ErrSeverityError, ErrSysASFile, 2)
#define fileErrRead ErrBuildCode(ErrSeverityError, ErrSysASFile, 3)
#define fileErrWrite ErrBuildCode(ErrSeverityError, ErrSysASFile, 4)
#define fileErrFNF ErrBuildCode(ErrSeverityError, ErrSysASFile, 5)
#define fileErrBadPath ErrBuildCode(ErrSeverityError, ErrSysASFile, 6)
#define fileErrPermission ErrBuildCode(ErrSeverityError, ErrSysASFile, 7)
#define fileErrDiskFull ErrBuildCode(ErrSeverityError, ErrSysASFile, 8)
#define fileErrIO ErrBuildCode(ErrSeverityError, ErrSysASFile, 9)
#define fileErrNoFileSys ErrBuildCode(ErrSeverityError, ErrSysASFile, 10)
#define fileErrUnsupported ErrBuildCode(ErrSeverityError, ErrSysASFile, 11)
#define fileErrFolderNotFound ErrBuildCode(ErrSeverityError, ErrSysASFile, 12)

#define pdErrBadDocument ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 1)
#define pdErrNeedPassword ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 2)
#define pdErrNotPermitted ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 3)
#define pdErrBadPageNumber ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 4)
#define pdErrSaveFailed ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 5)
#define pdErrTooManyPagesForInsert ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 21)
#define pdErrThumbnailsInTheWay ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 36)
// A file that cannot be a document at all, told apart from a damaged one.
#define pdErrEmptyFile ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 40)
#define pdErrNotPDF ErrBuildCode(ErrSeverityError, ErrSysPDDoc, 41)

#define cosErrBadType ErrBuildCode(ErrSeverityError, ErrSysCos, 1)
#define cosErrExpectedDict ErrBuildCode(ErrSeverityError, ErrSysCos, 2)
#define cosErrExpectedArray ErrBuildCode(ErrSeverityError, ErrSysCos, 3)
#define cosErrExpectedStream ErrBuildCode(ErrSeverityError, ErrSysCos, 4)
#define cosErrBadSyntax ErrBuildCode(ErrSeverityError, ErrSysCos, 5)
#define cosErrReadError ErrBuildCode(ErrSeverityError, ErrSysCos, 6)
#define cosErrDamagedStream ErrBuildCode(ErrSeverityError, ErrSysCos, 7)
#define cosErrDocMismatch ErrBuildCode(ErrSeverityError, ErrSysCos, 8)
#define cosErrInvalidObj ErrBuildCode(ErrSeverityError, ErrSysCos, 9)
#define cosErrInlineNeedMore ErrBuildCode(ErrSeverityError, ErrSysCos, 0x1e)
#define cosErrInlineTooLong ErrBuildCode(ErrSeverityError, ErrSysCos, 0x25)

#define xmpErrBadPacket ErrBuildCode(ErrSeverityError, ErrSysXMP, 1)

#define pdsErrBadStructure ErrBuildCode(ErrSeverityError, ErrSysPDStructure, 1)

// The exception that carries a code through C++ frames. Only the host throws it.
struct ASException {
  ASErrorCode code;
  explicit ASException(ASErrorCode c) : code(c) {}
  virtual ~ASException();
};

// Raises the code: never returns.
[[noreturn]] void ASRaise(ASErrorCode code);

// The code of the exception most recently caught by a handler (0 if none).
ASErrorCode ASGetExceptionErrorCode();

// Frame bookkeeping. The macros below push and pop for you; the depth lets
// tests prove that every frame is closed exactly once.
void ASPushExceptionFrame();
void ASPopExceptionFrame();
ASInt32 ASExceptionFrameDepth();

// Called in a catch block: closes nothing, translates the exception in flight
// (host, qpdf, C++ library) into a host code and records it as the current one.
ASErrorCode ASExceptionCodeFromCurrent();

// Registers an error text; returns a fresh code whose severity is the given one.
ASErrorCode ASRegisterErrorString(ASInt32 severity, const char* text);

// A code whose text is the base code's text with a detail after it ("The
// file is damaged and could not be repaired: page 1 cannot be read."), of
// the base's severity. The same base and detail give the same code, so
// repeated failures do not use up the registered codes.
ASErrorCode ASRegisterErrorDetail(ASErrorCode base, const char* detail);

// Copies the text of a code (built-in or registered) into buffer (at most
// size - 1 bytes and a NUL). Returns the length of the text, or 0 and the text
// "none" when the host has no text for the code.
ASInt32 ASGetErrorString(ASErrorCode code, char* buffer, ASInt32 size);

// Fault injection: the named host call (such as "ASFileWrite", "PDDocSave")
// fails with the code on its (skip + 1)-th use from now on, `times` times.
// Calls that report errors as results return the code; the others raise it.
void ASFaultInject(const char* callName, ASErrorCode code, ASInt32 skip = 0, ASInt32 times = 1);
void ASFaultClearAll();
// For host code: the injected code for this use of the call, or 0.
ASErrorCode ASFaultTake(const char* callName);
// For host code: raises the injected code, if any.
void ASFaultCheck(const char* callName);

// RAII guard behind DURING: closes its frame exactly once.
struct ASExceptionFrameGuard {
  bool open;
  ASExceptionFrameGuard() : open(true) { ASPushExceptionFrame(); }
  void Close() {
    if (open) {
      open = false;
      ASPopExceptionFrame();
    }
  }
  ~ASExceptionFrameGuard() { Close(); }
  ASExceptionFrameGuard(const ASExceptionFrameGuard&) = delete;
  ASExceptionFrameGuard& operator=(const ASExceptionFrameGuard&) = delete;
};

// DURING work HANDLER recovery END_HANDLER
// The frame is closed once: after the work completes, or before the handler's
// code runs. Inside the handler ERRORCODE is the caught code and RERAISE()
// raises it again. E_RETURN/E_RTRN_VOID leave from inside the work.
#define DURING                        \
  {                                   \
    ASExceptionFrameGuard asFrame_;   \
    try {
#define HANDLER                                                  \
  asFrame_.Close();                                              \
  }                                                              \
  catch (...) {                                                  \
    asFrame_.Close();                                            \
    const ASErrorCode asErrorCode_ = ASExceptionCodeFromCurrent(); \
    (void)asErrorCode_;
#define END_HANDLER \
  }                 \
  }
#define ERRORCODE (asErrorCode_)
#define RERAISE() ASRaise(asErrorCode_)
#define E_RETURN(x)     \
  do {                  \
    asFrame_.Close();   \
    return (x);         \
  } while (0)
#define E_RTRN_VOID   \
  do {                \
    asFrame_.Close(); \
    return;           \
  } while (0)
