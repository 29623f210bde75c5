// Placing one page of the target document on the open sheet.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineFixed.h"
#include "engine/FlattenAnnots.h"
#include "engine/PageMerge.h"
#include "engine/PageMergePriv.h"
#include "foundation/ContentsStreamer.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosOps.h"
#include "pdftools/DateStamp.h"
#include "pdftools/KCosStream.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PDFStatement.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"

namespace {

constexpr ASInt32 kStatementBufferSize = 60000;
// More XObjects than this and a page goes into a form of its own.
constexpr ASInt32 kMaxDirectXObjects = 50;

ASFixed Add(ASFixed a, ASFixed b) { return EngineFixedSum(a, b); }
ASFixed Sub(ASFixed a, ASFixed b) { return EngineFixedSum(a, -(ASInt64)b); }

float Pt(ASFixed v) { return PageMergePoints(v); }

void Write(SPageMergeInfo* info, const std::string& text) { PageMergeWriteBytes(info, text.data(), text.size()); }

bool IsDict(CosObj o) { return CosObjGetType(o) == CosDict; }

// The page's default matrix as it would be with the engine's extra rotation.
// The page is turned for the moment it takes to ask, then its own "Rotate"
// entry is put back exactly as it was (absent included).
ASFixedMatrix DefaultMatrixWithExtraRotation(PDPage page, ASInt32 extraRotation) {
  ASFixedMatrix m;
  PDPageGetDefaultMatrix(page, &m);
  if (extraRotation == 0) return m;
  ASInt32 rotation = PDPageGetRotate(page);
  for (ASInt32 e = extraRotation; e > 0; e -= 90) rotation = rotation == 270 ? 0 : rotation + 90;
  CosObj pageDict = PDPageGetCosObj(page);
  CosObj own = CosDictGet(pageDict, atom[K_Rotate]);
  auto restore = [&] {
    if (CosObjGetType(own) == CosNull)
      CosDictRemove(pageDict, atom[K_Rotate]);
    else
      CosDictPut(pageDict, atom[K_Rotate], own);
  };
  DURING
    PDPageSetRotate(page, rotation);
    PDPageGetDefaultMatrix(page, &m);
  HANDLER
    restore();
    RERAISE();
  END_HANDLER
  restore();
  return m;
}

// The rename map and its category dictionaries are objects of their own.
void DisposeRenameMap(CosObj map) {
  if (!IsDict(map)) return;
  SDictKeyList* keys = NewDictKeyList(map);
  DURING
    for (ASInt32 i = 0; i < keys->count; ++i) {
      CosObj names = CosDictGetKeyString(map, keys->keys[i]);
      if (CosObjIsIndirect(names)) CosObjDestroy(names);
    }
    if (CosObjIsIndirect(map)) CosObjDestroy(map);
  HANDLER
    DestroyDictKeyList(keys);
    RERAISE();
  END_HANDLER
  DestroyDictKeyList(keys);
}

// What the page's content leaves open, so that the engine's own brackets
// around it stay paired: text objects and marked content, innermost last.
struct SOpenConstructs {
  std::vector<char> open;  // 't' text object, 'm' marked content
  ASInt32 marked = 0;
  ASInt32 text = 0;

