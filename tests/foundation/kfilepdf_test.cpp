#include <gtest/gtest.h>

#include <string>

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
