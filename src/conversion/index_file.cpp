#include "conversion/index_file.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/file_calls.h"
#include "base/limits.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/strconv.h"
#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/number_text.h"
#include "extlib/extlib.h"
#include "fileutil/testnumbers.h"

namespace conversion {
namespace {

using base::AppError;
using base::text::IndexFault;

constexpr wchar_t kLockSuffix[] = L".lock";
constexpr DWORD kLockPollMs = 50;

// A value that does not fit a single names the file or header it came from.
float ValueOf(const std::wstring& text, const std::wstring& where) {
  try {
    return SingleOf(text);
  } catch (const AppError& error) {
    throw AppError(error.kind(), where + L"\n\n" + error.message());
  }
}

bool StartsWithByteOrderMark(std::string_view bytes) {
  return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
         bytes.starts_with("\xFE\xFF");
}

// The old end-of-file mark Ctrl-Z, with nothing but line ends after it, ends the file.
std::string_view WithoutEndMark(std::string_view bytes) {
  const std::size_t mark = bytes.find('\x1A');
  if (mark == std::string_view::npos || bytes.find_first_not_of("\x1A\r\n \t", mark) != std::string_view::npos)
    return bytes;
  return bytes.substr(0, mark);
}

// Calls each(line, number) for every line of bytes, numbered from 1; a line
// ends at CR LF, CR or LF.
template <class Each>
void ForEachLine(std::string_view bytes, Each each) {
  std::size_t start = 0;
  for (int number = 1; start < bytes.size(); ++number) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    each(bytes.substr(start, end - start), number);
    start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// A record's line: the value's text, and the test number's bytes.
std::string Line(const std::wstring& value, const std::string& name) { return base::ToSjis(value) + "," + name + "\r\n"; }

// A line as the reader takes it: the value's text and the test number's
// bytes; nullopt, with the fault, for a line that is no record that could
// be written back.
struct Fields {
  std::wstring value;
  std::string name;
};
std::optional<Fields> ReadRecord(std::string_view line, IndexFault& fault) {
  fault = IndexFault::NotShiftJis;
  if (!base::TryFromSjis(line)) return std::nullopt;
  fault = IndexFault::NotARecord;
  FieldReader reader(line);
  Fields fields{base::FromSjis(reader.Read()), {}};
  // The value is read as sequential input reads a number: its leading
  // number, 0 when there is none (a heading line, an empty field). A
  // control character is no text of a value: a Ctrl-Z with records after
  // it would end the file for other tools, and those records be lost.
  const bool control = std::any_of(fields.value.begin(), fields.value.end(), [](wchar_t c) { return c < L' ' && c != L'\t'; });
  if (reader.LastEnd() != FieldReader::End::Comma || control) return std::nullopt;
  fields.name = reader.Read();
  if (reader.LastEnd() != FieldReader::End::EndOfData || !fileutil::IsIndexableTestNumber(base::FromSjis(fields.name)))
    return std::nullopt;
  return fields;
}

// Whether a line reads back as exactly the record it was written for.
bool ReadsBack(const std::string& line, const std::wstring& value, const std::string& name) {
  IndexFault fault;
  const std::optional<Fields> fields = ReadRecord(std::string_view(line).substr(0, line.size() - 2), fault);
  return fields && fields->value == value && fields->name == name;
}

// The records exchange places through the utility library, which takes texts
// in their Shift-JIS form only: the names' bytes as read, which code page 932
// would not always give back the same (the NEC and IBM forms of one character).
template <class Record>
void Exchange(std::vector<Record>& records, std::size_t a, std::size_t b) {
  extlib::Swap(records[a].value, records[b].value, extlib::kSwapSingle);
  extlib::Swap(records[a].bytes, records[b].bytes, extlib::kSwapText);
  records[a].name = base::FromSjis(records[a].bytes);
  records[b].name = base::FromSjis(records[b].bytes);
}

// A bubble sort by hand, not std::stable_sort: the records change places only
// through the utility library's Swap, one call for each exchange. Only a
// strictly greater value moves, so records of equal value keep their order.
template <class Record>
void SortByValue(std::vector<Record>& records) {
  for (std::size_t i = records.size(); i >= 2; --i)
    for (std::size_t j = 1; j < i; ++j)
      if (records[j - 1].value > records[j].value) Exchange(records, j - 1, j);
}

}  // namespace

std::optional<IndexFile> IndexFile::Load(const std::wstring& destPrefix, FileUse& use) {
  IndexFile index;
  index.path_ = destPrefix + kIndexName;
  index.read_ = ReadToReplace(index.path_, base::text::kCannotReadIndex, use);
  if (use != FileUse::Free) return std::nullopt;
  const std::string_view bytes = WithoutEndMark(index.read_);
  index.isNew_ = bytes.empty();
  if (index.isNew_) return index;

  const auto refuse = [&](int line, IndexFault fault) {
    return AppError(base::text::IndexUnreadable(index.path_, line, fault));
  };
  if (StartsWithByteOrderMark(bytes)) throw refuse(1, IndexFault::ByteOrderMark);
  // Listed only for a file that could be UTF-8, which is rare.
  std::optional<std::vector<std::wstring>> tests;
  const auto held = [&](const std::wstring& t) {
    if (!tests) tests = fileutil::TestsInFolder(destPrefix);
    return fileutil::HoldsTest(*tests, t);
  };
  const Reading reading = ReadingOf(bytes, held);
  if (reading.as == Reading::As::Utf8) throw refuse(reading.line, IndexFault::Utf8);
  if (reading.as == Reading::As::Either) index.undecided_ = reading;

  const std::wstring where = std::wstring(base::text::kCannotReadIndex) + L"\n" + index.path_;
  ForEachLine(bytes, [&](std::string_view line, int number) {
    if (IsBlankLine(line)) return;
    IndexFault fault;
    std::optional<Fields> fields = ReadRecord(line, fault);
    if (!fields) throw refuse(number, fault);
    index.records_.push_back({ValueOf(fields->value, where), base::FromSjis(fields->name), std::move(fields->name)});
  });
  return index;
}

bool IndexFile::HasRoomFor(const std::wstring& t) const {
  const std::size_t capacity = static_cast<std::size_t>(base::kIndexCapacity);
  if (records_.size() > capacity) return false;
  if (records_.size() < capacity) return true;
  for (const Record& record : records_)
    if (record.name == t) return true;
  return false;
}

void IndexFile::Enter(const std::wstring& t, const std::wstring& headerValue) {
  // Also for a new index: a value out of range would make one that cannot be read again.
  const float value = ValueOf(headerValue, base::text::kTestNumberBefore + t + base::text::kHeaderValueOf);
  // A new index takes the header's text as it stands, empty or no number
  // included; a text that would not read back as it stands (a comma, a
  // quote, a line end, a control character) is written formatted.
  const std::string name = base::ToSjis(t);
  if (isNew_) {
    content_ = Line(headerValue, name);
    if (ReadsBack(content_, headerValue, name)) return;
    content_ = Line(FormatValue(value), name);
    if (!ReadsBack(content_, FormatValue(value), name)) throw base::ProgramFault(AppError::Kind::InvalidArgument, t);
    return;
  }
  if (!HasRoomFor(t)) throw AppError(base::text::IndexFull(t) + L"\n" + path_);
  std::vector<Record> records = records_;
  bool found = false;
  for (Record& record : records) {
    if (record.name == t) {
      record.value = value;
      found = true;
    }
  }
  if (!found) records.push_back({value, t, name});
  SortByValue(records);
  content_.clear();
  // A record keeps the bytes of its test number as they were read.
  for (const Record& record : records) content_ += Line(FormatValue(record.value), record.bytes);
  // Every name listed can be entered: one that cannot is the program's fault.
  if (!ReadsBack(Line(FormatValue(value), name), FormatValue(value), name))
    throw base::ProgramFault(AppError::Kind::InvalidArgument, t);
}

Reading ReadingOf(std::string_view bytes, const std::function<bool(const std::wstring& t)>& held) {
  Reading reading;
  if (!base::TryFromUtf8(bytes)) return reading;
  bool sjisNamed = false;
  bool utf8Named = false;
  bool apart = false;
  ForEachLine(bytes, [&](std::string_view line, int number) {
    if (reading.line == 0 && std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      reading.line = number;
    FieldReader reader(line);
    reader.Read();
    const std::string name = reader.Read();
    // Only a name that the two readings spell differently tells them apart.
    const std::optional<std::wstring> sjis = base::TryFromSjis(name);
    const std::wstring utf8 = base::TryFromUtf8(name).value_or(L"");
    if (sjis && *sjis == utf8) return;
    if (!apart) {
      reading.sjis = sjis.value_or(L"");
      reading.utf8 = utf8;
      apart = true;
    }
    sjisNamed = sjisNamed || (sjis && held(*sjis));
    utf8Named = utf8Named || held(utf8);
  });
  if (reading.line != 0 && apart && !sjisNamed) reading.as = utf8Named ? Reading::As::Utf8 : Reading::As::Either;
  return reading;
}

bool IsIndexOwnFile(const std::wstring& name) {
  for (const std::wstring& own : {std::wstring(kIndexName), kIndexName + std::wstring(kLockSuffix),
                                 std::wstring(kOldPendingIndex)})
    if (base::SameFileName(name, own)) return true;
  return false;
}

base::ScopedFile LockIndex(const std::wstring& destPrefix, DWORD patienceMs, const std::atomic<bool>* stop) {
  const std::wstring path = destPrefix + kIndexName;
  const std::wstring lockPath = path + kLockSuffix;
  const ULONGLONG until = GetTickCount64() + patienceMs;
  for (;;) {
    // OPEN_ALWAYS: a lock file that nobody holds (left by a power cut, or
    // copied by a backup tool) is no lock; only a holder's handle refuses us.
    base::ScopedFile lock(base::Files().Create(lockPath.c_str(), GENERIC_WRITE, 0, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE));
    if (lock.valid()) return lock;
    const DWORD error = GetLastError();
    // A lock file that is being deleted answers "access denied" for a moment;
    // without one there, the folder itself refuses us.
    const bool held = error == ERROR_SHARING_VIOLATION ||
                      (error == ERROR_ACCESS_DENIED && (base::Files().Attributes(lockPath.c_str()) != INVALID_FILE_ATTRIBUTES ||
                                                        GetLastError() != ERROR_FILE_NOT_FOUND));
    if (!held) throw base::SystemError(base::text::kCannotWriteIndex, path, error);
    if (GetTickCount64() >= until || (stop != nullptr && *stop)) return lock;
    Sleep(kLockPollMs);
  }
}

}  // namespace conversion
