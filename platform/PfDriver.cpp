#include "platform/PfDriver.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/PfInternal.h"

namespace {

struct DriverState {
  SPfDriverResolver resolver{nullptr, nullptr, nullptr};
  std::deque<std::pair<PfDriverStepProc, void*>> steps;
};

DriverState& Dr() {
  static DriverState state;
  return state;
}

bool Hidden(const PfRect& r) { return r.left > 8192; }

PfDialogItemRec* ItemOf(PfDialogRef d, int16_t item) { return PfDialogItemAt(d, item); }

PfRect VisibleRect(PfDialogItemRec* i) {
  PfRect r = i->rect;
  if (i->control) PfGetControlBounds(i->control, &r);
  return r;
}

std::string FullText(PfDialogRef d, int16_t item) {
  PfDialogItemRec* i = ItemOf(d, item);
  if (!i) return std::string();
  if (i->control) {
    PfControlRef c = i->control;
    if (c->procId == kPfStaticTextProc) return c->text;
    if (c->procId == kPfPopupButtonProc) {
      if (c->menu && c->value >= 1 && c->value <= (int32_t)c->menu->items.size())
        return c->menu->items[(size_t)c->value - 1].text;
      return std::string();
    }
    return c->title;
  }
  if (PfGetDialogKeyboardFocusItem(d) == item && PfGetDialogTextEdit(d)) return PfTEGetText(PfGetDialogTextEdit(d));
  return i->text;
}

void PostClick(PfWindowRef w, PfPoint local, uint16_t modifiers) {
  PfPoint g = PfLocalToGlobal(w, local);
  PfPostMouseDown(g, modifiers);
  PfPostMouseUp(g, modifiers);
}

PfListRef ListOfItem(PfDialogRef d, int16_t item) {
  PfDialogItemRec* i = ItemOf(d, item);
  if (!i) return nullptr;
  PfRect r = i->rect;
  if (Hidden(r)) PfOffsetRect(&r, -kPfHiddenItemOffset, 0);
  PfWindowRef w = PfGetDialogWindow(d);
  for (int32_t k = 0; k < PfCountWindowLists(w); ++k) {
    PfListRef l = PfGetIndexedWindowList(w, k);
    PfRect view;
    PfLGetView(l, &view);
    if (PfPtInRect(PfPoint{view.left, view.top}, r)) return l;
  }
  return nullptr;
}

const char* KindName(uint8_t kind) {
  switch (kind & 0x7F) {
    case kPfUserItem:
      return "user";
    case kPfButtonItem:
      return "button";
    case kPfCheckBoxItem:
      return "checkbox";
    case kPfRadioItem:
      return "radio";
    case kPfResControlItem:
      return "control";
    case kPfStaticTextItem:
      return "static";
    case kPfEditTextItem:
      return "edit";
    case kPfIconItem:
      return "icon";
    case kPfPictureItem:
      return "picture";
    default:
      return "other";
  }
}

bool StepSource(void*) {
  DriverState& d = Dr();
  if (d.steps.empty()) return false;
  auto step = d.steps.front();
  d.steps.pop_front();
  step.first(step.second);
  return true;
}

}  // namespace

void PfDriverReset() { Dr() = DriverState{}; }

void PfDriverSetResolver(const SPfDriverResolver* resolver) {
  Dr().resolver = resolver ? *resolver : SPfDriverResolver{nullptr, nullptr, nullptr};
}

PfDialogRef PfDriverFindDialog(const char* titleUTF8) {
  for (PfWindowRef w : PfG().windows) {
    if (!w->visible || !w->dialog) continue;
    if (!titleUTF8 || w->title == titleUTF8) return w->dialog;
  }
  return nullptr;
}

int16_t PfDriverItemById(PfDialogRef dialog, int32_t controlId) {
  if (!PfIsValidDialog(dialog)) return 0;
  if (Dr().resolver.itemForId) return Dr().resolver.itemForId(dialog, controlId);
  return controlId >= 1 && controlId <= PfCountDialogItems(dialog) ? (int16_t)controlId : 0;
}

int16_t PfDriverItemByKey(PfDialogRef dialog, const char* key) {
  if (!PfIsValidDialog(dialog) || !key || !Dr().resolver.itemForKey) return 0;
  return Dr().resolver.itemForKey(dialog, key);
}

