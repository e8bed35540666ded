// The folder list, driven in this process: a real list box in a top-level window.
#include "app/folderlist.h"

#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileutil/curdir.h"
#include "support/app_driver.h"
#include "support/expected_texts.h"
#include "support/test_support.h"
#include "base/error.h"

namespace {

using Texts = std::vector<std::wstring>;

class FolderListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = CreateWindowExW(0, L"Static", L"folder list", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host_ == nullptr) {
      if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
      FAIL() << "cannot create the test window, error " << GetLastError();
    }
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"ListBox", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 10, 10, 200, 200, host_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(102)), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list_, nullptr);

    // <scratch>\a holds b, 表, ソ, c; a hidden folder and a file that stay out.
    scratch_ = testsupport::ScratchFolder(L'M');
    name_ = scratch_.substr(3);
    a_ = L"m:\\" + name_ + L"\\a";
    for (const wchar_t* sub : {L"b", L"表", L"ソ", L"c", L"hidden", L"表\\能力"})
      testsupport::MakeFolders(scratch_ + L"\\a\\" + sub);
    testsupport::SetHidden(scratch_ + L"\\a\\hidden");
    testsupport::WriteBytes(scratch_ + L"\\a\\f.txt", "x");
    fileutil::ChangeFolder(scratch_ + L"\\a");

    folders_.onChange = [this] {
      ++changes_;
      seen_path_ = folders_.Path();
      seen_entries_ = Entries();
    };
    folders_.Attach(list_);
  }

  void TearDown() override {
    if (host_ != nullptr) DestroyWindow(host_);
    SetCurrentDirectoryW(L"X:\\");
  }

  Texts Entries() const { return appdriver::ListEntries(list_); }

  int IndexOf(const std::wstring& text) const {
    const Texts texts = Entries();
    for (size_t i = 0; i < texts.size(); ++i)
      if (texts[i] == text) return static_cast<int>(i);
    ADD_FAILURE() << "no entry for the text";
    return -1;
  }

  // Entries of <scratch>\a: the chain, then its sub-folders.
  Texts EntriesOfA() const {
    return {L"m:\\", L"  " + name_, L"    a", L"      b", L"      c", L"      ソ", L"      表"};
  }

  void ExpectFailsUnchanged(const std::wstring& path) {
    SCOPED_TRACE(testing::PrintToString(path));
    const std::wstring before_path = folders_.Path();
    const Texts before_entries = Entries();
    const int before_changes = changes_;
    const base::AppError error = testsupport::Raised([&] { folders_.SetPath(path); });
    EXPECT_EQ(error.kind(), base::AppError::Kind::System);
    EXPECT_EQ(error.message().rfind(expected::kCannotOpenFolder + L"\n", 0), 0u);
    EXPECT_EQ(folders_.Path(), before_path);
    EXPECT_EQ(Entries(), before_entries);
    EXPECT_EQ(changes_, before_changes);
  }

  HWND host_ = nullptr;
  HWND list_ = nullptr;
  std::wstring scratch_;  // M:\<Suite>.<Test>
  std::wstring name_;     // <Suite>.<Test>
  std::wstring a_;        // m:\<Suite>.<Test>\a, as the list spells it
  testsupport::ScriptedPrompter prompter_;  // where Enter reports a failure
  app::FolderList folders_{prompter_};
  int changes_ = 0;
  std::wstring seen_path_;
  Texts seen_entries_;
};

TEST_F(FolderListTest, StartsAtTheCurrentFolderWithoutChange) {
  EXPECT_EQ(folders_.Path(), a_);
  EXPECT_EQ(Entries(), EntriesOfA());
  EXPECT_EQ(changes_, 0);
}

TEST_F(FolderListTest, ShowsChainThenVisibleSubFoldersWithOpenFolderSelected) {
  ASSERT_EQ(Entries(), EntriesOfA());  // no "hidden", no "f.txt"; kana before kanji
  EXPECT_EQ(ListBox_GetCurSel(list_), 2);
}

TEST_F(FolderListTest, SortsNamesIgnoringCase) {
  for (const wchar_t* sub : {L"beta", L"Alpha", L"Gamma", L"delta"})
    testsupport::MakeFolders(scratch_ + L"\\a\\c\\" + sub);
  folders_.SetPath(a_ + L"\\c");
  EXPECT_EQ(Entries(), (Texts{L"m:\\", L"  " + name_, L"    a", L"      c", L"        Alpha", L"        beta",
                              L"        delta", L"        Gamma"}));
}

TEST_F(FolderListTest, SamePathInAnotherSpellingChangesNothing) {
  for (const std::wstring& same : {a_, scratch_ + L"\\a\\", L"M:\\" + name_ + L"\\A", a_ + L"\\b\\..\\."}) {
    folders_.SetPath(same);
    EXPECT_EQ(folders_.Path(), a_);
  }
  EXPECT_EQ(changes_, 0);
}

TEST_F(FolderListTest, NewPathRaisesChangeOnceBeforeReturning) {
  folders_.SetPath(scratch_ + L"\\A\\表\\");

  const std::wstring expected = a_ + L"\\表";  // spelled as on disk, no closing backslash
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(seen_path_, expected);
  EXPECT_EQ(folders_.Path(), expected);
  const Texts entries{L"m:\\", L"  " + name_, L"    a", L"      表", L"        能力"};
  EXPECT_EQ(seen_entries_, entries);
  EXPECT_EQ(Entries(), entries);
  EXPECT_EQ(ListBox_GetCurSel(list_), 3);
}

