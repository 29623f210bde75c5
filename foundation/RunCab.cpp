#include "foundation/RunCab.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/Msg.h"

namespace {

// No document: string page words resolve against this many pages.
constexpr ASInt32 kNoDocPageCount = 999999999;

ASErrorCode gBadPageNumberError = 0;

// The cabinet that source settings go into: "Params" when it carries a
// "Source" of its own.
SKCab* SourceHolder(SKCab* cab) {
  if (KCabKnown(cab, "Params:Source")) {
    if (SKCab* params = KCabGetCab(cab, "Params")) return params;
  }
  return cab;
}

}  // namespace

ASInt32 ClampToInt32(ASInt64 v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (ASInt32)v;
}

ASInt32 RunCabCurrentPageOfView(AVDoc view) {
  if (!view) return -1;
  AVPageView pageView = AVDocGetPageView(view);
  return pageView ? AVPageViewGetPageNum(pageView) : -1;
}

// ---- callbacks and properties

ASBool ProcManDoCallback(SKCab* run, SKCab* args, const char* key) {
  auto callback = (ProcManCallback)KCabGetFunctionPointerNamedType(run, key, kProcManCallbackType);
  if (!callback) return 0;
  KCabPutAtom(args, "Callback", Atom(key));
  callback(run, args);
  return 1;
}

ASBool ProcManBoolProperty(SKCab* cab, const char* key, SKCab* args) {
  switch (KCabGetType(cab, key)) {
    case kKCabTypeBool:
      return KCabGetBool(cab, key, 0);
    case kKCabTypeNamedPointer: {
      auto proc = (ProcManBoolPropertyProc)KCabGetFunctionPointerNamedType(cab, key, kProcManBoolPropertyProcType);
      return proc ? proc(cab, args) : 0;
    }
    default:
      return 0;
  }
}

void ProcManMarkCancelProcess(SKCab* run, const char* reason) {
  if (reason) KCabPutStringCopy(run, "ProcMan:CancelReason", reason);
  KCabPutBool(run, "ProcMan:Cancelled", 1);
}

ASBool ProcManIsCancelled(SKCab* run) { return KCabGetBool(run, "ProcMan:Cancelled", 0) ? 1 : 0; }

ASBool ProcManShouldDisplayProgress(SKCab* run) {
  return KCabKnown(run, "Control:PerPage") && KCabKnown(run, "Control:Props:StatusTitle");
}

AVDoc ProcManGetSourceAVDoc(SKCab* run) {
  return (AVDoc)KCabGetPointerNamedType(run, "ProcMan:AVDoc", kKAVDocType);
}

PDDoc ProcManGetSourcePDDoc(SKCab* run) {
  return (PDDoc)KCabGetPointerNamedType(run, "ProcMan:PDDoc", kKPDDocType);
}

void ProcManCheckSourceChangeDoc(SKCab* run, AVDoc avDoc, PDDoc pdDoc) {
  if (avDoc) KCabPutPointerNamedType(run, "ProcMan:AVDoc", kKAVDocType, avDoc, nullptr);
  else KCabRemove(run, "ProcMan:AVDoc");
  if (pdDoc) KCabPutPointerNamedType(run, "ProcMan:PDDoc", kKPDDocType, pdDoc, nullptr);
  else KCabRemove(run, "ProcMan:PDDoc");
}

ASInt32 ProcManGetNumPagesToDo(SKCab* run) { return KCabGetInt(run, "ProcMan:PagesToDo", 0); }

void ProcManSetSourcePDDoc(SKCab* cab, PDDoc doc) {
  SKCab* holder = SourceHolder(cab);
  KCabPutAtom(holder, "Source:SourceType", Atom("PDDoc"));
  KCabPutPointerNamedType(holder, "Source:Source", kKPDDocType, doc, nullptr);
}

// The other source kinds drop an earlier "Source:Source": remembered
// parameters must not keep a pointer to a document that may be closed.
void ProcManSetSourceCurrentAVDoc(SKCab* cab) {
  SKCab* holder = SourceHolder(cab);
  KCabPutAtom(holder, "Source:SourceType", Atom("CurrentAVDoc"));
  KCabRemove(holder, "Source:Source");
}

void ProcManSetSourceNone(SKCab* cab) {
  SKCab* holder = SourceHolder(cab);
  KCabPutAtom(holder, "Source:SourceType", Atom("None"));
  KCabRemove(holder, "Source:Source");
}

PDDoc ProcManGetTargetPDDoc(SKCab* run) {
  if (KCabGetBool(run, "Params:NewDoc", 0)) {
    if (AVDoc front = AVAppGetActiveDoc()) return AVDocGetPDDoc(front);
  }
  return ProcManGetSourcePDDoc(run);
}

// ---- results

