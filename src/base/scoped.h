#pragma once
// Owners of Win32 handles that give them back however a scope is left. Each
// is move-only: a copy would close its handle twice.
#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <utility>

#include "base/file_calls.h"

namespace base {

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::kInvalid(); }
  Handle release() { return std::exchange(handle_, Traits::kInvalid()); }
  void reset(Handle handle = Traits::kInvalid()) {
    if (valid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::kInvalid();
};

struct FindTraits {
  static HANDLE kInvalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { FindClose(handle); }
};
struct FileTraits {
  static HANDLE kInvalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { Files().Close(handle); }  // a delete-on-close file goes here
};
struct KernelTraits {
  static HANDLE kInvalid() { return nullptr; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
template <class Object>
struct GdiTraits {
  static Object kInvalid() { return nullptr; }
  static void Close(Object object) { DeleteObject(object); }
};

using ScopedFind = UniqueHandle<HANDLE, FindTraits>;   // FindFirstFileW
using ScopedFile = UniqueHandle<HANDLE, FileTraits>;   // CreateFileW, Files().Create
using ScopedHandle = UniqueHandle<HANDLE, KernelTraits>;  // CreateThread, CreateEventW, ...
using ScopedFont = UniqueHandle<HFONT, GdiTraits<HFONT>>;

// A COM interface pointer, released once.
struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface>
using ScopedCom = std::unique_ptr<Interface, ComRelease>;

// COM on this thread (apartment-threaded, as a window's thread must be) until the scope ends.
class ScopedComApartment {
 public:
  ScopedComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ScopedComApartment() {
    if (ok_) CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

 private:
  bool ok_;
};

// A GDI object selected into a device context until the scope ends.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The device context of a window (nullptr: the screen) from GetDC.
class ScopedWindowDC {
 public:
  explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  ScopedWindowDC(const ScopedWindowDC&) = delete;
  ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// No "insert a disk" box from an empty removable drive while the thread
// looks at drives; the earlier mode comes back at the end of the scope.
class QuietDriveErrors {
 public:
  QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  DWORD old_ = 0;
};

}  // namespace base
