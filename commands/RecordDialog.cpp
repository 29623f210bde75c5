// The record dialog: turns the remembered parameters of a command that has
// completed since the plug-in was loaded into a named action.
#include <cstring>

#include "commands/RecordPlayback.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "frame/CmdColl.h"
#include "frame/CmdList.h"
#include "frame/CommandModules.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"

using recordplay_detail::IsCollectionOwnEntry;

namespace {

constexpr const char* kRecordSettings = "Last:Record";
// Room for the reuse question, terminator included.
constexpr size_t kReuseQuestionSize = 312;

// The name field gets the focus with its text selected.
void FocusNameField(SMacDialogInfo* dialog, SKCtlElem* nameField) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !nameField) return;
  MacDialogSelectEditItem(dialog, KCtlPlatformGetElemControlId(data, nameField));
}

SKCtlElem* HiddenSpacer(SKCtlDialog* d, ASUns32 flags, const char* text, SKCtlElem* parent) {
  return KCtlAddNewElement(d, kKCtlStaticText, flags, -1, text, parent);
}

}  // namespace

ASBool EnumItemListOfCompletedKVCommands(SKCab* collection, const char* key, ASInt32 type, void* list) {
  if (type != kKCabTypeCab || IsCollectionOwnEntry(key)) return 1;
  SKCab* command = KCabGetCab(collection, key);
  ASAtom keyAtom = ASAtomFromString(key);
  if (!command || !HasCommandCompleted(CmdKeyToImpositionCommand(keyAtom))) return 1;
  const char* name = KCabGetString(command, "Name");
  KCtlAddListItemToCab(static_cast<SKCab*>(list), name ? name : key, keyAtom);
  return 1;
}

ASInt32 RememberOKCallback(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  auto* nameField = static_cast<SKCtlElem*>(user);
  KCabHolder values(KCtlAdvanceExport(dialog, KCabNewInner(), 0));
  ASAtom key = KCabGetAtom(values.get(), "Command", ASAtomNull);
  const char* name = KCabGetString(values.get(), "Name");

  if (key == ASAtomNull) {
    ErrMessageUTF8(Msg("uiimp.mem.noactiontype"));
    return kKCtlCallBackStop;
  }
  if (!HasCommandCompleted(CmdKeyToImpositionCommand(key))) {
    ErrMessageUTF8(Msg("uiimp.mem.actionnotdone"));
    return kKCtlCallBackStop;
  }
  if (!name || !*name) {
    ErrMessageUTF8(Msg("uiimp.mem.entername"));
    FocusNameField(dialog, nameField);
    return kKCtlCallBackStop;
  }

  KCabHolder list(KVSingleCommandFromLast(key, kCmdUIModeFull));
  ASAtom category = KVMemoryGetOrAddCategoryByKeyAndName(key, ASAtomGetString(key), 1);
  if (KVMemoryItemExists(category, name)) {
    char question[kReuseQuestionSize];
    FormatMessageByKeyUTF8(nullptr, "uiimp.mem.confirm.reusename", "Replace the action named \"%s\"?", question,
                           sizeof question, "s", name);
    if (!ConfirmMessageUTF8(question, 1)) {
      FocusNameField(dialog, nameField);
      return kKCtlCallBackStop;
    }
  }
  SKCab* stored = list.Release();
  KVMemoryAddItem2(category, name, stored, nullptr);
  PlayDialogSelectCommand(key, name);
  return kKCtlCallBackVerifyCommitTerminate;
}

namespace {

// The record dialog's description; freed here when building it fails.
SKCtlDialog* NewRememberDialog(SKCtlElem** nameFieldOut) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.remember.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 141, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.remember.1"), nullptr);

    SKCtlElem* row = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.remember.2"), nullptr);
    HiddenSpacer(d, kKCtlFlagHidden | kKCtlFlagSameRow, "  ", row);
    SKCtlElem* popup =
        KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList | kKCtlFlagFullWidth, -1, " ", row);
    KCabHolder commands(KCabNewInner());
    if (SKCab* collection = GetDefaultCmdColl())
      KCabConstEnum(collection, EnumItemListOfCompletedKVCommands, commands.get());
    KCtlElemSetItemList(KCtlSortItemList(commands.Release()), popup);
    KCtlSetExportKeyListAtom("Command", popup);
    HiddenSpacer(d, kKCtlFlagHidden | kKCtlFlagNoGap, " ", nullptr);

    SKCtlElem* nameLabel = KCtlAddNewElement(d, kKCtlStaticText, 0, 101, Msg("dlg.remember.3"), nullptr);
    HiddenSpacer(d, kKCtlFlagHidden | kKCtlFlagSameRow, "  ", nameLabel);
    SKCtlElem* nameField = KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagFullWidth, -1, " ", nameLabel);
    KCtlSetExportKeyEditString("Name", 0, nameField);
    HiddenSpacer(d, kKCtlFlagHidden | kKCtlFlagNoGap, " ", nullptr);

    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.remember.4"), nullptr);
    HiddenSpacer(d, kKCtlFlagHidden | kKCtlFlagNoGap, " ", nullptr);

    SKCtlElem* ok = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK | kKCtlFlagNoRole, 1,
                                      Msg("common.button.ok"), nullptr);
    KCtlSetActionCallback(ok, kKCtlTriggerClick, RememberOKCallback, nameField);
    KCtlStock_CancelButton(d);
    KCtlDialogSuggestSize(d, 308, 0);
    *nameFieldOut = nameField;
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

}  // namespace

ASBool DoRememberLast() {
  KCabHolder remembered(LoadKVParametersNoNull(kRecordSettings));
  SKCtlElem* nameField = nullptr;
  SKCtlDialog* d = NewRememberDialog(&nameField);
  // The pop-up starts on the command that succeeded last; a panel command
  // has no key and leaves it on its first entry.
  ASBool result = 0;
  DURING
    ASAtom latest = ImpositionCommandToCmdKey(latestImpositionCommand);
    if (latest != ASAtomNull) KCabPutAtom(remembered.get(), "Command", latest);
    else KCabRemove(remembered.get(), "Command");
    if (latestImpositionCommand == kImpCmdNone) {
      ErrMessageUTF8(Msg("uiimp.mem.nothingtorecord"));
    } else {
      KCabPutStringCopy(remembered.get(), "Name", "");
      result = KCtlRunPage(d, nullptr, remembered.get(), remembered.get(), nullptr, nullptr) == 1;
    }
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  KCtlDestroyDialog(d);
  MergeAndStoreKVParameters(kRecordSettings, remembered.get());
  return result;
}

KV_COMMAND_MODULE(.DoRememberLast = DoRememberLast)
