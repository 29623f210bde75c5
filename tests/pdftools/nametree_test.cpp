// Name trees and embedded attachments: the toolkit's own tree writer and
// reader, the host's writer on newer hosts, key texts, and trees from files
// that are deep, circular or damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosObjSet.h"
#include "pdftools/NameTree.h"
#include "pdftools/PDFAtoms.h"
#include "support/DocTestUtil.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Str(CosDoc doc, const std::string& s, bool indirect = false) {
  return CosNewString(doc, indirect, s.data(), s.size());
}

CosObj StreamOf(CosDoc doc, const std::string& bytes) {
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  CosObj s = CosNewStream(doc, 1, stm, 0, 0, CosNewNull(), CosNewNull(), (ASInt32)bytes.size());
  ASStmClose(stm);
  return s;
}

// Checks the shape of a tree: keys sorted within each leaf, every key inside
// the Limits of each node above it, no node reached twice. Returns the keys
// in walk order.
std::vector<std::string> CheckTree(CosObj node, std::string* problem, bool root = true, std::string low = "",
                                   std::string high = "", bool bounded = false) {
  std::vector<std::string> keys;
  CosObj limits = CosDictGet(node, A("Limits"));
  if (!root) {
    if (CosObjGetType(limits) != CosArray || CosArrayLength(limits) != 2) {
      *problem = "a node without Limits";
      return keys;
    }
    low = StringBytes(CosArrayGet(limits, 0));
    high = StringBytes(CosArrayGet(limits, 1));
    bounded = true;
  } else if (CosObjGetType(limits) != CosNull) {
    *problem = "the root has Limits";
  }
  CosObj names = CosDictGet(node, A("Names"));
  if (CosObjGetType(names) == CosArray) {
    for (ASInt32 i = 0; i + 1 < CosArrayLength(names); i += 2) {
      std::string k = StringBytes(CosArrayGet(names, i));
      if (!keys.empty() && !(keys.back() < k)) *problem = "a leaf out of order";
      keys.push_back(k);
    }
  }
  CosObj kids = CosDictGet(node, A("Kids"));
  if (CosObjGetType(kids) == CosArray)
    for (ASInt32 i = 0; i < CosArrayLength(kids); ++i) {
      auto below = CheckTree(CosArrayGet(kids, i), problem, false);
      keys.insert(keys.end(), below.begin(), below.end());
    }
  if (bounded)
    for (const std::string& k : keys)
      if (k < low || k > high) *problem = "a key outside the Limits of its node";
  return keys;
}

class NameTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { InitGlobalAtomTable(); }
  PDDoc Doc(const std::string& name, void (*write)(const std::string&)) {
    std::string path = dir.file(name);
    write(path);
    docs.emplace_back(new ScopedDoc(OpenPdf(path)));
    return *docs.back();
  }
  PDDoc Simple() {
    return Doc("simple" + std::to_string(docs.size()) + ".pdf", [](const std::string& p) { kvfix::WriteSimple(p, 1); });
  }
  PDDoc Reopen(PDDoc doc, const std::string& name) {
    SavePdf(doc, dir.file(name));
    EXPECT_EQ(0, QpdfCheck(dir.file(name))) << name;
    docs.emplace_back(new ScopedDoc(OpenPdf(dir.file(name))));
    return *docs.back();
  }
  TempDir dir;
  std::vector<std::unique_ptr<ScopedDoc>> docs;
};

