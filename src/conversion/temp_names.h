#pragma once
// The names of a run's temporaries in the destination folder, built and read
// here only. None matches a test's pattern (*.GRA, *.HED, <test>.*), also by
// its 8.3 alias:
//   ~lugeon_<run>.tmp             the run's marker, held open while it lives
//   ~lugeon_<run>_<n>.tmp         a staged copy (of a test's file or of the index)
//   ~lugeon_<run>_<n>_<name>.tmp  a file being replaced, moved aside (<name>
//                                 empty where the path would be too long)
//   ~lugeon_<run>_<n>.jnl         the intent of a commit
// 1.2.0 named them "~lugeon-<run>…" with "-" between the parts, and had no
// intent; it passes over the names above, which another PC may still meet.
#include <optional>
#include <string>
#include <string_view>

namespace conversion {

struct TempName {
  enum class Kind { Marker, Staged, Aside, Intent };
  Kind kind = Kind::Marker;
  std::wstring run;  // 8 hexadecimal digits
  int number = 0;    // n: every kind but the marker
  std::wstring name;  // an aside's own name
  bool legacy = false;  // 1.2.0's shape

  static TempName Marker(std::wstring run, bool legacy = false);
  static TempName Of(Kind kind, std::wstring run, int number, std::wstring name = {});
  std::wstring FileName() const;
};

// What a file name is, when it is a temporary of any run.
std::optional<TempName> ParseTempName(std::wstring_view fileName);

// A pattern that lists every temporary of both shapes (and may list more).
inline constexpr wchar_t kTempPattern[] = L"~lugeon*";

// A run's name, random, for its marker.
std::wstring NewRun();

}  // namespace conversion
