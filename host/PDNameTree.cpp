// Name trees: string keys in byte order, leaves with Names arrays, inner
// nodes with Kids and Limits. Walks are bounded and never go round a circle.
#include <unordered_set>

#include "host/PDPriv.h"

using namespace hostpdf;

namespace {

constexpr int kMaxDepth = 64;
// A leaf that grows past this many pairs is split in two.
constexpr int kMaxLeafPairs = 64;

bool KeyOf(QPDFObjectHandle k, std::string* out) {
  if (!k.isString()) return false;
  *out = k.getStringValue();
  return true;
}

bool Limits(QPDFObjectHandle node, std::string* lo, std::string* hi) {
  QPDFObjectHandle l = node.getKey("/Limits");
  return l.isArray() && l.getArrayNItems() >= 2 && KeyOf(l.getArrayItem(0), lo) && KeyOf(l.getArrayItem(1), hi);
}

// The leaf (a node with Names) that holds or should hold key, and the path to it.
QPDFObjectHandle Descend(QPDFObjectHandle root, const std::string& key, std::vector<QPDFObjectHandle>* path) {
  std::unordered_set<const QPDFObject*> seen;
  QPDFObjectHandle node = root;
  for (int depth = 0; depth < kMaxDepth && node.isDictionary(); ++depth) {
    if (!seen.insert(node.getObjectPtr()).second) break;
    if (path) path->push_back(node);
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (!kids.isArray() || kids.getArrayNItems() == 0) return node;
    QPDFObjectHandle chosen;
    for (auto& kid : kids.aitems()) {
      if (!kid.isDictionary()) continue;
      std::string lo, hi;
      if (!Limits(kid, &lo, &hi)) {
        if (!chosen.isInitialized()) chosen = kid;
        continue;
      }
      chosen = kid;
      if (key <= hi) break;  // the first kid whose range reaches the key
    }
    if (!chosen.isInitialized()) return node;
    node = chosen;
  }
  return QPDFObjectHandle();
}

// The node's Limits from the keys it holds now (none when it holds none).
void SetLimits(QPDFObjectHandle n) {
  std::string lo, hi;
  bool any = false;
  QPDFObjectHandle names = n.getKey("/Names");
  if (names.isArray()) {
    for (int j = 0; j < names.getArrayNItems(); j += 2) {
      std::string k;
      if (!KeyOf(names.getArrayItem(j), &k)) continue;
      if (!any || k < lo) lo = k;
      if (!any || k > hi) hi = k;
      any = true;
    }
  } else if (n.getKey("/Kids").isArray()) {
    for (auto& kid : n.getKey("/Kids").aitems()) {
      std::string a, b;
      if (!Limits(kid, &a, &b)) continue;
      if (!any || a < lo) lo = a;
      if (!any || b > hi) hi = b;
      any = true;
    }
  }
  if (!any) {
    n.removeKey("/Limits");
    return;
  }
  QPDFObjectHandle l = QPDFObjectHandle::newArray();
  l.appendItem(QPDFObjectHandle::newString(lo));
  l.appendItem(QPDFObjectHandle::newString(hi));
  n.replaceKey("/Limits", l);
}

void FixLimits(std::vector<QPDFObjectHandle>& path) {
  // Bottom-up, every node but the root.
  for (size_t i = path.size(); i-- > 1;) SetLimits(path[i]);
}

// Splits an over-full leaf: its second half moves to a new sibling.
void SplitLeaf(QPDF& q, std::vector<QPDFObjectHandle>& path) {
  QPDFObjectHandle leaf = path.back();
  QPDFObjectHandle names = leaf.getKey("/Names");
  int pairs = names.getArrayNItems() / 2;
  if (pairs <= kMaxLeafPairs) return;
  int keep = pairs / 2;
  QPDFObjectHandle first = QPDFObjectHandle::newArray(), second = QPDFObjectHandle::newArray();
  for (int i = 0; i < names.getArrayNItems(); ++i) (i < keep * 2 ? first : second).appendItem(names.getArrayItem(i));
  if (path.size() == 1) {
    // The root becomes an inner node over two new leaves.
    QPDFObjectHandle a = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
    QPDFObjectHandle b = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
    a.replaceKey("/Names", first);
    b.replaceKey("/Names", second);
    leaf.removeKey("/Names");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    kids.appendItem(a);
    kids.appendItem(b);
    leaf.replaceKey("/Kids", kids);
    std::vector<QPDFObjectHandle> pa{leaf, a}, pb{leaf, b};
    FixLimits(pa);
    FixLimits(pb);
    return;
  }
  QPDFObjectHandle parent = path[path.size() - 2];
  QPDFObjectHandle kids = parent.getKey("/Kids");
  QPDFObjectHandle sibling = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
  sibling.replaceKey("/Names", second);
  leaf.replaceKey("/Names", first);
  // The leaf's Limits shrink to its half: a search by them must find the
  // other half in the sibling.
  FixLimits(path);
  int at = -1;
  for (int i = 0; i < kids.getArrayNItems(); ++i)
    if (kids.getArrayItem(i).getObjectPtr() == leaf.getObjectPtr()) at = i;
  if (at < 0 || at + 1 >= kids.getArrayNItems()) kids.appendItem(sibling);
  else kids.insertItem(at + 1, sibling);
  std::vector<QPDFObjectHandle> ps(path.begin(), path.end() - 1);
  ps.push_back(sibling);
  FixLimits(ps);
}

template <class F>
bool Walk(QPDFObjectHandle node, int depth, std::unordered_set<const QPDFObject*>& seen, F&& visit) {
  if (depth > kMaxDepth || !node.isDictionary() || !seen.insert(node.getObjectPtr()).second) return true;
  QPDFObjectHandle names = node.getKey("/Names");
  if (names.isArray()) {
    for (int i = 0; i + 1 < names.getArrayNItems(); i += 2)
      if (!visit(names.getArrayItem(i), names.getArrayItem(i + 1))) return false;
  }
  QPDFObjectHandle kids = node.getKey("/Kids");
  if (kids.isArray())
    for (auto& kid : kids.aitems())
      if (!Walk(kid, depth + 1, seen, visit)) return false;
  return true;
}

}  // namespace

