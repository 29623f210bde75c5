#include "host/Cos.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFExc.hh>

#include <locale.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "host/ASFile.h"
#include "host/ASFixed.h"
#include "host/ASMem.h"
#include "host/ASStm.h"
#include "host/CosPriv.h"
#include "host/PDPriv.h"

using hostpdf::Guard;

namespace hostpdf {
namespace {

// The kind of a handle lives in its top four bits.
enum Kind : ASUns64 { kNull = 0, kIndirect = 1, kInt = 2, kBool = 3, kName = 4, kSlot = 5 };

constexpr ASUns64 Tag(Kind k) { return (ASUns64)k << 60; }
Kind KindOf(CosObj o) { return (Kind)(o.bits >> 60); }

CosObj Make(CosDoc doc, Kind k, ASUns64 payload) { return CosObj{doc, Tag(k) | (payload & 0x0FFFFFFFFFFFFFFFull)}; }

std::unordered_set<CosDoc>& LiveDocs() {
  static auto* s = new std::unordered_set<CosDoc>;
  return *s;
}

QPDFObjGen ObjGenOf(CosObj o) { return QPDFObjGen((int)(ASUns32)(o.bits & 0xFFFFFFFFu), (int)((o.bits >> 32) & 0xFFFFu)); }

ASUns32 SlotIndex(CosObj o) { return (ASUns32)(o.bits & 0xFFFFFFFFu); }
ASUns32 SlotSerial(CosObj o) { return (ASUns32)((o.bits >> 32) & 0xFFFFFFu); }

// An object about to be read or written through a Cos call: a Kids array
// being edited, or its node, gets its items back first.
void BeforeUse(CosDoc doc, const QPDFObject* o) {
  if (!doc->editedKids.empty() && (doc->editedKids.count(o) || doc->editedNodes.count(o))) WriteBackKids(doc);
}

Slot& SlotOf(CosObj o) {
  CosDoc doc = CheckDoc(o.doc);
  ASUns32 i = SlotIndex(o);
  if (i >= doc->slots.size() || !doc->slots[i].inUse || doc->slots[i].serial != SlotSerial(o)) ASRaise(cosErrInvalidObj);
  BeforeUse(doc, doc->slots[i].h.getObjectPtr());
  return doc->slots[i];
}

CosObj NewSlot(CosDoc doc, QPDFObjectHandle h, bool loose) {
  ASUns32 i;
  if (!doc->freeSlots.empty()) {
    i = doc->freeSlots.back();
    doc->freeSlots.pop_back();
  } else {
    if (doc->slots.size() >= 0xFFFFFFF0u) ASRaise(genErrNoMemory);
    i = (ASUns32)doc->slots.size();
    doc->slots.emplace_back();
  }
  Slot& s = doc->slots[i];
  s.h = h;
  s.inUse = true;
  s.loose = loose;
  doc->slotOf[h.getObjectPtr()] = i;
  return Make(doc, kSlot, ((ASUns64)(s.serial & 0xFFFFFFu) << 32) | i);
}

void ReleaseSlot(CosDoc doc, ASUns32 i) {
  Slot& s = doc->slots[i];
  doc->slotOf.erase(s.h.getObjectPtr());
  s.h = QPDFObjectHandle();
  s.inUse = false;
  s.loose = false;
  s.serial = (s.serial + 1) & 0xFFFFFFu;
  doc->freeSlots.push_back(i);
}

CosType TypeOfHandle(QPDFObjectHandle h) {
  switch (h.getTypeCode()) {
    case ::ot_boolean: return CosBoolean;
    case ::ot_integer: return CosInteger;
    case ::ot_real: return CosReal;
    case ::ot_string: return CosString;
    case ::ot_name: return CosName;
    case ::ot_array: return CosArray;
    case ::ot_dictionary: return CosDict;
    case ::ot_stream: return CosStream;
    default: return CosNull;
  }
}

bool IsScalarType(CosType t) { return t == CosInteger || t == CosReal || t == CosBoolean || t == CosName || t == CosString; }

double Numeric(QPDFObjectHandle h) {
  if (!h.isNumber()) ASRaise(cosErrBadType);
  double v = NumberValue(h);
  return std::isfinite(v) ? v : 0.0;
}

// The dictionary an operation works on: a dictionary, or a stream's.
QPDFObjectHandle DictOf(CosObj obj) {
  QPDFObjectHandle h = Handle(obj);
  if (h.isStream()) return h.getDict();
  if (!h.isDictionary()) ASRaise(cosErrExpectedDict);
  return h;
}

QPDFObjectHandle ArrayOf(CosObj obj) {
  QPDFObjectHandle h = Handle(obj);
  if (!h.isArray()) ASRaise(cosErrExpectedArray);
  return h;
}

QPDFObjectHandle StreamOf(CosObj obj) {
  QPDFObjectHandle h = Handle(obj);
  if (!h.isStream()) ASRaise(cosErrExpectedStream);
  return h;
}

CosDoc DocForWrite(CosObj container) {
  if (!container.doc) ASRaise(genErrBadParm);
  return CheckDoc(container.doc);
}

ASAtom AtomKids() {
  static ASAtom a = ASAtomFromString("Kids");
  return a;
}

// Keys the page-tree walk reads.
bool TreeKey(ASAtom key) {
  static const ASAtom parent = ASAtomFromString("Parent"), pages = ASAtomFromString("Pages"),
                      type = ASAtomFromString("Type"), root = ASAtomFromString("Root");
  return key == AtomKids() || key == parent || key == pages || key == type || key == root;
}

void NoteArrayWrite(CosDoc doc, QPDFObjectHandle array) {
  if (doc->kidsArrays.count(array.getObjectPtr())) MarkTreeChanged(doc);
  if (doc->structSound && doc->structObjs.count(array.getObjectPtr())) doc->structSound = false;
}

// Pages copied into a sheet's dictionary and the like take Type and Parent
// along: only a dictionary of the tree as last walked reshapes it.
void NoteDictWrite(CosDoc doc, QPDFObjectHandle dict, ASAtom key) {
  if (TreeKey(key) && doc->treeDicts.count(dict.getObjectPtr())) MarkTreeChanged(doc);
  if (doc->structSound && doc->structObjs.count(dict.getObjectPtr())) doc->structSound = false;
}

struct BufferStm {
  std::shared_ptr<Buffer> buffer;
  std::string text;
  const unsigned char* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

ASSize_t BufferStmRead(void* client, char* out, ASSize_t size) {
  BufferStm* b = static_cast<BufferStm*>(client);
  size_t n = std::min<size_t>(size, b->size - b->pos);
  if (n) std::memcpy(out, b->data + b->pos, n);
  b->pos += n;
  return n;
}

void BufferStmDestroy(void* client) { delete static_cast<BufferStm*>(client); }

ASStm OpenBufferStm(BufferStm* b) {
  static const ASStmSourceProcs procs = {BufferStmRead, nullptr, nullptr, BufferStmDestroy};
  try {
    return ASStmOpenCustom(&procs, b, 0);
  } catch (...) {
    delete b;
    throw;
  }
}

std::string EncodeHex(const std::string& in) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(in.size() * 2 + 1);
  for (unsigned char c : in) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  out.push_back('>');
  return out;
}

// One compressor for every stream the host encodes, reset between streams:
// setting up a new one costs a quarter megabyte of state each time. Its
// output is the same bytes a fresh one with the default level gives.
class Deflater {
 public:
  ~Deflater() {
    if (ready_) deflateEnd(&z_);
  }
  std::string Encode(const std::string& in) {
    if (in.empty()) return in;  // as qpdf's compressor gives nothing for nothing
    if (!ready_) {
      z_ = z_stream{};
      if (deflateInit(&z_, Z_DEFAULT_COMPRESSION) != Z_OK) ASRaise(genErrNoMemory);
      ready_ = true;
    } else if (deflateReset(&z_) != Z_OK) {
      ASRaise(genErrGeneral);
    }
    std::string out(deflateBound(&z_, (uLong)in.size()), '\0');
    // zlib counts in 32 bits: very large streams go through in parts.
    constexpr size_t kPart = 1u << 30;
    size_t read = 0, written = 0;
    int r;
    do {
      const size_t inPart = std::min(kPart, in.size() - read);
      if (written == out.size()) out.resize(out.size() + kPart);
      const size_t outPart = std::min(kPart, out.size() - written);
      z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + read));
      z_.avail_in = (uInt)inPart;
      z_.next_out = reinterpret_cast<Bytef*>(out.data() + written);
      z_.avail_out = (uInt)outPart;
      r = deflate(&z_, read + inPart == in.size() ? Z_FINISH : Z_NO_FLUSH);
      if (r == Z_STREAM_ERROR) ASRaise(genErrGeneral);
      read += inPart - z_.avail_in;
      written += outPart - z_.avail_out;
    } while (r != Z_STREAM_END);
    out.resize(written);
    return out;
  }

