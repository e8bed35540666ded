#pragma once
// The one way the run enters a test: its staged copies put in place with the
// index, under the index's lock.
#include <atomic>
#include <string>

#include "conversion/staging.h"

namespace conversion {

// How an update of the index ended.
enum class Update {
  Done,
  Full,      // the index has no room for the test: nothing written
  Held,      // another program holds the index, or its lock all through kLockPatienceMs
  ReadOnly,  // the index is read-only
  Stopped,   // stop was set while the lock was awaited
  Either,    // the index reads as UTF-8 as well, and the user was not asked
};

// Under the index's lock the index is read again, test t entered with
// headerValue, and the staged copies committed with the new index
// (journal.h). A failure on the way puts everything back and throws
// AppError, naming the file that stopped it. Unless Done, the staged copies
// are still the staging's. eitherIsShiftJis: the user said to read an index
// that reads as UTF-8 as well as Shift-JIS.
Update UpdateIndexFile(const std::wstring& destPrefix, Staging& staging, const std::wstring& t,
                       const std::wstring& headerValue, const std::atomic<bool>& stop, bool eitherIsShiftJis);

}  // namespace conversion
