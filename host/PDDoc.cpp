// PD documents: opening through host files, creating, saving, closing, and the
// document-level bookkeeping qpdf does not keep.
#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>

#include "host/ASFile.h"
#include "host/ASMem.h"
#include "host/Notify.h"
#include "host/PDPriv.h"

using namespace hostpdf;

namespace hostpdf {

// qpdf's input over a host file, with a read-ahead window: the tokenizer asks
// for small pieces, and every host read goes through a file system's procedures.
// Detach() reads the rest into memory so that the file can be closed while
// copies of this document's streams still read from it.
class ASFileInputSource : public InputSource {
 public:
  ASFileInputSource(ASFile file, std::string name) : file_(file), name_(std::move(name)) {
    size_ = ASFileGetEOF64(file);
  }

  void Detach() {
    if (detached_) return;
    std::string all;
    all.resize((size_t)size_);
    ASFileSetPos64(file_, 0);
    size_t got = size_ ? ASFileRead(file_, all.data(), (ASSize_t)size_) : 0;
    all.resize(got);
    memory_ = std::move(all);
    size_ = (qpdf_offset_t)memory_.size();
    detached_ = true;
    file_ = nullptr;
  }

  qpdf_offset_t findAndSkipNextEOL() override {
    char ch;
    for (;;) {
      if (read(&ch, 1) == 0) return tell();
      if (ch == '\r' || ch == '\n') break;
    }
    qpdf_offset_t result = pos_ - 1;
    while (read(&ch, 1) == 1) {
      if (ch != '\r' && ch != '\n') {
        unreadCh(ch);
        break;
      }
    }
    return result;
  }

  std::string const& getName() const override { return name_; }
  qpdf_offset_t tell() override { return pos_; }

  void seek(qpdf_offset_t offset, int whence) override {
    qpdf_offset_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? pos_ : size_;
    qpdf_offset_t to = base + offset;
    if (to < 0) throw std::runtime_error(name_ + ": seek before the start of the file");
    pos_ = to;
  }

  void rewind() override { pos_ = 0; }

  size_t read(char* buffer, size_t length) override {
    last_offset = pos_;
    if (pos_ >= size_ || length == 0) return 0;
    length = (size_t)std::min<qpdf_offset_t>((qpdf_offset_t)length, size_ - pos_);
    if (detached_) {
      std::memcpy(buffer, memory_.data() + pos_, length);
      pos_ += (qpdf_offset_t)length;
      return length;
    }
    size_t done = 0;
    while (done < length) {
      if (pos_ >= winStart_ && pos_ < winStart_ + (qpdf_offset_t)winLen_) {
        size_t off = (size_t)(pos_ - winStart_);
        size_t n = std::min(length - done, winLen_ - off);
        std::memcpy(buffer + done, window_.data() + off, n);
        done += n;
        pos_ += (qpdf_offset_t)n;
        continue;
      }
      if (length - done >= kWindow) {  // large reads go straight through
        ASFileSetPos64(file_, pos_);
        size_t n = ASFileRead(file_, buffer + done, length - done);
        done += n;
        pos_ += (qpdf_offset_t)n;
        break;
      }
      if (!Fill()) break;
    }
    return done;
  }

  void unreadCh(char) override {
    if (pos_ > 0) --pos_;
  }

 private:
  static constexpr size_t kWindow = 65536;

  bool Fill() {
    window_.resize(kWindow);
    ASFileSetPos64(file_, pos_);
    winStart_ = pos_;
    winLen_ = ASFileRead(file_, window_.data(), kWindow);
    return winLen_ > 0;
  }

  ASFile file_;
  std::string name_;
  qpdf_offset_t size_ = 0;
  qpdf_offset_t pos_ = 0;
  std::vector<char> window_;
  qpdf_offset_t winStart_ = 0;
  size_t winLen_ = 0;
  bool detached_ = false;
  std::string memory_;
};

}  // namespace hostpdf

