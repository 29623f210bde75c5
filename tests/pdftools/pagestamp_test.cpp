// Provenance stamps on copied pages, PDDocInsertAndStampPages with its
// retries, progress, cancel and alerts, and the command history carried into
// empty documents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/EnglishMessages.h"
#include "pdftools/PDFX.h"
#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "foundation/KCab.h"
#include "pdftools/CommandHistory.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/NameTree.h"
#include "pdftools/PageStamp.h"
#include "pdftools/StructRecovery.h"
#include "platform/PfSystem.h"
#include "support/CosDescribe.h"
#include "support/DocTestUtil.h"
#include "support/HostPdf.h"
#include "support/MessageCapture.h"
#include "support/PageLabels.h"
#include "support/TempDir.h"

using namespace kvtest;

// The document object cache's repair, as the test program has it until the
// cache is built: an old "KRVL_cache" holding a font whose encoding is a
// dictionary with a base encoding and no differences is repaired and moved
// to "KRVL_cache_2". The cache's own definition, once linked, takes over.
__attribute__((weak)) bool FixCacheEncodings(CosDoc cosDoc) {
  CosObj catalog = CosDocGetRoot(cosDoc);
  CosObj cache = CosDictGetKeyString(catalog, "KRVL_cache");
  if (CosObjGetType(cache) != CosDict) return false;
  struct Scan {
    bool changed = false;
  } scan;
  CosObjEnum(
      cache,
      [](CosObj, CosObj font, void* data) -> ASBool {
        if (CosObjGetType(font) != CosDict) return 1;
        CosObj encoding = CosDictGetKeyString(font, "Encoding");
        if (CosObjGetType(encoding) != CosDict) return 1;
        CosObj base = CosDictGetKeyString(encoding, "BaseEncoding");
        if (CosObjGetType(base) != CosName || CosDictKnownKeyString(encoding, "Differences")) return 1;
        CosDictPutKeyString(font, "Encoding", base);
        static_cast<Scan*>(data)->changed = true;
        return 1;
      },
      &scan);
  if (scan.changed && !CosDictKnownKeyString(catalog, "KRVL_cache_2")) {
    CosDictPutKeyString(catalog, "KRVL_cache_2", cache);
    CosDictRemoveKeyString(catalog, "KRVL_cache");
  }
  return scan.changed;
}

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj StampOf(PDDoc doc, ASInt32 n) {
  ScopedPage page(doc, n);
  return CosDictGet(PDPageGetCosObj(page), A("KRVL_pageid"));
}

ASInt32 StampedPageNumber(PDDoc doc, ASInt32 n) {
  CosObj p = CosDictGet(StampOf(doc, n), A("P"));
  return CosObjGetType(p) == CosInteger ? CosIntegerValue(p) : -1;
}

std::string InfoTitle(CosObj stamp) { return StringBytes(CosDictGet(CosDictGet(stamp, A("I")), A("Title"))); }

// Records what a monitor is told.
struct Monitor {
  std::vector<std::string> events;
  ProgressMonitorRec rec{};
  Monitor() {
    rec.size = sizeof rec;
    rec.beginOperation = [](void* s) { static_cast<Monitor*>(s)->events.push_back("begin"); };
    rec.endOperation = [](void* s) { static_cast<Monitor*>(s)->events.push_back("end"); };
    rec.setDuration = [](ASInt32 d, void* s) { static_cast<Monitor*>(s)->events.push_back("of " + std::to_string(d)); };
    rec.setCurrValue = [](ASInt32 v, void* s) { static_cast<Monitor*>(s)->events.push_back(std::to_string(v)); };
  }
};

// Answers "cancel" from its n-th question on.
struct Canceller {
  int asked = 0;
  int at;
  static ASBool Ask(void* self) {
    auto* c = static_cast<Canceller*>(self);
    return ++c->asked >= c->at;
  }
};

class PageStampTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadEnglishMessages(); }
  void TearDown() override {
    ASFaultClearAll();
    gPDFXMode = 0;
    PfSetFixedNames(false);
    for (PDDoc d : docs) PDDocClose(d);
  }
  // A document from a file; its Info "Title" is set to title.
  PDDoc FileDoc(int pages, const std::string& title, std::string* path = nullptr) {
    std::string p = dir.file("doc" + std::to_string(docs.size()) + ".pdf");
    kvfix::WriteSimple(p, pages);
    docs.push_back(OpenPdf(p));
    PDDocSetInfo(docs.back(), "Title", title.data(), (ASInt32)title.size());
    if (path) *path = p;
    return docs.back();
  }
  PDDoc NewDoc() {
    docs.push_back(PDDocCreate());
    return docs.back();
  }
  void SaveAndCheck(PDDoc doc, const std::string& name) {
    SavePdf(doc, dir.file(name));
    EXPECT_EQ(0, QpdfCheck(dir.file(name))) << name;
  }
  static SKCab* History(const char* text) {
    SKCab* list = KCabNewInner();
    KCabPutAtom(list, "Category", ASAtomFromString("HistoryList_V1"));
    SKCab* item = KCabNewInner();
    KCabPutAtom(item, "Category", ASAtomFromString("HistoryItem_V1"));
    KCabPutAtom(item, "Command", ASAtomFromString("Nup"));
    KCabPutStringCopy(item, "Params:Text", text);
    KCabPutCab(list, "", item);
    return list;
  }
  static std::string HistoryText(PDDoc doc) {
    SKCab* list = PDDocGetCommandListAsKCab(doc, nullptr, 0);
    if (!list) return "";
    std::string text = KCabGetString(list, "0:Params:Text");
    KCabDestroy(list);
    return text;
  }
  TempDir dir;
  std::vector<PDDoc> docs;
};

TEST_F(PageStampTest, APageCopiedFromAFile) {
  std::string sourcePath;
  PDDoc source = FileDoc(3, "The source", &sourcePath);
  PDDoc target = NewDoc();
  PDDocInsertAndStampPages(target, PDBeforeFirstPage, source, 1, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                           1, 0);
  ASSERT_EQ(2, PDDocGetNumPages(target));
  CosObj stamp = StampOf(target, 0);
  ASSERT_EQ(CosDict, CosObjGetType(stamp));
  EXPECT_FALSE(CosObjIsIndirect(stamp));
  EXPECT_EQ("The source", InfoTitle(stamp));
  CosObj info = CosDictGet(stamp, A("I"));
  EXPECT_EQ(PDDocGetCosDoc(target), CosObjGetDoc(info)) << "the Info is cloned into the page's document";
  CosObj file = CosDictGet(stamp, A("F"));
  EXPECT_TRUE(CosObjIsIndirect(file));
  EXPECT_EQ(sourcePath, StringBytes(file));
  std::string date = StringBytes(CosDictGet(stamp, A("D")));
  EXPECT_EQ(16u, date.size());
  EXPECT_EQ("D:", date.substr(0, 2));
  EXPECT_EQ(1, StampedPageNumber(target, 0));
  EXPECT_EQ(2, StampedPageNumber(target, 1));
  EXPECT_FALSE(CosDictKnown(stamp, A("Prev")));
  // One Info clone and one "F" string for all the stamps of a copy.
  CosObj second = StampOf(target, 1);
  EXPECT_TRUE(CosObjEqual(info, CosDictGet(second, A("I"))));
  EXPECT_TRUE(CosObjEqual(file, CosDictGet(second, A("F"))));
  SaveAndCheck(target, "stamped.pdf");
}

// With the platform's fixed names (kvhost --static-id) the stamp records the
// source file's name without its folder, so that the same job run from
// another folder saves the same bytes; otherwise its whole path.
TEST_F(PageStampTest, FixedNamesRecordTheFileNameAlone) {
  std::string sourcePath;
  PDDoc source = FileDoc(1, "The source", &sourcePath);
  ASSERT_NE(std::string::npos, sourcePath.find('/'));
  const std::string name = sourcePath.substr(sourcePath.rfind('/') + 1);
  for (bool fixed : {false, true, false}) {
    SCOPED_TRACE(fixed);
    PfSetFixedNames(fixed);
    PDDoc target = NewDoc();
    PDDocInsertAndStampPages(target, PDBeforeFirstPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                             0, 1, 0);
    EXPECT_EQ(fixed ? name : sourcePath, StringBytes(CosDictGet(StampOf(target, 0), A("F"))));
  }
}

