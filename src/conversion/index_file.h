#pragma once
// The destination's index PCNT.TXT: value, test number; ascending by value.
#include <string>

namespace conversion {

inline constexpr int kIndexCapacity = 100;

// Enters test t with its header value into destPrefix + "PCNT.TXT".
// The old index is replaced in one step; a failure leaves it as it was.
void UpdateIndexFile(const std::wstring& destPrefix, const std::wstring& t,
                     const std::wstring& headerValue);

}  // namespace conversion