TEST_F(NameTreeTest, KeysPutIntoAFreshTreeLandInOneSortedKid) {
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj root = KPDNameTreeNew(doc);
  EXPECT_TRUE(CosObjIsIndirect(root));
  for (const char* k : {"B", "A", "D"}) ASSERT_TRUE(KPDNameTreePut(root, Str(cos, k), Str(cos, std::string("v") + k)));

  CosObj kids = CosDictGet(root, A("Kids"));
  ASSERT_EQ(1, CosArrayLength(kids));
  CosObj kid = CosArrayGet(kids, 0);
  CosObj names = CosDictGet(kid, A("Names"));
  ASSERT_EQ(6, CosArrayLength(names));
  std::string flat;
  for (ASInt32 i = 0; i < 6; ++i) flat += StringBytes(CosArrayGet(names, i)) + " ";
  EXPECT_EQ("A vA B vB D vD ", flat);
  CosObj limits = CosDictGet(kid, A("Limits"));
  EXPECT_EQ("A", StringBytes(CosArrayGet(limits, 0)));
  EXPECT_EQ("D", StringBytes(CosArrayGet(limits, 1)));
  EXPECT_FALSE(CosDictKnown(root, A("Limits")));

  // An existing key gets the new value and nothing is added.
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "B"), Str(cos, "again")));
  EXPECT_EQ(6, CosArrayLength(names));
  CosObj value;
  ASSERT_TRUE(KPDNameTreeGet(root, "B", 1, &value));
  EXPECT_EQ("again", StringBytes(value));
  EXPECT_FALSE(KPDNameTreeGet(root, "C", 1, &value));
  EXPECT_EQ(CosNull, CosObjGetType(value));
  // A prefix sorts first.
  EXPECT_LT(KPDNameTreeCompareKeyCosObj(Str(cos, "AB"), "ABC", 3), 0);
  EXPECT_GT(KPDNameTreeCompareKeyCosObj(Str(cos, "ABC"), "AB", 2), 0);
  EXPECT_EQ(0, KPDNameTreeCompareKeyCosObj(Str(cos, std::string("A\0B", 3)), "A\0B", 3));
  EXPECT_LT(KPDNameTreeCompareKeyCosObj(Str(cos, "\x7F"), "\x80", 1), 0) << "bytes compare unsigned";
}

TEST_F(NameTreeTest, ManyKeysInAnyOrderStayFindableAndSorted) {
  struct Case {
    const char* what;
    int count;
    unsigned seed;  // 0: ascending, 1: descending, else shuffled
  };
  const Case cases[] = {{"ascending", 200, 0}, {"descending", 200, 1}, {"shuffled", 300, 7}, {"one", 1, 0}};
  for (const Case& c : cases) {
    PDDoc doc = Simple();
    CosDoc cos = PDDocGetCosDoc(doc);
    CosObj root = KPDNameTreeNew(doc);
    std::vector<std::string> keys;
    for (int i = 0; i < c.count; ++i) keys.push_back("key" + std::to_string(i * 37 % 1000));
    if (c.seed == 1) std::reverse(keys.begin(), keys.end());
    if (c.seed > 1) std::shuffle(keys.begin(), keys.end(), std::mt19937(c.seed));
    for (const std::string& k : keys) ASSERT_TRUE(KPDNameTreePut(root, Str(cos, k), Str(cos, "v" + k))) << c.what;
    for (const std::string& k : keys) {
      CosObj v;
      ASSERT_TRUE(KPDNameTreeGet(root, k.data(), (ASInt32)k.size(), &v)) << c.what << " " << k;
      EXPECT_EQ("v" + k, StringBytes(v));
    }
    std::string problem;
    std::vector<std::string> walked = CheckTree(root, &problem);
    EXPECT_EQ("", problem) << c.what;
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, walked) << c.what;
  }
}

// A key that goes into the root's last kid goes into a kid: the kid that
// gets its first entry then is no root, and is given Limits like any other.
TEST_F(NameTreeTest, TheRootsLastKidIsNoRoot) {
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj root = KPDNameTreeNew(doc);
  CosObj kid = CosNewDict(cos, 1, 2);
  CosDictPut(kid, A("Kids"), CosNewArray(cos, 0, 1));  // an inner node with no kids yet
  CosArrayInsert(CosDictGet(root, A("Kids")), 0, kid);
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "M"), Str(cos, "vM")));
  CosObj limits = CosDictGet(kid, A("Limits"));
  ASSERT_EQ(CosArray, CosObjGetType(limits)) << "the kid got Limits";
  EXPECT_EQ("M", StringBytes(CosArrayGet(limits, 0)));
  EXPECT_EQ("M", StringBytes(CosArrayGet(limits, 1)));
  // Later keys beyond the kid's Limits are not taken for the kid's.
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "Z"), Str(cos, "vZ")));
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "A"), Str(cos, "vA")));
  std::string problem;
  EXPECT_EQ((std::vector<std::string>{"A", "M", "Z"}), CheckTree(root, &problem));
  EXPECT_EQ("", problem);
  for (const char* k : {"A", "M", "Z"}) {
    CosObj v;
    EXPECT_TRUE(KPDNameTreeGet(root, k, 1, &v)) << k;
  }
}

