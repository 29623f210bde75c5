#include "pdftools/CommandHistory.h"

#include <cstring>
#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/MFUtil.h"
#include "foundation/TextCut.h"
#include "pdftools/CosOps.h"
#include "pdftools/NameTree.h"

namespace {

const char* const kAttachmentName = "KRVL.command.history";
const char* const kAttachmentFileName = "rerevudivizoza.xml";
constexpr ASInt32 kReadPiece = 4000;
// Shorter data is stored without a filter.

bool IsType(CosObj obj, CosType type) { return CosObjGetType(obj) == type; }

// The attachment's file stream and description; false when there is no
// attachment holding a stream.
bool FindAttachment(PDDoc doc, CosObj* description, CosObj* stream) {
  CosObj file = FindFileAttachment(doc, kAttachmentName, description);
  if (!IsType(file, CosStream)) return false;
  *stream = file;
  return true;
}

// Copies a PDF text string into a UTF-8 buffer, cut on a character boundary.
void CopyTextString(CosObj string, char* out, ASInt32 size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  if (!IsType(string, CosString)) return;
  ASSize_t length = 0;
  const char* bytes = CosStringValue(string, &length);
  ASText text = ASTextFromSizedPDText(bytes, (ASInt32)length);
  if (size > 0) CopyCutUTF8(out, (size_t)size, ASTextGetUTF8(text));
  ASTextDestroy(text);
}

bool IsOutOfMemory(ASErrorCode code) {
  return code == genErrNoMemory || (genExceptionOutOfMemory && code == genExceptionOutOfMemory);
}

}  // namespace

CosObj PDDocGetCommandListHistoryObj(PDDoc doc, char* description, ASInt32 size) {
  if (description && size > 0) description[0] = 0;
  if (!doc) return CosNewNull();
  CosObj catalogStream = CosNewNull();
  CosObj root = CosDocGetRoot(PDDocGetCosDoc(doc));
  if (IsType(root, CosDict)) {
    CosObj info = CosDictGetKeyString(root, "KRVL_DocInfo");
    if (IsType(info, CosDict)) catalogStream = CosDictGetKeyString(info, "CommandHistory");
  }
  CosObj desc, stream;
  if (FindAttachment(doc, &desc, &stream)) {
    CopyTextString(desc, description, size);
    // A write in PDF/X mode renews only the catalog's stream and leaves an
    // older attachment behind: the catalog then holds the newer history.
    if (IsType(catalogStream, CosStream) && !CosObjEqual(catalogStream, stream)) return catalogStream;
    return stream;
  }
  return catalogStream;
}

ASBool PDDocHasCommandList(PDDoc doc) {
  return IsType(PDDocGetCommandListHistoryObj(doc, nullptr, 0), CosStream) ? 1 : 0;
}

char* PDDocGetCommandListAsXML(PDDoc doc, char* description, ASInt32 size) {
  CosObj stream = PDDocGetCommandListHistoryObj(doc, description, size);
  if (!IsType(stream, CosStream)) return nullptr;
  std::vector<char> text;
  ASStm stm = nullptr;
  bool tooLong = false;
  DURING
    stm = CosStreamOpenStm(stream, cosOpenFiltered);
    char piece[kReadPiece];
    for (;;) {
      ASSize_t got = ASStmRead(piece, 1, sizeof piece, stm);
      if (got == 0) break;
      if (text.size() + got > (size_t)kCommandHistoryMaxBytes) {
        tooLong = true;  // a history this long is not one we wrote
        break;
      }
      text.insert(text.end(), piece, piece + got);
    }
  HANDLER
    ASStmClose(stm);
    // A damaged stream is a history that cannot be read, not a failure of
    // every later command on the document.
    if (IsOutOfMemory(ERRORCODE)) RERAISE();
    return nullptr;
  END_HANDLER
  ASStmClose(stm);
  if (tooLong) return nullptr;
  auto* block = (char*)ASmallocWithException(text.size() + 1);
  if (!text.empty()) std::memcpy(block, text.data(), text.size());
  block[text.size()] = 0;
  return block;
}

SKCab* PDDocGetCommandListAsKCab(PDDoc doc, char* description, ASInt32 size) {
  char* xml = PDDocGetCommandListAsXML(doc, description, size);
  if (!xml) return nullptr;
  SKCab* list = nullptr;
  DURING
    list = KCabReadFromBuffer(xml, (ASInt32)std::strlen(xml), nullptr);
  HANDLER
    ASfree(xml);
    RERAISE();
  END_HANDLER
  ASfree(xml);
  return list;
}

void PDDocStoreCommandListFromXML(PDDoc doc, const char* xml, const char* description, ASBool noAttachment) {
  if (!doc || !xml) return;
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  CosObj stream = MakeStreamFromData(cosDoc, xml, (ASInt32)std::strlen(xml));
  CosObj root = CosDocGetRoot(cosDoc);
  CosObj info = CosDictGetKeyString(root, "KRVL_DocInfo");
  if (!IsType(info, CosDict)) {
    info = CosNewDict(cosDoc, 1, 1);
    CosDictPutKeyString(root, "KRVL_DocInfo", info);
  }
  CosDictPutKeyString(info, "CommandHistory", stream);
  if (!noAttachment) StoreFileAttachment(doc, stream, kAttachmentFileName, kAttachmentName, description);
  // The stream this replaced is not destroyed: one read from a file may be
  // shared with other parts of the document. Unreferenced now (unless an
  // attachment kept in PDF/X mode still holds it), it stays out of the file
  // when the document is saved.
}

ASBool PDDocStoreCommandListFromKCab(PDDoc doc, SKCab* list, const char* description, ASBool noAttachment) {
  if (!doc || !list || !KVExportChecker(list)) return 0;
  ASInt32 size = KCabToXMLBufferBytesNeeded(list) + 1;
  auto* buffer = (char*)ASmallocWithException((ASSize_t)size);
  DURING
    ASInt32 needed = 0;
    WriteKCabToXMLBuffer(buffer, size, list, &needed);
    buffer[size - 1] = 0;
    PDDocStoreCommandListFromXML(doc, buffer, description, noAttachment);
  HANDLER
    ASfree(buffer);
    RERAISE();
  END_HANDLER
  ASfree(buffer);
  return 1;
}

const char* const kBaseFeature = "kv2base";

ASBool KVExportChecker(SKCab* list) {
  if (!list) return 1;
  const char* required = KCabGetString(list, "Requires");
  if (!required) {
    KCabPutStringCopy(list, "Requires", kBaseFeature);
  } else if (!std::strstr(required, kBaseFeature)) {
    std::string text = std::string(kBaseFeature) + ";" + required;
    KCabPutStringCopy(list, "Requires", text.c_str());
  }
  return 1;
}
