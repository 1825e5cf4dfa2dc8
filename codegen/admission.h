#pragma once

// Who gets a place when a client connects. A host may hold at most so many
// connections; when every place is taken, a newcomer may displace only a
// connection that is resting (no series under way, idle long enough) and
// belongs to an address holding at least two more connections than the
// newcomer's. So a flood of connections never closes a working client, nor
// the one link of a host (a window) however long it rests.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tessellux::codegen {

struct AdmissionLimits {
  std::size_t max_clients = 128;
  std::size_t max_per_address = 8;
  // A resting connection may make room only after this long idle.
  std::chrono::steady_clock::duration evict_idle_after = std::chrono::seconds(60);
};

// A connection in the table, as admission sees it.
struct Seat {
  std::string address;
  bool resting = false;  // no series, build, frame or reply under way
  std::chrono::steady_clock::time_point last_active{};
};

struct Admission {
  enum class Verdict { Admit, AdmitInPlaceOf, RefuseAddressFull, RefuseTableFull };
  Verdict verdict = Verdict::Admit;
  std::size_t displaced = 0;  // the seat to close, for AdmitInPlaceOf
};

Admission Admit(const std::vector<Seat>& seats, const std::string& newcomer, const AdmissionLimits& limits,
                std::chrono::steady_clock::time_point now);

// Why a newcomer was refused, for the log ("" when it was admitted).
std::string RefusalReason(Admission::Verdict verdict, const AdmissionLimits& limits);

}  // namespace tessellux::codegen