  // False when the statement closes something the page never opened.
  bool Take(EPDFVerb verb) {
    switch (verb) {
      case kPDFVerb_BT:
        open.push_back('t');
        ++text;
        return true;
      case kPDFVerb_BMC:
      case kPDFVerb_BDC:
        open.push_back('m');
        ++marked;
        return true;
      case kPDFVerb_ET:
        return Close('t', &text);
      case kPDFVerb_EMC:
        return Close('m', &marked);
      default:
        return true;
    }
  }
  bool Close(char kind, ASInt32* count) {
    if (*count == 0) return false;
    for (size_t i = open.size(); i-- > 0;) {
      if (open[i] == kind) {
        open.erase(open.begin() + (ptrdiff_t)i);
        --*count;
        break;
      }
    }
    return true;
  }
  // The closing operators, innermost first, each on a line of its own (the
  // page's last operator needs no white space after it).
  std::string Closers() const {
    std::string out;
    for (size_t i = open.size(); i-- > 0;) out += open[i] == 't' ? "\nET" : "\nEMC";
    return out;
  }
};

// Copies the page's content statements into the current content, resources
// renamed as the merge said. Returns what the content left open.
void CopyPageContent(SPageMergeInfo* info, PDPage page, CosObj contents, CosObj renameMap,
                     SNextPDFStatement* reader, SOpenConstructs* constructs) {
  SContentsStreamerInfo* streamer = NewContentsStreamer();
  ASStm stm = nullptr;
  char* buffer = nullptr;
  ASInt32 bufferSize = kStatementBufferSize;
  const bool renames = IsDict(renameMap);
  DURING
    stm = ContentsStreamerMakeStm(streamer, contents);
    // From here the reader owns the stream and closes it.
    OpenStmForNextPDFStatement(reader, PDPageGetCosResources(page), std::exchange(stm, nullptr));
    buffer = static_cast<char*>(ASmallocWithException((ASSize_t)bufferSize));
    for (;;) {
      ASInt32 length = 0;
      char* op = nullptr;
      // What follows the last operator paints nothing; an unclosed string or
      // dictionary there would swallow the engine's own operators.
      if (NextPDFStatementExt(&buffer, &bufferSize, &length, &op, reader, 0) != 0) break;
      char* end = buffer + length;
      // What follows an image in the copy is not what followed it here (a
      // stray closer dropped, the engine's own operators after the page):
      // an image whose end was searched for keeps it by its length.
      PinInlineImageEndInStatementExt(&buffer, &bufferSize, &end, &op, reader);
      if (renames) SubstituteResourceInStatementExt(&buffer, &bufferSize, &end, &op, renameMap);
      EPDFVerb verb = ClassifyPDFVerb(op);
      if (verb == kPDFVerb_q) {
        ++info->qDepth;
      } else if (verb == kPDFVerb_Q) {
        // A Q the page did not open would end the sheet's own state.
        if (info->qDepth <= 0) continue;
        --info->qDepth;
      } else if (verb == kPDFVerb_Tr && !info->tr2Seen) {
        char* p = buffer;
        ASInt32 mode = -1;
        DURING
          mode = ParseGetInteger(&p, end);
        HANDLER
          mode = -1;
        END_HANDLER
        if (mode == 2) info->tr2Seen = 1;
      }
      if (!constructs->Take(verb)) continue;
      PageMergeWriteBytes(info, buffer, (size_t)(end - buffer));
    }
    ASfree(std::exchange(buffer, nullptr));
    CloseNextPDFStatementInfo(reader);
  HANDLER
    ASfree(buffer);
    ASStmClose(stm);
    CloseNextPDFStatementInfo(reader);
    DestroyContentsStreamer(streamer);
    RERAISE();
  END_HANDLER
  DestroyContentsStreamer(streamer);
}

CosObj FixedArray(CosDoc cosDoc, std::initializer_list<ASFixed> values) {
  CosObj array = CosNewArray(cosDoc, 0, (ASInt32)values.size());
  ASInt32 i = 0;
  for (ASFixed v : values) CosArrayPut(array, i++, CosNewFixed(cosDoc, 0, v));
  return array;
}

// Where the sheet defines Default colour spaces that the form does not, the
// form gets them mapped to the device spaces.
void MapSheetDefaultSpaces(SPageMergeInfo* info, CosObj form) {
  if (!info->savedMerge) return;
  CosObj sheetResources = info->savedMerge->result;
  CosObj formResources = CosDictGet(form, atom[K_Resources]);
  if (!IsDict(sheetResources) || !IsDict(formResources)) return;
  CosObj sheetSpaces = CosDictGet(sheetResources, atom[K_ColorSpace]);
  if (!IsDict(sheetSpaces)) return;
  static const char* const kPairs[3][2] = {
      {"DefaultCMYK", "DeviceCMYK"}, {"DefaultRGB", "DeviceRGB"}, {"DefaultGray", "DeviceGray"}};
  CosObj formSpaces = CosDictGet(formResources, atom[K_ColorSpace]);
  if (!IsDict(formSpaces)) {
    bool any = false;
    for (const auto& pair : kPairs) any = any || CosDictKnownKeyString(sheetSpaces, pair[0]);
    if (!any) return;
    CosDictPut(formResources, atom[K_ColorSpace], CosNewDict(CosObjGetDoc(form), 0, 3));
    formSpaces = CosDictGet(formResources, atom[K_ColorSpace]);
  }
  for (const auto& pair : kPairs) {
    if (CosDictKnownKeyString(sheetSpaces, pair[0]) && !CosDictKnownKeyString(formSpaces, pair[0]))
      CosDictPutKeyString(formSpaces, pair[0], CosNewNameFromString(CosObjGetDoc(form), 0, pair[1]));
  }
}

// Starts writing the page into a form XObject of its own: the sheet's
// stream, file and merge record are parked.
void BeginFormWriting(SPageMergeInfo* info) {
  TerminateWritingFormXObject(info);
  PageMergeFlush(info);
  SGenFileInfo* formStream = NewTempFile();
  SMergeResourceInfo* formMerge = nullptr;
  DURING
    formMerge = NewMergeResourceInfo(info->targetDoc);
  HANDLER
    DestroyTempFile(formStream);
    RERAISE();
  END_HANDLER
  info->savedContentFile = info->contentFile;
  info->savedContentStream = info->contentStream;
  info->savedMerge = info->merge;
  info->contentStream = formStream;
  info->contentFile = TempStreamGetASFile(formStream);
  info->merge = formMerge;
  info->writingForm = 1;
  StartTempStream(formStream);
}

// Ends the form of the page: makes the XObject, puts the sheet's own
// writing back, and paints the form on the sheet.
void EndFormWriting(SPageMergeInfo* info, CosObj pageDict, const ASFixedRect& clip) {
  CosDoc cosDoc = PDDocGetCosDoc(info->targetDoc);
  PageMergeEndSegment(info);
  if (TempStreamLength(info->contentStream) == 0) {
    TerminateWritingFormXObject(info);
    return;
  }
  CosObj form = KCosNewStreamFromSegment(info->contentStream, cosDoc, 1,
                                         info->compress ? info->compressionDict : CosNewNull());
  CosDictPut(form, atom[K_Type], CosNewName(cosDoc, 0, atom[K_XObject]));
  CosDictPut(form, atom[K_Subtype], CosNewName(cosDoc, 0, atom[K_Form]));
  CosDictPut(form, atom[K_FormType], CosNewInteger(cosDoc, 0, 1));
  CosDictPut(form, atom[K_Resources], MergeResultResourceDict(info->merge));
  CosDictPut(form, atom[K_BBox], FixedArray(cosDoc, {clip.left, clip.bottom, clip.right, clip.top}));
  CosDictPut(form, atom[K_Matrix], FixedArray(cosDoc, {fixedOne, 0, 0, fixedOne, 0, 0}));
  MapSheetDefaultSpaces(info, form);
  TerminateWritingFormXObject(info);

  const char* name = MergeSingleResource(info->merge, "XObject", nullptr, form);
  PageMergeWriteFormat(info, "\n/KRVL_genDo_1 << /N /%s >> BDC\n/%s Do\nEMC\n", name, name);

  CosObj group = CosDictGet(pageDict, atom[K_Group]);
  if (IsDict(group)) {
    CosObj i = CosDictGet(group, atom[K_I]);
    if (CosObjGetType(i) == CosBoolean && CosBooleanValue(i)) {
      CosDictPut(form, atom[K_Group], CopyObjIfDirect(group));
    } else {
      CosObj copy = CopyDict(group, 1);
      CosDictPut(copy, atom[K_I], CosNewBoolean(cosDoc, 0, 1));
      CosDictPut(form, atom[K_Group], copy);
    }
  }
}

// The placement proper, with the page acquired.
void PlacePage(SPageMergeInfo* info, PDPage page, ASFixedMatrix matrix, ASFixedRect* clip, SKCab* output,
               SNextPDFStatement* reader, ASAtom pageID, CosObj timeStamp) {
  CosObj pageDict = PDPageGetCosObj(page);
  CosObj contents = CosDictGet(pageDict, atom[K_Contents]);
  CosObj resources = FindInheritedPageObject(pageDict, atom[K_Resources]);
  const bool ignoreBleed = gBleedVelmoraMode == kBleedIgnore;
  const EWhichSize trimWhich = ignoreBleed ? kSizeVisible : kSizeTrim;
  const PDRotate rotation = PDPageGetRotate(page);
  const char* id = ASAtomGetString(pageID);

  ASFixedRect trim;
  GetPageRect(page, &trim, trimWhich);
  ASFixedRect clipRect;
  if (clip) {
    clipRect = *clip;
  } else {
    GetPageRect(page, &clipRect, ignoreBleed ? kSizeVisible : kSizeBleed);
    if (info->bleedChokeSet) {
      ASFixedRect c = info->bleedChoke;
      for (ASInt32 r = rotation; r > 0; r -= 90) c = ASFixedRect{c.top, c.right, c.bottom, c.left};
      if (c.left >= 0) clipRect.left = std::max(clipRect.left, Sub(trim.left, c.left));
      if (c.bottom >= 0) clipRect.bottom = std::max(clipRect.bottom, Sub(trim.bottom, c.bottom));
      if (c.right >= 0) clipRect.right = std::min(clipRect.right, Add(trim.right, c.right));
      if (c.top >= 0) clipRect.top = std::min(clipRect.top, Add(trim.top, c.top));
    }
  }

  ASSize_t stampLength = 0;
  const char* stampBytes = CosStringValue(timeStamp, &stampLength);
  const std::string stamp(stampBytes, stampLength);

  // The placed box: the trim size as the page shows, put through the
  // caller's matrix.
  ASFixedMatrix pageMatrix;
  PDPageGetDefaultMatrix(page, &pageMatrix);
  ASFixed w = EngineFixedAbs((ASInt64)trim.right - trim.left), h = EngineFixedAbs((ASInt64)trim.top - trim.bottom);
  if (pageMatrix.b != 0) std::swap(w, h);
  const ASFixed x0 = matrix.h, y0 = matrix.v;
  const ASFixed x1 = Add(Add(ASFixedMul(w, matrix.a), ASFixedMul(h, matrix.c)), matrix.h);
  const ASFixed y1 = Add(Add(ASFixedMul(w, matrix.b), ASFixedMul(h, matrix.d)), matrix.v);
  PageMergeWriteFormat(info, "/KRVL_imposed_1 << /ID /%s /TS (%s) /BBox [ %.2f %.2f %.2f %.2f ] >> BDC\n", id,
                       stamp.c_str(), (double)Pt(std::min(x0, x1)), (double)Pt(std::min(y0, y1)),
                       (double)Pt(std::max(x0, x1)), (double)Pt(std::max(y0, y1)));
  Write(info, "\nq\n");

  // The trim corner goes where the caller's translation says.
  if (!clip) {
    ASFixedRect visible;
    GetPageRect(page, &visible, kSizeVisible);
    ASFixed dx = 0, dy = 0;
    switch (rotation) {
      case 90:
        dx = Sub(visible.bottom, trim.bottom);
        dy = Sub(trim.right, visible.right);
        break;
      case 180:
        dx = Sub(trim.right, visible.right);
        dy = Sub(trim.top, visible.top);
        break;
      case 270:
        dx = Sub(trim.top, visible.top);
        dy = Sub(visible.left, trim.left);
        break;
      default:
        dx = Sub(visible.left, trim.left);
        dy = Sub(visible.bottom, trim.bottom);
        break;
    }
    matrix.h = Add(matrix.h, Add(ASFixedMul(dx, matrix.a), ASFixedMul(dy, matrix.c)));
    matrix.v = Add(matrix.v, Add(ASFixedMul(dx, matrix.b), ASFixedMul(dy, matrix.d)));
  }
  const ASFixedMatrix shown = DefaultMatrixWithExtraRotation(page, info->extraRotation);
  const std::string placement =
      EngineFormat("%.5f %.5f %.5f %.5f %.2f %.2f cm\n", (double)Pt(matrix.a), (double)Pt(matrix.b),
                   (double)Pt(matrix.c), (double)Pt(matrix.d), (double)Pt(matrix.h), (double)Pt(matrix.v)) +
      EngineFormat("%.1f %.1f %.1f %.1f %.2f %.2f cm\n", (double)Pt(shown.a), (double)Pt(shown.b), (double)Pt(shown.c),
                   (double)Pt(shown.d), (double)Pt(shown.h), (double)Pt(shown.v)) +
      EngineFormat("%.2f %.2f %.2f %.2f re\nW n\n", (double)Pt(clipRect.left), (double)Pt(clipRect.bottom),
                   (double)Pt(Sub(clipRect.right, clipRect.left)), (double)Pt(Sub(clipRect.top, clipRect.bottom)));
  Write(info, placement);
  PageMergeWriteFormat(info, "/KRVL_imposed_2 << /ID /%s >> BDC\n", id);

  bool asForm;
  if (gImpositionUseFormXObjects == 2) {
    asForm = true;
  } else if (gImpositionUseFormXObjects == 1) {
    asForm = false;
  } else {
    CosObj sheetResources = info->merge->result;
    asForm = PageNeedsFormXObject(page, &sheetResources, info->directPlacement, 0);
  }
  if (asForm)
    BeginFormWriting(info);
  else
    info->directPlacement = 1;

  CosObj renameMap = CosNewNull();
  MergeResourceDict(info->merge, resources, &renameMap);
  info->qDepth = 0;
  SOpenConstructs constructs;
  CopyPageContent(info, page, contents, renameMap, reader, &constructs);
  Write(info, constructs.Closers());
  // The q the page left open are closed where it opened them: in its form,
  // or on the sheet before the engine's own brackets and the annotations,
  // which would otherwise be drawn in the page's leftover state.
  std::string closing;
  for (; info->qDepth > 0; --info->qDepth) closing += "\nQ % Program was missing this";
  if (!closing.empty()) Write(info, closing + "\n");
  if (asForm) EndFormWriting(info, pageDict, clipRect);

  CosObj group = CosDictGet(pageDict, atom[K_Group]);
  if (IsDict(group)) {
    if (!info->groupSeen) {
      info->sheetGroup = CopyObjIfDirect(group);
      info->groupSeen = 1;
    } else if (!CosObjContentsEqual(group, info->sheetGroup)) {
      info->groupsAgree = 0;
    }
  } else {
    info->groupMissing = 1;
  }

  Write(info, "\nEMC\n");
  if (info->annotMode != kFieldsNone) {
    CosObj annots = CosDictGet(pageDict, atom[K_Annots]);
    if (CosObjGetType(annots) == CosArray && CosArrayLength(annots) > 0) {
      Write(info, "\nQ\nq\n" + placement);
      FlattenPrintableAnnotsInImposition(info, page, info->annotMode);
    }
  }
  Write(info, "Q\n\n\nEMC\n");

  DisposeRenameMap(renameMap);
  AddPageInfoToImpositionDict(info->impositionDict, pageID, timeStamp, pageDict);
  if (output) {
    KCabPutAtom(output, "PageID", pageID);
    KCabPutStringCopy(output, "KRVL_ImposeTime", stamp.c_str());
  }
}

}  // namespace

