// The sample-document command ("CreateSample"): new documents of numbered
// pages of a chosen size for trying impositions.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

SKCab* NewCmdMgrForCreateTestFile();
// Makes the sample document params describe ("Count", "UseSize"); true on success.
ASBool CreateTestFileFromCab(PDDoc* document, SKCab* params);
// The sample dialog on a cabinet kept for the plug-in's life, then the
// document on OK; true when one was made.
ASBool DoCreateSample();
// The words of "UseSize" (null for another key).
const SKCabEnumWord* SampleParamWords(const char* key);
