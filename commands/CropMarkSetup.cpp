// The crop-mark setup dialog: the style of the marks (chosen in a browser of
// rendered previews) and their distance, length and line width.
#include "commands/CropMarkSetup.h"

#include <cstdio>

#include "engine/CropMarks.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/mac/DialogHelpers.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/PDFCtl.h"
#include "pdftools/PageUnits.h"
#include "platform/PfResource.h"

namespace {

constexpr ASUns32 kFreeBoth = kKCtlDialogFreeDescription | kKCtlDialogFreeData;

// Setup dialog.
constexpr ASInt16 kStyleTextId = 101;
constexpr ASInt16 kDistId = 102;
constexpr ASInt16 kLengthId = 103;
constexpr ASInt16 kWidthId = 104;
// Style browser.
constexpr ASInt16 kBrowserNumberId = 101;
constexpr ASInt16 kBrowserOfId = 102;
constexpr ASInt16 kBrowserPreviewId = 103;
constexpr ASInt32 kStyleCount = 5;

double Points(ASFixed v) { return v / 65536.0; }

ECropMarkStyle StyleOf(SKCab* cab) {
  return CropMarkStyleFromAtom(KCabGetAtom(cab, "CropStyle", ASAtomFromString(CropMarkStyleWord(kCropCorners))));
}

void SetNumberText(SMacDialogInfo* dialog, ASInt16 id, ASInt32 number) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCtlElem* e = data ? KCtlPlatformGetElemFromControlId(data, id) : nullptr;
  if (!e) return;
  char text[32];
  std::snprintf(text, sizeof text, "%ld", (long)number);
  KCtlPlatformSetControlText(dialog, data, e, text);
}

// The preview streams of the styles, by style number 1 to 5 (4652 is not one of
// them).
ASInt32 PreviewResourceFor(ASInt32 styleNum) {
  static const ASInt32 kIds[kStyleCount] = {4650, 4651, 4653, 4654, 4655};
  return styleNum >= 1 && styleNum <= kStyleCount ? kIds[styleNum - 1] : 4650;
}

// A resource of the plug-in's own file, whatever file is current; null when
// missing.
PfHandle SafeGetResource(const char* type, ASInt32 id) {
  int16_t saved = PfCurResFile();
  if (gMacPluginResFile > 0) PfUseResFile(gMacPluginResFile);
  PfHandle h = PfGetResource(type, id);
  PfUseResFile(saved);
  if (!h) h = PfBundleLoadResourceById(type, id);
  return h;
}

// The style's default measures written into the three fields, in the dialog's
// units.
void SetDefaultMeasures(SMacDialogInfo* dialog, ECropMarkStyle style) {
  SCropMarkDesc desc;
  DefaultCropMarkDescForStyle(&desc, style);
  ASInt32 units = KCtlStockDialogPageUnits(dialog);
  SetControlTextFromDouble4p(dialog, kDistId, ConvertFixedPointsToPageDim2(desc.distance, units));
  SetControlTextFromDouble4p(dialog, kLengthId, ConvertFixedPointsToPageDim2(desc.length, units));
  SetControlTextFromDouble4p(dialog, kWidthId, ConvertFixedPointsToPageDim2(desc.lineWidth, units));
}

ASInt32 StyleTextInit(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger == kKCtlTriggerLoaded) SetNumberText(dialog, kStyleTextId, StyleOf(KCtlExportCabForDialog(dialog)) + 1);
  return kKCtlCallBackGoOn;
}

ASInt32 DefaultsClicked(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCab* scratch = KCabNewInner();
  DURING
    // The style has no field of its own: it comes along with the export cabinet.
    if (KCtlVerifyElements(dialog, data)) SetDefaultMeasures(dialog, StyleOf(KCtlAdvanceExport(dialog, scratch, 1)));
  HANDLER
    KCabDestroy(scratch);
    RERAISE();
  END_HANDLER
  KCabDestroy(scratch);
  return kKCtlCallBackGoOn;
}

// ---- Style browser

