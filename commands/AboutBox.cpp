// The about box: the product's name, icon and logo, a second page with build
// information, and the way to the help centre. The logo is a one-page PDF
// resource of the plug-in, made into a form once and kept until the host
// closes its internal documents.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/HelpAbout.h"
#include "commands/Prefs.h"
#include "foundation/ProductName.h"
#include "foundation/KFile.h"
#include "foundation/MemFileSys.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "frame/CommandModules.h"
#include "frame/PlugIn.h"
#include "host/AV.h"
#include "host/Notify.h"
#include "host/PD.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlStock.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/PDFCtl.h"
#include "pdftools/PageForm.h"

namespace {

constexpr size_t kTextSize = 1000;

PDDoc aboutLogoPDDoc = nullptr;
CosObj aboutLogoXObject = CosNewNull();
bool gWillCloseRegistered = false;

ASInt16 HostMajor() {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  return major;
}

// The product's full name over a second line.
std::string ProductText(const char* second, const char* third) {
  char text[kTextSize];
  std::snprintf(text, sizeof text, "%s\n%s%s", CurrentProductString(kProductFullName), second ? second : "",
                third ? third : "");
  return text;
}

SKCtlDialog* NewAboutPage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.abt.title"), kKCtlDialogFreeData);
  SKCtlElem* left = KCtlForceElementSize(260, 0, KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagSameRow, -1,
                                                                   nullptr, nullptr));
  KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, kAboutIconResource, left);
  SKCtlElem* product = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, ProductText(Msg("dlg.abt.3"), "").c_str(), left);
  KCtlSetActionCallback(product, kKCtlTriggerLoaded, AboutDialogInitialise, nullptr);
  if (gKVClassic) {
    KCtlForceElementSize(250, 145, KCtlAddNewElementWithResourceRef(d, kKCtlPicture, 0, kRobotLogoId,
                                                                    kAboutClassicPicture, left));
  } else {
    RobotLogo(d, left, 250, 145);
  }
  SKCtlElem* help = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom, kAboutHelpId, Msg("dlg.abt.9"), nullptr);
  KCtlSetActionId(help, kKCtlTriggerClick, kKCtlActionOK, kAboutHelpId);
  SKCtlElem* more = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom, kAboutMoreId, Msg("dlg.abt.10"), nullptr);
  KCtlSetActionId(more, kKCtlTriggerClick, kKCtlActionEnd, kAboutMoreId);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagHidden, -1, Msg("common.button.cancel"), nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagCancel, kMacCancelId,
                    Msg("common.button.cancel"), nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagOK, kMacOKId, Msg("dlg.abt.7"), nullptr);
  return d;
}

SKCtlDialog* NewMorePage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.more.title"), kKCtlDialogFreeData);
  KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, kAboutIconResource, nullptr);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, ProductText(Msg("dlg.more.4"), __DATE__).c_str(), nullptr);
  if (HostMajor() <= 5) {
    char path[kTextSize] = "";
    PluginFileName(path, (ASInt32)sizeof path);
    std::string text = Msg("dlg.more.5");
    text += path;
    CutUTF8(text, kTextSize - 1);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, text.c_str(), nullptr);
  }
  KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, " ", nullptr);
  KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, " ", nullptr);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.more.7"), nullptr);
  KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden, -1, " ", nullptr);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.more.8"), nullptr);
  KCtlStock_OkButton(d);
  // Hidden, so that the cancel keys end the page too.
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagHidden | kKCtlFlagCancel, kMacCancelId,
                    Msg("common.button.cancel"), nullptr);
  return d;
}

// One showing of a page of the group.
ASInt32 RunPage(SKCtlDialog* page, SKCtlDialogGroup* group, MacDialogProc proc) {
  return KCtlRunPage(page, group, nullptr, nullptr, proc, nullptr);
}

}  // namespace

