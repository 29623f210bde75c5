// The text form of a cabinet: cabinet XML, written into an open file or a
// memory buffer and read back from a file or a buffer. Keys beginning with "."
// and sub-cabinets marked "KRVLNoExport" stay out of the text. Numbers are
// written and read in the C locale whatever the user's locale is.
#pragma once

#include "host/AS.h"

struct SKCab;
struct SKFileName;
struct SKOpenFile;
struct SXMLDoc;
struct SXMLElement;

// The namespace URI the writer puts on the root and the reader accepts.
extern const char* const kKCabXMLNamespace;

// True when every piece reached the file.
ASBool WriteKCabToXMLKFile(SKOpenFile* file, SKCab* cab);
// Writes into buffer (size bytes; null counts only) and stores the document's
// whole length in *needed. A short buffer holds the document's beginning up
// to the last whole piece, NUL-terminated. True when the whole document fitted.
ASBool WriteKCabToXMLBuffer(char* buffer, ASInt32 size, SKCab* cab, ASInt32* needed);
// The document's length; a buffer of this length plus one holds it and its NUL.
ASInt32 KCabToXMLBufferBytesNeeded(SKCab* cab);

// New cabinets owned by the caller, or null. *error (may be null) becomes 1
// when an element was incomplete or a number did not read (a number with
// anything but blanks after it does not read); what was read is returned all
// the same.
SKCab* KCabReadFromKFileName(const SKFileName* name, ASBool* error);
// The buffer stays the caller's and is never changed.
SKCab* KCabReadFromBuffer(const char* buffer, ASInt32 length, ASBool* error);
SKCab* KCabFromParsedXML(SXMLDoc* doc, ASBool* error);

// The first element that did not read (all empty and line 0 when none did):
// its element name, its N attribute, its text (both cut) and its line in the
// document, counted from 1.
struct SKCabXMLReadProblem {
  char kind[8];
  char key[128];
  char text[128];
  ASInt32 line;
};
// As the readers above, and what set the error flag into *problem (may be null).
SKCab* KCabReadFromBufferWithProblem(const char* buffer, ASInt32 length, ASBool* error,
                                     SKCabXMLReadProblem* problem);
SKCab* KCabFromParsedXMLWithProblem(SXMLDoc* doc, ASBool* error, SKCabXMLReadProblem* problem);
SKCab* KCabFromXMLElement(SXMLElement* items, ASBool* error);
