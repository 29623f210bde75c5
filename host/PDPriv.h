// Host-internal: the records behind PDDoc and PDPage.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/CosPriv.h"
#include "host/PD.h"

namespace hostpdf {
class ASFileInputSource;
class ForeignCopier;
class ForeignData;

// What was copied from one source document: source object -> copy.
struct DocDataState;
struct CopyState {
  std::unordered_map<QPDFObjGen, QPDFObjectHandle, QPDFObjHash> map;
  // What of the source's document data came along so far (PDDocData.cpp).
  std::shared_ptr<DocDataState> data;
};
}

struct _t_PDDocRec {
  ASUns32 magic;
  CosDoc cos = nullptr;
  // The input qpdf reads from (null for a document made empty).
  std::shared_ptr<hostpdf::ASFileInputSource> input;
  // The file the document belongs to, and whether this record must close it.
  ASFile file = nullptr;
  bool ownsFile = false;
  // The file the input reads from when it is not `file` (after a save to a
  // new path the input keeps reading the old one); closed on close.
  ASFile inputFile = nullptr;
  bool ownsInputFile = false;
  ASPathName path = nullptr;  // owned copy
  ASFileSys fileSys = nullptr;
  ASInt32 flags = 0;
  std::string password;  // given by PDDocAuthorize while opening
  std::vector<std::string> warnings;
  // The lowest PDF version the document must be saved with (sources of pages).
  int minMajor = 1, minMinor = 0;

  // The page list as last walked, with the node that holds each page.
  bool pagesValid = false;
  ASUns64 pagesEpoch = 0;
  ASInt32 walks = 0;  // how often the tree was walked
  std::vector<QPDFObjGen> pages;
  // The node that holds each page, by its object in `nodes`: the lists are
  // shifted by every page move, and plain pointers shift fast.
  std::vector<const QPDFObject*> parents;
  std::unordered_map<const QPDFObject*, QPDFObjectHandle> nodes;
  // Each page's index in its parent's Kids, kept by the page operations so
  // that they need not search Kids; -1 when not known.
  std::vector<ASInt32> kidAt;
  bool indexValid = false;
  std::unordered_map<QPDFObjGen, ASInt32, hostpdf::QPDFObjHash> pageIndex;
  std::unordered_set<QPDFObjGen, hostpdf::QPDFObjHash> innerNodes;  // of the tree as last walked
  // The parent-kid links the walk took, in order, and whether it had to pass
  // over anything (junk kids, circles, wrong Parent links).
  std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> edges;
  bool treeDamaged = false;
  // Indirect kids (and a page-tree root) the walk found null, with the pages
  // walked before each: a page qpdf could not parse reads as null. Whether
  // the file really holds an object there is for the open to find out.
  std::vector<std::pair<QPDFObjGen, ASInt32>> nullKids;
  // The first node the walk found nested deeper than kMaxPageTreeDepth, and
  // the pages walked before it: its pages would be lost, so the open refuses
  // the file.
  QPDFObjGen tooDeep;
  ASInt32 pagesBeforeTooDeep = 0;
  ASInt32 treeDepth = 0;  // the deepest level of nodes the walk went down to
  std::unordered_map<QPDFObjGen, PDPage, hostpdf::QPDFObjHash> acquired;
  // Page objects deletions took out of the tree (PDDropped.cpp). What
  // belonged to them alone (fields, outline destinations, named
  // destinations, structure) is pruned once, lazily, for every page deleted
  // since (`unpruned`); everything else that still points at them is severed
  // before a save. A page put back into the tree is no longer dropped.
  std::unordered_set<QPDFObjGen, hostpdf::QPDFObjHash> dropped;
  std::vector<QPDFObjGen> unpruned;
  // Page objects this document got by copying pages of other documents: a
  // second copy of the same source page must be a new object.
  std::unordered_set<QPDFObjGen, hostpdf::QPDFObjHash> copiedPages;
  // Objects copied from other documents, by the source's qpdf id, and the
  // provider that reads copied streams' data from their sources when saving.
  std::unordered_map<unsigned long long, hostpdf::CopyState> copied;
  std::shared_ptr<hostpdf::ForeignData> foreignData;
};

struct _t_PDPageRec {
  ASUns32 magic;
  PDDoc doc;
  QPDFObjGen og;
  ASInt32 refs;
};

// Called by the Cos layer on every write to the document.
void PDNoteChanged(PDDoc doc);
void PDAddWarning(PDDoc doc, const std::string& text);

