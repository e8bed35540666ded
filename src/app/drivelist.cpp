#include "app/drivelist.h"

#include <windowsx.h>

#include "base/paths.h"
#include "base/scoped.h"
#include "base/strconv.h"
#include "fileutil/curdir.h"

namespace app {
namespace {

std::wstring EntryText(wchar_t upper_letter) {
  std::wstring text{base::AsciiLower(upper_letter), L':'};
  const std::wstring root = base::DriveRoot(upper_letter);
  const UINT type = GetDriveTypeW(root.c_str());
  if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE && type != DRIVE_RAMDISK) return text;
  wchar_t label[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
      label[0] != L'\0') {
    text += L" [";
    text += label;
    text += L']';
  }
  return text;
}

std::wstring ItemText(HWND combo, int index) {
  const int length = ComboBox_GetLBTextLen(combo, index);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ComboBox_GetLBText(combo, index, text.data());
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace

std::vector<std::wstring> DriveEntries() {
  base::QuietDriveErrors quiet;
  std::vector<std::wstring> entries;
  const DWORD mask = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit)
    if (mask & (1u << bit)) entries.push_back(EntryText(static_cast<wchar_t>(L'A' + bit)));
  return entries;
}

void DriveList::Attach(HWND combo, const std::vector<std::wstring>& entries) {
  combo_ = combo;
  Fill(entries);
  SelectCurrentDrive();
}

void DriveList::Refill() { Fill(DriveEntries()); }

void DriveList::Fill(const std::vector<std::wstring>& entries) {
  const std::wstring selected = Drive();
  ComboBox_ResetContent(combo_);
  // Insert, not add: a CBS_SORT style must not reorder the drives.
  for (const std::wstring& text : entries)
    ComboBox_InsertString(combo_, -1, text.c_str());
  if (selected.empty() || !SelectDrive(selected[0])) SelectCurrentDrive();
}

std::wstring DriveList::Drive() const {
  if (combo_ == nullptr) return {};
  const int index = ComboBox_GetCurSel(combo_);
  if (index == CB_ERR) return {};
  return ItemText(combo_, index);
}

bool DriveList::SelectDrive(wchar_t letter) {
  const wchar_t wanted = base::AsciiLower(letter);
  const int count = ComboBox_GetCount(combo_);
  for (int index = 0; index < count; ++index) {
    const std::wstring text = ItemText(combo_, index);
    if (!text.empty() && text[0] == wanted) {
      ComboBox_SetCurSel(combo_, index);
      return true;
    }
  }
  return false;
}

bool DriveList::SelectCurrentDrive() {
  const std::wstring folder = fileutil::CurrentFolder();
  if (folder.size() < 2 || folder[1] != L':' || base::DriveLetter(folder[0]) == 0) return false;
  return SelectDrive(folder[0]);
}

}  // namespace app
