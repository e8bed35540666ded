#include "conversion/temp_names.h"

#include <cwchar>
#include <random>

#include "base/paths.h"

namespace conversion {
namespace {

constexpr std::wstring_view kHead = L"~lugeon";
constexpr std::size_t kRunChars = 8;

bool IsHex(std::wstring_view text) {
  return text.size() == kRunChars && text.find_first_not_of(L"0123456789abcdefABCDEF") == std::wstring_view::npos;
}

// The decimal number that text starts with and where it ends; nullopt when none.
std::optional<std::pair<int, std::size_t>> LeadingNumber(std::wstring_view text) {
  std::size_t end = 0;
  long long number = 0;
  while (end < text.size() && text[end] >= L'0' && text[end] <= L'9' && end < 9)
    number = number * 10 + (text[end++] - L'0');
  if (end == 0 || (end < text.size() && text[end] >= L'0' && text[end] <= L'9')) return std::nullopt;
  return std::pair{static_cast<int>(number), end};
}

}  // namespace

TempName TempName::Marker(std::wstring run, bool legacy) {
  TempName marker;
  marker.run = std::move(run);
  marker.legacy = legacy;
  return marker;
}

TempName TempName::Of(Kind kind, std::wstring run, int number, std::wstring name) {
  TempName made;
  made.kind = kind;
  made.run = std::move(run);
  made.number = number;
  made.name = std::move(name);
  return made;
}

std::wstring TempName::FileName() const {
  const std::wstring sep = legacy ? L"-" : L"_";
  std::wstring file = std::wstring(kHead) + sep + run;
  if (kind != Kind::Marker) file += sep + std::to_wstring(number);
  if (kind == Kind::Aside) file += sep + name;
  return file + (kind == Kind::Intent ? L".jnl" : L".tmp");
}

std::optional<TempName> ParseTempName(std::wstring_view file) {
  if (file.size() < kHead.size() + 1 + kRunChars + 4 || !base::SameFileName(file.substr(0, kHead.size()), kHead))
    return std::nullopt;
  TempName parsed;
  const wchar_t sep = file[kHead.size()];
  if (sep != L'_' && sep != L'-') return std::nullopt;
  parsed.legacy = sep == L'-';
  const std::wstring_view ending = file.substr(file.size() - 4);
  const bool intent = !parsed.legacy && base::SameFileName(ending, L".jnl");
  if (!intent && !base::SameFileName(ending, L".tmp")) return std::nullopt;
  std::wstring_view rest = file.substr(kHead.size() + 1, file.size() - kHead.size() - 1 - 4);
  if (!IsHex(rest.substr(0, kRunChars))) return std::nullopt;
  parsed.run = rest.substr(0, kRunChars);
  rest.remove_prefix(kRunChars);
  if (rest.empty()) {
    if (intent) return std::nullopt;
    return parsed;
  }
  if (rest[0] != sep) return std::nullopt;
  const auto number = LeadingNumber(rest.substr(1));
  if (!number) return std::nullopt;
  parsed.number = number->first;
  rest.remove_prefix(1 + number->second);
  if (rest.empty()) {
    parsed.kind = intent ? TempName::Kind::Intent : TempName::Kind::Staged;
    return parsed;
  }
  if (intent || rest[0] != sep) return std::nullopt;
  parsed.kind = TempName::Kind::Aside;
  parsed.name = rest.substr(1);
  return parsed;
}

std::wstring NewRun() {
  std::random_device random;
  std::wstring run;
  for (unsigned value = random(), digit = 0; digit < kRunChars; ++digit, value >>= 4)
    run += L"0123456789abcdef"[value & 0xF];
  return run;
}

}  // namespace conversion
