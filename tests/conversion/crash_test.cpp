// A power cut at every file call of a run, and of the mending after it (each
// of its calls cut in turn, then mended again): every test is found whole,
// in its previous state or its new one, and the index holds every record.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "conversion/execute.h"
#include "conversion/index_file.h"
#include "conversion/recovery.h"
#include "support/fake_view.h"
#include "support/power_cut.h"
#include "support/test_support.h"

using testsupport::PowerCut;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

using State = std::map<std::wstring, std::string>;  // a folder's file names and bytes

// Replaced: T1, two files before and three after (T1.TXT a new name); T2 and its record beside it.
const State kBefore{{L"T1.HED", "old,b,c,d,1\r\n"}, {L"T1.GRA", "old data"},  {L"T2.HED", "a,b,c,d,2\r\n"},
                    {L"T2.GRA", "data of T2"},      {L"PCNT.TXT", "1.00,T1\r\n2.00,T2\r\n"}};
const State kSource{{L"T1.HED", "a,b,c,d,5\r\n"}, {L"T1.GRA", "new data of T1"}, {L"T1.TXT", "new notes"},
                    {L"T3.HED", "a,b,c,d,3\r\n"}, {L"T3.GRA", "data of T3"}};

State With(State state, const State& changes) {
  for (const auto& [name, bytes] : changes) state[name] = bytes;
  return state;
}

const State kT1Replaced = With(kBefore, {{L"T1.HED", "a,b,c,d,5\r\n"}, {L"T1.GRA", "new data of T1"},
                                         {L"T1.TXT", "new notes"}, {L"PCNT.TXT", "2.00,T2\r\n5.00,T1\r\n"}});
const State kT3Added = With(kBefore, {{L"T3.HED", "a,b,c,d,3\r\n"}, {L"T3.GRA", "data of T3"},
                                      {L"PCNT.TXT", "1.00,T1\r\n2.00,T2\r\n3.00,T3\r\n"}});
const State kBoth = With(kT1Replaced, {{L"T3.HED", "a,b,c,d,3\r\n"}, {L"T3.GRA", "data of T3"},
                                       {L"PCNT.TXT", "2.00,T2\r\n3.00,T3\r\n5.00,T1\r\n"}});

struct Scenario {
  const char* name = "";
  std::vector<std::wstring> tests{};
  State extra{};                   // files beside the tests before the run
  std::set<std::wstring> leave{};  // a live run's files: never touched
  std::vector<State> whole{};      // what the folder may hold once mended
  int calls = 0;                   // counted calls of a run that is not cut, on either disk
  int fatCalls = 0;
};

std::wstring Describe(const std::wstring& call, PowerCut::At way) {
  const wchar_t* const ways[] = {L"happens", L"dropped", L"torn in half", L"torn with a zero tail"};
  return call + L", " + ways[static_cast<int>(way)];
}

// A flush changes no name or byte that the folder shows: one way is enough.
std::vector<PowerCut::At> Ways(const std::wstring& call, bool torn) {
  if (call.starts_with(L"Flush")) return {PowerCut::At::Happens};
  if (torn && (call.starts_with(L"Write") || call.starts_with(L"Copy")))
    return {PowerCut::At::Happens, PowerCut::At::Dropped, PowerCut::At::TornHalf, PowerCut::At::TornZeroTail};
  return {PowerCut::At::Happens, PowerCut::At::Dropped};
}

// Work done with the disk cut at call k (0: not cut); the calls it counted.
std::vector<std::wstring> Counted(int k, PowerCut::At way, bool fat, const std::function<void()>& work) {
  PowerCut cut(k, way, fat);
  work();
  return cut.calls();
}

class Crash : public testing::Test {
 protected:
  std::wstring root = testsupport::ScratchFolder();
  std::wstring src = root + L"\\src";
  std::wstring dst = root + L"\\dst";
  std::wstring prefix = dst + L"\\";
  std::set<std::wstring> leave;  // a live run's files
  HANDLE liveMarker = INVALID_HANDLE_VALUE;  // another program's, or one of this PC that the cut ends too
  std::function<void()> beforeRun, afterRun;