void MergePage(SPageMergeInfo* info, ASInt32 pageIndex, ASFixedMatrix matrix, ASFixedRect* clip, SKCab* output) {
  PageMergeRegisterErrors();
  InitGlobalAtomTable();
  if (!info) ASRaise(genErrBadParm);
  if (pageIndex < 0) ASRaise(pageMergeExceptionNegativePage);
  // Without an open sheet there is no target whose pages could be counted.
  PageMergeCheckState(info, kPageMergeSheetOpen);
  if (pageIndex >= PDDocGetNumPages(info->targetDoc)) ASRaise(pageMergeExceptionBigPage);

  // Where the page begins in the sheet's content, and what the sheet knew of
  // groups before it: a failed placement leaves neither half a page's
  // statements nor its group behind.
  PageMergeFlush(info);
  const ASFilePos64 pageStart = ASFileGetPos64(info->contentFile);
  const ASBool groupSeen = info->groupSeen, groupMissing = info->groupMissing, groupsAgree = info->groupsAgree;
  const ASBool directPlacement = info->directPlacement;
  const CosObj sheetGroup = info->sheetGroup;

  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  ASAtom pageID = ASAtomNull;
  CosObj timeStamp = CosNewNull();
  PDPage page = nullptr;
  DURING
    pageID = GenerateUnusedKey(info->impositionDict);
    timeStamp = NewAcrobatTimeStampObj(PDDocGetCosDoc(info->targetDoc), 0);
    if (clip) info->bleedChokeSet = 0;
    page = PDDocAcquirePage(info->targetDoc, pageIndex);
    PlacePage(info, page, matrix, clip, output, reader, pageID, timeStamp);
  HANDLER
    // The sheet's own writing comes back, rolled back to where the page
    // began, so the record stays usable and the sheet balanced.
    DURING
      TerminateWritingFormXObject(info);
    HANDLER
    END_HANDLER
    info->pendingUsed = 0;
    info->qDepth = 0;
    DURING
      ASFileSetPos64(info->contentFile, pageStart);
    HANDLER
    END_HANDLER
    info->groupSeen = groupSeen;
    info->groupMissing = groupMissing;
    info->groupsAgree = groupsAgree;
    info->directPlacement = directPlacement;
    info->sheetGroup = sheetGroup;
    if (page) PDPageRelease(page);
    DestroyNextPDFStatementInfo(reader);
    info->bleedChokeSet = 0;
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
  DestroyNextPDFStatementInfo(reader);
  info->bleedChokeSet = 0;
}