TEST_F(NameTreeTest, FindOrCreateMakesTheCatalogEntriesOnce) {
  PDDoc doc = Simple();
  EXPECT_EQ(CosNull, CosObjGetType(KPDNameTreeFind(doc, A("EmbeddedFiles"))));
  CosObj made = KPDNameTreeFindOrCreate(doc, A("EmbeddedFiles"));
  ASSERT_EQ(CosDict, CosObjGetType(made));
  EXPECT_TRUE(CosObjEqual(made, KPDNameTreeFind(doc, A("EmbeddedFiles"))));
  EXPECT_TRUE(CosObjEqual(made, KPDNameTreeFindOrCreate(doc, A("EmbeddedFiles"))));
  CosObj names = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("Names"));
  EXPECT_TRUE(CosObjIsIndirect(names));
  // Entries of the wrong type are replaced, not used.
  CosDictPut(names, A("JavaScript"), CosNewInteger(PDDocGetCosDoc(doc), 0, 3));
  EXPECT_EQ(CosNull, CosObjGetType(KPDNameTreeFind(doc, A("JavaScript"))));
  EXPECT_EQ(CosDict, CosObjGetType(KPDNameTreeFindOrCreate(doc, A("JavaScript"))));
}

TEST_F(NameTreeTest, KeyTextsOfNames) {
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj abc = UnicodeCosStringFromUTF8(cos, "abc", 1);
  EXPECT_TRUE(CosObjIsIndirect(abc));
  EXPECT_EQ(std::string("\xFE\xFF\0a\0b\0c\0\0", 10), StringBytes(abc));
  EXPECT_EQ(std::string("\xFE\xFF\0\0", 4), StringBytes(UnicodeCosStringFromUTF8(cos, "", 0)));
  // Beyond the Basic Multilingual Plane: a surrogate pair.
  EXPECT_EQ(std::string("\xFE\xFF\0x\xD8\x3D\xDE\x00\0\0", 10),
            StringBytes(UnicodeCosStringFromUTF8(cos, "x\xF0\x9F\x98\x80", 0)));
  // A long name is built off the stack.
  std::string longName(500, 'n');
  EXPECT_EQ(2u + 1000u + 2u, StringBytes(UnicodeCosStringFromUTF8(cos, longName.c_str(), 0)).size());

  struct Case {
    std::string bytes;
    int size;
    bool ok;
    std::string text;
  };
  const Case cases[] = {
      {std::string("\xFE\xFF\0G\0r\0\xFC\0\xDF\0e\0\0", 14), 100, true, "Gr\xC3\xBC\xC3\x9F" "e"},
      {std::string("\xFE\xFF\x20\xAC\0\0", 6), 100, true, "\xE2\x82\xAC"},
      // Without its 16-bit zero the text is still terminated.
      {std::string("\xFE\xFF\0a\0b", 6), 100, true, "ab"},
      // The zero ends the text; what follows it is not read.
      {std::string("\xFE\xFF\0a\0\0\0b", 8), 100, true, "a"},
      // A short buffer keeps whole characters and its NUL.
      {std::string("\xFE\xFF\0a\x20\xAC\0b\0\0", 10), 4, true, "a"},
      {std::string("\xFE\xFF", 2), 10, true, ""},
      {std::string("\xFF\xFE\0a", 4), 10, false, ""},
      {std::string("plain"), 10, false, ""},
      {std::string("\xFE"), 10, false, ""},
  };
  for (const Case& c : cases) {
    char out[100];
    std::memset(out, 'X', sizeof out);
    ASBool ok = UnicodeCosStringToUTF8(Str(cos, c.bytes), out, c.size);
    EXPECT_EQ(c.ok, ok != 0) << c.text;
    if (c.ok) {
      EXPECT_EQ(c.text, std::string(out)) << c.text;
    }
  }
  char out[10];
  EXPECT_FALSE(UnicodeCosStringToUTF8(CosNewInteger(cos, 0, 1), out, sizeof out));
  EXPECT_FALSE(UnicodeCosStringToUTF8(Str(cos, "\xFE\xFF"), nullptr, 10));
}