int32_t PfDriverIdOfItem(PfDialogRef dialog, int16_t item) {
  if (!PfIsValidDialog(dialog)) return 0;
  if (Dr().resolver.idForItem) return Dr().resolver.idForItem(dialog, item);
  return item;
}

int16_t PfDriverItemByCaption(PfDialogRef dialog, const char* captionUTF8) {
  if (!PfIsValidDialog(dialog) || !captionUTF8) return 0;
  for (int16_t i = 1; i <= PfCountDialogItems(dialog); ++i)
    if (FullText(dialog, i) == captionUTF8) return i;
  return 0;
}

bool PfDriverClickAt(PfDialogRef dialog, PfPoint local, uint16_t modifiers) {
  if (!PfIsValidDialog(dialog)) return false;
  PostClick(PfGetDialogWindow(dialog), local, modifiers);
  return true;
}

bool PfDriverClickItem(PfDialogRef dialog, int16_t item, uint16_t modifiers) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || Hidden(i->rect)) return false;
  PostClick(PfGetDialogWindow(dialog), PfRectCentre(VisibleRect(i)), modifiers);
  return true;
}

bool PfDriverPressButton(PfDialogRef dialog, const char* captionUTF8) {
  int16_t item = PfDriverItemByCaption(dialog, captionUTF8);
  return item && PfDriverClickItem(dialog, item, 0);
}

bool PfDriverTypeText(PfDialogRef dialog, int16_t item, const char* textUTF8, bool replace) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || Hidden(i->rect) || (i->kind & 0x7F) != kPfEditTextItem || !textUTF8) return false;
  // A click at the field's right end puts the caret after the text.
  PfPoint at{i->rect.right - 1, (i->rect.top + i->rect.bottom) / 2};
  std::string current = FullText(dialog, item);
  PostClick(PfGetDialogWindow(dialog), at, 0);
  if (replace) {
    size_t n = PfUTF8CountChars(current.data(), current.size());
    for (size_t k = 0; k < n; ++k) PfPostKeyDown(kPfBackspaceChar, 0);
  }
  size_t len = std::strlen(textUTF8), pos = 0;
  while (pos < len) PfPostKeyDown(PfUTF8Next(textUTF8, len, &pos), 0);
  return true;
}

bool PfDriverSetChecked(PfDialogRef dialog, int16_t item, bool on) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || !i->control || Hidden(i->rect)) return false;
  if ((PfGetControlValue(i->control) != 0) == on) return true;
  return PfDriverClickItem(dialog, item, 0);
}

bool PfDriverChoosePopup(PfDialogRef dialog, int16_t item, int32_t index) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || !i->control || PfGetControlProcId(i->control) != kPfPopupButtonProc) return false;
  PfRect entry;
  if (!PfPopupItemRect(i->control, index + 1, &entry)) return false;
  PfRect b;
  PfGetControlBounds(i->control, &b);
  PfWindowRef w = PfGetDialogWindow(dialog);
  PfPostMouseDown(PfLocalToGlobal(w, PfRectCentre(b)), 0);
  PfPostMouseUp(PfRectCentre(entry), 0);
  return true;
}

bool PfDriverChooseTab(PfDialogRef dialog, int16_t item, int32_t tab) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  PfRect r;
  if (!i || !i->control || !PfTabRect(i->control, tab, &r)) return false;
  PostClick(PfGetDialogWindow(dialog), PfRectCentre(r), 0);
  return true;
}

bool PfDriverClickListRow(PfDialogRef dialog, int16_t item, int32_t row, int32_t dx, uint16_t modifiers,
                          int32_t clicks) {
  PfListRef l = ListOfItem(dialog, item);
  if (!l || row < 0 || row >= PfLRowCount(l)) return false;
  int32_t top = PfLGetTopRow(l), visible = PfLVisibleRowCount(l);
  if (row < top || row >= top + visible) PfLScroll(0, row - top, l);
  PfRect cell;
  PfLRect(&cell, PfCell{0, row}, l);
  PfPoint at{dx < 0 ? (cell.left + cell.right) / 2 : cell.left + dx, (cell.top + cell.bottom) / 2};
  for (int32_t k = 0; k < (clicks < 1 ? 1 : clicks); ++k) PostClick(PfGetDialogWindow(dialog), at, modifiers);
  return true;
}

