// The text-edit record and the clipboard.
//
// A text-edit record holds UTF-8 text and a selection in byte offsets that
// always lie on character boundaries. Cut and copy put the selection on the
// record's scrap and the system clipboard; paste takes the record's scrap,
// which PfTEFromScrap refreshes from the system clipboard.
#pragma once

#include "platform/PfDraw.h"
#include "platform/PfTypes.h"

typedef struct PfTERec* PfTEHandle;

PfTEHandle PfTENew(PfWindowRef window, const PfRect& destRect, const PfRect& viewRect);
void PfTEDispose(PfTEHandle te);
int32_t PfLiveTECount();

void PfTESetText(PfTEHandle te, const char* text, int32_t length);
const char* PfTEGetText(PfTEHandle te);
int32_t PfTEGetTextLength(PfTEHandle te);
// Offsets are clamped to 0..length and moved back to character boundaries.
void PfTESetSelect(PfTEHandle te, int32_t start, int32_t end);
void PfTEGetSelect(PfTEHandle te, int32_t* start, int32_t* end);
void PfTESetRects(PfTEHandle te, const PfRect& destRect, const PfRect& viewRect);
void PfTEGetViewRect(PfTEHandle te, PfRect* viewRect);
EPfFont PfTEGetFont(PfTEHandle te);

// Typing one character: printable characters replace the selection;
// backspace and forward delete remove it or one character; the arrows move
// the caret. Other control characters are ignored.
void PfTEKey(uint32_t character, uint16_t modifiers, PfTEHandle te);
void PfTEInsert(const char* text, int32_t length, PfTEHandle te);
void PfTEDelete(PfTEHandle te);
void PfTECut(PfTEHandle te);
void PfTECopy(PfTEHandle te);
void PfTEPaste(PfTEHandle te);
// A click at a local point puts the caret at the nearest character
// boundary; with extend the selection grows to it.
void PfTEClick(PfPoint local, bool extend, PfTEHandle te);
// The offset nearest a local point.
int32_t PfTEOffsetOfPoint(PfTEHandle te, PfPoint local);

void PfTEActivate(PfTEHandle te);
void PfTEDeactivate(PfTEHandle te);
bool PfTEIsActive(PfTEHandle te);
// Blinks the caret when the caret period has passed since the last change.
void PfTEIdle(PfTEHandle te);
int32_t PfTEBlinkCount(PfTEHandle te);
void PfTEUpdate(PfTEHandle te);

// The record's scrap.
void PfTEFromScrap();
void PfTEToScrap();
const char* PfTEScrapText();

// The system clipboard.
void PfClipboardClear();
void PfClipboardSetUTF8(const char* text, int32_t length);
// Empty when the clipboard holds no text.
const char* PfClipboardGetUTF8();