// Stored with the toolkit's own tree (hosts before 6) and with the host's.
TEST_F(NameTreeTest, AttachmentsStoredFoundSavedAndListed) {
  for (ASInt16 major : {5, 6, 9}) {
    SCOPED_TRACE("host " + std::to_string(major));
    ScopedHostVersion version(major);
    PDDoc doc = Simple();
    CosDoc cos = PDDocGetCosDoc(doc);
    ASSERT_TRUE(StoreFileAttachment(doc, StreamOf(cos, "first file"), "first.xml", "KRVL.first", "Des\xC3\xA9 one"));
    ASSERT_TRUE(StoreFileAttachment(doc, StreamOf(cos, "second"), "second.xml", "Zweit\xC3\xA9", nullptr));
    ASSERT_TRUE(StoreFileAttachment(doc, StreamOf(cos, "third"), "third.xml", "a-third", ""));

    CosObj desc;
    CosObj file = FindFileAttachment(doc, "KRVL.first", &desc);
    ASSERT_EQ(CosStream, CosObjGetType(file));
    EXPECT_EQ("first file", ReadStream(file));
    EXPECT_EQ(A("EmbeddedFile"), CosNameValue(CosDictGet(file, A("Type"))));
    char text[100];
    ASSERT_TRUE(UnicodeCosStringToUTF8(desc, text, sizeof text));
    EXPECT_STREQ("Des\xC3\xA9 one", text);
    file = FindFileAttachment(doc, "Zweit\xC3\xA9", &desc);
    EXPECT_EQ("second", ReadStream(file));
    EXPECT_EQ(CosNull, CosObjGetType(desc)) << "no description, no Desc";
    FindFileAttachment(doc, "a-third", &desc);
    EXPECT_EQ(CosNull, CosObjGetType(desc)) << "an empty description is none";
    EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, "KRVL.firs", &desc)));
    EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, "KRVL.first2", nullptr)));

    // The same name again replaces the attachment.
    ASSERT_TRUE(StoreFileAttachment(doc, StreamOf(cos, "replaced"), "first.xml", "KRVL.first", "two"));
    EXPECT_EQ("replaced", ReadStream(FindFileAttachment(doc, "KRVL.first", nullptr)));
    std::string problem;
    EXPECT_EQ(3u, CheckTree(KPDNameTreeFind(doc, A("EmbeddedFiles")), &problem).size());
    EXPECT_EQ("", problem);

    std::string name = "stored" + std::to_string(major) + ".pdf";
    PDDoc back = Reopen(doc, name);
    EXPECT_EQ("replaced", ReadStream(FindFileAttachment(back, "KRVL.first", nullptr)));
    EXPECT_EQ("third", ReadStream(FindFileAttachment(back, "a-third", nullptr)));
    std::string listed = ShellOutput("qpdf --list-attachments --verbose '" + dir.file(name) + "'");
    EXPECT_NE(std::string::npos, listed.find("KRVL.first")) << listed;
    EXPECT_NE(std::string::npos, listed.find("first.xml")) << listed;
    EXPECT_NE(std::string::npos, listed.find("a-third")) << listed;
  }
}

