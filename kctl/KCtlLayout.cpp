// The flow layout of KCtl descriptions.
#include "foundation/TextCut.h"
#include "kctl/KCtlLayout.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/Scratch.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"

namespace {

ASInt16 Clamp16(ASInt32 v) { return (ASInt16)std::clamp<ASInt32>(v, INT16_MIN, INT16_MAX); }

void Place(SKCtlData* data, SKCtlElem* e, ASInt32 x, ASInt32 y, ASInt32 w, ASInt32 h) {
  SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
  i->x = Clamp16(x);
  i->y = Clamp16(y);
  i->w = Clamp16(w);
  i->h = Clamp16(h);
}

// Moves an element and everything inside it.
void ShiftSubtree(SKCtlData* data, SKCtlElem* e, ASInt32 dx, ASInt32 dy) {
  if (dx == 0 && dy == 0) return;
  SKCtlElemInfo* i = KCtlElemFindInfo(data, e);
  i->x = Clamp16(i->x + dx);
  i->y = Clamp16(i->y + dy);
  for (SKCtlElem* c = e->firstChild; c; c = c->nextSibling) ShiftSubtree(data, c, dx, dy);
}

bool IsContainer(const SKCtlElem* e) {
  return e->type == kKCtlGroupBox || e->type == kKCtlContainer || e->type == kKCtlUserPane;
}

bool HasFixedPosition(const SKCtlElem* e) { return e->fixedX != 0 || e->fixedY != 0; }

bool InButtonRow(const SKCtlElem* e) {
  return e->type == kKCtlPushButton && !(e->flags & kKCtlFlagInBody) && !HasFixedPosition(e);
}

// An element together with its children: a container lays them out inside
// its insets; any other element with children shows them as an indented
// block below itself, in line with its text. *w and *h are the block's size;
// the element's own record gets its own size.
void LayoutBlock(SKCtlData* data, SKCtlElem* e, ASInt32 x, ASInt32 y, ASInt32 avail, ASInt32* w, ASInt32* h,
                 SKCtlSizeInfo* si) {
  ASInt32 ew = 0, eh = 0;
  KCtlGetElemSize(data, e, &ew, &eh, avail, x, y, si);
  if (IsContainer(e)) {
    ASInt32 left = si->textLeft, right = si->padRight, top = si->contentTop, bottom = si->padBottom;
    ASInt32 outer = (e->forcedWidth > 0 && e->forcedWidth <= avail) ? e->forcedWidth : avail;
    ASInt32 inner = std::max<ASInt32>(outer - left - right, 0);
    ASInt32 minHeight = e->forcedHeight > 0 ? std::max<ASInt32>(e->forcedHeight - top - bottom, 0) : 0;
    ASInt32 cw = 0, ch = 0;
    if (e->firstChild) KCtlGetElemListSize(data, e->firstChild, x + left, y + top, inner, minHeight, &cw, &ch);
    ASInt32 natural = std::max(cw + left + right, e->forcedWidth != 0 ? 0 : ew);
    if (e->type == kKCtlGroupBox && !(e->flags & kKCtlFlagSameRow))
      *w = avail;
    else if (e->type == kKCtlGroupBox)
      *w = std::max<ASInt32>(natural, e->forcedWidth);
    else
      *w = e->forcedWidth != 0 ? e->forcedWidth : natural;
    *h = e->forcedHeight != 0 ? e->forcedHeight : top + ch + bottom;
    if (e->flags & kKCtlFlagFullWidth) *w = std::max(*w, avail);
    Place(data, e, x, y, *w, *h);
    return;
  }
  if (e->flags & kKCtlFlagFullWidth) ew = std::max(ew, avail);
  Place(data, e, x, y, ew, eh);
  *w = ew;
  *h = eh;
  if (e->firstChild) {
    ASInt32 indent = std::max<ASInt32>(si->textLeft, 0);
    ASInt32 top = eh + si->gapBelow;
    ASInt32 cw = 0, ch = 0;
    KCtlGetElemListSize(data, e->firstChild, x + indent, y + top, std::max<ASInt32>(avail - indent, 0), 0, &cw,
                        &ch);
    *w = std::max(*w, indent + cw);
    *h = top + ch;
  }
}

// The flow's position in the list being laid out.
struct Cursor {
  ASInt32 x;
  ASInt32 rowTop;
  ASInt32 rowBottom;
  ASInt32 rowGap;
  ASInt32 drop;  // followers of the row start this much lower
  bool rowOpen;
  bool noGap;
};

void EndRow(Cursor* c, ASInt32 x0) {
  if (!c->rowOpen) return;
  c->rowTop = c->rowBottom + (c->noGap ? 0 : c->rowGap);
  c->rowBottom = c->rowTop;
  c->x = x0;
  c->rowGap = 0;
  c->drop = 0;
  c->rowOpen = false;
  c->noGap = false;
}

bool Later(const Cursor& a, const Cursor& b) {
  return a.rowTop != b.rowTop ? a.rowTop > b.rowTop : a.rowBottom > b.rowBottom;
}

}  // namespace

