#pragma once

// Reed-Solomon over GF(256) (libfec, polynomial 0x11D, fcr 0, prim 1) on one
// group of up to 48 bytes: data first, then `parity` bytes (1 to 34). A
// group shorter than 48 is a shortened code: zeros stand in front of it.

#include <cstdint>

namespace tessellux::symbol::codec {

// data: length - parity bytes; parity: `parity` bytes written.
void EncodeGroup(int parity, int length, const std::uint8_t* data, std::uint8_t* out);

// group: length bytes, corrected in place. erased: `erasures` byte indexes
// (0 .. length - 1) known to be unreliable; at most `parity` of them. Up to
// e erasures and t errors elsewhere are corrected while e + 2t <= parity.
// Returns the number of bytes corrected, or -1 beyond repair.
int DecodeGroup(int parity, int length, std::uint8_t* group, const int* erased = nullptr, int erasures = 0);

// The erasures alone, no search for other errors: the common case of a
// damaged print, solved in O(erasures * length) without allocation. Returns
// the bytes corrected, or -1 (group unchanged) when there are more erasures
// than parity bytes or the syndromes show errors elsewhere.
int SolveGroupErasures(int parity, int length, std::uint8_t* group, const int* erased, int erasures);

}  // namespace tessellux::symbol::codec
