#include "textutil/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "support/test_support.h"

using base::AppError;
using testsupport::Raised;
using textutil::CountDelimiters;
using textutil::SplitFields;

namespace {

using Fields = std::vector<std::wstring>;

// A list like the conversion run's: elements 0 to 256, every one marked.
Fields Marked(std::size_t size = 257) {
  Fields fields(size);
  for (std::size_t i = 0; i < size; ++i) fields[i] = L"old" + std::to_wstring(i);
  return fields;
}

Fields Split(const std::wstring& text, const std::wstring& delimiters = L"\\") {
  Fields fields = Marked();
  SplitFields(text, delimiters, fields);
  return fields;
}

// The elements from 1 up to the first one still marked.
Fields Filled(const Fields& fields) {
  Fields filled;
  for (std::size_t i = 1; i < fields.size() && fields[i] != L"old" + std::to_wstring(i); ++i)
    filled.push_back(fields[i]);
  return filled;
}

}  // namespace

TEST(SplitFields, AcceptedPathSplitsIntoDriveFoldersAndAnEmptyLastField) {
  const Fields fields = Split(L"C:\\DATA\\TEST\\");
  EXPECT_EQ(Filled(fields), (Fields{L"C:", L"DATA", L"TEST", L""}));
  EXPECT_EQ(fields[0], L"old0");
  EXPECT_EQ(fields[5], L"old5");
  EXPECT_EQ(CountDelimiters(L"C:\\DATA\\TEST\\", L"\\"), 3);

  EXPECT_EQ(Filled(Split(L"C:\\")), (Fields{L"C:", L""}));
  EXPECT_EQ(CountDelimiters(L"C:\\", L"\\"), 1);
}

TEST(SplitFields, EmptyFieldsBetweenAndBeforeDelimiters) {
  EXPECT_EQ(Filled(Split(L"C:\\DATA\\\\TEST")), (Fields{L"C:", L"DATA", L"", L"TEST"}));
  EXPECT_EQ(Filled(Split(L"\\DATA")), (Fields{L"", L"DATA"}));
  EXPECT_EQ(Filled(Split(L"\\")), (Fields{L"", L""}));
}

TEST(SplitFields, TextWithoutDelimitersIsStoredWhole) {
  const Fields empty = Split(L"");
  EXPECT_EQ(empty[1], L"");
  EXPECT_EQ(empty[2], L"old2");
  EXPECT_EQ(CountDelimiters(L"", L"\\"), 0);

  const Fields whole = Split(L"DATA");
  EXPECT_EQ(whole[1], L"DATA");
  EXPECT_EQ(whole[2], L"old2");
  EXPECT_EQ(CountDelimiters(L"DATA", L"\\"), 0);

  // No delimiters at all: nothing to count, the text is one field.
  EXPECT_EQ(CountDelimiters(L"C:\\DATA", L""), 0);
  EXPECT_EQ(Filled(Split(L"C:\\DATA", L"")), (Fields{L"C:\\DATA"}));
}

TEST(SplitFields, EachDelimiterCharacterEndsAField) {
  EXPECT_EQ(Filled(Split(L"C:\\DATA\\X", L"\\:")), (Fields{L"C", L"", L"DATA", L"X"}));
  EXPECT_EQ(CountDelimiters(L"C:\\DATA\\X", L"\\:"), 3);
  EXPECT_EQ(CountDelimiters(L"C:\\DATA\\X", L":\\"), 3);
  // Exact comparison: a lower-case letter is not its capital.
  EXPECT_EQ(Filled(Split(L"aAbBa", L"a")), (Fields{L"", L"AbB", L""}));
  EXPECT_EQ(CountDelimiters(L"aAbBa", L"a"), 2);
}

