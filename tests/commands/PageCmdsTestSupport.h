// Shared pieces of the page commands' tests (sample, insert, join, reverse):
// a fixture over the engine's page-test fixture that also resets the
// platform's dialogs, finding dialog items while a script drives them, and
// the definitions the modules register.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../engine/PagesTestSupport.h"
#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "host/PD.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/PfTestSupport.h"

namespace kvtest {

class PageCmdTest : public PagesTest {
 public:
  void SetUp() override {
    PfResetAll();
    PagesTest::SetUp();
    for (Definition* d : definitions_) d->Build();
  }
  void TearDown() override {
    PagesTest::TearDown();
    EXPECT_EQ(0, MacLiveDialogCount()) << "every dialog is disposed of";
    PfResetAll();
  }

  // A module's definition, the test's to destroy; built when the test sets
  // up, once the message texts are there.
  struct Definition {
    KVCmdMgrBuilderProc builder;
    SKCab* cab = nullptr;
    explicit Definition(KVCmdMgrBuilderProc b) : builder(b) {}
    ~Definition() {
      if (cab) KCabDestroy(cab);
    }
    void Build() {
      if (!cab) cab = builder();
    }
    Definition(const Definition&) = delete;
    Definition& operator=(const Definition&) = delete;
    operator SKCab*() const { return cab; }
    ASBool UI(SKCab* params) const {
      auto ui = (CmdMgrUIProc)KCabGetFunctionPointerNamedType(cab, "UI", kCmdMgrUIProcType);
      return ui ? ui(cab, params) : 1;
    }
    // The describer's lines joined by " | ".
    std::string Describe(SKCab* params) const {
      auto d = (CmdMgrDescriberProc)KCabGetFunctionPointerNamedType(cab, "Describer", kCmdMgrDescriberProcType);
      SKCab* lines = d(cab, params);
      std::string out;
      for (long n = 0; KCabKnownNumKey(lines, n); ++n) {
        const char* s = KCabGetStringNumKey(lines, n);
        out += (n ? " | " : "") + std::string(s ? s : "?");
      }
      KCabDestroy(lines);
      return out;
    }
  };

  // Definitions to build at set-up.
  void Uses(Definition* d) { definitions_.push_back(d); }

  // The front dialog and its items while a script runs.
  static PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
  static int16_t Item(const char* key) { return PfDriverItemByKey(Front(), key); }
  static void Click(const char* key) { PfDriverClickItem(Front(), Item(key), 0); }
  static bool Enabled(const char* key) { return PfDriverIsEnabled(Front(), Item(key)); }
  static bool Checked(const char* key) { return PfDriverGetValue(Front(), Item(key)) == 1; }

 private:
  std::vector<Definition*> definitions_;
};

// The size of a page's media box, "W x H" in whole points.
inline std::string PageSizeText(PDDoc doc, ASInt32 page) {
  PDPage p = PDDocAcquirePage(doc, page);
  ASFixedRect box;
  PDPageGetMediaBox(p, &box);
  PDPageRelease(p);
  char text[100];
  std::snprintf(text, sizeof text, "%.2f x %.2f", (box.right - box.left) / 65536.0, (box.top - box.bottom) / 65536.0);
  return text;
}

}  // namespace kvtest
