// The whole job as a user does it, in the real program: a source drive chosen
// in its list, tests picked with the mouse (Ctrl and Shift), a destination
// opened by double-click, Execute, the real overwrite question answered both
// ways, and the files and PCNT.TXT checked byte for byte on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "conversion/index_file.h"
#include "support/app_driver.h"
#include "app/control_ids.h"
#include "support/expected_texts.h"
#include "support/test_support.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Names = std::vector<std::wstring>;

constexpr wchar_t kSource[] = L"N:\\lugeon";  // the lugeon folder of the source drive's root
constexpr wchar_t kDestName[] = L"結果表";  // ends in 表: second byte 0x5C

class WholeJob : public appdriver::ProgramTest {
 protected:
  void SetUp() override {
    if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
    MakeSource();
    destParent_ = testsupport::ScratchFolder(L'O');
    dest_ = destParent_ + L"\\" + kDestName;
    testsupport::MakeFolders(dest_);
    // Already there: test 1001 and an index that knows it.
    WriteBytes(dest_ + L"\\1001.HED", "old header");
    WriteBytes(dest_ + L"\\1001.GRA", "old data");
    WriteBytes(dest_ + L"\\PCNT.TXT", "1.00,1001\r\n20.00,0999\r\n");

    ProgramTest::SetUp();
    if (form_ != nullptr) appdriver::BringToFront(form_);
  }

  void TearDown() override {
    ProgramTest::TearDown();
    testsupport::RemoveTree(kSource);
    if (!destParent_.empty()) testsupport::RemoveTree(destParent_);
  }

  // Tests with a Japanese number whose second byte is 0x5C (ソ, 表), a header
  // without its data file, one with an empty data file, and a third file of
  // a test beside its header and data.
  static void MakeSource() {
    const std::wstring src = kSource;
    testsupport::RemoveTree(src);
    testsupport::MakeFolders(src);
    WriteBytes(src + L"\\1001.HED", "a,b,c,d,12.5\r\n");
    WriteBytes(src + L"\\1001.GRA", "data 1001");
    WriteBytes(src + L"\\1001.TXT", "note 1001");
    WriteBytes(src + L"\\1002.HED", "a,b,c,d,3\r\n");
    WriteBytes(src + L"\\1002.GRA", "data 1002");
    WriteBytes(src + L"\\1003.HED", "a,b,c,d,4\r\n");
    WriteBytes(src + L"\\1004.HED", "a,b,c,d,5\r\n");
    WriteBytes(src + L"\\1004.GRA", "");
    WriteBytes(src + L"\\ソ-12.HED", "a,b,c,d,7.25\r\n");
    WriteBytes(src + L"\\ソ-12.GRA", "data so");
    WriteBytes(src + L"\\表01.HED", "a,b,c,d,0.5\r\n");
    WriteBytes(src + L"\\表01.GRA", "data hyo");
  }

  // The source drive's lugeon folder and the destination, chosen with the
  // mouse; the window in front.
  void OpenSourceAndDestination() {
    ChooseDrive(app::kIdDrive1, L'n');
    ChooseDrive(app::kIdDrive2, L'o');
    DoubleClickFolder(destParent_.substr(3));
    DoubleClickFolder(kDestName);
    ASSERT_EQ(appdriver::Text(Control(app::kIdText2)), L"o:" + dest_.substr(2));
    appdriver::BringToFront(form_);
  }

  // The destination without what SetUp placed there.
  void EmptyDestination() {
    for (const wchar_t* name : {L"1001.HED", L"1001.GRA", L"PCNT.TXT"}) testsupport::RemoveTree(dest_ + L"\\" + name);
  }

  void ChooseDrive(int id, wchar_t letter) {
    EXPECT_TRUE(appdriver::ChooseDrive(Control(id), letter)) << "no drive " << static_cast<char>(letter) << ":";
  }

  void DoubleClickFolder(const std::wstring& name) {
    const HWND dir = Control(app::kIdDir2);
    const int index = appdriver::FindListEntry(dir, name);
    ASSERT_GE(index, 0) << "no such folder in Dir2";
    appdriver::DoubleClickAt(appdriver::ListEntryCentre(dir, index));
  }

  void ClickTest(int index, WORD modifier = 0) {
    appdriver::ClickAt(appdriver::ListEntryCentre(Control(app::kIdList1), index), modifier);
  }

