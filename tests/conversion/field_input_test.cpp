#include "conversion/field_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using conversion::FieldReader;

namespace {

using Fields = std::vector<std::string>;

Fields AllFields(const std::string& bytes) {
  FieldReader reader(bytes);
  Fields fields;
  while (!reader.AtEnd()) fields.push_back(reader.Read());
  return fields;
}

std::string Fifth(const std::string& bytes) {
  const Fields fields = AllFields(bytes);
  return fields.size() >= 5 ? fields[4] : "<none>";
}

}  // namespace

TEST(FieldReader, EndsFieldsAtCommasAndLineEnds) {
  EXPECT_EQ(AllFields("a,b\r\nc,d\r\n"), (Fields{"a", "b", "c", "d"}));
  EXPECT_EQ(AllFields("a\nb\rc"), (Fields{"a", "b", "c"}));
  EXPECT_EQ(AllFields("1,2,3,4,5"), (Fields{"1", "2", "3", "4", "5"}));
}

TEST(FieldReader, BlankLinesAndLineEndsAfterACommaAreEmptyFields) {
  EXPECT_EQ(Fifth("A,B,C\r\n\r\nD,E"), "D");
  EXPECT_EQ(Fifth("A,B,\r\nC,D,E"), "D");
  EXPECT_EQ(Fifth("A\r\n\r\n\r\n\r\n9"), "9");
  EXPECT_EQ(Fifth("A\n\r\n\r\r\n9"), "9");  // LF, CR LF, CR, then CR LF: four line ends
  // Only the end of the bytes ends the file: a blank line's field is the fifth.
  EXPECT_EQ(AllFields("1,2,3,4\r\n\r\n"), (Fields{"1", "2", "3", "4", ""}));
  EXPECT_EQ(Fifth("1,2,3,4\r\n"), "<none>");
  EXPECT_EQ(AllFields("  a ,\t b\r\n   \r\n  c  "), (Fields{"a", "b", "", "c"}));
}

TEST(FieldReader, KeepsEmptyFieldsBetweenCommas) {
  EXPECT_EQ(AllFields("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(AllFields(",x"), (Fields{"", "x"}));
}

TEST(FieldReader, TakesQuotedFieldsWithoutTheirQuotes) {
  EXPECT_EQ(Fifth("1,2,3,4,\"5,5\""), "5,5");
  EXPECT_EQ(AllFields("\"x, y\",z\r\n\" lead\""), (Fields{"x, y", "z", " lead"}));
  // Text between the closing quote and the delimiter is dropped.
  EXPECT_EQ(AllFields("\"ab\"cd,e"), (Fields{"ab", "e"}));
  // An unclosed quote runs to the end of the file.
  EXPECT_EQ(AllFields("\"ab,c"), (Fields{"ab,c"}));
}

TEST(FieldReader, CutsShiftJisWithoutDecoding) {
  // 表 ソ 能 each end in the byte of "\"; none of them ends a field.
  EXPECT_EQ(AllFields("\x95\x5C\x83\x5C,\x94\x5C\r\n"), (Fields{"\x95\x5C\x83\x5C", "\x94\x5C"}));
}

TEST(FieldReader, SaysWhatEndedEachField) {
  FieldReader reader("a,b\r\nc");
  EXPECT_EQ(reader.Read(), "a");
  EXPECT_EQ(reader.LastEnd(), FieldReader::End::Comma);
  EXPECT_EQ(reader.Read(), "b");
  EXPECT_EQ(reader.LastEnd(), FieldReader::End::LineEnd);
  EXPECT_EQ(reader.Read(), "c");
  EXPECT_EQ(reader.LastEnd(), FieldReader::End::EndOfData);
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.Read(), "");
  EXPECT_TRUE(FieldReader("").AtEnd());
}
