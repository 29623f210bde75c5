// kvhost: the host program. It loads the plug-in as the host application
// would, opens the PDFs named on its command line, performs the steps its
// options name in order, and unloads. Alerts and progress go to the terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    "  --set KEY=VALUE       one parameter of the next --command, over --params (repeatable, later ones\n"
    "                        win): FitAcross=2, DoScaling=ToFit, TrimBy=10mm, Page=A4, Page=85x55mm\n"
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
    "  --static-id           the same bytes for the same job: fixed document IDs, time stamps at\n"
    "                        SOURCE_DATE_EPOCH (else 1970-01-01) in UTC, no computer or user names\n"
    "  --version             the versions of kvhost and of the plug-in\n"
    "  --help                this text; README.md says more of each option\n"
    "an option's value may follow it or be joined to it: --save out.pdf, --save=out.pdf\n";

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
  bool version = false;
};

bool TakesValue(const std::string& o) {
  static const std::set<std::string> kValued = {"--params", "--set",    "--command",  "--menu",
                                                "--answers", "--play",  "--replay",   "--page",
                                                "--save",   "--save-all", "--history", "--prefs",
                                                "--host-version", "--plugin"};
  return kValued.count(o) > 0;
}

bool IsStep(const std::string& o) {
  static const std::set<std::string> kSteps = {"--params", "--set",    "--command", "--menu",
                                               "--answers", "--play",  "--replay",  "--page",
                                               "--save",   "--save-all", "--list-menus", "--list-commands",
                                               "--history"};
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

// Steps that take the value of an earlier step: a --params or --set is for
// the next --command, --answers for the dialogs of later steps. One that
// nothing after it would use is a mistake in the command line.
bool StepsUseTheirInputs(const std::vector<Step>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    if (s.option != "--params" && s.option != "--set" && s.option != "--answers") continue;
    bool used = false;
    for (size_t j = i + 1; j < steps.size() && !used; ++j) {
      const std::string& later = steps[j].option;
      if (s.option == "--params") {
        if (later == "--params") break;
        used = later == "--command";
      } else if (s.option == "--set") {
        used = later == "--command";
      } else {
        used = later == "--menu" || later == "--play" || later == "--replay" || later == "--command";
      }
    }
    if (!used) {
      if (s.option == "--params")
        std::fprintf(stderr, "kvhost: --params %s: no --command follows it to use these parameters\n", s.value.c_str());
      else if (s.option == "--set")
        std::fprintf(stderr, "kvhost: --set %s: no --command follows it to use this parameter\n", s.value.c_str());
      else
        std::fprintf(stderr, "kvhost: --answers %s: no --menu, --play, --replay or --command follows it\n",
                     s.value.c_str());
      return false;
    }
  }
  return true;
}

// "KEY=VALUE" with a key; the value's kind is the command's to read.
bool GoodSetting(const std::string& setting) {
  size_t eq = setting.find('=');
  if (eq != std::string::npos && eq > 0) return true;
  if (eq == std::string::npos)
    std::fprintf(stderr, "kvhost: --set %s: KEY=VALUE is needed, such as --set FitAcross=2\n", setting.c_str());
  else
    std::fprintf(stderr, "kvhost: --set %s: the key is missing before \"=\", such as --set FitAcross=2\n",
                 setting.c_str());
  return false;
}

// Parses the command line; false (with a message) on a usage error.
bool Parse(int argc, char** argv, Options* o) {
  if (argc < 2) {
    // Nothing asked is no run: the user is shown what may be asked.
    std::fputs(kUsage, stderr);
    return false;
  }
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
    // --opt=value is --opt value; in --set=KEY=VALUE the first "=" joins.
    std::string value;
    const size_t joined = a.find('=');
    if (joined != std::string::npos) {
      value = a.substr(joined + 1);
      a = a.substr(0, joined);
      if (!TakesValue(a)) {
        if (IsStep(a) || a == "--static-id" || a == "--quiet" || a == "--version")
          std::fprintf(stderr, "kvhost: %s takes no value\n", a.c_str());
        else
          std::fprintf(stderr, "kvhost: unknown option %s\n%s", a.c_str(), kUsage);
        return false;
      }
      if (value.empty()) {
        std::fprintf(stderr, "kvhost: %s needs a value\n", a.c_str());
        return false;
      }
    } else if (TakesValue(a)) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "kvhost: %s needs a value\n", a.c_str());
        return false;
      }
      value = argv[++i];
    }
    if (a == "--set" && !GoodSetting(value)) return false;
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
    } else if (a == "--version") {
      o->version = true;
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
  // A folder in the way is named as such, not as a failure to write.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "kvhost: cannot save %s: it is a folder; give the path of a file in it (--save-all DIR saves "
                         "into a folder)\n", path.c_str());
    return false;
  }
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

