#include "textutil/bytewise.h"

#include <string>

#include "textutil/codepage.h"
#include "textutil/error.h"

namespace textutil {
namespace {

// The system's own wording for the two errors these routines raise, followed
// by the call that raised it, so that a report says where it came from.
AppError InvalidArgument(const std::wstring& call) {
  return AppError(AppError::Kind::InvalidArgument,
                  L"プロシージャの呼び出し、または引数が不正です。\n" + call);
}

AppError Overflow(const std::wstring& call) {
  return AppError(AppError::Kind::Overflow, L"オーバーフローしました。\n" + call);
}

}  // namespace

std::wstring AnsiRightB(const std::wstring& text, std::int32_t count) {
  if (count < 0) throw InvalidArgument(L"AnsiRightB: 文字数 " + std::to_wstring(count));
  const std::string bytes = ToSjis(text);
  if (static_cast<std::size_t>(count) >= bytes.size()) return FromSjis(bytes);
  return FromSjis(std::string_view(bytes).substr(bytes.size() - static_cast<std::size_t>(count)));
}

std::wstring AnsiMidB(const std::wstring& text, std::int32_t start, std::int32_t length) {
  if (start < 1 || length < 0)
    throw InvalidArgument(L"AnsiMidB: 開始位置 " + std::to_wstring(start) + L"、長さ " +
                          std::to_wstring(length));
  const std::string bytes = ToSjis(text);
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (from >= bytes.size()) return {};
  return FromSjis(std::string_view(bytes).substr(from, static_cast<std::size_t>(length)));
}

std::int16_t AnsiInStrB(const std::wstring& text, const std::wstring& pattern) {
  const std::string bytes = ToSjis(text);
  if (bytes.empty()) return 0;
  // A plain byte search: a match may start on the second byte of a character.
  const std::size_t found = bytes.find(ToSjis(pattern));
  if (found == std::string::npos) return 0;
  const std::size_t position = found + 1;
  if (position > 32767)
    throw Overflow(L"AnsiInStrB: 位置 " + std::to_wstring(position));
  return static_cast<std::int16_t>(position);
}

}  // namespace textutil
