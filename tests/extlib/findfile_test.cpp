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

// Every name of matching matches pattern, no name of others does.
void ExpectMatches(const wchar_t* pattern, std::initializer_list<const wchar_t*> matching,
                   std::initializer_list<const wchar_t*> others = {}) {
  for (const wchar_t* name : matching) EXPECT_TRUE(MatchesPattern(name, pattern)) << name << " ~ " << pattern;
  for (const wchar_t* name : others) EXPECT_FALSE(MatchesPattern(name, pattern)) << name << " ~ " << pattern;
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
  ExpectMatches(L"*.HED", {L"1001.HED", L"a.b.HED", L".HED"}, {L"1001.HEDX", L"1001~EOW.HEDX", L"1001.HE"});
}

TEST(MatchesPattern, LetterCaseIsIgnored) {
  ExpectMatches(L"*.HED", {L"1001.hed"}, {L"1001.GRA"});
  ExpectMatches(L"*.hed", {L"1001.HED"});
  ExpectMatches(L"ａｂ.TXT", {L"ＡＢ.txt"});  // full-width letters too
}

TEST(MatchesPattern, TestNumberPatternTakesThatBaseNameOnly) {
  // "1001" has no extension at all.
  ExpectMatches(L"1001.*", {L"1001.HED", L"1001.GRA", L"1001", L"1001."}, {L"10010.HED", L"1001A.HED", L"100.HED"});
}

TEST(MatchesPattern, StarDotStarMatchesEveryName) {
  ExpectMatches(L"*.*", {L"README", L"a.txt", L".", L"..", L"表ソ", L"x.y.z"});
  ExpectMatches(L"*", {L"README"});
}

TEST(MatchesPattern, QuestionMarkTakesExactlyOneCharacter) {
  ExpectMatches(L"100?.HED", {L"100A.HED", L"100表.HED"}, {L"100.HED", L"100AB.HED"});
}

TEST(MatchesPattern, JapaneseNamesMatchByCharacters) {
  ExpectMatches(L"表*.HED", {L"表ソ.HED"}, {L"ソ表.HED"});
  ExpectMatches(L"能", {L"能"}, {L"能力"});
}

TEST(MatchesPattern, StarsBacktrack) {
  ExpectMatches(L"*abcd", {L"abcabcd"});
  ExpectMatches(L"*.*.c", {L"a.b.c"}, {L"a.b.d"});
  ExpectMatches(L"**z", {L"xyz"});
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
