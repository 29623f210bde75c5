#include "commands/ShuffleCmd.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "commands/ShuffleAssistant.h"
#include "commands/ShuffleSupport.h"
#include "engine/OrderList.h"
#include "engine/OrderListPreview.h"
#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/Describe.h"
#include "frame/CommandModules.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlAlert.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/PDFCtl.h"

ASBool assistantWarningRecursionFlag = 0;

using namespace shuffle_support;

namespace {

constexpr ASInt32 kDefaultGroupSize = 16;
constexpr ASInt32 kPreviewBufferSize = 60000;
constexpr ASInt32 kDescriptionBufferSize = 1000;
constexpr size_t kDescriberLineSize = 1000;

void SetControlText(SMacDialogInfo* dialog, ASInt32 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCtlElem* elem = data ? KCtlPlatformGetElemFromControlId(data, id) : nullptr;
  if (elem) KCtlPlatformSetControlText(dialog, data, elem, text);
}

// ---- binding-type description

void ShuffleAdvancedFeedback(SMacDialogInfo* dialog) {
  if (gKVClassic) return;
  char text[kDescriptionBufferSize];
  ShuffleOrderDescription(KCtlExportCabForDialog(dialog), text, sizeof text);
  SetControlText(dialog, kShuffleDescriptionId, text);
}

// ---- group-size feedback

ASBool ShuffleAssistantOriginOk(SMacDialogInfo* dialog, SKCab* values);

ASInt32 ShuffleFeedbackGroupSize(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerEditChanged && trigger != kKCtlTriggerLoaded) return kKCtlCallBackGoOn;
  if (trigger == kKCtlTriggerEditChanged && !ShuffleAssistantOriginOk(dialog, KCtlExportCabForDialog(dialog)))
    return kKCtlCallBackGoOn;
  ShuffleAdvancedFeedback(dialog);
  char text[600] = "";
  if (!KCtlStockDialogIsInteractive(dialog)) {
    text[0] = 0;
  } else if (!FrontPDDoc()) {
    std::snprintf(text, sizeof text, "%s", Msg("uiimp.5.noactivedoc"));
  } else {
    KCabHolder values(CurrentValues(dialog));
    ASInt32 pages = KCabGetInt(values.get(), "PageCount", 0);
    if (pages <= 0) pages = FrontPageCount();
    ShuffleGroupFeedbackText(pages, KCabGetInt(values.get(), "GroupSize", kDefaultGroupSize), text, sizeof text);
  }
  SetControlText(dialog, kShuffleFeedbackId, text);
  MacRedrawDialogNow(dialog);
  return kKCtlCallBackGoOn;
}

// ---- the better group size

// False when the user cancelled; a Yes puts the size into the dialog and values.
ASBool ShuffleDialogUpdatedGroupSize(SMacDialogInfo* dialog, SKCab* values) {
  ASInt32 better = 0;
  if (!OrderListHasBetterGroupSize(values, &better)) return 1;
  ASInt32 current = KCabGetInt(values, "GroupSize", kDefaultGroupSize);
  if (better == current) return 1;
  char question[800];
  FormatMessageByKeyUTF8(nullptr, "uiimp.5.groupsize", nullptr, question, sizeof question, "dd", (int)better,
                         (int)current);
  ASInt32 answer = KCtlAlertCustomButtons(nullptr, question, Msg("common.button.yes"), Msg("common.button.no"),
                                          Msg("common.button.cancel"));
  if (answer == 1) {
    KCabHolder load(KCabNewInner());
    KCabPutInt(load.get(), "GroupSize", better);
    KCtlLoadElementsFromSpecificCab(dialog, load.get());
    KCabPutInt(values, "GroupSize", better);
    return 1;
  }
  return answer == 2;
}

ASBool ShuffleRuleValidationForDialog(SMacDialogInfo* dialog, ASBool forPreview) {
  KCabHolder values(CurrentValues(dialog));
  if (!ShuffleDialogUpdatedGroupSize(dialog, values.get())) return 0;
  return ShuffleRuleValidationForCab(values.get(), forPreview, KCtlStockDialogIsInteractive(dialog));
}

