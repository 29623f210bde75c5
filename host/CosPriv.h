// Host-internal: the records behind CosDoc and the helpers the PD layer shares
// with the Cos layer. Nothing outside host/ includes this.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/ASExcept.h"
#include "host/Cos.h"

typedef struct _t_PDDocRec* PDDoc;

namespace hostpdf {

// A direct object handed out by handle.
struct Slot {
  QPDFObjectHandle h;
  ASUns32 serial = 0;  // changes when the slot is given back, so old handles are caught
  bool inUse = false;
  bool loose = false;  // made by a Cos call and not yet put into a container
};

struct QPDFObjHash {
  size_t operator()(const QPDFObjGen& g) const noexcept {
    return std::hash<long long>()(((long long)g.getObj() << 16) ^ g.getGen());
  }
};

}  // namespace hostpdf

struct _t_CosDocRec {
  ASUns32 magic;
  std::shared_ptr<QPDF> q;
  PDDoc pdDoc = nullptr;
  bool dirty = false;
  // Bumped whenever a write may have changed the page tree behind the PD
  // layer's back; the PD layer rebuilds its page list when it changes.
  ASUns64 treeEpoch = 0;
  // The Kids arrays of the page tree as last walked: writes into them reshape it.
  std::unordered_set<const QPDFObject*> kidsArrays;
  // The dictionaries the walk read (trailer, catalog, nodes, pages): only a
  // change of a key the walk reads, in one of these, reshapes the tree.
  std::unordered_set<const QPDFObject*> treeDicts;
  // Kids arrays the page operations are editing, by array: qpdf takes time in
  // the array's length for every item inserted or erased, so the items are
  // edited here and written back at once when anything reads the array or
  // its node, walks the tree or saves.
  struct EditedKids {
    QPDFObjectHandle array;
    const QPDFObject* node;
    // The items, as indexes into pool: a handle cannot be moved, only copied
    // (two atomic counts), and every insert or erase shifts the items behind.
    std::vector<QPDFObjectHandle> pool;
    std::vector<ASUns32> items;
  };
  std::unordered_map<const QPDFObject*, EditedKids> editedKids;
  // The containers of the structure tree as last checked sound (with the
  // catalog), and whether it still is: a write into one of them may change it.
  std::unordered_set<const QPDFObject*> structObjs;
  const QPDFObject* structRoot = nullptr;
  bool structSound = false;
  std::unordered_set<const QPDFObject*> editedNodes;  // the nodes that hold them

  std::vector<hostpdf::Slot> slots;
  std::vector<ASUns32> freeSlots;
  std::unordered_map<const QPDFObject*, ASUns32> slotOf;
  // String bytes handed out by CosStringValue, kept while the document lives.
  std::unordered_map<const QPDFObject*, std::pair<QPDFObjectHandle, std::string>> strings;
  // Documents whose objects were copied here; their data are read lazily when
  // this document is written, so they live as long as this one.
  std::vector<std::shared_ptr<QPDF>> sources;
};

namespace hostpdf {

constexpr ASUns32 kCosDocMagic = 0x434F5344;  // "COSD"

// Raises genErrBadParm unless doc is a live document.
CosDoc CheckDoc(CosDoc doc);
// How often CheckDoc refused a document that is no longer open.
ASInt32 ClosedDocUses();
bool IsLiveDoc(CosDoc doc);
CosDoc NewCosDoc(std::shared_ptr<QPDF> q);
void DestroyCosDoc(CosDoc doc);

// The qpdf handle behind an object; stale or foreign handles raise.
QPDFObjectHandle Handle(CosObj obj);
// The handle for a value read out of a container or made by qpdf.
CosObj FromHandle(CosDoc doc, QPDFObjectHandle h);
// A handle for a direct object made by a Cos call: adopted by its first container.
CosObj FromNewDirect(CosDoc doc, QPDFObjectHandle h);
// The handle to store in a container of doc: a copy when the value is a
// direct container that already lives in one.
QPDFObjectHandle ValueForPut(CosDoc doc, CosObj value);

void MarkDirty(CosDoc doc);
// Writes the Kids arrays being edited back into their arrays.
void WriteBackKids(CosDoc doc);
// A write that changed the page tree.
void MarkTreeChanged(CosDoc doc);

// "/Name" for an atom.
std::string KeyFor(ASAtom key);

// The value of an integer or real object. qpdf keeps a real as its text and
// reads it with the process locale, which under a comma-decimal locale stops
// at the point ("200.5" gives 200): the text is read here in the C locale.
// Unreadable texts give 0; huge ones infinity, for the caller to judge.
double NumberValue(QPDFObjectHandle h);

// Runs work and turns anything it throws into a host exception.
template <class F>
auto Guard(F&& work) -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    ASRaise(ASExceptionCodeFromCurrent());
  }
}

// Reads a whole host stream (from its current position).
std::string ReadStm(ASStm stm, ASInt64 limit = -1);

}  // namespace hostpdf
