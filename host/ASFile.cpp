#include "host/ASFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/ASExcept.h"
#include "host/ASMem.h"

struct _t_ASFileRec {
  ASFileSys fileSys;
  ASMDFile md;
  ASPathName path;  // the file system's copy
  ASUns16 mode;
};

namespace {

// ---- the default file system: POSIX paths -------------------------------

constexpr ASUns32 kPosixPathMagic = 0x50535850;  // "PSXP"

struct PosixPath {
  ASUns32 magic;
  std::string path;
  int lockFd = -1;  // a temporary name's reservation, held while the path name lives
};

struct PosixFile {
  int fd;
  std::string path;
};

PosixPath* AsPosix(ASPathName p) {
  PosixPath* pp = reinterpret_cast<PosixPath*>(p);
  return (pp && pp->magic == kPosixPathMagic) ? pp : nullptr;
}

ASPathName MakePath(std::string path) {
  return reinterpret_cast<ASPathName>(new PosixPath{kPosixPathMagic, std::move(path)});
}

ASErrorCode FromErrno(int e, ASErrorCode fallback) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return fileErrFNF;
    case EACCES:
    case EPERM:
    case EROFS: return fileErrPermission;
    case ENOSPC:
    case EDQUOT: return fileErrDiskFull;
    case ENAMETOOLONG: return fileErrBadPath;
    default: return fallback;
  }
}

