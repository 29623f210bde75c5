#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/ASExcept.h"
#include "host/ASFile.h"
#include "host/ASStm.h"
#include "support/TempDir.h"

namespace {

// Hands out the source in pieces of at most `chunk` bytes.
struct Chunked {
  std::string src;
  size_t chunk;
  size_t pos = 0;
  int calls = 0;
};

ASInt32 ChunkedProc(char* data, ASInt32 size, void* client) {
  Chunked* c = static_cast<Chunked*>(client);
  ++c->calls;
  size_t n = std::min({(size_t)size, c->chunk, c->src.size() - c->pos});
  c->src.copy(data, n, c->pos);
  c->pos += n;
  return (ASInt32)n;
}

std::string ReadAll(ASStm s, size_t step) {
  std::string out;
  std::vector<char> buf(step);
  for (;;) {
    ASSize_t n = ASStmRead(buf.data(), 1, step, s);
    out.append(buf.data(), n);
    if (n < step) break;
  }
  return out;
}

}  // namespace

TEST(Streams, ProcReadKeepsCallingUntilFilled) {
  for (size_t chunk : {1u, 3u, 7u, 100u}) {
    Chunked c{"the quick brown fox jumps", chunk};
    ASStm s = ASProcStmRdOpen(ChunkedProc, &c);
    char buf[10];
    EXPECT_EQ(10u, ASStmRead(buf, 1, 10, s)) << "chunk " << chunk;
    EXPECT_EQ("the quick ", std::string(buf, 10));
    EXPECT_EQ("brown fox jumps", ReadAll(s, 4));
    int calls = c.calls;
    EXPECT_EQ(0u, ASStmRead(buf, 1, 10, s)) << "the end stays the end";
    EXPECT_EQ(calls, c.calls);
    ASStmClose(s);
  }
}

TEST(Streams, MemoryReadAndItemSizes) {
  const char data[] = "0123456789";
  ASStm s = ASMemStmRdOpen(data, 10);
  char buf[8];
  EXPECT_EQ(2u, ASStmRead(buf, 4, 2, s));
  EXPECT_EQ(0u, ASStmRead(buf, 4, 1, s)) << "two bytes left make no whole item of 4";
  ASStmClose(s);
  ASStm empty = ASMemStmRdOpen(nullptr, 0);
  EXPECT_EQ(0u, ASStmRead(buf, 1, 8, empty));
  ASStmClose(empty);
  ASStmClose(nullptr);
}

TEST(Streams, FileWriteStreamWritesThroughAtTheFilePosition) {
  kvtest::TempDir dir;
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName p = ASFileSysCreatePathName(fs, ASAtomFromString("POSIXPath"), dir.file("s").c_str(), nullptr);
  ASFile f = nullptr;
  ASSERT_EQ(0, ASFileSysOpenFile(fs, p, ASFILE_READ | ASFILE_WRITE | ASFILE_CREATE, &f));
  ASStm w = ASFileStmWrOpen(f, 0);
  ASStmWrite("abc", 1, 3, w);
  EXPECT_EQ(3, ASFileGetPos64(f)) << "no byte may wait in a buffer";
  ASFileSetPos64(f, 10);
  ASStmWrite("XY", 1, 2, w);
  EXPECT_EQ(12, ASFileGetPos64(f));
  ASStmClose(w);
  ASFileSetPos64(f, 10);
  ASStm r = ASFileStmRdOpen(f, 0);
  EXPECT_EQ("XY", ReadAll(r, 5));
  ASStmClose(r);
  ASFileClose(f);
  ASFileSysReleasePath(fs, p);
}

namespace {
struct Sink {
  std::string got;
  bool destroyed = false;
};
ASInt32 SinkWrite(const char* data, ASInt32 size, void* client) {
  static_cast<Sink*>(client)->got.append(data, (size_t)size);
  return size;
}
void SinkDestroy(void* client) { static_cast<Sink*>(client)->destroyed = true; }
}  // namespace

TEST(Streams, ProcWriteStreamAndLeakCount) {
  int before = ASStmOpenCount();
  Sink sink;
  ASStm s = ASProcStmWrOpen(SinkWrite, SinkDestroy, &sink);
  EXPECT_EQ(before + 1, ASStmOpenCount());
  EXPECT_EQ(2u, ASStmWrite("abcd", 2, 2, s));
  ASStmClose(s);
  EXPECT_EQ("abcd", sink.got);
  EXPECT_TRUE(sink.destroyed);
  EXPECT_EQ(before, ASStmOpenCount());
  EXPECT_THROW(ASStmClose(s), ASException) << "a closed stream is not a stream";
}
