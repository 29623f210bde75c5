// PDF/X: which version a document declares (document information, XMP), how
// two documents' PDF/X settings disagree, the trim box PDF/X asks of every
// page, and carrying a source document's PDF/X information, XMP properties
// and output intents over into an imposed document.
//
// Missing or wrongly typed entries are no errors: they read as no
// declaration, as "Unknown" or as not equal. XMP is read and written only on
// hosts of major version above 5.
#pragma once

#include "host/Cos.h"
#include "host/PD.h"

// 1 carries PDF/X over into imposed documents and marks stored command
// histories as PDF/X (the preferences set it; 0 by default).
extern ASInt32 gPDFXMode;

// The declared version: one value, tested as a bit where classes are grouped.
enum EPDFXClassification : ASInt32 {
  kPDFXNone = 0,
  kPDFX1a2001 = 1,  // "PDF/X-1:2001" with conformance "PDF/X-1a:2001"
  kPDFX1a2003 = 2,
  kPDFX32002 = 4,
  kPDFX32003 = 8,
  kPDFX4 = 16,
  kPDFX4p = 32,
  kPDFX5g = 64,
  kPDFX5n = 128,
  kPDFX5pg = 256,
  kPDFXUnknown = 32768  // a version string that is none of the above
};
// The versions that are declared in XMP too.
constexpr ASInt32 kPDFXDeclaredInXMP = 0x1F0;

// The bits of PDFXImpositionValidation(A, B).
enum : ASInt32 {
  kPDFXNeitherDeclares = 1,     // returned alone
  kPDFXOnlyBDeclares = 2,
  kPDFXOnlyADeclares = 4,       // and B is not an empty document
  kPDFXUnknownVersion = 8,      // A's version string is unknown
  kPDFXIncompatible = 16,
  kPDFXIntentMismatch = 32,
  kPDFXTrappedMismatch = 64     // and B's "Trapped" is not "Unknown"
};

// The XMP schemas handled here.
extern const char* const kXMPNamespacePDFXId;  // prefix "pdfxid"
extern const char* const kXMPNamespaceXMP;     // prefix "xmp"
extern const char* const kXMPNamespacePDF;     // prefix "pdf"
extern const char* const kXMPNamespaceXMPMM;   // prefix "xmpMM"

EPDFXClassification GetFilePDFXClassification(PDDoc doc);
// The disagreements of A and B as bits, 0 when everything agrees.
ASInt32 PDFXImpositionValidation(PDDoc a, PDDoc b);
// Gives an imposed page a "TrimBox" (its crop box, else its media box) unless
// it has a trim box or an art box. Always true.
ASBool PDFXImpositionPageSetting(PDPage page);
// Carries the source's PDF/X information, XMP properties and output intents
// over into the imposed document. Always true.
ASBool PDFXImpositionDocumentSetting(PDDoc source, PDDoc target);
// Brings the XMP prefixes "xap" and "xapMM" of a new document up to "xmp" and
// "xmpMM" (in place, same lengths). A packet that declares a new prefix
// already keeps the old one of that schema.
void MungeMetadataAfterPDDocCreate(PDDoc doc);

// No page has "Contents", "Resources", "Annots" or "AA".
ASBool EmptyFileCandidateForPDFX(PDDoc doc);
// The Info "Trapped" name, or the atom "Unknown".
ASAtom PDDocTrappedValue(PDDoc doc);
// The first output intent of the catalog that is a PDF/X one, or a null object.
CosObj PDDocOutputIntent(PDDoc doc);
ASBool OutputIntentsEqual(CosObj a, CosObj b);

// dst[key] = a clone of src[key] when src has it, unless dst has it and
// overwrite is false.
void CloneInfoSetting(CosObj srcInfo, CosObj dstInfo, ASAtom key, ASBool overwrite);
// Sets the XMP property (nameSpace, prefix, name) of doc from info[key] (a
// string or a name).
void CloneInfoToMetadata(CosObj info, PDDoc doc, ASAtom key, const char* nameSpace, const char* prefix,
                         const char* name);
// Copies an XMP property from source to target when the target has none or
// a different one.
void CloneMetaDataSourceToTarget(PDDoc source, PDDoc target, const char* nameSpace, const char* prefix,
                                 const char* name);
// Replaces every occurrence of find in text, in place; replacement must be as
// long as find (otherwise nothing changes).
void FindAndChange(char* text, const char* find, const char* replacement);