namespace {

bool gDeterministicIDs = false;

std::vector<PDDoc>& OpenDocs() {
  static auto* v = new std::vector<PDDoc>;
  return *v;
}

bool IsLive(PDDoc doc) {
  if (!doc) return false;
  for (PDDoc d : OpenDocs())
    if (d == doc) return doc->magic == kPDDocMagic;
  return false;
}

void CollectWarnings(PDDoc doc) {
  if (!doc->cos) return;
  for (const QPDFExc& w : doc->cos->q->getWarnings()) doc->warnings.push_back(w.what());
}

// The writer's output: a host file, written in large pieces. qpdf finishes
// pipelines from destructors, so nothing here throws: the first error is kept
// and raised once the writer has returned.
class ASFilePipeline : public Pipeline {
 public:
  explicit ASFilePipeline(ASFile file) : Pipeline("host file", nullptr), file_(file) { buf_.reserve(kChunk); }
  void write(unsigned char const* data, size_t len) override {
    if (error_) return;
    if (buf_.size() + len > kChunk) Flush();
    if (len >= kChunk) {
      Put(data, len);
      return;
    }
    buf_.insert(buf_.end(), data, data + len);
  }
  void finish() override { Flush(); }
  ASErrorCode Error() const { return error_; }

 private:
  static constexpr size_t kChunk = 1 << 20;
  void Flush() {
    if (!buf_.empty()) Put(buf_.data(), buf_.size());
    buf_.clear();
  }
  void Put(const unsigned char* data, size_t len) {
    if (error_) return;
    try {
      if (ASFileWrite(file_, data, len) != len) error_ = fileErrWrite;
    } catch (...) {
      error_ = ASExceptionCodeFromCurrent();
    }
  }
  ASFile file_;
  std::vector<unsigned char> buf_;
  ASErrorCode error_ = 0;
};

class MonitorReporter : public QPDFWriter::ProgressReporter {
 public:
  MonitorReporter(ProgressMonitor m, void* data) : m_(m), data_(data) {}
  void reportProgress(int percent) override {
    try {
      ProgressMonitorSetCurrValue(m_, percent, data_);
    } catch (...) {
      // A monitor cannot stop a save: qpdf may report from places that must not throw.
    }
  }

