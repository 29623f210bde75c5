#include "pdftools/OPIFix.h"

#include <cstring>

#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/PDFAtoms.h"

ASBool gApplyOPIFix = 1;

namespace {

ASAtom OPIAtom() {
  static ASAtom a = ASAtomFromString("OPI");
  return a;
}

// Runs work(key text) for every key of dict, the key list freed on every way out.
template <class F>
void ForEachKey(CosObj dict, F&& work) {
  SDictKeyList* keys = NewDictKeyList(dict);
  DURING
    for (ASInt32 i = 0; i < keys->count; ++i) work(keys->keys[i]);
  HANDLER
    DestroyDictKeyList(keys);
    RERAISE();
  END_HANDLER
  DestroyDictKeyList(keys);
}

bool IsDict(CosObj o) { return CosObjGetType(o) == CosDict; }

bool IsForm(CosObj o) {
  if (CosObjGetType(o) != CosStream) return false;
  CosObj subtype = CosDictGet(o, atom[K_Subtype]);
  return CosObjGetType(subtype) == CosName && CosNameValue(subtype) == atom[K_Form];
}

bool Cached(SElementSeenTable* seen, CosObj obj, ASBool* answer) {
  void* extra = nullptr;
  if (!IsElementSeenExtra(seen, obj, &extra) || !extra) return false;
  ASUns16 stored;
  std::memcpy(&stored, extra, sizeof stored);
  *answer = stored;
  return true;
}

void Remember(SElementSeenTable* seen, CosObj obj, ASBool answer) {
  void* extra = nullptr;
  AddSeenElementExtra(seen, obj, &extra);
  if (extra && seen->extraSize >= (ASInt32)sizeof(ASUns16)) {
    ASUns16 stored = answer;
    std::memcpy(extra, &stored, sizeof stored);
  }
}

}  // namespace

ASBool ResourcesIncludesFonts(CosObj resources, ASInt32 depth) {
  InitGlobalAtomTable();
  if (depth < 0 || !IsDict(resources)) return 0;
  if (IsDict(CosDictGet(resources, atom[K_Font]))) return 1;
  CosObj xobjects = CosDictGet(resources, atom[K_XObject]);
  if (!IsDict(xobjects)) return 0;
  ASBool found = 0;
  ForEachKey(xobjects, [&](const char* key) {
    if (found) return;
    CosObj x = CosDictGetKeyString(xobjects, key);
    if (IsForm(x) && ResourcesIncludesFonts(CosDictGet(x, atom[K_Resources]), depth - 1)) found = 1;
  });
  return found;
}

ASBool XObjectIsFormHoldingOPIWithFonts(SElementSeenTable* seen, CosObj xobject, ASInt32 depth) {
  InitGlobalAtomTable();
  if (!IsForm(xobject)) return 0;
  ASBool answer = 0;
  if (Cached(seen, xobject, &answer)) return answer;
  CosObj resources = CosDictGet(xobject, atom[K_Resources]);
  if (CosDictKnown(xobject, OPIAtom()))
    answer = ResourcesIncludesFonts(resources, depth);
  else
    answer = ResourcesIncludesOPIWithFonts(seen, resources, depth);
  Remember(seen, xobject, answer);
  return answer;
}

ASBool ResourcesIncludesOPIWithFonts(SElementSeenTable* seen, CosObj resources, ASInt32 depth) {
  InitGlobalAtomTable();
  if (!IsDict(resources)) return 0;
  return XObjectResourcesIncludesOPIWithFontsInner(seen, CosDictGet(resources, atom[K_XObject]), depth);
}

ASBool XObjectResourcesIncludesOPIWithFontsInner(SElementSeenTable* seen, CosObj xobjects, ASInt32 depth) {
  if (depth < 0 || !IsDict(xobjects)) return 0;
  ASBool found = 0;
  ForEachKey(xobjects, [&](const char* key) {
    if (!found && XObjectIsFormHoldingOPIWithFonts(seen, CosDictGetKeyString(xobjects, key), depth - 1)) found = 1;
  });
  return found;
}

ASBool XObjectResourcesIncludesOPIWithFonts(SElementSeenTable* seen, CosObj xobjects) {
  ASBool answer = 0;
  if (Cached(seen, xobjects, &answer)) return answer;
  answer = XObjectResourcesIncludesOPIWithFontsInner(seen, xobjects, kOPIFormDepth);
  Remember(seen, xobjects, answer);
  return answer;
}

CosObj CloneXObjectResourcesForOPIBugInner(SElementSeenTable* seen, CosObj xobjects, ASBool indirect,
                                           ASBool copyFonts, ASInt32 depth) {
  InitGlobalAtomTable();
  ASBool any = 0;
  ForEachKey(xobjects, [&](const char* key) {
    if (XObjectIsFormHoldingOPIWithFonts(seen, CosDictGetKeyString(xobjects, key), depth)) any = 1;
  });
  if (depth < 1 || !any) return CopyObjIfDirect(xobjects);
  CosObj out = CosNewDict(CosObjGetDoc(xobjects), 0, 10);
  ForEachKey(xobjects, [&](const char* key) {
    CosObj x = CosDictGetKeyString(xobjects, key);
    if (!XObjectIsFormHoldingOPIWithFonts(seen, x, depth)) {
      CosDictPutKeyString(out, key, CopyObjIfDirect(x));
      return;
    }
    CosObj copy = CopyStream(x);
    CosDictPut(copy, atom[K_Resources],
               CloneResourcesForOPIBugInner(seen, CosDictGet(copy, atom[K_Resources]), 0, 1, depth - 1));
    CosDictPutKeyString(out, key, copy);
  });
  (void)indirect;
  (void)copyFonts;
  return out;
}

CosObj CloneResourcesForOPIBugInner(SElementSeenTable* seen, CosObj resources, ASBool indirect, ASBool copyFonts,
                                    ASInt32 depth) {
  InitGlobalAtomTable();
  if (!IsDict(resources)) return resources;
  CosDoc doc = CosObjGetDoc(resources);
  CosObj out = CosNewDict(doc, indirect, 10);
  ForEachKey(resources, [&](const char* key) {
    ASAtom k = ASAtomFromString(key);
    CosObj value = CosDictGet(resources, k);
    if (copyFonts && k == atom[K_Font] && IsDict(value)) {
      CosObj fonts = CosNewDict(doc, 0, 10);
      ForEachKey(value, [&](const char* name) { CosDictPutKeyString(fonts, name, CopyObj(CosDictGetKeyString(value, name))); });
      CosDictPut(out, k, fonts);
    } else if (k == atom[K_XObject] && depth >= 1 && IsDict(value)) {
      CosDictPut(out, k, CloneXObjectResourcesForOPIBugInner(seen, value, indirect, copyFonts, depth - 1));
    } else {
      CosDictPut(out, k, CopyObjIfDirect(value));
    }
  });
  return out;
}

CosObj CloneXObjectResourcesForOPIBug(SElementSeenTable* seen, CosObj xobjects, ASBool indirect) {
  if (!IsDict(xobjects)) return xobjects;
  return CloneXObjectResourcesForOPIBugInner(seen, xobjects, indirect, 0, kOPIFormDepth);
}
