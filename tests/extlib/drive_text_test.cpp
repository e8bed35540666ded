// FileSize, GoodDrive, InCount and Swap.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "extlib/extlib.h"
#include "support/test_support.h"
#include "base/strconv.h"
#include "base/error.h"

using extlib::FileSize;
using extlib::GoodDrive;
using extlib::InCount;
using testsupport::ScratchFolder;
using testsupport::WriteBytes;

namespace {

std::string Sjis(const std::wstring& text) { return base::ToSjis(text); }

// A file of size bytes that takes no room on disk.
void MakeSparseFile(const std::wstring& path, long long size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  ASSERT_TRUE(sized) << GetLastError();
}

}  // namespace

// ---------------------------------------------------------------- FileSize

TEST(FileSize, GivesTheLengthOfAFile) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\kishitu.txt", "12345");
  EXPECT_EQ(FileSize(Sjis(folder + L"\\kishitu.txt")), 5);
  testsupport::MakeFolders(folder + L"\\表");
  WriteBytes(folder + L"\\表\\ソ.txt", std::string(1000, 'x'));
  EXPECT_EQ(FileSize(Sjis(folder + L"\\表\\ソ.txt")), 1000);
}

TEST(FileSize, MissingEmptyOrFolderIsBelowOne) {
  const std::wstring folder = ScratchFolder();
  EXPECT_LT(FileSize(Sjis(folder + L"\\kishitu.txt")), 1);
  EXPECT_LT(FileSize(Sjis(folder + L"\\missing\\kishitu.txt")), 1);
  EXPECT_LT(FileSize(""), 1);
  WriteBytes(folder + L"\\empty.txt", "");
  EXPECT_EQ(FileSize(Sjis(folder + L"\\empty.txt")), 0);
  // A folder that bears the marker's name is no marker.
  testsupport::MakeFolders(folder + L"\\kishitu.txt");
  WriteBytes(folder + L"\\kishitu.txt\\inside.txt", "x");
  EXPECT_LT(FileSize(Sjis(folder + L"\\kishitu.txt")), 1);
  EXPECT_LT(FileSize(Sjis(L"M:\\")), 1);
}

TEST(FileSize, HugeFileGivesInt32Max) {
  const std::wstring folder = ScratchFolder();
  MakeSparseFile(folder + L"\\big.dat", 3LL << 30);
  EXPECT_EQ(FileSize(Sjis(folder + L"\\big.dat")), INT32_MAX);
  MakeSparseFile(folder + L"\\edge.dat", INT32_MAX);
  EXPECT_EQ(FileSize(Sjis(folder + L"\\edge.dat")), INT32_MAX);
  MakeSparseFile(folder + L"\\past.dat", 1LL << 32);  // low half 0
  EXPECT_EQ(FileSize(Sjis(folder + L"\\past.dat")), INT32_MAX);
  testsupport::RemoveTree(folder);
}

// ---------------------------------------------------------------- GoodDrive

TEST(GoodDrive, AcceptsFixedDrives) {
  for (const char* letter : {"M", "N", "O", "P", "C", "X", "m"})
    EXPECT_EQ(GoodDrive(letter), -1) << letter;
  EXPECT_EQ(GoodDrive("M:\\"), -1);  // only the first character counts
}

TEST(GoodDrive, RefusesNetworkCdNotReadyAndUnknownDrives) {
  if (!testsupport::IsTestDrive(L'Q') || !testsupport::IsTestDrive(L'R'))
    GTEST_SKIP() << "no network and CD drive of the test set-up here (made under Wine only)";
  EXPECT_EQ(GetDriveTypeW(L"Q:\\"), static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(GetDriveTypeW(L"R:\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(GoodDrive("Q"), 0);
  EXPECT_EQ(GoodDrive("R"), 0);
  EXPECT_EQ(GoodDrive("S"), 0);  // its folder is gone
  EXPECT_EQ(GoodDrive("T"), 0);  // no drive at all
}

TEST(GoodDrive, RefusesNonLetters) {
  for (const std::string& letter : {std::string(""), std::string("1"), std::string("\\"),
                                   std::string(":"), std::string("@"), std::string("["),
                                   Sjis(L"表"), Sjis(L"Ｍ")})
    EXPECT_EQ(GoodDrive(letter), 0) << letter;
}

// ---------------------------------------------------------------- InCount

TEST(InCount, CountsWholeShiftJisCharactersOnly) {
  // 表 and ソ end in the byte of "\": 95 5C, 83 5C.
  const std::string path = Sjis(L"C:\\表\\ソ\\能.txt");
  ASSERT_EQ(std::count(path.begin(), path.end(), '\\'), 6);
  EXPECT_EQ(InCount(path, "\\"), 3);
  EXPECT_EQ(InCount(path, ":"), 1);
  EXPECT_EQ(InCount(Sjis(L"表"), "\\"), 0);
  EXPECT_EQ(InCount(Sjis(L"表ソ表表"), Sjis(L"表")), 3);
  EXPECT_EQ(InCount(Sjis(L"表ソ表表"), Sjis(L"ソ")), 1);
}

TEST(InCount, HalfWidthKatakanaIsOneByteCharacter) {
  // ｿ (BF) is a character of its own, ソ (83 5C) is not two.
  EXPECT_EQ(InCount(Sjis(L"ｿソｿ"), Sjis(L"ｿ")), 2);
  EXPECT_EQ(InCount(Sjis(L"ｿソｿ"), "\\"), 0);
}

TEST(InCount, EmptyTextsAndBrokenCharacters) {
  EXPECT_EQ(InCount("", "\\"), 0);
  EXPECT_EQ(InCount("abc", ""), 0);
  // A lone lead byte never matches the first half of a character.
  EXPECT_EQ(InCount("\x95\x5C", "\x95"), 0);
  // A lead byte at the very end is a character of one byte.
  EXPECT_EQ(InCount("a\x95", "\x95"), 1);
  EXPECT_EQ(InCount("a\\b\\\\", "\\"), 3);
}

// ---------------------------------------------------------------- Swap

TEST(Swap, KindMinusThreeExchangesTwoNumbers) {
  float first = 1.5f;
  float second = -2.25f;
  extlib::Swap(first, second, -3);
  EXPECT_EQ(first, -2.25f);
  EXPECT_EQ(second, 1.5f);
}

TEST(Swap, KindZeroExchangesTwoTexts) {
  std::string first = Sjis(L"表1001");
  std::string second = Sjis(L"ソ");
  extlib::Swap(first, second, 0);
  EXPECT_EQ(base::FromSjis(first), L"ソ");
  EXPECT_EQ(base::FromSjis(second), L"表1001");
}

TEST(Swap, OtherKindsThrowAndExchangeNothing) {
  float first = 1.0f;
  float second = 2.0f;
  for (const std::int32_t kind : {0, 1, -1, -2, -4})
    EXPECT_THROW(extlib::Swap(first, second, kind), base::AppError) << kind;
  EXPECT_EQ(first, 1.0f);
  EXPECT_EQ(second, 2.0f);

  std::string a = "a";
  std::string b = "b";
  for (const std::int32_t kind : {-3, 1, 8})
    EXPECT_THROW(extlib::Swap(a, b, kind), base::AppError) << kind;
  EXPECT_EQ(a, "a");
  EXPECT_EQ(b, "b");
  EXPECT_EQ(testsupport::Raised([&] { extlib::Swap(a, b, -3); }).kind(), base::AppError::Kind::InvalidArgument);
}
