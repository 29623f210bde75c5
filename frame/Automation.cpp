#include "frame/Automation.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KCabXML.h"
#include "foundation/KParams.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/ProductName.h"
#include "host/ASNearest.h"
#include "frame/CmdColl.h"
#include "pdftools/CommandHistory.h"
#include "frame/CmdList.h"
#include "frame/CommandModules.h"
#include "frame/FramePrivate.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "frame/ParamSettings.h"
#include "frame/ProcMan.h"
#include "host/AVAlert.h"
#include "kctl/KCtlAutomation.h"
#include "pdftools/PageSizes.h"

using frame_detail::CabHolder;
using frame_detail::Msg;

namespace {

// The answers the responder uses (it keeps only a pointer to them).
SKCab* gAnswers = nullptr;
bool gUnattended = false;

// Messages go to the host's alert with their kind; the host prints them and
// answers questions with their default.
void HostAlertFilter(const char* text, ASInt32 type, void*) {
  ASInt32 icon = AVAlertIconNote;
  if (type == kAutoMessageError) icon = AVAlertIconError;
  else if (type == kAutoMessageWarning) icon = AVAlertIconWarning;
  else if (type == kAutoMessageConfirm) icon = AVAlertIconQuestion;
  AVAlertWithTitle(gKCtlAlertTitle, icon, text ? text : "", nullptr, nullptr, nullptr);
}

// From the first call of the table on there is no user: alerts are printed
// by the host and dialogs are answered.
void UnattendedAlerts() {
  if (gUnattended) return;
  gUnattended = true;
  gAutoMessageMode.mode = kAutoMessageModeFilter;
  gAutoMessageMode.filter = HostAlertFilter;
  gAutoMessageMode.destination = nullptr;
}

void Unattended() {
  UnattendedAlerts();
  if (!KCtlAutomationActive()) KCtlAutomationStart(gAnswers, kKCtlAutomationDefaultSteps);
}

// What an element of cabinet XML must hold, in a user's words.
const char* ElementNeeds(const char* kind) {
  switch (kind[0]) {
    case 'I':
      return Msg("kparam.kind.int");
    case 'U':
      return Msg("kparam.found.uns");
    case 'F':
      return Msg("kparam.kind.number");
    case 'B':
      return Msg("kparam.kind.bool");
    case 'D':
      return Msg("kparam.kind.cab");
    default:
      return Msg("kparam.kind.text");
  }
}

// "-2147483648 to 2147483647": what an element of this kind holds.
std::string ElementRange(const char* kind) {
  return kind[0] == 'U' ? "0 to 4294967295" : "-2147483648 to 2147483647";
}

// The parameter table of a command key, from the command modules.
const SKParamTable* ParamTableOf(const char* key) {
  auto table = KVCommandModules().CommandParamTable;
  return table ? table(key) : nullptr;
}

// Why a whole number does not read although it is one: its key's range when
// the command's table knows the key, else what its element holds.
void SayNumberTooLarge(char* text, size_t size, const char* what, const SKCabXMLReadProblem& p, const char* command) {
  const SKParamDef* def = KParamTableFind(ParamTableOf(command), p.key);
  if (def && (def->kind == kKParamInt || def->kind == kKParamPage)) {
    char range[200];
    KParamFormatRange(def, range, sizeof range);
    FormatMessageByKeyUTF8(nullptr, "kvauto.err.outofrange",
                           "The %s could not be read: line %d, %s holds %s, which is out of its range: %s takes %s "
                           "from %s.",
                           text, size, "sdsssss", what, (int)p.line, p.key, p.text, p.key,
                           KParamKindName(def->kind), range);
    return;
  }
  FormatMessageByKeyUTF8(nullptr, "kvauto.err.toolarge",
                         "The %s could not be read: line %d, %s holds %s, a whole number beyond what an <%s> element "
                         "holds (%s).",
                         text, size, "sdssss", what, (int)p.line, p.key, p.text, p.kind, ElementRange(p.kind).c_str());
}

// Why the text is no cabinet XML at all, or not well-formed.
void SayNotCabinetXML(char* text, size_t size, const char* what, const SKCabXMLReadProblem& p) {
  const int line = (int)p.line;
  switch (p.reason) {
    case kKCabXMLNoElement:
      if (p.found[0])
        FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.noelement",
                               "The %s could not be read as cabinet XML: line %d holds \"%s\", not an element; cabinet "
                               "XML is a RUVURAZAR element that holds one ITEMS element.",
                               text, size, "sds", what, line, p.found);
      else
        FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.empty",
                               "The %s could not be read as cabinet XML: it holds no element; cabinet XML is a "
                               "RUVURAZAR element that holds one ITEMS element.",
                               text, size, "s", what);
      return;
    case kKCabXMLForeignRoot:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.root",
                             "The %s could not be read as cabinet XML: line %d begins with the element <%s>, where "
                             "cabinet XML begins with <RUVURAZAR>.",
                             text, size, "sds", what, line, p.found);
      return;
    case kKCabXMLForeignNamespace:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.namespace",
                             "The %s could not be read as cabinet XML: line %d gives the namespace \"%s\", where "
                             "cabinet XML has \"%s\".",
                             text, size, "sdss", what, line, p.found, kKCabXMLNamespace);
      return;
    case kKCabXMLNoItems:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.noitems",
                             "The %s could not be read as cabinet XML: the <%s> element of line %d holds no <ITEMS> "
                             "element; the entries go inside one.",
                             text, size, "ssd", what, p.found, line);
      return;
    case kKCabXMLUnclosed:
      if (p.closer[0])
        FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.unclosed",
                               "The %s could not be read: line %d, <%s> is not closed before </%s> on line %d; add "
                               "its </%s>.",
                               text, size, "sdssds", what, line, p.found, p.closer, (int)p.closerLine, p.found);
      else
        FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.cutoff",
                               "The %s could not be read: line %d, <%s> is not closed before the text ends on line %d; "
                               "is the file cut off?",
                               text, size, "sdsd", what, line, p.found, (int)p.closerLine);
      return;
    case kKCabXMLStrayEnd:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.stray",
                             "The %s could not be read: line %d, </%s> closes no open element.", text, size, "sds",
                             what, line, p.found);
      return;
    case kKCabXMLCutOff:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.cuttag",
                             "The %s could not be read: the text ends inside a tag or comment on line %d; is the file "
                             "cut off?",
                             text, size, "sd", what, line);
      return;
    case kKCabXMLOutsideRoot:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.outside",
                             "The %s could not be read: line %d, \"%s\" stands outside the <RUVURAZAR> element.",
                             text, size, "sds", what, line, p.found);
      return;
    case kKCabXMLSecondItems:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.seconditems",
                             "The %s could not be read: line %d holds a second <ITEMS> inside <%s>; one <ITEMS> "
                             "holds all its entries.",
                             text, size, "sds", what, line, p.closer);
      return;
    case kKCabXMLForeignKind:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.kind",
                             "The %s could not be read: line %d, <%s> is no element of cabinet XML; the entries are "
                             "<I>, <U>, <F>, <B>, <S>, <A>, <NULL> and <DICT>.",
                             text, size, "sds", what, line, p.found);
      return;
    case kKCabXMLMisplaced:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.misplaced",
                             "The %s could not be read: line %d, <%s> does not go inside <%s>; <RUVURAZAR> and <DICT> "
                             "hold one <ITEMS>, an <ITEMS> holds the entries, and an entry holds only its value.",
                             text, size, "sdss", what, line, p.found, p.closer);
      return;
    case kKCabXMLStrayText:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.xml.text",
                             "The %s could not be read: line %d, \"%s\" stands inside <%s> beside the entries; a value "
                             "goes inside its element, such as <I N='Count'>2</I>.",
                             text, size, "sdss", what, line, p.found, p.closer);
      return;
    default:
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.badxml", "The %s could not be read as cabinet XML.", text, size, "s",
                             what);
  }
}

