// The cabinet against a std::map tree doing the same work.
//
// Two workloads: a parameter cabinet (about 200 entries in nested
// sub-cabinets, read by colon paths) and a command history (10,000 entries
// under numbers, each a small sub-cabinet). For each: build, look every entry
// up by its key, enumerate everything, duplicate. Compare each KCab_* figure
// with the Map_* figure of the same name.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/KCab.h"

namespace {

// ---- The peer: a tree of std::map with the same value kinds

struct MapNode;
using MapValue = std::variant<bool, int, double, std::string, std::unique_ptr<MapNode>>;
struct MapNode {
  std::map<std::string, MapValue, std::less<>> entries;
};

MapNode* MapWalk(MapNode* node, std::string_view& key, bool create) {
  for (size_t colon; (colon = key.find(':')) != std::string_view::npos;) {
    std::string_view part = key.substr(0, colon);
    auto it = node->entries.find(part);
    if (it == node->entries.end() || !std::holds_alternative<std::unique_ptr<MapNode>>(it->second)) {
      if (!create) return nullptr;
      it = node->entries.insert_or_assign(std::string(part), std::make_unique<MapNode>()).first;
    }
    node = std::get<std::unique_ptr<MapNode>>(it->second).get();
    key = key.substr(colon + 1);
  }
  return node;
}

void MapPut(MapNode* root, std::string_view key, MapValue value) {
  MapNode* node = MapWalk(root, key, true);
  node->entries.insert_or_assign(std::string(key), std::move(value));
}

const MapValue* MapGet(MapNode* root, std::string_view key) {
  MapNode* node = MapWalk(root, key, false);
  if (!node) return nullptr;
  auto it = node->entries.find(key);
  return it == node->entries.end() ? nullptr : &it->second;
}

std::unique_ptr<MapNode> MapDup(const MapNode& node) {
  auto copy = std::make_unique<MapNode>();
  for (const auto& [key, value] : node.entries) {
    if (const auto* sub = std::get_if<std::unique_ptr<MapNode>>(&value))
      copy->entries.emplace(key, MapDup(**sub));
    else
      copy->entries.emplace(key, std::visit(
                                     [](const auto& v) -> MapValue {
                                       if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::unique_ptr<MapNode>>)
                                         return MapValue(std::in_place_type<std::unique_ptr<MapNode>>);
                                       else
                                         return v;
                                     },
                                     value));
  }
  return copy;
}

long MapCount(const MapNode& node) {
  long n = 0;
  for (const auto& [key, value] : node.entries) {
    benchmark::DoNotOptimize(key.data());
    ++n;
    if (const auto* sub = std::get_if<std::unique_ptr<MapNode>>(&value)) n += MapCount(**sub);
  }
  return n;
}

// ---- The workloads, as lists of (path, value kind)

struct Item {
  std::string key;
  int kind;  // 0 int, 1 double, 2 string, 3 bool
};

// About 200 entries: the shape of a command's parameters and run state.
std::vector<Item> ParameterItems() {
  std::vector<Item> items;
  const char* groups[] = {"Source:Range", "Source", "Page", "Margins", "Marks:Crop", "Marks:Reg", "Layout:Grid",
                          "Layout:Gaps", "Control:Props", "Work", "Result", "ProcMan"};
  const char* names[] = {"From", "To", "Width", "Height", "Scale", "Rotate", "Name", "Mode",
                         "Units", "Offset", "Count", "Style", "Colour", "Enabled", "Key", "Tolerance", "Order"};
  int i = 0;
  for (const char* g : groups)
    for (const char* n : names) items.push_back({std::string(g) + ":" + n, i++ % 4});
  return items;  // 12 x 17 = 204
}

void KCabPutItem(SKCab* cab, const char* key, int kind) {
  switch (kind) {
    case 0: KCabPutInt(cab, key, 42); break;
    case 1: KCabPutDouble(cab, key, 2.5); break;
    case 2: KCabPutStringCopy(cab, key, "SubDoc"); break;
    default: KCabPutBool(cab, key, 1); break;
  }
}

MapValue MapItem(int kind) {
  switch (kind) {
    case 0: return 42;
    case 1: return 2.5;
    case 2: return std::string("SubDoc");
    default: return true;
  }
}

SKCab* KCabParams(const std::vector<Item>& items) {
  SKCab* cab = KCabNewInner();
  for (const Item& it : items) KCabPutItem(cab, it.key.c_str(), it.kind);
  return cab;
}

std::unique_ptr<MapNode> MapParams(const std::vector<Item>& items) {
  auto root = std::make_unique<MapNode>();
  for (const Item& it : items) MapPut(root.get(), it.key, MapItem(it.kind));
  return root;
}

ASBool CountProc(SKCab* cab, const char* key, ASInt32 type, void* data) {
  ++*static_cast<long*>(data);
  if (type == kKCabTypeCab) KCabConstEnum(KCabGetCab(cab, key), CountProc, data);
  return 1;
}

long KCabCount(SKCab* cab) {
  long n = 0;
  KCabConstEnum(cab, CountProc, &n);
  return n;
}

// ---- Parameter-sized

void KCab_ParamsBuild(benchmark::State& state) {
  auto items = ParameterItems();
  for (auto _ : state) {
    SKCab* cab = KCabParams(items);
    benchmark::DoNotOptimize(cab);
    KCabDestroy(cab);
  }
}

