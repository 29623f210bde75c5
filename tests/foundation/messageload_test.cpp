#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/MessageLoad.h"
#include "foundation/MessageTable.h"
#include "platform/PfResource.h"
#include "support/MessageCapture.h"
#include "support/Spreadsheets.h"
#include "support/TempDir.h"

namespace {

struct Table {
  SMessageTable* t;
  explicit Table(const char* lang = "en") : t(NewMessageTable(ASAtomFromString(lang))) {}
  ~Table() { DestroyMessageTable(t); }
  std::string get(const char* key, const char* lang = nullptr) {
    return lang ? GetMessageFromTableByKeyAndLang(t, key, ASAtomFromString(lang)) : GetMessageFromTableByKey(t, key);
  }
};

// A bundle Resources folder of the test's own.
struct Bundle {
  kvtest::TempDir dir;
  std::string saved = PfBundleGetResourcesFolder();
  Bundle() {
    std::filesystem::create_directories(dir.file("MSGB"));
    PfBundleSetResourcesFolder(dir.path().c_str());
  }
  ~Bundle() { PfBundleSetResourcesFolder(saved.c_str()); }
  void put(int id, const std::string& bytes) { kvtest::WriteWholeFile(dir.file("MSGB/" + std::to_string(id)), bytes); }
};

std::string Packed(const std::string& lines, long statedLength) {
  uLongf n = compressBound((uLong)lines.size());
  std::vector<unsigned char> z(n);
  compress(z.data(), &n, reinterpret_cast<const Bytef*>(lines.data()), (uLong)lines.size());
  char head[13];
  std::snprintf(head, sizeof head, "*%8ld   ", statedLength);
  return std::string(head, 12) + std::string(reinterpret_cast<const char*>(z.data()), n);
}

}  // namespace

TEST(MessageLoad, PlainLines) {
  Table t;
  std::string lines = "common.ok\tDone\n\tstarts with a tab\nno tab here\nx.y\tkept\r\nlast\tno line feed";
  EXPECT_TRUE(ReadMessageLinesFromBuffer(lines.data(), (ASInt32)lines.size(), t.t));
  EXPECT_EQ("Done", t.get("common.ok"));
  EXPECT_EQ("kept\r", t.get("x.y")) << "a carriage return before the line feed stays in the text";
  EXPECT_EQ("last", t.get("last")) << "a last line without a line feed is not read";
}

// A key is kept whole up to the longest a key may be; a longer one is not cut
// into another key, it is skipped and the load reports a problem.
TEST(MessageLoad, KeysUpToTheLongestAreKeptWholeLongerOnesSkipped) {
  struct Case {
    size_t length;
    bool kept;
  };
  for (const Case& c : {Case{39, true}, Case{40, true}, Case{41, false}, Case{45, false}}) {
    SCOPED_TRACE(c.length);
    Table t;
    std::string key = "k." + std::string(c.length - 2, 'x');
    std::string lines = key + "\tlong key\nother\tfine\n";
    EXPECT_EQ(c.kept, (bool)ReadMessageLinesFromBuffer(lines.data(), (ASInt32)lines.size(), t.t));
    EXPECT_EQ(c.kept ? "long key" : key, t.get(key.c_str()));
    for (size_t cut : {39u, 40u}) {
      if (cut < c.length) {
        EXPECT_FALSE(KnownMessageInTableByKey(t.t, key.substr(0, cut).c_str())) << "cut to " << cut;
      }
    }
    EXPECT_EQ("fine", t.get("other")) << "the lines after it are read";
  }
}

TEST(MessageLoad, PackedLines) {
  std::string lines = "a.b\tpacked text\n";
  Table t;
  std::string good = Packed(lines, (long)lines.size());
  EXPECT_TRUE(ReadMessageLinesFromBuffer2(good.data(), (ASInt32)good.size(), t.t));
  EXPECT_EQ("packed text", t.get("a.b"));

  kvtest::MessageCapture capture;
  Table u;
  std::string shortOne = Packed(lines.substr(0, lines.size() - 1), (long)lines.size());
  EXPECT_FALSE(ReadMessageLinesFromBuffer2(shortOne.data(), (ASInt32)shortOne.size(), u.t));
  EXPECT_EQ("a.b", u.get("a.b")) << "nothing is added";
  for (long bad : {2L, 1000001L}) {
    std::string s = Packed(lines, bad);
    EXPECT_FALSE(ReadMessageLinesFromBuffer2(s.data(), (ASInt32)s.size(), u.t));
  }
  std::string truncated = good.substr(0, 15);
  EXPECT_FALSE(ReadMessageLinesFromBuffer2(truncated.data(), (ASInt32)truncated.size(), u.t));
  EXPECT_EQ(4u, capture.Count("Korvel error: message data has been damaged"));
}

