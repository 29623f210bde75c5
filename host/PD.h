// PD: documents and pages of the host.
//
// A PDDoc holds one qpdf document with what qpdf does not keep: the file and
// path it came from, the needs-save and delete-on-close flags, the pages
// handed out, the warnings of a repaired file. Pages are found, inserted,
// moved and deleted by the host's own page-tree code: inherited attributes
// stay on the nodes that carry them, and a source document is never changed
// by copying pages out of it.
//
// Page numbers are 0-based. Failures raise host exceptions.
#pragma once

#include "host/ASProgress.h"
#include "host/ASTypes.h"
#include "host/Cos.h"

typedef struct _t_PDDocRec* PDDoc;
typedef struct _t_PDPageRec* PDPage;

// Document flags.
enum : ASInt32 {
  PDDocNeedsSave = 0x01,
  PDDocRequiresFullSave = 0x02,
  PDDocIsModified = 0x04,
  PDDocDeleteOnClose = 0x08,  // a temporary document: its file is removed on close
  PDDocWasRepaired = 0x10,
  PDDocNewMajorVersion = 0x20,
  PDDocNewMinorVersion = 0x40,
  PDDocOldVersion = 0x80,
  PDDocSuppressErrors = 0x100,
  PDDocIsEncrypted = 0x200
};

// Permission bits of a document for the current user.
typedef ASUns32 PDPerms;
enum : PDPerms {
  pdPermOpen = 0x01,
  pdPermSecure = 0x02,  // change the security settings
  pdPermPrint = 0x04,
  pdPermEdit = 0x08,
  pdPermCopy = 0x10,
  pdPermEditNotes = 0x20,
  pdPermSaveAs = 0x40,
  pdPermFillAndSign = 0x100,
  pdPermAccessible = 0x200,
  pdPermDocAssembly = 0x400,
  pdPermHighPrint = 0x800,
  pdPermAll = 0xFFF
};

// Positions for insertion.
constexpr ASInt32 PDBeforeFirstPage = -1;
constexpr ASInt32 PDLastPage = -2;
constexpr ASInt32 PDAllPages = -1;

// Insertion flags. PDInsertBookmarks brings the source's outline items whose
// destinations are among the inserted pages (with the items above them);
// PDInsertAll also the inserted pages' form fields (with the form's
// defaults), the optional-content groups they use (each shown or hidden as
// in the source) and the named destinations that show them. Threads are not
// copied by this host.
enum : ASUns16 { PDInsertBookmarks = 0x01, PDInsertThreads = 0x02, PDInsertAll = 0x1000 };

// Save flags.
enum : ASUns32 {
  PDSaveIncremental = 0x00,  // saved in full all the same: the host always rewrites
  PDSaveFull = 0x01,
  PDSaveCopy = 0x02,  // write the file, leave the document as it was
  PDSaveLinearized = 0x04,
  PDSaveCollectGarbage = 0x20
};

typedef ASInt32 PDRotate;

// ---- documents ------------------------------------------------------------

// Called when the document needs a password; it may call PDDocAuthorize and
// answer true to have the opening tried again.
typedef ASBool (*PDAuthProc)(PDDoc doc);
// Supplies a password for the document being opened (inside a PDAuthProc).
ASBool PDDocAuthorize(PDDoc doc, PDPerms permsWanted, const char* password);

