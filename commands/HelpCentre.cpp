// The help centre: the two manuals beside the plug-in, the web pages named by
// message texts, and the way to the about box.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/HelpAbout.h"
#include "commands/Prefs.h"
#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/AVUTF8.h"
#include "foundation/HostTextHolder.h"
#include "kctl/DocWindow.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/Language.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/SystemLang.h"
#include "foundation/TextCut.h"
#include "foundation/ViewTable.h"
#include "frame/CommandModules.h"
#include "frame/KVCommands.h"
#include "frame/PlugIn.h"
#include "host/AV.h"
#include "host/ASExtension.h"
#include "host/ASText.h"
#include "host/HostTables.h"
#include "host/Notify.h"
#include "kctl/KCtlAlert.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/PDFCtl.h"
#include "platform/PfSystem.h"

AVDoc gettingStartedAVDoc = nullptr;
AVDoc onlineGuideAVDoc = nullptr;

namespace {

constexpr const char* kHelpSettings = "Last:Help";
constexpr size_t kManualNameSize = 300;
constexpr size_t kMessageSize = 300;  // path messages: 299 bytes and the NUL
constexpr size_t kURLSize = 1000;
constexpr size_t kValueSize = 200;
constexpr size_t kLangSize = 40;
constexpr size_t kVersionSize = 100;
constexpr size_t kHostPartSize = 100;

// "Last:Help", loaded once per plug-in life.
SKCab* gHelpSettings = nullptr;
bool gDocClosedRegistered = false;

// Appends text to out, cut to size - 1 bytes in all.
void AppendCut(std::string& out, const char* text, size_t size) {
  if (size == 0) return;
  size_t room = size - 1 > out.size() ? size - 1 - out.size() : 0;
  const char* t = text ? text : "";
  out.append(t, CutLengthUTF8(t, std::strlen(t), room));
}

void CopyOut(char* target, size_t size, const std::string& text) { CopyCutUTF8(target, size, text.c_str()); }

// The language of the system message table ("en" when none is set).
std::string CurrentLanguage() {
  ASAtom lang = GetMessageTableCurrentLang(gSystemMessageTable);
  const char* text = lang != ASAtomNull ? ASAtomGetString(lang) : nullptr;
  return text && *text ? text : "en";
}

ASInt16 HostMajor() {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  return major;
}

AVDoc* SlotOf(EManualType type) { return type == kManualFull ? &onlineGuideAVDoc : &gettingStartedAVDoc; }

// A row of the right column: the button, then its description beside it.
SKCtlElem* ButtonRow(SKCtlDialog* d, SKCtlElem* parent, const char* button, const char* description,
                     KCtlActionCallBack click, void* user) {
  SKCtlElem* b = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagSameRow, -1, button, parent);
  KCtlSetActionCallback(b, kKCtlTriggerClick, click, user);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, description, parent);
  return b;
}

// Frees the address copy a web button holds.
ASInt32 FreeWebButtonAddress(SMacDialogInfo*, ASInt32, ASInt32 trigger, void* user) {
  if (trigger == kKCtlTriggerDescriptionDestroyed) ASfree(user);
  return kKCtlCallBackGoOn;
}

}  // namespace

// ---- texts and addresses

ASInt32 TextSubstitute(const char* source, char* target, size_t size, const char* find, const char* replacement) {
  if (!target || size == 0) return 0;
  std::string src = source ? source : "";
  size_t at = find && *find ? src.find(find) : std::string::npos;
  if (at == std::string::npos || at >= size) {
    CopyOut(target, size, src);
    return 0;
  }
  std::string out;
  AppendCut(out, src.substr(0, at).c_str(), size);
  AppendCut(out, replacement, size);
  AppendCut(out, src.c_str() + at + std::strlen(find), size);
  CopyOut(target, size, out);
  return 1;
}

ASInt32 GlobalTextSubstitute(const char* source, char* target, size_t size, const char* find,
                             const char* replacement) {
  if (!find || !*find || !target || size == 0) return 0;
  std::string src = source ? source : "";
  std::string out;
  size_t from = 0, findLen = std::strlen(find);
  ASInt32 replaced = 0;
  for (size_t at; (at = src.find(find, from)) != std::string::npos; from = at + findLen) {
    AppendCut(out, src.substr(from, at - from).c_str(), size);
    AppendCut(out, replacement, size);
    replaced = 1;
  }
  AppendCut(out, src.c_str() + from, size);
  CopyOut(target, size, out);
  return replaced;
}

