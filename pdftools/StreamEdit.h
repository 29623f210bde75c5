// Statement-by-statement editing of page contents and form streams.
//
// A callback sees every statement of a page's contents (all its streams read
// as one) or of a form XObject's stream, and may leave it, rewrite it, drop
// it or put text before it. The output goes to a temporary file; only when a
// callback reported a change is the page's Contents replaced by a one-element
// array holding a new stream (or the form by a new stream). A read-only edit
// walks the statements for inspection and writes nothing.
#pragma once

#include "foundation/MFUtil.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PDFStatement.h"

// The callback's contract. On entry the buffer holds the statement (its
// leading white space and comments, operands, operator, then a NUL), *length
// is its byte count, capacity the buffer's full size (the reader used at most
// half of it, so a statement may be rewritten in place up to capacity) and op
// points at the operator inside the buffer. On return:
//   *length >= 0  that many bytes from the buffer's start replace the
//                 statement (0 drops it);
//   *length < 0   -*length bytes are written and the callback is called again
//                 for the same statement with the buffer, *length and op as
//                 it left them (the code classified again from op): text
//                 inserted before a statement.
// The result is true when the callback changed the output; a read-only edit
// raises when it is.
typedef ASBool (*PageStreamEditCallback)(void* data, PDPage page, char* buffer, ASInt32* length, ASInt32 capacity,
                                         char* op, EPDFVerb verb);

struct SPageStreamEditInfo {
  SGenFileInfo* tempFile;  // null in read-only mode
  ASBool edited;
  ASBool insideInlineImage;
  SNextPDFStatement* reader;
  PDPage page;
  PageStreamEditCallback callback;
  void* callbackData;
  // Output collected before it goes to the temporary file.
  char* pending;
  ASInt32 pendingUsed;
};

// The error a callback's change raises in a read-only edit.
ASErrorCode StreamEditReadOnlyError();

SPageStreamEditInfo* NewPageStreamEditInfo(ASBool readOnly);
// With a page, its contents are edited (form is ignored); without one, the
// form stream *form is, and when edited *form becomes the new stream (the
// old one is left as it is). Returns the edited flag. Nothing changes when
// an error stops the edit.
ASBool PageStreamEdit(SPageStreamEditInfo* info, PDPage page, CosObj* form, PageStreamEditCallback callback,
                      void* callbackData);
// Null is accepted.
void DestroyPageStreamEditInfo(SPageStreamEditInfo* info);

// The statement loop over one stream of decoded content (closed at the end).
void StmEdit2HandleStream(SPageStreamEditInfo* info, ASStm stm, CosObj resources);
// Copies one entry of an old form's dictionary into the new stream (client
// data), less the keys that describe the old data's encoding.
ASBool EnumCopyStreamKeys(CosObj key, CosObj value, void* clientData);

// The same edit for page contents, with a callback that gets no operator code.
typedef ASBool (*StreamEditCallback)(void* data, PDPage page, char* buffer, ASInt32* length, ASInt32 capacity,
                                     char* op);
struct SStreamEditInfo {
  SPageStreamEditInfo* edit;
  StreamEditCallback callback;
  void* callbackData;
};
SStreamEditInfo* NewStreamEditInfo(ASBool readOnly);
ASBool StreamEdit(SStreamEditInfo* info, PDPage page, StreamEditCallback callback, void* callbackData);
void DestroyStreamEditInfo(SStreamEditInfo* info);
