// Resource merging onto sheets: 1,000 pages that share 20 embedded fonts
// (under names that clash from page to page) placed four to a sheet on 250
// sheets. The merge renames clashing names and shares every font; the naive
// peer gives each placed page a copy of its own resources under names of its
// own. Both read and rewrite every content statement the same way; the
// counters give the saved file's size and the font objects in it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosOps.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFStatement.h"

namespace {

constexpr int kPages = 1000;
constexpr int kFonts = 20;
constexpr int kPerSheet = 4;

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Name(CosDoc d, const char* n) { return CosNewNameFromString(d, 0, n); }

// A font with an embedded font file of a couple of kilobytes.
CosObj EmbeddedFont(CosDoc d, int i) {
  std::string program;
  for (int k = 0; program.size() < 2500; ++k) program += "font " + std::to_string(i) + " glyph " + std::to_string(k * 7919 % 1000) + "\n";
  CosObj file = MakeStreamFromData(d, program.data(), (ASInt32)program.size());
  CosObj descriptor = CosNewDict(d, 1, 4);
  CosDictPut(descriptor, A("Type"), Name(d, "FontDescriptor"));
  CosDictPut(descriptor, A("FontName"), Name(d, ("Font" + std::to_string(i)).c_str()));
  CosDictPut(descriptor, A("FontFile"), file);
  CosObj font = CosNewDict(d, 1, 5);
  CosDictPut(font, A("Type"), Name(d, "Font"));
  CosDictPut(font, A("Subtype"), Name(d, "Type1"));
  CosDictPut(font, A("BaseFont"), Name(d, ("Font" + std::to_string(i)).c_str()));
  CosDictPut(font, A("FontDescriptor"), descriptor);
  return font;
}

// The document the sheets are made in, holding the pages to place.
PDDoc MakePages() {
  PDDoc doc = PDDocCreate();
  CosDoc d = PDDocGetCosDoc(doc);
  std::vector<CosObj> fonts;
  for (int i = 0; i < kFonts; ++i) fonts.push_back(EmbeddedFont(d, i));
  CosObj gstate = CosNewDict(d, 1, 2);
  CosDictPut(gstate, A("ca"), CosNewDouble(d, 0, 0.5));
  ASFixedRect media{0, 842 << 16, 595 << 16, 0};
  for (int p = 0; p < kPages; ++p) {
    PDPage page = PDDocCreatePage(doc, p - 1, media);
    CosObj fontDict = CosNewDict(d, 0, 4);
    std::string content = "q /GS1 gs\n";
    for (int k = 0; k < 4; ++k) {
      std::string name = "F" + std::to_string(k + 1);
      CosDictPut(fontDict, A(name.c_str()), fonts[(p * 3 + k * 7) % kFonts]);
      content += "BT /" + name + " 11 Tf 72 " + std::to_string(700 - 40 * k) + " Td (Page " + std::to_string(p) +
                 " line " + std::to_string(k) + ") Tj ET\n";
    }
    content += "0 0 1 rg 50 50 100 100 re f Q\n";
    CosObj resources = CosNewDict(d, 0, 4);
    CosDictPut(resources, A("Font"), fontDict);
    CosObj gstates = CosNewDict(d, 0, 1);
    CosDictPut(gstates, A("GS1"), gstate);
    CosDictPut(resources, A("ExtGState"), gstates);
    CosObj procSet = CosNewArray(d, 0, 2);
    CosArrayPut(procSet, 0, Name(d, "PDF"));
    CosArrayPut(procSet, 1, Name(d, "Text"));
    CosDictPut(resources, A("ProcSet"), procSet);
    CosDictPut(PDPageGetCosObj(page), A("Resources"), resources);
    PDPageAddCosContents(page, MakeStreamFromData(d, content.data(), (ASInt32)content.size()));
    PDPageRelease(page);
  }
  return doc;
}

// The page's statements with names moved as the map says, each placement
// under its own matrix.
void CopyContent(CosObj contents, CosObj resources, CosObj map, int slot, std::string* out) {
  char cm[64];
  std::snprintf(cm, sizeof cm, "q 0.5 0 0 0.5 %d %d cm\n", (slot % 2) * 298, (slot / 2) * 421);
  *out += cm;
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  OpenStmForNextPDFStatement(reader, resources, CosStreamOpenStm(contents, cosOpenFiltered));
  ASInt32 size = 60000;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  for (;;) {
    ASInt32 length = 0;
    char* op = nullptr;
    if (NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0) != 0 || !op) break;
    char* end = buffer + length;
    if (CosObjGetType(map) == CosDict) SubstituteResourceInStatementExt(&buffer, &size, &end, &op, map);
    out->append(buffer, (size_t)(end - buffer));
  }
  ASfree(buffer);
  CloseNextPDFStatementInfo(reader);
  DestroyNextPDFStatementInfo(reader);
  *out += "\nQ\n";
}

