#pragma once
// A test's files in the source, and the value its header gives the index.
#include <cstdint>
#include <string>
#include <vector>

#include "fileutil/listing.h"

namespace conversion {

// The files of test t in the source, as they are now. A file that would land
// on the destination's own index or its lock, or that is some run's
// temporary, is none of the test's.
std::vector<fileutil::FileEntry> ListTestFiles(const std::wstring& sourcePrefix, const std::wstring& t);

std::uint64_t BytesOf(const std::vector<fileutil::FileEntry>& files);

// The fifth field of the header copied to path, which the user knows as
// shown; false when it has fewer fields. An old end-of-file mark (Ctrl-Z)
// ends the header, as sequential input stops there. Throws AppError.
bool ReadHeaderValue(const std::wstring& path, const std::wstring& shown, std::wstring& headerValue);

}  // namespace conversion
