// Copying objects between documents for page insertion.
//
// qpdf's own foreign-object copier walks the source's page tree through its
// page cache, which throws on looped trees and repairs (changes) the source's
// tree on the way. This copier leaves the source alone: it reads objects, and
// hands the copies' stream data over lazily through a stream data provider.
#include "host/PDPriv.h"

namespace hostpdf {

class ForeignData : public QPDFObjectHandle::StreamDataProvider {
 public:
  ForeignData() : StreamDataProvider(true) {}
  void Add(QPDFObjGen copy, QPDFObjectHandle source) { streams_[copy] = source; }
  bool provideStreamData(QPDFObjGen const& og, Pipeline* pipeline, bool suppressWarnings, bool willRetry) override {
    auto it = streams_.find(og);
    if (it == streams_.end()) return false;
    // The stored bytes (decrypted), still encoded as the copied Filter says.
    // The result is whether they could be read: the older overload's "was a
    // filter applied" is false for every raw copy, which readers of an empty
    // stream take for a damaged one.
    bool filtered = false;
    return it->second.pipeStreamData(pipeline, &filtered, 0, qpdf_dl_none, suppressWarnings, willRetry);
  }

 private:
  std::unordered_map<QPDFObjGen, QPDFObjectHandle, QPDFObjHash> streams_;
};

namespace {

// A node of the source's page tree, or a page object outside it (one a
// deletion dropped, say, that a link still names): neither comes along.
bool IsTreeNodeOrLostPage(PDDoc source, QPDFObjectHandle h) {
  if (!h.isDictionary()) return false;
  if (source->innerNodes.count(h.getObjGen()) || source->dropped.count(h.getObjGen())) return true;
  QPDFObjectHandle type = h.getKey("/Type");
  return type.isName() && (type.getName() == "/Pages" || type.getName() == "/Page");
}

}  // namespace

ForeignCopier::ForeignCopier(PDDoc doc, PDDoc source)
    : doc_(doc), source_(source), state_(doc->copied[source->cos->q->getUniqueId()]) {
  if (!doc->foreignData) doc->foreignData = std::make_shared<ForeignData>();
  EnsureIndex(source);
}

QPDFObjectHandle ForeignCopier::Earlier(QPDFObjectHandle foreign) {
  auto it = state_.map.find(foreign.getObjGen());
  return it == state_.map.end() ? QPDFObjectHandle() : it->second;
}

QPDFObjectHandle ForeignCopier::ReservePage(QPDFObjectHandle page) {
  QPDFObjGen og = page.getObjGen();
  auto it = state_.map.find(og);
  if (it != state_.map.end()) return it->second;
  QPDFObjectHandle t = QPDFObjectHandle::newReserved(&QOf(doc_));
  state_.map[og] = t;
  pending_[og] = {page, t};
  return t;
}

QPDFObjectHandle ForeignCopier::FillPage(QPDFObjectHandle page) {
  auto it = pending_.find(page.getObjGen());
  if (it == pending_.end()) return Earlier(page);
  work_.push_back(it->second);
  QPDFObjectHandle t = it->second.second;
  pending_.erase(it);
  Drain();
  return t;
}

QPDFObjectHandle ForeignCopier::Ref(QPDFObjectHandle foreign) {
  QPDFObjGen og = foreign.getObjGen();
  auto it = state_.map.find(og);
  if (it != state_.map.end()) return it->second;
  // Across the page boundary: the source's tree and pages not being copied.
  if (source_->pageIndex.count(og) || IsTreeNodeOrLostPage(source_, foreign)) return QPDFObjectHandle::newNull();
  QPDF& q = QOf(doc_);
  QPDFObjectHandle t = foreign.isStream() ? q.newStream() : QPDFObjectHandle::newReserved(&q);
  state_.map[og] = t;
  work_.push_back({foreign, t});
  return t;
}

QPDFObjectHandle ForeignCopier::Direct(QPDFObjectHandle foreign) {
  if (foreign.isArray()) {
    QPDFObjectHandle a = QPDFObjectHandle::newArray();
    for (auto& item : foreign.aitems()) a.appendItem(Value(item));
    return a;
  }
  if (foreign.isDictionary()) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (auto& item : foreign.ditems()) d.replaceKey(item.first, Value(item.second));
    return d;
  }
  if (foreign.isStream()) return QPDFObjectHandle::newNull();  // cannot be direct
  return foreign.shallowCopy();
}

QPDFObjectHandle ForeignCopier::Value(QPDFObjectHandle foreign) {
  if (!foreign.isInitialized()) return QPDFObjectHandle::newNull();
  return foreign.isIndirect() ? Ref(foreign) : Direct(foreign);
}

void ForeignCopier::Drain() {
  QPDF& q = QOf(doc_);
  while (!work_.empty()) {
    auto [foreign, copy] = work_.back();
    work_.pop_back();
    if (foreign.isStream()) {
      QPDFObjectHandle dict = Direct(foreign.getDict());
      dict.removeKey("/Length");
      copy.replaceDict(dict);
      doc_->foreignData->Add(copy.getObjGen(), foreign);
      copy.replaceStreamData(doc_->foreignData, dict.getKey("/Filter"), dict.getKey("/DecodeParms"));
    } else {
      // Unresolvable references read as null, and are copied as null.
      q.replaceReserved(copy, Direct(foreign));
    }
  }
}

void ForeignCopier::Abandon() {
  Drain();
  QPDF& q = QOf(doc_);
  for (auto& p : pending_) {
    q.replaceReserved(p.second.second, QPDFObjectHandle::newNull());
    state_.map.erase(p.first);
  }
  pending_.clear();
}

}  // namespace hostpdf
