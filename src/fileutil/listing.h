#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fileutil {

// names[0] holds the pattern; the names of the ordinary files that match go
// into names[1], names[2], ... in listing order, trimmed. The list grows when
// it is too short; elements after the last name keep their contents.
// Answers how many names were stored.
std::int32_t ListDirEntries(std::vector<std::wstring>& names);

// The folder with exactly one closing "\". Decided on the last character, not
// the last Shift-JIS byte: a folder whose name ends in 表 (95 5C) still needs
// its separator, or its files would be looked for beside it.
std::wstring FolderPrefix(const std::wstring& folder);

// Removes ASCII spaces and ideographic spaces (U+3000) at both ends.
std::wstring TrimSpaces(const std::wstring& text);

}  // namespace fileutil