TEST_F(PageStampTest, StampingTwiceAndCopyingOnward) {
  PDDoc first = FileDoc(2, "First");
  PDDoc second = NewDoc();
  PDDoc third = NewDoc();
  PDDocSetInfo(second, "Title", "Second", 6);
  PDDocInsertAndStampPages(second, PDBeforeFirstPage, first, 0, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                           0, 0);
  std::string before = Describe(StampOf(second, 0));

  // Without replace an existing stamp is kept.
  {
    ScopedPage page(second, 0);
    StampPage(page, nullptr, 5, 0, 0);
  }
  EXPECT_EQ(before, Describe(StampOf(second, 0)));
  // With replace the new stamp holds the old one.
  {
    ScopedPage page(second, 0);
    StampPage(page, nullptr, 5, 1, 0);
  }
  CosObj replaced = StampOf(second, 0);
  EXPECT_EQ(5, CosIntegerValue(CosDictGet(replaced, A("P"))));
  EXPECT_EQ("Second", InfoTitle(replaced)) << "a lone page is stamped from its own document";
  EXPECT_EQ(before, Describe(CosDictGet(replaced, A("Prev"))));

  // Onward into a third document, replacing: "I" names the immediate source,
  // "Prev" the earlier stamp. Without replace the page keeps the stamp it came with.
  PDDocInsertAndStampPages(third, PDBeforeFirstPage, second, 1, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                           0, 0);
  EXPECT_EQ("First", InfoTitle(StampOf(third, 0)));
  EXPECT_FALSE(CosDictKnown(StampOf(third, 0), A("Prev")));
  PDDocInsertAndStampPages(third, PDBeforeFirstPage, second, 1, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1,
                           0, 0);
  CosObj onward = StampOf(third, 0);
  EXPECT_EQ("Second", InfoTitle(onward));
  CosObj prev = CosDictGet(onward, A("Prev"));
  EXPECT_EQ("First", InfoTitle(prev));
  EXPECT_EQ(1, CosIntegerValue(CosDictGet(prev, A("P"))));
  EXPECT_EQ(PDDocGetCosDoc(third), CosObjGetDoc(CosDictGet(prev, A("I")))) << "the history came along whole";
  SaveAndCheck(third, "onward.pdf");
}

