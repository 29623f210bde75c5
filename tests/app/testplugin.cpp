// A small plug-in for testing the host program: it checks the handshake,
// adds one menu item and offers an automation table that records what it is
// asked to do (into the file named by $KVTEST_PLUGIN_LOG).
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"
#include "host/PIAutomation.h"
#include "host/PIHandshake.h"

namespace {

void Log(const std::string& line) {
  const char* path = std::getenv("KVTEST_PLUGIN_LOG");
  if (!path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

std::string ActivePages() {
  AVDoc d = AVAppGetActiveDoc();
  return d ? std::to_string(PDDocGetNumPages(AVDocGetPDDoc(d))) : "none";
}

bool gCopyRemembered = false;
bool gWithSettings = false;  // settings are given parameters too

// A new document of the active one's first pages, in a window of its own.
void OpenCopy(const char* title, ASInt32 pages) {
  PDDoc doc = PDDocCreate();
  PDDocInsertPages(doc, PDLastPage, AVDocGetPDDoc(AVAppGetActiveDoc()), 0, pages, 0, nullptr, nullptr, nullptr,
                   nullptr);
  ASText text = ASTextFromUnicode(title, kUTF8);
  AVDocOpenFromPDDoc(doc, text);
  ASTextDestroy(text);
}

// The file the text came from, as the host names it.
std::string From(const char* source) { return source ? std::string(" from ") + source : ""; }

ASBool RunCommandFrom(const char* key, const char* params, const char* source) {
  Log(std::string("command ") + key + " params " + (params ? "given" : "none") + From(source) + " pages " +
      ActivePages());
  if (std::string(key) == "Copy" && !params && !gWithSettings) gCopyRemembered = true;
  // "Split" makes two documents, as splitting odd and even pages does: one
  // of the first two pages, then one of the first page, which is in front.
  if (std::string(key) == "Split") {
    if (!AVAppGetActiveDoc()) return 0;
    OpenCopy("two pages", 2);
    OpenCopy("one page", 1);
    return 1;
  }
  // "Grow" adds a copy of the first page at the end of the active document.
  if (std::string(key) == "Grow") {
    if (!AVAppGetActiveDoc()) return 0;
    PDDoc doc = AVDocGetPDDoc(AVAppGetActiveDoc());
    PDDocInsertPages(doc, PDLastPage, doc, 0, 1, 0, nullptr, nullptr, nullptr, nullptr);
    return 1;
  }
  // Only the commands it lists are known; "Fail" never completes.
  if (std::string(key) != "Copy") return 0;
  // "Copy" makes a new document in a window of its own, as impositions do.
  if (std::string(key) == "Copy") {
    // Like a real command, it says so when there is nothing to copy.
    if (!AVAppGetActiveDoc()) return 0;
    PDDoc doc = PDDocCreate();
    PDDocInsertPages(doc, PDLastPage, AVDocGetPDDoc(AVAppGetActiveDoc()), 0, PDAllPages, 0, nullptr, nullptr, nullptr, nullptr);
    ASText title = ASTextFromUnicode("copy 1", kUTF8);
    AVDocOpenFromPDDoc(doc, title);
    ASTextDestroy(title);
  }
  return 1;
}
ASBool RunCommand(const char* key, const char* params) { return RunCommandFrom(key, params, nullptr); }
ASBool PlayAction(const char* name) {
  Log(std::string("play ") + name);
  return 1;
}
ASBool Replay(PDDoc source) {
  Log("replay " + std::to_string(PDDocGetNumPages(source)));
  return 1;
}
void ListCommands(PITextSink sink, void* data) {
  sink("Copy\tCopy the document", data);
  sink("Split\tSplit the document in two", data);
  sink("Grow\tAdd a page", data);
  sink("Fail\tAlways fails", data);
}
ASBool History(PDDoc, PITextSink sink, void* data) {
  sink("<RUVURAZAR/>\n", data);
  return 1;
}
// Answers that begin with "<bad" do not read.
ASBool AnswerFrom(const char* xml, const char* source) {
  bool bad = xml && std::string(xml).rfind("<bad", 0) == 0;
  Log(std::string("answers ") + (xml ? bad ? "bad" : "given" : "none") + From(source));
  return bad ? 0 : 1;
}
ASBool Answer(const char* xml) { return AnswerFrom(xml, nullptr); }
// "Copy" remembers its parameters once it has run without them.
ASBool Remembered(const char* key, PITextSink sink, void* data) {
  if (std::string(key) != "Copy" || !gCopyRemembered) return 0;
  sink("/remembered/Korvel/kv3.xml", data);
  return 1;
}

// The outcome of the menu items run since the last question: -1 none ran.
ASInt32 gMenuOutcome = -1;
ASInt32 TakeMenuOutcome() {
  ASInt32 outcome = gMenuOutcome;
  gMenuOutcome = -1;
  return outcome;
}

// The settings as the command got them, in order.
ASBool RunWithSettings(const char* key, const char* params, const char* source, const char* const* settings,
                       ASInt32 count) {
  std::string line;
  for (ASInt32 i = 0; i < count; ++i) line += std::string(" ") + settings[i];
  if (count > 0) Log(std::string("settings") + line);
  gWithSettings = count > 0;
  ASBool ok = RunCommandFrom(key, params, source);
  gWithSettings = false;
  return ok;
}
// A value "bad" does not read.
ASBool CheckSettings(const char* key, const char* const* settings, ASInt32 count, PITextSink sink, void* data) {
  Log(std::string("check ") + key);
  for (ASInt32 i = 0; i < count; ++i) {
    std::string s = settings[i];
    if (s.substr(s.find('=') + 1) != "bad") continue;
    sink((s.substr(0, s.find('=')) + " takes good values, not \"bad\".").c_str(), data);
    return 0;
  }
  return 1;
}
void ProductVersion(PITextSink sink, void* data) { sink("Test Plug-in 1.2", data); }

const PIAutomationProcs kProcs = {sizeof(PIAutomationProcs),
                                  RunCommand,
                                  PlayAction,
                                  Replay,
                                  ListCommands,
                                  History,
                                  Answer,
                                  TakeMenuOutcome,
                                  Remembered,
                                  RunWithSettings,
                                  CheckSettings,
                                  ProductVersion,
                                  AnswerFrom,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr};
// The table of a plug-in made before settings and versions were offered.
PIAutomationProcs gOlderProcs = kProcs;

ASBool MenuExecuted = 0;
void ExecuteItem(void*) {
  Log("menu executed");
  gMenuOutcome = 1;
}
// An item whose command does not complete.
void ExecuteFailingItem(void*) {
  Log("failing menu executed");
  gMenuOutcome = 0;
}

ASBool Init() {
  AVMenu menu = AVMenuNew("Test", "KVTEST:Menu", nullptr);
  AVMenuItem item = AVMenuItemNew("Do it", "KVTEST:DoIt", nullptr, 0, 0, 0, nullptr, nullptr);
  AVMenuItemSetExecuteProc(item, ExecuteItem, nullptr);
  AVMenuAddMenuItem(menu, item, -1);
  AVMenuItem failing = AVMenuItemNew("Fail", "KVTEST:Fail", nullptr, 0, 0, 0, nullptr, nullptr);
  AVMenuItemSetExecuteProc(failing, ExecuteFailingItem, nullptr);
  AVMenuAddMenuItem(menu, failing, -1);
  AVMenuItemRelease(failing);
  AVMenubarAddMenu(AVAppGetMenubar(), menu, -1);
  AVMenuItemRelease(item);
  AVMenuRelease(menu);
  if (std::getenv("KVTEST_PLUGIN_OLDER_TABLE")) {
    gOlderProcs.size = offsetof(PIAutomationProcs, runCommandWithSettings);
    PIRegisterAutomation(&gOlderProcs);
  } else {
    PIRegisterAutomation(&kProcs);
  }
  ASInt16 major = 0, minor = 0;
  ASHostVersionGet(&major, &minor);
  Log("init host " + std::to_string(major) + "." + std::to_string(minor));
  return std::getenv("KVTEST_PLUGIN_FAIL_INIT") ? 0 : 1;
}
ASBool Unload() {
  Log("unload");
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool KVPlugInMain(ASUns32 version, PIHandshakeData* data) {
  if (version != kPIHandshakeVersion || !data || data->size < sizeof(PIHandshakeData)) return 0;
  if (!ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0))) return 0;
  data->extensionName = ASAtomFromString("KVTEST_TestPlugIn");
  data->initCallback = Init;
  data->unloadCallback = Unload;
  (void)MenuExecuted;
  return 1;
}
