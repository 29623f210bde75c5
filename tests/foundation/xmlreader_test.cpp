#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/XMLReader.h"
#include "support/TempDir.h"

namespace {

struct Doc {
  std::string bytes;
  SXMLDoc* doc;
  explicit Doc(std::string b) : bytes(std::move(b)) {
    doc = NewXMLDocFromBuffer(bytes.data(), (ASInt32)bytes.size());
    ParseXMLDoc(doc);
  }
  ~Doc() { FreeXMLDoc(doc); }
  SXMLElement* root() const { return doc->root; }
};

std::vector<int> Types(SXMLDoc* d) {
  std::vector<int> t;
  for (SXMLElement* e = d->first; e; e = e->next) t.push_back(e->type);
  return t;
}

}  // namespace

TEST(XMLReader, NodeKindsAndRoot) {
  Doc d("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \">\">]><!-- <fake/> --><r a='1'>t<![CDATA[<c>]]><e/></r>\n");
  EXPECT_EQ((std::vector<int>{5, 5, 4, 1, 0, 0, 3, 2, 0, 6}), Types(d.doc));
  ASSERT_NE(nullptr, d.root());
  EXPECT_STREQ("r", d.root()->name);
  EXPECT_EQ(nullptr, XMLElementFindChildElement(d.root(), "fake", nullptr)) << "comments hold no elements";
  EXPECT_STREQ("t<c> ", XMLElementGetText(d.root()));
}

TEST(XMLReader, TextOfNestedElements) {
  Doc d("<a>x<b>y</b>z</a> ");
  EXPECT_STREQ("x y z", XMLElementGetText(d.root()));
  SXMLElement* b = XMLElementFindChildElement(d.root(), "b", nullptr);
  EXPECT_STREQ("y", XMLElementGetText(b));
  Doc e("<a><b/></a> ");
  EXPECT_STREQ("", XMLElementGetText(XMLElementFindChildElement(e.root(), "b", nullptr)));
  EXPECT_EQ(nullptr, XMLElementGetText(nullptr));
}

TEST(XMLReader, ChildIterationSkipsGrandchildren) {
  Doc d("<r><i n='1'><i n='inner'/></i><x/><i n='2'/><i n='3'>t</i></r> ");
  std::vector<std::string> seen;
  for (SXMLElement* c = XMLElementFindChildElement(d.root(), "i", nullptr); c;
       c = XMLElementFindChildElement(d.root(), "i", c))
    seen.push_back(XMLElementSubkeyValue(c, "n"));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), seen);
  int any = 0;
  for (SXMLElement* c = XMLElementFindChildElement(d.root(), nullptr, nullptr); c;
       c = XMLElementFindChildElement(d.root(), nullptr, c))
    ++any;
  EXPECT_EQ(4, any);
}