SKCtlElem* RobotLogo(SKCtlDialog* dialog, SKCtlElem* parent, ASInt16 width, ASInt16 height) {
  if (width == 0 && height == 0) {
    width = 250;
    height = 145;
  }
  // A frame without border or label that the preview control draws into.
  SKCtlElem* logo = KCtlAddNewElement(dialog, kKCtlFrame, 0xCA, kRobotLogoId, " ", parent);
  KCtlForceElementSize(width, height, logo);
  KCtlSetActionCallback(logo, kKCtlTriggerLoaded, AboutDialogInitialiseLogo, nullptr);
  return logo;
}

ASInt32 AboutDialogInitialise(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  char title[kTextSize];
  FormatMessageByKeyUTF8(nullptr, "uiimp.2.abouttitle", "About %s", title, sizeof title, "s",
                         CurrentProductString(kProductFullName));
  MacDialogSetCaptionUTF8(dialog, title);
  DialogTraceRequestInitialfocus(dialog, kMacOKId);
  return kKCtlCallBackGoOn;
}

void Uikvabt_AVAppWillCloseAllInternalDocs(void*) {
  if (!aboutLogoPDDoc) return;
  PDDoc doc = aboutLogoPDDoc;
  aboutLogoPDDoc = nullptr;
  aboutLogoXObject = CosNewNull();
  CloseInMemoryPDF(doc);
}

ASBool AboutLogoCached() { return aboutLogoPDDoc ? 1 : 0; }

ASInt32 AboutDialogInitialiseLogo(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!aboutLogoPDDoc) {
    PDDoc doc = OpenInMemoryPDFFromPlatformResource("PDF", kAboutLogoResource);
    if (!doc) ASRaise(genErrResourceMissing);
    PDPage page = nullptr;
    DURING
      page = PDDocAcquirePage(doc, 0);
      aboutLogoXObject = PrepareFormXObjectFromPage(page, 0);
    HANDLER
      if (page) PDPageRelease(page);
      // A logo that cannot be made is not kept: the next showing tries again.
      aboutLogoXObject = CosNewNull();
      CloseInMemoryPDF(doc);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
    aboutLogoPDDoc = doc;
    if (!gWillCloseRegistered) {
      gWillCloseRegistered = true;
      AVAppRegisterNotification(AVAppWillCloseAllInternalDocsNSEL, gExtensionID,
                                (void*)Uikvabt_AVAppWillCloseAllInternalDocs, nullptr);
    }
  }
  PDFCtlSetCosObj(dialog, kRobotLogoId, aboutLogoXObject, 0);
  PDFCtlSetDrawMode(dialog, kRobotLogoId, kPDFCtlFit, 250, 145);
  return kKCtlCallBackGoOn;
}

ASBool AboutOk() {
  SKCtlDialog* about = NewAboutPage();
  SKCtlDialog* more = nullptr;
  SKCtlDialogGroup* group = nullptr;
  ASInt32 result = kMacCancelId;
  DURING
    more = NewMorePage();
    group = NewKCtlDialogGroup();
    KCtlDialogGroupAddDialog(group, about);
    KCtlDialogGroupAddDialog(group, more);
    for (;;) {
      result = RunPage(about, group, PDFCtlDialogProc);
      if (result == kAboutMoreId) {
        RunPage(more, group, nullptr);
        continue;
      }
      if (result == kAboutHelpId && !StartHelpCentre()) continue;
      break;
    }
  HANDLER
    if (group) DestroyKCtlDialogGroup(group);
    if (more) KCtlDestroyDialog(more);
    KCtlDestroyDialog(about);
    RERAISE();
  END_HANDLER
  DestroyKCtlDialogGroup(group);
  KCtlDestroyDialog(more);
  KCtlDestroyDialog(about);
  return result == kMacOKId;
}

void AboutVelmora(void*) { AboutOk(); }

KV_COMMAND_MODULE(.AboutVelmora = AboutVelmora)
