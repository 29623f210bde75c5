// The help centre and the about box.
//
// The help centre opens the two PDF manuals that lie beside the plug-in
// ("<plug-in path> gs <lang>.pdf" and "<plug-in path> gd <lang>.pdf"),
// launches the web pages whose addresses are message texts (placeholders such
// as "<ver>" or "<lang>" filled in, escaped), and leads to the about box. The
// about box shows the product's name and logo (a one-page PDF resource, drawn
// by the PDF preview control) and a second page with build information.
// Both remember nothing but the help centre's "Last:Help".
#pragma once

#include <cstddef>

#include "host/AS.h"
#include "host/PD.h"
#include "kctl/KCtl.h"

typedef struct _t_AVDocRec* AVDoc;

// ---- Help centre

enum EManualType : ASInt32 { kManualGettingStarted = 0, kManualFull = 1 };

// The host documents showing each manual, or null.
extern AVDoc gettingStartedAVDoc;
extern AVDoc onlineGuideAVDoc;

// True unless the dialog was cancelled.
ASBool StartHelpCentre();

// The manual's path for the language (null: the current message language),
// cut to size - 1 bytes. Returns 1.
ASInt32 FillManualFileName(char* buffer, size_t size, EManualType type, const char* language);
ASBool KVManualExists(EManualType type, const char* language);
// 1 when the manual shows (opened, or brought to the front when already
// open), 0 on failure (reported).
ASInt32 OpenKVManual(ASBool asHelp, EManualType type, const char* language);
// Opens the document as the host's help document when the host can, else
// as an ordinary one; the title (UTF-8) may be null.
AVDoc AVDocOpenFromPDDocAsHelpUTF8(PDDoc doc, const char* title);

// Fills in the placeholders and launches the address; with confirm, an
// address that would send the system's version asks first. True when the
// page was launched. extra is not used.
ASBool KVLaunchEscapedURL(const char* url, ASBool confirm, void* extra);
// Pairs of placeholder and value, ended by a null placeholder. Each value is
// escaped (letters, digits, "_" and "." stay, every other byte becomes "%xx")
// into at most 200 bytes and put in place of every occurrence of its
// placeholder; the address is held in 1000 bytes.
ASBool LaunchURLWithSubstitution(const char* url, ...);
ASBool LaunchURL(const char* url);
// The value escaped as above into out (at most size bytes with the NUL).
void EscapeURLValue(const char* value, char* out, size_t size);

// target = source with the first occurrence of find (starting below size)
// replaced; each part cut to the room left. 1 when replaced, else 0 with
// source copied.
ASInt32 TextSubstitute(const char* source, char* target, size_t size, const char* find, const char* replacement);
// The same for every occurrence, in one pass (replacements are not searched
// again). An empty find gives 0 and leaves target alone.
ASInt32 GlobalTextSubstitute(const char* source, char* target, size_t size, const char* find,
                             const char* replacement);

// Whether the text is a web address worth a button: 7 characters or more,
// beginning with "ht".
ASBool UrlStringSpecified(const char* text);
// A row with a button and its description that launches the address, unless
// either text is empty, the address is not one, or web access is hidden by
// the preferences (null then). callback: run on a click in place of
// WebButton, with the address as user data.
SKCtlElem* NewWebButton(SKCtlDialog* dialog, SKCtlElem* parent, const char* buttonText, const char* descText,
                        const char* urlText, KCtlActionCallBack callback);

// Version texts, cut to size - 1 bytes.
void GetOSVersion(char* buffer, size_t size);
void GetAcrobatVersionString(char* buffer, size_t size);
void GetProductVersionAndStatusString(char* buffer, size_t size);

// Callbacks of the help centre.
ASInt32 HelpGettingStartedButton(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 HelpManualButton(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 ManualButton(SMacDialogInfo* dialog, EManualType type);
void OpenManualClicked(SMacDialogInfo* dialog, EManualType type, const char* language);
ASInt32 WebButton(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 HelpAboutButton(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
// The host's document-did-close notification: forgets a manual's window.
void KUIKVHelp_AVDocClosed(AVDoc doc, void* clientData);

// ---- About box

// True when the about page was closed with OK.
ASBool AboutOk();
// The host's About menu handler.
void AboutVelmora(void* clientData);
// The product logo: a frame element of width x height (0: 250 x 145) under
// parent, with control id 202, drawn from the logo resource.
SKCtlElem* RobotLogo(SKCtlDialog* dialog, SKCtlElem* parent, ASInt16 width, ASInt16 height);
ASInt32 AboutDialogInitialise(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 AboutDialogInitialiseLogo(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
// The host will close its internal documents: the cached logo goes.
void Uikvabt_AVAppWillCloseAllInternalDocs(void* clientData);
// Whether the logo document is cached (tests).
ASBool AboutLogoCached();

// Control ids and resources.
enum : ASInt16 { kRobotLogoId = 202, kHelpExternalId = 101, kAboutHelpId = 46, kAboutMoreId = 44 };
enum : ASInt32 { kAboutIconResource = 104, kAboutClassicPicture = 147, kAboutLogoResource = 174 };
