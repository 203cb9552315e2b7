// Bytes to read, from wherever they come: a file or a pipe on the command
// line, a file picked or text pasted on the page. The tables' reader takes
// its input through this, so that both faces read rows the same way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

namespace ostrevin::calc {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`: the count, 0 at the end of the input,
  // or -1 when reading failed (ErrorText says why).
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
  virtual std::string ErrorText() const = 0;
};

// Text in memory: a paste, a file the page was given, a test's input.
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string text) : text_(std::move(text)) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, text_.size() - position_);
    std::copy_n(text_.data() + position_, count, buffer);
    position_ += count;
    return static_cast<std::ptrdiff_t>(count);
  }
  std::string ErrorText() const override { return {}; }

 private:
  std::string text_;
  std::size_t position_ = 0;
};

// Bytes already read (a file's start, looked at) and then the rest of the
// source they came from.
class PrefixedSource final : public ByteSource {
 public:
  PrefixedSource(std::string prefix, ByteSource& rest) : prefix_(std::move(prefix)), rest_(rest) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    if (position_ < prefix_.size()) {
      const std::size_t count = std::min(size, prefix_.size() - position_);
      std::copy_n(prefix_.data() + position_, count, buffer);
      position_ += count;
      return static_cast<std::ptrdiff_t>(count);
    }
    return rest_.Read(buffer, size);
  }
  std::string ErrorText() const override { return rest_.ErrorText(); }

 private:
  std::string prefix_;
  ByteSource& rest_;
  std::size_t position_ = 0;
};

}  // namespace ostrevin::calc
