#include "fileutil/listing.h"

#include <windows.h>

#include "base/file_calls.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "extlib/findfile.h"

namespace fileutil {

std::wstring TrimSpaces(const std::wstring& text) {
  const std::size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::vector<std::wstring> ListDirEntries(const std::wstring& spec) {
  std::vector<std::wstring> names;
  for (FileEntry& file : ListFiles(spec)) names.push_back(std::move(file.name));
  return names;
}

std::vector<FileEntry> ListFiles(const std::wstring& spec) {
  // The same rule as the library's count, so that both agree on every entry.
  const std::wstring_view pattern = extlib::SpecPattern(spec);
  std::vector<FileEntry> files;
  WIN32_FIND_DATAW entry;
  const base::ScopedFind find(extlib::FindFirst(spec, entry));
  if (!find.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES)
      return files;
    throw base::SystemError(base::text::kCannotListFolder, spec, error);
  }
  for (;;) {
    if (extlib::IsListedFile(entry, pattern))
      files.push_back({TrimSpaces(entry.cFileName),
                       (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow});
    if (!base::Files().FindNext(find.get(), &entry)) {
      const DWORD error = GetLastError();
      if (error == ERROR_NO_MORE_FILES) break;
      throw base::SystemError(base::text::kCannotListFolder, spec, error);
    }
  }
  return files;
}

}  // namespace fileutil
