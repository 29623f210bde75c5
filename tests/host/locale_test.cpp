// Numbers in PDF files are read and written with a decimal point whatever the
// process locale: under a comma-decimal locale the C library reads "200.5"
// as 200, and the host must not.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <locale>
#include <string>

#include "fixtures/Fixtures.h"
#include "host/ASFixed.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

// Switches the process to a comma-decimal locale (C and C++) for the life of
// the object, when the system has one.
class CommaLocale {
 public:
  CommaLocale() {
    saved_ = std::setlocale(LC_ALL, nullptr);
    savedCpp_ = std::locale();
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
      if (!std::setlocale(LC_ALL, name)) continue;
      if (std::localeconv()->decimal_point[0] == ',') {
        name_ = name;
        try {
          std::locale::global(std::locale(name));
        } catch (const std::exception&) {
          // The C locale alone still shows the fault.
        }
        return;
      }
    }
    std::setlocale(LC_ALL, saved_.c_str());
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, saved_.c_str());
    std::locale::global(savedCpp_);
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool active() const { return !name_.empty(); }

 private:
  std::string saved_;
  std::locale savedCpp_;
  std::string name_;
};

#define REQUIRE_COMMA_LOCALE(locale)                                                                    \
  if (!(locale).active()) GTEST_SKIP() << "no comma-decimal locale here (scripts/install-deps.sh makes one)"; \
  ASSERT_EQ(200.0, std::atof("200.5")) << "the locale reads the point as the end of the number"

ASFixed Fx(double v) { return ASFloatToFixed(v); }

TEST(HostLocale, RealsAreReadWithADecimalPoint) {
  TempDir dir;
  std::string path = dir.file("reals.pdf");
  kvfix::WriteRealNumbers(path);
  CommaLocale comma;
  REQUIRE_COMMA_LOCALE(comma);

  PDDoc doc = OpenPdf(path);
  PDPage page = PDDocAcquirePage(doc, 0);
  ASFixedRect media{}, crop{};
  PDPageGetMediaBox(page, &media);
  PDPageGetCropBox(page, &crop);
  EXPECT_EQ(Fx(200.5), media.right);
  EXPECT_EQ(Fx(300.25), media.top);
  EXPECT_EQ(Fx(10.75), crop.left);
  EXPECT_EQ(Fx(20.5), crop.bottom);
  EXPECT_EQ(Fx(190.25), crop.right);
  EXPECT_EQ(Fx(280.125), crop.top);
  EXPECT_EQ(180, PDPageGetRotate(page));
  PDPageRelease(page);

  CosObj root = CosDocGetRoot(PDDocGetCosDoc(doc));
  CosObj scale = CosDictGet(root, ASAtomFromString("KRVL_Scale"));
  EXPECT_EQ(0.75, CosDoubleValue(scale));
  EXPECT_EQ(0.75f, CosFloatValue(scale));
  EXPECT_EQ(Fx(0.75), CosFixedValue(scale));
  EXPECT_EQ(-0.5, CosDoubleValue(CosDictGet(root, ASAtomFromString("KRVL_Negative"))));
  PDDocClose(doc);
}

TEST(HostLocale, RealsAreWrittenWithADecimalPoint) {
  TempDir dir;
  std::string path = dir.file("made.pdf");
  CommaLocale comma;
  REQUIRE_COMMA_LOCALE(comma);

  PDDoc doc = PDDocCreate();
  ASFixedRect box{0, Fx(300.25), Fx(200.5), 0};
  PDPageRelease(PDDocCreatePage(doc, -1, box));
  CosDoc cd = PDDocGetCosDoc(doc);
  CosObj root = CosDocGetRoot(cd);
  CosDictPut(root, ASAtomFromString("KRVL_Scale"), CosNewDouble(cd, 0, 0.75));
  CosDictPut(root, ASAtomFromString("KRVL_Fixed"), CosNewFixed(cd, 0, Fx(12.5)));
  SavePdf(doc, path, PDSaveFull, PDSaveObjStmDisable);
  PDDocClose(doc);

  std::string bytes = ReadWholeFile(path);
  EXPECT_NE(std::string::npos, bytes.find("200.5")) << "the media box";
  EXPECT_NE(std::string::npos, bytes.find("300.25"));
  EXPECT_NE(std::string::npos, bytes.find("/KRVL_Scale 0.75"));
  EXPECT_NE(std::string::npos, bytes.find("/KRVL_Fixed 12.5"));
  EXPECT_EQ(std::string::npos, bytes.find("200,5"));
  EXPECT_EQ(0, QpdfCheck(path)) << "an independent reader agrees";
}

}  // namespace