TEST_F(FolderListTest, DriveAloneOpensItsRememberedFolder) {
  const std::wstring other = testsupport::ScratchFolder(L'N') + L"\\ソ表";
  testsupport::MakeFolders(other);
  fileutil::ChangeFolder(other);
  fileutil::ChangeFolder(scratch_);

  folders_.SetPath(L"n:");
  EXPECT_EQ(folders_.Path(), L"n:\\" + name_ + L"\\ソ表");
  EXPECT_EQ(changes_, 1);
  folders_.SetPath(L"N:");
  EXPECT_EQ(changes_, 1);
  folders_.SetPath(L"m:");  // the process's current folder is on M:
  EXPECT_EQ(folders_.Path(), L"m:\\" + name_);
  EXPECT_EQ(changes_, 2);
}

TEST_F(FolderListTest, UnusableFolderThrowsAndChangesNothing) {
  const std::wstring paths[] = {scratch_ + L"\\a\\missing", scratch_ + L"\\missing\\b", scratch_ + L"\\a\\f.txt",
                                scratch_ + L"\\a\\*", L"S:\\", L"s:", L"S:\\lugeon", L""};
  for (const std::wstring& path : paths) ExpectFailsUnchanged(path);
}

TEST_F(FolderListTest, FailureMessageNamesTheFolder) {
  const base::AppError error = testsupport::Raised([&] { folders_.SetPath(scratch_ + L"\\a\\表missing"); });
  EXPECT_EQ(error.message().rfind(expected::Failure(expected::kCannotOpenFolder, scratch_ + L"\\a\\表missing"), 0), 0u);
}

TEST_F(FolderListTest, OpenSelectedGoesDownIntoSubFolderAndUpTheChain) {
  ListBox_SetCurSel(list_, IndexOf(L"      ソ"));
  folders_.OpenSelected();
  EXPECT_EQ(folders_.Path(), a_ + L"\\ソ");
  EXPECT_EQ(Entries(), (Texts{L"m:\\", L"  " + name_, L"    a", L"      ソ"}));
  EXPECT_EQ(changes_, 1);

  ListBox_SetCurSel(list_, 1);
  folders_.OpenSelected();
  EXPECT_EQ(folders_.Path(), L"m:\\" + name_);
  EXPECT_EQ(Entries(), (Texts{L"m:\\", L"  " + name_, L"    a"}));
  EXPECT_EQ(changes_, 2);

  ListBox_SetCurSel(list_, 1);  // the open folder itself
  folders_.OpenSelected();
  ListBox_SetCurSel(list_, -1);  // nothing selected
  folders_.OpenSelected();
  EXPECT_EQ(changes_, 2);
}

TEST_F(FolderListTest, DriveRootKeepsItsBackslash) {
  ListBox_SetCurSel(list_, 0);
  folders_.OpenSelected();
  EXPECT_EQ(folders_.Path(), L"m:\\");
  EXPECT_EQ(changes_, 1);
  const Texts entries = Entries();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0], L"m:\\");
  EXPECT_EQ(ListBox_GetCurSel(list_), 0);
  const int scratch_entry = IndexOf(L"  " + name_);  // other tests' folders come and go beside it
  ASSERT_GT(scratch_entry, 0);

  ListBox_SetCurSel(list_, scratch_entry);
  folders_.OpenSelected();
  EXPECT_EQ(folders_.Path(), L"m:\\" + name_);
  folders_.SetPath(L"M:\\");
  EXPECT_EQ(folders_.Path(), L"m:\\");
  EXPECT_EQ(changes_, 3);
}

TEST_F(FolderListTest, EnterOpensTheSelectedEntry) {
  ListBox_SetCurSel(list_, IndexOf(L"      表"));
  SendMessageW(list_, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(folders_.Path(), a_ + L"\\表");
  EXPECT_EQ(changes_, 1);
}

TEST_F(FolderListTest, EnterPassesThroughDialogKeyHandling) {
  MSG enter = {};
  enter.hwnd = list_;
  enter.message = WM_KEYDOWN;
  enter.wParam = VK_RETURN;
  EXPECT_TRUE(SendMessageW(list_, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
              DLGC_WANTALLKEYS);

  ListBox_SetCurSel(list_, IndexOf(L"      b"));
  EXPECT_TRUE(IsDialogMessageW(host_, &enter));
  EXPECT_EQ(folders_.Path(), a_ + L"\\b");
  EXPECT_EQ(changes_, 1);
}

TEST_F(FolderListTest, EnterReportsFailureInWarningBox) {
  testsupport::RemoveTree(scratch_ + L"\\a\\c");  // gone after it was listed
  ListBox_SetCurSel(list_, IndexOf(L"      c"));

  SendMessageW(list_, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  const testsupport::Prompt& prompt = prompter_.prompts()[0];
  EXPECT_EQ(prompt.text.rfind(expected::Failure(expected::kCannotOpenFolder, a_ + L"\\c"), 0), 0u);
  EXPECT_EQ(prompt.buttons, base::Buttons::Ok);
  EXPECT_EQ(prompt.icon, base::Icon::Warning);
  EXPECT_EQ(folders_.Path(), a_);
  EXPECT_EQ(Entries(), EntriesOfA());
  EXPECT_EQ(changes_, 0);
}

TEST_F(FolderListTest, ChangeHandlerErrorLeavesSetPathButEnterReportsIt) {
  folders_.onChange = [] { throw base::AppError(L"handler failed"); };
  EXPECT_THROW(folders_.SetPath(a_ + L"\\b"), base::AppError);
  EXPECT_EQ(folders_.Path(), a_ + L"\\b");  // the path had changed before the handler ran

  ListBox_SetCurSel(list_, 2);
  SendMessageW(list_, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].text, L"handler failed");
  EXPECT_EQ(folders_.Path(), a_);
}

}  // namespace
