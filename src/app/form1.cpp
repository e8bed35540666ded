#include "app/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>
#include <vector>

#include "app/resource.h"
#include "dataroot/dataroot.h"
#include "base/error.h"
#include "base/messages.h"

namespace app {
namespace {

using base::text::kAppTitle;
using base::text::kNoDataRoot;
using base::text::kUnexpected;

// Fixed size: no sizing border, no maximise box; minimise and close are offered.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;

// Dropped-down part of the drive lists, in lines of the closed field.
constexpr int kDriveListLines = 8;

HFONT MakeFont(UINT dpi) {
  return CreateFontW(FontHeight(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     kFontFace);
}

UINT WindowDpi(HWND hwnd) {
  const UINT dpi = GetDpiForWindow(hwnd);
  if (dpi != 0) return dpi;
  HDC screen = GetDC(nullptr);
  const int fallback = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return fallback > 0 ? static_cast<UINT>(fallback) : USER_DEFAULT_SCREEN_DPI;
}

std::wstring WindowText(HWND hwnd) {
  if (hwnd == nullptr) return {};
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// Messages that controls send to their parent: the panel and the frames pass
// them on, so that Form1 handles every control as if it were its own.
bool IsParentNotification(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return true;
    default:
      return false;
  }
}

bool HasGreyBackground(int id) {
  switch (id) {
    case kIdFrame1:
    case kIdFrame2:
    case kIdFrame3:
    case kIdLabel1:
    case kIdLabel2:
    case kIdLabel3:
    case kIdCommand1:
    case kIdCommand2:
      return true;
    default:
      return false;
  }
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void DropQueuedInput() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

// ---- Creation and layout ---------------------------------------------------

Form1::~Form1() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (font_ != nullptr) DeleteObject(font_);
  if (panelBrush_ != nullptr) DeleteObject(panelBrush_);
}

bool Form1::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = &Form1::WindowProc;
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
  RegisterClassExW(&form);  // already there when a test builds a second window

  WNDCLASSEXW panel{};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = &Form1::PanelProc;
  panel.hInstance = instance;
  panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);

  panelBrush_ = CreateSolidBrush(kPanelColour);
  CreateWindowExW(kFormExStyle, kForm1Class, kAppTitle, kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr || !CreateControls()) return false;
  created_ = true;

  Layout(WindowDpi(hwnd_));
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  SetClientSize(outer.left, outer.top);

  drive1_.Attach(Control(kIdDrive1));
  drive2_.Attach(Control(kIdDrive2));
  dir1_.SetPrompter(this);
  dir2_.SetPrompter(this);
  dir1_.onChange = [this] { Guarded([this] { Dir1_Change(); }); };
  dir2_.onChange = [this] { Guarded([this] { Dir2_Change(); }); };
  Guarded([this] { dir1_.Attach(Control(kIdDir1)); });
  Guarded([this] { dir2_.Attach(Control(kIdDir2)); });
  return true;
}

bool Form1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& spec = kControls[i];
    const HWND parent = spec.container == kNoContainer ? hwnd_ : Control(spec.container);
    if (parent == nullptr) return false;  // a container must come before its children
    // Created in tab-index order, so the focusable controls lie in the Z-order
    // of their tab indexes within each container.
    const HWND control = CreateWindowExW(
        spec.exStyle, spec.windowClass, spec.caption, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance,
        spec.windowClass == std::wstring_view(kPanelClass) ? this : nullptr);
    if (control == nullptr) return false;
    controls_[static_cast<size_t>(i)] = control;
    if (spec.windowClass == std::wstring_view(L"Button") && (spec.style & BS_GROUPBOX) == BS_GROUPBOX)
      SetWindowSubclass(control, &Form1::FrameProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  return true;
}

HWND Form1::Control(int id) const {
  for (int i = 0; i < kControlCount; ++i)
    if (kControls[i].id == id) return controls_[static_cast<size_t>(i)];
  return nullptr;
}

void Form1::Layout(UINT dpi) {
  const HFONT old = font_;
  dpi_ = dpi;
  font_ = MakeFont(dpi);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& spec = kControls[i];
    const HWND control = controls_[static_cast<size_t>(i)];
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    const int width = TwipsToPixels(spec.width, dpi);
    const int height = TwipsToPixels(spec.height, dpi);
    const bool combo = spec.windowClass == std::wstring_view(L"ComboBox");
    // A drop-down list's window height is that of its dropped-down part.
    int windowHeight = height;
    if (combo) {
      const int line = static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, 0, 0));
      windowHeight += kDriveListLines * (line > 0 ? line : height);
    }
    SetWindowPos(control, nullptr, TwipsToPixels(spec.left, dpi), TwipsToPixels(spec.top, dpi), width,
                 windowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (combo) FitComboHeight(control, height);
  }
  if (old != nullptr) DeleteObject(old);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// A drop-down list's closed height follows its font; bring it to the height
