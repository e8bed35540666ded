#include "base/strconv.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/error.h"
#include "support/expected_texts.h"
#include "support/test_support.h"

using base::FromSjis;
using base::FromSjisPiece;
using base::ToSjis;
using base::TryFromSjis;
using base::TryToSjis;
using base::Unmappable;

TEST(CodePage, JapaneseWithBackslashTrailBytesRoundTrip) {
  const std::wstring text = L"表ソ能①髙";
  EXPECT_EQ(ToSjis(text), "\x95\x5C\x83\x5C\x94\x5C\x87\x40\xFB\xFC");
  EXPECT_EQ(FromSjis(ToSjis(text)), text);
  EXPECT_EQ(*TryToSjis(L"ﾌｫﾙﾀﾞ"), "\xCC\xAB\xD9\xC0\xDE");
  EXPECT_EQ(ToSjis(L""), "");
  EXPECT_EQ(FromSjis(""), L"");
}

TEST(CodePage, UnmappableCharactersAreReportedNotBestFitted) {
  EXPECT_FALSE(TryToSjis(L"한"));
  // The yen sign must never turn into a path separator.
  EXPECT_FALSE(TryToSjis(L"\u00A5"));
  EXPECT_EQ(ToSjis(L"a\u00A5b", Unmappable::AsQuestionMark), "a?b");
  const base::AppError error = testsupport::Raised([] { ToSjis(L"C:\\한글"); });
  EXPECT_EQ(error.kind(), base::AppError::Kind::Encoding);
  EXPECT_NE(error.message().find(L"한"), std::wstring::npos) << "names the character";
  EXPECT_NE(error.message().find(L"C:\\한글"), std::wstring::npos) << "and the text";
}

TEST(CodePage, InvalidShiftJisIsReportedNotReplaced) {
  // A lead byte with an invalid second byte, a lone lead byte at the end, and
  // bytes that are no character.
  for (const std::string bytes : {"A\x81\x20", "A\x81", "\xFF", "\x81\x7F", "\x85\x40"}) {
    EXPECT_FALSE(TryFromSjis(bytes)) << bytes;
    EXPECT_THROW(FromSjis(bytes), base::AppError) << bytes;
  }
}

TEST(CodePage, PiecesCutAtAnyByteComeBackByteForByte) {
  EXPECT_EQ(FromSjisPiece("\x5C"), L"\\");          // the second byte of 表
  EXPECT_EQ(FromSjisPiece("\x95\x5C"), L"表");
  EXPECT_EQ(FromSjisPiece("\x95"), L"\uFFFD");       // a lead byte cut off
  EXPECT_EQ(FromSjisPiece("\x5C\x83"), L"\\\uFFFD");
  EXPECT_EQ(FromSjisPiece("\x81\x20"), L"\uFFFD ");  // never ":" or "."
}

TEST(CodePage, Utf8BothWays) {
  EXPECT_EQ(*base::TryToUtf8(L"表ソ"), "\xE8\xA1\xA8\xE3\x82\xBD");
  EXPECT_EQ(*base::TryFromUtf8("\xE8\xA1\xA8\xE3\x82\xBD"), L"表ソ");
  EXPECT_FALSE(base::TryToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))));
  EXPECT_FALSE(base::TryFromUtf8("\xE8\xA1"));
}

TEST(DescribeFailure, SaysWhatWentWrong) {
  EXPECT_EQ(base::DescribeFailure(std::make_exception_ptr(base::AppError(L"コピーできません。\nM:\\表"))),
            L"コピーできません。\nM:\\表");
  EXPECT_EQ(base::DescribeFailure(std::make_exception_ptr(std::runtime_error("disk gone"))),
            expected::kUnexpected + L"\n\ndisk gone");
  EXPECT_EQ(base::DescribeFailure(std::make_exception_ptr(42)), expected::kUnexpected);
  // what() that is no UTF-8 is left out rather than shown garbled.
  EXPECT_EQ(base::DescribeFailure(std::make_exception_ptr(std::runtime_error("\xE8\xA1"))),
            expected::kUnexpected);
}
