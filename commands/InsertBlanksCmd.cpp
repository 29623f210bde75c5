// The insert command: its definition, dialog, describer and process
// callbacks. The insertion itself is the engine's.
#include "commands/InsertBlanksCmd.h"

#include <cstdio>
#include <string>

#include "commands/PageCmdsCommon.h"
#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "engine/InsertPages.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageUnits.h"

using namespace pagecmds;

namespace {

// Control ids of the dialog's radios.
enum : ASInt16 {
  kBeforeCur = 101,
  kAfterCur = 102,
  kAtStart = 103,
  kAtEnd = 104,
  kNewDoc = 105,
  kAfterNum = 106,
  kSameAsCur = 110,
  kCustom = 111
};

// What the requirement of newer versions reads in a recorded command.
constexpr const char* kRequiresAlphaBase = "kv3alphabase[KV 3.0/KVZ 3.0 alpha]";

bool IsNewDoc(SKCab* params) { return AtomIs(params, "Where", "NewDoc", "BeforeCur"); }

ASBool IgnoreInListProp(SKCab*, SKCab* params) { return IsNewDoc(params); }
ASBool CanHandleAToAProp(SKCab*, SKCab* params) { return !IsNewDoc(params); }

// ---- The dialog

ASInt32 InsertOkClick(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  return OkRefusingCustomWithoutPage(dialog, "WhatSize");
}

void Enable(SMacDialogInfo* dialog, SKCtlData* data, ASInt32 id, ASBool on) {
  KCtlEnableOrDisableElemById(dialog, data, id, on);
}

// Fits the choices to what can be done: the current page's size, no current
// page without a document, no current page at all in a replay.
ASInt32 InsertAfterLoad(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return kKCtlCallBackGoOn;
  SKCtlElem* sameAsCur = static_cast<SKCtlElem*>(user);
  AVDoc active = AVAppGetActiveDoc();
  if (KCtlStockDialogIsInteractive(dialog)) {
    if (active) {
      AVPageView view = AVDocGetPageView(active);
      ASFixedPoint size = {0, 0};
      GetTranslatedPageSizeByPageNum(AVDocGetPDDoc(active), view ? AVPageViewGetPageNum(view) : 0, &size,
                                     kSizeVisible);
      char formatted[kPageSizeTextSize];
      FormatPageSize2(formatted, size.h, size.v, (ASInt32)CurrentUnits());
      std::string caption = std::string(Msg("dlg.insertblank1.10")) + " (" + formatted + ")";
      KCtlPlatformSetControlText(dialog, data, sameAsCur, caption.c_str());
      if (gKVClassic2) KCtlSetOneRadioButtonInGroupById(dialog, data, kSameAsCur);
    } else {
      for (ASInt32 id : {kBeforeCur, kAfterCur, kAtStart, kAtEnd, kAfterNum}) Enable(dialog, data, id, 0);
      KCtlSetOneRadioButtonInGroupById(dialog, data, kNewDoc);
      Enable(dialog, data, kSameAsCur, 0);
      KCtlSetOneRadioButtonInGroupById(dialog, data, kCustom);
    }
  } else {
    bool moved = false;
    for (ASInt32 id : {kBeforeCur, kAfterCur, kNewDoc}) {
      moved = moved || MacDialogItemIsChecked(dialog, id);
      Enable(dialog, data, id, 0);
    }
    if (moved) KCtlSetOneRadioButtonInGroupById(dialog, data, kAtStart);
    Enable(dialog, data, kSameAsCur, 0);
    if (gKVClassic2) KCtlSetOneRadioButtonInGroupById(dialog, data, kCustom);
  }
  return kKCtlCallBackGoOn;
}

SKCtlElem* Radio(SKCtlDialog* d, SKCtlElem* parent, ASUns32 group, ASInt16 id, ASUns32 flags, const char* caption,
                 const char* key, const char* value) {
  SKCtlElem* e = KCtlAddNewElement(d, kKCtlRadioButton, flags, id, Msg(caption), parent);
  KCtlRadioButtonSetGroup(group, e);
  return KCtlSetExportKeyAtom(key, Atom(value), e);
}

void BuildInsertDialog(SKCtlDialog* d) {
  SKCtlElem* count = nullptr;
  KCtlStock_PromptPageCount(d, 0, nullptr, Msg("dlg.insertblank1.1"), "Count",
                            CommandParamMinInt("InsertBlanks", "Count"), CommandParamMaxInt("InsertBlanks", "Count"),
                            &count);

  SKCtlElem* where = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.insertblank1.3"), nullptr);
  ASUns32 whereGroup = KCtlDialogNewButtonGroupCode(d);
  Radio(d, where, whereGroup, kBeforeCur, kKCtlFlagChecked, "dlg.insertblank1.4", "Where", "BeforeCur");
  Radio(d, where, whereGroup, kAfterCur, 0, "dlg.insertblank1.5", "Where", "AfterCur");
  Radio(d, where, whereGroup, kAtStart, 0, "dlg.insertblank1.6", "Where", "AtStart");
  Radio(d, where, whereGroup, kAtEnd, 0, "dlg.insertblank1.7", "Where", "AtEnd");
  Radio(d, where, whereGroup, kNewDoc, 0, "dlg.insertblank1.8", "Where", "NewDoc");
  if (!gKVClassic) {
    SKCtlElem* afterNum =
        Radio(d, where, whereGroup, kAfterNum, kKCtlFlagSameRow, "dlg.insertblank1.20", "Where", "AfterNum");
    SKCtlElem* pageNum = KCtlAddNewElement(d, kKCtlEditText, 0, -1, "999999", where);
    KCtlSetExportKeyEditInt("PageNum", CommandParamMinInt("InsertBlanks", "PageNum"),
                            CommandParamMaxInt("InsertBlanks", "PageNum"), pageNum);
    // The number only counts (and is only checked) for its own position.
    KCtlSetActionEnabledIfCheckedElem(afterNum, pageNum);
  } else {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, " ", where);
  }

