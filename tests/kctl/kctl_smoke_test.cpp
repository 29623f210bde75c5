#include "KCtlHarness.h"

namespace {
using namespace kvtest;
class Smoke : public KCtlFixture {};

TEST_F(Smoke, EditRoundTrip) {
  KCtlRun run("Smoke");
  KCtlAddNewElement(run.dialog, kKCtlStaticText, kKCtlFlagSameRow, -1, "Name:", nullptr);
  SKCtlElem* edit = KCtlSetExportKeyEditString("Name", 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxxxxxxxx", nullptr));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  KCabPutStringCopy(run.Export(), "Name", "Bob");
  PfScript script;
  std::string shown, dump;
  script.Then([&] {
    dump = PfDump(Front());
    shown = TextOf(edit);
    Type(edit, "Alice");
  });
  script.Then([&] { PfDriverClickItem(Front(), ItemOfId(1), 0); });
  EXPECT_EQ(1, run.RunModal(script));
  std::cout << dump;
  EXPECT_EQ("Bob", shown);
  EXPECT_STREQ("Alice", KCabGetString(run.exportCab, "Name"));
}
}  // namespace
