#include "platform/PfControl.h"

#include <algorithm>
#include <cstring>

#include "platform/PfInternal.h"

namespace {

bool Live(PfControlRef c) {
  if (!c) return false;
  auto& cs = PfG().controls;
  return std::find(cs.begin(), cs.end(), c) != cs.end();
}

void Changed(PfControlRef c) { PfNotify(kPfNoticeControlChanged, c->window, c); }

void Clamp(PfControlRef c) {
  if (c->maximum < c->minimum)
    c->value = c->minimum;
  else
    c->value = std::clamp(c->value, c->minimum, c->maximum);
}

bool IsPopup(PfControlRef c) { return c->procId == kPfPopupButtonProc; }

// The tag a control kind answers to.
bool Answers(PfControlRef c, PfFourCC tag) {
  switch (c->procId) {
    case kPfStaticTextProc:
      return tag == kPfControlStaticTextTextTag || tag == kPfControlStaticTextCFStringTag;
    case kPfBevelButtonProc:
      return tag == kPfControlBevelButtonKindTag || tag == kPfControlBevelButtonBehaviorTag;
    case kPfPopupButtonProc:
      return tag == kPfControlPopupButtonMenuTag || tag == kPfControlPopupButtonMenuIdTag;
    case kPfTabProc:
      return tag == kPfControlTabInfoTag;
    default:
      return false;
  }
}

void SyncPopupMaximum(PfControlRef c) {
  if (IsPopup(c) && c->menu) c->maximum = (int32_t)c->menu->items.size();
}

}  // namespace

PfControlRef PfNewControl(PfWindowRef window, const PfRect& bounds, const char* titleUTF8, bool visible, int32_t value,
                          int32_t minimum, int32_t maximum, int16_t procId, PfRefCon refCon) {
  if (!PfIsLiveWindow(window)) return nullptr;
  PfControlRef c = new PfControlRec;
  c->window = window;
  c->procId = procId;
  c->bounds = bounds;
  c->visible = visible;
  c->title = PfCleanUTF8(titleUTF8);
  c->refCon = refCon;
  c->value = value;
  c->minimum = minimum;
  c->maximum = maximum;
  c->active = true;
  if (procId == kPfPopupButtonProc) {
    // The minimum names the menu; the range then runs over its items, 0 being none.
    c->menu = PfGetMenuHandle((int16_t)minimum);
    c->minimum = 0;
    c->maximum = c->menu ? (int32_t)c->menu->items.size() : 0;
  } else if (procId == kPfTabProc) {
    c->minimum = 1;
    c->tabs.resize((size_t)std::max(0, maximum));
    for (SPfTabInfo& t : c->tabs) std::memset(&t, 0, sizeof t);
  } else if (procId == kPfCheckBoxProc || procId == kPfRadioButProc) {
    c->minimum = 0;
    c->maximum = std::max(1, maximum);
  }
  Clamp(c);
  window->controls.push_back(c);
  PfG().controls.push_back(c);
  Changed(c);
  return c;
}

void PfControlFree(PfControlRef c) {
  PfGlobals& g = PfG();
  if (c->procId == kPfDataBrowserProc) PfBrowserFree(c);
  if (PfIsLiveWindow(c->window)) {
    auto& wc = c->window->controls;
    wc.erase(std::remove(wc.begin(), wc.end(), c), wc.end());
    if (PfDialogRef d = c->window->dialog) {
      for (PfDialogItemRec& item : d->items)
        if (item.control == c) item.control = nullptr;
    }
    for (PfListRef l : c->window->lists)
      if (l->vScroll == c) l->vScroll = nullptr;
  }
  g.controls.erase(std::remove(g.controls.begin(), g.controls.end(), c), g.controls.end());
  delete c;
}

void PfDisposeControl(PfControlRef control) {
  if (Live(control)) PfControlFree(control);
}

bool PfIsValidControl(PfControlRef control) { return Live(control); }
int32_t PfLiveControlCount() { return (int32_t)PfG().controls.size(); }
PfWindowRef PfGetControlOwner(PfControlRef control) { return Live(control) ? control->window : nullptr; }
int16_t PfGetControlProcId(PfControlRef control) { return Live(control) ? control->procId : -1; }

int32_t PfGetControlValue(PfControlRef control) { return Live(control) ? control->value : 0; }

void PfSetControlValue(PfControlRef control, int32_t value) {
  if (!Live(control)) return;
  SyncPopupMaximum(control);
  control->value = value;
  Clamp(control);
  Changed(control);
}

