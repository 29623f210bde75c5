// Recording the last parameters of a command as a named action, and the
// playback window that lists, plays and deletes the named actions of each
// command. The actions themselves live in the named-action store
// (frame/KVMemory.h); both dialogs remember their choices in the main store
// ("Last:Record", "Last:Play").
#pragma once

#include <cstddef>
#include <cstring>

#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;

// ---- Record dialog

// True when the dialog ended with OK (an action was stored).
ASBool DoRememberLast();
// Enumeration step over the default command collection: adds each command
// that has completed since the plug-in was loaded to the item list (data).
// Always goes on.
ASBool EnumItemListOfCompletedKVCommands(SKCab* collection, const char* key, ASInt32 type, void* list);
// The OK button's click: 3 when the action was stored, 1 (stay open) otherwise.
ASInt32 RememberOKCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);

// ---- Playback dialog

// Opens the playback window, or brings the open one to the front. Always 1.
ASBool StartPlay();
// The open playback window, or null.
extern SMacDialogInfo* playDialogHandle;
// When the window is open: selects the command, refreshes its actions and,
// when name (may be null) names one of them, selects it.
void PlayDialogSelectCommand(ASAtom command, const char* name);

// Item lists, owned by the caller: every command of the default collection
// (sorted by name), and the actions of a command's category (in the
// category's order; empty when it has none).
SKCab* ItemListOfAllKVCommands();
ASBool EnumItemListOfAllKVCommands(SKCab* collection, const char* key, ASInt32 type, void* list);
SKCab* ItemListOfAllNames(ASAtom command);
ASBool EnumItemListOfAllNames(SKCab* items, const char* key, ASInt32 type, void* list);

// True when a command and one of its actions are chosen; the action's name is
// copied into name (at most size - 1 bytes).
ASBool GetPlayItemSelection(SMacDialogInfo* dialog, ASAtom* command, char* name, size_t size);
void FillInPlayNames(SMacDialogInfo* dialog);
void PlayShowStats(SMacDialogInfo* dialog);

ASInt32 PlayCommandListCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 PlayCommandNameCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 PlayPlayCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 PlayDeleteCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 PlayDestroyCallback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);

// Control ids of the playback window.
enum : ASInt16 { kPlayCommandPopup = 102, kPlayNamePopup = 103, kPlayStatsText = 104 };

namespace recordplay_detail {

// Entries of the command collection that are not commands.
inline bool IsCollectionOwnEntry(const char* key) {
  return std::strcmp(key, "_CollectionIdentity") == 0 || std::strcmp(key, "_Features") == 0;
}

}  // namespace recordplay_detail
