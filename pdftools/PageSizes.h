// The page-size collection: the named sizes offered wherever a sheet or page
// size is chosen. An entry (a page-size cabinet) is a blank size or pages of a
// background PDF:
//
//   "Type"          atom "Blank" or "Background" (missing or unknown: Blank)
//   "Name"          the name shown; absent or empty for an anonymous entry
//   "Width", "Height"  blank size in points
//   "DIPath"        background: the file's device-independent path
//   "From", "To"    background: first and last page, from 0
//   "Repeat"        background: how many of the last pages repeat (absent:
//                   To - From + 1)
//   "Created"       PDF date of creation
//   "System"        built-in or supplied: never replaced, deleted or saved
//   "KRVLNoExport"  anonymous, not to be exported or saved (only when true)
//
// A collection holds entries under numeric keys; lookups take the last match
// in key order. The plug-in's collection is the user's saved sizes (settings
// "pagesize", key "Sizes") followed by the supplied sizes of "pagesize.xtra"
// and then those of "pagesize.sys" or, without that file, the built-in ones;
// a system size whose name the user already has is left out.
#pragma once

#include "host/AS.h"

struct SKCab;
struct SKCabPersist;

enum EPageSizeType : ASInt32 { kPageSizeBlank = 0, kPageSizeBackground = 1 };

// New entries, owned by the caller. A null or empty name makes an anonymous
// entry, marked not to be saved when markAnonymous is set.
SKCab* NewPageSizeCabBlankPoints(const char* name, double width, double height, ASBool markAnonymous);
SKCab* NewPageSizeCabBlankInches(const char* name, double width, double height, ASBool markAnonymous);
SKCab* NewPageSizeCabBlankMm(const char* name, double width, double height, ASBool markAnonymous);
SKCab* NewPageSizeBackground(const char* name, const char* diPath, long from, long to, long repeat,
                             ASBool markAnonymous);
void PageSizeCabSetNoSave(SKCab* cab, ASBool on);

// The largest side a blank size may have: 200 inches, the largest page PDF
// allows without a user unit.
constexpr double kPageSizeMaxPoints = 14400.0;
// True for a blank size whose "Width" and "Height" are numbers, stored as
// doubles or integers; *width and *height receive them.
ASBool PageSizeCabGetBlankSize(SKCab* cab, double* width, double* height);

// The standard sizes a typed page size may name, in points, tall except
// Ledger: ISO A0-A10 and B0-B10 (ISO 216), C0-C10 (ISO 269), RA0-RA4 and
// SRA0-SRA4 (ISO 217), from their millimetres; Letter, Legal, Tabloid,
// Ledger, Executive and Statement (also Half letter). In any letter case,
// blanks ignored ("half letter", "HalfLetter", "sra 3"). False, leaving
// *width and *height alone, for any other name.
ASBool PageSizeFromStandardName(const char* name, double* width, double* height);
// Those names in short, families by their range, for a text that lists them:
// "A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, Letter, ...".
const char* PageSizeStandardNamesText();

// EPageSizeType; -1 for a null cabinet.
ASInt32 PageSizeCabGetType(SKCab* cab);
ASBool PageSizeCabIsBlankPage(SKCab* cab);
ASBool PageSizeCabIsBackground(SKCab* cab);
// The entry's own text, or null.
const char* PageSizeCabGetName(SKCab* cab);
ASBool PageSizeCabIsAnon(SKCab* cab);
// Both exist, a has a name and b has the same one.
ASBool PageSizeCabNameEqual(SKCab* a, SKCab* b);
// Blank sizes within 0.001 point on each side; backgrounds of the same file
// and range.
ASBool PageSizeCabContentsEqual(SKCab* a, SKCab* b);
// The same with b's blank size turned by 90 degrees.
ASBool PageSizeCabContentsEqualSwapped(SKCab* a, SKCab* b);

// Entries are lent; key (may be null) receives the entry's key.
SKCab* PageSizeCollectionFindCabByName(SKCab* collection, const char* name, ASAtom* key);
SKCab* PageSizeCollectionFindByContents(SKCab* collection, SKCab* sample, ASBool anonymousOnly, ASAtom* key);
ASBool PageSizeCollectionNameIsSystem(SKCab* collection, const char* name);
// False, with the cabinet still the caller's, when its name belongs to a
// system entry (or the cabinet already sits in another cabinet); else the
// collection owns it and an entry of the same name is replaced.
ASBool PageSizeCollectionAddOrReplace(SKCab* collection, SKCab* cab);
// Remove the last matching non-system entry; false when there is none.
ASBool PageSizeCollectionDeleteByName(SKCab* collection, const char* name);
ASBool PageSizeCollectionDeleteAnonByContents(SKCab* collection, SKCab* sample);
// Copies of source's named entries, marked system, unless target has the name.
void PageSizeCollAppendAsSystem(SKCab* source, SKCab* target);
// Copies of source's named entries that are not system entries.
void PageSizeCollCopyNamedNonSystem(SKCab* source, SKCab* target);
// Marks cab system and appends it; the collection owns it.
void PageSizeCollectionAddBuiltin(SKCab* collection, SKCab* cab);
// A new collection of the built-in sizes, owned by the caller.
SKCab* NewPageSizeCollectionDefault();

// The plug-in's collection (null until loaded).
extern SKCab* gSystemDefaultPageSizeCollection;
// The plug-in's collection, loaded on first call; owned here.
SKCab* GetSystemDefaultPageSizeCollection();
// Writes the user's named sizes to the store (nothing before the first load).
void SaveSystemDefaultPageSizeCollection();
// The "pagesize" settings object, made on first call; owned here.
SKCabPersist* PageSizePersist();
// Drops the collection and the settings object (the plug-in's unload); the
// next call loads them afresh.
void PageSizeCollectionTerm();

// Texts for lists, summaries and the line under a size chooser: at most
// size - 1 bytes, always terminated; nothing for a size of 0 or less.
void PageSizeCabShortFormat(SKCab* cab, char* buffer, int size);
void PageSizeCabLongFormat(SKCab* cab, char* buffer, int size);
// Empty for a blank entry; a background's file is opened to measure it.
void PageSizeCabFeedbackFormat(SKCab* cab, char* buffer, int size);
