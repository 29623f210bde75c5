// The host layer's core: everything of the AS family.
#pragma once

#include "host/ASAtom.h"
#include "host/ASExcept.h"
#include "host/ASExtension.h"
#include "host/ASFile.h"
#include "host/ASFixed.h"
#include "host/ASMem.h"
#include "host/ASNearest.h"
#include "host/ASProgress.h"
#include "host/ASStm.h"
#include "host/ASText.h"
#include "host/ASTime.h"
#include "host/ASTypes.h"
