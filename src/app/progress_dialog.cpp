#include "app/progress_dialog.h"

#include <shlwapi.h>

#include "base/messages.h"

namespace app {
namespace {

// What one line of the dialog holds. Windows shortens a path to the line's
// width itself; Wine does not, and wraps it out of sight.
constexpr UINT kPathChars = 48;

std::wstring Shortened(const std::wstring& path) {
  wchar_t shortened[kPathChars + 1] = {};
  return PathCompactPathExW(shortened, path.c_str(), kPathChars + 1, 0) ? shortened : path;
}

template <class Interface>
base::ScopedCom<Interface> Create(REFCLSID type, REFIID id) {
  void* made = nullptr;
  if (FAILED(CoCreateInstance(type, nullptr, CLSCTX_INPROC_SERVER, id, &made))) return nullptr;
  return base::ScopedCom<Interface>(static_cast<Interface*>(made));
}

}  // namespace

ProgressDialog::ProgressDialog(HWND owner, Kind kind)
    : owner_(owner), dialog_(Create<IProgressDialog>(CLSID_ProgressDialog, IID_IProgressDialog)) {
  if (!dialog_) return;
  dialog_->SetTitle(base::text::kAppTitle);
  const DWORD flags = PROGDLG_NORMAL | PROGDLG_NOMINIMIZE |
                      (kind == Kind::Bar ? PROGDLG_AUTOTIME : PROGDLG_NOTIME | PROGDLG_MARQUEEPROGRESS);
  if (FAILED(dialog_->StartProgressDialog(owner, nullptr, flags, nullptr))) {
    dialog_.reset();
    return;
  }
  if (owner == nullptr) return;
  taskbar_ = Create<ITaskbarList3>(CLSID_TaskbarList, IID_ITaskbarList3);
  if (taskbar_ && FAILED(taskbar_->HrInit())) taskbar_.reset();
}

ProgressDialog::~ProgressDialog() {
  if (taskbar_) taskbar_->SetProgressState(owner_, TBPF_NOPROGRESS);
  if (dialog_) dialog_->StopProgressDialog();
}

void ProgressDialog::SetLine(unsigned line, const std::wstring& text, bool isPath) {
  if (!dialog_ || line < 1 || line > 2 || lines_[line - 1] == text) return;
  lines_[line - 1] = text;
  dialog_->SetLine(line, (isPath ? Shortened(text) : text).c_str(), isPath, nullptr);
}

void ProgressDialog::SetBytes(std::uint64_t done, std::uint64_t total) {
  if (dialog_) dialog_->SetProgress64(done, total);
  if (taskbar_) taskbar_->SetProgressValue(owner_, done, total);
}

bool ProgressDialog::Cancelled() const { return dialog_ && dialog_->HasUserCancelled(); }

bool ProgressDialog::ShowRun(const conversion::RunProgress& progress) {
  SetLine(1, progress.test);
  SetLine(2, progress.file, true);
  SetBytes(progress.done, progress.total);
  return !Cancelled();
}

}  // namespace app
