#pragma once
// The window as the conversion run sees it: two path texts, the message line,
// the pointer and message boxes, with every call recorded in order; and the
// progress dialog, recorded apart.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "conversion/execute.h"
#include "support/test_support.h"

namespace conversiontest {

class FakeView : public conversion::RunView {
 public:
  FakeView(std::wstring text1, std::wstring text2, std::deque<int> answers = {})
      : text1_(std::move(text1)), text2_(std::move(text2)), prompter_(std::move(answers)) {}

  std::wstring Text1() override {
    if (onText1) onText1();
    return text1_;
  }
  std::wstring Text2() override { return text2_; }
  void SetLabel3(const std::wstring& caption) override {
    label3 = caption;
    events.push_back(L"Label3:" + caption);
  }
  void SetBusy(bool busy) override { events.push_back(busy ? L"Busy" : L"Default"); }
  void DoEvents() override { events.push_back(L"DoEvents"); }
  bool KeepAnswering() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ++answered;
    return true;
  }
  bool ShowProgress(const conversion::RunProgress& shown) override {
    progress.push_back(shown);
    return !onProgress || onProgress(shown);
  }
  void CloseProgress() override { ++progressClosed; }
  void OnSessionEnd(std::function<void()> endSession) override { this->endSession = std::move(endSession); }
  void EndRun(const std::wstring& messageLine) override {
    label3 = messageLine;
    events.push_back(L"End:" + messageLine);
  }
  int Show(const std::wstring& prompt, base::Buttons buttons, base::Icon icon,
           const std::optional<std::wstring>& caption) override {
    events.push_back(L"Box:" + prompt);
    if (onShow) onShow(prompt);
    return prompter_.Show(prompt, buttons, icon, caption);
  }

  const std::vector<testsupport::Prompt>& prompts() const { return prompter_.prompts(); }

  std::function<void()> onText1;      // runs when the run reads Text1
  std::function<void(const std::wstring&)> onShow;  // runs when a box comes, before its answer
  std::function<bool(const conversion::RunProgress&)> onProgress;  // false: the user stops the run
  std::function<void()> endSession;   // what the window calls when the session ends
  std::vector<conversion::RunProgress> progress;  // what the progress dialog was shown
  int answered = 0;        // messages taken while a thread worked
  int progressClosed = 0;
  std::wstring label3;                // the caption last set
  std::vector<std::wstring> events;   // Label3:<text>, DoEvents, Busy, Box:<prompt>, End:<message line>

 private:
  std::wstring text1_;
  std::wstring text2_;
  testsupport::ScriptedPrompter prompter_;
};

}  // namespace conversiontest
