#include "pdftools/StreamEdit.h"

#include <cstring>
#include <utility>

#include "foundation/ContentsStreamer.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/KCosStream.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageInherit.h"

namespace {

ASErrorCode gReadOnlyError = 0;
CosObjEnumProc gCopyStreamKeysProc = nullptr;

// The statement buffer callers start with; it only grows for longer statements.
constexpr ASInt32 kStatementBuffer = 60000;
// Statements are gathered up to this many bytes before one write to the
// temporary file: most statements are a few bytes long.
constexpr ASInt32 kPendingSize = 65536;

void RegisterErrors() {
  if (!gReadOnlyError)
    gReadOnlyError = ASRegisterErrorString(4, "Internal error - attempt to edit read-only stream");
}

void FlushPending(SPageStreamEditInfo* info) {
  if (info->pendingUsed > 0) {
    ASStmWrite(info->pending, 1, (ASSize_t)info->pendingUsed, TempStreamGetStm(info->tempFile));
    info->pendingUsed = 0;
  }
}

void WriteOut(SPageStreamEditInfo* info, const char* data, ASInt32 count) {
  if (count <= 0) return;
  if (count > kPendingSize - info->pendingUsed) FlushPending(info);
  if (count >= kPendingSize) {
    ASStmWrite(data, 1, (ASSize_t)count, TempStreamGetStm(info->tempFile));
    return;
  }
  std::memcpy(info->pending + info->pendingUsed, data, (size_t)count);
  info->pendingUsed += count;
}

// Ends the temporary file's segment after a failure; a second failure
// there must not hide the first.
void EndSegmentQuietly(SPageStreamEditInfo* info) {
  info->pendingUsed = 0;
  DURING
    EndTempStream(info->tempFile);
  HANDLER
  END_HANDLER
}

bool IsOperator(const char* op, const char* word) { return op && std::strcmp(op, word) == 0; }

}  // namespace

ASErrorCode StreamEditReadOnlyError() {
  RegisterErrors();
  return gReadOnlyError;
}

SPageStreamEditInfo* NewPageStreamEditInfo(ASBool readOnly) {
  RegisterErrors();
  auto* info = static_cast<SPageStreamEditInfo*>(ASmallocWithException(sizeof(SPageStreamEditInfo)));
  std::memset(info, 0, sizeof *info);
  if (readOnly) return info;
  DURING
    info->pending = static_cast<char*>(ASmallocWithException(kPendingSize));
    info->tempFile = NewTempFile();
  HANDLER
    ASfree(info->pending);
    ASfree(info);
    RERAISE();
  END_HANDLER
  return info;
}

void DestroyPageStreamEditInfo(SPageStreamEditInfo* info) {
  if (!info) return;
  DestroyNextPDFStatementInfo(info->reader);
  SGenFileInfo* temp = info->tempFile;
  ASfree(info->pending);
  ASfree(info);
  if (temp) DestroyTempFile(temp);
}

void StmEdit2HandleStream(SPageStreamEditInfo* info, ASStm stm, CosObj resources) {
  SNextPDFStatement* reader = info->reader;
  const bool readOnly = info->tempFile == nullptr;
  char* buffer = nullptr;
  ASInt32 size = kStatementBuffer;
  DURING
    OpenStmForNextPDFStatement(reader, resources, stm);
    buffer = static_cast<char*>(ASmallocWithException((ASSize_t)size));
    for (;;) {
      ASInt32 length = 0;
      char* op = nullptr;
      if (NextPDFStatementExt(&buffer, &size, &length, &op, reader, info->insideInlineImage) != 0 || !op) break;
      if (!readOnly) {
        // A callback may drop or rewrite what follows an image whose end was
        // searched for: the image keeps its end by its length.
        char* end = buffer + length;
        PinInlineImageEndInStatementExt(&buffer, &size, &end, &op, reader);
        length = (ASInt32)(end - buffer);
      }
      if (info->insideInlineImage) {
        if (IsOperator(op, "EI")) info->insideInlineImage = 0;
      } else if (IsOperator(op, "ID")) {
        info->insideInlineImage = 1;
      }
      for (;;) {
        ASBool changed = info->callback(info->callbackData, info->page, buffer, &length, size, op, ClassifyPDFVerb(op));
        if (changed) {
          if (readOnly) ASRaise(StreamEditReadOnlyError());
          info->edited = 1;
        }
        if (readOnly) break;
        // A length beyond the buffer is a callback's fault: never read past it.
        if (length > size || length < -size) ASRaise(genErrBadParm);
        if (length >= 0) {
          WriteOut(info, buffer, length);
          break;
        }
        WriteOut(info, buffer, -length);
      }
    }
  HANDLER
    ASfree(buffer);
    CloseNextPDFStatementInfo(reader);
    RERAISE();
  END_HANDLER
  ASfree(buffer);
  CloseNextPDFStatementInfo(reader);
}

