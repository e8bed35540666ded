#include "conversion/worker.h"

#include "base/error.h"
#include "base/messages.h"

namespace conversion {

Worker::Worker(std::atomic<bool>& stop, std::function<bool()> answer, std::function<void()> tick)
    : stop_(stop), answer_(std::move(answer)), tick_(std::move(tick)),
      wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
  if (wake_.valid() && idle_.valid()) thread_.reset(CreateThread(nullptr, 0, &Worker::Main, this, 0, nullptr));
  if (!thread_.valid()) throw base::SystemError(base::text::kUnexpected, L"CreateThread", GetLastError());
}

Worker::~Worker() {
  // Idle by now: Run never leaves while a job runs.
  quit_ = true;
  SetEvent(wake_.get());
  const HANDLE thread = thread_.get();
  while (MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

DWORD WINAPI Worker::Main(void* data) {
  auto& self = *static_cast<Worker*>(data);
  for (;;) {
    WaitForSingleObject(self.wake_.get(), INFINITE);
    if (self.quit_) return 0;
    try {
      self.job_();
    } catch (...) {
      self.failure_ = std::current_exception();
    }
    self.job_ = nullptr;  // what it holds goes on this thread, before the job counts as done
    SetEvent(self.idle_.get());
  }
}

void Worker::RunJob(std::function<void()> job) {
  // A handler reached from the wait below must not start a job of its own.
  if (running_) throw base::ProgramFault(base::AppError::Kind::InvalidArgument, L"Worker::Run");
  struct Running {
    bool& running;
    explicit Running(bool& flag) : running(flag) { running = true; }
    ~Running() { running = false; }
  } running(running_);
  failure_ = nullptr;
  Hand(std::move(job));
  const HANDLE idle = idle_.get();
  try {
    ULONGLONG lastTick = GetTickCount64();
    for (;;) {
      const DWORD woke = MsgWaitForMultipleObjectsEx(1, &idle, kTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (woke == WAIT_OBJECT_0) break;
      if (woke == WAIT_OBJECT_0 + 1 && !answer_()) {
        // The window is to end: the job is told to stop, and awaited.
        stop_ = true;
        AwaitIdle();
        break;
      }
      if (GetTickCount64() - lastTick >= kTickMs) {
        lastTick = GetTickCount64();
        tick_();
      }
    }
  } catch (...) {
    stop_ = true;
    AwaitIdle();
    throw;
  }
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void Worker::Hand(std::function<void()> job) {
  job_ = std::move(job);
  ResetEvent(idle_.get());
  SetEvent(wake_.get());
}

void Worker::RunQuietly(std::function<void()> job) noexcept {
  AwaitIdle();
  // A Run below this call on the stack still has to see its own job's failure.
  std::exception_ptr outer = std::exchange(failure_, nullptr);
  Hand(std::move(job));
  AwaitIdle();
  failure_ = std::move(outer);
}

void Worker::AwaitIdle() noexcept {
  const HANDLE idle = idle_.get();
  while (MsgWaitForMultipleObjectsEx(1, &idle, INFINITE, QS_SENDMESSAGE | QS_PAINT, 0) == WAIT_OBJECT_0 + 1) {
    MSG message;
    // The peek itself delivers sent messages; painting is dispatched.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
  }
}

}  // namespace conversion
