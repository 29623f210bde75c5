// Name trees and embedded attachments.
//
// The KPDNameTree family reads and writes name trees (string keys compared
// byte by byte, leaves holding "Names", inner nodes "Kids" and "Limits") on
// their own; on hosts of major version 6 and above the host's name-tree calls
// store attachments instead. An attachment is a file specification in the
// catalog's "EmbeddedFiles" tree whose key is the name as a text string:
// FE FF, the name in UCS-2 high byte first, and a 16-bit zero that belongs to
// the string.
//
// Trees come from files and are not trusted: every walk ends on reference
// cycles and at a depth limit; look-ups that the "Limits" lead astray look at
// every node once before they give up, and insertions into nodes of the
// wrong kind answer false.
#pragma once

#include "host/Cos.h"
#include "host/PD.h"

// Walks deeper than this give up (no key is found, nothing is stored).
constexpr ASInt32 kNameTreeMaxDepth = 256;

// Byte order of a key string against key bytes: negative, 0 or positive as
// the string sorts before, equal to or after them; a prefix sorts first. A
// key that is not a string sorts before everything.
ASInt32 KPDNameTreeCompareKeyCosObj(CosObj key, const char* bytes, ASInt32 length);

// A new root: an indirect dictionary holding an empty "Kids" array.
CosObj KPDNameTreeNew(PDDoc doc);
// The catalog's "Names" entry for tree (an atom such as "EmbeddedFiles") when
// both are dictionaries, else a null object.
CosObj KPDNameTreeFind(PDDoc doc, ASAtom tree);
// The same, making the catalog's "Names" (indirect) and the tree where missing.
CosObj KPDNameTreeFindOrCreate(PDDoc doc, ASAtom tree);

// The node below (or at) node where key lives or would live: true with the
// node and whether it is a leaf, false when node is not a dictionary or the
// key lies outside its "Limits".
ASBool KPDNameTreeGetNodeForKey(CosObj node, const char* key, ASInt32 length, CosObj* nodeOut, ASBool* isLeaf);
// The value of key; false (and a null value) when there is none. The descent
// follows "Limits"; when it finds nothing, every node is looked at once.
ASBool KPDNameTreeGet(CosObj root, const char* key, ASInt32 length, CosObj* value);

// Stores value under key (a string object), replacing the value of an equal
// key; false when the tree is too damaged to take it.
ASBool KPDNameTreePut(CosObj root, CosObj key, CosObj value);
ASBool KPDNameTreePutIntoNodeOrChild(CosObj node, CosObj key, const char* keyBytes, ASInt32 keyLength, CosObj value,
                                     ASBool isRoot);
// Gives node a first kid, a leaf holding the one pair.
void KPDNameTreeAddFirstKid(CosObj node, CosObj key, CosObj value, ASBool isRoot);

// The key form of a UTF-8 text as a string object (indirect when asked).
CosObj UnicodeCosStringFromUTF8(CosDoc doc, const char* text, ASBool indirect);
// A string that starts with FE FF, as UTF-8 in out (size bytes with the
// terminating NUL, which is always written; a stored 16-bit zero ends the
// text). False for anything else.
ASBool UnicodeCosStringToUTF8(CosObj string, char* out, ASInt32 size);

// Stores stream as the attachment called name (UTF-8) with a plain file name
// and a description (UTF-8, may be null or empty). True when it was stored.
ASBool StoreFileAttachment(PDDoc doc, CosObj stream, const char* fileName, const char* name, const char* description);
// The embedded file stream of the attachment called name, or a null object;
// description (may be null) receives the file specification's "Desc" entry
// (a null object when there is none).
CosObj FindFileAttachment(PDDoc doc, const char* name, CosObj* description);
