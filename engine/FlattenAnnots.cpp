#include "engine/FlattenAnnots.h"

#include "engine/EngineFixed.h"
#include "engine/PageMerge.h"
#include "engine/PageMergePriv.h"
#include "host/AS.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/MergeResources.h"

namespace {

enum EFlatAtom { kAP, kF, kBBox, kSubtype, kWidget, kPopup, kAnnots, kRect, kN, kFormType, kMatrix, kAS, kXObject,
                 kForm, kType, kFlatAtomCount };

ASAtom gFlatAtoms[kFlatAtomCount];
ASBool gFlatAtomsReady = 0;

ASAtom A(EFlatAtom which) {
  if (!gFlatAtomsReady) {
    static const char* const kNames[kFlatAtomCount] = {"AP",     "F", "BBox",     "Subtype", "Widget",
                                                      "Popup",  "Annots", "Rect", "N",  "FormType",
                                                      "Matrix", "AS", "XObject", "Form", "Type"};
    for (int i = 0; i < kFlatAtomCount; ++i) gFlatAtoms[i] = ASAtomFromString(kNames[i]);
    gFlatAtomsReady = 1;
  }
  return gFlatAtoms[which];
}

// count numbers of the array as 16.16 values; false when it is no such
// array (another length, or an element that is not a number).
bool ReadFixedArray(CosObj array, ASInt32 count, ASFixed* out) {
  if (CosObjGetType(array) != CosArray || CosArrayLength(array) != count) return false;
  for (ASInt32 i = 0; i < count; ++i) {
    CosObj item = CosArrayGet(array, i);
    CosType t = CosObjGetType(item);
    if (t != CosInteger && t != CosReal) return false;
    out[i] = CosFixedValue(item);
  }
  return true;
}

ASFixedRect Ordered(const ASFixed v[4]) {
  ASFixedRect r;
  r.left = v[0] < v[2] ? v[0] : v[2];
  r.right = v[0] < v[2] ? v[2] : v[0];
  r.bottom = v[1] < v[3] ? v[1] : v[3];
  r.top = v[1] < v[3] ? v[3] : v[1];
  return r;
}

// Scale and translation mapping the appearance's transformed bounding box
// onto the annotation's rectangle: sx, sy, tx, ty as 16.16 values.
void Placement(CosObj annotation, CosObj appearance, ASFixed out[4]) {
  out[0] = fixedOne;
  out[1] = fixedOne;
  out[2] = 0;
  out[3] = 0;
  ASFixed rect[4], bbox[4], m[6];
  // Unreadable numbers count as missing: the appearance is then drawn as it stands.
  if (!ReadFixedArray(CosDictGet(annotation, A(kRect)), 4, rect) ||
      !ReadFixedArray(CosDictGet(appearance, A(kBBox)), 4, bbox) ||
      !ReadFixedArray(CosDictGet(appearance, A(kMatrix)), 6, m))
    return;
  const ASFixedRect r = Ordered(rect);
  const ASFixedRect b = TransformRectByMatrix(Ordered(bbox), ASFixedMatrix{m[0], m[1], m[2], m[3], m[4], m[5]});
  const float rl = PageMergePoints(r.left), rb = PageMergePoints(r.bottom), rr = PageMergePoints(r.right),
              rt = PageMergePoints(r.top);
  const float bl = PageMergePoints(b.left), bb = PageMergePoints(b.bottom), br = PageMergePoints(b.right),
              bt = PageMergePoints(b.top);
  const float sx = b.left == b.right ? 1.0f : (rr - rl) / (br - bl);
  const float sy = b.top == b.bottom ? 1.0f : (rt - rb) / (bt - bb);
  out[0] = EngineFixedFromPoints(sx);
  out[1] = EngineFixedFromPoints(sy);
  out[2] = EngineFixedFromPoints(rl - sx * bl);
  out[3] = EngineFixedFromPoints(rb - sy * bb);
}

}  // namespace

ASBool AnnotationIsPrintable(CosObj annotation, EFieldsWhich which) {
  if (CosObjGetType(annotation) != CosDict) return 0;
  CosObj subtype = CosDictGet(annotation, A(kSubtype));
  if (CosObjGetType(subtype) != CosName) return 0;
  if (CosObjGetType(CosDictGet(annotation, A(kAP))) != CosDict) return 0;
  CosObj flags = CosDictGet(annotation, A(kF));
  if (CosObjGetType(flags) != CosInteger || (CosIntegerValue(flags) & 6) != 4) return 0;
  const bool widget = CosNameValue(subtype) == A(kWidget);
  if (which == kFieldsOnlyForms) return widget ? 1 : 0;
  if (which == kFieldsExceptForms) return widget ? 0 : 1;
  return 1;
}

void FlattenPrintableAnnotsInImposition(SPageMergeInfo* info, PDPage page, EFieldsWhich which) {
  CosObj annots = CosDictGet(PDPageGetCosObj(page), A(kAnnots));
  if (CosObjGetType(annots) != CosArray) return;
  SMergeResourceInfo* merge = PageMergeGetMergeResourceInfo(info);
  const ASInt32 count = CosArrayLength(annots);
  for (ASInt32 i = 0; i < count; ++i) {
    CosObj annotation = CosArrayGet(annots, i);
    if (!AnnotationIsPrintable(annotation, which)) continue;
    CosObj ap = CosDictGet(annotation, A(kAP));
    CosObj appearance = CosObjGetType(ap) == CosDict ? CosDictGet(ap, A(kN)) : CosNewNull();
    if (CosObjGetType(appearance) == CosDict) {
      CosObj state = CosDictGet(annotation, A(kAS));
      if (CosObjGetType(state) == CosName) appearance = CosDictGet(appearance, CosNameValue(state));
    }
    if (CosObjGetType(appearance) != CosStream || CosObjGetType(CosDictGet(annotation, A(kRect))) != CosArray)
      continue;

    const char* name = MergeSingleResource(merge, "XObject", "Frm", appearance);

    CosDoc cosDoc = CosObjGetDoc(annotation);
    CosDictPut(appearance, A(kType), CosNewName(cosDoc, 0, A(kXObject)));
    CosDictPut(appearance, A(kSubtype), CosNewName(cosDoc, 0, A(kForm)));
    if (!CosDictKnown(appearance, A(kFormType))) CosDictPut(appearance, A(kFormType), CosNewInteger(cosDoc, 0, 1));
    if (!CosDictKnown(appearance, A(kMatrix))) {
      CosObj identity = CosNewArray(cosDoc, 0, 6);
      const ASFixed values[6] = {fixedOne, 0, 0, fixedOne, 0, 0};
      for (ASInt32 k = 0; k < 6; ++k) CosArrayPut(identity, k, CosNewFixed(cosDoc, 0, values[k]));
      CosDictPut(appearance, A(kMatrix), identity);
    }

    WriteStringToMergedPage(info, "\n/KRVL_flat BMC\nq\n");
    ASFixed p[4];
    Placement(annotation, appearance, p);
    PageMergeWriteFormat(info, " %.4f %.4f %.4f %.4f %.4f %.4f cm\n", (double)PageMergePoints(p[0]), 0.0, 0.0,
                         (double)PageMergePoints(p[1]), (double)PageMergePoints(p[2]),
                         (double)PageMergePoints(p[3]));
    PageMergeWriteFormat(info, "/%s Do\n", name);
    WriteStringToMergedPage(info, "Q\nEMC\n");
  }
}
