#include "engine/RunHelpers.h"

#include <cstdint>

#include "engine/EnginePrivate.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/RunCab.h"

using namespace engine_detail;

ASInt32 KVCommandCheckSource(SKCab* run, SKCab* /*args*/) {
  PDDoc doc = ProcManGetSourcePDDoc(run);
  if (!doc || ProcManGetSourceAVDoc(run)) return 1;
  if (KCabGetAtom(run, "Source:Range:RangeType", Atom("AllDoc")) != Atom("CurrentPage")) return 1;
  ASInt32 p = KCabGetInt(run, "OldResult:CurrentPage", -1);
  ASInt32 n = PDDocGetNumPages(doc);
  char text[300];
  if (p >= n) {
    FormatMessageByKeyUTF8(nullptr, "impcmd.1.a.2", nullptr, text, sizeof text, "d", (int)((ASInt64)p + 1 > INT32_MAX ? INT32_MAX : p + 1));
    ErrMessageUTF8(text);
    ProcManMarkCancelProcess(run, nullptr);
    return 0;
  }
  if (p >= 0) {
    FormatMessageByKeyUTF8(nullptr, "impcmd.1.a.1", nullptr, text, sizeof text, "d", (int)(p + 1));
    WarnMessageUTF8(text);
  } else if (n == 1) {
    WarnMessageUTF8(Msg("impcmd.1.a.4"));
    p = 0;
  } else {
    return 1;
  }
  KCabPutAtom(run, "Source:Range:RangeType", Atom("SubDoc"));
  KCabPutInt(run, "Source:Range:From", p + 1);
  KCabPutInt(run, "Source:Range:To", p + 1);
  return 1;
}
