#pragma once
// The run's one background thread (Raymond Chen's pattern). The window's thread, an STA that owns
// the progress dialog, hands it one job at a time, which the worker owns, and waits for it in
// MsgWaitForMultipleObjectsEx, answering its messages. Run never returns or throws while the job
// runs: a failure on the window's side sets the stop flag and awaits the job, letting only sent
// messages and painting through. The thread is joined when the Worker goes, and no other is started.
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
  // messages. tick: called every kTickMs while a job runs.
  Worker(std::atomic<bool>& stop, std::function<void()> answer, std::function<void()> tick);
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

 private:
  static DWORD WINAPI Main(void* self);
  void RunJob(std::function<void()> job);

  std::atomic<bool>& stop_;
  std::function<void()> answer_;
  std::function<void()> tick_;
  base::ScopedHandle wake_;  // auto-reset: a job was handed over, or the thread is to end
  base::ScopedHandle idle_;  // manual-reset: set while no job runs
  base::ScopedHandle thread_;
  // Handed over with wake_ and given back with idle_, whose signals order
  // the two threads' accesses.
  std::function<void()> job_;
  std::exception_ptr failure_;
  bool quit_ = false;
};

}  // namespace conversion
