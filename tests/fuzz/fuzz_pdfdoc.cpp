// Opens a document from the fuzzer's bytes through a host file system and
// reads every page as callers do: boxes, rotation, matrix, resources,
// contents; then copies the pages into a new document. Host errors are
// expected; crashes, hangs and foreign exceptions are not.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "tests/support/BytesFileSys.h"

namespace {

void Drain(CosObj stream) {
  if (CosObjGetType(stream) != CosStream) return;
  ASStm s = CosStreamOpenStm(stream, cosOpenFiltered);
  char buf[4096];
  std::string head;
  ASSize_t n;
  while ((n = ASStmRead(buf, 1, sizeof buf, s)) > 0) {
    if (head.size() < 8192) head.append(buf, n);
    if (n < sizeof buf) break;
  }
  ASStmClose(s);
  // Every inline image of the first part of the content, as the statement reader asks.
  for (size_t at = head.find("BI"); at != std::string::npos; at = head.find("BI", at + 2)) {
    ASStm m = ASMemStmRdOpen(head.data() + at + 2, head.size() - at - 2);
    DURING
      CosObj image;
      CosParseInlineImage(m, CosObjGetDoc(stream), CosNewNull(), nullptr, nullptr, &image);
      CosObjDestroy(image);
    HANDLER
    END_HANDLER
    ASStmClose(m);
  }
}

void Walk(PDDoc doc) {
  ASInt32 n = PDDocGetNumPages(doc);
  for (ASInt32 i = 0; i < n && i < 64; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    DURING
      ASFixedRect r;
      ASFixedMatrix m;
      PDPageGetMediaBox(page, &r);
      PDPageGetCropBox(page, &r);
      PDPageGetBox(page, ASAtomFromString("BleedBox"), &r);
      PDPageGetRotate(page);
      PDPageGetDefaultMatrix(page, &m);
      PDPageGetCosResources(page);
      CosObj contents = PDPageGetCosContents(page);
      if (CosObjGetType(contents) == CosArray) {
        for (ASInt32 k = 0; k < CosArrayLength(contents) && k < 16; ++k) Drain(CosArrayGet(contents, k));
      } else {
        Drain(contents);
      }
    HANDLER
    END_HANDLER
    PDPageRelease(page);
  }
}

// Reorders and deletes pages as the commands do, then reads the tree back
// through Cos calls, which see the Kids arrays the moves edited.
void Reorder(PDDoc doc, const uint8_t* data, size_t size) {
  ASInt32 n = PDDocGetNumPages(doc);
  for (size_t k = 0; k + 1 < size && k < 48 && n > 1; k += 2) {
    DURING
      PDDocMovePage(doc, (ASInt32)(data[k] % (n + 1)) - 1, (ASInt32)(data[k + 1] % n));
    HANDLER
    END_HANDLER
  }
  DURING
    if (n > 2) PDDocDeletePages(doc, 1, std::min<ASInt32>(n - 1, 1 + data[0] % 4), nullptr, nullptr);
    CosObj root = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), ASAtomFromString("Pages"));
    CosObj kids = CosDictGet(root, ASAtomFromString("Kids"));
    if (CosObjGetType(kids) == CosArray)
      for (ASInt32 i = 0; i < CosArrayLength(kids) && i < 64; ++i) CosObjGetType(CosArrayGet(kids, i));
  HANDLER
  END_HANDLER
  PDDocGetNumPages(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kvtest::BytesFileSys fs;
  ASFile file = fs.OpenFile(reinterpret_cast<const char*>(data), size);
  if (!file) return 0;
  PDDoc doc = nullptr;
  DURING
    doc = PDDocOpenFromASFile(file, nullptr, 1);
    Walk(doc);
    PDDoc copy = PDDocCreate();
    DURING
      PDDocInsertPages(copy, PDLastPage, doc, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
      Walk(copy);
      Reorder(copy, data, size);
      Reorder(doc, data + size / 2, size - size / 2);
      Walk(doc);
    HANDLER
    END_HANDLER
    PDDocClose(copy);
  HANDLER
  END_HANDLER
  if (doc) PDDocClose(doc);
  ASFileClose(file);
  return 0;
}
