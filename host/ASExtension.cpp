#include "host/ASExtension.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "host/ASProgress.h"

struct _t_HFTRec {
  std::string name;
  ASVersion version;
  std::vector<void*> entries;
};

namespace {

std::string gPrefsOverride;
std::string gPrefsAnswer;

ASInt16 gMajor = 9;
ASInt16 gMinor = 0;

bool gRefused = false;
std::string gRefusedName;
ASVersion gRefusedVersion = 0;

std::map<std::string, HFT>& Tables() {
  static auto* m = new std::map<std::string, HFT>;
  return *m;
}

}  // namespace

ASCallback ASCallbackCreate(ExtensionID, void* proc) { return proc; }

void ASCallbackDestroy(ASCallback) {}

void ASHostVersionGet(ASInt16* major, ASInt16* minor) {
  if (major) *major = gMajor;
  if (minor) *minor = gMinor;
}

void ASHostVersionSet(ASInt16 major, ASInt16 minor) {
  gMajor = major;
  gMinor = minor;
}

const char* ASHostGetPreferencesFolder() {
  if (!gPrefsOverride.empty()) return gPrefsOverride.c_str();
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    gPrefsAnswer = xdg;
    return gPrefsAnswer.c_str();
  }
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || home[0] != '/') return nullptr;
  gPrefsAnswer = std::string(home) + "/.config";
  return gPrefsAnswer.c_str();
}

void ASHostSetPreferencesFolder(const char* path) { gPrefsOverride = path ? path : ""; }

HFT HFTRegister(const char* name, ASVersion version, void* const* entries, ASUns32 count) {
  auto& tables = Tables();
  HFT& slot = tables[name ? name : ""];
  if (!slot) slot = new _t_HFTRec;  // tables live for the process: callers keep them
  slot->name = name ? name : "";
  slot->version = version;
  slot->entries.assign(entries, entries + count);
  return slot;
}

HFT ASExtensionMgrGetHFT(ASAtom name, ASVersion minVersion) {
  auto& tables = Tables();
  auto it = tables.find(ASAtomGetString(name));
  if (it == tables.end() || it->second->version < minVersion || it->second->entries.empty()) {
    gRefused = true;
    gRefusedName = ASAtomGetString(name);
    gRefusedVersion = minVersion;
    return nullptr;
  }
  return it->second;
}

ASBool HFTLastRefusal(const char** name, ASVersion* wanted) {
  if (!gRefused) return 0;
  if (name) *name = gRefusedName.c_str();
  if (wanted) *wanted = gRefusedVersion;
  return 1;
}

void HFTClearLastRefusal() { gRefused = false; }

ASVersion HFTGetVersion(HFT table) { return table ? table->version : 0; }

ASUns32 HFTGetSize(HFT table) { return table ? (ASUns32)table->entries.size() : 0; }

void* HFTGetEntry(HFT table, ASUns32 selector) {
  if (!table || selector >= table->entries.size()) return nullptr;
  return table->entries[selector];
}

ASBool HFTEntryIsPresent(HFT table, ASUns32 selector) {
  void* e = HFTGetEntry(table, selector);
  return e != nullptr && (uintptr_t)e != HFTEntryPlaceholder;
}

void HFTReplaceEntry(HFT table, ASUns32 selector, void* entry) {
  if (table && selector < table->entries.size()) table->entries[selector] = entry;
}

void HFTUnregister(const char* name) {
  auto& tables = Tables();
  auto it = tables.find(name ? name : "");
  if (it != tables.end()) it->second->entries.clear();  // the record stays: old handles remain safe
}

void ProgressMonitorBegin(ProgressMonitor m, void* clientData) {
  if (m && m->beginOperation) m->beginOperation(clientData);
}

void ProgressMonitorEnd(ProgressMonitor m, void* clientData) {
  if (m && m->endOperation) m->endOperation(clientData);
}

void ProgressMonitorSetDuration(ProgressMonitor m, ASInt32 duration, void* clientData) {
  if (m && m->setDuration) m->setDuration(duration, clientData);
}

void ProgressMonitorSetCurrValue(ProgressMonitor m, ASInt32 value, void* clientData) {
  if (m && m->setCurrValue) m->setCurrValue(value, clientData);
}
