// Opens the fuzzer's bytes as a document twice and runs the toolkit's graph
// walks over whatever objects the file holds: the whole catalog compared
// across the two documents and with its clone in a third document (each
// comparison giving the same answer in both orders; the clone referring to
// nothing outside its document), and every page's boxes, bleed and inherited
// attributes read and rewritten. Host errors are expected; crashes, hangs,
// foreign exceptions and broken properties are not. (The two opens are not
// required to compare equal: a name holding a NUL byte loses its tail when it
// becomes an atom, so such a key cannot be looked up again.)
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"

namespace {

std::string TempPath() {
  static std::string path = [] {
    char templ[] = "/tmp/kvfuzz-cosclone-XXXXXX";
    int fd = mkstemp(templ);
    if (fd >= 0) close(fd);
    return std::string(templ);
  }();
  return path;
}

PDDoc Open(const std::string& path) {
  ASPathName p = ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), path.c_str(), nullptr);
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpen(p, nullptr, nullptr, 1);
  HANDLER
  END_HANDLER
  ASFileSysReleasePath(nullptr, p);
  return doc;
}

// Every object reachable from o belongs to doc.
void CheckAllIn(CosObj o, CosDoc doc) {
  std::set<ASInt32> seen;
  std::vector<CosObj> todo{o};
  while (!todo.empty()) {
    CosObj x = todo.back();
    todo.pop_back();
    CosType t = CosObjGetType(x);
    if (t == CosNull) continue;
    if (CosObjGetDoc(x) != doc) std::abort();
    if (CosObjIsIndirect(x) && !seen.insert(CosObjGetID(x)).second) continue;
    if (t == CosArray) {
      for (ASInt32 i = 0; i < CosArrayLength(x); ++i) todo.push_back(CosArrayGet(x, i));
    } else if (t == CosDict || t == CosStream) {
      CosObjEnum(
          t == CosStream ? CosStreamDict(x) : x,
          [](CosObj, CosObj v, void* c) -> ASBool {
            static_cast<std::vector<CosObj>*>(c)->push_back(v);
            return true;
          },
          &todo);
    }
  }
}

void Pages(PDDoc doc) {
  ASInt32 n = PDDocGetNumPages(doc);
  for (ASInt32 i = 0; i < n && i < 32; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    DURING
      ASFixedRect r;
      ASFixedPoint size;
      for (ASInt32 which = 0; which < 3; ++which) {
        GetPageRect(page, &r, (EWhichSize)which);
        GetOldPageRect(page, &r, (EWhichSize)which);
        GetTranslatedPageSize(page, &size, (EWhichSize)which);
      }
      PageHasBleeds(page);
      PDPageCropNeTrim(page);
      FindInheritedPageObject(PDPageGetCosObj(page), ASAtomFromString("Rotate"));
      ForceIgnoreInheritedPageObjects(page);
      ASFixedRect margins{ASInt32ToFixed(9), ASInt32ToFixed(9), ASInt32ToFixed(9), ASInt32ToFixed(9)};
      SetPageBleedRect(page, kBleedMargins, &margins);
      SetPageBleedRect(page, kBleedBleedBox, BleedRectCropBox());
      if (i > 0) ClonePageBoxAndRotationByPageNum(doc, 0, i);
      SetPageBleedRect(page, kBleedAll, nullptr);
    HANDLER
    END_HANDLER
    PDPageRelease(page);
  }
  DURING
    PDDocCropNeTrim(doc);
    if (n > 0) GetDocumentViewRotate(doc);
  HANDLER
  END_HANDLER
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = TempPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  PDDoc a = Open(path);
  if (!a) return 0;
  PDDoc b = Open(path);
  PDDoc dest = nullptr;
  DURING
    dest = PDDocCreate();
    CosObj rootA = CosDocGetRoot(PDDocGetCosDoc(a));
    if (b) {
      CosObj rootB = CosDocGetRoot(PDDocGetCosDoc(b));
      if (CosObjContentsEqual(rootA, rootB) != CosObjContentsEqual(rootB, rootA)) std::abort();
    }
    CosObj clone = CloneObject(PDDocGetCosDoc(dest), rootA);
    CheckAllIn(clone, PDDocGetCosDoc(dest));
    if (CosObjContentsEqual(rootA, clone) != CosObjContentsEqual(clone, rootA)) std::abort();
    Pages(a);
  HANDLER
  END_HANDLER
  if (dest) PDDocClose(dest);
  if (b) PDDocClose(b);
  PDDocClose(a);
  return 0;
}