ASInt32 ShuffleClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  return ShuffleRuleValidationForDialog(dialog, 0) ? kKCtlCallBackVerifyCommitTerminate : kKCtlCallBackStop;
}

// ---- the assistant hand-off

void OpenAssistantFromDialog(SMacDialogInfo* dialog) {
  SKCab* exportCab = KCtlExportCabForDialog(dialog);
  if (!exportCab) return;
  KCabHolder values(CurrentValues(dialog));
  // The main dialog's current fields go into the values the assistant edits.
  KCabCopy(values.get(), exportCab);
  if (!KCabGetBool(values.get(), "FromAssistant", 0)) {
    ASInt32 r = KCabGetInt(values.get(), "PreviewRows", 2), c = KCabGetInt(values.get(), "PreviewCols", 2);
    bool fits = r != 0 && c != 0 && ShuffleRuleCouldConvertToAssistant(values.get(), r, c);
    if (!fits) fits = ShuffleRuleCouldConvertToAssistant2(values.get(), &r, &c);
    ASInt32 pages = 0;
    if (fits) ShuffleRuleConvertToAssistant(values.get(), exportCab, r, c, 0, &pages);
  }
  if (!DisplayAssistantDialogSequence(exportCab, KCtlStockDialogIsInteractive(dialog))) return;
  KCabPutBool(exportCab, "FromAssistant", 1);
  ASBool saved = assistantWarningRecursionFlag;
  assistantWarningRecursionFlag = 1;
  DURING
    KCtlLoadElementsFromCab(dialog, KCtlDataForDialog(dialog), 0);
    ShuffleAdvancedFeedback(dialog);
  HANDLER
    assistantWarningRecursionFlag = saved;
    RERAISE();
  END_HANDLER
  assistantWarningRecursionFlag = saved;
  MacRedrawDialogNow(dialog);
}

ASInt32 ShuffleAssistantClick(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  OpenAssistantFromDialog(dialog);
  return kKCtlCallBackGoOn;
}

// Guards hand edits of a rule the assistant wrote.
ASBool ShuffleAssistantOriginOk(SMacDialogInfo* dialog, SKCab* values) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (assistantWarningRecursionFlag || !data || !data->valuesLoaded) return 1;
  if (!values || !KCabGetBool(values, "FromAssistant", 0)) return 1;
  if (ConfirmMessageUTF8(Msg("uikv.shuf.assistant.warning"), 1)) {
    KCabPutBool(values, "FromAssistant", 0);
    return 1;
  }
  OpenAssistantFromDialog(dialog);
  return 0;
}

ASInt32 ShuffleEditChange(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  return ShuffleAssistantOriginOk(dialog, KCtlExportCabForDialog(dialog)) ? kKCtlCallBackGoOn : kKCtlCallBackStop;
}

// ---- binding-type (options) dialog

ASBool ShuffleOptionsDialog(SKCab* values, ASBool interactive) {
  return RunNewDialog("dlg.shuffleoptions.title", 400, 0, 0, values, interactive, nullptr, [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffleoptions.1"), nullptr);
    SKCtlElem* box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shuffleoptions.2"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffleoptions.3"), box);
    ASUns32 group = KCtlDialogNewButtonGroupCode(d);
    struct Choice {
      const char* key;
      EOrderListType type;
      bool classic;
    };
    const Choice choices[] = {{"dlg.shuffleoptions.4", kOrderListNormal, true},
                              {"dlg.shuffleoptions.6", kOrderListSaddleStitch, true},
                              {"dlg.shuffleoptions.8", kOrderListCutStacksSingle, false},
                              {"dlg.shuffleoptions.9", kOrderListCutStacksDouble, false}};
    for (const Choice& c : choices) {
      if (gKVClassic && !c.classic) continue;
      SKCtlElem* radio = KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, Msg(c.key), box);
      KCtlRadioButtonSetGroup(group, KCtlSetExportKeyAtom("Type", Atom(KCabEkEnumToStringTable(c.type, kTypeWords)),
                                                          radio));
    }
    KCtlStock_OkButton(d);
    KCtlStock_CancelButton(d);
  }) == 1;
}

