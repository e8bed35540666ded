#include "base/strconv.h"

#include <windows.h>

#include <cwchar>

#include "base/error.h"
#include "base/messages.h"

namespace base {
namespace {

constexpr UINT kShiftJis = 932;

int Length(std::size_t size) {
  if (size > 0x7FFFFFFF) throw AppError(AppError::Kind::Overflow, text::kOverflow);
  return static_cast<int>(size);
}

// lost: a character had no form in the code page; nullopt: the conversion failed.
std::optional<std::string> Encode(UINT codePage, std::wstring_view text, bool& lost) {
  lost = false;
  if (text.empty()) return std::string();
  const int length = Length(text.size());
  // The UTF-8 converter refuses the default-character arguments, and reports
  // an unpaired surrogate through WC_ERR_INVALID_CHARS instead.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  const int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, used);
  if (size <= 0) return std::nullopt;
  std::string out(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), size, nullptr, used) != size)
    return std::nullopt;
  lost = usedDefault != FALSE;
  return out;
}

std::optional<std::wstring> Decode(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = Length(bytes.size());
  const int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, out.data(), size) != size)
    return std::nullopt;
  return out;
}

// The first character of text without a Shift-JIS form, for the message.
std::wstring FirstUnmappable(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t units = (i + 1 < text.size() && IS_HIGH_SURROGATE(text[i])) ? 2 : 1;
    if (!IsSjisRepresentable(text.substr(i, units))) return std::wstring(text.substr(i, units));
    i += units - 1;
  }
  return {};
}

}  // namespace

std::string ToSjis(std::wstring_view text, Unmappable unmappable) {
  bool lost = false;
  std::optional<std::string> bytes = Encode(kShiftJis, text, lost);
  if (bytes && (!lost || unmappable == Unmappable::AsQuestionMark)) return *std::move(bytes);
  throw AppError(AppError::Kind::Encoding,
                 text::NoShiftJisForm(std::wstring(text), FirstUnmappable(text)));
}

std::optional<std::string> TryToSjis(std::wstring_view text) {
  bool lost = false;
  std::optional<std::string> bytes = Encode(kShiftJis, text, lost);
  if (lost) return std::nullopt;
  return bytes;
}

bool IsSjisRepresentable(std::wstring_view text) { return TryToSjis(text).has_value(); }

std::wstring FromSjis(std::string_view bytes) {
  if (std::optional<std::wstring> text = Decode(kShiftJis, bytes)) return *std::move(text);
  throw AppError(AppError::Kind::Encoding, text::kNotShiftJis);
}

std::optional<std::wstring> TryFromSjis(std::string_view bytes) { return Decode(kShiftJis, bytes); }

std::wstring FromSjisPiece(std::string_view bytes) {
  if (std::optional<std::wstring> whole = Decode(kShiftJis, bytes)) return *std::move(whole);
  std::wstring out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (i + 1 < bytes.size()) {
      if (const auto pair = Decode(kShiftJis, bytes.substr(i, 2)); pair && pair->size() == 1) {
        out += *pair;
        i += 2;
        continue;
      }
    }
    const auto single = Decode(kShiftJis, bytes.substr(i, 1));
    out += single ? *single : std::wstring(1, L'\uFFFD');
    ++i;
  }
  return out;
}

std::optional<std::string> TryToUtf8(std::wstring_view text) {
  bool lost = false;
  return Encode(CP_UTF8, text, lost);
}

std::optional<std::wstring> TryFromUtf8(std::string_view bytes) { return Decode(CP_UTF8, bytes); }

}  // namespace base