 private:
  z_stream z_{};
  bool ready_ = false;
};

std::string EncodeFlate(const std::string& in) {
  static thread_local Deflater deflater;
  return deflater.Encode(in);
}

// Encodes by the filter list, applying the last-named filter first.
std::string EncodeBy(QPDFObjectHandle filter, std::string data) {
  std::vector<std::string> names;
  if (filter.isName()) {
    names.push_back(filter.getName());
  } else if (filter.isArray()) {
    for (auto& f : filter.aitems()) {
      if (!f.isName()) ASRaise(genErrBadParm);
      names.push_back(f.getName());
    }
  } else if (!filter.isNull()) {
    ASRaise(genErrBadParm);
  }
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (*it == "/FlateDecode" || *it == "/Fl") data = EncodeFlate(data);
    else if (*it == "/ASCIIHexDecode" || *it == "/AHx") data = EncodeHex(data);
    else ASRaise(genErrBadParm);  // a filter the host cannot encode with
  }
  return data;
}

}  // namespace

// ---- shared helpers -------------------------------------------------------

bool IsLiveDoc(CosDoc doc) { return doc && LiveDocs().count(doc) && doc->magic == kCosDocMagic; }

namespace {
ASInt32 gClosedDocUses = 0;
}  // namespace

CosDoc CheckDoc(CosDoc doc) {
  if (!IsLiveDoc(doc)) {
    // Counted even when the caller swallows the raise: an object that
    // outlives its document is a fault of the order of clean-ups.
    if (doc) ++gClosedDocUses;
    ASRaise(genErrBadParm);
  }
  return doc;
}

