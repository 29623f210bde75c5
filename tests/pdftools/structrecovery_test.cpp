// Page insertion and deletion around damaged structure trees: the host's
// failures are made by real damaged files where the host produces them, and
// by the host's fault injection where it never does (runs too long for one
// insertion, thumbnails in the way, structure failures half-way).
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/StructRecovery.h"
#include "support/HostPdf.h"
#include "support/PageLabels.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Catalog(PDDoc doc) { return CosDocGetRoot(PDDocGetCosDoc(doc)); }
bool Has(PDDoc doc, const char* key) { return CosDictKnown(Catalog(doc), A(key)); }
bool Clean(PDDoc doc) { return (PDDocGetFlags(doc) & PDDocNeedsSave) == 0 && !CosDocIsDirty(PDDocGetCosDoc(doc)); }

std::vector<std::string> Labels(const std::string& prefix, int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i <= to; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

// What a document of `base` pages shows after `inserted` went in after insertAfter.
std::vector<std::string> AfterInsert(std::vector<std::string> base, ASInt32 insertAfter,
                                     const std::vector<std::string>& inserted) {
  size_t at = insertAfter == PDBeforeFirstPage ? 0 : insertAfter == PDLastPage ? base.size() : (size_t)insertAfter + 1;
  base.insert(base.begin() + (std::ptrdiff_t)at, inserted.begin(), inserted.end());
  return base;
}

// Records the durations the host announces: one per insertion or deletion
// call that got past its checks.
struct Monitor {
  std::vector<ASInt32> durations;
  std::vector<PDPageMode> modes;  // the active view's mode whenever a page was done
  ProgressMonitorRec rec{};
  Monitor() {
    rec.size = sizeof rec;
    rec.setDuration = [](ASInt32 d, void* self) { static_cast<Monitor*>(self)->durations.push_back(d); };
    rec.setCurrValue = [](ASInt32, void* self) {
      AVDoc view = AVAppGetActiveDoc();
      static_cast<Monitor*>(self)->modes.push_back(view ? AVDocGetViewMode(view) : -1);
    };
  }
};

class StructRecoveryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ASFaultClearAll();
    for (AVDoc v : OpenViews()) AVDocClose(v, 1);
    for (PDDoc d : docs)
      if (d) PDDocClose(d);
  }
  PDDoc Open(const std::string& name, const std::function<void(const std::string&)>& write) {
    std::string path = dir.file(name + "-" + std::to_string(docs.size()) + ".pdf");
    write(path);
    docs.push_back(OpenPdf(path));
    return docs.back();
  }
  PDDoc Simple(int pages) {
    return Open("simple", [&](const std::string& p) { kvfix::WriteSimple(p, pages); });
  }
  PDDoc Tagged(int pages) {
    return Open("tagged", [&](const std::string& p) { kvfix::WriteTaggedPages(p, pages); });
  }
  // Hands the document to a window (which closes it).
  AVDoc View(PDDoc doc) {
    for (PDDoc& d : docs)
      if (d == doc) d = nullptr;
    return AVDocOpenFromPDDoc(doc, nullptr);
  }
  void SaveAndCheck(PDDoc doc, const std::string& name) {
    SavePdf(doc, dir.file(name));
    EXPECT_EQ(0, QpdfCheck(dir.file(name))) << name;
  }
  TempDir dir;
  std::vector<PDDoc> docs;
};

