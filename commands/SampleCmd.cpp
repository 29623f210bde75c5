// The sample-document command: new documents of numbered pages in one of a
// few standard sizes or a size from the page-size collection. It needs no
// open document; the booklet wizard offers the same dialog.
#include "commands/SampleCmd.h"

#include <cstdio>
#include <cstring>

#include "commands/PageCmdsCommon.h"
#include "commands/ParamTables.h"
#include "engine/SampleDoc.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/PageUnits.h"

using namespace pagecmds;

namespace {

// "UseSize" values, in the order the recorded numbers give them; an unknown
// word makes Letter pages.
const SKCabEnumWord kSizeWords[] = {{0, "Letter"}, {1, "HalfLetter"}, {2, "A4"},     {3, "A5"},
                                    {4, "Custom"}, {5, "WideLetter"}, {6, "WideA4"}, {0, nullptr}};
struct SSampleSize {
  const char* caption;  // the dialog's radio, also the describer's text
  double width;
  double height;
};
constexpr double kA4Short = 595.2755905511812;
constexpr double kA4Long = 841.8897637795276;
constexpr double kA5Short = 419.52755905511816;
const SSampleSize kSizes[] = {
    {"dlg.createtest.5", 612, 792},          {"dlg.createtest.6", 396, 612},
    {"dlg.createtest.8", kA4Short, kA4Long}, {"dlg.createtest.10", kA5Short, kA4Short},
    {"dlg.createtest.11", 0, 0},             {"dlg.createtest.7", 792, 612},
    {"dlg.createtest.9", kA4Long, kA4Short},
};
constexpr ASInt32 kCustom = 4;

const char* SizeWord(ASInt32 k) { return KCabEkEnumToStringTable(k, kSizeWords); }

ASInt32 SizeIndex(SKCab* params) {
  ASAtom use = KCabGetAtom(params, "UseSize", Atom("Letter"));
  for (ASInt32 k = 0; k < (ASInt32)(sizeof kSizes / sizeof kSizes[0]); ++k)
    if (use == Atom(SizeWord(k))) return k;
  return -1;
}

// The page size in points the parameters ask for; Letter for a custom size
// without a blank size (a background) and for unknown words.
void SampleSize(SKCab* params, double* width, double* height) {
  *width = 612;
  *height = 792;
  ASInt32 k = SizeIndex(params);
  if (k == kCustom) {
    double w = 0, h = 0;
    if (ExportedPageSizeGetBlankSizeWithForcedOrientation(params, "Page", &w, &h) && w > 0 && h > 0) {
      *width = w;
      *height = h;
    }
  } else if (k >= 0) {
    *width = kSizes[k].width;
    *height = kSizes[k].height;
  }
}

// ---- The dialog

ASInt32 SampleOkClick(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  return OkRefusingCustomWithoutPage(dialog, "UseSize");
}

void BuildSampleDialog(SKCtlDialog* d) {
  KCtlStock_PromptPageCount(d, 0, nullptr, Msg("dlg.createtest.2"), "Count",
                            CommandParamMinInt("CreateSample", "Count"), CommandParamMaxInt("CreateSample", "Count"),
                            nullptr);

  SKCtlElem* box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.createtest.4"), nullptr);
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  struct SRadio {
    ASInt32 size;
    ASUns32 flags;
  };
  const SRadio radios[] = {{0, kKCtlFlagChecked}, {5, 0}, {1, kKCtlFlagOneLine}, {2, 0},
                           {6, 0},                {3, kKCtlFlagOneLine}, {4, 0}};
  SKCtlElem* custom = nullptr;
  for (const SRadio& r : radios) {
    SKCtlElem* e = KCtlAddNewElement(d, kKCtlRadioButton, r.flags, -1, Msg(kSizes[r.size].caption), box);
    KCtlRadioButtonSetGroup(group, e);
    KCtlSetExportKeyAtom("UseSize", Atom(SizeWord(r.size)), e);
    if (r.size == kCustom) custom = e;
  }
  SKCtlElem* page = KCtlElemFromPageSizeCollection(
      d, 0, box, kPageSizeMoreChoices | kPageSizeBlanks | kPageSizeOrientation, -1, "Page", nullptr, nullptr);
  KCtlSetActionEnabledIfCheckedElem(custom, page);

  SKCtlElem* ok = KCtlAddNewElement(d, kKCtlPushButton, 0x88001, 1, Msg("common.button.ok"), nullptr);
  KCtlSetActionCallback(ok, kKCtlTriggerClick, SampleOkClick, nullptr);
  KCtlStock_CancelButton(d);
}

// The sample dialog on params (export and position cabinet); true on OK.
ASBool RunSampleDialog(SKCab* params) { return RunParamsDialog("dlg.createtest.title", params, BuildSampleDialog) == 1; }

// ---- Command callbacks

ASBool CmdMgrCreateTestUI(SKCab*, SKCab* params) { return RunSampleDialog(params); }

SKCab* CmdMgrCreateTestDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DURING
    char line[1000];
    SPrintfUnboundedIntOrStringDecimalFormat(params, "Count", 8, line, sizeof line, Msg("common.desc.numpages"));
    AddLine(lines, line);

