#include "kctl/KCtlAutomation.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"

namespace {

enum EStage { kFresh, kOKPressed, kCancelAsked, kGivenUp };

struct Automation {
  bool active = false;
  SKCab* answers = nullptr;
  ASInt32 stepLimit = kKCtlAutomationDefaultSteps;
  ASInt32 steps = 0;
  long nextNumbered = 0;
  PfEventSourceProc savedSource = nullptr;
  void* savedClient = nullptr;
  // The dialog being answered, by serial: a later dialog may come at the
  // same address once it has gone.
  ASUns32 current = 0;
  SKCab* currentAnswers = nullptr;  // the answers loaded into it (in the answers cabinet), or null
  EStage stage = kFresh;
  ASInt32 answered = 0;
  ASInt32 cancelled = 0;
};

Automation& A() {
  static Automation a;
  return a;
}

const char* TitleOf(PfDialogRef d) {
  const char* t = PfGetWindowTitleUTF8(PfGetDialogWindow(d));
  return t ? t : "";
}

// The dialog's answers: its title's entry, else the next numbered one.
SKCab* AnswersFor(const char* title) {
  Automation& a = A();
  if (!a.answers) return nullptr;
  struct Find {
    const char* title;
    std::string key;
  } f{title, std::string()};
  KCabConstEnum(
      a.answers,
      [](SKCab*, const char* key, ASInt32 type, void* p) -> ASBool {
        Find* f = static_cast<Find*>(p);
        if (type == kKCabTypeCab && std::strcmp(key, f->title) == 0) {
          f->key = key;
          return 0;
        }
        return 1;
      },
      &f);
  if (!f.key.empty()) return KCabGetCab(a.answers, f.key.c_str());
  SKCab* numbered = KCabGetCabNumKey(a.answers, a.nextNumbered);
  if (numbered) ++a.nextNumbered;
  return numbered;
}

void Report(const char* key, const char* fallback, const char* title) {
  char text[600];
  FormatMessageByKeyUTF8(nullptr, key, fallback, text, sizeof text, "sd", title, (int)A().stepLimit);
  WarnMessageUTF8(text);
}

// An answer as the user wrote it into the answers cabinet.
std::string AnswerText(SKCab* answers, const char* key) {
  char text[100];
  switch (KCabGetType(answers, key)) {
    case kKCabTypeString:
      return std::string("\"") + KCabGetString(answers, key) + "\"";
    case kKCabTypeInt:
      return std::to_string(KCabGetInt(answers, key, 0));
    case kKCabTypeDouble:
      std::snprintf(text, sizeof text, "%g", KCabGetDouble(answers, key, 0));
      return text;
    case kKCabTypeBool:
      return KCabGetBool(answers, key, 0) ? "true" : "false";
    case kKCabTypeAtom:
      return ASAtomGetString(KCabGetAtom(answers, key, ASAtomNull));
    default:
      return "";
  }
}

// Names the element whose value the dialog refused, and the answer given
// for it (or that it kept its own value), when the verification says which.
void ReportRefusal(SMacDialogInfo* info, const char* title) {
  SKCtlElem* refused = KCtlLastRefusedElement(info);
  const char* key = refused && refused->exportRec ? refused->exportRec->key : nullptr;
  if (!key || !*key) {
    Report("kctl.automation.refused", "The dialog \"%s\" did not accept its answers and was cancelled.", title);
    return;
  }
  std::string answer = AnswerText(A().currentAnswers, key);
  char text[800];
  if (answer.empty()) {
    FormatMessageByKeyUTF8(nullptr, "kctl.automation.refusedvalue",
                           "The dialog \"%s\" did not accept the value of %s, which had no answer, and was cancelled.",
                           text, sizeof text, "ss", title, key);
  } else {
    FormatMessageByKeyUTF8(nullptr, "kctl.automation.refusedanswer",
                           "The dialog \"%s\" did not accept the answer %s for %s and was cancelled.", text,
                           sizeof text, "sss", title, answer.c_str(), key);
  }
  WarnMessageUTF8(text);
}

// Presses OK as a user would: a click on it, or Return when it cannot be clicked.
void PressOK(PfDialogRef d) {
  int16_t item = PfDriverItemById(d, kMacOKId);
  if (item > 0 && PfDriverIsVisible(d, item) && PfDriverIsEnabled(d, item) && PfDriverClickItem(d, item, 0)) return;
  PfDriverPressReturn();
}

bool Answer(void*) {
  Automation& a = A();
  PfDialogRef front = PfDriverFindDialog(nullptr);
  SMacDialogInfo* info = front ? MacFindActiveDialogFromHandle(front) : nullptr;
  if (!info) return a.savedSource ? a.savedSource(a.savedClient) : false;
  if (MacDialogSerial(info) != a.current) {
    a.current = MacDialogSerial(info);
    a.stage = kFresh;
  }
  if (a.stage == kFresh && ++a.steps > a.stepLimit) {
    Report("kctl.automation.steplimit", "Too many dialogs came up while running unattended; \"%s\" was cancelled.",
           TitleOf(front));
    ++a.cancelled;
    a.stage = kCancelAsked;
    PfDriverPressCommandPeriod();
    return true;
  }
  switch (a.stage) {
    case kFresh: {
      a.stage = kOKPressed;
      a.currentAnswers = nullptr;
      if (KCtlDataForDialog(info))
        if (SKCab* answers = AnswersFor(TitleOf(front))) {
          a.currentAnswers = answers;
          KCtlLoadElementsFromSpecificCab(info, answers);
        }
      ++a.answered;
      PressOK(front);
      return true;
    }
    case kOKPressed:
      --a.answered;
      ++a.cancelled;
      ReportRefusal(info, TitleOf(front));
      a.stage = kCancelAsked;
      PfDriverPressCommandPeriod();
      return true;
    case kCancelAsked:
      // Not even the cancel keys close it: end it as the framework would.
      a.stage = kGivenUp;
      if (SKCtlData* data = KCtlDataForDialog(info)) {
        KCtlTerminateDialog(info, data, kMacCancelId);
      } else {
        info->result = kMacCancelId;
        info->done = 1;
      }
      return false;
    case kGivenUp:
      return false;
  }
  return false;
}

}  // namespace

void KCtlAutomationStart(SKCab* answers, ASInt32 stepLimit) {
  Automation& a = A();
  if (!a.active) PfGetEventSource(&a.savedSource, &a.savedClient);
  a.active = true;
  a.answers = answers;
  a.stepLimit = stepLimit > 0 ? stepLimit : kKCtlAutomationDefaultSteps;
  a.steps = 0;
  a.nextNumbered = 0;
  a.current = 0;
  a.currentAnswers = nullptr;
  a.stage = kFresh;
  a.answered = 0;
  a.cancelled = 0;
  PfSetEventSource(Answer, nullptr);
}

void KCtlAutomationStop() {
  Automation& a = A();
  if (!a.active) return;
  PfSetEventSource(a.savedSource, a.savedClient);
  a.savedSource = nullptr;
  a.savedClient = nullptr;
  a.active = false;
  a.answers = nullptr;
  a.current = 0;
  a.currentAnswers = nullptr;
}

ASBool KCtlAutomationActive() { return A().active ? 1 : 0; }
ASInt32 KCtlAutomationAnsweredCount() { return A().answered; }
ASInt32 KCtlAutomationCancelledCount() { return A().cancelled; }

void KCtlAutomationDialogStarted(SMacDialogInfo* dialog) {
  Automation& a = A();
  if (!a.active) return;
  a.current = MacDialogSerial(dialog);
  a.stage = kFresh;
}
