// What the engine's own modules share about the page-merge record: writing
// into the open sheet (or the form being written) and the state check.
#pragma once

#include <cstddef>

#include "engine/PageMerge.h"

// Raises pageMergeExceptionWrongState unless the record is in that state.
void PageMergeCheckState(SPageMergeInfo* info, ASInt32 state);

// Bytes (NULs included) into the current content; needs an open sheet.
void PageMergeWriteBytes(SPageMergeInfo* info, const char* data, size_t length);
// printf-style text in the C locale; needs an open sheet.
void PageMergeWriteFormat(SPageMergeInfo* info, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Moves the pending output into the current content file.
void PageMergeFlush(SPageMergeInfo* info);
// Flushes and ends the current temporary stream's segment.
void PageMergeEndSegment(SPageMergeInfo* info);
// Points as the engine writes them: the 16.16 value through single precision.
inline float PageMergePoints(ASFixed value) { return (float)value / 65536.0f; }
