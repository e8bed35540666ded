#include "conversion/transfer.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/message_box.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "conversion/commit.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "conversion/recovery.h"
#include "conversion/staging.h"
#include "conversion/test_files.h"
#include "conversion/worker.h"
#include "fileutil/listing.h"
#include "fileutil/testnumbers.h"

namespace conversion {
namespace {

using namespace base::text;
using base::Buttons;
using base::Icon;

// What the worker's copies have come to, written on its thread and read on
// the window's in one piece, so that the bar never runs ahead.
class CopiedSoFar {
 public:
  void StartFile(const std::wstring& target) {
    const std::lock_guard<std::mutex> hold(mutex_);
    file_ = target;
    inFile_ = 0;
  }
  void InFile(std::uint64_t bytes) {
    const std::lock_guard<std::mutex> hold(mutex_);
    inFile_ = bytes;
  }
  void EndFile(std::uint64_t size) {
    const std::lock_guard<std::mutex> hold(mutex_);
    copied_ += size;
    inFile_ = 0;
  }
  // The file being copied and the bytes copied in all.
  std::pair<std::wstring, std::uint64_t> Now() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return {file_, copied_ + inFile_};
  }

 private:
  std::mutex mutex_;
  std::wstring file_;
  std::uint64_t copied_ = 0;
  std::uint64_t inFile_ = 0;
};

class Transfer {
 public:
  Transfer(RunView& view, Worker& worker, std::atomic<bool>& stop, std::wstring sourcePrefix, std::wstring destPrefix,
           const std::vector<std::wstring>& tests)
      : view_(view), worker_(worker), stop_(stop), sourcePrefix_(std::move(sourcePrefix)),
        destPrefix_(std::move(destPrefix)) {
    for (const std::wstring& t : tests) tests_.emplace_back(t, 0);
    worker_.SetTick([this] { Tick(); });
    view_.OnSessionEnd([this] { EndSession(); });
  }
  ~Transfer() {
    view_.OnSessionEnd({});
    // The run's temporaries go on the worker too; should it fail, here.
    try {
      worker_.Run([this] { staging_.reset(); });
    } catch (...) {
      staging_.reset();
    }
  }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool Run();

 private:
  // How the index's check before a test ended.
  enum class Room { Free, Full, Stop };

  bool MendDestination();
  bool RunTest(const std::wstring& t, std::uint64_t listedBytes);
  Room RoomInIndex(const std::wstring& t);
  bool AskRetry();
  void TellReadOnly();
  bool AgreeToShiftJis(const Reading& reading);
  bool TargetsFree(const std::vector<fileutil::FileEntry>& files);
  void CheckRoomOnDisk(const std::wstring& t, const std::vector<fileutil::FileEntry>& files);
  bool Stage(Staging& stage, const std::vector<fileutil::FileEntry>& files);
  bool Commit(Staging& stage, const std::wstring& t, const std::wstring& headerValue, std::uint64_t bytes);
  void EndSession() noexcept;
  // An orderly stop: the progress goes before its message comes.
  bool Stop(const std::wstring& message) {
    view_.CloseProgress();
    view_.Show(message, Buttons::Ok, Icon::Warning);
    return false;
  }
  void Tick();
  Staging& staging();

