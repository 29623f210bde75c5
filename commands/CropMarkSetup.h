// The crop-mark setup dialog and the crop-mark keys of a command's parameters
// ("CropStyle", "CropDist", "CropWidth", "CropLength"; measures in points).
#pragma once

#include "host/AS.h"

struct SKCab;

// The dialog on params; true on OK, with the chosen values stored in params.
ASBool CropMarkSetup(SKCab* params);
// Puts the default style's values for each crop-mark key that is absent.
void CropMarkFillInMissingParams(SKCab* cab);
// Appends the one-line description of params' crop marks (empty key) to lines.
void CropMarkDescriber(SKCab* lines, SKCab* params);
