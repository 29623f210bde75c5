#include "foundation/AVUTF8.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/MFUtil.h"
#include "foundation/Scratch.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"
#include "host/HostTables.h"

namespace {

// The version-6.0 view table, asked for once per load.
HFT ViewTable6() {
  static bool asked = false;
  static HFT table = nullptr;
  if (!asked) {
    asked = true;
    table = ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0));
  }
  return table;
}

// Destroys a host text at the end of a scope.
struct OwnedText {
  ASText t;
  ~OwnedText() { ASTextDestroy(t); }
};

}  // namespace

AVMenuItem AVMenuItemNewUTF8(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                             char shortcut, ASUns16 flags, AVIcon icon, ExtensionID extension) {
  if (!title) title = "";
  HFT table = ViewTable6();
  if (table && HFTEntryIsPresent(table, AVMenuItemNewWithASTextSEL)) {
    auto call = reinterpret_cast<decltype(&AVMenuItemNewWithASText)>(HFTGetEntry(table, AVMenuItemNewWithASTextSEL));
    OwnedText text{ASTextNewFromUTF8(title)};
    return call(text.t, name, submenu, longMenusOnly, shortcut, flags, icon, extension);
  }
  KScratch<> native((size_t)UTF8ToPlatformNativeBytesNeededTerm(title));
  UTF8ToPlatformNativeTerm(title, native.data(), (ASInt32)native.size(), '?');
  return AVMenuItemNew(native.data(), name, submenu, longMenusOnly, shortcut, flags, icon, extension);
}

void AVWindowGetTitleUTF8(AVWindow window, char* out, ASInt32 size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  HFT table = ViewTable6();
  OwnedText text{ASTextNewFromUTF8("?")};
  if (table && HFTEntryIsPresent(table, AVWindowGetTitleSEL)) {
    auto call = reinterpret_cast<decltype(&AVWindowGetTitle)>(HFTGetEntry(table, AVWindowGetTitleSEL));
    call(window, text.t);
    char* utf8 = static_cast<char*>(ASTextGetUnicodeCopy(text.t, kUTF8));
    if (utf8) {
      CopyCutUTF8(out, (size_t)size, utf8);
      ASfree(utf8);
    }
    return;
  }
  // Older hosts: the title in the host's encoding, at most 999 bytes, converted.
  AVWindowGetTitle(window, text.t);
  char native[1000];
  const char* encoded = ASTextGetEncoded(text.t, ASGetHostEncoding());
  std::snprintf(native, sizeof native, "%s", encoded ? encoded : "");
  PlatformNativeToUTF8Term(native, out, size, '?');
}