ASInt32 ClosedDocUses() { return gClosedDocUses; }

CosDoc NewCosDoc(std::shared_ptr<QPDF> q) {
  CosDoc d = new _t_CosDocRec;
  d->magic = kCosDocMagic;
  d->q = std::move(q);
  d->slots.reserve(64);
  LiveDocs().insert(d);
  return d;
}

void DestroyCosDoc(CosDoc doc) {
  if (!IsLiveDoc(doc)) return;
  LiveDocs().erase(doc);
  doc->magic = 0;
  delete doc;
}

double NumberValue(QPDFObjectHandle h) {
  if (h.isInteger()) return (double)h.getIntValue();
  if (!h.isReal()) return 0.0;
  static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  std::string text = h.getRealValue();
  return c ? strtod_l(text.c_str(), nullptr, c) : std::strtod(text.c_str(), nullptr);
}

std::string KeyFor(ASAtom key) {
  std::string k = "/";
  k += ASAtomGetString(key);
  return k;
}

QPDFObjectHandle Handle(CosObj obj) {
  switch (KindOf(obj)) {
    case kNull: return QPDFObjectHandle::newNull();
    case kIndirect: {
      CosDoc doc = CheckDoc(obj.doc);
      QPDFObjectHandle h = doc->q->getObject(ObjGenOf(obj));
      BeforeUse(doc, h.getObjectPtr());
      return h;
    }
    case kInt: return QPDFObjectHandle::newInteger((ASInt32)(ASUns32)(obj.bits & 0xFFFFFFFFu));
    case kBool: return QPDFObjectHandle::newBool((obj.bits & 1) != 0);
    case kName: return QPDFObjectHandle::newName(KeyFor((ASAtom)(obj.bits & 0xFFFFFFFFu)));
    case kSlot: return SlotOf(obj).h;
    default: ASRaise(cosErrInvalidObj);
  }
}

CosObj FromHandle(CosDoc doc, QPDFObjectHandle h) {
  if (!h.isInitialized()) return Make(doc, kNull, 0);
  if (h.isIndirect()) {
    QPDFObjGen og = h.getObjGen();
    return Make(doc, kIndirect, ((ASUns64)(og.getGen() & 0xFFFF) << 32) | (ASUns32)og.getObj());
  }
  QPDFObjectHandle v = h;
  switch (v.getTypeCode()) {
    case ::ot_boolean: return Make(doc, kBool, v.getBoolValue() ? 1 : 0);
    case ::ot_integer: {
      long long i = v.getIntValue();
      if (i >= INT32_MIN && i <= INT32_MAX) return Make(doc, kInt, (ASUns32)(ASInt32)i);
      break;
    }
    case ::ot_name: return Make(doc, kName, ASAtomFromString(v.getName().c_str() + 1));
    case ::ot_real:
    case ::ot_string:
    case ::ot_array:
    case ::ot_dictionary:
    case ::ot_stream: break;
    default: return Make(doc, kNull, 0);
  }
  CheckDoc(doc);
  auto it = doc->slotOf.find(v.getObjectPtr());
  if (it != doc->slotOf.end()) {
    Slot& s = doc->slots[it->second];
    return Make(doc, kSlot, ((ASUns64)(s.serial & 0xFFFFFFu) << 32) | it->second);
  }
  return NewSlot(doc, v, false);
}

CosObj FromNewDirect(CosDoc doc, QPDFObjectHandle h) { return NewSlot(CheckDoc(doc), h, true); }

QPDFObjectHandle ValueForPut(CosDoc doc, CosObj value) {
  switch (KindOf(value)) {
    case kNull:
    case kInt:
    case kBool:
    case kName: return Handle(value);
    case kIndirect:
      if (value.doc != doc) ASRaise(cosErrDocMismatch);
      return Handle(value);
    case kSlot: {
      Slot& s = SlotOf(value);
      CosType t = TypeOfHandle(s.h);
      if (value.doc != doc) {
        if (t == CosString || t == CosReal || t == CosInteger) return s.h.shallowCopy();
        ASRaise(cosErrDocMismatch);
      }
      if (t != CosArray && t != CosDict) return s.h;
      if (s.loose) {
        s.loose = false;  // adopted by its first container
        return s.h;
      }
      return s.h.shallowCopy();
    }
    default: ASRaise(cosErrInvalidObj);
  }
}

void MarkDirty(CosDoc doc) {
  doc->dirty = true;
  if (doc->pdDoc) PDNoteChanged(doc->pdDoc);
}

void MarkTreeChanged(CosDoc doc) { ++doc->treeEpoch; }

