// Stock controls: buttons, numeric fields with their export procedures,
// prompt rows, radio groups, the folder chooser, the first page scope, tab
// strips and the information line.
#include "foundation/TextCut.h"
#include "foundation/Atom.h"
#include "foundation/Msg.h"
#include "kctl/KCtlStock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/RunCab.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlLayout.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/DialogHelpers.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "pdftools/PageUnits.h"
#include "platform/Pf.h"

namespace {

constexpr ASInt32 kUnitTraceKey = 4;
constexpr size_t kRealTextBytes = 30;
constexpr size_t kRangeTextBytes = 1000;
constexpr ASInt32 kNoDocPageCount = 999999;

// Elements that export under a caller's key keep their own copy of it.
SKCtlElem* Add(SKCtlDialog* d, ASInt32 type, ASUns32 flags, ASInt16 id, const char* text, SKCtlElem* parent) {
  return KCtlAddNewElement(d, type, flags, id, text, parent);
}
SKCtlElem* AddKeyed(SKCtlDialog* d, ASInt32 type, ASUns32 flags, ASInt16 id, const char* text, SKCtlElem* parent) {
  return KCtlAddNewElement(d, type, flags | kKCtlFlagOwnsKey, id, text, parent);
}

std::string ReadText(SMacDialogInfo* dialog, ASInt32 id, size_t bytes) {
  std::vector<char> buffer(bytes + 1, 0);
  if (dialog) MacDialogGetItemTextUTF8(dialog, id, buffer.data(), (ASInt32)buffer.size());
  return buffer.data();
}

bool ParseNumber(const std::string& text, double* value) {
  double v = 0;
  if (!StringToFloat(text.c_str(), &v) || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool IsVerify(ASInt32 kind) { return kind == kKCtlExportVerify || kind == kKCtlExportVerifyReport; }

// ---- Export procedures of the numeric fields

EKCtlExportCallBackReturn PercentExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                        const char* key, void*) {
  if (kind == kKCtlExportLoad) {
    double v = KCabGetNumber(cab, key, 1.0);
    if (v != kKCtlNoNumber && dialog) SetControlTextFromDouble4p(dialog, id, v * 100.0);
  } else if (kind == kKCtlExportStore) {
    double v;
    if (ParseNumber(ReadText(dialog, id, kRealTextBytes), &v)) KCabPutDouble(cab, key, v * 0.01);
  } else if (IsVerify(kind)) {
    double v;
    return ParseNumber(ReadText(dialog, id, kRealTextBytes), &v) ? 0 : 1;
  }
  return 0;
}

EKCtlExportCallBackReturn PageUnitExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                         const char* key, void*) {
  if (kind == kKCtlExportLoad) {
    double v = KCabGetNumber(cab, key, kKCtlNoNumber);
    if (v != kKCtlNoNumber && dialog)
      SetControlTextFromDouble4p(dialog, id, ConvertPointsToPageDim2(v, KCtlStockDialogPageUnits(dialog)));
  } else if (kind == kKCtlExportStore) {
    double v;
    if (ParseNumber(ReadText(dialog, id, kRealTextBytes), &v))
      KCabPutDouble(cab, key, ConvertPageDimToPoints2(v, KCtlStockDialogPageUnits(dialog)));
  } else if (IsVerify(kind)) {
    double v;
    return ParseNumber(ReadText(dialog, id, kRealTextBytes), &v) ? 0 : 1;
  }
  return 0;
}

struct SUnitListInfo {
  ASInt32 first;
  ASInt32 count;
};

// The text as a list of at most count values ("," counts as a decimal point).
bool ReadUnitList(const std::string& text, ASInt32 count, std::vector<double>* values) {
  std::string t = text;
  for (char& c : t)
    if (c == ',') c = '.';
  SKCab* tmp = KCabNewInner();
  bool ok = false;
  DURING
    KCabPutStringCopy(tmp, "v", t.c_str());
    values->assign((size_t)count, 0.0);
    ASInt32 got = 0;
    ok = count > 0 && KCabGetDoubleArray(tmp, "v", values->data(), count, &got) != 0;
    values->resize(ok ? (size_t)got : 0);
    for (double v : *values)
      if (!std::isfinite(v)) ok = false;
  HANDLER
    KCabDestroy(tmp);
    RERAISE();
  END_HANDLER
  KCabDestroy(tmp);
  return ok;
}

EKCtlExportCallBackReturn PageUnitListExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                             const char* key, void* user) {
  auto* info = static_cast<SUnitListInfo*>(user);
  if (kind == kKCtlExportDestroy) {
    ASfree(info);
    return 0;
  }
  ASInt32 count = info ? info->count : 0;
  if (count < 1) return IsVerify(kind) ? 1 : 0;
  if (kind == kKCtlExportLoad) {
    std::vector<double> values((size_t)count, 0.0);
    ASInt32 got = 0;
    KCabGetDoubleArray(cab, key, values.data(), count, &got);
    if (got < 1 || !dialog) return 0;
    ASInt32 units = KCtlStockDialogPageUnits(dialog);
    for (ASInt32 k = 0; k < got; ++k) values[(size_t)k] = ConvertPointsToPageDim2(values[(size_t)k], units);
    SKCab* tmp = KCabNewInner();
    DURING
      KCabPutDoubleArray(tmp, "v", values.data(), got);
      MacDialogSetItemTextUTF8(dialog, id, KCabGetString(tmp, "v"));
    HANDLER
      KCabDestroy(tmp);
      RERAISE();
    END_HANDLER
    KCabDestroy(tmp);
  } else if (kind == kKCtlExportStore) {
    std::vector<double> values;
    if (!ReadUnitList(ReadText(dialog, id, kRealTextBytes * (size_t)count), count, &values)) return 0;
    ASInt32 units = KCtlStockDialogPageUnits(dialog);
    for (double& v : values) v = ConvertPageDimToPoints2(v, units);
    KCabPutDoubleArray(cab, key, values.data(), (ASInt32)values.size());
  } else if (IsVerify(kind)) {
    std::vector<double> values;
    return ReadUnitList(ReadText(dialog, id, kRealTextBytes * (size_t)count), count, &values) ? 0 : 1;
  }
  return 0;
}