void Map_ParamsBuild(benchmark::State& state) {
  auto items = ParameterItems();
  for (auto _ : state) benchmark::DoNotOptimize(MapParams(items));
}

void KCab_ParamsLookup(benchmark::State& state) {
  auto items = ParameterItems();
  SKCab* cab = KCabParams(items);
  for (auto _ : state)
    for (const Item& it : items) benchmark::DoNotOptimize(KCabGetType(cab, it.key.c_str()));
  KCabDestroy(cab);
}

void Map_ParamsLookup(benchmark::State& state) {
  auto items = ParameterItems();
  auto root = MapParams(items);
  for (auto _ : state)
    for (const Item& it : items) benchmark::DoNotOptimize(MapGet(root.get(), it.key));
}

void KCab_ParamsEnumerate(benchmark::State& state) {
  SKCab* cab = KCabParams(ParameterItems());
  for (auto _ : state) benchmark::DoNotOptimize(KCabCount(cab));
  KCabDestroy(cab);
}

void Map_ParamsEnumerate(benchmark::State& state) {
  auto root = MapParams(ParameterItems());
  for (auto _ : state) benchmark::DoNotOptimize(MapCount(*root));
}

void KCab_ParamsDup(benchmark::State& state) {
  SKCab* cab = KCabParams(ParameterItems());
  for (auto _ : state) {
    SKCab* copy = KCabDup(cab);
    benchmark::DoNotOptimize(copy);
    KCabDestroy(copy);
  }
  KCabDestroy(cab);
}

void Map_ParamsDup(benchmark::State& state) {
  auto root = MapParams(ParameterItems());
  for (auto _ : state) benchmark::DoNotOptimize(MapDup(*root));
}

// ---- History-sized: 10,000 numbered items

constexpr int kHistory = 10000;

SKCab* KCabHistory() {
  SKCab* list = KCabNewInner();
  for (int i = 0; i < kHistory; ++i) {
    SKCab* item = KCabNewInner();
    KCabPutStringCopy(item, "Command", "Nup");
    KCabPutInt(item, "Pages", i);
    KCabPutCab(list, "", item);
  }
  return list;
}

std::unique_ptr<MapNode> MapHistory() {
  auto list = std::make_unique<MapNode>();
  for (int i = 0; i < kHistory; ++i) {
    auto item = std::make_unique<MapNode>();
    item->entries.emplace("Command", std::string("Nup"));
    item->entries.emplace("Pages", i);
    list->entries.emplace(std::to_string(list->entries.size()), std::move(item));
  }
  return list;
}

std::vector<std::string> HistoryKeys() {
  std::vector<std::string> keys;
  for (int i = 0; i < kHistory; ++i) keys.push_back(std::to_string(i) + ":Pages");
  return keys;
}

void KCab_HistoryBuild(benchmark::State& state) {
  for (auto _ : state) {
    SKCab* list = KCabHistory();
    benchmark::DoNotOptimize(list);
    KCabDestroy(list);
  }
}

void Map_HistoryBuild(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MapHistory());
}

void KCab_HistoryLookup(benchmark::State& state) {
  SKCab* list = KCabHistory();
  auto keys = HistoryKeys();
  for (auto _ : state)
    for (const std::string& k : keys) benchmark::DoNotOptimize(KCabGetInt(list, k.c_str(), -1));
  KCabDestroy(list);
}

void Map_HistoryLookup(benchmark::State& state) {
  auto list = MapHistory();
  auto keys = HistoryKeys();
  for (auto _ : state)
    for (const std::string& k : keys) benchmark::DoNotOptimize(MapGet(list.get(), k));
}

void KCab_HistoryEnumerate(benchmark::State& state) {
  SKCab* list = KCabHistory();
  for (auto _ : state) benchmark::DoNotOptimize(KCabCount(list));
  KCabDestroy(list);
}

void Map_HistoryEnumerate(benchmark::State& state) {
  auto list = MapHistory();
  for (auto _ : state) benchmark::DoNotOptimize(MapCount(*list));
}

void KCab_HistoryDup(benchmark::State& state) {
  SKCab* list = KCabHistory();
  for (auto _ : state) {
    SKCab* copy = KCabDup(list);
    benchmark::DoNotOptimize(copy);
    KCabDestroy(copy);
  }
  KCabDestroy(list);
}

void Map_HistoryDup(benchmark::State& state) {
  auto list = MapHistory();
  for (auto _ : state) benchmark::DoNotOptimize(MapDup(*list));
}

}  // namespace

BENCHMARK(KCab_ParamsBuild);
BENCHMARK(Map_ParamsBuild);
BENCHMARK(KCab_ParamsLookup);
BENCHMARK(Map_ParamsLookup);
BENCHMARK(KCab_ParamsEnumerate);
BENCHMARK(Map_ParamsEnumerate);
BENCHMARK(KCab_ParamsDup);
BENCHMARK(Map_ParamsDup);
BENCHMARK(KCab_HistoryBuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(Map_HistoryBuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(KCab_HistoryLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(Map_HistoryLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(KCab_HistoryEnumerate)->Unit(benchmark::kMicrosecond);
BENCHMARK(Map_HistoryEnumerate)->Unit(benchmark::kMicrosecond);
BENCHMARK(KCab_HistoryDup)->Unit(benchmark::kMicrosecond);
BENCHMARK(Map_HistoryDup)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
