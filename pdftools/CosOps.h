// Small Cos operations: array membership and extension, streams made from
// bytes, fresh "S" keys, and string tests that read UTF-16 strings too.
#pragma once

#include "host/Cos.h"

// True when an element of the array is equal to obj (CosObjEqual).
ASBool IsObjectInArray(CosObj array, CosObj obj);
// A new array in cosDoc, indirect when array is, holding array's elements
// followed by obj; array itself is not changed.
void ConcatenateToArray(CosDoc cosDoc, CosObj array, CosObj* out, CosObj obj);
// A new indirect stream holding the bytes; more than 30 bytes are stored
// compressed (FlateDecode), fewer as they are.
CosObj MakeStreamFromData(CosDoc cosDoc, const char* data, ASInt32 length);
// The atom of "S" followed by one more than the highest n among the
// dictionary's keys "S<n>" (decimal digits only; "S" alone counts as 0).
ASAtom GenerateUnusedKey(CosObj dict);
// The enumeration step of GenerateUnusedKey: clientData is the highest n so far (a long*).
ASBool GenerateUnusedKeyEnum(CosObj key, CosObj value, void* clientData);
// True when obj is a string holding text, as bytes or as UTF-16BE with the
// byte-order mark (characters below 256).
ASBool CosObjIsStringEqualTo(CosObj obj, const char* text);
