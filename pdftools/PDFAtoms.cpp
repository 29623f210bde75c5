#include "pdftools/PDFAtoms.h"

#include "host/ASAtom.h"

ASAtom atom[kGlobalAtomCount];
ASBool atomTableReady = 0;

namespace {

const char* const kNames[kGlobalAtomCount] = {
    "A", "AA", "AbsoluteColorimetric", "AcroForm", "AIS", "All", "Alternates", "Angle", "Annots", "AntiAlias",
    "ArtBox", "ASCIIHexDecode", "ASCII85Decode", "Background", "BaseEncoding", "BaseFont", "BBox", "BG", "BG2", "BitsPerComponent",
    "BitsPerCoordinate", "BitsPerFlag", "BitsPerSample", "Black", "BlackPoint", "BleedBox", "Blue", "Bounds", "BM", "BoxColorInfo",
    "BPC", "C", "C0", "C1", "ca", "CA", "CalGray", "CalRGB", "CCITTFaxDecode", "CharProcs",
    "CIDFontType0", "CIDFontType2", "cm", "CMYK", "Color", "Colorants", "ColorSpace", "Compatible", "Contents", "Coords",
    "CropBox", "CS", "Cyan", "D", "DCTDecode", "Decode", "DecodeParms", "Default", "Desc", "DescendantFonts",
    "DeviceCMYK", "DeviceColorant", "DeviceGray", "DeviceN", "DeviceRGB", "Differences", "Domain", "EF", "EmbeddedFile", "EmbeddedFiles",
    "Encode", "Encoding", "ExtGState", "Extend", "F", "FDecodeParms", "FFilter", "Filespec", "Filter", "FL",
    "FlateDecode", "Frequency", "Font", "FontDescriptor", "FontFile", "FontFile2", "FontFile3", "Form", "FormType", "Function",
    "Functions", "FunctionType", "G", "Gamma", "GoToR", "Gray", "Green", "Group", "H", "Height",
    "HalftoneName", "HalftoneType", "HT", "Hue", "I", "ID", "Identity", "ICCBased", "IM", "Image",
    "ImageB", "ImageC", "ImageI", "ImageMask", "Indexed", "Intent", "Interpolate", "JBIG2Decode", "JPXDecode", "K",
    "Kids", "Lab", "LC", "Limits", "Link", "Launch", "Length", "LJ", "Luminosity", "LW",
    "LZWDecode", "Magenta", "Mask", "Matrix", "MediaBox", "Metadata", "ML", "MMType1", "N", "Name",
    "Names", "NewWindow", "Next", "None", "Normal", "OC", "OCMD", "OP", "op", "OpenType",
    "OPI", "OPM", "Order", "OutputIntents", "Page", "Pages", "PaintType", "Parent", "Pattern", "PatternType",
    "PDF", "Perceptual", "ProcSet", "Properties", "PZ", "Range", "Red", "Ref", "RelativeColorimetric", "Resources",
    "RGB", "RI", "Rotate", "RunLengthDecode", "S", "SA", "Saturation", "Separation", "SeparationInfo", "Shading",
    "ShadingType", "Size", "SM", "SMask", "SMaskInData", "SpotFunction", "Subtype", "Tabs", "Tc", "Tf",
    "Tfname", "Tfs", "Text", "Thumb", "TilingType", "TK", "TL", "TLm", "Tm", "ToUnicode",
    "TR", "TR2", "TransferFunction", "Transparency", "TrimBox", "Tr", "TrueType", "Ts", "Tw", "Type",
    "Type0", "Type1", "Type1C", "Type3", "Tz", "UCR", "UCR2", "UserUnit", "Version", "VerticesPerRow",
    "VP", "WhitePoint", "WinAnsiEncoding", "XObject", "W", "Widget", "Width", "XML", "XStep", "Yellow",
    "YStep",
};

}  // namespace

void InitGlobalAtomTable() {
  if (atomTableReady) return;
  // The flag goes up only after the last slot: a raise half-way fills again next time.
  for (ASInt32 i = 0; i < kGlobalAtomCount; ++i) atom[i] = ASAtomFromString(kNames[i]);
  atomTableReady = 1;
}

const char* GlobalAtomName(ASInt32 slot) { return slot >= 0 && slot < kGlobalAtomCount ? kNames[slot] : nullptr; }
