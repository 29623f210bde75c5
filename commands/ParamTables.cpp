// The commands' parameter tables. Ranges are where the engine's numbers stay
// sound: lengths well inside the 16.16 range of the page geometry (a page or
// sheet side at most PDF's 14400 points, margins and gaps at most 1440
// points, 20 inches), page counts within the insert limit, group sizes within
// what the order lists take.
#include "commands/ParamTables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "commands/BookletCmd.h"
#include "commands/EvenOddCmd.h"
#include "commands/InsertBlanksCmd.h"
#include "commands/JoinCmd.h"
#include "commands/Nup.h"
#include "commands/NupPrivate.h"
#include "commands/ReverseCmd.h"
#include "commands/SampleCmd.h"
#include "commands/ShuffleCmd.h"
#include "commands/TrimShiftCmd.h"
#include "engine/Booklet.h"
#include "engine/CropMarks.h"
#include "engine/EvenOdd.h"
#include "engine/ImpositionPrefs.h"
#include "engine/InsertPages.h"
#include "engine/Nup.h"
#include "engine/OrderList.h"
#include "engine/TrimShift.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "frame/ProcMan.h"

namespace {

constexpr double kMaxInt = 2147483647.0;
constexpr double kLargestMargin = 1440;  // 20 inches
constexpr double kLargestMark = 720;
constexpr double kLargestPageNumber = 999999;
constexpr double kSmallestScale = 0.01;
constexpr double kLargestScale = 10;
constexpr double kLargestGrid = 100;

// Words the readers compare by hand (closed by a default, or by -1 when an
// unknown word is left unused).
const SKCabEnumWord kOrientationAnyWords[] = {{0, "Tall"}, {1, "Wide"}, {2, "Best"}, {-1, nullptr}};
const SKCabEnumWord kNormaliseWords[] = {{0, "No"}, {1, "Full"}, {0, nullptr}};
const SKCabEnumWord kPDFXWords[] = {{0, "IgnoreAll"}, {1, "PreserveAll"}, {-1, nullptr}};
const SKCabEnumWord kActionWords[] = {{0, "Blanks"}, {1, "File"}, {-1, nullptr}};
const SKCabEnumWord kRangeTypeWords[] = {{0, "AllDoc"}, {1, "CurrentPage"}, {2, "SubDoc"}, {-1, nullptr}};
const SKCabEnumWord kEvenOddWords[] = {{0, "Both"}, {1, "Even"}, {2, "Odd"}, {-1, nullptr}};

constexpr ASUns32 kRefuse = kKParamRefuseUnknownWord;
constexpr ASUns32 kInternal = kKParamInternal;

SKParamDef Bool(const char* key, const char* about, ASUns32 flags = 0) {
  return {key, kKParamBool, 0, 1, nullptr, flags, nullptr, about, nullptr};
}
SKParamDef Int(const char* key, double min, double max, const char* unit, const char* about, ASUns32 flags = 0) {
  return {key, kKParamInt, min, max, nullptr, flags, unit, about, nullptr};
}
SKParamDef Real(const char* key, double min, double max, const char* unit, const char* about) {
  return {key, kKParamNumber, min, max, nullptr, 0, unit, about, nullptr};
}
SKParamDef List(const char* key, double min, double max, ASInt32 maxCount, const char* unit, const char* about) {
  return {key, kKParamNumberList, min, max, nullptr, 0, unit, about, nullptr, maxCount};
}
SKParamDef Word(const char* key, const SKCabEnumWord* words, const char* about, ASUns32 flags = 0) {
  return {key, kKParamWord, 0, 0, words, flags, nullptr, about, nullptr};
}
SKParamDef Text(const char* key, const char* about, ASUns32 flags = 0) {
  return {key, kKParamText, 0, 0, nullptr, flags, nullptr, about, nullptr};
}
SKParamDef Page(const char* key, const char* about) {
  return {key, kKParamPage, 1, kLargestPageNumber, nullptr, 0, nullptr, about, nullptr};
}
SKParamDef Size(const char* key, const char* about, ASUns32 flags = 0, const char* missingKey = nullptr) {
  return {key, kKParamPageSize, 1, kLargestPagePoints, nullptr, flags, "pt", about, missingKey};
}
SKParamDef Cab(const char* key, const char* about, ASUns32 flags = kInternal) {
  return {key, kKParamCab, 0, 0, nullptr, flags, nullptr, about, nullptr};
}
SKParamDef Any(const char* key, const char* about) {
  return {key, kKParamAny, 0, 0, nullptr, kInternal, nullptr, about, nullptr};
}
constexpr SKParamDef kEnd{nullptr, kKParamAny, 0, 0, nullptr, 0, nullptr, nullptr, nullptr};

// ---- Groups several commands share

// What the command layer and the dialogs keep in any command's parameters.
const SKParamDef kCommon[] = {
    Bool("NewDoc", "put false by the command layer when a new document is not allowed", kInternal),
    Bool("Interactive", "put by the command layer: false when replayed without a user", kInternal),
    Cab("Source", "the source document and page range, put by the command layer"),
    Cab("Dest", "the destination, put by the command layer"),
    Text("Requires", "the features a replay needs, put by the dialogs", kInternal),
    Int("UIVer", 0, kMaxInt, nullptr, "the dialog version that wrote the parameters", kInternal),
    Int("PosX", -kMaxInt, kMaxInt, nullptr, "the dialog's position", kInternal),
    Int("PosY", -kMaxInt, kMaxInt, nullptr, "the dialog's position", kInternal),
    Cab("Private", "the dialogs' own values, never stored"),
    kEnd};

const SKParamDef kCropMarks[] = {
    Bool("CropMarks", "crop marks around each placed page"),
    Word("CropStyle", CropMarkParamWords("CropStyle"), "the style of the crop marks"),
    Real("CropDist", 0, kLargestMark, "pt", "distance of the marks from the trimmed page"),
    Real("CropLength", 0, kLargestMark, "pt", "length of a mark"),
    Real("CropWidth", 0, 72, "pt", "line width of the marks"),
    Int("StyleNum", 1, 5, nullptr, "the crop-mark style browser's page", kInternal),
    kEnd};

// The per-imposition preferences a command's parameters may override.
const SKParamDef kPerImposition[] = {
    Word("Flatten", ImpositionPrefsParamWords("Flatten"), "which form fields and annotations are flattened (not set: the preference)"),
    Word("RegColour", ImpositionPrefsParamWords("RegColour"),
         "colour of the marks; UsePrefs takes the preference (not set: the preference)"),
    Word("PDFX", kPDFXWords, "what happens to PDF/X settings of the source (not set: the preference)"),
    Word("BleedMode", ImpositionPrefsParamWords("BleedMode"), "whether the pages' bleed is used (not set: the preference)"),
    Int("UseFormXObjects", 0, 2, nullptr, "how pages are placed: 0 as the preference says, 1 directly, 2 as forms (not set: the preference)"),
    Bool("Acro5Tr2Fix", "work around text drawn in render mode 2 (not set: the preference)"),
    Bool("Acro6OPIFix", "work around OPI comments (not set: the preference)"),
    kEnd};

// ---- Nup

const SKParamDef kNup[] = {
    Bool("NewDoc", "the sheets go into a new document; false: they replace the pages"),
    Size("Page", "the sheet: a blank size, or pages of a file as backgrounds", kKParamRequired, "nup.err.nosheet"),
    Word("PageOrientation", nup_detail::kOrientationWords, "the sheet's orientation; Best takes the one that needs fewer sheets"),
    Bool("UseScale", "false: pages at 100 % in a grid of FitAcross x FitDown; true: DoScaling applies. A page "
                     "larger than the sheet gets a larger sheet of its own, with a warning"),
    Word("DoScaling", nup_detail::kScalingWords,
         "ToFit: every page at the scale that fits the first page into a place of the FitAcross x FitDown grid (a "
         "larger page goes where it fits, fewer to a sheet, with a warning); Fixed: pages at FixedScale, as many as "
         "fit"),
    Real("FixedScale", kSmallestScale, kLargestScale, nullptr, "scale factor for DoScaling Fixed (0.7 = 70 %)"),
    Int("FitAcross", 0, kLargestGrid, "columns", "columns; 0 = as many as fit"),
    Int("FitDown", 0, kLargestGrid, "rows", "rows; 0 = as many as fit"),
    Bool("ExactFit", "with UseScale false: the run fails unless the layout gives exactly FitAcross x FitDown (not set: 0)"),
    Bool("UseMgn", "the margins, gaps, crop marks and frames apply"),
    Real("LMgn", 0, kLargestMargin, "pt", "left sheet margin"),
    Real("RMgn", 0, kLargestMargin, "pt", "right sheet margin"),
    Real("TMgn", 0, kLargestMargin, "pt", "top sheet margin"),
    Real("BMgn", 0, kLargestMargin, "pt", "bottom sheet margin"),
    List("HSpace", 0, kLargestMargin, kNupMaxGaps, "pt", "gaps between columns, used in turn"),
    List("VSpace", 0, kLargestMargin, kNupMaxGaps, "pt", "gaps between rows, used in turn"),
    Bool("Trim", "the sheet is cut to the placed pages instead of the full sheet size"),
    Bool("Frames", "a frame around each placed page"),
    Word("SheetAlign", NupParamWords("SheetAlign"),
         "where the block of pages sits on the sheet: B(ottom), T(op), L(eft), R(ight), C(entre)"),
    Bool("SheetAlignIndependent", "each sheet is aligned on its own"),
    Bool("EvenMirrorHorizontal", "on back sheets the alignment is mirrored left to right (not set: 0)"),
    Bool("EvenMirrorVertical", "on back sheets the alignment is mirrored top to bottom (not set: 0)"),
    Word("Align", NupParamWords("Align"), "the old alignment, read as SheetAlign", kInternal),
    kEnd};

// With a blank sheet the margins must leave room in the orientation asked for.
bool MarginsLeaveRoom(SKCab* p, double w, double h) {
  const double across = KCabGetDouble(p, "LMgn", 0) + KCabGetDouble(p, "RMgn", 0);
  const double down = KCabGetDouble(p, "TMgn", 0) + KCabGetDouble(p, "BMgn", 0);
  return across < w && down < h;
}

ASBool NupCrossCheck(SKCab* p, char* why, size_t size) {
  const bool useScale = KCabGetBool(p, "UseScale", 0);
  const bool toFit =
      KCabEkAtomToEnumTable(KCabGetAtom(p, "DoScaling", ASAtomNull), nup_detail::kScalingWords) == kNupToFit;
  if (useScale && toFit && KCabGetInt(p, "FitAcross", 0) == 0 && KCabGetInt(p, "FitDown", 0) == 0) {
    char most[64];
    KParamFormatNumber(kLargestGrid, most, sizeof most);
    FormatMessageByKeyUTF8(nullptr, "nup.err.nogrid",
                           "FitAcross and FitDown are both 0: with DoScaling ToFit give at least one of them, from 1 "
                           "to %s.",
                           why, size, "s", most);
    return 0;
  }
  SKCab* sheet = KCabGetCab(p, "Page");
  const bool blank = sheet && KCabGetType(sheet, "Width") == kKCabTypeDouble &&
                     KCabGetAtom(sheet, "Type", ASAtomNull) != ASAtomFromString("Background");
  if (!blank || !KCabGetBool(p, "UseMgn", 0)) return 1;
  const double a = KCabGetDouble(sheet, "Width", 0), b = KCabGetDouble(sheet, "Height", 0);
  const double small = std::fmin(a, b), large = std::fmax(a, b);
  bool room;
  switch (KCabEkAtomToEnumTable(KCabGetAtom(p, "PageOrientation", ASAtomNull), nup_detail::kOrientationWords)) {
    case kNupTall:
      room = MarginsLeaveRoom(p, small, large);
      break;
    case kNupWide:
      room = MarginsLeaveRoom(p, large, small);
      break;
    default:
      room = MarginsLeaveRoom(p, small, large) || MarginsLeaveRoom(p, large, small);
      break;
  }
  if (room) return 1;
  char w[64], h[64];
  KParamFormatNumber(a, w, sizeof w);
  KParamFormatNumber(b, h, sizeof h);
  FormatMessageByKeyUTF8(nullptr, "nup.err.margins",
                         "The margins LMgn + RMgn and TMgn + BMgn leave no room for pages on a sheet of %s x %s pt.",
                         why, size, "ss", w, h);
  return 0;
}

SKCab* BlankSize(double w, double h) {
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutDouble(page, "Width", w);
  KCabPutDouble(page, "Height", h);
  return page;
}

void NupExample(SKCab* p) {
  KCabPutCab(p, "Page", BlankSize(612, 792));
  KCabPutAtom(p, "PageOrientation", ASAtomFromString("Wide"));
  KCabPutBool(p, "UseScale", 1);
  KCabPutAtom(p, "DoScaling", ASAtomFromString("ToFit"));
  KCabPutInt(p, "FitAcross", 2);
  KCabPutInt(p, "FitDown", 1);
  KCabPutBool(p, "NewDoc", 1);
}

// Without UseMgn the margins, gaps, marks and frames are set to none; the
// scale keys belong to their scaling.
const SKParamUnread kNupUnread[] = {
    {"FixedScale", {"UseScale", "0"}},
    {"FixedScale", {"DoScaling", "ToFit"}},
    {"DoScaling", {"UseScale", "0"}},
    {"ExactFit", {"UseScale", "1"}},
    {"FitAcross", {"UseScale", "1"}, {"DoScaling", "Fixed"}},
    {"FitDown", {"UseScale", "1"}, {"DoScaling", "Fixed"}},
    {"LMgn", {"UseMgn", "0"}},
    {"RMgn", {"UseMgn", "0"}},
    {"TMgn", {"UseMgn", "0"}},
    {"BMgn", {"UseMgn", "0"}},
    {"HSpace", {"UseMgn", "0"}},
    {"VSpace", {"UseMgn", "0"}},
    {"CropMarks", {"UseMgn", "0"}},
    {"Frames", {"UseMgn", "0"}},
    {nullptr, {}}};

const SKParamDef* const kNupGroups[] = {kNup, kCropMarks, kPerImposition, kCommon, nullptr};
const SKParamTable kNupTable{"Nup",
                             "places several pages on each sheet, in a grid or as many as fit",
                             kNupGroups,
                             NupCrossCheck,
                             "With UseScale and DoScaling ToFit, FitAcross and FitDown may not both be 0. "
                             "With UseMgn, the margins must leave room on a blank sheet. "
                             "With DoScaling ToFit, the scale the grid gives must be at least 0.01.",
                             NupExample,
                             kNupUnread};

// ---- SimpleBooklet

const SKParamDef kBooklet[] = {
    Word("Paginate", BookletParamWords("Paginate"),
         "Consec: in order; Single: one saddle-stitched booklet; Multiple: signatures of PagesPerSig pages; "
         "CutStacks: cut and stacked"),
    Int("PagesPerSig", 0, kInsertMaxPages, "pages", "pages per signature for Multiple (rounded up to a multiple of 4)"),
    Bool("AddBlanks", "for Multiple: the last signature is filled with blank pages"),
    Bool("SingleSided", "for CutStacks: printed on one side"),
    Word("Sizing", BookletParamWords("Sizing"),
         "the sheet: Sufficient holds two pages side by side; LetterWide, A4Wide; Custom takes Page"),
    Size("Page", "the custom sheet for Sizing Custom"),
    Word("PageOrientation", kOrientationAnyWords, "the custom sheet's orientation (not set: as the size is stored)"),
    Word("Backs", BookletParamWords("Backs"), "where the backs of the sheets go"),
    Word("Align", BookletParamWords("Align"), "how the pages sit on the sheet"),
    Word("Fields", ImpositionPrefsParamWords("Flatten"), "read and kept; has no effect"),
    Bool("NewDoc", "the booklet goes into a new document"),
    Real("Margin", 0, kLargestMargin, "pt", "sheet margin"),
    Bool("NoScale", "pages at 100 %"),
    Bool("NoQuestions", "the wizard asks no questions once the settings are valid (not set: 0)"),
    Bool("Valid", "the wizard has been completed with these parameters", kInternal),
    Bool("Advanced", "the wizard's advanced pane is open", kInternal),
    kEnd};

void BookletExample(SKCab* p) {
  KCabPutAtom(p, "Paginate", ASAtomFromString("Single"));
  KCabPutAtom(p, "Sizing", ASAtomFromString("Sufficient"));
  KCabPutBool(p, "NewDoc", 1);
}

const SKParamUnread kBookletUnread[] = {
    {"PagesPerSig", {"Paginate", "Consec Single CutStacks"}},
    {"AddBlanks", {"Paginate", "Consec Single CutStacks"}},
    {"SingleSided", {"Paginate", "Consec Single Multiple"}},
    {"Page", {"Sizing", "Sufficient LetterWide A4Wide"}},
    {"PageOrientation", {"Sizing", "Sufficient LetterWide A4Wide"}},
    {nullptr, {}}};

const SKParamDef* const kBookletGroups[] = {kBooklet, kCropMarks, kPerImposition, kCommon, nullptr};
const SKParamTable kBookletTable{"SimpleBooklet", "imposes the pages as a booklet, two pages on each side of a sheet",
                                 kBookletGroups, nullptr, nullptr, BookletExample, kBookletUnread};

// ---- Shuffle

const SKParamDef kShuffle[] = {
    Text("Order", "the page-order rule: slots 1 to GroupSize separated by blanks, x for a blank page, "
                  "> * < to turn a page 90, 180 or 270 degrees"),
    Int("GroupSize", 1, kOrderListMaxGroup, "pages", "pages per group the rule is applied to"),
    Word("Type", OrderListParamWords("Type"), "how the slots of a group are gathered"),
    Bool("NewDoc", "the result goes into a new document"),
    Int("PreviewRows", 1, kLargestPageNumber, nullptr, "rows of one preview sheet", kInternal),
    Int("PreviewCols", 1, kLargestPageNumber, nullptr, "columns of one preview sheet", kInternal),
    Int("PageCount", 0, kLargestPageNumber, "pages", "pages the previews and the assistant assume", kInternal),
    Any("ListCat", "category of a stored rule list"),
    Any("ListName", "name of a stored rule list"),
    Any("FromAssistant", "the rule was written by the assistant"),
    Any("Front90", "the assistant's picture"),
    Any("Back180", "the assistant's picture"),
    Any("RotateFront", "the assistant's picture"),
    Any("#", "the assistant's cells"),
    Any("E#", "the assistant's cells"),
    kEnd};

// Every page token of the rule names a slot of the group, and one does at
// least; a slot used twice or left out is the user's choice.
ASBool ShuffleCrossCheck(SKCab* p, char* why, size_t size) {
  const char* rule = KCabGetString(p, "Order");
  const ASInt32 group = KCabGetInt(p, "GroupSize", 16);
  const char* rest = rule ? rule : "";
  while (*rest == ' ' || *rest == '\t' || *rest == '\r' || *rest == '\n') ++rest;
  if (!*rest) {
    FormatMessageByKeyUTF8(nullptr, "shuffle.err.order.empty",
                           "Order is empty: set Order, a page-order rule such as \"2 1\", see docs/parameters.md.",
                           why, size, "");
    return 0;
  }
  char error[kOrderListErrorSize];
  ASInt32 page = 0;
  EWhatRotate turn = kWhatRotateNone;
  bool anyPage = false;
  const char* cursor = rule;
  while (OrderListGetNextToken(&cursor, &page, &turn, error)) {
    if (page == -1) continue;
    if (page < 1 || page > group) {
      FormatMessageByKeyUTF8(nullptr, "shuffle.err.order.slot",
                             "Order names page %ld, which is refused: with GroupSize %ld the pages of a group are 1 "
                             "to %ld.",
                             why, size, "lll", (long)page, (long)group, (long)group);
      return 0;
    }
    anyPage = true;
  }
  if (error[0]) {
    FormatMessageByKeyUTF8(nullptr, "shuffle.err.order.syntax", "Order is refused: %s", why, size, "s", error);
    return 0;
  }
  if (!anyPage) {
    FormatMessageByKeyUTF8(nullptr, "shuffle.err.order.nopage",
                           "Order is refused: it names no page of the group (1 to %ld), only blanks.", why, size, "l",
                           (long)group);
    return 0;
  }
  return 1;
}

void ShuffleExample(SKCab* p) {
  KCabPutStringCopy(p, "Order", "2 1");
  KCabPutInt(p, "GroupSize", 2);
  KCabPutBool(p, "NewDoc", 1);
}

const SKParamDef* const kShuffleGroups[] = {kShuffle, kCommon, nullptr};
const SKParamTable kShuffleTable{"Shuffle",
                                 "reorders the pages group by group by a page-order rule",
                                 kShuffleGroups,
                                 ShuffleCrossCheck,
                                 "Order must name at least one page, and every page it names must lie from 1 to "
                                 "GroupSize. A page named twice or left out is allowed.",
                                 ShuffleExample};

// ---- EvenOddShuffle

const SKParamDef kEvenOdd[] = {
    Word("Action", EvenOddParamWords("Action"),
         "OddsFirst: odd pages before even ones; Split: odds and evens into two documents; "
         "Merge: OddAVDoc and EvenAVDoc merged alternately; No: only ReverseEven and FlipEven"),
    Bool("ReverseEven", "the even pages in reverse order"),
    Bool("FlipEven", "the even pages turned 180 degrees"),
    Bool("NewDoc", "the result goes into a new document (not set: 0)"),
    Any("OddAVDoc", "the document of odd pages for Merge (chosen in the dialog)"),
    Any("EvenAVDoc", "the document of even pages for Merge (chosen in the dialog)"),
    Any("OddAVDocId", "which open document OddAVDoc is, put by the dialog"),
    Any("EvenAVDocId", "which open document EvenAVDoc is, put by the dialog"),
    kEnd};

void EvenOddExample(SKCab* p) {
  KCabPutAtom(p, "Action", ASAtomFromString("OddsFirst"));
  KCabPutBool(p, "NewDoc", 1);
}

// Split and Merge always make new documents and move no page but by their rule.
const SKParamUnread kEvenOddUnread[] = {{"ReverseEven", {"Action", "Split Merge"}},
                                        {"FlipEven", {"Action", "Split Merge"}},
                                        {"NewDoc", {"Action", "Split Merge"}},
                                        {nullptr, {}}};

const SKParamDef* const kEvenOddGroups[] = {kEvenOdd, kCommon, nullptr};
const SKParamTable kEvenOddTable{"EvenOddShuffle", "separates, merges, reverses or turns odd and even pages",
                                 kEvenOddGroups, nullptr, nullptr, EvenOddExample, kEvenOddUnread};

// ---- TrimAndShift

const SKParamDef kTrimShift[] = {
    Bool("NewDoc", "work on a new document instead of the source"),
    Word("Trim", TrimShiftParamWords("Trim"),
         "Smaller: trim TrimBy from TrimEdge; Bigger: add it; Uniform: every page to FixedSize"),
    Word("TrimEdge", TrimShiftParamWords("TrimEdge"), "the edge trimmed"),
    Real("TrimBy", 0, kLargestPagePoints, "pt", "amount trimmed or added"),
    Size("FixedSize", "the size of every page for Trim Uniform (a blank size)"),
    Word("FixedSizeOrientation", kOrientationAnyWords, "the orientation of FixedSize (not set: as the size is stored)"),
    Word("Shift", TrimShiftParamWords("Shift"),
         "Fixed: every page by ShiftFrom; Variable: from ShiftFrom on the first page to ShiftTo on the last; "
         "Creep: for saddle stitching, ShiftFrom outside to ShiftTo inside"),
    Word("ShiftDir", TrimShiftParamWords("ShiftDir"), "the direction of the shift"),
    Real("ShiftFrom", -kLargestPagePoints, kLargestPagePoints, "pt", "shift of the first (or every, or outer) page"),
    Real("ShiftTo", -kLargestPagePoints, kLargestPagePoints, "pt", "shift of the last (or inner) page"),
    Int("CreepEvery", -kInsertMaxPages, kInsertMaxPages, "pages",
        "pages per creep signature; -n: the whole document, the amounts given for n pages"),
    Word("Normalise", kNormaliseWords, "Full: the page's origin is moved to the corner of its crop box"),
    Word("Source:Range:RangeType", kRangeTypeWords, "the pages worked on (not set: AllDoc)"),
    Page("Source:Range:From", "first page for SubDoc (not set: 1)"),
    Page("Source:Range:To", "last page for SubDoc (not set: the last page)"),
    Word("Source:Range:EvenOdd", kEvenOddWords, "all pages, or only the even or odd ones (not set: Both)"),
    kEnd};

void TrimShiftExample(SKCab* p) {
  KCabPutAtom(p, "Trim", ASAtomFromString("Smaller"));
  KCabPutAtom(p, "TrimEdge", ASAtomFromString("Top"));
  KCabPutDouble(p, "TrimBy", 36);
  KCabPutAtom(p, "Shift", ASAtomFromString("Fixed"));
  KCabPutAtom(p, "ShiftDir", ASAtomFromString("Right"));
  KCabPutDouble(p, "ShiftFrom", 18);
  KCabPutBool(p, "NewDoc", 1);
}

// Creep moves along the page's width, outward and inward by turns: no
// direction of its own.
const SKParamUnread kTrimShiftUnread[] = {
    {"TrimEdge", {"Trim", "None Uniform"}},
    {"TrimBy", {"Trim", "None Uniform"}},
    {"FixedSize", {"Trim", "None Smaller Bigger"}},
    {"FixedSizeOrientation", {"Trim", "None Smaller Bigger"}},
    {"ShiftDir", {"Shift", "None Creep"}},
    {"ShiftFrom", {"Shift", "None"}},
    {"ShiftTo", {"Shift", "None Fixed"}},
    {"CreepEvery", {"Shift", "None Fixed Variable"}},
    {"Source:Range:From", {"Source:Range:RangeType", "AllDoc CurrentPage", "AllDoc"}},
    {"Source:Range:To", {"Source:Range:RangeType", "AllDoc CurrentPage", "AllDoc"}},
    {nullptr, {}}};

// What a booklet maker needs to know of creep, as the engine does it (the
// counter and the alternating sign of the shift, and the booklet's order).
const char kCreepNotes[] =
    "Creep (`Shift` Creep) is for a saddle-stitched booklet, and runs as a step of its own on the pages before the "
    "booklet is made: `--command TrimAndShift` with Creep, then `--command SimpleBooklet` on its result (README.md "
    "has a recipe). The pages are taken in signatures of `CreepEvery` pages from the first page on. In each, the "
    "amount steps page by page, by (ShiftTo - ShiftFrom) / (CreepEvery / 2 - 1): `ShiftFrom` for its first and last "
    "page, `ShiftTo` for the two in its middle, so the two sides of one leaf differ by a step. Once the booklet is "
    "made, a positive amount moves a page away from the spine, towards the outer edge: odd pages, which lie right "
    "of the spine, to the right, even pages to the left. To move the inner pages towards the spine, as creep "
    "usually must, give a negative `ShiftTo`. `CreepEvery` is the booklet's page count rounded up to a multiple of "
    "4 for `Paginate` Single (the booklet adds the blank pages at the end), and its `PagesPerSig` rounded up the "
    "same way for `Paginate` Multiple; -n makes the whole document one signature, the amounts being given for a "
    "booklet of n pages and scaled to the document's length. When the `SimpleBooklet` that runs directly on the "
    "creep's result folds signatures of another size, kvhost refuses the run before anything runs and names the "
    "`CreepEvery` to set. The amounts are in the page's own units, before the booklet scales the page: 1 mm of "
    "creep on A4 pages made into an A5 booklet (at 71 %) moves 0.71 mm on the sheet.";

const SKParamDef* const kTrimShiftGroups[] = {kTrimShift, kCommon, nullptr};
const SKParamTable kTrimShiftTable{"TrimAndShift", "trims, enlarges or shifts the visible area of pages",
                                   kTrimShiftGroups, nullptr, nullptr, TrimShiftExample, kTrimShiftUnread, kCreepNotes};

// ---- InsertBlanks

const SKParamDef kInsert[] = {
    Word("Action", kActionWords, "Blanks: blank pages; File: the pages of DIPath or Path (not set: Blanks)", kRefuse),
    Int("Count", 1, kInsertMaxPages, "pages", "blank pages to insert"),
    Word("Where", InsertPagesParamWords("Where"), "where the pages go; AfterNum: after page PageNum", kRefuse),
    Page("PageNum", "the page AfterNum inserts after"),
    Word("WhatSize", InsertPagesParamWords("WhatSize"),
         "the blanks' size: SameAsCur the current page's, SameAsPage page SizeAsPage's, Custom Page", kRefuse),
    Page("SizeAsPage", "the page whose size the blanks take (not set or negative: page 1)"),
    Size("Page", "the blanks' size for WhatSize Custom"),
    Word("PageOrientation", kOrientationAnyWords, "the orientation of Page (not set: as the size is stored)"),
    Text("DIPath", "the file to insert from"),
    Text("Path", "the file to insert from (used when both are given)"),
    Word("Range", nullptr, "AllDoc: the whole file; another word: FromPage to ToPage (not set: AllDoc)"),
    Page("FromPage", "first page of the file (not set: 1)"),
    Page("ToPage", "last page of the file (not set: the last page)"),
    Int("Copies", 1, kInsertMaxPages, nullptr, "copies of the file's pages (not set: 1)"),
    Bool("Collate", "copies collated (not set: 1)"),
    Int("Offset", 0, kInsertMaxPages, nullptr, "sequence number of the first inserted background page (not set: 0)"),
    Word("Condition", InsertPagesParamWords("Condition"), "insert Always, or If, Unless or Until the relation holds (not set: Always)",
         kRefuse),
    Word("ConditionRelation", InsertPagesParamWords("ConditionRelation"),
         "the relation of the page count to ConditionNumber (not set: Even)", kRefuse),
    Int("ConditionNumber", 0, kLargestPageNumber, "pages", "the relation's number (not set: 0)"),
    kEnd};

// After a page needs the page: without one the pages would go before the
// first page, where nobody asked for them.
ASBool InsertCrossCheck(SKCab* p, char* why, size_t size) {
  if (KCabGetAtom(p, "Where", ASAtomNull) != ASAtomFromString("AfterNum")) return 1;
  const ASInt32 type = KCabGetType(p, "PageNum");
  if (type == kKCabTypeInt || type == kKCabTypeString) return 1;
  FormatMessageByKeyUTF8(nullptr, "insert.err.nopagenum",
                         "Where AfterNum needs PageNum, the page to insert after: a number from 1, or a text such as "
                         "\"last\".",
                         why, size, "");
  return 0;
}

void InsertExample(SKCab* p) {
  KCabPutInt(p, "Count", 1);
  KCabPutAtom(p, "Where", ASAtomFromString("AtEnd"));
  KCabPutAtom(p, "WhatSize", ASAtomFromString("SameAsPage"));
  KCabPutInt(p, "SizeAsPage", 1);
}

// Blank pages and a file's pages take keys of their own.
const SKParamUnread kInsertUnread[] = {
    {"Count", {"Action", "File", "Blanks"}},
    {"WhatSize", {"Action", "File", "Blanks"}},
    {"SizeAsPage", {"Action", "File", "Blanks"}},
    {"SizeAsPage", {"WhatSize", "SameAsCur Custom"}},
    {"Page", {"Action", "File", "Blanks"}},
    {"Page", {"WhatSize", "SameAsCur SameAsPage"}},
    {"PageOrientation", {"Action", "File", "Blanks"}},
    {"PageOrientation", {"WhatSize", "SameAsCur SameAsPage"}},
    {"Offset", {"Action", "File", "Blanks"}},
    {"Offset", {"WhatSize", "SameAsCur SameAsPage"}},
    {"DIPath", {"Action", "Blanks", "Blanks"}},
    {"Path", {"Action", "Blanks", "Blanks"}},
    {"Range", {"Action", "Blanks", "Blanks"}},
    {"FromPage", {"Action", "Blanks", "Blanks"}},
    {"FromPage", {"Range", "AllDoc", "AllDoc"}},
    {"ToPage", {"Action", "Blanks", "Blanks"}},
    {"ToPage", {"Range", "AllDoc", "AllDoc"}},
    {"Copies", {"Action", "Blanks", "Blanks"}},
    {"Collate", {"Action", "Blanks", "Blanks"}},
    {"PageNum", {"Where", "BeforeCur AfterCur AtStart AtEnd NewDoc"}},
    {"ConditionRelation", {"Condition", "Always", "Always"}},
    {"ConditionNumber", {"Condition", "Always", "Always"}},
    {"ConditionNumber", {"ConditionRelation", "Odd Even", "Even"}},
    {nullptr, {}}};

const SKParamDef* const kInsertGroups[] = {kInsert, kCommon, nullptr};
const SKParamTable kInsertTable{"InsertBlanks", "inserts blank pages, or the pages of another file",
                                kInsertGroups, InsertCrossCheck, "Where AfterNum needs PageNum.", InsertExample,
                                kInsertUnread};

// ---- CreateSample

const SKParamDef kSample[] = {
    Int("Count", 1, kInsertMaxPages, "pages", "number of pages"),
    Word("UseSize", SampleParamWords("UseSize"), "the page size; Custom takes Page"),
    Size("Page", "the page size for UseSize Custom"),
    Word("PageOrientation", kOrientationAnyWords, "the orientation of Page (not set: as the size is stored)"),
    kEnd};

void SampleExample(SKCab* p) {
  KCabPutInt(p, "Count", 4);
  KCabPutAtom(p, "UseSize", ASAtomFromString("A4"));
}

const SKParamUnread kSampleUnread[] = {
    {"Page", {"UseSize", "Letter HalfLetter A4 A5 WideLetter WideA4"}},
    {"PageOrientation", {"UseSize", "Letter HalfLetter A4 A5 WideLetter WideA4"}},
    {nullptr, {}}};

const SKParamDef* const kSampleGroups[] = {kSample, kCommon, nullptr};
const SKParamTable kSampleTable{"CreateSample", "makes a new document of numbered sample pages", kSampleGroups,
                                nullptr, nullptr, SampleExample, kSampleUnread};

// ---- Join2Pages and ReversePageOrder

const SKParamDef* const kJoinGroups[] = {kCommon, nullptr};
const SKParamTable kJoinTable{"Join2Pages", "joins the current page and the next one side by side", kJoinGroups,
                              nullptr, nullptr, nullptr};

const SKParamDef kReverse[] = {Bool("NewDoc", "the reversed pages go into a new document (not set: 0)"), kEnd};
void ReverseExample(SKCab* p) { KCabPutBool(p, "NewDoc", 1); }
const SKParamDef* const kReverseGroups[] = {kReverse, kCommon, nullptr};
const SKParamTable kReverseTable{"ReversePageOrder", "reverses the order of the pages", kReverseGroups, nullptr,
                                 nullptr, ReverseExample};

const SCommandParams kCommands[] = {{&kSampleTable, NewCmdMgrForCreateTestFile},
                                    {&kInsertTable, NewCmdMgrForInsertBlanks},
                                    {&kTrimShiftTable, NewCmdMgrForTrimAndShift},
                                    {&kBookletTable, NewCmdMgrForBooklet},
                                    {&kShuffleTable, NewCmdMgrForShuffle},
                                    {&kEvenOddTable, NewCmdMgrForEvenOddShuffle},
                                    {&kNupTable, NewCmdMgrForNup},
                                    {&kJoinTable, NewCmdMgrForJoin2Pages},
                                    {&kReverseTable, NewCmdMgrForReverseDocument},
                                    {nullptr, nullptr}};

}  // namespace

