#include "pdftools/PageForm.h"

#include <utility>

#include "foundation/ContentsStreamer.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosOps.h"
#include "pdftools/KCosStream.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageInherit.h"

namespace {

ASAtom FrmAtom() {
  static ASAtom a = ASAtomFromString("Frm");
  return a;
}

}  // namespace

CosObj PrepareFormXObjectFromPage(PDPage page, ASUns32 flags) {
  InitGlobalAtomTable();
  CosObj pageDict = PDPageGetCosObj(page);
  CosDoc cosDoc = CosObjGetDoc(pageDict);
  CosObj resources = CopyObjIfDirect(FindInheritedPageObject(pageDict, atom[K_Resources]));

  CosObj bbox = CosNewNull();
  const EGlobalAtom kCandidates[] = {K_CropBox, K_MediaBox, K_CropBox};
  for (ASInt32 i = (flags & kFormPreferCropBox) ? 0 : 1; i < 3 && CosObjGetType(bbox) != CosArray; ++i)
    bbox = CopyObjAsDirect(FindInheritedPageObject(pageDict, atom[kCandidates[i]]));
  if (CosObjGetType(bbox) != CosArray) {
    bbox = CosNewArray(cosDoc, 0, 4);
    const ASInt32 kLetter[] = {0, 0, 612, 792};
    for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(bbox, i, CosNewInteger(cosDoc, 0, kLetter[i]));
  }

  SContentsStreamerInfo* streamer = NewContentsStreamer();
  ASStm stm = nullptr;
  CosObj form = CosNewNull();
  DURING
    CosObj matrix = CosNewArray(cosDoc, 0, 6);
    const ASFixed kIdentity[] = {fixedOne, 0, 0, fixedOne, 0, 0};
    for (ASInt32 i = 0; i < 6; ++i) CosArrayPut(matrix, i, CosNewFixed(cosDoc, 0, kIdentity[i]));
    stm = ContentsStreamerMakeStm(streamer, CosDictGet(pageDict, atom[K_Contents]));
    CosObj attributes = CosNewDict(cosDoc, 0, 1);
    CosDictPut(attributes, atom[K_Filter], CosNewName(cosDoc, 0, atom[K_FlateDecode]));
    form = KCosNewStream(cosDoc, 1, stm, cosNewStreamCurrentPos, 1, attributes, CosNewNull(), cosNewStreamToEnd);
    CosObjDestroy(attributes);
    ASStmClose(std::exchange(stm, nullptr));
    CosDictPut(form, atom[K_Type], CosNewName(cosDoc, 0, atom[K_XObject]));
    CosDictPut(form, atom[K_Subtype], CosNewName(cosDoc, 0, atom[K_Form]));
    CosDictPut(form, atom[K_FormType], CosNewInteger(cosDoc, 0, 1));
    CosDictPut(form, atom[K_Resources], resources);
    CosDictPut(form, atom[K_Matrix], matrix);
    CosDictPut(form, atom[K_BBox], bbox);
  HANDLER
    ASStmClose(stm);
    DestroyContentsStreamer(streamer);
    RERAISE();
  END_HANDLER
  DestroyContentsStreamer(streamer);
  return form;
}

void ReplacePageWithXObjectReference(PDPage page, CosObj form, ASBool useHostReplace) {
  InitGlobalAtomTable();
  static const char kDraw[] = "/Frm Do";
  CosObj pageDict = PDPageGetCosObj(page);
  CosDoc cosDoc = CosObjGetDoc(form);
  CosObj contents = MakeStreamFromData(cosDoc, kDraw, (ASInt32)sizeof kDraw - 1);

  CosObj resources = CosNewDict(cosDoc, 1, 2);
  CosObj formResources = CosObjGetType(form) == CosStream ? CosDictGet(form, atom[K_Resources]) : CosNewNull();
  CosObj procSet =
      CosObjGetType(formResources) == CosDict ? CopyObjIfDirect(CosDictGet(formResources, atom[K_ProcSet])) : CosNewNull();
  CosDictPut(resources, atom[K_ProcSet], procSet);
  CosObj xobjects = CosNewDict(cosDoc, 1, 1);
  CosDictPut(xobjects, FrmAtom(), form);
  CosDictPut(resources, atom[K_XObject], xobjects);
  CosDictPut(pageDict, atom[K_Resources], resources);

  if (useHostReplace)
    KPDPageReplaceCosContents(page, contents, 1);
  else
    CosDictPut(pageDict, atom[K_Contents], contents);
}
