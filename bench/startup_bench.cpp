// Times the start of LugeonTransfer.exe, with its data root PATDAT beside it,
// against a minimal window program (minimal_window.exe) that shows one window
// of the same outer size, and, for information, against the floor
// (controls_window.exe: the same window with the program's controls, font and
// manifest, and nothing else). All are copied into P:\startbench and started
// from there the same way, round after round in alternating order; prints the
// medians. The last line is "startup ratio <x.xx>": program over minimal.
//
//   startup_bench [rounds]      (default 5; needs an X display under Wine)
//
// A start is timed from CreateProcessW until the window is shown and the
// process idle: WaitForInputIdle first (it blocks without polling, which
// would take time from the starting process), but it can return before the
// window is shown (seen on a cold start), so the window is then polled for,
// and once it is shown WaitForInputIdle again and a WM_NULL sent to it, which
// returns once its thread is back in its message loop. Then the window is
// closed with WM_CLOSE and the process awaited (not timed).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "bench_support.h"

namespace {

using bench::Median;
using bench::WriteFileBytes;

constexpr wchar_t kFolder[] = L"P:\\startbench";
const wchar_t* const kPrograms[] = {L"LugeonTransfer.exe", L"minimal_window.exe", L"controls_window.exe"};

std::wstring BesideThisProgram(const std::wstring& name) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

// Only what MakeFolder made.
void RemoveFolder() {
  const std::wstring folder = kFolder;
  DeleteFileW((folder + L"\\PATDAT\\kishitu.txt").c_str());
  RemoveDirectoryW((folder + L"\\PATDAT").c_str());
  for (const wchar_t* program : kPrograms) DeleteFileW((folder + L"\\" + program).c_str());
  RemoveDirectoryW(kFolder);
}

bool MakeFolder() {
  const std::wstring folder = kFolder;
  if (!CreateDirectoryW(kFolder, nullptr) || !CreateDirectoryW((folder + L"\\PATDAT").c_str(), nullptr) ||
      !WriteFileBytes(folder + L"\\PATDAT\\kishitu.txt", "soil\r\n"))
    return false;
  for (const wchar_t* program : kPrograms)
    if (!CopyFileW(BesideThisProgram(program).c_str(), (folder + L"\\" + program).c_str(), FALSE)) return false;
  return true;
}

struct FindShown {
  DWORD pid;
  const wchar_t* windowClass;
  HWND found;
};

BOOL CALLBACK FindShownProc(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<FindShown*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid != search->pid || std::wstring(name) != search->windowClass || !IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

struct Start {
  double seconds = 0;  // from CreateProcessW until shown and idle
  RECT outer{};
  bool ok = false;
};

// Starts program (in kFolder, its current folder too) and waits for its
// shown, idle window of windowClass; then closes it.
Start TimeStart(const std::wstring& program, const std::wstring& arguments, const wchar_t* windowClass) {
  Start start;
  const std::wstring path = std::wstring(kFolder) + L"\\" + program;
  std::wstring commandLine = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const auto begin = std::chrono::steady_clock::now();
  const auto since = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(); };
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, kFolder, &startup,
                      &info))
    return start;
  CloseHandle(info.hThread);
  WaitForInputIdle(info.hProcess, 30000);
  FindShown search{info.dwProcessId, windowClass, nullptr};
  while (search.found == nullptr && since() < 30 && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
    EnumWindows(&FindShownProc, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) Sleep(1);
  }
  if (search.found != nullptr) {
    DWORD_PTR result = 0;
    start.ok = WaitForInputIdle(info.hProcess, 30000) == 0 &&
               SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
    start.seconds = since();
    GetWindowRect(search.found, &start.outer);
    PostMessageW(search.found, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(info.hProcess, 10000) == WAIT_TIMEOUT) {
    TerminateProcess(info.hProcess, 99);  // our own child, stuck
    WaitForSingleObject(info.hProcess, 10000);
    start.ok = false;
  }
  CloseHandle(info.hProcess);
  return start;
}

struct Program {
  const char* name;
  const wchar_t* file;
  const wchar_t* windowClass;
  std::vector<double> times;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  RemoveFolder();  // what an interrupted run left
  if (!MakeFolder()) {
    std::printf("cannot make %ls (error %lu)\n", kFolder, GetLastError());
    RemoveFolder();
    return 1;
  }

  std::vector<Program> programs = {{"minimal", L"minimal_window.exe", L"LugeonReferenceWindow", {}},
                                   {"floor", L"controls_window.exe", L"LugeonReferenceWindow", {}},
                                   {"program", L"LugeonTransfer.exe", app::kForm1Class, {}}};
  // The program's untimed first start gives the outer size of the others.
  const Start first = TimeStart(L"LugeonTransfer.exe", L"", app::kForm1Class);
  if (!first.ok) {
    std::printf("LugeonTransfer.exe did not show an idle window (is there an X display?)\n");
    RemoveFolder();
    return 1;
  }
  const int width = first.outer.right - first.outer.left;
  const int height = first.outer.bottom - first.outer.top;
  const std::wstring size = std::to_wstring(width) + L" " + std::to_wstring(height);
  std::printf("windows of %d x %d pixels, started from %ls\n", width, height, kFolder);

  // Round 0 is untimed: every program then starts from the same warm caches.
  for (int round = 0; round <= rounds; ++round) {
    // Alternate the order so that no program always starts first.
    std::vector<Program*> order;
    for (Program& program : programs) order.push_back(&program);
    if (round % 2 == 0) std::reverse(order.begin(), order.end());
    for (Program* program : order) {
      const bool isProgram = program == &programs.back();
      const Start start = TimeStart(program->file, isProgram ? L"" : size, program->windowClass);
      if (!start.ok) {
        std::printf("%ls did not show an idle window (is there an X display?)\n", program->file);
        RemoveFolder();
        return 1;
      }
      if (round == 0) continue;
      program->times.push_back(start.seconds);
    }
    if (round == 0) continue;
    std::printf("round %d:", round);
    for (const Program& program : programs)
      std::printf(" %s %.3f s", program.name, program.times.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  RemoveFolder();

  for (const Program& program : programs)
    std::printf("median %-7s %.3f s\n", program.name, Median(program.times));
  const double minimal = Median(programs[0].times);
  const double floor = Median(programs[1].times);
  const double program = Median(programs[2].times);
  std::printf("floor over minimal %.2f, program over floor %.2f\n", floor / minimal, program / floor);
  std::printf("startup ratio %.2f\n", program / minimal);
  return 0;
}