void RefreshPreview(SMacDialogInfo* dialog) {
  SKCab* cab = KCtlExportCabForDialog(dialog);
  ASInt32 styleNum = KCabGetInt(cab, "StyleNum", 1);
  SetNumberText(dialog, kBrowserNumberId, styleNum);
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (SKCtlElem* of = data ? KCtlPlatformGetElemFromControlId(data, kBrowserOfId) : nullptr) {
    char text[200];
    FormatMessageByKeyUTF8(nullptr, "common.ofpage", "of %d", text, sizeof text, "d", (int)kStyleCount);
    KCtlPlatformSetControlText(dialog, data, of, text);
  }
  if (PfHandle h = SafeGetResource("TEXT", PreviewResourceFor(styleNum))) {
    DURING
      PDFCtlSetStream(dialog, kBrowserPreviewId, (const char*)PfHandleData(h), (ASInt32)PfGetHandleSize(h));
      PDFCtlSetDrawMode(dialog, kBrowserPreviewId, kPDFCtlFit, 397, 539);
    HANDLER
      PfDisposeHandle(h);
      RERAISE();
    END_HANDLER
    PfDisposeHandle(h);
  }
}

ASInt32 PreviewInit(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger == kKCtlTriggerLoaded) RefreshPreview(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 NextStyleClicked(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCab* cab = KCtlExportCabForDialog(dialog);
  ASInt32 next = KCabGetInt(cab, "StyleNum", 1) + 1;
  if (next < 1 || next > kStyleCount) next = 1;
  KCabPutInt(cab, "StyleNum", next);
  RefreshPreview(dialog);
  return kKCtlCallBackGoOn;
}

SKCtlDialog* NewStyleBrowser() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.cropmarkstyle.title"), kFreeBoth);
  DURING
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.cropmarkstyle.1"), nullptr);
    SKCtlElem* box = KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagSameRow, -1, nullptr, nullptr);
    SKCtlElem* frame = KCtlAddNewElement(d, kKCtlFrame, 0, kBrowserPreviewId, nullptr, box);
    KCtlForceElementSize(300, 300, frame);
    KCtlSetActionCallback(frame, kKCtlTriggerLoaded, PreviewInit, nullptr);
    SKCtlElem* side = KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.cropmarkstyle.3"), side);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagMinLine, kBrowserNumberId, "88", side);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagMinLine | kKCtlFlagFullWidth, kBrowserOfId, " ", side);
    SKCtlElem* next = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody, -1, Msg("dlg.cropmarkstyle.7"), side);
    KCtlSetActionCallback(next, kKCtlTriggerClick, NextStyleClicked, nullptr);
    for (int i = 0; i < 3; ++i) KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, " ", side);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.ok"), side);
    KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, side);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.cancel"), side);
    KCtlDialogSuggestSize(d, 400, 0);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

ASInt32 BrowseClicked(SMacDialogInfo* setup, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCab* cab = KCtlExportCabForDialog(setup);
  if (!cab) return kKCtlCallBackGoOn;
  ECropMarkStyle before = StyleOf(cab);
  KCabPutInt(cab, "StyleNum", before + 1);
  ASInt32 result = 0;
  DURING
    result = KCtlPlatformRunModal(NewStyleBrowser(), cab, nullptr, PDFCtlDialogProc);
  HANDLER
    KCabRemove(cab, "StyleNum");
    RERAISE();
  END_HANDLER
  ASInt32 chosen = KCabGetInt(cab, "StyleNum", before + 1) - 1;
  KCabRemove(cab, "StyleNum");
  if (result == 1 && chosen != before && chosen >= 0 && chosen < kStyleCount) {
    KCabPutAtom(cab, "CropStyle", ASAtomFromString(CropMarkStyleWord((ECropMarkStyle)chosen)));
    SetNumberText(setup, kStyleTextId, chosen + 1);
    SetDefaultMeasures(setup, (ECropMarkStyle)chosen);
  }
  return kKCtlCallBackGoOn;
}

void MeasureRow(SKCtlDialog* d, SKCab* list, ASBool owner, const char* caption, ASInt16 id, const char* key) {
  SKCtlElem* label = KCtlAddNewElement(
      d, kKCtlStaticText, kKCtlFlagSameRow | (owner ? (ASUns32)kKCtlFlagOwnsItemList : 0u), -1, Msg(caption), nullptr);
  KCtlElemSetItemList(list, label);
  KCtlStock_PageUnitInput(d, kKCtlFlagSameRow, nullptr, id, key);
  KCtlStock_CurrentPageUnitText(d, 0, nullptr);
}