EKCtlExportCallBackReturn PageRangeExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                          const char* key, void*) {
  if (kind == kKCtlExportLoad) {
    if (!dialog) return 0;
    if (const char* s = KCabGetString(cab, key)) {
      MacDialogSetItemTextUTF8(dialog, id, s);
    } else {
      char text[24];
      std::snprintf(text, sizeof text, "%ld", (long)KCabGetInt(cab, key, 1));
      MacDialogSetItemTextUTF8(dialog, id, text);
    }
  } else if (kind == kKCtlExportStore) {
    // The whole text decides: "3" is a page number, "3-5" or "last" a text,
    // and a number too large for 32 bits stays text rather than wrapping.
    std::string text = ReadText(dialog, id, kRangeTextBytes);
    ASInt32 v = 0;
    if (KCtlParseInt32(text.c_str(), &v, 1) && v != kKCtlNoRangeInt)
      KCabPutInt(cab, key, v);
    else
      KCabPutStringCopy(cab, key, text.c_str());
  } else if (IsVerify(kind)) {
    ASInt32 page = 0;
    if (ResolveSingleRangeElemString(ReadText(dialog, id, kRangeTextBytes).c_str(), &page, kNoDocPageCount)) return 0;
    if (kind == kKCtlExportVerifyReport && dialog) {
      PfSysBeep();
      MacDialogSelectEditItem(dialog, id);
    }
    return 1;
  }
  return 0;
}

// ---- Actions

ASInt32 CurrentUnitInit(SMacDialogInfo* dialog, ASInt32 id, ASInt32, void*) {
  if (dialog) MacDialogSetItemTextUTF8(dialog, id, PageSizeUnitLongString2(KCtlStockDialogPageUnits(dialog)));
  return kKCtlCallBackGoOn;
}

ASInt32 HiddenUnlessInteractive(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (data) KCtlShowOrHideElem(dialog, data, static_cast<SKCtlElem*>(user), KCtlStockDialogIsInteractive(dialog));
  return kKCtlCallBackGoOn;
}

ASInt32 DisabledUnlessInteractive(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (data)
    KCtlEnableOrDisableElem(dialog, data, static_cast<SKCtlElem*>(user), KCtlStockDialogIsInteractive(dialog));
  return kKCtlCallBackGoOn;
}

ASInt32 DirectoryButton(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void* user) {
  auto* rec = static_cast<SKCab*>(user);
  if (trigger == kKCtlTriggerDescriptionDestroyed) {
    KCabDestroy(rec);
    return kKCtlCallBackGoOn;
  }
  if (trigger != kKCtlTriggerClick || !dialog) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  auto* text = static_cast<SKCtlElem*>(KCabGetPointerNamedType(rec, "E1", "PKCtlElem"));
  if (!data || !text) return kKCtlCallBackGoOn;
  ASInt32 textId = KCtlPlatformGetElemControlId(data, text);
  std::string start = ReadText(dialog, textId, 1000);
  char chosen[1000] = {0};
  if (BrowseToDirectory(dialog, chosen, (ASInt32)sizeof chosen, KCabGetString(rec, "E2"), start.c_str())) {
    chosen[sizeof chosen - 1] = 0;
    KCtlPlatformSetControlText(dialog, data, text, chosen);
  }
  return kKCtlCallBackGoOn;
}