int32_t PfGetControlMinimum(PfControlRef control) { return Live(control) ? control->minimum : 0; }

void PfSetControlMinimum(PfControlRef control, int32_t minimum) {
  if (!Live(control)) return;
  control->minimum = minimum;
  Clamp(control);
  Changed(control);
}

int32_t PfGetControlMaximum(PfControlRef control) {
  if (!Live(control)) return 0;
  return control->maximum;
}

void PfSetControlMaximum(PfControlRef control, int32_t maximum) {
  if (!Live(control)) return;
  control->maximum = maximum;
  Clamp(control);
  Changed(control);
}

void PfHiliteControl(PfControlRef control, int16_t hilite) {
  if (!Live(control)) return;
  control->hilite = hilite;
  Changed(control);
}

int16_t PfGetControlHilite(PfControlRef control) { return Live(control) ? control->hilite : 0; }

void PfActivateControl(PfControlRef control, bool active) {
  if (Live(control) && control->active != active) {
    control->active = active;
    Changed(control);
  }
}

bool PfIsControlActive(PfControlRef control) { return Live(control) && control->active; }

void PfSetControlVisibility(PfControlRef control, bool visible) {
  if (!Live(control) || control->visible == visible) return;
  control->visible = visible;
  PfInvalWindowRect(control->window, control->bounds);
  Changed(control);
}

void PfShowControl(PfControlRef control) { PfSetControlVisibility(control, true); }
void PfHideControl(PfControlRef control) { PfSetControlVisibility(control, false); }
bool PfIsControlVisible(PfControlRef control) { return Live(control) && control->visible; }

void PfGetControlBounds(PfControlRef control, PfRect* bounds) {
  if (bounds) *bounds = Live(control) ? control->bounds : PfSetRect(0, 0, 0, 0);
}

void PfSetControlBounds(PfControlRef control, const PfRect& bounds) {
  if (!Live(control)) return;
  control->bounds = bounds;
  Changed(control);
}

void PfMoveControl(PfControlRef control, int32_t h, int32_t v) {
  if (!Live(control)) return;
  PfRect r = control->bounds;
  PfOffsetRect(&r, h - r.left, v - r.top);
  PfSetControlBounds(control, r);
}

void PfSizeControl(PfControlRef control, int32_t width, int32_t height) {
  if (!Live(control)) return;
  PfRect r = control->bounds;
  r.right = r.left + std::max(0, width);
  r.bottom = r.top + std::max(0, height);
  PfSetControlBounds(control, r);
}

PfErr PfSetControlTitleUTF8(PfControlRef control, const char* titleUTF8) {
  if (!Live(control)) return kPfErrParam;
  control->title = PfCleanUTF8(titleUTF8);
  Changed(control);
  return kPfNoErr;
}

int32_t PfCopyControlTitleUTF8(PfControlRef control, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  if (!Live(control)) {
    buffer[0] = 0;
    return 0;
  }
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, control->title.data(), control->title.size());
}

const char* PfGetControlTitleUTF8(PfControlRef control) { return Live(control) ? control->title.c_str() : ""; }
PfRefCon PfGetControlReference(PfControlRef control) { return Live(control) ? control->refCon : 0; }
void PfSetControlReference(PfControlRef control, PfRefCon refCon) {
  if (Live(control)) control->refCon = refCon;
}

bool PfControlAnswersTag(PfControlRef control, PfFourCC tag) { return Live(control) && Answers(control, tag); }

