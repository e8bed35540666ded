#pragma once
// A test transferred whole or not at all: its files are copied into the
// destination under temporary names first, and put in place only together
// with the index, under the index's lock. Until then the previous copy of
// the test stays as it was, whatever stops the run.
//
// The temporary names, all in the destination folder and never matching a
// test's pattern (*.GRA, *.HED, <test>.*), also by their 8.3 aliases:
//   ~lugeon-<run>.tmp             the run's marker, held open while it lives
//   ~lugeon-<run>-<n>.tmp         a staged copy
//   ~lugeon-<run>-<n>-<name>.tmp  a file being replaced, moved aside until the
//                                 index is in place (<name> empty where the
//                                 path would be too long)
#include <string>
#include <vector>

#include "base/scoped.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "fileutil/listing.h"

namespace conversion {

// Whether a file name is one of the temporaries above, of any run.
bool IsRunTemporary(const std::wstring& name);

class Staging final : public FilesToPlace {
 public:
  // Marks the run's temporaries in destPrefix as those of a live run.
  // Throws AppError when the folder refuses it.
  explicit Staging(std::wstring destPrefix);
  ~Staging() override;  // removes the staged copies, then the marker
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Removes the temporaries of runs that are over: their marker is not held
  // (it is gone, or left by a power cut). A file that was being replaced
  // goes back under its name when that is free. Call under the index lock,
  // so that no commit is under way; PutInPlace does it when no call did
  // before. Failures are passed over.
  void RemoveLeftovers();

  // Copies a source file under a temporary name, flushed to the disk;
  // false when progress stopped it (nothing is left of it then). Throws
  // AppError when the copy fails. A read-only copy (from a CD) loses the
  // attribute, so that it can be renamed or removed.
  bool Stage(const std::wstring& sourcePrefix, const fileutil::FileEntry& file, const CopyProgress& progress);
  // The staged copy of the file of that name ("" when there is none).
  std::wstring StagedPath(const std::wstring& name) const;
  // Removes the staged copies of the test: the previous copy stays.
  void Discard() noexcept;
  // Removes the staged copies and the marker: the run stages nothing more.
  void Close() noexcept;

  // Under the index's lock, once the index's new content is durable: each
  // file there moved aside, each staged copy renamed into place.
  void PutInPlace() override;
  void PutBack() noexcept override;
  void Settle() noexcept override;

 private:
  struct Entry {
    std::wstring name;    // the file's name in the destination
    std::wstring staged;  // its staged copy
    std::wstring aside;   // where the file it replaces goes meanwhile
    bool setAside = false;
    bool inPlace = false;
  };

  const std::wstring destPrefix_;
  std::wstring run_;  // "~lugeon-<run>"
  base::ScopedFile marker_;
  std::vector<Entry> entries_;
  int made_ = 0;  // temporaries named so far
  bool leftoversRemoved_ = false;
};

}  // namespace conversion