const char* KCtlGetUnescapedString(const char* text) {
  const char* rest = nullptr;
  return KCtlParseSizeEscape(text, nullptr, &rest) ? rest : text;
}

void KCtlGetElemSizeWithEscapeHandling(SKCtlData* data, SKCtlElem* element, const char* text, ASInt32* width,
                                       ASInt32* height, ASInt32 maxWidth, ASInt32 x, ASInt32 y,
                                       SKCtlSizeInfo* sizeInfo) {
  SKCtlSizeEscape e;
  const char* rest = nullptr;
  ASInt32 w = 0, h = 0;
  if (text && KCtlParseSizeEscape(text, &e, &rest)) {
    ASInt32 limit = std::max(maxWidth, e.width);
    KCtlGetElemSizePlatform(data, element, rest, &w, &h, limit, x, y, sizeInfo);
    w += e.extraWidth;
    h = e.height >= 0 ? e.height : h + e.extraHeight;
  } else {
    KCtlGetElemSizePlatform(data, element, text, &w, &h, maxWidth, x, y, sizeInfo);
  }
  *width = w;
  *height = h;
}

void KCtlGetElemItemListSizeEnum(SKCtlData* data, SKCtlElem* element, ASInt32 maxWidth, ASInt32* width,
                                 ASInt32* height) {
  struct Walk {
    SKCtlData* data;
    SKCtlElem* element;
    ASInt32 maxWidth;
    ASInt32 w;
    ASInt32 h;
  } walk{data, element, maxWidth, 0, 0};
  KCtlForEachListItem(
      element->itemList,
      [](SKCab* item, void* p) -> ASBool {
        Walk* k = static_cast<Walk*>(p);
        const char* s = KCabGetString(item, "S");
        if (!s) return 1;
        ASInt32 w = 0, h = 0;
        KCtlGetElemSizeWithEscapeHandling(k->data, k->element, s, &w, &h, k->maxWidth, 0, 0, nullptr);
        k->w = std::max(k->w, w);
        k->h = std::max(k->h, h);
        return 1;
      },
      &walk);
  *width = walk.w;
  *height = walk.h;
}

void KCtlGetElemSize(SKCtlData* data, SKCtlElem* element, ASInt32* width, ASInt32* height, ASInt32 maxWidth,
                     ASInt32 x, ASInt32 y, SKCtlSizeInfo* sizeInfo) {
  ASInt32 limit = maxWidth;
  if (element->forcedWidth > 0 && element->forcedWidth < limit) limit = element->forcedWidth;
  if ((element->flags & kKCtlFlagOneLine) && element->type >= kKCtlStaticText && element->type <= kKCtlRadioButton)
    limit = 0;
  SKCtlSizeInfo local{};
  SKCtlSizeInfo* si = sizeInfo ? sizeInfo : &local;
  ASInt32 w = 0, h = 0;
  // The escape of the element's own text; without one the platform takes the
  // element's shown text itself.
  const char* text = element->text;
  if (text && KCtlParseSizeEscape(text, nullptr, nullptr))
    KCtlGetElemSizeWithEscapeHandling(data, element, text, &w, &h, limit, x, y, si);
  else
    KCtlGetElemSizePlatform(data, element, nullptr, &w, &h, limit, x, y, si);
  if (element->itemList) {
    ASInt32 iw = 0, ih = 0;
    KCtlGetElemItemListSizeEnum(data, element, limit, &iw, &ih);
    w = std::max(w, iw);
    h = std::max(h, ih);
  }
  if (element->forcedHeight != 0) h = element->forcedHeight;
  if (element->forcedWidth != 0) w = element->forcedWidth;
  if (element->sizeInfoOverride[0] != 0) si->gapRight = element->sizeInfoOverride[0];
  if (element->sizeInfoOverride[1] != 0) si->gapBelow = element->sizeInfoOverride[1];
  *width = w;
  *height = h;
}

