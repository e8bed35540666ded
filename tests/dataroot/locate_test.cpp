// LocateDataRoot: beside the program, the program's drive, then A to Z.
// These walk whole drives: C: (the Wine prefix), the test drives and X:.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dataroot/dataroot.h"
#include "dataroot_fixtures.h"
#include "support/test_support.h"

using datafixture::PlaceRoot;
using datafixture::RemoveAtEnd;
using datafixture::Scratch;
using dataroot::LocateDataRoot;
using dataroot::LocateDataRootFrom;

namespace {

class LocateDataRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = testsupport::WholeDriveSearchBlocked(); !why.empty()) GTEST_SKIP() << why;
  }
};

}  // namespace

TEST_F(LocateDataRootTest, BesideTheProgramWinsOverTheDrives) {
  Scratch scratch;
  const std::wstring program = scratch.path() + L"\\prog";
  PlaceRoot(program);
  PlaceRoot(scratch.path() + L"\\A");  // on the drive, and earlier in walk order
  EXPECT_EQ(LocateDataRootFrom(program), program + L"\\PATDAT\\");
  EXPECT_EQ(LocateDataRootFrom(program + L"\\"), program + L"\\PATDAT\\");
}

TEST_F(LocateDataRootTest, ProgramInADriveRoot) {
  RemoveAtEnd end(L"N:\\PATDAT");
  PlaceRoot(L"N:");
  EXPECT_EQ(LocateDataRootFrom(L"N:\\"), L"N:\\PATDAT\\");
  EXPECT_EQ(LocateDataRootFrom(L"N:"), L"N:\\PATDAT\\");
}

TEST_F(LocateDataRootTest, RootFolderOfADriveIsItsFirstCandidate) {
  Scratch program;
  Scratch other(L'N');
  RemoveAtEnd end(L"N:\\PATDAT");
  PlaceRoot(other.path());
  PlaceRoot(L"N:");
  EXPECT_EQ(LocateDataRootFrom(program.path()), L"N:\\PATDAT\\");
}

TEST_F(LocateDataRootTest, EmptyMarkersAreNoMarkersAnywhere) {
  Scratch program;
  Scratch other(L'O');
  PlaceRoot(program.path(), "");
  PlaceRoot(program.path() + L"\\A", "");
  PlaceRoot(other.path(), "");
  EXPECT_EQ(LocateDataRootFrom(program.path()), L"");
}

TEST_F(LocateDataRootTest, FirstRootInWalkOrderOnADrive) {
  Scratch scratch;
  PlaceRoot(scratch.path() + L"\\B");
  PlaceRoot(scratch.path() + L"\\A\\X");
  EXPECT_EQ(LocateDataRootFrom(scratch.path() + L"\\prog"), scratch.path() + L"\\A\\X\\PATDAT\\");
}

TEST_F(LocateDataRootTest, RootOnlyOnALaterDrive) {
  Scratch program;  // on M:
  Scratch root(L'P');
  PlaceRoot(root.path());
  EXPECT_EQ(LocateDataRootFrom(program.path()), root.path() + L"\\PATDAT\\");
}

TEST_F(LocateDataRootTest, ProgramsOwnDriveComesFirst) {
  Scratch onN(L'N');
  Scratch onP(L'P');
  PlaceRoot(onN.path());
  PlaceRoot(onP.path());
  // From M: the letters decide: N: before P:.
  EXPECT_EQ(LocateDataRootFrom(L"M:\\tools"), onN.path() + L"\\PATDAT\\");
  // From P: its own drive is walked before A to Z.
  EXPECT_EQ(LocateDataRootFrom(onP.path() + L"\\prog"), onP.path() + L"\\PATDAT\\");
}

TEST_F(LocateDataRootTest, NetworkAndCdDrivesAreNeverWalked) {
  if (!testsupport::IsTestDrive(L'Q') || !testsupport::IsTestDrive(L'R'))
    GTEST_SKIP() << "no network and CD drive of the test set-up here (made under Wine only)";
  Scratch onQ(L'Q');
  PlaceRoot(onQ.path());
  EXPECT_EQ(LocateDataRootFrom(L"M:\\tools"), L"");
  // Not even as the program's own drive ...
  EXPECT_EQ(LocateDataRootFrom(L"Q:\\tools"), L"");
  // ... but a data root beside the program is taken wherever the program is.
  EXPECT_EQ(LocateDataRootFrom(onQ.path()), onQ.path() + L"\\PATDAT\\");

  if (CreateDirectoryW(L"R:\\cd", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    RemoveAtEnd end(L"R:\\cd");
    PlaceRoot(L"R:\\cd");
    EXPECT_EQ(LocateDataRootFrom(L"R:\\tools"), L"");
  }
}

TEST_F(LocateDataRootTest, NoDataRootAnywhere) {
  EXPECT_EQ(LocateDataRoot({}), L"");
  EXPECT_EQ(LocateDataRootFrom(L"S:\\gone"), L"");
  EXPECT_EQ(LocateDataRootFrom(L""), L"");
}

TEST_F(LocateDataRootTest, LooksBesideTheRunningProgram) {
  wchar_t module[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(length, 0u);
  std::wstring folder(module, length);
  folder.resize(folder.find_last_of(L'\\') + 1);
  RemoveAtEnd end(folder + L"PATDAT");
  PlaceRoot(folder.substr(0, folder.size() - 1));
  EXPECT_EQ(LocateDataRoot({}), folder + L"PATDAT\\");
}
