// Basic types and opaque handles of the host layer.
//
// The host layer stands where the viewer application stood: the plug-in reaches
// atoms, exceptions, memory, files, streams and PDF objects only through these
// calls. Decisions this layer makes beyond the architecture notes:
//  - ASBool is 16 bits wide, as the plug-in's records store it;
//  - ASErrorCode is a signed 32-bit value: severity in bits 24-31, error system
//    in bits 16-23, code in bits 0-15 (ASExcept.h);
//  - ASAtom is 32 bits wide; ASAtomNull keeps 0xFFFF;
//  - handles are pointers to host-private records, never raw addresses that the
//    plug-in computes with.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int8_t ASInt8;
typedef uint8_t ASUns8;
typedef int16_t ASInt16;
typedef uint16_t ASUns16;
typedef int32_t ASInt32;
typedef uint32_t ASUns32;
typedef int64_t ASInt64;
typedef uint64_t ASUns64;
typedef uint16_t ASBool;
typedef size_t ASSize_t;
typedef double ASDouble;
typedef float ASReal;

typedef ASInt32 ASErrorCode;
typedef ASUns32 ASAtom;
typedef ASInt32 ASFixed;
typedef ASInt64 ASFilePos64;
typedef ASUns32 ASFileMode;
typedef ASUns32 ASVersion;  // major in the high 16 bits, minor in the low 16


struct ASFixedPoint {
  ASFixed h;
  ASFixed v;
};

struct ASFixedRect {
  ASFixed left;
  ASFixed top;
  ASFixed right;
  ASFixed bottom;
};

struct ASFixedMatrix {
  ASFixed a;
  ASFixed b;
  ASFixed c;
  ASFixed d;
  ASFixed h;
  ASFixed v;
};

// Opaque host objects.
typedef struct _t_ASTextRec* ASText;
typedef struct _t_ASFileRec* ASFile;
typedef struct _t_ASStmRec* ASStm;
typedef struct _t_ASPathNameRec* ASPathName;
typedef struct _t_ASFileSysRec* ASFileSys;
typedef void* ASMDFile;  // a file system's own open-file record
typedef void* ASCallback;
typedef void* ExtensionID;
