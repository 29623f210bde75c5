// The table of neighbouring services.
#include "kctl/KCtlNeighbours.h"

namespace {
SKCtlNeighbourProcs gProcs{};
}

void KCtlSetNeighbourProcs(const SKCtlNeighbourProcs* procs) { gProcs = procs ? *procs : SKCtlNeighbourProcs{}; }

const SKCtlNeighbourProcs* KCtlNeighbours() { return &gProcs; }
