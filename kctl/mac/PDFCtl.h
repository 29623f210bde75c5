// The PDF preview control: a user item of a dialog that shows a PDF content
// stream or form drawn by the host's renderer, at actual size or fitted to
// the item. Records are kept per dialog and control id in one list; the
// first operation on an id makes its record and installs the drawing on the
// item. Dialogs that hold previews run with PDFCtlDialogProc (or call
// RemovePDFCtl(info, -1) when they are destroyed).
#pragma once

#include "host/Cos.h"
#include "host/PD.h"
#include "kctl/mac/MacDialog.h"

enum EPDFCtlDrawMode : ASInt32 {
  kPDFCtlActualSize = 0,     // the content's origin at the item's bottom-left corner
  kPDFCtlActualCentred = 1,  // actual size, centred
  kPDFCtlFit = 2,            // scaled to fit (aspect kept) and centred
  kPDFCtlFitNoEnlarge = 3    // as 2, never enlarged
};

struct SPDFCtlInfo {
  SMacDialogInfo* dialog;
  ASInt32 controlId;
  CosObj object;      // the null object when there is none
  ASInt16 ownsObject; // destroyed when replaced or freed
  ASInt32 drawMode;   // EPDFCtlDrawMode
  ASInt32 width;      // the content's size in points (modes 1 to 3)
  ASInt32 height;
  SPDFCtlInfo* prev;
  SPDFCtlInfo* next;
};

// Content-stream text (length -1: up to the terminating zero byte), copied
// into a stream of the control's own document that offers the fonts H, HB,
// HI, T and C. Host errors reach the caller with the preview unchanged.
void PDFCtlSetStream(SMacDialogInfo* info, ASInt32 id, const char* text, ASInt32 length);
// A content stream or a form with a "BBox"; redraws the dialog. With a
// negative width set, the size is taken from the "BBox".
void PDFCtlSetCosObj(SMacDialogInfo* info, ASInt32 id, CosObj object, ASInt16 owns);
// Takes effect at the next drawing; does not redraw.
void PDFCtlSetDrawMode(SMacDialogInfo* info, ASInt32 id, ASInt32 mode, ASInt32 width, ASInt32 height);
// Frees the record of (info, id); id -1 frees every record of the dialog.
void RemovePDFCtl(SMacDialogInfo* info, ASInt32 id);
ASInt32 PDFCtlDialogProc(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);
SPDFCtlInfo* FindOrNewPDFCtlInfo(SMacDialogInfo* info, ASInt32 id);
// The record of (info, id), null when there is none.
SPDFCtlInfo* FindPDFCtlInfo(SMacDialogInfo* info, ASInt32 id);
void MacDefinePDFCtl(SMacDialogInfo* info, ASInt32 id);
void DrawPDFCtlCallback(PfDialogRef dialog, int16_t item);
// The matrix a record draws with into the item's rectangle (window
// coordinates), without the "BBox" shift.
ASFixedMatrix PDFCtlMatrixFor(const SPDFCtlInfo* rec, const PfRect& item);
// The control's own document, made on first use (null before).
PDDoc PDFCtlAnonDoc();
// Live records (tests).
ASInt32 PDFCtlRecordCount();
// The plug-in's unload: frees the records left and the control's document.
void PDFCtlTerm();
