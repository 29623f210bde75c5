// The modal dialogs behind the page-size element's more-choices entry and
// the preferences' custom-size button: a chooser of what to do, a new blank
// size, a new background page (pages of a PDF file) and a review dialog that
// deletes a size. They change the page-size collection and report the size
// they added through the caller's cabinet as ".AddedKey", the key of the
// size's entry in the element's list.
//
// The caller's cabinet carries "What" (the chooser's answer), "Width",
// "Height" and "Name" (a new blank size), and the background dialog's
// "File", "Name", "Top", "From", "To", "Inner" and "Repeat".
#pragma once

#include "kctl/KCtl.h"

struct SKCab;
struct SMacDialogInfo;

// True when a sub-dialog changed the collection, false when the user cancelled.
ASBool DoMoreSizesDialog(SKCab* cab, ASBool allowBackground);
// True when a size was added; false when cancelled or when the size was
// refused (with an alert: no size, a side above kPageSizeMaxPoints, a system
// size's name), and ".AddedKey" is then not set.
ASBool DoAddBlankPageSizeDialog(SKCab* cab);
// True when a size was deleted.
ASBool DoReviewPageSizeDialog(SKCab* collection, SKCab* cab);
// ".AddedKey": the item key of the size (PageSizeItemKey), which sits in the
// collection; removed for a size that does not.
void SetReturnKeyForAddedSize(SKCab* cab, SKCab* pageSize);
// Hands size to the collection, saves it and sets ".AddedKey"; a size the
// collection refuses is destroyed after the alert, and the answer is false.
ASBool AddPageSizeToCollection(SKCab* cab, SKCab* size);

// ---- New background page

// True when a size was made and added; false when the user went back or the
// entries or the size were refused (with an alert), and ".AddedKey" is then
// not set.
ASBool DoAddBackgroundDialog(SKCab* cab);
// Adds the file row and the page options under parent (null: the top level);
// callback (may be null) hears trigger 1 after each file shown.
void AddBackgroundDialogCore(SKCtlDialog* dialog, SKCtlElem* parent, KCtlActionCallBack callback, void* userData);
// The file row: a Browse button exporting the chosen file under key, and the
// file-name text, which it returns. rowCab becomes the row's.
SKCtlElem* UIPageSz_ASPathNamePDF(SKCtlDialog* dialog, ASUns32 flags, SKCtlElem* parent, const char* label,
                                  const char* prompt, const char* key, SKCab* rowCab, KCtlActionCallBack callback,
                                  void* userData);
EKCtlExportCallBackReturn UIPageSz_ASPathNamePDF_Export(SMacDialogInfo* info, ASInt32 id, ASInt32 type, SKCab* cab,
                                                        const char* key, void* rowCab);
ASInt32 UIPageSz_ASPathNamePDF_ButtonActions(SMacDialogInfo* info, ASInt32 id, ASInt32 trigger, void* rowCab);
// Shows a file in the dialog; takes ownership of path.
void AddBackgroundSetFileInDialog(SMacDialogInfo* info, ASPathName path, SKCab* rowCab);
// True with a new background page-size cabinet in *out (owned by the caller).
ASBool BackgroundDialogCoreVerify(SKCab* cab, SKCab** out, const char* name, ASBool noSaveIfUnnamed, ASBool alerts);
// True when a size was made and added; *out (may be null) then lends it.
ASBool BackgroundDialogVerifyAndMakeCab(SKCab* cab, SKCab** out);
// The last file whose pages were counted at verification (owned here), or null.
ASPathName LastAddBackgroundPath();
// Frees it (the plug-in's unload; tests).
void ForgetLastAddBackgroundPath();
