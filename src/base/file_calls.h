#pragma once
// The file calls of a run and of the mending of a folder, in one seam
// (SQLite's VFS): the program's pass straight to Win32; a test's count them,
// cut the run at one as a power cut would, or stall one. Each keeps the Win32
// contract: failure by its return value, the reason in GetLastError.
#include <windows.h>

namespace base {

class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual HANDLE Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
  virtual BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written);
  virtual BOOL Flush(HANDLE file);
  virtual BOOL Copy(const wchar_t* from, const wchar_t* to, LPPROGRESS_ROUTINE progress, void* data, DWORD flags);
  virtual BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags);
  virtual BOOL Delete(const wchar_t* path);
  virtual BOOL SetAttributes(const wchar_t* path, DWORD attributes);
  // Whether a file opened by Create is still open: a server may drop a handle.
  virtual BOOL StillOpen(HANDLE file);
  virtual void Close(HANDLE file);
  // What is there: a name's attributes, its size and times, a folder's entries.
  virtual DWORD Attributes(const wchar_t* path);
  virtual BOOL AttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);
  virtual HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data);  // FindClose ends it
  virtual BOOL FindNext(HANDLE find, WIN32_FIND_DATAW* data);
  virtual BOOL CreateFolder(const wchar_t* path);
  virtual BOOL SetCurrentFolder(const wchar_t* path);
  // What this user may still write to a folder's drive, and its cluster size (0 where unknown).
  virtual BOOL Room(const wchar_t* folder, ULONGLONG* available, ULONGLONG* cluster);
};

// The calls in force: Win32's, unless a test put its own in.
FileCalls& Files();
// Puts calls in force (nullptr: Win32's again) and gives back the previous ones.
FileCalls* UseFileCalls(FileCalls* calls);

}  // namespace base
