// The reader over whole documents: every content stream and form of the
// fixture corpus comes back byte for byte from its statements.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/ContentFixtures.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/PD.h"
#include "pdftools/PDFStatement.h"
#include "pdftools/StatementReading.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using kvtest::Joined;
using kvtest::ReadStatements;
using kvtest::Statement;

namespace {

struct Tally {
  int streams = 0;
  int statements = 0;
  int inlineImages = 0;
  int unknownOperators = 0;
};

void CheckStream(const std::string& where, const std::string& bytes, CosObj resources, Tally& tally) {
  ASErrorCode e = kvtest::ErrorOf([&] {
    for (ASInt32 bufferSize : {60000, 16}) {
      std::vector<Statement> got = ReadStatements(bytes, bufferSize, resources);
      EXPECT_EQ(bytes.size(), Joined(got).size()) << where;
      EXPECT_TRUE(bytes == Joined(got)) << where << ": statements differ from the stream";
      if (bufferSize != 60000) continue;
      for (const Statement& s : got) {
        if (s.op.empty()) continue;
        ++tally.statements;
        tally.inlineImages += s.code == kPDFVerb_EI;
        tally.unknownOperators += s.code == kPDFVerbUnknown;
      }
    }
  });
  EXPECT_EQ(0, e) << where;
  ++tally.streams;
}

// Forms painted by the resources, each with its own resources.
void CheckForms(const std::string& where, CosObj resources, Tally& tally, int depth) {
  if (depth > 4 || CosObjGetType(resources) != CosDict) return;
  CosObj xobjects = CosDictGet(resources, ASAtomFromString("XObject"));
  if (CosObjGetType(xobjects) != CosDict) return;
  struct Ctx {
    std::string where;
    Tally* tally;
    int depth;
  } ctx{where, &tally, depth};
  CosObjEnum(
      xobjects,
      [](CosObj key, CosObj value, void* data) -> ASBool {
        auto* c = static_cast<Ctx*>(data);
        if (CosObjGetType(value) != CosStream) return 1;
        if (CosNameValue(CosDictGet(value, ASAtomFromString("Subtype"))) != ASAtomFromString("Form")) return 1;
        std::string where = c->where + " form " + ASAtomGetString(CosNameValue(key));
        CosObj res = CosDictGet(value, ASAtomFromString("Resources"));
        CheckStream(where, kvtest::CosStreamBytes(value), res, *c->tally);
        CheckForms(where, res, *c->tally, c->depth + 1);
        return 1;
      },
      &ctx);
}

Tally CheckDocument(const std::string& path) {
  Tally tally;
  PDDoc doc = nullptr;
  if (kvtest::ErrorOf([&] { doc = kvtest::OpenPdf(path); }) != 0) return tally;  // encrypted, garbage
  kvtest::ScopedDoc scoped(doc);
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    PDPage page = nullptr;
    if (kvtest::ErrorOf([&] { page = PDDocAcquirePage(doc, i); }) != 0) continue;
    kvtest::ScopedPage scopedPage(page);
    std::string where = path + " page " + std::to_string(i + 1);
    CosObj resources = PDPageGetCosResources(page);
    CosObj contents = PDPageGetCosContents(page);
    std::string whole;
    if (CosObjGetType(contents) == CosStream) {
      whole = kvtest::CosStreamBytes(contents);
      CheckStream(where, whole, resources, tally);
    } else if (CosObjGetType(contents) == CosArray) {
      for (ASInt32 k = 0; k < CosArrayLength(contents); ++k) {
        CosObj part = CosArrayGet(contents, k);
        if (CosObjGetType(part) != CosStream) continue;
        std::string bytes = kvtest::CosStreamBytes(part);
        CheckStream(where + " part " + std::to_string(k), bytes, resources, tally);
        whole += bytes;
      }
      // The parts read as one stream, as the page shows them.
      CheckStream(where + " whole", whole, resources, tally);
    }
    CheckForms(where, resources, tally, 0);
  }
  return tally;
}

class StatementCorpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new kvtest::TempDir;
    kvfix::WriteAll(dir_->path());
    contentFiles_ = new std::vector<std::string>(kvfix::WriteContentCorpus(dir_->file("content")));
  }
  static void TearDownTestSuite() {
    delete contentFiles_;
    delete dir_;
  }
  static kvtest::TempDir* dir_;
  static std::vector<std::string>* contentFiles_;
};

kvtest::TempDir* StatementCorpus::dir_ = nullptr;
std::vector<std::string>* StatementCorpus::contentFiles_ = nullptr;

TEST_F(StatementCorpus, HostFixturesRoundTrip) {
  Tally all;
  for (const auto& entry : std::filesystem::directory_iterator(dir_->path())) {
    if (entry.path().extension() != ".pdf") continue;
    Tally t = CheckDocument(entry.path().string());
    all.streams += t.streams;
    all.inlineImages += t.inlineImages;
  }
  EXPECT_GT(all.streams, 20);
  EXPECT_GE(all.inlineImages, 3);  // the inline-image fixture's three images
}

TEST_F(StatementCorpus, ContentFixturesRoundTrip) {
  const std::vector<std::string>& files = *contentFiles_;
  Tally text = CheckDocument(files[0]);
  EXPECT_EQ(12, text.streams);
  EXPECT_GT(text.statements, 12 * 200);
  EXPECT_EQ(12, text.inlineImages);
  // Realistic content: every operator is known.
  EXPECT_EQ(0, text.unknownOperators);

  Tally images = CheckDocument(files[1]);
  EXPECT_EQ(2, images.streams);
  EXPECT_EQ(2 * 4, images.inlineImages);
  EXPECT_EQ(0, images.unknownOperators);

  Tally split = CheckDocument(files[2]);
  EXPECT_EQ(7 + 1 + 1, split.streams);  // seven parts, the whole, the form
}

TEST(StatementReaderCorpus, TrickyContentsRoundTripAlone) {
  for (const std::string& bytes : kvfix::TrickyContents()) {
    for (ASInt32 size : {60000, 4}) {
      std::vector<Statement> got = ReadStatements(bytes, size);
      EXPECT_EQ(bytes, Joined(got));
    }
  }
}

}  // namespace
