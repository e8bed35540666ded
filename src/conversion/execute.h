#pragma once
// The Execute command: checks, folder creation, copies and index updates.
#include <cstdint>
#include <string>
#include <vector>

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

// Runs Execute for the selected tests (in list order, at most
// base::kMaxSelected). Sets doneMessageShown to 1 when the run completes and
// to 0 when it fails; every failure is shown, none leaves this function.
void Command1_Click(RunView& view, const std::vector<std::wstring>& selectedTests,
                    std::int16_t& doneMessageShown);

}  // namespace conversion