// The table offers the entry that ends at end.
bool Offers(const PIAutomationProcs* automation, size_t end) { return automation && automation->size >= end; }

bool TakesSettings(const PIAutomationProcs* automation) {
  return Offers(automation, offsetof(PIAutomationProcs, checkSettings) + sizeof automation->checkSettings) &&
         automation->runCommandWithSettings && automation->checkSettings;
}

// Every --set is read as its command takes it before any step runs: a value
// that does not read is a mistake in the command line.
bool SettingsRead(const Options& o, bool* usage) {
  const PIAutomationProcs* automation = PIGetAutomation();
  std::vector<std::string> settings;
  for (const Step& s : o.steps) {
    if (s.option == "--set") {
      settings.push_back(s.value);
      continue;
    }
    if (s.option != "--command" || settings.empty()) continue;
    if (!TakesSettings(automation)) {
      std::fprintf(stderr, "kvhost: --set: this plug-in takes no parameters by --set; give them with --params\n");
      return false;
    }
    for (const std::string& setting : settings) {
      const char* text[] = {setting.c_str()};
      std::string why;
      if (!automation->checkSettings(s.value.c_str(), text, 1, KeepText, &why)) {
        std::fprintf(stderr, "kvhost: --set %s: %s\n", setting.c_str(), why.c_str());
        *usage = true;
        return false;
      }
    }
    settings.clear();
  }
  return true;
}

