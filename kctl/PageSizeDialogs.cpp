// The page-size dialogs: the more-sizes chooser, a new blank size and the
// review dialog that deletes a size.
#include "kctl/PageSizeDialogs.h"

#include <string>

#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"
#include "pdftools/PageSizes.h"

namespace {

constexpr ASUns32 kFreeBoth = kKCtlDialogFreeDescription | kKCtlDialogFreeData;
constexpr ASInt16 kEntryPopupId = 102;
constexpr ASInt16 kEntryTextId = 101;

SKCab* Collection() { return GetSystemDefaultPageSizeCollection(); }
void SaveCollection() { SaveSystemDefaultPageSizeCollection(); }

// Runs a description modally on the cabinets; the run frees the description.
ASInt32 RunModal(SKCtlDialog* d, SKCab* exportCab, SKCab* posCab) {
  return KCtlPlatformRunModal(d, exportCab, posCab, nullptr);
}

SKCtlElem* Radio(SKCtlDialog* d, ASUns32 flags, const char* message, const char* key, const char* atom) {
  SKCtlElem* r = KCtlAddNewElement(d, kKCtlRadioButton, flags, -1, Msg(message), nullptr);
  KCtlSetExportKeyAtom(key, Atom(atom), r);
  return KCtlRadioButtonSetGroup((ASUns32)Atom(key), r);
}

// The review dialog's text: the chosen size's long form.
ASInt32 ShowChosenEntry(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerSelectionChanged && trigger != kKCtlTriggerLoaded) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCtlElem* text = KCtlPlatformGetElemFromControlId(data, kEntryTextId);
  if (!text) return kKCtlCallBackGoOn;
  char out[1000] = {0};
  if (SKCab* item = KCtlGetSelectedPulldownItem(dialog, kEntryPopupId))
    PageSizeCabLongFormat(item, out, (int)sizeof out);
  out[sizeof out - 1] = 0;
  KCtlPlatformSetControlText(dialog, data, text, out);
  return kKCtlCallBackGoOn;
}

}  // namespace

void SetReturnKeyForAddedSize(SKCab* cab, SKCab* pageSize) {
  if (!cab) return;
  ASAtom key = PageSizeItemKey(pageSize);
  if (key != ASAtomNull)
    KCabPutAtom(cab, ".AddedKey", key);
  else
    KCabRemove(cab, ".AddedKey");
}

ASBool AddPageSizeToCollection(SKCab* cab, SKCab* size) {
  if (!PageSizeCollectionAddOrReplace(Collection(), size)) {
    KCabDestroy(size);
    ErrMessageUTF8(Msg("pagesizes.err.cannotreplacesystemname"));
    return 0;
  }
  SaveCollection();
  SetReturnKeyForAddedSize(cab, size);
  return 1;
}

ASBool DoMoreSizesDialog(SKCab* cab, ASBool allowBackground) {
  for (;;) {
    // A remembered choice of a background, where none is offered, would load
    // into the disabled button and never be stored over: it goes.
    if (!allowBackground && KCabGetAtom(cab, "What", ASAtomNull) == Atom("NewBackground")) KCabRemove(cab, "What");
    SKCtlDialog* d = KCtlNewDialog(Msg("dlg.moresizes.title"), kFreeBoth);
    DURING
      KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.moresizes.1"), nullptr);
      Radio(d, kKCtlFlagChecked, "dlg.moresizes.2", "What", "NewBlank");
      Radio(d, allowBackground ? 0u : (ASUns32)kKCtlFlagDisabled, "dlg.moresizes.3", "What", "NewBackground");
      Radio(d, 0, "dlg.moresizes.4", "What", "Review");
      KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.next"), nullptr);
      KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.cancel"), nullptr);
    HANDLER
      KCtlDestroyDialog(d);
      RERAISE();
    END_HANDLER
    if (RunModal(d, cab, cab) != 1) return 0;
    ASAtom what = KCabGetAtom(cab, "What", Atom("?"));
    ASBool changed;
    if (what == Atom("NewBlank"))
      changed = DoAddBlankPageSizeDialog(cab);
    else if (what == Atom("NewBackground"))
      changed = DoAddBackgroundDialog(cab);
    else if (what == Atom("Review"))
      changed = DoReviewPageSizeDialog(Collection(), cab);
    else
      return 0;  // nothing ran, nothing changed
    if (changed) return 1;
  }
}

