#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/ASExcept.h"

namespace {

std::vector<std::string> trace;

int Work(bool raise, ASErrorCode code) {
  DURING
    trace.push_back("work");
    if (raise) ASRaise(code);
    trace.push_back("work-done");
  HANDLER
    trace.push_back("handler:" + std::to_string(ERRORCODE) + ":depth" + std::to_string(ASExceptionFrameDepth()));
    return -1;
  END_HANDLER
  return 0;
}

int EarlyReturn() {
  DURING
    E_RETURN(7);
  HANDLER
  END_HANDLER
  return 0;
}

void Reraises(ASErrorCode code) {
  DURING
    ASRaise(code);
  HANDLER
    trace.push_back("inner");
    RERAISE();
  END_HANDLER
}

}  // namespace

TEST(Exceptions, NormalRoadClosesFrameOnce) {
  trace.clear();
  ASSERT_EQ(0, ASExceptionFrameDepth());
  EXPECT_EQ(0, Work(false, 0));
  EXPECT_EQ((std::vector<std::string>{"work", "work-done"}), trace);
  EXPECT_EQ(0, ASExceptionFrameDepth());
}

TEST(Exceptions, RaisedRoadClosesFrameBeforeHandler) {
  trace.clear();
  EXPECT_EQ(-1, Work(true, genErrBadParm));
  ASSERT_EQ(2u, trace.size());
  EXPECT_EQ("handler:" + std::to_string(genErrBadParm) + ":depth0", trace[1]);
  EXPECT_EQ(genErrBadParm, ASGetExceptionErrorCode());
  EXPECT_EQ(0, ASExceptionFrameDepth());
}

TEST(Exceptions, NestedFramesAndReraise) {
  trace.clear();
  ASErrorCode caught = 0;
  DURING
    DURING
      Reraises(fileErrWrite);
    HANDLER
      trace.push_back("middle depth" + std::to_string(ASExceptionFrameDepth()));
      RERAISE();
    END_HANDLER
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(fileErrWrite, caught);
  EXPECT_EQ((std::vector<std::string>{"inner", "middle depth1"}), trace);
  EXPECT_EQ(0, ASExceptionFrameDepth());
}

TEST(Exceptions, EReturnClosesFrame) {
  EXPECT_EQ(7, EarlyReturn());
  EXPECT_EQ(0, ASExceptionFrameDepth());
}

TEST(Exceptions, ForeignExceptionsBecomeHostCodes) {
  struct Case {
    void (*thrower)();
    ASErrorCode code;
  };
  const Case cases[] = {
      {[] { throw std::bad_alloc(); }, genErrNoMemory},
      {[] { throw std::runtime_error("x"); }, genErrGeneral},
      {[] { throw std::logic_error("x"); }, genErrInternal},
      {[] { throw 42; }, genErrInternal},
  };
  for (const Case& c : cases) {
    ASErrorCode got = 0;
    DURING
      c.thrower();
    HANDLER
      got = ERRORCODE;
    END_HANDLER
    EXPECT_EQ(c.code, got);
  }
}

TEST(Exceptions, CodeLayout) {
  ASErrorCode c = ErrBuildCode(0x20, 7, 0x25);
  EXPECT_EQ(0x20070025, c);
  EXPECT_EQ(0x20, ErrGetSeverity(c));
  EXPECT_EQ(7, ErrGetSystem(c));
  EXPECT_EQ(0x25, ErrGetCode(c));
  EXPECT_EQ(cosErrInlineTooLong, 0x20070025);
  EXPECT_EQ(cosErrInlineNeedMore, 0x2007001e);
  EXPECT_EQ(3, ErrGetSystem(pdErrTooManyPagesForInsert));
  EXPECT_EQ(21, ErrGetCode(pdErrTooManyPagesForInsert));
}

TEST(Exceptions, RegisteredCodesAreFreshAndKeepTheirTexts) {
  std::set<ASErrorCode> codes;
  for (int i = 0; i < 100; ++i) {
    std::string text = "registered text " + std::to_string(i);
    ASErrorCode c = ASRegisterErrorString(i % 2 ? 4 : 2, text.c_str());
    EXPECT_TRUE(codes.insert(c).second);
    EXPECT_GE(ErrGetSystem(c), ErrSysRegistered);
    EXPECT_EQ(i % 2 ? 4 : 2, ErrGetSeverity(c));
    char buf[200];
    EXPECT_EQ((ASInt32)text.size(), ASGetErrorString(c, buf, sizeof buf));
    EXPECT_EQ(text, buf);
  }
  // Same text twice still gives two codes.
  EXPECT_NE(ASRegisterErrorString(4, "same"), ASRegisterErrorString(4, "same"));
}

TEST(Exceptions, ADetailFollowsTheBaseTextUnderOneCodePerText) {
  const ASErrorCode damaged = ASRegisterErrorDetail(pdErrBadDocument, "page 2 cannot be read");
  char buf[300];
  ASGetErrorString(damaged, buf, sizeof buf);
  EXPECT_STREQ("The file is damaged and could not be repaired: page 2 cannot be read.", buf);
  EXPECT_EQ(ErrSeverityError, ErrGetSeverity(damaged));
  EXPECT_EQ(damaged, ASRegisterErrorDetail(pdErrBadDocument, "page 2 cannot be read"));
  EXPECT_NE(damaged, ASRegisterErrorDetail(pdErrBadDocument, "page 3 cannot be read"));
  // A base without a closing full stop, and a detail that ends with one.
  const ASErrorCode base = ASRegisterErrorString(4, "Cannot use the file");
  ASGetErrorString(ASRegisterErrorDetail(base, "it is empty."), buf, sizeof buf);
  EXPECT_STREQ("Cannot use the file: it is empty.", buf);
  EXPECT_EQ(4, ErrGetSeverity(ASRegisterErrorDetail(base, "it is empty.")));
  EXPECT_EQ(base, ASRegisterErrorDetail(base, ""));
  EXPECT_EQ(base, ASRegisterErrorDetail(base, nullptr));
}

TEST(Exceptions, ErrorTextForUnknownCodeIsNone) {
  char buf[50];
  EXPECT_EQ(0, ASGetErrorString(0x7F7F1234, buf, sizeof buf));
  EXPECT_STREQ("none", buf);
  EXPECT_GT(ASGetErrorString(genErrNoMemory, buf, sizeof buf), 0);
  char tiny[4];
  ASGetErrorString(genErrNoMemory, tiny, sizeof tiny);
  EXPECT_EQ(3u, std::strlen(tiny));
}

TEST(Exceptions, FaultInjectionFiresOnTheChosenUse) {
  ASFaultInject("SomeCall", genErrBadParm, 2, 1);
  EXPECT_EQ(0, ASFaultTake("SomeCall"));
  EXPECT_EQ(0, ASFaultTake("SomeCall"));
  EXPECT_EQ(genErrBadParm, ASFaultTake("SomeCall"));
  EXPECT_EQ(0, ASFaultTake("SomeCall"));
  ASFaultInject("Other", fileErrWrite, 0, -1);
  EXPECT_THROW(ASFaultCheck("Other"), ASException);
  EXPECT_THROW(ASFaultCheck("Other"), ASException);
  ASFaultClearAll();
  EXPECT_NO_THROW(ASFaultCheck("Other"));
}
