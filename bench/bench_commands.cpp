// The commands end to end, as a user runs them: kvhost with the plug-in runs
// n-up (4-up), a saddle-stitched booklet, a shuffle, reverse (into a new
// document and in place) and even/odd on generated books of 1,000 and 10,000
// pages (1.5 links a page), and with --large a 100,000-page n-up. Every output
// is checked: kvhost's exit status, the page count, qpdf --check, and the page
// labels on the first sheets. The peers found on this machine do the same jobs
// in turn with ours (qpdf always; pikepdf, podofoimpose and cups' pdftopdf when
// installed), and the medians of processor time are set side by side as
// ratios, ours / peer (below 1: ours is faster), with the growth from 1,000 to
// 10,000 pages. The odd-half job (a shuffle that keeps the odd pages) runs on
// a document whose every page is linked, bookmarked, named, tagged and has
// fields (fixtures/LinkFixtures.h); its table also gives the output sizes
// beside qpdf's page selection of the same pages.
//
//   bench_commands [--large] [--runs N] [--only NAME,...] [--sizes N,...] [--keep DIR]
//   bench_commands gen OUT PAGES        write a benchmark book
//   bench_commands gen-linked OUT PAGES write the cross-linked document
//
// Counted runs: three at 1,000 pages after a warm-up, two at 10,000, one at
// 100,000; a peer that took over a minute is not run again. BENCH_LARGE=1
// stands for --large, BENCH_RUNS=N for --runs N. The exit status
// is 1 when an output was wrong, whatever the times; a goal not met is reported,
// not failed: the machine is shared and its speed drifts.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchProcess.h"
#include "fixtures/BookFixtures.h"
#include "fixtures/LinkFixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"

namespace {

namespace fs = std::filesystem;
using kvbench::Median;
using kvbench::Run;
using kvbench::Spawn;

std::string gDir;         // work folder
std::string gKvhost;      // build/kvhost
std::string gPeers;       // bench/peers
std::string gPython;      // a python with pikepdf, or empty
std::string gPodofo;      // podofoimpose with Lua plans, or empty
std::string gPdftopdf;    // cups' pdftopdf, or empty

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// What a command prints on standard output.
std::string Capture(const std::vector<std::string>& argv) {
  std::string out = gDir + "/capture.txt";
  Spawn(argv, out);
  return ReadAll(out);
}

double Load() {
  double l = 0;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &l) != 1) l = 0;
    std::fclose(f);
  }
  return l;
}

bool Executable(const std::string& p) { return access(p.c_str(), X_OK) == 0; }

std::string InPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string d; std::getline(dirs, d, ':');)
    if (!d.empty() && Executable(d + "/" + name)) return d + "/" + name;
  return "";
}

// ---- the jobs

std::string Cabinet(const std::string& name, SKCab* cab) {
  ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
  std::string text((size_t)need + 1, '\0');
  ASInt32 got = 0;
  WriteKCabToXMLBuffer(text.data(), need + 1, cab, &got);
  text.resize(std::strlen(text.c_str()));
  KCabDestroy(cab);
  std::string path = gDir + "/" + name + ".xml";
  WriteAll(path, text);
  return path;
}

SKCab* NupParams() {
  SKCab* p = KCabNewInner();
  KCabPutBool(p, "NewDoc", 1);
  KCabPutBool(p, "UseScale", 1);
  KCabPutAtom(p, "DoScaling", ASAtomFromString("ToFit"));
  KCabPutInt(p, "FitAcross", 2);
  KCabPutInt(p, "FitDown", 2);
  KCabPutAtom(p, "PageOrientation", ASAtomFromString("Tall"));
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutStringCopy(page, "Name", "Letter");
  KCabPutDouble(page, "Width", 612);
  KCabPutDouble(page, "Height", 792);
  KCabPutCab(p, "Page", page);
  return p;
}