// A cabinet from a text a person wrote for this run; null, with why, when it
// does not read or is not well-formed. The text is named with the file it
// came from (source, may be null); an element that does not read is named
// with its key and line, a whole number out of range with the range that
// command's table gives its key.
SKCab* ReadCabinet(const char* xml, const char* what, const char* source, const char* command, std::string* why) {
  ASBool error = 0;
  SKCabXMLReadProblem problem;
  std::memset(&problem, 0, sizeof problem);
  SKCab* cab = xml ? KCabReadWellFormedFromBuffer(xml, (ASInt32)std::strlen(xml), &error, &problem) : nullptr;
  if (!cab || error) {
    if (cab) KCabDestroy(cab);
    char named[1200];
    if (source && *source) {
      FormatMessageByKeyUTF8(nullptr, "kvauto.what.infile", "%s in %s", named, sizeof named, "ss", what, source);
      what = named;
    }
    char text[2000];
    if (cab && problem.reason == kKCabXMLNumberTooLarge)
      SayNumberTooLarge(text, sizeof text, what, problem, command);
    else if (cab && problem.kind[0] && problem.key[0])
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.badvalue",
                             "The %s could not be read: line %d, %s holds \"%s\", which is not %s.", text, sizeof text,
                             "sdsss", what, (int)problem.line, problem.key, problem.text, ElementNeeds(problem.kind));
    else if (cab && problem.kind[0])
      FormatMessageByKeyUTF8(nullptr, "kvauto.err.nokey", "The %s could not be read: line %d, the %s element has no N.",
                             text, sizeof text, "sds", what, (int)problem.line, problem.kind);
    else
      SayNotCabinetXML(text, sizeof text, what, problem);
    *why = text;
    return nullptr;
  }
  return cab;
}

