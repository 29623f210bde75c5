// Page attributes inherited through the page tree, and page boxes and
// rotation carried from one page to another.
#pragma once

#include "host/Cos.h"
#include "host/PD.h"

// The first non-null value of key in dict or its "Parent" chain; a null
// object when there is none. The walk ends on cycles.
CosObj FindInheritedPageObject(CosObj dict, ASAtom key);

// Wherever the page would inherit "Resources", "CropBox" or "Rotate" from an
// ancestor, gives it its own: empty resources, a crop box equal to its media
// box, rotation 0.
void ForceIgnoreInheritedPageObjects(PDPage page);

// Makes the target's media box, crop box, rotation, trim box and bleed box
// those of the source; true when the target changed.
ASBool ClonePageBoxAndRotation(PDPage source, PDPage target);
// The same for two pages of one document by 0-based index; false at once for
// equal indices.
ASBool ClonePageBoxAndRotationByPageNum(PDDoc doc, ASInt32 fromIndex, ASInt32 toIndex);

// The rotation (0 to 359) the document's first page is shown with beyond its
// "Rotate" in force, its own or inherited from the page tree. Every page's
// default matrix turns it by that "Rotate" already, so only a view's own turn
// is extra; this host's views add none.
ASInt32 GetDocumentViewRotate(PDDoc doc);

// Sets the page's contents (a stream or an array of streams) and tells the
// host, passing flag on to the contents-changed notification.
void KPDPageReplaceCosContents(PDPage page, CosObj contents, ASBool flag);
