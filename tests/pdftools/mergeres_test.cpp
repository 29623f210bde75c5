#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PageBuild.h"
#include "pdftools/OPIFix.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "pdftools/ElementSeenTable.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFStatement.h"
#include "support/CosDescribe.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

// The statement with its resource renamed by the map (through the growing
// variant, from a buffer just large enough).
Statement Substituted(const Statement& s, CosObj map) {
  ASInt32 size = (ASInt32)s.text.size() + 1;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  std::memcpy(buffer, s.text.c_str(), s.text.size() + 1);
  char* end = buffer + s.text.size();
  char* op = buffer + s.op;
  SubstituteResourceInStatementExt(&buffer, &size, &end, &op, map);
  EXPECT_EQ(0, *end);
  Statement out{std::string(buffer, (size_t)(end - buffer)), (size_t)(op - buffer)};
  ASfree(buffer);
  return out;
}

struct Named {
  bool is = false;
  ASAtom category = ASAtomNull;
  ASAtom name = ASAtomNull;
};

Named ResourceOf(const Statement& s) {
  std::string copy = s.text;
  char* start = copy.data();
  char* end = start + copy.size();
  Named n;
  n.is = StatementIsResource(start, &end, start + s.op, &n.category, &n.name, nullptr, nullptr, nullptr) != 0;
  return n;
}

CosObj Resolve(CosObj resources, ASAtom category, ASAtom name) {
  if (CosObjGetType(resources) != CosDict) return CosNewNull();
  CosObj dict = CosDictGet(resources, category);
  return CosObjGetType(dict) == CosDict ? CosDictGet(dict, name) : CosNewNull();
}

// Direct objects cannot stay the same object in another dictionary; they
// must keep their value.
bool SameResource(CosObj a, CosObj b) {
  if (CosObjGetType(a) == CosNull || CosObjGetType(b) == CosNull) return false;
  if (CosObjIsIndirect(a) || CosObjIsIndirect(b)) return CosObjEqual(a, b);
  return CosObjContentsEqual(a, b);
}

// The map's categories, each dictionary shown (they are indirect).
std::string MapText(CosObj map) {
  std::string out;
  CosObjEnum(
      map,
      [](CosObj k, CosObj v, void* c) -> ASBool {
        *static_cast<std::string*>(c) += std::string(ASAtomGetString(CosNameValue(k))) + ": " + Describe(v);
        return 1;
      },
      &out);
  return out;
}

class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = PDDocCreate();
    m = CosMaker{PDDocGetCosDoc(doc)};
    info = NewMergeResourceInfo(doc);
  }
  void TearDown() override {
    DestroyMergeResourceInfo(info);
    PDDocClose(doc);
    gApplyOPIFix = 1;
    EXPECT_EQ(0, PDGetAcquiredPageCount());
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(0, ASStmOpenCount());
  }
  CosObj Merge(CosObj resources) {
    CosObj map = CosNewNull();
    MergeResourceDict(info, resources, &map);
    return map;
  }
  CosObj Result() { return info->result; }
  PDDoc doc = nullptr;
  CosMaker m{};
  SMergeResourceInfo* info = nullptr;
};

// ---- merging --------------------------------------------------------------------

TEST_F(MergeTest, ClashingNamesAreRenamed) {
  CosObj helv = m.Font("Helvetica"), times = m.Font("Times-Roman"), courier = m.Font("Courier");
  EXPECT_EQ(CosNull, CosObjGetType(Merge(m.Dict({{"Font", m.Dict({{"F1", helv}})}}))));
  // The same object under the same name: nothing to do.
  EXPECT_EQ(CosNull, CosObjGetType(Merge(m.Dict({{"Font", m.Dict({{"F1", helv}})}}))));
  // Another object under F1 becomes Z1.
  CosObj map = Merge(m.Dict({{"Font", m.Dict({{"F1", times}})}}));
  EXPECT_EQ("Font: <</F1 /Z1 >>", MapText(map));
  EXPECT_TRUE(CosObjIsIndirect(map));
  EXPECT_TRUE(CosObjIsIndirect(CosDictGet(map, Atom("Font"))));
  // An object already present under another name takes that name.
  map = Merge(m.Dict({{"Font", m.Dict({{"F1", times}, {"F7", helv}})}}));
  EXPECT_EQ("Font: <</F1 /Z1 >>", MapText(map));
  CosObj fonts = CosDictGet(Result(), Atom("Font"));
  EXPECT_TRUE(CosObjEqual(helv, CosDictGet(fonts, Atom("F7"))));
  // With Z2 taken by someone, the next new name is Z3.
  CosDictPut(fonts, Atom("Z2"), m.Font("Symbol"));
  map = Merge(m.Dict({{"Font", m.Dict({{"F1", courier}})}}));
  EXPECT_EQ("Font: <</F1 /Z3 >>", MapText(map));
  EXPECT_TRUE(CosObjEqual(courier, CosDictGet(fonts, Atom("Z3"))));
  EXPECT_EQ(0, info->irregularCategory);
}

