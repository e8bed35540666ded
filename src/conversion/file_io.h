#pragma once
// The few file operations of the run, each failing with an AppError that
// names the file and gives the system's reason.
#include <string>
#include <string_view>

namespace conversion {

// The whole content of a file; throws AppError("<failure>", path, reason).
std::string ReadWholeFile(const std::wstring& path, std::wstring_view failure);

// Like ReadWholeFile, but an absent file reads as empty.
std::string ReadFileIfPresent(const std::wstring& path, std::wstring_view failure);

// Writes bytes to a new file in the same folder and then puts it in place of
// path in one step: path holds either its old content or all of the new.
void ReplaceFileContent(const std::wstring& path, const std::wstring& folderPrefix,
                        const std::string& bytes, std::wstring_view failure);

// A folder or file of that name exists ("X:\A\" is looked up as "X:\A").
bool PathExists(const std::wstring& path);

// One folder level, whose parent exists.
void CreateFolder(const std::wstring& path);

// Copies a file, replacing a file of that name at the target.
void CopyOneFile(const std::wstring& from, const std::wstring& to);

}  // namespace conversion
