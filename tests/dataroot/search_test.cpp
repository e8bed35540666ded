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

using datafixture::Hits;
using datafixture::PlaceRoot;
using datafixture::Scratch;
using datafixture::WalkBelow;
using dataroot::StripLastComponent;
using testsupport::MakeFolders;
using testsupport::WriteBytes;

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

TEST(SearchFolderTree, FindsEveryRootInWalkOrder) {
  // A folder comes before its sub-folders, sub-folders in listing order (A
  // before B), and a PATDAT is walked like any folder (nested roots count).
  Scratch scratch;
  const std::wstring& base = scratch.path();
  PlaceRoot(base + L"\\B");
  PlaceRoot(base + L"\\A\\X");
  PlaceRoot(base);
  PlaceRoot(base + L"\\PATDAT");
  const auto result = WalkBelow(base);
  EXPECT_EQ(Hits(result), (std::vector<std::wstring>{
                              base + L"\\PATDAT\\",
                              base + L"\\A\\X\\PATDAT\\",
                              base + L"\\B\\PATDAT\\",
                              base + L"\\PATDAT\\PATDAT\\",
                          }));
}

TEST(SearchFolderTree, EmptyMarkerIsNoMarker) {
  Scratch scratch;
  PlaceRoot(scratch.path() + L"\\A", "");
  PlaceRoot(scratch.path() + L"\\B\\C", "");
  EXPECT_EQ(WalkBelow(scratch.path()).count(), 0u);
  PlaceRoot(scratch.path() + L"\\B\\C", " ");
  EXPECT_EQ(Hits(WalkBelow(scratch.path())),
            std::vector<std::wstring>{scratch.path() + L"\\B\\C\\PATDAT\\"});
}

TEST(SearchFolderTree, MarkerCountsOnlyDirectlyInAFolderNamedPatdat) {
  Scratch scratch;
  const std::wstring& base = scratch.path();
  MakeFolders(base + L"\\A");
  WriteBytes(base + L"\\A\\kishitu.txt", "1");
  MakeFolders(base + L"\\PATDAT\\sub");
  WriteBytes(base + L"\\PATDAT\\sub\\kishitu.txt", "1");
  MakeFolders(base + L"\\B\\PATDATX");
  WriteBytes(base + L"\\B\\PATDATX\\kishitu.txt", "1");
  MakeFolders(base + L"\\C\\PATDAT");
  WriteBytes(base + L"\\C\\PATDAT\\kishitu.txt.bak", "1");
  EXPECT_EQ(WalkBelow(base).count(), 0u);
}

TEST(SearchFolderTree, MarkerThatIsAFolderIsNoMarker) {
  Scratch scratch;
  const std::wstring& base = scratch.path();
  // Only the folder: PATDAT holds no file at all.
  MakeFolders(base + L"\\A\\PATDAT\\kishitu.txt");
  WriteBytes(base + L"\\A\\PATDAT\\kishitu.txt\\inside.txt", "1");
  // With another file beside it, so the marker test itself decides.
  MakeFolders(base + L"\\B\\PATDAT\\kishitu.txt");
  WriteBytes(base + L"\\B\\PATDAT\\other.txt", "1");
  EXPECT_EQ(WalkBelow(base).count(), 0u);
}

TEST(SearchFolderTree, JapaneseFolderNames) {
  Scratch scratch;
  const std::wstring& base = scratch.path();
  PlaceRoot(base + L"\\表\\ソ");
  PlaceRoot(base + L"\\能力");
  EXPECT_EQ(Hits(WalkBelow(base)), (std::vector<std::wstring>{
                                       base + L"\\能力\\PATDAT\\",
                                       base + L"\\表\\ソ\\PATDAT\\",
                                   }));
}

TEST(SearchFolderTree, WalkStartedInAJapaneseFolder) {
  Scratch scratch;
  const std::wstring start = scratch.path() + L"\\表";
  PlaceRoot(start + L"\\ソ");
  EXPECT_EQ(Hits(WalkBelow(start)), std::vector<std::wstring>{start + L"\\ソ\\PATDAT\\"});
}

TEST(SearchFolderTree, SkipsFoldersWithoutAShiftJisName) {
  // 한 has no Shift-JIS form: its path cannot be handed to the library. The
  // walk goes on with the folders after it.
  Scratch scratch;
  const std::wstring& base = scratch.path();
  PlaceRoot(base + L"\\한");
  PlaceRoot(base + L"\\a한\\b");
  PlaceRoot(base + L"\\z");
  EXPECT_EQ(Hits(WalkBelow(base)), std::vector<std::wstring>{base + L"\\z\\PATDAT\\"});
}