// The command keys --list-commands shows.
std::vector<std::string> CommandKeys() {
  std::vector<std::string> keys;
  SKCab* collection = GetDefaultCmdColl();
  if (!collection) return keys;
  KCabConstEnum(
      collection,
      [](SKCab*, const char* key, ASInt32 type, void* data) -> ASBool {
        if (type == kKCabTypeCab && CmdCollFindCommand(nullptr, ASAtomFromString(key)))
          static_cast<std::vector<std::string>*>(data)->emplace_back(key);
        return 1;
      },
      &keys);
  return keys;
}

// "There is no command Reverse; did you mean ReversePageOrder?"
std::string NoCommandText(const char* key) {
  const std::vector<std::string> keys = CommandKeys();
  std::vector<const char*> names;
  for (const std::string& k : keys) names.push_back(k.c_str());
  ASInt32 nearest[8];
  const ASInt32 n = ASNearestNames(key, names.data(), (ASInt32)names.size(), nearest, 8);
  std::string near;
  for (ASInt32 i = 0; i < n; ++i) near += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + keys[(size_t)nearest[i]];
  char text[600];
  if (!near.empty())
    FormatMessageByKeyUTF8(nullptr, "kvauto.err.nocommandnear", "There is no command %s; did you mean %s?", text,
                           sizeof text, "ss", key, near.c_str());
  else
    FormatMessageByKeyUTF8(nullptr, "kvauto.err.nocommand",
                           "There is no command %s; --list-commands lists the commands.", text, sizeof text, "s", key);
  return text;
}

