#include "host/ASExcept.h"

#include <qpdf/QPDFExc.hh>

#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unordered_map>

ASException::~ASException() = default;

namespace {

ASErrorCode gLastCaught = 0;
ASInt32 gFrameDepth = 0;

struct Registry {
  std::unordered_map<ASErrorCode, std::string> texts;
  ASUns32 nextSystem = ErrSysRegistered;
  ASUns32 nextCode = 1;
};

Registry& Errors() {
  static Registry* r = new Registry;
  return *r;
}

struct BuiltIn {
  ASErrorCode code;
  const char* text;
};

const BuiltIn kBuiltIns[] = {
    {genErrGeneral, "A general error occurred."},
    {genErrNoMemory, "Out of memory."},
    {genErrBadParm, "Bad parameter."},
    {genErrBadMatrix, "The matrix cannot be inverted."},
    {genErrCancelled, "The operation was cancelled."},
    {genErrBadUnlock, "Unbalanced release of a resource."},
    {genErrResourceMissing, "A required resource is missing."},
    {genErrInternal, "Internal error in the host."},
    {genErrStructureDamaged, "The document's structure information is damaged."},
    {genErrFontEncoding, "A font's encoding could not be used."},
    {fileErrGeneral, "A file error occurred."},
    {fileErrOpenFailed, "The file could not be opened."},
    {fileErrRead, "The file could not be read."},
    {fileErrWrite, "The file could not be written."},
    {fileErrFNF, "The file was not found."},
    {fileErrBadPath, "The path is not valid."},
    {fileErrPermission, "Permission denied."},
    {fileErrDiskFull, "The disk is full."},
    {fileErrIO, "An input/output error occurred."},
    {fileErrNoFileSys, "No such file system."},
    {fileErrUnsupported, "The file system does not support this operation."},
    {fileErrFolderNotFound, "The folder does not exist."},
    {pdErrBadDocument, "The file is damaged and could not be repaired."},
    {pdErrNeedPassword,
     "The document needs a password, which this program cannot take: remove the password first, for example with "
     "qpdf --decrypt --password=PASSWORD in.pdf plain.pdf."},
    {pdErrNotPermitted, "The document's security settings do not permit this."},
    {pdErrBadPageNumber, "There is no page with that number."},
    {pdErrSaveFailed, "The document could not be saved."},
    {pdErrTooManyPagesForInsert, "Too many pages to insert at once."},
    {pdErrThumbnailsInTheWay, "Pages cannot be deleted while thumbnails are shown."},
    {pdErrEmptyFile, "The file is empty (0 bytes): it holds no PDF. Make or copy it again."},
    {pdErrNotPDF, "The file is not a PDF: it has no %PDF- header. Check that it is the file you meant."},
    {cosErrBadType, "A PDF object has the wrong type."},
    {cosErrExpectedDict, "A dictionary was expected."},
    {cosErrExpectedArray, "An array was expected."},
    {cosErrExpectedStream, "A stream was expected."},
    {cosErrBadSyntax, "Bad PDF syntax."},
    {cosErrReadError, "The PDF could not be read."},
    {cosErrDamagedStream, "A stream is damaged."},
    {cosErrDocMismatch, "The objects belong to different documents."},
    {cosErrInvalidObj, "The PDF object is not valid."},
    {cosErrInlineNeedMore, "An inline image needs more data."},
    {cosErrInlineTooLong, "An inline image is too long."},
    {xmpErrBadPacket, "The XMP metadata is damaged."},
    {pdsErrBadStructure, "The document's structure tree is damaged and cannot be changed."},
};

struct Fault {
  ASErrorCode code;
  ASInt32 skip;
  ASInt32 times;
};

std::map<std::string, Fault>& Faults() {
  static std::map<std::string, Fault>* f = new std::map<std::string, Fault>;
  return *f;
}

ASErrorCode FromQPDFExc(const QPDFExc& e) {
  switch (e.getErrorCode()) {
    case qpdf_e_password: return pdErrNeedPassword;
    case qpdf_e_system: return fileErrIO;
    case qpdf_e_unsupported: return cosErrBadSyntax;
    case qpdf_e_damaged_pdf:
    case qpdf_e_pages:
    case qpdf_e_object: return cosErrReadError;
    default: return genErrGeneral;
  }
}

}  // namespace

