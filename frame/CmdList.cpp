#include "frame/CmdList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "frame/CmdColl.h"
#include "pdftools/CommandHistory.h"
#include "frame/FramePrivate.h"
#include "frame/Imports.h"
#include "frame/ProcMan.h"
#include "kctl/StatusBox.h"

using frame_detail::CabHolder;
using frame_detail::Msg;

namespace {

const SKCabEnumWord kCategoryWords[] = {
    {kCmdItemInvalid, "Invalid"},
    {kCmdItemHistoryItem, "HistoryItem_V1"},
    {kCmdItemHistoryList, "HistoryList_V1"},
    {kCmdItemCommandList, "CommandList_V1"},
    {kCmdItemOneCommand, "OneCommand_V1"},
    {kCmdItemCatCollection, "KVCatCollection_V1"},
    {kCmdItemCmdCollection, "KVCmdCollection_V1"},
    {kCmdItemInvalid, nullptr}};

const SKCabEnumWord kUIModeWords[] = {
    {kCmdUIModeNone, "None"}, {kCmdUIModeFull, "Full"}, {kCmdUIModeBatch, "Batch"}, {kCmdUIModeNone, nullptr}};

// Only the base feature of every stored list.

constexpr size_t kFeatureNameMax = 198;

bool IsContainer(ECmdItemCategory c) { return c == kCmdItemHistoryList || c == kCmdItemCommandList; }
bool IsLeaf(ECmdItemCategory c) { return c == kCmdItemHistoryItem || c == kCmdItemOneCommand; }

void TokenKey(ASInt32 token, char* out, size_t size) { std::snprintf(out, size, "%d", (int)token); }

ASBool Walk(SKCab* node, ASInt32 index, ASInt32 flags, CmdListEnumProc proc, void* data, ASInt32 depth) {
  // A recorded list is untrusted: past the depth limit a node counts as invalid.
  ECmdItemCategory category = depth > kCmdListMaxDepth ? kCmdItemInvalid : CmdListNodeCategory(node);
  if (IsContainer(category)) {
    if ((flags & kCmdListVisitContainers) && !proc(category, node, -1, data)) return 0;
    for (long i = 0; i < 0x7FFFFFFF; ++i) {
      SKCab* child = KCabGetCabNumKey(node, i);
      if (!child) break;
      if (!Walk(child, (ASInt32)i, flags, proc, data, depth + 1)) return 0;
    }
    return 1;
  }
  if (IsLeaf(category)) return (flags & kCmdListVisitLeaves) ? proc(category, node, index, data) : 1;
  if ((flags & (kCmdListVisitLeaves | kCmdListVisitContainers | kCmdListVisitOthers)) &&
      !proc(category, node, index, data)) {
    return 0;
  }
  if (flags & kCmdListFailOnOthers) CmdListError(Msg("cmd.list.3.a.11"));
  return 0;
}

// ---- features

// A "Requires" entry must pass when present as a string.
bool RequiresPass(SKCab* node, const char* key) {
  const char* text = KCabGetString(node, key);
  return !text || FeaturesListChecker(text);
}

bool Ignored(SKCab* node) { return KCabGetBool(node, "Ignore", 0) != 0; }

// A history item of a command that keeps itself out of lists.
bool IgnoredHistoryItem(ECmdItemCategory category, SKCab* node, SKCab* command) {
  return category == kCmdItemHistoryItem &&
         ProcManBoolProperty(command, "Control:Props:IgnoreInList", KCabGetCab(node, "Params"));
}

ASBool CheckRequirements(ECmdItemCategory category, SKCab* node, ASInt32, void*) {
  if (IsContainer(category)) return RequiresPass(node, "Requires") ? 1 : 0;
  if (!IsLeaf(category)) {
    ErrMessageUTF8(Msg("cmd.list.3.a.1"));
    return 0;
  }
  if (!RequiresPass(node, "Requires")) return 0;
  ASAtom key = KCabGetAtom(node, "Command", ASAtomNull);
  if (key == ASAtomNull) {
    ErrMessageUTF8(Msg("cmd.list.3.a.2"));
    return 0;
  }
  if (!CmdCollFindCommand(nullptr, key)) {
    char text[400];
    FormatMessageByKeyUTF8(nullptr, "cmd.list.3.a.3", nullptr, text, sizeof text, "s", ASAtomGetString(key));
    ErrMessageUTF8(text);
    return 0;
  }
  return RequiresPass(node, "Params:Requires") ? 1 : 0;
}

struct SPlayableCount {
  SKCab* playControl;
  ASInt32 count;
};

ASBool CountPlayable(ECmdItemCategory category, SKCab* node, ASInt32, void* data) {
  if (Ignored(node)) return 1;
  SKCab* command = LookupCommandForListElement(node);
  if (command && !IgnoredHistoryItem(category, node, command)) ++static_cast<SPlayableCount*>(data)->count;
  return 1;
}

ASBool CheckInPlace(ECmdItemCategory category, SKCab* node, ASInt32, void* data) {
  if (Ignored(node)) return 1;
  SKCab* command = LookupCommandForListElement(node);
  if (!command) return 0;
  if (IgnoredHistoryItem(category, node, command)) return 1;
  if (KCabGetBool(static_cast<SKCab*>(data), "Interactive", 0)) return 1;
  return ProcManBoolProperty(command, "Control:Props:CanHandleAToA", KCabGetCab(node, "Params"));
}

// ---- replay

ASInt32 gReplayNesting = 0;
// The commands of the list being replayed: each has its share of the status
// line's percentage.
ASInt32 gReplayCommands = 1;

bool ActiveViewExists() { return AVAppGetActiveDoc() != nullptr; }

ASBool Ask(SKCab* node) {
  if (!KCabGetBool(node, "DoPrompt", 0)) return 1;
  const char* question = KCabGetString(node, "PromptText");
  if (!question || !*question) return 1;
  return ConfirmMessageUTF8(question, 1);
}

ASBool ReplayElement(ECmdItemCategory category, SKCab* node, ASInt32 index, void* data) {
  auto* play = static_cast<SKCab*>(data);
  if (IsContainer(category) || Ignored(node)) return 1;

  ASAtom key = KCabGetAtom(node, "Command", ASAtomNull);
  KCabPutInt(play, "LastCommandIndex", index);
  if (key != ASAtomNull) KCabPutAtom(play, "LastCommandKey", key);
  else KCabRemove(play, "LastCommandKey");
  PDDoc doc = (PDDoc)KCabGetPointerNamedType(play, "CurrentPDDoc", kKPDDocType);
  if (KCabGetBool(play, "UseActiveAVDoc", 0)) {
    AVDoc view = AVAppGetActiveDoc();
    doc = view ? AVDocGetPDDoc(view) : nullptr;
  }
  if (!IsLeaf(category)) CmdListError(Msg("auto1.err.badcategory"));

  ECmdUIMode mode = CmdUIModeFromAtom(KCabGetAtom(node, "UIMode", ASAtomNull));
  if (KCabKnown(play, "OverrideUI")) mode = CmdUIModeFromAtom(KCabGetAtom(play, "OverrideUI", ASAtomNull));
  if (!Ask(node)) return 0;
  ASBool interactive = KCabGetBool(play, "Interactive", 0);
  if (!interactive && mode == kCmdUIModeFull) mode = kCmdUIModeBatch;

  SKCab* command = LookupCommandForListElement(node);
  if (!command) CmdListError(Msg("auto1.err.nocommand"));
  SKCab* recorded = KCabGetCab(node, "Params");
  if (!recorded) CmdListError(Msg("auto1.err.noparams"));
  CabHolder params(KCabDup(recorded));

  // The run is a copy of the definition; the source lands in the parameters
  // when they carry one of their own.
  CabHolder run(KCabDup(command));
  KCabPutCab(run.get(), "Params", params.Release());
  ProcManSetSourcePDDoc(run.get(), doc);
  params.Reset(KCabDetachCab(run.get(), "Params"));
  KCabRemove(run.get(), "Params");
  if (SKCab* result = KCabGetCab(node, "Result")) KCabPutCab(run.get(), "OldResult", KCabDup(result));
  KCabPutAtom(params.get(), ".UIMode", Atom(CmdUIModeWord(mode)));

  bool needsNoView = ProcManBoolProperty(command, "Control:Props:UIDoesntNeedAVDoc", params.get());
  if (mode == kCmdUIModeFull) {
    if (!ActiveViewExists() && !needsNoView) CmdListError(Msg("common.err.noopendocument"));
    KCabPutBool(params.get(), "Interactive", 1);
    KCabPutPointerNamedType(params.get(), ".PlayControl", "KCab", KCabDup(play), frame_detail::DestroyKCabPointer);
    SKCab* accepted = CmdMgrRunUI(command, params.Release());
    if (!accepted) return 0;  // the dialog destroyed the parameters
    params.Reset(accepted);
    KCabRemove(params.get(), ".PlayControl");
  } else if (mode == kCmdUIModeBatch) {
    KCabPutBool(params.get(), "NewDoc", 0);
    KCabPutBool(params.get(), "Interactive", 0);
  } else {
    if (interactive && !ActiveViewExists() && !needsNoView) CmdListError(Msg("common.err.noopendocument"));
    if (!interactive) KCabPutBool(params.get(), "NewDoc", 0);
    KCabPutBool(params.get(), "Interactive", interactive);
  }

  SKCab* runParams = params.get();
  CommandListControllerStartCommand(DefaultCommandListController(), command, run.get(), runParams);
  KCabPutCab(run.get(), "Params", params.Release());

  SAutoMessageState saved;
  SaveAutoMessageState(&saved);
  if (auto* messages = (SKCab*)KCabGetPointerNamedType(play, "MessageCab", "KCab")) {
    AutoMessageSetKCabListDest(messages, 1);
  }
  ASBool cancelled = 0;
  SStatusBoxPart part(1, gReplayCommands);
  DURING
    KCabPutPointerNamedType(runParams, ".PlayControl", "KCab", play, nullptr);
    ProcManRunProcess(run.get());
    KCabRemove(runParams, ".PlayControl");
    cancelled = KCabGetBool(run.get(), "ProcMan:Cancelled", 0);
  HANDLER
    RestoreAutoMessageState(&saved);
    RERAISE();
  END_HANDLER
  RestoreAutoMessageState(&saved);
  return cancelled ? 0 : 1;
}

}  // namespace