std::string Dirname(const std::string& p) {
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

std::string Absolute(const char* text, const std::string& base) {
  std::string s(text);
  if (!s.empty() && s[0] == '/') return s;
  std::string dir = base;
  if (dir.empty()) {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return s;
    dir = cwd;
  }
  if (dir.back() != '/') dir += '/';
  return dir + s;
}

ASErrorCode PxOpen(ASPathName path, ASUns16 mode, ASMDFile* file) {
  PosixPath* p = AsPosix(path);
  if (!p || !file) return fileErrBadPath;
  int flags;
  bool rd = mode & ASFILE_READ, wr = mode & ASFILE_WRITE;
  if (wr) flags = rd ? O_RDWR : O_WRONLY;
  else flags = O_RDONLY;
  // Creating means a fresh, empty file: nothing of an older one may survive.
  if (mode & ASFILE_CREATE) flags |= O_CREAT | O_TRUNC | (wr ? 0 : O_RDWR);
  int fd = ::open(p->path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return FromErrno(errno, fileErrOpenFailed);
  *file = new PosixFile{fd, p->path};
  return 0;
}

ASErrorCode PxClose(ASMDFile file) {
  PosixFile* f = static_cast<PosixFile*>(file);
  if (!f) return fileErrGeneral;
  int r = ::close(f->fd);
  delete f;
  return r == 0 ? 0 : fileErrIO;
}

ASErrorCode PxFlush(ASMDFile file) {
  PosixFile* f = static_cast<PosixFile*>(file);
  if (::fsync(f->fd) == 0 || errno == EINVAL) return 0;  // EINVAL: a file that cannot be synced
  return FromErrno(errno, fileErrIO);
}

ASErrorCode PxSetPos(ASMDFile file, ASFilePos64 pos) {
  PosixFile* f = static_cast<PosixFile*>(file);
  if (pos < 0) return fileErrIO;
  return ::lseek(f->fd, (off_t)pos, SEEK_SET) < 0 ? fileErrIO : 0;
}

ASErrorCode PxGetPos(ASMDFile file, ASFilePos64* pos) {
  PosixFile* f = static_cast<PosixFile*>(file);
  off_t r = ::lseek(f->fd, 0, SEEK_CUR);
  if (r < 0) return fileErrIO;
  *pos = r;
  return 0;
}

ASErrorCode PxSetEof(ASMDFile file, ASFilePos64 pos) {
  PosixFile* f = static_cast<PosixFile*>(file);
  if (pos < 0) return fileErrIO;
  return ::ftruncate(f->fd, (off_t)pos) == 0 ? 0 : FromErrno(errno, fileErrIO);
}

ASErrorCode PxGetEof(ASMDFile file, ASFilePos64* pos) {
  PosixFile* f = static_cast<PosixFile*>(file);
  struct stat st;
  if (::fstat(f->fd, &st) != 0) return fileErrIO;
  *pos = st.st_size;
  return 0;
}

bool TotalBytes(ASSize_t itemSize, ASSize_t count, ASSize_t* total) {
  return !__builtin_mul_overflow(itemSize, count, total);
}

ASSize_t PxRead(void* buffer, ASSize_t itemSize, ASSize_t count, ASMDFile file, ASErrorCode* error) {
  PosixFile* f = static_cast<PosixFile*>(file);
  ASSize_t total;
  if (!TotalBytes(itemSize, count, &total)) {
    if (error) *error = genErrBadParm;
    return 0;
  }
  ASSize_t done = 0;
  while (done < total) {
    ssize_t r = ::read(f->fd, (char*)buffer + done, total - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (error) *error = fileErrRead;
      break;
    }
    if (r == 0) break;
    done += (ASSize_t)r;
  }
  return itemSize ? done / itemSize : 0;
}

ASSize_t PxWrite(const void* buffer, ASSize_t itemSize, ASSize_t count, ASMDFile file, ASErrorCode* error) {
  PosixFile* f = static_cast<PosixFile*>(file);
  ASSize_t total;
  if (!TotalBytes(itemSize, count, &total)) {
    if (error) *error = genErrBadParm;
    return 0;
  }
  ASSize_t done = 0;
  while (done < total) {
    ssize_t r = ::write(f->fd, (const char*)buffer + done, total - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (error) *error = FromErrno(errno, fileErrWrite);
      break;
    }
    done += (ASSize_t)r;
  }
  return itemSize ? done / itemSize : 0;
}

ASErrorCode PxRemove(ASPathName path) {
  PosixPath* p = AsPosix(path);
  if (!p) return fileErrBadPath;
  return ::unlink(p->path.c_str()) == 0 ? 0 : FromErrno(errno, fileErrIO);
}

ASErrorCode PxRename(ASMDFile*, ASPathName oldPath, ASPathName newPath) {
  PosixPath* a = AsPosix(oldPath);
  PosixPath* b = AsPosix(newPath);
  if (!a || !b) return fileErrBadPath;
  return ::rename(a->path.c_str(), b->path.c_str()) == 0 ? 0 : FromErrno(errno, fileErrIO);
}

ASBool PxIsSameFile(ASMDFile file, ASPathName path, ASPathName) {
  PosixFile* f = static_cast<PosixFile*>(file);
  PosixPath* p = AsPosix(path);
  if (!f || !p) return 0;
  struct stat a, b;
  if (::fstat(f->fd, &a) != 0 || ::stat(p->path.c_str(), &b) != 0) return 0;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

ASErrorCode PxGetName(ASPathName path, char* name, ASInt32 maxLength) {
  PosixPath* p = AsPosix(path);
  if (!p || !name || maxLength <= 0) return fileErrBadPath;
  size_t slash = p->path.rfind('/');
  std::string base = slash == std::string::npos ? p->path : p->path.substr(slash + 1);
  std::snprintf(name, (size_t)maxLength, "%s", base.c_str());
  return 0;
}

// ---- temporary files ------------------------------------------------------
//
// A temporary file is named "kvtmp-<pid>-XXXXXX" and locked by the process
// that made it for as long as its path name lives; the lock is not handed to
// programs the process starts. A file left behind by a process that was
// killed is removed whenever a temporary file is next made in its folder (by
// any process, however often it swept the folder before): its process has
// ended (a process its parent has not yet reaped has ended too) and nobody
// holds its lock.

constexpr char kTempPrefix[] = "kvtmp-";
ASErrorCode gTempPathError = 0;  // why the last temporary name could not be made

// The error of a failed creation in a folder: a missing folder is named as such.
ASErrorCode FolderError(int e) {
  return e == ENOENT || e == ENOTDIR ? fileErrFolderNotFound : FromErrno(e, fileErrOpenFailed);
}

// Whether the process has ended: gone, or a zombie its parent has not reaped.
bool ProcessEnded(pid_t pid) {
  if (::kill(pid, 0) != 0) return errno == ESRCH;
  char name[64];
  std::snprintf(name, sizeof name, "/proc/%ld/stat", (long)pid);
  FILE* f = std::fopen(name, "re");
  if (!f) return false;  // no way to tell: it runs
  char line[512];
  const size_t got = std::fread(line, 1, sizeof line - 1, f);
  std::fclose(f);
  line[got] = 0;
  // "pid (command) state ...": the command may hold anything, even ")".
  const char* close = std::strrchr(line, ')');
  return close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
}

void RemoveAbandonedTemporaries(const std::string& dir) {
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  DIR* d = ::fdopendir(dfd);
  if (!d) {
    ::close(dfd);
    return;
  }
  const size_t prefix = sizeof kTempPrefix - 1;
  while (dirent* entry = ::readdir(d)) {
    const char* name = entry->d_name;
    if (std::strncmp(name, kTempPrefix, prefix) != 0) continue;
    char* end = nullptr;
    long pid = std::strtol(name + prefix, &end, 10);
    if (end == name + prefix || *end != '-' || pid <= 0 || pid == (long)::getpid()) continue;
    if (!ProcessEnded((pid_t)pid)) continue;
    int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, named;
    // Unlocked (no process of another machine writes it), and still the file of that name.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dfd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino)
      ::unlinkat(dfd, name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

ASPathName PxGetTempPathName(ASPathName sibling) {
  std::string dir;
  if (PosixPath* s = AsPosix(sibling)) {
    dir = Dirname(s->path);
  } else {
    const char* t = std::getenv("TMPDIR");
    dir = (t && *t) ? t : "/tmp";
  }
  RemoveAbandonedTemporaries(dir);
  std::string templ = dir + "/" + kTempPrefix + std::to_string((long)::getpid()) + "-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back(0);
  int fd = ::mkostemp(buf.data(), O_CLOEXEC);  // reserves the name: no other caller gets it
  if (fd < 0) {
    gTempPathError = FolderError(errno);
    return nullptr;
  }
  gTempPathError = 0;
  ::flock(fd, LOCK_EX);
  // mkstemp makes the file private; a new document saved through it is
  // renamed into place and should carry the permissions a new file gets.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  PosixPath* p = new PosixPath{kPosixPathMagic, buf.data()};
  p->lockFd = fd;
  return reinterpret_cast<ASPathName>(p);
}

ASPathName PxCopyPathName(ASPathName path) {
  PosixPath* p = AsPosix(path);
  return p ? MakePath(p->path) : nullptr;
}

char* PxDIPathFromPath(ASPathName path, ASPathName) {
  PosixPath* p = AsPosix(path);
  if (!p) return nullptr;
  char* out = (char*)ASmalloc(p->path.size() + 1);
  if (out) std::memcpy(out, p->path.c_str(), p->path.size() + 1);
  return out;
}

ASPathName PxPathFromDIPath(const char* diPath, ASPathName relativeTo) {
  if (!diPath || !*diPath) return nullptr;
  std::string base;
  if (PosixPath* r = AsPosix(relativeTo)) base = Dirname(r->path);
  return MakePath(Absolute(diPath, base));
}

void PxDisposePathName(ASPathName path) {
  PosixPath* p = AsPosix(path);
  if (p && p->lockFd >= 0) ::close(p->lockFd);
  delete p;
}

ASAtom PxGetFileSysName() { return ASAtomFromString("KVPosixFileSys"); }

ASUns32 PxGetStorageFreeSpace(ASPathName path) {
  PosixPath* p = AsPosix(path);
  struct statvfs st;
  if (!p || ::statvfs(Dirname(p->path).c_str(), &st) != 0) return 0;
  unsigned long long bytes = (unsigned long long)st.f_bavail * st.f_frsize;
  return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : (ASUns32)bytes;
}

// Makes the folder's entries durable: after a rename, the folder holding the
// path; a file system that cannot sync folders is not an error.
ASErrorCode PxFlushVolume(ASPathName path) {
  PosixPath* p = AsPosix(path);
  if (!p) return fileErrBadPath;
  int fd = ::open(Dirname(p->path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FolderError(errno);
  int r = ::fsync(fd);
  int e = errno;
  ::close(fd);
  return r == 0 || e == EINVAL || e == EROFS ? 0 : FromErrno(e, fileErrIO);
}

ASPathName PxCreatePathName(ASAtom type, const void* spec, const void*) {
  if (!spec) return nullptr;
  if (type != ASAtomFromString("POSIXPath") && type != ASAtomFromString("Cstring")) return nullptr;
  const char* text = static_cast<const char*>(spec);
  if (!*text) return nullptr;
  return MakePath(Absolute(text, std::string()));
}

ASFileSysRec MakeDefaultFileSys() {
  ASFileSysRec r{};
  r.size = sizeof(ASFileSysRec);
  r.open = PxOpen;
  r.close = PxClose;
  r.flush = PxFlush;
  r.setpos = PxSetPos;
  r.getpos = PxGetPos;
  r.seteof = PxSetEof;
  r.geteof = PxGetEof;
  r.read = PxRead;
  r.write = PxWrite;
  r.remove = PxRemove;
  r.rename = PxRename;
  r.isSameFile = PxIsSameFile;
  r.getName = PxGetName;
  r.getTempPathName = PxGetTempPathName;
  r.copyPathName = PxCopyPathName;
  r.diPathFromPath = PxDIPathFromPath;
  r.pathFromDIPath = PxPathFromDIPath;
  r.disposePathName = PxDisposePathName;
  r.getFileSysName = PxGetFileSysName;
  r.getStorageFreeSpace = PxGetStorageFreeSpace;
  r.flushVolume = PxFlushVolume;
  r.createPathName = PxCreatePathName;
  return r;
}

ASFileSys DefaultFileSys() {
  static ASFileSysRec rec = MakeDefaultFileSys();
  return &rec;
}

// ---- registry and open files --------------------------------------------

std::vector<ASFileSys>& Registered() {
  static std::vector<ASFileSys>* v = new std::vector<ASFileSys>{DefaultFileSys()};
  return *v;
}

std::unordered_set<ASFile>& OpenFiles() {
  static std::unordered_set<ASFile>* s = new std::unordered_set<ASFile>;
  return *s;
}

ASFile Checked(ASFile file) {
  if (!file || !OpenFiles().count(file)) ASRaise(genErrBadParm);
  return file;
}

}  // namespace

ASBool ASFileRegisterFileSys(ExtensionID, ASFileSys fileSys) {
  if (!fileSys) return 0;
  auto& v = Registered();
  for (ASFileSys f : v)
    if (f == fileSys) return 1;
  v.push_back(fileSys);
  return 1;
}

ASBool ASFileUnregisterFileSys(ExtensionID, ASFileSys fileSys) {
  auto& v = Registered();
  for (auto it = v.begin(); it != v.end(); ++it)
    if (*it == fileSys && fileSys != DefaultFileSys()) {
      v.erase(it);
      return 1;
    }
  return 0;
}

ASFileSys ASGetDefaultFileSys() { return DefaultFileSys(); }

ASFileSys ASFileSysGetFileSysByName(ASAtom name) {
  for (ASFileSys f : Registered())
    if (f->getFileSysName && f->getFileSysName() == name) return f;
  return nullptr;
}

ASPathName ASFileSysCreatePathName(ASFileSys fs, ASAtom type, const void* spec, const void* mustBeZero) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->createPathName) return nullptr;
  return fs->createPathName(type, spec, mustBeZero);
}

ASPathName ASFileSysPathFromDIPath(ASFileSys fs, const char* diPath, ASPathName relativeTo) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->pathFromDIPath) return nullptr;
  return fs->pathFromDIPath(diPath, relativeTo);
}

char* ASFileSysDIPathFromPath(ASFileSys fs, ASPathName path, ASPathName relativeTo) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->diPathFromPath || !path) return nullptr;
  return fs->diPathFromPath(path, relativeTo);
}

ASPathName ASFileSysCopyPath(ASFileSys fs, ASPathName path) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->copyPathName || !path) return nullptr;
  return fs->copyPathName(path);
}

