#include "conversion/number_text.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "support/test_support.h"

using conversion::FormatValue;
using conversion::LeadingNumber;
using conversion::SingleOf;

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  EXPECT_EQ(LeadingNumber(L"12.5"), 12.5);
  EXPECT_EQ(LeadingNumber(L"  3"), 3.0);
  EXPECT_EQ(LeadingNumber(L"\t4"), 4.0);
  EXPECT_EQ(LeadingNumber(L"-1.5"), -1.5);
  EXPECT_EQ(LeadingNumber(L"+2"), 2.0);
  EXPECT_EQ(LeadingNumber(L".5"), 0.5);
  EXPECT_EQ(LeadingNumber(L"5."), 5.0);
  EXPECT_EQ(LeadingNumber(L"7.25xyz"), 7.25);
  EXPECT_EQ(LeadingNumber(L"1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber(L"12 34"), 12.0);
}

TEST(LeadingNumber, ReadsExponents) {
  EXPECT_EQ(LeadingNumber(L"1e3"), 1000.0);
  EXPECT_EQ(LeadingNumber(L"1D2"), 100.0);
  EXPECT_EQ(LeadingNumber(L"2.5E-1"), 0.25);
  // An exponent letter without digits is not part of the number.
  EXPECT_EQ(LeadingNumber(L"1e"), 1.0);
  EXPECT_EQ(LeadingNumber(L"3Ex"), 3.0);
}

TEST(LeadingNumber, IsZeroWithoutANumber) {
  EXPECT_EQ(LeadingNumber(L""), 0.0);
  EXPECT_EQ(LeadingNumber(L"abc"), 0.0);
  EXPECT_EQ(LeadingNumber(L"-"), 0.0);
  EXPECT_EQ(LeadingNumber(L"."), 0.0);
  EXPECT_EQ(LeadingNumber(L"e5"), 0.0);
  EXPECT_EQ(LeadingNumber(L"１２"), 0.0);  // full-width digits are no number
}

TEST(SingleOf, KeepsSinglePrecisionAndRefusesValuesOutOfRange) {
  EXPECT_EQ(SingleOf(L"12345.678"), 12345.678f);
  EXPECT_EQ(SingleOf(L"1e-50"), 0.0f);
  const base::AppError error = testsupport::Raised([] { SingleOf(L"1e39"); });
  EXPECT_EQ(error.kind(), base::AppError::Kind::Overflow);
  EXPECT_NE(error.message().find(L"1e39"), std::wstring::npos);
  EXPECT_THROW(SingleOf(L"-1e400"), base::AppError);
}

TEST(FormatValue, WritesTwoDecimalsWithoutLeadingZero) {
  EXPECT_EQ(FormatValue(0.5f), L".50");
  EXPECT_EQ(FormatValue(0.0f), L".00");
  EXPECT_EQ(FormatValue(3.0f), L"3.00");
  EXPECT_EQ(FormatValue(12.5f), L"12.50");
  EXPECT_EQ(FormatValue(0.1f), L".10");
  EXPECT_EQ(FormatValue(-1.5f), L"-1.50");
  EXPECT_EQ(FormatValue(-0.25f), L"-.25");
}

TEST(FormatValue, RoundsTheShortestDecimalHalfAwayFromZero) {
  EXPECT_EQ(FormatValue(0.125f), L".13");
  EXPECT_EQ(FormatValue(2.675f), L"2.68");  // the single lies just below 2.675
  EXPECT_EQ(FormatValue(1.005f), L"1.01");
  EXPECT_EQ(FormatValue(12345.678f), L"12345.68");
  EXPECT_EQ(FormatValue(0.124f), L".12");
  EXPECT_EQ(FormatValue(-0.005f), L"-.01");
  EXPECT_EQ(FormatValue(-2.675f), L"-2.68");
}

TEST(FormatValue, CarriesIntoTheIntegerDigits) {
  EXPECT_EQ(FormatValue(0.995f), L"1.00");
  EXPECT_EQ(FormatValue(9.995f), L"10.00");
  EXPECT_EQ(FormatValue(99.999f), L"100.00");
}

TEST(FormatValue, ShowsEveryIntegerDigit) {
  EXPECT_EQ(FormatValue(1e7f), L"10000000.00");
  EXPECT_EQ(FormatValue(1e10f), L"10000000000.00");
  // A single holds integers of this size exactly: its own digits are shown.
  EXPECT_EQ(FormatValue(123456789.0f), L"123456792.00");
  EXPECT_EQ(FormatValue(-3.4028235e38f), L"-340282346638528859811704183484516925440.00");
}

TEST(FormatValue, WritesZeroWithoutSign) {
  EXPECT_EQ(FormatValue(-0.001f), L".00");
  EXPECT_EQ(FormatValue(-0.0f), L".00");
  EXPECT_EQ(FormatValue(1e-30f), L".00");
}
