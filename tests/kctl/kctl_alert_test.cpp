// The framework's alerts: one button or up to three, their texts, results
// and remembered position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "foundation/Alerts.h"
#include "foundation/MessageTable.h"
#include "kctl/KCtlAlert.h"
#include "support/FrameworkAlerts.h"

namespace {

using namespace kvtest;

class Alerts : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    SaveAutoMessageState(&saved_);
  }
  void TearDown() override {
    SetAlertKCtlMode(nullptr);
    RestoreAutoMessageState(&saved_);
    KCtlFixture::TearDown();
  }
  SAutoMessageState saved_{};
};

TEST_F(Alerts, OneButtonAlert) {
  FrameworkAlertCapture capture;
  EXPECT_EQ(1, KCtlAlert("Title", "Something happened."));
  EXPECT_EQ(1, KCtlAlert(nullptr, "Untitled."));
  ASSERT_EQ(2u, capture.alerts().size());
  EXPECT_EQ("Title", capture.alerts()[0].title);
  EXPECT_EQ(std::vector<std::string>{"Something happened."}, capture.alerts()[0].texts);
  EXPECT_EQ(std::vector<std::string>{"OK"}, capture.alerts()[0].buttons);
  EXPECT_EQ("Alert", capture.alerts()[1].title);
  EXPECT_TRUE(AVAlertRecorded().empty()) << "the host's alert is not involved";
}

TEST_F(Alerts, TheOKTextComesFromTheMessageTable) {
  SMessageTable* saved = gSystemMessageTable;
  struct Case {
    const char* text;  // null: the key is missing
    const char* shown;
  };
  const Case cases[] = {{"Fine", "Fine"}, {"", "OK"}, {nullptr, "OK"}};
  for (const Case& c : cases) {
    gSystemMessageTable = NewMessageTable(ASAtomFromString("en"));
    if (c.text) AddMessageCopy("common.button.ok", c.text, gSystemMessageTable, 0);
    FrameworkAlertCapture capture;
    KCtlAlert("T", "x");
    ASSERT_EQ(1u, capture.alerts().size());
    EXPECT_EQ(std::vector<std::string>{c.shown}, capture.alerts()[0].buttons) << (c.text ? c.text : "(none)");
    DestroyMessageTable(gSystemMessageTable);
  }
  gSystemMessageTable = nullptr;
  FrameworkAlertCapture capture;
  KCtlAlert("T", "x");
  EXPECT_EQ(std::vector<std::string>{"OK"}, capture.alerts()[0].buttons) << "without any table";
  gSystemMessageTable = saved;
}

TEST_F(Alerts, CustomButtonsAnswerOneTwoOrThree) {
  struct Case {
    const char* second;
    const char* third;
    const char* press;  // a caption; null: the escape key; "" the return key
    ASInt32 result;
  };
  const Case cases[] = {
      {"No", "Later", "Yes", 1}, {"No", "Later", "No", 2}, {"No", "Later", "Later", 3},
      {"No", "Later", nullptr, 3}, {"No", "Later", "", 1}, {"No", nullptr, "No", 2},
      {"No", nullptr, nullptr, 2}, {nullptr, nullptr, "", 1}, {nullptr, nullptr, nullptr, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.second ? c.second : "-") + (c.third ? c.third : "-") + (c.press ? c.press : "esc"));
    PfScript script;
    std::vector<std::string> buttons;
    script.Then([&] {
      for (int16_t i = 1; i <= PfCountDialogItems(Front()); ++i)
        if ((PfGetDialogItemKind(Front(), i) & 0x7F) == kPfButtonItem) buttons.push_back(PfText(Front(), i));
      if (!c.press)
        PfDriverPressEscape();
      else if (!*c.press)
        PfDriverPressReturn();
      else
        PfDriverClickItem(Front(), PfDriverItemByCaption(Front(), c.press), 0);
    });
    EXPECT_EQ(c.result, KCtlAlertCustomButtons("Choose", "Which one?", "Yes", c.second, c.third));
    size_t count = 1 + (c.second ? 1 : 0) + (c.third ? 1 : 0);
    EXPECT_EQ(count, buttons.size());
  }
}

// The alerts' mode 4 (and unknown modes, and a filter mode without a filter)
// end in the framework's alert once SetAlertKCtlMode installed it.
TEST_F(Alerts, MessagesOfModeFourShowTheFrameworkAlert) {
  struct Case {
    ASInt32 mode;
    const char* title;
    const char* text;
  } cases[] = {{kAutoMessageModeKCtl, "Korvel", "Disk full"},
               {9, "Korvel", "Disk full"},
               {kAutoMessageModeFilter, "Error", "Message filtering not active"}};
  for (const Case& c : cases) {
    SetAlertKCtlMode("Korvel");
    SAutoMessageState state{c.mode, nullptr, nullptr};
    RestoreAutoMessageState(&state);
    FrameworkAlertCapture capture;
    ErrMessageUTF8("Disk full");
    ASSERT_EQ(1u, capture.alerts().size()) << c.mode;
    EXPECT_EQ(c.title, capture.alerts()[0].title);
    EXPECT_EQ(std::vector<std::string>{c.text}, capture.alerts()[0].texts);
    EXPECT_EQ(std::vector<std::string>{"OK"}, capture.alerts()[0].buttons);
  }
  SetAlertKCtlMode(nullptr);
  FrameworkAlertCapture capture;
  ErrMessageUTF8("x");
  ASSERT_EQ(1u, capture.alerts().size());
  EXPECT_EQ("Alert", capture.alerts()[0].title) << "no product title yet";
}

TEST_F(Alerts, CustomAlertsTakeTheProductTitle) {
  SetAlertKCtlMode("Product");
  FrameworkAlertCapture capture;
  KCtlAlertCustomButtons(nullptr, "x", "Yes", nullptr, nullptr);
  SetAlertKCtlMode(nullptr);
  KCtlAlertCustomButtons(nullptr, "x", "Yes", nullptr, nullptr);
  ASSERT_EQ(2u, capture.alerts().size());
  EXPECT_EQ("Product", capture.alerts()[0].title);
  EXPECT_EQ("Alert", capture.alerts()[1].title);
}

TEST_F(Alerts, AlertsComeBackWhereTheyWereLeft) {
  KCtlAlertTerm();
  PfScript script;
  ASInt32 x = 0, y = 0, cx = 0, cy = 0, left = 0, top = 0;
  script.Then([&] {
    MacSetDialogPos(FrontInfo(), 333, 222);
    MacGetDialogPos(FrontInfo(), &left, &top);
    PfDriverPressReturn();
  });
  script.Then([&] {
    MacGetDialogPos(FrontInfo(), &x, &y);
    PfDriverPressReturn();
  });
  // The custom alert keeps a position of its own: the first one is centred.
  script.Then([&] {
    MacGetDialogPos(FrontInfo(), &cx, &cy);
    PfDriverPressReturn();
  });
  KCtlAlert("First", "moved");
  KCtlAlert("Second", "where the first was left");
  KCtlAlertCustomButtons("Third", "centred", "OK", nullptr, nullptr);
  EXPECT_EQ(333, left);
  EXPECT_EQ(left, x);
  EXPECT_EQ(top, y) << "not a title bar lower";
  EXPECT_NE(333, cx);
  KCtlAlertTerm();
}

}  // namespace