SKCab* BookletParams() {
  SKCab* p = KCabNewInner();
  KCabPutAtom(p, "Paginate", ASAtomFromString("Single"));
  KCabPutAtom(p, "Backs", ASAtomFromString("Inline"));
  KCabPutBool(p, "NewDoc", 1);
  return p;
}

SKCab* ShuffleParams() {
  SKCab* p = KCabNewInner();
  KCabPutStringCopy(p, "Order", "2 1");
  KCabPutInt(p, "GroupSize", 2);
  KCabPutBool(p, "NewDoc", 1);
  return p;
}

SKCab* OddHalfParams() {
  SKCab* p = KCabNewInner();
  KCabPutStringCopy(p, "Order", "1");
  KCabPutInt(p, "GroupSize", 2);
  KCabPutBool(p, "NewDoc", 1);
  return p;
}

SKCab* NewDocParams(bool newDoc) {
  SKCab* p = KCabNewInner();
  KCabPutBool(p, "NewDoc", newDoc);
  return p;
}

SKCab* EvenOddParams() {
  SKCab* p = KCabNewInner();
  KCabPutAtom(p, "Action", ASAtomFromString("OddsFirst"));
  return p;
}

using Labels = std::vector<std::set<int>>;  // the page labels on each of the first output pages

struct Peer {
  std::string name;
  // The command line for in -> out; empty when the peer cannot do it here.
  std::function<std::vector<std::string>(const std::string& in, const std::string& out, int pages)> argv;
  bool toStdout = false;  // the peer writes the result on its standard output
};

struct Job {
  std::string name;
  const char* command;
  std::function<SKCab*()> params;
  bool newDoc;
  std::function<int(int)> outPages;
  std::function<Labels(int)> labels;
  // Peers that do the same job; "qpdf copy" (qpdf in.pdf out.pdf) is added to
  // every job as the floor of reading and writing the document.
  std::vector<Peer> peers;
  bool imposition;  // the goal is to beat the best peer, else qpdf's page selection
  bool large;       // also run at 100,000 pages with --large
  bool crossLinked = false;  // on the cross-linked document instead of the book; sizes reported
};

Peer Pikepdf(const char* job) {
  return Peer{"pikepdf", [job](const std::string& in, const std::string& out, int) {
                return gPython.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{gPython, gPeers + "/pikepdf_impose.py", job, in, out};
              }};
}

Peer Podofo(const char* plan) {
  return Peer{"podofoimpose", [plan](const std::string& in, const std::string& out, int) {
                return gPodofo.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{gPodofo, in, out, gPeers + "/" + plan, "lua"};
              }};
}

Peer Pdftopdf(const char* options) {
  return Peer{"pdftopdf",
              [options](const std::string& in, const std::string&, int) {
                return gPdftopdf.empty() ? std::vector<std::string>{}
                                         : std::vector<std::string>{gPdftopdf, "1", "bench", "bench", "1", options, in};
              },
              true};
}

// qpdf's page selection, its arguments in a file: long lists pass no
// command-line limit.
Peer QpdfSelect(std::function<std::string(const std::string& in, const std::string& out, int pages)> args) {
  return Peer{"qpdf select", [args](const std::string& in, const std::string& out, int pages) {
                std::string file = gDir + "/qpdf-args.txt";
                WriteAll(file, args(in, out, pages));
                return std::vector<std::string>{"qpdf", "@" + file};
              }};
}

