#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fileutil {

// The names of the ordinary files that match spec (a folder prefix and a
// pattern), in listing order, without the ASCII spaces at their ends.
// Throws AppError when the folder cannot be read.
std::vector<std::wstring> ListDirEntries(const std::wstring& spec);

// The same files with their sizes as the listing gives them.
struct FileEntry {
  std::wstring name;
  std::uint64_t size;
};
std::vector<FileEntry> ListFiles(const std::wstring& spec);

// Removes the ASCII spaces at both ends. Nothing else: Windows keeps an
// ideographic space (U+3000) at the end of a name, so it is part of the name.
std::wstring TrimSpaces(const std::wstring& text);

}  // namespace fileutil
