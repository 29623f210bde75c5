// Small helpers shared by the engine's page-order, trim and insertion modules
// (not part of the engine's interface).
#pragma once

#include <cstddef>

#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/Msg.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

namespace engine_detail {

using ::Msg;

// A message formatted with checked arguments (signature as in
// foundation/MessageFormat.h) into out.
void FormatMsg(char* out, size_t size, const char* key, const char* signature, ...);

// Shows the message of key as an error.
void ErrorKey(const char* key);
// Refuses a run that would make more than kInsertMaxPages pages: the error
// "imputil1.err.toomanypages" with the count and the limit.
void ReportTooManyPages(ASInt64 count);
// Asks the message of key (default yes); true for yes.
bool ConfirmKey(const char* key);

// Opens doc in a window titled by the message of key formatted with number
// (%d), and shows its first page. The window then owns the document.
AVDoc OpenTitledWindow(PDDoc doc, const char* key, ASInt32 number);

using CabHolder = KCabHolder;

// Releases an acquired page at the end of the scope.
class PageHolder {
 public:
  PageHolder(PDDoc doc, ASInt32 n) : page_(PDDocAcquirePage(doc, n)) {}
  // Runs while errors unwind (the page's document may have closed): never raises.
  ~PageHolder() {
    if (!page_) return;
    DURING
      PDPageRelease(page_);
    HANDLER
    END_HANDLER
  }
  PageHolder(const PageHolder&) = delete;
  PageHolder& operator=(const PageHolder&) = delete;
  PDPage get() const { return page_; }

 private:
  PDPage page_;
};

// Copies every page of source into target (appended) with provenance stamps,
// showing progress in the status box and polling its cancel. False when the
// user cancelled (the pages copied so far stay); other host errors pass on.
bool CopyAllPagesStamped(PDDoc target, PDDoc source, ASBool removeStructure);

// The size (points, after rotation) of the page's visible box.
ASFixedPoint VisibleSize(PDDoc doc, ASInt32 page);

// The engine's private exception for leaving half-done work quietly: its
// message was shown before. Registered on first use.
ASErrorCode ShouldNotOccurError();

}  // namespace engine_detail