// ---- words

ECmdItemCategory CmdListNodeCategory(SKCab* node) {
  if (!node || KCabGetType(node, "Category") != kKCabTypeAtom) return kCmdItemInvalid;
  return (ECmdItemCategory)KCabEkAtomToEnumTable(KCabGetAtom(node, "Category", ASAtomNull), kCategoryWords);
}

const char* CmdItemCategoryWord(ECmdItemCategory category) {
  return KCabEkEnumToStringTable(category, kCategoryWords);
}

ECmdUIMode CmdUIModeFromAtom(ASAtom word) {
  if (word == ASAtomNull) return kCmdUIModeNone;
  return (ECmdUIMode)KCabEkAtomToEnumTable(word, kUIModeWords);
}

const char* CmdUIModeWord(ECmdUIMode mode) {
  const char* word = KCabEkEnumToStringTable(mode, kUIModeWords);
  return word ? word : "None";
}

// ---- the controller

SKCab* NewCommandListController() {
  SKCab* controller = KCabNewInner();
  KCabPutInt(controller, "CommandToken", 0);
  return controller;
}

SKCab* DefaultCommandListController() {
  static SKCab* controller = nullptr;
  if (!controller) controller = NewCommandListController();
  return controller;
}

void CommandListControllerSetCmdColl(SKCab* controller, SKCab* collection) {
  if (!controller) return;
  if (SKCab* identity = collection ? KCabGetCab(collection, "_CollectionIdentity") : nullptr) {
    KCabPutCab(controller, "Identity", KCabDup(identity));
  } else {
    KCabRemove(controller, "Identity");
  }
}

