#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "foundation/KFile.h"
#include "platform/PfChooseFolder.h"
#include "support/TempDir.h"

namespace {

struct Name {
  SKFileName* n;
  explicit Name(const std::string& p) : n(NewKFileNameFromUtf8(p.c_str())) {}
  ~Name() { DestroyKFileNameOnly(n); }
};

}  // namespace

TEST(KFile, NamesOfMissingFilesInExistingFolders) {
  kvtest::TempDir dir;
  Name missing(dir.file("new.xml"));
  ASSERT_NE(nullptr, missing.n);
  EXPECT_TRUE(missing.n->known);
  EXPECT_EQ(0, std::memcmp(missing.n->creator, "DAZO", 4));
  EXPECT_EQ(0, std::memcmp(missing.n->fileType, "TEXT", 4));
  EXPECT_EQ(nullptr, OpenKFileToRead(missing.n));
  EXPECT_EQ(0, KFileNameGetModificationTime(missing.n));
  SKOpenFile* w = OpenKFileToWrite(missing.n);
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(3, KFileWriteBytes(w, "abc", 3));
  EXPECT_TRUE(CloseAndDestroyKFile(w));
  EXPECT_EQ("abc", kvtest::ReadWholeFile(dir.file("new.xml")));
  EXPECT_NE(0, KFileNameGetModificationTime(missing.n));

  EXPECT_EQ(nullptr, NewKFileNameFromUtf8(dir.file("no/such/folder.xml").c_str()));
  EXPECT_EQ(nullptr, NewKFileNameFromUtf8(""));
  std::string tooLong = dir.path() + "/" + std::string(5000, 'x');
  EXPECT_EQ(nullptr, NewKFileNameFromUtf8(tooLong.c_str())) << "never a silently cut path";
}

TEST(KFile, RewritingShorterCutsTheOldTail) {
  kvtest::TempDir dir;
  kvtest::WriteWholeFile(dir.file("f"), std::string(100, 'o'));
  Name n(dir.file("f"));
  SKOpenFile* w = OpenKFileToWrite(n.n);
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(100, KFileGetSize(w));
  EXPECT_EQ(10, KFileWriteBytes(w, "0123456789", 10));
  EXPECT_TRUE(CloseAndDestroyKFile(w));
  EXPECT_EQ("0123456789", kvtest::ReadWholeFile(dir.file("f")));
  EXPECT_TRUE(CloseAndDestroyKFile(nullptr));

  SKOpenFile* r = OpenKFileToRead(n.n);
  char buf[32];
  EXPECT_EQ(10, KFileReadBytes(r, buf, sizeof buf));
  EXPECT_EQ(0, KFileReadBytes(r, buf, sizeof buf));
  EXPECT_TRUE(CloseAndDestroyKFile(r));
}

TEST(KFile, FailuresAreResults) {
  kvtest::TempDir dir;
  Name n(dir.file("f"));
  SKOpenFile* w = OpenKFileToWrite(n.n);
  ASFaultInject("ASFileWrite", fileErrDiskFull);
  EXPECT_EQ(0, KFileWriteBytes(w, "abc", 3));
  ASFaultInject("ASFileSetEOF", fileErrIO);
  EXPECT_FALSE(CloseAndDestroyKFile(w)) << "a failed cut is reported";
  w = OpenKFileToWrite(n.n);
  ASFaultInject("ASFileClose", fileErrIO);
  EXPECT_FALSE(CloseAndDestroyKFile(w)) << "a failed close is reported";
  ASFaultClearAll();
}

TEST(KFile, RenameAndDelete) {
  kvtest::TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  kvtest::WriteWholeFile(dir.file("a"), "A");
  Name a(dir.file("a")), b(dir.file("b")), other(dir.file("sub/c"));
  EXPECT_FALSE(RenameFileByKFileName(a.n, other.n)) << "no rename across folders";
  EXPECT_EQ("A", kvtest::ReadWholeFile(dir.file("a")));
  EXPECT_TRUE(RenameFileByKFileName(a.n, b.n));
  EXPECT_EQ("A", kvtest::ReadWholeFile(dir.file("b")));
  EXPECT_FALSE(RenameFileByKFileName(a.n, b.n)) << "a is gone now";
  EXPECT_TRUE(DeleteFileByKFileName(b.n));
  EXPECT_FALSE(DeleteFileByKFileName(b.n));
  SKFileName* blank = NewBlankKFileName();
  EXPECT_FALSE(DeleteFileByKFileName(blank));
  SKFileName* dup = DuplicateKFileName(a.n);
  EXPECT_STREQ(a.n->path, dup->path);
  EXPECT_NE(a.n->path, dup->path);
  DestroyKFileNameOnly(dup);
  DestroyKFileNameOnly(blank);
}

