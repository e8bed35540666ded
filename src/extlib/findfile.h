#pragma once
// Which entries of a FindFirstFileW / FindNextFileW search the program takes.
// FCount and fileutil::ListDirEntries both decide with IsListedFile, so a
// count and the listing it bounds can never disagree.
//
// The platform matches a pattern against long names and 8.3 aliases alike:
// "*.HED" also finds "1001.HEDX" through its alias "1001~EOW.HED" (Wine makes
// such aliases for every long name, Windows where 8.3 names exist). So every
// entry the platform returns is matched again, on its long name only.
#include <windows.h>

#include <string>
#include <string_view>

namespace extlib {

// The file-name pattern of a search spec: what follows its last "\" or ":"
// ("M:\data\*.HED" gives "*.HED"); the whole spec when it has neither.
std::wstring_view SpecPattern(std::wstring_view spec);

// Whether name matches pattern: "*" stands for any run of characters (dots
// included), "?" for exactly one; letter case is ignored. Once the name is
// used up, a trailing run of "." and "*" in the pattern matches nothing, as on
// the platform: "*.*" matches "README" and "1001.*" matches "1001".
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

// An ordinary file whose long name matches pattern: folders, hidden files,
// system files and volume labels are left out; read-only and archive files
// (and every other attribute) are taken.
bool IsListedFile(const WIN32_FIND_DATAW& entry, std::wstring_view pattern);

// The start of a search with the fastest documented way: no 8.3 names (every
// name is matched again on its long name anyway) and larger reads of the folder.
HANDLE FindFirst(const std::wstring& spec, WIN32_FIND_DATAW& data);

// A sub-folder as DCount and ReadDirT list it: a folder whose long name
// matches pattern ("." and ".." included when the pattern matches them),
// but never a reparse point (junction, symbolic link: a walk must not loop)
// and never a hidden folder (system areas such as "System Volume Information"
// and profile data are hidden; a data folder is not).
bool IsListedFolder(const WIN32_FIND_DATAW& entry, std::wstring_view pattern);

}  // namespace extlib
