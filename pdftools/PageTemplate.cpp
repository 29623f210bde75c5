#include "pdftools/PageTemplate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "foundation/KFile.h"
#include "pdftools/PageBoxes.h"

namespace {

// The one cached background: its path is an atom's text, so it lives as long
// as the host.
struct STemplateCache {
  const char* path;
  PDDoc doc;
};
STemplateCache templateCache{nullptr, nullptr};

}  // namespace

ASInt64 TemplatePageIndex(const STemplateInfo* info, ASInt32 sequence) {
  if (info->blank || sequence < 0 || info->from < 0 || info->to < info->from) return -1;
  const ASInt64 first = info->from, last = info->to;
  const ASInt64 repeat = std::min<ASInt64>(info->repeat, last - first + 1);
  ASInt64 p = first + sequence;
  if (p > last) {
    if (repeat < 1) return -1;
    p = (last - repeat + 1) + ((first + sequence - last - 1) % repeat);
  }
  return p;
}

void TemplateInfoSetPath(STemplateInfo* templ, const char* path) {
  if (templ) templ->path = path && *path ? ASAtomGetString(ASAtomFromString(path)) : nullptr;
}

ASBool TemplatesAreIdentical(const STemplateInfo* a, const STemplateInfo* b) {
  if (a == b) return 1;
  if (!a || !b) return 0;
  if (a->blank && b->blank) return a->width == b->width && a->height == b->height;
  if (a->blank || b->blank) return 0;
  const char* pa = a->path ? a->path : "";
  const char* pb = b->path ? b->path : "";
  return std::strcmp(pa, pb) == 0 && a->from == b->from && a->to == b->to && a->repeat == b->repeat;
}

ASInt32 TemplateMaxPages(const STemplateInfo* info) {
  if (info->blank || info->repeat > 0) return kTemplateNoLimit;
  return (ASInt32)std::clamp<ASInt64>((ASInt64)info->to - info->from + 1, 0, kTemplateNoLimit);
}

ASInt32 TemplateSequenceToZeroBasedPageOffset(const STemplateInfo* info, ASInt32 sequence) {
  const ASInt64 p = TemplatePageIndex(info, sequence);
  return p < 0 ? -1 : (ASInt32)(p - info->from);
}

void AddPDDocToTemplateCache(const char* path, PDDoc doc) {
  if (templateCache.doc && templateCache.doc != doc) PDDocClose(templateCache.doc);
  templateCache.doc = doc;
  templateCache.path = path ? ASAtomGetString(ASAtomFromString(path)) : nullptr;
}

void TemplateCacheTerm() {
  if (templateCache.doc) PDDocClose(templateCache.doc);
  templateCache = STemplateCache{nullptr, nullptr};
}

PDDoc CachedTemplatePDDoc(STemplateInfo* info, ASBool report) {
  if (!info || info->blank) return nullptr;
  const char* path = info->path ? info->path : "";
  if (templateCache.doc && templateCache.path && std::strcmp(templateCache.path, path) == 0) return templateCache.doc;
  PDDoc doc = OpenExistingPDDocFromDIPath(path, report && !info->failedToOpen);
  if (!doc) {
    info->failedToOpen = 1;
    return nullptr;
  }
  AddPDDocToTemplateCache(path, doc);
  return doc;
}

ASFixedPoint TemplatePageSize(STemplateInfo* info, ASInt32 sequence, ASBool report) {
  ASFixedPoint size{0, 0};
  if (info->blank) return ASFixedPoint{info->width, info->height};
  PDDoc doc = CachedTemplatePDDoc(info, report);
  const ASInt64 p = TemplatePageIndex(info, sequence);
  if (!doc || p < 0 || p >= PDDocGetNumPages(doc)) return size;
  GetTranslatedPageSizeByPageNum(doc, (ASInt32)p, &size, kSizeVisible);
  return size;
}

ASBool TemplateAllSameSize(STemplateInfo* info, ASBool report) {
  if (info->blank) return 1;
  PDDoc doc = CachedTemplatePDDoc(info, report);
  if (!doc) return 0;
  const ASInt32 last = std::min(info->to, PDDocGetNumPages(doc) - 1);
  if (info->from < 0 || info->from > last) return 0;
  ASFixedPoint first{0, 0};
  GetTranslatedPageSizeByPageNum(doc, info->from, &first, kSizeVisible);
  for (ASInt32 p = info->from + 1; p <= last; ++p) {
    ASFixedPoint size{0, 0};
    GetTranslatedPageSizeByPageNum(doc, p, &size, kSizeVisible);
    if (std::abs((ASInt64)size.h - first.h) > 65536 || std::abs((ASInt64)size.v - first.v) > 65536) return 0;
  }
  return 1;
}
