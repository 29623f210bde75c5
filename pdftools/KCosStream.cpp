#include "pdftools/KCosStream.h"

CosObj KCosNewStream(CosDoc cosDoc, ASBool indirect, ASStm stm, ASInt32 offset, ASBool encode, CosObj attributes,
                     CosObj encodeParams, ASInt32 length) {
  return CosNewStream(cosDoc, indirect, stm, offset, encode, attributes, encodeParams, length);
}
