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
#include <sys/stat.h>
#include <sys/types.h>

#include <utility>
#include <vector>

#include "calc/byte_source.h"
#include "core/result.h"

namespace ostrevin::calc {

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
  static Result<std::unique_ptr<FdSource>> Open(const std::string& path);

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

// Text written to memory, for tests and for drawing into before a file is replaced.
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
// only when written and synced, so a failure or any signal that ends the
// program (but SIGKILL, which cannot be caught) leaves the old file as it was
// and no temporary file behind; the new file keeps the old one's permissions
// and, where allowed, owner. Replacing makes a new file: a hard link to the
// old one keeps the old content. A file this user may not write is refused
// ("Permission denied"), and so is a folder where no new file may be made
// (the reason names the folder). Through a symbolic link the file it points
// to is written, created if it does not exist yet. A file that is not
// regular (a terminal, a pipe, /dev/full) is written in place. Fails with
// why not ("No space left on device").
Checked ReplaceFile(const std::string& path, std::string_view bytes);

// Whether ReplaceFile could write `path`, asked before any work is done: the
// same refusals ("is a directory", "Permission denied", a folder where no new
// file may be made, a folder that does not exist), without writing anything.
Checked CheckReplaceable(const std::string& path);

// What a path names, whatever the spelling ("a.svg", "./a.svg", a link to
// it): the file by device and inode, or a file not made yet by its folder's
// device and inode and its name. Two outputs with equal keys are one file.
struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // empty for an existing file
  bool operator==(const FileKey&) const = default;
};
// Nothing when the path cannot be followed (a loop, a missing folder).
std::optional<FileKey> KeyOf(const std::string& path);

// The files a command reads, so that no output ever replaces one: every
// output file and standard output are checked against them before anything
// is written ("input file is output file", as a batch into its own input).
class OutputGuard {
 public:
  // An input, by its open descriptor (standard input or a file).
  void AddInput(int fd);
  // A file this command has written: no later output may replace it.
  void AddOutput(const std::string& path);
  // Whether the file at `path` (links followed: the file written) may be
  // written: refused when it is one of the inputs.
  Checked CheckPath(const std::string& path) const;
  // Whether what descriptor `fd` writes to (standard output) is no input.
  Checked CheckDescriptor(int fd) const;

 private:
  Checked NoInput(const struct stat& status) const;
  std::vector<std::pair<dev_t, ino_t>> inputs_, outputs_;
};

// Whether `path` names what is open as descriptor `fd` (/dev/stdout,
// /dev/fd/1, /proc/self/fd/1, or the same file by device and inode): such a
// target is written through the descriptor, never replaced.
bool IsOpenAs(const std::string& path, int fd);

}  // namespace ostrevin::calc