void WriteBackKids(CosDoc doc) {
  auto edited = std::move(doc->editedKids);
  doc->editedKids.clear();
  doc->editedNodes.clear();
  for (auto& e : edited) {
    std::vector<QPDFObjectHandle> items;
    items.reserve(e.second.items.size());
    for (ASUns32 i : e.second.items) items.push_back(e.second.pool[i]);
    e.second.array.setArrayFromVector(items);
  }
}

std::string ReadStm(ASStm stm, ASInt64 limit) {
  std::string out;
  char buf[65536];
  while (limit < 0 || (ASInt64)out.size() < limit) {
    ASSize_t want = sizeof buf;
    if (limit >= 0) want = (ASSize_t)std::min<ASInt64>((ASInt64)want, limit - (ASInt64)out.size());
    ASSize_t got = ASStmRead(buf, 1, want, stm);
    out.append(buf, got);
    if (got < want) break;
  }
  return out;
}

}  // namespace hostpdf

using namespace hostpdf;

// ---- objects ------------------------------------------------------------

CosObj CosNewNull() { return CosObj{nullptr, 0}; }

namespace {

// A new object: indirect ones are numbered in the document; a direct
// container waits for its first parent.
CosObj NewObject(CosDoc doc, ASBool indirect, QPDFObjectHandle h) {
  return Guard([&] {
    CheckDoc(doc);
    if (indirect) {
      QPDFObjectHandle ind = doc->q->makeIndirectObject(h);
      MarkDirty(doc);
      return FromHandle(doc, ind);
    }
    return h.isArray() || h.isDictionary() ? FromNewDirect(doc, h) : FromHandle(doc, h);
  });
}

}  // namespace

CosObj CosNewInteger(CosDoc doc, ASBool indirect, ASInt32 value) {
  return NewObject(doc, indirect, QPDFObjectHandle::newInteger(value));
}

CosObj CosNewInteger64(CosDoc doc, ASBool indirect, ASInt64 value) {
  return NewObject(doc, indirect, QPDFObjectHandle::newInteger(value));
}

CosObj CosNewFixed(CosDoc doc, ASBool indirect, ASFixed value) {
  if ((value & 0xFFFF) == 0) return CosNewInteger(doc, indirect, value >> 16);
  return NewObject(doc, indirect, QPDFObjectHandle::newReal(ASFixedToFloat(value), 5, true));
}

CosObj CosNewReal(CosDoc doc, ASBool indirect, ASReal value) { return CosNewDouble(doc, indirect, (double)value); }

CosObj CosNewDouble(CosDoc doc, ASBool indirect, double value) {
  if (!std::isfinite(value)) ASRaise(genErrBadParm);
  // Enough places for single precision anywhere in the range PDF readers take.
  return NewObject(doc, indirect, QPDFObjectHandle::newReal(value, 6, true));
}

CosObj CosNewBoolean(CosDoc doc, ASBool indirect, ASBool value) {
  return NewObject(doc, indirect, QPDFObjectHandle::newBool(value != 0));
}

CosObj CosNewName(CosDoc doc, ASBool indirect, ASAtom name) {
  if (name == ASAtomNull) ASRaise(genErrBadParm);
  return NewObject(doc, indirect, QPDFObjectHandle::newName(KeyFor(name)));
}

CosObj CosNewNameFromString(CosDoc doc, ASBool indirect, const char* text) {
  if (!text) ASRaise(genErrBadParm);
  return CosNewName(doc, indirect, ASAtomFromString(text));
}

CosObj CosNewString(CosDoc doc, ASBool indirect, const char* bytes, ASSize_t length) {
  std::string s = bytes ? std::string(bytes, length) : std::string();
  return NewObject(doc, indirect, QPDFObjectHandle::newString(s));
}

CosObj CosNewDict(CosDoc doc, ASBool indirect, ASInt32) {
  return NewObject(doc, indirect, QPDFObjectHandle::newDictionary());
}

CosObj CosNewArray(CosDoc doc, ASBool indirect, ASInt32) {
  return NewObject(doc, indirect, QPDFObjectHandle::newArray());
}

CosObj CosNewStream(CosDoc doc, ASBool indirect, ASStm stm, ASInt32 start, ASBool encode, CosObj attributes,
                    CosObj encodeParms, ASInt32 length) {
  return CosNewStream64(doc, indirect, stm, start, encode, attributes, encodeParms, length);
}

