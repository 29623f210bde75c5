#include <gtest/gtest.h>

#include <string>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;

namespace {

class TextEdit : public PfFixture {
 protected:
  void SetUp() override {
    PfFixture::SetUp();
    w = PfNewWindow(PfSetRect(0, 40, 400, 400), "W", true, 0, true, false, 0);
    te = PfTENew(w, PfSetRect(10, 10, 200, 30), PfSetRect(10, 10, 200, 30));
  }
  std::string Text() { return PfTEGetText(te); }
  PfWindowRef w = nullptr;
  PfTEHandle te = nullptr;
};

TEST_F(TextEdit, TypingReplacesTheSelectionAndDeletesWholeCharacters) {
  PfTESetText(te, "h\xC3\xA9llo", -1);
  PfTESetSelect(te, 0, 1);
  PfTEKey('H', 0, te);
  EXPECT_EQ("H\xC3\xA9llo", Text());
  PfTESetSelect(te, 3, 3);
  PfTEKey(kPfBackspaceChar, 0, te);
  EXPECT_EQ("Hllo", Text()) << "the accented letter goes as one";
  PfTEKey(0x20AC, 0, te);
  EXPECT_EQ("H\xE2\x82\xACllo", Text());
  PfTESetSelect(te, 1, 1);
  PfTEKey(kPfForwardDeleteChar, 0, te);
  EXPECT_EQ("Hllo", Text());
  PfTEKey(kPfEscapeChar, 0, te);
  EXPECT_EQ("Hllo", Text()) << "control characters are not text";
}

TEST_F(TextEdit, SelectionsAreClampedToBoundaries) {
  PfTESetText(te, "a\xE2\x82\xAC" "b", -1);
  int32_t s, e;
  PfTESetSelect(te, 2, 32767);
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(1, s) << "an offset inside the euro sign moves to its start";
  EXPECT_EQ(5, e);
  PfTESetSelect(te, -5, -1);
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(0, s);
  EXPECT_EQ(0, e);
}

TEST_F(TextEdit, CutCopyPasteGoThroughTheScrapAndTheClipboard) {
  PfTESetText(te, "abcdef", -1);
  PfTESetSelect(te, 1, 3);
  PfTECopy(te);
  EXPECT_STREQ("bc", PfTEScrapText());
  EXPECT_STREQ("bc", PfClipboardGetUTF8());
  PfTESetSelect(te, 3, 5);
  PfTECut(te);
  EXPECT_EQ("abcf", Text());
  PfTEPaste(te);
  EXPECT_EQ("abcdef", Text());
  // Another program fills the clipboard: paste takes it only after the scrap is refreshed.
  PfClipboardSetUTF8("XY", -1);
  PfTESetSelect(te, 0, 0);
  PfTEPaste(te);
  EXPECT_EQ("deabcdef", Text());
  PfTEFromScrap();
  PfTEPaste(te);
  EXPECT_EQ("deXYabcdef", Text());
}

TEST_F(TextEdit, ClicksPlaceTheCaretAndTheCaretBlinksOnTheClock) {
  PfTESetText(te, "abc", -1);
  // 'a' is 7 wide starting at 10: a click at 12 is nearer its start, at 15 nearer its end.
  PfTEClick(PfPoint{12, 15}, false, te);
  int32_t s, e;
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(0, s);
  PfTEClick(PfPoint{15, 15}, false, te);
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(1, s);
  PfTEClick(PfPoint{199, 15}, true, te);
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(1, s);
  EXPECT_EQ(3, e);
  PfTEActivate(te);
  PfTEIdle(te);
  EXPECT_EQ(0, PfTEBlinkCount(te));
  PfClockAdvance(PfGetCaretTime());
  PfTEIdle(te);
  EXPECT_EQ(1, PfTEBlinkCount(te));
  PfTEDeactivate(te);
  PfClockAdvance(100);
  PfTEIdle(te);
  EXPECT_EQ(1, PfTEBlinkCount(te));
}

}  // namespace
