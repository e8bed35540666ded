#include "conversion/execute.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "conversion/journal.h"
#include "conversion/worker.h"

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "base/file_calls.h"
#include "support/expected_texts.h"
#include "support/fake_view.h"
#include "support/hooked_calls.h"
#include "support/power_cut.h"
#include "support/test_support.h"

using conversiontest::FakeView;
using base::Buttons;
using base::Icon;
using base::kIdNo;
using base::kIdYes;
using testsupport::Exists;
using testsupport::FolderContents;
using testsupport::Prompts;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

using Names = std::vector<std::wstring>;
using Files = std::vector<std::pair<std::wstring, std::string>>;  // names and bytes

// The events a run starts with, and its end with or without the completion
// text. In an expected list kBox stands for the next message box of the run,
// whose text the row's boxes check.
const std::wstring kStarted = L"Label3:" + expected::kInProgress;
const std::wstring kCompleted = L"End:" + expected::kDone;
const std::wstring kEnded = L"End:";
const std::wstring kPointerBack = L"Default";  // after a busy time, the run's last step
const std::wstring kBox = L"Box:";

const std::string kHeader = "a,b,c,d,12.5\r\n";

// Polls until done() holds; false after ten seconds.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

// A file that nobody else may open while it lives.
class HeldOpen {
 public:
  HeldOpen(const std::wstring& path, DWORD access, DWORD share)
      : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
  }
  ~HeldOpen() { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

// index_writer.exe (tests/support) running beside this test program, its
// output kept in a file; ended when the object goes.
class Writer {
 public:
  Writer(const std::wstring& arguments, const std::wstring& output) : output_(output) {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"index_writer.exe";
    std::wstring command = L"\"" + program + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info))
        << GetLastError();
    CloseHandle(out);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
  ~Writer() { End(); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // The exit code, or STILL_ACTIVE after timeoutMs.
  DWORD Wait(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
    return code;
  }
  // As the Task Manager ends a program: at once, nothing of its own run.
  void End() {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
  }
  std::string Output() const { return ReadBytes(output_); }

 private:
  std::wstring output_;
  HANDLE process_ = nullptr;
};

// A message box of a run: its whole text or, where the system's reason
// follows, the head of it.
struct Box {
  std::wstring text;
  Buttons buttons;
  Icon icon;
  std::optional<std::wstring> caption = std::nullopt;
  bool head = false;
};

Box Question(const std::wstring& text) { return {text, Buttons::YesNo, Icon::Question}; }
// Every failure is shown so, with the system's reason after the head.
Box FailureBox(const std::wstring& head) { return {head, Buttons::Ok, Icon::Warning, std::nullopt, true}; }

// What a path holds after a run: nothing at all, a folder's names or a file's bytes.
struct Held {
  std::wstring path;
  std::variant<std::monostate, Names, std::string> what;
};
constexpr std::monostate kNothing{};

// One run of a table, from a fresh scratch folder that holds src, empty.
struct Row {
  const char* name = "";
  std::function<void(FakeView&)> prepare{};  // the folders, and the view's hooks
  std::optional<std::wstring> source{};       // Text1; none: src
  std::optional<std::wstring> destination{};  // Text2; none: dst
  Names selection{L"1234"};
  std::deque<int> answers{};
  std::vector<Box> boxes{};
  Names events{};
  std::int16_t doneBefore = 0;  // doneMessageShown as the run finds it
  std::int16_t done = 0;        // and as the run leaves it
  std::vector<Held> afterwards{};
  std::function<void(const FakeView&)> finish{};  // further checks; the clean-up of what is not in root
};

class Execute : public testing::Test {
 protected:
  std::wstring root = testsupport::ScratchFolder();
  std::wstring src = root + L"\\src";
  std::wstring dst = root + L"\\dst";
  std::wstring dstIndex = dst + L"\\PCNT.TXT";
  std::unique_ptr<HeldOpen> held;  // another program's hold on a file while a row's run lasts
  std::unique_ptr<testsupport::HookedCalls> faults;  // file calls that fail while a row's run lasts
  base::ScopedFile indexLock;      // another copy of the program's lock while a row's run lasts

  void SetUp() override { testsupport::MakeFolders(src); }

  // dst, holding these files already.
  void MakeDestination(const Files& files = {}) {
    testsupport::MakeFolders(dst);
    for (const auto& [name, bytes] : files) WriteBytes(dst + L"\\" + name, bytes);
  }

  // A test's header and data file in folder.
  static void AddTest(const std::wstring& folder, const std::wstring& t, const std::string& header) {
    WriteBytes(folder + L"\\" + t + L".HED", header);
    WriteBytes(folder + L"\\" + t + L".GRA", "data of the test");
  }

  std::int16_t Run(FakeView& view, const std::vector<std::wstring>& tests,
                   std::int16_t done = 0) {
    conversion::Command1_Click(view, tests, done);
    return done;
  }

  void Check(const Row& row);
};

void Execute::Check(const Row& row) {
  SCOPED_TRACE(row.name);
  testsupport::RemoveTree(root);
  testsupport::MakeFolders(src);
  FakeView view(row.source.value_or(src), row.destination.value_or(dst), row.answers);
  // Records the thread of every file call (a row's faults take its place).
  testsupport::PowerCut calls;
  if (row.prepare) row.prepare(view);
  EXPECT_EQ(Run(view, row.selection, row.doneBefore), row.done);
  EXPECT_EQ(calls.CallsOn(GetCurrentThreadId()), Names{}) << "file calls on the window's thread";
  faults.reset();
  held.reset();
  indexLock.reset();
  EXPECT_EQ(view.label3, row.done == 1 ? expected::kDone : std::wstring());

  const Prompts& shown = view.prompts();
  ASSERT_EQ(shown.size(), row.boxes.size()) << testing::PrintToString(shown);
  for (size_t i = 0; i < shown.size(); ++i) {
    const Box& box = row.boxes[i];
    testsupport::Prompt seen = shown[i];
    if (box.head && seen.text.starts_with(box.text)) seen.text = box.text;  // the system's reason is not compared
    EXPECT_EQ(seen, (testsupport::Prompt{box.text, box.buttons, box.icon, box.caption}));
  }
  Names events = row.events;
  size_t next = 0;
  for (std::wstring& event : events)
    if (event == kBox && next < shown.size()) event += shown[next++].text;
  EXPECT_EQ(view.events, events);

  for (const Held& after : row.afterwards) {
    SCOPED_TRACE(testing::PrintToString(after.path));
    if (const auto* names = std::get_if<Names>(&after.what)) {
      EXPECT_TRUE(Exists(after.path));
      EXPECT_EQ(FolderContents(after.path), *names);
    } else if (const auto* bytes = std::get_if<std::string>(&after.what)) {
      EXPECT_EQ(ReadBytes(after.path), *bytes);
    } else {
      EXPECT_FALSE(Exists(after.path));
    }
  }
  if (row.finish) row.finish(view);
}

}  // namespace