ASBool ResourceClash(CosObj pageSpaces, CosObj sheetSpaces, ASAtom key, ASBool pageOnlyClashes) {
  const bool p = IsDict(pageSpaces) && CosObjGetType(CosDictGet(pageSpaces, key)) != CosNull;
  const bool s = IsDict(sheetSpaces) && CosObjGetType(CosDictGet(sheetSpaces, key)) != CosNull;
  if (p && s) return !CosObjContentsEqual(CosDictGet(pageSpaces, key), CosDictGet(sheetSpaces, key));
  if (p) return pageOnlyClashes ? 1 : 0;
  return s ? 1 : 0;
}

ASBool PageNeedsFormXObject(PDPage page, CosObj* sheetResources, ASBool pageOnlyDefaultClashes, ASBool ignoreGroup) {
  InitGlobalAtomTable();
  if (PageHasPatterns(page)) return 1;
  CosObj pageDict = PDPageGetCosObj(page);
  if (!ignoreGroup && CosObjGetType(CosDictGet(pageDict, atom[K_Group])) != CosNull) return 1;

  CosObj resources = PDPageGetCosResources(page);
  if (IsDict(resources)) {
    bool many = false;
    DURING
      many = DictCountElements(CosDictGet(resources, atom[K_XObject])) > kMaxDirectXObjects;
    HANDLER
      many = false;
    END_HANDLER
    if (many) return 1;
  }

  CosObj own = CosDictGet(pageDict, atom[K_Resources]);
  if (sheetResources && IsDict(*sheetResources) && IsDict(own)) {
    CosObj pageSpaces = CosDictGet(own, atom[K_ColorSpace]);
    CosObj sheetSpaces = CosDictGet(*sheetResources, atom[K_ColorSpace]);
    for (const char* key : {"DefaultGray", "DefaultRGB", "DefaultCMYK"})
      if (ResourceClash(pageSpaces, sheetSpaces, ASAtomFromString(key), pageOnlyDefaultClashes)) return 1;
  }
  return 0;
}
