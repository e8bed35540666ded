#include "conversion/commit.h"

#include <optional>

#include "base/error.h"
#include "conversion/index_file.h"
#include "conversion/journal.h"
#include "conversion/recovery.h"

namespace conversion {

Update UpdateIndexFile(const std::wstring& destPrefix, Staging& staging, const std::wstring& t,
                       const std::wstring& headerValue, const std::atomic<bool>& stop, bool eitherIsShiftJis) {
  const base::ScopedFile lock = LockIndex(destPrefix, kLockPatienceMs, &stop);
  if (stop) return Update::Stopped;
  if (!lock.valid()) return Update::Held;
  // A run that ended since this one began (another program on this PC, cut
  // off with it) may have left its commit half done: never build on that.
  if (const Mending mended = MendFolder(destPrefix); !mended.stop.empty()) throw base::AppError(mended.stop);
  FileUse use = FileUse::Free;
  std::optional<IndexFile> index = IndexFile::Load(destPrefix, use);
  if (!index) return use == FileUse::ReadOnly ? Update::ReadOnly : Update::Held;
  if (index->Undecided() && !eitherIsShiftJis) return Update::Either;
  // Another copy of the program may have filled it since the run looked.
  if (!index->HasRoomFor(t)) return Update::Full;
  index->Enter(t, headerValue);
  Commit(destPrefix, staging.Plan(index->NewContent(), index->Read()), lock);
  return Update::Done;
}

}  // namespace conversion
