// A second program beside a test, so that two programs meet at one index as
// two copies of LugeonTransfer do:
//   index_writer run <source> <destination> <prefix> <milliseconds>
//     runs Execute headless for the tests <prefix>01 .. <prefix>25, again and
//     again for that long, every overwrite question answered Yes; ends with 1
//     and the reason when a run asks anything else or does not complete.
//   index_writer hold <destination>
//     takes the destination's index lock and keeps it until it is ended.
#include <windows.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "base/strconv.h"
#include "conversion/execute.h"
#include "conversion/index_file.h"
#include "support/fake_view.h"

namespace {

int RunAgainAndAgain(const std::wstring& source, const std::wstring& destination, const std::wstring& prefix,
                     ULONGLONG milliseconds) {
  std::vector<std::wstring> tests;
  for (int k = 1; k <= 25; ++k) tests.push_back(prefix + (k < 10 ? L"0" : L"") + std::to_wstring(k));
  const ULONGLONG until = GetTickCount64() + milliseconds;
  int rounds = 0;
  do {
    conversiontest::FakeView view(source, destination, std::deque<int>(tests.size(), base::kIdYes));
    std::int16_t done = 0;
    conversion::Command1_Click(view, tests, done);
    for (const auto& prompt : view.prompts()) {
      if (prompt.buttons != base::Buttons::YesNo) {
        std::printf("round %d asked: %s\n", rounds + 1, base::TryToUtf8(prompt.text).value_or("?").c_str());
        return 1;
      }
    }
    if (done != 1) {
      std::printf("round %d did not complete\n", rounds + 1);
      return 1;
    }
    ++rounds;
  } while (GetTickCount64() < until);
  std::printf("%d rounds\n", rounds);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 5 && args[0] == L"run") return RunAgainAndAgain(args[1], args[2], args[3], std::wcstoull(args[4].c_str(), nullptr, 10));
  if (args.size() == 2 && args[0] == L"hold") {
    const base::ScopedFile lock = conversion::LockIndex(args[1] + L"\\", 0);
    if (!lock.valid()) return 2;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(INFINITE);
  }
  std::printf("usage: index_writer run <source> <destination> <prefix> <milliseconds> | hold <destination>\n");
  return 2;
}
