#include "pdftools/PDFX.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/HostGlue.h"
#include "foundation/HostTextHolder.h"
#include "foundation/TextConv.h"
#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosOps.h"
#include "pdftools/CosRect.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageInherit.h"

ASInt32 gPDFXMode = 0;

const char* const kXMPNamespacePDFXId = "http://www.npes.org/pdfx/ns/id/";
const char* const kXMPNamespaceXMP = "http://ns.adobe.com/xap/1.0/";
const char* const kXMPNamespacePDF = "http://ns.adobe.com/pdf/1.3/";
const char* const kXMPNamespaceXMPMM = "http://ns.adobe.com/xap/1.0/mm/";

namespace {

bool IsType(CosObj obj, CosType type) { return CosObjGetType(obj) == type; }

ASAtom Key(const char* name) { return ASAtomFromString(name); }

bool MetadataAvailable() {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  return major > 5;
}

CosObj InfoOf(PDDoc doc) { return CosDocGetInfoDict(PDDocGetCosDoc(doc)); }

bool Compatible(ASInt32 a, ASInt32 b) {
  if (a == b) return true;
  auto pair = [&](ASInt32 x, ASInt32 y) { return (a == x && b == y) || (a == y && b == x); };
  return pair(kPDFX1a2001, kPDFX1a2003) || pair(kPDFX32002, kPDFX32003);
}

// The versions an XMP declaration can name, compared as host texts made once.
struct SXMPVersion {
  const char* text;
  EPDFXClassification value;
};
const SXMPVersion kXMPVersions[] = {{"PDF/X-4", kPDFX4},   {"PDF/X-4p", kPDFX4p},  {"PDF/X-5g", kPDFX5g},
                                    {"PDF/X-5n", kPDFX5n}, {"PDF/X-5pg", kPDFX5pg}};
constexpr size_t kXMPVersionCount = sizeof kXMPVersions / sizeof kXMPVersions[0];

ASText XMPVersionText(size_t i) {
  static ASText texts[kXMPVersionCount] = {};
  if (!texts[i]) texts[i] = ASTextFromUnicode(kXMPVersions[i].text, kUTF8);
  return texts[i];
}

EPDFXClassification ClassFromInfo(CosObj info, CosObj version) {
  struct SInfoVersion {
    const char* text;
    EPDFXClassification value;
  };
  static const SInfoVersion versions[] = {{"PDF/X-3:2002", kPDFX32002}, {"PDF/X-3:2003", kPDFX32003},
                                          {"PDF/X-1a:2003", kPDFX1a2003}, {"PDF/X-4", kPDFX4},
                                          {"PDF/X-4p", kPDFX4p},          {"PDF/X-5g", kPDFX5g},
                                          {"PDF/X-5n", kPDFX5n},          {"PDF/X-5pg", kPDFX5pg}};
  for (const SInfoVersion& v : versions)
    if (CosObjIsStringEqualTo(version, v.text)) return v.value;
  if (CosObjIsStringEqualTo(version, "PDF/X-1:2001") &&
      CosObjIsStringEqualTo(CosDictGet(info, Key("GTS_PDFXConformance")), "PDF/X-1a:2001"))
    return kPDFX1a2001;
  return kPDFXUnknown;
}

// The Info dictionary of target, made when it has none and source has one
// to copy from: new documents have no Info.
CosObj TargetInfoFor(PDDoc target, CosObj sourceInfo) {
  CosObj info = InfoOf(target);
  if (IsType(info, CosDict) || !IsType(sourceInfo, CosDict)) return info;
  CosDoc cos = PDDocGetCosDoc(target);
  info = CosNewDict(cos, 1, 8);
  CosDictPut(CosDocGetTrailer(cos), Key("Info"), info);
  return info;
}

}  // namespace

EPDFXClassification GetFilePDFXClassification(PDDoc doc) {
  CosObj info = InfoOf(doc);
  if (IsType(info, CosDict)) {
    CosObj version = CosDictGet(info, Key("GTS_PDFXVersion"));
    if (IsType(version, CosString)) return ClassFromInfo(info, version);
  }
  if (!MetadataAvailable()) return kPDFXNone;
  HostTextHolder nameSpace(kXMPNamespacePDFXId), path("GTS_PDFXVersion");
  HostTextHolder value(KGluePDDocGetXAPMetadataProperty(doc, nameSpace.get(), path.get()));
  if (!value.get()) return kPDFXNone;
  for (size_t i = 0; i < kXMPVersionCount; ++i)
    if (ASTextCmp(value.get(), XMPVersionText(i)) == 0) return kXMPVersions[i].value;
  return kPDFXNone;
}

