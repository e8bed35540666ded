#include "conversion/journal.h"

#include <windows.h>

#include <charconv>

#include "base/error.h"
#include "base/file_calls.h"
#include "base/messages.h"
#include "base/strconv.h"
#include "conversion/index_file.h"

// The order of a commit, each step durable before the next:
//  1. The staged copies and the new index are written and flushed (Staging).
//  2. The intent is written and flushed: a torn one (its end line does not
//     match) tells that no rename began, and its run's files are only copies.
//  3. Each file there is moved aside, and the folder flushed, so that no
//     name is given twice on a disk without a journal; each staged copy
//     renamed in.
//  4. The new index replaces PCNT.TXT: the commit point. The folder is
//     flushed, so that nothing it replaced goes before it is in place.
//  5. What was moved aside is removed, the intent last (one that outlives
//     them names files that are gone, and is removed by the next run).
// On NTFS every rename is journaled, and a later one never survives a cut
// that an earlier one does not. On FAT32 and exFAT nothing is journaled and
// a replacing rename (the index's) is a delete and a rename: a cut between
// them leaves no PCNT.TXT and the new one pending, which goes forward.
// Before step 4 any mix of renames is undone, after it finished; which one is
// decided by the index alone, every file by its size and write time.

namespace conversion {
namespace {

using base::AppError;

constexpr std::string_view kFirstLine = "lugeon intent 1\n";

std::string Utf8(const std::wstring& text) { return base::TryToUtf8(text).value_or(std::string()); }

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

bool Number(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool Name(std::string_view text, std::wstring& name) {
  const std::optional<std::wstring> decoded = base::TryFromUtf8(text);
  if (!decoded) return false;
  name = *decoded;
  return true;
}

// The content of a file, nullopt when it is not there. Throws AppError when
// it cannot be read.
std::optional<Digest> DigestOfFile(const std::wstring& path) {
  if (!PathExists(path)) return std::nullopt;
  return DigestOf(ReadWholeFile(path, base::text::kCannotReadIndex, path));
}

// The same, nullopt also when it cannot be read.
std::optional<Digest> DigestIfReadable(const std::wstring& path) noexcept {
  try {
    return DigestOfFile(path);
  } catch (...) {
    return std::nullopt;
  }
}

// Where a move's two files are now.
struct Found {
  bool freshStaged = false;      // the staged copy, not yet renamed in
  bool freshInPlace = false;     // renamed in
  bool previousAside = false;    // the file that was there, moved aside
  bool previousInPlace = false;  // not yet moved aside
  bool targetTaken = false;      // something has the name
};

Found Look(const std::wstring& prefix, const Move& move) {
  Found found;
  const std::optional<FileStamp> target = StampOf(prefix + move.name);
  found.targetTaken = PathExists(prefix + move.name);
  found.freshStaged = StampOf(prefix + move.staged) == move.fresh;
  found.previousAside = !move.aside.empty() && StampOf(prefix + move.aside) == move.previous;
  found.freshInPlace = !found.freshStaged && target == move.fresh;
  found.previousInPlace = !move.aside.empty() && !found.previousAside && !found.freshInPlace && target == move.previous;
  return found;
}

bool CanGoForward(const Found& f) {
  if (f.freshInPlace) return true;
  return f.freshStaged && (!f.targetTaken || f.previousInPlace);
}

bool CanGoBack(const Found& f, const Move& move) {
  if (f.targetTaken && !f.freshInPlace && !f.previousInPlace) return false;  // something else has the name
  if (move.aside.empty()) return true;
  return f.previousInPlace || f.previousAside;
}

// A rename of the way back; one that fails is told with both files.
void RenameBack(const std::wstring& prefix, const std::wstring& from, const std::wstring& to) {
  try {
    RenameFile(prefix + from, prefix + to, false, base::text::kCannotPutBack, prefix + to);
  } catch (const AppError& error) {
    const std::wstring& failure = error.message();  // "<head>\n<path>\n\n<reason>"
    throw AppError(AppError::Kind::System,
                   base::text::CannotPutBack(prefix + from, prefix + to, failure.substr(failure.rfind(L"\n\n") + 2)));
  }
}

void GoForward(const std::wstring& prefix, const Intent& intent) {
  std::vector<Found> found;
  for (const Move& move : intent.moves) found.push_back(Look(prefix, move));
  for (std::size_t i = 0; i < intent.moves.size(); ++i) {
    const Move& move = intent.moves[i];
    if (found[i].freshStaged && found[i].previousInPlace)
      RenameFile(prefix + move.name, prefix + move.aside, false, base::text::kCannotReplace, prefix + move.name);
  }
  FlushFolder(prefix);
  for (std::size_t i = 0; i < intent.moves.size(); ++i) {
    const Move& move = intent.moves[i];
    if (found[i].freshStaged)
      RenameFile(prefix + move.staged, prefix + move.name, false, base::text::kCannotReplace, prefix + move.name);
  }
}

// The index is in place: what it replaced goes, then the intent.
void Settle(const std::wstring& prefix, const Intent& intent) {
  FlushFolder(prefix);
  bool settled = true;
  for (const Move& move : intent.moves)
    if (!move.aside.empty() && StampOf(prefix + move.aside) == move.previous) settled &= RemoveFile(prefix + move.aside);
  // One that stays (a scanner holds it) is the next run's to remove.
  if (settled) RemoveFile(prefix + intent.file);
}

void GoBack(const std::wstring& prefix, const Intent& intent) {
  for (auto move = intent.moves.rbegin(); move != intent.moves.rend(); ++move) {
    const Found found = Look(prefix, *move);
    if (!CanGoBack(found, *move)) continue;
    if (found.freshInPlace) RenameBack(prefix, move->name, move->staged);
    if (found.previousAside) RenameBack(prefix, move->aside, move->name);
  }
  FlushFolder(prefix);
  RemoveFile(prefix + intent.file);
  // Only copies are left, of the source's files and of the index.
  for (const Move& move : intent.moves)
    if (StampOf(prefix + move.staged) == move.fresh) RemoveFile(prefix + move.staged);
  if (DigestIfReadable(prefix + intent.index) == intent.freshIndex) RemoveFile(prefix + intent.index);
}

}  // namespace

Digest DigestOf(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char byte : bytes) hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
  return {bytes.size(), hash};
}

std::string Intent::Bytes() const {
  std::string bytes(kFirstLine);
  bytes += "index\t" + Utf8(index) + "\t" + std::to_string(freshIndex.size) + "\t" + std::to_string(freshIndex.hash) +
           "\t" + std::to_string(previousIndex.size) + "\t" + std::to_string(previousIndex.hash) + "\n";
  for (const Move& move : moves)
    bytes += "move\t" + Utf8(move.name) + "\t" + Utf8(move.staged) + "\t" + std::to_string(move.fresh.size) + "\t" +
             std::to_string(move.fresh.written) + "\t" + Utf8(move.aside) + "\t" + std::to_string(move.previous.size) +
             "\t" + std::to_string(move.previous.written) + "\n";
  const Digest digest = DigestOf(bytes);
  return bytes + "end\t" + std::to_string(digest.size) + "\t" + std::to_string(digest.hash) + "\n";
}

std::optional<Intent> Intent::Parse(std::string_view bytes) {
  if (!bytes.starts_with(kFirstLine) || !bytes.ends_with("\n")) return std::nullopt;
  const std::size_t endLine = bytes.rfind("end\t", bytes.size() - 1);
  if (endLine == std::string_view::npos || (endLine > 0 && bytes[endLine - 1] != '\n')) return std::nullopt;
  const std::vector<std::string_view> end = Fields(bytes.substr(endLine, bytes.size() - 1 - endLine));
  Digest told;
  if (end.size() != 3 || !Number(end[1], told.size) || !Number(end[2], told.hash) ||
      told != DigestOf(bytes.substr(0, endLine)))
    return std::nullopt;
  Intent intent;
  bool haveIndex = false;
  for (std::size_t start = kFirstLine.size(); start < endLine;) {
    const std::size_t lineEnd = bytes.find('\n', start);
    const std::vector<std::string_view> f = Fields(bytes.substr(start, lineEnd - start));
    start = lineEnd + 1;
    if (f[0] == "index" && f.size() == 6 && Name(f[1], intent.index) && Number(f[2], intent.freshIndex.size) &&
        Number(f[3], intent.freshIndex.hash) && Number(f[4], intent.previousIndex.size) &&
        Number(f[5], intent.previousIndex.hash)) {
      haveIndex = true;
      continue;
    }
    Move move;
    if (f[0] != "move" || f.size() != 8 || !Name(f[1], move.name) || !Name(f[2], move.staged) ||
        !Number(f[3], move.fresh.size) || !Number(f[4], move.fresh.written) || !Name(f[5], move.aside) ||
        !Number(f[6], move.previous.size) || !Number(f[7], move.previous.written))
      return std::nullopt;
    intent.moves.push_back(std::move(move));
  }
  if (!haveIndex) return std::nullopt;
  return intent;
}

void Commit(const std::wstring& prefix, const Intent& intent, const base::ScopedFile& lock) {
  const std::wstring index = prefix + kIndexName;
  try {
    // A server that dropped the lock (the network was gone a while) may
    // have let another PC take it: nothing is renamed then.
    if (!base::Files().StillOpen(lock.get())) throw AppError(base::text::IndexLockLost(index));
    WriteDurably(prefix + intent.file, intent.Bytes(), base::text::kCannotWriteIndex);
    bool setAside = false;
    for (const Move& move : intent.moves) {
      if (move.aside.empty()) continue;
      RenameFile(prefix + move.name, prefix + move.aside, false, base::text::kCannotReplace, prefix + move.name);
      setAside = true;
    }
    if (setAside) FlushFolder(prefix);
    for (const Move& move : intent.moves)
      RenameFile(prefix + move.staged, prefix + move.name, false, base::text::kCannotReplace, prefix + move.name);
    if (!base::Files().StillOpen(lock.get())) throw AppError(base::text::IndexLockLost(index));
    RenameFile(prefix + intent.index, index, true, base::text::kCannotWriteIndex, index);
  } catch (...) {
    GoBack(prefix, intent);  // a failure of its own replaces the first
    throw;
  }
  Settle(prefix, intent);
}

Mend Decide(const std::wstring& prefix, const Intent& intent, std::vector<std::wstring>& paths) {
  const std::wstring index = prefix + kIndexName;
  const std::optional<Digest> inPlace = DigestOfFile(index);
  const std::optional<Digest> pending = DigestOfFile(prefix + intent.index);
  Mend direction = Mend::Neither;
  if (inPlace == intent.freshIndex || (!inPlace && pending == intent.freshIndex))
    direction = Mend::Forward;
  else if (pending == intent.freshIndex || inPlace.value_or(DigestOf("")) == intent.previousIndex)
    direction = Mend::Back;
  else
    paths = pending ? std::vector<std::wstring>{index, prefix + intent.index} : std::vector<std::wstring>{index};
  for (const Move& move : intent.moves) {
    if (direction == Mend::Forward ? CanGoForward(Look(prefix, move)) : CanGoBack(Look(prefix, move), move)) continue;
    const std::size_t before = paths.size();
    for (const std::wstring& name : {move.name, move.staged, move.aside})
      if (!name.empty() && PathExists(prefix + name)) paths.push_back(prefix + name);
    if (paths.size() == before) paths.push_back(prefix + move.name);  // gone
    direction = Mend::Neither;
  }
  if (direction == Mend::Neither) paths.insert(paths.begin(), prefix + intent.file);
  return direction;
}

void Finish(const std::wstring& prefix, const Intent& intent, Mend direction) {
  if (direction == Mend::Back) return GoBack(prefix, intent);
  if (direction != Mend::Forward) return;
  GoForward(prefix, intent);
  const std::wstring index = prefix + kIndexName;
  if (DigestOfFile(index) != intent.freshIndex)
    RenameFile(prefix + intent.index, index, true, base::text::kCannotWriteIndex, index);
  Settle(prefix, intent);
}

}  // namespace conversion
