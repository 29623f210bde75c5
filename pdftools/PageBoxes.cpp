#include "pdftools/PageBoxes.h"

#include <algorithm>
#include <cstdint>

#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageInherit.h"

namespace {

// Names of the private dictionary that the atom table does not hold.
ASAtom AtomBleedDict() {
  static const ASAtom a = ASAtomFromString("KRVL_Bleed_1");
  return a;
}
ASAtom AtomBleedMargin() {
  static const ASAtom a = ASAtomFromString("BleedMargin");
  return a;
}

// Fixed-point sums that saturate: boxes and margins come from files and may
// sit at the ends of the range.
ASFixed Saturate(int64_t v) { return (ASFixed)std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); }
ASFixed Add(ASFixed a, ASFixed b) { return Saturate((int64_t)a + b); }
ASFixed Sub(ASFixed a, ASFixed b) { return Saturate((int64_t)a - b); }
ASFixed Abs(ASFixed a) { return Saturate(a < 0 ? -(int64_t)a : (int64_t)a); }

// The trim box inside a bleed (or crop) box, and the bleed box around a trim
// box, by margins m (left, bottom, right, top in the rectangle's fields).
// Reading and writing both use these, so that a box derived from margins
// never turns inside out: it collapses to zero width or height instead.
ASFixedRect InsetByMargins(const ASFixedRect& base, const ASFixedRect& m) {
  ASFixedRect r;
  r.left = Add(base.left, m.left);
  r.bottom = Add(base.bottom, m.bottom);
  r.right = std::max(Sub(base.right, m.right), r.left);
  r.top = std::max(Sub(base.top, m.top), r.bottom);
  return r;
}

ASFixedRect OutsetByMargins(const ASFixedRect& trim, const ASFixedRect& m) {
  ASFixedRect r;
  r.left = Sub(trim.left, m.left);
  r.bottom = Sub(trim.bottom, m.bottom);
  r.right = std::max(Add(trim.right, m.right), r.left);
  r.top = std::max(Add(trim.top, m.top), r.bottom);
  return r;
}

ASAtom PageKeyFor(EWhichSize which) { return which == kSizeTrim ? atom[K_TrimBox] : atom[K_BleedBox]; }

bool IsMnemonic(const ASFixedRect* rect) {
  uintptr_t v = reinterpret_cast<uintptr_t>(rect);
  return v == 1 || v == 2;
}

// A box read from the private dictionary: numbers or a box name.
bool LoadBoxEntry(PDPage page, CosObj dict, ASAtom key, ASFixedRect* out) {
  CosObj v = CosDictGet(dict, key);
  return LoadRect(v, out) || LoadPageMnemonic(page, v, out);
}

}  // namespace

CosObj LoadBleedDict(CosObj pageDict) { return CosDictGet(pageDict, AtomBleedDict()); }

ASBool LoadPageMnemonic(PDPage page, CosObj obj, ASFixedRect* out) {
  if (CosObjGetType(obj) != CosName) return false;
  InitGlobalAtomTable();
  ASAtom name = CosNameValue(obj);
  if (name == atom[K_CropBox]) {
    PDPageGetCropBox(page, out);
    return true;
  }
  if (name == atom[K_MediaBox]) {
    PDPageGetMediaBox(page, out);
    return true;
  }
  return false;
}

void GetPageRect(PDPage page, ASFixedRect* out, EWhichSize which) {
  InitGlobalAtomTable();
  PDPageGetCropBox(page, out);
  if (which != kSizeTrim && which != kSizeBleed) return;
  if (LoadRect(CosDictGet(PDPageGetCosObj(page), PageKeyFor(which)), out)) return;
  GetOldPageRect(page, out, which);
}

void GetOldPageRect(PDPage page, ASFixedRect* out, EWhichSize which) {
  InitGlobalAtomTable();
  ASFixedRect crop;
  PDPageGetCropBox(page, &crop);
  *out = crop;
  if (which == kSizeVisible) return;
  CosObj d = LoadBleedDict(PDPageGetCosObj(page));
  if (CosObjGetType(d) != CosDict) return;

  ASFixedRect trim, bleed, margin;
  bool hasTrim = LoadBoxEntry(page, d, atom[K_TrimBox], &trim);
  bool hasBleed = LoadBoxEntry(page, d, atom[K_BleedBox], &bleed);
  bool hasMargin = LoadFourNumbers(CosDictGet(d, AtomBleedMargin()), &margin);

  if (which == kSizeTrim) {
    if (hasTrim) *out = trim;
    else if (hasMargin) *out = InsetByMargins(hasBleed ? bleed : crop, margin);
    return;
  }
  if (hasBleed) *out = bleed;
  else if (hasTrim && hasMargin) *out = OutsetByMargins(trim, margin);
}