ASInt32 CommandListControllerStartCommand(SKCab* controller, SKCab* command, SKCab* run, SKCab* params) {
  ASInt32 token = KCabGetInt(controller, "CommandToken", 0) + 1;
  KCabPutInt(controller, "CommandToken", token);
  CabHolder record(KCabNewInner());
  if (command) KCabPutCab(record.get(), "Command", KCabDup(command));
  if (params) KCabPutCab(record.get(), "Params", KCabDup(params));
  if (SKCab* identity = KCabGetCab(controller, "Identity")) KCabPutCab(record.get(), "Identity", KCabDup(identity));
  char key[16];
  TokenKey(token, key, sizeof key);
  KCabPutCab(controller, key, record.Release());
  KCabPutPointerNamedType(run, "Work:CommandListController", "KCab", controller, nullptr);
  KCabPutInt(run, "Work:CommandListControllerToken", token);
  return token;
}

namespace {

// Ends the run's link to its controller and gives the controller its token
// back; false when the run has no link. A run ends once: a second end finds
// its link gone.
bool TakeControllerLink(SKCab* run, SKCab** controller, char* key, size_t keySize) {
  *controller = (SKCab*)KCabGetPointerNamedType(run, "Work:CommandListController", "KCab");
  if (!*controller || KCabGetType(run, "Work:CommandListControllerToken") != kKCabTypeInt) return false;
  ASInt32 token = KCabGetInt(run, "Work:CommandListControllerToken", 0);
  KCabRemove(run, "Work:CommandListController");
  KCabRemove(run, "Work:CommandListControllerToken");
  KCabPutInt(*controller, "CommandToken", token - 1);
  TokenKey(token, key, keySize);
  return true;
}

}  // namespace

