#pragma once
// The run past its checks: the selected tests one after the other, each
// asked about, copied and entered into the destination's index, the file work
// on the run's worker thread while the window answers and shows the progress.
#include <atomic>
#include <string>
#include <vector>

#include "conversion/execute.h"
#include "conversion/worker.h"

namespace conversion {

// Every file call on the run's worker, every question and message on the
// window's thread. False after an orderly stop, whose message is shown;
// throws on a failure.
bool TransferTests(RunView& view, Worker& worker, std::atomic<bool>& stop, const std::wstring& sourcePrefix,
                   const std::wstring& destPrefix, const std::vector<std::wstring>& tests);

}  // namespace conversion
