// The program's input and output where the system misbehaves: interrupted
// and short reads and writes, a failing sync or rename, a signal in the
// middle of replacing a file; and what `>` would and would not write.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/io.h"
#include "cli/system_calls.h"

namespace ostrevin::calc {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh folder of its own for each test, and the real system calls back
// after it.
class Io : public testing::Test {
 protected:
  void SetUp() override {
    std::string path = testing::TempDir() + "ostrevin-io-XXXXXX";
    ASSERT_NE(::mkdtemp(path.data()), nullptr);
    dir_ = path;
    saved_ = Sys();
  }
  void TearDown() override {
    Sys() = saved_;
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    DIR* folder = ::opendir(dir_.c_str());
    while (const dirent* entry = ::readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(folder);
    return names;
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }

  std::string dir_;
  SystemCalls saved_{};
};

// Fails the first call with EINTR, then writes at most three bytes a call.
int interrupted = 0;
ssize_t ShortAndInterruptedWrite(int fd, const void* buffer, size_t size) {
  if (interrupted++ == 0) {
    errno = EINTR;
    return -1;
  }
  return ::write(fd, buffer, std::min<size_t>(size, 3));
}

ssize_t InterruptedRead(int fd, void* buffer, size_t size) {
  if (interrupted++ % 2 == 0) {
    errno = EINTR;
    return -1;
  }
  return ::read(fd, buffer, std::min<size_t>(size, 2));
}

TEST_F(Io, InterruptedAndShortCallsStillMoveEveryByte) {
  interrupted = 0;
  Sys().write = ShortAndInterruptedWrite;
  ASSERT_TRUE(ReplaceFile(Path("a.txt"), "all of the text"));
  EXPECT_EQ(Slurp(Path("a.txt")), "all of the text");
  const int fd = ::open(Path("b.txt").c_str(), O_WRONLY | O_CREAT, 0644);
  {
    FdSink sink(fd, 4);
    EXPECT_TRUE(sink.Write("abcdefghij") && sink.Write("kl") && sink.Flush());
    EXPECT_EQ(sink.Delivered(), 12u);
  }
  ::close(fd);
  EXPECT_EQ(Slurp(Path("b.txt")), "abcdefghijkl");

  interrupted = 0;
  Sys().read = InterruptedRead;
  Result<std::unique_ptr<FdSource>> opened = FdSource::Open(Path("b.txt"));
  FdSource& source = **opened;
  std::string read;
  char buffer[8];
  for (std::ptrdiff_t n; (n = source.Read(buffer, sizeof buffer)) > 0;) read.append(buffer, n);
  EXPECT_EQ(read, "abcdefghijkl");
}

int FailFsync(int) {
  errno = EIO;
  return -1;
}
int FailRename(const char*, const char*) {
  errno = EXDEV;
  return -1;
}

TEST_F(Io, AFailedSyncOrRenameLeavesTheOldFileAndNoTemporary) {
  Write("chart.svg", "old");
  Sys().fsync = FailFsync;
  EXPECT_EQ(ReplaceFile(Path("chart.svg"), "new").why(), "Input/output error");
  EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  Sys() = saved_;
  Sys().rename = FailRename;
  EXPECT_EQ(ReplaceFile(Path("chart.svg"), "new").why(), "Invalid cross-device link");
  EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  EXPECT_EQ(Files(), std::vector<std::string>{"chart.svg"});
}

ssize_t WriteNothing(int, const void*, size_t) { return 0; }

TEST_F(Io, AWriteThatMakesNoProgressIsAFailureNotALoop) {
  Write("chart.svg", "old");
  Sys().write = WriteNothing;
  EXPECT_EQ(ReplaceFile(Path("chart.svg"), "new").why(), "Input/output error");
  EXPECT_EQ(Files(), std::vector<std::string>{"chart.svg"});
  EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  FdSink sink(::open(Path("chart.svg").c_str(), O_WRONLY), 0);
  EXPECT_FALSE(sink.Write("x"));
  EXPECT_EQ(sink.ErrorText(), "Input/output error");
}

int signalDuringSync = 0;
int RaiseDuringSync(int) {
  std::raise(signalDuringSync);
  return 0;
}

// Replaces chart.svg in a child whose sync raises `signal`, `ignored` or not:
// the child's wait status.
int ReplaceWithASignal(const std::string& path, int signal, bool ignored) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (ignored) std::signal(signal, SIG_IGN);
    signalDuringSync = signal;
    Sys().fsync = RaiseDuringSync;
    std::_Exit(ReplaceFile(path, "new") ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

TEST_F(Io, NoSignalThatEndsTheProgramLeavesATemporaryBehind) {
  Write("chart.svg", "old");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGALRM, SIGUSR1,
                           SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGRTMIN, SIGRTMAX}) {
    const int status = ReplaceWithASignal(Path("chart.svg"), signal, false);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal);
    EXPECT_EQ(Files(), std::vector<std::string>{"chart.svg"}) << strsignal(signal);
    EXPECT_EQ(Slurp(Path("chart.svg")), "old") << strsignal(signal);
  }
  // A signal the caller ignores (nohup, `trap '' XFSZ`) stays ignored.
  const int status = ReplaceWithASignal(Path("chart.svg"), SIGXFSZ, true);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Slurp(Path("chart.svg")), "new");
}

