#include "foundation/KFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"
#include "platform/PfChooseFolder.h"
#include "platform/PfSystem.h"

const char* gPluginBundle = nullptr;

struct SMacFindFileHandle {
  DIR* dir;
  char folder[1000];  // with a trailing "/"
};

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

char* CopyString(const char* s) {
  size_t n = std::strlen(s);
  char* p = static_cast<char*>(ASmallocWithException(n + 1));
  std::memcpy(p, s, n + 1);
  return p;
}

// Copies at most size - 1 bytes and a NUL, never cutting a UTF-8 sequence.
void CopyOut(char* out, ASInt32 size, const char* text) {
  if (size > 0) CopyCutUTF8(out, (size_t)size, text);
}

ASPathName PathOf(const SKFileName* name) {
  return ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("POSIXPath"), name->path, nullptr);
}

struct PathHolder {
  ASPathName path;
  explicit PathHolder(ASPathName p) : path(p) {}
  ~PathHolder() { ASFileSysReleasePath(ASGetDefaultFileSys(), path); }
};

SKOpenFile* OpenWith(const SKFileName* name, ASUns16 mode, ASErrorCode* error) {
  *error = genErrBadParm;
  if (!name || !name->path) return nullptr;
  PathHolder p(PathOf(name));
  if (!p.path) return nullptr;
  ASFile f = nullptr;
  *error = ASFileSysOpenFile(ASGetDefaultFileSys(), p.path, mode, &f);
  if (*error || !f) return nullptr;
  SKOpenFile* file = static_cast<SKOpenFile*>(UnfilteredASmalloc(sizeof(SKOpenFile)));
  SKFileName* copy = file ? static_cast<SKFileName*>(UnfilteredASmalloc(sizeof(SKFileName))) : nullptr;
  char* path = copy ? static_cast<char*>(UnfilteredASmalloc(std::strlen(name->path) + 1)) : nullptr;
  if (!path) {
    ASfree(copy);
    ASfree(file);
    ASFileClose(f);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  std::memcpy(path, name->path, std::strlen(name->path) + 1);
  *copy = *name;
  copy->path = path;
  file->name = copy;
  file->writing = (mode & ASFILE_WRITE) ? 1 : 0;
  file->file = f;
  file->position = 0;
  file->highestWritten = 0;
  return file;
}

bool FetchEntry(SMacFindFileHandle* h, SKFindFileData* data) {
  for (;;) {
    dirent* e = ::readdir(h->dir);
    if (!e) return false;
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    size_t folderLen = std::strlen(h->folder), nameLen = std::strlen(e->d_name);
    if (folderLen + nameLen + 1 > sizeof data->fullPath) continue;  // cannot be named whole: not reported
    std::memcpy(data->fullPath, h->folder, folderLen);
    std::memcpy(data->fullPath + folderLen, e->d_name, nameLen + 1);
    data->name = data->fullPath + folderLen;
    char* dot = std::strrchr(data->name, '.');
    data->extension = dot ? dot + 1 : data->name + nameLen;
    bool folder;
    if (e->d_type == DT_DIR) folder = true;
    else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) folder = IsFolder(data->fullPath);
    else folder = false;
    data->isFolder = folder ? 1 : 0;
    return true;
  }
}

}  // namespace

SKFileName* NewBlankKFileName() {
  SKFileName* n = static_cast<SKFileName*>(ASmallocWithException(sizeof(SKFileName)));
  std::memset(n, 0, sizeof *n);
  std::memcpy(n->creator, "DAZO", 4);
  std::memcpy(n->fileType, "TEXT", 4);
  return n;
}

SKFileName* NewKFileNameFromUtf8(const char* path) {
  if (!path || !*path || std::strlen(path) >= PATH_MAX) return nullptr;
  if (!IsFolder(DirectoryOf(path))) return nullptr;
  SKFileName* n = NewBlankKFileName();
  DURING
    n->path = CopyString(path);
  HANDLER
    ASfree(n);
    RERAISE();
  END_HANDLER
  n->known = 1;
  return n;
}

