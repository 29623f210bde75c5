// The statement reader against qpdf's own tokenizer over the same bytes: the
// decoded content streams of a generated 2,000-page text-and-graphics
// document, of a document of pages with large inline images, and of pages
// with one large and many small inline images.
//
// Both sides read every byte: the reader cuts statements (and classifies
// their operators); the tokenizer is driven as qpdf's content parser drives
// it (end of input allowed, inline image data after ID). The tokenizer runs
// twice: skipping white space and comments, and returning them as tokens, as
// a reader that keeps every byte must.
#include <benchmark/benchmark.h>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/ContentFixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "pdftools/PDFStatement.h"

namespace {

// The decoded content streams of every page of the file.
std::vector<std::string> ContentStreams(const std::string& path) {
  QPDF q;
  q.processFile(path.c_str());
  std::vector<std::string> out;
  for (QPDFObjectHandle page : q.getAllPages()) {
    QPDFObjectHandle contents = page.getKey("/Contents");
    std::shared_ptr<Buffer> data = contents.getStreamData(qpdf_dl_generalized);
    out.emplace_back(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  }
  return out;
}

struct Corpus {
  std::vector<std::string> textGraphics;
  std::vector<std::string> inlineImages;
  std::vector<std::string> mixedImages;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "kv-bench-statements";
    std::filesystem::create_directories(dir);
    std::string text = (dir / "textgraphics-2000.pdf").string();
    std::string images = (dir / "inlineimages.pdf").string();
    kvfix::WriteTextAndGraphics(text, 2000);
    // 100 pages, each with three 200 x 150 RGB images (90,000 bytes of data each).
    kvfix::WriteLargeInlineImages(images, 100, 3, 200, 150);
    c.textGraphics = ContentStreams(text);
    c.inlineImages = ContentStreams(images);
    // A large image (which grows the statement buffer), then 300 small ones.
    for (int page = 0; page < 100; ++page)
      c.mixedImages.push_back(kvfix::LargeInlineImageContent(page, 1, 200, 150) +
                              kvfix::SmallInlineImagesContent(page, 300));
    std::filesystem::remove_all(dir);
    return c;
  }();
  return corpus;
}

size_t TotalBytes(const std::vector<std::string>& streams) {
  size_t n = 0;
  for (const std::string& s : streams) n += s.size();
  return n;
}

void ReadStatements(benchmark::State& state, const std::vector<std::string>& streams) {
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  ASInt32 size = 60000;
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)size));
  size_t statements = 0;
  for (auto _ : state) {
    statements = 0;
    for (const std::string& s : streams) {
      ASStm stm = ASMemStmRdOpen(s.data(), s.size());
      OpenStmForNextPDFStatement(reader, CosNewNull(), stm);
      ASInt32 length = 0;
      char* op = nullptr;
      while (NextPDFStatementExt(&buffer, &size, &length, &op, reader, 0) == 0) {
        benchmark::DoNotOptimize(ClassifyPDFVerb(op));
        ++statements;
      }
      CloseNextPDFStatementInfo(reader);
    }
  }
  ASfree(buffer);
  DestroyNextPDFStatementInfo(reader);
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)TotalBytes(streams));
  state.counters["statements"] = (double)statements;
}

void Tokenize(benchmark::State& state, const std::vector<std::string>& streams, bool ignorable) {
  std::vector<std::string> bytes = streams;  // the tokenizer's buffers want writable memory
  size_t tokens = 0;
  for (auto _ : state) {
    tokens = 0;
    for (std::string& s : bytes) {
      Buffer wrapped(reinterpret_cast<unsigned char*>(s.data()), s.size());
      auto input = std::make_shared<BufferInputSource>("content", &wrapped);
      QPDFTokenizer tokenizer;
      tokenizer.allowEOF();
      if (ignorable) tokenizer.includeIgnorable();
      for (;;) {
        QPDFTokenizer::Token token = tokenizer.readToken(input, "content", true);
        if (token.getType() == QPDFTokenizer::tt_eof) break;
        ++tokens;
        if (token.isWord("ID")) {
          char ch;
          input->read(&ch, 1);  // the white space after ID
          tokenizer.expectInlineImage(input);
        }
      }
    }
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)TotalBytes(streams));
  state.counters["tokens"] = (double)tokens;
}

void BM_Statements_TextGraphics(benchmark::State& state) { ReadStatements(state, TheCorpus().textGraphics); }
void BM_QPDFTokenizer_TextGraphics(benchmark::State& state) { Tokenize(state, TheCorpus().textGraphics, false); }
void BM_QPDFTokenizerIgnorable_TextGraphics(benchmark::State& state) {
  Tokenize(state, TheCorpus().textGraphics, true);
}
void BM_Statements_InlineImages(benchmark::State& state) { ReadStatements(state, TheCorpus().inlineImages); }
void BM_QPDFTokenizer_InlineImages(benchmark::State& state) { Tokenize(state, TheCorpus().inlineImages, false); }
void BM_QPDFTokenizerIgnorable_InlineImages(benchmark::State& state) {
  Tokenize(state, TheCorpus().inlineImages, true);
}
void BM_Statements_MixedImages(benchmark::State& state) { ReadStatements(state, TheCorpus().mixedImages); }
void BM_QPDFTokenizer_MixedImages(benchmark::State& state) { Tokenize(state, TheCorpus().mixedImages, false); }

BENCHMARK(BM_Statements_TextGraphics)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPDFTokenizer_TextGraphics)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPDFTokenizerIgnorable_TextGraphics)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statements_InlineImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPDFTokenizer_InlineImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPDFTokenizerIgnorable_InlineImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statements_MixedImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPDFTokenizer_MixedImages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
