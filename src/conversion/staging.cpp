#include "conversion/staging.h"

#include <windows.h>

#include <iterator>
#include <map>
#include <random>

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"

namespace conversion {
namespace {

constexpr wchar_t kPrefix[] = L"~lugeon-";
constexpr wchar_t kSuffix[] = L".tmp";
constexpr std::size_t kPrefixChars = std::size(kPrefix) - 1;
constexpr std::size_t kRunChars = 8;  // hexadecimal digits of a run
constexpr std::size_t kSuffixChars = std::size(kSuffix) - 1;

bool StartsAndEnds(const std::wstring& name) {
  return name.size() >= kPrefixChars + kSuffixChars &&
         base::SameFileName(std::wstring_view(name).substr(0, kPrefixChars), kPrefix) &&
         base::SameFileName(std::wstring_view(name).substr(name.size() - kSuffixChars), kSuffix);
}

// "~lugeon-<run>" of a temporary's name, or "" for any other name.
std::wstring RunOf(const std::wstring& name) {
  const std::size_t end = kPrefixChars + kRunChars;
  if (!StartsAndEnds(name) || name.size() < end + kSuffixChars || (name[end] != L'.' && name[end] != L'-')) return {};
  const std::size_t notHex = name.find_first_not_of(L"0123456789abcdefABCDEF", kPrefixChars);
  return notHex == end ? name.substr(0, end) : L"";
}

// Deletes a file, also a read-only, hidden or system one.
void Remove(const std::wstring& path) noexcept {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A marker that nobody holds open is removed, and tells that its run is over;
// one that is not there tells the same.
bool RunIsOver(const std::wstring& marker) {
  const base::ScopedFile open(CreateFileW(marker.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return open.valid() || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// A marker of its own for the run: a name nobody else uses, held open and
// sharing nothing, so that others can tell the run lives. The system removes
// it when its holder ends, however.
base::ScopedFile MakeMarker(const std::wstring& destPrefix, std::wstring& run) {
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    run = kPrefix;
    for (unsigned value = random(), digit = 0; digit < kRunChars; ++digit, value >>= 4)
      run += L"0123456789abcdef"[value & 0xF];
    const std::wstring marker = destPrefix + run + kSuffix;
    base::ScopedFile file(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file.valid()) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS || attempt == 8) throw base::SystemError(base::text::kCannotCopy, marker, error);
  }
}

}  // namespace

bool IsRunTemporary(const std::wstring& name) { return !RunOf(name).empty(); }

Staging::Staging(std::wstring destPrefix) : destPrefix_(std::move(destPrefix)) {
  marker_ = MakeMarker(destPrefix_, run_);
}

Staging::~Staging() { Discard(); }

void Staging::RemoveLeftovers() {
  leftoversRemoved_ = true;
  WIN32_FIND_DATAW data;
  const base::ScopedFind find(FindFirstFileW((destPrefix_ + kPrefix + L"*" + kSuffix).c_str(), &data));
  if (!find.valid()) return;
  std::map<std::wstring, std::vector<std::wstring>> byRun;  // a run's files but its marker
  do {
    const std::wstring name = data.cFileName;
    const std::wstring run = RunOf(name);
    if (run.empty() || base::SameFileName(run, run_) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    auto& files = byRun[run];
    // "-<n>.tmp" or "-<n>-<name>.tmp" after the run; the marker is the run alone.
    const std::size_t digits = name.find_first_not_of(L"0123456789", run.size() + 1);
    if (name[run.size()] == L'-' && digits > run.size() + 1 && digits != std::wstring::npos &&
        (name[digits] == L'-' || digits == name.size() - kSuffixChars))
      files.push_back(name);
  } while (FindNextFileW(find.get(), &data));

  for (const auto& [run, files] : byRun) {
    if (!RunIsOver(destPrefix_ + run + kSuffix)) continue;
    for (const std::wstring& name : files) {
      // "-<n>" is a staged copy; "-<n>-<name>" a file that was being replaced.
      const std::size_t dash = name.find(L'-', run.size() + 1);
      const std::wstring path = destPrefix_ + name;
      if (dash == std::wstring::npos) {
        Remove(path);
        continue;
      }
      const std::wstring original = name.substr(dash + 1, name.size() - dash - 1 - kSuffixChars);
      // Back where it was, unless its replacement took the name: the user
      // had agreed to replace it. Without its name, it stays for the user.
      if (original.empty()) continue;
      if (!MoveFileExW(path.c_str(), (destPrefix_ + original).c_str(), 0) && IsFile(destPrefix_ + original))
        Remove(path);
    }
  }
}

bool Staging::Stage(const std::wstring& sourcePrefix, const fileutil::FileEntry& file, const CopyProgress& progress) {
  Entry& entry = entries_.emplace_back();
  entry.name = file.name;
  const std::wstring number = std::to_wstring(++made_);
  entry.staged = destPrefix_ + run_ + L"-" + number + kSuffix;
  entry.aside = destPrefix_ + run_ + L"-" + number + L"-" + file.name + kSuffix;
  if (entry.aside.size() >= MAX_PATH) entry.aside = destPrefix_ + run_ + L"-" + number + L"-" + kSuffix;
  if (!CopyOneFile(sourcePrefix + file.name, entry.staged, progress, destPrefix_ + file.name)) {
    Remove(entry.staged);
    return false;
  }
  const DWORD attributes = GetFileAttributesW(entry.staged.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(entry.staged.c_str(), (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) | FILE_ATTRIBUTE_ARCHIVE);
  // On the disk before it is renamed: a power cut never leaves a renamed copy without its data.
  FlushToDisk(entry.staged, base::text::kCannotCopy);
  return true;
}

std::wstring Staging::StagedPath(const std::wstring& name) const {
  for (const Entry& entry : entries_)
    if (base::SameFileName(entry.name, name)) return entry.staged;
  return {};
}

void Staging::Discard() noexcept {
  for (const Entry& entry : entries_) Remove(entry.staged);
  entries_.clear();
}

void Staging::Close() noexcept {
  Discard();
  marker_.reset();
}

void Staging::PutInPlace() {
  if (!leftoversRemoved_) RemoveLeftovers();
  try {
    for (Entry& entry : entries_) {
      const std::wstring target = destPrefix_ + entry.name;
      if (!IsFile(target)) continue;
      RenameFile(target, entry.aside, false, base::text::kCannotReplace, target);
      entry.setAside = true;
    }
    for (Entry& entry : entries_) {
      const std::wstring target = destPrefix_ + entry.name;
      RenameFile(entry.staged, target, false, base::text::kCannotReplace, target);
      entry.inPlace = true;
    }
  } catch (...) {
    PutBack();
    throw;
  }
}

void Staging::PutBack() noexcept {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    const std::wstring target = destPrefix_ + entry->name;
    if (entry->inPlace && MoveFileExW(target.c_str(), entry->staged.c_str(), 0)) entry->inPlace = false;
    if (entry->setAside && !entry->inPlace && MoveFileExW(entry->aside.c_str(), target.c_str(), 0))
      entry->setAside = false;
  }
}

void Staging::Settle() noexcept {
  // The attributes of a replaced file go only now, after the user's Yes and
  // once its replacement is in place.
  for (const Entry& entry : entries_)
    if (entry.setAside) Remove(entry.aside);
  entries_.clear();
}

}  // namespace conversion