// of the layout.
void Form1::FitComboHeight(HWND combo, int height) {
  // Measured, not computed: Wine reads the field height back two pixels
  // larger than it was set, Windows does not.
  int field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3 && field > 0; ++attempt) {
    RECT closed;
    GetWindowRect(combo, &closed);
    if (closed.bottom - closed.top == height) break;
    field += height - static_cast<int>(closed.bottom - closed.top);
    if (field <= 0) break;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
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

// ---- Start-up --------------------------------------------------------------

bool Form1::Form_Load() {
  // Centred on the screen by the outer size, halved in single precision;
  // a window larger than the screen gets negative coordinates.
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  const float left = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2.0f;
  const float top = static_cast<float>(GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2.0f;
  SetWindowPos(hwnd_, nullptr, static_cast<int>(std::lrint(left)), static_cast<int>(std::lrint(top)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  // The window stays hidden during the search: the user cannot reach a control yet.
  try {
    state_.DataRootPath = dataroot::LocateDataRoot();
  } catch (...) {
    // Without a data root the program cannot go on: say why, then end.
    const std::wstring message = FailureMessage(std::current_exception());
    MessageBoxW(nullptr, message.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    exitCode_ = kExitStartFailed;
    DestroyWindow(hwnd_);
    return false;
  }
  if (state_.DataRootPath.empty()) {
    MessageBoxW(nullptr, kNoDataRoot, kAppTitle, MB_OK);
    exitCode_ = kExitNoDataRoot;
    DestroyWindow(hwnd_);
    return false;
  }
  state_.DoneMessageShown = 0;
  return true;
}

void Form1::ShowForm(int showCommand) {
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  if (GetFocus() == nullptr || GetFocus() == hwnd_) FocusFirst();
}

int Form1::MessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return kExitNoWindow;
    if (!PreTranslate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

int RunProgram(int showCommand) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  Form1 form;
  if (!form.Create()) return kExitNoWindow;
  if (!form.Form_Load()) return form.exitCode();
  form.ShowForm(showCommand);
  return form.MessageLoop();
}

// ---- Keyboard --------------------------------------------------------------

bool Form1::PreTranslate(MSG& message) {
  if (hwnd_ == nullptr || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  // Tab follows the tab indexes across the frames, which the dialog manager's
  // walk through nested containers cannot do (List1 comes last, after Exit).
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU))
    return MoveFocus(KeyDown(VK_SHIFT));
  return IsDialogMessageW(hwnd_, &message) != FALSE;
}

bool Form1::MoveFocus(bool backwards) {
  std::vector<HWND> order;
  for (int i = 0; i < kControlCount; ++i) {
    const HWND control = controls_[static_cast<size_t>(i)];
    if ((kControls[i].style & WS_TABSTOP) && IsWindowEnabled(control) && IsWindowVisible(control))
      order.push_back(control);
  }
  if (order.empty()) return false;
  const HWND focus = GetFocus();
  size_t at = order.size();
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] == focus || IsChild(order[i], focus)) at = i;
  size_t next;
  if (at == order.size())
    next = backwards ? order.size() - 1 : 0;
  else
    next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
  SetFocus(order[next]);
  return true;
}

void Form1::FocusFirst() {
  const HWND focus = GetFocus();
  if (focus != nullptr && focus != hwnd_) SetFocus(nullptr);
  MoveFocus(false);
}

// ---- Window procedures ------------------------------------------------------

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Form1* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->controls_.fill(nullptr);
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lparam);
      if (draw->hdr.code == NM_CUSTOMDRAW && HasGreyBackground(static_cast<int>(draw->hdr.idFrom)) &&
          draw->dwDrawStage == CDDS_PREPAINT) {
        DrawButton(*draw);
        return CDRF_SKIPDEFAULT;
      }
      break;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnControlColour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), wparam,
                             lparam);
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // Keep the focus on a control across switches to other windows.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
        SetFocus(lastFocus_);
      } else {
        FocusFirst();
      }
      return 0;
    case WM_CLOSE:
      Guarded([this] { Command2_Click(); });
      return 0;
    case WM_DESTROY:
      PostQuitMessage(kExitNormal);
      return 0;
    case WM_DPICHANGED: {
      const RECT suggested = *reinterpret_cast<const RECT*>(lparam);
      Layout(HIWORD(wparam));
      SetClientSize(suggested.left, suggested.top);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Form1::PanelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->OnPanelMessage(hwnd, message, wparam, lparam);
}