PfErr PfSetControlData(PfControlRef control, int16_t part, PfFourCC tag, size_t size, const void* data) {
  if (!Live(control)) return kPfErrParam;
  if (!Answers(control, tag)) return kPfErrDataNotSupported;
  if (size && !data) return kPfErrParam;
  if (tag == kPfControlStaticTextTextTag) {
    // Native text is UTF-8; bad bytes are replaced so that the text stays well-formed.
    control->text = PfCleanUTF8((const char*)data, size);
    control->textAsString = false;
  } else if (tag == kPfControlStaticTextCFStringTag) {
    if (size != sizeof(PfStringRef)) return kPfErrParam;
    PfStringRef s;
    std::memcpy(&s, data, sizeof s);
    control->text = s ? PfStringGetUTF8(s) : "";
    control->textAsString = true;
  } else if (tag == kPfControlBevelButtonKindTag || tag == kPfControlBevelButtonBehaviorTag) {
    if (size != sizeof(int16_t)) return kPfErrParam;
    int16_t v;
    std::memcpy(&v, data, sizeof v);
    (tag == kPfControlBevelButtonKindTag ? control->bevelKind : control->bevelBehavior) = v;
  } else if (tag == kPfControlPopupButtonMenuTag) {
    if (size != sizeof(PfMenuRef)) return kPfErrParam;
    std::memcpy(&control->menu, data, sizeof(PfMenuRef));
    SyncPopupMaximum(control);
    Clamp(control);
  } else if (tag == kPfControlPopupButtonMenuIdTag) {
    if (size != sizeof(int16_t)) return kPfErrParam;
    int16_t id;
    std::memcpy(&id, data, sizeof id);
    control->menu = PfGetMenuHandle(id);
    SyncPopupMaximum(control);
    Clamp(control);
  } else if (tag == kPfControlTabInfoTag) {
    if (size != sizeof(SPfTabInfo) || part < 1 || part > (int32_t)control->tabs.size()) return kPfErrInvalidPart;
    std::memcpy(&control->tabs[(size_t)part - 1], data, sizeof(SPfTabInfo));
  }
  PfInvalWindowRect(control->window, control->bounds);
  Changed(control);
  return kPfNoErr;
}

PfErr PfGetControlDataSize(PfControlRef control, int16_t part, PfFourCC tag, size_t* size) {
  if (!Live(control) || !size) return kPfErrParam;
  if (!Answers(control, tag)) return kPfErrDataNotSupported;
  if (tag == kPfControlStaticTextTextTag)
    *size = control->text.size();
  else if (tag == kPfControlStaticTextCFStringTag)
    *size = sizeof(PfStringRef);
  else if (tag == kPfControlBevelButtonKindTag || tag == kPfControlBevelButtonBehaviorTag ||
           tag == kPfControlPopupButtonMenuIdTag)
    *size = sizeof(int16_t);
  else if (tag == kPfControlPopupButtonMenuTag)
    *size = sizeof(PfMenuRef);
  else if (tag == kPfControlTabInfoTag) {
    if (part < 1 || part > (int32_t)control->tabs.size()) return kPfErrInvalidPart;
    *size = sizeof(SPfTabInfo);
  }
  return kPfNoErr;
}

PfErr PfGetControlData(PfControlRef control, int16_t part, PfFourCC tag, size_t bufferSize, void* buffer,
                       size_t* actualSize) {
  size_t need = 0;
  PfErr err = PfGetControlDataSize(control, part, tag, &need);
  if (err) return err;
  if (actualSize) *actualSize = need;
  if (!buffer) return kPfNoErr;
  if (tag == kPfControlStaticTextTextTag) {
    // Text may be read partly.
    size_t n = std::min(bufferSize, need);
    if (n) std::memcpy(buffer, control->text.data(), n);
    return kPfNoErr;
  }
  if (bufferSize < need) return kPfErrParam;
  if (tag == kPfControlStaticTextCFStringTag) {
    PfStringRef s = PfStringCreateWithUTF8(control->text.c_str(), -1);
    std::memcpy(buffer, &s, sizeof s);
  } else if (tag == kPfControlBevelButtonKindTag || tag == kPfControlBevelButtonBehaviorTag) {
    int16_t v = tag == kPfControlBevelButtonKindTag ? control->bevelKind : control->bevelBehavior;
    std::memcpy(buffer, &v, sizeof v);
  } else if (tag == kPfControlPopupButtonMenuTag) {
    std::memcpy(buffer, &control->menu, sizeof(PfMenuRef));
  } else if (tag == kPfControlPopupButtonMenuIdTag) {
    int16_t id = control->menu ? control->menu->id : 0;
    std::memcpy(buffer, &id, sizeof id);
  } else if (tag == kPfControlTabInfoTag) {
    std::memcpy(buffer, &control->tabs[(size_t)part - 1], sizeof(SPfTabInfo));
  }
  return kPfNoErr;
}

PfMenuRef PfGetControlPopupMenu(PfControlRef control) {
  return Live(control) && IsPopup(control) ? control->menu : nullptr;
}

int16_t PfGetControlPopupMenuId(PfControlRef control) {
  PfMenuRef m = PfGetControlPopupMenu(control);
  return m ? m->id : 0;
}