void KCtlGetElemListSize(SKCtlData* data, SKCtlElem* first, ASInt32 x0, ASInt32 y0, ASInt32 maxWidth,
                         ASInt32 minHeight, ASInt32* width, ASInt32* height) {
  Cursor c{x0, y0, y0, 0, 0, false, false};
  ASInt32 right = x0, bottom = y0;
  SKCtlElem* anchor = nullptr;
  SKCtlElem* prev = nullptr;
  Cursor paneStart{}, paneBest{};
  std::vector<SKCtlElem*> buttons;
  for (SKCtlElem* e = first; e;) {
    if (!anchor && (e->flags & kKCtlFlagBottom)) anchor = e;
    if (HasFixedPosition(e)) {
      ASInt32 w = 0, h = 0;
      SKCtlSizeInfo si{};
      ASInt32 avail = maxWidth - e->fixedX > 0 ? maxWidth - e->fixedX : maxWidth;
      LayoutBlock(data, e, x0 + e->fixedX, y0 + e->fixedY, avail, &w, &h, &si);
      right = std::max(right, x0 + e->fixedX + w);
      bottom = std::max(bottom, y0 + e->fixedY + h);
      prev = e;
      e = e->nextSibling;
      continue;
    }
    if (InButtonRow(e)) {
      buttons.clear();
      while (e && InButtonRow(e)) {
        if (!anchor && (e->flags & kKCtlFlagBottom)) anchor = e;
        buttons.push_back(e);
        e = e->nextSibling;
      }
      EndRow(&c, x0);
      KCtlShuffleButtonArrayPlatform(data, buttons.data(), (ASInt32)buttons.size());
      ASInt32 rh = 0, rw = 0;
      ASBool tooNarrow = 0;
      KCtlLayoutButtonRowFromArray(data, buttons.data(), (ASInt32)buttons.size(), x0, c.rowTop, maxWidth, &rh, &rw,
                                   &tooNarrow);
      SKCtlSizeInfo si{};
      ASInt32 bw = 0, bh = 0;
      KCtlGetElemSize(data, buttons.back(), &bw, &bh, maxWidth, 0, 0, &si);
      for (SKCtlElem* b : buttons) {
        SKCtlElemInfo* i = KCtlElemFindInfo(data, b);
        right = std::max(right, (ASInt32)i->x + i->w);
      }
      c.rowOpen = true;
      c.rowBottom = c.rowTop + rh;
      c.rowGap = si.gapBelow;
      c.noGap = (buttons.back()->flags & kKCtlFlagNoGap) != 0;
      bottom = std::max(bottom, c.rowBottom);
      EndRow(&c, x0);
      prev = buttons.back();
      continue;
    }
    // Consecutive user panes are alternatives in one place.
    bool pane = e->type == kKCtlUserPane;
    bool paneFollows = pane && prev && prev->type == kKCtlUserPane && !HasFixedPosition(prev);
    if (pane && !paneFollows) paneStart = c;
    if (paneFollows) c = paneStart;

    ASInt32 ex = c.x, ey = c.rowTop + c.drop;
    ASInt32 avail = std::max<ASInt32>(x0 + maxWidth - ex, 0);
    ASInt32 w = 0, h = 0;
    SKCtlSizeInfo si{};
    LayoutBlock(data, e, ex, ey, avail, &w, &h, &si);
    ASInt32 fx = ex;
    if (e->flags & kKCtlFlagRight)
      fx = x0 + maxWidth - w;
    else if (e->flags & kKCtlFlagCentre)
      fx = x0 + (maxWidth - w) / 2;
    ShiftSubtree(data, e, fx - ex, 0);
    right = std::max(right, fx + w);
    bottom = std::max(bottom, ey + h);
    c.rowOpen = true;
    c.rowBottom = std::max(c.rowBottom, ey + h);
    c.rowGap = std::max(c.rowGap, si.gapBelow);
    if (e->flags & kKCtlFlagNoAdvance) {
      // The next element takes the same place.
    } else if (e->flags & kKCtlFlagSameRow) {
      c.x = fx + w + ((e->flags & kKCtlFlagRowKeepX) ? 0 : si.gapRight);
      if (!(e->flags & kKCtlFlagRowNoDrop)) c.drop = si.rowDrop;
    } else {
      c.noGap = (e->flags & kKCtlFlagNoGap) != 0;
      EndRow(&c, x0);
    }
    if (pane) {
      if (!paneFollows || Later(c, paneBest)) paneBest = c;
      c = paneBest;
    }
    prev = e;
    e = e->nextSibling;
  }
  ASInt32 h = bottom - y0;
  if (minHeight > 0 && h < minHeight) {
    if (anchor)
      for (SKCtlElem* e = anchor; e; e = e->nextSibling) ShiftSubtree(data, e, 0, minHeight - h);
    h = minHeight;
  }
  *width = std::max<ASInt32>(right - x0, 0);
  *height = h;
}

