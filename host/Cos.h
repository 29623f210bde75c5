// Cos: the PDF object layer of the host.
//
// A CosObj is a small value handle: the owning document and 64 bits that name
// the object. Indirect objects are named by object number and generation;
// null, booleans, 32-bit integers and names live in the handle itself; every
// other direct object (reals, strings, big integers, direct dictionaries and
// arrays) is named by a slot of its document that holds the object until the
// document closes (or CosObjDestroy releases the slot). Handles are plain
// data: records may copy and store them freely.
//
// Direct dictionaries and arrays keep value semantics: a new one is adopted by
// the first container it is put into; putting a direct container that already
// lives in a container (because it was put before or was read out of one)
// puts a copy, so one direct object never has two parents.
//
// Every failure, whether from qpdf or from the checks here, is raised as a
// host exception; no foreign exception leaves these calls.
#pragma once

#include "host/ASAtom.h"
#include "host/ASTypes.h"

typedef struct _t_CosDocRec* CosDoc;

struct CosObj {
  CosDoc doc;
  ASUns64 bits;
};

// Types, numbered as callers switch on them.
typedef ASInt32 CosType;
enum : CosType {
  CosNull = 0,
  CosInteger = 1,
  CosFixed = 2,
  CosReal = 2,
  CosBoolean = 3,
  CosName = 4,
  CosString = 5,
  CosDict = 6,
  CosArray = 7,
  CosStream = 8
};

// Stream open modes.
typedef ASInt32 CosStreamOpenMode;
enum : CosStreamOpenMode {
  cosOpenRaw = 0,         // the stored bytes (decrypted), still encoded
  cosOpenUnfiltered = 1,  // the same: the bytes as the filters expect them
  cosOpenFiltered = 2     // decoded through every lossless filter
};

// Start offset meaning "from the stream's current position", and length
// meaning "to the end of the stream", for CosNewStream.
constexpr ASInt32 cosNewStreamCurrentPos = -1;
constexpr ASInt32 cosNewStreamToEnd = -1;

// ---- objects ------------------------------------------------------------

CosObj CosNewNull();
CosObj CosNewInteger(CosDoc doc, ASBool indirect, ASInt32 value);
CosObj CosNewInteger64(CosDoc doc, ASBool indirect, ASInt64 value);
CosObj CosNewFixed(CosDoc doc, ASBool indirect, ASFixed value);
CosObj CosNewReal(CosDoc doc, ASBool indirect, ASReal value);
CosObj CosNewDouble(CosDoc doc, ASBool indirect, double value);
CosObj CosNewBoolean(CosDoc doc, ASBool indirect, ASBool value);
CosObj CosNewName(CosDoc doc, ASBool indirect, ASAtom name);
// A name from its text (without the slash).
CosObj CosNewNameFromString(CosDoc doc, ASBool indirect, const char* text);
// The bytes are copied; they may contain NULs.
CosObj CosNewString(CosDoc doc, ASBool indirect, const char* bytes, ASSize_t length);
// The sizes are hints.
CosObj CosNewDict(CosDoc doc, ASBool indirect, ASInt32 entries);
CosObj CosNewArray(CosDoc doc, ASBool indirect, ASInt32 elements);

// A new stream (always indirect in the file; `indirect` is accepted for the
// callers' sake) whose data are read from stm now: from start (or the
// stream's current position when start is -1) for length bytes (or to the
// end when length is -1). A start is honoured on file and memory streams.
// With encode set the bytes are plain and are encoded at once by the filters
// that attributes name (FlateDecode; no filter stores them as they are);
// without it they are already encoded as attributes' "Filter" says.
// attributes (a dictionary or null) is copied into the stream's dictionary;
// its "Length" is the host's business. encodeParms (null or a dictionary)
// becomes "DecodeParms" when encoding.
CosObj CosNewStream(CosDoc doc, ASBool indirect, ASStm stm, ASInt32 start, ASBool encode, CosObj attributes,
                    CosObj encodeParms, ASInt32 length);
CosObj CosNewStream64(CosDoc doc, ASBool indirect, ASStm stm, ASInt64 start, ASBool encode, CosObj attributes,
                      CosObj encodeParms, ASInt64 length);

CosType CosObjGetType(CosObj obj);
ASBool CosObjIsIndirect(CosObj obj);
// 0 for direct objects.
ASInt32 CosObjGetID(CosObj obj);
ASInt32 CosObjGetGeneration(CosObj obj);
// The document the object belongs to (null for the null object made by
// CosNewNull).
CosDoc CosObjGetDoc(CosObj obj);
// Indirect: same document and object number. Direct: same type and value for
// numbers, booleans, names and strings; the same object for containers.
ASBool CosObjEqual(CosObj a, CosObj b);
// Follows CosObjEqual: equal objects hash alike.
ASUns32 CosObjHash(CosObj obj);
// An indirect object is removed from its document (references to it read as
// null); a direct one gives its slot back.
void CosObjDestroy(CosObj obj);
// A direct copy of a direct object (containers copied as deep as they are
// direct); an indirect object is returned as it is.
CosObj CosObjCopyDirect(CosObj obj);

// ---- values ---------------------------------------------------------------

// Numbers: integers and reals both answer; other types raise cosErrBadType.
ASInt32 CosIntegerValue(CosObj obj);  // reals truncated toward zero, saturated
ASInt64 CosInteger64Value(CosObj obj);
ASFixed CosFixedValue(CosObj obj);  // saturated
ASReal CosFloatValue(CosObj obj);
double CosDoubleValue(CosObj obj);
ASBool CosNumberIsWithinASFixedRange(CosObj obj);
ASBool CosBooleanValue(CosObj obj);
ASAtom CosNameValue(CosObj obj);
// The string's bytes, valid while the document is open; *length gets the count.
const char* CosStringValue(CosObj obj, ASSize_t* length);
// Copies from ASmalloc with a NUL after the bytes, freed by the caller;
// *length (may be null) gets the count without the NUL.
char* CosCopyStringValue(CosObj obj, ASSize_t* length);
char* CosCopyNameStringValue(CosObj obj, ASSize_t* length);