const SCommandParams* CommandParamsList() { return kCommands; }

const SKParamTable* CommandParamTable(const char* command) {
  for (const SCommandParams* c = kCommands; command && c->table; ++c)
    if (std::strcmp(c->table->command, command) == 0) return c->table;
  return nullptr;
}

const SKParamDef* CommandParamDef(const char* command, const char* key) {
  return KParamTableFind(CommandParamTable(command), key);
}

ASInt32 CommandParamMinInt(const char* command, const char* key) {
  const SKParamDef* def = CommandParamDef(command, key);
  return def ? (ASInt32)def->min : 0;
}

ASInt32 CommandParamMaxInt(const char* command, const char* key) {
  const SKParamDef* def = CommandParamDef(command, key);
  return def ? (ASInt32)def->max : 2147483647;
}

ASBool CommandParamsAccepted(SKCab* run, const char* command) {
  SKCab* params = KCabGetCab(run, "Params");
  const SKParamTable* table = CommandParamTable(command);
  if (!params || !table) return 1;
  char why[1200];
  if (KParamCheck(table, params, kKParamCheckRun, why, sizeof why)) {
    // The process manager has moved the source and its range out of the
    // parameters into the run: the modes they set are read there.
    KCabHolder view;
    SKCab* source = KCabGetCab(run, "Source");
    if (source && !KCabKnown(params, "Source")) {
      view.Reset(KCabDup(params));
      KCabPutCab(view.get(), "Source", KCabDup(source));
    }
    KParamWarnUnread(table, view.get() ? view.get() : params, KCabGetCab(params, kKParamGivenKey));
    return 1;
  }
  ParamError(run, why);
  return 0;
}

