#pragma once
// The one place where text changes between UTF-16 and its byte forms:
// Shift-JIS (code page 932, always passed explicitly, so the process's ANSI
// code page never decides how a name is spelled on disk or in the index) and
// UTF-8. Input that does not convert is reported, never silently replaced.
#include <optional>
#include <string>
#include <string_view>

namespace base {

// What becomes of a character that has no Shift-JIS form. The byte-wise
// routines measure and cut texts and may count it as one "?" byte, which no
// file name holds; everything written to disk or the index refuses it.
enum class Unmappable { Refuse, AsQuestionMark };

// The Shift-JIS form, never a best-fit look-alike (such as "\" for the yen
// sign). With Refuse, throws AppError (kind Encoding) naming the character.
std::string ToSjis(std::wstring_view text, Unmappable unmappable = Unmappable::Refuse);

// The form the byte-wise routines measure, cut and search: a character
// without a Shift-JIS form counts as one "?", which no name holds and which
// is no delimiter.
inline std::string SjisBytes(std::wstring_view text) { return ToSjis(text, Unmappable::AsQuestionMark); }
std::optional<std::string> TryToSjis(std::wstring_view text);
bool IsSjisRepresentable(std::wstring_view text);

// Valid Shift-JIS only (strict code page 932): throws AppError (kind
// Encoding) for a byte sequence that is not a character.
std::wstring FromSjis(std::string_view bytes);
std::optional<std::wstring> TryFromSjis(std::string_view bytes);

// For pieces cut at arbitrary bytes: every whole character converts as
// usual, a lone byte 0x20-0x7E becomes its ASCII character (the 5C of 表
// comes back as "\"), and any other byte that is no character on its own
// becomes U+FFFD, which equals no separator, dot or test number.
std::wstring FromSjisPiece(std::string_view bytes);

// Drive letters and file names fold ASCII letters only, whatever the locale.
constexpr wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }
// The upper-case drive letter; 0 for anything but an ASCII letter.
constexpr wchar_t DriveLetter(wchar_t c) {
  const wchar_t lower = AsciiLower(c);
  return lower >= L'a' && lower <= L'z' ? static_cast<wchar_t>(lower - 32) : L'\0';
}

std::optional<std::string> TryToUtf8(std::wstring_view text);
std::optional<std::wstring> TryFromUtf8(std::string_view bytes);

}  // namespace base