TEST_F(MergeTest, ArraysAndIrregularCategories) {
  Merge(m.Dict({{"ProcSet", m.Arr({m.Name("PDF"), m.Name("Text")})}, {"Font", m.Int(3)}}));
  EXPECT_EQ(1, info->irregularCategory);
  Merge(m.Dict({{"ProcSet", m.Arr({m.Name("PDF"), m.Name("ImageB")})},
                {"Font", m.Dict({{"F1", m.Font("Helvetica")}})}}));
  EXPECT_EQ("[/PDF /Text /ImageB ]", Describe(CosDictGet(Result(), Atom("ProcSet"))));
  // The first value of an irregular category stays.
  EXPECT_EQ("3", Describe(CosDictGet(Result(), Atom("Font"))));
  // A category dictionary of the result is the merge's own, never the page's.
  CosObj pageFonts = m.Dict({{"F1", m.Font("Courier")}}, true);
  Merge(m.Dict({{"XFonts", pageFonts}}));
  CosObj merged = CosDictGet(Result(), Atom("XFonts"));
  EXPECT_TRUE(CosObjIsIndirect(merged));
  EXPECT_FALSE(CosObjEqual(merged, pageFonts));
}

TEST_F(MergeTest, SingleResources) {
  CosObj space = m.Arr({m.Name("Separation"), m.Name("All"), m.Name("DeviceCMYK"), m.Int(0)}, true);
  EXPECT_STREQ("Q", MergeSingleResource(info, "ColorSpace", nullptr, space));
  EXPECT_STREQ("Q", MergeSingleResource(info, "ColorSpace", nullptr, space));
  CosObj other = m.Arr({m.Name("ICCBased"), m.Int(1)}, true);
  EXPECT_STREQ("Z1", MergeSingleResource(info, "ColorSpace", nullptr, other));
  EXPECT_STREQ("Frm", MergeSingleResource(info, "XObject", "Frm", other));
  // A free name is taken as it is, even for an object present under another.
  EXPECT_STREQ("Any", MergeSingleResource(info, "ColorSpace", "Any", other));
  std::string s = std::to_string(CosObjGetID(space)) + " R", o = std::to_string(CosObjGetID(other)) + " R";
  EXPECT_EQ("<</Any " + o + " /Q " + s + " /Z1 " + o + " >>", Describe(CosDictGet(Result(), Atom("ColorSpace"))));
}

TEST_F(MergeTest, UniqueKeysWrapAfter200) {
  CosObj dict = m.Dict({{"Z1", m.Int(1)}, {"Z2", m.Int(2)}});
  ASInt32 counter = 1;
  char* key = CreateUniqueKeyString(m.doc, dict, &counter);
  EXPECT_STREQ("Z3", key);
  EXPECT_EQ(4, counter);
  ASfree(key);
  counter = 200;
  key = CreateUniqueKeyString(m.doc, dict, &counter);
  EXPECT_STREQ("Z200", key);
  EXPECT_EQ(1, counter);
  ASfree(key);
  key = CreateUniqueKeyString(m.doc, dict, &counter);
  EXPECT_STREQ("Z3", key);
  ASfree(key);
}

TEST_F(MergeTest, ResultBelongsToWhoeverTakesIt) {
  CosObj result = MergeResultResourceDict(info);
  EXPECT_EQ(1, info->taken);
  DestroyMergeResourceInfo(info);
  info = nullptr;
  EXPECT_EQ(CosDict, CosObjGetType(result));
}

// ---- statements ----------------------------------------------------------------