TEST_F(NameTreeTest, KeysOtherWritersUseAreFound) {
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj tree = KPDNameTreeFindOrCreate(doc, A("EmbeddedFiles"));
  auto spec = [&](const std::string& data) {
    CosObj s = CosNewDict(cos, 1, 2);
    CosObj ef = CosNewDict(cos, 0, 1);
    CosDictPut(ef, A("F"), StreamOf(cos, data));
    CosDictPut(s, A("EF"), ef);
    CosDictPut(s, A("Desc"), Str(cos, "d-" + data));
    return s;
  };
  std::string swapped = kvfix::NameTreeKey("low");
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  ASSERT_TRUE(KPDNameTreePut(tree, Str(cos, swapped), spec("low byte first")));
  std::string noZero = kvfix::NameTreeKey("nozero");
  noZero.resize(noZero.size() - 2);
  ASSERT_TRUE(KPDNameTreePut(tree, Str(cos, noZero), spec("no zero")));
  ASSERT_TRUE(KPDNameTreePut(tree, Str(cos, "plain"), spec("plain bytes")));
  // A specification without a file stream, and one whose EF is no dictionary.
  CosObj noStream = CosNewDict(cos, 1, 1);
  CosObj ef = CosNewDict(cos, 0, 1);
  CosDictPut(ef, A("F"), CosNewInteger(cos, 0, 5));
  CosDictPut(noStream, A("EF"), ef);
  ASSERT_TRUE(KPDNameTreePut(tree, Str(cos, kvfix::NameTreeKey("nostream")), noStream));
  CosObj badEF = CosNewDict(cos, 1, 1);
  CosDictPut(badEF, A("EF"), Str(cos, "x"));
  ASSERT_TRUE(KPDNameTreePut(tree, Str(cos, kvfix::NameTreeKey("badef")), badEF));

  struct Case {
    const char* name;
    const char* data;  // null: nothing found
  };
  const Case cases[] = {{"low", "low byte first"}, {"nozero", "no zero"}, {"plain", "plain bytes"},
                        {"nostream", nullptr},    {"badef", nullptr}};
  for (const Case& c : cases) {
    CosObj desc;
    CosObj file = FindFileAttachment(doc, c.name, &desc);
    if (!c.data) {
      EXPECT_EQ(CosNull, CosObjGetType(file)) << c.name;
      EXPECT_EQ(CosNull, CosObjGetType(desc)) << c.name;
      continue;
    }
    ASSERT_EQ(CosStream, CosObjGetType(file)) << c.name;
    EXPECT_EQ(c.data, ReadStream(file));
    EXPECT_EQ(std::string("d-") + c.data, StringBytes(desc));
  }
}

TEST_F(NameTreeTest, ALookUpLeavesADocumentWithoutNamesAlone) {
  PDDoc doc = Simple();
  CosDocSetDirty(PDDocGetCosDoc(doc), 0);
  PDDocClearFlags(doc, PDDocNeedsSave);
  CosObj desc = CosNewInteger(PDDocGetCosDoc(doc), 0, 1);
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, "anything", &desc)));
  EXPECT_EQ(CosNull, CosObjGetType(desc));
  EXPECT_EQ(CosNull, CosObjGetType(KPDNameTreeFind(doc, A("EmbeddedFiles"))));
  EXPECT_FALSE(CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(doc)), A("Names")));
  EXPECT_FALSE(CosDocIsDirty(PDDocGetCosDoc(doc)));
  EXPECT_EQ(0, PDDocGetFlags(doc) & PDDocNeedsSave);
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(nullptr, "x", nullptr)));
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, nullptr, nullptr)));
}

