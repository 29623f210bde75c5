#include "host/AV.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ASExcept.h"
#include "host/ASExtension.h"
#include "host/ASFile.h"
#include "host/ASFixed.h"
#include "host/ASMem.h"
#include "host/ASStm.h"
#include "host/ASText.h"
#include "host/CosPriv.h"

struct _t_AVPageViewRec {
  AVDoc doc;
  ASInt32 page = 0;
  ASFixed zoom = fixedOne;
  AVZoomType zoomType = AVZoomNoVary;
};

struct _t_AVDocRec {
  PDDoc pd = nullptr;
  AVWindow win = nullptr;
  _t_AVPageViewRec view;
  bool help = false;
  PDPageMode mode = PDUseNone;
};

struct _t_AVWindowRec {
  AVWindowLayer layer;
  ASUns32 flags;
  AVWindowHandlerRec h{};
  ExtensionID owner;
  void* platform;
  void* ownerData = nullptr;
  bool visible = false;
  AVRect frame{0, 0, 400, 300};
  std::string title;
  AVDoc doc = nullptr;
  bool invalid = false;
  AVRect dirty{0, 0, 0, 0};
  ASInt32 draws = 0;
  bool closing = false;
};

struct _t_AVMenuRec {
  ASAtom name;
  std::string title;
  ExtensionID owner;
  std::vector<AVMenuItem> items;
  AVMenuItem parentItem = nullptr;
  bool inBar = false;
  ASInt32 refs = 1;
};

struct _t_AVMenuItemRec {
  ASAtom name;
  std::string title;
  AVMenu submenu;
  bool longOnly;
  char shortcut;
  ASUns16 flags;
  AVIcon icon;
  ExtensionID owner;
  AVMenu parent = nullptr;
  AVExecuteProc exec = nullptr;
  void* execData = nullptr;
  AVComputeEnabledProc enabled = nullptr;
  void* enabledData = nullptr;
  AVComputeMarkedProc marked = nullptr;
  void* markedData = nullptr;
  ASInt32 refs = 1;
};

struct _t_AVMenubarRec {
  std::vector<AVMenu> menus;
};

struct _t_AVIconRec {
  AVIconType type;
  std::string data;
};

struct _t_AVToolButtonRec {
  ASAtom name;
  AVIcon icon;
  bool longOnly;
  bool separator;
  AVToolBar bar = nullptr;
  AVExecuteProc exec = nullptr;
  void* execData = nullptr;
  AVComputeEnabledProc enabled = nullptr;
  void* enabledData = nullptr;
  AVComputeMarkedProc marked = nullptr;
  void* markedData = nullptr;
  std::string help;
  std::string label;
  bool hasLabel = false;
  ASInt32 priority = 0;
};

struct _t_AVToolBarRec {
  std::vector<AVToolButton> buttons;
};

struct _t_AVCursorRec {
  ASInt32 id;
};

