#include "pdftools/MergeResources.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "pdftools/OPIFix.h"
#include "foundation/MFUtil.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosOps.h"
#include "pdftools/OPIFix.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PDFStatement.h"
#include "pdftools/StreamEdit.h"

namespace {

// Past this the "Z" counter starts again from 1.
constexpr ASInt32 kRenameCounterWrap = 200;

CosObjEnumProc gMergeCategoryProc = nullptr;
CosObjEnumProc gMergeEntryProc = nullptr;
CosObjEnumProc gCopyEntryProc = nullptr;
CosObjEnumProc gFindValueProc = nullptr;
CosObjEnumProc gMinimalResourcesProc = nullptr;

bool IsDict(CosObj o) { return CosObjGetType(o) == CosDict; }

char* CopyText(const char* text) {
  size_t n = std::strlen(text);
  char* copy = static_cast<char*>(ASmallocWithException(n + 1));
  std::memcpy(copy, text, n + 1);
  return copy;
}

// ---- names as content streams write them ------------------------------------------

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The name a content stream's text stands for: "#xx" escapes decoded (a
// decoded NUL ends it, as no name may hold one).
std::string DecodeName(const char* s, const char* e) {
  std::string out;
  out.reserve((size_t)(e - s));
  for (; s < e; ++s) {
    char c = *s;
    if (c == '#' && e - s >= 3 && HexValue(s[1]) >= 0 && HexValue(s[2]) >= 0) {
      c = (char)(HexValue(s[1]) * 16 + HexValue(s[2]));
      s += 2;
    }
    if (c == 0) break;
    out += c;
  }
  return out;
}

// A name's text as it must be written after its "/": bytes that would end
// the name or change its meaning are escaped.
std::string EncodeName(const char* name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char* p = name; *p; ++p) {
    unsigned char c = (unsigned char)*p;
    if (c > 32 && c < 127 && c != '#' && PDFCharIsRegular((char)c)) {
      out += (char)c;
    } else {
      out += '#';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Inline images name device spaces by these words; they are no resources.
bool IsDeviceSpaceName(ASAtom name) {
  static const ASAtom kNames[] = {ASAtomFromString("G"),          ASAtomFromString("RGB"),
                                  ASAtomFromString("CMYK"),       ASAtomFromString("I"),
                                  ASAtomFromString("DeviceGray"), ASAtomFromString("DeviceRGB"),
                                  ASAtomFromString("DeviceCMYK"), ASAtomFromString("Indexed"),
                                  ASAtomFromString("Pattern")};
  for (ASAtom a : kNames)
    if (a == name) return true;
  return false;
}

// ---- merging ---------------------------------------------------------------------

void MergeCategory(SMergeResourceInfo* info, ASAtom category, CosObj value);

ASBool MergeCategoryProc(CosObj key, CosObj value, void* clientData) {
  MergeCategory(static_cast<SMergeResourceInfo*>(clientData), CosNameValue(key), value);
  return 1;
}

ASBool CopyEntryProc(CosObj key, CosObj value, void* clientData) {
  CosDictPut(*static_cast<CosObj*>(clientData), CosNameValue(key), CopyObjIfDirect(value));
  return 1;
}

ASBool FindValueProc(CosObj key, CosObj value, void* clientData) {
  auto* info = static_cast<SMergeResourceInfo*>(clientData);
  if (!CosObjEqual(value, info->lookedFor)) return 1;
  info->foundKey = CopyText(ASAtomGetString(CosNameValue(key)));
  return 0;
}

void RecordRename(SMergeResourceInfo* info, ASAtom oldName, ASAtom newName) {
  CosDoc cosDoc = PDDocGetCosDoc(info->doc);
  if (!IsDict(info->renameMap)) info->renameMap = CosNewDict(cosDoc, 1, 10);
  CosObj names = CosDictGet(info->renameMap, info->currentCategory);
  if (!IsDict(names)) {
    names = CosNewDict(cosDoc, 1, 10);
    CosDictPut(info->renameMap, info->currentCategory, names);
  }
  CosDictPut(names, oldName, CosNewName(cosDoc, 0, newName));
}

ASBool MergeEntryProc(CosObj key, CosObj value, void* clientData) {
  auto* info = static_cast<SMergeResourceInfo*>(clientData);
  CosObj dict = info->currentCategoryDict;
  ASAtom name = CosNameValue(key);
  CosObj present = CosDictGet(dict, name);
  if (CosObjGetType(present) == CosNull) {
    CosDictPut(dict, name, CopyObjIfDirect(value));
    return 1;
  }
  if (CosObjEqual(present, value)) return 1;

  // The name is taken by another object: use the name the object already
  // has here, or a new one.
  ASfree(std::exchange(info->foundKey, nullptr));
  info->lookedFor = value;
  CosObjEnum(dict, gFindValueProc, info);
  if (info->foundKey) {
    RecordRename(info, name, ASAtomFromString(info->foundKey));
    return 1;
  }
  char* fresh = CreateUniqueKeyString(PDDocGetCosDoc(info->doc), dict, &info->renameCounter);
  ASAtom freshAtom = ASAtomFromString(fresh);
  ASfree(fresh);
  RecordRename(info, name, freshAtom);
  CosDictPut(dict, freshAtom, CopyObjIfDirect(value));
  return 1;
}

ASBool MinimalResourcesProc(CosObj, CosObj value, void* clientData) {
  auto* info = static_cast<SMergeResourceInfo*>(clientData);
  if (CosObjGetType(value) != CosStream) return 1;
  CosObj subtype = CosDictGet(value, atom[K_Subtype]);
  if (CosObjGetType(subtype) != CosName || CosNameValue(subtype) != atom[K_Form]) return 1;
  if (DoesSubstreamNeedResources(value)) SubstreamGenerateMinimalResources(value, info->source);
  return 1;
}

void MergeCategory(SMergeResourceInfo* info, ASAtom category, CosObj value) {
  CosDoc cosDoc = PDDocGetCosDoc(info->doc);
  if (category == atom[K_XObject] && IsDict(value)) {
    CosObjEnum(value, gMinimalResourcesProc, info);
    if (gApplyOPIFix) {
      if (!info->seenTable) {
        info->seenTable = NewElementSeenTableWithExtra(2);
        ElementSeenTableUseHashCall(info->seenTable);
      }
      if (XObjectResourcesIncludesOPIWithFonts(info->seenTable, value))
        value = CloneXObjectResourcesForOPIBug(info->seenTable, value, 0);
    }
  }

  CosType type = CosObjGetType(value);
  CosObj existing = CosDictGet(info->result, category);
  if (CosObjGetType(existing) != CosNull) {
    if (type == CosDict && CosObjGetType(existing) == CosDict) {
      info->currentCategoryDict = existing;
      info->currentCategory = category;
      CosObjEnum(value, gMergeEntryProc, info);
    } else if (type == CosArray && CosObjGetType(existing) == CosArray) {
      for (ASInt32 i = CosArrayLength(value) - 1; i >= 0; --i) {
        CosObj element = CosArrayGet(value, i);
        if (!IsObjectInArray(existing, element)) CosArrayInsert(existing, CosArrayLength(existing), element);
      }
    } else {
      info->irregularCategory = 1;
    }
    return;
  }
  if (type == CosDict) {
    CosObj copy = CosNewDict(cosDoc, CosObjIsIndirect(value), 25);
    CosObjEnum(value, gCopyEntryProc, &copy);
    CosDictPut(info->result, category, copy);
  } else if (type == CosArray) {
    ASInt32 n = CosArrayLength(value);
    CosObj copy = CosNewArray(cosDoc, CosObjIsIndirect(value), n);
    for (ASInt32 i = n - 1; i >= 0; --i) CosArrayPut(copy, i, CosArrayGet(value, i));
    CosDictPut(info->result, category, copy);
  } else {
    info->irregularCategory = 1;
    CosDictPut(info->result, category, value);
  }
}

void MakeCallbacks() {
  if (gMergeCategoryProc) return;
  gMergeEntryProc = ASCallbackCreateProto(CosObjEnumProc, MergeEntryProc);
  gCopyEntryProc = ASCallbackCreateProto(CosObjEnumProc, CopyEntryProc);
  gFindValueProc = ASCallbackCreateProto(CosObjEnumProc, FindValueProc);
  gMinimalResourcesProc = ASCallbackCreateProto(CosObjEnumProc, MinimalResourcesProc);
  gMergeCategoryProc = ASCallbackCreateProto(CosObjEnumProc, MergeCategoryProc);
}

}  // namespace

SMergeResourceInfo* NewMergeResourceInfo(PDDoc doc) {
  InitGlobalAtomTable();
  if (!doc) ASRaise(genErrBadParm);
  auto* info = static_cast<SMergeResourceInfo*>(ASmallocWithException(sizeof(SMergeResourceInfo)));
  std::memset(info, 0, sizeof *info);
  info->source = CosNewNull();
  info->doc = doc;
  info->currentCategoryDict = CosNewNull();
  info->renameMap = CosNewNull();
  info->lookedFor = CosNewNull();
  info->currentCategory = ASAtomNull;
  info->renameCounter = 1;
  DURING
    info->result = CosNewDict(PDDocGetCosDoc(doc), 1, 10);
  HANDLER
    ASfree(info);
    RERAISE();
  END_HANDLER
  return info;
}

void MergeResourceDict(SMergeResourceInfo* info, CosObj resources, CosObj* renameMap) {
  InitGlobalAtomTable();
  MakeCallbacks();
  if (!info) ASRaise(genErrBadParm);
  info->source = resources;
  info->renameMap = CosNewNull();
  if (renameMap) *renameMap = CosNewNull();
  if (IsDict(resources)) CosObjEnum(resources, gMergeCategoryProc, info);
  if (renameMap) *renameMap = info->renameMap;
}

const char* MergeSingleResource(SMergeResourceInfo* info, const char* category, const char* name, CosObj obj) {
  if (!info || !category) ASRaise(genErrBadParm);
  const char* key = name ? name : "Q";
  CosDoc cosDoc = PDDocGetCosDoc(info->doc);
  CosObj outer = CosNewDict(cosDoc, 0, 1);
  CosObj inner = CosNewDict(cosDoc, 0, 1);
  CosObj map = CosNewNull();
  DURING
    CosDictPutKeyString(inner, key, obj);
    CosDictPutKeyString(outer, category, inner);
    MergeResourceDict(info, outer, &map);
  HANDLER
    CosObjDestroy(inner);
    CosObjDestroy(outer);
    RERAISE();
  END_HANDLER
  CosObjDestroy(inner);
  CosObjDestroy(outer);
  ASAtom result = ASAtomFromString(key);
  if (IsDict(map)) {
    CosObj names = CosDictGetKeyString(map, category);
    if (IsDict(names)) {
      CosObj renamed = CosDictGetKeyString(names, key);
      if (CosObjGetType(renamed) == CosName) result = CosNameValue(renamed);
    }
  }
  return ASAtomGetString(result);
}

CosObj MergeResultResourceDict(SMergeResourceInfo* info) {
  if (!info) ASRaise(genErrBadParm);
  info->taken = 1;
  return info->result;
}

void DestroyMergeResourceInfo(SMergeResourceInfo* info) {
  if (!info) return;
  // The result's document may be closed already: asking about it raises.
  if (!info->taken) {
    DURING
      if (CosObjGetType(info->result) != CosNull) CosObjDestroy(info->result);
    HANDLER
    END_HANDLER
  }
  ASfree(info->foundKey);
  DestroyElementSeenTable(info->seenTable);
  ASfree(info);
}

char* CreateUniqueKeyString(CosDoc, CosObj dict, ASInt32* counter) {
  if (!counter) ASRaise(genErrBadParm);
  char text[32];
  do {
    if (*counter < 1) *counter = 1;
    std::snprintf(text, sizeof text, "Z%ld", (long)*counter);
    ++*counter;
  } while (CosDictKnownKeyString(dict, text));
  if (*counter > kRenameCounterWrap) *counter = 1;
  return CopyText(text);
}

// ---- statements ----------------------------------------------------------------------

namespace {

enum EOperandPlace { kFirstOperand, kSecondOperand, kLastOperand, kInlineImage };

struct SResourceOperator {
  const char* op;
  EGlobalAtom category;
  EOperandPlace place;
};

const SResourceOperator kResourceOperators[] = {
    {"Tf", K_Font, kFirstOperand},          {"Do", K_XObject, kFirstOperand},
    {"cs", K_ColorSpace, kFirstOperand},    {"CS", K_ColorSpace, kFirstOperand},
    {"gs", K_ExtGState, kFirstOperand},     {"sh", K_Shading, kFirstOperand},
    {"BDC", K_Properties, kSecondOperand},  {"DP", K_Properties, kSecondOperand},
    {"scn", K_Pattern, kLastOperand},       {"SCN", K_Pattern, kLastOperand},
    {"EI", K_ColorSpace, kInlineImage},     {"ID", K_ColorSpace, kInlineImage},
};

// The byte after the "/" of the resource name, or null.
char* FindResourceName(char* start, char* end, const char* op, EOperandPlace place) {
  char* p = start;
  switch (place) {
    case kFirstOperand:
      return ParseNameNext(&p, end) ? p + 1 : nullptr;
    case kSecondOperand:
      if (!ParseNameNext(&p, end)) return nullptr;
      ParseFoundNameEnd(&p, end);
      return ParseNameNext(&p, end) ? p + 1 : nullptr;
    case kLastOperand: {
      if (op < start || op > end) return nullptr;
      char* q = start + (op - start);
      while (q > start && PDFCharIsWhite(q[-1])) --q;
      while (q > start && PDFCharIsRegular(q[-1])) --q;
      return q > start && q[-1] == '/' ? q : nullptr;
    }
    case kInlineImage: {
      // The image's dictionary runs up to the ID keyword.
      char* id = nullptr;
      for (;;) {
        if (!ParseSkipWhiteSpace(&p, end)) return nullptr;
        if (*p == 'I') {
          id = p;
          break;
        }
        if (!ParseFindWhiteSpace(&p, end)) return nullptr;
      }
      char* value = ParseSearchNameValue(start, id, "CS");
      if (!value) value = ParseSearchNameValue(start, id, "ColorSpace");
      return value && value < id && *value == '/' ? value + 1 : nullptr;
    }
  }
  return nullptr;
}

// Moves the bytes from nameEnd to *end so that the name [nameStart, nameEnd)
// becomes replacement.
void ReplaceName(char* nameStart, char* nameEnd, char** end, char** op, const std::string& replacement) {
  ASInt64 delta = (ASInt64)replacement.size() - (nameEnd - nameStart);
  std::memmove(nameStart + replacement.size(), nameEnd, (size_t)(*end - nameEnd));
  std::memcpy(nameStart, replacement.data(), replacement.size());
  *end += delta;
  **end = 0;
  if (op && *op && *op >= nameEnd) *op += delta;
}

// The new name of the statement's resource, encoded for content; false when
// it was not renamed. *nameStart and *nameEnd locate the old name.
bool RenamedResource(char* start, char** end, char* op, CosObj renameMap, std::string* replacement,
                     char** nameStart, char** nameEnd) {
  if (!IsDict(renameMap)) return false;
  ASAtom category = ASAtomNull, name = ASAtomNull;
  if (!StatementIsResource(start, end, op, &category, &name, nullptr, nameStart, nameEnd)) return false;
  if (category == atom[K_ColorSpace] && (ClassifyPDFVerb(op) == kPDFVerb_EI || ClassifyPDFVerb(op) == kPDFVerb_ID) &&
      IsDeviceSpaceName(name))
    return false;
  CosObj names = CosDictGet(renameMap, category);
  if (!IsDict(names)) return false;
  CosObj renamed = CosDictGet(names, name);
  if (CosObjGetType(renamed) != CosName) return false;
  *replacement = EncodeName(ASAtomGetString(CosNameValue(renamed)));
  return true;
}

}  // namespace

ASBool StatementIsResource(char* start, char** end, const char* op, ASAtom* category, ASAtom* name, char** nameCopy,
                           char** nameStart, char** nameEnd) {
  InitGlobalAtomTable();
  if (nameCopy) *nameCopy = nullptr;
  if (!start || !end || !*end || !op) return 0;
  const SResourceOperator* found = nullptr;
  for (const SResourceOperator& r : kResourceOperators) {
    if (std::strcmp(op, r.op) == 0) {
      found = &r;
      break;
    }
  }
  if (!found) return 0;
  char* s = FindResourceName(start, *end, op, found->place);
  if (!s) return 0;
  char* e = s;
  while (e < *end && PDFCharIsRegular(*e)) ++e;
  if (category) *category = atom[found->category];
  if (name) *name = ASAtomFromString(DecodeName(s, e).c_str());
  if (nameCopy) {
    *nameCopy = static_cast<char*>(ASmallocWithException((size_t)(e - s) + 1));
    std::memcpy(*nameCopy, s, (size_t)(e - s));
    (*nameCopy)[e - s] = 0;
  }
  if (nameStart) *nameStart = s;
  if (nameEnd) *nameEnd = e;
  return 1;
}

void SubstituteResourceInStatement(char* start, char** end, ASInt32 size, char** op, CosObj renameMap) {
  if (!start || !end || !op) ASRaise(genErrBadParm);
  std::string replacement;
  char *nameStart = nullptr, *nameEnd = nullptr;
  if (!RenamedResource(start, end, *op, renameMap, &replacement, &nameStart, &nameEnd)) return;
  ASInt64 newLength = (*end - start) + (ASInt64)replacement.size() - (nameEnd - nameStart);
  if (newLength + 1 > (ASInt64)size) ASRaise(PDFStatementTooLongError());
  ReplaceName(nameStart, nameEnd, end, op, replacement);
}

void SubstituteResourceInStatementExt(char** buffer, ASInt32* bufferSize, char** end, char** op, CosObj renameMap) {
  if (!buffer || !*buffer || !bufferSize || !end || !op) ASRaise(genErrBadParm);
  std::string replacement;
  char *nameStart = nullptr, *nameEnd = nullptr;
  if (!RenamedResource(*buffer, end, *op, renameMap, &replacement, &nameStart, &nameEnd)) return;
  ASInt64 newLength = (*end - *buffer) + (ASInt64)replacement.size() - (nameEnd - nameStart);
  if (newLength + 1 > (ASInt64)*bufferSize) {
    ASInt64 grown = (ASInt64)*bufferSize * 2;
    if (grown < newLength + 1) grown = newLength + 1;
    if (grown > INT32_MAX) ASRaise(PDFStatementTooLongError());
    char* old = *buffer;
    char* moved = static_cast<char*>(ASreallocWithException(old, (ASSize_t)grown));
    // Every pointer into the old block moves with it.
    auto rebase = [&](char* p) { return p ? moved + (p - old) : p; };
    nameStart = rebase(nameStart);
    nameEnd = rebase(nameEnd);
    *end = rebase(*end);
    *op = rebase(*op);
    *buffer = moved;
    *bufferSize = (ASInt32)grown;
  }
  ReplaceName(nameStart, nameEnd, end, op, replacement);
}

// ---- form XObjects without resources ----------------------------------------------------

namespace {

ASBool NeedsResourcesCallback(void* data, PDPage, char* buffer, ASInt32* length, ASInt32, char* op, EPDFVerb verb) {
  auto* answer = static_cast<ASBool*>(data);
  switch (verb) {
    case kPDFVerb_BDC:
    case kPDFVerb_cs:
    case kPDFVerb_CS:
    case kPDFVerb_Do:
    case kPDFVerb_DP:
    case kPDFVerb_gs:
    case kPDFVerb_scn:
    case kPDFVerb_SCN:
    case kPDFVerb_Tf:
    case kPDFVerb_sh:
      *answer = 1;
      break;
    case kPDFVerb_EI:
    case kPDFVerb_ID: {
      char* end = buffer + *length;
      ASAtom category, name;
      if (StatementIsResource(buffer, &end, op, &category, &name, nullptr, nullptr, nullptr) &&
          !IsDeviceSpaceName(name))
        *answer = 1;
      break;
    }
    default:
      break;
  }
  return 0;
}

struct SMinimalResources {
  CosObj made;       // the new Resources
  CosObj resources;  // where the entries come from
};

ASBool MinimalResourcesCallback(void* data, PDPage, char* buffer, ASInt32* length, ASInt32, char* op, EPDFVerb verb) {
  auto* m = static_cast<SMinimalResources*>(data);
  char* end = buffer + *length;
  ASAtom category, name;
  if (!StatementIsResource(buffer, &end, op, &category, &name, nullptr, nullptr, nullptr)) return 0;
  if ((verb == kPDFVerb_EI || verb == kPDFVerb_ID) && IsDeviceSpaceName(name)) return 0;
  CosObj from = CosDictGet(m->resources, category);
  if (!IsDict(from)) return 0;
  CosObj into = CosDictGet(m->made, category);
  if (!IsDict(into)) {
    into = CosNewDict(CosObjGetDoc(m->made), 1, 5);
    CosDictPut(m->made, category, into);
  }
  if (!CosDictKnown(into, name)) CosDictPut(into, name, CopyObjIfDirect(CosDictGet(from, name)));
  return 0;
}

void ReadOnlyFormEdit(CosObj form, PageStreamEditCallback callback, void* data) {
  SPageStreamEditInfo* edit = NewPageStreamEditInfo(1);
  DURING
    PageStreamEdit(edit, nullptr, &form, callback, data);
  HANDLER
    DestroyPageStreamEditInfo(edit);
    RERAISE();
  END_HANDLER
  DestroyPageStreamEditInfo(edit);
}

}  // namespace

ASBool DoesSubstreamNeedResources(CosObj obj) {
  InitGlobalAtomTable();
  if (CosObjGetType(obj) != CosStream) return 0;
  if (CosObjGetType(CosDictGet(obj, atom[K_Resources])) != CosNull) return 0;
  ASBool answer = 0;
  ReadOnlyFormEdit(obj, NeedsResourcesCallback, &answer);
  return answer;
}

void SubstreamGenerateMinimalResources(CosObj form, CosObj resources) {
  InitGlobalAtomTable();
  if (CosObjGetType(form) != CosStream || !IsDict(resources)) return;
  CosDoc doc = CosObjGetDoc(form);
  CosObj made = CosNewDict(doc, 0, 7);
  CosObj procSet = CosNewArray(doc, 0, 5);
  const EGlobalAtom kProcSets[] = {K_PDF, K_Text, K_ImageB, K_ImageC, K_ImageI};
  for (ASInt32 i = 0; i < 5; ++i) CosArrayPut(procSet, i, CosNewName(doc, 0, atom[kProcSets[i]]));
  CosDictPut(made, atom[K_ProcSet], procSet);

  CosObj spaces = CosDictGet(resources, atom[K_ColorSpace]);
  if (IsDict(spaces)) {
    const ASAtom kDefaults[] = {ASAtomFromString("DefaultGray"), ASAtomFromString("DefaultRGB"),
                                ASAtomFromString("DefaultCMYK")};
    bool any = false;
    for (ASAtom k : kDefaults) any = any || CosObjGetType(CosDictGet(spaces, k)) != CosNull;
    if (any) {
      CosObj defaults = CosNewDict(doc, 1, 10);
      for (ASAtom k : kDefaults) CosDictPut(defaults, k, CosDictGet(spaces, k));
      CosDictPut(made, atom[K_ColorSpace], defaults);
    }
  }
  SMinimalResources m{made, resources};
  ReadOnlyFormEdit(form, MinimalResourcesCallback, &m);
  CosDictPut(form, atom[K_Resources], made);
}