// ---- Button rows

ASInt32 KCtlLayoutButtonRowWithSpacing(SKCtlData* data, SKCtlElem** buttons, ASInt32 count, ASInt32 x, ASInt32 y,
                                       ASInt32 maxWidth, ASInt32 fixedWidth, ASInt32 gap) {
  if (count <= 0) return 0;
  ASInt32 minW, stdGap, minGap, rowGap, insetL, insetR;
  KCtlGetButtonSpacingInfoPlatform(data, buttons[0], &minW, &stdGap, &minGap, &rowGap, &insetL, &insetR);
  std::vector<ASInt32> ws((size_t)count), hs((size_t)count);
  ASInt32 total = gap * (count - 1);
  for (ASInt32 k = 0; k < count; ++k) {
    KCtlGetElemSize(data, buttons[k], &ws[(size_t)k], &hs[(size_t)k], maxWidth, 0, 0, nullptr);
    if (fixedWidth > 0 && buttons[k]->forcedWidth == 0) ws[(size_t)k] = fixedWidth;
    total += ws[(size_t)k];
  }
  ASInt32 at = x + maxWidth - insetR - total;
  ASInt32 height = 0;
  for (ASInt32 k = 0; k < count; ++k) {
    Place(data, buttons[k], at, y, ws[(size_t)k], hs[(size_t)k]);
    at += ws[(size_t)k] + gap;
    height = std::max(height, hs[(size_t)k]);
  }
  return height;
}

void KCtlLayoutButtonRowFromArray(SKCtlData* data, SKCtlElem** buttons, ASInt32 count, ASInt32 x, ASInt32 y,
                                  ASInt32 maxWidth, ASInt32* height, ASInt32* width, ASBool* tooNarrow) {
  *height = 0;
  *width = 0;
  *tooNarrow = 0;
  if (count <= 0) return;
  ASInt32 minW, gap, minGap, rowGap, insetL, insetR;
  KCtlGetButtonSpacingInfoPlatform(data, buttons[0], &minW, &gap, &minGap, &rowGap, &insetL, &insetR);
  std::vector<ASInt32> nat((size_t)count), nh((size_t)count);
  ASInt32 widest = 0, sum = 0;
  for (ASInt32 k = 0; k < count; ++k) {
    KCtlGetElemSize(data, buttons[k], &nat[(size_t)k], &nh[(size_t)k], maxWidth, 0, 0, nullptr);
    widest = std::max(widest, nat[(size_t)k]);
    sum += nat[(size_t)k];
  }
  if (count == 1) {
    ASInt32 w = nat[0];
    if (w < minW && buttons[0]->forcedWidth == 0) w = std::min(minW, std::max(maxWidth, w));
    Place(data, buttons[0], x + maxWidth - insetR - w, y, w, nh[0]);
    *height = nh[0];
    *width = w;
    return;
  }
  ASInt32 room = maxWidth - insetL - insetR;
  ASInt32 gaps = count - 1;
  // The row's width when every button without a forced width takes `fixed` (0: its own).
  auto total = [&](ASInt32 fixed, ASInt32 g) {
    ASInt32 t = g * gaps;
    for (ASInt32 k = 0; k < count; ++k)
      t += (fixed > 0 && buttons[k]->forcedWidth == 0) ? fixed : nat[(size_t)k];
    return t;
  };
  ASInt32 common = std::max(widest, minW);
  ASInt32 fixed = -1, useGap = 0;
  if (total(common, gap) <= room) {
    fixed = common;
    useGap = gap;
  } else if (total(widest, gap) <= room) {
    fixed = widest;
    useGap = gap;
  } else if ((room - total(widest, 0)) / gaps >= minGap) {
    fixed = widest;
    useGap = (room - total(widest, 0)) / gaps;
  } else if (std::min(gap, (room - sum) / gaps) >= minGap) {
    fixed = 0;
    useGap = std::min(gap, (room - sum) / gaps);
  }
  if (fixed >= 0) {
    *height = KCtlLayoutButtonRowWithSpacing(data, buttons, count, x, y, maxWidth, fixed, useGap);
    *width = total(fixed, useGap);
    return;
  }
  // Too narrow for one row: two rows, the split that is lowest, then narrowest.
  *tooNarrow = 1;
  auto layTwo = [&](ASInt32 split, ASInt32* h, ASInt32* w) {
    ASInt32 h1, w1, h2, w2;
    ASBool n1, n2;
    KCtlLayoutButtonRowFromArray(data, buttons, split, x, y, maxWidth, &h1, &w1, &n1);
    KCtlLayoutButtonRowFromArray(data, buttons + split, count - split, x, y + h1 + rowGap, maxWidth, &h2, &w2, &n2);
    *h = h1 + rowGap + h2;
    *w = std::max(w1, w2);
  };
  ASInt32 best = 1, bestH = INT32_MAX, bestW = INT32_MAX;
  if (count > 2) {
    for (ASInt32 split = 1; split < count; ++split) {
      ASInt32 h, w;
      layTwo(split, &h, &w);
      if (h < bestH || (h == bestH && w < bestW)) {
        best = split;
        bestH = h;
        bestW = w;
      }
    }
  }
  layTwo(best, height, width);
}

