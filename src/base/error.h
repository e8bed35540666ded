#pragma once
// The program's one error type. Every failure that reaches the user carries a
// message in Japanese: the operation, the path, and the system's own reason.
#include <exception>
#include <string>
#include <string_view>

namespace base {

class AppError : public std::exception {
 public:
  enum class Kind { General, Overflow, InvalidArgument, OutOfRange, System, Encoding };

  AppError(Kind kind, std::wstring message);
  explicit AppError(std::wstring message) : AppError(Kind::General, std::move(message)) {}

  Kind kind() const noexcept { return kind_; }
  const std::wstring& message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }  // for test output

 private:
  Kind kind_;
  std::wstring message_;
  std::string utf8_;
};

// The system's text for a Win32 error code (FormatMessageW), without the line end.
std::wstring SystemReason(unsigned long code);

// "<operation>\n<path>\n\n<reason>" as an AppError of kind System.
AppError SystemError(std::wstring_view operation, std::wstring_view path, unsigned long code);

// A fault of the program itself (overflow, an invalid argument, an index out
// of range): the system's wording for the kind, then where it happened.
AppError ProgramFault(AppError::Kind kind, std::wstring_view where);

// What the user is told about any caught failure: an AppError's message, else
// the unexpected-error text, followed by what() where that reads as UTF-8.
std::wstring DescribeFailure(std::exception_ptr failure);

}  // namespace base