// ---- Tab strips

PfUserItemProc TabDrawProcedure();

SKCab* TabRecord(SKCtlDialog* dialog, ASInt32 tabId) {
  return dialog ? KCabGetCabNumKey(dialog->privateCab, tabId) : nullptr;
}

ASInt32 TabInitialise(SMacDialogInfo* dialog, ASInt32 id, ASInt32, void* user) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !PfIsValidDialog(dialog->dialog)) return kKCtlCallBackGoOn;
  ASInt32 item = MapControlIdToInternal(dialog, id);
  ASInt32 kind = PfGetDialogItemKind(dialog->dialog, (int16_t)item);
  if (kind >= 0 && (kind & 0x7F) == kPfUserItem) PfSetDialogItemProc(dialog->dialog, (int16_t)item, TabDrawProcedure());
  char key[32];
  std::snprintf(key, sizeof key, "TabCab:%d", (int)id);
  KCabPutCab(data->ownCab, key, KCabDup(static_cast<SKCab*>(user)));
  return kKCtlCallBackGoOn;
}

void TabLine(ASInt32 from, ASInt32 to, ASInt32 y) {
  if (to <= from) return;
  for (ASInt32 dy : {0, 2}) {
    PfMoveTo(from, y + dy);
    PfLineTo(to, y + dy);
  }
}

void TabDraw(PfDialogRef d, int16_t item) {
  PfRect frame;
  if (!PfGetDialogItemRect(d, item, &frame) || frame.left > kPfHiddenItemOffset) return;
  if ((PfGetDialogItemKind(d, item) & 0x7F) != kPfUserItem) return;
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(d);
  SKCtlData* data = KCtlDataForDialog(info);
  if (!data) return;
  char key[32];
  std::snprintf(key, sizeof key, "TabCab:%d", (int)MapControlIdFromInternal(info, item));
  SKCab* entries = KCabGetCab(KCabGetCab(data->ownCab, key), "Entries");
  PfPenState pen;
  PfGetPenState(&pen);
  PfRGBColor fore;
  PfGetForeColor(&fore);
  PfPenSize(1, 1);
  PfRGBForeColor(PfRGBColor{0xCCCC, 0xCCCC, 0xCCCC});
  ASInt32 x = frame.left;
  for (long n = 0; entries; ++n) {
    SKCab* entry = KCabGetCabNumKey(entries, n);
    if (!entry) break;
    auto* button = static_cast<SKCtlElem*>(KCabGetPointerNamedType(entry, "KCtlStockTabElem", "PKCtlElem"));
    ASInt32 index = button ? MapControlIdToInternal(info, KCtlPlatformGetElemControlId(data, button)) : 0;
    PfRect r;
    if (index < 1 || !PfGetDialogItemRect(d, (int16_t)index, &r) || r.left > kPfHiddenItemOffset) continue;
    TabLine(x, r.left - 1, frame.top);
    x = r.right;
  }
  TabLine(x, frame.right, frame.top);
  PfSetPenState(&pen);
  PfRGBForeColor(fore);
}

PfUserItemProc TabDrawProcedure() { return TabDraw; }

SKCab* NewPageUnitsList() {
  static const SKCabEnumWord kWords[] = {{0, "inch"}, {1, "mm"}, {2, "point"}, {3, "mm"}, {4, "pica"}, {0, nullptr}};
  SKCab* list = KCabNewInner();
  for (ASInt32 unit = 0; unit <= 4; ++unit)
    KCtlAddListItemToCab(list, PageSizeUnitLongString2(unit), Atom(KCabEkEnumToStringTable(unit, kWords)));
  return list;
}

}  // namespace

// ---- Buttons

SKCtlElem* KCtlStock_OkButton(SKCtlDialog* dialog) {
  return Add(dialog, kKCtlPushButton, 0x8001, 1, Msg("common.button.ok"), nullptr);
}

SKCtlElem* KCtlStock_CancelButton(SKCtlDialog* dialog) {
  return Add(dialog, kKCtlPushButton, 0x8002, 2, Msg("common.button.cancel"), nullptr);
}

// ---- Numeric fields

