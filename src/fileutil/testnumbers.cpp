#include "fileutil/testnumbers.h"

#include <windows.h>

#include <algorithm>

#include "base/error.h"
#include "base/limits.h"
#include "base/paths.h"
#include "base/file_calls.h"
#include "base/strconv.h"
#include "fileutil/listing.h"
#include "textutil/bytewise.h"

namespace fileutil {
namespace {

bool HasData(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!base::Files().AttributesEx(path.c_str(), &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
}

}  // namespace

std::optional<std::wstring> TestNumberOf(const std::wstring& fileName) {
  const std::int16_t dot = textutil::AnsiInStrB(fileName, L".");
  if (dot < 1) return std::nullopt;
  return textutil::AnsiMidB(fileName, 1, dot - 1);
}

std::vector<std::wstring> TestsInFolder(const std::wstring& folderPrefix) {
  std::vector<std::wstring> tests;
  for (const std::wstring& name : ListDirEntries(folderPrefix + L"*.GRA"))
    if (std::optional<std::wstring> t = TestNumberOf(name)) tests.push_back(*std::move(t));
  return tests;
}

bool HoldsTest(const std::vector<std::wstring>& tests, const std::wstring& t) {
  return std::any_of(tests.begin(), tests.end(), [&t](const std::wstring& name) { return base::SameFileName(name, t); });
}

bool IsIndexableTestNumber(const std::wstring& testNumber) {
  return !testNumber.empty() && testNumber.find_first_of(L",\"") == std::wstring::npos &&
         std::none_of(testNumber.begin(), testNumber.end(), [](wchar_t c) { return c < L' '; }) &&
         base::IsSjisRepresentable(testNumber);
}

std::vector<std::wstring> ListTestNumbers(const std::wstring& folder) {
  const std::wstring prefix = base::FolderPrefix(folder);
  std::vector<std::wstring> tests;
  for (const std::wstring& name : ListDirEntries(prefix + L"*.HED")) {
    const std::optional<std::wstring> testNumber = TestNumberOf(name);
    // Checked on the name itself: once cut from the Shift-JIS form, a
    // character outside code page 932 has already become "?".
    if (!testNumber || !IsIndexableTestNumber(name.substr(0, name.find(L'.')))) continue;
    if (!HasData(prefix + *testNumber + L".GRA")) continue;
    if (tests.size() == static_cast<std::size_t>(base::kMax16))
      throw base::ProgramFault(base::AppError::Kind::Overflow, L"ListTestNumbers: 試験番号の数");
    tests.push_back(*testNumber);
  }
  return tests;
}

}  // namespace fileutil
