// The text-render-mode work-around. Older hosts draw text in render mode 2
// (fill, then stroke) wrongly under a translated coordinate system. The test
// looks for mode 2 and for irregularly nested text objects; the fix moves the
// translation in force at each BT out of the transformation matrix and into
// the text matrix, inside marked content tagged "KRVL_TrBugFix" (and
// "KRVL_TrBugFix2", which keeps the replaced text matrix under "Orig").
//
// A text object is rewritten only when it holds nothing but text, colour,
// graphics-state and marked-content operators: one that nests another, saves
// or restores the graphics state, changes the matrix, paints paths, images or
// shadings, installs a soft mask or is never closed is left as it is, so that
// everything keeps its place on the page.
#pragma once

#include <vector>

#include "host/PD.h"
#include "pdftools/PDFStatement.h"

// Anomaly bits of the test.
enum : ASUns32 {
  kTr2QInText = 1,         // q inside a text object
  kTr2TooManyQ = 2,        // more Q than q
  kTr2RestoreInText = 4,   // Q inside a text object
  kTr2NestedBT = 8,        // BT inside a text object
  kTr2BadET = 16,          // ET that does not close exactly one text object
  kTr2PathInText = 32,     // c cm h l m n re v inside a text object
  kTr2TmOutsideText = 64   // Tm outside a text object (or in a nested one)
};

// Results of TestTr2InPage.
enum : ASUns32 { kTr2Mode2Seen = 1, kTr2Anomalies = 2 };

struct STr2TestState {
  ASInt32 textDepth;
  ASInt32 saveDepth;
  ASUns32 anomalies;
  ASBool mode2Seen;
  // Which text objects (numbered by their BT, nested ones included) the fix
  // must leave alone; null when nobody asks.
  std::vector<bool>* unfixable;
  ASInt32 open;      // number of the outermost open text object, -1 outside
  ASInt32 nesting;   // text objects open
  CosObj extGStates; // the page's ExtGState dictionary (soft masks)
};

struct STr2FixState {
  ASBool inText;
  ASBool fixThis;
  ASInt32 depth;                      // q depth; matrices[depth] is in force
  std::vector<ASFixedMatrix> matrices;  // any depth
  ASFixedMatrix atBT;
  // The translation taken out at BT, in the coordinates the matrix at BT
  // maps from (the translation itself when that matrix only translates).
  double moveH, moveV;
  const std::vector<bool>* unfixable;
  ASInt32 textObjects;  // BT statements met so far
  ASInt32 nesting;
};

// 1 when a "Tr" with operand 2 occurs, plus 2 when any anomaly bit was set.
ASUns32 TestTr2InPage(PDPage page);
// With testFirst set and a test result of 0, returns 1 and leaves the page.
// Otherwise rewrites the page's contents; returns true when anything changed.
ASBool FixTr2InPage(PDPage page, ASBool testFirst);

ASBool IsTr2InPageCallback(void* data, PDPage page, char* buffer, ASInt32* length, ASInt32 capacity, char* op,
                           EPDFVerb verb);
ASBool FixTr2Callback(void* data, PDPage page, char* buffer, ASInt32* length, ASInt32 capacity, char* op,
                      EPDFVerb verb);