// Refusals, orderly stops and failures: the run ends once, without the
// completion text; a failure is shown after that end.
TEST_F(Execute, RunsThatStopEndWithoutTheCompletionText) {
  auto test1234 = [&](FakeView&) { AddTest(src, L"1234", kHeader); };
  const std::string utf8Index = "\xEF\xBB\xBF" "1.00,\xE8\xA1\xA8\r\n";  // with a byte-order mark, as editors save it
  const std::string either = "1.00,\xE8\xA1\xA8\xE5\xB1\xA4" "01\r\n";
  const Names refused{kStarted, L"DoEvents", kBox, kEnded};
  const Names failed{kStarted, L"DoEvents", L"Busy", kEnded, kPointerBack, kBox};
  const Names copyFailed{kStarted, L"DoEvents", L"Busy", kBox, kEnded, kPointerBack, kBox};
  std::wstring putBackHead = expected::CannotPutBack(dst + L"\\1234.HED", dst + L"\\~lugeon_");
  putBackHead.resize(putBackHead.size() - 2);  // the staged copy's name goes on
  const Box overwrite = Question(expected::Overwrite(L"1234"));
  const Box cannotCopy = FailureBox(expected::kCannotCopy + L"\n");
  const Box badHeader = FailureBox(expected::Failure(expected::kCannotReadHeader, src + L"\\1234.HED"));
  // The previous copy of a test, whole, whatever stops the run.
  const Files previous{{L"1234.GRA", "old data"}, {L"1234.HED", "old header"}, {L"PCNT.TXT", "1.00,9999\r\n"}};
  auto previousKept = [&] {
    return std::vector<Held>{{dst, Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}},
                             {dst + L"\\1234.GRA", "old data"}, {dst + L"\\1234.HED", "old header"},
                             {dstIndex, "1.00,9999\r\n"}};
  };
  const Row rows[] = {
      {.name = "BlankDestinationIsRefusedAfterTheDriveNameMessage", .prepare = test1234, .destination = L"  ",
       .boxes = {{expected::kDriveName, Buttons::Ok, Icon::Information},
                 {expected::kBadPath, Buttons::Ok, Icon::Warning, L"  "}},
       .events = {kStarted, L"DoEvents", kBox, kBox, kEnded}},
      // A blank source is not even looked at then.
      {.name = "AnUnacceptableDestinationIsRefusedWithItsPathAsCaption", .source = L"", .destination = L"M:\\a*b",
       .boxes = {{expected::kBadPath, Buttons::Ok, Icon::Warning, L"M:\\a*b"}}, .events = refused},
      // S: is a drive that is not ready.
      {.name = "ADestinationOnADriveThatIsNotReadyIsRefusedWithItsPathAsCaption", .destination = L"S:\\data",
       .boxes = {{expected::kBadPath, Buttons::Ok, Icon::Warning, L"S:\\data"}}, .events = refused},
      {.name = "BlankSourceIsRefusedBeforeAnyFolderIsMade", .source = L" \u3000 ",
       .boxes = {{expected::kNoSource, Buttons::Ok, Icon::None}}, .events = refused, .afterwards = {{dst, kNothing}}},
      {.name = "NoTestSelectedIsToldAfterTheMissingFolderIsMade", .selection = {}, .answers = {kIdYes},
       .boxes = {Question(expected::kCreateFolders), {expected::kNoTest, Buttons::Ok, Icon::None}},
       .events = {kStarted, L"DoEvents", kBox, kBox, kEnded}, .afterwards = {{dst, Names{}}}},
      {.name = "NoToTheFolderQuestionCreatesNothing",
       .prepare = [&](FakeView& view) { test1234(view); testsupport::MakeFolders(root + L"\\A"); },
       .destination = root + L"\\A\\B", .answers = {kIdNo}, .boxes = {Question(expected::kCreateFolders)},
       .events = refused, .afterwards = {{root + L"\\A\\B", kNothing}}},
      {.name = "NoToTheFolderQuestionCreatesNeitherMissingLevel", .prepare = test1234, .destination = root + L"\\C\\D",
       .answers = {kIdNo}, .boxes = {Question(expected::kCreateFolders)}, .events = refused,
       .afterwards = {{root + L"\\C", kNothing}}},
      // The data file cannot be read (another program holds it): the copy of
      // the header made before it goes, and the previous copy stays whole.
      {.name = "AFailedCopyStopsTheRunAndLeavesThePreviousCopyWhole",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         AddTest(src, L"5678", "a,b,c,d,1\r\n");
         MakeDestination(previous);
         held = std::make_unique<HeldOpen>(src + L"\\1234.GRA", GENERIC_READ | GENERIC_WRITE, 0);
       },
       .selection = {L"1234", L"5678"}, .answers = {kIdYes}, .boxes = {overwrite, cannotCopy}, .events = copyFailed,
       .doneBefore = 1, .afterwards = previousKept(),
       .finish = [&](const FakeView& view) {
         EXPECT_NE(view.prompts()[1].text.find(src + L"\\1234.GRA\n→ " + dst + L"\\1234.GRA"), std::wstring::npos);
       }},
      // A file it would replace is held by another program: asked about before anything is copied.
      {.name = "AHeldTargetIsAskedAboutBeforeTheCopy",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         MakeDestination(previous);
         held = std::make_unique<HeldOpen>(dst + L"\\1234.HED", GENERIC_READ, FILE_SHARE_READ);
       },
       .answers = {kIdYes, base::kIdCancel},
       .boxes = {overwrite, {expected::FileInUse(dst + L"\\1234.HED"), Buttons::RetryCancel, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kEnded, kPointerBack}, .afterwards = previousKept()},
      // Something fails while the test is put in place (a folder has the name
      // of one of its files): what was moved goes back, the index stays.
      {.name = "AFailureInTheCommitPutsEverythingBack",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         WriteBytes(src + L"\\1234.TXT", "notes");
         MakeDestination(previous);
         testsupport::MakeFolders(dst + L"\\1234.TXT");
       },
       .answers = {kIdYes}, .boxes = {overwrite, FailureBox(expected::Failure(expected::kCannotReplace, dst + L"\\1234.TXT"))},
       .events = copyFailed, .doneBefore = 1,
       .afterwards = {{dst, Names{L"1234.GRA", L"1234.HED", L"1234.TXT", L"PCNT.TXT"}}, {dst + L"\\1234.GRA", "old data"},
                      {dst + L"\\1234.HED", "old header"}, {dst + L"\\1234.TXT", Names{}}, {dstIndex, "1.00,9999\r\n"}}},
      // Refused before anything of the test is copied.
      {.name = "AReadOnlyIndexIsRefusedBeforeTheTest",
       .prepare = [&](FakeView& view) {
         test1234(view);
         MakeDestination({{L"PCNT.TXT", "1.00,A\r\n"}});
         SetFileAttributesW(dstIndex.c_str(), FILE_ATTRIBUTE_READONLY);
       },
       .boxes = {{expected::IndexReadOnly(dstIndex), Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kEnded, kPointerBack},
       .afterwards = {{dst, Names{L"PCNT.TXT"}}, {dstIndex, "1.00,A\r\n"}}},
      {.name = "AnIndexThatCannotBeReadFaithfullyStopsTheRunBeforeTheTest",
       .prepare = [&](FakeView& view) { test1234(view); MakeDestination({{L"PCNT.TXT", utf8Index}}); },
       .boxes = {FailureBox(expected::IndexUnreadable(dstIndex, 1))}, .events = failed, .doneBefore = 1,
       .afterwards = {{dstIndex, utf8Index}, {dst, Names{L"PCNT.TXT"}}}},
      {.name = "AFolderThatCannotBeMadeStopsTheRun",
       .prepare = [&](FakeView& view) { test1234(view); WriteBytes(root + L"\\file", "a file, not a folder"); },
       .destination = root + L"\\file\\sub", .answers = {kIdYes},
       .boxes = {Question(expected::kCreateFolders),
                 FailureBox(expected::Failure(expected::kCannotCreateFolder, root + L"\\file\\sub"))},
       .events = {kStarted, L"DoEvents", kBox, kEnded, kBox}, .doneBefore = 1},
      {.name = "AMissingHeaderStopsTheRunWithNothingCopied",
       .prepare = [&](FakeView&) { WriteBytes(src + L"\\1234.GRA", "data"); MakeDestination(); },
       .boxes = {badHeader}, .events = failed, .doneBefore = 1, .afterwards = {{dst, Names{}}}},
      {.name = "AHeaderValueThatIsNoShiftJisStopsTheRunBeforeTheIndex",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", "a,b,c,d,1\x81\x20\r\n");  // a lead byte with an invalid second byte
         MakeDestination({{L"PCNT.TXT", "1.00,9999\r\n"}});
       },
       .boxes = {{badHeader.text + expected::kNotShiftJis, Buttons::Ok, Icon::Warning}}, .events = failed,
       .doneBefore = 1, .afterwards = {{dst, Names{L"PCNT.TXT"}}, {dstIndex, "1.00,9999\r\n"}}},
      // A run cut off in its commit, whose index was edited since: nothing
      // of it is touched, and nothing copied.
      {.name = "WhatACutRunLeftThatWasChangedSinceStopsTheRun",
       .prepare = [&](FakeView& view) {
         test1234(view);
         conversion::Intent intent{.file = L"", .index = L"~lugeon_0badf00d_2.tmp",
                                   .freshIndex = conversion::DigestOf("5.00,1234\r\n"),
                                   .previousIndex = conversion::DigestOf("1.00,9999\r\n"),
                                   .moves = {{L"1234.GRA", L"~lugeon_0badf00d_1.tmp", {4, 1}, L"", {}}}};
         MakeDestination({{L"PCNT.TXT", "2.00,9999\r\n"}, {L"~lugeon_0badf00d.tmp", ""},
                          {L"~lugeon_0badf00d_1.tmp", "data"}, {L"~lugeon_0badf00d_3.jnl", intent.Bytes()}});
       },
       .boxes = {{expected::CannotMend({dst + L"\\~lugeon_0badf00d_3.jnl", dstIndex}), Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kEnded, kPointerBack},
       .afterwards = {{dst, Names{L"PCNT.TXT", L"~lugeon_0badf00d.tmp", L"~lugeon_0badf00d_1.tmp",
                                  L"~lugeon_0badf00d_3.jnl"}},
                      {dstIndex, "2.00,9999\r\n"}}},
      // 1.2.0 was cut off between deleting the index and renaming its new one.
      {.name = "APendingIndexOfTheOldVersionWithoutAnIndexStopsTheRun",
       .prepare = [&](FakeView& view) { test1234(view); MakeDestination({{L"PCNT.TXT.tmp", "1.00,9999\r\n"}}); },
       .boxes = {{expected::PendingOldIndex(dstIndex, dstIndex + L".tmp"), Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kEnded, kPointerBack},
       .afterwards = {{dst, Names{L"PCNT.TXT.tmp"}}, {dstIndex + L".tmp", "1.00,9999\r\n"}}},
      // The index cannot be replaced, and a scanner holds a file for a moment
      // on the way back: waited for, as on the way forward.
      {.name = "APutBackWaitsForAMomentaryHold",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         MakeDestination(previous);
         faults = std::make_unique<testsupport::HookedCalls>(
             [&, holds = 3](const std::wstring& call, const std::wstring& from, const std::wstring& to) mutable -> DWORD {
               if (call != L"Move") return 0;
               if (to == dstIndex) return ERROR_NOT_READY;
               // Back to its staged name; the move aside keeps the name in its own.
               if (from == dst + L"\\1234.HED" && to.find(L"1234.HED") == std::wstring::npos && holds-- > 0)
                 return ERROR_SHARING_VIOLATION;
               return 0;
             });
       },
       .answers = {kIdYes}, .boxes = {overwrite, FailureBox(expected::Failure(expected::kCannotWriteIndex, dstIndex))},
       .events = copyFailed, .afterwards = previousKept()},
      // It does not end: the user is told both files, and the next run puts it back.
      {.name = "APutBackThatFailsIsToldAndLeftForTheNextRun",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         MakeDestination(previous);
         faults = std::make_unique<testsupport::HookedCalls>(
             [&](const std::wstring& call, const std::wstring& from, const std::wstring& to) -> DWORD {
               if (call != L"Move") return 0;
               if (to == dstIndex) return ERROR_NOT_READY;
               return from == dst + L"\\1234.HED" && to.find(L"1234.HED") == std::wstring::npos ? ERROR_NOT_READY : 0;
             });
       },
       .answers = {kIdYes},
       .boxes = {overwrite, FailureBox(putBackHead)},
       .events = copyFailed,
       .finish = [&](const FakeView&) {
         const Names left = FolderContents(dst);
         EXPECT_TRUE(std::any_of(left.begin(), left.end(), [](const std::wstring& name) { return name.ends_with(L".jnl"); }))
             << testing::PrintToString(left);
         FakeView next(src, dst, {kIdNo});
         EXPECT_EQ(Run(next, {L"1234"}), 1);
         for (const Held& after : previousKept()) {
           if (const auto* names = std::get_if<Names>(&after.what)) {
             EXPECT_EQ(FolderContents(after.path), *names);
           } else if (const auto* bytes = std::get_if<std::string>(&after.what)) {
             EXPECT_EQ(ReadBytes(after.path), *bytes);
           }
         }
       }},
      // The server dropped the lock (the network was gone a while): nothing is renamed.
      {.name = "ALockTheServerDroppedStopsTheTestBeforeItIsPutInPlace",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         MakeDestination(previous);
         faults = std::make_unique<testsupport::HookedCalls>(
             [](const std::wstring& call, const std::wstring&, const std::wstring&) -> DWORD {
               return call == L"StillOpen" ? ERROR_NETNAME_DELETED : 0;
             });
       },
       .answers = {kIdYes}, .boxes = {overwrite, FailureBox(expected::IndexLockLost(dstIndex))}, .events = copyFailed,
       .afterwards = previousKept()},
      // A copy that the system ended unfinished, though nobody stopped it.
      {.name = "ACopyEndedUnfinishedWithoutAStopIsAFailure",
       .prepare = [&](FakeView& view) {
         test1234(view);
         MakeDestination();
         faults = std::make_unique<testsupport::HookedCalls>(
             [](const std::wstring& call, const std::wstring&, const std::wstring&) -> DWORD {
               return call == L"Copy" ? ERROR_REQUEST_ABORTED : 0;
             });
       },
       .boxes = {cannotCopy}, .events = failed, .afterwards = {{dst, Names{}}}},
      // UTF-8 表層01 (valid Shift-JIS as well), whose test is not in the folder.
      {.name = "AnIndexTheFolderCannotTellIsAskedAboutAndNoStopsTheRun",
       .prepare = [&](FakeView& view) { test1234(view); MakeDestination({{L"PCNT.TXT", either}}); },
       .answers = {kIdNo, base::kIdOk},
       .boxes = {Question(expected::IndexEither(dstIndex, L"陦ｨ螻､01", L"表層01")),
                 {expected::IndexUnreadable(dstIndex, 1) + expected::kIndexUtf8, Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kEnded, kPointerBack},
       .afterwards = {{dst, Names{L"PCNT.TXT"}}, {dstIndex, either}}},
      {.name = "AnUnexpectedErrorIsReportedAndDoesNotEscape",
       .prepare = [&](FakeView& view) { MakeDestination(); view.onText1 = [] { throw std::runtime_error("boom"); }; },
       .boxes = {{expected::kUnexpected + L"\n\nboom", Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", kEnded, kBox}, .doneBefore = 1},
  };
  for (const Row& row : rows) Check(row);
}

// A test whose number the destination holds already is asked about; the run
// completes however the user answers.
TEST_F(Execute, ATestThatIsThereAlreadyIsAskedAbout) {
  const Names asked{kStarted, L"DoEvents", L"Busy", kBox, kCompleted, kPointerBack};
  const Box overwrite = Question(expected::Overwrite(L"1234"));
  auto there = [&](FakeView&) {
    AddTest(src, L"1234", kHeader);
    MakeDestination({{L"1234.GRA", "old"}, {L"PCNT.TXT", "1.00,9999\r\n"}});
  };
  auto test1234With = [&](Files files) {
    return [this, files](FakeView&) {
      AddTest(src, L"1234", "a,b,c,d,1\r\n");
      MakeDestination(files);
    };
  };
  std::wstring sameAsSource = src + L"\\";  // the source folder spelled another way
  sameAsSource[0] = static_cast<wchar_t>(std::towlower(sameAsSource[0]));
  // The previous copy of a test, whole, whatever stops the run.
  auto previous = [&](FakeView&) {
    AddTest(src, L"1234", kHeader);
    MakeDestination({{L"1234.GRA", "old data"}, {L"1234.HED", "old header"}, {L"PCNT.TXT", "1.00,9999\r\n"}});
  };
  const std::vector<Held> previousKept{{dst, Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}},
                                       {dst + L"\\1234.GRA", "old data"}, {dst + L"\\1234.HED", "old header"}};
  std::string full;
  for (int k = 1; k <= 100; ++k) full += std::to_string(k) + ".00,T" + std::to_string(k) + "\r\n";
  ULONGLONG askedAt = 0;
  const Row rows[] = {
      // Copied whole beside itself, then put in place: no file is emptied.
      {.name = "TheSourceFolderAsDestinationLosesNothing",
       .prepare = [&](FakeView&) { AddTest(src, L"1234", kHeader); }, .destination = sameAsSource,
       .answers = {kIdYes}, .boxes = {overwrite}, .events = asked, .done = 1,
       .afterwards = {{src, Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}}, {src + L"\\1234.HED", kHeader},
                      {src + L"\\1234.GRA", "data of the test"}, {src + L"\\PCNT.TXT", "12.5,1234\r\n"}}},
      // The run waits for another program's lock (taken while the question
      // is open) and the user stops it: the copies made meanwhile go.
      {.name = "ACancelledReplaceLeavesThePreviousCopyWhole",
       .prepare = [&](FakeView& view) {
         previous(view);
         view.onShow = [&](const std::wstring&) {
           // As another program takes it (not through this program's file calls).
           indexLock.reset(CreateFileW((dstIndex + L".lock").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
           askedAt = GetTickCount64();
         };
         view.onProgress = [&](const conversion::RunProgress&) { return GetTickCount64() - askedAt < 300; };
       },
       .answers = {kIdYes}, .boxes = {overwrite, {expected::RunStopped(L"1234"), Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kEnded, kPointerBack},
       .afterwards = previousKept},
      // Another copy of the program filled the index while the question was open.
      {.name = "AnIndexFilledMeanwhileSkipsTheTestAsAFullOne",
       .prepare = [&](FakeView& view) {
         previous(view);
         view.onShow = [&](const std::wstring& box) { if (box == overwrite.text) WriteBytes(dstIndex, full); };
       },
       .answers = {kIdYes}, .boxes = {overwrite, {expected::IndexFull(L"1234"), Buttons::Ok, Icon::Warning}},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kCompleted, kPointerBack}, .done = 1,
       .afterwards = previousKept,
       .finish = [&](const FakeView&) { EXPECT_EQ(ReadBytes(dstIndex), full); }},
      {.name = "OverwriteQuestionNamesTheTestAndNoLeavesItAlone", .prepare = there, .answers = {kIdNo},
       .boxes = {overwrite}, .events = asked, .done = 1,
       .afterwards = {{dst, Names{L"1234.GRA", L"PCNT.TXT"}}, {dst + L"\\1234.GRA", "old"},
                      {dstIndex, "1.00,9999\r\n"}}},
      {.name = "YesReplacesTheTestAndEntersIt", .prepare = there, .answers = {kIdYes}, .boxes = {overwrite},
       .events = asked, .done = 1,
       .afterwards = {{dst + L"\\1234.GRA", "data of the test"}, {dstIndex, "1.00,9999\r\n12.50,1234\r\n"}}},
      {.name = "TheBaseNameEndsAtTheFirstDot", .prepare = test1234With({{L"1234X.GRA", ""}, {L"X1234.GRA", ""}}),
       .events = {kStarted, L"DoEvents", L"Busy", kCompleted, kPointerBack}, .done = 1},
      {.name = "TheBaseNameEndsAtTheFirstOfTwoDots", .prepare = test1234With({{L"1234.OLD.GRA", ""}}),
       .answers = {kIdNo}, .boxes = {overwrite}, .events = asked, .done = 1},
      {.name = "AJapaneseTestNumberIsAskedForAndEntered",
       .prepare = [&](FakeView&) {
         AddTest(src, L"表ソ", "a,b,c,d,3\r\n");
         AddTest(src, L"能", "a,b,c,d,2\r\n");
         MakeDestination({{L"表ソ.GRA", "old"}, {L"表.GRA", ""}});
       },
       .selection = {L"表ソ", L"能"}, .answers = {kIdYes}, .boxes = {Question(expected::Overwrite(L"表ソ"))},
       .events = asked, .done = 1,
       .afterwards = {{dst + L"\\表ソ.GRA", "data of the test"},
                      {dstIndex, "2.00,\x94\x5C\r\n3.00,\x95\x5C\x83\x5C\r\n"}}},
      // The file system does not tell abc and ABC apart: copying ABC would replace abc's files.
      {.name = "NamesDifferingOnlyInCaseAreAskedFor",
       .prepare = [&](FakeView&) {
         AddTest(src, L"ABC", "a,b,c,d,1\r\n");
         MakeDestination({{L"abc.GRA", "old"}, {L"PCNT.TXT", "2.00,abc\r\n"}});
       },
       .selection = {L"ABC"}, .answers = {kIdNo}, .boxes = {Question(expected::Overwrite(L"ABC"))},
       .events = asked, .done = 1, .afterwards = {{dst + L"\\abc.GRA", "old"}, {dstIndex, "2.00,abc\r\n"}}},
      {.name = "OnlyTheConfirmedOfTwoTestsIsCopied",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1111", "a,b,c,d,1\r\n");
         AddTest(src, L"2222", "a,b,c,d,2\r\n");
         MakeDestination({{L"1111.GRA", "old"}, {L"2222.GRA", "old"}});
       },
       .selection = {L"1111", L"2222"}, .answers = {kIdNo, kIdYes},
       .boxes = {Question(expected::Overwrite(L"1111")), Question(expected::Overwrite(L"2222"))},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kCompleted, kPointerBack}, .done = 1,
       .afterwards = {{dst, Names{L"1111.GRA", L"2222.GRA", L"2222.HED", L"PCNT.TXT"}},
                      {dst + L"\\1111.GRA", "old"}, {dstIndex, "2,2222\r\n"}}},
      {.name = "EveryDataFileOfTheDestinationIsChecked",
       .prepare = [&](FakeView&) {
         AddTest(src, L"ZZ", "a,b,c,d,1\r\n");
         MakeDestination();
         for (int k = 0; k < 300; ++k) WriteBytes(dst + L"\\A" + std::to_wstring(1000 + k) + L".GRA", "");
         WriteBytes(dst + L"\\ZZ.GRA", "old");
       },
       .selection = {L"ZZ"}, .answers = {kIdNo}, .boxes = {Question(expected::Overwrite(L"ZZ"))},
       .events = asked, .done = 1, .afterwards = {{dst + L"\\ZZ.GRA", "old"}}},
      {.name = "ARunWhoseTestsAreAllSkippedStillCompletes", .prepare = test1234With({{L"1234.GRA", "old"}}),
       .answers = {kIdNo}, .boxes = {overwrite}, .events = asked, .done = 1, .afterwards = {{dstIndex, kNothing}}},
      // The index is read again when the test is entered: what others wrote
      // while the question was open stays, and no lock or temporary file is left.
      {.name = "ARecordAddedWhileTheQuestionIsOpenSurvives",
       .prepare = [&](FakeView& view) {
         AddTest(src, L"1234", kHeader);
         MakeDestination({{L"1234.GRA", "old"}, {L"PCNT.TXT", "1.00,A\r\n"}});
         view.onShow = [&](const std::wstring&) { WriteBytes(dstIndex, "1.00,A\r\n2.00,B\r\n"); };
       },
       .answers = {kIdYes}, .boxes = {overwrite}, .events = asked, .done = 1,
       .afterwards = {{dstIndex, "1.00,A\r\n2.00,B\r\n12.50,1234\r\n"},
                      {dst, Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}}}},
      // Copies of an earlier transfer from a CD are read-only; Windows refuses
      // to replace them, or hidden ones (Wine run as root does not): after Yes
      // they are replaced, and the new copies are never read-only.
      {.name = "ReadOnlyAndHiddenCopiesAreReplacedAfterYes",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         SetFileAttributesW((src + L"\\1234.HED").c_str(), FILE_ATTRIBUTE_READONLY);
         MakeDestination({{L"1234.GRA", "old"}, {L"1234.HED", "old"}});
         SetFileAttributesW((dst + L"\\1234.GRA").c_str(), FILE_ATTRIBUTE_READONLY);
         SetFileAttributesW((dst + L"\\1234.HED").c_str(), FILE_ATTRIBUTE_HIDDEN);
       },
       .answers = {kIdYes}, .boxes = {overwrite}, .events = asked, .done = 1,
       .afterwards = {{dst + L"\\1234.GRA", "data of the test"}},
       .finish = [&](const FakeView&) {
         for (const wchar_t* name : {L"\\1234.GRA", L"\\1234.HED"})
           EXPECT_EQ(GetFileAttributesW((dst + name).c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u)
               << name;
       }},
  };
  for (const Row& row : rows) Check(row);
}

