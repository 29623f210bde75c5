#include "frame/PlugIn.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "foundation/ProductName.h"
#include "pdftools/PageTemplate.h"
#include "foundation/Alerts.h"
#include "kctl/LanguageDialogs.h"
#include "foundation/MemFileSys.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"
#include "frame/Automation.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/ToolButton.h"
#include "host/AV.h"
#include "kctl/KCtlAlert.h"
#include "kctl/StatusBox.h"
#include "kctl/JPEGCtl.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/PDFCtl.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageSizes.h"
#include "platform/PfResource.h"

namespace {

// Only its address matters: it names this extension to the host.
char gExtensionRecord;

constexpr ASInt32 kLangSize = 20;
constexpr ASInt32 kFolderSize = 1000;
constexpr ASInt32 kBusyCursor = 1112;

// The bundle's Resources folder becomes the plug-in's resource file, as the
// host makes a plug-in's resources reachable; the host's own stays current.
void OpenPluginResourceFile() {
  static bool opened = false;
  const char* folder = PfBundleGetResourcesFolder();
  if (opened || !folder || !*folder) return;
  opened = true;
  int16_t current = PfCurResFile();
  gMacPluginResFile = PfOpenResourceFolder(folder);
  PfUseResFile(current);
}

// The built-in strings count only when "common.button.ok" then has a text of
// its own.
bool LoadBuiltInMessages(const char* language) {
  if (!ReadMessagesFromControlResource(kKVMessageControlResource, language, gSystemMessageTable)) return false;
  const char* ok = GetMessageFromTableByKey(gSystemMessageTable, "common.button.ok");
  return ok && *ok && std::strcmp(ok, "common.button.ok") != 0;
}

// True when some language of the table has texts.
bool AnyTexts(SMessageTable* table) {
  ASAtom* langs = nullptr;
  ASInt32 count = 0;
  MessageTableGetLangArray(table, &langs, &count);
  for (ASInt32 i = 0; i < count; ++i)
    if (MessageTableLangHasMessages(table, langs[i])) return true;
  return false;
}

// A translator's message folder; true when its strings are to be used. The
// language word becomes "none" then. *unusable: the folder gave no texts at
// all, so there is nothing to choose between.
bool UseMessageFolder(char* language, const char* folder, bool* unusable) {
  char question[1200];
  FormatMessageTextUTF8(question, sizeof question,
                        "%s will use message directory %s, or Cancel to reset to internal strings", nullptr, nullptr,
                        "ss", CurrentProductString(kProductShortName), folder);
  if (!ConfirmMessageUTF8(question, 1)) {
    // Kept in the settings, but skipped from now on.
    std::string declined = std::string("*") + folder;
    SetMessageDirFolder(kKVExtensionCode, declined.c_str());
    return false;
  }
  SetMessageDebugMode(1);
  AVCursor cursor = AVSysGetCursor();
  AVSysSetCursor(AVSysGetStandardCursor(kBusyCursor));
  // Read into a table of its own: one that gives no texts at all must leave
  // nothing behind, not even the empty languages its subfolders name.
  SMessageTable* texts = NewMessageTable(ASAtomFromString("en"));
  ASBool read = 0;
  DURING
    read = ReadAllXMLSpreadsheetsFromDir(folder, texts, 1);
  HANDLER
    AVSysSetCursor(cursor);
    DestroyMessageTable(texts);
    RERAISE();
  END_HANDLER
  AVSysSetCursor(cursor);
  *unusable = !AnyTexts(texts);
  if (*unusable || (!read && ConfirmMessageUTF8("Problem with message directory. Use built in strings instead?", 2))) {
    if (*unusable) SetMessageDebugMode(0);
    DestroyMessageTable(texts);
    return false;
  }
  DestroyMessageTable(gSystemMessageTable);
  gSystemMessageTable = texts;
  FlushMessageCaches();
  SetMessageTableCurrentLang(gSystemMessageTable, ASAtomFromString(language), 0);
  CopyCutUTF8(language, kLangSize, "none");
  return true;
}

}  // namespace

ExtensionID gExtensionID = &gExtensionRecord;

