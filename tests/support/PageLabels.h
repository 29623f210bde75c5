// Which fixture page is where: the text of each page's first string in its
// contents ("Page 3", "Tagged page 2"), in page order.
#pragma once

#include <string>
#include <vector>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "support/DocTestUtil.h"

namespace kvtest {

inline std::string PageLabel(PDDoc doc, ASInt32 n) {
  PDPage page = PDDocAcquirePage(doc, n);
  CosObj contents = PDPageGetCosContents(page);
  PDPageRelease(page);
  if (CosObjGetType(contents) != CosStream) return "?";
  std::string text = ReadStream(contents);
  size_t open = text.find('('), close = text.find(')', open);
  if (open == std::string::npos || close == std::string::npos) return "?";
  return text.substr(open + 1, close - open - 1);
}

inline std::vector<std::string> PageLabels(PDDoc doc) {
  std::vector<std::string> out;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) out.push_back(PageLabel(doc, i));
  return out;
}

}  // namespace kvtest