// Performs the steps in order; false when one failed. saved receives the
// documents a --save or --save-all saved.
// saved gets the documents a step saved; passedOn those a step made and a
// later step, run on it, made a new document of (a trim before a booklet):
// their pages went on into that document.
bool Perform(const Options& o, std::vector<AVDoc>* initial, std::set<AVDoc>* saved, std::set<AVDoc>* passedOn) {
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
  const bool knowsRemembered =
      Offers(automation, offsetof(PIAutomationProcs, rememberedParams) + sizeof automation->rememberedParams) &&
      automation->rememberedParams;
  // A text that does not read is named with its file where the plug-in can say so.
  const bool namesFiles =
      Offers(automation, offsetof(PIAutomationProcs, answerDialogsFrom) + sizeof automation->answerDialogsFrom) &&
      automation->answerDialogsFrom;
  const bool takesPassedOn =
      Offers(automation, offsetof(PIAutomationProcs, takePassedOn) + sizeof automation->takePassedOn) &&
      automation->takePassedOn;
  // Without parameters or settings the command runs on its remembered ones.
  auto runCommand = [&](const std::string& key, const char* xml, const std::string& file,
                        const std::vector<std::string>& given) -> bool {
    if (!TakesSettings(automation) || (!xml && given.empty()))
      return given.empty() && automation->runCommand(key.c_str(), xml);
    std::vector<const char*> texts;
    for (const std::string& setting : given) texts.push_back(setting.c_str());
    return automation->runCommandWithSettings(key.c_str(), xml, xml ? file.c_str() : nullptr, texts.data(),
                                              (ASInt32)texts.size());
  };
  auto answerDialogs = [&](const char* xml, const std::string& file) {
    return namesFiles ? automation->answerDialogsFrom(xml, xml ? file.c_str() : nullptr) : automation->answerDialogs(xml);
  };
  std::string params, answers, paramsFile, answersFile;
  bool haveParams = false, haveAnswers = false;
  std::vector<std::string> settings;
  for (const Step& s : o.steps) {
    const std::string& v = s.value;
    const bool runs = s.option == "--command" || s.option == "--menu" || s.option == "--play" || s.option == "--replay";
    // The status line names a step that runs commands, counting only those:
    // "step 2 of 3, Nup"; the step's line ends with it.
    struct SStepLabel {
      bool set;
      ~SStepLabel() { if (set) AVAppSetStepLabel(nullptr); }
    } const stepLabel{runs};
    if (runs) {
      const auto running = [](const Step& t) {
        return t.option == "--command" || t.option == "--menu" || t.option == "--play" || t.option == "--replay";
      };
      const auto number = std::count_if(o.steps.data(), &s + 1, running);
      const auto count = std::count_if(o.steps.begin(), o.steps.end(), running);
      AVAppSetStepLabel(("step " + std::to_string(number) + " of " + std::to_string(count) + ", " + v).c_str());
    }
    const AVDoc source = runs ? AVAppGetActiveDoc() : nullptr;
    const std::vector<AVDoc> viewsBefore = source ? OpenViews() : std::vector<AVDoc>();
    if (s.option == "--set") {
      settings.push_back(v);
    } else if (s.option == "--params" || s.option == "--answers") {
      std::string* into = s.option == "--params" ? &params : &answers;
      if (!ReadText(s.option, v, into)) return false;
      (s.option == "--params" ? haveParams : haveAnswers) = true;
      (s.option == "--params" ? paramsFile : answersFile) = v;
      // Answers that do not read are refused here, before a dialog runs on
      // answers nobody gave.
      if (s.option == "--answers") {
        if (!needAutomation(s.option)) return false;
        if (!answerDialogs(answers.c_str(), answersFile)) {
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
      const bool given = haveParams || !settings.empty();
      if (!given && !o.quiet && knowsRemembered && automation->rememberedParams(v.c_str(), KeepText, &file)) {
        std::fprintf(stderr,
                     "kvhost: %s runs on the parameters remembered from an earlier run, in %s (--params or --set "
                     "gives others; --prefs chooses another preferences folder)\n",
                     v.c_str(), file.c_str());
      }
      bool ok = runCommand(v, haveParams ? params.c_str() : nullptr, paramsFile, settings);
      AVAppEndStatusLine();  // what follows is printed on a line of its own
      haveParams = false;
      settings.clear();
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
        if (automation) answerDialogs(haveAnswers ? answers.c_str() : nullptr, answersFile);
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
      const ASInt32 pages = PDDocGetNumPages(AVDocGetPDDoc(d));
      if (!end || *end || n < 1 || n > pages) {
        std::fprintf(stderr, "kvhost: --page %s: no such page; the active document has %d %s, numbered from 1\n",
                     v.c_str(), (int)pages, pages == 1 ? "page" : "pages");
        return false;
      }
      AVPageViewGoTo(AVDocGetPageView(d), (ASInt32)(n - 1));
    } else if (s.option == "--save") {
      AVDoc d = active(s.option);
      if (!d || !SaveDoc(AVDocGetPDDoc(d), v)) return false;
      saved->insert(d);
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
        saved->insert(d);
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
    if (source) {
      const std::set<AVDoc> before(viewsBefore.begin(), viewsBefore.end());
      bool made = false;
      for (AVDoc d : OpenViews()) made = made || !before.count(d);
      if (made)
        passedOn->insert(source);
      else
        passedOn->erase(source);  // changed in place: its own pages are the result
    }
    // Within one step (a replay) each command may take its pages from what
    // the one before it made: the plug-in says which documents passed theirs on.
    if (runs && takesPassedOn) {
      std::vector<PDDoc> docs(1024);
      const ASInt32 n = std::min<ASInt32>(automation->takePassedOn(docs.data(), (ASInt32)docs.size()), 1024);
      for (AVDoc d : OpenViews())
        if (std::find(docs.begin(), docs.begin() + n, AVDocGetPDDoc(d)) != docs.begin() + n) passedOn->insert(d);
    }
  }
  return true;
}

// Documents the steps made and no step saved (or saved and changed again),
// and whose pages no later step took on into a new document, are work the
// user asked for: each is named with its pages. With a --save
// or --save-all in the run they are lost, and the run did not do what it was
// asked (false); a run that saves nothing at all only tries the steps, and
// is told so unless quiet.
bool SayUnsaved(const Options& o, const std::vector<AVDoc>& initial, const std::set<AVDoc>& saved,
                const std::set<AVDoc>& passedOn) {
  std::set<AVDoc> before(initial.begin(), initial.end());
  std::vector<std::string> unsaved;
  for (AVDoc d : OpenViews()) {
    PDDoc doc = AVDocGetPDDoc(d);
    const bool changedSince = saved.count(d) && (PDDocGetFlags(doc) & PDDocNeedsSave);
    if (before.count(d) || passedOn.count(d) || (saved.count(d) && !changedSince)) continue;
    ASInt32 pages = PDDocGetNumPages(doc);
    unsaved.push_back("\"" + WindowTitle(d) + "\" (" + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
                      (changedSince ? ", changed after it was saved)" : ")"));
  }
  if (unsaved.empty()) return true;
  bool saving = false;
  for (const Step& s : o.steps) saving = saving || s.option == "--save" || s.option == "--save-all";
  if (!saving && o.quiet) return true;
  const bool one = unsaved.size() == 1;
  if (saving)
    std::fprintf(stderr, "kvhost: %s the steps made %s not saved, and %s lost:\n",
                 one ? "a document" : (std::to_string(unsaved.size()) + " documents").c_str(), one ? "was" : "were",
                 one ? "its pages are" : "their pages are");
  else
    std::fprintf(stderr, "kvhost: nothing was saved (no --save or --save-all); the steps made:\n");
  for (const std::string& line : unsaved) std::fprintf(stderr, "  %s\n", line.c_str());
  std::fprintf(stderr, "kvhost: --save-all DIR saves every document the steps made, as DIR/<window title>.pdf\n");
  return !saving;
}

// One line: kvhost's version and the plug-in's, as the product names itself.
void SayVersion() {
  const PIAutomationProcs* automation = PIGetAutomation();
  std::string product;
  if (Offers(automation, offsetof(PIAutomationProcs, productVersion) + sizeof automation->productVersion) &&
      automation->productVersion)
    automation->productVersion(KeepText, &product);
  std::printf("kvhost %s, plug-in %s\n", KV_VERSION, product.empty() ? "(it does not say its version)" : product.c_str());
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
    // The same job saves the same bytes: fixed IDs, fixed time stamps, and no
    // computer or user names on the placed pages.
    ASInt64 seconds = 0;
    if (!StaticTime(&seconds)) return 2;
    ASHostSetFixedTime(1, seconds);
    PfSetFixedNames(true);
  }
  AVAppSetProgressQuiet(o.quiet ? 1 : 0);
  std::string plugin = o.plugin.empty() ? ExeFolder() + "/plugins/kv3" : o.plugin;

  char error[600];
  PILoadedPlugIn* loaded = PILoadPlugIn(plugin.c_str(), error, sizeof error);
  if (!loaded) {
    if (o.version) std::printf("kvhost %s, plug-in not loaded\n", KV_VERSION);
    std::fprintf(stderr, "kvhost: %s\n", error);
    if (std::strstr(error, "this host reports version"))
      std::fprintf(stderr, "kvhost: --host-version N.M sets the version kvhost reports (9.0 when not given)\n");
    return 1;
  }
  if (o.version) {
    SayVersion();
    std::fflush(stdout);
    PIUnloadPlugIn(loaded);
    AVAppShutdown();
    return 0;
  }
  bool usage = false;
  if (!SettingsRead(o, &usage)) {
    PIUnloadPlugIn(loaded);
    AVAppShutdown();
    return usage ? 2 : 1;
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
  std::set<AVDoc> saved, passedOn;
  if (ok) ok = Perform(o, &initial, &saved, &passedOn);
  AVAppEndStatusLine();
  if (ok) ok = SayUnsaved(o, initial, saved, passedOn);
  std::fflush(stdout);
  PIUnloadPlugIn(loaded);
  AVAppShutdown();
  return ok ? 0 : 1;
}
