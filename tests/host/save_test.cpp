// Saving a document over files that already exist: what the replaced file
// was (its permissions, a symbolic link to it), what the disk holds before the
// save reports success, why a save fails, and what a killed save leaves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;
namespace fs = std::filesystem;

namespace {

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = ASFileOpenCount();
    source = dir.file("source.pdf");
    kvfix::WriteSimple(source, 3);
  }
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(files, ASFileOpenCount()) << "files left open";
  }
  // A document changed since it was read: its second page turned.
  PDDoc Changed() {
    PDDoc doc = OpenPdf(source);
    ScopedPage page(doc, 1);
    PDPageSetRotate(page, 90);
    return doc;
  }
  static int Rotation(const std::string& path, ASInt32 page) {
    ScopedDoc doc(OpenPdf(path));
    ScopedPage p(doc, page);
    return PDPageGetRotate(p);
  }
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind("kvtmp-", 0) == 0) left.push_back(e.path().filename().string());
    return left;
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  TempDir dir;
  std::string source;
  ASInt32 files = 0;
};

// The pid of a process that has ended.
pid_t EndedProcess() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

}  // namespace

TEST_F(SaveTest, OverwritingKeepsThePermissionsOfTheReplacedFile) {
  for (mode_t mode : {0600, 0640, 0604, 0660, 0755}) {
    std::string target = dir.file("kept.pdf");
    kvfix::WriteSimple(target, 1);
    ASSERT_EQ(0, ::chmod(target.c_str(), mode));
    ScopedDoc doc(Changed());
    SavePdf(doc, target);
    EXPECT_EQ(mode, Mode(target)) << std::oct << mode;
    EXPECT_EQ(90, Rotation(target, 1));
  }
  // A new file gets what the process's mask allows, as any new file does.
  mode_t mask = ::umask(022);
  ScopedDoc doc(Changed());
  SavePdf(doc, dir.file("new.pdf"));
  ::umask(mask);
  EXPECT_EQ(0644u, Mode(dir.file("new.pdf")));
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(SaveTest, ASaveThroughASymbolicLinkReplacesItsTarget) {
  fs::create_directories(dir.file("real"));
  const std::string real = dir.file("real/target.pdf");
  kvfix::WriteSimple(real, 1);
  ASSERT_EQ(0, ::chmod(real.c_str(), 0600));
  struct Case {
    const char* name;
    std::string link;   // what the saved path holds
    std::string first;  // the first link's text
  };
  const Case cases[] = {
      {"absolute", dir.file("abs.pdf"), real},
      {"relative", dir.file("rel.pdf"), "real/target.pdf"},
      {"a chain of two", dir.file("chain.pdf"), "abs.pdf"},
  };
  int turn = 90;
  for (const Case& c : cases) {
    ASSERT_EQ(0, ::symlink(c.first.c_str(), c.link.c_str())) << c.name;
    PDDoc changed = OpenPdf(source);
    {
      ScopedPage page(changed, 1);
      PDPageSetRotate(page, turn);
    }
    ScopedDoc doc(changed);
    SavePdf(doc, c.link);
    EXPECT_TRUE(fs::is_symlink(c.link)) << c.name << ": the link stays a link";
    EXPECT_EQ(turn, Rotation(real, 1)) << c.name << ": the file it points to holds the save";
    EXPECT_EQ(0600u, Mode(real)) << c.name;
    EXPECT_EQ(0, QpdfCheck(real)) << c.name;
    turn = turn == 270 ? 90 : turn + 90;
  }
  // A link to a file that does not exist yet: the file is made where it points.
  ASSERT_EQ(0, ::symlink("real/made.pdf", dir.file("dangling.pdf").c_str()));
  {
    ScopedDoc doc(Changed());
    SavePdf(doc, dir.file("dangling.pdf"));
  }
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling.pdf")));
  EXPECT_EQ(90, Rotation(dir.file("real/made.pdf"), 1));
  // A loop of links names no file: refused, nothing written.
  ASSERT_EQ(0, ::symlink("loop-b.pdf", dir.file("loop-a.pdf").c_str()));
  ASSERT_EQ(0, ::symlink("loop-a.pdf", dir.file("loop-b.pdf").c_str()));
  {
    ScopedDoc doc(Changed());
    EXPECT_EQ(fileErrBadPath, ErrorOf([&] { SavePdf(doc, dir.file("loop-a.pdf")); }));
  }
  EXPECT_TRUE(fs::is_symlink(dir.file("loop-a.pdf")));
  EXPECT_TRUE(Temporaries().empty());
  for (const auto& e : fs::directory_iterator(dir.file("real")))
    EXPECT_NE(0u, e.path().filename().string().rfind("kvtmp-", 0)) << "no temporary file beside the target";
}

TEST_F(SaveTest, ASaveThatCannotReachTheDiskFailsAndKeepsTheOldFile) {
  // The file's data and the folder's entry are flushed before the save
  // reports success: a failure of either is a failed save.
  for (const char* call : {"ASFileFlush", "ASFileSysFlushVolume"}) {
    std::string target = dir.file("flushed.pdf");
    kvfix::WriteSimple(target, 1);
    std::string before = ReadWholeFile(target);
    ScopedDoc doc(Changed());
    ASFaultInject(call, fileErrIO);
    EXPECT_EQ(fileErrIO, ErrorOf([&] { SavePdf(doc, target); })) << call;
    ASFaultClearAll();
    EXPECT_TRUE(PDDocGetFlags(doc) & PDDocNeedsSave) << call << ": the document is not taken for saved";
    if (std::string(call) == "ASFileFlush") {
      EXPECT_EQ(before, ReadWholeFile(target)) << call;
    }
    EXPECT_TRUE(Temporaries().empty()) << call;
  }
}

TEST_F(SaveTest, AFailedSaveSaysWhy) {
  ScopedDoc doc(Changed());
  struct Case {
    const char* name;
    std::string path;
    ASErrorCode code;
    const char* text;
  };
  std::vector<Case> cases = {
      {"no such folder", dir.file("missing/out.pdf"), fileErrFolderNotFound, "The folder does not exist."},
      {"a file where a folder should be", source + "/out.pdf", fileErrFolderNotFound, "The folder does not exist."},
  };
  // Permission: a folder this process may not write to. Root writes anywhere
  // on a normal disk, so for root the kernel's own folder stands in.
  std::string locked = dir.file("locked");
  fs::create_directories(locked);
  ::chmod(locked.c_str(), 0500);
  auto refuses = [](const std::string& folder) {
    std::string probe = folder + "/kvtest-probe-XXXXXX";
    int fd = ::mkstemp(probe.data());
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      return false;
    }
    return errno == EACCES || errno == EPERM;
  };
  for (const std::string& folder : {locked, std::string("/sys/kernel")}) {
    if (!refuses(folder)) continue;
    cases.push_back({"permission denied", folder + "/out.pdf", fileErrPermission, "Permission denied."});
    break;
  }
  EXPECT_EQ(3u, cases.size()) << "no folder refuses this process: the permission case did not run";
  for (const Case& c : cases) {
    ASErrorCode code = ErrorOf([&] { SavePdf(doc, c.path); });
    EXPECT_EQ(c.code, code) << c.name;
    char text[200] = {};
    ASGetErrorString(code, text, sizeof text);
    EXPECT_STREQ(c.text, text) << c.name;
    EXPECT_FALSE(fs::exists(c.path)) << c.name;
  }
  // A full disk while writing.
  ASFaultInject("ASFileWrite", fileErrDiskFull);
  ASErrorCode full = ErrorOf([&] { SavePdf(doc, dir.file("full.pdf")); });
  ASFaultClearAll();
  EXPECT_EQ(fileErrDiskFull, full);
  char text[200] = {};
  ASGetErrorString(full, text, sizeof text);
  EXPECT_STREQ("The disk is full.", text);
  ::chmod(locked.c_str(), 0700);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(SaveTest, AKilledSavesTemporaryFileIsRemovedByTheNextSaveInItsFolder) {
  // A process that made its temporary file and died without a word, as a
  // save killed half-way does.
  pid_t child = ::fork();
  if (child == 0) {
    ASPathName sibling = PosixPath(dir.file("target.pdf"));
    ASFileSysGetTempPathName(nullptr, sibling);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(1u, Temporaries().size()) << "the dead save's file is there";

  // Files that must stay: a live process's, one still locked by its writer
  // (a process elsewhere on a shared disk), and files not of this system.
  const std::string live = dir.file("kvtmp-1-abcdef");
  const std::string lockedByWriter = dir.file("kvtmp-" + std::to_string(EndedProcess()) + "-locked");
  const std::string other = dir.file("kvtmp-notes.txt");
  for (const std::string& f : {live, lockedByWriter, other}) WriteWholeFile(f, "x");
  int held = ::open(lockedByWriter.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(0, ::flock(held, LOCK_EX));
  pid_t writer = ::fork();  // the lock must belong to another process's open file
  if (writer == 0) {
    ::pause();
    ::_exit(0);
  }
  ::close(held);

  ScopedDoc doc(Changed());
  SavePdf(doc, dir.file("target.pdf"));
  ::kill(writer, SIGKILL);
  ::waitpid(writer, &status, 0);

  std::vector<std::string> left = Temporaries();
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = {fs::path(live).filename().string(),
                                       fs::path(lockedByWriter).filename().string(),
                                       fs::path(other).filename().string()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, left);
  EXPECT_EQ(90, Rotation(dir.file("target.pdf"), 1));
}

// A process that saves again and again into one folder (a host left
// running) removes what a save killed in between left there, however often
// it swept the folder before; so does a save while the killed process is not
// yet reaped by its parent.
TEST_F(SaveTest, EverySaveRemovesWhatSavesKilledSinceLeft) {
  ScopedDoc doc(Changed());
  SavePdf(doc, dir.file("target.pdf"));  // the folder swept once already
  auto deadSave = [&] {
    pid_t child = ::fork();
    if (child == 0) {
      ASFileSysGetTempPathName(nullptr, PosixPath(dir.file("target.pdf")));
      ::_exit(0);
    }
    return child;
  };
  int status = 0;
  ::waitpid(deadSave(), &status, 0);
  ASSERT_EQ(1u, Temporaries().size());
  SavePdf(doc, dir.file("second.pdf"));
  EXPECT_TRUE(Temporaries().empty()) << "a later save in the same process sweeps again";

  const pid_t zombie = deadSave();
  // Ended, not reaped: wait for the end without reaping it.
  siginfo_t info{};
  ASSERT_EQ(0, ::waitid(P_PID, (id_t)zombie, &info, WEXITED | WNOWAIT));
  ASSERT_EQ(1u, Temporaries().size());
  SavePdf(doc, dir.file("third.pdf"));
  ::waitpid(zombie, &status, 0);
  EXPECT_TRUE(Temporaries().empty()) << "a process that ended is gone, reaped or not";
  EXPECT_EQ(90, Rotation(dir.file("third.pdf"), 1));
}

// A temporary file's lock belongs to the process that made it: a program it
// starts does not inherit it, and so does not keep a killed save's leftover.
TEST_F(SaveTest, AProgramASaveStartsDoesNotHoldItsTemporaryFile) {
  int ends[2];
  ASSERT_EQ(0, ::pipe(ends));
  pid_t maker = ::fork();
  if (maker == 0) {
    ::close(ends[0]);
    ASFileSysGetTempPathName(nullptr, PosixPath(dir.file("target.pdf")));
    // Until its exec the started program is a copy of this one, holding all
    // it holds: wait for the exec, which closes this pipe's far end.
    int exec[2];
    if (::pipe2(exec, O_CLOEXEC) != 0) ::_exit(126);
    pid_t started = ::fork();
    if (started == 0) {
      ::execl("/bin/sleep", "sleep", "60", (char*)nullptr);
      ::_exit(127);
    }
    ::close(exec[1]);
    char byte;
    while (::read(exec[0], &byte, 1) > 0) {
    }
    (void)!::write(ends[1], &started, sizeof started);
    ::_exit(0);  // dies as a killed save does, the program it started running on
  }
  ::close(ends[1]);
  pid_t started = 0;
  ASSERT_EQ((ssize_t)sizeof started, ::read(ends[0], &started, sizeof started));
  ::close(ends[0]);
  int status = 0;
  ::waitpid(maker, &status, 0);
  EXPECT_EQ(1u, Temporaries().size());
  ScopedDoc doc(Changed());
  SavePdf(doc, dir.file("target.pdf"));
  ::kill(started, SIGKILL);
  EXPECT_TRUE(Temporaries().empty()) << "the started program held the dead save's lock";
}

TEST_F(SaveTest, SavingOntoTheInputFileItselfReplacesItWhole) {
  // The document reads its pages from the very file the save replaces.
  PDDoc doc = OpenPdf(source);
  {
    ScopedPage page(doc, 2);
    PDPageSetRotate(page, 270);
  }
  SavePdf(doc, source);  // by its path, as a user names it
  EXPECT_EQ(0, QpdfCheck(source));
  EXPECT_EQ(270, Rotation(source, 2));
  // The document goes on working from the new file, and saves over it again.
  EXPECT_EQ(3, PDDocGetNumPages(doc));
  {
    ScopedPage page(doc, 0);
    PDPageSetRotate(page, 180);
  }
  PDDocSave(doc, PDSaveFull, nullptr, nullptr, nullptr, nullptr);
  PDDocClose(doc);
  EXPECT_EQ(0, QpdfCheck(source));
  EXPECT_EQ(180, Rotation(source, 0));
  EXPECT_EQ(270, Rotation(source, 2));
  EXPECT_TRUE(Temporaries().empty());
}
