#include "engine/SourceVersion.h"

#include "engine/EnginePrivate.h"
#include "foundation/Alerts.h"

using namespace engine_detail;

ASBool ImpositionCompatibleDocument(PDDoc doc, ASBool ask) {
  ASInt16 major = 0, minor = 0;
  PDDocGetVersion(doc, &major, &minor);
  if (major < impositionCompatMajorVersion ||
      (major == impositionCompatMajorVersion && minor <= impositionCompatMinorVersion)) {
    return 1;
  }
  if (!ask) return 0;
  return ConfirmMessageUTF8(Msg("imputil1.confirm.toonew"), 1);
}
