#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/KFile.h"
#include "host/AV.h"
#include "host/PD.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

TEST(KFilePDF, OpenByEveryPathFormAndFindWhenOpen) {
  kvtest::TempDir dir;
  std::string path = dir.file("doc.pdf");
  kvfix::WriteSimple(path, 3);
  PDDoc a = OpenExistingPDDocFromUtf8String(path.c_str());
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(3, PDDocGetNumPages(a));
  EXPECT_EQ(a, FindOpenPDDocForUTF8Path(path.c_str()));
  EXPECT_EQ(a, FindOpenPDDocForDIPath(path.c_str()));
  EXPECT_EQ(nullptr, FindOpenPDDocForUTF8Path(dir.file("other.pdf").c_str()));
  PDDoc b = OpenExistingPDDocFromPlatformString(path.c_str());
  ASSERT_NE(nullptr, b);
  PDDocClose(b);
  PDDocClose(a);
  EXPECT_EQ(nullptr, FindOpenPDDocForUTF8Path(path.c_str())) << "closed documents are not found";
}

TEST(KFilePDF, FailuresAreNullAndReportedOnlyWhenAsked) {
  kvtest::TempDir dir;
  kvfix::WriteGarbage(dir.file("garbage.pdf"));
  kvtest::MessageCapture capture;
  EXPECT_EQ(nullptr, OpenExistingPDDocFromUtf8String(dir.file("missing.pdf").c_str()));
  EXPECT_EQ(nullptr, OpenExistingPDDocFromUtf8String(dir.file("garbage.pdf").c_str()));
  EXPECT_EQ(nullptr, OpenExistingPDDocFromDIPath(dir.file("garbage.pdf").c_str(), 0));
  EXPECT_TRUE(capture.messages().empty());
  EXPECT_EQ(nullptr, OpenExistingPDDocFromDIPath(dir.file("garbage.pdf").c_str(), 1));
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_NE(std::string::npos, capture.messages()[0].text.find("garbage.pdf"));
  EXPECT_EQ(nullptr, OpenExistingPDDocFromDIPath("", 1));
  EXPECT_EQ(2u, capture.messages().size());
}

// A reported failure names the file as it was looked for (a relative path
// in the current folder), why it did not open, and for a relative path that
// found nothing where it was taken from.
TEST(KFilePDF, AReportedFailureNamesTheFileAsLookedForAndWhy) {
  kvtest::LoadEnglishMessages();
  kvtest::TempDir dir;
  kvfix::WriteGarbage(dir.file("garbage.pdf"));
  const std::string here = std::filesystem::current_path().string();
  const std::string missing = "kv-no-such-file-here.pdf";
  struct Case {
    const char* road;
    std::string given;
    std::vector<std::string> says;
    bool relativeNote;
  } cases[] = {
      {"UTF-8 path", missing, {"The file " + missing + " in the folder " + here + " could not be opened.", "not found"},
       true},
      {"DI path", missing, {"in the folder " + here + " could not be", "not found"}, true},
      {"UTF-8 path", dir.file("garbage.pdf"), {"in the folder " + dir.path() + " could not", "not a PDF"}, false},
      {"DI path", dir.file("absent.pdf"), {"The file absent.pdf in the folder " + dir.path(), "not found"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.road) + " " + c.given);
    kvtest::MessageCapture capture;
    PDDoc doc = std::string(c.road) == "DI path" ? OpenExistingPDDocFromDIPath(c.given.c_str(), 1)
                                                 : OpenExistingPDDocFromUtf8StringReport(c.given.c_str(), 1);
    EXPECT_EQ(nullptr, doc);
    ASSERT_EQ(1u, capture.messages().size());
    const std::string& text = capture.messages()[0].text;
    for (const std::string& part : c.says) EXPECT_NE(std::string::npos, text.find(part)) << text;
    EXPECT_EQ(c.relativeNote, text.find("is relative: it is taken from the folder the program runs in") !=
                                  std::string::npos)
        << text;
  }
  kvtest::MessageCapture quiet;
  EXPECT_EQ(nullptr, OpenExistingPDDocFromUtf8StringReport(missing.c_str(), 0));
  EXPECT_TRUE(quiet.messages().empty());
}

TEST(KFilePDF, ChoosingAPdfGoesThroughTheHostsOpenDialog) {
  kvtest::TempDir dir;
  std::string path = dir.file("pick.pdf");
  AVAppQueueOpenDialogAnswer(path.c_str());
  ASPathName chosen = GetExistingPDFPathName("Choose a background");
  ASSERT_NE(nullptr, chosen);
  EXPECT_STREQ("Choose a background", AVAppGetLastOpenDialogTitle());
  EXPECT_EQ(path, ASFileSysPOSIXPath(ASGetDefaultFileSys(), chosen));
  ASFileSysReleasePath(ASGetDefaultFileSys(), chosen);
  AVAppQueueOpenDialogAnswer(nullptr);
  EXPECT_EQ(nullptr, GetExistingPDFPathName("Cancelled"));
  AVAppClearOpenDialogAnswers();
}