ASBool EmptyFileCandidateForPDFX(PDDoc doc) {
  InitGlobalAtomTable();
  const ASAtom keys[] = {atom[K_Contents], atom[K_Resources], atom[K_Annots], atom[K_AA]};
  ASInt32 pages = PDDocGetNumPages(doc);
  for (ASInt32 i = 0; i < pages; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    bool used = false;
    DURING
      CosObj dict = PDPageGetCosObj(page);
      for (ASAtom key : keys) used = used || CosDictKnown(dict, key);
    HANDLER
      PDPageRelease(page);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
    if (used) return 0;
  }
  return 1;
}

ASAtom PDDocTrappedValue(PDDoc doc) {
  static const ASAtom unknown = ASAtomFromString("Unknown");
  CosObj info = InfoOf(doc);
  if (!IsType(info, CosDict)) return unknown;
  CosObj trapped = CosDictGet(info, Key("Trapped"));
  return IsType(trapped, CosName) ? CosNameValue(trapped) : unknown;
}

CosObj PDDocOutputIntent(PDDoc doc) {
  InitGlobalAtomTable();
  CosObj intents = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), atom[K_OutputIntents]);
  if (!IsType(intents, CosArray)) return CosNewNull();
  static const ASAtom pdfx = ASAtomFromString("GTS_PDFX");
  ASInt32 n = CosArrayLength(intents);
  for (ASInt32 i = 0; i < n; ++i) {
    CosObj intent = CosArrayGet(intents, i);
    if (!IsType(intent, CosDict)) continue;
    CosObj s = CosDictGet(intent, atom[K_S]);
    if (IsType(s, CosName) && CosNameValue(s) == pdfx &&
        IsType(CosDictGet(intent, Key("OutputConditionIdentifier")), CosString))
      return intent;
  }
  return CosNewNull();
}

ASBool OutputIntentsEqual(CosObj a, CosObj b) {
  const bool aDict = IsType(a, CosDict), bDict = IsType(b, CosDict);
  if (!aDict || !bDict) return !aDict && !bDict;
  const ASAtom identifier = Key("OutputConditionIdentifier");
  CosObj aId = CosDictGet(a, identifier), bId = CosDictGet(b, identifier);
  if (IsType(aId, CosString)) {
    const ASAtom registry = Key("RegistryName");
    return CosObjContentsEqual(aId, bId) && CosObjContentsEqual(CosDictGet(a, registry), CosDictGet(b, registry));
  }
  if (IsType(bId, CosString)) return 0;
  const ASAtom profile = Key("DestOutputProfile");
  CosObj aProfile = CosDictGet(a, profile);
  if (!IsType(aProfile, CosNull)) return CosObjContentsEqual(aProfile, CosDictGet(b, profile));
  const ASAtom profileRef = Key("DestOutputProfileRef");
  CosObj aRef = CosDictGet(a, profileRef), bRef = CosDictGet(b, profileRef);
  if (!IsType(aRef, CosDict) || !IsType(bRef, CosDict)) return 0;
  const ASAtom name = Key("ProfileName"), checkSum = Key("CheckSum");
  return CosObjContentsEqual(CosDictGet(aRef, name), CosDictGet(bRef, name)) &&
         CosObjContentsEqual(CosDictGet(aRef, checkSum), CosDictGet(bRef, checkSum));
}

ASInt32 PDFXImpositionValidation(PDDoc a, PDDoc b) {
  const ASInt32 classA = GetFilePDFXClassification(a), classB = GetFilePDFXClassification(b);
  if (classA == kPDFXNone && classB == kPDFXNone) return kPDFXNeitherDeclares;
  const ASInt32 base = classA == kPDFXUnknown ? kPDFXUnknownVersion : 0;
  if (!Compatible(classA, classB)) {
    if (classB != kPDFXNone) return classA != kPDFXNone ? kPDFXIncompatible : kPDFXOnlyBDeclares;
    return EmptyFileCandidateForPDFX(b) ? base : kPDFXOnlyADeclares;
  }
  ASInt32 result = base;
  static const ASAtom unknown = ASAtomFromString("Unknown");
  const ASAtom trappedB = PDDocTrappedValue(b);
  if (PDDocTrappedValue(a) != trappedB && trappedB != unknown) result |= kPDFXTrappedMismatch;
  CosObj intentA = PDDocOutputIntent(a), intentB = PDDocOutputIntent(b);
  if (IsType(intentA, CosDict) && IsType(intentB, CosDict) && !OutputIntentsEqual(intentA, intentB))
    result |= kPDFXIntentMismatch;
  return result;
}

