// Times the Execute run (conversion::Command1_Click, every question answered
// Yes) copying 25 tests into (a) an empty folder and (b) one that already
// holds the 25 tests and an index of 80 records, against bare CopyFileW of the
// same 75 files into the same kind of folder, in the same run, round after
// round in alternating order, and prints the medians. Besides, for
// information: the floor, what a durable transfer cannot skip (the same
// CopyFileW calls, a flush of each file and the durable index replace after
// each test, with content made beforehand), and robocopy (xcopy
// where robocopy copies nothing) started as a child process. The last line is
// "execute ratio <x.xx>": the larger of run (a) and run (b) over CopyFileW.
// With "big", 4 tests with data files of 256 MB go into an empty folder, the
// run (with its progress dialog) against CopyFileW and the floor, and the
// last line is "big execute ratio <x.xx>".
//
//   execute_bench [big] [rounds]      (default 5)
//
// Everything lives in P:\execbench (source and destinations on the same
// drive) and is removed at the end.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/progress_dialog.h"
#include "base/scoped.h"
#include "bench_support.h"
#include "conversion/execute.h"
#include "conversion/file_io.h"

namespace {

using bench::Median;
using bench::RemoveTree;
using bench::Seconds;
using bench::WriteFileBytes;

constexpr wchar_t kRoot[] = L"P:\\execbench";
constexpr wchar_t kSource[] = L"P:\\execbench\\src";
// What is copied: 25 tests with data files of 1 MB, or with "big" 4 tests
// with data files of 256 MB.
struct Load {
  int tests;
  size_t dataBytes;
};
Load load{25, 1 << 20};
constexpr int kIndexRecords = 80;  // in destination (b): 55 other tests and the 25
constexpr size_t kHeaderBytes = 1024;
constexpr size_t kNotesBytes = 16 * 1024;
const wchar_t* const kExtensions[] = {L".HED", L".GRA", L".TXT"};

int TestNumber(int i) { return 3001 + i; }
std::wstring TestName(int i) { return std::to_wstring(TestNumber(i)); }

// The fifth header field, in hundredths: a different value for each test.
int HeaderHundredths(int i) { return (i * 3719) % 50000 + 25; }

std::string Hundredths(int value) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d", value / 100, value % 100);
  return text;
}

std::string Filled(std::string text, size_t size, char fill) {
  text.resize(size, fill);
  return text;
}

// The header is a line of fields (the fifth is the value) and a remark that
// brings it to about 1 KB; the data file and the notes are plain bytes.
bool MakeSource() {
  RemoveTree(kRoot);
  if (!CreateDirectoryW(kRoot, nullptr) || !CreateDirectoryW(kSource, nullptr)) return false;
  for (int i = 0; i < load.tests; ++i) {
    const std::string value = Hundredths(HeaderHundredths(i));
    const std::string header = "\"LUGEON\",\"B-" + std::to_string(i + 1) + "\",\"2024/05/01\",12.5," + value +
                               ",3,\"remark\r\n";
    const std::wstring stem = std::wstring(kSource) + L"\\" + TestName(i);
    if (!WriteFileBytes(stem + L".HED", Filled(header, kHeaderBytes - 3, 'h') + "\"\r\n") ||
        !WriteFileBytes(stem + L".GRA", std::string(load.dataBytes, 'g')) ||
        !WriteFileBytes(stem + L".TXT", std::string(kNotesBytes, 'n')))
      return false;
  }
  return true;
}

std::wstring TestFile(const std::wstring& folder, int i, const wchar_t* extension) {
  return folder + L"\\" + TestName(i) + extension;
}

bool CopyTest(int i, const std::wstring& to) {
  for (const wchar_t* extension : kExtensions)
    if (!CopyFileW(TestFile(kSource, i, extension).c_str(), TestFile(to, i, extension).c_str(), FALSE)) return false;
  return true;
}

// Every file of the 25 tests, one after the other: the reference.
bool CopyAll(const std::wstring& to) {
  for (int i = 0; i < load.tests; ++i)
    if (!CopyTest(i, to)) return false;
  return true;
}

using Records = std::vector<std::pair<int, std::string>>;  // hundredths, test number

std::string IndexText(Records records) {
  std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string text;
  for (const auto& [value, name] : records) text += Hundredths(value) + "," + name + "\r\n";
  return text;
}

// The index of destination (b): the 25 tests with the given change of their
// values and 55 other tests.
std::string FullIndex(int change) {
  Records records;
  for (int i = 0; i < load.tests; ++i) records.push_back({HeaderHundredths(i) + change, std::to_string(TestNumber(i))});
  for (int i = 0; i < kIndexRecords - load.tests; ++i) records.push_back({(i * 5113) % 60000, std::to_string(5001 + i)});
  return IndexText(records);
}

