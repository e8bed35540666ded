// Form1 itself: its start, its message loop, the keyboard order and the
// routing of every event to its handler.
#include "app/form1.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "app/search_progress.h"
#include "dataroot/dataroot.h"

namespace app {
namespace {

// Messages that controls send to their parent: the panel and the frames pass
// them on, so that Form1 handles every control as if it were its own.
bool IsParentNotification(UINT message) {
  constexpr UINT kNotifications[] = {WM_COMMAND,         WM_NOTIFY,         WM_CTLCOLORSTATIC,    WM_CTLCOLORBTN,
                                     WM_CTLCOLOREDIT,    WM_CTLCOLORLISTBOX, WM_CTLCOLORSCROLLBAR, WM_DRAWITEM,
                                     WM_MEASUREITEM,     WM_COMPAREITEM,     WM_DELETEITEM,        WM_VKEYTOITEM,
                                     WM_CHARTOITEM};
  return std::find(std::begin(kNotifications), std::end(kNotifications), message) != std::end(kNotifications);
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

Form1::~Form1() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

// ---- Start-up and the message loop -------------------------------------------

bool Form1::Form_Load() {
  // Centred on the screen by the outer size, halved in single precision;
  // a window larger than the screen gets negative coordinates.
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  const float left = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2.0f;
  const float top = static_cast<float>(GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2.0f;
  SetWindowPos(hwnd_, nullptr, static_cast<int>(std::lrint(left)), static_cast<int>(std::lrint(top)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  // Without a data root the program cannot go on: it ends, the window never shown.
  const auto end = [this](int exitCode) {
    exitCode_ = exitCode;
    DestroyWindow(hwnd_);
    return false;
  };
  // The window stays hidden during the search: the user cannot reach a control yet.
  SearchProgress search([this] { DoEvents(); });
  std::exception_ptr failure;
  try {
    state_.DataRootPath = dataroot::LocateDataRoot(search.WalkCallback());
  } catch (...) {
    failure = std::current_exception();
  }
  search.Close();
  if (failure) {
    base::ShowFailure(*this, failure);
    return end(kExitStartFailed);
  }
  if (search.Cancelled()) return end(kExitCancelled);
  if (state_.DataRootPath.empty()) {
    Show(base::text::kNoDataRoot, base::Buttons::Ok, base::Icon::None);
    return end(kExitNoDataRoot);
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
  // The window's thread is an STA, as the progress dialogs it owns need.
  const base::ScopedComApartment com;
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
  // Tab follows the layout's rows across the frames, which the dialog manager's
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
  const size_t n = order.size();
  size_t at = n;
  for (size_t i = 0; i < n; ++i)
    if (order[i] == focus || IsChild(order[i], focus)) at = i;
  // From outside the order, forwards starts at the first control and backwards at the last.
  const size_t next = at == n ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
  SetFocus(order[next]);
  return true;
}

void Form1::FocusFirst() {
  const HWND focus = GetFocus();
  if (focus != nullptr && focus != hwnd_) SetFocus(nullptr);
  MoveFocus(false);
}

// Keeps the focus on a control across switches to other windows.
void Form1::OnActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
  } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
    SetFocus(lastFocus_);
  } else {
    FocusFirst();
  }
}

// ---- Routing ---------------------------------------------------------------

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
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
      const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lparam);
      if (draw->hdr.code == NM_CUSTOMDRAW && draw->dwDrawStage == CDDS_PREPAINT &&
          (draw->hdr.idFrom == kIdCommand1 || draw->hdr.idFrom == kIdCommand2)) {
        DrawButton(*draw);
        return CDRF_SKIPDEFAULT;
      }
      break;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnControlColour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), wparam, lparam);
    case WM_SETCURSOR:
      if (!busy_) break;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      return TRUE;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      Guarded([this] { Command2_Click(); });
      return 0;
    // Windows would end the program in the middle of a copy: while a run is
    // under way the session may not end (the reason is set with the run).
    case WM_QUERYENDSESSION:
      return running_ ? FALSE : TRUE;
    case WM_ENDSESSION:
      // Also when it cannot be refused (ENDSESSION_CRITICAL): the run stops
      // and its temporary files go before Windows may end the program.
      if (wparam && endSession_) endSession_();
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

// The panel and the frames: grey inside, their controls' notifications to
// Form1, and the panel's own mouse movement to Picture1_MouseMove.
LRESULT CALLBACK Form1::ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR selfData) {
  auto* self = reinterpret_cast<Form1*>(selfData);
  switch (message) {
    case WM_ERASEBKGND: {
      // A group box leaves its inside to the parent, which clips it away.
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, PanelBrush());
      return 1;
    }
    case WM_MOUSEMOVE: {
      // Labels, frames and disabled text boxes let the mouse through to the
      // panel; only the free background counts.
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (GetDlgCtrlID(hwnd) == kIdPicture1 && self->hwnd_ != nullptr && IsOverPanelItself(hwnd, point))
        self->Guarded([self] { self->Picture1_MouseMove(); });
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &Form1::ContainerProc, id);
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

bool IsOverPanelItself(HWND panel, POINT point) {
  RECT client;
  if (!GetClientRect(panel, &client) || !PtInRect(&client, point)) return false;
  return ChildWindowFromPointEx(panel, point, CWP_SKIPINVISIBLE) == panel;
}

}  // namespace app
