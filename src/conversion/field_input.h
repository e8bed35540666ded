#pragma once
// Text files read field by field, as sequential file input reads them: a field
// ends at a comma or at a line end, leading blanks and empty lines are skipped,
// and a field in double quotes is taken without its quotes.
#include <cstddef>
#include <string>

namespace conversion {

class FieldReader {
 public:
  // bytes: the whole file in Shift-JIS. Its delimiters (comma, quote, space,
  // CR, LF) never occur as the second byte of a double-byte character, so the
  // bytes can be cut without decoding them first.
  explicit FieldReader(std::string bytes) : bytes_(std::move(bytes)) {}

  // True when nothing but blanks and line ends is left.
  bool AtEnd();

  // The next field; the empty text once the end is reached.
  std::wstring Read();

 private:
  void SkipBlanksAndLineEnds();
  void SkipLineEnd();

  std::string bytes_;
  std::size_t pos_ = 0;
};

}  // namespace conversion
