#pragma once
// The message-box seam: routines ask through it, the window answers with the
// real MessageBoxW, and tests script the answers and record every prompt.
#include <exception>
#include <optional>
#include <string>

#include "base/error.h"

namespace base {

enum class Buttons { Ok, YesNo, RetryCancel };
enum class Icon { None, Information, Question, Warning };

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A modal message box; no caption means the application title.
  // Answers the button pressed: kIdOk, kIdYes, kIdNo, kIdRetry or kIdCancel.
  virtual int Show(const std::wstring& prompt, Buttons buttons, Icon icon,
                   const std::optional<std::wstring>& caption = std::nullopt) = 0;
};

// The one way a failure is shown: its message (DescribeFailure), OK
// and a warning icon, with the application title.
inline void ShowFailure(Prompter& prompter, std::exception_ptr failure) {
  prompter.Show(DescribeFailure(failure), Buttons::Ok, Icon::Warning);
}

}  // namespace base