TEST_F(StructRecoveryTest, HideRestoreAndRemoveKeepACleanDocumentClean) {
  PDDoc doc = Tagged(2);
  ASSERT_TRUE(Clean(doc));
  ASSERT_TRUE(DocHasStructure(doc));
  CosObj tree = CosDictGet(Catalog(doc), A("StructTreeRoot"));

  HideStructRoot(doc);
  EXPECT_FALSE(DocHasStructure(doc)) << "a hidden tree does not count";
  EXPECT_TRUE(CosObjEqual(tree, CosDictGet(Catalog(doc), A("KRVL_HideStructTreeRoot"))));
  EXPECT_TRUE(Clean(doc));
  HideStructRoot(doc);  // nothing more to hide
  EXPECT_TRUE(Has(doc, "KRVL_HideStructTreeRoot"));

  RestoreStructRoot(doc);
  EXPECT_TRUE(CosObjEqual(tree, CosDictGet(Catalog(doc), A("StructTreeRoot"))));
  EXPECT_FALSE(Has(doc, "KRVL_HideStructTreeRoot"));
  EXPECT_TRUE(Clean(doc));
  RestoreStructRoot(doc);  // nothing hidden
  EXPECT_TRUE(DocHasStructure(doc));

  // Both keys go, and the marks that would call the document tagged; a
  // document that needed saving still does.
  HideStructRoot(doc);
  CosDictPut(Catalog(doc), A("StructTreeRoot"), CosNewInteger(PDDocGetCosDoc(doc), 0, 1));
  PDDocSetFlags(doc, PDDocNeedsSave);
  ASSERT_TRUE(Has(doc, "MarkInfo"));
  RemoveDocStructure(doc);
  EXPECT_FALSE(Has(doc, "StructTreeRoot"));
  EXPECT_FALSE(Has(doc, "KRVL_HideStructTreeRoot"));
  EXPECT_FALSE(Has(doc, "MarkInfo"));
  EXPECT_NE(0, PDDocGetFlags(doc) & PDDocNeedsSave);
}

TEST_F(StructRecoveryTest, TreesThatAreNoDictionariesAndDirectTreesMoveAsValues) {
  PDDoc doc = Simple(1);
  CosDoc cos = PDDocGetCosDoc(doc);
  CosDictPut(Catalog(doc), A("StructTreeRoot"), CosNewInteger(cos, 0, 42));
  EXPECT_TRUE(DocHasStructure(doc));
  HideStructRoot(doc);
  EXPECT_EQ(42, CosIntegerValue(CosDictGet(Catalog(doc), A("KRVL_HideStructTreeRoot"))));
  RestoreStructRoot(doc);
  EXPECT_EQ(42, CosIntegerValue(CosDictGet(Catalog(doc), A("StructTreeRoot"))));

  CosObj direct = CosNewDict(cos, 0, 1);
  CosDictPut(direct, A("Type"), CosNewName(cos, 0, A("StructTreeRoot")));
  CosDictPut(Catalog(doc), A("StructTreeRoot"), direct);
  HideStructRoot(doc);
  CosObj hidden = CosDictGet(Catalog(doc), A("KRVL_HideStructTreeRoot"));
  ASSERT_EQ(CosDict, CosObjGetType(hidden));
  EXPECT_FALSE(CosObjIsIndirect(hidden));
  EXPECT_EQ(A("StructTreeRoot"), CosNameValue(CosDictGet(hidden, A("Type"))));
  // A tree left hidden by an earlier abnormal end comes back.
  RestoreStructRoot(doc);
  EXPECT_TRUE(DocHasStructure(doc));
  SaveAndCheck(doc, "values.pdf");
}

// Runs too long for one host insertion are inserted in halves, each of which
// may be split again; the pages land in order wherever they go.
TEST_F(StructRecoveryTest, LongRunsAreInsertedInHalves) {
  struct Case {
    const char* what;
    ASInt32 failures;  // insertion calls that fail, counted from the first
    ASInt32 insertAfter;
    std::vector<ASInt32> calls;  // the page counts of the insertions that worked
  };
  const Case cases[] = {
      {"once, at the start", 1, PDBeforeFirstPage, {3, 4}},
      {"twice, at the start", 2, PDBeforeFirstPage, {1, 2, 4}},
      {"twice, after the last page", 2, PDLastPage, {1, 2, 4}},
      {"once, after page 1", 1, 1, {3, 4}},
      {"twice, after page 2", 2, 2, {1, 2, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc target = Tagged(3);
    PDDoc source = Simple(7);
    ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert, 0, c.failures);
    Monitor m;
    PDDocInsertPagesWithBadStructRecovery(target, c.insertAfter, source, 0, 7, 0, &m.rec, &m, nullptr, nullptr);
    ASFaultClearAll();
    EXPECT_EQ(c.calls, m.durations);
    EXPECT_EQ(AfterInsert(Labels("Tagged page ", 1, 3), c.insertAfter, Labels("Page ", 1, 7)), PageLabels(target));
    EXPECT_FALSE(DocHasStructure(target)) << "a split gives up the target's tree";
    SaveAndCheck(target, "split.pdf");
  }
}

TEST_F(StructRecoveryTest, TheSevenPageExampleSplitsThreeAndFour) {
  PDDoc target = Tagged(1);
  PDDoc source = Simple(7);
  ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert, 0, 1);
  Monitor m;
  PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, -1, 0, &m.rec, &m, nullptr, nullptr);
  EXPECT_EQ((std::vector<ASInt32>{3, 4}), m.durations) << "all pages (-1) split like seven";
  EXPECT_EQ(8, PDDocGetNumPages(target));
}

