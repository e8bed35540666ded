#include "fileutil/destpath.h"

#include <gtest/gtest.h>

#include "fileutil/curdir.h"
#include "support/test_support.h"

using fileutil::ValidateDestPath;

namespace {

const std::wstring kDriveNameMessage =
    L"規定値のドライブ名が正しくありません。ドライブ名は１文字のアルファベットと \":\" "
    L"でなければいけません。  例 \"C:\", \"D:\"...";

struct Outcome {
  bool accepted;
  std::wstring path;
  std::vector<testsupport::Prompt> prompts;
};

Outcome Check(std::wstring path) {
  testsupport::ScriptedPrompter prompter;
  const bool accepted = ValidateDestPath(path, prompter);
  return {accepted, path, prompter.prompts()};
}

// Starts every case on a known drive and folder.
class ValidateDestPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = testsupport::ScratchFolder(L'O');
    fileutil::ChangeFolder(start_);
  }
  std::wstring start_;
};

}  // namespace

TEST_F(ValidateDestPathTest, TrimsAsciiSpacesAndAddsTheClosingSeparator) {
  Outcome outcome = Check(L"  M:\\DATA ");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"M:\\DATA\\");
  EXPECT_TRUE(outcome.prompts.empty());

  // An ideographic space belongs to the name, as on the file system.
  outcome = Check(L" M:\\結果\u3000 ");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"M:\\結果\u3000\\");
  EXPECT_TRUE(outcome.prompts.empty());
}

TEST_F(ValidateDestPathTest, AcceptedPathsInTheirFinalForm) {
  EXPECT_EQ(Check(L"M:\\DATA\\").path, L"M:\\DATA\\");
  EXPECT_TRUE(Check(L"M:\\DATA\\").accepted);

  Outcome outcome = Check(L"C:");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"C:\\");

  outcome = Check(L"M:DATA");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"M:\\DATA\\");

  // Folder names are not checked, letter case is kept.
  outcome = Check(L"n:\\試験表\\a b.c d");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"n:\\試験表\\a b.c d\\");

  // The folders need not exist; the run creates them.
  outcome = Check(L"M:\\無い\\フォルダ");
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"M:\\無い\\フォルダ\\");
}

TEST_F(ValidateDestPathTest, AcceptedPathMakesItsDriveCurrent) {
  ASSERT_TRUE(Check(L"N:\\DATA").accepted);
  EXPECT_EQ(fileutil::CurrentFolder(), L"N:\\");
  // Back on a drive visited before: its own folder, not the root.
  ASSERT_TRUE(Check(L"o:\\OTHER").accepted);
  EXPECT_EQ(fileutil::CurrentFolder(), start_);
}

TEST_F(ValidateDestPathTest, WrongDriveNameShowsTheMessageAndRefuses) {
  for (const std::wstring path : {L"DATA", L"\\DATA", L"\\\\server\\share", L"表:\\DATA",
                                  L"ソ:", L"能", L"", L"C", L"   ", L"\u3000C"}) {
    const Outcome outcome = Check(path);
    EXPECT_FALSE(outcome.accepted);
    ASSERT_EQ(outcome.prompts.size(), 1u);
    EXPECT_EQ(outcome.prompts[0].text, kDriveNameMessage);
    EXPECT_EQ(outcome.prompts[0].buttons, fileutil::Buttons::Ok);
    EXPECT_EQ(outcome.prompts[0].icon, fileutil::Icon::Information);
    EXPECT_FALSE(outcome.prompts[0].caption.has_value());
    EXPECT_EQ(fileutil::CurrentFolder(), start_);
  }
  // Trimmed before the message, nothing else.
  EXPECT_EQ(Check(L" \\\\server\\share ").path, L"\\\\server\\share");
  EXPECT_EQ(Check(L" 表:DATA").path, L"表:DATA");
}

TEST_F(ValidateDestPathTest, WildcardsAreRefusedSilentlyBeforeAnyChange) {
  for (const std::wstring path : {L"M:DA*TA", L"M:\\DA?A", L"M:*", L"N:\\表\\?"}) {
    const Outcome outcome = Check(path);
    EXPECT_FALSE(outcome.accepted) << outcome.path;
    EXPECT_EQ(outcome.path, path);
    EXPECT_TRUE(outcome.prompts.empty());
    EXPECT_EQ(fileutil::CurrentFolder(), start_);
  }
}

TEST_F(ValidateDestPathTest, DriveThatCannotBeMadeCurrentIsRefusedSilently) {
  // K: is not mapped, S: is not ready, the others are no drive letters.
  for (const std::wstring path : {L"K:\\DATA", L"S:\\DATA", L"1:\\DATA", L"+:DATA", L"ｱ:\\DATA",
                                  L"K:"}) {
    const Outcome outcome = Check(path);
    EXPECT_FALSE(outcome.accepted) << outcome.path;
    EXPECT_TRUE(outcome.prompts.empty());
    EXPECT_EQ(fileutil::CurrentFolder(), start_);
  }
  // The separator after the drive was inserted; no closing one yet.
  EXPECT_EQ(Check(L" +:DATA").path, L"+:\\DATA");
  EXPECT_EQ(Check(L"K:").path, L"K:");
}

TEST_F(ValidateDestPathTest, EmptyFolderNameIsRefusedSilentlyAfterTheDriveChange) {
  Outcome outcome = Check(L"M:\\DATA\\\\TEST");
  EXPECT_FALSE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"M:\\DATA\\\\TEST\\");
  EXPECT_TRUE(outcome.prompts.empty());
  EXPECT_EQ(fileutil::CurrentFolder(), L"M:\\");

  outcome = Check(L"N:\\\\");
  EXPECT_FALSE(outcome.accepted);
  EXPECT_EQ(outcome.path, L"N:\\\\");
  EXPECT_TRUE(outcome.prompts.empty());
}
