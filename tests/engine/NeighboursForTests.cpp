// Test-only definitions of the services that engine/EngineImports.h declares
// and that other modules bring for real: the page-merge engine's page
// utilities, the per-imposition PDF/X services and the page-size element's
// template filling. They do what those modules are to do, as far as these
// tests need it, and go when the real modules come into the build.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/EngineImports.h"
#include "engine/EnginePrefs.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/ASFixed.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageBoxes.h"

ASUns16 RemoveAnyBleed(PDDoc doc, ASInt32 first, ASInt32 last, ASUns16 prompt, ASUns16* alreadyPrompted) {
  if (first < 0) first = 0;
  if (last < 0) last = PDDocGetNumPages(doc) - 1;
  bool asked = false;
  for (ASInt32 i = first; i <= last; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    if (!PageHasBleeds(page)) {
      CosObj dict = PDPageGetCosObj(page);
      CosDictRemoveKeyString(dict, "TrimBox");
      CosDictRemoveKeyString(dict, "BleedBox");
    } else {
      if (!asked && prompt && !(alreadyPrompted && *alreadyPrompted)) {
        if (alreadyPrompted) *alreadyPrompted = 1;
        if (!ConfirmMessageUTF8(GetMessageFromTableByKey(gSystemMessageTable, "pagemg.2.confirm.losebleed"), 1)) {
          PDPageRelease(page);
          return 0;
        }
      }
      asked = true;
      SetPageBleedRect(page, kBleedAll, nullptr);
    }
    PDPageRelease(page);
  }
  return 1;
}

void PrefixPageContents(PDPage page, const char* text) {
  CosDoc cosDoc = PDDocGetCosDoc(PDPageGetDoc(page));
  ASStm stm = ASMemStmRdOpen(text, std::strlen(text));
  CosObj stream = CosNewStream(cosDoc, 1, stm, -1, 0, CosNewNull(), CosNewNull(), (ASInt32)std::strlen(text));
  ASStmClose(stm);
  CosObj dict = PDPageGetCosObj(page);
  CosObj contents = CosDictGetKeyString(dict, "Contents");
  if (CosObjGetType(contents) == CosArray) {
    CosArrayInsert(contents, 0, stream);
  } else if (CosObjGetType(contents) == CosStream) {
    CosObj array = CosNewArray(cosDoc, 0, 2);
    CosArrayInsert(array, 0, stream);
    CosArrayInsert(array, 1, contents);
    CosDictPutKeyString(dict, "Contents", array);
  } else if (CosObjGetType(contents) == CosNull) {
    CosDictPutKeyString(dict, "Contents", stream);
  }
}

ASBool PageHasPatterns(PDPage page) {
  CosObj resources = CosDictGetKeyString(PDPageGetCosObj(page), "Resources");
  return CosObjGetType(resources) == CosDict && CosObjGetType(CosDictGetKeyString(resources, "Pattern")) == CosDict;
}

PDDoc PDDocCreatePerhapsClonePDFX(PDDoc source) {
  PDDoc doc = PDDocCreate();
  MungeMetadataAfterPDDocCreate(doc);
  if (source && gPDFXMode == 1) PreservePDFXIntoImposedDoc(source, doc);
  return doc;
}

ASBool VerifyBackgroundBeforeImposition(PDDoc target, PDDoc background) {
  if (gPDFXMode != 1) return 1;
  return (PDFXImpositionValidation(background, target) & 0xFFFA) == 0;
}

void PreservePDFXIntoImposedDoc(PDDoc source, PDDoc imposed) {
  if (gPDFXMode != 1 || PDFXImpositionValidation(source, imposed) == 1) return;
  PDFXImpositionDocumentSetting(source, imposed);
}

ASBool ExportedPageSizeFillTemplateInfo(SKCab* cab, const char* key, STemplateInfo* info, ASBool forced) {
  SKCab* size = KCabGetCab(cab, key);
  if (!size) return 0;
  std::memset(info, 0, sizeof *info);
  if (const char* name = KCabGetString(size, "Name")) std::snprintf(info->name, sizeof info->name, "%s", name);
  if (KCabGetAtom(size, "Type", ASAtomNull) == ASAtomFromString("Background")) {
    std::snprintf(info->path, sizeof info->path, "%s", KCabGetString(size, "DIPath") ? KCabGetString(size, "DIPath") : "");
    info->from = KCabGetInt(size, "From", 0);
    info->to = KCabGetInt(size, "To", 0);
    info->repeat = KCabGetInt(size, "Repeat", info->to - info->from + 1);
    return 1;
  }
  double w = KCabGetDouble(size, "Width", 0), h = KCabGetDouble(size, "Height", 0);
  if (forced) ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, key, &w, &h);
  info->blank = 1;
  info->width = ASFloatToFixed(w);
  info->height = ASFloatToFixed(h);
  return 1;
}

ASBool ExportedPageSizeGetBlankSizeWithForcedOrientation(SKCab* cab, const char* key, double* width, double* height) {
  SKCab* size = KCabGetCab(cab, key);
  if (!size || KCabGetAtom(size, "Type", ASAtomFromString("Blank")) != ASAtomFromString("Blank")) return 0;
  double w = KCabGetDouble(size, "Width", 0), h = KCabGetDouble(size, "Height", 0);
  std::string orientationKey = std::string(key) + "Orientation";
  const ASAtom orientation = KCabGetAtom(cab, orientationKey.c_str(), ASAtomNull);
  if (orientation == ASAtomFromString("Tall")) {
    *width = std::min(w, h);
    *height = std::max(w, h);
  } else if (orientation == ASAtomFromString("Wide")) {
    *width = std::max(w, h);
    *height = std::min(w, h);
  } else {
    *width = w;
    *height = h;
  }
  return 1;
}
