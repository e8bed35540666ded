#pragma once
// Cuts and searches on the Shift-JIS form of a text, by 1-based byte positions.
#include <cstdint>
#include <string>

namespace textutil {

std::wstring AnsiRightB(const std::wstring& text, std::int32_t count);
std::wstring AnsiMidB(const std::wstring& text, std::int32_t start, std::int32_t length);
std::int16_t AnsiInStrB(const std::wstring& text, const std::wstring& pattern);

}  // namespace textutil