    CopyCutUTF8(line, sizeof line, Msg("common.desc.pagesize"));
    ASInt32 k = SizeIndex(params);
    if (k == kCustom) {
      char size[1000] = "";
      ExportedPageSizeFormat(params, "Page", 1, size, (ASInt32)sizeof size);
      Append(line, sizeof line, size);
    } else {
      char caption[1000];
      CopyWithoutAmpersand(caption, sizeof caption, Msg(k >= 0 ? kSizes[k].caption : kSizes[kCustom].caption));
      Append(line, sizeof line, caption);
    }
    AddLine(lines, line);
    DescribeParamRefusal(lines, "CreateSample", params);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  return lines;
}

void CreateTestCallBackInitialise(SKCab* run, SKCab*) {
  KCabPutAtom(run, "Source:SourceType", Atom("None"));
}

void CreateTestCallBackStart(SKCab* run, SKCab*) {
  if (!CommandParamsAccepted(run, "CreateSample")) return;
  PDDoc doc = nullptr;
  // The engine has said why when it made nothing; the run must not end as a
  // success then.
  if (!CreateTestFileFromCab(&doc, KCabGetCab(run, "Params"))) ProcManMarkCancelProcess(run, nullptr);
}

// The cabinet DoCreateSample keeps for the plug-in's life.
SKCab* gSampleParams = nullptr;

}  // namespace

ASBool CreateTestFileFromCab(PDDoc* document, SKCab* params) {
  double width = 0, height = 0;
  SampleSize(params, &width, &height);
  ASFixed w = AcroRoundPageDim(FloatToFixed((float)width));
  ASFixed h = AcroRoundPageDim(FloatToFixed((float)height));
  ASInt32 count = KCabGetInt(params, "Count", 1);
  return CreateTestFile(w, h, count, 1, document, 1, 0) ? 1 : 0;
}

ASBool DoCreateSample() {
  if (!gSampleParams) {
    SKCab* cab = KCabNewInner();
    DURING
      KCabPutInt(cab, "Count", 8);
      KCabPutAtom(cab, "UseSize", Atom("Letter"));
    HANDLER
      KCabDestroy(cab);
      RERAISE();
    END_HANDLER
    gSampleParams = cab;
  }
  if (!RunSampleDialog(gSampleParams)) return 0;
  PDDoc doc = nullptr;
  return CreateTestFileFromCab(&doc, gSampleParams);
}

SKCab* NewCmdMgrForCreateTestFile() {
  return NewPageCommand("CreateSample", "impmenu1.cmd.sample", CmdMgrCreateTestUI, CmdMgrCreateTestDescriber,
                        [](SKCab* command) {
                          KCabPutAtom(command, "DefaultParams:Source:SourceType", Atom("None"));
                          KCabPutInt(command, "DefaultParams:Count", 8);
                          KCabPutAtom(command, "DefaultParams:UseSize", Atom("Letter"));
                          PutCallback(command, "Control:Initialise", CreateTestCallBackInitialise);
                          PutCallback(command, "Control:Start", CreateTestCallBackStart);
                          KCabPutBool(command, "Control:Props:IgnoreInList", 1);
                          KCabPutBool(command, "Control:Props:UIDoesntNeedAVDoc", 1);
                        });
}

KV_COMMAND_MODULE(.NewCmdMgrForCreateTestFile = NewCmdMgrForCreateTestFile)

const SKCabEnumWord* SampleParamWords(const char* key) {
  return key && std::strcmp(key, "UseSize") == 0 ? kSizeWords : nullptr;
}