// Destination (b): the 25 tests there already, with older values in an index
// of 80 records.
bool MakeFullDestination(const std::wstring& folder) {
  return CreateDirectoryW(folder.c_str(), nullptr) && CopyAll(folder) &&
         WriteFileBytes(folder + L"\\PCNT.TXT", FullIndex(150));
}

// What a durable transfer cannot skip: copy each test, flush each of its
// files, then replace the index durably, with content made beforehand.
bool CopyWithIndex(const std::wstring& to, const std::vector<std::string>& indexAfterTest) {
  for (int i = 0; i < load.tests; ++i) {
    if (!CopyTest(i, to)) return false;
    for (const wchar_t* extension : kExtensions) conversion::FlushToDisk(TestFile(to, i, extension), L"");
    // The durable replace that every commit makes of the index.
    const std::wstring index = to + L"\\PCNT.TXT";
    conversion::WriteDurably(index + L".new", indexAfterTest[static_cast<size_t>(i)], L"");
    conversion::RenameFile(index + L".new", index, true, L"", index);
  }
  return true;
}

bool FloorEmpty(const std::wstring& to) {
  static const std::vector<std::string> indexes = [] {
    std::vector<std::string> texts;
    Records records;
    for (int i = 0; i < load.tests; ++i) {
      records.push_back({HeaderHundredths(i), std::to_string(TestNumber(i))});
      texts.push_back(IndexText(records));
    }
    return texts;
  }();
  return CopyWithIndex(to, indexes);
}

bool FloorFull(const std::wstring& to) {
  static const std::vector<std::string> indexes(static_cast<size_t>(load.tests), FullIndex(0));
  return CopyWithIndex(to, indexes);
}

// The window as the run sees it, without a window: every question answered
// Yes, and the system's progress dialog as the program shows it.
class HeadlessView : public conversion::RunView {
 public:
  HeadlessView(std::wstring source, std::wstring destination)
      : source_(std::move(source)), destination_(std::move(destination)) {}
  std::wstring Text1() override { return source_; }
  std::wstring Text2() override { return destination_; }
  void SetLabel3(const std::wstring&) override {}
  void SetBusy(bool) override {}
  void DoEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  bool KeepAnswering() override {
    DoEvents();
    return true;
  }
  bool ShowProgress(const conversion::RunProgress& progress) override {
    if (!dialog_ && !delay_.Due()) return true;
    if (!dialog_) dialog_ = std::make_unique<app::ProgressDialog>(nullptr, app::ProgressDialog::Kind::Bar);
    return dialog_->ShowRun(progress);
  }
  void CloseProgress() override { dialog_.reset(); }
  void OnSessionEnd(std::function<void()>) override {}
  void EndRun(const std::wstring&) override { CloseProgress(); }
  int Show(const std::wstring& prompt, base::Buttons buttons, base::Icon,
           const std::optional<std::wstring>&) override {
    if (buttons == base::Buttons::Ok) std::printf("unexpected message: %ls\n", prompt.c_str());
    return buttons == base::Buttons::YesNo ? base::kIdYes : base::kIdOk;
  }

 private:
  std::wstring source_;
  std::wstring destination_;
  app::ProgressDelay delay_;
  std::unique_ptr<app::ProgressDialog> dialog_;
};

bool RunExecute(const std::wstring& to) {
  std::vector<std::wstring> tests;
  for (int i = 0; i < load.tests; ++i) tests.push_back(TestName(i));
  HeadlessView view(kSource, to);
  std::int16_t done = 0;
  conversion::Command1_Click(view, tests, done);
  return done == 1;
}

// The copier run as a child process: robocopy where it works; Wine 8.0's
// robocopy.exe is a stub that copies nothing (exit code 16), so xcopy then.
std::wstring childCopier = L"robocopy.exe";

bool RunChildCopier(const std::wstring& to) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                           nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = nul;
  startup.hStdError = nul;
  std::wstring commandLine = childCopier + L" \"" + kSource + L"\" \"" + to + L"\"";
  if (childCopier == L"xcopy.exe") commandLine += L" /Q /Y";
  PROCESS_INFORMATION info{};
  const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &info);
  CloseHandle(nul);
  if (!started) return false;
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;  // whether it copied is checked afterwards
}