// Runs that complete: every file of the selected tests copied under its name
// and each test entered into the index with the fifth field of its header.
TEST_F(Execute, RunsThatCompleteCopyAndEnterEveryTest) {
  const Names completed{kStarted, L"DoEvents", L"Busy", kCompleted, kPointerBack};
  const Names created{kStarted, L"DoEvents", kBox, L"Busy", kCompleted, kPointerBack};
  const Names told{kStarted, L"DoEvents", L"Busy", kBox, kCompleted, kPointerBack};
  const Names copied{L"1234.GRA", L"1234.HED", L"PCNT.TXT"};
  const Box noFifthField{expected::NoFifthField(L"B"), Buttons::Ok, Icon::None};
  auto test1234 = [&](FakeView&) { AddTest(src, L"1234", kHeader); };
  const std::wstring twoLevels = root + L"\\A\\B";
  const std::wstring sourceSo = root + L"\\srcソ";
  const std::wstring destinationHyo = root + L"\\dst表";
  const std::wstring spaced = root + L"\\結果\u3000";
  // P:\ and O:\ themselves are used by this test only.
  const Names onP{L"P:\\1234.HED", L"P:\\1234.GRA", L"P:\\PCNT.TXT"};
  const Names onO{L"O:\\1234.HED", L"O:\\1234.GRA"};
  auto forget = [](const Names& files) { for (const auto& file : files) testsupport::RemoveTree(file); };
  std::string full;
  for (int k = 1; k <= 100; ++k) full += std::to_string(k) + ".00,T" + std::to_string(k) + "\r\n";
  const Row rows[] = {
      {.name = "OneQuestionCreatesTheMissingLastLevel",
       .prepare = [&](FakeView& view) { test1234(view); testsupport::MakeFolders(root + L"\\A"); },
       .destination = twoLevels, .answers = {kIdYes}, .boxes = {Question(expected::kCreateFolders)},
       .events = created, .done = 1, .afterwards = {{twoLevels + L"\\PCNT.TXT", "12.5,1234\r\n"}}},
      {.name = "BothMissingLevelsAreCreatedAfterOneQuestion", .prepare = test1234, .destination = twoLevels,
       .answers = {kIdYes}, .boxes = {Question(expected::kCreateFolders)}, .events = created, .done = 1,
       .afterwards = {{twoLevels, copied}}},
      {.name = "ADriveRootDestinationAsksNothing",
       .prepare = [&](FakeView& view) { forget(onP); test1234(view); }, .destination = L"P:\\",
       .events = completed, .done = 1,
       .afterwards = {{L"P:\\1234.HED", kHeader}, {L"P:\\PCNT.TXT", "12.5,1234\r\n"}},
       .finish = [&](const FakeView&) { forget(onP); }},
      {.name = "ASourceAtADriveRootIsUsedAsItIs",
       .prepare = [&](FakeView&) { forget(onO); AddTest(L"O:", L"1234", "a,b,c,d,4\r\n"); MakeDestination(); },
       .source = L"O:\\", .events = completed, .done = 1,
       .afterwards = {{dst + L"\\1234.HED", "a,b,c,d,4\r\n"}, {dstIndex, "4,1234\r\n"}},
       .finish = [&](const FakeView&) { forget(onO); }},
      // ソ and 表 end in the byte of "\" in Shift-JIS; they are no separators.
      {.name = "FoldersEndingInASeparatorByteKeepTheirFiles",
       .prepare = [&](FakeView&) { testsupport::MakeFolders(sourceSo); AddTest(sourceSo, L"1234", "a,b,c,d,2\r\n"); },
       .source = sourceSo, .destination = destinationHyo, .answers = {kIdYes},
       .boxes = {Question(expected::kCreateFolders)}, .events = created, .done = 1,
       .afterwards = {{destinationHyo, copied}, {root, Names{L"dst表", L"src", L"srcソ"}}}},
      {.name = "CopiesEveryFileOfTheTestUnderItsName",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", kHeader);
         WriteBytes(src + L"\\1234.TXT", "notes");
         AddTest(src, L"12345", "a,b,c,d,1\r\n");
         WriteBytes(src + L"\\1234X.TXT", "other");
         testsupport::MakeFolders(src + L"\\1234.SUB");
         MakeDestination();
       },
       .events = completed, .done = 1,
       .afterwards = {{dst, Names{L"1234.GRA", L"1234.HED", L"1234.TXT", L"PCNT.TXT"}},
                      {dst + L"\\1234.HED", kHeader},
                      {dst + L"\\1234.GRA", "data of the test"},
                      {dst + L"\\1234.TXT", "notes"}}},
      {.name = "ATestWithMoreThan256FilesIsCopiedCompletely",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", "a,b,c,d,1\r\n");
         for (int k = 0; k < 300; ++k) WriteBytes(src + L"\\1234.E" + std::to_wstring(100 + k), std::to_string(k));
         MakeDestination();
       },
       .events = completed, .done = 1, .afterwards = {{dst + L"\\1234.E399", "299"}},
       .finish = [&](const FakeView&) { EXPECT_EQ(FolderContents(dst).size(), 303u); }},
      {.name = "TheSourcesOwnIndexNeverReplacesTheDestinations",
       .prepare = [&](FakeView&) {
         AddTest(src, L"PCNT", "a,b,c,d,7\r\n");
         WriteBytes(src + L"\\PCNT.TXT", "1.00,OTHER\r\n");
         MakeDestination({{L"PCNT.TXT", "5.00,KEEP\r\n"}});
       },
       .selection = {L"PCNT"}, .events = completed, .done = 1,
       .afterwards = {{dstIndex, "5.00,KEEP\r\n7.00,PCNT\r\n"}, {dst + L"\\PCNT.GRA", "data of the test"}}},
      // Windows keeps U+3000 at the end of a name: 結果 and 結果 + U+3000 are
      // two folders. The folder is there: nothing to ask.
      {.name = "NamesEndingInAnIdeographicSpaceAreTheirOwn",
       .prepare = [&](FakeView&) {
         AddTest(src, L"1234", "a,b,c,d,2\r\n");
         WriteBytes(src + L"\\1234.メモ\u3000", "memo");
         testsupport::MakeFolders(spaced);
       },
       .destination = spaced, .events = completed, .done = 1,
       .afterwards = {{spaced, Names{L"1234.GRA", L"1234.HED", L"1234.メモ\u3000", L"PCNT.TXT"}},
                      {spaced + L"\\1234.メモ\u3000", "memo"},
                      {root + L"\\結果", kNothing}}},
      // B does not take A's value.
      {.name = "AHeaderWithoutAFifthFieldIsToldAndEnteredAsZero",
       .prepare = [&](FakeView&) {
         AddTest(src, L"A", "1,2,3,4,5\r\n");
         AddTest(src, L"B", "1,2,3,4\r\n");
         MakeDestination();
       },
       .selection = {L"A", L"B"}, .boxes = {noFifthField}, .events = told, .done = 1,
       .afterwards = {{dstIndex, ".00,B\r\n5.00,A\r\n"}}},
      {.name = "ANewIndexKeepsTheEmptyValueOfAHeaderWithoutAFifthField",
       .prepare = [&](FakeView&) { AddTest(src, L"B", "1,2,3,4\r\n"); MakeDestination(); },
       .selection = {L"B"}, .boxes = {noFifthField}, .events = told, .done = 1,
       .afterwards = {{dstIndex, ",B\r\n"}}},
      // Asked once a run; its record keeps its bytes.
      {.name = "AnIndexTheFolderCannotTellIsReadAsShiftJisAfterYes",
       .prepare = [&](FakeView&) {
         AddTest(src, L"A", "1,2,3,4,5\r\n");
         AddTest(src, L"B", "1,2,3,4,0.5\r\n");
         MakeDestination({{L"PCNT.TXT", "1.00,\xE8\xA1\xA8\xE5\xB1\xA4" "01\r\n"}});
       },
       .selection = {L"A", L"B"}, .answers = {kIdYes},
       .boxes = {Question(expected::IndexEither(dstIndex, L"陦ｨ螻､01", L"表層01"))}, .events = told, .done = 1,
       .afterwards = {{dstIndex, ".50,B\r\n1.00,\xE8\xA1\xA8\xE5\xB1\xA4" "01\r\n5.00,A\r\n"}}},
      {.name = "ATestTheFullIndexCannotTakeIsSkipped",
       .prepare = [&](FakeView&) {
         AddTest(src, L"NEW", "a,b,c,d,1\r\n");
         AddTest(src, L"T1", "a,b,c,d,0.5\r\n");
         MakeDestination({{L"PCNT.TXT", full}});
       },
       .selection = {L"NEW", L"T1"}, .boxes = {{expected::IndexFull(L"NEW"), Buttons::Ok, Icon::Warning}},
       .events = told, .done = 1,
       .afterwards = {{dst, Names{L"PCNT.TXT", L"T1.GRA", L"T1.HED"}},
                      {dstIndex, ".50,T1\r\n" + full.substr(std::string("1.00,T1\r\n").size())}}},
      {.name = "ASuccessfulRunReportsCompletionAndRestoresThePointer",
       .prepare = [&](FakeView& view) { test1234(view); MakeDestination(); }, .events = completed, .done = 1},
      // A run of 1.2.0 that is over (killed, or cut off by a power cut) left
      // copies, two files it was replacing and its marker; a run still going
      // on another PC holds its marker open. The first go; a replaced file
      // goes back before the destination is listed, so that its test is asked
      // about; one whose name is taken stays, and the user is told.
      {.name = "WhatARunThatIsOverLeftGoesAndALiveRunsTemporariesStay",
       .prepare = [&](FakeView& view) {
         test1234(view);
         MakeDestination({{L"~lugeon-0badf00d-1.tmp", "staged"}, {L"~lugeon-0badf00d-2-1234.GRA.tmp", "old data"},
                          {L"KEEP.GRA", "kept"}, {L"~lugeon-0badf00d-3-KEEP.GRA.tmp", "older"},
                          {L"~lugeon-0badf00d.tmp", ""}, {L"~lugeon-12345678-1.tmp", "live"},
                          {L"~lugeon-12345678.tmp", ""}});
         held = std::make_unique<HeldOpen>(dst + L"\\~lugeon-12345678.tmp", GENERIC_WRITE, 0);
       },
       .answers = {base::kIdOk, kIdYes},
       .boxes = {{expected::KeptAside({dst + L"\\~lugeon-0badf00d-3-KEEP.GRA.tmp"}), Buttons::Ok, Icon::Warning},
                 Question(expected::Overwrite(L"1234"))},
       .events = {kStarted, L"DoEvents", L"Busy", kBox, kBox, kCompleted, kPointerBack}, .done = 1,
       .afterwards = {{dst, Names{L"1234.GRA", L"1234.HED", L"KEEP.GRA", L"PCNT.TXT", L"~lugeon-0badf00d-3-KEEP.GRA.tmp",
                                  L"~lugeon-12345678-1.tmp", L"~lugeon-12345678.tmp"}},
                      {dst + L"\\1234.GRA", "data of the test"}}},
  };
  for (const Row& row : rows) Check(row);
}

