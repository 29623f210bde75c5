// Shared pieces of the engine's tests: the engine preference values kept
// and put back round every test, leak checks, documents made page by page
// through the host, and the run of one sheet from placement to saved file.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/EnginePrefs.h"
#include "engine/PageMerge.h"
#include "foundation/Alerts.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

namespace kvtest {

inline ASFixed Fx(double points) { return (ASFixed)(points * 65536.0); }
inline ASFixedMatrix Translation(double h, double v) { return ASFixedMatrix{fixedOne, 0, 0, fixedOne, Fx(h), Fx(v)}; }
inline ASFixedRect Rect(double l, double b, double r, double t) { return ASFixedRect{Fx(l), Fx(t), Fx(r), Fx(b)}; }

struct EnginePrefValues {
  EFieldsWhich fields = gImpositionFieldsOption;
  ERegColour reg = gRegistrationColour;
  ASInt32 bleed = gBleedVelmoraMode;
  ASInt32 bleedDefault = gBleedVelmoraPromptDefault;
  ASInt32 forms = gImpositionUseFormXObjects;
  ASBool tr2 = gApplyTr2Fix;
  ASBool opi = gApplyOPIFix;
  ASInt32 pdfx = gPDFXMode;
  void Restore() const {
    gImpositionFieldsOption = fields;
    gRegistrationColour = reg;
    gBleedVelmoraMode = bleed;
    gBleedVelmoraPromptDefault = bleedDefault;
    gImpositionUseFormXObjects = forms;
    gApplyTr2Fix = tr2;
    gApplyOPIFix = opi;
    gPDFXMode = pdfx;
  }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = ASFileOpenCount();
    streams_ = ASStmOpenCount();
  }
  void TearDown() override {
    prefs_.Restore();
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(files_, ASFileOpenCount()) << "files left open";
    EXPECT_EQ(streams_, ASStmOpenCount()) << "streams left open";
  }

  EnginePrefValues prefs_;
  ASInt32 files_ = 0;
  ASInt32 streams_ = 0;
  TempDir dir;
};

// The record for the life of the object.
struct ScopedMerge {
  SPageMergeInfo* info;
  ScopedMerge() : info(NewPageMergeInfo()) {}
  ~ScopedMerge() { DestroyPageMergeInfo(info); }
  ScopedMerge(const ScopedMerge&) = delete;
  ScopedMerge& operator=(const ScopedMerge&) = delete;
  SPageMergeInfo* operator->() const { return info; }
  operator SPageMergeInfo*() const { return info; }
};

// A page made through the host: media box, content, and whatever else the
// caller puts into its dictionary.
struct PageDef {
  double media[4];
  std::string content;
  std::function<void(CosDoc, CosObj)> extra;
};

inline CosObj StreamOf(CosDoc cosDoc, const std::string& bytes) {
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  CosObj s = CosNewStream(cosDoc, 1, stm, 0, 1, CosNewNull(), CosNewNull(), (ASInt32)bytes.size());
  ASStmClose(stm);
  return s;
}

inline PDDoc NewDocWithPages(const std::vector<PageDef>& pages) {
  PDDoc doc = PDDocCreate();
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  for (size_t i = 0; i < pages.size(); ++i) {
    const PageDef& def = pages[i];
    PDPage page = PDDocCreatePage(doc, (ASInt32)i - 1, Rect(def.media[0], def.media[1], def.media[2], def.media[3]));
    CosObj dict = PDPageGetCosObj(page);
    CosDictPutKeyString(dict, "Contents", StreamOf(cosDoc, def.content));
    if (def.extra) def.extra(cosDoc, dict);
    PDPageRelease(page);
  }
  return doc;
}

// A font resource dictionary << /F1 font >> for a standard font.
inline CosObj FontResources(CosDoc cosDoc, const char* baseFont, const char* name = "F1") {
  CosObj font = CosNewDict(cosDoc, 1, 3);
  CosDictPutKeyString(font, "Type", CosNewNameFromString(cosDoc, 0, "Font"));
  CosDictPutKeyString(font, "Subtype", CosNewNameFromString(cosDoc, 0, "Type1"));
  CosDictPutKeyString(font, "BaseFont", CosNewNameFromString(cosDoc, 0, baseFont));
  CosObj fonts = CosNewDict(cosDoc, 0, 1);
  CosDictPutKeyString(fonts, name, font);
  CosObj resources = CosNewDict(cosDoc, 0, 1);
  CosDictPutKeyString(resources, "Font", fonts);
  return resources;
}

// Opens a sheet on target, lets place() put things on it and closes it as
// a new page after the last, with the media box.
inline void OneSheet(SPageMergeInfo* info, PDDoc target, const ASFixedRect& media,
                     const std::function<void()>& place, bool compress = true) {
  PrepareForMergeToNewPage(info, target);
  if (compress) SetDefaultPageMergeCompression(info);
  place();
  FinishMergeToNewPage(info, PDDocGetNumPages(target) - 1, media);
}

// The host's text of an error code.
inline std::string ErrorText(ASErrorCode code) {
  char text[300];
  ASGetErrorString(code, text, (ASInt32)sizeof text);
  return text;
}

}  // namespace kvtest
