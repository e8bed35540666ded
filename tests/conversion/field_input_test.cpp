#include "conversion/field_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using conversion::FieldReader;

namespace {

std::vector<std::wstring> AllFields(const std::string& bytes) {
  FieldReader reader(bytes);
  std::vector<std::wstring> fields;
  while (!reader.AtEnd()) fields.push_back(reader.Read());
  return fields;
}

}  // namespace

TEST(FieldReader, EndsFieldsAtCommasAndLineEnds) {
  EXPECT_EQ(AllFields("a,b\r\nc,d\r\n"), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(AllFields("a\nb\rc"), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_EQ(AllFields("1,2,3,4,5"), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"5"}));
}

TEST(FieldReader, SkipsLeadingBlanksAndEmptyLines) {
  EXPECT_EQ(AllFields("  a ,\t b\r\n\r\n   \r\n  c  "),
            (std::vector<std::wstring>{L"a", L"b", L"c"}));
  // A comma at the end of a line does not make an extra field of the line end.
  EXPECT_EQ(AllFields("a,\r\nb"), (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(FieldReader, KeepsEmptyFieldsBetweenCommas) {
  EXPECT_EQ(AllFields("a,,b"), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(AllFields(",x"), (std::vector<std::wstring>{L"", L"x"}));
}

TEST(FieldReader, TakesQuotedFieldsWithoutTheirQuotes) {
  EXPECT_EQ(AllFields("\"x, y\",z\r\n\" lead\""),
            (std::vector<std::wstring>{L"x, y", L"z", L" lead"}));
  // Text between the closing quote and the delimiter is dropped.
  EXPECT_EQ(AllFields("\"ab\"cd,e"), (std::vector<std::wstring>{L"ab", L"e"}));
  // An unclosed quote runs to the end of the file.
  EXPECT_EQ(AllFields("\"ab,c"), (std::vector<std::wstring>{L"ab,c"}));
}

TEST(FieldReader, DecodesShiftJisFields) {
  // 表 ソ 能 each end in the byte of "\"; none of them ends a field.
  EXPECT_EQ(AllFields("\x95\x5C\x83\x5C,\x94\x5C\r\n"),
            (std::vector<std::wstring>{L"表ソ", L"能"}));
}

TEST(FieldReader, GivesEmptyTextPastTheEnd) {
  FieldReader reader("only");
  EXPECT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.Read(), L"only");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.Read(), L"");
  FieldReader empty("");
  EXPECT_TRUE(empty.AtEnd());
  FieldReader blank(" \r\n\r\n ");
  EXPECT_TRUE(blank.AtEnd());
}