void EscapeURLValue(const char* value, char* out, size_t size) {
  if (!out || size == 0) return;
  static const char kHex[] = "0123456789abcdef";
  size_t n = 0;
  for (const unsigned char* p = (const unsigned char*)(value ? value : ""); *p; ++p) {
    unsigned char c = *p;
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    // A plain byte needs room for itself and the NUL, an escaped one for three and the NUL.
    if (size - n < (plain ? 2u : 4u)) break;
    if (plain) {
      out[n++] = (char)c;
    } else {
      out[n++] = '%';
      out[n++] = kHex[c >> 4];
      out[n++] = kHex[c & 15];
    }
  }
  out[n] = 0;
}

ASBool LaunchURL(const char* url) { return url && PfLaunchURLUTF8(url) == 0 ? 1 : 0; }

ASBool LaunchURLWithSubstitution(const char* url, ...) {
  char address[kURLSize];
  CopyOut(address, sizeof address, url ? url : "");
  va_list args;
  va_start(args, url);
  while (const char* placeholder = va_arg(args, const char*)) {
    const char* value = va_arg(args, const char*);
    char escaped[kValueSize];
    EscapeURLValue(value, escaped, sizeof escaped);
    // One pass: a value can never bring its placeholder back.
    char replaced[kURLSize];
    if (GlobalTextSubstitute(address, replaced, sizeof replaced, placeholder, escaped))
      std::memcpy(address, replaced, sizeof address);
  }
  va_end(args);
  return LaunchURL(address);
}

ASBool UrlStringSpecified(const char* text) {
  return text && std::strlen(text) >= 7 && text[0] == 'h' && text[1] == 't' ? 1 : 0;
}

void GetOSVersion(char* buffer, size_t size) {
  int32_t sysv = 0, value = 0;
  PfGestalt(PfMakeFourCC("sysv"), &sysv);
  int major = ((sysv >> 12) & 15) * 10 + ((sysv >> 8) & 15);
  int minor = PfGestalt(PfMakeFourCC("sys2"), &value) == 0 ? value : (sysv >> 4) & 15;
  int third = PfGestalt(PfMakeFourCC("sys3"), &value) == 0 ? value : sysv & 15;
  if (buffer && size) std::snprintf(buffer, size, "Mac OS %d.%d.%d", major, minor, third);
}

void GetAcrobatVersionString(char* buffer, size_t size) {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  // The host has no "Product" configuration to ask: it counts as Standard.
  const char* kind = major < 6 ? "" : " Standard";
  if (buffer && size)
    std::snprintf(buffer, size, " Acrobat%s %d.%d.%d", kind, (int)major, (int)(((ASUns16)minor >> 8) & 0xFF),
                  (int)((ASUns16)minor & 0xFF));
}

void GetProductVersionAndStatusString(char* buffer, size_t size) {
  if (buffer && size) std::snprintf(buffer, size, "%03d:%02d.%d.%d.%03d:%04d", 4, 3, 0, 9, 4, 100);
}

ASBool KVLaunchEscapedURL(const char* url, ASBool confirm, void*) {
  if (!url) return 0;
  char version[kVersionSize];
  GetProductVersionAndStatusString(version, sizeof version);
  char os[kVersionSize], host[kVersionSize];
  GetOSVersion(os, sizeof os);
  GetAcrobatVersionString(host, sizeof host);
  std::string osValue;
  AppendCut(osValue, os, sizeof os);
  AppendCut(osValue, host, sizeof os);
  char osLang[kLangSize] = "", appLang[kLangSize] = "";
  GetSystemLang(osLang, sizeof osLang, 0);
  GetApplicationLang(appLang, sizeof appLang);
  std::string lang = CurrentLanguage();

  if (confirm && std::strstr(url, "<os>")) {
    char line[kMessageSize];
    FormatMessageByKeyUTF8(nullptr, "uiimp.2.willsend.os", "Your system: %s", line, sizeof line, "s",
                           osValue.c_str());
    // The address's host: after the first ":" and its slashes, up to the next "/".
    std::string address = url, hostPart;
    size_t colon = address.find(':');
    if (colon != std::string::npos) {
      size_t start = address.find_first_not_of('/', colon + 1);
      size_t end = start == std::string::npos ? std::string::npos : address.find('/', start);
      if (start != std::string::npos) hostPart = address.substr(start, end == std::string::npos ? end : end - start);
    }
    if (hostPart.empty()) AppendCut(hostPart, url, kHostPartSize);
    char text[kURLSize];
    FormatMessageByKeyUTF8(nullptr, "uiimp.2.willsend.msg", "%s will be told:\n%s", text, sizeof text, "ss",
                           hostPart.c_str(), line);
    if (KCtlAlertCustomButtons(CurrentProductString(kProductFullName), text, Msg("common.button.ok"),
                               Msg("common.button.cancel"), nullptr) != 1)
      return 0;
  }
  return LaunchURLWithSubstitution(url, "<ver>", version, "<ext>", kKVExtensionCode, "<shortname>",
                                   CurrentProductString(kProductShortName), "<fullname>",
                                   CurrentProductString(kProductFullName), "<lang>", lang.c_str(), "<os>",
                                   osValue.c_str(), "<oslang>", osLang, "<applang>", appLang, nullptr);
}

