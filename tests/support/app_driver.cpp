#include "support/app_driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "support/test_support.h"

namespace appdriver {
namespace {

bool SameNameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

void SendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void MouseButton(DWORD flag) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof input);
}

// Left clicks at a point of the screen, with a key (VK_CONTROL, VK_SHIFT) held
// down when modifier is not 0.
void Click(POINT screen, WORD modifier, int clicks) {
  MoveMouseTo(screen);
  Pump(50);
  if (modifier != 0) SendKey(modifier, false);
  for (int i = 0; i < clicks; ++i) {
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
  }
  if (modifier != 0) SendKey(modifier, true);
  Pump(100);
}

// The program file beside the test programs (X:\LugeonTransfer.exe).
std::wstring ProgramBesideTests() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.rfind(L'\\') + 1) + L"LugeonTransfer.exe";
}

// Top-level windows of a process with the given class, shown or not.
std::vector<HWND> TopLevelWindows(DWORD pid, const wchar_t* windowClass) {
  struct Search {
    DWORD pid;
    const wchar_t* windowClass;
    std::vector<HWND> found;
  } search{pid, windowClass, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* state = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == state->pid && ClassName(hwnd) == state->windowClass) state->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A descendant of parent with the given control ID, looked for depth first
// (each window before its children), as EnumChildWindows goes.
HWND FindDescendant(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
    if (const HWND below = FindDescendant(child, id)) return below;
  }
  return nullptr;
}

// The texts of a list's or a combo box's entries, by their count, length and text messages.
std::vector<std::wstring> Entries(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
  std::vector<std::wstring> entries;
  const LRESULT count = SendMessageW(control, countMessage, 0, 0);
  for (WPARAM i = 0; static_cast<LRESULT>(i) < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(control, lengthMessage, i, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(control, textMessage, i, reinterpret_cast<LPARAM>(text.data()))));
    entries.push_back(text);
  }
  return entries;
}

}  // namespace

bool HasDisplay() {
  // Windows always has one; under Wine a window opens only with an X display.
  static const bool has = [] {
    const HWND probe = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe != nullptr) DestroyWindow(probe);
    return probe != nullptr;
  }();
  return has;
}

AppProcess::AppProcess(const std::wstring& folder) {
  const std::wstring program = folder + L"\\LugeonTransfer.exe";
  if (!CopyFileW(ProgramBesideTests().c_str(), program.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy the program, error " << GetLastError();
    return;
  }
  Start(program);
}

AppProcess::AppProcess(const std::wstring& program, InPlace) { Start(program); }

void AppProcess::Start(const std::wstring& program) {
  const std::wstring folder = program.substr(0, program.rfind(L'\\'));
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start the program, error " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
}

AppProcess::~AppProcess() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
}

HWND AppProcess::Form() const {
  const std::vector<HWND> forms = TopLevelWindows(pid_, app::kForm1Class);
  return forms.empty() ? nullptr : forms.front();
}

HWND AppProcess::WaitForVisibleForm(DWORD timeoutMs) {
  HWND form = nullptr;
  WaitUntil(
      [&] {
        form = Form();
        return form != nullptr && IsWindowVisible(form);
      },
      timeoutMs);
  return form != nullptr && IsWindowVisible(form) ? form : nullptr;
}

HWND AppProcess::Control(int id) const {
  const HWND form = Form();
  return form == nullptr ? nullptr : FindDescendant(form, id);
}

HWND AppProcess::MessageBox() const { return FindMessageBox(pid_); }

HWND AppProcess::ProgressDialog() const { return FindProgressDialog(pid_); }

HWND AppProcess::WaitForMessageBox(DWORD timeoutMs, const std::function<void()>& watch) {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        if (watch) watch();
        box = MessageBox();
        return box != nullptr || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
      },
      timeoutMs);
  return box;
}

DWORD AppProcess::WaitForExit(DWORD timeoutMs) {
  if (process_ == nullptr) return STILL_ACTIVE;
  WaitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  return code;
}

void ProgramTest::SetUp() {
  if (!HasDisplay()) GTEST_SKIP() << "no display for windows";
  folder_ = testsupport::ScratchFolder(L'M');
  testsupport::MakeFolders(folder_ + L"\\PATDAT");
  testsupport::WriteBytes(folder_ + L"\\PATDAT\\kishitu.txt", "soil\r\n");
  app_ = std::make_unique<AppProcess>(folder_);
  ASSERT_TRUE(app_->started());  // AppProcess has said why
  form_ = app_->WaitForVisibleForm();
  ASSERT_NE(form_, nullptr) << "the window did not appear";
}