SKCtlElem* KCtlStock_PercentageAsScaleInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                            const char* key) {
  SKCtlElem* e = AddKeyed(dialog, kKCtlEditText, flags, id, "99999", parent);
  return KCtlSetExportKeyProc(key, PercentExport, nullptr, e);
}

SKCtlElem* KCtlStock_PageUnitInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                   const char* key) {
  SKCtlElem* e = AddKeyed(dialog, kKCtlEditText, flags, id, "99999", parent);
  return KCtlSetExportKeyProc(key, PageUnitExport, nullptr, e);
}

SKCtlElem* KCtlStock_PageUnitListInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt32 first,
                                       ASInt32 count, ASInt16 width, const char* key) {
  SKCtlElem* e = AddKeyed(dialog, kKCtlEditText, flags, -1, "99999", parent);
  KCtlForceElementSize(width, 0, e);
  auto* info = static_cast<SUnitListInfo*>(ASmallocWithException(sizeof(SUnitListInfo)));
  info->first = first;
  info->count = count;
  DURING
    KCtlSetExportKeyProc(key, PageUnitListExport, info, e);
  HANDLER
    ASfree(info);
    RERAISE();
  END_HANDLER
  return e;
}

SKCtlElem* KCtlStock_PageRangeIntOrStringInput(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                               const char* key) {
  SKCtlElem* e = AddKeyed(dialog, kKCtlEditText, flags, id, "999999999", parent);
  return KCtlSetExportKeyProc(key, PageRangeExport, nullptr, e);
}

// ---- Prompt rows

SKCtlElem* KCtlStock_PromptCount(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                 const char* trailer, const char* key, ASInt32 minimum, ASInt32 maximum,
                                 SKCtlElem** edit) {
  SKCtlElem* row = Add(dialog, kKCtlContainer, flags, -1, nullptr, parent);
  if (label && *label) Add(dialog, kKCtlStaticText, 16, -1, label, row);
  SKCtlElem* e = AddKeyed(dialog, kKCtlEditText, 48, -1, "999999", row);
  KCtlSetExportKeyEditInt(key, minimum, maximum, e);
  if (trailer && *trailer) {
    Add(dialog, kKCtlFiller, 16, -1, nullptr, row);
    Add(dialog, kKCtlStaticText, 0, -1, trailer, row);
  } else {
    Add(dialog, kKCtlFiller, 0, -1, nullptr, row);
  }
  if (edit) *edit = e;
  return row;
}

SKCtlElem* KCtlStock_PromptPageCount(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                     const char* key, ASInt32 minimum, ASInt32 maximum, SKCtlElem** edit) {
  return KCtlStock_PromptCount(dialog, flags, parent, label, Msg("common.pages"), key, minimum, maximum, edit);
}

SKCtlElem* KCtlStock_PromptPageUnits(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt16 id,
                                     const char* label, const char* key, SKCtlElem** edit) {
  SKCtlElem* row = Add(dialog, kKCtlContainer, flags, -1, nullptr, parent);
  if (label && *label) Add(dialog, kKCtlStaticText, 16, -1, label, row);
  SKCtlElem* e = KCtlStock_PageUnitInput(dialog, 16, row, id, key);
  KCtlStock_CurrentPageUnitText(dialog, 0, row);
  if (edit) *edit = e;
  return row;
}

SKCtlElem* KCtlStock_Prompt2PageUnits(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label1,
                                      const char* label2, const char* key1, const char* key2, SKCtlElem** edit1,
                                      SKCtlElem** edit2) {
  SKCtlElem* row = Add(dialog, kKCtlContainer, flags, -1, nullptr, parent);
  Add(dialog, kKCtlStaticText, 16, -1, label1 ? label1 : "", row);
  SKCtlElem* e1 = KCtlStock_PageUnitInput(dialog, 16, row, -1, key1);
  Add(dialog, kKCtlStaticText, 16, -1, label2 ? label2 : "", row);
  SKCtlElem* e2 = KCtlStock_PageUnitInput(dialog, 16, row, -1, key2);
  KCtlStock_CurrentPageUnitText(dialog, 0, row);
  if (edit1) *edit1 = e1;
  if (edit2) *edit2 = e2;
  return row;
}

SKCtlElem* KCtlStock_CurrentPageUnitText(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent) {
  SKCtlElem* e = Add(dialog, kKCtlStaticText, flags | kKCtlFlagMinLine, -1, " ", parent);
  KCtlElemSetItemList(PageUnitsListKCab(), e);
  return KCtlSetActionCallback(e, kKCtlTriggerInit, CurrentUnitInit, nullptr);
}

