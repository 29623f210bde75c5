// Message tables: every text the plug-in shows is fetched by a dotted key
// ("impmenu1.cmd.nup") in the current language.
//
// A table holds one tree per language. Keys are split at dots; each part
// becomes an integer code (the atom of the lowered text, or the complement of
// the number for a part that starts with a digit), so "A.B" and "a . b" are
// the same key, and so are "menu.2" and "menu.02". A lookup that finds no
// text gives the key itself, so an untranslated text still shows something.
//
// Message texts are formats for the arguments their users pass: format them
// with the checked helpers of foundation/MessageFormat.h, never with printf
// directly.
#pragma once

#include "host/AS.h"

struct SMessageNode;

struct SMessageTable {
  SMessageNode* currentRoot;
  ASAtom currentLang;
  ASInt32 langCount;
  ASAtom* langs;          // in the order added; the first is the default
  SMessageNode** roots;   // one tree per language, same order
};

// The plug-in's table, made by InitSystemMessageTable.
extern SMessageTable* gSystemMessageTable;

// Remembers the system language and makes gSystemMessageTable (language
// "en") when there is none yet.
void InitSystemMessageTable();
// The two-letter system language remembered at initialisation ("????" when
// the system's language is not one the plug-in knows).
const char* MessageSystemLang();

SMessageTable* NewMessageTable(ASAtom lang);
void DestroyMessageTable(SMessageTable* table);
// True when the language existed (and is now selected). A missing language
// is appended and selected when addIfMissing is set, and false comes back.
ASBool SetMessageTableCurrentLang(SMessageTable* table, ASAtom lang, ASBool addIfMissing);
void SetMessageTableCurrentLangDefault(SMessageTable* table);
ASAtom GetMessageTableCurrentLang(SMessageTable* table);
void MessageTableGetLangArray(SMessageTable* table, ASAtom** langs, ASInt32* count);
ASBool MessageTableLangKnown(SMessageTable* table, ASAtom lang);
ASBool MessageTableLangHasMessages(SMessageTable* table, ASAtom lang);

// Stores text under key in the current language; a later text for the same
// key wins. False when the key does not split or a shorter key is in the way.
// With handleEscapes the text's escapes are rewritten first (in place).
ASBool AddMessage(const char* key, char* text, SMessageTable* table, ASBool handleEscapes);
// The same for a text the caller cannot have changed: escapes are handled on
// a copy.
ASBool AddMessageCopy(const char* key, const char* text, SMessageTable* table, ASBool handleEscapes);

// The text (owned by the table); the key itself when there is none; "" for a
// key that ends on a branch or runs past a text (the key in debug mode).
const char* GetMessageFromTableByKey(SMessageTable* table, const char* key);
const char* GetMessageFromTableByKeyAndLang(SMessageTable* table, const char* key, ASAtom lang);
// True when the key ends exactly on a text.
ASBool KnownMessageInTableByKey(SMessageTable* table, const char* key);

// The longest key, in characters.
constexpr size_t kMessageKeyMaxLength = 40;
// Parts of letters, digits and "_" (not starting with a digit) or of digits,
// blanks allowed around them, at most kMessageKeyMaxLength characters in all.
ASBool ValidMessageKey(const char* key);
// Splits off the first part: its code, and the rest after the dot (null at
// the end). False when the key does not split.
ASBool SplitMessageKey(const char* key, ASUns32* code, const char** rest);

void SetMessageDebugMode(ASBool on);
ASBool GetMessageDebugMode();
// Set while messages are loaded: keys are not validated then.
void SetMessageKeyValidationSuppressed(ASBool on);
// Bytes the message trees use (reported after a message folder is read).
ASInt32 MessageTableMemoryUsed();

// Texts looked up and kept across calls stay valid while this is true.
ASBool MessageCacheValid();
void FlushMessageCaches();
// Back to a fresh run's state, for a test that flushed.
void MarkMessageCachesValid();

// Rewrites the escapes of a message text in place (\n, \s, \t, \z, \[, \],
// \\, \&, the \m variants kept, the \w variants dropped, \fn \fs \fb format
// codes -1, -2, -3). False after any bad or unterminated escape, which is
// reported.
ASBool GenMsg2HandleEscapes(char* text, ASInt32* formatCode);
// Shows a message-table diagnostic as an error.
void GenMsg2Message(const char* text);
// In debug mode, shows a diagnostic and asks whether to go on reporting.
void GenMsg2Message2(const char* text);
// True while a diagnostic is being shown (alerts then do not look texts up).
ASBool MessageDiagnosticShowing();
