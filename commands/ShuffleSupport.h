// Small pieces the shuffle, assistant and even/odd dialogs share.
#pragma once

#include "engine/OrderList.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"

namespace shuffle_support {

inline const char* Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
inline ASAtom Atom(const char* text) { return ASAtomFromString(text); }

inline constexpr SKCabEnumWord kTypeWords[] = {{kOrderListNormal, "Normal"},
                                               {kOrderListSaddleStitch, "SaddleStitch"},
                                               {kOrderListCutStacksSingle, "CutStacksSingle"},
                                               {kOrderListCutStacksDouble, "CutStacksDouble"},
                                               {kOrderListCutSignatures, "CutSignatures"},
                                               {kOrderListNormal, nullptr}};

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
  KCtlDataSetExportCab(data, exportCab, nullptr);
  KCabPutBool(data->ownCab, "Interactive", interactive);
  return data;
}

// The dialog's values as they stand now: the export cabinet with every
// element's current value over it. Owned by the caller.
inline SKCab* CurrentValues(SMacDialogInfo* dialog) { return KCtlAdvanceExport(dialog, KCabNewInner(), 1); }

}  // namespace shuffle_support