TEST(StatementResources, WhichStatementsNameWhat) {
  struct Case {
    const char* statement;
    const char* category;  // null: names nothing
    const char* name;
  };
  const Case cases[] = {
      {"\n/F1 12 Tf", "Font", "F1"},
      {"% font\n/F2 9 Tf", "Font", "F2"},
      {" /Im1 Do", "XObject", "Im1"},
      {"/CS0 cs", "ColorSpace", "CS0"},
      {"/CS1 CS", "ColorSpace", "CS1"},
      {"/GS1 gs", "ExtGState", "GS1"},
      {"/Sh1 sh", "Shading", "Sh1"},
      {"/OC /oc1 BDC", "Properties", "oc1"},
      {"/OC/oc2 DP", "Properties", "oc2"},
      {"/Span <</MCID 0>> BDC", nullptr, nullptr},
      {"0.2 0.3 0.4 /P1 scn", "Pattern", "P1"},
      {"/P2 SCN", "Pattern", "P2"},
      {"0.5 scn", nullptr, nullptr},
      {"12 Tf", nullptr, nullptr},
      {"(x) Tj", nullptr, nullptr},
      {"/My#20Font 5 Tf", "Font", "My Font"},
      {" BI /W 1 /H 1 /CS /CS0 /BPC 8 ID xyz EI", "ColorSpace", "CS0"},
      {"BI /W 1 /H 1 /ColorSpace /Cs2 /BPC 8 ID xyz EI", "ColorSpace", "Cs2"},
      {"BI /W 1 /H 1 /CS /G /BPC 8 ID x EI", "ColorSpace", "G"},
      {"BI /W 1 /H 1 /BPC 1 /IM true ID x EI", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    std::string text = c.statement;
    Statement s{text, text.rfind(' ') + 1};
    if (text.find("BI") != std::string::npos) s.op = text.size() - 2;
    Named n = ResourceOf(s);
    EXPECT_EQ(c.category != nullptr, n.is) << c.statement;
    if (c.category && n.is) {
      EXPECT_STREQ(c.category, ASAtomGetString(n.category)) << c.statement;
      EXPECT_STREQ(c.name, ASAtomGetString(n.name)) << c.statement;
    }
  }
  // Names of any length, with the copy and the place asked for.
  std::string longName(500, 'n');
  std::string text = "/" + longName + " Do";
  char* end = text.data() + text.size();
  char *copy = nullptr, *nameStart = nullptr, *nameEnd = nullptr;
  ASAtom category, name;
  ASSERT_TRUE(StatementIsResource(text.data(), &end, text.data() + text.size() - 2, &category, &name, &copy,
                                  &nameStart, &nameEnd));
  EXPECT_EQ(longName, copy);
  EXPECT_EQ(text.data() + 1, nameStart);
  EXPECT_EQ(text.data() + 501, nameEnd);
  ASfree(copy);
}

class SubstituteTest : public MergeTest {
 protected:
  void SetUp() override {
    MergeTest::SetUp();
    map = m.Dict({{"Font", m.Dict({{"F1", m.Name("Z12")}, {"Short", m.Name(std::string(300, 'L').c_str())}})},
                  {"ColorSpace", m.Dict({{"CS0", m.Name("Z2")}, {"G", m.Name("Z3")}})},
                  {"XObject", m.Dict({{"Im1", m.Name("My Form#1")}})}});
  }
  CosObj map;
};

TEST_F(SubstituteTest, InPlace) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"\n/F1 12 Tf", "\n/Z12 12 Tf"},
      {"/F2 12 Tf", "/F2 12 Tf"},
      {"/Im1 Do", "/My#20Form#231 Do"},
      {" BI /W 1 /H 1 /CS /CS0 /BPC 8 ID xyz EI", " BI /W 1 /H 1 /CS /Z2 /BPC 8 ID xyz EI"},
      // A device space named by its abbreviation is no resource.
      {" BI /W 1 /H 1 /CS /G /BPC 8 ID x EI", " BI /W 1 /H 1 /CS /G /BPC 8 ID x EI"},
      {"/G cs", "/Z3 cs"},
  };
  for (const Case& c : cases) {
    char buffer[200];
    std::strcpy(buffer, c.in);
    char* end = buffer + std::strlen(buffer);
    char* op = std::strstr(buffer, " BI") == buffer ? end - 2 : std::strrchr(buffer, ' ') + 1;
    std::string opText = op;
    SubstituteResourceInStatement(buffer, &end, sizeof buffer, &op, map);
    EXPECT_STREQ(c.out, buffer);
    EXPECT_EQ(std::strlen(c.out), (size_t)(end - buffer));
    EXPECT_EQ(opText, op);
  }
}