  RunView& view_;
  Worker& worker_;
  std::atomic<bool>& stop_;  // the user stopped the run, the session ends, or the window gave up on a job
  const std::wstring sourcePrefix_;
  const std::wstring destPrefix_;
  std::vector<std::pair<std::wstring, std::uint64_t>> tests_;  // and their bytes at the start
  std::vector<std::wstring> held_;  // the destination's tests before anything is copied
  std::uint64_t total_ = 0;         // bytes of the tests not skipped
  std::wstring line_;               // the test now, as the dialog shows it
  bool eitherIsShiftJis_ = false;   // the user's answer about an index that reads as UTF-8 as well
  CopiedSoFar progress_;
  std::optional<Staging> staging_;  // made at the first copy; removes what the run leaves
};

bool Transfer::Run() {
  if (tests_.empty()) return true;
  line_ = ProgressTest(1, static_cast<int>(tests_.size()), tests_.front().first);
  // The bar's length: the tests' files as they are at the start.
  worker_.Run([this] {
    for (auto& [t, bytes] : tests_) total_ += bytes = BytesOf(ListTestFiles(sourcePrefix_, t));
  });
  if (!MendDestination()) return false;
  held_ = worker_.Run([this] { return fileutil::TestsInFolder(destPrefix_); });
  for (std::size_t i = 0; i < tests_.size(); ++i) {
    const auto& [t, bytes] = tests_[i];
    line_ = ProgressTest(static_cast<int>(i + 1), static_cast<int>(tests_.size()), t);
    if (!RunTest(t, bytes)) return false;
  }
  return true;
}

// What runs that are over left in the destination, mended before it is
// listed, so that a test whose files one had moved aside is asked about.
// Under the lock, after the wait and the question that a held one brings.
// False after an orderly stop, whose message is shown.
bool Transfer::MendDestination() {
  if (!worker_.Run([this] { return NeedsMending(destPrefix_); })) return true;
  for (;;) {
    const std::optional<Mending> mended = worker_.Run([this]() -> std::optional<Mending> {
      const base::ScopedFile lock = LockIndex(destPrefix_, kLockPatienceMs, &stop_);
      if (!lock.valid() || stop_) return std::nullopt;
      return MendFolder(destPrefix_);
    });
    if (stop_) return Stop(RunStopped(tests_.front().first));
    if (!mended) {
      if (AskRetry()) continue;
      return false;
    }
    if (!mended->stop.empty()) return Stop(mended->stop);
    if (!mended->notice.empty()) view_.Show(mended->notice, Buttons::Ok, Icon::Warning);
    return true;
  }
}

bool Transfer::RunTest(const std::wstring& t, std::uint64_t listedBytes) {
  if (stop_) return Stop(RunStopped(t));
  const Room room = RoomInIndex(t);
  if (room == Room::Stop) return false;
  if (room == Room::Full) view_.Show(IndexFull(t), Buttons::Ok, Icon::Warning);
  if (room == Room::Full ||
      (fileutil::HoldsTest(held_, t) && view_.Show(OverwriteQuestion(t), Buttons::YesNo, Icon::Question) == base::kIdNo)) {
    total_ -= listedBytes;  // the bar measures what is copied
    return true;
  }
  // Listed right before the copy: the files may have changed while a question was open.
  const std::vector<fileutil::FileEntry> files = worker_.Run([&] { return ListTestFiles(sourcePrefix_, t); });
  total_ += BytesOf(files) - listedBytes;
  if (!TargetsFree(files)) return false;
  Staging& stage = staging();
  CheckRoomOnDisk(t, files);
  if (!Stage(stage, files)) {
    worker_.Run([&stage] { stage.Discard(); });
    return Stop(RunStopped(t));
  }
  // The header as it was copied; its notice comes before the lock is taken.
  const std::wstring header = sourcePrefix_ + t + L".HED";
  const std::wstring staged = stage.StagedPath(t + L".HED");
  if (staged.empty()) throw base::SystemError(kCannotReadHeader, header, ERROR_FILE_NOT_FOUND);
  std::wstring headerValue;  // fresh for every test: never another test's value
  if (!worker_.Run([&] { return ReadHeaderValue(staged, header, headerValue); }))
    view_.Show(NoFifthField(t), Buttons::Ok, Icon::None);
  return Commit(stage, t, headerValue, BytesOf(files));
}

// Checked before anything of the test is copied, so that a test the index
// cannot take, or an index that is held or read-only, leaves no files. Only a
// check: the update reads the index again. Stop after Cancel or the
// read-only notice.
Transfer::Room Transfer::RoomInIndex(const std::wstring& t) {
  for (;;) {
    FileUse use = FileUse::Free;
    if (const std::optional<IndexFile> index = worker_.Run([&] { return IndexFile::Load(destPrefix_, use); })) {
      if (index->Undecided() && !AgreeToShiftJis(*index->Undecided())) return Room::Stop;
      return index->HasRoomFor(t) ? Room::Free : Room::Full;
    }
    if (use == FileUse::ReadOnly) {
      TellReadOnly();
      return Room::Stop;
    }
    if (!AskRetry()) return Room::Stop;
  }
}

// Another program holds the index or its lock: true for Retry.
bool Transfer::AskRetry() {
  return view_.Show(IndexInUse(destPrefix_ + kIndexName), Buttons::RetryCancel, Icon::Warning) == base::kIdRetry;
}

// An index that the folder cannot tell Shift-JIS or UTF-8, asked about once
// a run and never under the lock: true to read it as Shift-JIS; after No the
// run stops with the refusal that tells how to save it again.
bool Transfer::AgreeToShiftJis(const Reading& reading) {
  const std::wstring path = destPrefix_ + kIndexName;
  if (!eitherIsShiftJis_ && view_.Show(IndexEither(path, reading.sjis, reading.utf8), Buttons::YesNo,
                                       Icon::Question) != base::kIdYes)
    return Stop(IndexUnreadable(path, reading.line, base::text::IndexFault::Utf8));
  eitherIsShiftJis_ = true;
  return true;
}

// A read-only index stops the run, with this notice.
void Transfer::TellReadOnly() { view_.Show(IndexReadOnly(destPrefix_ + kIndexName), Buttons::Ok, Icon::Warning); }

// A file of the test in the destination that another program holds could
// not be moved aside: asked about before anything is copied. False after Cancel.
bool Transfer::TargetsFree(const std::vector<fileutil::FileEntry>& files) {
  for (const fileutil::FileEntry& file : files) {
    const std::wstring target = destPrefix_ + file.name;
    while (worker_.Run([&target] { return HeldByAnother(target); }))
      if (view_.Show(FileInUse(target), Buttons::RetryCancel, Icon::Warning) != base::kIdRetry) return false;
  }
  return true;
}

// Advice before anything is copied: the copies' room (each file in whole
// clusters; the previous copy keeps its room until the commit) against what
// this user may still write there. A disk that fills anyway ends in the
// failed copy, whose temporaries go. Throws AppError when short.
void Transfer::CheckRoomOnDisk(const std::wstring& t, const std::vector<fileutil::FileEntry>& files) {
  const std::optional<DiskRoom> room = worker_.Run([this] { return RoomOnDisk(destPrefix_); });
  if (!room) return;
  std::uint64_t need = 0;
  for (const fileutil::FileEntry& file : files) need += (file.size + room->cluster - 1) / room->cluster * room->cluster;
  if (need > room->available)
    throw base::AppError(NoRoom(base::WithoutClosingSeparator(destPrefix_), t, need, room->available));
}

// Every file of the test copied under a temporary name, on the worker;
// false when the user stopped the run (or the session ends).
bool Transfer::Stage(Staging& stage, const std::vector<fileutil::FileEntry>& files) {
  Tick();  // a Cancel made while a question was open
  if (stop_) return false;
  worker_.Run([this, &stage, &files] {
    for (const fileutil::FileEntry& file : files) {
      if (stop_) return;
      progress_.StartFile(destPrefix_ + file.name);
      const bool whole = stage.Stage(sourcePrefix_, file, [this](std::uint64_t copied) {
        progress_.InFile(copied);
        return !stop_;
      });
      if (!whole) return;
      progress_.EndFile(file.size);
    }
  });
  return !stop_;
}

// The staged copies put in place with the index, under its lock; or, when
// the test cannot be entered, removed with the previous copy left whole.
bool Transfer::Commit(Staging& stage, const std::wstring& t, const std::wstring& headerValue, std::uint64_t bytes) {
  for (;;) {
    Update update =
        worker_.Run([&] { return UpdateIndexFile(destPrefix_, stage, t, headerValue, stop_, eitherIsShiftJis_); });
    if (update == Update::Done) return true;
    if (update == Update::Held && AskRetry()) continue;
    if (update == Update::Either) {
      // Rewritten since the check: asked now that the lock is let go.
      const Room room = RoomInIndex(t);
      if (room == Room::Free) continue;
      update = room == Room::Full ? Update::Full : Update::Either;
    }
    worker_.Run([&stage] { stage.Discard(); });  // the test stays as it was
    switch (update) {
      case Update::Stopped:
        return Stop(RunStopped(t));
      case Update::ReadOnly:
        TellReadOnly();
        return false;
      case Update::Full:
        // Filled by another copy of the program meanwhile: skipped, as at the check.
        view_.Show(IndexFull(t), Buttons::Ok, Icon::Warning);
        total_ -= bytes;
        return true;
      default:
        return false;  // Cancel, or No about the index's reading (its refusal shown)
    }
  }
}

// The session ends (WM_ENDSESSION, also in the middle of a question or of a
// job): the run stops, a commit under way finishes, and the temporaries go
// before the system may end the program.
void Transfer::EndSession() noexcept {
  stop_ = true;
  worker_.RunQuietly([this] {
    if (staging_) staging_->Close();
  });
}

void Transfer::Tick() {
  auto [file, done] = progress_.Now();
  if (!view_.ShowProgress({line_, std::move(file), done, total_})) stop_ = true;
}

Staging& Transfer::staging() {
  if (!staging_) worker_.Run([this] { staging_.emplace(destPrefix_); });
  return *staging_;
}

}  // namespace

bool TransferTests(RunView& view, Worker& worker, std::atomic<bool>& stop, const std::wstring& sourcePrefix,
                   const std::wstring& destPrefix, const std::vector<std::wstring>& tests) {
  Transfer transfer(view, worker, stop, sourcePrefix, destPrefix, tests);
  return transfer.Run();
}

}  // namespace conversion
