#include "conversion/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/error.h"
#include "base/messages.h"

namespace conversion {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

base::AppError OutOfRange(std::wstring_view text) {
  return base::AppError(base::AppError::Kind::Overflow, base::text::kNumberTooLarge + std::wstring(text));
}

// The number at the start of text as plain ASCII for strtod (empty when there
// is none), and where it ends.
struct Scan {
  std::string number;
  std::size_t end = 0;
};

Scan ScanNumber(std::wstring_view text) {
  Scan scan;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;

  std::string number;
  // Appends the digits from position j on; true when there was one.
  const auto takeDigits = [&text](std::size_t& j, std::string& into) {
    const std::size_t from = j;
    while (j < text.size() && IsDigit(text[j])) into += static_cast<char>(text[j++]);
    return j > from;
  };
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    if (text[i] == L'-') number += '-';
    ++i;
  }
  bool digits = takeDigits(i, number);
  if (i < text.size() && text[i] == L'.') {
    number += '.';
    digits = takeDigits(++i, number) || digits;
  }
  if (!digits) return scan;

  if (i < text.size() && std::wstring_view(L"EeDd").find(text[i]) != std::wstring_view::npos) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) exponent += static_cast<char>(text[j++]);
    if (takeDigits(j, exponent)) {
      number += exponent;
      i = j;
    }
  }
  scan.number = std::move(number);
  scan.end = i;
  return scan;
}

}  // namespace

double LeadingNumber(std::wstring_view text) {
  const Scan scan = ScanNumber(text);
  if (scan.number.empty()) return 0.0;
  const double value = std::strtod(scan.number.c_str(), nullptr);
  if (std::isinf(value)) throw OutOfRange(text);
  return value;
}

float SingleOf(std::wstring_view text) {
  const double value = LeadingNumber(text);
  const float single = static_cast<float>(value);
  if (std::isinf(single)) throw OutOfRange(text);
  return single;
}

std::wstring FormatValue(float value) {
  if (!std::isfinite(value)) throw OutOfRange(std::to_wstring(value));

  // Shortest fixed-point decimal that reads back as the same single.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::fixed);
  const std::string decimal(buffer, result.ptr);

  const std::size_t point = decimal.find('.');
  std::string digits = decimal.substr(0, point);  // integer digits, then two decimals
  std::string fraction = point == std::string::npos ? std::string() : decimal.substr(point + 1);
  const bool roundUp = fraction.size() > 2 && fraction[2] >= '5';
  fraction.resize(2, '0');
  digits += fraction;

  if (roundUp) {
    std::size_t k = digits.size();
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) {
      digits.insert(digits.begin(), '1');
    } else {
      ++digits[k - 1];
    }
  }

  std::string integer = digits.substr(0, digits.size() - 2);
  const std::size_t firstNonZero = integer.find_first_not_of('0');
  integer = firstNonZero == std::string::npos ? std::string() : integer.substr(firstNonZero);
  const bool zero = integer.empty() && digits.substr(digits.size() - 2) == "00";

  std::string text;
  if (value < 0 && !zero) text += '-';
  text += integer;
  text += '.';
  text += digits.substr(digits.size() - 2);
  return std::wstring(text.begin(), text.end());
}

}  // namespace conversion
