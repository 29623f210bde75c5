#include "frame/KVCommands.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KParams.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/FramePrivate.h"
#include "frame/ProcMan.h"
#include "pdftools/DateStamp.h"

using frame_detail::CabHolder;

namespace {

const char* const kCommandNotFound = "Internal error: command not found";

SKCabPersist* gMainPersist = nullptr;
SKCabPersist* gMemPersist = nullptr;

SKCabPersist* NewStore(const char* name, const char* olderName, ASBool sync) {
  SKCabPersist* p = NewKCabPersist(name);
  // Older names and the modes first: setting the folder reads the file.
  KCabPersistSetOldName(p, olderName);
  KCabPersistSetAutoCommitMode(p, 1);
  if (sync) KCabPersistSetSyncMode(p, 1);
  KCabPersistSetWriteableDirectory(p);
  return p;
}

// Settings brought over from an older store or a backup lose "Classic": the
// reduced interface is not carried into this version on its own.
void ForgetOldClassicMode(SKCabPersist* p) {
  if (!KCabPersistOldNameUsed(p) || !KCabPersistExists(p, "Last:General")) return;
  SKCab* general = KCabPersistStartCabWrite(p, "Last:General");
  KCabRemove(general, "Classic");
  KCabPersistEndStoreCabWrite(p, "Last:General", general);
}

// A builder of a command module; one that fails leaves its command out and
// the others in.
void AddCommandFrom(KVCmdMgrBuilderProc builder) {
  if (!builder) return;
  DURING
    CmdCollAddCommand(nullptr, builder());
  HANDLER
    AutoExceptionMessageUTF8(kKVExtensionCode, ERRORCODE);
  END_HANDLER
}

}  // namespace

void AddExtraSupportedFeatures() {
  CmdCollAddSupportedFeature(nullptr, "KV2.9", "KV 2.9/KVZ 1.1");
  CmdCollAddSupportedFeature(nullptr, "kv3alphabase", "KV 3.0/KVZ 3.0 alpha");
}

void InitKVCommands(ASInt32) {
  if (GetDefaultCmdColl()) return;
  PrepareDefaultCmdCollIdentity(kKVExtensionCode, CurrentProductString(kProductShortName),
                                CurrentProductString(kProductFullName), 1);
  PrepareDefaultCmdColl();
  CommandListControllerSetCmdColl(DefaultCommandListController(), GetDefaultCmdColl());

  const SKVCommandModules& m = KVCommandModules();
  for (KVCmdMgrBuilderProc builder :
       {m.NewCmdMgrForCreateTestFile, m.NewCmdMgrForInsertBlanks, m.NewCmdMgrForTrimAndShift, m.NewCmdMgrForBooklet,
        m.NewCmdMgrForShuffle, m.NewCmdMgrForEvenOddShuffle, m.NewCmdMgrForNup, m.NewCmdMgrForJoin2Pages,
        m.NewCmdMgrForReverseDocument}) {
    AddCommandFrom(builder);
  }

  CmdCollAddSupportedFeature(nullptr, "kv2base", "Korvel Velmora 2.0 Base product");
  CmdCollAddSupportedFeature(nullptr, "plugin", "PDF host plug-in");
  AddExtraSupportedFeatures();
}

// ---- stores

SKCabPersist* KVMainPersist() {
  if (!gMainPersist) {
    gMainPersist = NewStore("kv3", "kv", 0);
    ForgetOldClassicMode(gMainPersist);
  }
  return gMainPersist;
}

SKCabPersist* KVMemPersist() {
  if (!gMemPersist) gMemPersist = NewStore("kvplusmemory3", "kvplusmemory", 1);
  return gMemPersist;
}

SKCabPersist* SelectKVPersist(const char* name) {
  return name && std::strncmp(name, "Memory", 6) == 0 ? KVMemPersist() : KVMainPersist();
}

void FillKVPersistKey(char* buffer, size_t size, ASAtom key) {
  if (!buffer || size < 1) return;
  std::snprintf(buffer, size, "Last:%s", key == ASAtomNull ? "" : ASAtomGetString(key));
}

SKCab* LoadKVParameters(const char* name) {
  if (!name) return nullptr;
  return KCabPersistGetCabRead(SelectKVPersist(name), name);
}

SKCab* LoadKVParametersNoNull(const char* name) {
  SKCab* cab = LoadKVParameters(name);
  return cab ? cab : KCabNewInner();
}

void MergeAndStoreKVParameters(const char* name, SKCab* cab) {
  if (!name || !cab) return;
  SKCabPersist* p = SelectKVPersist(name);
  SKCab* stored = KCabPersistStartCabWrite(p, name);
  DURING
    KCabCopy(cab, stored);
  HANDLER
    KCabPersistEndDiscardCabWrite(p, name, stored);
    RERAISE();
  END_HANDLER
  KCabPersistEndStoreCabWrite(p, name, stored);
}

// ---- parameters

SKCab* LoadKVCommandParams(ASAtom key) {
  SKCab* command = CmdCollFindCommand(nullptr, key);
  if (!command) {
    ErrMessageUTF8(kCommandNotFound);
    return KCabNewInner();
  }
  char name[kKVPersistKeySize];
  FillKVPersistKey(name, sizeof name, key);
  if (SKCab* stored = LoadKVParameters(name)) return stored;
  if (SKCab* defaults = KCabGetCab(command, "DefaultParams")) return KCabDup(defaults);
  return KCabNewInner();
}

