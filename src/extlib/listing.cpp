// FCount, DCount, fnAV, ReadFileX, ReadDirT and PadTrim.
//
// Callers always count first and then read the same spec into a target sized
// by that count (the data-root walk does this twice per folder). The last
// listing is therefore kept, with its spec, and the read that follows takes
// it instead of searching the folder again. It serves one read only: a count
// always searches afresh, a read of another spec or kind searches afresh, and
// a read uses it up, so no listing outlives the count-and-read pair it was
// made for. Within the pair the count and the records always agree.
//
// The count that follows a whole listing of a folder ("*.*") knows which
// sub-folders the folder has (hidden ones and links included): files inside
// one that is not among them are 0 without a search. The data-root walk asks
// for the files of a PATDAT in every folder it visits, just after listing
// that folder, and almost none has one. Only that next count may use it.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "extlib/extlib.h"
#include "extlib/findfile.h"
#include "base/file_calls.h"
#include "base/error.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "base/strconv.h"

namespace extlib {
namespace {

enum class Kind { Files, Folders };

struct Entry {
  std::wstring name;
  DWORD attributes;
  DWORD sizeLow;
  DWORD sizeHigh;
  FILETIME written;
};

struct Listing {
  bool valid = false;
  Kind kind = Kind::Files;
  std::string spec;
  std::vector<Entry> entries;
};

// The folder listed whole last ("M:\\a\\"), and every sub-folder it has.
struct FolderSeen {
  std::wstring folder;
  std::vector<std::wstring> subFolders;
};

// One per thread, though only the window thread calls the library.
thread_local Listing lastListing;
thread_local FolderSeen lastFolder;

// Whether spec ("<folder>\\<name>\\<pattern>") lies in a sub-folder that the
// folder listed last does not have.
bool InMissingSubFolder(std::wstring_view spec) {
  const size_t cut = spec.find_last_of(L'\\');
  if (cut == std::wstring_view::npos || lastFolder.folder.empty()) return false;
  const std::wstring_view folder = spec.substr(0, cut + 1);
  if (folder.size() <= lastFolder.folder.size() || !base::SameFileName(folder.substr(0, lastFolder.folder.size()), lastFolder.folder))
    return false;
  const std::wstring_view name = folder.substr(lastFolder.folder.size(), folder.size() - lastFolder.folder.size() - 1);
  if (name.empty() || name.find_first_of(L"\\*?") != std::wstring_view::npos) return false;
  return std::none_of(lastFolder.subFolders.begin(), lastFolder.subFolders.end(),
                      [&](const std::wstring& sub) { return base::SameFileName(sub, name); });
}

void Search(Kind kind, const std::string& spec, std::vector<Entry>& entries) {
  entries.clear();
  // A spec that is no Shift-JIS text names no file.
  const std::optional<std::wstring> wide = base::TryFromSjis(spec);
  if (!wide) return;
  const std::wstring_view pattern = SpecPattern(*wide);
  const bool missing = kind == Kind::Files && InMissingSubFolder(*wide);
  lastFolder.folder.clear();
  if (missing) return;
  const bool whole = pattern == L"*.*" || pattern == L"*";
  if (whole) {
    lastFolder.folder = wide->substr(0, wide->size() - pattern.size());
    lastFolder.subFolders.clear();
  }
  WIN32_FIND_DATAW data;
  const base::ScopedFind find(FindFirst(*wide, data));
  if (!find.valid()) {
    lastFolder.folder.clear();  // a folder that cannot be listed tells nothing
    return;
  }
  do {
    if (whole && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) lastFolder.subFolders.push_back(data.cFileName);
    const bool take = kind == Kind::Files ? IsListedFile(data, pattern) : IsListedFolder(data, pattern);
    if (take) {
      entries.push_back(
          {data.cFileName, data.dwFileAttributes, data.nFileSizeLow, data.nFileSizeHigh, data.ftLastWriteTime});
    }
  } while (base::Files().FindNext(find.get(), &data));
}

std::int32_t Count(Kind kind, const std::string& spec) {
  lastListing.valid = false;
  Search(kind, spec, lastListing.entries);
  lastListing.kind = kind;
  lastListing.spec = spec;
  lastListing.valid = true;
  return static_cast<std::int32_t>(std::min<size_t>(lastListing.entries.size(), static_cast<size_t>(INT32_MAX)));
}

// The listing for a read: the one the count just made, or a fresh one.
const std::vector<Entry>& TakeListing(Kind kind, const std::string& spec) {
  if (!(lastListing.valid && lastListing.kind == kind && lastListing.spec == spec))
    Search(kind, spec, lastListing.entries);
  lastListing.valid = false;
  return lastListing.entries;
}

// What fnAV leaves in the work block.
struct Prepared {
  std::uint32_t tag;
  std::int32_t count;  // slots of the target
  std::int32_t first;  // first slot to fill, from 1
  std::uint32_t unused;
  void* target;
};
static_assert(sizeof(Prepared) <= sizeof(WorkBlock), "the preparation fits the work block");

constexpr std::uint32_t kRecordsTag = 0x58464552;  // "REFX"
constexpr std::uint32_t kNamesTag = 0x54444552;    // "REDT"

void Prepare(WorkBlock& block, std::uint32_t tag, void* target, size_t size,
             const IndexList& index) {
  const std::int32_t count =
      static_cast<std::int32_t>(std::min<size_t>(size, static_cast<size_t>(INT32_MAX - 1)));
  const std::int32_t first = index[0];
  if (first < 1 || first > count + 1) {
    throw base::AppError(base::AppError::Kind::OutOfRange,
                             L"fnAV: 開始位置 " + std::to_wstring(first) + L" は 1 から " +
                                 std::to_wstring(count + 1) + L" の範囲にありません。");
  }
  const Prepared prepared{tag, count, first, 0, target};
  std::memset(block.bytes, 0, sizeof block.bytes);
  std::memcpy(block.bytes, &prepared, sizeof prepared);
}

Prepared Load(const WorkBlock& block, std::uint32_t tag, const wchar_t* routine) {
  Prepared prepared;
  std::memcpy(&prepared, block.bytes, sizeof prepared);
  if (prepared.tag != tag || prepared.target == nullptr) {
    throw base::AppError(base::AppError::Kind::InvalidArgument,
                             std::wstring(routine) + L": 作業領域が準備されていません。");
  }
  return prepared;
}

void FillRecord(FileRecord& record, const Entry& entry) {
  record = FileRecord{};
  const size_t length = std::min(entry.name.size(), std::size(record.name) - 1);
  std::copy_n(entry.name.data(), length, record.name);
  record.attributes = entry.attributes;
  record.sizeLow = entry.sizeLow;
  record.sizeHigh = entry.sizeHigh;
  record.writeTimeLow = entry.written.dwLowDateTime;
  record.writeTimeHigh = entry.written.dwHighDateTime;
  record.check = 1;
}

void FillSlot(NameSlot& slot, std::wstring_view name) {
  slot.fill(L' ');
  std::copy_n(name.data(), std::min(name.size(), slot.size()), slot.data());
}

}  // namespace

std::int32_t FCount(const std::string& spec) { return Count(Kind::Files, spec); }

std::int32_t DCount(const std::string& spec) { return Count(Kind::Folders, spec); }

void fnAV(WorkBlock& block, std::span<FileRecord> target, const IndexList& index) {
  Prepare(block, kRecordsTag, target.data(), target.size(), index);
}

void fnAV(WorkBlock& block, std::span<NameSlot> target, const IndexList& index) {
  Prepare(block, kNamesTag, target.data(), target.size(), index);
}

void ReadFileX(const std::string& spec, std::int32_t& scratch, WorkBlock& block) {
  const Prepared prepared = Load(block, kRecordsTag, L"ReadFileX");
  auto* records = static_cast<FileRecord*>(prepared.target);
  const std::vector<Entry>& entries = TakeListing(Kind::Files, spec);
  std::int32_t slot = prepared.first - 1;
  std::int32_t filled = 0;
  for (const Entry& entry : entries) {
    if (slot >= prepared.count) break;
    FillRecord(records[slot++], entry);
    ++filled;
  }
  for (; slot < prepared.count; ++slot) records[slot] = FileRecord{};
  scratch = filled;
}

void ReadDirT(const std::string& spec, WorkBlock& block) {
  const Prepared prepared = Load(block, kNamesTag, L"ReadDirT");
  auto* slots = static_cast<NameSlot*>(prepared.target);
  const std::vector<Entry>& entries = TakeListing(Kind::Folders, spec);
  std::int32_t slot = prepared.first - 1;
  for (const Entry& entry : entries) {
    if (slot >= prepared.count) break;
    FillSlot(slots[slot++], entry.name);
  }
  for (; slot < prepared.count; ++slot) slots[slot].fill(L' ');
}

std::wstring PadTrim(const NameSlot& slot) {
  const auto end = std::find(slot.begin(), slot.end(), L'\0');
  std::wstring name(slot.begin(), end);
  const size_t last = name.find_last_not_of(L' ');
  name.resize(last == std::wstring::npos ? 0 : last + 1);
  return name;
}

}  // namespace extlib