void hostpdf::ForEachNameTreePair(QPDFObjectHandle root,
                                  const std::function<bool(QPDFObjectHandle, QPDFObjectHandle)>& visit) {
  std::unordered_set<const QPDFObject*> seen;
  Walk(root, 0, seen, [&](QPDFObjectHandle k, QPDFObjectHandle v) { return !k.isString() || visit(k, v); });
}

namespace {

// Takes the pairs goes picks out of the leaves under node, each leaf
// rebuilt once; true when something went (the node's Limits are then
// made again, but the root's: it has none).
bool RemovePairs(QPDFObjectHandle node, int depth, std::unordered_set<const QPDFObject*>& seen,
                 const std::function<bool(QPDFObjectHandle, QPDFObjectHandle)>& goes) {
  if (depth > kMaxDepth || !node.isDictionary() || !seen.insert(node.getObjectPtr()).second) return false;
  bool changed = false;
  QPDFObjectHandle names = node.getKey("/Names");
  if (names.isArray()) {
    std::vector<QPDFObjectHandle> kept;
    const int n = names.getArrayNItems();
    for (int i = 0; i + 1 < n; i += 2) {
      QPDFObjectHandle k = names.getArrayItem(i), v = names.getArrayItem(i + 1);
      if (k.isString() && goes(k, v)) {
        changed = true;
        continue;
      }
      kept.push_back(k);
      kept.push_back(v);
    }
    // A key left without its value at the end is kept as it stood.
    if (n % 2) kept.push_back(names.getArrayItem(n - 1));
    if (changed) names.setArrayFromVector(kept);
  }
  QPDFObjectHandle kids = node.getKey("/Kids");
  if (kids.isArray())
    for (auto& kid : kids.aitems()) changed |= RemovePairs(kid, depth + 1, seen, goes);
  if (changed && depth > 0) {
    std::vector<QPDFObjectHandle> path{node, node};  // FixLimits leaves path[0] alone
    FixLimits(path);
  }
  return changed;
}

}  // namespace

bool hostpdf::RemoveNameTreePairs(QPDFObjectHandle root,
                                  const std::function<bool(QPDFObjectHandle, QPDFObjectHandle)>& goes) {
  std::unordered_set<const QPDFObject*> seen;
  return RemovePairs(root, 0, seen, goes);
}

namespace {

QPDFObjectHandle TreeHandle(PDNameTree tree) {
  QPDFObjectHandle h = Handle(tree.root);
  if (!h.isDictionary()) ASRaise(cosErrExpectedDict);
  return h;
}

}  // namespace

PDNameTree PDDocCreateNameTree(PDDoc doc, ASAtom name) {
  return Guard([&] {
    QPDF& q = QOf(doc);
    QPDFObjectHandle root = q.getRoot();
    QPDFObjectHandle names = root.getKey("/Names");
    bool changed = false;
    if (!names.isDictionary()) {
      names = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
      root.replaceKey("/Names", names);
      changed = true;
    }
    std::string key = KeyFor(name);
    QPDFObjectHandle tree = names.getKey(key);
    if (!tree.isDictionary()) {
      tree = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
      tree.replaceKey("/Names", QPDFObjectHandle::newArray());
      names.replaceKey(key, tree);
      changed = true;
    }
    if (changed) MarkDirty(doc->cos);
    return PDNameTree{FromHandle(doc->cos, tree)};
  });
}