std::vector<Job> Jobs() {
  auto same = [](int n) { return n; };
  std::vector<Job> jobs;
  jobs.push_back(Job{"nup", "Nup", NupParams, true, [](int n) { return (n + 3) / 4; },
                     [](int) { return Labels{{1, 2, 3, 4}, {5, 6, 7, 8}}; },
                     {Pikepdf("nup"), Podofo("podofo_nup.lua"), Pdftopdf("number-up=4")}, true, true});
  jobs.push_back(Job{"booklet", "SimpleBooklet", BookletParams, true, [](int n) { return (n + 3) / 4 * 2; },
                     [](int n) {
                       int padded = (n + 3) / 4 * 4;
                       std::set<int> first{1}, second{2};
                       if (padded <= n) first.insert(padded);
                       if (padded - 1 <= n) second.insert(padded - 1);
                       return Labels{first, second};
                     },
                     {Pikepdf("booklet"), Podofo("podofo_booklet.lua"), Pdftopdf("booklet=on")}, true, false});
  jobs.push_back(Job{"shuffle", "Shuffle", ShuffleParams, true, same, [](int) { return Labels{{2}, {1}}; },
                     {QpdfSelect([](const std::string& in, const std::string& out, int n) {
                        std::string list;
                        for (int i = 0; i < n; ++i) {
                          int page = (i ^ 1) < n ? (i ^ 1) : i;
                          list += (list.empty() ? "" : ",") + std::to_string(page + 1);
                        }
                        return "--empty\n--pages\n" + in + "\n" + list + "\n--\n" + out + "\n";
                      }),
                      Pikepdf("shuffle")},
                     false, false});
  {
    Job odd{"odd-half", "Shuffle", OddHalfParams, true, [](int n) { return (n + 1) / 2; },
            [](int) { return Labels{{1}, {3}}; },
            {QpdfSelect([](const std::string& in, const std::string& out, int) {
              return "--empty\n--pages\n" + in + "\n1-z:odd\n--\n" + out + "\n";
            })},
            false, false};
    odd.crossLinked = true;
    jobs.push_back(odd);
  }
  jobs.push_back(Job{"reverse", "ReversePageOrder", [] { return NewDocParams(true); }, true, same,
                     [](int n) { return Labels{{n}, {n - 1}}; },
                     {QpdfSelect([](const std::string& in, const std::string& out, int) {
                        return "--empty\n--pages\n" + in + "\nz-1\n--\n" + out + "\n";
                      }),
                      Pikepdf("reverse"), Pdftopdf("outputorder=reverse")},
                     false, false});
  jobs.push_back(Job{"reverse-in-place", "ReversePageOrder", [] { return NewDocParams(false); }, false, same,
                     [](int n) { return Labels{{n}, {n - 1}}; },
                     {QpdfSelect([](const std::string& in, const std::string& out, int) {
                        return in + "\n--pages\n.\nz-1\n--\n" + out + "\n";
                      }),
                      Pikepdf("reverse-in-place")},
                     false, false});
  jobs.push_back(Job{"evenodd", "EvenOddShuffle", EvenOddParams, false, same, [](int) { return Labels{{1}, {3}}; },
                     {QpdfSelect([](const std::string& in, const std::string& out, int) {
                        return in + "\n--pages\n.\n1-z:odd\n.\n1-z:even\n--\n" + out + "\n";
                      }),
                      Pikepdf("evenodd")},
                     false, false});
  return jobs;
}

// ---- checking an output

int PageCount(const std::string& pdf) {
  std::string n = Capture({"qpdf", "--show-npages", pdf});
  return n.empty() ? -1 : std::atoi(n.c_str());
}

Labels FirstLabels(const std::string& pdf, size_t count) {
  std::string text = Capture({"pdftotext", "-q", "-f", "1", "-l", std::to_string(count), pdf, "-"});
  Labels out(1);
  static const std::regex label(R"(Page (\d+))");
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\f', start);
    std::string page = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), label); it != std::sregex_iterator(); ++it)
      out.back().insert(std::stoi((*it)[1].str()));
    if (end == std::string::npos || out.size() == count) break;
    out.emplace_back();
    start = end + 1;
  }
  out.resize(count);
  return out;
}

std::string Show(const std::set<int>& s) {
  std::string t = "{";
  for (int v : s) t += (t.size() > 1 ? "," : "") + std::to_string(v);
  return t + "}";
}

