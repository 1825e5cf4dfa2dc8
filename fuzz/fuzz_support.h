#pragma once

// What every fuzz target shares: the libFuzzer entry point, a check that
// aborts (so libFuzzer and the corpus replay both see a crash) and a reader
// that cuts one input into the fields a target needs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define FUZZ_CHECK(condition)                                                           \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

namespace tessellux::fuzz {

// Takes fields from the front of the input; past its end every field is
// zero or empty, so any input is a valid one.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // A length byte (taken modulo max + 1), then that many bytes.
  std::vector<std::uint8_t> Field(std::size_t max) {
    const std::size_t wanted = Byte() % (max + 1);  // before size_ - at_: Byte() moves at_
    const std::size_t length = std::min<std::size_t>(wanted, size_ - at_);
    std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + length);
    at_ += length;
    return out;
  }
  std::string Text(std::size_t max) {
    const auto bytes = Field(max);
    return std::string(bytes.begin(), bytes.end());
  }
  std::vector<std::uint8_t> Rest() {
    std::vector<std::uint8_t> out(data_ + at_, data_ + size_);
    at_ = size_;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace tessellux::fuzz