// Too little room on the destination's drive for the test's copies (a
// sparse source file of 4 TiB): the user is told what they need and what
// is free, and nothing of the test is copied.
TEST_F(Execute, ATestTheDiskHasNoRoomForIsNotCopied) {
  AddTest(src, L"1234", kHeader);
  const HANDLE file = CreateFileW((src + L"\\1234.GRA").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);  // Wine's files are sparse anyway
  LARGE_INTEGER size;
  size.QuadPart = 4LL << 40;
  const bool made = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  if (!made) GTEST_SKIP() << "no sparse file of 4 TiB on this drive";
  MakeDestination({{L"PCNT.TXT", "1.00,A\r\n"}});
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}, 1), 0);
  ASSERT_EQ(view.prompts().size(), 1u);
  // 4 TiB and the header's cluster, rounded up to a tenth of a MB.
  const std::wstring head = expected::NoRoom(dst, L"1234", L"4194304.1");
  EXPECT_EQ(view.prompts()[0].text.substr(0, head.size()), head);
  EXPECT_EQ(view.events, (Names{kStarted, L"DoEvents", L"Busy", kEnded, kPointerBack, L"Box:" + view.prompts()[0].text}));
  EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"});
}

TEST_F(Execute, TheFifthHeaderFieldIsEnteredIntoTheIndex) {
  AddTest(src, L"1234", kHeader);
  AddTest(src, L"1200", "x\r\ny,z\r\n\"w\", 3 ,7\r\n");
  AddTest(src, L"1300", "A,B,\r\nC,4.5,E\r\n");  // the line end after a comma ends a field
  MakeDestination();
  FakeView first(src, dst);
  EXPECT_EQ(Run(first, {L"1234"}), 1);
  EXPECT_EQ(ReadBytes(dstIndex), "12.5,1234\r\n");
  FakeView second(src, dst, {kIdYes});
  EXPECT_EQ(Run(second, {L"1200", L"1300"}), 1);
  EXPECT_TRUE(second.prompts().empty());
  EXPECT_EQ(ReadBytes(dstIndex), "3.00,1200\r\n4.50,1300\r\n12.50,1234\r\n");
  // Into a new index, the header's text as the index's reader reads it back,
  // else its formatted number: an old end-of-file mark ends the header.
  const std::pair<std::string, std::string> firsts[] = {
      {"a,b,c,d,12.5\x1A", "12.5,1400\r\n"},
      {std::string("a,b,c,d,12.5\0\0\0", 15), "12.50,1400\r\n"},
      {"a,b,c,d,\t12.5\t\r\n", "12.5,1400\r\n"},
      {"a,b,c,d,12\t5\r\n", "12\t5,1400\r\n"},
  };
  for (const auto& [header, index] : firsts) {
    SCOPED_TRACE(testing::PrintToString(header));
    AddTest(src, L"1400", header);
    testsupport::RemoveTree(dst);
    MakeDestination();
    FakeView third(src, dst);
    EXPECT_EQ(Run(third, {L"1400"}), 1);
    EXPECT_EQ(ReadBytes(dstIndex), index);
  }
}

