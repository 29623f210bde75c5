#include "foundation/Alerts.h"

#include <cstdio>
#include <cstring>

#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/Scratch.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"
#include "host/AVAlert.h"

SAutoMessageState gAutoMessageMode = {kAutoMessageModeHostAlert, nullptr, nullptr};
char* gKCtlAlertTitle = nullptr;

namespace {

// The alert of mode 4, which the dialog framework installs (kctl/KCtlAlert.h);
// until then such messages go to the host's note alert.
AlertDialogProc gAlertDialogProc = nullptr;

constexpr size_t kStackText = 1000;
constexpr size_t kExceptionText = 300;

ASErrorCode gPromptError = 0;

// A UTF-8 text in the platform encoding, "?" for what does not convert; on
// the stack when it fits.
class NativeText {
 public:
  explicit NativeText(const char* utf8) : buffer_(NeededFor(utf8)) {
    buffer_.data()[0] = 0;
    UTF8ToPlatformNativeTerm(utf8, buffer_.data(), (ASInt32)buffer_.size(), '?');
  }
  const char* get() { return buffer_.data(); }

 private:
  static size_t NeededFor(const char* utf8) {
    ASInt32 need = UTF8ToPlatformNativeBytesNeededTerm(utf8);
    return need < 1 ? 1 : (size_t)need;
  }
  KScratch<kStackText> buffer_;
};

void ShowAlertDialog(const char* title, const char* text) {
  if (gAlertDialogProc) {
    gAlertDialogProc(title, text);
    return;
  }
  NativeText native(text);
  AVAlertNote(native.get());
}

void Route(const char* text, ASInt32 type) {
  if (!text) text = "";
  switch (gAutoMessageMode.mode) {
    case kAutoMessageModeSilent:
    case kAutoMessageModeSilent2:
      return;
    case kAutoMessageModeStderr:
      std::fprintf(stderr, "%s\n", text);
      return;
    case kAutoMessageModeHostAlert: {
      NativeText native(text);
      AVAlertNote(native.get());
      return;
    }
    case kAutoMessageModeFilter:
    case kAutoMessageModeFilterNoPrompts:
      if (gAutoMessageMode.filter)
        gAutoMessageMode.filter(text, type, gAutoMessageMode.destination);
      else
        ShowAlertDialog("Error", "Message filtering not active");
      return;
    default:  // 4 and anything unknown: the framework's alert
      ShowAlertDialog(gKCtlAlertTitle, text);
      return;
  }
}

void RoutePlatform(const char* text, ASInt32 type) {
  if (!text) text = "";
  ASInt32 need = PlatformNativeToUTF8BytesNeededTerm(text);
  if (need < 1) need = 1;
  char* utf8 = (char*)ASmallocWithException((size_t)need);
  utf8[0] = 0;
  PlatformNativeToUTF8Term(text, utf8, need, '?');
  DURING
    Route(utf8, type);
  HANDLER
    ASfree(utf8);
    RERAISE();
  END_HANDLER
  ASfree(utf8);
}

// Appends as much of text as fits in a buffer of kExceptionText bytes,
// never cutting a UTF-8 character in two.
void AppendBounded(char* buffer, const char* text) {
  size_t used = std::strlen(buffer);
  CopyCutUTF8(buffer + used, kExceptionText - used, text);
}

}  // namespace

void GeneralMessageUTF8(const char* text, ASInt32 type) { Route(text, type); }
void ErrMessageUTF8(const char* text) { Route(text, kAutoMessageError); }
void WarnMessageUTF8(const char* text) { Route(text, kAutoMessageWarning); }
void NoteMessageUTF8(const char* text) { Route(text, kAutoMessageNote); }
void ErrMessagePlatform(const char* text) { RoutePlatform(text, kAutoMessageError); }
void GeneralMessagePlatform(const char* text, ASInt32 type) { RoutePlatform(text, type); }

