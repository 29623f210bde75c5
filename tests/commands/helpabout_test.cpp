// The help centre and the about box, driven headless: web addresses with
// their placeholders filled and escaped, the manuals beside the plug-in
// opened once each, the logo drawn from the bundle's PDF resource and
// forgotten when the host closes its internal documents.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "commands/HelpAbout.h"
#include "commands/Prefs.h"
#include "foundation/ProductName.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MemFileSys.h"
#include "foundation/MessageTable.h"
#include "frame/KVCommands.h"
#include "frame/PlugIn.h"
#include "host/ASExtension.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "host/HostTables.h"
#include "host/Notify.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/PDFCtl.h"
#include "platform/Pf.h"
#include "support/PfTestSupport.h"
#include "support/TempDir.h"

namespace {

using kvtest::PfDump;
using kvtest::PfText;

PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
std::string T(const char* key) { return kvtest::Text(key); }
bool HasCaption(const char* key) { return PfDriverItemByCaption(Front(), T(key).c_str()) != 0; }
void Press(const char* key) { ASSERT_TRUE(PfDriverPressButton(Front(), T(key).c_str())) << key; }
std::string Title() {
  const char* title = PfGetWindowTitleUTF8(PfGetDialogWindow(Front()));
  return title ? title : "";
}
std::vector<std::string> Launched() {
  std::vector<std::string> urls;
  for (int32_t i = 0; i < PfLaunchedURLCount(); ++i) urls.push_back(PfLaunchedURL(i));
  return urls;
}

// ---- texts and addresses (no dialog)

TEST(HelpTexts, ValuesAreEscapedByteByByteWithinTheirRoom) {
  struct Case {
    std::string value;
    size_t size;
    std::string escaped;
  } cases[] = {
      {"a b/c", 200, "a%20b%2fc"},
      {"\x5A\x95\x5F\x2D", 200, "Z%95_%2d"},
      {"Mac OS 10.4.9", 200, "Mac%20OS%2010.4.9"},
      {"abc", 4, "abc"},     // a plain byte needs itself and the NUL
      {"abcd", 4, "abc"},
      {" x", 4, "%20"},      // an escaped one needs three and the NUL
      {"a b", 4, "a"},       // escaping stops at the first byte that does not fit
      {"", 1, ""},
  };
  for (const Case& c : cases) {
    char out[200];
    EscapeURLValue(c.value.c_str(), out, c.size);
    EXPECT_EQ(c.escaped, out) << c.value << " in " << c.size;
  }
}

TEST(HelpTexts, SubstitutionsCutToTheirRoom) {
  char out[16];
  EXPECT_EQ(1, TextSubstitute("one <x> two <x>", out, sizeof out, "<x>", "1"));
  EXPECT_STREQ("one 1 two <x>", out) << "the first occurrence only";
  EXPECT_EQ(0, TextSubstitute("nothing here", out, sizeof out, "<x>", "1"));
  EXPECT_STREQ("nothing here", out);
  EXPECT_EQ(1, TextSubstitute("<x>tail", out, sizeof out, "<x>", "a-long-replacement"));
  EXPECT_STREQ("a-long-replacem", out) << "each part cut to the room left";
  EXPECT_EQ(0, TextSubstitute("0123456789012345678<x>", out, sizeof out, "<x>", "1"))
      << "an occurrence beyond the room is not replaced";

  EXPECT_EQ(1, GlobalTextSubstitute("<x>+<x>=<y>", out, sizeof out, "<x>", "2"));
  EXPECT_STREQ("2+2=<y>", out);
  EXPECT_EQ(1, GlobalTextSubstitute("aXa", out, sizeof out, "a", "aa"));
  EXPECT_STREQ("aaXaa", out) << "a replacement is not searched again";
  std::strcpy(out, "untouched");
  EXPECT_EQ(0, GlobalTextSubstitute("abc", out, sizeof out, "", "z"));
  EXPECT_STREQ("untouched", out);
}

TEST(HelpTexts, WebAddressesWorthAButton) {
  struct Case {
    const char* text;
    bool worth;
  } cases[] = {{"https://x", true}, {"http://", true}, {"htxxxxx", true}, {"http:/", false},
               {"ftp://example", false}, {"Http://example", false}, {"", false}};
  for (const Case& c : cases) EXPECT_EQ(c.worth, UrlStringSpecified(c.text) != 0) << c.text;
  EXPECT_FALSE(UrlStringSpecified(nullptr));
}

TEST(HelpTexts, PlaceholdersAreFilledEveryTimeTheyOccur) {
  PfResetAll();
  EXPECT_TRUE(LaunchURLWithSubstitution("x?a=<v>&b=<v>&c=<w>", "<v>", "1 2", "<w>", "<v>", nullptr));
  ASSERT_EQ(1u, Launched().size());
  EXPECT_EQ("x?a=1%202&b=1%202&c=%3cv%3e", Launched()[0]);
  // A value that holds its own placeholder ends (one pass).
  EXPECT_TRUE(LaunchURLWithSubstitution("p=ab", "ab", "ab", nullptr));
  EXPECT_EQ("p=ab", Launched()[1]);
  PfResetAll();
}

TEST(HelpTexts, VersionTexts) {
  PfResetAll();
  char text[100];
  GetOSVersion(text, sizeof text);
  EXPECT_STREQ("Mac OS 10.4.9", text);
  PfGestaltSet(PfMakeFourCC("sys2"), 6, true);
  PfGestaltSet(PfMakeFourCC("sys3"), 12, true);
  GetOSVersion(text, sizeof text);
  EXPECT_STREQ("Mac OS 10.6.12", text);
  PfResetAll();

  ASHostVersionSet(9, 0x0102);
  GetAcrobatVersionString(text, sizeof text);
  EXPECT_STREQ(" Acrobat Standard 9.1.2", text);
  ASHostVersionSet(5, 0);
  GetAcrobatVersionString(text, sizeof text);
  EXPECT_STREQ(" Acrobat 5.0.0", text);
  ASHostVersionSet(9, 0);
  GetProductVersionAndStatusString(text, sizeof text);
  EXPECT_STREQ("004:03.0.9.004:0100", text);
}

// ---- dialogs, in the plug-in's frame

class HelpAbout : public ::testing::Test {
 protected:
  void SetUp() override {
    PfResetAll();
    PfBundleSetResourcesFolder(kvtest::PlugInSession::BundleResources().c_str());
    kvtest::LoadMessages();
    InitKVCommands(0);
    AVAlertRecordStart();
    ASHostVersionSet(9, 0);
    SetMemResourceFetchProc(KVFetchPluginResource);
    bundle_ = std::string(KV_TEST_BUILD_DIR) + "/plugins/kv3";
    gPluginBundle = bundle_.c_str();
    gKVClassic = 0;
    gHideWebPageAccess = 0;
  }
  void TearDown() override {
    EXPECT_EQ(0, MacLiveDialogCount());
    AVAlertRecordStop();
    gPluginBundle = nullptr;
    SetMemResourceFetchProc(nullptr);
  }

