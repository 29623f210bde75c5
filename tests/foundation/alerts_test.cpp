#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AVAlert.h"
#include "tests/foundation/KCabDump.h"

namespace {

using kvtest::DumpKCab;

// Each test starts in the initial routing state with the host's alerts
// recorded, and leaves both as it found them.
class AlertsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SaveAutoMessageState(&saved_);
    SAutoMessageState initial{kAutoMessageModeHostAlert, nullptr, nullptr};
    RestoreAutoMessageState(&initial);
    AVAlertRecordStart();
  }
  void TearDown() override {
    AVAlertRecordStop();
    AVAlertSetDefaultAnswer(1);
    RestoreAutoMessageState(&saved_);
  }
  static void SetMode(ASInt32 mode, AutoMessageFilterProc filter = nullptr, void* destination = nullptr) {
    SAutoMessageState s{mode, filter, destination};
    RestoreAutoMessageState(&s);
  }

  SAutoMessageState saved_{};
};

// The alert dialog of mode 4 as the dialog framework would show it: what it
// was asked to show.
struct DialogSeen {
  std::string title;  // "(null)" for no title
  std::string text;
};
std::vector<DialogSeen>& Dialogs() {
  static std::vector<DialogSeen> seen;
  return seen;
}
ASInt32 RecordDialog(const char* title, const char* text) {
  Dialogs().push_back({title ? title : "(null)", text ? text : ""});
  return 1;
}

struct Filtered {
  std::vector<std::pair<ASInt32, std::string>> got;
  static void Filter(const char* text, ASInt32 type, void* self) {
    static_cast<Filtered*>(self)->got.emplace_back(type, text);
  }
};

TEST_F(AlertsTest, EachModeRoutesToItsPlace) {
  struct Case {
    ASInt32 mode;
    bool withFilter;
    const char* stderrText;  // what reaches standard error
    const char* hostAlert;   // the text of the host's note alert, or null
    const char* dialogTitle; // the framework alert shown, or null
    const char* dialogText;
    bool filtered;
  };
  const Case cases[] = {
      {0, false, "", nullptr, nullptr, "", false},
      {1, false, "Disk full\n", nullptr, nullptr, "", false},
      {2, false, "", "Disk full", nullptr, "", false},
      {3, false, "", nullptr, nullptr, "", false},
      {4, false, "", nullptr, "Korvel", "Disk full", false},
      {5, true, "", nullptr, nullptr, "", true},
      {6, true, "", nullptr, nullptr, "", true},
      {5, false, "", nullptr, "Error", "Message filtering not active", false},
      {6, false, "", nullptr, "Error", "Message filtering not active", false},
      {9, false, "", nullptr, "Korvel", "Disk full", false},  // unknown modes act as 4
  };
  for (const Case& c : cases) {
    SetAlertDialog(RecordDialog, "Korvel");
    Filtered filtered;
    SetMode(c.mode, c.withFilter ? Filtered::Filter : nullptr, &filtered);
    AVAlertClearRecorded();
    Dialogs().clear();
    testing::internal::CaptureStderr();
    ErrMessageUTF8("Disk full");
    EXPECT_EQ(c.stderrText, testing::internal::GetCapturedStderr()) << "mode " << c.mode;
    const auto& alerts = AVAlertRecorded();
    ASSERT_EQ(c.hostAlert ? 1u : 0u, alerts.size()) << "mode " << c.mode;
    if (c.hostAlert) {
      EXPECT_EQ("note", alerts[0].kind);
      EXPECT_EQ(c.hostAlert, alerts[0].message);
    }
    ASSERT_EQ(c.dialogTitle ? 1u : 0u, Dialogs().size()) << "mode " << c.mode;
    if (c.dialogTitle) {
      EXPECT_EQ(c.dialogTitle, Dialogs()[0].title);
      EXPECT_EQ(c.dialogText, Dialogs()[0].text);
    }
    ASSERT_EQ(c.filtered ? 1u : 0u, filtered.got.size()) << "mode " << c.mode;
    if (c.filtered) {
      EXPECT_EQ(std::make_pair((ASInt32)kAutoMessageError, std::string("Disk full")), filtered.got[0]);
    }
  }
}

