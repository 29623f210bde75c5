// Named actions: categories and actions in the named-action store, their
// statistics, playing them back, and stores written by someone else.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "foundation/KCab.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "support/MessageCapture.h"

namespace {

ASAtom A(const char* text) { return ASAtomFromString(text); }

// A one-command list of the test command key.
SKCab* OneCommand(const char* key, const char* uiMode = "None") {
  SKCab* list = KCabNewInner();
  KCabPutAtom(list, "Category", A("OneCommand_V1"));
  KCabPutAtom(list, "UIMode", A(uiMode));
  KCabPutAtom(list, "Command", A(key));
  KCabPutCab(list, "Params", KCabNewInner());
  return list;
}

class NamedActions : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    kvtest::InstallTestModules(true, false);
    InitKVCommands(0);
    kvtest::Calls().clear();
  }
  void TearDown() override { kvtest::ResetStatusBox(); }

  SKCab* Memory() { return KVMemoryGetCategoryCollectionCopy(); }

  PDDoc OpenDocument(int pages) { return session_.OpenDocument("doc.pdf", pages); }

  kvtest::PlugInSession session_;
};

TEST_F(NamedActions, CategoriesByKeyOrByName) {
  SKCab* empty = Memory();
  EXPECT_TRUE(KCabIsEmpty(empty));
  KCabDestroy(empty);
  EXPECT_FALSE(KVMemoryCategoryExistsByKey(A("Nup")));

  EXPECT_EQ(A("Nup"), KVMemoryAddCategory(A("Nup"), "Nup", 1));
  SKCab* memory = Memory();
  EXPECT_EQ(A("KVCatCollection_V1"), KCabGetAtom(memory, "Category", ASAtomNull)) << "written with the first one";
  EXPECT_STREQ("Nup", KCabGetString(memory, "Nup:Name"));
  EXPECT_EQ(A("KVCmdCollection_V1"), KCabGetAtom(memory, "Nup:Category", ASAtomNull));
  EXPECT_TRUE(KCabGetBool(memory, "Nup:System", 0));
  EXPECT_EQ(kKCabTypeCab, KCabGetType(memory, "Nup:Item"));
  KCabDestroy(memory);
  EXPECT_TRUE(KVMemoryCategoryExistsByKey(A("Nup")));

  ASAtom mine = KVMemoryAddCategory(ASAtomNull, "Mine", 0);
  EXPECT_STREQ("0", ASAtomGetString(mine)) << "filed under the next free number";
  EXPECT_EQ(mine, KVMemoryAddCategory(ASAtomNull, "Mine", 0)) << "a category of the same name is replaced";
  EXPECT_STREQ("1", ASAtomGetString(KVMemoryAddCategory(ASAtomNull, "Other", 0)));
  memory = Memory();
  EXPECT_FALSE(KCabKnown(memory, "0:System"));
  KCabDestroy(memory);

  // Keys that name no single category entry are filed by name.
  ASAtom odd = KVMemoryAddCategory(A("Category"), "Category", 0);
  EXPECT_NE(A("Category"), odd);
  memory = Memory();
  EXPECT_EQ(A("KVCatCollection_V1"), KCabGetAtom(memory, "Category", ASAtomNull));
  KCabDestroy(memory);

  EXPECT_EQ(A("Shuffle"), KVMemoryGetOrAddCategoryByKeyAndName(A("Shuffle"), "Shuffle", 1));
  KVMemoryAddItem2(A("Shuffle"), "kept", OneCommand("Shuffle"), nullptr);
  EXPECT_EQ(A("Shuffle"), KVMemoryGetOrAddCategoryByKeyAndName(A("Shuffle"), "Shuffle", 1));
  EXPECT_TRUE(KVMemoryItemExists(A("Shuffle"), "kept")) << "an existing category is left as it is";
}

