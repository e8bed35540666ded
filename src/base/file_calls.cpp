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
DWORD FileCalls::Attributes(const wchar_t* path) { return GetFileAttributesW(path); }
BOOL FileCalls::AttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  return GetFileAttributesExW(path, GetFileExInfoStandard, data);
}
HANDLE FileCalls::FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
  return FindFirstFileExW(pattern, FindExInfoBasic, data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
}
BOOL FileCalls::FindNext(HANDLE find, WIN32_FIND_DATAW* data) { return FindNextFileW(find, data); }
BOOL FileCalls::CreateFolder(const wchar_t* path) { return CreateDirectoryW(path, nullptr); }
BOOL FileCalls::SetCurrentFolder(const wchar_t* path) { return SetCurrentDirectoryW(path); }
BOOL FileCalls::Room(const wchar_t* folder, ULONGLONG* available, ULONGLONG* cluster) {
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW(folder, &free, nullptr, nullptr)) return FALSE;
  *available = free.QuadPart;
  *cluster = 0;
  wchar_t volume[MAX_PATH] = {};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetVolumePathNameW(folder, volume, MAX_PATH) &&
      GetDiskFreeSpaceW(volume, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    *cluster = ULONGLONG{sectorsPerCluster} * bytesPerSector;
  return TRUE;
}

FileCalls& Files() { return *inForce.load(); }

FileCalls* UseFileCalls(FileCalls* calls) {
  FileCalls* previous = inForce.exchange(calls != nullptr ? calls : &win32);
  return previous == &win32 ? nullptr : previous;
}

}  // namespace base
