#pragma once
// The system's progress dialog (IProgressDialog), with the owner's taskbar
// button showing the same progress (ITaskbarList3). Made, brought up to date
// and taken down on the window's thread, which is an STA: the system runs the
// dialog itself on a thread of its own.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>

#include "base/scoped.h"
#include "conversion/execute.h"

namespace app {

// Long work shows its progress once it has gone on for about a second
// without a question: a quick run or search shows nothing.
class ProgressDelay {
 public:
  static constexpr ULONGLONG kAfterMs = 1000;
  // The work starts, or goes on after a question.
  void Restart() { since_ = GetTickCount64(); }
  bool Due() const { return GetTickCount64() - since_ >= kAfterMs; }

 private:
  ULONGLONG since_ = GetTickCount64();
};

class ProgressDialog {
 public:
  enum class Kind { Bar, Marquee };  // a bar of known length with time left; or no known length

  // Brings up the dialog, titled with the application title and owned by
  // owner (nullptr: none). Where the system offers none, nothing shows.
  ProgressDialog(HWND owner, Kind kind);
  ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  // Line 1 or 2 (line 3 shows the time left with Kind::Bar, and nothing under
  // Wine); a path is shortened in the middle to fit.
  void SetLine(unsigned line, const std::wstring& text, bool isPath = false);
  void SetBytes(std::uint64_t done, std::uint64_t total);
  // The user pressed Cancel (or Esc, or closed the dialog).
  bool Cancelled() const;

  // A run's progress: the test, the file being copied and the bytes; false
  // once the user cancelled.
  bool ShowRun(const conversion::RunProgress& progress);

 private:
  HWND owner_;
  std::wstring lines_[2];  // as shown: each change is a call that waits for the dialog
  base::ScopedCom<IProgressDialog> dialog_;
  base::ScopedCom<ITaskbarList3> taskbar_;
};

}  // namespace app