ASInt32 ShuffleAdvancedClick(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!ShuffleAssistantOriginOk(dialog, KCtlExportCabForDialog(dialog))) return kKCtlCallBackGoOn;
  SKCab* exportCab = KCtlExportCabForDialog(dialog);
  if (!exportCab) return kKCtlCallBackGoOn;
  ShuffleOptionsDialog(exportCab, KCtlStockDialogIsInteractive(dialog));
  ShuffleAdvancedFeedback(dialog);
  MacRedrawDialogNow(dialog);
  return kKCtlCallBackGoOn;
}

// ---- preview dialog

void ShufflePreviewGenerator(SMacDialogInfo* dialog, ASInt32 step, ASInt32 frameId, ASInt32 prevId, ASInt32 nextId,
                             SKCab* values) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  const ASInt32 groupSize = KCabGetInt(values, "GroupSize", kDefaultGroupSize);
  const ASInt32 rows = KCabGetInt(values, "PreviewRows", 2), cols = KCabGetInt(values, "PreviewCols", 2);
  const char* rule = KCabGetString(values, "Order");
  ASInt32 pages = KCabGetInt(values, "PageCount", 0);
  if (pages < 1 && FrontPDDoc()) pages = FrontPageCount();
  bool prev = false, next = false;
  if (cols >= 1 && cols <= 10 && rows >= 1 && rows <= 10 && rule) {
    ASInt32 offset = std::max(0, KCabGetInt(values, ".SheetOffset", 0) + step);
    KCabPutInt(values, ".SheetOffset", offset);
    if (SKCab* exportCab = KCtlExportCabForDialog(dialog)) KCabPutInt(exportCab, ".SheetOffset", offset);
    std::string buffer((size_t)kPreviewBufferSize, '\0');
    ASInt32 width = 0, height = 0, sheets = 0;
    const auto type = (EOrderListType)KCabEkAtomToEnumTable(KCabGetAtom(values, "Type", Atom("Normal")), kTypeWords);
    FormatOrderListDisplay(buffer.data(), kPreviewBufferSize, &width, &height, &sheets, rule, groupSize, type,
                           pages > 0 ? pages : 8, cols, rows, offset);
    PDFCtlSetDrawMode(dialog, frameId, kPDFCtlFit, width, height);
    PDFCtlSetStream(dialog, frameId, buffer.c_str(), -1);
    prev = offset >= 1;
    next = sheets >= offset + 3;
  } else {
    PDFCtlSetStream(dialog, frameId, " ", -1);
  }
  if (data) {
    KCtlEnableOrDisableElemById(dialog, data, prevId, prev);
    KCtlEnableOrDisableElemById(dialog, data, nextId, next);
  }
}

void RedrawPreview(SMacDialogInfo* dialog, ASInt32 step) {
  KCabHolder values(CurrentValues(dialog));
  ShufflePreviewGenerator(dialog, step, kShufflePreviewFrameId, kShufflePreviewPrevId, kShufflePreviewNextId,
                          values.get());
}

ASInt32 PreviewDraw(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  RedrawPreview(dialog, 0);
  return kKCtlCallBackGoOn;
}
ASInt32 PreviewPrevious(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  RedrawPreview(dialog, -2);
  return kKCtlCallBackGoOn;
}
ASInt32 PreviewNext(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  RedrawPreview(dialog, 2);
  return kKCtlCallBackGoOn;
}

void AddLabelledEdit(SKCtlDialog* d, SKCtlElem* parent, const char* label) {
  KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, label, parent);
}