TEST_F(StructRecoveryTest, SplitErrorsThatCannotBeSplitPassOn) {
  // One page is not split.
  {
    PDDoc target = Tagged(2);
    PDDoc source = Simple(3);
    ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert);
    EXPECT_EQ(pdErrTooManyPagesForInsert, ErrorOf([&] {
                PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 1, 1, 0, nullptr, nullptr, nullptr,
                                                      nullptr);
              }));
    EXPECT_EQ(2, PDDocGetNumPages(target));
    EXPECT_TRUE(DocHasStructure(target)) << "nothing was recovered, so nothing was given up";
  }
  // A half that fails down to one page passes its error on.
  {
    PDDoc target = Tagged(2);
    PDDoc source = Simple(7);
    ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert, 0, 3);
    EXPECT_EQ(pdErrTooManyPagesForInsert, ErrorOf([&] {
                PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 7, 0, nullptr, nullptr, nullptr,
                                                      nullptr);
              }));
    EXPECT_EQ(2, PDDocGetNumPages(target));
  }
  // After pages went in, a split-class error is not split; the pages that
  // went in go again.
  {
    PDDoc target = Tagged(2);
    PDDoc source = Simple(5);
    ASFaultInject("PDDocInsertPages:page", pdErrTooManyPagesForInsert, 2, 1);
    EXPECT_EQ(pdErrTooManyPagesForInsert, ErrorOf([&] {
                PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 5, 0, nullptr, nullptr, nullptr,
                                                      nullptr);
              }));
    EXPECT_EQ(Labels("Tagged page ", 1, 2), PageLabels(target));
  }
}

// A failed insertion leaves the target as it was (its pages, its tree, its
// clean state) and the source untouched, whatever the recovery had done.
TEST_F(StructRecoveryTest, AFailedInsertionLeavesBothDocumentsAsTheyWere) {
  struct Case {
    const char* what;
    std::function<void()> inject;
    ASErrorCode raised;
    ASInt32 insertAfter;
  };
  const Case cases[] = {
      {"the second half of a split fails",
       [] {
         ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert, 0, 1);
         ASFaultInject("PDDocInsertPages:page", genErrGeneral, 3, 1);  // after the first half's three
       },
       genErrGeneral, PDLastPage},
      {"the second half of a split fails, before the first page",
       [] {
         ASFaultInject("PDDocInsertPages", pdErrTooManyPagesForInsert, 0, 1);
         ASFaultInject("PDDocInsertPages:page", genErrGeneral, 3, 1);
       },
       genErrGeneral, PDBeforeFirstPage},
      {"the retry fails after two pages",
       [] {
         ASFaultInject("PDDocInsertPages", pdsErrBadStructure, 0, 1);
         ASFaultInject("PDDocInsertPages:page", pdsErrBadStructure, 2, 1);
       },
       pdsErrBadStructure, 0},
      {"hiding the source's tree fails",
       [] {
         ASFaultInject("PDDocInsertPages:page", pdsErrBadStructure, 1, 1);
         ASFaultInject("HideStructRoot", genErrGeneral, 0, 1);
       },
       genErrGeneral, PDLastPage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc target = Tagged(2);
    PDDoc source = Tagged(7);
    ASSERT_TRUE(Clean(target));
    CosObj targetTree = CosDictGet(Catalog(target), A("StructTreeRoot"));
    CosObj sourceTree = CosDictGet(Catalog(source), A("StructTreeRoot"));
    c.inject();
    EXPECT_EQ(c.raised, ErrorOf([&] {
                PDDocInsertPagesWithBadStructRecovery(target, c.insertAfter, source, 0, 7, 0, nullptr, nullptr, nullptr,
                                                      nullptr);
              }));
    ASFaultClearAll();
    EXPECT_EQ(Labels("Tagged page ", 1, 2), PageLabels(target)) << "no page of the source stays behind";
    EXPECT_TRUE(CosObjEqual(targetTree, CosDictGet(Catalog(target), A("StructTreeRoot")))) << "the target's tree";
    EXPECT_FALSE(Has(target, "KRVL_HideStructTreeRoot"));
    EXPECT_TRUE(Clean(target));
    EXPECT_EQ(7, PDDocGetNumPages(source));
    EXPECT_TRUE(CosObjEqual(sourceTree, CosDictGet(Catalog(source), A("StructTreeRoot")))) << "the source's tree";
    EXPECT_FALSE(Has(source, "KRVL_HideStructTreeRoot"));
    EXPECT_TRUE(Clean(source));
    SaveAndCheck(target, "unchanged.pdf");
  }
}