  Names SelectedTests() {
    const HWND list = Control(app::kIdList1);
    const Names entries = appdriver::ListEntries(list);
    Names selected;
    for (size_t i = 0; i < entries.size(); ++i)
      if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(entries[i]);
    return selected;
  }

  POINT CentreOf(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  }

  // Execute; the overwrite question for test t answered with answer; the run
  // ends with the completion text and no other message box.
  void ExecuteAnswering(const std::wstring& t, int answer) {
    appdriver::ClickAt(CentreOf(Control(app::kIdCommand1)));
    const HWND box = app_->WaitForMessageBox(15000);
    ASSERT_NE(box, nullptr) << "no overwrite question";
    const appdriver::MessageBoxView view = appdriver::ReadMessageBox(box);
    EXPECT_EQ(view.text, expected::Overwrite(t));
    EXPECT_EQ(view.caption, expected::kAppTitle);
    EXPECT_EQ(view.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(view.icon) << "question icon";
    appdriver::Answer(box, answer);

    const HWND label3 = Control(app::kIdLabel3);
    bool progressShown = false;
    ASSERT_TRUE(appdriver::WaitUntil(
        [&] {
          progressShown = progressShown || app_->ProgressDialog() != nullptr;
          return appdriver::Text(label3) == expected::kDone ||
                 (app_->MessageBox() != nullptr && app_->MessageBox() != box);
        },
        15000))
        << "the run did not end";
    EXPECT_FALSE(progressShown) << "a short run shows no progress dialog";
    if (const HWND other = app_->MessageBox()) {
      ADD_FAILURE() << "unexpected message: " << appdriver::ReadMessageBox(other).text;
      appdriver::Answer(other, IDOK);
    }
    EXPECT_EQ(appdriver::Text(label3), expected::kDone);
  }

  std::wstring destParent_;  // O:\<Suite>.<Test>
  std::wstring dest_;        // ...\結果表
};

TEST_F(WholeJob, FromSourceDriveToIndexedDestination) {
  // Source: the drive's lugeon folder, its tests in the listing's order.
  ChooseDrive(app::kIdDrive1, L'n');
  EXPECT_EQ(appdriver::Text(Control(app::kIdText1)), L"n:\\lugeon");
  ASSERT_EQ(appdriver::ListEntries(Control(app::kIdList1)), (Names{L"1001", L"1002", L"ソ-12", L"表01"}))
      << "no 1003 (no data file), no 1004 (empty data file)";

  // Destination: its drive, then two double-clicks down to 結果表.
  ChooseDrive(app::kIdDrive2, L'o');
  EXPECT_EQ(appdriver::Text(Control(app::kIdText2)), L"o:\\");
  DoubleClickFolder(destParent_.substr(3));
  DoubleClickFolder(kDestName);
  const std::wstring shownDest = L"o:" + dest_.substr(2);
  ASSERT_EQ(appdriver::Text(Control(app::kIdText2)), shownDest);

  // 1001, Shift to ソ-12, Ctrl takes 1002 back out and adds 表01.
  appdriver::BringToFront(form_);
  ClickTest(0);
  ClickTest(2, VK_SHIFT);
  EXPECT_EQ(SelectedTests(), (Names{L"1001", L"1002", L"ソ-12"}));
  ClickTest(1, VK_CONTROL);
  ClickTest(3, VK_CONTROL);
  ASSERT_EQ(SelectedTests(), (Names{L"1001", L"ソ-12", L"表01"}));

  // 1001 is there already: "No" leaves it as it was; the others come over.
  ExecuteAnswering(L"1001", IDNO);
  EXPECT_EQ(testsupport::FolderContents(dest_),
            (Names{L"1001.GRA", L"1001.HED", L"PCNT.TXT", L"ソ-12.GRA", L"ソ-12.HED", L"表01.GRA", L"表01.HED"}));
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.HED"), "old header");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.GRA"), "old data");
  EXPECT_EQ(ReadBytes(dest_ + L"\\表01.GRA"), "data hyo");
  EXPECT_EQ(ReadBytes(dest_ + L"\\ソ-12.HED"), "a,b,c,d,7.25\r\n");
  EXPECT_EQ(ReadBytes(dest_ + L"\\PCNT.TXT"),
            ".50,\x95\x5C" "01\r\n1.00,1001\r\n7.25,\x83\x5C-12\r\n20.00,0999\r\n");

  // A plain click keeps 1001 alone; "Yes" brings all its files and its value.
  ClickTest(0);
  ASSERT_EQ(SelectedTests(), (Names{L"1001"}));
  ExecuteAnswering(L"1001", IDYES);
  EXPECT_EQ(testsupport::FolderContents(dest_),
            (Names{L"1001.GRA", L"1001.HED", L"1001.TXT", L"PCNT.TXT", L"ソ-12.GRA", L"ソ-12.HED", L"表01.GRA",
                   L"表01.HED"}));
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.HED"), "a,b,c,d,12.5\r\n");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.GRA"), "data 1001");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.TXT"), "note 1001");
  EXPECT_EQ(ReadBytes(dest_ + L"\\PCNT.TXT"),
            ".50,\x95\x5C" "01\r\n7.25,\x83\x5C-12\r\n12.50,1001\r\n20.00,0999\r\n");
  EXPECT_EQ(testsupport::FolderContents(kSource).size(), 12u) << "the source is left as it was";

  // The completion text stays while the mouse is over a control and goes
  // when it reaches the free panel.
  const HWND label3 = Control(app::kIdLabel3);
  appdriver::MoveMouseTo(CentreOf(Control(app::kIdList1)));
  appdriver::Pump(300);
  EXPECT_EQ(appdriver::Text(label3), expected::kDone);
  RECT panel;
  GetWindowRect(Control(app::kIdPicture1), &panel);
  appdriver::MoveMouseTo(POINT{panel.left + 8, panel.top + 8});
  EXPECT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(label3).empty(); }, 5000))
      << "the message line is cleared over the background";
  EXPECT_EQ(app_->WaitForExit(0), STILL_ACTIVE);
}

