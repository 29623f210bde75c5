#include "engine/SampleDoc.h"

#include <cstring>
#include <string>

#include "engine/EnginePrivate.h"
#include "engine/InsertPages.h"
#include "foundation/Alerts.h"
#include "foundation/CLocale.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/TextCut.h"
#include "host/ASFixed.h"
#include "kctl/StatusBox.h"
#include "foundation/HostGlue.h"
#include "pdftools/DocCache.h"

using namespace engine_detail;

ASInt32 testDocumentNumber = 0;

const char japaneseInch[] = "\x83\x43\x83\x93\x83\x60";
const char japanesePoints[] = "\x83\x7C\x83\x43\x83\x93\x83\x67";
const char japaneseMM[] = "\x83\x7E\x83\x8A";

namespace {

constexpr const char kCreator[] = "Korvel Velmora 3.0k";

// Appends a literal string's bytes with the characters that would end or
// break it escaped.
void AppendLiteral(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) {
    if (*p == '(' || *p == ')' || *p == '\\') out += '\\';
    out += *p;
  }
}

void AppendFormat(std::string& out, const char* format, double a, double b) {
  char buf[200];
  CLocaleSnprintf(buf, sizeof buf, format, a, b);
  out += buf;
}

// The content of sample page number n (1-based) of w x h points.
std::string SampleContent(double w, double h, ASInt32 n, bool measures, const char* inch, const char* points,
                          const char* mm) {
  std::string c = "/KRVL_testdata BMC\nq 10 w 0.9 g 0 G\n";
  AppendFormat(c, "0 0 %.2f %.2f re B\n", w, h);
  c += "0 g\nBT\n/HB 100 Tf\n";
  char buf[200];
  CLocaleSnprintf(buf, sizeof buf, "72 %.0f TD\n", h - 150);
  c += buf;
  CLocaleSnprintf(buf, sizeof buf, "(%ld) Tj\n", (long)n);
  c += buf;
  c += "ET\n";
  if (measures) {
    c += "Q q\n";
    AppendFormat(c, ".3 w 72 72 %.1f %.1f re S\n", w - 144, h - 144);
    c += "BT\n/HB 12 Tf 74 74 TD (1 ";
    AppendLiteral(c, inch);
    c += " = 72 ";
    AppendLiteral(c, points);
    c += ") Tj\nET\n";
    c += "Q q\n";
    AppendFormat(c, ".3 w 56.7 56.7 %.1f %.1f re S\n", w - 113.4, h - 113.4);
    c += "BT\n/HB 12 Tf 58.5 58.5 TD (20 ";
    AppendLiteral(c, mm);
    c += ") Tj\nET\n";
  }
  c += "Q\nEMC\n";
  return c;
}

// The sub-dictionary of dict under key, made when it is not a dictionary.
CosObj SubDict(CosDoc cosDoc, CosObj dict, const char* key) {
  CosObj sub = CosDictGetKeyString(dict, key);
  if (CosObjGetType(sub) != CosDict) {
    sub = CosNewDict(cosDoc, 0, 4);
    CosDictPutKeyString(dict, key, sub);
    sub = CosDictGetKeyString(dict, key);
  }
  return sub;
}