TEST(KFile, FolderIteration) {
  kvtest::TempDir dir;
  std::map<std::string, std::pair<std::string, bool>> seen;
  SKFindFileData data;
  EXPECT_EQ(nullptr, MacFindFirstFileInFolder(dir.path().c_str(), &data)) << "an empty folder gives nothing";
  kvtest::WriteWholeFile(dir.file("archive.tar.gz"), "");
  kvtest::WriteWholeFile(dir.file("README"), "");
  std::filesystem::create_directory(dir.file("en"));
  SMacFindFileHandle* h = MacFindFirstFileInFolder(dir.path().c_str(), &data);
  ASSERT_NE(nullptr, h);
  do {
    EXPECT_EQ(dir.file(data.name), data.fullPath);
    seen[data.name] = {data.extension, (bool)data.isFolder};
  } while (MacFindNextFileInFolder(h, &data));
  EXPECT_TRUE(MacFindClose(h));
  EXPECT_FALSE(MacFindClose(nullptr));
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ("gz", seen["archive.tar.gz"].first);
  EXPECT_EQ("", seen["README"].first);
  EXPECT_TRUE(seen["en"].second);
  EXPECT_FALSE(seen["README"].second);
  EXPECT_EQ(nullptr, MacFindFirstFileInFolder(dir.file("README").c_str(), &data));
}

TEST(KFile, FormatFileErrorSubstitutesOnlyItsTwoTexts) {
  struct Case {
    const char* format;
    const char* path;
    const char* out;
  };
  const Case cases[] = {
      {"Cannot open %s in %s.", "/a/b/c.pdf", "Cannot open c.pdf in /a/b."},
      {"Cannot open %s in %s.", "/c.pdf", "Cannot open c.pdf in /."},
      {"Cannot open %s in %s.", "c.pdf", "Cannot open c.pdf in .."},
      {"Cannot open %s in %s.", "a/c.pdf", "Cannot open c.pdf in a."},
      {"%s (%d%%) %n %s %s", "/x/y", "y (%d%) %n /x %s"},
      {"no conversions", "/x/y", "no conversions"},
  };
  for (const Case& c : cases) {
    char out[200];
    FormatFileError(out, sizeof out, c.format, c.path, 1);
    EXPECT_STREQ(c.out, out) << c.format;
  }
  char small[6];
  FormatFileError(small, sizeof small, "%s", "/dir/\xC3\xA9\xC3\xA9\xC3\xA9", 0);
  EXPECT_STREQ("\xC3\xA9\xC3\xA9", small) << "cut at a character boundary";
}

TEST(KFile, PluginNameAndPaths) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"Tool osx.acroplugin", "Tool"}, {"osx", "osx"}, {"Tool UB", "Tool"}, {"Tool os9", "Tool"}, {".acroplugin", ".acroplugin"},
  };
  for (const Case& c : cases) {
    char buf[64];
    std::strcpy(buf, c.in);
    StripPluginFileName(buf);
    EXPECT_STREQ(c.out, buf) << c.in;
  }
  const char* saved = gPluginBundle;
  gPluginBundle = nullptr;
  char out[3];
  EXPECT_FALSE(PluginFileName(out, sizeof out));
  EXPECT_STREQ("??", out);
  gPluginBundle = "/opt/kv3";
  char full[64];
  EXPECT_TRUE(PluginFileName(full, sizeof full));
  EXPECT_STREQ("/opt/kv3", full);
  EXPECT_FALSE(PluginFileName(out, sizeof out)) << "a path that does not fit is a failure, not a cut path";
  gPluginBundle = saved;

  ASHostSetPreferencesFolder("/tmp/kv-prefs");
  EXPECT_TRUE(MacGetPreferencesFolderPath(full, sizeof full));
  EXPECT_STREQ("/tmp/kv-prefs/", full);
  EXPECT_FALSE(MacGetPreferencesFolderPath(out, sizeof out));
  ASHostSetPreferencesFolder(nullptr);
}

