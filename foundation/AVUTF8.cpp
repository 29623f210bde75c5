#include "foundation/AVUTF8.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/HostTextHolder.h"
#include "foundation/MFUtil.h"
#include "foundation/Scratch.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"
#include "foundation/ViewTable.h"
#include "host/HostTables.h"

AVMenuItem AVMenuItemNewUTF8(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                             char shortcut, ASUns16 flags, AVIcon icon, ExtensionID extension) {
  if (!title) title = "";
  HFT table = HostViewTable6();
  if (table && HFTEntryIsPresent(table, AVMenuItemNewWithASTextSEL)) {
    auto call = reinterpret_cast<decltype(&AVMenuItemNewWithASText)>(HFTGetEntry(table, AVMenuItemNewWithASTextSEL));
    HostTextHolder text(ASTextNewFromUTF8(title));
    return call(text.get(), name, submenu, longMenusOnly, shortcut, flags, icon, extension);
  }
  KScratch<> native((size_t)UTF8ToPlatformNativeBytesNeededTerm(title));
  UTF8ToPlatformNativeTerm(title, native.data(), (ASInt32)native.size(), '?');
  return AVMenuItemNew(native.data(), name, submenu, longMenusOnly, shortcut, flags, icon, extension);
}

void AVWindowGetTitleUTF8(AVWindow window, char* out, ASInt32 size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  HFT table = HostViewTable6();
  HostTextHolder text(ASTextNewFromUTF8("?"));
  if (table && HFTEntryIsPresent(table, AVWindowGetTitleSEL)) {
    auto call = reinterpret_cast<decltype(&AVWindowGetTitle)>(HFTGetEntry(table, AVWindowGetTitleSEL));
    call(window, text.get());
    char* utf8 = static_cast<char*>(ASTextGetUnicodeCopy(text.get(), kUTF8));
    if (utf8) {
      CopyCutUTF8(out, (size_t)size, utf8);
      ASfree(utf8);
    }
    return;
  }
  // Older hosts: the title in the host's encoding, at most 999 bytes, converted.
  AVWindowGetTitle(window, text.get());
  char native[1000];
  const char* encoded = ASTextGetEncoded(text.get(), ASGetHostEncoding());
  std::snprintf(native, sizeof native, "%s", encoded ? encoded : "");
  PlatformNativeToUTF8Term(native, out, size, '?');
}
