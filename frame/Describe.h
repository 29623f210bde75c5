// Pieces of the lines that describers write into a command's history item.
// Each line is appended to the description cabinet under the empty key, so
// the lines keep their order.
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;

// Texts owned by the message table; "common.unknownorbad" for values out of range.
const char* EdgeDescription(ASInt32 edge);            // top, bottom, left, right
const char* DirectionDescription(ASInt32 direction);  // up, down, left, right
const char* PageAlignDescription(ASInt32 alignment);  // bottom-left ... centre
const char* YesNoDescription(ASBool flag);

// Prints the entry under key with format (one integer) into out (size bytes);
// a string entry is printed with the format's first integer conversion
// ("%3d", "%i", "%lu", ...; "%%" is none) made %s. A format that does not fit
// the value prints the value alone. An absent entry prints defaultValue.
// Returns the length written.
ASInt32 SPrintfUnboundedIntOrStringDecimalFormat(SKCab* cab, const char* key, ASInt32 defaultValue, char* out,
                                                  size_t size, const char* format);
void DescribeRangeWithCustomData(SKCab* description, SKCab* params, ASAtom evenOdd, ASAtom rangeType,
                                 const char* fromKey, const char* toKey, const char* forKey, const char* stepKey);
void DescribeRange(SKCab* description, SKCab* params);
