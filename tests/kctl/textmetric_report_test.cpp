// Problem reports of the text metrics. Cancelling one silences the rest for
// the life of the process, so this lives in a test program of its own and
// its steps run in one test, which lifts the silence when it is done.
#include <gtest/gtest.h>

#include <string>

#include "host/AVAlert.h"
#include "kctl/mac/MacTextMetric.h"

namespace {

const char* const kTail = "\nClick OK or Cancel to Continue. If you click Cancel, we will stop producing these messages.";

TEST(MacTextMetricReport, MacRomanIsRefusedAndCancellingSilencesLaterReports) {
  AVAlertRecordStart();
  SMacTextMetricDesc* desc = NewMacTextMetricDesc();
  char out[16] = "keep";
  ASUns16 wide[4] = {'k', 0, 0, 0};

  AVAlertQueueAnswer(1);  // OK: go on reporting
  EXPECT_FALSE(MacTextMetricConvertToLocalEncodingTerm(desc, "x", out, sizeof out, kMacTextFlagMacRoman));
  AVAlertQueueAnswer(1);
  EXPECT_FALSE(MacTextMetricConvertFromLocalEncodingTerm(desc, "x", wide, sizeof wide, kMacTextFlagMacRoman));
  EXPECT_EQ(0, wide[0]) << "a refused conversion leaves an empty text";

  AVAlertQueueAnswer(1);
  MacTextMetricReportMacOSProblem("ATSUBreakLine", -50);
  AVAlertQueueAnswer(1);
  MacTextMetricReportProblem(std::string(300, 'a').c_str());

  ASSERT_EQ(4u, AVAlertRecorded().size());
  EXPECT_EQ(std::string("Unexpected request 1") + kTail, AVAlertRecorded()[0].message);
  EXPECT_EQ(std::string("Unexpected request 2") + kTail, AVAlertRecorded()[1].message);
  EXPECT_EQ(std::string("Text metric error: ATSUBreakLine returned MacOS error -50") + kTail,
            AVAlertRecorded()[2].message);
  EXPECT_EQ(std::string(205, 'a') + kTail, AVAlertRecorded()[3].message) << "long texts are cut to 205 bytes";
  for (const AVAlertRecord& r : AVAlertRecorded()) EXPECT_EQ("confirm", r.kind);

  AVAlertQueueAnswer(2);  // Cancel
  MacTextMetricReportProblem("first");
  MacTextMetricReportProblem("second");
  MacTextMetricReportMacOSProblem("third", 1);
  ASSERT_EQ(5u, AVAlertRecorded().size()) << "after a cancel nothing more is shown";
  EXPECT_EQ(std::string("first") + kTail, AVAlertRecorded()[4].message);

  DestroyMacTextMetricDesc(desc);
  AVAlertRecordStop();
  MacTextMetricForgetSilence();  // the next run of the program's tests reports again
}

}  // namespace
