// What is kept elsewhere by a dialog record's address goes with the record:
// the next dialog, which may get the same address, finds none of it.
#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/PDFCtl.h"

using namespace kvtest;

namespace {

class DialogRecords : public EngineFixture {};

// Runs h modally, untraced, and calls body once it is shown; then cancels it.
void RunUntraced(EngineHarness& h, const std::function<void()>& body) {
  h.handler = StandardHandler;
  PfScript script;
  script.Then([&] {
    body();
    PfDriverPressEscape();
  });
  RunModalMacDialogWithFilter(nullptr, HarnessFilter, &h);
}

TEST_F(DialogRecords, EveryRecordHasASerialOfItsOwnWhileItRuns) {
  ReusedDialogRecords reuse;
  EngineHarness first, second;
  ASUns32 firstSerial = 0, secondSerial = 0;
  RunUntraced(first, [&] { firstSerial = MacDialogSerial(first.info); });
  EXPECT_EQ(0u, MacDialogSerial(first.info)) << "an ended dialog has none";
  EXPECT_FALSE(MacDialogIsStill(first.info, firstSerial));
  RunUntraced(second, [&] {
    secondSerial = MacDialogSerial(second.info);
    EXPECT_TRUE(MacDialogIsStill(second.info, secondSerial));
    ASSERT_EQ(first.info, second.info) << "the test hook gives the second record the first one's address";
    EXPECT_FALSE(MacDialogIsStill(second.info, firstSerial)) << "the address is the same, the dialog is not";
  });
  EXPECT_NE(0u, firstSerial);
  EXPECT_NE(0u, secondSerial);
  EXPECT_NE(firstSerial, secondSerial);
  EXPECT_FALSE(MacDialogIsStill(nullptr, 0));
}

// A trace record kept past its dialog, and a preview the dialog's procedures
// never removed, are not found by the next dialog at the same address.
TEST_F(DialogRecords, WhatWasKeptByAnAddressIsNotFoundByTheNextDialogThere) {
  ReusedDialogRecords reuse;
  SDialogTrace* kept = NewDialogTrace();
  EngineHarness first;
  first.handler = StandardHandler;
  PfScript script;
  script.Then([&] {
    EXPECT_EQ(kept, FindDialogTrace(first.info));
    PDFCtlSetDrawMode(first.info, kTree, kPDFCtlFit, 10, 10);
    PfDriverPressEscape();
  });
  DialogTraceMacRunModalDialogWithFilter(kept, nullptr, HarnessFilter, &first, 0);
  EXPECT_EQ(1, DialogTraceCount()) << "the record was asked to stay";
  EXPECT_EQ(0, PDFCtlRecordCount()) << "the preview went with its dialog";

  EngineHarness second;
  RunUntraced(second, [&] {
    ASSERT_EQ(first.info, second.info);
    EXPECT_EQ(nullptr, FindDialogTrace(second.info)) << "the kept record names no dialog";
    EXPECT_EQ(nullptr, FindPDFCtlInfo(second.info, kTree));
  });
  DestroyDialogTrace(kept);
  EXPECT_EQ(0, DialogTraceCount());
}

}  // namespace
