#include "textutil/error.h"

#include <windows.h>

namespace textutil {
namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

AppError::AppError(Kind kind, std::wstring message)
    : kind_(kind), message_(std::move(message)), utf8_(ToUtf8(message_)) {}

std::wstring SystemReason(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring reason;
  if (length != 0 && buffer != nullptr) reason.assign(buffer, length);
  LocalFree(buffer);
  while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
    reason.pop_back();
  if (reason.empty()) reason = L"エラー " + std::to_wstring(code);
  return reason;
}

AppError SystemError(std::wstring_view operation, std::wstring_view path, unsigned long code) {
  std::wstring message(operation);
  message += L"\n";
  message += path;
  message += L"\n\n";
  message += SystemReason(code);
  return AppError(AppError::Kind::System, std::move(message));
}

}  // namespace textutil