// Opens through any registered file system. doRepair lets qpdf rebuild a
// broken cross-reference table; the repair's warnings are kept
// (PDDocGetWarning) and PDDocWasRepaired is set. Raises pdErrNeedPassword for
// an encrypted file without a password, pdErrBadDocument for one that cannot
// be read, and the file system's error when the file cannot be opened.
//
// A page the file holds but qpdf cannot read (it gives up on values nested
// past its limit and hands out null) makes the file damaged: the open fails
// with pdErrBadDocument's text and the reason (which page, how deep its
// values nest and how deep the reader goes), a code registered for that
// text. It fails at once rather than leaving the refusal to the first
// command: every road that opens a file (the host program's documents, a
// file whose pages are inserted, a background) then refuses it the same way
// before anything is written, and no command can work on the pages left and
// lose the one that did not read. Nulls the file itself holds in the page
// tree, and references to objects it lacks, are no lost pages: they are
// passed over as before.
PDDoc PDDocOpen(ASPathName path, ASFileSys fileSys, PDAuthProc authProc, ASBool doRepair);
PDDoc PDDocOpenWithPassword(ASPathName path, ASFileSys fileSys, const char* password, ASBool doRepair);
// The file stays the caller's: it must stay open until the document closes,
// and the caller closes it afterwards.
PDDoc PDDocOpenFromASFile(ASFile file, PDAuthProc authProc, ASBool doRepair);
// A new empty document (no file, no pages).
PDDoc PDDocCreate();
// Pages still acquired are released. A delete-on-close document's file is removed.
void PDDocClose(PDDoc doc);

// Saving rewrites the whole file. With a new path the document afterwards
// belongs to that file (unless PDSaveCopy); without one it is saved over its
// own file. The file is written beside the target and renamed over it, so a
// failed save leaves the old file whole.
void PDDocSave(PDDoc doc, ASUns32 saveFlags, ASPathName newPath, ASFileSys fileSys, ProgressMonitor monitor,
               void* monitorData);

// Object streams in the saved file.
enum : ASInt32 { PDSaveObjStmPreserve = 0, PDSaveObjStmGenerate = 1, PDSaveObjStmDisable = 2 };

struct PDDocSaveParamsRec {
  ASSize_t size;  // sizeof(PDDocSaveParamsRec)
  ASUns32 saveFlags;
  ASPathName newPath;
  ASFileSys fileSys;
  ProgressMonitor monitor;
  void* monitorData;
  ASInt32 objectStreams;  // PDSaveObjStm...
  ASBool deterministicID;  // document IDs computed from the content (tests)
};
typedef struct PDDocSaveParamsRec* PDDocSaveParams;
void PDDocSaveWithParams(PDDoc doc, PDDocSaveParams params);
// The default of deterministicID for PDDocSave (the host program's --static-id).
void PDSetDeterministicIDs(ASBool on);

CosDoc PDDocGetCosDoc(PDDoc doc);
ASInt32 PDDocGetNumPages(PDDoc doc);
ASInt32 PDDocGetFlags(PDDoc doc);
void PDDocSetFlags(PDDoc doc, ASInt32 flags);    // adds the flags
void PDDocClearFlags(PDDoc doc, ASInt32 flags);  // removes them
PDPerms PDDocGetPermissions(PDDoc doc);
// The version the document will be saved with.
void PDDocGetVersion(PDDoc doc, ASInt16* major, ASInt16* minor);
// The file the document was opened from or last saved to (null for a new
// document); owned by the document.
ASFile PDDocGetFile(PDDoc doc);
// That file's path name and file system, owned by the document (null when none).
ASPathName PDDocGetPathName(PDDoc doc);
ASFileSys PDDocGetFileSys(PDDoc doc);

// Document information entries as stored (PDF text strings). Copies at most
// size - 1 bytes and a NUL into buffer (which may be null) and returns the
// full length, 0 when the entry is missing.
ASInt32 PDDocGetInfo(PDDoc doc, const char* key, char* buffer, ASInt32 size);
// Stores length bytes as a string; a null value removes the entry.
void PDDocSetInfo(PDDoc doc, const char* key, const char* value, ASInt32 length);

// What qpdf said about a damaged file (repairs, skipped objects).
ASInt32 PDDocGetWarningCount(PDDoc doc);
const char* PDDocGetWarning(PDDoc doc, ASInt32 index);

