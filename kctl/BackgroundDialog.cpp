// The new background page dialog: a PDF file, which of its pages make the
// background and how they repeat, made into a background page size.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "host/PD.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlLayout.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeDialogs.h"
#include "kctl/KCtlMac.h"
#include "pdftools/PageSizes.h"

namespace {

constexpr ASUns32 kFreeBoth = kKCtlDialogFreeDescription | kKCtlDialogFreeData;

struct SBackgroundDialogInfo {
  SKCtlElem* options;
  SKCtlElem* from;
  SKCtlElem* to;
  SKCtlElem* pageCount;
  SKCtlElem* repeat;
};

ASPathName lastAddBackgroundASPathName = nullptr;

ASPathName CopyPath(ASPathName path) { return path ? ASFileSysCopyPath(nullptr, path) : nullptr; }

// Of any length and any character: the path is the file's name, not a label.
std::string DIPathOf(ASPathName path) { return ASPathNameToDIPathStringUTF8(path); }

// The file's page count; -1 (after the host's message, with alerts) when it
// is no PDF the host opens.
ASInt32 CountPages(ASPathName path, ASBool alerts) {
  ASInt32 count = -1;
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpen(path, nullptr, nullptr, 1);
    count = PDDocGetNumPages(doc);
    PDDocClose(doc);
    doc = nullptr;
  HANDLER
    if (doc) PDDocClose(doc);
    count = -1;
    if (alerts) AutoExceptionMessageUTF8(Msg("imputil2.task.getpagecount"), ERRORCODE);
  END_HANDLER
  return count;
}

void Refuse(const char* key, ASBool alerts) {
  if (alerts) ErrMessageUTF8(Msg(key));
}

void SetElemText(SMacDialogInfo* info, SKCtlData* data, SKCtlElem* e, const char* text) {
  if (info && data && e) KCtlPlatformSetControlText(info, data, e, text);
}

}  // namespace

ASPathName LastAddBackgroundPath() { return lastAddBackgroundASPathName; }

void ForgetLastAddBackgroundPath() {
  if (lastAddBackgroundASPathName) ASFileSysReleasePath(nullptr, lastAddBackgroundASPathName);
  lastAddBackgroundASPathName = nullptr;
}

// ---- The file row

SKCtlElem* UIPageSz_ASPathNamePDF(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                  const char* prompt, const char* key, SKCab* rowCab, KCtlActionCallBack callback,
                                  void* userData) {
  SKCtlElem* row = KCtlAddNewElement(dialog, kKCtlContainer, flags, -1, nullptr, parent);
  SKCtlElem* browse =
      KCtlAddNewElement(dialog, kKCtlPushButton, 0x210 | kKCtlFlagOwnsKey, -1, Msg("common.button.browse"), row);
  KCtlSetActionCallback(browse, kKCtlTriggerAny, UIPageSz_ASPathNamePDF_ButtonActions, rowCab);
  KCtlSetExportKeyProc(key, UIPageSz_ASPathNamePDF_Export, rowCab, browse);
  if (label && *label) KCtlAddNewElement(dialog, kKCtlStaticText, 0x10, -1, label, row);
  SKCtlElem* text = KCtlAddNewElement(dialog, kKCtlStaticText, 0xa00000, -1, Msg("dlg.newbackground.5"), row);
  KCabPutPointerNamedType(rowCab, "E1", "PKCtlElem", text, nullptr);
  KCabPutStringCopy(rowCab, "E2", prompt ? prompt : "");
  KCabPutStringCopy(rowCab, "E3", key ? key : "");
  KCabPutFunctionPointerNamedType(rowCab, "E5", "KCtlActionCallBack", (KCabFunctionPointer)callback, nullptr);
  KCabPutPointerNamedType(rowCab, "E6", "void *", userData, nullptr);
  return text;
}

EKCtlExportCallBackReturn UIPageSz_ASPathNamePDF_Export(SMacDialogInfo*, ASInt32, ASInt32 type, SKCab* cab,
                                                        const char* key, void* user) {
  auto* rowCab = static_cast<SKCab*>(user);
  if (!rowCab || !cab || !key) return 0;
  if (type == kKCtlExportLoad) {
    if (ASPathName path = KCabGetASPathName(cab, key)) KCabPutASPathName(rowCab, "E4", CopyPath(path));
  } else if (type == kKCtlExportStore) {
    if (ASPathName path = KCabGetASPathName(rowCab, "E4")) KCabPutASPathName(cab, key, CopyPath(path));
  }
  return 0;
}

