#include "host/ASStm.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_set>

#include "host/ASExcept.h"
#include "host/ASFile.h"

struct _t_ASStmRec {
  virtual ~_t_ASStmRec() = default;
  // Both move up to size bytes and return the count; errors raise.
  virtual ASSize_t Read(char*, ASSize_t) { ASRaise(genErrBadParm); }
  virtual ASSize_t Write(const char*, ASSize_t) { ASRaise(genErrBadParm); }
  virtual void Flush() {}
  virtual ASFile File() { return nullptr; }
  virtual bool SetPos(ASFilePos64) { return false; }
};

namespace {

std::unordered_set<ASStm>& OpenStreams() {
  static auto* s = new std::unordered_set<ASStm>;
  return *s;
}

ASStm Track(ASStm s) {
  OpenStreams().insert(s);
  return s;
}

struct MemReadStm : _t_ASStmRec {
  const char* data;
  ASSize_t length;
  ASSize_t pos = 0;
  MemReadStm(const char* d, ASSize_t n) : data(d), length(n) {}
  ASSize_t Read(char* out, ASSize_t size) override {
    ASSize_t n = std::min(size, length - pos);
    if (n) std::memcpy(out, data + pos, n);
    pos += n;
    return n;
  }
  bool SetPos(ASFilePos64 p) override {
    if (p < 0) return false;
    pos = std::min<ASSize_t>((ASSize_t)p, length);
    return true;
  }
};

struct ProcReadStm : _t_ASStmRec {
  ASStmProc proc;
  void* client;
  bool ended = false;
  ProcReadStm(ASStmProc p, void* c) : proc(p), client(c) {}
  ASSize_t Read(char* out, ASSize_t size) override {
    ASSize_t done = 0;
    while (done < size && !ended) {
      ASSize_t want = std::min<ASSize_t>(size - done, INT32_MAX);
      ASInt32 got = proc(out + done, (ASInt32)want, client);
      if (got <= 0) {
        ended = true;
        break;
      }
      done += std::min<ASSize_t>((ASSize_t)got, want);
    }
    return done;
  }
};

struct ProcWriteStm : _t_ASStmRec {
  ASStmWriteProc proc;
  ASStmDestroyProc destroy;
  void* client;
  ProcWriteStm(ASStmWriteProc p, ASStmDestroyProc d, void* c) : proc(p), destroy(d), client(c) {}
  // The client's clean-up may call the host; a destructor must not raise.
  ~ProcWriteStm() override {
    try {
      if (destroy) destroy(client);
    } catch (...) {
    }
  }
  ASSize_t Write(const char* data, ASSize_t size) override {
    ASSize_t done = 0;
    while (done < size) {
      ASSize_t chunk = std::min<ASSize_t>(size - done, INT32_MAX);
      ASInt32 took = proc(data + done, (ASInt32)chunk, client);
      if (took <= 0) break;
      done += std::min<ASSize_t>((ASSize_t)took, chunk);
    }
    return done;
  }
};

struct FileReadStm : _t_ASStmRec {
  ASFile file;
  explicit FileReadStm(ASFile f) : file(f) {}
  ASSize_t Read(char* out, ASSize_t size) override { return ASFileRead(file, out, size); }
  ASFile File() override { return file; }
  bool SetPos(ASFilePos64 p) override {
    ASFileSetPos64(file, p);
    return true;
  }
};

struct FileWriteStm : _t_ASStmRec {
  ASFile file;
  explicit FileWriteStm(ASFile f) : file(f) {}
  ASSize_t Write(const char* data, ASSize_t size) override { return ASFileWrite(file, data, size); }
  // Nothing is held back, so there is nothing to flush; syncing the disk is ASFileFlush's job.
  void Flush() override {}
  ASFile File() override { return file; }
  bool SetPos(ASFilePos64 p) override {
    ASFileSetPos64(file, p);
    return true;
  }
};

struct CustomStm : _t_ASStmRec {
  ASStmSourceProcs procs;
  void* client;
  CustomStm(const ASStmSourceProcs& p, void* c) : procs(p), client(c) {}
  ~CustomStm() override {
    try {
      if (procs.destroy) procs.destroy(client);
    } catch (...) {
    }
  }
  ASSize_t Read(char* out, ASSize_t size) override {
    if (!procs.read) ASRaise(genErrBadParm);
    return procs.read(client, out, size);
  }
  ASSize_t Write(const char* data, ASSize_t size) override {
    if (!procs.write) ASRaise(genErrBadParm);
    return procs.write(client, data, size);
  }
  void Flush() override {
    if (procs.flush) procs.flush(client);
  }
};

ASStm Checked(ASStm s) {
  if (!s || !OpenStreams().count(s)) ASRaise(genErrBadParm);
  return s;
}

}  // namespace

ASStm ASMemStmRdOpen(const char* data, ASSize_t length) {
  if (!data) length = 0;
  return Track(new MemReadStm(data, length));
}

ASStm ASProcStmRdOpen(ASStmProc readProc, void* clientData) {
  if (!readProc) ASRaise(genErrBadParm);
  return Track(new ProcReadStm(readProc, clientData));
}

ASStm ASProcStmWrOpen(ASStmWriteProc writeProc, ASStmDestroyProc destroyProc, void* clientData) {
  if (!writeProc) ASRaise(genErrBadParm);
  return Track(new ProcWriteStm(writeProc, destroyProc, clientData));
}

ASStm ASFileStmRdOpen(ASFile file, ASSize_t) {
  if (!file) ASRaise(genErrBadParm);
  return Track(new FileReadStm(file));
}

ASStm ASFileStmWrOpen(ASFile file, ASSize_t) {
  if (!file) ASRaise(genErrBadParm);
  return Track(new FileWriteStm(file));
}

ASStm ASStmOpenCustom(const ASStmSourceProcs* procs, void* clientData, ASBool) {
  if (!procs) ASRaise(genErrBadParm);
  return Track(new CustomStm(*procs, clientData));
}

ASSize_t ASStmRead(void* buffer, ASSize_t itemSize, ASSize_t count, ASStm stm) {
  Checked(stm);
  ASSize_t total;
  if (itemSize == 0 || __builtin_mul_overflow(itemSize, count, &total)) return 0;
  ASSize_t got = stm->Read(static_cast<char*>(buffer), total);
  return got / itemSize;
}

ASSize_t ASStmWrite(const void* buffer, ASSize_t itemSize, ASSize_t count, ASStm stm) {
  Checked(stm);
  ASSize_t total;
  if (itemSize == 0 || __builtin_mul_overflow(itemSize, count, &total)) return 0;
  ASSize_t put = stm->Write(static_cast<const char*>(buffer), total);
  return put / itemSize;
}

void ASStmFlush(ASStm stm) { Checked(stm)->Flush(); }

void ASStmClose(ASStm stm) {
  if (!stm) return;
  if (!OpenStreams().erase(stm)) ASRaise(genErrBadParm);
  delete stm;
}

ASInt32 ASStmOpenCount() { return (ASInt32)OpenStreams().size(); }

ASFile ASStmGetFile(ASStm stm) { return Checked(stm)->File(); }

ASBool ASStmSetPos(ASStm stm, ASFilePos64 pos) { return Checked(stm)->SetPos(pos) ? 1 : 0; }
