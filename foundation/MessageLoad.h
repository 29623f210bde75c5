// Filling message tables: from the plug-in's message resources (a control
// resource naming each language's resource, plain or zlib-packed lines of
// key<TAB>text) or from a folder of XML spreadsheets, one subfolder per
// language, for translators.
#pragma once

#include "host/AS.h"

struct SMessageTable;

// True on success, also when there is no such resource. requestedLang null:
// every language is loaded and the table's current language is kept.
ASBool ReadMessagesFromControlResource(ASInt32 controlId, const char* requestedLang, SMessageTable* table);
ASBool ReadMessageLinesFromResource(ASInt32 resourceId, SMessageTable* table);
// Plain or packed lines.
ASBool ReadMessageLinesFromBuffer2(const char* bytes, ASInt32 length, SMessageTable* table);
// Plain lines; true when every line was added. A key longer than
// kMessageKeyMaxLength is skipped (and reported in message debug mode).
ASBool ReadMessageLinesFromBuffer(const char* bytes, ASInt32 length, SMessageTable* table);
// A message folder to read from: it can be opened and holds a language
// subfolder with a spreadsheet (a file named *.xml) in it.
ASBool MessageFolderUsable(const char* folder);
// Every language subfolder's spreadsheets. False when the folder is not
// usable, or a language folder gave no good sheet. Notes the memory used.
ASBool ReadAllXMLSpreadsheetsFromDir(const char* folder, SMessageTable* table, ASBool handleEscapes);
ASBool ReadXMLSpreadsheetMessagesFromDoc(const char* path, SMessageTable* table, ASBool handleEscapes);
