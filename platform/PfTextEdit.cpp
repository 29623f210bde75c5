#include "platform/PfTextEdit.h"

#include <algorithm>
#include <cstring>

#include "platform/PfInternal.h"

namespace {

std::string& TEScrap() {
  static std::string scrap;
  return scrap;
}

std::string& Clipboard() {
  static std::string clipboard;
  return clipboard;
}

bool Live(PfTEHandle te) {
  if (!te) return false;
  auto& t = PfG().textEdits;
  return std::find(t.begin(), t.end(), te) != t.end();
}

int32_t Floor(PfTEHandle te, int32_t offset) {
  offset = std::clamp(offset, 0, (int32_t)te->text.size());
  return (int32_t)PfUTF8FloorBoundary(te->text.data(), te->text.size(), (size_t)offset);
}

int32_t NextBoundary(PfTEHandle te, int32_t offset) {
  size_t pos = (size_t)offset;
  if (pos >= te->text.size()) return (int32_t)te->text.size();
  PfUTF8Next(te->text.data(), te->text.size(), &pos);
  return (int32_t)pos;
}

void Touched(PfTEHandle te) {
  te->caretOn = true;
  te->lastBlink = PfTickCount();
  if (PfIsLiveWindow(te->window)) PfInvalWindowRect(te->window, te->view);
}

void ReplaceSelection(PfTEHandle te, const std::string& with) {
  int32_t a = std::min(te->selStart, te->selEnd), b = std::max(te->selStart, te->selEnd);
  te->text.replace((size_t)a, (size_t)(b - a), with);
  te->selStart = te->selEnd = a + (int32_t)with.size();
  Touched(te);
}

}  // namespace

void PfTEResetScrap() {
  TEScrap().clear();
  Clipboard().clear();
}

PfTEHandle PfTENew(PfWindowRef window, const PfRect& destRect, const PfRect& viewRect) {
  PfTEHandle te = new PfTERec;
  te->window = window;
  te->dest = destRect;
  te->view = viewRect;
  te->lastBlink = PfTickCount();
  PfG().textEdits.push_back(te);
  return te;
}

void PfTEDispose(PfTEHandle te) {
  if (!Live(te)) return;
  auto& t = PfG().textEdits;
  t.erase(std::remove(t.begin(), t.end(), te), t.end());
  delete te;
}

int32_t PfLiveTECount() { return (int32_t)PfG().textEdits.size(); }

void PfTESetText(PfTEHandle te, const char* text, int32_t length) {
  if (!Live(te)) return;
  size_t n = text ? (length < 0 ? std::strlen(text) : (size_t)length) : 0;
  te->text = text ? PfCleanUTF8(text, n) : std::string();
  te->selStart = te->selEnd = (int32_t)te->text.size();
  Touched(te);
}

const char* PfTEGetText(PfTEHandle te) { return Live(te) ? te->text.c_str() : ""; }
int32_t PfTEGetTextLength(PfTEHandle te) { return Live(te) ? (int32_t)te->text.size() : 0; }

void PfTESetSelect(PfTEHandle te, int32_t start, int32_t end) {
  if (!Live(te)) return;
  te->selStart = Floor(te, start);
  te->selEnd = Floor(te, end);
  if (te->selEnd < te->selStart) std::swap(te->selStart, te->selEnd);
  Touched(te);
}

void PfTEGetSelect(PfTEHandle te, int32_t* start, int32_t* end) {
  if (start) *start = Live(te) ? te->selStart : 0;
  if (end) *end = Live(te) ? te->selEnd : 0;
}

void PfTESetRects(PfTEHandle te, const PfRect& destRect, const PfRect& viewRect) {
  if (!Live(te)) return;
  te->dest = destRect;
  te->view = viewRect;
}

void PfTEGetViewRect(PfTEHandle te, PfRect* viewRect) {
  if (viewRect) *viewRect = Live(te) ? te->view : PfSetRect(0, 0, 0, 0);
}

EPfFont PfTEGetFont(PfTEHandle te) { return Live(te) ? te->font : kPfSystemFont; }