ASInt32 KCtlStockDialogPageUnits(SMacDialogInfo* dialog) {
  SDialogTrace* trace = dialog ? FindDialogTrace(dialog) : nullptr;
  if (!trace) return (ASInt32)CurrentUnits();
  ASInt32 size = 0;
  if (auto* stored = static_cast<ASInt32*>(DialogTraceGetData(trace, kUnitTraceKey, &size)))
    if (size == (ASInt32)sizeof(ASInt32)) return *stored;
  ASInt32 units = (ASInt32)CurrentUnits();
  DialogTraceSetData(trace, kUnitTraceKey, (ASInt32)sizeof units, &units);
  return units;
}

SKCab* PageUnitsListKCab() {
  static SKCab* list = nullptr;
  if (!list) list = NewPageUnitsList();
  return list;
}

// ---- Radio groups

namespace {

struct SRadio {
  const char* message;
  const char* atom;
};

SKCtlElem* RadioRow(SKCtlDialog* dialog, SKCtlElem* parent, const char* key, ASUns32 group, const SRadio* radios,
                    size_t count) {
  SKCtlElem* row = Add(dialog, kKCtlContainer, kKCtlFlagCentre, -1, nullptr, parent);
  for (size_t k = 0; k < count; ++k) {
    ASUns32 flags = k == 0 ? 0x410 : (k + 1 == count ? 0x400000 : 0x10);
    SKCtlElem* r = AddKeyed(dialog, kKCtlRadioButton, flags, -1, Msg(radios[k].message), row);
    KCtlSetExportKeyAtom(key, Atom(radios[k].atom), r);
    KCtlRadioButtonSetGroup(group, r);
  }
  return row;
}

}  // namespace

SKCtlElem* KCtlStock_EvenOdd(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* key) {
  static const SRadio kRadios[] = {
      {"common.evenodd.both", "Both"}, {"common.evenodd.odd", "Odd"}, {"common.evenodd.even", "Even"}};
  ASUns32 group = KCtlDialogNewButtonGroupCode(dialog);
  SKCtlElem* box = Add(dialog, kKCtlGroupBox, flags, -1, "", parent);
  return RadioRow(dialog, box, key, group, kRadios, 3);
}

SKCtlElem* KCtlStock_EdgeRadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key) {
  static const SRadio kRadios[] = {{"common.edge.top", "Top"},
                                   {"common.edge.bottom", "Bottom"},
                                   {"common.edge.left", "Left"},
                                   {"common.edge.right", "Right"}};
  return RadioRow(dialog, parent, key, (ASUns32)Atom(key), kRadios, 4);
}

SKCtlElem* KCtlStock_DirectionRadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key) {
  static const SRadio kRadios[] = {{"common.direction.up", "Up"},
                                   {"common.direction.down", "Down"},
                                   {"common.direction.left", "Left"},
                                   {"common.direction.right", "Right"}};
  return RadioRow(dialog, parent, key, (ASUns32)Atom(key), kRadios, 4);
}

SKCtlElem* KCtlStock_Align6Or9RadioOnly(SKCtlDialog* dialog, SKCtlElem* parent, const char* key, ASBool sixOnly,
                                        ASBool reverse, KCtlActionCallBack callback, void* userData) {
  struct SCell {
    const char* message;
    const char* atom;
    ASUns32 flags;
  };
  static const SCell kTop[] = {
      {"dlg.addnumbers.19", "TL", 0x410}, {"dlg.addnumbers.20", "TC", 0x10}, {"dlg.addnumbers.21", "TR", 0x8}};
  static const SCell kMiddle[] = {
      {"common.edge.left", "L", 0x10}, {"common.align.centre", "C", 0x10}, {"common.edge.right", "R", 0x8}};
  static const SCell kBottom[] = {
      {"dlg.addnumbers.16", "BL", 0x80010}, {"dlg.addnumbers.17", "BC", 0x10}, {"dlg.addnumbers.18", "BR", 0x8}};
  SKCab* names = KCabNewInner();
  DURING
    for (const SCell* row : {kTop, kBottom})
      for (int k = 0; k < 3; ++k) KCtlAddListItemToCab(names, Msg(row[k].message), Atom(row[k].atom));
    if (!sixOnly)
      for (const SCell& c : kMiddle) KCtlAddListItemToCab(names, Msg(c.message), Atom(c.atom));
  HANDLER
    KCabDestroy(names);
    RERAISE();
  END_HANDLER
  SKCtlElem* grid = Add(dialog, kKCtlContainer, 0, -1, nullptr, parent);
  std::vector<const SCell*> rows = {kTop};
  if (!sixOnly) rows.push_back(kMiddle);
  rows.push_back(kBottom);
  if (reverse) std::reverse(rows.begin(), rows.end());
  ASUns32 group = (ASUns32)Atom(key);
  for (const SCell* row : rows) {
    for (int k = 0; k < 3; ++k) {
      // The bottom-left button owns the shared list of names.
      SKCtlElem* r = AddKeyed(dialog, kKCtlRadioButton, row[k].flags, -1, Msg(row[k].message), grid);
      KCtlSetExportKeyAtom(key, Atom(row[k].atom), r);
      KCtlRadioButtonSetGroup(group, r);
      KCtlElemSetItemList(names, r);
      if (callback) KCtlSetActionCallback(r, kKCtlTriggerChecked, callback, userData);
    }
  }
  return grid;
}

