#pragma once
// The folder list: a list box that shows the open folder as the chain of its
// levels from the drive root, followed by the open folder's sub-folders.
//
// The owner creates a "ListBox" with LBS_NOTIFY (not owner-drawn; sorting does
// not matter: entries are inserted in their own order) and calls Attach.
//
// Entries, one per line, each indented by two spaces per level:
//   "m:\"             the drive root (lower-case letter, as the classic control)
//   "  lugeon"        each level of the open path, down to the open folder
//   "    表01"        the open folder's sub-folders, one level deeper
// The chain ends with the open folder, which is the selected entry after every
// change. Sub-folders are sorted like Explorer's plain name order: CompareStringW
// in the user's locale, ignoring case. Hidden and system folders are left out
// (as the classic control does); reparse points (junctions, links) are listed,
// since to the user they are folders like any other.
//
// Opening: the owner forwards WM_COMMAND / LBN_DBLCLK to OpenSelected (and
// reports its errors); Enter is handled here, because the list box subclass asks
// IsDialogMessage for the Return key and opens the selected entry itself. An
// error on Enter is shown through the prompter given at construction.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/message_box.h"

namespace app {

class FolderList {
 public:
  explicit FolderList(base::Prompter& prompter) : prompter_(prompter) {}
  ~FolderList();
  FolderList(const FolderList&) = delete;
  FolderList& operator=(const FolderList&) = delete;

  // Subclasses the list box and shows the process's current folder; onChange is
  // not called. Throws AppError when that folder cannot be read.
  void Attach(HWND listbox);

  // Runs whenever the path changes, after the path and the entries are new and
  // before the assignment returns. What it throws leaves SetPath/OpenSelected.
  std::function<void()> onChange;

  // The open folder: lower-case drive letter, names as spelled on disk, a
  // drive root ends in "\" ("m:\"), other folders do not ("m:\lugeon\表01").
  const std::wstring& Path() const { return path_; }

  // Opens a folder given by its full path; a trailing "\" is ignored and the
  // letter's case does not matter. Two characters, letter and colon ("d:"),
  // open that drive's remembered current folder. When the result equals Path()
  // nothing happens; otherwise the entries are read again and onChange runs.
  // A folder that does not exist or cannot be read, or a drive that is not
  // ready, throws AppError (kind System, "フォルダを開けません。") and changes
  // nothing: no new entries, no onChange.
  void SetPath(const std::wstring& path);

  // Opens the selected entry: a chain entry goes up to that level, a sub-folder
  // entry goes down into it. Nothing happens without a selection. Throws like
  // SetPath.
  void OpenSelected();

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                       DWORD_PTR self);
  void OpenSelectedReporting();
  void Show(const std::vector<std::wstring>& folders);
  void Detach();

  HWND listbox_ = nullptr;
  base::Prompter& prompter_;
  std::wstring path_;
  std::vector<std::wstring> entry_paths_;  // the full path behind each entry
};

}  // namespace app
