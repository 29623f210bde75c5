// The XML reader and the cabinet reader on hostile markup.
//
// A command history comes from the PDF being replayed, so its text is the
// file's author's choice, up to the history cap of 32 MB. The worst cases for
// tag pairing are long runs of end tags that match nothing while many tags are
// open. Each figure is reported per byte with its complexity; a size that takes
// longer than its bound is reported as an error, so a pairing that turns
// quadratic again fails the benchmark run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/XMLReader.h"

namespace {

// Half the bytes open tags, half close names that are not open.
std::string UnmatchedEndTags(size_t bytes) {
  std::string s = "<RUVURAZAR><ITEMS>";
  size_t pairs = bytes / 8;
  for (size_t i = 0; i < pairs; ++i) s += "<a>";
  for (size_t i = 0; i < pairs; ++i) s += "</b>";
  s += "</ITEMS></RUVURAZAR>";
  return s;
}

// Every open tag has its own name, and no end tag names an open one.
std::string DistinctOpenNames(size_t bytes) {
  std::string s = "<RUVURAZAR><ITEMS>";
  size_t tags = bytes / 16;
  for (size_t i = 0; i < tags; ++i) s += "<n" + std::to_string(i) + ">";
  for (size_t i = 0; i < tags; ++i) s += "</q>";
  s += "</ITEMS></RUVURAZAR>";
  return s;
}

// A message spreadsheet whose cells never close their Data elements: each
// cell's text is asked for, as the message loader does.
std::string UnclosedCells(size_t bytes) {
  std::string s = "<Workbook><Worksheet><Table><Row>";
  size_t cells = bytes / 24;
  for (size_t i = 0; i < cells; ++i) s += "<Cell><Data>text</Cell>";
  s += "</Row></Table></Worksheet></Workbook>";
  return s;
}

// Seconds a text of this size may take at most: far above a linear reader
// (about 0.1 s for 32 MB), far below a quadratic one (hours).
double BoundSeconds(size_t bytes) { return 0.5 + (double)bytes / (1 << 20) * 0.25; }

template <std::string (*Make)(size_t)>
void Parse(benchmark::State& state) {
  std::string text = Make((size_t)state.range(0));
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    SXMLDoc* doc = NewXMLDocFromBuffer(text.data(), (ASInt32)text.size());
    ParseXMLDoc(doc);
    benchmark::DoNotOptimize(doc->root);
    FreeXMLDoc(doc);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > BoundSeconds(text.size())) {
      state.SkipWithError("parsing took longer than its bound");
      break;
    }
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
  state.SetComplexityN((int64_t)text.size());
}

template <std::string (*Make)(size_t)>
void ReadCabinet(benchmark::State& state) {
  std::string text = Make((size_t)state.range(0));
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    ASBool error = 0;
    SKCab* cab = KCabReadFromBuffer(text.data(), (ASInt32)text.size(), &error);
    benchmark::DoNotOptimize(cab);
    if (cab) KCabDestroy(cab);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > BoundSeconds(text.size())) {
      state.SkipWithError("reading took longer than its bound");
      break;
    }
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
  state.SetComplexityN((int64_t)text.size());
}

void CellTexts(benchmark::State& state) {
  std::string text = UnclosedCells((size_t)state.range(0));
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    SXMLDoc* doc = NewXMLDocFromBuffer(text.data(), (ASInt32)text.size());
    ParseXMLDoc(doc);
    SXMLElement* sheet = XMLElementFindChildElement(doc->root, "Worksheet", nullptr);
    SXMLElement* table = XMLElementFindChildElement(sheet, "Table", nullptr);
    SXMLElement* row = XMLElementFindChildElement(table, "Row", nullptr);
    for (SXMLElement* c = XMLElementFindChildElement(row, "Cell", nullptr); c;
         c = XMLElementFindChildElement(row, "Cell", c))
      benchmark::DoNotOptimize(XMLElementGetText(XMLElementFindChildElement(c, "Data", nullptr)));
    FreeXMLDoc(doc);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > BoundSeconds(text.size())) {
      state.SkipWithError("reading the cells took longer than its bound");
      break;
    }
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
  state.SetComplexityN((int64_t)text.size());
}

constexpr int64_t kSmall = 64 << 10;
constexpr int64_t kCap = 32 << 20;  // the command history's cap

BENCHMARK(Parse<UnmatchedEndTags>)->RangeMultiplier(8)->Range(kSmall, kCap)->Complexity(benchmark::oN);
BENCHMARK(Parse<DistinctOpenNames>)->RangeMultiplier(8)->Range(kSmall, kCap)->Complexity(benchmark::oN);
BENCHMARK(ReadCabinet<UnmatchedEndTags>)->RangeMultiplier(8)->Range(kSmall, kCap)->Complexity(benchmark::oN);
BENCHMARK(ReadCabinet<DistinctOpenNames>)->RangeMultiplier(8)->Range(kSmall, kCap)->Complexity(benchmark::oN);
BENCHMARK(CellTexts)->RangeMultiplier(8)->Range(kSmall, kCap)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