ASInt32 ShufflePreviewDialog(SKCab* values, ASBool withCounts, ASBool interactive) {
  return RunNewDialog("dlg.shufflepreview.title", 400, 0, 130, values, interactive, PDFCtlDialogProc,
                      [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shufflepreview.1"), nullptr);
    SKCtlElem* box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shufflepreview.2"), nullptr);
    AddLabelledEdit(d, box, Msg("dlg.shufflepreview.3"));
    KCtlSetExportKeyEditInt("GroupSize", ShuffleMin("GroupSize"), ShuffleMax("GroupSize"),
                            KCtlAddNewElement(d, kKCtlEditText, 0, -1, "999999", box));
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlStaticText, 0, kShuffleFeedbackId, Msg("dlg.shuffle1.7"), box),
                          kKCtlTriggerLoaded, ShuffleFeedbackGroupSize, nullptr);
    if (!gKVClassic) {
      KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.shuffle1.50"), box);
      KCtlAddNewElement(d, kKCtlStaticText, 0, kShuffleDescriptionId, " ", box);
    }
    KCtlForceElementSize(300, 60, KCtlSetExportKeyEditString("Order", 0,
                                                             KCtlAddNewElement(d, kKCtlEditText, 0, -1, "", box)));
    if (withCounts) {
      struct Row {
        const char* label;
        const char* key;
      };
      const Row rows[] = {{"dlg.shufflepreview.7", "PreviewCols"},
                          {"dlg.shufflepreview.8", "PreviewRows"},
                          {"dlg.shufass.1.3", "PageCount"}};
      for (const Row& r : rows) {
        SKCtlElem* edit = nullptr;
        KCtlStock_PromptCount(d, 0, box, Msg(r.label), nullptr, r.key, ShuffleMin(r.key), ShuffleMax(r.key), &edit);
        KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, PreviewDraw, nullptr);
      }
    }
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody | kKCtlFlagSameRow,
                                            kShufflePreviewPrevId, Msg("dlg.shufflepreview.9"), nullptr),
                          kKCtlTriggerClick, PreviewPrevious, nullptr);
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody,
                                            kShufflePreviewNextId, Msg("dlg.shufflepreview.10"), nullptr),
                          kKCtlTriggerClick, PreviewNext, nullptr);
    KCtlSetActionCallback(
        KCtlForceElementSize(360, 150, KCtlAddNewElement(d, kKCtlFrame, 0, kShufflePreviewFrameId, nullptr, nullptr)),
        kKCtlTriggerLoaded, PreviewDraw, nullptr);
    KCtlForceElementSize(100, 0, KCtlStock_OkButton(d));
  });
}

ASInt32 ShufflePreviewClick(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!ShuffleRuleValidationForDialog(dialog, 1)) return kKCtlCallBackGoOn;
  SKCab* exportCab = KCtlExportCabForDialog(dialog);
  KCabHolder copy(CurrentValues(dialog));
  KCabPutInt(copy.get(), ".SheetOffset", 0);
  // The count fields show the defaults of parameters that predate them.
  for (const char* key : {"PreviewRows", "PreviewCols"})
    if (!KCabKnown(copy.get(), key)) KCabPutInt(copy.get(), key, 2);
  if (FrontPDDoc()) KCabPutInt(copy.get(), "PageCount", FrontPageCount());
  else if (KCabGetInt(copy.get(), "PageCount", 0) == 0) KCabPutInt(copy.get(), "PageCount", 8);
  if (ShufflePreviewDialog(copy.get(), 1, KCtlStockDialogIsInteractive(dialog)) == 1 && exportCab) {
    KCabPutInt(exportCab, "PreviewRows", KCabGetInt(copy.get(), "PreviewRows", 2));
    KCabPutInt(exportCab, "PreviewCols", KCabGetInt(copy.get(), "PreviewCols", 2));
    KCabPutInt(exportCab, "PageCount", KCabGetInt(copy.get(), "PageCount", 8));
  }
  return kKCtlCallBackGoOn;
}

// ---- main dialog