 private:
  ProgressMonitor m_;
  void* data_;
};


void CloseFiles(PDDoc doc) {
  if (doc->inputFile && doc->ownsInputFile) ASFileClose(doc->inputFile);
  if (doc->file && doc->ownsFile && doc->file != doc->inputFile) ASFileClose(doc->file);
  doc->inputFile = doc->file = nullptr;
}

void FreeRecord(PDDoc doc) {
  auto& v = OpenDocs();
  v.erase(std::remove(v.begin(), v.end(), doc), v.end());
  if (doc->path) ASFileSysReleasePath(doc->fileSys, doc->path);
  doc->magic = 0;
  delete doc;
}

PDDoc NewRecord() {
  PDDoc d = new _t_PDDocRec;
  d->magic = kPDDocMagic;
  OpenDocs().push_back(d);
  return d;
}

std::shared_ptr<QPDF> Process(PDDoc doc, const std::shared_ptr<ASFileInputSource>& input, bool repair) {
  auto q = std::make_shared<QPDF>();
  q->setSuppressWarnings(true);
  q->setAttemptRecovery(repair);
  input->seek(0, SEEK_SET);
  q->processInputSource(input, doc->password.empty() ? nullptr : doc->password.c_str());
  q->getRoot();  // a file without a catalog is not a document
  return q;
}

// What a file qpdf could not read is, in its reader's terms: empty, no PDF at
// all (no "%PDF-" in the first 1024 bytes, where readers look for it, nor
// anywhere after), or a PDF too damaged to repair.
ASErrorCode UnreadableError(InputSource& input) {
  try {
    input.seek(0, SEEK_END);
    if (input.tell() == 0) return pdErrEmptyFile;
    input.seek(0, SEEK_SET);
    const std::string header = "%PDF-";
    std::string window;
    char block[64 << 10];
    for (;;) {
      size_t got = input.read(block, sizeof block);
      if (got == 0) return pdErrNotPDF;
      window.append(block, got);
      if (window.find(header) != std::string::npos) return pdErrBadDocument;
      if (window.size() >= header.size()) window.erase(0, window.size() - (header.size() - 1));  // across two blocks
    }
  } catch (...) {
    return pdErrBadDocument;
  }
}

// Opens the document behind doc->inputFile; the record exists already so
// that an authorisation procedure can see it.
void OpenInto(PDDoc doc, PDAuthProc authProc, bool repair) {
  char name[1024] = "document";
  if (doc->path) ASFileSysGetNameFromPath(doc->fileSys, doc->path, name, sizeof name);
  doc->input = std::make_shared<ASFileInputSource>(doc->inputFile, name);
  std::shared_ptr<QPDF> q;
  for (int attempt = 0;; ++attempt) {
    try {
      q = Process(doc, doc->input, repair);
      break;
    } catch (const QPDFExc& e) {
      if (e.getErrorCode() != qpdf_e_password) ASRaise(UnreadableError(*doc->input));
      std::string before = doc->password;
      if (attempt > 8 || !authProc || !authProc(doc) || doc->password == before) ASRaise(pdErrNeedPassword);
    } catch (const ASException&) {
      throw;
    } catch (...) {
      ASRaise(UnreadableError(*doc->input));  // qpdf's logic and runtime errors on a damaged file
    }
  }
  doc->cos = NewCosDoc(q);
  doc->cos->pdDoc = doc;
  CollectWarnings(doc);
  if (!doc->warnings.empty()) doc->flags |= PDDocWasRepaired;
  if (q->isEncrypted()) doc->flags |= PDDocIsEncrypted;
  ParseVersion(q->getPDFVersion(), &doc->minMajor, &doc->minMinor);
  CheckPagesReadable(doc);
}

PDDoc OpenCommon(ASFile file, bool owns, ASPathName path, ASFileSys fs, PDAuthProc authProc, const char* password,
                 bool repair) {
  PDDoc doc = NewRecord();
  doc->file = doc->inputFile = file;
  doc->ownsFile = doc->ownsInputFile = owns;
  doc->fileSys = fs;
  doc->path = path;
  if (password) doc->password = password;
  try {
    OpenInto(doc, authProc, repair);
  } catch (...) {
    ASErrorCode code = ASExceptionCodeFromCurrent();
    doc->input.reset();
    CloseFiles(doc);
    if (doc->cos) DestroyCosDoc(doc->cos);
    FreeRecord(doc);
    AVNotificationArgs a{};
    a.error = code;
    AVAppFireNotification(PDDocDidOpenNSEL, &a);
    ASRaise(code);
  }
  AVNotificationArgs a{};
  a.pdDoc = doc;
  AVAppFireNotification(PDDocDidOpenNSEL, &a);
  return doc;
}

PDDoc OpenPath(ASPathName path, ASFileSys fs, PDAuthProc authProc, const char* password, ASBool doRepair) {
  if (!path) ASRaise(genErrBadParm);
  if (!fs) fs = ASGetDefaultFileSys();
  ASFaultCheck("PDDocOpen");
  ASFile file = nullptr;
  if (ASErrorCode e = ASFileSysOpenFile(fs, path, ASFILE_READ, &file)) ASRaise(e);
  ASPathName copy = ASFileSysCopyPath(fs, path);
  return OpenCommon(file, true, copy, fs, authProc, password, doRepair != 0);
}

// Runs work on a thread with a stack of the given size, and passes on what
// it throws. Falls back to the calling thread only when no thread can be made.
void RunOnStack(size_t bytes, const std::function<void()>& work) {
  struct Job {
    const std::function<void()>* work;
    std::exception_ptr error;
  } job{&work, nullptr};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto entry = [](void* data) -> void* {
    Job* j = static_cast<Job*>(data);
    try {
      (*j->work)();
    } catch (...) {
      j->error = std::current_exception();
    }
    return nullptr;
  };
  const int made = pthread_create(&thread, &attr, entry, &job);
  pthread_attr_destroy(&attr);
  if (made != 0) ASRaise(genErrNoMemory);
  pthread_join(thread, nullptr);
  if (job.error) std::rethrow_exception(job.error);
}

// qpdf's writer lists the pages by recursing down the page tree, a call for
// each level: a deep tree (thousands of nodes, each the only kid of the one
// above) would overflow the caller's stack, so its write gets a stack of its
// own, sized for the depth (sanitizer builds take several times the room).
void RunWriter(PDDoc doc, QPDFWriter& w) {
  constexpr ASInt32 kShallow = 256;
  if (doc->treeDepth <= kShallow) {
    w.write();
    return;
  }
  RunOnStack((size_t)64 * 1024 * 1024 + (size_t)doc->treeDepth * 4096, [&] { w.write(); });
}

void WriteTo(PDDoc doc, ASFile out, const PDDocSaveParamsRec& p) {
  QPDF& q = *doc->cos->q;
  RepairTree(doc);
  SeverDroppedPages(doc);  // nothing of a deleted page is written
  WriteTreeCounts(doc);
  ASFilePipeline pipe(out);
  QPDFWriter w(q);
  w.setOutputPipeline(&pipe);
  w.setObjectStreamMode(p.objectStreams == PDSaveObjStmGenerate  ? qpdf_o_generate
                        : p.objectStreams == PDSaveObjStmDisable ? qpdf_o_disable
                                                                 : qpdf_o_preserve);
  w.setCompressStreams(true);
  w.setDecodeLevel(qpdf_dl_generalized);
  // An encrypted document stays encrypted as it came, with its passwords
  // and permissions: the writer would otherwise drop the encryption for
  // streams it decodes and compresses again.
  if (q.isEncrypted()) w.copyEncryptionParameters(q);
  char version[16];
  std::snprintf(version, sizeof version, "%d.%d", doc->minMajor, doc->minMinor);
  // A header the writer cannot read as a version is replaced, not compared.
  int major = 0, minor = 0;
  ParseVersion(q.getPDFVersion(), &major, &minor);
  if (q.getPDFVersion() != std::to_string(major) + "." + std::to_string(minor)) w.forcePDFVersion(version);
  else w.setMinimumPDFVersion(version);
  if (p.deterministicID) {
    if (q.isEncrypted()) w.setStaticID(true);
    else w.setDeterministicID(true);
  }
  if (p.monitor) w.registerProgressReporter(std::make_shared<MonitorReporter>(p.monitor, p.monitorData));
  EnsurePages(doc);  // the depth of the tree as it is written
  RunWriter(doc, w);
  if (ASErrorCode e = pipe.Error()) ASRaise(e);
}

// For tests that kill a save half-way: with KV_TEST_HOLD_SAVE_FD naming an
// open descriptor, a save that has written its temporary file says "held" on
// it and waits there to be killed, so that the kill need not be timed.
void HoldSaveForTests() {
  const char* fd = std::getenv("KV_TEST_HOLD_SAVE_FD");
  if (!fd || *fd < '0' || *fd > '9') return;
  const int n = std::atoi(fd);
  if (::write(n, "held\n", 5) != 5) return;
  for (;;) ::pause();
}

void Save(PDDoc doc, const PDDocSaveParamsRec& p) {
  CheckPDDoc(doc);
  ASFaultCheck("PDDocSave");
  ASFileSys fs = p.fileSys ? p.fileSys : p.newPath ? ASGetDefaultFileSys() : doc->fileSys;
  ASPathName target = p.newPath ? p.newPath : doc->path;
  if (!target || !fs) ASRaise(genErrBadParm);  // a new document needs a path
  // Written beside the file it replaces and renamed over it: qpdf still reads
  // the old file while it writes, and a failed save must leave the old file
  // whole. Through a symbolic link, the file replaced is the link's target.
  ASPathName dest = nullptr;
  if (ASErrorCode e = ASFileSysAcquireLinkTarget(fs, target, &dest)) ASRaise(e);
  ASPathName temp = nullptr;
  if (ASErrorCode e = ASFileSysAcquireTempPathName(fs, dest, &temp)) {
    ASFileSysReleasePath(fs, dest);
    ASRaise(e);
  }
  ASFile out = nullptr;
  ProgressMonitorBegin(p.monitor, p.monitorData);
  ProgressMonitorSetDuration(p.monitor, 100, p.monitorData);
  try {
    if (ASErrorCode e = ASFileSysOpenFile(fs, temp, ASFILE_READ | ASFILE_WRITE | ASFILE_CREATE, &out)) ASRaise(e);
    WriteTo(doc, out, p);
    HoldSaveForTests();
    if (ASErrorCode e = ASFileFlush(out)) ASRaise(e);  // on the disk before it replaces anything
    ASFile closing = out;
    out = nullptr;
    if (ASErrorCode e = ASFileClose(closing)) ASRaise(e);
    if (ASErrorCode e = ASFileSysReplaceFile(fs, temp, dest)) ASRaise(e);
  } catch (...) {
    ASErrorCode code = ASExceptionCodeFromCurrent();
    if (out) ASFileClose(out);
    ASFileSysRemoveFile(fs, temp);
    ASFileSysReleasePath(fs, temp);
    ASFileSysReleasePath(fs, dest);
    ProgressMonitorEnd(p.monitor, p.monitorData);
    AVNotificationArgs a{};
    a.pdDoc = doc;
    a.error = code;
    AVAppFireNotification(PDDocDidSaveNSEL, &a);
    ASRaise(code);
  }
  ASFileSysReleasePath(fs, temp);
  ASFileSysReleasePath(fs, dest);
  ProgressMonitorEnd(p.monitor, p.monitorData);
  if (!(p.saveFlags & PDSaveCopy)) {
    // The document now belongs to the file just written.
    ASFile fresh = nullptr;
    if (ASFileSysOpenFile(fs, target, ASFILE_READ, &fresh) == 0) {
      if (doc->file && doc->ownsFile && doc->file != doc->inputFile) ASFileClose(doc->file);
      doc->file = fresh;
      doc->ownsFile = true;
    }
    if (target != doc->path) {
      ASPathName copy = ASFileSysCopyPath(fs, target);
      if (doc->path) ASFileSysReleasePath(doc->fileSys, doc->path);
      doc->path = copy;
      doc->fileSys = fs;
    }
    doc->flags &= ~(PDDocNeedsSave | PDDocIsModified | PDDocRequiresFullSave);
    doc->cos->dirty = false;
  }
  CollectWarnings(doc);
  AVNotificationArgs a{};
  a.pdDoc = doc;
  AVAppFireNotification(PDDocDidSaveNSEL, &a);
}

}  // namespace

