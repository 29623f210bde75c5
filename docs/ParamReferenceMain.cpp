// Writes docs/parameters.md from the command definitions:
//   kvparamdoc SOURCE_DIR [OUTPUT]   (OUTPUT absent: standard output)
// The command names and kinds come from the English message texts, read as
// the plug-in reads them.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "commands/ParamTables.h"
#include "foundation/MessageTable.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kvparamdoc SOURCE_DIR [OUTPUT]\n");
    return 2;
  }
  InitSystemMessageTable();
  std::ifstream messages(std::string(argv[1]) + "/resources/messages/en.txt");
  if (!messages) {
    std::fprintf(stderr, "kvparamdoc: cannot read %s/resources/messages/en.txt\n", argv[1]);
    return 1;
  }
  std::string line;
  while (std::getline(messages, line)) {
    size_t tab = line.find('\t');
    if (tab != std::string::npos)
      AddMessageCopy(line.substr(0, tab).c_str(), line.c_str() + tab + 1, gSystemMessageTable, 1);
  }
  const std::string text = ParamReferenceMarkdown();
  if (argc == 2) {
    std::cout << text;
    return 0;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << text;
  if (!out) {
    std::fprintf(stderr, "kvparamdoc: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