void ASFileSysReleasePath(ASFileSys fs, ASPathName path) {
  if (!path) return;
  if (!fs) fs = DefaultFileSys();
  if (fs->disposePathName) fs->disposePathName(path);
}

ASPathName ASFileSysGetTempPathName(ASFileSys fs, ASPathName sibling) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->getTempPathName) return nullptr;
  return fs->getTempPathName(sibling);
}

ASErrorCode ASFileSysAcquireTempPathName(ASFileSys fs, ASPathName sibling, ASPathName* temp) {
  if (!temp) return genErrBadParm;
  *temp = nullptr;
  if (!fs) fs = DefaultFileSys();
  if (!fs->getTempPathName) return fileErrUnsupported;
  if (fs == DefaultFileSys()) gTempPathError = 0;
  *temp = fs->getTempPathName(sibling);
  if (*temp) return 0;
  return fs == DefaultFileSys() && gTempPathError ? gTempPathError : fileErrOpenFailed;
}

ASErrorCode ASFileSysAcquireLinkTarget(ASFileSys fs, ASPathName path, ASPathName* target) {
  if (!target) return genErrBadParm;
  *target = nullptr;
  if (!fs) fs = DefaultFileSys();
  PosixPath* p = fs == DefaultFileSys() ? AsPosix(path) : nullptr;
  if (!p) {
    *target = ASFileSysCopyPath(fs, path);
    return *target ? 0 : genErrBadParm;
  }
  std::string at = p->path;
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;  // a file, or nothing yet
    if (hops == 40) return fileErrBadPath;  // a loop of links names no file
    std::vector<char> link((size_t)(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
    if (n < 0 || (size_t)n >= link.size()) return fileErrBadPath;
    std::string next(link.data(), (size_t)n);
    at = !next.empty() && next[0] == '/' ? next : Dirname(at) + "/" + next;
  }
  *target = MakePath(at);
  return 0;
}

ASErrorCode ASFileSysReplaceFile(ASFileSys fs, ASPathName temp, ASPathName target) {
  if (!fs) fs = DefaultFileSys();
  PosixPath* t = fs == DefaultFileSys() ? AsPosix(temp) : nullptr;
  PosixPath* d = fs == DefaultFileSys() ? AsPosix(target) : nullptr;
  struct stat old;
  if (t && d && ::stat(d->path.c_str(), &old) == 0) {
    // The new file takes the owner and permissions of the one it replaces; an
    // owner this process may not give is left as it is.
    if (::chown(t->path.c_str(), old.st_uid, old.st_gid) != 0) {
      if (::chown(t->path.c_str(), (uid_t)-1, old.st_gid) != 0) {
        // keeps this process's owner and group
      }
    }
    if (::chmod(t->path.c_str(), old.st_mode & 07777) != 0) return FromErrno(errno, fileErrPermission);
  }
  if (ASErrorCode e = ASFileSysRenameFile(fs, temp, target)) return e;
  if (ASErrorCode e = ASFaultTake("ASFileSysFlushVolume")) return e;
  return fs->flushVolume ? fs->flushVolume(target) : 0;
}

ASErrorCode ASFileSysGetNameFromPath(ASFileSys fs, ASPathName path, char* name, ASInt32 maxLength) {
  if (!fs) fs = DefaultFileSys();
  if (!fs->getName) return fileErrUnsupported;
  return fs->getName(path, name, maxLength);
}

ASErrorCode ASFileSysRemoveFile(ASFileSys fs, ASPathName path) {
  if (!fs) fs = DefaultFileSys();
  if (ASErrorCode e = ASFaultTake("ASFileSysRemoveFile")) return e;
  if (!fs->remove) return fileErrUnsupported;
  return fs->remove(path);
}

ASErrorCode ASFileSysRenameFile(ASFileSys fs, ASPathName oldPath, ASPathName newPath) {
  if (!fs) fs = DefaultFileSys();
  if (ASErrorCode e = ASFaultTake("ASFileSysRenameFile")) return e;
  if (!fs->rename) return fileErrUnsupported;
  return fs->rename(nullptr, oldPath, newPath);
}

ASUns32 ASFileSysGetStorageFreeSpace(ASFileSys fs, ASPathName path) {
  if (!fs) fs = DefaultFileSys();
  return fs->getStorageFreeSpace ? fs->getStorageFreeSpace(path) : 0;
}

ASErrorCode ASFileSysOpenFile(ASFileSys fs, ASPathName path, ASUns16 mode, ASFile* file) {
  if (file) *file = nullptr;
  if (!fs) fs = DefaultFileSys();
  if (!file || !path) return genErrBadParm;
  if (ASErrorCode e = ASFaultTake("ASFileSysOpenFile")) return e;
  if (!fs->open) return fileErrUnsupported;
  ASMDFile md = nullptr;
  ASErrorCode e = fs->open(path, mode, &md);
  if (e) return e;
  if (!md) return fileErrOpenFailed;
  ASFile f = new _t_ASFileRec{fs, md, fs->copyPathName ? fs->copyPathName(path) : nullptr, mode};
  OpenFiles().insert(f);
  *file = f;
  return 0;
}

ASErrorCode ASFileClose(ASFile file) {
  if (!file || !OpenFiles().count(file)) return genErrBadParm;
  OpenFiles().erase(file);
  ASErrorCode injected = ASFaultTake("ASFileClose");
  ASErrorCode e = file->fileSys->close ? file->fileSys->close(file->md) : 0;
  ASFileSysReleasePath(file->fileSys, file->path);
  delete file;
  return injected ? injected : e;
}

ASSize_t ASFileRead(ASFile file, void* buffer, ASSize_t count) {
  Checked(file);
  ASFaultCheck("ASFileRead");
  if (!file->fileSys->read) ASRaise(fileErrUnsupported);
  ASErrorCode e = 0;
  ASSize_t n = file->fileSys->read(buffer, 1, count, file->md, &e);
  if (e) ASRaise(e);
  return n;
}

ASSize_t ASFileWrite(ASFile file, const void* buffer, ASSize_t count) {
  Checked(file);
  ASFaultCheck("ASFileWrite");
  if (!file->fileSys->write) ASRaise(fileErrUnsupported);
  ASErrorCode e = 0;
  ASSize_t n = file->fileSys->write(buffer, 1, count, file->md, &e);
  if (e) ASRaise(e);
  return n;
}

void ASFileSetPos64(ASFile file, ASFilePos64 pos) {
  Checked(file);
  if (!file->fileSys->setpos) ASRaise(fileErrUnsupported);
  if (ASErrorCode e = file->fileSys->setpos(file->md, pos)) ASRaise(e);
}

ASFilePos64 ASFileGetPos64(ASFile file) {
  Checked(file);
  if (!file->fileSys->getpos) ASRaise(fileErrUnsupported);
  ASFilePos64 pos = 0;
  if (ASErrorCode e = file->fileSys->getpos(file->md, &pos)) ASRaise(e);
  return pos;
}

void ASFileSetEOF64(ASFile file, ASFilePos64 pos) {
  Checked(file);
  ASFaultCheck("ASFileSetEOF");
  if (!file->fileSys->seteof) ASRaise(fileErrUnsupported);
  if (ASErrorCode e = file->fileSys->seteof(file->md, pos)) ASRaise(e);
}

ASFilePos64 ASFileGetEOF64(ASFile file) {
  Checked(file);
  if (!file->fileSys->geteof) ASRaise(fileErrUnsupported);
  ASFilePos64 pos = 0;
  if (ASErrorCode e = file->fileSys->geteof(file->md, &pos)) ASRaise(e);
  return pos;
}

ASErrorCode ASFileFlush(ASFile file) {
  if (!file || !OpenFiles().count(file)) return genErrBadParm;
  if (ASErrorCode e = ASFaultTake("ASFileFlush")) return e;
  return file->fileSys->flush ? file->fileSys->flush(file->md) : 0;
}

ASFileSys ASFileGetFileSys(ASFile file) { return Checked(file)->fileSys; }

ASUns16 ASFileGetOpenMode(ASFile file) { return Checked(file)->mode; }

ASPathName ASFileAcquirePathName(ASFile file) {
  Checked(file);
  return ASFileSysCopyPath(file->fileSys, file->path);
}

ASMDFile ASFileGetMDFile(ASFile file) { return Checked(file)->md; }

ASInt32 ASFileOpenCount() { return (ASInt32)OpenFiles().size(); }

const char* ASFileSysPOSIXPath(ASFileSys fs, ASPathName path) {
  if (fs && fs != DefaultFileSys()) return nullptr;
  PosixPath* p = AsPosix(path);
  return p ? p->path.c_str() : nullptr;
}
