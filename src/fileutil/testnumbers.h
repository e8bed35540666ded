#pragma once
#include <optional>
#include <string>
#include <vector>

namespace fileutil {

// The test number of a file: the part of its name in front of the first dot,
// cut on the Shift-JIS form; nullopt for a name without a dot.
std::optional<std::wstring> TestNumberOf(const std::wstring& fileName);

// The test numbers a folder holds: the base names of its .GRA files, in
// listing order. Throws AppError when the folder cannot be read.
std::vector<std::wstring> TestsInFolder(const std::wstring& folderPrefix);

// Whether tests hold t as the file system sees names: regardless of letter
// case, since t's files would replace the other's.
bool HoldsTest(const std::vector<std::wstring>& tests, const std::wstring& t);

// Whether the index can hold a test number faithfully: it is stored as
// Shift-JIS, comma-separated text without quotes, so a name without a
// Shift-JIS form (it would come back as another, "?" being a wildcard), with
// a comma, a quote or a control character (it would break the record), or an
// empty one (its files would be ".*", every file of the folder) cannot be.
bool IsIndexableTestNumber(const std::wstring& testNumber);

// The test numbers of the folder's header files whose data file is there and
// not empty, in listing order. Names that the index could not hold (no
// Shift-JIS form, a comma or a quote, empty) are left out.
std::vector<std::wstring> ListTestNumbers(const std::wstring& folder);

}  // namespace fileutil