// A value reads the same whichever quote it is written in, and with its
// entities and character references expanded as element text is; both
// readers of attributes agree.
TEST(XMLReader, AttributesReadTheSameInEitherQuote) {
  struct Case {
    const char* tag;
    const char* value;  // null: no value
  };
  const Case cases[] = {
      {"<r k=\"plain\">", "plain"},
      {"<r k='plain'>", "plain"},
      {"<r k='say \"hi\"'>", "say \"hi\""},
      {"<r k=\"it's\">", "it's"},
      {"<r k=\"A&amp;B\">", "A&B"},
      {"<r k='A&amp;B'>", "A&B"},
      {"<r k='&lt;&gt;&apos;&quot;'>", "<>'\""},
      {"<r k=\"&#233;&#xE9;\">", "\xC3\xA9\xC3\xA9"},
      {"<r k='&#233;&#xe9;'>", "\xC3\xA9\xC3\xA9"},
      {"<r k='A&foo;B'>", "A?B"},
      {"<r k = 'spaced' >", "spaced"},
      {"<r\tk=\n'on lines'>", "on lines"},
      {"<r a=' k=\"inner\"' k='outer'>", "outer"},
      {"<r k=''>", ""},
      {"<r kk='no' k2='no'>", nullptr},
      {"<r>", nullptr},
      {"<RUVURAZAR xmlns='http://korvel.invalid/xml/cabinet/3'>", "http://korvel.invalid/xml/cabinet/3"},
      {"<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">", "http://korvel.invalid/xml/cabinet/3"},
      {"<RUVURAZAR xmlns='http&#58;//korvel.invalid/xml/cabinet/3'>", "http://korvel.invalid/xml/cabinet/3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    std::string tag = c.tag;
    // The key of the case is k, or xmlns on the root of cabinet XML.
    const char* key = tag.find("xmlns") != std::string::npos ? "xmlns" : "k";
    for (const std::string& form : {tag + "x</" + tag.substr(1, tag.find_first_of(" \t>") - 1) + ">",
                                    tag.substr(0, tag.size() - 1) + "/>"}) {
      SCOPED_TRACE(form);
      Doc d(form + " ");
      const char* v = XMLElementSubkeyValue(d.root(), key);
      char buf[100];
      ASBool found = XMLItemFindSubkey(d.root(), key, buf, sizeof buf);
      if (c.value) {
        EXPECT_STREQ(c.value, v);
        EXPECT_TRUE(found);
        EXPECT_STREQ(c.value, buf);
      } else {
        EXPECT_EQ(nullptr, v);
        EXPECT_FALSE(found);
      }
    }
  }
}

// What the readers do with what is not well-formed: the last of a repeated
// key is its value, the first scan takes the first; an unquoted value is
// passed over by the one and copied by the other; a value is cut to fit.
TEST(XMLReader, AttributesTheReadersMakeTheBestOf) {
  Doc d("<r N=\"first\" N='second' bare=x amp='A&amp;BCDEF'>x</r> ");
  EXPECT_STREQ("second", XMLElementSubkeyValue(d.root(), "N"));
  EXPECT_EQ(nullptr, XMLElementSubkeyValue(d.root(), "bare"));
  char buf[8];
  EXPECT_TRUE(XMLItemFindSubkey(d.root(), "N", buf, 4));
  EXPECT_STREQ("fir", buf);
  EXPECT_TRUE(XMLItemFindSubkey(d.root(), "bare", buf, sizeof buf));
  EXPECT_STREQ("x", buf);
  EXPECT_TRUE(XMLItemFindSubkey(d.root(), "amp", buf, 5));
  EXPECT_STREQ("A&BC", buf);
  EXPECT_FALSE(XMLItemFindSubkey(d.root(), "nope", buf, sizeof buf));
}

TEST(XMLReader, Entities) {
  struct Case {
    const char* in;
    const char* out;
    bool ok;
  };
  const Case cases[] = {
      {"plain", "plain", true},
      {"&lt;&gt;&amp;&apos;&quot;", "<>&'\"", true},
      {"&#233;", "\xC3\xA9", true},
      {"&#xe9;&#xE9;", "\xC3\xA9\xC3\xA9", true},
      {"&#XE9;", "?", false},
      {"&#0;", "?", false},
      {"&#xD800;", "?", false},
      {"&#x110000;", "?", false},
      {"&#1114111;", "\xF4\x8F\xBF\xBF", true},
      {"&#99999999999;", "?", false},
      {"&#x;", "?", false},
      {"&nope;x", "?x", false},
  };
  for (const Case& c : cases) {
    ASInt32 len = (ASInt32)std::strlen(c.in);
    ASInt32 need = ExpandEntitiesSizeNeeded(c.in, len);
    std::vector<char> out((size_t)need + 1);
    ASInt32 n = -1;
    EXPECT_EQ(c.ok, (bool)ExpandEntities(c.in, len, out.data(), need, &n)) << c.in;
    EXPECT_EQ(need, n) << c.in;
    EXPECT_EQ(std::string(c.out), std::string(out.data(), (size_t)n)) << c.in;
  }
  std::string unterminated = "&" + std::string(120, 'a');
  char out[200];
  ASInt32 n;
  EXPECT_FALSE(ExpandEntities(unterminated.c_str(), (ASInt32)unterminated.size(), out, sizeof out, &n));
}

TEST(XMLReader, MakeEntitiesFitsOrReportsFalse) {
  const char* text = "a<b&\"c";
  ASInt32 len = (ASInt32)std::strlen(text);
  ASInt32 need = MakeEntitiesSizeNeeded(text, len);
  EXPECT_EQ(1 + 1 + 4 + 1 + 5 + 6 + 1, need);
  EXPECT_TRUE(MakeEntitiesNeeded(text, len));
  EXPECT_FALSE(MakeEntitiesNeeded("abc", 3));
  std::vector<char> out((size_t)need);
  ASInt32 n;
  EXPECT_TRUE(MakeEntities(text, len, out.data(), need, &n));
  EXPECT_STREQ("a&lt;b&amp;&quot;c", out.data());
  EXPECT_EQ(need - 1, n);
  char small[6];
  EXPECT_FALSE(MakeEntities(text, len, small, sizeof small, nullptr));
  EXPECT_STREQ("a&lt;", small) << "what does not fit, with room for the terminator, is dropped";
}

TEST(XMLReader, BadMarkupNeverFails) {
  struct Case {
    const char* text;
    std::vector<int> types;
  };
  const Case cases[] = {
      {"<a", {3, 6}},                 // unterminated tag
      {"<a>", {3, 6}},                // a start tag closing on the last byte
      {"<a><!-- open", {1, 4, 6}},
      {"<a><![CDATA[x", {1, 0, 6}},
      {"<a attr='>'>x</a>", {1, 0, 2, 6}},
      {"</z><a>x</a>", {2, 1, 0, 2, 6}},
      {"", {6}},
  };
  for (const Case& c : cases) {
    Doc d(c.text);
    EXPECT_EQ(c.types, Types(d.doc)) << c.text;
  }
  Doc d("<a>");
  EXPECT_STREQ("BADBAD", d.root()->name);
}

TEST(XMLReader, UnmatchedEndTagsLeaveOtherPairsAlone) {
  Doc d("<a><b>1</c></b><d>2</d></a> ");
  SXMLElement* b = XMLElementFindChildElement(d.root(), "b", nullptr);
  ASSERT_NE(nullptr, b);
  EXPECT_STREQ("1 ", XMLElementGetText(b)) << "the stray end tag stands as a blank";
  EXPECT_STREQ("2", XMLElementGetText(XMLElementFindChildElement(d.root(), "d", nullptr)));
}

namespace {
// For every node, the index of its matching node (-1 when none).
std::vector<int> Matches(SXMLDoc* d) {
  std::vector<SXMLElement*> nodes;
  for (SXMLElement* e = d->first; e; e = e->next) nodes.push_back(e);
  std::vector<int> m;
  for (SXMLElement* e : nodes) {
    int at = -1;
    for (size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i] == e->match) at = (int)i;
    m.push_back(at);
  }
  return m;
}
}  // namespace

TEST(XMLReader, AnEndTagClosesTheInnermostOpenTagOfItsName) {
  struct Case {
    const char* text;
    std::vector<int> matches;  // per node, the end node included
  };
  const Case cases[] = {
      {"<a><b></b></a>", {3, 2, 1, 0, -1}},
      {"<a><a></a></a>", {3, 2, 1, 0, -1}},       // the inner one first
      {"<a><b><c></a>", {3, -1, -1, 0, -1}},      // closes b and c, which stay unmatched
      {"<a><b></a></b>", {2, -1, 0, -1, -1}},     // b was closed with a: its end tag matches nothing
      {"<a></x><b></b></a>", {4, -1, 3, 2, 0, -1}},
      {"<a><b><a></b></a>", {4, 3, -1, 1, 0, -1}},  // closing b closes the inner a; the outer one is left
      {"</a><a></a></a>", {-1, 2, 1, -1, -1}},
  };
  for (const Case& c : cases) {
    Doc d(c.text);
    EXPECT_EQ(c.matches, Matches(d.doc)) << c.text;
  }
}

TEST(XMLReader, AnUnclosedTagEndsWhereTheTagAroundItEnds) {
  // Each Data is closed only by its Cell's end tag: its text is the cell's,
  // not the rest of the document.
  Doc d("<Row><Cell><Data>one</Cell><Cell><Data>two<b>x</b></Cell><Cell><Data>three</Row> tail");
  std::vector<std::string> texts;
  for (SXMLElement* c = XMLElementFindChildElement(d.root(), "Cell", nullptr); c;
       c = XMLElementFindChildElement(d.root(), "Cell", c)) {
    SXMLElement* data = XMLElementFindChildElement(c, "Data", nullptr);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(nullptr, data->match);
    texts.push_back(XMLElementGetText(data));
  }
  EXPECT_EQ((std::vector<std::string>{"one", "two x ", "three"}), texts);
  // Children too end there.
  Doc e("<r><a><x/></r><x/></r>");
  SXMLElement* a = XMLElementFindChildElement(e.root(), "a", nullptr);
  ASSERT_NE(nullptr, a);
  SXMLElement* x = XMLElementFindChildElement(a, "x", nullptr);
  ASSERT_NE(nullptr, x);
  EXPECT_EQ(nullptr, XMLElementFindChildElement(a, "x", x));
  // Never closed at all: to the end of the document.
  Doc f("<r><a>x");
  EXPECT_STREQ("x", XMLElementGetText(XMLElementFindChildElement(f.root(), "a", nullptr)));
}

TEST(XMLReader, EncodingsAndCallerBytesStayUntouched) {
  std::string utf16("\xFE\xFF\x00<\x00r\x00>\x00\xE9\x00<\x00/\x00r\x00>\x00 ", 20);
  std::string copy16 = utf16;
  {
    Doc d(utf16);
    EXPECT_STREQ("\xC3\xA9", XMLElementGetText(d.root()));
    EXPECT_EQ(copy16, d.bytes) << "the UTF-16 bytes are the caller's";
  }
  std::string bad = "<r>a\xFF" "b</r> ";
  std::string copyBad = bad;
  Doc d(bad);
  EXPECT_STREQ("a?b", XMLElementGetText(d.root()));
  EXPECT_EQ(copyBad, d.bytes) << "repair happens in the document's own copy";
  EXPECT_EQ(nullptr, NewXMLDocFromBuffer(nullptr, 4));
}

TEST(XMLReader, Files) {
  kvtest::TempDir dir;
  kvtest::WriteWholeFile(dir.file("a.xml"), "<r>file</r>\n");
  ASInt32 len = 0;
  char* buf = GetFileAsBuffer(dir.file("a.xml").c_str(), &len);
  ASSERT_NE(nullptr, buf);
  EXPECT_EQ(12, len);
  EXPECT_EQ(0, buf[len]);
  ASfree(buf);
  SXMLDoc* doc = NewXMLDocFromFile(dir.file("a.xml").c_str());
  ASSERT_NE(nullptr, doc);
  ParseXMLDoc(doc);
  EXPECT_STREQ("file", XMLElementGetText(doc->root));
  FreeXMLDoc(doc);
  EXPECT_EQ(nullptr, NewXMLDocFromFile(dir.file("missing.xml").c_str()));
  EXPECT_EQ(nullptr, GetFileAsBuffer(dir.path().c_str(), &len)) << "a folder is not a file";
}

TEST(XMLReader, HandleNumberTable) {
  struct Case {
    const char* entity;
    bool ok;
    ASUns32 value;
  };
  const Case cases[] = {
      {"&#65", true, 65},       {"&#x41", true, 65},   {"&#xFFFF", true, 0xFFFF}, {"&#x10FFFF", true, 0x10FFFF},
      {"&#x7FFFFFF", false, 0}, {"&#65a", false, 0},   {"&#", false, 0},          {"&#x", false, 0},
      {"&#x000000041", false, 0}, {"&#-1", false, 0},  {"&65", false, 0},         {"&#xDFFF", false, 0},
  };
  for (const Case& c : cases) {
    ASUns32 v = 0;
    EXPECT_EQ(c.ok, (bool)HandleNumber(c.entity, &v)) << c.entity;
    if (c.ok) {
      EXPECT_EQ(c.value, v) << c.entity;
    }
  }
}
