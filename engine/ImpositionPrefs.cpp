#include "engine/ImpositionPrefs.h"

#include <cstring>
#include <string>

#include "engine/PageMerge.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "host/AS.h"
#include "kctl/StatusBox.h"
#include "pdftools/PDFX.h"

namespace {

const SKCabEnumWord kFieldsWords[] = {{kFieldsOnlyForms, "OnlyForms"},
                                      {kFieldsExceptForms, "ExceptForms"},
                                      {kFieldsFormsAndFields, "FormsAndFields"},
                                      {kFieldsNone, "None"},
                                      {kFieldsNone, nullptr}};
const SKCabEnumWord kRegColourWords[] = {{kRegColourAllSeps, "AllSeps"},
                                         {kRegColourCMYK, "CMYK"},
                                         {kRegColourBlack, "Black"},
                                         {kRegColourUsePrefs, "UsePrefs"},
                                         {kRegColourAllSeps, nullptr}};
const SKCabEnumWord kBleedModeWords[] = {
    {kBleedPrompt, "Prompt"}, {kBleedUse, "Use"}, {kBleedIgnore, "Ignore"}, {kBleedPrompt, nullptr}};

ImpositionBleedPromptProc gBleedPrompt = nullptr;

ASAtom Word(const SKCabEnumWord* words, ASInt32 value) {
  return ASAtomFromString(KCabEkEnumToStringTable(value, words));
}

// The box the bleed mode lets a caller read.
EWhichSize ByBleedMode(EWhichSize which) { return gBleedVelmoraMode == kBleedIgnore ? kSizeVisible : which; }

// Up to the next 1/256 point.
ASInt64 RoundUp256(ASFixed v) {
  ASInt64 x = v;
  return x >= 0 ? (x + 255) / 256 * 256 : -((-x) / 256 * 256);
}

// Appends text without passing limit bytes, never cutting a UTF-8 character.
void AppendBounded(std::string& out, const char* text, size_t limit) {
  if (out.size() >= limit) return;
  out.append(text, std::min(std::strlen(text), limit - out.size() + 4));
  CutUTF8(out, limit);
}

}  // namespace

// ---- words ------------------------------------------------------------------------------

const char* FieldsWhichWord(EFieldsWhich which) { return KCabEkEnumToStringTable(which, kFieldsWords); }
EFieldsWhich FieldsWhichFromAtom(ASAtom word) { return (EFieldsWhich)KCabEkAtomToEnumTable(word, kFieldsWords); }
const char* RegColourWord(ERegColour colour) { return KCabEkEnumToStringTable(colour, kRegColourWords); }
ERegColour RegColourFromAtom(ASAtom word) { return (ERegColour)KCabEkAtomToEnumTable(word, kRegColourWords); }
const char* BleedModeWord(ASInt32 mode) { return KCabEkEnumToStringTable(mode, kBleedModeWords); }
ASInt32 BleedModeFromAtom(ASAtom word) { return KCabEkAtomToEnumTable(word, kBleedModeWords); }

// ---- preference exchange ------------------------------------------------------------------

void FillCabForPerImpositionPrefs(SKCab* cab) {
  if (!cab) return;
  KCabPutAtom(cab, "Flatten", Word(kFieldsWords, gImpositionFieldsOption));
  KCabPutAtom(cab, "RegColour", Word(kRegColourWords, gRegistrationColour));
  KCabPutAtom(cab, "BleedMode", Word(kBleedModeWords, gBleedVelmoraMode));
  KCabPutInt(cab, "UseFormXObjects", gImpositionUseFormXObjects);
  KCabPutBool(cab, "Acro5Tr2Fix", gApplyTr2Fix);
  KCabPutBool(cab, "Acro6OPIFix", gApplyOPIFix);
}

void SetPerImpositionPrefsFromCab(SKCab* cab) {
  if (!cab) return;
  if (KCabKnown(cab, "Flatten")) gImpositionFieldsOption = FieldsWhichFromAtom(KCabGetAtom(cab, "Flatten", ASAtomNull));
  if (KCabKnown(cab, "RegColour")) SetRegColour(RegColourFromAtom(KCabGetAtom(cab, "RegColour", ASAtomNull)));
  if (KCabKnown(cab, "BleedMode")) gBleedVelmoraMode = BleedModeFromAtom(KCabGetAtom(cab, "BleedMode", ASAtomNull));
  if (KCabKnown(cab, "UseFormXObjects"))
    gImpositionUseFormXObjects = KCabGetInt(cab, "UseFormXObjects", gImpositionUseFormXObjects);
  if (KCabKnown(cab, "Acro5Tr2Fix")) gApplyTr2Fix = KCabGetBool(cab, "Acro5Tr2Fix", 1) ? 1 : 0;
  if (KCabKnown(cab, "Acro6OPIFix")) gApplyOPIFix = KCabGetBool(cab, "Acro6OPIFix", 1) ? 1 : 0;
}

