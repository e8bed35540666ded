#include "fileutil/listing.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

using fileutil::ListDirEntries;
using fileutil::TrimSpaces;
using testsupport::Sorted;

namespace {

using Names = std::vector<std::wstring>;

void Touch(const std::wstring& path) { testsupport::WriteBytes(path, "x"); }

// A fresh scratch folder for the running test, holding a file of each name.
std::wstring FolderWith(std::initializer_list<const wchar_t*> names) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (const wchar_t* name : names) Touch(folder + L"\\" + name);
  return folder;
}

}  // namespace

TEST(ListDirEntries, GivesTheMatchingFiles) {
  const std::wstring folder = FolderWith({L"1001.HED", L"1002.HED", L"1001.GRA"});
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*.HED")), (Names{L"1001.HED", L"1002.HED"}));
}

TEST(ListDirEntries, KeepsThePlatformsOrder) {
  const std::wstring folder = FolderWith({L"b.HED", L"C.HED", L"a.HED", L"表.HED", L"1.HED"});
  const Names names = ListDirEntries(folder + L"\\*.HED");
  ASSERT_EQ(names.size(), 5u);

  Names searched;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*.HED").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do searched.push_back(entry.cFileName);
  while (FindNextFileW(find, &entry));
  FindClose(find);
  EXPECT_EQ(names, searched);
}

TEST(ListDirEntries, OnlyOrdinaryFilesAreStored) {
  const std::wstring folder = FolderWith({L"1001.HED", L"HIDDEN.HED", L"SYSTEM.HED", L"RO.HED", L"ARC.HED"});
  testsupport::SetHidden(folder + L"\\HIDDEN.HED");
  SetFileAttributesW((folder + L"\\SYSTEM.HED").c_str(), FILE_ATTRIBUTE_SYSTEM);
  testsupport::MakeFolders(folder + L"\\SUB.HED");
  SetFileAttributesW((folder + L"\\RO.HED").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((folder + L"\\ARC.HED").c_str(), FILE_ATTRIBUTE_ARCHIVE);

  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*.HED")), (Names{L"1001.HED", L"ARC.HED", L"RO.HED"}));
  SetFileAttributesW((folder + L"\\RO.HED").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ListDirEntries, AllNamesPatternSkipsDotEntriesAndFolders) {
  const std::wstring folder = FolderWith({L"1001", L"1001.HED"});
  testsupport::MakeFolders(folder + L"\\SUB");
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*")), (Names{L"1001", L"1001.HED"}));
}

TEST(ListDirEntries, LongNameMustMatchNotOnlyItsShortAlias) {
  const std::wstring folder = FolderWith({L"1001.HEDX", L"1002.HED", L"1001.HED.BAK"});
  EXPECT_EQ(ListDirEntries(folder + L"\\*.HED"), Names{L"1002.HED"});
}

TEST(ListDirEntries, TestPatternListsEveryFileOfTheTest) {
  const std::wstring folder =
      FolderWith({L"1001.HED", L"1001.GRA", L"1001.TXT", L"1001", L"10011.HED", L"1001.A.B", L"1002.HED"});
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\1001.*")),
            (Names{L"1001", L"1001.A.B", L"1001.GRA", L"1001.HED", L"1001.TXT"}));
}

TEST(ListDirEntries, JapaneseNamesAndFolders) {
  const std::wstring folder = testsupport::ScratchFolder() + L"\\試験表";
  testsupport::MakeFolders(folder);
  Touch(folder + L"\\表ソ能01.HED");
  Touch(folder + L"\\ﾃﾞｰﾀ.HED");
  Touch(folder + L"\\表.GRA");
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*.HED")), (Names{L"表ソ能01.HED", L"ﾃﾞｰﾀ.HED"}));
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\表*.*")), (Names{L"表.GRA", L"表ソ能01.HED"}));
}

TEST(ListDirEntries, NamesLoseTheirAsciiSpacesOnly) {
  // Windows keeps an ideographic space at either end of a name.
  const std::wstring folder = FolderWith({L"  1001.HED", L"\u30001002.HED", L"1234.メモ\u3000"});
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*.HED")), (Names{L"1001.HED", L"\u30001002.HED"}));
  EXPECT_EQ(ListDirEntries(folder + L"\\1234.*"), Names{L"1234.メモ\u3000"});
}

TEST(ListDirEntries, NoMatchGivesNoNames) {
  const std::wstring folder = FolderWith({L"1001.GRA"});
  for (const std::wstring& spec : {folder + L"\\*.HED", folder + L"\\無い\\*.HED", std::wstring()})
    EXPECT_EQ(ListDirEntries(spec), Names{}) << testing::PrintToString(spec);
}

TEST(ListDirEntries, HasNoLimitOf256Files) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (int i = 0; i < 300; ++i) Touch(folder + L"\\" + std::to_wstring(1000 + i) + L".HED");
  Names expected;
  for (int i = 0; i < 300; ++i) expected.push_back(std::to_wstring(1000 + i) + L".HED");
  EXPECT_EQ(Sorted(ListDirEntries(folder + L"\\*.HED")), expected);
}

TEST(TrimSpaces, RemovesAsciiSpacesAtBothEndsOnly) {
  EXPECT_EQ(TrimSpaces(L"  C:\\DATA "), L"C:\\DATA");
  EXPECT_EQ(TrimSpaces(L" \u3000表 ソ\u3000 "), L"\u3000表 ソ\u3000");
  EXPECT_EQ(TrimSpaces(L"a \u3000 b"), L"a \u3000 b");
  EXPECT_EQ(TrimSpaces(L"   "), L"");
  EXPECT_EQ(TrimSpaces(L""), L"");
  // Tabs and other blanks are not spaces here.
  EXPECT_EQ(TrimSpaces(L"\tA\t"), L"\tA\t");
}
