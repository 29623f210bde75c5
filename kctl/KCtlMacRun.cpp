// The Mac layer's running half: control ids, the platform item list, the
// dialog window and its items at initialisation, and the modal and modeless
// runs through the dialog trace.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"
#include "kctl/KCtlAutomation.h"
#include "kctl/KCtlLayout.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"

namespace {

// How many platform items an element takes, and of which shape.
enum ETemplateClass { kClassText, kClassEdit, kClassResource, kClassEmpty, kClassEmptyList, kClassGroup, kClassSplit,
                      kClassNone };

SKCtlElemInfo* Info(SKCtlData* data, SKCtlElem* e) { return KCtlElemFindInfo(data, e); }

bool TallBox(SKCtlData* data, SKCtlElem* e) {
  return (e->type == kKCtlCheckBox || e->type == kKCtlRadioButton) &&
         Info(data, e)->h > KCtlMacThemeMetric(kKCtlThemeBoxHeight);
}

bool BevelRadio(const SKCtlElem* e) {
  return e->type == kKCtlRadioButton && (e->flags & kKCtlFlagBevelRadio) && MacIsUnderOSX();
}

ETemplateClass ClassOf(SKCtlData* data, SKCtlElem* e) {
  switch (e->type) {
    case kKCtlStaticText:
    case kKCtlPushButton:
      return kClassText;
    case kKCtlCheckBox:
    case kKCtlRadioButton:
      return (TallBox(data, e) && !BevelRadio(e)) ? kClassSplit : kClassText;
    case kKCtlEditText:
      return kClassEdit;
    case kKCtlIcon:
    case kKCtlPicture:
      return (e->flags & kKCtlFlagImageOrSmall) ? kClassEmpty : kClassResource;
    case kKCtlPulldown:
    case kKCtlListBox:
    case kKCtlTree:
    case kKCtlFiller:
      return kClassEmptyList;
    case kKCtlGroupBox:
      return kClassGroup;
    case kKCtlContainer:
    case kKCtlUserPane:
    case kKCtlSpecial:  // hears its message from the engine, shows nothing
      return kClassNone;
    default:
      return kClassEmpty;
  }
}

uint8_t KindOf(const SKCtlElem* e) {
  switch (e->type) {
    case kKCtlStaticText:
      return kPfStaticTextItem;
    case kKCtlEditText:
      return kPfEditTextItem;
    case kKCtlPushButton:
      return kPfButtonItem;
    case kKCtlCheckBox:
      return kPfCheckBoxItem;
    case kKCtlRadioButton:
      return BevelRadio(e) ? kPfButtonItem : kPfRadioItem;
    case kKCtlIcon:
      return (e->flags & kKCtlFlagImageOrSmall) ? kPfUserItem : kPfIconItem;
    case kKCtlPicture:
      return (e->flags & kKCtlFlagImageOrSmall) ? kPfUserItem : kPfPictureItem;
    case kKCtlGroupBox:
      return kPfUserItem | kPfItemDisableBit;
    default:
      return kPfUserItem;
  }
}

const char* TextOf(SKCtlData* data, SKCtlElem* e) {
  SKCtlElemInfo* i = Info(data, e);
  if (i->prefText) return i->prefText;
  return e->text ? e->text : "";
}

bool Plain7Bit(const char* s) {
  for (; *s; ++s)
    if ((unsigned char)*s >= 0x80) return false;
  return true;
}

constexpr size_t kGroupLabelBytes = 252;

// The bytes of an element's text the item list holds: whole characters only.
size_t ItemTextLength(const char* text) { return CutLengthUTF8(text, std::strlen(text), kPfItemTextLimit); }

std::string GroupLabel(SKCtlData* data, SKCtlElem* e) {
  std::string label = TextOf(data, e);
  if (label.empty()) return label;
  CutUTF8(label, kGroupLabelBytes);
  return label + " ";
}

// Bytes and items an element adds to the item list.
void Measure(SKCtlData* data, SKCtlElem* e, size_t* bytes, ASInt32* items) {
  switch (ClassOf(data, e)) {
    case kClassText: {
      size_t n = ItemTextLength(TextOf(data, e));
      *bytes += PfItemListItemSize((uint8_t)n);
      *items += 1;
      break;
    }
    case kClassResource:
      *bytes += PfItemListItemSize(2);
      *items += 1;
      break;
    case kClassEdit:
    case kClassEmpty:
    case kClassEmptyList:
      *bytes += PfItemListItemSize(0);
      *items += 1;
      break;
    case kClassGroup:
      *bytes += PfItemListItemSize(0) + PfItemListItemSize((uint8_t)GroupLabel(data, e).size());
      *items += 2;
      break;
    case kClassSplit:
      *bytes += 2 * PfItemListItemSize(0);
      *items += 2;
      break;
    case kClassNone:
      break;
  }
}

template <typename F>
void ForTree(SKCtlElem* first, F&& f) {
  for (SKCtlElem* e = first; e; e = e->nextSibling) {
    f(e);
    ForTree(e->firstChild, f);
  }
}

SKCtlElem* FirstWithRole(SKCtlElem* root, ASUns32 role) {
  SKCtlElem* found = nullptr;
  ForTree(root, [&](SKCtlElem* e) {
    if (!found && e->type == kKCtlPushButton && (e->flags & role)) found = e;
  });
  return found;
}

struct ItemWriter {
  SKCtlData* data;
  uint8_t* base;
  size_t at;

