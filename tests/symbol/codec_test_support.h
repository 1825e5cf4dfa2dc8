#pragma once

// Shared helpers for the codec, symbol and reader tests.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>

#include "symbol/codec.h"

namespace tessellux::symbol::testing {

inline Encoded MustEncode(const Content& content, const Security& security, int rows = 0, int cols = 0,
                          int reserved = 0) {
  auto result = EncodePayload(content, security, rows, cols, reserved);
  if (!std::holds_alternative<Encoded>(result)) {
    ADD_FAILURE() << "encode failed with error " << static_cast<int>(std::get<EncodeError>(result));
    return {};
  }
  return std::get<Encoded>(result);
}

inline std::variant<DecodedPayload, DecodeError> Decode(const Encoded& encoded, const ReaderKeys& keys = {}) {
  return DecodePayload(encoded.codewords, encoded.geometry.rows, encoded.geometry.cols, keys);
}

inline DecodedPayload MustDecode(const Encoded& encoded, const ReaderKeys& keys = {}) {
  auto result = Decode(encoded, keys);
  if (auto* error = std::get_if<DecodeError>(&result)) {
    ADD_FAILURE() << "decode failed: " << error->message;
    return {};
  }
  return std::get<DecodedPayload>(result);
}

inline Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

inline Security Secure(SecurityMode mode, std::string company, std::string phrase, std::string tag = "",
                       std::string second = "", bool temporary = false) {
  return {mode, temporary, std::move(company), std::move(tag), std::move(phrase), std::move(second)};
}

inline Bytes FakeJpeg(std::size_t size) {
  Bytes file = RandomBytes(size, 7);
  if (size >= 3) file[0] = 0xFF, file[1] = 0xD8, file[2] = 0xFF;
  return file;
}

}  // namespace tessellux::symbol::testing