namespace {

struct Idle {
  AVIdleProc proc;
  void* data;
  ASUns32 period;
  ASUns32 last;
};

struct Progress {
  ASInt32 duration = 0;
  ASInt32 value = 0;
  bool running = false;
  std::string text;
};

// The one line on standard error that the progress monitor and the
// plug-in's status line draw: what is wanted, and what was drawn last.
struct TerminalLine {
  bool active = false;    // wanted since the last end
  bool terminal = false;  // standard error was a terminal when it became active
  int columns = 80;
  std::string text;   // as given
  std::string words;  // the text as the line says it: "placing the pages on sheets"
  bool drawn = false;
  int drawnPercent = -1;
  std::string drawnWords;
  ASInt32 drawnCount = -1;
  std::chrono::steady_clock::time_point drawnAt{};
  std::chrono::steady_clock::time_point wordsDrawnAt{};  // when drawnWords were first drawn
};

// A part of the step, as shares of the whole step (0 to 1): the step itself,
// or a part the plug-in marked. at: where the work in it has come to.
struct StepPart {
  double from = 0, to = 1, at = 0;
  bool marked = false;
  int operations = 0;  // monitor operations begun in it
};

// The step the host program runs and where it stands: the line's
// percentage is of the whole step and never goes back within it.
struct Step {
  std::string label;
  std::vector<StepPart> parts = {StepPart{}};
  bool operating = false;  // a monitor operation runs, from opFrom to opTo
  double opFrom = 0, opTo = 0;
  ASInt32 lastValue = 0, lastDuration = 0;
  double lastDone = 0;  // of the operation, 0 to 1
  ASInt32 staleValue = -1, staleDuration = -1;  // of the operation last cut short
  int unkeptParts = 0;
  int percent = 0;  // the highest reached
  // The count shown last and its words: a count that would go back under the
  // same words (a second pass over the pages) is not shown.
  std::string countWords;
  ASInt32 countHigh = 0;
};

struct App {
  std::vector<std::unique_ptr<_t_AVDocRec>> docs;  // open documents, oldest first
  AVDoc active = nullptr;
  std::vector<std::unique_ptr<_t_AVWindowRec>> windows;
  AVWindow key = nullptr;
  _t_AVMenubarRec bar;
  std::vector<std::unique_ptr<_t_AVMenuRec>> menus;
  std::vector<std::unique_ptr<_t_AVMenuItemRec>> items;
  _t_AVToolBarRec toolbar;
  std::vector<std::unique_ptr<_t_AVToolButtonRec>> buttons;
  std::vector<std::unique_ptr<_t_AVIconRec>> icons;
  std::vector<Idle> idle;
  ASUns32 ticks = 0;
  ASUns32 modifiers = 0;
  std::map<ASInt32, std::unique_ptr<_t_AVCursorRec>> cursors;
  AVCursor cursor = nullptr;
  std::map<AVPrefsType, void*> prefs;
  std::deque<std::optional<std::string>> answers;
  std::string standingAnswer;  // answers when the queue is empty (empty: cancel)
  std::string lastDialogTitle;
  Progress progress;
  TerminalLine line;
  Step step;
  bool quiet = false;
  bool cancel = false;
  bool built = false;
};

App& S();

template <class T>
T* Find(const std::vector<std::unique_ptr<T>>& v, T* p) {
  if (!p) return nullptr;
  for (auto& e : v)
    if (e.get() == p) return p;
  return nullptr;
}

AVDoc CheckDoc(AVDoc d) {
  if (!Find(S().docs, d)) ASRaise(genErrBadParm);
  return d;
}
AVWindow CheckWin(AVWindow w) {
  if (!Find(S().windows, w)) ASRaise(genErrBadParm);
  return w;
}
AVMenu CheckMenu(AVMenu m) {
  if (!Find(S().menus, m)) ASRaise(genErrBadParm);
  return m;
}
AVMenuItem CheckItem(AVMenuItem i) {
  if (!Find(S().items, i)) ASRaise(genErrBadParm);
  return i;
}
AVToolButton CheckButton(AVToolButton b) {
  if (!Find(S().buttons, b)) ASRaise(genErrBadParm);
  return b;
}

std::string Utf8(ASText t) {
  if (!t) return std::string();
  const char* s = ASTextGetUTF8(t);
  return s ? s : "";
}

void SetText(ASText t, const std::string& s) {
  if (t) ASTextSetUnicode(t, s.c_str(), kUTF8);
}

ASInt32 CopyOut(const std::string& s, char* buffer, ASInt32 size) {
  if (buffer && size > 0) {
    size_t n = std::min<size_t>(s.size(), (size_t)size - 1);
    std::memcpy(buffer, s.data(), n);
    buffer[n] = 0;
  }
  return (ASInt32)s.size();
}

void Fire(NSelector sel, AVDoc doc) {
  AVNotificationArgs a{};
  a.avDoc = doc;
  AVAppFireNotification(sel, &a);
}

// ---- default menus and tool bar ---------------------------------------------

AVMenu MakeMenu(const std::string& title, const char* name) {
  auto m = std::make_unique<_t_AVMenuRec>();
  m->name = ASAtomFromString(name);
  m->title = title;
  m->owner = nullptr;
  AVMenu p = m.get();
  S().menus.push_back(std::move(m));
  return p;
}

AVMenuItem MakeItem(const std::string& title, const char* name, AVMenu submenu) {
  auto i = std::make_unique<_t_AVMenuItemRec>();
  i->name = ASAtomFromString(name ? name : "");
  i->title = title;
  i->submenu = submenu;
  i->longOnly = false;
  i->shortcut = 0;
  i->flags = 0;
  i->icon = nullptr;
  i->owner = nullptr;
  AVMenuItem p = i.get();
  if (submenu) submenu->parentItem = p;
  S().items.push_back(std::move(i));
  return p;
}

void Append(AVMenu menu, AVMenuItem item) {
  item->parent = menu;
  menu->items.push_back(item);
}

AVToolButton MakeButton(const char* name, bool separator) {
  auto b = std::make_unique<_t_AVToolButtonRec>();
  b->name = ASAtomFromString(name);
  b->icon = nullptr;
  b->longOnly = false;
  b->separator = separator;
  AVToolButton p = b.get();
  S().buttons.push_back(std::move(b));
  return p;
}

void BuildDefaults(App& a) {
  a.built = true;
  const char* top[][2] = {{"File", "File"}, {"Edit", "Edit"},     {"View", "View"},
                          {"Window", "Window"}, {"Extensions", "Extensions"}, {"Help", "Help"}};
  for (auto& t : top) {
    AVMenu m = MakeMenu(t[0], t[1]);
    m->inBar = true;
    a.bar.menus.push_back(m);
  }
  AVMenu file = a.bar.menus[0], edit = a.bar.menus[1], help = a.bar.menus[5];
  Append(file, MakeItem("Open...", "Open", nullptr));
  Append(file, MakeItem("Close", "Close", nullptr));
  Append(edit, MakeItem("Preferences", "PrefsSub", MakeMenu("Preferences", "Prefs")));
  Append(help, MakeItem("About Extensions", "AboutExtensionsSub", MakeMenu("About Extensions", "AboutExtensions")));
  for (const char* b : {"Open", "Save", "Print"}) {
    AVToolButton button = MakeButton(b, false);
    button->bar = &a.toolbar;
    a.toolbar.buttons.push_back(button);
  }
  AVToolButton end = MakeButton("endToolsGroup", true);
  end->bar = &a.toolbar;
  a.toolbar.buttons.push_back(end);
}

App& S() {
  static App* app = new App;
  if (!app->built) BuildDefaults(*app);
  return *app;
}

// ---- the terminal line ------------------------------------------------------------

// At most this often a line whose percentage has not changed is drawn again:
// a loop may report on every page, and the terminal is slow.
constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);

