// What the tests of the plug-in's start, menus, dispatcher, tool button,
// command registration, named actions and automation share.
//
// The plug-in starts once per process: each test runs in a process of its own
// (CTest runs them one by one), in a fresh preferences folder, with the
// bundle's resources of the build.
//
// Command modules of the test program: commands made with
// kvtest::NewTestCommand under the Part's keys, and panels that record that
// they were called and answer what the test asks.
#pragma once

#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "frame/CommandModules.h"
#include "host/PD.h"
#include "support/TempDir.h"

namespace kvtest {

// A preferences folder and the build's bundle resources for this process.
class PlugInSession {
 public:
  PlugInSession();
  ~PlugInSession();
  PlugInSession(const PlugInSession&) = delete;
  PlugInSession& operator=(const PlugInSession&) = delete;
  const std::string& prefs() const { return prefs_.path(); }
  // The "Korvel" settings folder inside it.
  std::string settings(const std::string& file) const { return prefs_.path() + "/Korvel/" + file; }
  static std::string BundleResources();
  // A document of pages numbered pages ("Page 1", ...) made in the folder
  // under name, opened in a view that is the active one.
  PDDoc OpenDocument(const std::string& name, int pages) const;

 private:
  TempDir prefs_;
};

// The host's alerts recorded so far (AVAlertRecordStart): "kind: message".
std::vector<std::string> RecordedAlerts();

// What the test modules were asked, in order: "ReadGeneralPrefs", "Prefs",
// "LastTabbed", "ControlPanel", "Refresh", "Help", "About", "Record", "Play",
// and "build:<key>" for each command built.
std::vector<std::string>& ModuleCalls();
// The answer of the panels that answer (Prefs, LastTabbed, Help, Record, Play).
extern bool gPanelAnswer;

// Fills the module table: with commands, the nine command builders (the
// commands' UI procedures record the parameters they see, see LastUIParams);
// with panels, every panel slot.
void InstallTestModules(bool commands, bool panels);

// Copies of the parameters the last dialog and the last process start saw
// (null before any); the process copy also holds "Run:HasDoc" (the run had
// a source document), "Run:Stamping" (suspendAutoStamping at the start) and
// "Run:Caller" (the caller of its play control) in place of ".PlayControl".
SKCab* LastUIParams();
SKCab* LastProcessParams();
void ForgetSeenParams();

// Writes a cabinet as a settings file (cabinet XML).
void WriteCabFile(const std::string& path, SKCab* cab);

// The ".PlayControl" "Caller" of a parameter cabinet (or its "Run:Caller"),
// "" when none.
std::string CallerOf(SKCab* params);

}  // namespace kvtest
