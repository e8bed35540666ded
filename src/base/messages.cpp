#include "base/messages.h"

namespace base::text {

std::wstring OverwriteQuestion(const std::wstring& t) { return kOverwriteBefore + t + kOverwriteAfter; }

std::wstring SelectionLimit() {
  return kSelectionLimitBefore + std::to_wstring(kMaxSelected) + kSelectionLimitAfter;
}

std::wstring IndexFull(const std::wstring& t) {
  return kIndexFullBefore + std::to_wstring(kIndexCapacity) + kIndexFullMiddle + t + kIndexFullAfter;
}

std::wstring NoFifthField(const std::wstring& t) {
  return kTestNumberBefore + t + kNoFifthFieldMiddle + t + kNoFifthFieldAfter;
}

std::wstring IndexUnreadable(const std::wstring& path, int line, IndexFault fault) {
  const wchar_t* reason = kIndexNotARecord;
  if (fault == IndexFault::ByteOrderMark) reason = kIndexByteOrderMark;
  if (fault == IndexFault::Utf8) reason = kIndexUtf8;
  if (fault == IndexFault::NotShiftJis) reason = kIndexNotShiftJis;
  return Report(kIndexUnreadableBefore + std::to_wstring(line) + kIndexUnreadableAfter, path, reason);
}

std::wstring IndexEither(const std::wstring& path, const std::wstring& sjis, const std::wstring& utf8) {
  return Report(kIndexEither, path,
                kIndexEitherBefore + sjis + kIndexEitherMiddle + utf8 + kIndexEitherAfter + L"\n\n" + kIndexEitherAsk);
}

std::wstring IndexInUse(const std::wstring& path) { return Report(kIndexInUse, path, kIndexInUseAdvice); }

std::wstring IndexReadOnly(const std::wstring& path) { return Report(kIndexReadOnly, path, kIndexReadOnlyAdvice); }

std::wstring FileInUse(const std::wstring& path) { return Report(kFileInUse, path, kFileInUseAdvice); }

namespace {

// Megabytes of 2^20 bytes with one decimal: what is needed rounded up, what
// is free rounded down, so that the two never read the same when short.
std::wstring Megabytes(std::uint64_t bytes, bool up) {
  const std::uint64_t tenths = (bytes * 10 + (up ? (1u << 20) - 1 : 0)) >> 20;
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

}  // namespace

std::wstring NoRoom(const std::wstring& folder, const std::wstring& t, std::uint64_t need, std::uint64_t free) {
  return Report(kNoRoom, folder,
                kTestNumberBefore + t + kNoRoomNeed + Megabytes(need, true) + kNoRoomFree + Megabytes(free, false) +
                    kNoRoomAfter);
}

std::wstring ProgressTest(int number, int count, const std::wstring& t) {
  return kProgressTestHead + std::to_wstring(number) + L" / " + std::to_wstring(count) + L": " + t;
}

namespace {

std::wstring Lines(const std::vector<std::wstring>& paths) {
  std::wstring lines;
  for (const std::wstring& path : paths) lines += (lines.empty() ? L"" : L"\n") + path;
  return lines;
}

}  // namespace

std::wstring CannotMend(const std::vector<std::wstring>& paths) {
  return Report(kCannotMend, Lines(paths), kCannotMendAdvice);
}

std::wstring PendingOldIndex(const std::wstring& index, const std::wstring& pending) {
  return Report(kPendingOldIndex, Lines({index, pending}), kPendingOldIndexAdvice);
}

std::wstring KeptAside(const std::vector<std::wstring>& paths) {
  return Report(kKeptAside, Lines(paths), kKeptAsideAdvice);
}

std::wstring CannotPutBack(const std::wstring& from, const std::wstring& to, const std::wstring& reason) {
  return Report(kCannotPutBack, from + L"\n→ " + to, reason);
}

std::wstring IndexLockLost(const std::wstring& path) { return Report(kIndexLockLost, path, kIndexLockLostAdvice); }

std::wstring RunStopped(const std::wstring& t) { return kRunStoppedBefore + t + kRunStoppedAfter; }

std::wstring Report(std::wstring_view head, std::wstring_view path, std::wstring_view detail) {
  std::wstring report(head);
  report.append(L"\n").append(path).append(L"\n\n").append(detail);
  return report;
}

std::wstring NoShiftJisForm(const std::wstring& text, const std::wstring& character) {
  return kNoShiftJisBefore + character + L"\n" + text;
}

}  // namespace base::text
