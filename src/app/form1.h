#pragma once
// The program's one window, Form1, with its controls, its event routing and
// what the Execute run needs of it. The handlers keep the names of the
// events they serve (form1_handlers.cpp); creation and layout, painting and
// the run's view live in files of their own.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/drivelist.h"
#include "app/folderlist.h"
#include "app/layout.h"
#include "app/progress_dialog.h"
#include "base/scoped.h"
#include "conversion/execute.h"

namespace app {

// State that lives for the whole run of the program, shared by the handlers.
struct ProgramState {
  std::wstring DataRootPath;                // ends in "\"; empty when none was found
  std::int16_t DoneMessageShown = 0;        // 1 while Label3 shows the completion message
  std::vector<std::wstring> ListedTests;    // the test numbers in List1, in its order
  std::vector<std::wstring> SelectedTests;  // the selected ones, in list order; at most base::kMaxSelected
};

class Form1 final : public conversion::RunView {
 public:
  Form1() = default;
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates the window and all its controls, hidden. False when the window
  // system refuses (for example without a display).
  bool Create();

  // Start-up, before the window is first shown: centres the window and looks
  // for the data root. False when the program must end without showing it.
  bool Form_Load();

  // Shows the window and gives the focus to the first control in tab order.
  void ShowForm(int showCommand);

  // Runs the message loop until the window is gone; answers the exit code.
  int MessageLoop();

  // Keys that move between controls; true when the message was used up.
  bool PreTranslate(MSG& message);

  // The exit code after Form_Load refused to go on.
  int exitCode() const { return exitCode_; }

  HWND hwnd() const { return hwnd_; }
  HWND Control(int id) const;
  UINT Dpi() const { return dpi_; }
  bool busy() const { return busy_; }
  ProgramState& state() { return state_; }

  // Event handlers.
  void Command1_Click();
  void Command2_Click();
  void Dir1_Change();
  void Dir2_Change();
  void Drive1_Change();
  void Drive2_Change();
  void List1_Click();
  void Picture1_MouseMove();

  // What the Execute run needs of the window.
  std::wstring Text1() override;
  std::wstring Text2() override;
  void SetLabel3(const std::wstring& caption) override;
  void SetBusy(bool busy) override;
  void DoEvents() override;
  bool KeepAnswering() override;
  bool ShowProgress(const conversion::RunProgress& progress) override;
  void CloseProgress() override;
  void OnSessionEnd(std::function<void()> endSession) override { endSession_ = std::move(endSession); }
  void EndRun(const std::wstring& messageLine) override;
  int Show(const std::wstring& prompt, base::Buttons buttons, base::Icon icon,
           const std::optional<std::wstring>& caption = std::nullopt) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void PassPendingMessages(bool dropInput);  // the one way pending messages are let through
  void OnCommand(int id, int code);
  void OnActivate(bool active);
  void DrawButton(const NMCUSTOMDRAW& draw);
  LRESULT OnControlColour(UINT message, HDC dc, HWND control, WPARAM wparam, LPARAM lparam);

  bool CreateControls();
  void AttachLists();
  void Layout(UINT dpi);
  void SetClientSize(int left, int top);
  void FocusFirst();
  bool MoveFocus(bool backwards);

  // Runs one handler; a failure that escapes it is reported and the program goes on.
  template <class Handler>
  void Guarded(Handler&& handler) noexcept {
    try {
      handler();
    } catch (...) {
      ReportFailure(std::current_exception());
    }
  }
  void ReportFailure(std::exception_ptr failure) noexcept;
  // After a run or a failed handler: the progress goes, the message line says
  // messageLine, the pointer is the default and queued clicks and keys go.
  void EndBusyTime(const std::wstring& messageLine);
  HWND MessageOwner() const;

  HWND hwnd_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  std::array<HWND, kControlCount> controls_{};  // in the order of kControls
  base::ScopedFont font_;
  HWND lastFocus_ = nullptr;
  bool created_ = false;  // the window existed (it may be gone since)
  bool busy_ = false;
  bool running_ = false;  // an Execute run is in progress
  bool exitRequested_ = false;  // Exit during a run: the run stops, then the window goes
  std::optional<int> quitCode_;  // a WM_QUIT met during a run, posted again at its end
  ProgressDelay runDelay_;                   // restarted at a run's start and after each of its questions
  std::optional<ProgressDialog> progress_;  // the run's, once it takes a while
  std::function<void()> endSession_;         // the run's, while one is under way
  int exitCode_ = kExitNormal;
  DriveList drive1_, drive2_;
  FolderList dir1_{*this}, dir2_{*this};
  ProgramState state_;
};

// Whether a point (client coordinates of the panel) lies on the panel itself
// rather than on one of its controls; frames, labels and disabled controls
// count as controls.
bool IsOverPanelItself(HWND panel, POINT point);

// The text of a window of this process ("" for none).
std::wstring WindowText(HWND hwnd);

// Drops the mouse and keyboard input still queued for this thread: input
// made while a command held the thread belongs to that busy time.
void DropQueuedInput();

// The whole program: start-up, window, message loop. Answers the exit code.
int RunProgram(int showCommand);

}  // namespace app
