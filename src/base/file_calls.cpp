#include "base/file_calls.h"

#include <atomic>

namespace base {
namespace {

FileCalls win32;
std::atomic<FileCalls*> inForce{&win32};

}  // namespace

HANDLE FileCalls::Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}
BOOL FileCalls::Write(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}
BOOL FileCalls::Flush(HANDLE file) { return FlushFileBuffers(file); }
BOOL FileCalls::Copy(const wchar_t* from, const wchar_t* to, LPPROGRESS_ROUTINE progress, void* data, DWORD flags) {
  return CopyFileExW(from, to, progress, data, nullptr, flags);
}
BOOL FileCalls::Move(const wchar_t* from, const wchar_t* to, DWORD flags) { return MoveFileExW(from, to, flags); }
BOOL FileCalls::Delete(const wchar_t* path) { return DeleteFileW(path); }
BOOL FileCalls::SetAttributes(const wchar_t* path, DWORD attributes) { return SetFileAttributesW(path, attributes); }
BOOL FileCalls::StillOpen(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info);
}
void FileCalls::Close(HANDLE file) { CloseHandle(file); }

FileCalls& Files() { return *inForce.load(); }

FileCalls* UseFileCalls(FileCalls* calls) {
  FileCalls* previous = inForce.exchange(calls != nullptr ? calls : &win32);
  return previous == &win32 ? nullptr : previous;
}

}  // namespace base