// ---- Dialog groups

namespace {

// One member's natural size at a lower width bound (0: none), measured with a
// run data of its own.
void MeasureMember(SKCtlDialog* dialog, ASInt32 width, ASInt32* w, ASInt32* h) {
  SKCtlData* data = KCtlCreateData(dialog);
  DURING
    KCtlDialogSizeCalculations(data, 1, width);
  HANDLER
    KCtlDestroyData(data);
    RERAISE();
  END_HANDLER
  *w = data->width;
  *h = data->height;
  KCtlDestroyData(data);
}

}  // namespace

void KCtlDialogGroupGetSize(SKCtlDialogGroup* group, ASInt32* width, ASInt32* height) {
  if (!group->sizeComputed) {
    ASInt32 widest = 0;
    for (SKCtlDialogGroupItem* i = group->first; i; i = i->next) {
      MeasureMember(i->dialog, 0, &i->width, &i->height);
      widest = std::max(widest, i->width);
    }
    ASInt32 w = 0, h = 0;
    for (SKCtlDialogGroupItem* i = group->first; i; i = i->next) {
      MeasureMember(i->dialog, widest, &i->width, &i->height);
      w = std::max(w, i->width);
      h = std::max(h, i->height);
    }
    group->width = w;
    group->height = h;
    group->sizeComputed = 1;
  }
  if (width) *width = group->width;
  if (height) *height = group->height;
}

// ---- The dialog's size

namespace {

void LayoutRoot(SKCtlData* data, ASInt32 avail, ASInt32 minHeight, ASInt32 start, ASInt32* w, ASInt32* h) {
  ASInt32 lw = 0, lh = 0;
  if (data->dialog->root)
    KCtlGetElemListSize(data, data->dialog->root, kKCtlLayoutOrigin, kKCtlLayoutOrigin, avail, minHeight, &lw, &lh);
  *w = std::max(lw, start);
  *h = std::max(lh, minHeight);
}

}  // namespace

