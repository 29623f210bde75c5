#include "pdftools/PageWalk.h"

#include <utility>
#include <vector>

#include "foundation/HostGlue.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosObjSet.h"
#include "pdftools/CosRect.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"

ASBool ForEachPage(PDDoc doc, long first, long last, long step, ForEachPageProc proc, void* data,
                   SCancelStatusInfo* info) {
  InitGlobalAtomTable();
  // A step below 1 would never reach the end of the range.
  if (!doc || !proc || step < 1) ASRaise(genErrBadParm);
  ProgressMonitor monitor = nullptr;
  void* monitorData = nullptr;
  CancelProc cancel = nullptr;
  void* cancelData = nullptr;
  if (info && info->size >= sizeof(SCancelStatusInfo)) {
    monitor = info->monitor;
    monitorData = info->monitorData;
    cancel = info->cancelProc;
    cancelData = info->cancelData;
  }
  if (last < 0) last = PDDocGetNumPages(doc) - 1;

  ProgressMonitorBegin(monitor, monitorData);
  ProgressMonitorSetDuration(monitor, (ASInt32)(last - first + 1), monitorData);
  ASBool result = 1;
  PDPage page = nullptr;
  long done = 0;
  DURING
    for (long n = first; n <= last;) {
      page = PDDocAcquirePage(doc, (ASInt32)n);
      ASBool goOn = proc(page, data);
      PDPageRelease(std::exchange(page, nullptr));
      done += step;
      ProgressMonitorSetCurrValue(monitor, (ASInt32)done, monitorData);
      if (!goOn || (cancel && cancel(cancelData))) {
        result = 0;
        break;
      }
      if (last - n < step) break;
      n += step;
    }
  HANDLER
    if (page) PDPageRelease(page);
    ProgressMonitorEnd(monitor, monitorData);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  return result;
}

namespace {

struct SOwnBox {
  EGlobalAtom key;
  ASBool has;
  ASFixedRect rect;
};

// What the duplicate needs of its source, read while the source is held.
struct SSourcePage {
  CosObj dict;
  PDRotate rotate;
  ASFixedRect media;
  ASFixedRect crop;
  CosObj resources;  // in force, inherited or own
  SOwnBox boxes[3];
};

// New annotations for the new page: each one a copy pointing to the page;
// references between them (a popup and its parent, replies) follow the
// copies, and a widget joins its field's kids.
CosObj CopyAnnotations(CosObj annots, CosObj newPage) {
  CosDoc doc = CosObjGetDoc(newPage);
  ASInt32 n = CosArrayLength(annots);
  CosObj out = CosNewArray(doc, CosObjIsIndirect(annots), n);
  SCosObjMap<CosObj> copies;
  std::vector<CosObj> made;
  for (ASInt32 i = 0; i < n; ++i) {
    CosObj a = CosArrayGet(annots, i);
    if (CosObjGetType(a) != CosDict) {
      CosArrayPut(out, i, CopyObjIfDirect(a));
      continue;
    }
    CosObj copy = CopyObj(a);
    CosDictPutKeyString(copy, "P", newPage);
    // The copy has no place in the structure tree.
    CosDictRemoveKeyString(copy, "StructParent");
    if (CosObjIsIndirect(a)) copies.emplace(a, copy);
    made.push_back(copy);
    CosArrayPut(out, i, copy);
  }
  static const char* const kLinks[] = {"Popup", "Parent", "IRT"};
  for (CosObj copy : made) {
    for (const char* key : kLinks) {
      CosObj target = CosDictGetKeyString(copy, key);
      auto it = CosObjIsIndirect(target) ? copies.find(target) : copies.end();
      if (it != copies.end()) CosDictPutKeyString(copy, key, it->second);
    }
    CosObj subtype = CosDictGet(copy, atom[K_Subtype]);
    if (CosObjGetType(subtype) != CosName || CosNameValue(subtype) != atom[K_Widget]) continue;
    CosObj field = CosDictGetKeyString(copy, "Parent");
    if (CosObjGetType(field) != CosDict || copies.count(field)) continue;
    CosObj kids = CosDictGet(field, atom[K_Kids]);
    if (CosObjGetType(kids) == CosArray && CosObjIsIndirect(copy)) CosArrayInsert(kids, CosArrayLength(kids), copy);
  }
  return out;
}

}  // namespace

