#include "textutil/bytewise.h"

#include <string>

#include "base/error.h"
#include "base/limits.h"
#include "base/strconv.h"

namespace textutil {
namespace {

using Kind = base::AppError::Kind;
using base::SjisBytes;

}  // namespace

std::wstring AnsiRightB(const std::wstring& text, std::int32_t count) {
  if (count < 0) throw base::ProgramFault(Kind::InvalidArgument, L"AnsiRightB: 文字数 " + std::to_wstring(count));
  const std::string bytes = SjisBytes(text);
  if (static_cast<std::size_t>(count) >= bytes.size()) return base::FromSjisPiece(bytes);
  return base::FromSjisPiece(std::string_view(bytes).substr(bytes.size() - static_cast<std::size_t>(count)));
}

std::wstring AnsiMidB(const std::wstring& text, std::int32_t start, std::int32_t length) {
  if (start < 1 || length < 0)
    throw base::ProgramFault(Kind::InvalidArgument, L"AnsiMidB: 開始位置 " + std::to_wstring(start) + L"、長さ " +
                                                        std::to_wstring(length));
  const std::string bytes = SjisBytes(text);
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (from >= bytes.size()) return {};
  return base::FromSjisPiece(std::string_view(bytes).substr(from, static_cast<std::size_t>(length)));
}

std::int16_t AnsiInStrB(const std::wstring& text, const std::wstring& pattern) {
  const std::string bytes = SjisBytes(text);
  if (bytes.empty()) return 0;
  // A plain byte search: a match may start on the second byte of a character.
  const std::size_t found = bytes.find(SjisBytes(pattern));
  if (found == std::string::npos) return 0;
  const std::size_t position = found + 1;
  if (position > static_cast<std::size_t>(base::kMax16))
    throw base::ProgramFault(Kind::Overflow, L"AnsiInStrB: 位置 " + std::to_wstring(position));
  return static_cast<std::int16_t>(position);
}

}  // namespace textutil
