#include "pdftools/KCosStream.h"

#include "foundation/MFUtil.h"
#include "host/AS.h"

CosObj KCosNewStream(CosDoc cosDoc, ASBool indirect, ASStm stm, ASInt32 offset, ASBool encode, CosObj attributes,
                     CosObj encodeParams, ASInt32 length) {
  return CosNewStream(cosDoc, indirect, stm, offset, encode, attributes, encodeParams, length);
}

CosObj KCosNewStreamFromSegment(SGenFileInfo* temp, CosDoc cosDoc, ASBool encode, CosObj attributes) {
  ASFile file = TempStreamGetASFile(temp);
  ASFilePos64 start = TempStreamStartPos(temp);
  ASFileSetPos64(file, start);
  ASStm stm = ASFileStmRdOpen(file, 0);
  CosObj stream = CosNewNull();
  DURING
    stream = CosNewStream64(cosDoc, 1, stm, start, encode, attributes, CosNewNull(), TempStreamLength(temp));
  HANDLER
    ASStmClose(stm);
    RERAISE();
  END_HANDLER
  ASStmClose(stm);
  return stream;
}

CosObj KCosNewStreamFromBytes(CosDoc cosDoc, const void* data, ASInt32 length, CosObj attributes) {
  ASStm stm = nullptr;
  CosObj stream = CosNewNull();
  DURING
    stm = ASMemStmRdOpen(static_cast<const char*>(data), (ASSize_t)length);
    stream = KCosNewStream(cosDoc, 1, stm, 0, 1, attributes, CosNewNull(), length);
  HANDLER
    if (stm) ASStmClose(stm);
    CosObjDestroy(attributes);
    RERAISE();
  END_HANDLER
  ASStmClose(stm);
  CosObjDestroy(attributes);
  return stream;
}
