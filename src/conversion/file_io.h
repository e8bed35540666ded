#pragma once
// The few file operations of the run, each failing with an AppError that
// names the file and gives the system's reason.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/scoped.h"

namespace conversion {

// The whole content of a file; throws AppError("<failure>", path, reason).
std::string ReadWholeFile(const std::wstring& path, std::wstring_view failure);

// Whether a file could be replaced now: Free (also when absent), ReadOnly
// (the attribute, which Windows honours and Wine run as root does not), or
// InUse (another program holds it open without letting it be replaced).
enum class FileUse { Free, ReadOnly, InUse };

// The content of path as a replace of it will find it: an absent file reads
// as empty; when use is not Free nothing is read. Throws like ReadWholeFile.
std::string ReadToReplace(const std::wstring& path, std::wstring_view failure, FileUse& use);

// Writes bytes to path + kTempSuffix and then puts that in place of path in
// one step: path holds either its old content or all of the new. A program
// that holds path for a moment is waited for, briefly. Only one writer may
// be at it at a time (see LockIndex): the temporary name is fixed.
inline constexpr wchar_t kTempSuffix[] = L".tmp";
void ReplaceFileContent(const std::wstring& path, const std::string& bytes, std::wstring_view failure);

// A folder or file of that name exists ("X:\A\" is looked up as "X:\A").
bool PathExists(const std::wstring& path);

// One folder level, whose parent exists.
void CreateFolder(const std::wstring& path);

// What a copy tells while it runs, on the copying thread: the bytes of the
// file copied so far. Answering false stops the copy.
using CopyProgress = std::function<bool(std::uint64_t copied)>;

// Copies a file, replacing a file of that name at the target, also a
// read-only or hidden one; the copy takes the source's attributes. False
// when progress stopped it: the part copied is removed, so nothing is left
// under the target's name. (Wine's CopyFileExW never reports progress: there
// a copy always runs to its end.)
bool CopyOneFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress = {});

}  // namespace conversion
