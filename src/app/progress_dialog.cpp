#include "app/progress_dialog.h"

#include <shlwapi.h>

#include "base/messages.h"

namespace app {
namespace {

// What one line of the dialog holds. Windows shortens a path to the line's
// width itself; Wine does not, and wraps it out of sight.
constexpr UINT kPathChars = 48;

}  // namespace

std::unique_ptr<ProgressDialog> ProgressDialog::Start(HWND owner, Kind kind) {
  IProgressDialog* created = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                              reinterpret_cast<void**>(&created))))
    return nullptr;
  base::ScopedCom<IProgressDialog> dialog(created);
  dialog->SetTitle(base::text::kAppTitle);
  const DWORD flags = PROGDLG_NORMAL | PROGDLG_NOMINIMIZE |
                      (kind == Kind::Bar ? PROGDLG_AUTOTIME : PROGDLG_NOTIME | PROGDLG_MARQUEEPROGRESS);
  if (FAILED(dialog->StartProgressDialog(owner, nullptr, flags, nullptr))) return nullptr;

  base::ScopedCom<ITaskbarList3> taskbar;
  ITaskbarList3* list = nullptr;
  if (owner != nullptr && SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                                     IID_ITaskbarList3, reinterpret_cast<void**>(&list)))) {
    taskbar.reset(list);
    if (FAILED(taskbar->HrInit())) taskbar.reset();
  }
  return std::unique_ptr<ProgressDialog>(new ProgressDialog(owner, std::move(dialog), std::move(taskbar)));
}

ProgressDialog::~ProgressDialog() {
  if (taskbar_) taskbar_->SetProgressState(owner_, TBPF_NOPROGRESS);
  dialog_->StopProgressDialog();
}

void ProgressDialog::SetLine(unsigned line, const std::wstring& text, bool isPath) {
  wchar_t shortened[kPathChars + 1] = {};
  const bool shorten = isPath && PathCompactPathExW(shortened, text.c_str(), kPathChars + 1, 0);
  dialog_->SetLine(line, shorten ? shortened : text.c_str(), isPath, nullptr);
}

void ProgressDialog::SetBytes(std::uint64_t done, std::uint64_t total) {
  dialog_->SetProgress64(done, total);
  if (taskbar_) taskbar_->SetProgressValue(owner_, done, total);
}

bool ProgressDialog::Cancelled() const { return dialog_->HasUserCancelled() != FALSE; }

}  // namespace app