SKCtlDialog* NewSetupDialog() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.crop.title"), kFreeBoth);
  SKCab* list = KCabNewInner();
  ASBool listOwned = 0;
  DURING
    KCtlAddListItemToCab(list, Msg("dlg.crop.5"), ASAtomFromString("E1"));
    KCtlAddListItemToCab(list, Msg("dlg.crop.7"), ASAtomFromString("E2"));
    KCtlAddListItemToCab(list, Msg("dlg.crop.9"), ASAtomFromString("E3"));
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 0, -1, 155, nullptr);
    SKCtlElem* intro = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.crop.1"), nullptr);
    KCtlSetActionCallback(intro, kKCtlTriggerLoaded, StyleTextInit, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.crop.3"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagMinLine | kKCtlFlagSameRow, kStyleTextId, "???", nullptr);
    SKCtlElem* browse = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody, -1, Msg("dlg.crop.2"), nullptr);
    KCtlSetActionCallback(browse, kKCtlTriggerClick, BrowseClicked, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden | kKCtlFlagNoGap, -1, " ", nullptr);
    MeasureRow(d, list, 1, "dlg.crop.5", kDistId, "CropDist");
    listOwned = 1;
    MeasureRow(d, list, 0, "dlg.crop.7", kLengthId, "CropLength");
    MeasureRow(d, list, 0, "dlg.crop.9", kWidthId, "CropWidth");
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, " ", nullptr);
    SKCtlElem* defaults =
        KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagCentre, -1, Msg("dlg.crop.11"), nullptr);
    KCtlSetActionCallback(defaults, kKCtlTriggerClick, DefaultsClicked, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.crop.12"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.crop.13"), nullptr);
    KCtlStock_OkButton(d);
    KCtlStock_CancelButton(d);
  HANDLER
    if (!listOwned) KCabDestroy(list);
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

}  // namespace

void CropMarkFillInMissingParams(SKCab* cab) {
  if (!cab) return;
  const SCropMarkDesc* d = DefaultCropMarkDesc();
  if (!KCabKnown(cab, "CropStyle")) KCabPutAtom(cab, "CropStyle", ASAtomFromString(CropMarkStyleWord(d->style)));
  if (!KCabKnown(cab, "CropDist")) KCabPutDouble(cab, "CropDist", Points(d->distance));
  if (!KCabKnown(cab, "CropWidth")) KCabPutDouble(cab, "CropWidth", Points(d->lineWidth));
  if (!KCabKnown(cab, "CropLength")) KCabPutDouble(cab, "CropLength", Points(d->length));
}

void CropMarkDescriber(SKCab* lines, SKCab* params) {
  if (!lines) return;
  SKCab* copy = params ? KCabDup(params) : KCabNewInner();
  char text[1000];
  DURING
    CropMarkFillInMissingParams(copy);
    FormatMessageByKeyUTF8(nullptr, "uikv.crop.desc",
                           "Crop marks: style %d, line width %.4g pt, length "
                           "%.4g pt, distance %.4g pt",
                           text, sizeof text, "dfff", (int)StyleOf(copy) + 1, KCabGetDouble(copy, "CropWidth", 0),
                           KCabGetDouble(copy, "CropLength", 0), KCabGetDouble(copy, "CropDist", 0));
    KCabPutStringCopy(lines, "", text);
  HANDLER
    KCabDestroy(copy);
    RERAISE();
  END_HANDLER
  KCabDestroy(copy);
}

ASBool CropMarkSetup(SKCab* params) {
  if (!params) return 0;
  CropMarkFillInMissingParams(params);
  // The browser writes the style straight into params; a cancelled setup
  // must not keep it.
  ASAtom styleBefore = KCabGetAtom(params, "CropStyle", ASAtomNull);
  ASInt32 result = KCtlPlatformRunModal(NewSetupDialog(), params, params, nullptr);
  if (result != 1) KCabPutAtom(params, "CropStyle", styleBefore);
  return result == 1;
}