// ---- Folder chooser

SKCtlElem* KCtlStock_Directory(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                               const char* prompt, const char* key, ASInt16 id) {
  SKCab* rec = KCabNewInner();
  SKCtlElem* row;
  DURING
    KCabPutStringCopy(rec, "E2", prompt ? prompt : "");
    KCabPutStringCopy(rec, "E3", key ? key : "");
    row = Add(dialog, kKCtlContainer, flags, -1, nullptr, parent);
  HANDLER
    KCabDestroy(rec);
    RERAISE();
  END_HANDLER
  // From here the button's action owns the record (trigger 16 destroys it).
  SKCtlElem* browse = Add(dialog, kKCtlPushButton, 0x210, -1, Msg("common.button.browse"), row);
  KCtlSetActionCallback(browse, kKCtlTriggerAny, DirectoryButton, rec);
  if (label && *label) Add(dialog, kKCtlStaticText, 16, -1, label, row);
  SKCtlElem* path = AddKeyed(dialog, kKCtlStaticText, 0xa00000, id, " ", row);
  KCtlForceElementSize(400, 0, path);
  KCtlSetExportKeyEditString(key, 0, path);
  KCabPutPointerNamedType(rec, "E1", "PKCtlElem", path, nullptr);
  return path;
}

// ---- Interactive runs

ASBool KCtlStockDialogIsInteractive(SMacDialogInfo* dialog) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  return data && data->ownCab ? KCabGetBool(data->ownCab, "Interactive", 1) : 1;
}

void KCtlStock_SetElemHiddenUnlessInteractive(SKCtlDialog*, SKCtlElem* elem) {
  KCtlSetActionCallback(elem, kKCtlTriggerInit, HiddenUnlessInteractive, elem);
}

void KCtlStock_SetElemDisabledUnlessInteractive(SKCtlDialog*, SKCtlElem* elem) {
  KCtlSetActionCallback(elem, kKCtlTriggerInit, DisabledUnlessInteractive, elem);
}

void KCtlStock_SetElemDisabledUnlessPlugin(SKCtlDialog*, SKCtlElem*) {}

// ---- Page scope, first form

