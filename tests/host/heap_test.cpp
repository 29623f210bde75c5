// The heap across many compressed streams: what one stream's compressor
// frees stays for the next instead of going back to the system each time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/HostPdf.h"

namespace {

TEST(Heap, CompressedStreamsOneAfterAnotherKeepTheHeap) {
#ifndef __GLIBC__
  GTEST_SKIP() << "the heap's top is the C library's business here";
#endif
  CosDoc cos = CosDocCreate();
  CosObj attributes = CosNewDict(cos, 0, 1);
  CosDictPut(attributes, ASAtomFromString("Filter"), CosNewName(cos, 0, ASAtomFromString("FlateDecode")));
  std::string data;
  for (int i = 0; data.size() < 200000; ++i) data += "q 1 0 0 1 " + std::to_string(i % 977) + " 0 cm /X" + std::to_string(i) + " Do Q\n";
  auto stream = [&] {
    ASStm stm = ASMemStmRdOpen(data.data(), data.size());
    CosNewStream(cos, 1, stm, 0, 1, attributes, CosNewNull(), -1);
    ASStmClose(stm);
  };
  stream();  // the first one may grow the heap
  void* top = sbrk(0);
  int shrunk = 0;
  for (int i = 0; i < 20; ++i) {
    stream();
    void* now = sbrk(0);
    if (now < top) ++shrunk;
    top = now;
  }
  EXPECT_EQ(0, shrunk) << "the heap was given back and grown again between streams";
  CosDocClose(cos);
}

}  // namespace