CosObj CosNewStream64(CosDoc doc, ASBool, ASStm stm, ASInt64 start, ASBool encode, CosObj attributes,
                      CosObj encodeParms, ASInt64 length) {
  return Guard([&] {
    CheckDoc(doc);
    if (!stm) ASRaise(genErrBadParm);
    ASFaultCheck("CosNewStream");
    // The data, read now: the source may be a temporary file that goes away.
    std::string data;
    if (ASFile file = ASStmGetFile(stm)) {
      ASFilePos64 saved = ASFileGetPos64(file);
      if (start >= 0) ASFileSetPos64(file, start);
      ASInt64 want = length;
      if (want < 0) want = std::max<ASInt64>(0, ASFileGetEOF64(file) - ASFileGetPos64(file));
      data.resize((size_t)want);
      ASSize_t got = want ? ASFileRead(file, data.data(), (ASSize_t)want) : 0;
      data.resize(got);
      ASFileSetPos64(file, saved);
    } else {
      if (start > 0 && !ASStmSetPos(stm, start)) ReadStm(stm, start);  // skip what cannot be sought over
      else if (start == 0) ASStmSetPos(stm, 0);
      data = ReadStm(stm, length);
    }

    QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
    if (CosObjGetType(attributes) == CosDict) {
      QPDFObjectHandle a = Handle(attributes);
      for (auto& key : a.getKeys()) dict.replaceKey(key, ValueForPut(doc, FromHandle(attributes.doc, a.getKey(key))));
    }
    dict.removeKey("/Length");
    QPDFObjectHandle filter = dict.getKey("/Filter");
    QPDFObjectHandle parms = dict.getKey("/DecodeParms");
    if (encode) {
      data = EncodeBy(filter, std::move(data));
      if (CosObjGetType(encodeParms) == CosDict) parms = ValueForPut(doc, encodeParms);
    }
    QPDFObjectHandle s = doc->q->newStream();
    s.replaceDict(dict);
    s.replaceStreamData(data, filter.isNull() ? QPDFObjectHandle::newNull() : filter,
                        parms.isNull() ? QPDFObjectHandle::newNull() : parms);
    MarkDirty(doc);
    return FromHandle(doc, s);
  });
}

CosType CosObjGetType(CosObj obj) {
  switch (KindOf(obj)) {
    case kNull: return CosNull;
    case kInt: return CosInteger;
    case kBool: return CosBoolean;
    case kName: return CosName;
    default: return Guard([&] { return TypeOfHandle(Handle(obj)); });
  }
}

ASBool CosObjIsIndirect(CosObj obj) { return KindOf(obj) == kIndirect; }

ASInt32 CosObjGetID(CosObj obj) { return KindOf(obj) == kIndirect ? ObjGenOf(obj).getObj() : 0; }

ASInt32 CosObjGetGeneration(CosObj obj) { return KindOf(obj) == kIndirect ? ObjGenOf(obj).getGen() : 0; }

CosDoc CosObjGetDoc(CosObj obj) {
  if (obj.doc) CheckDoc(obj.doc);
  return obj.doc;
}

ASBool CosObjEqual(CosObj a, CosObj b) {
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == kIndirect || kb == kIndirect) return ka == kb && a.doc == b.doc && a.bits == b.bits;
  if (ka == kSlot && kb == kSlot && a.doc == b.doc && a.bits == b.bits) return 1;
  if (ka != kSlot && kb != kSlot) return ka == kb && a.bits == b.bits;
  return Guard([&]() -> ASBool {
    QPDFObjectHandle ha = Handle(a), hb = Handle(b);
    CosType ta = TypeOfHandle(ha), tb = TypeOfHandle(hb);
    if (ta != tb || !IsScalarType(ta)) return ha.getObjectPtr() == hb.getObjectPtr() && ta == tb && ta != CosNull;
    switch (ta) {
      case CosInteger: return ha.getIntValue() == hb.getIntValue();
      case CosReal: return Numeric(ha) == Numeric(hb);
      case CosString: return ha.getStringValue() == hb.getStringValue();
      case CosName: return ha.getName() == hb.getName();
      case CosBoolean: return ha.getBoolValue() == hb.getBoolValue();
      default: return 0;
    }
  });
}

ASUns32 CosObjHash(CosObj obj) {
  auto mix = [](ASUns64 x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return (ASUns32)x;
  };
  Kind k = KindOf(obj);
  if (k == kIndirect) return mix(obj.bits ^ (ASUns64)(uintptr_t)obj.doc);
  if (k != kSlot) return mix(obj.bits);
  return Guard([&]() -> ASUns32 {
    QPDFObjectHandle h = Handle(obj);
    switch (TypeOfHandle(h)) {
      case CosInteger: return mix(Tag(kInt) ^ (ASUns64)h.getIntValue());
      case CosReal: {
        double v = Numeric(h);
        ASUns64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        return mix(bits);
      }
      case CosString: return (ASUns32)std::hash<std::string>()(h.getStringValue());
      default: return mix((ASUns64)(uintptr_t)h.getObjectPtr());
    }
  });
}

void CosObjDestroy(CosObj obj) {
  Guard([&] {
    Kind k = KindOf(obj);
    if (k == kIndirect) {
      CosDoc doc = CheckDoc(obj.doc);
      // The object keeps its place in qpdf's table: the sets still name it.
      const QPDFObject* o = doc->q->getObject(ObjGenOf(obj)).getObjectPtr();
      BeforeUse(doc, o);
      bool inTree = doc->treeDicts.count(o) || doc->kidsArrays.count(o);
      doc->q->replaceObject(ObjGenOf(obj), QPDFObjectHandle::newNull());
      MarkDirty(doc);
      if (inTree) MarkTreeChanged(doc);
    } else if (k == kSlot) {
      CosDoc doc = CheckDoc(obj.doc);
      SlotOf(obj);
      ReleaseSlot(doc, SlotIndex(obj));
    }
  });
}