void SetPageBleedRect(PDPage page, EWhichBleed which, ASFixedRect* rect) {
  InitGlobalAtomTable();
  CosObj p = PDPageGetCosObj(page);
  CosDoc cd = CosObjGetDoc(p);

  if (which == kBleedAll) {
    if (!rect) {
      CosDictRemove(p, AtomBleedDict());
      CosDictRemove(p, atom[K_BleedBox]);
      CosDictRemove(p, atom[K_TrimBox]);
    }
    return;
  }
  ASAtom privateKey, pageKey = ASAtomNull;
  switch (which) {
    case kBleedTrimBox: privateKey = pageKey = atom[K_TrimBox]; break;
    case kBleedBleedBox: privateKey = pageKey = atom[K_BleedBox]; break;
    case kBleedMargins: privateKey = AtomBleedMargin(); break;
    default: return;
  }
  // Margins have no box name.
  if (which == kBleedMargins && IsMnemonic(rect)) return;

  CosObj d = LoadBleedDict(p);
  if (CosObjGetType(d) != CosDict) {
    // Nothing is removed from a page that has no private dictionary.
    if (!rect) return;
    d = CosNewDict(cd, false, 3);
    CosDictPut(p, AtomBleedDict(), d);
    d = LoadBleedDict(p);
  }

  if (!rect) {
    CosDictRemove(d, privateKey);
    if (pageKey != ASAtomNull) CosDictRemove(p, pageKey);
    return;
  }

  if (IsMnemonic(rect)) {
    bool media = reinterpret_cast<uintptr_t>(rect) == 1;
    ASAtom box = media ? atom[K_MediaBox] : atom[K_CropBox];
    CosDictPut(d, privateKey, CosNewName(cd, false, box));
    // The standard key always gets numbers, never the name.
    CosObj found = FindInheritedPageObject(p, box);
    if (CosObjGetType(found) != CosArray) found = FindInheritedPageObject(p, atom[K_MediaBox]);
    ASFixedRect r;
    if (CosObjGetType(found) == CosArray && LoadRect(found, &r)) CosDictPut(p, pageKey, MakeRectObject(cd, &r));
    return;
  }

  CosDictPut(d, privateKey, MakeRectObject(cd, rect));
  if (pageKey != ASAtomNull) {
    CosDictPut(p, pageKey, MakeRectObject(cd, rect));
    return;
  }
  // Margins: complete the standard boxes that the page lacks.
  ASFixedRect bleed, trim;
  bool okBleed = LoadRect(CosDictGet(p, atom[K_BleedBox]), &bleed);
  bool okTrim = LoadRect(CosDictGet(p, atom[K_TrimBox]), &trim);
  if (!okTrim) {
    ASFixedRect base = bleed;
    if (!okBleed) PDPageGetCropBox(page, &base);
    ASFixedRect derived = InsetByMargins(base, *rect);
    CosDictPut(p, atom[K_TrimBox], MakeRectObject(cd, &derived));
  } else if (!okBleed) {
    ASFixedRect derived = OutsetByMargins(trim, *rect);
    CosDictPut(p, atom[K_BleedBox], MakeRectObject(cd, &derived));
  }
}

ASBool PageHasBleeds(PDPage page) {
  InitGlobalAtomTable();
  CosObj p = PDPageGetCosObj(page);
  bool standard = CosObjGetType(CosDictGet(p, atom[K_TrimBox])) == CosArray ||
                  CosObjGetType(CosDictGet(p, atom[K_BleedBox])) == CosArray;
  if (!standard && CosObjGetType(LoadBleedDict(p)) != CosDict) return false;
  ASFixedRect visible, trim, bleed;
  GetPageRect(page, &visible, kSizeVisible);
  GetPageRect(page, &trim, kSizeTrim);
  GetPageRect(page, &bleed, kSizeBleed);
  return RectsDiffer(trim, visible) || RectsDiffer(bleed, visible);
}

void GetTranslatedPageSize(PDPage page, ASFixedPoint* out, EWhichSize which) {
  ASFixedMatrix m;
  PDPageGetDefaultMatrix(page, &m);
  m.h = 0;
  m.v = 0;
  ASFixedRect r;
  GetPageRect(page, &r, which);
  ASFixedPoint size{Sub(r.right, r.left), Sub(r.top, r.bottom)};
  ASFixedPoint turned;
  ASFixedMatrixTransform(&turned, &m, &size);
  out->h = Abs(turned.h);
  out->v = Abs(turned.v);
}

void GetTranslatedPageSizeByPageNum(PDDoc doc, ASInt32 pageNum, ASFixedPoint* out, EWhichSize which) {
  PDPage page = PDDocAcquirePage(doc, pageNum);
  DURING
    GetTranslatedPageSize(page, out, which);
  HANDLER
    PDPageRelease(page);
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
}

ASBool PDPageCropNeTrim(PDPage page) {
  ASFixedRect trim, visible;
  GetPageRect(page, &trim, kSizeTrim);
  GetPageRect(page, &visible, kSizeVisible);
  return RectsDiffer(trim, visible);
}

ASBool PDDocCropNeTrim(PDDoc doc) {
  for (ASInt32 i = PDDocGetNumPages(doc) - 1; i >= 0; --i) {
    PDPage page = PDDocAcquirePage(doc, i);
    ASBool differs = false;
    DURING
      differs = PDPageCropNeTrim(page);
    HANDLER
      PDPageRelease(page);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
    if (differs) return true;
  }
  return false;
}

void KPDPageSetBox(PDPage page, ASAtom box, ASFixedRect rect) {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  if (major >= 5) {
    PDPageSetBox(page, box, rect);
    return;
  }
  // Older hosts have no set-box call: the rectangle array goes into the
  // page's own dictionary.
  CosObj dict = PDPageGetCosObj(page);
  CosDictPut(dict, box, MakeRectObject(CosObjGetDoc(dict), &rect));
}

ASBool KPDPageGetBox(PDPage page, ASAtom box, ASFixedRect* rect) {
  if (!rect) return 0;
  return LoadRect(CosDictGet(PDPageGetCosObj(page), box), rect);
}
