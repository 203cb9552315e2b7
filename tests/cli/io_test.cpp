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
  ASSERT_EQ(ReplaceFile(Path("a.txt"), "all of the text"), std::nullopt);
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
  auto opened = FdSource::Open(Path("b.txt"));
  auto& source = *std::get<std::unique_ptr<FdSource>>(opened);
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
  EXPECT_EQ(ReplaceFile(Path("chart.svg"), "new"), "Input/output error");
  EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  Sys() = saved_;
  Sys().rename = FailRename;
  EXPECT_EQ(ReplaceFile(Path("chart.svg"), "new"), "Invalid cross-device link");
  EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  EXPECT_EQ(Files(), std::vector<std::string>{"chart.svg"});
}

int signalDuringSync = 0;
int RaiseDuringSync(int) {
  std::raise(signalDuringSync);
  return 0;
}

TEST_F(Io, ASignalDuringTheSyncLeavesNoTemporaryBehind) {
  Write("chart.svg", "old");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = ::fork();
    if (child == 0) {
      signalDuringSync = signal;
      Sys().fsync = RaiseDuringSync;
      (void)ReplaceFile(Path("chart.svg"), "new");
      std::_Exit(0);  // not reached: the signal ends the child
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_EQ(Files(), std::vector<std::string>{"chart.svg"}) << signal;
    EXPECT_EQ(Slurp(Path("chart.svg")), "old");
  }
}

TEST_F(Io, WhatTheShellsRedirectionWouldDo) {
  // A name as long as a name may be (255 bytes): the temporary's is short.
  const std::string longest(255, 'n');
  EXPECT_EQ(ReplaceFile(Path(longest), "text"), std::nullopt);
  EXPECT_EQ(Slurp(Path(longest)), "text");
  // A dangling link: the file it names is created, the link stays a link.
  ASSERT_EQ(::symlink("target.svg", Path("link.svg").c_str()), 0);
  EXPECT_EQ(ReplaceFile(Path("link.svg"), "drawn"), std::nullopt);
  EXPECT_EQ(Slurp(Path("target.svg")), "drawn");
  struct stat link {};
  ASSERT_EQ(::lstat(Path("link.svg").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  // The file keeps its permissions.
  ::chmod(Path("target.svg").c_str(), 0640);
  EXPECT_EQ(ReplaceFile(Path("link.svg"), "again"), std::nullopt);
  struct stat target {};
  ASSERT_EQ(::stat(Path("target.svg").c_str(), &target), 0);
  EXPECT_EQ(target.st_mode & 07777, 0640u);
  EXPECT_EQ(ReplaceFile(dir_, "x"), "is a directory");
}

TEST_F(Io, AReadOnlyFileIsRefusedToAnUnprivilegedUser) {
  Write("kept.svg", "x");
  ASSERT_EQ(::chmod(Path("kept.svg").c_str(), 0444), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(ReplaceFile(Path("kept.svg"), "new"), "Permission denied");
    EXPECT_EQ(Slurp(Path("kept.svg")), "x");
    return;
  }
  // As root, the test drops to nobody in a child, as `>` would be refused there.
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
    const auto error = ReplaceFile(Path("kept.svg"), "new");
    std::_Exit(error == "Permission denied" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot become an unprivileged user here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Slurp(Path("kept.svg")), "x");
  // Root may, as with `>`.
  EXPECT_EQ(ReplaceFile(Path("kept.svg"), "new"), std::nullopt);
}

TEST_F(Io, TheSameFileByDeviceAndInode) {
  Write("in.csv", "mode\n");
  const int in = ::open(Path("in.csv").c_str(), O_RDONLY);
  const int out = ::open(Path("in.csv").c_str(), O_WRONLY | O_APPEND);
  const int other = ::open(Path("other.csv").c_str(), O_WRONLY | O_CREAT, 0644);
  EXPECT_TRUE(SameRegularFile(in, out));
  EXPECT_FALSE(SameRegularFile(in, other));
  EXPECT_TRUE(IsOpenAs(Path("in.csv"), out));
  EXPECT_TRUE(IsOpenAs("/proc/self/fd/" + std::to_string(out), out));
  EXPECT_FALSE(IsOpenAs(Path("other.csv"), out));
  EXPECT_FALSE(IsOpenAs(Path("missing.csv"), out));
  for (const int fd : {in, out, other}) ::close(fd);
}

}  // namespace
}  // namespace ostrevin::calc