int TerminalColumns() {
  winsize size{};
  if (ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

// The text on one row of the given width: line breaks and tabs become
// blanks, runs of blanks one, and what does not fit is cut at a whole
// character.
std::string OneRow(const std::string& text, size_t width) {
  std::string out;
  size_t characters = 0;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = (unsigned char)text[i];
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + len > text.size()) break;
    if (c < 0x20 || c == 0x7f) {
      if (!out.empty() && out.back() != ' ') {
        if (characters >= width) break;
        out += ' ';
        ++characters;
      }
      ++i;
      continue;
    }
    if (c == ' ' && (out.empty() || out.back() == ' ')) {
      ++i;
      continue;
    }
    if (characters >= width) break;
    out.append(text, i, len);
    ++characters;
    i += len;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The words of a status text as the line says them: on one row, without
// the closing dots, the first word in lower case unless it is a name in
// capitals ("Copying the pages..." is "copying the pages").
std::string PhaseWords(const std::string& text) {
  std::string w = OneRow(text, text.size());
  for (;;) {
    if (!w.empty() && (w.back() == '.' || w.back() == ' ')) w.pop_back();
    else if (w.size() >= 3 && w.compare(w.size() - 3, 3, "\xE2\x80\xA6") == 0) w.resize(w.size() - 3);
    else break;
  }
  if (w.size() >= 2 && w[0] >= 'A' && w[0] <= 'Z' && ((w[1] >= 'a' && w[1] <= 'z') || w[1] == ' '))
    w[0] = (char)(w[0] - 'A' + 'a');
  return w;
}

// The monitor's operation: one that begins takes what is left of the part it
// runs in when it is the first in a part the plug-in marked, else half of
// what is left (the plug-in did not say how many come).
void BeginOperation(Step& st) {
  StepPart& p = st.parts.back();
  const double share = p.marked && p.operations == 0 ? 1.0 : 0.5;
  st.opFrom = p.at;
  st.opTo = p.at + (p.to - p.at) * share;
  ++p.operations;
  st.operating = true;
  st.lastValue = 0;
  st.lastDone = 0;
  st.staleValue = st.staleDuration = -1;
}

// A finished operation leaves its part at its end; one cut short (a part or
// another operation begins) where it had come to.
void EndOperation(Step& st, bool finished) {
  if (!st.operating) return;
  StepPart& p = st.parts.back();
  p.at = std::max(p.at, finished ? st.opTo : st.opFrom + (st.opTo - st.opFrom) * st.lastDone);
  st.operating = false;
  // The display may say the old values again, with its next text: that is
  // no new operation.
  st.staleValue = finished ? -1 : st.lastValue;
  st.staleDuration = finished ? -1 : st.lastDuration;
}

// The step's percentage, of a monitor at value of duration (duration < 1:
// none runs): it only grows, and stays below 100 while the step runs.
int StepPercent(Step& st, ASInt32 value, ASInt32 duration) {
  double at = st.parts.back().at;
  if (duration >= 1 && !st.operating && value == st.staleValue && duration == st.staleDuration) {
    // The operation a part cut short, told again.
  } else if (duration >= 1) {
    // A value that goes back is the monitor's next operation.
    if (!st.operating || value < st.lastValue) {
      EndOperation(st, false);
      BeginOperation(st);
    }
    st.lastValue = value;
    st.lastDuration = duration;
    st.lastDone = std::clamp((double)value / duration, 0.0, 1.0);
    at = st.opFrom + (st.opTo - st.opFrom) * st.lastDone;
  } else {
    EndOperation(st, true);
    at = st.parts.back().at;
  }
  st.percent = std::max(st.percent, std::min(99, (int)(at * 100.0 + 1e-9)));
  return st.percent;
}

int PercentOf(ASInt32 value, ASInt32 duration) {
  if (duration <= 0) return -1;
  return (int)std::clamp<long long>(100LL * value / duration, 0, 100);
}

// The count the line shows, -1 for none: while a monitor counts, under words
// that say what it counts, and never back under the same words.
ASInt32 CountShown(Step& st, const std::string& words, ASInt32 value, ASInt32 duration) {
  if (duration < 1 || value < 1 || words.empty()) return -1;
  const ASInt32 count = std::min(value, duration);
  if (count < st.countHigh && words == st.countWords) return -1;
  if (words != st.countWords) st.countWords = words;
  st.countHigh = count;
  return count;
}

// "step 2 of 2, SimpleBooklet: placing the pages on sheets, 1200 of 16000,
// 35 %", cut to the width in front of the count and the percentage.
void DrawLine(TerminalLine& l, const Step& st, int percent, ASInt32 count, ASInt32 of) {
  std::string head = st.label, tail;
  if (!l.words.empty()) {
    head += (head.empty() ? "" : ": ") + l.words;
    if (count >= 0) tail = ", " + std::to_string(count) + " of " + std::to_string(of);
  }
  if (percent >= 0) {
    const char* gap = head.empty() ? "" : l.words.empty() ? ": " : ", ";
    tail += gap + std::to_string(percent) + " %";
  }
  const size_t room = (size_t)l.columns - 1;
  std::string row = tail.size() < room ? OneRow(head, room - tail.size()) + tail : OneRow(head + tail, room);
  std::fprintf(stderr, "\r%s\x1b[K", row.c_str());
  std::fflush(stderr);
  const auto now = std::chrono::steady_clock::now();
  if (!l.drawn || l.drawnWords != l.words) l.wordsDrawnAt = now;
  l.drawn = true;
  l.drawnWords = l.words;
  l.drawnPercent = percent;
  l.drawnCount = count;
  l.drawnAt = now;
}

// Takes what the line is to show, text (null: as before) and a monitor's
// value of duration, and draws it when that is due: at once when the
// percentage changed, or the words after words that were on show long
// enough; else when the last drawing is old enough (a loop may report on
// every page, and the terminal is slow). Cheap when nothing changed.
void WantLine(const char* text, ASInt32 value, ASInt32 duration) {
  App& a = S();
  TerminalLine& l = a.line;
  if (a.quiet) return;
  if (!l.active) {
    l.active = true;
    l.terminal = isatty(2) != 0;
    if (l.terminal) l.columns = TerminalColumns();
    l.drawn = false;
  }
  if (text && l.text != text) {
    l.text = text;
    if (l.terminal) l.words = PhaseWords(l.text);
  }
  if (!l.terminal) return;
  Step& st = a.step;
  const bool inStep = !st.label.empty();
  const int percent = inStep ? StepPercent(st, value, duration) : PercentOf(value, duration);
  const ASInt32 count = CountShown(st, l.words, value, duration);
  if (l.drawn && percent == l.drawnPercent) {
    const bool sameWords = l.words == l.drawnWords;
    if (sameWords && count == l.drawnCount) return;
    const auto now = std::chrono::steady_clock::now();
    const bool wordsDue = !sameWords && now - l.wordsDrawnAt >= kRedrawPeriod;
    if (!wordsDue && now - l.drawnAt < kRedrawPeriod) return;
  }
  DrawLine(l, st, percent, count, duration);
}

// Clears the line when it was drawn; the next wanted text starts afresh.
// Outside a step the percentage starts afresh too.
void EndLine() {
  App& a = S();
  TerminalLine& l = a.line;
  if (l.drawn) {
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
  }
  l = TerminalLine{};
  if (a.step.label.empty()) a.step = Step{};
}

// ---- the terminal progress monitor -------------------------------------------

void DrawProgress() {
  Progress& p = S().progress;
  WantLine(p.text.c_str(), p.running ? p.value : 0, p.running ? std::max<ASInt32>(p.duration, 1) : 0);
}

void PmBegin(void*) {
  Progress& p = S().progress;
  p.running = true;
  p.value = 0;
  DrawProgress();
}
void PmEnd(void*) {
  Progress& p = S().progress;
  p.running = false;
  EndOperation(S().step, true);
  EndLine();
  p.text.clear();
}
void PmSetDuration(ASInt32 d, void*) {
  S().progress.duration = d;
  DrawProgress();
}
void PmSetValue(ASInt32 v, void*) {
  S().progress.value = v;
  DrawProgress();
}
ASInt32 PmGetDuration(void*) { return S().progress.duration; }
ASInt32 PmGetValue(void*) { return S().progress.value; }
void PmSetText(ASText t, void*) {
  S().progress.text = Utf8(t);
  DrawProgress();
}

ASBool HostCancel(void*) { return S().cancel ? 1 : 0; }

void CloseDocRecord(AVDoc doc) {
  App& a = S();
  Fire(AVDocWillCloseNSEL, doc);
  PDDoc pd = doc->pd;
  AVWindow win = doc->win;
  auto it = std::find_if(a.docs.begin(), a.docs.end(), [&](auto& d) { return d.get() == doc; });
  std::unique_ptr<_t_AVDocRec> owned = std::move(*it);
  a.docs.erase(it);
  if (win && Find(a.windows, win)) {
    win->doc = nullptr;
    AVWindowDestroy(win);
  }
  bool wasActive = a.active == doc;
  if (wasActive) a.active = a.docs.empty() ? nullptr : a.docs.back().get();
  ASErrorCode failure = 0;
  DURING
    PDDocClose(pd);
  HANDLER
    failure = ERRORCODE;
  END_HANDLER
  Fire(AVDocDidCloseNSEL, doc);
  if (wasActive) Fire(AVAppFrontDocDidChangeNSEL, a.active);
  if (failure) ASRaise(failure);
}

AVDoc OpenDoc(PDDoc pd, ASText title, bool help) {
  PDDocGetNumPages(pd);  // raises for a document that is not open
  App& a = S();
  for (auto& d : a.docs)
    if (d->pd == pd) ASRaise(genErrBadParm);  // one window per document
  auto d = std::make_unique<_t_AVDocRec>();
  d->pd = pd;
  d->help = help;
  d->view.doc = d.get();
  std::string name = Utf8(title);
  if (!title) {
    char buf[1024] = "Untitled";
    if (ASPathName p = PDDocGetPathName(pd)) ASFileSysGetNameFromPath(PDDocGetFileSys(pd), p, buf, sizeof buf);
    name = buf;
  }
  AVDoc doc = d.get();
  a.docs.push_back(std::move(d));
  AVWindow win = AVWindowNew(AVWLnonfloating, 0, nullptr, nullptr);
  win->title = name;
  win->doc = doc;
  win->visible = true;
  doc->win = win;
  a.active = doc;
  AVNotificationArgs args{};
  args.avDoc = doc;
  AVAppFireNotification(AVDocDidOpenNSEL, &args);
  Fire(AVAppFrontDocDidChangeNSEL, doc);
  return doc;
}

ASInt32 NumPages(AVDoc doc) {
  ASInt32 n = 0;
  DURING
    n = PDDocGetNumPages(doc->pd);
  HANDLER
    n = 0;
  END_HANDLER
  return n;
}

bool ItemEnabled(AVMenuItem i) {
  if (i->title == "-" || i->submenu) return i->submenu != nullptr;
  return !i->enabled || i->enabled(i->enabledData);
}

}  // namespace

// ---- the application ----------------------------------------------------------

void AVAppGetVersion(ASInt16* major, ASInt16* minor) { ASHostVersionGet(major, minor); }

AVDoc AVAppGetActiveDoc() { return S().active; }

ASInt32 AVAppGetNumDocs() { return (ASInt32)S().docs.size(); }

ASBool AVAppEnumDocs(AVDocEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  std::vector<AVDoc> now;
  for (auto& d : S().docs) now.push_back(d.get());
  for (AVDoc d : now)
    if (Find(S().docs, d) && !proc(d, clientData)) return 0;
  return 1;
}

void* AVAppGetPreference(AVPrefsType pref) {
  auto it = S().prefs.find(pref);
  return it == S().prefs.end() ? nullptr : it->second;
}

void AVAppSetPreference(AVPrefsType pref, void* value) { S().prefs[pref] = value; }

void AVAppShutdown() {
  App& a = S();
  AVAppFireNotification(AVAppWillCloseAllInternalDocsNSEL, nullptr);
  while (!a.docs.empty()) {
    DURING
      CloseDocRecord(a.docs.back().get());
    HANDLER
    END_HANDLER
  }
  while (!a.windows.empty()) AVWindowDestroy(a.windows.back().get());
  a.bar.menus.clear();
  a.menus.clear();
  a.items.clear();
  a.toolbar.buttons.clear();
  a.buttons.clear();
  a.icons.clear();
  a.idle.clear();
  a.cursors.clear();
  a.cursor = nullptr;
  a.modifiers = 0;
  a.prefs.clear();
  a.answers.clear();
  a.standingAnswer.clear();
  a.lastDialogTitle.clear();
  a.progress = Progress{};
  EndLine();
  a.step = Step{};
  a.cancel = false;
  a.key = nullptr;
  a.active = nullptr;
  BuildDefaults(a);
}

// ---- documents ------------------------------------------------------------------

AVDoc AVDocOpenFromPDDoc(PDDoc doc, ASText title) { return OpenDoc(doc, title, false); }

AVDoc AVDocOpenFromPDDocAsHelp(PDDoc doc, ASText title) { return OpenDoc(doc, title, true); }

ASBool AVDocClose(AVDoc doc, ASBool) {
  CloseDocRecord(CheckDoc(doc));
  return 1;
}

PDDoc AVDocGetPDDoc(AVDoc doc) { return CheckDoc(doc)->pd; }

AVWindow AVDocGetAVWindow(AVDoc doc) { return CheckDoc(doc)->win; }

AVPageView AVDocGetPageView(AVDoc doc) { return &CheckDoc(doc)->view; }

ASBool AVDocIsHelp(AVDoc doc) { return CheckDoc(doc)->help; }

PDPageMode AVDocGetViewMode(AVDoc doc) { return CheckDoc(doc)->mode; }

void AVDocSetViewMode(AVDoc doc, PDPageMode mode) { CheckDoc(doc)->mode = mode; }

void AVDocBringToFront(AVDoc doc) {
  CheckDoc(doc);
  if (S().active == doc) return;
  S().active = doc;
  Fire(AVAppFrontDocDidChangeNSEL, doc);
}

// ---- page views --------------------------------------------------------------------

namespace {
AVDoc ViewDoc(AVPageView v) {
  if (!v) ASRaise(genErrBadParm);
  return CheckDoc(v->doc);
}
}  // namespace

AVDoc AVPageViewGetAVDoc(AVPageView view) { return ViewDoc(view); }

ASInt32 AVPageViewGetPageNum(AVPageView view) {
  AVDoc doc = ViewDoc(view);
  ASInt32 n = NumPages(doc);
  view->page = std::clamp(view->page, 0, std::max(0, n - 1));
  return view->page;
}

void AVPageViewGoTo(AVPageView view, ASInt32 pageNum) {
  AVDoc doc = ViewDoc(view);
  ASInt32 n = NumPages(doc);
  view->page = std::clamp(pageNum, 0, std::max(0, n - 1));
  AVNotificationArgs a{};
  a.pageView = view;
  a.avDoc = doc;
  a.how = 1;
  AVAppFireNotification(AVPageViewDidChangeNSEL, &a);
}

ASFixed AVPageViewGetZoom(AVPageView view) {
  ViewDoc(view);
  return view->zoom;
}

AVZoomType AVPageViewGetZoomType(AVPageView view) {
  ViewDoc(view);
  return view->zoomType;
}

void AVPageViewZoomTo(AVPageView view, AVZoomType type, ASFixed scale) {
  AVDoc doc = ViewDoc(view);
  view->zoomType = type;
  if (scale > 0) view->zoom = scale;
  AVNotificationArgs a{};
  a.pageView = view;
  a.avDoc = doc;
  a.how = 2;
  AVAppFireNotification(AVPageViewDidChangeNSEL, &a);
}

// ---- windows ----------------------------------------------------------------------

AVWindow AVWindowNewFromPlatformThing(AVWindowLayer layer, ASUns32 flags, AVWindowHandler handler,
                                      ExtensionID owner, void* platformThing) {
  return hostpdf::Guard([&] {
    auto w = std::make_unique<_t_AVWindowRec>();
    w->layer = layer;
    w->flags = flags;
    w->owner = owner;
    w->platform = platformThing;
    if (handler) {
      size_t n = std::min(handler->size, sizeof(AVWindowHandlerRec));
      std::memcpy(&w->h, handler, n);
    }
    w->h.size = sizeof(AVWindowHandlerRec);
    AVWindow p = w.get();
    S().windows.push_back(std::move(w));
    return p;
  });
}

AVWindow AVWindowNew(AVWindowLayer layer, ASUns32 flags, AVWindowHandler handler, ExtensionID owner) {
  return AVWindowNewFromPlatformThing(layer, flags, handler, owner, nullptr);
}

void AVWindowDestroy(AVWindow win) {
  App& a = S();
  CheckWin(win);
  if (win->platform && win->h.destroyPlatformThing) win->h.destroyPlatformThing(win, win->platform);
  if (a.key == win) a.key = nullptr;
  auto it = std::find_if(a.windows.begin(), a.windows.end(), [&](auto& w) { return w.get() == win; });
  if (it != a.windows.end()) a.windows.erase(it);
}

ASBool AVWindowUserClose(AVWindow win, ASBool quitting) {
  CheckWin(win);
  if (win->closing) return 0;
  if (win->doc) {
    CloseDocRecord(win->doc);
    return 1;
  }
  if (win->h.willClose && !win->h.willClose(win, quitting)) return 0;
  win->closing = true;
  win->visible = false;
  if (S().key == win) {
    if (win->h.willResignKey) win->h.willResignKey(win);
    if (win->h.willDeactivate) win->h.willDeactivate(win);
    S().key = nullptr;
  }
  if (win->h.didClose) win->h.didClose(win);
  if (Find(S().windows, win)) AVWindowDestroy(win);
  return 1;
}

void AVWindowShow(AVWindow win) { CheckWin(win)->visible = true; }

void AVWindowHide(AVWindow win) { CheckWin(win)->visible = false; }

ASBool AVWindowIsVisible(AVWindow win) { return CheckWin(win)->visible; }

void AVWindowBringToFront(AVWindow win) {
  CheckWin(win)->visible = true;
  if (win->doc) AVDocBringToFront(win->doc);
}

void AVWindowBecomeKey(AVWindow win) {
  App& a = S();
  CheckWin(win);
  if (a.key == win) return;
  if (AVWindow old = a.key) {
    if (old->h.willResignKey) old->h.willResignKey(old);
    if (Find(a.windows, old) && old->h.willDeactivate) old->h.willDeactivate(old);
  }
  a.key = win;
  if (win->h.didBecomeKey) win->h.didBecomeKey(win);
  if (Find(a.windows, win) && win->h.didActivate) win->h.didActivate(win);
}

ASBool AVWindowIsKey(AVWindow win) { return S().key == CheckWin(win); }

AVWindow AVAppGetKeyWindow() { return S().key; }

void AVWindowGetFrame(AVWindow win, AVRect* frame) {
  if (!frame) ASRaise(genErrBadParm);
  *frame = CheckWin(win)->frame;
}

void AVWindowSetFrame(AVWindow win, const AVRect* frame) {
  if (!frame) ASRaise(genErrBadParm);
  CheckWin(win);
  AVRect r = *frame;
  if (win->h.willBeResized && !win->h.willBeResized(win, &r)) return;
  win->frame = r;
  if (win->h.didResize) win->h.didResize(win, &r);
}

void AVWindowGetInterior(AVWindow win, AVRect* interior) {
  if (!interior) ASRaise(genErrBadParm);
  CheckWin(win);
  *interior = AVRect{0, 0, win->frame.right - win->frame.left, win->frame.bottom - win->frame.top};
}

void AVWindowInvalidateRect(AVWindow win, const AVRect* rect) {
  CheckWin(win);
  AVRect r;
  if (rect) r = *rect;
  else AVWindowGetInterior(win, &r);
  if (!win->invalid) {
    win->dirty = r;
  } else {
    win->dirty.left = std::min(win->dirty.left, r.left);
    win->dirty.top = std::min(win->dirty.top, r.top);
    win->dirty.right = std::max(win->dirty.right, r.right);
    win->dirty.bottom = std::max(win->dirty.bottom, r.bottom);
  }
  win->invalid = true;
}

void AVWindowDrawNow(AVWindow win) {
  CheckWin(win);
  if (!win->invalid) return;
  win->invalid = false;
  AVRect r = win->dirty;
  ++win->draws;
  if (win->h.draw) win->h.draw(win, &r);
}

void* AVWindowGetOwnerData(AVWindow win) { return CheckWin(win)->ownerData; }

void AVWindowSetOwnerData(AVWindow win, void* data) { CheckWin(win)->ownerData = data; }

void* AVWindowGetPlatformThing(AVWindow win) { return CheckWin(win)->platform; }

AVWindowLayer AVWindowGetLayer(AVWindow win) { return CheckWin(win)->layer; }

ASUns32 AVWindowGetFlags(AVWindow win) { return CheckWin(win)->flags; }

void AVWindowSetTitle(AVWindow win, ASText title) { CheckWin(win)->title = Utf8(title); }

void AVWindowGetTitle(AVWindow win, ASText title) {
  if (!title) ASRaise(genErrBadParm);
  SetText(title, CheckWin(win)->title);
}

AVDoc AVWindowGetAVDoc(AVWindow win) { return CheckWin(win)->doc; }

ASInt32 AVWindowGetDrawCount(AVWindow win) { return CheckWin(win)->draws; }

ASBool AVAppEnumWindows(AVWindowEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  std::vector<AVWindow> now;
  for (auto& w : S().windows) now.push_back(w.get());
  for (AVWindow w : now)
    if (Find(S().windows, w) && !proc(w, clientData)) return 0;
  return 1;
}

ASInt32 AVAppGetNumWindows() { return (ASInt32)S().windows.size(); }

void AVWindowClick(AVWindow win, AVDevCoord x, AVDevCoord y) {
  CheckWin(win);
  if (win->h.mouseDown) win->h.mouseDown(win, x, y, nullptr);
}

void AVWindowType(AVWindow win, char key) {
  CheckWin(win);
  if (win->h.keyDown) win->h.keyDown(win, key, nullptr);
}

// ---- menus ----------------------------------------------------------------------

AVMenubar AVAppGetMenubar() { return &S().bar; }

namespace {

AVMenu FindMenu(AVMenu m, ASAtom name) {
  if (m->name == name) return m;
  for (AVMenuItem i : m->items)
    if (i->submenu)
      if (AVMenu found = FindMenu(i->submenu, name)) return found;
  return nullptr;
}

AVMenuItem FindItem(AVMenu m, ASAtom name) {
  for (AVMenuItem i : m->items) {
    if (i->name == name) return i;
    if (i->submenu)
      if (AVMenuItem found = FindItem(i->submenu, name)) return found;
  }
  return nullptr;
}

void Detach(AVMenu menu) {
  App& a = S();
  if (menu->inBar) {
    a.bar.menus.erase(std::remove(a.bar.menus.begin(), a.bar.menus.end(), menu), a.bar.menus.end());
    menu->inBar = false;
  }
  if (menu->parentItem) {
    menu->parentItem->submenu = nullptr;
    menu->parentItem = nullptr;
  }
}

}  // namespace

AVMenu AVMenubarAcquireMenuByName(AVMenubar bar, const char* name) {
  if (!bar || !name) return nullptr;
  ASAtom a = ASAtomFromString(name);
  for (AVMenu m : bar->menus)
    if (AVMenu found = FindMenu(m, a)) {
      ++found->refs;
      return found;
    }
  return nullptr;
}

AVMenuItem AVMenubarAcquireMenuItemByName(AVMenubar bar, const char* name) {
  if (!bar || !name) return nullptr;
  ASAtom a = ASAtomFromString(name);
  for (AVMenu m : bar->menus)
    if (AVMenuItem found = FindItem(m, a)) {
      ++found->refs;
      return found;
    }
  return nullptr;
}

void AVMenubarAddMenu(AVMenubar bar, AVMenu menu, ASInt32 position) {
  if (!bar) ASRaise(genErrBadParm);
  CheckMenu(menu);
  Detach(menu);
  size_t at = position < 0 || (size_t)position > bar->menus.size() ? bar->menus.size() : (size_t)position;
  bar->menus.insert(bar->menus.begin() + (ptrdiff_t)at, menu);
  menu->inBar = true;
}

ASInt32 AVMenubarGetNumMenus(AVMenubar bar) { return bar ? (ASInt32)bar->menus.size() : 0; }

AVMenu AVMenubarAcquireMenuByIndex(AVMenubar bar, ASInt32 index) {
  if (!bar || index < 0 || index >= (ASInt32)bar->menus.size()) return nullptr;
  AVMenu m = bar->menus[(size_t)index];
  ++m->refs;
  return m;
}

AVMenu AVMenuNew(const char* title, const char* name, ExtensionID owner) {
  return hostpdf::Guard([&] {
    AVMenu m = MakeMenu(title ? title : "", name ? name : "");
    m->owner = owner;
    return m;
  });
}

AVMenu AVMenuNewWithASText(ASText title, const char* name, ExtensionID owner) {
  return AVMenuNew(Utf8(title).c_str(), name, owner);
}

void AVMenuAcquire(AVMenu menu) { ++CheckMenu(menu)->refs; }

void AVMenuRelease(AVMenu menu) {
  if (!menu) return;
  if (CheckMenu(menu)->refs > 0) --menu->refs;
}

void AVMenuRemove(AVMenu menu) { Detach(CheckMenu(menu)); }

ASAtom AVMenuGetName(AVMenu menu) { return CheckMenu(menu)->name; }

ASInt32 AVMenuGetTitle(AVMenu menu, char* buffer, ASInt32 size) { return CopyOut(CheckMenu(menu)->title, buffer, size); }

ASInt32 AVMenuGetNumMenuItems(AVMenu menu) { return (ASInt32)CheckMenu(menu)->items.size(); }

AVMenuItem AVMenuAcquireMenuItemByIndex(AVMenu menu, ASInt32 index) {
  CheckMenu(menu);
  if (index < 0 || index >= (ASInt32)menu->items.size()) return nullptr;
  AVMenuItem i = menu->items[(size_t)index];
  ++i->refs;
  return i;
}

void AVMenuAddMenuItem(AVMenu menu, AVMenuItem item, ASInt32 position) {
  CheckMenu(menu);
  CheckItem(item);
  AVMenuItemRemove(item);
  size_t at = position < 0 || (size_t)position > menu->items.size() ? menu->items.size() : (size_t)position;
  menu->items.insert(menu->items.begin() + (ptrdiff_t)at, item);
  item->parent = menu;
}

AVMenuItem AVMenuGetParentMenuItem(AVMenu menu) { return CheckMenu(menu)->parentItem; }

AVMenuItem AVMenuItemNew(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly, char shortcut,
                         ASUns16 flags, AVIcon icon, ExtensionID owner) {
  return hostpdf::Guard([&] {
    if (submenu) {
      CheckMenu(submenu);
      Detach(submenu);
    }
    AVMenuItem i = MakeItem(title ? title : "", name, submenu);
    i->longOnly = longMenusOnly != 0;
    i->shortcut = shortcut;
    i->flags = flags;
    i->icon = icon;
    i->owner = owner;
    return i;
  });
}

AVMenuItem AVMenuItemNewWithASText(ASText title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                                   char shortcut, ASUns16 flags, AVIcon icon, ExtensionID owner) {
  return AVMenuItemNew(Utf8(title).c_str(), name, submenu, longMenusOnly, shortcut, flags, icon, owner);
}

void AVMenuItemAcquire(AVMenuItem item) { ++CheckItem(item)->refs; }

void AVMenuItemRelease(AVMenuItem item) {
  if (!item) return;
  if (CheckItem(item)->refs > 0) --item->refs;
}

void AVMenuItemRemove(AVMenuItem item) {
  CheckItem(item);
  if (AVMenu p = item->parent) p->items.erase(std::remove(p->items.begin(), p->items.end(), item), p->items.end());
  item->parent = nullptr;
}

void AVMenuItemSetExecuteProc(AVMenuItem item, AVExecuteProc proc, void* clientData) {
  CheckItem(item)->exec = proc;
  item->execData = clientData;
}

void AVMenuItemSetComputeEnabledProc(AVMenuItem item, AVComputeEnabledProc proc, void* clientData) {
  CheckItem(item)->enabled = proc;
  item->enabledData = clientData;
}

void AVMenuItemSetComputeMarkedProc(AVMenuItem item, AVComputeMarkedProc proc, void* clientData) {
  CheckItem(item)->marked = proc;
  item->markedData = clientData;
}

ASBool AVMenuItemIsEnabled(AVMenuItem item) { return ItemEnabled(CheckItem(item)) ? 1 : 0; }

ASBool AVMenuItemIsMarked(AVMenuItem item) {
  CheckItem(item);
  return item->marked && item->marked(item->markedData) ? 1 : 0;
}

ASBool AVMenuItemExecute(AVMenuItem item) {
  CheckItem(item);
  if (item->submenu || item->title == "-" || !item->exec || !ItemEnabled(item)) return 0;
  item->exec(item->execData);
  return 1;
}

ASAtom AVMenuItemGetName(AVMenuItem item) { return CheckItem(item)->name; }

ASInt32 AVMenuItemGetTitle(AVMenuItem item, char* buffer, ASInt32 size) {
  return CopyOut(CheckItem(item)->title, buffer, size);
}

void AVMenuItemGetTitleAsASText(AVMenuItem item, ASText title) { SetText(title, CheckItem(item)->title); }

void AVMenuItemSetTitle(AVMenuItem item, const char* title) { CheckItem(item)->title = title ? title : ""; }

void AVMenuItemSetTitleWithASText(AVMenuItem item, ASText title) { CheckItem(item)->title = Utf8(title); }

char AVMenuItemGetShortcut(AVMenuItem item) { return CheckItem(item)->shortcut; }

AVMenu AVMenuItemGetSubmenu(AVMenuItem item) { return CheckItem(item)->submenu; }

AVMenu AVMenuItemGetParentMenu(AVMenuItem item) { return CheckItem(item)->parent; }

// ---- tool bar ----------------------------------------------------------------------

AVIcon AVAppCreateIconBundle6(AVIconType type, const AVIconDataRec* data, ASInt32 count) {
  return hostpdf::Guard([&] {
    if (!data || count <= 0) ASRaise(genErrBadParm);
    auto icon = std::make_unique<_t_AVIconRec>();
    icon->type = type;
    char buf[4096];
    for (ASInt32 i = 0; i < count; ++i) {
      if (!data[i].dataStm) ASRaise(genErrBadParm);
      ASSize_t n;
      while ((n = ASStmRead(buf, 1, sizeof buf, data[i].dataStm)) > 0) icon->data.append(buf, n);
    }
    AVIcon p = icon.get();
    S().icons.push_back(std::move(icon));
    return p;
  });
}

ASInt32 AVIconGetDataSize(AVIcon icon) {
  if (!Find(S().icons, icon)) ASRaise(genErrBadParm);
  return (ASInt32)icon->data.size();
}

AVToolBar AVAppGetToolBar() { return &S().toolbar; }

AVToolButton AVToolBarGetButtonByName(AVToolBar bar, ASAtom name) {
  if (!bar) return nullptr;
  for (AVToolButton b : bar->buttons)
    if (b->name == name) return b;
  return nullptr;
}

void AVToolBarAddButton(AVToolBar bar, AVToolButton button, ASBool before, AVToolButton other) {
  if (!bar) ASRaise(genErrBadParm);
  CheckButton(button);
  AVToolButtonRemove(button);
  auto at = std::find(bar->buttons.begin(), bar->buttons.end(), other);
  if (!other || at == bar->buttons.end()) at = before ? bar->buttons.begin() : bar->buttons.end();
  else if (!before) ++at;
  bar->buttons.insert(at, button);
  button->bar = bar;
}

ASInt32 AVToolBarGetNumButtons(AVToolBar bar) { return bar ? (ASInt32)bar->buttons.size() : 0; }

ASBool AVToolBarEnumButtons(AVToolBar bar, AVToolButtonEnumProc proc, void* clientData) {
  if (!bar || !proc) ASRaise(genErrBadParm);
  std::vector<AVToolButton> now = bar->buttons;
  for (AVToolButton b : now)
    if (!proc(b, clientData)) return 0;
  return 1;
}

AVToolButton AVToolButtonNew(ASAtom name, AVIcon icon, ASBool longOnly, ASBool isSeparator) {
  return hostpdf::Guard([&] {
    AVToolButton b = MakeButton(ASAtomGetString(name), isSeparator != 0);
    b->icon = icon;
    b->longOnly = longOnly != 0;
    return b;
  });
}

void AVToolButtonDestroy(AVToolButton button) {
  App& a = S();
  CheckButton(button);
  AVToolButtonRemove(button);
  a.buttons.erase(std::find_if(a.buttons.begin(), a.buttons.end(), [&](auto& b) { return b.get() == button; }));
}

void AVToolButtonRemove(AVToolButton button) {
  CheckButton(button);
  if (AVToolBar bar = button->bar)
    bar->buttons.erase(std::remove(bar->buttons.begin(), bar->buttons.end(), button), bar->buttons.end());
  button->bar = nullptr;
}

void AVToolButtonSetExecuteProc(AVToolButton button, AVExecuteProc proc, void* clientData) {
  CheckButton(button)->exec = proc;
  button->execData = clientData;
}

void AVToolButtonSetComputeEnabledProc(AVToolButton button, AVComputeEnabledProc proc, void* clientData) {
  CheckButton(button)->enabled = proc;
  button->enabledData = clientData;
}

void AVToolButtonSetComputeMarkedProc(AVToolButton button, AVComputeMarkedProc proc, void* clientData) {
  CheckButton(button)->marked = proc;
  button->markedData = clientData;
}

ASBool AVToolButtonIsEnabled(AVToolButton button) {
  CheckButton(button);
  if (button->separator) return 0;
  return !button->enabled || button->enabled(button->enabledData) ? 1 : 0;
}

ASBool AVToolButtonIsMarked(AVToolButton button) {
  CheckButton(button);
  return button->marked && button->marked(button->markedData) ? 1 : 0;
}

ASBool AVToolButtonExecute(AVToolButton button) {
  if (!AVToolButtonIsEnabled(button) || !button->exec) return 0;
  button->exec(button->execData);
  return 1;
}

ASAtom AVToolButtonGetName(AVToolButton button) { return CheckButton(button)->name; }

AVIcon AVToolButtonGetIcon(AVToolButton button) { return CheckButton(button)->icon; }

ASBool AVToolButtonIsSeparator(AVToolButton button) { return CheckButton(button)->separator; }

void AVToolButtonSetHelpText(AVToolButton button, const char* text) { CheckButton(button)->help = text ? text : ""; }

const char* AVToolButtonGetHelpText(AVToolButton button) { return CheckButton(button)->help.c_str(); }

void AVToolButtonSetLabelText(AVToolButton button, ASText text, ASInt32 priority) {
  CheckButton(button)->label = Utf8(text);
  button->hasLabel = text != nullptr;
  button->priority = priority;
}

ASInt32 AVToolButtonGetLabelText(AVToolButton button, ASText text) {
  CheckButton(button);
  SetText(text, button->label);
  return button->hasLabel ? button->priority : 0;
}

// ---- idle ------------------------------------------------------------------------

void AVAppRegisterIdleProc(AVIdleProc proc, void* clientData, ASUns32 period) {
  hostpdf::Guard([&] {
    if (!proc) ASRaise(genErrBadParm);
    App& a = S();
    for (Idle& i : a.idle)
      if (i.proc == proc && i.data == clientData) {
        i.period = std::max<ASUns32>(1, period);
        return;
      }
    a.idle.push_back(Idle{proc, clientData, std::max<ASUns32>(1, period), a.ticks});
  });
}

void AVAppUnregisterIdleProc(AVIdleProc proc, void* clientData) {
  auto& v = S().idle;
  v.erase(std::remove_if(v.begin(), v.end(), [&](const Idle& i) { return i.proc == proc && i.data == clientData; }),
          v.end());
}

ASUns32 AVAppGetTicks() { return S().ticks; }

void AVAppAdvanceTicks(ASUns32 ticks) {
  App& a = S();
  for (ASUns32 t = 0; t < ticks; ++t) {
    ++a.ticks;
    std::vector<Idle> now = a.idle;
    for (const Idle& i : now) {
      auto it = std::find_if(a.idle.begin(), a.idle.end(),
                             [&](const Idle& x) { return x.proc == i.proc && x.data == i.data; });
      if (it == a.idle.end() || a.ticks - it->last < it->period) continue;
      it->last = a.ticks;
      i.proc(i.data);
    }
  }
}

ASInt32 AVAppGetNumIdleProcs() { return (ASInt32)S().idle.size(); }

// ---- keys and cursors ------------------------------------------------------------------

ASUns32 AVSysGetModifiers() { return S().modifiers; }

void AVSysSetModifiers(ASUns32 modifiers) { S().modifiers = modifiers; }

AVCursor AVSysGetStandardCursor(ASInt32 cursorID) {
  auto& slot = S().cursors[cursorID];
  if (!slot) slot = std::make_unique<_t_AVCursorRec>(_t_AVCursorRec{cursorID});
  return slot.get();
}

AVCursor AVSysGetCursor() {
  App& a = S();
  return a.cursor ? a.cursor : AVSysGetStandardCursor(0);
}

void AVSysSetCursor(AVCursor cursor) { S().cursor = cursor; }

ASInt32 AVCursorGetID(AVCursor cursor) { return cursor ? cursor->id : 0; }

// ---- open-file dialog ---------------------------------------------------------------

ASBool AVAppOpenDialog(AVOpenSaveDialogParams params, ASFileSys* fileSys, ASPathName** paths, ASUns16* count,
                       ASUns16* filterIndex) {
  App& a = S();
  if (paths) *paths = nullptr;
  if (count) *count = 0;
  a.lastDialogTitle = params ? Utf8(params->windowTitle) : std::string();
  std::optional<std::string> answer;
  if (!a.answers.empty()) {
    answer = a.answers.front();
    a.answers.pop_front();
  } else if (!a.standingAnswer.empty()) {
    answer = a.standingAnswer;
  }
  if (!answer) return 0;
  ASPathName p = ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), answer->c_str(), nullptr);
  if (!p) return 0;
  if (!paths) {
    ASFileSysReleasePath(nullptr, p);
  } else {
    *paths = (ASPathName*)ASmalloc(sizeof(ASPathName));
    if (!*paths) {
      ASFileSysReleasePath(nullptr, p);
      ASRaise(genErrNoMemory);
    }
    (*paths)[0] = p;
  }
  if (count) *count = 1;
  if (fileSys) *fileSys = ASGetDefaultFileSys();
  if (filterIndex) *filterIndex = 0;
  return 1;
}

