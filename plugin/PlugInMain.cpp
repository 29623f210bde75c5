// The plug-in's entry: the host-SDK glue. The host calls KVPlugInMain with
// its handshake version and record; the glue makes sure the host offers the
// function tables the plug-in calls, records where the plug-in's bundle is,
// and hands over to the frame's handshake.
#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <type_traits>

#include "foundation/KFile.h"
#include "frame/PlugIn.h"
#include "host/AS.h"
#include "host/PIHandshake.h"
#include "platform/PfResource.h"

namespace {

// The oldest host whose tables the plug-in is written against.
constexpr ASInt16 kMinHostMajor = 7;

struct SRequiredTable {
  const char* name;
  ASVersion minimum;
};
const SRequiredTable kTables[] = {{"AcroView", ASVersionMake(kMinHostMajor, 0)},
                                  {"PDModel", ASVersionMake(kMinHostMajor, 0)},
                                  {"Cos", ASVersionMake(kMinHostMajor, 0)}};

// The bundle folder: the folder of the shared object holding this code.
std::string gBundle;

bool RecordBundle() {
  Dl_info info;
  if (!dladdr((const void*)&RecordBundle, &info) || !info.dli_fname) return false;
  char* real = realpath(info.dli_fname, nullptr);
  std::string object = real ? real : info.dli_fname;
  free(real);
  size_t slash = object.rfind('/');
  if (slash == std::string::npos) return false;
  gBundle = object.substr(0, slash);
  gPluginBundle = gBundle.c_str();
  PfBundleSetResourcesFolder((gBundle + "/Resources").c_str());
  return true;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool KVPlugInMain(ASUns32 handshakeVersion,
                                                                    PIHandshakeData* handshakeData) {
  for (const SRequiredTable& t : kTables)
    if (!ASExtensionMgrGetHFT(ASAtomFromString(t.name), t.minimum)) return 0;
  if (!RecordBundle()) return 0;
  return PIHandshake(handshakeVersion, handshakeData);
}

static_assert(std::is_same_v<decltype(&KVPlugInMain), PIMainProc>, "the entry is the host's PIMainProc");
