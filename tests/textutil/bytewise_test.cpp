#include "textutil/bytewise.h"

#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "support/test_support.h"

using textutil::AnsiInStrB;
using textutil::AnsiMidB;
using testsupport::Raised;
using textutil::AnsiRightB;
using base::AppError;

TEST(AnsiRightB, LastByteOfAPathDecidesAboutTheSeparator) {
  EXPECT_EQ(AnsiRightB(L"C:\\", 1), L"\\");
  EXPECT_EQ(AnsiRightB(L"C:\\DATA", 1), L"A");
  EXPECT_EQ(AnsiRightB(L"C:\\DATA", 4), L"DATA");
}

TEST(AnsiRightB, ZeroGivesEmptyAndTooLargeGivesTheWholeText) {
  EXPECT_EQ(AnsiRightB(L"C:\\DATA", 0), L"");
  EXPECT_EQ(AnsiRightB(L"C:\\DATA", 7), L"C:\\DATA");
  EXPECT_EQ(AnsiRightB(L"C:\\表", 100), L"C:\\表");
  EXPECT_EQ(AnsiRightB(L"", 1), L"");
}

TEST(AnsiRightB, CountsBytesOfTheShiftJisForm) {
  // 表 is 95 5C: its second byte alone comes back as "\".
  EXPECT_EQ(AnsiRightB(L"C:\\成績表", 1), L"\\");
  EXPECT_EQ(AnsiRightB(L"C:\\成績表", 2), L"表");
  EXPECT_EQ(AnsiRightB(L"ソ能", 3), L"\\能");
  // Half-width katakana take one byte each.
  EXPECT_EQ(AnsiRightB(L"ﾃﾞｰﾀ", 2), L"ｰﾀ");
}

TEST(AnsiRightB, NegativeCountIsAnInvalidArgument) {
  const AppError error = Raised([] { AnsiRightB(L"C:\\", -1); });
  EXPECT_EQ(error.kind(), AppError::Kind::InvalidArgument);
  const std::wstring& message = error.message();
  EXPECT_NE(message.find(L"引数が不正です"), std::wstring::npos);
  EXPECT_NE(message.find(L"AnsiRightB"), std::wstring::npos);
}

TEST(AnsiMidB, SecondByteOfADrivePathIsTheColon) {
  EXPECT_EQ(AnsiMidB(L"C:\\DATA", 2, 1), L":");
  EXPECT_EQ(AnsiMidB(L"C:\\DATA", 4, 4), L"DATA");
  EXPECT_EQ(AnsiMidB(L"C:\\DATA", 1, 2), L"C:");
}

TEST(AnsiMidB, SecondByteOfAJapaneseCharacterIsNeverAColon) {
  EXPECT_EQ(AnsiMidB(L"表:\\DATA", 2, 1), L"\\");
  EXPECT_EQ(AnsiMidB(L"ソ:", 2, 1), L"\\");
  EXPECT_EQ(AnsiMidB(L"能", 2, 1), L"\\");
  // Bytes 2 and 3 of 表能 (95 5C 94 5C) are "\" and a lead byte: never ":".
  EXPECT_NE(AnsiMidB(L"表能", 2, 1), L":");
  EXPECT_EQ(AnsiMidB(L"表ソ能", 3, 2), L"ソ");
  EXPECT_EQ(AnsiMidB(L"ｱ:", 2, 1), L":");
}

TEST(AnsiMidB, CutsStopAtTheEnd) {
  EXPECT_EQ(AnsiMidB(L"1234.HED", 9, 1), L"");
  EXPECT_EQ(AnsiMidB(L"1234.HED", 100, 5), L"");
  EXPECT_EQ(AnsiMidB(L"1234.HED", 6, 100), L"HED");
  EXPECT_EQ(AnsiMidB(L"1234.HED", 1, 0), L"");
  EXPECT_EQ(AnsiMidB(L"", 1, 1), L"");
  EXPECT_EQ(AnsiMidB(L"表.HED", 1, 2147483647), L"表.HED");
}

TEST(AnsiMidB, StartBelowOneOrNegativeLengthIsAnInvalidArgument) {
  const AppError error = Raised([] { AnsiMidB(L"1234.HED", 0, 1); });
  EXPECT_EQ(error.kind(), AppError::Kind::InvalidArgument);
  EXPECT_NE(error.message().find(L"AnsiMidB"), std::wstring::npos);
  EXPECT_EQ(Raised([] { AnsiMidB(L"1234.HED", 1, -1); }).kind(), AppError::Kind::InvalidArgument);
  EXPECT_EQ(Raised([] { AnsiMidB(L"", -5, 0); }).kind(), AppError::Kind::InvalidArgument);
}

TEST(AnsiInStrB, AnswersTheBytePositionOfTheFirstMatch) {
  EXPECT_EQ(AnsiInStrB(L"1234.HED", L"."), 5);
  EXPECT_EQ(AnsiInStrB(L"A.B.HED", L"."), 2);
  // The dot is the third character but the fifth byte.
  EXPECT_EQ(AnsiInStrB(L"表能.HED", L"."), 5);
  EXPECT_EQ(AnsiInStrB(L"ﾃﾞｰﾀ.HED", L"."), 5);
  EXPECT_EQ(AnsiInStrB(L"C:\\DATA\\TEST", L"TEST"), 9);
}

TEST(AnsiInStrB, NoMatchGivesZero) {
  EXPECT_EQ(AnsiInStrB(L"", L"."), 0);
  EXPECT_EQ(AnsiInStrB(L"1234", L"."), 0);
  EXPECT_EQ(AnsiInStrB(L"1234.HED", L".hed"), 0);  // exact letter case
  EXPECT_EQ(AnsiInStrB(L"ＡＢＣ", L"ABC"), 0);      // no width folding
}

TEST(AnsiInStrB, MatchMayStartOnASecondByte) {
  EXPECT_EQ(AnsiInStrB(L"表", L"\\"), 2);
  EXPECT_EQ(AnsiInStrB(L"C表\\", L"\\"), 3);
}

TEST(AnsiInStrB, PositionBeyond32767IsAnOverflow) {
  std::wstring text(32766, L'x');
  EXPECT_EQ(AnsiInStrB(text + L".", L"."), 32767);
  EXPECT_EQ(AnsiInStrB(text + L"x", L"."), 0);
  const AppError error = Raised([&] { AnsiInStrB(text + L"x.", L"."); });
  EXPECT_EQ(error.kind(), AppError::Kind::Overflow);
  EXPECT_NE(error.message().find(L"オーバーフロー"), std::wstring::npos);
  // Byte positions, not characters: 16384 Japanese characters are 32768 bytes.
  EXPECT_EQ(Raised([] { AnsiInStrB(std::wstring(16384, L'表') + L".", L"."); }).kind(),
            AppError::Kind::Overflow);
}

TEST(AnsiInStrB, WithAnsiMidBCutsTheNameInFrontOfTheFirstDot) {
  for (const std::wstring name : {L"1001.HED", L"表ソ能01.HED", L"A.B.HED", L"ﾃﾞｰﾀ1.HED",
                                  L"能.表.GRA"}) {
    const std::int16_t dot = AnsiInStrB(name, L".");
    EXPECT_EQ(AnsiMidB(name, 1, dot - 1), name.substr(0, name.find(L'.'))) << dot;
  }
}