// Every file of the 25 tests is in folder.
bool AllCopied(const std::wstring& folder) {
  for (int i = 0; i < load.tests; ++i)
    for (const wchar_t* extension : kExtensions)
      if (GetFileAttributesW(TestFile(folder, i, extension).c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
  return true;
}

struct Side {
  const char* name;
  bool (*prepare)(const std::wstring& folder);  // untimed
  bool (*work)(const std::wstring& folder);     // timed
  std::vector<double> times;
};

bool MakeEmpty(const std::wstring& folder) { return CreateDirectoryW(folder.c_str(), nullptr) != FALSE; }

}  // namespace

int main(int argc, char** argv) {
  const base::ScopedComApartment com;  // the run's progress dialog, as on the program's window thread
  const bool big = argc > 1 && std::string(argv[1]) == "big";
  if (big) load = Load{4, size_t{256} << 20};
  const int rounds = argc > (big ? 2 : 1) ? std::max(1, std::atoi(argv[big ? 2 : 1])) : 5;
  if (!MakeSource()) {
    std::printf("cannot make %ls (error %lu)\n", kSource, GetLastError());
    return 1;
  }
  std::printf("source %ls: %d tests of %zu + %zu + %zu bytes\n", kSource, load.tests, kHeaderBytes, load.dataBytes,
              kNotesBytes);

  std::vector<Side> sides;
  if (big) {
    sides = {{"copy", MakeEmpty, CopyAll, {}}, {"run", MakeEmpty, RunExecute, {}}, {"floor", MakeEmpty, FloorEmpty, {}}};
  } else {
    const std::wstring probe = std::wstring(kRoot) + L"\\probe";
    if (!(MakeEmpty(probe) && RunChildCopier(probe) && AllCopied(probe))) {
      std::printf("robocopy.exe copies nothing here: xcopy.exe instead\n");
      childCopier = L"xcopy.exe";
    }
    std::printf("child copier: %ls\n", childCopier.c_str());
    RemoveTree(probe);
    // (a) an empty destination, (b) one that holds the 25 tests and an index.
    sides = {{"copy (a)", MakeEmpty, CopyAll, {}},
             {"run (a)", MakeEmpty, RunExecute, {}},
             {"floor (a)", MakeEmpty, FloorEmpty, {}},
             {"copy (b)", MakeFullDestination, CopyAll, {}},
             {"run (b)", MakeFullDestination, RunExecute, {}},
             {"floor (b)", MakeFullDestination, FloorFull, {}},
             {"child (a)", MakeEmpty, RunChildCopier, {}}};
  }
  // Round 0 is untimed: every side then starts from the same warm caches.
  for (int round = 0; round <= rounds; ++round) {
    // Alternate the order so that no side always runs first.
    std::vector<Side*> order;
    for (Side& side : sides) order.push_back(&side);
    if (round % 2 == 0) std::reverse(order.begin(), order.end());
    std::vector<std::wstring> made;
    for (Side* side : order) {
      const std::wstring folder = std::wstring(kRoot) + L"\\" + std::to_wstring(made.size());
      made.push_back(folder);
      bool ok = side->prepare(folder);
      const double seconds = Seconds([&] {
        try {
          ok = ok && side->work(folder);
        } catch (...) {
          ok = false;  // the run shows its own failures; the floor's replace throws
        }
      });
      if (!ok || !AllCopied(folder)) {
        std::printf("%s failed in round %d (error %lu)\n", side->name, round, GetLastError());
        RemoveTree(kRoot);
        return 1;
      }
      if (round > 0) side->times.push_back(seconds);
    }
    for (const std::wstring& folder : made) RemoveTree(folder);
    if (round == 0) continue;
    std::printf("round %d:", round);
    for (const Side& side : sides) std::printf(" %s %.3f s", side.name, side.times.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  RemoveTree(kRoot);

  std::vector<double> medians;
  for (const Side& side : sides) {
    medians.push_back(Median(side.times));
    std::printf("median %-9s %.3f s\n", side.name, medians.back());
  }
  if (big) {
    std::printf("run over its floor (CopyFileW, a flush of each file, the durable index replace) %.2f, "
                "floor over CopyFileW %.2f\n",
                medians[1] / medians[2], medians[2] / medians[0]);
    std::printf("big execute ratio %.2f\n", medians[1] / medians[0]);
    return 0;
  }
  const double a = medians[1] / medians[0];
  const double b = medians[4] / medians[3];
  std::printf("against CopyFileW into an empty folder: run (a) %.2f, floor (a) %.2f, %ls %.2f, run (b) %.2f\n", a,
              medians[2] / medians[0], childCopier.c_str(), medians[6] / medians[0], medians[4] / medians[0]);
  std::printf("against CopyFileW over the same files: run (b) %.2f, floor (b) %.2f\n", b, medians[5] / medians[3]);
  std::printf("the tool's own overhead: run over its floor (a) %.2f, (b) %.2f; %ls over CopyFileW %.2f\n",
              medians[1] / medians[2], medians[4] / medians[5], childCopier.c_str(), medians[6] / medians[0]);
  std::printf("execute ratio %.2f\n", std::max(a, b));
  return 0;
}
