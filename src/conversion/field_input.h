#pragma once
// Text files read field by field, as sequential file input reads them. After
// leading blanks: a comma ends an empty field, a line end (CR LF, CR or LF)
// ends an empty field, a double quote starts a field that runs to the closing
// quote (whatever follows it up to the next comma or line end is dropped),
// and anything else runs to the next comma or line end, without its trailing
// blanks. The delimiter that ends a field is used up with it. So a blank line
// is one empty field, and a comma at the end of a line is followed by one.
#include <cstddef>
#include <string>
#include <string_view>

namespace conversion {

class FieldReader {
 public:
  enum class End { Comma, LineEnd, EndOfData };

  // bytes: Shift-JIS text. Its delimiters (comma, quote, blanks, CR, LF)
  // never occur as the second byte of a double-byte character, so fields
  // are cut without decoding.
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

  // Only the end of the bytes is the end: blank lines still hold fields.
  bool AtEnd() const { return pos_ >= bytes_.size(); }

  // The next field's bytes, without its quotes; empty past the end.
  std::string Read();

  // What ended the field last read.
  End LastEnd() const { return lastEnd_; }

 private:
  void TakeDelimiter();

  std::string_view bytes_;
  std::size_t pos_ = 0;
  End lastEnd_ = End::EndOfData;
};

}  // namespace conversion