// ---- shared helpers -------------------------------------------------------

namespace hostpdf {

void ParseVersion(const std::string& v, int* major, int* minor) {
  // Digits are read with a bound: a header of junk digits must not overflow.
  auto number = [](const char*& p) {
    long n = -1;
    for (; *p >= '0' && *p <= '9'; ++p) n = std::min(1000L, (n < 0 ? 0 : n * 10) + (*p - '0'));
    return n;
  };
  const char* p = v.c_str();
  long a = number(p), b = 0;
  if (*p == '.') {
    ++p;
    b = std::max(0L, number(p));
  }
  if (a < 1) a = 1, b = 0;
  // Past the newest version there is: the newest, which the writer knows.
  if (a > 2 || (a == 2 && b > 0)) a = 2, b = 0;
  *major = (int)a;
  *minor = (int)b;
}

}  // namespace hostpdf

namespace hostpdf {

std::string ReadInputBytes(PDDoc doc, long long offset, size_t max) {
  std::string out;
  if (!doc->input || offset < 0 || max == 0) return out;
  out.resize(max);
  doc->input->seek(offset, SEEK_SET);
  out.resize(doc->input->read(out.data(), max));
  return out;
}

}  // namespace hostpdf

void PDNoteChanged(PDDoc doc) { doc->flags |= PDDocNeedsSave | PDDocIsModified; }

