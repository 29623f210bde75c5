// Page content is untrusted: run the stream editor, the text-render-mode
// test and fix, resource renaming in every statement (into a tight buffer
// and a growing one) and the minimal-resources walk over arbitrary bytes.
// Host errors are fine; crashes, overruns and leaks are not.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFStatement.h"
#include "pdftools/StreamEdit.h"
#include "pdftools/Tr2Fix.h"

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Category(CosDoc d, std::initializer_list<const char*> names, CosObj value) {
  CosObj dict = CosNewDict(d, 0, 4);
  for (const char* n : names) CosDictPut(dict, A(n), value);
  return dict;
}

CosObj PageResources(CosDoc d, int variant) {
  CosObj font = CosNewDict(d, 1, 2);
  CosDictPut(font, A("Type"), CosNewName(d, 0, A("Font")));
  CosDictPut(font, A("N"), CosNewInteger(d, 0, variant));
  CosObj space = CosNewArray(d, 1, 1);
  CosArrayPut(space, 0, CosNewName(d, 0, A("DeviceRGB")));
  CosObj r = CosNewDict(d, 0, 8);
  CosDictPut(r, A("Font"), Category(d, {"F1", "F2", "Z1"}, font));
  CosDictPut(r, A("ColorSpace"), Category(d, {"CS0", "G", "Cs1"}, space));
  CosDictPut(r, A("ExtGState"), Category(d, {"GS1"}, CosNewDict(d, 1, 1)));
  CosDictPut(r, A("Pattern"), Category(d, {"P1"}, CosNewDict(d, 1, 1)));
  CosDictPut(r, A("Properties"), Category(d, {"oc1", "MC0"}, CosNewDict(d, 1, 1)));
  return r;
}

ASBool Identity(void*, PDPage, char*, ASInt32*, ASInt32, char*, EPDFVerb verb) { return verb == kPDFVerb_Tj; }

template <class F>
void Quietly(F&& work) {
  DURING
    work();
  HANDLER
  END_HANDLER
}

void RenameEveryStatement(const std::string& content, CosObj resources, CosObj map) {
  SNextPDFStatement* r = CreateNextPDFStatementInfo();
  ASInt32 size = 64;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  Quietly([&] {
    OpenStmForNextPDFStatement(r, resources, ASMemStmRdOpen(content.data(), content.size()));
    for (;;) {
      ASInt32 length = 0;
      char* op = nullptr;
      if (NextPDFStatementExt(&buffer, &size, &length, &op, r, 0) != 0 || !op) break;
      // A tight copy: the fixed variant must raise rather than run past it.
      std::string tight(buffer, (size_t)length + 1);
      char* tightEnd = tight.data() + length;
      char* tightOp = tight.data() + (op - buffer);
      Quietly([&] { SubstituteResourceInStatement(tight.data(), &tightEnd, length + 1, &tightOp, map); });
      char* end = buffer + length;
      SubstituteResourceInStatementExt(&buffer, &size, &end, &op, map);
      if (end < buffer || end >= buffer + size || *end != 0) __builtin_trap();
    }
  });
  ASfree(buffer);
  CloseNextPDFStatementInfo(r);
  DestroyNextPDFStatementInfo(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  PDDoc doc = PDDocCreate();
  CosDoc d = PDDocGetCosDoc(doc);
  Quietly([&] {
    ASFixedRect media{0, 792 << 16, 612 << 16, 0};
    PDPage page = PDDocCreatePage(doc, PDBeforeFirstPage, media);
    CosObj resources = PageResources(d, 1);
    CosDictPut(PDPageGetCosObj(page), A("Resources"), resources);
    ASStm stm = ASMemStmRdOpen(content.data(), content.size());
    CosObj stream = CosNewStream(d, 1, stm, 0, 0, CosNewNull(), CosNewNull(), (ASInt32)content.size());
    ASStmClose(stm);
    PDPageAddCosContents(page, stream);

    Quietly([&] { TestTr2InPage(page); });
    Quietly([&] {
      SPageStreamEditInfo* edit = NewPageStreamEditInfo(0);
      Quietly([&] { PageStreamEdit(edit, page, nullptr, Identity, nullptr); });
      DestroyPageStreamEditInfo(edit);
    });
    Quietly([&] { FixTr2InPage(page, 0); });

    // The form of the same bytes, without resources.
    Quietly([&] {
      ASStm fs = ASMemStmRdOpen(content.data(), content.size());
      CosObj attrs = CosNewDict(d, 0, 1);
      CosDictPut(attrs, A("Subtype"), CosNewName(d, 0, A("Form")));
      CosObj form = CosNewStream(d, 1, fs, 0, 0, attrs, CosNewNull(), (ASInt32)content.size());
      ASStmClose(fs);
      if (DoesSubstreamNeedResources(form)) SubstreamGenerateMinimalResources(form, resources);
    });

    SMergeResourceInfo* merge = NewMergeResourceInfo(doc);
    Quietly([&] {
      CosObj map = CosNewNull();
      MergeResourceDict(merge, PageResources(d, 2), &map);
      MergeResourceDict(merge, resources, &map);
      // Long new names, so that statements grow.
      CosObj fonts = CosDictGet(map, A("Font"));
      if (CosObjGetType(fonts) == CosDict)
        CosDictPut(fonts, A("F2"), CosNewNameFromString(d, 0, std::string(300, 'L').c_str()));
      RenameEveryStatement(content, resources, map);
    });
    DestroyMergeResourceInfo(merge);
    PDPageRelease(page);
  });
  PDDocClose(doc);
  return 0;
}
