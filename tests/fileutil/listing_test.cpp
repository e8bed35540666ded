#include "fileutil/listing.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "base/error.h"

using fileutil::ListDirEntries;
using fileutil::TrimSpaces;

namespace {

using Names = std::vector<std::wstring>;

// A listing array like the callers': elements 0 to 256, the pattern in 0 and
// a mark in every other element.
Names Listing(const std::wstring& pattern, std::size_t size = 257) {
  Names names(size);
  names[0] = pattern;
  for (std::size_t i = 1; i < size; ++i) names[i] = L"old" + std::to_wstring(i);
  return names;
}

Names Sorted(Names::const_iterator first, Names::const_iterator last) {
  Names names(first, last);
  std::sort(names.begin(), names.end());
  return names;
}

void Touch(const std::wstring& path) { testsupport::WriteBytes(path, "x"); }

}  // namespace

TEST(ListDirEntries, StoresMatchingFilesFromElementOne) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\1001.HED");
  Touch(folder + L"\\1002.HED");
  Touch(folder + L"\\1001.GRA");

  Names names = Listing(folder + L"\\*.HED");
  EXPECT_EQ(ListDirEntries(names), 2);
  EXPECT_EQ(names[0], folder + L"\\*.HED");
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 3), (Names{L"1001.HED", L"1002.HED"}));
  EXPECT_EQ(names[3], L"old3");
  EXPECT_EQ(names.size(), 257u);
}

TEST(ListDirEntries, KeepsThePlatformsOrder) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (const wchar_t* name : {L"b.HED", L"C.HED", L"a.HED", L"表.HED", L"1.HED"})
    Touch(folder + L"\\" + name);
  Names names = Listing(folder + L"\\*.HED");
  ASSERT_EQ(ListDirEntries(names), 5);

  Names searched;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*.HED").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do searched.push_back(entry.cFileName);
  while (FindNextFileW(find, &entry));
  FindClose(find);
  EXPECT_EQ(Names(names.begin() + 1, names.begin() + 6), searched);
}

TEST(ListDirEntries, OnlyOrdinaryFilesAreStored) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\1001.HED");
  Touch(folder + L"\\HIDDEN.HED");
  testsupport::SetHidden(folder + L"\\HIDDEN.HED");
  Touch(folder + L"\\SYSTEM.HED");
  SetFileAttributesW((folder + L"\\SYSTEM.HED").c_str(), FILE_ATTRIBUTE_SYSTEM);
  testsupport::MakeFolders(folder + L"\\SUB.HED");
  Touch(folder + L"\\RO.HED");
  SetFileAttributesW((folder + L"\\RO.HED").c_str(), FILE_ATTRIBUTE_READONLY);
  Touch(folder + L"\\ARC.HED");
  SetFileAttributesW((folder + L"\\ARC.HED").c_str(), FILE_ATTRIBUTE_ARCHIVE);

  Names names = Listing(folder + L"\\*.HED");
  EXPECT_EQ(ListDirEntries(names), 3);
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 4),
            (Names{L"1001.HED", L"ARC.HED", L"RO.HED"}));
  EXPECT_EQ(names[4], L"old4");
  SetFileAttributesW((folder + L"\\RO.HED").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ListDirEntries, AllNamesPatternSkipsDotEntriesAndFolders) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\1001");
  Touch(folder + L"\\1001.HED");
  testsupport::MakeFolders(folder + L"\\SUB");
  Names names = Listing(folder + L"\\*");
  EXPECT_EQ(ListDirEntries(names), 2);
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 3), (Names{L"1001", L"1001.HED"}));
}

TEST(ListDirEntries, LongNameMustMatchNotOnlyItsShortAlias) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\1001.HEDX");
  Touch(folder + L"\\1002.HED");
  Touch(folder + L"\\1001.HED.BAK");
  Names names = Listing(folder + L"\\*.HED");
  EXPECT_EQ(ListDirEntries(names), 1);
  EXPECT_EQ(names[1], L"1002.HED");
  EXPECT_EQ(names[2], L"old2");
}

TEST(ListDirEntries, TestPatternListsEveryFileOfTheTest) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (const wchar_t* name : {L"1001.HED", L"1001.GRA", L"1001.TXT", L"1001", L"10011.HED",
                              L"1001.A.B", L"1002.HED"})
    Touch(folder + L"\\" + name);
  Names names = Listing(folder + L"\\1001.*");
  const std::int32_t stored = ListDirEntries(names);
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 1 + stored),
            (Names{L"1001", L"1001.A.B", L"1001.GRA", L"1001.HED", L"1001.TXT"}));
}

