#include "conversion/execute.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "base/strconv.h"
#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "fileutil/destpath.h"
#include "fileutil/listing.h"
#include "fileutil/testnumbers.h"
#include "textutil/fields.h"

namespace conversion {
namespace {

using namespace base::text;
using fileutil::Buttons;
using fileutil::Icon;

// Ends the run once, however it ends (the window's one clean-up after a run,
// which also follows a failure in any of its handlers): the message line says
// how it ended, nothing unless it completed.
class RunGuard {
 public:
  explicit RunGuard(RunView& view) : view_(view) {}
  ~RunGuard() { End(L""); }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  void End(const std::wstring& messageLine) noexcept {
    if (std::exchange(ended_, true)) return;
    try {
      view_.EndRun(messageLine);
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }

 private:
  RunView& view_;
  bool ended_ = false;
};

// An orderly stop: its message box; the guard then ends the run.
bool StopWith(RunView& view, const std::wstring& prompt, Icon icon,
              const std::optional<std::wstring>& caption = std::nullopt) {
  view.Show(prompt, Buttons::Ok, icon, caption);
  return false;
}

// The folders of the checked destination from the first one below the drive
// down ("M:\a\b\" gives "M:\a" and "M:\a\b"); the drive itself is known to be there.
std::vector<std::wstring> Levels(const std::wstring& validated) {
  const std::int16_t n = textutil::CountDelimiters(validated, L"\\");
  std::vector<std::wstring> workList(static_cast<std::size_t>(n) + 2);  // slots 1..n+1
  textutil::SplitFields(validated, L"\\", workList);
  std::vector<std::wstring> levels;
  std::wstring current = workList[1];
  for (int i = 2; i <= n + 1; ++i) {
    const std::wstring& name = workList[static_cast<std::size_t>(i)];
    if (name.empty()) continue;  // what follows the closing "\"
    current += L"\\" + name;
    levels.push_back(current);
  }
  return levels;
}

// Asks once, at the first missing level, and after Yes creates every missing
// level from the top down. False when the user answers No.
bool ProvideDestinationFolders(RunView& view, const std::wstring& validated) {
  const std::vector<std::wstring> levels = Levels(validated);
  const auto missing = std::find_if(levels.begin(), levels.end(), [](const std::wstring& level) {
    return !PathExists(level);
  });
  if (missing == levels.end()) return true;
  const int answer = view.Show(kCreateFolders, Buttons::YesNo, Icon::Question);
  if (answer == fileutil::kIdNo) return false;
  // Below the first missing level nothing can be there yet; a level made
  // meanwhile by someone else is taken as it is.
  if (answer == fileutil::kIdYes)
    for (auto level = missing; level != levels.end(); ++level) CreateFolder(*level);
  return true;
}

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

// Nothing but spaces, of either width: no folder was chosen.
bool IsBlank(const std::wstring& text) { return text.find_first_not_of(L" \u3000") == std::wstring::npos; }

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

// Another copy of the program, here or on another PC, is given this long to
// finish its update before the user is asked.
constexpr DWORD kLockPatienceMs = 5000;
// How often the progress is looked at while a thread works.
constexpr DWORD kTickMs = 100;

// A thread that runs the run's long work, one piece at a time, while the
// window's thread waits for it.
class Worker {
 public:
  Worker()
      : ready_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (ready_.valid() && done_.valid()) thread_.reset(CreateThread(nullptr, 0, &Worker::Loop, this, 0, nullptr));
    if (!thread_.valid()) throw base::SystemError(kUnexpected, L"CreateThread", GetLastError());
  }
  ~Worker() {
    quit_ = true;
    SetEvent(ready_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts work; Done() is signalled once it has ended.
  void Start(const std::function<void()>& work) {
    job_ = &work;
    SetEvent(ready_.get());
  }
  HANDLE Done() const { return done_.get(); }
  std::exception_ptr TakeFailure() { return std::exchange(failure_, nullptr); }

 private:
  static DWORD WINAPI Loop(void* data) {
    auto& self = *static_cast<Worker*>(data);
    for (;;) {
      WaitForSingleObject(self.ready_.get(), INFINITE);
      if (self.quit_) return 0;
      try {
        (*self.job_)();
      } catch (...) {
        self.failure_ = std::current_exception();
      }
      SetEvent(self.done_.get());
    }
  }

  base::ScopedHandle ready_;
  base::ScopedHandle done_;
  base::ScopedHandle thread_;
  const std::function<void()>* job_ = nullptr;  // handed over with ready_, given back with done_
  std::exception_ptr failure_;
  std::atomic<bool> quit_{false};
};

// The run past its checks: the tests one after the other, while the window
// keeps answering and, once the run takes a while, shows its progress.
class Transfer {
 public:
  Transfer(RunView& view, std::wstring sourcePrefix, std::wstring destPrefix, std::vector<TestFiles> tests)
      : view_(view), sourcePrefix_(std::move(sourcePrefix)), destPrefix_(std::move(destPrefix)),
        tests_(std::move(tests)) {
    for (const TestFiles& test : tests_) total_ += test.bytes;
  }

  // False after an orderly stop.
  bool Run();

 private:
  enum class Hold { Check, Locked };
  enum class Reach { Done, Refused, Stopped };

  bool RunTest(const TestFiles& test);
  // An orderly stop: the progress goes before its message comes.
  bool Stop(const std::wstring& message) {
    view_.CloseProgress();
    return StopWith(view_, message, Icon::Warning);
  }
  Reach WithIndex(Hold hold, const std::function<void(IndexFile&)>& work);
  bool Copy(const TestFiles& test);
  int Ask(const std::wstring& prompt, Buttons buttons, Icon icon);
  void WhileAnswering(const std::function<void()>& work);
  void Tick();

  RunView& view_;
  const std::wstring sourcePrefix_;
  const std::wstring destPrefix_;
  const std::vector<TestFiles> tests_;
  std::vector<std::wstring> held_;  // the destination's tests before anything is copied
  std::uint64_t total_ = 0;         // bytes of the tests not skipped
  std::wstring line_;               // the test now, as the dialog shows it
  ULONGLONG workingSince_ = GetTickCount64();
  bool progressShown_ = false;

  // Shared with the copying thread.
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> copied_{0};  // bytes of the files finished
  std::atomic<std::uint64_t> inFile_{0};  // bytes of the file being copied
  std::mutex fileMutex_;
  std::wstring file_;

  std::optional<Worker> worker_;  // made at the first long work; ended (first) with the run
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
  // Checked before anything of the test is copied, so a test that the index
  // cannot take, or an index that cannot be read faithfully or is held,
  // leaves no files. Only a check: the update reads the index again.
  bool room = false;
  const Reach checked = WithIndex(Hold::Check, [&](const IndexFile& index) { room = index.HasRoomFor(t); });
  if (checked == Reach::Stopped) return Stop(RunStopped(t));
  if (checked == Reach::Refused) return false;
  if (!room) Ask(IndexFull(t), Buttons::Ok, Icon::Warning);
  if (!room || (fileutil::HoldsTest(held_, t) && Ask(OverwriteQuestion(t), Buttons::YesNo, Icon::Question) == fileutil::kIdNo)) {
    total_ -= test.bytes;  // the bar measures what is copied
    return true;
  }

  if (!Copy(test)) return Stop(RunStopped(t));
  std::wstring headerValue;  // fresh for every test: never another test's value
  if (!ReadHeaderValue(destPrefix_ + t + L".HED", headerValue)) Ask(NoFifthField(t), Buttons::Ok, Icon::None);
  const Reach entered = WithIndex(Hold::Locked, [&](IndexFile& index) { UpdateIndexFile(index, t, headerValue); });
  if (entered == Reach::Stopped) return Stop(RunStopped(t));
  if (entered == Reach::Refused) return Stop(NotEntered(t));
  return true;
}

// Runs work on the destination's index, read as an update would replace it:
// as a check, or afresh under the index's lock, so that no other copy of the
// program writes between the reading and the writing. While another program
// holds the index the user is asked to Retry or Cancel (Refused after
// Cancel); a read-only index is Refused with its message.
Transfer::Reach Transfer::WithIndex(Hold hold, const std::function<void(IndexFile&)>& work) {
  const std::wstring path = destPrefix_ + kIndexName;
  for (;;) {
    base::ScopedFile lock;
    if (hold == Hold::Locked) {
      lock = LockIndex(destPrefix_, 0);
      if (!lock.valid()) WhileAnswering([&] { lock = LockIndex(destPrefix_, kLockPatienceMs, &stop_); });
    }
    if (stop_) return Reach::Stopped;
    FileUse use = FileUse::InUse;  // another copy of the program, when the lock could not be had
    std::optional<IndexFile> index;
    if (hold == Hold::Check || lock.valid()) index = IndexFile::Load(destPrefix_, use);
    if (index) {
      work(*index);
      return Reach::Done;
    }
    lock.reset();  // never held while a question is open
    if (use == FileUse::ReadOnly) {
      Ask(IndexReadOnly(path), Buttons::Ok, Icon::Warning);
      return Reach::Refused;
    }
    if (Ask(IndexInUse(path), Buttons::RetryCancel, Icon::Warning) != fileutil::kIdRetry) return Reach::Refused;
  }
}

// Every file of the test under the same name, on a thread of its own; false
// when the user stopped the run (a file stopped halfway is removed).
bool Transfer::Copy(const TestFiles& test) {
  Tick();  // a Cancel made while a question was open
  if (stop_) return false;
  WhileAnswering([&] {
    for (const fileutil::FileEntry& file : test.files) {
      if (stop_) return;
      const std::wstring target = destPrefix_ + file.name;
      {
        const std::lock_guard<std::mutex> hold(fileMutex_);
        file_ = target;
      }
      inFile_ = 0;
      const bool whole = CopyOneFile(sourcePrefix_ + file.name, target, [this](std::uint64_t copied) {
        inFile_ = copied;
        return !stop_;
      });
      if (!whole) return;
      copied_ += file.size;
      inFile_ = 0;
    }
  });
  return !stop_;
}

// A message box; the time the user takes to answer is no work of the run.
int Transfer::Ask(const std::wstring& prompt, Buttons buttons, Icon icon) {
  const int answer = view_.Show(prompt, buttons, icon);
  workingSince_ = GetTickCount64();
  return answer;
}

// Runs work on the run's thread while this, the window's thread, keeps
// answering and looks at the progress; what work throws is thrown here.
void Transfer::WhileAnswering(const std::function<void()>& work) {
  if (!worker_) worker_.emplace();  // one thread for the run: under Wine a thread costs milliseconds
  worker_->Start(work);
  const HANDLE done = worker_->Done();
  ULONGLONG lastTick = GetTickCount64();
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &done, kTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_OBJECT_0 + 1) view_.KeepAnswering();
    if (GetTickCount64() - lastTick >= kTickMs) {
      lastTick = GetTickCount64();
      Tick();
    }
  }
  if (const std::exception_ptr failure = worker_->TakeFailure()) std::rethrow_exception(failure);
}

void Transfer::Tick() {
  if (!progressShown_ && GetTickCount64() - workingSince_ < kProgressAfterMs) return;
  progressShown_ = true;
  RunProgress progress{line_, {}, copied_ + inFile_, total_};
  {
    const std::lock_guard<std::mutex> hold(fileMutex_);
    progress.file = file_;
  }
  if (!view_.ShowProgress(progress)) stop_ = true;
}

// The run's steps; false after an orderly stop.
bool Run(RunView& view, const std::vector<std::wstring>& selectedTests) {
  view.SetLabel3(kInProgress);
  view.DoEvents();
  // The run's own copies of the paths: the window answers while it copies.
  const std::wstring destination = view.Text2();
  std::wstring validated = destination;
  if (!fileutil::ValidateDestPath(validated, view)) return StopWith(view, kBadPath, Icon::Warning, destination);

  const std::wstring source = view.Text1();
  if (IsBlank(source)) return StopWith(view, kNoSource, Icon::None);
  if (!ProvideDestinationFolders(view, validated)) return false;
  if (selectedTests.empty()) return StopWith(view, kNoTest, Icon::None);

  view.SetBusy(true);
  const std::wstring sourcePrefix = base::FolderPrefix(source);
  // The checked form of the destination (trimmed, "\" after the drive): the
  // folder the run has just made sure of is the one it copies into.
  Transfer transfer(view, sourcePrefix, base::FolderPrefix(validated), ListTests(sourcePrefix, selectedTests));
  return transfer.Run();
}

}  // namespace

void Command1_Click(RunView& view, const std::vector<std::wstring>& selectedTests,
                    std::int16_t& doneMessageShown) noexcept {
  RunGuard guard(view);
  try {
    const std::vector<std::wstring> selection = selectedTests;  // the run's own, whatever the window does
    if (!Run(view, selection)) return;
    doneMessageShown = 1;
    guard.End(kDone);
  } catch (...) {
    // A failed run: ended without the completion text, then the reason shown.
    doneMessageShown = 0;
    guard.End(L"");
    try {
      fileutil::ShowFailure(view, std::current_exception());
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }
}

}  // namespace conversion