ASInt32 UIPageSz_ASPathNamePDF_ButtonActions(SMacDialogInfo* info, ASInt32, ASInt32 trigger, void* user) {
  auto* rowCab = static_cast<SKCab*>(user);
  switch (trigger) {
    case kKCtlTriggerClick:
      if (ASPathName path = GetExistingPDFPathName(KCabGetString(rowCab, "E2")))
        AddBackgroundSetFileInDialog(info, path, rowCab);
      break;
    case kKCtlTriggerAfterLoad:
      if (ASPathName path = KCabGetASPathName(rowCab, "E4")) AddBackgroundSetFileInDialog(info, CopyPath(path), rowCab);
      break;
    case kKCtlTriggerLoaded:
      if (ASPathName path = KCabGetASPathName(rowCab, "E4"))
        AddBackgroundSetFileInDialog(info, CopyPath(path), rowCab);
      else if (lastAddBackgroundASPathName)
        AddBackgroundSetFileInDialog(info, CopyPath(lastAddBackgroundASPathName), rowCab);
      break;
    case kKCtlTriggerDescriptionDestroyed:
      KCabDestroy(rowCab);
      break;
    default:
      break;
  }
  return kKCtlCallBackGoOn;
}

void AddBackgroundSetFileInDialog(SMacDialogInfo* info, ASPathName path, SKCab* rowCab) {
  if (!path) return;
  ASPathName shown = KCabGetASPathName(rowCab, "E7");
  if (path == shown) return;  // the row's own copy: nothing to show, nothing to release
  if (shown && DIPathOf(path) == DIPathOf(shown)) {
    ASFileSysReleasePath(nullptr, path);
    return;
  }
  SKCtlData* data = KCtlDataForDialog(info);
  auto* bg = static_cast<SBackgroundDialogInfo*>(KCabGetPointerNamedType(rowCab, "Info", "PBackgroundDialogInfo"));
  ASInt32 count = CountPages(path, 1);
  if (count >= 0) {
    KCabPutASPathName(rowCab, "E4", path);
    std::vector<char> nameBytes((size_t)std::max<ASInt32>(1, ASPathNameToFriendlyNameUTF8(path, nullptr, 0)), 0);
    char* name = nameBytes.data();
    ASPathNameToFriendlyNameUTF8(path, name, (ASInt32)nameBytes.size());
    auto* text = static_cast<SKCtlElem*>(KCabGetPointerNamedType(rowCab, "E1", "PKCtlElem"));
    if (info && data && text) {
      KCtlTrimTextToFitFileName(info, text, name, "...", 0, -1);
      KCtlPlatformSetControlText(info, data, text, name);
      KCtlEnableOrDisableElemById(info, data, 1, 1);
    }
    if (bg && data) {
      KCtlEnableOrDisableElem(info, data, bg->options, 1);
      char number[32];
      std::snprintf(number, sizeof number, "%ld", (long)count);
      SetElemText(info, data, bg->from, "1");
      SetElemText(info, data, bg->to, number);
      SetElemText(info, data, bg->repeat, "1");
      char pages[256];
      FormatMessageByKeyUTF8(nullptr, "uicustsz.ofpages", "of %ld pages", pages, sizeof pages, "l", (long)count);
      SetElemText(info, data, bg->pageCount, pages);
    }
    KCabPutASPathName(rowCab, "E7", CopyPath(path));
  } else {
    // The dialog stays as it was before the choice: the file shown before,
    // its page options and the OK button as they were.
    ASFileSysReleasePath(nullptr, path);
  }
  auto callback = (KCtlActionCallBack)KCabGetFunctionPointerNamedType(rowCab, "E5", "KCtlActionCallBack");
  if (callback) callback(info, -1, kKCtlTriggerClick, KCabGetPointerNamedType(rowCab, "E6", "void *"));
}

// ---- The block of the file row and the page options

void AddBackgroundDialogCore(SKCtlDialog* dialog, SKCtlElem* parent, KCtlActionCallBack callback, void* userData) {
  SKCab* rowCab = KCabNewInner();
  SBackgroundDialogInfo* bg;
  DURING
    bg = static_cast<SBackgroundDialogInfo*>(ASmallocWithException(sizeof(SBackgroundDialogInfo)));
    std::memset(bg, 0, sizeof *bg);
    KCabPutPointerNamedType(dialog->privateCab, "", "PBackgroundDialogInfo", bg, KCabDestroyPointerWithKfree);
    KCabPutPointerNamedType(rowCab, "Info", "PBackgroundDialogInfo", bg, nullptr);
    UIPageSz_ASPathNamePDF(dialog, 0, parent, nullptr, Msg("uicustsz.backgroundnameprompt"), "File", rowCab, callback,
                           userData);
  HANDLER
    // Until the Browse button holds it, the row's cabinet is ours to free.
    if (!KCabKnown(rowCab, "E1")) KCabDestroy(rowCab);
    RERAISE();
  END_HANDLER
  bg->options = KCtlAddNewElement(dialog, kKCtlContainer, kKCtlFlagDisabled, -1, nullptr, parent);
  auto radio = [&](SKCtlElem* under, ASUns32 flags, const char* message, const char* key, const char* atom) {
    SKCtlElem* r = KCtlAddNewElement(dialog, kKCtlRadioButton, flags, -1, Msg(message), under);
    KCtlSetExportKeyAtom(key, Atom(atom), r);
    return KCtlRadioButtonSetGroup((ASUns32)Atom(key), r);
  };
  radio(bg->options, kKCtlFlagChecked, "dlg.newbackground.6", "Top", "E1");
  radio(bg->options, 0, "dlg.newbackground.7", "Top", "E2");
  SKCtlElem* range = radio(bg->options, 0, "dlg.newbackground.8", "Top", "E3");
  SKCtlElem* inner = KCtlAddNewElement(dialog, kKCtlContainer, kKCtlFlagHidden, -1, nullptr, range);
  KCtlSetActionVisibleIfCheckedElem(range, inner);
  auto number = [&](const char* key) {
    return KCtlSetExportKeyEditInt(key, 0, 999999, KCtlAddNewElement(dialog, kKCtlEditText, 0x10, -1, "999999", inner));
  };
  KCtlAddNewElement(dialog, kKCtlStaticText, 0x10, -1, Msg("dlg.newbackground.9"), inner);
  bg->from = number("From");
  KCtlAddNewElement(dialog, kKCtlStaticText, 0x10, -1, Msg("dlg.newbackground.10"), inner);
  bg->to = number("To");
  bg->pageCount = KCtlAddNewElement(dialog, kKCtlStaticText, 0xa00000, -1, " ", inner);
  radio(inner, kKCtlFlagChecked, "dlg.newbackground.12", "Inner", "E1");
  radio(inner, 0, "dlg.newbackground.13", "Inner", "E2");
  SKCtlElem* repeatLast = radio(inner, 0x10, "dlg.newbackground.14", "Inner", "E3");
  bg->repeat = number("Repeat");
  KCtlSetActionEnabledIfCheckedElem(repeatLast, bg->repeat);
  KCtlAddNewElement(dialog, kKCtlStaticText, 0, -1, Msg("dlg.newbackground.15"), inner);
}

