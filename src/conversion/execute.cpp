#include "conversion/execute.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "fileutil/destpath.h"
#include "fileutil/listing.h"
#include "textutil/bytewise.h"
#include "base/error.h"
#include "base/limits.h"
#include "base/messages.h"
#include "textutil/fields.h"

namespace conversion {
namespace {

using fileutil::Buttons;
using fileutil::Icon;

using namespace base::text;

constexpr std::size_t kListSize = base::kListBound + 1;  // elements 0 to 256; listings grow beyond

// Asks once at the first missing level and, after Yes, creates every missing
// level from the top down. False when the user answers No.
bool ProvideDestinationFolders(RunView& view, const std::wstring& validated) {
  const std::int16_t n = textutil::CountDelimiters(validated, L"\\");
  std::vector<std::wstring> workList(std::max<std::size_t>(kListSize, n + 2));
  textutil::SplitFields(validated, L"\\", workList);

  int answer = 0;
  std::wstring current = workList[1];
  for (int i = 2; i <= n + 1; ++i) {
    current += L"\\" + workList[i];
    if (!PathExists(current)) {
      answer = view.Show(kCreateFolders, Buttons::YesNo, Icon::Question);
      if (answer == fileutil::kIdNo) return false;
      break;
    }
  }

  if (answer == fileutil::kIdYes) {
    current = workList[1];
    for (int i = 2; i <= n + 1; ++i) {
      current += L"\\" + workList[i];
      if (!PathExists(current)) CreateFolder(current);
    }
  }
  return true;
}

// Whether one of the destination's .GRA files has t as its base name, the
// bytes in front of the first dot, compared exactly.
bool DestinationHolds(const std::vector<std::wstring>& graNames, std::int32_t count,
                      const std::wstring& t) {
  bool found = false;
  for (std::int32_t j = 1; j <= count; ++j) {
    const std::wstring& name = graNames[static_cast<std::size_t>(j)];
    const std::int16_t dot = textutil::AnsiInStrB(name, L".");
    if (dot < 1) continue;
    if (textutil::AnsiMidB(name, 1, dot - 1) == t) found = true;
  }
  return found;
}

bool IsIndexFile(const std::wstring& name) {
  if (name.size() != 8) return false;
  const wchar_t index[] = L"PCNT.TXT";
  for (std::size_t i = 0; i < name.size(); ++i) {
    wchar_t c = name[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != index[i]) return false;
  }
  return true;
}

// Every file of the test, under the same name. A source file that would
// land on the destination's own index is not one of the test's files.
void CopyTestFiles(const std::wstring& sourcePrefix, const std::wstring& destPrefix,
                   const std::wstring& t) {
  std::vector<std::wstring> workList(kListSize);
  workList[0] = sourcePrefix + t + L".*";
  const std::int32_t files = fileutil::ListDirEntries(workList);
  for (std::int32_t k = 1; k <= files; ++k) {
    const std::wstring& name = workList[static_cast<std::size_t>(k)];
    if (IsIndexFile(name)) continue;
    CopyOneFile(sourcePrefix + name, destPrefix + name);
  }
}

// The fifth field of the copied header; false when it has fewer fields.
bool ReadHeaderValue(const std::wstring& headerPath, std::wstring& headerValue) {
  FieldReader reader(ReadWholeFile(headerPath, kCannotReadHeader));
  for (int field = 1; !reader.AtEnd(); ++field) {
    std::wstring text = reader.Read();
    if (field == 5) {
      headerValue = std::move(text);
      return true;
    }
  }
  return false;
}

void Run(RunView& view, const Selection& selection, std::int16_t& doneMessageShown, bool& busy) {
  view.SetLabel3(kInProgress);
  view.DoEvents();
  std::wstring validated = view.Text2();

  if (!fileutil::ValidateDestPath(validated, view)) {
    const std::wstring caption = view.Text2();
    view.Show(kBadPath, Buttons::Ok, Icon::Warning, caption);
    view.SetLabel3(L"");
    return;
  }

  const std::wstring source = view.Text1();

  if (fileutil::TrimSpaces(source).empty()) {
    view.Show(kNoSource, Buttons::Ok, Icon::None);
    view.SetLabel3(L"");
    return;
  }

  if (!ProvideDestinationFolders(view, validated)) {
    view.SetLabel3(L"");
    return;
  }

  if (selection.count == 0) {
    view.Show(kNoTest, Buttons::Ok, Icon::None);
    view.SetLabel3(L"");
    return;
  }

  view.SetBusy(true);
  busy = true;

  const std::wstring sourcePrefix = fileutil::FolderPrefix(source);
  // The checked form of the destination (trimmed, "\" after the drive): the
  // folder the run has just made sure of is the one it copies into.
  const std::wstring destPrefix = fileutil::FolderPrefix(validated);

  // Made once, before anything is copied: the tests that were there before the run.
  std::vector<std::wstring> destGraNames(kListSize);
  destGraNames[0] = destPrefix + L"*.GRA";
  const std::int32_t destGraCount = fileutil::ListDirEntries(destGraNames);

  const std::int16_t count = selection.count;
  for (std::int16_t i = 1; i <= count; ++i) {
    const std::wstring& t = selection.tests.at(static_cast<std::size_t>(i));

    // Checked before anything of the test is copied, so a test that the index
    // cannot take leaves no files behind either.
    if (!IndexHasRoomFor(destPrefix, t)) {
      view.Show(IndexFull(t), Buttons::Ok, Icon::Warning);
      continue;
    }

    if (DestinationHolds(destGraNames, destGraCount, t) &&
        view.Show(OverwriteQuestion(t), Buttons::YesNo, Icon::Question) == fileutil::kIdNo)
      continue;

    CopyTestFiles(sourcePrefix, destPrefix, t);

    // Fresh for every test: a test never takes another test's value.
    std::wstring headerValue;
    if (!ReadHeaderValue(destPrefix + t + L".HED", headerValue))
      view.Show(NoFifthField(t), Buttons::Ok, Icon::None);

    UpdateIndexFile(destPrefix, t, headerValue);
  }

  doneMessageShown = 1;
  view.SetLabel3(kDone);
  view.SetBusy(false);
  busy = false;
}

// A failed run: the pointer back, no completion text, and the reason shown.
void Fail(RunView& view, bool busy, std::int16_t& doneMessageShown, const std::wstring& message) {
  try {
    doneMessageShown = 0;
    if (busy) view.SetBusy(false);
    view.SetLabel3(L"");
    view.Show(message, Buttons::Ok, Icon::Warning);
  } catch (...) {
    // Nothing is left to tell the user with; the window must go on.
  }
}

}  // namespace

void Command1_Click(RunView& view, const Selection& selection, std::int16_t& doneMessageShown) {
  bool busy = false;
  try {
    Run(view, selection, doneMessageShown, busy);
  } catch (...) {
    std::wstring message = kUnexpected;
    try {
      message = base::DescribeFailure(std::current_exception());
    } catch (...) {
    }
    Fail(view, busy, doneMessageShown, message);
  }
}

}  // namespace conversion
