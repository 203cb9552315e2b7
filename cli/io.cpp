#include "cli/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "cli/system_calls.h"

namespace ostrevin::calc {

SystemCalls& Sys() {
  static SystemCalls calls{::read, ::write, ::fsync, ::close, ::rename};
  return calls;
}

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// write(2) until all is written or it fails; 0 or the error number. Adds
// the bytes written to `delivered`.
int WriteAll(int fd, std::string_view bytes, std::uint64_t* delivered = nullptr) {
  while (!bytes.empty()) {
    const ssize_t written = Sys().write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;  // a write that makes no progress would loop for ever
    bytes.remove_prefix(static_cast<std::size_t>(written));
    if (delivered != nullptr) *delivered += static_cast<std::uint64_t>(written);
  }
  return 0;
}

}  // namespace

FdSource::~FdSource() {
  if (owned_) Sys().close(fd_);
}

Result<std::unique_ptr<FdSource>> FdSource::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failed(ErrnoText(errno));
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    Sys().close(fd);
    return Failed("is a directory");
  }
  auto source = std::make_unique<FdSource>(fd);
  source->owned_ = true;
  return source;
}

std::ptrdiff_t FdSource::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = Sys().read(fd_, buffer, size);
    if (count >= 0) return count;
    if (errno != EINTR) {
      error_ = errno;
      return -1;
    }
  }
}

std::string FdSource::ErrorText() const { return ErrnoText(error_); }

FdSink::~FdSink() { (void)Flush(); }

bool FdSink::WriteThrough(std::string_view bytes) {
  if (error_ == 0) error_ = WriteAll(fd_, bytes, &delivered_);
  return error_ == 0;
}

bool FdSink::Write(std::string_view bytes) {
  if (error_ != 0) return false;
  if (buffer_.size() + bytes.size() <= capacity_) {
    buffer_ += bytes;
    return true;
  }
  if (!Flush()) return false;
  if (bytes.size() <= capacity_) {
    buffer_ = bytes;
    return true;
  }
  return WriteThrough(bytes);
}

bool FdSink::Flush() {
  const bool done = WriteThrough(buffer_);
  buffer_.clear();
  return done;
}

std::string FdSink::ErrorText() const { return ErrnoText(error_); }

namespace {

// The temporary file being written, removed if a signal ends the program
// before it is renamed: a fixed buffer, as a signal handler may only read.
std::array<char, PATH_MAX> temporaryPath{};

// Every signal whose default action ends the program (SIGKILL and SIGSTOP
// cannot be caught), the real-time ones included.
std::vector<int> EndingSignals() {
  std::vector<int> signals{SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                           SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                           SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS};
#ifdef SIGPWR
  signals.push_back(SIGPWR);
#endif
#ifdef SIGSTKFLT
  signals.push_back(SIGSTKFLT);
#endif
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) signals.push_back(signal);
  return signals;
}

extern "C" void RemoveTemporaryAndDie(int signal) {
  if (temporaryPath[0] != '\0') ::unlink(temporaryPath.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Removes the temporary file on every signal that would end the program
// while it exists. A signal ignored (as `trap '' XFSZ` or nohup ignore
// them) stays ignored: its failure shows as an error instead.
class TemporaryGuard {
 public:
  explicit TemporaryGuard(const std::string& path) : signals_(EndingSignals()) {
    const std::size_t length = std::min(path.size(), temporaryPath.size() - 1);
    std::copy_n(path.data(), length, temporaryPath.data());
    temporaryPath[length] = '\0';
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&action.sa_mask);
    previous_.resize(signals_.size());
    for (std::size_t i = 0; i < signals_.size(); ++i) {
      if (::sigaction(signals_[i], nullptr, &previous_[i]) != 0) continue;
      if (previous_[i].sa_handler == SIG_IGN) continue;
      ::sigaction(signals_[i], &action, nullptr);
    }
  }
  ~TemporaryGuard() {
    for (std::size_t i = 0; i < signals_.size(); ++i) {
      ::sigaction(signals_[i], &previous_[i], nullptr);
    }
    temporaryPath[0] = '\0';
  }
  TemporaryGuard(const TemporaryGuard&) = delete;
  TemporaryGuard& operator=(const TemporaryGuard&) = delete;

  // The signals to hold back while the temporary file is made and named.
  static sigset_t Blocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : EndingSignals()) sigaddset(&blocked, signal);
    return blocked;
  }

 private:
  std::vector<int> signals_;
  std::vector<struct sigaction> previous_;
};

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Why no new file can be made in the folder of `target`.
std::string FolderRefused(const std::string& target, int error) {
  return ErrnoText(error) + ": the folder \"" + Folder(target) +
         "\" does not let this user make a file in it (a file is replaced whole, through a new "
         "file written beside it and renamed over it)";
}