ASErrorCode AutoMessagePromptErrorCode() {
  if (!gPromptError)
    gPromptError = ASRegisterErrorString(ErrSeverityError,
                                         "Internal error, unexpected request for a prompt during automation");
  return gPromptError;
}

ASBool ConfirmMessageUTF8(const char* question, ASInt32 defaultAnswer) {
  if (!question) question = "";
  if (gAutoMessageMode.mode == kAutoMessageModeFilterNoPrompts) {
    Route(question, kAutoMessageConfirm);
    if (defaultAnswer == 1) return 1;
    if (defaultAnswer == 2) return 0;
    ASRaise(AutoMessagePromptErrorCode());
  }
  NativeText native(question);
  return AVAlertConfirm(native.get()) ? 1 : 0;
}

void HostErrorTextUTF8(ASErrorCode code, char* out, ASInt32 size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  char hostText[kExceptionText];
  if (ASGetErrorString(code, hostText, (ASInt32)sizeof hostText) > 0) {
    char utf8[kExceptionText];
    utf8[0] = 0;
    PlatformNativeToUTF8Term(hostText, utf8, (ASInt32)sizeof utf8, '?');
    CopyCutUTF8(out, (size_t)size, utf8);
  } else {
    std::snprintf(out, (size_t)size, "Exception 0x%08x", (unsigned)code);
  }
}

void AutoExceptionMessageUTF8(const char* context, ASErrorCode code) {
  char text[kExceptionText] = "";
  AppendBounded(text, GetMessageFromTableByKey(gSystemMessageTable, "common.task.failed1"));
  AppendBounded(text, context ? context : "?");
  AppendBounded(text, GetMessageFromTableByKey(gSystemMessageTable, "common.task.failed2"));
  char hostText[kExceptionText];
  HostErrorTextUTF8(code, hostText, (ASInt32)sizeof hostText);
  AppendBounded(text, hostText);
  Route(text, kAutoMessageError);
}

void SetAlertDialog(AlertDialogProc proc, const char* title) {
  char* copy = nullptr;
  if (title) {
    size_t n = std::strlen(title);
    copy = (char*)ASmallocWithException(n + 1);
    std::memcpy(copy, title, n + 1);
  }
  ASfree(gKCtlAlertTitle);
  gKCtlAlertTitle = copy;
  gAlertDialogProc = proc;
  gAutoMessageMode.mode = kAutoMessageModeKCtl;
}

void AutoMessageKCabListDestFilter(const char* textUTF8, ASInt32 type, void* list) {
  if (!list) return;
  SKCab* entry = KCabNewInner();
  DURING
    KCabPutInt(entry, "T", type);
    KCabPutStringCopy(entry, "S", textUTF8);
  HANDLER
    KCabDestroy(entry);
    RERAISE();
  END_HANDLER
  KCabPutCab((SKCab*)list, "", entry);
}

void AutoMessageSetKCabListDest(SKCab* list, ASBool noPrompts) {
  gAutoMessageMode.filter = AutoMessageKCabListDestFilter;
  gAutoMessageMode.destination = list;
  gAutoMessageMode.mode = noPrompts ? kAutoMessageModeFilterNoPrompts : kAutoMessageModeFilter;
}

SKCab* AutoMessageGetKCabListDest(ASBool* noPrompts) {
  bool listing = (gAutoMessageMode.mode == kAutoMessageModeFilter ||
                  gAutoMessageMode.mode == kAutoMessageModeFilterNoPrompts) &&
                 gAutoMessageMode.filter == AutoMessageKCabListDestFilter;
  if (noPrompts) *noPrompts = listing && gAutoMessageMode.mode == kAutoMessageModeFilterNoPrompts;
  return listing ? (SKCab*)gAutoMessageMode.destination : nullptr;
}

void SaveAutoMessageState(SAutoMessageState* state) {
  if (state) *state = gAutoMessageMode;
}

void RestoreAutoMessageState(const SAutoMessageState* state) {
  if (state) gAutoMessageMode = *state;
}
