#include "foundation/MemFileSys.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/MFUtil.h"

namespace {

// A block handed out: named by its number (1 and up) in the path text.
struct Block {
  const void* address;
  ASSize_t length;
};

std::vector<Block>& Blocks() {
  static auto* v = new std::vector<Block>;
  return *v;
}

// The path name record: the block's number and length.
struct MemPath {
  ASUns32 block;
  ASUns32 length;
};

struct MemFile {
  ASUns32 block;
  ASUns32 length;
  ASUns32 pos;
};

const Block* BlockOf(ASUns32 number, ASUns32 length) {
  auto& v = Blocks();
  if (number == 0 || number > v.size()) return nullptr;
  const Block& b = v[number - 1];
  return b.length == length ? &b : nullptr;
}

ASUns32 Register(const void* address, ASSize_t length) {
  auto& v = Blocks();
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i].address == address && v[i].length == length) return (ASUns32)(i + 1);
  v.push_back(Block{address, length});
  return (ASUns32)v.size();
}

ASErrorCode MemOpen(ASPathName path, ASUns16 mode, ASMDFile* file) {
  if (mode & ASFILE_WRITE) return 1;
  if (mode & ASFILE_CREATE) return 2;
  MemPath* p = reinterpret_cast<MemPath*>(path);
  if (!p || !file) return 3;
  if (!BlockOf(p->block, p->length)) return 3;
  MemFile* f = static_cast<MemFile*>(UnfilteredASmalloc(sizeof(MemFile)));
  if (!f) return genErrNoMemory;
  *f = MemFile{p->block, p->length, 0};
  *file = f;
  return 0;
}

ASErrorCode MemClose(ASMDFile file) {
  ASfree(file);
  return 0;
}

ASErrorCode MemFlush(ASMDFile) { return 0; }

ASErrorCode MemSetPos(ASMDFile file, ASFilePos64 pos) {
  MemFile* f = static_cast<MemFile*>(file);
  // Kept within the block: a position before the start or past the end reads nothing.
  f->pos = pos < 0 ? 0 : pos > (ASFilePos64)f->length ? f->length : (ASUns32)pos;
  return 0;
}

ASErrorCode MemGetPos(ASMDFile file, ASFilePos64* pos) {
  *pos = static_cast<MemFile*>(file)->pos;
  return 0;
}

ASErrorCode MemSetEof(ASMDFile, ASFilePos64) { return 1; }

ASErrorCode MemGetEof(ASMDFile file, ASFilePos64* pos) {
  *pos = static_cast<MemFile*>(file)->length;
  return 0;
}

ASSize_t MemRead(void* buffer, ASSize_t itemSize, ASSize_t count, ASMDFile file, ASErrorCode* error) {
  MemFile* f = static_cast<MemFile*>(file);
  ASSize_t want;
  if (itemSize == 0 || __builtin_mul_overflow(itemSize, count, &want)) {
    if (error) *error = genErrBadParm;
    return 0;
  }
  const Block* b = BlockOf(f->block, f->length);
  if (!b || f->pos >= f->length) return 0;
  ASSize_t n = std::min<ASSize_t>(want, f->length - f->pos);
  std::memcpy(buffer, static_cast<const char*>(b->address) + f->pos, n);
  f->pos += (ASUns32)n;
  // The bytes copied, a last partial item included: what was taken from the
  // block is never reported as nothing.
  return n;
}

ASSize_t MemWrite(const void*, ASSize_t, ASSize_t, ASMDFile, ASErrorCode* error) {
  if (error) *error = 1;
  return 0;
}

ASErrorCode MemRemove(ASPathName) { return 1; }

ASErrorCode MemRename(ASMDFile*, ASPathName, ASPathName) { return 1; }

ASBool MemIsSameFile(ASMDFile file, ASPathName path, ASPathName) {
  MemFile* f = static_cast<MemFile*>(file);
  MemPath* p = reinterpret_cast<MemPath*>(path);
  return f && p && f->block == p->block && f->length == p->length;
}

ASErrorCode MemGetName(ASPathName, char* name, ASInt32 maxLength) {
  if (!name || maxLength <= 0) return 1;
  std::snprintf(name, (size_t)maxLength, "%s", "Unnamed memory-based file");
  return 0;
}

ASPathName MemGetTempPathName(ASPathName) { return nullptr; }

ASPathName NewPath(ASUns32 block, ASUns32 length) {
  MemPath* p = static_cast<MemPath*>(UnfilteredASmalloc(sizeof(MemPath)));
  if (p) *p = MemPath{block, length};
  return reinterpret_cast<ASPathName>(p);
}

ASPathName MemCopyPathName(ASPathName path) {
  MemPath* p = reinterpret_cast<MemPath*>(path);
  return p ? NewPath(p->block, p->length) : nullptr;
}