TEST_F(PageStampTest, SourcesWithoutAFile) {
  const std::string anonymous = std::string(GetMessageFromTableByKey(gSystemMessageTable, "stamp1.anonfile"));
  ASSERT_NE("stamp1.anonfile", anonymous);
  struct Case {
    const char* what;
    bool temporary;
    ASBool checkSource;
    bool stamped;
  };
  const Case cases[] = {{"never saved", false, 0, true},
                        {"never saved, checked", false, 1, true},
                        {"temporary", true, 0, true},
                        {"temporary, checked", true, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc source = NewDoc();
    if (c.temporary) {
      // A temporary document with a file of its own still counts as anonymous.
      std::string path = dir.file(std::string("temp") + std::to_string(docs.size()) + ".pdf");
      kvfix::WriteSimple(path, 2);
      PDDocClose(source);
      docs.back() = source = OpenPdf(path);
      PDDocSetFlags(source, PDDocDeleteOnClose);
    } else {
      PDPageRelease(PDDocCreatePage(source, PDBeforeFirstPage, ASFixedRect{0, 792 << 16, 612 << 16, 0}));
      PDPageRelease(PDDocCreatePage(source, 0, ASFixedRect{0, 792 << 16, 612 << 16, 0}));
    }
    PDDoc target = NewDoc();
    PDDocInsertAndStampPages(target, PDBeforeFirstPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                             0, c.checkSource, 0);
    EXPECT_EQ(2, PDDocGetNumPages(target)) << "pages are inserted either way";
    CosObj stamp = StampOf(target, 0);
    if (!c.stamped) {
      EXPECT_EQ(CosNull, CosObjGetType(stamp));
      continue;
    }
    EXPECT_EQ(anonymous, StringBytes(CosDictGet(stamp, A("F"))));
    if (c.temporary) PDDocClearFlags(source, PDDocDeleteOnClose);  // the fixture file stays for the test dir
  }
}

TEST_F(PageStampTest, NewPagesAreStampedWithTheirSourceNumbers) {
  struct Case {
    const char* what;
    ASInt32 targetPages;
    ASInt32 insertAfter;
    ASInt32 firstNew;
  };
  const Case cases[] = {{"before the first page", 10, PDBeforeFirstPage, 0},
                        {"after page 9", 12, 9, 10},
                        {"after page 0", 3, 0, 1},
                        {"after the last page", 4, PDLastPage, 4},
                        {"into an empty document, after the last page", 0, PDLastPage, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc source = FileDoc(8, "src");
    PDDoc target = c.targetPages ? FileDoc(c.targetPages, "dst") : NewDoc();
    PDDocInsertAndStampPages(target, c.insertAfter, source, 4, 3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                             0);
    ASSERT_EQ(c.targetPages + 3, PDDocGetNumPages(target));
    for (ASInt32 k = 0; k < 3; ++k) {
      EXPECT_EQ("Page " + std::to_string(5 + k), PageLabel(target, c.firstNew + k));
      EXPECT_EQ(4 + k, StampedPageNumber(target, c.firstNew + k));
    }
    for (ASInt32 i = 0; i < PDDocGetNumPages(target); ++i) {
      if (i < c.firstNew || i >= c.firstNew + 3) {
        EXPECT_EQ(CosNull, CosObjGetType(StampOf(target, i))) << i;
      }
    }
  }
}

TEST_F(PageStampTest, ProgressAndCancelOfARange) {
  PDDoc doc = FileDoc(5, "range");
  Monitor m;
  Canceller never{0, 1000};
  StampPageRange(doc, 1, 3, &m.rec, &m, Canceller::Ask, &never, nullptr, 10, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"begin", "of 3", "1", "2", "3", "end"}), m.events);
  EXPECT_EQ(CosNull, CosObjGetType(StampOf(doc, 0)));
  EXPECT_EQ(11, StampedPageNumber(doc, 1));
  EXPECT_EQ(13, StampedPageNumber(doc, 3));

  // A cancel on the second page keeps the first stamp and is no failure.
  PDDoc other = FileDoc(4, "cancelled");
  Monitor m2;
  Canceller soon{0, 2};
  StampPageRange(other, 0, 4, &m2.rec, &m2, Canceller::Ask, &soon, nullptr, 0, 0, 0);
  EXPECT_EQ(0, StampedPageNumber(other, 0));
  EXPECT_EQ(CosNull, CosObjGetType(StampOf(other, 1)));
  EXPECT_EQ("end", m2.events.back());
  EXPECT_EQ(0, PDGetAcquiredPageCount());
}

TEST_F(PageStampTest, ACancelDuringStampingLeavesLaterPagesUnstamped) {
  PDDoc source = FileDoc(5, "src");
  PDDoc target = NewDoc();
  // Five questions while inserting, then two pages stamped, then cancel.
  Canceller c{0, 8};
  PDDocInsertAndStampPages(target, PDBeforeFirstPage, source, 0, 5, 0, nullptr, nullptr, Canceller::Ask, &c, nullptr,
                           0, 0, 0);
  EXPECT_EQ(5, PDDocGetNumPages(target));
  EXPECT_EQ(0, StampedPageNumber(target, 0));
  EXPECT_EQ(1, StampedPageNumber(target, 1));
  for (ASInt32 i = 2; i < 5; ++i) EXPECT_EQ(CosNull, CosObjGetType(StampOf(target, i))) << i;
}