// "" when pdf is a sound result of the job, else what is wrong.
std::string Check(const std::string& pdf, int want, const Labels* labels) {
  if (!fs::exists(pdf)) return "no output";
  int got = PageCount(pdf);
  if (got != want) return std::to_string(got) + " pages, not " + std::to_string(want);
  int check = Spawn({"qpdf", "--check", pdf}).status;
  if (check != 0) return "qpdf --check says " + std::to_string(check);
  if (labels) {
    Labels have = FirstLabels(pdf, labels->size());
    for (size_t i = 0; i < labels->size(); ++i)
      if (have[i] != (*labels)[i])
        return "page " + std::to_string(i + 1) + " shows " + Show(have[i]) + ", not " + Show((*labels)[i]);
  }
  return "";
}

// ---- measuring

struct Figures {
  std::vector<double> seconds, cpu, rss;
  long long bytes = 0;  // the size of the output
  std::string problem;  // why the figures do not count, or ""
  bool ran = false;
  // Processor time (user and system): on a shared machine it drifts less than
  // wall time, which waits for processors other work holds.
  double Time() const { return Median(cpu); }
  double Wall() const { return Median(seconds); }
  double MB() const { return Median(rss) / 1024; }
};

struct Row {
  Figures ours;
  std::map<std::string, Figures> peers;  // by name
};

struct Command {
  std::vector<std::string> argv;
  std::string out, stdoutPath, saveAll;
};

Command OursFor(const Job& job, const std::string& in, const std::string& params, const std::string& tag) {
  Command c;
  c.argv = {gKvhost, "--quiet", "--static-id", "--prefs", gDir + "/prefs", "--params", params, "--command", job.command};
  if (job.newDoc) {
    c.saveAll = gDir + "/out-" + tag;
    c.argv.insert(c.argv.end(), {"--save-all", c.saveAll});
  } else {
    c.out = gDir + "/out-" + tag + ".pdf";
    c.argv.insert(c.argv.end(), {"--save", c.out});
  }
  c.argv.push_back(in);
  return c;
}

void Prepare(const Command& c) {
  if (!c.saveAll.empty()) {
    fs::remove_all(c.saveAll);
    fs::create_directories(c.saveAll);
  } else if (!c.out.empty()) {
    fs::remove(c.out);
  }
}

// The one document --save-all wrote, or the output path.
std::string ResultOf(const Command& c, std::string* problem) {
  if (c.saveAll.empty()) return c.out;
  std::vector<std::string> made;
  for (auto& e : fs::directory_iterator(c.saveAll)) made.push_back(e.path().string());
  if (made.size() != 1) *problem = std::to_string(made.size()) + " documents made, not 1";
  return made.empty() ? std::string() : made[0];
}

void Measure(Figures& f, const Run& r) {
  f.ran = true;
  if (r.status != 0 && f.problem.empty()) f.problem = "exit status " + std::to_string(r.status);
  f.seconds.push_back(r.seconds);
  f.cpu.push_back(r.cpu);
  f.rss.push_back((double)r.maxrssKb);
}

constexpr double kSlowPeer = 60;  // seconds

