#pragma once
// The file and text utility library, as our own code over Win32. Text
// arguments arrive in their Shift-JIS form (code page 932) and are converted
// to UTF-16 for the W file functions, so the program works on any locale.
// Everything runs on the window thread; no routine shows a message.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace extlib {

// One file of a ReadFileX listing. Only `check` is part of the contract:
// 1 for a record that holds a file found, 0 for a record not filled.
struct FileRecord {
  wchar_t name[260];        // UTF-16 long name, zero-filled
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

// The work block that fnAV prepares for the next ReadFileX or ReadDirT: it
// records where the target lies, how many slots it has and the first to fill.
struct WorkBlock {
  std::uint8_t bytes[256];
};
static_assert(sizeof(WorkBlock) == 256, "the work block is 256 bytes");

// Index list handed to fnAV: one element, the first slot to fill (1 = the
// first element of the target).
using IndexList = std::array<std::int32_t, 1>;

// Number of ordinary files matching spec (folder plus wildcard pattern), by
// the rule of extlib/findfile.h IsListedFile; 0 when none or unreadable.
// Right after a count or read that listed a folder whole ("*.*"), a spec in
// a sub-folder of it that the listing did not have (of any kind, hidden and
// links included) counts 0 without looking again.
std::int32_t FCount(const std::string& spec);

// Number of sub-folders matching spec, by IsListedFolder: "." and ".." count
// where the platform lists them; hidden folders and reparse points never do.
std::int32_t DCount(const std::string& spec);

// Prepares block for the next ReadFileX (records) or ReadDirT (names): the
// target's slots 1..n are target[0..n-1]; filling starts at slot index[0].
// Throws AppError (out of range) when index[0] is not within 1..n+1.
void fnAV(WorkBlock& block, std::span<FileRecord> target, const IndexList& index);
void fnAV(WorkBlock& block, std::span<NameSlot> target, const IndexList& index);

// Fills the prepared records with the files FCount counts for spec, one per
// file, check 1; records left over are zeroed (check 0). Never writes past the
// target. scratch receives the number of records filled. Throws AppError when
// block was not prepared on records.
void ReadFileX(const std::string& spec, std::int32_t& scratch, WorkBlock& block);

// Fills the prepared name slots with the sub-folders DCount counts for spec,
// each name filled out with spaces; slots left over are all spaces. Throws
// AppError when block was not prepared on names.
void ReadDirT(const std::string& spec, WorkBlock& block);

// The bare name of a slot: up to its first zero, without the trailing spaces.
std::wstring PadTrim(const NameSlot& slot);

// Length in bytes of the file path; -1 when it is absent, unreadable or a
// folder. Sizes beyond INT32_MAX give INT32_MAX.
std::int32_t FileSize(const std::string& path);

// Whether the drive of letter (its first character, "A".."Z" or "a".."z") may
// be walked: -1 for a fixed drive, a RAM disk, and a removable drive with a
// medium in it; 0 for a network drive, a CD drive, an unknown kind, a letter
// without a root folder, a drive that is not ready, and any non-letter.
std::int32_t GoodDrive(const std::string& letter);

// How often character (a Shift-JIS text, normally one character) occurs in
// text, stepping through text by whole Shift-JIS characters: the second byte
// of a double-byte character (lead bytes 0x81-0x9F, 0xE0-0xFC) never counts,
// so the 5C of "表" (95 5C) is never a "\". 0 when character is empty.
std::int32_t InCount(const std::string& text, const std::string& character);

// Exchanges first and second. Kind -3 takes two single-precision numbers,
// kind 0 two Shift-JIS texts; any other kind, or a kind that does not fit the
// items, throws AppError (invalid argument) and exchanges nothing.
inline constexpr std::int32_t kSwapSingle = -3;
inline constexpr std::int32_t kSwapText = 0;
void Swap(float& first, float& second, std::int32_t kind);
void Swap(std::string& first, std::string& second, std::int32_t kind);

}  // namespace extlib
