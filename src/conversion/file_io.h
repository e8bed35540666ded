#pragma once
// The few file operations of the run, each failing with an AppError that
// names the file and gives the system's reason.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace conversion {

// The whole content of a file; throws AppError("<failure>", shown, reason):
// shown is the name the user knows the file by.
std::string ReadWholeFile(const std::wstring& path, std::wstring_view failure, const std::wstring& shown);

// Whether a file could be replaced now: Free (also when absent), ReadOnly
// (the attribute, which Windows honours and Wine run as root does not), or
// InUse (another program holds it open without letting it be replaced).
enum class FileUse { Free, ReadOnly, InUse };

// The content of path as a replace of it will find it: an absent file reads
// as empty; when use is not Free nothing is read. Throws like ReadWholeFile.
std::string ReadToReplace(const std::wstring& path, std::wstring_view failure, FileUse& use);

// Writes bytes into path, made anew, and makes them durable (they are on
// the disk when it returns). Throws AppError(failure, path, reason).
void WriteDurably(const std::wstring& path, const std::string& bytes, std::wstring_view failure);

// Makes a file's content durable. Throws AppError(failure, path, reason).
void FlushToDisk(const std::wstring& path, std::wstring_view failure);

// Renames a file within its folder, over a file of the new name only with
// replace; never by copying. A program that holds either file for a moment
// (a virus scanner, an indexer) is waited for, briefly. Throws
// AppError(failure, reported, reason).
void RenameFile(const std::wstring& from, const std::wstring& to, bool replace, std::wstring_view failure,
                const std::wstring& reported);

// Writes bytes to path + kTempSuffix and then puts that in place of path in
// one step: path holds either its old content or all of the new. Only one
// writer may be at it at a time (see LockIndex): the temporary name is fixed.
inline constexpr wchar_t kTempSuffix[] = L".tmp";
void ReplaceFileContent(const std::wstring& path, const std::string& bytes, std::wstring_view failure);

// Whether another program holds the file open so that it could not be
// renamed (it lets nobody delete it); false for a file that is not there.
bool HeldByAnother(const std::wstring& path);

// What this user may still write to the drive of a folder, and its cluster
// size; nullopt where the system does not say.
struct DiskRoom {
  std::uint64_t available;
  std::uint64_t cluster;
};
std::optional<DiskRoom> RoomOnDisk(const std::wstring& folderPrefix);

// A folder or file of that name exists ("X:\A\" is looked up as "X:\A").
bool PathExists(const std::wstring& path);

// One folder level, whose parent exists.
void CreateFolder(const std::wstring& path);

// What a copy tells while it runs, on the copying thread: the bytes of the
// file copied so far. Answering false stops the copy.
using CopyProgress = std::function<bool(std::uint64_t copied)>;

// Copies a file to a new name (never over a file there), with the source's
// attributes. False when progress stopped it: the part copied is removed.
// (Wine's CopyFileExW never reports progress: there a copy always runs to
// its end.) Throws AppError(kCannotCopy, from and shownTo, reason): shownTo
// is the name the user knows the copy by.
bool CopyOneFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress,
                 const std::wstring& shownTo);

}  // namespace conversion