// A run that works for a while (here: waiting for another program's lock)
// keeps the window answering and shows its progress, and stops at once when
// the user says so, when showing the progress fails, or when the session
// ends (whose handler returns with the run's temporaries gone): nothing of
// the test is in place or entered, and the user is told why.
TEST_F(Execute, ALongRunShowsItsProgressAndStopsAtOnceWhenToldWhenTheWindowFailsOrWhenTheSessionEnds) {
  AddTest(src, L"1234", kHeader);
  MakeDestination({{L"PCNT.TXT", "1.00,A\r\n"}});
  Writer holder(L"hold " + dst, root + L"\\holder.txt");
  ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
  enum class Stop { Cancel, Failure, SessionEnd };
  for (const Stop stop : {Stop::Cancel, Stop::Failure, Stop::SessionEnd}) {
    SCOPED_TRACE(static_cast<int>(stop));
    FakeView view(src, dst);
    const ULONGLONG start = GetTickCount64();
    ULONGLONG stoppedAfter = 0;
    view.onProgress = [&](const conversion::RunProgress&) {
      if (GetTickCount64() - start < 500 || stoppedAfter != 0) return true;
      stoppedAfter = GetTickCount64() - start;
      if (stop == Stop::Failure) throw std::runtime_error("boom");
      if (stop == Stop::Cancel) return false;
      view.endSession();
      EXPECT_EQ(FolderContents(dst), (Names{L"PCNT.TXT", L"PCNT.TXT.lock"})) << "the temporaries are gone";
      return true;
    };
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    EXPECT_EQ(Run(view, {L"1234"}), 0);
    EXPECT_LT(GetTickCount64() - start - stoppedAfter, 1000u) << "the wait for the lock did not end at once";
    ASSERT_FALSE(view.progress.empty());
    EXPECT_EQ(view.progress[0].test, expected::ProgressTest(1, 1, L"1234"));
    EXPECT_EQ(view.progress[0].total, 30u) << "the bytes of the test's two files";
    EXPECT_GE(view.answered, 1) << "the window answered while the run waited";
    const testsupport::Prompt told = stop == Stop::Failure
                                         ? testsupport::Prompt{expected::kUnexpected + L"\n\nboom", Buttons::Ok, Icon::Warning}
                                         : testsupport::Prompt{expected::RunStopped(L"1234"), Buttons::Ok, Icon::Warning};
    EXPECT_EQ(view.prompts(), Prompts{told});
    EXPECT_EQ(view.label3, L"");
    EXPECT_EQ(view.events.back(), stop == Stop::Failure ? L"Box:" + told.text : kPointerBack);
    EXPECT_FALSE(view.endSession) << "the run's handler goes with it";
    EXPECT_EQ(FolderContents(dst), (Names{L"PCNT.TXT", L"PCNT.TXT.lock"}));
    EXPECT_EQ(ReadBytes(dstIndex), "1.00,A\r\n");
  }
}