void AVAppQueueOpenDialogAnswer(const char* path) {
  hostpdf::Guard([&] {
    S().answers.push_back(path ? std::optional<std::string>(path) : std::nullopt);
  });
}

void AVAppClearOpenDialogAnswers() { S().answers.clear(); }

void AVAppSetOpenDialogStandingAnswer(const char* path) { S().standingAnswer = path ? path : ""; }

const char* AVAppGetLastOpenDialogTitle() { return S().lastDialogTitle.c_str(); }

// ---- progress ---------------------------------------------------------------------------

ProgressMonitor AVAppGetDocProgressMonitor(void** clientData) {
  static ProgressMonitorRec rec = {sizeof(ProgressMonitorRec), PmBegin, PmEnd, PmSetDuration, PmSetValue,
                                   PmGetDuration, PmGetValue, PmSetText};
  if (clientData) *clientData = nullptr;
  return &rec;
}

CancelProc AVAppGetCancelProc(void** clientData) {
  if (clientData) *clientData = nullptr;
  return HostCancel;
}

void AVAppSetCancelRequested(ASBool cancel) { S().cancel = cancel != 0; }

void AVAppSetProgressQuiet(ASBool quiet) {
  if (quiet) EndLine();
  S().quiet = quiet != 0;
}

void AVAppSetStatusLine(const char* textUTF8, ASInt32 value, ASInt32 duration) {
  WantLine(textUTF8 ? textUTF8 : "", value, duration);
}

