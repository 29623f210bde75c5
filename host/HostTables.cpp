#include "host/HostTables.h"

#include <vector>

#include "host/AS.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"

namespace {

template <class F>
void* E(F* f) {
  return reinterpret_cast<void*>(f);
}

void Register(const char* name, ASUns32 count, std::vector<std::pair<ASUns32, void*>> entries) {
  std::vector<void*> table(count, nullptr);
  for (auto& e : entries)
    if (e.first < count) table[e.first] = e.second;
  ASInt16 major = 0, minor = 0;
  ASHostVersionGet(&major, &minor);
  HFTRegister(name, ASVersionMake(major, minor), table.data(), count);
}

}  // namespace

void HostRegisterFunctionTables() {
  Register("AcroView", AcroViewNumSelectors,
           {{AVAppGetVersionSEL, E(AVAppGetVersion)},
            {AVAppGetLanguageSEL, E(AVAppGetLanguage)},
            {AVAppGetLanguageWithParamsSEL, E(AVAppGetLanguageWithParams)},
            {AVAppGetActiveDocSEL, E(AVAppGetActiveDoc)},
            {AVAppGetNumDocsSEL, E(AVAppGetNumDocs)},
            {AVAppEnumDocsSEL, E(AVAppEnumDocs)},
            {AVAppGetPreferenceSEL, E(AVAppGetPreference)},
            {AVAppGetMenubarSEL, E(AVAppGetMenubar)},
            {AVAppGetToolBarSEL, E(AVAppGetToolBar)},
            {AVAppRegisterNotificationSEL, E(AVAppRegisterNotification)},
            {AVAppUnregisterNotificationSEL, E(AVAppUnregisterNotification)},
            {AVAppRegisterIdleProcSEL, E(AVAppRegisterIdleProc)},
            {AVAppUnregisterIdleProcSEL, E(AVAppUnregisterIdleProc)},
            {AVAppOpenDialogSEL, E(AVAppOpenDialog)},
            {AVAppCreateIconBundle6SEL, E(AVAppCreateIconBundle6)},
            {AVAppGetDocProgressMonitorSEL, E(AVAppGetDocProgressMonitor)},
            {AVAppGetCancelProcSEL, E(AVAppGetCancelProc)},
            {AVAppEnumWindowsSEL, E(AVAppEnumWindows)},
            {AVDocOpenFromPDDocSEL, E(AVDocOpenFromPDDoc)},
            {AVDocOpenFromPDDocAsHelpSEL, E(AVDocOpenFromPDDocAsHelp)},
            {AVDocCloseSEL, E(AVDocClose)},
            {AVDocGetPDDocSEL, E(AVDocGetPDDoc)},
            {AVDocGetAVWindowSEL, E(AVDocGetAVWindow)},
            {AVDocGetPageViewSEL, E(AVDocGetPageView)},
            {AVDocGetViewModeSEL, E(AVDocGetViewMode)},
            {AVDocSetViewModeSEL, E(AVDocSetViewMode)},
            {AVPageViewGetPageNumSEL, E(AVPageViewGetPageNum)},
            {AVPageViewGoToSEL, E(AVPageViewGoTo)},
            {AVWindowNewFromPlatformThingSEL, E(AVWindowNewFromPlatformThing)},
            {AVWindowDestroySEL, E(AVWindowDestroy)},
            {AVWindowUserCloseSEL, E(AVWindowUserClose)},
            {AVWindowBringToFrontSEL, E(AVWindowBringToFront)},
            {AVWindowBecomeKeySEL, E(AVWindowBecomeKey)},
            {AVWindowIsKeySEL, E(AVWindowIsKey)},
            {AVWindowGetFrameSEL, E(AVWindowGetFrame)},
            {AVWindowSetFrameSEL, E(AVWindowSetFrame)},
            {AVWindowInvalidateRectSEL, E(AVWindowInvalidateRect)},
            {AVWindowDrawNowSEL, E(AVWindowDrawNow)},
            {AVWindowGetOwnerDataSEL, E(AVWindowGetOwnerData)},
            {AVWindowSetOwnerDataSEL, E(AVWindowSetOwnerData)},
            {AVWindowGetTitleSEL, E(AVWindowGetTitle)},
            {AVWindowSetTitleSEL, E(AVWindowSetTitle)},
            {AVMenubarAcquireMenuByNameSEL, E(AVMenubarAcquireMenuByName)},
            {AVMenuNewSEL, E(AVMenuNew)},
            {AVMenuReleaseSEL, E(AVMenuRelease)},
            {AVMenuAddMenuItemSEL, E(AVMenuAddMenuItem)},
            {AVMenuItemNewSEL, E(AVMenuItemNew)},
            {AVMenuItemNewWithASTextSEL, E(AVMenuItemNewWithASText)},
            {AVMenuItemSetExecuteProcSEL, E(AVMenuItemSetExecuteProc)},
            {AVMenuItemSetComputeEnabledProcSEL, E(AVMenuItemSetComputeEnabledProc)},
            {AVMenuItemSetComputeMarkedProcSEL, E(AVMenuItemSetComputeMarkedProc)},
            {AVMenuItemReleaseSEL, E(AVMenuItemRelease)},
            {AVToolBarGetButtonByNameSEL, E(AVToolBarGetButtonByName)},
            {AVToolBarAddButtonSEL, E(AVToolBarAddButton)},
            {AVToolButtonNewSEL, E(AVToolButtonNew)},
            {AVToolButtonSetExecuteProcSEL, E(AVToolButtonSetExecuteProc)},
            {AVToolButtonSetComputeEnabledProcSEL, E(AVToolButtonSetComputeEnabledProc)},
            {AVToolButtonSetComputeMarkedProcSEL, E(AVToolButtonSetComputeMarkedProc)},
            {AVToolButtonSetHelpTextSEL, E(AVToolButtonSetHelpText)},
            {AVToolButtonSetLabelTextSEL, E(AVToolButtonSetLabelText)},
            {AVSysGetModifiersSEL, E(AVSysGetModifiers)},
            {AVSysGetCursorSEL, E(AVSysGetCursor)},
            {AVSysSetCursorSEL, E(AVSysSetCursor)},
            {AVSysGetStandardCursorSEL, E(AVSysGetStandardCursor)}});
  Register("PDModel", PDModelNumSelectors,
           {{PDDocOpenSEL, E(PDDocOpen)},
            {PDDocOpenFromASFileSEL, E(PDDocOpenFromASFile)},
            {PDDocCreateSEL, E(PDDocCreate)},
            {PDDocCloseSEL, E(PDDocClose)},
            {PDDocSaveSEL, E(PDDocSave)},
            {PDDocGetNumPagesSEL, E(PDDocGetNumPages)},
            {PDDocAcquirePageSEL, E(PDDocAcquirePage)},
            {PDPageReleaseSEL, E(PDPageRelease)},
            {PDDocCreatePageSEL, E(PDDocCreatePage)},
            {PDDocInsertPagesSEL, E(PDDocInsertPages)},
            {PDDocDeletePagesSEL, E(PDDocDeletePages)},
            {PDDocMovePageSEL, E(PDDocMovePage)},
            {PDDocGetFlagsSEL, E(PDDocGetFlags)},
            {PDDocSetFlagsSEL, E(PDDocSetFlags)},
            {PDDocClearFlagsSEL, E(PDDocClearFlags)},
            {PDDocGetPermissionsSEL, E(PDDocGetPermissions)},
            {PDDocGetVersionSEL, E(PDDocGetVersion)},
            {PDDocGetFileSEL, E(PDDocGetFile)},
            {PDDocGetInfoSEL, E(PDDocGetInfo)},
            {PDDocSetInfoSEL, E(PDDocSetInfo)},
            {PDEnumDocsSEL, E(PDEnumDocs)},
            {PDPageGetBoxSEL, E(PDPageGetBox)},
            {PDPageSetBoxSEL, E(PDPageSetBox)},
            {PDPageGetRotateSEL, E(PDPageGetRotate)},
            {PDPageSetRotateSEL, E(PDPageSetRotate)},
            {PDPageGetDefaultMatrixSEL, E(PDPageGetDefaultMatrix)},
            {PDPageAddCosContentsSEL, E(PDPageAddCosContents)},
            {PDPageNotifyContentsDidChangeExSEL, E(PDPageNotifyContentsDidChangeEx)},
            {PDDocGetXAPMetadataSEL, E(PDDocGetXAPMetadata)},
            {PDDocSetXAPMetadataSEL, E(PDDocSetXAPMetadata)},
            {PDDocGetXAPMetadataPropertySEL, E(PDDocGetXAPMetadataProperty)},
            {PDDocSetXAPMetadataPropertySEL, E(PDDocSetXAPMetadataProperty)},
            {PDDocCreateNameTreeSEL, E(PDDocCreateNameTree)},
            {PDNameTreeIsValidSEL, E(PDNameTreeIsValid)},
            {PDNameTreePutSEL, E(PDNameTreePut)},
            {PDNameTreeGetSEL, E(PDNameTreeGet)}});
  Register("Cos", CosNumSelectors,
           {{CosNewStreamSEL, E(CosNewStream)},
            {CosNewStream64SEL, E(CosNewStream64)},
            {CosStreamOpenStmSEL, E(CosStreamOpenStm)},
            {CosObjEqualSEL, E(CosObjEqual)},
            {CosObjHashSEL, E(CosObjHash)},
            {CosNumberIsWithinASFixedRangeSEL, E(CosNumberIsWithinASFixedRange)},
            {CosCopyNameStringValueSEL, E(CosCopyNameStringValue)},
            {CosNewNameFromStringSEL, E(CosNewNameFromString)},
            {CosParseInlineImageSEL, E(CosParseInlineImage)}});
}

namespace {
// The tables exist from the moment the library is loaded.
[[maybe_unused]] const bool gRegistered = (HostRegisterFunctionTables(), true);
}  // namespace
