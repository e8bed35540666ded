#pragma once
// Drive roots, the closing "\" of folders and the sameness of names, spelled
// one way everywhere.
// Decided on characters, never on the last Shift-JIS byte: a folder whose
// name ends in 表 (95 5C) still needs its separator.
#include <windows.h>

#include <string>
#include <string_view>

namespace base {

// Whether two file names name the same file: the file system does not tell
// letter cases apart.
inline bool SameFileName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// "X:\" for the letter as it is given.
inline std::wstring DriveRoot(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }

// The folder with exactly one closing "\", to put names after ("X:" gives "X:\").
inline std::wstring FolderPrefix(const std::wstring& folder) {
  return folder.empty() || folder.back() != L'\\' ? folder + L'\\' : folder;
}

// The folder without its closing "\", but a drive root keeps it ("X:" and
// "X:\\" give "X:\").
inline std::wstring WithoutClosingSeparator(std::wstring folder) {
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

}  // namespace base
