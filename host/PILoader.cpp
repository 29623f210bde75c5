#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/ASExcept.h"
#include "host/ASExtension.h"
#include "host/PIAutomation.h"
#include "host/PIHandshake.h"

struct PILoadedPlugIn {
  void* handle;
  PIHandshakeData data;
};

namespace {

const PIAutomationProcs* gAutomation = nullptr;

void Say(char* error, ASInt32 size, const std::string& text) {
  if (error && size > 0) std::snprintf(error, (size_t)size, "%s", text.c_str());
}

std::string BaseName(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  size_t slash = folder.rfind('/');
  return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

// Runs a plug-in callback; a host exception escaping it counts as failure.
ASBool Call(ASBool (*proc)()) {
  if (!proc) return 1;
  ASBool ok = 0;
  DURING
    ok = proc();
  HANDLER
    ok = 0;
  END_HANDLER
  return ok;
}

}  // namespace

PILoadedPlugIn* PILoadPlugIn(const char* bundleFolder, char* error, ASInt32 errorSize) {
  if (!bundleFolder || !*bundleFolder) {
    Say(error, errorSize, "no plug-in folder");
    return nullptr;
  }
  std::string folder = bundleFolder;
  std::string object = folder + "/" + BaseName(folder) + ".so";
  void* handle = dlopen(object.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    Say(error, errorSize, "cannot load " + object + ": " + (why ? why : "unknown reason"));
    return nullptr;
  }
  PIMainProc entry = reinterpret_cast<PIMainProc>(dlsym(handle, "KVPlugInMain"));
  if (!entry) {
    Say(error, errorSize, object + " has no KVPlugInMain entry");
    dlclose(handle);
    return nullptr;
  }
  PILoadedPlugIn* p = new PILoadedPlugIn{handle, {}};
  p->data.size = sizeof(PIHandshakeData);
  p->data.extensionName = 0xFFFF;
  ASBool shook = 0;
  HFTClearLastRefusal();
  DURING
    shook = entry(kPIHandshakeVersion, &p->data);
  HANDLER
    shook = 0;
  END_HANDLER
  if (!shook) {
    const char* table = nullptr;
    ASVersion wanted = 0;
    if (HFTLastRefusal(&table, &wanted)) {
      ASInt16 major = 0, minor = 0;
      ASHostVersionGet(&major, &minor);
      char text[300];
      std::snprintf(text, sizeof text,
                    " refused the handshake: it needs the host function table %s of version %u.%u or later, and "
                    "this host reports version %d.%d",
                    table, (unsigned)(wanted >> 16), (unsigned)(wanted & 0xFFFF), major, minor);
      Say(error, errorSize, object + text);
    } else {
      Say(error, errorSize, object + " refused the handshake (a host function table it needs is missing)");
    }
    dlclose(handle);
    delete p;
    return nullptr;
  }
  if (!Call(p->data.initCallback)) {
    Say(error, errorSize, object + " failed to start");
    Call(p->data.unloadCallback);
    gAutomation = nullptr;
    dlclose(handle);
    delete p;
    return nullptr;
  }
  return p;
}

void PIUnloadPlugIn(PILoadedPlugIn* p) {
  if (!p) return;
  Call(p->data.unloadCallback);
  gAutomation = nullptr;
  dlclose(p->handle);
  delete p;
}

ASAtom PIPlugInExtensionName(PILoadedPlugIn* p) { return p ? p->data.extensionName : 0xFFFF; }

void PIRegisterAutomation(const PIAutomationProcs* procs) { gAutomation = procs; }

const PIAutomationProcs* PIGetAutomation() { return gAutomation; }
