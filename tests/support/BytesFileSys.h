// A read-only host file system over one string of bytes, to open documents
// through something other than the POSIX file system (tests and fuzzers).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "host/AS.h"

namespace kvtest {

class BytesFileSys {
 public:
  BytesFileSys() {
    rec_.size = sizeof rec_;
    rec_.open = Open;
    rec_.close = Close;
    rec_.setpos = SetPos;
    rec_.getpos = GetPos;
    rec_.geteof = GetEof;
    rec_.read = Read;
    rec_.copyPathName = CopyPath;
    rec_.disposePathName = Dispose;
    rec_.getFileSysName = Name;
    ASFileRegisterFileSys(nullptr, &rec_);
  }
  ~BytesFileSys() { ASFileUnregisterFileSys(nullptr, &rec_); }
  BytesFileSys(const BytesFileSys&) = delete;
  BytesFileSys& operator=(const BytesFileSys&) = delete;

  // A file open for reading on the bytes (which must outlive it), or null.
  ASFile OpenFile(const char* data, size_t size) {
    bytes_ = Bytes{data, size};
    ASFile file = nullptr;
    static char token;
    if (ASFileSysOpenFile(&rec_, reinterpret_cast<ASPathName>(&token), ASFILE_READ, &file) != 0) return nullptr;
    return file;
  }
  ASFileSys fileSys() { return &rec_; }

 private:
  struct Bytes {
    const char* data;
    size_t size;
  };
  struct OpenRec {
    Bytes bytes;
    ASFilePos64 pos;
  };
  static Bytes bytes_;

  static ASErrorCode Open(ASPathName, ASUns16 mode, ASMDFile* file) {
    if (mode & ASFILE_WRITE) return fileErrPermission;
    *file = new OpenRec{bytes_, 0};
    return 0;
  }
  static ASErrorCode Close(ASMDFile f) {
    delete static_cast<OpenRec*>(f);
    return 0;
  }
  static ASErrorCode SetPos(ASMDFile f, ASFilePos64 p) {
    static_cast<OpenRec*>(f)->pos = p;
    return 0;
  }
  static ASErrorCode GetPos(ASMDFile f, ASFilePos64* p) {
    *p = static_cast<OpenRec*>(f)->pos;
    return 0;
  }
  static ASErrorCode GetEof(ASMDFile f, ASFilePos64* p) {
    *p = (ASFilePos64) static_cast<OpenRec*>(f)->bytes.size;
    return 0;
  }
  static ASSize_t Read(void* buf, ASSize_t item, ASSize_t count, ASMDFile f, ASErrorCode*) {
    auto* o = static_cast<OpenRec*>(f);
    if (o->pos < 0 || (size_t)o->pos >= o->bytes.size || item == 0) return 0;
    ASSize_t n = std::min<ASSize_t>(item * count, o->bytes.size - (size_t)o->pos);
    std::memcpy(buf, o->bytes.data + o->pos, n);
    o->pos += (ASFilePos64)n;
    return n / item;
  }
  static ASPathName CopyPath(ASPathName p) { return p; }
  static void Dispose(ASPathName) {}
  static ASAtom Name() { return ASAtomFromString("KVTestBytesFS"); }

  ASFileSysRec rec_{};
};

inline BytesFileSys::Bytes BytesFileSys::bytes_{nullptr, 0};

}  // namespace kvtest