ASBool EnumCopyStreamKeys(CosObj key, CosObj value, void* clientData) {
  ASAtom k = CosNameValue(key);
  if (k == atom[K_Length] || k == atom[K_Filter] || k == atom[K_DecodeParms] || k == atom[K_F] ||
      k == atom[K_FFilter] || k == atom[K_FDecodeParms] || k == ASAtomFromString("XUID") ||
      k == ASAtomFromString("DL"))
    return 1;
  CosDictPut(*static_cast<CosObj*>(clientData), k, CopyObjIfDirect(value));
  return 1;
}

ASBool PageStreamEdit(SPageStreamEditInfo* info, PDPage page, CosObj* form, PageStreamEditCallback callback,
                      void* callbackData) {
  RegisterErrors();
  InitGlobalAtomTable();
  if (!info || !callback) ASRaise(genErrBadParm);
  info->page = page;
  info->callback = callback;
  info->callbackData = callbackData;
  info->edited = 0;
  info->pendingUsed = 0;
  DestroyNextPDFStatementInfo(std::exchange(info->reader, nullptr));
  info->reader = CreateNextPDFStatementInfo();
  if (info->tempFile) StartTempStream(info->tempFile);

  SContentsStreamerInfo* streamer = nullptr;
  DURING
    if (page) {
      CosObj contents = CosDictGet(PDPageGetCosObj(page), atom[K_Contents]);
      CosObj resources = PDPageGetCosResources(page);
      info->insideInlineImage = 0;
      streamer = NewContentsStreamer();
      StmEdit2HandleStream(info, ContentsStreamerMakeStm(streamer, contents), resources);
    } else if (form && CosObjGetType(*form) == CosStream) {
      info->insideInlineImage = 0;
      CosObj resources = CosDictGet(*form, atom[K_Resources]);
      StmEdit2HandleStream(info, CosStreamOpenStm(*form, cosOpenFiltered), resources);
    }
  HANDLER
    DestroyContentsStreamer(streamer);
    DestroyNextPDFStatementInfo(std::exchange(info->reader, nullptr));
    if (info->tempFile) EndSegmentQuietly(info);
    info->edited = 0;
    RERAISE();
  END_HANDLER
  DestroyContentsStreamer(streamer);
  DestroyNextPDFStatementInfo(std::exchange(info->reader, nullptr));
  if (info->tempFile) {
    FlushPending(info);
    EndTempStream(info->tempFile);
  }
  if (!info->edited) return 0;

  if (page) {
    CosDoc cosDoc = PDDocGetCosDoc(PDPageGetDoc(page));
    CosObj stream = KCosNewStreamFromSegment(info->tempFile, cosDoc, 0, CosNewNull());
    CosObj array = CosNewArray(cosDoc, 0, 1);
    CosArrayPut(array, 0, stream);
    KPDPageReplaceCosContents(page, array, 1);
  } else if (form && CosObjGetType(*form) == CosStream) {
    if (!gCopyStreamKeysProc) gCopyStreamKeysProc = ASCallbackCreateProto(CosObjEnumProc, EnumCopyStreamKeys);
    CosObj stream = KCosNewStreamFromSegment(info->tempFile, CosObjGetDoc(*form), 0, CosNewNull());
    CosObjEnum(CosStreamDict(*form), gCopyStreamKeysProc, &stream);
    *form = stream;
  }
  return 1;
}

// ---- the edit whose callback gets no operator code ------------------------------

namespace {

ASBool StreamEditAdapter(void* data, PDPage page, char* buffer, ASInt32* length, ASInt32 capacity, char* op,
                         EPDFVerb) {
  auto* info = static_cast<SStreamEditInfo*>(data);
  return info->callback(info->callbackData, page, buffer, length, capacity, op);
}

}  // namespace

SStreamEditInfo* NewStreamEditInfo(ASBool readOnly) {
  auto* info = static_cast<SStreamEditInfo*>(ASmallocWithException(sizeof(SStreamEditInfo)));
  std::memset(info, 0, sizeof *info);
  DURING
    info->edit = NewPageStreamEditInfo(readOnly);
  HANDLER
    ASfree(info);
    RERAISE();
  END_HANDLER
  return info;
}

ASBool StreamEdit(SStreamEditInfo* info, PDPage page, StreamEditCallback callback, void* callbackData) {
  if (!info || !callback) ASRaise(genErrBadParm);
  if (!page) return 0;
  info->callback = callback;
  info->callbackData = callbackData;
  return PageStreamEdit(info->edit, page, nullptr, StreamEditAdapter, info);
}

void DestroyStreamEditInfo(SStreamEditInfo* info) {
  if (!info) return;
  DestroyPageStreamEditInfo(info->edit);
  ASfree(info);
}
