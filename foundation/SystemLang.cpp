#include "foundation/SystemLang.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

struct RegionLang {
  ASInt32 region;
  const char* lang;
};

const RegionLang kRegions[] = {
    {0, "en"},  {2, "en"},  {15, "en"}, {82, "en"}, {108, "en"}, {1, "fr"},  {11, "fr"}, {18, "fr"},
    {91, "fr"}, {98, "fr"}, {3, "de"},  {19, "de"}, {92, "de"},  {4, "it"},  {5, "nl"},  {6, "nl"},
    {7, "sv"},  {8, "es"},  {86, "es"}, {87, "es"}, {9, "da"},   {10, "pt"}, {71, "pt"}, {12, "no"},
    {13, "iw"}, {14, "ja"}, {16, "ar"}, {20, "gr"}, {40, "gr"},  {64, "gr"}, {42, "pl"}, {49, "ru"},
    {51, "ko"}, {52, "zh"}, {53, "zh"},
};

// POSIX language codes to the region the plug-in's table knows them by.
struct LocaleRegion {
  const char* language;
  ASInt32 region;
};

const LocaleRegion kLocales[] = {
    {"en", 0},  {"fr", 1},  {"de", 3},  {"it", 4},  {"nl", 5},  {"sv", 7},  {"es", 8},
    {"da", 9},  {"pt", 10}, {"nb", 12}, {"nn", 12}, {"no", 12}, {"he", 13}, {"iw", 13},
    {"ja", 14}, {"ar", 16}, {"el", 20}, {"pl", 42}, {"ru", 49}, {"ko", 51}, {"zh", 52},
};

}  // namespace

ASInt32 SystemRegionCode() {
  const char* name = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) {
      name = v;
      break;
    }
  }
  if (!name || !std::strcmp(name, "C") || !std::strcmp(name, "POSIX") || !std::strncmp(name, "C.", 2)) return 0;
  size_t n = std::strcspn(name, "_.@");
  for (const LocaleRegion& l : kLocales) {
    if (std::strlen(l.language) == n && !std::strncmp(name, l.language, n)) {
      // Traditional Chinese has a region of its own.
      if (l.region == 52 && (!std::strncmp(name + n, "_TW", 3) || !std::strncmp(name + n, "_HK", 3))) return 53;
      return l.region;
    }
  }
  return -1;
}

const char* LanguageOfRegionCode(ASInt32 region) {
  for (const RegionLang& r : kRegions)
    if (r.region == region) return r.lang;
  return nullptr;
}

ASBool GetSystemLang(char* buffer, ASInt32 size, ASBool) {
  const char* lang = LanguageOfRegionCode(SystemRegionCode());
  if (!lang || !buffer || size < 1) return 0;
  std::strncpy(buffer, lang, (size_t)size - 1);
  buffer[size - 1] = 0;
  return 1;
}