// A long new name never runs past the buffer: a fixed buffer raises and
// keeps its statement, a growing one grows.
TEST_F(SubstituteTest, LongNamesRespectTheBuffer) {
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  std::strcpy(buffer, "/Short 12 Tf");
  char* end = buffer + 12;
  char* op = buffer + 10;
  EXPECT_EQ(PDFStatementTooLongError(),
            ErrorOf([&] { SubstituteResourceInStatement(buffer, &end, 40, &op, map); }));
  EXPECT_STREQ("/Short 12 Tf", buffer);
  EXPECT_EQ(buffer + 12, end);
  EXPECT_EQ('#', buffer[40]);

  Statement grown = Substituted(Statement{"/Short 12 Tf", 10}, map);
  EXPECT_EQ("/" + std::string(300, 'L') + " 12 Tf", grown.text);
  EXPECT_EQ("Tf", grown.text.substr(grown.op));
}

// ---- form XObjects without resources ---------------------------------------------

TEST_F(MergeTest, MinimalResourcesForForms) {
  CosObj image = m.Stream("abc", false, m.Dict({{"Subtype", m.Name("Image")}}));
  CosObj rgb = m.Arr({m.Name("CalRGB"), m.Dict({{"WhitePoint", m.Arr({m.Int(1), m.Int(1), m.Int(1)})}})}, true);
  CosObj defaultRGB = m.Arr({m.Name("CalRGB"), m.Dict({})}, true);
  auto form = [&](const char* content) {
    return m.Stream(content, true, m.Dict({{"Subtype", m.Name("Form")}}));
  };
  CosObj drawsImage = form("/Im1 Do");
  CosObj inlineResource = form("BI /W 1 /H 1 /CS /CS0 /BPC 8 ID xyz EI");
  CosObj inlineDevice = form("BI /W 1 /H 1 /CS /G /BPC 8 ID x EI");
  CosObj plain = form("0 0 m 1 1 l S");
  CosObj resources =
      m.Dict({{"XObject", m.Dict({{"Im1", image}, {"A", drawsImage}, {"B", inlineResource}, {"C", inlineDevice},
                                   {"D", plain}})},
              {"ColorSpace", m.Dict({{"CS0", rgb}, {"DefaultRGB", defaultRGB}})}});
  EXPECT_TRUE(DoesSubstreamNeedResources(drawsImage));
  EXPECT_TRUE(DoesSubstreamNeedResources(inlineResource));
  EXPECT_FALSE(DoesSubstreamNeedResources(inlineDevice));
  EXPECT_FALSE(DoesSubstreamNeedResources(plain));
  EXPECT_FALSE(DoesSubstreamNeedResources(image));

  Merge(resources);
  const std::string procSet = "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI ]";
  CosObj made = CosDictGet(drawsImage, Atom("Resources"));
  CosObj defaults = CosDictGet(made, Atom("ColorSpace"));
  EXPECT_EQ("<</ColorSpace " + std::to_string(CosObjGetID(defaults)) + " R " + procSet + " /XObject " +
                std::to_string(CosObjGetID(CosDictGet(made, Atom("XObject")))) + " R >>",
            Describe(made));
  EXPECT_EQ("<</Im1 " + std::to_string(CosObjGetID(image)) + " R >>", Describe(CosDictGet(made, Atom("XObject"))));
  EXPECT_EQ("<</DefaultRGB " + std::to_string(CosObjGetID(defaultRGB)) + " R >>", Describe(defaults));
  // The inline image's colour space comes along.
  CosObj spaces = CosDictGet(CosDictGet(inlineResource, Atom("Resources")), Atom("ColorSpace"));
  EXPECT_TRUE(CosObjEqual(rgb, CosDictGet(spaces, Atom("CS0"))));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(inlineDevice, Atom("Resources"))));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(plain, Atom("Resources"))));
}

// ---- the seen-table -----------------------------------------------------------------