// Windows removes what a stopped copy made. Wine's CopyFileExW never reports
// progress, so there a copy cannot be stopped halfway and this is not tried.
TEST(CopyOneFile, AStoppedCopyLeavesNothingUnderTheTargetsName) {
  const std::wstring folder = testsupport::ScratchFolder();
  const std::wstring from = folder + L"\\big.GRA";
  const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 64LL << 20;
  EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  int reports = 0;
  const bool whole = conversion::CopyOneFile(from, folder + L"\\copy.GRA", [&](std::uint64_t) {
    ++reports;
    return false;
  }, folder + L"\\copy.GRA");
  if (reports == 0) GTEST_SKIP() << "this platform's CopyFileExW reports no progress (Wine)";
  EXPECT_FALSE(whole);
  EXPECT_FALSE(Exists(folder + L"\\copy.GRA"));
}

// A spreadsheet shows a file held with FILE_SHARE_READ only; others hold it
// without sharing. Either way the user is asked before anything is copied:
// Cancel stops the run with the destination as it was, Retry after the
// program let go goes on.
TEST_F(Execute, AnIndexHeldByAnotherProgramIsAskedAboutBeforeTheTest) {
  AddTest(src, L"1234", kHeader);
  for (const DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
    for (const int answer : {base::kIdCancel, base::kIdRetry}) {
      SCOPED_TRACE(testing::Message() << "share " << share << ", answer " << answer);
      testsupport::RemoveTree(dst);
      MakeDestination({{L"PCNT.TXT", "1.00,9999\r\n"}});
      held = std::make_unique<HeldOpen>(dstIndex, GENERIC_READ, share);
      FakeView view(src, dst, {answer});
      view.onShow = [&](const std::wstring&) {
        EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"}) << "nothing of the test copied yet";
        held.reset();
      };
      EXPECT_EQ(Run(view, {L"1234"}), answer == base::kIdRetry ? 1 : 0);
      ASSERT_EQ(view.prompts(), (Prompts{{expected::IndexInUse(dstIndex), Buttons::RetryCancel, Icon::Warning}}));
      if (answer == base::kIdCancel) {
        EXPECT_EQ(view.label3, L"");
        EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"});
        EXPECT_EQ(ReadBytes(dstIndex), "1.00,9999\r\n");
      } else {
        EXPECT_EQ(view.label3, expected::kDone);
        EXPECT_EQ(ReadBytes(dstIndex), "1.00,9999\r\n12.50,1234\r\n");
      }
    }
  }
}