// The parameters a run of command (by key) takes from a file's text and
// settings: the command's defaults, the file's entries over them, then each
// setting in order. The keys the file and the settings gave are put under
// kKParamGivenKey; typed receives the settings' keys by their paths. Null,
// with why, when the file or a setting does not read.
SKCab* RunParams(SKCab* command, const char* key, const char* paramsXML, const char* source,
                 const char* const* settings, ASInt32 count, std::vector<std::string>* typed, std::string* why) {
  CabHolder given(paramsXML ? ReadCabinet(paramsXML, Msg("kvauto.what.params"), source, key, why) : KCabNewInner());
  if (!given.get()) return nullptr;
  SKCab* defaults = KCabGetCab(command, "DefaultParams");
  CabHolder params(defaults ? KCabDup(defaults) : KCabNewInner());
  KCabCopy(given.get(), params.get());
  // Which keys the user wrote, apart from the defaults: a key the chosen
  // mode does not read is warned about only when the user gave it, in the
  // file or by a setting.
  for (ASInt32 i = 0; settings && i < count; ++i) {
    char text[1200];
    if (!KVParamSettingApply(ParamTableOf(key), GetSystemDefaultPageSizeCollection(), params.get(), settings[i], text,
                             sizeof text)) {
      *why = text;
      return nullptr;
    }
    // By its whole path, so that a key inside a group counts as given too.
    const std::string set = settings[i];
    const std::string path = set.substr(0, set.find('='));
    if (typed && std::find(typed->begin(), typed->end(), path) == typed->end()) typed->push_back(path);
    if (!path.empty() && !KCabKnown(given.get(), path.c_str())) KCabPutNull(given.get(), path.c_str());
  }
  KCabPutCab(params.get(), kKParamGivenKey, given.Release());
  return params.Release();
}

struct SByKey {
  ASAtom key;
  SKCab* params;  // null: the remembered ones
};

// The command without its dialog, on the active document.
ASBool RunByKey(void* data) {
  auto* r = static_cast<SByKey*>(data);
  return ExecuteKVCommand(r->key, 0, 0, 1, r->params, 1, 1, 0, nullptr, nullptr, kKVAutomationCaller);
}

ASBool RunWith(const char* key, const char* paramsXML, const char* source, const char* const* settings,
               ASInt32 count) {
  Unattended();
  if (!key || !*key) return 0;
  ASAtom atom = ASAtomFromString(key);
  SKCab* command = CmdCollFindCommand(nullptr, atom);
  if (!command) {
    ErrMessageUTF8(NoCommandText(key).c_str());
    return 0;
  }
  // Given parameters go over the command's defaults, and settings over both.
  CabHolder params;
  if (paramsXML || (settings && count > 0)) {
    std::string why;
    params.Reset(RunParams(command, key, paramsXML, source, settings, count, nullptr, &why));
    if (!params.get()) {
      ErrMessageUTF8(why.c_str());
      return 0;
    }
  }
  EImpositionCommand number = CmdKeyToImpositionCommand(atom);
  SImpositionCommandRow* row = FindImpositionCommandRow(number);
  SByKey run{atom, params.get()};
  return ExecuteImpositionRun(number, row && row->title ? row->title : key, RunByKey, &run);
}

ASBool RunCommand(const char* key, const char* paramsXML) { return RunWith(key, paramsXML, nullptr, nullptr, 0); }

ASBool RunCommandWithSettings(const char* key, const char* paramsXML, const char* source, const char* const* settings,
                              ASInt32 count) {
  return RunWith(key, paramsXML, source, settings, count);
}

bool FindAction(const char* name, ASAtom* category, std::string* itemName);

// The command checked last, for the rules between a command and the one
// that runs directly on what it made.
struct SChecked {
  std::string key;
  CabHolder params;
  ASInt32 pages = -1;
  bool typed = false;  // settings were typed for it
};
SChecked gChecked;

