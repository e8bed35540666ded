#include "conversion/execute.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "base/strconv.h"
#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "fileutil/destpath.h"
#include "fileutil/listing.h"
#include "textutil/bytewise.h"
#include "textutil/fields.h"

namespace conversion {
namespace {

using namespace base::text;
using fileutil::Buttons;
using fileutil::Icon;

// Puts the pointer and the message line back unless the run completed.
class RunGuard {
 public:
  explicit RunGuard(RunView& view) : view_(view) {}
  ~RunGuard() { Restore(); }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  void SetBusy() {
    view_.SetBusy(true);
    busy_ = true;
  }

  void Complete() {
    view_.SetLabel3(kDone);
    view_.SetBusy(false);
    busy_ = false;
    restored_ = true;
  }

  void Restore() noexcept {
    if (restored_) return;
    restored_ = true;
    try {
      if (busy_) view_.SetBusy(false);
      view_.SetLabel3(L"");
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }

 private:
  RunView& view_;
  bool busy_ = false;
  bool restored_ = false;
};

// An orderly stop: its message box; the guard then clears the message line.
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
// level from the top down. False when the user answers No.
bool ProvideDestinationFolders(RunView& view, const std::wstring& validated) {
  const std::vector<std::wstring> levels = Levels(validated);
  const auto missing = std::find_if(levels.begin(), levels.end(), [](const std::wstring& level) {
    return !PathExists(level);
  });
  if (missing == levels.end()) return true;
  const int answer = view.Show(kCreateFolders, Buttons::YesNo, Icon::Question);
  if (answer == fileutil::kIdNo) return false;
  // Below the first missing level nothing can be there yet; a level made
  // meanwhile by someone else is taken as it is.
  if (answer == fileutil::kIdYes)
    for (auto level = missing; level != levels.end(); ++level) CreateFolder(*level);
  return true;
}

// The test numbers the destination held before the run: the base names of
// its .GRA files, the bytes in front of the first dot.
std::vector<std::wstring> TestsHeld(const std::wstring& destPrefix) {
  std::vector<std::wstring> held;
  for (const std::wstring& name : fileutil::ListDirEntries(destPrefix + L"*.GRA")) {
    const std::int16_t dot = textutil::AnsiInStrB(name, L".");
    if (dot >= 1) held.push_back(textutil::AnsiMidB(name, 1, dot - 1));
  }
  return held;
}

// The file system does not tell names apart by letter case: a test whose
// number differs from one there only so would replace its files.
bool Holds(const std::vector<std::wstring>& held, const std::wstring& t) {
  return std::any_of(held.begin(), held.end(), [&t](const std::wstring& name) {
    return CompareStringOrdinal(name.c_str(), -1, t.c_str(), -1, TRUE) == CSTR_EQUAL;
  });
}

// Every file of the test, under the same name. A source file that would
// land on the destination's own index (or its lock) is not one of the test's files.
void CopyTestFiles(const std::wstring& sourcePrefix, const std::wstring& destPrefix,
                   const std::wstring& t) {
  for (const std::wstring& name : fileutil::ListDirEntries(sourcePrefix + t + L".*"))
    if (!IsIndexOwnFile(name)) CopyOneFile(sourcePrefix + name, destPrefix + name);
}

// Another copy of the program, here or on another PC, is given this long to
// finish its update before the user is asked.
constexpr DWORD kLockPatienceMs = 5000;

// Runs work on the destination's index, read afresh under its lock, so that
// no other copy of the program writes between the reading and the writing.
// While another program holds the index the user is asked to Retry or Cancel,
// and a read-only index is refused: false after such a stop.
bool WithIndex(RunView& view, const std::wstring& destPrefix, const std::function<void(IndexFile&)>& work) {
  const std::wstring path = destPrefix + kIndexName;
  for (;;) {
    base::ScopedFile lock = LockIndex(destPrefix, kLockPatienceMs);
    const FileUse use = lock.valid() ? UseOf(path) : FileUse::InUse;
    if (use != FileUse::Free) {
      lock.reset();  // never held while a question is open
      if (use == FileUse::ReadOnly) return StopWith(view, IndexReadOnly(path), Icon::Warning);
      if (view.Show(IndexInUse(path), Buttons::RetryCancel, Icon::Warning) == fileutil::kIdRetry) continue;
      return false;
    }
    IndexFile index = IndexFile::Load(destPrefix);
    work(index);
    return true;
  }
}

// The fifth field of the copied header; false when it has fewer fields.
bool ReadHeaderValue(const std::wstring& headerPath, std::wstring& headerValue) {
  const std::string bytes = ReadWholeFile(headerPath, kCannotReadHeader);
  FieldReader reader(bytes);
  for (int field = 1; !reader.AtEnd(); ++field) {
    std::string text = reader.Read();
    if (field < 5) continue;
    if (const auto value = base::TryFromSjis(text)) {
      headerValue = *value;
      return true;
    }
    throw base::AppError(base::AppError::Kind::Encoding,
                         std::wstring(kCannotReadHeader) + L"\n" + headerPath + L"\n\n" + kNotShiftJis);
  }
  return false;
}

// Nothing but spaces, of either width: no folder was chosen.
bool IsBlank(const std::wstring& text) { return text.find_first_not_of(L" \u3000") == std::wstring::npos; }

// Steps up to the loop over the tests; false after an orderly stop.
bool Run(RunView& view, const std::vector<std::wstring>& selectedTests, RunGuard& guard) {
  view.SetLabel3(kInProgress);
  view.DoEvents();
  std::wstring validated = view.Text2();
  if (!fileutil::ValidateDestPath(validated, view))
    return StopWith(view, kBadPath, Icon::Warning, view.Text2());

  const std::wstring source = view.Text1();
  if (IsBlank(source)) return StopWith(view, kNoSource, Icon::None);
  if (!ProvideDestinationFolders(view, validated)) return false;
  if (selectedTests.empty()) return StopWith(view, kNoTest, Icon::None);

  guard.SetBusy();
  const std::wstring sourcePrefix = fileutil::FolderPrefix(source);
  // The checked form of the destination (trimmed, "\" after the drive): the
  // folder the run has just made sure of is the one it copies into.
  const std::wstring destPrefix = fileutil::FolderPrefix(validated);
  const std::vector<std::wstring> held = TestsHeld(destPrefix);  // before anything is copied

  for (const std::wstring& t : selectedTests) {
    // Checked before anything of the test is copied, so a test that the index
    // cannot take, or an index that cannot be read faithfully or is held,
    // leaves no files. Only a check: the update reads the index again.
    bool room = false;
    if (!WithIndex(view, destPrefix, [&](const IndexFile& index) { room = index.HasRoomFor(t); })) return false;
    if (!room) {
      view.Show(IndexFull(t), Buttons::Ok, Icon::Warning);
      continue;
    }
    if (Holds(held, t) && view.Show(OverwriteQuestion(t), Buttons::YesNo, Icon::Question) == fileutil::kIdNo)
      continue;

    CopyTestFiles(sourcePrefix, destPrefix, t);
    std::wstring headerValue;  // fresh for every test: never another test's value
    if (!ReadHeaderValue(destPrefix + t + L".HED", headerValue))
      view.Show(NoFifthField(t), Buttons::Ok, Icon::None);
    if (!WithIndex(view, destPrefix, [&](IndexFile& index) { UpdateIndexFile(index, t, headerValue); }))
      return StopWith(view, NotEntered(t), Icon::Warning);
  }
  return true;
}

}  // namespace

void Command1_Click(RunView& view, const std::vector<std::wstring>& selectedTests,
                    std::int16_t& doneMessageShown) {
  RunGuard guard(view);
  try {
    if (!Run(view, selectedTests, guard)) return;
    doneMessageShown = 1;
    guard.Complete();
  } catch (...) {
    // A failed run: the pointer back, no completion text, and the reason shown.
    doneMessageShown = 0;
    try {
      const std::wstring message = base::DescribeFailure(std::current_exception());
      guard.Restore();
      view.Show(message, Buttons::Ok, Icon::Warning);
    } catch (...) {
      // Nothing is left to tell the user with; the window must go on.
    }
  }
}

}  // namespace conversion
