#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fileutil {

// Test numbers of the folder's header files whose data file is there and not
// empty, into list[1] .. list[count]; the list grows when it is too short.
void ListTestNumbers(const std::wstring& folder, std::int16_t& count,
                     std::vector<std::wstring>& list);

}  // namespace fileutil
