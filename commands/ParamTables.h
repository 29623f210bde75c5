// The parameter tables of the commands (foundation/KParams.h): the one place
// that states each command's keys with their kinds, ranges, words and units.
// The commands' Start callbacks check their run's parameters with them, the
// dialogs take their fields' bounds from them, the describers flag a value a
// run would refuse, and docs/parameters.md is generated from them.
#pragma once

#include <string>

#include "foundation/KParams.h"
#include "frame/CommandModules.h"

struct SKCab;

// The longest side of a page or sheet PDF allows, in points.
constexpr double kLargestPagePoints = 14400;

// A command's table with the builder of its definition.
struct SCommandParams {
  const SKParamTable* table;
  KVCmdMgrBuilderProc builder;
};

// Every command, in the order they are registered; closed by an entry
// without a table.
const SCommandParams* CommandParamsList();
// The table of a command key ("Nup", ...), or null.
const SKParamTable* CommandParamTable(const char* command);
// The definition of one key of a command, or null.
const SKParamDef* CommandParamDef(const char* command, const char* key);
// Whole-number bounds of a key for a dialog field (the table's range).
ASInt32 CommandParamMinInt(const char* command, const char* key);
ASInt32 CommandParamMaxInt(const char* command, const char* key);

// Checks the run's "Params" against the command's table. A refusal is a
// parameter error: shown, and the run cancelled. True when the run may go on.
ASBool CommandParamsAccepted(SKCab* run, const char* command);
// Adds one line to a describer's lines when the parameters hold a value that
// a run refuses, naming it; nothing otherwise.
void DescribeParamRefusal(SKCab* lines, const char* command, SKCab* params);

// The users' reference of every command's parameters (docs/parameters.md).
std::string ParamReferenceMarkdown();