LRESULT Form1::OnPanelMessage(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(panel, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, panelBrush_);
      return 1;
    }
    case WM_MOUSEMOVE: {
      // Labels, frames and disabled text boxes let the mouse through to the
      // panel; only the free background counts.
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (IsOverPanelItself(panel, point)) Guarded([this] { Picture1_MouseMove(); });
      return 0;
    }
    default:
      if (IsParentNotification(message)) return OnMessage(message, wparam, lparam);
      break;
  }
  return DefWindowProcW(panel, message, wparam, lparam);
}

LRESULT CALLBACK Form1::FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR self_data) {
  auto* self = reinterpret_cast<Form1*>(self_data);
  switch (message) {
    case WM_ERASEBKGND: {
      // A group box leaves its inside to the parent, which clips it away.
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, self->panelBrush_);
      return 1;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &Form1::FrameProc, id);
      break;
    default:
      if (self->hwnd_ != nullptr && IsParentNotification(message)) return self->OnMessage(message, wparam, lparam);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void Form1::OnCommand(int id, int code) {
  switch (id) {
    case kIdCommand1:
      if (code == BN_CLICKED) Guarded([this] { Command1_Click(); });
      break;
    case kIdCommand2:
      if (code == BN_CLICKED) Guarded([this] { Command2_Click(); });
      break;
    case kIdList1:
      if (code == LBN_SELCHANGE) Guarded([this] { List1_Click(); });
      break;
    // A drive plugged in or taken out since the list was filled shows when
    // the list is opened.
    case kIdDrive1:
      if (code == CBN_SELCHANGE) Guarded([this] { Drive1_Change(); });
      if (code == CBN_DROPDOWN) Guarded([this] { drive1_.Refill(); });
      break;
    case kIdDrive2:
      if (code == CBN_SELCHANGE) Guarded([this] { Drive2_Change(); });
      if (code == CBN_DROPDOWN) Guarded([this] { drive2_.Refill(); });
      break;
    case kIdDir1:
      // Opening a folder raises Dir1_Change through the list's onChange.
      if (code == LBN_DBLCLK) Guarded([this] { dir1_.OpenSelected(); });
      break;
    case kIdDir2:
      if (code == LBN_DBLCLK) Guarded([this] { dir2_.OpenSelected(); });
      break;
    default:
      break;  // IDOK and IDCANCEL from the dialog keys: no default button here
  }
}

LRESULT Form1::OnControlColour(UINT message, HDC dc, HWND control, WPARAM wparam, LPARAM lparam) {
  if (!HasGreyBackground(GetDlgCtrlID(control))) return DefWindowProcW(hwnd_, message, wparam, lparam);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, kPanelColour);
  return reinterpret_cast<LRESULT>(panelBrush_);
}

