// Answers the dialogs of the dialog framework that come up while it lives:
// each one that waits for its user is recorded (title, static texts, button
// captions) and answered with the button whose caption is given (Return when
// none is). The event source in place before is put back after.
#pragma once

#include <string>
#include <vector>

#include "platform/Pf.h"

namespace kvtest {

class FrameworkAlertCapture {
 public:
  struct Alert {
    std::string title;
    std::vector<std::string> texts;
    std::vector<std::string> buttons;
  };

  explicit FrameworkAlertCapture(std::string press = std::string()) : press_(std::move(press)) {
    PfGetEventSource(&savedProc_, &savedClient_);
    PfSetEventSource(&FrameworkAlertCapture::Source, this);
  }
  ~FrameworkAlertCapture() { PfSetEventSource(savedProc_, savedClient_); }
  FrameworkAlertCapture(const FrameworkAlertCapture&) = delete;
  FrameworkAlertCapture& operator=(const FrameworkAlertCapture&) = delete;

  const std::vector<Alert>& alerts() const { return alerts_; }
  void Press(std::string caption) { press_ = std::move(caption); }

 private:
  static std::string Text(PfDialogRef d, int16_t item) {
    char buffer[4096];
    PfDriverGetText(d, item, buffer, sizeof buffer);
    return buffer;
  }

  static bool Source(void* self) {
    auto* c = static_cast<FrameworkAlertCapture*>(self);
    PfDialogRef d = PfDriverFindDialog(nullptr);
    // A dialog that keeps waiting after its answer is left to the platform's
    // stall guard.
    if (!d || c->alerts_.size() >= 100) return false;
    Alert a;
    a.title = PfGetWindowTitleUTF8(PfGetDialogWindow(d));
    for (int16_t i = 1; i <= PfCountDialogItems(d); ++i) {
      if (!PfDriverIsVisible(d, i)) continue;
      int32_t kind = PfGetDialogItemKind(d, i) & 0x7F;
      PfControlRef control = PfGetDialogItemControl(d, i);
      std::string t = Text(d, i);
      if (kind == kPfButtonItem)
        a.buttons.push_back(t);
      else if ((kind == kPfStaticTextItem || (control && PfGetControlProcId(control) == kPfStaticTextProc)) &&
               !t.empty())
        a.texts.push_back(t);
    }
    c->alerts_.push_back(a);
    int16_t item = c->press_.empty() ? 0 : PfDriverItemByCaption(d, c->press_.c_str());
    if (item)
      PfDriverClickItem(d, item, 0);
    else
      PfDriverPressReturn();
    return true;
  }

  std::string press_;
  std::vector<Alert> alerts_;
  PfEventSourceProc savedProc_ = nullptr;
  void* savedClient_ = nullptr;
};

}  // namespace kvtest
