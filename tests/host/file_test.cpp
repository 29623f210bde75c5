#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/ASExcept.h"
#include "host/ASFile.h"
#include "host/ASMem.h"
#include "support/TempDir.h"

namespace {

ASPathName Path(const std::string& p) {
  return ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("POSIXPath"), p.c_str(), nullptr);
}

}  // namespace

TEST(FileSys, WriteReadPositionsAndEof) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName p = Path(dir.file("a.bin"));
  ASFile f = nullptr;
  ASSERT_EQ(0, ASFileSysOpenFile(fs, p, ASFILE_READ | ASFILE_WRITE | ASFILE_CREATE, &f));
  EXPECT_EQ(5u, ASFileWrite(f, "hello", 5));
  EXPECT_EQ(5, ASFileGetPos64(f));
  ASFileSetPos64(f, 1);
  EXPECT_EQ(3u, ASFileWrite(f, "ELL", 3));
  EXPECT_EQ(5, ASFileGetEOF64(f));
  ASFileSetPos64(f, 0);
  char buf[16] = {};
  EXPECT_EQ(5u, ASFileRead(f, buf, sizeof buf));
  EXPECT_STREQ("hELLo", buf);
  ASFileSetEOF64(f, 2);
  EXPECT_EQ(2, ASFileGetEOF64(f));
  EXPECT_EQ(0, ASFileClose(f));
  EXPECT_EQ("hE", kvtest::ReadWholeFile(dir.file("a.bin")));
  ASFileSysReleasePath(fs, p);
}

TEST(FileSys, CreateTruncatesAndReadOnlyCannotWrite) {
  kvtest::TempDir dir;
  kvtest::WriteWholeFile(dir.file("old"), "a long old content");
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName p = Path(dir.file("old"));
  ASFile f = nullptr;
  ASSERT_EQ(0, ASFileSysOpenFile(fs, p, ASFILE_WRITE | ASFILE_CREATE, &f));
  ASFileWrite(f, "new", 3);
  ASFileClose(f);
  EXPECT_EQ("new", kvtest::ReadWholeFile(dir.file("old")));

  ASSERT_EQ(0, ASFileSysOpenFile(fs, p, ASFILE_READ, &f));
  ASErrorCode code = 0;
  DURING
    ASFileWrite(f, "x", 1);
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  EXPECT_NE(0, code);
  ASFileClose(f);
  ASFileSysReleasePath(fs, p);
}

TEST(FileSys, OpenFailuresAreResults) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName missing = Path(dir.file("missing/x.pdf"));
  ASFile f = reinterpret_cast<ASFile>(1);
  EXPECT_EQ(fileErrFNF, ASFileSysOpenFile(fs, missing, ASFILE_READ, &f));
  EXPECT_EQ(nullptr, f);
  EXPECT_EQ(genErrBadParm, ASFileSysOpenFile(fs, nullptr, ASFILE_READ, &f));
  ASFileSysReleasePath(fs, missing);
}

TEST(FileSys, DevicePathsRoundTripAndResolveRelative) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName p = Path(dir.file("sub/doc.pdf"));
  char* di = ASFileSysDIPathFromPath(fs, p, nullptr);
  EXPECT_EQ(dir.file("sub/doc.pdf"), di);
  ASPathName back = ASFileSysPathFromDIPath(fs, di, nullptr);
  EXPECT_STREQ(di, ASFileSysPOSIXPath(fs, back));
  ASPathName rel = ASFileSysPathFromDIPath(fs, "other.pdf", p);
  EXPECT_EQ(dir.file("sub/other.pdf"), ASFileSysPOSIXPath(fs, rel));
  char name[8];
  EXPECT_EQ(0, ASFileSysGetNameFromPath(fs, p, name, sizeof name));
  EXPECT_STREQ("doc.pdf", name);
  ASfree(di);
  for (ASPathName x : {p, back, rel}) ASFileSysReleasePath(fs, x);
}

TEST(FileSys, TempNamesRenameRemove) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName sibling = Path(dir.file("x"));
  ASPathName t1 = ASFileSysGetTempPathName(fs, sibling);
  ASPathName t2 = ASFileSysGetTempPathName(fs, sibling);
  ASSERT_NE(nullptr, t1);
  EXPECT_STRNE(ASFileSysPOSIXPath(fs, t1), ASFileSysPOSIXPath(fs, t2));
  EXPECT_EQ(0, std::string(ASFileSysPOSIXPath(fs, t1)).rfind(dir.path(), 0));
  ASPathName dest = Path(dir.file("renamed"));
  EXPECT_EQ(0, ASFileSysRenameFile(fs, t1, dest));
  EXPECT_EQ(0, ASFileSysRemoveFile(fs, dest));
  EXPECT_EQ(fileErrFNF, ASFileSysRemoveFile(fs, dest));
  EXPECT_EQ(0, ASFileSysRemoveFile(fs, t2));
  for (ASPathName x : {sibling, t1, t2, dest}) ASFileSysReleasePath(fs, x);
}

TEST(FileSys, InjectedFaults) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName p = Path(dir.file("f"));
  ASFaultInject("ASFileSysOpenFile", fileErrDiskFull);
  ASFile f = nullptr;
  EXPECT_EQ(fileErrDiskFull, ASFileSysOpenFile(fs, p, ASFILE_WRITE | ASFILE_CREATE, &f));
  ASSERT_EQ(0, ASFileSysOpenFile(fs, p, ASFILE_WRITE | ASFILE_CREATE, &f));
  ASFaultInject("ASFileWrite", fileErrWrite, 1);
  EXPECT_EQ(1u, ASFileWrite(f, "a", 1));
  EXPECT_THROW(ASFileWrite(f, "b", 1), ASException);
  ASFaultInject("ASFileClose", fileErrIO);
  int before = ASFileOpenCount();
  EXPECT_EQ(fileErrIO, ASFileClose(f));
  EXPECT_EQ(before - 1, ASFileOpenCount()) << "a failed close still forgets the file";
  ASFaultInject("ASFileSysRenameFile", fileErrIO);
  EXPECT_EQ(fileErrIO, ASFileSysRenameFile(fs, p, p));
  ASFaultClearAll();
  ASFileSysReleasePath(fs, p);
}

namespace {
ASAtom FakeName() { return ASAtomFromString("FakeFS"); }
}  // namespace

TEST(FileSys, RegistryByName) {
  static ASFileSysRec fake{};
  fake.size = sizeof fake;
  fake.getFileSysName = FakeName;
  EXPECT_EQ(nullptr, ASFileSysGetFileSysByName(FakeName()));
  EXPECT_TRUE(ASFileRegisterFileSys(nullptr, &fake));
  EXPECT_TRUE(ASFileRegisterFileSys(nullptr, &fake));
  EXPECT_EQ(&fake, ASFileSysGetFileSysByName(FakeName()));
  EXPECT_EQ(ASGetDefaultFileSys(), ASFileSysGetFileSysByName(ASGetDefaultFileSys()->getFileSysName()));
  // A file system without the procedure answers with an error, not a crash.
  ASFile f = nullptr;
  EXPECT_EQ(fileErrUnsupported, ASFileSysOpenFile(&fake, reinterpret_cast<ASPathName>(&fake), 1, &f));
  EXPECT_TRUE(ASFileUnregisterFileSys(nullptr, &fake));
  EXPECT_EQ(nullptr, ASFileSysGetFileSysByName(FakeName()));
}
