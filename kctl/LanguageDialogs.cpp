#include "kctl/LanguageDialogs.h"

#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"
#include "host/AV.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"

namespace {

// OK ends a dialog with 1, Cancel with 2.
void AddOkAndCancel(SKCtlDialog* d) {
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, GetMessageFromTableByKey(gSystemMessageTable, "common.button.ok"),
                    nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
}

// The message setup dialog's test table (from the first successful load until
// the next) and its values of the last opening.
SMessageTable* gGenMsgTestTable = nullptr;
SKCab* gGenMsgLastValues = nullptr;

constexpr ASInt16 kGenMsgStatusId = 101;
constexpr ASInt16 kGenMsgResultId = 102;
constexpr ASInt16 kGenMsgIdField = 103;
constexpr ASInt32 kGenMsgBusyCursor = 1112;
constexpr const char* kRestartText = "Restart Acrobat for change to message processing";
constexpr const char* kUnusableText = "The message directory cannot be used: it holds no language folder with spreadsheets";

void SetGenMsgText(SMacDialogInfo* dialog, ASInt32 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return;
  if (SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id)) KCtlPlatformSetControlText(dialog, data, e, text);
}


// A folder field left empty or blank names no folder.
bool NoFolderGiven(const char* folder) { return !folder || !folder[std::strspn(folder, " \t")]; }

void DropGenMsgTestTable() {
  if (gGenMsgTestTable) DestroyMessageTable(gGenMsgTestTable);
  gGenMsgTestTable = nullptr;
}

// Puts the previous cursor back however the load ends.
struct CursorKeeper {
  AVCursor saved = AVSysGetCursor();
  CursorKeeper() { AVSysSetCursor(AVSysGetStandardCursor(kGenMsgBusyCursor)); }
  ~CursorKeeper() { AVSysSetCursor(saved); }
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;
};

}  // namespace

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
      if (lang == ASAtomNull || !MessageTableLangHasMessages(table, lang)) continue;
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
    AddOkAndCancel(d);
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

ASInt32 GenMsgLoadButton(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCab* values = KCtlAdvanceExport(dialog, KCabNewInner(), 1);
  DURING
    const char* folder = KCabGetString(values, "MsgDir");
    if (NoFolderGiven(folder)) {
      SetGenMsgText(dialog, kGenMsgStatusId, "Set a folder name");
    } else {
      DropGenMsgTestTable();
      gGenMsgTestTable = NewMessageTable(ASAtomNull);
      CursorKeeper cursor;
      SetGenMsgText(dialog, kGenMsgStatusId, "Loading table...");
      if (!ReadAllXMLSpreadsheetsFromDir(folder, gGenMsgTestTable, 0) &&
          !ConfirmMessageUTF8("Use problem table anyway?", 1)) {
        SetGenMsgText(dialog, kGenMsgStatusId, "Failed to load table");
        DropGenMsgTestTable();
      } else {
        ASAtom lang = KCabGetAtom(values, "Lang", ASAtomNull);
        if (lang != ASAtomNull) SetMessageTableCurrentLang(gGenMsgTestTable, lang, 0);
        SetGenMsgText(dialog, kGenMsgStatusId, "Loaded table");
      }
    }
    SetGenMsgText(dialog, kGenMsgResultId, "");
  HANDLER
    KCabDestroy(values);
    RERAISE();
  END_HANDLER
  KCabDestroy(values);
  return kKCtlCallBackGoOn;
}

ASInt32 GenMsgSetLangButton(SMacDialogInfo*, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  if (!gGenMsgTestTable) {
    ErrMessageUTF8("You must load the tables first");
    return kKCtlCallBackGoOn;
  }
  SKCab* values = KCabNewInner();
  DURING
    KCabPutAtom(values, "Lang", GetMessageTableCurrentLang(gGenMsgTestTable));
    SKCtlData* data = KCtlCreateData(NewChangeLanguageDialog(gGenMsgTestTable, 0));
    KCtlDataSetExportCab(data, values, nullptr);
    if (KCtlPlatformTestModal(data, nullptr) == 1) {
      // The test table may have gone while the dialog ran (a nested load).
      if (gGenMsgTestTable &&
          SetMessageTableCurrentLang(gGenMsgTestTable, KCabGetAtom(values, "Lang", ASAtomNull), 0)) {
        FlushMessageCaches();
        WarnMessageUTF8("Language changed. Some strings may not change until Acrobat is restarted.");
      } else {
        ErrMessageUTF8("Failed to change language");
      }
    }
  HANDLER
    KCabDestroy(values);
    RERAISE();
  END_HANDLER
  KCabDestroy(values);
  return kKCtlCallBackGoOn;
}