void CommandListControllerEndCommandFail(SKCab* run) {
  SKCab* controller = nullptr;
  char key[16];
  if (TakeControllerLink(run, &controller, key, sizeof key)) KCabRemove(controller, key);
}

void CommandListControllerEndCommandOk(SKCab* run) {
  SKCab* controller = nullptr;
  char key[16];
  if (!TakeControllerLink(run, &controller, key, sizeof key)) return;
  SKCab* record = KCabGetCab(controller, key);
  if (!record) return;

  DURING
    PDDoc doc = ProcManGetTargetPDDoc(run);
    if (!doc) {
      if (AVDoc view = AVAppGetActiveDoc()) doc = AVDocGetPDDoc(view);
    }
    SKCab* command = KCabGetCab(record, "Command");
    SKCab* params = KCabGetCab(record, "Params");
    SKCab* identity = KCabGetCab(record, "Identity");
    if (identity && doc && params && command &&
        !ProcManBoolProperty(command, "Control:Props:IgnoreInList", params)) {
      CabHolder item(KCabNewInner());
      KCabPutAtom(item.get(), "Category", Atom("HistoryItem_V1"));
      KCabPutCab(item.get(), "Provider", KCabDup(identity));
      KCabPutAtom(item.get(), "Command", KCabGetAtom(command, "Key", ASAtomNull));
      if (KCabGetType(command, "Version") == kKCabTypeInt) {
        KCabPutInt(item.get(), "Version", KCabGetInt(command, "Version", 0));
      }
      KCabPutCab(item.get(), "Params", KCabDup(params));
      if (SKCab* result = KCabGetCab(run, "Result")) KCabPutCab(item.get(), "Result", KCabDup(result));
      auto describer = (CmdMgrDescriberProc)KCabGetFunctionPointerNamedType(command, "Describer",
                                                                           kCmdMgrDescriberProcType);
      SKCab* desc = describer ? describer(command, params) : nullptr;
      KCabPutCab(item.get(), "Desc", desc ? desc : KCabNewInner());

      char description[1000];
      description[0] = 0;
      CabHolder list;
      if (PDDocHasCommandList(doc)) {
        list.Reset(PDDocGetCommandListAsKCab(doc, description, sizeof description));
      } else {
        std::snprintf(description, sizeof description, "%s", Msg("cmd.list.1.a.1"));
      }
      if (!list.get()) {
        list.Reset(KCabNewInner());
        KCabPutAtom(list.get(), "Category", Atom("HistoryList_V1"));
      }
      KCabPutCab(list.get(), "", item.Release());
      PDDocStoreCommandListFromKCab(doc, list.get(), description, gPDFXMode == 1);
    }
  HANDLER
    // The token record goes whatever happened to the history.
    KCabRemove(controller, key);
    RERAISE();
  END_HANDLER
  KCabRemove(controller, key);
}

// ---- walking and checking

ASBool EnumCommandListInner(SKCab* node, ASInt32 index, ASInt32 flags, CmdListEnumProc proc, void* clientData) {
  if (!node || !proc) return 0;
  return Walk(node, index, flags, proc, clientData, 0);
}

