// What end-to-end tests read back: a cabinet as the XML text kvhost reads,
// and the page texts of a PDF in order (through pdftotext).
#pragma once

#include <cstring>
#include <string>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/Shell.h"

namespace kvtest {

inline std::string CabXML(SKCab* cab) {
  ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
  std::string text((size_t)need + 1, '\0');
  ASInt32 got = 0;
  WriteKCabToXMLBuffer(text.data(), need + 1, cab, &got);
  text.resize(std::strlen(text.c_str()));
  return text;
}

// Blank-separated ("Page 3 Page 2 Page 1").
inline std::string PageTexts(const std::string& pdf) {
  ShellOutcome r = Shell("pdftotext -layout " + pdf + " -");
  std::string words;
  for (char c : r.out) {
    bool space = c == '\n' || c == '\f' || c == ' ';
    if (space) {
      if (!words.empty() && words.back() != ' ') words += ' ';
    } else {
      words += c;
    }
  }
  while (!words.empty() && words.back() == ' ') words.pop_back();
  return words;
}

}  // namespace kvtest