  void SetUp() override {
    testsupport::MakeFolders(src);
    testsupport::MakeFolders(dst);
    for (const auto& [name, bytes] : kSource) WriteBytes(src + L"\\" + name, bytes);
  }
  void TearDown() override { CloseHandle(liveMarker); }

  State Contents() const {
    State state;
    for (const std::wstring& name : testsupport::FolderContents(dst))
      if (!leave.count(name)) state[name] = ReadBytes(dst + L"\\" + name);
    return state;
  }
  // The folder's files kept in store with their times and attributes; and put back.
  void Save(const std::wstring& store) {
    testsupport::RemoveTree(store);
    testsupport::MakeFolders(store);
    for (const auto& [name, bytes] : Contents())
      ASSERT_TRUE(CopyFileW((dst + L"\\" + name).c_str(), (store + L"\\" + name).c_str(), TRUE));
  }
  void PutBack(const std::wstring& store) {
    for (const auto& [name, bytes] : Contents()) {
      SetFileAttributesW((dst + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      ASSERT_TRUE(DeleteFileW((dst + L"\\" + name).c_str()));
    }
    for (const std::wstring& name : testsupport::FolderContents(store))
      ASSERT_TRUE(CopyFileW((store + L"\\" + name).c_str(), (dst + L"\\" + name).c_str(), TRUE));
  }

  void RunTransfer(const Scenario& scenario) {
    if (beforeRun) beforeRun();
    conversiontest::FakeView view(src, dst, std::deque<int>(8, base::kIdYes));
    std::int16_t done = 0;
    conversion::Command1_Click(view, scenario.tests, done);
    if (afterRun) afterRun();
  }

  // What the next run does first: the lock, then the mending.
  conversion::Mending Mend() {
    const base::ScopedFile lock = conversion::LockIndex(prefix, 0);
    if (!lock.valid()) throw base::AppError(L"the lock is held");
    return conversion::MendFolder(prefix);
  }
  void TryMend() {
    try {
      Mend();
    } catch (const base::AppError&) {
    }
  }

  void ExpectWhole(const Scenario& scenario, const std::wstring& where) {
    SCOPED_TRACE(testing::PrintToString(where));
    conversion::Mending mended;
    try {
      mended = Mend();
    } catch (const base::AppError& error) {
      ADD_FAILURE() << error.what();
      return;
    }
    EXPECT_EQ(mended.stop, L"");
    const State now = Contents();
    EXPECT_NE(std::find(scenario.whole.begin(), scenario.whole.end(), now), scenario.whole.end())
        << testing::PrintToString(now);
    for (const std::wstring& name : leave) EXPECT_TRUE(testsupport::Exists(dst + L"\\" + name));
  }

  void CutEverywhere(const Scenario& scenario);
};

void Crash::CutEverywhere(const Scenario& scenario) {
  for (const auto& [name, bytes] : With(kBefore, scenario.extra)) WriteBytes(dst + L"\\" + name, bytes);
  leave = scenario.leave;
  const std::wstring before = root + L"\\before";
  const std::wstring dead = root + L"\\dead";
  Save(before);
  for (const bool fat : {false, true}) {
    SCOPED_TRACE(fat ? "replace = delete + rename" : "replace in one step");
    const auto run = [&] { RunTransfer(scenario); };
    const std::vector<std::wstring> calls = Counted(0, PowerCut::At::Happens, fat, run);
    // A call added to the run adds rows here.
    EXPECT_EQ(static_cast<int>(calls.size()), fat ? scenario.fatCalls : scenario.calls)
        << testing::PrintToString(calls);
    ExpectWhole(scenario, L"not cut");
    EXPECT_EQ(Contents(), scenario.whole.back()) << "a run that is not cut completes";
    int runCuts = 0, mendingCuts = 0;
    for (std::size_t k = 1; k <= calls.size(); ++k) {
      for (const PowerCut::At way : Ways(calls[k - 1], true)) {
        ++runCuts;
        const std::wstring row = L"run cut at " + std::to_wstring(k) + L" (" + Describe(calls[k - 1], way) + L")";
        PutBack(before);
        Counted(static_cast<int>(k), way, fat, run);
        Save(dead);
        const std::vector<std::wstring> mending = Counted(0, PowerCut::At::Happens, fat, [&] { TryMend(); });
        ExpectWhole(scenario, row + L", mended");
        for (std::size_t j = 1; j <= mending.size(); ++j) {
          for (const PowerCut::At again : Ways(mending[j - 1], false)) {
            PutBack(dead);
            ++mendingCuts;
            Counted(static_cast<int>(j), again, fat, [&] { TryMend(); });
            ExpectWhole(scenario, row + L", mending cut at " + std::to_wstring(j) + L" (" +
                                      Describe(mending[j - 1], again) + L"), mended again");
          }
        }
        if (HasFailure()) return;  // the first faulty row is enough to read
      }
    }
    std::printf("%s, %s: %d rows cut in the run, %d more in its mending\n", scenario.name,
                fat ? "replace = delete + rename" : "replace in one step", runCuts, mendingCuts);
    PutBack(before);
  }
}

}  // namespace

TEST_F(Crash, ATestReplacedBesideAnother) {
  CutEverywhere({.name = "replaced", .tests = {L"T1"}, .whole = {kBefore, kT1Replaced}, .calls = 27, .fatCalls = 28});
}

TEST_F(Crash, TwoTestsTheFirstCommitted) {
  CutEverywhere(
      {.name = "two", .tests = {L"T1", L"T3"}, .whole = {kBefore, kT1Replaced, kBoth}, .calls = 44, .fatCalls = 46});
}

// Another run's files (its marker held: it lives, or cannot be told from a
// live one) stay as they are.
TEST_F(Crash, ALiveRunsFilesStay) {
  WriteBytes(prefix + L"~lugeon_12345678_1.tmp", "a live run's copy");
  WriteBytes(prefix + L"~lugeon_12345678.tmp", "");
  liveMarker = CreateFileW((prefix + L"~lugeon_12345678.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(liveMarker, INVALID_HANDLE_VALUE);
  CutEverywhere({.name = "live",
                 .tests = {L"T1"},
                 .leave = {L"~lugeon_12345678_1.tmp", L"~lugeon_12345678.tmp"},
                 .whole = {kBefore, kT1Replaced},
                 .calls = 27,
                 .fatCalls = 28});
}

// A second copy of the program on the same PC was copying T3 when the power
// went: both runs are mended.
TEST_F(Crash, TwoDeadRuns) {
  const std::wstring marker = prefix + L"~lugeon_0a0a0a0a.tmp";
  beforeRun = [&] {
    liveMarker = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(liveMarker, INVALID_HANDLE_VALUE);
  };
  afterRun = [&] {
    CloseHandle(liveMarker);
    liveMarker = INVALID_HANDLE_VALUE;
  };
  CutEverywhere({.name = "two dead",
                 .tests = {L"T1"},
                 .extra = {{L"~lugeon_0a0a0a0a_1.tmp", "data of T3"}, {L"~lugeon_0a0a0a0a.tmp", ""}},
                 .whole = {kBefore, kT1Replaced},
                 .calls = 27,
                 .fatCalls = 28});
}

// 1.2.0 left its copies, two files it had moved aside (one name free, one
// taken) and its new index beside the index.
TEST_F(Crash, LeftoversOfTheOldVersion) {
  const State mended{{L"X.TXT", "notes of X"}, {L"~lugeon-0badf00d-3-T2.GRA.tmp", "older data of T2"}};
  CutEverywhere({.name = "1.2.0",
                 .tests = {L"T1"},
                 .extra = {{L"~lugeon-0badf00d.tmp", ""},
                           {L"~lugeon-0badf00d-1.tmp", "a copy"},
                           {L"~lugeon-0badf00d-2-X.TXT.tmp", "notes of X"},
                           {L"~lugeon-0badf00d-3-T2.GRA.tmp", "older data of T2"},
                           {L"PCNT.TXT.tmp", "1.00,T1\r\n"}},
                 .whole = {With(kBefore, mended), With(kT1Replaced, mended)},
                 .calls = 33,
                 .fatCalls = 34});
}
