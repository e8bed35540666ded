#pragma once
// The bounds of the program's fixed lists, each named once.
#include <cstdint>

namespace base {

inline constexpr int kMaxSelected = 25;     // SelectedTests: slots 1..25
inline constexpr int kIndexCapacity = 100;  // records of PCNT.TXT; a peer program relies on it
inline constexpr int kHitCapacity = 1000;   // data-root hits of one search: slots 1..1000

// Counts, positions and loop bounds held in 16 bits.
inline constexpr std::int32_t kMax16 = 32767;

}  // namespace base
