// Process-wide state, observers, the desktop and system answers.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/PfDesktop.h"
#include "platform/PfImage.h"
#include "platform/PfInternal.h"
#include "platform/PfSystem.h"

PfGlobals& PfG() {
  static PfGlobals globals;
  return globals;
}

bool PfIsLiveWindow(PfWindowRef window) {
  if (!window) return false;
  const auto& w = PfG().windows;
  return std::find(w.begin(), w.end(), window) != w.end();
}

// Observers.
namespace {

struct ObserverEntry {
  int32_t token;
  PfObserverProc proc;
  void* client;
};

std::vector<ObserverEntry>& Observers() {
  static std::vector<ObserverEntry> observers;
  return observers;
}
int32_t gNextObserverToken = 1;

}  // namespace

int32_t PfAddObserver(PfObserverProc proc, void* client) {
  if (!proc) return 0;
  int32_t token = gNextObserverToken++;
  Observers().push_back(ObserverEntry{token, proc, client});
  return token;
}

void PfRemoveObserver(int32_t token) {
  auto& o = Observers();
  o.erase(std::remove_if(o.begin(), o.end(), [token](const ObserverEntry& e) { return e.token == token; }), o.end());
}

void PfObserverReset() { Observers().clear(); }

void PfNotify(EPfNoticeKind kind, PfWindowRef window, PfControlRef control, const PfDrawOp* op, const PfEvent* event) {
  if (Observers().empty()) return;
  SPfNotice notice{kind, window, control, op, event};
  // An observer may remove itself while being told.
  std::vector<ObserverEntry> copy = Observers();
  for (const ObserverEntry& e : copy) e.proc(&notice, e.client);
}

// Desktop.
namespace {

struct Screen {
  PfRect bounds;
  PfRect available;
};

struct DesktopState {
  std::vector<Screen> screens;
  int32_t menuBar = 22;
};

DesktopState& D() {
  static DesktopState state;
  static bool made = false;
  if (!made) {
    made = true;
    Screen s{PfSetRect(0, 0, 1024, 768), PfSetRect(0, 22, 1024, 768)};
    state.screens.push_back(s);
  }
  return state;
}

void SetAvailableDefaults() {
  DesktopState& d = D();
  for (size_t i = 0; i < d.screens.size(); ++i) {
    d.screens[i].available = d.screens[i].bounds;
    if (i == 0) d.screens[i].available.top += d.menuBar;
  }
}

}  // namespace

void PfDesktopResetState() {
  DesktopState& d = D();
  d.screens.clear();
  d.menuBar = 22;
  d.screens.push_back(Screen{PfSetRect(0, 0, 1024, 768), PfSetRect(0, 22, 1024, 768)});
}

void PfDesktopReset() { PfDesktopResetState(); }

void PfDesktopSetScreens(const PfRect* screens, int32_t count) {
  if (!screens || count < 1) return;
  DesktopState& d = D();
  d.screens.clear();
  for (int32_t i = 0; i < count; ++i) d.screens.push_back(Screen{screens[i], screens[i]});
  SetAvailableDefaults();
}

void PfDesktopSetMenuBarHeight(int32_t height) {
  D().menuBar = std::max(0, height);
  SetAvailableDefaults();
}

void PfScreenSetAvailableBounds(int32_t screen, const PfRect& bounds) {
  DesktopState& d = D();
  if (screen >= 0 && screen < (int32_t)d.screens.size()) d.screens[(size_t)screen].available = bounds;
}

int32_t PfScreenCount() { return (int32_t)D().screens.size(); }

bool PfScreenGetBounds(int32_t screen, PfRect* bounds) {
  DesktopState& d = D();
  if (screen < 0 || screen >= (int32_t)d.screens.size()) return false;
  *bounds = d.screens[(size_t)screen].bounds;
  return true;
}

bool PfScreenGetAvailableBounds(int32_t screen, PfRect* bounds) {
  DesktopState& d = D();
  if (screen < 0 || screen >= (int32_t)d.screens.size()) return false;
  *bounds = d.screens[(size_t)screen].available;
  return true;
}

int32_t PfScreenFromPoint(PfPoint point) {
  DesktopState& d = D();
  for (size_t i = 0; i < d.screens.size(); ++i)
    if (PfPtInRect(point, d.screens[i].bounds)) return (int32_t)i;
  return -1;
}

int32_t PfMenuBarHeight() { return D().menuBar; }

PfRect PfDesktopBounds() {
  PfRect r = PfSetRect(0, 0, 0, 0);
  for (const Screen& s : D().screens) r = PfUnionRect(r, s.bounds);
  return r;
}

