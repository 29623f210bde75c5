#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "PageBuild.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/StreamEdit.h"
#include "support/CosDescribe.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

// A callback built from a function object, with a record of what it saw.
struct Recorder {
  std::vector<std::string> statements;  // as passed in
  std::vector<int> verbs;
  std::function<ASBool(char*, ASInt32*, ASInt32, char*, EPDFVerb)> act;
};

ASBool RecordingCallback(void* data, PDPage, char* buffer, ASInt32* length, ASInt32 capacity, char* op,
                         EPDFVerb verb) {
  auto* r = static_cast<Recorder*>(data);
  if (*length >= 0) {
    r->statements.emplace_back(buffer, (size_t)*length);
    r->verbs.push_back(verb);
  }
  return r->act ? r->act(buffer, length, capacity, op, verb) : 0;
}

class StreamEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = PDDocCreate();
    m = CosMaker{PDDocGetCosDoc(doc)};
  }
  void TearDown() override {
    PDDocClose(doc);
    EXPECT_EQ(0, PDGetAcquiredPageCount());
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(0, ASStmOpenCount()) << "streams left open";
  }
  // Runs one edit of page 0 and returns the edited flag.
  ASBool EditPage(Recorder& r, bool readOnly = false) {
    ScopedPage page(doc, 0);
    SPageStreamEditInfo* edit = NewPageStreamEditInfo(readOnly);
    ASBool edited = 0;
    DURING
      edited = PageStreamEdit(edit, page, nullptr, RecordingCallback, &r);
    HANDLER
      DestroyPageStreamEditInfo(edit);
      RERAISE();
    END_HANDLER
    DestroyPageStreamEditInfo(edit);
    return edited;
  }
  CosObj PageDict() {
    ScopedPage page(doc, 0);
    return PDPageGetCosObj(page);
  }
  PDDoc doc = nullptr;
  CosMaker m{};
};

const char kPage[] = "q 1 0 0 1 10 20 cm\nBT /F1 12 Tf (a) Tj [(b) 2 (c)] TJ ET\nQ % tail";

// A callback that changes nothing leaves the page as it was, object for
// object, even though every statement went to the temporary file.
TEST_F(StreamEditTest, IdentityEditLeavesThePageAlone) {
  AddPage(doc, std::vector<std::string>{"q 1 0 0 1 10 20 cm\nBT /F1 12 Tf", " (a) Tj ET\nQ % tail"}, CosNewNull(),
          true);
  CosObj before = CosDictGet(PageDict(), Atom("Contents"));
  std::string describeBefore = Describe(before);
  std::string bytesBefore = CosStreamBytes(CosArrayGet(before, 0), cosOpenRaw) + CosStreamBytes(CosArrayGet(before, 1), cosOpenRaw);
  Recorder r;
  EXPECT_EQ(0, EditPage(r));
  CosObj after = CosDictGet(PageDict(), Atom("Contents"));
  EXPECT_TRUE(CosObjEqual(before, after) || describeBefore == Describe(after));
  EXPECT_EQ(bytesBefore, CosStreamBytes(CosArrayGet(after, 0), cosOpenRaw) + CosStreamBytes(CosArrayGet(after, 1), cosOpenRaw));
  // The statements seen: the streams read as one, the trailing comment not passed on.
  std::string joined;
  for (auto& s : r.statements) joined += s;
  EXPECT_EQ("q 1 0 0 1 10 20 cm\nBT /F1 12 Tf\n (a) Tj ET\nQ", joined);
}

