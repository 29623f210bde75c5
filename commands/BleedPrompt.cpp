// The bleed prompt: before an imposition of pages whose visible box is not
// their trim box, asks whether to use the bleed or ignore it, and can make
// the answer the remembered default. The engine reaches it through its
// prompt hook, installed when the plug-in loads.
#include "commands/BleedPrompt.h"
#include "commands/Prefs.h"
#include "engine/EnginePrefs.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"

namespace {

SKCtlElem* Radio(SKCtlDialog* d, ASUns32 flags, const char* key, const char* word) {
  SKCtlElem* r = KCtlAddNewElement(d, kKCtlRadioButton, flags, -1, Msg(key), nullptr);
  KCtlSetExportKeyAtom("BleedMode", ASAtomFromString(word), r);
  return KCtlRadioButtonSetGroup((ASUns32)ASAtomFromString("BleedMode"), r);
}

void Spacer(SKCtlDialog* d, ASUns32 flags) { KCtlAddNewElement(d, kKCtlStaticText, flags, -1, " ", nullptr); }

SKCtlDialog* NewBleedPrompt() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bleedprompt.title"), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 104, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.bleedprompt.1"), nullptr);
    Spacer(d, kKCtlFlagHidden | kKCtlFlagNoGap);
    Radio(d, 0, "dlg.bleedprompt.2", "Ignore");
    Radio(d, kKCtlFlagChecked, "dlg.bleedprompt.3", "Use");
    Spacer(d, kKCtlFlagHidden);
    KCtlSetExportKey("DontShowAgain",
                     KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("common.donotshowmessageagain"), nullptr));
    Spacer(d, kKCtlFlagHidden);
    KCtlStock_OkButton(d);
    KCtlStock_CancelButton(d);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// The engine asks through its hook; the plug-in links this whole library,
// so the prompt is in place as soon as the plug-in is loaded.
[[maybe_unused]] const bool kBleedPromptInstalled = (SetImpositionBleedPromptProc(ImpositionBleedPrompt), true);

}  // namespace

ASBool ImpositionBleedPrompt(SKCab* cab) {
  if (!cab) return 0;
  KCabPutAtom(cab, "BleedMode", ASAtomFromString(BleedModeWord(gBleedVelmoraPromptDefault)));
  if (KCtlPlatformRunModal(NewBleedPrompt(), cab, cab, nullptr) != 1) return 0;

  const ASInt32 chosen = BleedModeFromAtom(KCabGetAtom(cab, "BleedMode", ASAtomNull));
  const ASBool dontAsk = KCabGetBool(cab, "DontShowAgain", 0);
  if (chosen != gBleedVelmoraPromptDefault || dontAsk) {
    SKCab* prefs = LoadGeneralPrefsCab();
    DURING
      const ASAtom word = ASAtomFromString(BleedModeWord(chosen));
      gBleedVelmoraPromptDefault = chosen;
      KCabPutAtom(prefs, "BleedPromptDefault", word);
      if (dontAsk) {
        gBleedVelmoraMode = chosen;
        KCabPutAtom(prefs, "BleedMode", word);
      }
      CommitGeneralPrefsCab(prefs);
    HANDLER
      KCabDestroy(prefs);
      RERAISE();
    END_HANDLER
    KCabDestroy(prefs);
  }
  if (dontAsk) ErrMessageUTF8(Msg("dlg.bleedprompt.msg"));
  return 1;
}