void KVCommandProcessingPage(SKCab* run, SKCab* args) {
  auto page = (PDPage)KCabGetPointerNamedType(args, "PDPage", kPDPageType);
  if (!page) return;
  if (!KCabKnown(run, "Result:FirstPage")) {
    // Kept as the first page: only its presence is read.
    KCabPutInt(run, "Result:FirstPage", PDPageGetNumber(page));
    KCabPutInt(run, "Result:DocPages", PDDocGetNumPages(PDPageGetDoc(page)));
    if (AVDoc view = ProcManGetSourceAVDoc(run)) {
      ASInt32 current = RunCabCurrentPageOfView(view);
      if (current >= 0) KCabPutInt(run, "Result:CurrentPage", current);
    } else {
      ASInt32 old = KCabGetInt(run, "OldResult:CurrentPage", -1);
      if (old >= 0) KCabPutInt(run, "Result:CurrentPage", old);
    }
  }
  KCabPutInt(run, "Result:PagesProcessed", KCabGetInt(run, "Result:PagesProcessed", 0) + 1);
}

// ---- page ranges

ASBool ResolveSingleRangeElemString(const char* text, ASInt32* page, ASInt32 pageCount) {
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ') ++p;
  static const char* const kLastWords[] = {"last", "letzte", "dernier", "\xc3\xbaltima", "\xc3\x9altima"};
  for (const char* word : kLastWords) {
    size_t n = std::strlen(word);
    bool same = true;
    for (size_t i = 0; i < n && same; ++i) {
      unsigned char a = (unsigned char)p[i], b = (unsigned char)word[i];
      if (a < 0x80 && b < 0x80) same = std::tolower(a) == std::tolower(b);
      else same = a == b;
    }
    if (!same) continue;
    const char* q = p + n;
    while (*q == ' ') ++q;
    ASInt64 back = 0;
    if (*q == '-') {
      ++q;
      while (*q == ' ') ++q;
      if (*q < '0' || *q > '9') return 0;
      while (*q >= '0' && *q <= '9') {
        if (back < 100000000000LL) back = back * 10 + (*q - '0');
        ++q;
      }
      while (*q == ' ') ++q;
    }
    if (*q) return 0;
    ASInt64 r = (ASInt64)pageCount - 1 - back;
    *page = r < 0 ? 0 : ClampToInt32(r);
    return 1;
  }
  if (*p < '0' || *p > '9') return 0;
  ASInt64 n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < 100000000000LL) n = n * 10 + (*p - '0');
    ++p;
  }
  while (*p == ' ') ++p;
  if (*p) return 0;
  *page = n == 0 ? 0 : ClampToInt32(n - 1);
  return 1;
}

ASBool ResolveSingleRangeElem(SKCab* cab, const char* key, ASInt32 defaultPage, ASInt32* page, PDDoc doc) {
  switch (KCabGetType(cab, key)) {
    case kKCabTypeString:
      return ResolveSingleRangeElemString(KCabGetString(cab, key), page, doc ? PDDocGetNumPages(doc) : kNoDocPageCount);
    case kKCabTypeInt:
      *page = ClampToInt32((ASInt64)KCabGetInt(cab, key, 0) - 1);
      return 1;
    default:
      *page = ClampToInt32((ASInt64)defaultPage - 1);
      return 1;
  }
}

ASInt32 GetSinglePageRangeElem(SKCab* cab, const char* key, PDDoc doc, ASBool raise) {
  ASInt32 type = KCabGetType(cab, key);
  ASInt32 page = -1;
  if ((type == kKCabTypeInt || type == kKCabTypeString) && ResolveSingleRangeElem(cab, key, 1, &page, doc) &&
      page >= 0) {
    return page;
  }
  if (raise) {
    if (!gBadPageNumberError) gBadPageNumberError = ASRegisterErrorStringUTF8(2, Msg("common.err.badpagenumber"));
    ASRaise(gBadPageNumberError);
  }
  return -1;
}

ASBool ResolveRangeForSubDoc(SKCab* cab, ASInt32* first, ASInt32* last, ASInt32* step, PDDoc doc) {
  ASInt32 count = doc ? PDDocGetNumPages(doc) : kNoDocPageCount;
  ASInt32 f = 0, l = 0;
  bool ok = ResolveSingleRangeElem(cab, "Source:Range:From", 1, &f, doc);
  ASInt32 toType = KCabGetType(cab, "Source:Range:To");
  if (toType != kKCabTypeInt && toType != kKCabTypeString && KCabGetType(cab, "Source:Range:For") == kKCabTypeInt) {
    l = ClampToInt32((ASInt64)f + KCabGetInt(cab, "Source:Range:For", 0) - 1);
  } else {
    ok = ResolveSingleRangeElem(cab, "Source:Range:To", count, &l, doc) && ok;
  }
  *step = KCabGetInt(cab, "Source:Range:Step", *step);
  if (ok) {
    *first = f;
    *last = l;
  }
  return ok ? 1 : 0;
}
