// The PDF preview control.
#include "kctl/mac/PDFCtl.h"

#include <algorithm>
#include <cstring>

#include "foundation/Atom.h"
#include "foundation/MFUtil.h"
#include "host/AS.h"
#include "host/PD.h"
#include "kctl/mac/MacDialogItems.h"
#include "pdftools/DocCache.h"

namespace {

SPDFCtlInfo* firstPDFCtlInfo = nullptr;
SPDFCtlInfo* lastPDFCtlInfo = nullptr;
PDDoc PDFCtlAnonDocument = nullptr;
CosObj PDFCtlAnonResources{};
bool gResourcesMade = false;

bool IsNull(CosObj o) { return CosObjGetType(o) == CosNull; }

// The dictionary of a stream, or the object itself.
CosObj DictOf(CosObj o) { return CosObjGetType(o) == CosStream ? CosStreamDict(o) : o; }

void MakeAnonDocument() {
  if (!PDFCtlAnonDocument) PDFCtlAnonDocument = PDDocCreate();
  if (gResourcesMade) return;
  CosDoc cd = PDDocGetCosDoc(PDFCtlAnonDocument);
  CosObj resources = CosNewDict(cd, 1, 3);
  CosObj procSet = CosNewArray(cd, 0, 2);
  CosArrayPut(procSet, 0, CosNewName(cd, 0, Atom("PDF")));
  CosArrayPut(procSet, 1, CosNewName(cd, 0, Atom("Text")));
  CosDictPut(resources, Atom("ProcSet"), procSet);
  CosObj fonts = CosNewDict(cd, 0, 5);
  // The five fonts content streams of the previews select by these names.
  static const struct {
    const char* name;
    ASInt32 code;
  } kFonts[] = {{"H", 4}, {"HB", 5}, {"HI", 6}, {"T", 0}, {"C", 8}};
  for (const auto& f : kFonts) {
    CosObj font = BaseFontDict(cd, f.code);
    CosDictPut(font, Atom("Encoding"), CosNewName(cd, 0, Atom("MacRomanEncoding")));
    CosDictPut(fonts, Atom(f.name), font);
  }
  CosDictPut(resources, Atom("Font"), fonts);
  PDFCtlAnonResources = resources;
  gResourcesMade = true;
}

void FreeRecord(SPDFCtlInfo* rec) {
  (rec->prev ? rec->prev->next : firstPDFCtlInfo) = rec->next;
  (rec->next ? rec->next->prev : lastPDFCtlInfo) = rec->prev;
  if (rec->ownsObject && !IsNull(rec->object)) {
    DURING
      CosObjDestroy(rec->object);
    HANDLER
    END_HANDLER
  }
  ASfree(rec);
}

// Whole points as fixed numbers, saturated at the range's ends.
ASFixed FixedFromInt(ASInt64 i) {
  if (i < -32767) return fixedNegativeInfinity;
  if (i > 32767) return fixedPositiveInfinity;
  return (ASFixed)(i * 65536);
}

ASFixed Saturate(ASInt64 f) {
  if (f < (ASInt64)fixedNegativeInfinity) return fixedNegativeInfinity;
  if (f > (ASInt64)fixedPositiveInfinity) return fixedPositiveInfinity;
  return (ASFixed)f;
}

}  // namespace

SPDFCtlInfo* FindPDFCtlInfo(SMacDialogInfo* info, ASInt32 id) {
  for (SPDFCtlInfo* r = firstPDFCtlInfo; r; r = r->next)
    if (r->dialog == info && r->controlId == id) return r;
  return nullptr;
}

SPDFCtlInfo* FindOrNewPDFCtlInfo(SMacDialogInfo* info, ASInt32 id) {
  if (SPDFCtlInfo* r = FindPDFCtlInfo(info, id)) return r;
  auto* rec = static_cast<SPDFCtlInfo*>(ASmallocWithException(sizeof(SPDFCtlInfo)));
  std::memset(rec, 0, sizeof *rec);
  rec->dialog = info;
  rec->controlId = id;
  rec->object = CosNewNull();
  rec->prev = lastPDFCtlInfo;
  (lastPDFCtlInfo ? lastPDFCtlInfo->next : firstPDFCtlInfo) = rec;
  lastPDFCtlInfo = rec;
  MacDefinePDFCtl(info, id);
  return rec;
}

