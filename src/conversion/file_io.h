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

// Writes bytes into a new file (never over one there) and makes them
// durable: they are on the disk when it returns. Throws AppError(failure,
// path, reason); a file begun is removed again.
void WriteDurably(const std::wstring& path, const std::string& bytes, std::wstring_view failure);

// Makes a file's content durable. Throws AppError(failure, path, reason).
void FlushToDisk(const std::wstring& path, std::wstring_view failure);

// Makes the names in a folder durable, as far as its file system lets a
// program do so (a share may not): a rename is not, by itself.
void FlushFolder(const std::wstring& folderPrefix) noexcept;

// Renames a file within its folder, over a file of the new name only with
// replace; never by copying. A program that holds either file for a moment
// (a virus scanner, an indexer) is waited for, briefly. Throws
// AppError(failure, reported, reason).
void RenameFile(const std::wstring& from, const std::wstring& to, bool replace, std::wstring_view failure,
                const std::wstring& reported);

// Deletes a file, also a read-only, hidden or system one; false when it is
// still there.
bool RemoveFile(const std::wstring& path) noexcept;

// What tells a file from another of the same name: its size and write time.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t written = 0;  // FILETIME
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of a file; nullopt when it is not there or is a folder.
std::optional<FileStamp> StampOf(const std::wstring& path);

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
// its end.) Throws AppError(kCannotCopy, from and shownTo, reason), also for
// a copy that the system ended unfinished: shownTo is the name the user
// knows the copy by.
bool CopyOneFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress,
                 const std::wstring& shownTo);

}  // namespace conversion
