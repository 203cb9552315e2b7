#include "calc/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace ostrevin::calc {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// write(2) until all is written or it fails; 0 or the error number. Adds
// the bytes written to `delivered`.
int WriteAll(int fd, std::string_view bytes, std::uint64_t* delivered = nullptr) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    if (delivered != nullptr) *delivered += static_cast<std::uint64_t>(written);
  }
  return 0;
}

}  // namespace

FdSource::~FdSource() {
  if (owned_) ::close(fd_);
}

std::variant<std::unique_ptr<FdSource>, std::string> FdSource::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoText(errno);
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    return std::string("is a directory");
  }
  auto source = std::make_unique<FdSource>(fd);
  source->owned_ = true;
  return source;
}

std::ptrdiff_t FdSource::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = ::read(fd_, buffer, size);
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

// Writes and syncs `bytes` to a new file beside `target`, then renames it over
// the target. 0 or the error number; the temporary file is gone either way.
int ReplaceRegularFile(const std::string& target, std::string_view bytes, mode_t mode) {
  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fchmod(fd, mode) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  return error;
}

}  // namespace

std::optional<std::string> ReplaceFile(const std::string& path, std::string_view bytes) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno != ENOENT) return ErrnoText(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const int error = ReplaceRegularFile(path, bytes, 0666 & ~mask);
    return error == 0 ? std::nullopt : std::optional(ErrnoText(error));
  }
  if (S_ISDIR(status.st_mode)) return std::string("is a directory");
  if (S_ISREG(status.st_mode)) {
    // Through a symbolic link, the file it points to is the one replaced.
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return ErrnoText(errno);
    const std::string target(resolved);
    std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
    const int error = ReplaceRegularFile(target, bytes, status.st_mode & 07777);
    return error == 0 ? std::nullopt : std::optional(ErrnoText(error));
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoText(errno);
  int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? std::nullopt : std::optional(ErrnoText(error));
}

}  // namespace ostrevin::calc
