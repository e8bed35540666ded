#include "fileutil/listing.h"

#include <windows.h>

#include "base/error.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "extlib/findfile.h"

namespace fileutil {
namespace {

bool IsTrimmed(wchar_t c) { return c == L' ' || c == L'\u3000'; }

}  // namespace

std::wstring TrimSpaces(const std::wstring& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsTrimmed(text[first])) ++first;
  while (last > first && IsTrimmed(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::int32_t ListDirEntries(std::vector<std::wstring>& names) {
  if (names.empty())
    throw base::AppError(base::AppError::Kind::OutOfRange,
                         base::text::kOutOfRange + std::wstring(L"\nListDirEntries: 要素 0"));
  const std::wstring pattern = names[0];
  // The same rule as the library's count, so that both agree on every entry.
  const std::wstring_view namePattern = extlib::SpecPattern(pattern);

  WIN32_FIND_DATAW entry;
  const base::ScopedFind find(FindFirstFileW(pattern.c_str(), &entry));
  if (!find.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES)
      return 0;
    throw base::SystemError(base::text::kCannotListFolder, pattern, error);
  }

  std::int32_t stored = 0;
  for (;;) {
    if (extlib::IsListedFile(entry, namePattern)) {
      const std::size_t index = static_cast<std::size_t>(stored) + 1;
      if (index >= names.size()) names.resize(index + 1);
      names[index] = TrimSpaces(entry.cFileName);
      ++stored;
    }
    if (!FindNextFileW(find.get(), &entry)) {
      const DWORD error = GetLastError();
      if (error == ERROR_NO_MORE_FILES) break;
      throw base::SystemError(base::text::kCannotListFolder, pattern, error);
    }
  }
  return stored;
}

std::wstring FolderPrefix(const std::wstring& folder) {
  if (folder.empty() || folder.back() != L'\\') return folder + L"\\";
  return folder;
}

}  // namespace fileutil