void AVAppEndStatusLine() { EndLine(); }

void AVAppSetStepLabel(const char* labelUTF8) {
  hostpdf::Guard([&] {
    EndLine();
    App& a = S();
    a.step = Step{};
    a.step.label = OneRow(labelUTF8 ? labelUTF8 : "", 200);
  });
}

void AVAppBeginStatusPart(ASInt32 share, ASInt32 of) {
  Step& st = S().step;
  EndOperation(st, false);
  const StepPart& outer = st.parts.back();
  // A list of parts that says more than the whole ends at the whole.
  const double fraction = of > 0 ? std::clamp((double)share / of, 0.0, 1.0) : 0.0;
  StepPart part;
  part.from = part.at = outer.at;
  part.to = std::min(outer.to, outer.at + (outer.to - outer.from) * fraction);
  part.marked = true;
  // Parts that nobody ends (a failure went past them) end with the step;
  // nesting beyond this depth is counted, not kept.
  if (st.parts.size() >= 64 || st.unkeptParts > 0) {
    ++st.unkeptParts;
    return;
  }
  hostpdf::Guard([&] { st.parts.push_back(part); });
}

void AVAppEndStatusPart() {
  App& a = S();
  Step& st = a.step;
  EndOperation(st, false);
  if (st.unkeptParts > 0) {
    --st.unkeptParts;
    return;
  }
  if (st.parts.size() < 2) return;
  const double to = st.parts.back().to;
  st.parts.pop_back();
  st.parts.back().at = std::max(st.parts.back().at, to);
  // The line moves on to the part's end at once, as the percentage does.
  TerminalLine& l = a.line;
  if (!a.quiet && l.drawn && !st.label.empty()) {
    const int percent = StepPercent(st, 0, 0);
    if (percent != l.drawnPercent) DrawLine(l, st, percent, -1, 0);
  }
}

void AVAppGetProgressState(ASInt32* duration, ASInt32* value, ASBool* running) {
  Progress& p = S().progress;
  if (duration) *duration = p.duration;
  if (value) *value = p.value;
  if (running) *running = p.running;
}