void MacDefinePDFCtl(SMacDialogInfo* info, ASInt32 id) {
  static PfUserItemProc proc = nullptr;
  if (!proc) proc = ASCallbackCreateProto(PfUserItemProc, DrawPDFCtlCallback);
  if (!MacDialogInfoIsLive(info) || !PfIsValidDialog(info->dialog)) return;
  ASInt32 index = MapControlIdToInternal(info, id);
  ASInt32 kind = PfGetDialogItemKind(info->dialog, (int16_t)index);
  if (index >= 1 && kind >= 0 && (kind & 0x7F) == kPfUserItem) PfSetDialogItemProc(info->dialog, (int16_t)index, proc);
}

void PDFCtlSetStream(SMacDialogInfo* info, ASInt32 id, const char* text, ASInt32 length) {
  if (!text) text = "";
  ASSize_t n = length < 0 ? std::strlen(text) : (ASSize_t)length;
  ASStm stm = nullptr;
  CosObj stream;
  DURING
    stm = ASMemStmRdOpen(text, n);
    MakeAnonDocument();
    stream = CosNewStream(PDDocGetCosDoc(PDFCtlAnonDocument), 1, stm, 0, 0, CosNewNull(), CosNewNull(),
                          cosNewStreamToEnd);
    CosDictPut(CosStreamDict(stream), Atom("Resources"), PDFCtlAnonResources);
  HANDLER
    ASStmClose(stm);
    RERAISE();
  END_HANDLER
  ASStmClose(stm);
  PDFCtlSetCosObj(info, id, stream, 1);
}

void PDFCtlSetCosObj(SMacDialogInfo* info, ASInt32 id, CosObj object, ASInt16 owns) {
  SPDFCtlInfo* rec = FindOrNewPDFCtlInfo(info, id);
  if (rec->ownsObject && !IsNull(rec->object) && !CosObjEqual(rec->object, object)) CosObjDestroy(rec->object);
  rec->object = object;
  rec->ownsObject = owns;
  if (rec->width < 0) {
    CosObj box = CosDictGet(DictOf(object), Atom("BBox"));
    ASInt64 llx = CosFixedValue(CosArrayGet(box, 0)), lly = CosFixedValue(CosArrayGet(box, 1));
    ASInt64 urx = CosFixedValue(CosArrayGet(box, 2)), ury = CosFixedValue(CosArrayGet(box, 3));
    // Rounded to the nearest point, halves up.
    rec->width = (ASInt32)((urx - llx + 0x8000) >> 16);
    rec->height = (ASInt32)((ury - lly + 0x8000) >> 16);
  }
  MacRedrawDialogNow(info);
}

void PDFCtlSetDrawMode(SMacDialogInfo* info, ASInt32 id, ASInt32 mode, ASInt32 width, ASInt32 height) {
  SPDFCtlInfo* rec = FindOrNewPDFCtlInfo(info, id);
  rec->drawMode = mode;
  rec->width = width;
  rec->height = height;
}

void RemovePDFCtl(SMacDialogInfo* info, ASInt32 id) {
  for (SPDFCtlInfo* r = firstPDFCtlInfo; r;) {
    SPDFCtlInfo* next = r->next;
    if (r->dialog == info && (id == -1 || r->controlId == id)) FreeRecord(r);
    r = next;
  }
}

ASInt32 PDFCtlDialogProc(SMacDialogInfo* info, ASUns32 message, ASInt32, SMacControlHitInfo*) {
  if (message == kMacDlgDestroy) {
    RemovePDFCtl(info, -1);
    return 0;
  }
  return message == kMacDlgInit ? 1 : 0;
}

