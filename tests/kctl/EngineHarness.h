// A dialog of the tests' own for the platform dialog engine: an item list
// from a table, a filter that makes the dialog at the create message and
// logs every message, and a handler for what a test wants the dialog to do.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/AVAlert.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/MacListBox.h"
#include "kctl/mac/MacTree.h"
#include "platform/Pf.h"
#include "support/PfTestSupport.h"

namespace kvtest {

struct EngineItem {
  uint8_t kind;
  PfRect rect;
  std::string text;
  int32_t id = 0;  // control id; 0 keeps the item index
  int16_t resId = 0;
};

// Control ids of the standard test dialog.
enum : int32_t {
  kOK = 1,
  kCancel = 2,
  kEditA = 10,
  kEditB = 11,
  kLabel = 12,
  kCheck = 13,
  kTree = 20,
  kPopup = 30,
  kTabs = 40
};

constexpr int16_t kTabTemplate = 900;

inline std::vector<EngineItem> StandardEngineItems() {
  return {
      {kPfButtonItem, PfSetRect(300, 260, 370, 280), "OK", kOK},
      {kPfButtonItem, PfSetRect(220, 260, 290, 280), "Cancel", kCancel},
      {kPfEditTextItem, PfSetRect(20, 20, 120, 36), "first", kEditA},
      {kPfEditTextItem, PfSetRect(20, 50, 120, 66), "second", kEditB},
      {kPfStaticTextItem, PfSetRect(140, 20, 280, 36), "Label", kLabel},
      {kPfCheckBoxItem, PfSetRect(20, 80, 200, 98), "Check me", kCheck},
      {kPfUserItem, PfSetRect(20, 110, 180, 110 + 5 * 17), "", kTree},
      {kPfUserItem, PfSetRect(200, 110, 320, 130), "", kPopup},
      {kPfResControlItem, PfSetRect(200, 150, 380, 240), "", kTabs, kTabTemplate},
  };
}

struct EngineHarness {
  std::vector<EngineItem> items = StandardEngineItems();
  std::vector<std::string> log;
  std::string title = "Engine";
  bool modal = true;
  bool makeNoDialog = false;
  SMacDialogInfo* info = nullptr;
  // What the dialog does with a message after it is logged; the result is the procedure's.
  std::function<ASInt32(SMacDialogInfo*, ASUns32, ASInt32, SMacControlHitInfo*)> handler;

  void Log(const std::string& s) { log.push_back(s); }
  int Count(const std::string& s) const { return (int)std::count(log.begin(), log.end(), s); }
  std::string Joined() const {
    std::string all;
    for (const std::string& s : log) all += (all.empty() ? "" : ",") + s;
    return all;
  }
};

inline ASInt32 HarnessFilter(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit) {
  auto* h = static_cast<EngineHarness*>(info->userData);
  if (!h) return 0;
  switch (message) {
    case kMacDlgCreate: {
      h->Log("create");
      if (h->makeNoDialog) return 0;
      std::vector<PfItemSpec> specs;
      for (const EngineItem& it : h->items) specs.push_back(PfItemSpec{it.kind, it.rect, it.text, it.resId});
      PfDialogRef d = PfNewDialog(PfSetRect(100, 100, 500, 400), h->title.c_str(), false,
                                  h->modal ? kPfMovableModalProc : kPfNoGrowDocProc, true, !h->modal, 0,
                                  PfMakeItemList(specs), kPfDialogThemeBackground);
      *reinterpret_cast<PfDialogRef*>(hit) = d;
      return 1;
    }
    case kMacDlgInit:
      h->info = info;
      MacInitDialogControlMap(info, (ASInt32)h->items.size());
      for (size_t i = 0; i < h->items.size(); ++i)
        if (h->items[i].id) MacDialogControlMapSetMapping(info, h->items[i].id, (ASInt32)i + 1);
      h->Log("init");
      break;
    case kMacDlgShown:
      h->Log("shown");
      break;
    case kMacDlgCommand:
      h->Log("command " + std::to_string(hit ? hit->id : -1) + " " + std::to_string(hit ? hit->code : -1));
      break;
    case kMacDlgNotify:
      h->Log("notify " + std::to_string(wParam) + " " + std::to_string(hit ? hit->code : -1));
      break;
    case kMacDlgDestroy:
      h->Log("destroy");
      break;
    default:
      break;
  }
  return h->handler ? h->handler(info, message, wParam, hit) : 0;
}

// Ends the dialog the way the runtime does: a modal one with a result and
// done, a modeless one destroyed.
inline void EndDialog(SMacDialogInfo* info, ASInt32 id) {
  if (info->modal) {
    info->result = id;
    info->done = 1;
  } else {
    DestroyModelessDialog(info);
  }
}

// OK and Cancel end the dialog; the tree gets its share of every message.
inline ASInt32 StandardHandler(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit) {
  if (message == kMacDlgCommand && hit && (hit->id == kOK || hit->id == kCancel)) EndDialog(info, hit->id);
  if ((message == kMacDlgCommand && hit && hit->id == kTree) || message == kMacDlgDestroy ||
      (message == kMacDlgNotify && wParam == kTree))
    MacPossibleTreeMessage(info, message, wParam, hit, kTree);
  return 0;
}

inline ASInt32 RunModalHarness(EngineHarness& h) {
  SDialogTrace* trace = NewDialogTrace();
  return DialogTraceMacRunModalDialogWithFilter(trace, nullptr, HarnessFilter, &h, 1);
}

inline void RegisterTabTemplate() {
  SPfControlTemplate t{};
  t.procId = kPfTabProc;
  t.value = 1;
  t.minimum = 1;
  t.maximum = 4;
  PfRegisterControlTemplate(kTabTemplate, t);
}

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    PfResetAll();
    RegisterTabTemplate();
    AVAlertRecordStart();
    ASHostVersionSet(9, 0);
  }
  void TearDown() override {
    EXPECT_EQ(0, MacLiveDialogCount()) << "every dialog is disposed of";
    EXPECT_EQ(0, DialogTraceCount()) << "every trace record is freed";
    AVAlertRecordStop();
    PfResetAll();
  }
  PfDialogRef Dialog() { return PfDriverFindDialog(nullptr); }
  int16_t Item(int32_t id) { return PfDriverItemById(Dialog(), id); }
};

}  // namespace kvtest

namespace kvtest {

// While it lives, each new dialog record takes the address of the last one
// freed, as the C allocator often does and a checking allocator never does:
// what a dialog left behind is then found by the next one, if anything still
// finds things by address.
struct ReusedDialogRecords {
  ReusedDialogRecords() { MacDialogReuseRecordsForTest(1); }
  ~ReusedDialogRecords() { MacDialogReuseRecordsForTest(0); }
  ReusedDialogRecords(const ReusedDialogRecords&) = delete;
  ReusedDialogRecords& operator=(const ReusedDialogRecords&) = delete;
};

// Runs the standard dialog modally and calls body once it is shown; then cancels it.
inline void WithRunningDialog(const std::function<void(SMacDialogInfo*)>& body,
                              std::function<ASInt32(SMacDialogInfo*, ASUns32, ASInt32, SMacControlHitInfo*)> handler =
                                  StandardHandler) {
  EngineHarness h;
  h.handler = handler;
  PfScript script;
  script.Then([&] {
    body(h.info);
    PfDriverPressEscape();
  });
  RunModalHarness(h);
}

}  // namespace kvtest