TEST_F(MergeTest, SeenTable) {
  for (bool hostHash : {false, true}) {
    SElementSeenTable* t = NewElementSeenTableWithExtra(8);
    if (hostHash) ElementSeenTableUseHashCall(t);
    CosObj d1 = m.Dict({}, true), d2 = m.Dict({}, true), a = m.Arr({m.Int(1)}, true), s = m.Stream("12345");
    void* extra = nullptr;
    AddSeenElementExtra(t, d1, &extra);
    ASSERT_NE(nullptr, extra);
    std::memcpy(extra, "abcdefgh", 8);
    AddSeenElementExtra(t, a, &extra);
    std::memcpy(extra, "ARRAY!!!", 8);
    AddSeenElementExtra(t, s, nullptr);
    // Direct objects are never stored.
    AddSeenElementExtra(t, m.Dict({}), &extra);
    EXPECT_EQ(nullptr, extra);
    EXPECT_FALSE(IsElementSeenExtra(t, m.Dict({}), &extra));
    EXPECT_TRUE(IsElementSeenExtra(t, d1, &extra));
    EXPECT_EQ(0, std::memcmp(extra, "abcdefgh", 8));
    EXPECT_TRUE(IsElementSeenExtra(t, a, &extra));
    EXPECT_EQ(0, std::memcmp(extra, "ARRAY!!!", 8));
    EXPECT_TRUE(IsElementSeenExtra(t, s, nullptr));
    EXPECT_FALSE(IsElementSeenExtra(t, d2, &extra));
    EXPECT_EQ(nullptr, extra);
    if (!hostHash) {
      EXPECT_EQ(16072, ElementTableIndex(t, d2));
      EXPECT_EQ(18, ElementTableIndex(t, a));
      EXPECT_EQ(8 + 17 * 5, ElementTableIndex(t, s));
      EXPECT_EQ(CosInteger, ElementTableIndex(t, m.Int(5)));
    } else {
      EXPECT_EQ((ASInt32)(CosObjHash(d2) % 16073), ElementTableIndex(t, d2));
    }
    DestroyElementSeenTable(t);
  }
}

// ---- many pages on one sheet ----------------------------------------------------

