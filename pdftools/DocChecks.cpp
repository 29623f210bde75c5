#include "pdftools/DocChecks.h"

#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"
#include "pdftools/PDFAtoms.h"

ASErrorCode util1ExceptionBadMatrix = 0;
ASErrorCode util1ExceptionFileProtected = 0;
ASErrorCode util1ExceptionXFA = 0;
ASBool util1SetupDone = 0;

namespace {

constexpr ASInt32 kErrorClass = 4;

ASAtom SaveMajorKey() {
  static const ASAtom key = ASAtomFromString("KRVL_SaveMajorVersion");
  return key;
}

ASAtom SaveMinorKey() {
  static const ASAtom key = ASAtomFromString("KRVL_SaveMinorVersion");
  return key;
}

// A damaged record (a missing or non-numeric entry) reads as 0, so that it
// is overwritten rather than stopping the command.
ASInt32 StoredInteger(CosObj dict, ASAtom key) {
  CosObj value = CosDictGet(dict, key);
  CosType type = CosObjGetType(value);
  return type == CosInteger || type == CosReal ? CosIntegerValue(value) : 0;
}

}  // namespace

void Util1_SetupModule() {
  if (util1SetupDone) return;
  util1ExceptionBadMatrix = ASRegisterErrorString(kErrorClass, "Cannot invert matrix - bad page in PDF");
  util1ExceptionFileProtected =
      ASRegisterErrorStringUTF8(kErrorClass, GetMessageFromTableByKey(gSystemMessageTable, "util1.protected"));
  util1ExceptionXFA = ASRegisterErrorStringUTF8(kErrorClass, GetMessageFromTableByKey(gSystemMessageTable, "util1.xfa"));
  util1SetupDone = 1;
}

ASBool PDDocIsXFA(PDDoc doc) {
  InitGlobalAtomTable();
  static const ASAtom xfa = ASAtomFromString("XFA");
  CosObj form = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), atom[K_AcroForm]);
  if (CosObjGetType(form) != CosDict) return 0;
  return CosObjGetType(CosDictGet(form, xfa)) != CosNull;
}

void ExceptionIfXFA(PDDoc doc) {
  Util1_SetupModule();
  if (PDDocIsXFA(doc)) ASRaise(util1ExceptionXFA);
}

void ExceptionIfPDDocProtected(PDDoc doc) {
  Util1_SetupModule();
  PDPerms perms = PDDocGetPermissions(doc);
  ExceptionIfXFA(doc);
  if ((perms & pdPermEdit) == 0 || (perms & pdPermEditNotes) == 0) ASRaise(util1ExceptionFileProtected);
}

ASBool AddPDFSaveVersion(PDDoc doc, ASInt32 major, ASInt32 minor) {
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  CosObj catalog = CosDocGetRoot(cosDoc);
  if (!CosDictKnown(catalog, SaveMajorKey())) return 0;
  ASInt32 storedMajor = StoredInteger(catalog, SaveMajorKey());
  ASInt32 storedMinor = StoredInteger(catalog, SaveMinorKey());
  if (storedMajor < major || (storedMajor == major && storedMinor < minor)) {
    CosDictPut(catalog, SaveMinorKey(), CosNewInteger(cosDoc, 0, minor));
    CosDictPut(catalog, SaveMajorKey(), CosNewInteger(cosDoc, 0, major));
  }
  return 1;
}

ASBool AddPDFSaveVersionFromDoc(PDDoc doc, PDDoc sourceDoc) {
  ASInt16 major = 0, minor = 0;
  PDDocGetVersion(sourceDoc, &major, &minor);
  return AddPDFSaveVersion(doc, major, minor);
}
