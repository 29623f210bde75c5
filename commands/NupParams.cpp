// The n-up parameters: the cabinet keys, the record the wizard and the
// performer share, and the conversions between them.
#include <cstring>

#include "commands/Nup.h"
#include "commands/NupPrivate.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "pdftools/FixedMatrix.h"

namespace nup_detail {

const SKCabEnumWord kOrientationWords[] = {
    {kNupTall, "Tall"}, {kNupWide, "Wide"}, {kNupBest, "Best"}, {kNupBest, nullptr}};
// "AcroFixed" was written by an old version; it reads as Fixed and is never written.
const SKCabEnumWord kScalingWords[] = {
    {kNupToFit, "ToFit"}, {kNupFixed, "Fixed"}, {kNupFixed, "AcroFixed"}, {kNupToFit, nullptr}};

ASFixed PointsToFixed(double points) { return FloatToFixed((float)points); }

}  // namespace nup_detail

using namespace nup_detail;

namespace {

SNupInfo MakeDefaultNup() {
  SNupInfo info;
  std::memset(&info, 0, sizeof info);
  info.pageOrientation = kNupBest;
  info.doScaling = kNupToFit;
  info.fitAcross = 2;
  info.fitDown = 2;
  info.fixedScale = 0.7;
  info.bestIsTall = 1;
  info.pageTooBig = 1;
  return info;
}

// The gap list of key: at most 30 values; none gives one zero gap.
void ReadGaps(SKCab* cab, const char* key, ASFixed* gaps, ASInt32* count) {
  double values[kNupMaxGaps];
  ASInt32 n = 0;
  KCabGetDoubleArray(cab, key, values, kNupMaxGaps, &n);
  std::memset(gaps, 0, sizeof(ASFixed) * kNupMaxGaps);
  for (ASInt32 i = 0; i < n; ++i) gaps[i] = PointsToFixed(values[i]);
  *count = n > 0 ? n : 1;
}

void WriteGaps(SKCab* cab, const char* key, const ASFixed* gaps, ASInt32 count) {
  if (count < 1) count = 1;
  if (count > kNupMaxGaps) count = kNupMaxGaps;
  double values[kNupMaxGaps];
  for (ASInt32 i = 0; i < count; ++i) values[i] = gaps[i] / 65536.0;
  KCabPutDoubleArray(cab, key, values, count);
}

}  // namespace

SNupInfo active_nup = MakeDefaultNup();
const SNupInfo default_nup = MakeDefaultNup();

ASBool KCabToNupSpacing(SKCab* cab, SNupInfo* info, ASBool reportErrors, ASBool pageRequired,
                        ASBool keepMarginsWhenUnused) {
  SNupSpacing& s = info->spacing;
  s.leftMargin = PointsToFixed(KCabGetDouble(cab, "LMgn", 0));
  s.rightMargin = PointsToFixed(KCabGetDouble(cab, "RMgn", 0));
  s.bottomMargin = PointsToFixed(KCabGetDouble(cab, "BMgn", 0));
  s.topMargin = PointsToFixed(KCabGetDouble(cab, "TMgn", 0));
  ReadGaps(cab, "HSpace", s.hGaps, &s.hGapCount);
  ReadGaps(cab, "VSpace", s.vGaps, &s.vGapCount);
  s.trim = KCabGetBool(cab, "Trim", 0) ? 1 : 0;
  s.cropMarks = KCabGetBool(cab, "CropMarks", 0) ? 1 : 0;
  s.frames = KCabGetBool(cab, "Frames", 0) ? 1 : 0;
  FillCropMarkDescFromCab(&info->cropDesc, cab);
  s.cropDesc = &info->cropDesc;

  if (ExportedPageSizeFillTemplateInfo(cab, "Page", &info->sheet, 0)) {
    info->hasSheet = 1;
  } else {
    info->hasSheet = 0;
    if (pageRequired) {
      if (reportErrors) ErrMessageUTF8(Msg("common.err.nopagesize"));
      return 0;
    }
  }

  info->useScale = KCabGetBool(cab, "UseScale", 0) ? 1 : 0;
  info->pageOrientation = KCabEkAtomToEnumTable(KCabGetAtom(cab, "PageOrientation", ASAtomNull), kOrientationWords);
  info->doScaling = KCabEkAtomToEnumTable(KCabGetAtom(cab, "DoScaling", ASAtomNull), kScalingWords);
  info->useMgn = KCabGetBool(cab, "UseMgn", 0) ? 1 : 0;
  info->fitAcross = KCabGetInt(cab, "FitAcross", 0);
  info->fitDown = KCabGetInt(cab, "FitDown", 0);
  info->fixedScale = KCabGetDouble(cab, "FixedScale", 0.7);

  if (!info->useMgn && !keepMarginsWhenUnused) {
    s.leftMargin = s.rightMargin = s.topMargin = s.bottomMargin = 0;
    s.hGaps[0] = s.vGaps[0] = 0;
    s.hGapCount = s.vGapCount = 1;
    s.cropMarks = s.frames = 0;
  }
  return 1;
}

