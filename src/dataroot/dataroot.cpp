#include "dataroot/dataroot.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "extlib/extlib.h"
#include "base/limits.h"
#include "base/paths.h"
#include "base/strconv.h"

namespace dataroot {
namespace {

constexpr wchar_t kMarker[] = L"\\kishitu.txt";

// The W file functions take at most MAX_PATH characters, terminator included,
// unless the path carries the long-path prefix, which the library does not use.
constexpr size_t kPathLimit = MAX_PATH;

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');  // room for the longest path there is
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  const size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return {};
  return path.substr(0, cut);  // a drive root ("X:") gets its "\" with the others
}

// A sub-folder name that can go into a path for the library: one that has a
// Shift-JIS form and holds no character that a name cannot have (a name made
// outside Windows, such as "..\..", must not lead the walk elsewhere).
bool CanWalkInto(const std::wstring& name) {
  if (name.empty()) return false;
  for (const wchar_t c : name) {
    if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
      return false;
  }
  return base::IsSjisRepresentable(name);
}

// The sub-folders of parentSpec ("<folder>\\*.*"), as the library lists them.
std::vector<std::wstring> SubFolders(const std::string& parentSpec) {
  const std::int32_t count = extlib::DCount(parentSpec);
  if (count <= 0) return {};
  std::vector<extlib::NameSlot> slots(static_cast<size_t>(count));
  extlib::WorkBlock block{};
  extlib::fnAV(block, slots, extlib::IndexList{1});
  extlib::ReadDirT(parentSpec, block);
  std::vector<std::wstring> names;
  for (const extlib::NameSlot& slot : slots) names.push_back(extlib::PadTrim(slot));
  return names;
}

// The walk of one drive: true when it found a data root or was stopped.
bool WalkDrive(wchar_t drive, std::vector<std::wstring>& hits, const WalkProgress& progress) {
  const std::optional<std::string> letter = base::TryToSjis(std::wstring(1, drive));
  if (!letter || extlib::GoodDrive(*letter) != -1) return false;
  const bool whole = SearchFolderTree(base::DriveRoot(drive) + L"PATDAT", kMarker, hits, progress);
  return !whole || !hits.empty();
}

}  // namespace

WalkProgress OncePerTick(WalkReport report) {
  return [report = std::move(report), last = ULONGLONG{0}, visited = std::uint64_t{0}](
             const std::wstring& folder) mutable {
    ++visited;
    const ULONGLONG now = GetTickCount64();
    if (now == last) return true;
    last = now;
    return report(folder, visited);
  };
}

std::wstring LocateDataRoot(const WalkProgress& progress) { return LocateDataRootFrom(ProgramFolder(), progress); }

std::wstring LocateDataRootFrom(const std::wstring& programFolder, const WalkProgress& progress) {
  const std::wstring folder = base::FolderPrefix(programFolder);

  const std::optional<std::string> beside = base::TryToSjis(folder + L"PATDAT\\kishitu.txt");
  if (beside && extlib::FileSize(*beside) > 0) return folder + L"PATDAT\\";

  std::vector<std::wstring> hits;
  const auto found = [&hits] { return hits.empty() ? std::wstring() : hits.front(); };
  if (WalkDrive(folder[0], hits, progress)) return found();
  for (wchar_t drive = L'A'; drive <= L'Z'; ++drive)
    if (WalkDrive(drive, hits, progress)) return found();
  return {};
}

bool SearchFolderTree(const std::wstring& folder, const std::wstring& marker, std::vector<std::wstring>& hits,
                      const WalkProgress& progress) {
  // Every path made for this folder must fit the platform's limit: its
  // listing (folder + "\*.*") and its marker. Folders below are longer still.
  if (folder.size() + std::max<size_t>(4, marker.size()) >= kPathLimit) return true;
  if (progress && !progress(folder)) return false;

  const std::wstring parent = StripLastComponent(folder);
  const std::wstring lastName = folder.substr(parent.size());
  const std::optional<std::string> spec = base::TryToSjis(folder + L"\\*.*");
  const std::optional<std::string> parentSpec = base::TryToSjis(parent + L"*.*");
  if (!spec || !parentSpec) return true;  // the library could not be told this path

  // The sub-folders of its parent, read before the marker test so that the
  // library knows whether folder exists at all (it rarely does).
  const std::vector<std::wstring> names = SubFolders(*parentSpec);

  // Is folder itself a data root?
  const std::int32_t files = extlib::FCount(*spec);
  if (files > 0) {
    std::vector<extlib::FileRecord> records(static_cast<size_t>(files));
    extlib::WorkBlock block{};
    extlib::fnAV(block, records, extlib::IndexList{1});
    std::int32_t scratch = 0;
    extlib::ReadFileX(*spec, scratch, block);
    const std::optional<std::string> markerPath = base::TryToSjis(folder + marker);
    if (records[0].check >= 1 && markerPath && extlib::FileSize(*markerPath) > 0) {
      // Beyond the list's capacity a hit is not kept.
      if (hits.size() < static_cast<std::size_t>(base::kHitCapacity)) hits.push_back(folder + L"\\");
    }
  }

  // Then every sub-folder of its parent, with the same last name.
  for (const std::wstring& name : names) {
    if (name == L"." || name == L".." || !CanWalkInto(name)) continue;
    if (!SearchFolderTree(parent + name + L"\\" + lastName, marker, hits, progress)) return false;
  }
  return true;
}

std::wstring StripLastComponent(const std::wstring& path) {
  const size_t cut = path.find_last_of(L":\\");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

}  // namespace dataroot