ASFixedMatrix PDFCtlMatrixFor(const SPDFCtlInfo* rec, const PfRect& r) {
  ASInt64 L = r.left, T = r.top, R = r.right, B = r.bottom, W = rec->width, H = rec->height;
  ASFixedMatrix m{fixedOne, 0, 0, -fixedOne, FixedFromInt(L), FixedFromInt(B)};
  switch (rec->drawMode) {
    case kPDFCtlActualCentred:
      m.h = Saturate((ASInt64)FixedFromInt(L) + ((ASInt64)FixedFromInt(R - L) - FixedFromInt(W)) / 2);
      m.v = Saturate((ASInt64)FixedFromInt(T) + ((ASInt64)FixedFromInt(B - T) + FixedFromInt(H)) / 2);
      break;
    case kPDFCtlFit:
    case kPDFCtlFitNoEnlarge: {
      // A content without size cannot be fitted: it is shown at actual size.
      double s = 1.0;
      if (W > 0 && H > 0) s = std::min((double)(R - L) / (double)W, (double)(B - T) / (double)H);
      if (rec->drawMode == kPDFCtlFitNoEnlarge && s > 1.0) s = 1.0;
      m.a = ASFloatToFixed(s);
      m.d = ASFloatToFixed(-s);
      m.h = Saturate((ASInt64)FixedFromInt(L) + ((ASInt64)FixedFromInt(R - L) - ASFloatToFixed((double)W * s)) / 2);
      m.v = Saturate((ASInt64)FixedFromInt(T) + ((ASInt64)FixedFromInt(B - T) + ASFloatToFixed((double)H * s)) / 2);
      break;
    }
    default:  // actual size at the bottom-left corner, also for modes nobody defined
      break;
  }
  return m;
}

void DrawPDFCtlCallback(PfDialogRef dialog, int16_t item) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info) return;
  ASInt32 id = MapControlIdFromInternal(info, item);
  ASInt32 index = MapControlIdToInternal(info, id);
  ASInt32 kind = PfGetDialogItemKind(dialog, (int16_t)index);
  PfRect r;
  if (kind < 0 || (kind & 0x7F) != kPfUserItem || !PfGetDialogItemRect(dialog, (int16_t)index, &r)) return;
  SPDFCtlInfo* rec;
  DURING
    rec = FindOrNewPDFCtlInfo(info, id);
  HANDLER
    return;
  END_HANDLER
  if (IsNull(rec->object)) return;
  ASFixedMatrix m = PDFCtlMatrixFor(rec, r);
  DURING
    CosObj box = CosDictGet(DictOf(rec->object), Atom("BBox"));
    if (CosObjGetType(box) == CosArray) {
      ASFixed llx = CosFixedValue(CosArrayGet(box, 0)), lly = CosFixedValue(CosArrayGet(box, 1));
      m.h = Saturate((ASInt64)m.h - ASFixedMul(llx, m.a));
      m.v = Saturate((ASInt64)m.v + ASFixedMul(lly, m.a));
    }
  HANDLER
  END_HANDLER
  PfWindowRef window = PfGetDialogWindow(dialog);
  PfWindowRef saved = PfGetPort();
  PfSetPort(window);
  PfEraseRect(r);
  DURING
    PDDrawCosObjToWindow(rec->object, window, nullptr, 0, &m, nullptr, nullptr, nullptr);
    // The platform keeps no pixels: its recorder shows what was drawn where.
    const double matrix[6] = {m.a / 65536.0, m.b / 65536.0, m.c / 65536.0,
                              m.d / 65536.0, m.h / 65536.0, m.v / 65536.0};
    PfDrawPDFObject(r, rec->object.bits, matrix);
  HANDLER
  END_HANDLER
  PfSetPort(saved);
}

PDDoc PDFCtlAnonDoc() { return PDFCtlAnonDocument; }

ASInt32 PDFCtlRecordCount() {
  ASInt32 n = 0;
  for (SPDFCtlInfo* r = firstPDFCtlInfo; r; r = r->next) ++n;
  return n;
}

void PDFCtlTerm() {
  while (firstPDFCtlInfo) FreeRecord(firstPDFCtlInfo);
  if (PDFCtlAnonDocument) PDDocClose(PDFCtlAnonDocument);
  PDFCtlAnonDocument = nullptr;
  gResourcesMade = false;
}
