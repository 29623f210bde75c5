#!/usr/bin/python3
"""Writes pdftools/BaseFontWidths.cpp: the widths of the fourteen standard
fonts laid out by character code under the standard, Mac Roman and Windows
ANSI encodings.

The widths come from the metric-compatible AFM files of Debian's
fonts-urw-base35 package; glyph names for the Mac and Windows code pages come
from Python's codecs and the Adobe glyph list of python3-fonttools. Neither
package is needed to build: the generated file is kept in the repository.

    scripts/gen_base_font_widths.py [AFM_DIR] > pdftools/BaseFontWidths.cpp
"""
import codecs
import os
import sys

from fontTools.agl import LEGACY_AGL2UV, UV2AGL

AFM_DIR = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/fonts/type1/urw-base35"

# Font code -> AFM file, in the order of EBaseFontCode.
FONTS = [
    ("Times-Roman", "NimbusRoman-Regular"),
    ("Times-Bold", "NimbusRoman-Bold"),
    ("Times-Italic", "NimbusRoman-Italic"),
    ("Times-BoldItalic", "NimbusRoman-BoldItalic"),
    ("Helvetica", "NimbusSans-Regular"),
    ("Helvetica-Bold", "NimbusSans-Bold"),
    ("Helvetica-Oblique", "NimbusSans-Italic"),
    ("Helvetica-BoldOblique", "NimbusSans-BoldItalic"),
    ("Courier", "NimbusMonoPS-Regular"),
    ("Courier-Bold", "NimbusMonoPS-Bold"),
    ("Courier-Oblique", "NimbusMonoPS-Italic"),
    ("Courier-BoldOblique", "NimbusMonoPS-BoldItalic"),
    ("Symbol", "StandardSymbolsPS"),
    ("ZapfDingbats", "D050000L"),
]
# Symbol and ZapfDingbats have their own encoding under every code page.
SYMBOLIC = {"Symbol", "ZapfDingbats"}
# Where the URW glyphs differ from the published metrics of the fonts they
# stand in for: the fraction slash of the sans family and the mathematical
# signs the published text fonts carry (Mac Roman reaches them).
_SERIF_LIGHT = {"notequal": 549, "lessequal": 549, "greaterequal": 549, "partialdiff": 476, "summation": 600,
                "radical": 453, "Delta": 612, "lozenge": 471}
_SERIF_BOLD = dict(_SERIF_LIGHT, partialdiff=494, radical=549, lozenge=494)
CORRECTIONS = {
    "Times-Roman": _SERIF_LIGHT,
    "Times-Bold": _SERIF_BOLD,
    "Times-Italic": _SERIF_LIGHT,
    "Times-BoldItalic": _SERIF_BOLD,
    "Helvetica": {"fraction": 167, "summation": 600},
    "Helvetica-Bold": {"fraction": 167, "summation": 600},
    "Helvetica-Oblique": {"fraction": 167, "summation": 600},
    "Helvetica-BoldOblique": {"fraction": 167, "summation": 600},
}
# Characters the URW symbol font gives a code that the published one leaves
# without: the Apple logo.
UNENCODED = {"Symbol": {"apple"}}
# Glyphs URW adds that the published text fonts do not have: their Mac Roman
# codes have no character there.
ABSENT = {"infinity", "product", "pi", "integral", "Omega", "Omegagreek", "uni03A9", "approxequal"}


def read_afm(path, corrections, unencoded=()):
    """(code -> width by the font's own encoding, name -> width)."""
    by_code, by_name = {}, {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            if not line.startswith("C "):
                continue
            fields = dict(
                part.strip().split(None, 1) for part in line.split(";") if part.strip() and " " in part.strip()
            )
            code, width, name = int(fields["C"]), int(fields["WX"]), fields["N"]
            if name in ABSENT and corrections is not None:
                continue
            width = (corrections or {}).get(name, width)
            by_name[name] = width
            if 0 <= code < 256 and name not in unencoded:
                by_code[code] = width
    return by_code, by_name


def names_of(uv):
    """Glyph names that may stand for a Unicode value, the preferred first."""
    names = [UV2AGL[uv]] if uv in UV2AGL else []
    names += sorted(n for n, v in LEGACY_AGL2UV.items() if uv in v and n not in names)
    return names + ["uni%04X" % uv]


def code_page(codec, overrides):
    """code -> candidate glyph names."""
    out = {}
    for code in range(32, 256):
        if code in overrides:
            out[code] = [overrides[code]]
            continue
        try:
            ch = bytes([code]).decode(codec)
        except UnicodeDecodeError:
            continue
        if ord(ch) >= 32 and ord(ch) != 127:
            out[code] = names_of(ord(ch))
    return out


def width_of(by_name, candidates):
    for name in candidates or ():
        if name in by_name:
            return by_name[name]
    return 0


# Windows ANSI as PDF readers lay it out: the codes Windows leaves unused show
# the bullet, and so does 128 (written before the euro sign had a code).
WINDOWS = code_page(
    "cp1252",
    {160: "space", 173: "hyphen", **{c: "bullet" for c in (127, 128, 129, 141, 143, 144, 157)}},
)
# Mac Roman as PDF's MacRomanEncoding has it: the currency sign at 219.
MAC = code_page("mac_roman", {202: "space", 219: "currency"})


def table(rows):
    out = []
    for font, widths in rows:
        out.append("    // %s" % font)
        for start in range(0, 256, 16):
            out.append("    " + ", ".join("%d" % w for w in widths[start : start + 16]) + ",")
    return "\n".join(out)


def main():
    standard, mac, windows = [], [], []
    for font, afm in FONTS:
        by_code, by_name = read_afm(os.path.join(AFM_DIR, afm + ".afm"), None if font in SYMBOLIC else CORRECTIONS.get(font, {}),
                                   UNENCODED.get(font, ()))
        own = [by_code.get(c, 0) for c in range(256)]
        standard.append((font, own))
        if font in SYMBOLIC:
            mac.append((font, own))
            windows.append((font, own))
        else:
            mac.append((font, [width_of(by_name, MAC.get(c)) for c in range(256)]))
            windows.append((font, [width_of(by_name, WINDOWS.get(c)) for c in range(256)]))
    print("// Generated by scripts/gen_base_font_widths.py from the URW base 35 metrics: do not edit.")
    print('#include "pdftools/DocCache.h"')
    print()
    for name, rows in (("baseFontWidths", standard), ("baseFontWidthsMac", mac), ("baseFontWidthsWindows", windows)):
        print("const ASInt16 %s[kBaseFontTableFonts * 256] = {" % name)
        print(table(rows))
        print("};")
        print()


main()
