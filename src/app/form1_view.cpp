// What the Execute run sees of the window: the two paths, the message line,
// the pointer, one pass of pending events and message boxes; and how a
// failure that escaped a handler is shown.
#include "app/form1.h"

#include <windowsx.h>

#include <utility>

#include "base/error.h"
#include "base/messages.h"

namespace app {

std::wstring WindowText(HWND hwnd) {
  if (hwnd == nullptr) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

namespace {

UINT MessageBoxFlags(base::Buttons buttons, base::Icon icon) {
  // In the order of base::Icon: none, information, question, warning.
  constexpr UINT kIcons[] = {0, MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONEXCLAMATION};
  // In the order of base::Buttons: OK, Yes and No, Retry and Cancel.
  constexpr UINT kButtons[] = {MB_OK, MB_YESNO, MB_RETRYCANCEL};
  return kButtons[static_cast<int>(buttons)] | kIcons[static_cast<int>(icon)];
}

// Mouse and keyboard input, over the client area, the title bar or the frame.
bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void DropQueuedInput() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

std::wstring Form1::Text1() { return WindowText(Control(kIdText1)); }

std::wstring Form1::Text2() { return WindowText(Control(kIdText2)); }

void Form1::SetLabel3(const std::wstring& caption) {
  const HWND label = Control(kIdLabel3);
  if (label == nullptr) return;
  SetWindowTextW(label, caption.c_str());
  UpdateWindow(label);
}

void Form1::SetBusy(bool busy) {
  busy_ = busy;
  if (hwnd_ == nullptr) return;
  POINT pointer;
  if (!GetCursorPos(&pointer)) return;
  const HWND under = WindowFromPoint(pointer);
  if (under == nullptr || GetAncestor(under, GA_ROOT) != hwnd_) return;
  if (busy)
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  else  // the control under the pointer chooses its own shape again
    FORWARD_WM_SETCURSOR(under, under, HTCLIENT, WM_MOUSEMOVE, SendMessageW);
}

void Form1::DoEvents() { PassPendingMessages(false); }

// Clicks and keys made while a run copies belong to it: they start nothing.
// A WM_QUIT is kept until the run is over (EndRun).
bool Form1::KeepAnswering() {
  PassPendingMessages(true);
  return !quitCode_;
}

void Form1::PassPendingMessages(bool dropInput) {
  // Nothing queued, the usual case during the data-root walk: asking is
  // cheaper than looking at the queue.
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // For the main loop; during a run only once it is over, or the wait would meet it again at once.
      if (dropInput)
        quitCode_ = static_cast<int>(message.wParam);
      else
        PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if ((dropInput && IsUserInput(message.message)) || PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool Form1::ShowProgress(const conversion::RunProgress& progress) {
  if (exitRequested_ || quitCode_) return false;
  if (!progress_ && !runDelay_.Due()) return true;
  if (!progress_) progress_.emplace(hwnd_, ProgressDialog::Kind::Bar);
  return progress_->ShowRun(progress);
}

void Form1::CloseProgress() { progress_.reset(); }

void Form1::EndRun(const std::wstring& messageLine) {
  CloseProgress();
  SetLabel3(messageLine);
  // What the user clicked or typed while the run held the window belongs to
  // the run: it must not start the next one.
  DropQueuedInput();
  if (quitCode_) PostQuitMessage(*std::exchange(quitCode_, std::nullopt));
}

void Form1::EndBusyTime(const std::wstring& messageLine) {
  EndRun(messageLine);
  SetBusy(false);
}

int Form1::Show(const std::wstring& prompt, base::Buttons buttons, base::Icon icon,
                const std::optional<std::wstring>& caption) {
  // In the order of base::Buttons: the answer that changes nothing.
  constexpr int kRefused[] = {base::kIdOk, base::kIdNo, base::kIdCancel};
  const int refused = kRefused[static_cast<int>(buttons)];
  // Exit or WM_QUIT during a run: the program is ending, and the run stops without a question.
  if (exitRequested_ || quitCode_ || (created_ && hwnd_ == nullptr)) return refused;
  // Clicks and keys made while the thread was busy were meant for no question.
  if (busy_) DropQueuedInput();
  const std::wstring title = caption.value_or(base::text::kAppTitle);
  const int answer = MessageBoxW(MessageOwner(), prompt.c_str(), title.c_str(), MessageBoxFlags(buttons, icon));
  runDelay_.Restart();  // the time the user took to answer is no work of a run
  // A box that could not be shown answers No: nothing is created or replaced.
  return answer == 0 ? refused : answer;
}

HWND Form1::MessageOwner() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_) ? hwnd_ : nullptr; }

void Form1::ReportFailure(std::exception_ptr failure) noexcept {
  try {
    EndBusyTime(L"");
    base::ShowFailure(*this, failure);
  } catch (...) {
    MessageBoxW(MessageOwner(), base::text::kUnexpected, base::text::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
  }
}

}  // namespace app
