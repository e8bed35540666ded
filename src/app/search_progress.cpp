#include "app/search_progress.h"

#include "base/messages.h"

namespace app {
namespace {

// The text changes a few times a second, not per folder.
constexpr ULONGLONG kSearchUpdateMs = 250;

}  // namespace

dataroot::WalkProgress SearchProgress::WalkCallback() {
  return dataroot::OncePerTick(
      [this](const std::wstring& folder, std::uint64_t visited) { return Report(folder, visited); });
}

bool SearchProgress::Report(const std::wstring& folder, std::uint64_t visited) {
  if (pendingEvents_) pendingEvents_();
  if (dialog_ && dialog_->Cancelled()) cancelled_ = true;
  if (cancelled_) return false;
  const ULONGLONG now = GetTickCount64();
  if (!delay_.Due() || now - shown_ < kSearchUpdateMs) return true;
  shown_ = now;
  if (!dialog_) dialog_.emplace(nullptr, ProgressDialog::Kind::Marquee);
  // Two lines only: Wine's dialog shows no third.
  dialog_->SetLine(1, base::text::kSearching + (base::text::kSearchedBefore + std::to_wstring(visited)));
  dialog_->SetLine(2, folder, true);
  return true;
}

}  // namespace app
