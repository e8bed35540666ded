#pragma once
// Numbers in the index: the lenient reading of a value text and the
// "####.00" writing of a single-precision value.
#include <string>
#include <string_view>

namespace conversion {

// The number at the start of text: blanks skipped, then an optional sign,
// digits with at most one decimal point, and an optional exponent (E or D).
// 0 when the text does not start with a number. Throws AppError (Overflow)
// beyond the range of a double.
double LeadingNumber(std::wstring_view text);

// LeadingNumber held in single precision. Throws AppError (Overflow) when the
// value does not fit.
float SingleOf(std::wstring_view text);

// "####.00": two decimals rounded half away from zero, no leading zero
// (0.5 gives ".50"), every integer digit, "-" in front of a negative value.
// The value rounded is the shortest fixed-point decimal that reads back as
// the same single (2.675 gives "2.68" although the single lies just below
// 2.675; a large whole single shows its own digits), and a value that rounds
// to zero is ".00" without a sign.
std::wstring FormatValue(float value);

}  // namespace conversion