void PDAddWarning(PDDoc doc, const std::string& text) {
  if (doc->warnings.size() >= 10000) return;
  for (const std::string& w : doc->warnings)
    if (w == text) return;  // a walk repeated after a change says the same again
  doc->warnings.push_back(text);
}

namespace hostpdf {

PDDoc CheckPDDoc(PDDoc doc) {
  if (!IsLive(doc) || !doc->cos) ASRaise(genErrBadParm);
  return doc;
}

QPDF& QOf(PDDoc doc) { return *CheckPDDoc(doc)->cos->q; }

}  // namespace hostpdf

// ---- documents ------------------------------------------------------------

ASBool PDDocAuthorize(PDDoc doc, PDPerms, const char* password) {
  if (!IsLive(doc)) return 0;
  doc->password = password ? password : "";
  return 1;
}

PDDoc PDDocOpen(ASPathName path, ASFileSys fileSys, PDAuthProc authProc, ASBool doRepair) {
  return Guard([&] { return OpenPath(path, fileSys, authProc, nullptr, doRepair); });
}

PDDoc PDDocOpenWithPassword(ASPathName path, ASFileSys fileSys, const char* password, ASBool doRepair) {
  return Guard([&] { return OpenPath(path, fileSys, nullptr, password, doRepair); });
}