TEST(SplitFields, JapaneseSecondByteIsNoSeparator) {
  // 表 95 5C, ソ 83 5C, 能 94 5C: only the real separators count.
  const std::wstring path = L"M:\\表\\ソ能\\試験表\\";
  EXPECT_EQ(CountDelimiters(path, L"\\"), 4);
  EXPECT_EQ(Filled(Split(path)), (Fields{L"M:", L"表", L"ソ能", L"試験表", L""}));
  EXPECT_EQ(CountDelimiters(L"表ソ能", L"\\"), 0);
  EXPECT_EQ(Filled(Split(L"表ソ能")), (Fields{L"表ソ能"}));
  // Half-width katakana are single bytes beside the separator.
  EXPECT_EQ(CountDelimiters(L"ﾃﾞｰﾀ\\ｿ\\", L"\\"), 2);
}

TEST(SplitFields, JapaneseDelimiterIsCountedAsAWholeCharacter) {
  EXPECT_EQ(CountDelimiters(L"A表B表", L"表"), 2);
  EXPECT_EQ(Filled(Split(L"A表B表", L"表")), (Fields{L"A", L"B", L""}));
  // The byte 5C of 表 is not counted as the character "\" nor the other way round.
  EXPECT_EQ(CountDelimiters(L"\\\\", L"表"), 0);
}

TEST(SplitFields, ElementsAfterTheLastFilledKeepTheirContents) {
  Fields fields = Marked();
  SplitFields(L"C:\\A\\B\\C\\D", L"\\", fields);
  SplitFields(L"C:\\E", L"\\", fields);
  EXPECT_EQ(fields[1], L"C:");
  EXPECT_EQ(fields[2], L"E");
  EXPECT_EQ(fields[3], L"B");
  EXPECT_EQ(fields[5], L"D");
  EXPECT_EQ(fields[6], L"old6");
  EXPECT_EQ(fields.size(), 257u);
}

TEST(SplitFields, MoreFieldsThanTheListHoldsIsOutOfRange) {
  // 255 separators fill elements 1 to 256 exactly.
  std::wstring path = L"C:";
  for (int i = 0; i < 255; ++i) path += L"\\F";
  Fields fields = Marked();
  SplitFields(path, L"\\", fields);
  EXPECT_EQ(fields[256], L"F");
  EXPECT_EQ(CountDelimiters(path, L"\\"), 255);

  path += L"\\";
  Fields untouched = Marked();
  EXPECT_EQ(Raised([&] { SplitFields(path, L"\\", untouched); }).kind(), AppError::Kind::OutOfRange);
  EXPECT_EQ(untouched, Marked());
  EXPECT_EQ(untouched.size(), 257u);

  Fields small = Marked(3);
  EXPECT_EQ(Raised([&] { SplitFields(L"a\\b\\c", L"\\", small); }).kind(),
            AppError::Kind::OutOfRange);
  EXPECT_EQ(small, Marked(3));
  Fields none;
  EXPECT_EQ(Raised([&] { SplitFields(L"", L"\\", none); }).kind(), AppError::Kind::OutOfRange);
  EXPECT_TRUE(none.empty());
}

TEST(SplitFields, CountersBeyond32767AreAnOverflow) {
  Fields fields = Marked(40000);
  EXPECT_EQ(Raised([&] { SplitFields(std::wstring(32768, L'x'), L"\\", fields); }).kind(),
            AppError::Kind::Overflow);
  EXPECT_EQ(fields[1], L"old1");
  SplitFields(std::wstring(32767, L'x'), L"\\", fields);
  EXPECT_EQ(fields[1].size(), 32767u);

  EXPECT_EQ(CountDelimiters(std::wstring(32767, L'\\'), L"\\"), 32767);
  EXPECT_EQ(Raised([] { CountDelimiters(std::wstring(32768, L'\\'), L"\\"); }).kind(),
            AppError::Kind::Overflow);
  // The sum over several delimiters counts, not each count alone.
  EXPECT_EQ(Raised([] {
              CountDelimiters(std::wstring(20000, L'\\') + std::wstring(20000, L':'), L"\\:");
            }).kind(),
            AppError::Kind::Overflow);
}