// Pages that share fonts under clashing names, with ProcSets, properties,
// patterns, shadings, direct graphics states, names that need escapes and
// inline images naming colour spaces: after merging every page and putting
// the new names into each page's statements, every name resolves in the
// merged dictionary to what it resolved to in its own page.
TEST_F(MergeTest, RenamedContentResolvesAsBefore) {
  constexpr int kPages = 9;
  std::vector<CosObj> fonts;
  for (const char* f : {"Helvetica", "Times-Roman", "Courier", "Symbol", "ZapfDingbats"}) fonts.push_back(m.Font(f));
  CosObj sharedGState = m.Dict({{"Type", m.Name("ExtGState")}, {"ca", m.Real(0.5)}}, true);
  CosObj sharedProperties = m.Dict({{"Type", m.Name("OCG")}, {"Name", m.Str("shared")}}, true);
  CosObj form = m.Stream("BT /F1 9 Tf (f) Tj ET", true, m.Dict({{"Subtype", m.Name("Form")}}));
  std::vector<CosObj> spaces;
  for (int i = 0; i < 2; ++i)
    spaces.push_back(m.Arr({m.Name("CalRGB"), m.Dict({{"WhitePoint", m.Arr({m.Int(1), m.Int(1), m.Int(i + 1)})}})}, true));

  std::vector<std::pair<CosObj, std::string>> pages;
  for (int i = 0; i < kPages; ++i) {
    CosObj fontDict = m.Dict({{"F1", fonts[i % 3]}, {"F2", fonts[(i + 1) % 3]}, {"Z1", fonts[3 + i % 2]}});
    if (i == 4) CosDictPut(fontDict, Atom("My Font"), fonts[4]);
    if (i == 6) CosDictPut(fontDict, Atom("F9"), m.Dict({{"Type", m.Name("Font")}, {"BaseFont", m.Name("Courier")}}));
    CosObj res = m.Dict({
        {"Font", fontDict},
        {"ProcSet", i % 2 ? m.Arr({m.Name("PDF"), m.Name("Text")}) : m.Arr({m.Name("PDF"), m.Name("ImageC")})},
        {"ExtGState", m.Dict({{"GS1", sharedGState}, {"GS2", m.Dict({{"LW", m.Int(i)}})}})},
        {"ColorSpace", m.Dict({{"CS0", spaces[i % 2]}})},
        {"Pattern", m.Dict({{"P1", m.Dict({{"PatternType", m.Int(2)}, {"Shading", m.Int(i)}}, true)}})},
        {"Shading", m.Dict({{"Sh1", m.Dict({{"ShadingType", m.Int(2)}, {"N", m.Int(i % 2)}}, true)}})},
        {"Properties", m.Dict({{"oc1", m.Dict({{"Type", m.Name("OCG")}, {"N", m.Int(i)}}, true)},
                               {"MC0", sharedProperties}})},
        {"XObject", m.Dict({{"Im1", m.Stream(std::string(3, (char)('a' + i)),
                                             false, m.Dict({{"Subtype", m.Name("Image")}, {"Width", m.Int(1)},
                                                            {"Height", m.Int(1)}, {"BitsPerComponent", m.Int(8)},
                                                            {"ColorSpace", m.Name("DeviceRGB")}}))},
                            {"Fm1", form}})},
    }, i % 3 == 0);
    std::string content =
        "q /GS1 gs /GS2 gs /CS0 cs 0.1 0.2 0.3 sc /Pattern cs /P1 scn 0 0 9 9 re f\n"
        "BT /F1 12 Tf (a) Tj /F2 10 Tf (b) Tj /Z1 9 Tf (c) Tj ET\n"
        "/OC /oc1 BDC /Im1 Do EMC /OC /MC0 BDC EMC /Span <</MCID 0>> BDC EMC /Sh1 sh\n"
        "BI /W 1 /H 1 /BPC 8 /CS /CS0 ID xyz EI BI /W 1 /H 1 /BPC 8 /CS /G ID x EI /Fm1 Do Q\n";
    if (i == 4) content += "BT /My#20Font 5 Tf (d) Tj ET\n";
    if (i == 6) content += "BT /F9 5 Tf (e) Tj ET\n";
    pages.emplace_back(res, content);
  }

  std::vector<CosObj> maps;
  for (auto& [res, content] : pages) maps.push_back(Merge(res));
  CosObj result = MergeResultResourceDict(info);
  EXPECT_EQ(0, info->irregularCategory);

  std::string sheet;
  int named = 0;
  for (size_t p = 0; p < pages.size(); ++p) {
    auto& [res, content] = pages[p];
    for (const Statement& s : Statements(content, res)) {
      Statement rewritten = Substituted(s, maps[p]);
      sheet += rewritten.text;
      Named before = ResourceOf(s);
      Named after = ResourceOf(rewritten);
      ASSERT_EQ(before.is, after.is) << s.text;
      if (!before.is) continue;
      EXPECT_EQ(before.category, after.category);
      CosObj original = Resolve(res, before.category, before.name);
      if (CosObjGetType(original) == CosNull) {
        // Only the special colour spaces name nothing.
        std::string special = ASAtomGetString(before.name);
        EXPECT_TRUE(special == "G" || special == "Pattern") << special;
        EXPECT_EQ(before.name, after.name);
        continue;
      }
      ++named;
      EXPECT_TRUE(SameResource(original, Resolve(result, after.category, after.name)))
          << "page " << p << ": " << s.text << " became " << rewritten.text;
    }
    sheet += "\n";
  }
  EXPECT_EQ(kPages * 13 + 2, named);

  // Fonts were shared, never copied: five font objects and the direct one.
  CosObj mergedFonts = CosDictGet(result, Atom("Font"));
  std::vector<CosObj> distinct;
  CosObjEnum(
      mergedFonts,
      [](CosObj, CosObj v, void* c) -> ASBool {
        static_cast<std::vector<CosObj>*>(c)->push_back(v);
        return 1;
      },
      &distinct);
  int indirectFonts = 0;
  for (size_t i = 0; i < distinct.size(); ++i) {
    if (!CosObjIsIndirect(distinct[i])) continue;
    bool known = false;
    for (CosObj f : fonts) known = known || CosObjEqual(f, distinct[i]);
    EXPECT_TRUE(known);
    ++indirectFonts;
  }
  EXPECT_GE(indirectFonts, 5);
  EXPECT_EQ("[/PDF /ImageC /Text ]", Describe(CosDictGet(result, Atom("ProcSet"))));

  // The sheet made of the rewritten content reads back in an independent reader.
  AddPage(doc, sheet, result);
  TempDir dir;
  SavePdf(doc, dir.file("sheet.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("sheet.pdf")));
}

}  // namespace