Row RunJob(const Job& job, const std::string& in, int pages, int runs, bool warmup, bool withPeers) {
  Row row;
  std::string tag = job.name + "-" + std::to_string(pages);
  std::string params = Cabinet(tag, job.params());
  Command ours = OursFor(job, in, params, tag);
  std::vector<Peer> peers{Peer{"qpdf copy", [](const std::string& i, const std::string& o, int) {
                                 return std::vector<std::string>{"qpdf", i, o};
                               }}};
  if (withPeers) peers.insert(peers.end(), job.peers.begin(), job.peers.end());
  std::vector<Command> theirs;
  for (const Peer& p : peers) {
    Command c;
    c.out = gDir + "/peer-" + tag + "-" + std::to_string(theirs.size()) + ".pdf";
    c.argv = p.argv(in, c.out, pages);
    if (p.toStdout) c.stdoutPath = c.out;
    theirs.push_back(c);
  }
  // In turn, ours then each peer, so that a drift of the machine's speed
  // falls on all alike.
  for (int i = warmup ? -1 : 0; i < runs; ++i) {
    Prepare(ours);
    Run r = Spawn(ours.argv, "", false);
    if (i >= 0) Measure(row.ours, r);
    else if (r.status != 0) row.ours.problem = "exit status " + std::to_string(r.status);
    for (size_t k = 0; k < peers.size(); ++k) {
      if (theirs[k].argv.empty()) continue;
      // A peer that took a minute has made its point: one figure stands.
      auto done = row.peers.find(peers[k].name);
      if (done != row.peers.end() && !done->second.seconds.empty() && done->second.seconds.back() > kSlowPeer) continue;
      Prepare(theirs[k]);
      Run pr = Spawn(theirs[k].argv, theirs[k].stdoutPath);
      if (i >= 0) Measure(row.peers[peers[k].name], pr);
    }
  }
  Labels labels = job.labels(pages);
  std::string problem;
  std::string result = ResultOf(ours, &problem);
  if (problem.empty()) problem = Check(result, job.outPages(pages), &labels);
  if (row.ours.problem.empty()) row.ours.problem = problem;
  std::error_code sizeError;
  row.ours.bytes = result.empty() ? 0 : (long long)fs::file_size(result, sizeError);
  for (size_t k = 0; k < peers.size(); ++k) {
    auto it = row.peers.find(peers[k].name);
    if (it == row.peers.end()) continue;
    it->second.bytes = (long long)fs::file_size(theirs[k].out, sizeError);
    int want = peers[k].name == "qpdf copy" ? pages : job.outPages(pages);
    if (it->second.problem.empty()) it->second.problem = Check(theirs[k].out, want, nullptr);
  }
  return row;
}

// ---- the report

const std::vector<std::string> kPeerColumns = {"qpdf copy", "qpdf select", "pikepdf", "podofoimpose", "pdftopdf"};

std::string Cell(const Figures& ours, const Figures* peer) {
  char buf[64];
  if (!peer || !peer->ran) return "-";
  if (!peer->problem.empty()) {
    std::snprintf(buf, sizeof buf, "%.2fs wrong", peer->Time());
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.2fs x%.2f", peer->Time(), ours.Time() / peer->Time());
  return buf;
}

void PrintTable(int pages, const std::vector<Job>& jobs, std::map<std::string, Row>& rows) {
  std::printf("\n%d pages: medians of processor time; ours also (wall time) and peak memory; each peer's time with ours / peer\n",
              pages);
  std::printf("%-17s %-23s", "command", "ours");
  for (auto& c : kPeerColumns) std::printf(" %-15s", c.c_str());
  std::printf("\n");
  for (const Job& job : jobs) {
    auto it = rows.find(job.name);
    if (it == rows.end()) continue;
    const Row& row = it->second;
    char ours[64];
    std::snprintf(ours, sizeof ours, "%.2fs (%.2fs) %.0fMB", row.ours.Time(), row.ours.Wall(), row.ours.MB());
    std::printf("%-17s %-23s", job.name.c_str(), ours);
    for (auto& c : kPeerColumns) {
      auto p = row.peers.find(c);
      std::printf(" %-15s", Cell(row.ours, p == row.peers.end() ? nullptr : &p->second).c_str());
    }
    std::printf("\n");
    if (job.crossLinked) {
      std::printf("  output sizes: ours %.2f MB", row.ours.bytes / 1e6);
      for (auto& p : row.peers) std::printf(", %s %.2f MB", p.first.c_str(), p.second.bytes / 1e6);
      std::printf("\n");
    }
    if (!row.ours.problem.empty()) std::printf("  ours WRONG: %s\n", row.ours.problem.c_str());
    for (auto& p : row.peers)
      if (!p.second.problem.empty()) std::printf("  %s: %s (not compared)\n", p.first.c_str(), p.second.problem.c_str());
  }
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string part; std::getline(in, part, ',');)
    if (!part.empty()) out.push_back(part);
  return out;
}

