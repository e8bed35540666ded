// FileSize, GoodDrive, InCount and Swap.
#include "extlib/extlib.h"

#include <windows.h>

#include <climits>
#include <optional>
#include <utility>

#include "base/error.h"
#include "base/file_calls.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "base/strconv.h"

namespace extlib {
namespace {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Bytes of the Shift-JIS character at position: 2 for a lead byte with a
// byte after it, else 1.
size_t CharacterLength(const std::string& text, size_t position) {
  return IsLeadByte(static_cast<unsigned char>(text[position])) && position + 1 < text.size() ? 2
                                                                                                : 1;
}

// Asks for the root folder without the system's "insert a disk" dialog.
bool RootIsReady(const std::wstring& root) {
  base::QuietDriveErrors quiet;
  const DWORD attributes = base::Files().Attributes(root.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

[[noreturn]] void WrongSwapKind(std::int32_t kind) {
  throw base::AppError(base::AppError::Kind::InvalidArgument,
                           L"Swap: 交換の種類 " + std::to_wstring(kind) +
                               L" はこの値には使えません。");
}

}  // namespace

std::int32_t FileSize(const std::string& path) {
  const std::optional<std::wstring> wide = base::TryFromSjis(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!wide || wide->empty() || !base::Files().AttributesEx(wide->c_str(), &data))
    return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size > static_cast<unsigned long long>(INT32_MAX) ? INT32_MAX
                                                            : static_cast<std::int32_t>(size);
}

std::int32_t GoodDrive(const std::string& letter) {
  const wchar_t drive = letter.empty() ? L'\0' : base::DriveLetter(static_cast<unsigned char>(letter[0]));
  if (drive == 0) return 0;
  const std::wstring root = base::DriveRoot(drive);
  switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_FIXED:
    case DRIVE_RAMDISK:
    case DRIVE_REMOVABLE:
      return RootIsReady(root) ? -1 : 0;
    default:  // network, CD, unknown, no root folder
      return 0;
  }
}

std::int32_t InCount(const std::string& text, const std::string& character) {
  if (character.empty()) return 0;
  std::int32_t count = 0;
  size_t position = 0;
  while (position < text.size()) {
    // An occurrence must cover whole characters of text, start and end.
    size_t span = 0;
    while (span < character.size() && position + span < text.size())
      span += CharacterLength(text, position + span);
    if (span == character.size() && text.compare(position, span, character) == 0) {
      ++count;
      position += span;
    } else {
      position += CharacterLength(text, position);
    }
  }
  return count;
}

void Swap(float& first, float& second, std::int32_t kind) {
  if (kind != kSwapSingle) WrongSwapKind(kind);
  std::swap(first, second);
}

void Swap(std::string& first, std::string& second, std::int32_t kind) {
  if (kind != kSwapText) WrongSwapKind(kind);
  first.swap(second);
}

}  // namespace extlib
