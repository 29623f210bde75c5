// Sets and maps keyed by Cos objects, by the host's own equality and hash:
// the memory of the toolkit's graph walks, so that they end on cycles.
#pragma once

#include <unordered_map>
#include <unordered_set>

#include "host/Cos.h"

struct SCosObjHash {
  size_t operator()(const CosObj& o) const { return CosObjHash(o); }
};
struct SCosObjEq {
  bool operator()(const CosObj& a, const CosObj& b) const { return CosObjEqual(a, b) != 0; }
};

using SCosObjSet = std::unordered_set<CosObj, SCosObjHash, SCosObjEq>;
template <class T>
using SCosObjMap = std::unordered_map<CosObj, T, SCosObjHash, SCosObjEq>;