SKCab* PerImpositionPrefsStart(SKCab* params) {
  SKCab* saved = KCabNewInner();
  FillCabForPerImpositionPrefs(saved);
  SetPerImpositionPrefsFromCab(params);
  return saved;
}

void PerImpositionPrefsEnd(SKCab* saved) {
  if (!saved) return;
  SetPerImpositionPrefsFromCab(saved);
  KCabDestroy(saved);
}

// ---- bleed check ----------------------------------------------------------------------------

ImpositionBleedPromptProc SetImpositionBleedPromptProc(ImpositionBleedPromptProc proc) {
  ImpositionBleedPromptProc previous = gBleedPrompt;
  gBleedPrompt = proc;
  return previous;
}

ASBool ImpositionBleedModeCheck(PDDoc doc, PDPage page, SKCab* params) {
  ASInt32 mode = gBleedVelmoraMode;
  if (params && KCabKnown(params, "BleedMode")) mode = BleedModeFromAtom(KCabGetAtom(params, "BleedMode", ASAtomNull));
  ASBool noPrompts = 0;
  if (AutoMessageGetKCabListDest(&noPrompts)) return 1;
  if (mode != kBleedPrompt) return 1;
  if (!(page ? PDPageCropNeTrim(page) : (doc ? PDDocCropNeTrim(doc) : 0))) return 1;
  if (!gBleedPrompt) return 1;

  SKCab* answer = KCabNewInner();
  ASBool ok = 0;
  DURING
    ok = gBleedPrompt(answer);
    if (ok && params && KCabKnown(answer, "BleedMode")) {
      ASInt32 chosen = BleedModeFromAtom(KCabGetAtom(answer, "BleedMode", ASAtomNull));
      KCabPutAtom(params, "BleedMode", Word(kBleedModeWords, chosen));
    }
  HANDLER
    KCabDestroy(answer);
    RERAISE();
  END_HANDLER
  KCabDestroy(answer);
  return ok;
}

// ---- page sizes -------------------------------------------------------------------------------

void GetTranslatedPageSizeX(PDPage page, ASFixedPoint* size, EWhichSize which) {
  GetTranslatedPageSize(page, size, ByBleedMode(which));
}

void GetTranslatedPageSizeByPageNumX(PDDoc doc, ASInt32 pageIndex, ASFixedPoint* size, EWhichSize which) {
  GetTranslatedPageSizeByPageNum(doc, pageIndex, size, ByBleedMode(which));
}

ASBool GetAllPageSizesWithStatusX(PDDoc doc, ASFixedPoint** sizesOut, ASBool* allSameOut, EWhichSize which) {
  if (!sizesOut) ASRaise(genErrBadParm);
  *sizesOut = nullptr;
  const ASInt32 n = PDDocGetNumPages(doc);
  ASBool allSame = 1;
  auto* sizes = static_cast<ASFixedPoint*>(ASmallocWithException(sizeof(ASFixedPoint) * ((size_t)n + 1)));
  std::memset(sizes, 0, sizeof(ASFixedPoint) * ((size_t)n + 1));
  void* monitorData = nullptr;
  ProgressMonitor monitor = nullptr;
  bool cancelled = false;
  DURING
    monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
    ProgressMonitorBegin(monitor, monitorData);
    ProgressMonitorSetDuration(monitor, n, monitorData);
    SetStatusBoxTextUtf8(Msg("util.3.status.readingpagesizes"));
    ASInt64 previousH = 0, previousV = 0;
    for (ASInt32 i = 0; i < n; ++i) {
      ProgressMonitorSetCurrValue(monitor, i, monitorData);
      GetTranslatedPageSizeByPageNum(doc, i, &sizes[i], ByBleedMode(which));
      const ASInt64 h = RoundUp256(sizes[i].h), v = RoundUp256(sizes[i].v);
      if (i > 0 && (h != previousH || v != previousV)) allSame = 0;
      previousH = h;
      previousV = v;
      if (CheckStatusBoxCancel(nullptr)) {
        cancelled = true;
        break;
      }
    }
  HANDLER
    CloseStatusBox();
    ProgressMonitorEnd(monitor, monitorData);
    // The caller gets no sizes, so it has nothing to free.
    ASfree(sizes);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  CloseStatusBox();
  *sizesOut = sizes;
  if (allSameOut) *allSameOut = allSame;
  return cancelled ? 0 : 1;
}