TEST_F(NameTreeTest, ADamagedAttachmentStreamIsFoundAndFailsOnlyWhenRead) {
  ScopedHostVersion version(5);
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj attributes = CosNewDict(cos, 0, 1);
  CosDictPut(attributes, A("Filter"), CosNewName(cos, 0, A("FlateDecode")));
  const std::string junk = "these bytes do not inflate";
  ASStm stm = ASMemStmRdOpen(junk.data(), junk.size());
  CosObj bad = CosNewStream(cos, 1, stm, 0, 0, attributes, CosNewNull(), (ASInt32)junk.size());
  ASStmClose(stm);
  ASSERT_TRUE(StoreFileAttachment(doc, bad, "bad.bin", "bad", "damaged"));
  CosObj file = FindFileAttachment(doc, "bad", nullptr);
  ASSERT_EQ(CosStream, CosObjGetType(file));
  EXPECT_NE(0, ErrorOf([&] { ReadStream(file); })) << "reading the data fails as a host error";
  // Storing does not take anything that is not a stream.
  EXPECT_FALSE(StoreFileAttachment(doc, CosNewInteger(cos, 0, 1), "x", "x", nullptr));
  EXPECT_FALSE(StoreFileAttachment(doc, StreamOf(cos, "x"), "x", nullptr, nullptr));
}

TEST_F(NameTreeTest, ADeepTreeFromAFile) {
  const int levels = 100, perLeaf = 2;
  PDDoc doc = Doc("deep.pdf", [](const std::string& p) { kvfix::WriteDeepNameTree(p, 100, 2); });
  const int total = (levels + 1) * perLeaf;
  for (int i = 0; i < total; ++i) {
    std::string name = kvfix::NameTreeFileName(i);
    CosObj desc;
    CosObj file = FindFileAttachment(doc, name.c_str(), &desc);
    ASSERT_EQ(CosStream, CosObjGetType(file)) << name;
    EXPECT_EQ("data of " + name, ReadStream(file));
    EXPECT_EQ("about " + name, StringBytes(desc));
  }
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, "file-9999", nullptr)));

  // New keys before, among and after the old ones, with the toolkit's writer.
  ScopedHostVersion version(5);
  CosDoc cos = PDDocGetCosDoc(doc);
  const std::vector<std::string> added = {"aaa-first", "file-0050x", "file-0999", "zzz-last"};
  for (const std::string& name : added)
    ASSERT_TRUE(StoreFileAttachment(doc, StreamOf(cos, "new " + name), "n.txt", name.c_str(), "new")) << name;
  for (const std::string& name : added) EXPECT_EQ("new " + name, ReadStream(FindFileAttachment(doc, name.c_str(), nullptr)));
  for (int i = 0; i < total; i += 17)
    EXPECT_EQ(CosStream, CosObjGetType(FindFileAttachment(doc, kvfix::NameTreeFileName(i).c_str(), nullptr)));
  std::string problem;
  std::vector<std::string> keys = CheckTree(KPDNameTreeFind(doc, A("EmbeddedFiles")), &problem);
  EXPECT_EQ("", problem);
  EXPECT_EQ((size_t)total + added.size(), keys.size());
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));

  Reopen(doc, "deeper.pdf");
  std::string listed = ShellOutput("qpdf --list-attachments '" + dir.file("deeper.pdf") + "'");
  EXPECT_NE(std::string::npos, listed.find("zzz-last")) << listed.substr(0, 400);
}

TEST_F(NameTreeTest, CirclesAndLimitsThatAreNoStringsEndTheWalks) {
  PDDoc doc = Doc("cyclic.pdf", kvfix::WriteCyclicNameTree);
  for (int i = 0; i < 6; ++i) {
    std::string name = kvfix::NameTreeFileName(i);
    CosObj file = FindFileAttachment(doc, name.c_str(), nullptr);
    ASSERT_EQ(CosStream, CosObjGetType(file)) << name;
    EXPECT_EQ("data of " + name, ReadStream(file));
  }
  EXPECT_EQ(CosNull, CosObjGetType(FindFileAttachment(doc, "file-0006", nullptr)));
  CosObj root = KPDNameTreeFind(doc, A("EmbeddedFiles"));
  CosObj node;
  ASBool leaf;
  std::string key = kvfix::NameTreeKey("zzz");
  EXPECT_TRUE(KPDNameTreeGetNodeForKey(root, key.data(), (ASInt32)key.size(), &node, &leaf));

  CosDoc cos = PDDocGetCosDoc(doc);
  // A key that exists is replaced where it is; one after every key would go
  // into the node that is its own kid: refused.
  std::string existing = kvfix::NameTreeKey(kvfix::NameTreeFileName(3));
  EXPECT_TRUE(KPDNameTreePut(root, Str(cos, existing), Str(cos, "new value")));
  CosObj value;
  ASSERT_TRUE(KPDNameTreeGet(root, existing.data(), (ASInt32)existing.size(), &value));
  EXPECT_EQ("new value", StringBytes(value));
  EXPECT_FALSE(KPDNameTreePut(root, Str(cos, key), Str(cos, "lost")));
  {
    ScopedHostVersion version(5);
    EXPECT_FALSE(StoreFileAttachment(doc, StreamOf(cos, "x"), "x", "zzz", nullptr));
  }
  // The host refuses the circular tree too, without an exception.
  EXPECT_FALSE(StoreFileAttachment(doc, StreamOf(cos, "x"), "x", "zzz", nullptr));
}

