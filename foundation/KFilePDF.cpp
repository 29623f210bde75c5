// The file layer's PDF documents: opening by path and finding open ones.
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KFile.h"
#include "foundation/MessageTable.h"
#include "foundation/TextConv.h"
#include "host/AV.h"
#include "host/PD.h"

namespace {

ASErrorCode gLastOpenError = 0;

// Opens and keeps the path name only when a document results.
PDDoc OpenQuietly(ASPathName path) {
  gLastOpenError = 0;
  if (!path) return nullptr;
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpen(path, ASGetDefaultFileSys(), nullptr, 1);
  HANDLER
    doc = nullptr;
    gLastOpenError = ERRORCODE;
  END_HANDLER
  ASFileSysReleasePath(ASGetDefaultFileSys(), path);
  return doc;
}

struct FindState {
  ASFileSys fileSys;
  const char* diPath;
  PDDoc found;
};

ASBool FindProc(PDDoc doc, void* data) {
  FindState* s = static_cast<FindState*>(data);
  ASFileSys fs = PDDocGetFileSys(doc);
  ASPathName path = PDDocGetPathName(doc);
  if (!path || fs != s->fileSys) return 1;
  char* di = ASFileSysDIPathFromPath(fs, path, nullptr);
  bool same = di && std::strcmp(di, s->diPath) == 0;
  ASfree(di);
  if (!same) return 1;
  s->found = doc;
  return 0;
}

}  // namespace

PDDoc OpenExistingPDDocFromPlatformString(const char* text) { return OpenQuietly(ASPathNameFromPlatformString(text)); }

PDDoc OpenExistingPDDocFromUtf8String(const char* text) { return OpenQuietly(ASFileSysCreatePathNameUtf8(text)); }

ASErrorCode GetLastPDDocOpenError() { return gLastOpenError; }

PDDoc OpenExistingPDDocFromDIPath(const char* diPath, ASBool report) {
  gLastOpenError = 0;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName path = diPath ? ASFileSysPathFromDIPath(fs, diPath, nullptr) : nullptr;
  if (!path) {
    if (report) {
      char text[1000];
      FormatFileError(text, sizeof text, GetMessageFromTableByKey(gSystemMessageTable, "common.err.cannotopen"),
                      diPath ? diPath : "", 1);
      ErrMessageUTF8(text);
    }
    return nullptr;
  }
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpen(path, fs, nullptr, 1);
  HANDLER
    doc = nullptr;
    gLastOpenError = ERRORCODE;
    if (report) AutoExceptionMessageUTF8(diPath, ERRORCODE);
  END_HANDLER
  ASFileSysReleasePath(fs, path);
  return doc;
}

PDDoc FindOpenPDDocForASPathName(ASFileSys fileSys, ASPathName path) {
  if (!path) return nullptr;
  if (!fileSys) fileSys = ASGetDefaultFileSys();
  char* di = ASFileSysDIPathFromPath(fileSys, path, nullptr);
  if (!di) return nullptr;
  FindState s{fileSys, di, nullptr};
  PDEnumDocs(FindProc, &s);
  ASfree(di);
  return s.found;
}

PDDoc FindOpenPDDocForDIPath(const char* diPath) {
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName path = diPath ? ASFileSysPathFromDIPath(fs, diPath, nullptr) : nullptr;
  if (!path) return nullptr;
  PDDoc doc = FindOpenPDDocForASPathName(fs, path);
  ASFileSysReleasePath(fs, path);
  return doc;
}

PDDoc FindOpenPDDocForUTF8Path(const char* text) {
  ASPathName path = ASFileSysCreatePathNameUtf8(text);
  if (!path) return nullptr;
  PDDoc doc = FindOpenPDDocForASPathName(ASGetDefaultFileSys(), path);
  ASFileSysReleasePath(ASGetDefaultFileSys(), path);
  return doc;
}

ASPathName GetExistingPDFPathName(const char* promptUTF8) {
  AVOpenSaveDialogParamsRec params;
  std::memset(&params, 0, sizeof params);
  params.size = sizeof params;
  params.windowTitle = ASTextNewFromUTF8(promptUTF8 ? promptUTF8 : "");
  params.fileFilter = "pdf";
  ASFileSys fs = nullptr;
  ASPathName* paths = nullptr;
  ASUns16 count = 0;
  ASBool chosen = 0;
  DURING
    chosen = AVAppOpenDialog(&params, &fs, &paths, &count, nullptr);
  HANDLER
    chosen = 0;
  END_HANDLER
  ASTextDestroy(params.windowTitle);
  ASPathName result = nullptr;
  if (chosen && paths && count > 0) {
    result = paths[0];
    for (ASUns16 i = 1; i < count; ++i) ASFileSysReleasePath(fs, paths[i]);
  }
  ASfree(paths);
  return result;
}