ASBool PDFXImpositionPageSetting(PDPage page) {
  InitGlobalAtomTable();
  CosObj dict = PDPageGetCosObj(page);
  if (CosDictKnown(dict, atom[K_ArtBox]) || CosDictKnown(dict, atom[K_TrimBox])) return 1;
  // The crop box in force, clipped to the media box as every reader clips it:
  // a trim box beyond the media box is refused by PDF/X checks. A page
  // without a usable box gets no trim box rather than a broken one.
  CosObj mediaObj = FindInheritedPageObject(dict, atom[K_MediaBox]);
  CosObj cropObj = FindInheritedPageObject(dict, atom[K_CropBox]);
  ASFixedRect media{}, crop{};
  if (!LoadRect(mediaObj, &media) || media.left >= media.right || media.bottom >= media.top) return 1;
  if (!LoadRect(cropObj, &crop)) {
    CosDictPut(dict, atom[K_TrimBox], CopyObjAsDirect(mediaObj));
    return 1;
  }
  if (crop.left >= media.left && crop.right <= media.right && crop.bottom >= media.bottom && crop.top <= media.top) {
    CosDictPut(dict, atom[K_TrimBox], CopyObjAsDirect(cropObj));
    return 1;
  }
  ASFixedRect trim{std::max(crop.left, media.left), std::min(crop.top, media.top), std::min(crop.right, media.right),
                   std::max(crop.bottom, media.bottom)};
  if (trim.left < trim.right && trim.bottom < trim.top)
    CosDictPut(dict, atom[K_TrimBox], MakeRectObject(CosObjGetDoc(dict), &trim));
  return 1;
}

void CloneInfoSetting(CosObj srcInfo, CosObj dstInfo, ASAtom key, ASBool overwrite) {
  if (!IsType(srcInfo, CosDict) || !IsType(dstInfo, CosDict)) return;
  if (!CosDictKnown(srcInfo, key)) return;
  if (!overwrite && CosDictKnown(dstInfo, key)) return;
  CosDictPut(dstInfo, key, CloneObject(CosObjGetDoc(dstInfo), CosDictGet(srcInfo, key)));
}

void CloneInfoToMetadata(CosObj info, PDDoc doc, ASAtom key, const char* nameSpace, const char* prefix,
                         const char* name) {
  if (!MetadataAvailable() || !IsType(info, CosDict)) return;
  CosObj value = CosDictGet(info, key);
  ASText text = nullptr;
  if (IsType(value, CosString)) {
    ASSize_t length = 0;
    const char* bytes = CosStringValue(value, &length);
    text = ASTextFromSizedPDText(bytes, (ASInt32)length);
  } else if (IsType(value, CosName)) {
    const char* chars = ASAtomGetString(CosNameValue(value));
    text = ASTextFromEncoded(chars, ValidUTF8String(chars, -1) ? kASHostEncodingUTF8 : kASHostEncodingLatin1);
  } else {
    return;
  }
  HostTextHolder held(text), ns(nameSpace), pre(prefix), path(name);
  KGluePDDocSetXAPMetadataProperty(doc, ns.get(), pre.get(), path.get(), held.get());
}

void CloneMetaDataSourceToTarget(PDDoc source, PDDoc target, const char* nameSpace, const char* prefix,
                                 const char* name) {
  if (!MetadataAvailable()) return;
  HostTextHolder ns(nameSpace), pre(prefix), path(name);
  HostTextHolder from(KGluePDDocGetXAPMetadataProperty(source, ns.get(), path.get()));
  // Nothing to carry over: the target keeps what it has.
  if (!from.get()) return;
  HostTextHolder to(KGluePDDocGetXAPMetadataProperty(target, ns.get(), path.get()));
  if (to.get() && ASTextCmp(from.get(), to.get()) == 0) return;
  KGluePDDocSetXAPMetadataProperty(target, ns.get(), pre.get(), path.get(), from.get());
}

void FindAndChange(char* text, const char* find, const char* replacement) {
  if (!text || !find || !replacement) return;
  const size_t n = std::strlen(find);
  if (n == 0 || std::strlen(replacement) != n) return;
  for (char* at = std::strstr(text, find); at; at = std::strstr(at + n, find)) std::memcpy(at, replacement, n);
}