char* MemDIPathFromPath(ASPathName path, ASPathName) {
  MemPath* p = reinterpret_cast<MemPath*>(path);
  if (!p) return nullptr;
  char* text = static_cast<char*>(UnfilteredASmalloc(100));
  if (text) std::snprintf(text, 100, "/MEM/%08X/%08X", (unsigned)p->block, (unsigned)p->length);
  return text;
}

ASPathName MemPathFromDIPath(const char* diPath, ASPathName) {
  unsigned block = 0, length = 0;
  if (!diPath || std::sscanf(diPath, "/MEM/%08x/%08x", &block, &length) != 2) return nullptr;
  // Only blocks handed out: a path text cannot point anywhere else in memory.
  if (!BlockOf(block, length)) return nullptr;
  return NewPath(block, length);
}

void MemDisposePathName(ASPathName path) { ASfree(path); }

ASAtom MemGetFileSysName() { return ASAtomFromString(kMemFileSysName); }

ASUns32 MemGetStorageFreeSpace(ASPathName) { return 0x7FFFFFF; }

ASErrorCode MemFlushVolume(ASPathName) { return 0; }

ASPathName MemCreatePathName(ASAtom, const void*, const void*) { return nullptr; }

ASFileSys gMemFileSys = nullptr;
MemResourceFetchProc gFetch = nullptr;

template <class F>
F Callback(F proc) {
  return reinterpret_cast<F>(ASCallbackCreate(nullptr, reinterpret_cast<void*>(proc)));
}

}  // namespace

ASBool InitMemFileSystem(ASFileSys* fileSys) {
  if (gMemFileSys) return 1;
  static ASFileSysRec rec;
  std::memset(&rec, 0, sizeof rec);
  rec.size = sizeof rec;
  rec.open = Callback(MemOpen);
  rec.close = Callback(MemClose);
  rec.flush = Callback(MemFlush);
  rec.setpos = Callback(MemSetPos);
  rec.getpos = Callback(MemGetPos);
  rec.seteof = Callback(MemSetEof);
  rec.geteof = Callback(MemGetEof);
  rec.read = Callback(MemRead);
  rec.write = Callback(MemWrite);
  rec.remove = Callback(MemRemove);
  rec.rename = Callback(MemRename);
  rec.isSameFile = Callback(MemIsSameFile);
  rec.getName = Callback(MemGetName);
  rec.getTempPathName = Callback(MemGetTempPathName);
  rec.copyPathName = Callback(MemCopyPathName);
  rec.diPathFromPath = Callback(MemDIPathFromPath);
  rec.pathFromDIPath = Callback(MemPathFromDIPath);
  rec.disposePathName = Callback(MemDisposePathName);
  rec.getFileSysName = Callback(MemGetFileSysName);
  rec.getStorageFreeSpace = Callback(MemGetStorageFreeSpace);
  rec.flushVolume = Callback(MemFlushVolume);
  rec.createPathName = Callback(MemCreatePathName);
  ASFileRegisterFileSys(nullptr, &rec);
  gMemFileSys = &rec;
  if (fileSys) *fileSys = gMemFileSys;
  return 1;
}

ASFile CreateInMemoryASFile(const void* address, ASSize_t length) {
  ASFileSys unused = nullptr;
  InitMemFileSystem(&unused);
  if (!address || length > 0xFFFFFFFFu) return nullptr;
  ASFileSys fs = ASFileSysGetFileSysByName(ASAtomFromString(kMemFileSysName));
  if (!fs) return nullptr;
  char text[40];
  std::snprintf(text, sizeof text, "/MEM/%08X/%08X", (unsigned)Register(address, length), (unsigned)length);
  ASPathName path = ASFileSysPathFromDIPath(fs, text, nullptr);
  if (!path) return nullptr;
  ASFile file = nullptr;
  ASErrorCode e = ASFileSysOpenFile(fs, path, ASFILE_READ, &file);
  ASFileSysReleasePath(fs, path);
  return e ? nullptr : file;
}

PDDoc OpenInMemoryPDF(const void* address, ASSize_t length) {
  ASFile file = CreateInMemoryASFile(address, length);
  if (!file) return nullptr;
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpenFromASFile(file, nullptr, 1);
  HANDLER
    ASFileClose(file);  // nothing else would ever close it
    RERAISE();
  END_HANDLER
  return doc;
}

void CloseInMemoryPDF(PDDoc doc) {
  if (!doc) return;
  ASFile file = PDDocGetFile(doc);
  PDDocClose(doc);
  if (file) ASFileClose(file);
}

void SetMemResourceFetchProc(MemResourceFetchProc proc) { gFetch = proc; }

PDDoc OpenInMemoryPDFFromPlatformResource(const char* type, ASInt32 number) {
  char fourCC[4] = {' ', ' ', ' ', ' '};
  for (int i = 0; i < 4 && type && type[i]; ++i) fourCC[i] = type[i];
  const void* data = nullptr;
  ASSize_t size = 0;
  if (!gFetch || !gFetch(fourCC, number, &data, &size) || !data) return nullptr;
  return OpenInMemoryPDF(data, size);
}