// A run that lasts (the test keeps the index's lock for its first three
// seconds, as another copy of the program would): the window answers other
// programs all through it (Windows marks a window that does not as
// "(応答なし)"), shows the run's progress in the system's dialog, and takes no
// click or key meant for it; a handler that empties the window's selection
// meanwhile changes nothing of what the run does. Windows may not end the
// session during the run, and may again after it.
TEST_F(WholeJob, ALongRunKeepsAnsweringShowsItsProgressAndTakesNoClicks) {
  EmptyDestination();
  OpenSourceAndDestination();
  ClickTest(1);
  ClickTest(2, VK_CONTROL);
  ASSERT_EQ(SelectedTests(), (Names{L"1002", L"ソ-12"}));

  const HWND label3 = Control(app::kIdLabel3);
  const POINT execute = CentreOf(Control(app::kIdCommand1));
  base::ScopedFile lock = conversion::LockIndex(dest_ + L"\\", 0);
  ASSERT_TRUE(lock.valid());
  appdriver::ClickAt(execute);
  ASSERT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(label3) == expected::kInProgress; }, 10000));
  const ULONGLONG start = GetTickCount64();
  HWND dialog = nullptr;
  std::wstring dialogTitle;
  std::vector<std::wstring> dialogTexts;
  int polls = 0;
  bool inputMade = false;
  const auto sessionMayEnd = [&] {
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(form_, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 2000, &answer), 0);
    return answer != FALSE;
  };
  bool sawTestLine = false;
  while (appdriver::Text(label3) == expected::kInProgress && GetTickCount64() - start < 60000) {
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &ignored), 0)
        << "not answered within 0.5 s, " << GetTickCount64() - start << " ms into the run";
    ++polls;
    // Its lines come a moment after the dialog itself.
    if (const HWND shown = app_->ProgressDialog(); shown != nullptr && !sawTestLine) {
      dialog = shown;
      dialogTitle = appdriver::Text(dialog);
      dialogTexts = appdriver::DialogTexts(dialog);
      sawTestLine = std::ranges::find(dialogTexts, expected::ProgressTest(1, 2, L"1002")) != dialogTexts.end();
    }
    if (!inputMade && GetTickCount64() - start > 500) {
      appdriver::ClickAt(execute);
      appdriver::PressKey(VK_SPACE);  // Execute has the focus since its click
      appdriver::PressKey(VK_RETURN);
      ClickTest(0);
      EXPECT_EQ(SelectedTests(), (Names{L"1002", L"ソ-12"})) << "a click in the list during the run";
      // Dir1 opens the drive's root: its handler empties the window's selection.
      const HWND dir1 = Control(app::kIdDir1);
      SendMessageW(dir1, LB_SETCURSEL, 0, 0);
      DWORD_PTR done = 0;
      SendMessageTimeoutW(GetParent(dir1), WM_COMMAND, MAKEWPARAM(app::kIdDir1, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(dir1), SMTO_NORMAL, 5000, &done);
      EXPECT_FALSE(sessionMayEnd()) << "during the run";
      inputMade = appdriver::Text(label3) == expected::kInProgress;
      ASSERT_TRUE(inputMade) << "the run ended before the input was made: inconclusive";
    }
    if (GetTickCount64() - start > 3000) lock.reset();
    appdriver::Pump(50);
  }
  lock.reset();
  std::printf("polled %d times in %llu ms of the run\n", polls, GetTickCount64() - start);
  EXPECT_GE(polls, 40) << "several seconds of the run";
  EXPECT_EQ(appdriver::Text(Control(app::kIdText1)), L"n:\\") << "the handler ran during the run";
  ASSERT_NE(dialog, nullptr) << "a long run shows its progress";
  EXPECT_EQ(dialogTitle, expected::kAppTitle);
  EXPECT_TRUE(sawTestLine) << testing::PrintToString(dialogTexts);

  ASSERT_TRUE(appdriver::WaitUntil(
      [&] { return appdriver::Text(label3) == expected::kDone || app_->MessageBox() != nullptr; }, 60000));
  if (const HWND box = app_->MessageBox()) FAIL() << "unexpected message: " << appdriver::ReadMessageBox(box).text;
  // No second run started; the run entered both tests of its own selection.
  EXPECT_FALSE(appdriver::WaitUntil([&] { return app_->MessageBox() != nullptr; }, 2000))
      << "a second run started";
  EXPECT_EQ(appdriver::Text(label3), expected::kDone);
  EXPECT_EQ(ReadBytes(dest_ + L"\\PCNT.TXT"), "3.00,1002\r\n7.25,\x83\x5C-12\r\n");
  EXPECT_TRUE(appdriver::WaitUntil([&] { return app_->ProgressDialog() == nullptr; }, 5000))
      << "the dialog goes with the run";
  EXPECT_TRUE(sessionMayEnd()) << "after the run";

  // Afterwards a click starts a run as usual: the selection went with the folder.
  appdriver::ClickAt(execute);
  const HWND box = app_->WaitForMessageBox(15000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(appdriver::ReadMessageBox(box).text, expected::kNoTest);
  appdriver::Answer(box, IDOK);
}

