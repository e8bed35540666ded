#pragma once
// The system's progress dialog (IProgressDialog), with the owner's taskbar
// button showing the same progress (ITaskbarList3). The dialog lives on a
// thread of its own, which brings it up, passes the updates on and takes it
// down again: no call here waits for the dialog, so the window's thread never
// does (under Wine, taking the dialog down takes about two seconds).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "conversion/execute.h"

namespace app {

struct ProgressShared;  // what the window's thread hands the dialog's thread

class ProgressDialog {
 public:
  enum class Kind { Bar, Marquee };  // a bar of known length with time left; or no known length

  // Brings up the dialog, titled with the application title and owned by
  // owner (nullptr: none). Where the system offers none, nothing shows.
  ProgressDialog(HWND owner, Kind kind);
  ~ProgressDialog();  // takes the dialog down, without waiting for it
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
  std::shared_ptr<ProgressShared> shared_;
};

}  // namespace app
