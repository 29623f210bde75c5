// What the engine's page-order, trim and insertion code calls of its
// neighbours: the page-merge engine's page utilities, the per-imposition
// PDF/X services, and the page template of the dialog framework's page-size
// element.
#pragma once

#include "engine/ImpositionPrefs.h"
#include "engine/PageMerge.h"
#include "kctl/PageSizeElem.h"
