#include "pdftools/PageInherit.h"

#include "host/AS.h"
#include "pdftools/CosObjSet.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageBoxes.h"

namespace {

// Walks a page-tree node and its ancestors through "Parent" while they are
// dictionaries; a node met twice (a damaged tree) ends the walk.
class SParentWalk {
 public:
  explicit SParentWalk(CosObj start) : node_(start) {}
  // The next node, or false at the end.
  bool Next(CosObj* node) {
    if (CosObjGetType(node_) != CosDict) return false;
    if (CosObjIsIndirect(node_) && !seen_.insert(node_).second) return false;
    *node = node_;
    node_ = CosDictGet(node_, atom[K_Parent]);
    return true;
  }

 private:
  CosObj node_;
  SCosObjSet seen_;
};

bool HasRotateNumber(CosObj pageDict) {
  CosType t = CosObjGetType(FindInheritedPageObject(pageDict, atom[K_Rotate]));
  return t == CosInteger || t == CosReal;
}

// Makes the target's own standard key (TrimBox or BleedBox) hold the
// source's box, or removes it when the source has none of its own.
bool CloneOwnBox(PDPage source, PDPage target, ASAtom key, EWhichSize which) {
  CosObj sourceDict = PDPageGetCosObj(source);
  CosObj targetDict = PDPageGetCosObj(target);
  bool targetHas = CosObjGetType(CosDictGet(targetDict, key)) == CosArray;
  if (CosObjGetType(CosDictGet(sourceDict, key)) == CosArray) {
    ASFixedRect s, t;
    GetPageRect(source, &s, which);
    GetPageRect(target, &t, which);
    if (!RectsDiffer(s, t) && targetHas) return false;
    CosDictPut(targetDict, key, MakeRectObject(CosObjGetDoc(targetDict), &s));
    return true;
  }
  if (!targetHas) return false;
  CosDictRemove(targetDict, key);
  return true;
}

// Rotations in 0 to 359; values that are not multiples of 90 count as 0.
ASInt32 NormalizeRotation(ASInt64 degrees) {
  ASInt64 r = degrees % 360;
  if (r < 0) r += 360;
  return r % 90 == 0 ? (ASInt32)r : 0;
}

}  // namespace

CosObj FindInheritedPageObject(CosObj dict, ASAtom key) {
  InitGlobalAtomTable();
  SParentWalk walk(dict);
  for (CosObj node; walk.Next(&node);) {
    CosObj value = CosDictGet(node, key);
    if (CosObjGetType(value) != CosNull) return value;
  }
  return CosNewNull();
}

void ForceIgnoreInheritedPageObjects(PDPage page) {
  InitGlobalAtomTable();
  CosObj pageDict = PDPageGetCosObj(page);
  bool resources = false, cropBox = false, rotate = false;
  // The page itself is walked first so that a "Parent" chain leading back
  // to it ends at once; its own keys do not count.
  SParentWalk walk(pageDict);
  CosObj node;
  walk.Next(&node);
  while (walk.Next(&node)) {
    resources = resources || CosDictKnown(node, atom[K_Resources]);
    cropBox = cropBox || CosDictKnown(node, atom[K_CropBox]);
    rotate = rotate || CosDictKnown(node, atom[K_Rotate]);
  }
  if (resources && !CosDictKnown(pageDict, atom[K_Resources]))
    CosDictPut(pageDict, atom[K_Resources], CosNewDict(CosObjGetDoc(pageDict), false, 0));
  if (cropBox && !CosDictKnown(pageDict, atom[K_CropBox])) {
    ASFixedRect media;
    PDPageGetMediaBox(page, &media);
    PDPageSetBox(page, atom[K_CropBox], media);
  }
  if (rotate && !CosDictKnown(pageDict, atom[K_Rotate])) PDPageSetRotate(page, 0);
}

ASBool ClonePageBoxAndRotation(PDPage source, PDPage target) {
  InitGlobalAtomTable();
  bool changed = false;
  CosObj sourceDict = PDPageGetCosObj(source);
  CosObj targetDict = PDPageGetCosObj(target);

  ASFixedRect s, t;
  PDPageGetMediaBox(source, &s);
  PDPageGetMediaBox(target, &t);
  if (RectsDiffer(s, t)) {
    PDPageSetMediaBox(target, s);
    changed = true;
  }

  if (CosObjGetType(FindInheritedPageObject(sourceDict, atom[K_CropBox])) == CosArray ||
      CosObjGetType(FindInheritedPageObject(targetDict, atom[K_CropBox])) == CosArray) {
    PDPageGetCropBox(source, &s);
    PDPageGetCropBox(target, &t);
    if (RectsDiffer(s, t)) {
      PDPageSetBox(target, atom[K_CropBox], s);
      changed = true;
    }
  }

  if (HasRotateNumber(sourceDict) || HasRotateNumber(targetDict)) {
    PDRotate r = PDPageGetRotate(source);
    if (r != PDPageGetRotate(target)) {
      PDPageSetRotate(target, r);
      changed = true;
    }
  }

  if (CloneOwnBox(source, target, atom[K_TrimBox], kSizeTrim)) changed = true;
  if (CloneOwnBox(source, target, atom[K_BleedBox], kSizeBleed)) changed = true;
  return changed;
}

ASBool ClonePageBoxAndRotationByPageNum(PDDoc doc, ASInt32 fromIndex, ASInt32 toIndex) {
  if (fromIndex == toIndex) return false;
  PDPage source = PDDocAcquirePage(doc, fromIndex);
  PDPage target = nullptr;
  ASBool changed = false;
  DURING
    target = PDDocAcquirePage(doc, toIndex);
    changed = ClonePageBoxAndRotation(source, target);
  HANDLER
    if (target) PDPageRelease(target);
    PDPageRelease(source);
    RERAISE();
  END_HANDLER
  PDPageRelease(target);
  PDPageRelease(source);
  return changed;
}

ASInt32 GetDocumentViewRotate(PDDoc doc) {
  InitGlobalAtomTable();
  PDPage page = PDDocAcquirePage(doc, 0);
  ASInt32 result = 0;
  DURING
    // An inherited Rotate is the page's own as much as one in its dictionary:
    // counting it here as well would turn the page twice.
    CosObj own = FindInheritedPageObject(PDPageGetCosObj(page), atom[K_Rotate]);
    ASInt32 shown = NormalizeRotation(PDPageGetRotate(page));
    // The host reads a real Rotate as its whole degrees; so do we.
    CosType t = CosObjGetType(own);
    ASInt32 ownDegrees = t == CosInteger || t == CosReal ? NormalizeRotation(CosInteger64Value(own)) : 0;
    result = NormalizeRotation((ASInt64)shown - ownDegrees);
  HANDLER
    PDPageRelease(page);
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
  return result;
}

void KPDPageReplaceCosContents(PDPage page, CosObj contents, ASBool flag) {
  PDPageAddCosContents(page, contents);
  PDPageNotifyContentsDidChangeEx(page, flag);
}
