// SearchFolderTree on trees below scratch folders, and StripLastComponent.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dataroot/dataroot.h"
#include "base/limits.h"
#include "dataroot_fixtures.h"
#include "support/test_support.h"

using datafixture::PlaceRoot;
using datafixture::Scratch;
using datafixture::WalkBelow;
using dataroot::StripLastComponent;
using testsupport::MakeFolders;
using testsupport::WriteBytes;

namespace {

using Paths = std::vector<std::wstring>;

// Every walk below a scratch folder of its own.
class SearchFolderTree : public ::testing::Test {
 protected:
  Scratch scratch;
  const std::wstring& base = scratch.path();
};

// A file holding "1", made with every missing folder above it.
void Put(const std::wstring& file) {
  MakeFolders(file.substr(0, file.rfind(L'\\')));
  WriteBytes(file, "1");
}

}  // namespace

// ---------------------------------------------------------------- StripLastComponent

TEST(StripLastComponent, KeepsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(StripLastComponent(L"C:\\PATDAT"), L"C:\\");
  EXPECT_EQ(StripLastComponent(L"C:\\A\\B\\PATDAT"), L"C:\\A\\B\\");
  EXPECT_EQ(StripLastComponent(L"C:"), L"C:");
  EXPECT_EQ(StripLastComponent(L"C:PATDAT"), L"C:");
  EXPECT_EQ(StripLastComponent(L"PATDAT"), L"");
  EXPECT_EQ(StripLastComponent(L""), L"");
  EXPECT_EQ(StripLastComponent(L"C:\\A\\"), L"C:\\A\\");
}

TEST(StripLastComponent, JapaneseCharactersAreNeverSeparators) {
  // 表 ソ 能 end in the byte of "\" in Shift-JIS; the scan is by characters.
  EXPECT_EQ(StripLastComponent(L"M:\\データ\\表"), L"M:\\データ\\");
  EXPECT_EQ(StripLastComponent(L"M:\\A\\B表"), L"M:\\A\\");
  EXPECT_EQ(StripLastComponent(L"M:\\ソ\\能\\PATDAT"), L"M:\\ソ\\能\\");
  EXPECT_EQ(StripLastComponent(L"表ソ能"), L"");
}

// ---------------------------------------------------------------- SearchFolderTree

TEST_F(SearchFolderTree, FindsEveryRootInWalkOrder) {
  // A folder comes before its sub-folders, sub-folders in listing order (A
  // before B), and a PATDAT is walked like any folder (nested roots count).
  PlaceRoot(base + L"\\B");
  PlaceRoot(base + L"\\A\\X");
  PlaceRoot(base);
  PlaceRoot(base + L"\\PATDAT");
  EXPECT_EQ(WalkBelow(base), (Paths{
                                 base + L"\\PATDAT\\",
                                 base + L"\\A\\X\\PATDAT\\",
                                 base + L"\\B\\PATDAT\\",
                                 base + L"\\PATDAT\\PATDAT\\",
                             }));
}

TEST_F(SearchFolderTree, EmptyMarkerIsNoMarker) {
  PlaceRoot(base + L"\\A", "");
  PlaceRoot(base + L"\\B\\C", "");
  EXPECT_EQ(WalkBelow(base).size(), 0u);
  PlaceRoot(base + L"\\B\\C", " ");
  EXPECT_EQ(WalkBelow(base), Paths{base + L"\\B\\C\\PATDAT\\"});
}

TEST_F(SearchFolderTree, MarkerCountsOnlyDirectlyInAFolderNamedPatdat) {
  Put(base + L"\\A\\kishitu.txt");
  Put(base + L"\\PATDAT\\sub\\kishitu.txt");
  Put(base + L"\\B\\PATDATX\\kishitu.txt");
  Put(base + L"\\C\\PATDAT\\kishitu.txt.bak");
  EXPECT_EQ(WalkBelow(base).size(), 0u);
}

TEST_F(SearchFolderTree, MarkerThatIsAFolderIsNoMarker) {
  // Only the folder: PATDAT holds no file at all.
  Put(base + L"\\A\\PATDAT\\kishitu.txt\\inside.txt");
  // With another file beside it, so the marker test itself decides.
  MakeFolders(base + L"\\B\\PATDAT\\kishitu.txt");
  Put(base + L"\\B\\PATDAT\\other.txt");
  EXPECT_EQ(WalkBelow(base).size(), 0u);
}

