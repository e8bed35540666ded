#pragma once
// Finds the data root: a folder PATDAT that directly holds a non-empty kishitu.txt.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dataroot {

// Called by the walk for every folder it visits, before it looks into it;
// false stops the walk.
using WalkProgress = std::function<bool(const std::wstring& folder)>;

// What the window is told of the walk (it lets its pending events run, shows
// where the walk is): the folder now and how many were visited; false stops it.
using WalkReport = std::function<bool(const std::wstring& folder, std::uint64_t visited)>;

// report, passed on at most once per tick of the system clock (a few
// milliseconds at most), counting every folder: the walk visits a folder in
// a fraction of that, and under Wine every look at the message queue is a
// round trip to its server.
WalkProgress OncePerTick(WalkReport report);

// Beside the program first, then the program's drive, then A to Z (the
// program's drive again in its turn); a drive is walked only when
// extlib::GoodDrive accepts it. A full path ending in "\", or empty when
// there is none or progress stopped the walk. The program folder comes from
// GetModuleFileNameW.
std::wstring LocateDataRoot(const WalkProgress& progress);

// The same search for a program that lies in programFolder.
std::wstring LocateDataRootFrom(const std::wstring& programFolder, const WalkProgress& progress = {});

// Walks the tree below folder's parent (folder ends in \PATDAT) depth first,
// a folder before its sub-folders, and appends every hit (folder + "\") in
// walk order; hits beyond base::kHitCapacity are not kept. False when
// progress stopped the walk.
// The walk never enters a reparse point (DCount does not list them), skips a
// folder whose listing path (folder + "\*.*") or marker path (folder + marker)
// would not fit MAX_PATH, together with everything below it, and skips a
// sub-folder whose name has no Shift-JIS form (the library could not be given
// its path) or holds a character that Windows names cannot hold.
bool SearchFolderTree(const std::wstring& folder, const std::wstring& marker, std::vector<std::wstring>& hits,
                      const WalkProgress& progress = {});

// Everything up to and including the last ":" or "\" (by characters).
std::wstring StripLastComponent(const std::wstring& path);

}  // namespace dataroot
