// kvhost: the host program. It loads the plug-in as the host application
// would, opens the PDFs named on its command line, performs the steps its
// options name in order, and unloads. Alerts and progress go to the terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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
    "  --list-menus  --list-commands  --list-actions  --history FILE.pdf\n"
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

// Every option kvhost takes, for naming the nearest of a mistyped one.
const char* const kOptions[] = {"--params", "--set",   "--command",      "--menu",       "--answers",
                                "--play",   "--replay", "--page",        "--save",       "--save-all",
                                "--list-menus", "--list-commands", "--list-actions", "--history", "--prefs",
                                "--host-version", "--plugin", "--static-id", "--quiet", "--version", "--help"};

// Words users reach for that name another option.
struct SOptionAlias {
  const char* typed;
  const char* option;
};
const SOptionAlias kOptionAliases[] = {{"--output", "--save"},    {"--out", "--save"},        {"--write", "--save"},
                                       {"--cmd", "--command"},    {"--run", "--command"},     {"--param", "--params"},
                                       {"--parameters", "--params"}, {"--define", "--set"}};

// "unknown option --comand; did you mean --command?"
void SayUnknownOption(const std::string& option) {
  std::string near;
  for (const SOptionAlias& a : kOptionAliases)
    if (option == a.typed) near = a.option;
  if (near.empty()) {
    const ASInt32 count = (ASInt32)(sizeof kOptions / sizeof kOptions[0]);
    ASInt32 nearest[4];
    const ASInt32 n = ASNearestNames(option.c_str(), kOptions, count, nearest, 4);
    for (ASInt32 i = 0; i < n; ++i) near += std::string(i == 0 ? "" : i + 1 == n ? " or " : ", ") + kOptions[nearest[i]];
  }
  if (!near.empty())
    std::fprintf(stderr, "kvhost: unknown option %s; did you mean %s? (--help lists the options)\n", option.c_str(),
                 near.c_str());
  else
    std::fprintf(stderr, "kvhost: unknown option %s\n%s", option.c_str(), kUsage);
}

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
                                               "--list-actions", "--history"};
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
        std::fprintf(stderr,
                     "kvhost: --params %s: no --command follows it to use these parameters; --params gives the "
                     "parameters of the --command after it: put it before the --command it is for\n",
                     s.value.c_str());
      else if (s.option == "--set")
        std::fprintf(stderr,
                     "kvhost: --set %s: no --command follows it to use this parameter; --set gives a parameter of "
                     "the --command after it: put it before the --command it is for\n",
                     s.value.c_str());
      else
        std::fprintf(stderr,
                     "kvhost: --answers %s: no --menu, --play, --replay or --command follows it; --answers answers "
                     "the dialogs of the steps after it: put it before them\n",
                     s.value.c_str());
      return false;
    }
  }
  return true;
}

bool RunsCommands(const std::string& o) {
  return o == "--command" || o == "--menu" || o == "--play" || o == "--replay";
}

// A --save saves the active document as it stands at its place: in a run
// that saves, a step after the last save would do work that nothing saves.
bool SavesComeAfterTheirWork(const std::vector<Step>& steps) {
  size_t lastSave = steps.size(), lastRun = steps.size();
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].option == "--save" || steps[i].option == "--save-all") lastSave = i;
    if (RunsCommands(steps[i].option)) lastRun = i;
  }
  if (lastSave == steps.size() || lastRun == steps.size() || lastRun < lastSave) return true;
  const Step& save = steps[lastSave];
  const Step& run = steps[lastRun];
  if (save.option == "--save")
    std::fprintf(stderr,
                 "kvhost: --save %s comes before %s %s, whose result nothing saves; --save saves the active document "
                 "at the point it stands: put it after the --command whose result it is\n",
                 save.value.c_str(), run.option.c_str(), run.value.c_str());
  else
    std::fprintf(stderr,
                 "kvhost: --save-all %s comes before %s %s, whose result nothing saves; --save-all saves the "
                 "documents as they stand at its point: put it after the steps whose results it saves\n",
                 save.value.c_str(), run.option.c_str(), run.value.c_str());
  return false;
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
          SayUnknownOption(a);
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
      SayUnknownOption(a);
      return false;
    }
  }
  return StepsUseTheirInputs(o->steps) && SavesComeAfterTheirWork(o->steps);
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

