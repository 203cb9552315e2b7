// Checked input and output for the command line: every read and write says
// whether it worked, and why not in words ("No space left on device"). Files
// are named by the bytes the user gave, never re-encoded, and written files
// are replaced whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ostrevin::calc {

// Bytes to read.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`: the count, 0 at the end of the input,
  // or -1 when reading failed (ErrorText says why).
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
  virtual std::string ErrorText() const = 0;
};

// Bytes to write. Once a write has failed, every later one fails too.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(std::string_view bytes) = 0;
  // Everything written so far handed on to the system.
  virtual bool Flush() = 0;
  virtual std::string ErrorText() const = 0;
  // How many of the bytes written have reached their destination.
  virtual std::uint64_t Delivered() const = 0;
};

// A file descriptor, read as it comes (standard input, a file, a pipe).
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  ~FdSource() override;
  FdSource(const FdSource&) = delete;
  FdSource& operator=(const FdSource&) = delete;
  // The file at `path` opened for reading, or why it cannot be read ("is a
  // directory", "No such file or directory").
  static std::variant<std::unique_ptr<FdSource>, std::string> Open(const std::string& path);

  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  std::string ErrorText() const override;
  int Descriptor() const { return fd_; }

 private:
  int fd_;
  bool owned_ = false;
  int error_ = 0;
};

// A file descriptor written through a buffer of `bufferSize` bytes (0: each
// Write goes straight through, as standard error wants).
class FdSink final : public ByteSink {
 public:
  FdSink(int fd, std::size_t bufferSize) : fd_(fd), capacity_(bufferSize) {}
  ~FdSink() override;  // flushes, unchecked: call Flush to know
  FdSink(const FdSink&) = delete;
  FdSink& operator=(const FdSink&) = delete;

  bool Write(std::string_view bytes) override;
  bool Flush() override;
  std::string ErrorText() const override;
  std::uint64_t Delivered() const override { return delivered_; }

 private:
  bool WriteThrough(std::string_view bytes);
  int fd_;
  std::size_t capacity_;
  std::string buffer_;
  int error_ = 0;
  std::uint64_t delivered_ = 0;
};

// Text in memory, for tests and for drawing into before a file is replaced.
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string text) : text_(std::move(text)) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  std::string ErrorText() const override { return {}; }

 private:
  std::string text_;
  std::size_t position_ = 0;
};

class StringSink final : public ByteSink {
 public:
  bool Write(std::string_view bytes) override {
    text += bytes;
    return true;
  }
  bool Flush() override { return true; }
  std::string ErrorText() const override { return {}; }
  std::uint64_t Delivered() const override { return text.size(); }
  std::string text;
};

// Writes `bytes` as the whole content of the file at `path`, as the shell's
// `>` would let this user write it. A regular file (or none yet) is replaced
// whole: the bytes go to a temporary file beside it, which is renamed over it
// only when written and synced, so a failure or an interrupt (SIGINT,
// SIGTERM, SIGHUP) leaves the old file as it was and no temporary file
// behind; the new file keeps the old one's permissions and, where allowed,
// owner. A file this user may not write is refused ("Permission denied").
// Through a symbolic link the file it points to is written, created if it
// does not exist yet. A file that is not regular (a terminal, a pipe,
// /dev/full) is written in place. Returns nothing on success, otherwise why
// not ("No space left on device").
std::optional<std::string> ReplaceFile(const std::string& path, std::string_view bytes);

// Whether `path` names what is open as descriptor `fd` (/dev/stdout,
// /dev/fd/1, /proc/self/fd/1, or the same file by device and inode): such a
// target is written through the descriptor, never replaced.
bool IsOpenAs(const std::string& path, int fd);

// Whether the two descriptors are one regular file: a batch whose output is
// its input would never end.
bool SameRegularFile(int inputFd, int outputFd);

}  // namespace ostrevin::calc
