// Printer's marks on imposed sheets: corner crop marks round every placed
// page, outer corner marks (Japanese styles), centre marks with cross bars
// and circles, gutter marks between neighbouring pages and thin frames. All
// of it is written into the open sheet of a page-merge record, inside
// "KRVL_regmark" marked content, in the registration colour of the marks.
#pragma once

#include "engine/EnginePrefs.h"
#include "host/ASTypes.h"

struct SKCab;
struct SKCabEnumWord;
struct SPageMergeInfo;

// Cabinet key "CropStyle": "Corners", "Japanese", "CornersMid", "JapaneseMid", "KoreanMid".
enum ECropMarkStyle : ASInt32 {
  kCropCorners = 0,
  kCropJapanese = 1,
  kCropCornersMid = 2,
  kCropJapaneseMid = 3,
  kCropKoreanMid = 4
};

// Omit bits: one per corner mark. Horizontal marks extend the top or bottom
// edge, vertical marks the left or right edge.
enum : ASUns16 {
  kOmitTopRightH = 1,
  kOmitTopRightV = 2,
  kOmitTopLeftH = 4,
  kOmitTopLeftV = 8,
  kOmitBottomRightH = 16,
  kOmitBottomRightV = 32,
  kOmitBottomLeftH = 64,
  kOmitBottomLeftV = 128,
  kOmitAllMarks = 255  // no marks at all
};

struct SCropMarkDesc {
  ASUns32 size;            // 28: copies take this many bytes from the source
  ERegColour colour;       // 3: the preference gRegistrationColour
  ASUns16 omit;            // omit bits
  ASUns16 measuresValid;   // 0: distance, length and width come from the language default
  ASFixed distance;        // from the page's edge line to the start of a mark
  ASFixed length;
  ASFixed lineWidth;
  ECropMarkStyle style;
};
static_assert(sizeof(SCropMarkDesc) == 28, "the record's size is stored in it");

// The words of the styles (null-terminated table for the cabinet maps).
const char* CropMarkStyleWord(ECropMarkStyle style);
ECropMarkStyle CropMarkStyleFromAtom(ASAtom word);

// The language default: Japanese when the message "common.language" is
// "JP", else Corners. Shared and read-only.
const SCropMarkDesc* DefaultCropMarkDesc();
// The built-in description of the style (unknown styles: Corners) into out.
SCropMarkDesc* DefaultCropMarkDescForStyle(SCropMarkDesc* out, ECropMarkStyle style);
// A complete description from a request (null: the language default):
// missing measures come from the language default.
SCropMarkDesc* ResolveCropMarkRequest(SCropMarkDesc* out, const SCropMarkDesc* request);

// "CropMarks" = on and the language default's measures and style.
void InitialiseCropMarkParams(SKCab* params, ASBool on);
// The description the parameters ask for: the style's defaults with
// "CropDist", "CropLength" and "CropWidth" (points) over them.
SCropMarkDesc* FillCropMarkDescFromCab(SCropMarkDesc* out, SKCab* params);

// Corner, outer and centre marks of the page rectangle, in sheet
// coordinates. The matrix and properties are not used (always null here).
void AddCropMarksWithMatrix(SPageMergeInfo* info, ASFixed left, ASFixed bottom, ASFixed right, ASFixed top,
                            const ASFixedMatrix* matrix, const SCropMarkDesc* desc, const void* properties);
void AddCropMarks(SPageMergeInfo* info, ASFixed left, ASFixed bottom, ASFixed right, ASFixed top,
                  const SCropMarkDesc* desc);
// Gutter marks between a page and its neighbour to the right (horizontal;
// first: at the tops, second: at the bottoms) or below (first: at the left
// edges, second: at the right edges). Only the Japanese and Korean styles.
void AddInterPageCropMarks(SPageMergeInfo* info, ASFixedRect page, ASFixedRect neighbour, ASBool horizontal,
                           ASBool first, ASBool second, const SCropMarkDesc* desc);
// Strokes the rectangle (points) with a 0.3 point line.
void AddFrame(SPageMergeInfo* info, double x0, double y0, double x1, double y1, ERegColour colour);

// Warns when marks drawn on the record's finished sheets reach beyond them:
// on how many sheets of how many, the first, by how much, and how much
// margin round a page the marks need (CropDist + CropLength of desc), in
// points and millimetres. Nothing when all stayed on their sheets.
void WarnCropMarksOffSheet(const SPageMergeInfo* info, const SCropMarkDesc* desc);

// The words of "CropStyle" (null for another key).
const SKCabEnumWord* CropMarkParamWords(const char* key);
