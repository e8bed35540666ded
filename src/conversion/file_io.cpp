#include "conversion/file_io.h"

#include <windows.h>

#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "base/scoped.h"

namespace conversion {
namespace {

std::string Read(const std::wstring& path, std::wstring_view failure, bool absentIsEmpty) {
  const base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (absentIsEmpty && error == ERROR_FILE_NOT_FOUND) return {};
    throw base::SystemError(failure, path, error);
  }
  std::string bytes;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
      throw base::SystemError(failure, path, GetLastError());
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

// Writes bytes into a file of its own and makes them durable: the error, or
// ERROR_SUCCESS.
DWORD WriteDurably(const std::wstring& path, const std::string& bytes) {
  const base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    return GetLastError();
  if (written != bytes.size()) return ERROR_DISK_FULL;
  if (!FlushFileBuffers(file.get())) return GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace

std::string ReadWholeFile(const std::wstring& path, std::wstring_view failure) {
  return Read(path, failure, false);
}

std::string ReadFileIfPresent(const std::wstring& path, std::wstring_view failure) {
  return Read(path, failure, true);
}

void ReplaceFileContent(const std::wstring& path, const std::wstring& folderPrefix,
                        const std::string& bytes, std::wstring_view failure) {
  std::vector<wchar_t> temp(MAX_PATH + 1, L'\0');
  if (!GetTempFileNameW(folderPrefix.c_str(), L"PCN", 0, temp.data()))
    throw base::SystemError(failure, path, GetLastError());
  const std::wstring tempPath = temp.data();
  DWORD error = WriteDurably(tempPath, bytes);
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    DeleteFileW(tempPath.c_str());
    throw base::SystemError(failure, path, error);
  }
}

bool PathExists(const std::wstring& path) {
  std::wstring lookup = path;
  // "X:\" stays as it is: it names the drive's root folder.
  if (lookup.size() > 3 && lookup.back() == L'\\') lookup.pop_back();
  return GetFileAttributesW(lookup.c_str()) != INVALID_FILE_ATTRIBUTES;
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

void CopyOneFile(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
    throw base::SystemError(base::text::kCannotCopy, from + L"\n→ " + to, GetLastError());
}

}  // namespace conversion
