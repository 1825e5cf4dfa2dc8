#pragma once

// What a session needs from the encoder: build a picture from a request and
// hand out its BMP header and pixel rows. An interface so that the session
// can be exercised with a stand-in encoder.

#include <cstdint>
#include <functional>
#include <memory>
#include <variant>

#include "protocol/bytes.h"
#include "symbol/symbol.h"

namespace tessellux::codegen {

class BuiltPicture {
 public:
  virtual ~BuiltPicture() = default;
  virtual symbol::Geometry geometry() const = 0;
  virtual int height() const = 0;
  virtual std::size_t row_bytes() const = 0;
  virtual Bytes BmpHeader() const = 0;  // file header, info header, palette
  // Image row y (0 = top), row_bytes() bytes.
  virtual void RenderRow(int y, std::uint8_t* out) const = 0;
  // Memory the picture holds while it is kept (for the service's budget).
  virtual std::size_t held_bytes() const { return 0; }
};

using BuildOutcome = std::variant<std::unique_ptr<BuiltPicture>, symbol::BuildError>;
using Builder = std::function<BuildOutcome(const symbol::SymbolSpec&)>;

// The real encoder (symbol::BuildSymbol) under the given limits.
Builder MakeSymbolBuilder(symbol::BuildLimits limits);

}  // namespace tessellux::codegen