void FindPeers() {
  for (const char* py : {"/usr/bin/python3", "python3"}) {
    std::string p = py[0] == '/' ? (Executable(py) ? py : "") : InPath(py);
    if (!p.empty() && Spawn({p, "-c", "import pikepdf"}).status == 0) {
      gPython = p;
      break;
    }
  }
  gPodofo = InPath("podofoimpose");
  const char* cups = std::getenv("PDFTOPDF");
  std::string pdftopdf = cups ? cups : "/usr/lib/cups/filter/pdftopdf";
  if (Executable(pdftopdf)) gPdftopdf = pdftopdf;
  std::printf("peers: qpdf%s%s%s\n", gPython.empty() ? "" : ", pikepdf", gPodofo.empty() ? "" : ", podofoimpose",
              gPdftopdf.empty() ? "" : ", pdftopdf");
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a long run shows its tables as they come
  if (argc == 4 && !std::strcmp(argv[1], "gen")) {
    kvfix::WriteBook(argv[2], std::atoi(argv[3]));
    return 0;
  }
  if (argc == 4 && !std::strcmp(argv[1], "gen-linked")) {
    kvfix::WriteCrossLinked(argv[2], std::atoi(argv[3]));
    return 0;
  }
  bool large = std::getenv("BENCH_LARGE") && std::atoi(std::getenv("BENCH_LARGE")) > 0;
  int runs = std::getenv("BENCH_RUNS") ? std::atoi(std::getenv("BENCH_RUNS")) : 0;
  std::set<std::string> only;
  std::string keep;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--large") large = true;
    else if (a == "--runs" && i + 1 < argc) runs = std::atoi(argv[++i]);
    else if (a == "--only" && i + 1 < argc) for (auto& n : Split(argv[++i])) only.insert(n);
    else if (a == "--keep" && i + 1 < argc) keep = argv[++i];
    else if (a == "--sizes" && i + 1 < argc) for (auto& n : Split(argv[++i])) sizes.push_back(std::atoi(n.c_str()));
    else {
      std::fprintf(stderr,
                   "usage: %s [--large] [--runs N] [--only NAME,...] [--sizes N,...] [--keep DIR] | gen OUT PAGES | "
                   "gen-linked OUT PAGES\n",
                   argv[0]);
      return 2;
    }
  }
  fs::path self = fs::read_symlink("/proc/self/exe");
  gKvhost = (self.parent_path().parent_path() / "kvhost").string();
  gPeers = KV_BENCH_PEERS_DIR;
  if (!Executable(gKvhost)) {
    std::fprintf(stderr, "no kvhost at %s\n", gKvhost.c_str());
    return 2;
  }
  gDir = keep.empty() ? (fs::temp_directory_path() / ("kvbench-commands-" + std::to_string(getpid()))).string() : keep;
  fs::create_directories(gDir + "/prefs");
  std::printf("load average %.2f at the start (%ld processors)\n", Load(), sysconf(_SC_NPROCESSORS_ONLN));
  FindPeers();

  std::vector<Job> jobs;
  for (Job& j : Jobs())
    if (only.empty() || only.count(j.name)) jobs.push_back(j);
  if (sizes.empty()) sizes = {1000, 10000};
  if (large && std::find(sizes.begin(), sizes.end(), 100000) == sizes.end()) sizes.push_back(100000);
  std::map<int, std::map<std::string, Row>> rows;
  bool wrong = false;
  for (int pages : sizes) {
    std::string in = gDir + "/book-" + std::to_string(pages) + ".pdf";
    if (!fs::exists(in)) kvfix::WriteBook(in, pages);
    std::string linked = gDir + "/cross-" + std::to_string(pages) + ".pdf";
    int n = runs > 0 ? runs : pages <= 1000 ? 3 : pages <= 10000 ? 2 : 1;
    for (const Job& job : jobs) {
      if (pages > 10000 && !job.large) continue;
      if (job.crossLinked && !fs::exists(linked)) kvfix::WriteCrossLinked(linked, pages);
      rows[pages][job.name] = RunJob(job, job.crossLinked ? linked : in, pages, n, pages <= 1000, pages <= 10000);
      wrong |= !rows[pages][job.name].ours.problem.empty();
    }
    PrintTable(pages, jobs, rows[pages]);
  }

  std::printf("\ngrowth of our processor time (and peak memory) with the page count\n");
  auto has = [&](int pages, const std::string& name) { return rows.count(pages) && rows[pages].count(name); };
  for (const Job& job : jobs) {
    if (!has(1000, job.name) || !has(10000, job.name)) continue;
    const Figures& a = rows[1000][job.name].ours;
    const Figures& b = rows[10000][job.name].ours;
    std::printf("%-17s 1k->10k x%.1f (memory x%.1f)", job.name.c_str(), b.Time() / a.Time(), b.MB() / a.MB());
    if (has(100000, job.name)) {
      const Figures& c = rows[100000][job.name].ours;
      std::printf("   10k->100k x%.1f (memory x%.1f)", c.Time() / b.Time(), c.MB() / b.MB());
    }
    std::printf("\n");
  }

  std::printf("\ngoals\n");
  auto goal = [](bool met, const std::string& text) { std::printf("  [%s] %s\n", met ? "met" : "NOT met", text.c_str()); };
  char line[256];
  for (const Job& job : jobs) {
    if (!has(1000, job.name) || !has(10000, job.name)) continue;
    const Row& k1 = rows[1000][job.name];
    const Row& k10 = rows[10000][job.name];
    double growth = k10.ours.Time() / k1.ours.Time();
    std::snprintf(line, sizeof line, "%s: 10k/1k time x%.1f, at most 12", job.name.c_str(), growth);
    goal(growth <= 12, line);
    if (job.imposition) {
      double best = 0;
      std::string who;
      for (auto& p : k10.peers) {
        if (p.first == "qpdf copy" || !p.second.problem.empty()) continue;
        if (who.empty() || p.second.Time() < best) best = p.second.Time(), who = p.first;
      }
      if (!who.empty()) {
        std::snprintf(line, sizeof line, "%s at 10k: x%.2f of the best peer (%s), below 1", job.name.c_str(),
                      k10.ours.Time() / best, who.c_str());
        goal(k10.ours.Time() < best, line);
      }
      auto copy = k1.peers.find("qpdf copy");
      if (copy != k1.peers.end()) {
        double r = k1.ours.Time() / copy->second.Time();
        std::snprintf(line, sizeof line, "%s at 1k: x%.2f of qpdf in.pdf out.pdf, at most 2", job.name.c_str(), r);
        goal(r <= 2, line);
      }
    } else {
      auto sel = k10.peers.find("qpdf select");
      if (sel != k10.peers.end() && sel->second.problem.empty()) {
        double r = k10.ours.Time() / sel->second.Time();
        std::snprintf(line, sizeof line, "%s at 10k: x%.2f of qpdf's page selection, at most 1.5", job.name.c_str(), r);
        goal(r <= 1.5, line);
      }
    }
    if (has(100000, job.name)) {
      const Figures& c = rows[100000][job.name].ours;
      double r = c.Time() / k10.ours.Time(), m = c.MB() / k10.ours.MB();
      std::snprintf(line, sizeof line, "%s at 100k: x%.1f of the 10k time, under 10", job.name.c_str(), r);
      goal(r < 10, line);
      std::snprintf(line, sizeof line, "%s at 100k: peak memory x%.1f of 10k's, linear (at most 11)", job.name.c_str(), m);
      goal(m <= 11, line);
    }
  }
  std::printf("load average %.2f at the end\n", Load());
  if (keep.empty()) fs::remove_all(gDir);
  if (wrong) std::printf("an output was wrong: see above\n");
  return wrong ? 1 : 0;
}
