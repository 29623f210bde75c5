// The KCtl runtime: triggers, actions, callbacks, and a dialog's life from
// initialisation to destruction.
#include "kctl/KCtlRuntime.h"

#include <cstdio>
#include <map>
#include <set>

#include "foundation/KCab.h"
#include "host/AVAlert.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlFrontDoc.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/JPEGCtl.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/MacListBox.h"
#include "kctl/mac/MacTree.h"

namespace {

ASInt32 IdOf(SKCtlData* data, SKCtlElem* e) { return KCtlPlatformGetElemControlId(data, e); }

bool Visible(const SKCtlElemInfo* i) { return !i->hiddenBySelf && !i->hiddenByParent; }

void FireOnAll(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 trigger) {
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) KCtlDoAction(dialog, data, e, trigger);
}

void ShowHide(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, bool show, bool fromParent) {
  SKCtlElemInfo* info = KCtlElemFindInfo(data, e);
  bool was = Visible(info);
  (fromParent ? info->hiddenByParent : info->hiddenBySelf) = show ? 0 : 1;
  bool now = Visible(info);
  if (was != now) {
    KCtlPlatformShowOrHideSingleControl(dialog, data, e, now ? 1 : 0);
    for (SKCtlElem* c = e->firstChild; c; c = c->nextSibling) ShowHide(dialog, data, c, now, true);
    if (now) KCtlPlatformEnableOrDisableSingleControl(dialog, data, e, info->disabled ? 0 : 1);
    KCtlDoAction(dialog, data, e, now ? kKCtlTriggerShown : kKCtlTriggerHidden);
  }
  // Consecutive user panes are alternatives: showing one hides the others.
  if (show && !fromParent && e->type == kKCtlUserPane) {
    for (SKCtlElem* s = e->prevSibling; s && s->type == kKCtlUserPane; s = s->prevSibling)
      ShowHide(dialog, data, s, false, false);
    for (SKCtlElem* s = e->nextSibling; s && s->type == kKCtlUserPane; s = s->nextSibling)
      ShowHide(dialog, data, s, false, false);
  }
}

void EnableElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, bool enable, bool children) {
  SKCtlElemInfo* info = KCtlElemFindInfo(data, e);
  info->disabled = enable ? 0 : 1;
  if (!enable || Visible(info)) KCtlPlatformEnableOrDisableSingleControl(dialog, data, e, enable ? 1 : 0);
  if (children)
    for (SKCtlElem* c = e->firstChild; c; c = c->nextSibling) EnableElem(dialog, data, c, enable, true);
}

void EnableChildren(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e, bool enable) {
  for (SKCtlElem* c = e->firstChild; c; c = c->nextSibling) EnableElem(dialog, data, c, enable, true);
}

// The check-box rule: children follow the box, then 2 or 3 fires.
ASBool ApplyCheckRule(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* e) {
  bool checked = dialog && MacDialogItemIsChecked(dialog, IdOf(data, e));
  EnableChildren(dialog, data, e, checked);
  return KCtlDoAction(dialog, data, e, checked ? kKCtlTriggerChecked : kKCtlTriggerUnchecked);
}

ASBool SelectRadio(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* r) {
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    if (e->type != kKCtlRadioButton || e->radioGroup != r->radioGroup) continue;
    if (dialog) MacDialogItemCheckIf(dialog, IdOf(data, e), e == r ? 1 : 0);
    EnableChildren(dialog, data, e, e == r);
  }
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    if (e == r || e->type != kKCtlRadioButton || e->radioGroup != r->radioGroup) continue;
    if (!KCtlDoAction(dialog, data, e, kKCtlTriggerUnchecked)) return 0;
  }
  return KCtlDoAction(dialog, data, r, kKCtlTriggerChecked);
}

