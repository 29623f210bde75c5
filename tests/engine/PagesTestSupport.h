// Shared pieces of the page-order, trim and insertion tests: a fixture that
// starts every test with a closed status box, no views and captured messages,
// and checks that no page stays acquired; generated documents; page order
// read back; saving and checking outputs with qpdf; running engine callbacks
// through the frame's process manager.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "host/AV.h"
#include "host/PD.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

namespace kvtest {

class PagesTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // A document of n pages labelled "Page 1" ... (the test closes it).
  PDDoc Doc(int pages);
  // The same, open in a view on the 0-based page (the view owns it).
  AVDoc View(int pages, ASInt32 page = 0);
  // A fixture file of n "Page N" pages, its path.
  std::string File(int pages);

  // Saves the document and runs qpdf --check on the file: 0 when clean.
  int SaveAndCheck(PDDoc doc, const std::string& name);

  // The run of a command definition over doc (null: no source), its
  // "Params" filled by setup; the process manager runs it and destroys it.
  // Returns whether the run ended without being cancelled.
  bool Run(SKCab* definition, PDDoc doc, const std::function<void(SKCab* params)>& setup);

  // Texts of the messages of one type shown so far.
  std::vector<std::string> Errors() const;

  TempDir dir;
  std::vector<PDDoc> docs;
  MessageCapture* capture = nullptr;

 private:
  ASInt32 pagesAcquired_ = 0;
};

// The "Page N" labels of the pages, "?" for pages without text, with the
// page's rotation after a slash when it is not 0 ("Page 2/90").
std::vector<std::string> Order(PDDoc doc);
std::string OrderText(PDDoc doc);
// The text poppler reads from the saved file, page by page (form feeds kept
// as "|").
std::string PdfToText(const std::string& path);

// The documents of the views opened since the last call, oldest first, with
// their titles.
struct OpenedView {
  AVDoc view;
  std::string title;
};
std::vector<OpenedView> ViewsOpened();
void ForgetViews();

// The user presses the status box's Cancel: the box opens and the click
// waits in the event queue until the work polls.
void ClickStatusCancel();

// Closes every view with its document.
void CloseAllViews();

}  // namespace kvtest
