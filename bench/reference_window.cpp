// The references of the start-up benchmark, built twice from this file:
//   minimal_window   registers a class, creates one window of the given outer
//                    size (the style of the program's main window) and shows
//                    it, then waits in its message loop until it is closed;
//   controls_window  (WITH_CONTROLS) the same window with the program's 16
//                    controls from the layout table, its font and its manifest
//                    (common controls 6), and nothing else: no data root, no
//                    drive or folder lists, no handlers. What the program takes
//                    beyond this is its own start-up work.
//
//   minimal_window | controls_window <width> <height>      (outer size in pixels)
#include <windows.h>

#include <cwchar>

#ifdef WITH_CONTROLS
#include <commctrl.h>

#include <array>
#include <string_view>

#include "app/layout.h"
#endif

namespace {

constexpr wchar_t kClass[] = L"LugeonReferenceWindow";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool Register(HINSTANCE instance, const wchar_t* name, HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0;
}

#ifdef WITH_CONTROLS
constexpr wchar_t kPanel[] = L"LugeonReferencePanel";

// The controls as Form1 makes them, placed at once; the font, which must
// outlive them, is given back by the system when the process ends.
bool CreateControls(HINSTANCE instance, HWND hwnd) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  if (!Register(instance, kPanel, app::PanelBrush())) return false;
  const UINT dpi = GetDpiForWindow(hwnd);
  const HFONT font = CreateFontW(app::FontHeight(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                 app::kFontFace);
  std::array<HWND, app::kControlCount> controls{};
  for (int i = 0; i < app::kControlCount; ++i) {
    const app::ControlSpec& spec = app::kControls[i];
    HWND parent = hwnd;
    for (int j = 0; j < i; ++j)
      if (app::kControls[j].id == spec.container) parent = controls[static_cast<size_t>(j)];
    const wchar_t* windowClass = std::wstring_view(spec.windowClass) == app::kPanelClass ? kPanel : spec.windowClass;
    const HWND control = CreateWindowExW(
        spec.exStyle, windowClass, spec.caption, WS_CHILD | WS_VISIBLE | spec.style,
        app::TwipsToPixels(spec.left, dpi), app::TwipsToPixels(spec.top, dpi), app::TwipsToPixels(spec.width, dpi),
        app::TwipsToPixels(spec.height, dpi), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
        instance, nullptr);
    if (control == nullptr) return false;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls[static_cast<size_t>(i)] = control;
  }
  return true;
}
#endif

}  // namespace

int WINAPI wWinMain(_In_ HINSTANCE instance, _In_opt_ HINSTANCE, _In_ PWSTR commandLine, _In_ int showCommand) {
  wchar_t* rest = nullptr;
  const int width = static_cast<int>(std::wcstol(commandLine, &rest, 10));
  const int height = static_cast<int>(std::wcstol(rest, &rest, 10));
  if (width <= 0 || height <= 0) return 2;
  if (!Register(instance, kClass, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1))) return 1;
  const HWND hwnd = CreateWindowExW(0, kClass, L"reference", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 1;
#ifdef WITH_CONTROLS
  if (!CreateControls(instance, hwnd)) return 1;
#endif
  ShowWindow(hwnd, showCommand);
  UpdateWindow(hwnd);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
