// The byte classes of the content-stream syntax and the operator table.
#include "pdftools/PDFStatement.h"

// 16 byte values a row.
const unsigned char gPDFCharClass[256] = {
    1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 0, 0, 0, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0, 2,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

// The classifier's trie, each child list before the list that points at it.
static const SPDFVerbNode kAfter_BD[] = {
    {'C', 6, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_BM[] = {
    {'C', 8, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_B[] = {
    {'*', 5, nullptr},
    {'D', 0, kAfter_BD},
    {'I', 7, nullptr},
    {'M', 0, kAfter_BM},
    {'T', 9, nullptr},
    {'X', 10, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_C[] = {
    {'S', 14, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_D[] = {
    {'P', 19, nullptr},
    {'o', 18, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_EM[] = {
    {'C', 21, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_E[] = {
    {'I', 20, nullptr},
    {'M', 0, kAfter_EM},
    {'T', 22, nullptr},
    {'X', 23, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_I[] = {
    {'D', 32, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_M[] = {
    {'P', 40, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_R[] = {
    {'G', 46, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_SC[] = {
    {'N', 52, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_S[] = {
    {'C', 50, kAfter_SC},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_T[] = {
    {'*', 65, nullptr},
    {'D', 55, nullptr},
    {'J', 58, nullptr},
    {'L', 59, nullptr},
    {'c', 53, nullptr},
    {'d', 54, nullptr},
    {'f', 56, nullptr},
    {'j', 57, nullptr},
    {'m', 60, nullptr},
    {'r', 61, nullptr},
    {'s', 62, nullptr},
    {'w', 63, nullptr},
    {'z', 64, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_W[] = {
    {'*', 69, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_b[] = {
    {'*', 4, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_c[] = {
    {'m', 12, nullptr},
    {'s', 13, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_d[] = {
    {'0', 16, nullptr},
    {'1', 17, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_f[] = {
    {'*', 26, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_g[] = {
    {'s', 29, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_r[] = {
    {'e', 44, nullptr},
    {'g', 45, nullptr},
    {'i', 73, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_sc[] = {
    {'n', 51, nullptr},
    {0, 0, nullptr},
};
static const SPDFVerbNode kAfter_s[] = {
    {'c', 49, kAfter_sc},
    {'h', 74, nullptr},
    {0, 0, nullptr},
};
const SPDFVerbNode lookup_main[] = {
    {'"', 72, nullptr},
    {'\'', 71, nullptr},
    {'B', 3, kAfter_B},
    {'C', 0, kAfter_C},
    {'D', 0, kAfter_D},
    {'E', 0, kAfter_E},
    {'F', 25, nullptr},
    {'G', 28, nullptr},
    {'I', 0, kAfter_I},
    {'J', 34, nullptr},
    {'K', 36, nullptr},
    {'M', 39, kAfter_M},
    {'Q', 43, nullptr},
    {'R', 0, kAfter_R},
    {'S', 48, kAfter_S},
    {'T', 0, kAfter_T},
    {'W', 68, kAfter_W},
    {'b', 2, kAfter_b},
    {'c', 11, kAfter_c},
    {'d', 15, kAfter_d},
    {'f', 24, kAfter_f},
    {'g', 27, kAfter_g},
    {'h', 30, nullptr},
    {'i', 31, nullptr},
    {'j', 33, nullptr},
    {'k', 35, nullptr},
    {'l', 37, nullptr},
    {'m', 38, nullptr},
    {'n', 41, nullptr},
    {'q', 42, nullptr},
    {'r', 0, kAfter_r},
    {'s', 47, kAfter_s},
    {'v', 66, nullptr},
    {'w', 67, nullptr},
    {'y', 70, nullptr},
    {0, 0, nullptr},
};

namespace {

// Indexed by code; 0 and 1 have no text.
const char* const kVerbTexts[kPDFVerbCount] = {
    nullptr, nullptr, "b",  "B",  "b*", "B*", "BDC", "BI", "BMC", "BT", "BX", "c",  "cm", "cs", "CS", "d",
    "d0",    "d1",    "Do", "DP", "EI", "EMC", "ET", "EX", "f",   "F",  "f*", "g",  "G",  "gs", "h",  "i",
    "ID",    "j",     "J",  "k",  "K",  "l",  "m",   "M",  "MP",  "n",  "q",  "Q",  "re", "rg", "RG", "s",
    "S",     "sc",    "SC", "scn", "SCN", "Tc", "Td", "TD", "Tf", "Tj", "TJ", "TL", "Tm", "Tr", "Ts", "Tw",
    "Tz",    "T*",    "v",  "w",  "W",  "W*", "y",   "'",  "\"",  "ri", "sh",
};

}  // namespace

EPDFVerb ClassifyPDFVerb(const char* text) {
  if (!text || !*text) return kPDFVerbNone;
  const SPDFVerbNode* list = lookup_main;
  for (;;) {
    const SPDFVerbNode* node = list;
    while (node->c && node->c != *text) ++node;
    if (!node->c) return kPDFVerbUnknown;
    if (!*++text) return (EPDFVerb)node->code;
    list = node->child;
    if (!list) return kPDFVerbUnknown;
  }
}

const char* PDFVerbText(ASInt32 code) { return code >= 0 && code < kPDFVerbCount ? kVerbTexts[code] : nullptr; }