TEST_F(SearchFolderTree, JapaneseFolderNames) {
  PlaceRoot(base + L"\\表\\ソ");
  PlaceRoot(base + L"\\能力");
  EXPECT_EQ(WalkBelow(base), (Paths{
                                 base + L"\\能力\\PATDAT\\",
                                 base + L"\\表\\ソ\\PATDAT\\",
                             }));
}

TEST_F(SearchFolderTree, WalkStartedInAJapaneseFolder) {
  const std::wstring start = base + L"\\表";
  PlaceRoot(start + L"\\ソ");
  EXPECT_EQ(WalkBelow(start), Paths{start + L"\\ソ\\PATDAT\\"});
}

TEST_F(SearchFolderTree, SkipsFoldersWithoutAShiftJisName) {
  // 한 has no Shift-JIS form: its path cannot be handed to the library. The
  // walk goes on with the folders after it.
  PlaceRoot(base + L"\\한");
  PlaceRoot(base + L"\\a한\\b");
  PlaceRoot(base + L"\\z");
  EXPECT_EQ(WalkBelow(base), Paths{base + L"\\z\\PATDAT\\"});
}

TEST_F(SearchFolderTree, HiddenFoldersAreNotWalked) {
  PlaceRoot(base + L"\\hidden");
  testsupport::SetHidden(base + L"\\hidden");
  PlaceRoot(base + L"\\shown");
  // A data root that is hidden itself is looked into, though never walked.
  PlaceRoot(base + L"\\veiled");
  testsupport::SetHidden(base + L"\\veiled\\PATDAT");
  EXPECT_EQ(WalkBelow(base), (Paths{base + L"\\shown\\PATDAT\\", base + L"\\veiled\\PATDAT\\"}));
}

TEST_F(SearchFolderTree, HitsBeyondTheCapacityAreNotKept) {
  const std::wstring& root = base;
  PlaceRoot(root + L"\\a");
  PlaceRoot(root + L"\\b");
  PlaceRoot(root + L"\\c");
  std::vector<std::wstring> hits(base::kHitCapacity - 2, L"earlier");
  dataroot::SearchFolderTree(root + L"\\PATDAT", datafixture::kMarker, hits);
  ASSERT_EQ(hits.size(), static_cast<size_t>(base::kHitCapacity));
  EXPECT_EQ(hits[base::kHitCapacity - 2], root + L"\\a\\PATDAT\\");
  EXPECT_EQ(hits[base::kHitCapacity - 1], root + L"\\b\\PATDAT\\");
}

TEST_F(SearchFolderTree, LeavesItsArgumentsAsTheyWere) {
  PlaceRoot(base + L"\\a");
  const std::wstring folder = base + L"\\PATDAT";
  const std::wstring marker = datafixture::kMarker;
  std::vector<std::wstring> hits;
  dataroot::SearchFolderTree(folder, marker, hits);
  EXPECT_EQ(hits.size(), 1u);
  EXPECT_EQ(folder, base + L"\\PATDAT");
  EXPECT_EQ(marker, L"\\kishitu.txt");
}

TEST_F(SearchFolderTree, NeverFollowsALinkLoop) {
  if (!testsupport::HaveLinkLoop()) GTEST_SKIP() << "no right to make a folder link";
  Scratch onP(L'P');
  PlaceRoot(onP.path());
  // Through the link the same root would be found again and again, under
  // P:\linkloop\back\, P:\linkloop\back\linkloop\back\, ...
  ASSERT_TRUE(testsupport::Exists(L"P:\\linkloop\\back\\linkloop\\back" + onP.path().substr(2) +
                                  L"\\PATDAT\\kishitu.txt"));
  const auto drive = WalkBelow(L"P:");
  EXPECT_EQ(drive, Paths{onP.path() + L"\\PATDAT\\"});
  EXPECT_EQ(WalkBelow(L"P:\\linkloop").size(), 0u);
}

