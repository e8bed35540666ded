#pragma once
// The file and text utility library, as our own code over Win32. Text
// arguments arrive in their Shift-JIS form (code page 932) and are converted
// to UTF-16 for the W file functions, so the program works on any locale.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace extlib {

// One file of a ReadFileX listing. Only `check` is part of the contract:
// 1 or more for a record that holds a file found, 0 for a record not filled.
struct FileRecord {
  wchar_t name[260];        // UTF-16, zero-filled
  std::uint32_t attributes;
  std::uint32_t sizeLow;
  std::uint32_t sizeHigh;
  std::uint32_t writeTimeLow;
  std::uint32_t writeTimeHigh;
  std::uint8_t reserved[28];
  std::int32_t check;       // byte 568
  std::uint8_t reserved2[8];
};
static_assert(sizeof(FileRecord) == 580, "the file record is 580 bytes");
static_assert(offsetof(FileRecord, check) == 568, "the check value is at byte 568");

// A sub-folder name of a ReadDirT listing, filled out with spaces to 260 characters.
using NameSlot = std::array<wchar_t, 260>;
static_assert(sizeof(NameSlot) == 520, "a name slot is 260 UTF-16 characters");

// The work block that fnAV prepares for the next ReadFileX or ReadDirT.
struct WorkBlock {
  std::uint8_t bytes[256];
};
static_assert(sizeof(WorkBlock) == 256, "the work block is 256 bytes");

// Index list handed to fnAV: one element, the first slot to fill (always 1).
using IndexList = std::array<std::int32_t, 1>;

std::int32_t FCount(const std::string& spec);      // ordinary files matching spec
std::int32_t DCount(const std::string& spec);      // sub-folders matching spec
void fnAV(WorkBlock& block, std::span<FileRecord> target, const IndexList& index);
void fnAV(WorkBlock& block, std::span<NameSlot> target, const IndexList& index);
void ReadFileX(const std::string& spec, std::int32_t& scratch, WorkBlock& block);
void ReadDirT(const std::string& spec, WorkBlock& block);
std::wstring PadTrim(const NameSlot& slot);
std::int32_t FileSize(const std::string& path);    // below 1 when absent
std::int32_t GoodDrive(const std::string& letter); // -1 when the drive can be searched
std::int32_t InCount(const std::string& text, const std::string& character);

inline constexpr std::int32_t kSwapSingle = -3;
inline constexpr std::int32_t kSwapText = 0;
void Swap(float& first, float& second, std::int32_t kind);
void Swap(std::string& first, std::string& second, std::int32_t kind);

}  // namespace extlib