// Two copies of the program (two people on a shared folder) entering 25 tests
// each into one index at the same time, again and again: one writes at a time
// and each reads the index again first, so no record is lost and no run fails.
TEST_F(Execute, TwoProgramsEnterIntoOneIndexAtTheSameTime) {
  std::string expected = ".50,OLD\r\n";
  for (int k = 1; k <= 25; ++k) {
    std::string number = std::to_string(k);
    if (k < 10) number.insert(number.begin(), '0');
    const std::wstring wide(number.begin(), number.end());
    AddTest(src, std::wstring(1, L'A').append(wide), "a,b,c,d," + std::to_string(k) + "\r\n");
    AddTest(src, std::wstring(1, L'B').append(wide), "a,b,c,d," + std::to_string(k) + ".25\r\n");
    expected += std::to_string(k) + ".00,A" + number + "\r\n" + std::to_string(k) + ".25,B" + number + "\r\n";
  }
  MakeDestination({{L"PCNT.TXT", "0.50,OLD\r\n"}});
  Writer a(L"run " + src + L" " + dst + L" A 3000", root + L"\\a.txt");
  Writer b(L"run " + src + L" " + dst + L" B 3000", root + L"\\b.txt");
  EXPECT_EQ(a.Wait(120000), 0u) << a.Output();
  EXPECT_EQ(b.Wait(120000), 0u) << b.Output();
  EXPECT_EQ(ReadBytes(dstIndex), expected);
  EXPECT_EQ(FolderContents(dst).size(), 101u) << "the tests' files and PCNT.TXT, no lock or temporary file";
}

