#include <gtest/gtest.h>

#include "host/ASMem.h"

TEST(Memory, InjectedFailureHitsTheChosenAllocations) {
  ASMemInjectFailure(1, 2);
  void* a = ASmalloc(10);
  EXPECT_NE(nullptr, a);
  EXPECT_EQ(nullptr, ASmalloc(10));
  EXPECT_EQ(nullptr, ASrealloc(a, 20));  // a stays valid
  void* b = ASmalloc(10);
  EXPECT_NE(nullptr, b);
  ASfree(a);
  ASfree(b);
  ASMemClearFailure();
}

TEST(Memory, OutstandingCountFollowsAllocAndFree) {
  ASInt64 before = ASMemOutstandingBlocks();
  void* a = ASmalloc(0);
  ASSERT_NE(nullptr, a);
  a = ASrealloc(a, 100);
  void* b = ASrealloc(nullptr, 5);
  EXPECT_EQ(before + 2, ASMemOutstandingBlocks());
  ASfree(a);
  ASfree(b);
  ASfree(nullptr);
  EXPECT_EQ(before, ASMemOutstandingBlocks());
}
