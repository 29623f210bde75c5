// Command definitions, the collection and the command manager.
#include <gtest/gtest.h>

#include <ostream>

#include "FrameTestSupport.h"
#include "foundation/KCab.h"
#include "frame/CmdColl.h"
#include "host/AS.h"

using namespace kvtest;

namespace {

TEST(CmdColl, FilingAndFinding) {
  LoadMessages();
  SKCab* coll = NewCmdColl(NewCmdCollIdentity("CODE", "Name", "Full Name", 7));
  EXPECT_STREQ("Full Name", KCabGetString(coll, "_CollectionIdentity:FullName"));
  EXPECT_EQ(7, KCabGetInt(coll, "_CollectionIdentity:Version", 0));

  SKCab* first = NewTestCommand("Alpha", true, nullptr, false);
  SKCab* second = NewTestCommand("Alpha", false, nullptr, false);
  CmdCollAddCommand(coll, first);
  CmdCollAddCommand(coll, second);
  // Two definitions with one key: the second stays.
  EXPECT_EQ(second, CmdCollFindCommand(coll, ASAtomFromString("Alpha")));
  EXPECT_EQ(nullptr, CmdCollFindCommand(coll, ASAtomFromString("Beta")));
  EXPECT_EQ(nullptr, CmdCollFindCommand(coll, ASAtomNull));

  // A definition without a key is not filed (and not leaked).
  SKCab* keyless = NewTestCommand("Gamma", false, nullptr, false);
  KCabRemove(keyless, "Key");
  CmdCollAddCommand(coll, keyless);
  EXPECT_EQ(nullptr, CmdCollFindCommand(coll, ASAtomFromString("Gamma")));
  KCabDestroy(coll);
}

// Keys read from recorded lists must find definitions only.
TEST(CmdColl, FindingRefusesWhatIsNotADefinition) {
  LoadMessages();
  SKCab* coll = NewCmdColl(NewCmdCollIdentity("CODE", "Name", "Full Name", 1));
  CmdCollAddCommand(coll, NewTestCommand("Alpha", true, nullptr, false));
  CmdCollAddSupportedFeature(coll, "kv2base", "Base");
  for (const char* key : {"_CollectionIdentity", "_Features", "Alpha:DefaultParams", "Alpha:Control", ""}) {
    EXPECT_EQ(nullptr, CmdCollFindCommand(coll, ASAtomFromString(key))) << key;
  }
  // Nor may a definition be filed over the collection's own entries.
  SKCab* intruder = NewTestCommand("_Features", false, nullptr, false);
  CmdCollAddCommand(coll, intruder);
  EXPECT_TRUE(CmdCollSupportsFeature(coll, "kv2base", nullptr));
  KCabDestroy(coll);
}

TEST(CmdColl, Features) {
  SKCab* coll = NewCmdColl(nullptr);
  EXPECT_FALSE(CmdCollSupportsFeature(coll, "kv2base", nullptr));  // no "_Features" at all
  CmdCollAddSupportedFeature(coll, "kv2base", "Base product");
  CmdCollAddSupportedFeature(coll, "plugin", "Plug-in");
  const char* description = nullptr;
  EXPECT_TRUE(CmdCollSupportsFeature(coll, "plugin", &description));
  EXPECT_STREQ("Plug-in", description);
  EXPECT_FALSE(CmdCollSupportsFeature(coll, "KV2.9", &description));
  EXPECT_EQ(nullptr, description);
  EXPECT_FALSE(CmdCollSupportsFeature(coll, "", nullptr));
  EXPECT_FALSE(CmdCollSupportsFeature(coll, "kv2base:x", nullptr));
  KCabDestroy(coll);
}

struct UICase {
  const char* name;
  bool withUI;
  bool answer;
  bool raise;
  bool accepted;
};
void PrintTo(const UICase& c, std::ostream* os) { *os << c.name; }

const UICase kUICases[] = {
    {"no-dialog", false, true, false, true},
    {"accepted", true, true, false, true},
    {"cancelled", true, false, false, false},
    {"raised", true, true, true, false},
};

class CmdMgrUITest : public ::testing::TestWithParam<UICase> {};

TEST_P(CmdMgrUITest, RunUI) {
  LoadMessages();
  const UICase& c = GetParam();
  SKCab* command = NewTestCommand("Ui", false, nullptr, c.withUI);
  SKCab* params = KCabNewInner();
  KCabPutBool(params, "Test:UIAnswer", c.answer);
  KCabPutBool(params, "Test:UIRaise", c.raise);
  ASInt32 depth = ASExceptionFrameDepth();
  SKCab* out = CmdMgrRunUI(command, params);
  EXPECT_EQ(depth, ASExceptionFrameDepth());
  if (c.accepted) {
    ASSERT_EQ(params, out);  // the same cabinet, edited in place
    EXPECT_EQ(c.withUI, KCabGetBool(out, "Test:UISeen", 0) != 0);
    KCabDestroy(out);
  } else {
    EXPECT_EQ(nullptr, out);  // destroyed by the command manager
  }
  KCabDestroy(command);
}

INSTANTIATE_TEST_SUITE_P(UI, CmdMgrUITest, ::testing::ValuesIn(kUICases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (ch == '-') ch = '_';
  return n;
});

TEST(CmdColl, DefaultCollectionIsPreparedOnce) {
  PrepareTestCollection();
  SKCab* coll = GetDefaultCmdColl();
  ASSERT_NE(nullptr, coll);
  PrepareDefaultCmdColl();
  PrepareDefaultCmdCollIdentity("Other", "Other", "Other", 9);
  EXPECT_EQ(coll, GetDefaultCmdColl());
  EXPECT_STREQ("KRVL_KorvelVelmora3", KCabGetString(coll, "_CollectionIdentity:Code"));
  EXPECT_NE(nullptr, CmdCollFindCommand(nullptr, ASAtomFromString("TestCmd")));
}

}  // namespace