// A structure failure half-way: the partial pages go, the target's tree goes,
// and the pages come in once, while the source's tree is hidden.
TEST_F(StructRecoveryTest, StructureFailuresDropTheTargetTreeAndInsertOnce) {
  struct Case {
    const char* what;
    const char* call;
    ASInt32 skip;
    ASErrorCode code;
    ASInt32 insertAfter;
  };
  const Case cases[] = {
      {"system 17 after 2 of 5", "PDDocInsertPages:page", 2, pdsErrBadStructure, PDLastPage},
      {"system 17, another code, at once", "PDDocInsertPages", 0, ErrBuildCode(ErrSeverityError, 17, 99),
       PDBeforeFirstPage},
      {"system 1 code 15 after 3 of 5", "PDDocInsertPages:page", 3, genErrStructureDamaged, 0},
      {"system 1 code 15 after 1 of 5, at the start", "PDDocInsertPages:page", 1, genErrStructureDamaged,
       PDBeforeFirstPage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc target = Tagged(2);
    PDDoc source = Tagged(5);
    ASSERT_TRUE(Clean(source));
    CosObj sourceTree = CosDictGet(Catalog(source), A("StructTreeRoot"));
    ASFaultInject(c.call, c.code, c.skip, 1);

    // The source's tree is hidden while the pages are copied again.
    struct Watch {
      PDDoc source;
      std::vector<bool> hidden;
    } watch{source, {}};
    CancelProc cancel = [](void* data) -> ASBool {
      auto* w = static_cast<Watch*>(data);
      w->hidden.push_back(!DocHasStructure(w->source) &&
                          CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(w->source)), A("KRVL_HideStructTreeRoot")));
      return 0;
    };
    PDDocInsertPagesWithBadStructRecovery(target, c.insertAfter, source, 0, 5, 0, nullptr, nullptr, cancel, &watch);
    ASFaultClearAll();

    EXPECT_EQ(AfterInsert(Labels("Tagged page ", 1, 2), c.insertAfter, Labels("Tagged page ", 1, 5)),
              PageLabels(target));
    EXPECT_FALSE(DocHasStructure(target));
    EXPECT_FALSE(Has(target, "KRVL_HideStructTreeRoot"));
    ASSERT_GE(watch.hidden.size(), 5u);
    EXPECT_EQ(std::vector<bool>(5, true), std::vector<bool>(watch.hidden.end() - 5, watch.hidden.end()))
        << "the last run saw the source's tree hidden";
    EXPECT_TRUE(CosObjEqual(sourceTree, CosDictGet(Catalog(source), A("StructTreeRoot"))));
    EXPECT_FALSE(Has(source, "KRVL_HideStructTreeRoot"));
    EXPECT_TRUE(Clean(source)) << "the source does not ask to be saved";
    SaveAndCheck(target, "recovered.pdf");
  }
}