TEST(KFile, HostPathNamesAndNames) {
  kvtest::TempDir dir;
  kvtest::WriteWholeFile(dir.file("x.pdf"), "%PDF");
  ASPathName p = ASFileSysCreatePathNameUtf8(dir.file("x.pdf").c_str());
  char out[1000];
  ASPathNameToFriendlyName(p, out, sizeof out);
  EXPECT_EQ(dir.file("x.pdf"), out);
  ASPathNameToDIPathNameUTF8(p, out, sizeof out);
  EXPECT_EQ(dir.file("x.pdf"), out);
  ASFileSysReleasePath(ASGetDefaultFileSys(), p);
  EXPECT_TRUE(PlatformStringIsExistingFile(dir.file("x.pdf").c_str()));
  EXPECT_FALSE(PlatformStringIsExistingFile(dir.file("y.pdf").c_str()));
  GetTheComputerName(out, sizeof out);
  EXPECT_STRNE("", out);
  GetTheUserName(out, sizeof out);
  EXPECT_STRNE("", out);
}

TEST(KFile, PathTextsAreWholeOrEmptyNeverCut) {
  kvtest::TempDir dir;
  // A path longer than the buffers callers used to pass, and one whose name
  // holds a character outside the Basic Multilingual Plane.
  std::string longDir = dir.path() + "/" + std::string(200, 'd') + "/" + std::string(200, 'e') + "/" +
                        std::string(200, 'f') + "/" + std::string(200, 'g') + "/" + std::string(200, 'h');
  std::filesystem::create_directories(longDir);
  const std::string paths[] = {longDir + "/x.pdf", dir.file("a\xF0\x9F\x98\x80z.pdf")};
  using Helper = ASInt32 (*)(ASPathName, char*, ASInt32);
  const std::pair<const char*, Helper> helpers[] = {{"ASPathNameToFriendlyName", ASPathNameToFriendlyName},
                                                    {"ASPathNameToFriendlyNameUTF8", ASPathNameToFriendlyNameUTF8},
                                                    {"ASPathNameToDIPathNameUTF8", ASPathNameToDIPathNameUTF8}};
  for (const std::string& path : paths) {
    kvtest::WriteWholeFile(path, "%PDF");
    ASPathName p = ASFileSysCreatePathNameUtf8(path.c_str());
    ASSERT_NE(nullptr, p);
    const ASInt32 need = (ASInt32)path.size() + 1;
    for (const auto& [name, helper] : helpers) {
      std::vector<char> out((size_t)need + 8, 'Z');
      EXPECT_EQ(need, helper(p, nullptr, 0)) << name;
      EXPECT_EQ(need, helper(p, out.data(), need)) << name;
      EXPECT_EQ(path, out.data()) << name;
      EXPECT_TRUE(PlatformStringIsExistingFile(out.data())) << name << ": the text names the file";
      std::fill(out.begin(), out.end(), 'Z');
      EXPECT_EQ(need, helper(p, out.data(), need - 1)) << name << ": the answer says it did not fit";
      EXPECT_STREQ("", out.data()) << name << ": a cut path names another file";
    }
    char small[8] = "keep";
    EXPECT_EQ(need, DIPathToFriendlyName(path.c_str(), small, sizeof small));
    EXPECT_STREQ("", small);
    ASFileSysReleasePath(ASGetDefaultFileSys(), p);
  }
  char out[4] = "xyz";
  EXPECT_EQ(0, ASPathNameToFriendlyNameUTF8(nullptr, out, sizeof out));
  EXPECT_STREQ("", out);
}

TEST(KFile, ChoosingAFolderGoesThroughThePlatformChooser) {
  kvtest::TempDir dir;
  char out[64];
  PfChooseFolderQueueAnswer(dir.path().c_str());
  EXPECT_TRUE(BrowseToDirectory(nullptr, out, sizeof out, "Pick the messages", dir.path().c_str()));
  EXPECT_EQ(dir.path(), out);
  EXPECT_STREQ("Pick the messages", PfChooseFolderLastPrompt());
  EXPECT_EQ(dir.path(), PfChooseFolderLastStart());
  PfChooseFolderQueueAnswer(nullptr);
  EXPECT_FALSE(BrowseToDirectory(nullptr, out, sizeof out, "Cancelled", "/no/such/start"));
  EXPECT_STREQ("", PfChooseFolderLastStart()) << "a start folder that does not exist is not used";
  PfChooseFolderQueueAnswer("/a/path/much/longer/than/the/little/buffer/given");
  char small[8];
  EXPECT_FALSE(BrowseToDirectory(nullptr, small, sizeof small, "", nullptr)) << "never a cut path";
  EXPECT_FALSE(BrowseToDirectory(nullptr, out, sizeof out, "", nullptr)) << "no answer: cancelled";
  PfChooseFolderClearAnswers();
}