CosObj CosObjCopyDirect(CosObj obj) {
  if (KindOf(obj) != kSlot) return obj;
  return Guard([&] {
    QPDFObjectHandle h = Handle(obj);
    if (h.isArray() || h.isDictionary()) return FromNewDirect(obj.doc, h.shallowCopy());
    return obj;
  });
}

// ---- values ---------------------------------------------------------------

ASInt64 CosInteger64Value(CosObj obj) {
  if (KindOf(obj) == kInt) return (ASInt32)(ASUns32)(obj.bits & 0xFFFFFFFFu);
  return Guard([&]() -> ASInt64 {
    QPDFObjectHandle h = Handle(obj);
    if (h.isInteger()) return h.getIntValue();
    double v = Numeric(h);
    if (v >= 9.2e18) return INT64_MAX;
    if (v <= -9.2e18) return INT64_MIN;
    return (ASInt64)v;
  });
}

ASInt32 CosIntegerValue(CosObj obj) {
  ASInt64 v = CosInteger64Value(obj);
  return (ASInt32)std::clamp<ASInt64>(v, INT32_MIN, INT32_MAX);
}

double CosDoubleValue(CosObj obj) {
  if (KindOf(obj) == kInt) return (double)(ASInt32)(ASUns32)(obj.bits & 0xFFFFFFFFu);
  return Guard([&] { return Numeric(Handle(obj)); });
}

ASFixed CosFixedValue(CosObj obj) { return ASFloatToFixed(CosDoubleValue(obj)); }

ASReal CosFloatValue(CosObj obj) {
  double v = CosDoubleValue(obj);
  double m = std::numeric_limits<float>::max();
  return (ASReal)std::clamp(v, -m, m);
}

ASBool CosNumberIsWithinASFixedRange(CosObj obj) {
  double v = CosDoubleValue(obj);
  return v > -32768.0 && v < 32768.0;
}

ASBool CosBooleanValue(CosObj obj) {
  if (KindOf(obj) == kBool) return (obj.bits & 1) ? 1 : 0;
  return Guard([&]() -> ASBool {
    QPDFObjectHandle h = Handle(obj);
    if (!h.isBool()) ASRaise(cosErrBadType);
    return h.getBoolValue() ? 1 : 0;
  });
}

ASAtom CosNameValue(CosObj obj) {
  if (KindOf(obj) == kName) return (ASAtom)(obj.bits & 0xFFFFFFFFu);
  return Guard([&]() -> ASAtom {
    QPDFObjectHandle h = Handle(obj);
    if (!h.isName()) ASRaise(cosErrBadType);
    return ASAtomFromString(h.getName().c_str() + 1);
  });
}

const char* CosStringValue(CosObj obj, ASSize_t* length) {
  return Guard([&]() -> const char* {
    QPDFObjectHandle h = Handle(obj);
    if (!h.isString()) ASRaise(cosErrBadType);
    CosDoc doc = CheckDoc(obj.doc);
    auto& entry = doc->strings[h.getObjectPtr()];
    if (!entry.first.isInitialized()) entry = {h, h.getStringValue()};
    if (length) *length = entry.second.size();
    return entry.second.c_str();
  });
}

namespace {
char* CopyOut(const std::string& s, ASSize_t* length) {
  char* out = (char*)ASmalloc(s.size() + 1);
  if (!out) ASRaise(genErrNoMemory);
  std::memcpy(out, s.data(), s.size());
  out[s.size()] = 0;
  if (length) *length = s.size();
  return out;
}
}  // namespace

char* CosCopyStringValue(CosObj obj, ASSize_t* length) {
  return Guard([&] {
    QPDFObjectHandle h = Handle(obj);
    if (!h.isString()) ASRaise(cosErrBadType);
    return CopyOut(h.getStringValue(), length);
  });
}

char* CosCopyNameStringValue(CosObj obj, ASSize_t* length) {
  return CopyOut(ASAtomGetString(CosNameValue(obj)), length);
}

// ---- dictionaries -----------------------------------------------------------

CosObj CosDictGet(CosObj dict, ASAtom key) {
  return Guard([&] {
    QPDFObjectHandle d = DictOf(dict);
    std::string k = KeyFor(key);
    if (!d.hasKey(k)) return Make(dict.doc, kNull, 0);
    return FromHandle(dict.doc, d.getKey(k));
  });
}

CosObj CosDictGetKeyString(CosObj dict, const char* key) {
  if (!key) ASRaise(genErrBadParm);
  return CosDictGet(dict, ASAtomFromString(key));
}