// Writes and syncs `bytes` to a new file beside `target`, then renames it over
// the target. Nothing or why not; the temporary file is gone either way.
// Its name is short, whatever the target's, so that it fits the name limit.
Checked ReplaceRegularFile(const std::string& target, std::string_view bytes, mode_t mode,
                           const struct stat* old) {
  std::string temporary = Folder(target) + "/.ostrevin-XXXXXX";
  const sigset_t blocked = TemporaryGuard::Blocked();
  sigset_t previous;
  // The file is made and its name recorded before a signal can come.
  ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  const int fd = ::mkstemp(temporary.data());
  const int made = errno;
  std::optional<TemporaryGuard> guard;
  if (fd >= 0) guard.emplace(temporary);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (fd < 0) {
    if (made == EACCES || made == EPERM || made == EROFS) return Failed(FolderRefused(target, made));
    return Failed(ErrnoText(made));
  }
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fchmod(fd, mode) != 0) error = errno;
  if (error == 0 && old != nullptr) {
    // Keep the owner where this user may (root may); not being able to is no failure.
    [[maybe_unused]] const int owned = ::fchown(fd, old->st_uid, old->st_gid);
  }
  if (error == 0 && Sys().fsync(fd) != 0) error = errno;
  if (Sys().close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && Sys().rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return Failed(ErrnoText(error));
  }
  return Ok{};
}

// Where a symbolic link leads, followed to its end as `>` follows it: the
// path of an existing file, or of the file to create. Nothing (errno set)
// on a loop or an unreadable link.
std::optional<std::string> FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
      if (errno == ENOENT) return path;
      return std::nullopt;
    }
    if (!S_ISLNK(status.st_mode)) return path;
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
    if (length < 0) return std::nullopt;
    const std::string next(target.data(), static_cast<std::size_t>(length));
    path = next.starts_with('/') ? next : Folder(path).append("/").append(next);
  }
  errno = ELOOP;
  return std::nullopt;
}

}  // namespace

Checked ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::optional<std::string> target = FollowLinks(path);
  if (!target) return Failed(ErrnoText(errno));
  struct stat status {};
  if (::stat(target->c_str(), &status) != 0) {
    if (errno != ENOENT) return Failed(ErrnoText(errno));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ReplaceRegularFile(*target, bytes, 0666 & ~mask, nullptr);
  }
  if (S_ISDIR(status.st_mode)) return Failed("is a directory");
  // As the shell's `>`: a file this user may not write is not written.
  if (::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) {
    return Failed(ErrnoText(errno));
  }
  if (S_ISREG(status.st_mode)) {
    return ReplaceRegularFile(*target, bytes, status.st_mode & 07777, &status);
  }
  const int fd = ::open(target->c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return Failed(ErrnoText(errno));
  int error = WriteAll(fd, bytes);
  if (Sys().close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return Failed(ErrnoText(error));
  return Ok{};
}

Checked CheckReplaceable(const std::string& path) {
  const std::optional<std::string> target = FollowLinks(path);
  if (!target) return Failed(ErrnoText(errno));
  struct stat status {};
  if (::stat(target->c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return Failed("is a directory");
    if (::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) {
      return Failed(ErrnoText(errno));
    }
    if (!S_ISREG(status.st_mode)) return Ok{};  // written in place
  } else if (errno != ENOENT) {
    return Failed(ErrnoText(errno));
  }
  const std::string folder = Folder(*target);
  struct stat folderStatus {};
  if (::stat(folder.c_str(), &folderStatus) != 0) return Failed(ErrnoText(errno));
  if (!S_ISDIR(folderStatus.st_mode)) return Failed(ErrnoText(ENOTDIR));
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return Failed(FolderRefused(*target, errno));
  }
  return Ok{};
}

std::optional<FileKey> KeyOf(const std::string& path) {
  const std::optional<std::string> target = FollowLinks(path);
  if (!target) return std::nullopt;
  struct stat status {};
  if (::stat(target->c_str(), &status) == 0) return FileKey{status.st_dev, status.st_ino, {}};
  if (::stat(Folder(*target).c_str(), &status) != 0) return std::nullopt;
  const std::size_t slash = target->rfind('/');
  return FileKey{status.st_dev, status.st_ino,
                 slash == std::string::npos ? *target : target->substr(slash + 1)};
}

void OutputGuard::AddInput(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    inputs_.emplace_back(status.st_dev, status.st_ino);
  }
}

void OutputGuard::AddOutput(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    outputs_.emplace_back(status.st_dev, status.st_ino);
  }
}

Checked OutputGuard::NoInput(const struct stat& status) const {
  const auto among = [&](const std::vector<std::pair<dev_t, ino_t>>& files) {
    return std::ranges::any_of(files, [&](const auto& file) {
      return status.st_dev == file.first && status.st_ino == file.second;
    });
  };
  if (among(inputs_)) return Failed("input file is output file");
  if (among(outputs_)) return Failed("another output of this command was written there");
  return Ok{};
}

Checked OutputGuard::CheckPath(const std::string& path) const {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return Ok{};  // a file not there yet is no input
  return NoInput(status);
}

Checked OutputGuard::CheckDescriptor(int fd) const {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return Ok{};
  return NoInput(status);
}

bool IsOpenAs(const std::string& path, int fd) {
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}


}  // namespace ostrevin::calc