// Cancel in the progress dialog while test 1002 is under way (the test takes
// the index's lock while the overwrite question is open, so that the run then
// waits): the run stops and says which test it did not finish; the test before
// it stays copied and entered, and the previous copy of the stopped test stays
// as it was, with nothing of the run left beside it.
TEST_F(WholeJob, CancelStopsTheRunAndKeepsWhatWasDone) {
  WriteBytes(dest_ + L"\\1002.HED", "old header 1002");
  WriteBytes(dest_ + L"\\1002.GRA", "old data 1002");
  OpenSourceAndDestination();
  ClickTest(0);
  ClickTest(1, VK_CONTROL);
  ASSERT_EQ(SelectedTests(), (Names{L"1001", L"1002"}));

  appdriver::ClickAt(CentreOf(Control(app::kIdCommand1)));
  base::ScopedFile lock;
  for (const std::wstring t : {L"1001", L"1002"}) {
    const HWND question = app_->WaitForMessageBox(15000);
    ASSERT_NE(question, nullptr) << "no overwrite question";
    ASSERT_EQ(appdriver::ReadMessageBox(question).text, expected::Overwrite(t));
    if (t == L"1002") {
      lock = conversion::LockIndex(dest_ + L"\\", 2000);
      ASSERT_TRUE(lock.valid());
    }
    appdriver::Answer(question, IDYES);
    ASSERT_TRUE(appdriver::WaitUntil([&] { return app_->MessageBox() != question; }, 5000));
  }
  HWND dialog = nullptr;
  ASSERT_TRUE(appdriver::WaitUntil([&] { return (dialog = app_->ProgressDialog()) != nullptr; }, 20000));
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);

  const HWND box = app_->WaitForMessageBox(60000);
  ASSERT_NE(box, nullptr) << "no message after Cancel";
  const appdriver::MessageBoxView view = appdriver::ReadMessageBox(box);
  EXPECT_EQ(view.text, expected::RunStopped(L"1002"));
  EXPECT_EQ(view.caption, expected::kAppTitle);
  EXPECT_EQ(view.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(view.icon);
  appdriver::Answer(box, IDOK);
  lock.reset();

  const HWND label3 = Control(app::kIdLabel3);
  EXPECT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(label3).empty(); }, 5000)) << "no completion text";
  EXPECT_TRUE(appdriver::WaitUntil([&] { return app_->ProgressDialog() == nullptr; }, 5000));
  EXPECT_EQ(ReadBytes(dest_ + L"\\PCNT.TXT"), "12.50,1001\r\n20.00,0999\r\n");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1001.GRA"), "data 1001");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1002.HED"), "old header 1002");
  EXPECT_EQ(ReadBytes(dest_ + L"\\1002.GRA"), "old data 1002");
  EXPECT_EQ(testsupport::FolderContents(dest_),
            (Names{L"1001.GRA", L"1001.HED", L"1001.TXT", L"1002.GRA", L"1002.HED", L"PCNT.TXT"}));
}