PfRect PfDesktopGrayBounds() {
  PfRect r = PfSetRect(0, 0, 0, 0);
  DesktopState& d = D();
  for (size_t i = 0; i < d.screens.size(); ++i) {
    PfRect b = d.screens[i].bounds;
    if (i == 0) b.top += d.menuBar;
    r = PfUnionRect(r, b);
  }
  return r;
}

// System answers.
namespace {

struct SystemState {
  std::map<PfFourCC, int32_t> gestalt;
  int32_t beeps = 0;
  std::vector<std::string> urls;
  bool fixedNames = false;
};

SystemState& S() {
  static SystemState state;
  static bool made = false;
  if (!made) {
    made = true;
    PfSystemReset();
  }
  return state;
}

}  // namespace

void PfSystemReset() {
  static bool busy = false;
  if (busy) return;
  busy = true;
  SystemState& s = S();
  s.gestalt.clear();
  s.gestalt[PfMakeFourCC("menu")] = 0x2;
  s.gestalt[PfMakeFourCC("sysv")] = 0x1049;
  s.gestalt[PfMakeFourCC("sys1")] = 10;
  s.gestalt[PfMakeFourCC("sys2")] = 4;
  s.gestalt[PfMakeFourCC("sys3")] = 9;
  s.beeps = 0;
  s.urls.clear();
  s.fixedNames = false;
  busy = false;
}

// The names are asked for once a process: the engine stamps them on every
// placed page, and a password-database lookup per page made large jobs slow.
const char* PfComputerName() {
  if (S().fixedNames) return "";
  static const std::string host = [] {
    char text[256] = {};
    if (::gethostname(text, sizeof text - 1) != 0 || !text[0]) return std::string("?");
    return std::string(text);
  }();
  return host.c_str();
}

const char* PfUserName() {
  if (S().fixedNames) return "";
  static const std::string user = [] {
    const passwd* pw = ::getpwuid(::getuid());
    const char* name = pw && pw->pw_name && *pw->pw_name ? pw->pw_name : std::getenv("USER");
    return std::string(name && *name ? name : "?");
  }();
  return user.c_str();
}

void PfSetFixedNames(bool fixed) { S().fixedNames = fixed; }
bool PfFixedNames() { return S().fixedNames; }

PfErr PfGestalt(PfFourCC selector, int32_t* response) {
  SystemState& s = S();
  auto it = s.gestalt.find(selector);
  if (it == s.gestalt.end()) return -5551;  // unknown selector
  if (response) *response = it->second;
  return kPfNoErr;
}

void PfGestaltSet(PfFourCC selector, int32_t value, bool present) {
  if (present)
    S().gestalt[selector] = value;
  else
    S().gestalt.erase(selector);
}

PfErr PfGetThemeMetric(int32_t metric, int32_t* value) {
  static const std::map<int32_t, int32_t> metrics = {{0, 15}, {2, 18}, {3, 18}, {4, 3},
                                                     {5, 3},  {19, 20}, {50, 16}, {52, 16}};
  auto it = metrics.find(metric);
  if (it == metrics.end()) return kPfErrParam;
  if (value) *value = it->second;
  return kPfNoErr;
}

void PfSysBeep() { ++S().beeps; }
int32_t PfBeepCount() { return S().beeps; }

PfErr PfLaunchURLUTF8(const char* url) {
  if (!url || !*url) return kPfErrParam;
  S().urls.push_back(url);
  return kPfNoErr;
}
int32_t PfLaunchedURLCount() { return (int32_t)S().urls.size(); }
const char* PfLaunchedURL(int32_t index) {
  SystemState& s = S();
  if (index < 0 || index >= (int32_t)s.urls.size()) return nullptr;
  return s.urls[(size_t)index].c_str();
}

void PfResetAll() {
  PfGlobals& g = PfG();
  // Dialogs first: they own windows, controls and text edits.
  while (!g.dialogs.empty()) PfDisposeDialog(g.dialogs.back());
  while (!g.windows.empty()) PfDisposeWindow(g.windows.back());
  while (!g.lists.empty()) PfLDispose(g.lists.back());
  while (!g.controls.empty()) PfDisposeControl(g.controls.back());
  while (!g.textEdits.empty()) PfTEDispose(g.textEdits.back());
  while (!g.menus.empty()) PfDisposeMenu(g.menus.back());
  g.menuList.clear();
  g.port = nullptr;
  PfEventReset();
  PfDesktopResetState();
  PfSystemReset();
  PfTEResetScrap();
  PfResourceReset();
  PfModalReset();
  PfChooseFolderReset();
  PfDriverReset();
}
