#include "platform/PfResource.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/PfInternal.h"

namespace {

struct ResFile {
  int16_t refNum;
  std::string folder;
};

struct ResourceState {
  std::string bundleFolder;
  std::vector<ResFile> files{ResFile{1, std::string()}};
  int16_t current = 1;
  int16_t nextRef = 2;
  std::map<int16_t, SPfControlTemplate> templates;
};

ResourceState& R() {
  static ResourceState state;
  return state;
}

// Names are single path components: nothing may climb out of the folder.
bool SafeComponent(const char* s) {
  if (!s || !*s) return false;
  if (!std::strcmp(s, ".") || !std::strcmp(s, "..")) return false;
  return !std::strchr(s, '/') && !std::strchr(s, '\\');
}

PfHandle ReadFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return PfNewHandleFromData(bytes.data(), bytes.size());
}

std::string PathIn(const std::string& folder, const char* type, const char* name) {
  if (folder.empty() || !SafeComponent(type) || !SafeComponent(name)) return std::string();
  return folder + "/" + type + "/" + name;
}

}  // namespace

void PfResourceReset() {
  ResourceState& r = R();
  r = ResourceState{};
}

void PfBundleSetResourcesFolder(const char* path) { R().bundleFolder = path ? path : ""; }
const char* PfBundleGetResourcesFolder() { return R().bundleFolder.c_str(); }

bool PfBundleResourcesFolderForAddress(const void* address, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return false;
  buffer[0] = 0;
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fname) return false;
  std::error_code ec;
  std::filesystem::path so = std::filesystem::absolute(info.dli_fname, ec);
  if (ec) return false;
  std::string folder = (so.parent_path() / "Resources").string();
  if ((int32_t)folder.size() >= size) return false;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return true;
}

bool PfBundleCopyResourcePath(const char* type, const char* name, char* buffer, int32_t size) {
  std::string path = PathIn(R().bundleFolder, type, name);
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
  if (buffer && size > 0) {
    if ((int32_t)path.size() >= size) return false;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
  }
  return true;
}

PfHandle PfBundleLoadResource(const char* type, const char* name) {
  std::string path = PathIn(R().bundleFolder, type, name);
  return path.empty() ? nullptr : ReadFile(path);
}

PfHandle PfBundleLoadResourceById(const char* type, int32_t id) {
  char name[16];
  std::snprintf(name, sizeof name, "%d", (int)id);
  return PfBundleLoadResource(type, name);
}

int16_t PfCurResFile() { return R().current; }

void PfUseResFile(int16_t refNum) {
  for (const ResFile& f : R().files)
    if (f.refNum == refNum) R().current = refNum;
}

int16_t PfOpenResourceFolder(const char* path) {
  if (!path) return -1;
  ResourceState& r = R();
  ResFile f{r.nextRef++, path};
  r.files.push_back(f);
  r.current = f.refNum;
  return f.refNum;
}

void PfCloseResFile(int16_t refNum) {
  ResourceState& r = R();
  if (refNum == 1) return;
  for (auto it = r.files.begin(); it != r.files.end(); ++it) {
    if (it->refNum == refNum) {
      r.files.erase(it);
      if (r.current == refNum) r.current = r.files.back().refNum;
      return;
    }
  }
}

PfHandle PfGetResource(const char* type, int32_t id) {
  ResourceState& r = R();
  char name[16];
  std::snprintf(name, sizeof name, "%d", (int)id);
  // The current file, then those opened before it.
  size_t at = 0;
  for (size_t i = 0; i < r.files.size(); ++i)
    if (r.files[i].refNum == r.current) at = i;
  for (size_t i = at + 1; i-- > 0;) {
    std::string path = PathIn(r.files[i].folder, type, name);
    if (path.empty()) continue;
    if (PfHandle h = ReadFile(path)) return h;
  }
  return nullptr;
}

void PfRegisterControlTemplate(int16_t resId, const SPfControlTemplate& templ) { R().templates[resId] = templ; }

bool PfGetControlTemplate(int16_t resId, SPfControlTemplate* templ) {
  auto it = R().templates.find(resId);
  if (it == R().templates.end()) return false;
  if (templ) *templ = it->second;
  return true;
}