void CosDictPut(CosObj dict, ASAtom key, CosObj value) {
  Guard([&] {
    CosDoc doc = DocForWrite(dict);
    if (key == ASAtomNull) ASRaise(genErrBadParm);
    QPDFObjectHandle d = DictOf(dict);
    QPDFObjectHandle v = ValueForPut(doc, value);
    if (v.isNull() && !v.isIndirect()) d.removeKey(KeyFor(key));
    else d.replaceKey(KeyFor(key), v);
    MarkDirty(doc);
    NoteDictWrite(doc, d, key);
  });
}

void CosDictPutKeyString(CosObj dict, const char* key, CosObj value) {
  if (!key) ASRaise(genErrBadParm);
  CosDictPut(dict, ASAtomFromString(key), value);
}

void CosDictRemove(CosObj dict, ASAtom key) {
  Guard([&] {
    CosDoc doc = DocForWrite(dict);
    QPDFObjectHandle d = DictOf(dict);
    std::string k = KeyFor(key);
    if (!d.hasKey(k)) return;
    d.removeKey(k);
    MarkDirty(doc);
    NoteDictWrite(doc, d, key);
  });
}

void CosDictRemoveKeyString(CosObj dict, const char* key) {
  if (!key) ASRaise(genErrBadParm);
  CosDictRemove(dict, ASAtomFromString(key));
}

ASBool CosDictKnown(CosObj dict, ASAtom key) {
  return Guard([&]() -> ASBool {
    QPDFObjectHandle d = DictOf(dict);
    std::string k = KeyFor(key);
    return d.hasKey(k) && !d.getKey(k).isNull();
  });
}

ASBool CosDictKnownKeyString(CosObj dict, const char* key) {
  if (!key) ASRaise(genErrBadParm);
  return CosDictKnown(dict, ASAtomFromString(key));
}

ASBool CosObjEnum(CosObj obj, CosObjEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  CosType t = CosObjGetType(obj);
  if (t == CosDict || t == CosStream) {
    std::set<std::string> keys = Guard([&] { return DictOf(obj).getKeys(); });
    for (const std::string& k : keys) {
      CosObj value = Guard([&] {
        QPDFObjectHandle d = DictOf(obj);  // again: the procedure may have changed it
        return d.hasKey(k) ? FromHandle(obj.doc, d.getKey(k)) : Make(obj.doc, kNull, 0);
      });
      if (KindOf(value) == kNull) continue;
      CosObj key = Make(obj.doc, kName, ASAtomFromString(k.c_str() + 1));
      if (!proc(key, value, clientData)) return 0;
    }
    return 1;
  }
  if (t == CosArray) {
    for (ASInt32 i = 0;; ++i) {
      bool more = false;
      CosObj item = Guard([&] {
        QPDFObjectHandle a = ArrayOf(obj);
        more = i < a.getArrayNItems();
        return more ? FromHandle(obj.doc, a.getArrayItem(i)) : Make(obj.doc, kNull, 0);
      });
      if (!more) return 1;
      if (!proc(item, Make(obj.doc, kNull, 0), clientData)) return 0;
    }
  }
  return 1;
}

// ---- arrays ---------------------------------------------------------------

ASInt32 CosArrayLength(CosObj array) {
  return Guard([&] { return (ASInt32)ArrayOf(array).getArrayNItems(); });
}

CosObj CosArrayGet(CosObj array, ASInt32 index) {
  return Guard([&] {
    QPDFObjectHandle a = ArrayOf(array);
    if (index < 0 || index >= a.getArrayNItems()) return Make(array.doc, kNull, 0);
    return FromHandle(array.doc, a.getArrayItem(index));
  });
}

void CosArrayPut(CosObj array, ASInt32 index, CosObj value) {
  Guard([&] {
    CosDoc doc = DocForWrite(array);
    if (index < 0) ASRaise(genErrBadParm);
    QPDFObjectHandle a = ArrayOf(array);
    QPDFObjectHandle v = ValueForPut(doc, value);
    while (a.getArrayNItems() < index) a.appendItem(QPDFObjectHandle::newNull());
    if (index == a.getArrayNItems()) a.appendItem(v);
    else a.setArrayItem(index, v);
    MarkDirty(doc);
    NoteArrayWrite(doc, a);
  });
}

void CosArrayInsert(CosObj array, ASInt32 index, CosObj value) {
  Guard([&] {
    CosDoc doc = DocForWrite(array);
    if (index < 0) ASRaise(genErrBadParm);
    QPDFObjectHandle a = ArrayOf(array);
    QPDFObjectHandle v = ValueForPut(doc, value);
    if (index >= a.getArrayNItems()) a.appendItem(v);
    else a.insertItem(index, v);
    MarkDirty(doc);
    NoteArrayWrite(doc, a);
  });
}

void CosArrayRemoveNth(CosObj array, ASInt32 index) {
  Guard([&] {
    CosDoc doc = DocForWrite(array);
    QPDFObjectHandle a = ArrayOf(array);
    if (index < 0 || index >= a.getArrayNItems()) return;
    a.eraseItem(index);
    MarkDirty(doc);
    NoteArrayWrite(doc, a);
  });
}

void CosArrayRemove(CosObj array, CosObj value) {
  ASInt32 n = CosArrayLength(array);
  for (ASInt32 i = 0; i < n; ++i) {
    if (CosObjEqual(CosArrayGet(array, i), value)) {
      CosArrayRemoveNth(array, i);
      return;
    }
  }
}

