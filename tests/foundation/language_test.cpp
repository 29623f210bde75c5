#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/Language.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/ASExtension.h"
#include "host/AVAlert.h"
#include "host/HostTables.h"
#include "platform/Pf.h"
#include "support/EnglishMessages.h"
#include "support/TempDir.h"

namespace {

struct Prefs {
  kvtest::TempDir dir;
  Prefs() { ASHostSetPreferencesFolder(dir.path().c_str()); }
  ~Prefs() { ASHostSetPreferencesFolder(nullptr); }
};

}  // namespace

TEST(Language, StoredChoice) {
  Prefs prefs;
  char lang[8] = "junk", folder[8] = "junk";
  GetUserLang(nullptr, lang, sizeof lang, folder, sizeof folder);
  EXPECT_STREQ("", lang);
  EXPECT_STREQ("", folder);
  EXPECT_TRUE(SetUserLang(nullptr, "fr"));
  EXPECT_TRUE(SetMessageDirFolder(nullptr, "*/home/msgs/very/long/path"));
  GetUserLang(nullptr, lang, sizeof lang, folder, sizeof folder);
  EXPECT_STREQ("fr", lang);
  EXPECT_STREQ("*/home/", folder) << "cut to the buffer";
}

TEST(Language, HostLanguageByEitherCall) {
  HostRegisterFunctionTables();
  struct Case {
    const char* host;
    const char* lang;
  };
  const Case cases[] = {{"ENU", "en"}, {"DEU", "de"}, {"PTB", "pt-br"}, {"CHT", "zh-tw"}, {"XYZ", nullptr}};
  for (ASInt16 major : {9, 5}) {
    ASHostVersionSet(major, 0);
    for (const Case& c : cases) {
      AVAppSetLanguage(c.host);
      char buf[8] = "";
      EXPECT_EQ(c.lang != nullptr, (bool)GetApplicationLang(buf, sizeof buf)) << c.host << " on " << major;
      if (c.lang) {
        EXPECT_STREQ(c.lang, buf);
      }
    }
  }
  AVAppSetLanguage(nullptr);
  ASHostVersionSet(9, 0);
}
