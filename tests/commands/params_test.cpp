// The commands' parameter tables against the command definitions: every
// registered command has one, every default lies in it, and the users'
// reference in docs/parameters.md is what the tables and definitions make.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "commands/ParamTables.h"
#include "foundation/KCab.h"
#include "foundation/KParams.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "support/EnglishMessages.h"
#include "support/SourceTree.h"

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new kvtest::EnglishMessagesEnvironment);

struct Cab {
  SKCab* c;
  explicit Cab(SKCab* owned) : c(owned) {}
  ~Cab() {
    if (c) KCabDestroy(c);
  }
};

std::vector<std::string> TopKeys(SKCab* cab) {
  std::vector<std::string> keys;
  KCabConstEnum(
      cab,
      [](SKCab*, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->emplace_back(key);
        return 1;
      },
      &keys);
  return keys;
}

TEST(CommandParams, EveryRegisteredCommandHasATable) {
  const SKVCommandModules& m = KVCommandModules();
  std::set<std::string> registered, tabled;
  for (KVCmdMgrBuilderProc builder :
       {m.NewCmdMgrForCreateTestFile, m.NewCmdMgrForInsertBlanks, m.NewCmdMgrForTrimAndShift, m.NewCmdMgrForBooklet,
        m.NewCmdMgrForShuffle, m.NewCmdMgrForEvenOddShuffle, m.NewCmdMgrForNup, m.NewCmdMgrForJoin2Pages,
        m.NewCmdMgrForReverseDocument}) {
    ASSERT_NE(nullptr, builder);
    Cab definition(builder());
    registered.insert(ASAtomGetString(KCabGetAtom(definition.c, "Key", ASAtomNull)));
  }
  for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
    tabled.insert(c->table->command);
    Cab definition(c->builder());
    EXPECT_STREQ(c->table->command, ASAtomGetString(KCabGetAtom(definition.c, "Key", ASAtomNull)))
        << "a table paired with another command's builder";
  }
  EXPECT_EQ(registered, tabled);
}

// A default outside its own table would refuse a first run; a default key the
// table does not know would warn on every run.
TEST(CommandParams, EveryDefaultIsKnownAndInRange) {
  for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
    SCOPED_TRACE(c->table->command);
    Cab definition(c->builder());
    SKCab* defaults = KCabGetCab(definition.c, "DefaultParams");
    ASSERT_NE(nullptr, defaults);
    for (const std::string& key : TopKeys(defaults)) {
      const SKParamDef* def = KParamTableFind(c->table, key.c_str());
      if (key == "Source") continue;  // the command layer's
      ASSERT_NE(nullptr, def) << key;
      char why[1200];
      EXPECT_TRUE(KParamCheckDef(def, defaults, key.c_str(), kKParamCheckLook, why, sizeof why)) << why;
    }
  }
}

// Each command's example runs the check, and defaults plus the example ask
// for nothing the table refuses.
TEST(CommandParams, EveryExampleIsAccepted) {
  for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
    SCOPED_TRACE(c->table->command);
    Cab definition(c->builder());
    Cab params(KCabDup(KCabGetCab(definition.c, "DefaultParams")));
    if (c->table->example) c->table->example(params.c);
    char why[1200] = "";
    EXPECT_TRUE(KParamCheck(c->table, params.c, kKParamCheckLook, why, sizeof why)) << why;
  }
}

