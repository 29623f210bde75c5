#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "foundation/MessageTable.h"
#include "kctl/mac/DialogHelpers.h"
#include "kctl/mac/DialogTrace.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"

using namespace kvtest;

namespace {

// The failure text comes from a message table that a translator may have
// written: one that asks for other arguments than the host's text is not used
// as a format.
TEST(DialogFailures, TheMessageTextIsCheckedBeforeItFormats) {
  ASSERT_TRUE(LoadEnglishMessages());
  char host[256];
  ASGetErrorString(genErrGeneral, host, sizeof host);
  struct Case {
    const char* text;
    std::string shown;
  };
  const Case cases[] = {
      {"Trouble: %s", std::string("Trouble: ") + host},
      {"%d items, %s and %s", host},  // asks for three arguments, one of them a number
      {"%n", host},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScopedMessage text("kctl.dialog.filterfailed", c.text);
    MessageCapture capture;
    MacReportDialogFailure(genErrGeneral);
    EXPECT_EQ(std::vector<std::string>{c.shown}, capture.texts());
  }
}

TEST(StringToFloat, TheWholeTextMustBeANumber) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"2,5", true, 2.5},   {"2.5", true, 2.5},   {"3/4", true, 0.75}, {"-1/2", true, -0.5}, {".", true, 0.0},
      {"+.5", true, 0.5},   {"1./2", true, 0.5},  {"12", true, 12.0},  {"-0", true, 0.0},    {"1/0", false, 0},
      {" 1", false, 0},     {"1 ", false, 0},     {"-", false, 0},     {"", false, 0},       {"1/", false, 0},
      {"/2", false, 0},     {"1/-2", false, 0},   {"1.2.3", false, 0}, {"1/2/3", false, 0},  {"1e5", false, 0},
      {"1/.", false, 0},    {"abc", false, 0},
  };
  for (const Case& c : cases) {
    double v = 99;
    EXPECT_EQ(c.ok ? 1 : 0, StringToFloat(c.text, &v)) << c.text;
    if (c.ok)
      EXPECT_DOUBLE_EQ(c.value, v) << c.text;
    else
      EXPECT_EQ(99, v) << "the value is left alone: " << c.text;
  }
  std::string huge(400, '9');
  double v = 0;
  EXPECT_EQ(0, StringToFloat(huge.c_str(), &v)) << "a number beyond any double is no number";
}

TEST(StringToInt32, LeadingNumberWithOverflowChecks) {
  struct Case {
    const char* text;
    bool ok;
    ASInt32 value;
  } cases[] = {
      {"12", true, 12},          {"12abc", true, 12},        {"  -7", true, -7},
      {"+3", true, 3},           {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},  {"99999999999999999999", false, 0}, {"-2147483649", false, 0},
      {"abc", false, 0},         {"", false, 0},             {"- 1", false, 0},
  };
  for (const Case& c : cases) {
    ASInt32 v = 5;
    EXPECT_EQ(c.ok ? 1 : 0, StringToInt32(c.text, &v)) << c.text;
    EXPECT_EQ(c.ok ? c.value : 5, v) << c.text;
  }
}

class Helpers : public EngineFixture {};

TEST_F(Helpers, FourDecimalsWithoutTrailingZeros) {
  WithRunningDialog([](SMacDialogInfo* info) {
    struct Case {
      double value;
      const char* text;
    } cases[] = {{2.5, "2.5"}, {3.0, "3"}, {0.125, "0.125"}, {-1.23456, "-1.2346"}, {0.00001, "0"}, {100, "100"}};
    for (const Case& c : cases) {
      SetControlTextFromDouble4p(info, kEditA, c.value);
      char buf[32];
      MacDialogGetItemText(info, kEditA, buf, sizeof buf);
      EXPECT_STREQ(c.text, buf) << c.value;
    }
  });
}

// Trace records.

std::vector<std::string> gCalls;

ASInt32 FilterA(SMacDialogInfo*, ASUns32 m, ASInt32, SMacControlHitInfo*) {
  gCalls.push_back("A" + std::to_string(m));
  return m == 2 ? 1 : 0;
}

ASInt32 FilterB(SMacDialogInfo*, ASUns32 m, ASInt32, SMacControlHitInfo*) {
  gCalls.push_back("B" + std::to_string(m));
  return 0;
}

ASInt32 FilterRaises(SMacDialogInfo*, ASUns32 m, ASInt32, SMacControlHitInfo*) {
  gCalls.push_back("R" + std::to_string(m));
  if (m == 2) ASRaise(genErrBadParm);
  return 0;
}