void DescribeParamRefusal(SKCab* lines, const char* command, SKCab* params) {
  const SKParamTable* table = CommandParamTable(command);
  if (!lines || !params || !table) return;
  char why[1200];
  if (KParamCheck(table, params, kKParamCheckLook, why, sizeof why)) return;
  char line[1300];
  FormatMessageByKeyUTF8(nullptr, "kparam.desc.refused", "A run refuses these parameters: %s", line, sizeof line, "s",
                         why);
  KCabPutStringCopy(lines, "", line);
}

namespace {

bool WordIs(SKCab* params, const char* key, const char* word) {
  const ASAtom a = KCabGetAtom(params, key, ASAtomNull);
  return a != ASAtomNull && std::strcmp(ASAtomGetString(a), word) == 0;
}

}  // namespace

// Creep is worked out in signatures of CreepEvery pages: the booklet made
// directly of its pages must fold them in signatures of that size, or its
// outer and inner leaves get each other's amounts.
ASBool CheckFollowingRun(const char* first, SKCab* firstParams, ASInt32 firstPages, const char* next,
                         SKCab* nextParams, char* why, size_t size) {
  if (!first || !next || std::strcmp(first, "TrimAndShift") != 0 || std::strcmp(next, "SimpleBooklet") != 0) return 1;
  if (!WordIs(firstParams, "Shift", "Creep")) return 1;
  const ASInt32 every = KCabGetInt(firstParams, "CreepEvery", 0);
  if (every < 0) return 1;  // the whole document, whatever its length
  ASInt32 signature = 0;
  char how[200];
  if (WordIs(nextParams, "Paginate", "Multiple")) {
    const ASInt32 perSig = KCabGetInt(nextParams, "PagesPerSig", 16);
    signature = BookletSignatureSize(perSig);
    FormatMessageByKeyUTF8(nullptr, "creep.how.multiple", "Paginate Multiple with PagesPerSig %d", how, sizeof how,
                           "d", (int)perSig);
  } else if (WordIs(nextParams, "Paginate", "Single")) {
    // The page count is known only of the document the creep runs on, and
    // only when it works on all of it.
    const bool allDoc = KCabGetType(firstParams, "Source:Range:RangeType") == kKCabTypeAbsent ||
                        WordIs(firstParams, "Source:Range:RangeType", "AllDoc");
    if (firstPages < 0 || !allDoc) return 1;
    signature = std::max(4, (int)(((ASInt64)firstPages + 3) / 4 * 4));
    FormatMessageByKeyUTF8(nullptr, "creep.how.single", "Paginate Single on %d pages", how, sizeof how, "d",
                           (int)firstPages);
  } else {
    return 1;
  }
  if (every == signature) return 1;
  FormatMessageByKeyUTF8(nullptr, "creep.err.signature",
                         "The creep of TrimAndShift is worked out for signatures of %d pages (CreepEvery %d), but the "
                         "SimpleBooklet that follows folds signatures of %d pages (%s): give the TrimAndShift --set "
                         "CreepEvery=%d.",
                         why, size, "dddsd", (int)every, (int)every, (int)signature, how, (int)signature);
  return 0;
}

KV_COMMAND_MODULE(.CommandParamTable = CommandParamTable, .CheckFollowingRun = CheckFollowingRun)
