// Form1's creation from the layout table, and its layout at the window's DPI.
#include "app/form1.h"

#include <windowsx.h>

#include <string_view>

#include "app/resource.h"
#include "base/messages.h"

namespace app {
namespace {

// Fixed size: no sizing border, no maximise box; minimise and close are offered.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;

// Dropped-down part of the drive lists, in lines of the closed field.
constexpr int kDriveListLines = 8;

UINT WindowDpi(HWND hwnd) {
  const UINT dpi = GetDpiForWindow(hwnd);
  if (dpi != 0) return dpi;
  const base::ScopedWindowDC screen(nullptr);
  const int fallback = GetDeviceCaps(screen.get(), LOGPIXELSY);
  return fallback > 0 ? static_cast<UINT>(fallback) : USER_DEFAULT_SCREEN_DPI;
}

void RegisterClasses(HINSTANCE instance, WNDPROC formProc) {
  // Registering again fails harmlessly when a test builds a second window.
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = formProc;
  form.hInstance = instance;
  // The program's icon for the title bar and the taskbar, at the sizes for the
  // DPI of the primary screen, where the window opens. A process without it
  // (a test that builds the window itself) gets the system's default.
  const UINT iconDpi = GetDpiForSystem();
  const auto programIcon = [&](int metric) {
    const int size = GetSystemMetricsForDpi(metric, iconDpi);
    const HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_LUGEON_TRANSFER), IMAGE_ICON, size, size, 0);
    return icon != nullptr ? static_cast<HICON>(icon) : LoadIconW(nullptr, IDI_APPLICATION);
  };
  form.hIcon = programIcon(SM_CXICON);
  form.hIconSm = programIcon(SM_CXSMICON);
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  form.lpszClassName = kForm1Class;
  RegisterClassExW(&form);

  // The panel is a plain window; Form1 takes its messages by subclassing.
  WNDCLASSEXW panel{};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = DefWindowProcW;
  panel.hInstance = instance;
  panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panel.hbrBackground = PanelBrush();
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
}

// A drop-down list's closed height follows its font; bring it to the height
// of the layout. Measured, not computed: Wine reads the field height back two
// pixels larger than it was set, Windows does not.
void FitComboHeight(HWND combo, int height) {
  // The selection field is item -1, for which windowsx.h has no getter.
  int field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3 && field > 0; ++attempt) {
    RECT closed;
    GetWindowRect(combo, &closed);
    if (closed.bottom - closed.top == height) break;
    field += height - static_cast<int>(closed.bottom - closed.top);
    if (field <= 0) break;
    ComboBox_SetItemHeight(combo, -1, field);
  }
}

}  // namespace

bool Form1::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClasses(instance, &Form1::WindowProc);
  CreateWindowExW(kFormExStyle, kForm1Class, base::text::kAppTitle, kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr || !CreateControls()) return false;
  created_ = true;

  Layout(WindowDpi(hwnd_));
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  SetClientSize(outer.left, outer.top);
  AttachLists();
  return true;
}

bool Form1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& spec = kControls[i];
    const HWND parent = spec.container == kNoContainer ? hwnd_ : Control(spec.container);
    if (parent == nullptr) return false;  // a container must come before its children
    // Created in the rows' order, so the focusable controls lie in the Z-order
    // of the tab order within each container.
    const HWND control =
        CreateWindowExW(spec.exStyle, spec.windowClass, spec.caption, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0,
                        0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (control == nullptr) return false;
    controls_[static_cast<size_t>(i)] = control;
    if (IsContainer(spec)) SetWindowSubclass(control, &Form1::ContainerProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
  return true;
}

void Form1::AttachLists() {
  const std::vector<std::wstring> drives = DriveEntries();
  drive1_.Attach(Control(kIdDrive1), drives);
  drive2_.Attach(Control(kIdDrive2), drives);
  dir1_.onChange = [this] { Guarded([this] { Dir1_Change(); }); };
  dir2_.onChange = [this] { Guarded([this] { Dir2_Change(); }); };
  Guarded([this] { dir1_.Attach(Control(kIdDir1)); });
  Guarded([this] { dir2_.Attach(Control(kIdDir2)); });
}

HWND Form1::Control(int id) const {
  for (int i = 0; i < kControlCount; ++i)
    if (kControls[i].id == id) return controls_[static_cast<size_t>(i)];
  return nullptr;
}

void Form1::Layout(UINT dpi) {
  dpi_ = dpi;
  // The controls hold the old font until they are given the new one: it is
  // deleted only at the end, once none of them can paint with it.
  base::ScopedFont old(font_.release());
  font_.reset(CreateFontW(FontHeight(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          kFontFace));
  const HFONT font = font_.get();
  SetWindowFont(hwnd_, font, FALSE);
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& spec = kControls[i];
    const HWND control = controls_[static_cast<size_t>(i)];
    SetWindowFont(control, font, FALSE);
    const int width = TwipsToPixels(spec.width, dpi);
    const int height = TwipsToPixels(spec.height, dpi);
    const bool combo = spec.windowClass == std::wstring_view(L"ComboBox");
    // A drop-down list's window height is that of its dropped-down part.
    int windowHeight = height;
    if (combo) {
      const int line = ComboBox_GetItemHeight(control);
      windowHeight += kDriveListLines * (line > 0 ? line : height);
    }
    SetWindowPos(control, nullptr, TwipsToPixels(spec.left, dpi), TwipsToPixels(spec.top, dpi), width,
                 windowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (combo) FitComboHeight(control, height);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form1::SetClientSize(int left, int top) {
  const int width = TwipsToPixels(kClientWidthTwips, dpi_);
  const int height = TwipsToPixels(kClientHeightTwips, dpi_);
  RECT outer{0, 0, width, height};
  AdjustWindowRectExForDpi(&outer, kFormStyle, FALSE, kFormExStyle, dpi_);
  SetWindowPos(hwnd_, nullptr, left, top, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame turns out thicker or thinner than computed, correct once.
  RECT client;
  GetClientRect(hwnd_, &client);
  const int dx = width - client.right;
  const int dy = height - client.bottom;
  if (dx != 0 || dy != 0) {
    RECT now;
    GetWindowRect(hwnd_, &now);
    SetWindowPos(hwnd_, nullptr, 0, 0, now.right - now.left + dx, now.bottom - now.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace app