SKFileName* DuplicateKFileName(const SKFileName* name) {
  if (!name) return nullptr;
  SKFileName* n = NewBlankKFileName();
  DURING
    *n = *name;
    n->path = name->path ? CopyString(name->path) : nullptr;
  HANDLER
    ASfree(n);
    RERAISE();
  END_HANDLER
  return n;
}

void DestroyKFileNameOnly(SKFileName* name) {
  if (!name) return;
  ASfree(name->path);
  ASfree(name);
}

ASBool RenameFileByKFileName(const SKFileName* from, const SKFileName* to) {
  if (!from || !to || !from->known || !to->known || !from->path || !to->path) {
    ErrMessageUTF8("Internal error: Attempt to rename nonexistent file");
    return 0;
  }
  if (DirectoryOf(from->path) != DirectoryOf(to->path)) {
    ErrMessageUTF8("Internal error: Cross directory rename support needed");
    return 0;
  }
  PathHolder a(PathOf(from)), b(PathOf(to));
  return a.path && b.path && ASFileSysRenameFile(ASGetDefaultFileSys(), a.path, b.path) == 0;
}

ASBool DeleteFileByKFileName(const SKFileName* name) {
  if (!name || !name->known || !name->path) {
    ErrMessageUTF8("Internal error: Attempt to delete nonexistent file");
    return 0;
  }
  PathHolder p(PathOf(name));
  return p.path && ASFileSysRemoveFile(ASGetDefaultFileSys(), p.path) == 0;
}

time_t KFileNameGetModificationTime(const SKFileName* name) {
  if (!name || !name->known || !name->path) return 0;
  struct stat st;
  if (::stat(name->path, &st) != 0) return 0;
  return st.st_mtime;
}

SKOpenFile* OpenKFileToRead(const SKFileName* name) {
  ASErrorCode e;
  return OpenWith(name, ASFILE_READ, &e);
}

SKOpenFile* OpenKFileToWrite(const SKFileName* name) {
  ASErrorCode e;
  SKOpenFile* f = OpenWith(name, ASFILE_READ | ASFILE_WRITE, &e);
  if (!f && e == fileErrFNF) f = OpenWith(name, ASFILE_READ | ASFILE_WRITE | ASFILE_CREATE, &e);
  return f;
}

ASInt32 KFileReadBytes(SKOpenFile* file, void* buffer, ASInt32 count) {
  if (!file || !buffer || count <= 0) return 0;
  ASSize_t n = 0;
  DURING
    n = ASFileRead(file->file, buffer, (ASSize_t)count);
  HANDLER
    n = 0;
  END_HANDLER
  file->position += (ASFilePos64)n;
  return (ASInt32)n;
}

ASInt32 KFileWriteBytes(SKOpenFile* file, const void* data, ASInt32 count) {
  if (!file || !data || count <= 0) return 0;
  ASSize_t n = 0;
  DURING
    n = ASFileWrite(file->file, data, (ASSize_t)count);
  HANDLER
    n = 0;
  END_HANDLER
  file->position += (ASFilePos64)n;
  if (file->position > file->highestWritten) file->highestWritten = file->position;
  return (ASInt32)n;
}

ASInt64 KFileGetSize(SKOpenFile* file) {
  if (!file) return -1;
  ASFilePos64 size = -1;
  DURING
    size = ASFileGetEOF64(file->file);
  HANDLER
    size = -1;
  END_HANDLER
  return size;
}

ASBool CloseAndDestroyKFile(SKOpenFile* file) {
  if (!file) return 1;
  bool ok = true;
  if (file->writing) {
    DURING
      ASFileSetEOF64(file->file, file->highestWritten);
    HANDLER
      ok = false;
    END_HANDLER
  }
  if (ASFileClose(file->file) != 0) ok = false;
  DestroyKFileNameOnly(file->name);
  ASfree(file);
  return ok ? 1 : 0;
}

