// AV: the host application without a screen.
//
// Documents are shown in windows (records with a frame, a title and a page
// view); menus, menu items and tool buttons are records that the host program
// and tests list and execute by name; idle procedures run on a virtual tick
// clock (60 ticks a second) that the host program or a test advances; the
// open-file dialog answers from a queue of scripted answers and cancels when
// the queue is empty; progress monitors and the plug-in's status line draw
// one line on a terminal, redrawn in place and cleared before an alert prints.
//
// Objects made here live until the application shuts down (AVAppShutdown)
// unless the calls below end them earlier.
#pragma once

#include "host/ASProgress.h"
#include "host/ASTypes.h"
#include "host/Notify.h"
#include "host/PD.h"

typedef struct _t_AVWindowRec* AVWindow;
typedef struct _t_AVMenubarRec* AVMenubar;
typedef struct _t_AVMenuRec* AVMenu;
typedef struct _t_AVMenuItemRec* AVMenuItem;
typedef struct _t_AVToolBarRec* AVToolBar;
typedef struct _t_AVToolButtonRec* AVToolButton;
typedef struct _t_AVIconRec* AVIcon;
typedef struct _t_AVCursorRec* AVCursor;

typedef ASInt32 AVDevCoord;
struct AVRect {
  AVDevCoord left, top, right, bottom;
};

// ---- the application ----------------------------------------------------------

// The version the host reports (host/ASExtension.h sets it).
void AVAppGetVersion(ASInt16* major, ASInt16* minor);

// The host's user-interface language as a three-letter code ("ENU", "DEU",
// ...; at most 3 characters and a NUL into buffer). The host program sets it;
// "ENU" until then.
void AVAppGetLanguage(char* buffer);
void AVAppSetLanguage(const char* code);
// The same with a parameter record (hosts of version 6 and later): kind 0
// asks for the two-letter language of the message resources ("en", "de",
// "zh-cn"), at most 5 characters and a NUL. False when the host has none.
struct AVAppLanguageParamsRec {
  ASUns32 size;  // 12
  ASUns16 kind;
  char language[6];
};
ASBool AVAppGetLanguageWithParams(AVAppLanguageParamsRec* params);
// The document in front, or null.
AVDoc AVAppGetActiveDoc();
ASInt32 AVAppGetNumDocs();
// Documents in the order they were opened. Returning false stops.
typedef ASBool (*AVDocEnumProc)(AVDoc doc, void* clientData);
ASBool AVAppEnumDocs(AVDocEnumProc proc, void* clientData);

// Preferences, by number; values are stored as pointers.
typedef ASInt32 AVPrefsType;
enum : AVPrefsType { avpPageUnits = 39 };
// Page units: 0 points, 1 inches, 2 millimetres, 3 centimetres, 4 picas.
void* AVAppGetPreference(AVPrefsType pref);
void AVAppSetPreference(AVPrefsType pref, void* value);

// Ends everything: announces that internal documents will close, then ends
// documents (not saved), windows, menus, tool buttons, idle procedures, and
// builds the default menus and tool bar again.
void AVAppShutdown();

// ---- documents in windows ---------------------------------------------------

// Page modes of a view.
typedef ASInt32 PDPageMode;
enum : PDPageMode { PDDontCare = 0, PDUseNone = 1, PDUseThumbs = 2, PDUseBookmarks = 3, PDFullScreen = 4 };

// Opens a window on the document and makes it the active one; the document
// belongs to the window afterwards (closing the window closes it). A null
// title names the window after the document's file ("Untitled" without one).
AVDoc AVDocOpenFromPDDoc(PDDoc doc, ASText title);
// The same, marked as a help document.
AVDoc AVDocOpenFromPDDocAsHelp(PDDoc doc, ASText title);
// Closes the window and the document (changes are not saved). Returns true.
ASBool AVDocClose(AVDoc doc, ASBool noSave);
PDDoc AVDocGetPDDoc(AVDoc doc);
AVWindow AVDocGetAVWindow(AVDoc doc);
AVPageView AVDocGetPageView(AVDoc doc);
ASBool AVDocIsHelp(AVDoc doc);
PDPageMode AVDocGetViewMode(AVDoc doc);
void AVDocSetViewMode(AVDoc doc, PDPageMode mode);
// Makes the document the active one (front-document notification).
void AVDocBringToFront(AVDoc doc);

// ---- page views ---------------------------------------------------------------