// The file can be read; false, said with what is wrong (not found, not
// readable), when not.
bool Readable(const std::string& option, const std::string& path) {
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
  return true;
}

// The file's text; false, said as Readable says it, when it cannot be read.
bool ReadText(const std::string& option, const std::string& path, std::string* out) {
  if (!Readable(option, path)) return false;
  std::ifstream in(path, std::ios::binary);
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

bool Checks(const PIAutomationProcs* automation) {
  return Offers(automation, offsetof(PIAutomationProcs, listActions) + sizeof automation->listActions) &&
         automation->checkCommand && automation->checkAction && automation->listActions;
}

// The settings of a --command: the --set steps since the one before it.
struct SCommandInput {
  std::vector<std::string> settings;
  std::string params, paramsFile;
  bool haveParams = false;
};

// The --command at steps[at] runs directly on what the --command before it
// made: no other step that runs commands lies between them.
bool FollowsDirectly(const std::vector<Step>& steps, size_t at) {
  for (size_t j = at; j-- > 0;) {
    if (steps[j].option == "--command") return true;
    if (RunsCommands(steps[j].option)) return false;
  }
  return false;
}

// The inputs of the --command at steps[at]: the --params and --set steps
// since the --command before it (the --params files read when asked).
bool CommandInputAt(const std::vector<Step>& steps, size_t at, SCommandInput* in, bool readParams = true) {
  size_t from = at;
  while (from > 0 && steps[from - 1].option != "--command") --from;
  for (size_t j = from; j < at; ++j) {
    if (steps[j].option == "--set") in->settings.push_back(steps[j].value);
    if (steps[j].option == "--params" && readParams) {
      if (!ReadText(steps[j].option, steps[j].value, &in->params)) return false;
      in->haveParams = true;
      in->paramsFile = steps[j].value;
    }
  }
  return true;
}

// Asks the plug-in whether the --command would run as typed; false (said)
// when not, *usage when what was typed is refused (not what a file holds).
bool CommandChecks(const PIAutomationProcs* automation, const std::string& key, const SCommandInput& in,
                   ASInt32 pages, bool follows, bool* usage, const char* notRun = "nothing was run") {
  std::vector<const char*> texts;
  for (const std::string& setting : in.settings) texts.push_back(setting.c_str());
  std::string why;
  const ASInt32 checked =
      automation->checkCommand(key.c_str(), in.haveParams ? in.params.c_str() : nullptr,
                               in.haveParams ? in.paramsFile.c_str() : nullptr, texts.data(), (ASInt32)texts.size(),
                               pages, follows ? 1 : 0, KeepText, &why);
  if (checked == kPICheckGood) return true;
  *usage = checked == kPICheckTyped;
  std::fprintf(stderr, "kvhost: --command %s: %s\nkvhost: %s\n", key.c_str(), why.c_str(), notRun);
  return false;
}

// Each setting of a --command read on its own, as its key takes it: a value
// that does not read, is out of range, or has a key the command does not
// have is named with its --set. False (said) for the first such.
bool SettingsRead(const PIAutomationProcs* automation, const std::string& key, const SCommandInput& in) {
  for (const std::string& setting : in.settings) {
    const char* text[] = {setting.c_str()};
    std::string why;
    if (!automation->checkSettings(key.c_str(), text, 1, KeepText, &why)) {
      std::fprintf(stderr, "kvhost: --set %s: %s\nkvhost: nothing was run\n", setting.c_str(), why.c_str());
      return false;
    }
  }
  return true;
}

// Everything that can be checked before the first step runs is checked
// then, so that a mistake typed on the command line stops the run before a
// step has run or saved: every command name with its parameter files and
// settings as they will run, the rules across keys and across a command and
// the one that follows on its result, every file a step reads, every
// action played. False (said) on a mistake; *usage when it is the command
// line's.
bool Precheck(const Options& o, bool* usage) {
  const PIAutomationProcs* automation = PIGetAutomation();
  // An older plug-in can read only the settings' values before.
  const bool checks = Checks(automation);
  *usage = true;
  bool menuBefore = false;  // a dialog may make an action that a later --play plays
  for (size_t i = 0; i < o.steps.size(); ++i) {
    const Step& s = o.steps[i];
    if (s.option == "--command") {
      SCommandInput in;
      if (!CommandInputAt(o.steps, i, &in, checks)) return false;
      if (!in.settings.empty() && !TakesSettings(automation)) {
        std::fprintf(stderr, "kvhost: --set: this plug-in takes no parameters by --set; give them with --params\n");
        *usage = false;
        return false;
      }
      if (!SettingsRead(automation, s.value, in) ||
          (checks && !CommandChecks(automation, s.value, in, -1, FollowsDirectly(o.steps, i), usage)))
        return false;
    } else if (!checks) {
      continue;
    } else if (s.option == "--answers") {
      std::string text;
      if (!ReadText(s.option, s.value, &text)) return false;
      const bool read = automation->answerDialogsFrom(text.c_str(), s.value.c_str());
      automation->answerDialogsFrom(nullptr, nullptr);  // they answer from their own step on
      if (!read) {
        std::fprintf(stderr, "kvhost: --answers %s: the answers could not be read; nothing was run\n",
                     s.value.c_str());
        *usage = false;  // what the file holds, not what was typed
        return false;
      }
    } else if (s.option == "--replay" || s.option == "--history") {
      if (!Readable(s.option, s.value)) return false;
    } else if (s.option == "--play" && !menuBefore) {
      std::string why;
      if (!automation->checkAction(s.value.c_str(), KeepText, &why)) {
        std::fprintf(stderr, "kvhost: --play %s: %s\nkvhost: nothing was run\n", s.value.c_str(), why.c_str());
        return false;
      }
    }
    menuBefore = menuBefore || s.option == "--menu";
  }
  *usage = false;
  return true;
}

// A file a --save or --save-all wrote, as it was written.
struct SSavedFile {
  std::string path;
  std::string pages;  // "8 pages of 841.89 x 595.28 pt"
};

// What the steps did to the documents.
struct SRunState {
  std::vector<AVDoc> initial;           // opened from the command line
  std::map<AVDoc, std::string> files;   // their files, as named
  std::set<AVDoc> saved;                // saved by a step
  std::set<AVDoc> passedOn;             // made, then taken on into a new document by a later step (a trim before
                                        // a booklet): their pages went on into that document
  std::set<AVDoc> changedInPlace;       // opened from the command line and changed by a step
  std::vector<SSavedFile> savedFiles;   // in the order saved
};

// "8 pages of 841.89 x 595.28 pt", or for mixed sizes "12 pages: 10 of ...,
// 2 of ...": the visible size, turned as the page is shown.
std::string PagesText(PDDoc doc) {
  const ASInt32 n = PDDocGetNumPages(doc);
  std::vector<std::pair<std::string, ASInt32>> sizes;
  for (ASInt32 i = 0; i < n; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    ASFixedRect box;
    PDPageGetCropBox(page, &box);
    const PDRotate turn = PDPageGetRotate(page);
    PDPageRelease(page);
    double w = std::fabs(ASFixedToFloat(box.right) - ASFixedToFloat(box.left));
    double h = std::fabs(ASFixedToFloat(box.top) - ASFixedToFloat(box.bottom));
    if (turn == 90 || turn == 270) std::swap(w, h);
    char text[80];
    std::snprintf(text, sizeof text, "%.2f x %.2f pt", w, h);
    auto at = std::find_if(sizes.begin(), sizes.end(), [&](const auto& e) { return e.first == text; });
    if (at == sizes.end()) sizes.emplace_back(text, 1);
    else ++at->second;
  }
  std::string out = std::to_string(n) + (n == 1 ? " page" : " pages");
  if (sizes.size() == 1) return out + " of " + sizes[0].first;
  for (size_t i = 0; i < sizes.size() && i < 3; ++i)
    out += (i == 0 ? ": " : ", ") + std::to_string(sizes[i].second) + " of " + sizes[i].first;
  if (sizes.size() > 3) out += ", and " + std::to_string(sizes.size() - 3) + " other sizes";
  return out;
}

// Before a --command that a --command runs on directly, once the page count
// it runs on is known: the rules between the two, checked again. False
// (said) when they refuse; nothing of the pair has run.
bool PairChecks(const Options& o, size_t at, AVDoc active, bool* usage) {
  const PIAutomationProcs* automation = PIGetAutomation();
  if (!Checks(automation)) return true;
  size_t next = at + 1;
  while (next < o.steps.size() && !RunsCommands(o.steps[next].option)) ++next;
  if (next == o.steps.size() || o.steps[next].option != "--command") return true;
  SCommandInput first, second;
  if (!CommandInputAt(o.steps, at, &first) || !CommandInputAt(o.steps, next, &second)) return false;
  const ASInt32 pages = active ? PDDocGetNumPages(AVDocGetPDDoc(active)) : -1;
  bool ranBefore = false;
  for (size_t j = 0; j < at; ++j) ranBefore = ranBefore || RunsCommands(o.steps[j].option);
  const std::string notRun =
      ranBefore ? "--command " + o.steps[at].value + " and the steps after it were not run" : "nothing was run";
  return CommandChecks(automation, o.steps[at].value, first, pages, false, usage, notRun.c_str()) &&
         CommandChecks(automation, o.steps[next].value, second, -1, true, usage, notRun.c_str());
}

// Performs the steps in order; false when one failed (*usage when a step
// was refused as a mistake in the command line).
bool Perform(const Options& o, SRunState* run, bool* usage) {
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
  *usage = false;
  std::set<AVDoc>* saved = &run->saved;
  std::set<AVDoc>* passedOn = &run->passedOn;
  for (size_t at = 0; at < o.steps.size(); ++at) {
    const Step& s = o.steps[at];
    const std::string& v = s.value;
    const bool runs = RunsCommands(s.option);
    // The status line names a step that runs commands, counting only those:
    // "step 2 of 3, Nup"; the step's line ends with it.
    struct SStepLabel {
      bool set;
      ~SStepLabel() {
        if (set) AVAppSetStepLabel(nullptr);
      }
    } const stepLabel{runs};
    if (runs) {
      const auto running = [](const Step& t) { return RunsCommands(t.option); };
      const auto number = std::count_if(o.steps.begin(), o.steps.begin() + (std::ptrdiff_t)at + 1, running);
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
      if (!PairChecks(o, at, source, usage)) return false;
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
      std::string why;
      if (Checks(automation) && !automation->checkAction(v.c_str(), KeepText, &why)) {
        std::fprintf(stderr, "kvhost: --play %s: %s\n", v.c_str(), why.c_str());
        return false;
      }
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
      run->savedFiles.push_back({v, PagesText(AVDocGetPDDoc(d))});
    } else if (s.option == "--save-all") {
      std::error_code made;
      std::filesystem::create_directories(v, made);
      if (made || !std::filesystem::is_directory(v)) {
        std::fprintf(stderr, "kvhost: --save-all %s: the folder cannot be made (%s)\n", v.c_str(),
                     made ? made.message().c_str() : "a file of that name is in the way");
        return false;
      }
      // Every document a step made, and every input a step changed, named
      // as its file is.
      std::set<AVDoc> before(run->initial.begin(), run->initial.end());
      for (AVDoc d : OpenViews()) {
        std::string name;
        if (before.count(d)) {
          if (!run->changedInPlace.count(d) || !run->files.count(d)) continue;
          name = std::filesystem::path(run->files[d]).filename().string();
        } else {
          name = WindowTitle(d);
          for (char& c : name)
            if (c == '/') c = '_';
          if (name.empty()) name = "untitled";
          name += ".pdf";
        }
        const std::string path = v + "/" + name;
        if (!SaveDoc(AVDocGetPDDoc(d), path)) return false;
        saved->insert(d);
        run->savedFiles.push_back({path, PagesText(AVDocGetPDDoc(d))});
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
    } else if (s.option == "--list-actions") {
      if (!needAutomation(s.option)) return false;
      if (!Checks(automation)) {
        std::fprintf(stderr, "kvhost: --list-actions: this plug-in does not list its actions\n");
        return false;
      }
      automation->listActions(PrintLine, nullptr);
    }
    if (source) {
      const std::set<AVDoc> before(viewsBefore.begin(), viewsBefore.end());
      bool made = false;
      for (AVDoc d : OpenViews()) made = made || !before.count(d);
      if (made) {
        passedOn->insert(source);
      } else {
        passedOn->erase(source);  // changed in place: its own pages are the result
        const bool input = std::find(run->initial.begin(), run->initial.end(), source) != run->initial.end();
        if (input && (PDDocGetFlags(AVDocGetPDDoc(source)) & PDDocNeedsSave)) run->changedInPlace.insert(source);
      }
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
// user asked for, and so are inputs a step changed in place: each is named
// with its pages. With a --save or --save-all in the run they are lost, and
// the run did not do what it was asked (false); a run that saves nothing at
// all only tries the steps, and is told so unless quiet.
bool SayUnsaved(const Options& o, const SRunState& run) {
  std::set<AVDoc> before(run.initial.begin(), run.initial.end());
  std::vector<std::string> unsaved;
  for (AVDoc d : OpenViews()) {
    PDDoc doc = AVDocGetPDDoc(d);
    const bool changedSince = run.saved.count(d) && (PDDocGetFlags(doc) & PDDocNeedsSave);
    const bool input = before.count(d) > 0;
    if ((input && !run.changedInPlace.count(d)) || run.passedOn.count(d) || (run.saved.count(d) && !changedSince))
      continue;
    ASInt32 pages = PDDocGetNumPages(doc);
    unsaved.push_back("\"" + WindowTitle(d) + "\" (" + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
                      (changedSince ? ", changed after it was saved)" : input ? ", changed in place)" : ")"));
  }
  if (unsaved.empty()) return true;
  bool saving = false;
  for (const Step& s : o.steps) saving = saving || s.option == "--save" || s.option == "--save-all";
  if (!saving && o.quiet) return true;
  const bool one = unsaved.size() == 1;
  if (saving)
    std::fprintf(stderr, "kvhost: %s the steps made or changed %s not saved, and %s lost:\n",
                 one ? "a document" : (std::to_string(unsaved.size()) + " documents").c_str(), one ? "was" : "were",
                 one ? "its work is" : "their work is");
  else
    std::fprintf(stderr, "kvhost: nothing was saved (no --save or --save-all); the steps made or changed:\n");
  for (const std::string& line : unsaved) std::fprintf(stderr, "  %s\n", line.c_str());
  std::fprintf(stderr,
               "kvhost: --save-all DIR saves every document the steps made or changed, as DIR/<window title>.pdf "
               "(an input as DIR/<its file name>)\n");
  return !saving;
}

// On a terminal, one line a saved file: what the run leaves behind.
void SaySaved(const Options& o, const SRunState& run) {
  if (o.quiet || !isatty(STDERR_FILENO)) return;
  for (const SSavedFile& f : run.savedFiles) std::fprintf(stderr, "%s: %s\n", f.path.c_str(), f.pages.c_str());
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
  if (!Precheck(o, &usage)) {
    PIUnloadPlugIn(loaded);
    AVAppShutdown();
    return usage ? 2 : 1;
  }
  bool ok = true;
  SRunState run;
  for (const std::string& f : o.files) {
    PDDoc doc = OpenDoc(f);
    if (!doc) {
      ok = false;
      break;
    }
    run.files[AVDocOpenFromPDDoc(doc, nullptr)] = f;
  }
  run.initial = OpenViews();
  if (ok) ok = Perform(o, &run, &usage);
  AVAppEndStatusLine();
  if (ok) ok = SayUnsaved(o, run);
  if (ok) SaySaved(o, run);
  std::fflush(stdout);
  PIUnloadPlugIn(loaded);
  AVAppShutdown();
  return ok ? 0 : usage ? 2 : 1;
}