void SelectDefaultRadios(SMacDialogInfo* dialog, SKCtlData* data) {
  std::set<ASUns32> groups;
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
    if (e->type == kKCtlRadioButton) groups.insert(e->radioGroup);
  for (ASUns32 g : groups) {
    for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
      if (e->type == kKCtlRadioButton && e->radioGroup == g && (e->flags & kKCtlFlagChecked)) {
        SelectRadio(dialog, data, e);
        break;
      }
    }
  }
}

// The run's copies attached to a tree's rows go once the tree lets go of them.
void ReleaseTreeCopies(SKCtlData* data, SKCtlElem* e) {
  SKCtlElemInfo* info = KCtlElemFindInfo(data, e);
  if (info->treeCopies) {
    KCabDestroy(info->treeCopies);
    info->treeCopies = nullptr;
  }
}

void Initialise(SMacDialogInfo* dialog, SKCtlData* data) {
  data->destroyed = 0;
  data->refused = nullptr;
  data->running = dialog;
  if (data->windowSlot) *data->windowSlot = dialog;
  FireOnAll(dialog, data, kKCtlTriggerInit);
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    ASInt32 id = IdOf(data, e);
    switch (e->type) {
      case kKCtlUserPane:
        if (!(e->flags & kKCtlFlagChecked)) ShowHide(dialog, data, e, false, false);
        break;
      case kKCtlPulldown:
        if (e->itemList) {
          KCtlFillPulldownFromKCab(dialog, data, e, e->itemList, 1, 0);
          MacMenuSetCurSel(dialog, id, 0);
          KCtlDoAction(dialog, data, e, kKCtlTriggerItemListFilled);
        }
        break;
      case kKCtlListBox:
        // Platform lists take extended selections with the modifier keys
        // whatever the element's multiple-selection flag says.
        MacListBoxFind(dialog, id);
        if (e->itemList) KCtlFillListBoxFromKCab(dialog, data, e, e->itemList, 1, 0);
        KCtlDoAction(dialog, data, e, kKCtlTriggerItemListFilled);
        break;
      case kKCtlTree:
        FindOrNewMacTreeControl(dialog, id);
        MacTreeMultiInit(dialog, id, (e->flags & kKCtlFlagMultiSelect) ? 1 : 0);
        if (e->itemList) KCtlFillTreeFromKCab(dialog, data, e, e->itemList, 1, 0);
        KCtlDoAction(dialog, data, e, kKCtlTriggerItemListFilled);
        break;
      case kKCtlCheckBox:
        if (e->flags & kKCtlFlagChecked) MacDialogItemCheckIf(dialog, id, 1);
        break;
      case kKCtlPicture:
        if ((e->flags & kKCtlFlagOneLine) && (e->flags & kKCtlFlagImageOrSmall)) MacDefineJPEGCtl(dialog, e->controlId);
        break;
      default:
        break;
    }
    if (e->flags & kKCtlFlagHidden)
      ShowHide(dialog, data, e, false, false);
    else if (e->flags & kKCtlFlagDisabled)
      EnableElem(dialog, data, e, false, true);
    if (e->tooltip) KCtlSetTooltipForElem(dialog, data, e, e->tooltip);
  }
  SelectDefaultRadios(dialog, data);
  KCtlLoadElementsFromCab(dialog, data, 1);
  FireOnAll(dialog, data, kKCtlTriggerLoaded);
  KCtlFrontDocRegister(dialog);
  data->valuesLoaded = 1;
}

