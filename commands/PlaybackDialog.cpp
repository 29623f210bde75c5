// The playback window: the named actions of each command, when each was
// made and last used, and playing or deleting the chosen one. At most one
// window exists; it stays open while commands run.
#include <cstring>

#include "commands/RecordPlayback.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "host/AV.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "pdftools/DateStamp.h"
#include "platform/PfDialog.h"
#include "platform/PfSystem.h"
#include "platform/PfWindow.h"

SMacDialogInfo* playDialogHandle = nullptr;

using recordplay_detail::IsCollectionOwnEntry;

namespace {

constexpr const char* kPlaySettings = "Last:Play";
constexpr const char* kPlayCaller = "Krvl:PlaybackItem";
// Room for a command key and an action's name.
constexpr size_t kNameSize = 1000;
constexpr size_t kStatsSize = 300;

// The dialog's current values in a new cabinet (the caller owns it).
SKCab* CurrentValues(SMacDialogInfo* dialog) { return KCtlAdvanceExport(dialog, KCabNewInner(), 0); }

// The chosen action; without one the system beeps and the answer is false.
bool SelectionOrBeep(SMacDialogInfo* dialog, ASAtom* command, char* name, size_t size) {
  if (GetPlayItemSelection(dialog, command, name, size)) return true;
  PfSysBeep();
  return false;
}

}  // namespace

// ---- item lists

ASBool EnumItemListOfAllKVCommands(SKCab* collection, const char* key, ASInt32 type, void* list) {
  if (type != kKCabTypeCab || IsCollectionOwnEntry(key)) return 1;
  SKCab* command = KCabGetCab(collection, key);
  const char* name = command ? KCabGetString(command, "Name") : nullptr;
  KCtlAddListItemToCab(static_cast<SKCab*>(list), name ? name : key, ASAtomFromString(key));
  return 1;
}

SKCab* ItemListOfAllKVCommands() {
  SKCab* list = KCabNewInner();
  if (SKCab* collection = GetDefaultCmdColl()) KCabConstEnum(collection, EnumItemListOfAllKVCommands, list);
  return KCtlSortItemList(list);
}

ASBool EnumItemListOfAllNames(SKCab* items, const char* key, ASInt32 type, void* list) {
  if (type != kKCabTypeCab) return 1;
  // The store is read from a file: an action without a name is not offered.
  const char* name = KCabGetString(KCabGetCab(items, key), "Name");
  if (name) KCtlAddListItemToCab(static_cast<SKCab*>(list), name, ASAtomFromString(key));
  return 1;
}

SKCab* ItemListOfAllNames(ASAtom command) {
  SKCab* list = KCabNewInner();
  KCabHolder items(command != ASAtomNull ? KVMemoryGetItemCollectionCopy(command) : nullptr);
  if (items.get()) KCabConstEnum(items.get(), EnumItemListOfAllNames, list);
  return list;
}

// ---- the chosen action

ASBool GetPlayItemSelection(SMacDialogInfo* dialog, ASAtom* command, char* name, size_t size) {
  if (!dialog) return 0;
  KCabHolder values(CurrentValues(dialog));
  ASAtom key = KCabGetAtom(values.get(), "Command", ASAtomNull);
  ASAtom item = KCabGetAtom(values.get(), "Name", ASAtomNull);
  if (key == ASAtomNull || item == ASAtomNull) return 0;
  if (!KVMemoryItemNameFromKey(key, item, name, size)) return 0;
  if (command) *command = key;
  return 1;
}

void PlayShowStats(SMacDialogInfo* dialog) {
  ASAtom command = ASAtomNull;
  char name[kNameSize];
  if (!GetPlayItemSelection(dialog, &command, name, sizeof name)) return;
  KCabHolder list(KVMemoryGetItemCopy(command, name));
  if (!list.get()) return;
  const char* created = KCabGetString(list.get(), "Stats:Created");
  const char* updated = KCabGetString(list.get(), "Stats:Updated");
  char createdText[kTimeStampDisplaySize];
  char updatedText[kTimeStampDisplaySize];
  FormatAcrobatTimeStampString(created ? created : "", -1, createdText);
  FormatAcrobatTimeStampString(updated ? updated : "", -1, updatedText);
  char text[kStatsSize];
  FormatMessageByKeyUTF8(nullptr, "uiimp.mem.lastused", "Made: %s\nLast used: %s", text, sizeof text, "ss",
                         createdText, updatedText);
  MacDialogSetItemTextUTF8(dialog, kPlayStatsText, text);
}

void FillInPlayNames(SMacDialogInfo* dialog) {
  if (!dialog) return;
  KCabHolder values(CurrentValues(dialog));
  ASAtom command = KCabGetAtom(values.get(), "Command", ASAtomNull);
  KCtlFillPulldownFromKCabById(dialog, kPlayNamePopup, ItemListOfAllNames(command), 1, 1);
  MacMenuSetCurSel(dialog, kPlayNamePopup, MacMenuCountItems(dialog, kPlayNamePopup) - 1);
  PlayShowStats(dialog);
}

void PlayDialogSelectCommand(ASAtom command, const char* name) {
  SMacDialogInfo* dialog = playDialogHandle;
  SKCtlData* data = dialog ? KCtlDataForDialog(dialog) : nullptr;
  if (!data) return;
  SKCtlElem* popup = KCtlPlatformGetElemFromControlId(data, kPlayCommandPopup);
  // The selection change refreshes the actions.
  if (!KCtlPulldownSelectByKey(dialog, data, popup, command)) return;
  if (!name) return;
  ASAtom item = KVMemoryGetItemInternalKey(command, name);
  if (item != ASAtomNull && PulldownSelectFromKeyById(dialog, kPlayNamePopup, item)) PlayShowStats(dialog);
}

