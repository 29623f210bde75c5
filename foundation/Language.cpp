#include "foundation/Language.h"

#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"
#include "foundation/ViewTable.h"
#include "host/AV.h"
#include "host/HostTables.h"

namespace {

constexpr const char* kSetting = "general";
constexpr const char* kLangCab = "lang";

void CopyCut(char* out, ASInt32 size, const char* text) {
  if (size > 0) CopyCutUTF8(out, (size_t)size, text);
}

ASBool StoreLangValue(const char* key, const char* value) {
  SKCabPersist* p = NewKCabPersist(kSetting);
  KCabPersistSetWriteableDirectory(p);
  SKCab* lang = KCabPersistStartCabWrite(p, kLangCab);
  KCabPutStringCopy(lang, key, value ? value : "");
  KCabPersistEndStoreCabWrite(p, kLangCab, lang);
  ASBool ok = KCabPersistCommit(p, 0);
  DestroyKCabPersist(p, 0);
  return ok;
}

struct HostLang {
  const char* host;
  const char* lang;
};
const HostLang kHostLangs[] = {{"CHS", "zh-cn"}, {"CHT", "zh-tw"}, {"DAN", "da"}, {"NLD", "nl"}, {"ENU", "en"},
                               {"SUO", "fi"},    {"FRA", "fr"},    {"DEU", "de"}, {"ITA", "it"}, {"JPN", "ja"},
                               {"NOR", "no"},    {"PTB", "pt-br"}, {"ESP", "es"}, {"SVE", "sv"}, {"KOR", "ko"},
                               {"POR", "pt"}};

typedef ASBool (*LanguageWithParamsProc)(AVAppLanguageParamsRec*);

// The host's version-6 view table, asked once per load.
LanguageWithParamsProc LanguageWithParams() {
  static bool asked = false;
  static LanguageWithParamsProc proc = nullptr;
  if (!asked) {
    asked = true;
    HFT table = HostViewTable6();
    if (HFTEntryIsPresent(table, AVAppGetLanguageWithParamsSEL))
      proc = reinterpret_cast<LanguageWithParamsProc>(HFTGetEntry(table, AVAppGetLanguageWithParamsSEL));
  }
  return proc;
}

}  // namespace

void GetUserLang(const char*, char* lang, ASInt32 langSize, char* folder, ASInt32 folderSize) {
  CopyCut(lang, langSize, "");
  CopyCut(folder, folderSize, "");
  SKCabPersist* p = NewKCabPersist(kSetting);
  SKCab* stored = nullptr;
  DURING
    KCabPersistSetWriteableDirectory(p);
    stored = KCabPersistGetCabRead(p, kLangCab);
  HANDLER
    DestroyKCabPersist(p, 0);
    RERAISE();
  END_HANDLER
  DestroyKCabPersist(p, 0);
  if (!stored) return;
  const char* l = KCabGetString(stored, "common");
  const char* f = KCabGetString(stored, "msgdir");
  CopyCut(lang, langSize, l ? l : "");
  CopyCut(folder, folderSize, f ? f : "");
  KCabDestroy(stored);
}

ASBool MessageFolderInUse(const char* stored) { return stored && stored[0] && stored[0] != '*'; }

ASBool SetUserLang(const char*, const char* lang) { return StoreLangValue("common", lang); }

ASBool SetMessageDirFolder(const char*, const char* folder) { return StoreLangValue("msgdir", folder); }

ASBool GetApplicationLang(char* buffer, ASInt32 size) {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  if (major > 5) {
    if (LanguageWithParamsProc proc = LanguageWithParams()) {
      AVAppLanguageParamsRec params;
      std::memset(&params, 0, sizeof params);
      params.size = sizeof params;
      params.kind = 0;
      if (proc(&params) && params.language[0]) {
        CopyCut(buffer, size, params.language);
        return 1;
      }
    }
  }
  char host[4] = {};
  AVAppGetLanguage(host);
  for (const HostLang& h : kHostLangs)
    if (std::strcmp(host, h.host) == 0) {
      CopyCut(buffer, size, h.lang);
      return 1;
    }
  return 0;
}