bool PfPopupItemRect(PfControlRef control, int32_t item, PfRect* globalRect) {
  if (!Live(control) || !IsPopup(control) || !control->menu) return false;
  int32_t count = (int32_t)control->menu->items.size();
  if (item < 1 || item > count) return false;
  // The open menu puts the current item over the control.
  int32_t current = std::max(1, control->value);
  PfRect r = control->bounds;
  r.top = control->bounds.top + (item - current) * kPfPopupItemHeight;
  r.bottom = r.top + kPfPopupItemHeight;
  PfPoint tl = PfLocalToGlobal(control->window, PfPoint{r.left, r.top});
  PfOffsetRect(&r, tl.h - r.left, tl.v - r.top);
  *globalRect = r;
  return true;
}

bool PfTabRect(PfControlRef control, int32_t tab, PfRect* localRect) {
  if (!Live(control) || control->procId != kPfTabProc) return false;
  int32_t count = (int32_t)control->tabs.size();
  if (tab < 1 || tab > count) return false;
  int32_t width = PfRectWidth(control->bounds) / count;
  PfRect r = control->bounds;
  r.left = control->bounds.left + (tab - 1) * width;
  r.right = r.left + width;
  r.bottom = r.top + kPfTabHeight;
  *localRect = r;
  return true;
}

int16_t PfFindControl(PfPoint local, PfWindowRef window, PfControlRef* control) {
  if (control) *control = nullptr;
  if (!PfIsLiveWindow(window)) return kPfNoPart;
  for (auto it = window->controls.rbegin(); it != window->controls.rend(); ++it) {
    PfControlRef c = *it;
    if (!c->visible || !PfPtInRect(local, c->bounds)) continue;
    if (control) *control = c;
    if (c->hilite == kPfInactiveHilite) return kPfNoPart;
    switch (c->procId) {
      case kPfCheckBoxProc:
      case kPfRadioButProc:
        return kPfCheckBoxPart;
      case kPfPopupButtonProc:
        return kPfMenuPart;
      case kPfScrollBarProc:
        return kPfIndicatorPart;
      default:
        return kPfButtonPart;
    }
  }
  return kPfNoPart;
}

int16_t PfTrackControl(PfControlRef control, PfPoint local) {
  if (!Live(control) || !control->visible || control->hilite == kPfInactiveHilite) return kPfNoPart;
  PfWindowRef w = control->window;
  PfPoint release = local;
  PfEvent up;
  if (PfTakeMouseUp(&up)) release = PfGlobalToLocal(w, up.where);
  switch (control->procId) {
    case kPfPopupButtonProc: {
      if (!control->menu) return kPfNoPart;
      PfPoint g = PfLocalToGlobal(w, release);
      int32_t count = (int32_t)control->menu->items.size();
      for (int32_t i = 1; i <= count; ++i) {
        PfRect r;
        if (PfPopupItemRect(control, i, &r) && PfPtInRect(g, r)) {
          if (!control->menu->items[(size_t)i - 1].enabled) return kPfNoPart;
          PfSetControlValue(control, i);
          return kPfMenuPart;
        }
      }
      return kPfNoPart;
    }
    case kPfTabProc: {
      for (int32_t i = 1; i <= (int32_t)control->tabs.size(); ++i) {
        PfRect r;
        if (PfTabRect(control, i, &r) && PfPtInRect(release, r) && PfPtInRect(local, r)) {
          PfSetControlValue(control, i);
          return (int16_t)i;
        }
      }
      return kPfNoPart;
    }
    case kPfScrollBarProc: {
      const PfRect& b = control->bounds;
      if (!PfPtInRect(release, b)) return kPfNoPart;
      int16_t part;
      int32_t step;
      if (release.v < b.top + 16) {
        part = kPfUpButtonPart;
        step = -1;
      } else if (release.v >= b.bottom - 16) {
        part = kPfDownButtonPart;
        step = 1;
      } else if (release.v < b.top + PfRectHeight(b) / 2) {
        part = kPfPageUpPart;
        step = -10;
      } else {
        part = kPfPageDownPart;
        step = 10;
      }
      PfSetControlValue(control, control->value + step);
      return part;
    }
    case kPfDataBrowserProc:
      return PfBrowserTrack(control, local) ? kPfButtonPart : kPfNoPart;
    default:
      if (!PfPtInRect(release, control->bounds)) return kPfNoPart;
      return (control->procId == kPfCheckBoxProc || control->procId == kPfRadioButProc) ? kPfCheckBoxPart
                                                                                        : kPfButtonPart;
  }
}