void MakeSamplePage(PDDoc doc, ASInt32 i, ASFixed width, ASFixed height, bool measures, const char* inch,
                    const char* points, const char* mm, ASInt32 fontCode) {
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  PDPage page = PDDocCreatePage(doc, i - 1, ASFixedRect{0, height, width, 0});
  DURING
    const ASAtom fontKey = ASAtomFromString(baseFontName[fontCode]);
    CosObj font = CachedDocObject(cosDoc, fontKey);
    if (CosObjGetType(font) != CosDict) {
      font = BaseFontDict(cosDoc, fontCode);
      SetCachedDocObject(cosDoc, fontKey, font);
    }
    CosObj pageDict = PDPageGetCosObj(page);
    CosObj resources = SubDict(cosDoc, pageDict, "Resources");
    CosObj fonts = SubDict(cosDoc, resources, "Font");
    CosDictPutKeyString(fonts, "HB", font);
    CosObj procSet = CosNewArray(cosDoc, 0, 2);
    CosArrayInsert(procSet, 0, CosNewNameFromString(cosDoc, 0, "PDF"));
    CosArrayInsert(procSet, 1, CosNewNameFromString(cosDoc, 0, "Text"));
    CosDictPutKeyString(resources, "ProcSet", procSet);

    const std::string content = SampleContent(ASFixedToFloat(width), ASFixedToFloat(height), i + 1, measures, inch,
                                              points, mm);
    ASStm stm = ASMemStmRdOpen(content.data(), content.size());
    CosObj stream = CosNewNull();
    DURING
      stream = CosNewStream(cosDoc, 1, stm, 0, 0, CosNewNull(), CosNewNull(), (ASInt32)content.size());
    HANDLER
      ASStmClose(stm);
      RERAISE();
    END_HANDLER
    ASStmClose(stm);
    PDPageAddCosContents(page, stream);
  HANDLER
    PDPageRelease(page);
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
}

}  // namespace

ASBool CreateTestFile(ASFixed width, ASFixed height, ASInt32 count, ASUns16 withMeasures, PDDoc* docOut,
                      ASUns16 openWindow, ASUns16 showStatus) {
  void* monitorData = nullptr;
  ProgressMonitor monitor =
      showStatus ? StatusBoxGetProgressMonitor(&monitorData, 1) : GetNullProgressMonitor(&monitorData);
  const std::string inchWord = Msg("util1.onelongin");
  const std::string pointsWord = Msg("util1.longpts");
  const std::string mmWord = Msg("util1.longmm");
  if (docOut) *docOut = nullptr;
  if (count < 1) return 0;
  if (count > kInsertMaxPages) {
    ReportTooManyPages(count);
    return 0;
  }
  if (width <= 0 || height <= 0) {
    ErrorKey("common.err.nopagesize");
    return 0;
  }

  PDDoc doc = PDDocCreate();
  if (docOut) *docOut = doc;
  PDDocSetInfo(doc, "Creator", kCreator, (ASInt32)std::strlen(kCreator));

  const bool japanese = std::strcmp(Msg("common.language"), "JP") == 0;
  const ASInt32 fontCode = japanese ? kDefaultJapanese1 : kHelveticaBold;
  const char* inch = japanese ? japaneseInch : inchWord.c_str();
  const char* points = japanese ? japanesePoints : pointsWord.c_str();
  const char* mm = japanese ? japaneseMM : mmWord.c_str();

  if (showStatus) {
    char text[400];
    FormatMsg(text, sizeof text, "imputil1.stat.creatingsampledocument", "d", (int)count);
    SetStatusBoxTextUtf8(text);
  }
  ProgressMonitorBegin(monitor, monitorData);
  ProgressMonitorSetDuration(monitor, count, monitorData);
  DURING
    for (ASInt32 i = 0; i < count; ++i) {
      ProgressMonitorSetCurrValue(monitor, i, monitorData);
      if (showStatus && CheckStatusBoxCancel(nullptr)) {
        char text[400];
        FormatMsg(text, sizeof text, "imputil1.samplecancelled", "d", (int)i);
        ErrMessageUTF8(text);
        break;
      }
      MakeSamplePage(doc, i, width, height, withMeasures != 0, inch, points, mm, fontCode);
    }
    if (openWindow) OpenTitledWindow(doc, "imputil1.title.sampledocument", ++testDocumentNumber);
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    if (showStatus) CloseStatusBox();
    // Without an out-argument nobody else could close the document.
    if (!docOut) PDDocClose(doc);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  if (showStatus) CloseStatusBox();
  return 1;
}
