#include "fileutil/destpath.h"

#include <gtest/gtest.h>

#include "fileutil/curdir.h"
#include "support/expected_texts.h"
#include "support/test_support.h"

using base::Buttons;
using base::Icon;
using fileutil::ValidateDestPath;

namespace {

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

TEST_F(ValidateDestPathTest, AcceptedPathsInTheirFinalForm) {
  const struct {
    const wchar_t* typed;
    const wchar_t* final;
  } rows[] = {
      // ASCII spaces are trimmed and the closing separator added; an
      // ideographic space belongs to the name, as on the file system.
      {L"  M:\\DATA ", L"M:\\DATA\\"},
      {L" M:\\結果\u3000 ", L"M:\\結果\u3000\\"},
      {L"M:\\DATA\\", L"M:\\DATA\\"},
      {L"C:", L"C:\\"},
      {L"M:DATA", L"M:\\DATA\\"},
      {L"n:\\試験表\\a b.c d", L"n:\\試験表\\a b.c d\\"},  // folder names are not checked, letter case is kept
      {L"M:\\無い\\フォルダ", L"M:\\無い\\フォルダ\\"},        // the folders need not exist; the run creates them
  };
  for (const auto& row : rows) {
    const Outcome outcome = Check(row.typed);
    EXPECT_TRUE(outcome.accepted) << row.typed;
    EXPECT_EQ(outcome.path, row.final);
    EXPECT_TRUE(outcome.prompts.empty()) << row.typed;
  }
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
    EXPECT_EQ(outcome.prompts, (testsupport::Prompts{{expected::kDriveName, Buttons::Ok, Icon::Information}}));
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
