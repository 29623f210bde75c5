// The image control: PNG and JPEG resources of the bundle drawn into user items.
#include "kctl/JPEGCtl.h"

#include <cstdio>
#include <cstring>

#include "foundation/KCab.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"

namespace {

SKCab* jpegResourceCache = nullptr;

bool IsUserItem(PfDialogRef dialog, ASInt32 index) {
  ASInt32 kind = PfGetDialogItemKind(dialog, (int16_t)index);
  return index >= 1 && kind >= 0 && (kind & 0x7F) == kPfUserItem;
}

void ReleaseImage(void* image) { PfImageRelease(static_cast<PfImageRef>(image)); }

}  // namespace

void JPEGCtlFileName(ASInt32 resourceId, char* out, size_t size) {
  std::snprintf(out, size, resourceId >= 10000 && resourceId <= 19999 ? "%d.png" : "%d.jpg", (int)resourceId);
}

void MacDefineJPEGCtl(SMacDialogInfo* info, ASInt32 id) {
  static PfUserItemProc proc = nullptr;
  if (!proc) {
    proc = ASCallbackCreateProto(PfUserItemProc, DrawJPEGCtlCallback);
    if (!proc) ASRaise(2);
  }
  if (!info || !PfIsValidDialog(info->dialog)) return;
  ASInt32 index = MapControlIdToInternal(info, id);
  if (IsUserItem(info->dialog, index)) PfSetDialogItemProc(info->dialog, (int16_t)index, proc);
}

PfImageRef CachedLoadImageRefForJPEGControl(SMacDialogInfo* info, ASInt32 id) {
  SKCtlData* data = KCtlDataForDialog(info);
  SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id);
  if (!e || e->type != kKCtlPicture) return nullptr;
  char name[32];
  JPEGCtlFileName(e->resourceId, name, sizeof name);
  if (!jpegResourceCache) jpegResourceCache = KCabNewInner();
  if (auto* cached = static_cast<PfImageRef>(KCabGetPointerNamedType(jpegResourceCache, name, "CGImageRef")))
    return cached;
  bool png = std::strstr(name, ".png") != nullptr;
  PfHandle bytes = PfBundleLoadResource(png ? "png" : "jpg", name);
  if (!bytes) return nullptr;
  PfImageRef image = png ? PfImageCreateWithPNGData(PfHandleData(bytes), PfGetHandleSize(bytes))
                         : PfImageCreateWithJPEGData(PfHandleData(bytes), PfGetHandleSize(bytes));
  PfDisposeHandle(bytes);
  if (!image) return nullptr;
  // Kept for the plug-in's life; released only at its unload.
  KCabPutPointerNamedType(jpegResourceCache, name, "CGImageRef", image, ReleaseImage);
  return image;
}

void DrawJPEGCtlCallback(PfDialogRef dialog, int16_t item) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info || !IsUserItem(dialog, item)) return;
  ASInt32 id = MapControlIdFromInternal(info, item);
  PfImageRef image = CachedLoadImageRefForJPEGControl(info, id);
  PfRect r;
  if (!image || !PfGetDialogItemRect(dialog, item, &r)) return;
  PfWindowRef saved = PfGetPort();
  SetDialogPort(info);
  PfEraseRect(r);
  PfDrawImage(r, image);
  PfSetPort(saved);
}

void JPEGCtlTerm() {
  if (jpegResourceCache) KCabDestroy(jpegResourceCache);
  jpegResourceCache = nullptr;
}
