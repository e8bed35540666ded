#pragma once
#include <string>
#include <vector>

namespace fileutil {

// The test numbers of the folder's header files whose data file is there and
// not empty, in listing order. Names that the index could not hold (no
// Shift-JIS form, a comma or a quote, empty) are left out.
std::vector<std::wstring> ListTestNumbers(const std::wstring& folder);

}  // namespace fileutil
