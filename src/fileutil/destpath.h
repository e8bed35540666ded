#pragma once
#include <functional>
#include <string>

#include "base/message_box.h"
#include "fileutil/curdir.h"

namespace fileutil {

// Accepts or refuses the destination path, rewriting it in place (trimmed,
// "\" after the drive, closing "\"); on success the path's drive is current.
// changeDrive makes it so (a run has its worker do it, after the message).
bool ValidateDestPath(std::wstring& path, base::Prompter& prompter,
                      const std::function<bool(wchar_t)>& changeDrive = ChangeDrive);

}  // namespace fileutil
