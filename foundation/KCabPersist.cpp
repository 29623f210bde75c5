#include "foundation/KCabPersist.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"

SKCabPersist* gKCabPersistChain = nullptr;
const char* const kKCabPersistMaintKey = "Krvl_GlobalCabMaint";

namespace {

const char* const kMaint = kKCabPersistMaintKey;
constexpr const char* kUseCount = "Krvl_GlobalCabMaint:UseCount";

bool gToldNoPrefsFolder = false;

char* CopyString(const char* s) {
  size_t n = std::strlen(s ? s : "");
  char* p = static_cast<char*>(ASmallocWithException(n + 1));
  std::memcpy(p, s ? s : "", n + 1);
  return p;
}

// Tells the user once per load: the settings cannot be kept.
void TellOnce(const char* text) {
  if (gToldNoPrefsFolder) return;
  gToldNoPrefsFolder = true;
  ErrMessageUTF8(text);
}

bool MakeFolder(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

// Makes every missing folder of an absolute path ending with "/".
bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/' && !MakeFolder(path.substr(0, i))) return false;
  return true;
}

SKFileName* FileIn(const char* directory, const std::string& name, const char* suffix) {
  if (!directory || !*directory) return nullptr;  // never the current directory
  return NewKFileNameFromUtf8((std::string(directory) + name + suffix).c_str());
}

int UTCWeekday() {
  time_t now = std::time(nullptr);
  struct tm tm;
  gmtime_r(&now, &tm);
  return tm.tm_wday;
}

void ReplaceName(SKFileName** slot, SKFileName* fresh) {
  DestroyKFileNameOnly(*slot);
  *slot = fresh;
}

ASInt32 UseCount(SKCab* copy) { return KCabGetInt(copy, kUseCount, 0); }

void SetUseCount(SKCab* copy, ASInt32 n) {
  if (!KCabGetCab(copy, kMaint)) {
    SKCab* maint = KCabNewInner();
    DURING
      KCabPutBool(maint, "KRVLNoExport", 1);
      KCabPutInt(maint, "UseCount", 0);
    HANDLER
      KCabDestroy(maint);
      RERAISE();
    END_HANDLER
    KCabPutCab(copy, kMaint, maint);  // takes it, also when it fails
  }
  KCabPutInt(copy, kUseCount, n);
}

// Empties the working cabinet after a reload. Copies still checked out are
// taken out of it but not destroyed: their holders end them later, and a
// copy that is no longer the working one is only dropped then.
void ReleaseWorkingCopies(SKCabPersist* p) {
  struct Collect {
    std::string keys;
  } c;
  KCabConstEnum(
      p->working,
      [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<Collect*>(data)->keys += std::string(key) + '\n';
        return 1;
      },
      &c);
  size_t start = 0;
  while (start < c.keys.size()) {
    size_t end = c.keys.find('\n', start);
    std::string key = c.keys.substr(start, end - start);
    start = end + 1;
    SKCab* copy = KCabGetCab(p->working, key.c_str());
    if (copy && UseCount(copy) > 0) KCabDetachCab(p->working, key.c_str());
    else KCabRemove(p->working, key.c_str());
  }
}

void SyncCheck(SKCabPersist* p) {
  if (!p->syncMode || !p->mainFile) return;
  if (KFileNameGetModificationTime(p->mainFile) == p->rememberedTime) return;
  KCabPersistLoadFrom(p, p->mainFile);
  ReleaseWorkingCopies(p);
}

bool FileExists(const SKFileName* n) {
  struct stat st;
  return n && n->path && ::stat(n->path, &st) == 0;
}

// A main file that exists and does not read is moved out of the way of the
// weekday backups (a commit would put it into today's, and the next commit
// of the day would delete it): the first free "NAME unreadableN.xml".
// Null when it could not be moved.
SKFileName* SetAside(SKCabPersist* p) {
  for (int n = 1; n <= 999; ++n) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " unreadable%d.xml", n);
    SKFileName* aside = FileIn(p->directory, p->name, suffix);
    if (!aside) return nullptr;
    if (FileExists(aside)) {
      DestroyKFileNameOnly(aside);
      continue;
    }
    if (RenameFileByKFileName(p->mainFile, aside)) return aside;
    DestroyKFileNameOnly(aside);
    return nullptr;
  }
  return nullptr;
}

