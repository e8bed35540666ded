#pragma once
// A test's commit, whole or not at all also across a power cut: its intent
// (SQLite's rollback journal) is written and made durable before the first
// rename and removed after the last step; what a cut leaves is finished or
// undone from the folder and the intent alone, live or by the next run.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped.h"
#include "conversion/file_io.h"

namespace conversion {

// What tells one content of the index from another.
struct Digest {
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // FNV-1a
  friend bool operator==(const Digest&, const Digest&) = default;
};
Digest DigestOf(std::string_view bytes);

// One file of a commit: its staged copy goes in under name; the file there
// before, if any, is moved aside first and removed once the index is in place.
struct Move {
  std::wstring name;    // file names, all in the destination folder
  std::wstring staged;
  FileStamp fresh;      // the staged copy's
  std::wstring aside;   // "" when no file was there
  FileStamp previous;   // the file that was there
};

struct Intent {
  std::wstring file;   // the intent's own name
  std::wstring index;  // the new index, staged
  Digest freshIndex;
  Digest previousIndex;  // an absent index counts as an empty one
  std::vector<Move> moves;

  std::string Bytes() const;
  // nullopt for bytes that are no whole intent: a cut while it was written.
  static std::optional<Intent> Parse(std::string_view bytes);
};

// Puts a planned commit in place under the index's lock: the intent made
// durable, the files there moved aside, the staged copies renamed in, the
// index last, what was moved aside removed, the intent removed. Before the
// index is in place a failure puts everything back, removes the staged
// copies and throws AppError with the reason; a put back that fails too is
// told, naming both files, and leaves the intent for the next run.
void Commit(const std::wstring& destPrefix, const Intent& intent, const base::ScopedFile& lock);

// How a dead run's commit is mended: finished, undone, or neither, when the
// folder no longer matches either state (files changed by hand since);
// then paths names the files that do not match.
enum class Mend { Forward, Back, Neither };
Mend Decide(const std::wstring& destPrefix, const Intent& intent, std::vector<std::wstring>& paths);
// Carries out Forward or Back; throws AppError where a file refuses.
void Finish(const std::wstring& destPrefix, const Intent& intent, Mend direction);

}  // namespace conversion