ASInt32 CheckCommand(const char* key, const char* paramsXML, const char* source, const char* const* settings,
                     ASInt32 count, ASInt32 pages, ASBool follows, PITextSink sink, void* data) {
  Unattended();
  auto refuse = [&](const std::string& why, ASInt32 whose) -> ASInt32 {
    if (sink) sink(why.c_str(), data);
    gChecked.key.clear();
    gChecked.params.Reset(nullptr);
    return whose;
  };
  SKCab* command = key && *key ? CmdCollFindCommand(nullptr, ASAtomFromString(key)) : nullptr;
  if (!command) return refuse(NoCommandText(key ? key : ""), kPICheckTyped);
  const bool typedAny = settings && count > 0;
  CabHolder params;
  if (paramsXML || typedAny) {
    std::string why;
    // The file alone first, so that what it holds is told apart from what was typed.
    CabHolder fromFile(paramsXML ? RunParams(command, key, paramsXML, source, nullptr, 0, nullptr, &why) : nullptr);
    if (paramsXML && !fromFile.get()) return refuse(why, kPICheckFile);
    std::vector<std::string> typed;
    params.Reset(RunParams(command, key, paramsXML, source, settings, count, &typed, &why));
    if (!params.get()) return refuse(why, kPICheckTyped);
    KCabRemove(params.get(), kKParamGivenKey);
    const SKParamTable* table = ParamTableOf(key);
    std::vector<const char*> keys;
    for (const std::string& t : typed) keys.push_back(t.c_str());
    char text[1200];
    if (!KParamCheckTyped(table, params.get(), keys.data(), (ASInt32)keys.size(), text, sizeof text))
      return refuse(text, kPICheckTyped);
    if (!KParamCheck(table, params.get(), kKParamCheckLook, text, sizeof text)) {
      const bool fileRefused =
          fromFile.get() && !KParamCheck(table, fromFile.get(), kKParamCheckLook, nullptr, 0);
      return refuse(text, fileRefused || !typedAny ? kPICheckFile : kPICheckTyped);
    }
  }
  // What follows directly on the result of the command checked before.
  auto rule = KVCommandModules().CheckFollowingRun;
  if (follows && rule && !gChecked.key.empty() && gChecked.params.get() && params.get()) {
    char text[1200];
    if (!rule(gChecked.key.c_str(), gChecked.params.get(), gChecked.pages, key, params.get(), text, sizeof text))
      return refuse(text, gChecked.typed || typedAny ? kPICheckTyped : kPICheckFile);
  }
  // Remembered parameters are the store's to read: nothing is known of them here.
  gChecked.key = key;
  gChecked.params.Reset(params.Release());
  gChecked.pages = pages;
  gChecked.typed = typedAny;
  return kPICheckGood;
}

ASBool CheckAction(const char* name, PITextSink sink, void* data) {
  Unattended();
  ASAtom category = ASAtomNull;
  std::string itemName;
  if (name && FindAction(name, &category, &itemName)) return 1;
  char text[600];
  FormatMessageByKeyUTF8(nullptr, "kvauto.err.noaction",
                         "There is no action named %s; --list-actions lists the actions of the preferences folder (--prefs chooses "
                         "another).",
                         text, sizeof text, "s", name ? name : "");
  if (sink) sink(text, data);
  return 0;
}

ASBool CheckSettings(const char* key, const char* const* settings, ASInt32 count, PITextSink sink, void* data) {
  if (!key || !*key || !CmdCollFindCommand(nullptr, ASAtomFromString(key))) return 1;
  CabHolder params(KCabNewInner());
  for (ASInt32 i = 0; settings && i < count; ++i) {
    char why[1200];
    if (!KVParamSettingCheck(ParamTableOf(key), GetSystemDefaultPageSizeCollection(), params.get(), settings[i], why,
                             sizeof why)) {
      if (sink) sink(why, data);
      return 0;
    }
  }
  return 1;
}

void ProductVersion(PITextSink sink, void* data) {
  if (sink) sink(CurrentProductString(kProductFullName), data);
}

// The named action: the first with that name in any category, else
// "<command key>:<name>" for one category's.
bool FindAction(const char* name, ASAtom* category, std::string* itemName) {
  CabHolder memory(KVMemoryGetCategoryCollectionCopy());
  struct Find {
    const char* name;
    ASAtom found = ASAtomNull;
  } f{name};
  KCabConstEnum(
      memory.get(),
      [](SKCab* m, const char* key, ASInt32 type, void* data) -> ASBool {
        auto* f = static_cast<Find*>(data);
        if (type != kKCabTypeCab || std::strchr(key, ':')) return 1;
        SKCab* items = KCabGetCab(KCabGetCab(m, key), "Item");
        if (items && KCabCollGetCab(items, "Name", f->name, nullptr)) {
          f->found = ASAtomFromString(key);
          return 0;
        }
        return 1;
      },
      &f);
  if (f.found != ASAtomNull) {
    *category = f.found;
    *itemName = name;
    return true;
  }
  const char* colon = std::strchr(name, ':');
  if (!colon || colon == name) return false;
  ASAtom key = ASAtomFromString(std::string(name, (size_t)(colon - name)).c_str());
  if (!KVMemoryItemExists(key, colon + 1)) return false;
  *category = key;
  *itemName = colon + 1;
  return true;
}

