// The host's version-6.0 view table, for the calls an older host lacks: ask
// HFTEntryIsPresent before taking an entry.
#pragma once

#include "host/ASAtom.h"
#include "host/ASExtension.h"

// Asked for once per load; null on a host without it.
inline HFT HostViewTable6() {
  static const HFT table = ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0));
  return table;
}