TEST_F(NameTreeTest, TreesDeeperThanTheLimitGiveNothingBack) {
  PDDoc doc = Doc("toodeep.pdf", [](const std::string& p) { kvfix::WriteDeepNameTree(p, kNameTreeMaxDepth + 40, 1); });
  EXPECT_EQ(CosStream, CosObjGetType(FindFileAttachment(doc, kvfix::NameTreeFileName(0).c_str(), nullptr)));
  EXPECT_EQ(CosStream, CosObjGetType(FindFileAttachment(doc, kvfix::NameTreeFileName(100).c_str(), nullptr)));
  EXPECT_EQ(CosNull,
            CosObjGetType(FindFileAttachment(doc, kvfix::NameTreeFileName(kNameTreeMaxDepth + 40).c_str(), nullptr)));
}

TEST_F(NameTreeTest, NodesOfTheWrongKind) {
  PDDoc doc = Simple();
  CosDoc cos = PDDocGetCosDoc(doc);
  EXPECT_FALSE(KPDNameTreePut(CosNewInteger(cos, 0, 1), Str(cos, "k"), Str(cos, "v")));
  EXPECT_FALSE(KPDNameTreePut(KPDNameTreeNew(doc), CosNewInteger(cos, 0, 1), Str(cos, "v")));
  CosObj node;
  ASBool leaf;
  EXPECT_FALSE(KPDNameTreeGetNodeForKey(Str(cos, "x"), "k", 1, &node, &leaf));
  CosObj v;
  EXPECT_FALSE(KPDNameTreeGet(CosNewNull(), "k", 1, &v));

  // A root holding neither array, or a "Kids" that is no array, gets a first
  // kid and keeps the key.
  for (const char* junk : {"none", "kids"}) {
    CosObj root = CosNewDict(cos, 1, 1);
    if (std::string(junk) == "kids") CosDictPut(root, A("Kids"), CosNewInteger(cos, 0, 4));
    EXPECT_TRUE(KPDNameTreePut(root, Str(cos, "k"), Str(cos, "v"))) << junk;
    ASSERT_TRUE(KPDNameTreeGet(root, "k", 1, &v)) << junk;
    EXPECT_EQ("v", StringBytes(v));
    ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "j"), Str(cos, "w")));
    ASSERT_TRUE(KPDNameTreeGet(root, "j", 1, &v));
    EXPECT_EQ("w", StringBytes(v));
  }

  // A leaf whose last key lost its value keeps its pairs in place.
  CosObj root = KPDNameTreeNew(doc);
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "b"), Str(cos, "vb")));
  CosObj names = CosDictGet(CosArrayGet(CosDictGet(root, A("Kids")), 0), A("Names"));
  CosArrayInsert(names, 2, Str(cos, "dangling"));
  ASSERT_TRUE(KPDNameTreePut(root, Str(cos, "c"), Str(cos, "vc")));
  ASSERT_TRUE(KPDNameTreeGet(root, "c", 1, &v));
  EXPECT_EQ("vc", StringBytes(v));
  ASSERT_TRUE(KPDNameTreeGet(root, "b", 1, &v));
  EXPECT_EQ("vb", StringBytes(v));
}

}  // namespace