ASInt32 GenMsgMessageIdChange(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!gGenMsgTestTable) {
    SetGenMsgText(dialog, kGenMsgResultId, "(Tables not loaded)");
    return kKCtlCallBackGoOn;
  }
  char key[256];
  std::string text;
  SetMessageKeyValidationSuppressed(1);
  DURING
    MacDialogGetItemTextUTF8(dialog, kGenMsgIdField, key, sizeof key);
    text = KnownMessageInTableByKey(gGenMsgTestTable, key) ? GetMessageFromTableByKey(gGenMsgTestTable, key)
                                                           : "(Unknown)";
  HANDLER
    SetMessageKeyValidationSuppressed(0);
    RERAISE();
  END_HANDLER
  SetMessageKeyValidationSuppressed(0);
  SetGenMsgText(dialog, kGenMsgResultId, text.c_str());
  return kKCtlCallBackGoOn;
}

void SetGenMsgCab(const char*, SKCab* values) {
  SKCab* kept = KCabDup(values);
  if (gGenMsgLastValues) KCabDestroy(gGenMsgLastValues);
  gGenMsgLastValues = kept;
  char stored[32], folder[2048];
  GetUserLang(nullptr, stored, sizeof stored, folder, sizeof folder);
  const char* chosen = KCabGetString(values, "MsgDir");
  std::string dir = chosen ? chosen : "";
  if (KCabGetBool(values, "UseMsgDir", 0)) {
    // The start reads the folder only when it is usable: one rule for both.
    if (NoFolderGiven(dir.c_str())) {
      ErrMessageUTF8("You must choose a folder to set message directory");
    } else if (!MessageFolderUsable(dir.c_str())) {
      ErrMessageUTF8(kUnusableText);
    } else if (dir != folder) {
      // A folder that could not be stored must not claim a restart would use it.
      if (SetMessageDirFolder(nullptr, dir.c_str())) ErrMessageUTF8(kRestartText);
      else ErrMessageUTF8("Unable to store language settings");
    }
    return;
  }
  std::string aside = NoFolderGiven(dir.c_str()) ? std::string() : "*" + dir;
  if (!SetMessageDirFolder(nullptr, aside.c_str())) ErrMessageUTF8("Unable to store language settings");
  else if (MessageFolderInUse(folder)) ErrMessageUTF8(kRestartText);
}

ASBool RunGenMsgUI(const char*) {
  SKCab* values = gGenMsgLastValues ? KCabDup(gGenMsgLastValues) : KCabNewInner();
  ASBool ok = 0;
  DURING
    char stored[32], folder[2048];
    GetUserLang(nullptr, stored, sizeof stored, folder, sizeof folder);
    if (folder[0] && std::strcmp(folder, "*") != 0) {
      bool aside = folder[0] == '*';
      KCabPutStringCopy(values, "MsgDir", aside ? folder + 1 : folder);
      KCabPutBool(values, "UseMsgDir", !aside);
    } else {
      KCabPutBool(values, "UseMsgDir", 0);
    }
    KCabPutAtom(values, "Lang", ASAtomFromString(stored[0] ? stored : "Default"));

    SKCtlDialog* d = KCtlNewDialog("Internal message setup", kKCtlDialogFreeDescription | kKCtlDialogFreeData);
    DURING
      KCtlSetExportKey("UseMsgDir", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1,
                                                      "Test strings: Use message directory for application", nullptr));
      KCtlStock_Directory(d, 0, nullptr, "Message directory: ", "Enter directory containing XML message files", "MsgDir",
                          -1);
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, 0x210, -1, "Load tables", nullptr), kKCtlTriggerAny,
                            GenMsgLoadButton, nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, 0xA00000, kGenMsgStatusId, " ", nullptr);
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, 0x200, -1, "Change testing language...", nullptr),
                            kKCtlTriggerAny, GenMsgSetLangButton, nullptr);
      SKCtlElem* group = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, "Check a message", nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, 16, -1, "Message code:", group);
      SKCtlElem* id = KCtlAddNewElement(d, kKCtlEditText, 0, kGenMsgIdField, std::string(31, 'x').c_str(), group);
      KCtlSetExportKeyEditString("ID", 0, id);
      KCtlSetActionCallback(id, kKCtlTriggerEditChanged, GenMsgMessageIdChange, nullptr);
      KCtlForceElementSize(400, 60, KCtlAddNewElement(d, kKCtlStaticText, 0x800000, kGenMsgResultId, " ", group));
      AddOkAndCancel(d);
    HANDLER
      KCtlDestroyDialog(d);
      RERAISE();
    END_HANDLER
    SKCtlData* data = KCtlCreateData(d);
    KCtlDataSetExportCab(data, values, nullptr);
    if (KCtlPlatformTestModal(data, nullptr) == 1) {
      SetGenMsgCab(nullptr, values);
      ok = 1;
    }
  HANDLER
    KCabDestroy(values);
    RERAISE();
  END_HANDLER
  KCabDestroy(values);
  return ok;
}

void LanguageTerm() {
  DropGenMsgTestTable();
  if (gGenMsgLastValues) KCabDestroy(gGenMsgLastValues);
  gGenMsgLastValues = nullptr;
}
