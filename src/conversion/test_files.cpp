#include "conversion/test_files.h"

#include <string_view>

#include "base/error.h"
#include "base/messages.h"
#include "base/strconv.h"
#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "conversion/staging.h"

namespace conversion {

using namespace base::text;

bool ReadHeaderValue(const std::wstring& path, const std::wstring& shown, std::wstring& headerValue) {
  const std::string bytes = ReadWholeFile(path, kCannotReadHeader, shown);
  FieldReader reader(std::string_view(bytes).substr(0, bytes.find('\x1A')));
  for (int field = 1; !reader.AtEnd(); ++field) {
    std::string text = reader.Read();
    if (field < 5) continue;
    if (const auto value = base::TryFromSjis(text)) {
      headerValue = *value;
      return true;
    }
    throw base::AppError(base::AppError::Kind::Encoding, Report(kCannotReadHeader, shown, kNotShiftJis));
  }
  return false;
}

std::vector<fileutil::FileEntry> ListTestFiles(const std::wstring& sourcePrefix, const std::wstring& t) {
  std::vector<fileutil::FileEntry> files = fileutil::ListFiles(sourcePrefix + t + L".*");
  std::erase_if(files,
                [](const fileutil::FileEntry& file) { return IsIndexOwnFile(file.name) || IsRunTemporary(file.name); });
  return files;
}

std::uint64_t BytesOf(const std::vector<fileutil::FileEntry>& files) {
  std::uint64_t bytes = 0;
  for (const fileutil::FileEntry& file : files) bytes += file.size;
  return bytes;
}

}  // namespace conversion
