// The host's alerts: note, confirmation and the generic alert with up to three
// buttons. There is no window system: a responder prints each alert with its
// kind on standard error and answers it, from a script of answers when one is
// queued, else with the default answer. Tests and automation can record the
// alerts instead of printing them.
#pragma once

#include <string>
#include <vector>

#include "host/ASTypes.h"

// Icons of the generic alert; they name the alert's kind.
enum : ASInt32 { AVAlertIconError = 0, AVAlertIconWarning = 1, AVAlertIconNote = 2, AVAlertIconQuestion = 3 };

// Shows the message with up to three buttons (button1 null: "OK"; button2 and
// button3 may be null). Returns the number (1 to 3) of the button chosen.
ASInt32 AVAlert(ASInt32 iconType, const char* message, const char* button1, const char* button2, const char* button3,
                ASBool beep);
// The same in a window with a title (null: no title).
ASInt32 AVAlertWithTitle(const char* title, ASInt32 iconType, const char* message, const char* button1,
                         const char* button2, const char* button3);
// A note with an OK button.
void AVAlertNote(const char* message);
// A question with OK and Cancel; true for OK.
ASBool AVAlertConfirm(const char* message);

// ---- The responder

struct AVAlertRecord {
  std::string kind;  // "note", "confirm", "error", "warning", "question"
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  ASInt32 answer;
};

// Recording: alerts are kept (not printed) until AVAlertRecordStop. Starting
// clears what was recorded and the queued answers.
void AVAlertRecordStart();
void AVAlertRecordStop();
ASBool AVAlertIsRecording();
const std::vector<AVAlertRecord>& AVAlertRecorded();
void AVAlertClearRecorded();

// Scripted answers, used in order by the next alerts; an answer beyond the
// alert's buttons counts as its last button.
void AVAlertQueueAnswer(ASInt32 answer);
void AVAlertClearAnswers();
// The answer when none is queued (initially 1, the first button).
void AVAlertSetDefaultAnswer(ASInt32 answer);
