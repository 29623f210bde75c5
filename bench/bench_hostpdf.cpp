// The host's PDF layer against the qpdf program on a generated document of
// many pages that share fonts and images: open and save, and copying every
// page into a new document.
//
//   bench_hostpdf                    compare on a generated 2,000-page file
//   bench_hostpdf gen OUT PAGES      write the benchmark document
//   bench_hostpdf save IN OUT        open and save with the host
//   bench_hostpdf insert IN OUT      copy all pages into a new document and save
//
// Without arguments each command runs as its own process, alternating with
// the qpdf program, and the medians of wall time and peak memory are compared.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchProcess.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/PD.h"

namespace {

ASPathName Path(const char* p) { return ASFileSysCreatePathName(nullptr, ASAtomFromString("POSIXPath"), p, nullptr); }

int Save(const char* in, const char* out) {
  ASPathName pin = Path(in), pout = Path(out);
  PDDoc doc = PDDocOpen(pin, nullptr, nullptr, 1);
  PDDocSave(doc, PDSaveFull, pout, nullptr, nullptr, nullptr);
  PDDocClose(doc);
  ASFileSysReleasePath(nullptr, pin);
  ASFileSysReleasePath(nullptr, pout);
  return 0;
}

int Insert(const char* in, const char* out) {
  ASPathName pin = Path(in), pout = Path(out);
  PDDoc src = PDDocOpen(pin, nullptr, nullptr, 1);
  PDDoc dst = PDDocCreate();
  PDDocInsertPages(dst, PDLastPage, src, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  PDDocSave(dst, PDSaveFull, pout, nullptr, nullptr, nullptr);
  PDDocClose(dst);
  PDDocClose(src);
  ASFileSysReleasePath(nullptr, pin);
  ASFileSysReleasePath(nullptr, pout);
  return 0;
}

using kvbench::Median;
using kvbench::Run;
using kvbench::Spawn;

void Compare(const char* what, const std::vector<std::string>& ours, const std::vector<std::string>& theirs,
             double goal) {
  std::vector<double> t1, t2, m1, m2;
  for (int i = 0; i < 6; ++i) {
    Run a = Spawn(ours), b = Spawn(theirs);
    if (a.status != 0 || b.status != 0) {
      std::printf("%s: a run failed (%d, %d)\n", what, a.status, b.status);
      return;
    }
    if (i == 0) continue;  // warm-up
    t1.push_back(a.seconds);
    t2.push_back(b.seconds);
    m1.push_back((double)a.maxrssKb);
    m2.push_back((double)b.maxrssKb);
  }
  double tr = Median(t1) / Median(t2), mr = Median(m1) / Median(m2);
  std::printf("%-22s host %.3f s %6.1f MB | qpdf %.3f s %6.1f MB | time x%.2f (goal %.1f) memory x%.2f (goal 2.0)\n",
              what, Median(t1), Median(m1) / 1024, Median(t2), Median(m2) / 1024, tr, goal, mr);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 4 && !std::strcmp(argv[1], "gen")) {
      kvfix::WriteShared(argv[2], std::atoi(argv[3]), 4, 8);
      return 0;
    }
    if (argc == 4 && !std::strcmp(argv[1], "save")) return Save(argv[2], argv[3]);
    if (argc == 4 && !std::strcmp(argv[1], "insert")) return Insert(argv[2], argv[3]);
  } catch (const ASException& e) {
    std::fprintf(stderr, "host error %08x\n", (unsigned)e.code);
    return 1;
  }
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s [gen OUT PAGES | save IN OUT | insert IN OUT]\n", argv[0]);
    return 2;
  }
  std::string dir = std::filesystem::temp_directory_path() / ("kvbench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string in = dir + "/shared.pdf", out = dir + "/out.pdf";
  kvfix::WriteShared(in, 2000, 4, 8);
  std::string self = std::filesystem::read_symlink("/proc/self/exe");
  Compare("open and save", {self, "save", in, out}, {"qpdf", in, out}, 1.2);
  Compare("copy all pages", {self, "insert", in, out}, {"qpdf", "--empty", "--pages", in, "--", out}, 1.5);
  std::filesystem::remove_all(dir);
  return 0;
}