// The open documents, oldest first. Returning false stops.
typedef ASBool (*PDDocEnumProc)(PDDoc doc, void* clientData);
ASBool PDEnumDocs(PDDocEnumProc proc, void* clientData);
ASInt32 PDGetOpenDocCount();

// ---- page tree --------------------------------------------------------------

// Acquired pages are counted; every acquire needs its release.
PDPage PDDocAcquirePage(PDDoc doc, ASInt32 pageNum);
void PDPageRelease(PDPage page);
ASInt32 PDDocGetAcquiredPageCount(PDDoc doc);
ASInt32 PDGetAcquiredPageCount();  // over every document (tests look for leaks)
// How often the host walked doc's page tree to list its pages (tests: only a
// write that may reshape the tree makes it walk again).
ASInt32 PDDocGetPageTreeWalks(PDDoc doc);

// A new page after afterPage (PDBeforeFirstPage: first) with the media box;
// it inherits whatever else its new parent nodes carry. Returned acquired.
PDPage PDDocCreatePage(PDDoc doc, ASInt32 afterPage, ASFixedRect mediaBox);
// Copies numPages pages (PDAllPages: to the end) of source from startPage
// into doc after insertAfter (PDBeforeFirstPage, PDLastPage or a page
// number). source may be doc itself. Each new page carries what its source
// page inherited, and nothing of its new parents that the source page did not
// have. Annotations come along, and with insertFlags the document data that
// belong to the pages (above); threads and structure do not.
// The monitor gets the page count as duration and each page as it is done;
// the cancel procedure, asked before each page, stops the insertion with
// genErrCancelled, leaving the pages done so far.
void PDDocInsertPages(PDDoc doc, ASInt32 insertAfter, PDDoc source, ASInt32 startPage, ASInt32 numPages,
                      ASUns16 insertFlags, ProgressMonitor monitor, void* monitorData, CancelProc cancelProc,
                      void* cancelData);
// Deletes firstPage..lastPage (inclusive; PDLastPage: the last page). Their
// form fields, named destinations, outline destinations and structure
// elements go with them (an outline item left with nothing to show goes too),
// and nothing of them is saved: before a save, every reference still left
// to a deleted page or its annotations is taken out (a link on another page
// loses its destination, a GoTo leaves its action chain, a bead its thread,
// an open action showing it goes, any other reference is cut), so the file
// holds no page object outside its page tree. A page put back into the tree
// is no longer deleted.
//
// Runs delete pages one at a time from very long documents: the deletion
// itself only takes the pages out of the tree and records them; the pruning
// is done once for all the pages deleted since it last was, when the
// document is next saved or has pages copied into or out of it. Until then
// the document's own outline, names, fields and structure still name the
// deleted pages. A structure tree checked sound is walked again only after
// a Cos write into it.
void PDDocDeletePages(PDDoc doc, ASInt32 firstPage, ASInt32 lastPage, ProgressMonitor monitor, void* monitorData);
// Moves the page so that it follows moveAfter (PDBeforeFirstPage: first);
// its boxes, rotation and resources stay as they showed.
void PDDocMovePage(PDDoc doc, ASInt32 moveAfter, ASInt32 pageNum);

// ---- pages ------------------------------------------------------------------

CosObj PDPageGetCosObj(PDPage page);
PDDoc PDPageGetDoc(PDPage page);
// The page's current number, -1 when it was deleted.
ASInt32 PDPageGetNumber(PDPage page);
// The resources in force for the page (its own or inherited), or null.
CosObj PDPageGetCosResources(PDPage page);

