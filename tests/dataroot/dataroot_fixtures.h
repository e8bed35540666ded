#pragma once
// Data roots on the test drives, and their removal however a test ends: no
// PATDAT may stay behind, or every later drive walk would find it.
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

// The long-path prefix lifts the MAX_PATH limit, for trees made deeper on purpose.
inline std::wstring LongPath(const std::wstring& path) { return L"\\\\?\\" + path; }

// Removes the path it was given when it goes out of scope.
class RemoveAtEnd {
 public:
  explicit RemoveAtEnd(std::wstring path) : path_(std::move(path)) {}
  RemoveAtEnd(const RemoveAtEnd&) = delete;
  RemoveAtEnd& operator=(const RemoveAtEnd&) = delete;
  ~RemoveAtEnd() {
    testsupport::RemoveTree(path_);
    EXPECT_FALSE(testsupport::Exists(path_)) << "left behind";
  }

 private:
  std::wstring path_;
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

// The data roots the walk of the tree below folder finds (the candidates are
// folder\...\PATDAT), as folder\...\PATDAT\.
inline std::vector<std::wstring> WalkBelow(const std::wstring& folder) {
  std::vector<std::wstring> hits;
  dataroot::SearchFolderTree(folder + L"\\PATDAT", kMarker, hits);
  return hits;
}

}  // namespace datafixture