void GetPageSizesForRangeX(PDDoc doc, EWhichSize which, ASInt32 first, ASInt32 last, ASFixedPoint* smallest,
                           ASFixedPoint* largest, ProgressMonitor monitor, void* monitorData, CancelProc cancel,
                           void* cancelData) {
  if (!smallest || !largest) ASRaise(genErrBadParm);
  if (monitor) {
    ProgressMonitorBegin(monitor, monitorData);
    ASInt64 duration = (ASInt64)last - first + 1;
    ProgressMonitorSetDuration(monitor, duration < 1 ? 1 : (ASInt32)duration, monitorData);
    ProgressMonitorSetCurrValue(monitor, 0, monitorData);
  }
  PDPage page = nullptr;
  DURING
    ASInt32 done = 0;
    ASInt32 index = first;
    do {
      page = PDDocAcquirePage(doc, index);
      ASFixedPoint size;
      GetTranslatedPageSize(page, &size, ByBleedMode(which));
      if (done == 0) {
        *smallest = size;
        *largest = size;
      } else {
        if (size.h < smallest->h) smallest->h = size.h;
        if (size.v < smallest->v) smallest->v = size.v;
        if (size.h > largest->h) largest->h = size.h;
        if (size.v > largest->v) largest->v = size.v;
      }
      ++done;
      if (monitor) ProgressMonitorSetCurrValue(monitor, done, monitorData);
      PDPageRelease(page);
      page = nullptr;
      if (cancel && cancel(cancelData)) break;
    } while (index++ < last);
  HANDLER
    if (page) PDPageRelease(page);
    if (monitor) ProgressMonitorEnd(monitor, monitorData);
    RERAISE();
  END_HANDLER
  if (monitor) ProgressMonitorEnd(monitor, monitorData);
}

// ---- PDF/X ------------------------------------------------------------------------------------

ASBool VerifyBackgroundBeforeImposition(PDDoc target, PDDoc background) {
  if (gPDFXMode != 1) return 1;
  ASBool usable = 1;
  DURING
    const ASInt32 flags = PDFXImpositionValidation(background, target);
    if ((flags & 0xFFFA) != 0) {
      constexpr size_t kLimit = 999;
      std::string text;
      AppendBounded(text, Msg("pdfx.error.backgroundunusable"), kLimit);
      static const struct {
        ASInt32 bit;
        const char* key;
      } kLines[] = {{kPDFXOnlyBDeclares, "pdfx.line.bgnotpdfx"},
                    {kPDFXUnknownVersion, "pdfx.line.unknownversion"},
                    {kPDFXIncompatible, "pdfx.line.incompatibleversions.2"},
                    {kPDFXTrappedMismatch, "pdfx.line.mismatch.trap.1"},
                    {kPDFXIntentMismatch, "pdfx.line.mismatch.intent.1"}};
      bool any = false;
      for (const auto& line : kLines) {
        if (!(flags & line.bit)) continue;
        any = true;
        AppendBounded(text, Msg(line.key), kLimit);
      }
      if (!any) AppendBounded(text, Msg("pdfx.line.unknownerror"), kLimit);
      ErrMessageUTF8(text.c_str());
      usable = 0;
    }
  HANDLER
    AutoExceptionMessageUTF8(Msg("pdfx.task.verify"), ERRORCODE);
    usable = 1;
  END_HANDLER
  return usable;
}

void PreservePDFXIntoImposedDoc(PDDoc source, PDDoc imposed) {
  if (gPDFXMode != 1) return;
  DURING
    if (PDFXImpositionValidation(source, imposed) != kPDFXNeitherDeclares) {
      PDFXImpositionDocumentSetting(source, imposed);
      const ASInt32 n = PDDocGetNumPages(imposed);
      for (ASInt32 i = 0; i < n; ++i) {
        PDPage page = PDDocAcquirePage(imposed, i);
        DURING
          PDFXImpositionPageSetting(page);
        HANDLER
          // The page goes back; the failure ends the loop and is reported below.
          PDPageRelease(page);
          RERAISE();
        END_HANDLER
        PDPageRelease(page);
      }
    }
  HANDLER
    AutoExceptionMessageUTF8(Msg("pdfx.task.updatepdfx"), ERRORCODE);
  END_HANDLER
}

PDDoc PDDocCreatePerhapsClonePDFX(PDDoc source) {
  PDDoc doc = PDDocCreate();
  if (!doc) return nullptr;
  MungeMetadataAfterPDDocCreate(doc);
  if (source && gPDFXMode == 1) PreservePDFXIntoImposedDoc(source, doc);
  return doc;
}

const SKCabEnumWord* ImpositionPrefsParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Flatten") == 0) return kFieldsWords;
  if (std::strcmp(key, "RegColour") == 0) return kRegColourWords;
  if (std::strcmp(key, "BleedMode") == 0) return kBleedModeWords;
  return nullptr;
}
