#pragma once
// Finds the data root: a folder PATDAT that directly holds a non-empty kishitu.txt.
#include <cstdint>
#include <string>
#include <vector>

namespace dataroot {

inline constexpr int kHitCapacity = 1000;  // HitList slots 1..1000

// Beside the program first, then the program's drive, then A to Z.
// A full path ending in "\", or empty when there is none.
std::wstring LocateDataRoot();

// The same search for a program that lies in programFolder.
std::wstring LocateDataRootFrom(const std::wstring& programFolder);

// Walks the tree below folder's parent (folder ends in \PATDAT) and adds hits.
// hits has slots 0..kHitCapacity; slot 0 is never used.
void SearchFolderTree(const std::wstring& folder, std::int16_t& count,
                      std::vector<std::wstring>& hits, const std::wstring& marker);

// Everything up to and including the last ":" or "\" (by characters).
std::wstring StripLastComponent(const std::wstring& path);

}  // namespace dataroot
