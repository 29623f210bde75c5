// Helpers for tests of the host's PDF layer: opening and saving through the
// host, catching host errors, leak counters and the independent qpdf check.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"

namespace kvtest {

inline ASPathName PosixPath(const std::string& path) {
  return ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), path.c_str(), nullptr);
}

inline PDDoc OpenPdf(const std::string& path, ASBool repair = 1) {
  ASPathName p = PosixPath(path);
  PDDoc d = nullptr;
  DURING
    d = PDDocOpen(p, nullptr, nullptr, repair);
  HANDLER
    ASFileSysReleasePath(nullptr, p);
    RERAISE();
  END_HANDLER
  ASFileSysReleasePath(nullptr, p);
  return d;
}

// The host error a call raises, 0 when it raises none.
template <class F>
ASErrorCode ErrorOf(F&& work) {
  DURING
    work();
  HANDLER
    return ERRORCODE;
  END_HANDLER
  return 0;
}

inline void SavePdf(PDDoc doc, const std::string& path, ASUns32 flags = PDSaveFull,
                    ASInt32 objectStreams = PDSaveObjStmPreserve) {
  ASPathName p = PosixPath(path);
  PDDocSaveParamsRec params{};
  params.size = sizeof params;
  params.saveFlags = flags;
  params.newPath = p;
  params.objectStreams = objectStreams;
  params.deterministicID = 1;
  DURING
    PDDocSaveWithParams(doc, &params);
  HANDLER
    ASFileSysReleasePath(nullptr, p);
    RERAISE();
  END_HANDLER
  ASFileSysReleasePath(nullptr, p);
}

// qpdf --check: 0 clean, 3 warnings only, 2 errors.
inline int QpdfCheck(const std::string& path) {
  int status = std::system(("qpdf --check '" + path + "' > /dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Closes the document at the end of the scope.
struct ScopedDoc {
  PDDoc doc;
  explicit ScopedDoc(PDDoc d) : doc(d) {}
  ~ScopedDoc() {
    if (doc) PDDocClose(doc);
  }
  ScopedDoc(const ScopedDoc&) = delete;
  ScopedDoc& operator=(const ScopedDoc&) = delete;
  operator PDDoc() const { return doc; }
};

struct ScopedPage {
  PDPage page;
  ScopedPage(PDDoc d, ASInt32 n) : page(PDDocAcquirePage(d, n)) {}
  explicit ScopedPage(PDPage p) : page(p) {}
  ~ScopedPage() {
    if (page) PDPageRelease(page);
  }
  ScopedPage(const ScopedPage&) = delete;
  ScopedPage& operator=(const ScopedPage&) = delete;
  operator PDPage() const { return page; }
};

inline double Pt(ASFixed f) { return (double)f / 65536.0; }

// The host's open document windows, in its order.
inline std::vector<AVDoc> OpenViews() {
  std::vector<AVDoc> views;
  AVAppEnumDocs(
      [](AVDoc d, void* data) -> ASBool {
        static_cast<std::vector<AVDoc>*>(data)->push_back(d);
        return 1;
      },
      &views);
  return views;
}

}  // namespace kvtest
