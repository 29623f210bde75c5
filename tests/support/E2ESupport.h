// What end-to-end tests read back: a cabinet as the XML text kvhost reads,
// and the page texts of a PDF in order (through pdftotext).
#pragma once

#include <string>

#include "support/CabinetXML.h"
#include "support/Shell.h"

namespace kvtest {

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
