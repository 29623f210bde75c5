// Reads a page's contents, one stream or an array of streams, as one stream:
// the decoded streams in order, with one line feed between two streams.
#pragma once

#include "host/AS.h"
#include "host/Cos.h"

enum : ASUns32 { kContentsStreamerIdle = 4321, kContentsStreamerMade = 1234 };

struct SContentsStreamerInfo {
  ASUns32 marker;       // kContentsStreamerIdle or kContentsStreamerMade
  CosObj contents;      // the Contents value read
  ASStm substream;      // the stream being read now
  ASBool ownsSubstream; // the substream came from an array element: the streamer closes it
  ASStm procStm;        // the stream handed out for an array
  ASInt32 index;        // the array element being read, -1 before the first
  ASBool ended;         // every element has been read
};

// A new reader (raises when memory is short).
SContentsStreamerInfo* NewContentsStreamer();
// A read stream over the contents (a stream, an array of streams, or anything
// else read as empty). The stream is the caller's: read it, then close it.
ASStm ContentsStreamerMakeStm(SContentsStreamerInfo* info, CosObj contents);
// Closes what the streamer itself opened and frees it; null is accepted.
void DestroyContentsStreamer(SContentsStreamerInfo* info);

// The parts (exposed for tests).
void ContentsStreamerCloseStm(SContentsStreamerInfo* info);
void OpenNextSubstream(SContentsStreamerInfo* info);
ASInt32 ContentsStreamerCallback(char* buffer, ASInt32 size, void* info);