TEST_F(PageStampTest, FailuresShowTheirStageAndPassOn) {
  MessageCapture capture;
  PDDoc doc = FileDoc(3, "short");
  Monitor m;
  ASInt64 blocks = ASMemOutstandingBlocks();
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { StampPageRange(doc, 1, 5, &m.rec, &m, nullptr, nullptr, nullptr, 0, 0, 0); }));
  EXPECT_EQ((std::vector<std::string>{"Internal error in StampPageRange acquiring page 3 of 3"}), capture.texts());
  EXPECT_EQ("end", m.events.back()) << "the monitor is ended on the way out";
  EXPECT_EQ(0, PDGetAcquiredPageCount());
  EXPECT_EQ(blocks, ASMemOutstandingBlocks()) << "the record made for the call is released";

  // A stamp that cannot be made: the source's Info holds a stream whose
  // clone fails.
  capture.Clear();
  PDDoc source = FileDoc(2, "src");
  CosDoc sourceCos = PDDocGetCosDoc(source);
  const char data[] = "thumbnail-ish bytes";
  ASStm stm = ASMemStmRdOpen(data, sizeof data - 1);
  CosObj stream = CosNewStream(sourceCos, 1, stm, 0, 0, CosNewNull(), CosNewNull(), sizeof data - 1);
  ASStmClose(stm);
  CosDictPut(CosDocGetInfoDict(sourceCos), A("Odd"), stream);
  PDDoc target = NewDoc();
  ASFaultInject("CosNewStream", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] {
              PDDocInsertAndStampPages(target, PDBeforeFirstPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, 0, 0, 0);
            }));
  EXPECT_EQ((std::vector<std::string>{"Internal error occurred in StampPage", "Internal error occurred in StampPageRange"}),
            capture.texts());
  EXPECT_EQ(2, PDDocGetNumPages(target)) << "the pages stay inserted";
  EXPECT_EQ(CosNull, CosObjGetType(StampOf(target, 0)));
  EXPECT_EQ(0, PDGetAcquiredPageCount());
}

TEST_F(PageStampTest, TheCommandHistoryGoesIntoAnEmptyTarget) {
  PDDoc source = FileDoc(2, "with history");
  SKCab* list = History("from the source");
  ASSERT_TRUE(PDDocStoreCommandListFromKCab(source, list, "the source's history", 0));
  KCabDestroy(list);

  // An empty target without a history gets it, description and all.
  PDDoc empty = NewDoc();
  PDDocInsertAndStampPages(empty, PDBeforeFirstPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                           0, 0);
  EXPECT_EQ("from the source", HistoryText(empty));
  char description[100];
  PDDocGetCommandListHistoryObj(empty, description, sizeof description);
  EXPECT_STREQ("the source's history", description);
  EXPECT_EQ(CosStream, CosObjGetType(FindFileAttachment(empty, "KRVL.command.history", nullptr)));
  SaveAndCheck(empty, "history.pdf");

  // A target that had pages never gets it.
  PDDoc withPages = FileDoc(1, "pages");
  PDDocInsertAndStampPages(withPages, PDLastPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                           0);
  EXPECT_FALSE(PDDocHasCommandList(withPages));

  // An empty target with a history of its own keeps it.
  PDDoc own = NewDoc();
  list = History("its own");
  PDDocStoreCommandListFromKCab(own, list, "", 0);
  KCabDestroy(list);
  PDDocInsertAndStampPages(own, PDBeforeFirstPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                           0);
  EXPECT_EQ("its own", HistoryText(own));

  // In PDF/X mode the history is written without an attachment.
  gPDFXMode = 1;
  PDDoc pdfx = NewDoc();
  PDDocInsertAndStampPages(pdfx, PDBeforeFirstPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                           0);
  EXPECT_EQ("from the source", HistoryText(pdfx));
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(pdfx, "KRVL.command.history", nullptr)));

  // A failure while copying it shows its stage.
  MessageCapture capture;
  PDDoc failing = NewDoc();
  ASFaultInject("CosNewStream", genErrNoMemory);
  EXPECT_EQ(genErrNoMemory, ErrorOf([&] {
              PDDocInsertAndStampPages(failing, PDBeforeFirstPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, 0, 0, 0);
            }));
  EXPECT_EQ((std::vector<std::string>{"Internal error occurred in PDDocInsertAndStampPages copying command info"}),
            capture.texts());
}