void Command(SMacDialogInfo* dialog, SKCtlData* data, SMacControlHitInfo* hit) {
  bool buttonMatched = false;
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    ASInt32 id = IdOf(data, e);
    if (id != hit->id) continue;
    ASBool goOn = 1;
    switch (e->type) {
      case kKCtlStaticText:
      case kKCtlIcon:
      case kKCtlPicture:
        if (hit->code == 0 || hit->code == 10) goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerClick);
        break;
      case kKCtlEditText:
        if (hit->code == kMacCmdEditClick) {
          goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerEditChanged);
          if (goOn && data->valuesLoaded && data->loadNesting == 0)
            goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerEditChangedByUser);
        }
        break;
      case kKCtlPushButton:
        buttonMatched = true;
        goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerClick);
        if (goOn && !(e->flags & kKCtlFlagNoRole)) {
          if (e->flags & kKCtlFlagCancel) {
            KCtlTerminateDialog(dialog, data, id);
            goOn = 0;
          } else if (e->flags & kKCtlFlagOK) {
            KCtlVerifyCommitTerminateDialog(dialog, data, id);
            goOn = 0;
          }
        }
        break;
      case kKCtlCheckBox:
        MacDialogHandleCheckBox(dialog, id, hit, id);
        goOn = ApplyCheckRule(dialog, data, e);
        break;
      case kKCtlRadioButton:
        if (hit->code == kMacCmdClick) goOn = SelectRadio(dialog, data, e);
        break;
      case kKCtlPulldown:
        if (hit->code == kMacCmdPopupChosen) goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerSelectionChanged);
        break;
      case kKCtlListBox:
        if (hit->code == kMacCmdListSelection)
          goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerSelectionChanged);
        else if (hit->code == kMacCmdListDoubleClick)
          goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerDoubleClick);
        break;
      case kKCtlTree:
        MacPossibleTreeMessage(dialog, kMacDlgCommand, 0, hit, id);
        break;
      default:
        break;
    }
    if (!goOn) return;
  }
  // The platform reports the cancel keys as id 2.
  if (hit->id == kMacCancelId && !buttonMatched) KCtlTerminateDialog(dialog, data, kMacCancelId);
}

void Notify(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 wParam, SMacControlHitInfo* hit) {
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain) {
    if (e->type != kKCtlTree) continue;
    ASInt32 id = IdOf(data, e);
    MacPossibleTreeMessage(dialog, kMacDlgNotify, wParam, hit, id);
    if (wParam != id) continue;
    ASBool goOn = 1;
    if (hit->code == kMacTreeSelectionChanged)
      goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerSelectionChanged);
    else if (hit->code == kMacTreeDoubleClick)
      goOn = KCtlDoAction(dialog, data, e, kKCtlTriggerDoubleClick);
    if (!goOn) return;
  }
}

// Takes the run down at the destroy message. An element whose destroy
// action fails does not keep the others from theirs, nor the run from being
// taken down: what they hold of the dialog (a pointer to it, a window slot)
// would otherwise outlive it. The first failure is passed on at the end.
void Destroy(SMacDialogInfo* dialog, SKCtlData* data) {
  if (data->destroyed) return;
  data->destroyed = 1;
  KCtlFrontDocUnregister(dialog);
  SKCtlDialog* description = data->dialog;
  ASErrorCode failure = 0;
  for (SKCtlElem* e = description->chainFirst; e; e = e->nextInChain) {
    DURING
      if (e->type == kKCtlTree) {
        MacPossibleTreeMessage(dialog, kMacDlgDestroy, 0, nullptr, IdOf(data, e));
        ReleaseTreeCopies(data, e);
      }
      KCtlDoAction(dialog, data, e, kKCtlTriggerDestroyed);
    HANDLER
      if (!failure) failure = ERRORCODE;
    END_HANDLER
  }
  data->refused = nullptr;
  ASUns32 flags = description->flags;
  if ((flags & kKCtlDialogDestroyExportCab) && data->exportCab) {
    KCabDestroy(data->exportCab);
    data->exportCab = nullptr;
  }
  if (data->windowSlot) *data->windowSlot = nullptr;
  data->running = nullptr;
  if (!(flags & kKCtlDialogFreeData)) {
    data->valuesLoaded = 0;
    if (flags & kKCtlDialogFreeDescription) {
      data->dialog = nullptr;
      KCtlDestroyDialog(description);
    }
  } else {
    if (SDialogTrace* trace = FindDialogTrace(dialog)) {
      void** slot = static_cast<void**>(DialogTraceGetData(trace, kKCtlTraceDataKey, nullptr));
      if (slot) *slot = nullptr;
    }
    KCtlDestroyData(data);
    if (flags & kKCtlDialogFreeDescription) KCtlDestroyDialog(description);
  }
  if (failure) ASRaise(failure);
}

}  // namespace

