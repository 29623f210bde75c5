// Parameter tables: what a command's parameter cabinet may hold. One table per
// command lists every key with its kind, its range or words, its unit and a
// line about it. The same table checks a run's parameters whatever road they
// came by (a dialog, a given file, remembered, a replayed history, a named
// action), bounds the dialogs' fields, flags refused values in a describer's
// lines and makes the users' reference of the parameters.
//
// A check refuses a value of the wrong kind, a number that is not finite or
// lies outside its range, and an unknown word of a key that has no fallback;
// it warns (and lets the run go on) about an unknown key and about an unknown
// word that falls back to the word list's default.
#pragma once

#include <cstddef>
#include <string>

#include "host/AS.h"

struct SKCab;
struct SKCabEnumWord;

enum EKParamKind : ASInt32 {
  kKParamBool = 0,    // true or false
  kKParamInt,         // a whole number from min to max
  kKParamNumber,      // a finite real from min to max; a whole number is taken as the same real
  kKParamNumberList,  // text of blank-separated reals (a cabinet's list of doubles), each from min to max,
                      // at most maxCount of them
  kKParamWord,        // an atom: one of words (null words: any word)
  kKParamText,        // a string
  kKParamPage,        // a page number from min to max, or a page text such as "last-1"
  kKParamPageSize,    // an exported page size: a blank size (Width and Height from min to max) or background pages
  kKParamCab,         // a sub-cabinet, not looked into
  kKParamAny          // anything: values the system keeps (window references, dialog state)
};

enum : ASUns32 {
  kKParamRefuseUnknownWord = 1,  // an unknown word refuses the run; else it warns and the default is used
  kKParamInternal = 2,           // written by the system, not by users: left out of the reference
  kKParamRequired = 4,           // absent: refused with the text of missingKey
};

struct SKParamDef {
  const char* key;  // "#" stands for any all-digit key, "E#" for E followed by digits
  EKParamKind kind;
  double min;
  double max;
  const SKCabEnumWord* words;  // closed by an entry whose word is null; its value is the default
  ASUns32 flags;
  const char* unit;        // "pt", "pages", ... or null
  const char* about;       // one line for the reference (English)
  const char* missingKey;  // message shown when a required key is absent
  ASInt32 maxCount = 0;    // a number list's most entries (0: no limit)
};

// A condition on a mode key: it holds while the key's value is one of values
// (blank-separated words; a bool's as 0 or 1). A word is compared through the
// key's words, so that an alias or an unknown word counts as what the
// command reads; unset is what the command reads when the key is not set
// (null: the words' default, or 0).
struct SKParamWhen {
  const char* mode = nullptr;
  const char* values = nullptr;
  const char* unset = nullptr;
};

// A key the command does not read while its conditions hold (also: none
// when its mode is null). A list of them is closed by an entry whose key is
// null.
struct SKParamUnread {
  const char* key;
  SKParamWhen when;
  SKParamWhen also{};
};

// The key under which the command layer puts into a run's parameters the
// keys the user gave (a cabinet holding them), for the warnings about keys
// that are not read. It begins with ".": never stored.
constexpr const char* kKParamGivenKey = ".Given";

// A table: groups of definitions (each array closed by an entry with a null key;
// the list of groups closed by null), shared groups appearing in several.
struct SKParamTable {
  const char* command;  // the command key
  const char* about;    // one line for the reference
  const SKParamDef* const* groups;
  // Rules that join several keys; false with the refusal in why.
  ASBool (*crossCheck)(SKCab* params, char* why, size_t size);
  const char* crossNotes;  // those rules in words, for the reference
  // Fills an empty cabinet with a small set of parameters that runs.
  void (*example)(SKCab* params);
  // Keys that a mode leaves unread, or null.
  const SKParamUnread* unread = nullptr;
  // More about the keys in words, for the reference, or null.
  const char* notes = nullptr;
};

// The definition that covers key (patterns included), or null.
const SKParamDef* KParamTableFind(const SKParamTable* table, const char* key);
// Visits every definition of the table in order.
void KParamTableEnum(const SKParamTable* table, void (*proc)(const SKParamDef* def, void* data), void* data);

enum EKParamCheckMode : ASInt32 {
  kKParamCheckRun = 0,  // warnings shown, whole numbers of real keys stored as reals
  kKParamCheckLook = 1  // nothing shown, nothing changed
};

// True when the table lets the parameters run; false with the first refusal's
// text (naming the key and what it takes) in why.
ASBool KParamCheck(const SKParamTable* table, SKCab* params, EKParamCheckMode mode, char* why, size_t size);
// The same for one definition's value in params.
ASBool KParamCheckDef(const SKParamDef* def, SKCab* params, const char* key, EKParamCheckMode mode, char* why,
                       size_t size);
// Warns about every key of given (keys only; the values are params') that
// the table's unread list says the parameters leave unread, naming the key,
// the mode and that it is ignored. Nothing without given.
void KParamWarnUnread(const SKParamTable* table, SKCab* params, SKCab* given);
// For the keys a person typed for this run (count paths in keys, such as
// "FitAcross" or "Page:Width"), read against the parameters the run would
// run on (defaults, then a file's, then the typed ones): false, with why, for
// a key the table does not have (naming its nearest keys) and for one the
// parameters leave unread (naming the setting that makes it read). What is
// typed is checked strictly; keys of files keep the warnings above.
ASBool KParamCheckTyped(const SKParamTable* table, SKCab* params, const char* const* keys, ASInt32 count, char* why,
                        size_t size);
// False, with why naming the nearest keys, when a typed key (a path) is none
// of the table's: neither a key of it nor a part of one of its groups or page
// sizes.
ASBool KParamCheckTypedKey(const SKParamTable* table, const char* key, char* why, size_t size);
// The keys of the table nearest to key, for "did you mean" ("FitDown" for
// "FitDonw"; "FitAcross or FitDown"); empty when none is near.
std::string KParamNearestKeys(const SKParamTable* table, const char* key);
// The words of the definition nearest to word, the same way.
std::string KParamNearestWords(const SKParamDef* def, const char* word);
// The rule's conditions in words ("Action = Split or Merge"), for the reference.
std::string KParamUnreadWhenText(const SKParamUnread* rule);

// ---- Texts of a definition (C locale)

// "0 to 100", "0.01 to 10", "1 to 14400 pt" (unit appended when given); empty
// for kinds without a range.
void KParamFormatRange(const SKParamDef* def, char* out, size_t size);
// "Tall, Wide, Best": the words, aliases included; empty without words.
void KParamFormatWords(const SKParamDef* def, char* out, size_t size);
// The word used for an unknown one, or null when there is none.
const char* KParamDefaultWord(const SKParamDef* def);
// The kind in a user's words: "a whole number", "a number", "true or false", ...
const char* KParamKindName(EKParamKind kind);
// A number as the reference and the messages write it ("14400", "0.01", "nan").
void KParamFormatNumber(double value, char* out, size_t size);
