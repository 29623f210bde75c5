// New Cos streams through the toolkit.
#pragma once

#include "host/Cos.h"

// The host's new-stream call, arguments passed unchanged (see CosNewStream).
CosObj KCosNewStream(CosDoc cosDoc, ASBool indirect, ASStm stm, ASInt32 offset, ASBool encode, CosObj attributes,
                     CosObj encodeParams, ASInt32 length);

struct SGenFileInfo;

// A new indirect stream in cosDoc of the length bytes of data, encoded as the
// attributes (a direct dictionary, used up here: the stream holds its own
// copy) say. The attributes go also when making the stream fails.
CosObj KCosNewStreamFromBytes(CosDoc cosDoc, const void* data, ASInt32 length, CosObj attributes);

// A new indirect stream in cosDoc of the segment just ended in the temporary
// stream (foundation/MFUtil.h): with encode, plain content that the stream
// encodes as the attributes (a dictionary, or null) say; else taken as it is.
CosObj KCosNewStreamFromSegment(SGenFileInfo* temp, CosDoc cosDoc, ASBool encode, CosObj attributes);