  SKCtlElem* size = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.insertblank1.9"), nullptr);
  ASUns32 sizeGroup = KCtlDialogNewButtonGroupCode(d);
  SKCtlElem* sameAsCur =
      Radio(d, size, sizeGroup, kSameAsCur, kKCtlFlagChecked, "dlg.insertblank1.10", "WhatSize", "SameAsCur");
  SKCtlElem* custom = Radio(d, size, sizeGroup, kCustom, 0, "dlg.insertblank1.11", "WhatSize", "Custom");
  SKCtlElem* page = KCtlElemFromPageSizeCollection(
      d, 0, size, kPageSizeMoreChoices | kPageSizeBlanks | kPageSizeBackgrounds | kPageSizeOrientation, -1, "Page",
      nullptr, nullptr);
  KCtlSetActionEnabledIfCheckedElem(custom, page);
  // Once every value is in: the radios load after the count and would undo
  // a choice made when the count alone has loaded.
  KCtlSetActionCallback(count, kKCtlTriggerLoaded, InsertAfterLoad, sameAsCur);

  SKCtlElem* ok = KCtlAddNewElement(d, kKCtlPushButton, 0x88001, 1, Msg("common.button.ok"), nullptr);
  KCtlSetActionCallback(ok, kKCtlTriggerClick, InsertOkClick, nullptr);
  KCtlStock_CancelButton(d);
}

// The page whose size blanks take: the first when none (or a negative one)
// is named.
void DefaultSizeAsPage(SKCab* params) {
  if (KCabGetType(params, "SizeAsPage") != kKCabTypeString && KCabGetInt(params, "SizeAsPage", -1) < 0)
    KCabPutInt(params, "SizeAsPage", 1);
}

// What the dialog needs of params before it shows them.
void PrepareParams(SKCab* params) {
  if (const char* diPath = KCabGetString(params, "DIPath")) {
    ASPathName path = nullptr;
    DURING
      path = ASFileSysPathFromDIPath(nullptr, diPath, nullptr);
    HANDLER
      path = nullptr;
    END_HANDLER
    if (path) KCabPutPointerNamedType(params, ".File", "ASPathName", path, UIKVDocDestroyASPathName);
  }
  DefaultSizeAsPage(params);
  KCabPutBool(params, ".Advanced", !AtomIs(params, "Condition", "Always", "Always"));
}

// ---- The describer

void AddIntLine(SKCab* lines, SKCab* params, const char* key, ASInt32 dflt, const char* messageKey) {
  char line[1000];
  SPrintfUnboundedIntOrStringDecimalFormat(params, key, dflt, line, sizeof line, Msg(messageKey));
  AddLine(lines, line);
}

