#pragma once
// What runs that are over (a power cut, a program ended at any point) left in
// a destination folder: each commit they began finished or undone from the
// folder and its intent alone (journal.h), their copies and markers removed.
// A run whose marker is held, or cannot be told from a live one, is left alone.
#include <string>

namespace conversion {

struct Mending {
  std::wstring stop;    // the run stops before it copies, with this message
  std::wstring notice;  // told to the user; the run goes on
};

// Whether a run that is over left something in the folder, or 1.2.0 its new
// index: only then is the lock taken to mend it.
bool NeedsMending(const std::wstring& destPrefix);

// Under the index's lock, before the folder is listed. Where the folder
// matches neither state of a commit it deletes nothing of it. Throws
// AppError where a file refuses.
Mending MendFolder(const std::wstring& destPrefix);

}  // namespace conversion
