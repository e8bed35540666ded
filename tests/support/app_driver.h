#pragma once
// Drives the real program from the test process: starts it in a folder of its
// own, finds its window and controls by class and ID, reads what the user would
// see, finds and answers its message boxes, types and moves the mouse, and ends
// it when the test is over so that no process stays behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appdriver {

// Whether windows can be opened at all: always on Windows, under Wine with an X display.
bool HasDisplay();

class AppProcess {
 public:
  // Copies the program into folder and starts it there (current folder too).
  explicit AppProcess(const std::wstring& folder);
  // Starts program where it lies, in its own folder.
  enum InPlace { kInPlace };
  AppProcess(const std::wstring& program, InPlace);
  ~AppProcess();  // ends the program if it still runs
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  bool started() const { return process_ != nullptr; }

  // Form1 of this process, shown or hidden; nullptr when there is none (yet).
  HWND Form() const;
  // Waits until Form1 is shown; nullptr on timeout.
  HWND WaitForVisibleForm(DWORD timeoutMs = 30000);
  // A control anywhere below Form1, by its ID.
  HWND Control(int id) const;

  // A shown message box (dialog class #32770) of this process.
  HWND MessageBox() const;
  // The shown progress dialog of this process (a dialog with a progress bar).
  HWND ProgressDialog() const;
  // Waits for a message box, calling watch at every poll; nullptr on timeout.
  HWND WaitForMessageBox(DWORD timeoutMs, const std::function<void()>& watch = {});

  // Waits until the process ends; its exit code, or STILL_ACTIVE on timeout.
  DWORD WaitForExit(DWORD timeoutMs);

 private:
  void Start(const std::wstring& program);

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The program started beside a data root in a scratch folder on M:, its window
// shown; ended, and its folder removed, when the test is over. Skips the test
// where no window can open.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A control of the window by its ID; the test fails when there is none.
  HWND Control(int id);

  std::wstring folder_;  // the program's own folder
  std::unique_ptr<AppProcess> app_;
  HWND form_ = nullptr;
};

// A shown message box of the process; nullptr when none.
HWND FindMessageBox(DWORD pid);
// The shown progress dialog of the process; nullptr when none.
HWND FindProgressDialog(DWORD pid);
// The texts a dialog shows in its static controls, in their order.
std::vector<std::wstring> DialogTexts(HWND dialog);

std::wstring Text(HWND hwnd);  // WM_GETTEXT, works across processes
std::wstring ClassName(HWND hwnd);
RECT RectInParent(HWND hwnd);  // in the parent's client coordinates

struct MessageBoxView {
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // IDs of the shown push buttons
  bool icon = false;         // a shown icon control with an icon in it
};
MessageBoxView ReadMessageBox(HWND box);
void Answer(HWND box, int buttonId);  // clicks the button (IDOK, IDYES, IDNO)

// Keyboard focus of the thread that owns hwnd.
HWND FocusOf(HWND hwnd);
// Brings the window to the front so that input goes to it.
void BringToFront(HWND hwnd);
void PressKey(WORD key, bool shift = false);
void MoveMouseTo(POINT screen);
// A left click at a point of the screen, with a key (VK_CONTROL, VK_SHIFT)
// held down when modifier is not 0.
void ClickAt(POINT screen, WORD modifier = 0);
void DoubleClickAt(POINT screen);
// The middle of a list box entry on the screen; the list is scrolled first
// when the entry is out of sight.
POINT ListEntryCentre(HWND list, int index);
// The texts of a list box's entries, and the index of the one whose text,
// leading spaces set aside, is name (-1 when none).
std::vector<std::wstring> ListEntries(HWND list);
int FindListEntry(HWND list, const std::wstring& name);
// The texts of a combo box's entries.
std::vector<std::wstring> ComboEntries(HWND combo);
// The index of the drive list entry that begins with letter and colon (-1
// when none).
int FindDriveEntry(HWND combo, wchar_t letter);
// Chooses that entry as automation tools do: the selection, then the
// notification the combo box itself would send to its parent. False when
// there is no such entry.
bool ChooseDrive(HWND combo, wchar_t letter);
// The colour on the screen at a point of hwnd's client area.
COLORREF ScreenColour(HWND hwnd, POINT client);

// Lets this thread's own windows run while waiting.
void Pump(DWORD ms);
// Polls until done() holds or the time is up; pumps this thread's messages.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace appdriver