TEST_F(NamedActions, ActionsByNameReplacedInPlace) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "two up", OneCommand("Nup"), nullptr);
  KVMemoryAddItem2(A("Nup"), "four up", OneCommand("Nup"), nullptr);
  EXPECT_STREQ("0", ASAtomGetString(KVMemoryGetItemInternalKey(A("Nup"), "two up")));
  EXPECT_STREQ("1", ASAtomGetString(KVMemoryGetItemInternalKey(A("Nup"), "four up")));
  EXPECT_EQ(ASAtomNull, KVMemoryGetItemInternalKey(A("Nup"), "six up"));

  SKCab* replacement = OneCommand("Nup", "Full");
  KCabPutStringCopy(replacement, "Stats:Created", "D:20010203040506");
  KVMemoryAddItem2(A("Nup"), "two up", replacement, nullptr);
  EXPECT_STREQ("0", ASAtomGetString(KVMemoryGetItemInternalKey(A("Nup"), "two up"))) << "keeps its key";
  SKCab* list = KVMemoryGetItemCopy(A("Nup"), "two up");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(A("Full"), KCabGetAtom(list, "UIMode", ASAtomNull));
  EXPECT_STREQ("D:20010203040506", KCabGetString(list, "Stats:Created")) << "a creation date is kept";
  KCabDestroy(list);
  list = KVMemoryGetItemCopy(A("Nup"), "four up");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(0, std::strncmp("D:20", KCabGetString(list, "Stats:Created"), 4)) << "else dated now";
  KCabDestroy(list);

  SKCab* items = KVMemoryGetItemCollectionCopy(A("Nup"));
  ASSERT_NE(nullptr, items);
  EXPECT_STREQ("two up", KCabGetString(items, "0:Name"));
  EXPECT_STREQ("four up", KCabGetString(items, "1:Name"));
  KCabDestroy(items);

  KVMemoryAddItem2(A("Shuffle"), "lost", OneCommand("Shuffle"), nullptr);
  EXPECT_FALSE(KVMemoryItemExists(A("Shuffle"), "lost")) << "no category, nothing added";
  EXPECT_EQ(nullptr, KVMemoryGetItemCollectionCopy(A("Shuffle")));
  EXPECT_EQ(nullptr, KVMemoryGetItemCopy(A("Nup"), "six up"));

  KVMemoryDeleteItem(A("Nup"), "two up");
  EXPECT_FALSE(KVMemoryItemExists(A("Nup"), "two up"));
  EXPECT_TRUE(KVMemoryItemExists(A("Nup"), "four up"));
  KVMemoryDeleteItem(A("Nup"), "two up");
  KVMemoryDeleteItem(A("Shuffle"), "lost");
  EXPECT_TRUE(KVMemoryItemExists(A("Nup"), "four up"));

  // Every change went to the file at once.
  EXPECT_TRUE(std::filesystem::exists(session_.settings("kvplusmemory3.xml")));
}

TEST_F(NamedActions, ACheckedOutMemoryIsUsedAsGiven) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  SKCab* memory = KCabNewInner();
  KCabPutCab(memory, "Nup", KCabNewInner());
  KVMemoryAddItem2(A("Nup"), "given", OneCommand("Nup"), memory);
  EXPECT_STREQ("given", KCabGetString(memory, "Nup:Item:0:Name")) << "an \"Item\" collection is made when missing";
  EXPECT_FALSE(KVMemoryItemExists(A("Nup"), "given")) << "the store is the caller's business then";
  KCabDestroy(memory);
}

TEST_F(NamedActions, ActionNamesByKey) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "Größe", OneCommand("Nup"), nullptr);
  ASAtom key = KVMemoryGetItemInternalKey(A("Nup"), "Größe");
  struct Case {
    size_t size;
    bool ok;
    const char* name;
  };
  for (const Case& c : {Case{100, true, "Größe"}, Case{4, true, "Gr"}, Case{5, true, "Grö"}, Case{1, true, ""},
                        Case{0, false, ""}}) {
    char buffer[100];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(c.ok, KVMemoryItemNameFromKey(A("Nup"), key, buffer, c.size) != 0) << c.size;
    if (c.size > 0) {
      EXPECT_STREQ(c.name, buffer) << c.size;
    }
  }
  char buffer[10];
  EXPECT_FALSE(KVMemoryItemNameFromKey(A("Nup"), A("7"), buffer, sizeof buffer));
  EXPECT_FALSE(KVMemoryItemNameFromKey(A("Shuffle"), key, buffer, sizeof buffer));
  EXPECT_FALSE(KVMemoryItemNameFromKey(A("Nup"), key, nullptr, 10));
}

TEST_F(NamedActions, PlayingCountsAndDates) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "mine", OneCommand("Nup"), nullptr);
  for (int expected : {1, 2}) {
    KVMemoryMarkItemPlayed(A("Nup"), "mine");
    SKCab* list = KVMemoryGetItemCopy(A("Nup"), "mine");
    EXPECT_EQ(expected, KCabGetInt(list, "Stats:Count", 0));
    EXPECT_NE(nullptr, KCabGetString(list, "Stats:Updated"));
    KCabDestroy(list);
  }
  KVMemoryMarkItemPlayed(A("Nup"), "nobody");  // nothing to mark
  EXPECT_FALSE(KVMemoryItemExists(A("Nup"), "nobody"));
}

TEST_F(NamedActions, AStoredCountIsNeverTrustedToBeSmall) {
  std::filesystem::create_directories(session_.settings(""));
  struct Case {
    const char* what;
    ASInt32 count;
    bool asString;
    ASInt32 expected;
  };
  for (const Case& c : {Case{"the largest count", INT32_MAX, false, INT32_MAX}, Case{"a negative one", -5, false, 1},
                        Case{"a word", 0, true, 1}}) {
    SKCab* list = OneCommand("Nup");
    if (c.asString) KCabPutStringCopy(list, "Stats:Count", "many");
    else KCabPutInt(list, "Stats:Count", c.count);
    KVMemoryAddCategory(A("Nup"), "Nup", 1);
    KVMemoryAddItem2(A("Nup"), "mine", list, nullptr);
    KVMemoryMarkItemPlayed(A("Nup"), "mine");
    SKCab* played = KVMemoryGetItemCopy(A("Nup"), "mine");
    EXPECT_EQ(c.expected, KCabGetInt(played, "Stats:Count", 0)) << c.what;
    KCabDestroy(played);
  }
}