// ---- callbacks

ASInt32 PlayCommandListCallback(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  switch (trigger) {
    case kKCtlTriggerInit:
      playDialogHandle = dialog;
      break;
    case kKCtlTriggerDestroyed:
      if (playDialogHandle == dialog) playDialogHandle = nullptr;
      break;
    case kKCtlTriggerSelectionChanged:
    case kKCtlTriggerLoaded:
      FillInPlayNames(dialog);
      break;
    default:
      break;
  }
  return kKCtlCallBackGoOn;
}

ASInt32 PlayCommandNameCallback(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger == kKCtlTriggerSelectionChanged) PlayShowStats(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 PlayPlayCallback(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  ASAtom command = ASAtomNull;
  char name[kNameSize];
  if (!SelectionOrBeep(dialog, &command, name, sizeof name)) return kKCtlCallBackGoOn;
  KVMemoryPlaybackItem(command, name, nullptr, kPlayCaller);
  // Counted as played whatever came of it.
  KVMemoryMarkItemPlayed(command, name);
  PlayShowStats(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 PlayDeleteCallback(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  ASAtom command = ASAtomNull;
  char name[kNameSize];
  if (!SelectionOrBeep(dialog, &command, name, sizeof name)) return kKCtlCallBackGoOn;
  if (ConfirmMessageUTF8(Msg("uiimp.mem.confirm.deleteselectedaction"), 1)) {
    KVMemoryDeleteItem(command, name);
    FillInPlayNames(dialog);
  }
  return kKCtlCallBackGoOn;
}

ASInt32 PlayDestroyCallback(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerDestroyed) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->exportCab) return kKCtlCallBackGoOn;
  KCtlStorePos(dialog, data);
  MergeAndStoreKVParameters(kPlaySettings, data->exportCab);
  return kKCtlCallBackGoOn;
}

// ---- the window

ASBool StartPlay() {
  SKCab* remembered = LoadKVParametersNoNull(kPlaySettings);
  if (SMacDialogInfo* open = playDialogHandle) {
    KCabDestroy(remembered);
    if (open->avWindow) AVWindowBringToFront(open->avWindow);
    else if (open->dialog) PfSelectWindow(PfGetDialogWindow(open->dialog));
    return 1;
  }

  // The window's destruction frees the description, the run data and the
  // remembered values.
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.play.title"), kKCtlDialogFreeDescription | kKCtlDialogFreeData |
                                                            kKCtlDialogDestroyExportCab);
  SKCtlData* data = nullptr;
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 141, nullptr);
    SKCtlElem* intro = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.play.1"), nullptr);
    KCtlSetActionCallback(intro, kKCtlTriggerDestroyed, PlayDestroyCallback, nullptr);

    // Both row labels carry the same list, so that they take the wider text
    // and the pop-ups line up.
    SKCab* labels = KCabNewInner();
    KCtlAddListItemToCab(labels, Msg("dlg.play.2"), ASAtomFromString("E1"));
    KCtlAddListItemToCab(labels, Msg("dlg.play.3"), ASAtomFromString("E2"));
    SKCtlElem* commandLabel =
        KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagOwnsItemList | kKCtlFlagSameRow, -1, Msg("dlg.play.2"), nullptr);
    KCtlElemSetItemList(labels, commandLabel);
    SKCtlElem* commandPopup = KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList | kKCtlFlagFullWidth,
                                                kPlayCommandPopup, " ", nullptr);
    KCtlElemSetItemList(ItemListOfAllKVCommands(), commandPopup);
    KCtlSetExportKeyListAtom("Command", commandPopup);
    KCtlSetActionCallback(commandPopup, kKCtlTriggerAny, PlayCommandListCallback, nullptr);

    SKCtlElem* nameLabel = KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.play.3"), nullptr);
    KCtlElemSetItemList(labels, nameLabel);
    SKCtlElem* namePopup = KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList | kKCtlFlagFullWidth,
                                             kPlayNamePopup, " ", nullptr);
    KCtlElemSetItemList(KCabNewInner(), namePopup);
    KCtlSetExportKeyListAtom("Name", namePopup);
    KCtlSetActionCallback(namePopup, kKCtlTriggerAny, PlayCommandNameCallback, nullptr);

    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagFullWidth | kKCtlFlagMinLine, kPlayStatsText, " \n \n \n ",
                      nullptr);
    SKCtlElem* play = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom, -1, Msg("dlg.play.5"), nullptr);
    KCtlSetActionCallback(play, kKCtlTriggerClick, PlayPlayCallback, nullptr);
    SKCtlElem* del = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom, -1, Msg("dlg.play.6"), nullptr);
    KCtlSetActionCallback(del, kKCtlTriggerClick, PlayDeleteCallback, nullptr);
    SKCtlElem* close = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagCancel, -1,
                                         Msg("common.button.close"), nullptr);
    KCtlSetActionId(close, kKCtlTriggerClick, kKCtlActionOK, kMacCancelId);
    KCtlDialogSuggestSize(d, 350, 200);

    data = KCtlCreateData(d);
    KCtlDataSetExportCab(data, remembered, remembered);
  HANDLER
    if (data) KCtlDestroyData(data);
    KCtlDestroyDialog(d);
    KCabDestroy(remembered);
    RERAISE();
  END_HANDLER
  // A window that could not be made has freed what it was given.
  KCtlPlatformTestModeless(data, nullptr);
  return 1;
}

KV_COMMAND_MODULE(.StartPlay = StartPlay)