// The same job with the keyboard alone: Tab between the controls, a letter in
// a drive list, arrows and Enter in a folder list, Shift+End in the test list,
// and Space on Execute. The destination is empty, so nothing is asked.
TEST_F(WholeJob, WithTheKeyboardAlone) {
  EmptyDestination();
  auto focusIs = [&](int id) {
    return appdriver::WaitUntil([&] { return appdriver::FocusOf(form_) == Control(id); }, 3000);
  };
  auto press = [](WORD key, int times = 1, bool shift = false) {
    for (int i = 0; i < times; ++i) {
      appdriver::PressKey(key, shift);
      appdriver::Pump(60);
    }
  };
  ASSERT_TRUE(focusIs(app::kIdDir1));

  press(VK_TAB);
  ASSERT_TRUE(focusIs(app::kIdDrive1));
  press('N');
  ASSERT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(Control(app::kIdText1)) == L"n:\\lugeon"; }, 3000));
  ASSERT_EQ(appdriver::ListEntries(Control(app::kIdList1)).size(), 4u);

  press(VK_TAB, 2);
  ASSERT_TRUE(focusIs(app::kIdDrive2));
  press('O');
  ASSERT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(Control(app::kIdText2)) == L"o:\\"; }, 3000));

  // Down the folder list to an entry, then Enter opens it.
  const HWND dir = Control(app::kIdDir2);
  auto open = [&](const std::wstring& name) {
    const int target = appdriver::FindListEntry(dir, name);
    ASSERT_GE(target, 0);
    const int from = static_cast<int>(SendMessageW(dir, LB_GETCURSEL, 0, 0));
    press(target > from ? VK_DOWN : VK_UP, std::abs(target - from));
    press(VK_RETURN);
  };
  press(VK_TAB, 1, true);
  ASSERT_TRUE(focusIs(app::kIdDir2));
  open(destParent_.substr(3));
  open(kDestName);
  ASSERT_TRUE(appdriver::WaitUntil(
      [&] { return appdriver::Text(Control(app::kIdText2)) == L"o:" + dest_.substr(2); }, 3000));

  // Dir2 -> Drive2 -> Command1 -> Command2 -> List1: all four tests.
  press(VK_TAB, 4);
  ASSERT_TRUE(focusIs(app::kIdList1));
  press(VK_HOME);
  press(VK_END, 1, true);
  ASSERT_EQ(SelectedTests(), (Names{L"1001", L"1002", L"ソ-12", L"表01"}));

  press(VK_TAB, 2, true);
  ASSERT_TRUE(focusIs(app::kIdCommand1));
  press(VK_SPACE);
  const HWND label3 = Control(app::kIdLabel3);
  ASSERT_TRUE(appdriver::WaitUntil(
      [&] { return appdriver::Text(label3) == expected::kDone || app_->MessageBox() != nullptr; }, 15000));
  if (const HWND box = app_->MessageBox()) FAIL() << "unexpected message: " << appdriver::ReadMessageBox(box).text;
  EXPECT_EQ(testsupport::FolderContents(dest_),
            (Names{L"1001.GRA", L"1001.HED", L"1001.TXT", L"1002.GRA", L"1002.HED", L"PCNT.TXT", L"ソ-12.GRA",
                   L"ソ-12.HED", L"表01.GRA", L"表01.HED"}));
  // A new index starts with the first test's value as its header wrote it.
  EXPECT_EQ(ReadBytes(dest_ + L"\\PCNT.TXT"),
            ".50,\x95\x5C" "01\r\n3.00,1002\r\n7.25,\x83\x5C-12\r\n12.50,1001\r\n");
}

}  // namespace
