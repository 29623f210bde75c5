// The Mac layer's measuring: element sizes from the platform's text
// metrics, button-row metrics and order, theme metrics, and the run data's
// platform part.
#include <algorithm>
#include <cstring>
#include <set>

#include "foundation/KCab.h"
#include "kctl/KCtlLayout.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacTextMetric.h"
#include "platform/Pf.h"

namespace {

// Appearance metrics by number; the platform model has no theme of its own,
// so these are fixed. Index order: 2, 3, 4, 5, 19, 50, 52.
constexpr ASInt32 kThemeNumbers[7] = {2, 3, 4, 5, 19, 50, 52};
constexpr ASInt32 kThemeValues[7] = {16, 18, 3, 3, 16, 16, 16};
ASInt32 gTheme[7] = {0, 0, 0, 0, 0, 0, 0};
bool gThemeRead = false;

void RefreshTheme() {
  std::memcpy(gTheme, kThemeValues, sizeof gTheme);
  gThemeRead = true;
}

// Height of the single line "A", measured once for the plug-in's life.
ASInt32 gLineHeightA = -1;

struct TypeMetrics {
  ASInt32 p1, p2, q1, q2, e, m, h, w, f;
  ASInt32 s1, s2, s3, s4, g, k;
  bool wraps;
  bool measured;
  ASUns32 flags;
};

bool SmallButton(const SKCtlElem* e) {
  if (!MacIsUnderOSX()) return false;
  return (e->type == kKCtlPushButton && (e->flags & kKCtlFlagImageOrSmall)) ||
         (e->type == kKCtlRadioButton && (e->flags & kKCtlFlagBevelRadio));
}

TypeMetrics MetricsFor(const SKCtlElem* e, bool hasLabel) {
  ASInt32 box = KCtlMacThemeMetric(kKCtlThemeBoxWidth) + 2;
  if (SmallButton(e)) return {5, 5, 6, 6, 6, 0, 20, 0, 0, 3, 3, 6, 6, 0, 0, false, true, kKCtlMeasureSmall};
  switch (e->type) {
    case kKCtlStaticText:
      return {0, 0, 0, 1, 10, 0, 0, 0, 0, 6, 6, 8, 8, 0, 3, true, true, kKCtlMeasureText};
    case kKCtlEditText:
      return {5, 5, 3, 3, 5, 0, 0, 0, 0, 6, 6, 8, 8, 0, 0, true, true, kKCtlMeasureEdit};
    case kKCtlPushButton:
      return {14, 14, 6, 6, 6, 0, 20, 0, 0, 12, 14, 12, 12, 4, 0, false, true, kKCtlMeasureText};
    case kKCtlCheckBox:
      return {box, 2, 0, 0, box, 18, 0, 0, 0, 6, 6, 0, 0, 0, 3, true, true, kKCtlMeasureText};
    case kKCtlRadioButton:
      return {box, 2, 0, 0, box, 18, 0, 0, 0, 6, 6, 8, 8, 0, 3, true, true, kKCtlMeasureText};
    case kKCtlPulldown:
      return {9, 30, 5, 5, 16, 18, 20, 0, 0, 6, 4, 8, 8, 2, 1, true, true, kKCtlMeasureText};
    case kKCtlListBox:
    case kKCtlTree:
      return {0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 6, 8, 8, 0, 0, true, true, kKCtlMeasureText};
    case kKCtlFiller:
      return {0, 0, 0, 0, 0, 0, 22, 15, 0, 0, 0, 0, 8, 0, 0, true, true, kKCtlMeasureText};
    case kKCtlIcon:
      return {0, 0, 0, 0, 0, 0, 32, 32, 0, 5, 5, 5, 5, 0, 0, true, true, kKCtlMeasureText};
    case kKCtlPicture:
      return {0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 5, 5, 0, 0, true, true, kKCtlMeasureText};
    case kKCtlGroupBox:
      if (hasLabel) return {16, 10, 20, 5, 16, 0, 25, 0, 20, 6, 4, 4, 4, 0, 0, false, true, kKCtlMeasureText};
      return {16, 10, 8, 8, 16, 0, 16, 0, 11, 6, 4, 4, 4, 0, 0, false, false, kKCtlMeasureText};
    case kKCtlContainer:
    case kKCtlUserPane:
      return {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false, kKCtlMeasureText};
    default:
      return {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, true, true, kKCtlMeasureText};
  }
}

SMacTextMetricDesc* MetricOf(SKCtlData* data) {
  if (!data) return nullptr;
  if (!data->textMetric) data->textMetric = NewMacTextMetricDesc();
  return data->textMetric;
}

const char* ShownText(SKCtlData* data, SKCtlElem* e) {
  if (data) {
    SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
    if (i->prefText) return i->prefText;
  }
  return e->text ? e->text : "";
}

// Runs whose window has not been made yet.
std::set<SKCtlData*>& Pending() {
  static std::set<SKCtlData*> pending;
  return pending;
}

}  // namespace

ASBool KCtlMacRunPending(SKCtlData* data, ASBool pending) {
  if (pending) {
    Pending().insert(data);
    return 1;
  }
  return Pending().erase(data) ? 1 : 0;
}

ASInt32 KCtlMacThemeMetric(ASInt32 which) {
  if (!gThemeRead) RefreshTheme();
  for (int k = 0; k < 7; ++k)
    if (kThemeNumbers[k] == which) return gTheme[k];
  return 0;
}

