// Small pieces the shuffle, assistant and even/odd dialogs share.
#pragma once

#include "commands/ParamTables.h"
#include "engine/OrderList.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/Msg.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlMac.h"

namespace shuffle_support {

using ::Atom;
using ::Msg;

// The engine's words of "Type".
inline const SKCabEnumWord* const kTypeWords = OrderListParamWords("Type");

// The bounds of a shuffle key's field are the command's.
inline ASInt32 ShuffleMin(const char* key) { return CommandParamMinInt("Shuffle", key); }
inline ASInt32 ShuffleMax(const char* key) { return CommandParamMaxInt("Shuffle", key); }

inline PDDoc FrontPDDoc() {
  AVDoc view = AVAppGetActiveDoc();
  return view ? AVDocGetPDDoc(view) : nullptr;
}

inline ASInt32 FrontPageCount() {
  PDDoc doc = FrontPDDoc();
  return doc ? PDDocGetNumPages(doc) : 0;
}

// The dialog's values as they stand now: the export cabinet with every
// element's current value over it. Owned by the caller.
inline SKCab* CurrentValues(SMacDialogInfo* dialog) { return KCtlAdvanceExport(dialog, KCabNewInner(), 1); }

// Copies what a dialog edited on its working copy back into the caller's
// parameters. Sub-cabinets stay as they are: the dialogs never edit them, and
// callers may hold them.
inline void CopyBackDialogValues(SKCab* work, SKCab* params) {
  KCabHolder flat(KCabDup(work));
  KCabEnum(
      flat.get(),
      [](SKCab* cab, const char* key, ASInt32 type, void*) -> ASBool {
        if (type == kKCabTypeCab) KCabRemove(cab, key);
        return 1;
      },
      nullptr);
  KCabCopy(flat.get(), params);
}

// Builds a new description (title by message key, suggested size, an icon
// when iconId is not 0) with build(dialog), then runs it modally on values
// with the dialog procedure proc (may be null). The framework frees the
// description and the run; the terminating control id.
template <typename Build>
ASInt32 RunNewDialog(const char* titleKey, ASInt32 width, ASInt32 height, ASInt32 iconId, SKCab* values,
                     ASBool interactive, MacDialogProc proc, Build build) {
  SKCtlDialog* d = KCtlNewDialog(Msg(titleKey), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  DURING
    KCtlDialogSuggestSize(d, width, height);
    if (iconId) KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, iconId, nullptr);
    build(d);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return KCtlPlatformRunModalInteractive(d, values, nullptr, proc, interactive);
}

}  // namespace shuffle_support
