#include "textutil/codepage.h"

#include <gtest/gtest.h>

using textutil::FromSjis;
using textutil::ToSjis;
using textutil::TryToSjis;

TEST(CodePage, JapaneseWithBackslashTrailBytesRoundTrip) {
  const std::wstring text = L"表ソ能①髙";
  EXPECT_EQ(ToSjis(text), "\x95\x5C\x83\x5C\x94\x5C\x87\x40\xFB\xFC");
  EXPECT_EQ(FromSjis(ToSjis(text)), text);
}

TEST(CodePage, UnmappableCharactersAreReportedNotBestFitted) {
  std::string out;
  EXPECT_FALSE(TryToSjis(L"한", out));
  EXPECT_EQ(out, "?");
  // The yen sign must never turn into a path separator.
  EXPECT_FALSE(TryToSjis(L"\u00A5", out));
  EXPECT_EQ(out, "?");
  EXPECT_TRUE(TryToSjis(L"ﾌｫﾙﾀﾞ", out));
  EXPECT_EQ(out, "\xCC\xAB\xD9\xC0\xDE");
}

TEST(CodePage, LoneTrailByteComesBackAsAscii) {
  EXPECT_EQ(FromSjis("\x5C"), L"\\");
  EXPECT_EQ(FromSjis(""), L"");
}