  // Runs call with the steps answering its dialogs; the steps all run.
  template <typename F>
  auto Drive(std::vector<std::function<void()>> steps, F call) {
    kvtest::PfScript script;
    for (auto& s : steps) script.Then(s);
    auto result = call();
    EXPECT_EQ(0u, script.pending()) << "every step ran";
    return result;
  }

  static std::vector<std::string> Alerts() { return kvtest::RecordedAlerts(); }

  kvtest::PlugInSession session_;
  std::string bundle_;
};

TEST_F(HelpAbout, TheHelpCentreOffersWhatTheTextsAndPreferencesAllow) {
  struct Seen {
    bool guide, manual, web, upgrade, home, about, external;
  };
  auto look = [&](Seen* seen) {
    return [seen] {
      *seen = {HasCaption("dlg.help.10"), HasCaption("dlg.help.15"), HasCaption("dlg.help.30"),
               HasCaption("dlg.help.40"),  HasCaption("dlg.help.50"), HasCaption("dlg.help.70"),
               PfDriverItemById(Front(), kHelpExternalId) != 0};
      EXPECT_EQ(T("dlg.help.title"), Title());
      Press("common.button.close");
    };
  };
  Seen plain{}, hidden{}, older{};
  EXPECT_TRUE(Drive({look(&plain)}, StartHelpCentre));
  EXPECT_TRUE(plain.guide && plain.manual && plain.web && plain.upgrade && plain.home && plain.about)
      << plain.guide << plain.manual << plain.web << plain.upgrade << plain.home << plain.about;
  EXPECT_FALSE(plain.external) << "the separate-window box is for hosts 6 and 7";

  gHideWebPageAccess = 1;
  Drive({look(&hidden)}, StartHelpCentre);
  EXPECT_TRUE(hidden.guide && hidden.about);
  EXPECT_FALSE(hidden.web || hidden.upgrade || hidden.home) << "web access hidden by the preferences";
  gHideWebPageAccess = 0;

  ASHostVersionSet(7, 0);
  Drive({look(&older)}, StartHelpCentre);
  EXPECT_TRUE(older.external);
  EXPECT_TRUE(Launched().empty());
}

TEST_F(HelpAbout, AWebButtonLaunchesItsAddressAndCloses) {
  EXPECT_TRUE(Drive({[] { Press("dlg.help.30"); }}, StartHelpCentre));
  ASSERT_EQ(1u, Launched().size());
  EXPECT_EQ("https://korvel.invalid/velmora/help?product=Korvel%20Velmora%203&v=004%3a03.0.9.004%3a0100&lang=en",
            Launched()[0]);

  // An address that sends the system's version asks first; no keeps the
  // help centre open.
  EXPECT_TRUE(Drive({[] { Press("dlg.help.40"); },
                     [] {
                       EXPECT_NE(std::string::npos, PfDump(Front()).find("korvel.invalid")) << "names the host";
                       EXPECT_NE(std::string::npos, PfDump(Front()).find("Mac OS 10.4.9 Acrobat Standard 9.0.0"));
                       Press("common.button.cancel");
                     },
                     [] {
                       EXPECT_EQ(T("dlg.help.title"), Title()) << "still open";
                       Press("dlg.help.40");
                     },
                     [] { Press("common.button.ok"); }},
                    StartHelpCentre));
  ASSERT_EQ(2u, Launched().size());
  EXPECT_EQ("https://korvel.invalid/velmora/upgrade?v=004%3a03.0.9.004%3a0100&lang=en&os=Mac%20OS%2010.4.9%20Acrobat%"
            "20Standard%209.0.0",
            Launched()[1]);
}

TEST_F(HelpAbout, AManualOpensOnceAndAgainAfterItWasClosed) {
  ASInt32 docs = AVAppGetNumDocs();
  EXPECT_TRUE(Drive({[] { Press("dlg.help.10"); }}, StartHelpCentre));
  ASSERT_NE(nullptr, gettingStartedAVDoc);
  EXPECT_EQ(docs + 1, AVAppGetNumDocs());
  EXPECT_EQ(gettingStartedAVDoc, AVAppGetActiveDoc());
  EXPECT_FALSE(AVDocIsHelp(gettingStartedAVDoc)) << "help documents of their own are for hosts below 8";
  char path[1000];
  FillManualFileName(path, sizeof path, kManualGettingStarted, nullptr);
  EXPECT_EQ(bundle_ + " gs en.pdf", path) << "beside the plug-in";

  // Chosen again: the open one comes to the front on its first page.
  AVPageViewGoTo(AVDocGetPageView(gettingStartedAVDoc), 1);
  AVDoc first = gettingStartedAVDoc;
  session_.OpenDocument("other.pdf", 2);
  EXPECT_TRUE(Drive({[] { Press("dlg.help.10"); }}, StartHelpCentre));
  EXPECT_EQ(first, gettingStartedAVDoc);
  EXPECT_EQ(first, AVAppGetActiveDoc());
  EXPECT_EQ(0, AVPageViewGetPageNum(AVDocGetPageView(first)));
  EXPECT_EQ(docs + 2, AVAppGetNumDocs()) << "no second copy";

  // Closed in the host: the next choice opens it again.
  AVDocClose(first, 1);
  EXPECT_EQ(nullptr, gettingStartedAVDoc);
  EXPECT_TRUE(Drive({[] { Press("dlg.help.15"); }}, StartHelpCentre));
  EXPECT_NE(nullptr, onlineGuideAVDoc);
  EXPECT_EQ(1, OpenKVManual(0, kManualGettingStarted, nullptr));
  EXPECT_NE(nullptr, gettingStartedAVDoc);
  EXPECT_TRUE(Alerts().empty()) << ::testing::PrintToString(Alerts());
}

TEST_F(HelpAbout, OnOlderHostsAManualOpensAsAHelpDocumentWhenAsked) {
  ASHostVersionSet(7, 0);
  HostRegisterFunctionTables();
  EXPECT_TRUE(Drive({[] {
                      PfDriverSetChecked(Front(), PfDriverItemById(Front(), kHelpExternalId), true);
                      Press("dlg.help.15");
                    }},
                    StartHelpCentre));
  ASSERT_NE(nullptr, onlineGuideAVDoc);
  EXPECT_TRUE(AVDocIsHelp(onlineGuideAVDoc));
  SKCab* last = LoadKVParameters("Last:Help");
  ASSERT_NE(nullptr, last);
  EXPECT_TRUE(KCabGetBool(last, "External", 0)) << "the box is remembered";
  KCabDestroy(last);
  std::string file = kvtest::ReadWholeFile(session_.settings("kv3.xml"));
  EXPECT_NE(std::string::npos, file.find("External"));
  EXPECT_EQ(std::string::npos, file.find("OpenType")) << "the choice of one opening is not";
}

TEST_F(HelpAbout, AMissingManualOffersEnglishThenReports) {
  // A plug-in whose folder holds only the English getting-started guide.
  std::string lonely = session_.prefs() + "/plugins/lonely";
  std::filesystem::create_directories(lonely);
  std::filesystem::copy_file(bundle_ + " gs en.pdf", lonely + " gs en.pdf");
  gPluginBundle = lonely.c_str();
  SetMessageTableCurrentLang(gSystemMessageTable, ASAtomFromString("de"), 1);

  AVAlertQueueAnswer(1);
  EXPECT_EQ(kKCtlCallBackCommitTerminate, ManualButton(nullptr, kManualGettingStarted)) << "English accepted";
  AVAlertQueueAnswer(2);
  EXPECT_EQ(kKCtlCallBackStop, ManualButton(nullptr, kManualGettingStarted)) << "English declined";
  EXPECT_EQ(kKCtlCallBackStop, ManualButton(nullptr, kManualFull)) << "no manual at all: nothing offered";
  std::vector<std::string> alerts = Alerts();
  ASSERT_EQ(4u, alerts.size());
  EXPECT_NE(std::string::npos, alerts[0].find(T("uiimp.2.guide.missing.2")));
  EXPECT_NE(std::string::npos, alerts[1].find(T("uiimp.2.guide.missing.2")));
  EXPECT_NE(std::string::npos, alerts[2].find(T("uiimp.2.guide.missing.1")));
  EXPECT_NE(std::string::npos, alerts[3].find(T("uiimp.2.guide.missing.1")));

  AVAlertClearRecorded();
  EXPECT_EQ(0, OpenKVManual(0, kManualFull, "en"));
  ASSERT_EQ(1u, Alerts().size());
  EXPECT_NE(std::string::npos, Alerts()[0].find(lonely + " gd en.pdf")) << "the path is named";
  EXPECT_EQ(nullptr, onlineGuideAVDoc);
  SetMessageTableCurrentLang(gSystemMessageTable, ASAtomFromString("en"), 0);
}

TEST_F(HelpAbout, AMissingManualIsNamedOnlyWithTheFirstTwoModifierKeys) {
  gPluginBundle = "/nowhere/kv3";
  struct Case {
    ASUns32 modifiers;
    bool named;
  } cases[] = {{0, false},
               {AV_COMMAND, false},
               {AV_OPTION | AV_SHIFT, false},
               {AV_COMMAND | AV_OPTION, true},
               {AV_COMMAND | AV_OPTION | AV_SHIFT, true}};
  for (const Case& c : cases) {
    AVAlertClearRecorded();
    AVSysSetModifiers(c.modifiers);
    EXPECT_FALSE(KVManualExists(kManualFull, "en"));
    std::vector<std::string> alerts = Alerts();
    ASSERT_EQ(c.named ? 1u : 0u, alerts.size()) << c.modifiers;
    if (c.named) {
      EXPECT_NE(std::string::npos, alerts[0].find("/nowhere/kv3 gd en.pdf not found")) << alerts[0];
    }
  }
  AVSysSetModifiers(0);
}

TEST_F(HelpAbout, TheAboutBoxShowsTheLogoAndItsPages) {
  bool logoSet = false;
  std::string title, more;
  ASBool ok = Drive({[&] {
                       title = Title();
                       SPDFCtlInfo* logo = FindPDFCtlInfo(MacFindActiveDialogFromHandle(Front()), kRobotLogoId);
                       logoSet = logo && !CosObjEqual(logo->object, CosNewNull()) && logo->drawMode == kPDFCtlFit;
                       Press("dlg.abt.10");
                     },
                     [&] {
                       more = PfDump(Front());
                       Press("common.button.ok");
                     },
                     [&] { Press("dlg.abt.7"); }},
                    AboutOk);
  EXPECT_TRUE(ok);
  EXPECT_EQ("About " + std::string(CurrentProductString(kProductFullName)), title);
  EXPECT_TRUE(logoSet) << "the logo form is in the preview control";
  EXPECT_TRUE(AboutLogoCached());
  EXPECT_NE(std::string::npos, more.find(T("dlg.more.4") + __DATE__)) << more;
  EXPECT_EQ(std::string::npos, more.find(T("dlg.more.5"))) << "no path on hosts above 5";

  // Cancelled; then the host closes its internal documents and the logo goes.
  EXPECT_FALSE(Drive({[] { Press("common.button.cancel"); }}, AboutOk));
  AVAppFireNotification(AVAppWillCloseAllInternalDocsNSEL, nullptr);
  EXPECT_FALSE(AboutLogoCached());
  EXPECT_TRUE(Drive({[] { Press("dlg.abt.7"); }}, AboutOk));
  EXPECT_TRUE(AboutLogoCached()) << "opened afresh";
  EXPECT_TRUE(Alerts().empty()) << ::testing::PrintToString(Alerts());
}

TEST_F(HelpAbout, ALogoThatCannotBeMadeIsReportedAndNotKept) {
  // A logo resource that opens but has no page to make the form from.
  std::string resources = session_.prefs() + "/Resources";
  std::filesystem::create_directories(resources + "/PDF");
  kvtest::WriteWholeFile(resources + "/PDF/174",
                         "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                         "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                         "trailer << /Root 1 0 R >>\n%%EOF\n");
  PfBundleSetResourcesFolder(resources.c_str());
  ASInt32 files = ASFileOpenCount();
  for (int showing = 0; showing < 2; ++showing) {
    AVAlertClearRecorded();
    EXPECT_TRUE(Drive({[] { Press("dlg.abt.7"); }}, AboutOk));
    EXPECT_FALSE(AboutLogoCached()) << "a half-made logo is not kept";
    EXPECT_EQ(files, ASFileOpenCount()) << "the logo document is closed again";
    EXPECT_EQ(1u, Alerts().size()) << "reported each time: " << ::testing::PrintToString(Alerts());
  }
}

TEST_F(HelpAbout, OnOldHostsTheMorePageNamesThePlugIn) {
  ASHostVersionSet(5, 0);
  std::string more;
  Drive({[] { Press("dlg.abt.10"); },
         [&] {
           more = PfDump(Front());
           PfDriverPressEscape();
         },
         [] { Press("dlg.abt.7"); }},
        AboutOk);
  EXPECT_NE(std::string::npos, more.find(T("dlg.more.5") + bundle_)) << more;
}

TEST_F(HelpAbout, InClassicModeThePictureStandsInForTheLogo) {
  gKVClassic = 1;
  bool preview = true;
  EXPECT_TRUE(Drive({[&] {
                      preview = FindPDFCtlInfo(MacFindActiveDialogFromHandle(Front()), kRobotLogoId) != nullptr;
                      Press("dlg.abt.7");
                    }},
                    AboutOk));
  EXPECT_FALSE(preview);
  EXPECT_FALSE(AboutLogoCached()) << "no PDF opened";
  gKVClassic = 0;
}

TEST_F(HelpAbout, HelpAndAboutLeadToEachOther) {
  // About -> help, cancelled: back to the about page.
  std::vector<std::string> titles;
  auto note = [&] { titles.push_back(Title()); };
  EXPECT_TRUE(Drive({[&] {
                       note();
                       Press("dlg.abt.9");
                     },
                     [&] {
                       note();
                       PfDriverPressEscape();
                     },
                     [&] {
                       note();
                       Press("dlg.abt.7");
                     }},
                    AboutOk));
  ASSERT_EQ(3u, titles.size());
  EXPECT_EQ(T("dlg.help.title"), titles[1]);
  EXPECT_EQ(titles[0], titles[2]) << "the about page again";

  // Help -> about: the about box opens after the help centre closed.
  titles.clear();
  EXPECT_TRUE(Drive({[&] {
                       note();
                       Press("dlg.help.70");
                     },
                     [&] {
                       note();
                       Press("dlg.abt.7");
                     }},
                    StartHelpCentre));
  ASSERT_EQ(2u, titles.size());
  EXPECT_EQ("About " + std::string(CurrentProductString(kProductFullName)), titles[1]);
  std::string file = kvtest::ReadWholeFile(session_.settings("kv3.xml"));
  EXPECT_FALSE(file.empty()) << "the help centre's settings are stored";
  EXPECT_EQ(std::string::npos, file.find("About")) << "dotted keys stay out of the settings file";
}

}  // namespace