SMacFindFileHandle* MacFindFirstFileInFolder(const char* folder, SKFindFileData* data) {
  if (!folder || !data) return nullptr;
  size_t n = std::strlen(folder);
  if (n + 2 > sizeof(SMacFindFileHandle::folder)) return nullptr;
  DIR* dir = ::opendir(folder);
  if (!dir) return nullptr;
  SMacFindFileHandle* h = static_cast<SMacFindFileHandle*>(UnfilteredASmalloc(sizeof(SMacFindFileHandle)));
  if (!h) {
    ::closedir(dir);
    RaiseMFUtilException(&genExceptionOutOfMemory);
  }
  h->dir = dir;
  std::memcpy(h->folder, folder, n + 1);
  if (n == 0 || h->folder[n - 1] != '/') std::strcat(h->folder, "/");
  if (!FetchEntry(h, data)) {
    MacFindClose(h);
    return nullptr;
  }
  return h;
}

ASBool MacFindNextFileInFolderPOSIX(SMacFindFileHandle* handle, SKFindFileData* data) {
  if (!handle || !data) return 0;
  return FetchEntry(handle, data) ? 1 : 0;
}

ASBool MacFindNextFileInFolder(SMacFindFileHandle* handle, SKFindFileData* data) {
  return MacFindNextFileInFolderPOSIX(handle, data);
}

ASBool MacFindClose(SMacFindFileHandle* handle) {
  if (!handle) return 0;
  ::closedir(handle->dir);
  ASfree(handle);
  return 1;
}

ASBool MacGetPreferencesFolderPath(char* out, ASInt32 size) {
  if (!out || size < 1) return 0;
  out[0] = 0;
  const char* prefs = ASHostGetPreferencesFolder();
  if (!prefs || !*prefs) return 0;
  std::string p = prefs;
  if (p.back() != '/') p += '/';
  if (p.size() + 1 > (size_t)size) return 0;  // never a cut path
  std::memcpy(out, p.c_str(), p.size() + 1);
  return 1;
}

ASBool PluginFileName(char* out, ASInt32 size) {
  if (!out || size < 1) return 0;
  if (!gPluginBundle || !*gPluginBundle || std::strlen(gPluginBundle) + 1 > (size_t)size) {
    CopyOut(out, size, "???");
    return 0;
  }
  std::strcpy(out, gPluginBundle);
  return 1;
}

ASBool PluginFileNameUTF8POSIXNative(char* out, ASInt32 size) { return PluginFileName(out, size); }

void StripPluginFileName(char* name) {
  if (!name) return;
  for (const char* suffix : {".acroplugin", " ub", " osx", " os9"}) {
    size_t n = std::strlen(name), s = std::strlen(suffix);
    if (n > s && ::strcasecmp(name + n - s, suffix) == 0) name[n - s] = 0;
  }
}

void FormatFileError(char* out, ASInt32 size, const char* format, const char* path, ASBool pathIsNative) {
  if (!out || size < 1) return;
  std::string p;
  if (path && pathIsNative) {
    ASInt32 need = PlatformNativeToUTF8BytesNeededTerm(path);
    std::string buf((size_t)need, '\0');
    PlatformNativeToUTF8Term(path, buf.data(), need, '?');
    p = buf.c_str();
  } else if (path) {
    p = path;
  }
  // A file in the top folder is in "/", a bare name in the current folder.
  const size_t slash = p.rfind('/');
  const std::string fileName = slash == std::string::npos ? p : p.substr(slash + 1);
  const std::string folder = DirectoryOf(p);
  // The first two %s take the name and the folder, "%%" is a percent sign;
  // every other byte of the text stands as it is.
  std::string result;
  const char* f = format ? format : "";
  int used = 0;
  for (; *f; ++f) {
    if (f[0] == '%' && f[1] == 's' && used < 2) {
      result += used++ == 0 ? fileName : folder;
      ++f;
    } else if (f[0] == '%' && f[1] == '%') {
      result += '%';
      ++f;
    } else {
      result += *f;
    }
  }
  CopyOut(out, size, result.c_str());
}