// Tells that the main file did not read: where it went, and what the
// settings were taken from instead (null: nothing, they start empty).
void TellUnreadable(const SKCabPersist* p, const SKFileName* aside, const SKFileName* from) {
  const char* main = p->mainFile->path;
  char text[3000];
  if (!aside)
    FormatMessageByKeyUTF8(nullptr, "settings.warn.unreadable.kept",
                           "The settings file %s could not be read, nor moved aside: it is left as it is, and "
                           "settings are not saved until it reads or is removed.",
                           text, sizeof text, "s", main);
  else if (from)
    FormatMessageByKeyUTF8(nullptr, "settings.warn.unreadable.backup",
                           "The settings file %s could not be read: it was moved to %s, and the settings were "
                           "taken from %s.",
                           text, sizeof text, "sss", main, aside->path, from->path);
  else
    FormatMessageByKeyUTF8(nullptr, "settings.warn.unreadable.empty",
                           "The settings file %s could not be read: it was moved to %s, and the settings start "
                           "empty.",
                           text, sizeof text, "ss", main, aside->path);
  WarnMessageUTF8(text);
}

// A file of the plug-in's own folder is never moved: it is only left out.
void TellUnreadableInstalled(const SKFileName* file) {
  char text[2000];
  FormatMessageByKeyUTF8(nullptr, "settings.warn.unreadable.installed",
                         "The settings file %s could not be read: it is left out.", text, sizeof text, "s",
                         file->path);
  WarnMessageUTF8(text);
}

using FileNameHolder = std::unique_ptr<SKFileName, void (*)(SKFileName*)>;

ASBool SetDirectory(SKCabPersist* p, const char* directory, bool ownFolder);

}  // namespace

SKCabPersist* NewKCabPersist(const char* name) {
  SKCabPersist* p = static_cast<SKCabPersist*>(ASmallocWithException(sizeof(SKCabPersist)));
  std::memset(p, 0, sizeof *p);
  DURING
    p->name = CopyString(name);
    p->directory = CopyString("");
    p->master = KCabNewInner();
    p->working = KCabNewInner();
  HANDLER
    KCabDestroy(p->master);
    ASfree(p->directory);
    ASfree(p->name);
    ASfree(p);
    RERAISE();
  END_HANDLER
  p->nextInChain = gKCabPersistChain;
  if (gKCabPersistChain) gKCabPersistChain->prevInChain = p;
  gKCabPersistChain = p;
  return p;
}

void KCabPersistSetOldName(SKCabPersist* p, const char* olderName) {
  if (!p || !olderName) return;
  SKCabPersistOldName* n = static_cast<SKCabPersistOldName*>(ASmallocWithException(sizeof(SKCabPersistOldName)));
  DURING
    n->name = CopyString(olderName);
  HANDLER
    ASfree(n);
    RERAISE();
  END_HANDLER
  n->next = p->olderNames;
  p->olderNames = n;
}

void KCabPersistSetSyncMode(SKCabPersist* p, ASBool on) {
  if (!p) return;
  p->syncMode = on;
  if (on && p->mainFile) p->rememberedTime = KFileNameGetModificationTime(p->mainFile);
}

void KCabPersistSetAutoCommitMode(SKCabPersist* p, ASBool on) {
  if (p) p->autoCommit = on;
}