class Trace : public EngineFixture {};

TEST_F(Trace, NewestFilterFirstAndAnyOneAnswersForAll) {
  gCalls.clear();
  SDialogTrace* t = NewDialogTrace();
  SMacDialogInfo info{};
  t->dialog = &info;
  DialogTraceAddFilter(t, FilterA);
  DialogTraceAddFilter(t, FilterB);
  DialogTraceAddFilter(t, nullptr);
  EXPECT_EQ(1, MacDialogMasterProc(&info, 2, 0, nullptr));
  EXPECT_EQ((std::vector<std::string>{"B2", "A2"}), gCalls);
  EXPECT_EQ(0, MacDialogMasterProc(&info, 1, 0, nullptr)) << "filters answer for init";
  DestroyDialogTrace(t);
}

TEST_F(Trace, NoRecordNoCallsAndNoFilterInitAnswersOne) {
  gCalls.clear();
  SMacDialogInfo stranger{};
  EXPECT_EQ(0, MacDialogMasterProc(&stranger, 1, 0, nullptr));
  SDialogTrace* t = NewDialogTrace();
  t->dialog = &stranger;
  EXPECT_EQ(1, MacDialogMasterProc(&stranger, 1, 0, nullptr));
  EXPECT_EQ(0, MacDialogMasterProc(&stranger, 2, 0, nullptr));
  EXPECT_TRUE(gCalls.empty());
  DestroyDialogTrace(t);
}

TEST_F(Trace, DataBlocksKeepTheirFirstContents) {
  SDialogTrace* t = NewDialogTrace();
  const int first[2] = {4, 5};
  auto* a = static_cast<int*>(DialogTraceSetData(t, 1, sizeof first, first));
  const int second[2] = {8, 9};
  auto* b = static_cast<int*>(DialogTraceSetData(t, 1, sizeof second, second));
  EXPECT_EQ(a, b);
  EXPECT_EQ(4, b[0]);
  auto* z = static_cast<void**>(DialogTraceSetData(t, 2, sizeof(void*), nullptr));
  EXPECT_EQ(nullptr, *z) << "blocks without data start zeroed";
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(z) % alignof(std::max_align_t));
  ASInt32 size = 0;
  EXPECT_EQ(a, DialogTraceGetData(t, 1, &size));
  EXPECT_EQ((ASInt32)sizeof first, size);
  EXPECT_EQ(nullptr, DialogTraceGetData(t, 3, &size));
  EXPECT_EQ(nullptr, DialogTraceSetData(nullptr, 1, 4, nullptr));
  DestroyDialogTrace(t);
}

TEST_F(Trace, AFailingFilterIsReportedAndEndsOnlyItsMessage) {
  gCalls.clear();
  SDialogTrace* t = NewDialogTrace();
  SMacDialogInfo info{};
  t->dialog = &info;
  DialogTraceAddFilter(t, FilterA);
  DialogTraceAddFilter(t, FilterRaises);
  EXPECT_EQ(0, MacDialogMasterProc(&info, 2, 0, nullptr));
  EXPECT_EQ((std::vector<std::string>{"R2"}), gCalls) << "the loop ends at the failure";
  ASSERT_EQ(1u, AVAlertRecorded().size()) << "and the failure is shown, not swallowed";
  EXPECT_EQ(0, t->nesting);
  gCalls.clear();
  EXPECT_EQ(0, MacDialogMasterProc(&info, 5, 0, nullptr));
  EXPECT_EQ((std::vector<std::string>{"R5", "A5"}), gCalls) << "the next message goes through";
  DestroyDialogTrace(t);
}

TEST_F(Trace, RecordsFollowTheirDialogAndGoWithIt) {
  EngineHarness h;
  SDialogTrace* seen = nullptr;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) {
      seen = FindDialogTrace(info);
      DialogTraceRequestInitialfocus(info, kEditB);
    }
    return StandardHandler(info, m, w, hit);
  };
  ASInt32 focus = 0;
  PfScript script;
  script.Then([&] {
    ASInt32 s, e;
    focus = MacGetDialogFocusControlIdMapExt(h.info, &s, &e);
    EXPECT_EQ(&h, h.info->userData) << "the dialog gets the run's user data";
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_NE(nullptr, seen);
  EXPECT_EQ(kEditB, focus);
  EXPECT_EQ(0, DialogTraceCount()) << "destroyed after the destroy message";
}

}  // namespace