int32_t PfCountControls(PfWindowRef window) { return PfIsLiveWindow(window) ? (int32_t)window->controls.size() : 0; }

PfControlRef PfGetIndexedControl(PfWindowRef window, int32_t index) {
  if (!PfIsLiveWindow(window) || index < 0 || index >= (int32_t)window->controls.size()) return nullptr;
  return window->controls[(size_t)index];
}

void PfDrawOneControl(PfControlRef control) {
  if (!Live(control) || !control->visible) return;
  PfWindowRef saved = PfGetPort();
  PfSetPort(control->window);
  const PfRect& b = control->bounds;
  PfFontInfo fi;
  PfFontGetInfo(kPfSystemFont, &fi);
  int32_t baseline = b.top + (PfRectHeight(b) + fi.ascent - fi.descent) / 2;
  switch (control->procId) {
    case kPfStaticTextProc:
      PfDrawTextUTF8(b.left, b.top + fi.ascent, control->text.c_str(), -1);
      break;
    case kPfCheckBoxProc:
    case kPfRadioButProc: {
      PfRect box = PfSetRect(b.left, b.top, b.left + 12, b.top + 12);
      PfFrameRect(box);
      if (control->value) {
        PfInsetRect(&box, 3, 3);
        PfPaintRect(box);
      }
      PfDrawTextUTF8(b.left + 16, baseline, control->title.c_str(), -1);
      break;
    }
    case kPfPopupButtonProc: {
      PfFrameRoundRect(b, 6, 6);
      const char* text = "";
      if (control->menu && control->value >= 1 && control->value <= (int32_t)control->menu->items.size())
        text = control->menu->items[(size_t)control->value - 1].text.c_str();
      PfDrawTextUTF8(b.left + 8, baseline, text, -1);
      break;
    }
    case kPfTabProc:
      for (int32_t i = 1; i <= (int32_t)control->tabs.size(); ++i) {
        PfRect r;
        PfTabRect(control, i, &r);
        PfFrameRect(r);
        PfDrawTextUTF8(r.left + 6, r.top + fi.ascent + 4, control->tabs[(size_t)i - 1].nameUTF8, -1);
      }
      break;
    case kPfDataBrowserProc:
      PfBrowserDraw(control);
      break;
    case kPfUserPaneProc:
      break;
    default:
      if (control->procId == kPfBevelButtonProc && control->bevelKind == 15)
        PfFrameRoundRect(b, 8, 8);
      else
        PfFrameRect(b);
      PfDrawTextUTF8(b.left + 8, baseline, control->title.c_str(), -1);
      if (control->hilite == kPfButtonPart || (control->procId == kPfBevelButtonProc && control->value))
        PfInvertRect(b, false);
      break;
  }
  PfSetPort(saved);
}

void PfDrawControls(PfWindowRef window) {
  if (!PfIsLiveWindow(window)) return;
  std::vector<PfControlRef> cs = window->controls;
  for (PfControlRef c : cs) PfDrawOneControl(c);
}

PfErr PfSetControlHelpTagUTF8(PfControlRef control, const char* textUTF8, EPfHelpTagSide side) {
  if (!Live(control)) return kPfErrParam;
  if (!textUTF8) {
    control->hasHelpTag = false;
    control->helpTag.clear();
    return kPfNoErr;
  }
  if (!PfUTF8IsValid(textUTF8, std::strlen(textUTF8))) return kPfErrParam;
  control->helpTag = textUTF8;
  control->hasHelpTag = true;
  control->helpSide = side;
  return kPfNoErr;
}

const char* PfGetControlHelpTagUTF8(PfControlRef control) {
  return Live(control) && control->hasHelpTag ? control->helpTag.c_str() : nullptr;
}

PfErr PfSetControlPropertyPtr(PfControlRef control, PfFourCC creator, PfFourCC tag, void* pointer) {
  if (!Live(control)) return kPfErrParam;
  control->properties[{creator, tag}] = pointer;
  return kPfNoErr;
}

void* PfGetControlPropertyPtr(PfControlRef control, PfFourCC creator, PfFourCC tag) {
  if (!Live(control)) return nullptr;
  auto it = control->properties.find({creator, tag});
  return it == control->properties.end() ? nullptr : it->second;
}

PfErr PfRemoveControlProperty(PfControlRef control, PfFourCC creator, PfFourCC tag) {
  if (!Live(control)) return kPfErrParam;
  return control->properties.erase({creator, tag}) ? kPfNoErr : kPfErrPropertyNotFound;
}