TEST_F(NamedActions, AStoreOfWrongTypesAnswersNothingAndBreaksNothing) {
  std::filesystem::create_directories(session_.settings(""));
  SKCab* file = KCabNewInner();
  KCabPutStringCopy(file, "Memory:Nup", "not a category");
  KCabPutStringCopy(file, "Memory:Shuffle:Item", "not a collection");
  KCabPutInt(file, "Memory:Join2Pages:Item:0:Name", 5);
  KCabPutStringCopy(file, "Memory:Join2Pages:Item:1:Name", "listless");
  KCabPutStringCopy(file, "Memory:Join2Pages:Item:1:Item", "not a list");
  kvtest::WriteCabFile(session_.settings("kvplusmemory3.xml"), file);
  KCabDestroy(file);

  EXPECT_FALSE(KVMemoryCategoryExistsByKey(A("Nup")));
  EXPECT_EQ(nullptr, KVMemoryGetItemCollectionCopy(A("Shuffle")));
  EXPECT_FALSE(KVMemoryItemExists(A("Shuffle"), "x"));
  EXPECT_TRUE(KVMemoryItemExists(A("Join2Pages"), "listless"));
  EXPECT_EQ(nullptr, KVMemoryGetItemCopy(A("Join2Pages"), "listless"));
  char name[20];
  EXPECT_FALSE(KVMemoryItemNameFromKey(A("Join2Pages"), A("0"), name, sizeof name)) << "a name that is no text";
  KVMemoryMarkItemPlayed(A("Join2Pages"), "listless");
  KVMemoryAddItem2(A("Shuffle"), "added", OneCommand("Shuffle"), nullptr);
  EXPECT_TRUE(KVMemoryItemExists(A("Shuffle"), "added")) << "a collection that is no cabinet is made anew";

  kvtest::MessageCapture capture;
  EXPECT_FALSE(KVMemoryPlaybackItem(A("Join2Pages"), "listless", nullptr, "Krvl:PlaybackItem"));
  EXPECT_EQ(1u, capture.Count(kvtest::Text("uiimp.mem.cannotplay")));
}

TEST_F(NamedActions, AnotherProgramsChangeIsSeenAtTheNextCall) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  EXPECT_TRUE(KVMemoryCategoryExistsByKey(A("Nup")));
  SKCab* file = KCabNewInner();
  KCabPutAtom(file, "Memory:Category", A("KVCatCollection_V1"));
  KCabPutStringCopy(file, "Memory:Shuffle:Name", "Shuffle");
  std::string path = session_.settings("kvplusmemory3.xml");
  kvtest::WriteCabFile(path, file);
  KCabDestroy(file);
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
  EXPECT_TRUE(KVMemoryCategoryExistsByKey(A("Shuffle")));
  EXPECT_FALSE(KVMemoryCategoryExistsByKey(A("Nup")));
}

TEST_F(NamedActions, PlaybackRunsTheActionOnTheFrontDocument) {
  OpenDocument(2);
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "mine", OneCommand("Nup"), nullptr);
  EXPECT_TRUE(KVMemoryPlaybackItem(A("Nup"), "mine", nullptr, "Krvl:PlaybackItem"));
  EXPECT_EQ("Initialise CheckSource Start P0 P1 Finish Describer Terminate", kvtest::CallsText());

  // Messages of the replay can be collected.
  kvtest::Calls().clear();
  SKCab* full = OneCommand("Nup", "Full");
  KCabPutBool(full, "Params:Test:UIAnswer", 0);
  KVMemoryAddItem2(A("Nup"), "asks", full, nullptr);
  EXPECT_FALSE(KVMemoryPlaybackItem(A("Nup"), "asks", nullptr, "Krvl:PlaybackItem")) << "its dialog was cancelled";
  EXPECT_EQ("UI", kvtest::CallsText());
}

TEST_F(NamedActions, NothingToPlayIsSaid) {
  kvtest::MessageCapture capture;
  EXPECT_FALSE(KVMemoryPlaybackItemFromCmdList(nullptr, nullptr, "Krvl:PlaybackItem"));
  EXPECT_FALSE(KVMemoryPlaybackItem(A("Nup"), "gone", nullptr, "Krvl:PlaybackItem"));
  EXPECT_EQ(2u, capture.Count(kvtest::Text("uiimp.mem.cannotplay")));
}

TEST_F(NamedActions, WithoutADocumentTheReplaySaysSo) {
  KVMemoryAddCategory(A("Nup"), "Nup", 1);
  KVMemoryAddItem2(A("Nup"), "mine", OneCommand("Nup"), nullptr);
  kvtest::MessageCapture capture;
  EXPECT_FALSE(KVMemoryPlaybackItem(A("Nup"), "mine", nullptr, "Krvl:PlaybackItem"));
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_NE(std::string::npos, capture.messages()[0].text.find(kvtest::Text("common.err.noopendocument")));
  EXPECT_EQ("", kvtest::CallsText());
}

}  // namespace