// ---- manuals

ASInt32 FillManualFileName(char* buffer, size_t size, EManualType type, const char* language) {
  char plugin[kManualNameSize] = "";
  PluginFileNameUTF8POSIXNative(plugin, (ASInt32)sizeof plugin);
  StripPluginFileName(plugin);
  std::string name;
  AppendCut(name, plugin, kManualNameSize);
  AppendCut(name, type == kManualFull ? " gd" : " gs", kManualNameSize);
  AppendCut(name, " ", kManualNameSize);
  AppendCut(name, language ? language : CurrentLanguage().c_str(), kManualNameSize);
  AppendCut(name, ".pdf", kManualNameSize);
  CopyOut(buffer, size, name);
  return 1;
}

ASBool KVManualExists(EManualType type, const char* language) {
  char path[kManualNameSize];
  FillManualFileName(path, sizeof path, type, language);
  if (PlatformStringIsExistingFile(path)) return 1;
  // With the first two modifier keys held, the maker's support sees which
  // file was missing.
  const ASUns32 both = AV_COMMAND | AV_OPTION;
  if ((AVSysGetModifiers() & both) == both) {
    std::string text;
    AppendCut(text, path, kMessageSize);
    AppendCut(text, " not found", kMessageSize);
    NoteMessageUTF8(text.c_str());
  }
  return 0;
}

AVDoc AVDocOpenFromPDDocAsHelpUTF8(PDDoc doc, const char* title) {
  HFT table = HostViewTable6();
  if (table && HFTEntryIsPresent(table, AVDocOpenFromPDDocAsHelpSEL)) {
    auto open = (AVDoc(*)(PDDoc, ASText))HFTGetEntry(table, AVDocOpenFromPDDocAsHelpSEL);
    HostTextHolder text(title);
    AVDoc view = open(doc, text.get());
    if (view) AVDocBringToFront(view);
    return view;
  }
  return AVDocOpenFromPDDocUTF8(doc, title);
}

void KUIKVHelp_AVDocClosed(AVDoc doc, void*) {
  if (doc && doc == gettingStartedAVDoc) gettingStartedAVDoc = nullptr;
  if (doc && doc == onlineGuideAVDoc) onlineGuideAVDoc = nullptr;
}

ASInt32 OpenKVManual(ASBool asHelp, EManualType type, const char* language) {
  ASInt32 result = 0;
  DURING
    AVDoc* slot = SlotOf(type);
    // Help documents of their own are a thing of older hosts.
    if (HostMajor() >= 8) asHelp = 0;
    if (*slot) {
      AVPageViewGoTo(AVDocGetPageView(*slot), 0);
      AVDocBringToFront(*slot);
      if (AVWindow window = AVDocGetAVWindow(*slot)) AVWindowBringToFront(window);
      result = 1;
    } else {
      char path[kManualNameSize];
      FillManualFileName(path, sizeof path, type, language);
      PDDoc doc = OpenExistingPDDocFromUtf8String(path);
      if (!doc) {
        std::string text;
        AppendCut(text, Msg("uiimp.2.manualmissingat"), kMessageSize);
        AppendCut(text, path, kMessageSize);
        ErrMessageUTF8(text.c_str());
      } else {
        AVDoc view = nullptr;
        DURING
          view = asHelp ? AVDocOpenFromPDDocAsHelpUTF8(doc, nullptr) : AVDocOpenFromPDDocUTF8(doc, nullptr);
        HANDLER
          PDDocClose(doc);
          RERAISE();
        END_HANDLER
        *slot = view;
        if (!gDocClosedRegistered) {
          gDocClosedRegistered = true;
          AVAppRegisterNotification(AVDocDidCloseNSEL, gExtensionID, (void*)KUIKVHelp_AVDocClosed, nullptr);
        }
        result = view ? 1 : 0;
      }
    }
  HANDLER
    AutoExceptionMessageUTF8(Msg("uiimp.2.task.openmanual"), ERRORCODE);
    result = 0;
  END_HANDLER
  return result;
}

// ---- the dialog's callbacks

void OpenManualClicked(SMacDialogInfo* dialog, EManualType type, const char* language) {
  SKCab* values = KCtlExportCabForDialog(dialog);
  if (!values) return;
  if (language) KCabPutStringCopy(values, ".OpenLang", language);
  else KCabRemove(values, ".OpenLang");
  KCabPutInt(values, ".OpenType", type);
}

