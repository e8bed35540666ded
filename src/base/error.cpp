#include "base/error.h"

#include <windows.h>

#include "base/messages.h"
#include "base/strconv.h"

namespace base {

AppError::AppError(Kind kind, std::wstring message)
    : kind_(kind),
      message_(std::move(message)),
      utf8_(TryToUtf8(message_).value_or("(message with an unpaired surrogate)")) {}

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
  if (reason.empty()) reason = text::kErrorCode + std::to_wstring(code);
  return reason;
}

AppError SystemError(std::wstring_view operation, std::wstring_view path, unsigned long code) {
  return AppError(AppError::Kind::System, text::Report(operation, path, SystemReason(code)));
}

AppError ProgramFault(AppError::Kind kind, std::wstring_view where) {
  const wchar_t* head = kind == AppError::Kind::Overflow     ? text::kOverflow
                        : kind == AppError::Kind::OutOfRange ? text::kOutOfRange
                                                             : text::kInvalidArgument;
  return AppError(kind, head + (L"\n" + std::wstring(where)));
}

std::wstring DescribeFailure(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const AppError& error) {
    return error.message();
  } catch (const std::exception& error) {
    // The standard library's texts are ASCII; anything that does not read as
    // UTF-8 is left out rather than shown garbled.
    if (const auto detail = TryFromUtf8(error.what()); detail && !detail->empty())
      return std::wstring(text::kUnexpected) + L"\n\n" + *detail;
  } catch (...) {
  }
  return text::kUnexpected;
}

}  // namespace base
