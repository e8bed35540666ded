#include "fileutil/curdir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "base/error.h"

using fileutil::ChangeDrive;
using fileutil::ChangeFolder;
using fileutil::CurrentFolder;
using fileutil::DriveCurrentFolder;

namespace {

// What the platform itself makes of "D:" (the command processor's view).
std::wstring FullPathOfDrive(wchar_t letter) {
  const std::wstring drive{letter, L':'};
  wchar_t buffer[1024];
  const DWORD length = GetFullPathNameW(drive.c_str(), 1024, buffer, nullptr);
  return std::wstring(buffer, length);
}

}  // namespace

TEST(ChangeDrive, GoesToTheRootOfADriveNotVisitedBefore) {
  ASSERT_TRUE(ChangeDrive(L'N'));
  EXPECT_EQ(CurrentFolder(), L"N:\\");
  ASSERT_TRUE(ChangeDrive(L'p'));
  EXPECT_EQ(CurrentFolder(), L"P:\\");
}

TEST(ChangeDrive, ReturnsToTheFolderLastCurrentOnThatDrive) {
  const std::wstring folder = testsupport::ScratchFolder(L'M') + L"\\表ソ能";
  testsupport::MakeFolders(folder);
  ChangeFolder(folder);
  EXPECT_EQ(CurrentFolder(), folder);

  ASSERT_TRUE(ChangeDrive(L'N'));
  EXPECT_EQ(CurrentFolder(), L"N:\\");
  EXPECT_EQ(DriveCurrentFolder(L'M'), folder);
  EXPECT_EQ(DriveCurrentFolder(L'm'), folder);
  // Kept where the platform looks for it, too.
  EXPECT_EQ(FullPathOfDrive(L'M'), folder + L"\\");

  ASSERT_TRUE(ChangeDrive(L'M'));
  EXPECT_EQ(CurrentFolder(), folder);
  EXPECT_EQ(DriveCurrentFolder(L'N'), L"N:\\");
}

TEST(ChangeDrive, FolderSetOtherwiseIsRememberedWhenLeavingTheDrive) {
  const std::wstring folder = testsupport::ScratchFolder(L'O');
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  ASSERT_TRUE(ChangeDrive(L'N'));
  ASSERT_TRUE(ChangeDrive(L'O'));
  EXPECT_EQ(CurrentFolder(), folder);
}

TEST(ChangeDrive, RemovedFolderFallsBackToTheRoot) {
  const std::wstring folder = testsupport::ScratchFolder(L'M') + L"\\gone";
  testsupport::MakeFolders(folder);
  ChangeFolder(folder);
  ASSERT_TRUE(ChangeDrive(L'N'));
  ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
  EXPECT_EQ(DriveCurrentFolder(L'M'), L"M:\\");
  ASSERT_TRUE(ChangeDrive(L'M'));
  EXPECT_EQ(CurrentFolder(), L"M:\\");
}

TEST(ChangeDrive, FailsForNoDriveAndLeavesTheCurrentFolder) {
  const std::wstring folder = testsupport::ScratchFolder(L'M');
  ChangeFolder(folder);
  EXPECT_FALSE(ChangeDrive(L'K'));  // not mapped
  EXPECT_FALSE(ChangeDrive(L'S'));  // folder of the drive missing: not ready
  EXPECT_FALSE(ChangeDrive(L'1'));
  EXPECT_FALSE(ChangeDrive(L':'));
  EXPECT_FALSE(ChangeDrive(L'表'));
  EXPECT_EQ(CurrentFolder(), folder);
}

TEST(ChangeFolder, MissingFolderThrowsWithThePathAndKeepsTheCurrentFolder) {
  const std::wstring folder = testsupport::ScratchFolder(L'M');
  ChangeFolder(folder);
  const std::wstring missing = folder + L"\\無い表";
  const base::AppError error = testsupport::Raised([&] { ChangeFolder(missing); });
  EXPECT_EQ(error.kind(), base::AppError::Kind::System);
  EXPECT_NE(error.message().find(missing), std::wstring::npos);
  EXPECT_EQ(CurrentFolder(), folder);
  EXPECT_EQ(DriveCurrentFolder(L'M'), folder);
}

TEST(CurrentFolder, RootEndsInASeparatorOtherFoldersDoNot) {
  const std::wstring folder = testsupport::ScratchFolder(L'N');
  ChangeFolder(folder + L"\\");
  EXPECT_EQ(CurrentFolder(), folder);
  ChangeFolder(L"N:\\");
  EXPECT_EQ(CurrentFolder(), L"N:\\");
  EXPECT_EQ(DriveCurrentFolder(L'N'), L"N:\\");
}
