#include "conversion/staging.h"

#include <windows.h>

#include "base/error.h"
#include "base/file_calls.h"
#include "base/messages.h"
#include "base/paths.h"
#include "conversion/index_file.h"
#include "conversion/temp_names.h"

namespace conversion {
namespace {

// A marker of its own for the run: a name nobody else uses, held open and
// sharing nothing, so that others can tell the run lives. The system removes
// it when its holder ends, however; after a power cut it stays, unheld.
base::ScopedFile MakeMarker(const std::wstring& path) {
  base::ScopedFile file(base::Files().Create(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                                             FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE));
  if (!file.valid()) throw base::SystemError(base::text::kCannotCopy, path, GetLastError());
  return file;
}

}  // namespace

bool IsRunTemporary(const std::wstring& name) { return ParseTempName(name).has_value(); }

Staging::Staging(std::wstring destPrefix) : destPrefix_(std::move(destPrefix)), run_(NewRun()) {
  marker_ = MakeMarker(destPrefix_ + TempName::Marker(run_).FileName());
}

Staging::~Staging() { Discard(); }

std::wstring Staging::NextName() {
  return TempName::Of(TempName::Kind::Staged, run_, ++made_).FileName();
}

bool Staging::Stage(const std::wstring& sourcePrefix, const fileutil::FileEntry& file, const CopyProgress& progress) {
  Entry& entry = entries_.emplace_back(Entry{file.name, NextName(), {}});
  const std::wstring staged = destPrefix_ + entry.staged;
  if (!CopyOneFile(sourcePrefix + file.name, staged, progress, destPrefix_ + file.name)) {
    RemoveFile(staged);
    entries_.pop_back();
    return false;
  }
  const DWORD attributes = base::Files().Attributes(staged.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    base::Files().SetAttributes(staged.c_str(),
                                (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) | FILE_ATTRIBUTE_ARCHIVE);
  // On the disk before it is renamed: a power cut never leaves a renamed copy without its data.
  FlushToDisk(staged, base::text::kCannotCopy);
  const std::optional<FileStamp> stamp = StampOf(staged);
  if (!stamp) throw base::SystemError(base::text::kCannotCopy, staged, ERROR_FILE_NOT_FOUND);
  entry.stamp = *stamp;
  return true;
}

std::wstring Staging::StagedPath(const std::wstring& name) const {
  for (const Entry& entry : entries_)
    if (base::SameFileName(entry.name, name)) return destPrefix_ + entry.staged;
  return {};
}

Intent Staging::Plan(const std::string& freshIndex, std::string_view previousIndex) {
  Intent intent;
  intent.index = NextName();
  intent.freshIndex = DigestOf(freshIndex);
  intent.previousIndex = DigestOf(previousIndex);
  for (const Entry& entry : entries_) {
    Move& move = intent.moves.emplace_back(Move{entry.name, entry.staged, entry.stamp, {}, {}});
    // A folder of the name is no file to move aside: the rename in fails on it.
    if (const std::optional<FileStamp> there = StampOf(destPrefix_ + entry.name)) {
      TempName aside = TempName::Of(TempName::Kind::Aside, run_, ++made_, entry.name);
      if ((destPrefix_ + aside.FileName()).size() >= MAX_PATH) aside.name.clear();
      move.aside = aside.FileName();
      move.previous = *there;
    }
  }
  intent.file = TempName::Of(TempName::Kind::Intent, run_, ++made_).FileName();
  try {
    WriteDurably(destPrefix_ + intent.index, freshIndex, base::text::kCannotWriteIndex);
  } catch (...) {
    Discard();
    throw;
  }
  entries_.clear();
  return intent;
}

void Staging::Discard() noexcept {
  for (const Entry& entry : entries_) RemoveFile(destPrefix_ + entry.staged);
  entries_.clear();
}

void Staging::Close() noexcept {
  Discard();
  marker_.reset();
}

}  // namespace conversion