  void Write(uint8_t kind, const PfRect& r, const void* bytes, size_t length) {
    at += PfItemListWriteItem(base + at, kind, r, bytes, (uint8_t)length);
    ++data->itemCounter;
  }
};

PfRect RectOf(const SKCtlElemInfo* i) { return PfSetRect(i->x, i->y, i->x + i->w, i->y + i->h); }

void Fill(ItemWriter* w, SKCtlElem* e) {
  SKCtlData* data = w->data;
  SKCtlElemInfo* info = Info(data, e);
  ETemplateClass cls = ClassOf(data, e);
  if (cls == kClassNone || info->generated) return;
  if (e->type == kKCtlGroupBox && MacIsUnderOSX()) {
    // Static texts drawn over frames are made controls at initialisation.
    for (SKCtlElem* s = data->dialog->chainFirst; s; s = s->nextInChain)
      if (s->type == kKCtlStaticText) Info(data, s)->textAtInit = 1;
  }
  const char* text = TextOf(data, e);
  if (text[0] == '!' && text[1] == '[') info->textAtInit = 1;
  PfRect r = RectOf(info);
  if (e->type == kKCtlEditText) PfInsetRect(&r, 3, 3);
  info->generated = 1;
  info->itemIndex = data->itemCounter + 1;
  switch (cls) {
    case kClassText: {
      size_t n = std::strlen(text);
      if (n >= 256 || !Plain7Bit(text)) info->textAtInit = 1;
      w->Write(KindOf(e), r, text, ItemTextLength(text));
      break;
    }
    case kClassResource: {
      uint8_t id[2] = {(uint8_t)((ASUns32)e->resourceId >> 8), (uint8_t)e->resourceId};
      w->Write(KindOf(e), r, id, 2);
      break;
    }
    case kClassGroup: {
      PfRect frame = r;
      frame.top += 12;
      w->Write(KindOf(e), frame, nullptr, 0);
      std::string label = GroupLabel(data, e);
      if (label.empty()) {
        PfRect empty = r;
        PfOffsetRect(&empty, 8192, 0);
        w->Write(kPfUserItem, empty, nullptr, 0);
      } else {
        if (!Plain7Bit(label.c_str())) info->textAtInit = 1;
        ASInt32 lw = 0, lh = 0;
        GetMacTextMetricsSingleLine(data->textMetric, label.c_str(), kKCtlMeasureText, &lw, &lh);
        w->Write(kPfStaticTextItem, PfSetRect(info->x + 10, info->y, info->x + 10 + lw, info->y + lh),
                 label.data(), label.size());
      }
      break;
    }
    case kClassSplit: {
      ASInt32 box = KCtlMacThemeMetric(kKCtlThemeBoxWidth) + 2;
      w->Write(KindOf(e), PfSetRect(info->x, info->y, info->x + box, info->y + KCtlMacThemeMetric(kKCtlThemeBoxHeight)),
               nullptr, 0);
      w->Write(kPfStaticTextItem, PfSetRect(info->x + box, info->y, info->x + info->w, info->y + info->h), nullptr,
               0);
      info->textAtInit = 1;
      break;
    }
    default:
      w->Write(KindOf(e), r, nullptr, 0);
      break;
  }
}

void SetTextOn(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* e, const char* utf8) {
  SKCtlElemInfo* i = Info(data, e);
  ASInt32 id = KCtlPlatformGetElemControlId(data, e);
  if (i->labelId >= 1) {
    if (ClassOf(data, e) == kClassSplit) MacDialogSetItemTextUTF8(info, id, utf8);
    MacDialogSetItemTextUTF8(info, i->labelId, utf8);
  } else {
    MacDialogSetItemTextUTF8(info, id, utf8);
  }
}

// Frees a run whose window was never made, as its destruction would have.
void AbandonRun(SKCtlData* data) {
  if (!KCtlMacRunPending(data, 0)) return;
  SKCtlDialog* description = data->dialog;
  ASUns32 flags = description ? description->flags : 0;
  if ((flags & kKCtlDialogDestroyExportCab) && data->exportCab) {
    KCabDestroy(data->exportCab);
    data->exportCab = nullptr;
  }
  if (flags & kKCtlDialogFreeData) KCtlDestroyData(data);
  if (flags & kKCtlDialogFreeDescription) KCtlDestroyDialog(description);
}

SDialogTrace* PrepareRun(SKCtlData* data, ASBool modal) {
  SDialogTrace* trace = NewDialogTraceForKCtl(data);
  DURING
    data->modal = modal;
    KCtlDataInitPlatform(nullptr, data);
    KCtlDialogSizeCalculations(data, 0, 0);
    KCtlMacCreateItemList(data);
    KCtlMacRunPending(data, 1);
  HANDLER
    DestroyDialogTrace(trace);
    RERAISE();
  END_HANDLER
  return trace;
}

// The item of the element exported under key; "key=value" names the radio
// button of that group that stores the value.
int16_t ItemForKey(PfDialogRef dialog, const char* key) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  SKCtlData* data = KCtlDataForDialog(info);
  if (!data || !data->dialog || !key) return 0;
  auto itemOf = [&](SKCtlElem* e) -> int16_t {
    ASInt32 index = MapControlIdToInternal(info, KCtlPlatformGetElemControlId(data, e));
    return index >= 1 && index <= PfCountDialogItems(dialog) ? (int16_t)index : 0;
  };
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
    if (e->exportRec && e->exportRec->key && std::strcmp(e->exportRec->key, key) == 0) return itemOf(e);
  const char* eq = std::strchr(key, '=');
  if (!eq) return 0;
  std::string name(key, (size_t)(eq - key));
  const char* value = eq + 1;
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    SKCtlExport* ex = e->exportRec;
    if (e->type != kKCtlRadioButton || !ex || !ex->key || name != ex->key) continue;
    bool match = ex->kind == kKCtlExportBoolean
                     ? (std::strcmp(value, ex->param1 ? "true" : "false") == 0)
                     : (ex->param1 != 0 && std::strcmp(ASAtomGetString((ASAtom)ex->param1), value) == 0);
    if (match) return itemOf(e);
  }
  return 0;
}

}  // namespace