ASInt32 RunShuffleMainDialog(SKCab* values, ASBool interactive) {
  return RunNewDialog("dlg.shuffle1.title", 400, 0, 130, values, interactive, nullptr, [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffle1.1"), nullptr);
    KCtlSetExportKey("NewDoc", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.shuffle1.2"), nullptr));
    if (!gKVClassic) {
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody | kKCtlFlagSameRow,
                                              -1, Msg("dlg.shuffle1.20"), nullptr),
                            kKCtlTriggerClick, ShuffleAssistantClick, nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffle1.21"), nullptr);
    }
    SKCtlElem* box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shuffle1.3"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffle1.4"), box);
    AddLabelledEdit(d, box, Msg("dlg.shuffle1.6"));
    SKCtlElem* group = KCtlAddNewElement(d, kKCtlEditText, gKVClassic ? kKCtlFlagSameRow : 0u, -1, "99999", box);
    KCtlSetExportKeyEditInt("GroupSize", ShuffleMin("GroupSize"), ShuffleMax("GroupSize"), group);
    KCtlSetActionCallback(group, kKCtlTriggerAny, ShuffleFeedbackGroupSize, nullptr);
    if (gKVClassic) {
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody, -1,
                                              Msg("dlg.shuffle1.5"), box),
                            kKCtlTriggerClick, ShuffleAdvancedClick, nullptr);
    }
    KCtlAddNewElement(d, kKCtlStaticText, 0, kShuffleFeedbackId, Msg("dlg.shuffle1.7"), box);
    if (!gKVClassic) {
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody | kKCtlFlagSameRow,
                                              -1, Msg("dlg.shuffle1.22"), box),
                            kKCtlTriggerClick, ShuffleAdvancedClick, nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, 0, kShuffleDescriptionId, " ", box);
    }
    SKCtlElem* ruleBox = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shuffle1.8"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffle1.9"), ruleBox);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shuffle1.10"), ruleBox);
    SKCtlElem* rule = KCtlForceElementSize(
        300, 60, KCtlSetExportKeyEditString("Order", 0, KCtlAddNewElement(d, kKCtlEditText, 0, -1, "", ruleBox)));
    KCtlSetActionCallback(rule, kKCtlTriggerEditChanged, ShuffleEditChange, nullptr);
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagNoRole, -1,
                                            Msg("dlg.shuffle1.11"), nullptr),
                          kKCtlTriggerClick, ShufflePreviewClick, nullptr);
    KCtlSetActionCallback(KCtlStock_OkButton(d), kKCtlTriggerClick, ShuffleClickOk, nullptr);
    KCtlStock_CancelButton(d);
  });
}

void PutUI(SKCab* command) {
  KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)CmdMgrShuffleUI, nullptr);
  KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                  (KCabFunctionPointer)CmdMgrShuffleDescriber, nullptr);
}

// Cuts text to at most size - 1 bytes without splitting a UTF-8 sequence.
void CopyCut(char* out, size_t size, const std::string& text) { CopyCutUTF8(out, size, text.c_str()); }

}  // namespace

// ---- public

void ShuffleGroupFeedbackText(ASInt32 pages, ASInt32 groupSize, char* buffer, size_t size) {
  if (!buffer || !size) return;
  ASInt64 groups = 0, extra = 0;
  if (groupSize > 0) {
    groups = ((ASInt64)pages + groupSize - 1) / groupSize;
    extra = groups * groupSize - pages;
  }
  const char* pageWord = Msg(pages == 1 ? "common.page" : "common.pages");
  const char* groupWord = Msg(groups == 1 ? "uiimp.5.group" : "uiimp.5.groups");
  if (extra <= 0) {
    FormatMessageByKeyUTF8(nullptr, "uiimp.5.exactgroups", nullptr, buffer, size, "lsls", (long)pages, pageWord,
                           (long)groups, groupWord);
  } else {
    FormatMessageByKeyUTF8(nullptr, "uiimp.5.notexactgroups", nullptr, buffer, size, "lslsls", (long)pages, pageWord,
                           (long)groups, groupWord, (long)extra, Msg(extra == 1 ? "common.page" : "common.pages"));
  }
}

void ShuffleOrderDescription(SKCab* params, char* buffer, size_t size) {
  if (!buffer || !size) return;
  ASInt32 type = KCabEkAtomToEnumTable(KCabGetAtom(params, "Type", Atom("Normal")), kTypeWords);
  const char* text;
  switch (type) {
    case kOrderListNormal: text = Msg("uikv.shuf.bindingnormal"); break;
    case kOrderListSaddleStitch: text = Msg("uikv.shuf.bindingsaddle"); break;
    case kOrderListCutStacksSingle: text = Msg("uikv.shuf.bindingsinglecut"); break;
    case kOrderListCutStacksDouble: text = Msg("uikv.shuf.bindingdoublecut"); break;
    case kOrderListCutSignatures: text = "Cut signatures"; break;
    default: text = Msg("common.unknownorbad"); break;
  }
  CopyCut(buffer, size, text ? text : "");
}