void PDDocDuplicatePage(PDDoc doc, long source, long after, ASBool copyAnnots) {
  InitGlobalAtomTable();
  SSourcePage s{};
  s.boxes[0] = SOwnBox{K_BleedBox, 0, {}};
  s.boxes[1] = SOwnBox{K_ArtBox, 0, {}};
  s.boxes[2] = SOwnBox{K_TrimBox, 0, {}};
  PDPage sourcePage = PDDocAcquirePage(doc, (ASInt32)source);
  DURING
    s.dict = PDPageGetCosObj(sourcePage);
    s.rotate = PDPageGetRotate(sourcePage);
    PDPageGetMediaBox(sourcePage, &s.media);
    PDPageGetCropBox(sourcePage, &s.crop);
    for (SOwnBox& b : s.boxes) b.has = KPDPageGetBox(sourcePage, atom[b.key], &b.rect);
    s.resources = FindInheritedPageObject(s.dict, atom[K_Resources]);
  HANDLER
    PDPageRelease(sourcePage);
    RERAISE();
  END_HANDLER
  PDPageRelease(sourcePage);

  PDPage page = PDDocCreatePage(doc, (ASInt32)after, s.media);
  DURING
    CosObj dict = PDPageGetCosObj(page);
    static const EGlobalAtom kShared[] = {K_Resources, K_BoxColorInfo, K_Group,          K_Thumb, K_Metadata,
                                          K_PZ,        K_SeparationInfo, K_Tabs,         K_UserUnit, K_VP};
    for (EGlobalAtom k : kShared) {
      CosObj value = CosDictGet(s.dict, atom[k]);
      if (CosObjGetType(value) != CosNull) CosDictPut(dict, atom[k], CopyObjIfDirect(value));
    }
    // Resources the source inherits that the new place would not give.
    if (CosObjGetType(s.resources) != CosNull &&
        !CosObjEqual(FindInheritedPageObject(dict, atom[K_Resources]), s.resources))
      CosDictPut(dict, atom[K_Resources], CopyObjIfDirect(s.resources));
    if (copyAnnots) {
      CosObj annots = CosDictGet(s.dict, atom[K_Annots]);
      if (CosObjGetType(annots) == CosArray)
        CosDictPut(dict, atom[K_Annots], CopyAnnotations(annots, dict));
      else if (CosObjGetType(annots) != CosNull)
        CosDictPut(dict, atom[K_Annots], CopyObjIfDirect(annots));
    }
    for (const SOwnBox& b : s.boxes)
      if (b.has) KPDPageSetBox(page, atom[b.key], b.rect);
    if (CosObjGetType(CosDictGet(s.dict, atom[K_CropBox])) != CosNull) {
      PDPageSetCropBox(page, s.crop);
    } else {
      ASFixedRect crop;
      PDPageGetCropBox(page, &crop);
      if (RectsDiffer(crop, s.crop)) PDPageSetCropBox(page, s.crop);
    }
    if (s.rotate != 0 || PDPageGetRotate(page) != s.rotate) PDPageSetRotate(page, s.rotate);
    CosObj contents = CosDictGet(s.dict, atom[K_Contents]);
    if (CosObjGetType(contents) == CosArray)
      PDPageAddCosContents(page, CopyObjAsDirect(contents));
    else if (CosObjGetType(contents) != CosNull)
      PDPageAddCosContents(page, contents);
  HANDLER
    PDPageRelease(page);
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
}