TEST(SearchFolderTree, HiddenFoldersAreNotWalked) {
  Scratch scratch;
  const std::wstring& base = scratch.path();
  PlaceRoot(base + L"\\hidden");
  testsupport::SetHidden(base + L"\\hidden");
  PlaceRoot(base + L"\\shown");
  // A data root that is hidden itself is looked into, though never walked.
  PlaceRoot(base + L"\\veiled");
  testsupport::SetHidden(base + L"\\veiled\\PATDAT");
  EXPECT_EQ(Hits(WalkBelow(base)),
            (std::vector<std::wstring>{base + L"\\shown\\PATDAT\\", base + L"\\veiled\\PATDAT\\"}));
}

TEST(SearchFolderTree, HitsBeyondTheCapacityAreNotKept) {
  Scratch scratch;
  const std::wstring& root = scratch.path();
  PlaceRoot(root + L"\\a");
  PlaceRoot(root + L"\\b");
  PlaceRoot(root + L"\\c");
  std::vector<std::wstring> hits(base::kHitCapacity - 2, L"earlier");
  dataroot::SearchFolderTree(root + L"\\PATDAT", datafixture::kMarker, hits);
  ASSERT_EQ(hits.size(), static_cast<size_t>(base::kHitCapacity));
  EXPECT_EQ(hits[base::kHitCapacity - 2], root + L"\\a\\PATDAT\\");
  EXPECT_EQ(hits[base::kHitCapacity - 1], root + L"\\b\\PATDAT\\");
}

TEST(SearchFolderTree, LeavesItsArgumentsAsTheyWere) {
  Scratch scratch;
  PlaceRoot(scratch.path() + L"\\a");
  const std::wstring folder = scratch.path() + L"\\PATDAT";
  const std::wstring marker = datafixture::kMarker;
  std::vector<std::wstring> hits;
  dataroot::SearchFolderTree(folder, marker, hits);
  EXPECT_EQ(hits.size(), 1u);
  EXPECT_EQ(folder, scratch.path() + L"\\PATDAT");
  EXPECT_EQ(marker, L"\\kishitu.txt");
}

TEST(SearchFolderTree, NeverFollowsALinkLoop) {
  if (!testsupport::HaveLinkLoop()) GTEST_SKIP() << "no right to make a folder link";
  Scratch scratch(L'P');
  PlaceRoot(scratch.path());
  // Through the link the same root would be found again and again, under
  // P:\linkloop\back\, P:\linkloop\back\linkloop\back\, ...
  ASSERT_TRUE(testsupport::Exists(L"P:\\linkloop\\back\\linkloop\\back" + scratch.path().substr(2) +
                                  L"\\PATDAT\\kishitu.txt"));
  const auto drive = WalkBelow(L"P:");
  EXPECT_EQ(Hits(drive), std::vector<std::wstring>{scratch.path() + L"\\PATDAT\\"});
  EXPECT_EQ(WalkBelow(L"P:\\linkloop").count(), 0u);
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

TEST(SearchFolderTree, SkipsFoldersBeyondThePathLimit) {
  Scratch scratch;
  const std::wstring& base = scratch.path();
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

  EXPECT_EQ(Hits(WalkBelow(base)), (std::vector<std::wstring>{
                                       fits + L"\\PATDAT\\",
                                       base + L"\\shallow\\PATDAT\\",
                                   }));
}

// ---------------------------------------------------------------- window events

TEST(SearchFolderTree, LetsPendingWindowEventsRunOncePerVisitedFolder) {
  Scratch scratch;
  MakeFolders(scratch.path() + L"\\a\\b");
  MakeFolders(scratch.path() + L"\\c");
  int passes = 0;
  std::vector<std::wstring> hits;
  dataroot::SearchFolderTree(scratch.path() + L"\\PATDAT", datafixture::kMarker, hits, [&] { ++passes; });
  EXPECT_EQ(passes, 4) << "the start folder, a, a\\b and c";
}

TEST(SearchFolderTree, PendingEventsRunAtMostOncePerClockTick) {
  int passes = 0;
  const dataroot::PendingEvents pass = dataroot::OncePerTick([&] { ++passes; });
  const ULONGLONG start = GetTickCount64();
  for (int i = 0; i < 100000; ++i) pass();
  const ULONGLONG ticks = GetTickCount64() - start;
  EXPECT_GE(passes, 1) << "the first call runs at once";
  EXPECT_LE(static_cast<ULONGLONG>(passes), ticks + 1);
}
