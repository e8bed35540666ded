#pragma once
#include <optional>
#include <string>
#include <vector>

namespace fileutil {

// The test number of a file: the part of its name in front of the first dot,
// cut on the Shift-JIS form; nullopt for a name without a dot.
std::optional<std::wstring> TestNumberOf(const std::wstring& fileName);

// Whether the index can hold a test number faithfully: it is stored as
// Shift-JIS, comma-separated text without quotes, so a name without a
// Shift-JIS form (it would come back as another, "?" being a wildcard), with
// a comma, a quote or a control character (it would break the record), or an
// empty one (its files would be ".*", every file of the folder) cannot be.
bool IsIndexableTestNumber(const std::wstring& testNumber);

// The test numbers of the folder's header files whose data file is there and
// not empty, in listing order. Names that the index could not hold (no
// Shift-JIS form, a comma or a quote, empty) are left out.
std::vector<std::wstring> ListTestNumbers(const std::wstring& folder);

}  // namespace fileutil