void PfTEKey(uint32_t character, uint16_t modifiers, PfTEHandle te) {
  if (!Live(te)) return;
  (void)modifiers;
  switch (character) {
    case kPfBackspaceChar:
      if (te->selStart == te->selEnd) {
        if (te->selStart == 0) return;
        te->selStart = (int32_t)PfUTF8PrevBoundary(te->text.data(), te->text.size(), (size_t)te->selStart);
      }
      ReplaceSelection(te, std::string());
      return;
    case kPfForwardDeleteChar:
      if (te->selStart == te->selEnd) {
        if (te->selEnd >= (int32_t)te->text.size()) return;
        te->selEnd = NextBoundary(te, te->selEnd);
      }
      ReplaceSelection(te, std::string());
      return;
    case kPfLeftArrowChar:
      if (te->selStart == te->selEnd)
        te->selStart = (int32_t)PfUTF8PrevBoundary(te->text.data(), te->text.size(), (size_t)te->selStart);
      te->selEnd = te->selStart;
      Touched(te);
      return;
    case kPfRightArrowChar:
      if (te->selStart == te->selEnd) te->selEnd = NextBoundary(te, te->selEnd);
      te->selStart = te->selEnd;
      Touched(te);
      return;
    case kPfUpArrowChar:
      te->selStart = te->selEnd = 0;
      Touched(te);
      return;
    case kPfDownArrowChar:
      te->selStart = te->selEnd = (int32_t)te->text.size();
      Touched(te);
      return;
    default:
      break;
  }
  if (character < 0x20 && character != kPfReturnChar) return;
  if (character == 0x7F || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return;
  char buf[4];
  int32_t n = PfUTF8Encode(character, buf);
  ReplaceSelection(te, std::string(buf, (size_t)n));
}

void PfTEInsert(const char* text, int32_t length, PfTEHandle te) {
  if (!Live(te) || !text) return;
  size_t n = length < 0 ? std::strlen(text) : (size_t)length;
  // Inserts at the caret without replacing the selection.
  std::string with = PfCleanUTF8(text, n);
  te->text.insert((size_t)te->selStart, with);
  te->selStart = te->selEnd = te->selStart + (int32_t)with.size();
  Touched(te);
}

void PfTEDelete(PfTEHandle te) {
  if (Live(te)) ReplaceSelection(te, std::string());
}

void PfTECopy(PfTEHandle te) {
  if (!Live(te) || te->selStart == te->selEnd) return;
  TEScrap() = te->text.substr((size_t)te->selStart, (size_t)(te->selEnd - te->selStart));
  PfTEToScrap();
}

void PfTECut(PfTEHandle te) {
  if (!Live(te) || te->selStart == te->selEnd) return;
  PfTECopy(te);
  ReplaceSelection(te, std::string());
}

void PfTEPaste(PfTEHandle te) {
  if (Live(te)) ReplaceSelection(te, TEScrap());
}

int32_t PfTEOffsetOfPoint(PfTEHandle te, PfPoint local) {
  if (!Live(te)) return 0;
  // One line: the caret goes to the boundary nearest the point.
  int32_t x = te->dest.left;
  if (local.h <= x) return 0;
  size_t pos = 0;
  const std::string& t = te->text;
  while (pos < t.size()) {
    size_t at = pos;
    int32_t adv = PfCharAdvance(te->font, PfUTF8Next(t.data(), t.size(), &pos));
    if (local.h < x + adv / 2 + (adv & 1)) return (int32_t)at;
    x += adv;
  }
  return (int32_t)t.size();
}

void PfTEClick(PfPoint local, bool extend, PfTEHandle te) {
  if (!Live(te)) return;
  int32_t at = PfTEOffsetOfPoint(te, local);
  if (extend) {
    if (at < te->selStart)
      te->selStart = at;
    else
      te->selEnd = at;
  } else {
    te->selStart = te->selEnd = at;
  }
  // The click ends with the next mouse-up.
  PfEvent up;
  PfTakeMouseUp(&up);
  Touched(te);
}

void PfTEActivate(PfTEHandle te) {
  if (Live(te)) {
    te->active = true;
    Touched(te);
  }
}

void PfTEDeactivate(PfTEHandle te) {
  if (Live(te)) te->active = false;
}

bool PfTEIsActive(PfTEHandle te) { return Live(te) && te->active; }

void PfTEIdle(PfTEHandle te) {
  if (!Live(te) || !te->active) return;
  uint32_t now = PfTickCount();
  if (now - te->lastBlink < PfGetCaretTime()) return;
  te->lastBlink = now;
  te->caretOn = !te->caretOn;
  ++te->blinks;
  if (te->selStart == te->selEnd && PfIsLiveWindow(te->window)) {
    PfWindowRef saved = PfGetPort();
    PfSetPort(te->window);
    int32_t x = te->dest.left + PfMeasureUTF8(te->font, te->text.data(), (size_t)te->selStart);
    PfRect caret = PfSetRect(x, te->dest.top, x + 1, te->dest.top + PfFontLineHeight(te->font));
    PfInvertRect(caret, false);
    PfSetPort(saved);
  }
}

int32_t PfTEBlinkCount(PfTEHandle te) { return Live(te) ? te->blinks : 0; }

void PfTEUpdate(PfTEHandle te) {
  if (!Live(te) || !PfIsLiveWindow(te->window)) return;
  PfWindowRef saved = PfGetPort();
  PfSetPort(te->window);
  PfFontInfo fi;
  PfFontGetInfo(te->font, &fi);
  PfEraseRect(te->view);
  PfDrawTextUTF8(te->dest.left, te->dest.top + fi.ascent, te->text.c_str(), (int32_t)te->text.size());
  if (te->active && te->selStart != te->selEnd) {
    int32_t a = te->dest.left + PfMeasureUTF8(te->font, te->text.data(), (size_t)te->selStart);
    int32_t b = te->dest.left + PfMeasureUTF8(te->font, te->text.data(), (size_t)te->selEnd);
    PfInvertRect(PfSetRect(a, te->dest.top, b, te->dest.top + PfFontLineHeight(te->font)), true);
  }
  PfSetPort(saved);
}

void PfTEFromScrap() { TEScrap() = Clipboard(); }
void PfTEToScrap() { Clipboard() = TEScrap(); }
const char* PfTEScrapText() { return TEScrap().c_str(); }

void PfClipboardClear() { Clipboard().clear(); }

void PfClipboardSetUTF8(const char* text, int32_t length) {
  if (!text) {
    Clipboard().clear();
    return;
  }
  size_t n = length < 0 ? std::strlen(text) : (size_t)length;
  Clipboard() = PfCleanUTF8(text, n);
}

const char* PfClipboardGetUTF8() { return Clipboard().c_str(); }