TEST(MessageLoad, ControlResourceChoosesLanguages) {
  Bundle bundle;
  bundle.put(123, "en\t1001\nde\t1002\n");
  bundle.put(1001, Packed("common.button.ok\tOK\n", 20));
  bundle.put(1002, "common.button.ok\tJa\n");
  {
    Table t("xx");
    EXPECT_TRUE(ReadMessagesFromControlResource(123, "fr", t.t));
    EXPECT_EQ(ASAtomFromString("en"), GetMessageTableCurrentLang(t.t)) << "an unknown request falls back to en";
    EXPECT_EQ("OK", t.get("common.button.ok"));
    EXPECT_FALSE(MessageTableLangKnown(t.t, ASAtomFromString("de")));
  }
  {
    Table t("xx");
    EXPECT_TRUE(ReadMessagesFromControlResource(123, nullptr, t.t));
    EXPECT_EQ(ASAtomFromString("xx"), GetMessageTableCurrentLang(t.t)) << "the current language stays";
    EXPECT_EQ("OK", t.get("common.button.ok", "en"));
    EXPECT_EQ("Ja", t.get("common.button.ok", "de"));
  }
  {
    Table t;
    EXPECT_TRUE(ReadMessagesFromControlResource(999, "en", t.t)) << "no resource is no failure";
    kvtest::MessageCapture capture;
    bundle.put(124, "garbage\n");
    EXPECT_FALSE(ReadMessagesFromControlResource(124, nullptr, t.t));
    EXPECT_EQ(1u, capture.Count("Error parsing message control"));
  }
}

TEST(MessageLoad, TheBuildsOwnResourcesCarryTheEnglishTexts) {
  const char* build = KV_TEST_BUILD_DIR;
  std::string saved = PfBundleGetResourcesFolder();
  PfBundleSetResourcesFolder((std::string(build) + "/plugins/kv3/Resources").c_str());
  Table t("none");
  EXPECT_TRUE(ReadMessagesFromControlResource(123, "en", t.t));
  std::string ok = t.get("common.button.ok");
  EXPECT_FALSE(ok.empty());
  EXPECT_NE("common.button.ok", ok);
  PfBundleSetResourcesFolder(saved.c_str());
}

namespace {
using kvtest::Sheet;
std::string Row(std::initializer_list<const char*> cells) { return kvtest::SheetRow(cells); }
}  // namespace

TEST(MessageLoad, Spreadsheets) {
  kvtest::TempDir dir;
  std::filesystem::create_directories(dir.file("msgs/en"));
  std::filesystem::create_directories(dir.file("msgs/fr"));
  kvtest::WriteWholeFile(dir.file("msgs/en/a.XML"),
                         Sheet(Row({"menu.x", "TRANSLATE", "Hello"}) + Row({"menu.y", "Hi", "  TRANSLATE"}) +
                               Row({"* notes", "ignored"}) + Row({" ", "blank"})));
  kvtest::WriteWholeFile(dir.file("msgs/fr/b.xml"), Sheet(Row({"menu.x", "Bonjour"})));
  kvtest::WriteWholeFile(dir.file("msgs/fr/notes.txt"), "not a sheet");
  Table t;
  kvtest::MessageCapture capture;
  EXPECT_TRUE(ReadAllXMLSpreadsheetsFromDir(dir.file("msgs").c_str(), t.t, 1));
  EXPECT_EQ("Hello", t.get("menu.x", "en"));
  EXPECT_EQ("Hi", t.get("menu.y", "en"));
  EXPECT_EQ("Bonjour", t.get("menu.x", "fr"));
  ASSERT_FALSE(capture.messages().empty());
  EXPECT_EQ(0u, capture.messages().back().text.rfind("Message memory = ", 0));
  EXPECT_EQ(kAutoMessageNote, capture.messages().back().type) << "a note for the translator, no error";

  // Folders that give no texts at all are no successful load: nothing there,
  // sheets outside a language folder, language folders empty or without a
  // sheet.
  std::filesystem::create_directories(dir.file("empty"));
  std::filesystem::create_directories(dir.file("files"));
  kvtest::WriteWholeFile(dir.file("files/a.xml"), Sheet(Row({"menu.x", "no language"})));
  kvtest::WriteWholeFile(dir.file("plain"), "a file");
  std::filesystem::create_directories(dir.file("bare/en"));
  std::filesystem::create_directories(dir.file("nosheet/en/sub.xml"));
  kvtest::WriteWholeFile(dir.file("nosheet/en/notes.txt"), "not a sheet");
  for (const char* name : {"missing", "empty", "files", "plain", "bare", "nosheet"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(MessageFolderUsable(dir.file(name).c_str()));
    EXPECT_FALSE(ReadAllXMLSpreadsheetsFromDir(dir.file(name).c_str(), t.t, 1));
  }
  EXPECT_TRUE(MessageFolderUsable(dir.file("msgs").c_str()));
  // One empty language folder beside a good one is a language that failed.
  std::filesystem::create_directories(dir.file("msgs/de"));
  EXPECT_TRUE(MessageFolderUsable(dir.file("msgs").c_str()));
  EXPECT_FALSE(ReadAllXMLSpreadsheetsFromDir(dir.file("msgs").c_str(), t.t, 1));
  EXPECT_EQ("Bonjour", t.get("menu.x", "fr")) << "the good languages are read all the same";

  kvtest::WriteWholeFile(dir.file("bad.xml"), Sheet(Row({"bad key!", "x"}) + Row({"ok.key", "fine"})));
  EXPECT_FALSE(ReadXMLSpreadsheetMessagesFromDoc(dir.file("bad.xml").c_str(), t.t, 1));
  EXPECT_EQ("fine", t.get("ok.key"));
  kvtest::WriteWholeFile(dir.file("noworkbook.xml"), "<Other/>");
  EXPECT_FALSE(ReadXMLSpreadsheetMessagesFromDoc(dir.file("noworkbook.xml").c_str(), t.t, 1));
  EXPECT_FALSE(ReadXMLSpreadsheetMessagesFromDoc(dir.file("missing.xml").c_str(), t.t, 1));
}
