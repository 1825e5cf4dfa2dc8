#pragma once

namespace tessellux::security {

enum class SecurityMode {
  kPublic,
  kPrivate,
  kUniversal,  // authorization for any reader
  kUnique,     // authorization for one reader, by its serial number
  kCascaded,   // authorization for a reader that holds the old phrase
};

// The three modes that hand the secret phrase to reader apps.
constexpr bool IsAuthorization(SecurityMode mode) {
  return mode == SecurityMode::kUniversal || mode == SecurityMode::kUnique ||
         mode == SecurityMode::kCascaded;
}

}  // namespace tessellux::security
