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

std::variant<std::unique_ptr<FdSource>, std::string> FdSource::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoText(errno);
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    Sys().close(fd);
    return std::string("is a directory");
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

std::ptrdiff_t StringSource::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min(size, text_.size() - position_);
  std::copy_n(text_.data() + position_, count, buffer);
  position_ += count;
  return static_cast<std::ptrdiff_t>(count);
}

namespace {

// The temporary file being written, removed if a signal ends the program
// before it is renamed: a fixed buffer, as a signal handler may only read.
std::array<char, PATH_MAX> temporaryPath{};
constexpr std::array kCleanedSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTemporaryAndDie(int signal) {
  if (temporaryPath[0] != '\0') ::unlink(temporaryPath.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Removes the temporary file on the signals above while it exists.
class TemporaryGuard {
 public:
  explicit TemporaryGuard(const std::string& path) {
    const std::size_t length = std::min(path.size(), temporaryPath.size() - 1);
    std::copy_n(path.data(), length, temporaryPath.data());
    temporaryPath[length] = '\0';
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kCleanedSignals.size(); ++i) {
      ::sigaction(kCleanedSignals[i], &action, &previous_[i]);
    }
  }
  ~TemporaryGuard() {
    for (std::size_t i = 0; i < kCleanedSignals.size(); ++i) {
      ::sigaction(kCleanedSignals[i], &previous_[i], nullptr);
    }
    temporaryPath[0] = '\0';
  }
  TemporaryGuard(const TemporaryGuard&) = delete;
  TemporaryGuard& operator=(const TemporaryGuard&) = delete;

 private:
  std::array<struct sigaction, kCleanedSignals.size()> previous_{};
};

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes and syncs `bytes` to a new file beside `target`, then renames it over
// the target. 0 or the error number; the temporary file is gone either way.
// Its name is short, whatever the target's, so that it fits the name limit.
int ReplaceRegularFile(const std::string& target, std::string_view bytes, mode_t mode,
                       const struct stat* old) {
  std::string temporary = Folder(target) + "/.ostrevin-XXXXXX";
  sigset_t blocked;
  sigset_t previous;
  sigemptyset(&blocked);
  for (const int signal : kCleanedSignals) sigaddset(&blocked, signal);
  // The file is made and its name recorded before a signal can come.
  ::sigprocmask(SIG_BLOCK, &blocked, &previous);
  const int fd = ::mkstemp(temporary.data());
  const int made = errno;
  std::optional<TemporaryGuard> guard;
  if (fd >= 0) guard.emplace(temporary);
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd < 0) return made;
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fchmod(fd, mode) != 0) error = errno;
  if (error == 0 && old != nullptr) {
    // Keep the owner where this user may (root may); not being able to is no failure.
    [[maybe_unused]] const int owned = ::fchown(fd, old->st_uid, old->st_gid);
  }
  if (error == 0 && Sys().fsync(fd) != 0) error = errno;
  if (Sys().close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && Sys().rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  return error;
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

std::optional<std::string> Failure(int error) {
  return error == 0 ? std::nullopt : std::optional(ErrnoText(error));
}

}  // namespace

std::optional<std::string> ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::optional<std::string> target = FollowLinks(path);
  if (!target) return ErrnoText(errno);
  struct stat status {};
  if (::stat(target->c_str(), &status) != 0) {
    if (errno != ENOENT) return ErrnoText(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return Failure(ReplaceRegularFile(*target, bytes, 0666 & ~mask, nullptr));
  }
  if (S_ISDIR(status.st_mode)) return std::string("is a directory");
  // As the shell's `>`: a file this user may not write is not written.
  if (::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) return ErrnoText(errno);
  if (S_ISREG(status.st_mode)) {
    return Failure(ReplaceRegularFile(*target, bytes, status.st_mode & 07777, &status));
  }
  const int fd = ::open(target->c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoText(errno);
  int error = WriteAll(fd, bytes);
  if (Sys().close(fd) != 0 && error == 0) error = errno;
  return Failure(error);
}

bool IsOpenAs(const std::string& path, int fd) {
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool SameRegularFile(int inputFd, int outputFd) {
  struct stat in {};
  struct stat out {};
  if (::fstat(inputFd, &in) != 0 || ::fstat(outputFd, &out) != 0) return false;
  return S_ISREG(out.st_mode) && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

}  // namespace ostrevin::calc
