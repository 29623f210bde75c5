// Small pieces the shuffle, assistant and even/odd dialogs share.
#pragma once

#include "commands/ParamTables.h"
#include "engine/OrderList.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/mac/KCtlMac.h"

namespace shuffle_support {

inline const char* Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
inline ASAtom Atom(const char* text) { return ASAtomFromString(text); }

// The engine's words of "Type".
inline const SKCabEnumWord* const kTypeWords = OrderListParamWords("Type");

// The bounds of a shuffle key's field are the command's.
inline ASInt32 ShuffleMin(const char* key) { return CommandParamMinInt("Shuffle", key); }
inline ASInt32 ShuffleMax(const char* key) { return CommandParamMaxInt("Shuffle", key); }

// Owns a cabinet for the life of a scope.
struct Cab {
  SKCab* cab;
  explicit Cab(SKCab* c = KCabNewInner()) : cab(c) {}
  ~Cab() {
    if (cab) KCabDestroy(cab);
  }
  Cab(const Cab&) = delete;
  Cab& operator=(const Cab&) = delete;
};

inline PDDoc FrontPDDoc() {
  AVDoc view = AVAppGetActiveDoc();
  return view ? AVDocGetPDDoc(view) : nullptr;
}

inline ASInt32 FrontPageCount() {
  PDDoc doc = FrontPDDoc();
  return doc ? PDDocGetNumPages(doc) : 0;
}

// Run data on the export cabinet, with the caller's "Interactive" in the
// dialog's own values.
inline SKCtlData* NewRunData(SKCtlDialog* dialog, SKCab* exportCab, ASBool interactive) {
  SKCtlData* data = KCtlCreateData(dialog);
  DURING
    KCtlDataSetExportCab(data, exportCab, nullptr);
    KCabPutBool(data->ownCab, "Interactive", interactive);
  HANDLER
    KCtlDestroyData(data);
    RERAISE();
  END_HANDLER
  return data;
}

// The dialog's values as they stand now: the export cabinet with every
// element's current value over it. Owned by the caller.
inline SKCab* CurrentValues(SMacDialogInfo* dialog) { return KCtlAdvanceExport(dialog, KCabNewInner(), 1); }

// Copies what a dialog edited on its working copy back into the caller's
// parameters. Sub-cabinets stay as they are: the dialogs never edit them, and
// callers may hold them.
inline void CopyBackDialogValues(SKCab* work, SKCab* params) {
  Cab flat(KCabDup(work));
  KCabEnum(
      flat.cab,
      [](SKCab* cab, const char* key, ASInt32 type, void*) -> ASBool {
        if (type == kKCabTypeCab) KCabRemove(cab, key);
        return 1;
      },
      nullptr);
  KCabCopy(flat.cab, params);
}

// Builds a new description (title by message key, suggested size, an icon
// when iconId is not 0) with build(dialog), then runs it modally on values
// with the dialog procedure proc (may be null). The framework frees the
// description and the run; the terminating control id.
template <typename Build>
ASInt32 RunNewDialog(const char* titleKey, ASInt32 width, ASInt32 height, ASInt32 iconId, SKCab* values,
                     ASBool interactive, MacDialogProc proc, Build build) {
  SKCtlDialog* d = KCtlNewDialog(Msg(titleKey), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  SKCtlData* data = nullptr;
  DURING
    KCtlDialogSuggestSize(d, width, height);
    if (iconId) KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, iconId, nullptr);
    build(d);
    data = NewRunData(d, values, interactive);
  HANDLER
    if (data) KCtlDestroyData(data);
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return KCtlPlatformTestModal(data, proc);
}

}  // namespace shuffle_support
