// The settings store: a named setting is a cabinet kept as one cabinet XML
// file in the settings folder ("Korvel" in the user's preferences folder),
// with seven weekday backups and a temporary file for safe replacement.
// Readers get copies; writers check a sub-cabinet out, change it in place and
// store or discard it; commits write the whole file.
#pragma once

#include <ctime>

#include "host/AS.h"

struct SKCab;
struct SKFileName;

// The store's own bookkeeping entry in a checked-out cabinet (never written out).
extern const char* const kKCabPersistMaintKey;

struct SKCabPersistOldName {
  char* name;
  SKCabPersistOldName* next;
};

struct SKCabPersist {
  char* name;
  SKCabPersistOldName* olderNames;  // latest added first
  SKFileName* mainFile;
  SKFileName* backupFile;
  SKFileName* tempFile;
  SKCabPersist* nextInChain;
  SKCabPersist* prevInChain;
  ASBool syncMode;
  time_t rememberedTime;
  ASBool autoCommit;
  SKCab* master;
  SKCab* working;
  ASBool loaded;
  ASBool loadFailed;
  ASInt32 olderNameUsed;
  char* directory;  // as last set; empty when none could be found
  ASBool unreadMainKept;  // the main file did not read and could not be moved aside: never written over
};

// The newest settings object (head of the chain of all of them).
extern SKCabPersist* gKCabPersistChain;

SKCabPersist* NewKCabPersist(const char* name);
void KCabPersistSetOldName(SKCabPersist* p, const char* olderName);
void KCabPersistSetSyncMode(SKCabPersist* p, ASBool on);
void KCabPersistSetAutoCommitMode(SKCabPersist* p, ASBool on);
ASBool KCabPersistSetWriteableDirectory(SKCabPersist* p);
ASBool KCabPersistSetInstallDirectory(SKCabPersist* p);
// directory: a folder path ending with "/", or "" for none (then nothing is
// read or written). A main file there that does not read is moved aside to
// "NAME unreadableN.xml" (such as "kv3 unreadable1.xml") with a warning naming both; the settings are then
// taken from the newest backup (or older name) that reads, else start empty.
ASBool KCabPersistSetDirectory(SKCabPersist* p, const char* directory);
ASBool KCabPersistLoadFrom(SKCabPersist* p, const SKFileName* file);
ASBool KCabPersistExists(SKCabPersist* p, const char* key);
// A copy owned by the caller, or null.
SKCab* KCabPersistGetCabRead(SKCabPersist* p, const char* key);
// The checked-out working copy (owned by the store; change it in place).
SKCab* KCabPersistStartCabWrite(SKCabPersist* p, const char* key);
void KCabPersistEndStoreCabWrite(SKCabPersist* p, const char* key, SKCab* copy);
void KCabPersistEndDiscardCabWrite(SKCabPersist* p, const char* key, SKCab* copy);
void KCabPersistMakeWritableEmpty(SKCab* copy);
// Writes the master to the main file. False, with the file on disk as it was,
// when anything on the way fails.
ASBool KCabPersistCommit(SKCabPersist* p, ASBool onlyIfAutoCommit);
ASInt32 KCabPersistOldNameUsed(SKCabPersist* p);
void DestroyKCabPersist(SKCabPersist* p, ASBool commit);

SKCab* ReadKCabFromXMLDirectorySearch(const char* name, const char* key);
// The user settings folder (ending with "/"), made when needed; "" on failure.
void PlatformFindSettingsDirectory(char* buffer, ASInt32 size, const char* subfolder);
