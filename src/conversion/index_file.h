#pragma once
// The destination's index PCNT.TXT: value, test number; ascending by value.
#include <string>
#include <vector>

namespace conversion {

class IndexFile {
 public:
  // Reads destPrefix + "PCNT.TXT"; an absent or empty file is a new index.
  // Throws AppError, leaving the file as it is, when it cannot be read or
  // not faithfully: a byte-order mark, bytes that are no Shift-JIS, or a
  // line that is not one record of a value, a comma and a test number that
  // could be written back. Blank lines are no records.
  static IndexFile Load(const std::wstring& destPrefix);

  // Whether t can be entered without going beyond base::kIndexCapacity
  // records: t has a record already, or fewer records are there (never more).
  bool HasRoomFor(const std::wstring& t) const;

  // Enters test t: a new index takes the header's text as it stands; else
  // every record of t takes the value, or t is added after the others, and
  // the records are sorted by value, equal values keeping their order.
  // Throws AppError when t does not fit or the value is out of range.
  void Enter(const std::wstring& t, const std::wstring& headerValue);

  // Replaces the file in one step: it holds either its old content or all of the new.
  void Save() const;

 private:
  struct Record {
    float value;
    std::wstring name;
  };

  std::wstring path_;
  std::wstring folderPrefix_;
  bool isNew_ = true;
  std::vector<Record> records_;
  std::string content_;  // what Save writes, made by Enter
};

// The index step of a run for test t: enters it and saves the index.
void UpdateIndexFile(IndexFile& index, const std::wstring& t, const std::wstring& headerValue);

}  // namespace conversion
