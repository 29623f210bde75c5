// Message spreadsheets as translators keep them: XML workbooks whose rows
// hold a message key and its texts.
#pragma once

#include <initializer_list>
#include <string>

namespace kvtest {

inline std::string SheetRow(std::initializer_list<const char*> cells) {
  std::string r = "<Row>";
  for (const char* c : cells) r += std::string("<Cell><Data ss:Type=\"String\">") + c + "</Data></Cell>";
  return r + "</Row>\n";
}

inline std::string Sheet(const std::string& rows) {
  return "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
         "<Worksheet ss:Name=\"Messages\"><Table>\n" +
         rows + "</Table></Worksheet></Workbook>\n";
}

}  // namespace kvtest