// ---- Ids and items

ASInt32 KCtlPlatformGetElemControlId(SKCtlData* data, SKCtlElem* elem) {
  if (!elem) return -1;
  if (data) {
    SKCtlElemInfo* i = Info(data, elem);
    if (i->generatedId >= 1) return i->generatedId;
  }
  return elem->controlId;
}

SKCtlElem* KCtlPlatformGetElemFromControlId(SKCtlData* data, ASInt32 id) {
  if (!data || !data->dialog || id < 1) return nullptr;
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
    if (KCtlPlatformGetElemControlId(data, e) == id) return e;
  return nullptr;
}

void KCtlMacSetControlIdsForList(SKCtlData* data) {
  // Ids 1 and 2 stay the OK and Cancel roles even when no button takes them:
  // the platform reports its cancel keys as id 2.
  ASInt32 next = kMacCancelId;
  ForTree(data->dialog->root, [&](SKCtlElem* e) { next = std::max(next, KCtlPlatformGetElemControlId(data, e)); });
  ++next;
  ForTree(data->dialog->root, [&](SKCtlElem* e) {
    SKCtlElemInfo* i = Info(data, e);
    if (i->generatedId < 1 && e->controlId < 1) {
      i->generatedId = next;
      if (e->type == kKCtlPicture && (e->flags & kKCtlFlagImageOrSmall)) e->controlId = (ASInt16)next;
      ++next;
    }
    if (i->labelId < 1 && (e->type == kKCtlGroupBox || ClassOf(data, e) == kClassSplit)) i->labelId = next++;
  });
}

