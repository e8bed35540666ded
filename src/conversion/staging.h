#pragma once
// A test transferred whole or not at all: its files are copied into the
// destination under temporary names first (temp_names.h), and put in place
// only together with the index, under the index's lock (journal.h). Until
// then the previous copy of the test stays as it was, whatever stops the run.
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped.h"
#include "conversion/file_io.h"
#include "conversion/journal.h"
#include "fileutil/listing.h"

namespace conversion {

// Whether a file name is a temporary of any run, of this version or 1.2.0.
bool IsRunTemporary(const std::wstring& name);

class Staging {
 public:
  // Marks the run's temporaries in destPrefix as those of a live run.
  // Throws AppError when the folder refuses it.
  explicit Staging(std::wstring destPrefix);
  ~Staging();  // removes the staged copies, then the marker
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const std::wstring& run() const { return run_; }

  // Copies a source file under a temporary name, flushed to the disk;
  // false when progress stopped it (nothing is left of it then). Throws
  // AppError when the copy fails. A read-only copy (from a CD) loses the
  // attribute, so that it can be renamed or removed.
  bool Stage(const std::wstring& sourcePrefix, const fileutil::FileEntry& file, const CopyProgress& progress);
  // The staged copy of the file of that name ("" when there is none).
  std::wstring StagedPath(const std::wstring& name) const;

  // The commit of the staged copies with the index's new content, staged
  // too, and each file there named for its move aside: from here on the
  // copies are the commit's. Under the index's lock. Throws AppError.
  Intent Plan(const std::string& freshIndex, std::string_view previousIndex);

  // Removes the staged copies of the test: the previous copy stays.
  void Discard() noexcept;
  // Removes the staged copies and the marker: the run stages nothing more.
  void Close() noexcept;

 private:
  struct Entry {
    std::wstring name;    // the file's name in the destination
    std::wstring staged;  // its staged copy's
    FileStamp stamp;
  };
  std::wstring NextName();  // a staged copy's

  const std::wstring destPrefix_;
  const std::wstring run_;
  base::ScopedFile marker_;
  std::vector<Entry> entries_;
  int made_ = 0;  // temporaries numbered so far
};

}  // namespace conversion