// A push button's face follows the system colour whatever WM_CTLCOLORBTN
// answers; the two buttons are drawn here to get the panel's grey.
void Form1::DrawButton(const NMCUSTOMDRAW& draw) {
  const HDC dc = draw.hdc;
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  const bool focused = (draw.uItemState & CDIS_FOCUS) != 0;
  RECT face = draw.rc;
  FillRect(dc, &face, panelBrush_);
  if (focused) {
    FrameRect(dc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&face, -1, -1);
  }
  DrawEdge(dc, &face, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT | BF_ADJUST);

  const std::wstring caption = WindowText(draw.hdr.hwndFrom);
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(draw.hdr.hwndFrom) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT text = face;
  if (pressed) OffsetRect(&text, 1, 1);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  const LRESULT cues = SendMessageW(draw.hdr.hwndFrom, WM_QUERYUISTATE, 0, 0);
  if (focused && !(cues & UISF_HIDEFOCUS)) {
    InflateRect(&face, -2, -2);
    DrawFocusRect(dc, &face);
  }
}

bool IsOverPanelItself(HWND panel, POINT point) {
  RECT client;
  if (!GetClientRect(panel, &client) || !PtInRect(&client, point)) return false;
  return ChildWindowFromPointEx(panel, point, CWP_SKIPINVISIBLE) == panel;
}

// ---- What the Execute run needs ----------------------------------------------

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
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void Form1::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
      return;
    }
    if (!PreTranslate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

int Form1::Show(const std::wstring& prompt, fileutil::Buttons buttons, fileutil::Icon icon,
                const std::optional<std::wstring>& caption) {
  // Exit while a run let pending events through: the program is ending, and
  // the run, which finds the text boxes gone, stops without a question.
  if (created_ && hwnd_ == nullptr) return buttons == fileutil::Buttons::YesNo ? fileutil::kIdNo : fileutil::kIdOk;
  // Clicks and keys made while the thread was busy were meant for no question.
  if (busy_) DropQueuedInput();
  UINT flags = buttons == fileutil::Buttons::YesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case fileutil::Icon::None:
      break;
    case fileutil::Icon::Information:
      flags |= MB_ICONINFORMATION;
      break;
    case fileutil::Icon::Question:
      flags |= MB_ICONQUESTION;
      break;
    case fileutil::Icon::Warning:
      flags |= MB_ICONEXCLAMATION;
      break;
  }
  const std::wstring title = caption.value_or(kAppTitle);
  const int answer = MessageBoxW(MessageOwner(), prompt.c_str(), title.c_str(), flags);
  // A box that could not be shown answers No: nothing is created or replaced.
  if (answer == 0) return buttons == fileutil::Buttons::YesNo ? fileutil::kIdNo : fileutil::kIdOk;
  return answer;
}

// ---- Failures ------------------------------------------------------------------

HWND Form1::MessageOwner() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_) ? hwnd_ : nullptr; }

void Form1::ReportFailure(std::exception_ptr failure) noexcept {
  try {
    const std::wstring message = FailureMessage(failure);
    SetBusy(false);
    SetLabel3(L"");
    MessageBoxW(MessageOwner(), message.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {
    MessageBoxW(MessageOwner(), kUnexpected, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
  }
}

std::wstring FailureMessage(std::exception_ptr failure) { return base::DescribeFailure(failure); }

}  // namespace app
