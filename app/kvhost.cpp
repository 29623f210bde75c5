// kvhost: the host program. It loads the plug-in as the host application
// would, opens the PDFs named on its command line, performs the steps its
// options name in order, and unloads. Alerts and progress go to the terminal.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/AV.h"
#include "host/HostTables.h"
#include "host/PD.h"
#include "host/PIAutomation.h"
#include "host/PIHandshake.h"
#include "platform/Pf.h"

namespace {

const char* const kUsage =
    "usage: kvhost [options] [FILE.pdf ...]\n"
    "steps, performed in order:\n"
    "  --params FILE.xml     a parameter cabinet (cabinet XML) for the next --command\n"
    "  --command KEY         run the command KEY on the active document without its dialog\n"
    "  --menu NAME           choose the menu item NAME; its dialogs are answered from --answers\n"
    "  --answers FILE.xml    a cabinet of answers for dialogs, one sub-cabinet per dialog\n"
    "  --play NAME           play the named action NAME on the active document\n"
    "  --replay FILE.pdf     replay the command history recorded in FILE.pdf on the active document\n"
    "  --page N              make page N (1-based) the active document's current page\n"
    "  --save PATH           save the active document to PATH\n"
    "  --save-all DIR        save every document a step opened, as DIR/<window title>.pdf\n"
    "listing:\n"
    "  --list-menus  --list-commands  --history FILE.pdf\n"
    "environment:\n"
    "  --prefs DIR  --host-version N.M  --plugin DIR  --quiet\n"
    "  --static-id           the same bytes for the same job: fixed document IDs, and time stamps\n"
    "                        at SOURCE_DATE_EPOCH (else 1970-01-01), in UTC\n";

struct Step {
  std::string option;
  std::string value;
};

struct Options {
  std::vector<Step> steps;
  std::vector<std::string> files;
  std::string prefs;
  std::string plugin;
  int major = 9;
  int minor = 0;
  bool staticId = false;
  bool quiet = false;
};

bool TakesValue(const std::string& o) {
  static const std::set<std::string> kValued = {"--params", "--command", "--menu",  "--answers",
                                                "--play",   "--replay",  "--page",  "--save",
                                                "--save-all", "--history", "--prefs", "--host-version",
                                                "--plugin"};
  return kValued.count(o) > 0;
}

bool IsStep(const std::string& o) {
  static const std::set<std::string> kSteps = {"--params", "--command", "--menu", "--answers",       "--play",
                                               "--replay", "--page",    "--save", "--save-all",      "--list-menus",
                                               "--list-commands", "--history"};
  return kSteps.count(o) > 0;
}

// Parses the command line; false (with a message) on a usage error.
bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (a.rfind("--", 0) != 0) {
      o->files.push_back(a);
      continue;
    }
    std::string value;
    if (TakesValue(a)) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "kvhost: %s needs a value\n", a.c_str());
        return false;
      }
      value = argv[++i];
    }
    if (a == "--prefs") {
      o->prefs = value;
    } else if (a == "--plugin") {
      o->plugin = value;
    } else if (a == "--host-version") {
      if (std::sscanf(value.c_str(), "%d.%d", &o->major, &o->minor) != 2 || o->major < 1 || o->major > 99 ||
          o->minor < 0 || o->minor > 99) {
        std::fprintf(stderr, "kvhost: --host-version wants N.M, not %s\n", value.c_str());
        return false;
      }
    } else if (a == "--static-id") {
      o->staticId = true;
    } else if (a == "--quiet") {
      o->quiet = true;
    } else if (IsStep(a)) {
      o->steps.push_back({a, value});
    } else {
      std::fprintf(stderr, "kvhost: unknown option %s\n%s", a.c_str(), kUsage);
      return false;
    }
  }
  return true;
}

std::string ExeFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p = buf;
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

// The fixed time of --static-id: SOURCE_DATE_EPOCH where it is set (seconds
// since 1970, as reproducible builds use it), else the start of 1970.
bool StaticTime(ASInt64* seconds) {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  *seconds = 0;
  if (!text || !*text) return true;
  const ASInt64 kLast = 253402300799;  // 9999-12-31 23:59:59, the last a PDF date can say
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9' || *seconds > kLast) {
      std::fprintf(stderr, "kvhost: SOURCE_DATE_EPOCH wants whole seconds since 1970, not %s\n", text);
      return false;
    }
    *seconds = *seconds * 10 + (*c - '0');
  }
  if (*seconds > kLast) {
    std::fprintf(stderr, "kvhost: SOURCE_DATE_EPOCH wants whole seconds since 1970, not %s\n", text);
    return false;
  }
  return true;
}