void ProgramTest::TearDown() {
  app_.reset();
  if (!folder_.empty()) testsupport::RemoveTree(folder_);  // leaves no data root behind
}

HWND ProgramTest::Control(int id) {
  const HWND control = app_->Control(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}

namespace {

// The system's progress dialog is a dialog too, with a progress bar in it.
bool HasProgressBar(HWND dialog) {
  return FindWindowExW(dialog, nullptr, PROGRESS_CLASSW, nullptr) != nullptr;
}

}  // namespace

HWND FindMessageBox(DWORD pid) {
  for (HWND box : TopLevelWindows(pid, L"#32770"))
    if (IsWindowVisible(box) && !HasProgressBar(box)) return box;
  return nullptr;
}

HWND FindProgressDialog(DWORD pid) {
  for (HWND dialog : TopLevelWindows(pid, L"#32770"))
    if (IsWindowVisible(dialog) && HasProgressBar(dialog)) return dialog;
  return nullptr;
}

std::vector<std::wstring> DialogTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassName(child) == L"Static" && IsWindowVisible(child)) texts.push_back(Text(child));
  return texts;
}

std::wstring Text(HWND hwnd) {
  const LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

MessageBoxView ReadMessageBox(HWND box) {
  MessageBoxView view;
  view.caption = Text(box);
  if (const HWND text = GetDlgItem(box, 0xFFFF)) view.text = Text(text);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring name = ClassName(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (SameNameIgnoringCase(name, L"Button")) {
      view.buttons.push_back(GetDlgCtrlID(child));
    } else if (SameNameIgnoringCase(name, L"Static") && (style & SS_TYPEMASK) == SS_ICON &&
               SendMessageW(child, STM_GETICON, 0, 0) != 0) {
      view.icon = true;
    }
  }
  return view;
}

void Answer(HWND box, int buttonId) {
  const HWND button = GetDlgItem(box, buttonId);
  ASSERT_NE(button, nullptr) << "no button " << buttonId;
  PostMessageW(button, BM_CLICK, 0, 0);
}

HWND FocusOf(HWND hwnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void BringToFront(HWND hwnd) {
  SetForegroundWindow(hwnd);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump(150);
}

void PressKey(WORD key, bool shift) {
  if (shift) SendKey(VK_SHIFT, false);
  SendKey(key, false);
  SendKey(key, true);
  if (shift) SendKey(VK_SHIFT, true);
}

void MoveMouseTo(POINT screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Absolute coordinates run from 0 to 65535 across the primary screen.
  input.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
  input.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void ClickAt(POINT screen, WORD modifier) { Click(screen, modifier, 1); }

void DoubleClickAt(POINT screen) { Click(screen, 0, 2); }

POINT ListEntryCentre(HWND list, int index) {
  // Item height and top index carry no pointers, so they work across processes.
  const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  RECT client;
  GetClientRect(list, &client);
  const int visible = height > 0 ? client.bottom / height : 1;
  int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  if (index < top || index >= top + visible) {
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  }
  POINT centre{client.right / 3, (index - top) * height + height / 2};
  ClientToScreen(list, &centre);
  return centre;
}

std::vector<std::wstring> ListEntries(HWND list) { return Entries(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }

int FindListEntry(HWND list, const std::wstring& name) {
  const std::vector<std::wstring> entries = ListEntries(list);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t start = entries[i].find_first_not_of(L' ');
    if (start != std::wstring::npos && entries[i].compare(start, std::wstring::npos, name) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::wstring> ComboEntries(HWND combo) {
  return Entries(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int FindDriveEntry(HWND combo, wchar_t letter) {
  const std::vector<std::wstring> entries = ComboEntries(combo);
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].size() >= 2 && entries[i][0] == letter && entries[i][1] == L':') return static_cast<int>(i);
  return -1;
}

bool ChooseDrive(HWND combo, wchar_t letter) {
  const int index = FindDriveEntry(combo, letter);
  if (index < 0) return false;
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return true;
}

COLORREF ScreenColour(HWND hwnd, POINT client) {
  ClientToScreen(hwnd, &client);
  const HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, client.x, client.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;  // a window of the test ended: keep going
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  } while (GetTickCount64() < end);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Pump(20);
  }
}

}  // namespace appdriver
