#include "textutil/fields.h"

#include "base/error.h"
#include "base/limits.h"
#include "base/strconv.h"
#include "extlib/extlib.h"

namespace textutil {
namespace {

using Kind = base::AppError::Kind;
using base::SjisBytes;

}  // namespace

std::int16_t CountDelimiters(const std::wstring& text, const std::wstring& delimiters) {
  if (delimiters.size() > static_cast<std::size_t>(base::kMax16))
    throw base::ProgramFault(Kind::Overflow, L"CountDelimiters: 区切り文字の数 " + std::to_wstring(delimiters.size()));
  const std::string bytes = SjisBytes(text);
  std::int32_t total = 0;
  for (const wchar_t delimiter : delimiters) {
    // The library counts whole characters, so the second byte of a character
    // such as 表 (95 5C) is never taken for a "\".
    total += extlib::InCount(bytes, SjisBytes(std::wstring_view(&delimiter, 1)));
    if (total > base::kMax16)
      throw base::ProgramFault(Kind::Overflow, L"CountDelimiters: 区切り文字の数 " + std::to_wstring(total));
  }
  return static_cast<std::int16_t>(total);
}

void SplitFields(const std::wstring& text, const std::wstring& delimiters,
                 std::vector<std::wstring>& fields) {
  if (text.size() > static_cast<std::size_t>(base::kMax16))
    throw base::ProgramFault(Kind::Overflow, L"SplitFields: 文字列の長さ " + std::to_wstring(text.size()));

  const auto isDelimiter = [&](wchar_t c) { return delimiters.find(c) != std::wstring::npos; };
  std::size_t pieces = 1;
  for (const wchar_t c : text)
    if (isDelimiter(c)) ++pieces;
  // Checked before the first store, so a path that does not fit leaves the
  // list as it was.
  if (pieces >= fields.size())
    throw base::ProgramFault(Kind::OutOfRange, L"SplitFields: 要素 " + std::to_wstring(pieces) + L" (最大 " +
                                                   std::to_wstring(fields.empty() ? 0 : fields.size() - 1) + L")");

  std::size_t field = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isDelimiter(text[i])) {
      fields[field++] = text.substr(start, i - start);
      start = i + 1;
    }
  }
  fields[field] = start < text.size() ? text.substr(start) : std::wstring();
}

}  // namespace textutil
