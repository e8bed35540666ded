#include "app/folderlist.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "fileutil/curdir.h"
#include "textutil/error.h"

namespace app {
namespace {

constexpr wchar_t kOpenFailed[] = L"フォルダを開けません。";
constexpr wchar_t kTitle[] = L"QX RIDAZ -> Vo 変換プログラム";
constexpr wchar_t kSelfProperty[] = L"LugeonTransfer.FolderList";

// No "insert a disk" box from an empty removable drive while we look at it.
class QuietDriveErrors {
 public:
  QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  DWORD old_ = 0;
};

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t Lower(wchar_t letter) {
  return (letter >= L'A' && letter <= L'Z') ? static_cast<wchar_t>(letter - L'A' + L'a') : letter;
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
  return folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) throw textutil::SystemError(kOpenFailed, path, GetLastError());
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) throw textutil::SystemError(kOpenFailed, path, GetLastError());
  full.resize(got);
  return full;
}

// The folder as this list names it: lower-case letter, every level spelled as
// on disk (so "M:\LUGEON\" and "m:\lugeon" are the same path), no closing "\"
// below the root. Each level must exist and be a folder.
std::wstring Resolve(const std::wstring& given) {
  if (given.empty()) throw textutil::SystemError(kOpenFailed, given, ERROR_INVALID_NAME);
  const bool drive_only = given.size() == 2 && given[1] == L':' && IsAsciiLetter(given[0]);
  const std::wstring wanted = drive_only ? fileutil::DriveCurrentFolder(given[0]) : given;
  const std::wstring full = FullPath(wanted);
  if (full.size() < 3 || !IsAsciiLetter(full[0]) || full[1] != L':' || full[2] != L'\\')
    throw textutil::SystemError(kOpenFailed, wanted, ERROR_BAD_PATHNAME);

  std::wstring resolved{Lower(full[0]), L':', L'\\'};
  if (GetFileAttributesW(resolved.c_str()) == INVALID_FILE_ATTRIBUTES)
    throw textutil::SystemError(kOpenFailed, wanted, GetLastError());
  size_t start = 3;
  while (start < full.size()) {
    size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    const std::wstring name = full.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (name.find_first_of(L"*?") != std::wstring::npos)
      throw textutil::SystemError(kOpenFailed, wanted, ERROR_INVALID_NAME);
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(Child(resolved, name).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) throw textutil::SystemError(kOpenFailed, wanted, GetLastError());
    FindClose(find);
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      throw textutil::SystemError(kOpenFailed, wanted, ERROR_DIRECTORY);
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
  FindHandle find(FindFirstFileExW(Child(folder, L"*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchLimitToDirectories, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return names;  // an empty drive root
    throw textutil::SystemError(kOpenFailed, folder, error);
  }
  constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & kSkipped) &&
        name != L"." && name != L"..")
      names.push_back(name);
  } while (FindNextFileW(find.get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw textutil::SystemError(kOpenFailed, folder, error);
  std::sort(names.begin(), names.end(), NameBefore);
  return names;
}

std::wstring Indent(size_t level) { return std::wstring(level * 2, L' '); }

std::wstring FromUtf8(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

}  // namespace

FolderList::~FolderList() { Detach(); }

void FolderList::Attach(HWND listbox) {
  Detach();
  listbox_ = listbox;
  SetPropW(listbox_, kSelfProperty, this);
  base_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(listbox_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FolderList::SubclassProc)));

  QuietDriveErrors quiet;
  const std::wstring start = Resolve(fileutil::CurrentFolder());
  const std::vector<std::wstring> folders = SubFolders(start);
  path_ = start;
  Show(folders);
}

void FolderList::SetPath(const std::wstring& path) {
  std::vector<std::wstring> folders;
  std::wstring target;
  {
    QuietDriveErrors quiet;
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
  std::wstring failure;
  try {
    OpenSelected();
    return;
  } catch (const textutil::AppError& error) {
    failure = error.message();
  } catch (const std::exception& error) {
    failure = FromUtf8(error.what());
  }
  if (prompter_ != nullptr) {
    prompter_->Show(failure, fileutil::Buttons::Ok, fileutil::Icon::Warning);
  } else {
    MessageBoxW(GetAncestor(listbox_, GA_ROOT), failure.c_str(), kTitle, MB_OK | MB_ICONWARNING);
  }
}

LRESULT CALLBACK FolderList::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<FolderList*>(GetPropW(hwnd, kSelfProperty));
  if (self == nullptr || self->base_proc_ == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->OnMessage(message, wparam, lparam);
}

LRESULT FolderList::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Without this a dialog-style owner turns Return into its default button.
      LRESULT code = CallWindowProcW(base_proc_, listbox_, message, wparam, lparam);
      const auto* msg = reinterpret_cast<const MSG*>(lparam);
      if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        OpenSelectedReporting();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wparam == L'\r') return 0;  // the Return already opened the entry
      break;
    case WM_NCDESTROY: {
      const WNDPROC base = base_proc_;
      const HWND hwnd = listbox_;
      Detach();
      return CallWindowProcW(base, hwnd, message, wparam, lparam);
    }
    default:
      break;
  }
  return CallWindowProcW(base_proc_, listbox_, message, wparam, lparam);
}

void FolderList::Detach() {
  if (listbox_ == nullptr) return;
  if (IsWindow(listbox_)) {
    if (GetWindowLongPtrW(listbox_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&FolderList::SubclassProc))
      SetWindowLongPtrW(listbox_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base_proc_));
    RemovePropW(listbox_, kSelfProperty);
  }
  listbox_ = nullptr;
  base_proc_ = nullptr;
}

}  // namespace app