void ASRaise(ASErrorCode code) { throw ASException(code); }

ASErrorCode ASGetExceptionErrorCode() { return gLastCaught; }

void ASPushExceptionFrame() { ++gFrameDepth; }

void ASPopExceptionFrame() {
  if (gFrameDepth > 0) --gFrameDepth;
}

ASInt32 ASExceptionFrameDepth() { return gFrameDepth; }

ASErrorCode ASExceptionCodeFromCurrent() {
  ASErrorCode code = genErrInternal;
  try {
    throw;
  } catch (const ASException& e) {
    code = e.code;
  } catch (const QPDFExc& e) {
    code = FromQPDFExc(e);
  } catch (const std::bad_alloc&) {
    code = genErrNoMemory;
  } catch (const std::system_error&) {
    code = fileErrIO;
  } catch (const std::logic_error&) {
    code = genErrInternal;
  } catch (const std::exception&) {
    code = genErrGeneral;
  } catch (...) {
    code = genErrInternal;
  }
  gLastCaught = code;
  return code;
}

ASErrorCode ASRegisterErrorString(ASInt32 severity, const char* text) {
  Registry& r = Errors();
  if (r.nextCode > 0xFFFF) {
    if (r.nextSystem >= 0xFF) ASRaise(genErrNoMemory);  // the code space is spent
    ++r.nextSystem;
    r.nextCode = 1;
  }
  ASErrorCode code = ErrBuildCode(severity, r.nextSystem, r.nextCode);
  ++r.nextCode;
  r.texts[code] = text ? text : "";
  return code;
}

ASErrorCode ASRegisterErrorDetail(ASErrorCode base, const char* detail) {
  if (!detail || !*detail) return base;
  char text[512];
  ASGetErrorString(base, text, (ASInt32)sizeof text);
  std::string full = text;
  if (!full.empty() && full.back() == '.') full.pop_back();
  full += ": ";
  full += detail;
  if (full.back() != '.') full += '.';
  static auto* made = new std::map<std::string, ASErrorCode>;
  auto it = made->find(full);
  if (it != made->end()) return it->second;
  ASErrorCode code = ASRegisterErrorString(ErrGetSeverity(base), full.c_str());
  made->emplace(full, code);
  return code;
}

ASInt32 ASGetErrorString(ASErrorCode code, char* buffer, ASInt32 size) {
  const char* text = nullptr;
  Registry& r = Errors();
  auto it = r.texts.find(code);
  if (it != r.texts.end()) text = it->second.c_str();
  if (!text) {
    for (const BuiltIn& b : kBuiltIns)
      if (b.code == code) text = b.text;
  }
  ASInt32 len = text ? (ASInt32)std::strlen(text) : 0;
  if (buffer && size > 0) {
    const char* shown = text ? text : "none";
    std::snprintf(buffer, (size_t)size, "%s", shown);
  }
  return len;
}

void ASFaultInject(const char* callName, ASErrorCode code, ASInt32 skip, ASInt32 times) {
  if (!callName) return;
  Faults()[callName] = Fault{code, skip < 0 ? 0 : skip, times};
}

void ASFaultClearAll() { Faults().clear(); }

ASErrorCode ASFaultTake(const char* callName) {
  auto& faults = Faults();
  if (faults.empty()) return 0;
  auto it = faults.find(callName);
  if (it == faults.end()) return 0;
  Fault& f = it->second;
  if (f.skip > 0) {
    --f.skip;
    return 0;
  }
  ASErrorCode code = f.code;
  if (f.times > 0 && --f.times == 0) faults.erase(it);
  return code;
}

void ASFaultCheck(const char* callName) {
  ASErrorCode code = ASFaultTake(callName);
  if (code) ASRaise(code);
}
