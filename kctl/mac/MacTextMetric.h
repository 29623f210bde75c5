// Text conversion and measuring of the dialog layer.
//
// The application's local text encoding is UTF-8 on this platform, so a
// conversion to or from it is a validated copy (what is not well-formed becomes
// '?') or a UTF-16 encode/decode, both by the foundation's one text codec
// (foundation/TextConv.h). Conversions never write more than they are given and
// never cut inside a character; output that had to be cut still counts as a
// success, as the platform converter's "output full" result did.
#pragma once

#include "host/ASTypes.h"

// Flags passed with every text.
enum : ASUns32 {
  kMacTextFlagClassicMeasure = 0x2,
  kMacTextFlagSmallFont = 0x100,
  kMacTextFlagMacRoman = 0x1000,
  kMacTextFlagPlatformUnicode = 0x2000,
  kMacTextFlagUTF8 = 0x4000
};

// A per-dialog (or per-run) context, zeroed when made; what the measuring
// roads need is made on first use.
struct SMacTextMetricDesc {
  ASInt32 toUnicodeEncoding;    // encoding the to-Unicode converter was made for (0: none yet)
  ASInt32 fromUnicodeEncoding;  // encoding the from-Unicode converter was made for
  void* measuring;              // state of the measuring roads, owned by the context
  void (*destroyMeasuring)(void* measuring);  // frees `measuring`; set by whoever made it
};

SMacTextMetricDesc* NewMacTextMetricDesc();
void DestroyMacTextMetricDesc(SMacTextMetricDesc* desc);  // null accepted

// UTF-8 (flag 0x4000) or platform Unicode (0x2000, srcLength in bytes) into
// the local encoding. Local text (neither flag) is copied. *dstLength gets the
// bytes written (no terminator). False on failure (Mac Roman requests).
ASBool MacTextMetricConvertToLocalEncoding(SMacTextMetricDesc* desc, const void* src, char* dst, ASInt32 srcLength,
                                           ASInt32 dstMax, ASInt32* dstLength, ASUns32 flags);
// Terminated source; writes at most dstSize - 1 bytes and a zero.
ASBool MacTextMetricConvertToLocalEncodingTerm(SMacTextMetricDesc* desc, const void* src, char* dst,
                                               ASInt32 dstSize, ASUns32 flags);
// The local encoding into UTF-8 (flag 0x4000) or platform Unicode (0x2000).
// *dstLength gets the bytes written.
ASBool MacTextMetricConvertFromLocalEncoding(SMacTextMetricDesc* desc, const char* src, void* dst,
                                             ASInt32 srcLength, ASInt32 dstMax, ASInt32* dstLength, ASUns32 flags);
// Terminated source; UTF-8 output gets at most dstSize - 1 bytes and a zero,
// UTF-16 output at most dstSize - 2 bytes and a 16-bit zero.
ASBool MacTextMetricConvertFromLocalEncodingTerm(SMacTextMetricDesc* desc, const char* src, void* dst,
                                                 ASInt32 dstSize, ASUns32 flags);
// Any input form (terminated) into platform Unicode: at most outBytes / 2
// units, *units gets the count (no terminator written).
ASBool MacTextMetricToUnicode(SMacTextMetricDesc* desc, const void* text, ASUns16* out, ASInt32 outBytes,
                              ASInt32* units, ASUns32 flags);

// Problem reports. The first report the user cancels silences the rest.
void MacTextMetricReportProblem(const char* text);
void MacTextMetricReportMacOSProblem(const char* where, ASInt32 error);
// Reports are shown again after a cancel silenced them (tests).
void MacTextMetricForgetSilence();

// Measuring. Sizes come from the platform's font model, so the same text in
// the same font always measures the same.
//
// Width and height of one line; 1 on success, 0 on failure.
ASInt32 GetMacTextMetricsSingleLine(SMacTextMetricDesc* desc, const void* text, ASUns32 flags, ASInt32* width,
                                    ASInt32* height);
// Size of a text laid out as a block at most maxWidth wide; *wrapped says
// whether it was laid out as several lines. 1 on success, 0 on failure.
ASInt32 GetMacTextMetricsTextBlock(SMacTextMetricDesc* desc, const void* text, ASUns32 flags, ASInt32 maxWidth,
                                   ASInt32* width, ASInt32* height, ASInt16* wrapped);
// The appearance theme's dimensions of a terminated text; a wrap width below
// 1 measures one line. 1 on success, 0 when the text forms no platform string.
ASInt32 GetMacThemeTextMetrics(const void* text, ASUns32 flags, ASInt32* width, ASInt32* height, ASInt32 wrapWidth);