ASBool KCabFromNupSpacing(SKCab* cab, SNupInfo* info, ASBool reportErrors) {
  const SNupSpacing& s = info->spacing;
  KCabPutDouble(cab, "LMgn", s.leftMargin / 65536.0);
  KCabPutDouble(cab, "RMgn", s.rightMargin / 65536.0);
  KCabPutDouble(cab, "BMgn", s.bottomMargin / 65536.0);
  KCabPutDouble(cab, "TMgn", s.topMargin / 65536.0);
  KCabPutBool(cab, "Trim", s.trim != 0);
  KCabPutBool(cab, "Frames", s.frames != 0);
  KCabPutBool(cab, "CropMarks", s.cropMarks != 0);
  KCabPutDouble(cab, "CropDist", info->cropDesc.distance / 65536.0);
  KCabPutDouble(cab, "CropWidth", info->cropDesc.lineWidth / 65536.0);
  KCabPutDouble(cab, "CropLength", info->cropDesc.length / 65536.0);
  KCabPutAtom(cab, "CropStyle", ASAtomFromString(CropMarkStyleWord(info->cropDesc.style)));
  WriteGaps(cab, "HSpace", s.hGaps, s.hGapCount);
  WriteGaps(cab, "VSpace", s.vGaps, s.vGapCount);
  KCabPutBool(cab, "UseScale", info->useScale != 0);
  KCabPutAtom(cab, "PageOrientation",
              ASAtomFromString(KCabEkEnumToStringTable(info->pageOrientation, kOrientationWords)));
  KCabPutAtom(cab, "DoScaling", ASAtomFromString(info->doScaling == kNupFixed ? "Fixed" : "ToFit"));
  KCabPutBool(cab, "UseMgn", info->useMgn != 0);
  KCabPutInt(cab, "FitAcross", info->fitAcross);
  KCabPutInt(cab, "FitDown", info->fitDown);
  KCabPutDouble(cab, "FixedScale", info->fixedScale);
  if (info->hasSheet && ExportPageSizeFromTemplateInfo(cab, "Page", &info->sheet)) return 1;
  if (reportErrors) {
    ErrMessageUTF8(Msg("common.err.nopagesize"));
    return 0;
  }
  return 1;
}

SKCab* NupDefaultParams() {
  SNupInfo record = default_nup;
  std::memset(&record.spacing, 0, sizeof record.spacing);
  record.spacing.scale = record.spacing.fitScale = 1.0;
  record.spacing.hGapCount = record.spacing.vGapCount = 1;
  record.cropDesc = *DefaultCropMarkDesc();
  record.spacing.cropDesc = &record.cropDesc;
  record.sheet.blank = 1;
  record.sheet.width = 612 << 16;
  record.sheet.height = 792 << 16;
  record.hasSheet = 0;
  SKCab* cab = KCabNewInner();
  KCabFromNupSpacing(cab, &record, 0);
  KCabPutBool(cab, "NewDoc", 1);
  KCabPutAtom(cab, "SheetAlign", ASAtomFromString("TL"));
  KCabPutBool(cab, "SheetAlignIndependent", 0);
  InitialiseCropMarkParams(cab, 0);
  return cab;
}

void NupSetRequires(SKCab* cab) {
  if (KCabGetBool(cab, "EvenMirrorHorizontal", 0) || KCabGetBool(cab, "EvenMirrorVertical", 0))
    KCabPutStringCopy(cab, "Requires", "kv3alphabase[KV 3.0/KVZ 3.0 alpha]");
}
