// The plug-in's button in the host's tool bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "frame/ImpMenus.h"
#include "frame/ToolButton.h"
#include "host/AVAlert.h"
#include "platform/PfResource.h"

namespace {

std::vector<std::string> ButtonNames() {
  std::vector<std::string> names;
  AVToolBarEnumButtons(
      AVAppGetToolBar(),
      [](AVToolButton b, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->push_back(ASAtomGetString(AVToolButtonGetName(b)));
        return 1;
      },
      &names);
  return names;
}

std::vector<std::string> Notes() { return kvtest::RecordedAlerts(); }

class ToolButton : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    kvtest::InstallTestModules(false, true);
    kvtest::ModuleCalls().clear();
    AVAlertRecordStart();
  }
  void TearDown() override {
    AVAlertRecordStop();
    ASFaultClearAll();
    ASHostVersionSet(9, 0);
  }
  kvtest::PlugInSession session_;
};

TEST_F(ToolButton, StandsBeforeTheEndOfTheToolsAndReopensTheLastDialog) {
  InitKVToolbutton();
  EXPECT_TRUE(Notes().empty());
  ASSERT_NE(nullptr, kvToolButton);
  EXPECT_EQ((std::vector<std::string>{"Open", "Save", "Print", "KRVL_KorvelVelmora3", "endToolsGroup"}), ButtonNames());
  AVIcon icon = AVToolButtonGetIcon(kvToolButton);
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ((ASInt32)std::filesystem::file_size(kvtest::PlugInSession::BundleResources() + "/png/kv3.png"),
            AVIconGetDataSize(icon));
  EXPECT_STREQ("Korvel Velmora 3.0k", AVToolButtonGetHelpText(kvToolButton));
  ASText label = ASTextNew();
  EXPECT_EQ(0, AVToolButtonGetLabelText(kvToolButton, label)) << "no label on hosts up to 9";
  ASTextDestroy(label);
  EXPECT_TRUE(AVToolButtonIsEnabled(kvToolButton));
  EXPECT_FALSE(AVToolButtonIsMarked(kvToolButton));

  EXPECT_TRUE(AVToolButtonExecute(kvToolButton));
  EXPECT_EQ((std::vector<std::string>{"ReadGeneralPrefs", "LastTabbed"}), kvtest::ModuleCalls());
  EXPECT_EQ(kImpCmdLastTabbedDialog, latestImpositionCommand);
}

TEST_F(ToolButton, HostsAfterVersion9ShowALabel) {
  ASHostVersionSet(10, 0);
  InitKVToolbutton();
  ASText label = ASTextNew();
  EXPECT_EQ(800, AVToolButtonGetLabelText(kvToolButton, label));
  EXPECT_STREQ(" Korvel Velmora 3.0k", ASTextGetUTF8(label));
  ASTextDestroy(label);
}

TEST_F(ToolButton, IconProblemsAreToldAndTheButtonComesWithoutOne) {
  struct Case {
    const char* what;
    const char* note;
  };
  kvtest::TempDir empty;
  for (const Case& c : {Case{"missing", "KV: Failed to find icon resource"},
                        Case{"unopenable", "KV: Failed to read icon resource"},
                        Case{"unreadable", "KV: Failed to read icon bundle"}}) {
    AVAppShutdown();
    AVAlertClearRecorded();
    std::string what = c.what;
    if (what == "missing") PfBundleSetResourcesFolder(empty.path().c_str());
    else PfBundleSetResourcesFolder(kvtest::PlugInSession::BundleResources().c_str());
    if (what == "unopenable") ASFaultInject("ASFileSysOpenFile", fileErrOpenFailed);
    if (what == "unreadable") ASFaultInject("ASFileRead", fileErrRead);
    InitKVToolbutton();
    ASFaultClearAll();
    EXPECT_EQ(std::vector<std::string>{std::string("note: ") + c.note}, Notes()) << c.what;
    ASSERT_NE(nullptr, kvToolButton);
    EXPECT_EQ(nullptr, AVToolButtonGetIcon(kvToolButton)) << c.what;
    EXPECT_EQ("KRVL_KorvelVelmora3", ButtonNames()[3]) << c.what;
    EXPECT_TRUE(AVToolButtonExecute(kvToolButton)) << "the button works without its icon";
  }
  EXPECT_EQ(0, ASFileOpenCount()) << "no file is left open";
}

}  // namespace
