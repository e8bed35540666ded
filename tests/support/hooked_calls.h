#pragma once
// The file seam with a hook before each call of the run's checks and
// commit: hook(call, path, to) gives the error the call fails with, 0 to
// make it; it may also wait, as a stalled share makes a call wait. to is the
// target of a copy or a rename, empty for the other calls.
#include <windows.h>

#include <functional>
#include <string>

#include "base/file_calls.h"

namespace testsupport {

class HookedCalls final : public base::FileCalls {
 public:
  using Hook = std::function<DWORD(const std::wstring& call, const std::wstring& path, const std::wstring& to)>;
  explicit HookedCalls(Hook hook) : hook_(std::move(hook)), previous_(base::UseFileCalls(this)) {}
  ~HookedCalls() override { base::UseFileCalls(previous_); }
  HookedCalls(const HookedCalls&) = delete;
  HookedCalls& operator=(const HookedCalls&) = delete;

  HANDLE Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    return Made(L"Create", path) ? FileCalls::Create(path, access, share, disposition, flags) : INVALID_HANDLE_VALUE;
  }
  BOOL Copy(const wchar_t* from, const wchar_t* to, LPPROGRESS_ROUTINE progress, void* data, DWORD flags) override {
    return Made(L"Copy", from, to) && FileCalls::Copy(from, to, progress, data, flags);
  }
  BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    return Made(L"Move", from, to) && FileCalls::Move(from, to, flags);
  }
  BOOL StillOpen(HANDLE file) override { return Made(L"StillOpen", L"") && FileCalls::StillOpen(file); }
  DWORD Attributes(const wchar_t* path) override {
    return Made(L"Attributes", path) ? FileCalls::Attributes(path) : INVALID_FILE_ATTRIBUTES;
  }
  HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data) override {
    return Made(L"FindFirst", pattern) ? FileCalls::FindFirst(pattern, data) : INVALID_HANDLE_VALUE;
  }
  BOOL CreateFolder(const wchar_t* path) override {
    return Made(L"CreateFolder", path) && FileCalls::CreateFolder(path);
  }
  BOOL SetCurrentFolder(const wchar_t* path) override {
    return Made(L"SetCurrentFolder", path) && FileCalls::SetCurrentFolder(path);
  }
  BOOL Room(const wchar_t* folder, ULONGLONG* available, ULONGLONG* cluster) override {
    return Made(L"Room", folder) && FileCalls::Room(folder, available, cluster);
  }

 private:
  bool Made(const wchar_t* call, const wchar_t* path, const wchar_t* to = L"") {
    const DWORD error = hook_(call, path, to);
    SetLastError(error);
    return error == 0;
  }

  Hook hook_;
  base::FileCalls* previous_;
};

}  // namespace testsupport