PDNameTree PDDocGetNameTree(PDDoc doc, ASAtom name) {
  return Guard([&] {
    QPDFObjectHandle names = QOf(doc).getRoot().getKey("/Names");
    QPDFObjectHandle tree = names.isDictionary() ? names.getKey(KeyFor(name)) : QPDFObjectHandle::newNull();
    if (!tree.isDictionary()) return PDNameTree{CosNewNull()};
    return PDNameTree{FromHandle(doc->cos, tree)};
  });
}

PDNameTree PDNameTreeFromCosObj(CosObj root) { return PDNameTree{root}; }

CosObj PDNameTreeGetCosObj(PDNameTree tree) { return tree.root; }

ASBool PDNameTreeIsValid(PDNameTree tree) { return CosObjGetType(tree.root) == CosDict; }

void PDNameTreePut(PDNameTree tree, CosObj key, CosObj value) {
  Guard([&] {
    QPDFObjectHandle root = TreeHandle(tree);
    CosDoc doc = CheckDoc(tree.root.doc);
    QPDFObjectHandle k = Handle(key);
    std::string ks;
    if (!KeyOf(k, &ks)) ASRaise(cosErrBadType);
    QPDFObjectHandle v = ValueForPut(doc, value);
    std::vector<QPDFObjectHandle> path;
    QPDFObjectHandle leaf = Descend(root, ks, &path);
    if (!leaf.isInitialized()) ASRaise(genErrStructureDamaged);
    QPDFObjectHandle names = leaf.getKey("/Names");
    if (!names.isArray()) {
      names = QPDFObjectHandle::newArray();
      leaf.replaceKey("/Names", names);
      leaf.removeKey("/Kids");
    }
    int n = names.getArrayNItems();
    int at = n - (n % 2);
    for (int i = 0; i + 1 < n; i += 2) {
      std::string existing;
      if (!KeyOf(names.getArrayItem(i), &existing)) continue;
      if (existing == ks) {
        names.setArrayItem(i + 1, v);
        at = -1;
        break;
      }
      if (ks < existing) {
        at = i;
        break;
      }
    }
    if (at >= 0) {
      if (at >= names.getArrayNItems()) {
        names.appendItem(QPDFObjectHandle::newString(ks));
        names.appendItem(v);
      } else {
        names.insertItem(at, v);
        names.insertItem(at, QPDFObjectHandle::newString(ks));
      }
    }
    FixLimits(path);
    SplitLeaf(*doc->q, path);
    MarkDirty(doc);
  });
}

CosObj PDNameTreeGet(PDNameTree tree, const char* key, ASInt32 keyLength) {
  if (!key || keyLength < 0) ASRaise(genErrBadParm);
  return Guard([&] {
    QPDFObjectHandle root = TreeHandle(tree);
    std::string ks(key, (size_t)keyLength);
    CosObj result = CosNewNull();
    std::unordered_set<const QPDFObject*> seen;
    // A walk rather than a descent: damaged Limits must not hide a key.
    Walk(root, 0, seen, [&](QPDFObjectHandle k, QPDFObjectHandle v) {
      std::string s;
      if (KeyOf(k, &s) && s == ks) {
        result = FromHandle(tree.root.doc, v);
        return false;
      }
      return true;
    });
    return result;
  });
}

ASBool PDNameTreeRemove(PDNameTree tree, const char* key, ASInt32 keyLength) {
  if (!key || keyLength < 0) ASRaise(genErrBadParm);
  return Guard([&]() -> ASBool {
    QPDFObjectHandle root = TreeHandle(tree);
    std::string ks(key, (size_t)keyLength);
    std::vector<QPDFObjectHandle> path;
    QPDFObjectHandle leaf = Descend(root, ks, &path);
    if (!leaf.isInitialized()) return 0;
    QPDFObjectHandle names = leaf.getKey("/Names");
    if (!names.isArray()) return 0;
    for (int i = 0; i + 1 < names.getArrayNItems(); i += 2) {
      std::string s;
      if (KeyOf(names.getArrayItem(i), &s) && s == ks) {
        names.eraseItem(i + 1);
        names.eraseItem(i);
        FixLimits(path);
        MarkDirty(CheckDoc(tree.root.doc));
        return 1;
      }
    }
    return 0;
  });
}

ASBool PDNameTreeEnum(PDNameTree tree, CosObjEnumProc proc, void* clientData) {
  if (!proc) ASRaise(genErrBadParm);
  std::vector<std::pair<CosObj, CosObj>> pairs = Guard([&] {
    std::vector<std::pair<CosObj, CosObj>> out;
    std::unordered_set<const QPDFObject*> seen;
    Walk(TreeHandle(tree), 0, seen, [&](QPDFObjectHandle k, QPDFObjectHandle v) {
      if (k.isString()) out.emplace_back(FromHandle(tree.root.doc, k), FromHandle(tree.root.doc, v));
      return true;
    });
    return out;
  });
  for (auto& p : pairs)
    if (!proc(p.first, p.second, clientData)) return 0;
  return 1;
}
