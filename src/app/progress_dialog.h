#pragma once
// The system's progress dialog (IProgressDialog): it runs on a thread of its
// own, so it paints and its Cancel (or Esc) works while the window's thread
// is busy. With an owner window, the owner's taskbar button shows the same
// progress (ITaskbarList3).
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped.h"

namespace app {

class ProgressDialog {
 public:
  enum class Kind { Bar, Marquee };  // a bar of known length with time left; or no known length

  // Shows the dialog, titled with the application title and owned by owner
  // (nullptr: none); nullptr where the system offers none (no COM, say).
  static std::unique_ptr<ProgressDialog> Start(HWND owner, Kind kind);
  ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  // Line 1 or 2 (line 3 shows the time left with Kind::Bar, and nothing under
  // Wine); a path is shortened in the middle to fit.
  void SetLine(unsigned line, const std::wstring& text, bool isPath = false);
  void SetBytes(std::uint64_t done, std::uint64_t total);
  bool Cancelled() const;

 private:
  ProgressDialog(HWND owner, base::ScopedCom<IProgressDialog> dialog, base::ScopedCom<ITaskbarList3> taskbar)
      : owner_(owner), dialog_(std::move(dialog)), taskbar_(std::move(taskbar)) {}

  HWND owner_;
  base::ScopedCom<IProgressDialog> dialog_;
  base::ScopedCom<ITaskbarList3> taskbar_;  // nullptr without an owner
};

}  // namespace app
