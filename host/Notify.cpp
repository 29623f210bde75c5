#include "host/Notify.h"

#include <new>
#include <vector>

namespace {

struct Entry {
  NSelector selector;
  ExtensionID owner;
  void* proc;
  void* clientData;
};

std::vector<Entry>& Entries() {
  static auto* v = new std::vector<Entry>;
  return *v;
}

bool Known(NSelector s) {
  switch (s) {
    case AVAppDidInitializeNSEL:
    case AVAppFrontDocDidChangeNSEL:
    case AVAppWillQuitNSEL:
    case AVDocDidOpenNSEL:
    case AVDocWillCloseNSEL:
    case AVDocDidActivateNSEL:
    case AVDocDidCloseNSEL:
    case AVPageViewDidChangeNSEL:
    case PDDocDidOpenNSEL:
    case PDDocWillCloseNSEL:
    case PDDocDidSaveNSEL:
    case PDDocDidInsertPagesNSEL:
    case PDDocDidDeletePagesNSEL:
    case PDPageContentsDidChangeNSEL:
    case PDPageContentsDidChangeExNSEL:
    case AVAppWillCloseAllInternalDocsNSEL: return true;
    default: return false;
  }
}

void Call(const Entry& e, const AVNotificationArgs& a) {
  switch (e.selector) {
    case AVAppDidInitializeNSEL:
    case AVAppWillQuitNSEL:
    case AVAppWillCloseAllInternalDocsNSEL: ((AVAppNotifyProc)e.proc)(e.clientData); break;
    case AVAppFrontDocDidChangeNSEL:
    case AVDocWillCloseNSEL:
    case AVDocDidActivateNSEL:
    case AVDocDidCloseNSEL: ((AVDocNotifyProc)e.proc)(a.avDoc, e.clientData); break;
    case AVDocDidOpenNSEL: ((AVDocErrorNotifyProc)e.proc)(a.avDoc, a.error, e.clientData); break;
    case AVPageViewDidChangeNSEL: ((AVPageViewNotifyProc)e.proc)(a.pageView, a.how, e.clientData); break;
    case PDDocDidOpenNSEL:
    case PDDocDidSaveNSEL: ((PDDocErrorNotifyProc)e.proc)(a.pdDoc, a.error, e.clientData); break;
    case PDDocWillCloseNSEL: ((PDDocNotifyProc)e.proc)(a.pdDoc, e.clientData); break;
    case PDDocDidInsertPagesNSEL:
      ((PDDocInsertPagesNotifyProc)e.proc)(a.pdDoc, a.a, a.source, a.b, a.c, a.error, e.clientData);
      break;
    case PDDocDidDeletePagesNSEL:
      ((PDDocDeletePagesNotifyProc)e.proc)(a.pdDoc, a.a, a.b, a.error, e.clientData);
      break;
    case PDPageContentsDidChangeNSEL: ((PDPageNotifyProc)e.proc)(a.page, e.clientData); break;
    case PDPageContentsDidChangeExNSEL:
      ((PDPageExNotifyProc)e.proc)(a.page, a.invalidateViews, e.clientData);
      break;
    default: break;
  }
}

}  // namespace

ASBool AVAppRegisterNotification(NSelector selector, ExtensionID owner, void* proc, void* clientData) {
  if (!proc || !Known(selector)) return 0;
  for (const Entry& e : Entries())
    if (e.selector == selector && e.proc == proc && e.clientData == clientData) return 1;
  try {
    Entries().push_back(Entry{selector, owner, proc, clientData});
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

void AVAppUnregisterNotification(NSelector selector, ExtensionID, void* proc, void* clientData) {
  auto& v = Entries();
  for (auto it = v.begin(); it != v.end(); ++it)
    if (it->selector == selector && it->proc == proc && it->clientData == clientData) {
      v.erase(it);
      return;
    }
}

ASInt32 AVAppNotificationCount(NSelector selector) {
  ASInt32 n = 0;
  for (const Entry& e : Entries()) n += e.selector == selector;
  return n;
}

void AVAppFireNotification(NSelector selector, const AVNotificationArgs* args) {
  AVNotificationArgs none{};
  const AVNotificationArgs& a = args ? *args : none;
  std::vector<Entry> now;
  for (const Entry& e : Entries())
    if (e.selector == selector) now.push_back(e);
  for (const Entry& e : now) {
    // Skip what a procedure before it unregistered.
    bool still = false;
    for (const Entry& c : Entries())
      if (c.selector == e.selector && c.proc == e.proc && c.clientData == e.clientData) still = true;
    if (still) Call(e, a);
  }
}
