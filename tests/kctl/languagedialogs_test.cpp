// The language dialog: its list and what it stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/ASExtension.h"
#include "host/AVAlert.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlAutomation.h"
#include "kctl/LanguageDialogs.h"
#include "platform/Pf.h"
#include "support/EnglishMessages.h"
#include "support/TempDir.h"

namespace {

struct Prefs {
  kvtest::TempDir dir;
  Prefs() { ASHostSetPreferencesFolder(dir.path().c_str()); }
  ~Prefs() { ASHostSetPreferencesFolder(nullptr); }
};

std::string StoredLang() {
  char lang[32], folder[64];
  GetUserLang(nullptr, lang, sizeof lang, folder, sizeof folder);
  return lang;
}

// A table holding en, de (native name Deutsch) and xx (native name English).
SMessageTable* ThreeLanguages() {
  SMessageTable* t = NewMessageTable(ASAtomFromString("en"));
  AddMessageCopy("common.languagename.native", "English", t, 0);
  SetMessageTableCurrentLang(t, ASAtomFromString("de"), 1);
  AddMessageCopy("common.languagename.native", "Deutsch", t, 0);
  SetMessageTableCurrentLang(t, ASAtomFromString("xx"), 1);
  AddMessageCopy("common.languagename.native", "English", t, 0);
  SetMessageTableCurrentLang(t, ASAtomFromString("yy"), 1);
  AddMessageCopy("other.key", "no native name", t, 0);
  SetMessageTableCurrentLang(t, ASAtomFromString("empty"), 1);
  SetMessageTableCurrentLangDefault(t);
  return t;
}

std::vector<std::string> PulldownTexts(SKCtlDialog* d) {
  std::vector<std::string> texts;
  for (SKCtlElem* e = d->chainFirst; e; e = e->nextInChain)
    if (e->type == kKCtlPulldown)
      KCtlForEachListItem(
          e->itemList,
          [](SKCab* item, void* data) -> ASBool {
            static_cast<std::vector<std::string>*>(data)->push_back(KCabGetString(item, "S"));
            return 1;
          },
          &texts);
  return texts;
}

}  // namespace

TEST(Language, DialogListsNativeNamesOrCodes) {
  kvtest::LoadEnglishMessages();
  SMessageTable* t = ThreeLanguages();
  SKCtlDialog* d = NewChangeLanguageDialog(t, 1);
  std::vector<std::string> texts = PulldownTexts(d);
  ASSERT_EQ(5u, texts.size());
  EXPECT_EQ(GetMessageFromTableByKey(gSystemMessageTable, "prefs.lang.default"), texts[0]);
  EXPECT_EQ("English (en)", texts[1]);
  EXPECT_EQ("Deutsch (de)", texts[2]);
  EXPECT_EQ("xx", texts[3]) << "English claimed by another language is not believed";
  EXPECT_EQ("yy", texts[4]) << "no native name: the code";
  KCtlDestroyDialog(d);
  DestroyMessageTable(t);
}

// Atoms are 32 bits wide: a language made after the first 65535 atoms is
// listed as any other; only the null atom names none.
TEST(Language, ALanguageWithALargeAtomIsListed) {
  kvtest::LoadEnglishMessages();
  for (int i = 0; ASAtomGetCount() <= 0x10000; ++i) ASAtomFromString(("language.filler." + std::to_string(i)).c_str());
  ASAtom high = ASAtomFromString("zz-high");
  ASSERT_GT(high, ASAtomNull);
  SMessageTable* t = NewMessageTable(ASAtomFromString("en"));
  AddMessageCopy("common.languagename.native", "English", t, 0);
  SetMessageTableCurrentLang(t, high, 1);
  AddMessageCopy("common.languagename.native", "Hochsprache", t, 0);
  SetMessageTableCurrentLangDefault(t);
  SKCtlDialog* d = NewChangeLanguageDialog(t, 0);
  EXPECT_EQ((std::vector<std::string>{"English (en)", "Hochsprache (zz-high)"}), PulldownTexts(d));
  KCtlDestroyDialog(d);
  DestroyMessageTable(t);
}

TEST(Language, RunLangUIStoresOnlyAChange) {
  Prefs prefs;
  kvtest::LoadEnglishMessages();
  PfResetAll();
  AVAlertRecordStart();
  SMessageTable* t = ThreeLanguages();
  SKCab* answers = KCabNewInner();
  KCabPutAtom(answers, "0:Lang", ASAtomFromString("de"));
  KCtlAutomationStart(answers, 0);
  EXPECT_TRUE(RunLangUI(t, 123, nullptr, 1, nullptr));
  EXPECT_EQ("de", StoredLang());
  KCtlAutomationStop();
  KCtlAutomationStart(answers, 0);
  EXPECT_FALSE(RunLangUI(t, 123, nullptr, 1, nullptr)) << "the stored language again changes nothing";
  KCtlAutomationStop();
  KCabPutAtom(answers, "0:Lang", ASAtomFromString("Default"));
  KCtlAutomationStart(answers, 0);
  EXPECT_TRUE(RunLangUI(t, 123, nullptr, 1, nullptr));
  EXPECT_EQ("", StoredLang()) << "Default stores the empty choice";
  KCtlAutomationStop();
  KCabDestroy(answers);
  DestroyMessageTable(t);
  AVAlertRecordStop();
  PfResetAll();
}
