// kvhost: the host program. It loads the plug-in as the host application
// would, opens the PDFs named on its command line, performs the steps its
// options name in order, and unloads. Alerts and progress go to the terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    "                        at SOURCE_DATE_EPOCH (else 1970-01-01), in UTC\n"
    "  --help                this text; README.md says more of each option\n";

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

// "N.M" with one or two digits each side and nothing else.
bool ParseVersion(const std::string& text, int* major, int* minor) {
  size_t dot = text.find('.');
  auto digits = [](const std::string& part) {
    if (part.empty() || part.size() > 2) return false;
    for (char c : part)
      if (!std::isdigit((unsigned char)c)) return false;
    return true;
  };
  if (dot == std::string::npos || !digits(text.substr(0, dot)) || !digits(text.substr(dot + 1))) return false;
  *major = std::atoi(text.substr(0, dot).c_str());
  *minor = std::atoi(text.substr(dot + 1).c_str());
  return *major >= 1;
}

// Steps that take the value of an earlier step: a --params is for the next
// --command, --answers for the dialogs of later steps. One that nothing
// after it would use is a mistake in the command line.
bool StepsUseTheirInputs(const std::vector<Step>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    if (s.option != "--params" && s.option != "--answers") continue;
    bool used = false;
    for (size_t j = i + 1; j < steps.size() && !used; ++j) {
      const std::string& later = steps[j].option;
      if (s.option == "--params") {
        if (later == "--params") break;
        used = later == "--command";
      } else {
        used = later == "--menu" || later == "--play" || later == "--replay" || later == "--command";
      }
    }
    if (!used) {
      if (s.option == "--params")
        std::fprintf(stderr, "kvhost: --params %s: no --command follows it to use these parameters\n", s.value.c_str());
      else
        std::fprintf(stderr, "kvhost: --answers %s: no --menu, --play, --replay or --command follows it\n",
                     s.value.c_str());
      return false;
    }
  }
  return true;
}