// ---- Firing triggers

ASBool KCtlDoAction(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASInt32 trigger) {
  for (SKCtlAction* a = element->actions; a; a = a->next) {
    if (a->trigger != trigger && a->trigger != kKCtlTriggerAny) continue;
    ASInt32 target = a->target ? IdOf(data, a->target) : a->targetId;
    switch (a->action) {
      case kKCtlActionHide:
        KCtlShowOrHideElemById(dialog, data, target, 0);
        break;
      case kKCtlActionDisable:
        KCtlEnableOrDisableElemById(dialog, data, target, 0);
        break;
      case kKCtlActionShow:
        KCtlShowOrHideElemById(dialog, data, target, 1);
        if (dialog) dialog->needsRedraw = 1;
        break;
      case kKCtlActionEnable:
        KCtlEnableOrDisableElemById(dialog, data, target, 1);
        break;
      case kKCtlActionFocus: {
        SKCtlElem* t = KCtlPlatformGetElemFromControlId(data, target);
        if (dialog && t && KCtlElemIsVisible(data, t)) MacDialogSelectEditItem(dialog, target);
        break;
      }
      case kKCtlActionCheck:
        KCtlSetOrClearCheckBoxById(dialog, data, target, 1);
        break;
      case kKCtlActionUncheck:
        KCtlSetOrClearCheckBoxById(dialog, data, target, 0);
        break;
      case kKCtlActionSelectRadio:
        KCtlSetOneRadioButtonInGroupById(dialog, data, target);
        break;
      case kKCtlActionSetFromKey:
        KCtlSetElementFromListItemKeyById(dialog, data, target, a->key);
        break;
      case kKCtlActionOK:
        KCtlVerifyCommitTerminateDialog(dialog, data, target);
        return 0;
      case kKCtlActionEnd:
        KCtlTerminateDialog(dialog, data, target);
        return 0;
      case kKCtlActionVerifyAndStore:
        if (data->exportCab) {
          if (!KCtlVerifyElements(dialog, data)) return 0;
          KCtlStoreElementsToCab(dialog, data, 1);
        } else {
          KCtlStorePos(dialog, data);
        }
        break;
      case kKCtlActionStore:
        KCtlStoreElementsToCab(dialog, data, 1);
        break;
      case kKCtlActionLoadAndCall:
      case kKCtlActionCall: {
        if (a->action == kKCtlActionLoadAndCall) KCtlLoadElementsFromCab(dialog, data, 0);
        if (!a->callback) break;
        ASInt32 owner = IdOf(data, element);
        switch (a->callback(dialog, owner, trigger, a->user)) {
          case kKCtlCallBackStop:
            return 0;
          case kKCtlCallBackEnd:
            KCtlTerminateDialog(dialog, data, target);
            return 0;
          case kKCtlCallBackVerifyCommitTerminate:
            KCtlVerifyCommitTerminateDialog(dialog, data, owner);
            return 0;
          case kKCtlCallBackCommitTerminate:
            KCtlCommitTerminateDialog(dialog, data, owner);
            return 0;
          default:
            break;
        }
        break;
      }
      default:
        break;
    }
  }
  return 1;
}

