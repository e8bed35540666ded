#pragma once
// Data roots on the test drives, and their removal however a test ends: no
// PATDAT may stay behind, or every later drive walk would find it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "dataroot/dataroot.h"
#include "support/test_support.h"

namespace datafixture {

inline constexpr wchar_t kMarker[] = L"\\kishitu.txt";

// folder\PATDAT\kishitu.txt holding content (made with every missing level).
inline void PlaceRoot(const std::wstring& folder, std::string_view content = "1") {
  testsupport::MakeFolders(folder + L"\\PATDAT");
  testsupport::WriteBytes(folder + L"\\PATDAT\\kishitu.txt", content);
}

// Removes a tree of any depth: the long-path prefix lifts the MAX_PATH limit.
inline void RemoveLongTree(const std::wstring& longPath) {
  const DWORD attributes = GetFileAttributesW(longPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(longPath.c_str())) RemoveDirectoryW(longPath.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((longPath + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") RemoveLongTree(longPath + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(longPath.c_str());
}

inline std::wstring LongPath(const std::wstring& path) { return L"\\\\?\\" + path; }

// Removes the paths it was given when it goes out of scope.
class RemoveAtEnd {
 public:
  RemoveAtEnd() = default;
  explicit RemoveAtEnd(std::wstring path) { Add(std::move(path)); }
  RemoveAtEnd(const RemoveAtEnd&) = delete;
  RemoveAtEnd& operator=(const RemoveAtEnd&) = delete;
  ~RemoveAtEnd() {
    for (const std::wstring& path : paths_) {
      RemoveLongTree(LongPath(path));
      EXPECT_FALSE(testsupport::Exists(path)) << "left behind";
    }
  }
  void Add(std::wstring path) { paths_.push_back(std::move(path)); }

 private:
  std::vector<std::wstring> paths_;
};

// A scratch folder for the running test that is removed when the test ends.
class Scratch {
 public:
  explicit Scratch(wchar_t drive = L'M') : path_(testsupport::ScratchFolder(drive)), end_(path_) {}
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  RemoveAtEnd end_;
};

struct WalkResult {
  std::int16_t count = 0;
  std::vector<std::wstring> hits = std::vector<std::wstring>(base::kHitCapacity + 1);
};

// The walk of the tree below folder (the candidates are folder\...\PATDAT).
inline WalkResult WalkBelow(const std::wstring& folder) {
  WalkResult result;
  dataroot::SearchFolderTree(folder + L"\\PATDAT", result.count, result.hits, kMarker);
  return result;
}

// The hits of a walk, slots 1..count.
inline std::vector<std::wstring> Hits(const WalkResult& result) {
  return std::vector<std::wstring>(result.hits.begin() + 1, result.hits.begin() + 1 + result.count);
}

}  // namespace datafixture
