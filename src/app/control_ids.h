#pragma once
// What another process needs to find its way around the main window: the
// window classes, the control IDs and the program's exit codes. Controls are
// found by ID (EnumChildWindows + GetDlgCtrlID), never by their text; the
// frames and the panel are real parent windows, so most controls are not
// direct children of Form1.

namespace app {

inline constexpr wchar_t kForm1Class[] = L"LugeonTransferForm1";
inline constexpr wchar_t kPanelClass[] = L"LugeonTransferPanel";  // Picture1

// Control IDs, fixed numbers that other programs (the tests) rely on. None
// collides with IDOK or IDCANCEL, which the dialog keys send to Form1.
enum ControlId : int {
  kIdPicture1 = 1000,  // panel, child of Form1
  kIdFrame1 = 1001,    // group frame, child of Picture1
  kIdDir1 = 1002,      // folder list, child of Frame1
  kIdDrive1 = 1003,    // drive list, child of Frame1
  kIdFrame2 = 1004,    // group frame, child of Picture1
  kIdDir2 = 1005,      // folder list, child of Frame2
  kIdDrive2 = 1006,    // drive list, child of Frame2
  kIdCommand1 = 1007,  // Execute button, child of Picture1
  kIdCommand2 = 1008,  // Exit button, child of Picture1
  kIdText1 = 1009,     // source path (disabled edit), child of Picture1
  kIdLabel1 = 1010,    // child of Picture1
  kIdLabel2 = 1011,    // child of Picture1
  kIdText2 = 1012,     // destination path (disabled edit), child of Picture1
  kIdFrame3 = 1013,    // group frame, child of Picture1
  kIdLabel3 = 1014,    // message line, child of Frame3
  kIdList1 = 1015,     // test numbers (multi-select list box), child of Frame1
};

// Exit codes of the process.
inline constexpr int kExitNormal = 0;      // Exit button or close box
inline constexpr int kExitNoDataRoot = 1;  // no data root: message shown, window never shown
inline constexpr int kExitNoWindow = 2;    // the window system refused the window
inline constexpr int kExitStartFailed = 3; // the data-root search failed: error shown
inline constexpr int kExitCancelled = 4;   // the data-root search was cancelled: window never shown

}  // namespace app
