// A read-only host file system whose files are blocks of memory, to open PDF
// documents that the plug-in carries as resources.
//
// Blocks are named by a registry of the blocks handed to CreateInMemoryASFile,
// not by their addresses: a path names (block number, length), and only paths
// of blocks handed out are accepted. The memory is not copied: it must outlive
// every file and document opened on it.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

// The file system's name.
#define kMemFileSysName "KRVL_MemoryFileSys_v3"

// Registers the file system on the first call and stores it in *fileSys;
// later calls leave *fileSys alone. Always true.
ASBool InitMemFileSystem(ASFileSys* fileSys);

// A host file open for reading on the block, or null.
ASFile CreateInMemoryASFile(const void* address, ASSize_t length);

// A document opened on the block (no authorisation, repair allowed), or null
// when no file could be made. A failure of the host's opening is raised, with
// the file closed first.
PDDoc OpenInMemoryPDF(const void* address, ASSize_t length);
// Closes the document, then the file it was opened on.
void CloseInMemoryPDF(PDDoc doc);

// How the foundation reaches the plug-in bundle's resources: the procedure
// gives the data and size of the resource of a type (four characters) and
// number, and answers false when there is none. The plug-in's start wires it
// to the platform's resource calls.
typedef ASBool (*MemResourceFetchProc)(const char type[4], ASInt32 number, const void** data, ASSize_t* size);
void SetMemResourceFetchProc(MemResourceFetchProc proc);

// Opens the resource of that type (its first four characters, padded with
// blanks) and number as a document; null when there is no such resource.
PDDoc OpenInMemoryPDFFromPlatformResource(const char* type, ASInt32 number);