TEST_F(AlertsTest, OnlyTheFilterSeesTheMessageType) {
  Filtered filtered;
  SetMode(kAutoMessageModeFilter, Filtered::Filter, &filtered);
  ErrMessageUTF8("e");
  WarnMessageUTF8("w");
  NoteMessageUTF8("n");
  GeneralMessageUTF8("q", kAutoMessageConfirm);
  ErrMessagePlatform("pe");
  GeneralMessagePlatform("pw", kAutoMessageWarning);
  std::vector<std::pair<ASInt32, std::string>> expected = {
      {2, "e"}, {1, "w"}, {0, "n"}, {3, "q"}, {2, "pe"}, {1, "pw"}};
  EXPECT_EQ(expected, filtered.got);
}

TEST_F(AlertsTest, HostAlertsGetThePlatformText) {
  // The platform encoding is UTF-8 here: the text arrives unchanged.
  const char* text = "Fl\xC3\xA4" "che \xE2\x80\x94 gro\xC3\x9F";
  ErrMessageUTF8(text);
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ(text, AVAlertRecorded()[0].message);
  // A text longer than the stack buffer takes the heap road.
  std::string longText(5000, 'x');
  ErrMessageUTF8(longText.c_str());
  ASSERT_EQ(2u, AVAlertRecorded().size());
  EXPECT_EQ(longText, AVAlertRecorded()[1].message);
}

TEST_F(AlertsTest, AutomationCollectsMessagesAndAnswersQuestionsByDefault) {
  SKCab* list = KCabNewInner();
  AutoMessageSetKCabListDest(list, 1);
  ErrMessageUTF8("one");
  ErrMessageUTF8("two");
  ErrMessageUTF8("three");
  EXPECT_TRUE(ConfirmMessageUTF8("Go on?", 1));
  EXPECT_EQ("{0={S=s:one;T=i:2;};1={S=s:two;T=i:2;};2={S=s:three;T=i:2;};3={S=s:Go on?;T=i:3;};}",
            DumpKCab(list));
  EXPECT_FALSE(ConfirmMessageUTF8("Stop?", 2));
  EXPECT_TRUE(AVAlertRecorded().empty());
  KCabDestroy(list);
}

TEST_F(AlertsTest, AQuestionWithoutAUsableDefaultRaisesInAutomation) {
  SKCab* list = KCabNewInner();
  AutoMessageSetKCabListDest(list, 1);
  for (ASInt32 answer : {0, 3, -1}) {
    ASErrorCode code = 0;
    DURING
      ConfirmMessageUTF8("Which?", answer);
    HANDLER
      code = ERRORCODE;
    END_HANDLER
    EXPECT_EQ(AutoMessagePromptErrorCode(), code);
  }
  char text[200];
  ASGetErrorString(AutoMessagePromptErrorCode(), text, sizeof text);
  EXPECT_STREQ("Internal error, unexpected request for a prompt during automation", text);
  KCabDestroy(list);
}

TEST_F(AlertsTest, WithPromptsQuestionsGoToTheHost) {
  SKCab* list = KCabNewInner();
  AutoMessageSetKCabListDest(list, 0);
  AVAlertQueueAnswer(2);
  AVAlertQueueAnswer(1);
  EXPECT_FALSE(ConfirmMessageUTF8("First?", 1));
  EXPECT_TRUE(ConfirmMessageUTF8("Second?", 0));
  ASSERT_EQ(2u, AVAlertRecorded().size());
  EXPECT_EQ("confirm", AVAlertRecorded()[0].kind);
  EXPECT_EQ("First?", AVAlertRecorded()[0].message);
  EXPECT_TRUE(KCabIsEmpty(list));
  // Outside automation too; the default answer is the first button.
  SetMode(kAutoMessageModeSilent);
  EXPECT_TRUE(ConfirmMessageUTF8("Third?", 2));
  AVAlertSetDefaultAnswer(2);
  EXPECT_FALSE(ConfirmMessageUTF8("Fourth?", 1));
  KCabDestroy(list);
}

TEST_F(AlertsTest, TheListDestinationIsKnownOnlyWhileListing) {
  SKCab* list = KCabNewInner();
  ASBool noPrompts = 1;
  SetAlertDialog(RecordDialog, "Title");
  EXPECT_EQ(nullptr, AutoMessageGetKCabListDest(&noPrompts));
  EXPECT_FALSE(noPrompts);
  AutoMessageSetKCabListDest(list, 0);
  EXPECT_EQ(list, AutoMessageGetKCabListDest(&noPrompts));
  EXPECT_FALSE(noPrompts);
  AutoMessageSetKCabListDest(list, 1);
  EXPECT_EQ(list, AutoMessageGetKCabListDest(&noPrompts));
  EXPECT_TRUE(noPrompts);
  EXPECT_EQ(kAutoMessageModeFilterNoPrompts, gAutoMessageMode.mode);
  // Another filter in the same mode is not a list.
  Filtered filtered;
  SetMode(kAutoMessageModeFilterNoPrompts, Filtered::Filter, &filtered);
  EXPECT_EQ(nullptr, AutoMessageGetKCabListDest(nullptr));
  KCabDestroy(list);
}