bool ReadText(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  *out = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

ASPathName PathOf(const std::string& p) {
  return ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), p.c_str(), nullptr);
}

PDDoc OpenDoc(const std::string& path) {
  ASPathName p = PathOf(path);
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpen(p, nullptr, nullptr, 1);
  HANDLER
    char text[200];
    ASGetErrorString(ERRORCODE, text, sizeof text);
    std::fprintf(stderr, "kvhost: cannot open %s: %s\n", path.c_str(), text);
    doc = nullptr;
  END_HANDLER
  ASFileSysReleasePath(nullptr, p);
  return doc;
}

bool SaveDoc(PDDoc doc, const std::string& path) {
  ASPathName p = PathOf(path);
  bool ok = true;
  DURING
    PDDocSave(doc, PDSaveFull, p, nullptr, nullptr, nullptr);
  HANDLER
    char text[200];
    ASGetErrorString(ERRORCODE, text, sizeof text);
    std::fprintf(stderr, "kvhost: cannot save %s: %s\n", path.c_str(), text);
    ok = false;
  END_HANDLER
  ASFileSysReleasePath(nullptr, p);
  return ok;
}

std::vector<AVDoc> OpenViews() {
  std::vector<AVDoc> views;
  AVAppEnumDocs(
      [](AVDoc d, void* data) -> ASBool {
        static_cast<std::vector<AVDoc>*>(data)->push_back(d);
        return 1;
      },
      &views);
  return views;
}

std::string WindowTitle(AVDoc view) {
  ASText t = ASTextNew();
  AVWindowGetTitle(AVDocGetAVWindow(view), t);
  std::string title = ASTextGetUTF8(t);
  ASTextDestroy(t);
  return title;
}

void ListMenu(AVMenu menu, const std::string& indent) {
  for (ASInt32 i = 0, n = AVMenuGetNumMenuItems(menu); i < n; ++i) {
    AVMenuItem item = AVMenuAcquireMenuItemByIndex(menu, i);
    char title[300];
    AVMenuItemGetTitle(item, title, sizeof title);
    std::printf("%s%s\t%s%s\n", indent.c_str(), ASAtomGetString(AVMenuItemGetName(item)), title,
                AVMenuItemIsEnabled(item) ? "" : "\t(disabled)");
    if (AVMenu sub = AVMenuItemGetSubmenu(item)) ListMenu(sub, indent + "  ");
    AVMenuItemRelease(item);
  }
}

void PrintLine(const char* text, void*) { std::printf("%s\n", text); }
void PrintText(const char* text, void*) { std::fputs(text, stdout); }

