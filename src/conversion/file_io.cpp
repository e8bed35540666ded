#include "conversion/file_io.h"

#include <windows.h>

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/scoped.h"

namespace conversion {
namespace {

// Everything a program that has the file open may be doing to it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Another program (a virus scanner, an indexer) may hold a fresh file for a moment.
bool IsPassingHold(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

std::string ReadAll(HANDLE file, const std::wstring& path, std::wstring_view failure) {
  std::string bytes;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) throw base::SystemError(failure, path, GetLastError());
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

}  // namespace

std::string ReadWholeFile(const std::wstring& path, std::wstring_view failure, const std::wstring& shown) {
  // Others may have it open, even for writing: reading must not stop them or fail for it.
  const base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) throw base::SystemError(failure, shown, GetLastError());
  return ReadAll(file.get(), shown, failure);
}

std::string ReadToReplace(const std::wstring& path, std::wstring_view failure, FileUse& use) {
  // Windows refuses to replace a read-only file; Wine run as root does not.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  use = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? FileUse::ReadOnly
                                                                                       : FileUse::Free;
  if (use != FileUse::Free) return {};
  // Opened with what the replace will need: a program that holds the file
  // without letting others delete it (a spreadsheet shows a file so) refuses
  // it, and so would it refuse the rename. Reading it is no harm to anyone.
  const base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};
    if (error != ERROR_SHARING_VIOLATION) throw base::SystemError(failure, path, error);
    use = FileUse::InUse;
    return {};
  }
  return ReadAll(file.get(), path, failure);
}

void WriteDurably(const std::wstring& path, const std::string& bytes, std::wstring_view failure) {
  const base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw base::SystemError(failure, path, GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    throw base::SystemError(failure, path, GetLastError());
  if (written != bytes.size()) throw base::SystemError(failure, path, ERROR_DISK_FULL);
  if (!FlushFileBuffers(file.get())) throw base::SystemError(failure, path, GetLastError());
}

void FlushToDisk(const std::wstring& path, std::wstring_view failure) {
  const base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid() || !FlushFileBuffers(file.get())) throw base::SystemError(failure, path, GetLastError());
}

void RenameFile(const std::wstring& from, const std::wstring& to, bool replace, std::wstring_view failure,
                const std::wstring& reported) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return;
    const DWORD error = GetLastError();
    if (!IsPassingHold(error) || attempt == kReplaceAttempts) throw base::SystemError(failure, reported, error);
    Sleep(kReplacePauseMs);
  }
}

void ReplaceFileContent(const std::wstring& path, const std::string& bytes, std::wstring_view failure) {
  const std::wstring tempPath = path + kTempSuffix;
  try {
    WriteDurably(tempPath, bytes, failure);
    RenameFile(tempPath, path, true, failure, path);
  } catch (...) {
    DeleteFileW(tempPath.c_str());
    throw;
  }
}

bool HeldByAnother(const std::wstring& path) {
  const base::ScopedFile file(CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  return !file.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::optional<DiskRoom> RoomOnDisk(const std::wstring& folderPrefix) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folderPrefix.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  DiskRoom room{available.QuadPart, 4096};
  wchar_t volume[MAX_PATH] = {};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetVolumePathNameW(folderPrefix.c_str(), volume, MAX_PATH) &&
      GetDiskFreeSpaceW(volume, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
      sectorsPerCluster * bytesPerSector > 0)
    room.cluster = std::uint64_t{sectorsPerCluster} * bytesPerSector;
  return room;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(base::WithoutClosingSeparator(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CreateFolder(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  // Made meanwhile by someone else: the folder is there, which is all we need.
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return;
  throw base::SystemError(base::text::kCannotCreateFolder, path, error);
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress,
                 const std::wstring& shownTo) {
  const LPPROGRESS_ROUTINE routine = [](LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                        DWORD, HANDLE, HANDLE, LPVOID data) -> DWORD {
    const auto& report = *static_cast<const CopyProgress*>(data);
    return report(static_cast<std::uint64_t>(copied.QuadPart)) ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
  };
  if (CopyFileExW(from.c_str(), to.c_str(), progress ? routine : nullptr, const_cast<CopyProgress*>(&progress),
                  nullptr, COPY_FILE_FAIL_IF_EXISTS))
    return true;
  const DWORD error = GetLastError();
  if (error == ERROR_REQUEST_ABORTED) return false;
  throw base::SystemError(base::text::kCannotCopy, from + L"\n→ " + shownTo, error);
}

}  // namespace conversion
