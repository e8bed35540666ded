#include "app/progress_dialog.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "base/messages.h"
#include "base/scoped.h"

namespace app {

// Changes for the dialog, kept until its thread passes them on.
struct ProgressUpdate {
  std::wstring lines[2];
  bool lineIsPath[2] = {false, false};
  bool lineChanged[2] = {false, false};
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  bool bytesChanged = false;
  bool closing = false;
};

struct ProgressShared {
  std::mutex mutex;
  std::condition_variable changed;
  ProgressUpdate pending;
  std::atomic<bool> cancelled{false};
};

namespace {

// What one line of the dialog holds. Windows shortens a path to the line's
// width itself; Wine does not, and wraps it out of sight.
constexpr UINT kPathChars = 48;
// How soon a Cancel is seen when nothing else changes.
constexpr auto kCancelPoll = std::chrono::milliseconds(100);

std::wstring Shortened(const std::wstring& path) {
  wchar_t shortened[kPathChars + 1] = {};
  return PathCompactPathExW(shortened, path.c_str(), kPathChars + 1, 0) ? shortened : path;
}

// The dialog's thread: up, up to date until closing, down.
void RunDialog(HWND owner, ProgressDialog::Kind kind, const std::shared_ptr<ProgressShared>& shared) {
  const base::ScopedComApartment com;
  IProgressDialog* created = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                              reinterpret_cast<void**>(&created))))
    return;
  const base::ScopedCom<IProgressDialog> dialog(created);
  dialog->SetTitle(base::text::kAppTitle);
  const DWORD flags = PROGDLG_NORMAL | PROGDLG_NOMINIMIZE |
                      (kind == ProgressDialog::Kind::Bar ? PROGDLG_AUTOTIME
                                                         : PROGDLG_NOTIME | PROGDLG_MARQUEEPROGRESS);
  if (FAILED(dialog->StartProgressDialog(owner, nullptr, flags, nullptr))) return;

  base::ScopedCom<ITaskbarList3> taskbar;
  ITaskbarList3* list = nullptr;
  if (owner != nullptr && SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                                     IID_ITaskbarList3, reinterpret_cast<void**>(&list)))) {
    taskbar.reset(list);
    if (FAILED(taskbar->HrInit())) taskbar.reset();
  }

  for (bool closing = false; !closing;) {
    ProgressUpdate update;
    {
      std::unique_lock<std::mutex> lock(shared->mutex);
      shared->changed.wait_for(lock, kCancelPoll);
      update = std::exchange(shared->pending, ProgressUpdate{});
    }
    // Passed on without the lock held: each call waits for the dialog to take it.
    for (DWORD i = 0; i < 2; ++i) {
      if (!update.lineChanged[i]) continue;
      const std::wstring line = update.lineIsPath[i] ? Shortened(update.lines[i]) : update.lines[i];
      dialog->SetLine(i + 1, line.c_str(), update.lineIsPath[i], nullptr);
    }
    if (update.bytesChanged) {
      dialog->SetProgress64(update.done, update.total);
      if (taskbar) taskbar->SetProgressValue(owner, update.done, update.total);
    }
    if (dialog->HasUserCancelled()) shared->cancelled = true;
    closing = update.closing;
  }
  if (taskbar) taskbar->SetProgressState(owner, TBPF_NOPROGRESS);
  dialog->StopProgressDialog();
}

}  // namespace

ProgressDialog::ProgressDialog(HWND owner, Kind kind) : shared_(std::make_shared<ProgressShared>()) {
  // Left to itself: it ends once the dialog is down, also after this object is gone.
  std::thread(RunDialog, owner, kind, shared_).detach();
}

ProgressDialog::~ProgressDialog() {
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->pending.closing = true;
  }
  shared_->changed.notify_one();
}

void ProgressDialog::SetLine(unsigned line, const std::wstring& text, bool isPath) {
  if (line < 1 || line > 2) return;
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->pending.lines[line - 1] = text;
    shared_->pending.lineIsPath[line - 1] = isPath;
    shared_->pending.lineChanged[line - 1] = true;
  }
  shared_->changed.notify_one();
}

void ProgressDialog::SetBytes(std::uint64_t done, std::uint64_t total) {
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->pending.done = done;
    shared_->pending.total = total;
    shared_->pending.bytesChanged = true;
  }
  shared_->changed.notify_one();
}

bool ProgressDialog::Cancelled() const { return shared_->cancelled; }

bool ProgressDialog::ShowRun(const conversion::RunProgress& progress) {
  SetLine(1, progress.test);
  SetLine(2, progress.file, true);
  SetBytes(progress.done, progress.total);
  return !Cancelled();
}

}  // namespace app