TEST(ListDirEntries, JapaneseNamesAndFolders) {
  const std::wstring folder = testsupport::ScratchFolder() + L"\\試験表";
  testsupport::MakeFolders(folder);
  Touch(folder + L"\\表ソ能01.HED");
  Touch(folder + L"\\ﾃﾞｰﾀ.HED");
  Touch(folder + L"\\表.GRA");
  Names names = Listing(folder + L"\\*.HED");
  EXPECT_EQ(ListDirEntries(names), 2);
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 3), (Names{L"表ソ能01.HED", L"ﾃﾞｰﾀ.HED"}));

  Names byName = Listing(folder + L"\\表*.*");
  EXPECT_EQ(ListDirEntries(byName), 2);
  EXPECT_EQ(Sorted(byName.begin() + 1, byName.begin() + 3), (Names{L"表.GRA", L"表ソ能01.HED"}));
}

TEST(ListDirEntries, NamesAreTrimmed) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\  1001.HED");
  Touch(folder + L"\\\u30001002.HED");
  Names names = Listing(folder + L"\\*.HED");
  EXPECT_EQ(ListDirEntries(names), 2);
  EXPECT_EQ(Sorted(names.begin() + 1, names.begin() + 3), (Names{L"1001.HED", L"1002.HED"}));
}

TEST(ListDirEntries, NoMatchLeavesTheListAsItWas) {
  const std::wstring folder = testsupport::ScratchFolder();
  Touch(folder + L"\\1001.GRA");
  for (const std::wstring& pattern : {folder + L"\\*.HED", folder + L"\\無い\\*.HED"}) {
    Names names = Listing(pattern);
    EXPECT_EQ(ListDirEntries(names), 0);
    EXPECT_EQ(names, Listing(pattern));
  }
}

TEST(ListDirEntries, LaterShorterListingKeepsEarlierNamesBehind) {
  const std::wstring first = testsupport::ScratchFolder() + L"\\first";
  const std::wstring second = testsupport::ScratchFolder(L'N') + L"\\second";
  testsupport::MakeFolders(first);
  testsupport::MakeFolders(second);
  for (const wchar_t* name : {L"A.HED", L"B.HED", L"C.HED"}) Touch(first + L"\\" + name);
  Touch(second + L"\\Z.HED");

  Names names = Listing(first + L"\\*.HED");
  ASSERT_EQ(ListDirEntries(names), 3);
  const Names before = names;
  names[0] = second + L"\\*.HED";
  EXPECT_EQ(ListDirEntries(names), 1);
  EXPECT_EQ(names[0], second + L"\\*.HED");
  EXPECT_EQ(names[1], L"Z.HED");
  EXPECT_EQ(names[2], before[2]);
  EXPECT_EQ(names[3], before[3]);
  EXPECT_EQ(names[4], L"old4");
}

TEST(ListDirEntries, GrowsTheListForMoreThan256Files) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (int i = 0; i < 300; ++i) Touch(folder + L"\\" + std::to_wstring(1000 + i) + L".HED");
  Names names = Listing(folder + L"\\*.HED", 257);
  EXPECT_EQ(ListDirEntries(names), 300);
  ASSERT_EQ(names.size(), 301u);
  EXPECT_EQ(names[0], folder + L"\\*.HED");
  Names expected;
  for (int i = 0; i < 300; ++i) expected.push_back(std::to_wstring(1000 + i) + L".HED");
  EXPECT_EQ(Sorted(names.begin() + 1, names.end()), expected);

  // A list with only element 0 grows as well.
  Names tiny = Listing(folder + L"\\1000.HED", 1);
  EXPECT_EQ(ListDirEntries(tiny), 1);
  EXPECT_EQ(tiny, (Names{folder + L"\\1000.HED", L"1000.HED"}));
}

TEST(ListDirEntries, ListWithoutAPatternIsOutOfRange) {
  Names names;
  try {
    ListDirEntries(names);
    FAIL() << "no error";
  } catch (const base::AppError& error) {
    EXPECT_EQ(error.kind(), base::AppError::Kind::OutOfRange);
  }
}

TEST(TrimSpaces, RemovesAsciiAndIdeographicSpacesAtBothEnds) {
  EXPECT_EQ(TrimSpaces(L"  C:\\DATA "), L"C:\\DATA");
  EXPECT_EQ(TrimSpaces(L"\u3000 表 ソ\u3000"), L"表 ソ");
  EXPECT_EQ(TrimSpaces(L"a \u3000 b"), L"a \u3000 b");
  EXPECT_EQ(TrimSpaces(L" \u3000 "), L"");
  EXPECT_EQ(TrimSpaces(L""), L"");
  // Tabs and other blanks are not spaces here.
  EXPECT_EQ(TrimSpaces(L"\tA\t"), L"\tA\t");
}
