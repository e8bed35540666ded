#include "extlib/findfile.h"

#include "base/file_calls.h"

#include "base/strconv.h"

namespace extlib {
namespace {

constexpr DWORD kVolumeLabel = 0x8;  // FILE_ATTRIBUTE_VOLUME of old file systems

bool SameLetter(wchar_t a, wchar_t b) {
  if (a == b) return true;
  if (a < 0x80 && b < 0x80) return base::AsciiLower(a) == base::AsciiLower(b);
  // The file system's own case-insensitive comparison of names.
  return CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

bool MatchesEverything(std::wstring_view pattern) {
  return pattern == L"*" || pattern == L"*.*";
}

}  // namespace

std::wstring_view SpecPattern(std::wstring_view spec) {
  const size_t cut = spec.find_last_of(L"\\:");
  return cut == std::wstring_view::npos ? spec : spec.substr(cut + 1);
}

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  if (MatchesEverything(pattern)) return true;
  size_t n = 0;
  size_t p = 0;
  size_t starP = std::wstring_view::npos;  // pattern position after the last "*"
  size_t starN = 0;                        // name position that "*" took up to
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      starP = ++p;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == L'?' || SameLetter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::wstring_view::npos) {
      p = starP;  // let the last "*" take one more character
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == L'*' || pattern[p] == L'.')) ++p;
  return p == pattern.size();
}

HANDLE FindFirst(const std::wstring& spec, WIN32_FIND_DATAW& data) {
  return base::Files().FindFirst(spec.c_str(), &data);
}

bool IsListedFile(const WIN32_FIND_DATAW& entry, std::wstring_view pattern) {
  constexpr DWORD kNotListed =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel;
  return (entry.dwFileAttributes & kNotListed) == 0 && MatchesPattern(entry.cFileName, pattern);
}

bool IsListedFolder(const WIN32_FIND_DATAW& entry, std::wstring_view pattern) {
  const DWORD attributes = entry.dwFileAttributes;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN)) == 0 &&
         MatchesPattern(entry.cFileName, pattern);
}

}  // namespace extlib
