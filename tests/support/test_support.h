#pragma once
// Shared by all test programs: scratch folders on the test drives, exact file
// bytes, and a scripted message-box seam.
//
// Test drives (mapped by scripts/wine-prefix.sh up test, or subst on Windows):
//   M: N: O: P:  scratch drives           Q: a network drive   R: a CD drive
//   S: a letter whose folder is missing (not ready)           X: the test programs
// Q:, R: and S: exist under Wine only; tests that need them skip elsewhere.
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/message_box.h"

namespace testsupport {

// Whether the test set-up made this drive letter (its root holds the hidden
// marker file .lugeon-test-drive): only such drives may be written to. Every
// test program refuses to run unless M:, N:, O:, P: and X: are test drives.
bool IsTestDrive(wchar_t letter);

// Whether every drive of the machine belongs to the tests, as in the project's
// own Wine prefix: only then may a test walk whole drives (the data-root
// search does). On a developer's Windows machine C: is not one of them.
bool AllDrivesAreTestDrives();

// Why a test that searches every drive for a data root cannot run here, or
// empty when it can: every drive must be the tests' own, and no data root may
// be there before the test places its own (none is ever removed for it).
std::string WholeDriveSearchBlocked();

// A fresh, empty folder for the running test: <drive>:\<Suite>.<Test>
// (without a closing backslash). Whatever was there before is removed.
// Throws when drive is no test drive.
std::wstring ScratchFolder(wchar_t drive = L'M');

void MakeFolders(const std::wstring& path);  // every missing level
void WriteBytes(const std::wstring& path, std::string_view bytes);
std::string ReadBytes(const std::wstring& path);  // fails the test when unreadable
bool Exists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
void SetHidden(const std::wstring& path);

// Names of the regular files and folders directly in a folder, sorted.
std::vector<std::wstring> FolderContents(const std::wstring& folder);
std::vector<std::wstring> Sorted(std::vector<std::wstring> names);

// The AppError that call throws; without one the test fails and an empty
// General error comes back.
template <class Call>
base::AppError Raised(Call call) {
  try {
    call();
  } catch (const base::AppError& error) {
    return error;
  }
  ADD_FAILURE() << "no AppError raised";
  return base::AppError(L"");
}

// P:\linkloop\back, a folder link back to P:\ (made by the set-up under Wine,
// here on Windows). False only where the platform refuses the right to make
// it; a link that should be there and is not fails the test.
bool HaveLinkLoop();

struct Prompt {
  std::wstring text;
  base::Buttons buttons;
  base::Icon icon;
  std::optional<std::wstring> caption = std::nullopt;
  friend bool operator==(const Prompt&, const Prompt&) = default;
  friend void PrintTo(const Prompt& prompt, std::ostream* out) {
    *out << ::testing::PrintToString(prompt.text) << ", buttons " << static_cast<int>(prompt.buttons) << ", icon "
         << static_cast<int>(prompt.icon) << ", caption " << ::testing::PrintToString(prompt.caption);
  }
};
using Prompts = std::vector<Prompt>;

// Answers prompts from a script (OK when the script is empty) and records them.
class ScriptedPrompter : public base::Prompter {
 public:
  explicit ScriptedPrompter(std::deque<int> answers = {}) : answers_(std::move(answers)) {}
  int Show(const std::wstring& prompt, base::Buttons buttons, base::Icon icon,
           const std::optional<std::wstring>& caption) override;
  const std::vector<Prompt>& prompts() const { return prompts_; }

 private:
  std::deque<int> answers_;
  std::vector<Prompt> prompts_;
};

}  // namespace testsupport