TEST_F(StructRecoveryTest, AFailedRetryRestoresTheSourceAndPassesOn) {
  PDDoc target = Tagged(2);
  PDDoc source = Tagged(3);
  ASFaultInject("PDDocInsertPages", pdsErrBadStructure, 0, 2);
  EXPECT_EQ(pdsErrBadStructure, ErrorOf([&] {
              PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 3, 0, nullptr, nullptr, nullptr,
                                                    nullptr);
            }));
  EXPECT_EQ(2, PDDocGetNumPages(target));
  EXPECT_TRUE(DocHasStructure(source));
  EXPECT_FALSE(Has(source, "KRVL_HideStructTreeRoot"));
  EXPECT_TRUE(Clean(source));
}

TEST_F(StructRecoveryTest, OtherFailuresPassOnUntouched) {
  PDDoc target = Tagged(2);
  PDDoc source = Tagged(3);
  for (ASErrorCode code : {genErrGeneral, pdErrThumbnailsInTheWay, ErrBuildCode(ErrSeverityError, 1, 18)}) {
    ASFaultInject("PDDocInsertPages", code);
    EXPECT_EQ(code, ErrorOf([&] {
                PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 3, 0, nullptr, nullptr, nullptr,
                                                      nullptr);
              }));
    EXPECT_TRUE(DocHasStructure(target));
  }
  // The user's cancel is no structure failure either.
  ASInt32 before = PDDocGetNumPages(target);
  CancelProc cancel = [](void*) -> ASBool { return 1; };
  EXPECT_EQ(genErrCancelled, ErrorOf([&] {
              PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 3, 0, nullptr, nullptr, cancel,
                                                    nullptr);
            }));
  EXPECT_EQ(before, PDDocGetNumPages(target));
}

TEST_F(StructRecoveryTest, TheSaveVersionCoversTheSource) {
  PDDoc target = Simple(1);
  PDDoc source = Simple(2);
  CosDoc cos = PDDocGetCosDoc(target);
  CosDictPut(Catalog(target), A("KRVL_SaveMajorVersion"), CosNewInteger(cos, 0, 1));
  CosDictPut(Catalog(target), A("KRVL_SaveMinorVersion"), CosNewInteger(cos, 0, 0));
  PDDocInsertPagesWithBadStructRecovery(target, PDLastPage, source, 0, 2, 0, nullptr, nullptr, nullptr, nullptr);
  ASInt16 major = 0, minor = 0;
  PDDocGetVersion(source, &major, &minor);
  EXPECT_EQ(major, CosIntegerValue(CosDictGet(Catalog(target), A("KRVL_SaveMajorVersion"))));
  EXPECT_EQ(minor, CosIntegerValue(CosDictGet(Catalog(target), A("KRVL_SaveMinorVersion"))));
}

// Damaged trees make the host refuse the deletion; the recovery drops the
// tree and deletes.
TEST_F(StructRecoveryTest, DeletingFromDocumentsWithDamagedTrees) {
  struct Case {
    const char* what;
    kvfix::EStructDamage damage;
  };
  const Case cases[] = {{"root no dictionary", kvfix::EStructDamage::kRootNotDictionary},
                        {"cycle", kvfix::EStructDamage::kCycle},
                        {"bad kid", kvfix::EStructDamage::kBadKid},
                        {"too deep", kvfix::EStructDamage::kTooDeep}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc doc = Open("damaged", [&](const std::string& p) { kvfix::WriteDamagedStructure(p, c.damage, 4); });
    EXPECT_EQ(pdsErrBadStructure, ErrorOf([&] { PDDocDeletePages(doc, 1, 2, nullptr, nullptr); }));
    EXPECT_EQ(4, PDDocGetNumPages(doc)) << "the host refused before any page went";
    PDDocDeletePagesWithBadStructRecovery(doc, 1, 2, nullptr, nullptr);
    EXPECT_EQ((std::vector<std::string>{"Tagged page 1", "Tagged page 4"}), PageLabels(doc));
    EXPECT_FALSE(DocHasStructure(doc));
    SaveAndCheck(doc, "deleted.pdf");
  }
}

