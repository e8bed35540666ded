#pragma once
// The Execute command: checks, folder creation, copies and index updates.
#include <cstdint>
#include <string>
#include <vector>

#include "base/limits.h"
#include "fileutil/prompt.h"

namespace conversion {

// What the run needs of the window; tests provide their own.
class RunView : public fileutil::Prompter {
 public:
  virtual std::wstring Text1() = 0;               // source folder
  virtual std::wstring Text2() = 0;               // destination folder
  virtual void SetLabel3(const std::wstring& caption) = 0;
  virtual void SetBusy(bool busy) = 0;            // hourglass or default pointer
  virtual void DoEvents() = 0;                    // let pending events run once
};

struct Selection {
  std::vector<std::wstring> tests = std::vector<std::wstring>(base::kMaxSelected + 1);  // 1..count
  std::int16_t count = 0;
};

void Command1_Click(RunView& view, const Selection& selection, std::int16_t& doneMessageShown);

}  // namespace conversion
