#pragma once
// Taking a path apart at its separators, by characters.
#include <cstdint>
#include <string>
#include <vector>

namespace textutil {

std::int16_t CountDelimiters(const std::wstring& text, const std::wstring& delimiters);

// Fills fields[1] .. fields[n + 1]; the other elements keep their contents.
void SplitFields(const std::wstring& text, const std::wstring& delimiters,
                 std::vector<std::wstring>& fields);

}  // namespace textutil