typedef ASInt32 AVZoomType;
enum : AVZoomType { AVZoomNoVary = 0, AVZoomFitPage = 1, AVZoomFitWidth = 2 };

AVDoc AVPageViewGetAVDoc(AVPageView view);
// The current page, 0-based, kept within the document's pages.
ASInt32 AVPageViewGetPageNum(AVPageView view);
// Goes to the page (clamped to the document) and announces the change.
void AVPageViewGoTo(AVPageView view, ASInt32 pageNum);
ASFixed AVPageViewGetZoom(AVPageView view);
AVZoomType AVPageViewGetZoomType(AVPageView view);
void AVPageViewZoomTo(AVPageView view, AVZoomType type, ASFixed scale);

// ---- windows ------------------------------------------------------------------

typedef ASInt32 AVWindowLayer;
enum : AVWindowLayer { AVWLnonfloating = 0, AVWLfloating = 1, AVWLmodal = 2, AVWLpopup = 3, AVWLtoolbar = 4 };

typedef void (*AVWindowMouseDownProc)(AVWindow win, AVDevCoord x, AVDevCoord y, void* platformEvent);
typedef ASBool (*AVWindowWillCloseProc)(AVWindow win, ASBool quitting);
typedef void (*AVWindowDidCloseProc)(AVWindow win);
typedef void (*AVWindowActivateProc)(AVWindow win);
typedef void (*AVWindowKeyDownProc)(AVWindow win, char key, void* platformEvent);
typedef void (*AVWindowDrawProc)(AVWindow win, const AVRect* updateRect);
typedef ASBool (*AVWindowWillBeResizedProc)(AVWindow win, AVRect* newFrame);
typedef ASBool (*AVWindowEditOpProc)(AVWindow win, ASAtom editOp);
typedef void (*AVWindowAdjustCursorProc)(AVWindow win, AVDevCoord x, AVDevCoord y);
typedef void (*AVWindowDidResizeProc)(AVWindow win, const AVRect* newFrame);
typedef void (*AVWindowDestroyPlatformThingProc)(AVWindow win, void* platformThing);

// The procedures a window calls, in this order; empty slots do nothing.
// size is sizeof(AVWindowHandlerRec) (or less, for fewer slots). The record
// is copied when the window is made.
struct AVWindowHandlerRec {
  ASSize_t size;
  AVWindowMouseDownProc mouseDown;        // slot 1
  AVWindowWillCloseProc willClose;        // slot 2: false keeps the window open
  AVWindowDidCloseProc didClose;          // slot 3
  AVWindowActivateProc didActivate;       // slot 4
  AVWindowActivateProc didBecomeKey;      // slot 5
  AVWindowKeyDownProc keyDown;            // slot 6
  AVWindowActivateProc willResignKey;     // slot 7
  AVWindowActivateProc willDeactivate;    // slot 8
  AVWindowDrawProc draw;                  // slot 9
  AVWindowWillBeResizedProc willBeResized;
  AVWindowEditOpProc performEditOp;
  AVWindowEditOpProc canPerformEditOp;
  AVWindowAdjustCursorProc adjustCursor;
  AVWindowDidResizeProc didResize;
  AVWindowDestroyPlatformThingProc destroyPlatformThing;
  void* reserved[3];
};
typedef struct AVWindowHandlerRec* AVWindowHandler;

// Window flags, kept and reported; the headless host gives them no meaning.
AVWindow AVWindowNew(AVWindowLayer layer, ASUns32 flags, AVWindowHandler handler, ExtensionID owner);
AVWindow AVWindowNewFromPlatformThing(AVWindowLayer layer, ASUns32 flags, AVWindowHandler handler,
                                      ExtensionID owner, void* platformThing);
