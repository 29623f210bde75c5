#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/ASAtom.h"
#include "pdftools/PDFAtoms.h"

TEST(PDFAtoms, FilledOnceInSlotOrder) {
  ASUns32 before = ASAtomGetCount();
  InitGlobalAtomTable();
  ASSERT_TRUE(atomTableReady);
  ASUns32 after = ASAtomGetCount();
  EXPECT_LE(after - before, 231u);
  InitGlobalAtomTable();
  EXPECT_EQ(after, ASAtomGetCount()) << "a second call makes no atoms";

  struct Slot {
    ASInt32 slot;
    const char* name;
  };
  const Slot slots[] = {{K_A, "A"},          {K_ASCIIHexDecode, "ASCIIHexDecode"}, {11, "ASCIIHexDecode"},
                        {12, "ASCII85Decode"}, {157, "Parent"},                   {K_Parent, "Parent"},
                        {223, "XObject"},    {224, "W"},                         {230, "YStep"},
                        {34, "ca"},          {35, "CA"},                         {147, "OP"},
                        {148, "op"},         {200, "TR"},                        {205, "Tr"}};
  for (const Slot& s : slots) {
    EXPECT_STREQ(s.name, GlobalAtomName(s.slot));
    EXPECT_EQ(ASAtomFromString(s.name), atom[s.slot]) << s.name;
  }
  std::set<ASAtom> distinct(atom, atom + kGlobalAtomCount);
  EXPECT_EQ(231u, distinct.size()) << "names differing only in case are separate slots";
  EXPECT_EQ(nullptr, GlobalAtomName(231));
}
