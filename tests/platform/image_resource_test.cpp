#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"
#include "support/TempDir.h"

using kvtest::PfFixture;

namespace {

std::string Png(uint32_t w, uint32_t h) {
  std::string s("\x89PNG\r\n\x1a\n", 8);
  s += std::string("\0\0\0\x0dIHDR", 8);
  for (uint32_t v : {w, h}) {
    s.push_back((char)(v >> 24));
    s.push_back((char)(v >> 16));
    s.push_back((char)(v >> 8));
    s.push_back((char)v);
  }
  s += std::string("\x08\x02\0\0\0", 5);
  return s;
}

std::string Jpeg(uint16_t w, uint16_t h) {
  std::string s("\xFF\xD8", 2);
  s += std::string("\xFF\xE0\x00\x06JFIF", 8);               // APP0, skipped
  s += std::string("\xFF\xC4\x00\x04\x00\x00", 6);           // a Huffman table is no frame
  s += std::string("\xFF\xC0\x00\x0B\x08", 5);               // SOF0
  s.push_back((char)(h >> 8));
  s.push_back((char)h);
  s.push_back((char)(w >> 8));
  s.push_back((char)w);
  s += std::string("\x01\x01\x11\x00", 4);
  return s;
}

TEST(Images, HeadersGiveKindAndSize) {
  struct Case {
    std::string bytes;
    bool ok;
    EPfImageKind kind;
    int32_t w, h;
  } cases[] = {
      {Png(640, 480), true, kPfImagePNG, 640, 480},
      {Jpeg(300, 200), true, kPfImageJPEG, 300, 200},
      {Png(0, 10), false, kPfImageNone, 0, 0},
      {Png(640, 480).substr(0, 20), false, kPfImageNone, 0, 0},
      {Jpeg(300, 200).substr(0, 20), false, kPfImageNone, 0, 0},
      {std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), false, kPfImageNone, 0, 0},
      {std::string("GIF89a"), false, kPfImageNone, 0, 0},
  };
  for (const Case& c : cases) {
    SPfImageInfo info;
    EXPECT_EQ(c.ok, PfImageIdentify((const uint8_t*)c.bytes.data(), c.bytes.size(), &info));
    EXPECT_EQ(c.kind, info.kind);
    EXPECT_EQ(c.w, info.width);
    EXPECT_EQ(c.h, info.height);
  }
}

TEST(Images, DecodersCheckTheKindAndCount) {
  std::string png = Png(10, 20), jpg = Jpeg(3, 4);
  int32_t decodes = PfImageDecodeCount(), live = PfImageLiveCount();
  EXPECT_EQ(nullptr, PfImageCreateWithPNGData((const uint8_t*)jpg.data(), jpg.size()));
  PfImageRef a = PfImageCreateWithPNGData((const uint8_t*)png.data(), png.size());
  PfImageRef b = PfImageCreateWithJPEGData((const uint8_t*)jpg.data(), jpg.size());
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(20, PfImageGetHeight(a));
  EXPECT_EQ(kPfImageJPEG, PfImageGetKind(b));
  EXPECT_EQ(decodes + 2, PfImageDecodeCount());
  PfImageRelease(a);
  PfImageRelease(b);
  EXPECT_EQ(live, PfImageLiveCount());
}

class Resources : public PfFixture {};

TEST_F(Resources, BundleFilesByTypeAndIdOrName) {
  kvtest::TempDir dir;
  std::filesystem::create_directories(dir.file("png"));
  std::filesystem::create_directories(dir.file("TEXT"));
  kvtest::WriteWholeFile(dir.file("png/kv3.png"), Png(2, 2));
  kvtest::WriteWholeFile(dir.file("TEXT/4650"), "hello");
  kvtest::WriteWholeFile(dir.file("secret"), "no");
  PfBundleSetResourcesFolder(dir.path().c_str());
  char path[1024];
  ASSERT_TRUE(PfBundleCopyResourcePath("png", "kv3.png", path, sizeof path));
  EXPECT_EQ(dir.file("png/kv3.png"), path);
  PfHandle h = PfBundleLoadResourceById("TEXT", 4650);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ("hello", std::string((const char*)PfHandleData(h), PfGetHandleSize(h)));
  PfDisposeHandle(h);
  EXPECT_EQ(nullptr, PfBundleLoadResource("TEXT", "4651"));
  EXPECT_EQ(nullptr, PfBundleLoadResource("..", "secret")) << "names cannot leave the bundle";
  EXPECT_EQ(nullptr, PfBundleLoadResource("TEXT", "../secret"));
  EXPECT_FALSE(PfBundleCopyResourcePath("png", "kv3.png", path, 5)) << "a short buffer gets nothing";
}

TEST_F(Resources, ResourceFilesChainFromTheCurrentOne) {
  kvtest::TempDir a, b;
  std::filesystem::create_directories(a.file("STR"));
  std::filesystem::create_directories(b.file("STR"));
  kvtest::WriteWholeFile(a.file("STR/1"), "a1");
  kvtest::WriteWholeFile(a.file("STR/2"), "a2");
  kvtest::WriteWholeFile(b.file("STR/1"), "b1");
  int16_t ra = PfOpenResourceFolder(a.path().c_str());
  int16_t rb = PfOpenResourceFolder(b.path().c_str());
  EXPECT_EQ(rb, PfCurResFile());
  auto get = [](int id) {
    PfHandle h = PfGetResource("STR", id);
    std::string s = h ? std::string((const char*)PfHandleData(h), PfGetHandleSize(h)) : "-";
    PfDisposeHandle(h);
    return s;
  };
  EXPECT_EQ("b1", get(1));
  EXPECT_EQ("a2", get(2)) << "older files are searched after the current one";
  PfUseResFile(ra);
  EXPECT_EQ("a1", get(1));
  PfUseResFile(1);
  EXPECT_EQ("-", get(1)) << "the application's file sees nothing opened later";
  PfCloseResFile(rb);
  PfUseResFile(rb);
  EXPECT_EQ(1, PfCurResFile());
}

TEST_F(Resources, FolderBesideTheSharedObject) {
  char folder[4096];
  ASSERT_TRUE(PfBundleResourcesFolderForAddress((const void*)&PfResetAll, folder, sizeof folder));
  EXPECT_NE(std::string::npos, std::string(folder).find("/platform/Resources"));
}

}  // namespace
