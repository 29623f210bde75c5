#include "kctl/mac/DialogHelpers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kctl/mac/MacDialogItems.h"

ASInt32 StringToFloat(const char* text, double* value) {
  if (!text) return 0;
  const char* p = text;
  double sign = 1.0;
  if (*p == '+' || *p == '-') {
    if (*p == '-') sign = -1.0;
    ++p;
  }
  double parts[2] = {0.0, 0.0};
  int part = 0;
  bool seen = false;     // a digit or separator of the current part
  bool inFraction = false;
  double scale = 0.1;
  for (; *p; ++p) {
    char c = *p;
    if (c >= '0' && c <= '9') {
      if (inFraction) {
        parts[part] += (c - '0') * scale;
        scale /= 10.0;
      } else {
        parts[part] = parts[part] * 10.0 + (c - '0');
      }
      seen = true;
    } else if (c == '.' || c == ',') {
      if (inFraction) return 0;
      inFraction = true;
      seen = true;
    } else if (c == '/' && part == 0 && seen) {
      part = 1;
      seen = false;
      inFraction = false;
      scale = 0.1;
    } else {
      return 0;
    }
  }
  if (!seen) return 0;
  double result = parts[0];
  if (part == 1) {
    if (parts[1] == 0.0) return 0;
    result /= parts[1];
  }
  result *= sign;
  // A run of digits too long for a double is no number.
  if (!std::isfinite(result)) return 0;
  if (value) *value = result;
  return 1;
}

ASBool StringToInt32(const char* text, ASInt32* value) {
  if (!text) return 0;
  const char* p = text;
  while (*p && std::isspace((unsigned char)*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!(*p >= '0' && *p <= '9')) return 0;
  int64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > (int64_t)INT32_MAX + 1) return 0;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return 0;
  if (value) *value = (ASInt32)v;
  return 1;
}

void SetControlTextFromDouble4p(SMacDialogInfo* dialog, ASInt32 id, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", value);
  size_t n = std::strlen(text);
  // Trailing zeros go, then a separator left bare; the format may use either separator.
  if (std::strchr(text, '.') || std::strchr(text, ',')) {
    while (n > 0 && text[n - 1] == '0') text[--n] = 0;
    if (n > 0 && (text[n - 1] == '.' || text[n - 1] == ',')) text[--n] = 0;
  }
  MacDialogSetItemText(dialog, id, text);
}

void CentreDialog(SMacDialogInfo* dialog) {
  PfRect screen = MacGetScreenBoundsForActiveAVDoc();
  ASInt32 w = 0, h = 0;
  MacGetDialogSize(dialog, &w, &h);
  ASInt32 left = screen.left + std::max(0, PfRectWidth(screen) - w) / 2;
  ASInt32 top = screen.top + std::max(0, PfRectHeight(screen) - h) / 2;
  MacSetDialogPos(dialog, left, top);
}

void SetVisibleDialogPos(SMacDialogInfo* dialog, ASInt32 x, ASInt32 y) {
  if (!dialog || !dialog->dialog) return;
  PfRect desk = PfDesktopGrayBounds();
  // The whole window, title bar and frame included, is to end on the desktop;
  // the place given is the frame's top-left.
  PfWindowRef window = PfGetDialogWindow(dialog->dialog);
  PfRect frame{};
  PfGetWindowBounds(window, kPfWindowStructureRgn, &frame);
  ASInt32 w = PfRectWidth(frame), h = PfRectHeight(frame);
  ASInt32 titleBar = PfWindowTitleBarHeight(window);
  if (x + w > desk.right) x = desk.right - w;
  if (y + h > desk.bottom) y = desk.bottom - h;
  x = std::max(x, desk.left);
  y = std::max(y, desk.top + titleBar);
  MacSetDialogPos(dialog, x, y);
}
