#pragma once
// The Execute command: checks, folder creation, copies and index updates.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/message_box.h"

namespace conversion {

// Where a long run stands, for its progress dialog.
struct RunProgress {
  std::wstring test;    // "試験 3 / 25: 1003"
  std::wstring file;    // the file being copied: its path in the destination
  std::uint64_t done;   // bytes of the run copied so far
  std::uint64_t total;  // bytes the run copies in all
};

// What the run needs of the window; tests provide their own.
class RunView : public base::Prompter {
 public:
  virtual std::wstring Text1() = 0;               // source folder
  virtual std::wstring Text2() = 0;               // destination folder
  virtual void SetLabel3(const std::wstring& caption) = 0;
  virtual void SetBusy(bool busy) = 0;            // hourglass or default pointer
  virtual void DoEvents() = 0;                    // let pending events run once
  // While the run's worker calls the file system: a pass of the window's
  // pending messages (painting, timers, other programs' calls) that drops the
  // user's clicks and keys, which belong to the run. False once the window
  // is to end (WM_QUIT), which EndRun passes on.
  virtual bool KeepAnswering() = 0;
  // Where the run stands, a few times a second while it works; the window
  // shows it once the run has worked for a while without a question. False
  // once the user has asked to stop the run.
  virtual bool ShowProgress(const RunProgress& progress) = 0;
  virtual void CloseProgress() = 0;
  // What to do when the session ends during the run (WM_ENDSESSION): the run
  // stops, and its temporary files go before the call returns. Empty when
  // no run is under way.
  virtual void OnSessionEnd(std::function<void()> endSession) = 0;
  // The run is over, however it ended: the progress goes, the message line
  // says messageLine, and the clicks and keys made meanwhile are dropped.
  // (The run itself gives the pointer back.)
  virtual void EndRun(const std::wstring& messageLine) = 0;
};

// Runs Execute for the selected tests (in list order, at most
// base::kMaxSelected) on its own copy of them and of the two paths, so that
// nothing done in the window meanwhile changes what it does. Sets
// doneMessageShown to 1 when the run completes and to 0 when it fails; every
// failure is shown, none leaves this function.
void Command1_Click(RunView& view, const std::vector<std::wstring>& selectedTests,
                    std::int16_t& doneMessageShown) noexcept;

}  // namespace conversion
