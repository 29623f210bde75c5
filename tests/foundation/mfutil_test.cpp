#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

namespace {

ASErrorCode Caught(void (*f)()) {
  ASErrorCode code = 0;
  DURING
    f();
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  return code;
}

}  // namespace

TEST(MFUtil, FirstRaiseRegistersAllCodesOnce) {
  ASErrorCode first = Caught([] { RaiseMFUtilException(&genExceptionCantWrite); });
  EXPECT_NE(0, first);
  EXPECT_EQ(genExceptionCantWrite, first);
  const ASErrorCode codes[] = {genExceptionCannotAccessTempFile, genExceptionCannotOpenTempFile,
                               genExceptionFileLogicError, genExceptionOutOfMemory, genExceptionCantWrite};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_NE(0, codes[i]);
    for (size_t k = 0; k < i; ++k) EXPECT_NE(codes[i], codes[k]);
  }
  char text[200];
  EXPECT_GT(ASGetErrorString(genExceptionFileLogicError, text, sizeof text), 0);
  EXPECT_STREQ("Internal error - logic error accessing GenFileInfo", text);
  EXPECT_EQ(first, Caught([] { RaiseMFUtilException(&genExceptionCantWrite); })) << "codes are registered once";
  EXPECT_EQ(4, ErrGetSeverity(genExceptionOutOfMemory));
  EXPECT_EQ(2, ErrGetSeverity(genExceptionCannotOpenTempFile));
}

TEST(MFUtil, AllocationFailureRaisesOutOfMemory) {
  ASMemInjectFailure(0, 1);
  ASErrorCode code = Caught([] { ASmallocWithException(16); });
  ASMemClearFailure();
  EXPECT_EQ(genExceptionOutOfMemory, code);
  EXPECT_NE(0, code);
  ASMemInjectFailure(0, 1);
  EXPECT_EQ(nullptr, UnfilteredASmalloc(16)) << "the unfiltered road returns null instead";
  ASMemClearFailure();
  void* p = ASmallocWithException(8);
  p = ASreallocWithException(p, 4096);
  ASfree(p);
}

TEST(MFUtil, RegisterUTF8TextOfAnyLength) {
  std::string text = "Fehler: \xC3\xBC";
  ASErrorCode c = ASRegisterErrorStringUTF8(4, text.c_str());
  char buf[3000];
  ASGetErrorString(c, buf, sizeof buf);
  EXPECT_EQ(text, buf);
  std::string longText(2500, 'x');
  c = ASRegisterErrorStringUTF8(2, longText.c_str());
  ASGetErrorString(c, buf, sizeof buf);
  EXPECT_EQ(longText, buf);
}

namespace {
// A file system whose write takes at most 3 bytes without reporting an error.
ASSize_t ShortWrite(const void*, ASSize_t itemSize, ASSize_t count, ASMDFile, ASErrorCode*) {
  return (itemSize * count > 3 ? 3 : itemSize * count) / (itemSize ? itemSize : 1);
}
ASErrorCode OpenAny(ASPathName, ASUns16, ASMDFile* f) {
  static int dummy;
  *f = &dummy;
  return 0;
}
ASErrorCode CloseAny(ASMDFile) { return 0; }
}  // namespace

TEST(MFUtil, ShortWriteRaisesCantWrite) {
  static ASFileSysRec fs{};
  fs.size = sizeof fs;
  fs.open = OpenAny;
  fs.close = CloseAny;
  fs.write = ShortWrite;
  static ASFile file = nullptr;
  ASSERT_EQ(0, ASFileSysOpenFile(&fs, reinterpret_cast<ASPathName>(&fs), ASFILE_WRITE, &file));
  EXPECT_EQ(3u, ASFileWriteWithException(file, "abc", 3));
  EXPECT_EQ(genExceptionCantWrite, Caught([] { ASFileWriteWithException(file, "abcdef", 6); }));
  ASFileClose(file);
}

TEST(MFUtil, SafeStreamCloseIsIdempotent) {
  ASStm s = ASMemStmRdOpen("x", 1);
  int before = ASStmOpenCount();
  SafeASStmClose(&s);
  EXPECT_EQ(nullptr, s);
  EXPECT_EQ(before - 1, ASStmOpenCount());
  SafeASStmClose(&s);
  SafeASStmClose(nullptr);
}

TEST(MFUtil, TempSegmentsAppendAndKeepEarlierBytes) {
  SGenFileInfo* info = NewTempFile();
  ASSERT_NE(nullptr, info);
  StartTempStream(info);
  ASStmWrite("first segment", 1, 13, TempStreamGetStm(info));
  EndTempStream(info);
  EXPECT_EQ(0, TempStreamStartPos(info));
  EXPECT_EQ(13, TempStreamLength(info));

  StartTempStream(info);
  for (int i = 0; i < 1000; ++i) ASStmWrite("0123456789", 1, 10, TempStreamGetStm(info));
  EndTempStream(info);
  EXPECT_EQ(13, TempStreamStartPos(info));
  EXPECT_EQ(10000, TempStreamLength(info)) << "every byte written is counted";

  ASFile f = TempStreamGetASFile(info);
  char buf[14] = {};
  ASFileSetPos64(f, 0);
  ASFileRead(f, buf, 13);
  EXPECT_STREQ("first segment", buf);
  TempStreamReset(info);

  char* path = ASFileSysDIPathFromPath(info->fileSys, info->path, nullptr);
  std::string kept = path;
  ASfree(path);
  EXPECT_FALSE(kvtest::ReadWholeFile(kept).empty());
  DestroyTempFile(info);
  EXPECT_TRUE(kvtest::ReadWholeFile(kept).empty()) << "the file is deleted";
}

TEST(MFUtil, DestroyingADamagedRecordRaisesLogicError) {
  SGenFileInfo* info = NewTempFile();
  info->marker = 12;
  EXPECT_EQ(genExceptionFileLogicError, kvtest::ErrorOf([info] { DestroyTempFile(info); }));
  info->marker = 97;
  DestroyTempFile(info);
}

TEST(MFUtil, FailedTempFileFreesWhatItMadeAndLeavesNoFile) {
  kvtest::TempDir tmp;
  std::string savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  ASInt64 blocks = ASMemOutstandingBlocks();
  int files = ASFileOpenCount();
  ASFaultInject("ASFileSysOpenFile", fileErrPermission);
  ASErrorCode code = Caught([] { NewTempFile(); });
  ASFaultClearAll();
  if (savedTmp.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", savedTmp.c_str(), 1);
  EXPECT_EQ(genExceptionCannotOpenTempFile, code);
  EXPECT_EQ(blocks, ASMemOutstandingBlocks());
  EXPECT_EQ(files, ASFileOpenCount());
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "the reserved temporary name is removed again";
}
