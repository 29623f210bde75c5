// Pages as form XObjects: a page's whole content wrapped into one form, and
// a page whose content only paints such a form under the name "Frm".
#pragma once

#include "host/Cos.h"
#include "host/PD.h"

// Flag of PrepareFormXObjectFromPage: the crop box bounds the form.
enum : ASUns32 { kFormPreferCropBox = 1 };

// A new form XObject (an indirect, Flate-compressed stream in the page's
// document) holding the page's content (all its streams as one), with the
// resources in force for the page (inherited ones too) and the media box
// (or with kFormPreferCropBox the crop box) as its BBox. The page's rotation
// is not looked at.
CosObj PrepareFormXObjectFromPage(PDPage page, ASUns32 flags);
// Makes the page's content "/Frm Do" with resources holding only the form
// (and the form's ProcSet). With useHostReplace set, the host is told of the
// new contents; otherwise the stream is put into the page dictionary.
void ReplacePageWithXObjectReference(PDPage page, CosObj form, ASBool useHostReplace);
