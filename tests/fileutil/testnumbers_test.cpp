#include "fileutil/testnumbers.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "fileutil/listing.h"
#include "support/test_support.h"

using fileutil::ListTestNumbers;
using testsupport::Sorted;

namespace {

using Names = std::vector<std::wstring>;

void Write(const std::wstring& folder, const std::wstring& name, std::string_view bytes = "1") {
  testsupport::WriteBytes(folder + L"\\" + name, bytes);
}

// A test with a header and non-empty data.
void AddTest(const std::wstring& folder, const std::wstring& number) {
  Write(folder, number + L".HED", "H,1,2,3,12.5\r\n");
  Write(folder, number + L".GRA", "data");
}

}  // namespace

TEST(ListTestNumbers, SkipsHeadersWithoutData) {
  const std::wstring folder = testsupport::ScratchFolder();
  Write(folder, L"1001.HED");
  Write(folder, L"1001.GRA", "data");
  Write(folder, L"1002.HED");
  Write(folder, L"1002.GRA", "");
  Write(folder, L"1003.HED");
  const Names contents = testsupport::FolderContents(folder);

  EXPECT_EQ(ListTestNumbers(folder), Names{L"1001"});
  EXPECT_EQ(testsupport::FolderContents(folder), contents);
  EXPECT_EQ(testsupport::ReadBytes(folder + L"\\1002.GRA"), "");
}

TEST(ListTestNumbers, DataFolderOrHiddenHeaderDoesNotCount) {
  const std::wstring folder = testsupport::ScratchFolder();
  Write(folder, L"1001.HED");
  testsupport::MakeFolders(folder + L"\\1001.GRA");  // a folder, not data
  AddTest(folder, L"1002");
  testsupport::SetHidden(folder + L"\\1002.HED");
  testsupport::MakeFolders(folder + L"\\1003.HED");
  Write(folder, L"1003.GRA", "data");
  AddTest(folder, L"1004");
  testsupport::SetHidden(folder + L"\\1004.GRA");  // hidden data still has a length

  EXPECT_EQ(ListTestNumbers(folder), (Names{L"1004"}));
}

TEST(ListTestNumbers, FolderWithoutHeadersGivesNoTests) {
  const std::wstring folder = testsupport::ScratchFolder();
  Write(folder, L"1001.GRA", "data");
  Write(folder, L"1001.HEDX");
  Write(folder, L"1001.TXT");
  EXPECT_EQ(ListTestNumbers(folder), Names{});
  EXPECT_EQ(ListTestNumbers(folder + L"\\無い"), Names{});
}

TEST(ListTestNumbers, TestNumberIsTheNameInFrontOfTheFirstDot) {
  const std::wstring folder = testsupport::ScratchFolder();
  Write(folder, L"A.B.HED");
  Write(folder, L"A.B.GRA", "data");  // the data of A.B, not of A
  Write(folder, L"C.D.HED");
  Write(folder, L"C.GRA", "data");
  AddTest(folder, L"表ソ01");
  AddTest(folder, L"ﾃﾞｰﾀ能");
  AddTest(folder, L"test");  // stored as written, letter case kept
  EXPECT_EQ(Sorted(ListTestNumbers(folder)), (Names{L"C", L"test", L"表ソ01", L"ﾃﾞｰﾀ能"}));

  Write(folder, L"A.GRA", "data");
  EXPECT_EQ(Sorted(ListTestNumbers(folder)), (Names{L"A", L"C", L"test", L"表ソ01", L"ﾃﾞｰﾀ能"}));
}

TEST(ListTestNumbers, TestsComeInListingOrder) {
  const std::wstring folder = testsupport::ScratchFolder();
  for (const wchar_t* number : {L"30", L"表", L"b", L"1001", L"A", L"2"}) AddTest(folder, number);
  const Names listing = fileutil::ListDirEntries(folder + L"\\*.HED");
  ASSERT_EQ(listing.size(), 6u);
  Names expected;
  for (const std::wstring& name : listing) expected.push_back(name.substr(0, name.find(L'.')));

  EXPECT_EQ(ListTestNumbers(folder), expected);
}

TEST(ListTestNumbers, FolderEndingInAJapaneseCharacterIsNotARoot) {
  // 表 ends in the byte 5C: the folder still needs its separator.
  const std::wstring parent = testsupport::ScratchFolder();
  const std::wstring folder = parent + L"\\成績表";
  testsupport::MakeFolders(folder);
  AddTest(folder, L"1001");
  AddTest(parent, L"成績表1002");  // what "成績表*.HED" would find instead
  EXPECT_EQ(ListTestNumbers(folder), (Names{L"1001"}));

  const std::wstring other = parent + L"\\ソ";
  testsupport::MakeFolders(other);
  AddTest(other, L"能");
  EXPECT_EQ(ListTestNumbers(other), (Names{L"能"}));
}

TEST(ListTestNumbers, DriveRootIsListedWithoutASecondSeparator) {
  // Names of this test only: the root of the drive is shared.
  const std::wstring root = L"P:\\";
  const std::wstring with = L"LTNRoot表1";
  const std::wstring without = L"LTNRoot表2";
  AddTest(L"P:", with);
  Write(L"P:", without + L".HED");
  Write(L"P:", without + L".GRA", "");
  const Names tests = ListTestNumbers(root);
  for (const std::wstring& file : {with + L".HED", with + L".GRA", without + L".HED", without + L".GRA"})
    DeleteFileW((root + file).c_str());

  EXPECT_NE(std::find(tests.begin(), tests.end(), with), tests.end());
  EXPECT_EQ(std::find(tests.begin(), tests.end(), without), tests.end());
}

TEST(ListTestNumbers, NamesTheIndexCannotHoldAreLeftOut) {
  const std::wstring folder = testsupport::ScratchFolder();
  AddTest(folder, L"한01");   // outside code page 932: would turn into the wildcard "?"
  AddTest(folder, L"1,2");   // would split the index record
  AddTest(folder, L"1001");
  AddTest(folder, L"表\u00A5");  // the yen sign must not become a separator
  Write(folder, L" .HED");       // trimmed to ".HED": no test number at all
  Write(folder, L".GRA", "data");
  EXPECT_EQ(ListTestNumbers(folder), (Names{L"1001"}));
}

TEST(ListTestNumbers, HasNoLimitOf256Tests) {
  const std::wstring folder = testsupport::ScratchFolder();
  Names expected;
  for (int i = 0; i < 300; ++i) {
    const std::wstring number = std::to_wstring(2000 + i);
    AddTest(folder, number);
    expected.push_back(number);
  }
  Write(folder, L"9999.HED");  // without data
  EXPECT_EQ(Sorted(ListTestNumbers(folder)), expected);
}

TEST(ListTestNumbers, AnotherFolderGivesOnlyItsOwnTests) {
  const std::wstring first = testsupport::ScratchFolder(L'M');
  const std::wstring second = testsupport::ScratchFolder(L'N');
  for (const wchar_t* number : {L"1", L"2", L"3"}) AddTest(first, number);
  AddTest(second, L"9");
  ASSERT_EQ(ListTestNumbers(first).size(), 3u);
  EXPECT_EQ(ListTestNumbers(second), Names{L"9"});
}
