#include "extlib/findfile.h"

#include <gtest/gtest.h>

#include <string>

using extlib::IsListedFile;
using extlib::IsListedFolder;
using extlib::MatchesPattern;
using extlib::SpecPattern;

namespace {

WIN32_FIND_DATAW Entry(const std::wstring& name, DWORD attributes) {
  WIN32_FIND_DATAW entry{};
  entry.dwFileAttributes = attributes;
  name.copy(entry.cFileName, name.size());
  return entry;
}

}  // namespace

TEST(SpecPattern, IsWhatFollowsTheLastSeparator) {
  EXPECT_EQ(SpecPattern(L"M:\\data\\lugeon\\*.HED"), L"*.HED");
  EXPECT_EQ(SpecPattern(L"M:*.GRA"), L"*.GRA");
  EXPECT_EQ(SpecPattern(L"M:\\表\\1001.*"), L"1001.*");
  EXPECT_EQ(SpecPattern(L"*.*"), L"*.*");
  EXPECT_EQ(SpecPattern(L"M:\\data\\"), L"");
}

TEST(MatchesPattern, ExtensionMustMatchTheWholeLongName) {
  EXPECT_TRUE(MatchesPattern(L"1001.HED", L"*.HED"));
  EXPECT_FALSE(MatchesPattern(L"1001.HEDX", L"*.HED"));
  EXPECT_FALSE(MatchesPattern(L"1001~EOW.HEDX", L"*.HED"));
  EXPECT_FALSE(MatchesPattern(L"1001.HE", L"*.HED"));
  EXPECT_TRUE(MatchesPattern(L"a.b.HED", L"*.HED"));
  EXPECT_TRUE(MatchesPattern(L".HED", L"*.HED"));
}

TEST(MatchesPattern, LetterCaseIsIgnored) {
  EXPECT_TRUE(MatchesPattern(L"1001.hed", L"*.HED"));
  EXPECT_TRUE(MatchesPattern(L"1001.HED", L"*.hed"));
  EXPECT_TRUE(MatchesPattern(L"ＡＢ.txt", L"ａｂ.TXT"));  // full-width letters too
  EXPECT_FALSE(MatchesPattern(L"1001.GRA", L"*.HED"));
}

TEST(MatchesPattern, TestNumberPatternTakesThatBaseNameOnly) {
  EXPECT_TRUE(MatchesPattern(L"1001.HED", L"1001.*"));
  EXPECT_TRUE(MatchesPattern(L"1001.GRA", L"1001.*"));
  EXPECT_TRUE(MatchesPattern(L"1001", L"1001.*"));  // no extension at all
  EXPECT_TRUE(MatchesPattern(L"1001.", L"1001.*"));
  EXPECT_FALSE(MatchesPattern(L"10010.HED", L"1001.*"));
  EXPECT_FALSE(MatchesPattern(L"1001A.HED", L"1001.*"));
  EXPECT_FALSE(MatchesPattern(L"100.HED", L"1001.*"));
}

TEST(MatchesPattern, StarDotStarMatchesEveryName) {
  for (const wchar_t* name : {L"README", L"a.txt", L".", L"..", L"表ソ", L"x.y.z"})
    EXPECT_TRUE(MatchesPattern(name, L"*.*")) << name;
  EXPECT_TRUE(MatchesPattern(L"README", L"*"));
}

TEST(MatchesPattern, QuestionMarkTakesExactlyOneCharacter) {
  EXPECT_TRUE(MatchesPattern(L"100A.HED", L"100?.HED"));
  EXPECT_TRUE(MatchesPattern(L"100表.HED", L"100?.HED"));
  EXPECT_FALSE(MatchesPattern(L"100.HED", L"100?.HED"));
  EXPECT_FALSE(MatchesPattern(L"100AB.HED", L"100?.HED"));
}

TEST(MatchesPattern, JapaneseNamesMatchByCharacters) {
  EXPECT_TRUE(MatchesPattern(L"表ソ.HED", L"表*.HED"));
  EXPECT_FALSE(MatchesPattern(L"ソ表.HED", L"表*.HED"));
  EXPECT_TRUE(MatchesPattern(L"能", L"能"));
  EXPECT_FALSE(MatchesPattern(L"能力", L"能"));
}

TEST(MatchesPattern, StarsBacktrack) {
  EXPECT_TRUE(MatchesPattern(L"abcabcd", L"*abcd"));
  EXPECT_TRUE(MatchesPattern(L"a.b.c", L"*.*.c"));
  EXPECT_FALSE(MatchesPattern(L"a.b.d", L"*.*.c"));
  EXPECT_TRUE(MatchesPattern(L"xyz", L"**z"));
}

TEST(IsListedFile, TakesOrdinaryReadOnlyAndArchiveFiles) {
  EXPECT_TRUE(IsListedFile(Entry(L"1001.HED", FILE_ATTRIBUTE_NORMAL), L"*.HED"));
  EXPECT_TRUE(IsListedFile(Entry(L"1001.HED", FILE_ATTRIBUTE_ARCHIVE), L"*.HED"));
  EXPECT_TRUE(IsListedFile(Entry(L"1001.HED", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
                           L"*.HED"));
}

TEST(IsListedFile, LeavesOutFoldersHiddenSystemAndVolumeLabels) {
  EXPECT_FALSE(IsListedFile(Entry(L"SUB.HED", FILE_ATTRIBUTE_DIRECTORY), L"*.HED"));
  EXPECT_FALSE(IsListedFile(Entry(L"1001.HED", FILE_ATTRIBUTE_HIDDEN), L"*.HED"));
  EXPECT_FALSE(IsListedFile(Entry(L"1001.HED", FILE_ATTRIBUTE_SYSTEM), L"*.HED"));
  EXPECT_FALSE(IsListedFile(Entry(L"LABEL.HED", 0x8), L"*.HED"));
  EXPECT_FALSE(IsListedFile(Entry(L".", FILE_ATTRIBUTE_DIRECTORY), L"*.*"));
  EXPECT_FALSE(IsListedFile(Entry(L"1001.HEDX", FILE_ATTRIBUTE_ARCHIVE), L"*.HED"));
}

TEST(IsListedFolder, TakesPlainFoldersAndDotEntriesButNoLinksOrHiddenFolders) {
  EXPECT_TRUE(IsListedFolder(Entry(L"表", FILE_ATTRIBUTE_DIRECTORY), L"*.*"));
  EXPECT_TRUE(IsListedFolder(Entry(L".", FILE_ATTRIBUTE_DIRECTORY), L"*.*"));
  EXPECT_TRUE(IsListedFolder(Entry(L"..", FILE_ATTRIBUTE_DIRECTORY), L"*.*"));
  EXPECT_TRUE(IsListedFolder(
      Entry(L"Fonts", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM),
      L"*.*"));
  EXPECT_FALSE(IsListedFolder(Entry(L"back", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
                              L"*.*"));
  EXPECT_FALSE(IsListedFolder(Entry(L"secret", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
                              L"*.*"));
  EXPECT_FALSE(IsListedFolder(Entry(L"file.txt", FILE_ATTRIBUTE_ARCHIVE), L"*.*"));
  EXPECT_FALSE(IsListedFolder(Entry(L"B", FILE_ATTRIBUTE_DIRECTORY), L"A*"));
}