ASInt32 ManualButton(SMacDialogInfo* dialog, EManualType type) {
  if (KVManualExists(type, nullptr)) {
    OpenManualClicked(dialog, type, nullptr);
    return kKCtlCallBackCommitTerminate;
  }
  if (CurrentLanguage() != "en" && KVManualExists(type, "en") &&
      ConfirmMessageUTF8(Msg("uiimp.2.guide.missing.2"), 1)) {
    OpenManualClicked(dialog, type, "en");
    return kKCtlCallBackCommitTerminate;
  }
  ErrMessageUTF8(Msg("uiimp.2.guide.missing.1"));
  return kKCtlCallBackStop;
}

ASInt32 HelpGettingStartedButton(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  return ManualButton(dialog, kManualGettingStarted);
}

ASInt32 HelpManualButton(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) { return ManualButton(dialog, kManualFull); }

ASInt32 WebButton(SMacDialogInfo*, ASInt32, ASInt32, void* user) {
  if (KVLaunchEscapedURL(static_cast<const char*>(user), 1, nullptr)) return kKCtlCallBackCommitTerminate;
  ErrMessageUTF8(Msg("uiimp.2.browser.cannotopen"));
  return kKCtlCallBackStop;
}

ASInt32 HelpAboutButton(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (SKCab* values = KCtlExportCabForDialog(dialog)) KCabPutBool(values, ".About", 1);
  return kKCtlCallBackCommitTerminate;
}

SKCtlElem* NewWebButton(SKCtlDialog* dialog, SKCtlElem* parent, const char* buttonText, const char* descText,
                        const char* urlText, KCtlActionCallBack callback) {
  if (!buttonText || !*buttonText || !descText || !*descText || gHideWebPageAccess || !UrlStringSpecified(urlText))
    return nullptr;
  // The button keeps its own copy of the address for as long as the description lives.
  char* address = KCtlCopyString(urlText);
  SKCtlElem* button = nullptr;
  DURING
    button = ButtonRow(dialog, parent, buttonText, descText, callback ? callback : WebButton, address);
    KCtlSetActionCallback(button, kKCtlTriggerDescriptionDestroyed, FreeWebButtonAddress, address);
  HANDLER
    if (!button) ASfree(address);
    RERAISE();
  END_HANDLER
  return button;
}

// ---- the dialog

ASBool StartHelpCentre() {
  if (!gHelpSettings) gHelpSettings = LoadKVParametersNoNull(kHelpSettings);
  SKCab* settings = gHelpSettings;

  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.help.title"), 0);
  ASInt32 result = kMacCancelId;
  DURING
    SKCtlElem* left = KCtlForceElementSize(260, 0, KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagSameRow, -1,
                                                                     nullptr, nullptr));
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, kAboutIconResource, left);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.help.1"), left);
    RobotLogo(d, left, 250, 145);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, "  ", left);

    SKCtlElem* right = KCtlForceElementSize(270, 0, KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, nullptr));
    const char* guide = Msg("dlg.help.10");
    if (guide && *guide) ButtonRow(d, right, guide, Msg("dlg.help.11"), HelpGettingStartedButton, nullptr);
    const char* manual = Msg("dlg.help.15");
    if (manual && *manual) ButtonRow(d, right, manual, Msg("dlg.help.16"), HelpManualButton, nullptr);
    ASInt16 major = HostMajor();
    if (major == 6 || major == 7)
      KCtlSetExportKey("External", KCtlAddNewElement(d, kKCtlCheckBox, 0, kHelpExternalId, Msg("dlg.help.80"), right));
    NewWebButton(d, right, Msg("dlg.help.30"), Msg("dlg.help.31"), Msg("url.webcentre"), nullptr);
    NewWebButton(d, right, Msg("dlg.help.40"), Msg("dlg.help.41"), Msg("url.upgrade"), nullptr);
    NewWebButton(d, right, Msg("dlg.help.50"), Msg("dlg.help.51"), Msg("url.home"), nullptr);
    ButtonRow(d, right, Msg("dlg.help.70"), Msg("dlg.help.71"), HelpAboutButton, nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, kMacOKId, Msg("common.button.close"), nullptr);

    KCabPutBool(settings, ".About", 0);
    KCabRemove(settings, ".OpenType");
    result = KCtlRunPage(d, nullptr, settings, settings, PDFCtlDialogProc, nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER

  if (KCabGetType(settings, ".OpenType") == kKCabTypeInt) {
    auto type = (EManualType)KCabGetInt(settings, ".OpenType", 0);
    if (!OpenKVManual(KCabGetBool(settings, "External", 0), type, KCabGetString(settings, ".OpenLang")))
      ErrMessageUTF8(Msg("uiimp.2.guide.missing.1"));
  }
  MergeAndStoreKVParameters(kHelpSettings, settings);
  KCtlDestroyDialog(d);
  if (KCabGetBool(settings, ".About", 0)) AboutVelmora(nullptr);
  return result != kMacCancelId;
}

KV_COMMAND_MODULE(.StartHelpCentre = StartHelpCentre)