void DescribePosition(SKCab* lines, SKCab* params) {
  static const char* const kWords[] = {"BeforeCur", "AfterCur", "AtStart", "AtEnd", "NewDoc"};
  static const char* const kKeys[] = {"uikv.iblk.desc.1", "uikv.iblk.desc.2", "uikv.iblk.desc.3",
                                      "uikv.iblk.desc.4", "uikv.iblk.desc.5"};
  ASAtom where = KCabGetAtom(params, "Where", Atom("BeforeCur"));
  for (size_t k = 0; k < 5; ++k) {
    if (where == Atom(kWords[k])) {
      AddLine(lines, Msg(kKeys[k]));
      return;
    }
  }
  if (where == Atom("AfterNum")) {
    AddIntLine(lines, params, "PageNum", 1, "uikv.iblk.desc.6");
  } else {
    AddLine(lines, Msg("uikv.iblk.desc.7"));
  }
}

void DescribeBlanks(SKCab* lines, SKCab* params) {
  AddIntLine(lines, params, "Count", 8, "common.desc.numpages");
  char line[1000];
  CopyCutUTF8(line, sizeof line, Msg("common.desc.pagesize"));
  if (AtomIs(params, "WhatSize", "Custom", "SameAsPage")) {
    char size[1000] = "";
    ExportedPageSizeFormat(params, "Page", 1, size, (ASInt32)sizeof size);
    Append(line, sizeof line, size);
  } else if (AtomIs(params, "WhatSize", "SameAsCur", "SameAsPage")) {
    Append(line, sizeof line, Msg("common.desc.sameascurrent"));
  } else {
    char size[1000];
    SPrintfUnboundedIntOrStringDecimalFormat(params, "SizeAsPage", 1, size, sizeof size,
                                             Msg("common.desc.sameaspage"));
    Append(line, sizeof line, size);
  }
  AddLine(lines, line);
}

void DescribeFile(SKCab* lines, SKCab* params) {
  const char* file = KCabGetString(params, "Path");
  if (!file) file = KCabGetString(params, "DIPath");
  if (!file) file = Msg("common.unknownorbad");
  char line[1000];
  FormatMessageByKeyUTF8(nullptr, "common.desc.file", nullptr, line, sizeof line, "s", file);
  AddLine(lines, line);
  // Any word but AllDoc means FromPage to ToPage, as the insertion reads it.
  const bool whole = KCabGetAtom(params, "Range", Atom("AllDoc")) == Atom("AllDoc");
  DescribeRangeWithCustomData(lines, params, ASAtomNull, Atom(whole ? "AllDoc" : "SubDoc"), "FromPage", "ToPage", "",
                              "");
  AddIntLine(lines, params, "Copies", 1, "common.desc.numcopies");
  FormatMessageByKeyUTF8(nullptr, "common.desc.collate", nullptr, line, sizeof line, "s",
                         YesNoDescription(KCabGetBool(params, "Collate", 1)));
  AddLine(lines, line);
}

void DescribeCondition(SKCab* lines, SKCab* params) {
  struct SWord {
    const char* word;
    const char* key;
  };
  static const SWord kConditions[] = {{"If", "insert.condition.2.if"},
                                      {"Unless", "insert.condition.2.unless"},
                                      {"Until", "insert.condition.2.until"}};
  static const SWord kRelations[] = {{"Odd", "insert.condition.4.odd"},
                                     {"Even", "insert.condition.4.even"},
                                     {"LessThan", "insert.condition.4.lessthan"},
                                     {"AtLeast", "insert.condition.4.atleast"},
                                     {"DivisibleBy", "insert.condition.4.multipleof"}};
  auto keyOf = [](const SWord* words, size_t n, ASAtom value) -> const char* {
    for (size_t k = 0; k < n; ++k)
      if (value == Atom(words[k].word)) return words[k].key;
    return "common.unknownorbad";
  };
  char relation[1000];
  FormatMessageByKeyUTF8(nullptr, keyOf(kRelations, 5, KCabGetAtom(params, "ConditionRelation", ASAtomNull)),
                         nullptr, relation, sizeof relation, "d", (int)KCabGetInt(params, "ConditionNumber", 0));
  std::string line = Msg("insert.desc.condition.1");
  for (const char* piece : {Msg(keyOf(kConditions, 3, KCabGetAtom(params, "Condition", ASAtomNull))),
                            Msg("insert.desc.condition.2"), Msg("insert.condition.3"), (const char*)relation}) {
    if (!*piece) continue;
    if (!line.empty()) line += ' ';
    line += piece;
  }
  CutUTF8(line, 999);
  AddLine(lines, line.c_str());
}

