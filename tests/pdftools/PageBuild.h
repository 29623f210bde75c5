// Builders for the toolkit's editing and merging tests: Cos objects and
// pages made through the host in a new document, and the bytes of a page's
// contents read back.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/Atom.h"
#include "foundation/ContentsStreamer.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PDFStatement.h"

namespace kvtest {

using ::Atom;

struct CosMaker {
  CosDoc doc;
  CosObj Int(ASInt64 v, bool ind = false) const { return CosNewInteger64(doc, ind, v); }
  CosObj Real(double v) const { return CosNewDouble(doc, false, v); }
  CosObj Name(const char* n, bool ind = false) const { return CosNewNameFromString(doc, ind, n); }
  CosObj Str(const std::string& s) const { return CosNewString(doc, false, s.data(), s.size()); }
  CosObj Dict(std::vector<std::pair<const char*, CosObj>> entries, bool ind = false) const {
    CosObj d = CosNewDict(doc, ind, (ASInt32)entries.size());
    for (auto& [k, v] : entries) CosDictPut(d, Atom(k), v);
    return d;
  }
  CosObj Arr(std::vector<CosObj> items, bool ind = false) const {
    CosObj a = CosNewArray(doc, ind, (ASInt32)items.size());
    for (size_t i = 0; i < items.size(); ++i) CosArrayPut(a, (ASInt32)i, items[i]);
    return a;
  }
  // A stream of the bytes (compressed by the host with flate), with the
  // entries of extra (a direct dictionary) in its dictionary.
  CosObj Stream(const std::string& bytes, bool flate = false, CosObj extra = CosNewNull()) const {
    CosObj attrs = CosObjGetType(extra) == CosDict ? extra : CosNewDict(doc, false, 2);
    if (flate) CosDictPut(attrs, Atom("Filter"), CosNewName(doc, false, Atom("FlateDecode")));
    ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
    CosObj s = CosNewStream(doc, true, stm, 0, flate, attrs, CosNewNull(), (ASInt32)bytes.size());
    ASStmClose(stm);
    return s;
  }
  // A font dictionary (indirect) of the base font.
  CosObj Font(const char* baseFont) const {
    return Dict({{"Type", Name("Font")}, {"Subtype", Name("Type1")}, {"BaseFont", Name(baseFont)}}, true);
  }
};

// Appends a page of a letter-sized media box with the content (one stream, or
// an array of streams when parts holds several) and the resources (may be null).
inline void AddPage(PDDoc doc, const std::vector<std::string>& parts, CosObj resources, bool flate = false) {
  CosMaker m{PDDocGetCosDoc(doc)};
  ASFixedRect media{0, 792 << 16, 612 << 16, 0};
  PDPage page = PDDocCreatePage(doc, PDDocGetNumPages(doc) - 1, media);
  CosObj dict = PDPageGetCosObj(page);
  if (parts.size() == 1) {
    CosDictPut(dict, Atom("Contents"), m.Stream(parts[0], flate));
  } else {
    std::vector<CosObj> streams;
    for (const std::string& p : parts) streams.push_back(m.Stream(p, flate));
    CosDictPut(dict, Atom("Contents"), m.Arr(streams));
  }
  if (CosObjGetType(resources) != CosNull) CosDictPut(dict, Atom("Resources"), resources);
  PDPageRelease(page);
}

inline void AddPage(PDDoc doc, const std::string& content, CosObj resources, bool flate = false) {
  AddPage(doc, std::vector<std::string>{content}, resources, flate);
}

// The content of a Contents value as the toolkit reads it: every stream
// decoded, a line feed between two streams.
inline std::string ContentsBytes(CosObj contents) {
  SContentsStreamerInfo* streamer = NewContentsStreamer();
  ASStm stm = ContentsStreamerMakeStm(streamer, contents);
  std::string out;
  char chunk[8192];
  for (;;) {
    ASSize_t got = ASStmRead(chunk, 1, sizeof chunk, stm);
    out.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  ASStmClose(stm);
  DestroyContentsStreamer(streamer);
  return out;
}

inline std::string PageContents(PDDoc doc, ASInt32 pageNum) {
  PDPage page = PDDocAcquirePage(doc, pageNum);
  std::string out = ContentsBytes(CosDictGet(PDPageGetCosObj(page), Atom("Contents")));
  PDPageRelease(page);
  return out;
}

// One statement of a content stream: its text and where its operator starts.
struct Statement {
  std::string text;
  size_t op;  // offset of the operator in text
};

// The statements of content as the toolkit's reader cuts them.
inline std::vector<Statement> Statements(const std::string& content, CosObj resources = CosNewNull()) {
  std::vector<Statement> out;
  SNextPDFStatement* r = CreateNextPDFStatementInfo();
  ASStm stm = ASMemStmRdOpen(content.data(), content.size());
  OpenStmForNextPDFStatement(r, resources, stm);
  ASInt32 size = 60000;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  for (;;) {
    ASInt32 length = 0;
    char* op = nullptr;
    if (NextPDFStatementExt(&buffer, &size, &length, &op, r, 0) != 0 || !op) break;
    out.push_back({std::string(buffer, (size_t)length), (size_t)(op - buffer)});
  }
  ASfree(buffer);
  CloseNextPDFStatementInfo(r);
  DestroyNextPDFStatementInfo(r);
  return out;
}

}  // namespace kvtest