// A program ended from the Task Manager while it held the index leaves
// nothing that blocks the next run; nor does a lock file that nobody holds
// (left by a power cut, or copied by a backup tool): it is taken over at once.
TEST_F(Execute, ALockThatNobodyHoldsBlocksNothing) {
  AddTest(src, L"1234", kHeader);
  for (const bool ended : {true, false}) {
    SCOPED_TRACE(ended ? "holder ended" : "lock file left");
    testsupport::RemoveTree(dst);
    MakeDestination();
    if (ended) {
      Writer holder(L"hold " + dst, root + L"\\holder.txt");
      ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
    } else {
      WriteBytes(dst + L"\\PCNT.TXT.lock", "");
      testsupport::SetHidden(dst + L"\\PCNT.TXT.lock");
    }
    FakeView view(src, dst);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Run(view, {L"1234"}), 1);
    EXPECT_LT(GetTickCount64() - start, 4000u) << "not waited for";
    EXPECT_TRUE(view.prompts().empty());
    EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}));
  }
}

// Another copy of the program that keeps the index is waited for silently
// for about five seconds when the test is to be entered; then the user is
// asked, and Retry goes on.
TEST_F(Execute, AnotherProgramsLockIsWaitedForThenAskedAbout) {
  AddTest(src, L"1234", kHeader);
  MakeDestination();
  Writer holder(L"hold " + dst, root + L"\\holder.txt");
  ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
  FakeView view(src, dst, {base::kIdRetry});
  const ULONGLONG start = GetTickCount64();
  ULONGLONG waited = 0;
  view.onShow = [&](const std::wstring&) {
    waited = GetTickCount64() - start;
    EXPECT_FALSE(Exists(dst + L"\\1234.GRA")) << "staged, not yet in place";
    holder.End();
  };
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{expected::IndexInUse(dstIndex), Buttons::RetryCancel, Icon::Warning}}));
  EXPECT_GE(waited, 4000u) << "asked only after a silent wait";
  EXPECT_EQ(ReadBytes(dstIndex), "12.5,1234\r\n");
}

// A message handled while the worker runs a job must not start another:
// Run refuses to be entered again, and the first job ends as it would.
TEST(Worker, RefusesToBeEnteredAgainFromTheWait) {
  std::atomic<bool> stop{false};
  std::optional<conversion::Worker> worker;
  std::wstring refused;
  worker.emplace(stop, [&] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      try {
        worker->Run([] {});
      } catch (const base::AppError& error) {
        refused = error.message();
      }
    }
    return true;
  }, [] {});
  const DWORD thread = GetCurrentThreadId();
  EXPECT_EQ(worker->Run([thread] {
    PostThreadMessageW(thread, WM_APP, 0, 0);
    Sleep(300);
    return 7;
  }), 7);
  EXPECT_NE(refused.find(L"Worker::Run"), std::wstring::npos) << testing::PrintToString(refused);
  EXPECT_FALSE(stop);
}
