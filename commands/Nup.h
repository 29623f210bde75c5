// The n-up command ("Nup"): its parameters and the in-memory record the
// wizard and the performer share, the command definition, describer and
// Start callback, the three-page wizard, and the layout feedback that picks
// the sheet orientation and the fit scale with the engine's planner.
#pragma once

#include <cstddef>

#include "engine/CropMarks.h"
#include "engine/Nup.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/PageSizeElem.h"

struct SKCab;
struct SMacDialogInfo;

// "PageOrientation" and "DoScaling".
enum ENupOrientation : ASInt32 { kNupTall = 0, kNupWide = 1, kNupBest = 2 };
enum ENupScaling : ASInt32 { kNupToFit = 0, kNupFixed = 1 };

// The dialogs' n-up record; the engine's planner record is its tail.
struct SNupInfo {
  ASUns16 useScale;
  ASUns16 useMgn;
  ASInt32 pageOrientation;  // ENupOrientation
  ASInt32 doScaling;        // ENupScaling
  ASInt32 fitAcross;
  ASInt32 fitDown;
  double fixedScale;
  ASUns16 bestIsTall;  // the orientation choice: a tall sheet
  ASUns16 pageTooBig;  // in the chosen layout a page does not fit a cell
  ASInt32 wideCount;   // sheets of the wide trial
  ASInt32 tallCount;
  ASInt32 reserved;
  SNupSpacing spacing;
  ASUns16 hasSheet;  // sheet holds a valid description
  STemplateInfo sheet;
  ASFixedPoint* pageSizes;  // every source page's size (host allocator)
  SCropMarkDesc cropDesc;   // spacing.cropDesc points here
};

// What the wizard keeps while it runs (the dialog cabinet's
// "Private:DialogInfo", named type "PNupInfoDuringDialog").
struct SNupInfoDuringDialog {
  ASUns16 stepAndRepeat;
  ASUns16 hasDocument;
  PDDoc document;
  ASFixedPoint* pageSizes;  // owned, freed with the record
  ASUns16 allSameSize;
};

// The record the wizard and the performer share, and the defaults.
extern SNupInfo active_nup;
extern const SNupInfo default_nup;

// ---- parameters -------------------------------------------------------------------------

ASBool KCabToNupSpacing(SKCab* cab, SNupInfo* info, ASBool reportErrors, ASBool pageRequired,
                        ASBool keepMarginsWhenUnused);
ASBool KCabFromNupSpacing(SKCab* cab, SNupInfo* info, ASBool reportErrors);
// The command's default parameters (no "Page"); owned by the caller.
SKCab* NupDefaultParams();
// A mirror option asks for a newer version of the plug-in to replay.
void NupSetRequires(SKCab* cab);

// ---- the command ------------------------------------------------------------------------

SKCab* NewCmdMgrForNup();
SKCab* CmdMgrNupDescriber(SKCab* command, SKCab* params);
SKCab* NupOrStepDescriber(SKCab* command, SKCab* params, ASBool stepAndRepeat);
void NupCallBackStart(SKCab* run, SKCab* args);
// The whole run on document (view may be null); false when it did not run.
ASBool DoNupFromCab(AVDoc view, PDDoc document, SKCab* params, ASBool stepAndRepeat);

// ---- the wizard -------------------------------------------------------------------------

ASBool CmdMgrNupUI(SKCab* command, SKCab* params);
ASBool NupOrStepAndRepeatUI(SKCab* command, SKCab* params, ASBool stepAndRepeat);
ASBool ManageNUpUI(ASBool interactive, ASBool stepAndRepeat, SKCab* cab);

// ---- layout feedback ----------------------------------------------------------------------

double ScaleForFixedLayout(const SNupSpacing* spacing, ASFixed sheetWidth, ASFixed sheetHeight,
                           const ASFixedPoint* pageSize);
// Chooses the orientation and the fit scale for the parameters and writes
// the chosen layout into info; false when there is no usable layout.
ASBool DoPageCountSideEffects(SKCab* cab, SNupInfo* info);
// The same on the wizard's current values, with feedback texts in the
// elements from baseId.
ASBool NupDialog3DoPageCount(SMacDialogInfo* dialog, SNupInfoDuringDialog* dialogInfo, ASInt32 baseId, ASBool* outPageTooBig,
                             ASBool* outNoMargins);
void FormatNupAlignFeedback(SKCab* cab, char* buffer, size_t size);
