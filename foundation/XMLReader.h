// A small, forgiving XML reader for the system's own files (cabinet XML and
// message spreadsheets): a flat node list in document order with paired
// tags, child lookup by name, attributes and text with entities expanded. It
// never fails on bad markup: it makes the best list it can.
#pragma once

#include "host/AS.h"

enum EXMLNodeType : ASInt32 {
  kXMLCharData = 0,
  kXMLStartTag = 1,
  kXMLEndTag = 2,
  kXMLEmptyTag = 3,  // also an unterminated tag at the end of the text ("BADBAD")
  kXMLComment = 4,
  kXMLInstruction = 5,
  kXMLEndOfDocument = 6
};

struct SXMLKeyValueListItem {
  char* key;
  char* value;  // entities expanded
  SXMLKeyValueListItem* next;
};

struct SXMLElement {
  SXMLElement* next;
  EXMLNodeType type;
  const char* raw;  // into the document's text
  ASInt32 rawLength;
  char* name;       // null for text nodes
  char* textCache;  // expanded text of a start tag, made on first request
  SXMLElement* match;
  SXMLKeyValueListItem* attributes;
  SXMLElement* enclosing;
  SXMLElement* closedBy;  // an unmatched start tag: the end tag that closed it with an enclosing tag, or null
};

struct SXMLDoc {
  char* text;
  ASInt32 length;
  ASBool ownsText;  // the document made its own copy and frees it
  SXMLElement* first;
  SXMLElement* last;
  SXMLElement* root;
};

// The bytes are used in place and stay the caller's when they are valid
// UTF-8; UTF-16 (FE FF) text and text that needs repair are converted into a
// block of the document's own, so the caller's bytes are never changed or freed.
SXMLDoc* NewXMLDocFromBuffer(const char* bytes, ASInt32 length);
// Reads the file (a POSIX path); null when it cannot be read.
SXMLDoc* NewXMLDocFromFile(const char* path);
ASBool ParseXMLDoc(SXMLDoc* doc);
void FreeXMLDoc(SXMLDoc* doc);  // null accepted

SXMLElement* XMLElementFindChildElement(SXMLElement* parent, const char* name, SXMLElement* previous);
// Attribute values read the same in either quote and with entities and
// character references expanded as in element text.
// The value of the last attribute key has (null when none, or when its value
// is not quoted).
const char* XMLElementSubkeyValue(SXMLElement* element, const char* key);
// The value of the first attribute key has, cut to size; an unquoted value
// is copied as it stands. False when the tag has no such attribute.
ASBool XMLItemFindSubkey(SXMLElement* element, const char* key, char* out, ASInt32 size);
const char* XMLElementGetText(SXMLElement* element);
void XMLKeyValueListItemCreate(const char* key, const char* value, ASInt32 keyLength, ASInt32 valueLength,
                               SXMLKeyValueListItem** head);

// The whole file in a new host block one byte longer than the file (the
// extra byte is a NUL), or null.
char* GetFileAsBuffer(const char* path, ASInt32* length);

ASBool MakeEntitiesNeeded(const char* text, ASInt32 length);
ASInt32 MakeEntitiesSizeNeeded(const char* text, ASInt32 length);
ASBool MakeEntities(const char* text, ASInt32 length, char* out, ASInt32 size, ASInt32* outLength);
ASInt32 ExpandEntitiesSizeNeeded(const char* text, ASInt32 length);
ASBool ExpandEntities(const char* text, ASInt32 length, char* out, ASInt32 size, ASInt32* outLength);
// entity: from the ampersand, without the semicolon ("&#233", "&#xE9").
// Accepts code points 1 to 0x10FFFF outside the surrogates.
ASBool HandleNumber(const char* entity, ASUns32* value);
