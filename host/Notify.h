// Host notifications: procedures registered by number and fired when the host
// (or a test) announces the event. Each number has its own procedure type.
#pragma once

#include "host/ASTypes.h"

typedef struct _t_PDDocRec* PDDoc;
typedef struct _t_PDPageRec* PDPage;
typedef struct _t_AVDocRec* AVDoc;
typedef struct _t_AVPageViewRec* AVPageView;

typedef ASInt32 NSelector;
enum : NSelector {
  AVAppDidInitializeNSEL = 1,            // (void* clientData)
  AVAppFrontDocDidChangeNSEL = 2,        // (AVDoc doc, void* clientData); doc may be null
  AVAppWillQuitNSEL = 3,                 // (void* clientData)
  AVDocDidOpenNSEL = 5,                  // (AVDoc doc, ASInt32 error, void* clientData)
  AVDocWillCloseNSEL = 6,                // (AVDoc doc, void* clientData)
  AVDocDidActivateNSEL = 7,              // (AVDoc doc, void* clientData)
  AVDocDidCloseNSEL = 8,                 // (AVDoc doc, void* clientData)
  AVPageViewDidChangeNSEL = 14,          // (AVPageView view, ASInt16 how, void* clientData)
  PDDocDidOpenNSEL = 40,                 // (PDDoc doc, ASInt32 error, void* clientData)
  PDDocWillCloseNSEL = 41,               // (PDDoc doc, void* clientData)
  PDDocDidSaveNSEL = 42,                 // (PDDoc doc, ASInt32 error, void* clientData)
  PDDocDidInsertPagesNSEL = 43,          // (PDDoc doc, ASInt32 insertAfter, PDDoc source, ASInt32 start, ASInt32 count, ASInt32 error, void* clientData)
  PDDocDidDeletePagesNSEL = 44,          // (PDDoc doc, ASInt32 first, ASInt32 last, ASInt32 error, void* clientData)
  PDPageContentsDidChangeNSEL = 45,      // (PDPage page, void* clientData)
  PDPageContentsDidChangeExNSEL = 46,    // (PDPage page, ASBool invalidateViews, void* clientData)
  AVAppWillCloseAllInternalDocsNSEL = 74 // (void* clientData)
};

typedef void (*AVAppNotifyProc)(void* clientData);
typedef void (*AVDocNotifyProc)(AVDoc doc, void* clientData);
typedef void (*AVDocErrorNotifyProc)(AVDoc doc, ASInt32 error, void* clientData);
typedef void (*AVPageViewNotifyProc)(AVPageView view, ASInt16 how, void* clientData);
typedef void (*PDDocErrorNotifyProc)(PDDoc doc, ASInt32 error, void* clientData);
typedef void (*PDDocNotifyProc)(PDDoc doc, void* clientData);
typedef void (*PDDocInsertPagesNotifyProc)(PDDoc doc, ASInt32 insertAfter, PDDoc source, ASInt32 start,
                                           ASInt32 count, ASInt32 error, void* clientData);
typedef void (*PDDocDeletePagesNotifyProc)(PDDoc doc, ASInt32 first, ASInt32 last, ASInt32 error,
                                           void* clientData);
typedef void (*PDPageNotifyProc)(PDPage page, void* clientData);
typedef void (*PDPageExNotifyProc)(PDPage page, ASBool invalidateViews, void* clientData);

// Registers proc (of the selector's type) with its client data; the same proc
// and client data twice count once. Unknown selectors are refused (false).
ASBool AVAppRegisterNotification(NSelector selector, ExtensionID owner, void* proc, void* clientData);
void AVAppUnregisterNotification(NSelector selector, ExtensionID owner, void* proc, void* clientData);
ASInt32 AVAppNotificationCount(NSelector selector);

// The arguments of one firing; unused fields are ignored.
struct AVNotificationArgs {
  AVDoc avDoc;
  AVPageView pageView;
  PDDoc pdDoc;
  PDDoc source;
  PDPage page;
  ASInt32 error;
  ASInt32 a;  // insertAfter, or first
  ASInt32 b;  // start, or last
  ASInt32 c;  // count
  ASInt16 how;
  ASBool invalidateViews;
};
// Calls every registered procedure of the selector, in registration order.
// Procedures registered or unregistered while it runs take effect next time.
void AVAppFireNotification(NSelector selector, const AVNotificationArgs* args);
