// The file layer's PDF documents: opening by path and finding open ones.
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KFile.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/TextConv.h"
#include "host/AV.h"
#include "host/PD.h"

namespace {

// Says that the file the user gave as `given` did not open: the file as it
// was looked for (a relative path names no folder of its own), the host's
// reason, and for a relative path that found nothing where it was taken from.
void ReportNotOpened(const char* given, ASFileSys fs, ASPathName path, ASErrorCode error) {
  char* looked = path ? ASFileSysDIPathFromPath(fs, path, nullptr) : nullptr;
  char text[1000];
  const char* format = KnownMessageInTableByKey(gSystemMessageTable, "common.err.cannotopen")
                           ? GetMessageFromTableByKey(gSystemMessageTable, "common.err.cannotopen")
                           : "The file %s in the folder %s could not be opened.";
  FormatFileError(text, sizeof text, format, looked ? looked : given ? given : "", 1);
  ASfree(looked);
  std::string said = text;
  char reason[300];
  if (error && ASGetErrorString(error, reason, (ASInt32)sizeof reason) > 0) said += std::string(" ") + reason;
  // Where a relative path was taken from matters only when nothing was found there.
  const bool missing = error == fileErrFNF || error == fileErrFolderNotFound;
  if (missing && given && *given && given[0] != '/') {
    char relative[1200];
    FormatMessageByKeyUTF8(nullptr, "common.err.relativepath", "%s is taken from the current folder.", relative,
                           sizeof relative, "s", given);
    said += std::string(" ") + relative;
  }
  ErrMessageUTF8(said.c_str());
}

// Opens and keeps the path name only when a document results; with report,
// a failure is told for the text the user gave.
PDDoc OpenQuietly(ASPathName path, const char* given = nullptr, ASBool report = 0) {
  ASFileSys fs = ASGetDefaultFileSys();
  if (!path) {
    if (report) ReportNotOpened(given, fs, nullptr, 0);
    return nullptr;
  }
  PDDoc doc = nullptr;
  ASErrorCode error = 0;
  DURING
    doc = PDDocOpen(path, fs, nullptr, 1);
  HANDLER
    doc = nullptr;
    error = ERRORCODE;
  END_HANDLER
  if (!doc && report) ReportNotOpened(given, fs, path, error);
  ASFileSysReleasePath(fs, path);
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

PDDoc OpenExistingPDDocFromUtf8StringReport(const char* text, ASBool report) {
  return OpenQuietly(ASFileSysCreatePathNameUtf8(text), text, report);
}

PDDoc OpenExistingPDDocFromDIPath(const char* diPath, ASBool report) {
  ASFileSys fs = ASGetDefaultFileSys();
  return OpenQuietly(diPath ? ASFileSysPathFromDIPath(fs, diPath, nullptr) : nullptr, diPath, report);
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
