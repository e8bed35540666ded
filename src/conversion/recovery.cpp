#include "conversion/recovery.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "base/file_calls.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/strconv.h"
#include "conversion/file_io.h"
#include "conversion/index_file.h"
#include "conversion/journal.h"
#include "conversion/temp_names.h"

namespace conversion {
namespace {

struct RunFiles {
  TempName marker;
  std::vector<TempName> files;  // but the marker
};

// The temporaries in the folder, by run.
std::vector<RunFiles> ListRuns(const std::wstring& prefix) {
  std::map<std::wstring, RunFiles> runs;
  WIN32_FIND_DATAW data;
  const base::ScopedFind find(base::Files().FindFirst((prefix + kTempPattern).c_str(), &data));
  if (!find.valid()) return {};
  do {
    std::optional<TempName> name = ParseTempName(data.cFileName);
    if (!name || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::wstring key = (name->legacy ? L"-" : L"_") + name->run;
    std::transform(key.begin(), key.end(), key.begin(), base::AsciiLower);
    RunFiles& run = runs[key];
    run.marker = TempName::Marker(name->run, name->legacy);
    if (name->kind != TempName::Kind::Marker) run.files.push_back(*std::move(name));
  } while (base::Files().FindNext(find.get(), &data));
  std::vector<RunFiles> listed;
  for (auto& [key, run] : runs) listed.push_back(std::move(run));
  return listed;
}

// A run is over when nobody holds its marker, or it is gone. One that
// refuses to be asked (a server that keeps a dead PC's handles) is not.
bool RunIsOver(const std::wstring& prefix, const RunFiles& run) {
  const base::ScopedFile probe(base::Files().Create((prefix + run.marker.FileName()).c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                    OPEN_EXISTING, 0));
  return probe.valid() || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// 1.2.0 wrote no intent: its copies go, a file it moved aside goes back
// where its name is free and stays for the user where it is not.
void MendOldRun(const std::wstring& prefix, const RunFiles& run, std::vector<std::wstring>& kept) {
  for (const TempName& name : run.files) {
    const std::wstring path = prefix + name.FileName();
    if (name.kind == TempName::Kind::Staged) {
      RemoveFile(path);
    } else if (name.name.empty() || PathExists(prefix + name.name)) {
      kept.push_back(path);
    } else {
      RenameFile(path, prefix + name.name, false, base::text::kCannotPutBack, prefix + name.name);
    }
  }
}

// Each commit of the run finished or undone, in the order it was made; false
// (with the message in stop) where one cannot be.
bool MendRun(const std::wstring& prefix, const RunFiles& run, std::vector<std::wstring>& kept, std::wstring& stop) {
  std::vector<TempName> intents;
  for (const TempName& name : run.files)
    if (name.kind == TempName::Kind::Intent) intents.push_back(name);
  std::sort(intents.begin(), intents.end(), [](const TempName& a, const TempName& b) { return a.number < b.number; });
  for (const TempName& name : intents) {
    const std::wstring path = prefix + name.FileName();
    std::optional<Intent> intent = Intent::Parse(ReadWholeFile(path, base::text::kCannotReadIndex, path));
    if (!intent) {
      RemoveFile(path);  // torn: no rename began, its files are copies
      continue;
    }
    intent->file = name.FileName();
    std::vector<std::wstring> unmatched;
    const Mend direction = Decide(prefix, *intent, unmatched);
    if (direction == Mend::Neither) {
      stop = base::text::CannotMend(unmatched);
      return false;
    }
    Finish(prefix, *intent, direction);
  }
  // What is left are copies no commit took, and files moved aside that no
  // intent names, which are never removed.
  for (const TempName& name : run.files) {
    const std::wstring path = prefix + name.FileName();
    if (name.kind == TempName::Kind::Staged) RemoveFile(path);
    if (name.kind == TempName::Kind::Aside && PathExists(path)) kept.push_back(path);
  }
  return true;
}

}  // namespace

bool NeedsMending(const std::wstring& prefix) {
  if (PathExists(prefix + kOldPendingIndex)) return true;
  for (const RunFiles& run : ListRuns(prefix))
    if (RunIsOver(prefix, run)) return true;
  return false;
}

Mending MendFolder(const std::wstring& prefix) {
  Mending mending;
  std::vector<std::wstring> kept;
  for (const RunFiles& run : ListRuns(prefix)) {
    if (!RunIsOver(prefix, run)) continue;
    if (run.marker.legacy)
      MendOldRun(prefix, run, kept);
    else if (!MendRun(prefix, run, kept, mending.stop))
      return mending;
    RemoveFile(prefix + run.marker.FileName());
  }
  // 1.2.0's new index, which no intent names: never taken for the index.
  const std::wstring index = prefix + kIndexName;
  const std::wstring pending = prefix + kOldPendingIndex;
  if (PathExists(pending)) {
    if (!PathExists(index)) {
      mending.stop = base::text::PendingOldIndex(index, pending);
      return mending;
    }
    RemoveFile(pending);
  }
  if (!kept.empty()) mending.notice = base::text::KeptAside(kept);
  return mending;
}

}  // namespace conversion