PDDoc PDDocOpenFromASFile(ASFile file, PDAuthProc authProc, ASBool doRepair) {
  return Guard([&] {
    if (!file) ASRaise(genErrBadParm);
    ASFaultCheck("PDDocOpen");
    ASFileSys fs = ASFileGetFileSys(file);
    return OpenCommon(file, false, ASFileAcquirePathName(file), fs, authProc, nullptr, doRepair != 0);
  });
}

PDDoc PDDocCreate() {
  return Guard([] {
    ASFaultCheck("PDDocCreate");
    auto q = std::make_shared<QPDF>();
    q->setSuppressWarnings(true);
    q->emptyPDF();
    PDDoc doc = NewRecord();
    doc->cos = NewCosDoc(q);
    doc->cos->pdDoc = doc;
    ParseVersion(q->getPDFVersion(), &doc->minMajor, &doc->minMinor);
    return doc;
  });
}

void PDDocClose(PDDoc doc) {
  Guard([&] {
    CheckPDDoc(doc);
    AVNotificationArgs a{};
    a.pdDoc = doc;
    AVAppFireNotification(PDDocWillCloseNSEL, &a);
    ReleaseAllPages(doc);
    // Other documents that copied from this one read its streams when they
    // are written: keep the data in memory so that the file can go.
    bool shared = doc->cos->q.use_count() > 1 || (doc->input && doc->input.use_count() > 2);
    ASErrorCode failure = 0;
    if (doc->input && shared) {
      try {
        doc->input->Detach();
      } catch (...) {
        failure = ASExceptionCodeFromCurrent();
      }
    }
    doc->input.reset();
    DestroyCosDoc(doc->cos);
    doc->cos = nullptr;
    bool removeFile = (doc->flags & PDDocDeleteOnClose) && doc->path;
    CloseFiles(doc);
    if (removeFile) ASFileSysRemoveFile(doc->fileSys, doc->path);
    FreeRecord(doc);
    if (failure) ASRaise(failure);
  });
}

void PDDocSave(PDDoc doc, ASUns32 saveFlags, ASPathName newPath, ASFileSys fileSys, ProgressMonitor monitor,
               void* monitorData) {
  PDDocSaveParamsRec p{};
  p.size = sizeof p;
  p.saveFlags = saveFlags;
  p.newPath = newPath;
  p.fileSys = fileSys;
  p.monitor = monitor;
  p.monitorData = monitorData;
  p.objectStreams = PDSaveObjStmPreserve;
  p.deterministicID = gDeterministicIDs;
  Guard([&] { Save(doc, p); });
}

void PDDocSaveWithParams(PDDoc doc, PDDocSaveParams params) {
  if (!params || params->size < sizeof(PDDocSaveParamsRec)) ASRaise(genErrBadParm);
  Guard([&] { Save(doc, *params); });
}

void PDSetDeterministicIDs(ASBool on) { gDeterministicIDs = on != 0; }

CosDoc PDDocGetCosDoc(PDDoc doc) { return CheckPDDoc(doc)->cos; }

ASInt32 PDDocGetFlags(PDDoc doc) { return CheckPDDoc(doc)->flags; }

void PDDocSetFlags(PDDoc doc, ASInt32 flags) { CheckPDDoc(doc)->flags |= flags; }