ASBool KCtlDoUserActionForDialog(SMacDialogInfo* dialog, ASInt32 trigger) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->dialog) return 1;
  struct SWalk {
    ASInt32 trigger;
    ASBool walked;
  } walk{trigger, 1};
  // Called from outside the dialog (another window, say): the walk runs as a
  // message does, so that an action ending the dialog frees it afterwards.
  MacDialogRunAsMessage(
      dialog,
      [](SMacDialogInfo* d, void* p) {
        auto* w = static_cast<SWalk*>(p);
        SKCtlData* run = KCtlDataForDialog(d);
        if (!run || !run->dialog) return;
        for (SKCtlElem* e = run->dialog->chainFirst; e; e = e->nextInChain)
          if (!KCtlDoAction(d, run, e, w->trigger)) {
            w->walked = 0;
            return;
          }
      },
      &walk);
  return walk.walked;
}

// ---- Ending

void KCtlTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id) {
  // A callback that answers the terminate trigger by ending the dialog again
  // would start the ending over without end: the first ending stands.
  if (data->terminating) return;
  data->resultId = id;
  {
    struct Terminating {
      SKCtlData* data;
      explicit Terminating(SKCtlData* d) : data(d) { data->terminating = 1; }
      ~Terminating() { data->terminating = 0; }
      Terminating(const Terminating&) = delete;
      Terminating& operator=(const Terminating&) = delete;
    } terminating(data);
    FireOnAll(dialog, data, kKCtlTriggerTerminate);
  }
  if (!dialog) return;
  if (dialog->modal) {
    dialog->result = id;
    dialog->done = 1;
  } else {
    DestroyModelessDialog(dialog);
  }
}

void KCtlCommitTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id) {
  KCtlStoreElementsToCab(dialog, data, 1);
  KCtlTerminateDialog(dialog, data, id);
}

ASBool KCtlVerifyCommitTerminateDialog(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id) {
  if (!KCtlVerifyElements(dialog, data)) return 0;
  KCtlCommitTerminateDialog(dialog, data, id);
  return 1;
}

// ---- Showing, enabling, checking

ASBool KCtlElemIsVisible(SKCtlData* data, SKCtlElem* element) {
  return Visible(KCtlElemFindInfo(data, element)) ? 1 : 0;
}

ASBool KCtlElemIsEnabled(SKCtlData* data, SKCtlElem* element) {
  return KCtlElemFindInfo(data, element)->disabled ? 0 : 1;
}

void KCtlShowOrHideElemById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool show) {
  if (SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id)) ShowHide(dialog, data, e, show != 0, false);
}

void KCtlShowOrHideElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASBool show) {
  if (element) ShowHide(dialog, data, element, show != 0, false);
}

void KCtlEnableOrDisableElemById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool enable) {
  if (SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id)) EnableElem(dialog, data, e, enable != 0, true);
}

void KCtlEnableOrDisableElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, ASBool enable) {
  if (element) EnableElem(dialog, data, element, enable != 0, true);
}

ASBool KCtlSetOrClearCheckBoxById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool check) {
  SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id);
  if (!e) return 1;
  if (e->type == kKCtlRadioButton) return check ? SelectRadio(dialog, data, e) : 1;
  if (e->type != kKCtlCheckBox) return 1;
  if (dialog) MacDialogItemCheckIf(dialog, id, check);
  return ApplyCheckRule(dialog, data, e);
}

ASBool KCtlSetOneRadioButtonInGroupById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id) {
  SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id);
  if (!e || e->type != kKCtlRadioButton) return 1;
  return SelectRadio(dialog, data, e);
}

ASBool KCtlSetElementFromListItemKeyById(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASAtom key) {
  SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id);
  if (!e || !e->itemList || e->type < kKCtlStaticText || e->type > kKCtlListBox) return 0;
  switch (e->type) {
    case kKCtlStaticText:
    case kKCtlCheckBox:
    case kKCtlRadioButton: {
      const char* s = KCtlSearchItemListForKeyGetString(e->itemList, key);
      if (!s) return 0;
      KCtlPlatformSetControlText(dialog, data, e, s);
      return 1;
    }
    case kKCtlPulldown:
      return KCtlPulldownSelectByKey(dialog, data, e, key);
    case kKCtlListBox:
      return KCtlListSelectByKey(dialog, data, e, key);
    default:
      return 0;
  }
}

