#pragma once
// The main window's fixed layout, as data: every control with its container
// and its place in twips. The order of the rows is the one source of the tab
// order, and the creation order (every container comes before its children).
#include <windows.h>

#include <string_view>

#include "app/control_ids.h"

namespace app {

inline constexpr int kClientWidthTwips = 9090;
inline constexpr int kClientHeightTwips = 6495;
inline constexpr int kFontTenthsOfPoint = 135;  // 13.5 pt
inline constexpr wchar_t kFontFace[] = L"System";
inline constexpr COLORREF kPanelColour = RGB(192, 192, 192);

inline constexpr int kNoContainer = 0;  // Form1 itself

struct ControlSpec {
  int id;
  const wchar_t* name;
  const wchar_t* windowClass;
  int container;  // ID of the parent control, kNoContainer for Form1
  int left, top, width, height;  // twips, relative to the container's client area
  const wchar_t* caption;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
  DWORD exStyle;
};

inline constexpr DWORD kFrameStyle = BS_GROUPBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
inline constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;
inline constexpr DWORD kTextStyle = ES_LEFT | ES_AUTOHSCROLL | WS_DISABLED;
inline constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
inline constexpr DWORD kDriveStyle = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
inline constexpr DWORD kDirStyle = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
inline constexpr DWORD kListStyle = LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;

// clang-format off
inline constexpr ControlSpec kControls[] = {
//  id           name        class        container    left   top  width height caption
  {kIdPicture1, L"Picture1", kPanelClass, kNoContainer,  0,    0, 9075, 6495, L"",
   WS_CLIPCHILDREN, WS_EX_CONTROLPARENT},
  {kIdFrame1,   L"Frame1",   L"Button",   kIdPicture1, 240, 1680, 5175, 2895, L"変換元試験番号選択",
   kFrameStyle, WS_EX_CONTROLPARENT},
  {kIdDir1,     L"Dir1",     L"ListBox",  kIdFrame1,  2640,  420, 2415, 1530, L"",
   kDirStyle, WS_EX_CLIENTEDGE},
  {kIdDrive1,   L"Drive1",   L"ComboBox", kIdFrame1,  2640, 2220, 2415,  390, L"",
   kDriveStyle, 0},
  {kIdFrame2,   L"Frame2",   L"Button",   kIdPicture1, 5580, 1680, 3135, 2895, L"変換先ﾌｫﾙﾀﾞ名選択",
   kFrameStyle, WS_EX_CONTROLPARENT},
  {kIdDir2,     L"Dir2",     L"ListBox",  kIdFrame2,   180,  420, 2595, 1530, L"",
   kDirStyle, WS_EX_CLIENTEDGE},
  {kIdDrive2,   L"Drive2",   L"ComboBox", kIdFrame2,   180, 2220, 2595,  390, L"",
   kDriveStyle, 0},
  {kIdCommand1, L"Command1", L"Button",   kIdPicture1, 2520, 5610, 1935,  555, L"実  行",
   kButtonStyle, 0},
  {kIdCommand2, L"Command2", L"Button",   kIdPicture1, 5160, 5580, 2055,  555, L"終  了",
   kButtonStyle, 0},
  {kIdText1,    L"Text1",    L"Edit",     kIdPicture1, 2400,  300, 6255,  405, L"",
   kTextStyle, WS_EX_CLIENTEDGE},
  {kIdLabel1,   L"Label1",   L"Static",   kIdPicture1,  240,  360, 2235,  315, L"変換元ﾌｫﾙﾀﾞ名 ：",
   kLabelStyle, 0},
  {kIdLabel2,   L"Label2",   L"Static",   kIdPicture1,  240,  960, 2235,  315, L"変換先ﾌｫﾙﾀﾞ名 ：",
   kLabelStyle, 0},
  {kIdText2,    L"Text2",    L"Edit",     kIdPicture1, 2400,  900, 6255,  405, L"",
   kTextStyle, WS_EX_CLIENTEDGE},
  {kIdFrame3,   L"Frame3",   L"Button",   kIdPicture1,  240, 4740, 8475,  675, L"メッセージ",
   kFrameStyle, WS_EX_CONTROLPARENT},
  {kIdLabel3,   L"Label3",   L"Static",   kIdFrame3,    180,  240, 8175,  315, L"",
   kLabelStyle, 0},
  {kIdList1,    L"List1",    L"ListBox",  kIdFrame1,   240,  480, 2235, 2190, L"",
   kListStyle, WS_EX_CLIENTEDGE},
};
// clang-format on

inline constexpr int kControlCount = static_cast<int>(sizeof kControls / sizeof kControls[0]);

// The panel and the frames: they paint their inside grey and pass their
// controls' notifications on to Form1.
inline bool IsContainer(const ControlSpec& spec) {
  const std::wstring_view windowClass(spec.windowClass);
  return windowClass == kPanelClass || (windowClass == L"Button" && (spec.style & BS_TYPEMASK) == BS_GROUPBOX);
}

// The stock light grey is the panel's colour exactly, and needs no deleting.
inline HBRUSH PanelBrush() { return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)); }

// Pixels drawn at 96 dots per inch, at the given dots per inch.
inline int DpiScaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

// Twips (1440 an inch) to pixels at the given dots per inch.
inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

// The font height in pixels (negative: character height) at the given DPI.
inline int FontHeight(UINT dpi) { return -MulDiv(kFontTenthsOfPoint, static_cast<int>(dpi), 720); }

}  // namespace app
