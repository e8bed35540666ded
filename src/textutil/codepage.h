#pragma once
// The one place where text changes between UTF-16 and Shift-JIS (code page 932).
// The code page is always passed explicitly: the process's ANSI code page never
// decides how a name is spelled on disk or in the index.
#include <string>
#include <string_view>

namespace textutil {

// Shift-JIS form; a character that code page 932 cannot hold becomes "?"
// (never a best-fit look-alike such as "\" for the yen sign).
std::string ToSjis(std::wstring_view text);

// Like ToSjis, but answers false when some character has no Shift-JIS form.
bool TryToSjis(std::wstring_view text, std::string& out);

// Back to UTF-16. A lone byte 0x20-0x7E becomes its ASCII character; a broken
// double-byte sequence becomes whatever the platform makes of it.
std::wstring FromSjis(std::string_view bytes);

// Whether every character of text has a Shift-JIS form.
bool IsSjisRepresentable(std::wstring_view text);

}  // namespace textutil
