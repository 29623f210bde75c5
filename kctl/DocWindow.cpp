#include "kctl/DocWindow.h"

#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "host/ASText.h"
#include "kctl/StatusBox.h"

namespace {

// Destroys a host text at the end of a scope.
struct OwnedText {
  ASText t;
  ~OwnedText() { ASTextDestroy(t); }
};

}  // namespace

AVDoc AVDocOpenFromPDDocUTF8(PDDoc doc, const char* title) {
  if (!title) return AVDocOpenFromPDDoc(doc, nullptr);
  OwnedText text{ASTextNewFromUTF8(title)};
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  if (major <= 7) return AVDocOpenFromPDDoc(doc, text.t);
  // Newer hosts open the window behind a status box that is up: it is taken
  // down while the window opens and comes back as it was.
  PushStatusBox();
  AVDoc view = nullptr;
  DURING
    CloseStatusBox();
    view = AVDocOpenFromPDDoc(doc, text.t);
  HANDLER
    PopStatusBox();
    RERAISE();
  END_HANDLER
  PopStatusBox();
  return view;
}
