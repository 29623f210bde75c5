// New Cos streams through the toolkit.
#pragma once

#include "host/Cos.h"

// The host's new-stream call, arguments passed unchanged (see CosNewStream).
CosObj KCosNewStream(CosDoc cosDoc, ASBool indirect, ASStm stm, ASInt32 offset, ASBool encode, CosObj attributes,
                     CosObj encodeParams, ASInt32 length);
