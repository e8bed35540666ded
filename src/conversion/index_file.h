#pragma once
// The destination's index PCNT.TXT: value, test number; ascending by value.
#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped.h"
#include "conversion/file_io.h"

namespace conversion {

inline constexpr wchar_t kIndexName[] = L"PCNT.TXT";

// How index bytes (without a byte-order mark) read. Shift-JIS is often valid
// UTF-8 as well (凜－01 is EA A3 81 7C 30 31): they are UTF-8 only when they
// decode as strict UTF-8 and, of the names that the two readings spell apart,
// the UTF-8 reading names a test that held knows (its files are in the
// folder) and the Shift-JIS reading none; Either when neither reading does,
// which only the user can tell.
struct Reading {
  enum class As { ShiftJis, Utf8, Either };
  As as = As::ShiftJis;
  int line = 0;       // of the first character that is not ASCII
  std::wstring sjis;  // the first name that the two readings spell apart, in each
  std::wstring utf8;
};

class IndexFile {
 public:
  // Reads destPrefix + "PCNT.TXT" as an update would replace it; an absent or
  // empty file is a new index. nullopt, with the reason in use, when it
  // could not be replaced now (another program holds it, or it is read-only).
  // Throws AppError, leaving the file as it is, when it cannot be read or
  // not faithfully: a byte-order mark, UTF-8 (see ReadingOf), bytes that are
  // no Shift-JIS, or a line that is not two fields, a value and a test number
  // that could be written back. A value is its leading number, 0 when there
  // is none. Blank lines are no records; a Ctrl-Z at the end ends the file.
  static std::optional<IndexFile> Load(const std::wstring& destPrefix, FileUse& use);

  // Whether t can be entered without going beyond base::kIndexCapacity
  // records: t has a record already, or fewer records are there (never more).
  bool HasRoomFor(const std::wstring& t) const;

  // Enters test t: a new index takes the header's text as it stands, empty
  // included (formatted only when a comma, a quote or a line end would break
  // the record); else every record of t takes the value, or t is added after
  // the others, and the records are sorted by value, equal values keeping
  // their order.
  // Throws AppError when t does not fit or the value is out of range.
  void Enter(const std::wstring& t, const std::wstring& headerValue);

  // Bytes that read as UTF-8 as well as Shift-JIS, which the folder cannot
  // tell apart (see ReadingOf): read as Shift-JIS, unless the user says no.
  const std::optional<Reading>& Undecided() const { return undecided_; }

  // The file's bytes as read, and the new content that Enter made.
  const std::string& Read() const { return read_; }
  const std::string& NewContent() const { return content_; }

 private:
  struct Record {
    float value;
    std::wstring name;
    std::string bytes;  // the name's, as read
  };

  std::wstring path_;
  bool isNew_ = true;
  std::vector<Record> records_;
  std::optional<Reading> undecided_;
  std::string read_;
  std::string content_;
};

Reading ReadingOf(std::string_view bytes, const std::function<bool(const std::wstring& t)>& held);

// Whether a file name is the index's, or one the program makes beside it
// (the lock; 1.2.0's new content), in any case.
bool IsIndexOwnFile(const std::wstring& name);
// Where 1.2.0 wrote the index's new content before it replaced the index.
inline constexpr wchar_t kOldPendingIndex[] = L"PCNT.TXT.tmp";

// Another copy of the program, here or on another PC, is given this long to
// finish its update of an index before UpdateIndexFile gives up.
inline constexpr DWORD kLockPatienceMs = 5000;

// The lock of destPrefix's index: a hidden file beside it, held open and
// sharing nothing, which the system deletes when it closes, also when its
// holder is ended or its PC leaves the network; one that nobody holds is
// taken over. Invalid when another program held it all through patienceMs,
// or once stop is set. Throws AppError when the folder refuses it.
base::ScopedFile LockIndex(const std::wstring& destPrefix, DWORD patienceMs, const std::atomic<bool>* stop = nullptr);

}  // namespace conversion
