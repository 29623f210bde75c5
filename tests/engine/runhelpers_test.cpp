// The helpers of the engine's process callbacks.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "PagesTestSupport.h"
#include "engine/RunHelpers.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/RunCab.h"
#include "support/MessageCapture.h"

using namespace kvtest;

namespace {

struct CheckSourceCase {
  const char* name;
  int pageCount;
  int oldCurrentPage;  // -1: none
  const char* warningKey;
  const char* errorKey;
  int from;  // the SubDoc range it makes, 0 when unchanged
};
void PrintTo(const CheckSourceCase& c, std::ostream* os) { *os << c.name; }

const CheckSourceCase kCheckSources[] = {
    {"old-page-inside", 4, 2, "impcmd.1.a.1", nullptr, 3},
    {"old-page-beyond", 4, 4, nullptr, "impcmd.1.a.2", 0},
    {"one-page", 1, -1, "impcmd.1.a.4", nullptr, 1},
    {"several-pages", 3, -1, nullptr, nullptr, 0},
};

class CheckSourceTest : public PagesTest, public ::testing::WithParamInterface<CheckSourceCase> {};

TEST_P(CheckSourceTest, CurrentPageOfADocumentWithoutView) {
  const CheckSourceCase& c = GetParam();
  PDDoc doc = Doc(c.pageCount);
  SKCab* run = KCabNewInner();
  KCabPutAtom(run, "Source:Range:RangeType", ASAtomFromString("CurrentPage"));
  if (c.oldCurrentPage >= 0) KCabPutInt(run, "OldResult:CurrentPage", c.oldCurrentPage);
  ProcManCheckSourceChangeDoc(run, nullptr, doc);  // as the check-source callback of a copying command does
  MessageCapture messages;
  ASInt32 answer = KVCommandCheckSource(run, nullptr);
  EXPECT_EQ(c.errorKey ? 0 : 1, answer);
  EXPECT_EQ(c.errorKey != nullptr, KCabGetBool(run, "ProcMan:Cancelled", 0) != 0);
  if (c.warningKey || c.errorKey) {
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ(c.errorKey ? kAutoMessageError : kAutoMessageWarning, messages.messages()[0].type);
  } else {
    EXPECT_TRUE(messages.messages().empty());
  }
  if (c.from) {
    EXPECT_EQ(ASAtomFromString("SubDoc"), KCabGetAtom(run, "Source:Range:RangeType", ASAtomNull));
    EXPECT_EQ(c.from, KCabGetInt(run, "Source:Range:From", -1));
    EXPECT_EQ(c.from, KCabGetInt(run, "Source:Range:To", -1));
  } else {
    EXPECT_EQ(ASAtomFromString("CurrentPage"), KCabGetAtom(run, "Source:Range:RangeType", ASAtomNull));
  }
  KCabDestroy(run);
}

INSTANTIATE_TEST_SUITE_P(CheckSource, CheckSourceTest, ::testing::ValuesIn(kCheckSources), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (ch == '-') ch = '_';
  return n;
});

}  // namespace
