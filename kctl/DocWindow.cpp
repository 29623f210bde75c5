#include "kctl/DocWindow.h"

#include "foundation/HostTextHolder.h"
#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "host/ASText.h"
#include "kctl/StatusBox.h"

AVDoc AVDocOpenFromPDDocUTF8(PDDoc doc, const char* title) {
  if (!title) return AVDocOpenFromPDDoc(doc, nullptr);
  HostTextHolder text(ASTextNewFromUTF8(title));
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  if (major <= 7) return AVDocOpenFromPDDoc(doc, text.get());
  // Newer hosts open the window behind a status box that is up: it is taken
  // down while the window opens and comes back as it was.
  PushStatusBox();
  AVDoc view = nullptr;
  DURING
    CloseStatusBox();
    view = AVDocOpenFromPDDoc(doc, text.get());
  HANDLER
    PopStatusBox();
    RERAISE();
  END_HANDLER
  PopStatusBox();
  return view;
}
