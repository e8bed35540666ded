#pragma once
// Finds the data root: a folder PATDAT that directly holds a non-empty kishitu.txt.
#include <functional>
#include <string>
#include <vector>

namespace dataroot {

// Lets the window's pending events run; the walk calls it once per visited folder.
using PendingEvents = std::function<void()>;

// pendingEvents, passed on at most once per tick of the system clock (a few
// milliseconds at most): the walk visits a folder in a fraction of that, and
// under Wine every look at the message queue is a round trip to its server.
PendingEvents OncePerTick(PendingEvents pendingEvents);

// Beside the program first, then the program's drive, then A to Z (the
// program's drive again in its turn); a drive is walked only when
// extlib::GoodDrive accepts it. A full path ending in "\", or empty when
// there is none. The program folder comes from GetModuleFileNameW.
std::wstring LocateDataRoot(const PendingEvents& pendingEvents);

// The same search for a program that lies in programFolder.
std::wstring LocateDataRootFrom(const std::wstring& programFolder, const PendingEvents& pendingEvents = {});

// Walks the tree below folder's parent (folder ends in \PATDAT) depth first,
// a folder before its sub-folders, and appends every hit (folder + "\") in
// walk order; hits beyond base::kHitCapacity are not kept.
// The walk never enters a reparse point (DCount does not list them), skips a
// folder whose listing path (folder + "\*.*") or marker path (folder + marker)
// would not fit MAX_PATH, together with everything below it, and skips a
// sub-folder whose name has no Shift-JIS form (the library could not be given
// its path) or holds a character that Windows names cannot hold.
void SearchFolderTree(const std::wstring& folder, const std::wstring& marker, std::vector<std::wstring>& hits,
                      const PendingEvents& pendingEvents = {});

// Everything up to and including the last ":" or "\" (by characters).
std::wstring StripLastComponent(const std::wstring& path);

}  // namespace dataroot
