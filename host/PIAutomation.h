// What a plug-in offers the host program for running without a user. The
// plug-in registers one table during its initialisation; texts are UTF-8 and
// cabinets travel as cabinet XML text.
#pragma once

#include "host/PD.h"

typedef void (*PITextSink)(const char* text, void* data);

enum : ASInt32 { kPICheckGood = 1, kPICheckTyped = 0, kPICheckFile = -1 };

struct PIAutomationProcs {
  ASSize_t size;  // sizeof(PIAutomationProcs)
  // Runs the command named by key on the active document without its dialog,
  // with these parameters (null: the remembered or default ones). True when it
  // ran to its end.
  ASBool (*runCommand)(const char* key, const char* paramsXML);
  // Plays the named action on the active document.
  ASBool (*playAction)(const char* name);
  // Replays the command history recorded in source on the active document.
  ASBool (*replayHistory)(PDDoc source);
  // One line per command: its key, a tab and its name.
  void (*listCommands)(PITextSink sink, void* data);
  // The command history recorded in doc, as cabinet XML; false when it has none.
  ASBool (*historyXML)(PDDoc doc, PITextSink sink, void* data);
  // Dialogs from now on are answered from this cabinet (null: OK on their
  // current values) instead of waiting for a user. False (said as an alert)
  // when the text is no cabinet: dialogs are then answered with OK.
  ASBool (*answerDialogs)(const char* answersXML);
  // What the commands that menu items started since the last call came to:
  // 1 all completed, 0 one did not, -1 no item started a command. Tables
  // shorter than this entry (see size) do not answer.
  ASInt32 (*takeMenuOutcome)();
  // True when the command would run on parameters remembered from an earlier
  // run (runCommand without parameters); the sink then gets the path of the
  // settings file that holds them. Tables shorter than this entry do not
  // answer.
  ASBool (*rememberedParams)(const char* key, PITextSink sink, void* data);
  // Runs the command as runCommand does, on the defaults with paramsXML (may
  // be null) over them and then each of the count settings "KEY=VALUE" in
  // order, later ones winning. A value is read as the kind the command's
  // parameter table gives its key (a key inside a group by its path,
  // "Page:Width"); lengths take a unit. Nothing remembered is read or
  // changed. source is the path of the file paramsXML was read from, as the
  // user gave it (may be null): a text that does not read is named with it.
  // Tables shorter than this entry do not answer.
  ASBool (*runCommandWithSettings)(const char* key, const char* paramsXML, const char* source,
                                   const char* const* settings, ASInt32 count);
  // False when one of the settings does not read as its key's kind, or its
  // value is refused, with why (naming the key and what it takes) to the
  // sink; nothing runs and nothing is shown. True when they all read, and for
  // a key that is no command's (running it says so).
  ASBool (*checkSettings)(const char* key, const char* const* settings, ASInt32 count, PITextSink sink, void* data);
  // The plug-in's name with its version, in one line.
  void (*productVersion)(PITextSink sink, void* data);
  // As answerDialogs, for a text read from the file source (its path as the
  // user gave it, may be null): a text that does not read is named with it.
  ASBool (*answerDialogsFrom)(const char* answersXML, const char* source);
  // The documents that commands completed since the last call took their
  // pages from into a new document (a trim made into a new document, then a
  // booklet of it, in one replay): how many, the first max written to docs.
  // Tables shorter than this entry do not answer.
  ASInt32 (*takePassedOn)(PDDoc* docs, ASInt32 max);
  // Checks a --command before any step runs, as runCommandWithSettings would
  // take it (paramsXML and the settings null and 0 when none are given: the
  // remembered parameters, which are not looked at): false, with why to the
  // sink, when there is no such command (naming the nearest), the parameters
  // or a setting do not read, a setting names no key of the command or one
  // its final parameters leave unread, or the final parameters are refused
  // (values, ranges, rules across keys). pages is the page count of the
  // document it will run on, or -1 when that is not known yet; follows is
  // true when it runs directly on what the command checked before it made,
  // whose rules with it are checked too. Nothing runs and nothing is shown.
  // kPICheckGood, or which input was refused: kPICheckTyped (the command, a
  // setting, or a rule the settings break), kPICheckFile (what the file holds).
  ASInt32 (*checkCommand)(const char* key, const char* paramsXML, const char* source, const char* const* settings,
                         ASInt32 count, ASInt32 pages, ASBool follows, PITextSink sink, void* data);
  // False, with why to the sink, when no action has the name --play takes.
  ASBool (*checkAction)(const char* name, PITextSink sink, void* data);
  // One line a named action, as --play takes it.
  void (*listActions)(PITextSink sink, void* data);
};

void PIRegisterAutomation(const PIAutomationProcs* procs);
// The registered table, or null.
const PIAutomationProcs* PIGetAutomation();
