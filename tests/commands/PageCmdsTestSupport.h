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
#include "foundation/MessageTable.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "host/PD.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/HostPdf.h"
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

  // Saves the document under name, checks the file with qpdf and returns
  // poppler's text of it (pages ended by "|").
  std::string Saved(PDDoc doc, const char* name = "out.pdf") {
    std::string path = dir.file(name);
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path));
    return PdfToText(path);
  }

  // Presses OK in the definition's dialog on params, then Escape: whether
  // the dialog was still open after OK (the dialog's answer must be false).
  static bool OkRefused(const Definition& def, SKCab* params) {
    PfScript script;
    bool stillOpen = false;
    script.Then([] { PfDriverPressReturn(); });
    script.Then([&] {
      stillOpen = Front() != nullptr;
      PfDriverPressEscape();
    });
    EXPECT_FALSE(def.UI(params));
    return stillOpen;
  }

  // A message's text.
  static std::string MsgText(const char* key) {
    const char* t = GetMessageFromTableByKey(gSystemMessageTable, key);
    return t ? t : "";
  }

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
