#include "conversion/execute.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/message_box.h"
#include "base/messages.h"
#include "base/paths.h"
#include "conversion/file_io.h"
#include "conversion/transfer.h"
#include "conversion/worker.h"
#include "fileutil/destpath.h"
#include "textutil/fields.h"

namespace conversion {
namespace {

using namespace base::text;
using base::Buttons;
using base::Icon;

// Ends the run once, however it ends: the message line says how it ended,
// nothing unless it completed, and a busy pointer goes back to the default.
class RunGuard {
 public:
  explicit RunGuard(RunView& view) : view_(view) {}
  ~RunGuard() { End(L""); }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  void Busy() {
    busy_ = true;
    view_.SetBusy(true);
  }

  void End(const std::wstring& messageLine) noexcept {
    if (std::exchange(ended_, true)) return;
    try {
      view_.EndRun(messageLine);
      if (busy_) view_.SetBusy(false);
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }

 private:
  RunView& view_;
  bool busy_ = false;
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
// level from the top down, on the worker. False when the user answers No,
// or stops the run while the worker looks.
bool ProvideDestinationFolders(RunView& view, Worker& worker, const std::atomic<bool>& stop,
                               const std::wstring& validated) {
  const std::vector<std::wstring> levels = Levels(validated);
  const auto missing = worker.Run([&levels] {
    return std::find_if(levels.begin(), levels.end(), [](const std::wstring& level) { return !PathExists(level); });
  });
  if (stop) return false;
  if (missing == levels.end()) return true;
  const int answer = view.Show(kCreateFolders, Buttons::YesNo, Icon::Question);
  if (answer == base::kIdNo) return false;
  // Below the first missing level nothing can be there yet; a level made
  // meanwhile by someone else is taken as it is.
  if (answer == base::kIdYes)
    worker.Run([&] {
      for (auto level = missing; level != levels.end(); ++level) CreateFolder(*level);
    });
  return !stop;
}

// Nothing but spaces, of either width: no folder was chosen.
bool IsBlank(const std::wstring& text) { return text.find_first_not_of(L" \u3000") == std::wstring::npos; }

// The run's steps; false after an orderly stop.
bool Run(RunView& view, RunGuard& guard, const std::vector<std::wstring>& selectedTests) {
  view.SetLabel3(kInProgress);
  view.DoEvents();
  // The run's own copies of the paths: the window answers while it copies.
  const std::wstring destination = view.Text2();
  std::wstring validated = destination;
  // From here on every file call is the worker's, Cancel and Exit included:
  // they end the run as a refusal does.
  std::atomic<bool> stop{false};
  Worker worker(stop, [&view] { return view.KeepAnswering(); }, [&view, &stop] {
    if (!view.ShowProgress({L"", L"", 0, 0})) stop = true;
  });
  const auto changeDrive = [&worker](wchar_t letter) {
    return worker.Run([letter] { return fileutil::ChangeDrive(letter); });
  };
  if (!fileutil::ValidateDestPath(validated, view, changeDrive))
    return stop ? false : StopWith(view, kBadPath, Icon::Warning, destination);

  const std::wstring source = view.Text1();
  if (IsBlank(source)) return StopWith(view, kNoSource, Icon::None);
  if (!ProvideDestinationFolders(view, worker, stop, validated)) return false;
  if (selectedTests.empty()) return StopWith(view, kNoTest, Icon::None);

  guard.Busy();
  // The checked form of the destination (trimmed, "\" after the drive): the
  // folder the run has just made sure of is the one it copies into.
  return TransferTests(view, worker, stop, base::FolderPrefix(source), base::FolderPrefix(validated), selectedTests);
}

}  // namespace

void Command1_Click(RunView& view, const std::vector<std::wstring>& selectedTests,
                    std::int16_t& doneMessageShown) noexcept {
  RunGuard guard(view);
  try {
    const std::vector<std::wstring> selection = selectedTests;  // the run's own, whatever the window does
    if (!Run(view, guard, selection)) return;
    doneMessageShown = 1;
    guard.End(kDone);
  } catch (...) {
    // A failed run: ended without the completion text, then the reason shown.
    doneMessageShown = 0;
    guard.End(L"");
    try {
      base::ShowFailure(view, std::current_exception());
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }
}

}  // namespace conversion
