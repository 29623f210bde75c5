#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/AVAlert.h"

namespace {

class AVAlertTest : public ::testing::Test {
 protected:
  void TearDown() override {
    AVAlertRecordStop();
    AVAlertClearAnswers();
    AVAlertSetDefaultAnswer(1);
  }
};

TEST_F(AVAlertTest, ThePrintingResponderNamesTheKind) {
  struct Case {
    const char* expected;
    std::function<void()> show;
  };
  const Case cases[] = {
      {"note: Saved.\n", [] { AVAlertNote("Saved."); }},
      {"confirm: Replace? -> OK\n", [] { AVAlertConfirm("Replace?"); }},
      {"error: Broken. -> Retry\n", [] { AVAlert(AVAlertIconError, "Broken.", "Retry", "Skip", nullptr, 0); }},
      {"warning [Korvel]: Careful.\n", [] { AVAlertWithTitle("Korvel", AVAlertIconWarning, "Careful.", nullptr, nullptr, nullptr); }},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    c.show();
    EXPECT_EQ(c.expected, testing::internal::GetCapturedStderr());
  }
}

TEST_F(AVAlertTest, ScriptedAnswersComeFirstThenTheDefault) {
  AVAlertRecordStart();
  AVAlertQueueAnswer(2);
  AVAlertQueueAnswer(3);
  AVAlertQueueAnswer(9);
  EXPECT_FALSE(AVAlertConfirm("First?"));                                  // 2: Cancel
  EXPECT_EQ(3, AVAlert(AVAlertIconQuestion, "Pick", "A", "B", "C", 0));    // 3
  EXPECT_EQ(2, AVAlert(AVAlertIconQuestion, "Pick", "A", "B", nullptr, 0)); // 9: the last button
  EXPECT_TRUE(AVAlertConfirm("Default?"));                                 // queue empty: 1
  AVAlertSetDefaultAnswer(2);
  EXPECT_FALSE(AVAlertConfirm("Default now no?"));
  AVAlertNote("Only OK");
  const auto& r = AVAlertRecorded();
  ASSERT_EQ(6u, r.size());
  EXPECT_EQ("confirm", r[0].kind);
  EXPECT_EQ((std::vector<std::string>{"OK", "Cancel"}), r[0].buttons);
  EXPECT_EQ("question", r[1].kind);
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), r[1].buttons);
  EXPECT_EQ(3, r[1].answer);
  EXPECT_EQ("note", r[5].kind);
  EXPECT_EQ(1, r[5].answer);  // one button: the default cannot go beyond it
}

TEST_F(AVAlertTest, RecordingPrintsNothingAndStartingAgainClears) {
  AVAlertRecordStart();
  testing::internal::CaptureStderr();
  AVAlertNote("quiet");
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_EQ(1u, AVAlertRecorded().size());
  AVAlertQueueAnswer(2);
  AVAlertRecordStart();
  EXPECT_TRUE(AVAlertRecorded().empty());
  EXPECT_TRUE(AVAlertConfirm("queue cleared?"));
  EXPECT_TRUE(AVAlertIsRecording());
  AVAlertRecordStop();
  EXPECT_FALSE(AVAlertIsRecording());
}

}  // namespace