ASBool PIHandshake(ASUns32 handshakeVersion, void* handshakeData) {
  if (handshakeVersion != kPIHandshakeVersion || !handshakeData) return 0;
  auto* data = static_cast<PIHandshakeData*>(handshakeData);
  if (data->size < sizeof(PIHandshakeData)) return 0;
  data->extensionName = ASAtomFromString(kKVExtensionCode);
  data->exportHFTsCallback = nullptr;
  data->importReplaceAndRegisterCallback = nullptr;
  data->initCallback = (PIInitProc)ASCallbackCreate(gExtensionID, (void*)MasterInit);
  data->unloadCallback = (PIUnloadProc)ASCallbackCreate(gExtensionID, (void*)MyUnload);
  return 1;
}

ASBool KVFetchPluginResource(const char type[4], ASInt32 number, const void** data, ASSize_t* size) {
  // Never destroyed: documents may read the bytes until the process ends.
  static auto* kept = new std::map<std::pair<std::string, ASInt32>, PfHandle>();
  std::string name(type, 4);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  auto key = std::make_pair(name, number);
  auto found = kept->find(key);
  PfHandle h = found != kept->end() ? found->second : nullptr;
  if (!h) {
    h = PfBundleLoadResourceById(name.c_str(), number);
    if (!h) return 0;
    (*kept)[key] = h;
  }
  *data = PfHandleData(h);
  *size = (ASSize_t)PfGetHandleSize(h);
  return 1;
}

ASBool MasterInit() {
  gMacExtensionID = gExtensionID;
  OpenPluginResourceFile();
  SetMemResourceFetchProc(KVFetchPluginResource);

  InitGlobalAtomTable();
  InitSystemMessageTable();

  char language[kLangSize] = "";
  char folder[kFolderSize] = "";
  GetUserLang(kKVExtensionCode, language, sizeof language, folder, sizeof folder);
  if (!language[0] && !GetApplicationLang(language, sizeof language)) language[0] = 0;
  if (!language[0]) CopyCutUTF8(language, sizeof language, "en");

  // A folder that cannot be read gives no texts: the built-in ones are used
  // without a question, and the user is told once which folder it was.
  bool folderUnusable = MessageFolderInUse(folder) && !MessageFolderUsable(folder);
  bool folderInUse =
      MessageFolderInUse(folder) && !folderUnusable && UseMessageFolder(language, folder, &folderUnusable);
  if (!folderInUse && !LoadBuiltInMessages(language)) {
    ErrMessageUTF8("Internal error. Failed to load messages. Please report");
    return 0;
  }
  if (folderUnusable) {
    char text[1200];
    FormatMessageByKeyUTF8(nullptr, "common.err.msgfolder.unusable",
                           "The message folder %s cannot be used; the built-in texts are used instead.", text,
                           sizeof text, "s", folder);
    WarnMessageUTF8(text);
  }

  if (!MessageTableLangKnown(gSystemMessageTable, ASAtomFromString(language))) {
    ASBool chosen = RunLangUI(folderInUse ? gSystemMessageTable : nullptr, kKVMessageControlResource,
                              kKVExtensionCode, 0, nullptr);
    if (!chosen && !folderInUse) return 0;
    GetUserLang(kKVExtensionCode, language, sizeof language, nullptr, 0);
    SetMessageTableCurrentLang(gSystemMessageTable, ASAtomFromString(language), 0);
  }

  KCtlPlatformSetDominantLanguage((ASInt32)ASAtomFromString(language));
  SetStatusBoxTitleUtf8(CurrentProductString(kProductShortName));
  SetAlertKCtlMode(CurrentProductString(kProductFullName));
  if (gKVToolButton) InitKVToolbutton();
  InitKVCommands(0);
  ASBool menus = InitImpMenus();
  KVRegisterAutomation();
  return menus;
}

// What the plug-in keeps between commands goes with it, so that a host that
// unloads and loads it again finds nothing left over: the dialog responder
// and its answers, open dialogs and the status box, the remembered alert
// positions, the cached background file and preview document, the page-size
// collection and the message setup's tables.
ASBool MyUnload() {
  KVAutomationTerm();
  KVForgetLastRuns();
  StatusBoxTerm();
  KCtlAlertTerm();
  PDFCtlTerm();
  JPEGCtlTerm();
  TemplateCacheTerm();
  PageSizeCollectionTerm();
  LanguageTerm();
  return 1;
}
