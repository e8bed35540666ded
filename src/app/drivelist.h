#pragma once
// The drive list: a drop-down-list combo box of the logical drives.
//
// The owner creates a "ComboBox" with CBS_DROPDOWNLIST (sorting does not matter:
// entries are inserted in drive order) and calls Attach. Choosing an entry
// reaches the owner as WM_COMMAND / CBN_SELCHANGE, as with any combo box.
//
// Each entry is the lower-case drive letter and a colon ("c:"), followed by
// " [LABEL]" when the drive has a volume label. Labels are asked only of fixed,
// removable and RAM drives: network and CD drives, and drives that are not
// ready, show the letter alone, so filling the list never waits on them.
#include <windows.h>

#include <string>
#include <vector>

namespace app {

// The entries of every logical drive, in drive order. Asking each drive
// takes a while under Wine: both lists of the window start from one reading.
std::vector<std::wstring> DriveEntries();

class DriveList {
 public:
  // Fills the list and selects the process's current drive.
  void Attach(HWND combo, const std::vector<std::wstring>& entries = DriveEntries());

  // Reads the drives again and keeps the selected drive when it is still there
  // (else selects the current drive).
  void Refill();

  // The selected entry's text ("m:" or "c: [DATA]"); empty when none is selected.
  std::wstring Drive() const;

  // Selects the entry of the drive (either case), without a notification;
  // false when the list has no such drive.
  bool SelectDrive(wchar_t letter);

  // Selects the process's current drive; false when the current folder lies
  // on no drive letter or the list lacks it.
  bool SelectCurrentDrive();

 private:
  void Fill(const std::vector<std::wstring>& entries);

  HWND combo_ = nullptr;
};

}  // namespace app
