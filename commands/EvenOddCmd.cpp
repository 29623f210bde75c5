#include "commands/EvenOddCmd.h"

#include "commands/ParamTables.h"
#include "commands/ShuffleSupport.h"
#include "engine/EvenOdd.h"
#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"

using namespace shuffle_support;

namespace {

ASInt32 ActionOf(SKCab* params) {
  return KCabEkAtomToEnumTable(KCabGetAtom(params, "Action", Atom("No")), kEvenOddActionWords);
}

// Which container shows for the chosen action.
void ShowContainersFor(SMacDialogInfo* dialog, ASInt32 action) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return;
  KCtlShowOrHideElemById(dialog, data, kEvenOddOptionsId, action == kEvenOddNo || action == kEvenOddOddsFirst);
  KCtlShowOrHideElemById(dialog, data, kEvenOddMergeId, action == kEvenOddMerge);
}

ASInt32 ActionChosen(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  ShowContainersFor(dialog, (ASInt32)(intptr_t)user);
  return kKCtlCallBackGoOn;
}

ASInt32 ValuesLoaded(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  KCabHolder values(CurrentValues(dialog));
  ShowContainersFor(dialog, ActionOf(values.get()));
  return kKCtlCallBackGoOn;
}

ASInt32 EvenOddClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  KCabHolder values(CurrentValues(dialog));
  PDDoc doc = FrontPDDoc();
  return EvenOddValuesOk(values.get(), KCtlStockDialogIsInteractive(dialog), doc ? PDDocGetNumPages(doc) : -1)
             ? kKCtlCallBackVerifyCommitTerminate
             : kKCtlCallBackStop;
}

ASInt32 RunEvenOddDialog(SKCab* values, ASBool interactive) {
  return RunNewDialog("dlg.evenodd1.title", 460, 300, 113, values, interactive, nullptr, [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.evenodd1.1"), nullptr);
    ASUns32 group = KCtlDialogNewButtonGroupCode(d);
    struct Choice {
      const char* text;
      ASInt32 action;
    };
    const Choice choices[] = {{"dlg.evenodd1.2", kEvenOddNo},
                              {"dlg.evenodd1.3", kEvenOddOddsFirst},
                              {"dlg.evenodd1.4", kEvenOddSplit},
                              {"dlg.evenodd1.5", kEvenOddMerge}};
    for (const Choice& c : choices) {
      SKCtlElem* radio = KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, Msg(c.text), nullptr);
      ASAtom word = Atom(KCabEkEnumToStringTable(c.action, kEvenOddActionWords));
      KCtlRadioButtonSetGroup(group, KCtlSetExportKeyAtom("Action", word, radio));
      KCtlSetActionCallback(radio, kKCtlTriggerChecked, ActionChosen, (void*)(intptr_t)c.action);
      if (c.action == kEvenOddSplit || c.action == kEvenOddMerge) KCtlStock_SetElemDisabledUnlessInteractive(d, radio);
    }
    SKCtlElem* options = KCtlAddNewElement(d, kKCtlContainer, 0, kEvenOddOptionsId, nullptr, nullptr);
    SKCtlElem* box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.evenodd1.6"), options);
    SKCtlElem* newDoc = KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.evenodd1.8"), box);
    KCtlSetExportKey("NewDoc", newDoc);
    KCtlStock_SetElemDisabledUnlessInteractive(d, newDoc);
    KCtlSetExportKey("ReverseEven", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.evenodd1.9"), box));
    KCtlSetExportKey("FlipEven", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.evenodd1.11"), box));
    SKCtlElem* merge = KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagHidden, kEvenOddMergeId, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.evenodd1.7"), merge);
    KCtlStock_WindowList(d, 0, merge, "OddAVDoc");
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.evenodd1.10"), merge);
    KCtlStock_WindowList(d, 0, merge, "EvenAVDoc");
    KCtlSetActionCallback(options, kKCtlTriggerLoaded, ValuesLoaded, nullptr);
    KCtlSetActionCallback(KCtlStock_OkButton(d), kKCtlTriggerClick, EvenOddClickOk, nullptr);
    KCtlStock_CancelButton(d);
  });
}

}  // namespace