// Ends the window without asking it (destroy-platform-thing is called for a
// window made from a platform thing).
void AVWindowDestroy(AVWindow win);
// Closes as the user would: will-close may refuse (false); otherwise the
// window hides, did-close is called and the window ends. A document's window
// closes its document.
ASBool AVWindowUserClose(AVWindow win, ASBool quitting);
void AVWindowShow(AVWindow win);
void AVWindowHide(AVWindow win);
ASBool AVWindowIsVisible(AVWindow win);
void AVWindowBringToFront(AVWindow win);
// The key window gets the keys: the old one is told first.
void AVWindowBecomeKey(AVWindow win);
ASBool AVWindowIsKey(AVWindow win);
AVWindow AVAppGetKeyWindow();
void AVWindowGetFrame(AVWindow win, AVRect* frame);
void AVWindowSetFrame(AVWindow win, const AVRect* frame);
// The interior, in window coordinates (0, 0 at the top left).
void AVWindowGetInterior(AVWindow win, AVRect* interior);
void AVWindowInvalidateRect(AVWindow win, const AVRect* rect);
// Calls draw with what was invalidated, if anything was.
void AVWindowDrawNow(AVWindow win);
void* AVWindowGetOwnerData(AVWindow win);
void AVWindowSetOwnerData(AVWindow win, void* data);
void* AVWindowGetPlatformThing(AVWindow win);
AVWindowLayer AVWindowGetLayer(AVWindow win);
ASUns32 AVWindowGetFlags(AVWindow win);
// Titles as host text: set copies it; get copies it into title.
void AVWindowSetTitle(AVWindow win, ASText title);
void AVWindowGetTitle(AVWindow win, ASText title);
// The document shown in the window, or null.
AVDoc AVWindowGetAVDoc(AVWindow win);
// Times the window was drawn (tests).
ASInt32 AVWindowGetDrawCount(AVWindow win);

// Windows in the order they were made. Returning false stops.
typedef ASBool (*AVWindowEnumProc)(AVWindow win, void* clientData);
ASBool AVAppEnumWindows(AVWindowEnumProc proc, void* clientData);
ASInt32 AVAppGetNumWindows();

// What a user's mouse and keys do, for the host program and tests.
void AVWindowClick(AVWindow win, AVDevCoord x, AVDevCoord y);
void AVWindowType(AVWindow win, char key);

// ---- menus ------------------------------------------------------------------

typedef void (*AVExecuteProc)(void* clientData);
typedef ASBool (*AVComputeEnabledProc)(void* clientData);
typedef ASBool (*AVComputeMarkedProc)(void* clientData);

constexpr ASInt32 APPEND_MENUITEM = 10000;
constexpr ASInt32 APPEND_MENU = 10000;

// The menu bar holds "File", "Edit", "View", "Window", "Extensions" and
// "Help"; "Help" holds the "AboutExtensions" submenu, "Edit" the "Prefs" one.
AVMenubar AVAppGetMenubar();
// By language-independent name, searched through submenus too; null when
// none. Acquired: release with AVMenuRelease / AVMenuItemRelease.
AVMenu AVMenubarAcquireMenuByName(AVMenubar bar, const char* name);
AVMenuItem AVMenubarAcquireMenuItemByName(AVMenubar bar, const char* name);
void AVMenubarAddMenu(AVMenubar bar, AVMenu menu, ASInt32 position);
ASInt32 AVMenubarGetNumMenus(AVMenubar bar);
AVMenu AVMenubarAcquireMenuByIndex(AVMenubar bar, ASInt32 index);

AVMenu AVMenuNew(const char* title, const char* name, ExtensionID owner);
AVMenu AVMenuNewWithASText(ASText title, const char* name, ExtensionID owner);
void AVMenuAcquire(AVMenu menu);
void AVMenuRelease(AVMenu menu);
// Takes the menu out of the menu bar or item that holds it.
void AVMenuRemove(AVMenu menu);
ASAtom AVMenuGetName(AVMenu menu);
// UTF-8 title: at most size - 1 bytes and a NUL; returns the full length.
ASInt32 AVMenuGetTitle(AVMenu menu, char* buffer, ASInt32 size);
ASInt32 AVMenuGetNumMenuItems(AVMenu menu);
AVMenuItem AVMenuAcquireMenuItemByIndex(AVMenu menu, ASInt32 index);
// position: 0-based, or APPEND_MENUITEM.
void AVMenuAddMenuItem(AVMenu menu, AVMenuItem item, ASInt32 position);
AVMenuItem AVMenuGetParentMenuItem(AVMenu menu);

// A title of "-" makes a separator. The native title is UTF-8 here.
AVMenuItem AVMenuItemNew(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly, char shortcut,
                         ASUns16 flags, AVIcon icon, ExtensionID owner);