TEST_F(Io, WhatTheShellsRedirectionWouldDo) {
  // A name as long as a name may be (255 bytes): the temporary's is short.
  const std::string longest(255, 'n');
  EXPECT_TRUE(ReplaceFile(Path(longest), "text"));
  EXPECT_EQ(Slurp(Path(longest)), "text");
  // A dangling link: the file it names is created, the link stays a link.
  ASSERT_EQ(::symlink("target.svg", Path("link.svg").c_str()), 0);
  EXPECT_TRUE(ReplaceFile(Path("link.svg"), "drawn"));
  EXPECT_EQ(Slurp(Path("target.svg")), "drawn");
  struct stat link {};
  ASSERT_EQ(::lstat(Path("link.svg").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  // The file keeps its permissions.
  ::chmod(Path("target.svg").c_str(), 0640);
  EXPECT_TRUE(ReplaceFile(Path("link.svg"), "again"));
  struct stat target {};
  ASSERT_EQ(::stat(Path("target.svg").c_str(), &target), 0);
  EXPECT_EQ(target.st_mode & 07777, 0640u);
  EXPECT_EQ(ReplaceFile(dir_, "x").why(), "is a directory");
}

TEST_F(Io, AReadOnlyFileIsRefusedToAnUnprivilegedUser) {
  Write("kept.svg", "x");
  ASSERT_EQ(::chmod(Path("kept.svg").c_str(), 0444), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(ReplaceFile(Path("kept.svg"), "new").why(), "Permission denied");
    EXPECT_EQ(Slurp(Path("kept.svg")), "x");
    return;
  }
  // As root, the test drops to nobody in a child, as `>` would be refused there.
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
    const Checked written = ReplaceFile(Path("kept.svg"), "new");
    std::_Exit(written.why() == "Permission denied" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot become an unprivileged user here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Slurp(Path("kept.svg")), "x");
  // Root may, as with `>`.
  EXPECT_TRUE(ReplaceFile(Path("kept.svg"), "new"));
}

TEST_F(Io, AFolderWhereNoFileMayBeMadeIsNamedAsTheCause) {
  ASSERT_EQ(::mkdir(Path("shut").c_str(), 0755), 0);
  std::ofstream(Path("shut/plan.svg")) << "old";
  ASSERT_EQ(::chmod(Path("shut/plan.svg").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(Path("shut").c_str(), 0555), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  const std::string expected =
      "Permission denied: the folder \"" + Path("shut") +
      "\" does not let this user make a file in it (a file is replaced whole, through a new file "
      "written beside it and renamed over it)";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
    std::_Exit(ReplaceFile(Path("shut/plan.svg"), "new").why() == expected ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(Path("shut").c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot become an unprivileged user here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Slurp(Path("shut/plan.svg")), "old");
}

TEST_F(Io, NoOutputIsAnInputByAnyName) {
  Write("in.csv", "mode\n");
  const int in = ::open(Path("in.csv").c_str(), O_RDONLY);
  const int out = ::open(Path("in.csv").c_str(), O_WRONLY | O_APPEND);
  const int other = ::open(Path("other.csv").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::symlink("in.csv", Path("soft.csv").c_str()), 0);
  ASSERT_EQ(::link(Path("in.csv").c_str(), Path("hard.csv").c_str()), 0);
  OutputGuard guard;
  guard.AddInput(in);
  for (const std::string name : {"in.csv", "soft.csv", "hard.csv", "./in.csv"}) {
    EXPECT_EQ(guard.CheckPath(Path(name)).why(), "input file is output file") << name;
  }
  EXPECT_EQ(guard.CheckDescriptor(out).why(), "input file is output file");
  EXPECT_TRUE(guard.CheckDescriptor(other));
  EXPECT_TRUE(guard.CheckPath(Path("other.csv")));
  EXPECT_TRUE(guard.CheckPath(Path("missing.svg")));
  EXPECT_TRUE(guard.CheckPath("/dev/null"));  // not a regular file: never an input
  EXPECT_TRUE(IsOpenAs(Path("in.csv"), out));
  EXPECT_TRUE(IsOpenAs("/proc/self/fd/" + std::to_string(out), out));
  EXPECT_FALSE(IsOpenAs(Path("other.csv"), out));
  EXPECT_FALSE(IsOpenAs(Path("missing.csv"), out));
  for (const int fd : {in, out, other}) ::close(fd);
}

}  // namespace
}  // namespace ostrevin::calc
