#pragma once

// A stand-in encoder for the service's tests: a picture whose size follows
// the symbol formula and whose rows say which image row they are.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>

#include "codegen/builder.h"

namespace tessellux::codegen::testing {

class FakePicture final : public BuiltPicture {
 public:
  explicit FakePicture(const symbol::Layout& layout)
      : layout_(layout),
        geometry_{layout.rows ? layout.rows : 2, layout.cols ? layout.cols : 2,
                  layout.reserved ? layout.reserved / 2 : 4} {}

  symbol::Geometry geometry() const override { return geometry_; }
  int extra() const { return layout_.style == symbol::Style::Lines ? layout_.thickness : 0; }
  int width() const { return layout_.grid * (8 * geometry_.cols + 2) + extra(); }
  int height() const override { return layout_.grid * (8 * geometry_.rows + 2) + extra(); }
  std::size_t row_bytes() const override { return static_cast<std::size_t>((width() + 31) / 32) * 4; }
  Bytes BmpHeader() const override { return {'B', 'M', 0xAA, 0xAB, 0x00}; }
  // Row y starts with y (two bytes, big end first); 0xAA fills the rest to
  // exercise the framing.
  void RenderRow(int y, std::uint8_t* out) const override {
    std::fill(out, out + row_bytes(), 0xAA);
    out[0] = static_cast<std::uint8_t>(y >> 8);
    out[1] = static_cast<std::uint8_t>(y);
  }

 private:
  symbol::Layout layout_;
  symbol::Geometry geometry_;
};

// Builds FakePictures, remembers the last request, counts builds, and fails
// with `error` when one is set. With a gate, each build waits (at most 5 s)
// until the gate opens.
struct FakeBuilder {
  std::shared_ptr<std::optional<symbol::SymbolSpec>> last =
      std::make_shared<std::optional<symbol::SymbolSpec>>();
  std::shared_ptr<std::optional<symbol::BuildError>> error =
      std::make_shared<std::optional<symbol::BuildError>>();
  std::shared_ptr<std::atomic<int>> builds = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<std::atomic<int>> entered = std::make_shared<std::atomic<int>>(0);  // builds begun
  std::shared_ptr<std::promise<void>> gate_promise = std::make_shared<std::promise<void>>();
  std::shared_future<void> gate;  // invalid: no gate

  void CloseGate() { gate = gate_promise->get_future().share(); }
  void OpenGate() { gate_promise->set_value(); }

  Builder builder() const {
    return [last = last, error = error, builds = builds, entered = entered,
            gate = gate](const symbol::SymbolSpec& request) -> BuildOutcome {
      ++*entered;
      if (gate.valid()) gate.wait_for(std::chrono::seconds(5));
      ++*builds;
      *last = request;
      if (*error) return **error;
      return std::make_unique<FakePicture>(request.layout);
    };
  }
};

}  // namespace tessellux::codegen::testing
