#include "pdftools/CosRect.h"

#include <utility>

#include "host/ASExcept.h"

CosObj MakeRectObject(CosDoc doc, const ASFixedRect* rect) {
  CosObj array = CosNewArray(doc, false, 4);
  CosArrayPut(array, 0, CosNewFixed(doc, false, rect->left));
  CosArrayPut(array, 1, CosNewFixed(doc, false, rect->bottom));
  CosArrayPut(array, 2, CosNewFixed(doc, false, rect->right));
  CosArrayPut(array, 3, CosNewFixed(doc, false, rect->top));
  return array;
}

ASBool LoadFourNumbers(CosObj obj, ASFixedRect* out) {
  if (CosObjGetType(obj) != CosArray) return false;
  ASFixed v[4];
  // An unreadable rectangle is not an error: every reader has a fall-back.
  DURING
    for (ASInt32 i = 0; i < 4; ++i) {
      CosObj item = CosArrayGet(obj, i);
      CosType t = CosObjGetType(item);
      if (t != CosInteger && t != CosReal) E_RETURN(false);
      v[i] = CosFixedValue(item);
    }
  HANDLER
    return false;
  END_HANDLER
  out->left = v[0];
  out->bottom = v[1];
  out->right = v[2];
  out->top = v[3];
  return true;
}

ASBool LoadRect(CosObj obj, ASFixedRect* out) {
  ASFixedRect r;
  if (!LoadFourNumbers(obj, &r)) return false;
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.bottom > r.top) std::swap(r.bottom, r.top);
  *out = r;
  return true;
}