TEST_F(PageStampTest, TheTargetsStructureTreeGoesWhenAsked) {
  for (ASBool remove : {0, 1}) {
    std::string path = dir.file("tagged" + std::to_string(remove) + ".pdf");
    kvfix::WriteTaggedPages(path, 2);
    docs.push_back(OpenPdf(path));
    PDDoc target = docs.back();
    PDDoc source = FileDoc(2, "src");
    PDDocInsertAndStampPages(target, PDLastPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                             remove);
    EXPECT_EQ(remove == 0, DocHasStructure(target) != 0);
    EXPECT_EQ(4, PDDocGetNumPages(target));
  }
}

// The host error of system 1, code 18: the cached font encodings of the
// target, else the source, are repaired and the insertion runs once more.
TEST_F(PageStampTest, CachedEncodingFailuresAreRepairedAndRetried) {
  auto addOldCache = [](PDDoc doc) {
    CosDoc cos = PDDocGetCosDoc(doc);
    CosObj cache = CosNewDict(cos, 1, 1);
    CosObj font = CosNewDict(cos, 1, 3);
    CosDictPut(font, A("Type"), CosNewName(cos, 0, A("Font")));
    CosObj encoding = CosNewDict(cos, 0, 1);
    CosDictPut(encoding, A("BaseEncoding"), CosNewName(cos, 0, A("WinAnsiEncoding")));
    CosDictPut(font, A("Encoding"), encoding);
    CosDictPut(cache, A("F1"), font);
    CosDictPut(CosDocGetRoot(cos), A("KRVL_cache"), cache);
  };
  struct Case {
    const char* what;
    bool targetCache, sourceCache;
    const char* call;
    ASInt32 skip;
    bool recovers;
  };
  const Case cases[] = {{"the target's cache", true, false, "PDDocInsertPages", 0, true},
                        {"the source's cache", false, true, "PDDocInsertPages", 0, true},
                        {"half-way, the target's cache", true, false, "PDDocInsertPages:page", 2, true},
                        {"nothing to repair", false, false, "PDDocInsertPages", 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc source = FileDoc(4, "src");
    PDDoc target = FileDoc(1, "dst");
    if (c.targetCache) addOldCache(target);
    if (c.sourceCache) addOldCache(source);
    ASFaultInject(c.call, genErrFontEncoding, c.skip, 1);
    ASErrorCode e = ErrorOf([&] {
      PDDocInsertAndStampPages(target, PDLastPage, source, 0, 4, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                               0);
    });
    ASFaultClearAll();
    if (!c.recovers) {
      EXPECT_EQ(genErrFontEncoding, e);
      continue;
    }
    EXPECT_EQ(0, e);
    EXPECT_EQ((std::vector<std::string>{"Page 1", "Page 1", "Page 2", "Page 3", "Page 4"}), PageLabels(target))
        << "each page once, the partial pages removed first";
    for (ASInt32 i = 1; i <= 4; ++i) EXPECT_EQ(i - 1, StampedPageNumber(target, i));
    PDDoc repaired = c.targetCache ? target : source;
    EXPECT_TRUE(CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(repaired)), A("KRVL_cache_2")));
  }
  // A second failure of the same kind passes on.
  PDDoc source = FileDoc(2, "src");
  PDDoc target = FileDoc(1, "dst");
  addOldCache(target);
  ASFaultInject("PDDocInsertPages", genErrFontEncoding, 0, 2);
  EXPECT_EQ(genErrFontEncoding, ErrorOf([&] {
              PDDocInsertAndStampPages(target, PDLastPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       0, 0, 0);
            }));
}

}  // namespace