SKCtlElem* KCtlStock_PageScope1(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, ASInt32 pageCount, ASInt32,
                                ASInt32, ASInt32 scopeFlags, const char* scopeKey, const char* fromKey,
                                const char* toKey, const char* evenOddKey, SKCtlElem** ofText) {
  SKCtlElem* group = (scopeFlags & kKCtlScopeNoGroupBox)
                         ? Add(dialog, kKCtlContainer, flags, -1, nullptr, parent)
                         : Add(dialog, kKCtlGroupBox, flags, -1, Msg("common.scope.grouptitle"), parent);
  ASUns32 code = KCtlDialogNewButtonGroupCode(dialog);
  enum { kCurrent, kAll, kRange } def = kCurrent;
  if (scopeFlags & kKCtlScopeDefaultAll)
    def = kAll;
  else if (scopeFlags & kKCtlScopeDefaultRange)
    def = kRange;
  else if (scopeFlags & kKCtlScopeNoCurrentPage)
    def = kAll;
  // A default whose button is not built gives way to the first one that is:
  // a group with no button checked would store no scope at all.
  const bool haveCurrent = !(scopeFlags & kKCtlScopeNoCurrentPage), haveAll = !(scopeFlags & kKCtlScopeNoAllDoc);
  if ((def == kCurrent && !haveCurrent) || (def == kAll && !haveAll)) def = haveCurrent ? kCurrent : haveAll ? kAll : kRange;
  auto radio = [&](ASUns32 f, const char* message, const char* atom, bool isDefault) {
    SKCtlElem* r = AddKeyed(dialog, kKCtlRadioButton, f | (isDefault ? (ASUns32)kKCtlFlagChecked : 0u), -1, Msg(message), group);
    KCtlSetExportKeyAtom(scopeKey, Atom(atom), r);
    KCtlRadioButtonSetGroup(code, r);
    return r;
  };
  if (haveCurrent) {
    SKCtlElem* current = radio(0, "common.scope.currentpage", "CurrentPage", def == kCurrent);
    KCtlStock_SetElemDisabledUnlessInteractive(dialog, current);
  }
  if (haveAll) radio(0, "common.scope.file", "AllDoc", def == kAll);
  SKCtlElem* sub = radio(0x10, "common.scope.page.from", "SubDoc", def == kRange);
  SKCtlElem* from = KCtlStock_PageRangeIntOrStringInput(dialog, 16, group, -1, fromKey);
  Add(dialog, kKCtlStaticText, 16, -1, Msg("common.scope.page.to"), group);
  SKCtlElem* of = nullptr;
  SKCtlElem* to;
  if (pageCount >= 1) {
    to = KCtlStock_PageRangeIntOrStringInput(dialog, 16, group, -1, toKey);
    char text[256];
    FormatMessageByKeyUTF8(nullptr, "common.scope.page.of", "of %d", text, sizeof text, "d", (int)pageCount);
    of = Add(dialog, kKCtlStaticText, kKCtlFlagMinLine, -1, text, group);
  } else {
    to = KCtlStock_PageRangeIntOrStringInput(dialog, 0, group, -1, toKey);
  }
  KCtlSetActionEnabledIfCheckedElem(sub, from);
  KCtlSetActionEnabledIfCheckedElem(sub, to);
  KCtlSetActionElem(sub, kKCtlTriggerChecked, kKCtlActionFocus, from);
  if (!(scopeFlags & kKCtlScopeNoEvenOdd)) KCtlStock_EvenOdd(dialog, 0, group, evenOddKey);
  if (ofText) *ofText = of;
  return group;
}

// ---- Tab strips

ASInt32 KCtlStockTabCreate(SKCtlDialog* dialog, SKCtlElem* parent, SKCab* entries, KCtlActionCallBack callback,
                           const char* key, SKCtlElem** row) {
  SKCab* rec = KCabNewInner();
  long id = -1;
  DURING
    KCabPutCab(rec, "Entries", entries);
    ASUns32 group = KCtlDialogNewButtonGroupCode(dialog);
    KCabPutUns(rec, "Group", group);
    // The default tab: the first one unless an entry says otherwise.
    std::vector<SKCab*> tabs;
    for (long n = 0;; ++n) {
      SKCab* entry = KCabGetCabNumKey(entries, n);
      if (!entry) break;
      tabs.push_back(entry);
    }
    bool anyDefault = false;
    for (SKCab* t : tabs) anyDefault = anyDefault || KCabGetBool(t, "D", 0);
    if (!anyDefault && !tabs.empty()) KCabPutBool(tabs[0], "D", 1);
    SKCtlElem* outer = Add(dialog, kKCtlContainer, 0x210000, -1, nullptr, parent);
    SKCtlElem* buttons = Add(dialog, kKCtlContainer, kKCtlFlagCentre, -1, nullptr, outer);
    for (size_t k = 0; k < tabs.size(); ++k) {
      SKCab* t = tabs[k];
      ASUns32 flags = k + 1 == tabs.size() ? 0x400100 : 0x400110;
      if (KCabGetBool(t, "D", 0)) flags |= kKCtlFlagChecked;
      SKCtlElem* r = AddKeyed(dialog, kKCtlRadioButton, flags, -1, KCabGetString(t, "S"), buttons);
      KCtlSetExportKeyAtom(key, KCabGetAtom(t, "E", ASAtomNull), r);
      KCtlRadioButtonSetGroup(group, r);
      if (callback) KCtlSetActionCallback(r, kKCtlTriggerChecked, callback, t);
      KCabPutPointerNamedType(t, "KCtlStockTabElem", "PKCtlElem", r, nullptr);
    }
    SKCtlElem* holder = Add(dialog, kKCtlContainer, 0x210000, -1, nullptr, parent);
    SKCtlElem* frame = Add(dialog, kKCtlFrame, 0x200000, -1, "", holder);
    KCtlForceElementSize(3, -10, frame);
    KCtlSetActionCallback(frame, kKCtlTriggerLoaded, TabInitialise, rec);
    if (row) *row = buttons;
    id = KCabPutCabReturnKey(dialog->privateCab, rec);
    rec = nullptr;
  HANDLER
    if (rec) KCabDestroy(rec);
    RERAISE();
  END_HANDLER
  SKCab* stored = KCabGetCabNumKey(dialog->privateCab, id);
  if (stored) KCabPutInt(stored, "Id", (ASInt32)id);
  return (ASInt32)id;
}

