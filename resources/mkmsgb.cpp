// Builds the plug-in's message resources from the message text files:
// the control resource (one "language<TAB>id" line per language) and one
// packed message resource per language ("*", the unpacked length in eight
// characters, three unused bytes, then a zlib stream of the key<TAB>text lines).
//
// usage: kv_mkmsgb OUT_DIR CONTROL_ID LANG=ID=FILE ...
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  *out = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
  return (bool)out;
}

// Keeps key<TAB>text lines; drops blank lines and "#" comments; every kept
// line ends with a line feed so that the last one is read too.
std::string MessageLines(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUT_DIR CONTROL_ID LANG=ID=FILE ...\n", argv[0]);
    return 2;
  }
  std::string outDir = argv[1];
  std::string control;
  for (int i = 3; i < argc; ++i) {
    std::string spec = argv[i];
    size_t a = spec.find('='), b = spec.find('=', a + 1);
    if (a == std::string::npos || b == std::string::npos) {
      std::fprintf(stderr, "bad language spec %s\n", spec.c_str());
      return 2;
    }
    std::string lang = spec.substr(0, a), id = spec.substr(a + 1, b - a - 1), file = spec.substr(b + 1);
    std::string text;
    if (!ReadFile(file, &text)) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    std::string lines = MessageLines(text);
    uLongf packedSize = compressBound((uLong)lines.size());
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(lines.data()), (uLong)lines.size(),
                  Z_BEST_COMPRESSION) != Z_OK) {
      std::fprintf(stderr, "cannot compress %s\n", file.c_str());
      return 1;
    }
    char head[13];
    std::snprintf(head, sizeof head, "*%8zu   ", lines.size());
    std::string resource(head, 12);
    resource.append(reinterpret_cast<const char*>(packed.data()), packedSize);
    if (!WriteFile(outDir + "/" + id, resource)) return 1;
    control += lang + "\t" + id + "\n";
  }
  return WriteFile(outDir + "/" + argv[2], control) ? 0 : 1;
}