void KCtlMacCreateItemList(SKCtlData* data) {
  SKCtlElem* root = data->dialog->root;
  size_t bytes = 2;
  ASInt32 items = 0;
  ForTree(root, [&](SKCtlElem* e) { Measure(data, e, &bytes, &items); });
  SKCtlElem* ok = FirstWithRole(root, kKCtlFlagOK);
  SKCtlElem* cancel = FirstWithRole(root, kKCtlFlagCancel);
  if (!ok) {
    bytes += PfItemListItemSize(0);
    ++items;
  }
  if (!cancel) {
    bytes += PfItemListItemSize(0);
    ++items;
  }
  ForTree(root, [&](SKCtlElem* e) {
    SKCtlElemInfo* i = Info(data, e);
    i->generated = 0;
    i->itemIndex = 0;
    ASfree(i->prefText);
    i->prefText = nullptr;
    i->labelId = 0;
    i->textAtInit = 0;
  });
  data->itemCounter = 0;
  if (data->itemList) PfDisposeHandle(static_cast<PfHandle>(data->itemList));
  PfHandle h = PfNewHandleClear(bytes);
  data->itemList = h;
  uint8_t* base = PfHandleData(h);
  base[0] = (uint8_t)((ASUns32)(items - 1) >> 8);
  base[1] = (uint8_t)(items - 1);
  ItemWriter w{data, base, 2};
  // Items 1 and 2 are the default and cancel roles of the engine.
  for (SKCtlElem* role : {ok, cancel}) {
    if (role)
      Fill(&w, role);
    else
      w.Write(kPfUserItem, PfSetRect(0, 0, 0, 0), nullptr, 0);
  }
  // Every element counted above is written, group boxes last.
  ForTree(root, [&](SKCtlElem* e) {
    if (e->type != kKCtlGroupBox) Fill(&w, e);
  });
  ForTree(root, [&](SKCtlElem* e) {
    if (e->type == kKCtlGroupBox) Fill(&w, e);
  });
}

