#include "host/AVAlert.h"

#include <cstdio>
#include <deque>

#include "host/ASExcept.h"
#include "host/AV.h"

namespace {

struct Responder {
  bool recording = false;
  std::vector<AVAlertRecord> recorded;
  std::deque<ASInt32> answers;
  ASInt32 defaultAnswer = 1;
};

Responder& R() {
  static Responder* r = new Responder;
  return *r;
}

const char* KindOfIcon(ASInt32 icon) {
  switch (icon) {
    case AVAlertIconError: return "error";
    case AVAlertIconWarning: return "warning";
    case AVAlertIconQuestion: return "question";
    default: return "note";
  }
}

ASInt32 RespondInner(const char* kind, const char* title, const char* message, const char* b1, const char* b2,
                     const char* b3) {
  Responder& r = R();
  AVAlertRecord rec;
  rec.kind = kind;
  rec.title = title ? title : "";
  rec.message = message ? message : "";
  rec.buttons.emplace_back(b1 ? b1 : "OK");
  if (b2) rec.buttons.emplace_back(b2);
  if (b2 && b3) rec.buttons.emplace_back(b3);
  ASInt32 answer = r.defaultAnswer;
  if (!r.answers.empty()) {
    answer = r.answers.front();
    r.answers.pop_front();
  }
  ASInt32 count = (ASInt32)rec.buttons.size();
  if (answer < 1) answer = 1;
  if (answer > count) answer = count;
  rec.answer = answer;
  if (r.recording) {
    r.recorded.push_back(std::move(rec));
  } else {
    // The status line would run into the alert: the alert gets a line of its own.
    AVAppEndStatusLine();
    std::fprintf(stderr, "%s%s%s%s: %s", kind, title ? " [" : "", title ? title : "", title ? "]" : "", rec.message.c_str());
    if (count > 1) std::fprintf(stderr, " -> %s", rec.buttons[(size_t)answer - 1].c_str());
    std::fputc('\n', stderr);
  }
  return answer;
}

// No C++ library exception leaves the host.
ASInt32 Respond(const char* kind, const char* title, const char* message, const char* b1, const char* b2,
                const char* b3) {
  try {
    return RespondInner(kind, title, message, b1, b2, b3);
  } catch (const ASException&) {
    throw;
  } catch (...) {
    ASRaise(ASExceptionCodeFromCurrent());
  }
}

}  // namespace

ASInt32 AVAlert(ASInt32 iconType, const char* message, const char* button1, const char* button2, const char* button3,
                ASBool) {
  return Respond(KindOfIcon(iconType), nullptr, message, button1, button2, button3);
}

ASInt32 AVAlertWithTitle(const char* title, ASInt32 iconType, const char* message, const char* button1,
                         const char* button2, const char* button3) {
  return Respond(KindOfIcon(iconType), title, message, button1, button2, button3);
}

void AVAlertNote(const char* message) { Respond("note", nullptr, message, "OK", nullptr, nullptr); }

ASBool AVAlertConfirm(const char* message) {
  return Respond("confirm", nullptr, message, "OK", "Cancel", nullptr) == 1 ? 1 : 0;
}

void AVAlertRecordStart() {
  Responder& r = R();
  r.recording = true;
  r.recorded.clear();
  r.answers.clear();
}

void AVAlertRecordStop() { R().recording = false; }
ASBool AVAlertIsRecording() { return R().recording ? 1 : 0; }
const std::vector<AVAlertRecord>& AVAlertRecorded() { return R().recorded; }
void AVAlertClearRecorded() { R().recorded.clear(); }
void AVAlertQueueAnswer(ASInt32 answer) { R().answers.push_back(answer); }
void AVAlertClearAnswers() { R().answers.clear(); }
void AVAlertSetDefaultAnswer(ASInt32 answer) { R().defaultAnswer = answer; }
