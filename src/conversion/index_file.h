#pragma once
// The destination's index PCNT.TXT: value, test number; ascending by value.
#include <string>

#include "base/limits.h"

namespace conversion {

// Enters test t with its header value into destPrefix + "PCNT.TXT".
// The old index is replaced in one step; a failure leaves it as it was.
// Throws AppError on a file failure, on a value out of range, and when the
// index would exceed base::base::kIndexCapacity records.
void UpdateIndexFile(const std::wstring& destPrefix, const std::wstring& t,
                     const std::wstring& headerValue);

// Whether UpdateIndexFile can enter t without exceeding the capacity: t has a
// record already, or fewer than base::base::kIndexCapacity records are there (and never
// more). Throws AppError when the index cannot be read.
bool IndexHasRoomFor(const std::wstring& destPrefix, const std::wstring& t);

}  // namespace conversion
