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

// Why a text did not read, or the first of its elements that did not.
enum EKCabXMLProblem : ASInt32 {
  kKCabXMLReadFine = 0,
  kKCabXMLBadElement,        // an element whose text does not read, or without N (kind, key, text)
  kKCabXMLNumberTooLarge,    // a whole number beyond what its element holds (kind, key, text)
  kKCabXMLNoElement,         // no element at all (found: how the text begins; empty for no text)
  kKCabXMLForeignRoot,       // another root element (found: its name)
  kKCabXMLForeignNamespace,  // another namespace (found: it)
  kKCabXMLNoItems,           // the root holds no ITEMS element
  kKCabXMLUnclosed,          // an element left open (found: its name; closer, closerLine: the end tag
                             // that ended it, or an empty closer and the last line when the text ended)
  kKCabXMLStrayEnd,          // an end tag that closes no open element (found: its name)
  kKCabXMLCutOff,            // the text ends inside a tag or comment
  kKCabXMLOutsideRoot,       // an element or text outside the root element (found: its start)
  // Refused by the reader of a person's text only, where the reader of stored
  // files passes over what they hold (closer: the name of the element they
  // stand in):
  kKCabXMLSecondItems,    // a second ITEMS element in the root or in a DICT
  kKCabXMLForeignKind,    // an element of a kind cabinet XML has not (found: its name)
  kKCabXMLMisplaced,      // an element of cabinet XML where it does not go (found: its name)
  kKCabXMLStrayText,      // text beside the entries, outside every value (found: its start)
};

// What did not read (all empty, kKCabXMLReadFine and line 0 when everything
// did): for an element its name, its N attribute and its text (both cut);
// the line in the document, counted from 1, where the problem is.
struct SKCabXMLReadProblem {
  char kind[8];
  char key[128];
  char text[128];
  ASInt32 line;
  ASInt32 reason;  // EKCabXMLProblem
  char found[128];
  char closer[128];
  ASInt32 closerLine;
};
// As the readers above, and what set the error flag or refused the text into
// *problem (may be null).
SKCab* KCabReadFromBufferWithProblem(const char* buffer, ASInt32 length, ASBool* error,
                                     SKCabXMLReadProblem* problem);
// The same for a text a person wrote for this run (a parameter file, dialog
// answers): markup that is not well-formed, such as an element its end tag
// is missing from, and anything the reading would pass over (a second ITEMS,
// an element cabinet XML has not or where it does not go, text beside the
// entries) are refused (null) and named in *problem, where the reader of
// stored files makes the best of them.
SKCab* KCabReadWellFormedFromBuffer(const char* buffer, ASInt32 length, ASBool* error,
                                    SKCabXMLReadProblem* problem);
SKCab* KCabFromParsedXMLWithProblem(SXMLDoc* doc, ASBool* error, SKCabXMLReadProblem* problem);
SKCab* KCabFromXMLElement(SXMLElement* items, ASBool* error);
