#include "fileutil/curdir.h"

#include <windows.h>

#include "base/error.h"
#include "base/file_calls.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/strconv.h"

namespace fileutil {
namespace {

using base::DriveLetter;

// The name of the variable in which the command processor keeps a drive's folder.
std::wstring VariableName(wchar_t letter) { return std::wstring{L'=', letter, L':'}; }

bool OnDrive(const std::wstring& folder, wchar_t letter) {
  return folder.size() >= 3 && DriveLetter(folder[0]) == letter && folder[1] == L':' &&
         folder[2] == L'\\';
}

// The folder remembered for the drive (upper-case letter) while it is a
// folder on that drive still; empty otherwise.
std::wstring Remembered(wchar_t letter) {
  const std::wstring name = VariableName(letter);
  std::wstring value(GetEnvironmentVariableW(name.c_str(), nullptr, 0), L'\0');
  const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
  value.resize(length < value.size() ? length : 0);
  value = base::WithoutClosingSeparator(value);
  const DWORD attributes = base::Files().Attributes(value.c_str());
  if (!OnDrive(value, letter) || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return {};
  return value;
}

// SetCurrentDirectoryW does not keep the per-drive folder; keep it as the
// command processor does.
void Remember(const std::wstring& folder) {
  if (folder.size() < 3 || folder[1] != L':') return;
  const wchar_t letter = DriveLetter(folder[0]);
  if (letter == 0) return;
  SetEnvironmentVariableW(VariableName(letter).c_str(), folder.c_str());
}

}  // namespace

std::wstring CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, folder.data());
  folder.resize(length < size ? length : 0);
  return base::WithoutClosingSeparator(folder);
}

bool ChangeDrive(wchar_t letter) {
  const wchar_t drive = DriveLetter(letter);
  if (drive == 0) return false;
  // The folder we leave stays the one its drive returns to.
  Remember(CurrentFolder());

  const std::wstring remembered = Remembered(drive);
  if (!remembered.empty() && base::Files().SetCurrentFolder(remembered.c_str())) return true;
  const std::wstring root = base::DriveRoot(drive);
  if (!base::Files().SetCurrentFolder(root.c_str())) return false;
  Remember(root);
  return true;
}

void ChangeFolder(const std::wstring& folder) {
  Remember(CurrentFolder());
  if (!base::Files().SetCurrentFolder(folder.c_str()))
    throw base::SystemError(base::text::kCannotChangeFolder, folder, GetLastError());
  Remember(CurrentFolder());
}

std::wstring DriveCurrentFolder(wchar_t letter) {
  const wchar_t drive = DriveLetter(letter);
  if (drive == 0) return base::DriveRoot(letter);
  const std::wstring current = CurrentFolder();
  if (OnDrive(current, drive)) return current;
  const std::wstring remembered = Remembered(drive);
  return remembered.empty() ? base::DriveRoot(drive) : remembered;
}

}  // namespace fileutil