// Rewriting every statement as itself and saying so gives a one-element
// direct Contents array whose stream holds the content less what followed
// the last operator.
TEST_F(StreamEditTest, ReportedEditGivesOneDirectStream) {
  AddPage(doc, std::vector<std::string>{"q 1 0 0 1 10 20 cm\nBT /F1 12 Tf", " (a) Tj ET\nQ % tail"}, CosNewNull());
  Recorder r;
  r.act = [](char*, ASInt32*, ASInt32, char*, EPDFVerb) -> ASBool { return 1; };
  EXPECT_EQ(1, EditPage(r));
  CosObj contents = CosDictGet(PageDict(), Atom("Contents"));
  ASSERT_EQ(CosArray, CosObjGetType(contents));
  EXPECT_FALSE(CosObjIsIndirect(contents));
  ASSERT_EQ(1, CosArrayLength(contents));
  CosObj stream = CosArrayGet(contents, 0);
  EXPECT_EQ(CosStream, CosObjGetType(stream));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(stream, Atom("Filter"))));
  EXPECT_EQ("q 1 0 0 1 10 20 cm\nBT /F1 12 Tf\n (a) Tj ET\nQ", CosStreamBytes(stream));

  // The file written is sound.
  TempDir dir;
  SavePdf(doc, dir.file("edited.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("edited.pdf")));
}

TEST_F(StreamEditTest, DroppingStatements) {
  AddPage(doc, kPage, CosNewNull());
  Recorder r;
  r.act = [](char*, ASInt32* length, ASInt32, char*, EPDFVerb verb) -> ASBool {
    if (verb != kPDFVerb_Tj && verb != kPDFVerb_TJ) return 0;
    *length = 0;
    return 1;
  };
  EXPECT_EQ(1, EditPage(r));
  EXPECT_EQ("q 1 0 0 1 10 20 cm\nBT /F1 12 Tf ET\nQ", PageContents(doc, 0));
}

// Text put before a statement: the callback is called twice for it, the
// second time with the buffer as it left it.
TEST_F(StreamEditTest, InsertingBeforeAStatement) {
  AddPage(doc, "0 g\nBT (a) Tj ET", CosNewNull());
  struct State {
    int calls = 0;
    std::string saved;
  } state;
  Recorder r;
  r.act = [&state](char* buffer, ASInt32* length, ASInt32 capacity, char* op, EPDFVerb verb) -> ASBool {
    // The second call is told by the callback's own state: the buffer holds
    // the insertion then, and the operator pointer shows its text.
    if (verb != kPDFVerb_BT && state.calls != 1) return 0;
    ++state.calls;
    if (state.calls == 1) {
      state.saved.assign(buffer, (size_t)*length);
      const char insert[] = "\nq";
      EXPECT_LT((ASInt32)sizeof insert, capacity);
      std::memcpy(buffer, insert, sizeof insert);
      *length = -(ASInt32)(sizeof insert - 1);
      (void)op;
      return 1;
    }
    EXPECT_EQ(-2, *length);
    std::memcpy(buffer, state.saved.data(), state.saved.size());
    buffer[state.saved.size()] = 0;
    *length = (ASInt32)state.saved.size();
    return 1;
  };
  EXPECT_EQ(1, EditPage(r));
  EXPECT_EQ(2, state.calls);
  EXPECT_EQ("0 g\nq\nBT (a) Tj ET", PageContents(doc, 0));
}

// An inline image is one statement whose operator is EI; a callback may
// rewrite a statement beyond its own length up to the buffer's capacity.
TEST_F(StreamEditTest, InlineImagesAndLongRewrites) {
  std::string content = "q BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\x02 EI Q";
  AddPage(doc, content, CosNewNull());
  Recorder r;
  r.act = [](char* buffer, ASInt32* length, ASInt32 capacity, char*, EPDFVerb verb) -> ASBool {
    if (verb != kPDFVerb_Q) return 0;
    std::string longer = "\n%" + std::string(40000, 'x') + "\nQ";
    EXPECT_GT(capacity, (ASInt32)longer.size());
    std::memcpy(buffer, longer.data(), longer.size());
    *length = (ASInt32)longer.size();
    return 1;
  };
  EXPECT_EQ(1, EditPage(r));
  ASSERT_EQ(3u, r.verbs.size());
  EXPECT_EQ(kPDFVerb_EI, r.verbs[1]);
  EXPECT_EQ(" BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\x02 EI", r.statements[1]);
  std::string out = PageContents(doc, 0);
  EXPECT_EQ(content.substr(0, content.size() - 2), out.substr(0, content.size() - 2));
  EXPECT_EQ(content.size() - 2 + 40004, out.size());
}

// A statement dropped right after an image whose end was searched for would
// leave its EI followed by bytes that read as no content, and a reader
// would end the image at an earlier EI and take the data for statements:
// the image is written pinned by its data's length.
TEST_F(StreamEditTest, AnImageBeforeADroppedStatementKeepsItsEnd) {
  const std::string content = "BI /W 3 /H x\xD8 /G ID  EI/x\xD8 Q  EI 0 g E\xD8";
  AddPage(doc, content, CosNewNull());
  Recorder r;
  r.act = [](char*, ASInt32* length, ASInt32, char*, EPDFVerb verb) -> ASBool {
    if (verb != kPDFVerb_g) return 0;
    *length = 0;
    return 1;
  };
  EXPECT_EQ(1, EditPage(r));
  ASSERT_FALSE(r.statements.empty());
  EXPECT_EQ("BI /W 3 /H x\xD8 /G /L 9 ID  EI/x\xD8 Q  EI", r.statements[0]) << "the callback sees it pinned";
  const std::vector<Statement> again = Statements(PageContents(doc, 0));
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ("BI /W 3 /H x\xD8 /G /L 9 ID  EI/x\xD8 Q  EI", again[0].text);
  for (const Statement& s : again) EXPECT_NE("Q", s.text.substr(s.op)) << "image data read as statements";
}

// A callback that reports a change in a read-only walk raises; one that
// does not is called once per statement and nothing is written.
TEST_F(StreamEditTest, ReadOnlyEdits) {
  AddPage(doc, kPage, CosNewNull());
  Recorder quiet;
  EXPECT_EQ(0, EditPage(quiet, true));
  EXPECT_EQ(8u, quiet.statements.size());

  Recorder changer;
  changer.act = [](char*, ASInt32*, ASInt32, char*, EPDFVerb verb) -> ASBool { return verb == kPDFVerb_Tf; };
  EXPECT_EQ(StreamEditReadOnlyError(), ErrorOf([&] { EditPage(changer, true); }));
  char text[200];
  ASGetErrorString(StreamEditReadOnlyError(), text, sizeof text);
  EXPECT_STREQ("Internal error - attempt to edit read-only stream", text);
  EXPECT_EQ(kPage, PageContents(doc, 0));
}

// An error in the middle of an edit (a callback's, or the reader's) leaves
// the page as it was.
TEST_F(StreamEditTest, FailureLeavesThePage) {
  AddPage(doc, kPage, CosNewNull());
  CosObj before = CosDictGet(PageDict(), Atom("Contents"));
  Recorder r;
  r.act = [](char*, ASInt32* length, ASInt32, char*, EPDFVerb verb) -> ASBool {
    if (verb == kPDFVerb_TJ) ASRaise(genErrGeneral);
    *length = 0;
    return 1;
  };
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { EditPage(r); }));
  EXPECT_TRUE(CosObjEqual(before, CosDictGet(PageDict(), Atom("Contents"))));
  EXPECT_EQ(kPage, PageContents(doc, 0));

  // A length beyond the buffer is refused rather than read.
  Recorder wild;
  wild.act = [](char*, ASInt32* length, ASInt32 capacity, char*, EPDFVerb) -> ASBool {
    *length = capacity + 1;
    return 1;
  };
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { EditPage(wild); }));
  EXPECT_EQ(kPage, PageContents(doc, 0));
}