void KCtlMacWMInitForList(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* first) {
  ForTree(first, [&](SKCtlElem* e) {
    SKCtlElemInfo* i = Info(data, e);
    ASInt32 id = KCtlPlatformGetElemControlId(data, e);
    if (i->textAtInit) SetTextOn(info, data, e, KCtlGetUnescapedString(TextOf(data, e)));
    if (e->type == kKCtlGroupBox) MacFrameCreateWithGroupLabelControl(info, id, i->labelId);
    if (e->type == kKCtlPulldown) {
      MacMenuUpdateStart(info, id);
      MacMenuClear(info, id);
      MacMenuUpdateComplete(info, id);
    }
    if (MacIsUnderOSX()) {
      bool bevel = false;
      if (e->type == kKCtlPushButton && (e->flags & kKCtlFlagImageOrSmall))
        bevel = (e->flags & kKCtlFlagStoreAlways) ? MacButtonMakeRoundedBevel(info, id) : MacButtonMakeBevel(info, id);
      else if (BevelRadio(e))
        bevel = MacButtonMakeBevel(info, id);
      if (bevel) MacDialogSetItemTextUTF8(info, id, KCtlGetUnescapedString(TextOf(data, e)));
    }
  });
}

// ---- Controls

void KCtlPlatformShowOrHideSingleControl(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, ASBool show) {
  if (!info || !elem || elem->type == kKCtlContainer || elem->type == kKCtlUserPane) return;
  MacControlShowIf(info, KCtlPlatformGetElemControlId(data, elem), show);
  if (Info(data, elem)->labelId >= 1) MacControlShowIf(info, Info(data, elem)->labelId, show);
}

void KCtlPlatformEnableOrDisableSingleControl(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem,
                                              ASBool enable) {
  if (!info || !elem || elem->type == kKCtlContainer || elem->type == kKCtlUserPane) return;
  MacControlEnableIf(info, KCtlPlatformGetElemControlId(data, elem), enable);
  if (Info(data, elem)->labelId >= 1) MacControlEnableIf(info, Info(data, elem)->labelId, enable);
}

void KCtlPlatformEnableToolTipForElem(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, ASBool) {
  if (!info || !elem) return;
  if (const char* text = KCtlGetTooltipForElem(data, elem))
    MacSetToolTipUtf8(info, KCtlPlatformGetElemControlId(data, elem), text);
}

void KCtlPlatformSetControlText(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* elem, const char* utf8) {
  if (!info || !elem) return;
  SetTextOn(info, data, elem, utf8 ? utf8 : "");
}

void KCtlGetElemLiveSizePlatform(SMacDialogInfo* info, SKCtlElem* elem, ASInt32* width, ASInt32* height) {
  *width = 0;
  *height = 0;
  SKCtlData* data = KCtlDataForDialog(info);
  if (!data || !elem || !PfIsValidDialog(info->dialog)) return;
  ASInt32 index = Info(data, elem)->itemIndex;
  PfRect r;
  if (index < 1 || !PfGetDialogItemRect(info->dialog, (int16_t)index, &r)) return;
  if (PfControlRef c = PfGetDialogItemControl(info->dialog, (int16_t)index)) PfGetControlBounds(c, &r);
  *width = PfRectWidth(r);
  *height = PfRectHeight(r);
}

void KCtlGetMaxDialogSizePlatform(ASInt32* width, ASInt32* height) {
  PfRect r = MacGetScreenBoundsForActiveAVDoc();
  *width = PfRectWidth(r) - 20;
  *height = PfRectHeight(r) - 30;
}

// ---- The filter and the runs