void V3ShuffleParamsCopyListInfo(SKCab* from, SKCab* to) {
  if (!from || !to) return;
  if (KCabGetType(from, "ListCat") != kKCabTypeAtom || KCabGetType(from, "ListName") != kKCabTypeString) return;
  KCabPutAtom(to, "ListCat", KCabGetAtom(from, "ListCat", ASAtomNull));
  KCabPutStringCopy(to, "ListName", KCabGetString(from, "ListName"));
}

ASBool ShuffleRuleValidationForCab(SKCab* params, ASBool forPreview, ASBool interactive) {
  const char* rule = KCabGetString(params, "Order");
  if (!rule || !*rule) {
    ErrMessageUTF8(Msg("uiimp.5.noshufflelist"));
    return 0;
  }
  ASUns16 ask = KCabGetBool(params, "NewDoc", 0) || forPreview || !interactive;
  return OrderListVerify(rule, KCabGetInt(params, "GroupSize", kDefaultGroupSize), ask) ? 1 : 0;
}

ASBool RunShufflePreviewDialog(SKCab* params, ASBool withCounts) {
  KCabPutInt(params, ".SheetOffset", 0);
  return ShufflePreviewDialog(params, withCounts, KCabGetBool(params, "Interactive", 1)) == 1;
}

ASBool CmdMgrShuffleUI(SKCab* /*command*/, SKCab* params) {
  if (!params) return 0;
  if (FrontPDDoc()) KCabRemove(params, "PageCount");
  // The dialog works on a copy: a cancel leaves the parameters as they were.
  KCabHolder work(KCabDup(params));
  if (RunShuffleMainDialog(work.get(), KCabGetBool(params, "Interactive", 1)) != 1) return 0;
  KCabRemove(work.get(), ".SheetOffset");
  CopyBackDialogValues(work.get(), params);
  return 1;
}

SKCab* CmdMgrShuffleDescriber(SKCab* /*command*/, SKCab* params) {
  SKCab* lines = KCabNewInner();
  char line[kDescriberLineSize];
  SPrintfUnboundedIntOrStringDecimalFormat(params, "GroupSize", kDefaultGroupSize, line, sizeof line,
                                           Msg("uikv.shuf.groupsize"));
  KCabPutStringCopy(lines, "", line);
  char type[kDescriptionBufferSize];
  ShuffleOrderDescription(params, type, sizeof type);
  CopyCut(line, sizeof line, std::string(Msg("uikv.shuf.type")) + type);
  KCabPutStringCopy(lines, "", line);
  const char* rule = KCabGetString(params, "Order");
  CopyCut(line, sizeof line, std::string(Msg("uikv.shuf.ruledesc")) + (rule ? rule : ""));
  for (char* p = line; *p; ++p)
    if (*p == '\r' || *p == '\n') *p = ' ';
  KCabPutStringCopy(lines, "", line);
  DescribeParamRefusal(lines, "Shuffle", params);
  return lines;
}

namespace {

// The engine's Start, once the run's parameters are accepted.
void ShuffleCmdStart(SKCab* run, SKCab* args) {
  if (CommandParamsAccepted(run, "Shuffle")) ShuffleCallBackStart(run, args);
}

}  // namespace

SKCab* NewCmdMgrForShuffle() {
  SKCab* command = KCabNewInner();
  KCabPutStringCopy(command, "Name", Msg("impmenu1.cmd.shuffle"));
  KCabPutAtom(command, "Key", Atom("Shuffle"));
  SKCab* defaults = KCabNewInner();
  KCabMakeEmpty(defaults);
  KCabPutBool(defaults, "NewDoc", 1);
  KCabPutInt(defaults, "GroupSize", kDefaultGroupSize);
  KCabPutAtom(defaults, "Type", Atom("Normal"));
  KCabPutStringCopy(defaults, "Order", "");
  KCabPutInt(defaults, "PreviewRows", 2);
  KCabPutInt(defaults, "PreviewCols", 2);
  KCabPutCab(command, "DefaultParams", defaults);
  ShuffleFillProcessControlCab(command);
  KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)ShuffleCmdStart,
                                  nullptr);
  PutUI(command);
  KCabPutStringCopy(command, "BatchGroup", CurrentProductString(0));
  KCabPutInt(command, "Version", 1);
  KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  return command;
}

KV_COMMAND_MODULE(.NewCmdMgrForShuffle = NewCmdMgrForShuffle)
