// The desktop-platform layer: an in-memory model of the services the dialog
// code calls (windows, dialogs, controls, menus, lists, text edit, events,
// drawing, fonts, resources, images), written from what that code expects.
//
// Decisions of this layer:
//  - Names are our own (Pf prefix); the semantics are the ones the dialog
//    engine relies on: items count from 1, item kinds with the disable bit
//    128, hidden items 16384 units to the right, highlight 255 for disabled
//    controls, item texts of at most 255 bytes, pop-up values counting items
//    from 1 (0 none).
//  - Coordinates are 32-bit; windows have global content bounds and local
//    coordinates with the content's top-left at 0, 0. Title bars are 22 high;
//    the menu bar 22 on the main screen of a 1024 x 768 desktop (configurable).
//  - Text is UTF-8 everywhere and the native 8-bit encoding is UTF-8. Texts are
//    cut at character boundaries, never inside a sequence; bytes that are not
//    well-formed are replaced (U+FFFD) where a text is stored.
//  - Values that may hold an address (window refCons, properties, control
//    references, list cells, menu item data) are stored pointer-sized.
//  - Events wait in one FIFO queue; the clock is virtual (ticks of 1/60 s) and
//    only moves when someone waits, delays or advances it. A click on a
//    control, list or text ends with its own queued mouse-up (none: released
//    where pressed); pop-up menus open with the current entry over the control
//    and entries kPfPopupItemHeight apart. Events reach windows outside modal
//    steps through one dispatcher that the host installs; the event being
//    dispatched is available to handlers called without it.
//  - A modal step that finds no input for 600 ticks posts a Command-period for
//    its dialog (counted by PfModalStallCount): nothing waits forever.
//  - Drawing is recorded per window (PfDrawOp), not rasterised; observers see
//    every operation, window change and event.
//  - Fonts: fixed advances per character class and fixed ascent, descent and
//    leading (PfFont.h), identical on every road that measures text.
//  - Resources of the plug-in are files of its bundle:
//    <Resources>/<TYPE>/<id or name>.
//  - Images are identified and sized from PNG and JPEG headers; pixels are not
//    decoded.
//  - The dialog driver acts only through the event queue.
#pragma once

#include "platform/PfControl.h"
#include "platform/PfDataBrowser.h"
#include "platform/PfDesktop.h"
#include "platform/PfDialog.h"
#include "platform/PfDraw.h"
#include "platform/PfDriver.h"
#include "platform/PfEvent.h"
#include "platform/PfFont.h"
#include "platform/PfImage.h"
#include "platform/PfList.h"
#include "platform/PfMenu.h"
#include "platform/PfObserver.h"
#include "platform/PfChooseFolder.h"
#include "platform/PfResource.h"
#include "platform/PfString.h"
#include "platform/PfSystem.h"
#include "platform/PfTextEdit.h"
#include "platform/PfTypes.h"
#include "platform/PfWindow.h"
