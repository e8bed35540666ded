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
};

// The calls in force: Win32's, unless a test put its own in.
FileCalls& Files();
// Puts calls in force (nullptr: Win32's again) and gives back the previous ones.
FileCalls* UseFileCalls(FileCalls* calls);

}  // namespace base
