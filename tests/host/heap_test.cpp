// Streams the host compresses one after another: one compressor serves them
// all and gives the bytes a fresh one gives, and the heap is not given back
// to the system and grown again between streams.
#include <gtest/gtest.h>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/HostPdf.h"

namespace {

CosObj FlateStream(CosDoc cos, const std::string& data) {
  CosObj attributes = CosNewDict(cos, 0, 1);
  CosDictPut(attributes, ASAtomFromString("Filter"), CosNewName(cos, 0, ASAtomFromString("FlateDecode")));
  ASStm stm = ASMemStmRdOpen(data.data(), data.size());
  CosObj s = CosNewStream(cos, 1, stm, 0, 1, attributes, CosNewNull(), -1);
  ASStmClose(stm);
  return s;
}

std::string Read(CosObj stream, CosStreamOpenMode mode) {
  ASStm stm = CosStreamOpenStm(stream, mode);
  std::string out;
  char buf[65536];
  for (ASSize_t n; (n = ASStmRead(buf, 1, sizeof buf, stm)) > 0;) out.append(buf, n);
  ASStmClose(stm);
  return out;
}

// What qpdf's own compressor, made new, gives at its default level.
std::string FreshlyCompressed(const std::string& data) {
  Pl_Buffer sink("sink");
  Pl_Flate flate("flate", &sink, Pl_Flate::a_deflate);
  flate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  flate.finish();
  auto b = sink.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
}

TEST(Compression, EveryStreamGetsTheBytesAFreshCompressorGives) {
  std::vector<std::string> inputs{"", "q 1 0 0 1 0 0 cm Q\n"};
  std::string text, noise;
  for (int i = 0; text.size() < 300000; ++i) text += "BT /F1 10 Tf 40 " + std::to_string(i % 800) + " Td (line) Tj ET\n";
  unsigned seed = 3;
  for (int i = 0; i < 150000; ++i) noise.push_back((char)((seed = seed * 1103515245u + 12345u) >> 16));
  inputs.push_back(text);
  inputs.push_back(noise);
  inputs.push_back(text.substr(0, 65536));
  inputs.push_back(inputs[1]);  // a short one after long ones
  CosDoc cos = CosDocCreate();
  for (size_t i = 0; i < inputs.size(); ++i) {
    CosObj s = FlateStream(cos, inputs[i]);
    EXPECT_EQ(FreshlyCompressed(inputs[i]), Read(s, cosOpenRaw)) << "stream " << i;
    EXPECT_EQ(inputs[i], Read(s, cosOpenFiltered)) << "stream " << i;
  }
  CosDocClose(cos);
}

TEST(Heap, CompressedStreamsOneAfterAnotherKeepTheHeap) {
#ifndef __GLIBC__
  GTEST_SKIP() << "the heap's top is the C library's business here";
#endif
  CosDoc cos = CosDocCreate();
  std::string data;
  for (int i = 0; data.size() < 200000; ++i) data += "q 1 0 0 1 " + std::to_string(i % 977) + " 0 cm /X" + std::to_string(i) + " Do Q\n";
  auto stream = [&] { FlateStream(cos, data); };
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
