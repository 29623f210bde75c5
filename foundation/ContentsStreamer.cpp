#include "foundation/ContentsStreamer.h"

#include <cstring>

#include "foundation/MFUtil.h"

SContentsStreamerInfo* NewContentsStreamer() {
  auto* info = static_cast<SContentsStreamerInfo*>(ASmallocWithException(sizeof(SContentsStreamerInfo)));
  std::memset(info, 0, sizeof *info);
  info->marker = kContentsStreamerIdle;
  info->contents = CosNewNull();
  info->index = -1;
  return info;
}

void ContentsStreamerCloseStm(SContentsStreamerInfo* info) {
  if (!info || info->marker != kContentsStreamerMade) return;
  info->marker = kContentsStreamerIdle;
  if (info->ownsSubstream) {
    info->ownsSubstream = 0;
    SafeASStmClose(&info->substream);
  }
  // The single stream or the procedure stream handed out is the caller's.
  info->substream = nullptr;
  info->procStm = nullptr;
}

void OpenNextSubstream(SContentsStreamerInfo* info) {
  if (info->ownsSubstream) {
    info->ownsSubstream = 0;
    SafeASStmClose(&info->substream);
  }
  for (;;) {
    ++info->index;
    if (info->index >= CosArrayLength(info->contents)) {
      info->ended = 1;
      return;
    }
    CosObj element = CosArrayGet(info->contents, info->index);
    if (CosObjGetType(element) == CosStream) {
      info->substream = CosStreamOpenStm(element, cosOpenFiltered);
      info->ownsSubstream = 1;
      return;
    }
  }
}

ASInt32 ContentsStreamerCallback(char* buffer, ASInt32 size, void* data) {
  auto* info = static_cast<SContentsStreamerInfo*>(data);
  if (size <= 0) return 0;
  ASInt32 count = 0;
  for (;;) {
    if (info->ended) return count;
    ASSize_t got = ASStmRead(buffer + count, 1, (ASSize_t)(size - count), info->substream);
    count += (ASInt32)got;
    if (count >= size) return count;
    if (got > 0) continue;
    // This substream is done: the next one follows after one line feed.
    OpenNextSubstream(info);
    if (info->ended) return count;
    buffer[count++] = '\n';
    return count;
  }
}

ASStm ContentsStreamerMakeStm(SContentsStreamerInfo* info, CosObj contents) {
  static ASStmProc callback = nullptr;
  ContentsStreamerCloseStm(info);
  info->contents = contents;
  info->ownsSubstream = 0;
  switch (CosObjGetType(contents)) {
    case CosArray:
      if (!callback)
        callback = reinterpret_cast<ASStmProc>(ASCallbackCreate(nullptr, reinterpret_cast<void*>(ContentsStreamerCallback)));
      info->index = -1;
      info->ended = 0;
      OpenNextSubstream(info);
      info->marker = kContentsStreamerMade;
      info->procStm = ASProcStmRdOpen(callback, info);
      return info->procStm;
    case CosStream:
      info->substream = CosStreamOpenStm(contents, cosOpenFiltered);
      info->marker = kContentsStreamerMade;
      return info->substream;
    default:
      info->substream = ASMemStmRdOpen("", 0);
      info->marker = kContentsStreamerMade;
      return info->substream;
  }
}

void DestroyContentsStreamer(SContentsStreamerInfo* info) {
  if (!info) return;
  ContentsStreamerCloseStm(info);
  ASfree(info);
}