ASBool EvenOddValuesOk(SKCab* values, ASBool interactive, ASInt32 pageCount) {
  const ASInt32 action = ActionOf(values);
  if (action == kEvenOddNo) {
    if (!KCabGetBool(values, "ReverseEven", 0) && !KCabGetBool(values, "FlipEven", 0)) {
      if (!KCabGetBool(values, "NewDoc", 0)) {
        ErrMessageUTF8(Msg("pagemg.6.willdonothing"));
        return 0;
      }
      if (!ConfirmMessageUTF8(Msg("pagemg.6.willjustcopy"), 1)) return 0;
    }
    if (interactive && pageCount >= 0 && pageCount <= 1) {
      ErrMessageUTF8(Msg("pagemg.6.justonepage"));
      return 0;
    }
  } else if (action == kEvenOddOddsFirst) {
    if (interactive && pageCount >= 0 && pageCount <= 2) {
      ErrMessageUTF8(Msg("pagemg.6.lessthanthree"));
      return 0;
    }
  }
  return 1;
}

ASBool EvenOddPropertyCanHandleAToA(SKCab* /*command*/, SKCab* params) {
  const ASInt32 action = ActionOf(params);
  return action == kEvenOddNo || action == kEvenOddOddsFirst;
}

ASBool CmdMgrEvenOddShuffleUI(SKCab* /*command*/, SKCab* params) {
  if (!params) return 0;
  // A copy: a cancelled dialog leaves the parameters as they were.
  KCabHolder work(KCabDup(params));
  if (RunEvenOddDialog(work.get(), KCabGetBool(params, "Interactive", 1)) != 1) return 0;
  CopyBackDialogValues(work.get(), params);
  return 1;
}

SKCab* CmdMgrEvenOddShuffleDescriber(SKCab* /*command*/, SKCab* params) {
  SKCab* lines = KCabNewInner();
  static const char* const kFirst[] = {"uikv.eodd.desc.1", "uikv.eodd.desc.2", "uikv.eodd.desc.3",
                                       "uikv.eodd.desc.4"};
  const ASInt32 action = ActionOf(params);
  KCabPutStringCopy(lines, "", Msg(kFirst[action & 3]));
  if (action == kEvenOddNo || action == kEvenOddOddsFirst) {
    char line[600];
    FormatMessageByKeyUTF8(nullptr, "uikv.eodd.desc.10", nullptr, line, sizeof line, "s",
                           YesNoDescription(KCabGetBool(params, "ReverseEven", 0)));
    KCabPutStringCopy(lines, "", line);
    FormatMessageByKeyUTF8(nullptr, "uikv.eodd.desc.11", nullptr, line, sizeof line, "s",
                           YesNoDescription(KCabGetBool(params, "FlipEven", 0)));
    KCabPutStringCopy(lines, "", line);
  }
  DescribeParamRefusal(lines, "EvenOddShuffle", params);
  return lines;
}

namespace {

// The engine's Start, once the run's parameters are accepted.
void EvenOddCmdStart(SKCab* run, SKCab* args) {
  if (CommandParamsAccepted(run, "EvenOddShuffle")) EvenOddShuffleCallBackStart(run, args);
}

}  // namespace

SKCab* NewCmdMgrForEvenOddShuffle() {
  SKCab* command = KCabNewInner();
  SKCab* defaults = KCabNewInner();
  KCabMakeEmpty(defaults);
  KCabPutAtom(defaults, "Action", Atom("No"));
  KCabPutBool(defaults, "ReverseEven", 0);
  KCabPutBool(defaults, "FlipEven", 0);
  KCabPutCab(command, "DefaultParams", defaults);
  EvenOddShuffleFillProcessControlCab(command);
  KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)EvenOddCmdStart,
                                  nullptr);
  KCabPutStringCopy(command, "Name", Msg("impmenu1.cmd.evenodd"));
  KCabPutAtom(command, "Key", Atom("EvenOddShuffle"));
  KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)CmdMgrEvenOddShuffleUI,
                                  nullptr);
  KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                  (KCabFunctionPointer)CmdMgrEvenOddShuffleDescriber, nullptr);
  KCabPutStringCopy(command, "BatchGroup", CurrentProductString(0));
  KCabPutInt(command, "Version", 1);
  KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  KCabPutFunctionPointerNamedType(command, "Control:Props:CanHandleAToA", kProcManBoolPropertyProcType,
                                  (KCabFunctionPointer)EvenOddPropertyCanHandleAToA, nullptr);
  return command;
}

KV_COMMAND_MODULE(.NewCmdMgrForEvenOddShuffle = NewCmdMgrForEvenOddShuffle)
