// Merging the resources of several pages into one Resources dictionary.
//
// One merge record serves one output sheet: each placed page's Resources is
// merged into the record's result; an entry whose name is taken by another
// object gets a new name ("Z%ld", or the name under which the same object is
// already present), and the rename map says so, category by category. The
// caller then rewrites each content statement that names a resource
// (SubstituteResourceInStatement). Form XObjects without Resources of their
// own are given minimal ones on the way.
#pragma once

#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/ElementSeenTable.h"

struct SMergeResourceInfo {
  CosObj source;            // the Resources being merged by the current call
  PDDoc doc;                // the output document
  CosObj result;            // the merged Resources (indirect)
  ASBool irregularCategory; // a category could not be merged (never cleared)
  ASInt32 renameCounter;    // next number for "Z%ld"
  CosObj currentCategoryDict;
  ASAtom currentCategory;
  CosObj renameMap;         // null until the current call's first rename
  char* foundKey;           // a key of the current category holding lookedFor
  CosObj lookedFor;
  ASBool taken;             // the result belongs to the caller
  SElementSeenTable* seenTable;  // made on first need by the OPI work-around
};

SMergeResourceInfo* NewMergeResourceInfo(PDDoc doc);
// Merges every category of resources into the result. *renameMap becomes a
// dictionary (category -> old name -> new name object) when something was
// renamed, a null object otherwise.
void MergeResourceDict(SMergeResourceInfo* info, CosObj resources, CosObj* renameMap);
// Adds one resource under a category; a null name stands for "Q". Returns
// the name it now has in the result (text of the host's atom table).
const char* MergeSingleResource(SMergeResourceInfo* info, const char* category, const char* name, CosObj obj);
// The result, which from now on is the caller's.
CosObj MergeResultResourceDict(SMergeResourceInfo* info);
// Null is accepted.
void DestroyMergeResourceInfo(SMergeResourceInfo* info);

// A new key "Z<n>" (from *counter on, counting up) that dict does not have;
// the text is the caller's (ASfree). Past 200 the counter starts again at 1.
char* CreateUniqueKeyString(CosDoc cosDoc, CosObj dict, ASInt32* counter);

// ---- statements -------------------------------------------------------------

// True when the statement [start, *end) whose operator text is op names a
// resource; *category is then its category and, when asked for, *name the
// name's atom (its #xx escapes decoded), *nameCopy an ASmalloc'ed copy of the
// name's text as written, *nameStart the byte after its "/" and *nameEnd the
// byte after its last byte.
ASBool StatementIsResource(char* start, char** end, const char* op, ASAtom* category, ASAtom* name, char** nameCopy,
                           char** nameStart, char** nameEnd);
// When the statement's resource was renamed in renameMap, writes the new name
// in place and moves *end and *op by the change in length (a NUL follows the
// statement). size is the number of bytes the buffer holds from start; a
// statement that would not fit raises the statement-too-long error and is
// left as it was.
void SubstituteResourceInStatement(char* start, char** end, ASInt32 size, char** op, CosObj renameMap);
// The same for a buffer from the host allocator (the statement starts at
// *buffer) that is grown as the new name needs.
void SubstituteResourceInStatementExt(char** buffer, ASInt32* bufferSize, char** end, char** op, CosObj renameMap);

// ---- form XObjects without resources ----------------------------------------------

// True when obj is a stream without "Resources" whose content uses an
// operator that needs resources (inline images naming a colour space count).
ASBool DoesSubstreamNeedResources(CosObj obj);
// Gives the form a Resources dictionary holding what its content names, taken
// from resources.
void SubstreamGenerateMinimalResources(CosObj form, CosObj resources);