// One record serves several edits; each makes its own stream from its own
// segment of the temporary file, whose data outlive the record.
TEST_F(StreamEditTest, OneRecordForSeveralPages) {
  AddPage(doc, "1 g", CosNewNull());
  AddPage(doc, "0 0 1 rg 2 w", CosNewNull());
  SPageStreamEditInfo* edit = NewPageStreamEditInfo(0);
  Recorder r;
  r.act = [](char* buffer, ASInt32*, ASInt32, char*, EPDFVerb) -> ASBool {
    buffer[0] = '\n';
    return 1;
  };
  for (ASInt32 i = 0; i < 2; ++i) {
    ScopedPage page(doc, i);
    EXPECT_EQ(1, PageStreamEdit(edit, page, nullptr, RecordingCallback, &r));
  }
  DestroyPageStreamEditInfo(edit);
  EXPECT_EQ("\n g", PageContents(doc, 0));
  EXPECT_EQ("\n 0 1 rg\n2 w", PageContents(doc, 1));
}

// A form stream edited becomes a new unfiltered stream that keeps the
// form's other entries and drops those that described the old data.
TEST_F(StreamEditTest, FormStreams) {
  CosObj extra = m.Dict({{"Type", m.Name("XObject")},
                         {"Subtype", m.Name("Form")},
                         {"BBox", m.Arr({m.Int(0), m.Int(0), m.Int(10), m.Int(10)})},
                         {"Matrix", m.Arr({m.Int(1), m.Int(0), m.Int(0), m.Int(1), m.Int(0), m.Int(0)})},
                         {"Resources", m.Dict({{"ProcSet", m.Arr({m.Name("PDF")})}}, true)},
                         {"XUID", m.Arr({m.Int(1), m.Int(2)})},
                         {"DecodeParms", m.Dict({{"Predictor", m.Int(1)}})},
                         {"FDecodeParms", m.Dict({{"Predictor", m.Int(1)}})},
                         {"FFilter", m.Name("FlateDecode")},
                         {"DL", m.Int(999)},
                         {"Custom", m.Int(7)}});
  CosObj old = m.Stream("0 0 m 10 10 l S", true, extra);
  CosObj form = old;
  SPageStreamEditInfo* edit = NewPageStreamEditInfo(0);
  Recorder r;
  r.act = [](char*, ASInt32* length, ASInt32, char*, EPDFVerb verb) -> ASBool {
    if (verb != kPDFVerb_S) return 0;
    *length = 0;
    return 1;
  };
  EXPECT_EQ(1, PageStreamEdit(edit, nullptr, &form, RecordingCallback, &r));
  DestroyPageStreamEditInfo(edit);
  ASSERT_FALSE(CosObjEqual(old, form));
  EXPECT_EQ("0 0 m 10 10 l", CosStreamBytes(form, cosOpenRaw));
  EXPECT_EQ("stream <</BBox [0 0 10 10 ] /Custom 7 /Length 13 /Matrix [1 0 0 1 0 0 ] /Resources " +
                std::to_string(CosObjGetID(CosDictGet(old, Atom("Resources")))) + " R /Subtype /Form /Type /XObject >>",
            Describe(form));
  // The old stream is left as it was.
  EXPECT_EQ("0 0 m 10 10 l S", CosStreamBytes(old));

  // Without a page or a stream nothing is read.
  CosObj notAStream = m.Int(3);
  edit = NewPageStreamEditInfo(0);
  EXPECT_EQ(0, PageStreamEdit(edit, nullptr, &notAStream, RecordingCallback, &r));
  EXPECT_EQ(0, PageStreamEdit(edit, nullptr, nullptr, RecordingCallback, &r));
  DestroyPageStreamEditInfo(edit);
}

// The edit whose callback gets no operator code.
ASBool UpperCaseFill(void*, PDPage, char* buffer, ASInt32* length, ASInt32, char* op) {
  if (std::strcmp(op, "f") != 0) return 0;
  *op = 'F';
  (void)buffer;
  (void)length;
  return 1;
}

TEST_F(StreamEditTest, EditWithoutOperatorCodes) {
  AddPage(doc, "0 0 5 5 re f", CosNewNull());
  SStreamEditInfo* edit = NewStreamEditInfo(0);
  ScopedPage page(doc, 0);
  EXPECT_EQ(1, StreamEdit(edit, page, UpperCaseFill, nullptr));
  DestroyStreamEditInfo(edit);
  EXPECT_EQ("0 0 5 5 re F", PageContents(doc, 0));
}

}  // namespace
