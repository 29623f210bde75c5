// Running KCtl dialogs in tests: a fixture that resets the platform and
// checks that every dialog and trace went, a recorder of the triggers the
// elements see, and helpers that find items by control id or export key in
// the front dialog.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "host/ASExtension.h"
#include "host/AVAlert.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlLayout.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"
#include "support/PfTestSupport.h"

namespace kvtest {

class KCtlFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    PfResetAll();
    AVAlertRecordStart();
    ASHostVersionSet(9, 0);
  }
  void TearDown() override {
    EXPECT_EQ(0, MacLiveDialogCount()) << "every dialog is disposed of";
    EXPECT_EQ(0, DialogTraceCount()) << "every trace record is freed";
    AVAlertRecordStop();
    PfResetAll();
  }

 public:

  static PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
  static SMacDialogInfo* FrontInfo() {
    PfDialogRef d = Front();
    return d ? MacFindActiveDialogFromHandle(d) : nullptr;
  }
  static SKCtlData* FrontData() { return KCtlDataForDialog(FrontInfo()); }
  static int16_t ItemOfId(ASInt32 id) { return PfDriverItemById(Front(), id); }
  static int16_t ItemOfKey(const char* key) { return PfDriverItemByKey(Front(), key); }
  static ASInt32 IdOf(SKCtlElem* e) { return KCtlPlatformGetElemControlId(FrontData(), e); }
  static int16_t ItemOf(SKCtlElem* e) { return ItemOfId(IdOf(e)); }
  static std::string TextOf(SKCtlElem* e) { return PfText(Front(), ItemOf(e)); }
  static void Click(SKCtlElem* e) { PfDriverClickItem(Front(), ItemOf(e), 0); }
  static void Type(SKCtlElem* e, const char* text) { PfDriverTypeText(Front(), ItemOf(e), text, true); }
};

// Every trigger an element sees, as "name:trigger", in one shared log.
struct TriggerLog {
  std::vector<std::string> entries;

  struct Tap {
    TriggerLog* log;
    std::string name;
    ASInt32 answer = 0;           // what the callback returns
    ASInt32 answerOn = -1;        // ...on this trigger only (-1: every trigger)
    std::function<void(SMacDialogInfo*, ASInt32)> also;  // runs before answering
  };
  std::vector<std::unique_ptr<Tap>> taps;

  static ASInt32 Callback(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void* user) {
    Tap* t = static_cast<Tap*>(user);
    t->log->entries.push_back(t->name + ":" + std::to_string(trigger));
    if (t->also) t->also(dialog, trigger);
    return (t->answerOn < 0 || t->answerOn == trigger) ? t->answer : 0;
  }

  // Binds a callback for every trigger (or one) to the element.
  Tap* Watch(SKCtlElem* e, const std::string& name, ASInt32 trigger = kKCtlTriggerAny) {
    taps.push_back(std::make_unique<Tap>());
    Tap* t = taps.back().get();
    t->log = this;
    t->name = name;
    KCtlSetActionCallback(e, trigger, Callback, t);
    return t;
  }

  // The entries whose trigger is one of those given, and the test's own
  // markers, in order.
  std::vector<std::string> Only(std::initializer_list<ASInt32> triggers) const {
    std::vector<std::string> out;
    for (const std::string& s : entries) {
      size_t colon = s.rfind(':');
      if (colon == std::string::npos) {  // a marker the test put in
        out.push_back(s);
        continue;
      }
      ASInt32 t = std::stoi(s.substr(colon + 1));
      for (ASInt32 want : triggers)
        if (t == want) out.push_back(s);
    }
    return out;
  }
  void Clear() { entries.clear(); }
};

// A description with its run data and export cabinet, shown modally while a
// script drives it. The description and data are freed here unless the
// description's flags hand them to the window.
struct KCtlRun {
  SKCtlDialog* dialog;
  SKCtlData* data = nullptr;
  SKCab* exportCab = nullptr;
  ASInt32 result = 0;

  // The flags are kept here: a description that frees itself is gone by the end.
  explicit KCtlRun(const char* title, ASUns32 flags = 0) : dialog(KCtlNewDialog(title, flags)), flags_(flags) {}
  ~KCtlRun() {
    if (data && !(flags_ & kKCtlDialogFreeData)) KCtlDestroyData(data);
    if (!(flags_ & kKCtlDialogFreeDescription)) KCtlDestroyDialog(dialog);
    if (exportCab) KCabDestroy(exportCab);
  }
  KCtlRun(const KCtlRun&) = delete;
  KCtlRun& operator=(const KCtlRun&) = delete;

  SKCab* Export() {
    if (!exportCab) exportCab = KCabNewInner();
    return exportCab;
  }
  ASInt32 RunModal(PfScript& script, std::function<void()> then = nullptr) {
    data = KCtlCreateData(dialog);
    KCtlDataSetExportCab(data, exportCab, nullptr);
    if (then) script.Then(then);
    result = KCtlPlatformTestModal(data, nullptr);
    return result;
  }

 private:
  ASUns32 flags_;
};

}  // namespace kvtest