// Parses the command line; false (with a message) on a usage error.
bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (a.size() > 1 && a[0] == '-' && a[1] != '-') {
      std::fprintf(stderr, "kvhost: unknown option %s (a file whose name begins with \"-\" is named ./%s)\n%s",
                   a.c_str(), a.c_str(), kUsage);
      return false;
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
      if (!ParseVersion(value, &o->major, &o->minor)) {
        std::fprintf(stderr, "kvhost: --host-version wants N.M (such as 9.0), not %s\n", value.c_str());
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
  return StepsUseTheirInputs(o->steps);
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

// The file's text; false, said with what is wrong (not found, not
// readable), when it cannot be read.
bool ReadText(const std::string& option, const std::string& path, std::string* out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      std::fprintf(stderr, "kvhost: %s %s: not found\n", option.c_str(), path.c_str());
    else
      std::fprintf(stderr, "kvhost: %s %s: not readable (%s)\n", option.c_str(), path.c_str(), std::strerror(errno));
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "kvhost: %s %s: not readable (a folder, not a file)\n", option.c_str(), path.c_str());
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kvhost: %s %s: not readable (%s)\n", option.c_str(), path.c_str(), std::strerror(errno));
    return false;
  }
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
void KeepText(const char* text, void* data) { *static_cast<std::string*>(data) = text ? text : ""; }

// The menu item titled text (as --list-menus shows it, or without its
// trailing "...", in any letter case), for a name that is no item's.
std::string ItemTitled(AVMenu menu, const std::string& text) {
  auto plain = [](std::string t) {
    while (!t.empty() && (t.back() == '.' || t.back() == ' ')) t.pop_back();
    for (char& c : t) c = (char)std::tolower((unsigned char)c);
    return t;
  };
  for (ASInt32 i = 0, n = AVMenuGetNumMenuItems(menu); i < n; ++i) {
    AVMenuItem item = AVMenuAcquireMenuItemByIndex(menu, i);
    char title[300];
    AVMenuItemGetTitle(item, title, sizeof title);
    std::string found;
    if (!plain(text).empty() && plain(title) == plain(text)) found = ASAtomGetString(AVMenuItemGetName(item));
    AVMenu sub = found.empty() ? AVMenuItemGetSubmenu(item) : nullptr;
    if (sub) found = ItemTitled(sub, text);
    AVMenuItemRelease(item);
    if (!found.empty()) return found;
  }
  return "";
}

std::string ItemTitledInMenubar(const std::string& text) {
  AVMenubar bar = AVAppGetMenubar();
  for (ASInt32 i = 0, n = AVMenubarGetNumMenus(bar); i < n; ++i) {
    AVMenu menu = AVMenubarAcquireMenuByIndex(bar, i);
    std::string found = ItemTitled(menu, text);
    AVMenuRelease(menu);
    if (!found.empty()) return found;
  }
  return "";
}

// The keys --list-commands shows.
std::vector<std::string> CommandKeys(const PIAutomationProcs* automation) {
  std::vector<std::string> keys;
  automation->listCommands(
      [](const char* line, void* data) {
        std::string l = line ? line : "";
        static_cast<std::vector<std::string>*>(data)->push_back(l.substr(0, l.find('\t')));
      },
      &keys);
  return keys;
}

// Says why a command by key did not run when its key is none of the
// plug-in's; false when the key is known.
bool SayUnknownCommand(const PIAutomationProcs* automation, const std::string& key) {
  auto lower = [](std::string t) {
    for (char& c : t) c = (char)std::tolower((unsigned char)c);
    return t;
  };
  std::string same;
  for (const std::string& k : CommandKeys(automation)) {
    if (k == key) return false;
    if (lower(k) == lower(key)) same = k;
  }
  if (!same.empty())
    std::fprintf(stderr, "kvhost: there is no command %s; keys are case-sensitive: %s\n", key.c_str(), same.c_str());
  else
    std::fprintf(stderr, "kvhost: there is no command %s; --list-commands lists the commands\n", key.c_str());
  return true;
}

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
  auto offers = [&](size_t end) { return automation && automation->size >= end; };
  const bool knowsRemembered =
      offers(offsetof(PIAutomationProcs, rememberedParams) + sizeof automation->rememberedParams) &&
      automation->rememberedParams;
  std::string params, answers;
  bool haveParams = false, haveAnswers = false;
  for (const Step& s : o.steps) {
    const std::string& v = s.value;
    if (s.option == "--params" || s.option == "--answers") {
      std::string* into = s.option == "--params" ? &params : &answers;
      if (!ReadText(s.option, v, into)) return false;
      (s.option == "--params" ? haveParams : haveAnswers) = true;
      // Answers that do not read are refused here, before a dialog runs on
      // answers nobody gave.
      if (s.option == "--answers") {
        if (!needAutomation(s.option)) return false;
        if (!automation->answerDialogs(answers.c_str())) {
          std::fprintf(stderr, "kvhost: --answers %s: the answers could not be read; nothing more is run\n",
                       v.c_str());
          return false;
        }
      }
    } else if (s.option == "--command") {
      // Some commands make a document of their own (a sample document, pages
      // into a new file): whether one must be open is the command's to say.
      if (!needAutomation(s.option)) return false;
      std::string file;
      if (!haveParams && !o.quiet && knowsRemembered && automation->rememberedParams(v.c_str(), KeepText, &file)) {
        std::fprintf(stderr,
                     "kvhost: %s runs on the parameters remembered from an earlier run, in %s (--params gives "
                     "others; --prefs chooses another preferences folder)\n",
                     v.c_str(), file.c_str());
      }
      bool ok = automation->runCommand(v.c_str(), haveParams ? params.c_str() : nullptr);
      AVAppEndStatusLine();  // what follows is printed on a line of its own
      haveParams = false;
      if (!ok) {
        if (!SayUnknownCommand(automation, v))
          std::fprintf(stderr, "kvhost: the command %s did not complete\n", v.c_str());
        return false;
      }
    } else if (s.option == "--menu") {
      AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), v.c_str());
      if (!item) {
        std::string named = ItemTitledInMenubar(v);
        if (!named.empty())
          std::fprintf(stderr, "kvhost: no menu item is named %s; the item titled so is named %s\n", v.c_str(),
                       named.c_str());
        else
          std::fprintf(stderr, "kvhost: no menu item is named %s; --list-menus lists the names\n", v.c_str());
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
        AVAppEndStatusLine();
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
      const bool played = automation->playAction(v.c_str());
      AVAppEndStatusLine();
      if (!played) {
        std::fprintf(stderr, "kvhost: the action %s did not complete\n", v.c_str());
        return false;
      }
    } else if (s.option == "--replay" || s.option == "--history") {
      if (!needAutomation(s.option) || (s.option == "--replay" && !active(s.option))) return false;
      PDDoc source = OpenDoc(v);
      if (!source) return false;
      bool ok = s.option == "--replay" ? automation->replayHistory(source)
                                       : automation->historyXML(source, PrintText, nullptr);
      AVAppEndStatusLine();
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
      std::error_code made;
      std::filesystem::create_directories(v, made);
      if (made || !std::filesystem::is_directory(v)) {
        std::fprintf(stderr, "kvhost: --save-all %s: the folder cannot be made (%s)\n", v.c_str(),
                     made ? made.message().c_str() : "a file of that name is in the way");
        return false;
      }
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
    if (std::strstr(error, "this host reports version"))
      std::fprintf(stderr, "kvhost: --host-version N.M sets the version kvhost reports (9.0 when not given)\n");
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
  AVAppEndStatusLine();
  std::fflush(stdout);
  PIUnloadPlugIn(loaded);
  AVAppShutdown();
  return ok ? 0 : 1;
}