// ---- dictionaries (a stream answers with its dictionary) -------------------

// A missing key reads as null.
CosObj CosDictGet(CosObj dict, ASAtom key);
CosObj CosDictGetKeyString(CosObj dict, const char* key);
// Putting null removes the key.
void CosDictPut(CosObj dict, ASAtom key, CosObj value);
void CosDictPutKeyString(CosObj dict, const char* key, CosObj value);
void CosDictRemove(CosObj dict, ASAtom key);
void CosDictRemoveKeyString(CosObj dict, const char* key);
ASBool CosDictKnown(CosObj dict, ASAtom key);
ASBool CosDictKnownKeyString(CosObj dict, const char* key);

// Enumeration: for a dictionary (or a stream's dictionary) the procedure gets
// each key as a name object and its value; for an array each element and a
// null. Returning false stops; the result is false when stopped. Keys come in
// qpdf's order; the procedure may change the object it enumerates.
typedef ASBool (*CosObjEnumProc)(CosObj obj, CosObj value, void* clientData);
ASBool CosObjEnum(CosObj obj, CosObjEnumProc proc, void* clientData);

// ---- arrays ---------------------------------------------------------------

ASInt32 CosArrayLength(CosObj array);
// Out of range reads as null.
CosObj CosArrayGet(CosObj array, ASInt32 index);
// Past the end the array grows, filled with nulls.
void CosArrayPut(CosObj array, ASInt32 index, CosObj value);
// Past the end appends.
void CosArrayInsert(CosObj array, ASInt32 index, CosObj value);
// Removes the first element equal to value (CosObjEqual); nothing when none.
void CosArrayRemove(CosObj array, CosObj value);
void CosArrayRemoveNth(CosObj array, ASInt32 index);

// ---- streams --------------------------------------------------------------

CosObj CosStreamDict(CosObj stream);
// The length of the stored (encoded) data.
ASInt32 CosStreamLength(CosObj stream);
ASInt64 CosStreamLength64(CosObj stream);
// A read stream over the data, closed by the caller with ASStmClose.
ASStm CosStreamOpenStm(CosObj stream, CosStreamOpenMode mode);

// ---- documents --------------------------------------------------------------

// A document of its own (no PD document): an empty catalog and page tree.
CosDoc CosDocCreate();
// Only for documents made by CosDocCreate; a PD document's belongs to it.
void CosDocClose(CosDoc doc);
CosObj CosDocGetRoot(CosDoc doc);
// The document information dictionary, or null when there is none.
CosObj CosDocGetInfoDict(CosDoc doc);
CosObj CosDocGetTrailer(CosDoc doc);
// The indirect object of that number (its generation as stored when gen is -1).
CosObj CosDocGetObjByID(CosDoc doc, ASInt32 objNum, ASInt32 gen);
// Every indirect object of the document, in object-number order; the
// procedure gets the object and a null. Returning false stops.
ASBool CosDocEnumIndirect(CosDoc doc, CosObjEnumProc proc, void* clientData);
// Every write through these calls sets the dirty flag (and the PD document's
// needs-save flag).
void CosDocSetDirty(CosDoc doc, ASBool dirty);
ASBool CosDocIsDirty(CosDoc doc);
// Slots in use (tests look at it).
ASInt32 CosDocSlotCount(CosDoc doc);
// Uses so far of an object or document whose document is no longer open,
// each refused with genErrBadParm (tests look at it).
ASInt32 CosGetClosedDocUseCount();

// ---- the inline-image scan ---------------------------------------------------

// Called while scanning; answering false stops the scan (genErrCancelled).
typedef ASBool (*CosInlineImageProc)(void* clientData);

// Reads the bytes that follow an inline image's BI from stm and returns how
// many of them make up the image: its dictionary, ID, the data and EI (EI
// included). The image's dictionary is stored in *image (a direct dictionary
// of doc, may be null), to be given back with CosObjDestroy. resources names
// colour spaces by name. When the bytes end before the image does the scan
// raises cosErrInlineNeedMore; a dictionary that runs past 64 KiB raises
// cosErrInlineTooLong.
ASInt32 CosParseInlineImage(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                            CosObj* image);
// The same scan when stm holds the rest of the content: where no EI is
// followed by what reads as content, the first EI that stands alone ends the
// image, so a damaged image costs that image, not the whole content.
ASInt32 CosParseInlineImageToEnd(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc,
                                 void* clientData, CosObj* image);
// Where the parts of an inline image lie in the bytes after BI, and how its
// end was found.
struct CosInlineImageParts {
  ASInt32 idAt;       // the keyword ID
  ASInt32 dataStart;  // the first byte of the data
  ASInt32 eiAt;       // the EI that ends the image
  // No length (/L or /Length, the dictionary's sizes) and no filter's end
  // met that EI: it was searched for, so where the image ends depends on
  // what follows it. A copy that writes other bytes after the image keeps
  // its end by giving it an /L entry: the scan honours the last /L even in a
  // dictionary that does not read otherwise.
  ASBool searched;
};
// CosParseInlineImage (toEnd false) or CosParseInlineImageToEnd (toEnd
// true), telling where the image's parts lie (parts may be null).
ASInt32 CosParseInlineImageParts(ASStm stm, CosDoc doc, CosObj resources, CosInlineImageProc proc, void* clientData,
                                 CosObj* image, ASBool toEnd, CosInlineImageParts* parts);
