#include "support/test_support.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>

#include "base/paths.h"
#include "dataroot/dataroot.h"

namespace testsupport {

bool IsTestDrive(wchar_t letter) {
  const std::wstring marker = base::DriveRoot(letter) + L".lugeon-test-drive";
  return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool AllDrivesAreTestDrives() {
  const DWORD drives = GetLogicalDrives();
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool all = true;
  for (int bit = 0; bit < 26 && all; ++bit) {
    if (!(drives & (1u << bit))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + bit);
    // A letter that leads nowhere (S: of the set-up) holds nothing to walk.
    if (GetFileAttributesW(base::DriveRoot(letter).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    all = IsTestDrive(letter);
  }
  SetErrorMode(oldMode);
  return all;
}

std::string WholeDriveSearchBlocked() {
  if (!AllDrivesAreTestDrives())
    return "searches every drive: runs only where all drives belong to the tests (under Wine)";
  const std::wstring found = dataroot::LocateDataRootFrom(L"S:\\none");
  if (!found.empty()) return "a data root is there already: " + ::testing::PrintToString(found);
  return {};
}

namespace {

// Before any test of the program: the scratch drives must be the set-up's,
// never a letter of the user's that happens to be free of our marker.
class TestDrivesPresent : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const wchar_t letter : {L'M', L'N', L'O', L'P', L'X'}) {
      ASSERT_TRUE(IsTestDrive(letter))
          << static_cast<char>(letter)
          << ": is not a drive of the test set-up; no test runs. Under Wine run the tests through "
             "scripts/test.sh; on Windows the set-up maps M: to P: and X: only where they are free.";
    }
  }
};

const auto* const kTestDrives = ::testing::AddGlobalTestEnvironment(new TestDrivesPresent);

}  // namespace

std::wstring ScratchFolder(wchar_t drive) {
  if (!IsTestDrive(drive))
    throw std::runtime_error(std::string(1, static_cast<char>(drive)) + ": is no test drive");
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  std::wstring folder = base::DriveRoot(drive);
  folder.append(name.begin(), name.end());
  RemoveTree(folder);
  MakeFolders(folder);
  return folder;
}

void MakeFolders(const std::wstring& path) {
  for (size_t pos = 3; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == L'\\') {
      const std::wstring level = path.substr(0, pos);
      if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create folder, error " << GetLastError();
    }
  }
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write test file, error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(written, bytes.size());
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot read test file, error " << GetLastError();
    return {};
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// Calls each with the name of every entry directly in folder but "." and "..".
template <class Each>
void ForEachEntry(const std::wstring& folder, Each each) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((folder + (folder.ends_with(L'\\') ? L"*" : L"\\*")).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") each(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// path with the long-path prefix, so that trees deeper than MAX_PATH go too.
void RemoveLongTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
    return;
  }
  ForEachEntry(path, [&](const std::wstring& name) { RemoveLongTree(path + L"\\" + name); });
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::wstring& path) { RemoveLongTree(L"\\\\?\\" + path); }

void SetHidden(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN));
}

std::vector<std::wstring> FolderContents(const std::wstring& folder) {
  std::vector<std::wstring> names;
  ForEachEntry(folder, [&](const std::wstring& name) { names.push_back(name); });
  return Sorted(std::move(names));
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

bool HaveLinkLoop() {
  const wchar_t* link = L"P:\\linkloop\\back";
  const auto isLink = [link] {
    const DWORD attributes = GetFileAttributesW(link);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  if (isLink()) return true;
  CreateDirectoryW(L"P:\\linkloop", nullptr);
  if (!CreateSymbolicLinkW(link, L"..", SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
      GetLastError() == ERROR_PRIVILEGE_NOT_HELD)
    return false;
  EXPECT_TRUE(isLink()) << "P:\\linkloop\\back must be a folder link to P:\\";
  return isLink();
}

int ScriptedPrompter::Show(const std::wstring& prompt, base::Buttons buttons,
                           base::Icon icon, const std::optional<std::wstring>& caption) {
  prompts_.push_back({prompt, buttons, icon, caption});
  if (answers_.empty()) {
    if (buttons != base::Buttons::Ok) ADD_FAILURE() << "unscripted question";
    return base::kIdOk;
  }
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace testsupport