ASBool FeaturesListChecker(const char* features) {
  if (!features) return 1;
  const char* p = features;
  for (;;) {
    while (*p == ' ') ++p;
    if (!*p) return 1;  // empty, or a trailing ";"
    if (*p == ';' || *p == '(') break;
    std::string name;
    while (*p && *p != ';' && *p != '[' && *p != ' ') {
      if (name.size() < kFeatureNameMax) name += *p;
      ++p;
    }
    while (*p == ' ') ++p;
    bool bracketed = false;
    std::string bracket;
    if (*p == '[') {
      bracketed = true;
      ++p;
      while (*p && *p != ']') {
        if (bracket.size() < kFeatureNameMax) bracket += *p;
        ++p;
      }
      if (*p == ']') ++p;
      while (*p == ' ') ++p;
    }
    if (*p && *p != ';') break;
    if (!CmdCollSupportsFeature(nullptr, name.c_str(), nullptr)) {
      char text[600];
      FormatMessageByKeyUTF8(nullptr, "cmd.list.3.b.2", nullptr, text, sizeof text, "s",
                             bracketed ? bracket.c_str() : name.c_str());
      ErrMessageUTF8(text);
      return 0;
    }
    if (*p == ';') ++p;
  }
  ErrMessageUTF8(Msg("cmd.list.3.b.3"));
  return 0;
}

ASBool CommandListVerifySomePlayableElements(SKCab* list, SKCab* playControl) {
  SPlayableCount count{playControl, 0};
  EnumCommandListInner(list, -1, kCmdListVisitLeaves, CountPlayable, &count);
  return count.count > 0 ? 1 : 0;
}

ASBool VerifyCommandListUsable(void*, SKCab* list, SKCab* playControl) {
  if (!EnumCommandListInner(list, -1, kCmdListVisitLeaves | kCmdListVisitContainers | kCmdListVisitOthers,
                            CheckRequirements, nullptr)) {
    return 0;
  }
  if (!CommandListVerifySomePlayableElements(list, playControl)) {
    ErrMessageUTF8(Msg("cmd.list.3.a.5"));
    return 0;
  }
  if (!EnumCommandListInner(list, -1, kCmdListVisitLeaves, CheckInPlace, playControl)) {
    ErrMessageUTF8(Msg("cmd.list.3.a.4"));
    return 0;
  }
  return 1;
}

ASBool ReplayCommandListOnPDDocInplace(SKCab* list, PDDoc doc, SKCab* playControl) {
  if (!list || !playControl) return 0;
  if (gReplayNesting >= kCmdListMaxReplayNesting) {
    // A list whose commands start replays of their own must end somewhere.
    AutoExceptionMessageUTF8(Msg("cmdlist.task.replay"), genErrGeneral);
    return 0;
  }
  if (!VerifyCommandListUsable(nullptr, list, playControl)) return 0;

  ++gReplayNesting;
  bool addedOverride = false;
  ASBool result = 0;
  SPlayableCount playable{playControl, 0};
  EnumCommandListInner(list, -1, kCmdListVisitLeaves, CountPlayable, &playable);
  const ASInt32 outerCommands = std::exchange(gReplayCommands, std::max<ASInt32>(playable.count, 1));
  DURING
    if (Ask(list)) {
      if (!KCabKnown(playControl, "OverrideUI") && KCabKnown(list, "UIMode")) {
        ECmdUIMode mode = CmdUIModeFromAtom(KCabGetAtom(list, "UIMode", ASAtomNull));
        KCabPutAtom(playControl, "OverrideUI", Atom(CmdUIModeWord(mode)));
        addedOverride = true;
      }
      KCabPutPointerNamedType(playControl, "CurrentPDDoc", kKPDDocType, doc, nullptr);
      result = EnumCommandListInner(list, -1, kCmdListVisitLeaves | kCmdListFailOnOthers, ReplayElement, playControl);
    }
  HANDLER
    AutoExceptionMessageUTF8(Msg("cmdlist.task.replay"), ERRORCODE);
    result = 0;
  END_HANDLER
  if (addedOverride) KCabRemove(playControl, "OverrideUI");
  gReplayCommands = outerCommands;
  --gReplayNesting;
  return result;
}

SKCab* ParamsGetOrCreatePlayControl(SKCab* params) {
  if (auto* play = (SKCab*)KCabGetPointerNamedType(params, ".PlayControl", "KCab")) return play;
  SKCab* play = KCabNewInner();
  // The parameters own it, so that it goes with them.
  KCabPutPointerNamedType(params, ".PlayControl", "KCab", play, frame_detail::DestroyKCabPointer);
  return play;
}

SKCab* LookupCommandForListElement(SKCab* node) {
  ASAtom key = KCabGetAtom(node, "Command", ASAtomNull);
  return key == ASAtomNull ? nullptr : CmdCollFindCommand(nullptr, key);
}

void CmdListError(const char* text) { ASRaise(ASRegisterErrorStringUTF8(4, text ? text : "")); }