// The run's source window: the one it names, else the one showing its
// document; null when the document has none.
AVDoc SourceView(SKCab* run, PDDoc doc) {
  if (AVDoc view = ProcManGetSourceAVDoc(run)) return view;
  struct SFind {
    PDDoc doc;
    AVDoc view;
  } find{doc, nullptr};
  if (doc)
    AVAppEnumDocs(
        [](AVDoc d, void* data) -> ASBool {
          auto* f = static_cast<SFind*>(data);
          if (AVDocGetPDDoc(d) == f->doc) f->view = d;
          return f->view ? 0 : 1;
        },
        &find);
  return find.view;
}

}  // namespace

void UIKVDocDestroyASPathName(void* path) {
  if (path) ASFileSysReleasePath(nullptr, static_cast<ASPathName>(path));
}

ASBool CmdMgrInsertBlanksUI(SKCab*, SKCab* params) {
  ASInt32 result = RunParamsDialog("dlg.insertblank1.title", params, BuildInsertDialog, [params] { PrepareParams(params); });
  if (result != 1) return 0;
  if (AtomIs(params, "Action", "File", "Blanks") || AtomIs(params, "WhatSize", "SameAsPage", "SameAsPage"))
    KCabPutStringCopy(params, "Requires", kRequiresAlphaBase);
  return 1;
}

SKCab* CmdMgrInsertBlanksDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DURING
    DescribePosition(lines, params);
    if (AtomIs(params, "Action", "File", "Blanks")) {
      DescribeFile(lines, params);
    } else {
      DescribeBlanks(lines, params);
    }
    if (!AtomIs(params, "Condition", "Always", "Always")) DescribeCondition(lines, params);
    DescribeParamRefusal(lines, "InsertBlanks", params);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  return lines;
}

void InsertBlanksCallBackInitialise(SKCab* run, SKCab*) {
  if (IsNewDoc(KCabGetCab(run, "Params"))) KCabPutAtom(run, "Source:SourceType", Atom("None"));
}

void InsertBlanksCallBackStart(SKCab* run, SKCab*) {
  SKCab* params = KCabGetCab(run, "Params");
  // Run by key the defaults never saw the dialog, which names the page.
  if (AtomIs(params, "WhatSize", "SameAsPage", "SameAsPage")) DefaultSizeAsPage(params);
  if (!CommandParamsAccepted(run, "InsertBlanks")) return;
  PDDoc doc = ProcManGetSourcePDDoc(run);
  const ASBool interactive = KCabGetBool(params, "Interactive", 0);
  // The current page is the source's, whichever document is in front.
  AVDoc source = interactive ? SourceView(run, doc) : nullptr;
  AVPageView view = source ? AVDocGetPageView(source) : nullptr;
  ASInt32 first = 0, count = 0;
  ASBool ok = AtomIs(params, "Action", "File", "Blanks")
                  ? InsertFilePagesFromCab(view, doc, params, interactive, &first, &count)
                  : InsertBlankPagesFromCab(view, doc, params, interactive, &first, &count);
  if (!ok) ProcManMarkCancelProcess(run, nullptr);
}

SKCab* NewCmdMgrForInsertBlanks() {
  return NewPageCommand("InsertBlanks", "impmenu1.cmd.insertblanks", CmdMgrInsertBlanksUI, CmdMgrInsertBlanksDescriber,
                        [](SKCab* command) {
                          KCabPutAtom(command, "DefaultParams:Source:SourceType", Atom("None"));
                          KCabPutInt(command, "DefaultParams:Count", 1);
                          KCabPutAtom(command, "DefaultParams:Where", Atom("BeforeCur"));
                          KCabPutAtom(command, "DefaultParams:WhatSize", Atom("SameAsPage"));
                          PutCallback(command, "Control:Initialise", InsertBlanksCallBackInitialise);
                          PutCallback(command, "Control:Start", InsertBlanksCallBackStart);
                          PutBatchGroupAndVersion(command);
                          PutBoolProperty(command, "Control:Props:IgnoreInList", IgnoreInListProp);
                          KCabPutBool(command, "Control:Props:UIDoesntNeedAVDoc", 1);
                          PutBoolProperty(command, "Control:Props:CanHandleAToA", CanHandleAToAProp);
                        });
}

KV_COMMAND_MODULE(.NewCmdMgrForInsertBlanks = NewCmdMgrForInsertBlanks)
