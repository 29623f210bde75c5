#include "pdftools/DateStamp.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "foundation/MessageTable.h"
#include "host/ASTime.h"

namespace {

// Appends to a bounded text, cutting what does not fit.
struct BoundedText {
  char* out;
  size_t size;
  size_t used = 0;

  BoundedText(char* o, size_t s) : out(o), size(s) { out[0] = 0; }
  void Add(const char* text, size_t n) {
    size_t room = size - 1 - used;
    if (n > room) n = room;
    std::memcpy(out + used, text, n);
    used += n;
    out[used] = 0;
  }
  void Add(const char* text) { Add(text, std::strlen(text)); }
  void Add(char c) { Add(&c, 1); }
};

const char* MonthKey(char tens, char units) {
  static const char* const kMonths[] = {"util1.date.jan", "util1.date.feb", "util1.date.mar",
                                        "util1.date.apr", "util1.date.may", "util1.date.jun",
                                        "util1.date.jul", "util1.date.aug", "util1.date.sep"};
  if (tens == '1') {
    if (units == '0') return "util1.date.oct";
    if (units == '1') return "util1.date.nov";
    if (units == '2') return "util1.date.dec";
    return nullptr;
  }
  if (units >= '1' && units <= '9') return kMonths[units - '1'];
  return nullptr;
}

}  // namespace

char* GetAcrobatTimeStamp(char* buffer, size_t size) {
  if (!buffer || size == 0) return buffer;
  std::time_t now = (std::time_t)ASHostGetTime();
  std::tm local{};
  if (ASHostTimeIsFixed()) gmtime_r(&now, &local);
  else localtime_r(&now, &local);
  std::snprintf(buffer, size, "D:%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}

CosObj NewAcrobatTimeStampObj(CosDoc cosDoc, ASBool indirect) {
  char stamp[50];
  GetAcrobatTimeStamp(stamp, sizeof stamp);
  return CosNewString(cosDoc, indirect, stamp, std::strlen(stamp));
}

void FormatAcrobatTimeStampString(const char* date, ASInt32 length, char* out) {
  if (!out) return;
  BoundedText text(out, kTimeStampDisplaySize);
  text.Add(GetMessageFromTableByKey(gSystemMessageTable, "util1.date.unknown"));
  if (!date) return;
  size_t n = length < 0 ? std::strlen(date) : (size_t)length;
  if (n <= 9 || date[0] != 'D' || date[1] != ':') return;

  text = BoundedText(out, kTimeStampDisplaySize);
  if (std::strcmp(GetMessageFromTableByKey(gSystemMessageTable, "common.language"), "JP") != 0) {
    text.Add(date[8] == '0' ? ' ' : date[8]);
    text.Add(date[9]);
    text.Add(' ');
    // The month name, padded to three characters so that short names keep
    // the column, and the year after it whatever its length.
    const char* key = MonthKey(date[6], date[7]);
    const char* month = key ? GetMessageFromTableByKey(gSystemMessageTable, key) : "";
    size_t monthLength = std::strlen(month);
    text.Add(month, monthLength);
    for (; monthLength < 3; ++monthLength) text.Add(' ');
    text.Add(' ');
    text.Add(date + 2, 4);
  } else {
    text.Add(date + 2, 4);
    text.Add('/');
    text.Add(date + 6, 2);
    text.Add('/');
    text.Add(date + 8, 2);
    text.Add("  ");
  }
  if (n > 15) {
    const char time[] = {' ', date[10], date[11], ':', date[12], date[13], ':', date[14], date[15]};
    text.Add(time, sizeof time);
  }
}
