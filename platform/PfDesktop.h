// The virtual desktop: screens, the menu bar and the areas windows may use.
// Screen 0 is the main screen; it carries the menu bar along its top edge.
#pragma once

#include "platform/PfTypes.h"

// One main screen of 1024 x 768 with a 22-unit menu bar.
void PfDesktopReset();
// Replaces the screens; the first becomes the main screen. Each screen's
// available bounds start as its bounds (less the menu bar on the main one).
void PfDesktopSetScreens(const PfRect* screens, int32_t count);
void PfDesktopSetMenuBarHeight(int32_t height);
// Narrows where windows may be positioned on one screen (a dock, say).
void PfScreenSetAvailableBounds(int32_t screen, const PfRect& bounds);

int32_t PfScreenCount();
bool PfScreenGetBounds(int32_t screen, PfRect* bounds);
bool PfScreenGetAvailableBounds(int32_t screen, PfRect* bounds);
// The screen holding the point, -1 when none does.
int32_t PfScreenFromPoint(PfPoint point);
int32_t PfMenuBarHeight();
// The bounding box of all screens.
PfRect PfDesktopBounds();
// The bounding box of all screens below the menu bar.
PfRect PfDesktopGrayBounds();
