#pragma once
// The run's one background thread (Raymond Chen's pattern), made at the click of Execute. The
// window's thread, an STA that owns the progress dialog, hands it one job at a time, which the
// worker owns, and waits for it in MsgWaitForMultipleObjectsEx, answering its messages. Run never
// returns or throws while the job runs: a failure on the window's side, or the window's end
// (WM_QUIT), sets the stop flag and awaits the job, letting only sent messages and painting
// through; Run refuses to be entered again from a message handled meanwhile. The thread is joined
// when the Worker goes, and no other is started.
// The rule of a run: every call of the file system, from the click to the run's end, is a job of
// the worker; the window's thread asks the questions and shows the messages between them.
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "base/scoped.h"

namespace conversion {

class Worker {
 public:
  // stop: the run's stop flag, which long jobs look at; set here when the
  // window's side of a wait fails. answer: a pass of the window's pending
  // messages, false once the window is to end. tick: called every kTickMs
  // while a job runs.
  Worker(std::atomic<bool>& stop, std::function<bool()> answer, std::function<void()> tick);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  static constexpr DWORD kTickMs = 100;

  // Runs job on the thread and answers what it returns; what it throws is
  // thrown here. If answer or tick throws, stop is set and the job awaited.
  template <class Job>
  std::invoke_result_t<Job> Run(Job job) {
    using Result = std::invoke_result_t<Job>;
    if constexpr (std::is_void_v<Result>) {
      RunJob(std::move(job));
    } else {
      std::optional<Result> result;
      RunJob([&result, job = std::move(job)]() mutable { result.emplace(job()); });
      return *std::move(result);
    }
  }

  // Until no job runs, letting only sent messages and painting through: a
  // handler reached from here must not start anything.
  void AwaitIdle() noexcept;

  // Once no job runs, job on the thread, awaited as AwaitIdle awaits; for the
  // session's end, which comes in the middle of anything. job must not throw.
  void RunQuietly(std::function<void()> job) noexcept;

  // Between jobs: what a tick does from now on.
  void SetTick(std::function<void()> tick) { tick_ = std::move(tick); }

 private:
  static DWORD WINAPI Main(void* self);
  void RunJob(std::function<void()> job);
  void Hand(std::function<void()> job);  // to the thread, which is idle

  std::atomic<bool>& stop_;
  std::function<bool()> answer_;
  std::function<void()> tick_;
  base::ScopedHandle wake_;  // auto-reset: a job was handed over, or the thread is to end
  base::ScopedHandle idle_;  // manual-reset: set while no job runs
  base::ScopedHandle thread_;
  // Handed over with wake_ and given back with idle_, whose signals order
  // the two threads' accesses.
  std::function<void()> job_;
  std::exception_ptr failure_;
  bool quit_ = false;
  bool running_ = false;  // a Run waits for its job
};

}  // namespace conversion