// One line a named action: its command key, ":" and its name, as --play takes it.
void ListActions(PITextSink sink, void* data) {
  Unattended();
  if (!sink) return;
  CabHolder memory(KVMemoryGetCategoryCollectionCopy());
  struct SList {
    PITextSink sink;
    void* data;
    const char* category = nullptr;
  } l{sink, data};
  KCabConstEnum(
      memory.get(),
      [](SKCab* m, const char* key, ASInt32 type, void* p) -> ASBool {
        auto* l = static_cast<SList*>(p);
        if (type != kKCabTypeCab || std::strchr(key, ':')) return 1;
        SKCab* items = KCabGetCab(KCabGetCab(m, key), "Item");
        if (!items) return 1;
        l->category = key;
        KCabConstEnum(
            items,
            [](SKCab* c, const char* k, ASInt32 t, void* p) -> ASBool {
              auto* l = static_cast<SList*>(p);
              const char* name = t == kKCabTypeCab ? KCabGetString(KCabGetCab(c, k), "Name") : nullptr;
              if (name && *name) l->sink((std::string(l->category) + ":" + name).c_str(), l->data);
              return 1;
            },
            l);
        return 1;
      },
      &l);
}

ASBool PlayAction(const char* name) {
  Unattended();
  ASAtom category = ASAtomNull;
  std::string itemName;
  if (!name || !FindAction(name, &category, &itemName)) return KVMemoryPlaybackItemFromCmdList(nullptr, nullptr, nullptr);
  ASBool ok = KVMemoryPlaybackItem(category, itemName.c_str(), nullptr, kKVAutomationCaller);
  if (ok) KVMemoryMarkItemPlayed(category, itemName.c_str());
  return ok;
}

struct SReplay {
  SKCab* list;
  SKCab* play;
};

ASBool ReplayOnActive(void* data) {
  auto* r = static_cast<SReplay*>(data);
  AVDoc view = AVAppGetActiveDoc();
  return ReplayCommandListOnPDDocInplace(r->list, view ? AVDocGetPDDoc(view) : nullptr, r->play);
}

ASBool ReplayHistory(PDDoc source) {
  Unattended();
  CabHolder list;
  DURING
    list.Reset(source ? PDDocGetCommandListAsKCab(source, nullptr, 0) : nullptr);
  HANDLER
    AutoExceptionMessageUTF8(Msg("cmdlist.task.replay"), ERRORCODE);
    return 0;
  END_HANDLER
  if (!list.get()) {
    ErrMessageUTF8(Msg("kvauto.err.nohistory"));
    return 0;
  }
  // As a user's playback: each command on the document in front when it starts.
  CabHolder play(KCabNewInner());
  KCabPutBool(play.get(), "Interactive", 1);
  KCabPutStringCopy(play.get(), "Caller", kKVAutomationCaller);
  KCabPutBool(play.get(), "UseActiveAVDoc", 1);
  SReplay replay{list.get(), play.get()};
  return ExecuteImpositionRun(kImpCmdNone, Msg("cmdlist.task.replay"), ReplayOnActive, &replay);
}