ASPathName ASPathNameFromPlatformString(const char* text) {
  if (!text) return nullptr;
  const char* type = text[0] == '/' ? "POSIXPath" : "Cstring";
  return ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString(type), text, nullptr);
}

ASPathName ASFileSysCreatePathNameUtf8(const char* text) {
  if (!text) return nullptr;
  return ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("POSIXPath"), text, nullptr);
}

ASBool PlatformStringIsExistingFile(const char* text) {
  struct stat st;
  return text && *text && ::stat(text, &st) == 0;
}

namespace {
// A path text whole and its NUL when they fit in size bytes, else the empty
// text: a path cut at a buffer names another file, or none. Returns the bytes
// the whole text needs, its NUL included.
ASInt32 CopyWholePath(char* out, ASInt32 size, const char* text) {
  size_t need = std::strlen(text) + 1;
  if (out && size > 0) {
    if (need <= (size_t)size) std::memcpy(out, text, need);
    else out[0] = 0;
  }
  return need > (size_t)INT_MAX ? INT_MAX : (ASInt32)need;
}

// The device-independent text of a path as UTF-8, whole; empty when there is none.
std::string DIPathUTF8(ASPathName path) {
  char* di = path ? ASFileSysDIPathFromPath(ASGetDefaultFileSys(), path, nullptr) : nullptr;
  if (!di) return std::string();
  std::string utf8((size_t)PlatformNativeToUTF8BytesNeededTerm(di), '\0');
  PlatformNativeToUTF8Term(di, utf8.data(), (ASInt32)utf8.size(), '?');
  ASfree(di);
  utf8.resize(std::strlen(utf8.c_str()));
  return utf8;
}
}  // namespace

ASInt32 ASPathNameToFriendlyName(ASPathName path, char* out, ASInt32 size) {
  if (out && size > 0) out[0] = 0;
  char* di = path ? ASFileSysDIPathFromPath(ASGetDefaultFileSys(), path, nullptr) : nullptr;
  if (!di) return 0;
  ASInt32 need = CopyWholePath(out, size, di);
  ASfree(di);
  return need;
}

ASInt32 ASPathNameToFriendlyNameUTF8(ASPathName path, char* out, ASInt32 size) {
  if (out && size > 0) out[0] = 0;
  std::string text = DIPathUTF8(path);
  return text.empty() ? 0 : CopyWholePath(out, size, text.c_str());
}

ASInt32 ASPathNameToDIPathNameUTF8(ASPathName path, char* out, ASInt32 size) {
  return ASPathNameToFriendlyNameUTF8(path, out, size);
}

ASInt32 DIPathToFriendlyName(const char* text, char* out, ASInt32 size) {
  return CopyWholePath(out, size, text ? text : "");
}

std::string ASPathNameToDIPathStringUTF8(ASPathName path) { return DIPathUTF8(path); }

void GetTheComputerName(char* out, ASInt32 size) {
  if (out && size >= 1) CopyOut(out, size, PfComputerName());
}

void GetTheComputerNameUtf8(char* out, ASInt32 size) { GetTheComputerName(out, size); }

void GetTheUserName(char* out, ASInt32 size) {
  if (out && size >= 1) CopyOut(out, size, PfUserName());
}

ASBool TheNamesAreFixed() { return PfFixedNames() ? 1 : 0; }

ASBool BrowseToDirectory(void*, char* out, ASInt32 size, const char* prompt, const char* startFolder) {
  if (!out || size < 1) return 0;
  out[0] = 0;
  const char* start = startFolder && *startFolder && IsFolder(startFolder) ? startFolder : nullptr;
  char chosen[4096];
  if (!PfChooseFolder(prompt ? prompt : "", start, chosen, sizeof chosen)) return 0;
  if (std::strlen(chosen) + 1 > (size_t)size) return 0;  // never a cut path
  std::memcpy(out, chosen, std::strlen(chosen) + 1);
  return 1;
}