// Boxes are normalised (left <= right, bottom <= top). The media box is
// inherited (letter size when missing); the crop box is inherited and falls
// back to the media box.
void PDPageGetMediaBox(PDPage page, ASFixedRect* box);
void PDPageSetMediaBox(PDPage page, ASFixedRect box);
void PDPageGetCropBox(PDPage page, ASFixedRect* box);
void PDPageSetCropBox(PDPage page, ASFixedRect box);
// Any box by name. True when the page has it (MediaBox and CropBox also by
// inheritance); otherwise false and box gets the box's default (the crop box
// for the others, the media box for CropBox).
ASBool PDPageGetBox(PDPage page, ASAtom boxName, ASFixedRect* box);
// Writes the box into the page's own dictionary.
void PDPageSetBox(PDPage page, ASAtom boxName, ASFixedRect box);

// The rotation in force (inherited), 0, 90, 180 or 270.
PDRotate PDPageGetRotate(PDPage page);
// A multiple of 90, else genErrBadParm.
void PDPageSetRotate(PDPage page, PDRotate rotate);

// The matrix from the page's user space to its display space: y up, the
// rotated crop box at [0, width] x [0, height]. It is what content needs to
// draw the page upright at its origin.
void PDPageGetDefaultMatrix(PDPage page, ASFixedMatrix* matrix);

// The page's Contents value (a stream, an array of streams, or null).
CosObj PDPageGetCosContents(PDPage page);
// Replaces the page's Contents with a stream or an array of streams.
void PDPageAddCosContents(PDPage page, CosObj contents);
void PDPageRemoveCosContents(PDPage page);
// Tell the host (and the notification's listeners) that the contents changed.
void PDPageNotifyContentsDidChange(PDPage page);
void PDPageNotifyContentsDidChangeEx(PDPage page, ASBool invalidateViews);

// Draws a content stream (or form) into a window with the matrix. The host
// has no screen: the content is decoded (a damaged stream raises) and the
// drawing is counted, so that callers' roads can be followed. window and
// displayContext are the caller's platform things; the update rectangle and
// cancel procedure may be null.
void PDDrawCosObjToWindow(CosObj cosObj, void* window, void* displayContext, ASBool flags, ASFixedMatrix* matrix,
                          ASFixedRect* updateRect, CancelProc cancelProc, void* cancelData);
// Drawings made so far, and the matrix of the last one (tests).
ASInt32 PDGetDrawCount(ASFixedMatrix* lastMatrix);

// ---- XMP metadata ---------------------------------------------------------

// The document's XMP packet as text (an empty packet when the document has
// none). The caller destroys the text.
ASText PDDocGetXAPMetadata(PDDoc doc);
// Replaces the packet; raises xmpErrBadPacket when it is not well-formed XML.
void PDDocSetXAPMetadata(PDDoc doc, ASText packet);
// One property by namespace URI and path ("Name", "prefix:Name", or an
// array item "Name[1]"); null when the document does not have it.
ASText PDDocGetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText path);
// Sets (or with a null or empty value removes) one simple property, declaring
// the namespace with the prefix when the packet does not have it.
void PDDocSetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText prefix, ASText path, ASText value);

// ---- name trees -------------------------------------------------------------

struct PDNameTree {
  CosObj root;
};

// The document's tree of that name (catalog Names), made when missing.
PDNameTree PDDocCreateNameTree(PDDoc doc, ASAtom name);
// The document's tree of that name, or an invalid tree.
PDNameTree PDDocGetNameTree(PDDoc doc, ASAtom name);
PDNameTree PDNameTreeFromCosObj(CosObj root);
CosObj PDNameTreeGetCosObj(PDNameTree tree);
ASBool PDNameTreeIsValid(PDNameTree tree);
// Keys are strings compared byte by byte, a prefix first. Putting an existing
// key replaces its value.
void PDNameTreePut(PDNameTree tree, CosObj key, CosObj value);
CosObj PDNameTreeGet(PDNameTree tree, const char* key, ASInt32 keyLength);
ASBool PDNameTreeRemove(PDNameTree tree, const char* key, ASInt32 keyLength);
// Every pair in key order; the procedure gets the key string and the value.
ASBool PDNameTreeEnum(PDNameTree tree, CosObjEnumProc proc, void* clientData);
