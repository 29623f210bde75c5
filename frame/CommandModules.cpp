#include "frame/CommandModules.h"

namespace {

// Zero-initialised before any registrar runs, whatever the order in which the
// modules' initialisers are called.
constinit SKVCommandModules gModules;

template <class T>
void Take(T& slot, T value) {
  if (value) slot = value;
}

}  // namespace

bool KVCommandModuleAdd(const SKVCommandModules& m) {
  SKVCommandModules& t = gModules;
  Take(t.NewCmdMgrForCreateTestFile, m.NewCmdMgrForCreateTestFile);
  Take(t.NewCmdMgrForInsertBlanks, m.NewCmdMgrForInsertBlanks);
  Take(t.NewCmdMgrForTrimAndShift, m.NewCmdMgrForTrimAndShift);
  Take(t.NewCmdMgrForBooklet, m.NewCmdMgrForBooklet);
  Take(t.NewCmdMgrForShuffle, m.NewCmdMgrForShuffle);
  Take(t.NewCmdMgrForEvenOddShuffle, m.NewCmdMgrForEvenOddShuffle);
  Take(t.NewCmdMgrForNup, m.NewCmdMgrForNup);
  Take(t.NewCmdMgrForJoin2Pages, m.NewCmdMgrForJoin2Pages);
  Take(t.NewCmdMgrForReverseDocument, m.NewCmdMgrForReverseDocument);
  Take(t.ReadGeneralPrefs, m.ReadGeneralPrefs);
  Take(t.DoPrefsDialog, m.DoPrefsDialog);
  Take(t.RestartLastTabbedDialog, m.RestartLastTabbedDialog);
  Take(t.CreateImpositionControlPanel, m.CreateImpositionControlPanel);
  Take(t.ControlPanelEnableDisableButtons, m.ControlPanelEnableDisableButtons);
  Take(t.StartHelpCentre, m.StartHelpCentre);
  Take(t.AboutVelmora, m.AboutVelmora);
  Take(t.DoRememberLast, m.DoRememberLast);
  Take(t.StartPlay, m.StartPlay);
  Take(t.CommandParamTable, m.CommandParamTable);
  Take(t.CheckFollowingRun, m.CheckFollowingRun);
  return true;
}

const SKVCommandModules& KVCommandModules() { return gModules; }

void KVCommandModulesClear() { gModules = SKVCommandModules{}; }
