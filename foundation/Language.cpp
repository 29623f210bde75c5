#include "foundation/Language.h"

#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/HostTables.h"
#include "kctl/KCtl.h"
#include "kctl/mac/KCtlMac.h"

namespace {

constexpr const char* kSetting = "general";
constexpr const char* kLangCab = "lang";

void CopyCut(char* out, ASInt32 size, const char* text) {
  if (!out || size < 1) return;
  size_t n = std::strlen(text ? text : "");
  if (n > (size_t)size - 1) {
    n = (size_t)size - 1;
    while (n > 0 && ((unsigned char)text[n] & 0xC0) == 0x80) --n;  // whole characters only
  }
  std::memcpy(out, text ? text : "", n);
  out[n] = 0;
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
    HFT table = ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0));
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

SKCtlDialog* NewChangeLanguageDialog(SMessageTable* table, ASBool offerDefault) {
  SKCtlDialog* d = KCtlNewDialog(GetMessageFromTableByKey(gSystemMessageTable, "dlg.lang.title"),
                                 kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  DURING
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, GetMessageFromTableByKey(gSystemMessageTable, "dlg.lang.1"), nullptr);
    SKCab* items = KCabNewInner();
    if (offerDefault)
      KCtlAddListItemToCab(items, GetMessageFromTableByKey(gSystemMessageTable, "prefs.lang.default"),
                           ASAtomFromString("Default"));
    ASAtom* langs = nullptr;
    ASInt32 count = 0;
    if (table) MessageTableGetLangArray(table, &langs, &count);
    for (ASInt32 i = 0; i < count; ++i) {
      ASAtom lang = langs[i];
      if (lang >= ASAtomNull || !MessageTableLangHasMessages(table, lang)) continue;
      const char* code = ASAtomGetString(lang);
      const char* key = "common.languagename.native";
      std::string native = GetMessageFromTableByKeyAndLang(table, key, lang);
      bool useNative = !native.empty() && native != key && !(native == "English" && std::strcmp(code, "en") != 0);
      std::string text = useNative ? native + " (" + code + ")" : code;
      KCtlAddListItemToCab(items, text.c_str(), lang);
    }
    SKCtlElem* pulldown = KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr);
    KCtlElemSetItemList(items, pulldown);
    KCtlSetExportKeyListAtom("Lang", pulldown);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1,
                      GetMessageFromTableByKey(gSystemMessageTable, "common.button.ok"), nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

ASBool RunLangUI(SMessageTable* table, ASInt32 controlId, const char*, ASBool offerDefault, SKCab* positionCab) {
  char stored[32];
  GetUserLang(nullptr, stored, sizeof stored, nullptr, 0);
  SMessageTable* made = nullptr;
  if (!table) {
    made = NewMessageTable(ASAtomFromString(stored));
    if (!ReadMessagesFromControlResource(controlId, nullptr, made)) {
      DestroyMessageTable(made);
      ErrMessageUTF8("Internal error: language resources not found!");
      return 0;
    }
    table = made;
  }
  SKCab* values = KCabNewInner();
  ASAtom storedAtom = ASAtomFromString(stored[0] ? stored : "Default");
  ASBool changed = 0;
  DURING
    KCabPutAtom(values, "Lang", storedAtom);
    SKCtlData* data = KCtlCreateData(NewChangeLanguageDialog(table, offerDefault));
    KCtlDataSetExportCab(data, values, positionCab);
    if (KCtlPlatformTestModal(data, nullptr) == 1) {
      ASAtom chosen = KCabGetAtom(values, "Lang", ASAtomFromString("?"));
      if (chosen != storedAtom) {
        const char* code = chosen == ASAtomFromString("Default") ? "" : ASAtomGetString(chosen);
        if (SetUserLang(nullptr, code)) changed = 1;
        else ErrMessageUTF8("Unable to store language settings");
      }
    }
  HANDLER
    KCabDestroy(values);
    if (made) DestroyMessageTable(made);
    RERAISE();
  END_HANDLER
  KCabDestroy(values);
  if (made) DestroyMessageTable(made);
  return changed;
}
