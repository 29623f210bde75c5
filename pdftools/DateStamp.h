// PDF date stamps ("D:%Y%m%d%H%M%S", local time, no time zone) and their
// display.
#pragma once

#include <cstddef>

#include "host/Cos.h"

// The current local time as a stamp, at most size bytes with the NUL
// (17 hold it whole); the host's fixed time in UTC when it has one. Returns
// buffer.
char* GetAcrobatTimeStamp(char* buffer, size_t size);
// A new string object in cosDoc holding the current stamp.
CosObj NewAcrobatTimeStampObj(CosDoc cosDoc, ASBool indirect);

// Room FormatAcrobatTimeStampString writes into; longer texts are cut.
constexpr size_t kTimeStampDisplaySize = 100;
// A PDF date for display in out (kTimeStampDisplaySize bytes): " 5 Jan 2006"
// (day, month name from the messages, year), or "2006/01/05  " when the
// message "common.language" is "JP", followed by " 14:30:00" when the date
// has the time. A date of 9 bytes or fewer, or one that does not begin with
// "D:", gives the message "util1.date.unknown". length < 0: up to the NUL.
void FormatAcrobatTimeStampString(const char* date, ASInt32 length, char* out);
