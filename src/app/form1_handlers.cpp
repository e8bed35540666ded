// The window's event handlers, under the names of the events they answer.
// Form1::OnCommand and the panel's mouse handling route to them, always
// through Guarded, so a failure here is shown and the window goes on.
#include "app/form1.h"

#include <windowsx.h>

#include <string>

#include "conversion/execute.h"
#include "fileutil/curdir.h"
#include "fileutil/testnumbers.h"
#include "base/error.h"
#include "base/limits.h"
#include "base/messages.h"

namespace app {

namespace {

// Both drive handlers: the folder list moves to the chosen drive (and below
// it, by suffix), then that drive becomes current. A step that fails is
// skipped without a word: the folder list keeps its path while the drive list
// already shows the new drive.
void FollowDrive(const DriveList& drives, FolderList& folders, const std::wstring& suffix) {
  const std::wstring drive = drives.Drive().substr(0, 2);
  try {
    folders.SetPath(drive + suffix);
  } catch (const base::AppError&) {
  }
  if (drive.size() == 2) fileutil::ChangeDrive(drive[0]);
}

}  // namespace

void Form1::Command1_Click() {
  // A click that reaches the button while a run lets pending events through
  // must not start a second run inside the first.
  if (running_) return;
  running_ = true;
  runDelay_.Restart();
  ShutdownBlockReasonCreate(hwnd_, base::text::kShutdownReason);
  conversion::Command1_Click(*this, state_.SelectedTests, state_.DoneMessageShown);  // ends the run itself
  if (hwnd_ != nullptr) ShutdownBlockReasonDestroy(hwnd_);
  running_ = false;
  if (exitRequested_) Command2_Click();
}

void Form1::Command2_Click() {
  // Exit during a run stops the run; the window goes once it has.
  if (running_) {
    exitRequested_ = true;
    return;
  }
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Form1::Dir1_Change() {
  const HWND list = Control(kIdList1);
  try {
    SetWindowTextW(Control(kIdText1), dir1_.Path().c_str());
    fileutil::ChangeFolder(dir1_.Path());
    const std::wstring folder = dir1_.Path();
    state_.SelectedTests.clear();
    state_.ListedTests = fileutil::ListTestNumbers(folder);
    ListBox_ResetContent(list);
    for (const std::wstring& t : state_.ListedTests) ListBox_AddString(list, t.c_str());
  } catch (...) {
    // Text1 already names the new folder: the tests of the old one must not
    // stay on offer (or selected) under it, nor a half-read list.
    state_.SelectedTests.clear();
    state_.ListedTests.clear();
    ListBox_ResetContent(list);
    throw;
  }
}

void Form1::Dir2_Change() {
  SetWindowTextW(Control(kIdText2), dir2_.Path().c_str());
  fileutil::ChangeFolder(dir2_.Path());
}

void Form1::Drive1_Change() { FollowDrive(drive1_, dir1_, L"\\lugeon"); }

void Form1::Drive2_Change() { FollowDrive(drive2_, dir2_, L""); }

void Form1::List1_Click() {
  const HWND list = Control(kIdList1);
  if (ListBox_GetSelCount(list) > base::kMaxSelected) {
    // The selection just made goes back; the earlier ones stay.
    const int caret = ListBox_GetCaretIndex(list);
    if (caret >= 0 && ListBox_GetSel(list, caret) > 0) ListBox_SetSel(list, FALSE, caret);
    for (int i = ListBox_GetCount(list) - 1;
         i >= 0 && ListBox_GetSelCount(list) > base::kMaxSelected; --i)
      ListBox_SetSel(list, FALSE, i);
    Show(base::text::SelectionLimit(), base::Buttons::Ok, base::Icon::Information);
  }
  state_.SelectedTests.clear();
  for (std::size_t i = 0; i < state_.ListedTests.size(); ++i)
    if (ListBox_GetSel(list, static_cast<int>(i)) > 0) state_.SelectedTests.push_back(state_.ListedTests[i]);
}

void Form1::Picture1_MouseMove() {
  if (state_.DoneMessageShown == 1) {
    SetLabel3(L"");
    state_.DoneMessageShown = 0;
  }
}

}  // namespace app