// ---- The run of a dialog

SKCtlData* KCtlDataForDialog(SMacDialogInfo* dialog) {
  if (!dialog) return nullptr;
  SDialogTrace* trace = FindDialogTrace(dialog);
  if (!trace) return nullptr;
  void** slot = static_cast<void**>(DialogTraceGetData(trace, kKCtlTraceDataKey, nullptr));
  return slot ? static_cast<SKCtlData*>(*slot) : nullptr;
}

SKCab* KCtlExportCabForDialog(SMacDialogInfo* dialog) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  return data ? data->exportCab : nullptr;
}

SDialogTrace* NewDialogTraceForKCtl(SKCtlData* data) {
  SDialogTrace* trace = NewDialogTrace();
  DURING
    void* slot = data;
    DialogTraceSetData(trace, kKCtlTraceDataKey, (ASInt32)sizeof(void*), &slot);
    DialogTraceAddFilter(trace, KCtlDialogFilter);
  HANDLER
    DestroyDialogTrace(trace);
    RERAISE();
  END_HANDLER
  return trace;
}

void KCtlSetTooltipForElem(SMacDialogInfo* dialog, SKCtlData* data, SKCtlElem* element, const char* text) {
  if (!data || !element) return;
  if (!data->tooltipCab) data->tooltipCab = KCabNewInner();
  char key[16];
  std::snprintf(key, sizeof key, "%d", (int)IdOf(data, element));
  bool isNew = !KCabKnown(data->tooltipCab, key);
  KCabPutStringCopy(data->tooltipCab, key, text);
  if (dialog) KCtlPlatformEnableToolTipForElem(dialog, data, element, isNew ? 1 : 0);
}

const char* KCtlGetTooltipForElem(SKCtlData* data, SKCtlElem* element) {
  if (!data || !element || !data->tooltipCab) return nullptr;
  char key[16];
  std::snprintf(key, sizeof key, "%d", (int)IdOf(data, element));
  return KCabGetString(data->tooltipCab, key);
}

void KCtlStorePos(SMacDialogInfo* dialog, SKCtlData* data) {
  if (!data || !data->posCab || !dialog) return;
  // The frame's top-left, which is what placing a dialog takes; for modal
  // dialogs MacGetDialogPos gives the content's, one title bar lower, and a
  // remembered position would creep down each time it is used.
  ASInt32 x = 0, y = 0;
  MacGetDialogPos(dialog, &x, &y);
  PfRect frame;
  if (PfIsValidDialog(dialog->dialog) &&
      PfGetWindowBounds(PfGetDialogWindow(dialog->dialog), kPfWindowStructureRgn, &frame) == kPfNoErr) {
    x = frame.left;
    y = frame.top;
  }
  KCabPutInt(data->posCab, "PosX", x);
  KCabPutInt(data->posCab, "PosY", y);
}

// ---- The filter

ASInt32 KCtlDialogFilter(SMacDialogInfo* dialog, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->dialog) return 0;
  switch (message) {
    case kMacDlgInit:
      Initialise(dialog, data);
      break;
    case kMacDlgCommand:
    case kMacDlgNotify:
      if (!hit) {
        AVAlertNote("Internal error, please report: lParam NULL");
        break;
      }
      if (message == kMacDlgCommand)
        Command(dialog, data, hit);
      else
        Notify(dialog, data, wParam, hit);
      break;
    case kMacDlgDestroy:
      Destroy(dialog, data);
      break;
    case kMacDlgSpecial:
      for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
        if (e->type == kKCtlSpecial && !KCtlDoAction(dialog, data, e, kKCtlTriggerSpecial)) break;
      break;
    default:
      break;
  }
  return 0;
}