// A describer shows stored parameters (named actions, histories): a value a
// run would refuse is named after its lines, in the run's words.
TEST(CommandParams, DescribersNameAValueARunRefuses) {
  struct Case {
    const char* command;
    std::function<void(SKCab*)> put;
    const char* refusal;  // null: no such line
  };
  const Case cases[] = {
      {"Nup",
       [](SKCab* p) {
         KCabPutBool(p, "UseScale", 1);
         KCabPutAtom(p, "DoScaling", ASAtomFromString("Fixed"));
         KCabPutDouble(p, "FixedScale", 0);
       },
       "FixedScale = 0 is refused: it must be a number from 0.01 to 10."},
      {"Nup", [](SKCab* p) { KCabPutDouble(p, "FixedScale", 0.5); }, nullptr},
      {"SimpleBooklet", [](SKCab* p) { KCabPutDouble(p, "Margin", 1e9); },
       "Margin = 1000000000 is refused: it must be a number from 0 to 1440 pt."},
      {"Shuffle", [](SKCab* p) { KCabPutStringCopy(p, "Order", "0 0 0"); },
       "Order names page 0, which is refused: with GroupSize 16 the pages of a group are 1 to 16."},
      {"TrimAndShift", [](SKCab* p) { KCabPutDouble(p, "ShiftFrom", NAN); },
       "ShiftFrom = nan is refused: it must be a number from -14400 to 14400 pt."},
      {"TrimAndShift", [](SKCab* p) { KCabPutDouble(p, "ShiftFrom", -20); }, nullptr},
  };
  const std::string prefix = "A run refuses these parameters: ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const SCommandParams* entry = CommandParamsList();
    while (entry->table && std::string(entry->table->command) != c.command) ++entry;
    ASSERT_NE(nullptr, entry->table);
    Cab definition(entry->builder());
    Cab params(KCabDup(KCabGetCab(definition.c, "DefaultParams")));
    // The n-up defaults name no sheet: give one, so that only the case's value counts.
    if (std::string(c.command) == "Nup") {
      KCabPutDouble(params.c, "Page:Width", 612);
      KCabPutDouble(params.c, "Page:Height", 792);
    }
    c.put(params.c);
    auto describer =
        (CmdMgrDescriberProc)KCabGetFunctionPointerNamedType(definition.c, "Describer", kCmdMgrDescriberProcType);
    ASSERT_NE(nullptr, describer);
    Cab lines(describer(definition.c, params.c));
    std::string last;
    for (long n = 0; KCabKnownNumKey(lines.c, n); ++n) last = KCabGetStringNumKey(lines.c, n);
    if (c.refusal) EXPECT_EQ(prefix + c.refusal, last);
    else EXPECT_EQ(std::string::npos, last.find(prefix)) << last;
  }
}

// A page size typed with its orientation ("A4 landscape") is refused with the
// key that sets the orientation, named after the size's key as the dialogs
// name it: every page size of every command has that key, taking Tall and
// Wide.
TEST(CommandParams, EveryPageSizeHasItsOrientationKey) {
  std::set<std::string> sizes;
  for (const SCommandParams* c = CommandParamsList(); c->table; ++c) {
    SCOPED_TRACE(c->table->command);
    struct SFound {
      std::vector<std::string> keys;
    } found;
    KParamTableEnum(
        c->table,
        [](const SKParamDef* def, void* data) {
          if (def->kind == kKParamPageSize) static_cast<SFound*>(data)->keys.emplace_back(def->key);
        },
        &found);
    for (const std::string& key : found.keys) {
      sizes.insert(std::string(c->table->command) + " " + key);
      const SKParamDef* way = KParamTableFind(c->table, (key + "Orientation").c_str());
      ASSERT_NE(nullptr, way) << key;
      ASSERT_EQ(kKParamWord, way->kind) << key;
      std::set<std::string> words;
      for (const SKCabEnumWord* w = way->words; w && w->word; ++w) words.insert(w->word);
      EXPECT_TRUE(words.count("Tall") && words.count("Wide")) << key;
    }
  }
  EXPECT_TRUE(sizes.count("Nup Page") && sizes.count("TrimAndShift FixedSize")) << "the tables were read";
}

TEST(CommandParams, DialogBoundsAreTheTables) {
  EXPECT_EQ(0, CommandParamMinInt("Nup", "FitAcross"));
  EXPECT_EQ(100, CommandParamMaxInt("Nup", "FitDown"));
  EXPECT_EQ(999, CommandParamMaxInt("Shuffle", "GroupSize"));
  EXPECT_EQ(100000, CommandParamMaxInt("InsertBlanks", "Count"));
  EXPECT_EQ(1, CommandParamMinInt("CreateSample", "Count"));
  EXPECT_EQ(-100000, CommandParamMinInt("TrimAndShift", "CreepEvery"));
}

// docs/parameters.md is generated: a change of a table or a definition
// without `make params-doc` fails here.
TEST(ParamReference, TheFileInTheTreeIsUpToDate) {
  std::ifstream in(kvtest::SourcePath("docs/parameters.md"), std::ios::binary);
  ASSERT_TRUE(in) << "docs/parameters.md is missing: run make params-doc";
  std::stringstream stored;
  stored << in.rdbuf();
  const std::string made = ParamReferenceMarkdown();
  if (stored.str() == made) return;
  std::istringstream a(stored.str()), b(made);
  std::string la, lb;
  int line = 0;
  while (true) {
    ++line;
    bool ga = (bool)std::getline(a, la), gb = (bool)std::getline(b, lb);
    if (!ga && !gb) break;
    if (la != lb || ga != gb) {
      ADD_FAILURE() << "docs/parameters.md is out of date (run make params-doc); line " << line << " is\n  " << la
                    << "\nand should be\n  " << lb;
      return;
    }
  }
  ADD_FAILURE() << "docs/parameters.md is out of date (run make params-doc)";
}

}  // namespace
