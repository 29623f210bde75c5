#include <cstring>
#include <string>

#include "host/AV.h"

namespace {

std::string gLanguage = "ENU";

struct Pair {
  const char* host;
  const char* lang;
};
const Pair kPairs[] = {{"CHS", "zh-cn"}, {"CHT", "zh-tw"}, {"DAN", "da"}, {"NLD", "nl"}, {"ENU", "en"},
                       {"SUO", "fi"},    {"FRA", "fr"},    {"DEU", "de"}, {"ITA", "it"}, {"JPN", "ja"},
                       {"NOR", "no"},    {"PTB", "pt-br"}, {"ESP", "es"}, {"SVE", "sv"}, {"KOR", "ko"},
                       {"POR", "pt"}};

}  // namespace

void AVAppGetLanguage(char* buffer) {
  if (!buffer) return;
  std::strncpy(buffer, gLanguage.c_str(), 3);
  buffer[3] = 0;
}

void AVAppSetLanguage(const char* code) { gLanguage = code && *code ? std::string(code).substr(0, 3) : "ENU"; }

ASBool AVAppGetLanguageWithParams(AVAppLanguageParamsRec* params) {
  if (!params || params->size < sizeof(AVAppLanguageParamsRec) || params->kind != 0) return 0;
  for (const Pair& p : kPairs)
    if (gLanguage == p.host) {
      std::strncpy(params->language, p.lang, sizeof params->language - 1);
      params->language[sizeof params->language - 1] = 0;
      return 1;
    }
  return 0;
}
