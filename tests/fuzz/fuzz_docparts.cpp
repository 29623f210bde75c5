// Opens the fuzzer's bytes as a document and runs the toolkit over the parts
// of it that files bring and nobody checks: the embedded-files name tree
// (every key the host lists must be found by the toolkit's reader too, and a
// key the toolkit's writer stores must be found again), attachments stored
// through the host and the toolkit, the structure tree hidden, restored and
// given up around page deletion and insertion, and the PDF/X settings
// classified, compared and copied into a new document, which is then saved.
// Host errors are expected; crashes, hangs and broken properties are not.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/NameTree.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PDFX.h"
#include "pdftools/StructRecovery.h"

namespace {

std::string TempPath(const char* what) {
  std::string templ = std::string("/tmp/kvfuzz-docparts-") + what + "-XXXXXX";
  int fd = mkstemp(templ.data());
  if (fd >= 0) close(fd);
  return templ;
}

const std::string& InputPath() {
  static std::string path = TempPath("in");
  return path;
}

const std::string& OutputPath() {
  static std::string path = TempPath("out");
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

template <class F>
void Try(F&& work) {
  DURING
    work();
  HANDLER
  END_HANDLER
}

void NameTrees(PDDoc doc) {
  CosObj tree = KPDNameTreeFind(doc, atom[K_EmbeddedFiles]);
  if (CosObjGetType(tree) != CosDict) return;
  std::vector<std::string> keys;
  PDNameTreeEnum(
      PDNameTreeFromCosObj(tree),
      [](CosObj key, CosObj, void* data) -> ASBool {
        ASSize_t n = 0;
        const char* bytes = CosStringValue(key, &n);
        auto* out = static_cast<std::vector<std::string>*>(data);
        out->emplace_back(bytes, n);
        return out->size() < 64;
      },
      &keys);
  for (const std::string& k : keys) {
    CosObj value;
    if (!KPDNameTreeGet(tree, k.data(), (ASInt32)k.size(), &value)) std::abort();
  }
  for (const char* name : {"KRVL.command.history", "a", ""}) {
    CosObj desc;
    CosObj file = FindFileAttachment(doc, name, &desc);
    if (CosObjGetType(file) != CosNull && CosObjGetType(file) != CosStream) std::abort();
  }
  CosDoc cos = PDDocGetCosDoc(doc);
  const std::string key = "\xFE\xFF\0z\0z\0\0";
  CosObj keyObj = CosNewString(cos, 0, key.data(), key.size());
  if (KPDNameTreePut(tree, keyObj, CosNewInteger(cos, 0, 7))) {
    CosObj value;
    if (!KPDNameTreeGet(tree, key.data(), (ASInt32)key.size(), &value)) std::abort();
  }
}

void Attachments(PDDoc doc) {
  CosDoc cos = PDDocGetCosDoc(doc);
  for (ASInt16 major : {5, 9}) {
    ASHostVersionSet(major, 0);
    const char data[] = "<history/>";
    ASStm stm = ASMemStmRdOpen(data, sizeof data - 1);
    CosObj stream = CosNewStream(cos, 1, stm, 0, 0, CosNewNull(), CosNewNull(), sizeof data - 1);
    ASStmClose(stm);
    StoreFileAttachment(doc, stream, "f.xml", "KRVL.command.history", "d");
    // A hostile tree may hold the name twice, so the stored entry need not be
    // the one found; whatever is found is a stream or nothing.
    CosType found = CosObjGetType(FindFileAttachment(doc, "KRVL.command.history", nullptr));
    if (found != CosStream && found != CosNull) std::abort();
  }
  ASHostVersionSet(9, 0);
}

void Structure(PDDoc doc) {
  Try([&] {
    HideStructRoot(doc);
    RestoreStructRoot(doc);
  });
  PDDoc other = nullptr;
  Try([&] {
    other = PDDocCreate();
    ASInt32 n = PDDocGetNumPages(doc);
    if (n > 0) PDDocInsertPagesWithBadStructRecovery(other, PDLastPage, doc, 0, n < 8 ? n : 8, 0, nullptr, nullptr,
                                                      nullptr, nullptr);
    // A hidden tree never outlives the insertion.
    if (CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(doc)), ASAtomFromString("KRVL_HideStructTreeRoot"))) std::abort();
    if (n > 1) PDDocDeletePagesWithBadStructRecovery(doc, 0, 0, nullptr, nullptr);
  });
  Try([&] {
    if (other) {
      PDFXImpositionValidation(doc, other);
      PDFXImpositionDocumentSetting(doc, other);
      if (PDDocGetNumPages(other) > 0) {
        PDPage page = PDDocAcquirePage(other, 0);
        PDFXImpositionPageSetting(page);
        PDPageRelease(page);
      }
      ASPathName p = ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), OutputPath().c_str(), nullptr);
      DURING
        PDDocSave(other, PDSaveFull, p, nullptr, nullptr, nullptr);
      HANDLER
      END_HANDLER
      ASFileSysReleasePath(nullptr, p);
    }
  });
  if (other) PDDocClose(other);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitGlobalAtomTable();
  if (FILE* f = std::fopen(InputPath().c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  PDDoc doc = Open(InputPath());
  if (!doc) return 0;
  Try([&] { GetFilePDFXClassification(doc); });
  Try([&] { NameTrees(doc); });
  Try([&] { Attachments(doc); });
  ASHostVersionSet(9, 0);
  Structure(doc);
  PDDocClose(doc);
  return 0;
}
