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
#include "base/strconv.h"
#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "conversion/worker.h"
#include "fileutil/listing.h"
#include "fileutil/testnumbers.h"

namespace conversion {
namespace {

using namespace base::text;
using base::Buttons;
using base::Icon;

// The fifth field of the copied header; false when it has fewer fields.
bool ReadHeaderValue(const std::wstring& headerPath, std::wstring& headerValue) {
  const std::string bytes = ReadWholeFile(headerPath, kCannotReadHeader);
  FieldReader reader(bytes);
  for (int field = 1; !reader.AtEnd(); ++field) {
    std::string text = reader.Read();
    if (field < 5) continue;
    if (const auto value = base::TryFromSjis(text)) {
      headerValue = *value;
      return true;
    }
    throw base::AppError(base::AppError::Kind::Encoding, Report(kCannotReadHeader, headerPath, kNotShiftJis));
  }
  return false;
}

// A selected test and its files in the source, listed once before anything
// is copied. A source file that would land on the destination's own index
// (or its lock) is not one of the test's files.
struct TestFiles {
  std::wstring t;
  std::vector<fileutil::FileEntry> files;
  std::uint64_t bytes = 0;
};

std::vector<TestFiles> ListTests(const std::wstring& sourcePrefix, const std::vector<std::wstring>& selected) {
  std::vector<TestFiles> tests;
  for (const std::wstring& t : selected) {
    TestFiles& test = tests.emplace_back(TestFiles{t, {}, 0});
    for (fileutil::FileEntry& file : fileutil::ListFiles(sourcePrefix + t + L".*")) {
      if (IsIndexOwnFile(file.name)) continue;
      test.bytes += file.size;
      test.files.push_back(std::move(file));
    }
  }
  return tests;
}

// What the worker's copies have come to, written on its thread and read on
// the window's in one piece, so that the bar never runs ahead.
class CopyProgress {
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
  Transfer(RunView& view, std::wstring sourcePrefix, std::wstring destPrefix, std::vector<TestFiles> tests)
      : view_(view), sourcePrefix_(std::move(sourcePrefix)), destPrefix_(std::move(destPrefix)),
        tests_(std::move(tests)) {
    for (const TestFiles& test : tests_) total_ += test.bytes;
  }

  bool Run();

 private:
  bool RunTest(const TestFiles& test);
  std::optional<bool> RoomInIndex(const std::wstring& t);
  bool MayRetry(bool readOnly);
  bool Copy(const TestFiles& test);
  bool Enter(const std::wstring& t, const std::wstring& headerValue);
  // An orderly stop: the progress goes before its message comes.
  bool Stop(const std::wstring& message) {
    view_.CloseProgress();
    view_.Show(message, Buttons::Ok, Icon::Warning);
    return false;
  }
  void Tick();
  Worker& worker();

  RunView& view_;
  const std::wstring sourcePrefix_;
  const std::wstring destPrefix_;
  const std::vector<TestFiles> tests_;
  std::vector<std::wstring> held_;  // the destination's tests before anything is copied
  std::uint64_t total_ = 0;         // bytes of the tests not skipped
  std::wstring line_;               // the test now, as the dialog shows it
  std::atomic<bool> stop_{false};   // the user stopped the run, or the window gave up on a job
  CopyProgress progress_;
  std::optional<Worker> worker_;  // made at the first long work; joined before anything above goes
};

bool Transfer::Run() {
  held_ = fileutil::TestsInFolder(destPrefix_);
  for (std::size_t i = 0; i < tests_.size(); ++i) {
    line_ = ProgressTest(static_cast<int>(i + 1), static_cast<int>(tests_.size()), tests_[i].t);
    if (!RunTest(tests_[i])) return false;
  }
  return true;
}

bool Transfer::RunTest(const TestFiles& test) {
  const std::wstring& t = test.t;
  if (stop_) return Stop(RunStopped(t));
  const std::optional<bool> room = RoomInIndex(t);
  if (!room) return false;
  if (!*room) view_.Show(IndexFull(t), Buttons::Ok, Icon::Warning);
  if (!*room ||
      (fileutil::HoldsTest(held_, t) && view_.Show(OverwriteQuestion(t), Buttons::YesNo, Icon::Question) == base::kIdNo)) {
    total_ -= test.bytes;  // the bar measures what is copied
    return true;
  }
  if (!Copy(test)) return Stop(RunStopped(t));
  std::wstring headerValue;  // fresh for every test: never another test's value
  if (!ReadHeaderValue(destPrefix_ + t + L".HED", headerValue)) view_.Show(NoFifthField(t), Buttons::Ok, Icon::None);
  return Enter(t, headerValue);
}

// Checked before anything of the test is copied, so that a test the index
// cannot take, or an index that is held or read-only, leaves no files. Only a
// check: the update reads the index again. nullopt after Cancel or the
// read-only notice.
std::optional<bool> Transfer::RoomInIndex(const std::wstring& t) {
  for (;;) {
    FileUse use = FileUse::Free;
    if (const std::optional<IndexFile> index = IndexFile::Load(destPrefix_, use)) return index->HasRoomFor(t);
    if (!MayRetry(use == FileUse::ReadOnly)) return std::nullopt;
  }
}

// An index that cannot be replaced now: a read-only one is told of (false),
// another program's hold asked about (true for Retry).
bool Transfer::MayRetry(bool readOnly) {
  const std::wstring path = destPrefix_ + kIndexName;
  if (readOnly) {
    view_.Show(IndexReadOnly(path), Buttons::Ok, Icon::Warning);
    return false;
  }
  return view_.Show(IndexInUse(path), Buttons::RetryCancel, Icon::Warning) == base::kIdRetry;
}

// Every file of the test under the same name; false when the user stopped
// the run (a file stopped halfway is removed).
bool Transfer::Copy(const TestFiles& test) {
  Tick();  // a Cancel made while a question was open
  if (stop_) return false;
  worker().Run([this, &test] {
    for (const fileutil::FileEntry& file : test.files) {
      if (stop_) return;
      const std::wstring target = destPrefix_ + file.name;
      progress_.StartFile(target);
      const bool whole = CopyOneFile(sourcePrefix_ + file.name, target, [this](std::uint64_t copied) {
        progress_.InFile(copied);
        return !stop_;
      });
      if (!whole) return;
      progress_.EndFile(file.size);
    }
  });
  return !stop_;
}

bool Transfer::Enter(const std::wstring& t, const std::wstring& headerValue) {
  for (;;) {
    const Update update = worker().Run([&] { return UpdateIndexFile(destPrefix_, t, headerValue, stop_); });
    if (update == Update::Done) return true;
    if (update == Update::Stopped) return Stop(RunStopped(t));
    if (!MayRetry(update == Update::ReadOnly)) return Stop(NotEntered(t));
  }
}

void Transfer::Tick() {
  auto [file, done] = progress_.Now();
  if (!view_.ShowProgress({line_, std::move(file), done, total_})) stop_ = true;
}

Worker& Transfer::worker() {
  // One thread for the run: under Wine a thread costs milliseconds.
  if (!worker_) worker_.emplace(stop_, [this] { view_.KeepAnswering(); }, [this] { Tick(); });
  return *worker_;
}

}  // namespace

bool TransferTests(RunView& view, const std::wstring& sourcePrefix, const std::wstring& destPrefix,
                   const std::vector<std::wstring>& tests) {
  Transfer transfer(view, sourcePrefix, destPrefix, ListTests(sourcePrefix, tests));
  return transfer.Run();
}

}  // namespace conversion