void PfDriverKey(uint32_t character, uint16_t modifiers) { PfPostKeyDown(character, modifiers); }
void PfDriverPressReturn() { PfPostKeyDown(kPfReturnChar, 0); }
void PfDriverPressEscape() { PfPostKeyDown(kPfEscapeChar, 0); }
void PfDriverPressCommandPeriod() { PfPostKeyDown('.', kPfCmdKey); }
void PfDriverPressTab() { PfPostKeyDown(kPfTabChar, 0); }
int32_t PfDriverPump() { return PfDispatchEvents(-1); }

int32_t PfDriverGetText(PfDialogRef dialog, int16_t item, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  std::string t = FullText(dialog, item);
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, t.data(), t.size());
}

int32_t PfDriverGetValue(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  return i && i->control ? PfGetControlValue(i->control) : -1;
}

bool PfDriverIsVisible(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || Hidden(i->rect)) return false;
  return !i->control || PfIsControlVisible(i->control);
}

bool PfDriverIsEnabled(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = ItemOf(dialog, item);
  if (!i || (i->kind & kPfItemDisableBit)) return false;
  return !i->control || PfGetControlHilite(i->control) != kPfInactiveHilite;
}

int32_t PfDriverListRowCount(PfDialogRef dialog, int16_t item) {
  PfListRef l = ListOfItem(dialog, item);
  return l ? PfLRowCount(l) : -1;
}

bool PfDriverListRowSelected(PfDialogRef dialog, int16_t item, int32_t row) {
  PfListRef l = ListOfItem(dialog, item);
  return l && PfLIsSelected(PfCell{0, row}, l);
}

int32_t PfDriverDump(PfDialogRef dialog, char* buffer, int32_t size) {
  std::string out;
  if (PfIsValidDialog(dialog)) {
    char line[512];
    std::snprintf(line, sizeof line, "dialog \"%s\" items=%d default=%d cancel=%d focus=%d\n",
                  PfGetWindowTitleUTF8(PfGetDialogWindow(dialog)), PfCountDialogItems(dialog),
                  PfGetDialogDefaultItem(dialog), PfGetDialogCancelItem(dialog), PfGetDialogKeyboardFocusItem(dialog));
    out += line;
    for (int16_t k = 1; k <= PfCountDialogItems(dialog); ++k) {
      PfDialogItemRec* i = ItemOf(dialog, k);
      PfRect r = VisibleRect(i);
      std::string text = FullText(dialog, k);
      std::snprintf(line, sizeof line, "%3d %-8s id=%d \"%s\"%s%s%s", k, KindName(i->kind), PfDriverIdOfItem(dialog, k),
                    text.c_str(), PfDriverIsVisible(dialog, k) ? "" : " hidden",
                    PfDriverIsEnabled(dialog, k) ? "" : " disabled",
                    PfGetDialogKeyboardFocusItem(dialog) == k ? " focus" : "");
      out += line;
      if (i->control) {
        std::snprintf(line, sizeof line, " value=%d", PfGetControlValue(i->control));
        out += line;
      }
      if (PfListRef l = ListOfItem(dialog, k)) {
        std::snprintf(line, sizeof line, " rows=%d top=%d selected=", PfLRowCount(l), PfLGetTopRow(l));
        out += line;
        bool any = false;
        for (int32_t row = 0; row < PfLRowCount(l); ++row) {
          if (!PfLIsSelected(PfCell{0, row}, l)) continue;
          out += (any ? "," : "") + std::to_string(row);
          any = true;
        }
        if (!any) out += "-";
      }
      std::snprintf(line, sizeof line, " rect=(%d,%d,%d,%d)\n", r.left, r.top, r.right, r.bottom);
      out += line;
    }
  }
  if (buffer && size > 0) PfUTF8CopyCut(buffer, (size_t)size, out.data(), out.size());
  return (int32_t)out.size();
}

void PfDriverScriptAdd(PfDriverStepProc step, void* client) {
  if (step) Dr().steps.emplace_back(step, client);
}

void PfDriverScriptClear() { Dr().steps.clear(); }
int32_t PfDriverScriptPending() { return (int32_t)Dr().steps.size(); }
void PfDriverScriptInstall() { PfSetEventSource(StepSource, nullptr); }