AVMenuItem AVMenuItemNewWithASText(ASText title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                                   char shortcut, ASUns16 flags, AVIcon icon, ExtensionID owner);
void AVMenuItemAcquire(AVMenuItem item);
void AVMenuItemRelease(AVMenuItem item);
void AVMenuItemRemove(AVMenuItem item);
void AVMenuItemSetExecuteProc(AVMenuItem item, AVExecuteProc proc, void* clientData);
void AVMenuItemSetComputeEnabledProc(AVMenuItem item, AVComputeEnabledProc proc, void* clientData);
void AVMenuItemSetComputeMarkedProc(AVMenuItem item, AVComputeMarkedProc proc, void* clientData);
// Items without an enable test are enabled; separators and items with a
// submenu never execute.
ASBool AVMenuItemIsEnabled(AVMenuItem item);
ASBool AVMenuItemIsMarked(AVMenuItem item);
// Runs the execute procedure when the item is enabled; true when it ran.
ASBool AVMenuItemExecute(AVMenuItem item);
ASAtom AVMenuItemGetName(AVMenuItem item);
ASInt32 AVMenuItemGetTitle(AVMenuItem item, char* buffer, ASInt32 size);
void AVMenuItemGetTitleAsASText(AVMenuItem item, ASText title);
void AVMenuItemSetTitle(AVMenuItem item, const char* title);
void AVMenuItemSetTitleWithASText(AVMenuItem item, ASText title);
char AVMenuItemGetShortcut(AVMenuItem item);
AVMenu AVMenuItemGetSubmenu(AVMenuItem item);
AVMenu AVMenuItemGetParentMenu(AVMenuItem item);

// ---- the tool bar -------------------------------------------------------------

// Icons are kept as the bytes of their data streams.
typedef ASInt32 AVIconType;
enum : AVIconType { kAVSysPNGIcon = 1 };
struct AVIconDataRec {
  ASStm dataStm;
  ASInt32 colorFormat;
};
AVIcon AVAppCreateIconBundle6(AVIconType type, const AVIconDataRec* data, ASInt32 count);
ASInt32 AVIconGetDataSize(AVIcon icon);

// The tool bar holds buttons named "Open", "Save", "Print" and the separator
// "endToolsGroup".
AVToolBar AVAppGetToolBar();
AVToolButton AVToolBarGetButtonByName(AVToolBar bar, ASAtom name);
// Puts the button before or after another one (or at the start or end when
// other is null).
void AVToolBarAddButton(AVToolBar bar, AVToolButton button, ASBool before, AVToolButton other);
ASInt32 AVToolBarGetNumButtons(AVToolBar bar);
typedef ASBool (*AVToolButtonEnumProc)(AVToolButton button, void* clientData);
ASBool AVToolBarEnumButtons(AVToolBar bar, AVToolButtonEnumProc proc, void* clientData);

AVToolButton AVToolButtonNew(ASAtom name, AVIcon icon, ASBool longOnly, ASBool isSeparator);
void AVToolButtonDestroy(AVToolButton button);
void AVToolButtonRemove(AVToolButton button);
void AVToolButtonSetExecuteProc(AVToolButton button, AVExecuteProc proc, void* clientData);
void AVToolButtonSetComputeEnabledProc(AVToolButton button, AVComputeEnabledProc proc, void* clientData);
void AVToolButtonSetComputeMarkedProc(AVToolButton button, AVComputeMarkedProc proc, void* clientData);
ASBool AVToolButtonIsEnabled(AVToolButton button);
ASBool AVToolButtonIsMarked(AVToolButton button);
ASBool AVToolButtonExecute(AVToolButton button);
ASAtom AVToolButtonGetName(AVToolButton button);
AVIcon AVToolButtonGetIcon(AVToolButton button);
ASBool AVToolButtonIsSeparator(AVToolButton button);
void AVToolButtonSetHelpText(AVToolButton button, const char* text);
const char* AVToolButtonGetHelpText(AVToolButton button);
// The label and its priority (higher shows first when space is short).
void AVToolButtonSetLabelText(AVToolButton button, ASText text, ASInt32 priority);
// Copies the label into text; returns its priority (0 without a label).
ASInt32 AVToolButtonGetLabelText(AVToolButton button, ASText text);

// ---- idle procedures on the virtual clock -------------------------------------

typedef void (*AVIdleProc)(void* clientData);
// Runs proc every `period` ticks (at least every tick). The same procedure
// and client data twice count once.
void AVAppRegisterIdleProc(AVIdleProc proc, void* clientData, ASUns32 period);
void AVAppUnregisterIdleProc(AVIdleProc proc, void* clientData);
ASUns32 AVAppGetTicks();
// Moves the clock on tick by tick, running the procedures that fall due.
void AVAppAdvanceTicks(ASUns32 ticks);
ASInt32 AVAppGetNumIdleProcs();

// ---- keys and cursors -----------------------------------------------------------

