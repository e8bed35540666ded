#include "conversion/file_io.h"

#include <windows.h>

#include "base/error.h"
#include "base/file_calls.h"
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
  const base::ScopedFile file(base::Files().Create(path.c_str(), GENERIC_READ, kShareAll, OPEN_EXISTING, 0));
  if (!file.valid()) throw base::SystemError(failure, shown, GetLastError());
  return ReadAll(file.get(), shown, failure);
}

std::string ReadToReplace(const std::wstring& path, std::wstring_view failure, FileUse& use) {
  // Windows refuses to replace a read-only file; Wine run as root does not.
  const DWORD attributes = base::Files().Attributes(path.c_str());
  use = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? FileUse::ReadOnly
                                                                                       : FileUse::Free;
  if (use != FileUse::Free) return {};
  // Opened with what the replace will need: a program that holds the file
  // without letting others delete it (a spreadsheet shows a file so) refuses
  // it, and so would it refuse the rename. Reading it is no harm to anyone.
  const base::ScopedFile file(base::Files().Create(path.c_str(), GENERIC_READ | DELETE, kShareAll, OPEN_EXISTING, 0));
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
  base::ScopedFile file(base::Files().Create(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  if (!file.valid()) throw base::SystemError(failure, path, GetLastError());
  DWORD written = 0;
  DWORD error = ERROR_SUCCESS;
  if (!base::Files().Write(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written))
    error = GetLastError();
  else if (written != bytes.size())
    error = ERROR_DISK_FULL;
  else if (!base::Files().Flush(file.get()))
    error = GetLastError();
  if (error == ERROR_SUCCESS) return;
  file.reset();
  RemoveFile(path);
  throw base::SystemError(failure, path, error);
}

void FlushToDisk(const std::wstring& path, std::wstring_view failure) {
  const base::ScopedFile file(base::Files().Create(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, 0));
  if (!file.valid() || !base::Files().Flush(file.get())) throw base::SystemError(failure, path, GetLastError());
}

void FlushFolder(const std::wstring& folderPrefix) noexcept {
  // A folder's entries go to the disk with it; NTFS journals them anyway,
  // FAT32 and exFAT only so. A share or a file system that refuses it
  // leaves it to the server's own journal.
  const std::wstring folder = base::WithoutClosingSeparator(folderPrefix);
  const base::ScopedFile handle(base::Files().Create(folder.c_str(), GENERIC_WRITE, kShareAll, OPEN_EXISTING,
                                                     FILE_FLAG_BACKUP_SEMANTICS));
  if (handle.valid()) base::Files().Flush(handle.get());
}

void RenameFile(const std::wstring& from, const std::wstring& to, bool replace, std::wstring_view failure,
                const std::wstring& reported) {
  // No MOVEFILE_WRITE_THROUGH: it makes durable only a move done by copying.
  const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
  for (int attempt = 1;; ++attempt) {
    if (base::Files().Move(from.c_str(), to.c_str(), flags)) return;
    const DWORD error = GetLastError();
    if (!IsPassingHold(error) || attempt == kReplaceAttempts) throw base::SystemError(failure, reported, error);
    Sleep(kReplacePauseMs);
  }
}

bool RemoveFile(const std::wstring& path) noexcept {
  const DWORD attributes = base::Files().Attributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0)
    base::Files().SetAttributes(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return base::Files().Delete(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::optional<FileStamp> StampOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!base::Files().AttributesEx(path.c_str(), &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                   (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

bool HeldByAnother(const std::wstring& path) {
  const base::ScopedFile file(base::Files().Create(path.c_str(), DELETE, kShareAll, OPEN_EXISTING, 0));
  return !file.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::optional<DiskRoom> RoomOnDisk(const std::wstring& folderPrefix) {
  DiskRoom room{0, 0};
  if (!base::Files().Room(folderPrefix.c_str(), &room.available, &room.cluster)) return std::nullopt;
  if (room.cluster == 0) room.cluster = 4096;
  return room;
}

bool PathExists(const std::wstring& path) {
  return base::Files().Attributes(base::WithoutClosingSeparator(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CreateFolder(const std::wstring& path) {
  if (base::Files().CreateFolder(path.c_str())) return;
  const DWORD error = GetLastError();
  const DWORD attributes = base::Files().Attributes(path.c_str());
  // Made meanwhile by someone else: the folder is there, which is all we need.
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return;
  throw base::SystemError(base::text::kCannotCreateFolder, path, error);
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress,
                 const std::wstring& shownTo) {
  struct Report {
    const CopyProgress& progress;
    bool stopped = false;
  } report{progress};
  const LPPROGRESS_ROUTINE routine = [](LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                        DWORD, HANDLE, HANDLE, LPVOID data) -> DWORD {
    auto& report = *static_cast<Report*>(data);
    report.stopped = !report.progress(static_cast<std::uint64_t>(copied.QuadPart));
    return report.stopped ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
  };
  if (base::Files().Copy(from.c_str(), to.c_str(), progress ? routine : nullptr, &report, COPY_FILE_FAIL_IF_EXISTS))
    return true;
  const DWORD error = GetLastError();
  // Ended unfinished without our stop (a server, a filter driver): a failure.
  if (error == ERROR_REQUEST_ABORTED && report.stopped) return false;
  throw base::SystemError(base::text::kCannotCopy, from + L"\n→ " + shownTo, error);
}

}  // namespace conversion
