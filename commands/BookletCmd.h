// The booklet command ("SimpleBooklet"): its definition, default
// parameters, the five-page wizard and the describer. The work itself is
// the engine's booklet (engine/Booklet.h).
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;

SKCab* NewCmdMgrForBooklet();
// The wizard on params (edited in place); true = run the command.
ASBool CmdMgrBookletUI(SKCab* command, SKCab* params);
// A new cabinet of description lines.
SKCab* CmdMgrBookletDescriber(SKCab* command, SKCab* params);

// "Margin" 0, "NoScale" false, "NewDoc" true, crop marks off (with the crop
// defaults when asked) and no per-imposition overrides.
void BookletResetAdvancedParams(SKCab* cab, ASBool withCropDefaults);
// True when any advanced setting differs from its default.
ASBool AnyAdvancedParams(SKCab* cab);
// The fixed sheets of "Sizing" LetterWide and A4Wide, in points.
constexpr double kBookletLetterWideW = 792, kBookletLetterWideH = 612;
constexpr double kBookletA4WideW = 841.8897637795276, kBookletA4WideH = 595.2755905511812;
// The sheet of a fixed size that "Sizing" of values names (LetterWide,
// A4Wide, or Custom with a blank "Page"), in points; false for one made to
// fit the pages, or a custom one without a blank size.
bool BookletFixedSheet(SKCab* values, double* width, double* height);
// True when two pages of maxWidth x maxHeight at 100 % go side by side
// inside the margin of a sheetWidth x sheetHeight sheet.
bool BookletFitsAtFullSize(double sheetWidth, double sheetHeight, double maxWidth, double maxHeight, double margin);

// The largest page width and height of the front document, in points
// (cached in the dialog's own cabinet); false in a run that is not
// interactive or without a document.
ASBool BookletGetMaxSize(SMacDialogInfo* dialog, double* maxWidth, double* maxHeight);
// Appends the scale the pages get on the sheet (or that they do not fit) to
// text, never past capacity - 1 bytes.
void Booklet2AppendPercent(char* text, size_t capacity, double sheetWidth, double sheetHeight, double maxWidth,
                           double maxHeight, double margin, ASBool noScale);
