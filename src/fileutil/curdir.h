#pragma once
// The process's current drive and the current folder of each drive, kept the
// way the Windows command processor keeps them (the "=X:" variables), so that
// changing the drive returns to that drive's last folder.
#include <string>

namespace fileutil {

// Makes the drive current (its remembered folder, else its root); false when
// the letter names no drive that is ready.
bool ChangeDrive(wchar_t letter);

// Makes the folder current and remembers it for its drive; throws AppError.
void ChangeFolder(const std::wstring& folder);

// The remembered current folder of the drive ("D:\" when none); a drive root
// ends in "\", other folders do not.
std::wstring DriveCurrentFolder(wchar_t letter);

// The process's current folder, in the same form.
std::wstring CurrentFolder();

}  // namespace fileutil
