// The grey of the panel, the frames, the labels and the two buttons.
#include "app/form1.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace app {
namespace {

bool HasGreyBackground(int id) {
  constexpr int kGrey[] = {kIdFrame1, kIdFrame2, kIdFrame3, kIdLabel1, kIdLabel2, kIdLabel3, kIdCommand1, kIdCommand2};
  return std::find(std::begin(kGrey), std::end(kGrey), id) != std::end(kGrey);
}

}  // namespace

LRESULT Form1::OnControlColour(UINT message, HDC dc, HWND control, WPARAM wparam, LPARAM lparam) {
  if (!HasGreyBackground(GetDlgCtrlID(control))) return DefWindowProcW(hwnd_, message, wparam, lparam);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, kPanelColour);
  return reinterpret_cast<LRESULT>(PanelBrush());
}

// A push button's face follows the system colour whatever WM_CTLCOLORBTN
// answers; the two buttons are drawn here to get the panel's grey.
void Form1::DrawButton(const NMCUSTOMDRAW& draw) {
  const HDC dc = draw.hdc;
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  const bool focused = (draw.uItemState & CDIS_FOCUS) != 0;
  const int line = DpiScaled(1, dpi_);
  RECT face = draw.rc;
  FillRect(dc, &face, PanelBrush());
  for (int i = 0; focused && i < line; ++i) {
    FrameRect(dc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&face, -1, -1);
  }
  DrawEdge(dc, &face, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT | BF_ADJUST);

  const std::wstring caption = WindowText(draw.hdr.hwndFrom);
  {
    const base::ScopedSelect font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(draw.hdr.hwndFrom) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT text = face;
    if (pressed) OffsetRect(&text, line, line);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  const LRESULT cues = SendMessageW(draw.hdr.hwndFrom, WM_QUERYUISTATE, 0, 0);
  if (focused && !(cues & UISF_HIDEFOCUS)) {
    InflateRect(&face, -DpiScaled(2, dpi_), -DpiScaled(2, dpi_));
    DrawFocusRect(dc, &face);
  }
}

}  // namespace app