enum : ASUns32 { AV_COMMAND = 0x1, AV_OPTION = 0x2, AV_SHIFT = 0x4, AV_CONTROL = 0x8 };
ASUns32 AVSysGetModifiers();
// The modifiers held from now on (host program and tests).
void AVSysSetModifiers(ASUns32 modifiers);

// Standard cursors by number; one record per number.
AVCursor AVSysGetStandardCursor(ASInt32 cursorID);
AVCursor AVSysGetCursor();
void AVSysSetCursor(AVCursor cursor);  // null: the arrow
ASInt32 AVCursorGetID(AVCursor cursor);

// ---- the open-file dialog ---------------------------------------------------------

struct AVOpenSaveDialogParamsRec {
  ASSize_t size;
  ASUns32 flags;
  AVWindow parentWindow;
  ASText windowTitle;
  ASText actionButtonTitle;
  ASFileSys initialFileSys;
  ASPathName initialPathName;
  const char* fileFilter;  // e.g. "pdf", informational
};
typedef struct AVOpenSaveDialogParamsRec* AVOpenSaveDialogParams;

// Answers with the next scripted answer (or the standing one when none is
// queued): the chosen file as a path name of
// the default file system (*paths from ASmalloc holding *count path names;
// the caller releases each and frees the array). Without an answer, or with
// a cancel answer, returns false.
ASBool AVAppOpenDialog(AVOpenSaveDialogParams params, ASFileSys* fileSys, ASPathName** paths, ASUns16* count,
                       ASUns16* filterIndex);
// Queues an answer: a POSIX path, or null to cancel.
void AVAppQueueOpenDialogAnswer(const char* path);
void AVAppClearOpenDialogAnswers();
// The answer given when the queue is empty (null: cancel), as a configured path.
void AVAppSetOpenDialogStandingAnswer(const char* path);
// The title of the last dialog asked (UTF-8, empty when none).
const char* AVAppGetLastOpenDialogTitle();

// ---- progress ----------------------------------------------------------------

// The host's progress monitor: the status line below with its text and
// count, on standard error when that is a terminal (and progress is not
// quiet), nothing otherwise.
ProgressMonitor AVAppGetDocProgressMonitor(void** clientData);
// A cancel procedure that answers what AVAppSetCancelRequested last set.
CancelProc AVAppGetCancelProc(void** clientData);
void AVAppSetCancelRequested(ASBool cancel);
// Quiet: the status line is not drawn.
void AVAppSetProgressQuiet(ASBool quiet);
// The monitor's state (tests): duration, current value, whether in an operation.
void AVAppGetProgressState(ASInt32* duration, ASInt32* value, ASBool* running);

// ---- the status line ---------------------------------------------------------

// What the plug-in's status display shows, on the same line of standard error
// as the progress monitor and under the same conditions (a terminal, not
// quiet), on one row cut to the terminal's width:
//   step 2 of 2, SimpleBooklet: placing the pages on sheets, 1200 of 16000, 35 %
// the step's label (AVAppSetStepLabel), the text in lower-case words without
// its closing dots, the monitor's count while it runs (value of duration;
// duration < 1: none runs), and the percentage: of the whole step within a
// step, else of value in duration. The line is redrawn in place at once when
// the percentage changes or the words change after words that were on show a
// tenth of a second, and otherwise at most ten times a second, so it may be
// called on every step of a long loop.
void AVAppSetStatusLine(const char* textUTF8, ASInt32 value, ASInt32 duration);
// Clears the line when it was drawn: when the display closes, before an alert
// or a message is printed, and when the run ends. Within a step the step's
// percentage carries on when the line comes back.
void AVAppEndStatusLine();

// The step the host program performs, named at the head of the line ("step 2
// of 3, Nup"); null ends it. Either way the line is cleared and the step's
// percentage starts at 0. Within a step the percentage only grows, and it
// stays below 100 until the step ends: the monitor's operations and the parts
// below map onto it.
void AVAppSetStepLabel(const char* labelUTF8);
// Parts of the step the plug-in knows: the work until the matching end takes
// share/of of the part it is in (the step, or an outer part), from where the
// work in that part has come to; a share beyond what is left gets what is
// left. The first monitor operation in a part takes the whole part, each one
// after it half of what is left, and so does each operation outside any part.
// Ending a part moves the percentage on to the part's end.
void AVAppBeginStatusPart(ASInt32 share, ASInt32 of);
void AVAppEndStatusPart();