void KCtlDialogSizeCalculations(SKCtlData* data, ASBool force, ASInt32 width) {
  if (data->sizesValid && !force) return;
  SKCtlDialog* d = data->dialog;
  ASInt32 maxW = 0, maxH = 0;
  KCtlGetMaxDialogSizePlatform(&maxW, &maxH);
  ASInt32 w = 0, h = 0;
  if (data->group) {
    ASInt32 gw = 0, gh = 0;
    KCtlDialogGroupGetSize(data->group, &gw, &gh);
    ASInt32 minHeight = data->groupFlag ? gh : std::min(d->suggestedHeight, maxH);
    LayoutRoot(data, gw, std::max(minHeight, 0), 0, &w, &h);
    w = gw;
  } else {
    ASInt32 start = width > 0 ? width : d->suggestedWidth;
    ASInt32 avail = std::min(start > 0 ? start : kKCtlStartWidth, maxW);
    ASInt32 minHeight = std::max(std::min(d->suggestedHeight, maxH), 0);
    ASInt32 floor = std::max(start, 0);
    LayoutRoot(data, avail, minHeight, floor, &w, &h);
    if (start <= 0 || h > maxH) {
      while ((h > 2 * w || h > maxH) && avail < maxW) {
        ASInt32 next = std::min(avail + kKCtlWidenStep, maxW);
        ASInt32 nw, nh;
        LayoutRoot(data, next, minHeight, floor, &nw, &nh);
        if (nh >= h) {
          LayoutRoot(data, avail, minHeight, floor, &w, &h);
          break;
        }
        avail = next;
        w = nw;
        h = nh;
      }
    }
    for (int pass = 0; pass < 2; ++pass) {
      ASInt32 nw, nh;
      LayoutRoot(data, std::min(w, maxW), minHeight, floor, &nw, &nh);
      bool same = nw == w;
      w = nw;
      h = nh;
      if (same) break;
    }
  }
  data->width = std::max<ASInt32>(w + d->extraWidth, 0);
  data->height = h + d->extraHeight;
  KCtlDataIdlePlatform(data);
  data->sizesValid = 1;
}

// ---- Trimming texts

ASInt32 KCtlFileNameTrimPosition(const char* text) {
  if (!text) return 0;
  if (text[0] == '\\' && text[1] == '\\') return 2;
  for (const char* p = text; *p; ++p)
    if (*p == '/' || *p == '\\') return (ASInt32)(p - text) + 1;
  return 0;
}

ASBool KCtlTrimTextToFitData(SKCtlData* data, SMacDialogInfo* dialog, SKCtlElem* element, char* text,
                             const char* insert, ASInt32 position, ASInt32 maxWidth, ASInt32 maxHeight) {
  if (!data || !element || !text) return 0;
  if (maxWidth == 0 || maxHeight == 0) {
    ASInt32 lw = 0, lh = 0;
    KCtlGetElemLiveSizePlatform(dialog, element, &lw, &lh);
    if (maxWidth == 0) maxWidth = lw;
    if (maxHeight == 0) maxHeight = lh;
  }
  auto fits = [&](const char* trial) {
    ASInt32 w = 0, h = 0;
    if (maxHeight == -1) {
      KCtlGetElemSizePlatform(data, element, trial, &w, &h, 0, 0, 0, nullptr);
      return w < maxWidth;
    }
    // Wrapped at maxWidth, a block of several lines measures maxWidth itself.
    KCtlGetElemSizePlatform(data, element, trial, &w, &h, maxWidth, 0, 0, nullptr);
    return w <= maxWidth && h <= maxHeight;
  };
  if (fits(text)) return 0;
  if (!insert) insert = "";
  size_t len = std::strlen(text), insLen = std::strlen(insert);
  size_t pos = CutLengthUTF8(text, len, position < 0 ? 0 : (size_t)position);
  KScratch<500> trial(len + insLen + 1);
  for (size_t cut = 1; pos + cut <= len; ++cut) {
    // Characters go whole, and the result is never longer than the text was.
    if (pos + cut < len && CutLengthUTF8(text, len, pos + cut) != pos + cut) continue;
    if (cut < insLen) continue;
    char* t = trial.data();
    std::memcpy(t, text, pos);
    std::memcpy(t + pos, insert, insLen);
    std::memcpy(t + pos + insLen, text + pos + cut, len - pos - cut + 1);
    if (fits(t)) {
      std::memcpy(text, t, std::strlen(t) + 1);
      return 1;
    }
  }
  text[0] = 0;
  return 1;
}

ASBool KCtlTrimTextToFit(SMacDialogInfo* dialog, SKCtlElem* element, char* text, const char* insert,
                         ASInt32 position, ASInt32 maxWidth, ASInt32 maxHeight) {
  return KCtlTrimTextToFitData(KCtlDataForDialog(dialog), dialog, element, text, insert, position, maxWidth,
                               maxHeight);
}

ASBool KCtlTrimTextToFitFileName(SMacDialogInfo* dialog, SKCtlElem* element, char* text, const char* insert,
                                 ASInt32 maxWidth, ASInt32 maxHeight) {
  return KCtlTrimTextToFit(dialog, element, text, insert, KCtlFileNameTrimPosition(text), maxWidth, maxHeight);
}
