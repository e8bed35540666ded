#pragma once
// What every benchmark needs: files made and removed on its test drive, and
// the timing of one side of a round.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "base/scoped.h"

namespace bench {

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// A tree the benchmark made; links are removed, never followed.
inline void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  if (const base::ScopedFind find(FindFirstFileW((path + L"\\*").c_str(), &data)); find.valid()) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find.get(), &data));
  }
  RemoveDirectoryW(path.c_str());
}

template <typename Work>
double Seconds(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace bench