ASInt32 KCtlMacDialogFilter(SMacDialogInfo* info, ASUns32 message, ASInt32, SMacControlHitInfo* hit) {
  SKCtlData* data = info ? static_cast<SKCtlData*>(info->userData) : nullptr;
  if (!data || !data->dialog) return 0;
  if (message == kMacDlgCreate) {
    PfDialogRef* slot = reinterpret_cast<PfDialogRef*>(hit);
    if (!slot) return 0;
    PfRect bounds = PfSetRect(100, 100, 100 + data->width + 2 * kKCtlLayoutOrigin,
                              100 + data->height + 2 * kKCtlLayoutOrigin);
    PfHandle items = static_cast<PfHandle>(data->itemList);
    data->itemList = nullptr;
    uint32_t flags = (data->dialog->flags & kKCtlDialogPlainBackground) ? kPfDialogPlainBackground
                                                                         : kPfDialogThemeBackground;
    bool modal = data->modal != 0;
    *slot = PfNewDialog(bounds, data->dialog->title ? data->dialog->title : "", false,
                        modal ? kPfMovableModalProc : kPfNoGrowDocProc, true, !modal, 0, items, flags);
    if (*slot) KCtlMacRunPending(data, 0);
    return 1;
  }
  if (message == kMacDlgInit) {
    // The engine names items by control id; KCtl dialogs also by export key.
    static const SPfDriverResolver resolver = {MacDriverItemForId, MacDriverIdForItem, ItemForKey};
    PfDriverSetResolver(&resolver);
    KCtlMacSetControlIdsForList(data);
    MacInitDialogControlMap(info, data->itemCounter);
    for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
      SKCtlElemInfo* i = Info(data, e);
      if (i->itemIndex < 1) continue;
      MacDialogControlMapSetMapping(info, KCtlPlatformGetElemControlId(data, e), i->itemIndex);
      if (i->labelId >= 1) MacDialogControlMapSetMapping(info, i->labelId, i->itemIndex + 1);
    }
    if (data->dialog->title && !Plain7Bit(data->dialog->title)) MacDialogSetCaptionUTF8(info, data->dialog->title);
    KCtlMacWMInitForList(info, data, data->dialog->root);
    KCtlAutomationDialogStarted(info);
    return 1;
  }
  return 0;
}

ASInt32 KCtlPlatformTestModal(SKCtlData* data, MacDialogProc dialogProc) {
  SDialogTrace* trace = PrepareRun(data, 1);
  ASInt32 result = DialogTraceMacRunModalDialogWithFilter(trace, dialogProc, KCtlMacDialogFilter, data, 1);
  AbandonRun(data);
  return result;
}

SMacDialogInfo* KCtlPlatformTestModeless(SKCtlData* data, MacDialogProc dialogProc) {
  SDialogTrace* trace = PrepareRun(data, 0);
  SMacDialogInfo* info = DialogTraceMacStartModelessDialogWithFilter(trace, dialogProc, KCtlMacDialogFilter, data, 1);
  if (!info) AbandonRun(data);
  return info;
}

namespace {

// The run data of a self-freeing description on the cabinets; the
// description goes when making them fails.
SKCtlData* NewSelfFreeingRun(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab, const ASBool* interactive) {
  SKCtlData* data = nullptr;
  DURING
    data = KCtlCreateData(dialog);
    KCtlDataSetExportCab(data, exportCab, posCab);
    if (interactive) KCabPutBool(data->ownCab, "Interactive", *interactive);
  HANDLER
    if (data) KCtlDestroyData(data);
    KCtlDestroyDialog(dialog);
    RERAISE();
  END_HANDLER
  return data;
}

}  // namespace

ASInt32 KCtlPlatformRunModal(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab, MacDialogProc dialogProc) {
  return KCtlPlatformTestModal(NewSelfFreeingRun(dialog, exportCab, posCab, nullptr), dialogProc);
}

ASInt32 KCtlPlatformRunModalInteractive(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab,
                                        MacDialogProc dialogProc, ASBool interactive) {
  return KCtlPlatformTestModal(NewSelfFreeingRun(dialog, exportCab, posCab, &interactive), dialogProc);
}

SMacDialogInfo* KCtlPlatformRunModeless(SKCtlDialog* dialog, SKCab* exportCab, SKCab* posCab,
                                        MacDialogProc dialogProc) {
  return KCtlPlatformTestModeless(NewSelfFreeingRun(dialog, exportCab, posCab, nullptr), dialogProc);
}