ASBool DoAddBlankPageSizeDialog(SKCab* cab) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.newcustomsize.title"), kFreeBoth);
  DURING
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.newcustomsize.1"), nullptr);
    KCtlStock_Prompt2PageUnits(d, 0, nullptr, Msg("common.label.width"), Msg("common.label.height"), "Width",
                               "Height", nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 16, -1, Msg("common.label.optionalname"), nullptr);
    KCtlSetExportKeyEditString("Name", 0,
                               KCtlAddNewElement(d, kKCtlEditText, 0, -1, std::string(38, 'x').c_str(), nullptr));
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.ok"), nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.back"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.newcustomsize.6"), nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  if (RunModal(d, cab, cab) != 1) return 0;
  double width = KCabGetNumber(cab, "Width", 0), height = KCabGetNumber(cab, "Height", 0);
  // Not-a-number fails both tests as well.
  if (!(width > 0) || !(height > 0)) {
    ErrMessageUTF8(Msg("pagesizes.err.badsize"));
    return 0;
  }
  if (width > kPageSizeMaxPoints || height > kPageSizeMaxPoints) {
    char text[1000];
    FormatMessageByKeyUTF8(nullptr, "pagesizes.err.toolarge", "A side may be at most %.0f pt.", text, sizeof text,
                           "f", kPageSizeMaxPoints);
    ErrMessageUTF8(text);
    return 0;
  }
  return AddPageSizeToCollection(cab, NewPageSizeCabBlankPoints(KCabGetString(cab, "Name"), width, height, 1));
}

ASBool DoReviewPageSizeDialog(SKCab* collection, SKCab* cab) {
  SKCab* own = KCabNewInner();
  ASBool deleted = 0;
  DURING
    SKCtlDialog* d = KCtlNewDialog(Msg("dlg.delsize1.title"), kFreeBoth);
    DURING
      KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.delsize1.1"), nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.delsize1.2"), nullptr);
      SKCtlElem* popup = KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, kEntryPopupId, " ", nullptr);
      KCtlElemSetItemList(PageSizeCollectionMakeItemList(collection, kPageSizeBlanks | kPageSizeBackgrounds), popup);
      KCtlSetExportKey("Entry", popup);
      KCtlSetActionCallback(popup, kKCtlTriggerAny, ShowChosenEntry, nullptr);
      KCtlForceElementSize(400, 100, KCtlAddNewElement(d, kKCtlStaticText, 0xa00000, kEntryTextId, " ", nullptr));
      KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.delete"), nullptr);
      KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.back"), nullptr);
    HANDLER
      KCtlDestroyDialog(d);
      RERAISE();
    END_HANDLER
    if (RunModal(d, own, cab) == 1) {
      SKCab* chosen = KCabGetCab(own, "Entry");
      if (chosen) {
        const char* name = PageSizeCabGetName(chosen);
        bool unnamed = !name || !*name;
        char question[1200];
        FormatMessageByKeyUTF8(nullptr, "uicustsz.confirm.deletesize", "Delete %s?", question, sizeof question, "s",
                               unnamed ? Msg("uicustsz.unnamedentry") : name);
        if (ConfirmMessageUTF8(question, 1)) {
          bool ok;
          if (unnamed) {
            // Unnamed sizes are never stored: nothing to save.
            ok = PageSizeCollectionDeleteAnonByContents(collection, chosen);
          } else {
            ok = PageSizeCollectionDeleteByName(collection, name);
            if (ok) SaveCollection();
          }
          if (ok)
            deleted = 1;
          else
            ErrMessageUTF8(Msg("uicustsz.cantdelete"));
        }
      }
    }
  HANDLER
    KCabDestroy(own);
    RERAISE();
  END_HANDLER
  KCabDestroy(own);
  return deleted;
}
