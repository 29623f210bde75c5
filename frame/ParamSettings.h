// Parameters given one at a time as "KEY=VALUE" text, as a command line
// gives them: each value is read as the kind the command's parameter table
// gives its key, and stored as a parameter file would store it, so that the
// table's checks and the command history treat both the same.
//
//   true or false   1, 0, true, false, yes, no
//   whole numbers   12, -3
//   numbers         0.7; a length (a key in points) takes a unit: 10mm,
//                   1.5cm, 0.5in, 18pt, or none for points
//   number lists    blank-separated, each as a number or a length
//   words, text     as written
//   page sizes      a name of the page-size collection, else a standard
//                   name (A4, SRA3, Letter: PageSizeFromStandardName), in
//                   any letter case; or width x height: 85x55mm,
//                   8.5 x 11 in, 210mm x 297mm. A size with its orientation
//                   written in ("A4 landscape") is refused with the key
//                   that takes it (PageOrientation=Wide).
//
// A key inside a group takes its path ("Page:Width"); a key the table does
// not know is kept as text, and the table's check warns about it.
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;
struct SKParamTable;

// Stores the setting over params. False, with why naming the key and what it
// takes, when the text is no KEY=VALUE or its value does not read as the
// key's kind; params is then unchanged. A null params only reads the key. sizes is the page-size collection
// whose names a page size may take (null: none).
ASBool KVParamSettingApply(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, char* why,
                           size_t size);

// The same, then the value alone checked by the table without a word shown:
// false, with the table's refusal in why, for a value out of range (params
// holds it all the same), and for a key the table does not have (naming its
// nearest keys): what is checked so is typed, and read strictly.
ASBool KVParamSettingCheck(const SKParamTable* table, SKCab* sizes, SKCab* params, const char* setting, char* why,
                           size_t size);