TEST_F(AlertsTest, SaveAndRestoreBracketUnattendedRuns) {
  SetAlertDialog(RecordDialog, "Korvel");
  SAutoMessageState before;
  SaveAutoMessageState(&before);
  SKCab* list = KCabNewInner();
  AutoMessageSetKCabListDest(list, 1);
  ErrMessageUTF8("collected");
  RestoreAutoMessageState(&before);
  Dialogs().clear();
  ErrMessageUTF8("shown");
  EXPECT_EQ(kAutoMessageModeKCtl, gAutoMessageMode.mode);
  EXPECT_EQ("{0={S=s:collected;T=i:2;};}", DumpKCab(list));
  ASSERT_EQ(1u, Dialogs().size());
  EXPECT_EQ("shown", Dialogs()[0].text);
  KCabDestroy(list);
}

TEST_F(AlertsTest, TheAlertTitleIsACopy) {
  char title[] = "Korvel";
  SetAlertDialog(RecordDialog, title);
  std::strcpy(title, "Other");
  EXPECT_STREQ("Korvel", gKCtlAlertTitle);
  SetAlertDialog(RecordDialog, nullptr);
  Dialogs().clear();
  ErrMessageUTF8("x");
  ASSERT_EQ(1u, Dialogs().size());
  EXPECT_EQ("(null)", Dialogs()[0].title) << "the dialog chooses its own title";
}

// Mode 4 before the dialog framework installed its alert: the host's note
// alert shows the text, so that nothing is lost.
TEST_F(AlertsTest, ModeFourWithoutADialogUsesTheHostAlert) {
  SetAlertDialog(nullptr, "Korvel");
  Dialogs().clear();
  ErrMessageUTF8("Disk full");
  ErrMessageUTF8(nullptr);
  EXPECT_TRUE(Dialogs().empty());
  const auto& alerts = AVAlertRecorded();
  ASSERT_EQ(2u, alerts.size());
  EXPECT_EQ("note", alerts[0].kind);
  EXPECT_EQ("Disk full", alerts[0].message);
  EXPECT_EQ("", alerts[1].message);
  SetMode(kAutoMessageModeFilter);
  ErrMessageUTF8("lost?");
  ASSERT_EQ(3u, AVAlertRecorded().size());
  EXPECT_EQ("Message filtering not active", AVAlertRecorded()[2].message);
  SetAlertDialog(nullptr, nullptr);
}

TEST_F(AlertsTest, CaughtExceptionsAreReportedWithTheirHostText) {
  ASSERT_EQ(nullptr, gSystemMessageTable);
  InitSystemMessageTable();
  AddMessageCopy("common.task.failed1", "Could not complete\\s", gSystemMessageTable, 1);
  AddMessageCopy("common.task.failed2", ":\\n", gSystemMessageTable, 1);
  Filtered filtered;
  SetMode(kAutoMessageModeFilter, Filtered::Filter, &filtered);
  ASErrorCode registered = ASRegisterErrorString(ErrSeverityError, "The sheet is too small.");
  AutoExceptionMessageUTF8("N-up", registered);
  AutoExceptionMessageUTF8(nullptr, fileErrDiskFull);
  AutoExceptionMessageUTF8("N-up", ErrBuildCode(ErrSeverityError, 200, 77));
  // Cut to 299 bytes, never inside a character.
  std::string context;
  for (int i = 0; i < 200; ++i) context += "\xC3\xA4";
  AutoExceptionMessageUTF8(context.c_str(), registered);
  ASSERT_EQ(4u, filtered.got.size());
  EXPECT_EQ(std::make_pair((ASInt32)kAutoMessageError, std::string("Could not complete N-up:\nThe sheet is too small.")),
            filtered.got[0]);
  EXPECT_EQ("Could not complete ?:\nThe disk is full.", filtered.got[1].second);
  EXPECT_EQ("Could not complete N-up:\nException 0x20c8004d", filtered.got[2].second);
  const std::string& cut = filtered.got[3].second;
  EXPECT_LE(cut.size(), 299u);
  EXPECT_GE(cut.size(), 298u);
  EXPECT_EQ(0u, (cut.size() - std::strlen("Could not complete ")) % 2);
  DestroyMessageTable(gSystemMessageTable);
}

}  // namespace