void MungeMetadataAfterPDDocCreate(PDDoc doc) {
  static ASInt16 hostMajor = 99;  // 99: not read yet
  if (hostMajor == 99) {
    ASInt16 minor = 0;
    AVAppGetVersion(&hostMajor, &minor);
  }
  if (hostMajor < 5) return;
  HostTextHolder packet(KGluePDDocGetXAPMetadata(doc));
  const char* utf8 = packet.get() ? ASTextGetUTF8(packet.get()) : nullptr;
  if (!utf8) return;
  std::string text(utf8);
  // A packet that declares the new prefix already keeps the old one: renaming
  // could give one element two declarations of the same prefix, which is no
  // XML any more. The old prefix with its namespace is valid XMP all the same.
  static const char* const basic[][2] = {
      {"<xap:", "<xmp:"}, {"</xap:", "</xmp:"}, {" xap:", " xmp:"}, {"xmlns:xap=", "xmlns:xmp="}};
  static const char* const mediaManagement[][2] = {
      {"<xapMM:", "<xmpMM:"}, {"</xapMM:", "</xmpMM:"}, {" xapMM:", " xmpMM:"}, {"xmlns:xapMM=", "xmlns:xmpMM="}};
  const bool renameBasic = text.find("xmlns:xmp=") == std::string::npos;
  const bool renameMediaManagement = text.find("xmlns:xmpMM=") == std::string::npos;
  // The order of the changes: each old spelling in turn, as the packet is read.
  if (renameBasic) FindAndChange(text.data(), basic[0][0], basic[0][1]);
  if (renameMediaManagement) FindAndChange(text.data(), mediaManagement[0][0], mediaManagement[0][1]);
  for (int i = 1; i < 4; ++i) {
    if (renameBasic) FindAndChange(text.data(), basic[i][0], basic[i][1]);
    if (renameMediaManagement) FindAndChange(text.data(), mediaManagement[i][0], mediaManagement[i][1]);
  }
  if (text == utf8) return;  // nothing to bring up to date: the document stays as it was
  HostTextHolder changed(text.c_str());
  KGluePDDocSetXAPMetadata(doc, changed.get());
}

ASBool PDFXImpositionDocumentSetting(PDDoc source, PDDoc target) {
  InitGlobalAtomTable();
  CosDoc sourceCos = PDDocGetCosDoc(source), targetCos = PDDocGetCosDoc(target);
  if (sourceCos != targetCos) {
    if (GetFilePDFXClassification(source) & kPDFXDeclaredInXMP)
      CloneMetaDataSourceToTarget(source, target, kXMPNamespacePDFXId, "pdfxid", "GTS_PDFXVersion");
    CosObj sourceInfo = InfoOf(source);
    CosObj targetInfo = TargetInfoFor(target, sourceInfo);
    static const struct {
      const char* key;
      ASBool overwrite;
    } infoKeys[] = {{"CreationDate", 0}, {"Creator", 0}, {"GTS_PDFXConformance", 1}, {"GTS_PDFXVersion", 1},
                    {"ModDate", 0},      {"Producer", 0}, {"Title", 0},              {"Trapped", 1}};
    for (const auto& k : infoKeys) CloneInfoSetting(sourceInfo, targetInfo, Key(k.key), k.overwrite);
    CloneInfoToMetadata(targetInfo, target, Key("Creator"), kXMPNamespaceXMP, "xmp", "CreatorTool");
    CloneInfoToMetadata(targetInfo, target, Key("GTS_PDFXVersion"), kXMPNamespacePDFXId, "pdfxid", "GTS_PDFXVersion");
    CloneInfoToMetadata(targetInfo, target, Key("Producer"), kXMPNamespacePDF, "pdf", "Producer");
    CloneInfoToMetadata(targetInfo, target, Key("Trapped"), kXMPNamespacePDF, "pdf", "Trapped");
    CloneMetaDataSourceToTarget(source, target, kXMPNamespaceXMPMM, "xmpMM", "RenditionClass");
    CloneMetaDataSourceToTarget(source, target, kXMPNamespaceXMPMM, "xmpMM", "VersionID");
  }
  CosObj sourceIntent = PDDocOutputIntent(source);
  if (IsType(sourceIntent, CosDict) && !OutputIntentsEqual(sourceIntent, PDDocOutputIntent(target))) {
    CosObj intents = CosDictGet(CosDocGetRoot(sourceCos), atom[K_OutputIntents]);
    CosDictPut(CosDocGetRoot(targetCos), atom[K_OutputIntents], CloneObject(targetCos, intents));
  }
  MungeMetadataAfterPDDocCreate(target);
  return 1;
}