void PDDocClearFlags(PDDoc doc, ASInt32 flags) { CheckPDDoc(doc)->flags &= ~flags; }

PDPerms PDDocGetPermissions(PDDoc doc) {
  return Guard([&]() -> PDPerms {
    QPDF& q = QOf(doc);
    if (!q.isEncrypted() || q.ownerPasswordMatched()) return pdPermAll;
    PDPerms p = pdPermOpen | pdPermSaveAs;
    if (q.allowPrintLowRes()) p |= pdPermPrint;
    if (q.allowPrintHighRes()) p |= pdPermHighPrint;
    if (q.allowModifyOther()) p |= pdPermEdit;
    if (q.allowExtractAll()) p |= pdPermCopy | pdPermAccessible;
    if (q.allowModifyAnnotation()) p |= pdPermEditNotes;
    if (q.allowModifyForm()) p |= pdPermFillAndSign;
    if (q.allowModifyAssembly()) p |= pdPermDocAssembly;
    return p;
  });
}

void PDDocGetVersion(PDDoc doc, ASInt16* major, ASInt16* minor) {
  Guard([&] {
    CheckPDDoc(doc);
    int a, b;
    ParseVersion(doc->cos->q->getPDFVersion(), &a, &b);
    if (a < doc->minMajor || (a == doc->minMajor && b < doc->minMinor)) {
      a = doc->minMajor;
      b = doc->minMinor;
    }
    if (major) *major = (ASInt16)a;
    if (minor) *minor = (ASInt16)b;
  });
}

ASFile PDDocGetFile(PDDoc doc) { return CheckPDDoc(doc)->file; }

ASPathName PDDocGetPathName(PDDoc doc) { return CheckPDDoc(doc)->path; }

ASFileSys PDDocGetFileSys(PDDoc doc) { return CheckPDDoc(doc)->path ? doc->fileSys : nullptr; }

ASInt32 PDDocGetInfo(PDDoc doc, const char* key, char* buffer, ASInt32 size) {
  return Guard([&]() -> ASInt32 {
    if (!key) ASRaise(genErrBadParm);
    QPDFObjectHandle info = QOf(doc).getTrailer().getKey("/Info");
    std::string text;
    if (info.isDictionary()) {
      QPDFObjectHandle v = info.getKey(std::string("/") + key);
      if (v.isString()) text = v.getStringValue();
      else if (v.isName()) text = v.getName().substr(1);
    }
    if (buffer && size > 0) {
      size_t n = std::min<size_t>(text.size(), (size_t)size - 1);
      std::memcpy(buffer, text.data(), n);
      buffer[n] = 0;
    }
    return (ASInt32)text.size();
  });
}

void PDDocSetInfo(PDDoc doc, const char* key, const char* value, ASInt32 length) {
  Guard([&] {
    if (!key || length < 0) ASRaise(genErrBadParm);
    QPDF& q = QOf(doc);
    QPDFObjectHandle trailer = q.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!value) {
      if (info.isDictionary()) info.removeKey(std::string("/") + key);
    } else {
      if (!info.isDictionary()) {
        info = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
      }
      info.replaceKey(std::string("/") + key, QPDFObjectHandle::newString(std::string(value, (size_t)length)));
    }
    MarkDirty(doc->cos);
  });
}

ASInt32 PDDocGetWarningCount(PDDoc doc) {
  CheckPDDoc(doc);
  CollectWarnings(doc);
  return (ASInt32)doc->warnings.size();
}

const char* PDDocGetWarning(PDDoc doc, ASInt32 index) {
  CheckPDDoc(doc);
  CollectWarnings(doc);
  if (index < 0 || index >= (ASInt32)doc->warnings.size()) return nullptr;
  return doc->warnings[(size_t)index].c_str();
}

ASBool PDEnumDocs(PDDocEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  std::vector<PDDoc> now = OpenDocs();
  for (PDDoc d : now)
    if (IsLive(d) && !proc(d, clientData)) return 0;
  return 1;
}

ASInt32 PDGetOpenDocCount() { return (ASInt32)OpenDocs().size(); }