// ---- Verification

ASBool BackgroundDialogCoreVerify(SKCab* cab, SKCab** out, const char* name, ASBool noSaveIfUnnamed, ASBool alerts) {
  if (out) *out = nullptr;
  ASPathName path = KCabGetASPathName(cab, "File");
  if (!path) {
    Refuse("dlg.newbackground.5", alerts);
    return 0;
  }
  ASInt32 n = CountPages(path, alerts);
  if (n < 0) return 0;
  std::string diPath = DIPathOf(path);
  ForgetLastAddBackgroundPath();
  lastAddBackgroundASPathName = CopyPath(path);
  // In 64 bits: the entries are anybody's integers.
  ASInt64 from = 0, to = n - 1, repeat = n;
  ASAtom top = KCabGetAtom(cab, "Top", Atom("E1"));
  bool repeatLast = false;
  if (top == Atom("E2")) {
    repeat = 0;
  } else if (top == Atom("E3")) {
    from = (ASInt64)KCabGetInt(cab, "From", 0) - 1;
    to = (ASInt64)KCabGetInt(cab, "To", 0) - 1;
    ASAtom inner = KCabGetAtom(cab, "Inner", Atom("E1"));
    if (inner == Atom("E2")) {
      repeat = 0;
    } else if (inner == Atom("E3")) {
      repeat = KCabGetInt(cab, "Repeat", 0);
      repeatLast = true;
    } else {
      repeat = to - from + 1;
    }
  }
  if (from < 0 || from > to || to >= n) {
    Refuse("uicustsz.badrange", alerts);
    return 0;
  }
  if (repeatLast && repeat < 1) {
    Refuse("uicustsz.repeatlessthanone", alerts);
    return 0;
  }
  if (repeat > to - from + 1) {
    repeat = to - from + 1;
    Refuse("uicustsz.repeatreduced", alerts);
  }
  SKCab* size = NewPageSizeBackground(name, diPath.c_str(), (long)from, (long)to, (long)repeat, noSaveIfUnnamed);
  if (out)
    *out = size;
  else
    KCabDestroy(size);
  return 1;
}

ASBool BackgroundDialogVerifyAndMakeCab(SKCab* cab, SKCab** out) {
  if (out) *out = nullptr;
  SKCab* size = nullptr;
  if (!BackgroundDialogCoreVerify(cab, &size, KCabGetString(cab, "Name"), 1, 1)) return 0;
  if (!AddPageSizeToCollection(cab, size)) return 0;
  if (out) *out = size;
  return 1;
}

// ---- The dialog

ASBool DoAddBackgroundDialog(SKCab* cab) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.newbackground.title"), kFreeBoth);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 0x10, -1, 138, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.newbackground.1"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0x10, -1, Msg("common.label.optionalname"), nullptr);
    KCtlSetExportKeyEditString("Name", 0,
                               KCtlAddNewElement(d, kKCtlEditText, 0, -1, std::string(38, 'x').c_str(), nullptr));
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.newbackground.3"), nullptr);
    AddBackgroundDialogCore(d, nullptr, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK | kKCtlFlagDisabled, 1, Msg("common.button.ok"), nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.back"), nullptr);
    KCtlDialogSuggestSize(d, 600, 0);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  if (KCtlPlatformRunModal(d, cab, cab, nullptr) != 1) return 0;
  return BackgroundDialogVerifyAndMakeCab(cab, nullptr);
}
