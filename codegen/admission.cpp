#include "codegen/admission.h"

#include <map>

namespace tessellux::codegen {

Admission Admit(const std::vector<Seat>& seats, const std::string& newcomer, const AdmissionLimits& limits,
                std::chrono::steady_clock::time_point now) {
  std::map<std::string, std::size_t> held;
  for (const Seat& seat : seats) ++held[seat.address];
  const std::size_t own = held[newcomer];
  if (own >= limits.max_per_address) return {Admission::Verdict::RefuseAddressFull};
  if (seats.size() < limits.max_clients) return {Admission::Verdict::Admit};
  // The resting seat idle longest, of an address that can spare it.
  const Seat* chosen = nullptr;
  for (const Seat& seat : seats) {
    if (!seat.resting || now - seat.last_active < limits.evict_idle_after) continue;
    if (held[seat.address] < own + 2) continue;
    if (!chosen || seat.last_active < chosen->last_active) chosen = &seat;
  }
  if (!chosen) return {Admission::Verdict::RefuseTableFull};
  return {Admission::Verdict::AdmitInPlaceOf, static_cast<std::size_t>(chosen - seats.data())};
}

std::string RefusalReason(Admission::Verdict verdict, const AdmissionLimits& limits) {
  using std::chrono::duration_cast;
  using std::chrono::seconds;
  switch (verdict) {
    case Admission::Verdict::RefuseAddressFull:
      return std::to_string(limits.max_per_address) +
             " connections from this address already (the most one address may hold)";
    case Admission::Verdict::RefuseTableFull:
      return "all " + std::to_string(limits.max_clients) + " places taken, none free to close (working, idle under " +
             std::to_string(duration_cast<seconds>(limits.evict_idle_after).count()) +
             " s, or too few from its address)";
    default: return {};
  }
}

}  // namespace tessellux::codegen