void ListCommands(PITextSink sink, void* data) {
  Unattended();
  SKCab* collection = GetDefaultCmdColl();
  if (!collection || !sink) return;
  struct List {
    PITextSink sink;
    void* data;
  } l{sink, data};
  KCabConstEnum(
      collection,
      [](SKCab*, const char* key, ASInt32 type, void* p) -> ASBool {
        auto* l = static_cast<List*>(p);
        ASAtom atom = ASAtomFromString(key);
        SKCab* command = type == kKCabTypeCab ? CmdCollFindCommand(nullptr, atom) : nullptr;
        if (!command) return 1;
        // The name users see: the command's title in the menus, else its own name.
        SImpositionCommandRow* row = FindImpositionCommandRow(CmdKeyToImpositionCommand(atom));
        std::string name = row && row->title ? row->title : "";
        if (name.empty() && KCabGetString(command, "Name")) name = KCabGetString(command, "Name");
        name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
        std::string line = std::string(key) + "\t" + name;
        l->sink(line.c_str(), l->data);
        return 1;
      },
      &l);
}

ASBool HistoryXML(PDDoc doc, PITextSink sink, void* data) {
  Unattended();
  char* xml = nullptr;
  DURING
    xml = doc ? PDDocGetCommandListAsXML(doc, nullptr, 0) : nullptr;
  HANDLER
    AutoExceptionMessageUTF8(Msg("cmdlist.task.replay"), ERRORCODE);
    return 0;
  END_HANDLER
  if (!xml) {
    ErrMessageUTF8(Msg("kvauto.err.nohistory"));
    return 0;
  }
  if (sink) sink(xml, data);
  ASfree(xml);
  return 1;
}

ASBool AnswerDialogsFrom(const char* answersXML, const char* source) {
  UnattendedAlerts();
  KCtlAutomationStop();
  if (gAnswers) KCabDestroy(gAnswers);
  std::string why;
  gAnswers = answersXML ? ReadCabinet(answersXML, Msg("kvauto.what.answers"), source, nullptr, &why) : nullptr;
  if (answersXML && !gAnswers) ErrMessageUTF8(why.c_str());
  Unattended();
  return !answersXML || gAnswers ? 1 : 0;
}

ASBool AnswerDialogs(const char* answersXML) { return AnswerDialogsFrom(answersXML, nullptr); }

ASInt32 TakeMenuOutcome() { return ImpositionTakeDispatchOutcome(); }

// A command with no parameter a user gives runs alike whatever is remembered.
bool TakesParams(const char* key) {
  const SKParamTable* table = ParamTableOf(key);
  if (!table) return true;
  bool any = false;
  KParamTableEnum(
      table,
      [](const SKParamDef* def, void* data) {
        if (!(def->flags & kKParamInternal)) *static_cast<bool*>(data) = true;
      },
      &any);
  return any;
}

ASBool RememberedParams(const char* key, PITextSink sink, void* data) {
  if (!key || !*key || !CmdCollFindCommand(nullptr, ASAtomFromString(key)) || !TakesParams(key)) return 0;
  char name[kKVPersistKeySize];
  FillKVPersistKey(name, sizeof name, ASAtomFromString(key));
  SKCabPersist* store = KVMainPersist();
  if (!KCabPersistExists(store, name)) return 0;
  std::string path = std::string(store->directory ? store->directory : "") + (store->name ? store->name : "") + ".xml";
  if (sink) sink(path.c_str(), data);
  return 1;
}

const PIAutomationProcs kProcs = {sizeof(PIAutomationProcs),
                                  RunCommand,
                                  PlayAction,
                                  ReplayHistory,
                                  ListCommands,
                                  HistoryXML,
                                  AnswerDialogs,
                                  TakeMenuOutcome,
                                  RememberedParams,
                                  RunCommandWithSettings,
                                  CheckSettings,
                                  ProductVersion,
                                  AnswerDialogsFrom,
                                  ProcManTakePassedOn,
                                  CheckCommand,
                                  CheckAction,
                                  ListActions};

}  // namespace

const PIAutomationProcs* KVAutomationProcs() { return &kProcs; }

void KVRegisterAutomation() { PIRegisterAutomation(&kProcs); }

void KVAutomationTerm() {
  KCtlAutomationStop();
  if (gAnswers) KCabDestroy(gAnswers);
  gAnswers = nullptr;
  gUnattended = false;
  gChecked.key.clear();
  gChecked.params.Reset(nullptr);
}
