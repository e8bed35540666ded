#include "fileutil/testnumbers.h"

#include <windows.h>

#include "base/error.h"
#include "base/limits.h"
#include "base/strconv.h"
#include "fileutil/listing.h"
#include "textutil/bytewise.h"

namespace fileutil {
namespace {

bool HasData(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
}

// The index stores test numbers as Shift-JIS, comma-separated text: a name
// that cannot be written there faithfully would come back as another test
// ("?" is a wildcard) or break the record. An empty one would make the
// test's files ".*", every file of the folder.
bool IsWritableTestNumber(const std::wstring& testNumber) {
  return !testNumber.empty() && testNumber.find_first_of(L",\"") == std::wstring::npos &&
         base::IsSjisRepresentable(testNumber);
}

}  // namespace

std::vector<std::wstring> ListTestNumbers(const std::wstring& folder) {
  const std::wstring prefix = FolderPrefix(folder);
  std::vector<std::wstring> tests;
  for (const std::wstring& name : ListDirEntries(prefix + L"*.HED")) {
    const std::int16_t dot = textutil::AnsiInStrB(name, L".");
    if (dot < 1) continue;
    // Checked on the name itself: once cut from the Shift-JIS form, a
    // character outside code page 932 has already become "?".
    if (!IsWritableTestNumber(name.substr(0, name.find(L'.')))) continue;
    const std::wstring testNumber = textutil::AnsiMidB(name, 1, dot - 1);
    if (!HasData(prefix + testNumber + L".GRA")) continue;
    if (tests.size() == static_cast<std::size_t>(base::kMax16))
      throw base::ProgramFault(base::AppError::Kind::Overflow, L"ListTestNumbers: 試験番号の数");
    tests.push_back(testNumber);
  }
  return tests;
}

}  // namespace fileutil
