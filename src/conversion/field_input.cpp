#include "conversion/field_input.h"

#include <algorithm>

namespace conversion {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void FieldReader::TakeDelimiter() {
  if (pos_ >= bytes_.size()) {
    lastEnd_ = End::EndOfData;
  } else if (bytes_[pos_] == ',') {
    ++pos_;
    lastEnd_ = End::Comma;
  } else {
    if (bytes_[pos_] == '\r') ++pos_;
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
    lastEnd_ = End::LineEnd;
  }
}

std::string FieldReader::Read() {
  while (pos_ < bytes_.size() && IsBlank(bytes_[pos_])) ++pos_;
  const auto atDelimiter = [this] {
    return pos_ >= bytes_.size() || bytes_[pos_] == ',' || IsLineEnd(bytes_[pos_]);
  };

  std::string field;
  if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    const std::size_t close = std::min(bytes_.find('"', start), bytes_.size());
    field = bytes_.substr(start, close - start);
    pos_ = close < bytes_.size() ? close + 1 : close;
    while (!atDelimiter()) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (!atDelimiter()) ++pos_;
    std::size_t end = pos_;
    while (end > start && IsBlank(bytes_[end - 1])) --end;
    field = bytes_.substr(start, end - start);
  }
  TakeDelimiter();
  return field;
}

}  // namespace conversion
