// The first raise of the five foundation codes in a process, with nothing
// raised before it. The test needs a fresh process by design: this file
// holds it alone, and its program (support/OneTestPerProcess.cpp) starts it
// in a process of its own on every run, a repeated run included.
#include <gtest/gtest.h>

#include <string>

#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"

TEST(MFUtilFirstRaise, OutOfMemoryBeforeAnyOtherRaiseCarriesACodeAndLaterRaisesRegister) {
  ASSERT_EQ(0, genExceptionOutOfMemory) << "nothing may have raised in this process yet";
  // A text long enough that registering it takes memory of its own.
  InitSystemMessageTable();
  std::string longText(1500, 'm');
  AddMessageCopy("mfutil.exception.outofmemory", longText.c_str(), gSystemMessageTable, 0);
  // Every allocation fails, the registration's own included.
  ASMemInjectFailure(0, -1);
  ASErrorCode code = 0;
  DURING
    ASmallocWithException(64);
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  ASMemClearFailure();
  EXPECT_NE(0, code) << "an out-of-memory raise must carry a code";
  char text[200] = {};
  EXPECT_GT(ASGetErrorString(code, text, sizeof text), 0) << "and a code with a text";

  // With memory back, the codes register and stay registered.
  code = 0;
  DURING
    RaiseMFUtilException(&genExceptionCantWrite);
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  EXPECT_NE(0, code);
  EXPECT_EQ(genExceptionCantWrite, code);
  const ASErrorCode codes[] = {genExceptionCannotAccessTempFile, genExceptionCannotOpenTempFile,
                               genExceptionFileLogicError, genExceptionOutOfMemory, genExceptionCantWrite};
  for (ASErrorCode c : codes) EXPECT_NE(0, c);
  code = 0;
  ASMemInjectFailure(0, 1);
  DURING
    ASmallocWithException(64);
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  ASMemClearFailure();
  EXPECT_EQ(genExceptionOutOfMemory, code);
  ASGetErrorString(code, text, sizeof text);
  EXPECT_EQ(longText.substr(0, sizeof text - 1), text);
  DestroyMessageTable(gSystemMessageTable);
  gSystemMessageTable = nullptr;
}