// The naive way: a deep copy of the page's resources, every name given the
// placement's own prefix.
CosObj NaiveResources(CosDoc d, CosObj resources, CosObj sheetResources, int slot, CosObj* map) {
  CosObj copy = CloneObject(d, resources);
  *map = CosNewDict(d, 0, 4);
  struct Ctx {
    CosDoc d;
    CosObj sheet, map;
    std::string prefix;
  } ctx{d, sheetResources, *map, "P" + std::to_string(slot)};
  CosObjEnum(
      copy,
      [](CosObj category, CosObj value, void* c) -> ASBool {
        auto* x = static_cast<Ctx*>(c);
        ASAtom cat = CosNameValue(category);
        if (CosObjGetType(value) != CosDict) {
          CosDictPut(x->sheet, cat, value);
          return 1;
        }
        CosObj into = CosDictGet(x->sheet, cat);
        if (CosObjGetType(into) != CosDict) {
          into = CosNewDict(x->d, 1, 16);
          CosDictPut(x->sheet, cat, into);
        }
        CosObj names = CosNewDict(x->d, 1, 4);
        CosDictPut(x->map, cat, names);
        struct Inner {
          Ctx* x;
          CosObj into, names;
        } in{x, into, names};
        CosObjEnum(
            value,
            [](CosObj key, CosObj v, void* c2) -> ASBool {
              auto* i = static_cast<Inner*>(c2);
              std::string fresh = i->x->prefix + ASAtomGetString(CosNameValue(key));
              CosDictPut(i->into, A(fresh.c_str()), v);
              CosDictPut(i->names, CosNameValue(key), Name(i->x->d, fresh.c_str()));
              return 1;
            },
            &in);
        return 1;
      },
      &ctx);
  return copy;
}

struct Outcome {
  long long bytes = 0;
  int fonts = 0;
};

// Builds the sheets from the pages, drops the pages, saves and measures.
template <class PlaceResources>
void BuildSheets(benchmark::State& state, PlaceResources place) {
  Outcome outcome;
  for (auto _ : state) {
    state.PauseTiming();
    PDDoc doc = MakePages();
    CosDoc d = PDDocGetCosDoc(doc);
    state.ResumeTiming();
    ASFixedRect media{0, 842 << 16, 595 << 16, 0};
    for (int s = 0; s < kPages / kPerSheet; ++s) {
      SMergeResourceInfo* merge = NewMergeResourceInfo(doc);
      CosObj naiveResources = CosNewDict(d, 1, 8);
      std::string content;
      for (int k = 0; k < kPerSheet; ++k) {
        PDPage page = PDDocAcquirePage(doc, s * kPerSheet + k);
        CosObj resources = PDPageGetCosResources(page);
        CosObj map = place(merge, d, resources, naiveResources, k);
        CopyContent(PDPageGetCosContents(page), resources, map, k, &content);
        PDPageRelease(page);
      }
      CosObj sheetResources = place(nullptr, d, CosNewNull(), naiveResources, -1);
      if (CosObjGetType(sheetResources) == CosNull) sheetResources = MergeResultResourceDict(merge);
      DestroyMergeResourceInfo(merge);
      PDPage sheet = PDDocCreatePage(doc, PDDocGetNumPages(doc) - 1, media);
      CosDictPut(PDPageGetCosObj(sheet), A("Resources"), sheetResources);
      PDPageAddCosContents(sheet, MakeStreamFromData(d, content.data(), (ASInt32)content.size()));
      PDPageRelease(sheet);
    }
    state.PauseTiming();
    PDDocDeletePages(doc, 0, kPages - 1, nullptr, nullptr);
    std::string path = (std::filesystem::temp_directory_path() / "kv-bench-merge.pdf").string();
    ASPathName p = ASFileSysCreatePathName(nullptr, A("POSIXPath"), path.c_str(), nullptr);
    PDDocSaveParamsRec params{};
    params.size = sizeof params;
    params.saveFlags = PDSaveFull;
    params.newPath = p;
    params.objectStreams = PDSaveObjStmDisable;  // so that the fonts can be counted in the file's text
    PDDocSaveWithParams(doc, &params);
    ASFileSysReleasePath(nullptr, p);
    PDDocClose(doc);
    outcome.bytes = (long long)std::filesystem::file_size(path);
    std::string all;
    {
      FILE* f = std::fopen(path.c_str(), "rb");
      char chunk[65536];
      for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) all.append(chunk, n);
      std::fclose(f);
    }
    std::filesystem::remove(path);
    outcome.fonts = 0;
    for (size_t at = 0; (at = all.find("/FontFile ", at)) != std::string::npos; ++at) ++outcome.fonts;
    state.ResumeTiming();
  }
  state.counters["output_bytes"] = (double)outcome.bytes;
  state.counters["font_objects"] = (double)outcome.fonts;
}

// place(merge, doc, resources, naive, slot): the rename map of one placed page;
// with slot -1, the sheet's resources (null: take the merge's result).
void BM_MergeOntoSheets(benchmark::State& state) {
  BuildSheets(state, [](SMergeResourceInfo* merge, CosDoc, CosObj resources, CosObj, int slot) {
    if (slot < 0) return CosNewNull();
    CosObj map = CosNewNull();
    MergeResourceDict(merge, resources, &map);
    return map;
  });
}

void BM_NaiveCopyOntoSheets(benchmark::State& state) {
  BuildSheets(state, [](SMergeResourceInfo*, CosDoc d, CosObj resources, CosObj naive, int slot) {
    if (slot < 0) return naive;
    CosObj map = CosNewNull();
    NaiveResources(d, resources, naive, slot, &map);
    return map;
  });
}

BENCHMARK(BM_MergeOntoSheets)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NaiveCopyOntoSheets)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
