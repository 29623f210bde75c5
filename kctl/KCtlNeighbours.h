// Services of the lower subsystems that the dialog framework calls but whose
// modules are not in the program yet: the page-size collection with its
// page-size cabinets and their formats, the toolkit's standard font
// dictionaries and the engine's product names. The framework reaches each of them through one slot of this
// table, installed once by whoever brings the service (the plug-in's start,
// a test program); each slot has the signature of the service it stands for.
//
// An empty slot is a service that is absent, never an error: lists stay
// empty, accessors answer false, texts are empty, the folder chooser
// reports that nothing was chosen, preview texts get no fonts and the status
// box keeps an empty default title.
#pragma once

#include "host/AS.h"
#include "host/Cos.h"

struct SKCab;

struct SKCtlNeighbourProcs {
  // ---- The page-size collection and its cabinets (the toolkit).
  // The running plug-in's collection, loaded on first call; owned by the service.
  SKCab* (*getSystemDefaultPageSizeCollection)();
  // Writes the user's named sizes to the store.
  void (*saveSystemDefaultPageSizeCollection)();
  // New page-size cabinets, owned by the caller.
  SKCab* (*newPageSizeCabBlankPoints)(const char* name, double width, double height, ASBool markAnonymous);
  SKCab* (*newPageSizeBackground)(const char* name, const char* diPath, long from, long to, long repeat,
                                  ASBool markAnonymous);
  // 0 blank, 1 background.
  ASInt32 (*pageSizeCabGetType)(SKCab* cab);
  const char* (*pageSizeCabGetName)(SKCab* cab);
  ASBool (*pageSizeCabIsAnon)(SKCab* cab);
  ASBool (*pageSizeCabNameEqual)(SKCab* a, SKCab* b);
  ASBool (*pageSizeCabContentsEqual)(SKCab* a, SKCab* b);
  ASBool (*pageSizeCabContentsEqualSwapped)(SKCab* a, SKCab* b);
  // False (cabinet not taken) when the name belongs to a system entry.
  ASBool (*pageSizeCollectionAddOrReplace)(SKCab* collection, SKCab* cab);
  ASBool (*pageSizeCollectionDeleteByName)(SKCab* collection, const char* name);
  ASBool (*pageSizeCollectionDeleteAnonByContents)(SKCab* collection, SKCab* sample);
  // At most size - 1 bytes, always terminated.
  void (*pageSizeCabShortFormat)(SKCab* cab, char* buffer, int size);
  void (*pageSizeCabLongFormat)(SKCab* cab, char* buffer, int size);
  void (*pageSizeCabFeedbackFormat)(SKCab* cab, char* buffer, int size);

  // ---- The toolkit's standard font dictionaries: a new dictionary for an
  // EBaseFontCode (0 Times-Roman ... 4 Helvetica ... 8 Courier ...).
  CosObj (*baseFontDict)(CosDoc cosDoc, ASInt32 code);

  // ---- The engine's product names: 0 the plain name, 1 for menus, 2 with
  // the version. Owned by the service.
  const char* (*currentProductString)(ASInt32 form);
};

// Copies the table (null empties every slot).
void KCtlSetNeighbourProcs(const SKCtlNeighbourProcs* procs);
// The table in force; never null.
const SKCtlNeighbourProcs* KCtlNeighbours();
