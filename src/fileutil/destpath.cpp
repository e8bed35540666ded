#include "fileutil/destpath.h"

#include "base/messages.h"
#include "base/paths.h"
#include "fileutil/curdir.h"
#include "fileutil/listing.h"
#include "textutil/bytewise.h"

namespace fileutil {
bool ValidateDestPath(std::wstring& path, base::Prompter& prompter, const std::function<bool(wchar_t)>& changeDrive) {
  path = TrimSpaces(path);

  // On the second byte: a path that starts with a double-byte character, or
  // that is shorter than two bytes, fails here.
  if (textutil::AnsiMidB(path, 2, 1) != L":") {
    prompter.Show(base::text::kDriveName, base::Buttons::Ok, base::Icon::Information);
    return false;
  }

  if (path.find_first_of(L"*?") != std::wstring::npos) return false;

  if (path.size() > 2 && path[2] != L'\\') path.insert(2, 1, L'\\');

  if (!changeDrive(path[0])) return false;

  path = base::FolderPrefix(path);

  if (path.size() == 3) return true;

  // An empty folder name.
  if (path.find(L"\\\\") != std::wstring::npos) return false;

  return true;
}

}  // namespace fileutil