void KCtlGetElemSizePlatform(SKCtlData* data, SKCtlElem* elem, const char* text, ASInt32* width, ASInt32* height,
                             ASInt32 maxWidth, ASInt32, ASInt32, SKCtlSizeInfo* sizeInfo) {
  if (!text) text = ShownText(data, elem);
  bool hasLabel = elem->type == kKCtlGroupBox && text[0] != 0;
  TypeMetrics m = MetricsFor(elem, hasLabel);
  ASInt32 w = m.w, h = m.h;
  if (m.measured) {
    ASInt32 limit = (m.wraps ? maxWidth : 9999) - m.p1 - m.p2;
    ASInt32 tw = 0, th = 0;
    ASInt16 wrapped = 0;
    if (GetMacTextMetricsTextBlock(MetricOf(data), text, m.flags, limit, &tw, &th, &wrapped)) {
      if (elem->type == kKCtlStaticText && (elem->flags & kKCtlFlagMinLine) && !wrapped) {
        if (gLineHeightA < 0) {
          ASInt32 aw = 0, ah = 0;
          if (GetMacTextMetricsSingleLine(MetricOf(data), "A", m.flags, &aw, &ah)) gLineHeightA = ah;
        }
        th = std::max(th, gLineHeightA);
      }
      if (m.w == 0) w = m.p1 + tw + m.p2;
      if (m.h == 0) h = m.q1 + th + m.q2;
      if (m.m != 0) h = std::max(h, m.m);
    }
  }
  if (sizeInfo) {
    sizeInfo->textLeft = m.e;
    sizeInfo->padRight = m.p2;
    sizeInfo->padTop = m.q1;
    sizeInfo->contentTop = m.f != 0 ? m.f : h;
    sizeInfo->gapLeft = m.s1;
    sizeInfo->gapRight = m.s2;
    sizeInfo->rowDrop = m.g;
    sizeInfo->gapAbove = m.s3;
    sizeInfo->gapBelow = m.s4;
    sizeInfo->baseline = m.k;
    sizeInfo->padBottom = m.q2;
  }
  *width = w;
  *height = h;
}

void KCtlGetButtonSpacingInfoPlatform(SKCtlData*, SKCtlElem* elem, ASInt32* minWidth, ASInt32* gap,
                                      ASInt32* minGap, ASInt32* rowGap, ASInt32* insetLeft, ASInt32* insetRight) {
  bool small = elem && (elem->flags & kKCtlFlagImageOrSmall) && MacIsUnderOSX();
  *minWidth = 68;
  *gap = small ? 12 : 24;
  *minGap = small ? 3 : 12;
  *rowGap = small ? 3 : 14;
  *insetLeft = 0;
  *insetRight = 0;
}

void KCtlShuffleButtonArrayPlatform(SKCtlData*, SKCtlElem** buttons, ASInt32 count) {
  auto moveToEnd = [&](ASInt32 from, ASInt32 end) {
    SKCtlElem* b = buttons[from];
    for (ASInt32 k = from; k < end - 1; ++k) buttons[k] = buttons[k + 1];
    buttons[end - 1] = b;
  };
  for (ASInt32 k = 0; k < count; ++k) {
    if (buttons[k]->flags & kKCtlFlagOK) {
      moveToEnd(k, count);
      break;
    }
  }
  bool okLast = count > 0 && (buttons[count - 1]->flags & kKCtlFlagOK);
  ASInt32 end = okLast ? count - 1 : count;
  for (ASInt32 k = 0; k < end; ++k) {
    if (buttons[k]->flags & kKCtlFlagCancel) {
      moveToEnd(k, end);
      break;
    }
  }
}

void KCtlDataInitPlatform(SMacDialogInfo*, SKCtlData* data) {
  RefreshTheme();
  if (data->itemList) {
    PfDisposeHandle(static_cast<PfHandle>(data->itemList));
    data->itemList = nullptr;
  }
  if (!data->textMetric) data->textMetric = NewMacTextMetricDesc();
  for (ASInt32 k = 0; k < KCtlDataInfoCount(data); ++k) {
    SKCtlElemInfo* i = KCtlDataInfoAt(data, k);
    ASfree(i->prefText);
    i->prefText = nullptr;
  }
}

void KCtlDataTermPlatform(SKCtlData* data) {
  KCtlMacRunPending(data, 0);
  if (data->itemList) {
    PfDisposeHandle(static_cast<PfHandle>(data->itemList));
    data->itemList = nullptr;
  }
  DestroyMacTextMetricDesc(data->textMetric);
  data->textMetric = nullptr;
}

void KCtlElemTermPlatform(SKCtlData*, SKCtlElemInfo* info) {
  ASfree(info->prefText);
  info->prefText = nullptr;
  if (info->treeCopies) KCabDestroy(info->treeCopies);
  info->treeCopies = nullptr;
  if (info->keptItems) KCabDestroy(info->keptItems);
  info->keptItems = nullptr;
}

void KCtlMacClearPrefText(SKCtlData* data, SKCtlElem* elem) {
  SKCtlElemInfo* i = KCtlElemFindInfo(data, elem);
  ASfree(i->prefText);
  i->prefText = nullptr;
}

void KCtlDataIdlePlatform(SKCtlData*) {}
void KCtlPlatformSetDominantLanguage(ASInt32) {}
