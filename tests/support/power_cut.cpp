#include "support/power_cut.h"

#include <string>

#include "support/test_support.h"

namespace testsupport {
namespace {

std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// What a torn write or copy leaves: half the bytes, or all of them with the
// second half zero.
std::string Torn(std::string bytes, PowerCut::At how) {
  const std::size_t half = bytes.size() / 2;
  if (how == PowerCut::At::TornHalf) return bytes.substr(0, half);
  for (std::size_t i = half; i < bytes.size(); ++i) bytes[i] = '\0';
  return bytes;
}

}  // namespace

PowerCut::PowerCut(int cutAt, At how, bool replaceIsDeleteAndRename)
    : cutAt_(cutAt), how_(how), twoStepReplace_(replaceIsDeleteAndRename), previous_(base::UseFileCalls(this)) {}

PowerCut::~PowerCut() { base::UseFileCalls(previous_); }

std::vector<std::wstring> PowerCut::calls() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  return calls_;
}

std::vector<std::wstring> PowerCut::CallsOn(DWORD thread) const {
  const std::lock_guard<std::mutex> hold(mutex_);
  std::vector<std::wstring> on;
  for (const auto& [caller, call] : every_)
    if (caller == thread) on.push_back(call);
  return on;
}

bool PowerCut::Dead(const wchar_t* call, const std::wstring& path) {
  const std::lock_guard<std::mutex> hold(mutex_);
  every_.emplace_back(GetCurrentThreadId(), call + (L" " + NameOf(path)));
  return dead_;
}

BOOL PowerCut::Fail() const {
  SetLastError(ERROR_NOT_READY);
  return FALSE;
}

PowerCut::Fate PowerCut::Next(const std::wstring& call, const std::wstring& path) {
  const std::lock_guard<std::mutex> hold(mutex_);
  every_.emplace_back(GetCurrentThreadId(), call + L" " + NameOf(path));
  if (dead_) return Fate::Drop;
  calls_.push_back(call + L" " + NameOf(path));
  if (static_cast<int>(calls_.size()) != cutAt_) return Fate::Make;
  dead_ = true;
  if (how_ == At::Happens) return Fate::Make;
  return how_ == At::Dropped ? Fate::Drop : Fate::Tear;
}

HANDLE PowerCut::Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  const bool makes = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
  const bool deletes = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  if (makes || deletes ? Next(L"Create", path) == Fate::Drop : Dead(L"Open", path)) {
    Fail();
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE file = FileCalls::Create(path, access, share, disposition, flags);
  if (file == INVALID_HANDLE_VALUE) return file;
  const std::lock_guard<std::mutex> hold(mutex_);
  names_[file] = path;
  if (deletes) deleteOnClose_[file] = path;
  return file;
}

BOOL PowerCut::Write(HANDLE file, const void* data, DWORD size, DWORD* written) {
  std::wstring path;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    path = names_[file];
  }
  const Fate fate = Next(L"Write", path);
  if (fate == Fate::Drop) return Fail();
  if (fate == Fate::Make) return FileCalls::Write(file, data, size, written);
  const std::string torn = Torn(std::string(static_cast<const char*>(data), size), how_);
  FileCalls::Write(file, torn.data(), static_cast<DWORD>(torn.size()), written);
  return Fail();
}

BOOL PowerCut::Flush(HANDLE file) {
  std::wstring path;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    path = names_[file];
  }
  if (Next(L"Flush", path) == Fate::Drop) return Fail();
  return FileCalls::Flush(file);
}

BOOL PowerCut::Copy(const wchar_t* from, const wchar_t* to, LPPROGRESS_ROUTINE progress, void* data, DWORD flags) {
  const Fate fate = Next(L"Copy", to);
  if (fate == Fate::Drop) return Fail();
  if (fate == Fate::Make) return FileCalls::Copy(from, to, progress, data, flags);
  if (FileCalls::Copy(from, to, nullptr, nullptr, flags)) WriteBytes(to, Torn(ReadBytes(to), how_));
  return Fail();
}

BOOL PowerCut::Move(const wchar_t* from, const wchar_t* to, DWORD flags) {
  if (twoStepReplace_ && (flags & MOVEFILE_REPLACE_EXISTING) && GetFileAttributesW(to) != INVALID_FILE_ATTRIBUTES &&
      GetFileAttributesW(from) != INVALID_FILE_ATTRIBUTES) {
    if (!Delete(to)) return FALSE;
    flags &= ~DWORD{MOVEFILE_REPLACE_EXISTING};
  }
  if (Next(L"Move", to) == Fate::Drop) return Fail();
  return FileCalls::Move(from, to, flags);
}

BOOL PowerCut::Delete(const wchar_t* path) {
  if (Next(L"Delete", path) == Fate::Drop) return Fail();
  return FileCalls::Delete(path);
}

BOOL PowerCut::SetAttributes(const wchar_t* path, DWORD attributes) {
  if (Next(L"SetAttributes", path) == Fate::Drop) return Fail();
  return FileCalls::SetAttributes(path, attributes);
}

BOOL PowerCut::StillOpen(HANDLE file) { return Dead(L"StillOpen", L"") ? Fail() : FileCalls::StillOpen(file); }

DWORD PowerCut::Attributes(const wchar_t* path) {
  if (!Dead(L"Attributes", path)) return FileCalls::Attributes(path);
  Fail();
  return INVALID_FILE_ATTRIBUTES;
}

BOOL PowerCut::AttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  return Dead(L"AttributesEx", path) ? Fail() : FileCalls::AttributesEx(path, data);
}

HANDLE PowerCut::FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
  if (!Dead(L"FindFirst", pattern)) return FileCalls::FindFirst(pattern, data);
  Fail();
  return INVALID_HANDLE_VALUE;
}

BOOL PowerCut::FindNext(HANDLE find, WIN32_FIND_DATAW* data) {
  return Dead(L"FindNext", L"") ? Fail() : FileCalls::FindNext(find, data);
}

BOOL PowerCut::CreateFolder(const wchar_t* path) {
  return Next(L"CreateFolder", path) == Fate::Drop ? Fail() : FileCalls::CreateFolder(path);
}

BOOL PowerCut::SetCurrentFolder(const wchar_t* path) {
  return Dead(L"SetCurrentFolder", path) ? Fail() : FileCalls::SetCurrentFolder(path);
}

BOOL PowerCut::Room(const wchar_t* folder, ULONGLONG* available, ULONGLONG* cluster) {
  return Dead(L"Room", folder) ? Fail() : FileCalls::Room(folder, available, cluster);
}

void PowerCut::Close(HANDLE file) {
  std::wstring deleted;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    names_.erase(file);
    if (const auto found = deleteOnClose_.find(file); found != deleteOnClose_.end()) {
      deleted = found->second;
      deleteOnClose_.erase(found);
    }
  }
  const bool stays = !deleted.empty() && Next(L"Close", deleted) == Fate::Drop;
  FileCalls::Close(file);
  if (!stays) return;
  // Nothing deletes it after a power cut: it is there, held by nobody.
  const HANDLE left =
      CreateFileW(deleted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (left != INVALID_HANDLE_VALUE) CloseHandle(left);
}

}  // namespace testsupport
