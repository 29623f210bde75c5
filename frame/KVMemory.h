// Named actions: a command with its parameters, saved by the user under a
// name and played back later on the front document.
//
// They live in the cabinet "Memory" of the named-action store
// ("kvplusmemory3"): "Category" = KVCatCollection_V1 and one category per
// command, filed under the command key's text (or under the next free number
// when added without a key): {"Name", "Category" = KVCmdCollection_V1,
// "System" (true for categories the system made), "Item": the actions under
// "0", "1", ..., each {"Name", "Item": its one-command list}}. Names are
// unique within a category. The store's file is untrusted input: every
// entry is checked for its type before use.
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;

// Each writing call checks "Memory" out, changes it and stores it back (the
// file is committed at once); reading calls work on copies.
ASAtom KVMemoryAddCategory(ASAtom key, const char* name, ASBool system);
// A copy of "Memory" (the caller owns it), or a new empty cabinet.
SKCab* KVMemoryGetCategoryCollectionCopy();
ASBool KVMemoryCategoryExistsByKey(ASAtom key);
ASAtom KVMemoryGetOrAddCategoryByKeyAndName(ASAtom key, const char* name, ASBool system);
// The category's actions (the caller owns them), or null.
SKCab* KVMemoryGetItemCollectionCopy(ASAtom key);
// The action's command list (the caller owns it), or null.
SKCab* KVMemoryGetItemCopy(ASAtom key, const char* name);
ASBool KVMemoryItemExists(ASAtom key, const char* name);
// The action's key in its category, ASAtomNull when there is none.
ASAtom KVMemoryGetItemInternalKey(ASAtom key, const char* name);
// The action's name into buffer (at most size - 1 bytes, whole characters,
// always terminated); false when the category, the action or its name is
// missing, or there is no room at all.
ASBool KVMemoryItemNameFromKey(ASAtom categoryKey, ASAtom itemKey, char* buffer, size_t size);
// Saves list under name in the category (replacing an action of that name in
// place, else under the next free number). The store takes the list over,
// also when the category is missing (nothing is saved then). memory: a
// "Memory" cabinet the caller has checked out, or null.
void KVMemoryAddItem2(ASAtom key, const char* name, SKCab* list, SKCab* memory);
void KVMemoryDeleteItem(ASAtom key, const char* name);
// Counts one more playing ("Stats:Count", never past the largest count) and
// dates it ("Stats:Updated").
void KVMemoryMarkItemPlayed(ASAtom key, const char* name);

// Plays the list on the active document (each command on the document in
// front when it starts). No list: the "cannot play" message and false.
// messages: a list cabinet for the messages of the replay, or null.
ASBool KVMemoryPlaybackItemFromCmdList(SKCab* list, SKCab* messages, const char* caller);
// The action's list, played as above through the dispatcher's road
// (ExecuteImpositionRun): the general preferences, the modal refusal and the
// run's bookkeeping as for any command.
ASBool KVMemoryPlaybackItem(ASAtom key, const char* name, SKCab* messages, const char* caller);