namespace {

// A chain of folders whose path reaches length: start\aaaa\bbbb\... , made
// through the long-path prefix.
std::wstring MakeChain(const std::wstring& start, size_t length) {
  CreateDirectoryW(datafixture::LongPath(start).c_str(), nullptr);
  std::wstring path = start;
  wchar_t letter = L'a';
  while (path.size() < length) {
    const size_t room = length - path.size() - 1;
    if (room == 0) break;
    path += L"\\" + std::wstring(std::min<size_t>(room, 40), letter++);
    EXPECT_TRUE(CreateDirectoryW(datafixture::LongPath(path).c_str(), nullptr)) << GetLastError();
  }
  return path;
}

void PlaceLongRoot(const std::wstring& folder) {
  CreateDirectoryW(datafixture::LongPath(folder).c_str(), nullptr);
  CreateDirectoryW(datafixture::LongPath(folder + L"\\PATDAT").c_str(), nullptr);
  testsupport::WriteBytes(datafixture::LongPath(folder + L"\\PATDAT\\kishitu.txt"), "1");
}

}  // namespace

TEST_F(SearchFolderTree, SkipsFoldersBeyondThePathLimit) {
  PlaceRoot(base + L"\\shallow");
  // fits: its marker path has 259 characters, MAX_PATH with the terminator.
  const std::wstring chain = MakeChain(base + L"\\deep", 200);
  const std::wstring fits = chain + L"\\" + std::wstring(240 - chain.size() - 1, L'f');
  const std::wstring tooLong = chain + L"\\" + std::wstring(241 - chain.size() - 1, L'g');
  PlaceLongRoot(fits);
  PlaceLongRoot(tooLong);
  ASSERT_EQ((fits + L"\\PATDAT\\kishitu.txt").size(), 259u);
  ASSERT_EQ((tooLong + L"\\PATDAT\\kishitu.txt").size(), 260u);
  // And a tree far below the limit, with a root at its bottom.
  const std::wstring deeper = MakeChain(tooLong + L"\\h", 420);
  PlaceLongRoot(deeper);
  ASSERT_TRUE(testsupport::Exists(datafixture::LongPath(deeper + L"\\PATDAT\\kishitu.txt")));

  EXPECT_EQ(WalkBelow(base), (Paths{
                                 fits + L"\\PATDAT\\",
                                 base + L"\\shallow\\PATDAT\\",
                             }));
}

// ---------------------------------------------------------------- progress and stop

TEST_F(SearchFolderTree, ReportsEveryVisitedFolderAndStopsWhenTold) {
  MakeFolders(base + L"\\a\\b");
  MakeFolders(base + L"\\c");
  std::vector<std::wstring> visited;
  std::vector<std::wstring> hits;
  EXPECT_TRUE(dataroot::SearchFolderTree(base + L"\\PATDAT", datafixture::kMarker, hits,
                                         [&](const std::wstring& folder) {
                                           visited.push_back(folder);
                                           return true;
                                         }));
  EXPECT_EQ(visited, (Paths{base + L"\\PATDAT", base + L"\\a\\PATDAT", base + L"\\a\\b\\PATDAT",
                            base + L"\\c\\PATDAT"}));

  // Told to stop at a\b, the walk goes no further: c is not visited.
  visited.clear();
  EXPECT_FALSE(dataroot::SearchFolderTree(base + L"\\PATDAT", datafixture::kMarker, hits,
                                          [&](const std::wstring& folder) {
                                            visited.push_back(folder);
                                            return visited.size() < 3;
                                          }));
  EXPECT_EQ(visited.size(), 3u);
}

TEST_F(SearchFolderTree, ReportsAtMostOncePerClockTickCountingEveryFolder) {
  std::uint64_t calls = 0;
  std::uint64_t reports = 0;
  const dataroot::WalkProgress progress = dataroot::OncePerTick([&](const std::wstring&, std::uint64_t visited) {
    ++reports;
    EXPECT_EQ(visited, calls) << "every folder counted, reported or not";
    return true;
  });
  const ULONGLONG start = GetTickCount64();
  for (calls = 1; calls <= 100000; ++calls) progress(L"M:\\PATDAT");
  const ULONGLONG ticks = GetTickCount64() - start;
  EXPECT_GE(reports, 1u) << "the first call reports at once";
  EXPECT_LE(reports, ticks + 1);
}
