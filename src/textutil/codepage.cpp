#include "textutil/codepage.h"

#include <windows.h>

namespace textutil {
namespace {

constexpr UINT kShiftJis = 932;

std::string Convert(std::wstring_view text, bool* lost) {
  BOOL usedDefault = FALSE;
  if (text.empty()) {
    if (lost) *lost = false;
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), size,
                      nullptr, &usedDefault);
  if (lost) *lost = usedDefault != FALSE;
  return out;
}

}  // namespace

std::string ToSjis(std::wstring_view text) { return Convert(text, nullptr); }

bool TryToSjis(std::wstring_view text, std::string& out) {
  bool lost = false;
  out = Convert(text, &lost);
  return !lost;
}

bool IsSjisRepresentable(std::wstring_view text) {
  bool lost = false;
  Convert(text, &lost);
  return !lost;
}

std::wstring FromSjis(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(kShiftJis, 0, bytes.data(), length, nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(kShiftJis, 0, bytes.data(), length, out.data(), size);
  return out;
}

}  // namespace textutil