TEST_F(StructRecoveryTest, DeletionFailuresHalfWay) {
  struct Case {
    const char* what;
    ASErrorCode code;
    ASInt32 skip;
    ASInt32 first, last;
    std::vector<std::string> left;
  };
  const Case cases[] = {
      {"structure after one page", pdsErrBadStructure, 1, 1, 3, {"Tagged page 1", "Tagged page 5"}},
      {"structure at once", genErrStructureDamaged, 0, 0, 1, Labels("Tagged page ", 3, 5)},
      {"structure, to the last page", pdsErrBadStructure, 2, 2, PDLastPage, {"Tagged page 1", "Tagged page 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc doc = Tagged(5);
    ASFaultInject("PDDocDeletePages:page", c.code, c.skip, 1);
    PDDocDeletePagesWithBadStructRecovery(doc, c.first, c.last, nullptr, nullptr);
    ASFaultClearAll();
    EXPECT_EQ(c.left, PageLabels(doc));
    EXPECT_FALSE(DocHasStructure(doc));
  }
  // A second failure while completing passes on.
  PDDoc doc = Tagged(5);
  ASFaultInject("PDDocDeletePages:page", pdsErrBadStructure, 1, 1);
  ASFaultInject("PDDocDeletePages", genErrGeneral, 1, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { PDDocDeletePagesWithBadStructRecovery(doc, 0, 3, nullptr, nullptr); }));
  EXPECT_EQ(4, PDDocGetNumPages(doc));
  // Other failures pass on as they are.
  ASFaultClearAll();
  doc = Tagged(2);
  ASFaultInject("PDDocDeletePages", fileErrIO);
  EXPECT_EQ(fileErrIO, ErrorOf([&] { PDDocDeletePagesWithBadStructRecovery(doc, 0, 0, nullptr, nullptr); }));
  EXPECT_TRUE(DocHasStructure(doc));
}

TEST_F(StructRecoveryTest, ThumbnailsInTheWayOfADeletion) {
  PDDoc doc = Tagged(6);
  AVDoc view = View(doc);
  AVDocSetViewMode(view, PDUseThumbs);
  ASFaultInject("PDDocDeletePages:page", pdErrThumbnailsInTheWay, 1, 1);
  Monitor m;
  PDDocDeletePagesWithBadStructRecovery(doc, 1, 4, &m.rec, &m);
  EXPECT_EQ((std::vector<std::string>{"Tagged page 1", "Tagged page 6"}), PageLabels(doc));
  EXPECT_EQ(PDUseThumbs, AVDocGetViewMode(view)) << "thumbnails are shown again";
  // The first run did one page with thumbnails, the second the other three without.
  EXPECT_EQ((std::vector<ASInt32>{4, 3}), m.durations);
  EXPECT_EQ((std::vector<PDPageMode>{PDUseThumbs, PDUseNone, PDUseNone, PDUseNone}), m.modes);
  EXPECT_TRUE(DocHasStructure(doc)) << "thumbnails do not cost the tree";

  // A failing second run still gives the thumbnails back.
  ASFaultInject("PDDocDeletePages:page", pdErrThumbnailsInTheWay, 0, 1);
  ASFaultInject("PDDocDeletePages", genErrGeneral, 1, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { PDDocDeletePagesWithBadStructRecovery(doc, 0, 0, nullptr, nullptr); }));
  EXPECT_EQ(PDUseThumbs, AVDocGetViewMode(view));
  ASFaultClearAll();

  // Without thumbnails shown, or for a document that is not in front, the error passes on.
  AVDocSetViewMode(view, PDUseBookmarks);
  ASFaultInject("PDDocDeletePages", pdErrThumbnailsInTheWay);
  EXPECT_EQ(pdErrThumbnailsInTheWay,
            ErrorOf([&] { PDDocDeletePagesWithBadStructRecovery(doc, 0, 0, nullptr, nullptr); }));
  PDDoc other = Tagged(2);
  AVDocSetViewMode(view, PDUseThumbs);
  ASFaultInject("PDDocDeletePages", pdErrThumbnailsInTheWay);
  EXPECT_EQ(pdErrThumbnailsInTheWay,
            ErrorOf([&] { PDDocDeletePagesWithBadStructRecovery(other, 0, 0, nullptr, nullptr); }));
  EXPECT_EQ(2, PDDocGetNumPages(other));
}

}  // namespace
