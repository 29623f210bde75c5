// Copies, clones and content comparison of Cos objects.
//
// Shallow copies stay inside the object's document: they rebuild what can be
// reached without passing an indirect reference and share everything behind
// one. CloneObject rebuilds a whole reference graph inside another document.
// None of these calls takes ownership of its argument.
#pragma once

#include "host/Cos.h"

// An indirect object as it is; a direct container or string copied.
CosObj CopyObjIfDirect(CosObj obj);
// A new dictionary (direct when makeDirect, else indirect as obj) holding
// CopyObjIfDirect of each entry; obj itself when it is not a dictionary.
CosObj CopyDict(CosObj obj, ASBool makeDirect);
// The same for arrays.
CosObj CopyArray(CosObj obj, ASBool makeDirect);
// A copy that keeps the top object indirect when it was. Streams and nulls
// come back as they are; so do direct numbers, booleans and names.
CosObj CopyObj(CosObj obj);
// A copy whose top object is direct (streams and nulls come back as they are).
CosObj CopyObjAsDirect(CosObj obj);
// A new stream in obj's document with the same encoded bytes and a copy of
// its dictionary; obj itself when it is not a stream.
CosObj CopyStream(CosObj obj);

// A deep copy of obj and everything it references, made in destDoc; every
// new object is indirect as its source. Each object of the source graph is
// cloned once per call, so shared objects stay shared and reference cycles
// are copied as cycles. Nothing in the result refers into obj's document.
CosObj CloneObject(CosDoc destDoc, CosObj obj);

// Equal contents, followed through references (cycles end). Numbers compare
// by value whatever their type; an entry whose value is null counts as
// missing; streams compare dictionaries and stored (encoded) bytes.
ASBool CosObjContentsEqual(CosObj a, CosObj b);
// The same for two dictionaries (of a stream, its dictionary); false when
// either argument is neither.
ASBool CosDictContentsEqual(CosObj a, CosObj b);

// Entries of a dictionary; 0 for anything else.
ASInt32 DictCountElements(CosObj obj);

// The keys of one dictionary (a stream's dictionary for a stream), in the
// host's enumeration order.
constexpr ASInt32 kDictKeyListInlineCount = 20;
struct SDictKeyList {
  CosObj obj;         // the dictionary whose keys are listed
  ASInt32 count;
  ASInt32 capacity;   // kDictKeyListInlineCount at creation
  char** heapKeys;    // null while the inline block is used
  char** keys;        // the inline block or the heap block
  char* inlineKeys[kDictKeyListInlineCount];
};

// Raises when memory runs out. Any type but a dictionary or stream gives an
// empty list that records obj.
SDictKeyList* NewDictKeyList(CosObj obj);
// Null is accepted.
void DestroyDictKeyList(SDictKeyList* list);