// ---- streams --------------------------------------------------------------

CosObj CosStreamDict(CosObj stream) {
  return Guard([&] { return FromHandle(stream.doc, StreamOf(stream).getDict()); });
}

ASInt64 CosStreamLength64(CosObj stream) {
  return Guard([&]() -> ASInt64 {
    QPDFObjectHandle s = StreamOf(stream);
    QPDFObjectHandle len = s.getDict().getKey("/Length");
    if (len.isInteger() && len.getIntValue() >= 0) return len.getIntValue();
    return (ASInt64)s.getRawStreamData()->getSize();
  });
}

ASInt32 CosStreamLength(CosObj stream) {
  return (ASInt32)std::min<ASInt64>(CosStreamLength64(stream), INT32_MAX);
}

ASStm CosStreamOpenStm(CosObj stream, CosStreamOpenMode mode) {
  return Guard([&] {
    QPDFObjectHandle s = StreamOf(stream);
    ASFaultCheck("CosStreamOpenStm");
    auto* b = new BufferStm;
    try {
      if (mode == cosOpenFiltered) {
        Pl_Buffer sink("decoded");
        bool attempted = false;
        bool ok = false;
        try {
          ok = s.pipeStreamData(&sink, &attempted, 0, qpdf_dl_all, true, false);
        } catch (const std::exception&) {
          ok = false;  // a filter that gave up: what came out before is kept
        }
        try {
          b->buffer = sink.getBufferSharedPointer();
        } catch (const std::logic_error&) {
          sink.finish();  // the filter stopped before finishing its output
          b->buffer = sink.getBufferSharedPointer();
        }
        // A damaged stream gives what could be decoded; nothing at all is an error.
        if (!ok && (!b->buffer || b->buffer->getSize() == 0)) ASRaise(cosErrDamagedStream);
        if (!ok && stream.doc->pdDoc) PDAddWarning(stream.doc->pdDoc, "a stream could be decoded only in part");
      } else {
        b->buffer = s.getRawStreamData();
      }
    } catch (...) {
      delete b;
      throw;
    }
    if (b->buffer) {
      b->data = b->buffer->getBuffer();
      b->size = b->buffer->getSize();
    }
    return OpenBufferStm(b);
  });
}

// ---- documents --------------------------------------------------------------

CosDoc CosDocCreate() {
  return Guard([] {
    auto q = std::make_shared<QPDF>();
    q->setSuppressWarnings(true);
    q->emptyPDF();
    return NewCosDoc(q);
  });
}

void CosDocClose(CosDoc doc) {
  if (!IsLiveDoc(doc)) ASRaise(genErrBadParm);
  if (doc->pdDoc) ASRaise(genErrBadParm);  // the PD document closes it
  DestroyCosDoc(doc);
}

CosObj CosDocGetRoot(CosDoc doc) {
  return Guard([&] {
    CheckDoc(doc);
    return FromHandle(doc, doc->q->getRoot());
  });
}

CosObj CosDocGetInfoDict(CosDoc doc) {
  return Guard([&] {
    CheckDoc(doc);
    QPDFObjectHandle info = doc->q->getTrailer().getKey("/Info");
    if (!info.isDictionary()) return Make(doc, kNull, 0);
    return FromHandle(doc, info);
  });
}

CosObj CosDocGetTrailer(CosDoc doc) {
  return Guard([&] {
    CheckDoc(doc);
    return FromHandle(doc, doc->q->getTrailer());
  });
}

CosObj CosDocGetObjByID(CosDoc doc, ASInt32 objNum, ASInt32 gen) {
  return Guard([&] {
    CheckDoc(doc);
    if (objNum <= 0) ASRaise(genErrBadParm);
    if (gen < 0) {
      for (auto& h : doc->q->getAllObjects())
        if (h.getObjectID() == objNum) return FromHandle(doc, h);
      return Make(doc, kNull, 0);
    }
    return FromHandle(doc, doc->q->getObject(objNum, gen));
  });
}

ASBool CosDocEnumIndirect(CosDoc doc, CosObjEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  std::vector<QPDFObjectHandle> all = Guard([&] { return CheckDoc(doc)->q->getAllObjects(); });
  for (auto& h : all) {
    if (!IsLiveDoc(doc)) return 0;
    if (!proc(FromHandle(doc, h), Make(doc, kNull, 0), clientData)) return 0;
  }
  return 1;
}

void CosDocSetDirty(CosDoc doc, ASBool dirty) { CheckDoc(doc)->dirty = dirty != 0; }

ASBool CosDocIsDirty(CosDoc doc) { return CheckDoc(doc)->dirty ? 1 : 0; }

ASInt32 CosDocSlotCount(CosDoc doc) {
  CheckDoc(doc);
  return (ASInt32)(doc->slots.size() - doc->freeSlots.size());
}

ASInt32 CosGetClosedDocUseCount() { return hostpdf::ClosedDocUses(); }