SKCtlElem* KCtlStockTabGetElemForAction(SKCtlDialog* dialog, ASInt32 tabId, ASAtom keyAtom) {
  SKCab* entries = KCabGetCab(TabRecord(dialog, tabId), "Entries");
  for (long n = 0; entries; ++n) {
    SKCab* t = KCabGetCabNumKey(entries, n);
    if (!t) break;
    if (KCabGetAtom(t, "E", ASAtomNull) == keyAtom)
      return static_cast<SKCtlElem*>(KCabGetPointerNamedType(t, "KCtlStockTabElem", "PKCtlElem"));
  }
  return nullptr;
}

void KCtlStockTabSetActionId(SKCtlDialog* dialog, ASInt32 tabId, ASAtom keyAtom, ASInt32 actionType,
                             ASInt16 targetId) {
  if (SKCtlElem* e = KCtlStockTabGetElemForAction(dialog, tabId, keyAtom))
    KCtlSetActionId(e, kKCtlTriggerChecked, actionType, targetId);
}

// ---- Information line

namespace {

// Where a long line is shortened: the middle, or further left when the text
// before the middle would not fit by itself, so that both ends stay in view.
ASInt32 TrimPosition(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* textElem, const std::string& text) {
  ASInt32 liveWidth = 0, liveHeight = 0;
  KCtlGetElemLiveSizePlatform(dialog, textElem, &liveWidth, &liveHeight);
  // Always at the start of a character.
  size_t position = CutLengthUTF8(text.data(), text.size(), text.size() / 2);
  while (position > 0) {
    std::string trial = text.substr(0, position) + "...";
    ASInt32 w = 0, h = 0;
    KCtlGetElemSizePlatform(data, textElem, trial.c_str(), &w, &h, 0, 0, 0, nullptr);
    if (w < liveWidth) break;
    position = CutLengthUTF8(text.data(), text.size(), position / 2);
  }
  return (ASInt32)position;
}

}  // namespace

void KCtlInfoElementSetInfoText(SMacDialogInfo* dialog, SKCtlElem* info, const char* text, const char* tooltip,
                                ASBool noTooltipText) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !info) return;
  SKCtlElem* child = info->firstChild;
  SKCtlElem* textElem = child && child->firstChild ? child->firstChild : child;
  if (!text || !*text || !textElem) {
    KCtlShowOrHideElem(dialog, data, info, 0);
    return;
  }
  // The trimmed text is worked on in a copy of its own, whatever its length.
  std::string shown = text;
  std::vector<char> buffer(shown.begin(), shown.end());
  buffer.push_back(0);
  KCtlTrimTextToFit(dialog, textElem, buffer.data(), "...", TrimPosition(dialog, data, textElem, shown), 0, -1);
  KCtlPlatformSetControlText(dialog, data, textElem, buffer.data());
  const char* tip = tooltip ? tooltip : (noTooltipText ? "" : text);
  if (child) KCtlSetTooltipForElem(dialog, data, child, tip);
  if (textElem != child) KCtlSetTooltipForElem(dialog, data, textElem, tip);
  KCtlShowOrHideElem(dialog, data, info, 1);
  if (child && !noTooltipText) KCtlShowOrHideElem(dialog, data, child, 1);
}

void KCtlInfoElementSetTextFromDescCab(SMacDialogInfo* dialog, SKCtlElem* info, SKCab* descCab) {
  constexpr size_t kLimit = 9999;
  std::string shown, tip;
  for (long n = 0; descCab; ++n) {
    const char* s = KCabGetStringNumKey(descCab, n);
    if (!s) break;
    if (n > 0) {
      shown += " ";
      tip += "\n";
    }
    shown += s;
    tip += s;
  }
  CutUTF8(shown, kLimit);
  CutUTF8(tip, kLimit);
  KCtlInfoElementSetInfoText(dialog, info, shown.c_str(), tip.c_str(), 0);
}

// ---- Host paths in cabinets

void KCabDestroyASPathName(void* path) {
  if (path) ASFileSysReleasePath(nullptr, static_cast<ASPathName>(path));
}

void KCabPutASPathName(SKCab* cab, const char* key, ASPathName path) {
  KCabPutPointerNamedType(cab, key, "ASPathName", path, KCabDestroyASPathName);
}

ASPathName KCabGetASPathName(SKCab* cab, const char* key) {
  return static_cast<ASPathName>(KCabGetPointerNamedType(cab, key, "ASPathName"));
}
