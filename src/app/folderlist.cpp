#include "app/folderlist.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <exception>

#include "fileutil/curdir.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "base/strconv.h"

namespace app {
namespace {

constexpr const wchar_t* kOpenFailed = base::text::kCannotOpenFolder;

std::wstring Child(const std::wstring& folder, const std::wstring& name) { return base::FolderPrefix(folder) + name; }

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) throw base::SystemError(kOpenFailed, path, GetLastError());
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) throw base::SystemError(kOpenFailed, path, GetLastError());
  full.resize(got);
  return full;
}

// The folder as this list names it: lower-case letter, every level spelled as
// on disk (so "M:\LUGEON\" and "m:\lugeon" are the same path), no closing "\"
// below the root. Each level must exist and be a folder.
std::wstring Resolve(const std::wstring& given) {
  if (given.empty()) throw base::SystemError(kOpenFailed, given, ERROR_INVALID_NAME);
  const bool drive_only = given.size() == 2 && given[1] == L':' && base::DriveLetter(given[0]) != 0;
  const std::wstring wanted = drive_only ? fileutil::DriveCurrentFolder(given[0]) : given;
  const std::wstring full = FullPath(wanted);
  if (full.size() < 3 || base::DriveLetter(full[0]) == 0 || full[1] != L':' || full[2] != L'\\')
    throw base::SystemError(kOpenFailed, wanted, ERROR_BAD_PATHNAME);

  std::wstring resolved = base::DriveRoot(base::AsciiLower(full[0]));
  if (GetFileAttributesW(resolved.c_str()) == INVALID_FILE_ATTRIBUTES)
    throw base::SystemError(kOpenFailed, wanted, GetLastError());
  size_t start = 3;
  while (start < full.size()) {
    size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    const std::wstring name = full.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (name.find_first_of(L"*?") != std::wstring::npos)
      throw base::SystemError(kOpenFailed, wanted, ERROR_INVALID_NAME);
    WIN32_FIND_DATAW data;
    if (!base::ScopedFind(FindFirstFileW(Child(resolved, name).c_str(), &data)).valid())
      throw base::SystemError(kOpenFailed, wanted, GetLastError());
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      throw base::SystemError(kOpenFailed, wanted, ERROR_DIRECTORY);
    resolved = Child(resolved, data.cFileName);
  }
  return resolved;
}

bool NameBefore(const std::wstring& a, const std::wstring& b) {
  const int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                                   b.c_str(), static_cast<int>(b.size()));
  if (order == CSTR_EQUAL) return a < b;  // names that differ only in case, on a case-sensitive disk
  return order == CSTR_LESS_THAN;
}

std::vector<std::wstring> SubFolders(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const base::ScopedFind find(FindFirstFileExW(Child(folder, L"*").c_str(), FindExInfoBasic, &data,
                                               FindExSearchLimitToDirectories, nullptr, 0));
  if (!find.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return names;  // an empty drive root
    throw base::SystemError(kOpenFailed, folder, error);
  }
  constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & kSkipped) &&
        name != L"." && name != L"..")
      names.push_back(name);
  } while (FindNextFileW(find.get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw base::SystemError(kOpenFailed, folder, error);
  std::sort(names.begin(), names.end(), NameBefore);
  return names;
}

std::wstring Indent(size_t level) { return std::wstring(level * 2, L' '); }

}  // namespace

FolderList::~FolderList() { Detach(); }

void FolderList::Attach(HWND listbox) {
  Detach();
  listbox_ = listbox;
  SetWindowSubclass(listbox_, &FolderList::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));

  base::QuietDriveErrors quiet;
  const std::wstring start = Resolve(fileutil::CurrentFolder());
  const std::vector<std::wstring> folders = SubFolders(start);
  path_ = start;
  Show(folders);
}

void FolderList::SetPath(const std::wstring& path) {
  std::vector<std::wstring> folders;
  std::wstring target;
  {
    base::QuietDriveErrors quiet;
    target = Resolve(path);
    if (target == path_) return;
    folders = SubFolders(target);
  }
  path_ = target;
  Show(folders);
  if (onChange) onChange();
}

void FolderList::OpenSelected() {
  if (listbox_ == nullptr) return;
  const int index = ListBox_GetCurSel(listbox_);
  if (index < 0 || static_cast<size_t>(index) >= entry_paths_.size()) return;
  const std::wstring target = entry_paths_[static_cast<size_t>(index)];
  SetPath(target);
}

void FolderList::Show(const std::vector<std::wstring>& folders) {
  std::vector<std::wstring> texts;
  entry_paths_.clear();
  std::wstring level = path_.substr(0, 3);
  texts.push_back(level);
  entry_paths_.push_back(level);
  size_t depth = 0;
  for (size_t start = 3; start < path_.size();) {
    size_t end = path_.find(L'\\', start);
    if (end == std::wstring::npos) end = path_.size();
    const std::wstring name = path_.substr(start, end - start);
    start = end + 1;
    level = Child(level, name);
    ++depth;
    texts.push_back(Indent(depth) + name);
    entry_paths_.push_back(level);
  }
  const int open_index = static_cast<int>(texts.size()) - 1;
  for (const std::wstring& name : folders) {
    texts.push_back(Indent(depth + 1) + name);
    entry_paths_.push_back(Child(path_, name));
  }

  SetWindowRedraw(listbox_, FALSE);
  ListBox_ResetContent(listbox_);
  // Insert, not add: an LBS_SORT style must not reorder the chain.
  for (const std::wstring& text : texts) ListBox_InsertString(listbox_, -1, text.c_str());
  ListBox_SetCurSel(listbox_, open_index);
  SetWindowRedraw(listbox_, TRUE);
  InvalidateRect(listbox_, nullptr, TRUE);
}

void FolderList::OpenSelectedReporting() {
  try {
    OpenSelected();
  } catch (...) {
    base::ShowFailure(prompter_, std::current_exception());
  }
}

LRESULT CALLBACK FolderList::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                          DWORD_PTR selfData) {
  auto* self = reinterpret_cast<FolderList*>(selfData);
  switch (message) {
    case WM_GETDLGCODE: {
      // Without this a dialog-style owner turns Return into its default button.
      LRESULT code = DefSubclassProc(hwnd, message, wparam, lparam);
      const auto* msg = reinterpret_cast<const MSG*>(lparam);
      if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      if (wparam != VK_RETURN) break;
      self->OpenSelectedReporting();
      return 0;
    case WM_CHAR:
      if (wparam == L'\r') return 0;  // the Return already opened the entry
      break;
    case WM_NCDESTROY:
      self->Detach();
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void FolderList::Detach() {
  if (listbox_ != nullptr) RemoveWindowSubclass(listbox_, &FolderList::SubclassProc, 0);
  listbox_ = nullptr;
}

}  // namespace app