namespace {

// The parameters each command last ran with in this session, by key: a run
// on given parameters (a file, settings) neither reads nor changes the
// remembered ones, yet it is what "the last command" means to a user.
SKCab* gLastRuns = nullptr;

void KeepLastRun(ASAtom key, SKCab* params) {
  if (!params) return;
  if (!gLastRuns) gLastRuns = KCabNewInner();
  SKCab* copy = KCabDup(params);
  KCabRemove(copy, kKParamGivenKey);
  KCabPutCab(gLastRuns, ASAtomGetString(key), copy);
}

}  // namespace

void KVForgetLastRuns() {
  if (gLastRuns) KCabDestroy(gLastRuns);
  gLastRuns = nullptr;
}

SKCab* KVSingleCommandFromLast(ASAtom key, ECmdUIMode mode) {
  CabHolder list(KCabNewInner());
  KCabPutAtom(list.get(), "Category", ASAtomFromString("OneCommand_V1"));
  KCabPutAtom(list.get(), "UIMode", ASAtomFromString(CmdUIModeWord(mode)));
  KCabPutAtom(list.get(), "Command", key);
  SKCab* ran = gLastRuns ? KCabGetCab(gLastRuns, ASAtomGetString(key)) : nullptr;
  KCabPutCab(list.get(), "Params", ran ? KCabDup(ran) : LoadKVCommandParams(key));
  char stamp[32];
  KCabPutStringCopy(list.get(), "Stats:Created", GetAcrobatTimeStamp(stamp, sizeof stamp));
  return list.Release();
}

// ---- running a command

namespace {

// One run's parameters: the caller's cabinet, or the remembered ones checked
// out of the main store until the run ends.
class ParamsCheckout {
 public:
  ParamsCheckout(SKCab* given, const char* name) : name_(name), params_(given) {
    if (!given) {
      store_ = KVMainPersist();
      stored_ = KCabPersistExists(store_, name) != 0;
      params_ = KCabPersistStartCabWrite(store_, name);
    }
  }
  ~ParamsCheckout() {
    // Ended on every way out: stored unless the run asked to discard. A
    // failed commit was reported by the store; it must not leave here.
    if (!store_ || !params_) return;
    DURING
      if (discard_) KCabPersistEndDiscardCabWrite(store_, name_, params_);
      else KCabPersistEndStoreCabWrite(store_, name_, params_);
    HANDLER
    END_HANDLER
  }
  ParamsCheckout(const ParamsCheckout&) = delete;
  ParamsCheckout& operator=(const ParamsCheckout&) = delete;

  SKCab* get() const { return params_; }
  bool remembered() const { return store_ != nullptr; }
  bool wasStored() const { return stored_; }
  void Discard() { discard_ = true; }

 private:
  const char* name_;
  SKCab* params_;
  SKCabPersist* store_ = nullptr;
  bool stored_ = false;
  bool discard_ = false;
};

void SetCaller(SKCab* params, const char* caller) {
  SKCab* play = ParamsGetOrCreatePlayControl(params);
  if (caller) KCabPutStringCopy(play, "Caller", caller);
  else if (!KCabGetString(play, "Caller")) KCabPutStringCopy(play, "Caller", "Krvl:Unknown");
}

}  // namespace

ASBool ExecuteKVCommand(ASAtom key, ASBool reset, ASBool runDialog, ASBool runProcess, SKCab* params,
                        ASBool allowNewDoc, ASBool interactive, ASBool keepSource, SKCab** result, SKCab* oldResult,
                        const char* caller) {
  if (result) *result = nullptr;
  SKCab* command = CmdCollFindCommand(nullptr, key);
  if (!command) {
    // Nothing ran: a failure, never reported as success.
    ErrMessageUTF8(kCommandNotFound);
    return 0;
  }
  char name[kKVPersistKeySize];
  FillKVPersistKey(name, sizeof name, key);

  ParamsCheckout checkout(params, name);
  SKCab* work = checkout.get();
  {
    SKCab* defaultParams = KCabGetCab(command, "DefaultParams");
    CabHolder defaults(defaultParams ? KCabDup(defaultParams) : KCabNewInner());
    if (checkout.remembered()) {
      // A stored cabinet is used as stored: new default entries are not merged in.
      if (!checkout.wasStored() || reset) {
        KCabPersistMakeWritableEmpty(work);
        KCabCopy(defaults.get(), work);
      }
    } else if (reset) {
      KCabMakeEmpty(work);
      KCabCopy(defaults.get(), work);
    }
  }

  if (runDialog || runProcess) SetCaller(work, caller);

  if (runDialog) {
    if (!allowNewDoc) KCabPutBool(work, "NewDoc", 0);
    KCabPutBool(work, "Interactive", interactive);
    SKCab* edited = CmdMgrRunUI(command, KCabDup(work));
    if (!edited) {
      checkout.Discard();
      return 0;
    }
    CabHolder holder(edited);
    KCabPersistMakeWritableEmpty(work);
    KCabCopy(edited, work);
  }

  ASBool ran = 0;
  if (runProcess) {
    CabHolder copy(KCabDup(work));
    if (!allowNewDoc) KCabPutBool(copy.get(), "NewDoc", 0);
    // The caller's word, not one remembered from an earlier run: the source
    // below follows it, and so must the callbacks.
    KCabPutBool(copy.get(), "Interactive", interactive);
    if (!keepSource) {
      if (interactive) ProcManSetSourceCurrentAVDoc(copy.get());
      else ProcManSetSourceNone(copy.get());
    }
    ran = CmdMgrRunProcess(command, copy.Release(), result, oldResult, DefaultCommandListController());
    if (ran) KeepLastRun(key, work);
  }
  return ran;
}