void PlatformFindSettingsDirectory(char* buffer, ASInt32 size, const char* subfolder) {
  if (!buffer || size < 1) return;
  buffer[0] = 0;
  char prefs[1000];
  if (!MacGetPreferencesFolderPath(prefs, sizeof prefs)) {
    TellOnce("Cannot locate preferences folder. Settings not saved");
    return;
  }
  std::string path = std::string(prefs) + "Korvel/";
  if (subfolder && *subfolder) path += std::string(subfolder) + "/";
  if (path.size() + 1 > (size_t)size) {
    TellOnce("Failed to create preferences directory. Will not save settings");
    return;
  }
  if (!MakeFolders(path)) {
    TellOnce("Failed to create preferences directory. Will not save settings");
    return;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
}

ASBool KCabPersistSetWriteableDirectory(SKCabPersist* p) {
  char dir[1000];
  PlatformFindSettingsDirectory(dir, sizeof dir, nullptr);
  return KCabPersistSetDirectory(p, dir);
}

ASBool KCabPersistSetInstallDirectory(SKCabPersist* p) {
  char path[1000];
  PluginFileName(path, sizeof path);
  size_t n = std::strlen(path);
  while (n > 0 && path[n - 1] != '/' && path[n - 1] != ':') --n;
  path[n] = 0;
  if (n < 2) return 0;
  return SetDirectory(p, path, false);
}

ASBool KCabPersistSetDirectory(SKCabPersist* p, const char* directory) { return SetDirectory(p, directory, true); }

namespace {

// ownFolder: the settings folder, where a main file that does not read is
// moved aside; else the plug-in's folder, where it is only left out.
ASBool SetDirectory(SKCabPersist* p, const char* directory, bool ownFolder) {
  if (!p) return 0;
  if (!directory) directory = "";
  char* dir = CopyString(directory);
  ASfree(p->directory);
  p->directory = dir;
  p->unreadMainKept = 0;
  char backup[40];
  std::snprintf(backup, sizeof backup, " backup%d.xml", UTCWeekday());
  ReplaceName(&p->mainFile, FileIn(dir, p->name, ".xml"));
  ReplaceName(&p->backupFile, FileIn(dir, p->name, backup));
  ReplaceName(&p->tempFile, FileIn(dir, p->name, " plugintemp.tmp"));

  if (p->mainFile && KCabPersistLoadFrom(p, p->mainFile)) {
    if (p->syncMode) p->rememberedTime = KFileNameGetModificationTime(p->mainFile);
    return 1;
  }
  // A missing main file is a first run; one there that does not read is told, never dropped silently.
  const bool unread = FileExists(p->mainFile);
  FileNameHolder aside(nullptr, DestroyKFileNameOnly);
  if (unread && ownFolder) {
    aside.reset(SetAside(p));
    // Left where it is, it must not be written over.
    if (!aside) p->unreadMainKept = 1;
  }
  FileNameHolder from(nullptr, DestroyKFileNameOnly);  // what the settings were taken from instead
  bool found = false;
  if (*dir) {
    // The backups, newest first (the lowest weekday among equal times).
    time_t times[7];
    for (int day = 0; day < 7; ++day) {
      std::snprintf(backup, sizeof backup, " backup%d.xml", day);
      SKFileName* n = FileIn(dir, p->name, backup);
      times[day] = n ? KFileNameGetModificationTime(n) : 0;
      DestroyKFileNameOnly(n);
    }
    for (;;) {
      int best = -1;
      for (int day = 0; day < 7; ++day)
        if (times[day] != 0 && (best < 0 || times[day] > times[best])) best = day;
      if (best < 0) break;
      std::snprintf(backup, sizeof backup, " backup%d.xml", best);
      FileNameHolder n(FileIn(dir, p->name, backup), DestroyKFileNameOnly);
      if (n && KCabPersistLoadFrom(p, n.get())) {
        from = std::move(n);
        p->olderNameUsed = 1;
        found = true;
        break;
      }
      times[best] = 0;
    }
    // Older names, the latest added first; names that fail are forgotten.
    SKCabPersistOldName** link = &p->olderNames;
    while (!found && *link) {
      SKCabPersistOldName* old = *link;
      FileNameHolder n(FileIn(dir, old->name, ".xml"), DestroyKFileNameOnly);
      if (n && KCabPersistLoadFrom(p, n.get())) {
        from = std::move(n);
        p->olderNameUsed = 1;
        found = true;
        break;
      }
      *link = old->next;
      ASfree(old->name);
      ASfree(old);
    }
  }
  p->loaded = 1;
  if (p->syncMode && p->mainFile) p->rememberedTime = KFileNameGetModificationTime(p->mainFile);
  if (unread && ownFolder) TellUnreadable(p, aside.get(), from.get());
  else if (unread) TellUnreadableInstalled(p->mainFile);
  return 1;
}

}  // namespace

ASBool KCabPersistLoadFrom(SKCabPersist* p, const SKFileName* file) {
  if (!p) return 0;
  SKCab* cab = file ? KCabReadFromKFileName(file, nullptr) : nullptr;
  if (!cab) {
    if (file) p->loadFailed = 1;
    p->loaded = 0;
    return 0;
  }
  KCabDestroy(p->master);
  p->master = cab;
  p->loaded = 1;
  if (p->syncMode && p->mainFile) p->rememberedTime = KFileNameGetModificationTime(p->mainFile);
  return 1;
}

ASBool KCabPersistExists(SKCabPersist* p, const char* key) {
  return p && p->loaded && KCabGetCab(p->master, key) != nullptr;
}

SKCab* KCabPersistGetCabRead(SKCabPersist* p, const char* key) {
  if (!p || !p->loaded) return nullptr;
  SyncCheck(p);
  if (!p->loaded) return nullptr;
  SKCab* sub = KCabGetCab(p->master, key);
  return sub ? KCabDup(sub) : nullptr;
}

SKCab* KCabPersistStartCabWrite(SKCabPersist* p, const char* key) {
  if (!p) return nullptr;
  SKCab* copy = KCabGetCab(p->working, key);
  if (!copy) {
    SyncCheck(p);
    SKCab* sub = KCabGetCab(p->master, key);
    copy = sub ? KCabDup(sub) : KCabNewInner();
    DURING
      KCabRemove(copy, kMaint);
      SetUseCount(copy, 0);
    HANDLER
      // Not checked out after all: the copy goes with the failure.
      KCabDestroy(copy);
      RERAISE();
    END_HANDLER
    KCabPutCab(p->working, key, copy);  // takes the copy, also when it fails
  }
  SetUseCount(copy, UseCount(copy) + 1);
  return copy;
}

void KCabPersistEndStoreCabWrite(SKCabPersist* p, const char* key, SKCab* copy) {
  if (!p || !copy) return;
  ASInt32 count = UseCount(copy) - 1;
  SetUseCount(copy, count);
  if (KCabGetCab(p->working, key) == copy) {
    SKCab* dup = KCabDup(copy);
    KCabRemove(dup, kMaint);  // bookkeeping of the check-out, not content
    KCabPutCab(p->master, key, dup);
    KCabPersistCommit(p, 1);
    if (count < 1) KCabRemove(p->working, key);
  } else if (count < 1) {
    KCabDestroy(copy);  // a copy the store let go of earlier
  }
}

void KCabPersistEndDiscardCabWrite(SKCabPersist* p, const char* key, SKCab* copy) {
  if (!p || !copy) return;
  ASInt32 count = UseCount(copy) - 1;
  SetUseCount(copy, count);
  if (KCabGetCab(p->working, key) == copy) {
    if (count > 0) KCabDetachCab(p->working, key);
    else KCabRemove(p->working, key);
  } else if (count <= 0) {
    KCabDestroy(copy);
  }
}

void KCabPersistMakeWritableEmpty(SKCab* copy) {
  if (!copy) return;
  SKCab* maint = KCabDetachCab(copy, kMaint);
  KCabMakeEmpty(copy);
  if (maint) KCabPutCab(copy, kMaint, maint);
}

ASBool KCabPersistCommit(SKCabPersist* p, ASBool onlyIfAutoCommit) {
  if (!p) return 0;
  if (onlyIfAutoCommit && !p->autoCommit) return 1;
  if (!p->mainFile || !p->tempFile || !p->backupFile) return 0;
  if (p->unreadMainKept) return 0;
  if (!p->loaded) {
    p->loadFailed = 0;
    return 0;
  }
  SKOpenFile* out = OpenKFileToWrite(p->tempFile);
  if (!out) return 0;
  ASBool wrote = 0;
  DURING
    wrote = WriteKCabToXMLKFile(out, p->master);
  HANDLER
    CloseAndDestroyKFile(out);
    DeleteFileByKFileName(p->tempFile);
    RERAISE();
  END_HANDLER
  bool closed = CloseAndDestroyKFile(out);
  if (!wrote || !closed) {
    DeleteFileByKFileName(p->tempFile);  // the main file stays as it was
    return 0;
  }
  // Today's backup makes room for the current main file only now, when the
  // new content is safely on disk.
  bool hadMain = FileExists(p->mainFile);
  if (hadMain) {
    if (FileExists(p->backupFile) && !DeleteFileByKFileName(p->backupFile)) {
      DeleteFileByKFileName(p->tempFile);
      return 0;
    }
    if (!RenameFileByKFileName(p->mainFile, p->backupFile)) {
      DeleteFileByKFileName(p->tempFile);
      return 0;
    }
  }
  if (!RenameFileByKFileName(p->tempFile, p->mainFile)) {
    if (hadMain) RenameFileByKFileName(p->backupFile, p->mainFile);  // put the old content back
    DeleteFileByKFileName(p->tempFile);
    return 0;
  }
  if (p->syncMode) p->rememberedTime = KFileNameGetModificationTime(p->mainFile);
  p->loaded = 1;
  return 1;
}

ASInt32 KCabPersistOldNameUsed(SKCabPersist* p) { return p ? p->olderNameUsed : 0; }

void DestroyKCabPersist(SKCabPersist* p, ASBool commit) {
  if (!p) return;
  if (commit) KCabPersistCommit(p, 0);
  if (p->prevInChain) p->prevInChain->nextInChain = p->nextInChain;
  else if (gKCabPersistChain == p) gKCabPersistChain = p->nextInChain;
  if (p->nextInChain) p->nextInChain->prevInChain = p->prevInChain;
  while (p->olderNames) {
    SKCabPersistOldName* n = p->olderNames;
    p->olderNames = n->next;
    ASfree(n->name);
    ASfree(n);
  }
  KCabDestroy(p->master);
  KCabDestroy(p->working);
  DestroyKFileNameOnly(p->mainFile);
  DestroyKFileNameOnly(p->backupFile);
  DestroyKFileNameOnly(p->tempFile);
  ASfree(p->directory);
  ASfree(p->name);
  ASfree(p);
}

SKCab* ReadKCabFromXMLDirectorySearch(const char* name, const char* key) {
  SKCabPersist* p = NewKCabPersist(name);
  SKCab* copy = nullptr;
  DURING
    KCabPersistSetWriteableDirectory(p);
    copy = KCabPersistGetCabRead(p, key);
    if (!copy && KCabPersistSetInstallDirectory(p)) copy = KCabPersistGetCabRead(p, key);
  HANDLER
    DestroyKCabPersist(p, 0);
    RERAISE();
  END_HANDLER
  DestroyKCabPersist(p, 0);
  return copy;
}
