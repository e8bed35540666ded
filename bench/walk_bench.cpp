// Times the data-root walk of a whole drive (SearchFolderTree over P:, with
// the start-up's progress dialog) against a bare recursive FindFirstFileW
// walk of the same folders, in the
// same run, round after round, and prints the medians. The last line is
// "walk ratio <x.xx>": walk time over bare time; the line before it gives the
// ratio against a bare walk with the fastest documented search.
//
//   walk_bench [rounds]      (default 5)
//
// The tree (P:\walkbench, 22,620 folders) is made on the first run and
// reused while its completion mark is there.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/search_progress.h"
#include "base/scoped.h"
#include "bench_support.h"
#include "dataroot/dataroot.h"

namespace {

using bench::Median;
using bench::RemoveTree;
using bench::Seconds;

constexpr wchar_t kTree[] = L"P:\\walkbench";
constexpr wchar_t kDone[] = L"P:\\walkbench\\complete.txt";
constexpr int kFanOut = 12;  // 12 + 144 + 1,728 + 20,736 folders
constexpr int kLevels = 4;

// Folder names of several kinds, Japanese among them.
std::wstring FolderName(int level, int index) {
  static const wchar_t* const kStems[] = {L"data", L"表", L"ソフト", L"Lugeon", L"能力試験", L"backup"};
  return kStems[(level + index) % 6] + std::to_wstring(index);
}

long MakeTree(const std::wstring& folder, int level) {
  long made = 0;
  if (level > 0) bench::WriteFileBytes(folder + L"\\notes.txt", "walk bench\r\n");
  if (level == kLevels) return made;
  for (int i = 0; i < kFanOut; ++i) {
    const std::wstring sub = folder + L"\\" + FolderName(level, i);
    if (CreateDirectoryW(sub.c_str(), nullptr)) ++made;
    made += MakeTree(sub, level + 1);
  }
  return made;
}

void EnsureTree() {
  if (GetFileAttributesW(kDone) != INVALID_FILE_ATTRIBUTES) {
    std::printf("tree P:\\walkbench: reused\n");
    return;
  }
  RemoveTree(kTree);  // an unfinished tree of an earlier run
  long made = 0;
  const double seconds = Seconds([&] {
    CreateDirectoryW(kTree, nullptr);
    made = MakeTree(kTree, 0) + 1;
    // One data root deep inside, so the walk also records a hit.
    const std::wstring root =
        std::wstring(kTree) + L"\\" + FolderName(0, 7) + L"\\" + FolderName(1, 3) + L"\\PATDAT";
    CreateDirectoryW(root.c_str(), nullptr);
    bench::WriteFileBytes(root + L"\\kishitu.txt", "1");
    bench::WriteFileBytes(kDone, "complete\r\n");
  });
  std::printf("tree P:\\walkbench: made %ld folders in %.1f s\n", made, seconds);
}

// The reference: every folder listed once, links and hidden folders left out
// as the data-root walk leaves them out; with FindFirstFileW, or with the
// fastest documented search (no 8.3 names, large reads).
long BareWalk(const std::wstring& folder, bool fastest) {
  long folders = 1;
  WIN32_FIND_DATAW data;
  const std::wstring spec = folder + L"\\*.*";
  HANDLE find = fastest ? FindFirstFileExW(spec.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH)
                        : FindFirstFileW(spec.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return folders;
  do {
    const DWORD attributes = data.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN)) continue;
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    folders += BareWalk(folder + L"\\" + name, fastest);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return folders;
}

}  // namespace

int main(int argc, char** argv) {
  const base::ScopedComApartment com;  // the search's progress dialog, as on the program's window thread
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  EnsureTree();

  long folders = 0;
  std::vector<std::wstring> hits;
  // The walk as the program makes it at start-up: the window's pass of pending
  // events as Form1::DoEvents makes it, and the progress dialog that comes
  // after a second and is brought up to date a few times a second.
  const auto pendingEvents = [] {
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  };
  auto bare = [&] { folders = BareWalk(L"P:", false); };
  auto fastest = [&] { BareWalk(L"P:", true); };
  auto walk = [&] {
    hits.clear();
    app::SearchProgress search(pendingEvents);
    dataroot::SearchFolderTree(L"P:\\PATDAT", L"\\kishitu.txt", hits, search.WalkCallback());
  };
  // One untimed pass of each: all then start from the same warm caches.
  bare();
  fastest();
  walk();
  std::printf("drive P: %ld folders, %zu data root(s)\n", folders, hits.size());

  // Each round runs the three in another order, so that none always comes first.
  struct Side {
    const char* name;
    std::function<void()> work;
    std::vector<double> times;
  };
  std::vector<Side> sides{{"bare", bare, {}}, {"fastest", fastest, {}}, {"walk", walk, {}}};
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d:", round);
    for (size_t k = 0; k < sides.size(); ++k) {
      Side& side = sides[(k + static_cast<size_t>(round)) % sides.size()];
      side.times.push_back(Seconds(side.work));
      std::printf(" %s %.3f s", side.name, side.times.back());
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  const double bareMedian = Median(sides[0].times);
  const double fastestMedian = Median(sides[1].times);
  const double walkMedian = Median(sides[2].times);
  const auto perFolder = [&](double seconds) { return seconds * 1e6 / static_cast<double>(folders); };
  std::printf("median: bare %.3f s (%.1f us per folder), fastest %.3f s (%.1f us), walk %.3f s (%.1f us)\n",
              bareMedian, perFolder(bareMedian), fastestMedian, perFolder(fastestMedian), walkMedian,
              perFolder(walkMedian));
  std::printf("walk ratio against FindFirstFileExW (basic, large fetch) %.2f\n", walkMedian / fastestMedian);
  std::printf("walk ratio %.2f\n", walkMedian / bareMedian);
  return 0;
}
