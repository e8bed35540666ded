#pragma once
// The data-root search at start-up as the user sees it. The window is not
// shown yet: after about a second the system's progress dialog (no known
// length) names the folder being searched and how many were, a few times a
// second, and offers Cancel, which stops the walk at once.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/progress_dialog.h"
#include "dataroot/dataroot.h"

namespace app {

class SearchProgress {
 public:
  // pendingEvents: the window's pass of its pending events, given once per
  // tick of the clock while the walk runs.
  explicit SearchProgress(std::function<void()> pendingEvents) : pendingEvents_(std::move(pendingEvents)) {}

  // What the walk is to call for every folder; it answers false once the user cancelled.
  dataroot::WalkProgress WalkCallback();
  bool Cancelled() const { return cancelled_; }
  // Takes the dialog away (the walk is over).
  void Close() { dialog_.reset(); }

 private:
  bool Report(const std::wstring& folder, std::uint64_t visited);

  std::function<void()> pendingEvents_;
  ProgressDelay delay_;
  ULONGLONG shown_ = 0;
  bool cancelled_ = false;
  std::optional<ProgressDialog> dialog_;
};

}  // namespace app