// Performs the steps in order; false when one failed.
bool Perform(const Options& o, std::vector<AVDoc>* initial) {
  const PIAutomationProcs* automation = PIGetAutomation();
  auto needAutomation = [&](const std::string& step) {
    if (automation) return true;
    std::fprintf(stderr, "kvhost: %s: the plug-in offers no automation\n", step.c_str());
    return false;
  };
  auto active = [&](const std::string& step) -> AVDoc {
    AVDoc d = AVAppGetActiveDoc();
    if (!d) std::fprintf(stderr, "kvhost: %s: there is no active document\n", step.c_str());
    return d;
  };
  std::string params, answers;
  bool haveParams = false, haveAnswers = false;
  for (const Step& s : o.steps) {
    const std::string& v = s.value;
    if (s.option == "--params" || s.option == "--answers") {
      std::string* into = s.option == "--params" ? &params : &answers;
      if (!ReadText(v, into)) {
        std::fprintf(stderr, "kvhost: cannot read %s\n", v.c_str());
        return false;
      }
      (s.option == "--params" ? haveParams : haveAnswers) = true;
    } else if (s.option == "--command") {
      // Some commands make a document of their own (a sample document, pages
      // into a new file): whether one must be open is the command's to say.
      if (!needAutomation(s.option)) return false;
      bool ok = automation->runCommand(v.c_str(), haveParams ? params.c_str() : nullptr);
      haveParams = false;
      if (!ok) {
        std::fprintf(stderr, "kvhost: the command %s did not complete\n", v.c_str());
        return false;
      }
    } else if (s.option == "--menu") {
      AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), v.c_str());
      if (!item) {
        std::fprintf(stderr, "kvhost: no menu item %s\n", v.c_str());
        return false;
      }
      bool enabled = AVMenuItemIsEnabled(item);
      bool outcomeKnown = automation && automation->size >= offsetof(PIAutomationProcs, takeMenuOutcome) +
                                                               sizeof automation->takeMenuOutcome &&
                          automation->takeMenuOutcome;
      if (enabled) {
        if (automation) automation->answerDialogs(haveAnswers ? answers.c_str() : nullptr);
        if (outcomeKnown) automation->takeMenuOutcome();  // forget earlier outcomes
        AVMenuItemExecute(item);
      }
      AVMenuItemRelease(item);
      if (!enabled) {
        std::fprintf(stderr, "kvhost: the menu item %s is disabled\n", v.c_str());
        return false;
      }
      if (outcomeKnown && automation->takeMenuOutcome() == 0) {
        std::fprintf(stderr, "kvhost: the command of the menu item %s did not complete\n", v.c_str());
        return false;
      }
    } else if (s.option == "--play") {
      if (!needAutomation(s.option) || !active(s.option)) return false;
      if (!automation->playAction(v.c_str())) {
        std::fprintf(stderr, "kvhost: the action %s did not complete\n", v.c_str());
        return false;
      }
    } else if (s.option == "--replay" || s.option == "--history") {
      if (!needAutomation(s.option) || (s.option == "--replay" && !active(s.option))) return false;
      PDDoc source = OpenDoc(v);
      if (!source) return false;
      bool ok = s.option == "--replay" ? automation->replayHistory(source)
                                       : automation->historyXML(source, PrintText, nullptr);
      PDDocClose(source);
      if (!ok) {
        std::fprintf(stderr, "kvhost: %s %s failed\n", s.option.c_str(), v.c_str());
        return false;
      }
    } else if (s.option == "--page") {
      AVDoc d = active(s.option);
      if (!d) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (!end || *end || n < 1 || n > PDDocGetNumPages(AVDocGetPDDoc(d))) {
        std::fprintf(stderr, "kvhost: --page %s: no such page\n", v.c_str());
        return false;
      }
      AVPageViewGoTo(AVDocGetPageView(d), (ASInt32)(n - 1));
    } else if (s.option == "--save") {
      AVDoc d = active(s.option);
      if (!d || !SaveDoc(AVDocGetPDDoc(d), v)) return false;
    } else if (s.option == "--save-all") {
      std::set<AVDoc> before(initial->begin(), initial->end());
      for (AVDoc d : OpenViews()) {
        if (before.count(d)) continue;
        std::string title = WindowTitle(d);
        for (char& c : title)
          if (c == '/') c = '_';
        if (title.empty()) title = "untitled";
        if (!SaveDoc(AVDocGetPDDoc(d), v + "/" + title + ".pdf")) return false;
      }
    } else if (s.option == "--list-menus") {
      AVMenubar bar = AVAppGetMenubar();
      for (ASInt32 i = 0, n = AVMenubarGetNumMenus(bar); i < n; ++i) {
        AVMenu menu = AVMenubarAcquireMenuByIndex(bar, i);
        char title[300];
        AVMenuGetTitle(menu, title, sizeof title);
        std::printf("%s\t%s\n", ASAtomGetString(AVMenuGetName(menu)), title);
        ListMenu(menu, "  ");
        AVMenuRelease(menu);
      }
    } else if (s.option == "--list-commands") {
      if (!needAutomation(s.option)) return false;
      automation->listCommands(PrintLine, nullptr);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) return 2;
  if (!o.prefs.empty()) ASHostSetPreferencesFolder(o.prefs.c_str());
  ASHostVersionSet((ASInt16)o.major, (ASInt16)o.minor);
  HostRegisterFunctionTables();
  PDSetDeterministicIDs(o.staticId ? 1 : 0);
  if (o.staticId) {
    // The same job saves the same bytes: fixed IDs, and fixed time stamps.
    ASInt64 seconds = 0;
    if (!StaticTime(&seconds)) return 2;
    ASHostSetFixedTime(1, seconds);
  }
  AVAppSetProgressQuiet(o.quiet ? 1 : 0);
  std::string plugin = o.plugin.empty() ? ExeFolder() + "/plugins/kv3" : o.plugin;

  char error[600];
  PILoadedPlugIn* loaded = PILoadPlugIn(plugin.c_str(), error, sizeof error);
  if (!loaded) {
    std::fprintf(stderr, "kvhost: %s\n", error);
    return 1;
  }
  bool ok = true;
  for (const std::string& f : o.files) {
    PDDoc doc = OpenDoc(f);
    if (!doc) {
      ok = false;
      break;
    }
    AVDocOpenFromPDDoc(doc, nullptr);
  }
  std::vector<AVDoc> initial = OpenViews();
  if (ok) ok = Perform(o, &initial);
  std::fflush(stdout);
  PIUnloadPlugIn(loaded);
  AVAppShutdown();
  return ok ? 0 : 1;
}
