#pragma once
// The file seam as a power cut meets it (SQLite's crash tests): the calls
// that change the disk are counted, and at call k the call happens, is
// dropped, or is torn (a write or copy with half its bytes, or at full
// length with a zero tail); every later call fails as on a dead disk, and a
// delete-on-close file (a lock, a marker) closed after the cut stays behind,
// unheld. On a FAT32/exFAT-like disk a replacing rename is two calls: the
// target's delete and the rename.
#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/file_calls.h"

namespace testsupport {

class PowerCut final : public base::FileCalls {
 public:
  enum class At { Happens, Dropped, TornHalf, TornZeroTail };

  // cutAt 0: no cut, the calls are only counted.
  explicit PowerCut(int cutAt = 0, At how = At::Happens, bool replaceIsDeleteAndRename = false);
  ~PowerCut() override;  // the previous calls in force again
  PowerCut(const PowerCut&) = delete;
  PowerCut& operator=(const PowerCut&) = delete;

  // The counted calls so far, as "<call> <file name>"; the cut's is the last.
  std::vector<std::wstring> calls() const;
  // Every call made on that thread, counted or not.
  std::vector<std::wstring> CallsOn(DWORD thread) const;

  HANDLE Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override;
  BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) override;
  BOOL Flush(HANDLE file) override;
  BOOL Copy(const wchar_t* from, const wchar_t* to, LPPROGRESS_ROUTINE progress, void* data, DWORD flags) override;
  BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags) override;
  BOOL Delete(const wchar_t* path) override;
  BOOL SetAttributes(const wchar_t* path, DWORD attributes) override;
  BOOL StillOpen(HANDLE file) override;
  void Close(HANDLE file) override;
  DWORD Attributes(const wchar_t* path) override;
  BOOL AttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) override;
  HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data) override;
  BOOL FindNext(HANDLE find, WIN32_FIND_DATAW* data) override;
  BOOL CreateFolder(const wchar_t* path) override;
  BOOL SetCurrentFolder(const wchar_t* path) override;
  BOOL Room(const wchar_t* folder, ULONGLONG* available, ULONGLONG* cluster) override;

 private:
  // What becomes of the next counted call: made, or not (the disk is dead).
  enum class Fate { Make, Drop, Tear };
  Fate Next(const std::wstring& call, const std::wstring& path);
  bool Dead(const wchar_t* call, const std::wstring& path);  // notes the call
  BOOL Fail() const;

  const int cutAt_;
  const At how_;
  const bool twoStepReplace_;
  mutable std::mutex mutex_;
  std::vector<std::wstring> calls_;
  std::vector<std::pair<DWORD, std::wstring>> every_;  // thread, call
  bool dead_ = false;
  std::map<HANDLE, std::wstring> deleteOnClose_;
  std::map<HANDLE, std::wstring> names_;
  base::FileCalls* previous_;
};

}  // namespace testsupport