namespace hostpdf {

constexpr ASUns32 kPDDocMagic = 0x50444443;   // "PDDC"
constexpr ASUns32 kPDPageMagic = 0x50445047;  // "PDPG"

PDDoc CheckPDDoc(PDDoc doc);
// A header's version ("1.7") as major and minor; junk reads as 1.0, and
// anything past 2.0 as 2.0.
void ParseVersion(const std::string& version, int* major, int* minor);
PDPage CheckPage(PDPage page);
QPDF& QOf(PDDoc doc);
QPDFObjectHandle PageHandle(PDPage page);

// Page tree. Its nodes may nest this deep (each level its own object; the
// walks up and down are iterative): deeper is damage, refused at open.
constexpr int kMaxPageTreeDepth = 100000;
void EnsurePages(PDDoc doc);
void ReleaseAllPages(PDDoc doc);
// The first non-null value of key on the node or its ancestors, or null.
QPDFObjectHandle FindInherited(QPDFObjectHandle node, const char* key);
// A rectangle array; false when the object is not one.
bool ReadRect(QPDFObjectHandle obj, ASFixedRect* rect);
QPDFObjectHandle MakeRectArray(const ASFixedRect& rect);
void EnsureIndex(PDDoc doc);
// Raises when the page tree names an object the file holds but qpdf could
// not read (PDReadable.cpp): a page lost that way makes the file damaged.
void CheckPagesReadable(PDDoc doc);
// The bytes of the document's file, read from offset on (at most max).
std::string ReadInputBytes(PDDoc doc, long long offset, size_t max);
// Rebuilds a damaged page tree from what the walk accepted, so that what is
// saved is a sound tree with the same pages.
void RepairTree(PDDoc doc);
// Gives every node of the tree the /Count of the pages it holds, as walked:
// a stored count may be wrong, and is never added to.
void WriteTreeCounts(PDDoc doc);

// Structure tree and page deletion (PDStructure.cpp): the check raises
// pdsErrBadStructure for a tree the host cannot walk; the pruning cuts what
// belonged only to the deleted pages out of the tree.
// A tree found sound is not walked again until a write into it (the Cos
// layer tells) or a new root.
void CheckStructureForDeletion(PDDoc doc);
void PruneStructureOfPages(PDDoc doc, const std::vector<QPDFObjGen>& pages);

// Dropped pages (PDDropped.cpp). Settling prunes the document data and the
// structure of the pages deleted since the last settling that are still out
// of the tree: before pages are copied out of or into the document, and
// before a save. Severing (before a save, after settling) takes out of the
// document every reference left to a dropped page or to its annotations:
// links' destinations and GoTo actions (in /Next chains too), the open
// action, article beads, annotations' /P, and at last any reference at all.
void SettleDeletedPages(PDDoc doc);
void SeverDroppedPages(PDDoc doc);
// Every page of source going into doc, which has none: whether source's
// structure tree can come along (it has one the host can walk, doc has
// none), and bringing it, with the mark information, once the pages are in.
bool StructureCanCome(PDDoc doc, PDDoc source);
void CarryStructure(PDDoc doc, PDDoc source, ForeignCopier& copier);
// The same for a portfolio (PDDocData.cpp): its collection, and the files
// it presents (the embedded files doc lacks).
void CarryCollection(PDDoc doc, PDDoc source, ForeignCopier& copier);

// Every pair of a name tree, leaves in order, the walk bounded and never
// round a circle; false from visit stops it.
void ForEachNameTreePair(QPDFObjectHandle root, const std::function<bool(QPDFObjectHandle, QPDFObjectHandle)>& visit);
// Removes the pairs goes answers true for, in one walk; true when any went.
bool RemoveNameTreePairs(QPDFObjectHandle root, const std::function<bool(QPDFObjectHandle, QPDFObjectHandle)>& goes);

// Document data that belongs to pages (PDDocData.cpp). Carrying brings along
// what of the source's form fields, optional-content groups, outline items
// (with PDInsertBookmarks) and named destinations belongs to the pages just
// copied (from[i] became copies[i]); pruning takes away what belonged only to
// deleted pages.
void CarryDocumentData(PDDoc doc, PDDoc source, ForeignCopier& copier, const std::vector<QPDFObjectHandle>& from,
                       const std::vector<QPDFObjectHandle>& copies, ASUns16 flags);
void PruneDocumentDataOfPages(PDDoc doc, const std::vector<QPDFObjGen>& pages);

// Copies objects of a source document into doc, each object once for the
// pair of documents: what refers to it again gets the same copy. Pages of the
// source are copied only when reserved; other references to them, to page
// objects outside the source's tree (pages it deleted) and to its page-tree
// nodes, become null. Stream data are not read now: the
// copies read them from the source when doc is saved.
class ForeignCopier {
 public:
  ForeignCopier(PDDoc doc, PDDoc source);
  // A placeholder for a source page, so that links between copied pages hold.
  QPDFObjectHandle ReservePage(QPDFObjectHandle page);
  // Copies a reserved page (and what it refers to) into its placeholder.
  QPDFObjectHandle FillPage(QPDFObjectHandle page);
  // The copy of a value: an indirect object's copy, or a direct value rebuilt.
  QPDFObjectHandle Value(QPDFObjectHandle foreign);
  // The copy made earlier of a source object, or an uninitialised handle.
  QPDFObjectHandle Earlier(QPDFObjectHandle foreign);
  // Copies what Value and FillPage left to do.
  void Drain();
  // Placeholders of pages never filled become null objects.
  void Abandon();
  CopyState& State() { return state_; }
  PDDoc Source() const { return source_; }

 private:
  QPDFObjectHandle Ref(QPDFObjectHandle foreign);
  QPDFObjectHandle Direct(QPDFObjectHandle foreign);
  PDDoc doc_;
  PDDoc source_;
  CopyState& state_;
  std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> work_;
  std::unordered_map<QPDFObjGen, std::pair<QPDFObjectHandle, QPDFObjectHandle>, QPDFObjHash> pending_;
};

}  // namespace hostpdf
