#include "app/search_progress.h"

#include "base/messages.h"

namespace app {

dataroot::WalkProgress SearchProgress::Walk() {
  return dataroot::OncePerTick(
      [this](const std::wstring& folder, std::uint64_t visited) { return Report(folder, visited); });
}

bool SearchProgress::Report(const std::wstring& folder, std::uint64_t visited) {
  if (pendingEvents_) pendingEvents_();
  if (dialog_ && dialog_->Cancelled()) cancelled_ = true;
  if (cancelled_) return false;
  // A quick search shows nothing; the text changes a few times a second, not per folder.
  const ULONGLONG now = GetTickCount64();
  if (now - start_ < kSearchDialogAfterMs || now - shown_ < kSearchUpdateMs) return true;
  shown_ = now;
  if (!dialog_) dialog_ = std::make_unique<ProgressDialog>(nullptr, ProgressDialog::Kind::Marquee);
  // Two lines only: Wine's dialog shows no third.
  dialog_->SetLine(1, base::text::kSearching + (base::text::kSearchedBefore + std::to_wstring(visited)));
  dialog_->SetLine(2, folder, true);
  return true;
}

}  // namespace app
