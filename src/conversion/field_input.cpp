#include "conversion/field_input.h"

#include "base/strconv.h"

namespace conversion {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void FieldReader::SkipBlanksAndLineEnds() {
  while (pos_ < bytes_.size() && (IsBlank(bytes_[pos_]) || IsLineEnd(bytes_[pos_]))) ++pos_;
}

void FieldReader::SkipLineEnd() {
  if (pos_ < bytes_.size() && bytes_[pos_] == '\r') ++pos_;
  if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
}

bool FieldReader::AtEnd() {
  SkipBlanksAndLineEnds();
  return pos_ >= bytes_.size();
}

std::wstring FieldReader::Read() {
  SkipBlanksAndLineEnds();
  if (pos_ >= bytes_.size()) return {};

  std::string field;
  if (bytes_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    std::size_t close = bytes_.find('"', start);
    if (close == std::string::npos) close = bytes_.size();
    field = bytes_.substr(start, close - start);
    pos_ = close < bytes_.size() ? close + 1 : close;
    // Whatever stands between the closing quote and the delimiter is dropped.
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
    std::size_t end = pos_;
    while (end > start && IsBlank(bytes_[end - 1])) --end;
    field = bytes_.substr(start, end - start);
  }

  if (pos_ < bytes_.size() && bytes_[pos_] == ',') {
    ++pos_;
  } else {
    SkipLineEnd();
  }
  return base::FromSjisPiece(field);
}

}  // namespace conversion
