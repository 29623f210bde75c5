// Page content is untrusted: place arbitrary bytes as a page on a sheet,
// copied or as a form XObject, and check that whatever the page opened or
// closed, the sheet (and the form) close every graphics state, text object
// and marked-content sequence they open, and that each placement is marked
// exactly once.
//
// The first byte chooses the placement way, the extra rotation and whether a
// clip is given; the rest is the page's content.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/EnginePrefs.h"
#include "engine/PageMerge.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PDFStatement.h"
#include "support/CosStreamBytes.h"

namespace {

CosObj Stream(CosDoc cosDoc, const std::string& bytes) {
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  CosObj s = CosNewStream(cosDoc, 1, stm, 0, 1, CosNewNull(), CosNewNull(), (ASInt32)bytes.size());
  ASStmClose(stm);
  return s;
}

struct Counts {
  long q = 0, text = 0, marked = 0, imposed = 0;
  bool underflow = false;
  bool unreadable = false;
};

// Counts the operators that must pair up, and whether the reader gave up.
Counts Balance(const std::string& content) {
  Counts c;
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  ASInt32 size = 1024;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  ASStm stm = ASMemStmRdOpen(content.data(), content.size());
  DURING
    OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
    for (;;) {
      ASInt32 length = 0;
      char* op = nullptr;
      if (NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0) != 0) break;
      switch (ClassifyPDFVerb(op)) {
        case kPDFVerb_q: ++c.q; break;
        case kPDFVerb_Q: c.underflow |= --c.q < 0; break;
        case kPDFVerb_BT: ++c.text; break;
        case kPDFVerb_ET: c.underflow |= --c.text < 0; break;
        case kPDFVerb_BMC:
        case kPDFVerb_BDC:
          ++c.marked;
          c.imposed += std::strstr(buffer, "/KRVL_imposed_1") != nullptr;
          break;
        case kPDFVerb_EMC: c.underflow |= --c.marked < 0; break;
        default: break;
      }
    }
  HANDLER
    c.unreadable = true;
  END_HANDLER
  CloseNextPDFStatementInfo(reader);
  DestroyNextPDFStatementInfo(reader);
  ASfree(buffer);
  return c;
}

// Reading must not fail on what the engine wrote, except where a form
// carries a page's own content.
void CheckBalanced(const std::string& content, long imposed, bool mayBeUnreadable = false) {
  Counts c = Balance(content);
  if (c.unreadable) {
    if (mayBeUnreadable) return;
    __builtin_trap();
  }
  if (c.underflow || c.q != 0 || c.text != 0 || c.marked != 0) __builtin_trap();
  if (imposed >= 0 && c.imposed != imposed) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 18)) return 0;
  const uint8_t mode = data[0];
  const std::string content(reinterpret_cast<const char*>(data + 1), size - 1);
  gImpositionUseFormXObjects = (mode & 1) ? 2 : 1;
  gImpositionFieldsOption = kFieldsNone;

  PDDoc doc = PDDocCreate();
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  PDPage page = PDDocCreatePage(doc, PDBeforeFirstPage, ASFixedRect{0, 0x1000000, 0x1000000, 0});
  CosDictPutKeyString(PDPageGetCosObj(page), "Contents", Stream(cosDoc, content));
  PDPageRelease(page);

  SPageMergeInfo* info = NewPageMergeInfo();
  PageMergeSetExtraRotation(info, ((mode >> 1) & 3) * 90);
  ASFixedRect clip{0x10000, 0x200000, 0x200000, 0x10000};
  bool placed = false;
  DURING
    PrepareForMergeToNewPage(info, doc);
    SetDefaultPageMergeCompression(info);
    MergePage(info, 0, ASFixedMatrix{0x10000, 0, 0, 0x10000, 0x100000, 0x100000}, (mode & 8) ? &clip : nullptr,
              nullptr);
    FinishMergeToNewPage(info, 0, ASFixedRect{0, 0x2000000, 0x2000000, 0});
    placed = true;
  HANDLER
  END_HANDLER
  if (placed) {
    // Content that writes the engine's own tag itself makes the count meaningless.
    const long imposed = content.find("KRVL_imposed_1") == std::string::npos ? 1 : -1;
    PDPage sheet = PDDocAcquirePage(doc, 1);
    CosObj sheetDict = PDPageGetCosObj(sheet);
    CheckBalanced(kvtest::CosStreamBytes(CosDictGetKeyString(sheetDict, "Contents")), imposed);
    CosObj resources = CosDictGetKeyString(sheetDict, "Resources");
    CosObj xobjects = CosObjGetType(resources) == CosDict ? CosDictGetKeyString(resources, "XObject") : CosNewNull();
    CosObj form = CosObjGetType(xobjects) == CosDict ? CosDictGetKeyString(xobjects, "Q") : CosNewNull();
    // The form carries the page's own content with its stray operators
    // dropped; where that content holds a damaged inline image, whether its
    // end can be found depends on what follows it, so an edited copy may be
    // unreadable where the original was not. What it must never be, when read,
    // is unbalanced.
    if (CosObjGetType(form) == CosStream) CheckBalanced(kvtest::CosStreamBytes(form), imposed < 0 ? -1 : 0, true);
    PDPageRelease(sheet);
  }
  DestroyPageMergeInfo(info);
  PDDocClose(doc);
  return 0;
}
